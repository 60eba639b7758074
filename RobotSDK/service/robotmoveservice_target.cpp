// Target-position and relative moves: the target is computed on the client
// from the arm's current joint angles (keeping the flange orientation) and
// sent as an ordinary joint or linear move. Also the motion parameters the
// controller keeps (weaving, joint ranges, regulated speed, force control),
// which travel as number vectors in a fixed order.

#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/servicecommands.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using CMT = CommunicationMateType;

namespace {

// ---- moves to a computed target ---------------------------------------------------

// Checks the move mode, computes the target (which reads the controller),
// then moves there. Nothing is sent for a bad mode, and no move for a target
// that cannot be computed.
int moveToComputedTarget(RobotMoveService& service, move_mode moveMode,
                         const std::function<int(wayPoint_S&)>& computeTarget, bool IsBolck) {
    if (moveMode != MODEJ && moveMode != MODEL) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: robotMoveToTargetPosition move mode error.");
        return ErrCode_ParamError;
    }
    wayPoint_S target;
    const int ret = computeTarget(target);
    if (ret != ErrnoSucc) return ret;
    return moveMode == MODEJ ? service.robotJointMove(target, IsBolck)
                             : service.robotLineMove(target, IsBolck);
}

bool isFinite(const Pos& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The flange waypoint at flangePosition with the source's flange orientation,
// solved nearest the source's joint angles.
int solveKeepingOrientation(const wayPoint_S& source, const Pos& flangePosition,
                            wayPoint_S& target) {
    if (!isFinite(flangePosition)) return ErrCode_ParamError;
    wayPoint_S solved;
    const int ret =
        RobotUtilService::robotIk(source.jointpos, flangePosition, source.orientation, solved);
    if (ret != ErrnoSucc) return ret;
    target = solved;
    return ErrnoSucc;
}

// ---- the number-vector shapes of the parameter commands ------------------------------

// A run of doubles inside a record, in wire order.
struct InField {
    const double* data;
    size_t count;
};
struct OutField {
    double* data;
    size_t count;
};

std::vector<double> gather(std::initializer_list<InField> fields) {
    std::vector<double> values;
    for (const InField& f : fields) values.insert(values.end(), f.data, f.data + f.count);
    return values;
}

double flagValue(bool flag) { return flag ? 1.0 : 0.0; }

// Sends the values as a double vector; a value that is not finite is refused
// before anything is sent (the controller would reject the whole vector).
int sendValues(RobotControlServices& core, RobotCommandType type, const std::vector<double>& values,
               const char* encodeFailLog) {
    for (double v : values) {
        if (!std::isfinite(v)) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: Motion parameter value is not finite.");
            return ErrCode_ParamError;
        }
    }
    return service_commands::sendDoubles(core, type, values, encodeFailLog);
}

// An enable flag travels as one int, 1 or 0.
int sendFlag(RobotControlServices& core, RobotCommandType type, bool flag,
             const char* encodeFailLog) {
    return service_commands::sendInts(core, type, {flag ? 1 : 0}, encodeFailLog);
}

// Reads a double vector and scatters it into the fields, which are written
// only when the reply decodes, carries no error and holds exactly as many
// values as the fields take.
int readFields(RobotControlServices& core, RobotCommandType type, const char* decodeFailLog,
               std::initializer_list<OutField> fields) {
    std::vector<double> values;
    const int ret = service_commands::queryDecoded(
        core, type, nullptr, 0,
        [&values](const char* data, int size, int& errorCode) {
            return ProtoEncodeDecode::resolveResponse_doubleTypeValueVector(data, size, values,
                                                                            errorCode);
        },
        decodeFailLog, ErrCode_CreateRequestFailed);
    if (ret != ErrnoSucc) return ret;
    size_t expected = 0;
    for (const OutField& f : fields) expected += f.count;
    if (values.size() != expected) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Motion parameter reply holds %d values, %d expected.",
                             static_cast<int>(values.size()), static_cast<int>(expected));
        return ErrCode_ResolveResponseFailed;
    }
    auto next = values.begin();
    for (const OutField& f : fields) {
        std::copy(next, next + static_cast<std::ptrdiff_t>(f.count), f.data);
        next += static_cast<std::ptrdiff_t>(f.count);
    }
    return ErrnoSucc;
}

}  // namespace

