// Path planning and the simulator's own kinematics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "sim/motion.h"
#include "sim/simkinematics.h"

namespace {

using tevo_sim::Dh;
using tevo_sim::Joints;
using tevo_sim::MotionPlan;
using tevo_sim::Trapezoid;

const Dh kModel0{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094};

TEST(SimKinematics, ZeroPoseStandsStraightUp) {
    const double q[6] = {0, 0, 0, 0, 0, 0};
    const auto p = tevo_sim::forwardKinematics(kModel0, q);
    EXPECT_NEAR(p.p[0], 0, 1e-12);
    EXPECT_NEAR(p.p[1], -(0.1215 + 0.094), 1e-12);
    EXPECT_NEAR(p.p[2], 0.0985 + 0.408 + 0.376 + 0.1025, 1e-12);
    // Rotation rows (1,0,0), (0,0,-1), (0,1,0): +90 degrees about x.
    EXPECT_NEAR(p.q[0], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(p.q[1], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(p.q[2], 0, 1e-12);
    EXPECT_NEAR(p.q[3], 0, 1e-12);
}

TEST(SimKinematics, InverseFromANearbySeedReturnsToThePose) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> joint(-2.5, 2.5), nudge(-0.05, 0.05);
    int solved = 0;
    for (int n = 0; n < 200; ++n) {
        double q[6], seed[6], out[6];
        for (int i = 0; i < 6; ++i) q[i] = joint(rng), seed[i] = q[i] + nudge(rng);
        const auto target = tevo_sim::forwardKinematics(kModel0, q);
        if (!tevo_sim::inverseKinematicsNear(kModel0, target, seed, out))
            continue;  // singular poses
        ++solved;
        const auto back = tevo_sim::forwardKinematics(kModel0, out);
        EXPECT_LT(tevo_sim::positionDistance(back, target), 1e-5);
        EXPECT_LT(tevo_sim::orientationAngle(back, target), 1e-4);
    }
    EXPECT_GT(solved, 180);
}

TEST(SimMotion, TrapezoidRespectsLimitsAndEndsAtOne) {
    struct Case {
        double v, a;
        bool reachesTopSpeed;
    };
    const Case cases[] = {{0.5, 4.0, true}, {10.0, 1.0, false}, {2.0, 1.0, false}};
    for (const Case& c : cases) {
        const auto p = Trapezoid::make(c.v, c.a);
        ASSERT_GT(p.total, 0);
        double prev = 0, peak = 0;
        for (double t = 0; t <= p.total; t += p.total / 1000) {
            const double s = p.at(t);
            EXPECT_GE(s + 1e-12, prev);
            EXPECT_LE(p.rate(t), c.v + 1e-9);
            peak = std::max(peak, p.rate(t));
            prev = s;
        }
        EXPECT_DOUBLE_EQ(p.at(p.total), 1.0);
        EXPECT_EQ(std::fabs(peak - c.v) < 1e-3, c.reachesTopSpeed) << c.v << " " << c.a;
    }
    EXPECT_EQ(Trapezoid::make(0, 1).total, 0);  // no limit given: no duration
}

TEST(SimMotion, JointSegmentsAreSynchronisedAndLimited) {
    const Joints start{0, 0, 0, 0, 0, 0};
    const Joints goal{1.0, -0.5, 0.25, 0, 0, 0.1};
    const double v[6] = {1, 1, 1, 1, 1, 1}, a[6] = {2, 2, 2, 2, 2, 2};
    MotionPlan plan = MotionPlan::joints(start, {goal}, v, a);
    Joints q = start;
    const double dt = 0.001;
    double t = 0;
    MotionPlan::Step st;
    while ((st = plan.advance(dt, q)) == MotionPlan::Step::Running) {
        // Every joint is the same fraction of the way.
        EXPECT_NEAR(q[1] / goal[1], q[0] / goal[0], 1e-9);
        t += dt;
        ASSERT_LT(t, 10.0);
    }
    EXPECT_EQ(st, MotionPlan::Step::Done);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(q[i], goal[i]);
    EXPECT_NEAR(t, plan.duration(), 2 * dt);
    // Joint 1 travels 1 rad at <= 1 rad/s with 2 rad/s^2: at least 1.5 s.
    EXPECT_GE(plan.duration(), 1.5 - 1e-9);
}

TEST(SimMotion, MultiSegmentPlanCountsSegments) {
    const Joints a{0, 0, 0, 0, 0, 0}, b{0.1, 0, 0, 0, 0, 0}, c{0.1, 0.1, 0, 0, 0, 0};
    const double v[6] = {1, 1, 1, 1, 1, 1}, acc[6] = {2, 2, 2, 2, 2, 2};
    MotionPlan plan = MotionPlan::joints(a, {b, c}, v, acc);
    Joints q = a;
    int seen = 0;
    while (plan.advance(0.01, q) == MotionPlan::Step::Running)
        seen = std::max(seen, plan.segmentsDone());
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(plan.segmentsDone(), 2);
    EXPECT_DOUBLE_EQ(q[1], 0.1);
}

// Largest joint speed and acceleration met while stepping `plan` by dt until
// it leaves the Running state (the step's speed before the first is not
// known, so acceleration counts from the second); the final step is `last`.
struct PlanRun {
    double peakSpeed = 0, peakAcc = 0, time = 0;
    MotionPlan::Step last = MotionPlan::Step::Running;
};

PlanRun runPlan(MotionPlan& plan, Joints& q, double dt, double limit = 20.0) {
    PlanRun r;
    Joints prev = q;
    double vPrev[6] = {0, 0, 0, 0, 0, 0};
    while ((r.last = plan.advance(dt, q)) == MotionPlan::Step::Running && r.time < limit) {
        r.time += dt;
        for (int i = 0; i < 6; ++i) {
            const double v = (q[i] - prev[i]) / dt;
            r.peakSpeed = std::max(r.peakSpeed, std::fabs(v));
            if (r.time > dt) r.peakAcc = std::max(r.peakAcc, std::fabs(v - vPrev[i]) / dt);
            vPrev[i] = v;
        }
        prev = q;
    }
    return r;
}

TEST(SimMotion, BlendedPathPassesInnerWaypointsWithoutStopping) {
    const Joints start{0, 0, 0, 0, 0, 0};
    const std::vector<Joints> pts{
        {0.4, 0, 0, 0, 0, 0}, {0.4, 0.4, 0, 0, 0, 0}, {0.8, 0.4, 0.2, 0, 0, 0}};
    const double v[6] = {1, 1, 1, 1, 1, 1}, a[6] = {4, 4, 4, 4, 4, 4};
    MotionPlan blended = MotionPlan::blended(start, pts, v, a);
    const double length = 0.4 + 0.4 + std::sqrt(0.4 * 0.4 + 0.2 * 0.2);
    Joints q = start;
    int passed = 0;
    double t = 0;
    const double dt = 0.0005;
    MotionPlan::Step st;
    while ((st = blended.advance(dt, q)) == MotionPlan::Step::Running) {
        t += dt;
        ASSERT_LT(t, 10.0);
        ASSERT_GE(blended.waypointsPassed(), passed);
        if (blended.waypointsPassed() > passed && blended.waypointsPassed() < 3) {
            // Passing an inner waypoint at the cruising path speed of 1 rad/s, not at rest.
            EXPECT_NEAR(blended.rate() * length, 1.0, 1e-9);
        }
        passed = blended.waypointsPassed();
    }
    EXPECT_EQ(st, MotionPlan::Step::Done);
    EXPECT_EQ(blended.waypointsPassed(), 3);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(q[i], pts.back()[i]);
    // One profile over the whole path beats coming to rest at each point.
    const MotionPlan stopping = MotionPlan::joints(start, pts, v, a);
    EXPECT_LT(blended.duration(), stopping.duration() - 0.3);

    // No joint beyond its speed limit on any piece.
    MotionPlan again = MotionPlan::blended(start, pts, v, a);
    Joints q2 = start;
    EXPECT_LE(runPlan(again, q2, 0.001).peakSpeed, 1.0 + 1e-6);
}

TEST(SimMotion, RampComesToRestOnThePathWithinItsDeceleration) {
    // Joint 1 cruises at 2 rad/s (joint 2 at 1 rad/s) when the ramp starts.
    const Joints start{0, 0, 0, 0, 0, 0}, goal{2.5, 1.25, 0, 0, 0, 0};
    const double v[6] = {2, 2, 2, 2, 2, 2}, a[6] = {4, 4, 4, 4, 4, 4};
    struct Case {
        tevo_sim::Decel decel;
        double expectDecel;  // rad/s^2 of joint 1
    };
    const Case cases[] = {
        {{6, 2, 6, 0.6}, 6},         // bounded by its joint deceleration
        {{20, 6, 20, 0.2}, 20},      // harder
        {{1, 1, 1, 0.6}, 4},         // never gentler than the move's own braking
        {{0.5, 0.5, 0.5, 0.25}, 8},  // and never longer than maxTime
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectDecel);
        MotionPlan plan = MotionPlan::joints(start, {goal}, v, a);
        Joints q = start;
        const double dt = 0.0005;
        for (double t = 0; t < 0.75; t += dt)
            ASSERT_EQ(plan.advance(dt, q), MotionPlan::Step::Running);
        const double from = q[0];
        plan.decelerate(c.decel);
        EXPECT_TRUE(plan.decelerating());
        const PlanRun ramp = runPlan(plan, q, dt);
        EXPECT_EQ(ramp.last, MotionPlan::Step::Rest);
        EXPECT_TRUE(plan.atRest());
        EXPECT_NEAR(ramp.time, 2.0 / c.expectDecel, 2 * dt);
        EXPECT_NEAR(q[0] - from, 2.0 * 2.0 / (2 * c.expectDecel), 1e-3);
        EXPECT_LE(ramp.peakAcc, c.expectDecel * 1.01);
        EXPECT_NEAR(q[1], q[0] / 2, 1e-9);                        // still on the path
        EXPECT_EQ(plan.advance(0.1, q), MotionPlan::Step::Rest);  // holds there

        // Resumed, it accelerates again within the move's limits and ends at the goal.
        plan.resume();
        const PlanRun rest = runPlan(plan, q, dt);
        EXPECT_EQ(rest.last, MotionPlan::Step::Done);
        EXPECT_LE(rest.peakSpeed, 2.0 + 1e-6);
        EXPECT_LE(rest.peakAcc, 4.0 * 1.01);
        for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(q[i], goal[i]);
    }
}

}  // namespace
