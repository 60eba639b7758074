// Motion benchmarks, each beside its baseline in the same run:
//   BM_MoveEndToReturn     a blocking joint move against a loopback peer: from
//                          the peer's send() of the move's end event to the
//                          return of RobotMoveService::robotJointMove on the
//                          caller's thread;
//   BM_EventLatencyFloor   the same event frame through the same control core to
//                          a thread waiting on the move-finish condition, from
//                          the peer's send() to that thread's wake-up: the floor
//                          of any blocking move built on that hand-off. Like a
//                          move's caller, the thread makes one request (a
//                          heartbeat) before it waits, so both threads meet the
//                          event in the same state;
//   BM_EncodeTrack5000     the codec's request body for a 5,000-waypoint track
//                          move, body freed each time;
//   BM_SerializeTrack5000  plain serialisation of the same RobotMove message,
//                          built in advance, into a preallocated buffer.
// Both encoding benchmarks count the page faults of the timed loop per
// operation (minflt/op): memory returned to the system and touched again.
//
// The peer sends an end event only once the waiting thread is asleep on the
// move-finish condition (its futex address, read from /proc) and the receive
// thread is asleep in its readiness wait, so every sample is a full wake-up
// chain and none is shortened by an event that arrived before the wait began.
// The latency figures are per-event medians over every repetition. Wake-up
// latency on a shared machine drifts with load, so repetitions run randomly
// interleaved unless --benchmark_enable_random_interleaving=false is given.
// The program prints both ratios after the run.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/framing.h"

