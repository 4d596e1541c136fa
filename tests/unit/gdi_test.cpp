// What the program relies on from GDI, checked against the real thing under Wine and against the
// stand-in on the host, so the two agree.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "support/dib.h"

namespace {

struct InfoWithMasks {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
};

InfoWithMasks queryHeader(HDC dc, HBITMAP bitmap, UINT lines, int* result) {
    InfoWithMasks info;
    std::memset(&info, 0, sizeof info);
    info.h.biSize = sizeof(BITMAPINFOHEADER);
    *result = GetDIBits(dc, bitmap, 0, lines, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    return info;
}

TEST(Gdi, HeaderQueryDescribesAThirtyTwoBitCompatibleBitmap) {
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 400, 300);
    ASSERT_NE(bitmap, nullptr);
    for (UINT lines : {0u, 1u}) {
        int result = 0;
        const InfoWithMasks info = queryHeader(dc, bitmap, lines, &result);
        EXPECT_EQ(result, 300) << lines;  // the bitmap's height, even when asked for no lines
        EXPECT_EQ(info.h.biWidth, 400);
        EXPECT_EQ(info.h.biHeight, 300);
        EXPECT_EQ(info.h.biBitCount, 32);
        EXPECT_EQ(info.h.biSizeImage, 480000u);
        EXPECT_EQ(info.h.biCompression, DWORD(BI_BITFIELDS));
    }
    EXPECT_NE(DeleteObject(bitmap), 0);
    ReleaseDC(nullptr, dc);
}

// A side of 0 gives the one-pixel monochrome bitmap; a negative side counts by its size. The
// surface relies on this only to refuse such sizes, but the stand-in must not fail where GDI does not.
TEST(Gdi, CompatibleBitmapOfZeroOrNegativeSides) {
    struct Case {
        int width, height;
        LONG reportedWidth, reportedHeight;
        WORD bitCount;
        DWORD imageSize;
    };
    HDC dc = GetDC(nullptr);
    for (const Case& c : {Case{0, 0, 1, 1, 1, 4}, Case{0, 4, 1, 1, 1, 4}, Case{4, 0, 1, 1, 1, 4},
                          Case{-3, 4, 3, 4, 32, 48}, Case{3, -4, 3, 4, 32, 48}, Case{-3, -4, 3, 4, 32, 48}}) {
        HBITMAP bitmap = CreateCompatibleBitmap(dc, c.width, c.height);
        ASSERT_NE(bitmap, nullptr) << c.width << " x " << c.height;
        int result = 0;
        const InfoWithMasks info = queryHeader(dc, bitmap, 1, &result);
        EXPECT_EQ(result, c.reportedHeight);
        EXPECT_EQ(info.h.biWidth, c.reportedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(info.h.biHeight, c.reportedHeight) << c.width << " x " << c.height;
        EXPECT_EQ(info.h.biBitCount, c.bitCount) << c.width << " x " << c.height;
        EXPECT_EQ(info.h.biSizeImage, c.imageSize) << c.width << " x " << c.height;
        EXPECT_NE(DeleteObject(bitmap), 0);
    }
    ReleaseDC(nullptr, dc);
}

TEST(Gdi, DeletingASelectedBitmapReportsSuccess) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ASSERT_NE(previous, nullptr);
    EXPECT_NE(DeleteObject(bitmap), 0);
    SelectObject(memory, previous);
    EXPECT_NE(DeleteDC(memory), 0);
    ReleaseDC(nullptr, screen);
}

TEST(Gdi, TransfersReportTheRowsMoved) {
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 5);
    td::DibInfo info = td::dib32Info(8, 5);
    uint8_t bits[8 * 5 * 4];
    for (size_t i = 0; i < sizeof bits; ++i) bits[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(SetDIBits(dc, bitmap, 0, 5, bits, info.get(), DIB_RGB_COLORS), 5);
    uint8_t back[8 * 5 * 4];
    std::memset(back, 0xCD, sizeof back);
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 5, back, info.get(), DIB_RGB_COLORS), 5);
    for (size_t i = 0; i < sizeof bits; ++i) {
        // A 32-bit device bitmap keeps all four bytes of a pixel.
        ASSERT_EQ(back[i], bits[i]) << i;
    }
    DeleteObject(bitmap);
    ReleaseDC(nullptr, dc);
}

}  // namespace
