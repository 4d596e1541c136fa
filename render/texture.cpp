#include "render/texture.h"

#include <cmath>

#include "foundation/convert.h"

namespace td {
namespace {

// The single-precision 0.001, as the wrap-around rule has always compared with it.
constexpr double kWrapFloor = double(0.001f);

// Brings one texture coordinate into [0, 1]. A value above 1 is reduced by whole steps of 1 until
// it is no longer above 1, a value below 0 is raised until it is no longer below 0, and a wrapped
// result below 0.001 becomes 1.0, so that a coordinate landing (almost) on a whole number reads
// the far edge rather than the near one. Values already in [0, 1] are used as they are.
//
// The fractional part gives exactly what the steps of 1 give, without taking as many steps as
// the value is large: above 1, every step c - 1 is exact (for c < 2^53, 1 is a multiple of c's
// spacing), so the result is c minus a whole number, that is the fractional part, or 1 for a
// whole c. Below 0 the steps are exact until the value reaches [-1, 0); the last step c' + 1 may
// round, and it is done here with the same operands. Magnitudes of 2^53 and more are whole
// numbers and read as 1.0, where the steps would no longer change the value and never end.
//
// Infinities read as 1.0, like the largest finite values. NaN fails both comparisons and is used
// unchanged; the texel index it gives converts to 0, so it reads the first column or row.
double wrapCoordinate(double c) {
    if (std::isinf(c)) return 1.0;
    double wrapped;
    if (c > 1.0) {
        const double fraction = std::fmod(c, 1.0);  // exact, in [0, 1)
        wrapped = fraction == 0.0 ? 1.0 : fraction;
    } else if (c < 0.0) {
        double last = std::fmod(c, 1.0);  // exact, in (-1, 0]: the value before the last step
        if (last == 0.0) last = -1.0;
        wrapped = last + 1.0;
    } else {
        return c;
    }
    return wrapped < kWrapFloor ? 1.0 : wrapped;
}

}  // namespace

Colour Texture::texel(int32_t x, int32_t y) const {
    if (x < 0 || x >= width || y < 0 || y >= height || !bitmap || !pixels) return Colour{};
    const uint8_t* p = pixels->intactPayload();
    // Texels lie bottom row first, four bytes each (blue, green, red, unused), as a surface's pixels.
    // The offset is taken in 64 bits so that a size larger than the array cannot wrap it back into
    // range where size_t has 32 bits.
    const uint64_t offset = (uint64_t(height - 1 - y) * uint64_t(width) + uint64_t(x)) * 4;
    if (!p || offset + 4 > pixels->count()) return Colour{};
    return Colour{p[offset + 2], p[offset + 1], p[offset]};
}

Colour Texture::sample(double u, double v) const {
    const int32_t column = truncToInt32(wrapCoordinate(u) * (double(width) - 1.0));
    const int32_t row = truncToInt32(wrapCoordinate(v) * (double(height) - 1.0));
    return texel(column, row);
}

}  // namespace td
