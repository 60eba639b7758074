// Moves through the facade against the in-process simulator: the blocking
// protocol and its end events, refusals, disconnects, move control from a
// second thread, and the RobotMove body of every move kind as the simulator
// received it.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotutilservice.h"
#include "robotcommon.pb.h"
#include "support/armfixture.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;
namespace pb = tevo::robot::common;

namespace {

using Joints = std::array<double, 6>;

// Near the simulator's home pose, away from singularities.
const Joints kA = {0.3, -0.2, 1.6, 0.4, 1.5, 0.2};
const Joints kB = {0.35, -0.15, 1.55, 0.45, 1.45, 0.25};
const Joints kC = {0.1, -0.3, 1.7, 0.3, 1.6, -0.1};
const Joints kD = {-0.1, -0.25, 1.65, 0.5, 1.55, 0.1};
const Joints kE = {-0.3, -0.1, 1.5, 0.4, 1.4, 0.3};
constexpr double kDefaultJoint = 0.4363323129985824;
constexpr int kRobotMove = 22;
constexpr int kTeachStart = 23;

class MotionTest : public tevo_test::StartedArmFixture {
protected:
    int jointMove(Joints q, bool block) { return facade_->robotServiceJointMove(q.data(), block); }

    // Starts a blocking call on a thread of its own.
    template <typename F>
    static std::future<int> async(F&& f) {
        return std::async(std::launch::async, std::forward<F>(f));
    }

    static bool finishes(std::future<int>& f, std::chrono::milliseconds timeout = 10s) {
        return f.wait_for(timeout) == std::future_status::ready;
    }

    // Every frame the simulator sent before this reply has been handled when
    // it returns: the receive thread takes frames in order.
    void drain() {
        RobotWorkMode mode;
        ASSERT_EQ(facade_->robotServiceGetRobotWorkMode(mode), ErrnoSucc);
    }

    bool armAt(const Joints& q, double tol = 1e-6) {
        const auto snap = sim().snapshot();
        for (int i = 0; i < 6; ++i)
            if (std::fabs(snap.joints[i] - q[i]) > tol) return false;
        return !snap.moving;
    }

    pb::RobotMove lastMove() {
        pb::RobotMove mv;
        const auto body = sim().lastRequestBody(kRobotMove);
        EXPECT_TRUE(body.has_value());
        if (body) {
            EXPECT_TRUE(mv.ParseFromString(*body));
        }
        return mv;
    }

    // A long joint move: slow joints and a long way.
    void slowDown() {
        JointVelcAccParam slow = {{0.05, 0.05, 0.05, 0.05, 0.05, 0.05}};
        ASSERT_EQ(facade_->robotServiceSetGlobalMoveJointMaxVelc(slow), ErrnoSucc);
    }

