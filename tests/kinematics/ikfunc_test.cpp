#include "RobotSDK/util/ikfunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kinematics/kinematicstesthelpers.h"
#include "kinematics/logcapture.h"

using namespace kintest;

namespace {

class IkfuncTest : public ::testing::Test {
protected:
    void SetUp() override { Ikfunc::SetDhParaLen(tevo_model_0); }
    void TearDown() override {
        Ikfunc::SetDhParaLen(tevo_model_0);
        Ikfunc::joint1Rot360 = false;
        Ikfunc::joint6Rot360 = false;
    }
};

// Waypoint of public angles q, its own angles as reference.
wayPoint_S fkWayPoint(const double* q) {
    wayPoint_S wp{};
    double joints[6];
    for (int j = 0; j < 6; ++j) joints[j] = q[j];
    Ikfunc::ArmFk(wp.cartPos.position, wp.orientation, joints);
    for (int j = 0; j < 6; ++j) wp.jointpos[j] = q[j];
    return wp;
}

void randomPublicAngles(std::mt19937_64& rng, double* q) {
    std::uniform_real_distribution<double> angle(-3.0, 3.0);
    for (int j = 0; j < 6; ++j) q[j] = angle(rng);
    while (std::fabs(std::sin(q[4])) <= 0.1) q[4] = angle(rng);
}

}  // namespace

TEST_F(IkfuncTest, ModelTable) {
    for (int type = 0; type < 10; ++type) {
        EXPECT_TRUE(Ikfunc::SetDhParaLen(static_cast<tevo_robot_type>(type)));
        EXPECT_EQ(getRobotType(), type);
        double A3, A4, D1, D2, D5, D6, D4;
        getDhPara(A3, A4, D1, D2, D5, D6, &D4);
        EXPECT_EQ(A3, kKinematicsModelDefaults[type].A3);
        EXPECT_EQ(D4, kKinematicsModelDefaults[type].D4);
    }
    for (int bad : {10, -1}) {
        Ikfunc::SetDhParaLen(tevo_model_9);
        EXPECT_FALSE(Ikfunc::SetDhParaLen(static_cast<tevo_robot_type>(bad)));
        EXPECT_EQ(getRobotType(), tevo_model_0);
        double A3, A4, D1, D2, D5, D6;
        getDhPara(A3, A4, D1, D2, D5, D6, nullptr);
        EXPECT_EQ(A3, 0.408);
        EXPECT_EQ(D2, 0.1215);
    }
}

TEST_F(IkfuncTest, SetDhParametersAppliesSinglePrecisionDifferences) {
    Ikfunc::setDhParameters(tevo_model_1, 0.552, 0.495, 0.1632, 0.178, 0.1025, 0.094);
    double A3, A4, D1, D2, D5, D6, D4;
    getDhPara(A3, A4, D1, D2, D5, D6, &D4);
    EXPECT_EQ(A3, 0.552);
    EXPECT_EQ(D2 + D4, 0.178);
    EXPECT_EQ(getRobotType(), tevo_model_1);

    const double given = 0.1215 + 0.001;
    Ikfunc::setDhParameters(tevo_model_0, 0.408, 0.376, 0.0985, given, 0.1025, 0.094);
    getDhPara(A3, A4, D1, D2, D5, D6, nullptr);
    EXPECT_EQ(D2, 0.1215 + static_cast<double>(static_cast<float>(given - 0.1215)));
    getDhPara(A3, A4, D1, D2, D5, D6, &D4);
    EXPECT_EQ(D4, -0.019);
}

TEST_F(IkfuncTest, ArmFkOfZeroPose) {
    double q[6] = {0, 0, 0, 0, 0, 0};
    Pos p;
    Ori o;
    EXPECT_EQ(Ikfunc::ArmFk(p, o, q), 1);
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, -0.2155, 1e-12);
    EXPECT_NEAR(p.z, 0.985, 1e-12);
    EXPECT_NEAR(o.w, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(o.x, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(o.y, 0, 1e-12);
    EXPECT_NEAR(o.z, 0, 1e-12);
}

// Every model: kept solutions are within the limits and reach the target, and
// ArmIk with the pose's own angles as reference returns those angles.
class IkfuncRoundTrip : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { Ikfunc::SetDhParaLen(tevo_model_0); }
};

