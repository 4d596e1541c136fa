#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "asset/block_scrambler.h"
#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "support/program_frame.h"
#include "tools/assetpack/asset_source.h"
#include "tools/assetpack/file_io.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/screen_view.h"
#include "tools/assetpack/tool_error.h"
#include "tools/modelgen/trefoil.h"
#include "ui/viewer_window.h"

namespace td {
namespace {

// A strip of quads with texture coordinates: a few hundred bytes of mesh file.
MeshModel stripModel(int quads) {
    std::string obj;
    for (int i = 0; i <= quads; ++i) {
        obj += "v " + std::to_string(i * 10) + " 0 0\nv " + std::to_string(i * 10) + " 10 3\n";
        obj += "vt " + std::to_string(i) + " 0\nvt " + std::to_string(i) + " 1\n";
    }
    for (int i = 0; i < quads; ++i) {
        const int a = 2 * i + 1;
        obj += "f " + std::to_string(a) + "/" + std::to_string(a) + " " + std::to_string(a + 2) +
               "/" + std::to_string(a + 2) + " " + std::to_string(a + 3) + "/" +
               std::to_string(a + 3) + " " + std::to_string(a + 1) + "/" + std::to_string(a + 1) +
               "\n";
    }
    ReadModel read = readObj(obj, "strip.obj");
    MeshModel model = std::move(read.mesh);
    for (size_t i = 0; i < model.vertices.size(); ++i) {
        model.vertices[i].position[0] = static_cast<float>(read.positions[i].x);
        model.vertices[i].position[1] = static_cast<float>(read.positions[i].y);
        model.vertices[i].position[2] = static_cast<float>(read.positions[i].z);
    }
    model.hasMaterial = true;
    model.material = MeshMaterial{0.25f, 0.5f, 1.0f, "strip"};
    return model;
}

TEST(AssetpackTest, PackThenUnpackGivesTheMeshBackAcrossASeamInsideARecord) {
    const MeshModel model = stripModel(10);
    const std::string mesh = writeMesh(model);
    // The seam falls at three quarters; here that is inside a face record.
    const size_t faceSection = mesh.size() - model.faces.size() * mesh::kFaceRecordSize;
    const size_t seam = mesh.size() / 4 * 3;
    ASSERT_GT(seam, faceSection);
    ASSERT_NE((seam - faceSection) % mesh::kFaceRecordSize, 0u);

    const PackedBlocks blocks = packAsset(mesh);
    EXPECT_NE(blocks.first.find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(unpackAsset(blocks), mesh);
    // And through the emitted source, as unpack reads it.
    EXPECT_EQ(unpackAsset(parseAssetSource(emitAssetSource(blocks))), mesh);

    Scene scene;
    scene.build(unpackAsset(blocks));
    EXPECT_EQ(scene.vertices.size(), model.vertices.size());
    EXPECT_EQ(scene.faces.size(), model.faces.size());
    EXPECT_EQ(scene.vertices[0].colour.blue, 255);
}

TEST(AssetpackTest, EmptyMeshPacksToBlocksThatDecodeToNothing) {
    const PackedBlocks blocks = packAsset(std::string());
    EXPECT_EQ(unpackAsset(blocks), std::string());
    EXPECT_EQ(unpackAsset(parseAssetSource(emitAssetSource(PackedBlocks{}))), std::string());
}

TEST(AssetpackTest, SourceParsingRefusesDamagedSources) {
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    const std::string source = emitAssetSource(PackedBlocks{all, "xyz"});
    const PackedBlocks back = parseAssetSource(source);
    EXPECT_EQ(back.first, all);
    EXPECT_EQ(back.second, "xyz");

    std::string wrongLength = source;
    wrongLength.replace(wrongLength.find("Block2Length = 3"), 16, "Block2Length = 4");
    EXPECT_THROW(parseAssetSource(wrongLength), ToolError);
    EXPECT_THROW(parseAssetSource("int x;"), ToolError);
    std::string notBytes = source;
    notBytes.replace(notBytes.find("\\377"), 4, "\\777");
    EXPECT_THROW(parseAssetSource(notBytes), ToolError);
    // Sources that older versions wrote, as lists of numbers, still read.
    EXPECT_EQ(parseAssetSource("const uint8_t kEmbeddedBlock1[] = {0x00};\nconst uint32_t kEmbeddedBlock1Length = 0;\n"
                               "const uint8_t kEmbeddedBlock2[] = {\n 0x41, 0xff,\n};\n"
                               "const uint32_t kEmbeddedBlock2Length = 2;\n")
                  .second,
              "A\xff");
}

TEST(AssetpackTest, PackRefusesAModelTheProgramWouldRefuse) {
    MeshModel model = stripModel(2);
    model.faces[1].uvIndex[0] = 99;
    EXPECT_THROW(packModelSource(model), ToolError);
}

TEST(AssetpackTest, ColourAndScaleOptionsAreChecked) {
    const MeshMaterial c = parseColour("0.5,1,0");
    EXPECT_EQ(c.red, 0.5f);
    EXPECT_EQ(c.green, 1.0f);
    EXPECT_EQ(c.blue, 0.0f);
    for (const char* bad : {"1.5,0,0", "0,0", "0,0,0,0", "a,b,c", "0,,1", "-0.1,0,0", "nan,0,0"})
        EXPECT_THROW(parseColour(bad), ToolError) << bad;
    EXPECT_EQ(parsePositive("2.5", "scale"), 2.5);
    for (const char* bad : {"0", "-1", "inf", "x", ""})
        EXPECT_THROW(parsePositive(bad, "scale"), ToolError) << bad;
}

class AssetpackFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/assetpack_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    bool exists(const std::string& name) const {
        struct stat s;
        return stat(path(name).c_str(), &s) == 0;
    }
    // The assetpack command beside this test binary; its exit status.
    int assetpack(const std::string& args) const {
        char self[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string exe = n > 0 ? std::string(self, static_cast<size_t>(n)) : "";
        exe = exe.substr(0, exe.find_last_of('/') + 1) + "assetpack";
        const int status = std::system((exe + " >/dev/null " + args + " 2>" + path("stderr")).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string dir_;
};

TEST_F(AssetpackFilesTest, LoadModelDetectsMeshFilesAndAppliesOptions) {
    MeshModel model = stripModel(3);
    model.hasMaterial = false;
    writeWholeFile(path("strip.bin"), writeMesh(model));  // detected by its content
    writeWholeFile(path("strip.obj"), writeObj(model));

    const MeshModel fromMesh = loadModel(path("strip.bin"), ModelOptions{}).model;
    EXPECT_EQ(fromMesh.faces.size(), model.faces.size());
    EXPECT_TRUE(fromMesh.hasMaterial);
    EXPECT_EQ(fromMesh.material.name, "strip");
    EXPECT_EQ(fromMesh.material.red, 0.8f);
    EXPECT_EQ(fromMesh.vertices[2].position[0], model.vertices[2].position[0]);  // mesh files keep their place

    ModelOptions options;
    options.colour = parseColour("0.1,0.2,0.3");
    options.name = "mine";
    options.scale = 2.0;
    const MeshModel fromObj = loadModel(path("strip.obj"), options).model;
    EXPECT_EQ(writeMesh(fromObj).size(), writeMesh(fromMesh).size() - 5 + 4);  // name 5 -> 4
    EXPECT_EQ(fromObj.material.green, 0.2f);
    EXPECT_EQ(fromObj.vertices[2].position[0], 2.0f * model.vertices[2].position[0]);

    writeWholeFile(path("cut.mesh"), writeMesh(model).substr(0, 40));
    EXPECT_THROW(loadModel(path("cut.mesh"), ModelOptions{}), ToolError);
}

TEST_F(AssetpackFilesTest, FailedWritesLeaveNothingBehind) {
    EXPECT_THROW(writeWholeFile(path("missing/out.cpp"), "x"), ToolError);
    EXPECT_THROW(readWholeFile(path("absent")), ToolError);
    EXPECT_THROW(readWholeFile(dir_), ToolError);
    writeWholeFile(path("out"), "first");
    writeWholeFile(path("out"), "second");
    EXPECT_EQ(readWholeFile(path("out")), "second");
}

TEST_F(AssetpackFilesTest, CommandPacksUnpacksAndRefusesBadArguments) {
    writeWholeFile(path("strip.obj"), writeObj(stripModel(4)));
    ASSERT_EQ(assetpack("pack " + path("strip.obj") + " " + path("out.cpp") +
                        " --colour 0.5,0.5,0.5 --name s"),
              0);
    ASSERT_EQ(assetpack("unpack " + path("out.cpp") + " " + path("out.mesh")), 0);
    const MeshModel back = readMeshModel(readWholeFile(path("out.mesh")));
    EXPECT_EQ(back.faces.size(), 8u);
    EXPECT_EQ(back.material.name, "s");
    EXPECT_EQ(assetpack("info " + path("out.cpp") + " >" + path("info")), 0);
    EXPECT_NE(readWholeFile(path("info")).find("vertices: 10, UV pairs: 10, faces: 8"),
              std::string::npos);
    // A model's triangles before and after simplifying, as pack would make it.
    writeWholeFile(path("knot.mesh"), writeMesh(generateTrefoil(200, 20)));
    EXPECT_EQ(assetpack("info " + path("knot.mesh") + " --max-triangles 1000 >" + path("info")), 0);
    EXPECT_NE(readWholeFile(path("info")).find(" triangles (simplified from 8000)\nvertices: "), std::string::npos)
        << readWholeFile(path("info"));

    // Each refusal: status 2, one line on stderr, no output file.
    for (const std::string& args :
         {std::string("pack ") + path("absent.obj") + " " + path("bad.cpp"),
          std::string("pack ") + path("strip.obj") + " " + path("bad.cpp") + " --colour 2,0,0",
          std::string("pack ") + path("strip.obj") + " " + path("bad.cpp") + " --name",
          std::string("unpack ") + path("strip.obj") + " " + path("bad.cpp"),
          std::string("frobnicate ") + path("bad.cpp")}) {
        EXPECT_EQ(assetpack(args), 2) << args;
        const std::string err = readWholeFile(path("stderr"));
        EXPECT_EQ(err.find('\n'), err.size() - 1) << args << ": " << err;
        EXPECT_FALSE(exists("bad.cpp")) << args;
    }

    ASSERT_EQ(assetpack("lzari-encode " + path("strip.obj") + " " + path("strip.lzari")), 0);
    ASSERT_EQ(assetpack("lzari-decode " + path("strip.lzari") + " " + path("strip.back")), 0);
    EXPECT_EQ(readWholeFile(path("strip.back")), readWholeFile(path("strip.obj")));
}

// A unit cube, far off the origin and tiny in asset units; optionally wound inside out.
std::string cubeObj(bool inward = false) {
    std::string obj;
    for (int i = 0; i < 8; ++i)
        obj += "v " + std::to_string(50 + (i & 1)) + " " + std::to_string(50 + (i >> 1 & 1)) + " " +
               std::to_string(-7 + (i >> 2 & 1)) + "\n";
    obj += "v 900 -900 900\n";  // used by no face: not drawn, so not fitted
    // Counter-clockwise seen from outside.
    const char* quads[6] = {"1 3 4 2", "5 6 8 7", "1 2 6 5", "3 7 8 4", "1 5 7 3", "2 4 8 6"};
    for (const char* q : quads) {
        std::string face = q;
        if (inward) face = std::string(face.rbegin(), face.rend());
        obj += "f " + face + "\n";
    }
    return obj;
}

// A tetrahedron, its faces counter-clockwise seen from outside.
constexpr float kTetra[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
constexpr uint8_t kTetraFaces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

// As an ASCII STL file, which lists every face's corners apart; optionally wound inside out.
std::string tetraStl(bool inward) {
    std::string stl = "solid t\n";
    for (const auto& f : kTetraFaces) {
        stl += "facet normal 0 0 0\nouter loop\n";
        for (int k = 0; k < 3; ++k) {
            const float* p = kTetra[f[inward ? 2 - k : k]];
            stl += "vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
        }
        stl += "endloop\nendfacet\n";
    }
    return stl + "endsolid t\n";
}

// As glTF: the mesh used by a node at the origin and by a node moved by (10, 0, 0) inside one
// scaled by 2, a camera, and a material of base colour `rgba`.
std::string tetraGltf(const std::string& rgba) {
    std::string buffer(reinterpret_cast<const char*>(kTetra), sizeof kTetra);
    buffer.append(reinterpret_cast<const char*>(kTetraFaces), sizeof kTetraFaces);
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;  // 60 bytes: no padding
    for (size_t i = 0; i < buffer.size(); i += 3) {
        const uint32_t n = uint32_t(uint8_t(buffer[i])) << 16 | uint32_t(uint8_t(buffer[i + 1])) << 8 | uint8_t(buffer[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) base64 += digits[n >> shift & 63];
    }
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1,3]}],
 "nodes":[{"mesh":0},{"scale":[2,2,2],"children":[2]},{"translation":[10,0,0],"mesh":0},{"camera":0}],
 "cameras":[{"type":"perspective","perspective":{"yfov":1,"znear":0.1}}],
 "meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"material":0}]}],
 "materials":[{"pbrMetallicRoughness":{"baseColorFactor":)" +
           rgba + R"(}}],
 "accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[0,0,0],"max":[1,1,1]},
   {"bufferView":1,"componentType":5121,"count":12,"type":"SCALAR"}],
 "bufferViews":[{"buffer":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":12}],
 "buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)" +
           base64 + R"("}]})";
}

std::string meshWith(const std::function<void(MeshModel&)>& damage) {
    MeshModel model = stripModel(2);
    damage(model);
    return writeMesh(model);
}

struct LoadCase {
    const char* file;
    std::string content;
    int faces;             // -1: refused
    std::string expected;  // part of the error, or of the warnings; empty: no warnings at all
    ModelOptions options = {};
};

// What pack makes of what users bring: each input, and the faces it yields or why it is refused.
TEST_F(AssetpackFilesTest, InputsAndTheirOutcomes) {
    ModelOptions green, nearlyGreen, flip, unscaled;
    green.colour = parseColour("0,1,0");
    nearlyGreen.colour = parseColour("0.004,1,0");  // bytes 1, 255, 0: shading takes the red away first
    unscaled.scale = 1.0;
    flip.flip = true;
    ModelOptions hurried;
    hurried.importLimits.seconds = 1.0;
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::vector<LoadCase> cases = {
        {"empty.obj", "", -1, "empty.obj is empty"},
        {"points.obj", tri + "p 1 2 3\nl 1 2\n", -1, "no faces: 3 points and 0 faces (its 1 l and 1 p"},
        {"flat.obj", tri + "v 2 0 0\nf 1 2 4\n", -1, "no face has any area"},
        {"cube.stl", "solid cube\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n", -1,
         "cube.stl: the import library cannot read it: STL: Invalid number of vertices"},
        {"cube", "solid cube\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n", -1,
         "not an OBJ file: none of its lines is an OBJ statement (its first line is \"solid cube\") (it looks like "
         "an ASCII STL file)"},
        {"README", "This model is free to use.\n", -1, "name the file for its format"},
        {"model.obj", std::string("\xFF\xFEv\0 \0", 6), -1, "is UTF-16 text"},
        {"model.obj", std::string("v\0 \0\x30\0\n\0", 8), -1, "is UTF-16 text"},  // without its mark
        {"model.obj", std::string("BM\x36\0\0\0", 6), -1, "is not text (byte 3 is zero), so not an OBJ file"},
        {"picture.bmp", std::string("BM\x36\0\0\0", 6), -1, "nor a mesh file (it looks like a BMP image)"},
        {"nan.obj", tri + "v 0 nan 0\n", -1, "nan.obj:4: \"nan\" is not a number (NaN)"},
        // Byte-order mark, every line end, numbers below and beyond single precision.
        {"bom.obj", "\xEF\xBB\xBFv 0 0 0\r\nv 1 -1.4013e-45 0\rv 0 1 1e-320\nv 1 1 0\nf 1 2 4 3\n", 2, ""},
        {"huge.obj", "v 0 0 0\nv 1e60 0 0\nv 0 1e60 0\nf 1 2 3\n", 1, ""},
        {"huge.obj", "v 0 0 0\nv 1e60 0 0\nv 0 1e60 0\nf 1 2 3\n", -1, "vertex 2 (counting from 1) lands beyond",
         unscaled},
        {"corners.obj", tri + "vt 0.5\nvt 0.5 0.5 0.5\nvn 0 0 1\nf 1/1 2/2/1 3//1\nf 3// 2// 1//\n", 2,
         "corners.obj:7: 2 of 2 faces lack texture coordinates at some corner, which get (0, 0)"},
        {"statements.obj", "mtllib m.mtl\no a\ng b\ns 1\nusemtl c\ncstype bezier\n" + tri + "f 1 2 3\n", 1, ""},
        {"bowtie.obj", "v 0 0 0\nv 1 1 0\nv 1 0 0\nv 0 1 0\nf 1 2 3 4\n", 2, "bowtie.obj:5: polygon crosses itself"},
        {"pentagram.obj", "v 1 0 0\nv -0.81 0.59 0\nv 0.31 -0.95 0\nv 0.31 0.95 0\nv -0.81 -0.59 0\nf 1 2 3 4 5\n", 3,
         "pentagram.obj:6: polygon crosses itself"},
        {"warped.obj", "v 0 0 0\nv 1 0 0\nv 1 1 1\nv 0 1 0\nf 1 2 3 4\n", 2, "warped.obj:5: polygon is not flat"},
        {"cube.obj", cubeObj(), 12, ""},
        {"inside.obj", cubeObj(true), 12, "most faces face inward", {}},
        {"inside.obj", cubeObj(true), 12, "", flip},
        {"green.obj", cubeObj(), 12, "the colour (bytes 0, 255, 0) lights or shades to pure green", green},
        {"green.obj", cubeObj(), 12, "the colour (bytes 1, 255, 0) lights or shades to pure green", nearlyGreen},
        // Through the import library: the same checks, and its faces' corners shared.
        {"tetra.stl", tetraStl(false), 4, ""},
        {"inward.stl", tetraStl(true), 4, "most faces face inward"},
        {"green.gltf", tetraGltf("[0,1,0,1]"), 8, "the colour (bytes 0, 255, 0) lights or shades to pure green"},
        {"colours.ply",
         "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
         "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face 1\n"
         "property list uchar int vertex_indices\nend_header\n0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n",
         1, "its vertex colours are not shown: the program draws the model in one colour, 0.8,0.8,0.8 (the default grey)"},
        // A damaged header that the library's PLY reader loops on, found by fuzzing.
        {"loops.ply",
         "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
         "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face 4\nproperty list scii 1.0\n"
         "element vertex 4\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\n"
         "property uchar green\nproperty uchar blue\nelement fa3\n3 \x10 3 2\n3 1 2 3\n",
         -1, "loops.ply: the import library took longer than 1 s on it", hurried},
        {"model.bin", meshWith([](MeshModel&) {}), 4, ""},
        {"big.mesh", writeMesh(generateTrefoil(1260, 40)), 100800,
         "100800 triangles are more than spin smoothly (about 100000, where a frame takes half the timer's 10 ms "
         "tick): pack with --max-triangles 100000"},
        {"nan.mesh", meshWith([](MeshModel& m) { m.vertices[1].position[2] = NAN; }), -1,
         "vertex 1 has a position that is not a finite number"},
        {"index.mesh", meshWith([](MeshModel& m) { m.faces[3].vertexIndex[1] = 77; }), -1,
         "face 3 names vertex 77 of 6"},
    };
    for (const LoadCase& c : cases) {
        writeWholeFile(path(c.file), c.content);
        std::string outcome;
        int faces = -1;
        try {
            const LoadedModel loaded = loadModel(path(c.file), c.options);
            faces = static_cast<int>(loaded.model.faces.size());
            for (const std::string& w : loaded.warnings) outcome += w + "\n";
            // What is packed is something the program draws, in a colour other than the key.
            Scene scene;
            scene.build(writeMesh(loaded.model));
            EXPECT_NE(packColour(scene.vertices[0].colour), ViewerWindow::kKeyColour) << c.file;
        } catch (const ToolError& e) {
            outcome = e.what();
        }
        EXPECT_EQ(faces, c.faces) << c.file << ": " << outcome;
        if (c.expected.empty()) {
            EXPECT_EQ(outcome, "") << c.file;
        } else {
            EXPECT_NE(outcome.find(c.expected), std::string::npos) << c.file << ": " << outcome;
        }
    }
}

// Every mesh of every node, in its world place; the material's colour; one warning for the camera.
TEST_F(AssetpackFilesTest, LibraryScenesAreFlattenedWithTheirTransforms) {
    writeWholeFile(path("tetra.gltf"), tetraGltf("[0.25,0.5,0.75,1]"));
    ModelOptions unscaled;
    unscaled.scale = 1.0;
    const LoadedModel loaded = loadModel(path("tetra.gltf"), unscaled);
    std::vector<std::array<float, 3>> positions, expected;
    for (const MeshVertexRecord& v : loaded.model.vertices)
        positions.push_back({v.position[0], v.position[1], v.position[2]});
    for (const auto& p : kTetra) {
        expected.push_back({p[0], p[1], p[2]});
        expected.push_back({2 * (p[0] + 10), 2 * p[1], 2 * p[2]});
    }
    std::sort(positions.begin(), positions.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(positions, expected);
    EXPECT_EQ(loaded.model.faces.size(), 8u);
    EXPECT_EQ(loaded.model.material.blue, 0.75f);
    EXPECT_EQ(loaded.warnings, std::vector<std::string>{path("tetra.gltf") + ": left out 1 camera: the program draws only "
                                                                             "triangles, and holds them still"});
}

// The import library's own broken test files, and its limits: each a one-line refusal naming
// the file and why, in time, and no output file.
TEST_F(AssetpackFilesTest, FilesTheLibraryCannotReadAreRefusedInOneLine) {
    const std::string models = "/usr/share/assimp/models/";
    if (access((models + "invalid/OutOfMemory.off").c_str(), R_OK) != 0) GTEST_SKIP() << "assimp-testmodels is not installed";
    const std::pair<std::string, std::string> cases[] = {
        {"invalid/OutOfMemory.off", "the import library"},
        {"invalid/empty.ply", "is empty"},
        {"OFF/invalid.off", "no face has any area"},
        {"glTF2/RecursiveNodes/RecursiveNodes.gltf", "the import library cannot read it: GLTF: Object at index 0"},
        {"glTF2/BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb", "has a position that is not a finite number"},
        {"glTF2/MissingBin/BoxTextured.gltf", "the import library cannot read it"},
        {"glTF2/wrongTypes/badArray.gltf", "the import library cannot read it"},
        {"PLY/points.ply", "no faces: 0 points and 0 faces (it holds 4 points and 0 lines"},
        {"PLY/Wuson.ply --import-seconds 0.001", "the import library took longer than 0.001 s"},
    };
    for (const auto& [file, reason] : cases) {
        const auto start = std::chrono::steady_clock::now();
        const size_t options = std::min(file.find(' '), file.size());
        EXPECT_EQ(assetpack("pack " + models + file.substr(0, options) + " " + path("bad.cpp") + file.substr(options)), 2)
            << file;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << file;
        const std::string err = readWholeFile(path("stderr"));
        EXPECT_EQ(err.find('\n'), err.size() - 1) << file << ": " << err;
        EXPECT_EQ(err.find("assetpack: " + models + file.substr(0, options)), 0u) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << file << ": " << err;
        EXPECT_FALSE(exists("bad.cpp")) << file;
    }
}

// A fitted model lands where info says, as the program's own frame code draws it, and stays
// inside the window however it is turned.
TEST_F(AssetpackFilesTest, FittedModelLandsInViewWhereInfoSays) {
    writeWholeFile(path("cube.obj"), cubeObj());
    Scene scene;
    scene.build(writeMesh(loadModel(path("cube.obj"), ModelOptions{}).model));
    const ScreenExtent predicted = screenExtent(scene);
    EXPECT_NEAR(predicted.turnedSpan, kDefaultFit * 400, 1.0);
    for (const double angle : {0.0, 0.7, 2.0}) {
        Surface surface;
        ASSERT_TRUE(surface.create(400, 400, true));
        std::vector<bool> transparent;
        demo::renderFrame(surface, scene, angle, angle * 1.3, transparent);
        int left = 400, right = -1, top = 400, bottom = -1;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 400; ++x)
                if (!transparent[surface.pixelOffset(x, y) / 4]) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        EXPECT_GT(left, 0);
        EXPECT_GT(top, 0);
        EXPECT_LT(right, 399);
        EXPECT_LT(bottom, 399);
        EXPECT_GT(right - left, 150);
        if (angle == 0.0) {
            EXPECT_NEAR(left, predicted.left, 1);
            EXPECT_NEAR(right, predicted.right, 1);
            EXPECT_NEAR(top, predicted.top, 1);
            EXPECT_NEAR(bottom, predicted.bottom, 1);
        }
    }
}

TEST_F(AssetpackFilesTest, DamagedLengthHeadersAreRefusedBeforeDecoding) {
    const PackedBlocks good = packAsset(writeMesh(stripModel(3)));
    std::string stream = unscrambleBlock(good.first);
    const uint32_t declared = 1u << 24;  // within 256 MiB, but far more than ~300 coded bytes carry
    for (int k = 0; k < 4; ++k) stream[k] = static_cast<char>(declared >> (8 * k));
    // As a packed block, and as a raw stream.
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { unpackAsset(PackedBlocks{scrambleBlock(stream), good.second}); }, "block 1 declares 16777216"},
        {[&] { decodeRawStream(stream); }, "the stream declares 16777216"},
    };
    for (const auto& [decode, refusal] : cases) {
        try {
            decode();
            ADD_FAILURE() << "decoded: " << refusal;
        } catch (const ToolError& e) {
            EXPECT_NE(std::string(e.what()).find(refusal + " decoded bytes"), std::string::npos) << e.what();
        }
    }
}

// Told to stop while it writes, the tool leaves neither the target nor its temporary file behind;
// a signal it was started to ignore, as a shell starts commands in the background, leaves it
// writing. The signal goes as soon as the temporary file shows; a write that beats it is tried
// again, larger.
TEST_F(AssetpackFilesTest, SignalledWriteLeavesNothingBehind) {
    const auto files = [&] {
        std::vector<std::string> names;
        DIR* d = opendir(dir_.c_str());
        while (const dirent* e = d ? readdir(d) : nullptr)
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        if (d) closedir(d);
        return names;
    };
    for (const bool ignored : {false, true}) {
        bool interrupted = false;
        for (size_t size = size_t(32) << 20; !interrupted && size <= size_t(512) << 20; size *= 4) {
            std::remove(path("out.cpp").c_str());
            const std::string bytes(size, 'x');
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                if (ignored) std::signal(SIGTERM, SIG_IGN);
                writeWholeFile(path("out.cpp"), bytes);
                _exit(0);
            }
            while (files().empty()) usleep(200);
            kill(child, SIGTERM);
            int status = 0;
            waitpid(child, &status, 0);
            interrupted = WIFSIGNALED(status);
            if (ignored) {
                EXPECT_FALSE(interrupted) << "stopped by a signal it was started to ignore";
                EXPECT_EQ(files(), std::vector<std::string>{"out.cpp"});
                break;
            }
            if (interrupted) {
                EXPECT_EQ(WTERMSIG(status), SIGTERM);
                EXPECT_TRUE(files().empty()) << files()[0];
            }
        }
        EXPECT_TRUE(interrupted || ignored) << "every write ended before the signal came";
    }
}

}  // namespace
}  // namespace td
