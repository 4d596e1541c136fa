#pragma once
// One double per pixel, rows top row first (the opposite of the pixel rows); larger is nearer.

#include <cstdint>
#include <memory>

#include "foundation/guarded_array.h"

namespace td {

class DepthBuffer {
public:
    static constexpr double kCleared = -1000000.0;

    // Replaces the values with width x height cleared ones; false when they cannot be had.
    bool create(int32_t width, int32_t height);
    // Sets every value to kCleared; does nothing when the values are absent or damaged.
    void clear();
    // Releases the values and zeroes the size.
    void release();

    // True when z is strictly nearer than the stored value, so that of two surfaces at the same
    // depth the one drawn first stays visible; also true when there are no usable values, so that
    // a broken buffer draws everything rather than nothing.
    bool passes(int32_t x, int32_t y, double z) const;
    // Stores z when it passes; false when nothing was stored.
    bool store(int32_t x, int32_t y, double z);

    std::unique_ptr<DoubleArray> values;
    int32_t width = 0;
    int32_t height = 0;

private:
    size_t indexOf(int32_t x, int32_t y) const { return size_t(y) * size_t(width) + size_t(x); }
};

}  // namespace td
