#include "app/message_loop.h"

namespace td {

void messageLoop(const AcceleratorBinding* binding) {
    MSG msg;
    for (;;) {
        const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        if (result == 0) return;
        if (result == -1) continue;
        if (binding && binding->window && binding->accelerator &&
            TranslateAcceleratorA(binding->window, binding->accelerator, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace td
