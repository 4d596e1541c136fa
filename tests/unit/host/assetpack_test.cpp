#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "asset/mesh_format.h"
#include "asset/scene.h"
#include "tools/assetpack/asset_source.h"
#include "tools/assetpack/file_io.h"
#include "tools/assetpack/model_input.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/packer.h"
#include "tools/assetpack/tool_error.h"

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
    MeshModel model = readObj(obj, "strip.obj");
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
    notBytes.replace(notBytes.find("0xff,"), 5, "0x1ff,");
    EXPECT_THROW(parseAssetSource(notBytes), ToolError);
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
    EXPECT_EQ(parseScale("2.5"), 2.5);
    for (const char* bad : {"0", "-1", "inf", "x", ""})
        EXPECT_THROW(parseScale(bad), ToolError) << bad;
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
        const int status = std::system((exe + " " + args + " 2>" + path("stderr")).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string dir_;
};

TEST_F(AssetpackFilesTest, LoadModelDetectsMeshFilesAndAppliesOptions) {
    MeshModel model = stripModel(3);
    model.hasMaterial = false;
    writeWholeFile(path("strip.bin"), writeMesh(model));  // detected by its content
    writeWholeFile(path("strip.obj"), writeObj(model));

    const MeshModel fromMesh = loadModel(path("strip.bin"), ModelOptions{});
    EXPECT_EQ(fromMesh.faces.size(), model.faces.size());
    EXPECT_TRUE(fromMesh.hasMaterial);
    EXPECT_EQ(fromMesh.material.name, "strip");
    EXPECT_EQ(fromMesh.material.red, 0.8f);

    ModelOptions options;
    options.colour = parseColour("0.1,0.2,0.3");
    options.name = "mine";
    options.scale = 2.0;
    const MeshModel fromObj = loadModel(path("strip.obj"), options);
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

}  // namespace
}  // namespace td
