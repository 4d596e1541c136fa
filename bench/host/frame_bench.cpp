// The viewer's frame, whole and in its parts, against the bare memory work that any frame of the
// same size must do.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "plain_rasterizer.h"
#include "ratios.h"
#include "reference_views.h"
#include "render/histogram_equaliser.h"
#include "render/surface.h"
#include "render/texture.h"
#include "support/program_frame.h"
#include "support/region_reference.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/modelgen/trefoil.h"
#include "ui/viewer_window.h"
#include "ui/window_shape.h"

namespace {

using namespace td;
using bench::kSide;
using bench::PlainCorner;

constexpr size_t kPixels = size_t{kSide} * kSide;

// Angles the frame benchmarks cycle through, so that no single view is measured.
constexpr int64_t kAngles = 17;
double angleAt(int64_t i) { return 0.37 * double(i % kAngles); }
// The million-triangle knot cycles through the first few of them only: its views for the
// reference rasterizers take about 75 MB each.
constexpr int64_t kMillionAngles = 4;

// The floor: a clear of the pixels (three bytes each) and of the depths, and both passes of a
// histogram equalisation, written as plainly and as fast as the memory allows.
void BM_FrameFloor(benchmark::State& state) {
    std::vector<uint32_t> pixels(kPixels);
    std::vector<double> depths(kPixels);
    for (auto _ : state) {
        for (uint32_t& p : pixels) p = (p & 0xFF000000u) | 0x00FF00u;
        std::fill(depths.begin(), depths.end(), -1e6);
        uint32_t counts[3][256] = {};
        for (uint32_t p : pixels) {
            ++counts[0][p & 0xFF];
            ++counts[1][(p >> 8) & 0xFF];
            ++counts[2][(p >> 16) & 0xFF];
        }
        uint8_t map[3][256];
        for (int c = 0; c < 3; ++c) {
            uint64_t running = 0;
            for (int k = 0; k < 256; ++k) map[c][k] = uint8_t((running += counts[c][k]) * 255 / kPixels);
        }
        for (uint32_t& p : pixels)
            p = (p & 0xFF000000u) | map[0][p & 0xFF] | uint32_t{map[1][(p >> 8) & 0xFF]} << 8 |
                uint32_t{map[2][(p >> 16) & 0xFF]} << 16;
        benchmark::DoNotOptimize(pixels.data());
        benchmark::DoNotOptimize(depths.data());
    }
}
BENCHMARK(BM_FrameFloor)->Unit(benchmark::kMicrosecond);

// The bare memory floor: the pixels (three bytes each) and the depths filled, then one read and
// write pass over the pixels; no counting, no mapping.
void BM_BareFloor(benchmark::State& state) {
    std::vector<uint32_t> pixels(kPixels);
    std::vector<double> depths(kPixels);
    for (auto _ : state) {
        for (uint32_t& p : pixels) p = (p & 0xFF000000u) | 0x00FF00u;
        std::fill(depths.begin(), depths.end(), -1e6);
        benchmark::DoNotOptimize(pixels.data());
        for (uint32_t& p : pixels) p ^= 0x00010101u;
        benchmark::DoNotOptimize(pixels.data());
        benchmark::DoNotOptimize(depths.data());
    }
}
BENCHMARK(BM_BareFloor)->Unit(benchmark::kMicrosecond);

// One window, set up once as the program sets it up, for the frame benchmarks.
ViewerWindow& viewer() {
    static ViewerWindow* window = [] {
        auto* w = new ViewerWindow();
        w->setUp();
        return w;
    }();
    return *window;
}

void BM_FrameUpdate(benchmark::State& state) {
    ViewerWindow& v = viewer();
    int64_t i = 0;
    for (auto _ : state) {
        v.angleY = angleAt(i++);
        v.frameUpdate(nullptr);
    }
}
BENCHMARK(BM_FrameUpdate)->Unit(benchmark::kMicrosecond);

void BM_Clear(benchmark::State& state) {
    Surface& s = *viewer().renderer.surface;
    for (auto _ : state) s.clear(0, 255, 0);
}
BENCHMARK(BM_Clear)->Unit(benchmark::kMicrosecond);

// The render pass on a surface cleared outside the timing.
void BM_RenderPass(benchmark::State& state) {
    ViewerWindow& v = viewer();
    int64_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        v.renderer.surface->clear(0, 255, 0);
        v.renderer.setModel(multiply(Matrix4::rotationX(0.0), Matrix4::rotationY(angleAt(i++))));
        state.ResumeTiming();
        v.renderer.render(&v.scene);
    }
}
BENCHMARK(BM_RenderPass)->Unit(benchmark::kMicrosecond);