// ---- target-position and relative moves ------------------------------------------------

int RobotMoveService::robotMoveToTargetPositionByRelative(
    move_mode moveMode, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    const ToolInEndDesc& toolInEndDesc, const MoveRelative& relativeOnUser, bool IsBolck) {
    return moveToComputedTarget(
        *this, moveMode,
        [&](wayPoint_S& target) {
            wayPoint_S current;
            const int ret = getRoadPointFromController(current);
            if (ret != ErrnoSucc) return ret;
            return getTargetWaypointByRelative(current, userCoordSystem, toolInEndDesc,
                                               relativeOnUser, target);
        },
        IsBolck);
}

int RobotMoveService::robotMoveToTargetPositionByPosition(
    move_mode moveMode, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    const Pos& position, const ToolInEndDesc& toolInEndDesc, bool IsBolck) {
    return moveToComputedTarget(
        *this, moveMode,
        [&](wayPoint_S& target) {
            return getJointAngleByTargetPositionKeepCurrentOri(userCoordSystem, position,
                                                               toolInEndDesc, target);
        },
        IsBolck);
}

int RobotMoveService::getJointAngleByTargetPositionKeepCurrentOri(
    const CoordCalibrateByJointAngleAndTool& userCoordSystem, const Pos& position,
    const ToolInEndDesc& toolInEndDesc, wayPoint_S& targetWayPointOnBaseCoord) {
    wayPoint_S current;
    const int ret = getCurrnetRoadPoint(current);
    if (ret != ErrnoSucc) return ret;
    return getTargetWaypointByPosition(current, userCoordSystem, position, toolInEndDesc,
                                       targetWayPointOnBaseCoord);
}

int RobotMoveService::getTargetWaypointByRelative(
    const wayPoint_S& sourceWayPointOnBaseCoord,
    const CoordCalibrateByJointAngleAndTool& userCoordSystem, const ToolInEndDesc& toolInEndDesc,
    const MoveRelative& relativeOnUser, wayPoint_S& targetWayPointOnBaseCoord) {
    (void)toolInEndDesc;  // the offset moves the flange; the tool plays no part
    const double offset[3] = {relativeOnUser.relativePosition[0],
                              relativeOnUser.relativePosition[1],
                              relativeOnUser.relativePosition[2]};
    const Pos& source = sourceWayPointOnBaseCoord.cartPos.position;
    Pos target = source;
    switch (userCoordSystem.coordType) {
        case BaseCoordinate:
            target = Pos{source.x + offset[0], source.y + offset[1], source.z + offset[2]};
            break;
        case EndCoordinate:
            // The offset is taken in the flange frame turned by the frame's tool.
            RobotUtilService::endPosition2BasePosition(
                sourceWayPointOnBaseCoord, Pos{offset[0], offset[1], offset[2]}, target,
                userCoordSystem.toolDesc.toolInEndOrientation);
            break;
        case WorldCoordinate: {
            int ret = RobotUtilService::checkCoordinateSystemCalibration(userCoordSystem);
            if (ret != ErrnoSucc) {
                RobotLogPrint::trace(
                    LL_ERROR, "sdk log: robotMoveToTargetPosition PlaneCalibrate return false.");
                return ret;
            }
            double onBase[3] = {0.0, 0.0, 0.0};
            ret = RobotUtilService::offsetVectorUserCoord2Base(offset, userCoordSystem, onBase);
            if (ret != ErrnoSucc) return ret;
            target = Pos{source.x + onBase[0], source.y + onBase[1], source.z + onBase[2]};
            break;
        }
        default:
            return ErrCode_ParamError;
    }
    return solveKeepingOrientation(sourceWayPointOnBaseCoord, target, targetWayPointOnBaseCoord);
}

