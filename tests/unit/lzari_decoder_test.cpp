#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "asset/lzari_decoder.h"

namespace td {
namespace {

// Runs on both builds: under Wine the vectors are reached through drive Z:.
std::string vectorPath(const std::string& file) {
    return std::string(TD_SOURCE_DIR "/../shared/vectors/lzari/") + file;
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string withHeader(uint32_t length, const std::string& body = std::string()) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return s + body;
}

std::string decode(const std::string& stream) {
    LzariDecoder decoder;
    return decoder.decode(stream);
}

TEST(LzariDecoder, DecodesEveryConformanceVector) {
    for (const char* name : {"empty", "one", "spaces3", "text", "mesh", "random", "skewed", "runs",
                             "mesh_truncated"}) {
        SCOPED_TRACE(name);
        std::string stream, expected;
        ASSERT_TRUE(readFile(vectorPath(std::string(name) + ".lzari"), stream));
        ASSERT_TRUE(readFile(vectorPath(std::string(name) + ".bin"), expected));
        EXPECT_EQ(decode(stream), expected);
    }
}

TEST(LzariDecoder, OutputDamagedMidStreamIsRecreatedAndLosesTheBytesSoFar) {
    std::string stream, expected;
    ASSERT_TRUE(readFile(vectorPath("text.lzari"), stream));
    ASSERT_TRUE(readFile(vectorPath("text.bin"), expected));
    ASSERT_GT(expected.size(), 200u);
    // Each guard in turn: damaged once 100 bytes are stored, which the next store finds.
    for (const bool trailing : {false, true}) {
        SCOPED_TRACE(trailing ? "trailing guard" : "leading guard");
        std::vector<uint8_t*> damaged;
        LzariDecoder decoder;
        decoder.setOutputProbe([&](ByteArray& output, uint32_t stored) {
            if (stored != 100) return;
            damaged.push_back(output.rawBlock());
            output.rawBlock()[trailing ? output.count() + 1 : 0] = 0xFF;
        });
        const std::string decoded = decoder.decode(stream);
        ASSERT_EQ(damaged.size(), 1u);
        ASSERT_EQ(decoded.size(), expected.size());
        EXPECT_EQ(decoded.substr(0, 100), std::string(100, '\0'));
        EXPECT_EQ(decoded.substr(100), expected.substr(100));
        std::free(damaged[0]);  // a damaged block is never freed by the array
    }
}

TEST(LzariDecoder, StreamsWithoutAPositiveLengthDecodeToNothing) {
    EXPECT_EQ(decode(std::string()), "");
    EXPECT_EQ(decode(std::string("\x05\x00\x00", 3)), "");  // shorter than the header
    EXPECT_EQ(decode(withHeader(0, "\x2f\x48\xc0\xff\xff")), "");
    EXPECT_EQ(decode(withHeader(0x80000000u, "\x2f\x48\xc0")), "");
    EXPECT_EQ(decode(withHeader(0xFFFFFFFFu, "\x2f\x48\xc0")), "");
}

TEST(LzariDecoder, SmallStreamsDecodeOnTheirOwn) {
    // A single literal, and a first match of length 3 at distance 0 into the ring of spaces.
    EXPECT_EQ(decode(std::string("\x01\x00\x00\x00\xca\x80", 6)), "A");
    EXPECT_EQ(decode(std::string("\x03\x00\x00\x00\x2f\x48\xc0", 7)), "   ");
}

TEST(LzariDecoder, MatchesRunningPastTheDeclaredLengthAreCutShort) {
    // Lowering the declared length of a stream must give exactly a prefix of its content, also
    // where the last byte falls inside a match.
    std::string stream, full;
    ASSERT_TRUE(readFile(vectorPath("runs.lzari"), stream));
    ASSERT_TRUE(readFile(vectorPath("runs.bin"), full));
    const std::string body = stream.substr(4);
    for (uint32_t length : {1u, 2u, 59u, 61u, 200u, 4095u, 4097u, 9999u}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decode(withHeader(length, body)), full.substr(0, length));
    }
    EXPECT_EQ(decode(std::string("\x02\x00\x00\x00\x2f\x48\xc0", 7)), "  ");
}

TEST(LzariDecoder, BitsPastTheEndReadAsZero) {
    const std::string bare = decode(withHeader(300));
    EXPECT_EQ(bare.size(), 300u);
    EXPECT_EQ(bare, decode(withHeader(300, std::string(400, '\0'))));
    const std::string partial = decode(withHeader(300, "\x9c\x41"));
    EXPECT_EQ(partial, decode(withHeader(300, std::string("\x9c\x41", 2) + std::string(400, '\0'))));
}

TEST(LzariDecoder, GarbageStreamsGiveTheDeclaredLength) {
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 50; ++trial) {
        std::string body(static_cast<size_t>(rng() % 300), '\0');
        for (char& c : body) c = static_cast<char>(rng());
        const uint32_t length = 1 + rng() % 5000;
        EXPECT_EQ(decode(withHeader(length, body)).size(), length);
    }
}

