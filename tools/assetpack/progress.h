#pragma once
// Progress of a long step, for a user watching a terminal: "assetpack: packing 42%" rewritten in
// place on stderr once the run has taken over a second. Silent when stderr is not a terminal, so
// scripts and tests see only the tool's results and errors.

#include <chrono>
#include <functional>

namespace td {

// A callback that long steps call with the share done so far (0 to 1).
using ProgressCallback = std::function<void(double)>;

class Progress {
public:
    explicit Progress(const char* step);
    ~Progress();  // clears the line it wrote
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(double done);
    ProgressCallback callback() {
        return [this](double done) { update(done); };
    }

private:
    const char* step_;
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace td
