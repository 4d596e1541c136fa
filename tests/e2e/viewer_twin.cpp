// The viewer's twin: the whole program in-process against the headless stand-in, run until its
// first frame is shown, then closed. It writes where the window's shape covers, for the
// end-to-end script to hold against the shape the X server gives the real window.
//
//   viewer_twin GRID
//
// GRID receives the shape at window (5 + 10i, 5 + 10j) for i and j below 40, row by row, "1"
// inside and "0" outside: the points where the script probes the X window with the pointer.
// Exit status: 0 when written, 2 when the twin showed no shaped frame or GRID cannot be written.

#include <cstdio>
#include <fstream>
#include <string>

#include "support/viewer_run.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: viewer_twin GRID\n");
        return 2;
    }
    std::string grid;
    headless::setWaitHook([&] {
        td::ViewerWindow* viewer = td::findViewer();
        // The first frame is shown once the start-up tick has stopped the timer.
        if (!viewer || !grid.empty() || !viewer->timerWindow ||
            !headless::windowInfo(viewer->timerWindow->handle).timers.empty())
            return;
        if (HRGN region = headless::windowInfo(viewer->handle).region)
            for (int j = 0; j < 40; ++j)
                for (int i = 0; i < 40; ++i) grid += PtInRegion(region, 5 + 10 * i, 5 + 10 * j) ? '1' : '0';
        else
            grid = "none";
        PostMessageA(viewer->handle, WM_CLOSE, 0, 0);
    });
    td::runProgram();
    headless::setWaitHook(nullptr);
    if (grid.size() != 1600) {
        std::fprintf(stderr, "viewer_twin: the twin showed no shaped frame\n");
        return 2;
    }
    if (!(std::ofstream(argv[1]) << grid << '\n')) {
        std::fprintf(stderr, "viewer_twin: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
