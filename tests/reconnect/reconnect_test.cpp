// Connection supervision against the in-process simulator through the test
// relay: a link that is reset, closed or stalls is reported with its reason,
// logged in again with backoff, and the pushes come back by themselves; a
// blocking move that was running fails and is never sent again; calls while
// the link is down fail at once; ending the supervision during a backoff is
// quick; a gave-up supervisor resumes at the application's next login.

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "handle/rsrobotcontrol.h"
#include "support/simfixture.h"
#include "support/tcprelay.h"

namespace {

using namespace tevo_robot_namespace;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Everything one supervised object reports: its connection events and its
// joint-status pushes.
class Observer {
public:
    static void onEvent(const ConnectionEvent* event, void* arg) {
        auto* self = static_cast<Observer*>(arg);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->events_.push_back(*event);
        }
        self->changed_.notify_all();
    }

    static void onPush(const JointStatus*, int, void* arg) {
        auto* self = static_cast<Observer*>(arg);
        self->lastPush_ = Clock::now().time_since_epoch().count();
        ++self->pushes_;
    }

    // Waits until count events of kind have come; false after timeout.
    bool waitFor(ConnectionEventKind kind, size_t count = 1,
                 milliseconds timeout = milliseconds(30000)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return countLocked(kind) >= count; });
    }

    size_t count(ConnectionEventKind kind) {
        std::lock_guard<std::mutex> lock(mutex_);
        return countLocked(kind);
    }

    std::vector<ConnectionEvent> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

    uint64_t pushes() const { return pushes_; }
    Clock::time_point lastPush() const {
        return Clock::time_point(Clock::duration(lastPush_.load()));
    }

private:
    size_t countLocked(ConnectionEventKind kind) const {
        return static_cast<size_t>(
            std::count_if(events_.begin(), events_.end(),
                          [kind](const ConnectionEvent& e) { return e.kind == kind; }));
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ConnectionEvent> events_;
    std::atomic<uint64_t> pushes_{0};
    std::atomic<Clock::rep> lastPush_{0};
};

ReconnectPolicy quickPolicy() {
    ReconnectPolicy p;
    p.initialDelaySec = 0.1;
    p.backoffFactor = 2.0;
    p.maxDelaySec = 0.4;
    p.giveUpAfterSec = 0.0;
    p.silenceSec = 1.0;
    return p;
}

