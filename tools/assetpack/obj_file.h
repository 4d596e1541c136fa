#pragma once
// Wavefront OBJ files: reading their geometry into a mesh model, and writing one.
//
// Understood: v (x y z), vt (u v), vn (x y z) and f with corners in any of the forms v, v/vt,
// v//vn and v/vt/vn, indices counted from 1 or, when negative, back from the latest element.
// Polygons are fanned into triangles around their first corner. Comments and every other
// statement are ignored.
//
// Faces are stored in the mesh format's corner order, which is the reverse of the OBJ's, so that
// faces counter-clockwise in the OBJ (the outward side) are front-facing once the program has
// built its scene. A vertex's stored normal is the first vn a corner gives it, or (0, 0, 0).

#include <string>

#include "tools/assetpack/mesh_model.h"

namespace td {

// Raises ToolError "FILE:LINE: what" at the first line it cannot use. The model has no
// material block.
MeshModel readObj(const std::string& text, const std::string& fileName);

// The model as OBJ text (v, vn, vt when it has UV pairs, f), corners back in OBJ order, with
// every number written so that it reads back as the same float.
std::string writeObj(const MeshModel& model);

}  // namespace td
