// FrameWindow's message cracker: every message of its table reaches exactly its handler with the
// decoded arguments, and WindowProc returns what the table says.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/frame_window.h"
#include "ui/window_map.h"

namespace td {
namespace {

struct Call {
    std::string handler;
    long long a = 0, b = 0, c = 0;
    bool operator==(const Call& o) const { return handler == o.handler && a == o.a && b == o.b && c == o.c; }
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << c.handler << "(" << c.a << ", " << c.b << ", " << c.c << ")";
}

class Recorder : public FrameWindow {
public:
    std::vector<Call> calls;
    RECT paintedWith{};
    LRESULT acceleratorResult = 0;
    void add(const char* name, long long a = 0, long long b = 0, long long c = 0) { calls.push_back({name, a, b, c}); }

    void OnSize(RECT r) override { add("OnSize", r.right, r.bottom); }
    void OnClose() override { add("OnClose"); }
    void OnMouseMove(int x, int y) override { add("OnMouseMove", x, y); }
    void OnLButtonDown(int x, int y) override { add("OnLButtonDown", x, y); }
    void OnLButtonUp(int x, int y) override { add("OnLButtonUp", x, y); }
    void OnMove(int x, int y) override { add("OnMove", x, y); }
    void OnMoving(int x, int y) override { add("OnMoving", x, y); }
    void OnDeviceChange(WPARAM w, LPARAM l) override { add("OnDeviceChange", w, l); }
    void OnActivate(WPARAM w, WORD high) override { add("OnActivate", w, high); }
    void OnPaint(PAINTSTRUCT ps, RECT previous) override {
        add("OnPaint", ps.hdc != nullptr);
        paintedWith = previous;
    }
    void OnGetMinMaxInfo(LPARAM l) override { add("OnGetMinMaxInfo", l); }
    void OnShowWindow(WPARAM w, LPARAM l) override { add("OnShowWindow", w, l); }
    void OnHotKey(WPARAM w, WORD high, LPARAM l) override { add("OnHotKey", w, high, l); }
    void OnLButtonDblClk(int x, int y) override { add("OnLButtonDblClk", x, y); }
    LRESULT OnAccelerator(WPARAM w) override {
        add("OnAccelerator", w);
        return acceleratorResult;
    }
    LRESULT OnActivateApp(HWND, UINT m, WPARAM w, LPARAM) override {
        add("OnActivateApp", m, w);
        return 7;
    }
    LRESULT OnEraseBackground(HWND, UINT m, WPARAM, LPARAM) override {
        add("OnEraseBackground", m);
        return 8;
    }
    LRESULT OnOtherMessage(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_USER + 5) add("OnOtherMessage", m, w, l);
        return FrameWindow::OnOtherMessage(h, m, w, l);
    }
};

// A child whose reflected messages are recorded.
class Control : public Window {
public:
    explicit Control(std::vector<Call>* log) : log(log) {}
    LRESULT OnReflectedMessage(UINT m, WPARAM w, LPARAM) override {
        log->push_back({"reflected", m, static_cast<long long>(w)});
        return 42;
    }
    std::vector<Call>* log;
};

class FrameWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window.create(nullptr, "Crack", WS_POPUP, 40, 30, 200, 100, 0);
        ASSERT_NE(window.handle, nullptr);
        window.calls.clear();
    }
    LRESULT send(UINT m, WPARAM w, LPARAM l) { return SendMessageA(window.handle, m, w, l); }
    Recorder window;
};

TEST_F(FrameWindowTest, EachTableMessageReachesItsHandlerWithDecodedArguments) {
    struct Row {
        UINT message;
        WPARAM w;
        LPARAM l;
        Call expected;
        LRESULT result;
    };
    const LPARAM negative = MAKELPARAM(0xFFFF, 0xFFFE);  // (-1, -2): left of and above the client area
    const Row rows[] = {
        {WM_MOVE, 0, MAKELPARAM(5, 6), {"OnMove", 5, 6}, 1},
        {WM_SIZE, 0, MAKELPARAM(1, 1), {"OnSize", 200, 100}, 1},  // the real client rectangle, not lParam
        {WM_ACTIVATE, MAKEWPARAM(1, 3), 0, {"OnActivate", MAKEWPARAM(1, 3), 3}, 1},
        {WM_CLOSE, 0, 0, {"OnClose"}, 1},
        {WM_ERASEBKGND, 0, 0, {"OnEraseBackground", WM_ERASEBKGND}, 8},
        {WM_ACTIVATEAPP, 1, 0, {"OnActivateApp", WM_ACTIVATEAPP, 1}, 7},
        {WM_GETMINMAXINFO, 0, 1234, {"OnGetMinMaxInfo", 1234}, 1},
        {WM_MOUSEMOVE, 0, negative, {"OnMouseMove", -1, -2}, 1},
        {WM_LBUTTONDOWN, 0, MAKELPARAM(10, 0x8000), {"OnLButtonDown", 10, -32768}, 1},
        {WM_LBUTTONUP, 0, MAKELPARAM(0x7FFF, 3), {"OnLButtonUp", 32767, 3}, 1},
        {WM_LBUTTONDBLCLK, 0, MAKELPARAM(8, 9), {"OnLButtonDblClk", 8, 9}, 1},
        {WM_MOVING, 0, negative, {"OnMoving", -1, -2}, 1},
        {WM_DEVICECHANGE, 0x8000, 77, {"OnDeviceChange", 0x8000, 77}, 1},
        {WM_HOTKEY, 4, MAKELPARAM(2, 0x41), {"OnHotKey", 4, 0x41, MAKELPARAM(2, 0x41)}, 1},
        {WM_USER + 5, 11, 12, {"OnOtherMessage", WM_USER + 5, 11, 12}, 0},
    };
    for (const Row& row : rows) {
        window.calls.clear();
        EXPECT_EQ(send(row.message, row.w, row.l), row.result) << std::hex << row.message;
        ASSERT_EQ(window.calls.size(), 1u) << std::hex << row.message;
        EXPECT_EQ(window.calls[0], row.expected);
    }
    EXPECT_TRUE(IsWindow(window.handle)) << "WM_CLOSE must leave the window open";
}

