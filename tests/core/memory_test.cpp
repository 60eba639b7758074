// Memory a broken or hostile controller can make a control core hold: replies
// nobody asked for, events with large texts, and move-finish events while no
// move runs.

#include <functional>

#include "coretestsupport.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;

class MemoryTest : public CoreSimTest {};

// A controller that sends replies nobody asked for, or events with large texts,
// leaves no memory held once they have been handled.
TEST_F(MemoryTest, FloodsOfLargeFramesLeaveNoMemoryHeld) {
    const std::string big(1 << 20, 'x');
    std::atomic<int> events{0};
    core().robotServiceRegisterRobotEventInfoCallbackService(
        [](const RobotEventInfo*, void* arg) { static_cast<std::atomic<int>*>(arg)->fetch_add(1); },
        &events);
    // Command types of replies, none of them requested.
    std::vector<int32_t> replyTypes;
    for (int32_t t = tevo_sim::GetRobotCurrentState; t <= tevo_sim::GetRobotSafetyConfig; ++t)
        replyTypes.push_back(t);
    struct Row {
        const char* name;
        std::function<void()> flood;
        std::function<bool()> handled;
    };
    const int kEvents = 48;
    const Row rows[] = {
        {"unrequested replies",
         [&] {
             for (int32_t t : replyTypes) ASSERT_EQ(sim().sendFrame(t, big), 1);
         },
         [&] {
             for (int32_t t : replyTypes)
                 if (core().frames(t) < 1) return false;
             return true;
         }},
        {"events with large texts",
         [&] {
             for (int i = 0; i < kEvents; ++i)
                 ASSERT_EQ(sim().sendEvent({RobotEvent_User, i, big}), 1);
         },
         [&] { return events.load() >= kEvents; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const long long before = liveHeapBytes();
        row.flood();
        ASSERT_TRUE(waitUntil(row.handled, 20000ms));
        // Held before: one text per slot, 32 MiB of replies or 48 MiB of events.
        EXPECT_LT(liveHeapBytes() - before, 8LL << 20);
    }
    RobotWorkMode mode{};
    EXPECT_EQ(core().getRobotWorkModeService(mode), ErrnoSucc);
    core().robotServiceRegisterRobotEventInfoCallbackService(nullptr, nullptr);
}

// A controller that keeps sending move-finish events while no move runs fills
// the queue up to its bound; the oldest events stay, as they decide a move's end.
TEST_F(MemoryTest, MoveFinishQueueIsBoundedAndKeepsTheOldest) {
    core().moveEndWait().arm();
    const int limit = RobotControlServices::MOVE_FINISH_QUEUE_LIMIT;
    const int before = core().frames(tevo_sim::Event);
    ASSERT_EQ(sim().sendEvent({1104, 0, "ik failed"}), 1);
    ASSERT_EQ(sim().floodEvents(tevo_sim::EvJointOutRange, limit + 500), 1);
    ASSERT_TRUE(
        waitUntil([&] { return core().frames(tevo_sim::Event) >= before + limit + 501; }, 20000ms));
    const std::vector<RobotEventType> queue = core().moveFinishQueue();
    ASSERT_EQ(static_cast<int>(queue.size()), limit);
    EXPECT_EQ(queue.front(), 1104);
    EXPECT_EQ(queue.back(), tevo_sim::EvJointOutRange);
    EXPECT_EQ(log_.count("sdk log: Move-finish event queue full; newer events dropped."), 1);

    core().moveEndWait().arm();  // a move starts afresh
    ASSERT_EQ(sim().sendEvent({RobotEvent_atTrackTargetPos, 0, ""}), 1);
    ASSERT_TRUE(waitUntil([&] { return !core().moveFinishQueue().empty(); }));
    EXPECT_EQ(core().moveEndWait().front(), RobotEvent_atTrackTargetPos);
}

}  // namespace
}  // namespace core_test
