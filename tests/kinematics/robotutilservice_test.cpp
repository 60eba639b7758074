#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

// The public types and the kinematics core's global twins in one translation
// unit, as the codec and the facade see them.
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/ikfunc.h"
#include "TevoRobotMetaType.h"
#include "kinematics/kinematicstesthelpers.h"
#include "kinematics/logcapture.h"
#include "kinematics/waypointconvert.h"

namespace tr = tevo_robot_namespace;
using kintest::kPi;

namespace {

class UtilService : public ::testing::Test {
protected:
    void SetUp() override { Ikfunc::SetDhParaLen(tevo_model_0); }
    void TearDown() override {
        Ikfunc::SetDhParaLen(tevo_model_0);
        Ikfunc::joint1Rot360 = false;
        Ikfunc::joint6Rot360 = false;
    }
    LogCapture log;
};

tr::wayPoint_S fk(const double* q) {
    tr::wayPoint_S wp;
    EXPECT_EQ(RobotUtilService::robotFk(q, 6, wp), 0);
    return wp;
}

void randomAngles(std::mt19937_64& rng, double* q) {
    std::uniform_real_distribution<double> angle(-2.8, 2.8);
    for (int j = 0; j < 6; ++j) q[j] = angle(rng);
    while (std::fabs(std::sin(q[4])) <= 0.2) q[4] = angle(rng);
}

tr::ToolInEndDesc tool(double x, double y, double z, double angle) {
    return tr::ToolInEndDesc{{x, y, z}, {std::cos(angle / 2), 0, std::sin(angle / 2), 0}};
}

// A user frame taught at three random arm poses with the given tool.
tr::CoordCalibrateByJointAngleAndTool userFrame(std::mt19937_64& rng, int method,
                                                const tr::ToolInEndDesc& t) {
    tr::CoordCalibrateByJointAngleAndTool frame;
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(frame);
    frame.coordType = tr::WorldCoordinate;
    frame.methods = static_cast<tr::CoordCalibrateMathod>(method);
    for (auto& set : frame.wayPointArray) randomAngles(rng, set.jointPos);
    frame.toolDesc = t;
    return frame;
}

void expectPose(const tr::Pos& p, const tr::Ori& q, const tr::Pos& ep, const tr::Ori& eq,
                double tol) {
    EXPECT_NEAR(p.x, ep.x, tol);
    EXPECT_NEAR(p.y, ep.y, tol);
    EXPECT_NEAR(p.z, ep.z, tol);
    const double s = (q.w * eq.w + q.x * eq.x + q.y * eq.y + q.z * eq.z) < 0 ? -1 : 1;
    EXPECT_NEAR(q.w * s, eq.w, tol);
    EXPECT_NEAR(q.x * s, eq.x, tol);
    EXPECT_NEAR(q.y * s, eq.y, tol);
    EXPECT_NEAR(q.z * s, eq.z, tol);
}

// Rigid composition (pA + R_A pB, qA qB) on public types.
struct Frame {
    tr::Pos p;
    tr::Ori q;
};

Frame compose(const Frame& a, const Frame& b) {
    tr::ToolInEndDesc t{b.p, b.q};
    Frame r;
    RobotUtilService::base2BaseAdditionalTool(a.p, a.q, t, r.p, r.q);
    return r;
}

}  // namespace

TEST_F(UtilService, RobotFk) {
    const double five[5] = {0, 0, 0, 0, 0};
    tr::wayPoint_S wp;
    std::memset(&wp, 0x5a, sizeof(wp));
    tr::wayPoint_S untouched = wp;
    EXPECT_EQ(RobotUtilService::robotFk(five, 5, wp), tr::ErrCode_ParamError);
    // Byte-wise on purpose: the output keeps every byte of the fill pattern.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    EXPECT_EQ(std::memcmp(&wp, &untouched, sizeof(wp)), 0);

    tr::wayPoint_S zero;
    RobotUtilService::initWayPointDataType(zero);
    expectPose(zero.cartPos.position, zero.orientation, tr::Pos{0, -0.2155, 0.985},
               tr::Ori{std::sqrt(0.5), std::sqrt(0.5), 0, 0}, 1e-12);
    for (double j : zero.jointpos) EXPECT_EQ(j, 0.0);
}

