#pragma once
// The renderer's drawing target: 32-bit pixels in the program's own memory, paired with a GDI
// bitmap compatible with the screen and optionally with a depth buffer.
//
// Pixel layout: four bytes a pixel (blue, green, red, then a fourth byte that the renderer never
// writes and that stays zero), rows of width * 4 bytes with no padding, stored bottom row first.
// That is the memory form of a 32-bit BI_RGB DIB with positive height, so the whole payload moves
// to and from the bitmap in one GetDIBits or SetDIBits call.

#include <cstdint>
#include <memory>

#include "foundation/guarded_array.h"
#include "platform/win32.h"
#include "render/depth_buffer.h"

namespace td {

class HistogramEqualiser;
class Texture;

class Surface {
public:
    Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() { destroy(); }

    // Replaces whatever the surface held with a width x height image read from a new compatible
    // bitmap, and a cleared depth buffer when asked. Fails unless the display gives 32-bit
    // compatible bitmaps.
    bool create(int32_t width, int32_t height, bool withDepth);
    // Stores b0, b1, b2 into bytes 0, 1, 2 of every pixel (byte 3 untouched), then clears the depth.
    void clear(uint8_t b0, uint8_t b1, uint8_t b2);
    // Moves the pixels into the bitmap and copies it to the top-left corner of the target.
    bool present(HDC target);
    // Releases the pixels and the depth buffer; the bitmap stays.
    void releaseBuffers();
    // Releases everything; the result of deleting the bitmap, or 0 when there was none.
    BOOL destroy();

    // The byte offset of pixel (x, y), y = 0 the top row, in the pixel payload. Taken in 64 bits:
    // with a 32-bit size_t, a size larger than the array could wrap the offset back into range.
    uint64_t pixelOffset(int32_t x, int32_t y) const {
        return (uint64_t(height - 1 - y) * uint64_t(width) + uint64_t(x)) * 4;
    }

    // Triangle fills: the three points, then the per-vertex attributes of the same index.
    void fillTriangleShaded(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                            uint32_t c0, uint32_t c1, uint32_t c2);
    void fillTriangleShadedDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                 uint32_t c0, uint32_t c1, uint32_t c2, double z0, double z1, double z2);
    void fillTriangleTextured(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                              double u0, double v0, double u1, double v1, double u2, double v2,
                              double i0, double i1, double i2, const Texture* texture);
    void fillTriangleTexturedDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                   double u0, double v0, double u1, double v1, double u2, double v2,
                                   double i0, double i1, double i2, const Texture* texture,
                                   double z0, double z1, double z2);

    // Row spans from column xa (first end) to column xb (second end) of row y.
    void fillSpanShaded(int32_t xa, int32_t y, int32_t xb, uint32_t ca, uint32_t cb);
    void fillSpanShadedDepth(int32_t xa, int32_t y, int32_t xb, uint32_t ca, uint32_t cb, double za, double zb);
    void fillSpanTextured(int32_t xa, int32_t y, int32_t xb, double ua, double va, double ub, double vb,
                          double ia, double ib, const Texture* texture);
    void fillSpanTexturedDepth(int32_t xa, int32_t y, int32_t xb, double ua, double va, double ub, double vb,
                               double ia, double ib, const Texture* texture, double za, double zb);

    // Pixel writes; each checks bounds, the bitmap and the pixel guards for itself.
    void putPixel(int32_t x, int32_t y, uint32_t colour);
    void putPixelDepth(int32_t x, int32_t y, uint32_t colour, double z);

    // The window region of every pixel whose 32-bit value differs from the key, in surface
    // coordinates (row 0 at the top); null when the surface has no usable pixels. The caller owns it.
    // With a counter, the pixels are counted into it as the shape is found, for
    // HistogramEqualiser::equaliseCounted.
    HRGN shapeRegion(uint32_t key, HistogramEqualiser* counter = nullptr) const;

    HBITMAP bitmap = nullptr;  // also the mark of a usable surface
    int32_t bitmapWidth = 0;
    int32_t bitmapHeight = 0;
    std::unique_ptr<ByteArray> pixels;
    std::unique_ptr<DepthBuffer> depth;
    int32_t width = 0;
    int32_t height = 0;

private:
    void createBitmap(int32_t width, int32_t height);
    BITMAPINFOHEADER queryBitmapInfo() const;
    static int32_t readBitmapBits(HBITMAP bitmap, uint8_t* bits, int32_t width, int32_t height);
    static int32_t writeBitmapBits(HBITMAP bitmap, const uint8_t* bits, int32_t width, int32_t height);
    HDC createMemoryDC(HWND window) const;
};

}  // namespace td
