#ifndef TESTS_KINEMATICS_KINEMATICSTESTHELPERS_H
#define TESTS_KINEMATICS_KINEMATICSTESTHELPERS_H

// Small geometry helpers shared by the kinematics tests.

#include <cmath>
#include <cstddef>
#include <random>

#include "kinematics/kinematicscore.h"

namespace kintest {

constexpr double kPi = 3.14159265358979323846;

inline double wrap(double t) { return std::remainder(t, 2.0 * kPi); }

inline void loadModel(int type) {
    const KinematicsModelDefaults& m = kKinematicsModelDefaults[type];
    setDhParaLen(static_cast<tevo_robot_type>(type), m.A3, m.A4, m.D1, m.D2, m.D5, m.D6, m.D4);
}

// Random core angles in (-pi, pi) with |sin q5| > 0.1 (wrist away from singular).
inline void randomRegularAngles(std::mt19937_64& rng, double* q) {
    std::uniform_real_distribution<double> angle(-kPi + 1e-6, kPi - 1e-6);
    for (int j = 0; j < 6; ++j) {
        q[j] = angle(rng);
    }
    while (std::fabs(std::sin(q[4])) <= 0.1) {
        q[4] = angle(rng);
    }
}

// Row-major 3x3 rotation products and elementary rotations.
inline void matMul(const double* a, const double* b, double* out) {
    double t[9];
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            t[3 * i + j] = a[3 * i] * b[j] + a[3 * i + 1] * b[3 + j] + a[3 * i + 2] * b[6 + j];
        }
    }
    for (int i = 0; i < 9; ++i) {
        out[i] = t[i];
    }
}

inline void rotAxis(int axis, double angle, double* r) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double x[9] = {1, 0, 0, 0, c, -s, 0, s, c};
    const double y[9] = {c, 0, s, 0, 1, 0, -s, 0, c};
    const double z[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    const double* src = axis == 0 ? x : (axis == 1 ? y : z);
    for (int i = 0; i < 9; ++i) {
        r[i] = src[i];
    }
}

inline void randomRotation(std::mt19937_64& rng, double* r) {
    std::uniform_real_distribution<double> angle(-kPi, kPi);
    double a[9], b[9], c[9];
    rotAxis(2, angle(rng), a);
    rotAxis(1, angle(rng), b);
    rotAxis(0, angle(rng), c);
    matMul(a, b, r);
    matMul(r, c, r);
}

}  // namespace kintest

#endif  // TESTS_KINEMATICS_KINEMATICSTESTHELPERS_H
