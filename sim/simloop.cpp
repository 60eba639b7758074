// The motion thread (arm advance, end events, pushes) and the reply/push
// body builders shared by the handlers.
#include <algorithm>
#include <cmath>
#include <optional>

#include "sim/framing.h"
#include "sim/siminternal.h"

namespace tevo_sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Moves a jog by `step` (rad or m); false when it has to stop (limit or
// unreachable).
bool advanceJog(ArmState& arm, double step) {
    step *= arm.jogDir;
    if (arm.jog == JogKind::Joint) {
        const double next = arm.q[arm.jogAxis] + step;
        if (std::fabs(next) > 2 * kPi) return false;
        arm.q[arm.jogAxis] = next;
        return true;
    }
    Pose pose = forwardKinematics(arm.dh, arm.q.data());
    if (arm.jogAxis < 3) {
        pose.p[arm.jogAxis] += step;
    } else {
        double axis[3] = {0, 0, 0};
        axis[arm.jogAxis - 3] = 1;
        pose = rotateAboutBaseAxis(pose, axis, step);
    }
    Joints next{};
    if (!inverseKinematicsNear(arm.dh, pose, arm.q.data(), next.data())) return false;
    arm.q = next;
    return true;
}

// Distance a jog covers in dt, slowing down when it ramps to rest.
double jogStep(ArmState& arm, double dt) {
    if (!arm.jogStopping) return arm.jogSpeed * dt;
    const double v0 = arm.jogSpeed;
    const double t = std::min(dt, v0 / arm.jogDecel);
    arm.jogSpeed = t < dt ? 0.0 : std::max(0.0, v0 - arm.jogDecel * t);
    return v0 * t - 0.5 * arm.jogDecel * t * t;
}

// Advances the plan by dt; collects its events (end, failure, and the done
// events of a stop or pause that brought it to rest) and movep progress.
void advancePlan(ArmState& a, double dt, std::vector<EventSpec>& events,
                 std::vector<int32_t>& progress) {
    const MotionPlan::Step st = a.plan->advance(dt, a.q);
    // Reaching waypoint k (1-based) of a multi-point move starts its segment
    // number k - 1 (0-based), which ends at waypoint k + 1; that number is
    // reported. Reaching the last waypoint ends the move without a number.
    if (a.movepWaypoints > 0) {
        while (a.movepReported < a.plan->waypointsPassed()) {
            ++a.movepReported;
            if (a.movepReported < a.movepWaypoints) progress.push_back(a.movepReported - 1);
        }
    }
    auto append = [&events](std::vector<EventSpec> more) {
        events.insert(events.end(), more.begin(), more.end());
    };
    switch (st) {
        case MotionPlan::Step::Running:
            return;
        case MotionPlan::Step::Done:
            a.plan.reset();
            a.planActive = false;
            ++a.movesCompleted;
            if (!a.endSuppressed)
                events.push_back(a.endEvent.value_or(
                    EventSpec{EvAtTrackTargetPos, 0, "at track target position"}));
            append(takeDoneEvents(a, false));
            return;
        case MotionPlan::Step::Failed:
            a.plan.reset();
            a.planActive = false;
            a.paused = false;
            ++a.movesStopped;
            events.push_back(EventSpec{EvIkFailed, 0, "no inverse kinematics on the path"});
            append(takeDoneEvents(a, false));
            return;
        case MotionPlan::Step::Rest:
            // At rest: finish the stop or pause once its reply is out.
            if (a.moveControlReplies > 0) return;
            if (a.ramp == RampKind::Stop) {
                a.plan.reset();
                a.planActive = false;
                a.paused = false;
                ++a.movesStopped;
                append(takeDoneEvents(a, true));
            } else if (a.ramp == RampKind::Pause) {
                a.paused = !a.resumeAfterPause;
                if (!a.paused) a.plan->resume();
                append(takeDoneEvents(a, false));
            }
            return;
    }
}

}  // namespace

