#include "render/renderer.h"

#include <cmath>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "foundation/convert.h"
#include "render/shaded_triangles.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace td {
namespace {

#if defined(__SSE2__)
// transformPoint (foundation/math.cpp) with the rows of the matrix taken two at a time: rows 0 and
// 1 (x and y) in one vector register, rows 2 and 3 (z and w) in another. Each lane computes
// m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3] with the same products added in the same
// order, and the division and the scaling by 1 / w are transformPoint's, so the result is the same
// bit for bit; the matrix is rearranged once per pass instead of being read row by row per point.
class PairedRows {
public:
    explicit PairedRows(const Matrix4& m) {
        for (int pair = 0; pair < 2; ++pair)
            for (int column = 0; column < 4; ++column)
                columns_[pair][column] = _mm_set_pd(m.at(2 * pair + 1, column), m.at(2 * pair, column));
    }

    Vec3 transform(Vec3 p) const {
        const __m128d x = _mm_set1_pd(p.x), y = _mm_set1_pd(p.y), z = _mm_set1_pd(p.z);
        __m128d xy = rows(columns_[0], x, y, z);
        const __m128d zw = rows(columns_[1], x, y, z);
        double rz = _mm_cvtsd_f64(zw);
        const double w = _mm_cvtsd_f64(_mm_unpackhi_pd(zw, zw));
        if (w != 1.0 && std::fabs(w) > 1e-6) {
            const double k = 1.0 / w;
            xy = _mm_mul_pd(xy, _mm_set1_pd(k));
            rz *= k;
        }
        return Vec3{_mm_cvtsd_f64(xy), _mm_cvtsd_f64(_mm_unpackhi_pd(xy, xy)), rz};
    }

private:
    static __m128d rows(const __m128d (&c)[4], __m128d x, __m128d y, __m128d z) {
        return _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(c[0], x), _mm_mul_pd(c[1], y)), _mm_mul_pd(c[2], z)),
                          c[3]);
    }
    __m128d columns_[2][4];
};
#else
class PairedRows {
public:
    explicit PairedRows(const Matrix4& m) : m_(m) {}
    Vec3 transform(Vec3 p) const { return transformPoint(m_, p); }

private:
    Matrix4 m_;
};
#endif

}  // namespace

void Renderer::setModel(const Matrix4& m) {
    model = m;
    combined = multiply(camera, model);
}

void Renderer::setCamera(const Matrix4& m) {
    camera = m;
    combined = multiply(camera, model);
}

Vertex Renderer::transformVertex(const Vertex& v) const {
    Vertex t;
    t.position = transformPoint(combined, v.position);
    const Vec3 tip = transformPoint(combined, Vec3{v.position.x + v.normal.x, v.position.y + v.normal.y,
                                                   v.position.z + v.normal.z});
    t.normal = Vec3{tip.x - t.position.x, tip.y - t.position.y, tip.z - t.position.z};
    t.colour = v.colour;
    return t;
}

void Renderer::render(const Scene* scene) {
    if (!scene || !surface) return;
    // The pass only reads the scene, so it works on the scene's own arrays: no copies.
    const std::vector<Vertex>& vertices = scene->vertices;
    const std::vector<Face>& faces = scene->faces;
    const Texture* texture = scene->texture;
    const bool depthTested = (flags & kDepthTest) != 0;

    // The positions of every vertex, through the paired rows, rearranged once for the pass: the
    // orientation test needs them. The rest of transformVertex (the normal's tip), the light, the
    // colour and the pixel position are found only for the vertices of faces that are drawn, when
    // the first of them is: a vertex that only back faces use needs none of it. The light is a
    // pure function of its arguments, so neither when nor how often it is asked changes anything.
    const PairedRows rows(combined);
    corners_.resize(vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
        Corner& c = corners_[i];
        c.position = rows.transform(vertices[i].position);
        c.finished = false;
    }
    const SurfaceMapping mapping(*surface);
    // A light that is a Light itself is asked by a direct call, which inlines; whether it is one
    // is found here, once, instead of at every call.
    const Light* const lamp = light;
    const bool plainLight = lamp && typeid(*lamp) == typeid(Light);
    const auto intensityAt = [lamp, plainLight](Vec3 normal, Vec3 position) {
        if (plainLight) return lamp->Light::intensity(normal, position);
        return lamp ? lamp->intensity(normal, position) : 1.0;
    };
    const auto finish = [&](Corner& c, const Vertex& v) {
        const Vec3 position = c.position;
        const Vec3 tip = rows.transform(Vec3{v.position.x + v.normal.x, v.position.y + v.normal.y,
                                             v.position.z + v.normal.z});
        const Vec3 normal{tip.x - position.x, tip.y - position.y, tip.z - position.z};
        const ScreenPoint point = mapping.place(position);
        c.intensity = intensityAt(normal, position);
        c.shaded = ShadedCorner(point.x, point.y, packColour(Colour(v.colour).scale(c.intensity)), position.z);
        c.finished = true;
    };

    // Without a texture the faces to draw are gathered first and drawn in one go, in face order:
    // the values of their corners are final once found.
    triangles_.resize(faces.size());
    const size_t count = vertices.size();
    // The arrays' starts, held apart from the vectors so that stores into a corner do not make
    // the loop read them again.
    Corner* const corners = corners_.data();
    ShadedTriangle* const triangles = triangles_.data();
    ShadedTriangle* drawn = triangles;  // past the last face gathered
    const Vertex* const vertex = vertices.data();
    // The loop is made once for each kind of scene, so that it does not ask at every face whether
    // the scene is textured.
    const auto drawFaces = [&](auto textured) {
        for (const Face& face : faces) {
            const uint32_t* index = face.vertexIndex;
            if (index[0] >= count || index[1] >= count || index[2] >= count) continue;

            Corner& c0 = corners[index[0]];
            Corner& c1 = corners[index[1]];
            Corner& c2 = corners[index[2]];
            if (!isFrontFacing(c0.position.x, c0.position.y, c1.position.x, c1.position.y, c2.position.x,
                               c2.position.y))
                continue;
            if (!c0.finished) finish(c0, vertex[index[0]]);
            if (!c1.finished) finish(c1, vertex[index[1]]);
            if (!c2.finished) finish(c2, vertex[index[2]]);
            const ShadedCorner &p0 = c0.shaded, &p1 = c1.shaded, &p2 = c2.shaded;
            if constexpr (!decltype(textured)::value) {
                *drawn++ = ShadedTriangle{{&p0, &p1, &p2}};
            } else {
                const double z0 = p0.redDepth[1], z1 = p1.redDepth[1], z2 = p2.redDepth[1];
                const TexCoord* uv = face.uv;
                if (depthTested) {
                    surface->fillTriangleTexturedDepth(p0.x, p0.y, p1.x, p1.y, p2.x, p2.y, uv[0].u, uv[0].v, uv[1].u,
                                                       uv[1].v, uv[2].u, uv[2].v, c0.intensity, c1.intensity,
                                                       c2.intensity, texture, z0, z1, z2);
                } else {
                    surface->fillTriangleTextured(p0.x, p0.y, p1.x, p1.y, p2.x, p2.y, uv[0].u, uv[0].v, uv[1].u,
                                                  uv[1].v, uv[2].u, uv[2].v, c0.intensity, c1.intensity, c2.intensity,
                                                  texture);
                }
            }
        }
    };
    if (texture) {
        drawFaces(std::true_type{});
    } else {
        drawFaces(std::false_type{});
    }
    if (drawn != triangles) ShadedTriangles(*surface, depthTested).draw(triangles, size_t(drawn - triangles));
}

}  // namespace td
