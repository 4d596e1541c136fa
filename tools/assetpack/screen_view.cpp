#include "tools/assetpack/screen_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "render/renderer.h"
#include "render/surface.h"

namespace td {

ScreenExtent screenExtent(const Scene& scene) {
    ScreenExtent e;
    Surface window;  // only its size is read: no bitmap is made
    window.width = view::kWindowSize;
    window.height = view::kWindowSize;
    Renderer renderer;
    renderer.surface = &window;
    renderer.setCamera(Matrix4::perspective(view::kCameraDistance));
    renderer.setModel(Matrix4::identity());
    // Only the vertices that faces use are drawn.
    std::vector<bool> used(scene.vertices.size(), false);
    for (const Face& f : scene.faces)
        for (uint32_t index : f.vertexIndex)
            if (index < used.size()) used[index] = true;
    for (size_t i = 0; i < used.size(); ++i) {
        if (!used[i]) continue;
        const Vertex& v = scene.vertices[i];
        const Vec3& p = v.position;
        e.reach = std::max(e.reach, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
        if (!(p.z < view::kCameraDistance)) continue;  // at or behind the eye: not drawn sensibly
        const ScreenPoint s = renderer.projectToSurface(renderer.transformVertex(v).position);
        if (!e.any) e.left = e.right = s.x, e.top = e.bottom = s.y;
        e.any = true;
        e.left = std::min(e.left, s.x);
        e.right = std::max(e.right, s.x);
        e.top = std::min(e.top, s.y);
        e.bottom = std::max(e.bottom, s.y);
    }
    // A sphere of radius r seen from distance d appears with radius d r / sqrt(d^2 - r^2) on the
    // plane through its centre, where one unit is half the window.
    const double d = view::kCameraDistance;
    e.passesCamera = !(e.reach < d);
    if (!e.passesCamera) e.turnedSpan = view::kWindowSize * d * e.reach / std::sqrt(d * d - e.reach * e.reach);
    return e;
}

double reachForShare(double share) {
    const double d = view::kCameraDistance;
    return share / std::sqrt(1.0 + share * share / (d * d));
}

std::string describeScreen(const ScreenExtent& e) {
    const int size = view::kWindowSize;
    char line[400];
    std::string out;
    if (!e.any) return "on screen: nothing, every vertex lies at or behind the camera\n";
    std::snprintf(line, sizeof line,
                  "on screen: %d x %d pixels of the %d x %d window in the first frame, from (%d, %d) to (%d, %d)\n",
                  e.right - e.left + 1, e.bottom - e.top + 1, size, size, e.left, e.top, e.right, e.bottom);
    out += line;
    if (e.passesCamera) {
        out += "turned: parts of the model pass through the camera (pack with --fit to bring it into view)\n";
        return out;
    }
    std::snprintf(line, sizeof line, "turned any way: at most %.0f pixels across (%.0f%% of the window)\n",
                  e.turnedSpan, 100.0 * e.turnedSpan / size);
    out += line;
    const bool outside = e.left < 0 || e.top < 0 || e.right >= size || e.bottom >= size;
    if (outside) {
        out += "warning: the model reaches beyond the window, whose shape cuts it off (pack with --fit)\n";
    } else if (std::max(e.right - e.left, e.bottom - e.top) + 1 < size / 10) {
        out += "warning: the model is tiny in the window (pack with --fit)\n";
    } else if (e.turnedSpan > size) {
        out += "warning: turned, the model can reach beyond the window (pack with --fit)\n";
    }
    return out;
}

}  // namespace td
