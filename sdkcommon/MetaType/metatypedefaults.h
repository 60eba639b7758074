#ifndef TEVO_METATYPE_DEFAULTS_H
#define TEVO_METATYPE_DEFAULTS_H

// Neutral default values of the public value types, the data behind the
// facade's init...DataType operations. Library-internal; every function
// returns a fresh value and touches no shared state.

#include "TevoRobotMetaType.h"

namespace tevo_robot_namespace {
namespace metatype_defaults {

// All coordinates 0.
Pos zeroPos();
// Identity rotation: w = 1, x = y = z = 0.
Ori identityOri();
// Disabled, zero translation, identity rotation.
MoveRelative neutralMoveRelative();
// Tool at the flange: position 0, identity orientation.
ToolInEndDesc neutralToolInEndDesc();
// Every field 0 (BaseCoordinate, method 0, zero joint sets), the tool as
// neutralToolInEndDesc.
CoordCalibrateByJointAngleAndTool neutralCoordCalibrate();
// All components 0.
ToolInertia zeroToolInertia();
// All fields 0, inertia included.
ToolDynamicsParam zeroToolDynamicsParam();
// All joint angles 0, position 0, identity orientation. The public default
// waypoint carries the forward kinematics of the zero pose of the current arm
// model instead; the caller fills cartPos and orientation from that.
wayPoint_S zeroJointWayPoint();

}  // namespace metatype_defaults
}  // namespace tevo_robot_namespace

#endif  // TEVO_METATYPE_DEFAULTS_H
