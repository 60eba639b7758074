#ifndef KINEMATICS_WAYPOINTCONVERT_H
#define KINEMATICS_WAYPOINTCONVERT_H

// Copies between the public waypoint and the kinematics core's twin. Both
// headers can be included together: the core types are global, the public
// ones live in tevo_robot_namespace.

#include "TevoRobotMetaType.h"
#include "kinematics/kinematicstypes.h"

// Zero the destination, then copy position, orientation and the six angles.
void TevoWayPointToikFunRoadPint(const tevo_robot_namespace::wayPoint_S& tevoWayPoint,
                                 wayPoint_S& ikWayPoint);
void ikFunRoadPintToTevoWayPoint(const wayPoint_S& ikWayPoint,
                                 tevo_robot_namespace::wayPoint_S& tevoWayPoint);

#endif  // KINEMATICS_WAYPOINTCONVERT_H
