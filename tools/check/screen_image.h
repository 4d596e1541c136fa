#pragma once
// Pictures of the screen for the checker: what a rectangle of the screen shows, read through
// GDI as any program may read it, and BMP files that keep a failed check's evidence.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace td::check {

// A picture of 0x00RRGGBB values, rows top first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Image() = default;
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    bool operator==(const Image& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
    bool operator!=(const Image& other) const { return !(*this == other); }
};

// What the screen shows in `area` (screen coordinates), copied from the screen's device context;
// an empty image when the copy fails.
Image captureScreen(const RECT& area);

// Writes the picture as a 24-bit BMP file; false when the file cannot be written.
bool writeBmp(const std::string& path, const Image& image);

}  // namespace td::check
