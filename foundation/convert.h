#pragma once
// Conversions from double that are defined for every input.
//
// Geometry, colour channels and texel indices are computed in double precision and truncated
// toward zero. A plain cast is undefined behaviour for NaN and for values outside the target
// range, so every such conversion in the program goes through these helpers.

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace td {

// Truncates toward zero; values beyond the int32 range saturate to its ends and NaN gives 0.
inline int32_t truncToInt32(double value) {
#if defined(__SSE2__)
    // The processor's truncating conversion is defined for every input and gives INT32_MIN for
    // NaN and for everything out of range, so only that one result needs a second look.
    const int32_t truncated = _mm_cvttsd_si32(_mm_set_sd(value));
    if (truncated != INT32_MIN) return truncated;
    if (!(value == value)) return 0;
    return value > 0.0 ? INT32_MAX : INT32_MIN;
#else
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
#endif
}

// Truncates toward zero into a byte: the result is the low 8 bits of the truncated value, as an
// integer conversion followed by a store into a byte gives. Values beyond the int32 range
// saturate first (so +inf gives 0xFF and -inf gives 0x00); NaN gives 0.
inline uint8_t truncToByteLow8(double value) {
    return static_cast<uint8_t>(static_cast<uint32_t>(truncToInt32(value)) & 0xFFu);
}

// truncToByteLow8 for a value known to lie strictly between -2^31 and 2^31, as the colour
// channels inside a span do: the same byte there, without the second look at the out-of-range
// result. Defined for every input all the same; outside that range the byte is unspecified.
inline uint8_t truncToByteLow8InRange(double value) {
#if defined(__SSE2__)
    return static_cast<uint8_t>(static_cast<uint32_t>(_mm_cvttsd_si32(_mm_set_sd(value))) & 0xFFu);
#else
    return truncToByteLow8(value);
#endif
}

}  // namespace td
