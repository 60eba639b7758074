// The handle interface refuses what must never reach the controller (targets
// holding a NaN or an infinity, a login port outside 1..65535) with 10002 and
// nothing sent, and converts a tool-pose file only up to the caller's
// capacity.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "handletestsupport.h"
#include "support/tempfile.h"

using namespace tevo_robot_namespace;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// Command types as the simulator counts them.
constexpr int32_t kRobotMove = 22;
constexpr int32_t kOfflineAppend = 71;
constexpr int32_t kPosData2Canbus = 77;
constexpr int32_t kNone = -1;  // the function sends nothing of its own
const double kStart[6] = {-0.3, -0.2618, 1.7453, 0.4363, 1.5708, 0.1};

class HandleInputChecks : public tevo_test::HandleSimFixture {};

TEST_F(HandleInputChecks, NonFiniteTargetsAreRefusedBeforeAnythingIsSent) {
    double nanJoints[6] = {0.1, -0.2, kNaN, 0.4, 1.5, 0.2};
    double infJoints[6] = {0.1, -0.2, 1.6, 0.4, 1.5, kInf};
    MoveProfile_t profile{};
    for (int i = 0; i < 6; ++i) profile.jointMaxAcc[i] = 1.5, profile.jointMaxVelc[i] = 0.9;
    profile.endMaxLineAcc = 0.5;
    profile.endMaxLineVelc = 0.25;
    profile.relativeOnCoord.coordType = BaseCoordinate;
    profile.toolInEndDesc = {{0, 0, 0}, {1, 0, 0, 0}};
    CoordCalibrate base{};
    base.coordType = BaseCoordinate;
    base.toolDesc.toolInEndOrientation = {1, 0, 0, 0};
    const Move_Rotate_Axis nanAxis{{0, kNaN, 1}};
    const ToolInEndDesc noTool{{0, 0, 0}, {1, 0, 0, 0}};
    const Pos nanTarget{0.3, 0.1, kNaN};
    std::vector<JointParam> points(3);
    for (JointParam& p : points)
        for (int j = 0; j < 6; ++j) p.jointPos[j] = kStart[j];
    points[1].jointPos[3] = -kInf;
    std::vector<double> streamed(kStart, kStart + 6);
    streamed.insert(streamed.end(), nanJoints, nanJoints + 6);

    struct Entry {
        const char* name;
        std::function<int()> call;
        int32_t command;
    };
    const Entry entries[] = {
        {"rs_move_joint", [&] { return rs_move_joint(rshd_, nanJoints, true); }, kRobotMove},
        {"rs_move_joint_ex", [&] { return rs_move_joint_ex(rshd_, &profile, infJoints, false); },
         kRobotMove},
        {"rs_follow_mode_move_joint", [&] { return rs_follow_mode_move_joint(rshd_, nanJoints); },
         kRobotMove},
        {"rs_move_line", [&] { return rs_move_line(rshd_, infJoints, false); }, kRobotMove},
        {"rs_move_line_ex", [&] { return rs_move_line_ex(rshd_, &profile, nanJoints, true); },
         kRobotMove},
        {"rs_move_rotate", [&] { return rs_move_rotate(rshd_, &base, &nanAxis, 0.1, false); },
         kRobotMove},
        {"rs_move_line_to", [&] { return rs_move_line_to(rshd_, &nanTarget, &noTool, false); },
         kRobotMove},
        {"rs_move_joint_to", [&] { return rs_move_joint_to(rshd_, &nanTarget, &noTool, true); },
         kRobotMove},
        {"rs_add_waypoint", [&] { return rs_add_waypoint(rshd_, infJoints); }, kNone},
        {"rs_append_offline_track_waypoint",
         [&] { return rs_append_offline_track_waypoint(rshd_, points.data(), 3); }, kOfflineAppend},
        {"rs_set_waypoint_to_canbus", [&] { return rs_set_waypoint_to_canbus(rshd_, nanJoints); },
         kPosData2Canbus},
        {"rs_set_waypoints_to_canbus",
         [&] { return rs_set_waypoints_to_canbus(rshd_, streamed.data(), 2); }, kPosData2Canbus},
    };
    ASSERT_EQ(rs_enter_tcp2canbus_mode(rshd_), 0);
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        const uint64_t before = e.command == kNone ? 0 : sim().requestCount(e.command);
        EXPECT_EQ(e.call(), ErrCode_ParamError);
        if (e.command != kNone) {
            EXPECT_EQ(sim().requestCount(e.command), before);
        }
    }
    EXPECT_TRUE(sim().offlineTrackJoints().empty());
    // Nothing was added to the waypoint list: a track move has no points.
    EXPECT_NE(rs_move_track(rshd_, CARTESIAN_MOVEP, false), 0);
    ASSERT_EQ(rs_leave_tcp2canbus_mode(rshd_), 0);
}

