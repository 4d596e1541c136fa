#pragma once
// A plain LZARI decoder for reference, written straight from the format's description: bits read
// one at a time, a binary search over the cumulative frequencies, the model updated entry by
// entry, every division made as written. It takes the stream after unscrambling, as our decoder
// does, and gives the same bytes; the benchmarks set our start-up beside it.

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// One decoded symbol as the arithmetic decoder sees it: the model total it scaled by and the two
// cumulatives that bound the symbol's interval.
struct CodedStep {
    uint32_t total, upper, lower;
};

// The decoded bytes; with `steps`, every symbol's step is appended to it, in order.
std::string plainLzariDecode(const std::string& stream, std::vector<CodedStep>* steps = nullptr);

}  // namespace bench
