// The viewer of the real program under Wine for a long run of frames, in-process: drags posted
// to its window, each followed by the spin that runs out on the real timer. The process's private
// bytes are sampled at rest after every tenth of the run and must stay flat after the first drag
// and spin. Wine reports no private bytes (nor GDI and USER object counts, which are printed as
// reported), so there the anonymous memory of the process is read from Linux's /proc instead.
// The first argument sets the number of frames (10,000 unless given). Exits 0 when flat.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32.h"
#include <psapi.h>

#include "ui/viewer_window.h"

namespace {

// Private bytes may move this much between samples without counting as growth: the heap
// grows and shrinks in pages as the frames' temporaries come and go.
constexpr SIZE_T kSlack = 1024 * 1024;
constexpr int kMovesPerDrag = 40;

struct Sample {
    unsigned long frames;
    SIZE_T privateBytes;  // 0 when it cannot be measured
    DWORD gdiObjects;
    DWORD userObjects;
};

// RssAnon of /proc/self/status, reached through Wine's drive Z:, in bytes; 0 when not readable.
SIZE_T anonymousBytes() {
    FILE* status = std::fopen("Z:\\proc\\self\\status", "r");
    if (!status) return 0;
    char line[256];
    unsigned long kilobytes = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "RssAnon: %lu kB", &kilobytes) == 1) break;
    std::fclose(status);
    return static_cast<SIZE_T>(kilobytes) * 1024;
}

Sample sample(unsigned long frames) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    const SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : anonymousBytes();
    return {frames, privateBytes, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

}  // namespace

int main(int argc, char** argv) {
    const long argument = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    const unsigned long wanted = argument > 0 ? static_cast<unsigned long>(argument) : 10000;
    std::vector<Sample> samples;
    bool flat = true;
    {
        td::ViewerWindow viewer;
        viewer.setUp();
        if (!viewer.handle || !viewer.timerWindow || !viewer.timerWindow->handle) {
            std::printf("the viewer has no window or no timer window\n");
            return 1;
        }
        const HWND window = viewer.handle;
        const HWND timer = viewer.timerWindow->handle;
        unsigned long frames = 0;
        uint32_t seed = 12345;
        auto next = [&seed](int range) {  // a small deterministic generator: -range..range
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int>((seed >> 16) % static_cast<uint32_t>(2 * range + 1)) - range;
        };
        int x = 200, y = 200;
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                // The messages that run a frame: a drag step, a tick and a repaint.
                frames += (msg.hwnd == window && (msg.message == WM_MOUSEMOVE || msg.message == WM_PAINT)) ||
                          (msg.hwnd == timer && msg.message == WM_TIMER);
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (viewer.timerWindow->timerId != 0) {  // spinning: the next tick will come
                WaitMessage();
                continue;
            }
            if (samples.empty() || frames >= samples.back().frames + wanted / 10 || frames >= wanted)
                samples.push_back(sample(frames));
            if (frames >= wanted) break;
            // A drag of many steps; the last one small, so that the spin after it is short.
            PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            for (int i = 0; i < kMovesPerDrag; ++i) {
                const int range = i + 1 < kMovesPerDrag ? 30 : 3;
                x = std::min(399, std::max(0, x + next(range)));
                y = std::min(399, std::max(0, y + next(range)));
                PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
            }
            PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        }
    }
    const Sample& first = samples.front();
    for (const Sample& s : samples) {
        std::printf("frames %6lu  private bytes %10lu  GDI objects %lu  USER objects %lu\n", s.frames,
                    static_cast<unsigned long>(s.privateBytes), static_cast<unsigned long>(s.gdiObjects),
                    static_cast<unsigned long>(s.userObjects));
        if (s.privateBytes == 0 || s.privateBytes > first.privateBytes + kSlack || s.gdiObjects > first.gdiObjects ||
            s.userObjects > first.userObjects)
            flat = false;
    }
    std::printf("%s\n", flat ? "flat" : "GROWING");
    return flat && samples.size() >= 2 ? 0 : 1;
}
