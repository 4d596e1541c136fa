#pragma once
// Keyboard navigation between windows (Tab and Shift+Tab), navigation groups, and the relay
// that feeds a tooltip control with the mouse messages of its owner.

#include <memory>

#include "platform/win32.h"

namespace td {

class Window;

// Sent to a window's parent: wParam is the asking window, lParam one of the codes below.
constexpr UINT WM_NAVIGATE = 0x0BD5;
constexpr LPARAM kNavigateNext = 0;     // Tab
constexpr LPARAM kNavigatePrevious = 1;  // Shift+Tab
constexpr LPARAM kNavigateEntered = 2;   // the asking window was clicked or entered

struct TooltipRelay {
    HWND owner = nullptr;    // the tool's window, whose messages are relayed
    HWND tooltip = nullptr;  // the tooltip control
    std::unique_ptr<char[]> text;
    RECT rect{0, 0, 0, 0};  // the owner's client coordinates
};

// Runs first for every routed message; true means the message is consumed.
bool navigationFilter(Window& window, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Runs second; does nothing while the window has no relay.
void relayTooltip(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
// Gives the tool a new rectangle (all zero: the owner's client area) and, when text is not
// empty, a new text.
void updateTool(Window& window, const char* text, const RECT& rect);

}  // namespace td