TEST_F(UtilService, RobotIkForms) {
    const double q[6] = {0.4, -0.6, 1.2, 0.3, 1.0, -0.7};
    const tr::wayPoint_S target = fk(q);
    tr::wayPoint_S out;
    ASSERT_EQ(RobotUtilService::robotIk(q, target.cartPos.position, target.orientation, out), 0);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(out.jointpos[j], q[j], 1e-9);

    std::vector<tr::wayPoint_S> all{target};
    ASSERT_EQ(RobotUtilService::robotIk(target.cartPos.position, target.orientation, all), 0);
    ASSERT_GE(all.size(), 2u);
    for (const tr::wayPoint_S& wp : all) {
        EXPECT_NEAR(wp.cartPos.position.x, target.cartPos.position.x, 1e-4);
        EXPECT_NEAR(wp.cartPos.position.z, target.cartPos.position.z, 1e-4);
    }

    const tr::Pos far{3.0, 0, 0};
    EXPECT_EQ(RobotUtilService::robotIk(far, target.orientation, all), 0);
    EXPECT_TRUE(all.empty());
    EXPECT_EQ(RobotUtilService::robotIk(q, far, target.orientation, out), tr::ErrCode_IkFailed);
    EXPECT_TRUE(log.contains(tr::LL_ERROR, "sdk log: call robotIk error."));
}

TEST_F(UtilService, IkBasedOnTcp) {
    const double q[6] = {0.2, -0.4, 1.1, 0.5, 0.9, 0.3};
    const tr::wayPoint_S flange = fk(q);
    const tr::ToolInEndDesc t = tool(0.02, 0.01, 0.15, 0.4);
    tr::Pos tipPos;
    tr::Ori tipOri;
    RobotUtilService::base2BaseAdditionalTool(flange.cartPos.position, flange.orientation, t,
                                              tipPos, tipOri);
    tr::wayPoint_S out;
    ASSERT_EQ(RobotUtilService::robotServiceIkBasedOnTcp(q, tipPos, tipOri, t, out), 0);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(out.jointpos[j], q[j], 1e-9);

    tr::Rpy rpy;
    RobotUtilService::quaternionToRPY(tipOri, rpy);
    ASSERT_EQ(RobotUtilService::robotServiceIkBasedOnTcp(q, tipPos, rpy, t, out), 0);
    for (int j = 0; j < 6; ++j)
        EXPECT_NEAR(out.jointpos[j], q[j], 1e-4);  // single-precision angles

    const tr::Ori zero{0, 0, 0, 0};
    EXPECT_EQ(RobotUtilService::robotServiceIkBasedOnTcp(q, tipPos, zero, t, out),
              tr::ErrCode_UserToBaseConvertFailed);
}

TEST_F(UtilService, JointStringToWaypoint) {
    struct Case {
        const char* text;
        bool ok;  // six finite numbers, one separator each, nothing after
    };
    const double expected[6] = {0.1, -0.2, 0.3, 0.4, 0.5, 0.6};
    const Case cases[] = {
        {"0.1,-0.2,0.3,0.4,0.5,0.6", true},      {"0.1 -0.2\t0.3;0.4,+0.5,6e-1", true},
        {"0.1,-0.2,0.3,0.4,0.5,0.6 \t\r", true}, {"0.1,-0.2,0.3", false},
        {"0.1,x,0.3,0.4,0.5,0.6", false},        {"", false},
        {"0.1,nan,0.3,0.4,0.5,0.6", false},      {"0.1,-0.2,0.3,0.4,0.5,inf", false},
        {"0.1,,0.3,0.4,0.5,0.6", false},         {"0.1, -0.2,0.3,0.4,0.5,0.6", false},
        {"0.1,-0.2,0.3,0.4,0.5,0.6,0.7", false}, {"0.1,-0.2,0.3,0.4,0.5,0.6x", false},
        {" 0.1,-0.2,0.3,0.4,0.5,0.6", false},
    };
    const tr::wayPoint_S reference = fk(expected);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        tr::wayPoint_S wp;
        ASSERT_EQ(RobotUtilService::jointStringToWaypoint(c.text, wp), c.ok);
        if (!c.ok) {
            // Nothing half-read is left behind.
            for (int j = 0; j < 6; ++j) EXPECT_EQ(wp.jointpos[j], 0.0);
            continue;
        }
        for (int j = 0; j < 6; ++j) EXPECT_EQ(wp.jointpos[j], expected[j]);
        EXPECT_EQ(wp.cartPos.position.x, reference.cartPos.position.x);
        EXPECT_EQ(wp.orientation.w, reference.orientation.w);
    }
}

