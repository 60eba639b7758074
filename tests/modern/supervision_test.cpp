// A supervised tevo::Robot (built with a ReconnectPolicy) talking to the
// simulator through the test relay, which breaks the link: one row per way of
// losing it. The application only watches: the library logs in again, the
// pushes come back, and the move that the loss cut off is never sent again.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/simfixture.h"
#include "support/tcprelay.h"
#include "tevo/robot.hpp"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tevo::ConnectionEventKind;
using tevo::LinkLossReason;

namespace {

const tevo::JointsRad kHome = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
// Joint 1 turns 1.5 rad from kHome: at kSlow rad/s a long move, even at the
// simulator's 20-fold speed.
const tevo::JointsRad kFar = {1.5, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
constexpr double kSlow = 0.02;
// How long the stalled row keeps the link silent.
constexpr auto kStall = 10s;
constexpr auto kLong = std::chrono::milliseconds(20000);

tevo::ReconnectPolicy quickPolicy() {
    tevo::ReconnectPolicy p;
    p.initialDelaySec = 0.05;
    p.backoffFactor = 2.0;
    p.maxDelaySec = 0.5;
    p.giveUpAfterSec = 0.0;
    p.silenceSec = 1.0;
    return p;
}

// The connection events a Robot reported, in order (written on the
// supervisor's thread).
class EventLog {
public:
    void add(const tevo::ConnectionEvent& e) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(e);
    }
    std::vector<tevo::ConnectionEvent> all() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    bool has(ConnectionEventKind kind) const {
        for (const auto& e : all())
            if (e.kind == kind) return true;
        return false;
    }
    // Whether attempt count + 1 has started, i.e. count attempts failed.
    bool failed(int count) const {
        for (const auto& e : all())
            if (e.kind == ConnectionEventKind::Reconnecting && e.attempt > count) return true;
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<tevo::ConnectionEvent> events_;
};

class ModernSupervision : public tevo_test::SimFixture {
public:
    // Polls cond until it holds or a generous time-out passes.
    static bool eventually(const std::function<bool()>& cond) { return waitFor(cond, kLong); }
    // Stops the simulator, as a controller going down.
    void stopSim() {
        stoppedPort_ = sim().port();
        sim().stop();
    }
    // A new simulator on the port of the one stopped, as a restarted controller.
    void restartSim() {
        tevo_sim::SimOptions o = simOptions();
        o.port = stoppedPort_;
        sim_ = std::make_unique<tevo_sim::ControllerSim>(o);
        ASSERT_TRUE(sim_->start());
    }

protected:
    void SetUp() override {
        SimFixture::SetUp();
        relay_ = std::make_unique<tevo_test::TcpRelay>(simHost(), sim().port());
        ASSERT_TRUE(relay_->start());
    }
    void TearDown() override {
        relay_.reset();
        SimFixture::TearDown();
    }

    std::unique_ptr<tevo::Robot> connect(const tevo::ReconnectPolicy& policy) {
        return std::make_unique<tevo::Robot>(simHost(), relay_->port(), simUser(), simPassword(),
                                             policy);
    }
    std::unique_ptr<tevo_test::TcpRelay> relay_;
    uint16_t stoppedPort_ = 0;
};

// The ways a link is lost: cut makes the loss; mend, when set, is an outage
// that lasts: it returns when the link may come back.
struct Loss {
    const char* name;
    LinkLossReason reason;
    std::function<void(ModernSupervision&, tevo_test::TcpRelay&)> cut;
    std::function<void(ModernSupervision&, tevo_test::TcpRelay&, const EventLog&,
                       Clock::time_point)>
        mend;
    bool restarted;  // the controller is a new one: its move count starts at 0
};

class LinkLoss : public ModernSupervision, public ::testing::WithParamInterface<Loss> {};

const Loss kLosses[] = {
    {"closed", LinkLossReason::Closed,
     [](ModernSupervision&, tevo_test::TcpRelay& relay) { relay.closeAll(); }, nullptr, false},
    {"reset", LinkLossReason::Reset,
     [](ModernSupervision&, tevo_test::TcpRelay& relay) { relay.resetAll(); }, nullptr, false},
    {"stalled", LinkLossReason::Silent,
     [](ModernSupervision&, tevo_test::TcpRelay& relay) { relay.setDropping(true); },
     [](ModernSupervision& t, tevo_test::TcpRelay& relay, const EventLog& log,
        Clock::time_point cut) {
         // The silence is found meanwhile; the link stays silent for kStall all the same.
         EXPECT_TRUE(t.eventually([&] { return log.failed(1); }));
         std::this_thread::sleep_until(cut + kStall);
         relay.setDropping(false);
     },
     false},
    {"controller_restarted", LinkLossReason::Closed,
     [](ModernSupervision& t, tevo_test::TcpRelay&) { t.stopSim(); },
     [](ModernSupervision& t, tevo_test::TcpRelay&, const EventLog& log, Clock::time_point) {
         // An unreachable controller is tried again until it is back.
         EXPECT_TRUE(t.eventually([&] { return log.failed(1); }));
         t.restartSim();
     },
     true},
};

}  // namespace

TEST_P(LinkLoss, IsLoggedInAgainWithThePushesAndWithoutTheMove) {
    const Loss& loss = GetParam();
    EventLog log;                // outlives the robot: its callbacks may run until
    std::atomic<int> pushes{0};  // the destructor returns
    auto robot = connect(quickPolicy());
    EXPECT_EQ(robot->loginCount(), 1u);
    robot->onConnection([&](const tevo::ConnectionEvent& e) { log.add(e); });
    robot->onJointAngles([&](const tevo::JointsRad&) { ++pushes; });
    robot->startup();
    robot->setJointMaxSpeedRadPerS({kSlow, kSlow, kSlow, kSlow, kSlow, kSlow});
    struct ResetProfile {  // the global profile is the process's
        tevo::Robot& robot;
        ~ResetProfile() { robot.resetMoveProfile(); }
    } resetProfile{*robot};

    auto move = std::async(std::launch::async, [&] { robot->moveJoint(kFar); });
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }, kLong));
    const uint64_t movesBefore = sim().requestCount(tevo_sim::RobotMove);
    EXPECT_EQ(movesBefore, 1u);
    const Clock::time_point cut = Clock::now();
    loss.cut(*this, *relay_);

    // The blocking move ends with the link, not with the reconnect.
    ASSERT_EQ(move.wait_for(kLong), std::future_status::ready);
    EXPECT_THROW(move.get(), tevo::NotConnectedError);
    ASSERT_TRUE(waitFor([&] { return !log.all().empty(); }, kLong));
    EXPECT_EQ(log.all().front().kind, ConnectionEventKind::LinkLost);
    EXPECT_EQ(log.all().front().reason, loss.reason);
    if (loss.mend) loss.mend(*this, *relay_, log, cut);

    ASSERT_TRUE(waitFor([&] { return log.has(ConnectionEventKind::Reconnected); }, kLong));
    const std::vector<tevo::ConnectionEvent> seen = log.all();
    ASSERT_GE(seen.size(), 3u);
    const int tries = static_cast<int>(seen.size()) - 2;
    for (int i = 1; i <= tries; ++i) {
        EXPECT_EQ(seen[i].kind, ConnectionEventKind::Reconnecting) << i;
        EXPECT_EQ(seen[i].attempt, i);
    }
    EXPECT_EQ(seen.back().kind, ConnectionEventKind::Reconnected);
    EXPECT_EQ(seen.back().attempt, tries);
    EXPECT_GT(seen.back().sinceLossS, 0.0);
    EXPECT_FALSE(seen.back().text.empty());
    if (loss.mend) {
        EXPECT_GE(tries, 2) << "the attempts while it was down failed";
    }
    EXPECT_EQ(robot->loginCount(), 2u);

    // The pushes come back by themselves.
    const int count = pushes.load();
    EXPECT_TRUE(waitFor([&] { return pushes.load() > count + 5; }, kLong));

    // One new move arrives, and only it: the one cut off was not sent again.
    robot->resetMoveProfile();
    robot->startup();
    robot->moveJoint(kHome);
    EXPECT_EQ(sim().requestCount(tevo_sim::RobotMove), (loss.restarted ? 0 : movesBefore) + 1);
}