// The character model as the published algorithm keeps it, one table entry at a time.
struct PlainModel {
    std::vector<uint32_t> freq, cum;
    std::vector<int32_t> toChar, toSymbol;

    PlainModel()
        : freq(lzari::kCharCount + 1, 1), cum(lzari::kCharCount + 1),
          toChar(lzari::kCharCount + 1), toSymbol(lzari::kCharCount) {
        freq[0] = 0;
        for (uint32_t s = lzari::kCharCount; s >= 1; --s) {
            toSymbol[s - 1] = static_cast<int32_t>(s);
            toChar[s] = static_cast<int32_t>(s - 1);
            cum[s - 1] = cum[s] + 1;
        }
    }

    void update(uint32_t s) {
        if (cum[0] >= lzari::kMaxTotal) {
            uint32_t total = 0;
            for (uint32_t i = lzari::kCharCount; i >= 1; --i) {
                cum[i] = total;
                freq[i] = (freq[i] + 1) / 2;
                total += freq[i];
            }
            cum[0] = total;
        }
        uint32_t i = s;
        while (freq[i] == freq[i - 1]) --i;
        std::swap(toChar[i], toChar[s]);
        toSymbol[toChar[i]] = static_cast<int32_t>(i);
        toSymbol[toChar[s]] = static_cast<int32_t>(s);
        ++freq[i];
        while (i-- > 0) ++cum[i];
    }
};

// The published algorithm step by step, one bit and one table entry at a time, without the
// decoder's batched renormalisation, search tables and vector updates. The decoder must agree
// with it on every stream, corrupt ones included: those also read ring cells that no byte was
// written to, and matches that run past the declared length.
std::string referenceDecode(const std::string& in) {
    using namespace lzari;
    if (in.size() < kHeaderSize) return std::string();
    uint32_t length = 0;
    for (uint32_t i = 0; i < kHeaderSize; ++i)
        length |= uint32_t{static_cast<uint8_t>(in[i])} << (8 * i);
    if (length == 0 || (length & 0x80000000u) != 0) return std::string();
    size_t position = kHeaderSize;
    uint32_t buffer = 0, mask = 0;
    auto bit = [&]() -> uint32_t {
        if ((mask >>= 1) == 0) {
            buffer = position < in.size() ? static_cast<uint8_t>(in[position++]) : 0;
            mask = 0x80;
        }
        return (buffer & mask) != 0 ? 1 : 0;
    };
    uint32_t low = 0, high = kQ4, value = 0;
    for (uint32_t i = 0; i < kCodeBits + 2; ++i) value = 2 * value + bit();
    PlainModel model;
    std::vector<uint32_t> posCum(kRingSize + 1);
    for (uint32_t i = kRingSize; i >= 1; --i) posCum[i - 1] = posCum[i] + 10000 / (i + 200);
    auto code = [&](const std::vector<uint32_t>& c, uint32_t last) {
        const uint32_t range = high - low;
        const uint32_t x = ((value - low + 1) * c[0] - 1) / range;
        uint32_t lo = 1, hi = last;
        while (lo < hi) {
            const uint32_t mid = (lo + hi) / 2;
            if (c[mid] > x) lo = mid + 1; else hi = mid;
        }
        high = low + range * c[lo - 1] / c[0];
        low += range * c[lo] / c[0];
        for (;;) {
            if (low >= kQ2) { value -= kQ2; low -= kQ2; high -= kQ2; }
            else if (low >= kQ1 && high <= kQ3) { value -= kQ1; low -= kQ1; high -= kQ1; }
            else if (high > kQ2) break;
            low += low; high += high; value = 2 * value + bit();
        }
        return lo;
    };
    std::string out, ring(kRingSize, '\0');
    for (uint32_t i = 0; i < kRingSize - kLookAhead; ++i) ring[i] = ' ';
    uint32_t r = kRingSize - kLookAhead;
    auto emit = [&](char c) {
        if (out.size() < length) out += c;
        ring[r] = c;
        r = (r + 1) & (kRingSize - 1);
    };
    while (out.size() < length) {
        const uint32_t s = code(model.cum, kCharCount);
        const int32_t c = model.toChar[s];
        model.update(s);
        if (c < 256) {
            emit(static_cast<char>(c));
        } else {
            const uint32_t start = (r - (code(posCum, kRingSize) - 1) - 1) & (kRingSize - 1);
            for (int32_t k = 0; k < c - 253; ++k) emit(ring[(start + k) & (kRingSize - 1)]);
        }
    }
    return out;
}

