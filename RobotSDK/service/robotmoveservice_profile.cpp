// The process-wide global move profile: its statics, setters and getters, the
// global waypoint list, and the rules that turn the statics or a per-call
// MoveProfile_t into the RobotMoveProfile of one move.

#include <cmath>
#include <cstring>
#include <iostream>

#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

constexpr double kDefaultJointLimit = 0.4363323129985824;  // 25 deg/s and deg/s^2
constexpr double kDefaultEndLineLimit = 0.03;
constexpr double kDefaultEndAngleLimit = 1.7453292519943295;  // 100 deg/s and deg/s^2
constexpr double kMaxJointAcc = 167.55178272438084;           // 9600.01 deg/s^2
constexpr double kMaxJointVelc = 8.726820792896847;           // 500.01 deg/s
constexpr double kMaxEndLineAcc = 80.01;
constexpr double kMaxEndLineVelc = 5.01;
constexpr double kMaxEndAngle = 3.141767186514992;  // 180.01 deg
constexpr double kJerkRatioLimit = 1.00001;
constexpr double kBlendRadiusLimit = 0.0501;
constexpr double kDefaultBlendRadius = 0.02;
constexpr double kDefaultPlaybackCycle = 0.1;
constexpr double kOnLineCosine = 0.9999;

// In (0, max]. NaN fails every comparison and infinity exceeds max, so both
// are refused like any other value out of range.
bool positiveAtMost(double value, double max) { return value > 0.0 && value <= max; }

void setIdentity(Ori& ori) {
    ori.w = 1.0;
    ori.x = 0.0;
    ori.y = 0.0;
    ori.z = 0.0;
}

void setNoTool(ToolInEndDesc& tool) {
    tool.toolInEndPosition.x = 0.0;
    tool.toolInEndPosition.y = 0.0;
    tool.toolInEndPosition.z = 0.0;
    setIdentity(tool.toolInEndOrientation);
}

void fillJointLimits(joint_cart_U& limits, const double (&values)[ARM_DOF]) {
    for (int i = 0; i < ARM_DOF; ++i) limits.jointPara[i] = values[i];
}

}  // namespace

// ---- the statics: zero until the first RobotMoveService, except the jerk ratio ----

std::mutex RobotMoveService::s_moveProfileMutex;
JointVelcAccParam RobotMoveService::s_moveProfileJointMaxAcc = {};
JointVelcAccParam RobotMoveService::s_moveProfileJointMaxVelc = {};
double RobotMoveService::s_moveProfileEndMaxLineAcc = 0.0;
double RobotMoveService::s_moveProfileEndMaxLineVelc = 0.0;
double RobotMoveService::s_moveProfileEndMaxAngleAcc = 0.0;
double RobotMoveService::s_moveProfileEndMaxAngleVelc = 0.0;
double RobotMoveService::s_moveProfileJerkAccRatio = 0.5;
double RobotMoveService::s_moveProfileBlendRadius = 0.0;
int RobotMoveService::s_moveProfileCircularLoopTimes = 0;
double RobotMoveService::s_moveProfileTrackPlaybackCycle = 0.0;
bool RobotMoveService::s_moveProfileEnableIterIk = false;
ToolInEndDesc RobotMoveService::s_moveProfileToolInEndDesc = {};
bool RobotMoveService::s_moveProfileToolTrack = false;
MoveRelativeParam_t RobotMoveService::s_moveProfileRelativeParam = {};
MoveArrivalAhead_t RobotMoveService::s_moveArrivalAhead = {arrival_ahead_none, 0.0};
CoordCalibrateByJointAngleAndTool RobotMoveService::s_teachMoveCoordinateSystem = {};
std::vector<wayPoint_S> RobotMoveService::s_moveWayPointVector;
RobotMoveService::offlineTrackRecognition RobotMoveService::s_offlineTrackRecognition;
bool RobotMoveService::s_moveProfileIsInited = false;

