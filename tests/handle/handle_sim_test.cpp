// The handle interface against the in-process simulator: one call per family,
// the offline-track limit with nothing sent, target moves in the base frame,
// robot events handed to C callbacks, the customer-track conversions, and a
// login with the caller's credentials with the reason of its refusal.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "handletestsupport.h"
#include "support/tempfile.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;

namespace {

constexpr int kOfflineAppend = 71;  // command type as the simulator counts it
using Joints = std::array<double, 6>;
const Joints kStart = {-0.3, -0.2618, 1.7453, 0.4363, 1.5708, 0.1};

class HandleSim : public tevo_test::HandleSimFixture {
protected:
    void moveTo(Joints q) {
        ASSERT_EQ(rs_move_joint(rshd_, q.data(), true), 0);
        expectArmAt(q);
    }
    void expectArmAt(const Joints& q, double tolerance = 1e-6) {
        const tevo_sim::ArmSnapshot arm = sim().snapshot();
        for (size_t j = 0; j < 6; ++j) EXPECT_NEAR(arm.joints[j], q[j], tolerance) << "joint " << j;
    }
    std::vector<JointParam> track(int count) const {
        std::vector<JointParam> points(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            for (size_t j = 0; j < 6; ++j) points[static_cast<size_t>(i)].jointPos[j] = kStart[j];
            points[static_cast<size_t>(i)].jointPos[0] += 0.2 * i / std::max(1, count - 1);
        }
        return points;
    }
};

TEST_F(HandleSim, LoginStatusFollowsLoginAndLogout) {
    bool connected = false;
    ASSERT_EQ(rs_get_login_status(rshd_, &connected), 0);
    EXPECT_TRUE(connected);
    bool link = false;
    EXPECT_EQ(rs_get_socket_status(rshd_, &link), 0);
    EXPECT_TRUE(link);
    ASSERT_EQ(rs_logout(rshd_), 0);
    ASSERT_EQ(rs_get_login_status(rshd_, &connected), 0);
    EXPECT_FALSE(connected);
}

TEST_F(HandleSim, OneCallPerFamily) {
    // Global move profile: what is set is read back.
    JointVelcAccParam acc{{1.0, 1.1, 1.2, 1.3, 1.4, 1.5}}, readAcc{};
    ASSERT_EQ(rs_set_global_joint_maxacc(rshd_, &acc), 0);
    ASSERT_EQ(rs_get_global_joint_maxacc(rshd_, &readAcc), 0);
    for (int j = 0; j < 6; ++j) EXPECT_DOUBLE_EQ(readAcc.jointPara[j], acc.jointPara[j]);

    // Moves: a blocking joint move ends where it was sent.
    moveTo(kStart);

    // Kinematics: forward kinematics of the arm's joints is its current waypoint.
    wayPoint_S current{}, fk{};
    ASSERT_EQ(rs_get_current_waypoint(rshd_, &current), 0);
    ASSERT_EQ(rs_forward_kin(rshd_, current.jointpos, &fk), 0);
    EXPECT_NEAR(fk.cartPos.position.x, current.cartPos.position.x, 1e-9);
    EXPECT_NEAR(fk.cartPos.position.z, current.cartPos.position.z, 1e-9);

    // Tool dynamics through the controller's payload setting.
    ToolDynamicsParam tool{0.01, 0.02, 0.03, 2.5, {}}, readTool{};
    ASSERT_EQ(rs_set_tool_dynamics_param(rshd_, &tool), 0);
    ASSERT_EQ(rs_get_tool_dynamics_param(rshd_, &readTool), 0);
    EXPECT_FLOAT_EQ(static_cast<float>(readTool.payload), 2.5f);

    // Arm state: the work mode reaches the controller and reads back.
    ASSERT_EQ(rs_set_work_mode(rshd_, RobotModeReal), 0);
    EXPECT_EQ(sim().snapshot().workMode, RobotModeReal);
    RobotWorkMode mode = RobotModeSimulator;
    ASSERT_EQ(rs_get_work_mode(rshd_, &mode), 0);
    EXPECT_EQ(mode, RobotModeReal);
    float endSpeed = -1.0f;
    ASSERT_EQ(rs_get_robot_end_speed(rshd_, &endSpeed), 0);
    EXPECT_GE(endSpeed, 0.0f);
    EXPECT_FALSE(rs_enter_reduce_mode(rshd_));
    EXPECT_FALSE(rs_exit_reduce_mode(rshd_));

    // I/O: a user output set by name reads back by address (U_DO_03 is 35).
    ASSERT_EQ(rs_set_board_io_status_by_name(rshd_, RobotBoardUserDO, "U_DO_03", 1.0), 0);
    EXPECT_EQ(sim().ioSnapshot().boardDigitalOutputs[35], 1u);
    double level = 0.0;
    ASSERT_EQ(rs_get_board_io_status_by_addr(rshd_, RobotBoardUserDO, 35, &level), 0);
    EXPECT_EQ(level, 1.0);

    // Joint servo parameters: joint 2's speed P is written and read back.
    ASSERT_EQ(rs_set_speed_p(rshd_, 2, 321), 0);
    RobotJointCommonData servo{};
    ASSERT_EQ(rs_get_joint_common_data(rshd_, &servo), 0);
    EXPECT_EQ(servo.data[1].JointSpeedP, 321);
}

TEST_F(HandleSim, OfflineTrackOfJointSetsIsUploadedAndPlayed) {
    moveTo(kStart);
    ASSERT_EQ(rs_clear_offline_track(rshd_), 0);
    const std::vector<JointParam> points = track(5);
    ASSERT_EQ(rs_append_offline_track_waypoint(rshd_, points.data(), 5), 0);
    const auto stored = sim().offlineTrackJoints();
    ASSERT_EQ(stored.size(), 5u);
    for (size_t j = 0; j < 6; ++j) EXPECT_NEAR(stored[4][j], points[4].jointPos[j], 1e-9);
    ASSERT_EQ(rs_startup_offline_track(rshd_, true), 0);
    expectArmAt({points[4].jointPos[0], points[4].jointPos[1], points[4].jointPos[2],
                 points[4].jointPos[3], points[4].jointPos[4], points[4].jointPos[5]},
                1e-4);
}

TEST_F(HandleSim, OfflineTrackCountOutsideTheLimitSendsNothing) {
    ASSERT_EQ(rs_clear_offline_track(rshd_), 0);
    const std::vector<JointParam> points = track(3001);
    const uint64_t before = sim().requestCount(kOfflineAppend);
    for (int count : {3001, -1}) {
        EXPECT_EQ(rs_append_offline_track_waypoint(rshd_, points.data(), count),
                  RS_ERR_OUT_OF_RANGE)
            << count;
    }
    EXPECT_EQ(sim().requestCount(kOfflineAppend), before);
    EXPECT_TRUE(sim().offlineTrackJoints().empty());
    // The largest accepted batch is one request.
    ASSERT_EQ(rs_append_offline_track_waypoint(rshd_, points.data(), 3000), 0);
    EXPECT_EQ(sim().requestCount(kOfflineAppend), before + 1);
    EXPECT_EQ(sim().offlineTrackJoints().size(), 3000u);
}

TEST_F(HandleSim, TargetMoveOnAFreshContextIsInBaseCoordinates) {
    moveTo(kStart);
    wayPoint_S start{};
    ASSERT_EQ(rs_get_current_waypoint(rshd_, &start), 0);
    const Pos target{start.cartPos.position.x + 0.05, start.cartPos.position.y - 0.02,
                     start.cartPos.position.z - 0.03};
    const ToolInEndDesc noTool{{0, 0, 0}, {1, 0, 0, 0}};
    ASSERT_EQ(rs_move_line_to(rshd_, &target, &noTool, true), 0);
    wayPoint_S end{};
    ASSERT_EQ(rs_get_current_waypoint(rshd_, &end), 0);
    EXPECT_NEAR(end.cartPos.position.x, target.x, 1e-4);
    EXPECT_NEAR(end.cartPos.position.y, target.y, 1e-4);
    EXPECT_NEAR(end.cartPos.position.z, target.z, 1e-4);

    // Back to the base frame after a user frame: the same target again.
    CoordCalibrate user{};
    user.coordType = EndCoordinate;
    ASSERT_EQ(rs_set_user_coord(rshd_, &user), 0);
    ASSERT_EQ(rs_set_base_coord(rshd_), 0);
    ASSERT_EQ(rs_move_joint_to(rshd_, &target, &noTool, true), 0);
    ASSERT_EQ(rs_get_current_waypoint(rshd_, &end), 0);
    EXPECT_NEAR(end.cartPos.position.x, target.x, 1e-4);
}

struct EventLog {
    std::mutex mutex;
    std::vector<std::pair<std::pair<int, int>, std::string>> events;
};

void recordEvent(const rs_robot_event_info* info, void* arg) {
    auto* log = static_cast<EventLog*>(arg);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->events.push_back({{info->eventType, info->eventCode}, info->eventContent});
}

TEST_F(HandleSim, RobotEventsReachTheCCallbackAsCRecords) {
    EventLog log;
    ASSERT_EQ(rs_setcallback_robot_event(rshd_, recordEvent, &log), 0);
    sim().sendEvent({9001, 7, "from the controller"});
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard<std::mutex> lock(log.mutex);
        for (const auto& e : log.events) {
            if (e.first.first == 9001) return true;
        }
        return false;
    }));
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        for (const auto& e : log.events) {
            if (e.first.first != 9001) continue;
            EXPECT_EQ(e.first.second, 7);
            EXPECT_EQ(e.second, "from the controller");
        }
    }
    // Cleared: later events are not delivered.
    ASSERT_EQ(rs_setcallback_robot_event(rshd_, nullptr, nullptr), 0);
    size_t seen = 0;
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        seen = log.events.size();
    }
    sim().sendEvent({9002, 1, "late"});
    // A second context's callback proves the late event was dispatched.
    EventLog other;
    RSHD second = 0;
    ASSERT_EQ(rs_create_context(&second), 0);
    ASSERT_EQ(rs_login(second, simHost(), simPort()), 0);
    ASSERT_EQ(rs_setcallback_robot_event(second, recordEvent, &other), 0);
    sim().sendEvent({9002, 2, "later"});
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard<std::mutex> lock(other.mutex);
        return !other.events.empty();
    }));
    std::lock_guard<std::mutex> lock(log.mutex);
    EXPECT_EQ(log.events.size(), seen);
}

