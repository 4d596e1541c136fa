#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "asset/mesh_format.h"
#include "asset/scene.h"

namespace td {
namespace {

// Little-endian asset bytes, written field by field.
struct Bytes {
    std::string s;
    Bytes& u16(uint16_t v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
        return *this;
    }
    Bytes& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    Bytes& f32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return u32(bits);
    }
    Bytes& pad(size_t n, char c = 0) {
        s.append(n, c);
        return *this;
    }
    Bytes& header(uint32_t vertices, uint32_t uvs, uint32_t faces, uint32_t end = 0xFFFFFFFF) {
        return pad(2).u32(vertices).u32(uvs).u32(faces).u32(end).pad(6);
    }
    Bytes& vertexMarker() { return u16(mesh::kVertexMarker).pad(4); }
    Bytes& material(float r, float g, float b, const std::string& name) {
        pad(12, 'm').f32(r).f32(g).f32(b).pad(16, 'm');
        s += name;
        s.push_back('\0');
        return pad(6, 'h');  // vertex-section header, not examined after a name
    }
    Bytes& vertex(float x, float y, float z) { return f32(x).f32(y).f32(z).f32(7).f32(7).f32(7); }
    Bytes& face(uint32_t a, uint32_t b, uint32_t c) { return u32(a).u32(b).u32(c); }
};

// A small mesh without a material block: one triangle with UV pairs.
std::string triangleWithUv() {
    Bytes b;
    b.header(3, 3, 1).vertexMarker();
    b.vertex(0, 0, 0).vertex(100, 0, 0).vertex(100, 100, 0);
    b.u16(mesh::kUvMarker).f32(0).f32(0).f32(1).f32(0).f32(1).f32(1);
    b.pad(2).face(0, 1, 2).u32(0).u32(1).u32(2);
    return b.s;
}

TEST(MeshTest, EmptyAssetEmptiesTheScene) {
    Scene scene;
    scene.vertices.resize(3);
    scene.faces.resize(2);
    scene.build(std::string());
    EXPECT_TRUE(scene.vertices.empty());
    EXPECT_TRUE(scene.faces.empty());
}

TEST(MeshTest, WithoutMaterialVerticesAreBlackAndThePassStartsAt30) {
    Bytes b;
    b.header(1, 0, 0).vertexMarker();
    ASSERT_EQ(b.s.size(), 30u);
    b.vertex(100, -200, 50).pad(2);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.vertices.size(), 1u);
    const Vertex& v = scene.vertices[0];
    EXPECT_EQ(v.colour.red, 0);
    EXPECT_EQ(v.colour.green, 0);
    EXPECT_EQ(v.colour.blue, 0);
    EXPECT_EQ(v.position.x, 100.0 * static_cast<double>(0.01f));
    EXPECT_EQ(v.position.y, -200.0 * static_cast<double>(0.01f));
    EXPECT_EQ(v.position.z, 50.0 * static_cast<double>(0.01f));
    EXPECT_NEAR(v.position.y, -2.0, 1e-7);
    // Used by no face: the stored normal is replaced by zero.
    EXPECT_EQ(v.normal.x, 0.0);
    EXPECT_EQ(v.normal.z, 0.0);
}

TEST(MeshTest, MaterialColourAndThreeByteNameStartThePassAt74) {
    Bytes b;
    b.header(1, 0, 0).material(0.5f, 1.0f, 1.5f, "abc");
    ASSERT_EQ(b.s.size(), 74u);
    b.vertex(1, 2, 3).pad(2);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.vertices.size(), 1u);
    EXPECT_EQ(scene.vertices[0].colour.red, 127);
    EXPECT_EQ(scene.vertices[0].colour.green, 255);
    EXPECT_EQ(scene.vertices[0].colour.blue, 126);  // low 8 bits of 382
    EXPECT_EQ(scene.vertices[0].position.z, 3.0 * static_cast<double>(0.01f));
}

TEST(MeshTest, ChannelsOutsideTheByteRangeAreDefined) {
    Bytes b;
    b.header(1, 0, 0).material(std::numeric_limits<float>::quiet_NaN(),
                               std::numeric_limits<float>::infinity(), -1e30f, "");
    b.vertex(0, 0, 0).pad(2);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.vertices.size(), 1u);
    EXPECT_EQ(scene.vertices[0].colour.red, 0);     // NaN
    EXPECT_EQ(scene.vertices[0].colour.green, 255); // +inf saturates to INT32_MAX
    EXPECT_EQ(scene.vertices[0].colour.blue, 0);    // huge negative saturates to INT32_MIN
}