void setErrorCode(google::protobuf::Message& m, int32_t code, const std::string& reason) {
    const auto* d = m.GetDescriptor();
    const auto* r = m.GetReflection();
    if (const auto* f = d->FindFieldByName("errorCode")) {
        r->SetInt32(&m, f, code);
        if (const auto* t = d->FindFieldByName("errorMsg")) {
            const std::string text =
                !reason.empty() || code == CodeSucc ? reason : codes::robotControllerCodeText(code);
            r->SetString(&m, t, text);
        }
        return;
    }
    if (const auto* f = d->FindFieldByName("errorInfo")) {
        google::protobuf::Message* e = nullptr;
        if (f->is_repeated()) {
            e = r->FieldSize(m, f) > 0 ? r->MutableRepeatedMessage(&m, f, 0) : r->AddMessage(&m, f);
        } else {
            e = r->MutableMessage(&m, f);
        }
        setErrorCode(*e, code, reason);
    }
}

std::string serializeReply(google::protobuf::Message& reply, int32_t code,
                           const std::string& reason) {
    setErrorCode(reply, code, reason);
    if (!reply.IsInitialized()) {
        // A handler left a required field empty: answer with a plain refusal
        // rather than a body the peer cannot parse.
        pbm::ProtoRobotCommonResponse fallback;
        fallback.set_errorcode(CodeProcessRequestFailed);
        fallback.set_errormsg("incomplete reply: " + reply.InitializationErrorString());
        return fallback.SerializeAsString();
    }
    return reply.SerializeAsString();
}

std::string eventBody(const EventSpec& ev) {
    pbm::ProtoCommunicationRobotEvent e;
    e.set_eventtype(ev.type);
    e.set_eventcode(ev.code);
    e.set_eventcontent(ev.content);
    return e.SerializeAsString();
}

std::string SimCore::jointStatusBody(const ArmState& a) const {
    pbc::ProtoRobotAllJointStatusResponse r;
    r.set_jointcount(6);
    for (int i = 0; i < 6; ++i) {
        auto* j = r.add_jointstatus();
        const double speed = a.jointSpeed[i];
        j->set_jointcurrenti(static_cast<int32_t>(std::lround(speed * 1000)));
        j->set_jointspeedmoto(
            static_cast<int32_t>(std::lround(speed * 60 / (2 * kPi) * 100)));  // motor rpm
        j->set_jointposj(static_cast<float>(a.q[i] * 180 / kPi));
        j->set_jointcurvol(a.powered ? 48.0f : 0.0f);
        j->set_jointcurtemp(30.0f);
        j->set_jointtagcurrenti(0);
        j->set_jointtagspeedmoto(static_cast<float>(speed));
        j->set_jointtagposj(static_cast<float>(a.q[i] * 180 / kPi));
        j->set_jointerrornum(0);
    }
    return serializeReply(r, CodeSucc);
}

std::string SimCore::jointAngleBody(const ArmState& a) const {
    pbc::ProtoJointAngleResponse r;
    auto* j = r.mutable_jointangle();
    j->set_joint1(a.q[0]);
    j->set_joint2(a.q[1]);
    j->set_joint3(a.q[2]);
    j->set_joint4(a.q[3]);
    j->set_joint5(a.q[4]);
    j->set_joint6(a.q[5]);
    return serializeReply(r, CodeSucc);
}

std::string SimCore::endSpeedBody(const ArmState& a) const {
    pbm::ProtoCommunicationGeneralData g;
    g.set_type(1);
    g.add_property1(static_cast<int32_t>(std::lround(a.endSpeed * 1000)));  // thousandths
    return serializeReply(g, CodeSucc);
}

