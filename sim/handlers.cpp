// One handler per command type: reads the request body, changes the arm
// state (unless a fault forces a refusal) and builds the reply message. The
// error code is written into the reply's error record afterwards, so a
// handler sets only RequestCtx::code.
#include <cmath>
#include <cstring>

#include "sim/handlerutil.h"

namespace tevo_sim {

// ----------------------------------------------- shared with motion_control.cpp

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

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDefaultJointLimit = 175.0 * kPi / 180.0;
constexpr double kHardJointLimit = 2 * kPi;

}  // namespace

// ------------------------------------------------------------------- limits

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

// What the controller accepts for its settings; a value outside is refused
// like a malformed body (code 1) and changes nothing. sim/README.md lists them.
namespace {

constexpr int32_t kWorkModeMax = 1;         // 0 simulator, 1 real arm
constexpr int32_t kRobotControlMax = 15;    // release (0) .. clear current alarm (15)
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

// [enable, then min and max of each joint]: every range within one turn each
// way, min not above max.
bool jointRangeOk(const std::vector<double>& v) {
    for (size_t i = 1; i + 1 < v.size(); i += 2)
        if (!within(v[i], kHardJointLimit) || !within(v[i + 1], kHardJointLimit) || v[i] > v[i + 1])
            return false;
    return true;
}

}  // namespace

// Why a move is refused (server code), or CodeSucc.
int32_t motionAllowed(const ArmState& arm) {
    if (!arm.started || !arm.powered) return CodeProcessRequestFailed;
    return CodeSucc;
}

// ------------------------------------------------------------- tool supply

void settleToolPower(ArmState& arm) {
    if (arm.toolPowerPending && std::chrono::steady_clock::now() >= arm.toolPowerDue) {
        arm.toolPowerType = *arm.toolPowerPending;
        arm.toolPowerPending.reset();
    }
}

namespace {

// ------------------------------------------------------------- small helpers

// Parses the request into `m` and tells whether the state may change.
template <class M>
bool parseForChange(RequestCtx& c, M& m) {
    return parse(c, m) && c.applyState;
}

// The setter shape: a common-result reply, the body parsed into `m` and
// checked by `valid`; true when the change may be applied.
template <class M, class Valid>
bool acceptSetter(RequestCtx& c, M& m, Valid valid) {
    common(c);
    if (!parse(c, m)) return false;
    if (!valid(m)) return refuse(c);
    return c.applyState;
}

bool hasInt(const pbm::ProtoCommunicationGeneralData& g) { return g.property1_size() > 0; }

pbm::ProtoCommunicationGeneralData& general(RequestCtx& c) {
    auto& g = makeReply<pbm::ProtoCommunicationGeneralData>(c);
    g.set_type(1);
    return g;
}

void replyInt(RequestCtx& c, int32_t v) { general(c).add_property1(v); }
void replyBool(RequestCtx& c, bool v) { general(c).add_property2(v); }

// Number lists with a NaN or an infinity are refused like undecodable ones.
bool readDoubles(RequestCtx& c, std::vector<double>& out) {
    pbm::ProtoCommunicationDoubleVector v;
    if (!parse(c, v)) return false;
    out.assign(v.value().begin(), v.value().end());
    for (double x : out) {
        if (!std::isfinite(x)) {
            c.code = CodeRequestFormatError;
            return false;
        }
    }
    return true;
}

bool readInts(RequestCtx& c, std::vector<int32_t>& out) {
    pbm::ProtoCommunicationIntVector v;
    if (!parse(c, v)) return false;
    out.assign(v.value().begin(), v.value().end());
    return true;
}

// The setter shape for an integer list.
template <class Valid>
bool acceptInts(RequestCtx& c, std::vector<int32_t>& v, Valid valid) {
    common(c);
    if (!readInts(c, v)) return false;
    if (!valid(v)) return refuse(c);
    return c.applyState;
}

void replyDoubles(RequestCtx& c, const std::vector<double>& values) {
    auto& r = makeReply<pbm::ProtoCommunicationDoubleVectorResponse>(c);
    r.set_num(static_cast<int32_t>(values.size()));
    for (double v : values) r.add_value(v);
}

void replyInts(RequestCtx& c, const std::vector<int32_t>& values) {
    auto& r = makeReply<pbm::ProtoCommunicationIntVectorResponse>(c);
    r.set_num(static_cast<int32_t>(values.size()));
    for (int32_t v : values) r.add_value(v);
}

// Number-list parameters: a setter stores the list (of an exact length when
// `size` > 0), its getter reads it back.
// `valid`, when given, checks the values' ranges.
void storeDoubles(ArmState& arm, RequestCtx& c, size_t size,
                  bool (*valid)(const std::vector<double>&) = nullptr) {
    common(c);
    std::vector<double> v;
    if (!readDoubles(c, v)) return;
    if ((size > 0 && v.size() != size) || (valid != nullptr && !valid(v))) {
        refuse(c);
        return;
    }
    if (c.applyState) arm.doubleParams[c.cmd] = v;
}

void storeInts(ArmState& arm, RequestCtx& c, size_t size) {
    common(c);
    std::vector<int32_t> v;
    if (!readInts(c, v)) return;
    if (size > 0 && v.size() != size) {
        refuse(c);
        return;
    }
    if (c.applyState) arm.intParams[c.cmd] = v;
}

// Set-only commands whose body is kept for inspection.
template <class M>
void storeBody(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    M m;
    if (parseForChange(c, m)) arm.lastSetBody[c.cmd] = *c.body;
}

void toProtoJoints(const Joints& q, pbc::ProtoJointAngle* out) {
    out->set_joint1(q[0]);
    out->set_joint2(q[1]);
    out->set_joint3(q[2]);
    out->set_joint4(q[3]);
    out->set_joint5(q[4]);
    out->set_joint6(q[5]);
}

void fillRoadPoint(const Dh& dh, const Joints& q, pbc::ProtoRoadPoint* rp) {
    const Pose p = forwardKinematics(dh, q.data());
    auto* pos = rp->mutable_cartpos()->add_position();
    pos->set_x(p.p[0]);
    pos->set_y(p.p[1]);
    pos->set_z(p.p[2]);
    for (double v : p.p) rp->mutable_cartpos()->add_positionvector(v);
    auto* o = rp->mutable_orientation();
    o->set_w(p.q[0]);
    o->set_x(p.q[1]);
    o->set_y(p.q[2]);
    o->set_z(p.q[3]);
    for (double v : q) rp->add_jointpos(v);
}

// ---------------------------------------------------------------- lifecycle

bool credentialsOk(const SimOptions& o, const std::string& user, const std::string& pass) {
    if (user == o.userName && pass == o.password) return true;
    return o.acceptHandleCredentials && user == "QORTX4" && pass == "QORTX4";
}

void handleLogin(SimCore& core, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoResponseRobotDhParam>(c);
    r.set_robottype(arm.model);
    auto* dh = r.mutable_dhparam();
    dh->set_a3(arm.dh.a3);
    dh->set_a4(arm.dh.a4);
    dh->set_d1(arm.dh.d1);
    dh->set_d2(arm.dh.d2);
    dh->set_d5(arm.dh.d5);
    dh->set_d6(arm.dh.d6);
    pbm::ProtoRequestLogin req;
    if (!parse(c, req)) return;
    if (!credentialsOk(core.opt, req.username(), req.passwd())) {
        c.code = CodeProcessRequestFailed;
        core.log("connection " + std::to_string(c.conn) + " login refused for user '" +
                 req.username() + "'");
    }
}

void handleStartup(SimCore& core, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotStartupProfile sp;
    if (!parse(c, sp)) return;
    if (!tcpParamOk(sp.tcpparam()) || !collisionClassOk(sp.collisionclass())) {
        refuse(c);
        return;
    }
    if (!arm.realRobotExists) {
        c.code = CodeRealRobotNoExist;
        return;
    }
    if (!c.applyState) return;
    arm.tcpParam = sp.tcpparam();
    arm.collisionClass = sp.collisionclass();
    const int32_t result = arm.startupResult;
    c.completions.push_back(Completion{core.opt.startupDelay,
                                       EventSpec{EvStartupDoneResult, result, "startup done"},
                                       [result](ArmState& a) {
                                           const bool ok = result == ServiceWorking;
                                           a.powered = ok;
                                           a.brakeReleased = ok;
                                           a.started = ok;
                                       }});
}

void handleShutdown(SimCore& core, ArmState&, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    // A move still running ends with its stop event (a blocking move waits
    // for it), sent before the shut-down done event.
    c.completions.push_back(Completion{core.opt.shutdownDelay,
                                       EventSpec{EvShutdownDone, 0, "shutdown done"},
                                       {},
                                       [](ArmState& a) {
                                           auto events = stopMotion(a, true);
                                           a.started = false;
                                           a.powered = false;
                                           a.brakeReleased = false;
                                           return events;
                                       }});
}

void handleHandshake(SimCore& core, ArmState& arm, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    const bool ok = arm.handshakeOk;
    c.completions.push_back(Completion{core.opt.handshakeDelay,
                                       EventSpec{ok ? EvHandShakeSucc : EvHandShakeFailed, 0,
                                                 ok ? "handshake succeeded" : "handshake failed"},
                                       {}});
}

void handlePower(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (!acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            return m.property2_size() > 0;
        }))
        return;
    const bool on = g.property2(0);
    if (!on) {
        for (const EventSpec& e : stopMotion(arm, true))
            c.completions.push_back(Completion{{}, e, {}});
        arm.started = false;
        arm.brakeReleased = false;
    }
    arm.powered = on;
    c.completions.push_back(
        Completion{{}, EventSpec{EvPowerChanged, on ? 1 : 0, on ? "power on" : "power off"}, {}});
    if (on)
        c.completions.push_back(
            Completion{{}, EventSpec{EvSetPowerOnDone, 0, "power on done"}, {}});
}

