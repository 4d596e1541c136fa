// modelgen: writes the program's own model, as a mesh file or as a Wavefront OBJ file, or a
// torus of any size as an OBJ file of quads (for measuring the packer on large models).
//
//   modelgen --mesh OUT.mesh [SEGMENTS SIDES]
//   modelgen --obj OUT.obj [SEGMENTS SIDES]
//   modelgen --torus AROUND ACROSS OUT.obj     AROUND x ACROSS vertices, twice as many triangles
//
// SEGMENTS x SIDES is the grid of the knot's tube (along the knot x around it), 150 x 12 unless
// given: 480 x 38 makes the same knot with ten times the triangles (36,480).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"
#include "tools/modelgen/trefoil.h"

namespace {

// Quads (i, j) (i + 1, j) (i + 1, j + 1) (i, j + 1), counter-clockwise seen from outside.
std::string torusObj(long around, long across) {
    const double pi = 3.14159265358979323846;
    std::string out;
    char line[96];
    for (long i = 0; i < around; ++i) {
        const double u = 2 * pi * static_cast<double>(i) / static_cast<double>(around);
        for (long j = 0; j < across; ++j) {
            const double v = 2 * pi * static_cast<double>(j) / static_cast<double>(across);
            const double ring = 3.0 + std::cos(v);
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", ring * std::cos(u), ring * std::sin(u),
                          std::sin(v));
            out += line;
        }
    }
    const auto at = [&](long a, long b) { return (a % around) * across + b % across + 1; };
    for (long i = 0; i < around; ++i)
        for (long j = 0; j < across; ++j) {
            std::snprintf(line, sizeof line, "f %ld %ld %ld %ld\n", at(i, j), at(i + 1, j), at(i + 1, j + 1),
                          at(i, j + 1));
            out += line;
        }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    try {
        if ((mode == "--mesh" || mode == "--obj") && (argc == 3 || argc == 5)) {
            const int segments = argc == 5 ? std::atoi(argv[3]) : td::trefoil::kSegments;
            const int sides = argc == 5 ? std::atoi(argv[4]) : td::trefoil::kSides;
            // Up to 4,096 each keeps every vertex index, segments x sides, within a signed 32-bit int.
            if (segments < 3 || sides < 3 || segments > 4096 || sides > 4096)
                throw td::ToolError("a knot's grid needs 3 to 4096 segments and sides");
            const td::MeshModel model = td::generateTrefoil(segments, sides);
            td::writeWholeFile(argv[2], mode == "--mesh" ? td::writeMesh(model) : td::writeObj(model));
            return 0;
        }
        if (mode == "--torus" && argc == 5) {
            const long around = std::strtol(argv[2], nullptr, 10), across = std::strtol(argv[3], nullptr, 10);
            if (around < 3 || across < 3 || around * across > 100000000)
                throw td::ToolError("a torus needs 3 to 100000000 vertices, at least 3 each way");
            td::writeWholeFile(argv[4], torusObj(around, across));
            return 0;
        }
    } catch (const td::ToolError& e) {
        std::fprintf(stderr, "modelgen: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: modelgen --mesh OUT.mesh | --obj OUT.obj [SEGMENTS SIDES] | --torus AROUND ACROSS OUT.obj\n");
    return 2;
}