namespace {

namespace trn = tevo_robot_namespace;
namespace common = tevo::robot::common;
namespace comm = tevo::robot::communication;
using CMT = CommunicationMateType;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

pid_t currentTid() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

// ---- wire frames -------------------------------------------------------------

// The wire frame as the simulator writes it.
std::string frame(int32_t type, const std::string& body) {
    return tevo_sim::encodeFrame(type, body);
}

int32_t readLe32(const char* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return static_cast<int32_t>(v);
}

std::string commonOkBody() {
    comm::ProtoRobotCommonResponse ok;
    ok.set_errorcode(0);
    ok.set_errormsg("");
    return ok.SerializeAsString();
}

// The login reply: arm model 0 and its DH parameters.
std::string loginReplyBody() {
    common::ProtoResponseRobotDhParam m;
    m.set_robottype(0);
    common::DhParam* dh = m.mutable_dhparam();
    dh->set_a3(0.408);
    dh->set_a4(0.376);
    dh->set_d1(0.0985);
    dh->set_d2(0.1215);
    dh->set_d5(0.1025);
    dh->set_d6(0.094);
    common::RobotCommonResponse* e = m.mutable_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
    return m.SerializeAsString();
}

// The reply to a full-turn flag query: the flag off.
std::string flagOffReplyBody() {
    comm::ProtoCommunicationGeneralData m;
    m.set_type(1);
    m.add_property2(false);
    comm::ProtoRobotCommonResponse* e = m.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
    return m.SerializeAsString();
}

std::string atTargetEventBody() {
    comm::ProtoCommunicationRobotEvent m;
    m.set_eventtype(trn::RobotEvent_atTrackTargetPos);
    m.set_eventcode(0);
    m.set_eventcontent("");
    return m.SerializeAsString();
}

// ---- thread states from /proc --------------------------------------------------

// The system call a thread of this process is blocked in and its first
// argument; false when the thread runs, is not in a system call, or the file
// cannot be read.
bool blockedSyscall(pid_t tid, long& number, unsigned long& arg0) {
    char path[64];
    std::snprintf(path, sizeof(path), "/proc/self/task/%d/syscall", static_cast<int>(tid));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[256];
    const ssize_t n = ::read(fd, text, sizeof(text) - 1);
    ::close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    if (std::sscanf(text, "%ld %lx", &number, &arg0) != 2) return false;  // "running"
    return number >= 0;
}

bool isPollCall(long number) { return number == SYS_poll || number == SYS_ppoll; }

// The control core's receive thread: the one thread of the process, other
// than the excluded ones, asleep in a poll. 0 when there is not exactly one.
pid_t findReceiveThread(pid_t excludeA, pid_t excludeB) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::vector<pid_t> found;
        if (DIR* dir = ::opendir("/proc/self/task")) {
            // NOLINTNEXTLINE(concurrency-mt-unsafe): readdir on a stream no other thread uses
            while (dirent* entry = ::readdir(dir)) {
                const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
                if (tid <= 0 || tid == excludeA || tid == excludeB) continue;
                long number = -1;
                unsigned long arg0 = 0;
                if (blockedSyscall(tid, number, arg0) && isPollCall(number)) found.push_back(tid);
            }
            ::closedir(dir);
        }
        if (found.size() == 1) return found.front();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

// ---- the peer ------------------------------------------------------------------

// A controller stand-in on 127.0.0.1 (ephemeral port) serving one connection:
// it answers login, the full-turn flag queries and RobotMove with success,
// anything else with a common success result, and after each reply to the
// chosen request type sends an at-target event. An event goes out once the
// watched thread sleeps on the watched condition and the receive thread
// sleeps in its poll; the time right before its send() is published with a
// sequence number. Every wait is bounded: an event whose waiter is not seen
// within 2 s is sent anyway and counted as forced, and a connection whose last
// event is not acknowledged within 5 s is shut down, which ends any blocking
// move with a disconnect.
class MovePeer {
public:
    MovePeer()
        : m_loginReply(frame(CMT::CommunicationType_Login, loginReplyBody())),
          m_flag6Reply(frame(CMT::CommunicationType_getEnableJoint6Rot360Flag, flagOffReplyBody())),
          m_flag1Reply(frame(CMT::CommunicationType_getEnableJoint1Rot360Flag, flagOffReplyBody())),
          m_moveReply(frame(CMT::CommunicationType_RobotMove, commonOkBody())),
          m_heartbeatReply(frame(CMT::CommunicationType_communicationHeart, commonOkBody())),
          m_event(frame(CMT::CommunicationType_Event, atTargetEventBody())),
          m_commonOk(commonOkBody()) {
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof(addr);
        if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            ::listen(m_listenFd, 1) != 0 ||
            ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        m_port = ntohs(addr.sin_port);
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_thread = std::thread([this] { run(); });
        while (m_tid.load(std::memory_order_acquire) == 0) std::this_thread::yield();
    }
    ~MovePeer() {
        m_stop.store(true, std::memory_order_release);
        wake();
        if (m_thread.joinable()) m_thread.join();
        if (m_connFd >= 0) ::close(m_connFd);
        if (m_listenFd >= 0) ::close(m_listenFd);
        if (m_wakeFd >= 0) ::close(m_wakeFd);
    }
    MovePeer(const MovePeer&) = delete;
    MovePeer& operator=(const MovePeer&) = delete;

    int port() const { return m_port; }
    pid_t tid() const { return m_tid.load(std::memory_order_acquire); }

