#pragma once
// Four bytes in memory handled as one 32-bit word, in whatever byte order the machine keeps
// them: for masking, comparing and storing whole pixels with one load or store.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// How many of the `count` pixels from p, counted from the first, are copies of word (Equal) or
// differ from it (!Equal): the exact length of the run the first pixel starts. Four pixels a step.
template <bool Equal>
inline size_t runWhile(const uint8_t* p, size_t count, uint32_t word) {
    size_t n = 0;
#if defined(__SSE2__)
    const __m128i copies = _mm_set1_epi32(static_cast<int32_t>(word));
    for (; n + 4 <= count; n += 4) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n * 4));
        // One bit a pixel, set where the pixel ends the run.
        int ends = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(block, copies)));
        if (Equal) ends ^= 0xF;
        if (ends) return n + size_t(__builtin_ctz(unsigned(ends)));
    }
#endif
    while (n < count && (loadWord(p + n * 4) == word) == Equal) ++n;
    return n;
}

}  // namespace td
