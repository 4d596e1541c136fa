// test_dialog_check: starts the program, checks what it shows and how it behaves through the
// window system as a user's machine sees it, and closes it.
//
//   test_dialog_check [PROGRAM]
//
// PROGRAM defaults to test_dialog.exe beside the checker. Every frame the window must show is
// predicted in this process by the program's own viewer, hidden (viewer_prediction.h). Two runs:
// the first checks the placement, the start frame, the window's shape and closing by WM_CLOSE;
// the second drags the model with the system's own input, checks the spin and the frame at rest
// and closes the program with Alt+F4. One line a check, then "N passed, N failed"; a failed
// check says what it expected and what it saw and leaves its pictures in the current folder.
// Exit status 0 when every check held, 1 otherwise, 2 when the program cannot be started or shows
// no window.

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/check/screen_image.h"
#include "tools/check/viewer_prediction.h"

namespace {

using td::check::Image;
using td::check::PredictedFrame;
using td::check::ViewerPrediction;

constexpr char kTitle[] = "Test dialog";
constexpr char kClassName[] = "200";
constexpr RECT kWindowRect{400, 200, 800, 600};
constexpr POINT kPointerAway{100, 100};

// Every wait is bounded. A first start of a Wine session can be slow; nothing else should be.
constexpr DWORD kWindowWaitMs = 300000;
constexpr DWORD kFrameWaitMs = 30000;
constexpr DWORD kMoveWaitMs = 10000;
constexpr DWORD kPointerWaitMs = 2000;
constexpr DWORD kSpinStartWaitMs = 5000;
constexpr DWORD kRestWaitMs = 120000;
constexpr DWORD kCloseWaitMs = 30000;
constexpr DWORD kHoldMs = 1200;   // the button held still after the moves
constexpr DWORD kStillMs = 1000;  // unchanged this long: the spin has stopped
constexpr DWORD kPollMs = 40;

// The scripted drag: moves of (12, 5) pixels from a point of the model.
constexpr int kMoves = 8;
constexpr POINT kMoveStep{12, 5};

std::string format(const char* pattern, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

class Report {
public:
    void pass(const std::string& check, const std::string& detail) {
        ++passed;
        std::printf("PASS %s: %s\n", check.c_str(), detail.c_str());
        std::fflush(stdout);
    }
    void fail(const std::string& check, const std::string& expected, const std::string& saw) {
        ++failed;
        std::printf("FAIL %s: expected %s; saw %s\n", check.c_str(), expected.c_str(), saw.c_str());
        std::fflush(stdout);
    }
    void note(const std::string& text) {
        std::printf("     %s\n", text.c_str());
        std::fflush(stdout);
    }
    // Writes a failed picture check's evidence and names the files.
    void evidence(const std::string& stem, const Image& screen, const Image& expected, const Image& difference) {
        const std::string names[3] = {stem + "-screen.bmp", stem + "-expected.bmp", stem + "-difference.bmp"};
        const Image* images[3] = {&screen, &expected, &difference};
        std::string written;
        for (int k = 0; k < 3; ++k)
            if (td::check::writeBmp(names[k], *images[k])) written += (written.empty() ? "" : ", ") + names[k];
        if (!written.empty()) note("pictures: " + written);
    }
    bool check(bool holds, const std::string& check, const std::string& detail, const std::string& expected,
               const std::string& saw) {
        if (holds) pass(check, detail);
        else fail(check, expected, saw);
        return holds;
    }

    int passed = 0;
    int failed = 0;
};

std::string describe(const RECT& r) { return format("(%ld, %ld)-(%ld, %ld)", r.left, r.top, r.right, r.bottom); }

bool pressKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return SendInput(1, &input, sizeof input) == 1;
}

// Moves the pointer through the system's input, as a mouse does, to the pixel whose normalised
// coordinate is nearest; the position it reached.
POINT movePointer(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = width > 0 ? MulDiv(screen.x, 65535, width - 1) : 0;
    input.mi.dy = height > 0 ? MulDiv(screen.y, 65535, height - 1) : 0;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    // The input is handled on its own time: wait until the pointer is there.
    POINT reached{0, 0};
    const DWORD start = GetTickCount();
    while (GetCursorPos(&reached) && (reached.x != screen.x || reached.y != screen.y) &&
           GetTickCount() - start < kPointerWaitMs)
        Sleep(kPollMs / 4);
    return reached;
}

// The window that holds the mouse capture in the given window's thread; null when none does.
HWND captureOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndCapture : nullptr;
}

