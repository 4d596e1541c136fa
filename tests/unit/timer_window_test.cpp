// The hidden timer window and its tick signal, against real WM_TIMER messages.

#include <gtest/gtest.h>

#include <string>

#include "ui/frame_window.h"
#include "ui/timer_window.h"

namespace td {
namespace {

class Owner : public FrameWindow {
public:
    Owner() { create(nullptr, "owner", WS_POPUP, 0, 0, 50, 50, 0); }
    long onTick(void* argument) {
        ++ticks;
        lastArgument = argument;
        return 0;
    }
    int ticks = 0;
    void* lastArgument = reinterpret_cast<void*>(1);
    SignalConnection connection{this, &Owner::onTick};
};

// Pumps messages until the owner has seen `ticks` ticks or a 5-second guard timer fires. On the
// host the virtual clock jumps to the next timer; under Wine the wait is real.
bool pumpTicks(Owner& owner, int ticks) {
    const UINT_PTR guard = SetTimer(owner.handle, 77, 5000, nullptr);
    MSG msg;
    bool reached = true;
    while (owner.ticks < ticks) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        if (msg.message == WM_TIMER && msg.hwnd == owner.handle && msg.wParam == guard) {
            reached = false;
            break;
        }
        DispatchMessageA(&msg);
    }
    KillTimer(owner.handle, guard);
    return reached && owner.ticks >= ticks;
}

// A timer that comes due several times while nobody takes messages gives one WM_TIMER, not one
// for every interval that passed: a spin that falls behind steps once, not in a burst.
TEST(TimerWindow, ATimerLeftWaitingTicksOnce) {
    Owner owner;
    ASSERT_NE(SetTimer(owner.handle, 5, 300, nullptr), 0u);
    Sleep(1000);
    MSG msg;
    int ticks = 0;
    while (PeekMessageA(&msg, owner.handle, WM_TIMER, WM_TIMER, PM_REMOVE)) ++ticks;
    EXPECT_EQ(ticks, 1);
    KillTimer(owner.handle, 5);
}

TEST(TimerWindow, IsAHiddenZeroSizedChildOfItsOwner) {
    Owner owner;
    auto* timer = new TimerWindow(&owner, 1, &owner.connection);
    ASSERT_NE(timer->handle, nullptr);
    ASSERT_EQ(owner.children.size(), 1u);
    EXPECT_EQ(owner.children[0], timer);
    EXPECT_EQ(GetParent(timer->handle), owner.handle);
    EXPECT_TRUE(GetWindowLongA(timer->handle, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(IsWindowVisible(timer->handle));
    RECT r;
    GetWindowRect(timer->handle, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    EXPECT_EQ(timer->interval, 1u);
    EXPECT_EQ(timer->timerId, 0u);
    EXPECT_EQ(owner.connection.id, 0);
    // A second creation does nothing, and nothing is attached twice.
    timer->createChild(&owner, 9);
    EXPECT_EQ(timer->interval, 1u);
    EXPECT_EQ(owner.children.size(), 1u);
}

TEST(TimerWindow, EveryTimerMessageEmitsWithANullArgument) {
    Owner owner;
    auto* timer = new TimerWindow(&owner, 1, &owner.connection);
    EXPECT_EQ(SendMessageA(timer->handle, WM_TIMER, 7, 0), 0);  // not identifier 101
    EXPECT_EQ(owner.ticks, 1);
    EXPECT_EQ(owner.lastArgument, nullptr);
    SendMessageA(timer->handle, WM_USER, 0, 0);
    EXPECT_EQ(owner.ticks, 1);

    timer->start();
    EXPECT_EQ(timer->timerId, TimerWindow::kTimerId);
    EXPECT_TRUE(pumpTicks(owner, 4)) << "real ticks arrive";
    timer->stop();
    EXPECT_EQ(timer->timerId, 0u);
    EXPECT_FALSE(KillTimer(timer->handle, TimerWindow::kTimerId)) << "stop killed it";
}

TEST(TimerWindow, IntervalZeroOnlyStops) {
    Owner owner;
    auto* timer = new TimerWindow(&owner, 1, nullptr);
    timer->start();
    ASSERT_NE(timer->timerId, 0u);
    timer->interval = 0;
    timer->start();
    EXPECT_EQ(timer->timerId, 0u);
    EXPECT_FALSE(KillTimer(timer->handle, TimerWindow::kTimerId));
}

TEST(TimerWindow, AfterTheSubscriberDisconnectsTicksReachNoSlot) {
    Owner owner;
    int ticks = 0;
    {
        struct Other {
            long onTick(void*) { return ++*count; }
            int* count;
            SignalConnection connection{this, &Other::onTick};
        } other{&ticks};
        auto* timer = new TimerWindow(&owner, 1, &other.connection);
        SendMessageA(timer->handle, WM_TIMER, TimerWindow::kTimerId, 0);
        EXPECT_EQ(ticks, 1);
    }
    TimerWindow* timer = static_cast<TimerWindow*>(owner.children[0]);
    EXPECT_TRUE(timer->signal.slots.empty());
    EXPECT_TRUE(timer->signal.connections.empty());
    SendMessageA(timer->handle, WM_TIMER, TimerWindow::kTimerId, 0);
    EXPECT_EQ(ticks, 1);
}

TEST(TimerWindow, WithoutAnOwnerNothingIsCreated) {
    TimerWindow orphan(nullptr, 5, nullptr);
    EXPECT_EQ(orphan.handle, nullptr);
    EXPECT_EQ(orphan.interval, 1000u);
    orphan.start();
    EXPECT_EQ(orphan.timerId, 0u);
}

}  // namespace
}  // namespace td
