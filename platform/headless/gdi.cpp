// The GDI and KERNEL part of the headless stand-in.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/headless/gdi_objects.h"
#include "platform/headless/inspect.h"

namespace headless {
namespace {

constexpr uintptr_t kDesktopWindow = 0x10010;
constexpr uintptr_t kModule = 0x400000;

struct GdiState {
    int screenDepth = 32;
    Faults faults;
    WindowValidator validator = nullptr;
    std::map<HWND, Canvas> canvases;  // the null window is the screen
    size_t blits = 0;
    BlitRecord lastBlit;
    HBITMAP stockBitmap = nullptr;  // the 1 x 1 monochrome bitmap of a new memory DC
    HBRUSH stockBrush = nullptr;    // the white brush of a new DC
};

GdiState& state() {
    static GdiState s;
    return s;
}

HBITMAP stockBitmap() {
    GdiState& s = state();
    if (!s.stockBitmap) {
        auto bitmap = std::make_unique<Bitmap>(1, 1, 1);
        bitmap->stock = true;
        s.stockBitmap = toHandle<HBITMAP>(addObject(std::move(bitmap)));
    }
    return s.stockBitmap;
}

HBRUSH stockBrush() {
    GdiState& s = state();
    if (!s.stockBrush) {
        auto brush = std::make_unique<Brush>(RGB(255, 255, 255));
        brush->stock = true;
        s.stockBrush = toHandle<HBRUSH>(addObject(std::move(brush)));
    }
    return s.stockBrush;
}

// Takes a bitmap out of its DC; a bitmap deleted while selected goes now. True when it went.
bool deselect(HBITMAP bitmap) {
    Bitmap* b = find<Bitmap>(bitmap);
    if (!b) return false;
    b->selectedInto = nullptr;
    if (!b->deletePending) return false;
    removeObject(bitmap);
    return true;
}

bool isDesktop(HWND window) { return reinterpret_cast<uintptr_t>(window) == kDesktopWindow; }

// Bytes in one row of a bitmap of the given depth: rows are padded to 32 bits.
uint32_t stride(int width, int bitsPerPixel) {
    return (static_cast<uint32_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// What a bitmap of the given depth keeps of a 0xXXRRGGBB pixel: a 32-bit bitmap keeps all four
// bytes, as real device bitmaps do.
uint32_t quantise(uint32_t rgb, int bitsPerPixel) {
    if (bitsPerPixel == 32) return rgb;
    if (bitsPerPixel == 24) return rgb & 0xFFFFFF;
    if (bitsPerPixel == 1) return (rgb & 0xFFFFFF) == 0xFFFFFF ? 0xFFFFFF : 0;
    // 5-6-5: the low bits of each channel are lost.
    return rgb & 0xF8FCF8;
}

// Whether a DIB header describes the one transfer format the stand-in supports: 32-bit BI_RGB.
bool is32BitRgb(const BITMAPINFOHEADER& h) {
    return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biBitCount == 32 && h.biCompression == BI_RGB &&
           h.biWidth > 0 && h.biHeight != 0 && h.biPlanes == 1;
}

// The bitmap row that holds DIB scan line `line` (scan line 0 is the bottom row of a bottom-up DIB).
int bitmapRow(const Bitmap& bitmap, const BITMAPINFOHEADER& h, UINT line) {
    return h.biHeight > 0 ? bitmap.height - 1 - static_cast<int>(line) : static_cast<int>(line);
}

// The scan lines a transfer moves: those of [start, start + lines) that both the DIB and the
// bitmap have.
UINT transferLines(const Bitmap& bitmap, const BITMAPINFOHEADER& h, UINT start, UINT lines) {
    const UINT available = std::min<UINT>(static_cast<UINT>(std::abs(h.biHeight)),
                                          static_cast<UINT>(bitmap.height));
    if (start >= available) return 0;
    UINT n = std::min(lines, available - start);
    if (n > 0 && state().faults.dibRowsShort.fails()) --n;
    return n;
}

Canvas& canvasFor(HWND window) {
    return state().canvases[isDesktop(window) ? nullptr : window];
}

void grow(Canvas& canvas, int width, int height) {
    if (width <= canvas.width && height <= canvas.height) return;
    Canvas grown;
    grown.width = std::max(width, canvas.width);
    grown.height = std::max(height, canvas.height);
    grown.pixels.assign(static_cast<size_t>(grown.width) * grown.height, 0u);
    for (int y = 0; y < canvas.height; ++y)
        std::copy_n(&canvas.pixels[static_cast<size_t>(y) * canvas.width], canvas.width,
                    &grown.pixels[static_cast<size_t>(y) * grown.width]);
    canvas = std::move(grown);
}

}  // namespace

void setWindowValidator(WindowValidator validator) { state().validator = validator; }

void setScreenDepth(int bitsPerPixel) { state().screenDepth = bitsPerPixel; }
int screenDepth() { return state().screenDepth; }

GdiCounts liveGdiObjects() {
    GdiCounts c;
    c.bitmaps = countObjects(ObjectKind::Bitmap) - (state().stockBitmap ? 1 : 0);
    c.dcs = countObjects(ObjectKind::Dc);
    c.regions = countObjects(ObjectKind::Region);
    c.brushes = countObjects(ObjectKind::Brush) - (state().stockBrush ? 1 : 0);
    return c;
}

const Canvas* windowCanvas(HWND window) {
    auto& canvases = state().canvases;
    auto it = canvases.find(isDesktop(window) ? nullptr : window);
    return it == canvases.end() ? nullptr : &it->second;
}

size_t blitCount() { return state().blits; }
BlitRecord lastBlit() { return state().lastBlit; }
Faults& faults() { return state().faults; }

void resetGdiState() {
    GdiState& s = state();
    s.faults = Faults{};
    s.screenDepth = 32;
}

}  // namespace headless

using namespace headless;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    return moduleName ? nullptr : toHandle<HMODULE>(kModule);
}

DWORD GetLastError() { return 0; }

HWND GetDesktopWindow() { return toHandle<HWND>(kDesktopWindow); }

HDC GetDC(HWND window) {
    GdiState& s = state();
    if (s.faults.getDC.fails()) return nullptr;
    if (window && !isDesktop(window) && s.validator && !s.validator(window)) return nullptr;
    auto dc = std::make_unique<Dc>();
    dc->window = isDesktop(window) ? nullptr : window;
    return toHandle<HDC>(addObject(std::move(dc)));
}

int ReleaseDC(HWND /*window*/, HDC dc) {
    Dc* d = find<Dc>(dc);
    if (!d || d->memory) return 0;
    removeObject(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC dc) {
    if (dc && !find<Dc>(dc)) return nullptr;
    if (state().faults.createCompatibleDC.fails()) return nullptr;
    auto memory = std::make_unique<Dc>();
    memory->memory = true;
    memory->bitmap = stockBitmap();
    return toHandle<HDC>(addObject(std::move(memory)));
}

BOOL DeleteDC(HDC dc) {
    Dc* d = find<Dc>(dc);
    if (!d || !d->memory) return FALSE;
    deselect(d->bitmap);
    removeObject(dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    Dc* d = find<Dc>(dc);
    if (!d) return nullptr;
    if (state().faults.createCompatibleBitmap.fails()) return nullptr;
    // A bitmap of no size is the 1 x 1 monochrome one, and a negative side counts by its size, as
    // GDI gives.
    if (width == 0 || height == 0) return toHandle<HBITMAP>(addObject(std::make_unique<Bitmap>(1, 1, 1)));
    const int64_t columns = std::abs(int64_t{width}), rows = std::abs(int64_t{height});
    // Compatible with a memory DC means with the bitmap selected into it.
    int depth = state().screenDepth;
    if (d->memory) {
        if (Bitmap* selected = find<Bitmap>(d->bitmap)) depth = selected->bitsPerPixel;
    }
    const int64_t rowBytes = (columns * depth + 31) / 32 * 4;
    if (rowBytes > (int64_t{1} << 30) / rows) return nullptr;
    return toHandle<HBITMAP>(addObject(std::make_unique<Bitmap>(int(columns), int(rows), depth)));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Dc* d = find<Dc>(dc);
    if (!d) return nullptr;
    if (Bitmap* b = find<Bitmap>(object)) {
        if (!d->memory) return nullptr;
        if (b->selectedInto && b->selectedInto != dc) return nullptr;
        HBITMAP previous = d->bitmap;
        if (previous == object) return previous;
        b->selectedInto = b->stock ? nullptr : dc;
        d->bitmap = static_cast<HBITMAP>(object);
        const bool previousDeleted = deselect(previous);
        return previousDeleted ? nullptr : previous;
    }
    if (find<Brush>(object)) return stockBrush();
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (Bitmap* b = find<Bitmap>(object)) {
        if (b->stock) return TRUE;
        // A bitmap still selected into a DC reports success and goes when it is deselected.
        if (b->selectedInto) {
            b->deletePending = true;
            return TRUE;
        }
        return removeObject(object);
    }
    if (Brush* b = find<Brush>(object)) return b->stock ? TRUE : removeObject(object);
    if (findObject(object, ObjectKind::Region)) return removeObject(object);
    return FALSE;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT /*usage*/) {
    Bitmap* b = find<Bitmap>(bitmap);
    if (!find<Dc>(dc) || !b || !info) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits) {
        if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
        if (h.biBitCount == 0) {
            // The header query: describe the bitmap as it is.
            const DWORD size = h.biSize;
            std::memset(&h, 0, sizeof h);
            h.biSize = size;
            h.biWidth = b->width;
            h.biHeight = b->height;
            h.biPlanes = 1;
            h.biBitCount = static_cast<WORD>(b->bitsPerPixel);
            h.biSizeImage = stride(b->width, b->bitsPerPixel) * static_cast<uint32_t>(b->height);
            // Device bitmaps of 16 and 32 bits describe themselves as bit fields (the header
            // alone is filled in, as Wine's display driver does).
            h.biCompression = b->bitsPerPixel == 16 || b->bitsPerPixel == 32 ? BI_BITFIELDS : BI_RGB;
        } else {
            h.biSizeImage = stride(h.biWidth, h.biBitCount) * static_cast<uint32_t>(std::abs(h.biHeight));
        }
        return b->height;
    }
    if (!is32BitRgb(h)) return 0;
    const UINT n = transferLines(*b, h, start, lines);
    const int columns = std::min<int>(h.biWidth, b->width);
    auto* out = static_cast<uint8_t*>(bits);
    for (UINT i = 0; i < n; ++i) {
        const int row = bitmapRow(*b, h, start + i);
        uint8_t* p = out + static_cast<size_t>(i) * h.biWidth * 4;
        for (int x = 0; x < columns; ++x, p += 4) {
            const uint32_t rgb = b->pixels[static_cast<size_t>(row) * b->width + x];
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
            p[3] = static_cast<uint8_t>(rgb >> 24);
        }
    }
    return static_cast<int>(n);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPCVOID bits, const BITMAPINFO* info, UINT /*usage*/) {
    Bitmap* b = find<Bitmap>(bitmap);
    if ((dc && !find<Dc>(dc)) || !b || !info || !bits || !is32BitRgb(info->bmiHeader)) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const UINT n = transferLines(*b, h, start, lines);
    const int columns = std::min<int>(h.biWidth, b->width);
    const auto* in = static_cast<const uint8_t*>(bits);
    for (UINT i = 0; i < n; ++i) {
        const int row = bitmapRow(*b, h, start + i);
        const uint8_t* p = in + static_cast<size_t>(i) * h.biWidth * 4;
        uint32_t* out = &b->pixels[static_cast<size_t>(row) * b->width];
        const auto value = [p](int x) {
            const uint8_t* q = p + size_t(x) * 4;
            return uint32_t{q[0]} | uint32_t{q[1]} << 8 | uint32_t{q[2]} << 16 | uint32_t{q[3]} << 24;
        };
        if (b->bitsPerPixel == 32) {
            for (int x = 0; x < columns; ++x) out[x] = value(x);
        } else {
            for (int x = 0; x < columns; ++x) out[x] = quantise(value(x), b->bitsPerPixel);
        }
    }
    return static_cast<int>(n);
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
    Dc* t = find<Dc>(target);
    Dc* s = find<Dc>(source);
    if (!t || !s) return FALSE;
    GdiState& st = state();
    ++st.blits;
    st.lastBlit = BlitRecord{t->window, x, y, width, height, sourceX, sourceY, rop};
    Bitmap* from = find<Bitmap>(s->bitmap);
    if (!from || rop != SRCCOPY || width <= 0 || height <= 0) return TRUE;
    // Only what lies inside both the source bitmap and the non-negative target area is copied.
    Bitmap* into = t->memory ? find<Bitmap>(t->bitmap) : nullptr;
    Canvas* canvas = nullptr;
    if (!t->memory) {
        canvas = &canvasFor(t->window);
        grow(*canvas, std::max(0, x + width), std::max(0, y + height));
    }
    // The rows and columns that lie inside the source bitmap and at non-negative target positions.
    const int64_t rowFirst = std::max<int64_t>({0, -int64_t{sourceY}, -int64_t{y}});
    const int64_t rowEnd = std::min<int64_t>(height, int64_t{from->height} - sourceY);
    const int64_t columnFirst = std::max<int64_t>({0, -int64_t{sourceX}, -int64_t{x}});
    const int64_t columnEnd = std::min<int64_t>(width, int64_t{from->width} - sourceX);
    for (int64_t row = rowFirst; row < rowEnd; ++row) {
        const int64_t ty = y + row;
        const uint32_t* in = &from->pixels[size_t(sourceY + row) * from->width + size_t(sourceX + columnFirst)];
        if (canvas) {
            uint32_t* out = &canvas->pixels[size_t(ty) * canvas->width + size_t(x + columnFirst)];
            for (int64_t c = columnFirst; c < columnEnd; ++c) *out++ = *in++ & 0xFFFFFF;
        } else if (into && ty < into->height) {
            const int64_t end = std::min<int64_t>(columnEnd, int64_t{into->width} - x);
            uint32_t* out = &into->pixels[size_t(ty) * into->width];
            for (int64_t c = columnFirst; c < end; ++c) out[x + c] = quantise(*in++, into->bitsPerPixel);
        }
    }
    return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    return toHandle<HBRUSH>(addObject(std::make_unique<Brush>(colour)));
}

DWORD GetSysColor(int index) {
    return index == COLOR_BTNFACE ? RGB(245, 245, 245) : RGB(0, 0, 0);
}
