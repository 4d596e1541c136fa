#pragma once
// The framework's window object: it owns one window handle, the windows inside it and the
// keyboard-navigation state, and receives the handle's messages through RouteMessage.

#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace td {

struct TooltipRelay;

class Window {
public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Virtual operations in slot order; derived classes override them by position.
    virtual LRESULT RouteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // 0
    virtual std::string getText();                                                       // 1
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);   // 2
    virtual bool BeforeSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);  // 3
    virtual void AfterSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);   // 4
    virtual LRESULT OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam);          // 5
    virtual LRESULT ForwardToChild(UINT message, WPARAM wParam, LPARAM lParam);              // 6
    virtual void OnFocusGained();                                                            // 7
    virtual void OnFocusLost();                                                              // 8
    virtual void OnGroupEntered();                                                           // 9
    virtual void OnGroupLeft();                                                              // 10
    // The destructor follows the eleven slots, so derived handlers keep their positions after it.
    // It destroys the children completely, then the window, then the tooltip relay. While it
    // runs the object is a plain Window, so DestroyWindow's messages reach Window's own
    // WindowProc and never a handler of a layer already torn down.
    virtual ~Window();

    // Registers a new class for this window and creates it (see window_map.h).
    void create(HWND parentWindow, const std::string& title, DWORD style, int x, int y, int width, int height,
                DWORD exStyle, UINT classStyle, bool group);

    // Focus ring (navigation.cpp).
    int indexOf(HWND window) const;
    void restore();
    void setFocus(HWND window);
    void next(HWND from);
    void prev(HWND from);

    // Takes ownership of a child object; each object is held once.
    void attachChild(Window* child);

    std::vector<HWND> focusRing;
    HWND focusedHandle = nullptr;
    HWND handle = nullptr;
    WNDPROC previousProc = nullptr;
    std::vector<Window*> children;  // owned
    Window* parent = nullptr;       // not owned
    std::unique_ptr<TooltipRelay> relay;
    bool isGroup = false;
    POINT lastRelayPoint{0, 0};

private:
    void step(HWND from, int direction);
};

}  // namespace td
