// Painting as the program relies on it, checked the same way on both builds: who validates a
// window's update area, and what a new window region asks to repaint.

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/probe_window.h"

namespace {

enum class Validation { None, BeginAndEndPaint, DefWindowProc, ValidateRect };
const char* const kValidationNames[] = {"none", "BeginPaint/EndPaint", "DefWindowProcA", "ValidateRect"};

Validation validation = Validation::None;

LRESULT CALLBACK paintProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND) return 1;
    if (m != WM_PAINT) return DefWindowProcA(h, m, w, l);
    switch (validation) {
    case Validation::None:
        return 0;
    case Validation::BeginAndEndPaint: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case Validation::DefWindowProc:
        return DefWindowProcA(h, m, w, l);
    case Validation::ValidateRect:
        ValidateRect(h, nullptr);
        return 0;
    }
    return 0;
}

class Painting : public testing::Test {
protected:
    // A shown popup with the viewer's 3-pixel dialog frame: the client area is 94 x 94 at (3, 3)
    // of the window.
    void SetUp() override {
        static const bool registered = probe::registerClass("tdPaintProbe", paintProc);
        ASSERT_TRUE(registered);
        window = CreateWindowExA(WS_EX_DLGMODALFRAME, "tdPaintProbe", "", WS_POPUP | WS_VISIBLE, 100, 100, 100,
                                 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        validation = Validation::ValidateRect;
        paints(10);
    }
    void TearDown() override {
        validation = Validation::ValidateRect;
        DestroyWindow(window);
    }
    // The WM_PAINT messages the window gets in up to `peeks` looks at its queue.
    int paints(int peeks) {
        int count = 0;
        MSG msg;
        for (int i = 0; i < peeks && PeekMessageA(&msg, window, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
            DispatchMessageA(&msg);
            ++count;
        }
        return count;
    }
    HWND window = nullptr;
};

TEST_F(Painting, OnlyTheHandlerValidatesSoAPaintThatDoesNotComesAgain) {
    // DispatchMessageA validates nothing; BeginPaint with EndPaint, DefWindowProcA and
    // ValidateRect do.
    const struct {
        Validation validation;
        int paints;
    } rows[] = {{Validation::None, 4}, {Validation::BeginAndEndPaint, 1}, {Validation::DefWindowProc, 1},
                {Validation::ValidateRect, 1}};
    for (const auto& row : rows) {
        validation = row.validation;
        InvalidateRect(window, nullptr, FALSE);
        EXPECT_EQ(paints(4), row.paints) << kValidationNames[static_cast<int>(row.validation)];
        ValidateRect(window, nullptr);
    }
}

TEST_F(Painting, ANewRegionWithRedrawInvalidatesTheClientAreaItNewlyCovers) {
    // Regions in window coordinates; the update area read back is its bounding box in client
    // coordinates. An empty box means nothing to paint.
    const RECT kWhole{-1, -1, -1, -1};  // no region: the whole window
    const struct {
        const char* what;
        RECT before, after;
        BOOL redraw;
        RECT update;
    } rows[] = {
        {"shrinks", kWhole, {0, 0, 50, 50}, TRUE, {}},
        {"moves right", {0, 0, 50, 50}, {20, 0, 80, 50}, TRUE, {47, 0, 77, 47}},
        {"moves right, no redraw", {0, 0, 50, 50}, {20, 0, 80, 50}, FALSE, {}},
        {"becomes the whole window", {10, 10, 20, 20}, kWhole, TRUE, {0, 0, 94, 94}},
        {"stays the same", {0, 0, 50, 50}, {0, 0, 50, 50}, TRUE, {}},
        {"grows within the frame", {0, 0, 2, 2}, {0, 0, 3, 100}, TRUE, {}},
    };
    auto regionOf = [&](const RECT& r) { return r.left < 0 ? nullptr : CreateRectRgnIndirect(&r); };
    for (const auto& row : rows) {
        SetWindowRgn(window, regionOf(row.before), FALSE);
        paints(10);
        ValidateRect(window, nullptr);
        SetWindowRgn(window, regionOf(row.after), row.redraw);
        RECT update{};
        const bool pending = GetUpdateRect(window, &update, FALSE) != 0;
        const bool expected = row.update.right > row.update.left;
        EXPECT_EQ(pending, expected) << row.what;
        if (pending && expected) {
            EXPECT_EQ(update.left, row.update.left) << row.what;
            EXPECT_EQ(update.top, row.update.top) << row.what;
            EXPECT_EQ(update.right, row.update.right) << row.what;
            EXPECT_EQ(update.bottom, row.update.bottom) << row.what;
        }
        ValidateRect(window, nullptr);
    }
}

}  // namespace
