#include "ui/navigation.h"

#include <cstddef>
#include <cstring>

#include "ui/message_params.h"
#include "ui/window.h"

namespace td {
namespace {

bool pressed(int virtualKey) { return (GetKeyState(virtualKey) & 0x80) != 0; }

// The owned child object whose window is h; null handles name no child.
Window* childWithHandle(Window& window, HWND h) {
    if (!h) return nullptr;
    for (Window* child : window.children)
        if (child && child->handle == h) return child;
    return nullptr;
}

void leaveChildGroup(Window& window, HWND h) {
    if (Window* child = childWithHandle(window, h); child && child->isGroup) child->OnGroupLeft();
}

void navigateUp(Window& window, LPARAM code) {
    SendMessageA(window.parent->handle, WM_NAVIGATE, asWParam(window.handle), code);
}

bool hasParentWindow(const Window& window) { return window.parent && window.parent->handle; }

// Tab (code 0) or Shift+Tab (code 1) announced by the child `from`.
void navigateStep(Window& window, HWND from, LPARAM code) {
    if (window.isGroup) {
        if (!window.parent) return;
        window.OnGroupLeft();
        navigateUp(window, code);
        return;
    }
    if (window.indexOf(from) < 0) {
        window.restore();
        return;
    }
    leaveChildGroup(window, from);
    if (code == kNavigatePrevious)
        window.prev(from);
    else
        window.next(from);
}

void navigateEntered(Window& window, HWND child) {
    if (window.focusedHandle != child) leaveChildGroup(window, window.focusedHandle);
    if (!window.isGroup) {
        window.setFocus(child);
        return;
    }
    if (!window.parent) return;
    navigateUp(window, kNavigateEntered);
    window.OnGroupEntered();
}

bool onNavigate(Window& window, WPARAM wParam, LPARAM code) {
    const HWND asking = windowOf(wParam);
    if (code == kNavigateEntered)
        navigateEntered(window, asking);
    else if (code == kNavigateNext || code == kNavigatePrevious)
        navigateStep(window, asking, code);
    return true;
}

bool onKeyDown(HWND hwnd, WPARAM virtualKey) {
    if (virtualKey != VK_TAB) return false;
    const bool shift = pressed(VK_LSHIFT) || pressed(VK_RSHIFT);
    SendMessageA(GetParent(hwnd), WM_NAVIGATE, asWParam(hwnd), shift ? kNavigatePrevious : kNavigateNext);
    return true;
}

bool onSetFocus(Window& window) {
    if (window.isGroup) {
        window.OnGroupEntered();
        window.restore();
        return true;
    }
    window.restore();
    window.OnFocusGained();
    return false;
}

bool onKillFocus(Window& window, HWND gaining) {
    if (window.isGroup) {
        if (gaining && window.indexOf(gaining) >= 0) return false;
        window.OnGroupLeft();
        return true;
    }
    window.OnFocusLost();
    return false;
}

void onLButtonDown(Window& window) {
    if (hasParentWindow(window))
        SendMessageA(window.parent->handle, WM_NAVIGATE, asWParam(window.handle), kNavigateEntered);
    else
        window.restore();
}

void relayEvent(const TooltipRelay& relay, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = relay.owner;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendMessageA(relay.tooltip, TTM_RELAYEVENT, 0, asLParam(&msg));
}

bool isZero(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

}  // namespace

bool navigationFilter(Window& window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:     return onKeyDown(hwnd, wParam);
    case WM_SETFOCUS:    return onSetFocus(window);
    case WM_KILLFOCUS:   return onKillFocus(window, windowOf(wParam));
    case WM_LBUTTONDOWN: onLButtonDown(window); return false;
    case WM_NAVIGATE:    return onNavigate(window, wParam, lParam);
    default:             return false;
    }
}

void relayTooltip(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    TooltipRelay* relay = window.relay.get();
    if (!relay) return;
    const bool connected = relay->owner && relay->tooltip;
    switch (message) {
    case WM_MOUSEMOVE: {
        POINT screen{xOf(lParam), yOf(lParam)};
        ClientToScreen(window.handle, &screen);
        if (screen.x == window.lastRelayPoint.x || screen.y == window.lastRelayPoint.y) return;
        if (!connected) return;
        relayEvent(*relay, message, wParam, lParam);
        window.lastRelayPoint = screen;
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (connected) relayEvent(*relay, message, wParam, lParam);
        return;
    case WM_SIZE:
        updateTool(window, "", RECT{0, 0, 0, 0});
        return;
    default:
        return;
    }
}

void updateTool(Window& window, const char* text, const RECT& rect) {
    TooltipRelay* relay = window.relay.get();
    if (!relay || !relay->owner || !relay->tooltip) return;
    relay->rect = rect;
    if (isZero(rect)) GetClientRect(relay->owner, &relay->rect);
    if (text && *text) {
        const size_t length = std::strlen(text);
        relay->text = std::make_unique<char[]>(length + 1);
        std::memcpy(relay->text.get(), text, length + 1);
    }
    if (!relay->text) return;
    TOOLINFOA info{};
    // The size of the record up to and including lParam: what every comctl32 version accepts.
    info.cbSize = static_cast<UINT>(offsetof(TOOLINFOA, lParam) + sizeof(info.lParam));
    info.uFlags = 0;
    info.hwnd = relay->owner;
    info.uId = 0;
    info.rect = relay->rect;
    info.hinst = GetModuleHandleA(nullptr);
    info.lpszText = relay->text.get();
    SendMessageA(relay->tooltip, TTM_SETTOOLINFOA, 0, asLParam(&info));
}

int Window::indexOf(HWND window) const {
    for (size_t i = 0; i < focusRing.size(); ++i)
        if (focusRing[i] == window) return static_cast<int>(i);
    return -1;
}

void Window::restore() {
    if (!focusedHandle || GetForegroundWindow() == focusedHandle || GetFocus() == focusedHandle) return;
    SetFocus(focusedHandle);
    SetForegroundWindow(focusedHandle);
}

void Window::setFocus(HWND window) {
    if (indexOf(window) < 0 || window == focusedHandle) return;
    focusedHandle = window;
    SetFocus(window);
    SetForegroundWindow(window);
}

void Window::next(HWND from) { step(from, 1); }
void Window::prev(HWND from) { step(from, -1); }

// Walks the ring from `from` to the next window that is enabled and visible, wrapping at either
// end; a full circle without one lands on `from` itself.
void Window::step(HWND from, int direction) {
    const int start = indexOf(from);
    if (start < 0) return;
    const int count = static_cast<int>(focusRing.size());
    int i = start;
    do {
        i = (i + direction + count) % count;
    } while (i != start && !(IsWindowEnabled(focusRing[i]) && IsWindowVisible(focusRing[i])));
    focusedHandle = focusRing[i];
    SetFocus(focusedHandle);
}

}  // namespace td
