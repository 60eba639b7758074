#include "kinematics/calibrationcore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "kinematics/kinematicstesthelpers.h"

using namespace kintest;

namespace {

Pose_S poseAt(double x, double y, double z) {
    Pose_S p{};
    p.posU.position = Pos{x, y, z};
    p.oriU.orientation = Ori{1, 0, 0, 0};
    return p;
}

// Column c of a row-major rotation.
Pos axisOf(const double* r, int c) { return Pos{r[c], r[3 + c], r[6 + c]}; }

Pos combine(const Pos& o, double a, const Pos& u, double b, const Pos& v) {
    return Pos{o.x + a * u.x + b * v.x, o.y + a * u.y + b * v.y, o.z + a * u.z + b * v.z};
}

}  // namespace

TEST(UserCoordinateCalib, UnitPointsGiveIdentity) {
    const Pose_S poses[3] = {poseAt(0, 0, 0), poseAt(1, 0, 0), poseAt(0, 1, 0)};
    double bInWPos[3] = {9, 9, 9}, bInWOri[9], wInBPos[3] = {9, 9, 9}, dotValue = 9;
    ASSERT_EQ(userCoordinateCalibLib(poses, 0, bInWPos, bInWOri, wInBPos, dotValue), 1);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(bInWOri[i], (i % 4 == 0) ? 1.0 : 0.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bInWPos[i], 0.0);
        EXPECT_EQ(wInBPos[i], 0.0);
    }
    EXPECT_EQ(dotValue, 0.0);
}

TEST(UserCoordinateCalib, RejectsUnknownMethodsAndDegeneratePoints) {
    const Pose_S good[3] = {poseAt(0, 0, 0), poseAt(1, 0, 0), poseAt(0, 1, 0)};
    const Pose_S coincident[3] = {poseAt(0.2, 0.1, 0.3), poseAt(0.2, 0.1, 0.3), poseAt(0, 1, 0)};
    const Pose_S collinear[3] = {poseAt(0, 0, 0), poseAt(0.1, 0.2, 0.3), poseAt(0.2, 0.4, 0.6)};
    const Pose_S nonFinite[3] = {poseAt(0, 0, 0), poseAt(NAN, 0, 0), poseAt(0, 1, 0)};
    struct Case {
        const Pose_S* poses;
        int method;
    };
    const Case cases[] = {{good, 9},       {good, 255},    {good, -1},     {coincident, 0},
                          {coincident, 3}, {collinear, 0}, {collinear, 8}, {nonFinite, 4}};
    for (const Case& c : cases) {
        double bInWPos[3] = {7, 7, 7}, bInWOri[9] = {7}, wInBPos[3] = {7, 7, 7}, dotValue = 7;
        EXPECT_EQ(userCoordinateCalibLib(c.poses, static_cast<char>(c.method), bInWPos, bInWOri,
                                         wInBPos, dotValue),
                  0)
            << c.method;
        EXPECT_EQ(bInWOri[0], 7);
        EXPECT_EQ(dotValue, 7);
    }
}

TEST(UserCoordinateCalib, RecoversKnownFrameForEveryMethod) {
    // Method -> (axis of point 1, axis of the second direction); a point on a
    // positive axis, or in the first quadrant of the plane of the two axes.
    struct Method {
        int first, second;
        bool quadrant;
    };
    const Method methods[9] = {{0, 1, false}, {1, 2, false}, {2, 0, false},
                               {0, 1, true},  {0, 2, true},  {1, 2, true},
                               {1, 0, true},  {2, 0, true},  {2, 1, true}};
    std::mt19937_64 rng(3);
    for (int m = 0; m < 9; ++m) {
        double U[9];  // columns: user axes in base coordinates
        randomRotation(rng, U);
        const Pos o{0.3, -0.2, 0.4};
        const Pos a1 = axisOf(U, methods[m].first), a2 = axisOf(U, methods[m].second);
        const Pos p1 = combine(o, 0.25, a1, 0, a2);
        const Pos p2 =
            methods[m].quadrant ? combine(o, 0.1, a1, 0.2, a2) : combine(o, 0, a1, 0.15, a2);
        const Pose_S poses[3] = {poseAt(o.x, o.y, o.z), poseAt(p1.x, p1.y, p1.z),
                                 poseAt(p2.x, p2.y, p2.z)};
        double bInWPos[3], bInWOri[9], wInBPos[3], dotValue = 5;
        ASSERT_EQ(userCoordinateCalibLib(poses, static_cast<char>(m), bInWPos, bInWOri, wInBPos,
                                         dotValue),
                  1);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(bInWOri[3 * r + c], U[3 * c + r], 1e-12) << m;
            }
            const double expected = -(U[r] * o.x + U[3 + r] * o.y + U[6 + r] * o.z);
            EXPECT_NEAR(bInWPos[r], expected, 1e-12) << m;
        }
        EXPECT_EQ(wInBPos[0], o.x);
        EXPECT_EQ(wInBPos[2], o.z);
        if (m <= 2) {
            EXPECT_NEAR(dotValue, 0, 1e-12);
        } else {
            EXPECT_EQ(dotValue, 5);
        }
    }
}

