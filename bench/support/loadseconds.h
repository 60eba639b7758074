// The load benchmarks' own option: --load-seconds=S, how long each run puts
// its load on. A Google Benchmark smoke run (--benchmark_min_time below 1 s)
// shortens it to 0.5 s. The other arguments go on to Google Benchmark.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

namespace tevo_bench {

// Returns the load time in seconds (defaultSeconds unless given or a smoke
// run) and fills benchmarkArgs with the arguments Google Benchmark takes.
inline double loadSeconds(int argc, char** argv, double defaultSeconds,
                          std::vector<char*>& benchmarkArgs) {
    double seconds = defaultSeconds;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--load-seconds=", 15) == 0) {
            seconds = std::atof(argv[i] + 15);
        } else {
            if (std::strncmp(argv[i], "--benchmark_min_time=", 21) == 0 &&
                std::atof(argv[i] + 21) < 1.0)
                seconds = 0.5;  // smoke run
            benchmarkArgs.push_back(argv[i]);
        }
    }
    return seconds > 0 ? seconds : defaultSeconds;
}

}  // namespace tevo_bench
