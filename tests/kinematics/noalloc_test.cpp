// The forward and inverse kinematics paths must not touch the heap: this
// binary counts every operator new and checks the count around the calls.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "RobotSDK/util/ikfunc.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(NoAllocation, KinematicsPaths) {
    double q[6] = {0.3, -0.5, 1.0, 0.2, 1.1, 0.4};
    wayPoint_S wp{};
    Ikfunc::ArmFk(wp.cartPos.position, wp.orientation, q);
    for (int j = 0; j < 6; ++j) wp.jointpos[j] = q[j];

    const long before = g_allocations.load();
    double pos[3], rot[9], table[6][8];
    ComputeFkLib(q, pos, rot);
    const int n = ComputeIkLib(q, rot, pos, table);
    Pos p;
    Ori o;
    Ikfunc::ArmFk(p, o, q);
    const int kept = Ikfunc::ComputeIk_new(wp, table);
    const bool ok = Ikfunc::ArmIk(wp, nullptr, false, false);
    const long after = g_allocations.load();

    EXPECT_GT(n, 0);
    EXPECT_GT(kept, 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(after - before, 0);

    // The counter itself works: the calibration wrappers do allocate.
    Pose_S poses[4] = {};
    double out[3];
    Ikfunc::toolCoordinateCalib(poses, 4, false, out, -1, nullptr, nullptr);
    EXPECT_GT(g_allocations.load(), after);
}
