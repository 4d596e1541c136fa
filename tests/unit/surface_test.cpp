// Surfaces against the real GDI under Wine and against the stand-in on the host.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "render/surface.h"
#include "support/dib.h"

namespace td {
namespace {

// Reads a bitmap back as 32-bit bottom-up rows through GDI.
std::vector<uint8_t> readBack(HBITMAP bitmap, int width, int height) {
    std::vector<uint8_t> bits(size_t(width) * height * 4, 0xAB);
    DibInfo info = dib32Info(width, height);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, height, bits.data(), info.get(), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, height);
    return bits;
}

TEST(Surface, CreateGivesAZeroedImageWithClearedDepth) {
    Surface s;
    ASSERT_TRUE(s.create(400, 400, true));
    EXPECT_NE(s.bitmap, nullptr);
    EXPECT_EQ(s.bitmapWidth, 400);
    EXPECT_EQ(s.width, 400);
    EXPECT_EQ(s.height, 400);
    ASSERT_TRUE(s.pixels);
    EXPECT_EQ(s.pixels->count(), 640000u);
    const uint8_t* p = s.pixels->intactPayload();
    ASSERT_NE(p, nullptr);
    for (uint32_t i = 0; i < s.pixels->count(); ++i) ASSERT_EQ(p[i], 0) << i;
    ASSERT_TRUE(s.depth);
    EXPECT_EQ(s.depth->width, 400);
    EXPECT_EQ(s.depth->values->get(0), -1e6);
    EXPECT_EQ(s.depth->values->get(159999), -1e6);
}

TEST(Surface, CreateWithoutDepthLeavesDepthNull) {
    Surface s;
    ASSERT_TRUE(s.create(400, 400, false));
    EXPECT_FALSE(s.depth);
}

// GDI gives bitmaps for these sizes (one monochrome pixel for a side of 0, the absolute size for
// negative sides), but no usable image: create fails and keeps no bitmap, also over a ready surface.
TEST(Surface, CreateFailsForSidesOfZeroOrLess) {
    Surface s;
    ASSERT_TRUE(s.create(4, 4, true));
    for (auto [w, h] : {std::pair{0, 0}, {0, 4}, {4, 0}, {-3, 4}, {3, -4}, {-3, -4}}) {
        EXPECT_FALSE(s.create(w, h, true)) << w << " x " << h;
        EXPECT_EQ(s.bitmap, nullptr);
        EXPECT_EQ(s.bitmapWidth, 0);
        EXPECT_EQ(s.width, 0);
        EXPECT_EQ(s.height, 0);
    }
}

TEST(Surface, PixelRowsRunBottomUpAndDepthRowsTopDown) {
    Surface s;
    ASSERT_TRUE(s.create(400, 400, true));
    EXPECT_EQ(s.pixelOffset(0, 0), 638400u);
    EXPECT_EQ(s.pixelOffset(0, 399), 0u);
    EXPECT_EQ(s.pixelOffset(399, 0), 638400u + 399 * 4);
    s.depth->store(0, 399, 5.0);
    EXPECT_EQ(s.depth->values->get(159600), 5.0);
    EXPECT_TRUE(s.depth->passes(0, 399, 5.5));
    EXPECT_FALSE(s.depth->passes(0, 399, 5.0));  // an equal depth fails
}

TEST(Surface, ClearWritesThreeBytesAndResetsDepth) {
    Surface s;
    ASSERT_TRUE(s.create(4, 3, true));
    uint8_t* p = s.pixels->intactPayload();
    for (uint32_t i = 3; i < s.pixels->count(); i += 4) p[i] = static_cast<uint8_t>(i);
    s.depth->store(1, 1, 3.0);
    s.clear(0, 255, 0);
    for (uint32_t i = 0; i < s.pixels->count(); i += 4) {
        EXPECT_EQ(p[i], 0);
        EXPECT_EQ(p[i + 1], 255);
        EXPECT_EQ(p[i + 2], 0);
        EXPECT_EQ(p[i + 3], static_cast<uint8_t>(i + 3));  // byte 3 untouched
    }
    for (uint32_t i = 0; i < 12; ++i) EXPECT_EQ(s.depth->values->get(i), -1e6);
}

TEST(Surface, ClearWithoutBitmapStillClearsDepth) {
    Surface s;
    ASSERT_TRUE(s.create(2, 2, true));
    DeleteObject(s.bitmap);
    s.bitmap = nullptr;
    s.depth->store(0, 0, 1.0);
    s.clear(9, 9, 9);
    EXPECT_EQ(s.pixels->intactPayload()[0], 0);
    EXPECT_EQ(s.depth->values->get(0), -1e6);
}

TEST(Surface, SecondCreateReplacesEverything) {
    Surface s;
    ASSERT_TRUE(s.create(8, 8, true));
    s.clear(1, 2, 3);
    ASSERT_TRUE(s.create(5, 3, false));
    EXPECT_EQ(s.width, 5);
    EXPECT_EQ(s.height, 3);
    EXPECT_EQ(s.bitmapWidth, 5);
    EXPECT_EQ(s.pixels->count(), 60u);
    EXPECT_FALSE(s.depth);
    for (uint32_t i = 0; i < 60; ++i) EXPECT_EQ(s.pixels->intactPayload()[i], 0);
}

TEST(Surface, ReleaseBuffersKeepsTheBitmapAndPresentThenFails) {
    Surface s;
    ASSERT_TRUE(s.create(4, 4, true));
    HBITMAP bitmap = s.bitmap;
    s.releaseBuffers();
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, 0);
    EXPECT_EQ(s.bitmap, bitmap);
    EXPECT_FALSE(s.pixels);
    EXPECT_FALSE(s.depth);
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(s.present(screen));
    ReleaseDC(nullptr, screen);
    EXPECT_NE(s.destroy(), 0);
    EXPECT_EQ(s.bitmap, nullptr);
    EXPECT_EQ(s.destroy(), 0);
}

