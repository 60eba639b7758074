// Shared pieces of the control-core tests: a log capture, a control core that
// lets a test see which frames the receive thread filed, and a fixture that
// logs a core in to the in-process simulator.
#pragma once

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CORE_TEST_SANITIZER_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORE_TEST_SANITIZER_HEAP 1
#endif
#ifdef CORE_TEST_SANITIZER_HEAP
#include <sanitizer/allocator_interface.h>
#endif

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "support/simfixture.h"

namespace core_test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Collects every log line of the process while it exists.
class LogCapture {
public:
    LogCapture() {
        static RobotLogPrint sink;  // the process's log instance, as a facade would create it
        RobotLogPrint::getRobotLogPrintPtr()->registerRobotLogPrintCallback(&LogCapture::onLine,
                                                                            this);
    }
    ~LogCapture() {
        RobotLogPrint::getRobotLogPrintPtr()->registerRobotLogPrintCallback(nullptr, nullptr);
    }

    int count(const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const auto& line : lines_) n += line.second.find(text) != std::string::npos ? 1 : 0;
        return n;
    }
    bool waitFor(const std::string& text, int times = 1,
                 std::chrono::milliseconds timeout = 5000ms) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] {
            int n = 0;
            for (const auto& line : lines_)
                n += line.second.find(text) != std::string::npos ? 1 : 0;
            return n >= times;
        });
    }
    // Level of the first line containing text, -1 when there is none.
    int levelOf(const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& line : lines_)
            if (line.second.find(text) != std::string::npos) return line.first;
        return -1;
    }

private:
    static void onLine(int level, const char* text, void* arg) {
        auto* self = static_cast<LogCapture*>(arg);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->lines_.emplace_back(level, text);
        }
        self->cv_.notify_all();
    }
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::vector<std::pair<int, std::string>> lines_;
};

// A control core that counts the frames its receive thread handled, per
// command type, and lets a test reach the protected parts it checks.
class ObservedCore : public RobotControlServices {
public:
    ~ObservedCore() override { disconnectRobotServer(); }

    int responseProcess(int socketFd, const char* content, int length) override {
        const int ret = RobotControlServices::responseProcess(socketFd, content, length);
        int type = -1;
        if (length >= 4) std::memcpy(&type, content, 4);
        {
            std::lock_guard<std::mutex> lock(framesMutex_);
            ++frames_[type];
        }
        framesCv_.notify_all();
        return ret;
    }
    int frames(int type) {
        std::lock_guard<std::mutex> lock(framesMutex_);
        return frames_[type];
    }
    bool waitForFrames(int type, int n, std::chrono::milliseconds timeout = 5000ms) {
        std::unique_lock<std::mutex> lock(framesMutex_);
        return framesCv_.wait_for(lock, timeout, [&] { return frames_[type] >= n; });
    }
    std::mutex& pauseMutex() { return m_robotMoveControlPause.m_mutex; }
    bool pauseSignalled() {
        std::lock_guard<std::mutex> lock(m_robotMoveControlPause.m_mutex);
        return m_robotMoveControlPause.m_signalled;
    }
    std::vector<tevo_robot_namespace::RobotEventType> moveFinishQueue() {
        return m_moveEndWait.queuedEvents();
    }
    using RobotCommunicationClient::adoptConnectedSocket;

private:
    std::mutex framesMutex_;
    std::condition_variable framesCv_;
    std::map<int, int> frames_;
};

// A simulator and a control core logged in to it.
class CoreSimTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        tevo_test::SimFixture::SetUp();
        core_ = std::make_unique<ObservedCore>();
        login(*core_);
    }
    void TearDown() override {
        if (core_) core_->logoutService();
        core_.reset();
        tevo_test::SimFixture::TearDown();
    }
    void login(RobotControlServices& core) {
        tevo_robot_namespace::RobotType type{};
        tevo_robot_namespace::RobotDhPara dh{};
        ASSERT_EQ(core.loginService(simHost(), simPort(), simUser(), simPassword(), type, dh), 0);
    }
    ObservedCore& core() { return *core_; }

    LogCapture log_;
    std::unique_ptr<ObservedCore> core_;
};

// Polls cond until it holds or the time-out passes.
inline bool waitUntil(const std::function<bool()>& cond,
                      std::chrono::milliseconds timeout = 5000ms) {
    const auto deadline = Clock::now() + timeout;
    while (!cond()) {
        if (Clock::now() >= deadline) return cond();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Bytes the process has allocated and not freed (the sanitizers' allocator
// under ASan and TSan, glibc's otherwise).
inline long long liveHeapBytes() {
#ifdef CORE_TEST_SANITIZER_HEAP
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks) + static_cast<long long>(info.hblkhd);
#endif
}

inline long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace core_test