void handleReleaseBrake(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    if (!arm.powered) {
        c.code = CodeProcessRequestFailed;
        return;
    }
    arm.brakeReleased = true;
    c.completions.push_back(Completion{{}, EventSpec{EvReleaseBrakeDone, 0, "brake released"}, {}});
}

void handleRobotControl(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (!acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            return hasInt(m) && m.property1(0) >= 0 && m.property1(0) <= kRobotControlMax;
        }))
        return;
    switch (g.property1(0)) {
        case 0:
            arm.brakeReleased = arm.powered;
            break;  // release
        case 1:     // brake
            for (const EventSpec& e : stopMotion(arm, true))
                c.completions.push_back(Completion{{}, e, {}});
            arm.brakeReleased = false;
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------- state read-back

void handlePushSwitch(SimCore& core, ArmState&, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    for (auto& conn : core.targets(c.conn)) {
        switch (c.cmd) {
            case EnableRealTimeJointStatusPush:
                conn->pushJointStatus = true;
                break;
            case DisableRealTimeJointStatusPush:
                conn->pushJointStatus = false;
                break;
            case EnableRealTimeJointAnglePush:
                conn->pushJointAngle = true;
                break;
            case DisableRealTimeJointAnglePush:
                conn->pushJointAngle = false;
                break;
            case EnableRealTimeEndSpeedPush:
                conn->pushEndSpeed = true;
                break;
            case DisableRealTimeEndSpeedPush:
                conn->pushEndSpeed = false;
                break;
            default:
                break;
        }
    }
}

void handleJointStatus(SimCore& core, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoRobotAllJointStatusResponse>(c);
    r.ParseFromString(core.jointStatusBody(arm));
}

void handleJointAngle(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoJointAngleResponse>(c);
    toProtoJoints(arm.q, r.mutable_jointangle());
}

void handleDiagnosis(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisInfo>(c);
    r.set_num(1);
    auto* d = r.add_robotdiagnosis();
    d->set_armcanbusstatus(0);
    d->set_armpowercurrent(arm.powered ? 1.2f : 0.0f);
    d->set_armpowervoltage(arm.powered ? 48.0f : 0.0f);
    d->set_armpowerstatus(arm.powered);
    d->set_contorllertemp(35);
    d->set_contorllerhumidity(40);
    d->set_remotehalt(false);
    d->set_softemergency(false);
    d->set_remoteemergency(false);
    d->set_robotcollision(false);
    d->set_forcecontrolmode(false);
    d->set_brakestuats(!arm.brakeReleased);
    d->set_robotendspeed(static_cast<float>(arm.endSpeed));
    d->set_robotmaxacc(0);
    d->set_orpestatus(false);
    d->set_enablereadpose(true);
    d->set_robotmountingposechanged(false);
    d->set_encodererrorstatus(false);
    d->set_staticcollisiondetect(true);
    d->set_jointcollisiondetect(0);
    d->set_encoderlineserror(false);
    d->set_jointerrorstatus(false);
    d->set_singularityoverspeedalarm(false);
    d->set_robotcurrentalarm(false);
    d->set_toolioerror(0);
    d->set_robotmountingposewarning(false);
    d->set_mactargetposbuffersize(0);
    d->set_mactargetposdatasize(0);
    d->set_macdatainterruptwarning(0);
    d->set_controlboardabnormalstateflag(0);
}

void handleCurrentState(SimCore&, ArmState& arm, RequestCtx& c) {
    // robot_state: stopped 0, running 1, paused 2.
    int32_t s = 0;
    if (arm.plan && arm.paused)
        s = 2;
    else if (arm.plan || arm.jog != JogKind::None)
        s = 1;
    replyInt(c, s);
}

void handleSetTcp(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::RobotTcpParam p;
    if (acceptSetter(c, p, tcpParamOk)) arm.tcpParam = p;
}

void handleGetTcp(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotTcpParam>(c).add_tcpparam()->CopyFrom(arm.tcpParam);
}

void handleSetToolDynamics(SimCore&, ArmState& arm, RequestCtx& c) {
    pbc::ToolParam p;
    if (acceptSetter(c, p, [](const pbc::ToolParam& m) {
            return m.tooldynamicsparam_size() > 0 && toolDynamicsOk(m.tooldynamicsparam(0));
        }))
        arm.toolDynamics = p.tooldynamicsparam(0);
}

void handleGetToolDynamics(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ToolParam>(c).add_tooldynamicsparam()->CopyFrom(arm.toolDynamics);
}

void handleSetWorkMode(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            return hasInt(m) && m.property1(0) >= 0 && m.property1(0) <= kWorkModeMax;
        }))
        arm.workMode = g.property1(0);
}

