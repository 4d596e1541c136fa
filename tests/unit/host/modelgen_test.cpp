#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "asset/scene.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/modelgen/trefoil.h"

namespace td {
namespace {

TEST(ModelgenTest, TrefoilIsAClosedOutwardSurfaceOfHalfTheWindow) {
    const MeshModel model = generateTrefoil();
    EXPECT_GE(model.faces.size(), 3000u);
    EXPECT_LE(model.faces.size(), 6000u);

    // Through the program's own parser, so the corner order is the one the renderer sees.
    Scene scene;
    scene.build(writeMesh(model));
    ASSERT_EQ(scene.faces.size(), model.faces.size());

    // Closed and consistently wound: every directed edge once, and its reverse once.
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const Face& f : scene.faces)
        for (int k = 0; k < 3; ++k) ++edges[{f.vertexIndex[k], f.vertexIndex[(k + 1) % 3]}];
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(edges.count({edge.second, edge.first}), 1u);
    }

    // Counter-clockwise seen from outside encloses a positive volume.
    double volume = 0.0;
    double reach = 0.0;
    for (const Face& f : scene.faces) {
        const Vec3 a = scene.vertices[f.vertexIndex[0]].position;
        const Vec3 b = scene.vertices[f.vertexIndex[1]].position;
        const Vec3 c = scene.vertices[f.vertexIndex[2]].position;
        volume += (a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
                   a.z * (b.x * c.y - b.y * c.x)) / 6.0;
    }
    for (const Vertex& v : scene.vertices)
        reach = std::max(reach, std::sqrt(v.position.x * v.position.x +
                                          v.position.y * v.position.y +
                                          v.position.z * v.position.z));
    EXPECT_GT(volume, 0.0);
    // Projected x, y of -1..1 span the window. The model covers a good share of it (so the
    // equalised picture has room for its shading) yet stays inside in every orientation, even
    // enlarged by the perspective at its nearest point (w = 1 - z / 10).
    EXPECT_GT(reach, 0.5);
    EXPECT_LT(reach / (1.0 - reach / 10.0), 0.9);

    // Every vertex lies on a smooth closed tube: its computed normal is a unit vector.
    for (const Vertex& v : scene.vertices)
        ASSERT_NEAR(v.normal.x * v.normal.x + v.normal.y * v.normal.y + v.normal.z * v.normal.z,
                    1.0, 1e-9);
}

}  // namespace
}  // namespace td
