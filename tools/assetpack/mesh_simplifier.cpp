#include "tools/assetpack/mesh_simplifier.h"

#include <algorithm>
#include <vector>

#include <meshoptimizer.h>

namespace td {

namespace {

// A tolerated error of the model's whole size: only the triangle count stops the simplifier.
constexpr float kAnyError = 1.0f;

std::vector<unsigned> cornerIndices(const MeshModel& model) {
    std::vector<unsigned> indices;
    indices.reserve(model.faces.size() * 3);
    for (const MeshFaceRecord& f : model.faces) indices.insert(indices.end(), f.vertexIndex, f.vertexIndex + 3);
    return indices;
}

// The faces' vertex indices become `indices` (their UV indices stay), and the vertices only those
// the faces use, each once: vertices with the same `key` records are one.
void setFaces(MeshModel& model, std::vector<unsigned> indices, const void* key, size_t keySize) {
    std::vector<unsigned> remap(model.vertices.size());
    const size_t unique =
        meshopt_generateVertexRemap(remap.data(), indices.data(), indices.size(), key, model.vertices.size(), keySize);
    meshopt_remapIndexBuffer(indices.data(), indices.data(), indices.size(), remap.data());
    std::vector<MeshVertexRecord> vertices(unique);
    meshopt_remapVertexBuffer(vertices.data(), model.vertices.data(), model.vertices.size(), sizeof(MeshVertexRecord),
                              remap.data());
    model.vertices = std::move(vertices);
    model.faces.resize(indices.size() / 3);
    for (size_t f = 0; f < model.faces.size(); ++f)
        std::copy(&indices[3 * f], &indices[3 * f + 3], model.faces[f].vertexIndex);
}

}  // namespace

void weldVertices(MeshModel& model) {
    // Positions alone decide; adding zero makes -0 and 0 one position.
    std::vector<float> positions;
    positions.reserve(model.vertices.size() * 3);
    for (const MeshVertexRecord& v : model.vertices)
        for (float c : v.position) positions.push_back(c + 0.0f);
    setFaces(model, cornerIndices(model), positions.data(), 3 * sizeof(float));
}

Simplification simplifyModel(MeshModel& model, size_t maxTriangles) {
    Simplification result;
    result.before = result.after = model.faces.size();
    if (model.faces.size() <= maxTriangles) return result;
    const std::vector<unsigned> indices = cornerIndices(model);
    const size_t target = std::min(maxTriangles, indices.size() / 3) * 3;
    std::vector<unsigned> simplified(indices.size());
    simplified.resize(meshopt_simplify(simplified.data(), indices.data(), indices.size(), model.vertices[0].position,
                                       model.vertices.size(), sizeof(MeshVertexRecord), target, kAnyError, 0,
                                       nullptr));
    if (simplified.size() > target) {
        result.sloppy = true;
        std::vector<unsigned> sloppy(simplified.size());
        sloppy.resize(meshopt_simplifySloppy(sloppy.data(), simplified.data(), simplified.size(),
                                             model.vertices[0].position, model.vertices.size(),
                                             sizeof(MeshVertexRecord), target, kAnyError, nullptr));
        simplified = std::move(sloppy);
    }
    model.uvs.clear();
    for (MeshFaceRecord& f : model.faces) std::fill(f.uvIndex, f.uvIndex + 3, 0u);
    setFaces(model, std::move(simplified), model.vertices.data(), sizeof(MeshVertexRecord));
    result.after = model.faces.size();
    return result;
}

}  // namespace td
