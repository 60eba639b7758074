// Model and flag writes from one thread while another solves: every result
// must belong to one whole model (never to a half-written one), and the run is
// free of data races under ThreadSanitizer.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "RobotSDK/util/ikfunc.h"

namespace {

void loadModel(tevo_robot_type type) { ASSERT_TRUE(Ikfunc::SetDhParaLen(type)); }

}  // namespace

TEST(KinematicsConcurrency, ReadersSeeWholeModels) {
    const double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    double expected[2][3];
    double rot[9];
    const tevo_robot_type models[2] = {tevo_model_0, tevo_model_9};
    for (int i = 0; i < 2; ++i) {
        loadModel(models[i]);
        ComputeFkLib(q, expected[i], rot);
    }

    constexpr int kWrites = 20000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kWrites; ++i) {
            Ikfunc::SetDhParaLen(models[i & 1]);
            Ikfunc::joint6Rot360 = (i & 2) != 0;
        }
        done = true;
    });

    int reads = 0;
    int torn = 0;
    while (!done.load() || reads < 1000) {
        double pos[3];
        ComputeFkLib(q, pos, rot);
        // Bit-exact on purpose: an untorn result equals one of the two in every bit.
        // NOLINTBEGIN(bugprone-suspicious-memory-comparison)
        const bool first = std::memcmp(pos, expected[0], sizeof(pos)) == 0;
        const bool second = std::memcmp(pos, expected[1], sizeof(pos)) == 0;
        // NOLINTEND(bugprone-suspicious-memory-comparison)
        torn += !(first || second);
        wayPoint_S wp{};
        std::memcpy(wp.jointpos, q, sizeof(q));
        wp.cartPos.position = Pos{pos[0], pos[1], pos[2]};
        wp.orientation = Ori{1, 0, 0, 0};
        Ikfunc::ArmIk(wp, nullptr, false, false);  // reads the model and the flags
        ++reads;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    Ikfunc::SetDhParaLen(tevo_model_0);
    Ikfunc::joint6Rot360 = false;
}