void handleGetWorkMode(SimCore&, ArmState& arm, RequestCtx& c) { replyInt(c, arm.workMode); }

void handleGravity(SimCore&, ArmState& arm, RequestCtx& c) {
    auto* g = makeReply<pbc::ProtoResponseRobotGravityComponent>(c).add_gravitycomponent();
    g->set_x(0);
    g->set_y(0);
    g->set_z(static_cast<float>(-9.81 * arm.tcpParam.paramautorun().payload()));
}

void handleSetCollision(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            return hasInt(m) && collisionClassOk(m.property1(0));
        }))
        arm.collisionClass = g.property1(0);
}

void handleGetCollision(SimCore&, ArmState& arm, RequestCtx& c) {
    auto* cc = makeReply<pbc::ProtoResponseRobotCollisionCurrent>(c).add_collisioncurrent();
    for (int i = 0; i < 6; ++i)
        cc->add_jointcollisioncurrent(static_cast<uint32_t>(1000 + 100 * arm.collisionClass));
    cc->set_collisionclass(static_cast<uint32_t>(arm.collisionClass));
}

void handleRealRobotExists(SimCore&, ArmState& arm, RequestCtx& c) {
    replyBool(c, arm.realRobotExists);
}

void handleDevInfo(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotDevInfo>(c).add_devinfo()->CopyFrom(arm.devInfo);
}

// Interface-board I/O: digital inputs 0..51, outputs 0..47, analog 0..3.
uint32_t boardDigitalType(bool output, uint32_t addr) {
    // Controller I/O first, user I/O after (input 30.., output 32..).
    if (output) return addr >= 32 ? 5 : 1;
    return addr >= 30 ? 4 : 0;
}

void replyDigitalList(RequestCtx& c, const uint32_t* values, uint32_t count, bool output) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < count; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(boardDigitalType(output, a));
        d->set_value(values[a]);
    }
}

void replyAnalogList(RequestCtx& c, const float* values, uint32_t count, uint32_t type) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < count; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(type);
        d->set_value(values[a]);
    }
}

void handleAllDI(SimCore&, ArmState& arm, RequestCtx& c) { replyDigitalList(c, arm.di, 52, false); }
void handleAllDO(SimCore&, ArmState& arm, RequestCtx& c) {
    replyDigitalList(c, arm.dout, 48, true);
}
void handleAllAI(SimCore&, ArmState& arm, RequestCtx& c) { replyAnalogList(c, arm.ai, 4, 6); }
void handleAllAO(SimCore&, ArmState& arm, RequestCtx& c) { replyAnalogList(c, arm.ao, 4, 7); }

void handleOneDigital(SimCore&, ArmState& arm, RequestCtx& c) {
    const bool output = c.cmd == GetInterfaceBoardOneDOStatus;
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    const uint32_t count = output ? 48 : 52;
    for (const auto& in : req.iodesc()) {
        if (in.addr() >= count) {
            c.code = CodeRequestFormatError;
            r.clear_iodesc();
            return;
        }
        auto* d = r.add_iodesc();
        d->set_addr(in.addr());
        d->set_type(boardDigitalType(output, in.addr()));
        d->set_value(output ? arm.dout[in.addr()] : arm.di[in.addr()]);
    }
}

void handleOneAnalog(SimCore&, ArmState& arm, RequestCtx& c) {
    const bool output = c.cmd == GetInterfaceBoardOneAOStatus;
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    pbm::ProtoCommunicationRobotAnalogIOData req;
    if (!parse(c, req)) return;
    for (const auto& in : req.iodesc()) {
        if (in.addr() >= 4) {
            c.code = CodeRequestFormatError;
            r.clear_iodesc();
            return;
        }
        auto* d = r.add_iodesc();
        d->set_addr(in.addr());
        d->set_type(output ? 7 : 6);
        d->set_value(output ? arm.ao[in.addr()] : arm.ai[in.addr()]);
    }
}

void handleSetDO(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    for (const auto& d : req.iodesc())
        if (d.addr() >= 48) {
            refuse(c);
            return;
        }
    if (!c.applyState) return;
    for (const auto& d : req.iodesc()) arm.dout[d.addr()] = d.value() ? 1 : 0;
}

void handleSetAO(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotAnalogIOData req;
    if (!parse(c, req)) return;
    for (const auto& d : req.iodesc())
        if (d.addr() >= 4 || !std::isfinite(d.value())) {
            refuse(c);
            return;
        }
    if (!c.applyState) return;
    for (const auto& d : req.iodesc()) arm.ao[d.addr()] = d.value();
}

// Tool I/O.
void replyOneDigital(RequestCtx& c, uint32_t value) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    auto* d = r.add_iodesc();
    d->set_addr(0);
    d->set_type(0);
    d->set_value(value);
}

uint32_t toolVoltage(uint32_t powerType) { return powerType == 1 ? 12 : powerType == 2 ? 24 : 0; }

void setToolPower(ArmState& arm, uint32_t type) {
    settleToolPower(arm);
    if (arm.toolPowerDelay.count() <= 0) {
        arm.toolPowerType = type;
        arm.toolPowerPending.reset();
        return;
    }
    arm.toolPowerPending = type;
    arm.toolPowerDue = std::chrono::steady_clock::now() + arm.toolPowerDelay;
}

