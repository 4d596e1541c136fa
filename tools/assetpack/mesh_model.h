#pragma once
// A mesh as the tools hold it: the records of the mesh format, in file order and file corner
// order, before any of the conversions the program applies when it builds its scene.

#include <string>
#include <utility>
#include <vector>

#include "asset/mesh_format.h"

namespace td {

struct MeshModel {
    std::vector<MeshVertexRecord> vertices;
    std::vector<std::pair<float, float>> uvs;  // (u, v) as stored
    std::vector<MeshFaceRecord> faces;         // UV indices used only when uvs is not empty
    bool hasMaterial = false;
    MeshMaterial material;
};

// The single-pass mesh file of the model: header, a material block when the model has one,
// the vertex section, the UV section when there are UV pairs, the face section. The end offset
// is the offset just past the face section.
std::string writeMesh(const MeshModel& model);

// Reads a mesh file back, every pass into one list of each (indices already count across
// passes, so they stay valid). Raises MeshFormatError for a cut-short file.
MeshModel readMeshModel(const std::string& bytes);

}  // namespace td