    // Arrival events seen by an event callback. A member, not a local of the
    // test: the event thread may still deliver the last move's event after the
    // test body returns, until TearDown releases the facade.
    std::atomic<int> arrivals_{0};
};

TEST_F(MotionTest, BlockingJointMoveReturnsWhenTheArmArrives) {
    EXPECT_EQ(jointMove(kA, true), ErrnoSucc);
    EXPECT_TRUE(armAt(kA));
    EXPECT_EQ(sim().snapshot().movesCompleted, 1u);

    // The current waypoint reads the arm back with its forward kinematics.
    wayPoint_S now, fk;
    ASSERT_EQ(facade_->robotServiceGetCurrentWaypointInfo(now), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceRobotFk(kA.data(), 6, fk), ErrnoSucc);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(now.jointpos[i], kA[i], 1e-9);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(now.cartPos.positionVector[i], fk.cartPos.positionVector[i], 1e-9);
}

TEST_F(MotionTest, NonBlockingMoveReturnsAtAcceptance) {
    slowDown();
    ASSERT_EQ(jointMove(kA, false), ErrnoSucc);
    EXPECT_FALSE(armAt(kA));  // returned long before the arm arrives
    EXPECT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
    EXPECT_TRUE(sim().waitIdle(20s));
    EXPECT_TRUE(armAt(kA));
}

TEST_F(MotionTest, EndEventDecidesTheResult) {
    struct Case {
        int event;
        int result;
    };
    const Case cases[] = {
        {1001, ErrCodeMoveJConfigError},
        {1104, 21104},
        {RobotEventMoveEnterStopState, 21300},
        {2550, 22550},
        {2102, 22102},
        {RobotEvent_robotControllerError, 20026},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        tevo_sim::FaultRule rule;
        rule.completionEvent = tevo_sim::EventSpec{c.event, 0, "ended"};
        rule.remaining = 1;
        sim().setFault(kRobotMove, rule);
        const Joints& target = c.event % 2 ? kA : kB;
        EXPECT_EQ(jointMove(target, true), c.result);
        ASSERT_TRUE(sim().waitIdle(5s));
    }
}

TEST_F(MotionTest, EventsOutsideTheMoveFinishClassNeverEndTheWait) {
    tevo_sim::FaultRule rule;
    rule.suppressCompletion = true;
    rule.remaining = 1;
    sim().setFault(kRobotMove, rule);
    auto move = async([&] { return jointMove(kA, true); });
    ASSERT_TRUE(sim().waitForRequests(kRobotMove, 1, 5s));
    ASSERT_TRUE(sim().waitIdle(10s));  // arrived, but its end event was suppressed

    sim().sendEvent({RobotEventSoftEmergencyExit, 0, "emergency exit"});
    sim().sendEvent({RobotEvent_collision, 0, "collision"});
    sim().sendEvent({RobotEvent_robotStartupDoneResult, 0, "startup"});
    drain();
    EXPECT_FALSE(finishes(move, 100ms));

    sim().sendEvent({RobotEvent_atTrackTargetPos, 0, "arrived"});
    ASSERT_TRUE(finishes(move));
    EXPECT_EQ(move.get(), ErrnoSucc);
}

TEST_F(MotionTest, EndEventBeforeTheResponseIsTheMovesEnd) {
    struct Case {
        int event;
        int result;
    };
    // atTrackTargetPos is taken as arrival; any other end event that came
    // before the response ends the move too instead of being dropped.
    const Case cases[] = {{RobotEvent_atTrackTargetPos, ErrnoSucc},
                          {RobotEventMoveEnterStopState, ErrCodeMoveEnterStopState},
                          {2550, 22550}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        tevo_sim::FaultRule rule;
        rule.eventsBefore = {tevo_sim::EventSpec{c.event, 0, "early"}};
        rule.suppressCompletion = true;
        rule.skipStateChange = true;  // the arm stays: only the early event can end the call
        rule.remaining = 1;
        sim().setFault(kRobotMove, rule);
        auto move = async([&] { return jointMove(kA, true); });
        ASSERT_TRUE(finishes(move, 5s));
        EXPECT_EQ(move.get(), c.result);
    }
}

TEST_F(MotionTest, AnEarlierMovesEndEventNeverEndsALaterBlockingMove) {
    // The earlier move's end event must have reached the library (and with it
    // the move-finish queue) before the later move starts: the arm going idle
    // in the simulator does not say that its event was already read.
    facade_->robotServiceRegisterRobotEventInfoCallback(
        [](const RobotEventInfo* e, void* arg) {
            if (e->eventType == RobotEvent_atTrackTargetPos) ++*static_cast<std::atomic<int>*>(arg);
        },
        &arrivals_);
    ASSERT_EQ(jointMove(kA, false), ErrnoSucc);
    ASSERT_TRUE(waitFor([&] { return arrivals_.load() == 1; }, 10s));

    slowDown();
    EXPECT_EQ(jointMove(kC, true), ErrnoSucc);
    // Had the stale event ended it, the arm would still be on its way.
    EXPECT_TRUE(armAt(kC));
    EXPECT_EQ(sim().snapshot().movesCompleted, 2u);
}

TEST_F(MotionTest, RefusedMoveReturnsTheRefusalWithoutWaiting) {
    tevo_sim::FaultRule rule;
    rule.serverCode = tevo_sim::CodeProcessRequestFailed;
    rule.remaining = 1;
    sim().setFault(kRobotMove, rule);
    auto move = async([&] { return jointMove(kA, true); });
    ASSERT_TRUE(finishes(move, 5s));
    EXPECT_EQ(move.get(), ErrCode_ResponseReturnError);
    EXPECT_FALSE(sim().snapshot().moving);

    // The controller itself refuses moves of an arm that is shut down.
    ASSERT_EQ(facade_->robotServiceRobotShutdown(true), ErrnoSucc);
    EXPECT_EQ(jointMove(kA, true), ErrCode_ResponseReturnError);
}

TEST_F(MotionTest, LostConnectionEndsABlockingMoveAtOnce) {
    struct Case {
        const char* name;
        std::function<void()> cut;
    };
    const Case cases[] = {
        {"controller closes", [&] { sim().closeConnection(); }},
        {"local logout", [&] { facade_->robotServiceLogout(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!sim().waitForConnections(1, 10ms)) {
            ASSERT_EQ(facade_->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                      ErrnoSucc);
        }
        tevo_sim::FaultRule rule;
        rule.suppressCompletion = true;
        rule.remaining = 1;
        sim().setFault(kRobotMove, rule);
        const uint64_t before = sim().requestCount(kRobotMove);
        auto move = async([&] { return jointMove(kA, true); });
        ASSERT_TRUE(sim().waitForRequests(kRobotMove, before + 1, 5s));
        drain();  // accepted: the call now waits for the end event
        c.cut();
        ASSERT_TRUE(finishes(move, 5s));
        EXPECT_EQ(move.get(), ErrCode_SocketDisconnect);
        ASSERT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
        ASSERT_TRUE(sim().waitIdle(10s));
    }
    // Without a connection a move fails at once.
    EXPECT_EQ(jointMove(kA, true), ErrCode_SocketDisconnect);
}

TEST_F(MotionTest, PauseContinueAndStopFromAnotherThread) {
    slowDown();
    auto move = async([&] { return jointMove(kE, true); });
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }));