void handleGetToolPowerType(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    replyOneDigital(c, arm.toolPowerType);
}
void handleGetToolVoltage(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    replyOneDigital(c, toolVoltage(arm.toolPowerType));
}

// Applies tool settings from digital descriptors; `power` says whether entry
// 0 is the supply type, `field` which tool-line property the rest set.
enum class ToolField { Direction, Level };

void applyToolDescs(ArmState& arm, RequestCtx& c, bool power, bool lines, ToolField field) {
    common(c);
    pbm::ProtoCommunicationRobotDiagnosisIOData req;
    if (!parse(c, req)) return;
    int first = 0;
    if (power) {
        if (req.iodesc_size() < 1 || req.iodesc(0).value() > 2) {
            refuse(c);
            return;
        }
        first = 1;
    }
    for (int i = first; lines && i < req.iodesc_size(); ++i) {
        if (req.iodesc(i).addr() > 3 || req.iodesc(i).value() > 1) {
            refuse(c);
            return;
        }
    }
    if (!c.applyState) return;
    if (power) setToolPower(arm, req.iodesc(0).value());
    for (int i = first; lines && i < req.iodesc_size(); ++i) {
        const auto& d = req.iodesc(i);
        (field == ToolField::Direction ? arm.toolIoType : arm.toolIoLevel)[d.addr()] = d.value();
    }
}

void handleSetToolPowerType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, true, false, ToolField::Direction);
}
void handleSetToolPowerAndIoType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, true, true, ToolField::Direction);
}
void handleSetToolIoType(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, false, true, ToolField::Direction);
}
void handleSetToolIoLevel(SimCore&, ArmState& arm, RequestCtx& c) {
    applyToolDescs(arm, c, false, true, ToolField::Level);
}

void handleToolAllDigital(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotDiagnosisIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < 4; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(arm.toolIoType[a]);
        d->set_value(arm.toolIoLevel[a]);
    }
}

void handleToolAllAI(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationRobotAnalogIOData>(c);
    r.set_type(0);
    for (uint32_t a = 0; a < 2; ++a) {
        auto* d = r.add_iodesc();
        d->set_addr(a);
        d->set_type(10);
        d->set_value(static_cast<float>(arm.toolAi[a]));
    }
}

void handleToolAllIo(SimCore&, ArmState& arm, RequestCtx& c) {
    settleToolPower(arm);
    auto* s =
        makeReply<pbm::ProtoCommunicationToolAllIOStatusInfoResponse>(c).mutable_tooliostatus();
    s->set_powertype(arm.toolPowerType);
    s->set_systemvoltage(toolVoltage(arm.toolPowerType));
    s->set_systemtemperature(30.0);
    s->set_errorstatus(0);
    for (int a = 0; a < 4; ++a) {
        auto* d = s->add_digitaliostatus();
        d->set_iotype(arm.toolIoType[a]);
        d->set_iodata(arm.toolIoLevel[a]);
    }
    for (double v : arm.toolAi) s->add_aidata(v);
}

// Safety.
void handleGetSafetyConfig(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotSafetyConfig>(c).add_safetyconfig()->CopyFrom(
        arm.safetyConfig);
}

void handleSetSafetyConfig(SimCore&, ArmState& arm, RequestCtx& c) {
    pbc::ProtoResponseRobotSafetyConfig req;
    if (acceptSetter(c, req, [](const pbc::ProtoResponseRobotSafetyConfig& m) {
            return m.safetyconfig_size() > 0 &&
                   m.safetyconfig(0).robotreducedconfigjointspeed_size() == 6;
        }))
        arm.safetyConfig = req.safetyconfig(0);
}

void handleGetOrpe(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseOrpeSafetyStatus>(c).add_safetystatus()->CopyFrom(arm.orpeStatus);
}

void handleSafetyIo(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::protoSafeCommunicationParam req;
    if (!parse(c, req)) return;
    const bool needsOne = c.cmd != SafetyIoSetOrpeError;
    if ((needsOne && req.param_size() < 1) || (!needsOne && req.param_size() > 16)) {
        refuse(c);
        return;
    }
    if (!c.applyState) return;
    auto& s = arm.orpeStatus;
    const int32_t v = needsOne ? static_cast<int32_t>(req.param(0)) : 0;
    switch (c.cmd) {
        case SafetyIoSetOrpePause:
            s.set_orpepause(v);
            break;
        case SafetyIoSetOrpeStop:
            s.set_orpestop(v);
            break;
        case SafetyIoSetOrpeError:
            for (int i = 0; i < 16; ++i)
                s.set_orpeerror(i, i < req.param_size() ? req.param(i) : 0);
            break;
        case SafetyIoClearSystemEmergencyStop:
            s.set_systememergencystop(v);
            break;
        case SafetyIoClearReducedModeError:
            s.set_reducedmodeerror(v);
            break;
        case SafetyIoSafetyguardResetSucc:
            s.set_safetyguardresetsucc(v);
            break;
        default:
            break;
    }
}

// Joint servo data.
using JointField = void (pbm::ProtoJointCommonData::*)(int32_t);
const JointField kServoFields[11] = {
    &pbm::ProtoJointCommonData::set_jointcurp,    &pbm::ProtoJointCommonData::set_jointcuri,
    &pbm::ProtoJointCommonData::set_jointcurd,    &pbm::ProtoJointCommonData::set_jointspeedp,
    &pbm::ProtoJointCommonData::set_jointspeedi,  &pbm::ProtoJointCommonData::set_jointspeedd,
    &pbm::ProtoJointCommonData::set_jointspeedds, &pbm::ProtoJointCommonData::set_jointposp,
    &pbm::ProtoJointCommonData::set_jointposi,    &pbm::ProtoJointCommonData::set_jointposd,
    &pbm::ProtoJointCommonData::set_jointposds,
};

void handleGetJointData(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoJointCommonDataResponse>(c);
    for (const auto& j : arm.jointData) r.add_jointcommondata()->CopyFrom(j);
}

// Body [type, joint number 1..6, value].
void handleSetJointData(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) {
            return x.size() == 3 && x[0] >= 0 && x[0] <= 10 && x[1] >= 1 && x[1] <= 6;
        }))
        (arm.jointData[static_cast<size_t>(v[1] - 1)].*kServoFields[v[0]])(v[2]);
}

