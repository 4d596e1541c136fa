// The window system's own behaviour that the framework relies on, checked the same way on both
// builds: the messages of creation, showing and destruction in Wine's order, frame sizes, and
// what DefWindowProcA and DefDlgProcA do with the messages that reach them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

struct Entry {
    HWND window;
    UINT message;
    bool operator==(const Entry& o) const { return window == o.window && message == o.message; }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << e.window << ":0x" << std::hex << e.message << std::dec;
}

std::vector<Entry> journal;
bool recording = false;

// Messages that a desktop session adds of its own accord (input method, icons, palette).
bool incidental(UINT m) { return m == 0x007F || m == 0x030F || m == 0x0281 || m == 0x0282 || m == 0x0285; }

LRESULT CALLBACK journalProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (recording && !incidental(m)) journal.push_back({h, m});
    return DefWindowProcA(h, m, w, l);
}

const char* journalClass() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW;
        wc.lpfnWndProc = journalProc;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "tdJournal";
        return RegisterClassExA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return "tdJournal";
}

// The null HWND in an expectation stands for "the window created by this call".
HWND create(DWORD ex, DWORD style, int x, int y, int w, int h, HWND parent) {
    return CreateWindowExA(ex, journalClass(), "", style, x, y, w, h, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

class UserMessages : public testing::Test {
protected:
    void SetUp() override {
        journal.clear();
        recording = true;
    }
    void TearDown() override {
        recording = false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    static std::vector<UINT> messagesOf(HWND h) {
        std::vector<UINT> out;
        for (const Entry& e : journal)
            if (e.window == h) out.push_back(e.message);
        return out;
    }
};

TEST_F(UserMessages, APopupAndItsChildAreCreatedAsWineCreatesThem) {
    const HWND top = create(WS_EX_DLGMODALFRAME | 0x2, WS_POPUP | WS_CLIPCHILDREN, 400, 200, 400, 400, nullptr);
    ASSERT_NE(top, nullptr);
    const std::vector<UINT> popup = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE};
    EXPECT_EQ(messagesOf(top), popup) << "no WM_GETMINMAXINFO for a popup without a sizing frame";

    // The dialog frame is three pixels on every side.
    RECT window, client;
    GetWindowRect(top, &window);
    GetClientRect(top, &client);
    EXPECT_EQ(window.left, 400);
    EXPECT_EQ(window.top, 200);
    EXPECT_EQ(window.right, 800);
    EXPECT_EQ(window.bottom, 600);
    EXPECT_EQ(client.right, 394);
    EXPECT_EQ(client.bottom, 394);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(origin.x, 403);
    EXPECT_EQ(origin.y, 203);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(top, GWL_STYLE)), WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(top, GWL_EXSTYLE)), WS_EX_DLGMODALFRAME | 0x2 | WS_EX_WINDOWEDGE);

    journal.clear();
    const HWND child = create(0, WS_CHILD, 0, 0, 0, 0, top);
    ASSERT_NE(child, nullptr);
    const std::vector<Entry> childCreation = {{child, WM_NCCREATE}, {child, WM_NCCALCSIZE}, {child, WM_CREATE},
                                              {child, WM_SIZE},     {child, WM_MOVE},       {top, WM_PARENTNOTIFY}};
    EXPECT_EQ(journal, childCreation);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_EQ(GetParent(top), nullptr);
    GetWindowRect(child, &window);
    EXPECT_EQ(window.left, 403);
    EXPECT_EQ(window.right, 403);

    journal.clear();
    const HWND grandchild = create(0, WS_CHILD | WS_VISIBLE, 1, 2, 3, 4, child);
    EXPECT_EQ(journal.back(), (Entry{grandchild, WM_SHOWWINDOW})) << "a visible child is shown last";

    // Destruction: WM_DESTROY from the top down, WM_NCDESTROY from the bottom up.
    journal.clear();
    EXPECT_TRUE(DestroyWindow(top));
    const std::vector<Entry> destruction = {{top, WM_DESTROY},          {child, WM_DESTROY},
                                            {grandchild, WM_DESTROY},   {grandchild, WM_NCDESTROY},
                                            {child, WM_NCDESTROY},      {top, WM_NCDESTROY}};
    EXPECT_EQ(journal, destruction);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(DestroyWindow(top));
}

