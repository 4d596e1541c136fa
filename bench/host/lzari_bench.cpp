// LZARI decoding throughput, counted in decoded bytes: the conformance streams (a packed mesh,
// text, incompressible bytes) and the whole start-up decode of the embedded asset.

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "asset/embedded_asset.h"
#include "asset/lzari_decoder.h"

namespace td {
namespace {

bool readVector(const std::string& file, std::string& out) {
    std::ifstream in(std::string(TD_SOURCE_DIR "/../shared/vectors/lzari/") + file,
                     std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void decodeVector(benchmark::State& state, const char* name) {
    std::string stream, expected;
    if (!readVector(std::string(name) + ".lzari", stream) ||
        !readVector(std::string(name) + ".bin", expected)) {
        state.SkipWithError("LZARI conformance vectors not found beside the source tree");
        return;
    }
    for (auto _ : state) {
        // A fresh decoder per stream, as decodeBlock makes one.
        LzariDecoder decoder;
        const std::string out = decoder.decode(stream);
        benchmark::DoNotOptimize(out.data());
        if (out.size() != expected.size()) {
            state.SkipWithError("decoded length differs from the vector");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(expected.size()));
}

void BM_LzariDecodeMesh(benchmark::State& state) { decodeVector(state, "mesh"); }
void BM_LzariDecodeText(benchmark::State& state) { decodeVector(state, "text"); }
void BM_LzariDecodeRandom(benchmark::State& state) { decodeVector(state, "random"); }
BENCHMARK(BM_LzariDecodeMesh);
BENCHMARK(BM_LzariDecodeText);
BENCHMARK(BM_LzariDecodeRandom);

void BM_DecodeEmbeddedAsset(benchmark::State& state) {
    int64_t bytes = 0;
    for (auto _ : state) {
        const std::string asset = decodeEmbeddedAsset();
        benchmark::DoNotOptimize(asset.data());
        bytes += static_cast<int64_t>(asset.size());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_DecodeEmbeddedAsset);

}  // namespace
}  // namespace td
