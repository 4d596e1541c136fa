#include "asset/decode_block.h"

#include "asset/block_scrambler.h"
#include "asset/lzari_decoder.h"

namespace td {

std::string decodeBlock(const uint8_t* data, uint32_t length) {
    std::string out;
    appendDecodedBlock(data, length, out);
    return out;
}

void appendDecodedBlock(const uint8_t* data, uint32_t length, std::string& out, size_t spare) {
    if (!data || length == 0) return;
    const std::string block(reinterpret_cast<const char*>(data), length);
    // A fresh decoder per block, so no model state carries over; its ~21 KB of tables live on
    // the stack rather than the heap.
    LzariDecoder decoder;
    decoder.decodeAppend(unscrambleBlock(block), out, spare);
}

}  // namespace td
