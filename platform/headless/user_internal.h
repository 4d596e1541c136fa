#pragma once
// What the pieces of the stand-in's USER layer share: the state of windows, classes, the
// queue, timers and input, and the helpers more than one piece calls. Only the user_*.cpp
// files include this header.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/gdi_objects.h"
#include "platform/headless/inspect_user.h"
#include "platform/headless/objects.h"

namespace headless {

constexpr uintptr_t kDesktopWindow = 0x10010;
constexpr LONG kScreenWidth = 1280;
constexpr LONG kScreenHeight = 1024;
constexpr uintptr_t kFirstWindow = 0x20002;
constexpr uintptr_t kLastWindow = 0x2FFFE;
constexpr uintptr_t kFirstAccelerator = 0x30000;
constexpr UINT kKeepPlace = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
    ATOM atom = 0;
};

struct Wnd {
    HWND handle = nullptr;
    const WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HWND parent = nullptr;  // the parent of a child, the owner of a top-level window
    std::vector<HWND> children;  // in creation order
    RECT windowRect{};  // screen coordinates
    RECT clientRect{};  // screen coordinates
    bool hasUpdate = false;
    RECT update{};  // client coordinates, the bounding box of what needs painting
    bool erase = false;
    HRGN region = nullptr;
    bool destroying = false;
    bool hiddenWithOwner = false;  // hidden by DefWindowProcA when its owner closed

    bool isChild() const { return (style & WS_CHILD) != 0; }
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT interval;
    TIMERPROC proc;
    uint64_t due;
};

struct Input {
    bool mouse;
    HWND window;  // the window under the pointer for mouse input
    UINT message;
    POINT screen;
    int virtualKey;
    bool down;
};

struct UserState {
    UserState() { setWindowValidator([](HWND h) { return findWindowObject(h) != nullptr; }); }
    static Wnd* findWindowObject(HWND h);

    std::map<std::string, std::unique_ptr<WindowClass>> classes;  // by lower-case name
    ATOM nextAtom = 0xC000;
    std::map<uintptr_t, std::unique_ptr<Wnd>> windows;
    uintptr_t nextWindow = kFirstWindow;
    std::deque<MSG> posted;
    std::deque<Input> input;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7FFF;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    BYTE keys[256] = {};
    POINT cursor{};
    uint64_t clock = 0;
    uint64_t activity = 0;  // changes whenever something that can wake GetMessageA happens
    std::function<void()> waitHook;
    UserFaults faults;
    std::vector<LoggedMessage> log;
    std::map<uintptr_t, std::vector<ACCEL>> accelerators;
    uintptr_t nextAccelerator = kFirstAccelerator;
};

UserState& state();
Wnd* find(HWND h);

inline bool isDesktop(HWND h) { return reinterpret_cast<uintptr_t>(h) == kDesktopWindow; }
inline LPARAM pointParam(LONG x, LONG y) { return MAKELPARAM(x, y); }
inline LONG width(const RECT& r) { return r.right - r.left; }
inline LONG height(const RECT& r) { return r.bottom - r.top; }

// Window tree (user_windows.cpp).
// Whether `h` is `ancestor` or lies inside it.
bool within(HWND h, HWND ancestor);
HWND rootOf(HWND h);
bool visibleTree(const Wnd* w);
std::vector<HWND> topLevelWindows();
WINDOWPOS positionRecord(HWND h, UINT flags);

// Queue and dispatch (user_queue.cpp).
// Hands a message to the window's procedure, recording it. The window may be gone afterwards.
LRESULT deliver(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
// A window filter lets through the posted, input and paint messages of the window and of the
// windows inside it, and never thread messages; timers answer only their own window's filter.
bool passesFilter(HWND filter, HWND target);
// Marks that something arrived which can wake a waiting GetMessageA.
void bump();

// Painting (user_paint.cpp).
void invalidateClient(Wnd& w, bool erase);
// A window that becomes visible is drawn at once: its frame, then its background; the client
// area is left for WM_PAINT. Visible children follow their parent.
void expose(HWND h);
Wnd* windowNeedingPaint(HWND filter);
// The bounding box of what `after` covers and `before` does not, within `clip`; a null region
// stands for all of `whole`. All empty when nothing is newly covered. Makes no GDI object, so
// no region fault applies (region.cpp).
RECT newlyCovered(HRGN before, HRGN after, const RECT& whole, const RECT& clip);

// Timers (user_timers.cpp).
Timer* nextTimer(HWND filter, bool dueOnly);

// Input, capture and focus (user_input.cpp).
void setFocusWindow(HWND h);
void activate(HWND h);
// The active window goes away (hidden or destroyed) and nothing takes its place.
void deactivate(HWND h);
WPARAM mouseKeyFlags();
// Turns queued input into the message it becomes now: mouse input follows the capture.
bool routeInput(const Input& in, MSG& msg);
void applyInput(const Input& in);

}  // namespace headless
