#pragma once
// Four bytes in memory handled as one 32-bit word, in whatever byte order the machine keeps
// them: for masking, comparing and storing whole pixels with one load or store.

#include <cstdint>
#include <cstring>

namespace td {

inline uint32_t loadWord(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline void storeWord(uint8_t* p, uint32_t word) { std::memcpy(p, &word, sizeof word); }

// The word that loadWord reads from memory holding b0, b1, b2, b3 in that order.
inline uint32_t wordOfBytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    const uint8_t bytes[4] = {b0, b1, b2, b3};
    return loadWord(bytes);
}

}  // namespace td
