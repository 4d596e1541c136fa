#pragma once
// The header of a 32-bit, bottom-up BI_RGB DIB, with room for anything GDI may append to it.

#include <cstring>

#include "platform/win32.h"

namespace td {

struct DibInfo {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

inline DibInfo dib32Info(LONG width, LONG height) {
    DibInfo info;
    std::memset(&info, 0, sizeof info);
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    info.h.biWidth = width;
    info.h.biHeight = height;
    info.h.biPlanes = 1;
    info.h.biBitCount = 32;
    info.h.biCompression = BI_RGB;
    return info;
}

}  // namespace td
