#pragma once
// One frame drawn the way the viewer draws it (the program's light, camera and depth-tested
// fills; cleared to the key colour first), before its shape is taken and it is equalised.

#include "asset/embedded_asset.h"
#include "render/renderer.h"

namespace td {

inline bool drawProgramFrame(Surface& surface, const Scene& scene, double angleX, double angleY) {
    if (!surface.create(400, 400, true)) return false;
    const Light light({0, 0, -1}, static_cast<double>(0.1f));
    Renderer renderer;
    renderer.surface = &surface;
    renderer.light = &light;
    renderer.flags = 0x21;
    renderer.setCamera(Matrix4::perspective(10.0));
    surface.clear(0, 255, 0);
    renderer.setModel(multiply(Matrix4::rotationX(angleX), Matrix4::rotationY(angleY)));
    renderer.render(&scene);
    return true;
}

inline Scene embeddedScene() {
    Scene scene;
    scene.build(decodeEmbeddedAsset());
    return scene;
}

}  // namespace td
