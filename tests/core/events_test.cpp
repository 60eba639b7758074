// Pushes and robot events: each push reaches its callback, events reach the
// event callback in order through the ring, the move-finish queue, the ring's
// behaviour when the event callback is blocked, and an idle event thread that
// does not wake.

#include <sys/syscall.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <thread>

#include "RobotSDK/service/robotutilservice.h"
#include "coretestsupport.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;

// Everything the callbacks saw, guarded by one mutex.
struct Received {
    std::mutex mutex;
    std::condition_variable cv;
    int jointStatusCount = 0;
    int jointStatusLength = 0;
    int roadPointCount = 0;
    wayPoint_S roadPoint{};
    int endSpeedCount = 0;
    double endSpeed = 0;
    int movepCount = 0;
    int movepStep = 0;
    std::vector<RobotEventInfo> events;

    template <typename F>
    void update(F&& f) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            f();
        }
        cv.notify_all();
    }
    template <typename P>
    bool waitFor(P&& p, std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, timeout, p);
    }
};

void onJointStatus(const JointStatus*, int n, void* arg) {
    auto* r = static_cast<Received*>(arg);
    r->update([&] {
        ++r->jointStatusCount;
        r->jointStatusLength = n;
    });
}
void onRoadPoint(const wayPoint_S* wp, void* arg) {
    auto* r = static_cast<Received*>(arg);
    r->update([&] {
        ++r->roadPointCount;
        r->roadPoint = *wp;
    });
}
void onEndSpeed(double speed, void* arg) {
    auto* r = static_cast<Received*>(arg);
    r->update([&] {
        ++r->endSpeedCount;
        r->endSpeed = speed;
    });
}
void onMovep(int step, void* arg) {
    auto* r = static_cast<Received*>(arg);
    r->update([&] {
        ++r->movepCount;
        r->movepStep = step;
    });
}
void onEvent(const RobotEventInfo* info, void* arg) {
    auto* r = static_cast<Received*>(arg);
    r->update([&] { r->events.push_back(*info); });
}

class EventsTest : public CoreSimTest {
protected:
    void SetUp() override {
        CoreSimTest::SetUp();
        core().robotServiceRegisterRealTimeJointStatusCallbackService(onJointStatus, &received_);
        core().robotServiceRegisterRealTimeRoadPointCallbackService(onRoadPoint, &received_);
        core().robotServiceRegisterRealTimeEndSpeedCallbackService(onEndSpeed, &received_);
        core().robotServiceRegisterMovepProgressNotifyCallbackService(onMovep, &received_);
        core().robotServiceRegisterRobotEventInfoCallbackService(onEvent, &received_);
    }
    Received received_;
};

TEST_F(EventsTest, EachPushReachesItsCallback) {
    const double joints[6] = {0.1, -0.2, 0.3, -0.4, 0.5, -0.6};
    sim().setJointAngles(joints);
    sim().sendPush(tevo_sim::RealTimeJointStatus);
    sim().sendPush(tevo_sim::RealTimeRobotJointAngle);
    sim().sendPush(tevo_sim::RealTimeRobotEndSpeed);
    sim().sendPush(tevo_sim::MovepProgressNotify, 17);
    ASSERT_TRUE(received_.waitFor([&] {
        return received_.jointStatusCount == 1 && received_.roadPointCount == 1 &&
               received_.endSpeedCount == 1 && received_.movepCount == 1;
    }));
    std::lock_guard<std::mutex> lock(received_.mutex);
    EXPECT_EQ(received_.jointStatusLength, 6);
    EXPECT_EQ(received_.movepStep, 17);
    EXPECT_DOUBLE_EQ(received_.endSpeed, sim().snapshot().endSpeed);

    // The waypoint carries the pushed angles and their forward kinematics.
    wayPoint_S expected{};
    RobotUtilService::robotFk(joints, 6, expected);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(received_.roadPoint.jointpos[i], joints[i], 1e-9);
    EXPECT_NEAR(received_.roadPoint.cartPos.position.x, expected.cartPos.position.x, 1e-9);
    EXPECT_NEAR(received_.roadPoint.cartPos.position.y, expected.cartPos.position.y, 1e-9);
    EXPECT_NEAR(received_.roadPoint.cartPos.position.z, expected.cartPos.position.z, 1e-9);
    EXPECT_NEAR(received_.roadPoint.orientation.w, expected.orientation.w, 1e-9);
    EXPECT_GT(std::fabs(expected.cartPos.position.z) + std::fabs(expected.cartPos.position.x),
              0.01);
}

