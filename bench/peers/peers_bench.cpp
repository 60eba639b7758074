// Our closed-form kinematics against KDL, the solver most robot software uses,
// on the same arm: KDL's chain is built from our URDF of the model
// (armUrdf, kdl_parser), and its forward kinematics is checked equal to ours
// before anything is timed.
//
// Inputs: 4096 joint vectors drawn with a fixed seed uniformly within the URDF
// joint limits, with |sin q5| > 0.1 (away from the wrist singularity, where the
// joint answer of a pose is not unique), cycled so that the branch predictor
// cannot learn them; their flange poses from our forward kinematics. Every
// inverse solver starts near the answer: the true joint vector plus a
// fixed-seed perturbation uniform in [-0.05, 0.05] rad per joint (clamped to
// the limits), the same seed for every solver.
//
// Timed, per call on one pose:
//   fk          Ikfunc::ArmFk: public joint angles to flange position and
//               unit quaternion
//   kdl_fk      KDL::ChainFkSolverPos_recursive::JntToCart
//   ik_all      Ikfunc::ComputeIk_new: every solution of the pose, each
//               checked against the joint limits and the target position
//   ik_nearest  Ikfunc::ArmIk with the perturbed seed as its reference: the
//               solution nearest the reference
//   kdl_nr_jl   KDL::ChainIkSolverPos_NR_JL with ChainFkSolverPos_recursive
//               and ChainIkSolverVel_pinv, KDL's default eps and iteration
//               limits, the URDF joint limits
//   kdl_lma     KDL::ChainIkSolverPos_LMA with its defaults
//
// Before the timing, each inverse solver is run once on every pose and its
// success rate and accuracy printed: a returned solution's position and
// orientation error are measured with our forward kinematics against the
// target pose, its joint-space distance (Euclidean, each difference wrapped
// into [-pi, pi]) against the true joint vector. After the timing, the ratios
// of CPU time per call are printed as "NAME = RATIO (target <= LIMIT)".
//
// Options, beside Google Benchmark's own: --model=N (0..9, default 0) picks
// the arm; --all-models prints the accuracy of every model and times nothing.

#include <benchmark/benchmark.h>
#include <urdf_parser/urdf_parser.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainiksolverpos_lma.hpp>
#include <kdl/chainiksolverpos_nr_jl.hpp>
#include <kdl/chainiksolvervel_pinv.hpp>
#include <kdl/frames.hpp>
#include <kdl/jntarray.hpp>
#include <kdl/tree.hpp>
#include <kdl_parser/kdl_parser.hpp>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "RobotSDK/util/ikfunc.h"
#include "bench/support/ratioreporter.h"
#include "kinematics/armurdf.h"

