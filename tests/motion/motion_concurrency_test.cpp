// Two objects move two simulated arms from two threads while a third thread
// keeps changing the process-wide move profile. Every move must end as the
// arm arrives, and every body sent must hold one consistent profile.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "sim/controllersim.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;

namespace {

using Joints = std::array<double, 6>;

const Joints kTargets[] = {
    {0.3, -0.2, 1.6, 0.4, 1.5, 0.2},
    {-0.2, -0.3, 1.7, 0.3, 1.6, -0.1},
    {0.1, -0.25, 1.65, 0.5, 1.55, 0.1},
};

struct Arm {
    tevo_sim::ControllerSim sim;
    ServiceInterface facade;

    static tevo_sim::SimOptions options() {
        tevo_sim::SimOptions o;
        o.timeScale = 50.0;
        return o;
    }
    Arm() : sim(options()) {}
};

TEST(MotionConcurrency, TwoArmsMoveWhileTheGlobalProfileChanges) {
    std::vector<std::unique_ptr<Arm>> arms;
    for (int i = 0; i < 2; ++i) {
        arms.push_back(std::make_unique<Arm>());
        Arm& arm = *arms.back();
        ASSERT_TRUE(arm.sim.start());
        ASSERT_EQ(arm.facade.robotServiceLogin("127.0.0.1", arm.sim.port(), "tevo", "tevo"),
                  ErrnoSucc);
        ToolDynamicsParam tool{};
        ROBOT_SERVICE_STATE state;
        ASSERT_EQ(arm.facade.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true),
                  ErrnoSucc);
    }

    std::atomic<bool> stop{false};
    std::atomic<int> profileChanges{0};
    std::thread tuner([&] {
        ServiceInterface& f = arms[0]->facade;
        int n = 0;
        while (!stop.load()) {
            const double v = 0.6 + 0.1 * (n % 5);
            JointVelcAccParam velc = {{v, v, v, v, v, v}};
            EXPECT_EQ(f.robotServiceSetGlobalMoveJointMaxVelc(velc), ErrnoSucc);
            EXPECT_EQ(f.robotServiceSetGlobalBlendRadius(0.01f + 0.001f * (n % 10)), ErrnoSucc);
            f.robotServiceSetGlobalCircularLoopTimes(n);
            f.robotServiceClearGlobalWayPointVector();
            Joints q = kTargets[n % 3];
            f.robotServiceAddGlobalWayPoint(q.data());
            std::vector<wayPoint_S> list;
            f.robotServiceGetGlobalWayPointVector(list);
            EXPECT_LE(list.size(), 1u);
            ++n;
            profileChanges.store(n);
            std::this_thread::yield();
        }
    });

    constexpr int kMoves = 6;
    std::vector<std::thread> movers;
    std::array<std::atomic<int>, 2> ok{};
    movers.reserve(2);
    for (int i = 0; i < 2; ++i) {
        movers.emplace_back([&, i] {
            Arm& arm = *arms[i];
            for (int k = 0; k < kMoves; ++k) {
                Joints q = kTargets[(k + i) % 3];
                const int ret = arm.facade.robotServiceJointMove(q.data(), true);
                EXPECT_EQ(ret, ErrnoSucc);
                const auto snap = arm.sim.snapshot();
                EXPECT_FALSE(snap.moving);
                EXPECT_NEAR(snap.joints[0], q[0], 1e-6);
                if (ret == ErrnoSucc) ++ok[i];
            }
        });
    }
    for (auto& t : movers) t.join();
    stop.store(true);
    tuner.join();

    EXPECT_EQ(ok[0].load(), kMoves);
    EXPECT_EQ(ok[1].load(), kMoves);
    EXPECT_GT(profileChanges.load(), 0);
    for (auto& arm : arms) EXPECT_EQ(arm->sim.snapshot().movesCompleted, uint64_t(kMoves));
}

}  // namespace
