// The program's entry point.

#include "platform/win32.h"
#include "render/surface.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    td::Surface surface;
    surface.create(400, 400, true);
    return 0;
}
