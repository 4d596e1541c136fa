#include "asset/lzari_decoder.h"

#include <array>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/guarded_array.h"

namespace td {

using namespace lzari;

namespace {

// Eight unsigned 32-bit counts handled as one vector (a GCC and Clang extension; two SSE2
// registers on both builds).
typedef uint32_t EightCounts __attribute__((vector_size(32)));

// Adds amount[0..15] to counts[0..15].
inline void addToSixteen(uint32_t* counts, const uint32_t* amount) {
    for (uint32_t half = 0; half < 16; half += 8) {
        EightCounts lanes, added;
        std::memcpy(&lanes, counts + half, sizeof lanes);
        std::memcpy(&added, amount + half, sizeof added);
        lanes += added;
        std::memcpy(counts + half, &lanes, sizeof lanes);
    }
}

// The sixteen entries from kLeadingOnes + 16 − k are k ones followed by zeros (k from 0 to 16).
constexpr uint32_t kLeadingOnes[32] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Cumulatives fall with the index: the first index in first..first + Width − 1 whose cumulative
// is not above x, found by counting rather than by halving. The window is cut into eight equal
// parts; the count of the seven cumulatives that end the first seven parts and are above x is
// the part that holds the answer, because they fall too. That part is searched the same way.
// The seven loads of a round do not depend on one another, so a round costs about one load's
// wait where a binary search pays one per halving. The caller makes sure the window is
// readable and holds an entry that is not above x.
template <uint32_t Width>
inline uint32_t firstNotAbove(const uint32_t* cumulative, uint32_t first, uint32_t x) {
    if constexpr (Width <= 1) {
        return first;
    } else {
        constexpr uint32_t step = (Width + 7) / 8;
        static_assert(Width % step == 0, "the window must split into parts of one width");
        uint32_t above = 0;
        for (uint32_t part = 1; part < Width / step; ++part)
            above += cumulative[first + part * step - 1] > x;
        return firstNotAbove<step>(cumulative, first + above * step, x);
    }
}

// The static position model: cumulative[i] = cumulative[i + 1] + 10000 / (i + 201) down from
// cumulative[4096] = 0. It is the same for every stream, so it is built here once, at compile
// time, together with a table that replaces the binary search over it.
constexpr uint32_t positionFrequency(uint32_t i) { return 10000 / (i + 200); }

constexpr uint32_t positionCumulativeAt(uint32_t index) {
    uint32_t sum = 0;
    for (uint32_t i = kRingSize; i > index; --i) sum += positionFrequency(i);
    return sum;
}

constexpr uint32_t kPositionTotal = positionCumulativeAt(0);  // 28,568
// Every code x at or above cumulative[1] gives position 0.
constexpr uint32_t kPositionFirstEdge = positionCumulativeAt(1);
// The search table has one entry per eight codes. Neighbouring cumulatives differ by at least
// 2 (the smallest frequency is 10000 / 4296), so eight codes straddle at most four of them.
constexpr uint32_t kBucketBits = 3;
constexpr uint32_t kBucketSteps = 4;
static_assert(positionFrequency(kRingSize) * kBucketSteps >= (1u << kBucketBits),
              "a bucket of codes may cross more cumulatives than the search steps over");
constexpr uint32_t kBucketCount = (kPositionFirstEdge >> kBucketBits) + 1;

struct PositionModel {
    uint32_t cumulative[kRingSize + 1] = {};
    // For each bucket of eight codes from 8b: the position of code 8b, but at least
    // kBucketSteps − 1, so that the steps back never read in front of the table.
    uint16_t bucketPosition[kBucketCount] = {};
};

constexpr PositionModel buildPositionModel() {
    PositionModel model;
    model.cumulative[kRingSize] = 0;
    for (uint32_t i = kRingSize; i >= 1; --i)
        model.cumulative[i - 1] = model.cumulative[i] + positionFrequency(i);
    // The position of code x is the number of indices 1..4096 whose cumulative is above x.
    uint32_t position = kRingSize - 1;
    for (uint32_t bucket = 0; bucket < kBucketCount; ++bucket) {
        const uint32_t code = bucket << kBucketBits;
        while (position > 0 && model.cumulative[position] <= code) --position;
        model.bucketPosition[bucket] =
            static_cast<uint16_t>(position < kBucketSteps - 1 ? kBucketSteps - 1 : position);
    }
    return model;
}

constexpr PositionModel kPositionModel = buildPositionModel();
static_assert(kPositionModel.cumulative[0] == kPositionTotal, "");

}  // namespace

// Why every division here is defined, whatever the stream holds:
//
// The stream only steers which symbol is picked; the searches always pick a valid symbol (1 to
// 314: the cumulative of 314 is 0, never above x) or position (0 to 4095). low and high are
// then narrowed by the model alone. Every frequency is at least 1 and the totals stay between
// 314 and 0x7FFF (characters) or are 28,568 (positions), so the narrowed interval is never
// empty, and renormalising leaves it wider than Q1: it stops only with low < Q1 < Q2 < high or
// with low < Q2 < Q3 < high. So range is never 0 and range × cumulative stays below 2^32. Only
// value can leave the interval on a corrupt stream; it enters nothing but the dividend
// (value − low + 1) × total − 1, which wraps as unsigned 32-bit arithmetic does and merely
// selects some valid symbol. A valid stream decodes exactly as the published algorithm gives it.

void LzariDecoder::startModel() {
    static_assert(kSymbolWindow % 16 == 0 && kSymbolWindow > kCharCount,
                  "the symbol tables must hold whole aligned blocks past the last symbol");
    symbolCum_[kCharCount] = 0;
    for (uint32_t symbol = kCharCount; symbol >= 1; --symbol) {
        charToSymbol_[symbol - 1] = static_cast<int32_t>(symbol);
        symbolToChar_[symbol] = static_cast<int32_t>(symbol - 1);
        symbolFreq_[symbol] = 1;
        symbolCum_[symbol - 1] = symbolCum_[symbol] + 1;
    }
    symbolFreq_[0] = 0;  // sentinel: differs from every real frequency, stops the rank search
    std::memcpy(positionCum_, kPositionModel.cumulative, sizeof positionCum_);
}

// The first symbol of the run of equal frequencies that holds symbol. Frequencies never rise
// with the symbol number, so the run is one stretch of equal entries, and the zero sentinel at
// symbol 0 ends it below. The search looks at aligned blocks of eight: in the block of symbol,
// the lowest lane of the run is the start unless it is the block's first lane, in which case
// the run may reach into the block below.
inline int32_t LzariDecoder::runStart(int32_t symbol) const {
#if defined(__SSE2__)
    // Frequencies are below 2^15, so they compare alike as signed lanes.
    const __m128i wanted = _mm_set1_epi32(static_cast<int32_t>(symbolFreq_[symbol]));
    int32_t block = symbol & ~7;
    for (;;) {
        __m128i lowLanes, highLanes;
        std::memcpy(&lowLanes, &symbolFreq_[block], sizeof lowLanes);
        std::memcpy(&highLanes, &symbolFreq_[block + 4], sizeof highLanes);
        // Bit k set when the frequency of symbol block + k is the wanted one.
        const uint32_t equal = static_cast<uint32_t>(
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(lowLanes, wanted))) |
            (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(highLanes, wanted))) << 4));
        // Below the block of symbol, no equal lane means the run starts at the next block.
        if ((equal & 1) == 0) return block + __builtin_ctz(equal | 0x100);
        block -= 8;
    }