TEST_F(FrameWindowTest, ShowWindowReachesTheHandlerAndDefWindowProc) {
    // The handler sees the message first. Then DefWindowProcA, and only it, hides a visible
    // owned popup when its owner closes and shows it again when the owner opens.
    Recorder owned;
    owned.create(window.handle, "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, 0);
    const struct {
        BOOL show;
        LPARAM status;
    } rows[] = {{FALSE, SW_PARENTCLOSING}, {TRUE, SW_PARENTOPENING}};
    for (const auto& row : rows) {
        owned.calls.clear();
        EXPECT_EQ(SendMessageA(owned.handle, WM_SHOWWINDOW, row.show, row.status), 0);
        ASSERT_FALSE(owned.calls.empty());
        EXPECT_EQ(owned.calls[0], (Call{"OnShowWindow", row.show, row.status}));
        EXPECT_EQ(IsWindowVisible(owned.handle) != FALSE, row.show != FALSE) << row.status;
    }
}

TEST_F(FrameWindowTest, UnhandledCloseLeavesAPlainFrameWindowOpen) {
    FrameWindow plain;
    plain.create(nullptr, "", WS_POPUP, 0, 0, 10, 10, 0);
    EXPECT_EQ(SendMessageA(plain.handle, WM_CLOSE, 0, 0), 1);
    EXPECT_TRUE(IsWindow(plain.handle));
}

TEST_F(FrameWindowTest, CommandsGoToTheAcceleratorOrTheMatchingChild) {
    std::vector<Call> reflected;
    auto* unbound = new Control(&reflected);  // has no handle
    window.attachChild(unbound);

    window.acceleratorResult = 5;
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40, 1), 0), 5);
    ASSERT_EQ(window.calls.size(), 1u);
    EXPECT_EQ(window.calls[0], (Call{"OnAccelerator", MAKEWPARAM(40, 1)}));

    // High word 0 with no control: forwarded, and the child without a handle matches lParam 0.
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40, 0), 0), 42);
    ASSERT_EQ(reflected.size(), 1u);
    EXPECT_EQ(reflected[0], (Call{"reflected", WM_COMMAND, MAKEWPARAM(40, 0)}));
    // A control handle that no child has: nothing matches.
    EXPECT_EQ(send(WM_COMMAND, 0, reinterpret_cast<LPARAM>(window.handle)), 0);
    EXPECT_EQ(reflected.size(), 1u);
    EXPECT_EQ(window.calls.size(), 1u) << "forwarded commands reach no handler";
}

TEST_F(FrameWindowTest, NotificationsMatchChildrenByControlIdentifier) {
    std::vector<Call> reflected;
    auto* control = new Control(&reflected);
    control->create(window.handle, "", WS_CHILD, 0, 0, 5, 5, 0, 0, false);
    ASSERT_NE(control->handle, nullptr);
    window.attachChild(control);
    window.attachChild(control);  // held once
    EXPECT_EQ(window.children.size(), 1u);
    SetWindowLongPtrA(control->handle, GWLP_ID, 9);

    NMHDR header{control->handle, 9, 0};
    EXPECT_EQ(send(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 0) << "wParam 0 names no child";
    EXPECT_EQ(send(WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&header)), 0);
    EXPECT_TRUE(reflected.empty());
    EXPECT_EQ(send(WM_NOTIFY, MAKEWPARAM(9, 3), reinterpret_cast<LPARAM>(&header)), 42);
    // Scroll bars and edit colours are matched by the control's handle.
    EXPECT_EQ(send(WM_HSCROLL, 0, reinterpret_cast<LPARAM>(control->handle)), 42);
    EXPECT_EQ(send(WM_CTLCOLOREDIT, 0, reinterpret_cast<LPARAM>(control->handle)), 42);
    EXPECT_EQ(reflected.size(), 3u);
}

TEST_F(FrameWindowTest, PaintSeesThePreviousPaintsWindowRectangle) {
    RECT measured;
    GetWindowRect(window.handle, &measured);
    window.windowRect = RECT{0, 0, 0, 0};  // as if never measured
    EXPECT_EQ(send(WM_PAINT, 0, 0), 1);
    ASSERT_EQ(window.calls.size(), 1u);
    EXPECT_EQ(window.calls[0], (Call{"OnPaint", 1}));
    EXPECT_EQ(window.paintedWith.right, 0);
    EXPECT_EQ(window.windowRect.left, measured.left) << "refreshed after EndPaint";
    EXPECT_EQ(window.windowRect.bottom, measured.bottom);
    send(WM_PAINT, 0, 0);
    EXPECT_EQ(window.paintedWith.left, measured.left);
    EXPECT_EQ(window.paintedWith.bottom, measured.bottom);
}

TEST_F(FrameWindowTest, GetTextReadsTheWindowText) {
    EXPECT_EQ(window.getText(), "Crack");
    SetWindowTextA(window.handle, std::string(300, 'x').c_str());
    EXPECT_EQ(window.getText(), std::string(254, 'x')) << "at most 254 characters";
    FrameWindow never;
    EXPECT_EQ(never.getText(), "");
}

}  // namespace
}  // namespace td