// The pixels of a 400 x 400 frame that something was drawn on.
size_t coveredPixels(const double* depths) {
    return size_t(std::count_if(depths, depths + kPixels, [](double d) { return d > -1e6; }));
}

// The embedded model's trefoil knot on a finer grid, built once (never freed).
const Scene& knot(int segments, int sides) {
    auto* s = new Scene();
    s->build(writeMesh(generateTrefoil(segments, sides)));
    return *s;
}

// Ten times the triangles: 480 x 38 instead of 150 x 12, 36,480 triangles.
const Scene& knot10() {
    static const Scene& scene = knot(480, 38);
    return scene;
}

// 2600 x 200: 1,040,000 triangles, most of them smaller than a pixel.
const Scene& knotMillion() {
    static const Scene& scene = knot(2600, 200);
    return scene;
}

// Clear and render pass together, as the frame runs them, on the viewer's surface.
void clearAndRender(benchmark::State& state, const Scene& scene, int64_t angles = kAngles) {
    Renderer& r = viewer().renderer;
    const auto drawAt = [&](int64_t angle) {
        r.surface->clear(0, 255, 0);
        r.setModel(multiply(Matrix4::rotationX(0.0), Matrix4::rotationY(angleAt(angle % angles))));
        r.render(&scene);
    };
    int64_t i = 0;
    for (auto _ : state) drawAt(i++);
    state.counters["triangles"] = double(scene.faces.size());
    // The pixels drawn at the first angle, to set beside the reference rasterizers'.
    drawAt(0);
    state.counters["covered"] = double(coveredPixels(r.surface->depth->values->intactPayload()));
}

void BM_ClearRender(benchmark::State& state) { clearAndRender(state, viewer().scene); }
BENCHMARK(BM_ClearRender)->Unit(benchmark::kMicrosecond);

void BM_ClearRenderKnot10(benchmark::State& state) { clearAndRender(state, knot10()); }
BENCHMARK(BM_ClearRenderKnot10)->Unit(benchmark::kMicrosecond);

void BM_ClearRenderKnotMillion(benchmark::State& state) { clearAndRender(state, knotMillion(), kMillionAngles); }
BENCHMARK(BM_ClearRenderKnotMillion)->Unit(benchmark::kMicrosecond);

// The whole frame update with the knot at about state.range(0) triangles (a grid of n x 40) in
// the viewer: where a frame stops fitting well inside the timer's 10 ms tick, which the packer
// warns about (kSmoothTriangles).
void BM_FrameUpdateKnot(benchmark::State& state) {
    ViewerWindow v;
    v.setUp();
    v.scene.build(writeMesh(generateTrefoil(int(state.range(0) / 80), 40)));
    int64_t i = 0;
    for (auto _ : state) {
        v.angleY = angleAt(i++);
        v.frameUpdate(nullptr);
    }
    state.counters["triangles"] = double(v.scene.faces.size());
}
BENCHMARK(BM_FrameUpdateKnot)->Arg(50000)->Arg(100000)->Arg(200000)->Arg(400000)->Arg(800000)->Unit(benchmark::kMillisecond);

