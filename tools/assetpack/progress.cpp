#include "tools/assetpack/progress.h"

#include <cstdio>

#include <unistd.h>

namespace td {

namespace {

// The run's start: the first moment any step was timed.
std::chrono::steady_clock::time_point runStart() {
    static const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    return start;
}

}  // namespace

Progress::Progress(const char* step) : step_(step), terminal_(::isatty(STDERR_FILENO) == 1) { runStart(); }

Progress::~Progress() {
    if (shown_) std::fputs("\r\033[K", stderr);
}

void Progress::update(double done) {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - runStart() < std::chrono::seconds(1)) return;
    if (shown_ && now - lastShown_ < std::chrono::milliseconds(100)) return;
    shown_ = true;
    lastShown_ = now;
    std::fprintf(stderr, "\rassetpack: %s %3d%%", step_, static_cast<int>(done * 100.0));
    std::fflush(stderr);
}

}  // namespace td
