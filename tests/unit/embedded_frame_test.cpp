// The first frame of the embedded model, as the viewer draws it at rest: the same picture and the
// same window shape on every build, pinned by one hash of each. A change to the model, the
// renderer or the equaliser shows here first; regenerate by pasting the printed hashes.

#include <gtest/gtest.h>

#include <vector>

#include "render/histogram_equaliser.h"
#include "support/program_frame.h"
#include "tools/snapshot/demo_frame.h"
#include "ui/viewer_window.h"

namespace td {
namespace {

constexpr uint64_t kFramePixelsHash = 0x25568b725e54d2f6ull;
constexpr uint64_t kFrameRegionHash = 0x241121a381bf6e1aull;

TEST(EmbeddedFrame, FirstFrameIsTheSameOnEveryBuild) {
    Surface surface;
    ASSERT_TRUE(drawProgramFrame(surface, embeddedScene(), 0.0, 0.0));
    HRGN region = surface.shapeRegion(ViewerWindow::kKeyColour);
    ASSERT_NE(region, nullptr);
    HistogramEqualiser().equalise(surface.pixels.get(), surface.width, surface.height);

    const DWORD size = GetRegionData(region, 0, nullptr);
    ASSERT_GT(size, sizeof(RGNDATAHEADER));
    std::vector<uint8_t> data(size);
    ASSERT_EQ(GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())), size);
    DeleteObject(region);
    const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
    // Only the rectangles: the header's reserved fields are GDI's own business.
    const uint64_t regionHash = demo::fnv1a(data.data() + header->dwSize, header->nCount * sizeof(RECT));
    const uint64_t pixelsHash = demo::fnv1a(surface.pixels->intactPayload(), surface.pixels->count());
    EXPECT_EQ(pixelsHash, kFramePixelsHash) << std::hex << "pixels 0x" << pixelsHash;
    EXPECT_EQ(regionHash, kFrameRegionHash) << std::hex << "region 0x" << regionHash << std::dec << " of "
                                            << header->nCount << " rectangles";
}

}  // namespace
}  // namespace td
