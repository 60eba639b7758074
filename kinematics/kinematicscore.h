#ifndef KINEMATICS_KINEMATICSCORE_H
#define KINEMATICS_KINEMATICSCORE_H

// Closed-form kinematics of a six-joint arm whose joints 2, 3 and 4 are parallel
// and whose wrist has a lateral offset.
//
// Conventions: metres and radians; a core joint angle is the negative of the
// public angle of the same joint; rotation matrices are 9 doubles row-major
// whose columns are the rotated frame's axes in base coordinates.
//
// Threads: any thread may call every function. The arm model is one set of
// process-wide values, written by setDhParaLen/modifyDhParaLen (at login or on
// an explicit request; writers are serialised by one internal mutex) and read
// without a lock through a sequence counter, so a reader always sees one whole
// model. FK and IK are otherwise pure and allocation-free.

#include "kinematics/kinematicstypes.h"

// Number of joints and the size of the inverse-kinematics solution table.
enum { KINEMATICS_DOF = 6, KINEMATICS_MAX_SOLUTIONS = 8 };

// Default lengths of one arm model, metres.
struct KinematicsModelDefaults {
    double A3, A4, D1, D2, D5, D6, D4;
};

// The defaults of every model, indexed by tevo_robot_type.
extern const KinematicsModelDefaults kKinematicsModelDefaults[tevo_robot_type_num];

int getRobotType();

// Stores the model type and its seven lengths (D4 last).
void setDhParaLen(tevo_robot_type robotType, double A3, double A4, double D1, double D2, double D5,
                  double D6, double D4);

// Copies the lengths out. With a D4 pointer it receives D4 and D2 is reported
// without the elbow part (D2 - D4); without one D2 is the stored total.
void getDhPara(double& A3, double& A4, double& D1, double& D2, double& D5, double& D6, double* D4);

// Adds single-precision corrections indexed by joint (element i is joint i+1).
void modifyDhParaLen(const float* a, const float* d);

// The angle whose sine and cosine are proportional to s and c, in [-pi, pi].
double antiSinCos(double s, double c);

// Flange position (3 doubles) and rotation (9 doubles) of six core angles.
// Writes nothing when either output pointer is null.
void ComputeFkLib(const double* jointAngles, double* position, double* rotation);

// Flange position alone of six core angles (joint 6 does not move it); used to
// verify inverse-kinematics solutions cheaply.
void computeFlangePosition(const double* jointAngles, double* position);

// Up to eight joint solutions for the flange pose, written column-wise into
// solutions[joint][k]; returns their number. The reference angles are used in
// singular wrist configurations. rotation and position are working storage
// (their first two rows / x and y are negated in place).
// Solutions are not checked against joint limits or the pose, and some are
// approximate: joint 5 within acos(0.99999994) (3.5e-4 rad) of 0 or pi is taken
// as exactly there; an elbow cosine up to 1.0001 is taken as a stretched elbow;
// and when no branch is within that, a second pass accepts elbow cosines up to
// 1.046 (a target out of reach gets a stretched arm millimetres off). Callers
// verify them (Ikfunc::ComputeIk_new keeps those within 0.1 mm).
int ComputeIkLib(const double* referenceAngles, double* rotation, double* position,
                 double (*solutions)[KINEMATICS_MAX_SOLUTIONS]);

#endif  // KINEMATICS_KINEMATICSCORE_H
