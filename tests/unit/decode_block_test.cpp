#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "asset/block_scrambler.h"
#include "asset/decode_block.h"

namespace td {
namespace {

// Packs a raw LZARI stream the way the packing tool does: scrambled.
std::string packed(const std::string& stream) { return scrambleBlock(stream); }

std::string decodePacked(const std::string& block) {
    return decodeBlock(reinterpret_cast<const uint8_t*>(block.data()),
                       static_cast<uint32_t>(block.size()));
}

TEST(DecodeBlock, AbsentOrEmptyBlockGivesNothing) {
    EXPECT_EQ(decodeBlock(nullptr, 0), "");
    EXPECT_EQ(decodeBlock(nullptr, 16), "");
    const uint8_t byte = 0;
    EXPECT_EQ(decodeBlock(&byte, 0), "");
}

TEST(DecodeBlock, UnscramblesThenDecodes) {
    // "A" as one literal; two spaces cut from a first match of three.
    const std::string a = packed(std::string("\x01\x00\x00\x00\xca\x80", 6));
    const std::string spaces = packed(std::string("\x02\x00\x00\x00\x2f\x48\xc0", 7));
    EXPECT_EQ(decodePacked(a), "A");
    // The block itself is not the stream: its length header only appears once unscrambled.
    EXPECT_NE(a.substr(0, 4), std::string("\x01\x00\x00\x00", 4));
    // Two blocks decoding to two bytes and one byte join into three, each decoded on its own.
    EXPECT_EQ(decodePacked(spaces) + decodePacked(a), "  A");
    EXPECT_EQ(decodePacked(a) + decodePacked(spaces), "A  ");
}

}  // namespace
}  // namespace td