TEST_P(IkfuncRoundTrip, ArmIkReturnsReferenceAngles) {
    Ikfunc::SetDhParaLen(static_cast<tevo_robot_type>(GetParam()));
    std::mt19937_64 rng(77 + GetParam());
    for (int trial = 0; trial < 500; ++trial) {
        double q[6];
        randomPublicAngles(rng, q);
        wayPoint_S wp = fkWayPoint(q);
        double table[6][8];
        const int n = Ikfunc::ComputeIk_new(wp, table);
        ASSERT_GE(n, 1) << trial;
        for (int k = 0; k < n; ++k) {
            double s[6];
            for (int j = 0; j < 6; ++j) {
                s[j] = table[j][k];
                EXPECT_LT(std::fabs(s[j]), Ikfunc::kJointLimit);
            }
            Pos p;
            Ori o;
            Ikfunc::ArmFk(p, o, s);
            EXPECT_LE(std::hypot(p.x - wp.cartPos.position.x, p.y - wp.cartPos.position.y,
                                 p.z - wp.cartPos.position.z),
                      Ikfunc::kIkPositionTolerance);
        }
        ASSERT_TRUE(Ikfunc::ArmIk(wp, nullptr, false, false));
        for (int j = 0; j < 6; ++j) EXPECT_NEAR(wp.jointpos[j], q[j], 1e-9) << trial << " " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, IkfuncRoundTrip, ::testing::Range(0, 10));

TEST_F(IkfuncTest, ArmIkMeasuresAgainstGivenJoints) {
    // The solution nearest to `joint` wins even when the waypoint's reference
    // angles point elsewhere.
    const double q[6] = {0.4, -0.6, 1.2, 0.3, 1.0, -0.7};
    wayPoint_S wp = fkWayPoint(q);
    double table[6][8];
    const int n = Ikfunc::ComputeIk_new(wp, table);
    ASSERT_GE(n, 2);
    for (int k = 0; k < n; ++k) {
        double target[6];
        for (int j = 0; j < 6; ++j) target[j] = table[j][k];
        wayPoint_S work = wp;
        ASSERT_TRUE(Ikfunc::ArmIk(work, target, true, true));
        for (int j = 0; j < 6; ++j) EXPECT_NEAR(work.jointpos[j], target[j], 1e-12);
    }
}

TEST_F(IkfuncTest, FullTurnFlags) {
    struct Case {
        int joint;  // 0 or 5
        bool flag;
        double expected;  // chosen angle of that joint
    };
    const Case cases[] = {
        {5, true, -3.0 + 2 * kPi},
        {5, false, -3.0},
        {0, true, -3.0 + 2 * kPi},
        {0, false, -3.0},
    };
    for (const Case& c : cases) {
        Ikfunc::joint1Rot360 = c.joint == 0 && c.flag;
        Ikfunc::joint6Rot360 = c.joint == 5 && c.flag;
        double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
        q[c.joint] = -3.0;
        wayPoint_S wp = fkWayPoint(q);
        wp.jointpos[c.joint] = 3.0;
        ASSERT_TRUE(Ikfunc::ArmIk(wp, nullptr, false, false));
        EXPECT_NEAR(wp.jointpos[c.joint], c.expected, 1e-9) << c.joint << " " << c.flag;
        EXPECT_NEAR(wp.jointpos[c.joint == 0 ? 5 : 0], q[c.joint == 0 ? 5 : 0], 1e-9);
    }
}

TEST_F(IkfuncTest, SolutionsBeyondJointLimitAreRejected) {
    // Straight up with joint 1 at 3.1 rad: the core finds it, the limit drops it.
    const double q[6] = {3.1, 0, 0, 0, 0, 0.5};
    wayPoint_S wp = fkWayPoint(q);
    double reference[6], rot[9], pos[3], table[6][8];
    for (int j = 0; j < 6; ++j) reference[j] = -q[j];
    Ikfunc::posOri2homoArr(wp.cartPos, wp.orientation, rot, pos);
    ASSERT_GE(ComputeIkLib(reference, rot, pos, table), 1);
    EXPECT_EQ(Ikfunc::ComputeIk_new(wp, table), 0);
    wayPoint_S before = wp;
    EXPECT_FALSE(Ikfunc::ArmIk(wp, nullptr, false, false));
    for (int j = 0; j < 6; ++j) EXPECT_EQ(wp.jointpos[j], before.jointpos[j]);
}

TEST_F(IkfuncTest, NonFiniteTargetYieldsNoSolution) {
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    wayPoint_S wp = fkWayPoint(q);
    wp.cartPos.position.z = std::nan("");
    double table[6][8];
    EXPECT_EQ(Ikfunc::ComputeIk_new(wp, table), 0);
    EXPECT_FALSE(Ikfunc::ArmIk(wp, nullptr, false, false));
}

TEST_F(IkfuncTest, OriMatrixToQuaternionValues) {
    LogCapture log;
    double flipX[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
    Ori q;
    EXPECT_EQ(Ikfunc::OriMatrixToQuaternion(flipX, q), 1);
    EXPECT_NEAR(q.w, 0, 1e-15);
    EXPECT_NEAR(q.x, 1, 1e-15);
    EXPECT_NEAR(q.y, 0, 1e-15);
    EXPECT_NEAR(q.z, 0, 1e-15);
    EXPECT_TRUE(log.lines.empty());

    double minusI[9] = {-1, 0, 0, 0, -1, 0, 0, 0, -1};
    EXPECT_EQ(Ikfunc::OriMatrixToQuaternion(minusI, q), 1);
    const double third = 1.0 / std::sqrt(3.0);
    EXPECT_NEAR(q.w, 0, 1e-15);
    EXPECT_NEAR(q.x, third, 1e-15);
    EXPECT_NEAR(q.y, third, 1e-15);
    EXPECT_NEAR(q.z, third, 1e-15);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].first, tevo_robot_namespace::LL_INFO);
    EXPECT_EQ(log.lines[0].second.rfind("negative quaternion square: 0 ", 0), 0u);
}

