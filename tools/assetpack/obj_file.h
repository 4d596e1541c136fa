#pragma once
// Wavefront OBJ files: reading their geometry into a mesh model, and writing one.
//
// Understood: v (x y z, further numbers such as w or a vertex colour ignored), vt (u, v and w
// optional), vn (x y z) and f with corners in any of the forms v, v/vt, v//vn, v/vt/vn, v/ and
// v//, indices counted from 1 or, when negative, back from the latest element. Lines may end in
// LF, CRLF or CR alone, a backslash at the end of a line continues it, a UTF-8 byte-order mark
// is skipped. Comments and every other statement (o, g, s, usemtl, mtllib, l, p and any unknown
// one) are ignored.
//
// Polygons are cut into triangles by ear clipping in the plane that fits them best, so concave
// polygons keep their shape; a polygon that is far from flat or crosses itself is cut as well as
// it can be and named in a warning.
//
// Faces are stored in the mesh format's corner order, which is the reverse of the OBJ's, so that
// faces counter-clockwise in the OBJ (the outward side) are front-facing once the program has
// built its scene. A vertex's stored normal is the first vn a corner gives it, or (0, 0, 0).

#include <string>
#include <vector>

#include "foundation/math.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/progress.h"

namespace td {

// A model as read from a file, before it is placed: positions in the file's own units and in
// double precision (the mesh's vertex positions are set when the model is placed, see
// model_input.h).
struct ReadModel {
    MeshModel mesh;
    std::vector<Vec3> positions;        // one per mesh vertex
    std::vector<std::string> warnings;  // each a line a user can act on, without a prefix
    size_t points = 0;                  // p statements, which the program does not draw
    size_t lines = 0;                   // l statements, likewise
    bool anyObjStatement = false;       // whether any line was an OBJ statement at all
    bool fitByDefault = false;          // fitted to the window unless told otherwise (not mesh files)
    std::string unshownColours;         // the file's colouring the program does not show ("textures")
};

// Raises ToolError "FILE:LINE: what" at the first line it cannot use: a number that is NaN,
// infinite or beyond double range, an index out of range, a face of fewer than 3 corners. Faces
// of which only some corners have texture coordinates, or only some faces, get a (0, 0) pair for
// the missing ones and a warning. The model has no material block.
ReadModel readObj(const std::string& text, const std::string& fileName,
                  const ProgressCallback& progress = {});

// The model as OBJ text (v, vn, vt when it has UV pairs, f), corners back in OBJ order, with
// every number written so that it reads back as the same float.
std::string writeObj(const MeshModel& model);

}  // namespace td
