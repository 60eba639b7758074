#include "kinematics/kinematicscore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kinematics/kinematicstesthelpers.h"

using namespace kintest;

namespace {

class KinematicsCore : public ::testing::Test {
protected:
    void SetUp() override { loadModel(tevo_model_0); }
    void TearDown() override { loadModel(tevo_model_0); }
};

// IK of the FK of q with reference ref; returns the solution count.
int ikOfFk(const double* q, const double* ref, double (*sol)[8]) {
    double pos[3], rot[9];
    ComputeFkLib(q, pos, rot);
    return ComputeIkLib(ref, rot, pos, sol);
}

void column(double (*sol)[8], int k, double* q) {
    for (int j = 0; j < 6; ++j) {
        q[j] = sol[j][k];
    }
}

double poseError(const double* qa, const double* qb) {
    double pa[3], ra[9], pb[3], rb[9];
    ComputeFkLib(qa, pa, ra);
    ComputeFkLib(qb, pb, rb);
    double e = 0;
    for (int i = 0; i < 3; ++i) {
        e = std::fmax(e, std::fabs(pa[i] - pb[i]));
    }
    for (int i = 0; i < 9; ++i) {
        e = std::fmax(e, std::fabs(ra[i] - rb[i]));
    }
    return e;
}

double angleDistance(const double* qa, const double* qb) {
    double e = 0;
    for (int j = 0; j < 6; ++j) {
        e = std::fmax(e, std::fabs(wrap(qa[j] - qb[j])));
    }
    return e;
}

bool isToleranceEdge(const double* s) {
    if (s[2] == 0.0 || s[2] == kPi) return true;
    for (int j = 0; j < 6; ++j) {
        if (std::fabs(s[j]) == kPi / 2) return true;
    }
    return false;
}

}  // namespace

TEST_F(KinematicsCore, ZeroPoseStandsStraightUp) {
    const double q[6] = {0, 0, 0, 0, 0, 0};
    double pos[3], rot[9];
    ComputeFkLib(q, pos, rot);
    const double expPos[3] = {0, -0.2155, 0.985};
    const double expRot[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(pos[i], expPos[i], 1e-12) << i;
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(rot[i], expRot[i], 1e-12) << i;
    }
}

TEST_F(KinematicsCore, FkWritesNothingWithoutBothOutputs) {
    const double q[6] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    double pos[3] = {7, 7, 7};
    double rot[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
    ComputeFkLib(q, pos, nullptr);
    ComputeFkLib(q, nullptr, rot);
    for (double v : pos) EXPECT_EQ(v, 7);
    for (double v : rot) EXPECT_EQ(v, 7);
}

TEST_F(KinematicsCore, FlangePositionMatchesFullFk) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 200; ++i) {
        double q[6], pos[3], rot[9], p2[3];
        randomRegularAngles(rng, q);
        ComputeFkLib(q, pos, rot);
        computeFlangePosition(q, p2);
        for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(pos[k], p2[k]);
    }
}

TEST_F(KinematicsCore, FkRotationIsOrthonormal) {
    std::mt19937_64 rng(11);
    for (int i = 0; i < 200; ++i) {
        double q[6], pos[3], r[9], rt[9], p[9];
        randomRegularAngles(rng, q);
        ComputeFkLib(q, pos, r);
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) rt[3 * a + b] = r[3 * b + a];
        matMul(r, rt, p);
        for (int a = 0; a < 9; ++a) EXPECT_NEAR(p[a], (a % 4 == 0) ? 1.0 : 0.0, 1e-12);
    }
}

// Every model: the input angles are among the solutions and every solution
// reproduces the pose.
class IkRoundTrip : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { loadModel(tevo_model_0); }
};