TEST_F(UtilService, FullTurnFlagSettersLog) {
    RobotUtilService::setJoint6Rot360(true);
    EXPECT_TRUE(Ikfunc::joint6Rot360);
    RobotUtilService::setJoint1Rot360(false);
    EXPECT_FALSE(Ikfunc::joint1Rot360);
    EXPECT_TRUE(log.contains(tr::LL_INFO, "sdk log: enable joint6 360."));
    EXPECT_TRUE(log.contains(tr::LL_INFO, "sdk log: disenable joint1 360."));
}

TEST_F(UtilService, SetRobotDhParamLoadsModel) {
    const tr::RobotDhPara dh{0.48, 0.37, 0.163, 0.191, 0.1175, 0.1035};
    RobotUtilService::setRobotDhParam(8, dh);
    EXPECT_EQ(getRobotType(), 8);
    double A3, A4, D1, D2, D5, D6;
    getDhPara(A3, A4, D1, D2, D5, D6, nullptr);
    EXPECT_EQ(A4, 0.37);
    EXPECT_EQ(D6, 0.1035);
}

namespace {

// Flange waypoints of random orientation whose tool point sits at w.
std::vector<tr::wayPoint_S> touching(std::mt19937_64& rng, int count, const tr::ToolInEndDesc& t,
                                     const tr::Pos& w) {
    std::vector<tr::wayPoint_S> v;
    for (int k = 0; k < count; ++k) {
        double R[9];
        kintest::randomRotation(rng, R);
        tr::Ori q;
        RobotUtilService::oriMatrixToQuaternion(R, q);
        tr::Pos tip;
        tr::Ori tipOri;
        RobotUtilService::base2BaseAdditionalTool(tr::Pos{0, 0, 0}, q, t, tip, tipOri);
        tr::wayPoint_S wp{};
        wp.cartPos.position = tr::Pos{w.x - tip.x, w.y - tip.y, w.z - tip.z};
        wp.orientation = q;
        v.push_back(wp);
    }
    return v;
}

// Two flange waypoints for the "axis pointed down" methods: in each, the named
// tool axis points along -z of the base.
std::vector<tr::wayPoint_S> pointingDown(const tr::ToolInEndDesc& t, int method) {
    std::vector<tr::wayPoint_S> v;
    double Q[9];
    Ikfunc::QuaternionToOriMatrix(Ori{t.toolInEndOrientation.w, t.toolInEndOrientation.x,
                                      t.toolInEndOrientation.y, t.toolInEndOrientation.z},
                                  Q);
    for (int axis : {method % 3, (method + 1) % 3}) {
        double down[9], Qt[9], R[9];
        if (axis == 0) kintest::rotAxis(1, kPi / 2, down);
        if (axis == 1) kintest::rotAxis(0, -kPi / 2, down);
        if (axis == 2) kintest::rotAxis(0, kPi, down);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) Qt[3 * r + c] = Q[3 * c + r];
        kintest::matMul(down, Qt, R);
        tr::wayPoint_S wp{};
        RobotUtilService::oriMatrixToQuaternion(R, wp.orientation);
        wp.cartPos.position = tr::Pos{0.3, 0.1, 0.4};
        v.push_back(wp);
    }
    return v;
}

}  // namespace

