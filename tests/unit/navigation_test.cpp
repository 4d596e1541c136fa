// Keyboard navigation: Tab announcements, the focus ring and the tooltip relay.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/probe_window.h"
#include "support/user_input.h"
#include "ui/frame_window.h"
#include "ui/navigation.h"

namespace td {
namespace {

// Records WM_NAVIGATE (before the filter consumes it) and key-downs that get through.
class Listener : public FrameWindow {
public:
    struct Seen {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Seen> seen;
    int focusGained = 0, focusLost = 0;
    LRESULT RouteMessage(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_NAVIGATE || m == TTM_RELAYEVENT || m == TTM_SETTOOLINFOA) seen.push_back({m, w, l});
        if (m == TTM_RELAYEVENT) relayed.push_back(*reinterpret_cast<const MSG*>(l));
        return FrameWindow::RouteMessage(h, m, w, l);
    }
    LRESULT OnOtherMessage(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_KEYDOWN) seen.push_back({m, w, l});
        return FrameWindow::OnOtherMessage(h, m, w, l);
    }
    void OnFocusGained() override { ++focusGained; }
    void OnFocusLost() override { ++focusLost; }
    std::vector<MSG> relayed;
};

class Navigation : public testing::Test {
protected:
    void SetUp() override {
        GetKeyboardState(savedKeys);
        owner.create(nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, 0);
        for (auto*& c : child) {
            c = new Listener;
            c->create(owner.handle, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, 0);
            owner.attachChild(c);
            c->parent = &owner;
            owner.focusRing.push_back(c->handle);
        }
    }
    void TearDown() override { SetKeyboardState(savedKeys); }
    void setShift(int virtualKey) {
        BYTE keys[256] = {};
        keys[virtualKey] = 0x80;
        SetKeyboardState(keys);
    }
    BYTE savedKeys[256];
    Listener owner;
    Listener* child[4];
};

TEST_F(Navigation, TabIsAnnouncedToTheParentAndConsumed) {
    SetKeyboardState(std::vector<BYTE>(256, 0).data());
    EXPECT_EQ(SendMessageA(child[1]->handle, WM_KEYDOWN, VK_TAB, 0), 0);
    setShift(VK_RSHIFT);
    SendMessageA(child[1]->handle, WM_KEYDOWN, VK_TAB, 0);
    setShift(VK_LSHIFT);
    SendMessageA(child[1]->handle, WM_KEYDOWN, VK_TAB, 0);
    SendMessageA(child[1]->handle, WM_KEYDOWN, 'A', 0);  // other keys pass untouched
    ASSERT_EQ(owner.seen.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(owner.seen[i].message, WM_NAVIGATE);
        EXPECT_EQ(owner.seen[i].wParam, reinterpret_cast<WPARAM>(child[1]->handle));
    }
    EXPECT_EQ(owner.seen[0].lParam, kNavigateNext);
    EXPECT_EQ(owner.seen[1].lParam, kNavigatePrevious);
    EXPECT_EQ(owner.seen[2].lParam, kNavigatePrevious);
    ASSERT_EQ(child[1]->seen.size(), 1u) << "only the letter reached WindowProc";
    EXPECT_EQ(child[1]->seen[0].wParam, static_cast<WPARAM>('A'));
    // Each step starts from child 1: Tab to 2, then Shift+Tab (twice) to 0.
    EXPECT_EQ(owner.focusedHandle, child[0]->handle);
    EXPECT_EQ(GetFocus(), child[0]->handle);
}

TEST_F(Navigation, TypedTabAndShiftTabMoveThroughTheRing) {
    SetForegroundWindow(owner.handle);
    SetFocus(child[1]->handle);
    probe::drain();
    owner.seen.clear();
    // Each key as a user types it: the Shift key's state is set as its key-down is taken.
    const std::pair<int, bool> keys[] = {{VK_TAB, true},     {VK_TAB, false},     {VK_LSHIFT, true},
                                         {VK_TAB, true},     {VK_TAB, false},     {VK_LSHIFT, false}};
    for (const auto& [key, down] : keys) {
        probe::sendKey(key, down);
        probe::drain();
    }
    ASSERT_EQ(owner.seen.size(), 2u);
    EXPECT_EQ(owner.seen[0].lParam, kNavigateNext);
    EXPECT_EQ(owner.seen[1].lParam, kNavigatePrevious);
    EXPECT_EQ(owner.focusedHandle, child[1]->handle);
    EXPECT_EQ(GetFocus(), child[1]->handle);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x80, 0);
    ASSERT_EQ(child[2]->seen.size(), 1u) << "Tab is consumed, Shift passes";
    EXPECT_EQ(child[2]->seen[0].wParam, static_cast<WPARAM>(VK_SHIFT));
}

