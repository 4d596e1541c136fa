// The golden frame: a fixed scene rendered and equalised must give the same bytes on every build.
// tests/golden/demo_frame.png is the same frame for people (and for the host picture comparison);
// TD_REGENERATE_GOLDEN=1 on the host rewrites it and prints the hash to paste here.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "golden_frame.h"
#include "support/program_frame.h"

namespace td {
namespace {

constexpr uint64_t kGoldenPayloadHash = 0xee97eacdd4664d9bull;
constexpr uint64_t kGoldenShapeHash = 0x5766d26df19db17full;

TEST(GoldenFrame, PayloadHashMatchesOnEveryBuild) {
    const GoldenFrame frame = renderGoldenFrame();
    ASSERT_TRUE(frame.ok);
    const uint64_t hash = demo::fnv1a(frame.surface->pixels->intactPayload(), frame.surface->pixels->count());
    EXPECT_EQ(hash, kGoldenPayloadHash) << "payload hash 0x" << std::hex << hash;

    // The window shape of the same frame: its rectangles, in GDI's own order.
    ASSERT_NE(frame.shape, nullptr);
    const uint64_t shapeHash = regionRectanglesHash(frame.shape);
    DeleteObject(frame.shape);
    EXPECT_EQ(shapeHash, kGoldenShapeHash) << "shape hash 0x" << std::hex << shapeHash;
}

}  // namespace
}  // namespace td
