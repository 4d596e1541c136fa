#pragma once
// Turns one embedded block back into plain bytes: unscramble, then LZARI-decode.

#include <cstdint>
#include <string>

namespace td {

// The decoded bytes of the block at data (length bytes long); an absent block gives nothing.
std::string decodeBlock(const uint8_t* data, uint32_t length);

}  // namespace td
