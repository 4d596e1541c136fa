// The real viewer on the window system of the build (Wine for the win32 build): a held drag
// stays still, and a spin advances on timer ticks only, one frame per tick, with no repaint
// caused by the frame's own reshaping.

#include <gtest/gtest.h>

#include "ui/viewer_window.h"

namespace td {
namespace {

class CountingViewer : public ViewerWindow {
public:
    void OnPaint(PAINTSTRUCT paint, RECT previous) override {
        ++paints;
        ViewerWindow::OnPaint(paint, previous);
    }
    int paints = 0;
};

struct Counts {
    int ticks = 0;
    int steppingTicks = 0;
    int paints = 0;  // frames drawn by WM_PAINT, sent or queued
};

bool isTick(const CountingViewer& viewer, const MSG& msg) {
    return msg.message == WM_TIMER && msg.hwnd == viewer.timerWindow->handle;
}

// Runs the message loop until `done`, counting the viewer's ticks and paints.
template <typename Done>
Counts pump(CountingViewer& viewer, Done done) {
    Counts counts;
    const int paintsBefore = viewer.paints;
    MSG msg{};
    for (int guard = 0; !done(msg) && guard < 2000 && GetMessageA(&msg, nullptr, 0, 0) > 0; ++guard) {
        const double angleX = viewer.angleX, angleY = viewer.angleY;
        DispatchMessageA(&msg);
        if (!isTick(viewer, msg)) continue;
        ++counts.ticks;
        if (viewer.angleX != angleX || viewer.angleY != angleY) ++counts.steppingTicks;
    }
    counts.paints = viewer.paints - paintsBefore;
    return counts;
}

Counts untilTheSpinEnds(CountingViewer& viewer) {
    return pump(viewer, [&](const MSG&) { return viewer.timerWindow->timerId == 0; });
}

// Lets `milliseconds` pass in the message loop (on the host's virtual clock, in real time under
// Wine), so that whatever the window system has to deliver arrives.
Counts wait(CountingViewer& viewer, UINT milliseconds) {
    const UINT_PTR timer = SetTimer(nullptr, 0, milliseconds, nullptr);
    const Counts counts =
        pump(viewer, [&](const MSG& msg) { return msg.message == WM_TIMER && !msg.hwnd && msg.wParam == timer; });
    KillTimer(nullptr, timer);
    return counts;
}

TEST(ViewerSpin, AHeldDragStaysStillAndASpinStepsOncePerTick) {
    CountingViewer viewer;
    viewer.setUp();
    ASSERT_NE(viewer.handle, nullptr);
    ASSERT_NE(viewer.renderer.surface, nullptr);
    untilTheSpinEnds(viewer);  // the first tick finds no spin and stops the timer
    wait(viewer, 200);

    // A press and one move draw one frame; then the held button leaves everything still. The
    // move ends where the pointer is, as a real one would: a move that the window system makes up
    // when the shape changes under the pointer then turns nothing.
    POINT pointer{0, 0};
    GetCursorPos(&pointer);
    ScreenToClient(viewer.handle, &pointer);
    SendMessageA(viewer.handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pointer.x - 60, pointer.y));
    SendMessageA(viewer.handle, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pointer.x, pointer.y));
    const double heldX = viewer.angleX, heldY = viewer.angleY;
    const Counts held = wait(viewer, 100);
    EXPECT_EQ(held.paints, 0);
    EXPECT_EQ(held.ticks, 0);
    EXPECT_EQ(viewer.angleX, heldX);
    EXPECT_EQ(viewer.angleY, heldY);

    // Released with a spin of known length: 0.1 steps on 45 ticks and the 46th stops the timer.
    SendMessageA(viewer.handle, WM_LBUTTONUP, 0, MAKELPARAM(pointer.x, pointer.y));
    viewer.velocityY = 0.1;
    const Counts spin = untilTheSpinEnds(viewer);
    EXPECT_EQ(spin.steppingTicks, 45);
    EXPECT_EQ(spin.ticks, 46);
    EXPECT_EQ(spin.paints, 0) << "frames not driven by a tick";
    EXPECT_NEAR(viewer.velocityY, 0.00994, 5e-5);
    if (viewer.timerWindow->timerId != 0) viewer.timerWindow->stop();
}

}  // namespace
}  // namespace td
