#pragma once
// The LZARI compressor of the asset packer: LZSS over a 4096-byte ring with a 60-byte look-ahead,
// matches found in a binary search tree, and adaptive arithmetic coding of characters with a
// static model of match positions. Its streams are what the program's LzariDecoder reads.

#include <string>

#include "tools/assetpack/progress.h"

namespace td {

// A raw stream: the 4-byte little-endian length of `data`, then the coded bits. Data of 2 GiB or
// more has no length header and is refused with std::length_error.
// `progress` hears the share of `data` read so far, now and then.
std::string lzariEncode(const std::string& data, const ProgressCallback& progress = {});

}  // namespace td
