// What every inverse-kinematics call guarantees, over random poses of every
// model: uniform joint angles, arms nearly stretched at the elbow with the
// target pushed up to 0.3 mm beyond reach, and wrists near the singular
// position. The core may return approximate solutions there; the all-solutions
// call keeps only those within the joint limits whose flange lies within
// Ikfunc::kIkPositionTolerance of the target, and the nearest-solution call
// returns the nearest of exactly those. The orientation is not checked by the
// calls: it is exact but where joint 5 is taken as 0 or pi, within
// kWristSnapAngle.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "RobotSDK/util/ikfunc.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Joint 5 within acos(0.99999994) of 0 or pi counts as singular.
constexpr double kWristSnapAngle = 3.5e-4;

// Rotation angle between two rotation matrices.
double rotationError(const double* a, const double* b) {
    double s = 0.0;
    for (int i = 0; i < 9; ++i) {
        s += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return 2.0 * std::asin(std::min(1.0, std::sqrt(s / 8.0)));
}

struct Residual {
    double position;
    double rotation;
};

// Flange residual of public angles q against the target (position p, rotation r).
Residual residualOf(const double* q, const double* p, const double* r) {
    double core[6];
    for (int j = 0; j < 6; ++j) {
        core[j] = -q[j];
    }
    double fp[3], fr[9];
    ComputeFkLib(core, fp, fr);
    return {std::hypot(fp[0] - p[0], fp[1] - p[1], fp[2] - p[2]), rotationError(fr, r)};
}

double routeOf(const double* q, const double* ref) {
    double route = 0.0;
    for (int j = 0; j < 6; ++j) {
        route += std::fabs(q[j] - ref[j]);
    }
    return route;
}

enum class Kind { Uniform, StretchedElbow, SingularWrist };

struct Tally {
    int poses = 0;
    int coreBeyondTolerance = 0;  // poses where the core returned a solution the calls drop
    int keptApproximate = 0;      // poses with a kept solution off by more than 1e-9 m
    double maxPosition = 0.0;
    double maxRotation = 0.0;
};

wayPoint_S randomTarget(std::mt19937_64& rng, Kind kind) {
    std::uniform_real_distribution<double> angle(-kPi, kPi);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double q[6];
    for (double& v : q) {
        v = angle(rng);
    }
    if (kind == Kind::StretchedElbow) {
        q[2] = (unit(rng) - 0.5) * 2e-3;
    } else if (kind == Kind::SingularWrist) {
        q[4] = (unit(rng) < 0.5 ? 0.0 : kPi) + (unit(rng) - 0.5) * 2e-3;
    }
    wayPoint_S wp{};
    Ikfunc::ArmFk(wp.cartPos.position, wp.orientation, q);
    if (kind == Kind::StretchedElbow) {
        double* p = wp.cartPos.positionVector;
        const double outward = unit(rng) * 3e-4 / std::hypot(p[0], p[1], p[2]);
        for (int i = 0; i < 3; ++i) {
            p[i] += p[i] * outward;
        }
    }
    for (int j = 0; j < 6; ++j) {
        wp.jointpos[j] = q[j];
    }
    return wp;
}

void checkPose(const wayPoint_S& wp, Tally& tally) {
    double rot[9], pos[3];
    Ikfunc::posOri2homoArr(wp.cartPos, wp.orientation, rot, pos);
    const double* target = wp.cartPos.positionVector;
    ++tally.poses;

    // The core, for the tally: does this pose exercise the verification?
    double coreRot[9], corePos[3], reference[6], core[6][KINEMATICS_MAX_SOLUTIONS];
    std::copy(rot, rot + 9, coreRot);
    std::copy(pos, pos + 3, corePos);
    for (int j = 0; j < 6; ++j) {
        reference[j] = -wp.jointpos[j];
    }
    const int coreCount = ComputeIkLib(reference, coreRot, corePos, core);
    for (int k = 0; k < coreCount; ++k) {
        double q[6];
        for (int j = 0; j < 6; ++j) {
            q[j] = -core[j][k];
        }
        if (residualOf(q, target, rot).position > Ikfunc::kIkPositionTolerance) {
            ++tally.coreBeyondTolerance;
            break;
        }
    }

    double table[6][KINEMATICS_MAX_SOLUTIONS];
    const int n = Ikfunc::ComputeIk_new(wp, table);
    bool approximate = false;
    double nearest = 1e300;
    for (int k = 0; k < n; ++k) {
        double q[6];
        for (int j = 0; j < 6; ++j) {
            q[j] = table[j][k];
            ASSERT_LT(std::fabs(q[j]), Ikfunc::kJointLimit);
        }
        const Residual r = residualOf(q, target, rot);
        ASSERT_LE(r.position, Ikfunc::kIkPositionTolerance);
        ASSERT_LE(r.rotation, kWristSnapAngle);
        approximate = approximate || r.position > 1e-9;
        tally.maxPosition = std::max(tally.maxPosition, r.position);
        tally.maxRotation = std::max(tally.maxRotation, r.rotation);
        nearest = std::min(nearest, routeOf(q, wp.jointpos));
    }
    tally.keptApproximate += approximate ? 1 : 0;

    // The nearest-solution call returns one of those solutions, at the
    // shortest route, and fails exactly when there is none.
    wayPoint_S chosen = wp;
    ASSERT_EQ(Ikfunc::ArmIk(chosen, nullptr, false, false), n > 0);
    if (n == 0) {
        return;
    }
    bool found = false;
    for (int k = 0; k < n && !found; ++k) {
        bool same = true;
        for (int j = 0; j < 6; ++j) {
            same = same && table[j][k] == chosen.jointpos[j];
        }
        found = same;
    }
    ASSERT_TRUE(found);
    ASSERT_EQ(routeOf(chosen.jointpos, wp.jointpos), nearest);
}

class IkGuarantee : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        Ikfunc::joint1Rot360 = false;
        Ikfunc::joint6Rot360 = false;
    }
    void TearDown() override { Ikfunc::SetDhParaLen(tevo_model_0); }
};

TEST_P(IkGuarantee, EverySolutionReachesThePose) {
    const int model = GetParam();
    ASSERT_TRUE(Ikfunc::SetDhParaLen(static_cast<tevo_robot_type>(model)));
    std::mt19937_64 rng(4096 + model);
    const struct {
        Kind kind;
        int poses;
    } batches[] = {
        {Kind::Uniform, 8192}, {Kind::StretchedElbow, 2048}, {Kind::SingularWrist, 2048}};
    Tally tally;
    for (const auto& batch : batches) {
        for (int i = 0; i < batch.poses; ++i) {
            const wayPoint_S wp = randomTarget(rng, batch.kind);
            checkPose(wp, tally);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "model " << model << " pose " << tally.poses;
                return;
            }
        }
    }
    // The random poses reach the cases the verification is there for.
    EXPECT_GT(tally.coreBeyondTolerance, 0);
    EXPECT_GT(tally.keptApproximate, 0);
    std::printf(
        "model %d: %d poses, core beyond 0.1 mm in %d, approximate kept in %d, "
        "max position %.3g m, max rotation %.3g rad\n",
        model, tally.poses, tally.coreBeyondTolerance, tally.keptApproximate, tally.maxPosition,
        tally.maxRotation);
}

INSTANTIATE_TEST_SUITE_P(AllModels, IkGuarantee, ::testing::Range(0, 10));

}  // namespace
