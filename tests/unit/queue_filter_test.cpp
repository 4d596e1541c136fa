// Which queued messages a window filter of GetMessageA and PeekMessageA lets through: posted
// messages of the window and of the windows inside it, never thread messages, and only the
// window's own timers. Checked alike on both builds.

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/probe_window.h"

namespace {

using probe::drain;
using probe::plainWindow;

TEST(QueueFilter, AWindowFilterTakesItsChildrensMessagesButNoThreadMessages) {
    const HWND top = plainWindow(WS_POPUP, 0, 0, 40, 40, nullptr);
    const HWND child = plainWindow(WS_CHILD, 0, 0, 40, 40, top);
    const HWND grandchild = plainWindow(WS_CHILD, 0, 0, 40, 40, child);
    const HWND other = plainWindow(WS_POPUP, 0, 0, 40, 40, nullptr);
    drain();
    MSG msg;

    ASSERT_TRUE(PostMessageA(grandchild, WM_USER + 1, 1, 0));
    ASSERT_TRUE(PostMessageA(other, WM_USER + 2, 2, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 3, 0));
    ASSERT_TRUE(PeekMessageA(&msg, top, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, grandchild);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&msg, top, 0, 0, PM_REMOVE)) << "neither another window's nor the thread's";
    EXPECT_FALSE(PeekMessageA(&msg, child, WM_USER + 2, WM_USER + 3, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, other, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);

    // Timers, though, answer a filter for their own window only: the parent's slower timer
    // comes back while the child's, due long before, stays queued.
    ASSERT_EQ(SetTimer(child, 4, 10, nullptr), 4u);
    ASSERT_EQ(SetTimer(top, 5, 200, nullptr), 5u);
    ASSERT_TRUE(GetMessageA(&msg, top, WM_TIMER, WM_TIMER));
    EXPECT_EQ(msg.hwnd, top);
    EXPECT_EQ(msg.wParam, 5u);
    KillTimer(top, 5);
    ASSERT_TRUE(PeekMessageA(&msg, child, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 4u);
    KillTimer(child, 4);

    // A child that needs painting answers a wait on its parent.
    ShowWindow(top, SW_SHOWNA);
    ShowWindow(child, SW_SHOWNA);
    drain();
    InvalidateRect(child, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, top, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, child);
    ValidateRect(child, nullptr);
    DestroyWindow(other);
    DestroyWindow(top);
    drain();
}

}  // namespace
