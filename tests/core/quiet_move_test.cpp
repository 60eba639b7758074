// A long blocking move on a controller that is quiet but alive (pushes off,
// nothing to report until the move ends) is never cut short: the heartbeats of
// the wait keep hearing from it. The move takes TEVO_QUIET_MOVE_SECONDS of
// real time (default 60).

#include <cstdlib>
#include <memory>

#include "RobotSDK/interface/serviceinterface.h"
#include "coretestsupport.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;

double moveSeconds() {
    // Read before the test starts any thread; nothing sets the environment.
    const char* text = std::getenv("TEVO_QUIET_MOVE_SECONDS");  // NOLINT(concurrency-mt-unsafe)
    const double seconds = text != nullptr ? std::atof(text) : 0.0;
    return seconds > 0 ? seconds : 60.0;
}

class QuietMoveTest : public tevo_test::SimFixture {
protected:
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = SimFixture::simOptions();
        o.timeScale = 1.0;  // the move really takes its time
        return o;
    }
    LogCapture log_;
};

TEST_F(QuietMoveTest, LongMoveWithoutPushesReturnsWhenTheArmArrives) {
    ServiceInterface facade;
    ASSERT_EQ(facade.robotServiceLogin(simHost(), simPort(), simUser(), simPassword()), ErrnoSucc);
    ToolDynamicsParam tool{};
    ROBOT_SERVICE_STATE state{};
    ASSERT_EQ(facade.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true), ErrnoSucc);
    facade.robotServiceInitGlobalMoveProfile();

    // Joint 1 turns by 0.6 rad; its speed makes the move last the chosen time.
    const double seconds = moveSeconds();
    const double distance = 0.6;
    JointVelcAccParam velc{};
    for (double& v : velc.jointPara) v = distance / seconds;
    ASSERT_EQ(facade.robotServiceSetGlobalMoveJointMaxVelc(velc), ErrnoSucc);
    double target[6];
    const tevo_sim::ArmSnapshot start = sim().snapshot();
    for (int i = 0; i < 6; ++i) target[i] = start.joints[i];
    target[0] += distance;

    const uint64_t heartbeatsBefore = sim().requestCount(tevo_sim::CommunicationHeart);
    const auto began = Clock::now();
    EXPECT_EQ(facade.robotServiceJointMove(target, true), ErrnoSucc);
    const double took = std::chrono::duration<double>(Clock::now() - began).count();

    // It really was that long, it ended with the arm's arrival, and the
    // quiet spells were probed rather than taken for a dead controller.
    EXPECT_GE(took, seconds * 0.95);
    EXPECT_EQ(sim().snapshot().movesCompleted, 1u);
    EXPECT_NEAR(sim().snapshot().joints[0], target[0], 1e-6);
    const uint64_t heartbeats = sim().requestCount(tevo_sim::CommunicationHeart) - heartbeatsBefore;
    RecordProperty("move_seconds", static_cast<int>(took));
    RecordProperty("heartbeats", static_cast<int>(heartbeats));
    EXPECT_GT(heartbeats, 0u);
    // At most one per second of silence.
    EXPECT_LE(heartbeats, static_cast<uint64_t>(took) + 1);
    EXPECT_EQ(log_.count("The controller has not answered for"), 0);
}

}  // namespace
}  // namespace core_test
