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

namespace {

// Largest path-parameter rate and acceleration that keep every joint within
// its limits when the joints move by `delta` per unit of the parameter.
void jointRateLimits(const Joints& delta, const double vmax[6], const double amax[6], double& vs,
                     double& as) {
    vs = std::numeric_limits<double>::infinity();
    as = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 6; ++i) {
        const double d = std::fabs(delta[i]);
        if (d < 1e-12) continue;
        vs = std::min(vs, vmax[i] / d);
        as = std::min(as, amax[i] / d);
    }
}

double largestJoint(const Joints& delta) {
    double m = 0;
    for (double d : delta) m = std::max(m, std::fabs(d));
    return m;
}

Joints difference(const Joints& to, const Joints& from) {
    Joints d{};
    for (int i = 0; i < 6; ++i) d[i] = to[i] - from[i];
    return d;
}

}  // namespace

MotionPlan MotionPlan::joints(const Joints& start, const std::vector<Joints>& targets,
                              const double vmax[6], const double amax[6]) {
    MotionPlan plan;
    Joints from = start;
    for (const Joints& to : targets) {
        Segment seg;
        seg.kind = Kind::Joint;
        seg.q0 = from;
        seg.q1 = to;
        seg.hasQ1 = true;
        const Joints delta = difference(to, from);
        double vs, as;
        jointRateLimits(delta, vmax, amax, vs, as);
        if (std::isfinite(vs)) {
            seg.vs = vs;
            seg.as = as;
            seg.profile = Trapezoid::make(vs, as);
        }
        seg.jointSpan = largestJoint(delta);
        plan.segments_.push_back(seg);
        from = to;
    }
    plan.lastQ_ = start;
    return plan;
}

MotionPlan MotionPlan::blended(const Joints& start, const std::vector<Joints>& waypoints,
                               const double vmax[6], const double amax[6]) {
    MotionPlan plan;
    Segment seg;
    seg.kind = Kind::Polyline;
    seg.pts.push_back(start);
    seg.cum.push_back(0.0);
    double vPath = std::numeric_limits<double>::infinity();
    double aPath = std::numeric_limits<double>::infinity();
    double widest = 0;  // largest joint share of a unit of path length
    for (const Joints& w : waypoints) {
        const Joints delta = difference(w, seg.pts.back());
        double len = 0;
        for (double d : delta) len += d * d;
        len = std::sqrt(len);
        if (len > 1e-12) {
            Joints unit{};
            for (int i = 0; i < 6; ++i) unit[i] = delta[i] / len;
            double vs, as;
            jointRateLimits(unit, vmax, amax, vs, as);
            vPath = std::min(vPath, vs);
            aPath = std::min(aPath, as);
            widest = std::max(widest, largestJoint(unit));
        }
        seg.pts.push_back(w);
        seg.cum.push_back(seg.cum.back() + len);
    }
    const double total = seg.cum.back();
    if (total > 1e-12 && std::isfinite(vPath)) {
        seg.vs = vPath / total;
        seg.as = aPath / total;
        seg.profile = Trapezoid::make(seg.vs, seg.as);
    }
    seg.jointSpan = total * widest;
    plan.segments_.push_back(seg);
    plan.lastQ_ = start;
    return plan;
}

MotionPlan MotionPlan::line(const Dh& dh, const Joints& start, const Pose& target,
                            const Joints* targetJoints, double vLine, double aLine, double vAngle,
                            double aAngle) {
    MotionPlan plan;
    plan.dh_ = dh;
    Segment seg;
    seg.kind = Kind::Line;
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
    if (std::isfinite(vs)) {
        seg.vs = vs;
        seg.as = as;
        seg.profile = Trapezoid::make(vs, as);
    }
    seg.lineSpan = dist;
    seg.angleSpan = ang;
    plan.segments_.push_back(seg);
    plan.lastQ_ = start;
    return plan;
}

double MotionPlan::duration() const {
    double d = 0;
    for (const Segment& s : segments_) d += s.profile.total;
    return d;
}

