// The whole program in-process for a long run of frames on the virtual clock: drags of varying
// size and direction, each followed by the spin that runs out on the timer. After the first
// drag and spin, live GDI objects must stay exactly where they were and the heap in use must not
// grow. TD_SOAK_FRAMES sets the number of frames (100,000 unless given).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (sanitizer/allocator_interface.h, which not every compiler ships).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "support/viewer_run.h"

namespace td {
namespace {

// Bytes of heap in use, the blocks glibc maps on their own (the surface's pixels) included.
// Under AddressSanitizer glibc's counters see nothing of its allocator, so it is asked itself.
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

size_t framesWanted() {
    const char* text = std::getenv("TD_SOAK_FRAMES");
    const long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n > 0 ? static_cast<size_t>(n) : 100000;
}

// How much the heap in use may move between samples without counting as growth: the stand-in's
// queues and logs reuse their storage, but a deque may hold one block more or less.
constexpr size_t kHeapSlack = 64 * 1024;
constexpr int kMovesPerDrag = 12;

struct Sample {
    size_t frames;
    size_t heap;
    size_t gdi;
};

TEST(ViewerSoak, GdiObjectsAndHeapStayFlat) {
    const size_t wanted = framesWanted();
    const size_t blitsAtStart = headless::blitCount();
    std::vector<Sample> samples;
    bool dragging = false;
    bool closed = false;
    int x = 200, y = 200;
    uint32_t seed = 12345;
    auto next = [&seed](int range) {  // a small deterministic generator: moves of -range..range
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 16) % static_cast<uint32_t>(2 * range + 1)) - range;
    };

    headless::setWaitHook([&] {
        ViewerWindow* viewer = findViewer();
        ASSERT_NE(viewer, nullptr);
        ASSERT_FALSE(closed) << "the message loop waited after WM_CLOSE";
        // The stand-in logs every message; only this test would ever read the log.
        headless::clearMessageLog();
        if (!headless::windowInfo(viewer->timerWindow->handle).timers.empty()) return;  // spinning
        const size_t frames = headless::blitCount() - blitsAtStart;
        if (dragging) {
            // The drag's frames are drawn; release, so that the model spins on.
            headless::postMouse(viewer->handle, WM_LBUTTONUP, x, y);
            dragging = false;
            return;
        }
        // At rest after a spin: sample at the first rest and then every tenth of the run.
        if (samples.empty() || frames >= samples.back().frames + wanted / 10 || frames >= wanted)
            samples.push_back({frames, heapInUse(), headless::liveGdiObjects().total()});
        if (frames >= wanted) {
            PostMessageA(viewer->handle, WM_CLOSE, 0, 0);
            closed = true;
            return;
        }
        headless::postMouse(viewer->handle, WM_LBUTTONDOWN, x, y);
        for (int i = 0; i < kMovesPerDrag; ++i) {
            x = std::min(399, std::max(0, x + next(30)));
            y = std::min(399, std::max(0, y + next(30)));
            headless::postMouse(viewer->handle, WM_MOUSEMOVE, x, y);
        }
        dragging = true;
    });
    EXPECT_EQ(runProgram(), 0);
    headless::setWaitHook(nullptr);
    EXPECT_TRUE(closed);

    ASSERT_GE(samples.size(), 2u);
    const Sample& first = samples.front();
    for (const Sample& s : samples) {
        std::printf("frames %7zu  heap %9zu bytes  GDI objects %zu\n", s.frames, s.heap, s.gdi);
        EXPECT_EQ(s.gdi, first.gdi) << "after " << s.frames << " frames";
        EXPECT_LE(s.heap, first.heap + kHeapSlack) << "after " << s.frames << " frames";
    }
    EXPECT_GE(samples.back().frames, wanted);
}

}  // namespace
}  // namespace td
