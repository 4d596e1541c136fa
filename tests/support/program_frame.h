#pragma once
// Frames drawn the way the viewer draws them, and a fingerprint of a window region, for tests
// that compare what the program shows on both builds.

#include <vector>

#include "asset/embedded_asset.h"
#include "tools/snapshot/demo_frame.h"

namespace td {

inline Scene embeddedScene() {
    Scene scene;
    scene.build(decodeEmbeddedAsset());
    return scene;
}

// A 400 x 400 frame of the scene at the given angles, equalised; `shape` receives its window
// region, taken before equalising as the viewer takes it (the caller deletes it).
inline bool drawViewerFrame(Surface& surface, const Scene& scene, double angleX, double angleY, HRGN* shape) {
    if (!surface.create(400, 400, true)) return false;
    std::vector<bool> transparent;
    demo::renderFrame(surface, scene, angleX, angleY, transparent, shape);
    return true;
}

// FNV-1a of a region's rectangles in GDI's own order (the header's reserved fields are GDI's
// business); 0 for a null region.
inline uint64_t regionRectanglesHash(HRGN region, DWORD* count = nullptr) {
    if (count) *count = 0;
    const DWORD size = region ? GetRegionData(region, 0, nullptr) : 0;
    if (size < sizeof(RGNDATAHEADER)) return 0;
    std::vector<uint8_t> data(size);
    if (GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) != size) return 0;
    const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
    if (count) *count = header->nCount;
    return demo::fnv1a(data.data() + header->dwSize, header->nCount * sizeof(RECT));
}

}  // namespace td