TEST_F(HandleInputChecks, LoginPortOutsideTheRangeIsRefusedWithoutConnecting) {
    RSHD other = 0;
    ASSERT_EQ(rs_create_context(&other), 0);
    tevo_test::HandleLogCapture log;
    log.attach(other);
    const uint64_t requestsBefore = sim().totalRequests();
    const size_t connectionsBefore = sim().connectionCount();
    // One turn of 16 bits above the simulator's port used to connect to it.
    const int wrapped = simPort() + 65536;
    EXPECT_EQ(rs_login(other, simHost(), wrapped), ErrCode_ParamError);
    EXPECT_TRUE(log.contains(
        LL_ERROR, "sdk log: Login port " + std::to_string(wrapped) + " is outside 1..65535."));
    for (const int port : {0, -8899, 65536}) EXPECT_EQ(rs_login(other, simHost(), port), 10002);
    EXPECT_EQ(sim().connectionCount(), connectionsBefore);
    EXPECT_EQ(sim().totalRequests(), requestsBefore);
    bool loggedIn = true;
    EXPECT_EQ(rs_get_login_status(other, &loggedIn), 0);
    EXPECT_FALSE(loggedIn);
    log.detach(other);
    // The same port without the extra turn connects.
    EXPECT_EQ(rs_login(other, simHost(), simPort()), 0);
    EXPECT_EQ(rs_destory_context(other), 0);
}

// Tool-pose line ("x y z rx ry rz", mm and degrees) of one joint set.
std::string poseLine(RSHD rshd, const double* joints, const ToolInEndDesc& tool) {
    wayPoint_S flange{};
    Pos p{};
    Ori o{};
    Rpy rpy{};
    EXPECT_EQ(rs_forward_kin(rshd, joints, &flange), 0);
    EXPECT_EQ(rs_base_to_base_additional_tool(rshd, &flange.cartPos.position, &flange.orientation,
                                              &tool, &p, &o),
              0);
    EXPECT_EQ(rs_quaternion_to_rpy(rshd, &o, &rpy), 0);
    const double toDeg = 180.0 / 3.1415926;
    char line[256];
    std::snprintf(line, sizeof line, "%.9f %.9f %.9f %.9f %.9f %.9f\n", p.x * 1000.0, p.y * 1000.0,
                  p.z * 1000.0, rpy.rx * toDeg, rpy.ry * toDeg, rpy.rz * toDeg);
    return line;
}

// The work follows the capacity: a file of 200000 lines whose line 11 is no
// pose gives 10 points when only 10 are asked for, since nothing after them
// is read; asking for 11 reads the bad line and fails.
TEST_F(HandleInputChecks, ToolPoseFileIsReadOnlyUpToTheCapacity) {
    const ToolInEndDesc tool{{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
    std::string text;
    double q[6];
    for (int i = 0; i < 10; ++i) {
        for (int j = 0; j < 6; ++j) q[j] = kStart[j];
        q[0] += 0.002 * i;
        text += poseLine(rshd_, q, tool);
    }
    text += "not a pose\n";
    const std::string last = poseLine(rshd_, q, tool);
    text.reserve(text.size() + 200000 * last.size());
    for (int i = 11; i < 200000; ++i) text += last;
    const tevo_test::TempFile file(text);

    struct Case {
        int capacity;
        bool ok;
        int size;
        int linesRead;
    };
    for (const Case& c : {Case{10, true, 10, 10}, Case{2, true, 2, 3}, Case{11, false, -1, 0}}) {
        SCOPED_TRACE(c.capacity);
        tevo_test::HandleLogCapture log;
        log.attach(rshd_);
        std::vector<wayPoint_S> out(static_cast<size_t>(c.capacity));
        int size = -1;
        const int ret = rs_parse_file_as_roadpoint_collection(
            rshd_, file.path(), POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, kStart, &tool, out.data(),
            c.capacity, &size);
        log.detach(rshd_);
        EXPECT_EQ(ret == 0, c.ok) << ret;
        EXPECT_EQ(size, c.size);
        if (!c.ok) continue;
        EXPECT_NEAR(out[0].jointpos[0], kStart[0], 1e-4);
        EXPECT_TRUE(log.contains(LL_INFO, std::string("sdk log: track file ") + file.path() +
                                              ": reading stopped after line " +
                                              std::to_string(c.linesRead) + " at " +
                                              std::to_string(c.linesRead) + " points."));
    }
}

}  // namespace