TEST(MeshTest, FacesReverseTheirCornersAndTakeFlippedUvPairs) {
    Bytes b;
    b.header(6, 9, 1).vertexMarker();
    for (int i = 0; i < 6; ++i) b.vertex(static_cast<float>(i), static_cast<float>(i * i), 0);
    b.u16(mesh::kUvMarker);
    for (int i = 0; i < 9; ++i) b.f32(i == 6 ? 0.25f : 0.125f * static_cast<float>(i)).f32(1.0f);
    b.pad(2).face(3, 4, 5).u32(6).u32(7).u32(8);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.faces.size(), 1u);
    const Face& f = scene.faces[0];
    EXPECT_EQ(f.vertexIndex[0], 5u);
    EXPECT_EQ(f.vertexIndex[1], 4u);
    EXPECT_EQ(f.vertexIndex[2], 3u);
    EXPECT_EQ(f.uv[0].u, static_cast<double>(1.0f - 1.0f));  // pair 8: (1.0, 1.0)
    EXPECT_EQ(f.uv[1].u, static_cast<double>(static_cast<float>(1.0 - 0.875)));  // pair 7
    EXPECT_EQ(f.uv[2].u, 0.75);  // pair 6: (0.25, 1.0) stored as (0.75, 0.0)
    EXPECT_EQ(f.uv[2].v, 0.0);
}

TEST(MeshTest, UvFlipIsRoundedToSinglePrecision) {
    Bytes b;
    b.header(3, 1, 1).vertexMarker().vertex(0, 0, 0).vertex(1, 0, 0).vertex(0, 1, 0);
    b.u16(mesh::kUvMarker).f32(0.1f).f32(0.3f).pad(2).face(0, 1, 2).u32(0).u32(0).u32(0);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.faces.size(), 1u);
    EXPECT_EQ(scene.faces[0].uv[0].u, static_cast<double>(static_cast<float>(1.0 - 0.1f)));
    EXPECT_EQ(scene.faces[0].uv[0].v, static_cast<double>(static_cast<float>(1.0 - 0.3f)));
}

TEST(MeshTest, WithoutUvCountFacesAre12BytesWhetherOrNotAMarkerIsThere) {
    for (bool marker : {true, false}) {
        Bytes b;
        b.header(3, 0, 2).vertexMarker().vertex(0, 0, 0).vertex(1, 0, 0).vertex(0, 1, 0);
        if (marker) b.u16(mesh::kUvMarker);
        b.pad(2).face(0, 1, 2).face(2, 1, 0);
        Scene scene;
        scene.build(b.s);
        ASSERT_EQ(scene.faces.size(), 2u) << marker;
        EXPECT_EQ(scene.faces[1].vertexIndex[0], 0u);
        for (const Face& f : scene.faces)
            for (const TexCoord& uv : f.uv) {
                EXPECT_EQ(uv.u, 0.0);
                EXPECT_EQ(uv.v, 0.0);
            }
    }
}

TEST(MeshTest, MissingUvSectionRaisesNamingFaceAndIndex) {
    Bytes b;
    b.header(3, 2, 2).vertexMarker().vertex(0, 0, 0).vertex(1, 0, 0).vertex(0, 1, 0);
    // No marker: the face section starts here, and the UV table stays empty.
    b.pad(2).face(0, 1, 2).u32(0).u32(0).u32(0);
    Scene scene;
    try {
        scene.build(b.s);
        FAIL() << "expected UvIndexOutOfRange";
    } catch (const UvIndexOutOfRange& e) {
        EXPECT_STREQ(e.what(), "face 0 names UV 0 of 0");
    }
    // What was read before the fault stays; the normals were not recomputed.
    EXPECT_EQ(scene.vertices.size(), 3u);
    EXPECT_TRUE(scene.faces.empty());
    EXPECT_EQ(scene.vertices[0].normal.x, 7.0);
}

