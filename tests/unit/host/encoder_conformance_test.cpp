// The packer's LZARI encoder against the conformance streams made by the published algorithm.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tools/assetpack/lzari_encoder.h"

namespace td {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(LzariEncoder, ReproducesEveryConformanceStream) {
    const std::string dir = TD_SOURCE_DIR "/../shared/vectors/lzari/";
    for (const char* name : {"empty", "one", "spaces3", "text", "mesh", "random", "skewed", "runs"}) {
        const std::string encoded = lzariEncode(readFile(dir + name + ".bin"));
        EXPECT_TRUE(encoded == readFile(dir + name + ".lzari")) << name;
    }
}

TEST(LzariEncoder, HeaderCarriesTheLengthLittleEndian) {
    const std::string encoded = lzariEncode(std::string(0x010203, 'x'));
    ASSERT_GE(encoded.size(), 4u);
    EXPECT_EQ(encoded.substr(0, 4), std::string("\x03\x02\x01\x00", 4));
}

}  // namespace
}  // namespace td
