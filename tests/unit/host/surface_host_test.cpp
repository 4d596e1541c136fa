// Surface behaviour that only the stand-in can show: other screen depths, failures of GDI and
// the objects left alive.

#include <gtest/gtest.h>

#include "platform/headless/inspect.h"
#include "render/surface.h"

namespace td {
namespace {

class SurfaceHost : public testing::Test {
protected:
    void SetUp() override { before_ = headless::liveGdiObjects(); }
    void TearDown() override {
        headless::resetGdiState();
        const headless::GdiCounts after = headless::liveGdiObjects();
        EXPECT_EQ(after.total(), before_.total()) << "GDI objects leaked";
    }
    headless::GdiCounts before_;
};

TEST_F(SurfaceHost, CreateFailsOnScreensWithoutThirtyTwoBitBitmaps) {
    for (int depth : {16, 24}) {
        headless::setScreenDepth(depth);
        Surface s;
        EXPECT_FALSE(s.create(400, 400, true)) << depth;
        EXPECT_EQ(s.bitmap, nullptr);
        EXPECT_EQ(s.width, 0);
        EXPECT_EQ(s.height, 0);
        // The array has GDI's size for that depth and the 32-bit transfer was never made into it:
        // it is still all zero and its guards are intact (ASan would catch an overrun as well).
        ASSERT_TRUE(s.pixels);
        EXPECT_NE(s.pixels->count(), 640000u);
        EXPECT_TRUE(s.pixels->guardsIntact());
        // A depth buffer is made all the same; the surface is simply not drawable.
        EXPECT_TRUE(s.depth);
    }
}

TEST_F(SurfaceHost, PresentBlitsTheWholeSurfaceToTheTopLeft) {
    Surface s;
    ASSERT_TRUE(s.create(400, 400, true));
    s.clear(0, 255, 0);
    HDC dc = GetDC(nullptr);
    const size_t blitsBefore = headless::blitCount();
    ASSERT_TRUE(s.present(dc));
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(headless::blitCount(), blitsBefore + 1);
    const headless::BlitRecord blit = headless::lastBlit();
    EXPECT_EQ(blit.x, 0);
    EXPECT_EQ(blit.y, 0);
    EXPECT_EQ(blit.width, 400);
    EXPECT_EQ(blit.height, 400);
    EXPECT_EQ(blit.rop, SRCCOPY);
    const headless::Canvas* screen = headless::windowCanvas(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->at(0, 0), 0x00FF00u);
    EXPECT_EQ(screen->at(399, 399), 0x00FF00u);
}

TEST_F(SurfaceHost, FailuresOfGdiLeaveNoBitmapAndNoLeak) {
    {
        headless::faults().getDC = 1;
        Surface s;
        EXPECT_FALSE(s.create(10, 10, false));
        EXPECT_EQ(s.bitmap, nullptr);
    }
    {
        headless::faults().createCompatibleBitmap = 1;
        Surface s;
        EXPECT_FALSE(s.create(10, 10, false));
    }
    {
        headless::faults().dibRowsShort = 1;
        Surface s;
        EXPECT_FALSE(s.create(10, 10, false));
        EXPECT_EQ(s.bitmap, nullptr);
    }
    {
        Surface s;
        ASSERT_TRUE(s.create(10, 10, false));
        headless::faults().dibRowsShort = 1;
        HDC dc = GetDC(nullptr);
        EXPECT_FALSE(s.present(dc));  // SetDIBits moved fewer rows
        headless::faults().createCompatibleDC = 1;
        EXPECT_FALSE(s.present(dc));
        EXPECT_TRUE(s.present(dc));
        ReleaseDC(nullptr, dc);
    }
}

TEST_F(SurfaceHost, DestroyDeletesTheBitmap) {
    const size_t bitmaps = headless::liveGdiObjects().bitmaps;
    Surface s;
    ASSERT_TRUE(s.create(3, 3, true));
    EXPECT_EQ(headless::liveGdiObjects().bitmaps, bitmaps + 1);
    EXPECT_NE(s.destroy(), 0);
    EXPECT_EQ(headless::liveGdiObjects().bitmaps, bitmaps);
}

}  // namespace
}  // namespace td
