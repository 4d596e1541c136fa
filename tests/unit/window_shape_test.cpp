// The window shape of a drawn surface, compared with the one-run-at-a-time reference through
// GDI's own EqualRgn, on the real GDI under Wine and on the stand-in.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "render/surface.h"
#include "support/region_reference.h"
#include "ui/window_shape.h"

namespace {

using td::Surface;
using td::test::kKey;
using Rect = std::array<LONG, 4>;  // left, top, right, bottom
using Rects = std::vector<Rect>;

Rects rectsOf(HRGN region) {
    std::vector<unsigned char> bytes(GetRegionData(region, 0, nullptr));
    GetRegionData(region, DWORD(bytes.size()), reinterpret_cast<RGNDATA*>(bytes.data()));
    Rects rects;
    for (size_t off = sizeof(RGNDATAHEADER); off + sizeof(RECT) <= bytes.size(); off += sizeof(RECT)) {
        RECT r;
        std::memcpy(&r, bytes.data() + off, sizeof r);
        rects.push_back({r.left, r.top, r.right, r.bottom});
    }
    return rects;
}

// The shape and the reference of one surface; both regions are released at the end.
struct Shapes {
    Shapes(const Surface& surface, uint32_t key)
        : ours(surface.shapeRegion(key)), reference(td::test::referenceShapeRegion(surface, key)) {}
    ~Shapes() {
        if (ours) DeleteObject(ours);
        if (reference) DeleteObject(reference);
    }
    HRGN ours;
    HRGN reference;
};

// Our shape is non-null, equal to the reference and made of exactly the given rectangles.
void expectShape(const Surface& surface, const Rects& expected) {
    Shapes s(surface, kKey);
    ASSERT_NE(s.ours, nullptr);
    ASSERT_NE(s.reference, nullptr);
    EXPECT_EQ(EqualRgn(s.ours, s.reference), TRUE);
    EXPECT_EQ(rectsOf(s.ours), expected);
}

TEST(WindowShape, PlainSurfaces) {
    Surface s;
    td::test::fillSurface(s, 7, 5, kKey);
    expectShape(s, {});  // an empty region, not null
    td::test::fillSurface(s, 7, 5, 0x0000FF);
    expectShape(s, {{0, 0, 7, 5}});
    // The fourth byte counts: green with a non-zero fourth byte is not the key.
    td::test::fillSurface(s, 7, 5, kKey | 0x01000000);
    expectShape(s, {{0, 0, 7, 5}});
}

TEST(WindowShape, RunsPixelsAndRowsInRegionCoordinates) {
    Surface s;
    td::test::fillSurface(s, 8, 6, kKey);
    td::test::setPixel(s, 2, 0, 0);  // a single pixel in the top row, which is stored last
    for (int x = 5; x < 8; ++x) td::test::setPixel(s, x, 3, 0);  // a run to the last column
    // Vertically adjacent runs with the same columns make one rectangle.
    for (int y = 4; y < 6; ++y)
        for (int x = 1; x < 3; ++x) td::test::setPixel(s, x, y, 0);
    expectShape(s, {{2, 0, 3, 1}, {5, 3, 8, 4}, {1, 4, 3, 6}});
}

TEST(WindowShape, NoRegionForASurfaceWithoutUsablePixels) {
    Surface s;
    EXPECT_EQ(s.shapeRegion(kKey), nullptr);  // no pixels at all
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-4, 4}}) {
        td::test::fillSurface(s, 4, 4, 0);
        s.width = w;
        s.height = h;
        EXPECT_EQ(s.shapeRegion(kKey), nullptr) << w << " x " << h;
    }
    // An array too small for the stated size is refused rather than read past its end.
    td::test::fillSurface(s, 4, 4, 0);
    s.height = 5;
    EXPECT_EQ(s.shapeRegion(kKey), nullptr);
    // A damaged guard, before or behind the payload, and nothing repairs it.
    for (size_t guard : {size_t{0}, size_t{4 * 4 * 4 + 1}}) {
        td::test::fillSurface(s, 4, 4, 0);
        s.pixels->rawBlock()[guard] = 1;
        EXPECT_EQ(s.shapeRegion(kKey), nullptr) << guard;
        EXPECT_EQ(s.pixels->rawBlock()[guard], 1);
        s.pixels->rawBlock()[guard] = 0;  // a damaged block is never freed; mend it so it is
    }
}

TEST(WindowShape, EqualsTheReferenceOnPatterns) {
    struct Case {
        std::string name;
        void (*paint)(Surface&);
    };
    const Case cases[] = {
        {"checkerboard", [](Surface& s) { td::test::paintCheckerboard(s, 64, 48); }},
        {"disc", [](Surface& s) { td::test::paintRing(s, 400, 0, 150); }},
        {"ring", [](Surface& s) { td::test::paintRing(s, 120, 30, 55); }},
        {"sparse", [](Surface& s) { td::test::paintRandom(s, 57, 41, 0.1, 1); }},
        {"dense", [](Surface& s) { td::test::paintRandom(s, 57, 41, 0.9, 2); }},
        {"half", [](Surface& s) { td::test::paintRandom(s, 33, 90, 0.5, 3); }},
        {"one column", [](Surface& s) { td::test::paintRandom(s, 1, 70, 0.5, 4); }},
        {"one row", [](Surface& s) { td::test::paintRandom(s, 70, 1, 0.5, 5); }},
    };
    for (const Case& c : cases) {
        Surface s;
        c.paint(s);
        Shapes shapes(s, kKey);
        ASSERT_NE(shapes.ours, nullptr) << c.name;
        EXPECT_EQ(EqualRgn(shapes.ours, shapes.reference), TRUE) << c.name;
        EXPECT_EQ(rectsOf(shapes.ours), rectsOf(shapes.reference)) << c.name;
    }
}

TEST(WindowShape, RunsJoinedAcrossRowsOrNotAndAnyLeafSizeGiveOneRegion) {
    Surface s;
    // Bands of three equal rows, irregular within the row.
    td::test::paintShape(s, 40, 40, [](int32_t x, int32_t y) { return (x * 7 + (y / 3) * 13) % 5 < 2; });
    const uint8_t* pixels = s.pixels->intactPayload();
    const std::vector<RECT> joined = td::shapeRuns(pixels, 40, 40, kKey, true);
    const std::vector<RECT> perRow = td::shapeRuns(pixels, 40, 40, kKey, false);
    ASSERT_LT(joined.size(), perRow.size());  // the pattern has some rows equal to the one above
    HRGN reference = td::test::referenceShapeRegion(s, kKey);
    for (const std::vector<RECT>* rects : {&joined, &perRow})
        for (size_t leaf : {size_t{1}, size_t{3}, td::kShapeLeafSize, rects->size()}) {
            HRGN r = td::regionFromRects(rects->data(), rects->size(), leaf);
            EXPECT_EQ(EqualRgn(r, reference), TRUE) << rects->size() << " rects, leaves of " << leaf;
            DeleteObject(r);
        }
    DeleteObject(reference);
}

}  // namespace
