// Input in the stand-in's USER layer: queued mouse and keyboard input, the key and button
// state, mouse capture, keyboard focus and activation.

#include <cstring>

#include "platform/headless/user_internal.h"

namespace headless {
namespace {

void setKey(int vk, bool down) {
    BYTE& k = state().keys[vk & 0xFF];
    if (down && !(k & 0x80)) k ^= 0x01;  // the toggle bit flips on every press
    k = static_cast<BYTE>(down ? (k | 0x80) : (k & ~0x80));
}

int buttonKey(UINT message) {
    return message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? VK_RBUTTON : VK_LBUTTON;
}

// Whether a visible window takes the pointer at a screen point: inside its rectangle and, when
// it has one, its region (in window coordinates).
bool takesPointer(const Wnd& w, POINT screen) {
    if (!(w.style & WS_VISIBLE) || screen.x < w.windowRect.left || screen.x >= w.windowRect.right ||
        screen.y < w.windowRect.top || screen.y >= w.windowRect.bottom)
        return false;
    return !w.region || PtInRegion(w.region, screen.x - w.windowRect.left, screen.y - w.windowRect.top);
}

// The innermost of `windows` (and their children) under the pointer, or null. The stand-in
// keeps no z-order: a window made later lies above those made before it, as a new window does
// until something is raised.
HWND windowAt(const std::vector<HWND>& windows, POINT screen) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const Wnd* w = find(*it);
        if (!w || !takesPointer(*w, screen)) continue;
        const HWND inner = windowAt(w->children, screen);
        return inner ? inner : w->handle;
    }
    return nullptr;
}

// Mouse input at a screen point, for the window under it (the capture, if any, takes it when it
// is taken from the queue).
void queueMouse(HWND window, UINT message, POINT screen) {
    Input in{};
    in.mouse = true;
    in.window = window;
    in.message = message;
    in.screen = screen;
    state().input.push_back(in);
    bump();
}

}  // namespace

