// modelgen: writes the program's own model, as a mesh file or as a Wavefront OBJ file.
//
//   modelgen --mesh OUT.mesh
//   modelgen --obj OUT.obj

#include <cstdio>
#include <string>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/mesh_model.h"
#include "tools/assetpack/obj_file.h"
#include "tools/assetpack/tool_error.h"
#include "tools/modelgen/trefoil.h"

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "--mesh" && mode != "--obj") {
        std::fprintf(stderr, "usage: modelgen --mesh OUT.mesh | --obj OUT.obj\n");
        return 2;
    }
    try {
        const td::MeshModel model = td::generateTrefoil();
        td::writeWholeFile(argv[2], mode == "--mesh" ? td::writeMesh(model) : td::writeObj(model));
    } catch (const td::ToolError& e) {
        std::fprintf(stderr, "modelgen: %s\n", e.what());
        return 2;
    }
    return 0;
}
