#ifndef KINEMATICS_ARMURDF_H
#define KINEMATICS_ARMURDF_H

// URDF descriptions of the arm models, generated from the lengths the
// closed-form kinematics use (kKinematicsModelDefaults), so that robot software
// reading URDF (ROS, MoveIt, KDL) sees the same arm as this library. The joint
// angles of the description are the public joint angles.

#include <string>

#include "kinematics/kinematicstypes.h"

// Names of the first and last link of every description.
extern const char* const kArmUrdfBaseLink;
extern const char* const kArmUrdfFlangeLink;

// The URDF document of one model; empty for a model outside 0..9.
std::string armUrdf(tevo_robot_type model);

#endif  // KINEMATICS_ARMURDF_H