// The memory floor of a render pass over the million-triangle knot: every face's vertex indices
// and every vertex's position read once, in array order, as the pass reads them at the least
// (a face is 64 bytes, a vertex 56, so this streams about 95 MB).
void BM_SceneReadKnotMillion(benchmark::State& state) {
    const Scene& scene = knotMillion();
    for (auto _ : state) {
        uint32_t indices = 0;
        double x = 0.0;
        for (const Face& face : scene.faces) indices += face.vertexIndex[0] ^ face.vertexIndex[1] ^ face.vertexIndex[2];
        for (const Vertex& vertex : scene.vertices) x += vertex.position.x;
        benchmark::DoNotOptimize(indices);
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_SceneReadKnotMillion)->Unit(benchmark::kMicrosecond);

// The triangles the render pass draws at each of the benchmark's angles, found through the
// renderer's own transform, orientation test, projection and light.
bench::Views plainViews(const Scene& scene, int64_t angles = kAngles) {
    bench::Views views;
    Renderer r = viewer().renderer;
    for (int64_t i = 0; i < angles; ++i) {
        r.setModel(multiply(Matrix4::rotationX(0.0), Matrix4::rotationY(angleAt(i))));
        std::vector<PlainCorner>& corners = views.emplace_back();
        for (const Face& face : scene.faces) {
            Vertex v[3];
            for (int k = 0; k < 3; ++k) v[k] = r.transformVertex(scene.vertices[face.vertexIndex[k]]);
            if (!Renderer::isFrontFacing(v[0], v[1], v[2])) continue;
            for (const Vertex& t : v) {
                const ScreenPoint p = r.projectToSurface(t.position);
                const Colour c = Colour(t.colour).scale(r.light->intensity(t.normal, t.position));
                corners.push_back({double(p.x), double(p.y), t.position.z, double(c.red), double(c.green),
                                   double(c.blue)});
            }
        }
    }
    return views;
}

void BM_PlainClearRender(benchmark::State& state) { bench::plainClearAndRender(state, bench::embeddedViews()); }
BENCHMARK(BM_PlainClearRender)->Unit(benchmark::kMicrosecond);

void BM_PlainClearRenderKnot10(benchmark::State& state) { bench::plainClearAndRender(state, bench::knot10Views()); }
BENCHMARK(BM_PlainClearRenderKnot10)->Unit(benchmark::kMicrosecond);

void BM_PlainClearRenderKnotMillion(benchmark::State& state) {
    bench::plainClearAndRender(state, bench::knotMillionViews());
}
BENCHMARK(BM_PlainClearRenderKnotMillion)->Unit(benchmark::kMicrosecond);

// The same plain rasterizer built for this very processor (-O3 -march=native).
void BM_PlainNativeClearRenderKnot10(benchmark::State& state) {
    bench::plainNativeClearAndRender(state, bench::knot10Views());
}
BENCHMARK(BM_PlainNativeClearRenderKnot10)->Unit(benchmark::kMicrosecond);

void BM_PlainNativeClearRenderKnotMillion(benchmark::State& state) {
    bench::plainNativeClearAndRender(state, bench::knotMillionViews());
}
BENCHMARK(BM_PlainNativeClearRenderKnotMillion)->Unit(benchmark::kMicrosecond);

// A drawn frame of the embedded model, before equalisation, for the passes that follow the render.
Surface& drawnFrame() {
    static Surface* surface = [] {
        auto* s = new Surface();
        s->create(kSide, kSide, true);
        demo::drawModel(*s, embeddedScene(), 0.4, 0.9);
        return s;
    }();
    return *surface;
}

void BM_Equalise(benchmark::State& state) {
    Surface& s = drawnFrame();
    std::vector<uint8_t> original(s.pixels->intactPayload(), s.pixels->intactPayload() + s.pixels->count());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(original.begin(), original.end(), s.pixels->intactPayload());
        state.ResumeTiming();
        HistogramEqualiser().equalise(s.pixels.get(), s.width, s.height);
    }
    std::copy(original.begin(), original.end(), s.pixels->intactPayload());
}
BENCHMARK(BM_Equalise)->Unit(benchmark::kMicrosecond);

void BM_ShapeRegion(benchmark::State& state) {
    const Surface& s = drawnFrame();
    for (auto _ : state) DeleteObject(s.shapeRegion(ViewerWindow::kKeyColour));
}
BENCHMARK(BM_ShapeRegion)->Unit(benchmark::kMicrosecond);

