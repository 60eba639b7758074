// Customer tracks through the facade against the simulator: caching a
// tool-pose file, playing it piece by piece with move progress translated to
// track indices, the state a playback leaves, and an interrupted playback.
//
// Built twice: as the full suite, and with TEVO_SHORT_PLAYBACK for the
// ThreadSanitizer run, where the long track is shorter.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "support/armfixture.h"
#include "support/tempfile.h"

using namespace tevo_robot_namespace;

namespace {

#ifdef TEVO_SHORT_PLAYBACK
constexpr int kLongTrackPoints = 1000;
#else
constexpr int kLongTrackPoints = 10000;
#endif

using Joints = std::array<double, 6>;

// Joint 1 sweeps `sweeps` times between -0.3 and -0.3 + span rad (the others
// held), so the tool runs along one arc and turns straight back between
// sweeps; `points` points in all, the last one back where a sweep ends.
std::vector<Joints> sweeps(int points, int sweeps, double span = 0.6) {
    std::vector<Joints> path;
    for (int i = 0; i < points; ++i) {
        const double x = static_cast<double>(i) * sweeps / (points - 1);
        const double whole = std::floor(x);
        const double s = static_cast<int>(whole) % 2 == 0 ? x - whole : 1.0 - (x - whole);
        path.push_back({-0.3 + span * s, -0.2618, 1.7453, 0.4363, 1.5708, 0.1});
    }
    return path;
}

class CustomTrackPlayback : public tevo_test::StartedArmFixture {
protected:
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = StartedArmFixture::simOptions();
        o.timeScale = 200.0;
        return o;
    }

    void SetUp() override {
        StartedArmFixture::SetUp();
        tool_.toolInEndPosition = {0.0, 0.0, 0.1};
        tool_.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
        facade_->robotServiceRegisterMovepStepNumNotifyCallback(&CustomTrackPlayback::onProgress,
                                                                this);
    }

    // The tool poses of a joint path as a file of "x y z rx ry rz" lines in
    // millimetres and degrees.
    std::string poseFile(const std::vector<Joints>& path) {
        std::string text;
        char line[256];
        for (const Joints& q : path) {
            wayPoint_S flange{};
            EXPECT_EQ(facade_->robotServiceRobotFk(q.data(), 6, flange), ErrnoSucc);
            Pos p{};
            Ori o{};
            EXPECT_EQ(ServiceInterface::baseToBaseAdditionalTool(flange.cartPos.position,
                                                                 flange.orientation, tool_, p, o),
                      ErrnoSucc);
            Rpy rpy{};
            EXPECT_EQ(facade_->quaternionToRPY(o, rpy), ErrnoSucc);
            const double toDeg = 180.0 / 3.1415926;
            std::snprintf(line, sizeof line, "%.9f %.9f %.9f %.9f %.9f %.9f\n", p.x * 1000.0,
                          p.y * 1000.0, p.z * 1000.0, rpy.rx * toDeg, rpy.ry * toDeg,
                          rpy.rz * toDeg);
            text += line;
        }
        return text;
    }

    // Caches the path's tool-pose file, keeps the smoothed track it gives and
    // moves the arm to its first point.
    void cacheAndGoToStart(const std::vector<Joints>& path) {
        const tevo_test::TempFile file(poseFile(path));
        ASSERT_EQ(facade_->parseFileAsRoadpointCollection(file.path(),
                                                          POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT,
                                                          path[0].data(), tool_, smoothed_),
                  ErrnoSucc);
        ASSERT_EQ(smoothed_.size(), path.size());
        wayPoint_S first{};
        ASSERT_EQ(
            facade_->parseRoadPointFileAndCacheResult(file.path(), path[0].data(), tool_, first),
            ErrnoSucc);
        for (int j = 0; j < 6; ++j) {
            ASSERT_NEAR(first.jointpos[j], path[0][static_cast<size_t>(j)], 1e-4);
        }
        ASSERT_EQ(facade_->robotServiceJointMove(first, true), ErrnoSucc);
    }

