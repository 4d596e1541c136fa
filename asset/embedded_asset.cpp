#include "asset/embedded_asset.h"

#include "asset/decode_block.h"

namespace td {

std::string decodeAsset(const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                        uint32_t secondLength) {
    // The second block is decoded first, so that the first one's bytes, the bulk, are copied
    // once, into a string that already has room for the second's. The blocks share nothing, so
    // the order of decoding changes no byte.
    const std::string tail = decodeBlock(second, secondLength);
    std::string asset;
    appendDecodedBlock(first, firstLength, asset, tail.size());
    asset += tail;
    return asset;
}

std::string decodeEmbeddedAsset() {
    return decodeAsset(kEmbeddedBlock1, kEmbeddedBlock1Length, kEmbeddedBlock2, kEmbeddedBlock2Length);
}

}  // namespace td
