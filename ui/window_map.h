#pragma once
// Window classes, window creation and the process-wide map from window handles to the objects
// that receive their messages.

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace td {

class Window;

// Handles compare as unsigned numbers.
struct HandleLess {
    bool operator()(HWND a, HWND b) const {
        return reinterpret_cast<uintptr_t>(a) < reinterpret_cast<uintptr_t>(b);
    }
};
using WindowMap = std::map<HWND, Window*, HandleLess>;

// Made on first use, destroyed at process exit. Holds no ownership.
WindowMap& windowMap();

// Registers a class that uses ClassWindowProc. An empty name takes the next number of the
// process-wide counter (200, 201, ...). Returns the name used.
std::string registerWindowClass(const std::string& name, UINT classStyle);

// Creates a window (registering a new class when className is empty) and binds it to object once
// CreateWindowExA has returned: creation messages go to DefDlgProcA.
HWND createWindowObject(Window* object, std::string className, const std::string& windowName, DWORD style,
                        DWORD exStyle, int x, int y, int width, int height, HWND parent, UINT classStyle);

// Removes every binding that still names object.
void unbindWindow(const Window* object);

// The window procedure of every class: the bound object's RouteMessage, or DefDlgProcA. The
// binding ends once WM_DESTROY has been handled.
LRESULT CALLBACK ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace td
