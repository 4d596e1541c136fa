// GDI regions of the headless stand-in.
//
// A region is kept in the canonical y-x banded form that GDI itself uses and reports through
// GetRegionData: rectangles sorted by top, then by left; rectangles of one band share top and
// bottom; rectangles within a band neither overlap nor touch (touching ones are one rectangle);
// and two bands that touch vertically never have the same column spans (they are one band). The
// form is unique for a set of pixels, so two regions are equal exactly when their rectangle lists
// are, and every operation gives the rectangles that GDI gives.

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/headless/inspect_region.h"
#include "platform/headless/objects.h"
#include "platform/win32.h"

namespace headless {
namespace {

struct Region : Object {
    static constexpr ObjectKind Kind = ObjectKind::Region;
    explicit Region(std::vector<RECT> rects) : Object(Kind), rects(std::move(rects)) {}
    std::vector<RECT> rects;  // canonical banded form
};

RegionFaults& faultState() {
    static RegionFaults faults;
    return faults;
}

HRGN addRegion(std::vector<RECT> rects) {
    return toHandle<HRGN>(addObject(std::make_unique<Region>(std::move(rects))));
}

int regionType(const std::vector<RECT>& rects) {
    return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// The bounding box; (0, 0, 0, 0) for an empty region.
RECT boundsOf(const std::vector<RECT>& rects) {
    RECT box{0, 0, 0, 0};
    if (rects.empty()) return box;
    box = {rects.front().left, rects.front().top, rects.front().right, rects.back().bottom};
    for (const RECT& r : rects) {
        box.left = std::min(box.left, r.left);
        box.right = std::max(box.right, r.right);
    }
    return box;
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool sameRects(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameRect);
}

// One band of a canonical rectangle list: the rectangles [begin, end) share top and bottom.
struct Band {
    LONG top;
    LONG bottom;
    const RECT* begin;
    const RECT* end;
};

std::vector<Band> bandsOf(const std::vector<RECT>& rects) {
    std::vector<Band> bands;
    for (const RECT* r = rects.data(); r != rects.data() + rects.size();) {
        const RECT* end = r;
        while (end != rects.data() + rects.size() && end->top == r->top) ++end;
        bands.push_back({r->top, r->bottom, r, end});
        r = end;
    }
    return bands;
}

struct Span {
    LONG left;
    LONG right;
};

// Assembles a canonical list band by band from the top down, joining a band to the one above
// when they touch and have the same spans.
class BandWriter {
public:
    BandWriter() = default;
    // Continues a canonical list.
    explicit BandWriter(std::vector<RECT> rects) : rects_(std::move(rects)) {
        lastBand_ = rects_.size();
        while (lastBand_ > 0 && rects_[lastBand_ - 1].top == rects_.back().top) --lastBand_;
    }

    void add(LONG top, LONG bottom, const std::vector<Span>& spans) {
        if (spans.empty()) return;
        if (continuesLastBand(top, spans)) {
            for (size_t i = lastBand_; i < rects_.size(); ++i) rects_[i].bottom = bottom;
            return;
        }
        lastBand_ = rects_.size();
        for (const Span& s : spans) rects_.push_back({s.left, top, s.right, bottom});
    }
    std::vector<RECT> take() { return std::move(rects_); }

private:
    bool continuesLastBand(LONG top, const std::vector<Span>& spans) const {
        if (rects_.empty() || rects_.back().bottom != top || rects_.size() - lastBand_ != spans.size())
            return false;
        for (size_t i = 0; i < spans.size(); ++i) {
            const RECT& r = rects_[lastBand_ + i];
            if (r.left != spans[i].left || r.right != spans[i].right) return false;
        }
        return true;
    }

    std::vector<RECT> rects_;
    size_t lastBand_ = 0;
};

bool inResult(int mode, bool inA, bool inB) {
    switch (mode) {
        case RGN_AND: return inA && inB;
        case RGN_OR: return inA || inB;
        case RGN_XOR: return inA != inB;
        default: return inA && !inB;  // RGN_DIFF
    }
}

// The spans of one row where the operation holds, from the spans of both operands in that row
// (either may be absent). Walks the column edges of both left to right; a canonical band has at
// most one edge at any column.
void combineSpans(const Band* a, const Band* b, int mode, std::vector<Span>& out) {
    out.clear();
    const size_t edgesA = a ? 2 * size_t(a->end - a->begin) : 0;
    const size_t edgesB = b ? 2 * size_t(b->end - b->begin) : 0;
    auto edge = [](const Band* band, size_t k) {
        const RECT& r = band->begin[k / 2];
        return k % 2 == 0 ? r.left : r.right;
    };
    size_t ka = 0, kb = 0;
    bool inA = false, inB = false, open = false;
    LONG start = 0;
    while (ka < edgesA || kb < edgesB) {
        LONG x;
        if (ka == edgesA) x = edge(b, kb);
        else if (kb == edgesB) x = edge(a, ka);
        else x = std::min(edge(a, ka), edge(b, kb));
        if (ka < edgesA && edge(a, ka) == x) inA = ka++ % 2 == 0;
        if (kb < edgesB && edge(b, kb) == x) inB = kb++ % 2 == 0;
        const bool in = inResult(mode, inA, inB);
        if (in && !open) start = x;
        if (!in && open) out.push_back({start, x});
        open = in;
    }
}

// The region of the operation on two canonical lists, band by band over every row range in
// which neither operand changes.
std::vector<RECT> combine(const std::vector<RECT>& a, const std::vector<RECT>& b, int mode) {
    if (mode == RGN_OR && (a.empty() || b.empty())) return a.empty() ? b : a;
    const std::vector<Band> bandsA = bandsOf(a);
    const std::vector<Band> bandsB = bandsOf(b);
    std::vector<LONG> edges;
    edges.reserve(2 * (bandsA.size() + bandsB.size()));
    for (const auto* bands : {&bandsA, &bandsB})
        for (const Band& band : *bands) {
            edges.push_back(band.top);
            edges.push_back(band.bottom);
        }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    BandWriter writer;
    std::vector<Span> spans;
    size_t ia = 0, ib = 0;
    for (size_t k = 0; k + 1 < edges.size(); ++k) {
        const LONG top = edges[k];
        while (ia < bandsA.size() && bandsA[ia].bottom <= top) ++ia;
        while (ib < bandsB.size() && bandsB[ib].bottom <= top) ++ib;
        const Band* inA = ia < bandsA.size() && bandsA[ia].top <= top ? &bandsA[ia] : nullptr;
        const Band* inB = ib < bandsB.size() && bandsB[ib].top <= top ? &bandsB[ib] : nullptr;
        combineSpans(inA, inB, mode, spans);
        writer.add(top, edges[k + 1], spans);
    }
    return writer.take();
}

// Appends b's bands to a when no band of b starts above a's last band ends; the first one joins
// a's last band when it continues it.
void appendBelow(std::vector<RECT>& a, const std::vector<RECT>& b) {
    BandWriter writer(std::move(a));
    std::vector<Span> spans;
    for (const Band& band : bandsOf(b)) {
        spans.clear();
        for (const RECT* r = band.begin; r != band.end; ++r) spans.push_back({r->left, r->right});
        writer.add(band.top, band.bottom, spans);
    }
    a = writer.take();
}

// a united with b in place. The bands of a that end before b begins cannot change, so only the
// rest is combined: a region grown from the top down, one piece at a time, costs no more per
// piece than the bands the piece touches.
void uniteInto(std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (b.empty()) return;
    // Bottoms never decrease along a canonical list.
    const auto split = std::partition_point(a.begin(), a.end(),
                                            [&](const RECT& r) { return r.bottom <= b.front().top; });
    const std::vector<RECT> tail(split, a.end());
    a.erase(split, a.end());
    appendBelow(a, combine(tail, b, RGN_OR));
}

// Whether the rectangles already are a canonical list, and so their own union: bands from the
// top down, each of rectangles with one top and bottom running left to right with gaps between
// them, and no band touching the one above with the same columns.
bool isCanonical(const RECT* rects, size_t count) {
    size_t above = 0, aboveEnd = 0;  // the band above: [above, aboveEnd)
    for (size_t first = 0; first < count;) {
        const RECT& head = rects[first];
        size_t end = first;
        for (; end < count && rects[end].top == head.top; ++end) {
            const RECT& r = rects[end];
            if (r.left >= r.right || r.top >= r.bottom || r.bottom != head.bottom) return false;
            if (end > first && r.left <= rects[end - 1].right) return false;
        }
        if (first > 0) {
            if (head.top < rects[above].bottom) return false;
            const bool sameColumns =
                end - first == aboveEnd - above &&
                std::equal(rects + first, rects + end, rects + above, [](const RECT& a, const RECT& b) {
                    return a.left == b.left && a.right == b.right;
                });
            if (head.top == rects[above].bottom && sameColumns) return false;
        }
        above = first;
        aboveEnd = end;
        first = end;
    }
    return true;
}

// The union of any rectangles, empty ones ignored: a list that already is canonical is its own
// union; otherwise halves are united recursively, so the cost grows with n log n rather than
// with the square of n.
std::vector<RECT> unionOf(const RECT* rects, size_t count) {
    if (isCanonical(rects, count)) return std::vector<RECT>(rects, rects + count);
    if (count == 1) {
        const RECT& r = rects[0];
        if (r.left < r.right && r.top < r.bottom) return {r};
        return {};
    }
    if (count == 0) return {};
    const size_t half = count / 2;
    return combine(unionOf(rects, half), unionOf(rects + half, count - half), RGN_OR);
}

bool fitsLong(int64_t v) {
    return v >= std::numeric_limits<LONG>::min() && v <= std::numeric_limits<LONG>::max();
}

}  // namespace

RECT newlyCovered(HRGN before, HRGN after, const RECT& whole, const RECT& clip) {
    const auto rectsOf = [](const RECT& r) {
        return r.left < r.right && r.top < r.bottom ? std::vector<RECT>{r} : std::vector<RECT>{};
    };
    const auto cover = [&](HRGN h) {
        const Region* r = find<Region>(h);
        return r ? r->rects : rectsOf(whole);
    };
    return boundsOf(combine(combine(cover(after), cover(before), RGN_DIFF), rectsOf(clip), RGN_AND));
}

RegionFaults& regionFaults() { return faultState(); }
void resetRegionFaults() { faultState() = RegionFaults{}; }

}  // namespace headless

using headless::Region;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    if (headless::faultState().createRectRgn.fails()) return nullptr;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    std::vector<RECT> rects;
    if (left < right && top < bottom) rects.push_back({left, top, right, bottom});
    return headless::addRegion(std::move(rects));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    if (!rect) return nullptr;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD count, const RGNDATA* data) {
    if (headless::faultState().extCreateRegion.fails()) return nullptr;
    if (transform || !data || count < sizeof(RGNDATAHEADER)) return nullptr;
    // Everything is read through byte copies bounded by `count`: the caller's buffer need not
    // hold what its header claims.
    RGNDATAHEADER header;
    std::memcpy(&header, data, sizeof header);
    if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES) return nullptr;
    const uint64_t needed = sizeof(RGNDATAHEADER) + uint64_t{header.nCount} * sizeof(RECT);
    if (needed > count) return nullptr;
    std::vector<RECT> rects(header.nCount);
    if (!rects.empty()) std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
    return headless::addRegion(headless::unionOf(rects.data(), rects.size()));
}

