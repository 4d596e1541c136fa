#pragma once
// The program's message loop.

#include "platform/win32.h"

namespace td {

// The optional accelerator table of the message loop and the window it translates for.
struct AcceleratorBinding {
    HACCEL accelerator = nullptr;
    HWND window = nullptr;
};

// Runs until WM_QUIT. With a binding whose two handles are set, a message that translates as an
// accelerator is done; every other message is translated and dispatched.
void messageLoop(const AcceleratorBinding* binding);

}  // namespace td
