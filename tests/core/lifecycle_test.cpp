// Login, the two-step arm operations and move control against the simulator.

#include <functional>
#include <thread>

#include "coretestsupport.h"
#include "kinematics/kinematicscore.h"

namespace core_test {
namespace {

using tevo_sim::EventSpec;
using tevo_sim::FaultRule;
using namespace tevo_robot_namespace;

class LifecycleTest : public CoreSimTest {
protected:
    int startup(ROBOT_SERVICE_STATE& result, bool block = true) {
        RobotTcpParam tcp{};
        return core().robotStartupService(tcp, 6, true, true, 1000, result, block);
    }
};

TEST_F(LifecycleTest, BlockingStartupReturnsTheDoneEventCode) {
    sim().setStartupResult(ROBOT_SETVICE_FAULT_POWER);
    ROBOT_SERVICE_STATE result = ROBOT_SERVICE_READY;
    EXPECT_EQ(startup(result), ErrnoSucc);
    EXPECT_EQ(result, ROBOT_SETVICE_FAULT_POWER);
}

TEST_F(LifecycleTest, NonBlockingStartupOnlySends) {
    sim().setStartupResult(ROBOT_SERVICE_WORKING);
    ROBOT_SERVICE_STATE result = ROBOT_SERVICE_CLOSED;
    EXPECT_EQ(startup(result, false), ErrnoSucc);
    EXPECT_EQ(result, ROBOT_SERVICE_CLOSED);
    EXPECT_EQ(sim().requestCount(tevo_sim::RobotStartup), 1u);
}

TEST_F(LifecycleTest, StartupRefusedByControllerIsReturned) {
    sim().setRealRobotExists(false);
    ROBOT_SERVICE_STATE result = ROBOT_SERVICE_CLOSED;
    EXPECT_EQ(startup(result), ErrCode_RealRobotNoExist);
    EXPECT_EQ(result, ROBOT_SERVICE_CLOSED);
}

TEST_F(LifecycleTest, HandshakeOutcomes) {
    struct Case {
        bool succeeds;
        int expected;
    } cases[] = {{true, ErrnoSucc}, {false, ErrCode_ResponseReturnError}};
    for (const Case& c : cases) {
        sim().setHandshakeSucceeds(c.succeeds);
        EXPECT_EQ(core().robotHandShakeService(true), c.expected) << c.succeeds;
    }
    // Last, so that its later completion event meets no blocking wait.
    EXPECT_EQ(core().robotHandShakeService(false), ErrnoSucc);
}

TEST_F(LifecycleTest, BlockingShutdownWaitsForItsEvent) {
    ROBOT_SERVICE_STATE result{};
    ASSERT_EQ(startup(result), ErrnoSucc);
    EXPECT_EQ(core().robotShutdownService(true), ErrnoSucc);
    EXPECT_FALSE(sim().snapshot().started);
}

// The controller sends the completion event before the response: the event is
// not lost and the response still reaches the caller, promptly.
TEST_F(LifecycleTest, CompletionBeforeResponseIsKept) {
    FaultRule early;
    early.eventsBefore = {EventSpec{RobotEvent_robotStartupDoneResult, ROBOT_SERVICE_WORKING, ""}};
    early.suppressCompletion = true;
    early.delay = 100ms;
    sim().setFault(tevo_sim::RobotStartup, early);
    ROBOT_SERVICE_STATE result = ROBOT_SERVICE_READY;
    auto start = Clock::now();
    EXPECT_EQ(startup(result), ErrnoSucc);
    EXPECT_EQ(result, ROBOT_SERVICE_WORKING);
    EXPECT_LT(msSince(start), 1500);

    FaultRule pause;
    pause.moveControlResult = tevo_sim::MoveControlSuccWaitDone;
    pause.eventsBefore = {EventSpec{RobotEvent_RobotMoveControlPauseDone, 0, ""}};
    pause.suppressCompletion = true;
    sim().setFault(tevo_sim::MoveControlPause, pause);
    start = Clock::now();
    EXPECT_EQ(core().robotMoveControlService(
                  CommunicationMateType::CommunicationType_RobotMoveControlType_Pause),
              ErrnoSucc);
    EXPECT_LT(msSince(start), 1500);
    EXPECT_EQ(log_.count("could not be locked"), 0);
}

TEST_F(LifecycleTest, LostConnectionEndsBlockingStartup) {
    FaultRule silent;
    silent.suppressCompletion = true;
    sim().setFault(tevo_sim::RobotStartup, silent);
    int ret = -1;
    Clock::time_point returned;
    std::thread caller([&] {
        ROBOT_SERVICE_STATE result{};
        ret = startup(result);
        returned = Clock::now();
    });
    ASSERT_TRUE(sim().waitForRequests(tevo_sim::RobotStartup, 1, 5000ms));
    const auto closed = Clock::now();
    sim().closeConnection();
    caller.join();
    EXPECT_EQ(ret, ErrCode_SocketDisconnect);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - closed).count(),
              1000);
}