TEST_F(IkfuncTest, QuaternionMatrixRoundTripAndProduct) {
    std::mt19937_64 rng(31);
    std::normal_distribution<double> n(0, 1);
    for (int i = 0; i < 500; ++i) {
        Ori a{n(rng), n(rng), n(rng), n(rng)};
        Ori b{n(rng), n(rng), n(rng), n(rng)};
        double ra[9], rb[9], rab[9], prod[9];
        Ikfunc::QuaternionToOriMatrix(a, ra);
        Ikfunc::QuaternionToOriMatrix(b, rb);
        Ori back;
        ASSERT_EQ(Ikfunc::OriMatrixToQuaternion(ra, back), 1);
        EXPECT_GE(back.w, 0.0);
        const double s = (a.w >= 0 ? 1 : -1) / Ikfunc::NORM(a.w, a.x, a.y, a.z);
        EXPECT_NEAR(back.x, a.x * s, 1e-9);
        EXPECT_NEAR(back.z, a.z * s, 1e-9);
        Ori ab = a;
        Ikfunc::QuaternionMultply(ab, b, true);  // a * b
        Ikfunc::QuaternionToOriMatrix(ab, rab);
        matMul(ra, rb, prod);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(rab[k], prod[k], 1e-12);
        Ori ba = a;
        Ikfunc::QuaternionMultply(ba, b, false);  // b * a
        Ikfunc::QuaternionToOriMatrix(ba, rab);
        matMul(rb, ra, prod);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(rab[k], prod[k], 1e-12);
    }
}