TEST(LzariDecoder, CorruptStreamsDecodeAsThePlainAlgorithmDoes) {
    std::mt19937 rng(20260);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        // Garbage, and garbage biased to long runs of equal bits (intervals that renormalise by
        // many steps at once) or to a few byte values.
        std::string body(static_cast<size_t>(rng() % 700), '\0');
        const uint32_t kind = trial % 3;
        for (char& c : body)
            c = static_cast<char>(kind == 0   ? rng()
                                  : kind == 1 ? (rng() % 2 ? 0xFF : 0x00)
                                              : rng() % 4);
        const uint32_t length = 1 + rng() % 6000;
        const std::string stream = withHeader(length, body);
        ASSERT_EQ(decode(stream), referenceDecode(stream));
    }
}

TEST(LzariDecoder, StreamsCutAnywhereDecodeAsThePlainAlgorithmDoes) {
    // Cuts at every byte alignment near the start and spread over the stream, keeping the
    // declared length: the rest reads as zero bits, whatever the bit reader had loaded.
    for (const char* name : {"text", "mesh"}) {
        SCOPED_TRACE(name);
        std::string stream;
        ASSERT_TRUE(readFile(vectorPath(std::string(name) + ".lzari"), stream));
        std::vector<size_t> cuts;
        for (size_t cut = 4; cut < 24; ++cut) cuts.push_back(cut);
        for (size_t cut = 24; cut < stream.size(); cut += stream.size() / 13 + 1)
            cuts.push_back(cut);
        for (size_t cut : cuts) {
            SCOPED_TRACE(cut);
            const std::string head = stream.substr(0, cut);
            ASSERT_EQ(decode(head), referenceDecode(head));
        }
    }
}

// The tables must describe one consistent model: cumulatives are suffix sums of the frequencies,
// frequencies never rise with the symbol number, and the two maps are inverse permutations.
void expectConsistentModel(const LzariDecoder& d) {
    for (uint32_t s = 1; s <= lzari::kCharCount; ++s) {
        ASSERT_EQ(d.symbolCumulative(s - 1), d.symbolCumulative(s) + d.symbolFrequency(s)) << s;
        ASSERT_GE(d.symbolFrequency(s), 1u) << s;
        if (s > 1) {
            ASSERT_LE(d.symbolFrequency(s), d.symbolFrequency(s - 1)) << s;
        }
        ASSERT_EQ(d.symbolOfChar(static_cast<uint32_t>(d.charOfSymbol(s))), static_cast<int32_t>(s));
    }
    ASSERT_EQ(d.symbolCumulative(lzari::kCharCount), 0u);
}

TEST(LzariDecoder, ModelStartsUniformWithAStaticPositionModel) {
    LzariDecoder d;
    d.startModel();
    expectConsistentModel(d);
    EXPECT_EQ(d.symbolCumulative(0), 314u);
    EXPECT_EQ(d.positionCumulative(4096), 0u);
    EXPECT_EQ(d.positionCumulative(4095), 10000u / 4296u);
    EXPECT_EQ(d.positionCumulative(0), 28568u);
}