void countWaypoint(const wayPoint_S*, void* arg) { ++*static_cast<std::atomic<int>*>(arg); }

TEST_F(HandleSim, RealTimeWaypointsReachTheCallback) {
    std::atomic<int> count{0};
    ASSERT_EQ(rs_setcallback_realtime_roadpoint(rshd_, countWaypoint, &count), 0);
    ASSERT_TRUE(waitFor([&] { return count.load() >= 3; }));
    ASSERT_EQ(rs_setcallback_realtime_roadpoint(rshd_, nullptr, nullptr), 0);
}

// Tool-pose lines ("x y z rx ry rz", mm and degrees) of a joint path.
std::string poseFile(RSHD rshd, const std::vector<JointParam>& path, const ToolInEndDesc& tool) {
    std::string text;
    for (const JointParam& q : path) {
        wayPoint_S flange{};
        Pos p{};
        Ori o{};
        Rpy rpy{};
        EXPECT_EQ(rs_forward_kin(rshd, q.jointPos, &flange), 0);
        EXPECT_EQ(rs_base_to_base_additional_tool(rshd, &flange.cartPos.position,
                                                  &flange.orientation, &tool, &p, &o),
                  0);
        EXPECT_EQ(rs_quaternion_to_rpy(rshd, &o, &rpy), 0);
        const double toDeg = 180.0 / 3.1415926;
        char line[256];
        std::snprintf(line, sizeof line, "%.9f %.9f %.9f %.9f %.9f %.9f\n", p.x * 1000.0,
                      p.y * 1000.0, p.z * 1000.0, rpy.rx * toDeg, rpy.ry * toDeg, rpy.rz * toDeg);
        text += line;
    }
    return text;
}

