#pragma once
// The bitmap and device-context objects of the headless GDI. Internal to platform/headless.

#include <vector>

#include "platform/headless/objects.h"
#include "platform/win32.h"

namespace headless {

size_t countObjects(ObjectKind kind);

struct Bitmap : Object {
    static constexpr ObjectKind Kind = ObjectKind::Bitmap;
    Bitmap(int width, int height, int bitsPerPixel)
        : Object(Kind), width(width), height(height), bitsPerPixel(bitsPerPixel),
          pixels(static_cast<size_t>(width) * height, 0u) {}
    int width;
    int height;
    int bitsPerPixel;
    // 0xXXRRGGBB per pixel, row 0 at the top, already reduced to what the bit depth can hold.
    std::vector<uint32_t> pixels;
    HDC selectedInto = nullptr;
    bool deletePending = false;  // DeleteObject came while selected into a DC
};

struct Dc : Object {
    static constexpr ObjectKind Kind = ObjectKind::Dc;
    Dc() : Object(Kind) {}
    bool memory = false;  // made by CreateCompatibleDC; otherwise obtained with GetDC
    HWND window = nullptr;
    HBITMAP bitmap = nullptr;  // the bitmap selected into a memory DC
};

struct Brush : Object {
    static constexpr ObjectKind Kind = ObjectKind::Brush;
    explicit Brush(COLORREF colour) : Object(Kind), colour(colour) {}
    COLORREF colour;
};

// The USER part answers whether a window handle names a live window; until it registers an
// answer, every handle is taken as valid.
using WindowValidator = bool (*)(HWND);
void setWindowValidator(WindowValidator validator);

}  // namespace headless