    EXPECT_EQ(facade_->rootServiceRobotMoveControl(RobotMovePause), ErrnoSucc);
    EXPECT_TRUE(sim().snapshot().paused);
    const double pausedAt = sim().snapshot().joints[0];
    EXPECT_FALSE(finishes(move, 50ms));
    EXPECT_EQ(sim().snapshot().joints[0], pausedAt);  // at rest while paused

    EXPECT_EQ(facade_->rootServiceRobotMoveControl(RobotMoveContinue), ErrnoSucc);
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().joints[0] != pausedAt; }));

    EXPECT_EQ(facade_->robotMoveStop(), ErrnoSucc);
    ASSERT_TRUE(finishes(move));
    EXPECT_EQ(move.get(), ErrCodeMoveEnterStopState);
    EXPECT_FALSE(armAt(kE));
    EXPECT_EQ(sim().snapshot().movesStopped, 1u);

    // A value that is no move-control command sends nothing.
    const uint64_t stops = sim().requestCount(tevo_sim::MoveControlSlowStop);
    EXPECT_EQ(facade_->rootServiceRobotMoveControl(static_cast<RobotMoveControlCommand>(3)),
              ErrnoSucc);
    EXPECT_EQ(sim().requestCount(tevo_sim::MoveControlSlowStop), stops);
}

TEST_F(MotionTest, FastStopEndsABlockingMove) {
    slowDown();
    auto move = async([&] { return jointMove(kE, true); });
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
    EXPECT_EQ(facade_->robotMoveFastStop(), ErrnoSucc);
    ASSERT_TRUE(finishes(move));
    EXPECT_EQ(move.get(), ErrCodeMoveEnterStopState);
    EXPECT_EQ(sim().requestCount(tevo_sim::MoveControlFastStop), 1u);
}