RobotMoveService::RobotMoveService(RobotControlServices* p) : m_robotBaseService(p) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    if (!s_moveProfileIsInited) {
        initClassProfile();
        s_moveProfileIsInited = true;
    }
}

void RobotMoveService::initClassProfile() {
    resetProfileLocked();
    setNoTool(s_moveProfileToolInEndDesc);
    s_moveProfileToolTrack = false;
}

void RobotMoveService::resetProfileLocked() {
    s_moveWayPointVector.clear();
    s_moveProfileEndMaxLineAcc = kDefaultEndLineLimit;
    s_moveProfileEndMaxLineVelc = kDefaultEndLineLimit;
    s_moveProfileEndMaxAngleAcc = kDefaultEndAngleLimit;
    s_moveProfileEndMaxAngleVelc = kDefaultEndAngleLimit;
    for (int i = 0; i < ARM_DOF; ++i) {
        s_moveProfileJointMaxAcc.jointPara[i] = kDefaultJointLimit;
        s_moveProfileJointMaxVelc.jointPara[i] = kDefaultJointLimit;
    }
    s_teachMoveCoordinateSystem.coordType = BaseCoordinate;
    s_moveProfileRelativeParam.isEnable = false;
    s_moveProfileRelativeParam.coordinateSystem.coordType = BaseCoordinate;
    for (float& v : s_moveProfileRelativeParam.relativePosition) v = 0.0f;
    setIdentity(s_moveProfileRelativeParam.relativeOrientation.orientation);
    s_moveProfileBlendRadius = kDefaultBlendRadius;
    s_moveProfileTrackPlaybackCycle = kDefaultPlaybackCycle;
    s_moveProfileCircularLoopTimes = 0;
    s_moveProfileEnableIterIk = false;
    s_moveArrivalAhead.arrivalAheadStat = arrival_ahead_none;
    s_moveArrivalAhead.arrivalAheadThr = 0.0;
}

int RobotMoveService::initMoveProfile() {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    resetProfileLocked();
    return ErrnoSucc;
}

// ---- limits ------------------------------------------------------------------

int RobotMoveService::setMoveJointMaxAcc(const JointVelcAccParam& moveMaxAcc) {
    for (double v : moveMaxAcc.jointPara) {
        if (!positiveAtMost(v, kMaxJointAcc)) {
            RobotLogPrint::trace(LL_ERROR, "user moveMaxAcc=%f", v);
            return ErrCode_ParamError;
        }
    }
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileJointMaxAcc = moveMaxAcc;
    return ErrnoSucc;
}

int RobotMoveService::setMoveJointMaxVelc(const JointVelcAccParam& moveMaxVelc) {
    for (double v : moveMaxVelc.jointPara) {
        if (!positiveAtMost(v, kMaxJointVelc)) return ErrCode_ParamError;
    }
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileJointMaxVelc = moveMaxVelc;
    return ErrnoSucc;
}

void RobotMoveService::getMoveJointMaxAcc(JointVelcAccParam& moveMaxAcc) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    moveMaxAcc = s_moveProfileJointMaxAcc;
}

void RobotMoveService::getMoveJointMaxVelc(JointVelcAccParam& moveMaxVelc) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    moveMaxVelc = s_moveProfileJointMaxVelc;
}

namespace {

// One checked scalar setting of the profile.
int setChecked(std::mutex& mutex, double& target, double value, double max) {
    if (!positiveAtMost(value, max)) return ErrCode_ParamError;
    std::lock_guard<std::mutex> lock(mutex);
    target = value;
    return ErrnoSucc;
}

template <typename T>
T readLocked(std::mutex& mutex, const T& source) {
    std::lock_guard<std::mutex> lock(mutex);
    return source;
}

}  // namespace

