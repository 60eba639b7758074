// Servo streaming through the handle interface: the argument checks, and one
// short stream against the in-process simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "handle/rsrobotcontrol.h"
#include "handletestsupport.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;

namespace {

constexpr int kSetPosData2Canbus = 77;  // command types as the simulator counts them
constexpr int kEnterTcp2Canbus = 75;

class HandleServo : public tevo_test::HandleSimFixture {};

// Every check comes before anything is sent; none of these calls reaches the
// controller.
TEST_F(HandleServo, ArgumentsAreCheckedBeforeAnythingIsSent) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double joints[6] = {0, 0, 0, 0, 0, 0};
    const Pos pos{0.3, 0.0, 0.3};
    const Ori ori{1, 0, 0, 0};
    ServoStreamStatus status{};
    const struct {
        const char* name;
        std::function<int()> call;
        int expected;
    } cases[] = {
        {"period too short", [&] { return rs_servo_start(rshd_, 0.0001, 0); }, ErrCode_ParamError},
        {"period too long", [&] { return rs_servo_start(rshd_, 0.2, 0); }, ErrCode_ParamError},
        {"negative period", [&] { return rs_servo_start(rshd_, -0.002, 0); }, ErrCode_ParamError},
        {"period NaN", [&] { return rs_servo_start(rshd_, nan, 0); }, ErrCode_ParamError},
        {"speed limit above 10", [&] { return rs_servo_start(rshd_, 0, 10.5); },
         ErrCode_ParamError},
        {"negative speed limit", [&] { return rs_servo_start(rshd_, 0, -1); }, ErrCode_ParamError},
        {"speed limit NaN", [&] { return rs_servo_start(rshd_, 0, nan); }, ErrCode_ParamError},
        {"null joints", [&] { return rs_servo_joint(rshd_, nullptr); }, ErrCode_ParamError},
        {"null position", [&] { return rs_servo_pose(rshd_, nullptr, &ori); }, ErrCode_ParamError},
        {"null orientation", [&] { return rs_servo_pose(rshd_, &pos, nullptr); },
         ErrCode_ParamError},
        {"null status", [&] { return rs_servo_status(rshd_, nullptr); }, ErrCode_ParamError},
        {"wait without a stream", [&] { return rs_servo_wait_period(rshd_); }, ErrCode_Failed},
        {"joints without a stream", [&] { return rs_servo_joint(rshd_, joints); }, ErrCode_Failed},
        {"pose without a stream", [&] { return rs_servo_pose(rshd_, &pos, &ori); }, ErrCode_Failed},
        {"stop without a stream", [&] { return rs_servo_stop(rshd_); }, ErrCode_Failed},
        {"unknown handle", [&] { return rs_servo_start(rshd_ + 100, 0, 0); }, RS_ERR_NO_CONTEXT},
        {"status of an unknown handle", [&] { return rs_servo_status(rshd_ + 100, &status); },
         RS_ERR_NO_CONTEXT},
    };
    for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
    EXPECT_EQ(sim().requestCount(kEnterTcp2Canbus), 0u);
    EXPECT_EQ(sim().requestCount(kSetPosData2Canbus), 0u);
}

// Joint 1 turns by 0.1 rad in 50 targets, then back towards the start as pose
// targets; the controller receives and answers each.
TEST_F(HandleServo, ShortStreamIsSentAnsweredAndStopped) {
    wayPoint_S start{};
    ASSERT_EQ(rs_get_current_waypoint(rshd_, &start), 0);
    ASSERT_EQ(rs_servo_start(rshd_, 0, 0), 0);
    EXPECT_EQ(rs_servo_start(rshd_, 0, 0), ErrCode_Failed) << "a second stream";
    constexpr int kJointTargets = 50;
    double q[6];
    for (int i = 1; i <= kJointTargets; ++i) {
        for (int j = 0; j < 6; ++j) q[j] = start.jointpos[j];
        q[0] += 0.1 * i / kJointTargets;
        ASSERT_EQ(rs_servo_wait_period(rshd_), 0);
        ASSERT_EQ(rs_servo_joint(rshd_, q), 0) << "target " << i;
    }
    constexpr int kPoseTargets = 10;
    for (int i = 1; i <= kPoseTargets; ++i) {
        double back[6];
        for (int j = 0; j < 6; ++j) back[j] = q[j];
        back[0] -= 0.002 * i;
        wayPoint_S pose{};
        ASSERT_EQ(rs_forward_kin(rshd_, back, &pose), 0);
        ASSERT_EQ(rs_servo_wait_period(rshd_), 0);
        ASSERT_EQ(rs_servo_pose(rshd_, &pose.cartPos.position, &pose.orientation), 0);
    }
    constexpr uint64_t kTargets = kJointTargets + kPoseTargets;
    ServoStreamStatus status{};
    ASSERT_TRUE(waitFor(
        [&] { return rs_servo_status(rshd_, &status) == 0 && status.answered == kTargets; }));
    EXPECT_EQ(status.active, 1);
    EXPECT_EQ(status.sent, kTargets);
    EXPECT_EQ(status.cycles, kTargets);
    EXPECT_EQ(status.refused, 0u);
    EXPECT_NEAR(status.lastTarget[0], q[0] - 0.002 * kPoseTargets, 1e-6)
        << "the pose's inverse kinematics stays on the branch of the last target";
    EXPECT_EQ(sim().requestCount(kSetPosData2Canbus), kTargets);
    EXPECT_EQ(rs_servo_stop(rshd_), 0);
    ASSERT_EQ(rs_servo_status(rshd_, &status), 0);
    EXPECT_EQ(status.active, 0);
    EXPECT_EQ(status.sent, kTargets) << "the figures stay after the stop";
    EXPECT_EQ(rs_servo_stop(rshd_), ErrCode_Failed) << "stopped already";
}

}  // namespace