bool MotionPlan::place(const Segment& seg, double s, bool end, Joints& q) {
    switch (seg.kind) {
        case Kind::Joint:
            if (end) {
                q = seg.q1;
            } else {
                for (int i = 0; i < 6; ++i) q[i] = seg.q0[i] + (seg.q1[i] - seg.q0[i]) * s;
            }
            break;
        case Kind::Polyline: {
            const size_t n = seg.pts.size() - 1;  // waypoints
            if (end) {
                q = seg.pts.back();
                passedPartial_ = static_cast<int>(n);
                break;
            }
            const double d = s * seg.cum.back();
            size_t k = 0;  // piece from pts[k] to pts[k + 1]
            while (k + 1 < n && seg.cum[k + 1] <= d) ++k;
            const double len = seg.cum[k + 1] - seg.cum[k];
            const double f = len > 0 ? std::min(1.0, std::max(0.0, (d - seg.cum[k]) / len)) : 1.0;
            for (int i = 0; i < 6; ++i)
                q[i] = seg.pts[k][i] + (seg.pts[k + 1][i] - seg.pts[k][i]) * f;
            int passed = 0;
            for (size_t j = 1; j <= n; ++j)
                if (seg.cum[j] <= d + 1e-12) passed = static_cast<int>(j);
            passedPartial_ = passed;
            break;
        }
        case Kind::Line:
            if (end && seg.hasQ1) {
                q = seg.q1;
            } else {
                const Pose p = interpolatePose(seg.pose0, seg.pose1, s);
                Joints next{};
                if (!inverseKinematicsNear(dh_, p, lastQ_.data(), next.data())) return false;
                q = next;
            }
            break;
    }
    lastQ_ = q;
    return true;
}

void MotionPlan::finishSegment() {
    const Segment& seg = segments_[index_];
    passedBase_ += seg.kind == Kind::Polyline ? static_cast<int>(seg.pts.size() - 1) : 1;
    passedPartial_ = 0;
    t_ = 0;
    s_ = 0;
    rate_ = 0;
    ++index_;
}

MotionPlan::Step MotionPlan::advance(double dt, Joints& q) {
    while (index_ < segments_.size()) {
        const Segment& seg = segments_[index_];
        if (phase_ == Phase::Rest) return Step::Rest;
        if (phase_ == Phase::Ramp) {
            // Constant deceleration along the path until the rate reaches 0.
            const double tr = std::min(dt, rate_ / rampDecel_);
            s_ += rate_ * tr - 0.5 * rampDecel_ * tr * tr;
            rate_ -= rampDecel_ * tr;
            if (tr < dt || rate_ <= 1e-12 || s_ >= 1.0) {
                rate_ = 0;
                phase_ = Phase::Rest;
            }
            s_ = std::min(s_, 1.0);
            if (!place(seg, s_, s_ >= 1.0, q)) return Step::Failed;
            return phase_ == Phase::Rest ? Step::Rest : Step::Running;
        }
        t_ += dt;
        dt = 0;
        const bool segDone = t_ >= seg.profile.total;
        s_ = segDone ? 1.0 : seg.sBase + seg.sSpan * seg.profile.at(t_);
        rate_ = seg.sSpan * seg.profile.rate(t_);
        if (!place(seg, s_, segDone, q)) return Step::Failed;
        if (!segDone) return Step::Running;
        dt = t_ - seg.profile.total;  // carry the remainder into the next segment
        finishSegment();
        if (dt <= 0 && index_ < segments_.size()) return Step::Running;
    }
    return Step::Done;
}

void MotionPlan::decelerate(const Decel& d) {
    if (index_ >= segments_.size() || phase_ == Phase::Rest) return;
    const Segment& seg = segments_[index_];
    double a = std::numeric_limits<double>::infinity();
    if (seg.jointSpan > 1e-12 && d.joint > 0) a = std::min(a, d.joint / seg.jointSpan);
    if (seg.lineSpan > 1e-12 && d.line > 0) a = std::min(a, d.line / seg.lineSpan);
    if (seg.angleSpan > 1e-12 && d.angle > 0) a = std::min(a, d.angle / seg.angleSpan);
    // Never gentler than the profile's own braking, so the arm comes to rest
    // on the path and not beyond its end, and never longer than maxTime.
    a = std::max(a, seg.sSpan * seg.profile.a);
    if (d.maxTime > 0) a = std::max(a, rate_ / d.maxTime);
    if (phase_ == Phase::Ramp) a = std::max(a, rampDecel_);
    if (!(rate_ > 0) || !std::isfinite(a) || !(a > 0)) {
        rate_ = 0;
        phase_ = Phase::Rest;
        return;
    }
    rampDecel_ = a;
    phase_ = Phase::Ramp;
}

void MotionPlan::resume() {
    if (phase_ != Phase::Rest || index_ >= segments_.size()) return;
    Segment& seg = segments_[index_];
    phase_ = Phase::Profile;
    t_ = 0;
    rate_ = 0;
    const double left = 1.0 - s_;
    seg.sBase = s_;
    seg.sSpan = left;
    seg.profile = left > 1e-12 ? Trapezoid::make(seg.vs / left, seg.as / left) : Trapezoid{};
}

}  // namespace tevo_sim
