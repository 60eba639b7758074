// Soak: many ServiceInterface objects, several threads each, run a mix of
// operations against in-process controller simulators while a chaos thread
// injects random faults (delays, drops, doubled replies, early events,
// mid-frame closes, read stalls, event floods, closes, restarts, a frozen
// controller, a network path that silently drops everything).
//
// The objects of one simulator in four run with connection supervision
// (robotServiceSetReconnectPolicy), always through the simulator's relay,
// which chaos also closes, resets and makes refuse for a while. The soak
// logs such an object in once; after a lost link only the library logs in
// again. It checks the order of the connection events, that each loss is
// followed by a reconnect within a bound once the path is back (or by a
// give-up after the policy's time), that calls made while the link is down
// fail at once, and measures the time from the path's return to the first
// push received again.
//
// Fails (exit status non-zero) on
//   - a hang: a watchdog tracks every call in flight with its start time and
//     the bound the library documents for it; a call past bound + margin
//     prints what was in flight and aborts;
//   - a leak: resident memory grown beyond a slack, threads or file
//     descriptors left over, measured after every object is destroyed and
//     every simulator stopped;
//   - a crash or a sanitizer report (the process dies / halts).
//
// Rules of the library that the soak keeps (its documented contract):
//   - login and logout of one object run on that object's controlling
//     thread only; the object is destroyed (and re-created) only there,
//     after its worker threads have been joined;
//   - one blocking move at a time per object: only the mover thread moves;
//   - callbacks do not call into the library.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "sim/controllersim.h"
#include "support/tcprelay.h"

using namespace tevo_robot_namespace;
using Clock = std::chrono::steady_clock;
using Secs = std::chrono::duration<double>;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#if __has_feature(thread_sanitizer)
#define SOAK_TSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(SOAK_ASAN)
#define SOAK_ASAN 1
#endif
#if defined(__SANITIZE_THREAD__) && !defined(SOAK_TSAN)
#define SOAK_TSAN 1
#endif

namespace {

// ------------------------------------------------------------------ options

struct Options {
    double seconds = 60;
    int objects = 32;
    int objectsPerSim = 4;
    uint64_t seed = 0;
    double marginScale = 0;  // 0: by build (1 plain, 3 ASan, 8 TSan)
    double allowance = 0.1;  // seconds a call may take past its class's bound
    double rssSlackMiB = 0;  // 0: by build
    double timeScale = 10;   // simulator arm time per real time
    bool verbose = false;
    bool libraryStdout = false;  // keep the library's own prints to stdout
    bool injectHang = false;     // check of the watchdog: suppress every move's end event
};

void usage() {
    std::printf(
        "usage: soak [--seconds N] [--objects N] [--objects-per-sim N] [--seed N]\n"
        "            [--margin-scale X] [--allowance S] [--rss-slack-mib N] [--time-scale X]\n"
        "            [--verbose]\n"
        "            [--library-stdout] [--inject-hang]\n");
}

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](double& v) {
            if (i + 1 >= argc) return false;
            char* end = nullptr;
            v = std::strtod(argv[++i], &end);
            return end && *end == '\0';
        };
        double v = 0;
        if (a == "--seconds" && next(v) && v > 0) {
            o.seconds = v;
        } else if (a == "--objects" && next(v) && v >= 1) {
            o.objects = static_cast<int>(v);
        } else if (a == "--objects-per-sim" && next(v) && v >= 1) {
            o.objectsPerSim = static_cast<int>(v);
        } else if (a == "--seed" && next(v) && v >= 0) {
            o.seed = static_cast<uint64_t>(v);
        } else if (a == "--margin-scale" && next(v) && v > 0) {
            o.marginScale = v;
        } else if (a == "--allowance" && next(v) && v >= 0) {
            o.allowance = v;
        } else if (a == "--rss-slack-mib" && next(v) && v > 0) {
            o.rssSlackMiB = v;
        } else if (a == "--time-scale" && next(v) && v > 0) {
            o.timeScale = v;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--library-stdout") {
            o.libraryStdout = true;
        } else if (a == "--inject-hang") {
            o.injectHang = true;
        } else {
            return false;
        }
    }
    return true;
}

// ------------------------------------------------------- process figures

struct ProcFigures {
    long rssKiB = -1;
    int threads = -1;
    int fds = -1;
};

// Open file descriptors, the one that lists them not counted.
int openFds() {
    DIR* d = ::opendir("/proc/self/fd");
    if (!d) return -1;
    int n = 0;
    // NOLINTNEXTLINE(concurrency-mt-unsafe): readdir on a stream no other thread uses
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] != '.') ++n;
    }
    ::closedir(d);
    return n - 1;
}

ProcFigures procFigures() {
    ProcFigures f;
    {
        std::ifstream in("/proc/self/status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("VmRSS:", 0) == 0) f.rssKiB = std::atol(line.c_str() + 6);
            if (line.rfind("Threads:", 0) == 0) f.threads = std::atoi(line.c_str() + 8);
        }
    }
    f.fds = openFds();
    return f;
}

FILE* g_out = stdout;  // the soak's report

// The names of the process's threads, for a report of leftover threads.
void printThreadNames() {
    DIR* d = ::opendir("/proc/self/task");
    if (!d) return;
    // NOLINTNEXTLINE(concurrency-mt-unsafe): readdir on a stream no other thread uses
    while (dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/comm");
        std::string name;
        std::getline(in, name);
        std::fprintf(g_out, " %s(%s)", e->d_name, name.c_str());
    }
    ::closedir(d);
    std::fprintf(g_out, "\n");
}

// --------------------------------------------------- operation classes

// Each class has the bound the library documents for its calls, in seconds.
enum OpClass : int {
    kRequest,  // one request: the send + 1.8 s response, a wait behind one of its kind included
    kCollisionSet,    // one request + up to three read-backs 150 ms apart
    kSafetySet,       // two requests + up to six read-backs 100 ms apart
    kLogin,           // connect + ~300 ms + three requests
    kLogout,          // ~100 ms
    kStartupBlock,    // 60 s
    kLifecycleBlock,  // shut-down / handshake blocking: 30 s
    kMoveControl,     // one request + 4 s
    kMoveBlock,       // motion time (30 s at the soak's time scale); a silent controller: 5 s
    kRegister,        // one request + the running callback
    kCreate,          // constructor: starts the event thread
    kDestroy,         // logout + event thread stop
    kLocal,           // global profile: a short lock
    kEndSupervised,   // logout / destroy, supervised: may wait for an attempt under way
    kDownCall,        // a call made while the link was down (counted on return): fails at once
    kClassCount
};

// Response time-out plus the send of one request. The library bounds a
// request by its 1.8 s response wait, a wait behind a request of the same
// kind included; the send is bounded too (README).
constexpr double kRequestBound = 2.0;

// What a call may take beyond its class's bound before the soak fails: the
// scheduling of a 2-core machine, not the library (--allowance; 0.1 s, more
// where the soak shares the machine with other tests). The bounds are the
// plain build's; under a sanitizer every call is slower by the
// instrumentation, so there the soak fails only past the hang limit and
// reports the calls over their bounds.
double g_allowance = 0.1;
bool g_checkBounds = true;

struct ClassInfo {
    const char* name;
    double bound;
};

const ClassInfo kClasses[kClassCount] = {
    {"request", kRequestBound},
    {"collision-class set", 4 * kRequestBound + 0.45},
    {"safety-config set", 8 * kRequestBound + 0.6},
    {"login", 0.3 + 3 * kRequestBound + 0.5},  // + connect on loopback
    {"logout", 0.1},
    {"start-up (blocking)", 60.0},
    {"shut-down/handshake (blocking)", 30.0},
    {"move control", kRequestBound + 4.0},
    {"move (blocking)", 30.0},
    {"callback registration", kRequestBound + 0.05},  // our callbacks take < 50 ms
    {"create", 0.1},
    {"destroy", 0.1 + 0.05},
    {"global profile", 0.01},
    // Within 100 ms during a backoff; an attempt under way first ends with
    // its login's bound.
    {"logout/destroy, supervised", 0.3 + 3 * kRequestBound + 0.5 + 0.15},
    {"call while the link is down", 0.1},
};

// --------------------------------------------------------------- stats

struct Stats {
    std::atomic<uint64_t> calls{0};
    std::mutex codesMutex;
    std::map<int, uint64_t> codes;
    std::atomic<uint64_t> classCalls[kClassCount] = {};
    std::atomic<int64_t> classMaxUs[kClassCount] = {};
    std::atomic<uint64_t> classOverBound[kClassCount] = {};
    std::mutex maxNameMutex;
    std::string classMaxOp[kClassCount];
    std::atomic<uint64_t> pushes{0}, events{0}, logLines{0}, simLogLines{0};
    std::atomic<uint64_t> movesOk{0}, movesStopped{0};
    std::atomic<uint64_t> loginsOk{0}, loginsFailed{0}, recreates{0};
    std::atomic<bool> hangAfterReturn{false};
    // Supervised objects (connection events, counted by onConnectionEvent).
    std::atomic<uint64_t> linkLost[4] = {};  // by LinkLossReason
    std::atomic<uint64_t> reconnecting{0}, reconnected{0}, gaveUp{0};
    std::atomic<uint64_t> endedWhileDown{0};  // logout or destruction while the link was down
    std::atomic<uint64_t> supervisionFaults{0};
};

Stats g_stats;
double g_marginScale = 1;

