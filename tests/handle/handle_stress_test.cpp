// Contexts created, used, logged in and out and destroyed from several
// threads at once, with calls racing the destroy of their context and event
// callbacks calling back into the interface: run under the sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "handletestsupport.h"

using namespace tevo_robot_namespace;

namespace {

class HandleStress : public tevo_test::SimFixture {
protected:
    void TearDown() override {
        rs_uninitialize();
        SimFixture::TearDown();
    }
};

// An event callback that calls into the interface on its own handle.
void queryOnEvent(const rs_robot_event_info*, void* arg) {
    bool status = false;
    const int result =
        rs_get_login_status(static_cast<RSHD>(reinterpret_cast<uintptr_t>(arg)), &status);
    EXPECT_TRUE(result == 0 || result == RS_ERR_NO_CONTEXT) << result;
}

TEST_F(HandleStress, ContextsLiveAndDieOnManyThreadsAtOnce) {
    constexpr int kWorkers = 3;
    constexpr int kRounds = 6;
    std::atomic<int> failures{0};
    std::atomic<bool> stopEvents{false};
    std::atomic<int> racedCalls{0};
    const int port = simPort();

    // The simulator keeps sending events, so event callbacks run during teardown.
    std::thread events([&] {
        int i = 0;
        while (!stopEvents.load()) {
            sim().sendEvent({9001, ++i, "tick"});
            std::this_thread::yield();
        }
    });

    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int round = 0; round < kRounds; ++round) {
                RSHD rshd = 0;
                if (rs_create_context(&rshd) != 0) {
                    ++failures;
                    continue;
                }
                if (rs_login(rshd, "127.0.0.1", port) != 0) ++failures;
                rs_setcallback_robot_event(rshd, queryOnEvent,
                                           reinterpret_cast<void*>(static_cast<uintptr_t>(rshd)));

                // A second thread keeps calling on the context while this one
                // logs out (every other worker) and destroys it: each call
                // runs on a live facade (connected or not) or is told the
                // handle is gone.
                std::atomic<bool> started{false};
                std::thread racer([&, rshd] {
                    for (;;) {
                        RobotWorkMode mode{};
                        const int result = rs_get_work_mode(rshd, &mode);
                        started.store(true);
                        if (result == RS_ERR_NO_CONTEXT) break;
                        if (result != 0 && result != ErrCode_SocketDisconnect) ++failures;
                        ++racedCalls;
                    }
                });
                while (!started.load()) std::this_thread::yield();
                if (w % 2 == 0 && rs_logout(rshd) != 0) ++failures;
                if (rs_destory_context(rshd) != 0) ++failures;
                racer.join();
                // Gone for good: nothing reaches the released context.
                bool status = true;
                if (rs_get_login_status(rshd, &status) != RS_ERR_NO_CONTEXT) ++failures;
            }
        });
    }
    for (std::thread& t : workers) t.join();

    // Clean-up of the whole table while calls run on its contexts.
    RSHD a = 0, b = 0;
    ASSERT_EQ(rs_create_context(&a), 0);
    ASSERT_EQ(rs_create_context(&b), 0);
    ASSERT_EQ(rs_login(a, "127.0.0.1", port), 0);
    std::thread caller([&] {
        for (;;) {
            RobotState state{};
            const int result = rs_get_robot_state(a, &state);
            if (result == RS_ERR_NO_CONTEXT) break;
            if (result != 0) ++failures;
        }
    });
    ASSERT_EQ(rs_uninitialize(), 0);
    caller.join();
    stopEvents.store(true);
    events.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(racedCalls.load(), 0);
    EXPECT_EQ(rs_logout(b), RS_ERR_NO_CONTEXT);
}

}  // namespace
