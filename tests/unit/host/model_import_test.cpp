#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/isolated_import.h"
#include "tools/assetpack/mesh_simplifier.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"
#include "tools/modelgen/trefoil.h"

namespace td {
namespace {

std::string refusalOf(const std::string& answer) {
    try {
        decodeImported(answer, "m.stl");
    } catch (const ToolError& e) {
        return e.what();
    }
    return "read";
}

// The child's answer is read back exactly, and anything cut short, running on or claiming more
// than it holds is refused before it is used.
TEST(ModelImportTest, AnswersAreReadBackOrRefused) {
    ImportedModel model;
    model.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    model.triangles = {{0, 1, 2}};
    model.colour = std::array<float, 3>{0.25f, 0.5f, 1.0f};
    model.textures = true;
    model.lights = 2;
    const std::string answer = encodeImported(model);
    const ImportedModel back = decodeImported(answer, "m.stl");
    EXPECT_EQ(encodeImported(back), answer);
    EXPECT_EQ(back.colour->at(2), 1.0f);
    EXPECT_EQ(back.lights, 2u);

    for (size_t n = 0; n < answer.size(); ++n)
        EXPECT_NE(refusalOf(answer.substr(0, n)).find("m.stl: the import"), std::string::npos) << n;
    EXPECT_NE(refusalOf(answer + "x").find("is not all there"), std::string::npos);
    // Answers whose length says they are all there, but whose records do not fit it.
    const auto withLength = [](std::string a) {
        const uint64_t length = a.size();
        std::memcpy(&a[0], &length, sizeof length);
        return a;
    };
    EXPECT_NE(refusalOf(withLength(answer + "x")).find("runs on past its end"), std::string::npos);
    std::string tooMany = answer;
    tooMany.replace(9, 4, "\xFF\xFF\xFF\x7F");  // after the length and the tag: vertices it cannot hold
    EXPECT_NE(refusalOf(tooMany).find("claims 2147483647 records"), std::string::npos);
    EXPECT_EQ(refusalOf(encodeRefusal("bad\nthing")), "m.stl: the import library cannot read it: bad thing");
}

// A child that runs out of its memory fails however the library fails, and becomes a refusal
// naming the file; the test's process goes on.
TEST(ModelImportTest, ImportOverItsMemoryIsRefused) {
    const std::string file = "/usr/share/assimp/models/PLY/Wuson.ply";
    if (access(file.c_str(), R_OK) != 0) GTEST_SKIP() << "assimp-testmodels is not installed";
    ImportLimits starved;
    starved.memoryBytes = 0;
    try {
        importIsolated(file, starved);
        ADD_FAILURE() << "read with no memory to spare";
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()).find(file + ": "), 0u) << e.what();
    }
}

// What two readings of a file must share however they cut its polygons into triangles: the
// triangle count, the corners used, and the sums of the triangles' areas and of their area vectors
// (which turn with the winding).
struct Surface {
    size_t triangles = 0;
    std::vector<std::array<float, 3>> corners;
    double area = 0.0;
    std::array<double, 3> areaVector = {0.0, 0.0, 0.0};

    void add(const std::array<float, 3>& a, const std::array<float, 3>& b, const std::array<float, 3>& c) {
        ++triangles;
        corners.insert(corners.end(), {a, b, c});
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double w[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int k = 0; k < 3; ++k) areaVector[k] += n[k];
    }
    void finish() {
        std::sort(corners.begin(), corners.end());
        corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    }
};

