#pragma once
// Decoder for LZARI streams: LZSS over a 4096-byte ring combined with adaptive arithmetic coding.
//
// A stream is a 4-byte little-endian signed length followed by the coded bits, most significant
// bit of each byte first. Characters 0 to 255 are literal bytes; 256 to 313 are matches of length
// 3 to 60 whose distance back into the ring is coded with a static position model. A decoder is
// made for one stream and discarded after it, so no model state passes between streams.

#include <cstdint>
#include <functional>
#include <string>

#include "asset/arithmetic_decoder.h"
#include "foundation/guarded_array.h"

namespace td {

class LzariDecoder {
public:
    // Decodes one stream. A stream shorter than its 4-byte header, or one declaring a length of
    // 0 or with the top bit set, gives an empty string; otherwise the result always has exactly
    // the declared length (bits past the end of the stream read as 0).
    std::string decode(const std::string& stream);
    // The same bytes appended to `out`, with room reserved for `spare` more behind them, so that
    // a caller joining several results copies each once. The decoder keeps the stream as its
    // input: a stream handed over as a temporary is moved there, not copied.
    void decodeAppend(std::string stream, std::string& out, size_t spare = 0);

    // Called after every byte stored into the output array, with the array and the number of
    // bytes stored so far. The program sets none; tests damage the array through it, as a stray
    // write past the payload would, to see the decoder re-create it.
    using OutputProbe = std::function<void(ByteArray& output, uint32_t stored)>;
    void setOutputProbe(OutputProbe probe) { outputProbe_ = std::move(probe); }

    // The adaptive character model, exposed so that its rescaling can be checked directly.
    void startModel();
    void updateModel(int32_t symbol);
    uint32_t symbolFrequency(uint32_t symbol) const { return symbolFreq_[symbol]; }
    uint32_t symbolCumulative(uint32_t symbol) const { return symbolCum_[symbol]; }
    int32_t symbolOfChar(uint32_t character) const { return charToSymbol_[character]; }
    int32_t charOfSymbol(uint32_t symbol) const { return symbolToChar_[symbol]; }
    uint32_t positionCumulative(uint32_t index) const { return positionCum_[index]; }
    // The position that a scaled code x (any value, also one past the total) selects: the same
    // as the binary search over the position cumulatives, found through a table. Needs the
    // model started.
    uint32_t positionOfCode(uint32_t x) const;

private:
    int32_t runStart(int32_t symbol) const;
    uint32_t decodeChar();
    uint32_t decodePosition();

    ArithmeticDecoder coder_;

    int32_t charToSymbol_[lzari::kCharCount] = {};
    int32_t symbolToChar_[lzari::kCharCount + 1] = {};
    // The frequencies and cumulatives of symbols 0 to 314, each followed by zeros: the symbol
    // search reads the cumulatives 1 to 320, the run search aligned blocks of eight frequencies
    // and the update aligned blocks of sixteen cumulatives.
    static constexpr uint32_t kSymbolWindow = 320;
    alignas(16) uint32_t symbolFreq_[kSymbolWindow] = {};
    alignas(16) uint32_t symbolCum_[kSymbolWindow + 1] = {};
    uint32_t positionCum_[lzari::kRingSize + 1] = {};
    std::string input_;
    OutputProbe outputProbe_;
};

}  // namespace td
