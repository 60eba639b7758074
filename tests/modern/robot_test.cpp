// The modern C++ layer against the simulator: RAII connection, results as
// exceptions with the library's code, units, and lambda callbacks.

#include "tevo/robot.hpp"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "support/simfixture.h"

using namespace tevo_robot_namespace;

namespace {

const tevo::JointsRad kHome = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
const tevo::JointsRad kOther = {0.2, -0.1, 1.6, 0.3, 1.4, 0.1};

// A loopback port nothing listens on: bound, read, closed.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

template <typename F>
int codeOf(F&& call) {
    try {
        call();
    } catch (const tevo::RobotError& e) {
        EXPECT_NE(std::string(e.what()).find(':'), std::string::npos) << e.what();
        return e.code();
    }
    return ErrnoSucc;
}

class ModernRobot : public tevo_test::SimFixture {
protected:
    std::unique_ptr<tevo::Robot> connect() {
        return std::make_unique<tevo::Robot>(simHost(), simPort(), simUser(), simPassword());
    }
};

}  // namespace

TEST_F(ModernRobot, ConnectsForItsLifetimeAndThrowsWithTheCode) {
    {
        auto robot = connect();
        EXPECT_TRUE(robot->connected());
        EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 1; }));
    }
    EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));  // logged out

    const int port = closedPort();
    EXPECT_NE(codeOf([&] { tevo::Robot robot("127.0.0.1", port, "tevo", "tevo"); }), ErrnoSucc);
    EXPECT_NE(codeOf([&] { tevo::Robot robot(simHost(), simPort(), "tevo", "wrong"); }), ErrnoSucc);

    auto robot = connect();
    struct Case {
        const char* name;
        std::function<void()> call;
    } refused[] = {
        {"move before start-up", [&] { robot->moveJoint(kOther); }},
        {"blend radius out of range",
         [&] {
             robot->moveThrough({kHome, kOther, kHome}, 0.2);
         }},
        {"unknown output name", [&] { robot->setDigitalOutput("U_DO_99", true); }},
        {"pose out of reach",
         [&] {
             robot->inverse(tevo::Pose{{5.0, 0.0, 0.0}}, kHome);
         }},
    };
    for (const Case& c : refused) EXPECT_NE(codeOf(c.call), ErrnoSucc) << c.name;
}

TEST_F(ModernRobot, MovesReadsAndComputesInRadiansAndMetres) {
    auto robot = connect();
    EXPECT_EQ(robot->startup(), ROBOT_SERVICE_WORKING);
    robot->moveJoint(kOther);
    const tevo::JointsRad now = robot->jointsRad();
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(now[i], kOther[i], 1e-6) << i;

    // Forward then inverse kinematics come back to the joints.
    const tevo::Pose pose = robot->forward(kOther);
    const tevo::Pose measured = robot->flangePose();
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(measured.positionM[i], pose.positionM[i], 1e-6);
    const tevo::JointsRad back = robot->inverse(pose, kHome);
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(back[i], kOther[i], 1e-6) << i;

    // A straight line to a pose 5 cm lower, then a blended path home.
    tevo::Pose lower = pose;
    lower.positionM[2] -= 0.05;
    robot->moveLineTo(lower);
    EXPECT_NEAR(robot->flangePose().positionM[2], lower.positionM[2], 1e-5);
    robot->moveThrough({kOther, kHome, kOther}, 0.01);
    EXPECT_NEAR(robot->jointsRad()[0], kOther[0], 1e-6);

    robot->setDigitalOutput("U_DO_03", true);
    EXPECT_EQ(sim().ioSnapshot().boardDigitalOutputs[35], 1u);  // U_DO_03: board address 35
    robot->shutdown();
}

TEST_F(ModernRobot, LambdaCallbacksWithCapturesReceivePushesAndEvents) {
    // What the callbacks capture outlives the robot: its callbacks may run
    // until its destructor returns.
    std::mutex mutex;
    tevo::JointsRad lastAngles{};
    std::atomic<int> arrivals{0};
    std::atomic<int> anglePushes{0};
    auto robot = connect();
    robot->onJointAngles([&](const tevo::JointsRad& q) {
        std::lock_guard<std::mutex> lock(mutex);
        lastAngles = q;
        ++anglePushes;
    });
    robot->onEvent([&](const tevo::Event& e) {
        if (e.type == RobotEvent_atTrackTargetPos) ++arrivals;
    });
    robot->startup();
    robot->moveJoint(kOther);
    EXPECT_TRUE(waitFor([&] { return arrivals.load() == 1; }));
    EXPECT_TRUE(waitFor([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return std::abs(lastAngles[0] - kOther[0]) < 1e-6;
    }));

    // An empty function switches the push off: no call after it returns.
    robot->onJointAngles({});
    const int seen = anglePushes.load();
    robot->moveJoint(kHome);
    EXPECT_EQ(anglePushes.load(), seen);
}
