// Helpers shared by the handler files: common replies, waypoints, the joint
// range of motion and the ranges the controller accepts for its settings.
#include "sim/handlerutil.h"

#include <cmath>
#include <cstdio>

namespace tevo_sim {

pbm::ProtoRobotCommonResponse& common(RequestCtx& c) {
    return makeReply<pbm::ProtoRobotCommonResponse>(c);
}

Refusal malformed(std::string reason) { return {CodeRequestFormatError, std::move(reason)}; }
Refusal invalid(std::string reason) { return {CodeInvalidValue, std::move(reason)}; }

bool refuse(RequestCtx& c, int32_t code, std::string reason) {
    c.code = code;
    c.reason = std::move(reason);
    return false;
}

bool refuse(RequestCtx& c, Refusal r) { return refuse(c, r.code, std::move(r.reason)); }

std::string fmt2(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

Refusal countMismatch(const std::string& what, size_t want, size_t got) {
    return malformed(what + " needs " + std::to_string(want) + " values, got " +
                     std::to_string(got));
}

bool roadPointJoints(const pbc::ProtoRoadPoint& rp, Joints& q) {
    if (rp.jointpos_size() != 6) return false;
    for (int i = 0; i < 6; ++i) {
        q[i] = rp.jointpos(i);
        if (!std::isfinite(q[i])) return false;
    }
    return true;
}

bool roadPointPose(const pbc::ProtoRoadPoint& rp, Pose& pose) {
    const auto& cp = rp.cartpos();
    if (cp.position_size() > 0) {
        pose.p[0] = cp.position(0).x();
        pose.p[1] = cp.position(0).y();
        pose.p[2] = cp.position(0).z();
    } else if (cp.positionvector_size() >= 3) {
        for (int i = 0; i < 3; ++i) pose.p[i] = cp.positionvector(i);
    } else {
        return false;
    }
    const auto& o = rp.orientation();
    pose.q[0] = o.w();
    pose.q[1] = o.x();
    pose.q[2] = o.y();
    pose.q[3] = o.z();
    const double n = std::sqrt(pose.q[0] * pose.q[0] + pose.q[1] * pose.q[1] +
                               pose.q[2] * pose.q[2] + pose.q[3] * pose.q[3]);
    if (!(n > 1e-9) || !std::isfinite(n)) return false;
    for (double& v : pose.q) v /= n;
    return true;
}

// ------------------------------------------------------------------- limits

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHardJointLimit = 2 * kPi;

}  // namespace

void jointRange(const ArmState& arm, double lo[6], double hi[6]) {
    for (int i = 0; i < 6; ++i) {
        lo[i] = -kHardJointLimit;
        hi[i] = kHardJointLimit;
    }
    auto it = arm.doubleParams.find(SetJointRangeOfMotion);
    if (it != arm.doubleParams.end() && it->second.size() == 13 && it->second[0] > 0) {
        for (int i = 0; i < 6; ++i) {
            lo[i] = it->second[1 + 2 * i];
            hi[i] = it->second[2 + 2 * i];
        }
    }
}

bool readWaypointJoints(RequestCtx& c, const pbc::ProtoRoadPoint& rp, int index, Joints& q) {
    const std::string which = "waypoint " + std::to_string(index + 1);
    if (rp.jointpos_size() != 6)
        return refuse(
            c, CodeRequestFormatError,
            which + " has " + std::to_string(rp.jointpos_size()) + " joint angles, 6 needed");
    for (int i = 0; i < 6; ++i) {
        q[i] = rp.jointpos(i);
        if (!std::isfinite(q[i]))
            return refuse(c, CodeInvalidValue,
                          which + " joint " + std::to_string(i + 1) + " angle " + fmt2(q[i]) +
                              " is not finite");
    }
    return true;
}

bool targetInRange(const ArmState& arm, const Joints& q, RequestCtx& c) {
    double lo[6], hi[6];
    jointRange(arm, lo, hi);
    for (int i = 0; i < 6; ++i)
        if (q[i] < lo[i] || q[i] > hi[i])
            return refuse(c, CodeJointOutOfRange,
                          "joint " + std::to_string(i + 1) + " target " + fmt2(q[i]) +
                              " rad outside its range [" + fmt2(lo[i]) + ", " + fmt2(hi[i]) + "]");
    return true;
}

bool refuseUnreachable(RequestCtx& c, const Pose& target) {
    return refuse(c, CodePoseUnreachable,
                  "no joint angles reach the target pose (x " + fmt2(target.p[0]) + ", y " +
                      fmt2(target.p[1]) + ", z " + fmt2(target.p[2]) + " m)");
}

// ------------------------------------------------------- controller ranges

namespace {

constexpr int32_t kCollisionClassMax = 10;  // 0..10
constexpr double kPayloadMaxKg = 20.0;
constexpr double kCentreOfMassMaxM = 1.0;                  // per axis, from the flange
constexpr double kJointOffsetMaxRad = 10.0 * kPi / 180.0;  // a zero-point correction

bool within(double v, double limit) { return std::isfinite(v) && v >= -limit && v <= limit; }

// "what 1.50 unit outside -1.00..1.00 unit"
Refusal outside(const std::string& what, double v, double lo, double hi, const char* unit) {
    const std::string u = std::string(" ") + unit;
    return invalid(what + " " + fmt2(v) + u + " outside " + fmt2(lo) + ".." + fmt2(hi) + u);
}

Refusal checkPayload(const std::string& what, double mass, double x, double y, double z) {
    if (!(std::isfinite(mass) && mass >= 0.0 && mass <= kPayloadMaxKg))
        return outside(what + " mass", mass, 0.0, kPayloadMaxKg, "kg");
    const double com[3] = {x, y, z};
    for (int i = 0; i < 3; ++i)
        if (!within(com[i], kCentreOfMassMaxM))
            return outside(what + " centre of mass " + "xyz"[i], com[i], -kCentreOfMassMaxM,
                           kCentreOfMassMaxM, "m");
    return {};
}

}  // namespace

Refusal checkTcpParam(const pbm::RobotTcpParam& p) {
    if (Refusal r = checkPayload("automatic-run payload", p.paramautorun().payload(),
                                 p.paramautorun().positionx(), p.paramautorun().positiony(),
                                 p.paramautorun().positionz()))
        return r;
    return checkPayload("manual payload", p.parammanual().payload(), p.parammanual().positionx(),
                        p.parammanual().positiony(), p.parammanual().positionz());
}

Refusal checkToolDynamics(const pbc::ToolDynamicsParam& t) {
    const auto& in = t.toolinertia();
    const double inertia[6] = {in.xx(), in.xy(), in.xz(), in.yy(), in.yz(), in.zz()};
    static const char* const kNames[6] = {"xx", "xy", "xz", "yy", "yz", "zz"};
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(inertia[i]))
            return invalid(std::string("tool inertia ") + kNames[i] + " " + fmt2(inertia[i]) +
                           " is not finite");
    return checkPayload("tool", t.payload(), t.positionx(), t.positiony(), t.positionz());
}

