#include "tools/assetpack/import_library.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>
#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

// Deeper node trees than this are taken for a loop in the file.
constexpr int kMaxNodeDepth = 1024;

// A node's transform composed with its parents', in double precision.
using Transform = std::array<double, 12>;  // three rows of four

Transform compose(const Transform& parent, const aiMatrix4x4& m) {
    const double local[12] = {m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4};
    Transform out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = parent[r * 4] * local[c] + parent[r * 4 + 1] * local[4 + c] +
                             parent[r * 4 + 2] * local[8 + c] + (c == 3 ? parent[r * 4 + 3] : 0.0);
    return out;
}

float toFloat(double value) {
    // Beyond single precision a conversion would be undefined: the checks refuse infinity instead.
    if (std::fabs(value) <= double(FLT_MAX)) return static_cast<float>(value);
    const float infinity = std::numeric_limits<float>::infinity();
    return std::isnan(value) ? std::numeric_limits<float>::quiet_NaN() : value > 0 ? infinity : -infinity;
}

// Formats that hold no materials: the library gives their meshes an unnamed stand-in.
bool holdsNoMaterials(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    std::string extension = dot == std::string::npos || path[dot] == '/' ? "" : path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".stl" || extension == ".ply" || extension == ".off";
}

std::optional<std::array<float, 3>> materialColour(const aiMaterial& material, bool standIn) {
    aiString name;
    material.Get(AI_MATKEY_NAME, name);
    // The library's stand-ins for faces without a material: named ones, and unnamed ones in
    // formats that hold no materials.
    if ((standIn && name.length == 0) || std::string(name.C_Str()) == AI_DEFAULT_MATERIAL_NAME ||
        std::string(name.C_Str()) == "%%%DEFAULT")
        return std::nullopt;
    aiColor4D colour;
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS &&
        material.Get(AI_MATKEY_COLOR_DIFFUSE, colour) != AI_SUCCESS)
        return std::nullopt;
    return std::array<float, 3>{colour.r, colour.g, colour.b};
}

class Flattener {
public:
    Flattener(const aiScene& scene, bool unnamedMaterialsAreStandIns)
        : scene_(scene), unnamedStandIns_(unnamedMaterialsAreStandIns) {}

    ImportedModel run() {
        model_.cameras = scene_.mNumCameras;
        model_.lights = scene_.mNumLights;
        model_.animations = scene_.mNumAnimations;
        const Transform identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
        if (scene_.mRootNode) node(*scene_.mRootNode, identity, 0);
        return std::move(model_);
    }

private:
    void node(const aiNode& n, const Transform& parent, int depth) {
        if (depth > kMaxNodeDepth)
            throw ToolError("its nodes nest more than " + std::to_string(kMaxNodeDepth) + " deep");
        const Transform world = compose(parent, n.mTransformation);
        for (unsigned i = 0; i < n.mNumMeshes; ++i)
            if (n.mMeshes[i] < scene_.mNumMeshes && scene_.mMeshes[n.mMeshes[i]]) mesh(*scene_.mMeshes[n.mMeshes[i]], world);
        for (unsigned i = 0; i < n.mNumChildren; ++i)
            if (n.mChildren[i]) node(*n.mChildren[i], world, depth + 1);
    }

    void mesh(const aiMesh& m, const Transform& t) {
        if (m.mNumFaces == 0) model_.points += m.mNumVertices;  // a point cloud
        const size_t base = model_.positions.size();
        size_t drawn = 0;
        for (unsigned f = 0; f < m.mNumFaces; ++f) {
            const aiFace& face = m.mFaces[f];
            if (face.mNumIndices == 1) ++model_.points;
            if (face.mNumIndices == 2) ++model_.lines;
            if (face.mNumIndices != 3) continue;
            std::array<uint32_t, 3> triangle;
            for (int k = 0; k < 3; ++k) {
                // Out of range stays out of range, for the checks to name.
                const uint64_t index = uint64_t{face.mIndices[k]} + base;
                triangle[k] = index > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(index);
            }
            model_.triangles.push_back(triangle);
            ++drawn;
        }
        if (drawn == 0) return;
        if (base + m.mNumVertices > UINT32_MAX) throw ToolError("it has more vertices than a model can hold");
        for (unsigned v = 0; v < m.mNumVertices; ++v) {
            const aiVector3D& p = m.mVertices[v];
            std::array<float, 3> world;
            for (int r = 0; r < 3; ++r)
                world[r] = toFloat(t[r * 4] * p.x + t[r * 4 + 1] * p.y + t[r * 4 + 2] * p.z + t[r * 4 + 3]);
            model_.positions.push_back(world);
        }
        model_.vertexColours = model_.vertexColours || m.HasVertexColors(0);
        if (m.mMaterialIndex >= scene_.mNumMaterials || !scene_.mMaterials[m.mMaterialIndex]) return;
        const aiMaterial& material = *scene_.mMaterials[m.mMaterialIndex];
        model_.textures = model_.textures || material.GetTextureCount(aiTextureType_DIFFUSE) > 0 ||
                          material.GetTextureCount(aiTextureType_BASE_COLOR) > 0;
        if (!colourTaken_) model_.colour = materialColour(material, unnamedStandIns_);
        colourTaken_ = true;
    }

    const aiScene& scene_;
    const bool unnamedStandIns_;
    ImportedModel model_;
    bool colourTaken_ = false;
};

}  // namespace

bool libraryReadsExtension(const std::string& extension) {
    return !extension.empty() && Assimp::Importer().IsExtensionSupported(extension.c_str());
}

ImportedModel importWithLibrary(const std::string& path) {
    Assimp::Importer importer;
    // Polygons cut into triangles; points and lines kept apart from them so that they can be counted.
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType);
    if (!scene) throw ToolError(importer.GetErrorString());
    return Flattener(*scene, holdsNoMaterials(path)).run();
}

}  // namespace td
