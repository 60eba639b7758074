// Servo streaming in pass-through mode: the follower that tracks the
// streamed joint targets, its ramp to rest and the stream's watchdog. Runs
// under the state lock: the handlers of commands 75..77 on the reader
// threads, servoAdvance and servoAtPush on the motion thread.
//
// The stream runs in real time (the time scale does not apply): its targets
// come paced by the client's clock. Time stands still while the simulator
// is frozen (servoShiftClock), so a frozen simulator never trips the
// watchdog.
#include <algorithm>
#include <cmath>

#include "sim/handlerutil.h"

namespace tevo_sim {

namespace {

using Clock = std::chrono::steady_clock;

// Below this a joint counts as still (rad/s).
constexpr double kStillSpeed = 1e-9;
// The target period assumed until two targets came (s).
constexpr double kInitialPeriod = 0.002;
// Weight of the latest gap in the smoothed target period.
constexpr double kPeriodWeight = 0.2;
// At most this many follower steps per motion tick: the time of a motion
// thread held up longer is dropped.
constexpr int kMaxStepsPerTick = 1000;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double watchdogSeconds(const SimOptions& opt) {
    return std::chrono::duration<double>(opt.servoWatchdog).count();
}

// The target period estimate stays between one follower step and the
// watchdog time.
double clampPeriod(const SimOptions& opt, double p) {
    const double lo = 1.0 / opt.servoRateHz;
    return std::clamp(p, lo, std::max(lo, watchdogSeconds(opt)));
}

// The setpoint at t: linear from where it was when the latest target came
// to that target, over the estimated target period.
Joints setpointAt(const ServoState& s, Clock::time_point t) {
    const double r = std::clamp(seconds(t - s.lastArrival) / s.period, 0.0, 1.0);
    Joints sp{};
    for (int i = 0; i < 6; ++i) sp[i] = s.from[i] + (s.target[i] - s.from[i]) * r;
    return sp;
}

// The largest speed from which a joint, slowing by a*h each step of h
// (q advances by the new speed x h), stops within the distance e without
// passing it: the stepwise form of sqrt(2 a e). From x*a*h it moves
// a*h^2 * (x + (x - 1) + ... + (x - m)) with m + 1 = ceil(x) steps, that is
// a*h^2 * (m + 1) * (x - m / 2); solved for x.
double brakingSpeed(double e, double a, double h) {
    const double ah = a * h, steps = e / (ah * h);
    double m = std::floor((std::sqrt(1.0 + 8.0 * steps) - 1.0) / 2.0);
    if ((m + 1) * (m + 2) / 2 <= steps) m += 1;  // rounding at a whole number of steps
    if (m > 0 && m * (m + 1) / 2 > steps) m -= 1;
    return ah * std::min(steps / (m + 1) + m / 2, m + 1);
}

bool still(const ServoState& s) {
    return std::all_of(std::begin(s.v), std::end(s.v),
                       [](double v) { return std::fabs(v) <= kStillSpeed; });
}

// One follower step of h seconds ending at t.
void step(ArmState& arm, const SimOptions& opt, Clock::time_point t, double h,
          std::vector<EventSpec>& events) {
    ServoState& s = arm.servo;
    const double vmax = opt.servoMaxJointSpeed, a = opt.servoMaxJointAccel;
    if (arm.tcp2Canbus && s.hasTarget && !s.tripped && t - s.lastArrival > opt.servoWatchdog) {
        // The stream stopped: bring the arm to rest and refuse targets until
        // the mode is entered again.
        s.tripped = true;
        s.tripEventDue = true;
        s.ramping = true;
        ++s.trips;
    }
    const bool follow = arm.tcp2Canbus && s.hasTarget && !s.tripped;
    const Joints sp = follow ? setpointAt(s, t) : arm.q;
    for (int i = 0; i < 6; ++i) {
        double& v = s.v[i];
        if (follow) {
            const double e = sp[i] - arm.q[i];
            const double vb = std::min(vmax, brakingSpeed(std::fabs(e), a, h));
            const double want = std::clamp(e / h, -vb, vb);
            v += std::clamp(want - v, -a * h, a * h);
        } else {
            v -= std::copysign(std::min(std::fabs(v), a * h), v);  // ramp to rest
        }
        arm.q[i] += v * h;
    }
    if (s.ramping && std::all_of(std::begin(s.v), std::end(s.v), [](double v) { return v == 0; })) {
        s.ramping = false;
        if (s.tripEventDue) {
            s.tripEventDue = false;
            events.push_back(EventSpec{EvTrackingLost, 0,
                                       "servo stream: no target for " +
                                           std::to_string(opt.servoWatchdog.count()) +
                                           " ms; the arm was brought to rest"});
        }
    }
}

}  // namespace

bool servoActive(const ArmState& arm) { return arm.tcp2Canbus || arm.servo.ramping; }

bool servoMoving(const ArmState& arm) { return arm.servo.ramping || !still(arm.servo); }

bool servoHoldsArm(const ArmState& arm) { return arm.tcp2Canbus || servoMoving(arm); }

void servoEnter(ArmState& arm, const SimOptions& opt) {
    arm.tcp2Canbus = true;
    arm.servo = ServoState{};
    arm.servo.period = clampPeriod(opt, kInitialPeriod);
}

void servoLeave(ArmState& arm) {
    arm.tcp2Canbus = false;
    arm.servo.hasTarget = false;
    if (still(arm.servo))
        std::fill(std::begin(arm.servo.v), std::end(arm.servo.v), 0.0);
    else
        arm.servo.ramping = true;
}

void servoHalt(ArmState& arm) {
    // A trip's event still goes out on the next tick (the arm is at rest).
    std::fill(std::begin(arm.servo.v), std::end(arm.servo.v), 0.0);
    arm.servo.hasTarget = false;
}

bool servoCheckJumps(const ArmState& arm, const SimOptions& opt, const std::vector<Joints>& pts,
                     RequestCtx& c) {
    const double bound = opt.servoMaxJointSpeed * watchdogSeconds(opt);
    Joints prev = arm.servo.hasTarget ? arm.servo.target : arm.q;
    for (size_t k = 0; k < pts.size(); ++k) {
        for (int i = 0; i < 6; ++i) {
            const double jump = std::fabs(pts[k][i] - prev[i]);
            if (jump > bound)
                return refuse(c, CodeInvalidValue,
                              "target " + std::to_string(k + 1) + ": joint " +
                                  std::to_string(i + 1) + " jumps " + fmt2(jump) + " rad (from " +
                                  fmt2(prev[i]) + " to " + fmt2(pts[k][i]) + " rad), more than " +
                                  fmt2(bound) + " rad (" + fmt2(opt.servoMaxJointSpeed) +
                                  " rad/s x " + std::to_string(opt.servoWatchdog.count()) + " ms)");
        }
        prev = pts[k];
    }
    return true;
}

void servoAccept(ArmState& arm, const SimOptions& opt, const std::vector<Joints>& pts,
                 Clock::time_point now) {
    if (pts.empty()) return;
    ServoState& s = arm.servo;
    for (size_t k = 0; k < pts.size(); ++k) {
        if (s.hasTarget || k > 0) {
            // Targets of one frame arrive together.
            const double gap = k == 0 ? std::max(0.0, seconds(now - s.lastArrival)) : 0.0;
            s.gaps.push_back(gap);
            if (s.gaps.size() > ServoState::kMaxGaps) s.gaps.pop_front();
            if (k == 0)
                s.period = clampPeriod(
                    opt, s.targets == 1 ? gap : s.period + kPeriodWeight * (gap - s.period));
        }
        ++s.targets;
    }
    s.from = s.hasTarget ? setpointAt(s, now) : arm.q;
    s.target = pts.back();
    s.hasTarget = true;
    s.lastArrival = now;
}

void servoAdvance(ArmState& arm, const SimOptions& opt, Clock::time_point start,
                  Clock::time_point now, std::vector<EventSpec>& events) {
    ServoState& s = arm.servo;
    // Fixed steps: the braking speed holds only when every step has the same
    // length. The follower's own clock trails `now` by less than one step.
    const auto h = std::max<Clock::duration>(
        Clock::duration(1), std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(1.0 / opt.servoRateHz)));
    if (s.stepTime < start - h) s.stepTime = start;  // was idle (or frozen)
    const Joints before = arm.q;
    const auto from = s.stepTime;
    for (int k = 0; k < kMaxStepsPerTick && s.stepTime + h <= now; ++k) {
        s.stepTime += h;
        step(arm, opt, s.stepTime, seconds(h), events);
    }
    if (s.stepTime + h <= now) s.stepTime = now;  // held up too long: that time is lost
    std::copy(std::begin(s.v), std::end(s.v), std::begin(arm.jointSpeed));
    const double dt = seconds(s.stepTime - from);
    if (dt > 0)
        arm.endSpeed = positionDistance(forwardKinematics(arm.dh, before.data()),
                                        forwardKinematics(arm.dh, arm.q.data())) /
                       dt;
}

void servoAtPush(ArmState& arm) {
    ServoState& s = arm.servo;
    if (!arm.tcp2Canbus || !s.hasTarget || s.tripped) return;
    for (int i = 0; i < 6; ++i)
        s.followErrorMax = std::max(s.followErrorMax, std::fabs(s.target[i] - arm.q[i]));
}

void servoShiftClock(ArmState& arm, Clock::duration stood) { arm.servo.lastArrival += stood; }

ServoStats servoStats(const ArmState& arm) {
    ServoStats st;
    st.targets = arm.servo.targets;
    st.interArrivalSec.assign(arm.servo.gaps.begin(), arm.servo.gaps.end());
    st.followErrorMaxRad = arm.servo.followErrorMax;
    st.watchdogTrips = arm.servo.trips;
    return st;
}

}  // namespace tevo_sim
