#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>

#include "asset/block_scrambler.h"

namespace td {
namespace {

std::string randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

TEST(BlockScrambler, ByteTransformIsInvertedAtEveryPosition) {
    for (uint32_t position = 0; position < 256; ++position) {
        std::set<uint8_t> images;
        for (uint32_t x = 0; x < 256; ++x) {
            const uint8_t b = static_cast<uint8_t>(x);
            const uint8_t u = unscrambleByte(b, position);
            images.insert(u);
            ASSERT_EQ(scrambleByte(u, position), b) << position << " " << x;
            ASSERT_EQ(unscrambleByte(scrambleByte(b, position), position), b) << position << " " << x;
            // Only the position modulo 256 matters.
            ASSERT_EQ(unscrambleByte(b, position + 256 * 977), u);
        }
        EXPECT_EQ(images.size(), 256u) << position;
    }
}

TEST(BlockScrambler, KeysRunThroughAllByteValues) {
    std::set<uint8_t> keys;
    for (uint32_t position = 0; position < 256; ++position) keys.insert(scrambler::keyAt(position));
    EXPECT_EQ(keys.size(), 256u);
    // The transform really changes bytes.
    const std::string zeros(256, '\0');
    EXPECT_NE(unscrambleBlock(zeros), zeros);
}

TEST(BlockScrambler, BlockKeepsItsLengthAndRoundTrips) {
    EXPECT_EQ(unscrambleBlock(std::string()), "");
    EXPECT_EQ(scrambleBlock(std::string()), "");
    for (size_t n : {size_t{1}, size_t{255}, size_t{256}, size_t{257}, size_t{5000}}) {
        const std::string block = randomBytes(n, static_cast<uint32_t>(n));
        const std::string plain = unscrambleBlock(block);
        EXPECT_EQ(plain.size(), n);
        EXPECT_EQ(scrambleBlock(plain), block);
        EXPECT_EQ(unscrambleBlock(scrambleBlock(block)), block);
    }
}

TEST(BlockScrambler, EachByteDependsOnlyOnItsValueAndPositionModulo256) {
    // A block that repeats every 256 bytes unscrambles to one that does too.
    const std::string period = randomBytes(256, 7);
    const std::string plain = unscrambleBlock(period + period + period.substr(0, 100));
    EXPECT_EQ(plain.substr(256, 256), plain.substr(0, 256));
    EXPECT_EQ(plain.substr(512), plain.substr(0, 100));
    // Changing one input byte changes that output byte alone.
    std::string changed = period + period;
    changed[300] = static_cast<char>(changed[300] ^ 0x41);
    const std::string plainChanged = unscrambleBlock(changed);
    for (size_t i = 0; i < changed.size(); ++i)
        EXPECT_EQ(plainChanged[i] != plain[i % 256 + (i >= 256 ? 256 : 0)], i == 300) << i;
}

}  // namespace
}  // namespace td
