// Servo streaming at 500 Hz and 1 kHz against the simulator, beside the
// hand-off floor of bench/roundtrip measured in the same run:
//   BM_HandOffFloor  one frame over loopback TCP there and back, handed from a
//                    receive thread to the caller through a condition
//                    variable; timed per round trip, so its p99 is known;
//   BM_Servo/<Hz>    a logged-in ServiceInterface with the arm started streams
//                    joint targets of a smooth motion (a 0.2 rad sine on every
//                    joint) for --servo_seconds (10 s by default) with
//                    robotServiceServoStart / WaitPeriod / Joint / Stop.
// Per cycle: the send call's latency (the steady clock around
// robotServiceServoJoint), the deadline error (the stream's lateness of the
// cycle, ServoStreamStatus::lateLastSec after each wait) and the overruns; at
// each waypoint push, the follow error (the latest target minus the pushed
// joint angles, largest joint). The simulator runs in a child process forked
// before any thread exists, so its threads do not share this process's
// scheduling and locks; it reports the inter-arrival jitter of the targets it
// received (|gap - period|) over a pipe after each stream. Each stream starts
// by entering pass-through mode, which resets the simulator's figures.
// The program prints a table of every figure and the ratio lines at the end.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "sim/controllersim.h"
#include "support/handoff.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace trn = tevo_robot_namespace;

constexpr double kAmplitudeRad = 0.2;
constexpr double kMotionHz = 0.5;  // peak joint speed 0.63 rad/s, well inside the limit
constexpr double kTwoPi = 6.283185307179586;

double g_servoSeconds = 10.0;
int g_simPort = 0;
int g_requestFd = -1;  // to the simulator's process: a period (double) asks for its figures
int g_replyFd = -1;    // from it: one SimFigures per request

