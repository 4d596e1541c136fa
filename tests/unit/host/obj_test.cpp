#include <gtest/gtest.h>

#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"

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
    const MeshModel m = readObj(
        "# a comment\n"
        "mtllib x.mtl\no thing\n"
        "v 0 0 0\nv 1 0 0  # trailing comment\nv 1 1 0\nv 0 1 0 1.0\n"
        "vn 0 0 1\n"
        "s off\ng part\nusemtl red\n"
        "f 1 2 3\n"
        "f 1//1 3//1 4//1\n"
        "\n   \n"
        "l 1 2\n",
        "m.obj");
    ASSERT_EQ(m.vertices.size(), 4u);
    EXPECT_EQ(m.vertices[3].position[1], 1.0f);
    ASSERT_EQ(m.faces.size(), 2u);
    expectFace(m.faces[0], 0, 1, 2);
    expectFace(m.faces[1], 0, 2, 3);
    EXPECT_TRUE(m.uvs.empty());
    EXPECT_FALSE(m.hasMaterial);
    EXPECT_EQ(m.vertices[0].normal[2], 1.0f);  // first normal a corner gives the vertex
    EXPECT_EQ(m.vertices[1].normal[2], 0.0f);  // no corner gave one
}

TEST(ObjTest, TextureCoordinatesFollowTheirCorners) {
    const MeshModel m = readObj(
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.1 0.2\nvt 0.3 0.4\nvt 0.5 0.6\nvn 0 0 1\n"
        "f 1/3 2/2 3/1\nf 3/1/1 2/2/1 1/3/1\n",
        "m.obj");
    ASSERT_EQ(m.uvs.size(), 3u);
    EXPECT_EQ(m.uvs[1].second, 0.4f);
    ASSERT_EQ(m.faces.size(), 2u);
    // First face, reversed: corner order 3, 2, 1 with UV 1, 2, 3.
    EXPECT_EQ(m.faces[0].vertexIndex[0], 2u);
    EXPECT_EQ(m.faces[0].uvIndex[0], 0u);
    EXPECT_EQ(m.faces[0].uvIndex[2], 2u);
    EXPECT_EQ(m.faces[1].uvIndex[0], 2u);
}

TEST(ObjTest, PolygonsFanAroundTheirFirstCornerAndNegativeIndicesCountBack) {
    const MeshModel m = readObj(
        "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 1 2 0\nv 0 1 0\n"
        "f -5 -4 -3 -2 -1\n"
        "v 9 9 9\nf 1 -1 2\n",
        "m.obj");
    ASSERT_EQ(m.faces.size(), 4u);
    expectFace(m.faces[0], 0, 1, 2);
    expectFace(m.faces[1], 0, 2, 3);
    expectFace(m.faces[2], 0, 3, 4);
    expectFace(m.faces[3], 0, 5, 1);  // -1 is the latest vertex at that line
}

TEST(ObjTest, ErrorsNameFileAndLine) {
    EXPECT_EQ(errorOf("v 0 0 0\nv 1 0 0\nf 1 2\n"), "m.obj:3: face needs at least 3 corners");
    EXPECT_EQ(errorOf("v 0 0\n"), "m.obj:1: vertex needs 3 numbers");
    EXPECT_EQ(errorOf("v 0 zero 0\n"), "m.obj:1: \"zero\" is not a usable number");
    EXPECT_EQ(errorOf("v 0 nan 0\n"), "m.obj:1: \"nan\" is not a usable number");
    EXPECT_EQ(errorOf("v 0 1e60 0\n"), "m.obj:1: \"1e60\" is not a usable number");
    EXPECT_EQ(errorOf("v 0 0 0\n\nf 1 1 4\n"),
              "m.obj:3: vertex index 4 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 0 1 1\n"), "m.obj:2: vertex index 0 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf -2 1 1\n"),
              "m.obj:2: vertex index -2 is out of range (1 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 1/1 1 1\n"),
              "m.obj:2: texture coordinate index 1 is out of range (0 defined)");
    EXPECT_EQ(errorOf("v 0 0 0\nf 1//x 1 1\n"), "m.obj:2: \"x\" is not a normal index");
    EXPECT_EQ(errorOf("v 0 0 0\nf 1/ 1 1\n"), "m.obj:2: \"1/\" is not a face corner");
    EXPECT_EQ(errorOf("v 0 0 0\nvt 0 0\nf 1/1 1 1/1\n"),
              "m.obj:3: face gives texture coordinates to some corners only");
    EXPECT_EQ(errorOf("v 0 0 0\nvt 0 0\nf 1/1 1/1 1/1\nf 1 1 1\n"),
              "m.obj:4: face has no texture coordinates while others have");
}

TEST(ObjTest, WrittenObjReadsBackAsTheSameModel) {
    MeshModel m = readObj(
        "v 0.1 -2.5e-3 3\nv 1 0 0\nv 1 1 0\nv 0 1 0.333333343\nvt 0.7 0.2\nvt 0.1 0.9\n"
        "vn 0 0 1\nf 1/1/1 2/2/1 3/1/1 4/2/1\n",
        "m.obj");
    for (MeshVertexRecord& v : m.vertices) v.normal[0] = 0.6f;  // every vertex its own normal
    const MeshModel back = readObj(writeObj(m), "back.obj");
    ASSERT_EQ(back.vertices.size(), m.vertices.size());
    ASSERT_EQ(back.faces.size(), m.faces.size());
    ASSERT_EQ(back.uvs, m.uvs);
    for (size_t i = 0; i < m.vertices.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(back.vertices[i].position[k], m.vertices[i].position[k]);
            EXPECT_EQ(back.vertices[i].normal[k], m.vertices[i].normal[k]);
        }
    for (size_t i = 0; i < m.faces.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(back.faces[i].vertexIndex[k], m.faces[i].vertexIndex[k]);
            EXPECT_EQ(back.faces[i].uvIndex[k], m.faces[i].uvIndex[k]);
        }
}

}  // namespace
}  // namespace td