template <typename Cond>
bool waitUntil(Cond cond, milliseconds timeout = milliseconds(20000)) {
    const auto deadline = Clock::now() + timeout;
    while (!cond()) {
        if (Clock::now() >= deadline) return cond();
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

class ReconnectTest : public tevo_test::SimFixture {
protected:
    // Real time: the blocking move must still run when the link goes.
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = SimFixture::simOptions();
        o.timeScale = 1.0;
        return o;
    }

    void SetUp() override {
        SimFixture::SetUp();
        relay_ = std::make_unique<tevo_test::TcpRelay>(simHost(), sim().port());
        ASSERT_TRUE(relay_->start());
    }

    void TearDown() override {
        objects_.clear();
        relay_.reset();
        SimFixture::TearDown();
    }

    // A supervised object logged in through the relay, its events observed.
    ServiceInterface& supervised(Observer& observer, const ReconnectPolicy& policy = quickPolicy(),
                                 int port = -1) {
        objects_.push_back(std::make_unique<ServiceInterface>());
        ServiceInterface& s = *objects_.back();
        EXPECT_EQ(s.robotServiceRegisterConnectionEventCallback(Observer::onEvent, &observer), 0);
        EXPECT_EQ(s.robotServiceSetReconnectPolicy(&policy), 0);
        EXPECT_EQ(s.robotServiceLogin(simHost(), port < 0 ? relay_->port() : port, simUser(),
                                      simPassword()),
                  ErrnoSucc);
        return s;
    }

    // An observer that outlives every object of the test: the objects (and
    // their supervisor threads, which call it) go first, in TearDown.
    Observer& observer() { return observers_.emplace_back(); }

    std::unique_ptr<tevo_test::TcpRelay> relay_;
    std::deque<Observer> observers_;
    std::vector<std::unique_ptr<ServiceInterface>> objects_;
};

// ---- the link goes: reset, closed, stalled; idle, pushes, blocking move ------

enum class Loss { Reset, Closed, Stalled };

struct LossCase {
    const char* name;
    Loss loss;
    LinkLossReason reason;
    milliseconds outage;  // the controller stays unreachable this long
};

void PrintTo(const LossCase& c, std::ostream* os) { *os << c.name; }

class LinkLossTest : public ReconnectTest, public ::testing::WithParamInterface<LossCase> {};

// Three objects on one relay: one idle, one with a push callback, one in a
// blocking move. All three must see the loss with its reason and log in again;
// the pushes must resume without the application doing anything; the move
// must fail and not be sent again.
TEST_P(LinkLossTest, ReportsReconnectsAndRestoresPushesButNotTheMove) {
    const LossCase& c = GetParam();
    Observer& idleObs = observer();
    Observer& pushObs = observer();
    Observer& moveObs = observer();
    ServiceInterface& idle = supervised(idleObs);
    ServiceInterface& pusher = supervised(pushObs);
    ServiceInterface& mover = supervised(moveObs);
    ASSERT_EQ(pusher.robotServiceRegisterRealTimeJointStatusCallback(Observer::onPush, &pushObs),
              0);
    ASSERT_TRUE(waitUntil([&] { return pushObs.pushes() > 0; }));

    ToolDynamicsParam tool{};
    ROBOT_SERVICE_STATE state{};
    ASSERT_EQ(mover.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true), ErrnoSucc);
    mover.robotServiceInitGlobalMoveProfile();
    JointVelcAccParam slow = {{0.05, 0.05, 0.05, 0.05, 0.05, 0.05}};
    ASSERT_EQ(mover.robotServiceSetGlobalMoveJointMaxVelc(slow), ErrnoSucc);
    std::array<double, 6> target{};
    const tevo_sim::ArmSnapshot now = sim().snapshot();
    std::copy(now.joints, now.joints + 6, target.begin());
    target[0] += 0.6;  // about 12 s of motion
    const uint64_t movesBefore = sim().requestCount(tevo_sim::RobotMove);
    auto move = std::async(std::launch::async, [&]() mutable {
        return mover.robotServiceJointMove(target.data(), true);
    });
    ASSERT_TRUE(sim().waitForRequests(tevo_sim::RobotMove, movesBefore + 1, milliseconds(5000)));

    switch (c.loss) {
        case Loss::Reset:
            relay_->setRefusing(true);
            relay_->resetAll();
            break;
        case Loss::Closed:
            relay_->setRefusing(true);
            relay_->closeAll();
            break;
        case Loss::Stalled:
            relay_->setDropping(true);
            break;
    }
    for (Observer* o : {&idleObs, &pushObs, &moveObs}) ASSERT_TRUE(o->waitFor(ConnectionLinkLost));
    ASSERT_EQ(move.wait_for(milliseconds(3000)), std::future_status::ready);
    EXPECT_EQ(move.get(), ErrCode_SocketDisconnect);

    // While the link is down a call fails at once.
    RobotState armState;
    const auto callStart = Clock::now();
    EXPECT_EQ(idle.robotServiceGetRobotCurrentState(armState), ErrCode_SocketDisconnect);
    EXPECT_LT(Clock::now() - callStart, milliseconds(100));

    for (Observer* o : {&idleObs, &pushObs, &moveObs})
        ASSERT_TRUE(o->waitFor(ConnectionReconnecting));
    const auto lostAt = Clock::now();
    while (Clock::now() - lostAt < c.outage && pushObs.count(ConnectionReconnected) == 0) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_EQ(pushObs.count(ConnectionReconnected), 0u) << "logged in while unreachable";
    relay_->setRefusing(false);
    relay_->setDropping(false);
    const auto restoredAt = Clock::now();

    for (Observer* o : {&idleObs, &pushObs, &moveObs}) {
        ASSERT_TRUE(o->waitFor(ConnectionReconnected));
        const std::vector<ConnectionEvent> events = o->events();
        ASSERT_EQ(events.front().kind, ConnectionLinkLost);
        EXPECT_EQ(events.front().reason, c.reason) << events.front().text;
        EXPECT_EQ(events.back().kind, ConnectionReconnected);
        int attempt = 0;
        for (const ConnectionEvent& e : events) {
            if (e.kind != ConnectionReconnecting) continue;
            EXPECT_EQ(e.attempt, ++attempt) << "attempts count up from 1";
        }
        EXPECT_EQ(events.back().attempt, attempt);
        EXPECT_GT(events.back().sinceLossSec, 0.0);
    }
    for (ServiceInterface* s : {&idle, &pusher, &mover}) EXPECT_EQ(s->robotServiceLoginCount(), 2u);

    ASSERT_TRUE(waitUntil([&] { return pushObs.lastPush() > restoredAt; }))
        << "pushes did not come back";
    std::printf("[ figure ] %s: first push %.0f ms after the link came back\n", c.name,
                std::chrono::duration<double, std::milli>(pushObs.lastPush() - restoredAt).count());
    // The first push may have been followed by others; still well bounded.

    EXPECT_EQ(idle.robotServiceGetRobotCurrentState(armState), ErrnoSucc);
    EXPECT_EQ(sim().requestCount(tevo_sim::RobotMove), movesBefore + 1) << "the move was re-sent";
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkLossTest,
    ::testing::Values(LossCase{"reset", Loss::Reset, LinkLossReset, milliseconds(1500)},
                      LossCase{"closed", Loss::Closed, LinkLossClosed, milliseconds(1500)},
                      LossCase{"stalled", Loss::Stalled, LinkLossSilent, milliseconds(10000)}),
    [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

// ---- the controller restarts on the same port ---------------------------------

TEST_F(ReconnectTest, FindsARestartedControllerOnTheSamePort) {
    Observer& obs = observer();
    ServiceInterface& s = supervised(obs, quickPolicy(), simPort());
    ASSERT_EQ(s.robotServiceRegisterRealTimeJointStatusCallback(Observer::onPush, &obs), 0);
    const uint16_t port = sim().port();
    relay_.reset();
    sim_->stop();
    ASSERT_TRUE(obs.waitFor(ConnectionLinkLost));
    EXPECT_EQ(obs.events().front().reason, LinkLossClosed) << obs.events().front().text;

    tevo_sim::SimOptions o = simOptions();
    o.port = port;
    sim_ = std::make_unique<tevo_sim::ControllerSim>(o);
    ASSERT_TRUE(sim_->start());
    const auto restartedAt = Clock::now();
    ASSERT_TRUE(obs.waitFor(ConnectionReconnected));
    ASSERT_TRUE(waitUntil([&] { return obs.lastPush() > restartedAt; }));
    EXPECT_EQ(s.robotServiceLoginCount(), 2u);
}

// ---- ending the supervision during a backoff ----------------------------------

enum class Ending { Logout, NullPolicy, Destroy };

const char* endingName(Ending e) {
    switch (e) {
        case Ending::Logout:
            return "Logout";
        case Ending::NullPolicy:
            return "NullPolicy";
        case Ending::Destroy:
            return "Destroy";
    }
    return "";
}

void PrintTo(Ending e, std::ostream* os) { *os << endingName(e); }

class EndingDuringBackoffTest : public ReconnectTest,
                                public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingDuringBackoffTest, ReturnsWithin100msAndNothingFollows) {
    Observer& obs = observer();
    ReconnectPolicy slow = quickPolicy();
    slow.initialDelaySec = 5.0;
    slow.maxDelaySec = 5.0;
    ServiceInterface& s = supervised(obs, slow);
    relay_->setRefusing(true);
    relay_->closeAll();
    ASSERT_TRUE(obs.waitFor(ConnectionLinkLost));
    const uint64_t accepted = relay_->connectionsAccepted();

    const auto start = Clock::now();
    switch (GetParam()) {
        case Ending::Logout:
            EXPECT_EQ(s.robotServiceLogout(), 0);
            break;
        case Ending::NullPolicy:
            EXPECT_EQ(s.robotServiceSetReconnectPolicy(nullptr), 0);
            break;
        case Ending::Destroy:
            objects_.clear();
            break;
    }
    const auto took = Clock::now() - start;
    EXPECT_LT(took, milliseconds(100));
    std::printf("[ figure ] ending during a backoff took %.1f ms\n",
                std::chrono::duration<double, std::milli>(took).count());
    relay_->setRefusing(false);
    EXPECT_EQ(obs.count(ConnectionReconnecting), 0u);
    EXPECT_EQ(relay_->connectionsAccepted(), accepted);
}

INSTANTIATE_TEST_SUITE_P(Backoff, EndingDuringBackoffTest,
                         ::testing::Values(Ending::Logout, Ending::NullPolicy, Ending::Destroy),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                             return std::string(endingName(info.param));
                         });

