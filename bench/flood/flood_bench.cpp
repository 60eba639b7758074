// Resident memory a flooding controller leaves a logged-in control core
// holding, beside the process's resident size before the flood in the same run:
//   BM_EventFlood            400 robot events with 2 MiB texts each, every one
//                            delivered to the event callback;
//   BM_UnrequestedReplyFlood a 9 MiB reply of every reply command type (140),
//                            none of them requested.
// Resident size is VmRSS from /proc/self/status, read after malloc_trim(0) so
// that memory the allocator merely caches is not counted. Counters: flood_mib
// (bytes sent), held_mib (resident growth), and the ratio held / flood is
// printed after the run. A smoke run (--benchmark_min_time below 0.5 s) sends
// 40 events and 8 replies.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "sim/controllersim.h"

namespace {

bool g_smoke = false;

double residentMib() {
    ::malloc_trim(0);
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// Counts the frames its receive thread handled.
class CountingCore : public RobotControlServices {
public:
    ~CountingCore() override { disconnectRobotServer(); }
    int responseProcess(int socketFd, const char* content, int length) override {
        const int ret = RobotControlServices::responseProcess(socketFd, content, length);
        frames.fetch_add(1, std::memory_order_release);
        return ret;
    }
    std::atomic<long> frames{0};
};

bool waitFor(const std::atomic<long>& counter, long n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (counter.load(std::memory_order_acquire) < n) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A simulator and a core logged in to it, with an event callback that counts.
struct Rig {
    tevo_sim::ControllerSim sim;
    CountingCore core;
    std::atomic<long> events{0};
    bool ok = false;

    Rig() : sim(options()) {
        if (!sim.start()) return;
        tevo_robot_namespace::RobotType type{};
        tevo_robot_namespace::RobotDhPara dh{};
        core.robotServiceRegisterRobotEventInfoCallbackService(
            [](const tevo_robot_namespace::RobotEventInfo*, void* arg) {
                static_cast<std::atomic<long>*>(arg)->fetch_add(1, std::memory_order_release);
            },
            &events);
        ok = core.loginService("127.0.0.1", sim.port(), "tevo", "tevo", type, dh) == 0;
    }
    ~Rig() {
        core.logoutService();
        sim.stop();
    }
    static tevo_sim::SimOptions options() {
        tevo_sim::SimOptions o;
        o.logSink = [](const std::string&) {};
        return o;
    }
};

void report(benchmark::State& state, double floodMib, double before, double after) {
    state.counters["flood_mib"] = floodMib;
    state.counters["rss_before_mib"] = before;
    state.counters["rss_after_mib"] = after;
    state.counters["held_mib"] = after - before;
}

void BM_EventFlood(benchmark::State& state) {
    const int count = g_smoke ? 40 : 400;
    const std::string text(2 << 20, 'e');
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("login failed");
        return;
    }
    const double before = residentMib();
    double after = before;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i)
            rig.sim.sendEvent({tevo_robot_namespace::RobotEvent_User, i, text});
        if (!waitFor(rig.events, count)) {
            state.SkipWithError("events not delivered");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        after = residentMib();
    }
    report(state, count * 2.0, before, after);
}
BENCHMARK(BM_EventFlood)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_UnrequestedReplyFlood(benchmark::State& state) {
    // Every command type a reply can have: not the event and the push types.
    std::vector<int32_t> types;
    for (int32_t t = 0; t < tevo_sim::CommandTypeCount; ++t) {
        if (t == tevo_sim::Event || t == tevo_sim::RealTimeJointStatus ||
            t == tevo_sim::RealTimeRobotJointAngle || t == tevo_sim::RealTimeRobotEndSpeed ||
            t == tevo_sim::MovepProgressNotify)
            continue;
        types.push_back(t);
    }
    if (g_smoke) types.resize(8);
    // The largest body a frame can carry into the receive buffer.
    const std::string body(RobotCommunicationClient::RECV_BUFFER_SIZE - 64, 'r');
    Rig rig;
    if (!rig.ok) {
        state.SkipWithError("login failed");
        return;
    }
    const double before = residentMib();
    double after = before;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const long frames = rig.core.frames.load();
        for (int32_t t : types) rig.sim.sendFrame(t, body);
        if (!waitFor(rig.core.frames, frames + static_cast<long>(types.size()))) {
            state.SkipWithError("replies not handled");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        after = residentMib();
    }
    report(state, static_cast<double>(types.size()) * static_cast<double>(body.size()) / 1048576.0,
           before, after);
}
BENCHMARK(BM_UnrequestedReplyFlood)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

class FloodReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            auto get = [&](const char* name) {
                auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
            };
            lines_.push_back({run.run_name.function_name, get("held_mib"), get("flood_mib")});
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct Line {
        std::string name;
        double held;
        double flood;
    };
    std::vector<Line> lines_;
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* flag = "--benchmark_min_time=";
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0 &&
            std::strtod(argv[i] + std::strlen(flag), nullptr) < 0.5)
            g_smoke = true;
    }
    benchmark::Initialize(&argc, argv);
    FloodReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& line : reporter.lines_)
        if (line.flood > 0)
            std::printf("ratio %s held / flooded = %.4f (%.1f MiB of %.1f MiB)\n",
                        line.name.c_str(), line.held / line.flood, line.held, line.flood);
    benchmark::Shutdown();
    return 0;
}