TEST_F(MotionTest, JointAndLineMoveBodies) {
    JointVelcAccParam velc = {{0.5, 0.6, 0.7, 0.8, 0.9, 1.0}};
    ASSERT_EQ(facade_->robotServiceSetGlobalMoveJointMaxVelc(velc), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetGlobalMoveEndMaxLineVelc(0.2), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetGlobalMoveEndMaxLineAcc(0.4), ErrnoSucc);
    ToolInEndDesc tool{{0, 0, 0.1}, {1, 0, 0, 0}};
    ASSERT_EQ(facade_->robotServiceSetToolKinematicsParam(tool), ErrnoSucc);

    ASSERT_EQ(jointMove(kA, true), ErrnoSucc);
    pb::RobotMove mv = lastMove();
    const pb::RobotMoveProfile& jp = mv.move_profile();
    EXPECT_EQ(jp.movemode(), 1);
    EXPECT_EQ(jp.submovemode(), 0);
    EXPECT_EQ(jp.teachmode(), 0);
    EXPECT_TRUE(jp.tooltrack());
    EXPECT_EQ(jp.toolinendposition().z(), 0.1);
    EXPECT_EQ(jp.toolinendorientation().w(), 1.0);
    EXPECT_FALSE(jp.relativemove().ena());
    ASSERT_EQ(jp.maxvelc().jointpara_size(), 6);
    EXPECT_EQ(jp.maxvelc().cartpara_size(), 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(jp.maxvelc().jointpara(i), velc.jointPara[i]);
        EXPECT_EQ(jp.maxacc().jointpara(i), kDefaultJoint);
    }
    EXPECT_FLOAT_EQ(jp.blendradius(), 0.02f);
    EXPECT_EQ(jp.circularlooptimes(), 0);
    EXPECT_EQ(jp.arrivalahead().arrivalaheadstat(), 0);
    ASSERT_EQ(mv.roadpointvector_size(), 1);
    wayPoint_S fk;
    ASSERT_EQ(facade_->robotServiceRobotFk(kA.data(), 6, fk), ErrnoSucc);
    const auto& rp = mv.roadpointvector(0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rp.jointpos(i), kA[i]);
    EXPECT_EQ(rp.cartpos().position(0).x(), fk.cartPos.position.x);
    EXPECT_EQ(rp.orientation().w(), fk.orientation.w);

    // The waypoint form takes the caller's waypoint and overwrites its pose
    // with the forward kinematics of its joints.
    wayPoint_S wp{};
    for (int i = 0; i < 6; ++i) wp.jointpos[i] = kB[i];
    wp.cartPos.position = {9, 9, 9};
    ASSERT_EQ(facade_->robotServiceLineMove(wp, true), ErrnoSucc);
    EXPECT_TRUE(armAt(kB, 1e-4));
    ASSERT_EQ(facade_->robotServiceRobotFk(kB.data(), 6, fk), ErrnoSucc);
    EXPECT_EQ(wp.cartPos.position.x, fk.cartPos.position.x);
    mv = lastMove();
    const pb::RobotMoveProfile& lp = mv.move_profile();
    EXPECT_EQ(lp.movemode(), 2);
    ASSERT_EQ(lp.maxvelc().jointpara_size(), 6);
    EXPECT_EQ(lp.maxvelc().jointpara(0), 0.2);
    EXPECT_EQ(lp.maxvelc().jointpara(1), 1.7453292519943295);
    EXPECT_EQ(lp.maxacc().jointpara(0), 0.4);
    for (int i = 2; i < 6; ++i) EXPECT_EQ(lp.maxvelc().jointpara(i), kDefaultJoint);
    EXPECT_EQ(mv.roadpointvector(0).cartpos().position(0).y(), fk.cartPos.position.y);

    // A joint move with arrival ahead by distance goes as a tracking move.
    facade_->robotServiceSetArrivalAheadDistanceMode(0.005);
    ASSERT_EQ(jointMove(kA, true), ErrnoSucc);
    EXPECT_EQ(lastMove().move_profile().submovemode(), 1);
    EXPECT_EQ(lastMove().move_profile().arrivalahead().arrivalaheadthr(), 0.005);
}

