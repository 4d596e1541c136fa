#include "asset/embedded_asset.h"

#include "asset/decode_block.h"

namespace td {

std::string decodeEmbeddedAsset() {
    std::string asset;
    asset += decodeBlock(kEmbeddedBlock1, kEmbeddedBlock1Length);
    asset += decodeBlock(kEmbeddedBlock2, kEmbeddedBlock2Length);
    return asset;
}

}  // namespace td