bool pressButton(bool up) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    return SendInput(1, &input, sizeof input) == 1;
}

// The program as a process of its own, ended by force if a check leaves it running.
class Program {
public:
    explicit Program(const std::string& path) : path_(path) {}
    ~Program() {
        if (info_.hProcess) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }

    bool start(std::string& error) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + path_ + "\"";
        if (!CreateProcessA(path_.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info_)) {
            error = format("%s could not be started (error %lu)", path_.c_str(), GetLastError());
            return false;
        }
        return true;
    }

    bool running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

    // The process's first visible top-level window, waited for; null when none came in time or
    // the process ended.
    HWND waitForWindow(DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs && running()) {
            Search search{info_.dwProcessId, nullptr};
            EnumWindows(&Program::visit, reinterpret_cast<LPARAM>(&search));
            if (search.found) return window = search.found;
            Sleep(kPollMs);
        }
        return nullptr;
    }

    // Waits for the process to end; false on a timeout, after which it is ended by force.
    bool waitForExit(DWORD timeoutMs, DWORD& exitCode) {
        exitCode = 0;
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, kCloseWaitMs);
            return false;
        }
        GetExitCodeProcess(info_.hProcess, &exitCode);
        return true;
    }

    HWND window = nullptr;

private:
    struct Search {
        DWORD processId;
        HWND found;
    };
    static BOOL CALLBACK visit(HWND candidate, LPARAM argument) {
        auto* search = reinterpret_cast<Search*>(argument);
        DWORD owner = 0;
        GetWindowThreadProcessId(candidate, &owner);
        if (owner != search->processId || !IsWindowVisible(candidate)) return TRUE;
        search->found = candidate;
        return FALSE;
    }

    std::string path_;
    PROCESS_INFORMATION info_{};
};

// The screen over the window's rectangle as it should be: the predicted frame inside the
// window's shape and, everywhere else, what the screen showed before the program started.
// Where the shape reaches over the window's frame, the frame shows and nothing is predicted.
struct Expectation {
    Image picture;
    std::vector<uint8_t> predicted;  // 0 where the screen is not predicted
    std::vector<uint8_t> inside;     // 1 inside the window's shape
};

Expectation expect(const PredictedFrame& frame, const Image& background, POINT clientOffset, SIZE clientSize) {
    Expectation e{background, std::vector<uint8_t>(background.pixels.size(), 1),
                  std::vector<uint8_t>(background.pixels.size(), 0)};
    for (int y = 0; y < background.height; ++y)
        for (int x = 0; x < background.width; ++x) {
            if (!frame.covers(x, y)) continue;
            const size_t at = size_t(y) * size_t(background.width) + size_t(x);
            const int cx = x - clientOffset.x, cy = y - clientOffset.y;
            e.inside[at] = 1;
            if (cx < clientSize.cx && cy < clientSize.cy && frame.client.contains(cx, cy))
                e.picture.at(x, y) = frame.client.at(cx, cy);
            else
                e.predicted[at] = 0;
        }
    return e;
}

struct Comparison {
    long wrongInside = 0;   // shape pixels that do not show the predicted frame
    long wrongOutside = 0;  // pixels outside the shape that do not show the desktop as it was
    long modelPixels = 0;
    std::string first;      // the first wrong pixel, described
    bool same() const { return wrongInside == 0 && wrongOutside == 0; }
};