void setFocusWindow(HWND h) {
    UserState& s = state();
    const HWND previous = s.focus;
    if (previous == h) return;
    s.focus = h;
    if (previous) deliver(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(h), 0);
    if (h && find(h)) deliver(h, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
}

void activate(HWND h) {
    UserState& s = state();
    if (s.active == h) return;
    const HWND previous = s.active;
    if (previous) {
        deliver(previous, WM_NCACTIVATE, FALSE, 0);
        deliver(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(h));
    }
    s.active = h;
    if (!previous)
        for (HWND top : topLevelWindows()) deliver(top, WM_ACTIVATEAPP, TRUE, 0);
    deliver(h, WM_NCACTIVATE, TRUE, 0);
    deliver(h, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
    if (s.active == h && find(h) && !within(s.focus, h)) setFocusWindow(h);
}

void deactivate(HWND h) {
    UserState& s = state();
    if (s.active != h) return;
    s.active = nullptr;
    deliver(h, WM_NCACTIVATE, FALSE, 0);
    deliver(h, WM_ACTIVATE, WA_INACTIVE, 0);
    for (HWND top : topLevelWindows()) deliver(top, WM_ACTIVATEAPP, FALSE, 0);
    if (within(s.focus, h)) setFocusWindow(nullptr);
}

WPARAM mouseKeyFlags() {
    const BYTE* k = state().keys;
    WPARAM flags = 0;
    if (k[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
    if (k[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
    if (k[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
    if (k[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
    return flags;
}

bool routeInput(const Input& in, MSG& msg) {
    UserState& s = state();
    msg = MSG{};
    msg.message = in.message;
    msg.time = static_cast<DWORD>(s.clock);
    if (in.mouse) {
        msg.hwnd = s.capture ? s.capture : in.window;
        Wnd* w = find(msg.hwnd);
        if (!w) return false;
        msg.lParam = pointParam(in.screen.x - w->clientRect.left, in.screen.y - w->clientRect.top);
        msg.pt = in.screen;
    } else {
        msg.hwnd = s.focus ? s.focus : s.active;
        const bool sided = in.virtualKey == VK_LSHIFT || in.virtualKey == VK_RSHIFT;
        msg.wParam = static_cast<WPARAM>(sided ? VK_SHIFT : in.virtualKey);
        msg.lParam = in.down ? 1 : static_cast<LPARAM>(static_cast<int32_t>(0xC0000001u));
        msg.pt = s.cursor;
    }
    return true;
}

void applyInput(const Input& in) {
    UserState& s = state();
    if (in.mouse) {
        s.cursor = in.screen;
        if (in.message != WM_MOUSEMOVE)
            setKey(buttonKey(in.message), in.message == WM_LBUTTONDOWN || in.message == WM_RBUTTONDOWN);
    } else {
        setKey(in.virtualKey, in.down);
        if (in.virtualKey == VK_LSHIFT || in.virtualKey == VK_RSHIFT) setKey(VK_SHIFT, in.down);
    }
}

void postMouse(HWND window, UINT message, int x, int y) {
    if (Wnd* w = find(window)) queueMouse(window, message, POINT{w->clientRect.left + x, w->clientRect.top + y});
}

void postKey(int virtualKey, bool down) {
    Input in{};
    in.mouse = false;
    in.message = down ? WM_KEYDOWN : WM_KEYUP;
    in.virtualKey = virtualKey;
    in.down = down;
    state().input.push_back(in);
    bump();
}

}  // namespace headless

using namespace headless;

HWND SetCapture(HWND h) {
    UserState& s = state();
    const HWND previous = s.capture;
    if (!find(h)) return previous;
    s.capture = h;
    if (previous && previous != h) deliver(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(h));
    return previous;
}

BOOL ReleaseCapture() {
    UserState& s = state();
    const HWND previous = s.capture;
    s.capture = nullptr;
    if (!previous) return TRUE;
    deliver(previous, WM_CAPTURECHANGED, 0, 0);
    // The window under the pointer may have missed moves while another held the capture: it
    // gets a move of its own where the pointer stands, queued as input.
    if (const HWND under = windowAt(topLevelWindows(), s.cursor)) queueMouse(under, WM_MOUSEMOVE, s.cursor);
    return TRUE;
}

HWND GetCapture() { return state().capture; }

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    *point = state().cursor;
    return TRUE;
}

HWND SetFocus(HWND h) {
    UserState& s = state();
    const HWND previous = s.focus;
    if (!h) {
        setFocusWindow(nullptr);
        return previous;
    }
    Wnd* w = find(h);
    if (!w) return nullptr;
    if (h == s.focus) return previous;
    for (Wnd* up = w; up; up = up->isChild() ? find(up->parent) : nullptr)
        if (up->style & (WS_DISABLED | WS_MINIMIZE)) return nullptr;
    const HWND root = rootOf(h);
    if (root != s.active) activate(root);
    if (!find(h)) return nullptr;
    const HWND before = s.focus;
    setFocusWindow(h);
    return before ? before : previous;
}

HWND GetFocus() { return state().focus; }
HWND GetActiveWindow() { return state().active; }

BOOL SetForegroundWindow(HWND h) {
    const HWND root = rootOf(h);
    if (!root) return FALSE;
    activate(root);
    return TRUE;
}

HWND GetForegroundWindow() { return state().active; }

SHORT GetKeyState(int virtualKey) {
    // The state byte, sign-extended: pressed keys read as negative.
    return static_cast<SHORT>(static_cast<signed char>(state().keys[virtualKey & 0xFF]));
}

BOOL GetKeyboardState(BYTE* keys) {
    if (!keys) return FALSE;
    std::memcpy(keys, state().keys, sizeof state().keys);
    return TRUE;
}

BOOL SetKeyboardState(BYTE* keys) {
    if (!keys) return FALSE;
    std::memcpy(state().keys, keys, sizeof state().keys);
    return TRUE;
}