int RobotMoveService::setMoveEndMaxLineAcc(double moveMaxAcc) {
    return setChecked(s_moveProfileMutex, s_moveProfileEndMaxLineAcc, moveMaxAcc, kMaxEndLineAcc);
}
int RobotMoveService::setMoveEndMaxLineVelc(double moveMaxVelc) {
    return setChecked(s_moveProfileMutex, s_moveProfileEndMaxLineVelc, moveMaxVelc,
                      kMaxEndLineVelc);
}
int RobotMoveService::setMoveEndMaxAngleAcc(double moveMaxAcc) {
    return setChecked(s_moveProfileMutex, s_moveProfileEndMaxAngleAcc, moveMaxAcc, kMaxEndAngle);
}
int RobotMoveService::setMoveEndMaxAngleVelc(double moveMaxVelc) {
    return setChecked(s_moveProfileMutex, s_moveProfileEndMaxAngleVelc, moveMaxVelc, kMaxEndAngle);
}
void RobotMoveService::getMoveEndMaxLineAcc(double& moveMaxAcc) {
    moveMaxAcc = readLocked(s_moveProfileMutex, s_moveProfileEndMaxLineAcc);
}
void RobotMoveService::getMoveEndMaxLineVelc(double& moveMaxVelc) {
    moveMaxVelc = readLocked(s_moveProfileMutex, s_moveProfileEndMaxLineVelc);
}
void RobotMoveService::getMoveEndMaxAngleAcc(double& moveMaxAcc) {
    moveMaxAcc = readLocked(s_moveProfileMutex, s_moveProfileEndMaxAngleAcc);
}
void RobotMoveService::getMoveEndMaxAngleVelc(double& moveMaxVelc) {
    moveMaxVelc = readLocked(s_moveProfileMutex, s_moveProfileEndMaxAngleVelc);
}

int RobotMoveService::setJerkAccRatio(double acc) {
    if (!(acc >= 0.0 && acc < kJerkRatioLimit)) return ErrCode_ParamError;
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileJerkAccRatio = acc;
    return ErrnoSucc;
}
void RobotMoveService::getJerkAccRatio(double& acc) {
    acc = readLocked(s_moveProfileMutex, s_moveProfileJerkAccRatio);
}

int RobotMoveService::setBlendRadius(float value) {
    // Compared in single precision: 0.0501f itself lies just below 0.0501.
    if (!(value > 0.0f && value < static_cast<float>(kBlendRadiusLimit))) return ErrCode_ParamError;
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileBlendRadius = value;
    return ErrnoSucc;
}
float RobotMoveService::getBlendRadius() {
    return static_cast<float>(readLocked(s_moveProfileMutex, s_moveProfileBlendRadius));
}

void RobotMoveService::setCircularLoopTimes(int times) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileCircularLoopTimes = times;
}
int RobotMoveService::getCircularLoopTimes() {
    return readLocked(s_moveProfileMutex, s_moveProfileCircularLoopTimes);
}

int RobotMoveService::setTrackPlaybackCycle(double second) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileTrackPlaybackCycle = second;
    return ErrnoSucc;
}
double RobotMoveService::getTrackPlaybackCycle() {
    return readLocked(s_moveProfileMutex, s_moveProfileTrackPlaybackCycle);
}

void RobotMoveService::setEnableIterIk(bool value) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileEnableIterIk = value;
}

// ---- tool, relative offset, arrival ahead, teach frame --------------------------

int RobotMoveService::setMoveProfileToolParam(const ToolInEndDesc& toolInEndDesc) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveProfileToolInEndDesc = toolInEndDesc;
    s_moveProfileToolTrack = true;
    return ErrnoSucc;
}

int RobotMoveService::setMoveProfileToolParamIsNone() {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    setNoTool(s_moveProfileToolInEndDesc);
    s_moveProfileToolTrack = false;
    return ErrnoSucc;
}

int RobotMoveService::getMoveProfileToolParam(ToolInEndDesc& toolInEndDesc) {
    toolInEndDesc = readLocked(s_moveProfileMutex, s_moveProfileToolInEndDesc);
    return ErrnoSucc;
}

