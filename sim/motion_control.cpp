// Motion commands: moves, teach jogs, move control (stop, pause, continue)
// and reduce mode. Stops and pauses do not freeze the arm: they start a ramp
// to rest along the current path, and the motion thread sends the done
// events once the arm is at rest (see simloop.cpp).
#include <algorithm>
#include <cmath>

#include "sim/handlerutil.h"

namespace tevo_sim {
namespace {

namespace mc = tevo::robot::movecondition;

constexpr double kPi = 3.14159265358979323846;

// Ramps to rest of a plan: joints rad/s^2, flange m/s^2 and rad/s^2, and the
// longest the ramp may take (s of arm time). Slow stop and pause share one.
constexpr Decel kSlowStop{6.0, 2.0, 6.0, 0.6};
constexpr Decel kFastStop{20.0, 6.0, 20.0, 0.2};

// Jogs run at a fixed speed and ramp down to rest in these times.
constexpr double kJogJointSpeed = 0.2;  // rad/s
constexpr double kJogCartSpeed = 0.05;  // m/s, rad/s for rotations
constexpr double kJogStopTime = 0.1;    // teach stop, slow stop
constexpr double kJogFastStopTime = 0.04;

// Reduce mode caps when the safety configuration sets none (zero).
constexpr double kReducedJointSpeed = 30.0 * kPi / 180.0;  // rad/s
constexpr double kReducedTcpSpeed = 0.25;                  // m/s

// Element i of a speed or acceleration limit list; refused when it is
// missing, not finite or not positive.
Refusal limitAt(const char* kind, const pbc::joint_cart_U& u, int i, double& out) {
    const std::string what = std::string(kind) + " limit " + std::to_string(i + 1);
    if (i >= u.jointpara_size()) return malformed(what + " is missing");
    out = u.jointpara(i);
    if (std::isfinite(out) && out > 0) return {};
    return invalid(what + " " + fmt2(out) + " is not finite and positive");
}

// Speed and acceleration limits 0..n-1 into v and a.
Refusal limits(const pbc::RobotMoveProfile& mp, int n, double v[6], double a[6]) {
    for (int i = 0; i < n; ++i) {
        if (Refusal r = limitAt("speed", mp.maxvelc(), i, v[i])) return r;
        if (Refusal r = limitAt("acceleration", mp.maxacc(), i, a[i])) return r;
    }
    return {};
}

// Reduce-mode joint speed caps (rad/s): the safety configuration's reduced
// joint speeds (degrees per second) where set, the default cap elsewhere.
void reducedJointCaps(const ArmState& arm, double cap[6]) {
    const auto& sc = arm.safetyConfig;
    for (int i = 0; i < 6; ++i) {
        const int32_t deg =
            i < sc.robotreducedconfigjointspeed_size() ? sc.robotreducedconfigjointspeed(i) : 0;
        cap[i] = deg > 0 ? deg * kPi / 180.0 : kReducedJointSpeed;
    }
}

// The speed and acceleration limits a move uses; refused when one of them is
// missing, not finite or not positive. Joint moves use six joint limits; a
// straight line uses element 0 (line, m/s) and 1 (angle, rad/s) and leaves
// them in v[0..1], a[0..1]. A multi-point move with a Cartesian sub-mode
// gives line/angle limits too; its joint-space path takes them as one joint
// limit, min(angle, line / reach), so neither the flange orientation nor its
// position (at most `reach` from the shoulder) moves faster than asked.
// In reduce mode the speeds are capped (joints by the reduced joint speeds,
// the line by the reduced TCP speed in mm/s).
Refusal moveLimits(const ArmState& arm, const pbc::RobotMoveProfile& mp, double v[6], double a[6]) {
    const int mode = mp.movemode();
    const int sub = mp.submovemode();
    const bool line = mode == mc::MODEL;
    const bool cartPath = mode == mc::MODEP && sub >= mc::ARC_CIR && sub <= mc::CARTESIAN_LOOKAHEAD;
    double cap[6];
    reducedJointCaps(arm, cap);
    if (line || cartPath) {
        if (Refusal r = limits(mp, 2, v, a)) return r;
        if (line) {
            if (arm.reduceMode) {
                const int32_t tcp = arm.safetyConfig.robotreducedconfigtcpspeed();
                v[0] = std::min(v[0], tcp > 0 ? tcp / 1000.0 : kReducedTcpSpeed);
                v[1] = std::min(v[1], *std::min_element(cap, cap + 6));
            }
            return {};
        }
        const Dh& dh = arm.dh;
        const double reach = dh.a3 + dh.a4 + dh.d5 + dh.d6;
        const double vj = std::min(v[1], v[0] / reach), aj = std::min(a[1], a[0] / reach);
        std::fill(v, v + 6, vj);
        std::fill(a, a + 6, aj);
    } else if (Refusal r = limits(mp, 6, v, a)) {
        return r;
    }
    if (arm.reduceMode)
        for (int i = 0; i < 6; ++i) v[i] = std::min(v[i], cap[i]);
    return {};
}

// Starts (or hardens) the ramp that brings a jog to rest in `time` seconds.
void startJogRamp(ArmState& arm, double time) {
    const double decel = (arm.jog == JogKind::Joint ? kJogJointSpeed : kJogCartSpeed) / time;
    arm.jogDecel = arm.jogStopping ? std::max(arm.jogDecel, decel) : decel;
    arm.jogStopping = true;
}

// The done event of a move-control command as the request's fault rule
// shapes it: replaced, or none when suppressed.
std::optional<EventSpec> shapedDone(RequestCtx& c, EventSpec ev) {
    c.doneShaped = true;
    if (c.rule && c.rule->suppressCompletion) return std::nullopt;
    if (c.rule && c.rule->completionEvent) return *c.rule->completionEvent;
    return ev;
}

// Events that wait for the arm to come to rest never overtake the reply:
// the motion thread holds them while a move-control reply is unwritten.
void holdUntilReplied(ArmState& arm, RequestCtx& c) {
    ++arm.moveControlReplies;
    c.afterReply.push_back([](ArmState& a) { --a.moveControlReplies; });
}

}  // namespace

void startPlan(ArmState& arm, RequestCtx& c, MotionPlan plan, int movepWaypoints) {
    if (!c.applyState) return;
    // The plan runs once the reply is on the wire, so the end event can
    // never overtake the reply.
    arm.plan = std::move(plan);
    arm.planActive = false;
    arm.planOwner = c.conn;
    arm.movepWaypoints = movepWaypoints;
    arm.movepReported = 0;
    arm.paused = false;
    arm.endSuppressed = false;
    arm.endEvent.reset();
    c.startsMove = true;
    c.afterReply.push_back([](ArmState& a) { a.planActive = true; });
}

void handleRobotMove(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotMove mv;
    if (!parse(c, mv)) return;
    if (!motionAllowed(arm, c)) return;
    const auto& mp = mv.move_profile();
    const bool tracking = mp.submovemode() == mc::TRACKING;
    // One move at a time. A follow-mode move replaces the running one, but
    // not one that is stopping, pausing or paused.
    const bool busy = arm.jog != JogKind::None || servoHoldsArm(arm) ||
                      (arm.plan && (!tracking || arm.ramp != RampKind::None || arm.paused));
    if (busy) {
        refuseBusy(arm, c);
        return;
    }
    const int mode = mp.movemode();
    if (mv.roadpointvector_size() == 0) {
        refuse(c, CodeRequestFormatError, "the move has no waypoint");
        return;
    }
    if (mode == mc::MODEP && mv.roadpointvector_size() < 2) {
        refuse(c, CodeRequestFormatError,
               "a multi-point move needs at least 2 waypoints, got " +
                   std::to_string(mv.roadpointvector_size()));
        return;
    }
    double v[6], a[6];
    if (Refusal r = moveLimits(arm, mp, v, a)) {
        refuse(c, std::move(r));
        return;
    }
    if (mode == mc::MODEL) {
        const auto& rp = mv.roadpointvector(0);
        Pose target{};
        if (!roadPointPose(rp, target)) {
            const auto& cp = rp.cartpos();
            if (cp.position_size() == 0 && cp.positionvector_size() < 3)
                refuse(c, CodeRequestFormatError, "the target has no position");
            else
                refuse(c, CodeInvalidValue, "the target orientation is zero or not finite");
            return;
        }
        Joints tq{};
        const bool hasJoints = roadPointJoints(rp, tq);
        if (mp.teachmode() == mc::ROT_Y) {
            // Rotation move: w carries the angle, x/y/z the base-frame axis.
            const Pose cur = forwardKinematics(arm.dh, arm.q.data());
            const double axis[3] = {rp.orientation().x(), rp.orientation().y(),
                                    rp.orientation().z()};
            target = rotateAboutBaseAxis(cur, axis, rp.orientation().w());
            if (!inverseKinematicsNear(arm.dh, target, arm.q.data(), tq.data())) {
                refuseUnreachable(c, target);
                return;
            }
        } else if (hasJoints) {
            // Trust the joints only when they reach the pose (else solve for the pose).
            const Pose fk = forwardKinematics(arm.dh, tq.data());
            if (positionDistance(fk, target) > 1e-4 || orientationAngle(fk, target) > 1e-3) {
                if (!inverseKinematicsNear(arm.dh, target, arm.q.data(), tq.data())) {
                    refuseUnreachable(c, target);
                    return;
                }
            }
        } else if (!inverseKinematicsNear(arm.dh, target, arm.q.data(), tq.data())) {
            refuseUnreachable(c, target);
            return;
        }
        if (!targetInRange(arm, tq, c)) return;
        startPlan(arm, c, MotionPlan::line(arm.dh, arm.q, target, &tq, v[0], a[0], v[1], a[1]), 0);
        return;
    }
    std::vector<Joints> targets;
    for (int i = 0; i < mv.roadpointvector_size(); ++i) {
        Joints q{};
        if (!readWaypointJoints(c, mv.roadpointvector(i), i, q) || !targetInRange(arm, q, c))
            return;
        targets.push_back(q);
    }
    if (!c.applyState) return;
    if (mode == mc::MODEJ && targets.size() > 1) targets.resize(1);
    if (tracking && arm.plan) arm.plan.reset();  // follow mode: the new target replaces the old
    if (mode == mc::MODEP) {
        startPlan(arm, c, MotionPlan::blended(arm.q, targets, v, a),
                  static_cast<int>(targets.size()));
    } else {
        startPlan(arm, c, MotionPlan::joints(arm.q, targets, v, a), 0);
    }
}

void handleTeachStart(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotTeachMove tm;
    if (!parse(c, tm)) return;
    if (!motionAllowed(arm, c)) return;
    // Includes a jog still ramping down and an arm coming to rest from a stream.
    if (arm.plan || arm.jog != JogKind::None || servoHoldsArm(arm)) {
        refuseBusy(arm, c);
        return;
    }
    const int mode = tm.move_profile().teachmode();
    if (Refusal r = checkIntRange("teach mode", mode, 1, 12)) {
        refuse(c, std::move(r));
        return;
    }
    if (!c.applyState) return;
    arm.jog = mode <= 6 ? JogKind::Joint : JogKind::Cartesian;
    arm.jogAxis = mode <= 6 ? mode - 1 : mode - 7;
    arm.jogDir = tm.move_profile().circularlooptimes() > 0 ? 1.0 : -1.0;
    arm.jogSpeed = arm.jog == JogKind::Joint ? kJogJointSpeed : kJogCartSpeed;
    arm.jogStopping = false;
    arm.jogOwner = c.conn;
}

void handleTeachStop(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (c.applyState && arm.jog != JogKind::None) startJogRamp(arm, kJogStopTime);
}

// Move control: result and done event follow what the arm is doing. Stop
// and pause reply at once; their done events follow when the arm is at rest.
void handleMoveControl(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoRobotMoveFuncResult>(c);
    r.set_ret(MoveControlSuccNoWait);
    if (!c.applyState) {
        r.set_ret(MoveControlFailed);
        return;
    }
    switch (c.cmd) {
        case MoveControlSlowStop:
        case MoveControlFastStop: {
            if (!arm.plan && arm.jog == JogKind::None) return;  // idle: nothing to wait for
            const bool fast = c.cmd == MoveControlFastStop;
            r.set_ret(MoveControlSuccWaitDone);
            if (auto e = shapedDone(c, EventSpec{EvMoveControlStopDone, 0, "stop done"}))
                arm.stopDone.push_back(*e);
            arm.ramp = RampKind::Stop;
            arm.resumeAfterPause = false;
            if (arm.plan) {
                arm.plan->decelerate(fast ? kFastStop : kSlowStop);
            } else {
                startJogRamp(arm, fast ? kJogFastStopTime : kJogStopTime);
            }
            holdUntilReplied(arm, c);
            return;
        }
        case MoveControlPause:
            if (!arm.plan || arm.paused || arm.ramp != RampKind::None) return;
            r.set_ret(MoveControlSuccWaitDone);
            if (auto e = shapedDone(c, EventSpec{EvMoveControlPauseDone, 0, "pause done"}))
                arm.pauseDone.push_back(*e);
            arm.ramp = RampKind::Pause;
            arm.plan->decelerate(kSlowStop);
            holdUntilReplied(arm, c);
            return;
        case MoveControlContinue:
            if (arm.plan && arm.paused) {
                arm.paused = false;
                arm.plan->resume();
                r.set_ret(MoveControlSuccWaitDone);
                c.completions.push_back(
                    Completion{std::chrono::milliseconds(0),
                               EventSpec{EvMoveControlContinueDone, 0, "continue done"},
                               {}});
            } else if (arm.plan && arm.ramp == RampKind::Pause && !arm.resumeAfterPause) {
                // Still pausing: resume once at rest, after the pause done event.
                r.set_ret(MoveControlSuccWaitDone);
                if (auto e =
                        shapedDone(c, EventSpec{EvMoveControlContinueDone, 0, "continue done"}))
                    arm.continueDone.push_back(*e);
                arm.resumeAfterPause = true;
                holdUntilReplied(arm, c);
            }
            return;
        default:
            return;
    }
}

void handleReduceMode(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (c.applyState) arm.reduceMode = c.cmd == EnterRobotReduceMode;
}

std::vector<EventSpec> takeDoneEvents(ArmState& arm, bool stopState) {
    std::vector<EventSpec> events;
    events.insert(events.end(), arm.pauseDone.begin(), arm.pauseDone.end());
    events.insert(events.end(), arm.continueDone.begin(), arm.continueDone.end());
    if (stopState) events.push_back(EventSpec{EvMoveEnterStopState, 0, "move stopped"});
    events.insert(events.end(), arm.stopDone.begin(), arm.stopDone.end());
    arm.pauseDone.clear();
    arm.continueDone.clear();
    arm.stopDone.clear();
    arm.ramp = RampKind::None;
    arm.resumeAfterPause = false;
    return events;
}

std::vector<EventSpec> stopMotion(ArmState& arm, bool countAsStopped) {
    const bool hadPlan = arm.plan.has_value();
    if (hadPlan) {
        arm.plan.reset();
        arm.planActive = false;
        if (countAsStopped) ++arm.movesStopped;
    }
    arm.paused = false;
    arm.jog = JogKind::None;
    arm.jogStopping = false;
    arm.endSpeed = 0;
    for (double& v : arm.jointSpeed) v = 0;
    return takeDoneEvents(arm, hadPlan);
}

}  // namespace tevo_sim