TEST_F(UtilService, ToolCalibration) {
    std::mt19937_64 rng(71);
    const tr::ToolInEndDesc t = tool(0.01, -0.03, 0.18, 0.5);
    const tr::Pos w{0.4, 0.1, 0.2};
    const std::vector<tr::wayPoint_S> four = touching(rng, 4, t, w);
    const std::vector<tr::wayPoint_S> three = touching(rng, 3, t, w);
    const std::vector<tr::wayPoint_S> down4 = pointingDown(t, 4);
    const std::vector<tr::wayPoint_S> none;

    tr::ToolInEndDesc out;
    // Counts and methods that do not fit.
    EXPECT_EQ(RobotUtilService::toolCalibration(four, down4,
                                                tr::ToolKinematicsOriCalibrateMathod_yOyz, out),
              tr::ErrCode_ToolCalibrateParamError);
    EXPECT_TRUE(log.contains(tr::LL_ERROR,
                             "sdk log: toolCalibration\xE3\x80\x80"
                             "error, param error."));
    EXPECT_EQ(RobotUtilService::toolCalibration(three, none,
                                                tr::ToolKinematicsOriCalibrateMathod_Invalid, out),
              tr::ErrCode_ToolCalibrateParamError);

    // Position only.
    ASSERT_EQ(RobotUtilService::toolCalibration(four, none,
                                                tr::ToolKinematicsOriCalibrateMathod_Invalid, out),
              0);
    expectPose(out.toolInEndPosition, out.toolInEndOrientation, t.toolInEndPosition,
               tr::Ori{1, 0, 0, 0}, 1e-9);
    ASSERT_EQ(RobotUtilService::toolCalibration(four, 3, out), 0);
    EXPECT_NEAR(out.toolInEndPosition.z, 0.18, 1e-9);
    EXPECT_EQ(RobotUtilService::toolCalibration(three, 3, out), tr::ErrCode_ToolCalibrateError);
    EXPECT_TRUE(log.contains(tr::LL_ERROR, "sdk log: call toolCalibration error."));

    // Position and orientation (tool y axis, then z axis pointed down).
    ASSERT_EQ(RobotUtilService::toolCalibration(
                  four, down4, tr::ToolKinematicsOriCalibrateMathod_TyRBz_TyzPBzAndTzABnz, out),
              0);
    expectPose(out.toolInEndPosition, out.toolInEndOrientation, t.toolInEndPosition,
               t.toolInEndOrientation, 1e-9);

    // Same orientation in every pose: the tool point cannot be found.
    std::vector<tr::wayPoint_S> same(4, four[0]);
    EXPECT_EQ(RobotUtilService::toolCalibration(same, none,
                                                tr::ToolKinematicsOriCalibrateMathod_Invalid, out),
              tr::ErrCode_ToolCalibrateError);
    EXPECT_TRUE(log.contains(tr::LL_ERROR, "sdk log: Call ikfun api_tool_coord_calib failed."));
}

TEST_F(UtilService, CoordinateSystemCalibrationChecks) {
    std::mt19937_64 rng(81);
    tr::CoordCalibrateByJointAngleAndTool frame = userFrame(rng, 3, tool(0, 0, 0.1, 0));
    EXPECT_EQ(RobotUtilService::checkCoordinateSystemCalibration(frame), 0);

    struct Case {
        const char* what;
        void (*change)(tr::CoordCalibrateByJointAngleAndTool&);
        int expected;
        const char* logLine;
    };
    const Case cases[] = {
        {"base frame",
         [](tr::CoordCalibrateByJointAngleAndTool& f) { f.coordType = tr::BaseCoordinate; },
         tr::ErrCode_ParamError,
         "sdk log: Coordinate system calibration\xE3\x80\x80param error, "
         "coordType!=WorldCoordinate."},
        {"unknown method",
         [](tr::CoordCalibrateByJointAngleAndTool& f) {
             f.methods = static_cast<tr::CoordCalibrateMathod>(9);
         },
         tr::ErrCode_CoordinateSystemCalibrateError,
         "sdk log: call ikFun api_user_coord_calib failed."},
        {"method number that wraps onto a valid one in a byte",
         [](tr::CoordCalibrateByJointAngleAndTool& f) {
             f.methods = static_cast<tr::CoordCalibrateMathod>(256 + 3);
         },
         tr::ErrCode_CoordinateSystemCalibrateError,
         "sdk log: call ikFun api_user_coord_calib failed."},
        {"coincident points",
         [](tr::CoordCalibrateByJointAngleAndTool& f) { f.wayPointArray[2] = f.wayPointArray[0]; },
         tr::ErrCode_CoordinateSystemCalibrateError,
         "sdk log: call ikFun api_user_coord_calib failed."},
    };
    for (const Case& c : cases) {
        tr::CoordCalibrateByJointAngleAndTool f = frame;
        c.change(f);
        EXPECT_EQ(RobotUtilService::checkCoordinateSystemCalibration(f), c.expected) << c.what;
        EXPECT_TRUE(log.contains(tr::LL_ERROR, c.logLine)) << c.what;
    }
}

