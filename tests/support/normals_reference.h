#pragma once
// Vertex normals by their plain definition, kept as the reference the indexed computation is
// compared with, bit for bit, and timed against.

#include <cstdint>
#include <vector>

#include "asset/scene.h"

namespace td::test {

// The plain definition: every vertex scans every face for its list, then averages.
inline std::vector<Vec3> referenceVertexNormals(const Scene& scene) {
    const std::vector<Vec3> normals = scene.faceNormals();
    std::vector<Vec3> result;
    for (uint32_t j = 0; j < scene.vertices.size(); ++j) {
        const std::vector<uint32_t> list = scene.facesOfVertex(j);
        Vec3 sum;
        if (list.size() == 1) {
            sum = normals[list[0]];
        } else if (list.size() >= 2) {
            for (uint32_t i : list) {
                sum.x += normals[i].x;
                sum.y += normals[i].y;
                sum.z += normals[i].z;
            }
            const double k = 1.0 / static_cast<double>(list.size());
            sum.x *= k;
            sum.y *= k;
            sum.z *= k;
            sum.normalize();
        }
        result.push_back(sum);
    }
    return result;
}

}  // namespace td::test
