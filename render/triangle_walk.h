#pragma once
// The one triangle walk behind the four fills: sort the corners by row, set up two edges, draw the
// apex, step the edges row by row handing each row's span to the fill, then draw the closing spans
// of a flat top or a flat bottom. A fill only says what an edge carries (an attribute set) and
// what the apex and a span draw.
//
// Exactness and bounds. Every edge advances by one addition per row, so the values handed to a
// span are exactly the accumulated ones. Rows below the surface cannot be written and are not
// walked; rows above it are stepped without drawing while the first visible row lies at most
// kExactReach rows below the apex, so any triangle whose apex lies at most 65,536 rows above the
// surface gets exactly the accumulated edge values. Farther away the edges are moved to the first
// visible row in one step, start + k * increment, which differs from k accumulated additions only
// by their rounding. Either way a triangle costs at most kExactReach + height rows.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "foundation/convert.h"

namespace td {

// How many steps the walks take exactly through positions that cannot be drawn (rows above the
// surface, span columns left of it) before they jump instead.
constexpr int64_t kExactReach = 65536;

// The values that travel with a corner and are interpolated: colour channels, or u, v and the
// intensity, plus z in the depth-tested fills.
template <size_t N>
struct Attributes {
    double value[N] = {};

    double& operator[](size_t i) { return value[i]; }
    double operator[](size_t i) const { return value[i]; }

    Attributes& operator+=(const Attributes& other) {
        for (size_t i = 0; i < N; ++i) value[i] += other.value[i];
        return *this;
    }
    // The change per step from this to `end` over `steps` steps.
    Attributes stepTowards(const Attributes& end, double steps) const {
        Attributes r;
        for (size_t i = 0; i < N; ++i) r.value[i] = (end.value[i] - value[i]) / steps;
        return r;
    }
    // This advanced by `steps` increments in one multiplication instead of `steps` additions.
    Attributes jumped(const Attributes& increment, int64_t steps) const {
        Attributes r;
        for (size_t i = 0; i < N; ++i) r.value[i] = value[i] + double(steps) * increment.value[i];
        return r;
    }
};

template <size_t N>
struct WalkVertex {
    int32_t x = 0;
    int32_t y = 0;
    Attributes<N> attributes;
};

// One side of the triangle: its current x and values and their change per row.
template <size_t N>
struct Edge {
    double x = 0.0;
    Attributes<N> values;
    double dx = 0.0;
    Attributes<N> increment;

    // Starts at `from` with the per-row change towards `to`. Edges of height 0 or 1 divide by 1.
    static Edge between(const WalkVertex<N>& from, const WalkVertex<N>& to) {
        const int64_t dy = int64_t{to.y} - int64_t{from.y};
        const double divisor = dy > 1 ? double(dy) : 1.0;
        Edge e;
        e.x = double(from.x);
        e.values = from.attributes;
        e.dx = (double(to.x) - double(from.x)) / divisor;
        e.increment = from.attributes.stepTowards(to.attributes, divisor);
        return e;
    }

    void step() {
        x += dx;
        values += increment;
    }
    void jump(int64_t rows) {
        x = x + double(rows) * dx;
        values = values.jumped(increment, rows);
    }
    // Takes another edge's per-row change from the next row on, keeping the accumulated position.
    void follow(const Edge& other) {
        dx = other.dx;
        increment = other.increment;
    }
    int32_t column() const { return truncToInt32(x); }
};

// Walks the triangle p0, p1, p2 over a surface of `height` rows. `fill` provides
//   apex(x, y, attributes) and span(xa, y, xb, attributesA, attributesB).
template <size_t N, typename Fill>
void walkTriangle(const WalkVertex<N>& p0, const WalkVertex<N>& p1, const WalkVertex<N>& p2,
                  int32_t height, Fill& fill) {
    // A stable sort by row: among corners on one row the earlier argument comes first.
    const WalkVertex<N>* sorted[3] = {&p0, &p1, &p2};
    if (sorted[1]->y < sorted[0]->y) std::swap(sorted[0], sorted[1]);
    if (sorted[2]->y < sorted[1]->y) std::swap(sorted[1], sorted[2]);
    if (sorted[1]->y < sorted[0]->y) std::swap(sorted[0], sorted[1]);
    const WalkVertex<N>& top = *sorted[0];
    const WalkVertex<N>& mid = *sorted[1];
    const WalkVertex<N>& low = *sorted[2];

    fill.apex(top.x, top.y, top.attributes);

    const bool flatTop = top.y == mid.y;
    const Edge<N> midLow = Edge<N>::between(mid, low);
    // Edge 1 runs down the short side (top to mid, then mid to low), edge 2 down the long side; a
    // flat top has no top-to-mid side, so its edges start at top and at mid and both end at low.
    Edge<N> edge1 = flatTop ? Edge<N>::between(top, low) : Edge<N>::between(top, mid);
    Edge<N> edge2 = flatTop ? midLow : Edge<N>::between(top, low);

    const int64_t firstRow = int64_t{top.y} + 1;
    const int64_t lastRow = std::min<int64_t>(low.y, int64_t{height} - 1);  // later rows draw nothing
    const int64_t firstVisible = std::max<int64_t>(firstRow, 0);
    if (firstVisible <= lastRow) {
        int64_t y = firstRow;
        if (firstVisible - firstRow > kExactReach) {
            // Move both edges to the state before the first visible row, switching edge 1 to the
            // mid-to-low side if the rows skipped pass the mid row.
            const int64_t rows = firstVisible - firstRow;
            const int64_t rowsToMid = int64_t{mid.y} - int64_t{top.y};
            if (!flatTop && rows >= rowsToMid) {
                edge1.jump(rowsToMid);
                edge1.follow(midLow);
                edge1.jump(rows - rowsToMid);
            } else {
                edge1.jump(rows);
            }
            edge2.jump(rows);
            y = firstVisible;
        }
        for (; y <= lastRow; ++y) {
            edge1.step();
            edge2.step();
            // Rows above the surface cannot be drawn; they are only stepped through.
            if (y >= 0) fill.span(edge1.column(), int32_t(y), edge2.column(), edge1.values, edge2.values);
            if (y == mid.y) edge1.follow(midLow);
        }
    }

    if (flatTop) fill.span(top.x, top.y, mid.x, top.attributes, mid.attributes);
    if (mid.y == low.y) fill.span(mid.x, mid.y, low.x, mid.attributes, low.attributes);
}

}  // namespace td