TEST_F(UtilService, DegenerateFrameFailsEveryConversion) {
    // Three taught points at one place: the same arm pose, once with only
    // joint 6 turned, which does not move the flange centre.
    tr::CoordCalibrateByJointAngleAndTool f;
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(f);
    f.coordType = tr::WorldCoordinate;
    f.methods = tr::Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOYPlane;
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    for (auto& set : f.wayPointArray) std::memcpy(set.jointPos, q, sizeof(q));
    f.wayPointArray[1].jointPos[5] = 1.0;
    const tr::Pos p{0.1, 0.2, 0.3};
    const tr::Ori o{1, 0, 0, 0};
    const tr::ToolInEndDesc none{{0, 0, 0}, {1, 0, 0, 0}};
    tr::Pos outP;
    tr::Ori outO;
    EXPECT_EQ(RobotUtilService::base2UserCoordinate(p, o, f, none, outP, outO),
              tr::ErrCode_BaseToUserConvertFailed);
    EXPECT_EQ(RobotUtilService::user2BaseCoordinate(p, o, f, none, outP, outO),
              tr::ErrCode_UserToBaseConvertFailed);
    tr::Pos base;
    EXPECT_EQ(RobotUtilService::userCoordPoint2BasePoint(p, f, base),
              tr::ErrCode_UserToBaseConvertFailed);
    const tr::wayPoint_S first = fk(q);
    tr::Pos rp;
    tr::Ori ro;
    EXPECT_FALSE(RobotUtilService::relativeMoveAndRot(first, f, none, p, o, rp, ro));
}

TEST_F(UtilService, UnknownFrameReferenceIsRefusedByUserToBase) {
    // A reference outside the enumeration must not be taken for a user frame
    // converted in the base-to-user direction.
    std::mt19937_64 rng(95);
    tr::CoordCalibrateByJointAngleAndTool frame = userFrame(rng, 4, tool(0, 0, 0.1, 0));
    frame.coordType = static_cast<tr::coordinate_refer>(3);
    const tr::Pos p{0.1, 0.2, 0.3};
    const tr::Ori o{1, 0, 0, 0};
    const tr::ToolInEndDesc none{{0, 0, 0}, {1, 0, 0, 0}};
    tr::Pos outP{7, 7, 7};
    tr::Ori outO{7, 7, 7, 7};
    EXPECT_EQ(RobotUtilService::user2BaseCoordinate(p, o, frame, none, outP, outO),
              tr::ErrCode_UserToBaseConvertFailed);
    EXPECT_EQ(outP.x, 7);
    EXPECT_EQ(outO.w, 7);
}

TEST_F(UtilService, ConversionsRefuseMethodNumbersBeyondTheByteRange) {
    std::mt19937_64 rng(97);
    tr::CoordCalibrateByJointAngleAndTool frame = userFrame(rng, 3, tool(0, 0, 0.1, 0));
    frame.methods = static_cast<tr::CoordCalibrateMathod>(256 + 3);
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    const tr::wayPoint_S flange = fk(q);
    const tr::ToolInEndDesc none{{0, 0, 0}, {1, 0, 0, 0}};
    tr::Pos p;
    tr::Ori o;
    EXPECT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                    frame, none, p, o),
              tr::ErrCode_BaseToUserConvertFailed);
    EXPECT_EQ(RobotUtilService::user2BaseCoordinate(flange.cartPos.position, flange.orientation,
                                                    frame, none, p, o),
              tr::ErrCode_UserToBaseConvertFailed);
    EXPECT_FALSE(RobotUtilService::relativeMoveAndRot(flange, frame, none, tr::Pos{0.01, 0, 0},
                                                      tr::Ori{1, 0, 0, 0}, p, o));
}

