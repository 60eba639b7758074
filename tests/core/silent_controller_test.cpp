// A controller that stops answering without closing the connection (a frozen
// process, a silent network path) ends every blocking wait within the
// documented bound with ErrCode_RequestTimeout, leaves the connection open,
// and is probed with heartbeats while it is quiet.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <memory>

#include "RobotSDK/interface/serviceinterface.h"
#include "coretestsupport.h"
#include "support/tcprelay.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;
using Core = RobotControlServices;

constexpr auto kBound = std::chrono::milliseconds(Core::SILENT_CONTROLLER_NOTICED_MSEC);
// Scheduling noise on a loaded machine (and under ThreadSanitizer).
constexpr auto kSlack = 1000ms;
const char* const kGiveUpLine = "The controller has not answered for";

class SilentControllerTest : public tevo_test::SimFixture {
protected:
    // Real time: a frozen simulator stops its arm's clock, the relay does not.
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = SimFixture::simOptions();
        o.timeScale = 1.0;
        return o;
    }

    void TearDown() override {
        sim().setFrozen(false);
        facade_.reset();
        relay_.reset();
        SimFixture::TearDown();
    }

    // Logs in through port (the simulator's or the relay's) and starts the arm.
    void startArm(int port) {
        facade_ = std::make_unique<ServiceInterface>();
        ASSERT_EQ(facade_->robotServiceLogin(simHost(), port, simUser(), simPassword()), ErrnoSucc);
        ToolDynamicsParam tool{};
        ROBOT_SERVICE_STATE state{};
        ASSERT_EQ(facade_->rootServiceRobotStartup(tool, 6, true, true, 1000, state, true),
                  ErrnoSucc);
        facade_->robotServiceInitGlobalMoveProfile();
    }

    void startRelay() {
        relay_ = std::make_unique<tevo_test::TcpRelay>(simHost(), sim().port());
        ASSERT_TRUE(relay_->start());
    }

    // Joint 1 turns by 0.6 rad at 0.05 rad/s: about 12 s of motion.
    std::future<int> startLongMove() {
        JointVelcAccParam slow = {{0.05, 0.05, 0.05, 0.05, 0.05, 0.05}};
        EXPECT_EQ(facade_->robotServiceSetGlobalMoveJointMaxVelc(slow), ErrnoSucc);
        double target[6];
        const tevo_sim::ArmSnapshot now = sim().snapshot();
        for (int i = 0; i < 6; ++i) target[i] = now.joints[i];
        target[0] += 0.6;
        std::array<double, 6> q;
        std::copy(target, target + 6, q.begin());
        return std::async(std::launch::async, [this, q]() mutable {
            return facade_->robotServiceJointMove(q.data(), true);
        });
    }

    // A request on the reopened path works: the connection was left open.
    void expectConnectionStillServes() {
        bool connected = false;
        facade_->robotServiceGetConnectStatus(connected);
        EXPECT_TRUE(connected);
        RobotWorkMode mode{};
        EXPECT_EQ(facade_->robotServiceGetRobotWorkMode(mode), ErrnoSucc);
    }

    LogCapture log_;
    std::unique_ptr<tevo_test::TcpRelay> relay_;
    std::unique_ptr<ServiceInterface> facade_;
};

struct Silence {
    const char* name;
    bool throughRelay;
};

const Silence kSilences[] = {
    {"frozen controller", false},
    {"silent network path", true},
};