TEST_F(MotionTest, PerCallProfileBodies) {
    MoveProfile_t mp{};
    for (int i = 0; i < 6; ++i) {
        mp.jointMaxAcc[i] = 1.5;
        mp.jointMaxVelc[i] = 0.9 + 0.01 * i;
    }
    mp.endMaxLineAcc = 0.5;
    mp.endMaxLineVelc = 0.25;
    mp.blendRadius = 0.01;
    mp.relative.ena = false;
    mp.relativeOnCoord.coordType = BaseCoordinate;
    mp.toolInEndDesc = {{0, 0, 0}, {1, 0, 0, 0}};
    Joints a = kA, b = kB;
    ASSERT_EQ(facade_->robotServiceJointMove(mp, a.data(), true), ErrnoSucc);
    pb::RobotMove mv = lastMove();
    EXPECT_EQ(mv.move_profile().movemode(), 1);
    EXPECT_EQ(mv.move_profile().maxvelc().jointpara(5), mp.jointMaxVelc[5]);
    EXPECT_EQ(mv.move_profile().maxacc().jointpara(0), 1.5);
    EXPECT_FLOAT_EQ(mv.move_profile().blendradius(), 0.01f);

    ASSERT_EQ(facade_->robotServiceLineMove(mp, b.data(), true), ErrnoSucc);
    mv = lastMove();
    EXPECT_EQ(mv.move_profile().movemode(), 2);
    EXPECT_EQ(mv.move_profile().maxvelc().jointpara(0), 0.25);
    EXPECT_EQ(mv.move_profile().maxacc().jointpara(0), 0.5);
    EXPECT_TRUE(armAt(kB, 1e-4));

    // A profile the controller cannot follow is refused by it, not by the library.
    mp.jointMaxVelc[3] = std::nan("");
    EXPECT_EQ(facade_->robotServiceJointMove(mp, a.data(), true), ErrCode_ResponseReturnError);
    EXPECT_TRUE(armAt(kB, 1e-4));
}

TEST_F(MotionTest, FollowModeReturnsAtAcceptanceAndReplacesTheTarget) {
    slowDown();
    Joints a = kA, c = kC;
    ASSERT_EQ(facade_->robotServiceFollowModeJointMove(a.data()), ErrnoSucc);
    EXPECT_EQ(lastMove().move_profile().submovemode(), 1);
    EXPECT_FALSE(armAt(kA));
    ASSERT_EQ(facade_->robotServiceFollowModeJointMove(c.data()), ErrnoSucc);
    EXPECT_TRUE(sim().waitIdle(60s));
    EXPECT_TRUE(armAt(kC));
}

TEST_F(MotionTest, RotationMoveTurnsTheToolAboutABaseAxis) {
    ASSERT_EQ(jointMove(kA, true), ErrnoSucc);
    wayPoint_S before;
    ASSERT_EQ(facade_->robotServiceGetCurrentWaypointInfo(before), ErrnoSucc);

    CoordCalibrateByJointAngleAndTool base{};
    base.coordType = BaseCoordinate;
    const double axis[3] = {0, 0, 1};
    ASSERT_EQ(facade_->robotServiceRotateMove(base, axis, 0.2, true), ErrnoSucc);
    const pb::RobotMove mv = lastMove();
    EXPECT_EQ(mv.move_profile().movemode(), 2);
    EXPECT_EQ(mv.move_profile().teachmode(), ROT_Y);
    ASSERT_EQ(mv.roadpointvector_size(), 1);
    EXPECT_EQ(mv.roadpointvector(0).orientation().w(), 0.2);
    EXPECT_EQ(mv.roadpointvector(0).orientation().z(), 1.0);
    EXPECT_EQ(mv.roadpointvector(0).cartpos().position(0).x(), before.cartPos.position.x);

    wayPoint_S after;
    ASSERT_EQ(facade_->robotServiceGetCurrentWaypointInfo(after), ErrnoSucc);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(after.cartPos.positionVector[i], before.cartPos.positionVector[i], 1e-4);
    EXPECT_GT(std::fabs(after.jointpos[5] - before.jointpos[5]) +
                  std::fabs(after.jointpos[0] - before.jointpos[0]),
              0.05);

    // When the current waypoint cannot be read, nothing is sent.
    tevo_sim::FaultRule rule;
    rule.serverCode = tevo_sim::CodeProcessRequestFailed;
    sim().setFault(tevo_sim::GetRobotJointAngle, rule);
    const uint64_t moves = sim().requestCount(kRobotMove);
    EXPECT_EQ(facade_->robotServiceRotateMove(base, axis, 0.2, true), ErrCode_ResponseReturnError);
    EXPECT_EQ(sim().requestCount(kRobotMove), moves);
    EXPECT_EQ(facade_->robotServiceRotateMove(base, nullptr, 0.2, true), ErrCode_ParamError);
}

