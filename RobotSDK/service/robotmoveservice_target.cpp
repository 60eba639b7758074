// Target-position and relative moves: the target is computed on the client
// from the arm's current joint angles (keeping the flange orientation) and
// sent as an ordinary joint or linear move.

#include <cmath>
#include <functional>

#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

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

}  // namespace

// ---- target-position and relative moves ------------------------------------------------

int RobotMoveService::robotMoveToTargetPositionByRelative(
    move_mode moveMode, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    const ToolInEndDesc& toolInEndDesc, const MoveRelative& relativeOnUser, bool IsBolck) {
    const double offset[3] = {relativeOnUser.relativePosition[0],
                              relativeOnUser.relativePosition[1],
                              relativeOnUser.relativePosition[2]};
    if (target_check::refuseNonFinite("Relative move", offset, 3) != ErrnoSucc)
        return ErrCode_ParamError;
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
    const double target[3] = {position.x, position.y, position.z};
    if (target_check::refuseNonFinite("Target-position move", target, 3) != ErrnoSucc)
        return ErrCode_ParamError;
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