void BM_ShapeRegionReference(benchmark::State& state) {
    const Surface& s = drawnFrame();
    for (auto _ : state) DeleteObject(test::referenceShapeRegion(s, ViewerWindow::kKeyColour));
}
BENCHMARK(BM_ShapeRegionReference)->Unit(benchmark::kMicrosecond);

// The worst picture for a region: alternating inside and key pixels on every row.
Surface& checkerboard() {
    static Surface* surface = [] {
        auto* s = new Surface();
        test::fillSurface(*s, kSide, kSide, test::kKey);
        for (int y = 0; y < kSide; ++y)
            for (int x = (y & 1); x < kSide; x += 2) test::setPixel(*s, x, y, 0x000000FF);
        return s;
    }();
    return *surface;
}

void BM_ShapeRegionCheckerboard(benchmark::State& state) {
    for (auto _ : state) DeleteObject(checkerboard().shapeRegion(test::kKey));
}
BENCHMARK(BM_ShapeRegionCheckerboard)->Unit(benchmark::kMillisecond);

void BM_ShapeRegionCheckerboardReference(benchmark::State& state) {
    for (auto _ : state) DeleteObject(test::referenceShapeRegion(checkerboard(), test::kKey));
}
BENCHMARK(BM_ShapeRegionCheckerboardReference)->Unit(benchmark::kMillisecond);

void BM_Present(benchmark::State& state) {
    ViewerWindow& v = viewer();
    HDC dc = GetDC(v.handle);
    for (auto _ : state) benchmark::DoNotOptimize(v.renderer.surface->present(dc));
    ReleaseDC(v.handle, dc);
}
BENCHMARK(BM_Present)->Unit(benchmark::kMicrosecond);

// Triangles of every size and orientation, partly outside the surface, the same for every fill.
struct TriangleSet {
    std::vector<int32_t> xy;
    std::vector<double> z, uv, intensity;
    std::vector<uint32_t> colour;
};

const TriangleSet& triangles() {
    static const TriangleSet set = [] {
        TriangleSet t;
        std::mt19937 random(7);
        std::uniform_int_distribution<int32_t> corner(-40, 440), colour(0, 0xFFFFFF);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int i = 0; i < 3 * 256; ++i) {
            t.xy.push_back(corner(random));
            t.xy.push_back(corner(random));
            t.z.push_back(unit(random));
            t.uv.push_back(unit(random));
            t.uv.push_back(unit(random));
            t.intensity.push_back(unit(random));
            t.colour.push_back(uint32_t(colour(random)));
        }
        return t;
    }();
    return set;
}

const Texture& texture() {
    static Texture* t = [] {
        auto* texture = new Texture();
        HDC screen = GetDC(nullptr);
        texture->bitmap = CreateCompatibleBitmap(screen, 1, 1);
        ReleaseDC(nullptr, screen);
        texture->width = 64;
        texture->height = 64;
        texture->pixels = std::make_unique<ByteArray>(64 * 64 * 4);
        uint8_t* p = texture->pixels->intactPayload();
        for (uint32_t i = 0; i < texture->pixels->count(); ++i) p[i] = uint8_t(i * 37);
        return texture;
    }();
    return *t;
}

template <typename Draw>
void fillBenchmark(benchmark::State& state, Draw draw) {
    Surface& s = *viewer().renderer.surface;
    const TriangleSet& t = triangles();
    for (auto _ : state) {
        state.PauseTiming();
        s.clear(0, 255, 0);
        state.ResumeTiming();
        for (size_t k = 0; k < t.colour.size(); k += 3) draw(s, t, k);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(t.colour.size() / 3));
}

void BM_FillShaded(benchmark::State& state) {
    fillBenchmark(state, [](Surface& s, const TriangleSet& t, size_t k) {
        const int32_t* p = &t.xy[2 * k];
        s.fillTriangleShaded(p[0], p[1], p[2], p[3], p[4], p[5], t.colour[k], t.colour[k + 1], t.colour[k + 2]);
    });
}
BENCHMARK(BM_FillShaded)->Unit(benchmark::kMicrosecond);

