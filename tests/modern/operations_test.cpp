// The modern layer's operations a cell script uses, against the simulator:
// the moves named for what they take, I/O written and read back, the tool
// supply, the joint-status and waypoint pushes, offline tracks and the
// customer-track playback.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/simfixture.h"
#include "support/tempfile.h"
#include "tevo/robot.hpp"

using namespace tevo_robot_namespace;

namespace {

const tevo::JointsRad kHome = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
const tevo::JointsRad kOther = {0.2, -0.1, 1.6, 0.3, 1.4, 0.1};

void expectJointsNear(const tevo::JointsRad& actual, const tevo::JointsRad& expected,
                      double tolerance) {
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "joint " << i;
}

// Equal poses: positions within 1e-6 m, orientations the same rotation (q or -q).
void expectPoseNear(const tevo::Pose& actual, const tevo::Pose& expected) {
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual.positionM[i], expected.positionM[i], 1e-6) << "axis " << i;
    }
    double dot = 0.0;
    for (size_t i = 0; i < 4; ++i) dot += actual.quaternionWxyz[i] * expected.quaternionWxyz[i];
    EXPECT_NEAR(std::abs(dot), 1.0, 1e-9);
}

class ModernOperations : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        robot_ = std::make_unique<tevo::Robot>(simHost(), simPort(), simUser(), simPassword());
    }
    void TearDown() override {
        if (robot_) robot_->resetMoveProfile();
        robot_.reset();
        SimFixture::TearDown();
    }
    tevo::Robot& robot() { return *robot_; }

    std::unique_ptr<tevo::Robot> robot_;
};

}  // namespace

TEST_F(ModernOperations, EachMoveEndsWhereItsNameSays) {
    robot().startup();
    const tevo::Pose home = robot().forward(kHome);
    const tevo::Pose other = robot().forward(kOther);
    const std::array<double, 3> offset = {0.03, -0.02, -0.04};
    // The home orientation at another position: where the position-only moves end.
    tevo::Pose otherAtHomeOrientation = home;
    otherAtHomeOrientation.positionM = other.positionM;
    tevo::Pose shifted = home;
    for (size_t i = 0; i < 3; ++i) shifted.positionM[i] += offset[i];

    struct Case {
        const char* name;
        std::function<void(tevo::Robot&)> move;
        tevo::Pose pose;            // where the flange ends
        bool checkJoints;           // and at exactly these joint angles:
        tevo::JointsRad jointsRad;  // the target's, or the nearest solution's
    };
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const std::vector<Case> cases = {
        {"moveJoint", [](tevo::Robot& r) { r.moveJoint(kOther); }, other, true, kOther},
        {"moveLine", [](tevo::Robot& r) { r.moveLine(kOther); }, other, true, kOther},
        {"moveLineToPose", [&](tevo::Robot& r) { r.moveLineToPose(other); }, other, true, kOther},
        {"moveJointToPose", [&](tevo::Robot& r) { r.moveJointToPose(other); }, other, true, kOther},
        {"moveLineToPosition",
         [&](tevo::Robot& r) { r.moveLineToPosition(other.positionM); },
         otherAtHomeOrientation,
         false,
         {}},
        {"moveJointToPosition",
         [&](tevo::Robot& r) { r.moveJointToPosition(other.positionM); },
         otherAtHomeOrientation,
         false,
         {}},
        {"moveRelative", [&](tevo::Robot& r) { r.moveRelative(offset); }, shifted, false, {}},
        {"moveThrough",
         [](tevo::Robot& r) {
             r.moveThrough({kOther, kHome, kOther}, 0.01);
         },
         other, true, kOther},
        {"moveLineTo (former name of moveLineToPose)", [&](tevo::Robot& r) { r.moveLineTo(other); },
         other, true, kOther},
    };
#pragma GCC diagnostic pop
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        robot().moveJoint(kHome);
        c.move(robot());
        const tevo::Waypoint reached = robot().currentWaypoint();
        expectPoseNear(reached.flange, c.pose);
        // The controller's pose and joints agree with the local kinematics.
        expectPoseNear(robot().forward(reached.jointsRad), reached.flange);
        if (c.checkJoints) expectJointsNear(reached.jointsRad, c.jointsRad, 1e-6);
    }

    // Targets out of reach are refused before the arm moves.
    robot().moveJoint(kHome);
    EXPECT_THROW(robot().moveLineToPose(tevo::Pose{{5.0, 0.0, 0.0}}), tevo::TargetError);
    EXPECT_THROW(robot().moveLineToPosition({5.0, 0.0, 0.0}), tevo::TargetError);
    EXPECT_THROW(robot().moveRelative({5.0, 0.0, 0.0}), tevo::TargetError);
    expectJointsNear(robot().jointsRad(), kHome, 1e-9);
}

