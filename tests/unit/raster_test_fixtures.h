#pragma once
// Small surfaces and textures for the renderer's tests, and readable pictures of what was drawn.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/math.h"
#include "platform/win32.h"
#include "render/surface.h"
#include "render/texture.h"

namespace td::testing {

constexpr uint32_t kBackground = 0x00123456;  // red 0x56, green 0x34, blue 0x12

// The packed colour (red | green << 8 | blue << 16) of pixel (x, y).
inline uint32_t pixelAt(Surface& s, int32_t x, int32_t y) {
    const uint8_t* p = s.pixels->intactPayload() + s.pixelOffset(x, y);
    return uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
}

// A ready surface cleared to kBackground, with every fourth byte zero as created.
inline std::unique_ptr<Surface> makeSurface(int32_t width, int32_t height, bool withDepth = true) {
    auto s = std::make_unique<Surface>();
    EXPECT_TRUE(s->create(width, height, withDepth));
    const Colour c = unpackColour(kBackground);
    s->clear(c.blue, c.green, c.red);
    return s;
}

// One line per row, top row first: '#' where the pixel differs from kBackground, '.' elsewhere.
inline std::string maskOf(Surface& s) {
    std::string mask;
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) mask += pixelAt(s, x, y) == kBackground ? '.' : '#';
        mask += '\n';
    }
    return mask;
}

// True when both guard cells are intact and no fourth byte was written.
inline bool untouchedOutsideColours(Surface& s) {
    const uint8_t* p = s.pixels->intactPayload();
    if (!p) return false;
    for (uint32_t i = 3; i < s.pixels->count(); i += 4)
        if (p[i] != 0) return false;
    return true;
}

// A texture whose texel (x, y) has red = x, green = y and blue = 200, with a real bitmap handle.
struct TestTexture {
    Texture texture;

    TestTexture(int32_t width, int32_t height) {
        HDC screen = GetDC(nullptr);
        texture.bitmap = CreateCompatibleBitmap(screen, 1, 1);
        ReleaseDC(nullptr, screen);
        texture.width = width;
        texture.height = height;
        texture.pixels = std::make_unique<ByteArray>(uint32_t(width) * uint32_t(height) * 4);
        uint8_t* p = texture.pixels->intactPayload();
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* texel = p + (size_t(height - 1 - y) * width + x) * 4;
                texel[0] = 200;
                texel[1] = uint8_t(y);
                texel[2] = uint8_t(x);
            }
        }
    }
    ~TestTexture() {
        if (texture.bitmap) DeleteObject(texture.bitmap);
    }
    TestTexture(const TestTexture&) = delete;
    TestTexture& operator=(const TestTexture&) = delete;
};

}  // namespace td::testing
