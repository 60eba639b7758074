// Helpers of the handle-interface tests: the process's log lines captured
// through rs_setcallback_robot_loginfo, and a context logged in to the
// simulator.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "handle/rsrobotcontrol.h"
#include "support/simfixture.h"

namespace tevo_test {

// Records every log line of the process while registered (the log sink is
// one per process, so registering through any handle catches all lines).
class HandleLogCapture {
public:
    void attach(RSHD rshd) {
        ASSERT_EQ(rs_setcallback_robot_loginfo(rshd, &HandleLogCapture::record, this), 0);
    }
    void detach(RSHD rshd) { rs_setcallback_robot_loginfo(rshd, nullptr, nullptr); }

    bool contains(int level, const std::string& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& line : lines_) {
            if (line.first == level && line.second == text) return true;
        }
        return false;
    }

    // Whether a line at this level holds every one of these parts.
    bool containsAll(int level, const std::vector<std::string>& parts) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& line : lines_) {
            if (line.first != level) continue;
            bool all = true;
            for (const std::string& part : parts) {
                all = all && line.second.find(part) != std::string::npos;
            }
            if (all) return true;
        }
        return false;
    }

private:
    static void record(tevo_robot_namespace::LOG_LEVEL level, const char* text, void* arg) {
        auto* self = static_cast<HandleLogCapture*>(arg);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->lines_.emplace_back(static_cast<int>(level), text);
    }

    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> lines_;
};

// A context logged in to the simulator with the fixed credentials and the arm
// started up; the global move profile reset and no tool.
class HandleSimFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        ASSERT_EQ(rs_create_context(&rshd_), 0);
        ASSERT_EQ(rs_login(rshd_, simHost(), simPort()), 0);
        tevo_robot_namespace::ToolDynamicsParam tool{};
        tevo_robot_namespace::ROBOT_SERVICE_STATE state{};
        ASSERT_EQ(rs_robot_startup(rshd_, &tool, 6, true, true, 1000, &state), 0);
        ASSERT_EQ(rs_init_global_move_profile(rshd_), 0);
        ASSERT_EQ(rs_set_none_tool_kinematics_param(rshd_), 0);
        ASSERT_EQ(rs_remove_all_waypoint(rshd_), 0);
    }

    void TearDown() override {
        rs_uninitialize();
        SimFixture::TearDown();
    }

    RSHD rshd_ = 0;
};

}  // namespace tevo_test
