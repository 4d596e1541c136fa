#pragma once
// The embedded scene asset: two packed blocks in read-only data, and their decoding.
//
// The blocks are defined in asset/embedded_model_data.cpp, which is generated:
//   build/host/modelgen --mesh model.mesh
//   build/host/assetpack pack model.mesh asset/embedded_model_data.cpp
// (the colour and name come from the generated mesh file).
// A host test regenerates it the same way and requires the committed bytes.

#include <cstdint>
#include <string>

namespace td {

extern const uint8_t kEmbeddedBlock1[];
extern const uint32_t kEmbeddedBlock1Length;
extern const uint8_t kEmbeddedBlock2[];
extern const uint32_t kEmbeddedBlock2Length;

// Decoded block 1 followed directly by decoded block 2: the mesh-format bytes of the model.
std::string decodeEmbeddedAsset();

// The same for any two blocks (each absent when null or of length 0).
std::string decodeAsset(const uint8_t* first, uint32_t firstLength, const uint8_t* second,
                        uint32_t secondLength);

}  // namespace td
