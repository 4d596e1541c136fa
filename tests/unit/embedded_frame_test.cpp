// The first frame of the embedded model, as the viewer draws it at rest: the same picture and the
// same window shape on every build, pinned by one hash of each. A change to the model, the
// renderer or the equaliser shows here first; regenerate by pasting the printed hashes.

#include <gtest/gtest.h>

#include "support/program_frame.h"

namespace td {
namespace {

constexpr uint64_t kFramePixelsHash = 0x25568b725e54d2f6ull;
constexpr uint64_t kFrameRegionHash = 0x241121a381bf6e1aull;

TEST(EmbeddedFrame, FirstFrameIsTheSameOnEveryBuild) {
    Surface surface;
    HRGN region = nullptr;
    ASSERT_TRUE(drawViewerFrame(surface, embeddedScene(), 0.0, 0.0, &region));
    ASSERT_NE(region, nullptr);
    DWORD rectangles = 0;
    const uint64_t regionHash = regionRectanglesHash(region, &rectangles);
    DeleteObject(region);
    const uint64_t pixelsHash = demo::fnv1a(surface.pixels->intactPayload(), surface.pixels->count());
    EXPECT_EQ(pixelsHash, kFramePixelsHash) << std::hex << "pixels 0x" << pixelsHash;
    EXPECT_EQ(regionHash, kFrameRegionHash) << std::hex << "region 0x" << regionHash << std::dec << " of "
                                            << rectangles << " rectangles";
}

}  // namespace
}  // namespace td
