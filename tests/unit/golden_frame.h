#pragma once
// The golden frame: the generated demo scene at fixed angles on a 64 x 64 surface.

#include <memory>
#include <vector>

#include "tools/snapshot/demo_frame.h"

namespace td {

struct GoldenFrame {
    std::unique_ptr<Surface> surface = std::make_unique<Surface>();
    std::vector<bool> transparent;
    HRGN shape = nullptr;  // the window region of the frame; the test deletes it
    bool ok = false;
};

inline GoldenFrame renderGoldenFrame() {
    GoldenFrame frame;
    frame.ok = frame.surface->create(64, 64, true);
    if (frame.ok) demo::renderFrame(*frame.surface, demo::makeScene(), 0.6, 0.4, frame.transparent, &frame.shape);
    return frame;
}

}  // namespace td
