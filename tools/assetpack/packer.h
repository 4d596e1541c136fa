#pragma once
// Packing a mesh file into the two embedded blocks, and back.

#include <cstdint>
#include <string>

#include "tools/assetpack/asset_source.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/progress.h"
#include "tools/assetpack/screen_view.h"

namespace td {

// The most decoded bytes a packed model may have: far beyond any model the program can hold in
// its 32-bit address space with the scene built from it, far below what a damaged length header
// could make the decoder allocate and write.
constexpr uint32_t kMaxMeshBytes = 256u << 20;

// Splits the mesh bytes at three quarters (the seam may fall inside a record: the program joins
// the decoded blocks before it parses them), LZARI-encodes each part and scrambles it.
PackedBlocks packAsset(const std::string& mesh, const ProgressCallback& progress = {});

// The source file that pack writes for a model: its mesh bytes, checked by building the
// program's scene from them (a face naming a missing UV pair is refused here, not at start-up),
// packed and emitted. Raises ToolError for a mesh beyond kMaxMeshBytes. `screen`, when given,
// receives where that scene shows in the program's window.
std::string packModelSource(const MeshModel& model, const ProgressCallback& progress = {},
                            ScreenExtent* screen = nullptr);

// The program's own decoding of the two blocks, joined: the mesh bytes again. A block whose
// length header declares more than kMaxMeshBytes, or more than its coded bits can carry, is
// refused with ToolError before anything is decoded.
std::string unpackAsset(const PackedBlocks& blocks);
// One raw LZARI stream decoded, refused in the same way.
std::string decodeRawStream(const std::string& stream);

}  // namespace td
