// The global move profile without a controller: setter bounds, reset, the
// global waypoint list and the rules that build each move's profile.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDefaultJoint = 0.4363323129985824;

struct LogLines {
    std::mutex mutex;
    std::vector<std::string> lines;
};

void captureLog(LOG_LEVEL, const char* text, void* arg) {
    auto* log = static_cast<LogLines*>(arg);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->lines.emplace_back(text);
}

wayPoint_S waypointAt(double x, double y, double z) {
    wayPoint_S wp{};
    wp.cartPos.position = {x, y, z};
    wp.orientation = {1, 0, 0, 0};
    return wp;
}

class ProfileTest : public ::testing::Test {
protected:
    // The profile is process-wide: every test starts from the defaults.
    void SetUp() override {
        facade_.robotServiceInitGlobalMoveProfile();
        facade_.robotServiceSetNoneToolKinematicsParam();
        facade_.robotServiceSetJerkAccRatio(0.5);
    }

    RobotMoveProfile build(move_mode mode, move_track sub, teach_mode teach = NO_TEACH) {
        RobotMoveProfile p;
        move_.getCurrentMoveProfileRemoveOffset(mode, sub, teach, p);
        return p;
    }

    ServiceInterface facade_;
    RobotMoveService move_{nullptr};  // profile operations never reach the controller
};

