// Contexts created, used, logged in and out and destroyed from several
// threads at once, with calls racing the destroy of their context and event
// callbacks calling back into the interface: run under the sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
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
    // Unexpected results, as "step:code".
    std::mutex failureMutex;
    std::vector<std::string> failures;
    auto fail = [&](const char* step, int code) {
        std::lock_guard<std::mutex> lock(failureMutex);
        failures.push_back(std::string(step) + ":" + std::to_string(code));
    };
    std::atomic<int> racedCalls{0};
    const int port = simPort();

    std::vector<std::thread> workers;
    workers.reserve(kWorkers);
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int round = 0; round < kRounds; ++round) {
                RSHD rshd = 0;
                if (const int r = rs_create_context(&rshd)) {
                    fail("create", r);
                    continue;
                }
                if (const int r = rs_login(rshd, "127.0.0.1", port)) fail("login", r);
                // The user pointer carries the handle's number; it is never dereferenced.
                // NOLINTNEXTLINE(performance-no-int-to-ptr)
                void* const user = reinterpret_cast<void*>(static_cast<uintptr_t>(rshd));
                rs_setcallback_robot_event(rshd, queryOnEvent, user);
                // Events to every connection, so callbacks run while contexts
                // are torn down.
                sim().sendEvent({9001, round, "tick"});

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
                        // A request racing the logout finds the link gone
                        // before it is sent, or loses it while sending.
                        if (result != 0 && result != ErrCode_SocketDisconnect &&
                            result != ErrCode_SendRequestFailed) {
                            fail("racing call", result);
                        }
                        ++racedCalls;
                    }
                });
                while (!started.load()) std::this_thread::yield();
                if (w % 2 == 0) {
                    if (const int r = rs_logout(rshd)) fail("logout", r);
                }
                if (const int r = rs_destory_context(rshd)) fail("destroy", r);
                racer.join();
                // Gone for good: nothing reaches the released context.
                bool status = true;
                const int after = rs_get_login_status(rshd, &status);
                if (after != RS_ERR_NO_CONTEXT) fail("after destroy", after);
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
            // The clean-up logs each context out before releasing it.
            if (result != 0 && result != ErrCode_SocketDisconnect &&
                result != ErrCode_SendRequestFailed) {
                fail("call during clean-up", result);
            }
        }
    });
    ASSERT_EQ(rs_uninitialize(), 0);
    caller.join();

    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
    EXPECT_GT(racedCalls.load(), 0);
    EXPECT_EQ(rs_logout(b), RS_ERR_NO_CONTEXT);
}

}  // namespace
