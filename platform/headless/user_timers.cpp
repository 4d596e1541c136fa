// Timers of the stand-in's USER layer, on the virtual clock.

#include <algorithm>

#include "platform/headless/user_internal.h"

namespace headless {

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

uint64_t now() { return state().clock; }
void advanceClock(uint32_t milliseconds) {
    state().clock += milliseconds;
    bump();
}

}  // namespace headless

using namespace headless;

void Sleep(DWORD milliseconds) { advanceClock(milliseconds); }

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
