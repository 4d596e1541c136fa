#pragma once
// A generated scene and the frame that the program would make of it: a torus shaded from red to
// blue around its ring, pierced by a yellow-green spike on one side, so that neither the shape
// nor its colours have a symmetry that would hide a mirrored or channel-swapped picture. Shared
// by the snapshot tool and the golden-picture tests.

#include <cmath>
#include <cstdint>
#include <vector>

#include "asset/scene.h"
#include "foundation/math.h"
#include "render/histogram_equaliser.h"
#include "render/renderer.h"
#include "render/surface.h"

namespace td::demo {

// Appends a triangle wound so that its face normal points away from `inside`.
inline void addOutwardFace(Scene& scene, uint32_t a, uint32_t b, uint32_t c, Vec3 inside) {
    const Vec3 p0 = scene.vertices[a].position, p1 = scene.vertices[b].position, p2 = scene.vertices[c].position;
    const Vec3 d0{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, d1{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    const Vec3 n{d0.y * d1.z - d0.z * d1.y, d0.z * d1.x - d0.x * d1.z, d0.x * d1.y - d0.y * d1.x};
    const double out = n.x * (p0.x - inside.x) + n.y * (p0.y - inside.y) + n.z * (p0.z - inside.z);
    Face f;
    f.vertexIndex[0] = a;
    f.vertexIndex[1] = out >= 0 ? b : c;
    f.vertexIndex[2] = out >= 0 ? c : b;
    scene.faces.push_back(f);
}

// Appends two triangles for every quad (i, j) (i + 1, j) (i + 1, j + 1) (i, j + 1) of a grid of
// rows x columns vertices, vertex (i, j) at index i * columns + j, that wraps around in both
// directions; each quad is split along its diagonal from (i, j), row by row.
inline void addWrappedGridFaces(Scene& scene, int rows, int columns) {
    const auto at = [&](int a, int b) { return uint32_t((a % rows) * columns + b % columns); };
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            Face lower, upper;
            lower.vertexIndex[0] = at(i, j), lower.vertexIndex[1] = at(i + 1, j);
            lower.vertexIndex[2] = at(i + 1, j + 1);
            upper.vertexIndex[0] = at(i, j), upper.vertexIndex[1] = at(i + 1, j + 1);
            upper.vertexIndex[2] = at(i, j + 1);
            scene.faces.push_back(lower);
            scene.faces.push_back(upper);
        }
    }
}

inline Scene makeScene() {
    Scene scene;
    const int around = 28, across = 12;
    const double major = 0.5, minor = 0.2, pi = 3.14159265358979323846;
    for (int i = 0; i < around; ++i) {
        const double u = 2 * pi * i / around;
        const Colour colour{uint8_t(255 * i / around), uint8_t(60 + 120 * (i % 2)), uint8_t(255 - 255 * i / around)};
        for (int j = 0; j < across; ++j) {
            const double v = 2 * pi * j / across;
            const Vec3 normal{std::cos(v) * std::cos(u), std::cos(v) * std::sin(u), std::sin(v)};
            const double ring = major + minor * std::cos(v);
            scene.vertices.push_back(
                Vertex{Vec3{ring * std::cos(u), ring * std::sin(u), minor * std::sin(v)}, colour, normal});
        }
    }
    // Quads (i, j) (i + 1, j) (i + 1, j + 1) (i, j + 1) run counter-clockwise seen from outside.
    addWrappedGridFaces(scene, around, across);
    // The spike: a tetrahedron through the ring's right side, flat-shaded (a vertex per corner).
    const Vec3 tip{0.95, 0.55, 0.3}, base[3] = {{0.25, -0.2, -0.25}, {0.6, -0.25, 0.35}, {0.35, 0.15, 0.05}};
    const Vec3 centre{(tip.x + base[0].x + base[1].x + base[2].x) / 4, (tip.y + base[0].y + base[1].y + base[2].y) / 4,
                      (tip.z + base[0].z + base[1].z + base[2].z) / 4};
    const Vec3 corners[4] = {tip, base[0], base[1], base[2]};
    const int sides[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {1, 3, 2}};
    for (const auto& side : sides) {
        const uint32_t first = uint32_t(scene.vertices.size());
        for (int k = 0; k < 3; ++k) {
            const Vec3 p = corners[side[k]];
            Vec3 normal{p.x - centre.x, p.y - centre.y, p.z - centre.z};
            scene.vertices.push_back(Vertex{p, Colour{uint8_t(150 + 50 * k), 230, 40}, normal.normalize()});
        }
        addOutwardFace(scene, first, first + 1, first + 2, centre);
    }
    return scene;
}

constexpr uint32_t kKeyPixel = 0x0000FF00;  // pure green as the 32-bit value of a cleared pixel

// The drawing part of a frame, before equalisation: clear to the key colour, turn the model and
// render it with depth and the program's light.
inline void drawModel(Surface& surface, const Scene& scene, double angleX, double angleY) {
    Light light{Vec3{0, 0, -1}, double(0.1f)};
    Renderer renderer;
    renderer.surface = &surface;
    renderer.light = &light;
    renderer.setCamera(Matrix4::perspective(10.0));
    renderer.flags = 0x21;
    surface.clear(0, 255, 0);
    renderer.setModel(multiply(Matrix4::rotationX(angleX), Matrix4::rotationY(angleY)));
    renderer.render(&scene);
}

// Renders the scene as the viewer renders a frame, into a surface that `create` has made ready:
// clear to the key colour, turn the model, render with depth and the program's light, note which
// pixels kept the key colour (transparent[i] for pixel i in payload order), then equalise.
// When `shape` is given it receives the window region of the frame, taken before equalising as
// the viewer takes it; the caller owns it.
inline void renderFrame(Surface& surface, const Scene& scene, double angleX, double angleY,
                        std::vector<bool>& transparent, HRGN* shape = nullptr) {
    drawModel(surface, scene, angleX, angleY);
    transparent.assign(surface.pixels->count() / 4, false);
    const uint8_t* p = surface.pixels->intactPayload();
    for (size_t i = 0; p && i < transparent.size(); ++i) {
        const uint32_t value = uint32_t{p[4 * i]} | uint32_t{p[4 * i + 1]} << 8 | uint32_t{p[4 * i + 2]} << 16 |
                               uint32_t{p[4 * i + 3]} << 24;
        transparent[i] = value == kKeyPixel;
    }
    if (shape) *shape = surface.shapeRegion(kKeyPixel);
    HistogramEqualiser().equalise(surface.pixels.get(), surface.width, surface.height);
}

// The frame as RGBA rows, top row first; key-coloured pixels fully transparent.
inline std::vector<uint8_t> toRgba(Surface& surface, const std::vector<bool>& transparent) {
    std::vector<uint8_t> rgba(size_t(surface.width) * surface.height * 4);
    const uint8_t* p = surface.pixels->intactPayload();
    for (int32_t y = 0; y < surface.height; ++y) {
        for (int32_t x = 0; x < surface.width; ++x) {
            const size_t offset = surface.pixelOffset(x, y);
            uint8_t* out = &rgba[(size_t(y) * surface.width + x) * 4];
            out[0] = p[offset + 2];
            out[1] = p[offset + 1];
            out[2] = p[offset];
            out[3] = transparent[offset / 4] ? 0 : 255;
        }
    }
    return rgba;
}

// 64-bit FNV-1a, continuing from `hash`.
inline uint64_t fnv1a(const uint8_t* bytes, size_t count, uint64_t hash = 0xcbf29ce484222325ull) {
    for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

}  // namespace td::demo