TEST_F(UtilService, UserFrameRoundTrip) {
    std::mt19937_64 rng(91);
    for (int method = 0; method <= 8; ++method) {
        const tr::CoordCalibrateByJointAngleAndTool frame =
            userFrame(rng, method, tool(0.01, 0, 0.1, 0.3));
        const tr::ToolInEndDesc t = tool(0.02, -0.01, 0.15, -0.6);
        double q[6];
        randomAngles(rng, q);
        const tr::wayPoint_S flange = fk(q);
        tr::Pos userP, baseP;
        tr::Ori userO, baseO;
        ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                        frame, t, userP, userO),
                  0);
        ASSERT_EQ(RobotUtilService::user2BaseCoordinate(userP, userO, frame, t, baseP, baseO), 0);
        if (method >= 3) {
            expectPose(baseP, baseO, flange.cartPos.position, flange.orientation, 1e-12);
        }
    }
}

TEST_F(UtilService, BaseAndEndFrames) {
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    const tr::wayPoint_S flange = fk(q);
    const tr::ToolInEndDesc t = tool(0.02, 0.01, 0.15, 0.4);
    tr::CoordCalibrateByJointAngleAndTool frame;
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(frame);

    // Base frame: the tool end in base, and back.
    tr::Pos p, p2;
    tr::Ori o, o2;
    ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                    frame, t, p, o),
              0);
    tr::wayPoint_S tipWp;
    RobotUtilService::base2BaseAdditionalTool(flange, t, tipWp);
    expectPose(p, o, tipWp.cartPos.position, tipWp.orientation, 1e-15);
    for (int j = 0; j < 6; ++j) EXPECT_EQ(tipWp.jointpos[j], q[j]);
    ASSERT_EQ(RobotUtilService::user2BaseCoordinate(p, o, frame, t, p2, o2), 0);
    expectPose(p2, o2, flange.cartPos.position, flange.orientation, 1e-12);

    // End frame: the tool itself, or the tool frame's origin.
    frame.coordType = tr::EndCoordinate;
    ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                    frame, t, p, o),
              0);
    expectPose(p, o, t.toolInEndPosition, t.toolInEndOrientation, 0);
    frame.toolDesc = t;
    ASSERT_EQ(RobotUtilService::base2UserCoordinate(flange.cartPos.position, flange.orientation,
                                                    frame, t, p, o),
              0);
    expectPose(p, o, tr::Pos{0, 0, 0}, tr::Ori{1, 0, 0, 0}, 0);
    EXPECT_EQ(RobotUtilService::user2BaseCoordinate(p, o, frame, t, p2, o2),
              tr::ErrCode_ParamError);
    EXPECT_TRUE(log.contains(
        tr::LL_ERROR, "sdk log: user2BaseCoordinate() Does not support end coordinate systems."));
    tr::Pos base;
    EXPECT_EQ(RobotUtilService::userCoordPoint2BasePoint(p, frame, base), tr::ErrCode_ParamError);
    EXPECT_TRUE(log.contains(tr::LL_ERROR, "sdk log:Does not support end coordinate systems."));
    const double v[3] = {1, 2, 3};
    double vb[3];
    EXPECT_EQ(RobotUtilService::offsetVectorUserCoord2Base(v, frame, vb), tr::ErrCode_ParamError);
}

