#pragma once
// The scene render pass: transforms, culls, projects and lights every face of a scene and hands
// it to one of the surface's four triangle fills.

#include <cstdint>
#include <vector>

#include "asset/scene.h"
#include "foundation/convert.h"
#include "foundation/math.h"
#include "render/shaded_triangles.h"
#include "render/surface.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace td {

// A pixel position: column, and row with 0 at the top.
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// How projected points map to the pixels of a surface, with the surface's sizes read once.
struct SurfaceMapping {
    explicit SurfaceMapping(const Surface& s)
        : w(s.width), h(s.height), halfWidth(double(s.width / 2)), halfHeight(double(s.height / 2)) {}
    ScreenPoint place(Vec3 p) const {
        // The +1 puts a point half a pixel right of and above the pixel grid lines.
        return ScreenPoint{truncToInt32((w * p.x + 1.0) * 0.5 + halfWidth),
                           truncToInt32(halfHeight - (h * p.y + 1.0) * 0.5)};
    }
    double w, h, halfWidth, halfHeight;
};

class Renderer {
public:
    static constexpr uint32_t kDepthTest = 0x20;  // draw through the depth-tested fills

    void setModel(const Matrix4& m);
    void setCamera(const Matrix4& m);

    // Draws every face of the scene in array order on the surface, over what is there; nothing
    // without a scene or a surface.
    void render(const Scene* scene);

    // The vertex projected through `combined`; its normal is the difference of the projected tip
    // (position + normal) and the projected position, not normalised.
    Vertex transformVertex(const Vertex& v) const;
    // The pixel position of a projected point; (0, 0) without a surface.
    ScreenPoint projectToSurface(Vec3 p) const {
        if (!surface) return ScreenPoint{};
        return SurfaceMapping(*surface).place(p);
    }
    // True when the corners run counter-clockwise on the screen or are collinear; a NaN culls.
    static bool isFrontFacing(const Vertex& a, const Vertex& b, const Vertex& c) {
        return isFrontFacing(a.position.x, a.position.y, b.position.x, b.position.y, c.position.x, c.position.y);
    }

    Surface* surface = nullptr;  // not owned
    Matrix4 model = Matrix4::identity();
    Matrix4 camera = Matrix4::identity();
    Matrix4 combined = Matrix4::identity();  // camera x model: turned first, projected second
    uint32_t flags = 0x01;
    const Light* light = nullptr;  // not owned; null draws unlit

private:
    // What a face needs of one of its corners, found once per vertex and frame: a vertex is
    // shared by several faces, and each of them would get the same values.
    struct Corner {
        Vec3 position;          // transformed; its x and y decide the orientation of the faces
        bool finished = false;  // whether the values below are this frame's
        double intensity = 1.0;
        ShadedCorner shaded;  // pixel position, the vertex colour scaled by the intensity, z
    };
    // isFrontFacing on the x and y of the three transformed positions.
    static bool isFrontFacing(double ax, double ay, double bx, double by, double cx, double cy) {
#if defined(__SSE2__)
        // x in the low lane, y in the high one: each lane makes the scalar subtractions, and the
        // products and their difference are the scalar ones, so f is the same bit for bit.
        const __m128d a = _mm_set_pd(ay, ax), b = _mm_set_pd(by, bx), c = _mm_set_pd(cy, cx);
        const __m128d d0 = _mm_sub_pd(b, a), d1 = _mm_sub_pd(c, b);
        const __m128d products = _mm_mul_pd(d0, _mm_shuffle_pd(d1, d1, 1));  // d0x * d1y, d0y * d1x
        const double f = _mm_cvtsd_f64(_mm_sub_sd(products, _mm_unpackhi_pd(products, products)));
#else
        const double d0x = bx - ax, d0y = by - ay;
        const double d1x = cx - bx, d1y = cy - by;
        const double f = d0x * d1y - d0y * d1x;
#endif
        return f >= 0.0;
    }
    // Both kept between frames, so a frame allocates nothing.
    std::vector<Corner> corners_;
    std::vector<ShadedTriangle> triangles_;  // the faces to draw, when the scene has no texture
};

}  // namespace td
