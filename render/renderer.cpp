#include "render/renderer.h"

#include <vector>

#include "foundation/convert.h"

namespace td {

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

ScreenPoint Renderer::projectToSurface(Vec3 p) const {
    if (!surface) return ScreenPoint{};
    const double w = surface->width, h = surface->height;
    // The +1 puts a point half a pixel right of and above the pixel grid lines.
    return ScreenPoint{truncToInt32((w * p.x + 1.0) * 0.5 + double(surface->width / 2)),
                       truncToInt32(double(surface->height / 2) - (h * p.y + 1.0) * 0.5)};
}

bool Renderer::isFrontFacing(const Vertex& a, const Vertex& b, const Vertex& c) {
    const double d0x = b.position.x - a.position.x, d0y = b.position.y - a.position.y;
    const double d1x = c.position.x - b.position.x, d1y = c.position.y - b.position.y;
    const double f = d0x * d1y - d0y * d1x;
    return f >= 0.0;
}

void Renderer::render(const Scene* scene) {
    if (!scene || !surface) return;
    // The pass only reads the scene, so it works on the scene's own arrays: no copies, no
    // allocation per frame.
    const std::vector<Vertex>& vertices = scene->vertices;
    const std::vector<Face>& faces = scene->faces;
    const Texture* texture = scene->texture;
    const bool depthTested = (flags & kDepthTest) != 0;

    for (const Face& face : faces) {
        bool named = !vertices.empty();
        for (uint32_t index : face.vertexIndex) named = named && index < vertices.size();
        if (!named) continue;

        Vertex t[3];
        for (int k = 0; k < 3; ++k) t[k] = transformVertex(vertices[face.vertexIndex[k]]);
        if (!isFrontFacing(t[0], t[1], t[2])) continue;

        ScreenPoint p[3];
        double intensity[3] = {1.0, 1.0, 1.0};
        for (int k = 0; k < 3; ++k) p[k] = projectToSurface(t[k].position);
        if (light) {
            for (int k = 0; k < 3; ++k) intensity[k] = light->intensity(t[k].normal, t[k].position);
        }

        if (texture) {
            const TexCoord* uv = face.uv;
            if (depthTested) {
                surface->fillTriangleTexturedDepth(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, uv[0].u, uv[0].v,
                                                   uv[1].u, uv[1].v, uv[2].u, uv[2].v, intensity[0], intensity[1],
                                                   intensity[2], texture, t[0].position.z, t[1].position.z,
                                                   t[2].position.z);
            } else {
                surface->fillTriangleTextured(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, uv[0].u, uv[0].v,
                                              uv[1].u, uv[1].v, uv[2].u, uv[2].v, intensity[0], intensity[1],
                                              intensity[2], texture);
            }
            continue;
        }
        uint32_t colour[3];
        for (int k = 0; k < 3; ++k) colour[k] = packColour(Colour(t[k].colour).scale(intensity[k]));
        if (depthTested) {
            surface->fillTriangleShadedDepth(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, colour[0], colour[1],
                                             colour[2], t[0].position.z, t[1].position.z, t[2].position.z);
        } else {
            surface->fillTriangleShaded(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, colour[0], colour[1],
                                        colour[2]);
        }
    }
}

}  // namespace td
