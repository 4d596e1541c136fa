// snapshot: renders a frame through the program's render pass and equaliser into a PNG file,
// with the key-coloured background transparent.
//
//   snapshot OUT.png [ANGLE_X ANGLE_Y]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/snapshot/demo_frame.h"
#include "tools/snapshot/png_image.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: snapshot OUT.png [ANGLE_X ANGLE_Y]  (angles in radians)\n");
        return 2;
    }
    const double angleX = argc == 4 ? std::strtod(argv[2], nullptr) : 0.6;
    const double angleY = argc == 4 ? std::strtod(argv[3], nullptr) : 0.4;

    td::Surface surface;
    if (!surface.create(400, 400, true)) {
        std::fprintf(stderr, "snapshot: cannot create a 400 x 400 surface with 32-bit pixels\n");
        return 1;
    }
    const td::Scene scene = td::demo::makeScene();
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
