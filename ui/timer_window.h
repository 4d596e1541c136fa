#pragma once
// The animation clock: a hidden child window whose timer ticks become emissions of its signal.

#include <cstdint>

#include "ui/signal.h"
#include "ui/window.h"

namespace td {

class TimerWindow : public Window {
public:
    static constexpr UINT_PTR kTimerId = 101;

    // Creates the hidden window inside owner (which then owns this object) and connects
    // connection, when given, to the signal.
    TimerWindow(Window* owner, uint32_t interval, SignalConnection* connection);

    void createChild(Window* owner, uint32_t interval);
    void start();  // (re)starts the timer; with interval 0 it only stops it
    void stop();

    // Every WM_TIMER, whatever its identifier, emits the signal; all messages then go to
    // DefDlgProcA.
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    Signal signal;
    UINT_PTR timerId = 0;
    uint32_t interval = 1000;
};

}  // namespace td
