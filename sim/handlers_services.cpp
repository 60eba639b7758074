// Application services: offline tracks and servo streaming (pass-through
// mode), the excitation trajectory and dynamics identification, number-list
// parameters kept by the controller (force control, speed regulation, multi-point move ranges...),
// recognition, conveyor tracking, seam tracking and the force sensor.
#include <chrono>
#include <cmath>
#include <vector>

#include "sim/handlerutil.h"

namespace tevo_sim {

namespace {

// Number lists with a NaN or an infinity are refused.
bool readDoubles(RequestCtx& c, std::vector<double>& out) {
    pbm::ProtoCommunicationDoubleVector v;
    if (!parse(c, v)) return false;
    out.assign(v.value().begin(), v.value().end());
    for (size_t i = 0; i < out.size(); ++i) {
        if (!std::isfinite(out[i]))
            return refuse(
                c, CodeInvalidValue,
                "value " + std::to_string(i + 1) + " (" + fmt2(out[i]) + ") is not finite");
    }
    return true;
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
// `check`, when given, checks the values' ranges.
void storeDoubles(ArmState& arm, RequestCtx& c, size_t size,
                  Refusal (*check)(const std::vector<double>&) = nullptr) {
    common(c);
    std::vector<double> v;
    if (!readDoubles(c, v)) return;
    if (size > 0 && v.size() != size) {
        refuse(c, countMismatch("the list", size, v.size()));
        return;
    }
    if (check != nullptr) {
        if (Refusal r = check(v)) {
            refuse(c, std::move(r));
            return;
        }
    }
    if (c.applyState) arm.doubleParams[c.cmd] = v;
}

void storeInts(ArmState& arm, RequestCtx& c) {
    common(c);
    std::vector<int32_t> v;
    if (readInts(c, v) && c.applyState) arm.intParams[c.cmd] = v;
}

}  // namespace

// Offline tracks and bus streaming.
void handleOfflineAppend(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotMove mv;
    if (!parse(c, mv)) return;
    for (int i = 0; i < mv.roadpointvector_size(); ++i) {
        Joints q{};
        if (!readWaypointJoints(c, mv.roadpointvector(i), i, q)) return;
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
    if (!motionAllowed(arm, c)) return;
    if (arm.offlineTrack.empty()) {
        refuse(c, CodeProcessRequestFailed, "no offline track uploaded: append waypoints first");
        return;
    }
    if (arm.plan || arm.jog != JogKind::None || servoHoldsArm(arm)) {
        refuseBusy(arm, c);
        return;
    }
    std::vector<Joints> targets;
    for (const auto& rp : arm.offlineTrack) {
        Joints q{};
        roadPointJoints(rp, q);
        if (!targetInRange(arm, q, c)) return;
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

// Pass-through mode: the arm follows streamed joint targets (sim/servo.cpp).
// Entering it takes the arm like a move; leaving it brings the arm to rest.
void handleCanbusMode(SimCore& core, ArmState& arm, RequestCtx& c) {
    common(c);
    if (c.cmd == LeaveTcp2CanbusMode) {
        if (c.applyState) servoLeave(arm);
        return;
    }
    if (!motionAllowed(arm, c)) return;
    if (arm.plan || arm.jog != JogKind::None || servoMoving(arm)) {
        refuseBusy(arm, c);
        return;
    }
    if (c.applyState) servoEnter(arm, core.opt);
}

void handleCanbusData(SimCore& core, ArmState& arm, RequestCtx& c) {
    common(c);
    pbc::RobotMove mv;
    if (!parse(c, mv)) return;
    if (!arm.tcp2Canbus) {
        refuse(c, CodeProcessRequestFailed, "pass-through mode is off: enter it first");
        return;
    }
    if (!motionAllowed(arm, c)) return;
    if (arm.servo.tripped) {
        refuse(c, CodeProcessRequestFailed,
               "the servo stream's watchdog stopped the arm (no target for " +
                   std::to_string(core.opt.servoWatchdog.count()) +
                   " ms): leave pass-through mode and enter it again");
        return;
    }
    std::vector<Joints> pts;
    for (int i = 0; i < mv.roadpointvector_size(); ++i) {
        Joints q{};
        // A target outside the range is refused like a move to it.
        if (!readWaypointJoints(c, mv.roadpointvector(i), i, q) || !targetInRange(arm, q, c))
            return;
        pts.push_back(q);
    }
    if (!servoCheckJumps(arm, core.opt, pts, c) || !c.applyState) return;
    servoAccept(arm, core.opt, pts, std::chrono::steady_clock::now());
}

void handleExcitTraj(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::ProtoCommunicationOfflineExcitTraj t;
    if (!parse(c, t)) return;
    if (!motionAllowed(arm, c)) return;
    if (t.trackfile().empty()) {
        refuse(c, CodeInvalidValue, "the excitation trajectory names no file");
        return;
    }
    if (arm.plan || arm.jog != JogKind::None || servoHoldsArm(arm)) {
        refuseBusy(arm, c);
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

namespace {

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

}  // namespace

void handleSetDoubleParam(SimCore&, ArmState& arm, RequestCtx& c) {
    for (const ListParam& p : kDoubleParams)
        if (p.setCmd == c.cmd)
            return storeDoubles(arm, c, p.size,
                                c.cmd == SetJointRangeOfMotion ? checkJointRange : nullptr);
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

void handleSetIntParam(SimCore&, ArmState& arm, RequestCtx& c) { storeInts(arm, c); }

void handleSetDoubleList(SimCore&, ArmState& arm, RequestCtx& c) { storeDoubles(arm, c, 0); }

void handleRecognitionSet(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    // Stored per recognition type.
    if (acceptInts(c, v, [](const std::vector<int32_t>& x) {
            return x.size() >= 2 ? Refusal{}
                                 : malformed("recognition parameters need a type and values");
        }))
        arm.intParams[SetRobotRecognitionParam * 1000 + v[0]] = v;
}

void handleRecognitionGet(SimCore&, ArmState& arm, RequestCtx& c) {
    std::vector<int32_t> v;
    if (!readInts(c, v) || v.size() != 1) {
        if (c.code == CodeSucc) refuse(c, countMismatch("the recognition type", 1, v.size()));
        replyInts(c, {});
        return;
    }
    auto it = arm.intParams.find(SetRobotRecognitionParam * 1000 + v[0]);
    replyInts(c, it != arm.intParams.end() ? it->second : std::vector<int32_t>{v[0], 0});
}

namespace {

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
    const double perMeter = static_cast<double>(static_cast<uint32_t>(
        static_cast<int32_t>(first(arm.intParams, SetEncoderValPerMeter, 0))));
    const double dir = first(arm.intParams, SetConveyorDir, 1) < 0 ? -1.0 : 1.0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - arm.conveyorSince).count();
    return arm.conveyorCount + velc * perMeter * dir * seconds;
}

}  // namespace

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

template void handleConveyorState<SetConveyorEncoderReset>(SimCore&, ArmState&, RequestCtx&);
template void handleConveyorState<SetConveyorStartup>(SimCore&, ArmState&, RequestCtx&);
template void handleConveyorState<SetConveyorStop>(SimCore&, ArmState&, RequestCtx&);

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
            refuse(c, CodeRequestFormatError,
                   "the calibration needs 3 joint sets and 3 wrenches, got " +
                       std::to_string(in.jointangle_size()) + " and " +
                       std::to_string(in.wrenchlist_size()));
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

}  // namespace tevo_sim
