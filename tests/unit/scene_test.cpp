#include "asset/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "support/normals_reference.h"

namespace td {
namespace {

Vertex vertexAt(double x, double y, double z) {
    Vertex v;
    v.position = Vec3{x, y, z};
    v.normal = Vec3{9.0, 9.0, 9.0};  // anything; computeVertexNormals must replace it
    return v;
}

Face faceOf(uint32_t a, uint32_t b, uint32_t c) {
    Face f;
    f.vertexIndex[0] = a;
    f.vertexIndex[1] = b;
    f.vertexIndex[2] = c;
    return f;
}

void expectVec(Vec3 v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

TEST(SceneTest, FaceNormalIsUnitCrossProductOrZero) {
    Scene scene;
    scene.vertices = {vertexAt(0, 0, 0), vertexAt(1, 0, 0), vertexAt(1, 1, 0), vertexAt(2, 0, 0),
                      vertexAt(3, 0, 0)};
    scene.faces = {faceOf(0, 1, 2), faceOf(2, 1, 0), faceOf(0, 3, 4) /* collinear */,
                   faceOf(0, 1, 5) /* index == vertex count */, faceOf(0, 0, 1) /* degenerate */};
    const std::vector<Vec3> n = scene.faceNormals();
    ASSERT_EQ(n.size(), 5u);
    expectVec(n[0], 0, 0, 1);
    expectVec(n[1], 0, 0, -1);
    expectVec(n[2], 0, 0, 0);
    expectVec(n[3], 0, 0, 0);
    expectVec(n[4], 0, 0, 0);
}

TEST(SceneTest, FacesOfVertexListsEachFaceOnceAscending) {
    Scene scene;
    scene.vertices.resize(8);
    scene.faces = {faceOf(5, 5, 7), faceOf(1, 2, 3), faceOf(7, 5, 0), faceOf(5, 1, 5)};
    EXPECT_EQ(scene.facesOfVertex(5), (std::vector<uint32_t>{0, 2, 3}));
    EXPECT_EQ(scene.facesOfVertex(7), (std::vector<uint32_t>{0, 2}));
    EXPECT_TRUE(scene.facesOfVertex(4).empty());
}

TEST(SceneTest, VertexNormalsAverageTheFacesThatUseThem) {
    Scene scene;
    // Face 0 lies in the xy plane (normal +z), face 1 in the xz plane (normal +y); they share
    // vertices 0 and 1. Face 2 is face 0 turned round, on its own vertices 4..6 shared with
    // face 3 (face 0 again) so that those vertices see opposite normals.
    scene.vertices = {vertexAt(0, 0, 0), vertexAt(1, 0, 0), vertexAt(1, 1, 0), vertexAt(1, 0, -1),
                      vertexAt(0, 0, 0), vertexAt(1, 0, 0), vertexAt(1, 1, 0), vertexAt(5, 5, 5)};
    scene.faces = {faceOf(0, 1, 2), faceOf(0, 1, 3), faceOf(6, 5, 4), faceOf(4, 5, 6)};
    scene.computeVertexNormals();
    const double h = 1.0 / std::sqrt(2.0);
    expectVec(scene.vertices[0].normal, 0, h, h);
    expectVec(scene.vertices[2].normal, 0, 0, 1);  // one face: its normal unchanged
    expectVec(scene.vertices[3].normal, 0, 1, 0);
    expectVec(scene.vertices[4].normal, 0, 0, 0);  // opposite normals cancel
    expectVec(scene.vertices[7].normal, 0, 0, 0);  // unused
}

TEST(SceneTest, ZeroFaceNormalsStillCountInTheAverage) {
    Scene scene;
    // Vertex 0 is used by a proper face and by a collinear one and by one naming a missing
    // vertex: the sum stays the proper normal, divided by 3, then scaled back to unit length.
    scene.vertices = {vertexAt(0, 0, 0), vertexAt(1, 0, 0), vertexAt(1, 1, 0), vertexAt(2, 0, 0)};
    scene.faces = {faceOf(0, 1, 2), faceOf(0, 1, 3), faceOf(0, 2, 4)};
    scene.computeVertexNormals();
    expectVec(scene.vertices[0].normal, 0, 0, 1);
    // Vertex 3 is used only by the collinear face.
    expectVec(scene.vertices[3].normal, 0, 0, 0);
}

TEST(SceneTest, IndexedNormalsMatchThePerVertexScanBitForBit) {
    std::mt19937 random(1234);
    for (int round = 0; round < 40; ++round) {
        Scene scene;
        const uint32_t vertexCount = 1 + random() % 40;
        std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
        for (uint32_t j = 0; j < vertexCount; ++j) {
            // Some vertices coincide or sit on a line, so collinear and degenerate faces occur.
            if (j > 0 && random() % 6 == 0) {
                scene.vertices.push_back(scene.vertices[random() % j]);
            } else if (random() % 8 == 0) {
                scene.vertices.push_back(vertexAt(static_cast<double>(j), 0, 0));
            } else {
                scene.vertices.push_back(
                    vertexAt(coordinate(random), coordinate(random), coordinate(random)));
            }
        }
        const uint32_t faceCount = random() % 120;
        for (uint32_t i = 0; i < faceCount; ++i) {
            // Indices up to a little past the end, with frequent repeats within a face.
            uint32_t idx[3];
            for (uint32_t& x : idx) x = random() % (vertexCount + 2);
            if (random() % 5 == 0) idx[1] = idx[0];
            if (random() % 7 == 0) idx[2] = idx[random() % 2];
            scene.faces.push_back(faceOf(idx[0], idx[1], idx[2]));
        }
        const std::vector<Vec3> expected = test::referenceVertexNormals(scene);
        scene.computeVertexNormals();
        ASSERT_EQ(expected.size(), scene.vertices.size());
        for (size_t j = 0; j < expected.size(); ++j)
            ASSERT_EQ(std::memcmp(&expected[j], &scene.vertices[j].normal, sizeof(Vec3)), 0)
                << "round " << round << " vertex " << j;
    }
}

TEST(SceneTest, CopiesAreIndependentOfTheScene) {
    Scene scene;
    scene.vertices = {vertexAt(1, 2, 3)};
    scene.faces = {faceOf(0, 0, 0)};
    std::vector<Vertex> vertices = scene.verticesCopy();
    std::vector<Face> faces = scene.facesCopy();
    ASSERT_EQ(vertices.size(), 1u);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(vertices[0].position.y, 2.0);
    vertices[0].position.y = 7.0;
    faces[0].vertexIndex[0] = 4;
    EXPECT_EQ(scene.vertices[0].position.y, 2.0);
    EXPECT_EQ(scene.faces[0].vertexIndex[0], 0u);
    EXPECT_EQ(scene.texture, nullptr);
}

}  // namespace
}  // namespace td