struct MoveControlCase {
    RobotCommandType type;
    int peerResult;
    int completionEvent;  // 0: the done event is suppressed
    int expected;
};

TEST_F(LifecycleTest, MoveControlResults) {
    using CMT = CommunicationMateType;
    const MoveControlCase cases[] = {
        {CMT::CommunicationType_RobotMoveControlType_Pause, tevo_sim::MoveControlSuccNoWait, 0,
         ErrnoSucc},
        {CMT::CommunicationType_RobotMoveControlType_SlowStop, tevo_sim::MoveControlFailed, 0,
         ErrCode_moveControlSlowStopFailed},
        {CMT::CommunicationType_RobotMoveControlType_FastStop, tevo_sim::MoveControlFailed, 0,
         ErrCode_moveControlFastStopFailed},
        {CMT::CommunicationType_RobotMoveControlType_Pause, tevo_sim::MoveControlFailed, 0,
         ErrCode_moveControlPauseFailed},
        {CMT::CommunicationType_RobotMoveControlType_Continue, tevo_sim::MoveControlFailed, 0,
         ErrCode_moveControlContinueFailed},
        {CMT::CommunicationType_RobotMoveControlType_Pause, tevo_sim::MoveControlSuccWaitDone,
         RobotEvent_RobotMoveControlPauseDone, ErrnoSucc},
        {CMT::CommunicationType_RobotMoveControlType_Continue, tevo_sim::MoveControlSuccWaitDone,
         RobotEvent_RobotMoveControlContinueDone, ErrnoSucc},
        {CMT::CommunicationType_RobotMoveControlType_SlowStop, tevo_sim::MoveControlSuccNoCallWait,
         RobotEvent_RobotMoveControlStopDone, ErrnoSucc},
        // A soft emergency completes every move-control wait.
        {CMT::CommunicationType_RobotMoveControlType_Continue, tevo_sim::MoveControlSuccWaitDone,
         RobotEvent_softEmergency, ErrnoSucc},
        {CMT::CommunicationType_RobotMoveControlType_FastStop, 9, 0, ErrCode_Failed},
        {CMT::CommunicationType_RobotMoveControlType_Pause, tevo_sim::MoveControlSuccWaitDone, 0,
         ErrCode_Failed},
    };
    for (const MoveControlCase& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " result " + std::to_string(c.peerResult));
        FaultRule rule;
        rule.moveControlResult = c.peerResult;
        if (c.completionEvent != 0) {
            rule.completionEvent = EventSpec{c.completionEvent, 0, ""};
        } else {
            rule.suppressCompletion = true;
        }
        sim().setFault(c.type, rule);
        const auto start = Clock::now();
        EXPECT_EQ(core().robotMoveControlService(c.type), c.expected);
        if (c.peerResult == tevo_sim::MoveControlSuccWaitDone && c.completionEvent == 0) {
            EXPECT_GE(msSince(start), 3990);  // waited the full 4000 ms for the done event
            EXPECT_EQ(log_.levelOf("sdk log: Waiting Motion-Control-Done event has timed out"),
                      LL_ERROR);
        }
        sim().clearFault(c.type);
    }
}

TEST_F(LifecycleTest, MoveControlRefusesOtherCommandTypes) {
    EXPECT_EQ(core().robotMoveControlService(CommunicationMateType::CommunicationType_RobotMove),
              ErrCode_Failed);
    EXPECT_EQ(sim().requestCount(tevo_sim::RobotMove), 0u);
    EXPECT_EQ(log_.levelOf("sdk log: Motion-Control command Undefined."), LL_ERROR);
}

