// Arm state: login and lifecycle (start-up, shut-down, handshake, power,
// brake), state read-back and push switches, configuration (TCP, tool
// dynamics, work mode), joint servo data, device information, and the arm's
// initial state.
#include "sim/handlerutil.h"

namespace tevo_sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDefaultJointLimit = 175.0 * kPi / 180.0;

pbm::ProtoCommunicationGeneralData& general(RequestCtx& c) {
    auto& g = makeReply<pbm::ProtoCommunicationGeneralData>(c);
    g.set_type(1);
    return g;
}

void replyInt(RequestCtx& c, int32_t v) { general(c).add_property1(v); }
void replyBool(RequestCtx& c, bool v) { general(c).add_property2(v); }

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

bool credentialsOk(const SimOptions& o, const std::string& user, const std::string& pass) {
    if (user == o.userName && pass == o.password) return true;
    return o.acceptHandleCredentials && user == "QORTX4" && pass == "QORTX4";
}

}  // namespace

// ---------------------------------------------------------------- lifecycle

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
        refuse(c, CodeAuthenticationFailed,
               "user '" + req.username() + "' refused: wrong user name or password");
        core.log("connection " + std::to_string(c.conn) + " login refused for user '" +
                 req.username() + "'");
    }
}

void handleStartup(SimCore& core, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationRobotStartupProfile sp;
    if (!parse(c, sp)) return;
    Refusal r = checkTcpParam(sp.tcpparam());
    if (!r) r = checkCollisionClass(sp.collisionclass());
    if (r) {
        refuse(c, std::move(r));
        return;
    }
    if (!arm.realRobotExists) {
        refuse(c, CodeRealRobotNoExist, "no real arm is attached to the controller");
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
    c.completions.push_back(Completion{
        core.opt.shutdownDelay, EventSpec{EvShutdownDone, 0, "shutdown done"}, {}, [](ArmState& a) {
            auto events = stopMotion(a, true);
            servoHalt(a);
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
            return m.property2_size() > 0 ? Refusal{} : malformed("the power switch is missing");
        }))
        return;
    const bool on = g.property2(0);
    if (!on) {
        for (const EventSpec& e : stopMotion(arm, true))
            c.completions.push_back(Completion{{}, e, {}});
        servoHalt(arm);
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
        refuse(c, CodeArmNotStarted, "the arm is not powered: power it on first");
        return;
    }
    arm.brakeReleased = true;
    c.completions.push_back(Completion{{}, EventSpec{EvReleaseBrakeDone, 0, "brake released"}, {}});
}

void handleRobotControl(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (!acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            if (!hasInt(m)) return malformed("the arm control command is missing");
            return checkIntRange("arm control command", m.property1(0), 0, kRobotControlMax);
        }))
        return;
    switch (g.property1(0)) {
        case 0:
            arm.brakeReleased = arm.powered;
            break;  // release
        case 1:     // brake
            for (const EventSpec& e : stopMotion(arm, true))
                c.completions.push_back(Completion{{}, e, {}});
            servoHalt(arm);
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

// ------------------------------------------------------------ configuration

void handleSetTcp(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::RobotTcpParam p;
    if (acceptSetter(c, p, checkTcpParam)) arm.tcpParam = p;
}

void handleGetTcp(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotTcpParam>(c).add_tcpparam()->CopyFrom(arm.tcpParam);
}

void handleSetToolDynamics(SimCore&, ArmState& arm, RequestCtx& c) {
    pbc::ToolParam p;
    if (acceptSetter(c, p, [](const pbc::ToolParam& m) {
            if (m.tooldynamicsparam_size() == 0) return malformed("the tool dynamics are missing");
            return checkToolDynamics(m.tooldynamicsparam(0));
        }))
        arm.toolDynamics = p.tooldynamicsparam(0);
}

void handleGetToolDynamics(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ToolParam>(c).add_tooldynamicsparam()->CopyFrom(arm.toolDynamics);
}

void handleSetWorkMode(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            if (!hasInt(m)) return malformed("the work mode is missing");
            return checkIntRange("work mode", m.property1(0), 0, kWorkModeMax);
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

void handleRealRobotExists(SimCore&, ArmState& arm, RequestCtx& c) {
    replyBool(c, arm.realRobotExists);
}

void handleDevInfo(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotDevInfo>(c).add_devinfo()->CopyFrom(arm.devInfo);
}

// ------------------------------------------------------- joints and device

namespace {

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

}  // namespace

void handleGetJointData(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbm::ProtoJointCommonDataResponse>(c);
    for (const auto& j : arm.jointData) r.add_jointcommondata()->CopyFrom(j);
}

// Body [type, joint number 1..6, value].
void handleSetJointData(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) {
            if (x.size() != 3) return countMismatch("a joint servo parameter", 3, x.size());
            Refusal r = checkIntRange("joint servo parameter type", x[0], 0, 10);
            return r ? r : checkIntRange("joint", x[1], 1, 6);
        }))
        (arm.jointData[static_cast<size_t>(v[1] - 1)].*kServoFields[v[0]])(v[2]);
}

void handleJointSaveFlash(SimCore&, ArmState&, RequestCtx& c) {
    std::vector<int32_t> v;
    acceptInts(c, v, [](const std::vector<int32_t>& x) {
        if (x.size() != 1) return countMismatch("the joint to save", 1, x.size());
        return checkIntRange("joint", x[0], 1, 6);
    });
}

void handleJointOffset(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotJointOffset o;
    if (!parse(c, o)) return;
    const double v[6] = {o.joint1(), o.joint2(), o.joint3(), o.joint4(), o.joint5(), o.joint6()};
    for (int i = 0; i < 6; ++i)
        if (Refusal r = checkJointOffset(i + 1, v[i])) {
            refuse(c, std::move(r));
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
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) {
            return x.size() == 1 ? Refusal{} : countMismatch("the switch", 1, x.size());
        }))
        arm.forceTeachWhenRunning = v[0] != 0;
}

void handleCorrectedWaypoint(SimCore&, ArmState& arm, RequestCtx& c) {
    auto& r = makeReply<pbc::ProtoRoadPointResponse>(c);
    pbc::ProtoRoadPoint in;
    Joints q = arm.q;
    if (parse(c, in) && !readWaypointJoints(c, in, 0, q)) q = arm.q;
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
        refuse(c, CodeRequestFormatError,
               "the firmware size " + std::to_string(f.firmwarecontentsize()) +
                   " does not match the " + std::to_string(f.firmwarecontent().size()) +
                   " bytes sent");
        return;
    }
    if (c.applyState) arm.firmwareBytes += f.firmwarecontent().size();
}

void handleFirmwareResult(SimCore&, ArmState&, RequestCtx& c) { replyBool(c, true); }

// ---------------------------------------------------------- initial state

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
    // Enforced from the start, as on a controller: targets beyond ±175° are
    // refused until the range is changed or switched off.
    std::vector<double> range{1};
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
