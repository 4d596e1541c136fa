#include "tools/assetpack/packer.h"

#include <cstdint>

#include "asset/block_scrambler.h"
#include "asset/decode_block.h"
#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "tools/assetpack/lzari_encoder.h"
#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

std::string packBlock(const std::string& bytes) { return scrambleBlock(lzariEncode(bytes)); }

std::string unpackBlock(const std::string& block) {
    if (block.size() > UINT32_MAX) throw ToolError("block too long to decode");
    return decodeBlock(reinterpret_cast<const uint8_t*>(block.data()),
                       static_cast<uint32_t>(block.size()));
}

}  // namespace

PackedBlocks packAsset(const std::string& mesh) {
    const size_t seam = mesh.size() / 4 * 3;
    return PackedBlocks{packBlock(mesh.substr(0, seam)), packBlock(mesh.substr(seam))};
}

std::string packModelSource(const MeshModel& model) {
    const std::string mesh = writeMesh(model);
    try {
        Scene scene;
        scene.build(mesh);
    } catch (const UvIndexOutOfRange& e) {
        throw ToolError(std::string("the program would refuse this model: ") + e.what());
    }
    return emitAssetSource(packAsset(mesh));
}

std::string unpackAsset(const PackedBlocks& blocks) {
    return unpackBlock(blocks.first) + unpackBlock(blocks.second);
}

}  // namespace td
