// Helpers shared by the handler files (handlers_*.cpp, motion_control.cpp)
// and the handlers the dispatch table (handlers.cpp) refers to.
#pragma once

#include <memory>
#include <string>

#include "sim/siminternal.h"

namespace tevo_sim {

template <class M>
M& makeReply(RequestCtx& c) {
    auto m = std::make_unique<M>();
    M& ref = *m;
    c.reply = std::move(m);
    return ref;
}

pbm::ProtoRobotCommonResponse& common(RequestCtx& c);

// Why a request is refused: a controller code and a reason naming what was
// wrong; code CodeSucc when nothing is.
struct Refusal {
    int32_t code = CodeSucc;
    std::string reason;
    explicit operator bool() const { return code != CodeSucc; }
};
// A body missing a value or holding too few or too many (code 1).
Refusal malformed(std::string reason);
// A value outside what the controller accepts (code 106).
Refusal invalid(std::string reason);
// A list that has `got` values where `want` are needed (code 1).
Refusal countMismatch(const std::string& what, size_t want, size_t got);

// Refuses the request with the code and reason; false, for use in conditions.
bool refuse(RequestCtx& c, int32_t code, std::string reason);
bool refuse(RequestCtx& c, Refusal r);

// A number with two decimals, as refusal reasons show them.
std::string fmt2(double v);

// Parses without protobuf's own log line; a missing required field fails.
template <class M>
bool parse(RequestCtx& c, M& m) {
    if (!m.ParsePartialFromString(*c.body))
        return refuse(c, CodeRequestFormatError, "the body does not decode as " + m.GetTypeName());
    if (!m.IsInitialized())
        return refuse(c, CodeRequestFormatError,
                      "the body lacks required fields: " + m.InitializationErrorString());
    return true;
}

// Parses the request into `m` and tells whether the state may change.
template <class M>
bool parseForChange(RequestCtx& c, M& m) {
    return parse(c, m) && c.applyState;
}

// The setter shape: a common-result reply, the body parsed into `m` and
// checked by `check` (returning a Refusal); true when the change may be
// applied.
template <class M, class Check>
bool acceptSetter(RequestCtx& c, M& m, Check check) {
    common(c);
    if (!parse(c, m)) return false;
    if (Refusal r = check(m)) return refuse(c, std::move(r));
    return c.applyState;
}

// Joint angles (six finite values) or the pose of a waypoint.
bool roadPointJoints(const pbc::ProtoRoadPoint& rp, Joints& q);
bool roadPointPose(const pbc::ProtoRoadPoint& rp, Pose& pose);
// The joint angles of waypoint `index` (0-based) of a request; refuses the
// request (false) when there are not six or one is not finite.
bool readWaypointJoints(RequestCtx& c, const pbc::ProtoRoadPoint& rp, int index, Joints& q);
// The configured joint range of motion of each joint, rad: the one set and
// enabled by SetJointRangeOfMotion, else one turn each way.
void jointRange(const ArmState& arm, double lo[6], double hi[6]);
// True when q is inside the configured joint range of motion; else refuses
// the request naming the first joint outside it.
bool targetInRange(const ArmState& arm, const Joints& q, RequestCtx& c);
// Refuses a Cartesian target that no joint angles reach; false.
bool refuseUnreachable(RequestCtx& c, const Pose& target);

// ------------------------------------------------------- controller ranges

// What the controller accepts for its settings; a value outside is refused
// (code 106) and changes nothing. sim/README.md lists them.
constexpr int32_t kWorkModeMax = 1;       // 0 simulator, 1 real arm
constexpr int32_t kRobotControlMax = 15;  // release (0) .. clear current alarm (15)

// Each check names the first value outside what the controller accepts.
Refusal checkTcpParam(const pbm::RobotTcpParam& p);
Refusal checkToolDynamics(const pbc::ToolDynamicsParam& t);
Refusal checkCollisionClass(int64_t grade);
// A zero-point correction of joint `joint` (1-based), rad.
Refusal checkJointOffset(int joint, double rad);
// [enable, then min and max of each joint]: every range within one turn each
// way, min not above max.
Refusal checkJointRange(const std::vector<double>& v);
// An integer setting within lo..hi ("work mode 2 outside 0..1").
Refusal checkIntRange(const std::string& what, int64_t v, int64_t lo, int64_t hi);

// ---------------------------------------------------------- request bodies

bool hasInt(const pbm::ProtoCommunicationGeneralData& g);
bool readInts(RequestCtx& c, std::vector<int32_t>& out);

// The setter shape for an integer list.
template <class Check>
bool acceptInts(RequestCtx& c, std::vector<int32_t>& v, Check check) {
    common(c);
    if (!readInts(c, v)) return false;
    if (Refusal r = check(v)) return refuse(c, std::move(r));
    return c.applyState;
}

// Set-only commands whose body is kept for inspection.
template <class M>
void storeBody(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    M m;
    if (parseForChange(c, m)) arm.lastSetBody[c.cmd] = *c.body;
}

// True when the arm may move; else refuses the request: not powered and
// started (ArmNotStarted), brakes engaged (BrakeEngaged).
bool motionAllowed(const ArmState& arm, RequestCtx& c);
// Refuses a motion request while a move, track or jog runs (Busy); false.
bool refuseBusy(const ArmState& arm, RequestCtx& c);
// Installs `plan` as the arm's move; it starts once the reply is written.
// movepWaypoints > 0 marks a multi-point move through that many waypoints,
// which reports its progress.
void startPlan(ArmState& arm, RequestCtx& c, MotionPlan plan, int movepWaypoints);

// ------------------------------------------------------------------ handlers

// Arm state: lifecycle, read-back, configuration, joints, device
// (handlers_state.cpp).
void handleLogin(SimCore& core, ArmState& arm, RequestCtx& c);
void handleStartup(SimCore& core, ArmState& arm, RequestCtx& c);
void handleShutdown(SimCore& core, ArmState& arm, RequestCtx& c);
void handleHandshake(SimCore& core, ArmState& arm, RequestCtx& c);
void handlePower(SimCore& core, ArmState& arm, RequestCtx& c);
void handleReleaseBrake(SimCore& core, ArmState& arm, RequestCtx& c);
void handleRobotControl(SimCore& core, ArmState& arm, RequestCtx& c);
void handlePushSwitch(SimCore& core, ArmState& arm, RequestCtx& c);
void handleJointStatus(SimCore& core, ArmState& arm, RequestCtx& c);
void handleJointAngle(SimCore& core, ArmState& arm, RequestCtx& c);
void handleDiagnosis(SimCore& core, ArmState& arm, RequestCtx& c);
void handleCurrentState(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetTcp(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetTcp(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetToolDynamics(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetToolDynamics(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetWorkMode(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetWorkMode(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGravity(SimCore& core, ArmState& arm, RequestCtx& c);
void handleRealRobotExists(SimCore& core, ArmState& arm, RequestCtx& c);
void handleDevInfo(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetJointData(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetJointData(SimCore& core, ArmState& arm, RequestCtx& c);
void handleJointSaveFlash(SimCore& core, ArmState& arm, RequestCtx& c);
void handleJointOffset(SimCore& core, ArmState& arm, RequestCtx& c);
void handleRot360(SimCore& core, ArmState& arm, RequestCtx& c);
void handleForceTeach(SimCore& core, ArmState& arm, RequestCtx& c);
void handleCorrectedWaypoint(SimCore& core, ArmState& arm, RequestCtx& c);
void handleTextReply(SimCore& core, ArmState& arm, RequestCtx& c);
void handleFirmware(SimCore& core, ArmState& arm, RequestCtx& c);
void handleFirmwareResult(SimCore& core, ArmState& arm, RequestCtx& c);

// Interface board and tool I/O (handlers_io.cpp).
void handleAllDI(SimCore& core, ArmState& arm, RequestCtx& c);
void handleAllDO(SimCore& core, ArmState& arm, RequestCtx& c);
void handleAllAI(SimCore& core, ArmState& arm, RequestCtx& c);
void handleAllAO(SimCore& core, ArmState& arm, RequestCtx& c);
void handleOneDigital(SimCore& core, ArmState& arm, RequestCtx& c);
void handleOneAnalog(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetDO(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetAO(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetToolPowerType(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetToolVoltage(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetToolPowerType(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetToolPowerAndIoType(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetToolIoType(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetToolIoLevel(SimCore& core, ArmState& arm, RequestCtx& c);
void handleToolAllDigital(SimCore& core, ArmState& arm, RequestCtx& c);
void handleToolAllAI(SimCore& core, ArmState& arm, RequestCtx& c);
void handleToolAllIo(SimCore& core, ArmState& arm, RequestCtx& c);

// Safety: collision class, safety configuration and safety I/O
// (handlers_safety.cpp).
void handleSetCollision(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetCollision(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetSafetyConfig(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetSafetyConfig(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetOrpe(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSafetyIo(SimCore& core, ArmState& arm, RequestCtx& c);

// Application services: offline tracks, bus streaming, dynamics
// identification, parameters kept by the controller, recognition, conveyor,
// seam tracking, force sensor (handlers_services.cpp).
void handleOfflineAppend(SimCore& core, ArmState& arm, RequestCtx& c);
void handleOfflineClear(SimCore& core, ArmState& arm, RequestCtx& c);
void handleOfflineStart(SimCore& core, ArmState& arm, RequestCtx& c);
void handleOfflineStop(SimCore& core, ArmState& arm, RequestCtx& c);
void handleCanbusMode(SimCore& core, ArmState& arm, RequestCtx& c);
void handleCanbusData(SimCore& core, ArmState& arm, RequestCtx& c);
void handleExcitTraj(SimCore& core, ArmState& arm, RequestCtx& c);
void handleDynIdentify(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetDoubleParam(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetDoubleParam(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetIntParam(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetDoubleList(SimCore& core, ArmState& arm, RequestCtx& c);
void handleRecognitionSet(SimCore& core, ArmState& arm, RequestCtx& c);
void handleRecognitionGet(SimCore& core, ArmState& arm, RequestCtx& c);
void handleConveyorEncoder(SimCore& core, ArmState& arm, RequestCtx& c);
// Kind: SetConveyorEncoderReset, SetConveyorStartup or SetConveyorStop.
template <int Kind>
void handleConveyorState(SimCore& core, ArmState& arm, RequestCtx& c);
void handleConveyorObject(SimCore& core, ArmState& arm, RequestCtx& c);
void handleSetSeam(SimCore& core, ArmState& arm, RequestCtx& c);
void handleGetSeam(SimCore& core, ArmState& arm, RequestCtx& c);
void handleForceSensor(SimCore& core, ArmState& arm, RequestCtx& c);
void handleCalibToolSensor(SimCore& core, ArmState& arm, RequestCtx& c);

// Motion (motion_control.cpp).
void handleRobotMove(SimCore& core, ArmState& arm, RequestCtx& c);
void handleTeachStart(SimCore& core, ArmState& arm, RequestCtx& c);
void handleTeachStop(SimCore& core, ArmState& arm, RequestCtx& c);
void handleMoveControl(SimCore& core, ArmState& arm, RequestCtx& c);
void handleReduceMode(SimCore& core, ArmState& arm, RequestCtx& c);

}  // namespace tevo_sim
