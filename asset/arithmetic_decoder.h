#pragma once
// The arithmetic decoder of LZARI streams: the coder's interval (low, high), the code bits read so
// far (value) and the bit reader over the coded stream. The caller narrows the interval to a
// symbol's share of its model and then renormalises, which reads the next bits. Header-only, so
// that the decoder's loop inlines every step.

#include <cstdint>
#include <string>

namespace td {

namespace lzari {
constexpr uint32_t kRingSize = 4096;                      // N
constexpr uint32_t kLookAhead = 60;                       // F
constexpr uint32_t kThreshold = 2;                        // longest run coded as literals
constexpr uint32_t kCharCount = 256 - kThreshold + kLookAhead;  // 314 characters
constexpr uint32_t kCodeBits = 15;                        // M
constexpr uint32_t kQ1 = 1u << kCodeBits;
constexpr uint32_t kQ2 = 2 * kQ1;
constexpr uint32_t kQ3 = 3 * kQ1;
constexpr uint32_t kQ4 = 4 * kQ1;
constexpr uint32_t kMaxTotal = kQ1 - 1;                   // the model is halved at this total
constexpr uint32_t kHeaderSize = 4;
}  // namespace lzari

struct ArithmeticDecoder {
    ArithmeticDecoder() = default;
    // Reads `stream` from byte `start` on; the stream must outlive the decoder.
    ArithmeticDecoder(const std::string& stream, uint32_t start)
        : input(reinterpret_cast<const uint8_t*>(stream.data())),
          inputSize(static_cast<uint32_t>(stream.size())),
          inputPosition(start) {}

    void refillBits();
    uint32_t readBits(uint32_t count);
    void renormalise();

    const uint8_t* input = nullptr;
    uint32_t inputSize = 0;
    uint32_t inputPosition = 0;
    // The next unread bits of the stream, first bit at the top; bitCount of them are loaded.
    uint64_t bitWindow = 0;
    uint32_t bitCount = 0;
    uint32_t low = 0;
    uint32_t high = lzari::kQ4;
    uint32_t value = 0;
};

// Tops the bit window up to at least 57 bits. With eight bytes of input left, they are read at
// once and as many whole bytes taken as fit; the window's bits below those are then the first
// bits of the next byte, the very bits that the next refill ORs in again, so they do no harm.
// Nearer the end a byte at a time, and past the end the stream reads as zero bits.
inline void ArithmeticDecoder::refillBits() {
    if (inputSize - inputPosition >= 8) {
        uint64_t next = 0;
        for (uint32_t k = 0; k < 8; ++k) next = (next << 8) | input[inputPosition + k];
        bitWindow |= next >> bitCount;
        const uint32_t taken = (63 - bitCount) / 8;
        inputPosition += taken;
        bitCount += 8 * taken;
        return;
    }
    while (bitCount <= 56) {
        uint64_t byte = 0;
        if (inputPosition < inputSize) {
            byte = input[inputPosition];
            ++inputPosition;
        }
        bitWindow |= byte << (56 - bitCount);
        bitCount += 8;
    }
}

// The next count bits (0 to 32) of the stream as a number, the first bit most significant.
inline uint32_t ArithmeticDecoder::readBits(uint32_t count) {
    if (bitCount < count) refillBits();
    // Two shifts, so that a count of 0 shifts by 64 in total without being undefined.
    const uint32_t bits = static_cast<uint32_t>((bitWindow >> 1) >> (63 - count));
    bitWindow <<= count;
    bitCount -= count;
    return bits;
}

// The published loop, one bit per step: while the interval lies in one half of [0, Q4), drop that
// half (subtract Q2 from the upper one) and double; then, while it lies in the middle half,
// subtract Q1 and double; each doubling shifts one bit into value. (The loop's order, which
// takes the middle step even for an interval inside [Q1, Q2), comes to the same: the upper-half
// step that would follow it is merely done early.) Seen in bits, with top = high - 1 as a 17-bit
// number: the half steps are the leading bits that low and top share, and the middle steps that
// follow are the next bits where low has 1 and top 0. Both runs are counted at once, and the
// whole renormalisation is one shift of low, high and value by their sum less a common offset.
// The interval is never empty and at most Q4 wide, and each step doubles it, so the shift is at
// most 17 bits. Everything is unsigned 32-bit, wrapping exactly as the step-by-step loop does.
inline void ArithmeticDecoder::renormalise() {
    const uint32_t top = high - 1;
    // The bit below the 17 compared ones stops the count at 17 when low equals top.
    const uint32_t halves = static_cast<uint32_t>(__builtin_clz(((low ^ top) << 15) | (1u << 14)));
    const uint32_t lowAfterHalves = (low << halves) & (lzari::kQ4 - 1);
    const uint32_t topAfterHalves = ((top << halves) | ((1u << halves) - 1)) & (lzari::kQ4 - 1);
    const uint32_t middles = static_cast<uint32_t>(
        __builtin_clz(~((lowAfterHalves & ~topAfterHalves) << 16)));
    const uint32_t shift = halves + middles;
    const uint32_t droppedHalves = low & ~((lzari::kQ4 - 1) >> halves);
    const uint32_t offset = (droppedHalves << shift) + lzari::kQ2 * ((1u << middles) - 1);
    low = (low << shift) - offset;
    high = (high << shift) - offset;
    value = (value << shift) + readBits(shift) - offset;
}

}  // namespace td
