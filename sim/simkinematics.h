// The simulator's own arm geometry: forward kinematics of the six-axis arm
// from its DH lengths, and a damped least-squares inverse kinematics that
// follows a Cartesian path from a nearby joint configuration. Kept apart
// from the client library's process-wide kinematics state on purpose: the
// simulator shares a process with the library in tests and must not read or
// write that state from its own threads.
#pragma once

namespace tevo_sim {

struct Dh {
    double a3, a4, d1, d2, d5, d6;
};

struct Pose {
    double p[3];  // flange position, metres
    double q[4];  // flange orientation, unit quaternion w, x, y, z
};

// Joint angles are the public convention (radians).
Pose forwardKinematics(const Dh& dh, const double joints[6]);

// Joint angles near `seed` that reach `target`; false when the iteration
// does not converge to within 1e-6 m / 1e-5 rad.
bool inverseKinematicsNear(const Dh& dh, const Pose& target, const double seed[6], double out[6]);

// Interpolated pose: straight line between positions, slerp between
// orientations, s in [0, 1].
Pose interpolatePose(const Pose& a, const Pose& b, double s);

double positionDistance(const Pose& a, const Pose& b);
double orientationAngle(const Pose& a, const Pose& b);

// Rotation of `pose` about the unit base-frame axis by `angle`, position kept.
Pose rotateAboutBaseAxis(const Pose& pose, const double axis[3], double angle);

}  // namespace tevo_sim