// The connection callback may destroy the object it reports on: the
// supervisor's thread outlives it for the rest of the callback and touches
// nothing of it afterwards (a fault here is a use after free: ASan, TSan).
TEST_F(ReconnectTest, ConnectionCallbackMayDestroyItsObject) {
    struct Owner {
        std::unique_ptr<ServiceInterface> object;
        std::atomic<bool> destroyed{false};
        static void onEvent(const ConnectionEvent* event, void* arg) {
            auto* self = static_cast<Owner*>(arg);
            if (event->kind != ConnectionLinkLost) return;
            self->object.reset();
            self->destroyed = true;
        }
    } owner;
    owner.object = std::make_unique<ServiceInterface>();
    const ReconnectPolicy policy = quickPolicy();
    ASSERT_EQ(owner.object->robotServiceRegisterConnectionEventCallback(Owner::onEvent, &owner), 0);
    ASSERT_EQ(owner.object->robotServiceSetReconnectPolicy(&policy), 0);
    ASSERT_EQ(owner.object->robotServiceLogin(simHost(), relay_->port(), simUser(), simPassword()),
              ErrnoSucc);
    const uint64_t accepted = relay_->connectionsAccepted();
    relay_->resetAll();
    ASSERT_TRUE(waitUntil([&] { return owner.destroyed.load(); }));
    // Past the first attempt's time: nothing logs in for the destroyed object.
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_EQ(relay_->connectionsAccepted(), accepted);
}

