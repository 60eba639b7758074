// The facade refuses inputs that must never reach the controller: targets
// holding a NaN or an infinity (every move, waypoint, offline-track and
// streaming entry, and forward kinematics), and a login port outside 1..65535.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "kinematics/logcapture.h"
#include "support/armfixture.h"

using namespace tevo_robot_namespace;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// Command types as the simulator counts them.
constexpr int32_t kRobotMove = 22;
constexpr int32_t kOfflineAppend = 71;
constexpr int32_t kPosData2Canbus = 77;
constexpr int32_t kNone = -1;  // the operation sends nothing of its own

class FacadeInputChecks : public tevo_test::StartedArmFixture {
protected:
    // A reachable pose near the simulator's home, as joints and as a waypoint.
    double joints_[6] = {0.1, -0.2, 1.6, 0.4, 1.5, 0.2};

    wayPoint_S waypoint() {
        wayPoint_S wp;
        EXPECT_EQ(facade_->robotServiceRobotFk(joints_, ARM_DOF, wp), ErrnoSucc);
        return wp;
    }

    static CoordCalibrateByJointAngleAndTool baseFrame() {
        CoordCalibrateByJointAngleAndTool frame{};
        frame.coordType = BaseCoordinate;
        frame.toolDesc.toolInEndOrientation = {1, 0, 0, 0};
        return frame;
    }
};

