#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/inspect.h"
#include "ui/viewer_window.h"

namespace td {
namespace {

HRGN checkerboard(int width, int height) {
    std::vector<RECT> rects;
    for (int y = 0; y < height; ++y)
        for (int x = y % 2; x < width; x += 2) rects.push_back(RECT{x, y, x + 1, y + 1});
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rects.size());
    header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, width, height};
    std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER)));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}

TEST(ViewerWindowShape, RegionsTooComplexForAWindowShapeAreDropped) {
    const size_t regionsBefore = headless::liveGdiObjects().regions;
    // A 400 x 400 checkerboard: 80,000 rectangles, more than an X window shape can hold.
    HRGN tooMany = checkerboard(400, 400);
    ASSERT_NE(tooMany, nullptr);
    EXPECT_EQ(usableWindowShape(tooMany), nullptr);
    EXPECT_EQ(headless::liveGdiObjects().regions, regionsBefore);  // deleted, not leaked
    // 256 x 256 gives 32,768: one past the limit. 256 x 255 gives 32,640: within it.
    HRGN justOver = checkerboard(256, 256);
    EXPECT_EQ(usableWindowShape(justOver), nullptr);
    HRGN within = checkerboard(256, 255);
    EXPECT_EQ(usableWindowShape(within), within);
    DeleteObject(within);
    EXPECT_EQ(usableWindowShape(nullptr), nullptr);
}

}  // namespace
}  // namespace td