TEST_F(IkfuncTest, RollPitchYawValues) {
    float rpy[3] = {0.1f, 0.2f, 0.3f};
    Ori q;
    Ikfunc::RPYToQuaternion(q, rpy);
    EXPECT_NEAR(q.w, 0.983347, 1e-6);
    EXPECT_NEAR(q.x, 0.034271, 1e-6);
    EXPECT_NEAR(q.y, 0.106021, 1e-6);
    EXPECT_NEAR(q.z, 0.143572, 1e-6);

    float out[3];
    Ikfunc::quaternionToRPY(Ori{std::cos(kPi / 4), 0, std::sin(kPi / 4), 0}, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_NEAR(out[1], 90.0f, 1e-4);
    EXPECT_NEAR(out[2], 0.0f, 1e-4);

    // The rotation is Rz(yaw) * Ry(pitch) * Rx(roll).
    double rz[9], ry[9], rx[9], r[9], fromQ[9];
    rotAxis(2, 0.3f, rz);
    rotAxis(1, 0.2f, ry);
    rotAxis(0, 0.1f, rx);
    matMul(rz, ry, r);
    matMul(r, rx, r);
    Ikfunc::QuaternionToOriMatrix(q, fromQ);
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(fromQ[k], r[k], 1e-12);
}

TEST_F(IkfuncTest, RollPitchYawRoundTripInSinglePrecision) {
    std::mt19937_64 rng(41);
    std::uniform_real_distribution<float> roll(-3.1f, 3.1f), pitch(-1.5f, 1.5f);
    for (int i = 0; i < 500; ++i) {
        float rpy[3] = {roll(rng), pitch(rng), roll(rng)};
        Ori q;
        Ikfunc::RPYToQuaternion(q, rpy);
        float deg[3];
        Ikfunc::quaternionToRPY(q, deg);
        float back[3] = {static_cast<float>(deg[2] / 180.0 * kPi),
                         static_cast<float>(deg[1] / 180.0 * kPi),
                         static_cast<float>(deg[0] / 180.0 * kPi)};
        Ori q2;
        Ikfunc::RPYToQuaternion(q2, back);
        const double sign = (q.w * q2.w + q.x * q2.x + q.y * q2.y + q.z * q2.z) < 0 ? -1 : 1;
        EXPECT_NEAR(q2.w * sign, q.w, 2e-6);
        EXPECT_NEAR(q2.x * sign, q.x, 2e-6);
        EXPECT_NEAR(q2.y * sign, q.y, 2e-6);
        EXPECT_NEAR(q2.z * sign, q.z, 2e-6);
    }
}

TEST_F(IkfuncTest, UserFrameConversionRoundTrip) {
    // Flange pose -> tool end in the user frame -> flange pose in base.
    std::mt19937_64 rng(51);
    for (char method = 3; method <= 8; ++method) {
        double qs[3][6];
        wayPoint_S plane[3];
        Pose_S planePoses[3];
        for (int i = 0; i < 3; ++i) {
            randomPublicAngles(rng, qs[i]);
            plane[i] = fkWayPoint(qs[i]);
        }
        Ikfunc::waypoint2Pose(planePoses, plane, 3);
        double q[6];
        randomPublicAngles(rng, q);
        const wayPoint_S flange = fkWayPoint(q);
        Pose_S source;
        Ikfunc::waypoint2Pose(&source, const_cast<wayPoint_S*>(&flange), 1);
        double tool[3] = {0.01, 0.02, 0.12};
        Ori toolOri{std::cos(0.2), std::sin(0.2), 0, 0};
        Pose_S onUser, back;
        ASSERT_TRUE(Ikfunc::coordinateTransform(
            onUser, source, tool, &toolOri, MoveConditionClass::WorldCoordinate, plane, method));
        Ori toolOriCopy = toolOri;
        ASSERT_TRUE(Ikfunc::robotCoordConvert(back, onUser, planePoses, method, tool, &toolOriCopy,
                                              MoveConditionClass::BaseCoordinate,
                                              MoveConditionClass::WorldCoordinate));
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(back.posU.positionVector[i], source.posU.positionVector[i], 1e-12);
        const double sign = back.oriU.orientation.w * source.oriU.orientation.w < 0 ? -1 : 1;
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(back.oriU.quaternionVector[i] * sign, source.oriU.quaternionVector[i],
                        1e-12);
        // The base-frame conversion is the inverse of adding the tool.
        Pose_S toolEnd, flangeAgain;
        ASSERT_TRUE(Ikfunc::coordinateTransform(
            toolEnd, source, tool, &toolOri, MoveConditionClass::BaseCoordinate, nullptr, method));
        ASSERT_TRUE(Ikfunc::robotCoordConvert(flangeAgain, toolEnd, nullptr, method, tool,
                                              &toolOriCopy, MoveConditionClass::BaseCoordinate,
                                              MoveConditionClass::BaseCoordinate));
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(flangeAgain.posU.positionVector[i], source.posU.positionVector[i], 1e-12);
    }
}

TEST_F(IkfuncTest, ConversionRefusals) {
    Pose_S pose{}, out{};
    pose.oriU.orientation = Ori{1, 0, 0, 0};
    wayPoint_S plane[3] = {};
    EXPECT_FALSE(Ikfunc::coordinateTransform(out, pose, nullptr, nullptr,
                                             MoveConditionClass::WorldCoordinate, nullptr, 3));
    EXPECT_FALSE(Ikfunc::coordinateTransform(out, pose, nullptr, nullptr,
                                             MoveConditionClass::WorldCoordinate, plane, 9));
    EXPECT_FALSE(Ikfunc::robotCoordConvert(out, pose, nullptr, 3, nullptr, nullptr,
                                           MoveConditionClass::EndCoordinate,
                                           MoveConditionClass::BaseCoordinate));
    Pose_S zero{};
    EXPECT_FALSE(Ikfunc::robotCoordConvert(out, zero, nullptr, 3, nullptr, nullptr,
                                           MoveConditionClass::BaseCoordinate,
                                           MoveConditionClass::BaseCoordinate));
    // Coincident plane points: the frame cannot be calibrated.
    LogCapture log;
    Pose_S same[3] = {pose, pose, pose};
    EXPECT_FALSE(Ikfunc::robotCoordConvert(out, pose, same, 3, nullptr, nullptr,
                                           MoveConditionClass::BaseCoordinate,
                                           MoveConditionClass::WorldCoordinate));
    EXPECT_TRUE(log.contains(tevo_robot_namespace::LL_WARN,
                             "sdk log:User Coordinate Calib: Error Configuration, please re-try!"));
}

TEST_F(IkfuncTest, ToolCalibrationWrapper) {
    std::mt19937_64 rng(61);
    const double t[3] = {0.03, -0.01, 0.2};
    const double w[3] = {0.4, 0.2, 0.1};
    Pose_S poses[6];
    for (Pose_S& p : poses) {
        double R[9];
        randomRotation(rng, R);
        Ikfunc::OriMatrixToQuaternion(R, p.oriU.orientation);
        Ikfunc::QuaternionToOriMatrix(p.oriU.orientation, R);
        for (std::size_t i = 0; i < 3; ++i)
            p.posU.positionVector[i] =
                w[i] - (R[3 * i] * t[0] + R[3 * i + 1] * t[1] + R[3 * i + 2] * t[2]);
    }
    Pose_S result{};
    result.oriU.orientation = Ori{7, 7, 7, 7};
    ASSERT_TRUE(Ikfunc::api_tool_coord_calib(poses, 6, nullptr, 0, result));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(result.posU.positionVector[i], t[i], 1e-9);
    EXPECT_EQ(result.oriU.orientation.w, 7);  // orientation calibration off
    EXPECT_FALSE(Ikfunc::api_tool_coord_calib(poses, 3, nullptr, -1, result));
    EXPECT_FALSE(Ikfunc::toolCoordinateCalib(poses, 3, false, result.posU.positionVector, -1,
                                             nullptr, nullptr));
}

TEST_F(IkfuncTest, HomogeneousHelpers) {
    // Rotation of 90 degrees about z, origin (1, 2, 3).
    double R[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    double o[3] = {1, 2, 3};
    double H[12] = {0, -1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3};
    double in[3] = {1, 0, 0};
    struct Case {
        bool inv;
        bool useOrigin;  // origin given separately (else the 3x4 form)
        bool relPos;
        double expected[3];
    };
    const Case cases[] = {
        {false, true, false, {1, 3, 3}},                                      // R in + o
        {false, false, false, {1, 3, 3}},  {true, true, false, {-2, 0, -3}},  // R^T (in - o)
        {true, false, false, {-2, 0, -3}}, {false, true, true, {0, 1, 0}},    // pure rotation
        {true, false, true, {0, -1, 0}},
    };
    for (const Case& c : cases) {
        double out[3] = {9, 9, 9};
        Ikfunc::hMatrixVectorProduct(c.inv, c.useOrigin ? o : nullptr,
                                     c.useOrigin || c.relPos ? R : H, c.relPos, in, out);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(out[i], c.expected[i], 1e-15) << c.inv << c.useOrigin << c.relPos;
    }
    double untouched[3] = {9, 9, 9};
    Ikfunc::hMatrixVectorProduct(false, o, R, false, nullptr, untouched);
    EXPECT_EQ(untouched[0], 9);

    // Pose composition: (R, o) o (R, o).
    Pose_S composed;
    Ikfunc::hMatrixMultiply(R, o, R, o, &composed, nullptr);
    EXPECT_NEAR(composed.posU.position.x, -1, 1e-15);
    EXPECT_NEAR(composed.posU.position.y, 3, 1e-15);
    EXPECT_NEAR(composed.posU.position.z, 6, 1e-15);
    EXPECT_NEAR(composed.oriU.orientation.w, 0, 1e-15);  // 180 degrees about z
    EXPECT_NEAR(composed.oriU.orientation.z, 1, 1e-15);
    double RR[9];
    Ikfunc::hMatrixMultiply(R, nullptr, R, nullptr, nullptr, RR);
    EXPECT_NEAR(RR[0], -1, 1e-15);
    EXPECT_NEAR(RR[4], -1, 1e-15);
}
