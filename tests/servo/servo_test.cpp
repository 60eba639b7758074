// Servo streaming against the in-process simulator: local refusals, pacing,
// the controller's refusal and silence, the watchdog, and the deceleration
// after a stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "support/armfixture.h"
#include "tevo/robot.hpp"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSetPosData2Canbus = 77;  // command type as the simulator counts it
using Joints = std::array<double, 6>;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The arm started up; the simulator in real time, so that its servo
// follower and watchdog run at their own rates.
class ServoTest : public tevo_test::StartedArmFixture {
protected:
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = StartedArmFixture::simOptions();
        o.timeScale = 1.0;
        o.servoMaxJointAccel = 10.0;  // a deceleration long enough to be sampled
        return o;
    }

    Joints currentJoints() {
        JointParam q{};
        EXPECT_EQ(facade_->robotServiceGetJointAngleInfo(q), ErrnoSucc);
        Joints out{};
        std::copy(q.jointPos, q.jointPos + 6, out.begin());
        return out;
    }

    ServoStreamStatus status() {
        ServoStreamStatus s;
        facade_->robotServiceServoStatus(s);
        return s;
    }

    // Streams joint 1 from `from` at speedRadPerS for the given number of
    // cycles; returns the last target.
    Joints streamJoint1(Joints from, double speedRadPerS, int cycles, double periodSec) {
        for (int i = 0; i < cycles; ++i) {
            EXPECT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
            from[0] += speedRadPerS * periodSec;
            EXPECT_EQ(facade_->robotServiceServoJoint(from.data()), ErrnoSucc) << "cycle " << i;
        }
        return from;
    }
};

ServoStreamOptions optionsOf(double periodSec, double answerTimeoutSec = 0.5) {
    ServoStreamOptions o;
    o.periodSec = periodSec;
    o.answerTimeoutSec = answerTimeoutSec;
    return o;
}

// The loop keeps to the grid of the period: the mean period over 2,000
// cycles at 500 Hz is within 0.1% of 2 ms, and every target reaches the
// controller and is answered. Another thread reads the figures meanwhile.
TEST_F(ServoTest, PacingKeepsTheMeanPeriodOver2000Cycles) {
    constexpr int kCycles = 2000;
    constexpr double kPeriod = 0.002;
    const Joints q = currentJoints();
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod)), ErrnoSucc);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            ServoStreamStatus s;
            facade_->robotServiceServoStatus(s);
            std::this_thread::sleep_for(1ms);
        }
    });
    std::vector<Clock::time_point> woke;
    woke.reserve(kCycles);
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
        woke.push_back(Clock::now());
        ASSERT_EQ(facade_->robotServiceServoJoint(q.data()), ErrnoSucc);
    }
    done = true;
    reader.join();
    // The mean period from where the wake-ups sit against an exact grid at
    // the start and at the end: medians over 100 cycles, so that one wake-up
    // delayed by a busy machine does not count as the loop's drift.
    const auto offsetAt = [&](int first) {
        std::vector<double> offsets;
        for (int i = first; i < first + 100; ++i) {
            offsets.push_back(std::chrono::duration<double>(woke[i] - woke[0]).count() -
                              i * kPeriod);
        }
        std::nth_element(offsets.begin(), offsets.begin() + 50, offsets.end());
        return offsets[50];
    };
    const double mean = kPeriod + (offsetAt(kCycles - 100) - offsetAt(0)) / (kCycles - 100);
    ASSERT_TRUE(waitFor([&] { return status().answered == kCycles; }));
    const ServoStreamStatus s = status();
    // An overrun (a machine too busy to wake the loop within a period) skips
    // one point of the grid; on a machine that keeps up there is none, and
    // the mean is within 0.1% of the period.
    EXPECT_NEAR(mean, kPeriod,
                kPeriod * 0.001 + static_cast<double>(s.overruns) * kPeriod / (kCycles - 100))
        << s.overruns << " overruns, lateness p99 " << s.lateP99Sec << " s";
    EXPECT_EQ(s.cycles, static_cast<uint64_t>(kCycles));
    EXPECT_EQ(s.sent, static_cast<uint64_t>(kCycles));
    EXPECT_EQ(s.refused, 0u);
    EXPECT_LE(s.lateP50Sec, s.lateP99Sec);
    EXPECT_LE(s.lateP99Sec, s.lateMaxSec);
    EXPECT_GT(s.answerMaxSec, 0.0);
    EXPECT_LE(s.answerP50Sec, s.answerMaxSec);
    EXPECT_EQ(sim().requestCount(kSetPosData2Canbus), static_cast<uint64_t>(kCycles));
    EXPECT_EQ(facade_->robotServiceServoStop(), ErrnoSucc);
}