namespace {

constexpr std::size_t kPoseCount = 4096;  // a power of two: cycled with a mask
constexpr double kSeedOffset = 0.05;      // rad, per joint
constexpr double kPi = 3.14159265358979323846;

// A solution "reaches" the pose within these: ten times the tolerance KDL's
// NR_JL solver stops at (1e-6 on each component of the pose difference).
constexpr double kReachPosition = 1e-5;     // m
constexpr double kReachOrientation = 1e-5;  // rad
// A solution "is the seeded answer" within this joint-space distance: well
// beyond the joint error of an inaccurate solution, well below the distance
// between two solutions of a pose away from the singularities.
constexpr double kSameAnswer = 1e-2;  // rad
// The KDL chain must agree with our forward kinematics within this to be the
// same arm; otherwise the comparison means nothing and the program stops.
constexpr double kSameArm = 1e-9;

// One KDL arm and its solvers; the inverse solvers hold references to the
// forward and velocity solvers, so the object never moves.
struct KdlArm {
    KDL::Chain chain;
    KDL::JntArray lower;
    KDL::JntArray upper;
    std::unique_ptr<KDL::ChainFkSolverPos_recursive> fk;
    std::unique_ptr<KDL::ChainIkSolverVel_pinv> vel;
    std::unique_ptr<KDL::ChainIkSolverPos_NR_JL> nrJl;
    std::unique_ptr<KDL::ChainIkSolverPos_LMA> lma;
};

// The chain from base to flange of the model's URDF, its joint limits and
// solvers; null (with the reason on stderr) when any step fails.
std::unique_ptr<KdlArm> loadArm(tevo_robot_type model) {
    const std::string urdf = armUrdf(model);
    KDL::Tree tree;
    auto arm = std::make_unique<KdlArm>();
    if (urdf.empty() || !kdl_parser::treeFromString(urdf, tree) ||
        !tree.getChain(kArmUrdfBaseLink, kArmUrdfFlangeLink, arm->chain)) {
        std::fprintf(stderr, "model %d: no KDL chain from %s to %s in its URDF\n", model,
                     kArmUrdfBaseLink, kArmUrdfFlangeLink);
        return nullptr;
    }
    const urdf::ModelInterfaceSharedPtr description = urdf::parseURDF(urdf);
    const unsigned joints = arm->chain.getNrOfJoints();
    if (!description || joints != 6) {
        std::fprintf(stderr, "model %d: the URDF chain has %u joints, 6 expected\n", model, joints);
        return nullptr;
    }
    arm->lower.resize(joints);
    arm->upper.resize(joints);
    unsigned j = 0;
    for (unsigned s = 0; s < arm->chain.getNrOfSegments(); ++s) {
        const KDL::Joint& joint = arm->chain.getSegment(s).getJoint();
        if (joint.getType() == KDL::Joint::None) {
            continue;
        }
        const urdf::JointConstSharedPtr limited = description->getJoint(joint.getName());
        if (!limited || !limited->limits) {
            std::fprintf(stderr, "model %d: joint %s has no limits\n", model,
                         joint.getName().c_str());
            return nullptr;
        }
        arm->lower(j) = limited->limits->lower;
        arm->upper(j) = limited->limits->upper;
        ++j;
    }
    arm->fk = std::make_unique<KDL::ChainFkSolverPos_recursive>(arm->chain);
    arm->vel = std::make_unique<KDL::ChainIkSolverVel_pinv>(arm->chain);
    arm->nrJl = std::make_unique<KDL::ChainIkSolverPos_NR_JL>(arm->chain, arm->lower, arm->upper,
                                                              *arm->fk, *arm->vel);
    arm->lma = std::make_unique<KDL::ChainIkSolverPos_LMA>(arm->chain);
    return arm;
}

// One input: the true joint vector, the seed near it and the target pose in
// both libraries' forms (the waypoint carries the seed as its reference).
struct Sample {
    double joints[6];
    double seed[6];
    wayPoint_S target;
    KDL::JntArray kdlJoints{6};
    KDL::JntArray kdlSeed{6};
    KDL::Frame kdlTarget;
};

std::vector<Sample> makeSamples(const KdlArm& arm) {
    std::vector<Sample> samples(kPoseCount);
    std::mt19937_64 rng(20261210);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_real_distribution<double> offset(-kSeedOffset, kSeedOffset);
    for (Sample& s : samples) {
        for (unsigned j = 0; j < 6; ++j) {
            do {
                s.joints[j] = arm.lower(j) + (arm.upper(j) - arm.lower(j)) * unit(rng);
            } while (j == 4 && std::fabs(std::sin(s.joints[j])) <= 0.1);
            s.seed[j] = std::clamp(s.joints[j] + offset(rng), arm.lower(j), arm.upper(j));
            s.kdlJoints(j) = s.joints[j];
            s.kdlSeed(j) = s.seed[j];
        }
        Ikfunc::ArmFk(s.target.cartPos.position, s.target.orientation, s.joints);
        std::memcpy(s.target.jointpos, s.seed, sizeof(s.seed));
        const Pos& p = s.target.cartPos.position;
        const Ori& q = s.target.orientation;
        s.kdlTarget =
            KDL::Frame(KDL::Rotation::Quaternion(q.x, q.y, q.z, q.w), KDL::Vector(p.x, p.y, p.z));
    }
    return samples;
}

// Angle of the rotation between two unit quaternions, accurate near zero.
double rotationAngle(const Ori& a, const Ori& b) {
    // Relative rotation conj(a) * b.
    const double w = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    const double x = a.w * b.x - a.x * b.w - a.y * b.z + a.z * b.y;
    const double y = a.w * b.y + a.x * b.z - a.y * b.w - a.z * b.x;
    const double z = a.w * b.z - a.x * b.y + a.y * b.x - a.z * b.w;
    return 2.0 * std::atan2(std::sqrt(x * x + y * y + z * z), std::fabs(w));
}

double distance(const Pos& a, const Pos& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Euclidean joint-space distance, each difference wrapped into [-pi, pi].
double jointDistance(const double* a, const double* b) {
    double sum = 0.0;
    for (int j = 0; j < 6; ++j) {
        const double d = std::remainder(a[j] - b[j], 2.0 * kPi);
        sum += d * d;
    }
    return std::sqrt(sum);
}

// Largest disagreement of KDL's forward kinematics with ours over the
// samples, in metres and radians.
void compareFk(const KdlArm& arm, const std::vector<Sample>& samples, double& position,
               double& orientation) {
    position = 0.0;
    orientation = 0.0;
    for (const Sample& s : samples) {
        KDL::Frame f;
        arm.fk->JntToCart(s.kdlJoints, f);
        Ori q{};
        f.M.GetQuaternion(q.x, q.y, q.z, q.w);
        const Pos p{f.p.x(), f.p.y(), f.p.z()};
        position = std::max(position, distance(p, s.target.cartPos.position));
        orientation = std::max(orientation, rotationAngle(q, s.target.orientation));
    }
}

// Success and accuracy of one inverse solver over the samples.
class Accuracy {
public:
    explicit Accuracy(const char* name) : name_(name) {}

    // One pose: whether the solver reported a solution, and the pose error of
    // each solution it returned (checked with our forward kinematics).
    void addPose(const Sample& s, bool reported, const double* const* solutions, int count) {
        ++poses_;
        if (!reported || count <= 0) {
            return;
        }
        ++reported_;
        bool allReach = true;
        double nearest = INFINITY;
        for (int k = 0; k < count; ++k) {
            double joints[6];
            std::memcpy(joints, solutions[k], sizeof(joints));
            Pos p{};
            Ori q{};
            Ikfunc::ArmFk(p, q, joints);
            const double position = distance(p, s.target.cartPos.position);
            const double orientation = rotationAngle(q, s.target.orientation);
            position_.push_back(position);
            orientation_.push_back(orientation);
            // Written so that a non-number fails the check.
            allReach = allReach && position <= kReachPosition && orientation <= kReachOrientation;
            const double d = jointDistance(joints, s.joints);
            nearest = d < nearest ? d : nearest;
        }
        joint_.push_back(nearest);
        reached_ += allReach ? 1 : 0;
        seeded_ += nearest <= kSameAnswer ? 1 : 0;
    }

    static void printHeader() {
        std::printf("%-11s %8s %8s %8s   %-19s   %-19s   %-19s\n", "solver", "reported", "reached",
                    "seeded", "position m max/med", "orient. rad max/med", "joints rad max/med");
    }

    void print() {
        std::printf("%-11s %7.2f%% %7.2f%% %7.2f%%   %s   %s   %s\n", name_, percent(reported_),
                    percent(reached_), percent(seeded_), maxMedian(position_).c_str(),
                    maxMedian(orientation_).c_str(), maxMedian(joint_).c_str());
    }

private:
    double percent(std::size_t n) const {
        return poses_ == 0 ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(poses_);
    }

    static std::string maxMedian(std::vector<double>& v) {
        if (v.empty()) {
            return "      -/-          ";
        }
        const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
        std::nth_element(v.begin(), mid, v.end());
        const double median = *mid;
        const double largest = *std::max_element(v.begin(), v.end());
        char text[40];
        std::snprintf(text, sizeof(text), "%9.1e/%-9.1e", largest, median);
        return text;
    }

    const char* name_;
    std::size_t poses_ = 0;
    std::size_t reported_ = 0;
    std::size_t reached_ = 0;
    std::size_t seeded_ = 0;
    std::vector<double> position_;
    std::vector<double> orientation_;
    std::vector<double> joint_;
};

// Runs each inverse solver once on every sample and prints its success and
// accuracy; false when KDL's arm is not ours.
bool printAccuracy(tevo_robot_type model, const KdlArm& arm, const std::vector<Sample>& samples) {
    double fkPosition = 0.0;
    double fkOrientation = 0.0;
    compareFk(arm, samples, fkPosition, fkOrientation);
    std::printf("model %d: %zu poses; KDL forward kinematics against ours: %.1e m, %.1e rad max\n",
                model, samples.size(), fkPosition, fkOrientation);
    if (!(fkPosition <= kSameArm && fkOrientation <= kSameArm)) {
        std::fprintf(stderr, "model %d: the KDL chain is not our arm; nothing compared\n", model);
        return false;
    }

    Accuracy all("ik_all");
    Accuracy nearest("ik_nearest");
    Accuracy nrJl("kdl_nr_jl");
    Accuracy lma("kdl_lma");
    KDL::JntArray out(6);
    for (const Sample& s : samples) {
        double table[6][KINEMATICS_MAX_SOLUTIONS];
        const int n = Ikfunc::ComputeIk_new(s.target, table);
        double columns[KINEMATICS_MAX_SOLUTIONS][6];
        const double* rows[KINEMATICS_MAX_SOLUTIONS];
        for (int k = 0; k < n; ++k) {
            for (int j = 0; j < 6; ++j) {
                columns[k][j] = table[j][k];
            }
            rows[k] = columns[k];
        }
        all.addPose(s, n > 0, rows, n);

        wayPoint_S wp = s.target;
        const bool found = Ikfunc::ArmIk(wp, nullptr, false, false);
        const double* one[1] = {wp.jointpos};
        nearest.addPose(s, found, one, 1);

        const double* kdlOut[1] = {out.data.data()};
        const int nrJlCode = arm.nrJl->CartToJnt(s.kdlSeed, s.kdlTarget, out);
        nrJl.addPose(s, nrJlCode >= 0, kdlOut, 1);
        const int lmaCode = arm.lma->CartToJnt(s.kdlSeed, s.kdlTarget, out);
        lma.addPose(s, lmaCode >= 0, kdlOut, 1);
    }
    Accuracy::printHeader();
    all.print();
    nearest.print();
    nrJl.print();
    lma.print();
    return true;
}

// The timed calls, each cycling over the samples.
void registerBenchmarks(const KdlArm& arm, std::vector<Sample>& samples) {
    Sample* const first = samples.data();
    const std::size_t mask = samples.size() - 1;
    benchmark::RegisterBenchmark("fk", [first, mask](benchmark::State& state) {
        std::size_t i = 0;
        for (auto _ : state) {
            Pos p{};
            Ori q{};
            Ikfunc::ArmFk(p, q, first[i].joints);
            i = (i + 1) & mask;
            benchmark::DoNotOptimize(p);
            benchmark::DoNotOptimize(q);
        }
    });
    benchmark::RegisterBenchmark("kdl_fk", [&arm, first, mask](benchmark::State& state) {
        std::size_t i = 0;
        KDL::Frame f;
        for (auto _ : state) {
            const int code = arm.fk->JntToCart(first[i].kdlJoints, f);
            i = (i + 1) & mask;
            benchmark::DoNotOptimize(code);
            benchmark::DoNotOptimize(f);
        }
    });
    benchmark::RegisterBenchmark("ik_all", [first, mask](benchmark::State& state) {
        std::size_t i = 0;
        for (auto _ : state) {
            double table[6][KINEMATICS_MAX_SOLUTIONS];
            const int n = Ikfunc::ComputeIk_new(first[i].target, table);
            i = (i + 1) & mask;
            benchmark::DoNotOptimize(n);
            benchmark::DoNotOptimize(table);
        }
    });
    benchmark::RegisterBenchmark("ik_nearest", [first, mask](benchmark::State& state) {
        std::size_t i = 0;
        for (auto _ : state) {
            wayPoint_S wp = first[i].target;
            i = (i + 1) & mask;
            const bool found = Ikfunc::ArmIk(wp, nullptr, false, false);
            benchmark::DoNotOptimize(found);
            benchmark::DoNotOptimize(wp);
        }
    });
    benchmark::RegisterBenchmark("kdl_nr_jl", [&arm, first, mask](benchmark::State& state) {
        std::size_t i = 0;
        KDL::JntArray out(6);
        for (auto _ : state) {
            const int code = arm.nrJl->CartToJnt(first[i].kdlSeed, first[i].kdlTarget, out);
            i = (i + 1) & mask;
            benchmark::DoNotOptimize(code);
            benchmark::DoNotOptimize(out.data.data());
            benchmark::ClobberMemory();
        }
    });
    benchmark::RegisterBenchmark("kdl_lma", [&arm, first, mask](benchmark::State& state) {
        std::size_t i = 0;
        KDL::JntArray out(6);
        for (auto _ : state) {
            const int code = arm.lma->CartToJnt(first[i].kdlSeed, first[i].kdlTarget, out);
            i = (i + 1) & mask;
            benchmark::DoNotOptimize(code);
            benchmark::DoNotOptimize(out.data.data());
            benchmark::ClobberMemory();
        }
    });
}

// Takes --model=N and --all-models out of argv; false on a bad model.
bool takeOptions(int& argc, char** argv, int& model, bool& allModels) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--model=", 8) == 0) {
            char* end = nullptr;
            const long value = std::strtol(arg + 8, &end, 10);
            if (end == arg + 8 || *end != '\0' || value < 0 || value >= tevo_robot_type_num) {
                std::fprintf(stderr, "--model takes a model number 0..%d\n",
                             tevo_robot_type_num - 1);
                return false;
            }
            model = static_cast<int>(value);
        } else if (std::strcmp(arg, "--all-models") == 0) {
            allModels = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return true;
}

// What the accuracy tables show.
void printLegend() {
    std::printf(
        "%zu poses per model, |sin q5| > 0.1; inverse solvers seeded at the true joints + "
        "U(-%.2f, %.2f) rad per joint.\n"
        "kdl_nr_jl: ChainIkSolverPos_NR_JL (ChainFkSolverPos_recursive, ChainIkSolverVel_pinv, "
        "maxiter 100, eps 1e-6, URDF limits); kdl_lma: ChainIkSolverPos_LMA (defaults).\n"
        "reported: the solver returned a solution; reached: each returned solution within %.0e m "
        "and %.0e rad of the pose;\nseeded: one within %.0e rad of the true joints. Pose errors "
        "of every returned solution, by our forward kinematics;\njoints: distance of the "
        "(nearest) returned solution to the true joints.\n",
        kPoseCount, kSeedOffset, kSeedOffset, kReachPosition, kReachOrientation, kSameAnswer);
}

}  // namespace

