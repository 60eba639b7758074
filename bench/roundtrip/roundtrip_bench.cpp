// Round trips over loopback TCP, each beside its baseline in the same run:
//   BM_RawPingPong      one 20-byte frame there and back, one thread, no hand-off;
//   BM_HandOffFloor     the same frame answered by a responder thread, received
//                       by a receive thread (readiness wait, peek, read) and
//                       handed to the caller through a condition variable: the
//                       floor of any design with a receive thread
//                       (support/handoff.h; bench/servo measures it too);
//   BM_LibraryRequest   a common-result request through RobotControlServices
//                       against the same responder;
//   BM_JointStatusPush  cost per joint-status push from the socket to the
//                       application callback, in batches so the receive thread
//                       runs without sleeping: wall time and receive-thread CPU
//                       time per push;
//   BM_JointStatusDispatch  the control core's share of it: decoding and
//                       dispatching one frame already in memory;
//   BM_EventLatency     from the event processing on the receive thread to the
//                       application's event callback on the event thread.
// The program prints the ratios after the run.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/framing.h"
#include "support/handoff.h"

namespace {

using Clock = std::chrono::steady_clock;

using tevo_bench::LoopbackPair;
using tevo_bench::readFull;
using tevo_bench::Responder;
using tevo_bench::writeFull;

// The wire frame as the simulator writes it.
std::string frame(int32_t type, const std::string& body) {
    return tevo_sim::encodeFrame(type, body);
}

const std::string& kFrame20 = tevo_bench::emptyFrame();

void BM_RawPingPong(benchmark::State& state) {
    LoopbackPair pair;
    char buf[20];
    for (auto _ : state) {
        writeFull(pair.client, kFrame20.data(), 20);
        readFull(pair.server, buf, 20);
        writeFull(pair.server, buf, 20);
        readFull(pair.client, buf, 20);
    }
}
BENCHMARK(BM_RawPingPong)->UseRealTime();

void BM_HandOffFloor(benchmark::State& state) {
    tevo_bench::HandOffFloor floor;
    for (auto _ : state) {
        if (!floor.roundTrip()) {
            state.SkipWithError("loopback link broke");
            break;
        }
    }
}
BENCHMARK(BM_HandOffFloor)->UseRealTime();

// A control core wired to a loopback socket without a login.
class BenchCore : public RobotControlServices {
public:
    using RobotCommunicationClient::adoptConnectedSocket;
};

std::string commonResultBody() {
    tevo::robot::communication::ProtoRobotCommonResponse ok;
    ok.set_errorcode(0);
    ok.set_errormsg("");
    return ok.SerializeAsString();
}

void BM_LibraryRequest(benchmark::State& state) {
    LoopbackPair pair;
    const std::string reply =
        frame(CommunicationMateType::CommunicationType_communicationHeart, commonResultBody());
    Responder responder(pair.server, [&reply](int32_t) -> const std::string& { return reply; });
    BenchCore core;
    if (core.adoptConnectedSocket(pair.releaseClient()) != 0) {
        state.SkipWithError("adopt failed");
        return;
    }
    for (auto _ : state) {
        if (core.heartbeatService() != 0) {
            state.SkipWithError("request failed");
            break;
        }
    }
    core.disconnectRobotServer();
}
BENCHMARK(BM_LibraryRequest)->UseRealTime();

// Counts pushes; wakes the benchmark thread only when a whole batch arrived, so
// the receive thread is not interrupted by wake-ups inside a batch.
// It also takes the receive thread's CPU clock at the first and the last push
// of a batch: their difference is receive-thread time for batch - 1 pushes.
struct PushCounter {
    std::mutex mutex;
    std::condition_variable cv;
    std::atomic<uint64_t> count{0};
    std::atomic<uint64_t> target{0};
    uint64_t batch = 0;
    int64_t batchStartNs = 0;  // receive thread only
    std::atomic<int64_t> receiveCpuNs{0};
};

int64_t threadCpuNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void onJointStatus(const tevo_robot_namespace::JointStatus*, int, void* arg) {
    auto* c = static_cast<PushCounter*>(arg);
    const uint64_t n = c->count.fetch_add(1, std::memory_order_acq_rel) + 1;
    if (c->batch == 0) return;
    if (n % c->batch == 1) c->batchStartNs = threadCpuNs();
    if (n == c->target.load(std::memory_order_acquire)) {
        c->receiveCpuNs.fetch_add(threadCpuNs() - c->batchStartNs, std::memory_order_relaxed);
        { std::lock_guard<std::mutex> lock(c->mutex); }
        c->cv.notify_one();
    }
}

std::string jointStatusBody() {
    tevo::robot::common::ProtoRobotAllJointStatusResponse msg;
    msg.set_jointcount(6);
    for (int i = 0; i < 6; ++i) {
        auto* j = msg.add_jointstatus();
        j->set_jointcurrenti(100 + i);
        j->set_jointspeedmoto(10 * i);
        j->set_jointposj(0.1f * static_cast<float>(i));
        j->set_jointcurvol(48.0f);
        j->set_jointcurtemp(35.5f);
        j->set_jointtagcurrenti(0);
        j->set_jointtagspeedmoto(0.0f);
        j->set_jointtagposj(0.1f * static_cast<float>(i));
        j->set_jointerrornum(0);
    }
    auto* e = msg.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
    return msg.SerializeAsString();
}

// Pushes arrive in batches, so the receive thread never sleeps between them and
// elapsed time per push is its time per push.
void BM_JointStatusPush(benchmark::State& state) {
    const int batch = 256;
    LoopbackPair pair;
    std::string burst;
    const std::string one =
        frame(CommunicationMateType::CommunicationType_RealTimeJointStatus, jointStatusBody());
    for (int i = 0; i < batch; ++i) burst += one;
    BenchCore core;
    PushCounter counter;
    counter.batch = batch;
    core.robotServiceRegisterRealTimeJointStatusCallbackService(onJointStatus, &counter);
    if (core.adoptConnectedSocket(pair.releaseClient()) != 0) {
        state.SkipWithError("adopt failed");
        return;
    }
    uint64_t expected = 0;
    for (auto _ : state) {
        expected += batch;
        counter.target.store(expected, std::memory_order_release);
        writeFull(pair.server, burst.data(), burst.size());
        std::unique_lock<std::mutex> lock(counter.mutex);
        counter.cv.wait(lock,
                        [&] { return counter.count.load(std::memory_order_acquire) >= expected; });
    }
    state.SetItemsProcessed(static_cast<int64_t>(expected));
    state.counters["wall_per_push"] = benchmark::Counter(
        static_cast<double>(expected), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    const double timedPushes = static_cast<double>(state.iterations()) * (batch - 1);
    state.counters["rx_cpu_ns_per_push"] =
        timedPushes > 0 ? static_cast<double>(counter.receiveCpuNs.load()) / timedPushes : 0.0;
    core.disconnectRobotServer();
}
BENCHMARK(BM_JointStatusPush)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Decode and dispatch of one joint-status frame alone, without the socket.
void BM_JointStatusDispatch(benchmark::State& state) {
    BenchCore core;
    PushCounter counter;
    core.robotServiceRegisterRealTimeJointStatusCallbackService(onJointStatus, &counter);
    const std::string one =
        frame(CommunicationMateType::CommunicationType_RealTimeJointStatus, jointStatusBody());
    const std::string content = one.substr(8, one.size() - 16);  // command type and body
    for (auto _ : state) core.responseProcess(-1, content.data(), static_cast<int>(content.size()));
}
BENCHMARK(BM_JointStatusDispatch);

struct LatencyProbe {
    std::atomic<int64_t> sentAt{0};
    std::atomic<int64_t> latencyNs{-1};
};

void onEvent(const tevo_robot_namespace::RobotEventInfo*, void* arg) {
    auto* p = static_cast<LatencyProbe*>(arg);
    const int64_t now = Clock::now().time_since_epoch().count();
    p->latencyNs.store(now - p->sentAt.load(std::memory_order_acquire), std::memory_order_release);
}

void BM_EventLatency(benchmark::State& state) {
    BenchCore core;
    LatencyProbe probe;
    core.robotServiceRegisterRobotEventInfoCallbackService(onEvent, &probe);
    tevo_robot_namespace::RobotEventInfo event;
    event.eventType = tevo_robot_namespace::RobotEvent_User;
    event.eventCode = 0;
    for (auto _ : state) {
        probe.latencyNs.store(-1, std::memory_order_relaxed);
        probe.sentAt.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
        core.robotRealTimeEventProcess(event);
        int64_t latency;
        while ((latency = probe.latencyNs.load(std::memory_order_acquire)) < 0)
            std::this_thread::yield();
        state.SetIterationTime(static_cast<double>(latency) * 1e-9);
    }
}
BENCHMARK(BM_EventLatency)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration (ns), every repetition, so that the
// ratios printed at the end use medians (run with --benchmark_repetitions and
// --benchmark_enable_random_interleaving on a busy machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : benchmark::ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            samples_[run.run_name.function_name].push_back(
                run.GetAdjustedRealTime() *
                benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                benchmark::GetTimeUnitMultiplier(run.time_unit));
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Median ns per iteration, 0 when the benchmark did not run.
    double median(const std::string& name) const {
        auto it = samples_.find(name);
        if (it == samples_.end() || it->second.empty()) return 0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> samples_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double raw = reporter.median("BM_RawPingPong");
    const double floor = reporter.median("BM_HandOffFloor");
    const double library = reporter.median("BM_LibraryRequest");
    if (library > 0 && floor > 0)
        std::printf("ratio LibraryRequest / HandOffFloor = %.3f (target <= 1.15)\n",
                    library / floor);
    if (library > 0 && raw > 0)
        std::printf("ratio LibraryRequest / RawPingPong  = %.3f (target <= 2.5)\n", library / raw);
    if (floor > 0 && raw > 0)
        std::printf("ratio HandOffFloor / RawPingPong    = %.3f\n", floor / raw);
    benchmark::Shutdown();
    return 0;
}
