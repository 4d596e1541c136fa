// How the window system routes input, checked the same way on both builds: on Windows the input
// goes through SendInput and the window system finds its window; the stand-in must agree.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/probe_window.h"
#include "support/user_input.h"

namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool held;  // GetKeyState of the left button (mouse) or of Shift (keys) as the window saw it
    bool operator==(const Seen& o) const {
        return window == o.window && message == o.message && wParam == o.wParam && lParam == o.lParam &&
               held == o.held;
    }
};
std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << s.window << " 0x" << std::hex << s.message << " wp " << s.wParam << " lp " << s.lParam << std::dec
              << (s.held ? " held" : " up");
}

std::vector<Seen> seen;
std::map<HWND, LPARAM> lastPoint;

// Takes the capture on a press and gives it up on the release, as a drag does. A move to where
// the window last saw the pointer is not recorded: under Wine the X server's own report of a
// pointer that SendInput placed can come later, and moves nothing.
LRESULT CALLBACK dragProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) {
        const auto last = lastPoint.find(h);
        if (m != WM_MOUSEMOVE || last == lastPoint.end() || last->second != l)
            seen.push_back({h, m, w, l, GetKeyState(VK_LBUTTON) < 0});
        lastPoint[h] = l;
    } else if (m == WM_KEYDOWN || m == WM_KEYUP) {
        seen.push_back({h, m, w, l, GetKeyState(VK_SHIFT) < 0});
    }
    if (m == WM_LBUTTONDOWN) SetCapture(h);
    if (m == WM_LBUTTONUP) ReleaseCapture();
    return DefWindowProcA(h, m, w, l);
}

TEST(UserInput, ACaptureTakesTheDragAndItsReleaseMovesThePointerOnToTheWindowBelow) {
    static const bool registered = probe::registerClass("tdDragProbe", dragProc);
    ASSERT_TRUE(registered);
    const HWND a = CreateWindowExA(0, "tdDragProbe", "a", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    const HWND b = CreateWindowExA(0, "tdDragProbe", "b", WS_POPUP | WS_VISIBLE, 300, 100, 50, 50, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(a && b);
    lastPoint.clear();
    SetForegroundWindow(a);
    probe::drain();
    const LPARAM keyUp = static_cast<LPARAM>(static_cast<int32_t>(0xC0000001u));
    struct Step {
        HWND over;  // null for a key
        UINT message;
        int x, y;  // client point of `over`, or the key and whether it goes down
        std::vector<Seen> expected;
    };
    const Step steps[] = {
        {a, WM_MOUSEMOVE, 5, 5, {{a, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), false}}},
        {a, WM_LBUTTONDOWN, 5, 5, {{a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), true}}},
        // Over b, but a holds the capture: a gets the move in its own client coordinates.
        {b, WM_MOUSEMOVE, 10, 10, {{a, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(210, 10), true}}},
        // The button is up in its own release; giving up the capture brings b a move.
        {b,
         WM_LBUTTONUP,
         10,
         10,
         {{a, WM_LBUTTONUP, 0, MAKELPARAM(210, 10), false}, {b, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10), false}}},
        {b, WM_MOUSEMOVE, 1, 2, {{b, WM_MOUSEMOVE, 0, MAKELPARAM(1, 2), false}}},
        // Either Shift key arrives as VK_SHIFT, for the active window, and sets Shift's state.
        {nullptr, WM_KEYDOWN, VK_RSHIFT, 1, {{a, WM_KEYDOWN, VK_SHIFT, 1, true}}},
        {nullptr, WM_KEYUP, VK_RSHIFT, 0, {{a, WM_KEYUP, VK_SHIFT, keyUp, false}}},
    };
    for (const Step& step : steps) {
        seen.clear();
        if (step.over) probe::sendMouse(step.over, step.message, step.x, step.y);
        else probe::sendKey(step.x, step.y != 0);
        probe::drain();
        EXPECT_EQ(seen, step.expected) << "after input 0x" << std::hex << step.message << " at " << std::dec
                                       << step.x << ", " << step.y;
    }
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(a);
    DestroyWindow(b);
}

}  // namespace
