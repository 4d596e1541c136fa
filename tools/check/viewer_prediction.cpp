#include "tools/check/viewer_prediction.h"

#include "render/surface.h"

namespace td::check {

ViewerPrediction::ViewerPrediction() {
    viewer_.prepare();
    spinOut();
}

bool ViewerPrediction::draws() const {
    return viewer_.handle && viewer_.renderer.surface && viewer_.renderer.surface->bitmap;
}

void ViewerPrediction::send(UINT message, POINT client) {
    const LPARAM position = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
    SendMessageA(viewer_.handle, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, position);
}

void ViewerPrediction::press(POINT client) { send(WM_LBUTTONDOWN, client); }
void ViewerPrediction::move(POINT client) { send(WM_MOUSEMOVE, client); }
void ViewerPrediction::release(POINT client) { send(WM_LBUTTONUP, client); }

int ViewerPrediction::spinOut(int limit) {
    const TimerWindow* timer = viewer_.timerWindow;
    int ticks = 0;
    while (timer && timer->timerId != 0 && ticks < limit) {
        SendMessageA(timer->handle, WM_TIMER, TimerWindow::kTimerId, 0);
        ++ticks;
    }
    return ticks;
}

PredictedFrame ViewerPrediction::frame() const {
    PredictedFrame frame;
    RECT window{0, 0, 0, 0};
    GetWindowRect(viewer_.handle, &window);
    POINT origin{0, 0};
    ClientToScreen(viewer_.handle, &origin);
    frame.windowWidth = window.right - window.left;
    frame.windowHeight = window.bottom - window.top;
    frame.clientOffset = {origin.x - window.left, origin.y - window.top};

    // The window's region, or the whole window where it has none.
    frame.shape.assign(size_t(frame.windowWidth) * size_t(frame.windowHeight), 1);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (region && GetWindowRgn(viewer_.handle, region) != ERROR) {
        for (int y = 0; y < frame.windowHeight; ++y)
            for (int x = 0; x < frame.windowWidth; ++x)
                frame.shape[size_t(y) * size_t(frame.windowWidth) + size_t(x)] = PtInRegion(region, x, y) ? 1 : 0;
    }
    if (region) DeleteObject(region);

    const Surface* surface = viewer_.renderer.surface;
    const uint8_t* bytes = surface && surface->pixels ? surface->pixels->intactPayload() : nullptr;
    if (!bytes) return frame;
    frame.client = Image(surface->width, surface->height);
    for (int y = 0; y < surface->height; ++y)
        for (int x = 0; x < surface->width; ++x) {
            const uint8_t* p = bytes + surface->pixelOffset(x, y);
            frame.client.at(x, y) = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    return frame;
}

}  // namespace td::check