void BM_FillShadedDepth(benchmark::State& state) {
    fillBenchmark(state, [](Surface& s, const TriangleSet& t, size_t k) {
        const int32_t* p = &t.xy[2 * k];
        s.fillTriangleShadedDepth(p[0], p[1], p[2], p[3], p[4], p[5], t.colour[k], t.colour[k + 1],
                                  t.colour[k + 2], t.z[k], t.z[k + 1], t.z[k + 2]);
    });
}
BENCHMARK(BM_FillShadedDepth)->Unit(benchmark::kMicrosecond);

void BM_FillTextured(benchmark::State& state) {
    fillBenchmark(state, [](Surface& s, const TriangleSet& t, size_t k) {
        const int32_t* p = &t.xy[2 * k];
        const double* uv = &t.uv[2 * k];
        s.fillTriangleTextured(p[0], p[1], p[2], p[3], p[4], p[5], uv[0], uv[1], uv[2], uv[3], uv[4], uv[5],
                               t.intensity[k], t.intensity[k + 1], t.intensity[k + 2], &texture());
    });
}
BENCHMARK(BM_FillTextured)->Unit(benchmark::kMicrosecond);

void BM_FillTexturedDepth(benchmark::State& state) {
    fillBenchmark(state, [](Surface& s, const TriangleSet& t, size_t k) {
        const int32_t* p = &t.xy[2 * k];
        const double* uv = &t.uv[2 * k];
        s.fillTriangleTexturedDepth(p[0], p[1], p[2], p[3], p[4], p[5], uv[0], uv[1], uv[2], uv[3], uv[4], uv[5],
                                    t.intensity[k], t.intensity[k + 1], t.intensity[k + 2], &texture(), t.z[k],
                                    t.z[k + 1], t.z[k + 2]);
    });
}
BENCHMARK(BM_FillTexturedDepth)->Unit(benchmark::kMicrosecond);

const bool kRatios = bench::addRatio("frame update / memory floor", "BM_FrameUpdate", "BM_FrameFloor") &&
                     bench::addRatio("frame update / bare memory floor", "BM_FrameUpdate", "BM_BareFloor") &&
                     bench::addRatio("clear + render, knot x10 / embedded", "BM_ClearRenderKnot10",
                                     "BM_ClearRender") &&
                     bench::addRatio("clear + render / plain rasterizer", "BM_ClearRender", "BM_PlainClearRender") &&
                     bench::addRatio("clear + render / plain rasterizer, knot x10", "BM_ClearRenderKnot10",
                                     "BM_PlainClearRenderKnot10") &&
                     bench::addRatio("clear + render / plain rasterizer, knot 1M", "BM_ClearRenderKnotMillion",
                                     "BM_PlainClearRenderKnotMillion") &&
                     bench::addRatio("clear + render / plain at -march=native, knot x10", "BM_ClearRenderKnot10",
                                     "BM_PlainNativeClearRenderKnot10") &&
                     bench::addRatio("clear + render / plain at -march=native, knot 1M",
                                     "BM_ClearRenderKnotMillion", "BM_PlainNativeClearRenderKnotMillion") &&
                     bench::addRatio("render pass / memory floor", "BM_RenderPass", "BM_FrameFloor") &&
                     bench::addRatio("region: reference / ours (model)", "BM_ShapeRegionReference",
                                     "BM_ShapeRegion") &&
                     bench::addRatio("region: reference / ours (checkerboard)",
                                     "BM_ShapeRegionCheckerboardReference", "BM_ShapeRegionCheckerboard");

}  // namespace

const bench::Views& bench::embeddedViews() {
    static const Views views = plainViews(viewer().scene);
    return views;
}

const bench::Views& bench::knot10Views() {
    static const Views views = plainViews(knot10());
    return views;
}

const bench::Views& bench::knotMillionViews() {
    static const Views views = plainViews(knotMillion(), kMillionAngles);
    return views;
}
