// Fuzzes the packer's encoder against the program's decoder: whatever bytes go in must come back
// exactly, also after the block scrambling the packer applies.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "asset/block_scrambler.h"
#include "asset/decode_block.h"
#include "asset/lzari_decoder.h"
#include "tools/assetpack/lzari_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string stream = td::lzariEncode(input);
    td::LzariDecoder decoder;
    if (decoder.decode(stream) != input) std::abort();
    const std::string block = td::scrambleBlock(stream);
    if (td::unscrambleBlock(block) != stream) std::abort();
    if (td::decodeBlock(reinterpret_cast<const uint8_t*>(block.data()),
                        static_cast<uint32_t>(block.size())) != input)
        std::abort();
    return 0;
}