TEST_F(Navigation, TabInATopLevelWindowIsLostButConsumed) {
    SetKeyboardState(std::vector<BYTE>(256, 0).data());
    EXPECT_EQ(SendMessageA(owner.handle, WM_KEYDOWN, VK_TAB, 0), 0);
    EXPECT_TRUE(owner.seen.empty());
}

TEST_F(Navigation, TheRingWrapsAndSkipsDisabledOrHiddenWindows) {
    owner.next(child[3]->handle);
    EXPECT_EQ(owner.focusedHandle, child[0]->handle) << "from the last index to 0";
    owner.prev(child[0]->handle);
    EXPECT_EQ(owner.focusedHandle, child[3]->handle) << "from 0 to the last index";

    EnableWindow(child[1]->handle, FALSE);
    ShowWindow(child[2]->handle, SW_HIDE);
    owner.next(child[0]->handle);
    EXPECT_EQ(owner.focusedHandle, child[3]->handle);
    owner.prev(child[3]->handle);
    EXPECT_EQ(owner.focusedHandle, child[0]->handle);

    // Nobody else can take it: the start keeps it, even when disabled itself.
    EnableWindow(child[3]->handle, FALSE);
    EnableWindow(child[0]->handle, FALSE);
    owner.next(child[0]->handle);
    EXPECT_EQ(owner.focusedHandle, child[0]->handle);

    const HWND before = owner.focusedHandle;
    owner.next(owner.handle);  // not in the ring
    EXPECT_EQ(owner.focusedHandle, before);
    EXPECT_EQ(owner.indexOf(owner.handle), -1);
    EXPECT_EQ(owner.indexOf(child[2]->handle), 2);
}

