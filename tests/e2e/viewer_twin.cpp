// The viewer's twin: the whole program in-process against the headless stand-in, given the
// window messages that the real program got under Wine from a press to its release, then left to
// spin out on its timer. The frame it then shows is compared, pixel for pixel, with a screenshot
// of the real window.
//
//   viewer_twin MESSAGES SCREEN.png [TWIN.png [GRID]]
//
// MESSAGES holds the viewer window's messages in the order they were dispatched, one a line:
// "down X Y", "move X Y", "up X Y" (client coordinates) or "paint"; an empty file leaves the
// model as it starts. SCREEN.png is a screenshot of the whole X screen. The window lies at
// (400, 200) and its client area at (403, 203): screen (403 + x, 203 + y) shows surface (x, y)
// for x and y below 394. Every model pixel, inside the window's shape, must show the twin's
// frame, and every other pixel of the window's rectangle the desktop, whose colour is taken from
// the screen's corner: a pixel left over from an earlier, larger shape is a fault. TWIN.png
// receives the twin's client area, transparent outside the shape; GRID the shape at the points
// where the end-to-end script probes it with the pointer, window (5 + 10i, 5 + 10j) for i and j
// below 40, row by row, "1" inside and "0" outside.
// Exit status: 0 when every pixel is as it should be, 1 when any differs, 2 on bad input.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/viewer_run.h"
#include "tools/snapshot/png_image.h"