TEST(Surface, PresentWithNullTargetFails) {
    Surface s;
    ASSERT_TRUE(s.create(4, 4, false));
    EXPECT_FALSE(s.present(nullptr));
}

TEST(Surface, PresentCopiesThePixelsToTheTarget) {
    Surface s;
    ASSERT_TRUE(s.create(40, 30, true));
    s.clear(0, 255, 0);
    // A red pixel at (5, 2) (row 2 from the top) shows where the rows go.
    uint8_t* p = s.pixels->intactPayload();
    p[s.pixelOffset(5, 2) + 1] = 0;
    p[s.pixelOffset(5, 2) + 2] = 255;

    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP targetBitmap = CreateCompatibleBitmap(screen, 40, 30);
    HGDIOBJ previous = SelectObject(target, targetBitmap);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(s.present(target));
    SelectObject(target, previous);
    DeleteDC(target);

    const std::vector<uint8_t> bits = readBack(targetBitmap, 40, 30);
    DeleteObject(targetBitmap);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const uint8_t* q = &bits[(size_t(29 - y) * 40 + x) * 4];
            const bool red = x == 5 && y == 2;
            ASSERT_EQ(q[0], 0) << x << "," << y;
            ASSERT_EQ(q[1], red ? 0 : 255) << x << "," << y;
            ASSERT_EQ(q[2], red ? 255 : 0) << x << "," << y;
        }
    }
}

#ifdef _WIN32
// On the real window system: present into a window's DC and read the window back through GDI.
TEST(Surface, PresentPutsThePixelsIntoAWindow) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SurfacePresentTarget";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "SurfacePresentTarget", "present", WS_POPUP | WS_VISIBLE, 40, 40, 64, 48,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    Surface s;
    ASSERT_TRUE(s.create(64, 48, false));
    s.clear(0, 255, 0);
    HDC dc = GetDC(window);
    ASSERT_TRUE(s.present(dc));
    // Copy the window's client area into a bitmap of our own and read that.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP copy = CreateCompatibleBitmap(dc, 64, 48);
    HGDIOBJ previous = SelectObject(memory, copy);
    ASSERT_TRUE(BitBlt(memory, 0, 0, 64, 48, dc, 0, 0, SRCCOPY));
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    const std::vector<uint8_t> bits = readBack(copy, 64, 48);
    DeleteObject(copy);
    DestroyWindow(window);
    for (size_t i = 0; i < bits.size(); i += 4) {
        ASSERT_EQ(bits[i], 0) << i;
        ASSERT_EQ(bits[i + 1], 255) << i;
        ASSERT_EQ(bits[i + 2], 0) << i;
    }
}
#endif

TEST(Surface, DamagedPixelGuardMakesTheSurfaceUndrawableUntilCreate) {
    Surface s;
    ASSERT_TRUE(s.create(4, 4, false));
    uint8_t* block = s.pixels->rawBlock();
    block[0] = 1;
    s.clear(5, 5, 5);
    EXPECT_EQ(block[1], 0);  // nothing cleared, nothing repaired
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(s.present(screen));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(s.pixels->rawBlock(), block);
    ASSERT_TRUE(s.create(4, 4, false));  // the damaged block is not freed...
    std::free(block);                    // ...so the test does
    EXPECT_NE(s.pixels->intactPayload(), nullptr);
}

}  // namespace
}  // namespace td
