#include "render/histogram_equaliser.h"

#include <cstring>

#include "foundation/bytes.h"

namespace td {
namespace {

// table[k] = (pixels with a value of at most k) * 255 / all pixels. The product is taken in 64
// bits, so that arrays beyond 16,843,009 pixels, where it would no longer fit 32 bits, still get
// a non-decreasing table; below that it equals the 32-bit result.
void buildMap(const uint32_t (&counts)[256], uint8_t (&map)[256]) {
    uint64_t cumulative[256];
    uint64_t running = 0;
    for (int k = 0; k < 256; ++k) cumulative[k] = running += counts[k];
    const uint64_t total = cumulative[255];
    for (int k = 0; k < 256; ++k) map[k] = static_cast<uint8_t>(total ? cumulative[k] * 255 / total : 0);
}

}  // namespace

void HistogramEqualiser::countPixels(const uint8_t* p, uint32_t n) {
    uint32_t i = 0;
    for (; i + kSets <= n; i += kSets)
        for (uint32_t set = 0; set < kSets; ++set) countPixel(set, p + size_t{i + set} * 4, 1);
    for (uint32_t set = 0; i < n; ++i, ++set) countPixel(set, p + size_t{i} * 4, 1);
    counted_ += n;
}

void HistogramEqualiser::countCopies(uint32_t word, uint32_t n) {
    uint8_t pixel[4];
    storeWord(pixel, word);
    countPixel(0, pixel, n);
    counted_ += n;
}

// Every pixel of the array, in blocks of four. A run of equal pixels that starts with a block of
// four (most of a frame: the background, and flat shading) is counted in one addition.
void HistogramEqualiser::countArray(const uint8_t* p, uint32_t count) {
    uint32_t i = 0;
    while (i + kSets <= count) {
        const uint8_t* block = p + size_t{i} * 4;
        // The run is looked for only from a block of four equal pixels, where it has one.
        const uint32_t word = loadWord(block);
        if (fourWordsEqual(block, word)) {
            const uint32_t run = uint32_t(runWhile<true>(block, count - i, word));
            countPixel(0, block, run);
            i += run;
            continue;
        }
        for (uint32_t set = 0; set < kSets; ++set) countPixel(set, block + set * 4, 1);
        i += kSets;
    }
    for (; i < count; ++i) countPixel(0, p + size_t{i} * 4, 1);
}

void HistogramEqualiser::equalise(ByteArray* array, int32_t w, int32_t h) {
    // Whatever was counted before, the array is counted afresh.
    counted_ = 0;
    equaliseCounted(array, w, h);
}

void HistogramEqualiser::equaliseCounted(ByteArray* array, int32_t w, int32_t h) {
    mapByCounts(array, w, h);
    // The counts serve one call: the next counting starts afresh.
    std::memset(sets_, 0, sizeof sets_);
    counted_ = 0;
}

void HistogramEqualiser::mapByCounts(ByteArray* array, int32_t w, int32_t h) {
    pixels = array;
    uint8_t* p = array ? array->intactPayload() : nullptr;
    if (!p || w <= 0 || h <= 0) return;
    width = w;
    height = h;
    // The pixels are the array's whole payload, four bytes each, whatever the size given.
    const uint32_t count = array->count() / 4;
    if (count == 0) return;
    if (counted_ != count) {
        std::memset(sets_, 0, sizeof sets_);
        countArray(p, count);
    }
    for (int k = 0; k < 256; ++k) {
        blueCounts[k] = greenCounts[k] = redCounts[k] = 0;
        for (uint32_t set = 0; set < kSets; ++set) {
            blueCounts[k] += sets_[set][0][k];
            greenCounts[k] += sets_[set][1][k];
            redCounts[k] += sets_[set][2][k];
        }
    }
    buildMap(redCounts, redMap);
    buildMap(greenCounts, greenMap);
    buildMap(blueCounts, blueMap);

    // The maps as whole words, each channel's new byte already in its place, so that a pixel is
    // written by one store that keeps its fourth byte instead of one store per channel.
    uint32_t wordMaps[3][256];
    for (int k = 0; k < 256; ++k) {
        wordMaps[0][k] = wordOfBytes(blueMap[k], 0, 0, 0);
        wordMaps[1][k] = wordOfBytes(0, greenMap[k], 0, 0);
        wordMaps[2][k] = wordOfBytes(0, 0, redMap[k], 0);
    }
    const uint32_t kept = wordOfBytes(0, 0, 0, 0xFF);
    const auto mapPixel = [&wordMaps, kept](uint8_t* pixel) {
        storeWord(pixel, (loadWord(pixel) & kept) | wordMaps[0][pixel[0]] | wordMaps[1][pixel[1]] |
                             wordMaps[2][pixel[2]]);
    };
    const auto mapped = [&mapPixel](uint32_t word) {
        uint8_t pixel[4];
        storeWord(pixel, word);
        mapPixel(pixel);
        return loadWord(pixel);
    };
    // As in the counting, a run of equal pixels that starts with a block of four is mapped with
    // one look-up.
    uint32_t i = 0;
    while (i + kSets <= count) {
        uint8_t* block = p + size_t{i} * 4;
        const uint32_t word = loadWord(block);
        if (fourWordsEqual(block, word)) {
            const uint32_t run = uint32_t(runWhile<true>(block, count - i, word));
            const uint32_t to = mapped(word);
            for (uint32_t k = 0; k < run; ++k) storeWord(block + size_t{k} * 4, to);
            i += run;
            continue;
        }
        for (uint32_t k = 0; k < kSets; ++k) mapPixel(block + k * 4);
        i += kSets;
    }
    for (; i < count; ++i) mapPixel(p + size_t{i} * 4);
}

}  // namespace td
