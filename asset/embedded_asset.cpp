#include "asset/embedded_asset.h"

#include "asset/decode_block.h"

namespace td {

std::string decodeAsset(const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                        uint32_t secondLength) {
    std::string asset;
    asset += decodeBlock(first, firstLength);
    asset += decodeBlock(second, secondLength);
    return asset;
}

std::string decodeEmbeddedAsset() {
    return decodeAsset(kEmbeddedBlock1, kEmbeddedBlock1Length, kEmbeddedBlock2, kEmbeddedBlock2Length);
}

}  // namespace td
