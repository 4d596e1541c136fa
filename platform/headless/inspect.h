#pragma once
// What tests may ask of, and do to, the headless stand-in. Only tests include this header.

#include <cstdint>
#include <vector>

#include "platform/headless/fault.h"
#include "platform/win32.h"

namespace headless {

// The bits per pixel of compatible bitmaps: 32 by default, 16 or 24 to test other displays.
void setScreenDepth(int bitsPerPixel);
int screenDepth();

// Live GDI objects made by the program (stock objects not counted).
struct GdiCounts {
    size_t bitmaps = 0;
    size_t dcs = 0;
    size_t regions = 0;
    size_t brushes = 0;
    size_t total() const { return bitmaps + dcs + regions + brushes; }
};
GdiCounts liveGdiObjects();

// The pixels that BitBlt has put into a window (or, for a null window, onto the screen), as
// 0x00RRGGBB values, row 0 at the top. The canvas grows to hold every copy made into it.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
const Canvas* windowCanvas(HWND window);

// The last BitBlt made into any DC.
struct BlitRecord {
    HWND window = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    int sourceX = 0, sourceY = 0;
    DWORD rop = 0;
};
size_t blitCount();
BlitRecord lastBlit();

// Failures of the window system on request (see fault.h for the patterns).
struct Faults {
    Fault getDC;                   // GetDC returns null
    Fault createCompatibleBitmap;  // CreateCompatibleBitmap returns null
    Fault createCompatibleDC;      // CreateCompatibleDC returns null
    Fault dibRowsShort;            // GetDIBits/SetDIBits move one row fewer than asked
};
Faults& faults();

// Forgets every fault and restores the default screen depth. Objects stay alive.
void resetGdiState();

}  // namespace headless
