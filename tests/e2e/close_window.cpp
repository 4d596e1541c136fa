// Sends WM_CLOSE to the top-level window with the given title, as a user closing it would, and
// waits for that window's process to end. Exit status: 0 when the window was found and its
// process ended within the timeout, 1 when no such window exists, 2 on a timeout or bad usage.

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: close_window TITLE [TIMEOUT_MS]\n");
        return 2;
    }
    const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 10000;
    HWND window = FindWindowA(nullptr, argv[1]);
    if (!window) {
        std::fprintf(stderr, "close_window: no window titled \"%s\"\n", argv[1]);
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!process) return 0;
    const DWORD waited = WaitForSingleObject(process, timeout);
    CloseHandle(process);
    if (waited != WAIT_OBJECT_0) {
        std::fprintf(stderr, "close_window: the process did not end within %lu ms\n",
                     static_cast<unsigned long>(timeout));
        return 2;
    }
    return 0;
}