// A late cycle is an overrun that returns at once, and the next deadline is
// the next point of the grid: neither a burst of catch-up cycles nor a grid
// shifted by the delay.
TEST_F(ServoTest, OverrunReturnsAtOnceAndKeepsTheGrid) {
    // Long periods, so that being descheduled on a loaded machine does not
    // blur the three outcomes told apart below (grid kept: 3 periods after
    // onGrid; drift: 3.5; burst: 2.5).
    constexpr double kPeriod = 0.05;
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod)), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
    const Clock::time_point onGrid = Clock::now();
    const auto busy = onGrid + std::chrono::microseconds(125000);  // 2.5 periods of work
    while (Clock::now() < busy) {
    }
    const Clock::time_point late = Clock::now();
    ASSERT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
    EXPECT_LT(secondsSince(late), kPeriod / 2) << "an overrun returns at once";
    EXPECT_EQ(status().overruns, 1u);
    ASSERT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
    // The grid point after the late start is 3 periods after onGrid.
    EXPECT_NEAR(secondsSince(onGrid), 3 * kPeriod, kPeriod / 4);
    const ServoStreamStatus s = status();
    EXPECT_EQ(s.cycles, 3u);
    EXPECT_EQ(s.overruns, 1u);
    EXPECT_GE(s.lateMaxSec, 1.4 * kPeriod);
    EXPECT_EQ(facade_->robotServiceServoStop(), ErrnoSucc);
}

// A stop while the driving thread waits ends its wait with ErrCode_Failed.
TEST_F(ServoTest, StopFromAnotherThreadEndsTheWait) {
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(0.05)), ErrnoSucc);
    std::thread stopper([&] { EXPECT_EQ(facade_->robotServiceServoStop(), ErrnoSucc); });
    stopper.join();
    EXPECT_EQ(facade_->robotServiceServoWaitPeriod(), ErrCode_Failed);
    const double target[6] = {0, 0, 0, 0, 0, 0};
    EXPECT_EQ(facade_->robotServiceServoJoint(target), ErrCode_Failed);
    EXPECT_EQ(status().active, 0);
}

// What went wrong with earlier targets fails a later send with its cause:
// the controller's refusal (kept, with its reason, for the thread), an
// answer overdue beyond the time-out, a lost link.
TEST_F(ServoTest, LaterSendFailsWithTheCauseOfAnEarlierProblem) {
    constexpr double kPeriod = 0.002;
    constexpr double kAnswerTimeout = 0.1;
    const struct {
        const char* name;
        std::function<void(tevo_sim::ControllerSim&)> inject;
        int expected;
    } cases[] = {
        {"refusal",
         [](tevo_sim::ControllerSim& sim) {
             tevo_sim::FaultRule rule;
             rule.serverCode = RobotResponseCode_InvalidValue;
             rule.remaining = 1;
             sim.setFault(kSetPosData2Canbus, rule);
         },
         ErrCode_ResponseReturnError},
        {"silence", [](tevo_sim::ControllerSim& sim) { sim.setFrozen(true); },
         ErrCode_RequestTimeout},
        {"lost link", [](tevo_sim::ControllerSim& sim) { sim.closeConnection(); },
         ErrCode_SocketDisconnect},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        facade_ = std::make_unique<ServiceInterface>();
        ASSERT_EQ(facade_->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
        const Joints q = currentJoints();
        ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod, kAnswerTimeout)), ErrnoSucc);
        streamJoint1(q, 0.0, 20, kPeriod);
        c.inject(sim());
        const Clock::time_point injected = Clock::now();
        int ret = ErrnoSucc;
        while (ret == ErrnoSucc && secondsSince(injected) < 5.0) {
            ASSERT_EQ(facade_->robotServiceServoWaitPeriod(), ErrnoSucc);
            ret = facade_->robotServiceServoJoint(q.data());
        }
        EXPECT_EQ(ret, c.expected);
        if (c.expected == ErrCode_ResponseReturnError) {
            const ControllerRefusal refusal = ServiceInterface::lastControllerRefusal();
            EXPECT_EQ(refusal.commandType, kSetPosData2Canbus);
            EXPECT_EQ(refusal.controllerCode, RobotResponseCode_InvalidValue);
            EXPECT_FALSE(refusal.text.empty());
            EXPECT_EQ(status().refused, 1u);
            EXPECT_EQ(facade_->robotServiceServoJoint(q.data()), ErrCode_ResponseReturnError)
                << "a refused stream stays refused";
        }
        if (c.expected == ErrCode_RequestTimeout) {
            // The oldest unanswered target may have gone out a few periods
            // before the freeze.
            EXPECT_GE(secondsSince(injected), kAnswerTimeout - 10 * kPeriod);
            EXPECT_LT(secondsSince(injected), kAnswerTimeout + 1.0);
        }
        sim().setFrozen(false);
        sim().clearFaults();
        facade_->robotServiceServoStop();
    }
}

