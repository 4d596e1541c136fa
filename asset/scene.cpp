#include "asset/scene.h"

#include <cstddef>

namespace td {

namespace {

Vec3 faceNormal(const Face& face, const std::vector<Vertex>& vertices) {
    Vec3 n;
    const size_t count = vertices.size();
    if (face.vertexIndex[0] < count && face.vertexIndex[1] < count &&
        face.vertexIndex[2] < count) {
        const Vec3 p0 = vertices[face.vertexIndex[0]].position;
        const Vec3 p1 = vertices[face.vertexIndex[1]].position;
        const Vec3 p2 = vertices[face.vertexIndex[2]].position;
        const Vec3 a{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        const Vec3 b{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
        n = Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    return n.normalize();
}

// Whether corner k of the face names a vertex that an earlier corner already named, so that a
// face using one vertex at several corners counts once for it.
bool repeatsEarlierCorner(const Face& face, int k) {
    for (int earlier = 0; earlier < k; ++earlier)
        if (face.vertexIndex[earlier] == face.vertexIndex[k]) return true;
    return false;
}

}  // namespace

std::vector<Vec3> Scene::faceNormals() const {
    std::vector<Vec3> normals;
    normals.reserve(faces.size());
    for (const Face& face : faces) normals.push_back(faceNormal(face, vertices));
    return normals;
}

std::vector<uint32_t> Scene::facesOfVertex(uint32_t j) const {
    std::vector<uint32_t> list;
    for (size_t i = 0; i < faces.size(); ++i) {
        const Face& face = faces[i];
        if (face.vertexIndex[0] == j || face.vertexIndex[1] == j || face.vertexIndex[2] == j)
            list.push_back(static_cast<uint32_t>(i));
    }
    return list;
}

void Scene::computeVertexNormals() {
    const std::vector<Vec3> normals = faceNormals();
    const size_t vertexCount = vertices.size();

    // A vertex-to-face index for this call only: a counting sort of the (vertex, face)
    // incidences. Faces are visited in ascending order, so every vertex's run lists its faces
    // ascending, once each -- the same lists facesOfVertex gives, and so the same sums in the
    // same order, without scanning every face for every vertex.
    std::vector<size_t> runStart(vertexCount + 1, 0);
    for (const Face& face : faces)
        for (int k = 0; k < 3; ++k)
            if (face.vertexIndex[k] < vertexCount && !repeatsEarlierCorner(face, k))
                ++runStart[face.vertexIndex[k] + 1];
    for (size_t j = 0; j < vertexCount; ++j) runStart[j + 1] += runStart[j];
    std::vector<size_t> next(runStart.begin(), runStart.end() - 1);
    std::vector<uint32_t> facesByVertex(runStart[vertexCount]);
    for (size_t i = 0; i < faces.size(); ++i) {
        const Face& face = faces[i];
        for (int k = 0; k < 3; ++k)
            if (face.vertexIndex[k] < vertexCount && !repeatsEarlierCorner(face, k))
                facesByVertex[next[face.vertexIndex[k]]++] = static_cast<uint32_t>(i);
    }

    for (size_t j = 0; j < vertexCount; ++j) {
        const size_t first = runStart[j];
        const size_t count = runStart[j + 1] - first;
        Vec3 result;
        if (count == 1) {
            result = normals[facesByVertex[first]];
        } else if (count >= 2) {
            for (size_t e = first; e < first + count; ++e) {
                const Vec3& n = normals[facesByVertex[e]];
                result.x += n.x;
                result.y += n.y;
                result.z += n.z;
            }
            const double k = 1.0 / static_cast<double>(count);
            result.x *= k;
            result.y *= k;
            result.z *= k;
            result.normalize();
        }
        vertices[j].normal = result;
    }
}

}  // namespace td
