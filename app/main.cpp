// The program's entry point: one viewer window for the whole run.

#include "app/message_loop.h"
#include "platform/win32.h"
#include "ui/viewer_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    {
        td::ViewerWindow viewer;
        viewer.setUp();
        td::messageLoop(nullptr);
    }  // the viewer, its timer window and both windows are destroyed here
    return 0;
}
