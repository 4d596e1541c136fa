// GDI region arithmetic as the program uses it, checked against the real thing under Wine and
// against the stand-in on the host, so the two agree rectangle for rectangle.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/win32.h"

namespace {

using Rect = std::array<LONG, 4>;  // left, top, right, bottom
using Rects = std::vector<Rect>;

struct RegionData {
    DWORD result = 0;
    RGNDATAHEADER header{};
    Rects rects;
};

RegionData regionData(HRGN region) {
    RegionData d;
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> bytes(size);
    d.result = GetRegionData(region, size, reinterpret_cast<RGNDATA*>(bytes.data()));
    if (size < sizeof(RGNDATAHEADER)) return d;
    std::memcpy(&d.header, bytes.data(), sizeof d.header);
    for (size_t off = sizeof(RGNDATAHEADER); off + sizeof(RECT) <= size; off += sizeof(RECT)) {
        RECT r;
        std::memcpy(&r, bytes.data() + off, sizeof r);
        d.rects.push_back({r.left, r.top, r.right, r.bottom});
    }
    return d;
}

Rects rectsOf(HRGN region) { return regionData(region).rects; }

Rect boxOf(HRGN region, int* type) {
    RECT box{-1, -1, -1, -1};
    *type = GetRgnBox(region, &box);
    return {box.left, box.top, box.right, box.bottom};
}

// Region data of `count` rectangles laid out as GDI reads it; `extra` bytes of slack at the end.
std::vector<unsigned char> regionBytes(const Rects& rects, size_t extra = 0) {
    RGNDATAHEADER h{};
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = static_cast<DWORD>(rects.size());
    h.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    std::vector<unsigned char> bytes(sizeof h + rects.size() * sizeof(RECT) + extra, 0);
    std::memcpy(bytes.data(), &h, sizeof h);
    for (size_t i = 0; i < rects.size(); ++i) {
        const RECT r{rects[i][0], rects[i][1], rects[i][2], rects[i][3]};
        std::memcpy(bytes.data() + sizeof h + i * sizeof(RECT), &r, sizeof r);
    }
    return bytes;
}

HRGN fromBytes(const std::vector<unsigned char>& bytes, DWORD count) {
    return ExtCreateRegion(nullptr, count, reinterpret_cast<const RGNDATA*>(bytes.data()));
}

// Owns the regions a test makes.
class Regions : public testing::Test {
protected:
    ~Regions() override {
        for (HRGN r : made_) DeleteObject(r);
    }
    HRGN keep(HRGN r) {
        if (r) made_.push_back(r);
        return r;
    }
    HRGN rect(int l, int t, int r, int b) { return keep(CreateRectRgn(l, t, r, b)); }
    HRGN empty() { return rect(0, 0, 0, 0); }
    // a op b into a new region; the type CombineRgn reported lands in *type.
    HRGN combined(HRGN a, HRGN b, int mode, int* type) {
        HRGN out = empty();
        *type = CombineRgn(out, a, b, mode);
        return out;
    }

private:
    std::vector<HRGN> made_;
};

TEST_F(Regions, RectangleRegionsAreNormalisedAndEmptyOnesHaveANullBox) {
    int type = 0;
    EXPECT_EQ(boxOf(rect(10, 20, 0, 5), &type), (Rect{0, 5, 10, 20}));
    EXPECT_EQ(type, SIMPLEREGION);
    for (HRGN r : {rect(5, 5, 5, 10), rect(3, 7, 9, 7), empty()}) {
        EXPECT_EQ(boxOf(r, &type), (Rect{0, 0, 0, 0}));
        EXPECT_EQ(type, NULLREGION);
        EXPECT_TRUE(rectsOf(r).empty());
    }
    const RECT swapped{8, 9, 2, 3};
    HRGN indirect = keep(CreateRectRgnIndirect(&swapped));
    EXPECT_EQ(rectsOf(indirect), (Rects{{2, 3, 8, 9}}));
}

TEST_F(Regions, UnionIsKeptInYXBandedForm) {
    int type = 0;
    // Overlapping rectangles split into bands of equal top and bottom.
    HRGN overlap = combined(rect(0, 0, 10, 10), rect(5, 5, 15, 15), RGN_OR, &type);
    EXPECT_EQ(type, COMPLEXREGION);
    EXPECT_EQ(rectsOf(overlap), (Rects{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
    // Within a band rectangles are sorted by left whatever the order they came in.
    HRGN apart = combined(rect(20, 0, 30, 5), rect(0, 0, 10, 5), RGN_OR, &type);
    EXPECT_EQ(type, COMPLEXREGION);
    EXPECT_EQ(rectsOf(apart), (Rects{{0, 0, 10, 5}, {20, 0, 30, 5}}));
    // Touching side by side: one rectangle. Stacked with the same columns: one rectangle.
    HRGN sideBySide = combined(rect(5, 0, 10, 5), rect(0, 0, 5, 5), RGN_OR, &type);
    EXPECT_EQ(type, SIMPLEREGION);
    EXPECT_EQ(rectsOf(sideBySide), (Rects{{0, 0, 10, 5}}));
    HRGN stacked = combined(rect(0, 5, 5, 10), rect(0, 0, 5, 5), RGN_OR, &type);
    EXPECT_EQ(rectsOf(stacked), (Rects{{0, 0, 5, 10}}));
    // Stacked with other columns, or with a gap between them: separate bands.
    HRGN stepped = combined(rect(0, 0, 5, 5), rect(1, 5, 5, 10), RGN_OR, &type);
    EXPECT_EQ(rectsOf(stepped), (Rects{{0, 0, 5, 5}, {1, 5, 5, 10}}));
    HRGN gap = combined(rect(0, 0, 5, 5), rect(0, 6, 5, 10), RGN_OR, &type);
    EXPECT_EQ(rectsOf(gap), (Rects{{0, 0, 5, 5}, {0, 6, 5, 10}}));
    // Bands re-join once an intruding rectangle is covered: a cross and a filled square.
    HRGN cross = combined(rect(4, 0, 6, 10), rect(0, 4, 10, 6), RGN_OR, &type);
    EXPECT_EQ(rectsOf(cross), (Rects{{4, 0, 6, 4}, {0, 4, 10, 6}, {4, 6, 6, 10}}));
    HRGN square = combined(cross, rect(0, 0, 10, 10), RGN_OR, &type);
    EXPECT_EQ(type, SIMPLEREGION);
    EXPECT_EQ(rectsOf(square), (Rects{{0, 0, 10, 10}}));
}

TEST_F(Regions, GrowingARegionDownwardsJoinsBandsThatContinue) {
    HRGN grown = empty();
    EXPECT_EQ(CombineRgn(grown, grown, rect(0, 0, 5, 5), RGN_OR), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(grown, grown, rect(0, 5, 5, 8), RGN_OR), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(grown, grown, rect(1, 8, 5, 9), RGN_OR), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(grown, grown, rect(7, 8, 9, 9), RGN_OR), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(grown, grown, rect(0, 12, 3, 13), RGN_OR), COMPLEXREGION);
    EXPECT_EQ(rectsOf(grown), (Rects{{0, 0, 5, 8}, {1, 8, 5, 9}, {7, 8, 9, 9}, {0, 12, 3, 13}}));
    // Two-band pieces: the first band continues the last one, the second does not.
    int type = 0;
    HRGN piece = combined(rect(0, 13, 3, 14), rect(4, 14, 6, 15), RGN_OR, &type);
    EXPECT_EQ(CombineRgn(grown, grown, piece, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(rectsOf(grown),
              (Rects{{0, 0, 5, 8}, {1, 8, 5, 9}, {7, 8, 9, 9}, {0, 12, 3, 14}, {4, 14, 6, 15}}));
    // A piece reaching back up over several bands.
    EXPECT_EQ(CombineRgn(grown, grown, rect(0, 4, 9, 20), RGN_OR), COMPLEXREGION);
    EXPECT_EQ(rectsOf(grown), (Rects{{0, 0, 5, 4}, {0, 4, 9, 20}}));
}

TEST_F(Regions, IntersectionDifferenceAndExclusiveOr) {
    HRGN a = rect(0, 0, 10, 10);
    HRGN b = rect(5, 5, 15, 15);
    int type = 0;
    EXPECT_EQ(rectsOf(combined(a, b, RGN_AND, &type)), (Rects{{5, 5, 10, 10}}));
    EXPECT_EQ(type, SIMPLEREGION);
    EXPECT_EQ(rectsOf(combined(a, b, RGN_DIFF, &type)), (Rects{{0, 0, 10, 5}, {0, 5, 5, 10}}));
    EXPECT_EQ(type, COMPLEXREGION);
    EXPECT_EQ(rectsOf(combined(a, b, RGN_XOR, &type)),
              (Rects{{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}));
    // A hole: the frame around it keeps three bands.
    EXPECT_EQ(rectsOf(combined(a, rect(3, 3, 7, 7), RGN_DIFF, &type)),
              (Rects{{0, 0, 10, 3}, {0, 3, 3, 7}, {7, 3, 10, 7}, {0, 7, 10, 10}}));
    combined(a, rect(20, 20, 30, 30), RGN_AND, &type);
    EXPECT_EQ(type, NULLREGION);
    combined(a, a, RGN_DIFF, &type);
    EXPECT_EQ(type, NULLREGION);
}

TEST_F(Regions, CombineWritesIntoAnOperandAndRejectsBadArguments) {
    HRGN a = rect(0, 0, 10, 10);
    EXPECT_EQ(CombineRgn(a, a, rect(10, 0, 20, 10), RGN_OR), SIMPLEREGION);
    EXPECT_EQ(rectsOf(a), (Rects{{0, 0, 20, 10}}));
    HRGN copy = empty();
    EXPECT_EQ(CombineRgn(copy, a, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(EqualRgn(copy, a), TRUE);

    HRGN bad = reinterpret_cast<HRGN>(static_cast<uintptr_t>(0x7654320));
    EXPECT_EQ(CombineRgn(copy, a, nullptr, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(copy, a, bad, RGN_AND), ERROR);
    EXPECT_EQ(CombineRgn(bad, a, a, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(copy, bad, a, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(copy, a, a, 0), ERROR);
    EXPECT_EQ(CombineRgn(copy, a, a, 6), ERROR);
    EXPECT_EQ(rectsOf(copy), (Rects{{0, 0, 20, 10}}));  // failed calls leave the target alone
    EXPECT_EQ(EqualRgn(copy, bad), ERROR);
    int type = 0;
    EXPECT_EQ(GetRgnBox(bad, nullptr), ERROR);
    EXPECT_EQ(OffsetRgn(bad, 1, 1), ERROR);
    EXPECT_EQ(GetRegionData(bad, 0, nullptr), 0u);
    EXPECT_EQ(PtInRegion(bad, 0, 0), FALSE);
    boxOf(copy, &type);
    EXPECT_EQ(type, SIMPLEREGION);
}

TEST_F(Regions, OffsetMovesEveryRectangleAndLeavesAnEmptyRegionAtTheOrigin) {
    int type = 0;
    HRGN shape = combined(rect(0, 0, 10, 10), rect(20, 5, 30, 15), RGN_OR, &type);
    EXPECT_EQ(OffsetRgn(shape, 3, -3), COMPLEXREGION);
    EXPECT_EQ(rectsOf(shape), (Rects{{3, -3, 13, 2}, {3, 2, 13, 7}, {23, 2, 33, 7}, {23, 7, 33, 12}}));
    EXPECT_EQ(boxOf(shape, &type), (Rect{3, -3, 33, 12}));
    HRGN nothing = empty();
    EXPECT_EQ(OffsetRgn(nothing, 3, 3), NULLREGION);
    EXPECT_EQ(boxOf(nothing, &type), (Rect{0, 0, 0, 0}));
}

TEST_F(Regions, PointsOnTheRightAndBottomEdgesAreOutside) {
    int type = 0;
    HRGN shape = combined(rect(0, 0, 10, 10), rect(5, 5, 15, 15), RGN_OR, &type);
    EXPECT_TRUE(PtInRegion(shape, 0, 0));
    EXPECT_TRUE(PtInRegion(shape, 14, 14));
    EXPECT_TRUE(PtInRegion(shape, 12, 7));
    EXPECT_FALSE(PtInRegion(shape, 15, 14));
    EXPECT_FALSE(PtInRegion(shape, 14, 15));
    EXPECT_FALSE(PtInRegion(shape, 12, 2));
    EXPECT_FALSE(PtInRegion(shape, -1, 0));
    EXPECT_FALSE(PtInRegion(empty(), 0, 0));
}

TEST_F(Regions, RegionDataReportsItsSizeAndRefusesASmallBuffer) {
    int type = 0;
    HRGN shape = combined(rect(0, 0, 10, 10), rect(5, 5, 15, 15), RGN_OR, &type);
    const DWORD needed = sizeof(RGNDATAHEADER) + 3 * sizeof(RECT);
    EXPECT_EQ(GetRegionData(shape, 0, nullptr), needed);
    EXPECT_EQ(GetRegionData(empty(), 0, nullptr), DWORD(sizeof(RGNDATAHEADER)));

    const RegionData d = regionData(shape);
    EXPECT_EQ(d.result, needed);
    EXPECT_EQ(d.header.dwSize, DWORD(sizeof(RGNDATAHEADER)));
    EXPECT_EQ(d.header.iType, DWORD(RDH_RECTANGLES));
    EXPECT_EQ(d.header.nCount, 3u);
    EXPECT_EQ(d.header.nRgnSize, 3 * sizeof(RECT));
    const RECT& b = d.header.rcBound;
    EXPECT_EQ((Rect{b.left, b.top, b.right, b.bottom}), (Rect{0, 0, 15, 15}));

    std::vector<unsigned char> bytes(needed + 64, 0xAB);
    EXPECT_EQ(GetRegionData(shape, needed - 1, reinterpret_cast<RGNDATA*>(bytes.data())), 0u);
    EXPECT_EQ(bytes[0], 0xAB);  // nothing written
    EXPECT_EQ(GetRegionData(shape, needed + 64, reinterpret_cast<RGNDATA*>(bytes.data())), needed);
    EXPECT_EQ(bytes[needed], 0xAB);  // nothing written past the data
}

TEST_F(Regions, RegionDataRoundTripsAndAnyRectangleOrderGivesTheBandedForm) {
    int type = 0;
    HRGN shape = combined(rect(0, 0, 10, 10), rect(5, 5, 15, 15), RGN_OR, &type);
    const Rects original = rectsOf(shape);
    const std::vector<unsigned char> bytes = regionBytes(original);
    HRGN copy = keep(fromBytes(bytes, DWORD(bytes.size())));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(EqualRgn(copy, shape), TRUE);
    EXPECT_EQ(rectsOf(copy), original);

    // Overlapping, unsorted, touching: the result is the canonical form of their union.
    const Rects messy{{5, 5, 15, 15}, {10, 0, 20, 5}, {0, 0, 10, 10}, {0, 10, 5, 15}};
    const std::vector<unsigned char> messyBytes = regionBytes(messy);
    HRGN fromMessy = keep(fromBytes(messyBytes, DWORD(messyBytes.size())));
    ASSERT_NE(fromMessy, nullptr);
    EXPECT_EQ(rectsOf(fromMessy), (Rects{{0, 0, 20, 5}, {0, 5, 15, 15}}));

    // Lists one defect away from the banded form are still made canonical.
    const struct {
        Rects given;
        Rects canonical;
    } nearlyBanded[] = {
        {{{0, 0, 2, 1}, {2, 0, 4, 1}}, {{0, 0, 4, 1}}},                          // touching in a row
        {{{4, 0, 6, 1}, {0, 0, 2, 1}}, {{0, 0, 2, 1}, {4, 0, 6, 1}}},            // right to left
        {{{0, 0, 2, 1}, {0, 1, 2, 3}}, {{0, 0, 2, 3}}},                          // a band continued
        {{{0, 0, 2, 1}, {4, 0, 6, 2}}, {{0, 0, 2, 1}, {4, 0, 6, 1}, {4, 1, 6, 2}}},  // two bottoms
        {{{0, 2, 2, 3}, {0, 0, 2, 1}}, {{0, 0, 2, 1}, {0, 2, 2, 3}}},            // bottom up
    };
    for (const auto& c : nearlyBanded) {
        const std::vector<unsigned char> b = regionBytes(c.given);
        HRGN r = keep(fromBytes(b, DWORD(b.size())));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(rectsOf(r), c.canonical);
    }

    const std::vector<unsigned char> none = regionBytes({});
    HRGN nothing = keep(fromBytes(none, DWORD(none.size())));
    ASSERT_NE(nothing, nullptr);
    boxOf(nothing, &type);
    EXPECT_EQ(type, NULLREGION);
}

// Stricter checks of the size against the header live with the stand-in's own tests: Wine takes
// the header's count on trust.
TEST_F(Regions, RegionDataWithoutAUsableHeaderIsRefused) {
    const Rects two{{0, 0, 10, 10}, {20, 0, 30, 10}};
    std::vector<unsigned char> bytes = regionBytes(two);
    EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(bytes.size()), nullptr), nullptr);
    RGNDATAHEADER h;
    std::memcpy(&h, bytes.data(), sizeof h);
    h.dwSize = 0;
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_EQ(keep(fromBytes(bytes, DWORD(bytes.size()))), nullptr);
    h.dwSize = sizeof h;
    h.nCount = 0x10000001;  // a count whose byte size wraps in 32 bits
    std::memcpy(bytes.data(), &h, sizeof h);
    EXPECT_EQ(keep(fromBytes(bytes, DWORD(bytes.size()))), nullptr);
}

TEST_F(Regions, EmptyRectanglesInRegionDataAreIgnored) {
    const std::vector<unsigned char> bytes = regionBytes({{10, 10, 0, 0}, {0, 0, 4, 4}, {6, 0, 6, 4}});
    HRGN r = keep(fromBytes(bytes, DWORD(bytes.size())));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(rectsOf(r), (Rects{{0, 0, 4, 4}}));
}

TEST_F(Regions, EqualityIsByCoveredPixels) {
    int type = 0;
    HRGN a = combined(rect(0, 0, 5, 5), rect(5, 0, 10, 5), RGN_OR, &type);
    EXPECT_EQ(EqualRgn(a, rect(0, 0, 10, 5)), TRUE);
    EXPECT_EQ(EqualRgn(a, rect(0, 0, 10, 6)), FALSE);
    EXPECT_EQ(EqualRgn(empty(), rect(4, 4, 4, 9)), TRUE);
}

}  // namespace
