#pragma once
// The position-keyed byte transform that hides the embedded asset blocks.
//
// Each byte is keyed by the low 8 bits of its position times an odd multiplier, so the keys run
// through all 256 values and repeat every 256 bytes. The program only unscrambles; the packing
// tool uses the inverse, which lives here too so that both share one set of constants.

#include <cstddef>
#include <cstdint>
#include <string>

namespace td {

namespace scrambler {
constexpr uint8_t kMultiplier = 0x9D;  // odd: position → key is a bijection modulo 256
constexpr uint32_t kRotation = 3;      // left rotation within a byte, 1 to 7
constexpr uint8_t kAddend = 0x5B;
constexpr uint32_t kRounds = 3;
static_assert((kMultiplier & 1) != 0, "an even multiplier would repeat keys within 256 bytes");
static_assert(kRotation >= 1 && kRotation <= 7, "a rotation of 0 or 8 does nothing");

inline uint8_t keyAt(uint32_t position) {
    return static_cast<uint8_t>((position * kMultiplier) & 0xFFu);
}
inline uint8_t rotateLeft(uint8_t x, uint32_t bits) {
    return static_cast<uint8_t>(((x << bits) | (x >> (8 - bits))) & 0xFFu);
}
inline uint8_t rotateRight(uint8_t x, uint32_t bits) {
    return static_cast<uint8_t>(((x >> bits) | (x << (8 - bits))) & 0xFFu);
}
}  // namespace scrambler

// The byte at the given position of a block, unscrambled.
inline uint8_t unscrambleByte(uint8_t x, uint32_t position) {
    const uint8_t key = scrambler::keyAt(position);
    for (uint32_t round = 0; round < scrambler::kRounds; ++round)
        x = static_cast<uint8_t>((scrambler::rotateLeft(x, scrambler::kRotation) ^ key) +
                                 scrambler::kAddend);
    return x;
}

// The inverse of unscrambleByte, for the packing tool.
inline uint8_t scrambleByte(uint8_t x, uint32_t position) {
    const uint8_t key = scrambler::keyAt(position);
    for (uint32_t round = 0; round < scrambler::kRounds; ++round)
        x = scrambler::rotateRight(static_cast<uint8_t>((x - scrambler::kAddend) ^ key),
                                   scrambler::kRotation);
    return x;
}

// Unscrambles a whole block, positions counted from 0 at its first byte. The bytes pass through
// a guarded array; a guard found damaged mid-block re-creates it and loses the bytes so far.
std::string unscrambleBlock(const std::string& block);
// The same for the `length` bytes at `data`, read where they are.
std::string unscrambleBlock(const uint8_t* data, size_t length);

// The inverse of unscrambleBlock, for the packing tool.
std::string scrambleBlock(const std::string& block);

}  // namespace td
