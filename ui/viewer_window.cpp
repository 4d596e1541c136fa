#include "ui/viewer_window.h"

#include <cmath>
#include <vector>

#include "render/histogram_equaliser.h"
#include "render/surface.h"

namespace td {
namespace {

// Single-precision constants of the animation, widened to double.
constexpr double kDamping = static_cast<double>(0.95f);
constexpr double kHalfTurn = static_cast<double>(3.14f);  // radians for a drag across the window
constexpr double kPeriod = 6.28;                           // the period of the angle wraps
constexpr double kRestingSpeed = 0.01;                     // radians per step

// Brings an angle that left [0, 6.28] back with one correction.
double wrap(double angle) {
    if (angle > kPeriod) return angle - kPeriod;
    if (angle < 0.0) return angle + kPeriod;
    return angle;
}

// One step of the inertia on one axis: true when the axis still moved.
bool coast(double& angle, double& velocity) {
    if (!(std::fabs(velocity) > kRestingSpeed)) return false;
    angle -= velocity;
    velocity *= kDamping;
    return true;
}

}  // namespace

HRGN usableWindowShape(HRGN region) {
    if (!region) return nullptr;
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size >= sizeof(RGNDATAHEADER) && (size - sizeof(RGNDATAHEADER)) / sizeof(RECT) <= kMaxShapeRectangles)
        return region;
    DeleteObject(region);
    return nullptr;
}

ViewerWindow::ViewerWindow() : frameConnection(this, &ViewerWindow::frameUpdate) {}

ViewerWindow::~ViewerWindow() {
    // No tick may reach the frame update once teardown has begun.
    frameConnection.disconnect();
    scene.faces = std::vector<Face>();
    scene.vertices = std::vector<Vertex>();
    if (renderer.surface) {
        renderer.surface->destroy();
        delete renderer.surface;
        renderer.surface = nullptr;
    }
    // The Window layer then destroys the timer window (a child) and this window.
}

void ViewerWindow::dragAxis(int32_t delta, uint32_t extent, double& angle, double& velocity) {
    // A window without extent cannot turn the model: the spin would be infinite.
    if (extent == 0) return;
    velocity = static_cast<double>(delta) / static_cast<double>(extent) * kHalfTurn;
    angle -= velocity;
    if (angle > kPeriod) angle -= kPeriod;
    if (angle < 0.0) angle += kPeriod;
}

void ViewerWindow::OnLButtonDown(int x, int y) {
    if (GetCapture() != handle) SetCapture(handle);
    if (timerWindow) timerWindow->stop();
    velocityX = 0.0;
    velocityY = 0.0;
    dragging = true;
    lastMouseX = x;
    lastMouseY = y;
}

void ViewerWindow::OnMouseMove(int x, int y) {
    if (!dragging) return;
    RECT rect{0, 0, 0, 0};
    GetWindowRect(handle, &rect);
    // The extents as unsigned 32-bit numbers, computed without signed overflow.
    const uint32_t width = static_cast<uint32_t>(rect.right) - static_cast<uint32_t>(rect.left);
    const uint32_t height = static_cast<uint32_t>(rect.bottom) - static_cast<uint32_t>(rect.top);
    dragAxis(x - lastMouseX, width, angleY, velocityY);
    dragAxis(y - lastMouseY, height, angleX, velocityX);
    lastMouseX = x;
    lastMouseY = y;
    frameUpdate(nullptr);
}

void ViewerWindow::OnLButtonUp(int, int) {
    if (GetCapture() == handle) ReleaseCapture();
    dragging = false;
    // The velocities keep the values of the last move, so the model spins on.
    if (timerWindow) timerWindow->start();
}

void ViewerWindow::OnSize(RECT) { frameUpdate(nullptr); }

void ViewerWindow::OnClose() { PostQuitMessage(0); }

void ViewerWindow::OnPaint(PAINTSTRUCT, RECT) { frameUpdate(nullptr); }

LRESULT ViewerWindow::OnEraseBackground(HWND, UINT, WPARAM, LPARAM) {
    // Every frame covers the whole client area; erasing first would only flicker.
    return 0;
}

LRESULT ViewerWindow::frameUpdate(void*) {
    const bool movedY = coast(angleY, velocityY);
    const bool movedX = coast(angleX, velocityX);
    angleX = wrap(angleX);
    angleY = wrap(angleY);
    if (!movedX && !movedY && timerWindow) timerWindow->stop();

    Surface* surface = renderer.surface;
    if (surface) surface->clear(0, 255, 0);
    renderer.setModel(multiply(Matrix4::rotationX(angleX), Matrix4::rotationY(angleY)));
    HDC dc = GetDC(handle);
    renderer.render(&scene);
    // The shape follows the picture before equalisation, while the background holds the exact key.
    // The equaliser's counts are taken in the same pass over the pixels.
    HistogramEqualiser equaliser;
    HRGN region = surface ? usableWindowShape(surface->shapeRegion(kKeyColour, &equaliser)) : nullptr;
    if (surface) equaliser.equaliseCounted(surface->pixels.get(), surface->width, surface->height);
    OffsetRgn(region, 3, 3);
    // The window owns the region from here on; a null region makes the window rectangular.
    // No redraw: present copies the whole picture in this same frame, and a repaint asked for
    // here would run another frame update and step the spin without a tick.
    SetWindowRgn(handle, region, FALSE);
    if (surface) surface->present(dc);
    ReleaseDC(handle, dc);
    return 0;
}

}  // namespace td
