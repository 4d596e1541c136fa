// The window tree of the stand-in's USER layer: classes, creation, showing and hiding,
// destruction, rectangles, styles and text, and what DefWindowProcA and DefDlgProcA do.
//
// The message sequences follow what Wine sends for the same calls; the tests that run on both
// builds check them against the real thing.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/headless/user_internal.h"

namespace headless {
namespace {

// Non-client metrics of the default theme, as Wine reports them.
constexpr LONG kThickFrame = 4;
constexpr LONG kDialogFrame = 3;
constexpr LONG kThinFrame = 1;
constexpr LONG kClientEdge = 2;
constexpr LONG kCaption = 19;
constexpr uintptr_t kArrowCursor = 0x10003;

// Registers the validator before main, so GetDC refuses dead handles from the start.
const bool validatorRegistered = (state(), true);

std::string lowered(const char* s) {
    std::string out(s ? s : "");
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

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

}  // namespace

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

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> out;
    for (auto& entry : state().windows)
        if (!entry.second->isChild()) out.push_back(entry.second->handle);
    return out;
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
    case WM_SHOWWINDOW: {
        // An owned popup is hidden when its owner closes and shown again when the owner opens,
        // if it was hidden that way; ShowWindow's own message (status 0) changes nothing.
        const bool visible = (w->style & WS_VISIBLE) != 0;
        if (!lParam || visible == (wParam != 0) || w->isChild() || !w->parent) return 0;
        if (wParam && !w->hiddenWithOwner) return 0;
        w->hiddenWithOwner = !wParam;
        ShowWindow(h, wParam ? SW_SHOWNOACTIVATE : SW_HIDE);
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
