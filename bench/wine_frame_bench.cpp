// wine_frame_bench: the real viewer spinning under Wine (or Windows), timed with
// QueryPerformanceCounter. Needs an X display under Wine.
//
//   wine build/win32/wine_frame_bench.exe [FRAMES]
//
// The spin: the viewer set up as the program sets it up, given the velocities (0.5, 0.2) and its
// timer started, as after a release; messages are dispatched until the timer stops. It reports
// the ticks, the frames (a tick or a repaint of the viewer each runs one), the frames per tick, the
// time per frame (time spent dispatching those messages) and per tick (wall time).
//
// The split: FRAMES frames (50 unless given) at the angles of such a spin, the frame update's
// steps made one by one as it makes them and each timed alone: our own work (clear, render,
// window shape, equalise) and the window system's (SetWindowRgn with and without redraw, present).
// A redraw's repaint is discarded (ValidateRect) so that it runs no frame of its own here.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"
#include "render/histogram_equaliser.h"
#include "render/surface.h"
#include "ui/viewer_window.h"

namespace {

double millisecondsPerCount() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 / static_cast<double>(frequency.QuadPart);
}

int64_t counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

struct Spin {
    long ticks = 0, paints = 0, others = 0;  // others: messages of the viewer that run no frame
    double frameMs = 0, wallMs = 0;
};

Spin spin(td::ViewerWindow& viewer, double unit) {
    Spin result;
    viewer.velocityY = 0.5;
    viewer.velocityX = 0.2;
    const int64_t start = counter();
    viewer.timerWindow->start();
    MSG msg;
    while (viewer.timerWindow->timerId != 0 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        const bool tick = msg.hwnd == viewer.timerWindow->handle && msg.message == WM_TIMER;
        const bool paint = msg.hwnd == viewer.handle && msg.message == WM_PAINT;
        const int64_t before = counter();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (tick || paint) result.frameMs += static_cast<double>(counter() - before) * unit;
        result.ticks += tick;
        result.paints += paint;
        result.others += !tick && !paint && msg.hwnd == viewer.handle;
    }
    result.wallMs = static_cast<double>(counter() - start) * unit;
    return result;
}

// Milliseconds summed over the frames, by step.
struct Split {
    double clear = 0, render = 0, shape = 0, equalise = 0, setWindowRgn = 0, redrawnSetWindowRgn = 0, present = 0;
};

// Removes whatever the window system queued (a repaint asked for by a redraw among it).
void drain(HWND window) {
    ValidateRect(window, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Split split(td::ViewerWindow& viewer, int frames, double unit) {
    Split sum;
    td::Surface& surface = *viewer.renderer.surface;
    for (int i = 0; i < frames; ++i) {
        // Every frame twice, once with each kind of SetWindowRgn.
        for (const BOOL redraw : {FALSE, TRUE}) {
            const double angleX = 0.04 * i, angleY = 0.1 * i;
            int64_t t = counter();
            const auto lap = [&t, unit](double& into) {
                const int64_t now = counter();
                into += static_cast<double>(now - t) * unit;
                t = now;
            };
            surface.clear(0, 255, 0);
            lap(sum.clear);
            viewer.renderer.setModel(td::multiply(td::Matrix4::rotationX(angleX), td::Matrix4::rotationY(angleY)));
            viewer.renderer.render(&viewer.scene);
            lap(sum.render);
            HRGN region = td::usableWindowShape(surface.shapeRegion(td::ViewerWindow::kKeyColour));
            lap(sum.shape);
            td::HistogramEqualiser().equalise(surface.pixels.get(), surface.width, surface.height);
            lap(sum.equalise);
            OffsetRgn(region, 3, 3);
            SetWindowRgn(viewer.handle, region, redraw);
            lap(redraw ? sum.redrawnSetWindowRgn : sum.setWindowRgn);
            HDC dc = GetDC(viewer.handle);
            surface.present(dc);
            ReleaseDC(viewer.handle, dc);
            lap(sum.present);
            drain(viewer.handle);
        }
    }
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 50;
    const double unit = millisecondsPerCount();
    td::ViewerWindow viewer;
    viewer.setUp();
    if (!viewer.handle || !viewer.timerWindow || !viewer.renderer.surface || !viewer.renderer.surface->bitmap) {
        std::printf("the viewer has no window, no timer window or no surface (a 32-bit display is needed)\n");
        return 1;
    }
    drain(viewer.handle);

    const Spin s = spin(viewer, unit);
    const long frameCount = s.ticks + s.paints;
    std::printf("spin from velocities (0.5, 0.2): %ld ticks, %ld frames (%ld on repaints), %.2f frames per tick\n",
                s.ticks, frameCount, s.paints, s.ticks ? double(frameCount) / double(s.ticks) : 0.0);
    std::printf("  %.2f ms per frame (dispatching its message), %.2f ms per tick (wall %.0f ms)\n",
                frameCount ? s.frameMs / double(frameCount) : 0.0, s.ticks ? s.wallMs / double(s.ticks) : 0.0,
                s.wallMs);

    const Split p = split(viewer, frames, unit);
    // Every frame was made twice, once per kind of SetWindowRgn: the other steps summed 2n times.
    const double n = frames;
    const double ours = (p.clear + p.render + p.shape + p.equalise) / (2 * n);
    std::printf("frame steps, mean of %d frames each (ms):\n", frames);
    std::printf("  ours: clear %.3f, render %.3f, window shape %.3f, equalise %.3f; together %.3f\n",
                p.clear / (2 * n), p.render / (2 * n), p.shape / (2 * n), p.equalise / (2 * n), ours);
    std::printf("  window system: SetWindowRgn %.3f (with redraw %.3f), present %.3f\n", p.setWindowRgn / n,
                p.redrawnSetWindowRgn / n, p.present / (2 * n));
    std::printf("  frame: %.3f without redraw, %.3f with it\n", ours + (p.setWindowRgn + p.present / 2) / n,
                ours + (p.redrawnSetWindowRgn + p.present / 2) / n);
    return 0;
}
