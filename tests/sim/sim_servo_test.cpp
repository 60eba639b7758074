// Servo streaming in pass-through mode, seen from the wire: the arm follows
// streamed targets within its speed and acceleration limits, comes to rest
// when the stream stops (watchdog) or the mode is left, and refuses what a
// streaming controller refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/controllersim.h"
#include "sim/moverequest.h"
#include "sim/rawclient.h"

namespace {

using namespace std::chrono_literals;
namespace pbc = tevo::robot::common;
namespace pbm = tevo::robot::communication;
namespace mc = tevo::robot::movecondition;
using tevo_sim::Cmd;
using Clock = std::chrono::steady_clock;
using Joints = std::array<double, 6>;

// One frame of targets, the way a client streams them.
std::string targets(const std::vector<Joints>& qs) {
    pbc::RobotMove mv = tevo_test::moveProfile(mc::MODEJ);
    for (const Joints& q : qs) tevo_test::addWaypoint(mv, q.data());
    return mv.SerializeAsString();
}

std::string jointMove(const Joints& q, double speed) {
    pbc::RobotMove mv = tevo_test::moveProfile(mc::MODEJ, speed);
    tevo_test::addWaypoint(mv, q.data());
    return mv.SerializeAsString();
}

Joints joints(const tevo_sim::ArmSnapshot& s) {
    Joints q{};
    std::copy(std::begin(s.joints), std::end(s.joints), q.begin());
    return q;
}

double maxSpeed(const tevo_sim::ArmSnapshot& s) {
    double v = 0;
    for (double x : s.jointSpeeds) v = std::max(v, std::fabs(x));
    return v;
}

// Sends on a fixed grid of absolute deadlines, as a client's control loop does.
class Pacer {
public:
    explicit Pacer(std::chrono::microseconds period) : period_(period), next_(Clock::now()) {}
    void wait() {
        next_ += period_;
        std::this_thread::sleep_until(next_);
    }

private:
    std::chrono::microseconds period_;
    Clock::time_point next_;
};

// A simulator with a started arm and one logged-in raw connection.
struct Streamer {
    explicit Streamer(const std::function<void(tevo_sim::SimOptions&)>& tune = {})
        : sim(options(tune)) {}

    static tevo_sim::SimOptions options(const std::function<void(tevo_sim::SimOptions&)>& tune) {
        tevo_sim::SimOptions o;
        o.timeScale = 20.0;  // a quick start-up; the stream runs in real time
        o.logSink = [](const std::string&) {};
        if (tune) tune(o);
        return o;
    }

    // Connects and logs in; and starts the arm up unless told not to.
    void open(bool startUp = true) {
        ASSERT_TRUE(sim.start());
        ASSERT_TRUE(client.connect(sim.port()));
        pbm::ProtoRequestLogin login;
        login.set_username("tevo");
        login.set_passwd("tevo");
        pbc::ProtoResponseRobotDhParam dh;
        ASSERT_TRUE(client.request(Cmd::Login, login.SerializeAsString(), dh));
        ASSERT_EQ(dh.errorinfo().errorcode(), tevo_sim::CodeSucc);
        if (!startUp) return;
        pbm::ProtoCommunicationRobotStartupProfile sp;
        for (auto* p : {sp.mutable_tcpparam()->mutable_paramautorun(),
                        sp.mutable_tcpparam()->mutable_parammanual()})
            p->set_positionx(0), p->set_positiony(0), p->set_positionz(0), p->set_payload(0);
        sp.set_readpose(true);
        sp.set_staticcollisiondetect(true);
        sp.set_collisionclass(6);
        sp.set_maxacc(0);
        ASSERT_EQ(request(Cmd::RobotStartup, sp.SerializeAsString()).first, tevo_sim::CodeSucc);
        const auto deadline = Clock::now() + 5s;
        while (!sim.snapshot().started && Clock::now() < deadline) client.next(10ms);
        ASSERT_TRUE(sim.snapshot().started);
    }

    // The code and text of the reply's error record.
    std::pair<int32_t, std::string> request(int32_t cmd, const std::string& body = {}) {
        pbm::ProtoRobotCommonResponse r;
        EXPECT_TRUE(client.request(cmd, body, r)) << "no reply to " << cmd;
        return {r.errorcode(), r.errormsg()};
    }

    int32_t send(const Joints& q) {
        return request(Cmd::SetRobotPosData2Canbus, targets({q})).first;
    }