// ---- the application's own logout is not a lost link ---------------------------

TEST_F(ReconnectTest, ApplicationLogoutIsNotALostLink) {
    Observer& obs = observer();
    ReconnectPolicy eager = quickPolicy();
    eager.initialDelaySec = 0.01;
    ServiceInterface& s = supervised(obs, eager);
    const uint64_t accepted = relay_->connectionsAccepted();
    ASSERT_EQ(s.robotServiceLogout(), 0);
    // Several initial delays and watch ticks: no event, no new connection.
    std::this_thread::sleep_for(milliseconds(600));
    EXPECT_TRUE(obs.events().empty());
    EXPECT_EQ(relay_->connectionsAccepted(), accepted);
    bool connected = true;
    s.robotServiceGetConnectStatus(connected);
    EXPECT_FALSE(connected);
}

// ---- giving up, and resuming at the next login --------------------------------

TEST_F(ReconnectTest, GivesUpThenResumesAtTheNextLogin) {
    Observer& obs = observer();
    ReconnectPolicy brief = quickPolicy();
    brief.giveUpAfterSec = 1.5;
    ServiceInterface& s = supervised(obs, brief);
    relay_->setRefusing(true);
    relay_->closeAll();
    ASSERT_TRUE(obs.waitFor(ConnectionGaveUp));
    const std::vector<ConnectionEvent> gaveUp = obs.events();
    EXPECT_GE(gaveUp.back().sinceLossSec, 1.5);
    EXPECT_EQ(gaveUp.back().attempt, static_cast<int>(obs.count(ConnectionReconnecting)));
    // An attempt costs about 0.3 s (the relay accepts, then closes): 0.1 s,
    // then 0.2 s and 0.4 s after the previous one ended.
    EXPECT_GE(gaveUp.back().attempt, 2);

    relay_->setRefusing(false);
    ASSERT_EQ(s.robotServiceLogin(simHost(), relay_->port(), simUser(), simPassword()), ErrnoSucc);
    relay_->resetAll();
    ASSERT_TRUE(obs.waitFor(ConnectionLinkLost, 2));
    ASSERT_TRUE(obs.waitFor(ConnectionReconnected));
    EXPECT_EQ(obs.events()[gaveUp.size()].reason, LinkLossReset);
    EXPECT_EQ(s.robotServiceLoginCount(), 3u);
}

// ---- the handle interface -------------------------------------------------------

