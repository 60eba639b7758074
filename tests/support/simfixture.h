// The one fixture every network test uses: starts the controller simulator
// in-process on an ephemeral loopback port and tears it down afterwards.
//
//   class MyTest : public tevo_test::SimFixture {};
//   TEST_F(MyTest, Login) { connect to simHost(), simPort(); ... sim().setFault(...); }
//
// Override simOptions() to change the simulator's settings for a suite.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "sim/controllersim.h"

namespace tevo_test {

class SimFixture : public ::testing::Test {
protected:
    // Defaults for tests: moves and completion events run 20 times faster
    // than real time; everything else as a real controller.
    virtual tevo_sim::SimOptions simOptions() const {
        tevo_sim::SimOptions o;
        o.host = "127.0.0.1";
        o.port = 0;
        o.timeScale = 20.0;
        return o;
    }

    void SetUp() override {
        sim_ = std::make_unique<tevo_sim::ControllerSim>(simOptions());
        ASSERT_TRUE(sim_->start()) << "simulator failed to start";
        ASSERT_NE(sim_->port(), 0);
    }

    void TearDown() override {
        if (sim_) sim_->stop();
    }

    tevo_sim::ControllerSim& sim() { return *sim_; }
    const char* simHost() const { return "127.0.0.1"; }
    int simPort() const { return sim_->port(); }

    // The user name and password the simulator accepts by default.
    static const char* simUser() { return "tevo"; }
    static const char* simPassword() { return "tevo"; }

    // Polls `cond` until it holds or `timeout` passes; never a fixed sleep.
    static bool waitFor(const std::function<bool()>& cond,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!cond()) {
            if (std::chrono::steady_clock::now() >= deadline) return cond();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    std::unique_ptr<tevo_sim::ControllerSim> sim_;
};

}  // namespace tevo_test
