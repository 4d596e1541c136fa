#pragma once
// Turns one embedded block back into plain bytes: unscramble, then LZARI-decode.

#include <cstddef>
#include <cstdint>
#include <string>

namespace td {

// The decoded bytes of the block at data (length bytes long); an absent block gives nothing.
std::string decodeBlock(const uint8_t* data, uint32_t length);
// The same bytes appended to `out`, with room reserved for `spare` more behind them.
void appendDecodedBlock(const uint8_t* data, uint32_t length, std::string& out, size_t spare = 0);

}  // namespace td
