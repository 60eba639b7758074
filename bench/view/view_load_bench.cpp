// What the browser view costs the controller side. One controller client,
// with the joint-status push switched on, sends requests back to back for a
// fixed time; it measures the request round trip (mean, 99th percentile) and
// the rate of pushes it receives. Three runs:
//   0: no view (the baseline)
//   1: view running, nobody looking
//   2: one page open (one stream)
//   3: the most streams open plus a client fetching /api/state and
//      /trace.csv back to back (far beyond what pages do)
// Ratios against the baseline are printed at the end.
//
// --load-seconds=S sets the measuring time per run (default 5).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "robotcommunication.pb.h"
#include "sim/controllersim.h"
#include "sim/httpview.h"
#include "sim/rawclient.h"
#include "support/loadseconds.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace pbm = tevo::robot::communication;

double g_seconds = 5.0;

struct Figures {
    double meanUs = 0, p99Us = 0, pushesPerS = 0, streamEventsPerS = 0, viewRequestsPerS = 0;
    bool done = false;
};
Figures g_runs[4];

// Controller client: round trips until `stop`, pushes counted on the way.
bool controllerLoop(uint16_t port, const std::atomic<bool>& stop, std::vector<double>& latUs,
                    uint64_t& pushes) {
    tevo_test::RawClient c;
    if (!c.connect(port)) return false;
    pbm::ProtoRequestLogin login;
    login.set_username("tevo");
    login.set_passwd("tevo");
    if (!c.send(tevo_sim::Login, login) || !c.nextOf(tevo_sim::Login)) return false;
    if (!c.send(tevo_sim::EnableRealTimeJointStatusPush) ||
        !c.nextOf(tevo_sim::EnableRealTimeJointStatusPush))
        return false;
    while (!stop.load(std::memory_order_relaxed)) {
        const auto t0 = Clock::now();
        if (!c.send(tevo_sim::GetRobotMode)) return false;
        for (;;) {
            auto f = c.next(std::chrono::milliseconds(3000));
            if (!f) return false;
            if (f->type == tevo_sim::RealTimeJointStatus) ++pushes;
            if (f->type == tevo_sim::GetRobotMode) break;
        }
        latUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return true;
}

void BM_ViewCost(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    tevo_sim::SimOptions opt;
    opt.logSink = [](const std::string&) {};
    tevo_sim::ControllerSim sim(opt);
    if (!sim.start()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    std::unique_ptr<tevo_sim::HttpView> view;
    if (mode > 0) {
        tevo_sim::HttpViewOptions vo;
        vo.logSink = opt.logSink;
        view = std::make_unique<tevo_sim::HttpView>(sim, vo);
        if (!view->start()) {
            state.SkipWithError("view did not start");
            return;
        }
    }
    Figures fig;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> streamEvents{0}, viewRequests{0};
        std::vector<std::thread> lookers;
        const int streams = mode == 2 ? 1 : mode == 3 ? tevo_sim::HttpView::kMaxStreams : 0;
        lookers.reserve(static_cast<size_t>(streams));
        for (int i = 0; i < streams; ++i) {
            lookers.emplace_back([&] {
                httplib::Client cli("127.0.0.1", view->port());
                cli.Get("/api/stream", [&](const char* data, size_t n) {
                    const std::string chunk(data, n);
                    for (size_t at = 0; (at = chunk.find("data: ", at)) != std::string::npos; ++at)
                        ++streamEvents;
                    return !stop.load();
                });
            });
        }
        if (mode == 3) {
            lookers.emplace_back([&] {
                httplib::Client cli("127.0.0.1", view->port());
                while (!stop.load()) {
                    if (cli.Get("/api/state")) ++viewRequests;
                    if (cli.Get("/trace.csv")) ++viewRequests;
                }
            });
        }
        std::vector<double> lat;
        uint64_t pushes = 0;
        bool ok = true;
        std::thread client([&] { ok = controllerLoop(sim.port(), stop, lat, pushes); });
        std::this_thread::sleep_for(std::chrono::duration<double>(g_seconds));
        stop = true;
        client.join();
        for (auto& t : lookers) t.join();
        if (!ok || lat.empty()) {
            state.SkipWithError("the controller client failed");
            break;
        }
        std::sort(lat.begin(), lat.end());
        double sum = 0;
        for (double v : lat) sum += v;
        fig.meanUs = sum / static_cast<double>(lat.size());
        fig.p99Us = lat[lat.size() * 99 / 100];
        fig.pushesPerS = static_cast<double>(pushes) / g_seconds;
        fig.streamEventsPerS =
            streams ? static_cast<double>(streamEvents) / g_seconds / streams : 0.0;
        fig.viewRequestsPerS = static_cast<double>(viewRequests) / g_seconds;
        fig.done = true;
    }
    if (view) view->stop();
    sim.stop();
    state.counters["rtt_mean_us"] = fig.meanUs;
    state.counters["rtt_p99_us"] = fig.p99Us;
    state.counters["pushes_per_s"] = fig.pushesPerS;
    state.counters["stream_events_per_s"] = fig.streamEventsPerS;
    state.counters["view_requests_per_s"] = fig.viewRequestsPerS;
    g_runs[mode] = fig;
}
BENCHMARK(BM_ViewCost)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    g_seconds = tevo_bench::loadSeconds(argc, argv, 5.0, args);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Figures& base = g_runs[0];
    if (!base.done) return 0;
    std::printf("baseline (no view): round trip %.0f us mean, %.0f us p99; %.1f pushes/s\n",
                base.meanUs, base.p99Us, base.pushesPerS);
    const char* names[4] = {"", "view idle", "one page open", "4 streams + polling"};
    for (int m = 1; m < 4; ++m) {
        const Figures& f = g_runs[m];
        if (!f.done) continue;
        std::printf(
            "%s: round trip %.0f us mean (ratio %.2f), %.0f us p99 (ratio %.2f); %.1f pushes/s "
            "(ratio %.3f); %.1f stream events/s per stream; %.0f view requests/s\n",
            names[m], f.meanUs, f.meanUs / base.meanUs, f.p99Us, f.p99Us / base.p99Us, f.pushesPerS,
            f.pushesPerS / base.pushesPerS, f.streamEventsPerS, f.viewRequestsPerS);
    }
    return 0;
}
