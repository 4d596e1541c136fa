// The shaded depth fill walks a surface with the plain layout in vector registers, and one whose
// depth buffer has another width pixel by pixel. Either way each pixel is tested against its own
// depth cell, so both walks must leave the same pixels and depths: the fast walk is checked
// against the pixel-by-pixel one, on triangles drawn in small groups that overlap, so that the
// depth test passes and fails (nearer, farther, equal and NaN depths) within one span.

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "raster_test_fixtures.h"

namespace td {
namespace {

using testing::makeSurface;

TEST(ShadedWalk, PlainLayoutDrawsAsPixelByPixel) {
    constexpr int32_t kWidth = 24, kHeight = 20;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Corner ranges: around the surface and just past its borders, long thin triangles reaching
    // far out, and apexes far above the surface.
    struct Range {
        int32_t xLow, xHigh, yLow, yHigh;
    };
    const Range ranges[] = {{-6, kWidth + 6, -6, kHeight + 6},
                            {-4, 2, -30, kHeight + 30},
                            {kWidth - 3, kWidth + 4, -30, kHeight + 30},
                            {-3000, 3000, -3000, 3000},
                            {-2000000000, 2000000000, -70000, kHeight}};
    std::mt19937 random(11);
    int differing = 0, drawn = 0;
    auto plain = makeSurface(kWidth, kHeight);
    auto other = makeSurface(kWidth, kHeight);
    ASSERT_TRUE(other->depth->create(kWidth + 1, kHeight));
    for (const Range& range : ranges) {
        std::uniform_int_distribution<int32_t> x(range.xLow, range.xHigh), y(range.yLow, range.yHigh);
        std::uniform_int_distribution<uint32_t> colour(0, 0xFFFFFF), pick(0, 7);
        for (int i = 0; i < 400; ++i) {
            const Colour background = unpackColour(testing::kBackground);
            if (i % 3 == 0)
                for (Surface* s : {plain.get(), other.get()})
                    s->clear(background.blue, background.green, background.red);
            const std::vector<uint8_t> before(plain->pixels->intactPayload(),
                                              plain->pixels->intactPayload() + plain->pixels->count());
            int32_t px[3], py[3];
            uint32_t c[3];
            double z[3];
            for (int k = 0; k < 3; ++k) {
                px[k] = x(random);
                py[k] = pick(random) == 0 && k > 0 ? py[0] : y(random);  // flat tops and bottoms too
                c[k] = colour(random);
                z[k] = pick(random) == 0 ? nan : double(pick(random)) * 0.25;
            }
            for (Surface* s : {plain.get(), other.get()})
                s->fillTriangleShadedDepth(px[0], py[0], px[1], py[1], px[2], py[2], c[0], c[1], c[2], z[0], z[1],
                                           z[2]);
            const uint8_t* pixels = plain->pixels->intactPayload();
            bool same = std::memcmp(pixels, other->pixels->intactPayload(), plain->pixels->count()) == 0;
            const double* depths = plain->depth->values->intactPayload();
            const double* otherDepths = other->depth->values->intactPayload();
            const size_t rowBytes = kWidth * sizeof(double);
            for (int32_t row = 0; row < kHeight; ++row)
                same &= std::memcmp(depths + row * kWidth, otherDepths + row * (kWidth + 1), rowBytes) == 0;
            differing += !same;
            drawn += std::memcmp(before.data(), pixels, before.size()) != 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(drawn, 500);  // most triangles of the first ranges reach the surface
}

}  // namespace
}  // namespace td
