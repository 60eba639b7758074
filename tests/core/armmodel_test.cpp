// Waypoint pushes of several arms of different models in one process: each
// connection's pushes carry the pose under the model its own login reported,
// whichever model the process-wide kinematics holds.

#include <array>
#include <cmath>

#include "coretestsupport.h"
#include "kinematics/kinematicscore.h"

namespace core_test {
namespace {

namespace tevo = tevo_robot_namespace;

struct Arm {
    int32_t model = 0;
    std::array<double, 6> joints{};
    std::unique_ptr<tevo_sim::ControllerSim> sim;
    ObservedCore core;
    tevo::RobotType type{};
    tevo::RobotDhPara dh{};
    std::mutex mutex;
    std::condition_variable cv;
    int pushes = 0;
    tevo::wayPoint_S waypoint{};
};

void onWaypoint(const tevo::wayPoint_S* waypoint, void* arg) {
    auto* arm = static_cast<Arm*>(arg);
    {
        std::lock_guard<std::mutex> lock(arm->mutex);
        ++arm->pushes;
        arm->waypoint = *waypoint;
    }
    arm->cv.notify_all();
}

// Rotation matrix (row-major) of a unit quaternion, w first.
std::array<double, 9> rotationOf(const tevo::Ori& q) {
    return {1 - 2 * (q.y * q.y + q.z * q.z), 2 * (q.x * q.y - q.w * q.z),
            2 * (q.x * q.z + q.w * q.y),     2 * (q.x * q.y + q.w * q.z),
            1 - 2 * (q.x * q.x + q.z * q.z), 2 * (q.y * q.z - q.w * q.x),
            2 * (q.x * q.z - q.w * q.y),     2 * (q.y * q.z + q.w * q.x),
            1 - 2 * (q.x * q.x + q.y * q.y)};
}

TEST(WaypointPush, EachConnectionUsesItsOwnArmModel) {
    LogCapture log;
    // The process-wide model as it was before these logins (the first login of
    // the process sets it); the test gives it back at the end.
    double saved[6];
    double savedD4 = 0;
    double elbowFree = 0;
    getDhPara(saved[0], saved[1], saved[2], saved[3], saved[4], saved[5], nullptr);
    getDhPara(saved[0], saved[1], saved[2], elbowFree, saved[4], saved[5], &savedD4);
    const auto savedType = static_cast<tevo_robot_type>(getRobotType());
    Arm arms[2];
    arms[0].model = 2;
    arms[0].joints = {0.3, -0.5, 1.1, 0.4, -0.7, 0.2};
    arms[1].model = 4;
    arms[1].joints = {-0.6, 0.25, -0.9, 1.2, 0.5, -0.3};
    for (Arm& arm : arms) {
        tevo_sim::SimOptions options;
        options.model = arm.model;
        arm.sim = std::make_unique<tevo_sim::ControllerSim>(options);
        ASSERT_TRUE(arm.sim->start());
        ASSERT_EQ(
            arm.core.loginService("127.0.0.1", arm.sim->port(), "tevo", "tevo", arm.type, arm.dh),
            tevo::ErrnoSucc);
        ASSERT_EQ(arm.type, arm.model);
        arm.core.robotServiceRegisterRealTimeRoadPointCallbackService(onWaypoint, &arm);
        arm.sim->setJointAngles(arm.joints.data());
        ASSERT_EQ(arm.sim->sendPush(tevo_sim::RealTimeRobotJointAngle), 1);
    }
    for (Arm& arm : arms) {
        std::unique_lock<std::mutex> lock(arm.mutex);
        ASSERT_TRUE(arm.cv.wait_for(lock, 5000ms, [&] { return arm.pushes >= 1; }));
    }
    ASSERT_NE(arms[0].dh.A3, arms[1].dh.A3) << "pick models whose lengths differ";

    // The reference: the kinematics core loaded with each model in turn.
    for (Arm& arm : arms) {
        SCOPED_TRACE(arm.model);
        arm.core.robotServiceRegisterRealTimeRoadPointCallbackService(nullptr, nullptr);
        tevo::wayPoint_S got;
        {
            std::lock_guard<std::mutex> lock(arm.mutex);
            got = arm.waypoint;
        }
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(got.jointpos[i], arm.joints[i], 1e-6) << i;
        setDhParaLen(static_cast<tevo_robot_type>(arm.model), arm.dh.A3, arm.dh.A4, arm.dh.D1,
                     arm.dh.D2, arm.dh.D5, arm.dh.D6, kKinematicsModelDefaults[arm.model].D4);
        double q[6];
        for (int i = 0; i < 6; ++i) q[i] = -got.jointpos[i];  // the core's sign convention
        double position[3];
        double rotation[9];
        ComputeFkLib(q, position, rotation);
        EXPECT_NEAR(got.cartPos.position.x, position[0], 1e-9);
        EXPECT_NEAR(got.cartPos.position.y, position[1], 1e-9);
        EXPECT_NEAR(got.cartPos.position.z, position[2], 1e-9);
        const std::array<double, 9> fromPush = rotationOf(got.orientation);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(fromPush[i], rotation[i], 1e-9) << i;
    }
    setDhParaLen(savedType, saved[0], saved[1], saved[2], saved[3], saved[4], saved[5], savedD4);
    for (Arm& arm : arms) {
        arm.core.logoutService();
        arm.sim->stop();
    }
}

}  // namespace
}  // namespace core_test
