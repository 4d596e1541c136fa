#pragma once
// The steps of Surface::shapeRegion, open to the tests and the benchmark that compare ways of
// building the region.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace td {

class HistogramEqualiser;

// Rectangles handed to ExtCreateRegion at once when the window shape is built: small enough that
// building one leaf is cheap wherever region creation is quadratic, large enough to save merges.
constexpr size_t kShapeLeafSize = 16;

// The pixels of a width x height picture (four bytes a pixel, first byte lowest, rows stored
// bottom row first) whose 32-bit value differs from the key, as rectangles in region coordinates
// (row 0 at the top): every maximal run of a row, top row first, left to right. With joinRows, a
// row whose runs have the same columns as the band above lengthens that band instead, so the
// list is already the banded form GDI keeps a region in. `pixels` must hold width x height x 4
// bytes. With a counter, every pixel is counted into it as it is read.
std::vector<RECT> shapeRuns(const uint8_t* pixels, int32_t width, int32_t height, uint32_t key,
                            bool joinRows = true, HistogramEqualiser* counter = nullptr);

// A new region covering the union of the rectangles: leaves of up to leafSize rectangles (one
// ExtCreateRegion each) are united pairwise, a merge only ever joining regions of about the same
// size. When GDI refuses a leaf, its rectangles are added one by one; when it refuses a merge
// twice, the rectangles of the region being merged are merged one by one: only a rectangle whose
// own region or merge fails is left out. Null only when not even an empty region can be created.
// The caller owns the result.
HRGN regionFromRects(const RECT* rects, size_t count, size_t leafSize = kShapeLeafSize);

}  // namespace td