TEST_P(IkRoundTrip, RandomPosesRoundTrip) {
    loadModel(GetParam());
    std::mt19937_64 rng(1000 + GetParam());
    int edges = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        double q[6], ref[6], sol[6][8];
        randomRegularAngles(rng, q);
        randomRegularAngles(rng, ref);
        const int n = ikOfFk(q, ref, sol);
        ASSERT_GE(n, 1) << "trial " << trial;
        ASSERT_LE(n, 8);
        double best = 1e9;
        for (int k = 0; k < n; ++k) {
            double s[6];
            column(sol, k, s);
            // Branches accepted at a tolerance edge (elbow snapped to 0 or pi,
            // an angle snapped to +-pi/2) are approximate by design.
            if (!isToleranceEdge(s)) {
                EXPECT_LT(poseError(s, q), 1e-9) << "trial " << trial << " solution " << k;
            } else {
                ++edges;
            }
            best = std::fmin(best, angleDistance(s, q));
        }
        EXPECT_LT(best, 1e-9) << "trial " << trial;
    }
    EXPECT_LT(edges, 40);
}

INSTANTIATE_TEST_SUITE_P(AllModels, IkRoundTrip, ::testing::Range(0, 10));

TEST_F(KinematicsCore, SolutionOrderFollowsBranches) {
    // Eight solutions: two shoulder candidates, each with +acos / -acos wrist
    // values, each with +acos / -acos elbow values.
    const double q[6] = {-2.30, -2.28, -0.31, -3.01, -0.94, 2.58};
    double sol[6][8];
    ASSERT_EQ(ikOfFk(q, q, sol), 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(sol[0][k], sol[0][k & ~3]) << k;            // joint 1 per candidate
        EXPECT_GT((k & 2) ? -sol[4][k] : sol[4][k], 0) << k;  // +acos wrist first
        EXPECT_GT((k & 1) ? -sol[2][k] : sol[2][k], 0) << k;  // +acos elbow first
    }
    EXPECT_NE(sol[0][0], sol[0][4]);
}