TEST(MeshTest, UvIndicesAreCheckedFromTheLastCornerOfTheRecord) {
    std::string asset = triangleWithUv();
    // Second face names UV 3 at offset 12 and UV 5 at offset 20: offset 20 is checked first.
    Bytes extra;
    extra.face(0, 1, 2).u32(3).u32(1).u32(5);
    asset.replace(10, 4, Bytes().u32(2).s);
    asset += extra.s;
    Scene scene;
    try {
        scene.build(asset);
        FAIL() << "expected UvIndexOutOfRange";
    } catch (const UvIndexOutOfRange& e) {
        EXPECT_EQ(e.face, 1u);
        EXPECT_EQ(e.index, 5u);
        EXPECT_EQ(e.count, 3u);
    }
    EXPECT_EQ(scene.faces.size(), 1u);
}

TEST(MeshTest, SecondPassAppendsWithoutOffsettingIndices) {
    Bytes b;
    b.header(3, 0, 1).vertexMarker();
    b.vertex(0, 0, 0).vertex(100, 0, 0).vertex(100, 100, 0).pad(2).face(0, 1, 2);
    b.vertex(0, 0, 50).vertex(100, 0, 50).vertex(100, 100, 50).pad(2).face(3, 4, 5);
    Scene scene;
    scene.build(b.s);
    ASSERT_EQ(scene.vertices.size(), 6u);
    ASSERT_EQ(scene.faces.size(), 2u);
    EXPECT_EQ(scene.faces[1].vertexIndex[0], 5u);
    EXPECT_EQ(scene.vertices[3].position.z, 50.0 * static_cast<double>(0.01f));

    // The end offset stops the passes even where bytes remain.
    std::string stopped = b.s;
    stopped.replace(14, 4, Bytes().u32(30 + 3 * 24 + 2 + 12).s);
    scene.build(stopped);
    EXPECT_EQ(scene.vertices.size(), 3u);
    EXPECT_EQ(scene.faces.size(), 1u);
}

TEST(MeshTest, BuildingAgainKeepsOnlyTheSecondAsset) {
    Scene scene;
    scene.build(triangleWithUv());
    Bytes b;
    b.header(1, 0, 0).vertexMarker().vertex(1, 1, 1).pad(2);
    scene.build(b.s);
    EXPECT_EQ(scene.vertices.size(), 1u);
    EXPECT_TRUE(scene.faces.empty());
}

TEST(MeshTest, TruncationAnywhereIsAFormatError) {
    Bytes full;
    full.header(3, 3, 1).material(0.2f, 0.4f, 0.6f, "tri");
    const size_t firstPass = full.s.size();
    const std::string body = triangleWithUv().substr(30);
    full.s += body;
    full.s.replace(14, 4, Bytes().u32(static_cast<uint32_t>(full.s.size())).s);
    Scene complete;
    complete.build(full.s);
    ASSERT_EQ(complete.faces.size(), 1u);

    for (size_t length = 1; length < full.s.size(); ++length) {
        Scene scene;
        const std::string cut = full.s.substr(0, length);
        if (length == firstPass) {
            // Cut exactly before the first pass: a well-formed asset with no passes.
            EXPECT_NO_THROW(scene.build(cut));
            EXPECT_TRUE(scene.vertices.empty());
        } else {
            EXPECT_THROW(scene.build(cut), MeshFormatError) << "length " << length;
        }
    }
}

TEST(MeshTest, FormatErrorSaysWhatIsMissing) {
    std::string asset = triangleWithUv();
    asset.resize(30 + 24 + 12);
    Scene scene;
    try {
        scene.build(asset);
        FAIL() << "expected MeshFormatError";
    } catch (const MeshFormatError& e) {
        EXPECT_STREQ(e.what(),
                     "asset ends inside the vertex section of pass 1 (needs 24 bytes at offset "
                     "54, has 12)");
    }
    EXPECT_EQ(scene.vertices.size(), 1u);  // the record before the cut stays

    std::string noName = Bytes().header(1, 0, 0).material(1, 1, 1, "").s.substr(0, 70);
    noName.resize(64);
    noName += "name without end";
    EXPECT_THROW(scene.build(noName), MeshFormatError);
}

TEST(MeshTest, HugeCountsFailAtTheFirstMissingRecord) {
    Bytes b;
    b.header(4000000000u, 4000000000u, 4000000000u).vertexMarker().vertex(1, 2, 3);
    Scene scene;
    EXPECT_THROW(scene.build(b.s), MeshFormatError);
    EXPECT_EQ(scene.vertices.size(), 1u);
}

}  // namespace
}  // namespace td
