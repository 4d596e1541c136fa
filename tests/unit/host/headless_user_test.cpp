// What only the stand-in can show: the virtual clock and the wait hook, region ownership, timers
// as stored, and the per-window message log.

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/inspect.h"
#include "platform/headless/inspect_user.h"
#include "platform/headless/objects.h"
#include "ui/frame_window.h"
#include "ui/timer_window.h"

namespace {

class HeadlessUser : public testing::Test {
protected:
    void TearDown() override { headless::resetUserState(); }
    static HWND popup(int x, int y, int w, int h) {
        static const bool registered = [] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "tdHeadlessPlain";
            return RegisterClassExA(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        return CreateWindowExA(0, "tdHeadlessPlain", "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                               nullptr, nullptr);
    }
};

TEST_F(HeadlessUser, TimersAreClampedAndWaitingJumpsTheClockToThem) {
    const HWND h = popup(0, 0, 10, 10);
    SetTimer(h, 101, 1, nullptr);
    const headless::WindowInfo info = headless::windowInfo(h);
    ASSERT_EQ(info.timers.size(), 1u);
    EXPECT_EQ(info.timers[0].interval, static_cast<UINT>(USER_TIMER_MINIMUM));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    const uint64_t start = headless::now();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "nothing is due yet";
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(headless::now(), start + 10);
}

TEST_F(HeadlessUser, TheWaitHookDrivesALoopToItsEnd) {
    const HWND h = popup(0, 0, 10, 10);
    int waits = 0;
    headless::setWaitHook([&] {
        if (++waits == 3) PostQuitMessage(4);
        else headless::postKey('A', waits == 1);
    });
    MSG msg;
    std::vector<UINT> got;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        got.push_back(msg.message);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_EQ(got, (std::vector<UINT>{WM_PAINT, WM_KEYDOWN, WM_KEYUP})) << "the window's first paint comes first";
    EXPECT_GE(GetKeyState('A'), 0);
    EXPECT_EQ(GetKeyState('A') & 1, 1) << "toggled by the press";
    DestroyWindow(h);
}

TEST_F(HeadlessUser, WaitingWithNothingToComeFailsLoudly) {
    EXPECT_DEATH(
        {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
            GetMessageA(&msg, nullptr, 0, 0);
        },
        "wait forever");
}

TEST_F(HeadlessUser, AWindowOwnsItsRegion) {
    const HWND h = popup(0, 0, 10, 10);
    const size_t before = headless::liveGdiObjects().regions;
    const HRGN first = CreateRectRgn(0, 0, 1, 1);
    const HRGN second = CreateRectRgn(0, 0, 2, 2);
    EXPECT_EQ(SetWindowRgn(h, first, TRUE), 1);
    EXPECT_EQ(headless::windowInfo(h).region, first);
    EXPECT_EQ(SetWindowRgn(h, second, TRUE), 1);
    EXPECT_EQ(headless::findObject(first, headless::ObjectKind::Region), nullptr) << "the old region is deleted";
    EXPECT_EQ(headless::liveGdiObjects().regions, before + 1);
    EXPECT_EQ(SetWindowRgn(h, reinterpret_cast<HRGN>(h), TRUE), 0) << "not a region";
    DestroyWindow(h);
    EXPECT_EQ(headless::liveGdiObjects().regions, before) << "destroyed with the window";
}

TEST_F(HeadlessUser, TheLogRecordsRegionChangesAndSurvivesTheWindow) {
    const HWND h = popup(0, 0, 10, 10);
    headless::clearMessageLog();
    SetWindowRgn(h, nullptr, TRUE);
    DestroyWindow(h);
    std::vector<UINT> messages;
    for (const headless::LoggedMessage& m : headless::messagesOf(h)) messages.push_back(m.message);
    // Wine: a new region recalculates and redraws the frame; it never resizes.
    const std::vector<UINT> expected = {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_NCPAINT, WM_WINDOWPOSCHANGED,
                                        WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,  // hidden
                                        WM_NCACTIVATE,        WM_ACTIVATE, WM_ACTIVATEAPP,
                                        WM_KILLFOCUS,         WM_DESTROY,  WM_NCDESTROY};
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(headless::liveWindowCount(), 0u);
}

TEST_F(HeadlessUser, TheTimerWindowIsTheOwnersHiddenChildAndDiesWithIt) {
    auto owner = std::make_unique<td::FrameWindow>();
    owner->create(nullptr, "owner", WS_POPUP, 0, 0, 40, 40, 0);
    auto* timer = new td::TimerWindow(owner.get(), 1, nullptr);
    timer->start();
    const HWND h = timer->handle;
    headless::WindowInfo info = headless::windowInfo(h);
    EXPECT_EQ(info.parent, owner->handle);
    EXPECT_EQ(info.style & WS_VISIBLE, 0u);
    ASSERT_EQ(info.timers.size(), 1u);
    EXPECT_EQ(info.timers[0].id, 101u);
    owner.reset();
    EXPECT_FALSE(headless::windowInfo(h).exists);
    EXPECT_EQ(headless::liveWindowCount(), 0u);
}

}  // namespace