int CombineRgn(HRGN target, HRGN source1, HRGN source2, int mode) {
    Region* t = headless::find<Region>(target);
    const Region* a = headless::find<Region>(source1);
    if (!t || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    const Region* b = mode == RGN_COPY ? a : headless::find<Region>(source2);
    if (!b || headless::faultState().combineRgn.fails()) return ERROR;
    if (mode == RGN_OR && t == a && t != b) {
        headless::uniteInto(t->rects, b->rects);
        return headless::regionType(t->rects);
    }
    t->rects = mode == RGN_COPY ? a->rects : headless::combine(a->rects, b->rects, mode);
    return headless::regionType(t->rects);
}

int OffsetRgn(HRGN region, int dx, int dy) {
    Region* r = headless::find<Region>(region);
    if (!r) return ERROR;
    if (r->rects.empty()) return NULLREGION;
    // Every coordinate lies within the box, so a box that stays representable keeps them all so.
    const RECT box = headless::boundsOf(r->rects);
    if (!headless::fitsLong(int64_t{box.left} + dx) || !headless::fitsLong(int64_t{box.right} + dx) ||
        !headless::fitsLong(int64_t{box.top} + dy) || !headless::fitsLong(int64_t{box.bottom} + dy))
        return ERROR;
    for (RECT& rect : r->rects) {
        rect.left += dx;
        rect.right += dx;
        rect.top += dy;
        rect.bottom += dy;
    }
    return headless::regionType(r->rects);
}

BOOL EqualRgn(HRGN region1, HRGN region2) {
    const Region* a = headless::find<Region>(region1);
    const Region* b = headless::find<Region>(region2);
    if (!a || !b) return ERROR;
    return headless::sameRects(a->rects, b->rects) ? TRUE : FALSE;
}

DWORD GetRegionData(HRGN region, DWORD count, LPRGNDATA data) {
    const Region* r = headless::find<Region>(region);
    if (!r) return 0;
    const uint64_t rectBytes = uint64_t{r->rects.size()} * sizeof(RECT);
    const uint64_t size = sizeof(RGNDATAHEADER) + rectBytes;
    if (size > std::numeric_limits<DWORD>::max()) return 0;
    if (!data) return static_cast<DWORD>(size);
    if (count < size) return 0;
    RGNDATAHEADER header;
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(r->rects.size());
    header.nRgnSize = static_cast<DWORD>(rectBytes);
    header.rcBound = headless::boundsOf(r->rects);
    std::memcpy(data, &header, sizeof header);
    if (rectBytes) std::memcpy(data->Buffer, r->rects.data(), rectBytes);
    return static_cast<DWORD>(size);
}

int GetRgnBox(HRGN region, LPRECT box) {
    const Region* r = headless::find<Region>(region);
    if (!r || !box) return ERROR;
    *box = headless::boundsOf(r->rects);
    return headless::regionType(r->rects);
}

BOOL PtInRegion(HRGN region, int x, int y) {
    const Region* r = headless::find<Region>(region);
    if (!r) return FALSE;
    for (const RECT& rect : r->rects) {
        if (rect.top > y) break;  // bands are sorted by top
        if (y < rect.bottom && x >= rect.left && x < rect.right) return TRUE;
    }
    return FALSE;
}
