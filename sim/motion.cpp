#include "sim/motion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tevo_sim {

Trapezoid Trapezoid::make(double vmax, double amax) {
    Trapezoid p;
    if (!(vmax > 0) || !(amax > 0) || !std::isfinite(vmax) || !std::isfinite(amax)) return p;
    p.a = amax;
    if (vmax * vmax / amax >= 1.0) {  // never reaches vmax: triangle
        p.ta = std::sqrt(1.0 / amax);
        p.tc = 0;
        p.v = amax * p.ta;
    } else {
        p.ta = vmax / amax;
        p.v = vmax;
        p.tc = (1.0 - vmax * p.ta) / vmax;
    }
    p.total = 2 * p.ta + p.tc;
    return p;
}

double Trapezoid::at(double t) const {
    if (total <= 0 || t >= total) return 1.0;
    if (t <= 0) return 0.0;
    if (t < ta) return 0.5 * a * t * t;
    if (t < ta + tc) return 0.5 * a * ta * ta + v * (t - ta);
    const double r = total - t;
    return 1.0 - 0.5 * a * r * r;
}

double Trapezoid::rate(double t) const {
    if (total <= 0 || t <= 0 || t >= total) return 0.0;
    if (t < ta) return a * t;
    if (t < ta + tc) return v;
    return a * (total - t);
}

MotionPlan MotionPlan::joints(const Joints& start, const std::vector<Joints>& targets,
                              const double vmax[6], const double amax[6]) {
    MotionPlan plan;
    Joints from = start;
    for (const Joints& to : targets) {
        Segment seg;
        seg.q0 = from;
        seg.q1 = to;
        seg.hasQ1 = true;
        double vs = std::numeric_limits<double>::infinity();
        double as = std::numeric_limits<double>::infinity();
        for (int i = 0; i < 6; ++i) {
            const double d = std::fabs(to[i] - from[i]);
            if (d < 1e-12) continue;
            vs = std::min(vs, vmax[i] / d);
            as = std::min(as, amax[i] / d);
        }
        if (std::isfinite(vs)) seg.profile = Trapezoid::make(vs, as);
        plan.segments_.push_back(seg);
        from = to;
    }
    plan.lastQ_ = start;
    return plan;
}

MotionPlan MotionPlan::line(const Dh& dh, const Joints& start, const Pose& target,
                            const Joints* targetJoints, double vLine, double aLine, double vAngle,
                            double aAngle) {
    MotionPlan plan;
    plan.dh_ = dh;
    Segment seg;
    seg.linear = true;
    seg.q0 = start;
    seg.pose0 = forwardKinematics(dh, start.data());
    seg.pose1 = target;
    if (targetJoints) {
        seg.q1 = *targetJoints;
        seg.hasQ1 = true;
    }
    const double dist = positionDistance(seg.pose0, seg.pose1);
    const double ang = orientationAngle(seg.pose0, seg.pose1);
    double vs = std::numeric_limits<double>::infinity();
    double as = std::numeric_limits<double>::infinity();
    if (dist > 1e-9) {
        vs = std::min(vs, vLine / dist);
        as = std::min(as, aLine / dist);
    }
    if (ang > 1e-9) {
        vs = std::min(vs, vAngle / ang);
        as = std::min(as, aAngle / ang);
    }
    if (std::isfinite(vs)) seg.profile = Trapezoid::make(vs, as);
    plan.segments_.push_back(seg);
    plan.lastQ_ = start;
    return plan;
}

double MotionPlan::duration() const {
    double d = 0;
    for (const Segment& s : segments_) d += s.profile.total;
    return d;
}

MotionPlan::Step MotionPlan::advance(double dt, Joints& q) {
    while (index_ < segments_.size()) {
        const Segment& seg = segments_[index_];
        t_ += dt;
        dt = 0;
        const bool segDone = t_ >= seg.profile.total;
        const double s = seg.profile.at(t_);
        if (!seg.linear) {
            for (int i = 0; i < 6; ++i) q[i] = seg.q0[i] + (seg.q1[i] - seg.q0[i]) * s;
        } else if (segDone && seg.hasQ1) {
            q = seg.q1;
        } else {
            const Pose p = interpolatePose(seg.pose0, seg.pose1, s);
            Joints next{};
            if (!inverseKinematicsNear(dh_, p, lastQ_.data(), next.data())) return Step::Failed;
            q = next;
        }
        lastQ_ = q;
        if (!segDone) return Step::Running;
        dt = t_ - seg.profile.total;  // carry the remainder into the next segment
        t_ = 0;
        ++index_;
        if (dt <= 0 && index_ < segments_.size()) return Step::Running;
    }
    return Step::Done;
}

}  // namespace tevo_sim