TEST_F(HandleSim, ParsedToolPoseFileIsCutToTheCallersCapacity) {
    const ToolInEndDesc tool{{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
    const std::vector<JointParam> path = track(25);
    const tevo_test::TempFile file(poseFile(rshd_, path, tool));
    const struct {
        int capacity;
        int expected;
    } cases[] = {{10, 10}, {40, 25}, {0, 0}};
    for (const auto& c : cases) {
        std::vector<wayPoint_S> out(static_cast<size_t>(c.capacity) + 1);
        const wayPoint_S sentinel{{{9.0, 9.0, 9.0}}, {9.0, 0, 0, 0}, {9, 9, 9, 9, 9, 9}};
        out.back() = sentinel;
        int size = -1;
        ASSERT_EQ(rs_parse_file_as_roadpoint_collection(
                      rshd_, file.path(), POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, path[0].jointPos,
                      &tool, out.data(), c.capacity, &size),
                  0)
            << c.capacity;
        EXPECT_EQ(size, c.expected);
        if (c.expected > 0) {
            EXPECT_NEAR(out[0].jointpos[0], path[0].jointPos[0], 1e-4);
        }
        EXPECT_EQ(out.back().jointpos[0], 9.0) << "written beyond the capacity " << c.capacity;
    }
    int size = -1;
    wayPoint_S one{};
    EXPECT_EQ(rs_parse_file_as_roadpoint_collection(rshd_, file.path(),
                                                    POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT,
                                                    path[0].jointPos, &tool, &one, -1, &size),
              RS_ERR_OUT_OF_RANGE);
    EXPECT_EQ(size, -1);
}

TEST_F(HandleSim, CachedToolPoseTrackIsPlayed) {
    const ToolInEndDesc tool{{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
    const std::vector<JointParam> path = track(25);
    const tevo_test::TempFile file(poseFile(rshd_, path, tool));
    // The smoothed track the cache holds ends where the playback must end.
    std::vector<wayPoint_S> smoothed(25);
    int size = 0;
    ASSERT_EQ(rs_parse_file_as_roadpoint_collection(
                  rshd_, file.path(), POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, path[0].jointPos,
                  &tool, smoothed.data(), 25, &size),
              0);
    ASSERT_EQ(size, 25);
    ToolInEndDesc cacheTool = tool;
    wayPoint_S first{};
    ASSERT_EQ(rs_parse_roadpoint_file_and_cache_result(rshd_, file.path(), path[0].jointPos,
                                                       &cacheTool, &first),
              0);
    ASSERT_EQ(rs_move_joint(rshd_, first.jointpos, true), 0);
    const uint64_t movesBefore = sim().snapshot().movesCompleted;
    ASSERT_EQ(rs_move_cached_track(rshd_), 0);
    EXPECT_GT(sim().snapshot().movesCompleted, movesBefore);
    const double* last = smoothed.back().jointpos;
    expectArmAt({last[0], last[1], last[2], last[3], last[4], last[5]});
}

// A controller that accepts only its own user: rs_login_as logs in with the
// caller's credentials, and a refused login sends nothing after the login
// request and tells the controller's reason.
class HandleLoginAs : public tevo_test::SimFixture {
protected:
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = SimFixture::simOptions();
        o.userName = "operator";
        o.password = "s3cret";
        o.acceptHandleCredentials = false;
        return o;
    }
    void SetUp() override {
        SimFixture::SetUp();
        ASSERT_EQ(rs_create_context(&rshd_), 0);
    }
    void TearDown() override {
        rs_uninitialize();
        SimFixture::TearDown();
    }
    RSHD rshd_ = 0;
};

// Reads the calling thread's last refusal through the C function.
struct CRefusal {
    int result = -100;
    int commandType = -100;
    int controllerCode = -100;
    std::string command;
    std::string text;
};

CRefusal lastRefusal(int commandSize = 64, int textSize = 256) {
    CRefusal r;
    std::vector<char> command(64, 'x');
    std::vector<char> text(256, 'x');
    r.result = rs_last_controller_refusal(&r.commandType, &r.controllerCode, command.data(),
                                          commandSize, text.data(), textSize);
    r.command.assign(command.data(), strnlen(command.data(), command.size()));
    r.text.assign(text.data(), strnlen(text.data(), text.size()));
    return r;
}

TEST_F(HandleLoginAs, LogsInWithTheGivenCredentialsAndRefusesOthers) {
    EXPECT_EQ(rs_login(rshd_, simHost(), simPort()), ErrCode_Failed);
    ASSERT_EQ(rs_login_as(rshd_, simHost(), simPort(), "operator", "s3cret"), 0);
    bool connected = false;
    ASSERT_EQ(rs_get_login_status(rshd_, &connected), 0);
    EXPECT_TRUE(connected);
    ASSERT_EQ(rs_logout(rshd_), 0);

    const uint64_t before = sim().totalRequests();
    EXPECT_EQ(rs_login_as(rshd_, simHost(), simPort(), "operator", "wrong"), ErrCode_Failed);
    EXPECT_EQ(sim().totalRequests(), before + 1);  // the login request alone
    ASSERT_EQ(rs_get_login_status(rshd_, &connected), 0);
    EXPECT_FALSE(connected);

    const CRefusal r = lastRefusal();
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.commandType, tevo_sim::Login);
    EXPECT_EQ(r.command, "Login");
    EXPECT_NE(r.controllerCode, 0);
    const ControllerRefusal kept = ServiceInterface::lastControllerRefusal();
    EXPECT_EQ(r.controllerCode, kept.controllerCode);
    EXPECT_EQ(r.text, kept.text);
    EXPECT_FALSE(r.text.empty());

    const uint64_t sent = sim().totalRequests();
    EXPECT_EQ(rs_login_as(rshd_, nullptr, simPort(), "operator", "s3cret"), ErrCode_ParamError);
    EXPECT_EQ(rs_login_as(rshd_, simHost(), simPort(), nullptr, "s3cret"), ErrCode_ParamError);
    EXPECT_EQ(rs_login_as(rshd_, simHost(), simPort(), "operator", nullptr), ErrCode_ParamError);
    EXPECT_EQ(rs_login_as(rshd_ + 1, simHost(), simPort(), "operator", "s3cret"),
              RS_ERR_NO_CONTEXT);
    EXPECT_EQ(sim().totalRequests(), sent);
}

// The texts are cut to the caller's sizes and always NUL-terminated; a size
// of 0 or a null pointer leaves that output alone; a negative size is refused.
TEST_F(HandleLoginAs, LastRefusalIsCutToTheCallersSizes) {
    std::thread([] {
        const CRefusal none = lastRefusal();
        EXPECT_EQ(none.result, 0);
        EXPECT_EQ(none.commandType, -1);
        EXPECT_EQ(none.controllerCode, 0);
        EXPECT_EQ(none.command, "");
        EXPECT_EQ(none.text, "");
    }).join();

    ASSERT_EQ(rs_login_as(rshd_, simHost(), simPort(), "operator", "wrong"), ErrCode_Failed);
    const std::string fullText = ServiceInterface::lastControllerRefusal().text;
    ASSERT_GT(fullText.size(), 4u);

    struct Row {
        int commandSize;
        int textSize;
        std::string command;
        std::string text;
    };
    const std::string untouched(64, 'x');
    const Row rows[] = {
        {64, 256, "Login", fullText},
        {3, 5, "Lo", fullText.substr(0, 4)},
        {1, 1, "", ""},
        {0, 0, untouched, std::string(256, 'x')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.commandSize) + "/" + std::to_string(row.textSize));
        const CRefusal r = lastRefusal(row.commandSize, row.textSize);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.commandType, tevo_sim::Login);
        EXPECT_EQ(r.command, row.command);
        EXPECT_EQ(r.text, row.text);
    }

    int code = 0;
    EXPECT_EQ(rs_last_controller_refusal(nullptr, &code, nullptr, 16, nullptr, 16), 0);
    EXPECT_NE(code, 0);
    char buffer[8] = "keep";
    EXPECT_EQ(rs_last_controller_refusal(nullptr, nullptr, buffer, -1, nullptr, 0),
              RS_ERR_OUT_OF_RANGE);
    EXPECT_EQ(rs_last_controller_refusal(nullptr, nullptr, nullptr, 0, buffer, -1),
              RS_ERR_OUT_OF_RANGE);
    EXPECT_STREQ(buffer, "keep");
}

}  // namespace
