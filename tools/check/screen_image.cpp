#include "tools/check/screen_image.h"

#include <cstdio>
#include <cstring>

namespace td::check {

Image captureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    Image image;
    HDC screen = GetDC(nullptr);
    HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
            GdiFlush();
            image = Image(width, height);
            std::memcpy(image.pixels.data(), bits, image.pixels.size() * sizeof(uint32_t));
            for (uint32_t& pixel : image.pixels) pixel &= 0x00FFFFFFu;  // blue, green, red, unused
        }
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    return image;
}

namespace {

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

}  // namespace

bool writeBmp(const std::string& path, const Image& image) {
    const uint32_t rowBytes = (uint32_t(image.width) * 3 + 3) & ~3u;
    const uint32_t payload = rowBytes * uint32_t(image.height);
    std::vector<uint8_t> file;
    file.reserve(54 + payload);
    file.push_back('B');
    file.push_back('M');
    putLittleEndian(file, 54 + payload, 4);
    putLittleEndian(file, 0, 4);
    putLittleEndian(file, 54, 4);
    putLittleEndian(file, 40, 4);  // BITMAPINFOHEADER
    putLittleEndian(file, uint32_t(image.width), 4);
    putLittleEndian(file, uint32_t(image.height), 4);  // bottom row first
    putLittleEndian(file, 1, 2);
    putLittleEndian(file, 24, 2);
    for (int k = 0; k < 6; ++k) putLittleEndian(file, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) putLittleEndian(file, image.at(x, y), 3);
        file.resize(file.size() + (rowBytes - uint32_t(image.width) * 3), 0);
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace td::check