TEST_F(KinematicsCore, OffsetCylinderBoundary) {
    // Zero-pose orientation: the flange axis is -y, so the wrist centre is the
    // flange position plus D6 along +y.
    const double D2 = 0.1215, D6 = 0.094;
    struct Case {
        double inside;  // metres inside the cylinder of radius D2
        bool solvable;
    };
    const Case cases[] = {{0.013, false}, {0.012, true}};
    for (const Case& c : cases) {
        const double rho = D2 - c.inside;
        double rot[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
        double pos[3] = {0.0, -rho - D6, 0.6};
        const double ref[6] = {0, 0, 0, 0, 0, 0};
        double sol[6][8];
        const int n = ComputeIkLib(ref, rot, pos, sol);
        if (!c.solvable) {
            EXPECT_EQ(n, 0) << c.inside;
            continue;
        }
        ASSERT_GE(n, 1) << c.inside;
        for (int k = 1; k < n; ++k) EXPECT_EQ(sol[0][k], sol[0][0]);
    }
}

TEST_F(KinematicsCore, IkNegatesWorkingCopies) {
    const double q[6] = {0.3, 0.4, 0.9, 0.2, 1.1, -0.5};
    double pos[3], rot[9], p0[3], r0[9], sol[6][8];
    ComputeFkLib(q, pos, rot);
    for (int i = 0; i < 3; ++i) p0[i] = pos[i];
    for (int i = 0; i < 9; ++i) r0[i] = rot[i];
    ComputeIkLib(q, rot, pos, sol);
    EXPECT_EQ(pos[0], -p0[0]);
    EXPECT_EQ(pos[1], -p0[1]);
    EXPECT_EQ(pos[2], p0[2]);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(rot[i], i < 6 ? -r0[i] : r0[i]);
}

TEST_F(KinematicsCore, SingularWristKeepsReferenceElbow) {
    // Joint 5 at 0 or pi: one solution per shoulder candidate; with the pose's
    // own angles as reference, they are among the solutions.
    const double fives[] = {0.0, kPi};
    for (double q5 : fives) {
        const double q[6] = {0.4, 0.5, 0.8, -0.3, q5, 0.7};
        double sol[6][8];
        const int n = ikOfFk(q, q, sol);
        ASSERT_GE(n, 1);
        int sameShoulder = 0;
        for (int k = 0; k < n; ++k) sameShoulder += std::fabs(wrap(sol[0][k] - q[0])) < 1e-9;
        EXPECT_EQ(sameShoulder, 1) << q5;
        bool found = false;
        for (int k = 0; k < n; ++k) {
            double s[6];
            column(sol, k, s);
            EXPECT_LT(poseError(s, q), 1e-9) << k;
            if (std::fabs(wrap(s[0] - q[0])) < 1e-9) {
                found = true;
                EXPECT_EQ(s[4], q5);
                EXPECT_NEAR(s[1], q[1], 1e-12);
                EXPECT_EQ(s[2], q[2]);
                EXPECT_NEAR(wrap(s[3] - q[3]), 0, 1e-9);
                EXPECT_NEAR(wrap(s[5] - q[5]), 0, 1e-9);
            }
        }
        EXPECT_TRUE(found) << q5;
    }
}

TEST_F(KinematicsCore, SingularWristWithDistantReferenceStillReachesTarget) {
    // The reference elbow is kept where the target allows it, but joint 2 is
    // placed so that the solution reaches the target.
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> angle(-2.5, 2.5);
    int solved = 0;
    for (int trial = 0; trial < 300; ++trial) {
        double q[6], ref[6], sol[6][8];
        for (int j = 0; j < 6; ++j) {
            q[j] = angle(rng);
            ref[j] = angle(rng);
        }
        q[4] = (trial % 2) ? kPi : 0.0;
        const int n = ikOfFk(q, ref, sol);
        solved += n > 0;
        for (int k = 0; k < n; ++k) {
            double s[6];
            column(sol, k, s);
            EXPECT_LT(poseError(s, q), 1e-9) << trial << " " << k;
        }
    }
    EXPECT_GT(solved, 250);
}

TEST_F(KinematicsCore, StretchedArm) {
    struct Case {
        double q[6];
        double expected[6];
    };
    const Case cases[] = {
        {{0.7, 0, 0, 0, 0, -1.2}, {0.7, 0, 0, 0, 0, -1.2}},
        {{-2.0, 0, 0, 0, 0, 2.5}, {-2.0, 0, 0, 0, 0, 2.5}},
        {{0.7, kPi / 2, 0, 0, 0, 0.3}, {0.7, kPi / 2, 0, 0, 0, 0.3}},
        {{0.7, -kPi / 2, 0, 0, 0, 0.3}, {0.7, -kPi / 2, 0, 0, 0, 0.3}},
    };
    for (const Case& c : cases) {
        double sol[6][8];
        const double ref[6] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
        const int n = ikOfFk(c.q, ref, sol);
        ASSERT_GE(n, 1);
        bool found = false;
        for (int k = 0; k < n; ++k) {
            double s[6];
            column(sol, k, s);
            EXPECT_LT(poseError(s, c.q), 1e-9);
            if (angleDistance(s, c.expected) < 1e-12) found = true;
        }
        EXPECT_TRUE(found) << c.q[0] << " " << c.q[1];
    }
}

TEST_F(KinematicsCore, SecondPassAcceptsSlightlyOutOfReach) {
    // Stretched elbow, pushed outwards along the arm by eps: the elbow cosine
    // becomes about 1 + eps (A3 + A4) / (A3 A4) in every branch.
    const double A3 = 0.408, A4 = 0.376;
    const double perMetre = (A3 + A4) / (A3 * A4);
    struct Case {
        double c3;
        bool solvable;
    };
    const Case cases[] = {{1.02, true}, {1.04, true}, {1.06, false}};
    for (const Case& c : cases) {
        const double eps = (c.c3 - 1.0) / perMetre;
        const double q[6] = {0.0, 0.0, 0.0, 0.5, 1.2, 0.3};
        double pos[3], rot[9], target[3], sol[6][8];
        ComputeFkLib(q, pos, rot);
        pos[2] += eps;  // the arm points straight up
        for (int i = 0; i < 3; ++i) target[i] = pos[i];
        const int n = ComputeIkLib(q, rot, pos, sol);
        if (!c.solvable) {
            EXPECT_EQ(n, 0) << c.c3;
            continue;
        }
        ASSERT_GE(n, 1) << c.c3;
        for (int k = 0; k < n; ++k) {
            double s[6], p[3];
            column(sol, k, s);
            EXPECT_EQ(s[2], 0.0);
            computeFlangePosition(s, p);
            const double err = std::hypot(p[0] - target[0], p[1] - target[1], p[2] - target[2]);
            EXPECT_GT(err, 1e-4) << c.c3;
        }
    }
}

TEST(AntiSinCos, Values) {
    struct Case {
        double s, c, expected;
    };
    const Case cases[] = {
        {0, 1, 0},
        {1, 0, kPi / 2},
        {-1, 0, -kPi / 2},
        {0, -1, kPi},
        {1, 1, kPi / 4},
        {1, -1, 3 * kPi / 4},
        {-1, -1, -3 * kPi / 4},
        {3, 4, std::atan2(3, 4)},
        {1, 1e-5, kPi / 2},  // normalised cosine below 1.75e-5
        {-2, 2e-5, -kPi / 2},
        {1, 2e-5, std::atan2(1, 2e-5)},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(antiSinCos(c.s, c.c), c.expected, 1e-15) << c.s << "," << c.c;
    }
    EXPECT_TRUE(std::isnan(antiSinCos(0, 0)));
}

TEST_F(KinematicsCore, DhParametersAccess) {
    double A3, A4, D1, D2, D5, D6, D4 = 0;
    getDhPara(A3, A4, D1, D2, D5, D6, &D4);
    EXPECT_DOUBLE_EQ(D2, 0.1405);
    EXPECT_DOUBLE_EQ(D4, -0.019);
    getDhPara(A3, A4, D1, D2, D5, D6, nullptr);
    EXPECT_DOUBLE_EQ(D2, 0.1215);
    EXPECT_EQ(getRobotType(), tevo_model_0);

    const float a[6] = {9, 9, 0.001f, 0.002f, 9, 9};
    const float d[6] = {0.003f, 0.004f, 9, 0.01f, 0.005f, 0.006f};
    modifyDhParaLen(a, d);
    double nA3, nA4, nD1, nD2, nD5, nD6, nD4;
    getDhPara(nA3, nA4, nD1, nD2, nD5, nD6, &nD4);
    EXPECT_EQ(nA3, 0.408 + 0.001f);
    EXPECT_EQ(nA4, 0.376 + 0.002f);
    EXPECT_EQ(nD1, 0.0985 + 0.003f);
    EXPECT_EQ(nD4, -0.019 + 0.01f);
    EXPECT_EQ(nD2 + nD4, 0.1215 + (0.004f + 0.01f));
    EXPECT_EQ(nD5, 0.1025 + 0.005f);
    EXPECT_EQ(nD6, 0.094 + 0.006f);
}

TEST_F(KinematicsCore, SetDhParaLenStoresAll) {
    setDhParaLen(tevo_model_8, 1, 2, 3, 4, 5, 6, 7);
    double A3, A4, D1, D2, D5, D6, D4;
    getDhPara(A3, A4, D1, D2, D5, D6, nullptr);
    EXPECT_EQ(getRobotType(), tevo_model_8);
    const double got[6] = {A3, A4, D1, D2, D5, D6};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i], i + 1);
    getDhPara(A3, A4, D1, D2, D5, D6, &D4);
    EXPECT_EQ(D4, 7);
    EXPECT_EQ(D2, -3);
}