struct HandleEvents {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::array<int, 3>> seen;  // kind, reason, attempt

    static void record(int kind, int reason, int attempt, double, const char* text, void* arg) {
        auto* self = static_cast<HandleEvents*>(arg);
        EXPECT_NE(text, nullptr);
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            self->seen.push_back({kind, reason, attempt});
        }
        self->changed.notify_all();
    }
};

struct PolicyCase {
    const char* what;
    double initial, factor, maxDelay, giveUp, silence;
    int expected;
};

TEST_F(ReconnectTest, HandlePolicyChecksAndAReconnectSeenThroughTheCallback) {
    RSHD rshd = 0;
    ASSERT_EQ(rs_create_context(&rshd), 0);
    const double nan = std::nan("");
    const PolicyCase cases[] = {
        {"valid", 0.1, 2.0, 0.4, 0.0, 1.0, 0},
        {"off", 0.0, 0.0, 0.0, 0.0, 0.0, 0},
        {"negative delay", -1.0, 2.0, 1.0, 0.0, 1.0, ErrCode_ParamError},
        {"delay too long", 61.0, 2.0, 100.0, 0.0, 1.0, ErrCode_ParamError},
        {"factor below 1", 0.1, 0.5, 1.0, 0.0, 1.0, ErrCode_ParamError},
        {"factor above 10", 0.1, 11.0, 1.0, 0.0, 1.0, ErrCode_ParamError},
        {"max below initial", 1.0, 2.0, 0.5, 0.0, 1.0, ErrCode_ParamError},
        {"max above 600", 0.1, 2.0, 601.0, 0.0, 1.0, ErrCode_ParamError},
        {"give-up too short", 0.1, 2.0, 1.0, 0.05, 1.0, ErrCode_ParamError},
        {"give-up negative", 0.1, 2.0, 1.0, -1.0, 1.0, ErrCode_ParamError},
        {"silence below 1", 0.1, 2.0, 1.0, 0.0, 0.5, ErrCode_ParamError},
        {"silence above 60", 0.1, 2.0, 1.0, 0.0, 61.0, ErrCode_ParamError},
        {"NaN factor", 0.1, nan, 1.0, 0.0, 1.0, ErrCode_ParamError},
        {"NaN silence", 0.1, 2.0, 1.0, 0.0, nan, ErrCode_ParamError},
    };
    for (const PolicyCase& p : cases) {
        EXPECT_EQ(
            rs_set_reconnect_policy(rshd, p.initial, p.factor, p.maxDelay, p.giveUp, p.silence),
            p.expected)
            << p.what;
    }
    const RSHD unknown = rshd + 1000;
    EXPECT_EQ(rs_set_reconnect_policy(unknown, 0.1, 2.0, 0.4, 0.0, 1.0), RS_ERR_NO_CONTEXT);
    EXPECT_EQ(rs_setcallback_connection_event(unknown, HandleEvents::record, nullptr),
              RS_ERR_NO_CONTEXT);
    EXPECT_EQ(rs_login_count(unknown), 0u);

    HandleEvents events;
    ASSERT_EQ(rs_setcallback_connection_event(rshd, HandleEvents::record, &events), 0);
    ASSERT_EQ(rs_set_reconnect_policy(rshd, 0.1, 2.0, 0.4, 0.0, 1.0), 0);
    ASSERT_EQ(rs_login_as(rshd, simHost(), relay_->port(), simUser(), simPassword()), 0);
    EXPECT_EQ(rs_login_count(rshd), 1u);
    relay_->resetAll();
    {
        std::unique_lock<std::mutex> lock(events.mutex);
        ASSERT_TRUE(events.changed.wait_for(lock, std::chrono::seconds(20), [&] {
            return !events.seen.empty() && events.seen.back()[0] == ConnectionReconnected;
        }));
        EXPECT_EQ(events.seen.front()[0], ConnectionLinkLost);
        EXPECT_EQ(events.seen.front()[1], LinkLossReset);
        EXPECT_EQ(events.seen[1][0], ConnectionReconnecting);
        EXPECT_EQ(events.seen[1][2], 1);
    }
    EXPECT_EQ(rs_login_count(rshd), 2u);
    EXPECT_EQ(rs_destory_context(rshd), 0);
}

}  // namespace
