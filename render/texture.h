#pragma once
// An image that the textured fills read and never write, laid out like a Surface's pixels: four
// bytes a texel (blue, green, red, unused), rows bottom row first.

#include <cstdint>
#include <memory>

#include "foundation/guarded_array.h"
#include "foundation/math.h"
#include "platform/win32.h"

namespace td {

class Texture {
public:
    // The texel at column x and row y (0 the top row); black outside the image or when the
    // texture has no bitmap or no usable pixels.
    Colour texel(int32_t x, int32_t y) const;
    // The nearest texel at (u, v): (0, 0) the top-left texel, (1, 1) the bottom-right one;
    // coordinates outside [0, 1] repeat.
    Colour sample(double u, double v) const;

    HBITMAP bitmap = nullptr;  // must be non-null for any texel to be read
    int32_t reservedA = 0;     // not read by the fills
    int32_t reservedB = 0;     // not read by the fills
    std::unique_ptr<ByteArray> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

}  // namespace td
