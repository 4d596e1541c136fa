#pragma once
// A plain LZARI decoder for reference, written straight from the format's description: bits read
// one at a time, a binary search over the cumulative frequencies, the model updated entry by
// entry, every division made as written. It takes the stream after unscrambling, as our decoder
// does, and gives the same bytes; the benchmarks set our start-up beside it.

#include <string>

namespace bench {

std::string plainLzariDecode(const std::string& stream);

}  // namespace bench