namespace {

struct ToolFixture {
    std::vector<double> rotations;
    std::vector<double> positions;
};

// count flange poses of random orientation whose tool point t sits at w.
ToolFixture touchingPoses(std::mt19937_64& rng, int count, const double* t, const Pos& w,
                          bool sameOrientation) {
    ToolFixture f;
    double r[9];
    randomRotation(rng, r);
    for (int k = 0; k < count; ++k) {
        if (!sameOrientation) randomRotation(rng, r);
        f.rotations.insert(f.rotations.end(), r, r + 9);
        f.positions.push_back(w.x - (r[0] * t[0] + r[1] * t[1] + r[2] * t[2]));
        f.positions.push_back(w.y - (r[3] * t[0] + r[4] * t[1] + r[5] * t[2]));
        f.positions.push_back(w.z - (r[6] * t[0] + r[7] * t[1] + r[8] * t[2]));
    }
    return f;
}

}  // namespace

TEST(ToolCoordinateCalib, RecoversToolOffset) {
    std::mt19937_64 rng(17);
    const double t[3] = {0.01, -0.02, 0.15};
    for (int count : {4, 5, 8}) {
        ToolFixture f = touchingPoses(rng, count, t, Pos{0.4, 0.1, 0.2}, false);
        double out[3];
        ASSERT_TRUE(toolCoordinateCalibLib(f.rotations.data(), f.positions.data(), count, -1,
                                           nullptr, nullptr, true, 0.01 * 0, out, nullptr));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], t[i], 1e-9) << count;
    }
}

TEST(ToolCoordinateCalib, FailureCases) {
    std::mt19937_64 rng(19);
    const double t[3] = {0.01, -0.02, 0.15};
    struct Case {
        int count;
        bool sameOrientation;
        bool check;
    };
    const Case cases[] = {{3, false, false}, {4, true, true}, {4, true, false}};
    for (const Case& c : cases) {
        ToolFixture f = touchingPoses(rng, c.count, t, Pos{0.4, 0.1, 0.2}, c.sameOrientation);
        double out[3] = {7, 7, 7};
        EXPECT_FALSE(toolCoordinateCalibLib(f.rotations.data(), f.positions.data(), c.count, -1,
                                            nullptr, nullptr, c.check, 0.01, out, nullptr));
        EXPECT_EQ(out[0], 7);
    }
    double out[3];
    EXPECT_FALSE(
        toolCoordinateCalibLib(nullptr, nullptr, 4, -1, nullptr, nullptr, false, 0, out, nullptr));
}

TEST(ToolCoordinateCalib, RecoversToolOrientation) {
    std::mt19937_64 rng(23);
    const double t[3] = {0.02, 0.01, 0.12};
    const Pos w{0.5, 0.0, 0.3};
    for (int method = 0; method < 6; ++method) {
        double Q[9];  // tool axes in flange coordinates (columns)
        randomRotation(rng, Q);
        const int a1 = method % 3, a2 = (method + 1) % 3;
        ToolFixture f = touchingPoses(rng, 5, t, w, false);
        std::vector<double> oriRot, oriPos;
        if (method <= 2) {
            // One flange orientation; the tool point moves along tool axis a1,
            // then into the first quadrant of the plane of a1 and a2.
            double R0[9], RQ[9];
            randomRotation(rng, R0);
            matMul(R0, Q, RQ);
            const Pos u1 = axisOf(RQ, a1), u2 = axisOf(RQ, a2);
            const Pos pts[3] = {w, combine(w, 0.1, u1, 0, u2), combine(w, 0.05, u1, 0.08, u2)};
            for (const Pos& p : pts) {
                oriRot.insert(oriRot.end(), R0, R0 + 9);
                oriPos.push_back(p.x - (R0[0] * t[0] + R0[1] * t[1] + R0[2] * t[2]));
                oriPos.push_back(p.y - (R0[3] * t[0] + R0[4] * t[1] + R0[5] * t[2]));
                oriPos.push_back(p.z - (R0[6] * t[0] + R0[7] * t[1] + R0[8] * t[2]));
            }
        } else {
            // Pose i points tool axis a1 (then a2) straight down: R * Q * e = -z.
            const int axes[2] = {a1, a2};
            for (int axis : axes) {
                double down[9], spin[9], Qt[9], R[9];
                // Rotation taking unit axis `axis` to -z.
                if (axis == 0) rotAxis(1, kPi / 2, down);
                if (axis == 1) rotAxis(0, -kPi / 2, down);
                if (axis == 2) rotAxis(0, kPi, down);
                rotAxis(2, 0.7 * (axis + 1), spin);
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) Qt[3 * r + c] = Q[3 * c + r];
                matMul(spin, down, R);
                matMul(R, Qt, R);
                oriRot.insert(oriRot.end(), R, R + 9);
                oriPos.insert(oriPos.end(), {0.1, 0.2, 0.3});
            }
        }
        double pos[3], rot[9];
        ASSERT_TRUE(toolCoordinateCalibLib(f.rotations.data(), f.positions.data(), 5,
                                           static_cast<char>(method), oriRot.data(), oriPos.data(),
                                           false, 0.01, pos, rot))
            << method;
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(rot[i], Q[i], 1e-9) << method << " " << i;
    }
}

