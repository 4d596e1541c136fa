#pragma once
// The C++ source that carries the embedded asset: the two packed blocks as constant byte arrays
// with their lengths, under the names asset/embedded_asset.h declares.

#include <string>

namespace td {

struct PackedBlocks {
    std::string first;
    std::string second;
};

std::string emitAssetSource(const PackedBlocks& blocks);

// Reads the blocks back from a source written by emitAssetSource; raises ToolError when the
// arrays are missing or their lengths disagree with their contents.
PackedBlocks parseAssetSource(const std::string& source);

}  // namespace td