#else
    int32_t i = symbol;
    while (symbolFreq_[i] == symbolFreq_[i - 1]) --i;
    return i;
#endif
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
    const int32_t i = runStart(symbol);
    // Swapped even when i is the symbol itself, where the swap changes nothing: cheaper than the
    // branch, which the data would mispredict.
    const int32_t charI = symbolToChar_[i];
    const int32_t charSymbol = symbolToChar_[symbol];
    symbolToChar_[i] = charSymbol;
    symbolToChar_[symbol] = charI;
    charToSymbol_[charI] = symbol;
    charToSymbol_[charSymbol] = i;
    ++symbolFreq_[i];
    // Every cumulative in front of slot i gains one, sixteen at a time: whole blocks up from 0,
    // then the last 0 to 15 entries through a lane mask rather than a loop of their own. The
    // blocks are aligned, so that each load of the next update covers exactly one store of
    // this one.
    const uint32_t end = static_cast<uint32_t>(i);
    uint32_t k = 0;
    for (; k + 16 <= end; k += 16) addToSixteen(&symbolCum_[k], kLeadingOnes);
    addToSixteen(&symbolCum_[k], &kLeadingOnes[16 - (end - k)]);
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;
#endif

// Where 64-by-64-bit products exist, the two divisions by the total are multiplications by
// c = ceil(2^64 / total), taking the high 64 bits of c × n. That is exact for every n < 2^32:
// c = 2^64 / total + e with 0 ≤ e < 1, so c × n / 2^64 exceeds n / total by less than 2^-32,
// while n / total lies at least 1 / total > 2^-32 below the next integer. c itself is one
// division, but it depends only on the total, so it runs while the search runs instead of after
// it. ~0 / total + 1 is c for every total above 1, a power of two or not.
inline uint32_t LzariDecoder::decodeChar() {
    ArithmeticDecoder& coder = coder_;
    const uint32_t range = coder.high - coder.low;
    const uint32_t total = symbolCum_[0];
    const uint32_t x = ((coder.value - coder.low + 1) * total - 1) / range;
#if defined(__SIZEOF_INT128__)
    const uint64_t reciprocal = ~uint64_t{0} / total + 1;
#endif
    const uint32_t symbol = firstNotAbove<kSymbolWindow>(symbolCum_, 1, x);
    const uint32_t upper = range * symbolCum_[symbol - 1];
    const uint32_t lower = range * symbolCum_[symbol];
#if defined(__SIZEOF_INT128__)
    coder.high = coder.low + static_cast<uint32_t>((Wide{reciprocal} * upper) >> 64);
    coder.low += static_cast<uint32_t>((Wide{reciprocal} * lower) >> 64);
#else
    coder.high = coder.low + upper / total;
    coder.low += lower / total;
#endif
    coder.renormalise();
    const uint32_t character = static_cast<uint32_t>(symbolToChar_[symbol]);
    updateModel(static_cast<int32_t>(symbol));
    return character;
}

