// Start-up with the million-triangle knot as the embedded model, beside a plain LZARI decoder
// decoding the same streams: the knot made by `modelgen --mesh FILE 2600 200` (1,040,000
// triangles) and packed as the packer packs it, once per run (about five seconds of set-up).

#include <benchmark/benchmark.h>

#include "asset/arithmetic_decoder.h"
#include "asset/block_scrambler.h"
#include "asset/embedded_asset.h"
#include "asset/scene.h"
#include "plain_lzari.h"
#include "ratios.h"
#include "render/renderer.h"
#include "tools/assetpack/packer.h"
#include "tools/modelgen/trefoil.h"

namespace {

using namespace td;

struct PackedKnot {
    std::string mesh;
    PackedBlocks blocks;
    std::string streams[2];  // the blocks unscrambled: what an LZARI decoder reads
};

const PackedKnot& packedKnot() {
    static const PackedKnot* knot = [] {
        auto* k = new PackedKnot();
        k->mesh = writeMesh(generateTrefoil(2600, 200));
        k->blocks = packAsset(k->mesh);
        k->streams[0] = unscrambleBlock(k->blocks.first);
        k->streams[1] = unscrambleBlock(k->blocks.second);
        return k;
    }();
    return *knot;
}

const uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint32_t lengthOf(const std::string& s) { return static_cast<uint32_t>(s.size()); }

std::string decodeKnot() {
    const PackedBlocks& b = packedKnot().blocks;
    return decodeAsset(bytesOf(b.first), lengthOf(b.first), bytesOf(b.second), lengthOf(b.second));
}

// What the program does before its first frame, less the window: the asset decoded, the scene
// built, the surface made and the first frame rendered as the viewer sets its renderer up.
void BM_StartUpKnotMillion(benchmark::State& state) {
    packedKnot();
    for (auto _ : state) {
        auto* scene = new Scene();
        scene->build(decodeKnot());
        auto* surface = new Surface();
        surface->create(400, 400, true);
        Light light{Vec3{0.0, 0.0, -1.0}, static_cast<double>(0.1f)};
        Renderer renderer;
        renderer.surface = surface;
        renderer.light = &light;
        renderer.setCamera(Matrix4::perspective(10.0));
        renderer.flags = Renderer::kDepthTest | 0x01;
        renderer.render(scene);
        state.PauseTiming();
        delete surface;
        delete scene;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpKnotMillion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The parts of that start-up alone: the decoding, and the scene built from decoded bytes.
void BM_DecodeKnotMillion(benchmark::State& state) {
    if (decodeKnot() != packedKnot().mesh) state.SkipWithError("our decoder gives other bytes");
    for (auto _ : state) benchmark::DoNotOptimize(decodeKnot().data());
}
BENCHMARK(BM_DecodeKnotMillion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_SceneBuildKnotMillion(benchmark::State& state) {
    for (auto _ : state) {
        auto* scene = new Scene();
        scene->build(packedKnot().mesh);
        state.PauseTiming();
        delete scene;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SceneBuildKnotMillion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The reference: the plain decoder on the same two streams, joined as the program joins them.
void BM_PlainLzariKnotMillion(benchmark::State& state) {
    const PackedKnot& knot = packedKnot();
    const auto decode = [&] { return bench::plainLzariDecode(knot.streams[0]) + bench::plainLzariDecode(knot.streams[1]); };
    if (decode() != knot.mesh) state.SkipWithError("the plain decoder gives other bytes");
    for (auto _ : state) benchmark::DoNotOptimize(decode().data());
    state.counters["bytes"] = double(knot.mesh.size());
}
BENCHMARK(BM_PlainLzariKnotMillion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The floor under any exact decoder of a stream: only the arithmetic decoding of its symbols,
// made as our decoder makes it (the scaled code, the interval narrowed through the reciprocal of
// the total, the renormalisation with its input bits), the symbols' steps recorded beforehand by
// the plain decoder; no model to search or update, no bytes to write. Returns the final code
// value and the sum of the scaled codes, so that none of the work can be left out.
uint32_t arithmeticOnly(const std::string& stream, const std::vector<bench::CodedStep>& steps) {
    ArithmeticDecoder coder(stream, lzari::kHeaderSize);
    coder.value = coder.readBits(lzari::kCodeBits + 2);
    uint32_t scaled = 0;
    for (const bench::CodedStep& step : steps) {
        const uint32_t range = coder.high - coder.low;
        scaled += ((coder.value - coder.low + 1) * step.total - 1) / range;
        const unsigned __int128 reciprocal = ~uint64_t{0} / step.total + 1;
        coder.high = coder.low + uint32_t((reciprocal * (range * step.upper)) >> 64);
        coder.low += uint32_t((reciprocal * (range * step.lower)) >> 64);
        coder.renormalise();
    }
    return coder.value + scaled;
}

void BM_ArithmeticOnlyKnotMillion(benchmark::State& state) {
    const PackedKnot& knot = packedKnot();
    std::vector<bench::CodedStep> steps[2];
    for (int k = 0; k < 2; ++k) bench::plainLzariDecode(knot.streams[k], &steps[k]);
    for (auto _ : state)
        for (int k = 0; k < 2; ++k) benchmark::DoNotOptimize(arithmeticOnly(knot.streams[k], steps[k]));
    state.counters["symbols"] = double(steps[0].size() + steps[1].size());
}
BENCHMARK(BM_ArithmeticOnlyKnotMillion)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

const bool kRatios =
    bench::addRatio("start-up / plain decoder, knot 1M", "BM_StartUpKnotMillion/process_time",
                    "BM_PlainLzariKnotMillion/process_time") &&
    bench::addRatio("our decoding / plain decoder, knot 1M", "BM_DecodeKnotMillion/process_time",
                    "BM_PlainLzariKnotMillion/process_time") &&
    bench::addRatio("arithmetic decoding alone / plain decoder, knot 1M", "BM_ArithmeticOnlyKnotMillion/process_time",
                    "BM_PlainLzariKnotMillion/process_time") &&
    bench::addRatio("scene build / plain decoder, knot 1M", "BM_SceneBuildKnotMillion/process_time",
                    "BM_PlainLzariKnotMillion/process_time");

}  // namespace