int main(int argc, char** argv) {
    int model = 0;
    bool allModels = false;
    if (!takeOptions(argc, argv, model, allModels)) {
        return 2;
    }
    printLegend();
    if (allModels) {
        bool same = true;
        for (int m = 0; m < tevo_robot_type_num; ++m) {
            const auto type = static_cast<tevo_robot_type>(m);
            Ikfunc::SetDhParaLen(type);
            const std::unique_ptr<KdlArm> arm = loadArm(type);
            same = arm && printAccuracy(type, *arm, makeSamples(*arm)) && same;
        }
        return same ? 0 : 1;
    }

    const auto type = static_cast<tevo_robot_type>(model);
    Ikfunc::SetDhParaLen(type);
    const std::unique_ptr<KdlArm> arm = loadArm(type);
    if (!arm) {
        return 1;
    }
    std::vector<Sample> samples = makeSamples(*arm);
    if (!printAccuracy(type, *arm, samples)) {
        return 1;
    }
    std::printf("\n");
    std::fflush(stdout);

    registerBenchmarks(*arm, samples);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    tevo_bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio("fk/kdl_fk", "fk", "kdl_fk", 0.4);
    reporter.printRatio("ik_nearest/kdl_nr_jl", "ik_nearest", "kdl_nr_jl", 0.1);
    reporter.printRatio("ik_all/kdl_nr_jl", "ik_all", "kdl_nr_jl", 0.0);
    reporter.printRatio("ik_nearest/kdl_lma", "ik_nearest", "kdl_lma", 0.0);
    reporter.printRatio("ik_all/kdl_lma", "ik_all", "kdl_lma", 0.0);
    reporter.printRatio("ik_nearest/ik_all", "ik_nearest", "ik_all", 0.0);
    return 0;
}
