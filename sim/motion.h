// Time-parameterised arm paths. A plan is a list of segments, each following
// one trapezoidal velocity profile of a path parameter s from 0 to 1:
//   - joint segment: all joints move together from q0 to q1 (synchronised, so
//     every joint starts and stops at the same time and none exceeds its
//     speed or acceleration limit);
//   - line segment: the flange moves along a straight line with its
//     orientation slerped, each point reached by inverse kinematics seeded
//     from the previous one.
// Plans are plain values, advanced by the motion thread under the state lock.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "sim/simkinematics.h"

namespace tevo_sim {

using Joints = std::array<double, 6>;

struct Trapezoid {
    double ta = 0, tc = 0, v = 0, a = 0, total = 0;
    // Profile for s in [0, 1] under a speed and acceleration limit of s.
    static Trapezoid make(double vmax, double amax);
    double at(double t) const;    // s(t)
    double rate(double t) const;  // ds/dt
};

class MotionPlan {
public:
    enum class Step { Running, Done, Failed };

    // Joint moves through `targets` in order.
    static MotionPlan joints(const Joints& start, const std::vector<Joints>& targets,
                             const double vmax[6], const double amax[6]);
    // Straight line from the pose of `start` to `target`. `targetJoints`, when
    // given, is where the arm ends (it must reach `target`).
    static MotionPlan line(const Dh& dh, const Joints& start, const Pose& target,
                           const Joints* targetJoints, double vLine, double aLine, double vAngle,
                           double aAngle);

    // Advances by `dt` seconds of arm time and writes the new joint angles.
    Step advance(double dt, Joints& q);
    // Number of segments completed so far.
    int segmentsDone() const { return static_cast<int>(index_); }
    size_t segmentCount() const { return segments_.size(); }
    double duration() const;

private:
    struct Segment {
        bool linear = false;
        Joints q0{}, q1{};
        Pose pose0{}, pose1{};
        bool hasQ1 = false;
        Trapezoid profile;
    };
    Dh dh_{};
    std::vector<Segment> segments_;
    size_t index_ = 0;
    double t_ = 0;
    Joints lastQ_{};
};

}  // namespace tevo_sim