// A pause-done event that cannot get the pause mutex within 450 ms is dropped
// with an error line; one that gets it signals the wait point.
TEST_F(LifecycleTest, PauseDoneSignalDroppedAfter450ms) {
    {
        std::unique_lock<std::mutex> hold(core().pauseMutex());
        const auto start = Clock::now();
        sim().sendEvent({RobotEvent_RobotMoveControlPauseDone, 0, ""});
        ASSERT_TRUE(
            log_.waitFor("sdk log: The pauseDone mutex could not be locked before the specified "
                         "timeout expired."));
        EXPECT_GE(msSince(start), 440);
    }
    ASSERT_TRUE(log_.waitFor("sdk log: Process PauseDone event finish. id:"));
    EXPECT_FALSE(core().pauseSignalled());

    sim().sendEvent({RobotEvent_RobotMoveControlPauseDone, 0, ""});
    ASSERT_TRUE(log_.waitFor("sdk log: Process PauseDone event finish. id:", 2));
    EXPECT_TRUE(core().pauseSignalled());
    EXPECT_EQ(log_.count("could not be locked"), 1);
}

// A failed login closes the connection it opened, so that a retry on the same
// object connects and logs in.
TEST_F(LifecycleTest, FailedLoginClosesTheConnectionAndRetrySucceeds) {
    struct Row {
        const char* name;
        const char* firstPassword;
        std::function<void(tevo_sim::ControllerSim&)> fault;
        int firstResult;
        const char* logLine;
    };
    const Row rows[] = {
        {"wrong password", "wrong", [](tevo_sim::ControllerSim&) {}, ErrCode_Failed,
         "sdk log: login failed."},
        {"login reply lost", simPassword(),
         [](tevo_sim::ControllerSim& sim) {
             tevo_sim::FaultRule drop;
             drop.drop = true;
             drop.remaining = 1;
             sim.setFault(tevo_sim::Login, drop);
         },
         ErrCode_RequestTimeout, "sdk log: Wait response timeout. cmd type: 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ObservedCore other;
        RobotType type{};
        RobotDhPara dh{};
        row.fault(sim());
        EXPECT_EQ(other.loginService(simHost(), simPort(), simUser(), row.firstPassword, type, dh),
                  row.firstResult);
        EXPECT_EQ(log_.levelOf(row.logLine), LL_ERROR);
        EXPECT_FALSE(other.getCurrentConnectStatus());
        EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 1; }));  // the fixture's core
        EXPECT_EQ(other.loginService(simHost(), simPort(), simUser(), simPassword(), type, dh),
                  ErrnoSucc);
        EXPECT_TRUE(other.getCurrentConnectStatus());
        RobotWorkMode mode{};
        EXPECT_EQ(other.getRobotWorkModeService(mode), ErrnoSucc);
        EXPECT_EQ(other.logoutService(), 0);
        EXPECT_FALSE(other.getCurrentConnectStatus());
    }
}

TEST_F(LifecycleTest, LoginToUnreachableAddressFails) {
    ObservedCore other;
    RobotType type{};
    RobotDhPara dh{};
    sim().stop();
    EXPECT_EQ(other.loginService(simHost(), simPort(), simUser(), simPassword(), type, dh),
              ErrCode_ConnectSocketFailed);
    EXPECT_EQ(other.loginService(nullptr, simPort(), simUser(), simPassword(), type, dh),
              ErrCode_ParamError);
}

// Only the first successful login of the process hands DH lengths to the
// kinematics; a later login returns its arm's lengths but leaves them.
TEST_F(LifecycleTest, SecondLoginLeavesKinematicsDhParameters) {
    double before[6];
    getDhPara(before[0], before[1], before[2], before[3], before[4], before[5], nullptr);

    tevo_sim::SimOptions options = simOptions();
    options.model = 3;
    tevo_sim::ControllerSim other(options);
    ASSERT_TRUE(other.start());
    double model3[6];
    tevo_sim::modelDhParams(3, model3);
    ASSERT_NE(model3[2], before[2]) << "pick a model whose lengths differ";

    ObservedCore second;
    RobotType type{};
    RobotDhPara dh{};
    ASSERT_EQ(second.loginService(simHost(), other.port(), simUser(), simPassword(), type, dh),
              ErrnoSucc);
    EXPECT_EQ(type, 3);
    const double got[6] = {dh.A3, dh.A4, dh.D1, dh.D2, dh.D5, dh.D6};
    double after[6];
    getDhPara(after[0], after[1], after[2], after[3], after[4], after[5], nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(got[i], model3[i]) << i;
        EXPECT_DOUBLE_EQ(after[i], before[i]) << i;
    }
    second.logoutService();
    other.stop();
}

}  // namespace
}  // namespace core_test
