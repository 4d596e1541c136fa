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

// Whether the 16 bytes at p are four copies of word: four equal pixels in two comparisons.
inline bool fourWordsEqual(const uint8_t* p, uint32_t word) {
    uint64_t first, second;
    std::memcpy(&first, p, sizeof first);
    std::memcpy(&second, p + 8, sizeof second);
    const uint64_t pair = uint64_t{word} * 0x100000001u;  // the word twice
    return first == pair && second == pair;
}

}  // namespace td
