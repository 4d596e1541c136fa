// The whole program in-process while the window system fails on request. For every failure the
// program must run to its end without a crash or a leak and give up the way it is meant to: draw
// nothing without a surface or a device context, leave the window rectangular without a shape,
// and animate only when painted or sized when it has no timer. A process of its own, since every
// run registers two more window classes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/headless/inspect.h"
#include "platform/headless/inspect_region.h"
#include "platform/headless/inspect_user.h"
#include "support/viewer_run.h"

namespace td {
namespace {

// The outline a frame left on the window.
enum class Shape {
    Model,        // the model's outline, moved by (3, 3)
    Rectangular,  // no region: the whole window rectangle
    Partial,      // a strict part of the model's outline
    Alternating,  // the model's outline on some frames, the rectangle on the others
    Other,
};

struct FaultCase {
    const char* name;
    std::function<void()> arm;        // before the program starts
    std::function<void()> armMidRun;  // once the first frame is on the screen
    bool window;                      // the top-level window exists
    bool drawn;                       // frames after arming reach the screen
    Shape shape;                      // the outline of the frames after arming
    bool ticks;                       // the release starts a timer that spins the model on
};

// GoogleTest prints a parameter in its messages; without this it would dump the case's bytes,
// padding (never initialised) included.
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Switches every fault off for the life of the object, so that a test can draw its reference
// frame; the faults, with their counts, come back afterwards.
class FaultsPaused {
public:
    FaultsPaused() : gdi_(headless::faults()), region_(headless::regionFaults()), user_(headless::userFaults()) {
        headless::faults() = {};
        headless::regionFaults() = {};
        headless::userFaults() = {};
    }
    FaultsPaused(const FaultsPaused&) = delete;
    FaultsPaused& operator=(const FaultsPaused&) = delete;
    ~FaultsPaused() {
        headless::faults() = gdi_;
        headless::regionFaults() = region_;
        headless::userFaults() = user_;
    }

private:
    headless::Faults gdi_;
    headless::RegionFaults region_;
    headless::UserFaults user_;
};

Shape shapeOf(const ViewerWindow& viewer) {
    const HRGN shown = headless::windowInfo(viewer.handle).region;
    if (!shown) return Shape::Rectangular;
    const FaultsPaused paused;
    const HRGN model = expectedRegion(viewer);
    Shape shape = Shape::Other;
    if (EqualRgn(shown, model)) {
        shape = Shape::Model;
    } else {
        const HRGN outside = CreateRectRgn(0, 0, 0, 0);
        if (CombineRgn(outside, shown, model, RGN_DIFF) == NULLREGION) shape = Shape::Partial;
        DeleteObject(outside);
    }
    DeleteObject(model);
    return shape;
}

bool hasTimer(const ViewerWindow& viewer) {
    return viewer.timerWindow && viewer.timerWindow->handle &&
           !headless::windowInfo(viewer.timerWindow->handle).timers.empty();
}

// What one run showed. The hook presses, drags 4 pixels (a short spin) and releases; lets a spin run out if a
// timer runs; then has the window repainted and closes it.
struct Observed {
    int step = 0;
    bool hadViewer = false;
    size_t blitsBeforeDrag = 0, blitsAfterDrag = 0, blitsBeforePaint = 0, blitsAfterPaint = 0;
    std::vector<Shape> shapes;  // the drag's frame and the first ticks
    int ticks = 0;
    bool timerMessages = false;
    double angleBeforePaint = 0.0, angleAfterPaint = 0.0;
};

constexpr int kShapedTicks = 3;  // the spin's frames whose outline is compared (each costs a frame)

void playUser(const FaultCase& c, Observed& o) {
    ViewerWindow* viewer = findViewer();
    if (o.step == 0 && !viewer) {
        // No window: the loop runs with nothing to show, and only a quit ends it.
        PostQuitMessage(0);
        o.step = 9;
        return;
    }
    ASSERT_NE(viewer, nullptr);
    const HWND window = viewer->handle;
    switch (o.step) {
    case 0:
        o.hadViewer = true;
        if (c.armMidRun) c.armMidRun();
        o.blitsBeforeDrag = headless::blitCount();
        headless::postMouse(window, WM_LBUTTONDOWN, 200, 200);
        headless::postMouse(window, WM_MOUSEMOVE, 204, 200);
        headless::postMouse(window, WM_LBUTTONUP, 204, 200);
        o.step = 1;
        return;
    case 1:
        o.blitsAfterDrag = headless::blitCount();
        o.shapes.push_back(shapeOf(*viewer));
        o.step = 2;
        if (hasTimer(*viewer)) return;
        [[fallthrough]];
    case 2:
        if (hasTimer(*viewer)) {
            if (++o.ticks <= kShapedTicks) o.shapes.push_back(shapeOf(*viewer));
            return;
        }
        if (viewer->timerWindow && viewer->timerWindow->handle)
            for (const auto& m : headless::messagesOf(viewer->timerWindow->handle))
                o.timerMessages |= m.message == WM_TIMER;
        o.angleBeforePaint = viewer->angleY;
        o.blitsBeforePaint = headless::blitCount();
        InvalidateRect(window, nullptr, FALSE);
        o.step = 3;
        return;
    case 3:
        o.angleAfterPaint = viewer->angleY;
        o.blitsAfterPaint = headless::blitCount();
        PostMessageA(window, WM_CLOSE, 0, 0);
        o.step = 4;
        return;
    default:
        FAIL() << "the message loop waited after WM_CLOSE";
    }
}

class ViewerFaults : public testing::TestWithParam<FaultCase> {
protected:
    void TearDown() override {
        headless::resetGdiState();
        headless::resetRegionFaults();
        headless::userFaults() = {};
        headless::setWaitHook(nullptr);
    }
};

TEST_P(ViewerFaults, RunsToTheEndAndGivesUpAsDesigned) {
    const FaultCase& c = GetParam();
    const headless::GdiCounts gdiBefore = headless::liveGdiObjects();
    const size_t blitsAtStart = headless::blitCount();
    headless::clearMessageLog();
    if (c.arm) c.arm();
    Observed o;
    headless::setWaitHook([&] { playUser(c, o); });
    EXPECT_EQ(runProgram(), 0);
    headless::setWaitHook(nullptr);

    // Whatever failed, nothing is left behind.
    expectNothingLeftBehind(gdiBefore);

    EXPECT_EQ(o.hadViewer, c.window);
    if (!c.window) {
        EXPECT_EQ(o.step, 9);
        EXPECT_EQ(headless::blitCount(), blitsAtStart);  // nothing was ever shown
        return;
    }
    EXPECT_EQ(o.step, 4);

    EXPECT_EQ(o.blitsAfterDrag > o.blitsBeforeDrag, c.drawn);
    EXPECT_EQ(o.blitsAfterPaint > o.blitsBeforePaint, c.drawn);

    ASSERT_FALSE(o.shapes.empty());
    if (c.shape == Shape::Alternating) {
        int model = 0, rectangular = 0;
        for (Shape s : o.shapes) {
            model += s == Shape::Model;
            rectangular += s == Shape::Rectangular;
        }
        EXPECT_GT(model, 0);
        EXPECT_GT(rectangular, 0);
        EXPECT_EQ(model + rectangular, static_cast<int>(o.shapes.size()));
    } else {
        for (size_t i = 0; i < o.shapes.size(); ++i)
            EXPECT_EQ(static_cast<int>(o.shapes[i]), static_cast<int>(c.shape)) << "frame " << i;
    }

    if (c.ticks) {
        // The spin ran out on the timer; the repaint finds it at rest.
        EXPECT_GT(o.ticks, kShapedTicks);
        EXPECT_EQ(o.angleAfterPaint, o.angleBeforePaint);
    } else {
        // No tick ever arrived, so the spin of the drag is still there and only the repaint's
        // frame advances it.
        EXPECT_EQ(o.ticks, 0);
        EXPECT_FALSE(o.timerMessages);
        EXPECT_NE(o.angleAfterPaint, o.angleBeforePaint);
    }
}

// A stray write damages the guard behind the surface's pixels while the program runs: from then
// on no frame is drawn and the window is rectangular, without a repair on the frame path, until
// the surface is created again.
TEST(ViewerCorruption, DamagedPixelGuardMakesTheSurfaceUndrawableUntilCreate) {
    const headless::GdiCounts gdiBefore = headless::liveGdiObjects();
    int step = 0;
    uint8_t* damaged = nullptr;
    size_t blits = 0;
    headless::setWaitHook([&] {
        ViewerWindow* viewer = findViewer();
        ASSERT_NE(viewer, nullptr);
        Surface& surface = *viewer->renderer.surface;
        switch (step++) {
        case 0:
            damaged = surface.pixels->rawBlock();
            damaged[surface.pixels->count() + 1] = 1;
            blits = headless::blitCount();
            headless::postMouse(viewer->handle, WM_LBUTTONDOWN, 200, 200);
            headless::postMouse(viewer->handle, WM_MOUSEMOVE, 260, 230);
            return;
        case 1:
            EXPECT_EQ(headless::blitCount(), blits);
            EXPECT_EQ(headless::windowInfo(viewer->handle).region, nullptr);
            EXPECT_EQ(surface.pixels->rawBlock(), damaged);
            ASSERT_TRUE(surface.create(400, 400, true));
            std::free(damaged);  // the array never frees a damaged block
            blits = headless::blitCount();
            headless::postMouse(viewer->handle, WM_MOUSEMOVE, 300, 200);
            headless::postMouse(viewer->handle, WM_LBUTTONUP, 300, 200);
            return;
        case 2:
            EXPECT_EQ(headless::blitCount(), blits + 1);
            EXPECT_EQ(static_cast<int>(shapeOf(*viewer)), static_cast<int>(Shape::Model));
            PostMessageA(viewer->handle, WM_CLOSE, 0, 0);
            return;
        default:
            FAIL() << "the message loop waited after WM_CLOSE";
        }
    });
    EXPECT_EQ(runProgram(), 0);
    headless::setWaitHook(nullptr);
    EXPECT_EQ(step, 3);
    expectNothingLeftBehind(gdiBefore);
}

void failGetDC() { headless::faults().getDC = -1; }
void failCompatibleDC() { headless::faults().createCompatibleDC = -1; }
void shortDibTransfers() { headless::faults().dibRowsShort = -1; }

const FaultCase kCases[] = {
    {"GetDCAlwaysFails", failGetDC, nullptr, true, false, Shape::Rectangular, true},
    {"GetDCFailsOnceRunning", nullptr, failGetDC, true, false, Shape::Model, true},
    {"CompatibleBitmapFails", [] { headless::faults().createCompatibleBitmap = 1; }, nullptr, true, false,
     Shape::Rectangular, true},
    {"CompatibleDCFailsOnceRunning", nullptr, failCompatibleDC, true, false, Shape::Model, true},
    {"FirstDibTransferShort", [] { headless::faults().dibRowsShort = 1; }, nullptr, true, false,
     Shape::Rectangular, true},
    {"DibTransfersShortOnceRunning", nullptr, shortDibTransfers, true, false, Shape::Model, true},
    {"EverySecondRectRegionFails", nullptr, [] { headless::regionFaults().createRectRgn = headless::Fault::everyNth(2); },
     true, true, Shape::Alternating, true},
    {"EveryThirdShapePieceFails", nullptr,
     [] { headless::regionFaults().extCreateRegion = headless::Fault::everyNth(3); }, true, true, Shape::Model,
     true},
    {"SetTimerFails", [] { headless::userFaults().setTimer = -1; }, nullptr, true, true, Shape::Model, false},
    {"TimerWindowNotCreated", [] { headless::userFaults().createWindow = headless::Fault::onCall(2); }, nullptr,
     true, true, Shape::Model, false},
    {"TopLevelWindowNotCreated", [] { headless::userFaults().createWindow = headless::Fault::onCall(1); },
     nullptr, false, false, Shape::Rectangular, false},
};

INSTANTIATE_TEST_SUITE_P(WindowSystem, ViewerFaults, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace td
