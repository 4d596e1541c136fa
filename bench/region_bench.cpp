// Times ways of building the window region of a drawn surface, side by side in one run, against
// the one-run-at-a-time reference, and checks that each gives the reference's region.
//
//   region_bench [--quick]
//
// --quick skips the reference and the single ExtCreateRegion on pictures of more than 10,000
// runs (tens of seconds each where region creation is quadratic); ratios are then given against
// the first method timed.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "render/surface.h"
#include "support/program_frame.h"
#include "support/region_reference.h"
#include "ui/window_shape.h"

namespace {

using td::Surface;
using td::test::kKey;

// Milliseconds from a monotonic clock: QueryPerformanceCounter on Windows, where the figures
// that matter are taken, the standard steady clock elsewhere.
double nowMs() {
#ifdef _WIN32
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(count.QuadPart) / double(frequency.QuadPart);
#else
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}

struct Picture {
    std::string name;
    Surface surface;
};

struct Method {
    std::string name;
    bool slow;  // quadratic in the run count somewhere
    std::function<HRGN(const Surface&)> build;
};

std::vector<RECT> runsOf(const Surface& s, bool joinRows) {
    return td::shapeRuns(s.pixels->intactPayload(), s.width, s.height, kKey, joinRows);
}

DWORD rectCount(HRGN region) {
    RGNDATAHEADER header{};
    std::vector<unsigned char> bytes(GetRegionData(region, 0, nullptr));
    if (bytes.size() < sizeof header) return 0;
    GetRegionData(region, DWORD(bytes.size()), reinterpret_cast<RGNDATA*>(bytes.data()));
    std::memcpy(&header, bytes.data(), sizeof header);
    return header.nCount;
}

// Milliseconds per build: the best of as many builds as fit in about half a second (at least one).
double timeBuild(const Method& m, const Surface& s, HRGN* last) {
    double best = 1e300, total = 0;
    for (int i = 0; i < 1000 && (i == 0 || total < 500); ++i) {
        const double start = nowMs();
        HRGN r = m.build(s);
        const double ms = nowMs() - start;
        best = std::min(best, ms);
        total += ms;
        if (*last) DeleteObject(*last);
        *last = r;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;

    std::vector<Picture> pictures(4);
    pictures[3].name = "embedded model";
    pictures[3].surface.create(400, 400, true);
    td::demo::drawModel(pictures[3].surface, td::embeddedScene(), 0.4, 0.9);
    pictures[0].name = "disc r=180";
    td::test::paintRing(pictures[0].surface, 400, 0, 180);
    pictures[1].name = "ring 100..180";
    td::test::paintRing(pictures[1].surface, 400, 100, 180);
    pictures[2].name = "checkerboard";
    td::test::paintCheckerboard(pictures[2].surface, 400, 400);

    auto leaves = [](size_t leaf, bool joinRows) {
        return [leaf, joinRows](const Surface& s) {
            const std::vector<RECT> runs = runsOf(s, joinRows);
            return td::regionFromRects(runs.data(), runs.size(), leaf == 0 ? runs.size() : leaf);
        };
    };
    const std::vector<Method> methods = {
        {"reference: CombineRgn per run", true,
         [](const Surface& s) { return td::test::referenceShapeRegion(s, kKey); }},
        {"one ExtCreateRegion, rows joined", true, leaves(0, true)},
        {"pairwise, leaves of 1", false, leaves(1, true)},
        {"pairwise, leaves of 4", false, leaves(4, true)},
        {"pairwise, leaves of 16 (shapeRegion)", false,
         [](const Surface& s) { return s.shapeRegion(kKey); }},
        {"pairwise, leaves of 16, rows not joined", false, leaves(16, false)},
        {"pairwise, leaves of 64", false, leaves(64, true)},
        {"pairwise, leaves of 256", false, leaves(256, true)},
    };

    int mismatches = 0;
    for (Picture& p : pictures) {
        const size_t runs = runsOf(p.surface, false).size();
        const size_t joined = runsOf(p.surface, true).size();
        std::printf("\n%s: %zu runs, %zu after joining equal rows\n", p.name.c_str(), runs, joined);
        double baseline = 0;
        HRGN first = nullptr;
        for (const Method& m : methods) {
            if (quick && m.slow && runs > 10000) {
                std::printf("  %-42s skipped (--quick)\n", m.name.c_str());
                continue;
            }
            HRGN region = nullptr;
            const double ms = timeBuild(m, p.surface, &region);
            if (!first) {
                first = region;
                baseline = ms;
            }
            const bool same = EqualRgn(region, first) == TRUE;
            mismatches += !same;
            std::printf("  %-42s %10.3f ms  x%8.1f faster  %6lu rects%s\n", m.name.c_str(), ms,
                        baseline / ms, static_cast<unsigned long>(rectCount(region)),
                        same ? "" : "  REGION DIFFERS");
            if (region != first) DeleteObject(region);
        }
        DeleteObject(first);
    }
    std::printf("\n%s\n", mismatches ? "SOME REGIONS DIFFER" : "all regions equal");
    return mismatches ? 1 : 0;
}