TEST_F(ModernOperations, BoardAndToolIoWrittenReadBackAndInputsRead) {
    robot().setToolIoType(1, IO_OUT);
    EXPECT_EQ(sim().ioSnapshot().toolIoType[1], 1u);
    struct Case {
        const char* name;
        std::function<void(tevo::Robot&)> drive;  // through the layer or the simulator
        std::function<double(tevo::Robot&)> read;
        std::function<double()> simulator;  // what the simulator holds, NAN for inputs
        double expected;
    };
    const std::vector<Case> cases = {
        {"user digital output high", [](tevo::Robot& r) { r.setDigitalOutput("U_DO_05", true); },
         [](tevo::Robot& r) { return r.digitalOutput("U_DO_05") ? 1.0 : 0.0; },
         [this] { return sim().ioSnapshot().boardDigitalOutputs[37]; }, 1.0},  // address 37
        {"user digital output low", [](tevo::Robot& r) { r.setDigitalOutput("U_DO_05", false); },
         [](tevo::Robot& r) { return r.digitalOutput("U_DO_05") ? 1.0 : 0.0; },
         [this] { return sim().ioSnapshot().boardDigitalOutputs[37]; }, 0.0},
        {"user analog output", [](tevo::Robot& r) { r.setAnalogOutputV("VO1", 3.5); },
         [](tevo::Robot& r) { return r.analogOutputV("VO1"); },
         [this] { return sim().ioSnapshot().boardAnalogOutputs[1]; }, 3.5},
        {"controller digital output by type",
         [](tevo::Robot& r) { r.setBoardIo(RobotBoardControllerDO, "SO01", 1.0); },
         [](tevo::Robot& r) { return r.boardIo(RobotBoardControllerDO, "SO01"); },
         [this] { return sim().ioSnapshot().boardDigitalOutputs[1]; }, 1.0},
        {"user digital input", [this](tevo::Robot&) { sim().setBoardDigitalInput(38, true); },
         [](tevo::Robot& r) { return r.digitalInput("U_DI_02") ? 1.0 : 0.0; }, [] { return NAN; },
         1.0},  // U_DI_02: address 38
        {"user analog input", [this](tevo::Robot&) { sim().setBoardAnalogInput(2, 1.25f); },
         [](tevo::Robot& r) { return r.analogInputV("VI2"); }, [] { return NAN; }, 1.25},
        {"tool digital output high", [](tevo::Robot& r) { r.setToolDigitalOutput(1, true); },
         [](tevo::Robot& r) { return r.toolDigitalLine(1) ? 1.0 : 0.0; },
         [this] { return sim().ioSnapshot().toolIoLevel[1]; }, 1.0},
        {"tool digital output low", [](tevo::Robot& r) { r.setToolDigitalOutput(1, false); },
         [](tevo::Robot& r) { return r.toolDigitalLine(1) ? 1.0 : 0.0; },
         [this] { return sim().ioSnapshot().toolIoLevel[1]; }, 0.0},
        {"tool analog input", [this](tevo::Robot&) { sim().setToolAnalogInput(1, 2.5); },
         [](tevo::Robot& r) { return r.toolAnalogInputV(1); }, [] { return NAN; }, 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.drive(robot());
        EXPECT_NEAR(c.read(robot()), c.expected, 1e-6);
        const double held = c.simulator();
        if (!std::isnan(held)) {
            EXPECT_NEAR(held, c.expected, 1e-6);
        }
    }

    // A name outside the catalogue is refused before anything is sent.
    EXPECT_THROW(robot().digitalOutput("U_DO_99"), tevo::InvalidArgumentError);
    EXPECT_THROW(robot().toolDigitalLine(7), tevo::RobotError);
}

TEST_F(ModernOperations, ToolSupplySetReadsBackItsTypeAndVoltage) {
    const struct {
        ToolPowerType type;
        double volts;
    } cases[] = {{OUT_12V, 12.0}, {OUT_24V, 24.0}, {OUT_0V, 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.volts);
        robot().setToolPowerType(c.type);
        EXPECT_EQ(robot().toolPowerType(), c.type);
        EXPECT_EQ(sim().ioSnapshot().toolPowerType, static_cast<uint32_t>(c.type));
        EXPECT_DOUBLE_EQ(robot().toolPowerVoltageV(), c.volts);
    }
}

TEST_F(ModernOperations, JointStatusAndWaypointPushesArriveInTheirUnits) {
    std::mutex mutex;
    std::vector<tevo::JointStatus> status;
    tevo::Waypoint waypoint;
    std::atomic<int> statusPushes{0};
    std::atomic<int> waypointPushes{0};
    robot().startup();
    robot().moveJoint(kOther);
    robot().onJointStatus([&](const std::vector<tevo::JointStatus>& joints) {
        std::lock_guard<std::mutex> lock(mutex);
        status = joints;
        ++statusPushes;
    });
    robot().onWaypoint([&](const tevo::Waypoint& w) {
        std::lock_guard<std::mutex> lock(mutex);
        waypoint = w;
        ++waypointPushes;
    });
    ASSERT_TRUE(waitFor([&] { return statusPushes.load() > 0 && waypointPushes.load() > 0; }));

    const auto expectPlausible = [](const std::vector<tevo::JointStatus>& joints) {
        ASSERT_EQ(joints.size(), 6u);
        for (size_t i = 0; i < 6; ++i) {
            SCOPED_TRACE(i);
            // The drive's degrees, converted (they travel as float).
            EXPECT_NEAR(joints[i].positionRad, kOther[i], 1e-5);
            EXPECT_GT(joints[i].voltageV, 0.0);  // the arm is powered
            EXPECT_GT(joints[i].temperatureC, 0.0);
            EXPECT_LT(joints[i].temperatureC, 100.0);
            EXPECT_EQ(joints[i].error, 0);
        }
    };
    {
        std::lock_guard<std::mutex> lock(mutex);
        expectPlausible(status);
        expectJointsNear(waypoint.jointsRad, kOther, 1e-9);
        expectPoseNear(waypoint.flange, robot().forward(kOther));
    }
    expectPlausible(robot().jointStatus());

    // Switched off, neither is called again; the joint-angle callback shares
    // the waypoint push and keeps it while set.
    std::atomic<int> anglePushes{0};
    robot().onJointAngles([&](const tevo::JointsRad&) { ++anglePushes; });
    robot().onJointStatus({});
    robot().onWaypoint({});
    const int statusSeen = statusPushes.load();
    const int waypointSeen = waypointPushes.load();
    const int anglesSeen = anglePushes.load();
    EXPECT_TRUE(waitFor([&] { return anglePushes.load() > anglesSeen + 2; }));
    EXPECT_EQ(statusPushes.load(), statusSeen);
    EXPECT_EQ(waypointPushes.load(), waypointSeen);
    robot().onJointAngles({});
}

// A callback that throws on every push: the library's thread survives, the
// first exception is reported with its text, the rest are counted, and the
// pushes keep coming.
TEST_F(ModernOperations, ThrowingCallbackIsReportedCountedAndKeepsBeingCalled) {
    std::atomic<int> calls{0};
    robot().startup();
    testing::internal::CaptureStderr();
    robot().onJointAngles([&](const tevo::JointsRad&) {
        ++calls;
        throw std::runtime_error("bad push handler");
    });
    EXPECT_TRUE(waitFor([&] { return calls.load() >= 5; }));
    robot().onJointAngles(nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_GE(robot().callbackErrors(), 5u);
    EXPECT_EQ(robot().callbackErrors(), static_cast<uint64_t>(calls.load()));
    EXPECT_NE(err.find("callback onJointAngles threw: bad push handler"), std::string::npos) << err;
    EXPECT_EQ(err.find("bad push handler"), err.rfind("bad push handler"))
        << "only the first exception is printed at once: " << err;
    robot().moveJoint(kOther);  // the library still works
}

TEST_F(ModernOperations, OfflineTrackUploadedFromPointsAndFilePlaysToItsEnd) {
    robot().startup();
    robot().moveJoint(kHome);
    // kHome to kOther in 20 steps: the first half as points, the second from a file.
    std::vector<tevo::JointsRad> track;
    std::string fileText = "# second half\n";
    for (int step = 0; step <= 20; ++step) {
        tevo::JointsRad q{};
        for (size_t i = 0; i < 6; ++i) q[i] = kHome[i] + (kOther[i] - kHome[i]) * step / 20.0;
        track.push_back(q);
        if (step > 10) {
            char line[256];
            std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", q[0], q[1],
                          q[2], q[3], q[4], q[5]);
            fileText += line;
        }
    }
    robot().clearOfflineTrack();
    robot().appendOfflineTrack({track.begin(), track.begin() + 11});
    const tevo_test::TempFile file(fileText);
    robot().appendOfflineTrackFile(file.path());
    const std::vector<std::array<double, 6>> held = sim().offlineTrackJoints();
    ASSERT_EQ(held.size(), track.size());
    for (size_t i = 0; i < track.size(); ++i) expectJointsNear(held[i], track[i], 1e-9);

    // A file with a bad line is refused whole: the controller's track stays.
    const tevo_test::TempFile bad("0.1 0.2 0.3\n");
    EXPECT_THROW(robot().appendOfflineTrackFile(bad.path()), tevo::InvalidArgumentError);
    EXPECT_EQ(sim().offlineTrackJoints().size(), track.size());

    robot().startOfflineTrack();
    expectJointsNear(robot().jointsRad(), track.back(), 1e-6);
}

TEST_F(ModernOperations, CachedCustomerTrackPlaysToItsLastPointReportingProgress) {
    robot().startup();
    // Joint 1 sweeps 0.3 rad in 60 points (about 4 mm of tool path apart).
    const int points = 60;
    std::vector<tevo::JointsRad> path;
    std::string text;
    for (int i = 0; i < points; ++i) {
        tevo::JointsRad q = kHome;
        q[0] = -0.3 + 0.3 * i / (points - 1);
        path.push_back(q);
        const tevo::Pose pose = robot().forward(q);
        const Ori ori{pose.quaternionWxyz[0], pose.quaternionWxyz[1], pose.quaternionWxyz[2],
                      pose.quaternionWxyz[3]};
        Rpy rpy{};
        ASSERT_EQ(robot().facade().quaternionToRPY(ori, rpy), ErrnoSucc);
        const double toDegrees = 180.0 / 3.14159265358979323846;
        char line[256];
        std::snprintf(line, sizeof line, "%.9f %.9f %.9f %.9f %.9f %.9f\n",
                      pose.positionM[0] * 1000.0, pose.positionM[1] * 1000.0,
                      pose.positionM[2] * 1000.0, rpy.rx * toDegrees, rpy.ry * toDegrees,
                      rpy.rz * toDegrees);
        text += line;
    }
    const tevo_test::TempFile file(text);
    std::mutex mutex;
    std::vector<int> progress;
    robot().onMoveProgress([&](int index) {
        std::lock_guard<std::mutex> lock(mutex);
        progress.push_back(index);
    });

    // The track as smoothed for playback: it starts and ends near the path's ends.
    const std::vector<tevo::Waypoint> smoothed =
        robot().parseTrackFile(file.path(), POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, path[0]);
    ASSERT_EQ(smoothed.size(), path.size());
    expectJointsNear(smoothed.back().jointsRad, path.back(), 0.05);

    const tevo::Waypoint first = robot().cacheTrackFile(file.path(), path[0]);
    expectJointsNear(first.jointsRad, path[0], 1e-4);
    robot().moveJoint(first.jointsRad);
    robot().moveCachedTrack();

    expectJointsNear(robot().jointsRad(), smoothed.back().jointsRad, 1e-6);
    robot().onMoveProgress({});  // before what it captures goes
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), points - 1);

    // A file that is no track throws.
    const tevo_test::TempFile bad("not a pose\n");
    EXPECT_THROW(robot().cacheTrackFile(bad.path(), path[0]), tevo::RobotError);
}
