#include "render/surface.h"

#include <cstring>

#include "foundation/bytes.h"

namespace td {
namespace {

// A BITMAPINFO with room for what GDI may append to the header: the three colour masks of a
// bit-field format, or a colour table.
struct BitmapInfoWithColours {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

BitmapInfoWithColours transferInfo(int32_t width, int32_t height) {
    BitmapInfoWithColours info;
    std::memset(&info, 0, sizeof info);
    BITMAPINFOHEADER& h = info.header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;  // positive: rows bottom-up, as the payload stores them
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    return info;
}

// Takes the size from the bitmap itself when the caller gave none.
void completeSize(HDC dc, HBITMAP bitmap, int32_t& width, int32_t& height) {
    if (width > 0 && height > 0) return;
    BitmapInfoWithColours info;
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    if (GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) > 0) {
        width = info.header.biWidth;
        height = info.header.biHeight;
    }
}

// Bytes moved by a transfer of `rows` rows of `width` pixels; 0 when either is not positive.
int32_t bytesMoved(int rows, int32_t width) {
    if (rows <= 0 || width <= 0) return 0;
    const int64_t bytes = int64_t{rows} * width * 4;
    return bytes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(bytes);
}

}  // namespace

bool Surface::create(int32_t w, int32_t h, bool withDepth) {
    releaseBuffers();
    createBitmap(w, h);
    const uint32_t size = queryBitmapInfo().biSizeImage;
    bool ok = false;
    if (bitmap && size != 0) {
        pixels = std::make_unique<ByteArray>(size);
        if (uint8_t* payload = pixels->intactPayload()) {
            // Only a display with 32-bit compatible bitmaps reports exactly four bytes a pixel; the
            // 32-bit transfer into an array of any other size would not fill it exactly (or would
            // overrun it), so it is not made. A side of 0 or less is no image either, although GDI
            // makes a bitmap for it (one monochrome pixel for a side of 0, the absolute size for
            // negative sides, so -3 x -4 has the size of 3 x 4).
            const bool fits = w > 0 && h > 0 && int64_t{w} * h * 4 == int64_t{size};
            ok = fits && readBitmapBits(bitmap, payload, w, h) == static_cast<int32_t>(size);
            if (withDepth) {
                depth = std::make_unique<DepthBuffer>();
                if (!depth->create(w, h)) depth.reset();
            }
            if (ok) {
                width = w;
                height = h;
                return true;
            }
        }
    }
    if (bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
        bitmapWidth = bitmapHeight = 0;
    }
    return false;
}

void Surface::clear(uint8_t b0, uint8_t b1, uint8_t b2) {
    if (bitmap && pixels) {
        if (uint8_t* p = pixels->intactPayload()) {
            // Whole pixels at a time: bytes 0-2 replaced, byte 3 kept.
            const uint32_t colour = wordOfBytes(b0, b1, b2, 0);
            const uint32_t count = pixels->count() / 4;
            const uint32_t kept = wordOfBytes(0, 0, 0, 0xFF);
            for (uint32_t i = 0; i < count; ++i, p += 4) storeWord(p, (loadWord(p) & kept) | colour);
        }
    }
    if (depth) depth->clear();
}

bool Surface::present(HDC target) {
    if (!target || !bitmap || !pixels) return false;
    const uint8_t* payload = pixels->intactPayload();
    if (!payload) return false;
    // The transfer reads bitmapWidth x bitmapHeight pixels from the payload: never more than it holds.
    if (int64_t{bitmapWidth} * bitmapHeight * 4 != int64_t{pixels->count()}) return false;
    if (writeBitmapBits(bitmap, payload, bitmapWidth, bitmapHeight) != static_cast<int32_t>(pixels->count()))
        return false;
    HDC memoryDC = createMemoryDC(nullptr);
    if (!memoryDC) return false;
    BitBlt(target, 0, 0, width, height, memoryDC, 0, 0, SRCCOPY);
    DeleteDC(memoryDC);
    return true;
}

void Surface::releaseBuffers() {
    pixels.reset();
    width = 0;
    height = 0;
    depth.reset();
}

BOOL Surface::destroy() {
    releaseBuffers();
    if (!bitmap) return 0;
    const BOOL result = DeleteObject(bitmap);
    bitmap = nullptr;
    bitmapWidth = bitmapHeight = 0;
    return result;
}

void Surface::createBitmap(int32_t w, int32_t h) {
    if (bitmap) {
        DeleteObject(bitmap);
        bitmap = nullptr;
        bitmapWidth = bitmapHeight = 0;
    }
    if (HDC dc = GetDC(GetDesktopWindow())) {
        bitmap = CreateCompatibleBitmap(dc, w, h);
        bitmapWidth = w;
        bitmapHeight = h;
        ReleaseDC(GetDesktopWindow(), dc);
    }
    if (!bitmap) bitmapWidth = bitmapHeight = 0;
}

BITMAPINFOHEADER Surface::queryBitmapInfo() const {
    BitmapInfoWithColours info;
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    if (!bitmap) return info.header;
    if (HDC dc = GetDC(GetDesktopWindow())) {
        GetDIBits(dc, bitmap, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        ReleaseDC(GetDesktopWindow(), dc);
    }
    return info.header;
}

int32_t Surface::readBitmapBits(HBITMAP bitmap, uint8_t* bits, int32_t w, int32_t h) {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    completeSize(dc, bitmap, w, h);
    int rows = 0;
    if (w > 0 && h > 0) {
        BitmapInfoWithColours info = transferInfo(w, h);
        rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), bits, reinterpret_cast<BITMAPINFO*>(&info),
                         DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, dc);
    return bytesMoved(rows, w);
}

int32_t Surface::writeBitmapBits(HBITMAP bitmap, const uint8_t* bits, int32_t w, int32_t h) {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    completeSize(dc, bitmap, w, h);
    int rows = 0;
    if (w > 0 && h > 0) {
        const BitmapInfoWithColours info = transferInfo(w, h);
        rows = SetDIBits(dc, bitmap, 0, static_cast<UINT>(h), bits, reinterpret_cast<const BITMAPINFO*>(&info),
                         DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, dc);
    return bytesMoved(rows, w);
}

HDC Surface::createMemoryDC(HWND window) const {
    HDC dc = GetDC(window);
    if (!dc) return nullptr;
    HDC memoryDC = CreateCompatibleDC(dc);
    if (memoryDC && bitmap) {
        SelectObject(memoryDC, bitmap);
        ReleaseDC(window, dc);
        return memoryDC;
    }
    if (memoryDC) DeleteDC(memoryDC);
    ReleaseDC(window, dc);
    return nullptr;
}

}  // namespace td