Comparison compare(const Image& screen, const Expectation& e) {
    Comparison c;
    if (screen.pixels.size() != e.picture.pixels.size()) {
        c.wrongInside = c.wrongOutside = -1;
        c.first = "no capture of the screen";
        return c;
    }
    for (size_t i = 0; i < screen.pixels.size(); ++i) {
        c.modelPixels += e.inside[i] && e.predicted[i];
        if (!e.predicted[i] || screen.pixels[i] == e.picture.pixels[i]) continue;
        (e.inside[i] ? c.wrongInside : c.wrongOutside) += 1;
        if (c.first.empty())
            c.first = format("first at window (%d, %d): #%06x for #%06x", int(i % size_t(screen.width)),
                             int(i / size_t(screen.width)), screen.pixels[i], e.picture.pixels[i]);
    }
    return c;
}

Image difference(const Image& screen, const Expectation& e) {
    Image out(e.picture.width, e.picture.height, 0x404040);
    if (screen.pixels.size() != out.pixels.size()) return out;
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        if (!e.predicted[i]) continue;
        if (screen.pixels[i] != e.picture.pixels[i]) out.pixels[i] = e.inside[i] ? 0xFF0000 : 0xFF00FF;
        else out.pixels[i] = (screen.pixels[i] >> 2) & 0x3F3F3F;  // the agreeing picture, dimmed
    }
    return out;
}

// Where two captures differ, in red, over the first one dimmed.
Image changes(const Image& before, const Image& after) {
    Image out(before.width, before.height);
    for (size_t i = 0; i < out.pixels.size() && i < after.pixels.size(); ++i)
        out.pixels[i] = before.pixels[i] != after.pixels[i] ? 0xFF0000 : (before.pixels[i] >> 2) & 0x3F3F3F;
    return out;
}

// Captures until the screen shows the expectation or the time is up; the last capture.
Image waitForPicture(const Expectation& e, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    Image screen = td::check::captureScreen(kWindowRect);
    while (!compare(screen, e).same() && GetTickCount() - start < timeoutMs) {
        Sleep(kPollMs);
        screen = td::check::captureScreen(kWindowRect);
    }
    return screen;
}