void handleJointSaveFlash(SimCore&, ArmState&, RequestCtx& c) {
    std::vector<int32_t> v;
    acceptInts(c, v, [](const std::vector<int32_t>& x) {
        return x.size() == 1 && x[0] >= 1 && x[0] <= 6;
    });
}

void handleJointOffset(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotJointOffset o;
    if (!parse(c, o)) return;
    const double v[6] = {o.joint1(), o.joint2(), o.joint3(), o.joint4(), o.joint5(), o.joint6()};
    for (double x : v)
        if (!within(x, kJointOffsetMaxRad)) {
            refuse(c);
            return;
        }
    if (!c.applyState) return;
    for (int i = 0; i < 6; ++i) arm.jointOffset[i] = v[i];
}

void handleRot360(SimCore&, ArmState& arm, RequestCtx& c) {
    replyBool(c, c.cmd == GetEnableJoint6Rot360Flag ? arm.joint6Rot360 : arm.joint1Rot360);
}

void handleForceTeach(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) { return x.size() == 1; }))
        arm.forceTeachWhenRunning = v[0] != 0;
}

void handleCorrectedWaypoint(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoRoadPointResponse>(c);
    pbc::ProtoRoadPoint in;
    Joints q = arm.q;
    if (parse(c, in) && !roadPointJoints(in, q)) {
        c.code = CodeRequestFormatError;
        q = arm.q;
    }
    // The corrected waypoint is the pose the arm really reaches at those joints.
    fillRoadPoint(arm.dh, q, r.mutable_waypoint());
}

void handleTextReply(SimCore& core, ArmState&, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationEthernetDeviceNameResponse>(c);
    r.set_name(c.cmd == GetRobotEthernetDeviceName
                   ? "eth0"
                   : "tevo-controller-sim 1.0 model " + std::to_string(core.opt.model));
}

void handleFirmware(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotBoardFirmware f;
    if (!parse(c, f)) return;
    if (f.firmwarecontentsize() < 0 ||
        static_cast<size_t>(f.firmwarecontentsize()) != f.firmwarecontent().size()) {
        refuse(c);
        return;
    }
    if (c.applyState) arm.firmwareBytes += f.firmwarecontent().size();
}

void handleFirmwareResult(SimCore&, ArmState&, RequestCtx& c) { replyBool(c, true); }

// Offline tracks and bus streaming.
void handleOfflineAppend(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotMove mv;
    if (!parse(c, mv)) return;
    for (const auto& rp : mv.roadpointvector()) {
        Joints q{};
        if (!roadPointJoints(rp, q)) {
            refuse(c);
            return;
        }
    }
    if (!c.applyState) return;
    for (const auto& rp : mv.roadpointvector()) arm.offlineTrack.push_back(rp);
}

void handleOfflineClear(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (c.applyState) arm.offlineTrack.clear();
}

void handleOfflineStart(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if ((c.code = motionAllowed(arm)) != CodeSucc) return;
    if (arm.offlineTrack.empty() || arm.plan || arm.jog != JogKind::None) {
        c.code = CodeProcessRequestFailed;
        return;
    }
    std::vector<Joints> targets;
    for (const auto& rp : arm.offlineTrack) {
        Joints q{};
        roadPointJoints(rp, q);
        if (!withinRange(arm, q)) {
            c.code = CodeProcessRequestFailed;
            return;
        }
        targets.push_back(q);
    }
    const double v[6] = {1, 1, 1, 1, 1, 1}, a[6] = {2, 2, 2, 2, 2, 2};
    startPlan(arm, c, MotionPlan::joints(arm.q, targets, v, a), 0);
}

void handleOfflineStop(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    for (const EventSpec& e : stopMotion(arm, true)) c.completions.push_back(Completion{{}, e, {}});
}

void handleCanbusMode(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (c.applyState) arm.tcp2Canbus = c.cmd == EnterTcp2CanbusMode;
}

void handleCanbusData(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotMove mv;
    if (!parse(c, mv)) return;
    if (!arm.tcp2Canbus || !arm.started) {
        c.code = CodeProcessRequestFailed;
        return;
    }
    std::vector<Joints> pts;
    for (const auto& rp : mv.roadpointvector()) {
        Joints q{};
        if (!roadPointJoints(rp, q) || !withinRange(arm, q)) {
            refuse(c);
            return;
        }
        pts.push_back(q);
    }
    if (!c.applyState || pts.empty()) return;
    // Streamed positions are applied directly, as a bus master would.
    arm.q = pts.back();
    arm.canbusTrack.insert(arm.canbusTrack.end(), pts.begin(), pts.end());
}

void handleExcitTraj(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationOfflineExcitTraj t;
    if (!parse(c, t)) return;
    if ((c.code = motionAllowed(arm)) != CodeSucc) return;
    if (t.trackfile().empty() || arm.plan || arm.jog != JogKind::None) {
        c.code = CodeProcessRequestFailed;
        return;
    }
    // A small excursion of every joint and back, standing in for the file.
    Joints out = arm.q;
    for (double& v : out) v += 0.05;
    const double vm[6] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, am[6] = {1, 1, 1, 1, 1, 1};
    startPlan(arm, c, MotionPlan::joints(arm.q, {out, arm.q}, vm, am), 0);
}

void handleDynIdentify(SimCore&, ArmState&, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoCommunicationDynIdentifyResults>(c);
    r.set_temp(25);
    for (int i = 0; i < 60; ++i) r.add_param(1000 + i);
}

// Number-list parameter families: setter stores, getter reads back.
struct ListParam {
    int32_t setCmd;
    int32_t getCmd;
    size_t size;
};
const ListParam kDoubleParams[] = {
    {SetJointRangeOfMotion, GetJointRangeOfMotion, 13},
    {SetRegulateSpeedModeConfig, GetRegulateSpeedModeConfig, 14},
    {SetForceControlModeAdmittancePatam, GetForceControlModeAdmittancePatam, 18},
    {SetForceControlModeExploreForceParam, GetForceControlModeExploreForceParam, 2},
    {SetMovePJointRangeLimitParam, GetMovePJointRangeLimitParam, 12},
    {SetWeaveMoveParameters, -1, 6},
};

void handleSetDoubleParam(SimCore&, ArmState& arm, RequestCtx& c) {
    for (const ListParam& p : kDoubleParams)
        if (p.setCmd == c.cmd)
            return storeDoubles(arm, c, p.size,
                                c.cmd == SetJointRangeOfMotion ? jointRangeOk : nullptr);
    storeDoubles(arm, c, 0);
}