int RobotMoveService::setMoveProfileRelativeParam(const MoveRelative& relativeMoveOnBase) {
    CoordCalibrateByJointAngleAndTool base;
    std::memset(static_cast<void*>(&base), 0, sizeof(base));
    base.coordType = BaseCoordinate;
    return setMoveProfileRelativeParam(relativeMoveOnBase, base);
}

int RobotMoveService::setMoveProfileRelativeParam(
    const MoveRelative& relativeMoveOnUserCoord,
    const CoordCalibrateByJointAngleAndTool& userCoord) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    MoveRelativeParam_t& p = s_moveProfileRelativeParam;
    p.isEnable = relativeMoveOnUserCoord.ena;
    p.coordinateSystem = userCoord;
    p.relativeOrientation.orientation = relativeMoveOnUserCoord.relativeOri;
    for (int i = 0; i < 3; ++i) p.relativePosition[i] = relativeMoveOnUserCoord.relativePosition[i];
    return ErrnoSucc;
}

namespace {

int setArrivalAhead(std::mutex& mutex, MoveArrivalAhead_t& target, arrival_ahead_state state,
                    double threshold) {
    std::lock_guard<std::mutex> lock(mutex);
    target.arrivalAheadStat = state;
    target.arrivalAheadThr = threshold;
    return ErrnoSucc;
}

}  // namespace

int RobotMoveService::setNoArrivalAhead() {
    return setArrivalAhead(s_moveProfileMutex, s_moveArrivalAhead, arrival_ahead_none, 0.0);
}
int RobotMoveService::setArrivalAheadDistanceMode(double distance) {
    return setArrivalAhead(s_moveProfileMutex, s_moveArrivalAhead, arrival_ahead_distance,
                           distance);
}
int RobotMoveService::setArrivalAheadTimeMode(double second) {
    return setArrivalAhead(s_moveProfileMutex, s_moveArrivalAhead, arrival_ahead_time, second);
}
int RobotMoveService::setArrivalAheadBlendDistanceMode(double distance) {
    return setArrivalAhead(s_moveProfileMutex, s_moveArrivalAhead, arrival_ahead_blend_distance,
                           distance);
}

int RobotMoveService::setTeachCoordinateSystem(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_teachMoveCoordinateSystem = coordSystem;
    return ErrnoSucc;
}

void RobotMoveService::setOfflineTrackRecognition(const offlineTrackRecognition& value) {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_offlineTrackRecognition = value;
}

// ---- global waypoint list ------------------------------------------------------------

bool checkMovePFeasibility(const wayPoint_S& A, const wayPoint_S& B, const wayPoint_S& C) {
    double u[3], v[3];
    for (int i = 0; i < 3; ++i) {
        u[i] = A.cartPos.positionVector[i] - B.cartPos.positionVector[i];
        v[i] = C.cartPos.positionVector[i] - B.cartPos.positionVector[i];
    }
    const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    const double lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const double lv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double c = -dot / (lu * lv);
    // B is redundant only when it lies between A and C (the path goes straight
    // on through it). A point where the path turns back on its own line is a
    // real turning point and stays. A zero length makes c NaN: usable.
    return !(c > kOnLineCosine);
}

void RobotMoveService::clearWayPointVector() {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    s_moveWayPointVector.clear();
}

size_t RobotMoveService::wayPointCount() const {
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    return s_moveWayPointVector.size();
}

int RobotMoveService::addWayPoint(const wayPoint_S& wayPoint) {
    if (target_check::refuseNonFinite("Waypoint", wayPoint) != ErrnoSucc) return ErrCode_ParamError;
    bool merged = false;
    {
        std::lock_guard<std::mutex> lock(s_moveProfileMutex);
        std::vector<wayPoint_S>& list = s_moveWayPointVector;
        if (list.size() >= MAX_WAYPOINT_COUNT) return ErrCode_MotionWaypointVetorSizeError;
        list.push_back(wayPoint);
        const size_t n = list.size();
        if (n < 3) return ErrnoSucc;
        if (!checkMovePFeasibility(list[n - 3], list[n - 2], list[n - 1])) {
            list.erase(list.end() - 2);
            merged = true;
        }
    }
    std::cout << (merged ? "The point are at line " : "The point are not at line ") << std::endl;
    return ErrnoSucc;
}