INSTANTIATE_TEST_SUITE_P(Losses, LinkLoss, ::testing::ValuesIn(kLosses),
                         [](const ::testing::TestParamInfo<Loss>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ModernSupervision, WhileTheLinkIsDownCallsFailAtOnceAndTheDestructorIsQuick) {
    EventLog log;
    tevo::ReconnectPolicy slow = quickPolicy();
    slow.initialDelaySec = 30.0;  // the test runs inside the first backoff
    slow.maxDelaySec = 30.0;
    auto robot = connect(slow);
    robot->onConnection([&](const tevo::ConnectionEvent& e) {
        log.add(e);
        throw std::runtime_error("a failing connection callback");
    });
    relay_->closeAll();
    ASSERT_TRUE(waitFor([&] { return !log.all().empty(); }, kLong));
    // Reported, and kept from the supervisor's thread.
    EXPECT_TRUE(waitFor([&] { return robot->callbackErrors() == 1; }, kLong));

    const std::function<void()> calls[] = {[&] { robot->jointsRad(); },
                                           [&] { robot->moveJoint(kHome); }};
    for (const auto& call : calls) {
        const auto start = Clock::now();
        EXPECT_THROW(call(), tevo::NotConnectedError);
        EXPECT_LT(Clock::now() - start, 100ms);
    }

    const auto start = Clock::now();
    robot.reset();
    EXPECT_LT(Clock::now() - start, 100ms);
    ASSERT_EQ(log.all().size(), 1u);  // no attempt started: it was still in the backoff
    EXPECT_EQ(log.all().front().kind, ConnectionEventKind::LinkLost);
    EXPECT_EQ(log.all().front().reason, LinkLossReason::Closed);
}

TEST_F(ModernSupervision, APolicyOutOfRangeIsRefusedBeforeConnecting) {
    tevo::ReconnectPolicy bad = quickPolicy();
    bad.silenceSec = 0.5;
    EXPECT_THROW(connect(bad), tevo::InvalidArgumentError);
    EXPECT_EQ(relay_->connectionsAccepted(), 0u);
}