    // The arm stands at the smoothed track's last point.
    void expectAtTrackEnd() {
        const tevo_sim::ArmSnapshot arm = sim().snapshot();
        for (int j = 0; j < 6; ++j) {
            EXPECT_NEAR(arm.joints[j], smoothed_.back().jointpos[j], 1e-6) << "joint " << j;
        }
    }

    std::vector<int> progress() {
        std::lock_guard<std::mutex> lock(mutex_);
        return progress_;
    }

    ToolInEndDesc tool_{};
    std::vector<wayPoint_S> smoothed_;

private:
    static void onProgress(int index, void* arg) {
        auto* self = static_cast<CustomTrackPlayback*>(arg);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->progress_.push_back(index);
    }

    std::mutex mutex_;
    std::vector<int> progress_;
};

}  // namespace

TEST_F(CustomTrackPlayback, ThreePointTrackIsCachedButPlaysNoMove) {
    const std::vector<Joints> path = sweeps(3, 1, 0.01);
    cacheAndGoToStart(path);
    const uint64_t movesBefore = sim().snapshot().movesCompleted;
    EXPECT_EQ(facade_->moveCacheTrack(), ErrnoSucc);
    EXPECT_EQ(sim().snapshot().movesCompleted, movesBefore);
    EXPECT_TRUE(progress().empty());
}

TEST_F(CustomTrackPlayback, LongTrackReportsRisingTrackIndicesToItsLastPoint) {
    // Three turns: four pieces, each one multi-point move.
    const std::vector<Joints> path = sweeps(kLongTrackPoints, 4);
    cacheAndGoToStart(path);
    const uint64_t movesBefore = sim().snapshot().movesCompleted;

    ASSERT_EQ(facade_->movePelvanTrack(), ErrnoSucc);

    EXPECT_EQ(sim().snapshot().movesCompleted, movesBefore + 4);
    const std::vector<int> seen = progress();
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i) {
        ASSERT_LE(seen[i - 1], seen[i]) << "at notification " << i;
    }
    EXPECT_GT(seen.front(), 0);
    EXPECT_EQ(seen.back(), kLongTrackPoints - 1);
    expectAtTrackEnd();

    // The playback leaves its blend radius set and the waypoint list empty.
    EXPECT_FLOAT_EQ(facade_->robotServiceGetGlobalBlendRadius(), 0.0003f);
    std::vector<wayPoint_S> list;
    facade_->robotServiceGetGlobalWayPointVector(list);
    EXPECT_TRUE(list.empty());

    // Ordinary multi-point moves report the controller's own step numbers.
    const size_t before = progress().size();
    facade_->robotServiceClearGlobalWayPointVector();
    for (const Joints& q : {path[0], path[200], path[400]}) {
        ASSERT_EQ(facade_->robotServiceAddGlobalWayPoint(q.data()), ErrnoSucc);
    }
    ASSERT_EQ(facade_->robotServiceTrackMove(JIONT_CUBICSPLINE, true), ErrnoSucc);
    ASSERT_TRUE(waitFor([&] { return progress().size() >= before + 2; }));
    EXPECT_EQ(progress()[before], 0);
    EXPECT_EQ(progress()[before + 1], 1);
}

TEST_F(CustomTrackPlayback, StoppedPlaybackReturnsTheStopAndCanBeReplayed) {
    const std::vector<Joints> path = sweeps(2001, 2);
    cacheAndGoToStart(path);
    facade_->robotServiceSetGlobalMoveJointMaxVelc({{0.02, 0.02, 0.02, 0.02, 0.02, 0.02}});

    auto playback = std::async(std::launch::async, [this] { return facade_->moveCacheTrack(); });
    ASSERT_TRUE(waitFor([&] { return !progress().empty() && progress().back() > 100; },
                        std::chrono::seconds(20)));
    ASSERT_EQ(facade_->robotMoveFastStop(), ErrnoSucc);
    const int stopped = playback.get();
    EXPECT_NE(stopped, ErrnoSucc);
    EXPECT_LT(progress().back(), 2000);

    // The cache is intact: playing it again runs to the end.
    facade_->robotServiceInitGlobalMoveProfile();
    EXPECT_EQ(facade_->moveCacheTrack(), ErrnoSucc);
    EXPECT_EQ(progress().back(), 2000);
    expectAtTrackEnd();
}
