// Start-up of the viewer: everything that is made once, before the message loop runs.

#include "asset/embedded_asset.h"
#include "render/surface.h"
#include "ui/viewer_window.h"

namespace td {

void ViewerWindow::prepare() {
    create(nullptr, "Test dialog", WS_POPUP | WS_CLIPCHILDREN, 400, 200, 400, 400,
           WS_EX_DLGMODALFRAME | 0x00000002);

    // The decoded asset is handed over by value and not kept.
    scene.build(decodeEmbeddedAsset());

    if (!renderer.surface) renderer.surface = new Surface();
    renderer.surface->create(400, 400, true);
    renderer.flags |= Renderer::kDepthTest;

    renderer.light = &light;
    light.ambient = static_cast<double>(0.1f);
    renderer.setCamera(Matrix4::perspective(10.0));

    renderer.flags = Renderer::kDepthTest | 0x01;
    renderer.render(&scene);

    // The timer window becomes one of this window's children, which own it from here on.
    timerWindow = new TimerWindow(this, 1, &frameConnection);
    timerWindow->start();
}

void ViewerWindow::setUp() {
    prepare();
    if (handle) {
        ShowWindow(handle, SW_SHOW);
        UpdateWindow(handle);
    }
}

}  // namespace td
