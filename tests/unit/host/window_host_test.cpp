// The window framework against the stand-in's own record of what it delivered: timers on the
// virtual clock, and the messages an object must not see.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/headless/inspect_user.h"
#include "ui/frame_window.h"
#include "ui/timer_window.h"
#include "ui/window_map.h"

namespace td {
namespace {

// Records what reaches the object's own procedure.
class Recorder : public Window {
public:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
        return Window::WindowProc(hwnd, message, wParam, lParam);
    }
    std::vector<MSG> seen;
};

TEST(WindowOnTheStandIn, TheObjectSeesNeitherCreationNorItsOwnTeardown) {
    auto* owner = new FrameWindow;
    Recorder* child = new Recorder;
    owner->create(nullptr, "life", WS_POPUP, 0, 0, 50, 50, 0);
    child->create(owner->handle, "", WS_CHILD, 0, 0, 5, 5, 0, 0, false);
    owner->attachChild(child);
    const HWND top = owner->handle, inner = child->handle;

    std::vector<UINT> delivered;
    for (const headless::LoggedMessage& m : headless::messagesOf(inner)) delivered.push_back(m.message);
    ASSERT_NE(std::find(delivered.begin(), delivered.end(), static_cast<UINT>(WM_CREATE)), delivered.end())
        << "the window itself did receive WM_CREATE";
    EXPECT_TRUE(child->seen.empty()) << "but only DefDlgProcA answered it";
    EXPECT_EQ(windowMap().count(inner), 1u);

    headless::clearMessageLog();
    delete owner;
    std::vector<HWND> destroyed;
    for (const headless::LoggedMessage& m : headless::messageLog())
        if (m.message == WM_DESTROY) destroyed.push_back(m.window);
    EXPECT_EQ(destroyed, (std::vector<HWND>{inner, top})) << "children go first";
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_EQ(windowMap().count(top) + windowMap().count(inner), 0u);
}

class Ticker : public FrameWindow {
public:
    Ticker() { create(nullptr, "ticker", WS_POPUP, 0, 0, 20, 20, 0); }
    long onTick(void*) { return ++ticks; }
    int ticks = 0;
    SignalConnection connection{this, &Ticker::onTick};
};

// Waits in GetMessageA, which moves the virtual clock to the next timer, until `count` ticks.
void waitForTicks(Ticker& ticker, int count) {
    MSG msg;
    while (ticker.ticks < count && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
}

TEST(WindowOnTheStandIn, TimerWindowTicksOnTheVirtualClock) {
    auto ticker = std::make_unique<Ticker>();
    auto* timer = new TimerWindow(ticker.get(), 1, &ticker->connection);
    EXPECT_TRUE(headless::windowInfo(timer->handle).timers.empty()) << "created stopped";

    timer->start();
    timer->start();  // a restart, not a second timer
    const std::vector<headless::TimerInfo> running = headless::windowInfo(timer->handle).timers;
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].id, TimerWindow::kTimerId);
    EXPECT_EQ(running[0].interval, static_cast<UINT>(USER_TIMER_MINIMUM)) << "1 ms is clamped";

    const uint64_t started = headless::now();
    waitForTicks(*ticker, 3);
    EXPECT_EQ(ticker->ticks, 3);
    EXPECT_EQ(headless::now() - started, 3u * USER_TIMER_MINIMUM);

    timer->interval = 0;
    timer->start();
    EXPECT_TRUE(headless::windowInfo(timer->handle).timers.empty()) << "interval 0 only stops";
    EXPECT_EQ(timer->timerId, 0u);

    timer->interval = 25;
    timer->start();
    const HWND timerHandle = timer->handle;
    ticker.reset();  // the connection goes first, then the timer window with its timer
    EXPECT_FALSE(headless::windowInfo(timerHandle).exists);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, timerHandle, WM_TIMER, WM_TIMER, PM_REMOVE));
}

}  // namespace
}  // namespace td