int RobotMoveService::getTargetWaypointByPosition(
    const wayPoint_S& sourceWayPointOnBaseCoord,
    const CoordCalibrateByJointAngleAndTool& userCoordSystem, const Pos& toolEndPosition,
    const ToolInEndDesc& toolInEndDesc, wayPoint_S& targetWayPointOnBaseCoord) {
    const Pos& flangePosition = sourceWayPointOnBaseCoord.cartPos.position;
    const Ori& flangeOrientation = sourceWayPointOnBaseCoord.orientation;
    // The tool's current orientation in the user frame: the flange turned by
    // the tool. With it, the conversion back to the base frame yields the
    // flange pose that keeps the current flange orientation, so the tool's
    // end point lands on the target also for a rotated tool.
    Pos unusedPosition;
    Ori toolOrientation;
    int ret = ErrnoSucc;
    switch (userCoordSystem.coordType) {
        case BaseCoordinate:
            ret = RobotUtilService::base2BaseAdditionalTool(
                flangePosition, flangeOrientation, toolInEndDesc, unusedPosition, toolOrientation);
            break;
        case WorldCoordinate:
            ret = RobotUtilService::base2UserCoordinate(flangePosition, flangeOrientation,
                                                        userCoordSystem, toolInEndDesc,
                                                        unusedPosition, toolOrientation);
            break;
        default:
            return ErrCode_ParamError;
    }
    if (ret != ErrnoSucc) return ret;
    if (!isFinite(toolEndPosition)) return ErrCode_ParamError;

    Pos targetFlangePosition;
    Ori unusedOrientation;
    ret = RobotUtilService::user2BaseCoordinate(toolEndPosition, toolOrientation, userCoordSystem,
                                                toolInEndDesc, targetFlangePosition,
                                                unusedOrientation);
    if (ret != ErrnoSucc) return ret;
    return solveKeepingOrientation(sourceWayPointOnBaseCoord, targetFlangePosition,
                                   targetWayPointOnBaseCoord);
}

// ---- motion parameters kept by the controller --------------------------------------------

int RobotMoveService::setWeaveMoveParameters(const WeaveMove& weaveMove) {
    return sendValues(*m_robotBaseService, CMT::CommunicationType_setWeaveMoveParameters,
                      {flagValue(weaveMove.weaveEnable), static_cast<double>(weaveMove.weaveType),
                       weaveMove.weaveStep, weaveMove.weaveAmplitude, weaveMove.weaveHoldDistance,
                       weaveMove.weaveAngle},
                      "sdk log: Make CommunicationType_setWeaveMoveParameters protobuf content "
                      "failed.");
}

int RobotMoveService::setJointRangeOfMotion(const JointRangeOfMotion& rangeOfMotion) {
    std::vector<double> values{flagValue(rangeOfMotion.enable)};
    for (const RangeOfMotion& range : rangeOfMotion.rangeValues) {
        values.push_back(range.minValue);
        values.push_back(range.maxValue);
    }
    return sendValues(*m_robotBaseService, CMT::CommunicationType_setJointRangeOfMotion, values,
                      "sdk log: Make CommunicationType_setJointRangeOfMotion protobuf content "
                      "failed.");
}

int RobotMoveService::getJointRangeOfMotion(JointRangeOfMotion& rangeOfMotion) {
    double values[1 + 2 * ARM_DOF];
    const int ret =
        readFields(*m_robotBaseService, CMT::CommunicationType_getJointRangeOfMotion,
                   "sdk log: Resolve JointRangeOfMotion response failed.", {{values, 13}});
    if (ret != ErrnoSucc) return ret;
    rangeOfMotion.enable = values[0] > 0;
    for (int i = 0; i < ARM_DOF; ++i) {
        rangeOfMotion.rangeValues[i].minValue = values[1 + 2 * i];
        rangeOfMotion.rangeValues[i].maxValue = values[2 + 2 * i];
    }
    return ErrnoSucc;
}

