#pragma once
// A plain window for tests that look at the window system itself: one class of the tests' own
// whose procedure is DefWindowProcA, registered on first use.

#include <gtest/gtest.h>

#include "platform/win32.h"

namespace probe {

inline LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

// Registers a window class of the tests' own with the given procedure; true when it worked.
inline bool registerClass(const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

inline HWND plainWindow(DWORD style, int x, int y, int width, int height, HWND parent) {
    static const bool registered = registerClass("tdPlainProbe", plainProc);
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