TEST_F(UtilService, UserPointsAndOffsets) {
    std::mt19937_64 rng(101);
    const tr::CoordCalibrateByJointAngleAndTool frame = userFrame(rng, 4, tool(0, 0, 0.1, 0));
    double bInWPos[3], M[9], wInBPos[3];
    ASSERT_EQ(RobotUtilService::coordinateSystemCalibration(frame, bInWPos, M, wInBPos), 0);
    const double v[3] = {0.1, -0.2, 0.3};
    double vb[3];
    ASSERT_EQ(RobotUtilService::offsetVectorUserCoord2Base(v, frame, vb), 0);
    tr::Pos origin;
    ASSERT_EQ(RobotUtilService::userCoordPoint2BasePoint(tr::Pos{0, 0, 0}, frame, origin), 0);
    EXPECT_NEAR(origin.x, wInBPos[0], 1e-12);
    EXPECT_NEAR(origin.z, wInBPos[2], 1e-12);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(vb[i], M[i] * v[0] + M[3 + i] * v[1] + M[6 + i] * v[2], 1e-12);  // M^T v
    }
    tr::CoordCalibrateByJointAngleAndTool base;
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(base);
    ASSERT_EQ(RobotUtilService::offsetVectorUserCoord2Base(v, base, vb), 0);
    EXPECT_EQ(vb[1], -0.2);
}

TEST_F(UtilService, RelativeMoves) {
    std::mt19937_64 rng(111);
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    const tr::wayPoint_S first = fk(q);
    const Frame F{first.cartPos.position, first.orientation};
    const Frame delta{{0.01, -0.02, 0.03}, {std::cos(0.1), 0, 0, std::sin(0.1)}};
    const tr::ToolInEndDesc noTool{{0, 0, 0}, {1, 0, 0, 0}};
    const tr::ToolInEndDesc realTool = tool(0.0, 0.02, 0.2, 0.3);
    tr::Pos rp;
    tr::Ori ro;

    tr::CoordCalibrateByJointAngleAndTool coord;
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(coord);
    ASSERT_TRUE(
        RobotUtilService::relativeMoveAndRot(first, coord, realTool, delta.p, delta.q, rp, ro));
    expectPose(rp, ro, delta.p, delta.q, 0);

    // Flange frame without tools: the move is F o delta o F^-1, so applying it
    // to F gives F o delta.
    coord.coordType = tr::EndCoordinate;
    ASSERT_TRUE(
        RobotUtilService::relativeMoveAndRot(first, coord, noTool, delta.p, delta.q, rp, ro));
    EXPECT_GE(ro.w, 0.0);
    Frame moved = compose(Frame{rp, ro}, F);
    Frame expected = compose(F, delta);
    expectPose(moved.p, moved.q, expected.p, expected.q, 1e-12);

    // Flange frame with a real tool only: absolute target marked by w + 6.
    ASSERT_TRUE(
        RobotUtilService::relativeMoveAndRot(first, coord, realTool, delta.p, delta.q, rp, ro));
    Frame turned = compose(F, Frame{{0, 0, 0}, delta.q});
    EXPECT_NEAR(ro.w, turned.q.w + 6.0, 1e-12);
    // The tool point moved by the offset along the flange axes.
    tr::Pos tipBefore, tipAfter, offsetOnBase;
    tr::Ori unused;
    RobotUtilService::base2BaseAdditionalTool(F.p, F.q, realTool, tipBefore, unused);
    RobotUtilService::base2BaseAdditionalTool(rp, turned.q, realTool, tipAfter, unused);
    RobotUtilService::base2BaseAdditionalTool(
        tr::Pos{0, 0, 0}, F.q, tr::ToolInEndDesc{delta.p, {1, 0, 0, 0}}, offsetOnBase, unused);
    EXPECT_NEAR(tipAfter.x - tipBefore.x, offsetOnBase.x, 1e-12);
    EXPECT_NEAR(tipAfter.z - tipBefore.z, offsetOnBase.z, 1e-12);

    // User frame (orthonormal method): the flange seen from the user frame
    // moves by delta, i.e. U^-1 o (rel o F) = delta o U^-1 o F.
    for (int method = 3; method <= 8; ++method) {
        tr::CoordCalibrateByJointAngleAndTool user =
            userFrame(rng, method, tool(0.01, 0, 0.1, 0.7));
        ASSERT_TRUE(
            RobotUtilService::relativeMoveAndRot(first, user, realTool, delta.p, delta.q, rp, ro));
        tr::Pos before, after;
        tr::Ori beforeO, afterO;
        const Frame movedF = compose(Frame{rp, ro}, F);
        ASSERT_EQ(RobotUtilService::base2UserCoordinate(F.p, F.q, user, noTool, before, beforeO),
                  0);
        ASSERT_EQ(
            RobotUtilService::base2UserCoordinate(movedF.p, movedF.q, user, noTool, after, afterO),
            0);
        const Frame expectedOnUser = compose(delta, Frame{before, beforeO});
        expectPose(after, afterO, expectedOnUser.p, expectedOnUser.q, 1e-9);
    }
}

