// Helpers shared by the handler files: common replies, waypoints, the joint
// range of motion and the ranges the controller accepts for its settings.
#include "sim/handlerutil.h"

#include <cmath>

namespace tevo_sim {

pbm::ProtoRobotCommonResponse& common(RequestCtx& c) {
    return makeReply<pbm::ProtoRobotCommonResponse>(c);
}

// Refuses the request as malformed; false, for use in conditions.
bool refuse(RequestCtx& c) {
    c.code = CodeRequestFormatError;
    return false;
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

static void jointRange(const ArmState& arm, double lo[6], double hi[6]) {
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

bool withinRange(const ArmState& arm, const Joints& q) {
    double lo[6], hi[6];
    jointRange(arm, lo, hi);
    for (int i = 0; i < 6; ++i)
        if (q[i] < lo[i] || q[i] > hi[i]) return false;
    return true;
}

// ------------------------------------------------------- controller ranges

namespace {

constexpr int32_t kCollisionClassMax = 10;  // 0..10
constexpr double kPayloadMaxKg = 20.0;
constexpr double kCentreOfMassMaxM = 1.0;                  // per axis, from the flange
constexpr double kJointOffsetMaxRad = 10.0 * kPi / 180.0;  // a zero-point correction

bool within(double v, double limit) { return std::isfinite(v) && v >= -limit && v <= limit; }

bool payloadOk(double mass, double x, double y, double z) {
    return std::isfinite(mass) && mass >= 0.0 && mass <= kPayloadMaxKg &&
           within(x, kCentreOfMassMaxM) && within(y, kCentreOfMassMaxM) &&
           within(z, kCentreOfMassMaxM);
}

}  // namespace

bool tcpParamOk(const pbm::RobotTcpParam& p) {
    for (const pbm::TcpParam* t : {&p.paramautorun(), &p.parammanual()}) {
        if (!payloadOk(t->payload(), t->positionx(), t->positiony(), t->positionz())) return false;
    }
    return true;
}

bool toolDynamicsOk(const pbc::ToolDynamicsParam& t) {
    const auto& i = t.toolinertia();
    for (double v : {i.xx(), i.xy(), i.xz(), i.yy(), i.yz(), i.zz()})
        if (!std::isfinite(v)) return false;
    return payloadOk(t.payload(), t.positionx(), t.positiony(), t.positionz());
}

bool collisionClassOk(int64_t grade) { return grade >= 0 && grade <= kCollisionClassMax; }

bool jointOffsetOk(double rad) { return within(rad, kJointOffsetMaxRad); }

bool jointRangeOk(const std::vector<double>& v) {
    for (size_t i = 1; i + 1 < v.size(); i += 2)
        if (!within(v[i], kHardJointLimit) || !within(v[i + 1], kHardJointLimit) || v[i] > v[i + 1])
            return false;
    return true;
}

// Why a move is refused (server code), or CodeSucc.
int32_t motionAllowed(const ArmState& arm) {
    if (!arm.started || !arm.powered) return CodeProcessRequestFailed;
    return CodeSucc;
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