TEST_F(EventsTest, UndecodablePushIsLoggedAndDropped) {
    sim().sendFrame(tevo_sim::RealTimeRobotEndSpeed, std::string("\xff\xff", 2));
    sim().sendFrame(tevo_sim::Event, std::string("\xff\xff", 2));
    EXPECT_TRUE(log_.waitFor("sdk log: Resolve realtime end speed info failed."));
    EXPECT_TRUE(log_.waitFor("sdk log: Resolve realtime robot event failed."));
    std::lock_guard<std::mutex> lock(received_.mutex);
    EXPECT_EQ(received_.endSpeedCount, 0);
}

struct EventCase {
    int type;
    bool endsMove;
    bool errorLine;
};

// Which events end a blocking move, which are logged as errors; all of them
// reach the event callback in arrival order.
TEST_F(EventsTest, EventClassesAndDeliveryOrder) {
    const EventCase cases[] = {{22, true, false},   {26, true, false},   {1005, true, true},
                               {1300, true, true},  {2551, false, true}, {2001, true, true},
                               {9000, false, true}, {44, false, false},  {1000, false, false},
                               {2999, true, true},  {3000, false, true}};
    core().moveEndWait().arm();
    for (const EventCase& c : cases) sim().sendEvent({c.type, 7, "e" + std::to_string(c.type)});
    const size_t n = sizeof(cases) / sizeof(cases[0]);
    ASSERT_TRUE(received_.waitFor([&] { return received_.events.size() == n; }));
    std::vector<RobotEventType> finishing;
    for (size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(cases[i].type);
        EXPECT_EQ(received_.events[i].eventType, cases[i].type);
        EXPECT_EQ(received_.events[i].eventCode, 7);
        EXPECT_EQ(received_.events[i].eventContent, "e" + std::to_string(cases[i].type));
        EXPECT_EQ(
            log_.count("sdk log: real time event. type:" + std::to_string(cases[i].type) + " "),
            cases[i].errorLine ? 1 : 0);
        if (cases[i].endsMove) finishing.push_back(static_cast<RobotEventType>(cases[i].type));
    }
    EXPECT_EQ(core().moveFinishQueue(), finishing);
    EXPECT_EQ(core().moveEndWait().front(), finishing.front());
    core().moveEndWait().arm();
    EXPECT_EQ(core().moveEndWait().front(), RobotEventInvalid);
}

// A move-finish event wakes a thread waiting the way motion waits.
TEST_F(EventsTest, MoveFinishEventWakesMotionWaiter) {
    const uint64_t ticket = core().moveEndWait().arm();
    RobotEventType seen = RobotEventInvalid;
    std::atomic<bool> waiting{false};
    std::thread motion([&] {
        waiting = true;
        seen = core().moveEndWait().waitUntil(ticket, std::chrono::steady_clock::now() + 5000ms);
    });
    while (!waiting) std::this_thread::yield();
    sim().sendEvent({1104, 0, "ik failed"});
    motion.join();
    EXPECT_EQ(seen, 1104);
}

TEST_F(EventsTest, PeerCloseReachesMoveWaiterAndEventCallback) {
    core().moveEndWait().arm();
    sim().closeConnection();
    ASSERT_TRUE(received_.waitFor([&] {
        for (const auto& e : received_.events)
            if (e.eventType == RobotEvent_socketDisconnected) return true;
        return false;
    }));
    EXPECT_EQ(core().moveEndWait().front(), RobotEvent_socketDisconnected);
    std::lock_guard<std::mutex> lock(received_.mutex);
    EXPECT_EQ(received_.events.back().eventContent, "Server disconnected.");
}

TEST_F(EventsTest, Joint6FlagEventReachesKinematics) {
    sim().sendEvent({RobotEvent_UpdateJoint6Rot360Flag, 1, ""});
    EXPECT_TRUE(log_.waitFor("sdk log: init ik param success."));
}

// Voluntary context switches of one thread of this process.
long long voluntarySwitches(long tid) {
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stoll(line.substr(24));
    return -1;
}

// An event thread with nothing to deliver sleeps until woken; it does not poll.
TEST(EventRing, IdleEventThreadDoesNotWake) {
    RobotControlServices core;
    std::atomic<long> tid{0};
    core.robotServiceRegisterRobotEventInfoCallbackService(
        [](const RobotEventInfo*, void* arg) {
            static_cast<std::atomic<long>*>(arg)->store(static_cast<long>(::syscall(SYS_gettid)));
        },
        &tid);
    RobotEventInfo e;
    e.eventType = RobotEvent_User;
    e.eventCode = 1;
    core.robotRealTimeEventProcess(e);
    ASSERT_TRUE(waitUntil([&] { return tid.load() != 0; }));
    const long long before = voluntarySwitches(tid.load());
    ASSERT_GE(before, 0);
    // A measuring window, not a wait for a condition: a polling thread wakes
    // hundreds of times in it.
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(voluntarySwitches(tid.load()) - before, 3);

    tid = 0;  // and it still wakes for the next event
    core.robotRealTimeEventProcess(e);
    EXPECT_TRUE(waitUntil([&] { return tid.load() != 0; }));
}

