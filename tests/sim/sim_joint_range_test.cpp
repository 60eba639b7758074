// The simulator enforces its joint range of motion from the start, as a
// controller does: moves, offline-track playback and streamed positions with
// a target outside the range are refused (code 104) and the arm stays; switching
// the range off leaves only the hard limit of one turn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/moverequest.h"
#include "sim/siminternal.h"

namespace {

using namespace tevo_sim;
namespace mc = tevo::robot::movecondition;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDefaultLimit = 175.0 * kPi / 180.0;

pbc::RobotMove jointMove(const std::vector<Joints>& targets) {
    pbc::RobotMove mv = tevo_test::moveProfile(mc::MODEJ);
    for (const Joints& q : targets) tevo_test::addWaypoint(mv, q.data());
    return mv;
}

std::string rangeBody(bool enable) {
    pbm::ProtoCommunicationDoubleVector d;
    d.set_num(13);
    d.add_value(enable ? 1 : 0);
    for (int i = 0; i < 6; ++i) d.add_value(-kDefaultLimit), d.add_value(kDefaultLimit);
    return d.SerializeAsString();
}

class SimJointRange : public ::testing::Test {
protected:
    SimJointRange() : core_(quietOptions()) {
        core_.arm.powered = true;
        core_.arm.brakeReleased = true;
        core_.arm.started = true;
    }

    static SimOptions quietOptions() {
        SimOptions opt;
        opt.logSink = [](const std::string&) {};
        // Streamed targets here jump far from the arm: only the range is checked.
        opt.servoMaxJointSpeed = 1000.0;
        return opt;
    }

    int32_t request(int32_t cmd, const std::string& body) {
        RequestCtx ctx;
        ctx.conn = 1;
        ctx.cmd = cmd;
        ctx.body = &body;
        handlerFor(cmd)(core_, core_.arm, ctx);
        EXPECT_NE(ctx.reply, nullptr);
        return ctx.code;
    }

    // A target of the given kind to q: a joint move, playback of a one-point
    // offline track, or one streamed position.
    int32_t sendTarget(const std::string& kind, const Joints& q) {
        core_.arm.plan.reset();
        const std::string body = jointMove({q}).SerializeAsString();
        if (kind == "move") return request(RobotMove, body);
        if (kind == "offline track") {
            core_.arm.offlineTrack.clear();
            EXPECT_EQ(request(OfflineTrackWaypointAppend, body), CodeSucc);
            return request(OfflineTrackMoveStartup, "");
        }
        core_.arm.tcp2Canbus = true;
        return request(SetRobotPosData2Canbus, body);
    }

    SimCore core_;
};

TEST_F(SimJointRange, TargetsOutsideTheRangeAreRefusedByDefault) {
    const Joints home = core_.arm.q;
    Joints inside = home, beyond = home, edge = home;
    inside[2] = 3.0;
    beyond[2] = 4.0;  // within one turn, outside ±175°
    edge[2] = -kDefaultLimit;
    for (const std::string kind : {"move", "offline track", "streamed position"}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(sendTarget(kind, beyond), CodeJointOutOfRange);
        EXPECT_EQ(core_.arm.q, home);
        EXPECT_FALSE(core_.arm.plan);
        EXPECT_EQ(sendTarget(kind, inside), CodeSucc);
        EXPECT_EQ(sendTarget(kind, edge), CodeSucc);
        core_.arm.q = home;
    }
}

TEST_F(SimJointRange, ReportsTheRangeItEnforcesAndCanSwitchItOff) {
    RequestCtx ctx;
    const std::string empty;
    ctx.cmd = GetJointRangeOfMotion;
    ctx.body = &empty;
    handlerFor(GetJointRangeOfMotion)(core_, core_.arm, ctx);
    const auto* reply = dynamic_cast<pbm::ProtoCommunicationDoubleVectorResponse*>(ctx.reply.get());
    ASSERT_NE(reply, nullptr);
    ASSERT_EQ(reply->value_size(), 13);
    EXPECT_GT(reply->value(0), 0);  // enabled
    EXPECT_DOUBLE_EQ(reply->value(6), kDefaultLimit);

    Joints beyond = core_.arm.q, pastATurn = core_.arm.q;
    beyond[2] = 4.0;
    pastATurn[2] = 7.0;
    ASSERT_EQ(request(SetJointRangeOfMotion, rangeBody(false)), CodeSucc);
    EXPECT_EQ(sendTarget("move", beyond), CodeSucc);
    EXPECT_EQ(sendTarget("move", pastATurn), CodeJointOutOfRange);
    ASSERT_EQ(request(SetJointRangeOfMotion, rangeBody(true)), CodeSucc);
    EXPECT_EQ(sendTarget("move", beyond), CodeJointOutOfRange);
}

}  // namespace
