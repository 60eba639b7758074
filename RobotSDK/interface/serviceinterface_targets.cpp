// The facade's target-position and relative moves and motion parameter
// commands: forwards to the motion service.
#include <algorithm>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

// ---- Target-position and relative moves --------------------------------------------------

// The relative moves move the flange, so the frame's own tool is passed along
// as the (unused) tool of the target computation.
int ServiceInterface::robotMoveLineToTargetPositionByRelative(
    const CoordCalibrateByJointAngleAndTool& coordSystem,
    const MoveRelative& relativeMoveOnUserCoord, bool IsBolck) {
    return m_robotMoveService->robotMoveToTargetPositionByRelative(
        MODEL, coordSystem, coordSystem.toolDesc, relativeMoveOnUserCoord, IsBolck);
}
int ServiceInterface::robotMoveJointToTargetPositionByRelative(
    const CoordCalibrateByJointAngleAndTool& coordSystem,
    const MoveRelative& relativeMoveOnUserCoord, bool IsBolck) {
    return m_robotMoveService->robotMoveToTargetPositionByRelative(
        MODEJ, coordSystem, coordSystem.toolDesc, relativeMoveOnUserCoord, IsBolck);
}
int ServiceInterface::robotMoveLineToTargetPosition(
    const CoordCalibrateByJointAngleAndTool& coordSystem, const Pos& toolEndPositionOnUserCoord,
    const ToolInEndDesc& toolInEndDesc, bool IsBolck) {
    return m_robotMoveService->robotMoveToTargetPositionByPosition(
        MODEL, coordSystem, toolEndPositionOnUserCoord, toolInEndDesc, IsBolck);
}
int ServiceInterface::robotMoveJointToTargetPosition(
    const CoordCalibrateByJointAngleAndTool& coordSystem, const Pos& toolEndPositionOnUserCoord,
    const ToolInEndDesc& toolInEndDesc, bool IsBolck) {
    return m_robotMoveService->robotMoveToTargetPositionByPosition(
        MODEJ, coordSystem, toolEndPositionOnUserCoord, toolInEndDesc, IsBolck);
}
int ServiceInterface::getJointAngleByTargetPositionKeepCurrentOri(
    const CoordCalibrateByJointAngleAndTool& coordSystem, const Pos& toolEndPositionOnUserCoord,
    const ToolInEndDesc& toolInEndDesc, double* jointAngle) {
    if (jointAngle == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Target joint angle array is NULL.");
        return ErrCode_ParamError;
    }
    wayPoint_S target;
    const int ret = m_robotMoveService->getJointAngleByTargetPositionKeepCurrentOri(
        coordSystem, toolEndPositionOnUserCoord, toolInEndDesc, target);
    if (ret != ErrnoSucc) return ret;
    std::copy(target.jointpos, target.jointpos + ARM_DOF, jointAngle);
    return ErrnoSucc;
}
int ServiceInterface::getTargetWaypointByPosition(
    const wayPoint_S& sourceWayPointOnBaseCoord,
    const CoordCalibrateByJointAngleAndTool& userCoordSystem, const Pos& toolEndPosition,
    const ToolInEndDesc& toolInEndDesc, wayPoint_S& targetWayPointOnBaseCoord) {
    return RobotMoveService::getTargetWaypointByPosition(sourceWayPointOnBaseCoord, userCoordSystem,
                                                         toolEndPosition, toolInEndDesc,
                                                         targetWayPointOnBaseCoord);
}

// ---- Motion parameters ---------------------------------------------------------------------

int ServiceInterface::robotServiceSetWeaveMoveParameters(const WeaveMove& weaveMove) {
    return m_robotMoveService->setWeaveMoveParameters(weaveMove);
}
int ServiceInterface::robotServiceSetJointRangeOfMotion(const JointRangeOfMotion& rangeOfMotion) {
    return m_robotMoveService->setJointRangeOfMotion(rangeOfMotion);
}
int ServiceInterface::robotServiceGetJointRangeOfMotion(JointRangeOfMotion& rangeOfMotion) {
    return m_robotMoveService->getJointRangeOfMotion(rangeOfMotion);
}
int ServiceInterface::robotServiceSetRegulateSpeedModeParam(
    const RegulateSpeedModeParamConfig_t& config) {
    return m_robotMoveService->setRegulateSpeedModeConfig(config);
}
int ServiceInterface::robotServiceGetRegulateSpeedModeParam(
    RegulateSpeedModeParamConfig_t& config) {
    return m_robotMoveService->getRegulateSpeedModeConfig(config);
}
int ServiceInterface::robotServiceEnableRegulateSpeedMode(bool enbaleFlag) {
    return m_robotMoveService->enableRegulateSpeedMode(enbaleFlag);
}
int ServiceInterface::robotServiceGetForceControlModeAdmittancePatam(AdmittancePatam_t& param) {
    return m_robotMoveService->getForceControlModeAdmittancePatam(param);
}
int ServiceInterface::robotServiceSetForceControlModeAdmittancePatam(
    const AdmittancePatam_t& param) {
    return m_robotMoveService->setForceControlModeAdmittancePatam(param);
}
int ServiceInterface::robotServiceGetForceControlModeExploreForceParam(double& forceLimit,
                                                                       double& distLimit) {
    return m_robotMoveService->getForceControlModeExploreForceParam(forceLimit, distLimit);
}
int ServiceInterface::robotServiceSetForceControlModeExploreForceParam(double forceLimit,
                                                                       double distLimit) {
    return m_robotMoveService->setForceControlModeExploreForceParam(forceLimit, distLimit);
}
int ServiceInterface::robotServicEnableForceControlModeService(bool enbaleFlag) {
    return m_robotMoveService->enableForceControlModeService(enbaleFlag);
}
int ServiceInterface::robotServiceGetRealtimeForceData(double* forceData) {
    return m_robotMoveService->getRealtimeForceDataService(forceData);
}