TEST_F(UserMessages, AChildDestroyedAloneTellsItsParentFirst) {
    const HWND top = create(0, WS_POPUP, 0, 0, 50, 50, nullptr);
    const HWND child = create(0, WS_CHILD, 0, 0, 0, 0, top);
    journal.clear();
    DestroyWindow(child);
    const std::vector<Entry> expected = {{top, WM_PARENTNOTIFY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}};
    EXPECT_EQ(journal, expected);
    DestroyWindow(top);
}

TEST_F(UserMessages, ShowingAndHidingAHiddenChild) {
    const HWND top = create(0, WS_POPUP, 0, 0, 50, 50, nullptr);
    const HWND child = create(0, WS_CHILD, 0, 0, 0, 0, top);
    journal.clear();
    EXPECT_FALSE(ShowWindow(child, SW_HIDE)) << "already hidden: nothing happens";
    EXPECT_TRUE(journal.empty());
    // Inside a hidden parent only WM_SHOWWINDOW is sent; inside a visible one the window moves.
    EXPECT_FALSE(ShowWindow(child, SW_SHOW));
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    EXPECT_EQ(messagesOf(child), (std::vector<UINT>{WM_SHOWWINDOW, WM_SHOWWINDOW}));
    ShowWindow(top, SW_SHOWNA);
    journal.clear();
    EXPECT_FALSE(ShowWindow(child, SW_SHOW));
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    const std::vector<UINT> expected = {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
                                        WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED};
    EXPECT_EQ(messagesOf(child), expected);
    EXPECT_FALSE(IsWindowVisible(child));
    DestroyWindow(top);
}

TEST_F(UserMessages, ShowingATopLevelWindowActivatesItAndPaintsOnUpdate) {
    const HWND top = create(WS_EX_DLGMODALFRAME, WS_POPUP, 10, 10, 60, 60, nullptr);
    journal.clear();
    ShowWindow(top, SW_SHOW);
    const std::vector<UINT> shown = messagesOf(top);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), static_cast<UINT>(WM_SHOWWINDOW));
    EXPECT_EQ(shown.back(), static_cast<UINT>(WM_WINDOWPOSCHANGED));
    auto position = [&](UINT m) { return std::find(shown.begin(), shown.end(), m) - shown.begin(); };
    EXPECT_LT(position(WM_NCACTIVATE), position(WM_ACTIVATE));
    EXPECT_LT(position(WM_ACTIVATE), position(WM_SETFOCUS));
    EXPECT_LT(position(WM_SETFOCUS), position(WM_ERASEBKGND));
    EXPECT_EQ(GetFocus(), top);
    EXPECT_EQ(GetForegroundWindow(), top);
    journal.clear();
    UpdateWindow(top);
    EXPECT_EQ(messagesOf(top), std::vector<UINT>{WM_PAINT});
    journal.clear();
    UpdateWindow(top);
    EXPECT_TRUE(messagesOf(top).empty()) << "WM_PAINT validated the window";
    DestroyWindow(top);
}