void RobotMoveService::getWayPointVector(std::vector<wayPoint_S>& wayPointVector) {
    wayPointVector.clear();
    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    wayPointVector = s_moveWayPointVector;
}

// ---- profile building ------------------------------------------------------------------

void RobotMoveService::initDefaultMoveProfile(RobotMoveProfile& moveProfile) {
    std::memset(static_cast<void*>(&moveProfile), 0, sizeof(moveProfile));
    setIdentity(moveProfile.toolInEndOrientation);
    moveProfile.relativeMove.ena = false;
    setIdentity(moveProfile.relativeMove.relativeOrientation.orientation);
    moveProfile.blendRadius = static_cast<float>(kDefaultBlendRadius);
    moveProfile.circularLoopTimes = 0;
    for (int i = 0; i < ARM_DOF; ++i) {
        moveProfile.maxVelc.jointPara[i] = kDefaultJointLimit;
        moveProfile.maxAcc.jointPara[i] = kDefaultJointLimit;
    }
    moveProfile.arrivalAhead.arrivalAheadStat = arrival_ahead_none;
    moveProfile.arrivalAhead.arrivalAheadThr = 0.0;
    moveProfile.jerkAccRatio = 0.0;
}

bool RobotMoveService::checkIsJointTypeTrack(move_mode moveMode, move_track subMoveMode) {
    if (moveMode == MODEL) return false;
    if (moveMode != MODEP) return true;
    const bool cartesian = (subMoveMode >= ARC_CIR && subMoveMode <= CARTESIAN_UBSPLINEINTP) ||
                           subMoveMode == ORI_POSITION_ROTATE_CIRCUMFERENCE;
    return !cartesian;
}

void RobotMoveService::getCurrentMoveProfileRemoveOffset(move_mode moveMode, move_track subMoveMode,
                                                         teach_mode teachMode,
                                                         RobotMoveProfile& moveProfile) {
    initDefaultMoveProfile(moveProfile);
    moveProfile.moveMode = moveMode;
    moveProfile.subMoveMode = subMoveMode;
    moveProfile.teachMode = teachMode;

    std::lock_guard<std::mutex> lock(s_moveProfileMutex);
    moveProfile.enableIterIk = s_moveProfileEnableIterIk;
    moveProfile.toolTrack = s_moveProfileToolTrack;
    moveProfile.toolInEndPosition.position = s_moveProfileToolInEndDesc.toolInEndPosition;
    moveProfile.toolInEndOrientation = s_moveProfileToolInEndDesc.toolInEndOrientation;
    moveProfile.blendRadius = static_cast<float>(s_moveProfileBlendRadius);
    moveProfile.circularLoopTimes = s_moveProfileCircularLoopTimes;

    if (moveMode == MODEP && subMoveMode == JOINT_UBSPLINEINTP)
        moveProfile.blendRadius = static_cast<float>(s_moveProfileTrackPlaybackCycle);

    // Arc and circle modes exist only in the library; the controller takes
    // them as ARC_CIR with the kind carried in blend radius and loop count.
    if (moveMode == MODEP) {
        struct Rewrite {
            move_track requested;
            float blendRadius;
            int loops;  // -1: keep the global value
        };
        static const Rewrite rewrites[] = {
            {ARC, 1.0f, 0},
            {CIRCLE, 1.0f, -1},
            {ARC_ORI_ROTATED, -1.0f, 0},
            {CIRCLE_ORI_ROTATED, -1.0f, 1},
            {ORI_POSITION_ROTATE_CIRCUMFERENCE, -1.0f, 1},
        };
        for (const Rewrite& r : rewrites) {
            if (subMoveMode != r.requested) continue;
            moveProfile.subMoveMode = ARC_CIR;
            moveProfile.blendRadius = r.blendRadius;
            if (r.loops >= 0) moveProfile.circularLoopTimes = r.loops;
        }
    }

    moveProfile.arrivalAhead = s_moveArrivalAhead;
    if ((moveMode == MODEJ || moveMode == MODEL) &&
        (s_moveArrivalAhead.arrivalAheadStat == arrival_ahead_distance ||
         s_moveArrivalAhead.arrivalAheadStat == arrival_ahead_time))
        moveProfile.subMoveMode = TRACKING;

    moveProfile.jerkAccRatio = s_moveProfileJerkAccRatio;

    if (checkIsJointTypeTrack(moveProfile.moveMode, moveProfile.subMoveMode)) {
        fillJointLimits(moveProfile.maxAcc, s_moveProfileJointMaxAcc.jointPara);
        fillJointLimits(moveProfile.maxVelc, s_moveProfileJointMaxVelc.jointPara);
    } else {
        moveProfile.maxAcc.cartPara[0] = s_moveProfileEndMaxLineAcc;
        moveProfile.maxVelc.cartPara[0] = s_moveProfileEndMaxLineVelc;
        moveProfile.maxAcc.cartPara[1] = s_moveProfileEndMaxAngleAcc;
        moveProfile.maxVelc.cartPara[1] = s_moveProfileEndMaxAngleVelc;
    }
}