// Captures until the screen differs from `before`; false when it did not within the time.
bool waitForChange(const Image& before, DWORD timeoutMs, Image& after) {
    const DWORD start = GetTickCount();
    do {
        after = td::check::captureScreen(kWindowRect);
        if (after != before) return true;
        Sleep(kPollMs);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

// Captures until the screen has not changed for `stillMs`; false when it kept changing.
bool waitForRest(DWORD stillMs, DWORD timeoutMs, Image& rest) {
    const DWORD start = GetTickCount();
    rest = td::check::captureScreen(kWindowRect);
    DWORD since = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Sleep(kPollMs);
        Image now = td::check::captureScreen(kWindowRect);
        if (now != rest) {
            rest = std::move(now);
            since = GetTickCount();
        } else if (GetTickCount() - since >= stillMs) {
            return true;
        }
    }
    return false;
}

class Checker {
public:
    Checker(std::string program, ViewerPrediction& prediction) : program_(std::move(program)), prediction_(prediction) {}

    // One run: start, placement, then `body` while the program runs, then the close given.
    enum class Close { byMessage, byAltF4 };
    template <typename Body>
    bool run(int number, Close close, Body body) {
        run_ = number;
        SetCursorPos(kPointerAway.x, kPointerAway.y);
        background_ = td::check::captureScreen(kWindowRect);
        Program program(program_);
        std::string error;
        if (!program.start(error)) {
            report.fail(name("start"), "a running program", error);
            return false;
        }
        const HWND window = program.waitForWindow(kWindowWaitMs);
        if (!window) {
            report.fail(name("placement"), "a visible top-level window",
                        program.running() ? format("none within %lu s", kWindowWaitMs / 1000) : "the program ended");
            return false;
        }
        if (placement(window)) body(window);
        closeProgram(program, close);
        return true;
    }

    bool placement(HWND window) {
        char title[64] = "", className[64] = "";
        GetWindowTextA(window, title, sizeof title);
        GetClassNameA(window, className, sizeof className);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        RECT rect{0, 0, 0, 0};
        GetWindowRect(window, &rect);
        clientOffset_ = {0, 0};
        ClientToScreen(window, &clientOffset_);
        clientOffset_.x -= rect.left;
        clientOffset_.y -= rect.top;
        RECT client{0, 0, 0, 0};
        GetClientRect(window, &client);
        clientSize_ = {client.right, client.bottom};
        const bool popup = (style & WS_POPUP) && !(style & WS_CHILD) && !GetParent(window);
        const bool placed = EqualRect(&rect, &kWindowRect);
        const std::string saw = format("\"%s\", class \"%s\", %s, %s", title, className,
                                       popup ? "top-level popup" : "not a top-level popup", describe(rect).c_str());
        return report.check(std::string(title) == kTitle && std::string(className) == kClassName && popup && placed,
                            name("placement"), saw + format(", client origin at window (%ld, %ld)", clientOffset_.x,
                                                            clientOffset_.y),
                            format("\"%s\", class \"%s\", top-level popup, %s", kTitle, kClassName,
                                   describe(kWindowRect).c_str()),
                            saw);
    }

    // The screen against the prediction, waited for up to `timeoutMs`.
    bool frame(const std::string& check, const PredictedFrame& frame, DWORD timeoutMs, const std::string& what) {
        const Expectation e = expect(frame, background_, clientOffset_, clientSize_);
        const Image screen = waitForPicture(e, timeoutMs);
        const Comparison c = compare(screen, e);
        if (c.same()) {
            report.pass(name(check), format("%ld model pixels %s, the desktop around them as it was", c.modelPixels,
                                            what.c_str()));
            return true;
        }
        report.fail(name(check), format("the %ld model pixels %s and the desktop as it was around them",
                                        c.modelPixels, what.c_str()),
                    format("%ld model pixels and %ld desktop pixels differ, %s", c.wrongInside, c.wrongOutside,
                           c.first.c_str()));
        report.evidence(stem(check), screen, e.picture, difference(screen, e));
        return false;
    }

    // WindowFromPoint on a 40 x 40 grid over the window against the predicted shape.
    bool shape(const std::string& check, HWND window, const PredictedFrame& frame) {
        int inside = 0, wrong = 0;
        std::string first;
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 40; ++i) {
                const POINT at{5 + 10 * i, 5 + 10 * j};
                const POINT screen{kWindowRect.left + at.x, kWindowRect.top + at.y};
                const bool found = WindowFromPoint(screen) == window;
                const bool covered = frame.covers(at.x, at.y);
                inside += covered;
                if (found == covered) continue;
                if (++wrong == 1)
                    first = format("first at screen (%ld, %ld): %s", screen.x, screen.y,
                                   covered ? "another window" : "the program's window");
            }
        if (report.check(wrong == 0, name(check),
                         format("the window found at exactly the %d of 1600 grid points its shape covers", inside),
                         format("the window at the %d of 1600 grid points its shape covers", inside),
                         format("%d points wrong, %s", wrong, first.c_str())))
            return true;
        // The evidence: the screen, the expected picture, and the grid over their differences:
        // white where the window was found, black where not, yellow where that was wrong.
        const Expectation e = expect(frame, background_, clientOffset_, clientSize_);
        const Image screen = td::check::captureScreen(kWindowRect);
        Image points = difference(screen, e);
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 40; ++i) {
                const POINT at{5 + 10 * i, 5 + 10 * j};
                const bool found = WindowFromPoint({kWindowRect.left + at.x, kWindowRect.top + at.y}) == window;
                const uint32_t mark = found != frame.covers(at.x, at.y) ? 0xFFFF00 : found ? 0xFFFFFF : 0x000000;
                for (int d = -2; d <= 2; ++d) points.at(at.x + d, at.y) = points.at(at.x, at.y + d) = mark;
            }
        report.evidence(stem(check), screen, e.picture, points);
        return false;
    }

    // Press on the model, moves one at a time, hold, release, spin; the frame at rest and its
    // shape against the prediction after the same messages.
    void drag(HWND window) {
        const PredictedFrame start = prediction_.frame();
        if (!frame("start frame before the drag", start, kFrameWaitMs, "at angles (0, 0)")) return;
        POINT grab{0, 0};
        if (!modelPoint(start, grab)) {
            report.fail(name("drag"), "a point well inside the model to press on", "none");
            return;
        }
        const POINT origin{kWindowRect.left + clientOffset_.x, kWindowRect.top + clientOffset_.y};
        auto client = [&](POINT screen) { return POINT{screen.x - origin.x, screen.y - origin.y}; };
        std::vector<POINT> path;  // where the pointer was pressed and moved to, in client coordinates

        SetForegroundWindow(window);
        path.push_back(client(movePointer({origin.x + grab.x, origin.y + grab.y})));
        Image before = td::check::captureScreen(kWindowRect);
        pressButton(false);
        // The press is handled once the window has taken the mouse capture.
        const DWORD pressed = GetTickCount();
        while (captureOf(window) != window && GetTickCount() - pressed < kMoveWaitMs) Sleep(kPollMs);
        if (!report.check(captureOf(window) == window, name("press"),
                          format("the window took the mouse capture at client (%ld, %ld)", path[0].x, path[0].y),
                          "the window to take the mouse capture", "no capture")) {
            pressButton(true);
            return;
        }
        // Each move waits for the last one's frame, so that none is merged with the next.
        int turned = 0;
        for (int k = 1; k <= kMoves; ++k, ++turned) {
            path.push_back(client(movePointer({origin.x + grab.x + k * kMoveStep.x, origin.y + grab.y + k * kMoveStep.y})));
            Image after;
            if (!waitForChange(before, kMoveWaitMs, after)) break;
            before = std::move(after);
        }
        Image held;
        waitForRest(200, kMoveWaitMs, held);
        Sleep(kHoldMs);
        const Image heldLater = td::check::captureScreen(kWindowRect);
        pressButton(true);
        report.check(turned == kMoves, name("drag"),
                     format("each of %d moves from client (%ld, %ld) turned the model", kMoves, grab.x, grab.y),
                     format("each of %d moves to turn the model", kMoves),
                     format("move %d of %d left the picture as it was for %lu s", turned + 1, kMoves,
                            kMoveWaitMs / 1000));
        if (!report.check(held == heldLater, name("button held still"),
                          format("the picture unchanged for %lu ms", kHoldMs), "the picture to stay as it was",
                          "it changed while the button was held still"))
            report.evidence(stem("button held still"), heldLater, held, changes(held, heldLater));
        Image spinning;
        const bool spun = waitForChange(heldLater, kSpinStartWaitMs, spinning);
        Image rest;
        const DWORD released = GetTickCount();
        const bool rested = spun && waitForRest(kStillMs, kRestWaitMs, rest);
        report.check(spun && rested, name("spin after release"),
                     format("the model spun on and came to rest after %.1f s",
                            (GetTickCount() - released - kStillMs) / 1000.0),
                     "the model to spin on and come to rest",
                     !spun ? format("no change within %lu s of the release", kSpinStartWaitMs / 1000)
                           : format("still turning after %lu s", kRestWaitMs / 1000));

        prediction_.press(path[0]);
        for (size_t k = 1; k < path.size(); ++k) prediction_.move(path[k]);
        prediction_.release(path.back());
        const int ticks = prediction_.spinOut();
        const PredictedFrame atRest = prediction_.frame();
        frame("frame at rest", atRest, kFrameWaitMs,
              format("at angles (%.6f, %.6f) after %d ticks", prediction_.angleX(), prediction_.angleY(), ticks));
        shape("shape at rest", window, atRest);
    }

    Report report;

