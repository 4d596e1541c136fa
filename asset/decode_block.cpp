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
    // A fresh decoder per block, so no model state carries over; its ~21 KB of tables live on
    // the stack rather than the heap. The block is read in place and its unscrambled bytes are
    // handed over to the decoder, not copied.
    LzariDecoder decoder;
    decoder.decodeAppend(unscrambleBlock(data, length), out, spare);
}

}  // namespace td
