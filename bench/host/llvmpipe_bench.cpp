// Mesa's llvmpipe with one thread drawing the render pass's own triangles, beside our clear and
// render in the same run. Built only where EGL and OpenGL are found; it draws into an off-screen
// 400 x 400 buffer of a surfaceless display, so it needs no X server.

#include <benchmark/benchmark.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ratios.h"
#include "reference_views.h"

namespace {

using bench::kSide;

// The context, made current on first use; false when the driver cannot give one.
bool glReady() {
    static const bool ready = [] {
        // Rasterize on the calling thread only, with Mesa's LLVM-compiled software driver.
        setenv("LP_NUM_THREADS", "0", 1);
        setenv("GALLIUM_DRIVER", "llvmpipe", 1);
        const auto platformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!platformDisplay) return false;
        EGLDisplay display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                           EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_RENDERABLE_TYPE,
                                           EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config;
        EGLint configs = 0;
        if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) return false;
        const EGLint size[] = {EGL_WIDTH, kSide, EGL_HEIGHT, kSide, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, config, size);
        if (surface == EGL_NO_SURFACE || !eglBindAPI(EGL_OPENGL_API)) return false;
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context)) return false;
        // Pixels with y down, as our corners have them; the larger z nearer, as in our depth test.
        glViewport(0, 0, kSide, kSide);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, kSide, kSide, 0.0, -1e3, 1e3);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glShadeModel(GL_SMOOTH);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        std::fprintf(stderr, "reference driver: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        return true;
    }();
    return ready;
}

// One view's triangles in a vertex buffer: position (x, y, z as floats) and colour bytes.
struct GlVertex {
    float x, y, z;
    uint8_t rgba[4];
};

struct GlView {
    GLuint buffer = 0;
    GLsizei count = 0;
};

// Every view in a buffer of its own; none when there is no context.
std::vector<GlView> upload(const bench::Views& views) {
    std::vector<GlView> uploaded;
    if (!glReady()) return uploaded;
    for (const auto& corners : views) {
        std::vector<GlVertex> vertices;
        for (const bench::PlainCorner& c : corners)
            vertices.push_back({float(c.x) + 0.5f, float(c.y) + 0.5f, float(c.z),
                                {uint8_t(c.red), uint8_t(c.green), uint8_t(c.blue), 255}});
        GlView v;
        glGenBuffers(1, &v.buffer);
        glBindBuffer(GL_ARRAY_BUFFER, v.buffer);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(GlVertex)), vertices.data(), GL_STATIC_DRAW);
        v.count = GLsizei(vertices.size());
        uploaded.push_back(v);
    }
    return uploaded;
}

void clearAndDraw(const GlView& view) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindBuffer(GL_ARRAY_BUFFER, view.buffer);
    glVertexPointer(3, GL_FLOAT, sizeof(GlVertex), nullptr);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GlVertex), reinterpret_cast<const void*>(offsetof(GlVertex, rgba)));
    glDrawArrays(GL_TRIANGLES, 0, view.count);
    glFinish();
}

// The pixels not of the clear colour, read back once after the timing.
double coveredPixels() {
    std::vector<uint8_t> rgba(size_t{kSide} * kSide * 4);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    double covered = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) covered += !(rgba[i] == 0 && rgba[i + 1] == 255 && rgba[i + 2] == 0);
    return covered;
}

void llvmpipeClearAndRender(benchmark::State& state, const std::vector<GlView>& buffers) {
    if (buffers.empty()) {
        state.SkipWithError("no EGL display with OpenGL");
        return;
    }
    clearAndDraw(buffers[0]);  // compiles the driver's shaders outside the timing
    size_t i = 0;
    for (auto _ : state) clearAndDraw(buffers[i++ % buffers.size()]);
    clearAndDraw(buffers[0]);
    state.counters["covered"] = coveredPixels();
}

void BM_LlvmpipeClearRender(benchmark::State& state) {
    static const std::vector<GlView> buffers = upload(bench::embeddedViews());
    llvmpipeClearAndRender(state, buffers);
}
BENCHMARK(BM_LlvmpipeClearRender)->Unit(benchmark::kMicrosecond);

void BM_LlvmpipeClearRenderKnot10(benchmark::State& state) {
    static const std::vector<GlView> buffers = upload(bench::knot10Views());
    llvmpipeClearAndRender(state, buffers);
}
BENCHMARK(BM_LlvmpipeClearRenderKnot10)->Unit(benchmark::kMicrosecond);

void BM_LlvmpipeClearRenderKnotMillion(benchmark::State& state) {
    static const std::vector<GlView> buffers = upload(bench::knotMillionViews());
    llvmpipeClearAndRender(state, buffers);
}
BENCHMARK(BM_LlvmpipeClearRenderKnotMillion)->Unit(benchmark::kMicrosecond);

const bool kRatios = bench::addRatio("llvmpipe, one thread / clear + render", "BM_LlvmpipeClearRender",
                                     "BM_ClearRender") &&
                     bench::addRatio("llvmpipe, one thread / clear + render, knot x10",
                                     "BM_LlvmpipeClearRenderKnot10", "BM_ClearRenderKnot10") &&
                     bench::addRatio("clear + render / llvmpipe, one thread, knot 1M", "BM_ClearRenderKnotMillion",
                                     "BM_LlvmpipeClearRenderKnotMillion");

}  // namespace
