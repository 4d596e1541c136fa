#include "ui/window.h"

#include <algorithm>

#include "ui/message_params.h"
#include "ui/navigation.h"
#include "ui/window_map.h"

namespace td {

Window::Window() = default;

Window::~Window() {
    for (Window* child : children) delete child;
    children.clear();
    // Only a window still bound to this object is ours to destroy: once WM_DESTROY has been
    // handled the handle is dead and its value may already name another window.
    const auto bound = windowMap().find(handle);
    if (handle && bound != windowMap().end() && bound->second == this) DestroyWindow(handle);
    if (relay) {
        relay->text.reset();
        if (relay->tooltip) DestroyWindow(relay->tooltip);
        relay.reset();
    }
    unbindWindow(this);
}

void Window::create(HWND parentWindow, const std::string& title, DWORD style, int x, int y, int width, int height,
                    DWORD exStyle, UINT classStyle, bool group) {
    handle = createWindowObject(this, std::string(), title, style, exStyle, x, y, width, height, parentWindow,
                                classStyle);
    isGroup = group;
}

void Window::attachChild(Window* child) {
    if (child && std::find(children.begin(), children.end(), child) == children.end()) children.push_back(child);
}

LRESULT Window::RouteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (navigationFilter(*this, hwnd, message, wParam, lParam)) return 0;
    relayTooltip(*this, message, wParam, lParam);
    if (!previousProc) return WindowProc(hwnd, message, wParam, lParam);
    if (!BeforeSubclassProc(hwnd, message, wParam, lParam)) return 0;
    const LRESULT result = CallWindowProcA(previousProc, hwnd, message, wParam, lParam);
    AfterSubclassProc(hwnd, message, wParam, lParam);
    return result;
}

std::string Window::getText() {
    if (!handle) return std::string();
    char text[256] = {};
    SendMessageA(handle, WM_GETTEXT, 255, asLParam(text));
    text[254] = '\0';
    return std::string(text);
}

LRESULT Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool Window::BeforeSubclassProc(HWND, UINT, WPARAM, LPARAM) { return true; }
void Window::AfterSubclassProc(HWND, UINT, WPARAM, LPARAM) {}

LRESULT Window::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(GetParent(handle), message, wParam, lParam);
}

LRESULT Window::ForwardToChild(UINT message, WPARAM wParam, LPARAM lParam) {
    for (Window* child : children) {
        if (!child) continue;
        bool matches;
        if (message == WM_NOTIFY) {
            if (wParam == 0) continue;
            const LONG id = child->handle ? GetWindowLongA(child->handle, GWL_ID) : 0;
            matches = id == static_cast<LONG>(lowWordOf(wParam));
        } else {
            matches = child->handle == windowOf(lParam);
        }
        if (matches) return child->OnReflectedMessage(message, wParam, lParam);
    }
    return 0;
}

void Window::OnFocusGained() {}
void Window::OnFocusLost() {}
void Window::OnGroupEntered() {}
void Window::OnGroupLeft() {}

}  // namespace td