void SimCore::motionLoop() {
    using clock = std::chrono::steady_clock;
    const auto pushInterval = std::chrono::duration_cast<clock::duration>(
        std::chrono::duration<double>(1.0 / opt.pushRateHz));
    const auto tick = std::min<clock::duration>(std::chrono::milliseconds(4), pushInterval);
    // While the servo follower runs, the thread ticks at the servo rate.
    const auto servoTick =
        std::min<clock::duration>(tick, std::chrono::duration_cast<clock::duration>(
                                            std::chrono::duration<double>(1.0 / opt.servoRateHz)));
    auto last = clock::now();
    auto nextPush = last + pushInterval;
    bool servoRunning = false;
    std::optional<clock::time_point> frozenSince;
    while (!stopping) {
        std::this_thread::sleep_until(last + (servoRunning ? servoTick : tick));
        const auto now = clock::now();
        if (frozen) {
            if (!frozenSince) frozenSince = last;
            last = now;  // the arm's time stands still
            continue;
        }
        const auto start = last;
        const double dtReal = std::chrono::duration<double>(now - last).count();
        const double dtArm = dtReal * opt.timeScale;
        last = now;
        std::vector<EventSpec> events;
        std::vector<int32_t> progress;
        bool push = false;
        bool becameIdle = false;
        std::string status, angles, speed;
        {
            std::lock_guard<std::mutex> lock(stateMutex);
            ArmState& a = arm;
            if (frozenSince) {
                servoShiftClock(a, now - *frozenSince);
                frozenSince.reset();
            }
            a.stateTime = now;
            const Joints before = a.q;
            const bool servo = servoActive(a);
            const bool wasMoving = a.plan.has_value() || a.jog != JogKind::None || servoMoving(a);
            if (servo) {
                servoAdvance(a, opt, start, now, events);
            } else if (a.plan && a.planActive) {
                advancePlan(a, dtArm, events, progress);
            } else if (a.jog != JogKind::None) {
                if (!advanceJog(a, jogStep(a, dtArm))) {
                    a.jog = JogKind::None;  // limit reached
                    a.jogStopping = false;
                    const auto done = takeDoneEvents(a, false);
                    events.insert(events.end(), done.begin(), done.end());
                } else if (a.jogStopping && a.jogSpeed <= 0 && a.moveControlReplies == 0) {
                    a.jog = JogKind::None;
                    a.jogStopping = false;
                    const auto done = takeDoneEvents(a, false);
                    events.insert(events.end(), done.begin(), done.end());
                }
            }
            servoRunning = servoActive(a);
            // waitIdle listens for the end of motion, also when no event
            // marks it (an end event suppressed by a fault rule, a jog, the
            // servo follower coming to rest).
            if (wasMoving && !a.plan.has_value() && a.jog == JogKind::None && !servoMoving(a))
                becameIdle = true;
            if (!servo && dtArm > 0) {
                const Pose p0 = forwardKinematics(a.dh, before.data());
                const Pose p1 = forwardKinematics(a.dh, a.q.data());
                a.endSpeed = positionDistance(p0, p1) / dtArm;
                for (int i = 0; i < 6; ++i) a.jointSpeed[i] = (a.q[i] - before[i]) / dtArm;
            }
            if (now >= nextPush) {
                push = true;
                nextPush += pushInterval;
                if (nextPush < now) nextPush = now + pushInterval;  // fell behind: do not burst
                servoAtPush(a);
                status = jointStatusBody(a);
                angles = jointAngleBody(a);
                speed = endSpeedBody(a);
            }
        }
        if (!events.empty() || becameIdle) stateCv.notify_all();
        for (int32_t n : progress) {
            pbm::ProtoCommunicationGeneralData g;
            g.set_type(1);
            g.add_property1(n);
            broadcast(encodeFrame(MovepProgressNotify, serializeReply(g, CodeSucc)));
        }
        sendEvents(events);
        if (!push) continue;
        for (auto& c : targets(ControllerSim::kAllConnections)) {
            std::string bytes;
            if (c->pushJointStatus) appendFrame(bytes, RealTimeJointStatus, status);
            if (c->pushJointAngle) appendFrame(bytes, RealTimeRobotJointAngle, angles);
            if (c->pushEndSpeed) appendFrame(bytes, RealTimeRobotEndSpeed, speed);
            if (!bytes.empty() && !c->writeIfReady(bytes)) ++pushesDropped;
        }
    }
}

}  // namespace tevo_sim
