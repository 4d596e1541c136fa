// Runs the registered benchmarks, then prints each registered ratio of their times per iteration.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ratios.h"

namespace bench {
namespace {

struct Ratio {
    std::string label, numerator, denominator;
};

std::vector<Ratio>& ratios() {
    static std::vector<Ratio> all;
    return all;
}

// The console output plus a note of every benchmark's lowest CPU time per iteration, in seconds.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const double s = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto [it, fresh] = seconds.emplace(run.benchmark_name(), s);
            if (!fresh && s < it->second) it->second = s;
        }
    }
};

}  // namespace

bool addRatio(std::string label, std::string numerator, std::string denominator) {
    ratios().push_back(Ratio{std::move(label), std::move(numerator), std::move(denominator)});
    return true;
}

}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bool header = false;
    for (const bench::Ratio& r : bench::ratios()) {
        const auto n = reporter.seconds.find(r.numerator), d = reporter.seconds.find(r.denominator);
        if (n == reporter.seconds.end() || d == reporter.seconds.end() || d->second <= 0) continue;
        if (!header) std::printf("\nRatios in this run (time of the first over time of the second):\n");
        header = true;
        std::printf("  %-48s %10.2f   (%s / %s)\n", r.label.c_str(), n->second / d->second, r.numerator.c_str(),
                    r.denominator.c_str());
    }
    return 0;
}
