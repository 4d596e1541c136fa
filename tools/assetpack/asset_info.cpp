#include "tools/assetpack/asset_info.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "asset/scene.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/screen_view.h"

namespace td {

std::string describeAsset(const PackedBlocks& blocks) {
    const std::string mesh = unpackAsset(blocks);
    const size_t packed = blocks.first.size() + blocks.second.size();

    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "blocks: %zu + %zu bytes packed, %zu bytes decoded", blocks.first.size(),
                  blocks.second.size(), mesh.size());
    out += line;
    if (!mesh.empty()) {
        std::snprintf(line, sizeof line, " (packed is %.1f%% of decoded)",
                      100.0 * static_cast<double>(packed) / static_cast<double>(mesh.size()));
        out += line;
    }
    return out + "\n" + describeMesh(mesh);
}

std::string describeMesh(const std::string& mesh) {
    const MeshModel model = readMeshModel(mesh);
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "vertices: %zu, UV pairs: %zu, faces: %zu\n",
                  model.vertices.size(), model.uvs.size(), model.faces.size());
    out += line;

    if (!model.vertices.empty()) {
        float low[3], high[3];
        std::fill(low, low + 3, std::numeric_limits<float>::infinity());
        std::fill(high, high + 3, -std::numeric_limits<float>::infinity());
        for (const MeshVertexRecord& v : model.vertices)
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], v.position[k]);
                high[k] = std::max(high[k], v.position[k]);
            }
        std::snprintf(line, sizeof line, "bounding box: (%g, %g, %g) to (%g, %g, %g) asset units\n",
                      low[0], low[1], low[2], high[0], high[1], high[2]);
        out += line;
    }

    if (model.hasMaterial) {
        const MeshMaterial& m = model.material;
        const Colour bytes = materialColour(m);
        std::snprintf(line, sizeof line, "colour: %g, %g, %g (bytes %u, %u, %u), name \"%s\"\n",
                      m.red, m.green, m.blue, bytes.red, bytes.green, bytes.blue, m.name.c_str());
        out += line;
    } else {
        out += "colour: none (vertices are black)\n";
    }

    try {
        Scene scene;
        scene.build(mesh);
        out += "the program builds its scene from it\n";
        out += model.faces.empty() ? std::string("on screen: nothing, the model has no faces\n")
                                   : describeScreen(screenExtent(scene));
    } catch (const UvIndexOutOfRange& e) {
        out += std::string("the program refuses it: ") + e.what() + "\n";
    }
    return out;
}

}  // namespace td
