#include <gtest/gtest.h>

#include <cmath>

#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"
#include "tools/assetpack/triangulate.h"

namespace td {
namespace {

std::string errorOf(const std::string& text) {
    try {
        readObj(text, "m.obj");
    } catch (const ToolError& e) {
        return e.what();
    }
    return "no error";
}

// OBJ corners a, b, c are stored reversed, as the mesh format wants them.
void expectFace(const MeshFaceRecord& f, uint32_t a, uint32_t b, uint32_t c) {
    EXPECT_EQ(f.vertexIndex[0], c);
    EXPECT_EQ(f.vertexIndex[1], b);
    EXPECT_EQ(f.vertexIndex[2], a);
}

TEST(ObjTest, ReadsEveryCornerFormAndIgnoresOtherStatements) {
    const ReadModel m = readObj(
        "# a comment\n"
        "mtllib x.mtl\no thing\n"
        "v 0 0 0\nv 1 0 0  # trailing comment\nv 1 1 0\nv 0 1 0 1.0\n"
        "vn 0 0 1\n"
        "s off\ng part\nusemtl red\ncstype bezier\n"
        "f 1 2 3\n"
        "f 1//1 3//1 4//1\n"
        "\n   \n"
        "l 1 2\n",
        "m.obj");
    ASSERT_EQ(m.positions.size(), 4u);
    EXPECT_EQ(m.positions[3].y, 1.0);
    ASSERT_EQ(m.mesh.faces.size(), 2u);
    expectFace(m.mesh.faces[0], 0, 1, 2);
    expectFace(m.mesh.faces[1], 0, 2, 3);
    EXPECT_TRUE(m.mesh.uvs.empty());
    EXPECT_FALSE(m.mesh.hasMaterial);
    EXPECT_TRUE(m.warnings.empty());
    EXPECT_EQ(m.lines, 1u);
    EXPECT_EQ(m.mesh.vertices[0].normal[2], 1.0f);  // first normal a corner gives the vertex
    EXPECT_EQ(m.mesh.vertices[1].normal[2], 0.0f);  // no corner gave one
}

TEST(ObjTest, TextureCoordinatesFollowTheirCorners) {
    const ReadModel m = readObj(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.1 0.2\nvt 0.3 0.4\nvt 0.5 0.6\nvn 0 0 1\n"
        "f 1/3 2/2 3/1\nf 3/1/1 2/2/1 1/3/1\n",
        "m.obj");
    ASSERT_EQ(m.mesh.uvs.size(), 3u);
    EXPECT_EQ(m.mesh.uvs[1].second, 0.4f);
    ASSERT_EQ(m.mesh.faces.size(), 2u);
    // First face, reversed: corner order 3, 2, 1 with UV 1, 2, 3.
    EXPECT_EQ(m.mesh.faces[0].vertexIndex[0], 2u);
    EXPECT_EQ(m.mesh.faces[0].uvIndex[0], 0u);
    EXPECT_EQ(m.mesh.faces[0].uvIndex[2], 2u);
    EXPECT_EQ(m.mesh.faces[1].uvIndex[0], 2u);
}

TEST(ObjTest, ConvexPolygonsAndNegativeIndices) {
    const ReadModel m = readObj(
        "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 1 0\n"
        "f -5 -4 -3 -2 -1\n"
        "v 9 9 9\nf 1 -1 2\n",
        "m.obj");
    ASSERT_EQ(m.mesh.faces.size(), 4u);
    expectFace(m.mesh.faces[3], 0, 5, 1);  // -1 is the latest vertex at that line
}

// A ring of 66 corners alternating between two radii: deeply concave. Its triangles must turn
// the polygon's way (none flipped, none outside) and cover exactly its area; a fan from the first
// corner fails both.
TEST(ObjTest, ConcavePolygonsAreCutIntoTrianglesCoveringExactlyTheirArea) {
    const int n = 66;
    const double pi = 3.14159265358979323846;
    for (const bool tilted : {false, true}) {
        std::vector<Vec3> corners;
        double area = 0.0;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * pi * i / n, r = i % 2 ? 0.4 : 1.0;
            const double x = r * std::cos(a), y = r * std::sin(a);
            // Tilted, the plane leans across all three axes; areas are measured in x and y.
            corners.push_back(tilted ? Vec3{x, y, 0.5 * x - 0.25 * y} : Vec3{x, y, 0.0});
        }
        for (int i = 0; i < n; ++i)
            area += corners[i].x * corners[(i + 1) % n].y - corners[(i + 1) % n].x * corners[i].y;
        std::vector<std::array<uint32_t, 3>> triangles;
        EXPECT_EQ(Triangulator().cut(corners, triangles), 0u);
        ASSERT_EQ(triangles.size(), size_t(n - 2));
        double covered = 0.0;
        for (const auto& t : triangles) {
            const Vec3 &a = corners[t[0]], &b = corners[t[1]], &c = corners[t[2]];
            const double twice = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            EXPECT_GT(twice, 0.0);
            covered += twice;
        }
        EXPECT_NEAR(covered, area, 1e-9);
    }
}

TEST(ObjTest, ErrorsNameFileAndLine) {
    EXPECT_EQ(errorOf("v 0 0 0\nv 1 0 0\nf 1 2\n"), "m.obj:3: face needs at least 3 corners");
    EXPECT_EQ(errorOf("v 0 0\n"), "m.obj:1: vertex needs 3 numbers");
    EXPECT_EQ(errorOf("vt\n"), "m.obj:1: texture coordinate needs at least 1 number");
    EXPECT_EQ(errorOf("v 0 zero 0\n"), "m.obj:1: \"zero\" is not a number");
    EXPECT_EQ(errorOf("v 0 nan 0\n"), "m.obj:1: \"nan\" is not a number (NaN)");
    EXPECT_EQ(errorOf("v 0 -inf 0\n"), "m.obj:1: \"-inf\" is infinite");
    EXPECT_EQ(errorOf("v 0 1e400 0\n"), "m.obj:1: \"1e400\" is beyond the range of numbers");
    EXPECT_EQ(errorOf("v 0 0 0\r\rf 1 1 4\n"), "m.obj:3: a vertex index 4 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 0 1 1\n"), "m.obj:2: a vertex index 0 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf -2 1 1\n"), "m.obj:2: a vertex index -2 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 1/1 1 1\n"),
              "m.obj:2: a texture coordinate index 1 is out of range (0 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 1//x 1 1\n"), "m.obj:2: \"x\" is not a normal index");
    EXPECT_EQ(errorOf("v 0 0 \\\n 0\nv 1 0 0\nf 1 2 3\n"), "m.obj:4: a vertex index 3 is out of range (2 defined)");
}