TEST_F(UtilService, RollPitchYawAndInitialValues) {
    tr::Ori q;
    RobotUtilService::RPYToQuaternion(tr::Rpy{0.1, 0.2, 0.3}, q);
    EXPECT_NEAR(q.w, 0.983347, 1e-6);
    EXPECT_NEAR(q.z, 0.143572, 1e-6);
    tr::Rpy rpy;
    RobotUtilService::quaternionToRPY(q, rpy);
    EXPECT_NEAR(rpy.rx, 0.1, 1e-6);
    EXPECT_NEAR(rpy.ry, 0.2, 1e-6);
    EXPECT_NEAR(rpy.rz, 0.3, 1e-6);

    tr::CoordCalibrateByJointAngleAndTool c;
    std::memset(&c, 0x7f, sizeof(c));
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(c);
    EXPECT_EQ(c.coordType, tr::BaseCoordinate);
    EXPECT_EQ(c.toolDesc.toolInEndOrientation.w, 1.0);
    EXPECT_EQ(c.wayPointArray[2].jointPos[5], 0.0);
    tr::MoveRelative m;
    RobotUtilService::initMoveRelativeDataType(m);
    EXPECT_FALSE(m.ena);
    EXPECT_EQ(m.relativeOri.w, 1.0);
    tr::ToolDynamicsParam d;
    std::memset(&d, 0x7f, sizeof(d));
    RobotUtilService::initToolDynamicsParamDataType(d);
    EXPECT_EQ(d.payload, 0.0);
    EXPECT_EQ(d.toolInertia.zz, 0.0);
}

TEST_F(UtilService, OrientationHelpers) {
    tr::Ori tcp{std::cos(0.3), std::sin(0.3), 0, 0};
    const tr::Ori end{std::cos(0.2), 0, 0, std::sin(0.2)};
    tr::Ori toolOri, back;
    RobotUtilService::endOrientation2ToolOrientation(tcp, end, toolOri);
    RobotUtilService::toolOrientation2EndOrientation(tcp, toolOri, back);
    expectPose(tr::Pos{0, 0, 0}, back, tr::Pos{0, 0, 0}, end, 1e-15);

    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    const tr::wayPoint_S flange = fk(q);
    tr::Pos basePos, tip;
    tr::Ori unused;
    RobotUtilService::endPosition2BasePosition(flange, tr::Pos{0, 0, 0.1}, basePos, tcp);
    RobotUtilService::base2BaseAdditionalTool(
        flange.cartPos.position, flange.orientation,
        tr::ToolInEndDesc{{0, -0.1 * std::sin(0.6), 0.1 * std::cos(0.6)}, {1, 0, 0, 0}}, tip,
        unused);
    EXPECT_NEAR(basePos.x, tip.x, 1e-12);
    EXPECT_NEAR(basePos.y, tip.y, 1e-12);
    EXPECT_NEAR(basePos.z, tip.z, 1e-12);
}

TEST(WaypointConvert, CopiesEveryField) {
    tr::wayPoint_S pub;
    for (int i = 0; i < 3; ++i) pub.cartPos.positionVector[i] = i + 1;
    pub.orientation = tr::Ori{0.5, 0.5, 0.5, 0.5};
    for (int j = 0; j < 6; ++j) pub.jointpos[j] = 10 + j;
    ::wayPoint_S core;
    TevoWayPointToikFunRoadPint(pub, core);
    tr::wayPoint_S back;
    ikFunRoadPintToTevoWayPoint(core, back);
    // Doubles only, no padding: equal bytes mean every field came back exactly.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    EXPECT_EQ(std::memcmp(&pub, &back, sizeof(pub)), 0);
    EXPECT_EQ(core.jointpos[5], 15);
    EXPECT_EQ(core.orientation.y, 0.5);
}
