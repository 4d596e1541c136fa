// The thread's message queue of the stand-in's USER layer and the dispatch of its messages:
// posting and sending, the order in which GetMessageA and PeekMessageA take messages, the wait
// on the virtual clock, and accelerators.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/headless/user_internal.h"

namespace headless {
namespace {

bool inRange(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

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

bool passesFilter(HWND filter, HWND target) { return !filter || (target && within(target, filter)); }

LRESULT deliver(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    Wnd* w = find(h);
    if (!w || !w->proc) return 0;
    const WNDPROC proc = w->proc;
    state().log.push_back(LoggedMessage{h, message, wParam, lParam});
    return proc(h, message, wParam, lParam);
}

void bump() { ++state().activity; }

void setWaitHook(std::function<void()> hook) { state().waitHook = std::move(hook); }

const std::vector<LoggedMessage>& messageLog() { return state().log; }
std::vector<LoggedMessage> messagesOf(HWND window) {
    std::vector<LoggedMessage> out;
    for (const LoggedMessage& m : state().log)
        if (m.window == window) out.push_back(m);
    return out;
}
void clearMessageLog() { state().log.clear(); }

}  // namespace headless

using namespace headless;

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
    // Nothing is validated here: a WM_PAINT whose handler leaves the update area comes again.
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
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
