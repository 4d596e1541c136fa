// modelgen: writes the program's own model, as a mesh file or as a Wavefront OBJ file.
//
//   modelgen --mesh OUT.mesh [SEGMENTS SIDES]
//   modelgen --obj OUT.obj [SEGMENTS SIDES]
//
// SEGMENTS x SIDES is the grid of the tube (along the knot x around it), 150 x 12 unless given:
// 480 x 38 makes the same knot with ten times the triangles (36,480).

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"
#include "tools/modelgen/trefoil.h"

int main(int argc, char** argv) {
    const std::string mode = argc == 3 || argc == 5 ? argv[1] : "";
    const int segments = argc == 5 ? std::atoi(argv[3]) : td::trefoil::kSegments;
    const int sides = argc == 5 ? std::atoi(argv[4]) : td::trefoil::kSides;
    // Up to 4,096 each keeps every vertex index, segments x sides, within a signed 32-bit int.
    const bool gridOk = segments >= 3 && sides >= 3 && segments <= 4096 && sides <= 4096;
    if ((mode != "--mesh" && mode != "--obj") || !gridOk) {
        std::fprintf(stderr, "usage: modelgen --mesh OUT.mesh | --obj OUT.obj [SEGMENTS SIDES (3 to 4096)]\n");
        return 2;
    }
    try {
        const td::MeshModel model = td::generateTrefoil(segments, sides);
        td::writeWholeFile(argv[2], mode == "--mesh" ? td::writeMesh(model) : td::writeObj(model));
    } catch (const td::ToolError& e) {
        std::fprintf(stderr, "modelgen: %s\n", e.what());
        return 2;
    }
    return 0;
}
