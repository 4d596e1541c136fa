#pragma once
// The model that pack reads: a Wavefront OBJ file or a mesh file, with the colour, name and
// scale the command line gives it.

#include <optional>
#include <string>

#include "tools/assetpack/mesh_model.h"

namespace td {

struct ModelOptions {
    std::optional<MeshMaterial> colour;  // only red, green and blue are used
    std::optional<std::string> name;
    double scale = 1.0;  // applied to every position
};

// "R,G,B", each a number from 0 to 1 (beyond 1 the program's byte conversion would wrap).
MeshMaterial parseColour(const std::string& text);
// A finite number above 0.
double parseScale(const std::string& text);

// A file ending in .mesh, or any file holding a zero byte, is read as a mesh file; anything else
// as OBJ. The result always has a material block: the options' colour and name over the file's
// own, else grey (0.8, 0.8, 0.8) and the file's name without folder and extension.
MeshModel loadModel(const std::string& path, const ModelOptions& options);

}  // namespace td
