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

    // The same in two steps, for a caller that reads every pixel anyway: it counts the pixels as
    // it reads them, a run at a time, then equaliseCounted maps them by those counts. Unless as
    // many pixels were counted as the array holds (each of them once, and none else),
    // equaliseCounted counts the array itself, as equalise does.
    void countPixels(const uint8_t* pixels, uint32_t n);
    void countCopies(uint32_t word, uint32_t n);
    void equaliseCounted(ByteArray* pixels, int32_t width, int32_t height);

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

private:
    // Pixels are counted into four sets in turn, so that neighbours of one value do not make
    // every increment wait for the one before; the sets are added up when the counting is done.
    static constexpr uint32_t kSets = 4;
    uint32_t sets_[kSets][3][256] = {};
    uint64_t counted_ = 0;
    void countArray(const uint8_t* p, uint32_t count);
    void mapByCounts(ByteArray* pixels, int32_t width, int32_t height);
    void countPixel(uint32_t set, const uint8_t* pixel, uint32_t n) {
        sets_[set][0][pixel[0]] += n;
        sets_[set][1][pixel[1]] += n;
        sets_[set][2][pixel[2]] += n;
    }
};

}  // namespace td
