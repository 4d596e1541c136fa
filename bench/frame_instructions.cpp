// Sets the viewer up as the program does, then runs frame updates at a fixed series of angles
// inside one function that callgrind can be told to count alone, and after them as many clears
// and render passes (nothing else of the frame) inside another:
//
//   valgrind --tool=callgrind --toggle-collect='*measuredFrames*' build/release/frame_instructions [FRAMES]
//   valgrind --tool=callgrind --toggle-collect='*measuredRenders*' build/release/frame_instructions FRAMES knot10
//
// With `knot10` the render passes draw the same trefoil knot at ten times the triangles (a grid of
// 480 x 38 instead of 150 x 12: 36,480 triangles) instead of the embedded model; with `knot1m` at
// 2600 x 200, 1,040,000 triangles.
// scripts/frame-instructions runs the first and prints the instructions per frame.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/surface.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/modelgen/trefoil.h"
#include "ui/viewer_window.h"

namespace {

double angleAt(int i) { return 0.37 * double(i % 17); }

// Not inlined, so that their names stay in the call graph.
__attribute__((noinline)) void measuredFrames(td::ViewerWindow& viewer, int frames) {
    for (int i = 0; i < frames; ++i) {
        viewer.angleY = angleAt(i);
        viewer.frameUpdate(nullptr);
    }
}

__attribute__((noinline)) void measuredRenders(td::ViewerWindow& viewer, const td::Scene& scene, int frames) {
    for (int i = 0; i < frames; ++i) {
        viewer.renderer.surface->clear(0, 255, 0);
        viewer.renderer.setModel(td::multiply(td::Matrix4::rotationX(0.0), td::Matrix4::rotationY(angleAt(i))));
        viewer.renderer.render(&scene);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10;
    const bool knot10 = argc > 2 && std::strcmp(argv[2], "knot10") == 0;
    const bool knot1m = argc > 2 && std::strcmp(argv[2], "knot1m") == 0;
    if (frames <= 0 || argc > 3 || (argc == 3 && !knot10 && !knot1m)) {
        std::fprintf(stderr, "usage: frame_instructions [FRAMES > 0 [knot10 | knot1m]]\n");
        return 2;
    }
    td::ViewerWindow viewer;
    viewer.setUp();
    measuredFrames(viewer, frames);
    td::Scene knot;
    if (knot10) knot.build(td::writeMesh(td::generateTrefoil(480, 38)));
    if (knot1m) knot.build(td::writeMesh(td::generateTrefoil(2600, 200)));
    measuredRenders(viewer, knot10 || knot1m ? knot : viewer.scene, frames);
    std::printf("%d frames\n", frames);
    return 0;
}