// Without a connection: the test plays the receive thread and calls the event
// processing directly, while the event callback is blocked on the first event.
TEST(EventRing, HoldsQueueSizeEventsWhileCallbackBlocksAndKeepsOrder) {
    struct Gate {
        std::mutex mutex;
        std::condition_variable cv;
        bool entered = false;
        bool open = false;
        std::vector<int> codes;
    } gate;
    RobotControlServices core;
    core.robotServiceRegisterRobotEventInfoCallbackService(
        [](const RobotEventInfo* info, void* arg) {
            auto* g = static_cast<Gate*>(arg);
            std::unique_lock<std::mutex> lock(g->mutex);
            g->codes.push_back(info->eventCode);
            g->entered = true;
            g->cv.notify_all();
            g->cv.wait(lock, [&] { return g->open; });
        },
        &gate);
    auto event = [](int code) {
        RobotEventInfo e;
        e.eventType = RobotEvent_User;
        e.eventCode = code;
        return e;
    };
    core.robotRealTimeEventProcess(event(0));
    {
        std::unique_lock<std::mutex> lock(gate.mutex);
        ASSERT_TRUE(gate.cv.wait_for(lock, 5000ms, [&] { return gate.entered; }));
    }
    const int queueSize = RobotEventQueue::QUEUE_SIZE;
    for (int i = 1; i <= queueSize + 1; ++i)
        core.robotRealTimeEventProcess(event(i));  // the last one is dropped
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.open = true;
    }
    gate.cv.notify_all();
    // A marker after the drain: had the event beyond the ring's size been
    // kept, it would arrive before the marker.
    const int marker = -1;
    {
        std::unique_lock<std::mutex> lock(gate.mutex);
        ASSERT_TRUE(gate.cv.wait_for(
            lock, 10000ms, [&] { return static_cast<int>(gate.codes.size()) >= queueSize + 1; }));
    }
    core.robotRealTimeEventProcess(event(marker));
    std::unique_lock<std::mutex> lock(gate.mutex);
    ASSERT_TRUE(gate.cv.wait_for(
        lock, 10000ms, [&] { return !gate.codes.empty() && gate.codes.back() == marker; }));
    ASSERT_EQ(static_cast<int>(gate.codes.size()), queueSize + 2);
    for (int i = 0; i <= queueSize; ++i) ASSERT_EQ(gate.codes[i], i);
}

TEST(EventRing, EventsWithoutCallbackAreNotKept) {
    RobotControlServices core;
    RobotEventInfo e;
    e.eventType = RobotEvent_User;
    e.eventCode = 1;
    core.robotRealTimeEventProcess(e);  // no callback yet: not queued
    std::atomic<int> calls{0};
    core.robotServiceRegisterRobotEventInfoCallbackService(
        [](const RobotEventInfo* info, void* arg) {
            static_cast<std::atomic<int>*>(arg)->fetch_add(info->eventCode);
        },
        &calls);
    e.eventCode = 10;
    core.robotRealTimeEventProcess(e);
    // Delivery is in order, so a kept first event would show up as 1 or 11.
    ASSERT_TRUE(waitUntil([&] { return calls.load() != 0; }));
    EXPECT_EQ(calls.load(), 10);
}

TEST(EventRing, QueuePushPopAtCapacityAndAcrossWrap) {
    RobotEventQueue queue;
    queue.init();
    RobotEvent out;
    EXPECT_FALSE(queue.pop(out));
    // Two laps, so the counters wrap around the slot array.
    for (int lap = 0; lap < 2; ++lap) {
        for (int i = 0; i < RobotEventQueue::QUEUE_SIZE; ++i)
            ASSERT_TRUE(queue.push(RobotEvent(1, i, "")));
        EXPECT_FALSE(queue.push(RobotEvent(1, -1, "")));
        for (int i = 0; i < RobotEventQueue::QUEUE_SIZE; ++i) {
            ASSERT_TRUE(queue.pop(out));
            ASSERT_EQ(out.m_evnetCode, i);
        }
        EXPECT_FALSE(queue.pop(out));
    }
    RobotEvent defaults;
    EXPECT_EQ(defaults.m_eventType, robot_event_unknown);
}

}  // namespace
}  // namespace core_test