TEST(ToolCoordinateCalib, OrientationPointsTooCloseOrParallelFail) {
    std::mt19937_64 rng(29);
    const double t[3] = {0.0, 0.0, 0.1};
    ToolFixture f = touchingPoses(rng, 4, t, Pos{0.5, 0, 0.3}, false);
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<double> oriRot;
    for (int i = 0; i < 3; ++i) oriRot.insert(oriRot.end(), I, I + 9);
    const double closePos[9] = {0, 0, 0, 0.005, 0, 0, 0, 0.2, 0};
    double pos[3], rot[9];
    EXPECT_FALSE(toolCoordinateCalibLib(f.rotations.data(), f.positions.data(), 4, 0, oriRot.data(),
                                        closePos, false, 0.01, pos, rot));
    // Same downward axis twice: no second direction.
    ToolFixture g = touchingPoses(rng, 4, t, Pos{0.5, 0, 0.3}, false);
    EXPECT_FALSE(toolCoordinateCalibLib(g.rotations.data(), g.positions.data(), 4, 3, oriRot.data(),
                                        closePos, false, 0.01, pos, rot));
}

TEST(MatrixUtilities, PositiveDefiniteInverse) {
    double a[4] = {2, 1, 1, 3};
    ASSERT_EQ(positiveDefiniteMatrixInverse(a, 2), 1);
    const double expected[4] = {0.6, -0.2, -0.2, 0.4};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], expected[i], 1e-15);
    double b[4] = {0, 1, 1, 0};
    EXPECT_EQ(positiveDefiniteMatrixInverse(b, 2), 0);
}

TEST(MatrixUtilities, MultiplicationModes) {
    const double A[6] = {1, 2, 3, 4, 5, 6};  // 2x3
    const double B[6] = {1, 0, 0, 1, 1, 1};  // 3x2
    double out[4] = {10, 10, 10, 10};
    ASSERT_TRUE(matrixMultiplication(out, A, B, 2, 3, 2, false, true));
    const double acc[4] = {14, 15, 20, 21};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], acc[i]);
    // Transposed A (stored 3x2 as At) gives the same product.
    const double At[6] = {1, 4, 2, 5, 3, 6};
    ASSERT_TRUE(matrixMultiplication(out, At, B, 2, 3, 2, true, false));
    const double prod[4] = {4, 5, 10, 11};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], prod[i]);
    // Aliasing: out is also the left operand.
    double sq[4] = {1, 2, 3, 4};
    ASSERT_TRUE(matrixMultiplication(sq, sq, sq, 2, 2, 2, true, true));
    const double sqExpected[4] = {7, 10, 15, 22};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sq[i], sqExpected[i]);
    EXPECT_FALSE(matrixMultiplication(nullptr, A, B, 2, 3, 2, true, true));
}

TEST(MatrixUtilities, CrossProduct) {
    Pos out;
    vectorCrossProduct(out, Pos{2, 0, 0}, Pos{0, 3, 0}, false);
    EXPECT_EQ(out.z, 6);
    vectorCrossProduct(out, Pos{2, 0, 0}, Pos{0, 3, 0}, true);
    EXPECT_EQ(out.z, 1);
    EXPECT_EQ(out.x, 0);
}
