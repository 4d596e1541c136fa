// The plain double-precision scanline rasterizer of the reference_views.h sides, built twice: as
// the benchmarks are (this file), and for this very processor (plain_rasterizer_native.cpp, which
// includes this file under another entry name and is compiled with -march=native).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "plain_rasterizer.h"

#ifndef PLAIN_ENTRY
#define PLAIN_ENTRY plainClearAndRender
#endif

namespace bench {
namespace {

constexpr size_t kPixels = size_t{kSide} * kSide;

// A plain double-precision scanline rasterizer, for reference: the textbook walk (each row's
// ends interpolated from the corners, one division per span, a depth test per pixel), with none
// of our rounding rules, drawing the same transformed, culled and lit triangles as the render
// pass. It clears its own pixels and depths as the frame does.
class PlainRasterizer {
public:
    // Clears, then draws the triangles given as corners three by three.
    void clearAndDraw(const std::vector<PlainCorner>& corners) {
        clear();
        for (size_t k = 0; k + 2 < corners.size(); k += 3) draw(corners[k], corners[k + 1], corners[k + 2]);
    }
    const double* depths() const { return depths_.data(); }

private:
    void clear() {
        std::fill(pixels_.begin(), pixels_.end(), 0x00FF00u);
        std::fill(depths_.begin(), depths_.end(), -1e6);
    }
    void draw(PlainCorner a, PlainCorner b, PlainCorner c) {
        if (b.y < a.y) std::swap(a, b);
        if (c.y < b.y) std::swap(b, c);
        if (b.y < a.y) std::swap(a, b);
        if (c.y == a.y) return;
        const int first = std::max(0, int(std::ceil(a.y))), last = std::min(kSide - 1, int(std::floor(c.y)));
        for (int y = first; y <= last; ++y) {
            const PlainCorner l = along(a, c, y);
            const PlainCorner r = y < b.y ? along(a, b, y) : along(b, c, y);
            span(l.x < r.x ? l : r, l.x < r.x ? r : l, y);
        }
    }
    static PlainCorner along(const PlainCorner& p, const PlainCorner& q, int y) {
        const double t = q.y == p.y ? 0.0 : (y - p.y) / (q.y - p.y);
        return {p.x + t * (q.x - p.x), double(y), p.z + t * (q.z - p.z), p.red + t * (q.red - p.red),
                p.green + t * (q.green - p.green), p.blue + t * (q.blue - p.blue)};
    }
    void span(const PlainCorner& l, const PlainCorner& r, int y) {
        const int first = std::max(0, int(std::ceil(l.x))), last = std::min(kSide - 1, int(std::floor(r.x)));
        if (first > last) return;
        const double width = r.x - l.x, k = width > 0.0 ? 1.0 / width : 0.0, t = (first - l.x) * k;
        double z = l.z + t * (r.z - l.z), red = l.red + t * (r.red - l.red);
        double green = l.green + t * (r.green - l.green), blue = l.blue + t * (r.blue - l.blue);
        const double dz = (r.z - l.z) * k, dRed = (r.red - l.red) * k;
        const double dGreen = (r.green - l.green) * k, dBlue = (r.blue - l.blue) * k;
        uint32_t* row = &pixels_[size_t(y) * kSide];
        double* depthRow = &depths_[size_t(y) * kSide];
        // The channels stay within their corners' range give or take rounding, inside (-1, 256),
        // where the conversions are defined.
        for (int x = first; x <= last; ++x) {
            if (depthRow[x] < z) {
                depthRow[x] = z;
                row[x] = uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16;
            }
            z += dz;
            red += dRed;
            green += dGreen;
            blue += dBlue;
        }
    }
    std::vector<uint32_t> pixels_ = std::vector<uint32_t>(kPixels);
    std::vector<double> depths_ = std::vector<double>(kPixels);
};

}  // namespace

void PLAIN_ENTRY(benchmark::State& state, const Views& views) {
    PlainRasterizer raster;
    int64_t i = 0;
    for (auto _ : state) {
        raster.clearAndDraw(views[size_t(i++) % views.size()]);
        benchmark::ClobberMemory();
    }
    raster.clearAndDraw(views[0]);
    state.counters["covered"] =
        double(std::count_if(raster.depths(), raster.depths() + kPixels, [](double d) { return d > -1e6; }));
}

}  // namespace bench
