#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/service/errorinfoservice.h"

using namespace tevo_robot_namespace;

// Several threads make the first lookup of the process at the same moment;
// each must see the complete table (under ThreadSanitizer this also checks
// that building the table does not race with reading it).
TEST(ErrorTextFirstLookup, ConcurrentFirstLookupsSeeTheFullTable) {
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::string> first(kThreads), last(kThreads);
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (!go.load()) {
                std::this_thread::yield();
            }
            first[i] = ErrorInfoService::getErrDescByCode(ErrnoSucc);
            last[i] = ErrorInfoService::getErrDescByCode(ErrCode_moveControlContinueFailed);
        });
    }
    while (ready.load() < kThreads) {
        std::this_thread::yield();
    }
    go.store(true);
    for (auto& t : threads) {
        t.join();
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(first[i], "Success.") << "thread " << i;
        EXPECT_EQ(last[i], "call continue return error.") << "thread " << i;
    }
}
