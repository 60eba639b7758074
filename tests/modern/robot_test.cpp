// The modern C++ layer against the simulator: RAII connection, results as
// exceptions typed by their cause with the library's code and the
// controller's reason, units, and lambda callbacks.

#include "tevo/robot.hpp"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <typeinfo>

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
    EXPECT_THROW(tevo::Robot("127.0.0.1", port, "tevo", "tevo"), tevo::NotConnectedError);
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
    robot->moveLineToPose(lower);
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

namespace {

// Whether e is of class E itself, not of a subclass.
template <typename E>
bool exactly(const tevo::RobotError& e) {
    return typeid(e) == typeid(E);
}

// A joint target the simulator's default range (±175° per joint) excludes.
const tevo::JointsRad kJoint3OutOfRange = {0.0, -0.2618, 4.0, 0.4363, 1.5708, 0.0};
const tevo::JointsRad kFar = {1.5, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};

}  // namespace

TEST_F(ModernRobot, EachRefusalThrowsItsCauseWithTheControllersCodeAndReason) {
    struct Case {
        const char* name;
        bool started;  // the arm started before the call
        std::function<void(tevo::Robot&)> call;
        std::function<bool(const tevo::RobotError&)> hasClass;
        int code;
        int controllerCode;    // 0: the library refused, not the controller
        const char* reason;    // in controllerText(), or in what() for the library's own
        const char* sentence;  // what() starts with it
    };
    const std::string login = std::string("login to 127.0.0.1:") + std::to_string(simPort());
    const std::vector<Case> cases = {
        {"move before start-up", false, [](tevo::Robot& r) { r.moveJoint(kOther); },
         exactly<tevo::NotStartedError>, ErrCode_ResponseReturnError,
         RobotResponseCode_ArmNotStarted, "not started", "joint move refused by the controller: "},
        {"joint out of range", true, [](tevo::Robot& r) { r.moveJoint(kJoint3OutOfRange); },
         exactly<tevo::TargetError>, ErrCode_ResponseReturnError, RobotResponseCode_JointOutOfRange,
         "joint 3 target 4.00 rad outside its range [-3.05, 3.05]",
         "joint move refused by the controller: "},
        {"pose out of reach", true,
         [](tevo::Robot& r) {
             r.inverse(tevo::Pose{{5.0, 0.0, 0.0}}, kHome);
         },
         exactly<tevo::TargetError>, ErrCode_IkFailed, 0, "inverse kin failed.",
         "inverse kinematics failed: "},
        {"collision class out of range", false, [](tevo::Robot& r) { r.startup(0.0, 11); },
         exactly<tevo::InvalidArgumentError>, ErrCode_ResponseReturnError,
         RobotResponseCode_InvalidValue, "collision class", "start-up refused by the controller: "},
        {"move while a paused one holds the arm", true,
         [](tevo::Robot& r) {
             r.moveJoint(kFar, false);
             r.pause();
             r.moveJoint(kOther);
         },
         exactly<tevo::RobotError>, ErrCode_ResponseReturnError, RobotResponseCode_Busy, "busy",
         "joint move refused by the controller: "},
        {"wrong password", false,
         [this](tevo::Robot&) { tevo::Robot other(simHost(), simPort(), simUser(), "wrong"); },
         exactly<tevo::AuthenticationError>, ErrCode_Failed, RobotResponseCode_AuthenticationFailed,
         "password", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto robot = connect();
        // Slow joint moves, so that a move is still running when the next call comes.
        robot->setJointMaxSpeedRadPerS({0.05, 0.05, 0.05, 0.05, 0.05, 0.05});
        if (c.started) robot->startup();
        try {
            c.call(*robot);
            ADD_FAILURE() << "no error";
        } catch (const tevo::RobotError& e) {
            const std::string what = e.what();
            EXPECT_TRUE(c.hasClass(e)) << what;
            EXPECT_EQ(e.code(), c.code) << what;
            EXPECT_EQ(e.controllerCode(), c.controllerCode) << what;
            if (c.controllerCode == 0) {
                EXPECT_EQ(e.controllerText(), "");
                EXPECT_EQ(what, c.sentence + robot->errorText(c.code) + " (code " +
                                    std::to_string(c.code) + ")");
                continue;
            }
            EXPECT_NE(e.controllerText().find(c.reason), std::string::npos) << what;
            const std::string sentence = c.sentence ? c.sentence : login + " refused: ";
            EXPECT_EQ(what, sentence + e.controllerText() + " (controller code " +
                                std::to_string(c.controllerCode) + ")");
            const ControllerRefusal refusal = ServiceInterface::lastControllerRefusal();
            EXPECT_EQ(refusal.controllerCode, c.controllerCode);
            EXPECT_EQ(refusal.text, e.controllerText());
        }
        robot->resetMoveProfile();
        robot->facade().robotMoveStop();
    }
}

TEST_F(ModernRobot, StopDuringBlockingMoveThrowsStoppedErrorNamingTheStop) {
    auto robot = connect();
    robot->startup();
    robot->setJointMaxSpeedRadPerS({0.05, 0.05, 0.05, 0.05, 0.05, 0.05});
    auto move = std::async(std::launch::async, [&] { robot->moveJoint(kFar); });
    EXPECT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
    robot->stop();
    try {
        move.get();
        ADD_FAILURE() << "the move was not stopped";
    } catch (const tevo::StoppedError& e) {
        EXPECT_EQ(e.code(), ErrCodeMoveEnterStopState);
        EXPECT_EQ(e.eventType(), RobotEventMoveEnterStopState);
        EXPECT_EQ(e.controllerCode(), 0);
        EXPECT_EQ(
            std::string(e.what()),
            "joint move stopped: " + robot->errorText(ErrCodeMoveEnterStopState) + " (code 21300)");
    }
    robot->resetMoveProfile();
}

TEST_F(ModernRobot, SilentControllerThrowsTimeoutErrorAndLostLinkNotConnectedError) {
    auto robot = connect();
    sim().setFrozen(true);
    EXPECT_THROW(robot->jointsRad(), tevo::TimeoutError);
    sim().setFrozen(false);
    EXPECT_NO_THROW(robot->jointsRad());

    sim().closeConnection();
    EXPECT_TRUE(waitFor([&] { return !robot->connected(); }));
    try {
        robot->jointsRad();
        ADD_FAILURE() << "no error without a connection";
    } catch (const tevo::NotConnectedError& e) {
        EXPECT_EQ(e.code(), ErrCode_SocketDisconnect);
        EXPECT_EQ(std::string(e.what()).rfind("reading the current waypoint failed: ", 0), 0u)
            << e.what();
    }
}
