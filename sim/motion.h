// Time-parameterised arm paths. A plan is a list of segments, each following
// one trapezoidal velocity profile of a path parameter s from 0 to 1:
//   - joint segment: all joints move together from q0 to q1 (synchronised, so
//     every joint starts and stops at the same time and none exceeds its
//     speed or acceleration limit);
//   - line segment: the flange moves along a straight line with its
//     orientation slerped, each point reached by inverse kinematics seeded
//     from the previous one;
//   - polyline segment: a joint-space polyline through several waypoints,
//     parameterised by its length and run with one profile, so the arm
//     passes the inner waypoints without coming to rest (the path speed is
//     continuous; the direction of the joint velocity turns at a waypoint).
// A running plan can be brought to rest along its path with a bounded
// deceleration (stop, pause) and, once at rest, resumed: the rest of the
// current segment gets a fresh profile that accelerates again.
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

// Deceleration bounds of a ramp to rest: joints (rad/s^2), flange line
// (m/s^2) and orientation (rad/s^2). A ramp never lasts longer than
// maxTime seconds (it decelerates harder when the arm is fast).
struct Decel {
    double joint = 0, line = 0, angle = 0, maxTime = 1.0;
};

class MotionPlan {
public:
    // Rest: a ramp brought the arm to rest short of the plan's end.
    enum class Step { Running, Done, Failed, Rest };

    // Joint moves through `targets` in order, at rest at each one.
    static MotionPlan joints(const Joints& start, const std::vector<Joints>& targets,
                             const double vmax[6], const double amax[6]);
    // One continuous joint-space path through `waypoints` (see above). The
    // path speed is limited so that no joint exceeds its speed or
    // acceleration limit on any piece of the polyline.
    static MotionPlan blended(const Joints& start, const std::vector<Joints>& waypoints,
                              const double vmax[6], const double amax[6]);
    // Straight line from the pose of `start` to `target`. `targetJoints`, when
    // given, is where the arm ends (it must reach `target`).
    static MotionPlan line(const Dh& dh, const Joints& start, const Pose& target,
                           const Joints* targetJoints, double vLine, double aLine, double vAngle,
                           double aAngle);

    // Advances by `dt` seconds of arm time and writes the new joint angles.
    Step advance(double dt, Joints& q);
    // Starts (or hardens) a ramp to rest along the path. A ramp already
    // under way keeps the harder of the two decelerations.
    void decelerate(const Decel& d);
    bool decelerating() const { return phase_ != Phase::Profile; }
    bool atRest() const { return phase_ == Phase::Rest; }
    // From rest: runs the rest of the path, accelerating again.
    void resume();

    // Number of segments completed so far.
    int segmentsDone() const { return static_cast<int>(index_); }
    // Waypoints reached so far (one per joint or line segment, each inner
    // and the last point of a polyline).
    int waypointsPassed() const { return passedBase_ + passedPartial_; }
    size_t segmentCount() const { return segments_.size(); }
    double duration() const;
    // Path rate ds/dt of the current segment (0 at rest).
    double rate() const { return rate_; }

private:
    enum class Kind { Joint, Line, Polyline };
    enum class Phase { Profile, Ramp, Rest };
    struct Segment {
        Kind kind = Kind::Joint;
        Joints q0{}, q1{};
        Pose pose0{}, pose1{};
        bool hasQ1 = false;
        std::vector<Joints> pts;  // polyline: start, then the waypoints
        std::vector<double> cum;  // polyline: path length up to pts[k]
        double vs = 0, as = 0;    // speed and acceleration limits of s
        // Scale of s for the ramp's bounds: joint radians (largest joint),
        // metres and radians of the flange per unit of s.
        double jointSpan = 0, lineSpan = 0, angleSpan = 0;
        Trapezoid profile;
        double sBase = 0, sSpan = 1;  // s = sBase + sSpan * profile.at(t)
    };
    bool place(const Segment& seg, double s, bool end, Joints& q);
    void finishSegment();

    Dh dh_{};
    std::vector<Segment> segments_;
    size_t index_ = 0;
    double t_ = 0;
    double s_ = 0, rate_ = 0;  // position and rate of the current segment
    Phase phase_ = Phase::Profile;
    double rampDecel_ = 0;  // d(rate)/dt of the ramp, in s per s^2
    int passedBase_ = 0, passedPartial_ = 0;
    Joints lastQ_{};
};

}  // namespace tevo_sim