// The watchdog: after the application stops sending, the controller brings
// the arm to rest near the last target, the event reaches the application,
// and once the controller has refused a target the next send fails with its
// reason.
TEST_F(ServoTest, WatchdogBringsTheArmToRestAndTheEventReachesTheApplication) {
    std::atomic<int> trackingLost{0};
    facade_->robotServiceRegisterRobotEventInfoCallback(
        [](const RobotEventInfo* info, void* arg) {
            if (info->eventType == RobotEventControllerTrackingLost)
                static_cast<std::atomic<int>*>(arg)->fetch_add(1);
        },
        &trackingLost);
    constexpr double kPeriod = 0.002;
    constexpr double kSpeed = 0.5;  // rad/s, joint 1
    const Joints start = currentJoints();
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod)), ErrnoSucc);
    const Joints last = streamJoint1(start, kSpeed, 200, kPeriod);
    ASSERT_TRUE(waitFor([&] { return trackingLost.load() == 1; }, 3000ms));
    ASSERT_TRUE(sim().waitIdle(3000ms));
    const tevo_sim::ArmSnapshot rest = sim().snapshot();
    EXPECT_TRUE(rest.streamTripped);
    // At most the watchdog time at full speed plus the braking distance
    // beyond the last target, and never behind the arm's way.
    const tevo_sim::SimOptions o = sim().options();
    const double watchdogSec = std::chrono::duration<double>(o.servoWatchdog).count();
    const double reach = kSpeed * watchdogSec + kSpeed * kSpeed / (2 * o.servoMaxJointAccel);
    EXPECT_LE(std::fabs(rest.joints[0] - last[0]), reach + 0.01);
    for (int j = 1; j < 6; ++j) EXPECT_NEAR(rest.joints[j], start[j], 1e-6) << "joint " << j + 1;

    // The first target after the trip is written and refused by the controller.
    EXPECT_EQ(facade_->robotServiceServoJoint(last.data()), ErrnoSucc);
    ASSERT_TRUE(waitFor([&] { return status().refused == 1; }));
    EXPECT_EQ(facade_->robotServiceServoJoint(last.data()), ErrCode_ResponseReturnError);
    const ControllerRefusal refusal = ServiceInterface::lastControllerRefusal();
    EXPECT_EQ(refusal.controllerCode, RobotResponseCode_ProcessRequesFailed);
    EXPECT_FALSE(refusal.text.empty());
    EXPECT_EQ(facade_->robotServiceServoStop(), ErrnoSucc);
    // A new stream is followed again.
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod)), ErrnoSucc);
    streamJoint1(currentJoints(), 0.0, 5, kPeriod);
    ASSERT_TRUE(waitFor([&] { return status().answered == 5; }));
    EXPECT_EQ(status().refused, 0u);
    EXPECT_EQ(facade_->robotServiceServoStop(), ErrnoSucc);
}

