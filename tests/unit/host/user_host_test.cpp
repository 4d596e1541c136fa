// The stand-in's message queue: waiting on the virtual clock, the wait hook, and input that
// changes the key and button state only as it is taken from the queue.

#include <gtest/gtest.h>

#include "platform/headless/inspect_user.h"
#include "platform/win32.h"
#include "support/probe_window.h"

namespace {

using probe::drain;
using probe::plainWindow;

TEST(StandInQueue, WaitingRunsTheHookAndOtherwiseJumpsToTheNextTimer) {
    const HWND h = plainWindow(WS_POPUP, 0, 0, 10, 10, nullptr);
    drain();
    int waits = 0;
    headless::setWaitHook([&] {
        if (++waits == 1) PostMessageA(h, WM_USER + 3, 7, 0);
    });
    const uint64_t start = headless::now();
    MSG msg;
    ASSERT_EQ(SetTimer(h, 9, 40, nullptr), 9u);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3)) << "the hook's message comes first";
    EXPECT_EQ(headless::now(), start) << "and no time passed for it";
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_EQ(headless::now(), start + 40);
    EXPECT_EQ(waits, 2);
    headless::setWaitHook(nullptr);
    KillTimer(h, 9);
    DestroyWindow(h);
}

TEST(StandInQueueDeathTest, AWaitThatCouldNeverEndAborts) {
    EXPECT_DEATH(
        {
            drain();
            MSG msg;
            GetMessageA(&msg, nullptr, WM_USER, WM_USER);
        },
        "would wait forever");
}

TEST(StandInQueue, InputChangesStateWhenTakenAndFollowsTheCapture) {
    const HWND top = plainWindow(WS_POPUP | WS_VISIBLE, 100, 50, 80, 80, nullptr);
    const HWND child = plainWindow(WS_CHILD | WS_VISIBLE, 10, 20, 30, 30, top);
    drain();
    SetCapture(child);
    headless::postMouse(top, WM_LBUTTONDOWN, 5, 6);
    headless::postKey(VK_RSHIFT, true);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x80, 0) << "a peek leaves the state alone";

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, child) << "the captured window takes the press";
    EXPECT_EQ(msg.lParam, MAKELPARAM(-5, -14)) << "in its own client coordinates";
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_NE(GetKeyState(VK_LBUTTON) & 0x80, 0);
    EXPECT_EQ(GetKeyState(VK_RSHIFT) & 0x80, 0) << "the key is still queued";

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_SHIFT));
    EXPECT_NE(GetKeyState(VK_RSHIFT) & 0x80, 0);
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x80, 0);

    headless::postKey(VK_RSHIFT, false);
    headless::postMouse(top, WM_LBUTTONUP, 5, 6);
    drain();
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x80, 0);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x80, 0);
    ReleaseCapture();
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(child));
}

}  // namespace