TEST_F(FacadeInputChecks, NonFiniteTargetsAreRefusedBeforeAnythingIsSent) {
    double nanJoints[6] = {0.1, -0.2, kNaN, 0.4, 1.5, 0.2};
    double infJoints[6] = {0.1, -0.2, 1.6, 0.4, 1.5, -kInf};
    wayPoint_S nanJointWaypoint = waypoint();
    nanJointWaypoint.jointpos[4] = kNaN;
    wayPoint_S infPoseWaypoint = waypoint();
    infPoseWaypoint.cartPos.position.y = kInf;
    wayPoint_S nanOrientationWaypoint = waypoint();
    nanOrientationWaypoint.orientation.w = kNaN;
    MoveProfile_t profile{};
    for (int i = 0; i < 6; ++i) profile.jointMaxAcc[i] = 1.5, profile.jointMaxVelc[i] = 0.9;
    profile.endMaxLineAcc = 0.5;
    profile.endMaxLineVelc = 0.25;
    profile.relativeOnCoord.coordType = BaseCoordinate;
    profile.toolInEndDesc = {{0, 0, 0}, {1, 0, 0, 0}};
    const CoordCalibrateByJointAngleAndTool frame = baseFrame();
    ToolInEndDesc tool{};
    tool.toolInEndOrientation = {1, 0, 0, 0};
    const double nanAxis[3] = {0, 0, kNaN};
    const double axis[3] = {0, 0, 1};
    MoveRelative nanOffset{
        true, {0.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f}, {1, 0, 0, 0}};
    std::vector<wayPoint_S> track{waypoint(), nanJointWaypoint, waypoint()};

    struct Entry {
        const char* name;
        std::function<int()> call;
        int32_t command;
    };
    ServiceInterface& s = *facade_;
    const Entry entries[] = {
        {"joint move, joint angles", [&] { return s.robotServiceJointMove(nanJoints, false); },
         kRobotMove},
        {"joint move, blocking", [&] { return s.robotServiceJointMove(infJoints, true); },
         kRobotMove},
        {"joint move, waypoint", [&] { return s.robotServiceJointMove(nanJointWaypoint, false); },
         kRobotMove},
        {"joint move, waypoint pose",
         [&] { return s.robotServiceJointMove(infPoseWaypoint, false); }, kRobotMove},
        {"joint move, profile", [&] { return s.robotServiceJointMove(profile, nanJoints, false); },
         kRobotMove},
        {"follow mode", [&] { return s.robotServiceFollowModeJointMove(infJoints); }, kRobotMove},
        {"line move, joint angles", [&] { return s.robotServiceLineMove(nanJoints, true); },
         kRobotMove},
        {"line move, waypoint", [&] { return s.robotServiceLineMove(nanJointWaypoint, false); },
         kRobotMove},
        {"line move, profile", [&] { return s.robotServiceLineMove(profile, infJoints, false); },
         kRobotMove},
        {"rotate move, axis", [&] { return s.robotServiceRotateMove(frame, nanAxis, 0.1, false); },
         kRobotMove},
        {"rotate move, angle", [&] { return s.robotServiceRotateMove(frame, axis, kInf, false); },
         kRobotMove},
        {"line to target position",
         [&] {
             return s.robotMoveLineToTargetPosition(frame, Pos{0.3, kNaN, 0.4}, tool, false);
         },
         kRobotMove},
        {"joint to target position",
         [&] {
             return s.robotMoveJointToTargetPosition(frame, Pos{kInf, 0, 0.4}, tool, false);
         },
         kRobotMove},
        {"line by relative offset",
         [&] { return s.robotMoveLineToTargetPositionByRelative(frame, nanOffset, false); },
         kRobotMove},
        {"joint by relative offset",
         [&] { return s.robotMoveJointToTargetPositionByRelative(frame, nanOffset, false); },
         kRobotMove},
        {"global waypoint, joint angles",
         [&] { return s.robotServiceAddGlobalWayPoint(nanJoints); }, kNone},
        {"global waypoint, waypoint",
         [&] { return s.robotServiceAddGlobalWayPoint(nanOrientationWaypoint); }, kNone},
        {"offline track batch", [&] { return s.robotServiceOfflineTrackWaypointAppend(track); },
         kOfflineAppend},
        {"streamed waypoints", [&] { return s.robotServiceSetRobotPosData2Canbus(track); },
         kPosData2Canbus},
        {"streamed joint angles", [&] { return s.robotServiceSetRobotPosData2Canbus(infJoints); },
         kPosData2Canbus},
        {"forward kinematics",
         [&] {
             wayPoint_S out{};
             return s.robotServiceRobotFk(nanJoints, ARM_DOF, out);
         },
         kNone},
    };
    ASSERT_EQ(facade_->robotServiceEnterTcp2CanbusMode(), ErrnoSucc);
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        LogCapture log;
        const uint64_t before = e.command == kNone ? 0 : sim().requestCount(e.command);
        EXPECT_EQ(e.call(), ErrCode_ParamError);
        if (e.command != kNone) {
            EXPECT_EQ(sim().requestCount(e.command), before);
        }
        bool logged = false;
        for (const auto& line : log.lines)
            logged = logged || (line.first == LL_ERROR &&
                                line.second.find("NaN or infinite") != std::string::npos);
        EXPECT_TRUE(logged);
    }
    std::vector<wayPoint_S> global;
    facade_->robotServiceGetGlobalWayPointVector(global);
    EXPECT_TRUE(global.empty());
    EXPECT_TRUE(sim().offlineTrackJoints().empty());

    // The same entries with finite values do reach the controller (a target
    // at the arm's pose: a streamed target may not jump far from it).
    const auto here = sim().snapshot();
    double streamed[6];
    std::copy(std::begin(here.joints), std::end(here.joints), streamed);
    ASSERT_EQ(facade_->robotServiceSetRobotPosData2Canbus(streamed), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceLeaveTcp2CanbusMode(), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceJointMove(joints_, true), ErrnoSucc);
}

TEST_F(FacadeInputChecks, LoginPortOutsideTheRangeIsRefusedWithoutConnecting) {
    ServiceInterface other;
    const uint64_t requestsBefore = sim().totalRequests();
    const size_t connectionsBefore = sim().connectionCount();
    for (const int port : {simPort() + 65536, simPort() - 65536, 0, -1, 65536}) {
        SCOPED_TRACE(port);
        LogCapture log;
        EXPECT_EQ(other.robotServiceLogin(simHost(), port, simUser(), simPassword()),
                  ErrCode_ParamError);
        EXPECT_TRUE(log.contains(
            LL_ERROR, "sdk log: Login port " + std::to_string(port) + " is outside 1..65535."));
    }
    EXPECT_EQ(sim().connectionCount(), connectionsBefore);
    EXPECT_EQ(sim().totalRequests(), requestsBefore);
    bool connected = true;
    other.robotServiceGetConnectStatus(connected);
    EXPECT_FALSE(connected);
}

}  // namespace
