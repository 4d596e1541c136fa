#include "asset/block_scrambler.h"

#include <cstddef>

#include "foundation/guarded_array.h"

namespace td {

std::string unscrambleBlock(const std::string& block) {
    return unscrambleBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size());
}

std::string unscrambleBlock(const uint8_t* data, size_t length) {
    // The array holds one spare element behind the bytes; a block too long to count in 32 bits
    // together with it cannot be held and gives nothing.
    if (!data || length == 0 || length >= UINT32_MAX) return std::string();
    const uint32_t n = static_cast<uint32_t>(length);
    ByteArray bytes(n + 1);
    if (!bytes.guardsIntact()) return std::string();
    for (uint32_t i = 0; i < n; ++i) bytes.set(i, unscrambleByte(data[i], i));
    const uint8_t* payload = bytes.payload();
    if (!payload) return std::string();
    return std::string(reinterpret_cast<const char*>(payload), n);
}

std::string scrambleBlock(const std::string& block) {
    std::string out(block.size(), '\0');
    for (size_t i = 0; i < block.size(); ++i)
        out[i] = static_cast<char>(
            scrambleByte(static_cast<uint8_t>(block[i]), static_cast<uint32_t>(i)));
    return out;
}

}  // namespace td
