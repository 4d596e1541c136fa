#pragma once
// Conversions from double that are defined for every input.
//
// Geometry, colour channels and texel indices are computed in double precision and truncated
// toward zero. A plain cast is undefined behaviour for NaN and for values outside the target
// range, so every such conversion in the program goes through these helpers.

#include <cstdint>

namespace td {

// Truncates toward zero; values beyond the int32 range saturate to its ends and NaN gives 0.
inline int32_t truncToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Truncates toward zero into a byte: the result is the low 8 bits of the truncated value, as an
// integer conversion followed by a store into a byte gives. Values beyond the int32 range
// saturate first (so +inf gives 0xFF and -inf gives 0x00); NaN gives 0.
inline uint8_t truncToByteLow8(double value) {
    return static_cast<uint8_t>(static_cast<uint32_t>(truncToInt32(value)) & 0xFFu);
}

}  // namespace td
