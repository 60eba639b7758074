// Tool-pose track conversion, beside its baseline in the same run:
//   BM_ToolPoseFileToWaypoints  RobotMoveService::parseFileAsRoadpointSet on a
//                               100,000-line file (format 10, a tool 0.1 m
//                               long): reading, parsing, tool-to-flange
//                               conversion and inverse kinematics per point;
//   BM_IkPlusFk                 one inverse (from the previous solution) and
//                               one forward kinematics per point on the same
//                               flange poses;
//   BM_TrackPipeline            the customer track service's whole pipeline
//                               on the same file: parsing with inverse
//                               kinematics, the limit checks, smoothing (with
//                               forward kinematics), the checks again and the
//                               split, into its cache.
// All report items (points) per second; the program prints the ratios of the
// time per point to the baseline's after the run (targets: file conversion
// <= 1.5, pipeline <= 1.5). The file is written into a
// temporary directory before timing and removed afterwards. A smoke run
// (--benchmark_min_time below 0.1 s) uses 2,000 lines.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "RobotSDK/custom-made/pelvanservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/ikfunc.h"

namespace {

namespace trn = tevo_robot_namespace;

struct Track {
    std::string dir, path;
    std::vector<trn::Pos> flangePositions;
    std::vector<trn::Ori> flangeOrientations;
    double start[6] = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
    trn::ToolInEndDesc tool = {{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
};
Track track;

// A smooth joint path near the home pose; its tool poses go into the file,
// its flange poses into the baseline's inputs.
void buildTrack(int lines) {
    char dir[] = "/tmp/tracks-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    track.dir = dir;
    track.path = track.dir + "/toolpose.txt";
    std::ofstream file(track.path);
    char line[300];
    for (int i = 0; i < lines; ++i) {
        const double s = static_cast<double>(i) / lines;
        double q[6];
        for (int j = 0; j < 6; ++j) q[j] = track.start[j] + 0.3 * std::sin(2.0 * M_PI * s + j);
        trn::wayPoint_S flange;
        RobotUtilService::robotFk(q, 6, flange);
        trn::Pos p;
        trn::Ori o;
        RobotUtilService::base2BaseAdditionalTool(flange.cartPos.position, flange.orientation,
                                                  track.tool, p, o);
        std::snprintf(line, sizeof line, "%.9f,%.9f,%.9f,%.12f,%.12f,%.12f,%.12f\n", p.x, p.y, p.z,
                      o.w, o.x, o.y, o.z);
        file << line;
        track.flangePositions.push_back(flange.cartPos.position);
        track.flangeOrientations.push_back(flange.orientation);
    }
    for (int j = 0; j < 6; ++j) track.start[j] += 0.3 * std::sin(static_cast<double>(j));
}

void BM_ToolPoseFileToWaypoints(benchmark::State& state) {
    std::vector<RobotMoveService::FlangeAndToolInfo> out;
    for (auto _ : state) {
        const int ret = RobotMoveService::parseFileAsRoadpointSet(
            track.path.c_str(), trn::POSITION_M_AND_QUATERNION_COMMA_SPLIT, track.start, track.tool,
            out);
        if (ret != trn::ErrnoSucc || out.size() != track.flangePositions.size()) {
            state.SkipWithError("conversion failed");
            return;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<int64_t>(track.flangePositions.size()));
}
BENCHMARK(BM_ToolPoseFileToWaypoints)->Unit(benchmark::kMillisecond);

void BM_IkPlusFk(benchmark::State& state) {
    trn::wayPoint_S solution, forward;
    for (auto _ : state) {
        const double* start = track.start;
        for (size_t i = 0; i < track.flangePositions.size(); ++i) {
            RobotUtilService::robotIk(start, track.flangePositions[i], track.flangeOrientations[i],
                                      solution);
            RobotUtilService::robotFk(solution.jointpos, 6, forward);
            benchmark::DoNotOptimize(forward);
            start = solution.jointpos;
        }
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<int64_t>(track.flangePositions.size()));
}
BENCHMARK(BM_IkPlusFk)->Unit(benchmark::kMillisecond);

void BM_TrackPipeline(benchmark::State& state) {
    PelvanServices service(nullptr);  // no controller: the fallback joint ranges
    trn::ToolInEndDesc tool = track.tool;
    trn::wayPoint_S first;
    for (auto _ : state) {
        const int ret = service.makeTrackByFileAndSmoothSplitHandle(
            track.path.c_str(), trn::POSITION_M_AND_QUATERNION_COMMA_SPLIT, track.start, tool,
            first);
        if (ret != trn::ErrnoSucc ||
            service.getFlangeAndToolInfoVector().size() != track.flangePositions.size()) {
            state.SkipWithError("pipeline failed");
            return;
        }
        benchmark::DoNotOptimize(first);
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<int64_t>(track.flangePositions.size()));
}
BENCHMARK(BM_TrackPipeline)->Unit(benchmark::kMillisecond);

// Console output plus the CPU time per point of every benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && items != run.counters.end() &&
                items->second.value > 0.0) {
                perPoint[run.run_name.function_name] = 1.0 / items->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perPoint;
};

// A smoke run (short minimum time) works on a small file.
int linesFor(int argc, char** argv) {
    const char* flag = "--benchmark_min_time=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0 &&
            std::atof(argv[i] + std::strlen(flag)) < 0.1) {
            return 2000;
        }
    }
    return 100000;
}

}  // namespace

int main(int argc, char** argv) {
    Ikfunc::SetDhParaLen(tevo_model_0);
    buildTrack(linesFor(argc, argv));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(track.path.c_str());
    ::rmdir(track.dir.c_str());
    const auto base = reporter.perPoint.find("BM_IkPlusFk");
    struct Ratio {
        const char* benchmark;
        const char* name;
        double target;
    };
    for (const Ratio& r : {Ratio{"BM_ToolPoseFileToWaypoints", "tool-pose-file-to-waypoints", 1.5},
                           Ratio{"BM_TrackPipeline", "customer-track-pipeline", 1.5}}) {
        const auto measured = reporter.perPoint.find(r.benchmark);
        if (measured == reporter.perPoint.end() || base == reporter.perPoint.end()) continue;
        const double ratio = measured->second / base->second;
        std::printf("ratio %s / ik-plus-fk per point: %.2f (target <= %.2f: %s)\n", r.name, ratio,
                    r.target, ratio <= r.target ? "met" : "NOT met");
    }
    return 0;
}
