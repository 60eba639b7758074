// A console reporter that also keeps the CPU time per iteration of every
// benchmark of the run, and prints ratios between them as
// "NAME = RATIO (target <= LIMIT)", so each figure is read beside its baseline
// measured in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tevo_bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that saved output stays plain text.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        // Single runs, or the median when repetitions are asked for.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // CPU time per iteration of a benchmark (in its time unit); 0 when it did
    // not run (filtered out).
    double cpuTime(const std::string& benchmark) const {
        const auto it = times_.find(benchmark);
        return it == times_.end() ? 0.0 : it->second;
    }

    // Prints num's time over den's as "name = ratio (target <= limit)", without
    // the target when limit <= 0; prints nothing when either did not run.
    void printRatio(const char* name, const char* num, const char* den, double limit) const {
        const double a = cpuTime(num);
        const double b = cpuTime(den);
        if (a <= 0.0 || b <= 0.0) {
            return;
        }
        if (limit > 0.0) {
            std::printf("%s = %.3f (target <= %g)\n", name, a / b, limit);
        } else {
            std::printf("%s = %.3f\n", name, a / b);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace tevo_bench