private:
    std::string name(const std::string& check) const { return format("run %d, %s", run_, check.c_str()); }
    std::string stem(const std::string& check) const {
        std::string s = format("check-run%d-", run_) + check;
        for (char& c : s)
            if (c == ' ' || c == ',') c = '-';
        return s;
    }

    // The model pixel nearest the centre of the window whose 7 x 7 neighbourhood the shape
    // covers, in client coordinates.
    bool modelPoint(const PredictedFrame& frame, POINT& grab) const {
        long best = -1;
        for (int y = 3; y + 3 < clientSize_.cy; ++y)
            for (int x = 3; x + 3 < clientSize_.cx; ++x) {
                bool solid = true;
                for (int dy = -3; dy <= 3 && solid; ++dy)
                    for (int dx = -3; dx <= 3 && solid; ++dx)
                        solid = frame.covers(x + dx + clientOffset_.x, y + dy + clientOffset_.y);
                const long distance = long(x - clientSize_.cx / 2) * (x - clientSize_.cx / 2) +
                                      long(y - clientSize_.cy / 2) * (y - clientSize_.cy / 2);
                if (solid && (best < 0 || distance < best)) {
                    best = distance;
                    grab = {x, y};
                }
            }
        return best >= 0;
    }

    void closeProgram(Program& program, Close close) {
        std::string how;
        if (close == Close::byMessage) {
            how = "WM_CLOSE";
            PostMessageA(program.window, WM_CLOSE, 0, 0);
        } else {
            how = "Alt+F4";
            SetForegroundWindow(program.window);
            pressKey(VK_MENU, false);
            pressKey(VK_F4, false);
            pressKey(VK_F4, true);
            pressKey(VK_MENU, true);
        }
        DWORD exitCode = 0;
        const bool ended = program.waitForExit(kCloseWaitMs, exitCode);
        const bool gone = !IsWindow(program.window);
        report.check(ended && exitCode == 0 && gone, name("close by " + how),
                     format("the program ended with exit code 0 and left no window"),
                     format("exit code 0 within %lu s and no window left", kCloseWaitMs / 1000),
                     !ended ? "still running (ended by force)"
                            : format("exit code %lu, %s", exitCode, gone ? "no window left" : "its window left"));
    }

    std::string program_;
    ViewerPrediction& prediction_;
    Image background_;
    POINT clientOffset_{0, 0};
    SIZE clientSize_{0, 0};
    int run_ = 0;
};

