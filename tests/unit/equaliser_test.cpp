// Histogram equalisation of a surface's pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/guarded_array.h"
#include "render/histogram_equaliser.h"

namespace td {
namespace {

// An array of `pixels` pixels, each (blue, green, red, fourth) as given.
uint32_t loadWordOf(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

std::unique_ptr<ByteArray> picture(uint32_t pixels, uint8_t b, uint8_t g, uint8_t r, uint8_t fourth = 0) {
    auto a = std::make_unique<ByteArray>(pixels * 4);
    uint8_t* p = a->intactPayload();
    for (uint32_t i = 0; p && i < pixels; ++i) {
        p[4 * i] = b;
        p[4 * i + 1] = g;
        p[4 * i + 2] = r;
        p[4 * i + 3] = fourth;
    }
    return a;
}

TEST(HistogramEqualiser, UniformBlackBecomesWhiteAndByteThreeStays) {
    auto a = picture(12, 0, 0, 0, 7);
    HistogramEqualiser().equalise(a.get(), 4, 3);
    const uint8_t* p = a->intactPayload();
    for (uint32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(p[4 * i], 255);
        EXPECT_EQ(p[4 * i + 1], 255);
        EXPECT_EQ(p[4 * i + 2], 255);
        EXPECT_EQ(p[4 * i + 3], 7);
    }
}

TEST(HistogramEqualiser, EachChannelMapsToItsCumulativeShare) {
    // Half green 0, half green 255: green 0 maps to 127 and 255 stays; every channel is counted on
    // its own byte, so a red-only difference does not move green.
    auto a = picture(10, 0, 0, 9);
    uint8_t* p = a->intactPayload();
    for (uint32_t i = 5; i < 10; ++i) p[4 * i + 1] = 255;
    HistogramEqualiser e;
    e.equalise(a.get(), 10, 1);
    EXPECT_EQ(p[1], 127);
    EXPECT_EQ(p[4 * 9 + 1], 255);
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(e.greenCounts[0], 5u);
    EXPECT_EQ(e.greenMap[100], 127);  // a value nobody has still gets its share
    EXPECT_EQ(e.redCounts[9], 10u);
}

TEST(HistogramEqualiser, KeyBackgroundDominatesTheModel) {
    // 150,000 pixels of pure green background and 10,000 model pixels of one mid colour.
    auto a = picture(160000, 0, 255, 0);
    uint8_t* p = a->intactPayload();
    for (uint32_t i = 0; i < 10000; ++i) {
        p[4 * i] = 90;
        p[4 * i + 1] = 60;
        p[4 * i + 2] = 30;
    }
    HistogramEqualiser().equalise(a.get(), 400, 400);
    EXPECT_EQ(p[0], 255);  // blue 90 is above the background's 0
    EXPECT_EQ(p[1], 15);   // 10,000 * 255 / 160,000
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(p[4 * 10000], 239);  // background blue: 150,000 * 255 / 160,000
    EXPECT_EQ(p[4 * 10000 + 1], 255);
}

TEST(HistogramEqualiser, RunsOfEqualPixelsGiveWhatEachPixelAloneGives) {
    // Runs of 1 to 11 equal pixels, some differing only in the fourth byte, over a count that is
    // not a multiple of four: every pixel must be counted once and mapped by its own value.
    constexpr uint32_t kPixels = 1003;
    auto a = picture(kPixels, 0, 0, 0);
    uint8_t* p = a->intactPayload();
    uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (uint32_t i = 0; i < kPixels;) {
        const uint32_t value = next() % 4 == 0 ? 0x0000FF00u : next() * 2654435761u;
        for (uint32_t n = 1 + next() % 11; n > 0 && i < kPixels; --n, ++i)
            for (uint32_t k = 0; k < 4; ++k) p[4 * i + k] = uint8_t(value >> (8 * k));
        if (i < kPixels && next() % 5 == 0) p[4 * i - 1] ^= 1;  // the fourth byte alone differs
    }
    const std::vector<uint8_t> before(p, p + 4 * kPixels);
    uint32_t counts[3][256] = {};
    for (uint32_t i = 0; i < kPixels; ++i)
        for (uint32_t c = 0; c < 3; ++c) ++counts[c][before[4 * i + c]];

    HistogramEqualiser e;
    e.equalise(a.get(), kPixels, 1);
    for (uint32_t v = 0; v < 256; ++v) {
        ASSERT_EQ(e.blueCounts[v], counts[0][v]) << v;
        ASSERT_EQ(e.greenCounts[v], counts[1][v]) << v;
        ASSERT_EQ(e.redCounts[v], counts[2][v]) << v;
    }
    for (uint32_t i = 0; i < kPixels; ++i) {
        ASSERT_EQ(p[4 * i], e.blueMap[before[4 * i]]) << i;
        ASSERT_EQ(p[4 * i + 1], e.greenMap[before[4 * i + 1]]) << i;
        ASSERT_EQ(p[4 * i + 2], e.redMap[before[4 * i + 2]]) << i;
        ASSERT_EQ(p[4 * i + 3], before[4 * i + 3]) << i;
    }
}

TEST(HistogramEqualiser, UnusableInputLeavesThePixelsAlone) {
    auto a = picture(4, 10, 20, 30);
    HistogramEqualiser e;
    e.equalise(a.get(), 0, 4);
    e.equalise(a.get(), 4, -1);
    EXPECT_EQ(a->intactPayload()[0], 10);
    a->rawBlock()[0] = 1;  // damaged leading guard
    e.equalise(a.get(), 2, 2);
    a->rawBlock()[0] = 0;
    EXPECT_EQ(a->intactPayload()[0], 10);
    e.equalise(nullptr, 2, 2);
    ByteArray tiny(3);
    tiny.intactPayload()[0] = 5;
    e.equalise(&tiny, 1, 1);
    EXPECT_EQ(tiny.intactPayload()[0], 5);
}

TEST(HistogramEqualiser, CountsHandedOverGiveWhatItsOwnCountGives) {
    // A picture counted by its reader in runs (copies of one word counted in one call, as the
    // window shape counts the background) equalises exactly as equalise does; a reader that
    // counted too few or too many pixels is not trusted, and the array is counted afresh.
    constexpr uint32_t kPixels = 1001;
    auto a = picture(kPixels, 0, 255, 0, 3);
    uint8_t* p = a->intactPayload();
    for (uint32_t i = 0; i < kPixels; i += 1 + i % 7)
        for (uint32_t k = 0; k < 3; ++k) p[4 * i + k] = uint8_t(i * (k + 3));
    const std::vector<uint8_t> before(p, p + 4 * kPixels);
    HistogramEqualiser plain;
    plain.equalise(a.get(), kPixels, 1);
    const std::vector<uint8_t> expected(p, p + 4 * kPixels);

    struct Case {
        uint32_t last;   // pixels counted: [0, last)
        uint32_t extra;  // pixels counted a second time
    } const cases[] = {{kPixels, 0}, {kPixels - 1, 0}, {0, 0}, {kPixels, 1}};
    for (const Case& c : cases) {
        std::copy(before.begin(), before.end(), p);
        HistogramEqualiser e;
        e.equalise(picture(kPixels, 9, 9, 9).get(), kPixels, 1);  // an earlier use leaves nothing behind
        const uint32_t word = loadWordOf(before.data());
        for (uint32_t i = 0; i < c.last;) {
            uint32_t n = 1;
            while (i + n < c.last && loadWordOf(&before[4 * (i + n)]) == loadWordOf(&before[4 * i])) ++n;
            if (loadWordOf(&before[4 * i]) == word) {
                e.countCopies(word, n);
            } else {
                e.countPixels(&before[4 * i], n);
            }
            i += n;
        }
        e.countPixels(before.data(), c.extra);
        e.equaliseCounted(a.get(), kPixels, 1);
        EXPECT_EQ(std::vector<uint8_t>(p, p + 4 * kPixels), expected) << c.last << " + " << c.extra;
        EXPECT_EQ(0, std::memcmp(e.redMap, plain.redMap, sizeof e.redMap)) << c.last << " + " << c.extra;
    }
}

}  // namespace
}  // namespace td
