// Encode and decode cost of the hot messages, each beside a baseline in the
// same run: the same work on a plainly heap-allocated message (the usual way
// to use generated classes). Every benchmark reports heap allocations per
// operation, counted by the replaced global operator new below; the codec's
// target is one per encoded body and none per decoded push.
//
// Peer-side directions (encoding a push, decoding a move) have no codec
// operation of their own; they are measured with the codec's conversions on
// the same scratch messages the codec uses.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/protoencodedecode_shapes.h"

namespace {
std::atomic<long long> g_allocations{0};
}  // namespace

// The replacements pair malloc with free by design.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

namespace common = tevo::robot::common;
namespace trn = tevo_robot_namespace;
using codec_detail::ScratchMessage;

// Reports heap allocations per operation of the timed loop.
class AllocationCounter {
public:
    explicit AllocationCounter(benchmark::State& state)
        : m_state(state), m_start(g_allocations.load()) {}
    ~AllocationCounter() {
        m_state.counters["allocs/op"] =
            benchmark::Counter(static_cast<double>(g_allocations.load() - m_start),
                               benchmark::Counter::kAvgIterations);
    }

private:
    benchmark::State& m_state;
    long long m_start;
};

trn::wayPoint_S wayPoint(double seed) {
    trn::wayPoint_S w{};
    w.cartPos.position = {seed, seed + 0.1, seed + 0.2};
    w.orientation = {1.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < trn::ARM_DOF; ++i) w.jointpos[i] = seed + i;
    return w;
}

RobotMoveProfile moveProfile() {
    RobotMoveProfile p{};
    p.moveMode = MODEP;
    p.subMoveMode = trn::CARTESIAN_MOVEP;
    p.toolInEndOrientation = {1, 0, 0, 0};
    p.relativeMove.relativeOrientation.orientation = {1, 0, 0, 0};
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        p.maxVelc.jointPara[i] = 1.0;
        p.maxAcc.jointPara[i] = 2.0;
    }
    p.blendRadius = 0.02f;
    return p;
}

const std::vector<trn::wayPoint_S>& hundredWayPoints() {
    static const std::vector<trn::wayPoint_S> points = [] {
        std::vector<trn::wayPoint_S> v(100);
        for (int i = 0; i < 100; ++i) v[static_cast<std::size_t>(i)] = wayPoint(0.01 * i);
        return v;
    }();
    return points;
}

void fillJointStatus(common::ProtoRobotAllJointStatusResponse& m) {
    m.set_jointcount(6);
    for (int i = 0; i < 6; ++i) {
        trn::JointStatus s{1000 + i, 2000, 0.5f, 48.0f, 31.5f, 900, 1.0f, 0.5f, 0};
        ProtoEncodeDecode::jointStatusTypeConversion(s, *m.add_jointstatus());
    }
    auto* e = m.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
}

void fillJointAngle(common::ProtoJointAngleResponse& m) {
    auto* a = m.mutable_jointangle();
    a->set_joint1(0.1);
    a->set_joint2(0.2);
    a->set_joint3(0.3);
    a->set_joint4(0.4);
    a->set_joint5(0.5);
    a->set_joint6(0.6);
    auto* e = m.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
}

const std::string& jointStatusBytes() {
    static const std::string bytes = [] {
        common::ProtoRobotAllJointStatusResponse m;
        fillJointStatus(m);
        return m.SerializeAsString();
    }();
    return bytes;
}

const std::string& jointAngleBytes() {
    static const std::string bytes = [] {
        common::ProtoJointAngleResponse m;
        fillJointAngle(m);
        return m.SerializeAsString();
    }();
    return bytes;
}

const std::string& moveBytes() {
    static const std::string bytes = [] {
        char* data = nullptr;
        int size = 0;
        ProtoEncodeDecode::getRequest_robotMove(&data, &size, moveProfile(), hundredWayPoints());
        std::string s(data, static_cast<std::size_t>(size));
        delete[] data;
        return s;
    }();
    return bytes;
}

// Push encodes: on the codec's stack-backed scratch message into a fixed
// buffer, and (the baseline) on an ordinary heap message into a string.
template <class Message, std::size_t ArenaBytes>
void encodeOnScratch(benchmark::State& state, void (*fill)(Message&)) {
    char buffer[512];
    AllocationCounter allocs(state);
    for (auto _ : state) {
        ScratchMessage<Message, ArenaBytes> scratch;
        fill(scratch.get());
        const std::size_t n = scratch.get().ByteSizeLong();
        scratch.get().SerializeWithCachedSizesToArray(reinterpret_cast<uint8_t*>(buffer));
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
    }
}

template <class Message>
void encodeOnHeap(benchmark::State& state, void (*fill)(Message&)) {
    AllocationCounter allocs(state);
    for (auto _ : state) {
        Message m;
        fill(m);
        std::string s = m.SerializeAsString();
        benchmark::DoNotOptimize(s);
    }
}

// ---- Joint-status push ----------------------------------------------------------

