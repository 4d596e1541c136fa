// Textured spans that start far outside the surface: the columns before the first visible one cost
// only their additions, and those are taken in runs. The same triangle drawn from column 0 is the
// measure of the visible work.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "platform/win32.h"
#include "ratios.h"
#include "render/surface.h"
#include "render/texture.h"

namespace {

using namespace td;

struct FarSpanScene {
    Surface surface;
    Texture texture;

    FarSpanScene() {
        surface.create(400, 400, true);
        HDC screen = GetDC(nullptr);
        texture.bitmap = CreateCompatibleBitmap(screen, 1, 1);
        ReleaseDC(nullptr, screen);
        texture.width = 64;
        texture.height = 64;
        texture.pixels = std::make_unique<ByteArray>(64 * 64 * 4);
        uint8_t* p = texture.pixels->intactPayload();
        for (uint32_t i = 0; i < texture.pixels->count(); ++i) p[i] = uint8_t(i * 37);
    }
};

FarSpanScene& scene() {
    static FarSpanScene* s = new FarSpanScene();
    return *s;
}

// A flat top from column `left` on row 0 to column 399, its far corner 100,000 rows down at column
// `left`: every one of the 400 visible rows has a span from column `left` into the surface.
void drawFlatTop(benchmark::State& state, int32_t left) {
    FarSpanScene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        s.surface.clear(0, 255, 0);
        state.ResumeTiming();
        s.surface.fillTriangleTextured(left, 0, 399, 0, left, 100000, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.2, 1.0, 0.6,
                                       &s.texture);
    }
}

void BM_FarTexturedTriangle(benchmark::State& state) { drawFlatTop(state, -65536); }
BENCHMARK(BM_FarTexturedTriangle)->Unit(benchmark::kMicrosecond);

void BM_NearTexturedTriangle(benchmark::State& state) { drawFlatTop(state, 0); }
BENCHMARK(BM_NearTexturedTriangle)->Unit(benchmark::kMicrosecond);

const bool kRatios = bench::addRatio("textured triangle: from column -65,536 / from 0", "BM_FarTexturedTriangle",
                                     "BM_NearTexturedTriangle");

}  // namespace