    tevo_sim::ControllerSim sim;
    tevo_test::RawClient client;
};

TEST(SimServo, AStepIsFollowedWithinTheSpeedLimitAndWithoutOvershoot) {
    // A watchdog long enough that a 0.5 rad step is not refused as a jump.
    Streamer s([](tevo_sim::SimOptions& o) { o.servoWatchdog = 500ms; });
    s.open();
    const double vmax = s.sim.options().servoMaxJointSpeed;
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    const Joints start = joints(s.sim.snapshot());
    Joints goal = start;
    goal[0] += 0.5;
    Pacer pace(2000us);
    double peak = 0;
    bool arrived = false;
    for (int i = 0; i < 1000 && !arrived; ++i) {  // up to 2 s; it needs about 0.25 s
        ASSERT_EQ(s.send(goal), tevo_sim::CodeSucc);
        const auto snap = s.sim.snapshot();
        peak = std::max(peak, maxSpeed(snap));
        ASSERT_LE(std::fabs(snap.jointSpeeds[0]), vmax + 1e-9) << "step " << i;
        ASSERT_LE(snap.joints[0], goal[0] + 1e-9) << "passed the target at step " << i;
        for (int j = 1; j < 6; ++j) ASSERT_EQ(snap.joints[j], start[j]);
        arrived = std::fabs(snap.joints[0] - goal[0]) < 1e-9 && maxSpeed(snap) < 1e-6;
        pace.wait();
    }
    EXPECT_TRUE(arrived);
    EXPECT_GT(peak, 0.9 * vmax);  // it does move at the limit, not merely below it
    ASSERT_EQ(s.request(Cmd::LeaveTcp2CanbusMode).first, tevo_sim::CodeSucc);
}

// A target moving at 3 rad/s in joint 1 from the current pose, streamed at
// 500 Hz for `count` periods.
void streamRamp(Streamer& s, int count) {
    Joints q = joints(s.sim.snapshot());
    Pacer pace(2000us);
    for (int i = 0; i < count; ++i) {
        q[0] += 3.0 * 0.002;
        ASSERT_EQ(s.send(q), tevo_sim::CodeSucc) << "target " << i;
        pace.wait();
    }
}

TEST(SimServo, TheWatchdogBringsTheArmToRestAndStopsTheStreamUntilReentered) {
    // A gentle deceleration keeps the arm moving when the watchdog trips.
    Streamer s([](tevo_sim::SimOptions& o) {
        o.servoWatchdog = 200ms;
        o.servoMaxJointAccel = 10.0;
    });
    s.open();
    const double a = s.sim.options().servoMaxJointAccel;
    const double step = 1.0 / s.sim.options().servoRateHz;
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    streamRamp(s, 150);
    // Stop sending; from the first sight of the trip on, the arm may move at
    // most v^2 / (2 a) plus one follower step.
    tevo_sim::ArmSnapshot trip;
    const auto deadline = Clock::now() + 5s;
    while (!(trip = s.sim.snapshot()).streamTripped && Clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(trip.streamTripped);
    const double v = std::fabs(trip.jointSpeeds[0]);
    EXPECT_GT(v, 0.1) << "the arm should still move when the stream trips";
    ASSERT_TRUE(s.sim.waitIdle(5000ms));
    const auto rest = s.sim.snapshot();
    EXPECT_EQ(maxSpeed(rest), 0.0);
    const double travelled = rest.joints[0] - trip.joints[0];
    EXPECT_LE(travelled, v * v / (2 * a) + v * step + 1e-9);
    EXPECT_GT(travelled, 0.0);  // a ramp, not a halt

    // The event reached the connection and is among the recent ones.
    const std::string text = "servo stream: no target for 200 ms; the arm was brought to rest";
    bool seen = false;
    for (const auto& e : s.sim.recentEvents())
        seen = seen || (e.event.type == tevo_sim::EvTrackingLost && e.event.code == 0 &&
                        e.event.content == text);
    EXPECT_TRUE(seen);
    bool received = false;
    for (auto f = s.client.nextOf(Cmd::Event, 1000ms); f && !received;
         f = s.client.nextOf(Cmd::Event, 1000ms)) {
        pbm::ProtoCommunicationRobotEvent ev;
        received = ev.ParseFromString(f->body) && ev.eventtype() == tevo_sim::EvTrackingLost;
    }
    EXPECT_TRUE(received);
    EXPECT_EQ(s.sim.servoStats().watchdogTrips, 1u);

    // Refused until the mode is left and entered again; then a fresh stream.
    const Joints here = joints(rest);
    const auto [code, reason] = s.request(Cmd::SetRobotPosData2Canbus, targets({here}));
    EXPECT_EQ(code, tevo_sim::CodeProcessRequestFailed);
    EXPECT_NE(reason.find("leave pass-through mode and enter it again"), std::string::npos)
        << reason;
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    EXPECT_FALSE(s.sim.snapshot().streamTripped);
    EXPECT_EQ(s.sim.servoStats().watchdogTrips, 0u);
    EXPECT_EQ(s.send(here), tevo_sim::CodeSucc);
}

TEST(SimServo, LeavingWhileMovingRampsToRestBeforeMovesAreAccepted) {
    Streamer s([](tevo_sim::SimOptions& o) {
        o.servoWatchdog = 500ms;  // a slow scheduler does not trip it
        o.servoMaxJointAccel = 10.0;
    });
    s.open();
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    streamRamp(s, 100);
    ASSERT_EQ(s.request(Cmd::LeaveTcp2CanbusMode).first, tevo_sim::CodeSucc);
    auto snap = s.sim.snapshot();
    EXPECT_FALSE(snap.streaming);
    ASSERT_TRUE(snap.moving);
    ASSERT_GT(maxSpeed(snap), 1.0);
    const Joints home = joints(snap);
    const auto busy = s.request(Cmd::RobotMove, jointMove(home, 1.0));
    EXPECT_EQ(busy.first, tevo_sim::CodeBusy) << busy.second;
    // The speed falls to zero through several values, never rising.
    std::vector<double> speeds{maxSpeed(snap)};
    const auto deadline = Clock::now() + 5s;
    while (snap.moving && Clock::now() < deadline) {
        snap = s.sim.snapshot();
        if (maxSpeed(snap) != speeds.back()) speeds.push_back(maxSpeed(snap));
    }
    ASSERT_FALSE(snap.moving);
    EXPECT_EQ(speeds.back(), 0.0);
    EXPECT_GE(speeds.size(), 4u);
    EXPECT_TRUE(std::is_sorted(speeds.rbegin(), speeds.rend()));
    EXPECT_TRUE(s.sim.waitIdle(1000ms));
    EXPECT_EQ(s.request(Cmd::RobotMove, jointMove(home, 1.0)).first, tevo_sim::CodeSucc);
}

TEST(SimServo, RefusalsCarryTheirCodesAndChangeNothing) {
    struct Row {
        const char* kind;
        bool startUp;
        std::function<void(Streamer&)> prepare;
        int32_t cmd;
        std::function<std::string(const Joints& here)> body;
        int32_t code;
        std::string reason;
    };
    auto enter = [](Streamer& s) {
        ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    };
    auto none = [](const Joints&) { return std::string(); };
    auto moved = [](double joint1, double joint3) {
        return [joint1, joint3](const Joints& here) {
            Joints q = here;
            q[0] += joint1;
            q[2] = joint3 != 0 ? joint3 : q[2];
            return targets({q});
        };
    };
    const Row rows[] = {
        {"enter before start-up", false, [](Streamer&) {}, Cmd::EnterTcp2CanbusMode, none,
         tevo_sim::CodeArmNotStarted, "the arm is not started"},
        {"enter while a move runs", true,
         [](Streamer& s) {
             Joints far = joints(s.sim.snapshot());
             far[0] += 0.5;
             ASSERT_EQ(s.request(Cmd::RobotMove, jointMove(far, 0.01)).first, tevo_sim::CodeSucc);
         },
         Cmd::EnterTcp2CanbusMode, none, tevo_sim::CodeBusy, "another move is running"},
        {"a target outside the mode", true, [](Streamer&) {}, Cmd::SetRobotPosData2Canbus,
         moved(0.01, 0), tevo_sim::CodeProcessRequestFailed, "pass-through mode is off"},
        {"a jump larger than speed x watchdog", true, enter, Cmd::SetRobotPosData2Canbus,
         moved(0.5, 0), tevo_sim::CodeInvalidValue,
         "joint 1 jumps 0.50 rad (from 0.00 to 0.50 rad), more than 0.16 rad (3.15 rad/s x 50 ms)"},
        {"a later waypoint of a frame jumping", true, enter, Cmd::SetRobotPosData2Canbus,
         [](const Joints& here) {
             Joints a = here, b = here;
             a[1] += 0.1;
             b[1] += 0.3;
             return targets({a, b});
         },
         tevo_sim::CodeInvalidValue, "target 2: joint 2 jumps 0.20 rad"},
        {"a target outside the joint range", true, enter, Cmd::SetRobotPosData2Canbus,
         moved(0, 4.0), tevo_sim::CodeJointOutOfRange, "joint 3 target 4.00 rad outside its range"},
        {"a move while the mode is on", true, enter, Cmd::RobotMove,
         [](const Joints& here) { return jointMove(here, 1.0); }, tevo_sim::CodeBusy,
         "pass-through mode is on: leave it first"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        Streamer s;
        s.open(row.startUp);
        row.prepare(s);
        const auto before = s.sim.snapshot();
        const auto [code, reason] = s.request(row.cmd, row.body(joints(before)));
        EXPECT_EQ(code, row.code);
        EXPECT_NE(reason.find(row.reason), std::string::npos) << "text: " << reason;
        const auto after = s.sim.snapshot();
        EXPECT_EQ(after.streaming, before.streaming);
        EXPECT_FALSE(after.streamTargetValid);
        EXPECT_EQ(s.sim.servoStats().targets, 0u);
    }
}

TEST(SimServo, StatsCountTargetsAndTheirGapsSinceTheModeWasEntered) {
    Streamer s([](tevo_sim::SimOptions& o) { o.servoWatchdog = 500ms; });
    s.open();
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    Joints q = joints(s.sim.snapshot());
    Pacer pace(2000us);
    for (int i = 0; i < 50; ++i) {
        q[5] += 0.002;
        ASSERT_EQ(s.send(q), tevo_sim::CodeSucc);
        pace.wait();
    }
    // Three waypoints in one frame: consecutive targets, the last one current.
    Joints a = q, b = q, c = q;
    a[5] += 0.002, b[5] += 0.004, c[5] += 0.006;
    ASSERT_EQ(s.request(Cmd::SetRobotPosData2Canbus, targets({a, b, c})).first, tevo_sim::CodeSucc);
    Joints far = c;
    far[5] += 2.0;                                       // more than 3.15 rad/s x 0.5 s
    ASSERT_EQ(s.send(far), tevo_sim::CodeInvalidValue);  // refused: not counted

    const auto snap = s.sim.snapshot();
    ASSERT_TRUE(snap.streamTargetValid);
    EXPECT_EQ(snap.streamTarget[5], c[5]);
    const auto st = s.sim.servoStats();
    EXPECT_EQ(st.targets, 53u);
    ASSERT_EQ(st.interArrivalSec.size(), 52u);
    // The frames came 2 ms apart on the client's grid (give or take a
    // scheduler's delay); the two extra waypoints arrived with their frame.
    std::vector<double> gaps(st.interArrivalSec.begin(), st.interArrivalSec.end() - 2);
    EXPECT_EQ(st.interArrivalSec[50], 0.0);
    EXPECT_EQ(st.interArrivalSec[51], 0.0);
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GT(gaps[gaps.size() / 2], 0.0015);
    EXPECT_LT(gaps[gaps.size() / 2], 0.02);
    double total = 0;
    for (double g : gaps) total += g;
    EXPECT_GT(total, 49 * 0.002 * 0.9);
    // The follower lags a moving target a little, never by a jump's worth.
    EXPECT_GT(st.followErrorMaxRad, 0.0);
    EXPECT_LT(st.followErrorMaxRad, 0.05);
    EXPECT_EQ(st.watchdogTrips, 0u);

    // Leaving and entering again starts a fresh count.
    ASSERT_EQ(s.request(Cmd::LeaveTcp2CanbusMode).first, tevo_sim::CodeSucc);
    ASSERT_TRUE(s.sim.waitIdle(5000ms));
    ASSERT_EQ(s.request(Cmd::EnterTcp2CanbusMode).first, tevo_sim::CodeSucc);
    const auto fresh = s.sim.servoStats();
    EXPECT_EQ(fresh.targets, 0u);
    EXPECT_TRUE(fresh.interArrivalSec.empty());
    EXPECT_EQ(fresh.followErrorMaxRad, 0.0);
}

}  // namespace
