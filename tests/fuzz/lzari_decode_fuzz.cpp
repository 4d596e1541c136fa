// Fuzzes the LZARI decoder with arbitrary streams. The declared length is folded into a small
// range (keeping its sign) so that one input cannot spend seconds producing megabytes; the rest
// of the stream is passed as it came.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "asset/lzari_decoder.h"

namespace {

constexpr uint32_t kMaxDecodedLength = 1u << 13;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string stream(reinterpret_cast<const char*>(data), size);
    uint32_t declared = 0;
    if (stream.size() >= td::lzari::kHeaderSize) {
        for (int k = 0; k < 4; ++k) declared |= uint32_t{data[k]} << (8 * k);
        if ((declared & 0x80000000u) == 0) {
            declared %= kMaxDecodedLength + 1;
            for (int k = 0; k < 4; ++k) stream[k] = static_cast<char>((declared >> (8 * k)) & 0xFF);
        }
    }
    td::LzariDecoder decoder;
    const std::string out = decoder.decode(stream);
    // A stream with a positive length always decodes to exactly that many bytes.
    const bool positive = stream.size() >= td::lzari::kHeaderSize && declared != 0 &&
                          (declared & 0x80000000u) == 0;
    if (out.size() != (positive ? declared : 0u)) std::abort();
    return 0;
}