void handleGetDoubleParam(SimCore&, ArmState& arm, RequestCtx& c) {
    for (const ListParam& p : kDoubleParams) {
        if (p.getCmd != c.cmd) continue;
        auto it = arm.doubleParams.find(p.setCmd);
        replyDoubles(c,
                     it != arm.doubleParams.end() ? it->second : std::vector<double>(p.size, 0.0));
        return;
    }
    replyDoubles(c, {});
}

void handleSetIntParam(SimCore&, ArmState& arm, RequestCtx& c) { storeInts(arm, c, 0); }

void handleSetDoubleList(SimCore&, ArmState& arm, RequestCtx& c) { storeDoubles(arm, c, 0); }

void handleRecognitionSet(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    // Stored per recognition type.
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) { return x.size() >= 2; }))
        arm.intParams[SetRobotRecognitionParam * 1000 + v[0]] = v;
}

void handleRecognitionGet(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    if (!readInts(c, v) || v.size() != 1) {
        if (c.code == CodeSucc) c.code = CodeRequestFormatError;
        replyInts(c, {});
        return;
    }
    auto it = arm.intParams.find(SetRobotRecognitionParam * 1000 + v[0]);
    replyInts(c, it != arm.intParams.end() ? it->second : std::vector<int32_t>{v[0], 0});
}

// The encoder count now: the count at the last change plus, while the
// conveyor runs, speed (m/s) x counts per metre (unsigned on the controller)
// x direction (-1 backwards) x elapsed time.
double conveyorCountNow(const ArmState& arm) {
    if (!arm.conveyorRunning) return arm.conveyorCount;
    auto first = [](const auto& params, int32_t cmd, double fallback) {
        auto it = params.find(cmd);
        return it != params.end() && !it->second.empty() ? static_cast<double>(it->second[0])
                                                          : fallback;
    };
    const double velc = first(arm.doubleParams, SetConveyorVelc, 0.0);
    const double perMeter = static_cast<double>(
        static_cast<uint32_t>(static_cast<int32_t>(first(arm.intParams, SetEncoderValPerMeter, 0))));
    const double dir = first(arm.intParams, SetConveyorDir, 1) < 0 ? -1.0 : 1.0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - arm.conveyorSince).count();
    return arm.conveyorCount + velc * perMeter * dir * seconds;
}

void handleConveyorEncoder(SimCore&, ArmState& arm, RequestCtx& c) {
    // The count wraps like a 32-bit counter.
    const auto count = static_cast<int64_t>(conveyorCountNow(arm));
    replyInts(c, {static_cast<int32_t>(static_cast<uint32_t>(count & 0xffffffff))});
}

// Reset, start-up and stop fold the count up to now, then change the state.
template <int Kind>
void handleConveyorState(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    if (!c.applyState) return;
    arm.conveyorCount = Kind == SetConveyorEncoderReset ? 0.0 : conveyorCountNow(arm);
    arm.conveyorSince = std::chrono::steady_clock::now();
    if (Kind == SetConveyorStartup) arm.conveyorRunning = true;
    if (Kind == SetConveyorStop) arm.conveyorRunning = false;
}

void handleConveyorObject(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::ProtoConveyorTrackValuePoint m;
    if (parseForChange(c, m)) arm.conveyorObjects.push_back(*c.body);
}

void handleSetSeam(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::ProtoSeamTrack_t s;
    if (parseForChange(c, s)) arm.seamTrack = s;
}

void handleGetSeam(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoSeamTrackResponse_t>(c).mutable_seamtrack()->CopyFrom(arm.seamTrack);
}

void handleForceSensor(SimCore&, ArmState& arm, RequestCtx& c) {
    if (!arm.forceReplyAsWrench) {
        replyDoubles(c, std::vector<double>(arm.forceReading.begin(), arm.forceReading.end()));
        return;
    }
    auto* w = makeReply<peripheral::ProtoResponseWrench>(c).add_wrench();
    for (int i = 0; i < 3; ++i) {
        w->add_force(arm.forceReading[i]);
        w->add_torque(arm.forceReading[i + 3]);
    }
}

void handleCalibToolSensor(SimCore&, ArmState&, RequestCtx& c) {
    auto* res =
        makeReply<peripheral::ProtoResponseFtSensorCalibResult>(c).add_ftsensorcalibresult();
    peripheral::ProtoFtSensorCalibParam in;
    double f[3] = {0, 0, 0}, t[3] = {0, 0, 0};
    if (parse(c, in)) {
        if (in.jointangle_size() != 3 || in.wrenchlist_size() != 3) {
            c.code = CodeRequestFormatError;
        } else {
            // Sensor offset: mean of the three readings.
            for (const auto& w : in.wrenchlist())
                for (int i = 0; i < 3; ++i) {
                    f[i] += (i < w.force_size() ? w.force(i) : 0) / 3.0;
                    t[i] += (i < w.torque_size() ? w.torque(i) : 0) / 3.0;
                }
        }
    }
    auto* w = res->mutable_wrench();
    for (int i = 0; i < 3; ++i) {
        w->add_force(f[i]);
        w->add_torque(t[i]);
        res->add_centroid(0.0);
    }
    res->set_mass(0.0);
    res->add_angle(0.0);
    res->add_angle(0.0);
}

void handleCommonOnly(SimCore&, ArmState&, RequestCtx& c) { common(c); }

void handleUnknown(SimCore& core, ArmState&, RequestCtx& c) {
    common(c);
    c.code = CodeRequestFormatError;
    core.log("connection " + std::to_string(c.conn) + ": unknown command type " +
             std::to_string(c.cmd));
}

struct Entry {
    int32_t cmd;
    Handler fn;
};

