#pragma once
// The shaded fills for the many triangles of one render pass.

#include <cstddef>
#include <cstdint>

#include "render/surface.h"

namespace td {

// A corner as the shaded fills take it: the pixel position, and the values the walk interpolates
// in the order it keeps them, two to a vector register: blue and green, then red and z.
struct ShadedCorner {
    int32_t x = 0;
    int32_t y = 0;
    // Not over-aligned: on the 32-bit build, new and malloc give only 8-byte alignment.
    double blueGreen[2] = {};
    double redDepth[2] = {};

    ShadedCorner() = default;
    // `colour` packed red | green << 8 | blue << 16; z is not used without depth testing.
    ShadedCorner(int32_t x, int32_t y, uint32_t colour, double z)
        : x(x), y(y), blueGreen{double((colour >> 16) & 0xFF), double((colour >> 8) & 0xFF)},
          redDepth{double(colour & 0xFF), z} {}
};

// A triangle for ShadedTriangles: its three corners, in the order of the fills' arguments.
struct ShadedTriangle {
    const ShadedCorner* corners[3];
};

// Draws triangles exactly as one call each of fillTriangleShadedDepth (or fillTriangleShaded
// without depth testing) would. Those fills check the surface's bitmap, arrays and sizes on every
// call; nothing they write can change what the checks find, so while nothing else changes the
// surface, the checks are made once, here, for all the triangles.
class ShadedTriangles {
public:
    ShadedTriangles(Surface& surface, bool depthTested);
    // Draws the triangles in order, as one call of the fill each.
    void draw(const ShadedTriangle* triangles, size_t count);
    // One triangle through the fill itself.
    void drawByFills(const ShadedCorner& a, const ShadedCorner& b, const ShadedCorner& c);

private:
    enum class Path { Nothing, Lanes, Fills };
    Surface& surface_;
    bool depthTested_;
    Path path_ = Path::Fills;
    uint8_t* pixels_ = nullptr;
    double* depths_ = nullptr;
};

}  // namespace td
