// What only the stand-in can show about regions: region data is never read past the size it is
// given, no region is leaked, and GDI failures while the window shape is built leave pieces out
// without leaking or returning a broken handle.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/headless/inspect.h"
#include "platform/headless/inspect_region.h"
#include "platform/win32.h"
#include "render/surface.h"
#include "support/region_reference.h"
#include "ui/window_shape.h"

namespace {

using td::Surface;
using td::test::kKey;

class RegionHost : public testing::Test {
protected:
    void SetUp() override {
        headless::resetRegionFaults();
        liveBefore_ = headless::liveGdiObjects().regions;
    }
    void TearDown() override {
        headless::resetRegionFaults();
        EXPECT_EQ(headless::liveGdiObjects().regions, liveBefore_) << "regions leaked";
    }
    size_t liveRegions() const { return headless::liveGdiObjects().regions - liveBefore_; }

    // Checks that the shape of an 8 x 12 checkerboard, built while GDI fails as set up, covers
    // everything but the rows [lostFrom, lostTo) and the pixel (lostX, lostY), and releases it.
    // Eight columns give four one-pixel runs a row, so a leaf of 16 runs is four rows.
    void expectShapeWithout(void (*failures)(headless::RegionFaults&), int lostFrom, int lostTo, int lostX,
                            int lostY) {
        Surface s;
        td::test::paintCheckerboard(s, 8, 12);
        failures(headless::regionFaults());
        HRGN shape = s.shapeRegion(kKey);
        headless::resetRegionFaults();
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(liveRegions(), 1u);
        for (int y = lostFrom; y < lostTo; ++y)
            for (int x = 0; x < 8; ++x) td::test::setPixel(s, x, y, kKey);
        if (lostX >= 0) td::test::setPixel(s, lostX, lostY, kKey);
        HRGN expected = td::test::referenceShapeRegion(s, kKey);
        EXPECT_EQ(EqualRgn(shape, expected), TRUE);
        DeleteObject(expected);
        DeleteObject(shape);
    }

private:
    size_t liveBefore_ = 0;
};

// Two rectangles of region data in a buffer of exactly `bytes` bytes, the header told it has
// `claimed` rectangles and the given type.
HRGN fromData(size_t bytes, DWORD claimed, DWORD type = RDH_RECTANGLES) {
    RGNDATAHEADER h{};
    h.dwSize = sizeof h;
    h.iType = type;
    h.nCount = claimed;
    const RECT rects[2] = {{0, 0, 4, 4}, {8, 0, 12, 4}};
    std::vector<unsigned char> full(sizeof h + sizeof rects);
    std::memcpy(full.data(), &h, sizeof h);
    std::memcpy(full.data() + sizeof h, rects, sizeof rects);
    // A buffer of just `bytes`, so that AddressSanitizer sees any read beyond it.
    std::vector<unsigned char> exact(full.begin(), full.begin() + std::min(bytes, full.size()));
    return ExtCreateRegion(nullptr, DWORD(exact.size()), reinterpret_cast<const RGNDATA*>(exact.data()));
}

TEST_F(RegionHost, RegionDataIsNotTakenOnTrust) {
    const size_t whole = sizeof(RGNDATAHEADER) + 2 * sizeof(RECT);
    EXPECT_EQ(fromData(whole - 1, 2), nullptr);  // the last rectangle is cut short
    EXPECT_EQ(fromData(sizeof(RGNDATAHEADER), 1), nullptr);
    EXPECT_EQ(fromData(sizeof(RGNDATAHEADER) - 1, 0), nullptr);
    EXPECT_EQ(fromData(whole, 2, 2), nullptr);  // not RDH_RECTANGLES
    HRGN fewer = fromData(whole, 1);            // fewer rectangles than the buffer holds is fine
    ASSERT_NE(fewer, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(fewer, &box), SIMPLEREGION);
    DeleteObject(fewer);
    EXPECT_EQ(liveRegions(), 0u);
}

TEST_F(RegionHost, OffsetThatWouldOverflowIsRefused) {
    HRGN r = CreateRectRgn(0, 0, 10, 10);
    EXPECT_EQ(OffsetRgn(r, 0x7FFFFFF8, 0), ERROR);
    EXPECT_EQ(OffsetRgn(r, 0, -0x7FFFFFFF), SIMPLEREGION);
    EXPECT_EQ(OffsetRgn(r, 0, -10), ERROR);
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box.top, -0x7FFFFFFF);
    DeleteObject(r);
}

TEST_F(RegionHost, ShapeRegionLeavesOnlyItsResultAlive) {
    Surface s;
    td::test::paintCheckerboard(s, 64, 64);
    HRGN shape = s.shapeRegion(kKey);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(liveRegions(), 1u);
    DeleteObject(shape);
}

// Calls in order: CreateRectRgn 1 makes the empty region; ExtCreateRegion 1 to 3 make the three
// leaves (rows 0-3, 4-7, 8-11); CombineRgn 1 merges the second leaf into the first, the last one
// merges the third. A refused leaf is made from its runs, a refused merge is tried again and then
// made run by run: only a run whose own region or merge fails is lost.
TEST_F(RegionHost, GdiFailuresLoseOnlyTheFailedRuns) {
    using headless::Fault;
    using headless::RegionFaults;
    struct Case {
        const char* failure;
        void (*arm)(RegionFaults&);
        int lostFrom, lostTo, lostX, lostY;
    };
    for (const Case& c : {
             Case{"first leaf", [](RegionFaults& f) { f.extCreateRegion = 1; }, 0, 0, -1, -1},
             Case{"every leaf", [](RegionFaults& f) { f.extCreateRegion = -1; }, 0, 0, -1, -1},
             Case{"first leaf and its first run",
                  [](RegionFaults& f) {
                      f.extCreateRegion = 1;
                      f.createRectRgn = Fault::onCall(2);
                  },
                  0, 0, 0, 0},
             Case{"first merge once", [](RegionFaults& f) { f.combineRgn = 1; }, 0, 0, -1, -1},
             Case{"first merge twice", [](RegionFaults& f) { f.combineRgn = 2; }, 0, 0, -1, -1},
             Case{"first merge twice and its first run", [](RegionFaults& f) { f.combineRgn = 3; }, 0, 0, 0, 4},
             Case{"every merge", [](RegionFaults& f) { f.combineRgn = -1; }, 4, 12, -1, -1},
         }) {
        SCOPED_TRACE(c.failure);
        expectShapeWithout(c.arm, c.lostFrom, c.lostTo, c.lostX, c.lostY);
    }
}

TEST_F(RegionHost, NoEmptyRegionMeansNoShapeAndNoLeak) {
    Surface s;
    td::test::paintCheckerboard(s, 8, 12);
    headless::regionFaults().createRectRgn = 1;
    EXPECT_EQ(s.shapeRegion(kKey), nullptr);
    headless::regionFaults().createRectRgn = 1;
    EXPECT_EQ(td::test::referenceShapeRegion(s, kKey), nullptr);  // the reference agrees
    EXPECT_EQ(liveRegions(), 0u);
}

}  // namespace