TEST(ObjTest, WrittenObjReadsBackAsTheSameModel) {
    MeshModel m = readObj(
        "v 0.1 -2.5e-3 3\nv 1 0 0\nv 1 1 0\nv 0 1 0.333333343\nvt 0.7 0.2\nvt 0.1 0.9\n"
        "vn 0 0 1\nf 1/1/1 2/2/1 3/1/1 4/2/1\n",
        "m.obj").mesh;
    for (MeshVertexRecord& v : m.vertices) v.normal[0] = 0.6f;  // every vertex its own normal
    m.vertices[3].position[2] = 0.333333343f;
    const ReadModel back = readObj(writeObj(m), "back.obj");
    ASSERT_EQ(back.positions.size(), m.vertices.size());
    ASSERT_EQ(back.mesh.faces.size(), m.faces.size());
    ASSERT_EQ(back.mesh.uvs, m.uvs);
    for (size_t i = 0; i < m.vertices.size(); ++i)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(back.mesh.vertices[i].normal[k], m.vertices[i].normal[k]);
    EXPECT_EQ(static_cast<float>(back.positions[3].z), 0.333333343f);
    for (size_t i = 0; i < m.faces.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(back.mesh.faces[i].vertexIndex[k], m.faces[i].vertexIndex[k]);
            EXPECT_EQ(back.mesh.faces[i].uvIndex[k], m.faces[i].uvIndex[k]);
        }
}

}  // namespace
}  // namespace td