// Our OBJ reader and the import library read public OBJ files alike.
TEST(ModelImportTest, LibraryAndObjReaderAgreeOnPublicObjFiles) {
    const std::string models = "/usr/share/assimp/models/OBJ/";
    if (access((models + "box.obj").c_str(), R_OK) != 0) GTEST_SKIP() << "assimp-testmodels is not installed";
    for (const char* name : {"box.obj", "cube_usemtl.obj", "spider.obj", "regr01.obj", "WusonOBJ.obj"}) {
        const std::string file = models + name;
        const ReadModel ours = readObj(readWholeFile(file), file);
        const ImportedModel theirs = importIsolated(file);
        Surface ourSurface, theirSurface;
        const auto at = [&](uint32_t v) {
            const Vec3& p = ours.positions[v];
            return std::array<float, 3>{float(p.x), float(p.y), float(p.z)};
        };
        for (const MeshFaceRecord& f : ours.mesh.faces)  // stored reversed
            ourSurface.add(at(f.vertexIndex[2]), at(f.vertexIndex[1]), at(f.vertexIndex[0]));
        for (const auto& t : theirs.triangles)
            theirSurface.add(theirs.positions[t[0]], theirs.positions[t[1]], theirs.positions[t[2]]);
        ourSurface.finish();
        theirSurface.finish();
        // The library reads numbers to within a unit in the last place of a float, not always to the nearest.
        const auto near = [](double a, double b, double size) { return std::fabs(a - b) <= 1e-6 * size; };
        EXPECT_EQ(ourSurface.triangles, theirSurface.triangles) << name;
        ASSERT_EQ(ourSurface.corners.size(), theirSurface.corners.size()) << name;
        size_t moved = 0;
        for (size_t i = 0; i < ourSurface.corners.size(); ++i)
            for (int k = 0; k < 3; ++k)
                moved += !near(ourSurface.corners[i][k], theirSurface.corners[i][k], std::max(1.0f, std::fabs(ourSurface.corners[i][k])));
        EXPECT_EQ(moved, 0u) << name;
        EXPECT_TRUE(near(ourSurface.area, theirSurface.area, ourSurface.area)) << name;
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(near(ourSurface.areaVector[k], theirSurface.areaVector[k], ourSurface.area)) << name;
    }
}

// Each model brought down to at most its target, its outline kept where the simplifier can, with
// only the vertices its faces use.
TEST(MeshSimplifierTest, ModelsComeDownToTheirTargetKeepingTheirOutline) {
    // Triangles with corners of their own, no edge shared: nothing to collapse without tearing.
    MeshModel scattered = generateTrefoil(40, 10);
    std::vector<MeshVertexRecord> corners;
    for (MeshFaceRecord& f : scattered.faces)
        for (uint32_t& v : f.vertexIndex) corners.push_back(scattered.vertices[std::exchange(v, uint32_t(corners.size()))]);
    scattered.vertices = corners;
    struct Case {
        const char* what;
        MeshModel model;
        size_t target;
        size_t least;  // the simplifier should not take away far more than asked
        bool sloppy;
    };
    const Case cases[] = {
        {"knot", generateTrefoil(200, 20), 1000, 800, false},
        {"knot below its target", generateTrefoil(200, 20), 8000, 8000, false},
        {"scattered triangles", scattered, 100, 10, true},
    };
    for (const Case& c : cases) {
        MeshModel model = c.model;
        const Simplification result = simplifyModel(model, c.target);
        EXPECT_EQ(result.before, c.model.faces.size()) << c.what;
        EXPECT_EQ(result.after, model.faces.size()) << c.what;
        EXPECT_LE(model.faces.size(), c.target) << c.what;
        EXPECT_GE(model.faces.size(), c.least) << c.what;
        EXPECT_EQ(result.sloppy, c.sloppy) << c.what;
        std::vector<bool> used(model.vertices.size(), false);
        for (const MeshFaceRecord& f : model.faces)
            for (uint32_t v : f.vertexIndex) used.at(v) = true;
        EXPECT_EQ(std::count(used.begin(), used.end(), false), 0) << c.what;
        // The extent along each axis stays within 2% of the original's, unless merging vertices was needed.
        for (int k = 0; k < 3 && !c.sloppy; ++k) {
            const auto extent = [k](const MeshModel& m) {
                const auto [low, high] = std::minmax_element(m.vertices.begin(), m.vertices.end(), [k](const auto& a, const auto& b) {
                    return a.position[k] < b.position[k];
                });
                return high->position[k] - low->position[k];
            };
            EXPECT_NEAR(extent(model), extent(c.model), 0.02 * std::max(1.0f, extent(c.model))) << c.what << " axis " << k;
        }
    }
}

}  // namespace
}  // namespace td
