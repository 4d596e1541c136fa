#pragma once
// Per-frame histogram equalisation: each of a picture's three colour bytes is treated as its own
// 8-bit channel, and every value becomes the share of pixels whose value in that channel is at
// most it, scaled to 0-255. The fourth byte of each pixel is neither counted nor changed.

#include <cstdint>

#include "foundation/guarded_array.h"

namespace td {

class HistogramEqualiser {
public:
    // Equalises the pixels in place; does nothing for a null, empty or damaged array or a size
    // that is not positive. Every pixel of the array takes part, the background included.
    void equalise(ByteArray* pixels, int32_t width, int32_t height);

    // Counts by byte value: red is the third byte of a pixel, green the second, blue the first.
    uint32_t redCounts[256] = {};
    uint32_t greenCounts[256] = {};
    uint32_t blueCounts[256] = {};
    // New byte value by old one, in the same channel order.
    uint8_t redMap[256] = {};
    uint8_t greenMap[256] = {};
    uint8_t blueMap[256] = {};
    int32_t width = 0;
    int32_t height = 0;
    ByteArray* pixels = nullptr;  // not owned
};

}  // namespace td
