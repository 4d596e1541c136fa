#pragma once
// A short account of a packed asset, decoded the way the program decodes it.

#include <string>

#include "tools/assetpack/asset_source.h"

namespace td {

// Block sizes, compression ratio, counts, bounding box, colour and name, whether the program
// can build its scene from the asset and how large it shows in the window; several lines of text. Raises MeshFormatError when the
// decoded bytes are not a complete mesh file.
std::string describeAsset(const PackedBlocks& blocks);
// The same account from the counts on, of a mesh file's bytes.
std::string describeMesh(const std::string& mesh);

}  // namespace td