namespace {

constexpr int kWindowLeft = 400, kWindowTop = 200, kWindowSize = 400;
constexpr int kClientLeft = 403, kClientTop = 203, kClientSize = 394, kShapeOffset = 3;

struct Step {
    UINT message;  // WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP or WM_PAINT
    int x = 0, y = 0;
};

bool readSteps(const char* path, std::vector<Step>& steps, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = std::string("cannot read ") + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string name;
        if (!(words >> name)) continue;
        Step step{WM_PAINT};
        if (name == "down") step.message = WM_LBUTTONDOWN;
        else if (name == "move") step.message = WM_MOUSEMOVE;
        else if (name == "up") step.message = WM_LBUTTONUP;
        else if (name != "paint") name.clear();
        if (name.empty() || (step.message != WM_PAINT && !(words >> step.x >> step.y))) {
            error = std::string(path) + ":" + std::to_string(number) + ": not a message: " + line;
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

// What the twin shows once the model rests: its client area and the window's shape.
struct Shown {
    headless::Canvas canvas;
    HRGN shape = nullptr;  // window coordinates; null for a rectangular window
    double angleX = 0, angleY = 0;
    bool taken = false;
};

// Runs the program, plays the steps one at a time (each when the previous one has been handled,
// as the real queue delivered them), waits until the spin has run out and closes the window.
Shown playTwin(const std::vector<Step>& steps) {
    Shown shown;
    size_t next = 0;
    headless::setWaitHook([&] {
        td::ViewerWindow* viewer = td::findViewer();
        if (!viewer || shown.taken) return;
        if (next < steps.size()) {
            const Step& step = steps[next++];
            if (step.message == WM_PAINT) InvalidateRect(viewer->handle, nullptr, FALSE);
            else headless::postMouse(viewer->handle, step.message, step.x, step.y);
            return;
        }
        // Still spinning: with nothing posted the clock runs on to the next tick.
        if (viewer->timerWindow && !headless::windowInfo(viewer->timerWindow->handle).timers.empty()) return;
        if (const headless::Canvas* canvas = headless::windowCanvas(viewer->handle)) shown.canvas = *canvas;
        if (HRGN region = headless::windowInfo(viewer->handle).region) {
            shown.shape = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(shown.shape, region, nullptr, RGN_COPY);
        }
        shown.angleX = viewer->angleX;
        shown.angleY = viewer->angleY;
        shown.taken = true;
        PostMessageA(viewer->handle, WM_CLOSE, 0, 0);
    });
    td::runProgram();
    headless::setWaitHook(nullptr);
    return shown;
}

// The screenshot's pixel at (x, y) as 0xRRGGBB.
uint32_t screenPixel(const td::png::Image& screen, int x, int y) {
    const uint8_t* p = &screen.rgba[(size_t(y) * screen.width + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: viewer_twin MESSAGES SCREEN.png [TWIN.png [GRID]]\n");
        return 2;
    }
    std::vector<Step> steps;
    std::string error;
    td::png::Image screen;
    if (!readSteps(argv[1], steps, error) || !td::png::read(argv[2], screen, error)) {
        std::fprintf(stderr, "viewer_twin: %s\n", error.c_str());
        return 2;
    }
    if (screen.width < kWindowLeft + kWindowSize || screen.height < kWindowTop + kWindowSize) {
        std::fprintf(stderr, "viewer_twin: the screenshot (%u x %u) does not hold the window\n", screen.width,
                     screen.height);
        return 2;
    }
    const Shown shown = playTwin(steps);
    if (!shown.taken || shown.canvas.width < kClientSize || shown.canvas.height < kClientSize || !shown.shape) {
        std::fprintf(stderr, "viewer_twin: the twin showed no shaped frame\n");
        return 2;
    }

    // The window's rectangle pixel by pixel: the twin's frame inside the shape, the desktop outside.
    const uint32_t desktop = screenPixel(screen, 0, 0);
    td::png::Image twin{kClientSize, kClientSize, std::vector<uint8_t>(size_t{kClientSize} * kClientSize * 4)};
    long model = 0, differing = 0, stale = 0;
    for (int wy = 0; wy < kWindowSize; ++wy) {
        for (int wx = 0; wx < kWindowSize; ++wx) {
            const uint32_t seen = screenPixel(screen, kWindowLeft + wx, kWindowTop + wy);
            const int x = wx - kShapeOffset, y = wy - kShapeOffset;
            if (!PtInRegion(shown.shape, wx, wy)) {
                if (seen != desktop && stale++ < 5)
                    std::printf("  window (%d, %d): screen %06x, outside the shape where the desktop is %06x\n", wx,
                                wy, unsigned(seen), unsigned(desktop));
                continue;
            }
            if (x < 0 || y < 0 || x >= kClientSize || y >= kClientSize) {
                std::fprintf(stderr, "viewer_twin: the twin's shape reaches window (%d, %d), outside its client area\n",
                             wx, wy);
                return 2;
            }
            const uint32_t expected = shown.canvas.at(x, y) & 0xFFFFFF;
            uint8_t* out = &twin.rgba[(size_t(y) * kClientSize + x) * 4];
            out[0] = uint8_t(expected >> 16), out[1] = uint8_t(expected >> 8), out[2] = uint8_t(expected), out[3] = 255;
            ++model;
            if (seen != expected && differing++ < 5)
                std::printf("  (%d, %d): screen %06x, twin %06x\n", x, y, unsigned(seen), unsigned(expected));
        }
    }
    std::string grid;
    for (int j = 0; j < 40; ++j)
        for (int i = 0; i < 40; ++i) grid += PtInRegion(shown.shape, 5 + 10 * i, 5 + 10 * j) ? '1' : '0';
    DeleteObject(shown.shape);
    if (argc >= 4 && !td::png::write(argv[3], twin, error)) std::fprintf(stderr, "viewer_twin: %s\n", error.c_str());
    if (argc >= 5) {
        std::ofstream(argv[4]) << grid << '\n';
    }
    std::printf("twin after %zu messages, at rest at angles (%.17g, %.17g): %ld model pixels, %ld differ on the "
                "screen, %ld stale outside the shape\n",
                steps.size(), shown.angleX, shown.angleY, model, differing, stale);
    return differing == 0 && stale == 0 && model > 0 ? 0 : 1;
}
