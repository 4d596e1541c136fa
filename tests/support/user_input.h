#pragma once
// Input as a user gives it, for tests that hold the window system's routing of it: on Windows
// (and Wine) through SendInput, the pointer first moved to the point, so that the window system
// itself finds the window; on the stand-in through its queue of input, given the window that is
// under the point.

#include "platform/win32.h"
#ifndef _WIN32
#include "platform/headless/inspect_user.h"
#endif

namespace probe {

// A mouse message's worth of input at client point (x, y) of `over`: WM_MOUSEMOVE,
// WM_LBUTTONDOWN or WM_LBUTTONUP.
inline void sendMouse(HWND over, UINT message, int x, int y) {
#ifdef _WIN32
    POINT at{x, y};
    ClientToScreen(over, &at);
    // Absolute coordinates run from 0 to 65535 over the screen; rounding up lands on the pixel.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (at.x * 65536 + width - 1) / width;
    in.mi.dy = (at.y * 65536 + height - 1) / height;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (message == WM_LBUTTONDOWN) in.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    if (message == WM_LBUTTONUP) in.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
#else
    headless::postMouse(over, message, x, y);
#endif
}

// A key pressed or released, for the window with the keyboard focus.
inline void sendKey(int virtualKey, bool down) {
#ifdef _WIN32
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(virtualKey);
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
#else
    headless::postKey(virtualKey, down);
#endif
}

}  // namespace probe
