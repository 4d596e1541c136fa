#include "tools/assetpack/packer.h"

#include <algorithm>

#include "asset/block_scrambler.h"
#include "asset/lzari_decoder.h"
#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "tools/assetpack/lzari_encoder.h"
#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

// LZARI codes at most 60 bytes (one match) per position, and a position costs over 9 bits; a
// literal costs over 1/100 bit however skewed the model. 1024 bytes per byte of stream is out of
// reach of any real stream, and a bound for a damaged one.
constexpr uint64_t kMaxBytesPerStreamByte = 1024;

// The stream decoded by the program's decoder, unless its length header declares more than
// kMaxMeshBytes or than its coded bits can carry; `what` names it in the refusal.
std::string decodeChecked(const std::string& stream, const std::string& what) {
    if (stream.size() >= lzari::kHeaderSize) {
        uint32_t declared = 0;
        for (int k = 3; k >= 0; --k) declared = declared << 8 | static_cast<uint8_t>(stream[k]);
        const uint64_t bound =
            std::min<uint64_t>(kMaxMeshBytes, kMaxBytesPerStreamByte * stream.size());
        if (declared < 0x80000000u && declared > bound)
            throw ToolError(what + " declares " + std::to_string(declared) + " decoded bytes, more than " +
                            std::to_string(stream.size()) + " packed bytes can hold (at most " +
                            std::to_string(bound) + "): it is damaged or was not made by assetpack");
    }
    LzariDecoder decoder;
    return decoder.decode(stream);
}

std::string unpackBlock(const std::string& block, int number) {
    if (block.empty()) return std::string();
    return decodeChecked(unscrambleBlock(block), "block " + std::to_string(number));
}

}  // namespace

PackedBlocks packAsset(const std::string& mesh, const ProgressCallback& progress) {
    const size_t seam = mesh.size() / 4 * 3;
    const auto share = [&](double from, double width) {
        return ProgressCallback(progress ? [&progress, from, width](double done) { progress(from + width * done); }
                                         : ProgressCallback());
    };
    const double firstShare = mesh.empty() ? 1.0 : static_cast<double>(seam) / static_cast<double>(mesh.size());
    PackedBlocks blocks;
    blocks.first = scrambleBlock(lzariEncode(mesh.substr(0, seam), share(0.0, firstShare)));
    blocks.second = scrambleBlock(lzariEncode(mesh.substr(seam), share(firstShare, 1.0 - firstShare)));
    return blocks;
}

std::string packModelSource(const MeshModel& model, const ProgressCallback& progress, ScreenExtent* screen) {
    if (progress) progress(0.0);  // the scene check below takes a while on a large model
    const std::string mesh = writeMesh(model);
    if (mesh.size() > kMaxMeshBytes)
        throw ToolError("the model takes " + std::to_string(mesh.size()) + " bytes, more than the " +
                        std::to_string(kMaxMeshBytes) + " a packed model may have");
    try {
        Scene scene;
        scene.build(mesh);
        if (screen) *screen = screenExtent(scene);
    } catch (const UvIndexOutOfRange& e) {
        throw ToolError(std::string("the program would refuse this model: ") + e.what());
    }
    return emitAssetSource(packAsset(mesh, progress));
}

std::string decodeRawStream(const std::string& stream) {
    return decodeChecked(stream, "the stream");
}

std::string unpackAsset(const PackedBlocks& blocks) {
    return unpackBlock(blocks.first, 1) + unpackBlock(blocks.second, 2);
}

}  // namespace td
