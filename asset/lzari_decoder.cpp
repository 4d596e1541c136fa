#include "asset/lzari_decoder.h"

#include <array>

#include "foundation/guarded_array.h"

namespace td {

using namespace lzari;

// Why every division here is defined, whatever the stream holds:
//
// The stream only steers which symbol is picked; the binary searches always pick a valid symbol
// (1 to 314) or position (0 to 4095). low and high are then narrowed by the model alone. Every
// frequency is at least 1 and the totals stay between 314 and 0x7FFF (characters) or are 28,568
// (positions), so the narrowed interval is never empty, and renormalising leaves it wider than
// Q1: it stops only with low < Q1 < Q2 < high or with low < Q2 < Q3 < high. So range is never 0
// and range × cumulative stays below 2^32. Only value can leave the interval on a corrupt
// stream; it enters nothing but the dividend (value − low + 1) × total − 1, which wraps as
// unsigned 32-bit arithmetic does and merely selects some valid symbol. A valid stream decodes
// exactly as the published algorithm gives it.

uint32_t LzariDecoder::readBit() {
    bitMask_ >>= 1;
    if (bitMask_ == 0) {
        // Past the end of the input the stream reads as zero bits.
        if (inputPosition_ < input_.size()) {
            bitBuffer_ = static_cast<uint8_t>(input_[inputPosition_]);
            ++inputPosition_;
        } else {
            bitBuffer_ = 0;
        }
        bitMask_ = 0x80;
    }
    return (static_cast<uint32_t>(bitBuffer_) & bitMask_) != 0 ? 1u : 0u;
}

void LzariDecoder::startModel() {
    symbolCum_[kCharCount] = 0;
    for (uint32_t symbol = kCharCount; symbol >= 1; --symbol) {
        charToSymbol_[symbol - 1] = static_cast<int32_t>(symbol);
        symbolToChar_[symbol] = static_cast<int32_t>(symbol - 1);
        symbolFreq_[symbol] = 1;
        symbolCum_[symbol - 1] = symbolCum_[symbol] + 1;
    }
    symbolFreq_[0] = 0;  // sentinel: differs from every real frequency, stops the rank search
    positionCum_[kRingSize] = 0;
    for (uint32_t i = kRingSize; i >= 1; --i)
        positionCum_[i - 1] = positionCum_[i] + 10000 / (i + 200);
}

void LzariDecoder::updateModel(int32_t symbol) {
    if (symbolCum_[0] >= kMaxTotal) {
        uint32_t total = 0;
        for (uint32_t i = kCharCount; i >= 1; --i) {
            symbolCum_[i] = total;
            symbolFreq_[i] = (symbolFreq_[i] + 1) / 2;
            total += symbolFreq_[i];
        }
        symbolCum_[0] = total;
    }
    // Move the symbol to the front of its run of equal frequencies, so frequencies stay
    // non-increasing with the symbol number after the increment.
    int32_t i = symbol;
    while (symbolFreq_[i] == symbolFreq_[i - 1]) --i;
    if (i < symbol) {
        const int32_t charI = symbolToChar_[i];
        const int32_t charSymbol = symbolToChar_[symbol];
        symbolToChar_[i] = charSymbol;
        symbolToChar_[symbol] = charI;
        charToSymbol_[charI] = symbol;
        charToSymbol_[charSymbol] = i;
    }
    ++symbolFreq_[i];
    while (--i >= 0) ++symbolCum_[i];
}

void LzariDecoder::renormalise() {
    for (;;) {
        if (low_ >= kQ2) {
            value_ -= kQ2;
            low_ -= kQ2;
            high_ -= kQ2;
        } else if (low_ >= kQ1 && high_ <= kQ3) {
            value_ -= kQ1;
            low_ -= kQ1;
            high_ -= kQ1;
        } else if (high_ > kQ2) {
            return;
        }
        low_ += low_;
        high_ += high_;
        value_ = 2 * value_ + readBit();
    }
}

namespace {

// Cumulative frequencies fall with the index: the first index in 1..last whose cumulative is not
// above x (last when none is), found by binary search.
uint32_t firstNotAbove(const uint32_t* cumulative, uint32_t last, uint32_t x) {
    uint32_t lo = 1;
    uint32_t hi = last;
    while (lo < hi) {
        const uint32_t mid = (lo + hi) / 2;
        if (cumulative[mid] > x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

}  // namespace

uint32_t LzariDecoder::decodeChar() {
    const uint32_t range = high_ - low_;
    const uint32_t total = symbolCum_[0];
    const uint32_t x = ((value_ - low_ + 1) * total - 1) / range;
    const uint32_t symbol = firstNotAbove(symbolCum_, kCharCount, x);
    high_ = low_ + range * symbolCum_[symbol - 1] / total;
    low_ += range * symbolCum_[symbol] / total;
    renormalise();
    const uint32_t character = static_cast<uint32_t>(symbolToChar_[symbol]);
    updateModel(static_cast<int32_t>(symbol));
    return character;
}

uint32_t LzariDecoder::decodePosition() {
    const uint32_t range = high_ - low_;
    const uint32_t total = positionCum_[0];
    const uint32_t x = ((value_ - low_ + 1) * total - 1) / range;
    const uint32_t position = firstNotAbove(positionCum_, kRingSize, x) - 1;
    high_ = low_ + range * positionCum_[position] / total;
    low_ += range * positionCum_[position + 1] / total;
    renormalise();
    return position;
}

std::string LzariDecoder::decode(const std::string& stream) {
    input_ = stream;
    low_ = 0;
    high_ = kQ4;
    value_ = 0;
    bitMask_ = 0;
    inputPosition_ = 0;

    // The header is the only part of the stream read directly; the bit reader handles the rest.
    if (input_.size() < kHeaderSize) return std::string();
    uint32_t declared = 0;
    for (uint32_t i = 0; i < kHeaderSize; ++i)
        declared |= uint32_t{static_cast<uint8_t>(input_[i])} << (8 * i);
    inputPosition_ = kHeaderSize;
    // The length is signed: zero and negative lengths give nothing.
    if (declared == 0 || (declared & 0x80000000u) != 0) return std::string();
    const uint32_t length = declared;

    ByteArray output(length);
    if (!output.guardsIntact()) return std::string();

    for (uint32_t i = 0; i < kCodeBits + 2; ++i) value_ = 2 * value_ + readBit();
    startModel();

    // Positions past N − F are never read by a well-formed stream before being written.
    std::array<uint8_t, kRingSize> ring{};
    for (uint32_t i = 0; i < kRingSize - kLookAhead; ++i) ring[i] = ' ';
    uint32_t r = kRingSize - kLookAhead;
    uint32_t count = 0;

    // A match may run past the declared length: the ring still advances, the output does not.
    auto emit = [&](uint8_t byte) {
        if (count < length) {
            output.set(count, byte);
            if (outputProbe_) outputProbe_(output, count + 1);
        }
        ring[r] = byte;
        r = (r + 1) & (kRingSize - 1);
        ++count;
    };

    while (count < length) {
        const uint32_t c = decodeChar();
        if (c < 256) {
            emit(static_cast<uint8_t>(c));
        } else {
            const uint32_t position = decodePosition();
            const uint32_t start = (r - position - 1) & (kRingSize - 1);
            const uint32_t matchLength = c - (255 - kThreshold);
            for (uint32_t k = 0; k < matchLength; ++k)
                emit(ring[(start + k) & (kRingSize - 1)]);
        }
    }

    const uint8_t* bytes = output.payload();
    if (!bytes) return std::string();
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace td
