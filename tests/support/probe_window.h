#pragma once
// A plain window for tests that look at the window system itself: one class of the tests' own
// whose procedure is DefWindowProcA, registered on first use.

#include <gtest/gtest.h>

#include "platform/win32.h"

namespace probe {

inline LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

inline HWND plainWindow(DWORD style, int x, int y, int width, int height, HWND parent) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = plainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "tdPlainProbe";
        return RegisterClassExA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExA(0, "tdPlainProbe", "", style, x, y, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Dispatches everything queued.
inline void drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace probe
