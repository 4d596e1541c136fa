// The USER part of the headless stand-in: classes, windows and their messages, the thread's
// message queue on a virtual clock, painting, focus, activation, capture and key state.
//
// The message sequences follow what Wine sends for the same calls (creation, showing, focus,
// destruction, SetWindowRgn); the tests that run on both builds check them against the real
// thing.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
namespace {

// Window handles live below the GDI handle range and above the desktop window's 0x10010.
constexpr uintptr_t kFirstWindow = 0x20002;
constexpr uintptr_t kLastWindow = 0x2FFFE;
constexpr uintptr_t kFirstAccelerator = 0x30000;
constexpr uintptr_t kArrowCursor = 0x10003;
constexpr uintptr_t kDesktopWindow = 0x10010;
constexpr LONG kScreenWidth = 1280;
constexpr LONG kScreenHeight = 1024;
// Non-client metrics of the default theme, as Wine reports them.
constexpr LONG kThickFrame = 4;
constexpr LONG kDialogFrame = 3;
constexpr LONG kThinFrame = 1;
constexpr LONG kClientEdge = 2;
constexpr LONG kCaption = 19;

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

UserState& state() {
    static UserState s;
    return s;
}

Wnd* UserState::findWindowObject(HWND h) {
    auto& windows = state().windows;
    auto it = windows.find(reinterpret_cast<uintptr_t>(h));
    return it == windows.end() ? nullptr : it->second.get();
}

Wnd* find(HWND h) { return UserState::findWindowObject(h); }

// Registers the validator before main, so GetDC refuses dead handles from the start.
const bool validatorRegistered = (state(), true);

std::string lowered(const char* s) {
    std::string out(s ? s : "");
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isDesktop(HWND h) { return reinterpret_cast<uintptr_t>(h) == kDesktopWindow; }

LPARAM pointParam(LONG x, LONG y) { return MAKELPARAM(x, y); }

// Hands a message to the window's procedure, recording it. The window may be gone afterwards.
LRESULT deliver(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    Wnd* w = find(h);
    if (!w || !w->proc) return 0;
    const WNDPROC proc = w->proc;
    state().log.push_back(LoggedMessage{h, message, wParam, lParam});
    return proc(h, message, wParam, lParam);
}

// Whether `h` is `ancestor` or lies inside it.
bool within(HWND h, HWND ancestor) {
    for (Wnd* w = find(h); w; w = w->isChild() ? find(w->parent) : nullptr)
        if (w->handle == ancestor) return true;
    return false;
}

HWND rootOf(HWND h) {
    Wnd* w = find(h);
    while (w && w->isChild()) w = find(w->parent);
    return w ? w->handle : nullptr;
}

bool visibleTree(const Wnd* w) {
    for (; w; w = w->isChild() ? find(w->parent) : nullptr)
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

LONG width(const RECT& r) { return r.right - r.left; }
LONG height(const RECT& r) { return r.bottom - r.top; }

// The non-client insets of a window of the given styles.
RECT frameInsets(DWORD style, DWORD exStyle) {
    LONG edge = 0;
    const bool dialogFrame = (exStyle & WS_EX_DLGMODALFRAME) || ((style & WS_DLGFRAME) && !(style & WS_BORDER));
    const bool thickFrame = (style & WS_THICKFRAME) && (style & (WS_DLGFRAME | WS_BORDER)) != WS_DLGFRAME;
    const bool thinFrame = (style & WS_BORDER) || !(style & (WS_CHILD | WS_POPUP));
    if (thickFrame)
        edge = kThickFrame;
    else if (dialogFrame)
        edge = kDialogFrame;
    else if (thinFrame)
        edge = kThinFrame;
    if (exStyle & WS_EX_CLIENTEDGE) edge += kClientEdge;
    RECT insets{edge, edge, edge, edge};
    if ((style & WS_CAPTION) == WS_CAPTION) insets.top += kCaption;
    return insets;
}

void shrink(RECT& r, const RECT& insets) {
    r.left += insets.left;
    r.top += insets.top;
    r.right = std::max(r.left, r.right - insets.right);
    r.bottom = std::max(r.top, r.bottom - insets.bottom);
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> out;
    for (auto& entry : state().windows)
        if (!entry.second->isChild()) out.push_back(entry.second->handle);
    return out;
}

void bump() { ++state().activity; }

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

// The active window goes away (hidden or destroyed) and nothing takes its place.
void deactivate(HWND h) {
    UserState& s = state();
    if (s.active != h) return;
    s.active = nullptr;
    deliver(h, WM_NCACTIVATE, FALSE, 0);
    deliver(h, WM_ACTIVATE, WA_INACTIVE, 0);
    for (HWND top : topLevelWindows()) deliver(top, WM_ACTIVATEAPP, FALSE, 0);
    if (within(s.focus, h)) setFocusWindow(nullptr);
}

void invalidateClient(Wnd& w, bool erase) {
    w.update = RECT{0, 0, width(w.clientRect), height(w.clientRect)};
    w.hasUpdate = width(w.update) > 0 && height(w.update) > 0;
    w.erase = w.hasUpdate && erase;
    if (w.hasUpdate) bump();
}

// A window that becomes visible is drawn at once: its frame, then its background; the client
// area is left for WM_PAINT. Visible children follow their parent.
void expose(HWND h) {
    Wnd* w = find(h);
    if (!w || !(w->style & WS_VISIBLE) || width(w->windowRect) <= 0 || height(w->windowRect) <= 0) return;
    invalidateClient(*w, true);
    deliver(h, WM_NCPAINT, 1, 0);
    if ((w = find(h)) && w->erase) {
        HDC dc = GetDC(h);
        deliver(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(h, dc);
        if ((w = find(h))) w->erase = false;  // asked once, whatever the answer
    }
    if (!(w = find(h))) return;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) expose(child);
}

WINDOWPOS positionRecord(HWND h, UINT flags) {
    WINDOWPOS pos{};
    pos.hwnd = h;
    pos.flags = flags;
    if (Wnd* w = find(h)) {
        pos.x = w->windowRect.left;
        pos.y = w->windowRect.top;
        pos.cx = width(w->windowRect);
        pos.cy = height(w->windowRect);
    }
    return pos;
}

constexpr UINT kKeepPlace = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;

void show(HWND h, bool activateIt) {
    deliver(h, WM_SHOWWINDOW, TRUE, 0);
    WINDOWPOS pos = positionRecord(h, kKeepPlace | SWP_SHOWWINDOW | (activateIt ? 0 : SWP_NOACTIVATE));
    deliver(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    Wnd* w = find(h);
    if (!w) return;
    w->style |= WS_VISIBLE;
    if (!w->isChild() && activateIt) activate(h);
    if ((w = find(h)) && visibleTree(w)) expose(h);
    deliver(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

// Hides a window. Children hear WM_SHOWWINDOW; a top-level window being destroyed does not.
void hide(HWND h, bool announce) {
    UserState& s = state();
    if (announce) deliver(h, WM_SHOWWINDOW, FALSE, 0);
    WINDOWPOS pos = positionRecord(h, kKeepPlace | SWP_HIDEWINDOW);
    deliver(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    Wnd* w = find(h);
    if (!w) return;
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (w->isChild()) {
        const HWND parent = w->parent;
        if (within(s.focus, h)) setFocusWindow(parent);
        if (Wnd* p = find(parent)) {
            // The parent repaints where the child was.
            const RECT area{w->windowRect.left - p->clientRect.left, w->windowRect.top - p->clientRect.top,
                            w->windowRect.right - p->clientRect.left, w->windowRect.bottom - p->clientRect.top};
            InvalidateRect(parent, &area, TRUE);
        }
        deliver(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    } else {
        // A top-level window gives up the activation once it is off the screen.
        deliver(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
        deactivate(h);
    }
}

void markDestroying(Wnd& w) {
    w.destroying = true;
    for (HWND child : w.children)
        if (Wnd* c = find(child)) markDestroying(*c);
}

// WM_DESTROY runs parent first, WM_NCDESTROY children first, as Windows sends them.
void sendDestroy(HWND h) {
    deliver(h, WM_DESTROY, 0, 0);
    if (Wnd* w = find(h)) {
        const std::vector<HWND> children = w->children;
        for (HWND child : children) sendDestroy(child);
    }
}

void sendNcDestroy(HWND h) {
    if (Wnd* w = find(h)) {
        const std::vector<HWND> children = w->children;
        for (HWND child : children) sendNcDestroy(child);
    }
    deliver(h, WM_NCDESTROY, 0, 0);
}

// Forgets a window and everything inside it: timers, its region, queued messages, focus.
void release(HWND h) {
    UserState& s = state();
    Wnd* w = find(h);
    if (!w) return;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) release(child);
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [h](const Timer& t) { return t.window == h; }),
                   s.timers.end());
    s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
                   s.posted.end());
    if (w->region) removeObject(w->region);
    if (s.focus == h) s.focus = nullptr;
    if (s.active == h) s.active = nullptr;
    if (s.capture == h) s.capture = nullptr;
    if (Wnd* parent = w->isChild() ? find(w->parent) : nullptr) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
    }
    s.windows.erase(reinterpret_cast<uintptr_t>(h));
}

bool inRange(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

// A window filter lets through the posted, input and paint messages of the window and of the
// windows inside it, and never thread messages; timers answer only their own window's filter.
bool passesFilter(HWND filter, HWND target) { return !filter || (target && within(target, filter)); }

WPARAM mouseKeyFlags() {
    const BYTE* k = state().keys;
    WPARAM flags = 0;
    if (k[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
    if (k[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
    if (k[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
    if (k[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
    return flags;
}

void setKey(int vk, bool down) {
    BYTE& k = state().keys[vk & 0xFF];
    if (down && !(k & 0x80)) k ^= 0x01;  // the toggle bit flips on every press
    k = static_cast<BYTE>(down ? (k | 0x80) : (k & ~0x80));
}

int buttonKey(UINT message) {
    return message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? VK_RBUTTON : VK_LBUTTON;
}

// Turns queued input into the message it becomes now: mouse input follows the capture.
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

Wnd* windowNeedingPaint(HWND filter) {
    for (auto& entry : state().windows) {
        Wnd& w = *entry.second;
        if (w.hasUpdate && visibleTree(&w) && passesFilter(filter, w.handle)) return &w;
    }
    return nullptr;
}

Timer* nextTimer(HWND filter, bool dueOnly) {
    UserState& s = state();
    Timer* best = nullptr;
    for (Timer& t : s.timers) {
        if (filter && t.window != filter) continue;
        if (dueOnly && t.due > s.clock) continue;
        if (!best || t.due < best->due) best = &t;
    }
    return best;
}

// One message in Windows' order of priority: posted, input, quit, paint, timer.
bool takeMessage(MSG& msg, HWND filter, UINT lo, UINT hi, bool remove) {
    UserState& s = state();
    for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
        if (!passesFilter(filter, it->hwnd) || !inRange(it->message, lo, hi)) continue;
        msg = *it;
        if (remove) s.posted.erase(it);
        return true;
    }
    for (auto it = s.input.begin(); it != s.input.end();) {
        MSG routed;
        if (!routeInput(*it, routed)) {  // its window is gone
            it = s.input.erase(it);
            continue;
        }
        if (!passesFilter(filter, routed.hwnd) || !inRange(routed.message, lo, hi)) {
            ++it;
            continue;
        }
        if (remove) {
            applyInput(*it);
            if (it->mouse) routed.wParam = mouseKeyFlags();
            s.input.erase(it);
        } else if (it->mouse) {
            routed.wParam = mouseKeyFlags();
        }
        msg = routed;
        return true;
    }
    if (s.quit) {
        msg = MSG{};
        msg.message = WM_QUIT;
        msg.wParam = static_cast<WPARAM>(s.quitCode);
        if (remove) s.quit = false;
        return true;
    }
    if (inRange(WM_PAINT, lo, hi))
        if (Wnd* w = windowNeedingPaint(filter)) {
            msg = MSG{};
            msg.hwnd = w->handle;
            msg.message = WM_PAINT;
            return true;
        }
    if (inRange(WM_TIMER, lo, hi))
        if (Timer* t = nextTimer(filter, true)) {
            msg = MSG{};
            msg.hwnd = t->window;
            msg.message = WM_TIMER;
            msg.wParam = t->id;
            msg.lParam = t->proc ? 1 : 0;  // marks a timer procedure; Dispatch looks it up
            msg.time = static_cast<DWORD>(s.clock);
            if (remove) t->due = s.clock + t->interval;
            return true;
        }
    return false;
}

bool validFilter(HWND filter) { return !filter || find(filter); }

}  // namespace

void postMouse(HWND window, UINT message, int x, int y) {
    Wnd* w = find(window);
    if (!w) return;
    Input in{};
    in.mouse = true;
    in.window = window;
    in.message = message;
    in.screen = POINT{w->clientRect.left + x, w->clientRect.top + y};
    state().input.push_back(in);
    bump();
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

uint64_t now() { return state().clock; }
void advanceClock(uint32_t milliseconds) {
    state().clock += milliseconds;
    bump();
}
void setWaitHook(std::function<void()> hook) { state().waitHook = std::move(hook); }

const std::vector<LoggedMessage>& messageLog() { return state().log; }
std::vector<LoggedMessage> messagesOf(HWND window) {
    std::vector<LoggedMessage> out;
    for (const LoggedMessage& m : state().log)
        if (m.window == window) out.push_back(m);
    return out;
}
void clearMessageLog() { state().log.clear(); }

WindowInfo windowInfo(HWND window) {
    WindowInfo info;
    Wnd* w = find(window);
    if (!w) return info;
    info.exists = true;
    info.className = w->windowClass->name;
    info.text = w->text;
    info.style = w->style;
    info.exStyle = w->exStyle;
    info.parent = w->parent;
    info.windowRect = w->windowRect;
    info.clientRect = RECT{0, 0, width(w->clientRect), height(w->clientRect)};
    info.region = w->region;
    for (const Timer& t : state().timers)
        if (t.window == window) info.timers.push_back(TimerInfo{t.id, t.interval});
    info.needsPaint = w->hasUpdate;
    return info;
}

size_t liveWindowCount() { return state().windows.size(); }

UserFaults& userFaults() { return state().faults; }

void resetUserState() {
    UserState& s = state();
    for (auto& entry : s.windows)
        if (entry.second->region) removeObject(entry.second->region);
    s.windows.clear();
    s.posted.clear();
    s.input.clear();
    s.quit = false;
    s.timers.clear();
    s.focus = s.active = s.capture = nullptr;
    std::fill(std::begin(s.keys), std::end(s.keys), BYTE{0});
    s.waitHook = nullptr;
    s.faults = UserFaults{};
    s.log.clear();
}

}  // namespace headless

using namespace headless;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || !wc->lpszClassName || !*wc->lpszClassName)
        return 0;
    UserState& s = state();
    const std::string key = lowered(wc->lpszClassName);
    if (s.classes.count(key)) return 0;
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->background = wc->hbrBackground;
    c->atom = s.nextAtom++;
    const ATOM atom = c->atom;
    s.classes.emplace(key, std::move(c));
    return atom;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int w,
                     int h, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    UserState& s = state();
    if (s.faults.createWindow.fails()) return nullptr;
    auto cls = s.classes.find(lowered(className));
    if (cls == s.classes.end()) return nullptr;
    const bool child = (style & WS_CHILD) != 0;
    if (isDesktop(parent)) parent = nullptr;
    Wnd* parentWnd = find(parent);
    if ((child && !parentWnd) || (parent && !parentWnd)) return nullptr;
    if (s.nextWindow > kLastWindow) return nullptr;

    auto wnd = std::make_unique<Wnd>();
    const HWND handle = toHandle<HWND>(s.nextWindow);
    s.nextWindow += 2;
    wnd->handle = handle;
    wnd->windowClass = cls->second.get();
    wnd->proc = cls->second->proc;
    wnd->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    if (!child) wnd->style |= WS_CLIPSIBLINGS;
    wnd->exStyle = exStyle;
    if ((exStyle & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)))
        wnd->exStyle |= WS_EX_WINDOWEDGE;
    else
        wnd->exStyle &= ~static_cast<DWORD>(WS_EX_WINDOWEDGE);
    wnd->id = child ? reinterpret_cast<LONG_PTR>(menu) : 0;
    wnd->parent = parent;
    const POINT origin = parentWnd && child ? POINT{parentWnd->clientRect.left, parentWnd->clientRect.top} : POINT{0, 0};
    if (x == CW_USEDEFAULT) x = y = 0;
    if (w == CW_USEDEFAULT) w = h = 0;
    wnd->windowRect = RECT{origin.x + x, origin.y + y, origin.x + x + std::max(w, 0), origin.y + y + std::max(h, 0)};
    wnd->clientRect = wnd->windowRect;
    s.windows.emplace(reinterpret_cast<uintptr_t>(handle), std::move(wnd));
    if (child) parentWnd->children.push_back(handle);

    if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
        MINMAXINFO info{};
        info.ptMaxSize = POINT{kScreenWidth, kScreenHeight};
        info.ptMaxTrackSize = POINT{kScreenWidth, kScreenHeight};
        deliver(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    }
    CREATESTRUCTA cs{param, instance, menu, parent, h, w, y, x, static_cast<LONG>(style), windowName, className, exStyle};
    if (!deliver(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        release(handle);
        return nullptr;
    }
    Wnd* created = find(handle);
    if (!created) return nullptr;
    RECT client{x, y, x + std::max(w, 0), y + std::max(h, 0)};
    deliver(handle, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    if (!(created = find(handle))) return nullptr;
    created->clientRect = RECT{origin.x + client.left, origin.y + client.top, origin.x + client.right,
                               origin.y + client.bottom};
    if (deliver(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!(created = find(handle))) return nullptr;
    // Plain overlapped windows hear of their size and place when first shown; others now.
    if (style & (WS_POPUP | WS_CHILD)) {
        const RECT c = created->clientRect;
        deliver(handle, WM_SIZE, SIZE_RESTORED, pointParam(width(c), height(c)));
        deliver(handle, WM_MOVE, 0, pointParam(c.left - origin.x, c.top - origin.y));
    }
    if (child && !(exStyle & WS_EX_NOPARENTNOTIFY))
        deliver(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(reinterpret_cast<uintptr_t>(menu))),
                reinterpret_cast<LPARAM>(handle));
    // A child made visible hears only WM_SHOWWINDOW; a top-level window is shown in full.
    if ((style & WS_VISIBLE) && child && find(handle)) {
        deliver(handle, WM_SHOWWINDOW, TRUE, 0);
        if (Wnd* shown = find(handle)) {
            shown->style |= WS_VISIBLE;
            invalidateClient(*shown, true);
        }
    } else if ((style & WS_VISIBLE) && find(handle)) {
        ShowWindow(handle, SW_SHOW);
    }
    return find(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND h) {
    Wnd* w = find(h);
    if (!w || w->destroying) return FALSE;
    if (w->isChild() && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
        deliver(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<WORD>(w->id)),
                reinterpret_cast<LPARAM>(h));
    if (!(w = find(h))) return TRUE;
    if (w->style & WS_VISIBLE) hide(h, w->isChild());
    if (!(w = find(h))) return TRUE;
    markDestroying(*w);
    UserState& s = state();
    if (within(s.capture, h)) {
        const HWND captured = s.capture;
        s.capture = nullptr;
        deliver(captured, WM_CAPTURECHANGED, 0, 0);
    }
    sendDestroy(h);
    sendNcDestroy(h);
    release(h);
    return TRUE;
}

BOOL IsWindow(HWND h) { return find(h) != nullptr; }

LRESULT DefWindowProcA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    Wnd* w = find(h);
    if (!w) return 0;
    switch (message) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName) w->text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        if (r) shrink(*r, frameInsets(w->style, w->exStyle));
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(h);
        return 0;
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam) return 0;
        char* out = reinterpret_cast<char*>(lParam);
        const size_t n = std::min<size_t>(w->text.size(), wParam - 1);
        std::memcpy(out, w->text.data(), n);
        out[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        // The class brush fills the background; without one nothing is erased.
        return w->windowClass->background ? 1 : 0;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_SETCURSOR:
        return FALSE;
    case WM_NCHITTEST:
        return HTCLIENT;
    default:
        return 0;
    }
}

LRESULT DefDlgProcA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!find(h)) return 0;
    switch (message) {
    case WM_CLOSE:
        // A dialog closes through its Cancel command, never by destroying itself here.
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painted with the dialog brush
    default:
        return DefWindowProcA(h, message, wParam, lParam);
    }
}

LRESULT CallWindowProcA(WNDPROC proc, HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(h, message, wParam, lParam) : 0;
}

LRESULT SendMessageA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    return deliver(h, message, wParam, lParam);
}

BOOL PostMessageA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (h && !find(h)) return FALSE;
    MSG msg{};
    msg.hwnd = h;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(state().clock);
    msg.pt = state().cursor;
    state().posted.push_back(msg);
    bump();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    state().quit = true;
    state().quitCode = exitCode;
    bump();
}

BOOL GetMessageA(LPMSG msg, HWND filter, UINT lo, UINT hi) {
    if (!msg || !validFilter(filter)) return -1;
    UserState& s = state();
    for (;;) {
        if (takeMessage(*msg, filter, lo, hi, true)) return msg->message != WM_QUIT;
        const uint64_t before = s.activity;
        if (s.waitHook) s.waitHook();
        if (s.activity != before) continue;
        // A real wait ends when the next timer falls due.
        if (Timer* t = inRange(WM_TIMER, lo, hi) ? nextTimer(filter, false) : nullptr) {
            s.clock = std::max(s.clock, t->due);
            continue;
        }
        std::fprintf(stderr,
                     "headless GetMessageA: nothing is queued, no timer runs and the wait hook added "
                     "nothing; the program would wait forever\n");
        std::abort();
    }
}

BOOL PeekMessageA(LPMSG msg, HWND filter, UINT lo, UINT hi, UINT remove) {
    if (!msg || !validFilter(filter)) return FALSE;
    return takeMessage(*msg, filter, lo, hi, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP && msg->message != WM_SYSKEYDOWN &&
        msg->message != WM_SYSKEYUP)
        return FALSE;
    if (msg->message != WM_KEYDOWN) return TRUE;
    const int vk = static_cast<int>(msg->wParam);
    const bool shift = (state().keys[VK_SHIFT] & 0x80) != 0;
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z')
        ch = shift ? vk : vk - 'A' + 'a';
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_TAB || vk == VK_RETURN || vk == VK_BACK ||
             vk == VK_ESCAPE)
        ch = vk;
    if (ch) PostMessageA(msg->hwnd, WM_CHAR, static_cast<WPARAM>(ch), msg->lParam);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    UserState& s = state();
    if (msg->message == WM_TIMER && msg->lParam) {
        for (const Timer& t : s.timers)
            if (t.window == msg->hwnd && t.id == msg->wParam && t.proc) {
                const TIMERPROC proc = t.proc;
                proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(s.clock));
                return 0;
            }
        return 0;
    }
    if (!find(msg->hwnd)) return 0;
    const LRESULT result = deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // A WM_PAINT that did not validate would come back forever; Windows validates for it.
    if (msg->message == WM_PAINT)
        if (Wnd* w = find(msg->hwnd)) w->hasUpdate = w->erase = false;
    return result;
}

HACCEL CreateAcceleratorTableA(LPACCEL entries, int count) {
    if (!entries || count <= 0) return nullptr;
    UserState& s = state();
    const uintptr_t handle = s.nextAccelerator;
    s.nextAccelerator += 4;
    s.accelerators.emplace(handle, std::vector<ACCEL>(entries, entries + count));
    return toHandle<HACCEL>(handle);
}

BOOL DestroyAcceleratorTable(HACCEL table) {
    return state().accelerators.erase(reinterpret_cast<uintptr_t>(table)) != 0;
}

int TranslateAcceleratorA(HWND h, HACCEL table, LPMSG msg) {
    UserState& s = state();
    auto it = s.accelerators.find(reinterpret_cast<uintptr_t>(table));
    if (it == s.accelerators.end() || !msg || !find(h)) return 0;
    const bool keyDown = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    if (!keyDown && msg->message != WM_CHAR) return 0;
    const bool shift = s.keys[VK_SHIFT] & 0x80, control = s.keys[VK_CONTROL] & 0x80, alt = s.keys[VK_MENU] & 0x80;
    for (const ACCEL& a : it->second) {
        const bool virtualKey = a.fVirt & FVIRTKEY;
        if (virtualKey != keyDown || a.key != msg->wParam) continue;
        if (virtualKey && (shift != bool(a.fVirt & FSHIFT) || control != bool(a.fVirt & FCONTROL) ||
                           alt != bool(a.fVirt & FALT)))
            continue;
        SendMessageA(h, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    UserState& s = state();
    if (s.faults.setTimer.fails()) return 0;
    if (h && !find(h)) return 0;
    if (!h) id = s.nextThreadTimer--;
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    KillTimer(h, id);
    s.timers.push_back(Timer{h, id, elapse, proc, s.clock + elapse});
    bump();
    return id ? id : 1;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
    auto& timers = state().timers;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == h && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}

BOOL ShowWindow(HWND h, int command) {
    Wnd* w = find(h);
    if (!w) return FALSE;
    const bool wasVisible = (w->style & WS_VISIBLE) != 0;
    const bool showIt = command != SW_HIDE;
    if (showIt == wasVisible) return wasVisible;
    if (w->isChild() && !visibleTree(find(w->parent))) {
        // Inside a hidden parent nothing moves on the screen: only the style changes.
        deliver(h, WM_SHOWWINDOW, showIt, 0);
        if ((w = find(h))) w->style = showIt ? (w->style | WS_VISIBLE) : (w->style & ~static_cast<DWORD>(WS_VISIBLE));
    } else if (showIt) {
        show(h, command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && !(w->exStyle & WS_EX_NOACTIVATE));
    } else {
        hide(h, true);
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND h) {
    Wnd* w = find(h);
    if (!w) return FALSE;
    if (w->hasUpdate && visibleTree(w)) deliver(h, WM_PAINT, 0, 0);
    if (!(w = find(h))) return TRUE;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) UpdateWindow(child);
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT* rect, BOOL erase) {
    UserState& s = state();
    if (!h) {
        for (auto& entry : s.windows) invalidateClient(*entry.second, erase);
        return TRUE;
    }
    Wnd* w = find(h);
    if (!w) return FALSE;
    RECT area{0, 0, width(w->clientRect), height(w->clientRect)};
    if (rect) {
        area.left = std::max(area.left, rect->left);
        area.top = std::max(area.top, rect->top);
        area.right = std::min(area.right, rect->right);
        area.bottom = std::min(area.bottom, rect->bottom);
    }
    if (area.left >= area.right || area.top >= area.bottom) return TRUE;
    if (w->hasUpdate) {
        area.left = std::min(area.left, w->update.left);
        area.top = std::min(area.top, w->update.top);
        area.right = std::max(area.right, w->update.right);
        area.bottom = std::max(area.bottom, w->update.bottom);
    }
    w->update = area;
    w->hasUpdate = true;
    w->erase = w->erase || erase;
    bump();
    return TRUE;
}

BOOL ValidateRect(HWND h, const RECT* rect) {
    Wnd* w = find(h);
    if (!w) return h ? FALSE : TRUE;
    // The update area is kept as one rectangle: it is gone only when the rectangle covers it.
    if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top && rect->right >= w->update.right &&
                  rect->bottom >= w->update.bottom))
        w->hasUpdate = w->erase = false;
    return TRUE;
}

HDC BeginPaint(HWND h, LPPAINTSTRUCT paint) {
    Wnd* w = find(h);
    if (!w || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    const bool erase = w->erase;
    paint->rcPaint = w->hasUpdate ? w->update : RECT{};
    w->hasUpdate = w->erase = false;
    paint->hdc = GetDC(h);
    if (erase) paint->fErase = deliver(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) ? FALSE : TRUE;
    return paint->hdc;
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) ReleaseDC(h, paint->hdc);
    return TRUE;
}

BOOL GetWindowRect(HWND h, LPRECT rect) {
    if (!rect) return FALSE;
    if (isDesktop(h)) {
        *rect = RECT{0, 0, kScreenWidth, kScreenHeight};
        return TRUE;
    }
    Wnd* w = find(h);
    if (!w) return FALSE;
    *rect = w->windowRect;
    return TRUE;
}

BOOL GetClientRect(HWND h, LPRECT rect) {
    if (!rect) return FALSE;
    if (isDesktop(h)) return GetWindowRect(h, rect);
    Wnd* w = find(h);
    if (!w) return FALSE;
    *rect = RECT{0, 0, width(w->clientRect), height(w->clientRect)};
    return TRUE;
}

BOOL ClientToScreen(HWND h, LPPOINT point) {
    Wnd* w = find(h);
    if (!point || (!w && !isDesktop(h))) return FALSE;
    if (w) {
        point->x += w->clientRect.left;
        point->y += w->clientRect.top;
    }
    return TRUE;
}

BOOL ScreenToClient(HWND h, LPPOINT point) {
    Wnd* w = find(h);
    if (!point || (!w && !isDesktop(h))) return FALSE;
    if (w) {
        point->x -= w->clientRect.left;
        point->y -= w->clientRect.top;
    }
    return TRUE;
}

HWND GetParent(HWND h) {
    Wnd* w = find(h);
    if (!w) return nullptr;
    return w->isChild() || (w->style & WS_POPUP) ? w->parent : nullptr;
}

LONG_PTR GetWindowLongPtrA(HWND h, int index) {
    Wnd* w = find(h);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(GetModuleHandleA(nullptr));
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA:
        return w->userData;
    default:
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND h, int index, LONG_PTR value) {
    Wnd* w = find(h);
    if (!w) return 0;
    const LONG_PTR previous = GetWindowLongPtrA(h, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (value) w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_ID:
        w->id = value;
        break;
    case GWL_STYLE:
        w->style = static_cast<DWORD>(value);
        break;
    case GWL_EXSTYLE:
        w->exStyle = static_cast<DWORD>(value);
        break;
    case GWLP_USERDATA:
        w->userData = value;
        break;
    default:
        return 0;
    }
    return previous;
}

LONG GetWindowLongA(HWND h, int index) { return static_cast<LONG>(GetWindowLongPtrA(h, index)); }
LONG SetWindowLongA(HWND h, int index, LONG value) { return static_cast<LONG>(SetWindowLongPtrA(h, index, value)); }

int GetWindowTextA(HWND h, LPSTR text, int size) {
    if (!text || size <= 0) return 0;
    text[0] = '\0';
    return static_cast<int>(SendMessageA(h, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(text)));
}

BOOL SetWindowTextA(HWND h, LPCSTR text) {
    return SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetClassNameA(HWND h, LPSTR name, int size) {
    Wnd* w = find(h);
    if (!w || !name || size <= 0) return 0;
    const size_t n = std::min<size_t>(w->windowClass->name.size(), static_cast<size_t>(size) - 1);
    std::memcpy(name, w->windowClass->name.data(), n);
    name[n] = '\0';
    return static_cast<int>(n);
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    for (auto& entry : state().windows) {
        const Wnd& w = *entry.second;
        if (w.isChild()) continue;
        if (className && lowered(className) != lowered(w.windowClass->name.c_str())) continue;
        if (windowName && w.text != windowName) continue;
        return w.handle;
    }
    return nullptr;
}

int SetWindowRgn(HWND h, HRGN region, BOOL redraw) {
    Wnd* w = find(h);
    if (!w || (region && !findObject(region, ObjectKind::Region))) return 0;
    // The window owns the region from now on and deletes the one it had.
    const HRGN previous = w->region;
    w->region = region;
    if (previous && previous != region) removeObject(previous);
    WINDOWPOS pos = positionRecord(h, kKeepPlace | SWP_NOACTIVATE | SWP_FRAMECHANGED | (redraw ? 0 : SWP_NOREDRAW));
    deliver(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if ((w = find(h)) && redraw && visibleTree(w)) deliver(h, WM_NCPAINT, 1, 0);
    deliver(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return 1;
}

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
    if (previous) deliver(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return state().capture; }

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

BOOL IsWindowEnabled(HWND h) {
    Wnd* w = find(h);
    return w && !(w->style & WS_DISABLED);
}

BOOL IsWindowVisible(HWND h) { return visibleTree(find(h)); }

BOOL EnableWindow(HWND h, BOOL enable) {
    Wnd* w = find(h);
    if (!w) return FALSE;
    const bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
        deliver(h, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        deliver(h, WM_CANCELMODE, 0, 0);
        if ((w = find(h))) w->style |= WS_DISABLED;
        if (state().focus == h) setFocusWindow(nullptr);
        deliver(h, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return !instance && name == IDC_ARROW ? toHandle<HCURSOR>(kArrowCursor) : nullptr;
}
