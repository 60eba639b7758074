// Cost of idle, logged-in control cores: CPU time and wake-ups per second of
// the library's threads in a process holding 1 and 32 of them (pushes off),
// beside the same process holding none. The simulator runs in a child process
// forked before any thread exists, so its own ticking threads are not counted;
// the main thread only sleeps through the window and is left out.
//
// Counters per run: cpu_ms_per_s (on-CPU time of the library's threads, from
// /proc/self/task/<tid>/schedstat) and wakeups_per_s (their voluntary context
// switches). The window is 2 s, or 0.2 s for a smoke run (a
// --benchmark_min_time below 0.5 s). The program prints the per-object cost
// and the ratio lines after the run.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "sim/controllersim.h"

namespace {

int g_simPort = 0;
double g_windowSec = 2.0;

struct ThreadTotals {
    long long cpuNs = 0;
    long long wakeups = 0;
};

long long readCpuNs(const std::string& task) {
    std::ifstream in(task + "/schedstat");
    long long ns = 0;
    if (in >> ns) return ns;
    // Without schedstat: utime + stime in clock ticks (fields 14 and 15 of stat).
    std::ifstream stat(task + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::vector<std::string> fields;
    size_t pos = close + 2;
    while (pos < text.size()) {
        const size_t next = text.find(' ', pos);
        fields.push_back(text.substr(pos, next - pos));
        if (next == std::string::npos) break;
        pos = next + 1;
    }
    if (fields.size() < 13) return 0;
    const long long ticks = std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str());
    return ticks * 1000000000LL / ::sysconf(_SC_CLK_TCK);
}

long long readWakeups(const std::string& task) {
    std::ifstream in(task + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::atoll(line.c_str() + 24);
    return 0;
}

// Per thread of this process except the main thread.
std::map<long, ThreadTotals> sampleThreads() {
    std::map<long, ThreadTotals> out;
    const long self = static_cast<long>(::getpid());
    DIR* dir = ::opendir("/proc/self/task");
    if (dir == nullptr) return out;
    // NOLINTNEXTLINE(concurrency-mt-unsafe): readdir on a stream no other thread uses
    while (dirent* entry = ::readdir(dir)) {
        const long tid = std::atol(entry->d_name);
        if (tid <= 0 || tid == self) continue;
        const std::string task = std::string("/proc/self/task/") + entry->d_name;
        out[tid] = ThreadTotals{readCpuNs(task), readWakeups(task)};
    }
    ::closedir(dir);
    return out;
}

void BM_IdleObjects(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<RobotControlServices>> cores;
    cores.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) cores.push_back(std::make_unique<RobotControlServices>());
    // Logins in parallel: each connect waits 300 ms for its receive thread.
    std::vector<int> results(static_cast<size_t>(count), -1);
    {
        std::vector<std::thread> logins;
        logins.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            logins.emplace_back([&, i] {
                tevo_robot_namespace::RobotType type{};
                tevo_robot_namespace::RobotDhPara dh{};
                results[static_cast<size_t>(i)] = cores[static_cast<size_t>(i)]->loginService(
                    "127.0.0.1", g_simPort, "tevo", "tevo", type, dh);
            });
        for (std::thread& t : logins) t.join();
    }
    for (int r : results) {
        if (r != 0) {
            state.SkipWithError("login failed");
            return;
        }
    }
    double cpuMsPerSec = 0;
    double wakeupsPerSec = 0;
    for (auto _ : state) {
        const auto before = sampleThreads();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(g_windowSec));
        const auto after = sampleThreads();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        long long cpuNs = 0;
        long long wakeups = 0;
        for (const auto& [tid, end] : after) {
            auto it = before.find(tid);
            if (it == before.end()) continue;  // started inside the window: none should
            cpuNs += end.cpuNs - it->second.cpuNs;
            wakeups += end.wakeups - it->second.wakeups;
        }
        cpuMsPerSec = static_cast<double>(cpuNs) / 1e6 / seconds;
        wakeupsPerSec = static_cast<double>(wakeups) / seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["objects"] = count;
    state.counters["cpu_ms_per_s"] = cpuMsPerSec;
    state.counters["wakeups_per_s"] = wakeupsPerSec;
    for (auto& core : cores) core->logoutService();
}
BENCHMARK(BM_IdleObjects)
    ->Arg(0)
    ->Arg(1)
    ->Arg(32)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Keeps the two counters of every run, by object count.
class IdleReporter : public benchmark::ConsoleReporter {
public:
    struct Figures {
        double cpuMsPerSec = 0;
        double wakeupsPerSec = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            auto get = [&](const char* name) {
                auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
            };
            figures_[static_cast<int>(get("objects"))] =
                Figures{get("cpu_ms_per_s"), get("wakeups_per_s")};
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const std::map<int, Figures>& figures() const { return figures_; }

private:
    std::map<int, Figures> figures_;
};

// The simulator's process: serves until the parent closes the pipe.
[[noreturn]] void runSimulator(int portPipe, int stopPipe) {
    tevo_sim::SimOptions options;
    options.logSink = [](const std::string&) {};
    tevo_sim::ControllerSim sim(options);
    int port = sim.start() ? sim.port() : 0;
    if (::write(portPipe, &port, sizeof(port)) != static_cast<ssize_t>(sizeof(port))) _exit(1);
    char byte;
    while (::read(stopPipe, &byte, 1) > 0) {
    }
    sim.stop();
    _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* flag = "--benchmark_min_time=";
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0 &&
            std::strtod(argv[i] + std::strlen(flag), nullptr) < 0.5)
            g_windowSec = 0.2;
    }
    int portPipe[2];
    int stopPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(stopPipe) != 0) return 1;
    const pid_t child = ::fork();  // before any thread of this process exists
    if (child < 0) return 1;
    if (child == 0) {
        ::close(portPipe[0]);
        ::close(stopPipe[1]);
        runSimulator(portPipe[1], stopPipe[0]);
    }
    ::close(portPipe[1]);
    ::close(stopPipe[0]);
    if (::read(portPipe[0], &g_simPort, sizeof(g_simPort)) !=
            static_cast<ssize_t>(sizeof(g_simPort)) ||
        g_simPort == 0) {
        std::fprintf(stderr, "simulator failed to start\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    IdleReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& f = reporter.figures();
    auto none = f.find(0);
    if (none != f.end()) {
        std::printf("baseline none: cpu %.3f ms/s, %.1f wake-ups/s\n", none->second.cpuMsPerSec,
                    none->second.wakeupsPerSec);
        for (int n : {1, 32}) {
            auto it = f.find(n);
            if (it == f.end()) continue;
            std::printf(
                "per idle object (%d objects - none) / %d: cpu %.4f ms/s, %.2f wake-ups/s\n", n, n,
                (it->second.cpuMsPerSec - none->second.cpuMsPerSec) / n,
                (it->second.wakeupsPerSec - none->second.wakeupsPerSec) / n);
        }
    }
    auto one = f.find(1);
    auto many = f.find(32);
    if (one != f.end() && many != f.end() && one->second.wakeupsPerSec > 0)
        std::printf("ratio wake-ups 32 objects / 1 object = %.2f\n",
                    many->second.wakeupsPerSec / one->second.wakeupsPerSec);
    benchmark::Shutdown();
    ::close(stopPipe[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return 0;
}
