// The window shape taken from the drawn picture: the region of every pixel that differs from the
// key colour.
//
// Combining one rectangle at a time into a growing region, or handing every rectangle to one
// ExtCreateRegion, costs time that grows with the square of the rectangle count under some GDI
// implementations, and a checkerboard picture has tens of thousands of runs. So the runs are
// gathered first, small groups of them become leaf regions, and the leaves are united pairwise,
// which keeps every merge between regions of similar size: n log n work in all.

#include "ui/window_shape.h"

#include <algorithm>
#include <cstring>

#include "foundation/bytes.h"
#include "render/histogram_equaliser.h"
#include "render/surface.h"

namespace td {
namespace {

// Whether the rectangles [first, first + count) of the row just scanned have the same columns
// as those of the band starting at `band`, which ends where the row begins.
bool sameColumns(const std::vector<RECT>& rects, size_t band, size_t first) {
    const size_t count = rects.size() - first;
    if (first - band != count || rects[band].bottom != rects[first].top) return false;
    for (size_t i = 0; i < count; ++i)
        if (rects[band + i].left != rects[first + i].left || rects[band + i].right != rects[first + i].right)
            return false;
    return true;
}

// A region of `count` rectangles through one ExtCreateRegion; `buffer` is scratch space.
HRGN createLeaf(const RECT* rects, size_t count, std::vector<unsigned char>& buffer) {
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    RECT bound = rects[0];
    for (size_t i = 1; i < count; ++i) {
        bound.left = std::min(bound.left, rects[i].left);
        bound.top = std::min(bound.top, rects[i].top);
        bound.right = std::max(bound.right, rects[i].right);
        bound.bottom = std::max(bound.bottom, rects[i].bottom);
    }
    header.rcBound = bound;
    const size_t bytes = sizeof header + count * sizeof(RECT);
    buffer.resize(bytes);
    std::memcpy(buffer.data(), &header, sizeof header);
    std::memcpy(buffer.data() + sizeof header, rects, count * sizeof(RECT));
    const auto* data = reinterpret_cast<const RGNDATA*>(buffer.data());
    return ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data);
}

// Unites regions as they come, like a binary counter: a region of level k (made of 2^k leaves)
// merges with the previous region of the same level. Each region covers a range of the
// rectangles, so that a merge GDI refuses can be made again from them. Owns every region it holds.
class PairwiseUnion {
public:
    explicit PairwiseUnion(const RECT* rects) : rects_(rects) {}
    PairwiseUnion(const PairwiseUnion&) = delete;
    PairwiseUnion& operator=(const PairwiseUnion&) = delete;
    ~PairwiseUnion() {
        for (const Piece& p : pieces_) DeleteObject(p.region);
    }

    // Adds the region of rectangles [first, end).
    void add(HRGN region, size_t first, size_t end) {
        pieces_.push_back({region, 0, first, end});
        while (pieces_.size() >= 2 && pieces_[pieces_.size() - 2].level == pieces_.back().level) mergeLast();
    }

    // The union of everything added, handed to the caller; null when nothing was added.
    HRGN take() {
        while (pieces_.size() >= 2) mergeLast();
        if (pieces_.empty()) return nullptr;
        const HRGN all = pieces_.front().region;
        pieces_.clear();
        return all;
    }

private:
    struct Piece {
        HRGN region;
        unsigned level;
        size_t first, end;  // the rectangles it was made from
    };

    // Unites the last region into the one before it and releases it. A refused merge leaves the
    // target as it was; it is tried once more, and if GDI refuses again the last region's
    // rectangles are merged one at a time, so that only a rectangle whose own merge fails is lost.
    void mergeLast() {
        const Piece last = pieces_.back();
        pieces_.pop_back();
        Piece& into = pieces_.back();
        if (CombineRgn(into.region, into.region, last.region, RGN_OR) == ERROR &&
            CombineRgn(into.region, into.region, last.region, RGN_OR) == ERROR) {
            for (size_t i = last.first; i < last.end; ++i) {
                if (HRGN run = CreateRectRgnIndirect(&rects_[i])) {
                    CombineRgn(into.region, into.region, run, RGN_OR);
                    DeleteObject(run);
                }
            }
        }
        DeleteObject(last.region);
        into.level = std::max(into.level, last.level) + 1;
        into.end = last.end;
    }