const Entry kHandlers[] = {
    {Login, handleLogin},
    {EnableRealTimeJointStatusPush, handlePushSwitch},
    {DisableRealTimeJointStatusPush, handlePushSwitch},
    {EnableRealTimeJointAnglePush, handlePushSwitch},
    {DisableRealTimeJointAnglePush, handlePushSwitch},
    {EnableRealTimeEndSpeedPush, handlePushSwitch},
    {DisableRealTimeEndSpeedPush, handlePushSwitch},
    {GetRobotJointStatus, handleJointStatus},
    {GetRobotJointAngle, handleJointAngle},
    {GetJointAngleFromController, handleJointAngle},
    {GetRobotDiagnosis, handleDiagnosis},
    {RobotStartup, handleStartup},
    {RobotShutdown, handleShutdown},
    {RobotControl, handleRobotControl},
    {CollisionRecover, handleCommonOnly},
    {SetRobotPowerStatus, handlePower},
    {SetRobotReleaseBrake, handleReleaseBrake},
    {RobotMove, handleRobotMove},
    {RobotTeachMoveStart, handleTeachStart},
    {RobotTeachMoveStop, handleTeachStop},
    {GetRobotCurrentState, handleCurrentState},
    {SetRobotTcpParam, handleSetTcp},
    {GetRobotTcpParam, handleGetTcp},
    {SetToolDynamicsParam, handleSetToolDynamics},
    {GetToolDynamicsParam, handleGetToolDynamics},
    {SetRobotMode, handleSetWorkMode},
    {GetRobotMode, handleGetWorkMode},
    {GetRobotGravityComponent, handleGravity},
    {GetRobotCollisionCurrent, handleGetCollision},
    {GetIsRealRobotExist, handleRealRobotExists},
    {GetDeviceInfo, handleDevInfo},
    {SetRobotCollisionGrade, handleSetCollision},
    {GetInterfaceBoardAllDIData, handleAllDI},
    {GetInterfaceBoardAllDOData, handleAllDO},
    {GetInterfaceBoardAllAIData, handleAllAI},
    {GetInterfaceBoardAllAOData, handleAllAO},
    {GetInterfaceBoardOneDIStatus, handleOneDigital},
    {GetInterfaceBoardOneDOStatus, handleOneDigital},
    {GetInterfaceBoardOneAIStatus, handleOneAnalog},
    {GetInterfaceBoardOneAOStatus, handleOneAnalog},
    {SetInterfaceBoardOneDOStatus, handleSetDO},
    {SetInterfaceBoardOneAOStatus, handleSetAO},
    {GetToolPowerVoltageType, handleGetToolPowerType},
    {SetToolPowerVoltageType, handleSetToolPowerType},
    {SetToolPowerTypeAndDigitalIOType, handleSetToolPowerAndIoType},
    {SetToolDigitalIOType, handleSetToolIoType},
    {GetToolPowerVoltage, handleGetToolVoltage},
    {GetToolAllDigitalIOStatus, handleToolAllDigital},
    {GetToolAllAIStatus, handleToolAllAI},
    {SetToolDigitalIOStatus, handleSetToolIoLevel},
    {SetRobotAtOriginPose, handleCommonOnly},
    {GetRobotSafetyConfig, handleGetSafetyConfig},
    {SetRobotSafetyConfig, handleSetSafetyConfig},
    {GetOrpeSafetyStatus, handleGetOrpe},
    {SafetyIoSetOrpePause, handleSafetyIo},
    {SafetyIoSetOrpeStop, handleSafetyIo},
    {SafetyIoSetOrpeError, handleSafetyIo},
    {SafetyIoClearSystemEmergencyStop, handleSafetyIo},
    {SafetyIoClearReducedModeError, handleSafetyIo},
    {SafetyIoSafetyguardResetSucc, handleSafetyIo},
    {OfflineTrackWaypointAppend, handleOfflineAppend},
    {OfflineTrackWaypointClear, handleOfflineClear},
    {OfflineTrackMoveStartup, handleOfflineStart},
    {OfflineTrackMoveStop, handleOfflineStop},
    {EnterTcp2CanbusMode, handleCanbusMode},
    {LeaveTcp2CanbusMode, handleCanbusMode},
    {SetRobotPosData2Canbus, handleCanbusData},
    {StartupOfflineExcitTraj, handleExcitTraj},
    {GetDynIdentifyResults, handleDynIdentify},
    {RobotHandShake, handleHandshake},
    {GetToolAllIoStatus, handleToolAllIo},
    {UpdateRobotBoardFirmware, handleFirmware},
    {FirmwareUpdateResult, handleFirmwareResult},
    {GetRobotEthernetDeviceName, handleTextReply},
    {RobotSetJointOffset, handleJointOffset},
    {GetEnableJoint6Rot360Flag, handleRot360},
    {MoveControlSlowStop, handleMoveControl},
    {MoveControlFastStop, handleMoveControl},
    {MoveControlPause, handleMoveControl},
    {MoveControlContinue, handleMoveControl},
    {SetConveyorEncoderReset, handleConveyorState<SetConveyorEncoderReset>},
    {SetConveyorStartup, handleConveyorState<SetConveyorStartup>},
    {SetConveyorStop, handleConveyorState<SetConveyorStop>},
    {SetConveyorDir, handleSetIntParam},
    {SetRobotCameraCalib, storeBody<pbc::ToolKinematicsParam>},
    {SetConveyorVelc, handleSetDoubleList},
    {SetEncoderValPerMeter, handleSetIntParam},
    {SetStartWindowUpstream, handleSetDoubleList},
    {SetStartWindowDownstream, handleSetDoubleList},
    {SetConveyorTrackDownstream, handleSetDoubleList},
    {EnableConveyorTrack, handleCommonOnly},
    {GetConveyorEncoderVal, handleConveyorEncoder},
    {AppendObject2ConveyorTrackQueue, handleConveyorObject},
    {SetRobotConveyorTrackMaxVelc, handleSetDoubleList},
    {SetRobotConveyorTrackMaxAcc, handleSetDoubleList},
    {SetRobotConveyorSystemDelay, handleSetDoubleList},
    {SetRobotTool, storeBody<pbc::ToolKinematicsParam>},
    {SetWeaveMoveParameters, handleSetDoubleParam},
    {SetJointRangeOfMotion, handleSetDoubleParam},
    {SetRobotRecognitionParam, handleRecognitionSet},
    {GetRobotRecognitionParam, handleRecognitionGet},
    {CommunicationHeart, handleCommonOnly},
    {SetSeamTrackingParameters, handleSetSeam},
    {GetSeamTrackingParameters, handleGetSeam},
    {GetCorrectedWaypoint, handleCorrectedWaypoint},
    {GetJointRangeOfMotion, handleGetDoubleParam},
    {SetEnableForceTeachWhenProjectIsRunning, handleForceTeach},
    {GetJointCommonData, handleGetJointData},
    {SetJointCommonData, handleSetJointData},
    {JointSaveDataFlash, handleJointSaveFlash},
    {GetRobotVersionInfo, handleTextReply},
    {GetEnableJoint1Rot360Flag, handleRot360},
    {EnterRobotReduceMode, handleReduceMode},
    {ExitRobotReduceMode, handleReduceMode},
    {GetForceSensorData, handleForceSensor},
    {CalibToolAndSensor, handleCalibToolSensor},
    {EnableForceControlPlan, handleSetIntParam},
    {SetForceControlAttributes, handleSetDoubleList},
    {ForceControlCalibrationZero, handleCommonOnly},
    {GetRegulateSpeedModeConfig, handleGetDoubleParam},
    {SetRegulateSpeedModeConfig, handleSetDoubleParam},
    {EnableRegulateSpeedMode, handleSetIntParam},
    {EnableForceControlMode, handleSetIntParam},
    {GetForceControlModeAdmittancePatam, handleGetDoubleParam},
    {SetForceControlModeAdmittancePatam, handleSetDoubleParam},
    {GetForceControlModeExploreForceParam, handleGetDoubleParam},
    {SetForceControlModeExploreForceParam, handleSetDoubleParam},
    {GetMovePJointRangeLimitParam, handleGetDoubleParam},
    {SetMovePJointRangeLimitParam, handleSetDoubleParam},
};

