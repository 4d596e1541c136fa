// Window classes, binding in the window map, and the teardown of a window with children.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/frame_window.h"
#include "ui/window_map.h"

namespace td {
namespace {

std::string classOf(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

// The class counter is process-wide, so the first two classes of the process are taken here,
// during static initialisation, before any test can register one.
struct FirstClasses {
    std::string top, timer;
    FirstClasses() {
        FrameWindow first;
        first.create(nullptr, "first", WS_POPUP, 0, 0, 10, 10, 0);
        Window second;
        second.create(first.handle, "", WS_CHILD, 0, 0, 0, 0, 0, CS_VREDRAW | CS_HREDRAW, false);
        top = classOf(first.handle);
        timer = classOf(second.handle);
    }
};
const FirstClasses firstClasses;

TEST(WindowClasses, TheFirstTwoWindowsOfTheProcessGetClasses200And201) {
    EXPECT_EQ(firstClasses.top, "200");
    EXPECT_EQ(firstClasses.timer, "201");
}

TEST(WindowClasses, GeneratedNamesCountUpByOne) {
    const unsigned long a = std::stoul(registerWindowClass("", 0));
    const unsigned long b = std::stoul(registerWindowClass("", 0));
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(registerWindowClass("named", 0), "named");
}

// Records every message that reaches the object's own procedure.
class Probe : public Window {
public:
    std::vector<UINT> seen;
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        seen.push_back(m);
        return Window::WindowProc(h, m, w, l);
    }
};

TEST(WindowMap, BindsAfterCreationAndUnbindsAfterDestroy) {
    Probe probe;
    probe.create(nullptr, "probe", WS_POPUP, 0, 0, 20, 20, 0, 0, false);
    ASSERT_NE(probe.handle, nullptr);
    for (UINT m : probe.seen) EXPECT_NE(m, static_cast<UINT>(WM_CREATE)) << "creation messages go to DefDlgProcA";
    EXPECT_TRUE(probe.seen.empty());
    ASSERT_EQ(windowMap().count(probe.handle), 1u);
    EXPECT_EQ(windowMap().at(probe.handle), &probe);

    SendMessageA(probe.handle, WM_USER, 0, 0);
    EXPECT_EQ(probe.seen.back(), static_cast<UINT>(WM_USER));

    // DefWindowProcA destroys on WM_CLOSE; the object lives on, unbound.
    const HWND h = probe.handle;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(windowMap().count(h), 0u);
    EXPECT_EQ(probe.seen.back(), static_cast<UINT>(WM_DESTROY)) << "WM_NCDESTROY comes after the unbinding";
}

TEST(WindowMap, AnUnboundHandleIsAnsweredByDefDlgProc) {
    const HWND h = createWindowObject(nullptr, "", "unbound", WS_POPUP, 0, 0, 0, 10, 10, nullptr, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(windowMap().count(h), 0u);
    // DefWindowProcA would destroy the window; DefDlgProcA does not.
    EXPECT_EQ(SendMessageA(h, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(h));
    DestroyWindow(h);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A child that notes, in its own destructor, what still exists.
struct TeardownLog {
    std::vector<std::string> events;
};

class Child : public Window {
public:
    Child(TeardownLog* log, std::string name) : log(log), name(std::move(name)) {}
    ~Child() override {
        log->events.push_back(name + (IsWindow(handle) ? " members, window alive" : " members, window gone"));
    }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_DESTROY || m == WM_PARENTNOTIFY) log->events.push_back(name + " derived handler");
        return Window::WindowProc(h, m, w, l);
    }
    TeardownLog* log;
    std::string name;
};

class Parent : public FrameWindow {
public:
    explicit Parent(TeardownLog* log) : log(log) {}
    LRESULT OnOtherMessage(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_DESTROY || m == WM_PARENTNOTIFY) log->events.push_back("parent derived handler");
        return FrameWindow::OnOtherMessage(h, m, w, l);
    }
    TeardownLog* log;
};

TEST(WindowTeardown, ChildrenGoFirstAndNoDerivedHandlerRuns) {
    TeardownLog log;
    auto* parent = new Parent(&log);
    parent->create(nullptr, "parent", WS_POPUP, 0, 0, 50, 50, 0);
    auto* a = new Child(&log, "a");
    a->create(parent->handle, "", WS_CHILD, 0, 0, 5, 5, 0, 0, false);
    auto* b = new Child(&log, "b");
    b->create(parent->handle, "", WS_CHILD, 0, 0, 5, 5, 0, 0, false);
    parent->attachChild(a);
    parent->attachChild(b);
    const HWND handles[] = {parent->handle, a->handle, b->handle};
    log.events.clear();  // the parent heard of its children's creation

    delete parent;
    const std::vector<std::string> expected = {"a members, window alive", "b members, window alive"};
    EXPECT_EQ(log.events, expected);
    for (HWND h : handles) {
        EXPECT_FALSE(IsWindow(h));
        EXPECT_EQ(windowMap().count(h), 0u);
    }
}

TEST(WindowTeardown, AnObjectCreatedTwiceLeavesNoBindingBehind) {
    const size_t before = windowMap().size();
    HWND first;
    {
        Window twice;
        twice.create(nullptr, "", WS_POPUP, 0, 0, 5, 5, 0, 0, false);
        first = twice.handle;
        twice.create(nullptr, "", WS_POPUP, 0, 0, 5, 5, 0, 0, false);
    }
    // The first window outlives the object; its messages must not reach the dead object.
    EXPECT_EQ(windowMap().size(), before);
    EXPECT_EQ(SendMessageA(first, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(first)) << "answered by DefDlgProcA";
    DestroyWindow(first);
}

// A window that took over a control: the previous procedure runs between the two hooks, and
// only when the first allows it.
std::vector<std::string> subclassSteps;

LRESULT CALLBACK previousProcedure(HWND, UINT, WPARAM, LPARAM) {
    subclassSteps.push_back("previous");
    return 77;
}

class Subclassed : public Window {
public:
    bool allow = true;
    bool BeforeSubclassProc(HWND, UINT, WPARAM, LPARAM) override {
        subclassSteps.push_back("before");
        return allow;
    }
    void AfterSubclassProc(HWND, UINT, WPARAM, LPARAM) override { subclassSteps.push_back("after"); }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        subclassSteps.push_back("own procedure");
        return Window::WindowProc(h, m, w, l);
    }
};

TEST(WindowSubclass, ThePreviousProcedureRunsBetweenTheHooksWhenAllowed) {
    Subclassed window;
    window.create(nullptr, "", WS_POPUP, 0, 0, 5, 5, 0, 0, false);
    window.previousProc = previousProcedure;
    const struct {
        bool allow;
        LRESULT result;
        std::vector<std::string> steps;
    } rows[] = {{true, 77, {"before", "previous", "after"}}, {false, 0, {"before"}}};
    for (const auto& row : rows) {
        window.allow = row.allow;
        subclassSteps.clear();
        EXPECT_EQ(SendMessageA(window.handle, WM_USER + 1, 0, 0), row.result);
        EXPECT_EQ(subclassSteps, row.steps);
    }
    window.previousProc = nullptr;
}

}  // namespace
}  // namespace td
