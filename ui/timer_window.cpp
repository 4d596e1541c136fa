#include "ui/timer_window.h"

namespace td {

TimerWindow::TimerWindow(Window* owner, uint32_t interval, SignalConnection* connection) {
    createChild(owner, interval);
    if (connection) connection->connectTo(&signal);
}

void TimerWindow::createChild(Window* owner, uint32_t newInterval) {
    if (!owner || handle) return;
    create(owner->handle, std::string(), WS_CHILD, 0, 0, 0, 0, 0, CS_VREDRAW | CS_HREDRAW, false);
    owner->attachChild(this);
    interval = newInterval;
    if (handle) ShowWindow(handle, SW_HIDE);
}

void TimerWindow::stop() {
    if (timerId == 0 || !handle) return;
    KillTimer(handle, timerId);
    timerId = 0;
}

void TimerWindow::start() {
    stop();
    if (handle && interval > 0) timerId = SetTimer(handle, kTimerId, interval, nullptr);
}

LRESULT TimerWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) signal.emit(nullptr);
    return DefDlgProcA(hwnd, message, wParam, lParam);
}

}  // namespace td
