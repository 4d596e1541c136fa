// The whole program in-process against the headless stand-in, driven on its virtual clock: the
// entry point runs, and a hook at every moment the message loop would wait checks the windows
// and plays the user's part. Its own process, so the window classes are the first ones made.

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/inspect.h"
#include "platform/headless/inspect_user.h"
#include "support/viewer_run.h"

namespace td {
namespace {

// Checks that the window shows the viewer's (equalised) surface and has the model's outline.
void expectFrameShown(const ViewerWindow& viewer) {
    const headless::WindowInfo info = headless::windowInfo(viewer.handle);
    ASSERT_NE(info.region, nullptr);
    HRGN expected = expectedRegion(viewer);
    EXPECT_TRUE(EqualRgn(info.region, expected));
    RECT box;
    EXPECT_EQ(GetRgnBox(expected, &box), COMPLEXREGION);
    DeleteObject(expected);

    const headless::Canvas* canvas = headless::windowCanvas(viewer.handle);
    ASSERT_NE(canvas, nullptr);
    ASSERT_GE(canvas->width, 400);
    ASSERT_GE(canvas->height, 400);
    const Surface& surface = *viewer.renderer.surface;
    const uint8_t* pixels = surface.pixels->intactPayload();
    ASSERT_NE(pixels, nullptr);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            const uint8_t* p = pixels + surface.pixelOffset(x, y);
            const uint32_t rgb = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
            ASSERT_EQ(canvas->at(x, y), rgb) << x << "," << y;
        }
    }
}

struct Scenario {
    int step = 0;
    HWND window = nullptr;
    HWND timer = nullptr;
    int steppedTicks = 0;
    int ticks = 0;
    double lastAngle = 0.0;
    double anglesBeforeClick[2] = {0, 0};
};

TEST(ViewerHeadless, RunsFromStartToCloseAndLeavesNothingBehind) {
    const headless::GdiCounts gdiBefore = headless::liveGdiObjects();
    Scenario s;
    headless::setWaitHook([&s] {
        ViewerWindow* viewer = findViewer();
        ASSERT_NE(viewer, nullptr);
        switch (s.step) {
        case 0: {
            // Set-up is done and the first frame was drawn before the window was shown.
            s.window = viewer->handle;
            s.timer = viewer->timerWindow->handle;
            const headless::WindowInfo info = headless::windowInfo(s.window);
            EXPECT_EQ(info.text, "Test dialog");
            EXPECT_EQ(info.className, "200");
            EXPECT_EQ(info.style & WS_POPUP, DWORD(WS_POPUP));
            EXPECT_TRUE(info.style & WS_VISIBLE);
            EXPECT_EQ(info.windowRect.left, 400);
            EXPECT_EQ(info.windowRect.top, 200);
            EXPECT_EQ(info.windowRect.right - info.windowRect.left, 400);
            EXPECT_EQ(info.windowRect.bottom - info.windowRect.top, 400);
            const headless::WindowInfo timer = headless::windowInfo(s.timer);
            EXPECT_EQ(timer.className, "201");
            EXPECT_EQ(timer.parent, s.window);
            EXPECT_EQ(viewer->timerWindow->interval, 1u);
            // The frame painted when the window was shown found no spin and stopped the timer.
            EXPECT_TRUE(timer.timers.empty());
            expectFrameShown(*viewer);
            s.step = 1;
            [[fallthrough]];
        }
        case 1:
            EXPECT_EQ(viewer->angleY, 0.0);
            headless::postMouse(s.window, WM_LBUTTONDOWN, 200, 200);
            headless::postMouse(s.window, WM_MOUSEMOVE, 300, 200);
            s.step = 2;
            return;
        case 2:
            // 100 pixels of a 400-pixel window: 0.785 radians, applied by the drag and again by
            // the frame it draws, which then damps the spin.
            EXPECT_NEAR(viewer->velocityY, 0.785 * static_cast<double>(0.95f), 1e-6);
            EXPECT_NEAR(viewer->angleY, 6.28 - 1.57, 1e-6);
            EXPECT_EQ(viewer->angleX, 0.0);
            expectFrameShown(*viewer);
            headless::postMouse(s.window, WM_LBUTTONUP, 300, 200);
            s.step = 3;
            return;
        case 3: {
            // The release started the timer: identifier 101, asked for every millisecond (stored
            // as the window system's minimum).
            const std::vector<headless::TimerInfo> timers = headless::windowInfo(s.timer).timers;
            ASSERT_EQ(timers.size(), 1u);
            EXPECT_EQ(timers[0].id, 101u);
            EXPECT_EQ(viewer->timerWindow->timerId, 101u);
            viewer->velocityY = 0.1;  // a spin whose length is known: 45 steps
            s.lastAngle = viewer->angleY;
            s.step = 4;
            return;
        }
        case 4:
            ++s.ticks;
            if (viewer->angleY != s.lastAngle) ++s.steppedTicks;
            s.lastAngle = viewer->angleY;
            if (!headless::windowInfo(s.timer).timers.empty()) return;
            EXPECT_EQ(s.steppedTicks, 45);
            EXPECT_EQ(s.ticks, 46);
            s.anglesBeforeClick[0] = viewer->angleX;
            s.anglesBeforeClick[1] = viewer->angleY;
            headless::postMouse(s.window, WM_LBUTTONDOWN, 120, 80);
            headless::postMouse(s.window, WM_LBUTTONUP, 120, 80);
            s.step = 5;
            return;
        case 5:
            // The release starts the timer; its first tick stops it again.
            if (!headless::windowInfo(s.timer).timers.empty()) return;
            EXPECT_EQ(viewer->angleX, s.anglesBeforeClick[0]);
            EXPECT_EQ(viewer->angleY, s.anglesBeforeClick[1]);
            PostMessageA(s.window, WM_CLOSE, 0, 0);
            s.step = 6;
            return;
        default:
            FAIL() << "the message loop waited after WM_CLOSE";
        }
    });

    EXPECT_EQ(runProgram(), 0);
    headless::setWaitHook(nullptr);
    EXPECT_EQ(s.step, 6);

    expectNothingLeftBehind(gdiBefore);
}

}  // namespace
}  // namespace td
