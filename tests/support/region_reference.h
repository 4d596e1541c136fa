#pragma once
// The plain way of building a surface's window region, kept as the reference the fast one is
// compared with: every run of inside pixels becomes a rectangle region that is combined into the
// result as soon as the run closes, top row first and left to right. Quadratic in the run count
// under some GDI implementations; fine for tests and for the benchmark's comparison.

#include <cstdint>
#include <memory>
#include <random>

#include "platform/win32.h"
#include "render/surface.h"

namespace td::test {

inline HRGN referenceShapeRegion(const Surface& surface, uint32_t key) {
    if (!surface.pixels || surface.width <= 0 || surface.height <= 0) return nullptr;
    const uint8_t* payload = surface.pixels->intactPayload();
    const uint64_t bytes = uint64_t(surface.width) * uint64_t(surface.height) * 4;
    if (!payload || surface.pixels->count() < bytes) return nullptr;
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    auto close = [&](int32_t start, int32_t end, int32_t y) {
        if (HRGN run = CreateRectRgn(start, y, end, y + 1)) {
            CombineRgn(result, result, run, RGN_OR);
            DeleteObject(run);
        }
    };
    for (int32_t y = 0; y < surface.height; ++y) {
        int32_t start = -1;  // column of the open run, -1 when none is open
        for (int32_t x = 0; x < surface.width; ++x) {
            const uint8_t* p = payload + surface.pixelOffset(x, y);
            const uint32_t value =
                uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
            if (value != key && start < 0) start = x;
            if (value == key && start >= 0) {
                close(start, x, y);
                start = -1;
            }
        }
        if (start >= 0) close(start, surface.width, y);
    }
    return result;
}

// Test pictures for the window shape, in the pixel layout of a surface (no bitmap needed: the
// shape reads only the pixels).
constexpr uint32_t kKey = 0xFF00;  // pure green, the viewer's key colour

inline void setPixel(Surface& surface, int32_t x, int32_t y, uint32_t value) {
    uint8_t* p = surface.pixels->payload() + surface.pixelOffset(x, y);
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

// A width x height surface whose pixels all hold `value`.
inline void fillSurface(Surface& surface, int32_t width, int32_t height, uint32_t value) {
    surface.pixels = std::make_unique<ByteArray>(uint32_t(width) * uint32_t(height) * 4);
    surface.width = width;
    surface.height = height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) setPixel(surface, x, y, value);
}

// Inside pixels (any value but the key) where inside(x, y) holds, the key elsewhere.
template <typename Inside>
void paintShape(Surface& surface, int32_t width, int32_t height, Inside inside) {
    fillSurface(surface, width, height, kKey);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (inside(x, y)) setPixel(surface, x, y, 0x00336699u + uint32_t(x));
}

inline void paintCheckerboard(Surface& surface, int32_t width, int32_t height) {
    paintShape(surface, width, height, [](int32_t x, int32_t y) { return (x + y) % 2 == 0; });
}

// A ring between radii inner and outer about the centre: a silhouette with two runs in most rows.
inline void paintRing(Surface& surface, int32_t size, double inner, double outer) {
    const double c = (size - 1) / 2.0;
    paintShape(surface, size, size, [&](int32_t x, int32_t y) {
        const double d2 = (x - c) * (x - c) + (y - c) * (y - c);
        return d2 <= outer * outer && d2 >= inner * inner;
    });
}

// Each pixel inside with the given probability, from a fixed seed.
inline void paintRandom(Surface& surface, int32_t width, int32_t height, double density, uint32_t seed) {
    std::mt19937 random(seed);
    paintShape(surface, width, height, [&](int32_t, int32_t) { return random() < density * 4294967296.0; });
}

}  // namespace td::test