int RobotMoveService::modifyOffsetProfileByWaypointAndGlobalOffset(
    wayPoint_S offset_reference_waypoint, RobotMoveProfile& moveProfile) {
    MoveRelativeParam_t offset;
    ToolInEndDesc tool;
    {
        std::lock_guard<std::mutex> lock(s_moveProfileMutex);
        offset = s_moveProfileRelativeParam;
        tool = s_moveProfileToolInEndDesc;
    }
    moveProfile.relativeMove.ena = offset.isEnable;
    if (!offset.isEnable) return ErrnoSucc;

    if (offset.coordinateSystem.coordType == BaseCoordinate) {
        moveProfile.relativeMove.relativeOrientation = offset.relativeOrientation;
        for (int i = 0; i < 3; ++i)
            moveProfile.relativeMove.relativePosition[i] = offset.relativePosition[i];
        return ErrnoSucc;
    }

    const Pos position = {offset.relativePosition[0], offset.relativePosition[1],
                          offset.relativePosition[2]};
    Pos basePosition;
    Ori baseOrientation;
    if (!RobotUtilService::relativeMoveAndRot(
            offset_reference_waypoint, offset.coordinateSystem, tool, position,
            offset.relativeOrientation.orientation, basePosition, baseOrientation)) {
        moveProfile.relativeMove.ena = false;
        return ErrCode_Failed;
    }
    moveProfile.relativeMove.relativePosition[0] = static_cast<float>(basePosition.x);
    moveProfile.relativeMove.relativePosition[1] = static_cast<float>(basePosition.y);
    moveProfile.relativeMove.relativePosition[2] = static_cast<float>(basePosition.z);
    moveProfile.relativeMove.relativeOrientation.orientation = baseOrientation;
    return ErrnoSucc;
}

int RobotMoveService::userCoordRelativeToBaseCoordRelative(
    wayPoint_S& offset_reference_waypoint, const MoveRelative& relativeOnUserCoord,
    const CoordCalibrateByJointAngleAndTool& userCoord, MoveRelative& relativeOnBase) {
    relativeOnBase.ena = relativeOnUserCoord.ena;
    if (!relativeOnUserCoord.ena) {
        for (float& v : relativeOnBase.relativePosition) v = 0.0f;
        setIdentity(relativeOnBase.relativeOri);
        return ErrnoSucc;
    }
    if (userCoord.coordType == BaseCoordinate) {
        relativeOnBase = relativeOnUserCoord;
        return ErrnoSucc;
    }
    const ToolInEndDesc tool = readLocked(s_moveProfileMutex, s_moveProfileToolInEndDesc);
    const Pos position = {relativeOnUserCoord.relativePosition[0],
                          relativeOnUserCoord.relativePosition[1],
                          relativeOnUserCoord.relativePosition[2]};
    Pos basePosition;
    Ori baseOrientation;
    if (!RobotUtilService::relativeMoveAndRot(offset_reference_waypoint, userCoord, tool, position,
                                              relativeOnUserCoord.relativeOri, basePosition,
                                              baseOrientation)) {
        relativeOnBase.ena = false;
        return ErrCode_Failed;
    }
    relativeOnBase.relativePosition[0] = static_cast<float>(basePosition.x);
    relativeOnBase.relativePosition[1] = static_cast<float>(basePosition.y);
    relativeOnBase.relativePosition[2] = static_cast<float>(basePosition.z);
    relativeOnBase.relativeOri = baseOrientation;
    return ErrnoSucc;
}

