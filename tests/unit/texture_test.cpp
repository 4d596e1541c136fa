// Texel reading and sampling of a Texture.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster_test_fixtures.h"

namespace td {
namespace {

using testing::TestTexture;

// The column that sample(u, 0) reads on a texture whose red channel is the column.
int columnAt(const Texture& t, double u) { return t.sample(u, 0.0).red; }

TEST(Texture, SampleWrapsEachCoordinateByItsRule) {
    TestTexture t(101, 11);  // u = 0.25 reads column 25
    const Texture& tex = t.texture;
    EXPECT_EQ(columnAt(tex, 0.0), 0);
    EXPECT_EQ(columnAt(tex, 1.0), 100);
    EXPECT_EQ(columnAt(tex, 1.25), 25);
    EXPECT_EQ(columnAt(tex, 2.0), 100);
    EXPECT_EQ(columnAt(tex, 1.0005), 100);  // wraps below 0.001 and reads as 1.0
    EXPECT_EQ(columnAt(tex, 1.002), 0);     // wraps to 0.002, which is kept
    EXPECT_EQ(columnAt(tex, 1.00100000002), 100);  // 0.00100000002 is below the single-precision 0.001
    EXPECT_EQ(columnAt(tex, -0.25), 75);
    EXPECT_EQ(columnAt(tex, -1.0), 100);
    EXPECT_EQ(columnAt(tex, -2.0), 100);
    EXPECT_EQ(columnAt(tex, -1e-20), 100);  // -1e-20 + 1 rounds to 1.0
    EXPECT_EQ(columnAt(tex, 3.5), 50);
    EXPECT_EQ(columnAt(tex, -7.75), 25);
    // v = 0 reads the top row, v = 1 the bottom one.
    EXPECT_EQ(tex.sample(0.0, 0.0).green, 0);
    EXPECT_EQ(tex.sample(0.0, 1.0).green, 10);
    EXPECT_EQ(tex.sample(0.0, 0.5).blue, 200);
}

TEST(Texture, SampleEndsForEveryValue) {
    TestTexture t(101, 11);
    const Texture& tex = t.texture;
    const double inf = std::numeric_limits<double>::infinity();
    // Values at which steps of 1 no longer change the number are whole and read as 1.0.
    EXPECT_EQ(columnAt(tex, 1e300), 100);
    EXPECT_EQ(columnAt(tex, -1e300), 100);
    EXPECT_EQ(columnAt(tex, std::ldexp(1.0, 60) + 0.0), 100);
    EXPECT_EQ(columnAt(tex, inf), 100);
    EXPECT_EQ(columnAt(tex, -inf), 100);
    EXPECT_EQ(columnAt(tex, std::nan("")), 0);
    // A value with a fraction just below 2^52 keeps its fraction.
    EXPECT_EQ(columnAt(tex, std::ldexp(1.0, 51) + 0.5), 50);
}

TEST(Texture, TexelIsBlackOutsideOrWithoutUsablePixels) {
    TestTexture t(4, 3);
    Texture& tex = t.texture;
    const Colour c = tex.texel(3, 2);
    EXPECT_EQ(c.red, 3);
    EXPECT_EQ(c.green, 2);
    EXPECT_EQ(c.blue, 200);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}}) EXPECT_EQ(tex.texel(x, y).blue, 0);

    // A pixel array shorter than the size promises reads black past its end.
    tex.pixels = std::make_unique<ByteArray>(8);
    EXPECT_EQ(tex.texel(0, 0).blue, 0);
    tex.pixels = std::make_unique<ByteArray>(48);
    tex.pixels->intactPayload()[0] = 9;  // texel (0, 2): the bottom row comes first
    EXPECT_EQ(tex.texel(0, 2).blue, 9);
    tex.pixels->rawBlock()[49] = 1;  // damaged trailing guard
    EXPECT_EQ(tex.texel(0, 2).blue, 0);
    tex.pixels->rawBlock()[49] = 0;
    HBITMAP bitmap = tex.bitmap;
    tex.bitmap = nullptr;
    EXPECT_EQ(tex.texel(0, 2).blue, 0);
    tex.bitmap = bitmap;
}

// A size larger than the pixel array reads black at every offset past it, also at those that a
// 32-bit size_t would wrap to the array's first texel (2^32 - 4 and 2^32).
TEST(Texture, TexelOffsetsDoNotWrapIntoThePayload) {
    TestTexture t(1, 1);  // the one texel has blue 200
    Texture& tex = t.texture;
    tex.height = 1 << 30;
    EXPECT_EQ(tex.texel(0, 0).blue, 0);
    EXPECT_EQ(tex.texel(0, (1 << 30) - 1).blue, 200);
    tex.width = 1 << 30;
    tex.height = 2;
    EXPECT_EQ(tex.texel(0, 0).blue, 0);
    EXPECT_EQ(tex.texel(0, 1).blue, 200);
}

}  // namespace
}  // namespace td