// Allowed time before a call counts as hung: its bound plus a margin, both
// stretched by the build's slowness. A call while the link is down must fail
// at once: its margin is a scheduling delay, not a request's.
double hangLimit(OpClass c) {
    const double b = kClasses[c].bound;
    if (c == kDownCall) return (b + 0.4) * g_marginScale;
    return (b + std::max(2.0, 0.5 * b)) * g_marginScale;
}

// ------------------------------------------------------------ watchdog

// Prints the state of an object's simulator for a hang report.
void (*g_describeObject)(int object) = nullptr;
// How long the object's controller has been silent (frozen, or the relay its
// connection runs through dropping everything) at `now`, counted from no
// earlier than `since`; 0 when it is not silent.
double (*g_silentFor)(int object, Clock::time_point since, Clock::time_point now) = nullptr;

// A blocking wait notices a silent controller within this (the library's
// documented bound).
constexpr double kSilenceBound = 5.0;

bool waitsOnController(OpClass c) {
    return c == kMoveBlock || c == kStartupBlock || c == kLifecycleBlock;
}

// Allowed time a blocking wait may go on with its controller silent.
double silenceLimit() { return (kSilenceBound + 2.0) * g_marginScale; }

// One slot per soak thread that calls the library: the call in flight.
struct Slot {
    std::mutex m;
    bool active = false;
    const char* op = "";
    OpClass cls = kRequest;
    Clock::time_point start;
    int object = -1;
    const char* thread = "";
};

class Watchdog {
public:
    Slot* newSlot(int object, const char* thread) {
        std::lock_guard<std::mutex> lock(m_);
        slots_.push_back(std::make_unique<Slot>());
        slots_.back()->object = object;
        slots_.back()->thread = thread;
        return slots_.back().get();
    }

    void start() {
        thread_ = std::thread([this] { run(); });
    }
    void stop() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    // Prints every call in flight; `hung` marks the one that overran.
    void printInFlight(const Slot* hung) {
        std::lock_guard<std::mutex> lock(m_);
        const auto now = Clock::now();
        for (auto& s : slots_) {
            std::lock_guard<std::mutex> sl(s->m);
            if (!s->active) continue;
            std::fprintf(
                stderr, "  %s object %d thread %s: %s (%s) in flight %.2f s, bound %.2f s\n",
                s.get() == hung ? "HUNG" : "    ", s->object, s->thread, s->op,
                kClasses[s->cls].name, Secs(now - s->start).count(), kClasses[s->cls].bound);
            if (g_describeObject && s->cls == kMoveBlock) g_describeObject(s->object);
        }
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(m_);
        while (!stop_) {
            cv_.wait_for(lock, std::chrono::milliseconds(100));
            const auto now = Clock::now();
            for (auto& s : slots_) {
                std::lock_guard<std::mutex> sl(s->m);
                if (!s->active) continue;
                const double t = Secs(now - s->start).count();
                const double silent = waitsOnController(s->cls) && g_silentFor != nullptr
                                          ? g_silentFor(s->object, s->start, now)
                                          : 0.0;
                if (silent > silenceLimit()) {
                    std::fprintf(stderr,
                                 "\nsoak: HANG: object %d thread %s: %s (%s) still waits on a "
                                 "controller silent for %.2f s (documented bound %.2f s, limit "
                                 "%.2f s)\n",
                                 s->object, s->thread, s->op, kClasses[s->cls].name, silent,
                                 kSilenceBound, silenceLimit());
                    hung_ = s.get();
                    break;
                }
                if (t > hangLimit(s->cls)) {
                    std::fprintf(stderr,
                                 "\nsoak: HANG: object %d thread %s: %s (%s) blocked %.2f s, "
                                 "documented bound %.2f s, limit %.2f s\n",
                                 s->object, s->thread, s->op, kClasses[s->cls].name, t,
                                 kClasses[s->cls].bound, hangLimit(s->cls));
                    hung_ = s.get();
                    break;
                }
            }
            if (hung_) break;
        }
        if (!hung_) return;
        lock.unlock();
        std::fprintf(stderr, "soak: calls in flight:\n");
        printInFlight(hung_);
        std::fprintf(stderr, "soak: aborting on the hang\n");
        std::fflush(stderr);
        std::fflush(g_out);
        std::abort();
    }

    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    const Slot* hung_ = nullptr;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::thread thread_;
};

Watchdog g_watchdog;

void recordCode(int code) {
    std::lock_guard<std::mutex> lock(g_stats.codesMutex);
    ++g_stats.codes[code];
}

// Records a call's blocking time in its class; true when it passed the
// class's hang limit.
bool recordTime(OpClass cls, const char* op, double t) {
    const int64_t us = static_cast<int64_t>(t * 1e6);
    ++g_stats.classCalls[cls];
    if (t > kClasses[cls].bound + g_allowance) ++g_stats.classOverBound[cls];
    int64_t prev = g_stats.classMaxUs[cls].load();
    while (us > prev && !g_stats.classMaxUs[cls].compare_exchange_weak(prev, us)) {
    }
    if (us > prev) {
        std::lock_guard<std::mutex> lock(g_stats.maxNameMutex);
        if (g_stats.classMaxUs[cls].load() == us) g_stats.classMaxOp[cls] = op;
    }
    return t > hangLimit(cls);
}

// A supervised object's link as its connection events tell it: down from
// link lost to reconnected or gave up; `changes` counts those events.
struct LinkMark {
    bool down = false;
    uint64_t changes = 0;
};
LinkMark linkMark(int object);  // {false, 0} for an object without supervision

// Times one library call: registers it with the watchdog for its duration,
// then records its result code and blocking time. A call of a supervised
// object made and returned within one outage of its link that failed with
// ErrCode_SocketDisconnect is a call while the link is down: it must have
// failed at once.
template <typename F>
auto timed(Slot* slot, const char* op, OpClass cls, F&& f) -> decltype(f()) {
    const LinkMark before = linkMark(slot->object);
    {
        std::lock_guard<std::mutex> lock(slot->m);
        slot->active = true;
        slot->op = op;
        slot->cls = cls;
        slot->start = Clock::now();
    }
    auto result = f();
    const auto end = Clock::now();
    Clock::time_point start;
    {
        std::lock_guard<std::mutex> lock(slot->m);
        slot->active = false;
        start = slot->start;
    }
    const double t = Secs(end - start).count();
    ++g_stats.calls;
    if (recordTime(cls, op, t)) {
        // Returned between two watchdog scans: still a hang.
        std::fprintf(stderr, "soak: HANG: object %d: %s (%s) blocked %.2f s, limit %.2f s\n",
                     slot->object, op, kClasses[cls].name, t, hangLimit(cls));
        g_stats.hangAfterReturn = true;
    }
    if constexpr (std::is_same_v<decltype(result), int>) {
        recordCode(result);
        if (before.down && result == ErrCode_SocketDisconnect) {
            const LinkMark after = linkMark(slot->object);
            if (after.down && after.changes == before.changes && recordTime(kDownCall, op, t)) {
                std::fprintf(stderr,
                             "soak: SLOW FAILURE: object %d: %s took %.3f s to fail with the link "
                             "down, limit %.2f s\n",
                             slot->object, op, t, hangLimit(kDownCall));
                g_stats.hangAfterReturn = true;
            }
        }
    }
    return result;
}

// ---------------------------------------------------------- simulators

struct SimSlot {
    std::unique_ptr<tevo_sim::ControllerSim> sim;
    std::atomic<int> port{0};  // 0 while restarting; workers log in to what they read
    // A relay in front of the simulator that chaos can make drop everything;
    // half of the logins go through it. Re-created on a restart.
    std::unique_ptr<tevo_test::TcpRelay> relay;
    std::atomic<int> relayPort{0};
    // Since when the simulator is frozen / the relay drops (0: it is not).
    std::atomic<Clock::rep> frozenSince{0};
    std::atomic<Clock::rep> droppingSince{0};
    std::mutex restartMutex;  // chaos restarts vs. reads of the simulator's state
    Clock::time_point pausedSince{};
    std::mutex pausedMutex;
    // Its objects run supervised, always through the relay; a restart keeps
    // the simulator's port and the relay.
    bool supervised = false;
    // When the path to the controller was last whole again: every outage
    // chaos made over (refusing, dropping, freeze, stall, restart), or links
    // cut with no outage. Written by chaos only.
    std::atomic<Clock::rep> restoredAt{0};
    bool impaired = false;  // chaos thread only
};

std::vector<std::unique_ptr<SimSlot>> g_sims;

// The arm is paused: true once it has stayed so for `after`. A pause held by
// an object that lost its connection is continued by whichever object of the
// simulator looks next, so that a blocking move never waits on it forever.
bool pausedFor(SimSlot& s, std::chrono::milliseconds after) {
    bool paused = false;
    {
        std::lock_guard<std::mutex> lock(s.restartMutex);
        paused = s.sim->snapshot().paused;
    }
    std::lock_guard<std::mutex> lock(s.pausedMutex);
    const auto now = Clock::now();
    if (!paused) {
        s.pausedSince = {};
        return false;
    }
    if (s.pausedSince == Clock::time_point{}) s.pausedSince = now;
    return now - s.pausedSince >= after;
}

bool armStarted(SimSlot& s) {
    std::lock_guard<std::mutex> lock(s.restartMutex);
    return s.sim->snapshot().started;
}

// ---------------------------------------------------------- supervision

// The policy of supervised objects: short delays, so that a path that is
// back is found again soon, and a silence time that the relay's dropping
// (0.3 to 12.3 s) often outlasts. Objects with an odd number give up after
// 6 s, the others never.
constexpr double kMaxDelaySec = 0.5;
constexpr double kGiveUpSec = 6.0;