// Reads or writes exactly n bytes of a pipe.
bool readPipe(int fd, void* data, size_t n) {
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool writePipe(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t r = ::write(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// Nearest-rank quantile q (0..1) of v; 0 when v is empty.
double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    const auto rank = static_cast<size_t>(std::ceil(q * static_cast<double>(v.size())));
    const size_t index = std::min(v.size() - 1, rank == 0 ? 0 : rank - 1);
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(index), v.end());
    return v[index];
}

double largest(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// What the simulator measured of the last stream.
struct SimFigures {
    uint64_t targets = 0;
    double jitterP99Sec = 0;
    double jitterMaxSec = 0;
    double followErrorMaxRad = 0;
    uint64_t watchdogTrips = 0;
};

// The simulator's process: answers each request with the figures of the
// stream since pass-through mode was last entered; serves until the parent
// closes the request pipe.
[[noreturn]] void runSimulator(int portFd, int requestFd, int replyFd) {
    tevo_sim::SimOptions options;
    options.logSink = [](const std::string&) {};
    tevo_sim::ControllerSim sim(options);
    const int port = sim.start() ? sim.port() : 0;
    if (!writePipe(portFd, &port, sizeof(port))) _exit(1);
    double periodSec = 0;
    while (readPipe(requestFd, &periodSec, sizeof(periodSec))) {
        const tevo_sim::ServoStats stats = sim.servoStats();
        std::vector<double> jitter;
        jitter.reserve(stats.interArrivalSec.size());
        for (double gap : stats.interArrivalSec) jitter.push_back(std::fabs(gap - periodSec));
        SimFigures figures;
        figures.targets = stats.targets;
        figures.jitterP99Sec = quantile(jitter, 0.99);
        figures.jitterMaxSec = largest(jitter);
        figures.followErrorMaxRad = stats.followErrorMaxRad;
        figures.watchdogTrips = stats.watchdogTrips;
        if (!writePipe(replyFd, &figures, sizeof(figures))) break;
    }
    sim.stop();
    _exit(0);
}

std::vector<double> g_handoffSec;  // per round trip, the last run of BM_HandOffFloor
// A run that measured nothing sound (a broken link, a failed stream, targets
// lost on the way): the program then exits with 1, so the smoke run fails.
bool g_failed = false;

void fail(benchmark::State& state, const std::string& why) {
    state.SkipWithError(why.c_str());
    g_failed = true;
}

void BM_HandOffFloor(benchmark::State& state) {
    tevo_bench::HandOffFloor floor;
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (!floor.roundTrip()) {
            fail(state, "loopback link broke");
            break;
        }
        samples.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["p99_us"] = quantile(samples, 0.99) * 1e6;
    g_handoffSec = std::move(samples);
}
BENCHMARK(BM_HandOffFloor)->UseRealTime();

// The figures of one stream.
struct StreamFigures {
    double periodSec = 0;
    std::vector<double> sendSec;    // per cycle: robotServiceServoJoint's latency
    std::vector<double> lateSec;    // per cycle: wake-up minus deadline
    std::vector<double> followRad;  // per waypoint push while streaming
    trn::ServoStreamStatus status;  // the library's figures at the end
    SimFigures sim;
    int error = 0;  // the first failed call's code
};
std::map<int, StreamFigures> g_streams;  // by rate, Hz

// The latest target, written by the streaming loop; the waypoint push on the
// receive thread compares the pushed joint angles with it.
struct FollowProbe {
    std::mutex mutex;
    bool valid = false;
    double target[6] = {0, 0, 0, 0, 0, 0};
    std::vector<double> errors;
};

void onWaypoint(const trn::wayPoint_S* waypoint, void* arg) {
    auto* probe = static_cast<FollowProbe*>(arg);
    std::lock_guard<std::mutex> lock(probe->mutex);
    if (!probe->valid) return;
    double worst = 0;
    for (int j = 0; j < 6; ++j)
        worst = std::max(worst, std::fabs(probe->target[j] - waypoint->jointpos[j]));
    probe->errors.push_back(worst);
}

// Logs in, starts the arm and switches the waypoint push on; 0 or the code of
// the step that failed.
int prepare(ServiceInterface& robot, FollowProbe& probe) {
    trn::RobotType type{};
    trn::RobotDhPara dh{};
    int rc = robot.robotServiceLogin("127.0.0.1", g_simPort, "tevo", "tevo", type, dh);
    if (rc != 0) return rc;
    trn::ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    trn::ROBOT_SERVICE_STATE state = trn::ROBOT_SERVICE_READY;
    rc = robot.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true);
    if (rc != 0) return rc;
    return robot.robotServiceRegisterRealTimeRoadPointCallback(onWaypoint, &probe);
}

// Streams for g_servoSeconds at the period; fills f.
void stream(ServiceInterface& robot, FollowProbe& probe, StreamFigures& f) {
    trn::wayPoint_S start{};
    f.error = robot.robotServiceGetCurrentWaypointInfo(start);
    if (f.error != 0) return;
    trn::ServoStreamOptions options;
    options.periodSec = f.periodSec;
    f.error = robot.robotServiceServoStart(options);
    if (f.error != 0) return;
    const auto cycles = static_cast<size_t>(std::llround(g_servoSeconds / f.periodSec));
    f.sendSec.reserve(cycles);
    f.lateSec.reserve(cycles);
    {
        std::lock_guard<std::mutex> lock(probe.mutex);
        probe.errors.reserve(cycles);
    }
    const double omega = kTwoPi * kMotionHz * f.periodSec;  // phase per cycle
    trn::ServoStreamStatus status;
    double target[6];
    for (size_t k = 0; k < cycles; ++k) {
        f.error = robot.robotServiceServoWaitPeriod();
        if (f.error != 0) break;
        robot.robotServiceServoStatus(status);
        f.lateSec.push_back(status.lateLastSec);
        const double offset = kAmplitudeRad * std::sin(omega * static_cast<double>(k));
        for (int j = 0; j < 6; ++j) target[j] = start.jointpos[j] + offset;
        const Clock::time_point before = Clock::now();
        f.error = robot.robotServiceServoJoint(target);
        f.sendSec.push_back(std::chrono::duration<double>(Clock::now() - before).count());
        if (f.error != 0) break;
        std::lock_guard<std::mutex> lock(probe.mutex);
        std::copy(target, target + 6, probe.target);
        probe.valid = true;
    }
    // Read after the stop, whose answer comes after those of every target.
    const int stopped = robot.robotServiceServoStop();
    if (f.error == 0) f.error = stopped;
    robot.robotServiceServoStatus(f.status);
    std::lock_guard<std::mutex> lock(probe.mutex);
    probe.valid = false;
    f.followRad = std::move(probe.errors);
    probe.errors.clear();
}

void BM_Servo(benchmark::State& state) {
    const int rateHz = static_cast<int>(state.range(0));
    StreamFigures f;
    f.periodSec = 1.0 / rateHz;
    for (auto _ : state) {
        FollowProbe probe;
        ServiceInterface robot;
        const int rc = prepare(robot, probe);
        if (rc != 0) {
            fail(state, "login or start-up failed: " + std::to_string(rc));
            break;
        }
        const Clock::time_point start = Clock::now();
        stream(robot, probe, f);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
        robot.robotServiceLogout();
    }
    if (state.error_occurred()) return;
    if (!writePipe(g_requestFd, &f.periodSec, sizeof(f.periodSec)) ||
        !readPipe(g_replyFd, &f.sim, sizeof(f.sim))) {
        fail(state, "the simulator's process does not answer");
        return;
    }
    if (f.error != 0 || f.sim.targets != f.status.sent) {
        fail(state, "stream failed: code " + std::to_string(f.error) + ", " +
                        std::to_string(f.status.sent) + " targets sent, " +
                        std::to_string(f.sim.targets) + " received");
        g_streams[rateHz] = std::move(f);
        return;
    }
    state.counters["send_p99_us"] = quantile(f.sendSec, 0.99) * 1e6;
    state.counters["deadline_p99_us"] = quantile(f.lateSec, 0.99) * 1e6;
    state.counters["overruns"] = static_cast<double>(f.status.overruns);
    state.counters["jitter_p99_us"] = f.sim.jitterP99Sec * 1e6;
    g_streams[rateHz] = std::move(f);
}
BENCHMARK(BM_Servo)->Arg(500)->Arg(1000)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

const char* rateName(int rateHz) { return rateHz == 1000 ? "1khz" : "500hz"; }

void printTable() {
    std::printf("\nservo streaming, %.1f s per rate (times in us, angles in mrad)\n",
                g_servoSeconds);
    std::printf("%-34s", "figure");
    for (const auto& entry : g_streams) std::printf("%12s", rateName(entry.first));
    std::printf("\n");
    auto row = [](const char* name, auto value) {
        std::printf("%-34s", name);
        for (const auto& entry : g_streams) std::printf("%12.1f", value(entry.second));
        std::printf("\n");
    };
    using F = const StreamFigures&;
    row("send p50", [](F f) { return quantile(f.sendSec, 0.5) * 1e6; });
    row("send p99", [](F f) { return quantile(f.sendSec, 0.99) * 1e6; });
    row("send p99.9", [](F f) { return quantile(f.sendSec, 0.999) * 1e6; });
    row("send max", [](F f) { return largest(f.sendSec) * 1e6; });
    row("deadline error p50", [](F f) { return quantile(f.lateSec, 0.5) * 1e6; });
    row("deadline error p99", [](F f) { return quantile(f.lateSec, 0.99) * 1e6; });
    row("deadline error max", [](F f) { return largest(f.lateSec) * 1e6; });
    row("deadline error p99 (library)", [](F f) { return f.status.lateP99Sec * 1e6; });
    row("cycles", [](F f) { return static_cast<double>(f.status.cycles); });
    row("overruns", [](F f) { return static_cast<double>(f.status.overruns); });
    row("targets sent", [](F f) { return static_cast<double>(f.status.sent); });
    row("answers received", [](F f) { return static_cast<double>(f.status.answered); });
    row("  of which refused", [](F f) { return static_cast<double>(f.status.refused); });
    row("answer time p99 (library)", [](F f) { return f.status.answerP99Sec * 1e6; });
    row("targets received (simulator)", [](F f) { return static_cast<double>(f.sim.targets); });
    row("inter-arrival jitter p99", [](F f) { return f.sim.jitterP99Sec * 1e6; });
    row("inter-arrival jitter max", [](F f) { return f.sim.jitterMaxSec * 1e6; });
    row("follow error p50 (at pushes)", [](F f) { return quantile(f.followRad, 0.5) * 1e3; });
    row("follow error p99 (at pushes)", [](F f) { return quantile(f.followRad, 0.99) * 1e3; });
    row("follow error max (at pushes)", [](F f) { return largest(f.followRad) * 1e3; });
    row("follow error max (simulator)", [](F f) { return f.sim.followErrorMaxRad * 1e3; });
    row("watchdog trips (simulator)", [](F f) { return static_cast<double>(f.sim.watchdogTrips); });
    row("first failed call's code", [](F f) { return static_cast<double>(f.error); });
    std::printf("hand-off floor: p50 %.1f us, p99 %.1f us, max %.1f us over %zu round trips\n\n",
                quantile(g_handoffSec, 0.5) * 1e6, quantile(g_handoffSec, 0.99) * 1e6,
                largest(g_handoffSec) * 1e6, g_handoffSec.size());
}

void printRatios() {
    const double handoffP99 = quantile(g_handoffSec, 0.99);
    for (const auto& [rateHz, f] : g_streams) {
        if (f.error != 0 || f.sendSec.empty() || f.sim.targets != f.status.sent) {
            std::printf("servo_%s: the stream failed, no ratios\n", rateName(rateHz));
            continue;
        }
        if (handoffP99 > 0)
            std::printf("servo_send_p99_%s/handoff_p99 = %.3f (target <= 2)\n", rateName(rateHz),
                        quantile(f.sendSec, 0.99) / handoffP99);
        std::printf("servo_deadline_p99_%s/period = %.3f (target <= 0.1)\n", rateName(rateHz),
                    quantile(f.lateSec, 0.99) / f.periodSec);
        std::printf("servo_overruns_%s = %llu (target <= 0)\n", rateName(rateHz),
                    static_cast<unsigned long long>(f.status.overruns));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // --servo_seconds=S (stream time per rate) is this program's; the other
    // arguments go on to Google Benchmark.
    std::vector<char*> args;
    const char* flag = "--servo_seconds=";
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) {
            char* end = nullptr;
            const double seconds = std::strtod(argv[i] + std::strlen(flag), &end);
            if (end == argv[i] + std::strlen(flag) || *end != '\0' || !(seconds > 0) ||
                seconds > 3600) {
                std::fprintf(stderr, "servo_bench: %s: give seconds above 0, at most 3600\n",
                             argv[i]);
                return 2;
            }
            g_servoSeconds = seconds;
        } else {
            args.push_back(argv[i]);
        }
    }
    int portPipe[2];
    int requestPipe[2];
    int replyPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(requestPipe) != 0 || ::pipe(replyPipe) != 0) return 1;
    const pid_t child = ::fork();  // before any thread of this process exists
    if (child < 0) return 1;
    if (child == 0) {
        ::close(portPipe[0]);
        ::close(requestPipe[1]);
        ::close(replyPipe[0]);
        runSimulator(portPipe[1], requestPipe[0], replyPipe[1]);
    }
    ::close(portPipe[1]);
    ::close(requestPipe[0]);
    ::close(replyPipe[1]);
    g_requestFd = requestPipe[1];
    g_replyFd = replyPipe[0];
    if (!readPipe(portPipe[0], &g_simPort, sizeof(g_simPort)) || g_simPort == 0) {
        std::fprintf(stderr, "simulator failed to start\n");
        return 1;
    }

    int benchmarkArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchmarkArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (!g_streams.empty()) printTable();
    printRatios();
    benchmark::Shutdown();
    ::close(g_requestFd);
    int status = 0;
    ::waitpid(child, &status, 0);
    return g_failed ? 1 : 0;
}
