#pragma once
// A window whose messages are cracked into calls of typed handlers. Derived classes override the
// handlers they need; every default does nothing or what DefWindowProcA does.

#include "ui/window.h"

namespace td {

class FrameWindow : public Window {
public:
    // Creates the window with class style CS_VREDRAW | CS_HREDRAW, not a navigation group, and
    // records its rectangle.
    void create(HWND parentWindow, const std::string& title, DWORD style, int x, int y, int width, int height,
                DWORD exStyle);

    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;  // 2

    // Handlers in slot order, after Window's eleven. x and y are client coordinates.
    virtual void OnSize(RECT clientRect);                                                   // 11
    virtual void OnClose();                                                                 // 12
    virtual void OnMouseMove(int x, int y);                                                 // 13
    virtual void OnLButtonDown(int x, int y);                                               // 14
    virtual void OnLButtonUp(int x, int y);                                                 // 15
    virtual void OnMove(int x, int y);                                                      // 16
    virtual void OnMoving(int x, int y);                                                    // 17
    virtual void OnDeviceChange(WPARAM wParam, LPARAM lParam);                              // 18
    virtual void OnActivate(WPARAM wParam, WORD state);                                     // 19
    virtual void OnPaint(PAINTSTRUCT paint, RECT previousWindowRect);                       // 20
    virtual void OnGetMinMaxInfo(LPARAM lParam);                                            // 21
    virtual void OnShowWindow(WPARAM wParam, LPARAM lParam);                                // 22
    virtual void OnHotKey(WPARAM wParam, WORD virtualKey, LPARAM lParam);                   // 23
    virtual void OnLButtonDblClk(int x, int y);                                             // 24
    virtual LRESULT OnAccelerator(WPARAM wParam);                                           // 25
    virtual LRESULT OnActivateApp(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);   // 26
    virtual LRESULT OnEraseBackground(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // 27
    virtual LRESULT OnOtherMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // 28

    RECT windowRect{0, 0, 0, 0};  // screen coordinates, as of the last GetWindowRect

private:
    RECT clientRect() const;
    void paint(HWND hwnd);
};

}  // namespace td