    // The waiter an event waits for: its thread, the condition it sleeps on,
    // and the receive thread that must be idle (0: not checked).
    void watch(pid_t waiter, const void* condition, size_t conditionSize, pid_t receiver) {
        m_condLow.store(reinterpret_cast<uintptr_t>(condition), std::memory_order_relaxed);
        m_condHigh.store(reinterpret_cast<uintptr_t>(condition) + conditionSize,
                         std::memory_order_relaxed);
        m_receiver.store(receiver, std::memory_order_relaxed);
        m_waiter.store(waiter, std::memory_order_release);
    }
    // The request type whose every reply is followed by an event; -1 for none.
    void setEventAfter(int type) { m_eventAfter.store(type, std::memory_order_release); }
    uint64_t eventsSent() const { return m_sentSeq.load(std::memory_order_acquire); }
    // The send time of event seq (ns, steady clock); false when it is not
    // sent within 3 s.
    bool sentAt(uint64_t seq, int64_t& ns) const {
        const int64_t deadline = nowNs() + 3'000'000'000;
        while (m_sentSeq.load(std::memory_order_acquire) < seq) {
            if (nowNs() > deadline) return false;
            std::this_thread::yield();
        }
        ns = m_sentAtNs.load(std::memory_order_relaxed);
        return m_sentSeq.load(std::memory_order_acquire) == seq;
    }
    void acknowledge(uint64_t seq) { m_ackSeq.store(seq, std::memory_order_release); }
    uint64_t forcedEvents() const { return m_forced.load(std::memory_order_relaxed); }
    uint64_t otherRequests() const { return m_other.load(std::memory_order_relaxed); }
    bool probing() const { return m_probing.load(std::memory_order_relaxed); }

private:
    static constexpr int64_t kForceAfterNs = 2'000'000'000;
    static constexpr int64_t kWatchdogNs = 5'000'000'000;

    void wake() {
        if (m_wakeFd < 0) return;
        const uint64_t one = 1;
        const ssize_t n = ::write(m_wakeFd, &one, sizeof(one));
        (void)n;
    }