TEST_F(MotionTest, TrackMovesByNumberOfWaypoints) {
    // One waypoint: refused, nothing sent.
    Joints a = kA;
    ASSERT_EQ(facade_->robotServiceAddGlobalWayPoint(a.data()), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceTrackMove(CARTESIAN_MOVEP, true),
              ErrCode_MotionWaypointVetorSizeError);
    EXPECT_EQ(sim().requestCount(kRobotMove), 0u);

    // Two: a linear move to the second, whatever the mode.
    Joints b = kB;
    ASSERT_EQ(facade_->robotServiceAddGlobalWayPoint(b.data()), ErrnoSucc);
    ASSERT_EQ(jointMove(kA, true), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceTrackMove(JOINT_UBSPLINEINTP, true), ErrnoSucc);
    pb::RobotMove mv = lastMove();
    EXPECT_EQ(mv.move_profile().movemode(), 2);
    ASSERT_EQ(mv.roadpointvector_size(), 1);
    EXPECT_EQ(mv.roadpointvector(0).jointpos(0), kB[0]);
    EXPECT_TRUE(armAt(kB, 1e-4));

    // Five: one multi-point move through all, in order.
    facade_->robotServiceClearGlobalWayPointVector();
    const Joints five[] = {kB, kC, kD, kE, kA};
    for (Joints q : five) ASSERT_EQ(facade_->robotServiceAddGlobalWayPoint(q.data()), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetGlobalBlendRadius(0.03f), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceTrackMove(CARTESIAN_MOVEP, true), ErrnoSucc);
    mv = lastMove();
    EXPECT_EQ(mv.move_profile().movemode(), 3);
    EXPECT_EQ(mv.move_profile().submovemode(), CARTESIAN_MOVEP);
    EXPECT_FLOAT_EQ(mv.move_profile().blendradius(), 0.03f);
    ASSERT_EQ(mv.roadpointvector_size(), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(mv.roadpointvector(k).jointpos(2), five[k][2]) << k;
    EXPECT_TRUE(armAt(kA, 1e-4));
    // The list stays for the next track move.
    std::vector<wayPoint_S> list;
    facade_->robotServiceGetGlobalWayPointVector(list);
    EXPECT_EQ(list.size(), 5u);
}

TEST_F(MotionTest, TeachStartBodies) {
    struct Case {
        teach_mode mode;
        bool direction;
        int moveMode;
        int loops;
    };
    const Case cases[] = {{MOV_Z, true, 2, 1}, {JOINT3, false, 1, 0}, {ROT_X, false, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        ASSERT_EQ(facade_->robotServiceTeachStart(c.mode, c.direction), ErrnoSucc);
        ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
        ASSERT_EQ(facade_->robotServiceTeachStop(), ErrnoSucc);
        pb::RobotTeachMove tm;
        ASSERT_TRUE(tm.ParseFromString(*sim().lastRequestBody(kTeachStart)));
        EXPECT_EQ(tm.move_profile().movemode(), c.moveMode);
        EXPECT_EQ(tm.move_profile().submovemode(), 1);
        EXPECT_EQ(tm.move_profile().teachmode(), c.mode);
        EXPECT_EQ(tm.move_profile().circularlooptimes(), c.loops);
        EXPECT_FALSE(tm.move_profile().relativemove().ena());
        EXPECT_EQ(tm.coordinatesystemtype(), BaseCoordinate);
        ASSERT_TRUE(sim().waitIdle(5s));
    }
}

// The jog frame's three joint sets reach the controller as the waypoints
// forward kinematics gives for them.
TEST_F(MotionTest, TeachStartCarriesTheFrameCalibrationPointsAsForwardKinematics) {
    CoordCalibrateByJointAngleAndTool frame{};
    frame.coordType = BaseCoordinate;
    for (int p = 0; p < 3; ++p)
        for (int j = 0; j < ARM_DOF; ++j)
            frame.wayPointArray[p].jointPos[j] = 0.1 * (p + 1) + 0.05 * j;
    frame.toolDesc.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
    ASSERT_EQ(facade_->robotServiceSetTeachCoordinateSystem(frame), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceTeachStart(MOV_X, true), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceTeachStop(), ErrnoSucc);
    pb::RobotTeachMove tm;
    ASSERT_TRUE(tm.ParseFromString(*sim().lastRequestBody(kTeachStart)));
    ASSERT_EQ(tm.calibrateroadpointvector_size(), 3);
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        wayPoint_S expected{};
        ASSERT_EQ(RobotUtilService::robotFk(frame.wayPointArray[p].jointPos, ARM_DOF, expected),
                  ErrnoSucc);
        const auto& sent = tm.calibrateroadpointvector(p);
        ASSERT_EQ(sent.cartpos().position_size(), 1);
        EXPECT_DOUBLE_EQ(sent.cartpos().position(0).x(), expected.cartPos.position.x);
        EXPECT_DOUBLE_EQ(sent.cartpos().position(0).y(), expected.cartPos.position.y);
        EXPECT_DOUBLE_EQ(sent.cartpos().position(0).z(), expected.cartPos.position.z);
        EXPECT_DOUBLE_EQ(sent.orientation().w(), expected.orientation.w);
        ASSERT_EQ(sent.jointpos_size(), ARM_DOF);
        EXPECT_DOUBLE_EQ(sent.jointpos(ARM_DOF - 1), frame.wayPointArray[p].jointPos[ARM_DOF - 1]);
    }
    ASSERT_TRUE(sim().waitIdle(5s));
}

TEST_F(MotionTest, ReduceModeAndOnlineModes) {
    EXPECT_FALSE(facade_->robotServiceEnterRobotReduceMode());  // false means success
    EXPECT_FALSE(facade_->robotServiceExitRobotReduceMode());
    tevo_sim::FaultRule refuse;
    refuse.serverCode = tevo_sim::CodeProcessRequestFailed;
    sim().setFault(tevo_sim::EnterRobotReduceMode, refuse);
    EXPECT_TRUE(facade_->robotServiceEnterRobotReduceMode());

    struct Case {
        bool ci00, ci01, online, master;
    };
    const Case cases[] = {
        {false, false, true, true}, {true, true, false, false}, {false, true, true, false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(sim().setBoardDigitalInput(16, c.ci00));
        ASSERT_TRUE(sim().setBoardDigitalInput(17, c.ci01));
        bool online = !c.online, master = !c.master;
        EXPECT_EQ(facade_->robotServiceIsOnlineMode(online), ErrnoSucc);
        EXPECT_EQ(facade_->robotServiceIsOnlineMasterMode(master), ErrnoSucc);
        EXPECT_EQ(online, c.online);
        EXPECT_EQ(master, c.master);
    }
    // A failed read: not online, master.
    facade_->robotServiceLogout();
    bool online = true, master = false;
    EXPECT_EQ(facade_->robotServiceIsOnlineMode(online), ErrCode_SocketDisconnect);
    EXPECT_EQ(facade_->robotServiceIsOnlineMasterMode(master), ErrCode_SocketDisconnect);
    EXPECT_FALSE(online);
    EXPECT_TRUE(master);
}

}  // namespace
