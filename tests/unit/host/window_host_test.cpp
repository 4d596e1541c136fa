// The window framework against the stand-in's own record of what it delivered: keyboard input
// taken from the queue, timers on the virtual clock, and the messages an object must not see.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/headless/inspect_user.h"
#include "ui/frame_window.h"
#include "ui/navigation.h"
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
    bool saw(UINT message, WPARAM wParam) const {
        return std::any_of(seen.begin(), seen.end(),
                           [&](const MSG& m) { return m.message == message && m.wParam == wParam; });
    }
    std::vector<MSG> seen;
};

void pumpQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::vector<LPARAM> navigationsTo(HWND window) {
    std::vector<LPARAM> codes;
    for (const headless::LoggedMessage& m : headless::messagesOf(window))
        if (m.message == WM_NAVIGATE) codes.push_back(m.lParam);
    return codes;
}

TEST(WindowOnTheStandIn, QueuedTabAndShiftTabMoveThroughTheRing) {
    FrameWindow owner;
    owner.create(nullptr, "ring", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, 0);
    Recorder* child[3];
    for (Recorder*& c : child) {
        c = new Recorder;
        c->create(owner.handle, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, 0, 0, false);
        owner.attachChild(c);
        owner.focusRing.push_back(c->handle);
    }
    SetFocus(child[1]->handle);
    headless::clearMessageLog();

    headless::postKey(VK_TAB, true);
    headless::postKey(VK_TAB, false);
    pumpQueue();
    EXPECT_EQ(GetFocus(), child[2]->handle);

    // The sided Shift key's state is set as the queue hands its key-down over.
    headless::postKey(VK_LSHIFT, true);
    headless::postKey(VK_TAB, true);
    headless::postKey(VK_TAB, false);
    headless::postKey(VK_LSHIFT, false);
    pumpQueue();
    EXPECT_EQ(owner.focusedHandle, child[1]->handle);
    EXPECT_EQ(GetFocus(), child[1]->handle);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x80, 0);

    EXPECT_EQ(navigationsTo(owner.handle), (std::vector<LPARAM>{kNavigateNext, kNavigatePrevious}));
    for (Recorder* c : child) EXPECT_FALSE(c->saw(WM_KEYDOWN, VK_TAB)) << "the filter consumes Tab";
    EXPECT_TRUE(child[2]->saw(WM_KEYDOWN, VK_SHIFT)) << "other keys pass";
    EXPECT_TRUE(child[2]->saw(WM_KEYUP, VK_TAB));
}

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