struct HandlerTable {
    Handler byCmd[CommandTypeCount];
    HandlerTable() {
        for (Handler& h : byCmd) h = handleUnknown;
        for (const Entry& e : kHandlers) byCmd[e.cmd] = e.fn;
    }
};

}  // namespace

Handler handlerFor(int32_t cmd) {
    static const HandlerTable table;
    if (cmd < 0 || cmd >= CommandTypeCount) return handleUnknown;
    return table.byCmd[cmd];
}

void initArmState(ArmState& arm, int32_t model) {
    double dh[6];
    modelDhParams(model, dh);
    arm.model = (model >= 0 && model <= 9) ? model : 0;
    arm.dh = Dh{dh[0], dh[1], dh[2], dh[3], dh[4], dh[5]};
    // A comfortable, non-singular home pose.
    arm.q = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
    auto setTcp = [](pbm::TcpParam* t) {
        t->set_positionx(0);
        t->set_positiony(0);
        t->set_positionz(0);
        t->set_payload(0);
    };
    setTcp(arm.tcpParam.mutable_paramautorun());
    setTcp(arm.tcpParam.mutable_parammanual());
    arm.toolDynamics.set_positionx(0);
    arm.toolDynamics.set_positiony(0);
    arm.toolDynamics.set_positionz(0);
    arm.toolDynamics.set_payload(0);
    auto* in = arm.toolDynamics.mutable_toolinertia();
    in->set_xx(0);
    in->set_xy(0);
    in->set_xz(0);
    in->set_yy(0);
    in->set_yz(0);
    in->set_zz(0);
    auto& sc = arm.safetyConfig;
    for (int i = 0; i < 6; ++i) sc.add_robotreducedconfigjointspeed(90);
    sc.set_robotreducedconfigtcpspeed(250);
    sc.set_robotreducedconfigtcpforce(150);
    sc.set_robotreducedconfigmomentum(25);
    sc.set_robotreducedconfigpower(300);
    sc.set_robotsafeguradresetconfig(0);
    sc.set_robotoperationalmodeconfig(0);
    auto& os = arm.orpeStatus;
    os.set_orpepause(0);
    os.set_orpestop(0);
    for (int i = 0; i < 16; ++i) os.add_orpeerror(0);
    os.set_systememergencystop(0);
    os.set_reducedmodeerror(0);
    os.set_safetyguardresetsucc(0);
    auto& d = arm.devInfo;
    d.set_type(static_cast<uint32_t>(arm.model));
    d.set_revision("V3.1");
    d.set_manuid("TEVO");
    d.set_jointtype("SIM-JOINT");
    for (int i = 0; i < 6; ++i) {
        auto* v = d.add_jointver();
        v->set_hwversion("HW1.0");
        v->set_swversion("SW2.3.4");
        d.add_jointproductid("SIMJ-" + std::to_string(i + 1));
    }
    d.set_desc("simulator");
    d.set_slavedevversion("SLV1.0");
    d.set_extendioboardversion("EXT1.0");
    for (size_t j = 0; j < 6; ++j) {
        auto& jd = arm.jointData[j];
        const auto* desc = jd.GetDescriptor();
        const auto* refl = jd.GetReflection();
        for (int f = 0; f < desc->field_count(); ++f) refl->SetInt32(&jd, desc->field(f), 0);
        jd.set_jointcurvol(48);
        jd.set_jointcurtemp(30);
        jd.set_jointmaxcur(20000);
        jd.set_jointmaxspeed(3000);
        jd.set_jointmaxacc(10000);
        jd.set_jointminpos(-175 * 1000);
        jd.set_jointmaxpos(175 * 1000);
        jd.set_jointcurp(100 + static_cast<int32_t>(j));
        jd.set_jointspeedp(200 + static_cast<int32_t>(j));
        jd.set_jointposp(300 + static_cast<int32_t>(j));
    }
    std::vector<double> range{0};
    for (int i = 0; i < 6; ++i) {
        range.push_back(-kDefaultJointLimit);
        range.push_back(kDefaultJointLimit);
    }
    arm.doubleParams[SetJointRangeOfMotion] = range;
    std::vector<double> movep(6, -kDefaultJointLimit);
    movep.insert(movep.end(), 6, kDefaultJointLimit);
    arm.doubleParams[SetMovePJointRangeLimitParam] = movep;
    // Seam tracking: all zero, with valid waypoints.
    auto& st = arm.seamTrack;
    st.set_trackenable(0);
    fillRoadPoint(arm.dh, arm.q, st.mutable_currentroadpoint());
    fillRoadPoint(arm.dh, arm.q, st.mutable_nextroadpoint());
    st.set_timeinterval(0);
    for (int i = 0; i < 3; ++i) st.add_currentposerror(0);
    st.set_maxvel(0);
    st.set_maxacc(0);
    st.set_parachanged(0);
}

void modelDhParams(int32_t model, double out[6]) {
    static const double kTable[10][6] = {
        {0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094},
        {0.552, 0.495, 0.1632, 0.178, 0.1025, 0.094},
        {0.647, 0.6005, 0.1632, 0.2013, 0.1025, 0.094},
        {0.229, 0.2015, 0.1395, 0.11055, 0.08955, 0.09055},
        {0.266, 0.2565, 0.157, 0.119, 0.1025, 0.094},
        {0.245, 0.215, 0.1215, 0.1215, 0.1025, 0.094},
        {0.608, 0.6395, 0.1215, 0.1215, 0.1025, 0.094},
        {0.632, 0.6005, 0.1632, 0.2013, 0.1025, 0.094},
        {0.48, 0.37, 0.163, 0.191, 0.1175, 0.1035},
        {0.753, 0.72, 0.1955, 0.1935, 0.127, 0.1063},
    };
    const int m = (model >= 0 && model <= 9) ? model : 0;
    for (int i = 0; i < 6; ++i) out[i] = kTable[m][i];
}

}  // namespace tevo_sim
