// The scene render pass, observed through the pixels it produces.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "raster_test_fixtures.h"
#include "render/renderer.h"
#include "tools/snapshot/demo_frame.h"

namespace td {
namespace {

using testing::kBackground;
using testing::makeSurface;
using testing::maskOf;
using testing::pixelAt;
using testing::TestTexture;
using testing::untouchedOutsideColours;

Vertex vertex(double x, double y, double z, Colour colour = Colour{200, 100, 50}) {
    return Vertex{Vec3{x, y, z}, colour, Vec3{0, 0, 1}};
}

Face face(uint32_t a, uint32_t b, uint32_t c) {
    Face f;
    f.vertexIndex[0] = a;
    f.vertexIndex[1] = b;
    f.vertexIndex[2] = c;
    f.uv[0] = {0.0, 0.0};
    f.uv[1] = {1.0, 0.0};
    f.uv[2] = {0.0, 1.0};
    return f;
}

// The renderer as the program sets it up, on the given surface.
struct ProgramRenderer {
    Light light{Vec3{0, 0, -1}, double(0.1f)};
    Renderer renderer;

    explicit ProgramRenderer(Surface* s, uint32_t flags = 0x21) {
        renderer.surface = s;
        renderer.light = &light;
        renderer.setCamera(Matrix4::perspective(10.0));
        renderer.flags = flags;
    }
};

bool sameSurfaces(Surface& a, Surface& b) {
    return a.pixels->count() == b.pixels->count() &&
           std::memcmp(a.pixels->intactPayload(), b.pixels->intactPayload(), a.pixels->count()) == 0;
}

TEST(Renderer, NewRendererAndMatrixUpdates) {
    Renderer r;
    EXPECT_EQ(r.flags, 0x01u);
    EXPECT_EQ(r.surface, nullptr);
    EXPECT_EQ(r.light, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.combined.m[i], Matrix4::identity().m[i]);
    r.setModel(Matrix4::rotationX(0.5));
    r.setCamera(Matrix4::perspective(10.0));
    const Matrix4 expected = multiply(Matrix4::perspective(10.0), Matrix4::rotationX(0.5));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.combined.m[i], expected.m[i]);
}

TEST(Renderer, ProjectionAndOrientation) {
    auto s = makeSurface(400, 400);
    Renderer r;
    EXPECT_EQ(r.projectToSurface(Vec3{0.3, 0.3, 0}).x, 0);  // no surface
    r.surface = s.get();
    const ScreenPoint centre = r.projectToSurface(Vec3{0, 0, 0});
    EXPECT_EQ(centre.x, 200);
    EXPECT_EQ(centre.y, 199);
    const ScreenPoint corner = r.projectToSurface(Vec3{1, 1, 0});
    EXPECT_EQ(corner.x, 400);
    EXPECT_EQ(corner.y, 0);
    const ScreenPoint distant = r.projectToSurface(Vec3{1e12, -1e12, 0});
    EXPECT_EQ(distant.x, INT32_MAX);
    EXPECT_EQ(distant.y, INT32_MAX);
    EXPECT_EQ(r.projectToSurface(Vec3{std::nan(""), 0, 0}).x, 0);

    const Vertex a = vertex(0, 0, 0), b = vertex(1, 0, 0), c = vertex(0, 1, 0);
    EXPECT_TRUE(Renderer::isFrontFacing(a, b, c));
    EXPECT_FALSE(Renderer::isFrontFacing(a, c, b));
    EXPECT_TRUE(Renderer::isFrontFacing(a, b, vertex(2, 0, 0)));  // collinear is drawn
    EXPECT_FALSE(Renderer::isFrontFacing(a, b, vertex(0, std::nan(""), 0)));
}

TEST(Renderer, TransformedNormalLightsTheCorner) {
    Renderer r;
    r.setCamera(Matrix4::perspective(10.0));
    const Light light{Vec3{0, 0, -1}, double(0.1f)};
    Vertex v = vertex(0, 0, 0);
    EXPECT_EQ(light.intensity(r.transformVertex(v).normal, {}), 1.0);
    v.normal = Vec3{0, 0, -1};
    EXPECT_EQ(light.intensity(r.transformVertex(v).normal, {}), double(0.1f));
    // The tip (0, 0, 1) divides by w = 0.9: the normal comes back a little longer than 1.
    EXPECT_DOUBLE_EQ(r.transformVertex(vertex(0, 0, 0)).normal.z, 1.0 / 0.9);
}

TEST(Renderer, WorkedFaceIsDrawnAsOneDepthTestedShadedTriangle) {
    Scene scene;
    scene.vertices = {vertex(0, 0, 0), vertex(1, 0, 0), vertex(0, 1, 0)};
    scene.faces = {face(0, 1, 2)};
    auto s = makeSurface(400, 400);
    ProgramRenderer program(s.get());
    program.renderer.render(&scene);

    auto expected = makeSurface(400, 400);
    expected->fillTriangleShadedDepth(200, 199, 400, 199, 200, 0, 3302600, 3302600, 3302600, 0, 0, 0);
    EXPECT_TRUE(sameSurfaces(*s, *expected));
    EXPECT_EQ(pixelAt(*s, 250, 150), 3302600u);
    EXPECT_EQ(s->depth->values->get(150 * 400 + 250), 0.0);

    // The same corners in the opposite order turn their back to the viewer.
    auto culled = makeSurface(400, 400);
    scene.faces = {face(0, 2, 1)};
    program.renderer.surface = culled.get();
    program.renderer.render(&scene);
    EXPECT_EQ(maskOf(*culled).find('#'), std::string::npos);
    EXPECT_EQ(scene.faces.size(), 1u);  // the pass reads copies; the scene stays as it was
}

TEST(Renderer, ALightOfItsOwnTypeIsAskedItself) {
    struct HalfLight : Light {
        double intensity(Vec3, Vec3) const override { return 0.5; }
    } half;
    Scene scene;
    scene.vertices = {vertex(0, 0, 0), vertex(1, 0, 0), vertex(0, 1, 0)};
    scene.faces = {face(0, 1, 2)};
    auto s = makeSurface(400, 400);
    ProgramRenderer program(s.get());
    program.renderer.light = &half;
    program.renderer.render(&scene);
    EXPECT_EQ(pixelAt(*s, 250, 150), packColour(Colour{100, 50, 25}));
}

TEST(Renderer, FacesNamingMissingVerticesAreSkipped) {
    Scene scene;
    scene.vertices = {vertex(-1, -1, 0, {255, 0, 0}), vertex(0, -1, 0, {255, 0, 0}), vertex(-1, 0, 0, {255, 0, 0}),
                      vertex(0, 0, 0, {0, 0, 255}), vertex(1, 0, 0, {0, 0, 255}), vertex(0, 1, 0, {0, 0, 255})};
    scene.faces = {face(0, 1, 2), face(3, 4, 6), face(3, 4, 0xFFFFFFFF), face(3, 4, 5)};
    auto s = makeSurface(16, 16);
    ProgramRenderer program(s.get());
    program.renderer.render(&scene);
    EXPECT_EQ(pixelAt(*s, 2, 13), 0x0000FFu);  // the first face
    EXPECT_EQ(pixelAt(*s, 10, 5), 0xFF0000u);  // the last face

    // Without vertices nothing is drawn, whatever the faces; nor without a surface or a scene.
    Scene empty;
    empty.faces = {face(0, 0, 0)};
    auto blank = makeSurface(4, 4);
    program.renderer.surface = blank.get();
    program.renderer.render(&empty);
    program.renderer.render(nullptr);
    EXPECT_EQ(maskOf(*blank).find('#'), std::string::npos);
    program.renderer.surface = nullptr;
    program.renderer.render(&scene);
}

TEST(Renderer, DepthFlagChoosesWhichOverlapWins) {
    // A near red face drawn first, a far blue face drawn over it.
    Scene scene;
    scene.vertices = {vertex(-1, -1, 1, {255, 0, 0}),  vertex(1, -1, 1, {255, 0, 0}),
                      vertex(-1, 1, 1, {255, 0, 0}),   vertex(-1, -1, -1, {0, 0, 255}),
                      vertex(1, -1, -1, {0, 0, 255}),  vertex(-1, 1, -1, {0, 0, 255})};
    scene.faces = {face(0, 1, 2), face(3, 4, 5)};
    for (uint32_t flags : {0x01u, 0x21u}) {
        auto s = makeSurface(32, 32);
        Renderer r;
        r.surface = s.get();
        r.flags = flags;
        r.render(&scene);
        // Unlit and undivided: the vertex colours reach the fill unchanged.
        EXPECT_EQ(pixelAt(*s, 4, 20), flags == 0x21 ? 0x0000FFu : 0xFF0000u) << flags;
    }
}

TEST(Renderer, TextureChoosesTheTexturedFills) {
    TestTexture t(8, 8);
    Scene scene;
    scene.vertices = {vertex(-1, -1, 0), vertex(1, -1, 0), vertex(-1, 1, 0)};
    scene.faces = {face(0, 1, 2)};
    scene.texture = &t.texture;
    for (uint32_t flags : {0x01u, 0x21u}) {
        auto s = makeSurface(16, 16);
        ProgramRenderer program(s.get(), flags);
        program.renderer.render(&scene);
        auto expected = makeSurface(16, 16);
        if (flags == 0x21) {
            expected->fillTriangleTexturedDepth(0, 15, 16, 15, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1, &t.texture, 0, 0, 0);
        } else {
            expected->fillTriangleTextured(0, 15, 16, 15, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1, &t.texture);
        }
        EXPECT_TRUE(sameSurfaces(*s, *expected)) << flags;
        EXPECT_EQ(pixelAt(*s, 2, 13) >> 16, 200u);  // a texel, not the vertex colour
    }
}

TEST(Renderer, ExtremeCornersFinishAndStayInsideThePayload) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Scene scene;
    scene.vertices = {vertex(-1e12, -1e12, 0), vertex(1e12, -1e12, 0), vertex(0, 1e12, 0),
                      vertex(nan, 0, 0),        vertex(0.5, nan, 0),    vertex(0, 0, nan),
                      vertex(-0.5, -0.5, 9.9999999), vertex(0.5, -0.5, 10.0 - 1e-9), vertex(0, 0.5, 9.99999999),
                      vertex(inf, -inf, 0),     vertex(2147483648.0, 0, 0), vertex(0, -2147483649.0, 0)};
    scene.vertices[4].normal = Vec3{nan, nan, nan};
    scene.faces = {face(0, 1, 2), face(3, 4, 5), face(0, 4, 2), face(6, 7, 8), face(9, 10, 11), face(1, 2, 10),
                   face(6, 1, 8)};
    TestTexture t(4, 4);
    for (const Texture* texture : {static_cast<const Texture*>(nullptr), static_cast<const Texture*>(&t.texture)}) {
        scene.texture = texture;
        for (uint32_t flags : {0x01u, 0x21u}) {
            auto s = makeSurface(64, 64);
            ProgramRenderer program(s.get(), flags);
            program.renderer.setModel(Matrix4::rotationX(0.3));
            program.renderer.render(&scene);
            EXPECT_TRUE(untouchedOutsideColours(*s));
            EXPECT_TRUE(s->depth->values->guardsIntact());
        }
    }
}