ReconnectPolicy supervisedPolicy(bool givesUp) {
    ReconnectPolicy p;
    p.initialDelaySec = 0.05;
    p.backoffFactor = 2.0;
    p.maxDelaySec = kMaxDelaySec;
    p.giveUpAfterSec = givesUp ? kGiveUpSec : 0.0;
    p.silenceSec = 2.0;
    return p;
}

// Longest time from the path's return to the reconnect: the longest backoff
// and two logins (one under way when the path came back).
double reconnectLimit() {
    return (kMaxDelaySec + 2 * kClasses[kLogin].bound + 2.0) * g_marginScale;
}

// What the soak knows of one supervised object's link, from its connection
// events (the supervisor's thread) and its controlling thread.
struct SupervisionTrack {
    int object = 0;
    SimSlot* sim = nullptr;
    bool givesUp = false;
    std::atomic<bool> down{false};
    std::atomic<uint64_t> changes{0};  // link lost, reconnected, gave up
    std::atomic<Clock::rep> lossAt{0};
    // Set by link lost: the next push measures the time since the path came back.
    std::atomic<bool> awaitingPush{false};
    std::mutex m;        // the members below
    bool armed = false;  // a login succeeded, the policy is set: reconnects are the library's
    int attempt = 0;     // the last reconnecting event's
    uint64_t losses = 0, reconnects = 0, gaveUp = 0, endedDown = 0;
    std::vector<double> pushAfterReturn;  // seconds, of reported reconnects
    // A push that came before its reconnected event: counted with that event
    // (a logout may end the supervision between the login and the event).
    double pendingPush = -1;
    double maxReconnectAfterReturn = 0;

    // The controlling thread: the soak logged the object out or destroyed it
    // (no event comes after that).
    void ended() {
        std::lock_guard<std::mutex> lock(m);
        armed = false;
        if (down.exchange(false)) {
            ++endedDown;
            ++g_stats.endedWhileDown;
            ++changes;
        }
        awaitingPush = false;
        pendingPush = -1;
    }
    bool isArmed() {
        std::lock_guard<std::mutex> lock(m);
        return armed;
    }
    void arm() {
        std::lock_guard<std::mutex> lock(m);
        armed = true;
    }
};

// When the path to the object's controller came back for the outage that
// ended its link: the later of the loss and the path's last return.
Clock::time_point returnedAt(const SupervisionTrack& t) {
    return Clock::time_point(Clock::duration(std::max(t.lossAt.load(), t.sim->restoredAt.load())));
}

void supervisionFault(const SupervisionTrack& t, const char* what, double value) {
    if (++g_stats.supervisionFaults <= 20)
        std::fprintf(g_out, "soak: SUPERVISION: object %d: %s (%.3f)\n", t.object, what, value);
}

void onConnectionEvent(const ConnectionEvent* ev, void* arg) {
    auto& t = *static_cast<SupervisionTrack*>(arg);
    const auto now = Clock::now();
    std::lock_guard<std::mutex> lock(t.m);
    const double sinceLoss =
        Secs(now - Clock::time_point(Clock::duration(t.lossAt.load()))).count();
    switch (ev->kind) {
        case ConnectionLinkLost:
            ++t.losses;
            if (ev->reason < LinkLossClosed || ev->reason > LinkLossSilent) {
                supervisionFault(t, "link lost without a reason", ev->reason);
            } else {
                ++g_stats.linkLost[ev->reason];
            }
            if (t.down) supervisionFault(t, "link lost while it was lost already", 0);
            if (!t.armed) supervisionFault(t, "link lost reported without supervision", 0);
            t.lossAt = now.time_since_epoch().count();
            t.attempt = 0;
            t.pendingPush = -1;
            t.awaitingPush = true;
            t.down = true;
            ++t.changes;
            break;
        case ConnectionReconnecting:
            ++g_stats.reconnecting;
            if (!t.down) supervisionFault(t, "reconnecting with the link up", ev->attempt);
            if (ev->attempt != t.attempt + 1)
                supervisionFault(t, "attempt out of order", ev->attempt);
            t.attempt = ev->attempt;
            break;
        case ConnectionReconnected: {
            ++t.reconnects;
            ++g_stats.reconnected;
            if (!t.down) supervisionFault(t, "reconnected with the link up", 0);
            if (ev->attempt != t.attempt)
                supervisionFault(t, "reconnected after another attempt than announced",
                                 ev->attempt);
            const double afterReturn = Secs(now - returnedAt(t)).count();
            t.maxReconnectAfterReturn = std::max(t.maxReconnectAfterReturn, afterReturn);
            if (afterReturn > reconnectLimit())
                supervisionFault(t, "reconnected late after the path came back (s)", afterReturn);
            if (t.pendingPush >= 0) t.pushAfterReturn.push_back(t.pendingPush);
            t.pendingPush = -1;
            t.down = false;
            ++t.changes;
            break;
        }
        case ConnectionGaveUp:
            ++t.gaveUp;
            ++g_stats.gaveUp;
            if (!t.down) supervisionFault(t, "gave up with the link up", 0);
            if (!t.givesUp) supervisionFault(t, "gave up with no give-up time", sinceLoss);
            // Not before its time; not later than an attempt under way then.
            if (sinceLoss < kGiveUpSec - 0.05 ||
                sinceLoss > kGiveUpSec + kClasses[kLogin].bound * g_marginScale + 1.0)
                supervisionFault(t, "gave up at the wrong time (s since the loss)", sinceLoss);
            t.armed = false;  // the soak logs in again itself
            t.awaitingPush = false;
            t.pendingPush = -1;
            t.down = false;
            ++t.changes;
            break;
        default:
            supervisionFault(t, "unknown connection event", ev->kind);
            break;
    }
}

// ------------------------------------------------------------ callbacks

struct CallbackCounters {
    std::atomic<uint64_t> pushes{0};
    std::atomic<uint64_t> events{0};
    SupervisionTrack* sup = nullptr;  // supervised objects
};

void countPush(void* arg) {
    auto* c = static_cast<CallbackCounters*>(arg);
    ++c->pushes;
    ++g_stats.pushes;
    SupervisionTrack* t = c->sup;
    if (t && t->awaitingPush.exchange(false)) {
        const double s = Secs(Clock::now() - returnedAt(*t)).count();
        std::lock_guard<std::mutex> lock(t->m);
        if (t->down) {
            t->pendingPush = s;
        } else {
            t->pushAfterReturn.push_back(s);
        }
    }
}

