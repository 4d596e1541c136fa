#pragma once
// Cutting a polygon into triangles that cover exactly its area, concave polygons included.

#include <array>
#include <cstdint>
#include <vector>

#include "foundation/math.h"

namespace td {

enum PolygonFlaw : unsigned {
    kPolygonNotFlat = 1,   // a corner lies off the best-fitting plane by over 1% of the polygon's size
    kPolygonCrosses = 2,   // its edges cross, so no cut covers it exactly
    kPolygonNoArea = 4,    // all its corners lie on one line
};

class Triangulator {
public:
    // Triangles as corner numbers into `corners`, each turning the same way as the polygon, so
    // that the polygon's side that faces the viewer stays the one that faces the viewer. Ear
    // clipping in the plane that fits the polygon best; a polygon without area is cut as a fan.
    // Returns the flaws found (PolygonFlaw bits); the triangles are made in every case.
    unsigned cut(const std::vector<Vec3>& corners, std::vector<std::array<uint32_t, 3>>& triangles);

private:
    // Reused from polygon to polygon, so that a model of many polygons allocates once.
    std::vector<double> u_, v_;
    std::vector<uint32_t> next_, prev_;
};

}  // namespace td