TEST(LzariDecoder, ModelUpdatesKeepExactlyThePlainModelsTables) {
    // Symbols at and around the borders of the blocks of four, eight and sixteen that the
    // update and the run search work in, the last ones, and a skew so that runs of equal
    // frequencies of every length form and the model halves twice.
    LzariDecoder d;
    d.startModel();
    PlainModel plain;
    std::mt19937 rng(4711);
    const uint32_t updates = 2 * lzari::kMaxTotal + 500;
    for (uint32_t n = 0; n < updates; ++n) {
        uint32_t symbol = 0;
        switch (rng() % 4) {
            case 0: symbol = 1 + rng() % lzari::kCharCount; break;
            case 1: symbol = 1 + rng() % 24; break;
            case 2: symbol = lzari::kCharCount - rng() % 24; break;
            default: symbol = 16 * (1 + rng() % 19) + (rng() % 3) - 1; break;
        }
        d.updateModel(static_cast<int32_t>(symbol));
        plain.update(symbol);
        ASSERT_EQ(d.symbolCumulative(0), plain.cum[0]) << n;
        if (n % 61 != 0 && n + 1 != updates) continue;
        for (uint32_t s = 0; s <= lzari::kCharCount; ++s) {
            ASSERT_EQ(d.symbolFrequency(s), plain.freq[s]) << n << " " << s;
            ASSERT_EQ(d.symbolCumulative(s), plain.cum[s]) << n << " " << s;
            if (s >= 1) {
                ASSERT_EQ(d.charOfSymbol(s), plain.toChar[s]) << n << " " << s;
                ASSERT_EQ(d.symbolOfChar(s - 1), plain.toSymbol[s - 1]) << n << " " << s;
            }
        }
    }
}

TEST(LzariDecoder, PositionTableAgreesWithTheBinarySearchForEveryCode) {
    LzariDecoder d;
    d.startModel();
    auto search = [&](uint32_t x) {
        uint32_t lo = 1, hi = lzari::kRingSize;
        while (lo < hi) {
            const uint32_t mid = (lo + hi) / 2;
            if (d.positionCumulative(mid) > x) lo = mid + 1; else hi = mid;
        }
        return lo - 1;
    };
    // Every code a valid stream gives, those past the total that a corrupt one can, and the
    // largest ones, where a clamp or an index could wrap.
    std::vector<uint32_t> codes;
    for (uint32_t x = 0; x <= d.positionCumulative(0) + 64; ++x) codes.push_back(x);
    for (uint32_t x : {0x7FFFu, 0x8000u, 0xFFFFu, 0x10000u, 0x7FFFFFFFu, 0x80000000u,
                       0xFFFFFFF8u, 0xFFFFFFFFu})
        codes.push_back(x);
    for (uint32_t x : codes) ASSERT_EQ(d.positionOfCode(x), search(x)) << x;
}

TEST(LzariDecoder, ModelHalvesOnceTheTotalReachesItsLimit) {
    LzariDecoder d;
    d.startModel();
    std::mt19937 rng(99);
    // Skewed updates, so that symbols move and frequencies differ when the halving comes.
    const uint32_t updates = lzari::kMaxTotal - lzari::kCharCount;
    for (uint32_t n = 0; n < updates; ++n) {
        const uint32_t character = rng() % 4 == 0 ? rng() % 314 : rng() % 8;
        d.updateModel(d.symbolOfChar(character));
    }
    expectConsistentModel(d);
    ASSERT_EQ(d.symbolCumulative(0), lzari::kMaxTotal);  // not yet halved

    std::vector<uint32_t> halved(lzari::kCharCount + 1);
    uint32_t halvedTotal = 0;
    for (uint32_t s = 1; s <= lzari::kCharCount; ++s) {
        halved[s] = (d.symbolFrequency(s) + 1) / 2;
        halvedTotal += halved[s];
    }
    // The last symbol is counted after the halving: it moves to the front of its run of equal
    // halved frequencies and that slot gains one.
    const uint32_t last = lzari::kCharCount;
    uint32_t front = last;
    while (front > 1 && halved[front - 1] == halved[last]) --front;
    const int32_t lastChar = d.charOfSymbol(last);
    d.updateModel(static_cast<int32_t>(last));
    expectConsistentModel(d);
    EXPECT_EQ(d.symbolCumulative(0), halvedTotal + 1);
    EXPECT_EQ(d.symbolOfChar(static_cast<uint32_t>(lastChar)), static_cast<int32_t>(front));
    for (uint32_t s = 1; s <= lzari::kCharCount; ++s)
        EXPECT_EQ(d.symbolFrequency(s), halved[s] + (s == front ? 1u : 0u)) << s;
}

}  // namespace
}  // namespace td