TEST_F(ProfileTest, ScalarSettersRefuseOutOfRangeAndKeepThePreviousValue) {
    struct Case {
        const char* name;
        std::function<int(double)> set;
        std::function<double()> get;
        double valid;
        std::vector<double> accepted;
        std::vector<double> refused;
    };
    ServiceInterface& f = facade_;
    auto getter = [&f](void (ServiceInterface::*g)(double&)) {
        return [&f, g] {
            double v = 0;
            (f.*g)(v);
            return v;
        };
    };
    const std::vector<double> alwaysRefused = {0.0, -0.01, kNaN, kInf, -kInf};
    auto with = [&](std::vector<double> extra) {
        extra.insert(extra.end(), alwaysRefused.begin(), alwaysRefused.end());
        return extra;
    };
    const Case cases[] = {
        {"line acc",
         [&](double v) { return f.robotServiceSetGlobalMoveEndMaxLineAcc(v); },
         getter(&ServiceInterface::robotServiceGetGlobalMoveEndMaxLineAcc),
         1.0,
         {80.01, 1e-9},
         with({80.02})},
        {"line velc",
         [&](double v) { return f.robotServiceSetGlobalMoveEndMaxLineVelc(v); },
         getter(&ServiceInterface::robotServiceGetGlobalMoveEndMaxLineVelc),
         0.5,
         {5.01},
         with({5.02})},
        {"angle acc",
         [&](double v) { return f.robotServiceSetGlobalMoveEndMaxAngleAcc(v); },
         getter(&ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleAcc),
         1.0,
         {3.141767186514992},
         with({3.1418})},
        {"angle velc",
         [&](double v) { return f.robotServiceSetGlobalMoveEndMaxAngleVelc(v); },
         getter(&ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleVelc),
         1.0,
         {3.141767186514992},
         with({3.1418})},
        {"jerk ratio",
         [&](double v) { return f.robotServiceSetJerkAccRatio(v); },
         getter(&ServiceInterface::robotServiceGetJerkAccRatio),
         0.25,
         {0.0, 1.0},
         {-0.1, 1.00001, kNaN, kInf}},
        {"blend radius",
         [&](double v) { return f.robotServiceSetGlobalBlendRadius(static_cast<float>(v)); },
         [&f] { return static_cast<double>(f.robotServiceGetGlobalBlendRadius()); },
         0.01,
         {0.05},
         with({0.0501})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (double v : c.accepted) {
            EXPECT_EQ(c.set(v), ErrnoSucc) << v;
            EXPECT_FLOAT_EQ(static_cast<float>(c.get()), static_cast<float>(v));
        }
        ASSERT_EQ(c.set(c.valid), ErrnoSucc);
        for (double v : c.refused) {
            EXPECT_EQ(c.set(v), ErrCode_ParamError) << v;
            EXPECT_FLOAT_EQ(static_cast<float>(c.get()), static_cast<float>(c.valid)) << v;
        }
    }
}

TEST_F(ProfileTest, JointLimitsAreStoredWholeOrNotAtAll) {
    LogLines log;
    facade_.robotServiceRegisterLogPrintCallback(captureLog, &log);

    JointVelcAccParam top;
    for (double& v : top.jointPara) v = 8.7268;
    ASSERT_EQ(facade_.robotServiceSetGlobalMoveJointMaxVelc(top), ErrnoSucc);

    struct Case {
        int joint;
        double velc, acc;  // one refused value for each limit
    };
    const Case refused[] = {
        {0, 0.0, 0.0}, {3, 8.7269, 167.56}, {5, kNaN, kNaN}, {2, -1.0, -1.0}, {1, kInf, kInf}};
    for (const Case& c : refused) {
        JointVelcAccParam bad = {{1, 1, 1, 1, 1, 1}};
        bad.jointPara[c.joint] = c.velc;
        EXPECT_EQ(facade_.robotServiceSetGlobalMoveJointMaxVelc(bad), ErrCode_ParamError);
        bad.jointPara[c.joint] = c.acc;
        EXPECT_EQ(facade_.robotServiceSetGlobalMoveJointMaxAcc(bad), ErrCode_ParamError);
        JointVelcAccParam now;
        facade_.robotServiceGetGlobalMoveJointMaxVelc(now);
        for (double v : now.jointPara) EXPECT_EQ(v, 8.7268);
        facade_.robotServiceGetGlobalMoveJointMaxAcc(now);
        for (double v : now.jointPara) EXPECT_EQ(v, kDefaultJoint);
    }

    JointVelcAccParam acc = {{1, 2, 3, 167.55178272438084, 5, 6}};
    EXPECT_EQ(facade_.robotServiceSetGlobalMoveJointMaxAcc(acc), ErrnoSucc);
    acc.jointPara[4] = 167.56;
    EXPECT_EQ(facade_.robotServiceSetGlobalMoveJointMaxAcc(acc), ErrCode_ParamError);
    facade_.robotServiceRegisterLogPrintCallback(nullptr, nullptr);
    // The first offending acceleration is logged.
    bool logged = false;
    for (const auto& l : log.lines) logged |= l == "user moveMaxAcc=167.560000";
    EXPECT_TRUE(logged);
}

TEST_F(ProfileTest, ResetKeepsToolAndJerkRatio) {
    ToolInEndDesc tool{{0.01, 0.02, 0.15}, {1, 0, 0, 0}};
    ASSERT_EQ(facade_.robotServiceSetToolKinematicsParam(tool), ErrnoSucc);
    ASSERT_EQ(facade_.robotServiceSetJerkAccRatio(0.8), ErrnoSucc);
    ASSERT_EQ(facade_.robotServiceSetGlobalBlendRadius(0.04f), ErrnoSucc);
    ASSERT_EQ(facade_.robotServiceSetGlobalMoveEndMaxLineVelc(1.0), ErrnoSucc);
    facade_.robotServiceSetGlobalCircularLoopTimes(3);
    facade_.robotServiceSetTrackPlaybackCycle(0.5);
    facade_.robotServiceSetArrivalAheadTimeMode(0.2);
    ASSERT_EQ(facade_.robotServiceAddGlobalWayPoint(waypointAt(0, 0, 0)), ErrnoSucc);

    EXPECT_EQ(facade_.robotServiceInitGlobalMoveProfile(), ErrnoSucc);

    ToolInEndDesc after;
    facade_.robotServiceGetToolKinematicsParam(after);
    EXPECT_EQ(after.toolInEndPosition.z, 0.15);
    double jerk = 0, line = 0;
    facade_.robotServiceGetJerkAccRatio(jerk);
    EXPECT_EQ(jerk, 0.8);
    facade_.robotServiceGetGlobalMoveEndMaxLineVelc(line);
    EXPECT_EQ(line, 0.03);
    EXPECT_FLOAT_EQ(facade_.robotServiceGetGlobalBlendRadius(), 0.02f);
    EXPECT_EQ(facade_.robotServiceGetGlobalCircularLoopTimes(), 0);
    EXPECT_EQ(facade_.robotServiceGetTrackPlaybackCycle(), 0.1);
    std::vector<wayPoint_S> list;
    facade_.robotServiceGetGlobalWayPointVector(list);
    EXPECT_TRUE(list.empty());
    const RobotMoveProfile p = build(MODEJ, NO_TRACK);
    EXPECT_EQ(p.arrivalAhead.arrivalAheadStat, arrival_ahead_none);
    EXPECT_TRUE(p.toolTrack);  // the tool survives the reset
}

TEST_F(ProfileTest, WaypointListMergesPointsOnOneStraightLine) {
    struct Case {
        const char* name;
        std::vector<std::array<double, 3>> added;
        std::vector<std::array<double, 3>> kept;
    };
    const Case cases[] = {
        {"middle point merged", {{0, 0, 0}, {0.1, 0, 0}, {0.2, 0, 0}}, {{0, 0, 0}, {0.2, 0, 0}}},
        {"a turn keeps all",
         {{0, 0, 0}, {0.1, 0, 0}, {0.2, 0, 0}, {0.2, 0.1, 0}},
         {{0, 0, 0}, {0.2, 0, 0}, {0.2, 0.1, 0}}},
        {"a repeated point stays",
         {{0, 0, 0}, {0.1, 0, 0}, {0.1, 0, 0}},
         {{0, 0, 0}, {0.1, 0, 0}, {0.1, 0, 0}}},
        // Turning back on the same line: the far point is where the path turns.
        {"a reversal keeps its turning point",
         {{0, 0, 0}, {0.2, 0, 0}, {0.1, 0, 0}},
         {{0, 0, 0}, {0.2, 0, 0}, {0.1, 0, 0}}},
        {"long straight runs collapse",
         {{0, 0, 0}, {0, 0, 0.1}, {0, 0, 0.2}, {0, 0, 0.3}},
         {{0, 0, 0}, {0, 0, 0.3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        facade_.robotServiceClearGlobalWayPointVector();
        for (const auto& p : c.added)
            ASSERT_EQ(facade_.robotServiceAddGlobalWayPoint(waypointAt(p[0], p[1], p[2])),
                      ErrnoSucc);
        std::vector<wayPoint_S> list(7);  // the getter replaces what was there
        facade_.robotServiceGetGlobalWayPointVector(list);
        ASSERT_EQ(list.size(), c.kept.size());
        for (size_t i = 0; i < list.size(); ++i) {
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(list[i].cartPos.positionVector[k], c.kept[i][k]) << i;
        }
    }
}

TEST_F(ProfileTest, WaypointListHoldsAtMost54000Points) {
    for (int i = 0; i < 54000; ++i) {
        // A zigzag: no three consecutive points on one line.
        ASSERT_EQ(facade_.robotServiceAddGlobalWayPoint(waypointAt(i * 1e-5, (i % 2) * 1e-3, 0)),
                  ErrnoSucc);
    }
    EXPECT_EQ(facade_.robotServiceAddGlobalWayPoint(waypointAt(1, 1, 1)),
              ErrCode_MotionWaypointVetorSizeError);
    std::vector<wayPoint_S> list;
    facade_.robotServiceGetGlobalWayPointVector(list);
    EXPECT_EQ(list.size(), 54000u);
    EXPECT_EQ(list.back().cartPos.position.x, 53999 * 1e-5);
}

TEST_F(ProfileTest, ArcAndCircleModesAreRewrittenForTheController) {
    facade_.robotServiceSetGlobalCircularLoopTimes(4);
    struct Case {
        move_track requested;
        float blendRadius;
        int loops;
    };
    const Case cases[] = {
        {ARC, 1.0f, 0},
        {CIRCLE, 1.0f, 4},
        {ARC_ORI_ROTATED, -1.0f, 0},
        {CIRCLE_ORI_ROTATED, -1.0f, 1},
        {ORI_POSITION_ROTATE_CIRCUMFERENCE, -1.0f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.requested));
        const RobotMoveProfile p = build(MODEP, c.requested);
        EXPECT_EQ(p.subMoveMode, ARC_CIR);
        EXPECT_EQ(p.blendRadius, c.blendRadius);
        EXPECT_EQ(p.circularLoopTimes, c.loops);
        // Cartesian limits: line then angle, the rest untouched.
        EXPECT_EQ(p.maxVelc.cartPara[0], 0.03);
        EXPECT_EQ(p.maxVelc.cartPara[1], 1.7453292519943295);
        EXPECT_EQ(p.maxAcc.jointPara[2], kDefaultJoint);
    }
    // Outside multi-point moves nothing is rewritten.
    EXPECT_EQ(build(MODEJ, CIRCLE).subMoveMode, CIRCLE);
}

TEST_F(ProfileTest, LimitsFollowTheKindOfMove) {
    JointVelcAccParam velc = {{0.1, 0.2, 0.3, 0.4, 0.5, 0.6}};
    ASSERT_EQ(facade_.robotServiceSetGlobalMoveJointMaxVelc(velc), ErrnoSucc);
    ASSERT_EQ(facade_.robotServiceSetGlobalMoveEndMaxLineVelc(0.25), ErrnoSucc);
    ASSERT_EQ(facade_.robotServiceSetGlobalMoveEndMaxAngleVelc(0.75), ErrnoSucc);
    facade_.robotServiceSetTrackPlaybackCycle(0.004);

    struct Case {
        move_mode mode;
        move_track sub;
        bool joint;
    };
    const Case cases[] = {
        {MODEJ, NO_TRACK, true},
        {MODEL, NO_TRACK, false},
        {MODEP, CARTESIAN_MOVEP, false},
        {MODEP, ARC_CIR, false},
        {MODEP, CARTESIAN_UBSPLINEINTP, false},
        {MODEP, CARTESIAN_GNUBSPLINEINTP, true},
        {MODEP, JOINT_UBSPLINEINTP, true},
        {MODEP, NO_TRACK, true},
        {NO_MOVEMODE, CARTESIAN_MOVEP, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.sub));
        EXPECT_EQ(RobotMoveService::checkIsJointTypeTrack(c.mode, c.sub), c.joint);
        const RobotMoveProfile p = build(c.mode, c.sub);
        if (c.joint) {
            for (int i = 0; i < ARM_DOF; ++i) EXPECT_EQ(p.maxVelc.jointPara[i], velc.jointPara[i]);
        } else {
            EXPECT_EQ(p.maxVelc.jointPara[0], 0.25);
            EXPECT_EQ(p.maxVelc.jointPara[1], 0.75);
            for (int i = 2; i < ARM_DOF; ++i) EXPECT_EQ(p.maxVelc.jointPara[i], kDefaultJoint);
        }
    }
    // A joint B-spline track carries its sampling period as blend radius.
    EXPECT_FLOAT_EQ(build(MODEP, JOINT_UBSPLINEINTP).blendRadius, 0.004f);
    EXPECT_FLOAT_EQ(build(MODEP, CARTESIAN_MOVEP).blendRadius, 0.02f);
}

TEST_F(ProfileTest, ArrivalAheadModesMakeSingleMovesTracking) {
    struct Case {
        std::function<void()> set;
        move_mode mode;
        move_track expected;
        arrival_ahead_state state;
    };
    ServiceInterface& f = facade_;
    const Case cases[] = {
        {[&] { f.robotServiceSetArrivalAheadDistanceMode(0.01); }, MODEJ, TRACKING,
         arrival_ahead_distance},
        {[&] { f.robotServiceSetArrivalAheadTimeMode(0.2); }, MODEL, TRACKING, arrival_ahead_time},
        {[&] { f.robotServiceSetArrivalAheadBlendDistanceMode(0.01); }, MODEJ, NO_TRACK,
         arrival_ahead_blend_distance},
        {[&] { f.robotServiceSetArrivalAheadDistanceMode(0.01); }, MODEP, CARTESIAN_MOVEP,
         arrival_ahead_distance},
        {[&] { f.robotServiceSetNoArrivalAhead(); }, MODEJ, NO_TRACK, arrival_ahead_none},
    };
    for (const Case& c : cases) {
        c.set();
        const RobotMoveProfile p = build(c.mode, c.mode == MODEP ? CARTESIAN_MOVEP : NO_TRACK);
        EXPECT_EQ(p.subMoveMode, c.expected);
        EXPECT_EQ(p.arrivalAhead.arrivalAheadStat, c.state);
    }
}

TEST_F(ProfileTest, GlobalOffsetInTheBaseFrameIsCopiedUnchanged) {
    MoveRelative rel;
    rel.ena = true;
    rel.relativePosition[0] = 0.01f;
    rel.relativePosition[1] = -0.02f;
    rel.relativePosition[2] = 0.03f;
    rel.relativeOri = {0.9238795, 0, 0, 0.3826834};
    ASSERT_EQ(facade_.robotServiceSetMoveRelativeParam(rel), ErrnoSucc);

    RobotMoveProfile p = build(MODEJ, NO_TRACK);
    EXPECT_FALSE(p.relativeMove.ena);  // the profile itself starts without offset
    EXPECT_EQ(move_.modifyOffsetProfileByWaypointAndGlobalOffset(waypointAt(0, 0, 0), p),
              ErrnoSucc);
    EXPECT_TRUE(p.relativeMove.ena);
    EXPECT_EQ(p.relativeMove.relativePosition[1], -0.02f);
    EXPECT_EQ(p.relativeMove.relativeOrientation.orientation.z, 0.3826834);

    rel.ena = false;
    facade_.robotServiceSetMoveRelativeParam(rel);
    p = build(MODEJ, NO_TRACK);
    EXPECT_EQ(move_.modifyOffsetProfileByWaypointAndGlobalOffset(waypointAt(0, 0, 0), p),
              ErrnoSucc);
    EXPECT_FALSE(p.relativeMove.ena);
}

TEST_F(ProfileTest, PerCallProfileTakesNothingFromTheStatics) {
    facade_.robotServiceSetArrivalAheadDistanceMode(0.01);
    facade_.robotServiceSetGlobalCircularLoopTimes(5);
    MoveProfile_t src{};
    for (int i = 0; i < ARM_DOF; ++i) {
        src.jointMaxAcc[i] = 1.0 + i;
        src.jointMaxVelc[i] = 0.1 * (i + 1);
    }
    src.endMaxLineAcc = 0.7;
    src.endMaxLineVelc = 0.3;
    src.blendRadius = 0.015;
    src.relative.ena = false;
    src.relativeOnCoord.coordType = BaseCoordinate;
    src.toolInEndDesc = {{0, 0, 0.2}, {1, 0, 0, 0}};
    wayPoint_S ref = waypointAt(0.3, 0, 0.4);

    RobotMoveProfile joint, line;
    move_.MoveProfileConvert(MODEJ, ref, src, joint);
    move_.MoveProfileConvert(MODEL, ref, src, line);
    for (const RobotMoveProfile* p : {&joint, &line}) {
        EXPECT_EQ(p->subMoveMode, NO_TRACK);
        EXPECT_EQ(p->arrivalAhead.arrivalAheadStat, arrival_ahead_none);
        EXPECT_EQ(p->circularLoopTimes, 0);
        EXPECT_FLOAT_EQ(p->blendRadius, 0.015f);
        EXPECT_EQ(p->toolInEndPosition.position.z, 0.2);
        EXPECT_FALSE(p->toolTrack);
        EXPECT_FALSE(p->relativeMove.ena);
    }
    for (int i = 0; i < ARM_DOF; ++i) EXPECT_EQ(joint.maxAcc.jointPara[i], 1.0 + i);
    EXPECT_EQ(line.maxAcc.cartPara[0], 0.7);
    EXPECT_EQ(line.maxVelc.cartPara[0], 0.3);
    EXPECT_EQ(line.maxVelc.cartPara[1], 1.7453292519943295);

    // A base-frame offset of the call is taken whole.
    src.relative.ena = true;
    src.relative.relativePosition[2] = 0.05f;
    src.relative.relativeOri = {1, 0, 0, 0};
    move_.MoveProfileConvert(MODEL, ref, src, line);
    EXPECT_TRUE(line.relativeMove.ena);
    EXPECT_EQ(line.relativeMove.relativePosition[2], 0.05f);
}

}  // namespace