// What the binary search over the position cumulatives gives for x: the number of indices
// 1..4096 whose cumulative is above x. The bucket's entry s is at least that number and at most
// four more, and the surplus is how many of the cumulatives at s − 3 to s are not above x (the
// cumulative at 0 is the total, above every clamped code).
uint32_t LzariDecoder::positionOfCode(uint32_t x) const {
    const uint32_t code = x < kPositionFirstEdge ? x : kPositionFirstEdge;
    const uint32_t start = kPositionModel.bucketPosition[code >> kBucketBits];
    const uint32_t* cumulative = &positionCum_[start - (kBucketSteps - 1)];
    uint32_t surplus = 0;
    for (uint32_t k = 0; k < kBucketSteps; ++k) surplus += cumulative[k] <= code;
    return start - surplus;
}

// The position total is a constant, so two of the three divisions become multiplications.
inline uint32_t LzariDecoder::decodePosition() {
    ArithmeticDecoder& coder = coder_;
    const uint32_t range = coder.high - coder.low;
    const uint32_t x = ((coder.value - coder.low + 1) * kPositionTotal - 1) / range;
    const uint32_t position = positionOfCode(x);
    coder.high = coder.low + range * positionCum_[position] / kPositionTotal;
    coder.low += range * positionCum_[position + 1] / kPositionTotal;
    coder.renormalise();
    return position;
}

std::string LzariDecoder::decode(const std::string& stream) {
    std::string out;
    decodeAppend(stream, out);
    return out;
}

void LzariDecoder::decodeAppend(std::string stream, std::string& out, size_t spare) {
    input_ = std::move(stream);

    // The header is the only part of the stream read directly; the bit reader handles the rest.
    if (input_.size() < kHeaderSize) return;
    uint32_t declared = 0;
    for (uint32_t i = 0; i < kHeaderSize; ++i)
        declared |= uint32_t{static_cast<uint8_t>(input_[i])} << (8 * i);
    // The length is signed: zero and negative lengths give nothing.
    if (declared == 0 || (declared & 0x80000000u) != 0) return;
    const uint32_t length = declared;

    ByteArray output(length);
    if (!output.guardsIntact()) return;

    coder_ = ArithmeticDecoder(input_, kHeaderSize);
    coder_.value = coder_.readBits(kCodeBits + 2);
    startModel();

    // Positions past N − F are never read by a well-formed stream before being written.
    std::array<uint8_t, kRingSize> ring{};
    for (uint32_t i = 0; i < kRingSize - kLookAhead; ++i) ring[i] = ' ';
    uint32_t r = kRingSize - kLookAhead;
    uint32_t count = 0;

    // A match may run past the declared length: the ring still advances, the output does not.
    // The probe may do anything to the array, so the writer looks at it afresh after each call.
    ByteArray::Writer writer(output);
    auto emit = [&](uint8_t byte) {
        if (count < length) {
            writer.set(count, byte);
            if (outputProbe_) {
                outputProbe_(output, count + 1);
                writer.refresh();
            }
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
    if (!bytes) return;
    out.reserve(out.size() + length + spare);
    out.append(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace td
