#pragma once
// The mesh simplifier, behind one small adapter: nothing outside mesh_simplifier.cpp sees its
// types.

#include <cstddef>

#include "tools/assetpack/mesh_model.h"

namespace td {

// Vertices at the same position become one, so that faces that meet share their corners (STL
// files, and the library's other formats, often list every triangle's corners apart); vertices no
// face uses are dropped. The model's UV pairs are left as they are.
void weldVertices(MeshModel& model);

struct Simplification {
    size_t before = 0, after = 0;  // triangles
    bool sloppy = false;           // the outline-keeping simplifier stopped above the target
};

// Brings the model down to at most `maxTriangles` faces, collapsing the edges whose loss changes
// its shape and outline least. Where that stops short of the target (edges it will not collapse
// without tearing the surface), the rest is done by merging nearby vertices regardless of the
// surface. A model already small enough is left alone. The simplified model has no UV pairs (the
// program does not texture the model) and only the vertices its faces use.
Simplification simplifyModel(MeshModel& model, size_t maxTriangles);

}  // namespace td
