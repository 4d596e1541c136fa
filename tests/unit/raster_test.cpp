// The triangle fills, the two span families and the pixel writes.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "raster_test_fixtures.h"

namespace td {
namespace {

using testing::kBackground;
using testing::makeSurface;
using testing::maskOf;
using testing::pixelAt;
using testing::TestTexture;
using testing::untouchedOutsideColours;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

TEST(Rasterizer, TenPixelTriangleShadedAndTextured) {
    const std::string shaded =
        "..#...\n"
        ".##...\n"
        "####..\n"
        "..##..\n"
        "....#.\n"
        "......\n";
    auto s = makeSurface(6, 6);
    s->fillTriangleShaded(2, 0, 0, 2, 4, 4, kRed, kGreen, kBlue);
    EXPECT_EQ(maskOf(*s), shaded);
    EXPECT_EQ(pixelAt(*s, 2, 0), kRed);   // the apex keeps top's colour
    EXPECT_EQ(pixelAt(*s, 4, 4), kBlue);  // row 4 is one column where both edges meet low

    // The textured fill leaves out row 4, whose span has a single column.
    TestTexture t(4, 4);
    auto ts = makeSurface(6, 6);
    ts->fillTriangleTextured(2, 0, 0, 2, 4, 4, 0, 0, 1, 0, 1, 1, 1, 1, 1, &t.texture);
    std::string textured = shaded;
    textured[4 * 7 + 4] = '.';
    EXPECT_EQ(maskOf(*ts), textured);
    EXPECT_TRUE(untouchedOutsideColours(*ts));
}

TEST(Rasterizer, FlatTopFifteenPixels) {
    const std::string shaded =
        "#####.\n"
        "####..\n"
        "###...\n"
        "##....\n"
        "#.....\n"
        "......\n";
    auto s = makeSurface(6, 6);
    s->fillTriangleShaded(0, 0, 4, 0, 0, 4, kRed, kGreen, kBlue);
    EXPECT_EQ(maskOf(*s), shaded);
    EXPECT_EQ(pixelAt(*s, 4, 0), kGreen);  // the closing span of row 0 ends in mid's colour
    EXPECT_EQ(pixelAt(*s, 0, 4), kBlue);

    TestTexture t(4, 4);
    auto ts = makeSurface(6, 6);
    ts->fillTriangleTexturedDepth(0, 0, 4, 0, 0, 4, 0, 0, 1, 0, 0, 1, 1, 1, 1, &t.texture, 0, 0, 0);
    std::string textured = shaded;
    textured[4 * 7] = '.';
    EXPECT_EQ(maskOf(*ts), textured);
}

TEST(Rasterizer, CornersOnOneRowAndIdenticalCorners) {
    // Three corners on one row: the apex and the closing spans top->mid and mid->low only.
    auto s = makeSurface(8, 3);
    s->fillTriangleShaded(1, 1, 6, 1, 3, 1, kRed, kGreen, kBlue);
    EXPECT_EQ(maskOf(*s), "........\n.######.\n........\n");
    EXPECT_EQ(pixelAt(*s, 3, 1), kBlue);  // mid->low overwrote columns 3 to 6 ending in low's colour

    // Three identical points: the shaded fill ends with the last closing span's start colour,
    // which (the ends given right to left, or on one column) is low's; the textured fill draws the
    // apex alone, the texel of the first argument.
    auto one = makeSurface(3, 3);
    one->fillTriangleShaded(1, 1, 1, 1, 1, 1, kRed, kGreen, kBlue);
    EXPECT_EQ(maskOf(*one), "...\n.#.\n...\n");
    EXPECT_EQ(pixelAt(*one, 1, 1), kBlue);

    TestTexture t(4, 4);
    auto ts = makeSurface(3, 3);
    ts->fillTriangleTextured(1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, &t.texture);
    EXPECT_EQ(maskOf(*ts), "...\n.#.\n...\n");
    EXPECT_EQ(pixelAt(*ts, 1, 1), (3u | 0u << 8 | 200u << 16));  // texel (3, 0)

    // A null texture draws nothing at all, not even the apex.
    ts->fillTriangleTextured(0, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 1, 1, nullptr);
    EXPECT_EQ(maskOf(*ts), "...\n.#.\n...\n");
}

// Rules of the walk that show in single pixels of small shaded triangles (red channel only): edge 1
// carries its accumulated x and values past the mid row rather than restarting from mid's, and a
// span takes each edge's channels truncated to whole values at its ends.
TEST(Rasterizer, EdgeValuesCarryPastMidAndSpanEndsAreWholeChannels) {
    struct Case {
        const char* rule;
        int32_t x0, y0, x1, y1, x2, y2;
        uint32_t red0, red1, red2;
        int32_t x, y;
        uint32_t expected;
    };
    for (const Case& c : {
             // Three steps of 1/3 take edge 1 to x = 1.9999999999999998 and red -2.8e-14 at mid; a row
             // of the mid-to-low side, and row 4 starts at column 1 with red 9.99... (mid's x and
             // red would give a one-column span: nothing at column 1).
             Case{"edge 1 keeps its accumulated values past mid", 2, 4, 1, 0, 2, 3, 10, 200, 0, 1, 4, 9},
             // Edge 1 arrives at mid with red 254.99999999999997 and column 3.99..., so row 4
             // starts at column 1 with red 254.
             Case{"edge 1 keeps its accumulated values past mid", 4, 3, 2, 0, 2, 4, 255, 100, 255, 1, 4, 254},
             // Row 2 runs right to left from edge 2 (column 0, red 218.33...) to edge 1 (column 3,
             // red 200): from the whole 218 the steps of -6 end at 200; from 218.33... they would
             // end at 199.99... and draw 199.
             Case{"span ends are whole channels", 0, 0, 1, 3, 3, 2, 255, 200, 200, 3, 2, 200},
         }) {
        auto s = makeSurface(5, 5);
        s->fillTriangleShaded(c.x0, c.y0, c.x1, c.y1, c.x2, c.y2, c.red0, c.red1, c.red2);
        EXPECT_EQ(pixelAt(*s, c.x, c.y), c.expected) << c.rule;
    }
}

TEST(Rasterizer, ShadedSpanInterpolatesVisibleColumnsOnly) {
    auto s = makeSurface(5, 1);
    s->fillSpanShaded(0, 0, 4, 0, 255);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(pixelAt(*s, x, 0), uint32_t(std::vector<int>{0, 63, 127, 191, 255}[x]));

    // Clipped to the visible columns, which take the whole range; either order of the ends.
    for (bool reversed : {false, true}) {
        auto w = makeSurface(400, 1);
        if (reversed) {
            w->fillSpanShaded(100, 0, -100, 255, 0);
        } else {
            w->fillSpanShaded(-100, 0, 100, 0, 255);
        }
        EXPECT_EQ(pixelAt(*w, 0, 0), 0u);
        EXPECT_EQ(pixelAt(*w, 50, 0), 127u);
        EXPECT_EQ(pixelAt(*w, 100, 0), 255u);
        EXPECT_EQ(pixelAt(*w, 101, 0), kBackground);
    }
    // From -2000 to 2000 only columns 0 to 399 are interpolated: 399 additions of 255 / 399 fall
    // just short of 255 at the last column.
    auto w = makeSurface(400, 1);
    w->fillSpanShaded(-2000, 0, 2000, 0, 0xFF00);
    EXPECT_EQ(pixelAt(*w, 0, 0), 0u);
    EXPECT_EQ(pixelAt(*w, 200, 0), 127u << 8);
    EXPECT_EQ(pixelAt(*w, 399, 0), 254u << 8);

    // A span on one column is one pixel in the second end's colour; a row outside writes nothing.
    auto p = makeSurface(3, 1);
    p->fillSpanShaded(1, 0, 1, kRed, kGreen);
    p->fillSpanShaded(0, 1, 2, kRed, kRed);
    p->fillSpanShaded(0, -1, 2, kRed, kRed);
    EXPECT_EQ(maskOf(*p), ".#.\n");
    EXPECT_EQ(pixelAt(*p, 1, 0), kGreen);
}

// The textured span's column-by-column walk written out plainly, as the reference for the
// bounded implementation: the texel column reached at each visible column.
std::vector<int> referenceTexturedColumns(int xa, int xb, double ua, double ub, int surfaceWidth, int textureWidth) {
    std::vector<int> columns(surfaceWidth, -1);
    const long long n = std::llabs((long long)xb - xa);
    const double du = (ub - ua) / double(n);
    double u = ua;
    for (long long k = 0; k <= n; ++k, u += du) {
        const long long x = xa + (xb > xa ? k : -k);
        if (x < 0 || x >= surfaceWidth) continue;
        double w = u;  // the wrap rule for u in [-1, 2)
        if (w > 1.0) w -= 1.0;
        if (w < 0.0) w += 1.0;
        if ((u > 1.0 || u < 0.0) && w < double(0.001f)) w = 1.0;
        columns[x] = int(w * (textureWidth - 1));
    }
    return columns;
}

TEST(Rasterizer, TexturedSpanWalksTheWholeSpanFromTheFirstEnd) {
    TestTexture t(256, 1);
    struct Case {
        int xa, xb;
        double ua, ub;
    };
    // Spans reaching far outside in both directions; the farthest still lie within the reach in
    // which the skipped columns are stepped exactly.
    for (const Case& c : {Case{-2000, 2000, 0.0, 1.0}, Case{2000, -2000, 0.1, 0.9}, Case{-60001, 399, -0.5, 1.5},
                          Case{65000, -3, 0.0, 1.0}}) {
        auto s = makeSurface(400, 1);
        s->fillSpanTextured(c.xa, 0, c.xb, c.ua, 0, c.ub, 0, 1, 1, &t.texture);
        const std::vector<int> expected = referenceTexturedColumns(c.xa, c.xb, c.ua, c.ub, 400, 256);
        for (int x = 0; x < 400; ++x) {
            ASSERT_EQ(pixelAt(*s, x, 0), uint32_t(expected[x]) | 200u << 16) << c.xa << " " << x;
        }
    }
    // One column draws nothing; the intensity is clamped per texel (1.5 unchanged, -0.2 black).
    auto s = makeSurface(4, 1);
    s->fillSpanTextured(1, 0, 1, 0, 0, 1, 1, 1, 1, &t.texture);
    EXPECT_EQ(maskOf(*s), "....\n");
    s->fillSpanTextured(0, 0, 1, 0.5, 0, 0.5, 0, 1.5, 1.5, &t.texture);
    s->fillSpanTextured(3, 0, 2, 0.5, 0, 0.5, 0, -0.2, -0.2, &t.texture);
    EXPECT_EQ(pixelAt(*s, 0, 0), 127u | 200u << 16);
    EXPECT_EQ(pixelAt(*s, 2, 0), 0u);
}

TEST(Rasterizer, DepthDecidesWhichColourStays) {
    auto s = makeSurface(8, 8);
    s->fillTriangleShadedDepth(0, 0, 7, 0, 0, 7, kRed, kRed, kRed, 1, 1, 1);
    s->fillTriangleShadedDepth(0, 0, 7, 0, 0, 7, kGreen, kGreen, kGreen, 1, 1, 1);  // a tie fails
    EXPECT_EQ(pixelAt(*s, 1, 1), kRed);
    s->fillTriangleShadedDepth(0, 0, 7, 0, 0, 7, kBlue, kBlue, kBlue, 1.5, 1.5, 1.5);
    EXPECT_EQ(pixelAt(*s, 1, 1), kBlue);
    EXPECT_EQ(s->depth->values->get(1 * 8 + 1), 1.5);  // depth rows run top-down

    // After a clear any z above -1e6 is drawn; without a depth buffer the depth fills draw nothing.
    s->clear(0, 0, 0);
    s->putPixelDepth(3, 3, kRed, -999999.0);
    EXPECT_EQ(pixelAt(*s, 3, 3), kRed);
    auto flat = makeSurface(4, 4, false);
    flat->fillTriangleShadedDepth(0, 0, 3, 0, 0, 3, kRed, kRed, kRed, 0, 0, 0);
    EXPECT_EQ(maskOf(*flat), "....\n....\n....\n....\n");
    flat->fillTriangleShaded(0, 0, 3, 0, 0, 3, kRed, kRed, kRed);
    EXPECT_EQ(pixelAt(*flat, 0, 0), kRed);
}

TEST(Rasterizer, HugeTrianglesStayBoundedAndInsideThePayload) {
    TestTexture t(8, 8);
    auto s = makeSurface(64, 48);
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    s->fillTriangleShadedDepth(lo, lo, hi, 0, 0, hi, kRed, kGreen, kBlue, 0, 0, 0);
    s->fillTriangleTextured(hi, lo, lo, hi, hi, hi, 0, 0, 1, 1, 1, 0, 1, 1, 1, &t.texture);
    s->fillTriangleTexturedDepth(lo, lo, lo, hi, hi, 5, 0, 0, 1, 1, 0, 1, 1, 1, 1, &t.texture, 1, 1, 1);
    s->fillSpanTextured(lo, 3, hi, 0, 0, 1, 1, 1, 1, &t.texture);
    s->fillSpanShadedDepth(hi, 4, lo, kRed, kBlue, 2, 3);
    EXPECT_EQ(maskOf(*s).find('.'), std::string::npos);  // all of it covered
    EXPECT_TRUE(untouchedOutsideColours(*s));
    EXPECT_TRUE(s->depth->values->guardsIntact());
}

TEST(Rasterizer, RowsAboveTheSurfaceAreSteppedExactly) {
    // A triangle whose apex lies 60,000 rows above a small surface gives the same pixels as the
    // same triangle drawn wholly on a surface tall enough to show every row.
    const int32_t rise = 60000;
    auto small = makeSurface(16, 8, false);
    small->fillTriangleShaded(-3, -rise, 20, 7, 1, 3, kRed, kGreen, kBlue);
    auto tall = makeSurface(16, rise + 8, false);
    tall->fillTriangleShaded(-3, 0, 20, rise + 7, 1, rise + 3, kRed, kGreen, kBlue);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(pixelAt(*small, x, y), pixelAt(*tall, x, y + rise)) << x << "," << y;
}

TEST(Rasterizer, PixelWritesRespectBoundsBitmapAndGuards) {
    auto s = makeSurface(2, 2);
    s->putPixel(-1, 0, kRed);
    s->putPixel(2, 0, kRed);
    s->putPixel(0, 2, kRed);
    EXPECT_EQ(maskOf(*s), "..\n..\n");
    s->putPixel(1, 0, 0xFF112233);  // the top byte carries nothing
    const uint8_t* p = s->pixels->intactPayload() + s->pixelOffset(1, 0);
    EXPECT_EQ(p[0], 0x11);
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x33);
    EXPECT_EQ(p[3], 0);