TEST_F(UserMessages, PaintComesBeforeATimerThatIsDue) {
    const HWND top = create(0, WS_POPUP | WS_VISIBLE, 0, 0, 30, 30, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    const HWND other = create(0, WS_POPUP, 0, 0, 10, 10, nullptr);
    ASSERT_EQ(SetTimer(top, 5, 1, nullptr), 5u);
    ASSERT_EQ(SetTimer(other, 6, 50, nullptr), 6u);
    // While waiting for the slow timer, the fast one falls due.
    ASSERT_TRUE(GetMessageA(&msg, other, WM_TIMER, WM_TIMER));
    KillTimer(other, 6);
    DestroyWindow(other);
    InvalidateRect(top, nullptr, TRUE);
    ASSERT_TRUE(PeekMessageA(&msg, top, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    journal.clear();
    DispatchMessageA(&msg);
    const std::vector<UINT> painted = {WM_PAINT, WM_ERASEBKGND};
    EXPECT_EQ(messagesOf(top), painted) << "BeginPaint erases inside WM_PAINT";
    EXPECT_TRUE(KillTimer(top, 5));
    EXPECT_FALSE(KillTimer(top, 5));
    DestroyWindow(top);
}

TEST_F(UserMessages, ANewRegionMovesNothingAndRedrawsTheFrameOnlyWhenAsked) {
    const HWND top = create(WS_EX_DLGMODALFRAME, WS_POPUP | WS_VISIBLE, 10, 10, 40, 40, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    const struct {
        BOOL redraw;
        std::vector<UINT> messages;
    } rows[] = {{TRUE, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_NCPAINT, WM_WINDOWPOSCHANGED}},
                {FALSE, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED}}};
    for (const auto& row : rows) {
        journal.clear();
        EXPECT_EQ(SetWindowRgn(top, CreateRectRgn(0, 0, 20, 20), row.redraw), 1);
        EXPECT_EQ(messagesOf(top), row.messages) << row.redraw;
    }
    // The active window going away: hidden, deactivated, then destroyed.
    journal.clear();
    DestroyWindow(top);
    const std::vector<UINT> destroyed = {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
                                         WM_ACTIVATEAPP,       WM_KILLFOCUS,        WM_DESTROY,    WM_NCDESTROY};
    EXPECT_EQ(messagesOf(top), destroyed);
}

TEST_F(UserMessages, DefaultProceduresAnswerAsWindowsDoes) {
    const HWND h = create(0, WS_POPUP, 0, 0, 30, 30, nullptr);
    EXPECT_TRUE(SetWindowTextA(h, "T2"));
    char text[8] = {};
    EXPECT_EQ(GetWindowTextA(h, text, sizeof text), 2);
    EXPECT_STREQ(text, "T2");
    EXPECT_EQ(DefWindowProcA(h, WM_SHOWWINDOW, 1, 0), 0);
    EXPECT_EQ(DefDlgProcA(h, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(h)) << "DefDlgProcA does not destroy on WM_CLOSE";
    HDC dc = GetDC(h);
    EXPECT_EQ(DefDlgProcA(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(DefWindowProcA(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0) << "the class has no brush";
    ReleaseDC(h, dc);
    journal.clear();
    EXPECT_EQ(SendMessageA(h, WM_CLOSE, 0, 0), 0);
    const std::vector<UINT> closed = {WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(messagesOf(h), closed);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(GetDC(h), nullptr) << "no device context for a dead window";
}

TEST_F(UserMessages, FocusCaptureAndEnabling) {
    const HWND top = create(0, WS_POPUP | WS_VISIBLE, 0, 0, 60, 60, nullptr);
    const HWND child = create(0, WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, top);
    ASSERT_EQ(GetFocus(), top);
    journal.clear();
    EXPECT_EQ(SetFocus(child), top);
    const std::vector<Entry> moved = {{top, WM_KILLFOCUS}, {child, WM_SETFOCUS}};
    EXPECT_EQ(journal, moved);

    EXPECT_EQ(SetCapture(top), nullptr);
    EXPECT_EQ(GetCapture(), top);
    journal.clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(journal, (std::vector<Entry>{{top, WM_CAPTURECHANGED}}));
    EXPECT_EQ(GetCapture(), nullptr);

    EXPECT_FALSE(EnableWindow(child, FALSE)) << "returns whether it was disabled before";
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_NE(GetFocus(), child);
    EXPECT_EQ(SetFocus(child), nullptr) << "a disabled window takes no focus";
    EXPECT_TRUE(EnableWindow(child, TRUE));
    DestroyWindow(top);
}

TEST_F(UserMessages, KeyStateReadsTheHighBitAsSignAndTheToggleInBitZero) {
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE saved[256];
    std::copy(std::begin(keys), std::end(keys), saved);
    keys[VK_LSHIFT] = 0x80;
    keys[VK_RSHIFT] = 0x01;
    SetKeyboardState(keys);
    EXPECT_LT(GetKeyState(VK_LSHIFT), 0);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x80, 0x80);
    EXPECT_EQ(GetKeyState(VK_RSHIFT), 1);
    SetKeyboardState(saved);
}

}  // namespace
