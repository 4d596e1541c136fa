#pragma once
// The program's one top-level window: it owns the renderer, the scene, the light and the model's
// orientation, turns the model when dragged, lets it spin on after release and presents every
// frame in the outline of what was drawn.

#include <cstdint>

#include "asset/scene.h"
#include "foundation/math.h"
#include "platform/win32.h"
#include "render/renderer.h"
#include "ui/frame_window.h"
#include "ui/signal.h"
#include "ui/timer_window.h"

namespace td {

// The most rectangles a window shape may have: X servers refuse a shape of 32,767 rectangles or
// more, and Wine then ends the process.
constexpr DWORD kMaxShapeRectangles = 32766;

// The region itself when the window system can take it as a window shape; otherwise (only a
// pathological picture has that many rectangles) it is deleted and null is returned, which
// leaves the window rectangular for that frame.
HRGN usableWindowShape(HRGN region);

class ViewerWindow : public FrameWindow {
public:
    // The key colour of the window shape: pure green with a zero fourth byte, the colour every
    // frame is cleared to before drawing.
    static constexpr uint32_t kKeyColour = 0x0000FF00;

    ViewerWindow();
    ~ViewerWindow() override;

    // Creates the window, builds the scene from the embedded asset, prepares the renderer, draws
    // the first frame and starts the animation timer, leaving the window hidden (app/set_up.cpp).
    // A hidden viewer is the program's own prediction of what the shown one draws.
    void prepare();
    // prepare(), then shows the window.
    void setUp();

    // One frame: advance the spin, clear, render, give the window the outline of what was drawn,
    // equalise and present. The argument is ignored; the result is 0.
    LRESULT frameUpdate(void* unused);

    void OnSize(RECT clientRect) override;                                              // 11
    void OnClose() override;                                                            // 12
    void OnMouseMove(int x, int y) override;                                            // 13
    void OnLButtonDown(int x, int y) override;                                          // 14
    void OnLButtonUp(int x, int y) override;                                            // 15
    void OnPaint(PAINTSTRUCT paint, RECT windowRect) override;                          // 20
    LRESULT OnEraseBackground(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;  // 27

    Renderer renderer;
    Scene scene;
    Light light{Vec3{0.0, 0.0, -1.0}, 0.0};
    TimerWindow* timerWindow = nullptr;  // one of children: owned and destroyed by the Window layer
    SignalConnection frameConnection;    // the frame update, subscribed to the timer's ticks
    bool dragging = false;
    int32_t lastMouseX = 0;
    int32_t lastMouseY = 0;
    double angleY = 0.0;  // radians about the vertical axis, driven by horizontal drags
    double angleX = 0.0;  // radians about the horizontal axis, driven by vertical drags
    double velocityY = 0.0;  // radians per step that go with angleY
    double velocityX = 0.0;

private:
    // The drag step of one axis: the spin for a move of `delta` pixels across an extent of the
    // window, applied once to the angle.
    static void dragAxis(int32_t delta, uint32_t extent, double& angle, double& velocity);
};

}  // namespace td