    // A damaged guard makes every write skip, and nothing repairs the array.
    s->pixels->rawBlock()[0] = 1;
    s->putPixel(0, 0, kRed);
    s->pixels->rawBlock()[0] = 0;
    EXPECT_EQ(pixelAt(*s, 0, 0), kBackground);
    // A damaged depth array draws every depth-tested pixel and stores nothing.
    s->depth->values->rawBlock()[0] = 1.0;
    s->putPixelDepth(0, 0, kRed, -5e6);
    EXPECT_EQ(pixelAt(*s, 0, 0), kRed);
    s->depth->values->rawBlock()[0] = 0.0;
    EXPECT_EQ(s->depth->values->get(0), -1e6);
}

// The fills check the arrays once per triangle rather than once per pixel; whatever state the
// arrays are in, they must still draw exactly what the pixel writes would.
TEST(Rasterizer, FillsDrawWhatThePixelWritesWouldInEveryArrayState) {
    const auto draw = [](Surface& s) {
        s.fillTriangleShadedDepth(1, 0, 7, 3, 0, 6, kRed, kGreen, kBlue, 2.0, 2.0, 2.0);
    };
    auto reference = makeSurface(8, 7, false);
    reference->fillTriangleShaded(1, 0, 7, 3, 0, 6, kRed, kGreen, kBlue);
    const std::string drawn = maskOf(*reference);
    ASSERT_NE(drawn.find('#'), std::string::npos);
    const auto samePixels = [&](Surface& s) {
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 8; ++x)
                if (pixelAt(s, x, y) != pixelAt(*reference, x, y)) return false;
        return true;
    };