// The pass hands its shaded faces to the fills in one batch; whatever the surface's depth buffer,
// and wherever the faces fall, the result is that of one fill call per face as the pass describes.
TEST(Renderer, ShadedFacesDrawAsOneFillCallEach) {
    enum DepthState { kPlain, kNoBuffer, kOtherSize, kNoValues };
    const Scene scene = demo::makeScene();
    for (DepthState state : {kPlain, kNoBuffer, kOtherSize, kNoValues}) {
        for (uint32_t flags : {0x01u, 0x21u}) {
            for (double scale : {1.0, 40.0}) {  // the model in view, and far beyond every border
                std::unique_ptr<Surface> drawn[2];
                for (auto& s : drawn) {
                    s = makeSurface(48, 40, state != kNoBuffer);
                    if (state == kOtherSize) s->depth->create(49, 40);
                    if (state == kNoValues) s->depth->values.reset();
                }
                ProgramRenderer program(drawn[0].get(), flags);
                Matrix4 model = multiply(Matrix4::rotationX(0.6), Matrix4::rotationY(0.4));
                for (int k = 0; k < 12; ++k) model.m[k] *= scale;
                program.renderer.setModel(model);
                program.renderer.render(&scene);

                const Renderer& r = program.renderer;
                for (const Face& f : scene.faces) {
                    Vertex t[3];
                    ScreenPoint p[3];
                    uint32_t c[3];
                    for (int k = 0; k < 3; ++k) {
                        t[k] = r.transformVertex(scene.vertices[f.vertexIndex[k]]);
                        p[k] = r.projectToSurface(t[k].position);
                        const double intensity = program.light.intensity(t[k].normal, t[k].position);
                        c[k] = packColour(Colour(t[k].colour).scale(intensity));
                    }
                    if (!Renderer::isFrontFacing(t[0], t[1], t[2])) continue;
                    if (flags == 0x21) {
                        drawn[1]->fillTriangleShadedDepth(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, c[0], c[1],
                                                          c[2], t[0].position.z, t[1].position.z, t[2].position.z);
                    } else {
                        drawn[1]->fillTriangleShaded(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, c[0], c[1], c[2]);
                    }
                }
                EXPECT_TRUE(sameSurfaces(*drawn[0], *drawn[1])) << state << " " << flags << " " << scale;
                if (state != kNoBuffer && state != kNoValues) {
                    const DoubleArray& a = *drawn[0]->depth->values;
                    const DoubleArray& b = *drawn[1]->depth->values;
                    EXPECT_EQ(std::memcmp(a.intactPayload(), b.intactPayload(), a.count() * sizeof(double)), 0)
                        << state;
                }
                if (scale == 1.0 && state != kNoBuffer) {
                    EXPECT_NE(maskOf(*drawn[0]).find('#'), std::string::npos) << state << " " << flags;
                }
            }
        }
    }
}

}  // namespace
}  // namespace td
