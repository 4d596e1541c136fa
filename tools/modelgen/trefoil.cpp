#include "tools/modelgen/trefoil.h"

#include <cmath>

namespace td {

namespace {

struct Point {
    double x, y, z;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator*(double k, Point a) { return {k * a.x, k * a.y, k * a.z}; }
Point cross(Point a, Point b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Point unit(Point a) { return (1.0 / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z)) * a; }

Point knot(double t) {
    return {std::sin(t) + 2.0 * std::sin(2.0 * t), std::cos(t) - 2.0 * std::cos(2.0 * t),
            -trefoil::kDepth * std::sin(3.0 * t)};
}
Point knotTangent(double t) {
    return {std::cos(t) + 4.0 * std::cos(2.0 * t), -std::sin(t) + 4.0 * std::sin(2.0 * t),
            -3.0 * trefoil::kDepth * std::cos(3.0 * t)};
}


}  // namespace

MeshModel generateTrefoil(int segments, int sides) {
    const double pi = std::acos(-1.0);
    MeshModel model;
    model.hasMaterial = true;
    model.material = MeshMaterial{trefoil::kColour[0], trefoil::kColour[1], trefoil::kColour[2],
                                  trefoil::kName};
    const auto gridIndex = [segments, sides](int segment, int side) {
        return static_cast<uint32_t>((segment % segments) * sides + side % sides);
    };
    for (int i = 0; i < segments; ++i) {
        const double t = 2.0 * pi * i / segments;
        const Point centre = knot(t);
        // The tangent never points along z (its xy part has length at least 3), so this frame
        // is defined everywhere and closes up smoothly after one turn.
        const Point tangent = unit(knotTangent(t));
        const Point n = unit(cross(tangent, Point{0.0, 0.0, 1.0}));
        const Point b = cross(n, tangent);
        for (int j = 0; j < sides; ++j) {
            const double angle = 2.0 * pi * j / sides;
            const Point outward = std::cos(angle) * n + std::sin(angle) * b;
            const Point p = trefoil::kScale * (centre + trefoil::kTubeRadius * outward);
            MeshVertexRecord v;
            v.position[0] = static_cast<float>(p.x);
            v.position[1] = static_cast<float>(p.y);
            v.position[2] = static_cast<float>(p.z);
            v.normal[0] = static_cast<float>(outward.x);
            v.normal[1] = static_cast<float>(outward.y);
            v.normal[2] = static_cast<float>(outward.z);
            model.vertices.push_back(v);
        }
    }
    // (segment, side) -> (segment + 1, side) -> (segment + 1, side + 1) turns counter-clockwise
    // seen from outside the tube. The mesh format stores corners in the reverse order.
    auto addOutward = [&model](uint32_t a, uint32_t b, uint32_t c) {
        MeshFaceRecord f;
        f.vertexIndex[0] = c;
        f.vertexIndex[1] = b;
        f.vertexIndex[2] = a;
        model.faces.push_back(f);
    };
    for (int i = 0; i < segments; ++i) {
        for (int j = 0; j < sides; ++j) {
            addOutward(gridIndex(i, j), gridIndex(i + 1, j), gridIndex(i + 1, j + 1));
            addOutward(gridIndex(i, j), gridIndex(i + 1, j + 1), gridIndex(i, j + 1));
        }
    }
    return model;
}

}  // namespace td