TEST_F(SilentControllerTest, BlockingMoveEndsWithRequestTimeoutWithinTheBound) {
    for (const Silence& s : kSilences) {
        SCOPED_TRACE(s.name);
        if (s.throughRelay) {
            startRelay();
            startArm(relay_->port());
        } else {
            startArm(simPort());
        }
        const int giveUpsBefore = log_.count(kGiveUpLine);
        const char* const accepted = "Successfully waited for a robotMove response";
        const int acceptedBefore = log_.count(accepted);
        std::future<int> move = startLongMove();
        // This move was accepted (its response is through) and the call waits
        // for its end.
        ASSERT_TRUE(log_.waitFor(accepted, acceptedBefore + 1, 10000ms));
        ASSERT_TRUE(waitUntil([&] { return sim().snapshot().moving; }));

        const auto silencedAt = Clock::now();
        if (s.throughRelay) {
            relay_->setDropping(true);
        } else {
            sim().setFrozen(true);
        }
        const double jointAtSilence = sim().snapshot().joints[0];
        const bool returned = move.wait_for(kBound + kSlack + 2000ms) == std::future_status::ready;
        const auto waited = Clock::now() - silencedAt;
        const double jointAtReturn = sim().snapshot().joints[0];
        const uint64_t heartbeatsBefore = sim().requestCount(tevo_sim::CommunicationHeart);
        // Speak again before any assertion can end the test: the call must not
        // outlive it.
        if (s.throughRelay) {
            relay_->setDropping(false);
        } else {
            sim().setFrozen(false);
        }
        ASSERT_TRUE(returned) << "still blocked " << msSince(silencedAt) << " ms after the silence";
        EXPECT_EQ(move.get(), ErrCode_RequestTimeout);
        RecordProperty(std::string("move_returned_ms_") + (s.throughRelay ? "relay" : "frozen"),
                       static_cast<int>(
                           std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
        EXPECT_LT(waited, kBound + kSlack);
        // Not long before the give-up time: the last frame heard before the
        // silence (the move's response, or the answer to a heartbeat of the
        // wait) is at most one probe interval and one slice old.
        EXPECT_GE(waited,
                  std::chrono::milliseconds(Core::SILENCE_GIVE_UP_MSEC - Core::SILENCE_PROBE_MSEC -
                                            Core::BLOCKING_WAIT_SLICE_MSEC));
        EXPECT_EQ(log_.count(kGiveUpLine), giveUpsBefore + 1);
        EXPECT_EQ(log_.levelOf(kGiveUpLine), LL_ERROR);

        if (s.throughRelay) {
            // The heartbeats went out and were swallowed on the way; the arm
            // went on moving.
            EXPECT_GE(relay_->bytesDropped(), 20u);
            EXPECT_GT(jointAtReturn - jointAtSilence, 0.1);
        } else {
            // The frozen arm stood still (at most a tick under way when it froze).
            EXPECT_NEAR(jointAtReturn, jointAtSilence, 1e-3);
            // The frozen controller reads the heartbeats once it runs again.
            EXPECT_TRUE(
                sim().waitForRequests(tevo_sim::CommunicationHeart, heartbeatsBefore + 1, 5000ms));
        }
        expectConnectionStillServes();
        facade_.reset();
        relay_.reset();
        ASSERT_TRUE(sim().waitIdle(10000ms));
    }
}

struct CompletionCase {
    const char* name;
    int commandType;
    std::function<int(ServiceInterface&)> call;
};

TEST_F(SilentControllerTest, BlockingCompletionWaitsEndWithRequestTimeoutWithinTheBound) {
    const CompletionCase cases[] = {
        {"start-up", tevo_sim::RobotStartup,
         [](ServiceInterface& f) {
             ToolDynamicsParam tool{};
             ROBOT_SERVICE_STATE state{};
             return f.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true);
         }},
        {"handshake", tevo_sim::RobotHandShake,
         [](ServiceInterface& f) { return f.robotServiceRobotHandShake(true); }},
    };
    startArm(simPort());
    for (const CompletionCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The controller answers the request and then goes quiet before its
        // done event: the call is in its completion wait when it freezes.
        tevo_sim::FaultRule rule;
        rule.suppressCompletion = true;
        rule.remaining = 1;
        sim().setFault(c.commandType, rule);
        const uint64_t before = sim().requestCount(c.commandType);
        std::future<int> call = std::async(std::launch::async, [&] { return c.call(*facade_); });
        ASSERT_TRUE(sim().waitForRequests(c.commandType, before + 1, 5000ms));
        const auto silencedAt = Clock::now();
        sim().setFrozen(true);
        const bool returned = call.wait_for(kBound + kSlack + 2000ms) == std::future_status::ready;
        const auto waited = Clock::now() - silencedAt;
        sim().setFrozen(false);
        ASSERT_TRUE(returned) << "still blocked " << msSince(silencedAt) << " ms after the freeze";
        EXPECT_EQ(call.get(), ErrCode_RequestTimeout);
        RecordProperty(std::string("returned_ms_") + c.name,
                       static_cast<int>(
                           std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
        EXPECT_LT(waited, kBound + kSlack);
        expectConnectionStillServes();
    }
}

// A controller that answers the login and then stops answering ends the
// login at the first request that times out: one response time-out, not one
// per remaining request (flags, pushes, joint ranges with their retries).
TEST_F(SilentControllerTest, LoginEndsAtTheFirstTimeOutOfASilentController) {
    tevo_sim::FaultRule rule;
    rule.drop = true;
    sim().setFault(tevo_sim::GetEnableJoint6Rot360Flag, rule);
    ServiceInterface facade;
    // Asked-for pushes would each be one more request after the flags.
    facade.robotServiceRegisterRealTimeJointStatusCallback([](const JointStatus*, int, void*) {},
                                                           nullptr);
    const auto start = Clock::now();
    EXPECT_EQ(facade.robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
              ErrCode_RequestTimeout);
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(2 * Core::WAIT_RESPONSE_MAX_TIME_MSEC) + kSlack);
    EXPECT_TRUE(log_.waitFor("The controller stopped answering during login"));
    EXPECT_EQ(sim().requestCount(tevo_sim::GetEnableJoint1Rot360Flag), 0u);
    bool connected = true;
    facade.robotServiceGetConnectStatus(connected);
    EXPECT_FALSE(connected);
}

// A connection the peer's system reset (what keepalive or the limit on
// unacknowledged data does to one whose host vanished) ends the receive loop
// as a close does: one lost-connection report, naming the reason.
TEST(DeadConnection, ReceiveErrorEndsTheConnectionOnceWithItsReason) {
    LogCapture log;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    const int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    ::close(listener);

    ObservedCore core;
    ASSERT_EQ(core.adoptConnectedSocket(client), 0);
    core.moveEndWait().arm();
    const linger reset{1, 0};  // close with a reset instead of an orderly close
    ::setsockopt(server, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    ::close(server);

    const auto lostReports = [&] {
        const std::vector<RobotEventType> queued = core.moveFinishQueue();
        return std::count(queued.begin(), queued.end(), RobotEvent_socketDisconnected);
    };
    ASSERT_TRUE(waitUntil([&] { return lostReports() > 0; }));
    EXPECT_TRUE(log.waitFor("sdk communication log: Receive failed, connection lost: "));
    EXPECT_FALSE(core.getCurrentConnectStatus());
    EXPECT_EQ(log.count("Server disconnenct."), 0);
    EXPECT_EQ(lostReports(), 1);
}

}  // namespace
}  // namespace core_test