Refusal checkIntRange(const std::string& what, int64_t v, int64_t lo, int64_t hi) {
    if (v >= lo && v <= hi) return {};
    return invalid(what + " " + std::to_string(v) + " outside " + std::to_string(lo) + ".." +
                   std::to_string(hi));
}

Refusal checkCollisionClass(int64_t grade) {
    return checkIntRange("collision class", grade, 0, kCollisionClassMax);
}

Refusal checkJointOffset(int joint, double rad) {
    if (within(rad, kJointOffsetMaxRad)) return {};
    return outside("joint " + std::to_string(joint) + " offset", rad, -kJointOffsetMaxRad,
                   kJointOffsetMaxRad, "rad");
}

Refusal checkJointRange(const std::vector<double>& v) {
    for (size_t i = 1; i + 1 < v.size(); i += 2) {
        const std::string joint = "joint " + std::to_string((i + 1) / 2);
        for (size_t k = i; k <= i + 1; ++k)
            if (!within(v[k], kHardJointLimit))
                return outside(joint + (k == i ? " range min" : " range max"), v[k],
                               -kHardJointLimit, kHardJointLimit, "rad");
        if (v[i] > v[i + 1])
            return invalid(joint + " range min " + fmt2(v[i]) + " rad above its max " +
                           fmt2(v[i + 1]) + " rad");
    }
    return {};
}

bool motionAllowed(const ArmState& arm, RequestCtx& c) {
    if (!arm.started || !arm.powered)
        return refuse(c, CodeArmNotStarted,
                      "the arm is not started: power it on and start it up first");
    if (!arm.brakeReleased)
        return refuse(c, CodeBrakeEngaged, "the brakes are engaged: release them first");
    return true;
}

bool refuseBusy(const ArmState& arm, RequestCtx& c) {
    const char* what = "another move is running";
    if (arm.tcp2Canbus && servoMoving(arm))
        what = "the arm follows the servo stream: leave pass-through mode and wait for rest";
    else if (arm.tcp2Canbus)
        what = "pass-through mode is on: leave it first";
    else if (servoMoving(arm))
        what = "the arm is coming to rest after pass-through mode";
    else if (arm.jog != JogKind::None)
        what = arm.jogStopping ? "a jog is coming to rest" : "a jog is running";
    else if (arm.plan && arm.paused)
        what = "a paused move holds the arm: continue or stop it first";
    else if (arm.plan && arm.ramp != RampKind::None)
        what = "a stop or pause is bringing the arm to rest";
    return refuse(c, CodeBusy, std::string("the arm is busy: ") + what);
}

// ------------------------------------------------------------ request bodies

bool hasInt(const pbm::ProtoCommunicationGeneralData& g) { return g.property1_size() > 0; }

bool readInts(RequestCtx& c, std::vector<int32_t>& out) {
    pbm::ProtoCommunicationIntVector v;
    if (!parse(c, v)) return false;
    out.assign(v.value().begin(), v.value().end());
    return true;
}

}  // namespace tevo_sim
