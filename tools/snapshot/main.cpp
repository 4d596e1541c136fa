// snapshot: renders a frame through the program's render pass and equaliser into a PNG file,
// with the key-coloured background transparent.
//
//   snapshot [--embedded] OUT.png [ANGLE_X ANGLE_Y]
//
// Without --embedded it draws the demo scene of the golden test; with it, the program's own
// embedded model.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "asset/embedded_asset.h"
#include "tools/snapshot/demo_frame.h"
#include "tools/snapshot/png_image.h"

int main(int argc, char** argv) {
    const bool embedded = argc > 1 && std::string(argv[1]) == "--embedded";
    if (embedded) {
        --argc;
        ++argv;
    }
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: snapshot [--embedded] OUT.png [ANGLE_X ANGLE_Y]  (angles in radians)\n");
        return 2;
    }
    const double angleX = argc == 4 ? std::strtod(argv[2], nullptr) : 0.6;
    const double angleY = argc == 4 ? std::strtod(argv[3], nullptr) : 0.4;

    td::Surface surface;
    if (!surface.create(400, 400, true)) {
        std::fprintf(stderr, "snapshot: cannot create a 400 x 400 surface with 32-bit pixels\n");
        return 1;
    }
    td::Scene scene;
    if (embedded) {
        scene.build(td::decodeEmbeddedAsset());
    } else {
        scene = td::demo::makeScene();
    }
    std::vector<bool> transparent;
    td::demo::renderFrame(surface, scene, angleX, angleY, transparent);

    const td::png::Image image{400, 400, td::demo::toRgba(surface, transparent)};
    std::string error;
    if (!td::png::write(argv[1], image, error)) {
        std::fprintf(stderr, "snapshot: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
