// The move-end wait on its own: events posted before the wait, a lost link,
// the queue's bound, and a waiter racing the receive side.

#include "RobotSDK/service/moveendwait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using tevo_robot_namespace::RobotEventType;
namespace trn = tevo_robot_namespace;

RobotEventType type(int t) { return static_cast<RobotEventType>(t); }

std::chrono::steady_clock::time_point in(std::chrono::milliseconds d) {
    return std::chrono::steady_clock::now() + d;
}

struct MoveEndWaitTest : ::testing::Test {
    std::atomic<uint64_t> generation{7};
    MoveEndWait wait{generation};

    // What the owner does when the link goes down.
    void loseLink() {
        generation.fetch_add(1);
        wait.wakeAll();
    }
};

TEST_F(MoveEndWaitTest, EventPostedBeforeTheWaitEndsItAtOnceAndTheOldestDecides) {
    const uint64_t ticket = wait.arm();
    wait.post(type(1104));
    wait.post(trn::RobotEvent_atTrackTargetPos);
    EXPECT_EQ(wait.wait(ticket), 1104);
    EXPECT_EQ(wait.lastEnd(), 1104);
    // Arming for the next move forgets both the queue and the last end.
    const uint64_t next = wait.arm();
    EXPECT_EQ(wait.front(), trn::RobotEventInvalid);
    EXPECT_EQ(wait.lastEnd(), trn::RobotEventInvalid);
    EXPECT_EQ(wait.waitUntil(next, in(20ms)), trn::RobotEventInvalid);  // time-out records nothing
    EXPECT_EQ(wait.lastEnd(), trn::RobotEventInvalid);
}

TEST_F(MoveEndWaitTest, EventFromAnotherThreadWakesTheWaiter) {
    const uint64_t ticket = wait.arm();
    std::thread receiver([&] { wait.post(trn::RobotEvent_atTrackTargetPos); });
    EXPECT_EQ(wait.waitUntil(ticket, in(10000ms)), trn::RobotEvent_atTrackTargetPos);
    receiver.join();
}

TEST_F(MoveEndWaitTest, LostLinkEndsTheWaitAsADisconnect) {
    const uint64_t ticket = wait.arm();
    std::atomic<RobotEventType> seen{trn::RobotEventInvalid};
    std::thread mover([&] { seen = wait.wait(ticket); });
    loseLink();
    mover.join();
    EXPECT_EQ(seen.load(), trn::RobotEvent_socketDisconnected);
    EXPECT_EQ(wait.lastEnd(), trn::RobotEvent_socketDisconnected);
}

TEST_F(MoveEndWaitTest, LinkLostBetweenArmAndWaitIsNotMissed) {
    const uint64_t ticket = wait.arm();
    loseLink();  // before the waiter even started
    EXPECT_EQ(wait.waitUntil(ticket, in(10000ms)), trn::RobotEvent_socketDisconnected);
    // A new move armed on the new link waits again.
    const uint64_t fresh = wait.arm();
    EXPECT_EQ(wait.waitUntil(fresh, in(20ms)), trn::RobotEventInvalid);
}

TEST_F(MoveEndWaitTest, AnEventQueuedBeforeTheLinkWentDownStillDecides) {
    const uint64_t ticket = wait.arm();
    wait.post(type(2001));
    loseLink();
    EXPECT_EQ(wait.wait(ticket), 2001);
}

TEST_F(MoveEndWaitTest, QueueIsBoundedAndKeepsTheOldest) {
    wait.arm();
    const int limit = MoveEndWait::QUEUE_LIMIT;
    for (int i = 0; i < limit + 300; ++i) wait.post(type(1001 + i % 200));
    const std::vector<RobotEventType> queued = wait.queuedEvents();
    ASSERT_EQ(static_cast<int>(queued.size()), limit);
    EXPECT_EQ(queued.front(), 1001);
    EXPECT_EQ(queued.back(), 1001 + (limit - 1) % 200);
    wait.arm();
    EXPECT_TRUE(wait.queuedEvents().empty());
    wait.post(type(1002));  // room again after arming
    EXPECT_EQ(wait.front(), 1002);
}

// Many moves in a row, each ended by an event from another thread or by a lost
// link; every wait ends with what was posted for its own move.
TEST_F(MoveEndWaitTest, RepeatedMovesAgainstAConcurrentReceiver) {
    for (int move = 0; move < 200; ++move) {
        const uint64_t ticket = wait.arm();
        const bool linkLost = move % 5 == 4;
        std::thread receiver([&] {
            if (linkLost) {
                loseLink();
            } else {
                wait.post(type(1001 + move % 100));
            }
        });
        const RobotEventType end = wait.waitUntil(ticket, in(10000ms));
        receiver.join();
        ASSERT_EQ(end, linkLost ? trn::RobotEvent_socketDisconnected : type(1001 + move % 100))
            << "move " << move;
    }
}

}  // namespace