// A stream stopped while the arm moves decelerates it: the speed falls over
// time and the arm travels on a little, no jump to rest.
TEST_F(ServoTest, StoppedStreamDecelerates) {
    constexpr double kPeriod = 0.002;
    constexpr double kSpeed = 1.0;  // rad/s, joint 1
    ASSERT_EQ(facade_->robotServiceServoStart(optionsOf(kPeriod)), ErrnoSucc);
    streamJoint1(currentJoints(), kSpeed, 250, kPeriod);  // 0.5 s, at full speed from 0.1 s
    ASSERT_EQ(facade_->robotServiceServoStop(), ErrnoSucc);
    const tevo_sim::ArmSnapshot atStop = sim().snapshot();
    std::vector<double> speeds;
    tevo_sim::ArmSnapshot now = atStop;
    ASSERT_TRUE(waitFor(
        [&] {
            now = sim().snapshot();
            speeds.push_back(std::fabs(now.jointSpeeds[0]));
            return !now.moving;
        },
        3000ms));
    ASSERT_GE(speeds.size(), 3u);
    const double brakingDistance = kSpeed * kSpeed / (2 * sim().options().servoMaxJointAccel);
    const double travelled = std::fabs(now.joints[0] - atStop.joints[0]);
    EXPECT_GT(travelled, brakingDistance / 10) << "the arm travels on after the stop";
    EXPECT_LT(travelled, brakingDistance * 2 + 0.01);
    // Samples between full speed and rest: the speed went down gradually.
    const auto between = std::count_if(speeds.begin(), speeds.end(), [&](double v) {
        return v > 0.2 * kSpeed && v < 0.8 * kSpeed;
    });
    EXPECT_GE(between, 1);
}

// Targets refused before sending, through the modern layer: each throws the
// error of its kind and the controller receives nothing; the stream goes on.
class ModernServoTest : public tevo_test::SimFixture {};

TEST_F(ModernServoTest, LocalRefusalsThrowByKindAndSendNothing) {
    tevo::Robot robot(simHost(), simPort(), simUser(), simPassword());
    robot.startup();
    const tevo::JointsRad q = robot.jointsRad();
    tevo::ServoStream stream = robot.startServo();
    tevo::JointsRad jump = q;
    jump[2] += 0.1;  // 50 times what 3 rad/s allow in 2 ms
    tevo::JointsRad notANumber = q;
    notANumber[4] = std::numeric_limits<double>::quiet_NaN();
    tevo::Pose outOfReach;
    outOfReach.positionM = {5.0, 0.0, 0.5};
    const auto isTarget = [](const tevo::RobotError& e) {
        return dynamic_cast<const tevo::TargetError*>(&e) != nullptr;
    };
    const auto isInvalid = [](const tevo::RobotError& e) {
        return dynamic_cast<const tevo::InvalidArgumentError*>(&e) != nullptr;
    };
    const struct {
        const char* name;
        std::function<void()> send;
        std::function<bool(const tevo::RobotError&)> ofKind;
        int code;
    } cases[] = {
        {"jump beyond the speed limit", [&] { stream.sendJoints(jump); }, isTarget,
         ErrCodeJointTargetSpeedOutOfRange},
        {"pose out of reach", [&] { stream.sendPose(outOfReach); }, isTarget, ErrCode_IkFailed},
        {"not a number", [&] { stream.sendJoints(notANumber); }, isInvalid, ErrCode_ParamError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.send();
            ADD_FAILURE() << "not refused";
        } catch (const tevo::RobotError& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_TRUE(c.ofKind(e)) << e.what();
        }
    }
    EXPECT_EQ(sim().requestCount(kSetPosData2Canbus), 0u);
    EXPECT_EQ(stream.status().refusedLocally, 2u) << "the jump and the pose";
    // A target within the limit goes out.
    tevo::JointsRad step = q;
    step[2] += 0.001;
    stream.waitPeriod();
    stream.sendJoints(step);
    EXPECT_TRUE(sim().waitForRequests(kSetPosData2Canbus, 1, 2000ms));
    stream.stop();
    stream.stop();  // idempotent
    EXPECT_THROW(robot.startServo(tevo::ServoOptions{0.5, 3.0, 0.5}), tevo::InvalidArgumentError);
}

}  // namespace
