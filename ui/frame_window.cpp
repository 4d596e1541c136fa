#include "ui/frame_window.h"

#include "ui/message_params.h"

namespace td {
namespace {

// WM_COMMAND from an accelerator: no control, notification code 1.
bool isAccelerator(WPARAM wParam, LPARAM lParam) { return lParam == 0 && highWordOf(wParam) == 1; }

}  // namespace

void FrameWindow::create(HWND parentWindow, const std::string& title, DWORD style, int x, int y, int width,
                         int height, DWORD exStyle) {
    Window::create(parentWindow, title, style, x, y, width, height, exStyle, CS_VREDRAW | CS_HREDRAW, false);
    GetWindowRect(handle, &windowRect);
}

LRESULT FrameWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOVE:          OnMove(xOf(lParam), yOf(lParam)); return 1;
    case WM_SIZE:          OnSize(clientRect()); return 1;
    case WM_ACTIVATE:      OnActivate(wParam, highWordOf(wParam)); return 1;
    case WM_PAINT:         paint(hwnd); return 1;
    case WM_CLOSE:         OnClose(); return 1;
    case WM_ERASEBKGND:    return OnEraseBackground(hwnd, message, wParam, lParam);
    case WM_SHOWWINDOW:    OnShowWindow(wParam, lParam); return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_ACTIVATEAPP:   return OnActivateApp(hwnd, message, wParam, lParam);
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(lParam); return 1;
    case WM_COMMAND:       return isAccelerator(wParam, lParam) ? OnAccelerator(wParam)
                                                                : ForwardToChild(message, wParam, lParam);
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:  return ForwardToChild(message, wParam, lParam);
    case WM_MOUSEMOVE:     OnMouseMove(xOf(lParam), yOf(lParam)); return 1;
    case WM_LBUTTONDOWN:   OnLButtonDown(xOf(lParam), yOf(lParam)); return 1;
    case WM_LBUTTONUP:     OnLButtonUp(xOf(lParam), yOf(lParam)); return 1;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(xOf(lParam), yOf(lParam)); return 1;
    case WM_MOVING:        OnMoving(xOf(lParam), yOf(lParam)); return 1;
    case WM_DEVICECHANGE:  OnDeviceChange(wParam, lParam); return 1;
    case WM_HOTKEY:        OnHotKey(wParam, highWordOf(lParam), lParam); return 1;
    default:               return OnOtherMessage(hwnd, message, wParam, lParam);
    }
}

RECT FrameWindow::clientRect() const {
    RECT rect{0, 0, 0, 0};
    GetClientRect(handle, &rect);
    return rect;
}

// The handler sees the window rectangle of the previous paint; it is measured again afterwards.
void FrameWindow::paint(HWND hwnd) {
    PAINTSTRUCT ps{};
    BeginPaint(hwnd, &ps);
    OnPaint(ps, windowRect);
    EndPaint(hwnd, &ps);
    GetWindowRect(handle, &windowRect);
}

void FrameWindow::OnSize(RECT) {}
void FrameWindow::OnClose() {}
void FrameWindow::OnMouseMove(int, int) {}
void FrameWindow::OnLButtonDown(int, int) {}
void FrameWindow::OnLButtonUp(int, int) {}
void FrameWindow::OnMove(int, int) {}
void FrameWindow::OnMoving(int, int) {}
void FrameWindow::OnDeviceChange(WPARAM, LPARAM) {}
void FrameWindow::OnActivate(WPARAM, WORD) {}
void FrameWindow::OnPaint(PAINTSTRUCT, RECT) {}
void FrameWindow::OnGetMinMaxInfo(LPARAM) {}
void FrameWindow::OnShowWindow(WPARAM, LPARAM) {}
void FrameWindow::OnHotKey(WPARAM, WORD, LPARAM) {}
void FrameWindow::OnLButtonDblClk(int, int) {}
LRESULT FrameWindow::OnAccelerator(WPARAM) { return 0; }

LRESULT FrameWindow::OnActivateApp(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT FrameWindow::OnEraseBackground(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT FrameWindow::OnOtherMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace td