void onJointStatus(const JointStatus*, int, void* arg) { countPush(arg); }
void onRoadPoint(const wayPoint_S*, void* arg) { countPush(arg); }
void onEndSpeed(double, void* arg) { countPush(arg); }
void onMovepStep(int, void* arg) { countPush(arg); }
// A slow event callback now and then: registrations and destruction wait for it.
void onEvent(const RobotEventInfo* info, void* arg) {
    auto* c = static_cast<CallbackCounters*>(arg);
    const uint64_t n = ++c->events;
    ++g_stats.events;
    if (info && n % 97 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
void onLog(LOG_LEVEL, const char*, void*) { ++g_stats.logLines; }

// ------------------------------------------------------------- objects

const double kHome[6] = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};

struct ObjectCtx {
    int index = 0;
    SimSlot* sim = nullptr;
    std::unique_ptr<ServiceInterface> si;
    CallbackCounters counters;  // outlives every ServiceInterface of this slot
    Slot* ctlSlot = nullptr;
    Slot* moverSlot = nullptr;
    Slot* reqSlot = nullptr;
    std::mt19937_64 rng;
    // For hang reports: what the controlling thread does, its last login.
    std::atomic<const char*> phase{"idle"};
    std::atomic<int> lastLogin{0};
    std::atomic<bool> moverDone{false};
    std::atomic<bool> viaRelay{false};      // the current connection runs through the relay
    std::unique_ptr<SupervisionTrack> sup;  // supervised objects
};

std::vector<ObjectCtx*> g_objects;

LinkMark linkMark(int object) {
    if (object < 0 || object >= static_cast<int>(g_objects.size())) return {};
    const SupervisionTrack* t = g_objects[object]->sup.get();
    if (!t) return {};
    // changes first: a change between the two reads shows as a change.
    const uint64_t changes = t->changes.load();
    return {t->down.load(), changes};
}

std::atomic<bool> g_stop{false};

double silentFor(int object, Clock::time_point since, Clock::time_point now) {
    if (object < 0 || object >= static_cast<int>(g_objects.size())) return 0.0;
    const ObjectCtx& o = *g_objects[object];
    Clock::rep from = o.sim->frozenSince.load();
    const Clock::rep dropping = o.sim->droppingSince.load();
    if (o.viaRelay && dropping != 0 && (from == 0 || dropping < from)) from = dropping;
    if (from == 0) return 0.0;
    const Clock::time_point start = std::max(since, Clock::time_point(Clock::duration(from)));
    return now > start ? Secs(now - start).count() : 0.0;
}

void describeObject(int object) {
    if (object < 0 || object >= static_cast<int>(g_objects.size())) return;
    SimSlot& s = *g_objects[object]->sim;
    // No lock: a restart may hold it, and this runs just before an abort.
    const auto a = s.sim->snapshot();
    std::fprintf(stderr,
                 "soak: object %d's simulator (port %d, %zu connections): started %d moving %d "
                 "paused %d, moves completed %llu stopped %llu, joints %.3f %.3f %.3f %.3f %.3f "
                 "%.3f\n",
                 object, s.port.load(), s.sim->connectionCount(), a.started, a.moving, a.paused,
                 static_cast<unsigned long long>(a.movesCompleted),
                 static_cast<unsigned long long>(a.movesStopped), a.joints[0], a.joints[1],
                 a.joints[2], a.joints[3], a.joints[4], a.joints[5]);
    for (ObjectCtx* o : g_objects) {
        if (o->sim != &s) continue;
        std::fprintf(stderr, "soak:   object %d on it: %s, last login result %d\n", o->index,
                     o->phase.load(), o->lastLogin.load());
    }
}

int pick(std::mt19937_64& rng, int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
double uni(std::mt19937_64& rng, double a, double b) {
    return std::uniform_real_distribution<double>(a, b)(rng);
}
void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void nearHome(std::mt19937_64& rng, double q[6], double spread) {
    for (int i = 0; i < 6; ++i) q[i] = kHome[i] + uni(rng, -spread, spread);
}

// The mover: the only thread of an object that moves, so that at most one
// blocking move of the object waits at a time.
void moverLoop(ObjectCtx& o, Clock::time_point until, uint64_t seed) {
    std::mt19937_64 rng(seed);
    ServiceInterface& si = *o.si;
    Slot* s = o.moverSlot;
    while (!g_stop && Clock::now() < until) {
        const int r = pick(rng, 100);
        double q[6];
        nearHome(rng, q, 0.25);
        if (r < 35) {
            const int ret = timed(s, "robotServiceJointMove(block)", kMoveBlock,
                                  [&] { return si.robotServiceJointMove(q, true); });
            if (ret == ErrnoSucc) ++g_stats.movesOk;
            if (ret == 21300) ++g_stats.movesStopped;
        } else if (r < 60) {
            timed(s, "robotServiceJointMove", kRequest,
                  [&] { return si.robotServiceJointMove(q, false); });
        } else if (r < 80) {
            // The waypoint list is process-wide: other movers change it too.
            timed(s, "robotServiceClearGlobalWayPointVector", kLocal, [&] {
                si.robotServiceClearGlobalWayPointVector();
                return 0;
            });
            for (int k = 0; k < 3; ++k) {
                nearHome(rng, q, 0.2);
                timed(s, "robotServiceAddGlobalWayPoint", kLocal,
                      [&] { return si.robotServiceAddGlobalWayPoint(q); });
            }
            const move_track mode = pick(rng, 2) ? JIONT_CUBICSPLINE : CARTESIAN_MOVEP;
            if (pick(rng, 2)) {
                const int ret = timed(s, "robotServiceTrackMove(block)", kMoveBlock,
                                      [&] { return si.robotServiceTrackMove(mode, true); });
                if (ret == ErrnoSucc) ++g_stats.movesOk;
                if (ret == 21300) ++g_stats.movesStopped;
            } else {
                timed(s, "robotServiceTrackMove", kRequest,
                      [&] { return si.robotServiceTrackMove(mode, false); });
            }
        } else if (r < 88) {
            // The global profile may change from any thread at any time.
            const double v = uni(rng, 0.6, 1.2);
            const double a = uni(rng, 1.5, 3.0);
            JointVelcAccParam velc = {{v, v, v, v, v, v}};
            JointVelcAccParam acc = {{a, a, a, a, a, a}};
            timed(s, "robotServiceSetGlobalMoveJointMaxVelc", kLocal,
                  [&] { return si.robotServiceSetGlobalMoveJointMaxVelc(velc); });
            timed(s, "robotServiceSetGlobalMoveJointMaxAcc", kLocal,
                  [&] { return si.robotServiceSetGlobalMoveJointMaxAcc(acc); });
        } else {
            wayPoint_S wp;
            // Reads the joint angles: the same kind of request as the
            // requester's joint-angle read, which it may wait behind.
            timed(s, "robotServiceGetCurrentWaypointInfo", kRequest,
                  [&] { return si.robotServiceGetCurrentWaypointInfo(wp); });
        }
        sleepMs(pick(rng, 15));
        // Calls fail at once while a supervised link is down: fewer of them.
        if (o.sup && o.sup->down) sleepMs(pick(rng, 20));
    }
}

// A supervised object keeps its joint-status push: its first push after a
// reconnect is measured.
void registerCallbacks(ObjectCtx& o, Slot* s, std::mt19937_64& rng, bool set) {
    ServiceInterface& si = *o.si;
    void* arg = &o.counters;
    switch (pick(rng, 5)) {
        case 0:
            timed(s, "registerRealTimeJointStatusCallback", kRegister, [&] {
                return si.robotServiceRegisterRealTimeJointStatusCallback(
                    set || o.sup ? onJointStatus : nullptr, arg);
            });
            break;
        case 1:
            timed(s, "registerRealTimeRoadPointCallback", kRegister, [&] {
                return si.robotServiceRegisterRealTimeRoadPointCallback(set ? onRoadPoint : nullptr,
                                                                        arg);
            });
            break;
        case 2:
            timed(s, "registerRealTimeEndSpeedCallback", kRegister, [&] {
                return si.robotServiceRegisterRealTimeEndSpeedCallback(set ? onEndSpeed : nullptr,
                                                                       arg);
            });
            break;
        case 3:
            timed(s, "registerRobotEventInfoCallback", kRegister, [&] {
                return si.robotServiceRegisterRobotEventInfoCallback(set ? onEvent : nullptr, arg);
            });
            break;
        default:
            timed(s, "registerMovepStepNumNotifyCallback", kRegister, [&] {
                return si.robotServiceRegisterMovepStepNumNotifyCallback(
                    set ? onMovepStep : nullptr, arg);
            });
            break;
    }
}

// The requester: plain requests, setters, move control, callback
// registration and lifecycle steps, concurrently with the mover.
void requesterLoop(ObjectCtx& o, Clock::time_point until, uint64_t seed) {
    std::mt19937_64 rng(seed);
    ServiceInterface& si = *o.si;
    Slot* s = o.reqSlot;
    auto rescuePause = [&] {
        if (pausedFor(*o.sim, std::chrono::milliseconds(1000))) {
            timed(s, "rootServiceRobotMoveControl(continue, left paused)", kMoveControl,
                  [&] { return si.rootServiceRobotMoveControl(RobotMoveContinue); });
        }
    };
    while (!g_stop && Clock::now() < until) {
        rescuePause();
        const int r = pick(rng, 1000);
        if (r < 60) {
            RobotWorkMode mode;
            timed(s, "robotServiceGetRobotWorkMode", kRequest,
                  [&] { return si.robotServiceGetRobotWorkMode(mode); });
        } else if (r < 120) {
            JointParam jp;
            timed(s, "robotServiceGetJointAngleInfo", kRequest,
                  [&] { return si.robotServiceGetJointAngleInfo(jp); });
        } else if (r < 170) {
            RobotDiagnosis d;
            timed(s, "robotServiceGetRobotDiagnosisInfo", kRequest,
                  [&] { return si.robotServiceGetRobotDiagnosisInfo(d); });
        } else if (r < 220) {
            ToolDynamicsParam p;
            timed(s, "robotServiceGetToolDynamicsParam", kRequest,
                  [&] { return si.robotServiceGetToolDynamicsParam(p); });
        } else if (r < 260) {
            int grade = 0;
            timed(s, "robotServiceGetRobotCollisionCurrentService", kRequest,
                  [&] { return si.robotServiceGetRobotCollisionCurrentService(grade); });
        } else if (r < 300) {
            RobotSafetyConfig c;
            timed(s, "robotServiceGetRobotSafetyConfig", kRequest,
                  [&] { return si.robotServiceGetRobotSafetyConfig(c); });
        } else if (r < 340) {
            JointStatus js[6];
            timed(s, "robotServiceGetRobotJointStatus", kRequest,
                  [&] { return si.robotServiceGetRobotJointStatus(js, 6); });
        } else if (r < 370) {
            timed(s, "robotServiceSetRobotWorkMode", kRequest,
                  [&] { return si.robotServiceSetRobotWorkMode(RobotModeSimulator); });
        } else if (r < 410) {
            ToolDynamicsParam p;
            ServiceInterface::initToolDynamicsParamDataType(p);
            p.payload = uni(rng, 0.0, 3.0);
            timed(s, "robotServiceSetToolDynamicsParam", kRequest,
                  [&] { return si.robotServiceSetToolDynamicsParam(p); });
        } else if (r < 430) {
            const int grade = 6 + pick(rng, 3);
            timed(s, "robotServiceSetRobotCollisionClass", kCollisionSet,
                  [&] { return si.robotServiceSetRobotCollisionClass(grade); });
        } else if (r < 445) {
            RobotSafetyConfig c;
            if (timed(s, "robotServiceGetRobotSafetyConfig", kRequest,
                      [&] { return si.robotServiceGetRobotSafetyConfig(c); }) == ErrnoSucc) {
                c.robotReducedConfigTcpSpeed = 200 + pick(rng, 100);
                timed(s, "robotServiceSetRobotSafetyConfig", kSafetySet,
                      [&] { return si.robotServiceSetRobotSafetyConfig(c); });
            }
        } else if (r < 500) {
            timed(s, "rootServiceRobotMoveControl(stop)", kMoveControl,
                  [&] { return si.rootServiceRobotMoveControl(RobotMoveStop); });
        } else if (r < 560) {
            // Pause, then continue (or stop) soon after, retried while the
            // connection lasts: a paused blocking move waits for it.
            timed(s, "rootServiceRobotMoveControl(pause)", kMoveControl,
                  [&] { return si.rootServiceRobotMoveControl(RobotMovePause); });
            sleepMs(pick(rng, 200));
            const RobotMoveControlCommand end = pick(rng, 4) ? RobotMoveContinue : RobotMoveStop;
            for (int attempt = 0; attempt < 5 && !g_stop; ++attempt) {
                const int ret =
                    timed(s,
                          end == RobotMoveContinue ? "rootServiceRobotMoveControl(continue)"
                                                   : "rootServiceRobotMoveControl(stop)",
                          kMoveControl, [&] { return si.rootServiceRobotMoveControl(end); });
                if (ret == ErrnoSucc || ret == ErrCode_SocketDisconnect) break;
                sleepMs(20);
            }
        } else if (r < 570) {
            timed(s, "robotMoveFastStop", kMoveControl, [&] { return si.robotMoveFastStop(); });
        } else if (r < 700) {
            registerCallbacks(o, s, rng, pick(rng, 3) != 0);
        } else if (r < 730) {
            const bool on = pick(rng, 2);
            switch (pick(rng, 3)) {
                case 0:
                    timed(s, "robotServiceSetRealTimeJointStatusPush", kRequest,
                          [&] { return si.robotServiceSetRealTimeJointStatusPush(on || o.sup); });
                    break;
                case 1:
                    timed(s, "robotServiceSetRealTimeRoadPointPush", kRequest,
                          [&] { return si.robotServiceSetRealTimeRoadPointPush(on); });
                    break;
                default:
                    timed(s, "robotServiceSetRealTimeEndSpeedPush", kRequest,
                          [&] { return si.robotServiceSetRealTimeEndSpeedPush(on); });
                    break;
            }
        } else if (r < 760) {
            const bool block = pick(rng, 2);
            timed(s, block ? "robotServiceRobotHandShake(block)" : "robotServiceRobotHandShake",
                  block ? kLifecycleBlock : kRequest,
                  [&] { return si.robotServiceRobotHandShake(block); });
        } else if (r < 800 || (r < 900 && !armStarted(*o.sim))) {
            ToolDynamicsParam tool;
            ServiceInterface::initToolDynamicsParamDataType(tool);
            ROBOT_SERVICE_STATE state;
            timed(s, "rootServiceRobotStartup(block)", kStartupBlock, [&] {
                return si.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true);
            });
        } else if (r < 808) {
            timed(s, "robotServiceRobotShutdown(block)", kLifecycleBlock,
                  [&] { return si.robotServiceRobotShutdown(true); });
        } else if (r < 815) {
            timed(s, "robotServiceRobotShutdown", kRequest,
                  [&] { return si.robotServiceRobotShutdown(false); });
        } else {
            bool connected = false;
            timed(s, "robotServiceGetConnectStatus", kLocal, [&] {
                si.robotServiceGetConnectStatus(connected);
                return 0;
            });
            if (!connected) sleepMs(5);
        }
        sleepMs(pick(rng, 10));
        if (o.sup && o.sup->down) sleepMs(pick(rng, 20));
    }
    // Past its time the requester stays while the mover still waits on a
    // move: it is then the one to continue an arm left paused.
    while (!o.moverDone) {
        rescuePause();
        sleepMs(20);
    }
}

// The soak's end: supervised objects stay until their recovery is checked.
std::mutex g_recoveryMutex;
std::condition_variable g_recoveryCv;
bool g_recoveryChecked = false;

// Sets the reconnect policy of a supervised object; true when it took.
bool setPolicy(ObjectCtx& o, Slot* s) {
    const ReconnectPolicy policy = supervisedPolicy(o.sup->givesUp);
    return timed(s, "robotServiceSetReconnectPolicy", kRegister,
                 [&] { return o.si->robotServiceSetReconnectPolicy(&policy); }) == ErrnoSucc;
}

// The controlling thread of one object: creates and destroys it, logs in
// and out, and runs its worker threads for a while in between. A supervised
// object is logged in here only while its supervision is not armed (never
// logged in, logged out, re-created, or its supervisor gave up); its workers
// run while its link is down too.
void controlLoop(ObjectCtx& o) {
    std::mt19937_64& rng = o.rng;
    Slot* s = o.ctlSlot;
    SupervisionTrack* sup = o.sup.get();
    bool policySet = false;
    while (!g_stop) {
        if (!o.si) {
            o.phase = "creating";
            o.si = timed(s, "ServiceInterface()", kCreate,
                         [] { return std::make_unique<ServiceInterface>(); });
            policySet = false;
            if (sup) {
                timed(s, "robotServiceRegisterConnectionEventCallback", kRegister, [&] {
                    return o.si->robotServiceRegisterConnectionEventCallback(onConnectionEvent,
                                                                             sup);
                });
                timed(s, "registerRealTimeJointStatusCallback", kRegister, [&] {
                    return o.si->robotServiceRegisterRealTimeJointStatusCallback(onJointStatus,
                                                                                 &o.counters);
                });
                // The policy before the login, or after it.
                if (pick(rng, 2)) policySet = setPolicy(o, s);
            }
            if (pick(rng, 2)) registerCallbacks(o, s, rng, true);  // before login: stored only
        }
        ServiceInterface& si = *o.si;
        bool connected = false;
        si.robotServiceGetConnectStatus(connected);
        if (!connected && !(sup && sup->isArmed())) {
            const int relayPort = o.sim->relayPort.load();
            const bool viaRelay = relayPort != 0 && (sup || pick(rng, 2) != 0);
            const int port = viaRelay ? relayPort : o.sim->port.load();
            o.viaRelay = viaRelay;
            o.phase = "logging in";
            const bool badPassword = pick(rng, 20) == 0;
            // Armed before the supervision can start: its first event may
            // come before the login returns here.
            if (sup && policySet) sup->arm();
            const int ret = timed(s, "robotServiceLogin", kLogin, [&] {
                return si.robotServiceLogin("127.0.0.1", port, "tevo",
                                            badPassword ? "wrong" : "tevo");
            });
            o.lastLogin = ret;
            if (ret == ErrnoSucc) {
                ++g_stats.loginsOk;
                if (sup && !policySet) {
                    sup->arm();
                    policySet = setPolicy(o, s);
                    if (!policySet) sup->ended();
                }
            } else {
                ++g_stats.loginsFailed;
                if (sup) sup->ended();
            }
        }
        si.robotServiceGetConnectStatus(connected);
        if (connected || (sup && sup->isArmed())) {
            const auto until = Clock::now() + std::chrono::milliseconds(300 + pick(rng, 2700));
            const uint64_t a = rng(), b = rng();
            o.phase = connected ? "running workers" : "running workers, link down";
            o.moverDone = false;
            std::thread mover([&] {
                moverLoop(o, until, a);
                o.moverDone = true;
            });
            std::thread requester([&] { requesterLoop(o, until, b); });
            mover.join();
            requester.join();
        } else {
            o.phase = "waiting to log in again";
            sleepMs(10 + pick(rng, 100));
        }
        o.phase = "logging out or destroying";
        // Supervised objects mostly stay: their links are lost and regained
        // under them. Their logout and destruction may meet a backoff or an
        // attempt under way.
        const int r = pick(rng, 20);
        const OpClass endClass = sup ? kEndSupervised : kLogout;
        if (r < (sup ? 1 : 6)) {
            timed(s, "robotServiceLogout", endClass, [&] { return si.robotServiceLogout(); });
            if (sup) sup->ended();
        } else if (r < (sup ? 2 : 10)) {
            timed(s, "~ServiceInterface", sup ? kEndSupervised : kDestroy, [&] {
                o.si.reset();
                return 0;
            });
            if (sup) sup->ended();
            ++g_stats.recreates;
        } else if (!(sup && sup->isArmed())) {
            // Stay logged in; a connection lost meanwhile is logged out first.
            si.robotServiceGetConnectStatus(connected);
            if (!connected)
                timed(s, "robotServiceLogout", endClass, [&] { return si.robotServiceLogout(); });
        }
    }
    if (sup) {
        o.phase = "waiting for the recovery check";
        std::unique_lock<std::mutex> lock(g_recoveryMutex);
        g_recoveryCv.wait(lock, [] { return g_recoveryChecked; });
    }
    if (o.si) {
        o.phase = "destroying at the end";
        timed(s, "~ServiceInterface", sup ? kEndSupervised : kDestroy, [&] {
            o.si.reset();
            return 0;
        });
        if (sup) sup->ended();
    }
    o.phase = "finished";
}

// --------------------------------------------------------------- chaos

// Commands the soak's operations send; fault rules go on these.
const int32_t kFaultCmds[] = {
    tevo_sim::Login,
    tevo_sim::GetRobotMode,
    tevo_sim::SetRobotMode,
    tevo_sim::GetRobotJointAngle,
    tevo_sim::GetRobotJointStatus,
    tevo_sim::GetRobotDiagnosis,
    tevo_sim::GetRobotTcpParam,
    tevo_sim::SetRobotTcpParam,
    tevo_sim::SetRobotCollisionGrade,
    tevo_sim::GetRobotCollisionCurrent,
    tevo_sim::GetRobotSafetyConfig,
    tevo_sim::SetRobotSafetyConfig,
    tevo_sim::RobotStartup,
    tevo_sim::RobotShutdown,
    tevo_sim::RobotHandShake,
    tevo_sim::RobotMove,
    tevo_sim::MoveControlSlowStop,
    tevo_sim::MoveControlFastStop,
    tevo_sim::MoveControlPause,
    tevo_sim::MoveControlContinue,
    tevo_sim::EnableRealTimeJointStatusPush,
    tevo_sim::DisableRealTimeJointStatusPush,
    tevo_sim::EnableRealTimeJointAnglePush,
    tevo_sim::EnableRealTimeEndSpeedPush,
    tevo_sim::GetDeviceInfo,
};

const int32_t kEventTypes[] = {
    tevo_sim::EvPowerChanged,        tevo_sim::EvAtTrackTargetPos,
    tevo_sim::EvStartupDoneResult,   tevo_sim::EvShutdownDone,
    tevo_sim::EvHandShakeSucc,       tevo_sim::EvMoveEnterStopState,
    tevo_sim::EvMoveControlStopDone, tevo_sim::EvMoveControlPauseDone,
    tevo_sim::EvJointOutRange,       tevo_sim::EvSoftEmergency,
};

struct ChaosCounts {
    uint64_t delayShort = 0, delayLong = 0, drop = 0, twice = 0, serverCode = 0, early = 0,
             suppressDone = 0, midFrame = 0, stall = 0, flood = 0, close = 0, restart = 0,
             clear = 0, freeze = 0, silentPath = 0;
    // Relays of supervised simulators: links closed, reset, and outages
    // (links closed or reset, new connections refused for 0.3 to 5 s).
    uint64_t relayClose = 0, relayReset = 0, outage = 0;
};

void chaosLoop(uint64_t seed, ChaosCounts& cc, bool injectHang) {
    std::mt19937_64 rng(seed);
    if (injectHang) {
        // No move reports its end and nothing else disturbs the
        // connections: the first accepted blocking move must trip the
        // watchdog.
        for (auto& s : g_sims) {
            tevo_sim::FaultRule rule;
            rule.suppressCompletion = true;
            s->sim->setFault(tevo_sim::RobotMove, rule);
        }
        while (!g_stop) sleepMs(10);
        return;
    }
    std::vector<Clock::time_point> unstallAt(g_sims.size());
    std::vector<Clock::time_point> thawAt(g_sims.size());
    std::vector<Clock::time_point> reconnectAt(g_sims.size());
    std::vector<Clock::time_point> acceptAt(g_sims.size());  // refusing until
    std::vector<bool> cut(g_sims.size());                    // links cut this tick
    auto eventSpec = [&] {
        const int32_t t = kEventTypes[pick(rng, sizeof kEventTypes / sizeof kEventTypes[0])];
        return tevo_sim::EventSpec{t, pick(rng, 3), "soak"};
    };
    while (!g_stop) {
        sleepMs(10 + pick(rng, 60));
        const auto now = Clock::now();
        for (size_t i = 0; i < g_sims.size(); ++i) {
            if (unstallAt[i] != Clock::time_point{} && now >= unstallAt[i]) {
                std::lock_guard<std::mutex> lock(g_sims[i]->restartMutex);
                g_sims[i]->sim->setStallReading(false);
                unstallAt[i] = {};
            }
            if (thawAt[i] != Clock::time_point{} && now >= thawAt[i]) {
                std::lock_guard<std::mutex> lock(g_sims[i]->restartMutex);
                g_sims[i]->sim->setFrozen(false);
                g_sims[i]->frozenSince = 0;
                thawAt[i] = {};
            }
            if (reconnectAt[i] != Clock::time_point{} && now >= reconnectAt[i]) {
                std::lock_guard<std::mutex> lock(g_sims[i]->restartMutex);
                g_sims[i]->relay->setDropping(false);
                g_sims[i]->droppingSince = 0;
                reconnectAt[i] = {};
            }
            if (acceptAt[i] != Clock::time_point{} && now >= acceptAt[i]) {
                std::lock_guard<std::mutex> lock(g_sims[i]->restartMutex);
                g_sims[i]->relay->setRefusing(false);
                acceptAt[i] = {};
            }
        }
        const size_t si = pick(rng, static_cast<int>(g_sims.size()));
        SimSlot& slot = *g_sims[si];
        const int32_t cmd = kFaultCmds[pick(rng, sizeof kFaultCmds / sizeof kFaultCmds[0])];
        tevo_sim::FaultRule rule;
        rule.remaining = 1 + pick(rng, 3);
        const int r = pick(rng, 1000);
        std::unique_lock<std::mutex> lock(slot.restartMutex);
        tevo_sim::ControllerSim& sim = *slot.sim;
        if (r < 150) {
            rule.delay = std::chrono::milliseconds(50 + pick(rng, 1400));
            sim.setFault(cmd, rule);
            ++cc.delayShort;
        } else if (r < 230) {
            rule.delay = std::chrono::milliseconds(1900 + pick(rng, 2500));
            sim.setFault(cmd, rule);
            ++cc.delayLong;
        } else if (r < 310) {
            rule.drop = true;
            sim.setFault(cmd, rule);
            ++cc.drop;
        } else if (r < 390) {
            rule.replyTwice = true;
            sim.setFault(cmd, rule);
            ++cc.twice;
        } else if (r < 450) {
            rule.serverCode = 1 + pick(rng, 2);
            sim.setFault(cmd, rule);
            ++cc.serverCode;
        } else if (r < 530) {
            const int n = 1 + pick(rng, 3);
            for (int k = 0; k < n; ++k) rule.eventsBefore.push_back(eventSpec());
            sim.setFault(cmd, rule);
            ++cc.early;
        } else if (r < 560) {
            // Done events of stop/pause/continue only: their wait is bounded
            // (4 s). End events of moves are never suppressed.
            const int32_t mc[] = {tevo_sim::MoveControlSlowStop, tevo_sim::MoveControlPause,
                                  tevo_sim::MoveControlContinue};
            rule.suppressCompletion = true;
            sim.setFault(mc[pick(rng, 3)], rule);
            ++cc.suppressDone;
        } else if (r < 600) {
            const auto ids = sim.connectionIds();
            sim.closeMidFrame(ids.empty() || pick(rng, 4) == 0
                                  ? tevo_sim::ControllerSim::kAllConnections
                                  : ids[pick(rng, static_cast<int>(ids.size()))]);
            cut[si] = true;
            ++cc.midFrame;
        } else if (r < 640) {
            if (unstallAt[si] == Clock::time_point{}) {
                sim.setStallReading(true);
                unstallAt[si] = now + std::chrono::milliseconds(100 + pick(rng, 2500));
                ++cc.stall;
            }
        } else if (r < 690) {
            // A frozen controller sends nothing, floods included.
            if (thawAt[si] == Clock::time_point{}) {
                sim.floodEvents(eventSpec().type, 100 + pick(rng, 5000));
                ++cc.flood;
            }
        } else if (r < 740) {
            const auto ids = sim.connectionIds();
            if (!ids.empty()) sim.closeConnection(ids[pick(rng, static_cast<int>(ids.size()))]);
            cut[si] = true;
            ++cc.close;
        } else if (r < 765) {
            // A supervised simulator restarts on its own port behind the
            // same relay: its objects find it again by themselves.
            slot.port = 0;
            if (!slot.supervised) slot.relayPort = 0;
            sim.setStallReading(false);
            sim.setFrozen(false);
            slot.frozenSince = 0;
            if (!slot.supervised) slot.droppingSince = 0;
            unstallAt[si] = {};
            thawAt[si] = {};
            if (!slot.supervised) {
                reconnectAt[si] = {};
                slot.relay.reset();
            }
            sim.stop();
            lock.unlock();
            sleepMs(pick(rng, 300));
            lock.lock();
            while (!sim.start()) sleepMs(10);
            slot.port = sim.port();
            if (!slot.supervised) {
                slot.relay = std::make_unique<tevo_test::TcpRelay>("127.0.0.1", sim.port());
                if (slot.relay->start()) slot.relayPort = slot.relay->port();
            }
            cut[si] = true;
            ++cc.restart;
        } else if (r < 790) {
            sim.clearFaults();
            ++cc.clear;
        } else if (r < 805) {
            // The controller stops answering, connections open: blocking
            // calls must give up within the library's silence bound.
            if (thawAt[si] == Clock::time_point{}) {
                sim.setFrozen(true);
                slot.frozenSince = Clock::now().time_since_epoch().count();
                thawAt[si] = now + std::chrono::milliseconds(300 + pick(rng, 12000));
                ++cc.freeze;
            }
        } else if (r < 820) {
            // The network path through the relay drops everything.
            if (reconnectAt[si] == Clock::time_point{}) {
                slot.relay->setDropping(true);
                slot.droppingSince = Clock::now().time_since_epoch().count();
                reconnectAt[si] = now + std::chrono::milliseconds(300 + pick(rng, 12000));
                ++cc.silentPath;
            }
        } else if (slot.supervised && r < 835) {
            slot.relay->closeAll();
            cut[si] = true;
            ++cc.relayClose;
        } else if (slot.supervised && r < 850) {
            slot.relay->resetAll();
            cut[si] = true;
            ++cc.relayReset;
        } else if (slot.supervised && r < 875) {
            if (acceptAt[si] == Clock::time_point{}) {
                slot.relay->setRefusing(true);
                if (pick(rng, 2)) {
                    slot.relay->closeAll();
                } else {
                    slot.relay->resetAll();
                }
                acceptAt[si] = now + std::chrono::milliseconds(300 + pick(rng, 4700));
                ++cc.outage;
            }
        }
        // else: a quiet tick
        lock.unlock();
        // The path is whole again when the last outage of its simulator is
        // over, or when links were cut with none going on.
        for (size_t i = 0; i < g_sims.size(); ++i) {
            const bool impaired =
                unstallAt[i] != Clock::time_point{} || thawAt[i] != Clock::time_point{} ||
                reconnectAt[i] != Clock::time_point{} || acceptAt[i] != Clock::time_point{};
            if (!impaired && (g_sims[i]->impaired || cut[i]))
                g_sims[i]->restoredAt = Clock::now().time_since_epoch().count();
            g_sims[i]->impaired = impaired;
            cut[i] = false;
        }
    }
    for (auto& s : g_sims) {
        std::lock_guard<std::mutex> lock(s->restartMutex);
        s->sim->setStallReading(false);
        s->sim->setFrozen(false);
        s->relay->setDropping(false);
        s->relay->setRefusing(false);
        s->sim->clearFaults();
        s->frozenSince = 0;
        s->droppingSince = 0;
        s->restoredAt = Clock::now().time_since_epoch().count();
        s->impaired = false;
    }
}

// A free loopback port below the range the system hands out by itself, so
// that a supervised simulator restarts on the same port: no connection's
// local end takes it while the simulator is down. 0 when none is found.
uint16_t pickFixedPort(std::mt19937_64& rng) {
    int low = 32768;
    {
        std::ifstream in("/proc/sys/net/ipv4/ip_local_port_range");
        int a = 0, b = 0;
        if (in >> a >> b && a > 3000) low = a;
    }
    for (int tries = 0; tries < 100; ++tries) {
        const int port = low - 1 - pick(rng, std::min(10000, low - 2048));
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return 0;
        int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (free) return static_cast<uint16_t>(port);
    }
    return 0;
}

// After chaos ended every outage: each supervised object whose link is down
// must reconnect within the limit. Prints the ones that did not; their
// number.
int checkRecovery(const std::vector<std::unique_ptr<ObjectCtx>>& objects) {
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(Secs(reconnectLimit()));
    int stuck = 0;
    for (auto& o : objects) {
        SupervisionTrack* t = o->sup.get();
        if (!t) continue;
        while (t->down && t->isArmed() && Clock::now() < deadline) sleepMs(10);
        if (t->down && t->isArmed()) {
            std::fprintf(g_out,
                         "soak: SUPERVISION: object %d: link still down %.1f s after every path "
                         "came back\n",
                         t->object, reconnectLimit());
            ++stuck;
        }
    }
    return stuck;
}

// The figures of the supervised objects, for the summary.
void printSupervision(const std::vector<std::unique_ptr<ObjectCtx>>& objects) {
    std::vector<double> all;
    int n = 0;
    double maxAfterReturn = 0;
    std::fprintf(g_out,
                 "supervised objects (initial delay 0.05 s, factor 2, max delay %.1f s, silence "
                 "2 s; * gives up after %.0f s):\n"
                 "  %-8s %7s %10s %9s %7s %13s  %s\n",
                 kMaxDelaySec, kGiveUpSec, "object", "losses", "reconnects", "gave up", "ended",
                 "pushes again", "path back to first push min/median/max s");
    auto range = [](std::vector<double> v) {
        if (v.empty()) return std::string("-");
        std::sort(v.begin(), v.end());
        char b[96];
        std::snprintf(b, sizeof b, "%.3f / %.3f / %.3f", v.front(), v[v.size() / 2], v.back());
        return std::string(b);
    };
    for (auto& o : objects) {
        SupervisionTrack* t = o->sup.get();
        if (!t) continue;
        ++n;
        std::lock_guard<std::mutex> lock(t->m);
        char name[16];
        std::snprintf(name, sizeof name, "%d%s", t->object, t->givesUp ? "*" : "");
        std::fprintf(g_out, "  %-8s %7llu %10llu %9llu %7llu %13zu  %s\n", name,
                     static_cast<unsigned long long>(t->losses),
                     static_cast<unsigned long long>(t->reconnects),
                     static_cast<unsigned long long>(t->gaveUp),
                     static_cast<unsigned long long>(t->endedDown), t->pushAfterReturn.size(),
                     range(t->pushAfterReturn).c_str());
        all.insert(all.end(), t->pushAfterReturn.begin(), t->pushAfterReturn.end());
        maxAfterReturn = std::max(maxAfterReturn, t->maxReconnectAfterReturn);
    }
    if (n == 0) {
        std::fprintf(g_out, "  none (fewer than two simulators)\n");
        return;
    }
    const uint64_t lost = g_stats.linkLost[1] + g_stats.linkLost[2] + g_stats.linkLost[3];
    std::fprintf(g_out,
                 "  all: link lost %llu (closed %llu, reset %llu, silent %llu), reconnecting %llu, "
                 "reconnected %llu, gave up %llu, logged out or destroyed while down %llu\n",
                 static_cast<unsigned long long>(lost),
                 static_cast<unsigned long long>(g_stats.linkLost[1].load()),
                 static_cast<unsigned long long>(g_stats.linkLost[2].load()),
                 static_cast<unsigned long long>(g_stats.linkLost[3].load()),
                 static_cast<unsigned long long>(g_stats.reconnecting.load()),
                 static_cast<unsigned long long>(g_stats.reconnected.load()),
                 static_cast<unsigned long long>(g_stats.gaveUp.load()),
                 static_cast<unsigned long long>(g_stats.endedWhileDown.load()));
    std::fprintf(g_out,
                 "  path back to first push again: %zu samples, min/median/max %s s; path back "
                 "to reconnected: max %.3f s (limit %.1f s)\n",
                 all.size(), range(all).c_str(), maxAfterReturn, reconnectLimit());
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseOptions(argc, argv, opt)) {
        usage();
        return 2;
    }
    // The library prints diagnostics of its own to stdout; the report goes
    // to a copy of stdout, and stdout itself to /dev/null unless asked.
    if (!opt.libraryStdout) {
        const int saved = ::dup(STDOUT_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (saved >= 0 && devNull >= 0) {
            std::fflush(stdout);
            ::dup2(devNull, STDOUT_FILENO);
            ::close(devNull);
            g_out = ::fdopen(saved, "w");
        }
    }
    std::setvbuf(g_out, nullptr, _IOLBF, 0);
    // ThreadSanitizer starts a helper thread of its own with the first
    // thread a process creates: create one before the baseline is taken.
    std::thread([] {}).join();
    const ProcFigures startFig = procFigures();
    std::mt19937_64 seeder(opt.seed);

    const char* build = "plain";
    double defaultScale = 1, defaultSlack = 64;
#if defined(SOAK_ASAN)
    g_checkBounds = false;
    build = "ASan";
    defaultScale = 3;
    defaultSlack = 1024;  // quarantine and shadow memory; LeakSanitizer checks leaks
#elif defined(SOAK_TSAN)
    g_checkBounds = false;
    build = "TSan";
    defaultScale = 8;
    defaultSlack = 1024;  // shadow memory and the race detector's history
#endif
    g_marginScale = opt.marginScale > 0 ? opt.marginScale : defaultScale;
    g_allowance = opt.allowance;
    const double slackMiB = opt.rssSlackMiB > 0 ? opt.rssSlackMiB : defaultSlack;
    if (opt.seed == 0) opt.seed = static_cast<uint64_t>(Clock::now().time_since_epoch().count());

    const int nSims = (opt.objects + opt.objectsPerSim - 1) / opt.objectsPerSim;
    // The objects of one simulator in four (at least one, given two) run
    // supervised: the last ones.
    const int nSupervised = nSims < 2 ? 0 : std::max(1, nSims / 4);
    std::fprintf(
        g_out,
        "soak: %s build, %.0f s, %d objects on %d simulators, seed %llu, margin scale %.1f, "
        "time scale %.0f\n",
        build, opt.seconds, opt.objects, nSims, static_cast<unsigned long long>(opt.seed),
        g_marginScale, opt.timeScale);

    for (int i = 0; i < nSims; ++i) {
        auto slot = std::make_unique<SimSlot>();
        tevo_sim::SimOptions so;
        so.host = "127.0.0.1";
        so.port = 0;
        so.timeScale = opt.timeScale;
        so.pushRateHz = 100;
        const bool supervised = i >= nSims - nSupervised;
        if (supervised) {
            so.port = pickFixedPort(seeder);
            if (so.port == 0) {
                std::fprintf(stderr, "soak: no free port for supervised simulator %d\n", i);
                return 1;
            }
        }
        so.logSink = [verbose = opt.verbose](const std::string& line) {
            ++g_stats.simLogLines;
            if (verbose) std::fprintf(stderr, "sim: %s\n", line.c_str());
        };
        slot->sim = std::make_unique<tevo_sim::ControllerSim>(so);
        if (!slot->sim->start()) {
            std::fprintf(stderr, "soak: simulator %d failed to start\n", i);
            return 1;
        }
        slot->port = slot->sim->port();
        slot->supervised = supervised;
        slot->relay = std::make_unique<tevo_test::TcpRelay>("127.0.0.1", slot->sim->port());
        if (!slot->relay->start()) {
            std::fprintf(stderr, "soak: relay %d failed to start\n", i);
            return 1;
        }
        slot->relayPort = slot->relay->port();
        g_sims.push_back(std::move(slot));
    }

    std::vector<std::unique_ptr<ObjectCtx>> objects;
    {
        // The process-wide profile every move is built from, and the
        // process-wide log callback (counts lines; no library calls in it).
        ServiceInterface setup;
        setup.robotServiceRegisterLogPrintCallback(onLog, nullptr);
        setup.robotServiceInitGlobalMoveProfile();
        JointVelcAccParam velc = {{0.8, 0.8, 0.8, 0.8, 0.8, 0.8}};
        JointVelcAccParam acc = {{2.0, 2.0, 2.0, 2.0, 2.0, 2.0}};
        setup.robotServiceSetGlobalMoveJointMaxVelc(velc);
        setup.robotServiceSetGlobalMoveJointMaxAcc(acc);
        setup.robotServiceSetGlobalMoveEndMaxLineVelc(0.3);
        setup.robotServiceSetGlobalMoveEndMaxLineAcc(1.0);
        setup.robotServiceSetGlobalMoveEndMaxAngleVelc(0.8);
        setup.robotServiceSetGlobalMoveEndMaxAngleAcc(2.0);
    }

    for (int i = 0; i < opt.objects; ++i) {
        auto o = std::make_unique<ObjectCtx>();
        o->index = i;
        o->sim = g_sims[i / opt.objectsPerSim].get();
        g_objects.push_back(o.get());
        o->rng.seed(seeder());
        if (o->sim->supervised) {
            o->sup = std::make_unique<SupervisionTrack>();
            o->sup->object = i;
            o->sup->sim = o->sim;
            o->sup->givesUp = i % 2 == 1;
            o->counters.sup = o->sup.get();
        }
        o->ctlSlot = g_watchdog.newSlot(i, "control");
        o->moverSlot = g_watchdog.newSlot(i, "mover");
        o->reqSlot = g_watchdog.newSlot(i, "requester");
        objects.push_back(std::move(o));
    }

    g_describeObject = describeObject;
    g_silentFor = silentFor;
    g_watchdog.start();
    ChaosCounts cc;
    const uint64_t chaosSeed = seeder();
    std::thread chaos([&] { chaosLoop(chaosSeed, cc, opt.injectHang); });
    std::vector<std::thread> controllers;
    controllers.reserve(objects.size());
    for (auto& o : objects) controllers.emplace_back([&o] { controlLoop(*o); });

    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::duration_cast<Clock::duration>(Secs(opt.seconds));
    auto nextReport = t0 + std::chrono::seconds(10);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (Clock::now() >= nextReport) {
            nextReport += std::chrono::seconds(10);
            std::fprintf(
                g_out, "soak: %.0f s: %llu calls, %d threads\n", Secs(Clock::now() - t0).count(),
                static_cast<unsigned long long>(g_stats.calls.load()), procFigures().threads);
        }
    }
    g_stop = true;
    chaos.join();  // ends every outage and clears faults on its way out
    const auto drainStart = Clock::now();
    const int stuck = checkRecovery(objects);
    {
        std::lock_guard<std::mutex> lock(g_recoveryMutex);
        g_recoveryChecked = true;
    }
    g_recoveryCv.notify_all();
    for (auto& t : controllers) t.join();
    const double drain = Secs(Clock::now() - drainStart).count();
    uint64_t simMoves = 0, simStopped = 0;
    for (auto& s : g_sims) {
        const auto snap = s->sim->snapshot();
        simMoves += snap.movesCompleted;
        simStopped += snap.movesStopped;
        s->relay.reset();
        s->sim->stop();
    }
    g_watchdog.stop();
    const ProcFigures endFig = procFigures();

    // ------------------------------------------------------------ summary
    std::fprintf(g_out, "\n== soak summary (seed %llu)\n",
                 static_cast<unsigned long long>(opt.seed));
    std::fprintf(g_out, "run %.1f s + %.1f s to wind down\n", opt.seconds, drain);
    std::fprintf(g_out, "calls made: %llu\n",
                 static_cast<unsigned long long>(g_stats.calls.load()));
    std::fprintf(g_out, "logins: %llu ok, %llu failed; objects destroyed and re-created: %llu\n",
                 static_cast<unsigned long long>(g_stats.loginsOk.load()),
                 static_cast<unsigned long long>(g_stats.loginsFailed.load()),
                 static_cast<unsigned long long>(g_stats.recreates.load()));
    std::fprintf(g_out,
                 "blocking moves: %llu arrived, %llu stopped; simulator: %llu moves completed, "
                 "%llu stopped\n",
                 static_cast<unsigned long long>(g_stats.movesOk.load()),
                 static_cast<unsigned long long>(g_stats.movesStopped.load()),
                 static_cast<unsigned long long>(simMoves),
                 static_cast<unsigned long long>(simStopped));
    std::fprintf(g_out,
                 "callbacks: %llu pushes, %llu events; log lines: %llu library, %llu simulator\n",
                 static_cast<unsigned long long>(g_stats.pushes.load()),
                 static_cast<unsigned long long>(g_stats.events.load()),
                 static_cast<unsigned long long>(g_stats.logLines.load()),
                 static_cast<unsigned long long>(g_stats.simLogLines.load()));
    std::fprintf(
        g_out,
        "chaos: delay<1.8s %llu, delay>1.8s %llu, drop %llu, twice %llu, server code %llu, "
        "early events %llu, done suppressed %llu, mid-frame close %llu, stall %llu, "
        "flood %llu, close %llu, restart %llu, clear %llu, freeze %llu, silent path %llu; "
        "supervised relays: close %llu, reset %llu, outage %llu\n",
        (unsigned long long)cc.delayShort, (unsigned long long)cc.delayLong,
        (unsigned long long)cc.drop, (unsigned long long)cc.twice,
        (unsigned long long)cc.serverCode, (unsigned long long)cc.early,
        (unsigned long long)cc.suppressDone, (unsigned long long)cc.midFrame,
        (unsigned long long)cc.stall, (unsigned long long)cc.flood, (unsigned long long)cc.close,
        (unsigned long long)cc.restart, (unsigned long long)cc.clear, (unsigned long long)cc.freeze,
        (unsigned long long)cc.silentPath, (unsigned long long)cc.relayClose,
        (unsigned long long)cc.relayReset, (unsigned long long)cc.outage);
    printSupervision(objects);
    objects.clear();
    std::fprintf(g_out, "results by code:\n");
    uint64_t succ = 0;
    {
        std::lock_guard<std::mutex> lock(g_stats.codesMutex);
        for (auto& kv : g_stats.codes) {
            std::fprintf(g_out, "  %6d: %llu\n", kv.first,
                         static_cast<unsigned long long>(kv.second));
            if (kv.first == ErrnoSucc) succ = kv.second;
        }
    }
    std::fprintf(g_out,
                 "longest block per operation class (documented bound, hang limit; over: calls "
                 "past the bound + %.2f s):\n",
                 g_allowance);
    for (int c = 0; c < kClassCount; ++c) {
        if (g_stats.classCalls[c] == 0) continue;
        std::fprintf(g_out,
                     "  %-32s %8llu calls  max %8.3f s  (bound %6.2f s, limit %6.2f s)  over "
                     "%llu  [%s]\n",
                     kClasses[c].name,
                     static_cast<unsigned long long>(g_stats.classCalls[c].load()),
                     g_stats.classMaxUs[c].load() / 1e6, kClasses[c].bound,
                     hangLimit(static_cast<OpClass>(c)),
                     static_cast<unsigned long long>(g_stats.classOverBound[c].load()),
                     g_stats.classMaxOp[c].c_str());
    }
    const double growthMiB = (endFig.rssKiB - startFig.rssKiB) / 1024.0;
    std::fprintf(g_out,
                 "VmRSS: %.1f MiB at start, %.1f MiB at end (growth %.1f MiB, slack %.0f MiB)\n",
                 startFig.rssKiB / 1024.0, endFig.rssKiB / 1024.0, growthMiB, slackMiB);
    std::fprintf(g_out,
                 "threads: %d at start, %d at end; file descriptors: %d at start, %d at end\n",
                 startFig.threads, endFig.threads, startFig.fds, endFig.fds);

    int status = 0;
    for (int c = 0; c < kClassCount; ++c) {
        const uint64_t over = g_stats.classOverBound[c].load();
        if (over == 0) continue;
        const double worst = g_stats.classMaxUs[c].load() / 1e6;
        std::fprintf(g_out,
                     "%s: %llu %s calls over their bound; the longest, %s, blocked %.3f s: %.3f s "
                     "past its bound of %.2f s (allowance %.2f s)\n",
                     g_checkBounds ? "FAIL" : "note (instrumented build, not checked)",
                     static_cast<unsigned long long>(over), kClasses[c].name,
                     g_stats.classMaxOp[c].c_str(), worst, worst - kClasses[c].bound,
                     kClasses[c].bound, g_allowance);
        if (g_checkBounds) status = 1;
    }
    if (g_stats.hangAfterReturn) {
        std::fprintf(g_out, "FAIL: a call blocked past its limit (see above)\n");
        status = 1;
    }
    if (growthMiB > slackMiB) {
        std::fprintf(g_out, "FAIL: resident memory grew by %.1f MiB (slack %.0f MiB)\n", growthMiB,
                     slackMiB);
        status = 1;
    }
    if (endFig.threads > startFig.threads) {
        std::fprintf(g_out, "FAIL: %d threads left over:", endFig.threads - startFig.threads);
        printThreadNames();
        status = 1;
    }
    if (endFig.fds > startFig.fds) {
        std::fprintf(g_out, "FAIL: %d file descriptors left over\n", endFig.fds - startFig.fds);
        status = 1;
    }
    if (stuck > 0 || g_stats.supervisionFaults > 0) {
        std::fprintf(g_out,
                     "FAIL: supervision: %d objects not reconnected, %llu wrong events or late "
                     "reconnects (see above)\n",
                     stuck, static_cast<unsigned long long>(g_stats.supervisionFaults.load()));
        status = 1;
    }
    if (nSupervised > 0 && opt.seconds >= 10 && g_stats.reconnected == 0) {
        std::fprintf(g_out, "FAIL: supervision: no link was lost and regained\n");
        status = 1;
    }
    if (succ == 0 || simMoves == 0) {
        std::fprintf(g_out, "FAIL: nothing worked (%llu successful calls, %llu moves completed)\n",
                     static_cast<unsigned long long>(succ),
                     static_cast<unsigned long long>(simMoves));
        status = 1;
    }
    std::fprintf(g_out, status == 0 ? "== soak passed\n" : "== soak FAILED\n");
    return status;
}
