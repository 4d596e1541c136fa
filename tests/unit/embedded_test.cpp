#include <gtest/gtest.h>

#include <cmath>

#include "asset/embedded_asset.h"
#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "tools/modelgen/trefoil.h"

namespace td {
namespace {

TEST(EmbeddedTest, EmbeddedAssetBuildsTheTrefoil) {
    const std::string asset = decodeEmbeddedAsset();
    Scene scene;
    scene.build(asset);
    ASSERT_EQ(scene.vertices.size(), size_t{trefoil::kSegments} * trefoil::kSides);
    ASSERT_EQ(scene.faces.size(), 2 * scene.vertices.size());

    MeshMaterial material;
    material.red = trefoil::kColour[0];
    material.green = trefoil::kColour[1];
    material.blue = trefoil::kColour[2];
    const Colour expected = materialColour(material);
    for (const Vertex& v : scene.vertices) {
        ASSERT_EQ(v.colour.red, expected.red);
        ASSERT_EQ(v.colour.green, expected.green);
        ASSERT_EQ(v.colour.blue, expected.blue);
        const double length =
            v.normal.x * v.normal.x + v.normal.y * v.normal.y + v.normal.z * v.normal.z;
        ASSERT_TRUE(length == 0.0 || std::fabs(length - 1.0) < 1e-12) << length;
    }
    for (const Face& f : scene.faces)
        for (uint32_t index : f.vertexIndex) ASSERT_LT(index, scene.vertices.size());
}

}  // namespace
}  // namespace td