    const RECT* rects_;
    std::vector<Piece> pieces_;
};

}  // namespace

std::vector<RECT> shapeRuns(const uint8_t* pixels, int32_t width, int32_t height, uint32_t key,
                            bool joinRows, HistogramEqualiser* counter) {
    std::vector<RECT> rects;
    uint32_t keyCount = 0;  // at most the pixels that `pixels` holds, whose bytes a uint32_t counts
    size_t band = 0;  // first rectangle of the last band
    const size_t stride = size_t(width) * 4;
    // The key as the pixel bytes hold it: blue, green, red, fourth byte.
    const uint32_t keyWord = wordOfBytes(uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16), uint8_t(key >> 24));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(height - 1 - y) * stride;  // rows are stored bottom-up
        // The lengths of the runs of key pixels and of other pixels from column x.
        const auto keys = [=](int32_t x) {
            return int32_t(runWhile<true>(row + size_t(x) * 4, size_t(width - x), keyWord));
        };
        const auto others = [=](int32_t x) {
            return int32_t(runWhile<false>(row + size_t(x) * 4, size_t(width - x), keyWord));
        };
        const size_t first = rects.size();
        int32_t keysInRow = width;
        for (int32_t x = keys(0); x < width; x += keys(x)) {
            const int32_t start = x;
            x += others(x);
            rects.push_back({start, y, x, y + 1});
            keysInRow -= x - start;
            if (counter) counter->countPixels(row + size_t(start) * 4, uint32_t(x - start));
        }
        keyCount += uint32_t(keysInRow);
        if (rects.size() == first) continue;
        if (joinRows && first > 0 && sameColumns(rects, band, first)) {
            rects.resize(first);
            for (size_t i = band; i < first; ++i) rects[i].bottom = y + 1;
        } else {
            band = first;
        }
    }
    if (counter) counter->countCopies(keyWord, keyCount);
    return rects;
}

HRGN regionFromRects(const RECT* rects, size_t count, size_t leafSize) {
    // The empty region comes first, so that the result is null exactly when it cannot be made,
    // whatever happens to the pieces.
    const HRGN empty = CreateRectRgn(0, 0, 0, 0);
    if (!empty) return nullptr;
    leafSize = std::max<size_t>(leafSize, 1);
    PairwiseUnion all(rects);
    std::vector<unsigned char> buffer;
    for (size_t first = 0; first < count; first += leafSize) {
        const size_t end = std::min(first + leafSize, count);
        if (HRGN leaf = createLeaf(rects + first, end - first, buffer)) {
            all.add(leaf, first, end);
            continue;
        }
        // GDI refused the leaf: its rectangles go in one by one, and only one that cannot be made
        // is left out.
        for (size_t i = first; i < end; ++i)
            if (HRGN run = CreateRectRgnIndirect(&rects[i])) all.add(run, i, i + 1);
    }
    const HRGN shape = all.take();
    if (!shape) return empty;
    DeleteObject(empty);
    return shape;
}

HRGN Surface::shapeRegion(uint32_t key, HistogramEqualiser* counter) const {
    if (!pixels || width <= 0 || height <= 0) return nullptr;
    const uint8_t* payload = pixels->intactPayload();
    if (!payload) return nullptr;
    // Every read lies within width x height pixels; an array that holds fewer is refused.
    if (uint64_t{pixels->count()} < uint64_t(width) * uint64_t(height) * 4) return nullptr;
    const std::vector<RECT> rects = shapeRuns(payload, width, height, key, true, counter);
    return regionFromRects(rects.data(), rects.size());
}

}  // namespace td