void RobotMoveService::MoveProfileConvert(move_mode moveMode, wayPoint_S& offset_reference_waypoint,
                                          MoveProfile_t& sourceMoveProfile,
                                          RobotMoveProfile& targetMoveProfile) {
    initDefaultMoveProfile(targetMoveProfile);
    targetMoveProfile.moveMode = moveMode;
    targetMoveProfile.subMoveMode = NO_TRACK;
    targetMoveProfile.teachMode = NO_TEACH;
    targetMoveProfile.enableIterIk = false;
    targetMoveProfile.toolTrack = false;
    targetMoveProfile.toolInEndPosition.position =
        sourceMoveProfile.toolInEndDesc.toolInEndPosition;
    targetMoveProfile.toolInEndOrientation = sourceMoveProfile.toolInEndDesc.toolInEndOrientation;

    // ena false in the result means the move carries no offset.
    MoveRelative relativeOnBase;
    std::memset(static_cast<void*>(&relativeOnBase), 0, sizeof(relativeOnBase));
    userCoordRelativeToBaseCoordRelative(offset_reference_waypoint, sourceMoveProfile.relative,
                                         sourceMoveProfile.relativeOnCoord, relativeOnBase);
    targetMoveProfile.relativeMove.ena = relativeOnBase.ena;
    for (int i = 0; i < 3; ++i)
        targetMoveProfile.relativeMove.relativePosition[i] = relativeOnBase.relativePosition[i];
    targetMoveProfile.relativeMove.relativeOrientation.orientation = relativeOnBase.relativeOri;

    if (checkIsJointTypeTrack(moveMode, NO_TRACK)) {
        fillJointLimits(targetMoveProfile.maxAcc, sourceMoveProfile.jointMaxAcc);
        fillJointLimits(targetMoveProfile.maxVelc, sourceMoveProfile.jointMaxVelc);
    } else {
        targetMoveProfile.maxAcc.cartPara[0] = sourceMoveProfile.endMaxLineAcc;
        targetMoveProfile.maxVelc.cartPara[0] = sourceMoveProfile.endMaxLineVelc;
        targetMoveProfile.maxAcc.cartPara[1] = kDefaultEndAngleLimit;
        targetMoveProfile.maxVelc.cartPara[1] = kDefaultEndAngleLimit;
    }
    targetMoveProfile.arrivalAhead.arrivalAheadStat = arrival_ahead_none;
    targetMoveProfile.arrivalAhead.arrivalAheadThr = 0.0;
    targetMoveProfile.circularLoopTimes = 0;
    targetMoveProfile.blendRadius = static_cast<float>(sourceMoveProfile.blendRadius);
}

RobotMoveProfile RobotMoveService::profileWithGlobalOffset(move_mode moveMode,
                                                           move_track subMoveMode,
                                                           teach_mode teachMode,
                                                           const wayPoint_S& reference) {
    RobotMoveProfile profile;
    getCurrentMoveProfileRemoveOffset(moveMode, subMoveMode, teachMode, profile);
    // A move whose offset cannot be converted is sent without offset.
    modifyOffsetProfileByWaypointAndGlobalOffset(reference, profile);
    return profile;
}
