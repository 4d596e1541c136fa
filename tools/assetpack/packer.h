#pragma once
// Packing a mesh file into the two embedded blocks, and back.

#include <string>

#include "tools/assetpack/asset_source.h"
#include "tools/assetpack/mesh_model.h"

namespace td {

// Splits the mesh bytes at three quarters (the seam may fall inside a record: the program joins
// the decoded blocks before it parses them), LZARI-encodes each part and scrambles it.
PackedBlocks packAsset(const std::string& mesh);

// The source file that pack writes for a model: its mesh bytes, checked by building the
// program's scene from them (a face naming a missing UV pair is refused here, not at start-up),
// packed and emitted.
std::string packModelSource(const MeshModel& model);

// The program's own decoding of the two blocks, joined: the mesh bytes again.
std::string unpackAsset(const PackedBlocks& blocks);

}  // namespace td
