#include <algorithm>
#include <utility>

#include "asset/mesh_format.h"
#include "asset/scene.h"

namespace td {

namespace {

// Turns the asset's records into the scene's vertices and faces as they arrive, so that the
// records before a format error stay in the scene.
class SceneBuilder : public MeshVisitor {
public:
    SceneBuilder(Scene& scene, uint64_t assetSize) : scene_(scene), assetSize_(assetSize) {}

    // The arrays are sized for one pass up front, so that they do not grow (and copy) record by
    // record; never for more records than the asset can hold, whatever its header claims.
    void onHeader(const MeshHeader& header) override {
        hasUv_ = header.uvCount != 0;
        const uint64_t faceSize = hasUv_ ? mesh::kFaceRecordSize : mesh::kFaceRecordSizeWithoutUv;
        scene_.vertices.reserve(std::min<uint64_t>(header.vertexCount, assetSize_ / mesh::kVertexRecordSize));
        scene_.faces.reserve(std::min<uint64_t>(header.faceCount, assetSize_ / faceSize));
    }

    void onMaterial(const MeshMaterial& material) override { colour_ = materialColour(material); }

    void onVertex(const MeshVertexRecord& record) override {
        // Asset units to scene units, by the single-precision 0.01; the product of two floats
        // is exact in double.
        constexpr double kScale = 0.01f;
        Vertex v;
        v.position = Vec3{record.position[0] * kScale, record.position[1] * kScale,
                          record.position[2] * kScale};
        v.colour = colour_;
        v.normal = Vec3{record.normal[0], record.normal[1], record.normal[2]};
        scene_.vertices.push_back(v);
    }

    void onUv(float u, float v) override {
        // Stored flipped, so that v = 0 is the top row of the texture.
        uvTable_.push_back({static_cast<float>(1.0 - u), static_cast<float>(1.0 - v)});
    }

    void onFace(const MeshFaceRecord& record) override {
        // The corner order of the file is reversed.
        Face face;
        for (int k = 0; k < 3; ++k) face.vertexIndex[k] = record.vertexIndex[2 - k];
        if (hasUv_) {
            for (int k = 0; k < 3; ++k) {
                const uint32_t index = record.uvIndex[2 - k];
                if (index >= uvTable_.size())
                    throw UvIndexOutOfRange(static_cast<uint32_t>(scene_.faces.size()), index,
                                            static_cast<uint32_t>(uvTable_.size()));
                face.uv[k] = TexCoord{uvTable_[index].first, uvTable_[index].second};
            }
        }
        scene_.faces.push_back(face);
    }

private:
    Scene& scene_;
    uint64_t assetSize_;
    bool hasUv_ = false;
    Colour colour_;  // black unless a material block says otherwise
    std::vector<std::pair<float, float>> uvTable_;
};

}  // namespace

void Scene::build(const std::string& asset) {
    std::vector<Vertex>().swap(vertices);
    std::vector<Face>().swap(faces);
    if (asset.empty()) return;
    SceneBuilder builder(*this, asset.size());
    readMesh(asset, builder);
    computeVertexNormals();
}

}  // namespace td