std::string besideThisProgram(const char* file) {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const size_t slash = folder.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : folder.substr(0, slash + 1)) + file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: test_dialog_check [PROGRAM]\n");
        return 2;
    }
    const std::string program = argc > 1 ? argv[1] : besideThisProgram("test_dialog.exe");
    std::printf("checking %s\n", program.c_str());
    ViewerPrediction prediction;
    const PredictedFrame start = prediction.frame();
    const bool draws = prediction.draws();
    if (!draws)
        std::printf("this display gives no 32-bit compatible bitmaps: the program draws nothing here, so only its "
                    "placement and closing are checked\n");

    // A program unaware of display scaling, as both are, is drawn at 100 % and stretched by the
    // system: coordinates agree, but the screen then shows stretched pixels.
    if (HDC screen = GetDC(nullptr)) {
        const int logical = GetDeviceCaps(screen, HORZRES), physical = GetDeviceCaps(screen, DESKTOPHORZRES);
        if (logical > 0 && physical != logical)
            std::printf("the display is scaled to %d %%: the system stretches the program's pixels, so its frames "
                        "can match pixel for pixel only at 100 %%\n", MulDiv(physical, 100, logical));
        ReleaseDC(nullptr, screen);
    }
    Checker checker(program, prediction);
    bool started = checker.run(1, Checker::Close::byMessage, [&](HWND window) {
        if (!draws) return;
        checker.frame("start frame", start, kFrameWaitMs, "at angles (0, 0)");
        checker.shape("shape at start", window, start);
    });
    started = started && checker.run(2, Checker::Close::byAltF4, [&](HWND window) {
        if (draws) checker.drag(window);
    });
    std::printf("%d passed, %d failed\n", checker.report.passed, checker.report.failed);
    if (!started) return 2;
    return checker.report.failed == 0 ? 0 : 1;
}
