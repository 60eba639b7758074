// Speed of forward and inverse kinematics against the bare trigonometry of
// one inverse kinematics (sin and cos of 6 angles, 2 acos, 4 atan2, 2 sqrt).
// Inputs: 16384 distinct poses from random joint angles with |sin q5| > 0.1,
// cycled so that the branch predictor cannot learn them. The ratios to the
// floor are printed after the run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "RobotSDK/util/ikfunc.h"
#include "kinematics/kinematicscore.h"

namespace {

constexpr std::size_t kPoseCount = 16384;

struct Pose {
    double core[6];       // core joint angles
    double pos[3];        // flange position
    double rot[9];        // flange rotation
    wayPoint_S wayPoint;  // public-convention waypoint with its own angles as reference
};

const std::vector<Pose>& poses() {
    static const std::vector<Pose> all = [] {
        std::vector<Pose> v(kPoseCount);
        std::mt19937_64 rng(20261210);
        std::uniform_real_distribution<double> angle(-3.0, 3.0);
        for (Pose& p : v) {
            for (double& q : p.core) {
                q = angle(rng);
            }
            while (std::fabs(std::sin(p.core[4])) <= 0.1) {
                p.core[4] = angle(rng);
            }
            ComputeFkLib(p.core, p.pos, p.rot);
            double publicAngles[6];
            for (int j = 0; j < 6; ++j) {
                publicAngles[j] = -p.core[j];
            }
            Ikfunc::ArmFk(p.wayPoint.cartPos.position, p.wayPoint.orientation, publicAngles);
            std::memcpy(p.wayPoint.jointpos, publicAngles, sizeof(publicAngles));
        }
        return v;
    }();
    return all;
}

void BM_TrigFloor(benchmark::State& state) {
    const std::vector<Pose>& all = poses();
    std::size_t i = 0;
    for (auto _ : state) {
        const Pose& p = all[i];
        i = (i + 1) & (kPoseCount - 1);
        double acc = 0.0;
        for (int j = 0; j < 6; ++j) {
            acc += std::sin(p.core[j]) + std::cos(p.core[j]);
        }
        acc += std::acos(p.rot[0] * 0.5) + std::acos(p.rot[4] * 0.5);
        acc += std::atan2(p.rot[1], p.rot[2]) + std::atan2(p.rot[3], p.rot[5]);
        acc += std::atan2(p.rot[6], p.rot[7]) + std::atan2(p.pos[0], p.pos[1]);
        acc += std::sqrt(p.pos[0] * p.pos[0] + 1.0) + std::sqrt(p.pos[2] * p.pos[2] + 1.0);
        benchmark::DoNotOptimize(acc);
    }
}

void BM_ComputeFkLib(benchmark::State& state) {
    const std::vector<Pose>& all = poses();
    std::size_t i = 0;
    for (auto _ : state) {
        double pos[3];
        double rot[9];
        ComputeFkLib(all[i].core, pos, rot);
        i = (i + 1) & (kPoseCount - 1);
        benchmark::DoNotOptimize(pos);
        benchmark::DoNotOptimize(rot);
    }
}

void BM_ComputeIkLib(benchmark::State& state) {
    const std::vector<Pose>& all = poses();
    std::size_t i = 0;
    for (auto _ : state) {
        const Pose& p = all[i];
        i = (i + 1) & (kPoseCount - 1);
        double pos[3] = {p.pos[0], p.pos[1], p.pos[2]};
        double rot[9];
        std::memcpy(rot, p.rot, sizeof(rot));
        double solutions[6][KINEMATICS_MAX_SOLUTIONS];
        const int n = ComputeIkLib(p.core, rot, pos, solutions);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(solutions);
    }
}

void BM_ArmIk(benchmark::State& state) {
    const std::vector<Pose>& all = poses();
    std::size_t i = 0;
    for (auto _ : state) {
        wayPoint_S wp = all[i].wayPoint;
        i = (i + 1) & (kPoseCount - 1);
        const bool ok = Ikfunc::ArmIk(wp, nullptr, false, false);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(wp);
    }
}

BENCHMARK(BM_TrigFloor);
BENCHMARK(BM_ComputeFkLib);
BENCHMARK(BM_ComputeIkLib);
BENCHMARK(BM_ArmIk);

// Console output plus the CPU time per iteration of every benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // Single runs, or the median when repetitions are asked for.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                times[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

// target 0 prints the ratio without a target.
void printRatio(const RatioReporter& r, const char* num, const char* den, double target) {
    const auto a = r.times.find(num);
    const auto b = r.times.find(den);
    if (a == r.times.end() || b == r.times.end() || b->second <= 0.0) {
        return;
    }
    const double ratio = a->second / b->second;
    if (target <= 0.0) {
        std::printf("%-16s / %-16s = %5.2f\n", num, den, ratio);
        return;
    }
    std::printf("%-16s / %-16s = %5.2f  (target <= %.1f: %s)\n", num, den, ratio, target,
                ratio <= target ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
    poses();  // build the inputs before timing
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printRatio(reporter, "BM_ComputeIkLib", "BM_TrigFloor", 2.5);
    printRatio(reporter, "BM_ArmIk", "BM_ComputeIkLib", 1.5);
    printRatio(reporter, "BM_ComputeFkLib", "BM_TrigFloor", 0.0);
    return 0;
}
