// Neutral default values of the public value types.
#include "metatypedefaults.h"

namespace tevo_robot_namespace {
namespace metatype_defaults {

Pos zeroPos() { return Pos{0.0, 0.0, 0.0}; }

Ori identityOri() { return Ori{1.0, 0.0, 0.0, 0.0}; }

MoveRelative neutralMoveRelative() {
    MoveRelative relative{};
    relative.ena = false;
    relative.relativeOri = identityOri();
    return relative;
}

ToolInEndDesc neutralToolInEndDesc() { return ToolInEndDesc{zeroPos(), identityOri()}; }

CoordCalibrateByJointAngleAndTool neutralCoordCalibrate() {
    CoordCalibrateByJointAngleAndTool coord{};
    coord.coordType = BaseCoordinate;
    coord.methods = Origin_AnyPointOnPositiveXAxis_AnyPointOnPositiveYAxis;
    coord.toolDesc = neutralToolInEndDesc();
    return coord;
}

ToolInertia zeroToolInertia() { return ToolInertia{}; }

ToolDynamicsParam zeroToolDynamicsParam() {
    ToolDynamicsParam param{};
    param.toolInertia = zeroToolInertia();
    return param;
}

wayPoint_S zeroJointWayPoint() {
    wayPoint_S point{};
    point.cartPos.position = zeroPos();
    point.orientation = identityOri();
    return point;
}

}  // namespace metatype_defaults
}  // namespace tevo_robot_namespace
