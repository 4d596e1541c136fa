#pragma once
// What tests may ask of, and do to, the USER part of the headless stand-in: input through the
// queue, the virtual clock, a hook for the moments the message loop would wait, and the state
// of windows (messages received, region, timers). Only tests include this header.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless/fault.h"
#include "platform/win32.h"

namespace headless {

// Queues mouse input as the pointer would produce it at client position (x, y) of `window`:
// message is WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN or WM_RBUTTONUP. When
// the message is taken from the queue the button state is updated and, while a window has the
// capture, the message goes to that window with the point in its client coordinates.
void postMouse(HWND window, UINT message, int x, int y);
// Queues a key press or release for the focus window (or the active window when nothing has the
// focus). VK_LSHIFT and VK_RSHIFT arrive as VK_SHIFT and also set the sided key's state. The key
// state changes when the message is taken from the queue, as on Windows.
void postKey(int virtualKey, bool down);

// The virtual clock in milliseconds. Timers fall due against it; nothing ever sleeps.
uint64_t now();
void advanceClock(uint32_t milliseconds);

// Runs whenever GetMessageA finds nothing to return. The hook may post input, post messages or
// advance the clock. When it adds nothing, the clock jumps to the next timer as a real wait
// would; when no timer exists either, nothing could ever arrive and the process aborts with a
// message instead of hanging.
void setWaitHook(std::function<void()> hook);

struct LoggedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// Every message handed to a window procedure by the system, in order, for every window (dead
// windows included) since the last clear.
const std::vector<LoggedMessage>& messageLog();
std::vector<LoggedMessage> messagesOf(HWND window);
void clearMessageLog();

struct TimerInfo {
    UINT_PTR id;
    UINT interval;  // as stored, after Windows' clamping to USER_TIMER_MINIMUM
};
struct WindowInfo {
    bool exists = false;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    RECT windowRect{};  // screen coordinates
    RECT clientRect{};  // client coordinates
    HRGN region = nullptr;  // the region the window owns since SetWindowRgn
    std::vector<TimerInfo> timers;
    bool needsPaint = false;
};
WindowInfo windowInfo(HWND window);
size_t liveWindowCount();

// Failures of USER calls on request (see fault.h for the patterns).
struct UserFaults {
    Fault createWindow;  // CreateWindowExA returns null before the window exists or hears anything
    Fault setTimer;      // SetTimer returns 0 and leaves the window's timers as they were
};
UserFaults& userFaults();

// Forgets every window (without messages), queued message, timer, focus, capture, key state,
// the wait hook and every fault. Registered classes stay, as they do for the life of a process.
void resetUserState();

}  // namespace headless