TEST_F(Navigation, SetFocusOnlyMovesToRingMembers) {
    owner.setFocus(owner.handle);
    EXPECT_EQ(owner.focusedHandle, nullptr);
    owner.setFocus(child[2]->handle);
    EXPECT_EQ(owner.focusedHandle, child[2]->handle);
    EXPECT_EQ(GetFocus(), child[2]->handle);
    EXPECT_GE(child[2]->focusGained, 1);
    SetFocus(owner.handle);
    EXPECT_GE(child[2]->focusLost, 1);
    // The click on a child asks the parent, which gives the child the focus.
    SendMessageA(child[1]->handle, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(owner.focusedHandle, child[1]->handle);
}

TEST_F(Navigation, TheRelayPassesMovesThatChangeBothCoordinates) {
    Listener& tooltip = *child[3];
    owner.relay = std::make_unique<TooltipRelay>();
    owner.relay->owner = owner.handle;
    owner.relay->tooltip = tooltip.handle;
    tooltip.seen.clear();
    POINT origin{0, 0};
    ClientToScreen(owner.handle, &origin);

    SendMessageA(owner.handle, WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
    ASSERT_EQ(tooltip.relayed.size(), 1u);
    EXPECT_EQ(tooltip.relayed[0].hwnd, owner.handle);
    EXPECT_EQ(tooltip.relayed[0].message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(tooltip.relayed[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(owner.lastRelayPoint.x, origin.x + 10);
    SendMessageA(owner.handle, WM_MOUSEMOVE, 0, MAKELPARAM(10, 25));  // same x
    SendMessageA(owner.handle, WM_MOUSEMOVE, 0, MAKELPARAM(15, 20));  // same y
    EXPECT_EQ(tooltip.relayed.size(), 1u);
    EXPECT_EQ(owner.lastRelayPoint.y, origin.y + 20) << "not updated by ignored moves";
    SendMessageA(owner.handle, WM_MOUSEMOVE, 0, MAKELPARAM(11, 21));
    SendMessageA(owner.handle, WM_RBUTTONUP, 2, MAKELPARAM(11, 21));
    EXPECT_EQ(tooltip.relayed.size(), 3u);
    EXPECT_EQ(tooltip.relayed[2].message, static_cast<UINT>(WM_RBUTTONUP));

    // WM_SIZE gives the tool the client rectangle but sends nothing while there is no text.
    SendMessageA(owner.handle, WM_SIZE, 0, 0);
    EXPECT_EQ(owner.relay->rect.right, 100);
    updateTool(owner, "tip", RECT{1, 2, 3, 4});
    ASSERT_EQ(tooltip.seen.back().message, static_cast<UINT>(TTM_SETTOOLINFOA));
    EXPECT_STREQ(owner.relay->text.get(), "tip");
    EXPECT_EQ(owner.relay->rect.bottom, 4);
    owner.relay->tooltip = nullptr;  // child 3 is destroyed as a child, not as the tooltip
}

// Navigation groups: what a group and its parent do on focus changes and WM_NAVIGATE, as one
// journal of named events across the windows involved.
std::vector<std::string> groupJournal;

class Member : public FrameWindow {
public:
    explicit Member(const char* name) : name(name) {}
    void note(const char* event) { groupJournal.push_back(name + ":" + event); }
    LRESULT RouteMessage(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_NAVIGATE) note(l == kNavigateEntered ? "navigate entered" : "navigate step");
        return FrameWindow::RouteMessage(h, m, w, l);
    }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_SETFOCUS || m == WM_KILLFOCUS) note("own procedure");
        return FrameWindow::WindowProc(h, m, w, l);
    }
    void OnFocusGained() override { note("gained"); }
    void OnFocusLost() override { note("lost"); }
    void OnGroupEntered() override { note("entered"); }
    void OnGroupLeft() override { note("left"); }
    std::string name;
};

TEST(NavigationGroups, AGroupTakesFocusChangesAndNavigationForItsMembers) {
    Member owner("owner");
    owner.create(nullptr, "groups", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, 0);
    auto* group = new Member("group");
    group->create(owner.handle, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, 0);
    group->isGroup = true;
    auto* plain = new Member("plain");
    plain->create(owner.handle, "", WS_CHILD | WS_VISIBLE, 50, 0, 50, 50, 0);
    auto* inner = new Member("inner");
    inner->create(group->handle, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, 0);
    for (Member* m : {group, plain}) {
        owner.attachChild(m);
        owner.focusRing.push_back(m->handle);
        m->parent = &owner;
    }
    group->attachChild(inner);
    group->focusRing.push_back(inner->handle);
    SetFocus(owner.handle);

    const auto handle = [](const Window* w) { return reinterpret_cast<WPARAM>(w->handle); };
    // The focus moving from the owner to the plain child.
    const std::string moved[] = {"owner:lost", "owner:own procedure", "plain:gained", "plain:own procedure"};
    const struct {
        const char* what;
        Member* target;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool groupHasParent;
        HWND ownerFocus;
        std::vector<std::string> journal;
    } rows[] = {
        {"a group is entered, and consumes it", group, WM_SETFOCUS, 0, 0, true, nullptr, {"group:entered"}},
        {"a plain window gains", plain, WM_SETFOCUS, 0, 0, true, nullptr, {"plain:gained", "plain:own procedure"}},
        {"focus to a member stays in the group", group, WM_KILLFOCUS, handle(inner), 0, true, nullptr,
         {"group:own procedure"}},
        {"focus elsewhere leaves the group", group, WM_KILLFOCUS, handle(plain), 0, true, nullptr, {"group:left"}},
        {"a plain window loses", plain, WM_KILLFOCUS, 0, 0, true, nullptr, {"plain:lost", "plain:own procedure"}},
        {"a member entered: the group tells its parent", group, WM_NAVIGATE, handle(inner), kNavigateEntered, true,
         group->handle, {"group:navigate entered", "owner:navigate entered", "group:entered"}},
        {"entered without a parent: nothing more", group, WM_NAVIGATE, handle(inner), kNavigateEntered, false,
         nullptr, {"group:navigate entered"}},
        {"a click on another child leaves the focused group", &owner, WM_NAVIGATE, handle(plain), kNavigateEntered,
         true, group->handle, {"owner:navigate entered", "group:left", moved[0], moved[1], moved[2], moved[3]}},
        {"Tab inside a group leaves it upwards, and the parent steps on", group, WM_NAVIGATE, handle(inner),
         kNavigateNext, true, nullptr,
         {"group:navigate step", "group:left", "owner:navigate step", "group:left", moved[0], moved[1], moved[2],
          moved[3]}},
        {"Tab inside a group without a parent: nothing more", group, WM_NAVIGATE, handle(inner), kNavigatePrevious,
         false, nullptr, {"group:navigate step"}},
        {"Tab from a group child leaves that group", &owner, WM_NAVIGATE, handle(group), kNavigateNext, true,
         group->handle, {"owner:navigate step", "group:left", moved[0], moved[1], moved[2], moved[3]}},
    };
    for (const auto& row : rows) {
        owner.focusedHandle = nullptr;  // or the owner would hand the focus straight back
        SetFocus(owner.handle);
        group->parent = row.groupHasParent ? &owner : nullptr;
        owner.focusedHandle = row.ownerFocus;
        groupJournal.clear();
        SendMessageA(row.target->handle, row.message, row.wParam, row.lParam);
        EXPECT_EQ(groupJournal, row.journal) << row.what;
    }
}

}  // namespace
}  // namespace td
