// Path planning and the simulator's own kinematics.
#include <gtest/gtest.h>

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

}  // namespace