    bool sendAll(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::send(m_connFd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // True when the waiter sleeps on the watched condition and the receive
    // thread in its poll. Without a readable /proc it falls back to a settle
    // time of 1 ms.
    bool waiterAsleep(int64_t pendingSince) {
        const pid_t waiter = m_waiter.load(std::memory_order_acquire);
        if (!m_probing.load(std::memory_order_relaxed) || waiter == 0)
            return nowNs() - pendingSince > 1'000'000;
        long number = -1;
        unsigned long arg0 = 0;
        if (!blockedSyscall(waiter, number, arg0) || number != SYS_futex ||
            arg0 < m_condLow.load(std::memory_order_relaxed) ||
            arg0 >= m_condHigh.load(std::memory_order_relaxed))
            return false;
        const pid_t receiver = m_receiver.load(std::memory_order_relaxed);
        if (receiver == 0) return true;
        return blockedSyscall(receiver, number, arg0) && isPollCall(number);
    }

    // Answers every whole frame in the input; false when the stream is broken.
    bool serve(std::string& in, uint64_t& pending, int64_t& pendingSince) {
        size_t at = 0;
        bool ok = true;
        while (in.size() - at >= 12) {
            if (std::memcmp(in.data() + at, "\xEE\xCC\xFF\xFF", 4) != 0) {
                ok = false;
                break;
            }
            const int32_t length = readLe32(in.data() + at + 4);
            if (length < 12) {
                ok = false;
                break;
            }
            if (in.size() - at < 8 + static_cast<size_t>(length)) break;
            const int32_t type = readLe32(in.data() + at + 8);
            at += 8 + static_cast<size_t>(length);
            switch (type) {
                case CMT::CommunicationType_Login:
                    ok = sendAll(m_loginReply);
                    break;
                case CMT::CommunicationType_getEnableJoint6Rot360Flag:
                    ok = sendAll(m_flag6Reply);
                    break;
                case CMT::CommunicationType_getEnableJoint1Rot360Flag:
                    ok = sendAll(m_flag1Reply);
                    break;
                case CMT::CommunicationType_RobotMove:
                    ok = sendAll(m_moveReply);
                    break;
                case CMT::CommunicationType_communicationHeart:
                    ok = sendAll(m_heartbeatReply);
                    break;
                default:
                    m_other.fetch_add(1, std::memory_order_relaxed);
                    ok = sendAll(frame(type, m_commonOk));
                    break;
            }
            if (!ok) break;
            if (type == m_eventAfter.load(std::memory_order_acquire)) {
                if (pending == 0) pendingSince = nowNs();
                ++pending;
            }
        }
        in.erase(0, at);
        return ok;
    }

    void run() {
        m_tid.store(currentTid(), std::memory_order_release);
        // Short sleeps while an event is pending are meant literally.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        {
            // A readable file for this thread shows that the probe works at all.
            char path[64];
            std::snprintf(path, sizeof(path), "/proc/self/task/%d/syscall",
                          static_cast<int>(currentTid()));
            const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
            m_probing.store(fd >= 0, std::memory_order_relaxed);
            if (fd >= 0) ::close(fd);
        }

        pollfd acceptWait[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        while (!m_stop.load(std::memory_order_acquire)) {
            if (::poll(acceptWait, 2, 100) > 0 && (acceptWait[0].revents & POLLIN)) break;
            uint64_t drained;
            if (acceptWait[1].revents & POLLIN) {
                const ssize_t n = ::read(m_wakeFd, &drained, sizeof(drained));
                (void)n;
            }
        }
        if (m_stop.load(std::memory_order_acquire)) return;
        m_connFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (m_connFd < 0) return;
        const int one = 1;
        ::setsockopt(m_connFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));

        std::string in;
        std::vector<char> buffer(65536);
        uint64_t pending = 0;
        int64_t pendingSince = 0;
        int64_t lastSentAt = 0;
        while (!m_stop.load(std::memory_order_acquire)) {
            pollfd fds[2] = {{m_connFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
            const timespec pause = pending > 0 ? timespec{0, 20'000} : timespec{0, 50'000'000};
            if (::ppoll(fds, 2, &pause, nullptr) < 0 && errno != EINTR) break;
            if (fds[1].revents & POLLIN) {
                uint64_t drained;
                const ssize_t n = ::read(m_wakeFd, &drained, sizeof(drained));
                (void)n;
            }
            if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::recv(m_connFd, buffer.data(), buffer.size(), 0);
                if (n <= 0) break;  // the client closed
                in.append(buffer.data(), static_cast<size_t>(n));
                if (!serve(in, pending, pendingSince)) break;
            }
            if (pending > 0) {
                const bool asleep = waiterAsleep(pendingSince);
                const bool force = !asleep && nowNs() - pendingSince > kForceAfterNs;
                if (asleep || force) {
                    const int64_t sendAt = nowNs();
                    m_sentAtNs.store(sendAt, std::memory_order_relaxed);
                    if (!sendAll(m_event)) break;
                    m_sentSeq.fetch_add(1, std::memory_order_release);
                    if (force) m_forced.fetch_add(1, std::memory_order_relaxed);
                    lastSentAt = sendAt;
                    --pending;
                    pendingSince = nowNs();
                }
            }
            if (m_sentSeq.load(std::memory_order_relaxed) >
                    m_ackSeq.load(std::memory_order_acquire) &&
                nowNs() - lastSentAt > kWatchdogNs) {
                std::fprintf(stderr, "motion peer: an event was not acknowledged, disconnecting\n");
                break;
            }
        }
        ::shutdown(m_connFd, SHUT_RDWR);
    }

    const std::string m_loginReply;
    const std::string m_flag6Reply;
    const std::string m_flag1Reply;
    const std::string m_moveReply;
    const std::string m_heartbeatReply;
    const std::string m_event;
    const std::string m_commonOk;

    int m_listenFd = -1;
    int m_connFd = -1;
    int m_wakeFd = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<pid_t> m_tid{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_probing{false};

    std::atomic<pid_t> m_waiter{0};
    std::atomic<pid_t> m_receiver{0};
    std::atomic<uintptr_t> m_condLow{0};
    std::atomic<uintptr_t> m_condHigh{0};
    std::atomic<int> m_eventAfter{-1};
    std::atomic<int64_t> m_sentAtNs{0};
    std::atomic<uint64_t> m_sentSeq{0};
    std::atomic<uint64_t> m_ackSeq{0};
    std::atomic<uint64_t> m_forced{0};
    std::atomic<uint64_t> m_other{0};
};

// ---- the shared session ----------------------------------------------------------

// One peer and one control core logged in to it, shared by the two latency
// benchmarks (one login per process). Members are destroyed in reverse: the
// motion service, then the core (disconnecting), then the peer.
struct Session {
    MovePeer peer;
    RobotControlServices core;
    std::unique_ptr<RobotMoveService> motion;
    pid_t receiver = 0;
    std::string error;
};

std::unique_ptr<Session> g_session;

Session& session() {
    if (g_session) return *g_session;
    g_session = std::make_unique<Session>();
    Session& s = *g_session;
    if (s.peer.port() == 0) {
        s.error = "the peer could not listen";
        return s;
    }
    trn::RobotType type{};
    trn::RobotDhPara dh{};
    const int ret = s.core.loginService("127.0.0.1", s.peer.port(), "bench", "bench", type, dh);
    if (ret != 0) {
        s.error = "login failed: " + std::to_string(ret);
        return s;
    }
    s.motion = std::make_unique<RobotMoveService>(&s.core);
    s.receiver = findReceiveThread(currentTid(), s.peer.tid());
    return s;
}

// Per-event latency samples (ns) of every successful repetition.
std::map<std::string, std::vector<double>> g_samples;
// Benchmarks that reported an error; their timings are not used.
std::set<std::string> g_failed;

void fail(benchmark::State& state, const std::string& name, const std::string& why) {
    g_failed.insert(name);
    state.SkipWithError(why.c_str());
}

trn::wayPoint_S jointTarget(double offset) {
    trn::wayPoint_S w{};
    const double q[trn::ARM_DOF] = {0.1 + offset, -0.2 + offset, 1.2 - offset,
                                    0.3,          1.5707,        0.0 + offset};
    if (RobotUtilService::robotFk(q, trn::ARM_DOF, w) != 0) {
        w = trn::wayPoint_S{};
        w.orientation = {1.0, 0.0, 0.0, 0.0};
    }
    std::copy(std::begin(q), std::end(q), w.jointpos);
    return w;
}

// Many short repetitions, interleaved with the floor's (see main), so that
// both figures sample the same spells of machine load.
constexpr int kLatencyIterations = 50;
constexpr int kLatencyRepetitions = 60;

void BM_MoveEndToReturn(benchmark::State& state) {
    const std::string name = "BM_MoveEndToReturn";
    Session& s = session();
    if (!s.error.empty()) return fail(state, name, s.error);
    s.peer.watch(currentTid(), s.core.moveEndWait().conditionAddress(),
                 sizeof(std::condition_variable), s.receiver);
    s.peer.setEventAfter(CMT::CommunicationType_RobotMove);
    const trn::wayPoint_S targets[2] = {jointTarget(0.0), jointTarget(0.25)};
    const uint64_t forcedBefore = s.peer.forcedEvents();
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(state.max_iterations));
    size_t n = 0;
    std::string error;
    for (auto _ : state) {
        trn::wayPoint_S target = targets[n++ & 1];
        const uint64_t seq = s.peer.eventsSent() + 1;
        const int ret = s.motion->robotJointMove(target, true);
        const int64_t returnedAt = nowNs();
        if (ret != 0) {
            error = "blocking move returned " + std::to_string(ret);
            break;
        }
        int64_t sentAt = 0;
        if (!s.peer.sentAt(seq, sentAt)) {
            error = "the move returned without its end event";
            break;
        }
        s.peer.acknowledge(seq);
        const double ns = static_cast<double>(returnedAt - sentAt);
        state.SetIterationTime(ns * 1e-9);
        samples.push_back(ns);
    }
    s.peer.setEventAfter(-1);
    s.peer.acknowledge(s.peer.eventsSent());
    if (error.empty() && s.peer.forcedEvents() != forcedBefore)
        error = "the peer never saw the caller waiting for the end event";
    if (!error.empty()) return fail(state, name, error);
    auto& all = g_samples[name];
    all.insert(all.end(), samples.begin(), samples.end());
}
BENCHMARK(BM_MoveEndToReturn)
    ->UseManualTime()
    ->Iterations(kLatencyIterations)
    ->Repetitions(kLatencyRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_EventLatencyFloor(benchmark::State& state) {
    const std::string name = "BM_EventLatencyFloor";
    Session& s = session();
    if (!s.error.empty()) return fail(state, name, s.error);
    MoveEndWait& moveEnd = s.core.moveEndWait();
    s.peer.watch(currentTid(), moveEnd.conditionAddress(), sizeof(std::condition_variable),
                 s.receiver);
    const uint64_t forcedBefore = s.peer.forcedEvents();
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(state.max_iterations));
    std::string error;
    s.peer.setEventAfter(CMT::CommunicationType_communicationHeart);
    for (auto _ : state) {
        // As a blocking move does: arm the wait, make one request, wait.
        const uint64_t ticket = moveEnd.arm();
        const uint64_t seq = s.peer.eventsSent() + 1;
        const int ret = s.core.heartbeatService();
        if (ret != 0) {
            error = "the request before the wait returned " + std::to_string(ret);
            break;
        }
        const trn::RobotEventType type =
            moveEnd.waitUntil(ticket, std::chrono::steady_clock::now() + std::chrono::seconds(3));
        const int64_t wokeAt = nowNs();
        if (type != trn::RobotEvent_atTrackTargetPos) {
            error = "no end event reached the waiting thread";
            break;
        }
        int64_t sentAt = 0;
        if (!s.peer.sentAt(seq, sentAt)) {
            error = "woken without the peer's event";
            break;
        }
        s.peer.acknowledge(seq);
        const double ns = static_cast<double>(wokeAt - sentAt);
        state.SetIterationTime(ns * 1e-9);
        samples.push_back(ns);
    }
    s.peer.setEventAfter(-1);
    s.peer.acknowledge(s.peer.eventsSent());
    moveEnd.arm();
    if (error.empty() && s.peer.forcedEvents() != forcedBefore)
        error = "the peer never saw the thread waiting for the event";
    if (!error.empty()) return fail(state, name, error);
    auto& all = g_samples[name];
    all.insert(all.end(), samples.begin(), samples.end());
}
BENCHMARK(BM_EventLatencyFloor)
    ->UseManualTime()
    ->Iterations(kLatencyIterations)
    ->Repetitions(kLatencyRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// ---- track encoding --------------------------------------------------------------

long threadMinorFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// Reports the page faults per operation of the timed loop.
class FaultCounter {
public:
    explicit FaultCounter(benchmark::State& state) : m_state(state), m_start(threadMinorFaults()) {}
    ~FaultCounter() {
        m_state.counters["minflt/op"] = benchmark::Counter(
            static_cast<double>(threadMinorFaults() - m_start), benchmark::Counter::kAvgIterations);
    }

private:
    benchmark::State& m_state;
    long m_start;
};

constexpr int kTrackPoints = 5000;
constexpr double kTwoPi = 6.283185307179586;

// A smooth joint-space sweep with the pose of every point from forward kinematics.
const std::vector<trn::wayPoint_S>& track() {
    static const std::vector<trn::wayPoint_S> points = [] {
        std::vector<trn::wayPoint_S> v(kTrackPoints);
        const double base[trn::ARM_DOF] = {0.0, -0.3, 1.3, 0.4, 1.5707, 0.0};
        const double amplitude[trn::ARM_DOF] = {0.8, 0.3, 0.4, 0.5, 0.3, 1.2};
        for (int k = 0; k < kTrackPoints; ++k) {
            const double t = kTwoPi * k / kTrackPoints;
            double q[trn::ARM_DOF];
            for (int j = 0; j < trn::ARM_DOF; ++j) q[j] = base[j] + amplitude[j] * std::sin(t + j);
            trn::wayPoint_S& w = v[static_cast<size_t>(k)];
            if (RobotUtilService::robotFk(q, trn::ARM_DOF, w) != 0) {
                w.cartPos.position = {0.4 + 0.1 * std::cos(t), 0.1 * std::sin(t), 0.3};
                w.orientation = {1.0, 0.0, 0.0, 0.0};
            }
            std::copy(std::begin(q), std::end(q), w.jointpos);
        }
        return v;
    }();
    return points;
}

// The profile of a blended track move through the waypoint list.
RobotMoveProfile trackProfile() {
    RobotMoveProfile p{};
    RobotMoveService::initDefaultMoveProfile(p);
    p.moveMode = MODEP;
    p.subMoveMode = trn::CARTESIAN_MOVEP;
    if (!(p.blendRadius > 0)) p.blendRadius = 0.02f;
    return p;
}

// An encode allocates and frees about 2.4 MB (the message's arena blocks and
// the body). Whether glibc keeps that memory or returns it to the system and
// faults it back in on the next call depends on thresholds it adapts at run
// time and on whether live data lies above the freed memory, that is on what
// ran before; the two give figures about three times apart. The encoding
// benchmarks fix the thresholds so that the allocator keeps its memory, as it
// does in the steady state of a long-running application, and the figure does
// not depend on the order of the run.
bool allocatorKeepsMemory() {
    return ::mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1 && ::mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1;
}

void BM_EncodeTrack5000(benchmark::State& state) {
    const std::string name = "BM_EncodeTrack5000";
    if (!allocatorKeepsMemory()) return fail(state, name, "mallopt refused the thresholds");
    const RobotMoveProfile profile = trackProfile();
    const std::vector<trn::wayPoint_S>& points = track();
    int size = 0;
    // One untimed call first: the allocator reaches the state the thresholds
    // give it before the loop starts.
    char* first = nullptr;
    if (ProtoEncodeDecode::getRequest_robotMove(&first, &size, profile, points)) delete[] first;
    FaultCounter faults(state);
    for (auto _ : state) {
        char* data = nullptr;
        if (!ProtoEncodeDecode::getRequest_robotMove(&data, &size, profile, points)) {
            fail(state, name, "getRequest_robotMove failed");
            break;
        }
        benchmark::DoNotOptimize(data);
        benchmark::ClobberMemory();
        delete[] data;
    }
    state.counters["bytes"] = size;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_EncodeTrack5000)->Repetitions(5)->Unit(benchmark::kMicrosecond);

void BM_SerializeTrack5000(benchmark::State& state) {
    const std::string name = "BM_SerializeTrack5000";
    if (!allocatorKeepsMemory()) return fail(state, name, "mallopt refused the thresholds");
    common::RobotMove message;
    if (!ProtoEncodeDecode::RobotMovePatamTypeConversion(trackProfile(), track(), message))
        return fail(state, name, "building the message failed");
    const size_t size = message.ByteSizeLong();
    // The codec's body for the same move must be exactly this message.
    char* codecBody = nullptr;
    int codecSize = 0;
    const bool encoded =
        ProtoEncodeDecode::getRequest_robotMove(&codecBody, &codecSize, trackProfile(), track());
    const bool same = encoded && static_cast<size_t>(codecSize) == size &&
                      message.SerializeAsString() == std::string(codecBody, size);
    delete[] codecBody;
    if (!same) return fail(state, name, "the codec's body differs from the message");
    std::vector<uint8_t> buffer(size);
    FaultCounter faults(state);
    for (auto _ : state) {
        const bool ok = message.SerializeToArray(buffer.data(), static_cast<int>(size));
        benchmark::DoNotOptimize(ok);
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(size);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_SerializeTrack5000)->Repetitions(5)->Unit(benchmark::kMicrosecond);

// ---- reporting ---------------------------------------------------------------------

// Keeps the CPU time per iteration (ns) and the page faults per iteration of
// every repetition.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double toNs = benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string& name = run.run_name.function_name;
            m_cpuNs[name].push_back(run.GetAdjustedCPUTime() * toNs);
            const auto faults = run.counters.find("minflt/op");
            if (faults != run.counters.end()) m_faults[name].push_back(faults->second.value);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Medians over repetitions; 0 when the benchmark did not run or failed.
    double medianCpuNs(const std::string& name) const { return medianOf(m_cpuNs, name); }
    double medianFaults(const std::string& name) const { return medianOf(m_faults, name); }
    static double median(std::vector<double> v) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

private:
    static double medianOf(const std::map<std::string, std::vector<double>>& values,
                           const std::string& name) {
        const auto it = values.find(name);
        if (it == values.end() || g_failed.count(name) != 0) return 0;
        return median(it->second);
    }

    std::map<std::string, std::vector<double>> m_cpuNs;
    std::map<std::string, std::vector<double>> m_faults;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(std::lround(p * static_cast<double>(v.size() - 1)));
    return v[std::min(i, v.size() - 1)];
}

// The per-event latency samples of a benchmark after printing their spread;
// empty when it did not run or failed.
std::vector<double> latencySamples(const char* name, const char* what) {
    const auto it = g_samples.find(name);
    if (it == g_samples.end() || it->second.empty() || g_failed.count(name) != 0) {
        std::printf("%-22s no samples\n", name);
        return {};
    }
    const std::vector<double>& v = it->second;
    std::printf("%-22s %s: median %.1f us, p10 %.1f us, p90 %.1f us, p99 %.1f us (%zu events)\n",
                name, what, percentile(v, 0.5) * 1e-3, percentile(v, 0.1) * 1e-3,
                percentile(v, 0.9) * 1e-3, percentile(v, 0.99) * 1e-3, v.size());
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    // Interleaving first, so that an explicit flag on the command line wins.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    args.push_back(nullptr);
    argc = static_cast<int>(args.size()) - 1;
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    if (g_session && g_session->peer.otherRequests() > 0)
        std::printf("note: the peer answered %llu other requests with a common result\n",
                    static_cast<unsigned long long>(g_session->peer.otherRequests()));
    if (g_session && g_session->error.empty()) {
        const Session& s = *g_session;
        std::printf("events sent once %s\n",
                    !s.peer.probing() ? "1 ms had passed after the reply (no /proc probe)"
                    : s.receiver != 0
                        ? "the waiter slept on the move-finish condition and the receive thread "
                          "in its poll"
                        : "the waiter slept on the move-finish condition (receive thread not "
                          "identified)");
    }
    const std::vector<double> moveEnd =
        latencySamples("BM_MoveEndToReturn", "end event sent -> move returned");
    const std::vector<double> floor =
        latencySamples("BM_EventLatencyFloor", "end event sent -> waiter woken ");
    if (!moveEnd.empty() && !floor.empty()) {
        auto ratioAt = [&](double p) { return percentile(moveEnd, p) / percentile(floor, p); };
        std::printf("ratio move-end-to-return / event-latency-floor: %.2f (target <= 1.20)\n",
                    ratioAt(0.5));
        std::printf("  same ratio at p10 %.2f, at p90 %.2f\n", ratioAt(0.1), ratioAt(0.9));
    }
    const double encode = reporter.medianCpuNs("BM_EncodeTrack5000");
    const double serialize = reporter.medianCpuNs("BM_SerializeTrack5000");
    if (encode > 0 && serialize > 0) {
        std::printf("ratio encode-track-5000 / serialize-track-5000: %.2f (target <= 1.50)\n",
                    encode / serialize);
        std::printf(
            "  medians of CPU time per operation %.0f us vs %.0f us; page faults per "
            "encode %.0f\n",
            encode * 1e-3, serialize * 1e-3, reporter.medianFaults("BM_EncodeTrack5000"));
    }
    g_session.reset();
    benchmark::Shutdown();
    return 0;
}