    auto plain = makeSurface(8, 7);
    draw(*plain);
    EXPECT_TRUE(samePixels(*plain));
    EXPECT_EQ(plain->depth->values->get(6 * 8 + 0), 2.0);  // depth rows run top-down

    // Depths that cannot be used: every pixel passes, none is stored.
    auto damagedDepth = makeSurface(8, 7);
    damagedDepth->depth->values->rawBlock()[0] = 1.0;
    draw(*damagedDepth);
    damagedDepth->depth->values->rawBlock()[0] = 0.0;
    EXPECT_TRUE(samePixels(*damagedDepth));
    EXPECT_EQ(damagedDepth->depth->values->get(6 * 8 + 0), -1e6);

    // A depth buffer of another width is indexed by its own rows.
    auto otherDepth = makeSurface(8, 7);
    ASSERT_TRUE(otherDepth->depth->create(9, 7));
    draw(*otherDepth);
    EXPECT_TRUE(samePixels(*otherDepth));
    EXPECT_EQ(otherDepth->depth->values->get(6 * 9 + 0), 2.0);

    // No depth buffer, or pixels behind a damaged guard: nothing is drawn.
    auto noDepth = makeSurface(8, 7, false);
    draw(*noDepth);
    const std::string blank = maskOf(*makeSurface(8, 7));
    EXPECT_EQ(maskOf(*noDepth), blank);
    auto damagedPixels = makeSurface(8, 7);
    damagedPixels->pixels->rawBlock()[0] = 1;
    draw(*damagedPixels);
    damagedPixels->pixels->rawBlock()[0] = 0;
    EXPECT_EQ(maskOf(*damagedPixels), blank);
    EXPECT_TRUE(untouchedOutsideColours(*plain));
}

// A size larger than the pixel array: every offset past the array is refused, also those that a
// 32-bit size_t would wrap to the array's first bytes (2^32 - 4 and 2^32).
TEST(Rasterizer, PixelWritesDoNotWrapOffsetsIntoThePayload) {
    auto s = makeSurface(1, 1);
    const uint8_t* block = s->pixels->rawBlock();
    s->height = 1 << 30;
    s->putPixel(0, 0, kRed);  // offset 2^32 - 4
    s->width = 1 << 30;
    s->height = 2;
    s->putPixel(0, 0, kRed);  // offset 2^32
    EXPECT_EQ(s->pixels->rawBlock(), block);
    EXPECT_TRUE(untouchedOutsideColours(*s));
    EXPECT_EQ(pixelAt(*s, 0, 1), kBackground);
    s->putPixel(0, 1, kRed);  // offset 0, the one pixel the array holds
    EXPECT_EQ(pixelAt(*s, 0, 1), kRed);
}

}  // namespace
}  // namespace td
