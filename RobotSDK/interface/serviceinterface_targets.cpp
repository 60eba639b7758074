// The facade's target-position and relative moves: forwards to the motion
// service.
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
