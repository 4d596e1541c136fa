// Start-up work: decoding the embedded asset, building the scene, the vertex normals against
// their plain per-vertex scan, and the whole set-up of the viewer up to its first presented frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

#include "asset/embedded_asset.h"
#include "asset/scene.h"
#include "ratios.h"
#include "support/normals_reference.h"
#include "tools/snapshot/demo_frame.h"
#include "ui/viewer_window.h"

namespace {

using namespace td;

void BM_SceneBuild(benchmark::State& state) {
    const std::string asset = decodeEmbeddedAsset();
    for (auto _ : state) {
        Scene scene;
        scene.build(asset);
        benchmark::DoNotOptimize(scene.vertices.data());
    }
}
BENCHMARK(BM_SceneBuild)->Unit(benchmark::kMillisecond);

// A closed tube of about `faces` triangles: a grid of rings, each quad split in two.
Scene tube(int64_t faces) {
    const int around = 50, along = int(std::max<int64_t>(1, faces / (2 * around)));
    Scene scene;
    for (int i = 0; i < along; ++i)
        for (int j = 0; j < around; ++j) {
            const double a = 6.283185307179586 * j / around;
            scene.vertices.push_back(Vertex{Vec3{std::cos(a), std::sin(a), 0.01 * i}, Colour{}, Vec3{}});
        }
    demo::addWrappedGridFaces(scene, along, around);
    return scene;
}

void BM_Normals(benchmark::State& state) {
    Scene scene = tube(state.range(0));
    for (auto _ : state) {
        scene.computeVertexNormals();
        benchmark::DoNotOptimize(scene.vertices.data());
    }
    // The timing is only worth having if the result is the plain definition's, bit for bit.
    if (state.range(0) <= 10000) {
        const std::vector<Vec3> expected = test::referenceVertexNormals(scene);
        for (size_t j = 0; j < expected.size(); ++j)
            if (std::memcmp(&expected[j], &scene.vertices[j].normal, sizeof(Vec3)) != 0)
                state.SkipWithError("normals differ from the per-vertex scan");
    }
}
BENCHMARK(BM_Normals)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_NormalsScan(benchmark::State& state) {
    const Scene scene = tube(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(test::referenceVertexNormals(scene).data());
}
BENCHMARK(BM_NormalsScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
// 100k faces take seconds per scan: once is enough.
BENCHMARK(BM_NormalsScan)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Everything the program does before its message loop: window, asset, scene, surface, first
// frame (painted by UpdateWindow), timer; then the teardown, outside the timing.
void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        auto* viewer = new ViewerWindow();
        viewer->setUp();
        state.PauseTiming();
        delete viewer;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

const bool kRatios = bench::addRatio("normals 1k: scan / ours", "BM_NormalsScan/1000", "BM_Normals/1000") &&
                     bench::addRatio("normals 10k: scan / ours", "BM_NormalsScan/10000", "BM_Normals/10000") &&
                     bench::addRatio("normals 100k: scan / ours", "BM_NormalsScan/100000/iterations:1",
                                     "BM_Normals/100000");

}  // namespace
