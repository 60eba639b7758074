#include "RobotSDK/util/trace/robotlogprint.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Captured {
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> lines;
};

void capture(int level, const char* text, void* arg) {
    auto* captured = static_cast<Captured*>(arg);
    std::lock_guard<std::mutex> lock(captured->mutex);
    captured->lines.emplace_back(level, text);
}

TEST(RobotLogPrint, PublishesItselfAndWithdrawsOnDestruction) {
    {
        RobotLogPrint sink;
        EXPECT_EQ(RobotLogPrint::getRobotLogPrintPtr(), &sink);
    }
    EXPECT_EQ(RobotLogPrint::getRobotLogPrintPtr(), nullptr);
}

TEST(RobotLogPrint, FormatsAndDeliversWithLevelAndArgument) {
    RobotLogPrint sink;
    Captured captured;
    sink.registerRobotLogPrintCallback(&capture, &captured);
    sink.printTrace(3, "sdk log: value %d and %s", 42, "text");
    RobotLogPrint::trace(0, "sdk log: through the helper %.1f", 1.5);
    ASSERT_EQ(captured.lines.size(), 2U);
    EXPECT_EQ(captured.lines[0], std::make_pair(3, std::string("sdk log: value 42 and text")));
    EXPECT_EQ(captured.lines[1], std::make_pair(0, std::string("sdk log: through the helper 1.5")));
}

TEST(RobotLogPrint, LongTextIsCutTo2047Characters) {
    RobotLogPrint sink;
    Captured captured;
    sink.registerRobotLogPrintCallback(&capture, &captured);
    const std::string longText(3000, 'x');
    sink.printTrace(1, "%s", longText.c_str());
    ASSERT_EQ(captured.lines.size(), 1U);
    EXPECT_EQ(captured.lines[0].second, std::string(2047, 'x'));
}

TEST(RobotLogPrint, WithoutCallbackNothingIsDelivered) {
    RobotLogPrint sink;
    Captured captured;
    sink.registerRobotLogPrintCallback(&capture, &captured);
    sink.registerRobotLogPrintCallback(nullptr, nullptr);
    sink.printTrace(3, "dropped");
    RobotLogPrint::trace(3, "dropped too");
    EXPECT_TRUE(captured.lines.empty());
}

// A callback that logs again, or re-registers, on the same thread must not
// deadlock on the sink's lock; its nested line is dropped.
struct Reentrant {
    RobotLogPrint* sink = nullptr;
    Captured captured;
};

void reentrantCallback(int level, const char* text, void* arg) {
    auto* self = static_cast<Reentrant*>(arg);
    capture(level, text, &self->captured);
    self->sink->printTrace(level, "nested line");
    self->sink->registerRobotLogPrintCallback(&capture, &self->captured);
}

TEST(RobotLogPrint, CallbackThatLogsAgainDoesNotDeadlock) {
    RobotLogPrint sink;
    Reentrant reentrant;
    reentrant.sink = &sink;
    sink.registerRobotLogPrintCallback(&reentrantCallback, &reentrant);
    sink.printTrace(2, "outer line");
    // The registration made inside the callback took effect.
    sink.printTrace(2, "after re-registration");
    ASSERT_EQ(reentrant.captured.lines.size(), 2U);
    EXPECT_EQ(reentrant.captured.lines[0].second, "outer line");
    EXPECT_EQ(reentrant.captured.lines[1].second, "after re-registration");
}

TEST(RobotLogPrint, LinesFromManyThreadsArriveWhole) {
    RobotLogPrint sink;
    Captured captured;
    sink.registerRobotLogPrintCallback(&capture, &captured);
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string body(100, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) {
                RobotLogPrint::trace(t, "%d:%s", t, body.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(captured.lines.size(), static_cast<size_t>(kThreads * kLines));
    for (const auto& line : captured.lines) {
        const int t = line.first;
        EXPECT_EQ(line.second,
                  std::to_string(t) + ":" + std::string(100, static_cast<char>('a' + t)));
    }
}

}  // namespace