void BM_JointStatusPush_Decode(benchmark::State& state) {
    const std::string& bytes = jointStatusBytes();
    trn::JointStatus status[6];
    int code = 0;
    AllocationCounter allocs(state);
    for (auto _ : state) {
        bool ok = ProtoEncodeDecode::resolveResponse_jointStatus(
            bytes.data(), static_cast<int>(bytes.size()), status, 6, code);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_JointStatusPush_Decode);

void BM_JointStatusPush_Decode_Baseline(benchmark::State& state) {
    const std::string& bytes = jointStatusBytes();
    trn::JointStatus status[6];
    AllocationCounter allocs(state);
    for (auto _ : state) {
        common::ProtoRobotAllJointStatusResponse m;
        bool ok = m.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
        for (int i = 0; i < 6 && i < m.jointstatus_size(); ++i) {
            ProtoEncodeDecode::jointStatusTypeConversion(m.jointstatus(i), status[i]);
        }
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_JointStatusPush_Decode_Baseline);

void BM_JointStatusPush_Encode(benchmark::State& state) {
    encodeOnScratch<common::ProtoRobotAllJointStatusResponse, 8192>(state, fillJointStatus);
}
BENCHMARK(BM_JointStatusPush_Encode);

void BM_JointStatusPush_Encode_Baseline(benchmark::State& state) {
    encodeOnHeap<common::ProtoRobotAllJointStatusResponse>(state, fillJointStatus);
}
BENCHMARK(BM_JointStatusPush_Encode_Baseline);

// ---- Joint-angle push -------------------------------------------------------------

void BM_JointAnglePush_Decode(benchmark::State& state) {
    const std::string& bytes = jointAngleBytes();
    trn::JointParam joints{};
    int code = 0;
    AllocationCounter allocs(state);
    for (auto _ : state) {
        bool ok = ProtoEncodeDecode::resolveResponse_jointAngle(
            bytes.data(), static_cast<int>(bytes.size()), joints, code);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(joints);
    }
}
BENCHMARK(BM_JointAnglePush_Decode);

void BM_JointAnglePush_Decode_Baseline(benchmark::State& state) {
    const std::string& bytes = jointAngleBytes();
    trn::JointParam joints{};
    AllocationCounter allocs(state);
    for (auto _ : state) {
        common::ProtoJointAngleResponse m;
        bool ok = m.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
        joints.jointPos[0] = m.jointangle().joint1();
        joints.jointPos[5] = m.jointangle().joint6();
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(joints);
    }
}
BENCHMARK(BM_JointAnglePush_Decode_Baseline);

void BM_JointAnglePush_Encode(benchmark::State& state) {
    encodeOnScratch<common::ProtoJointAngleResponse, 4096>(state, fillJointAngle);
}
BENCHMARK(BM_JointAnglePush_Encode);

void BM_JointAnglePush_Encode_Baseline(benchmark::State& state) {
    encodeOnHeap<common::ProtoJointAngleResponse>(state, fillJointAngle);
}
BENCHMARK(BM_JointAnglePush_Encode_Baseline);

// ---- RobotMove with 100 waypoints -----------------------------------------------------

void BM_RobotMove100_Encode(benchmark::State& state) {
    const RobotMoveProfile profile = moveProfile();
    const std::vector<trn::wayPoint_S>& points = hundredWayPoints();
    AllocationCounter allocs(state);
    for (auto _ : state) {
        char* data = nullptr;
        int size = 0;
        bool ok = ProtoEncodeDecode::getRequest_robotMove(&data, &size, profile, points);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(data);
        delete[] data;
    }
    state.counters["bytes"] = static_cast<double>(moveBytes().size());
}
BENCHMARK(BM_RobotMove100_Encode);

void BM_RobotMove100_Encode_Baseline(benchmark::State& state) {
    const RobotMoveProfile profile = moveProfile();
    const std::vector<trn::wayPoint_S>& points = hundredWayPoints();
    AllocationCounter allocs(state);
    for (auto _ : state) {
        common::RobotMove m;
        ProtoEncodeDecode::RobotMovePatamTypeConversion(profile, points, m);
        const std::size_t n = m.ByteSizeLong();
        char* data = new char[n];
        m.SerializeWithCachedSizesToArray(reinterpret_cast<uint8_t*>(data));
        benchmark::DoNotOptimize(data);
        delete[] data;
    }
}
BENCHMARK(BM_RobotMove100_Encode_Baseline);

void BM_RobotMove100_Decode(benchmark::State& state) {
    const std::string& bytes = moveBytes();
    RobotMoveProfile profile{};
    std::vector<trn::wayPoint_S> points(100);
    AllocationCounter allocs(state);
    for (auto _ : state) {
        ScratchMessage<common::RobotMove, std::size_t{40} * 1024> scratch;
        common::RobotMove& m = scratch.get();
        bool ok = codec_detail::parseFromBytes(m, bytes.data(), static_cast<int>(bytes.size()));
        ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(m.move_profile(), profile);
        for (int i = 0; i < m.roadpointvector_size() && i < 100; ++i) {
            ProtoEncodeDecode::roadPointTypeConversion(m.roadpointvector(i),
                                                       points[static_cast<std::size_t>(i)]);
        }
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(BM_RobotMove100_Decode);

void BM_RobotMove100_Decode_Baseline(benchmark::State& state) {
    const std::string& bytes = moveBytes();
    RobotMoveProfile profile{};
    std::vector<trn::wayPoint_S> points(100);
    AllocationCounter allocs(state);
    for (auto _ : state) {
        common::RobotMove m;
        bool ok = m.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()));
        ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(m.move_profile(), profile);
        for (int i = 0; i < m.roadpointvector_size() && i < 100; ++i) {
            ProtoEncodeDecode::roadPointTypeConversion(m.roadpointvector(i),
                                                       points[static_cast<std::size_t>(i)]);
        }
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(BM_RobotMove100_Decode_Baseline);

// Prints each benchmark's time as a ratio to its baseline after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                m_nsPerOp[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
    }
    void printRatios() const {
        std::printf("\nCPU time per operation, codec / baseline (lower is better):\n");
        for (const auto& [name, ns] : m_nsPerOp) {
            const auto base = m_nsPerOp.find(name + "_Baseline");
            if (base != m_nsPerOp.end() && base->second > 0) {
                std::printf("  %-28s %8.1f ns vs %8.1f ns  ratio %.2f\n", name.c_str(), ns,
                            base->second, ns / base->second);
            }
        }
    }

private:
    std::map<std::string, double> m_nsPerOp;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
