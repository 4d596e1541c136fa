#pragma once
// The program's own model: a closed tube around a trefoil knot.

#include "tools/assetpack/mesh_model.h"

namespace td {

namespace trefoil {
constexpr int kSegments = 150;  // around the knot
constexpr int kSides = 12;      // around the tube
// Asset units per knot unit: the knot reaches about 3.6 knot units from its centre, so the model
// spans about 1.07 scene units (asset units x 0.01), about half the window at the camera's
// distance, seen from any side.
constexpr double kScale = 20.0;
constexpr double kTubeRadius = 0.75;  // knot units
constexpr double kDepth = 1.6;        // height of the knot's z wave, knot units
constexpr float kColour[3] = {0.85f, 0.5f, 0.2f};
constexpr const char* kName = "trefoil";
}  // namespace trefoil

// segments x sides vertices and twice as many triangles, every edge shared by two of them,
// each counter-clockwise seen from outside (once the program has built its scene), with the
// material block above and no UV pairs. The same on every run. The shipped model has the default
// grid; finer ones give the same knot with more triangles, for the benchmarks.
MeshModel generateTrefoil(int segments = trefoil::kSegments, int sides = trefoil::kSides);

}  // namespace td
