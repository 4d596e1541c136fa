// Sets the viewer up as the program does, then runs frame updates at a fixed series of angles
// inside one function that callgrind can be told to count alone:
//
//   valgrind --tool=callgrind --toggle-collect='*measuredFrames*' build/release/frame_instructions [FRAMES]
//
// scripts/frame-instructions runs exactly that and prints the instructions per frame.

#include <cstdio>
#include <cstdlib>

#include "ui/viewer_window.h"

namespace {

// Not inlined, so that its name stays in the call graph.
__attribute__((noinline)) void measuredFrames(td::ViewerWindow& viewer, int frames) {
    for (int i = 0; i < frames; ++i) {
        viewer.angleY = 0.37 * double(i % 17);
        viewer.frameUpdate(nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: frame_instructions [FRAMES > 0]\n");
        return 2;
    }
    td::ViewerWindow viewer;
    viewer.setUp();
    measuredFrames(viewer, frames);
    std::printf("%d frames\n", frames);
    return 0;
}