int RobotMoveService::setRegulateSpeedModeConfig(const RegulateSpeedModeParamConfig_t& config) {
    return sendValues(*m_robotBaseService, CMT::CommunicationType_setRegulateSpeedModeConfig,
                      gather({{config.maxJointVelocity, ARM_DOF},
                              {config.maxJointAcceleration, ARM_DOF},
                              {&config.maxTcpVelocity, 1},
                              {&config.maxTcpAcceleration, 1}}),
                      "sdk log: Make CommunicationType_setRegulateSpeedModeConfig protobuf "
                      "content failed.");
}

int RobotMoveService::getRegulateSpeedModeConfig(RegulateSpeedModeParamConfig_t& config) {
    return readFields(*m_robotBaseService, CMT::CommunicationType_getRegulateSpeedModeConfig,
                      "sdk log: Resolve RegulateSpeedModeConfig response failed.",
                      {{config.maxJointVelocity, ARM_DOF},
                       {config.maxJointAcceleration, ARM_DOF},
                       {&config.maxTcpVelocity, 1},
                       {&config.maxTcpAcceleration, 1}});
}

int RobotMoveService::enableRegulateSpeedMode(bool enbaleFlag) {
    return sendFlag(*m_robotBaseService, CMT::CommunicationType_enableRegulateSpeedMode, enbaleFlag,
                    "sdk log: Make CommunicationType_enableRegulateSpeedMode protobuf content "
                    "failed.");
}

int RobotMoveService::getForceControlModeAdmittancePatam(AdmittancePatam_t& param) {
    return readFields(*m_robotBaseService,
                      CMT::CommunicationType_getForceControlModeAdmittancePatam,
                      "sdk log: Resolve AdmittancePatam response failed.",
                      {{param.inertia, 6}, {param.damping, 6}, {param.stiffness, 6}});
}

int RobotMoveService::setForceControlModeAdmittancePatam(const AdmittancePatam_t& param) {
    return sendValues(*m_robotBaseService,
                      CMT::CommunicationType_setForceControlModeAdmittancePatam,
                      gather({{param.inertia, 6}, {param.damping, 6}, {param.stiffness, 6}}),
                      "sdk log: Make CommunicationType_setForceControlModeAdmittancePatam "
                      "protobuf content failed.");
}

int RobotMoveService::getForceControlModeExploreForceParam(double& forceLimit, double& distLimit) {
    return readFields(
        *m_robotBaseService, CMT::CommunicationType_getForceControlModeExploreForceParam,
        "sdk log: Resolve ExploreForceParam response failed.", {{&forceLimit, 1}, {&distLimit, 1}});
}

int RobotMoveService::setForceControlModeExploreForceParam(double forceLimit, double distLimit) {
    return sendValues(*m_robotBaseService,
                      CMT::CommunicationType_setForceControlModeExploreForceParam,
                      {forceLimit, distLimit},
                      "sdk log: Make CommunicationType_setForceControlModeExploreForceParam "
                      "protobuf content failed.");
}

int RobotMoveService::enableForceControlModeService(bool enbaleFlag) {
    return sendFlag(*m_robotBaseService, CMT::CommunicationType_enableForceControlMode, enbaleFlag,
                    "sdk log: Make CommunicationType_enableForceControlMode protobuf content "
                    "failed.");
}

int RobotMoveService::getRealtimeForceDataService(double* forceData) {
    if (forceData == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Force data array is NULL.");
        return ErrCode_ParamError;
    }
    return readFields(*m_robotBaseService, CMT::CommunicationType_getForceSensorData,
                      "sdk log: Resolve ForceSensorData response failed.", {{forceData, 6}});
}
