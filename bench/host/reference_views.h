#pragma once
// The triangles the render pass draws at each angle of the frame benchmarks, as plain corners,
// for the reference rasterizers that draw the same pictures beside ours.

#include <vector>

namespace bench {

// The side of the viewer's square picture, in pixels, which every view is drawn into.
constexpr int kSide = 400;

// A corner in pixels (y down), its depth (nearer is larger) and its lit colour's channels, 0 to 255.
struct PlainCorner {
    double x, y, z, red, green, blue;
};

// One list of corners, three to a triangle, per angle; every list draws a kSide x kSide picture.
using Views = std::vector<std::vector<PlainCorner>>;

const Views& embeddedViews();
const Views& knot10Views();
const Views& knotMillionViews();  // fewer angles than the others

}  // namespace bench
