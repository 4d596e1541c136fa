// The packer's LZARI encoder against the program's decoder, on data of every shape.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "asset/block_scrambler.h"
#include "asset/decode_block.h"
#include "asset/lzari_decoder.h"
#include "tools/assetpack/lzari_encoder.h"

namespace td {
namespace {

std::string roundTrip(const std::string& data) {
    LzariDecoder decoder;
    return decoder.decode(lzariEncode(data));
}

TEST(LzariRoundTrip, SmallAndDegenerateInputs) {
    EXPECT_EQ(lzariEncode(std::string()), std::string(4, '\0'));
    EXPECT_EQ(roundTrip(std::string()), "");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_EQ(roundTrip(one), one) << b;
    }
    for (const char* s : {"  ", "   ", "ab", "abcabcabc", "\0\0\0\0\0"})
        EXPECT_EQ(roundTrip(s), s);
    EXPECT_EQ(roundTrip(std::string(5, '\0')), std::string(5, '\0'));
}

TEST(LzariRoundTrip, LongRunsAndRingWrapAround) {
    // Long runs give many full-length matches, some reaching back into the initial spaces.
    for (size_t n : {size_t{59}, size_t{60}, size_t{61}, size_t{4036}, size_t{4097}, size_t{70000}}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(roundTrip(std::string(n, ' ')), std::string(n, ' '));
        EXPECT_EQ(roundTrip(std::string(n, 'z')), std::string(n, 'z'));
    }
    std::string periodic;
    for (int i = 0; i < 30000; ++i) periodic.push_back(static_cast<char>("0123456789abcdefg"[i % 17]));
    EXPECT_EQ(roundTrip(periodic), periodic);
}

TEST(LzariRoundTrip, RandomAndSkewedData) {
    std::mt19937 rng(2024);
    std::string random(8192, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    EXPECT_EQ(roundTrip(random), random);

    // 200 KB of a few frequent bytes with rare others and repeats: the model is rescaled often.
    std::string skewed;
    while (skewed.size() < 200000) {
        const uint32_t pick = rng() % 100;
        if (pick < 5 && skewed.size() > 100) {
            const size_t from = skewed.size() - 1 - rng() % 100;
            skewed += skewed.substr(from, 3 + rng() % 40);
        } else {
            skewed.push_back(static_cast<char>(pick < 80 ? pick % 4 : rng()));
        }
    }
    EXPECT_EQ(roundTrip(skewed), skewed);
}

TEST(LzariRoundTrip, PackedBlocksDecodeAndJoin) {
    // What the packer embeds: encode, then scramble; each block decodes on its own.
    const std::string first = "xy", second = "z";
    const std::string a = scrambleBlock(lzariEncode(first));
    const std::string b = scrambleBlock(lzariEncode(second));
    auto decodeOf = [](const std::string& block) {
        return decodeBlock(reinterpret_cast<const uint8_t*>(block.data()),
                           static_cast<uint32_t>(block.size()));
    };
    EXPECT_EQ(decodeOf(a) + decodeOf(b), "xyz");
}

}  // namespace
}  // namespace td
