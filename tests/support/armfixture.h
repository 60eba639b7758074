// A simulator fixture with a facade logged in and the arm started up, the
// global move profile reset, no tool and an empty waypoint list: the starting
// point of every motion test.
#pragma once

#include <memory>

#include "RobotSDK/interface/serviceinterface.h"
#include "support/simfixture.h"

namespace tevo_test {

class StartedArmFixture : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        facade_ = std::make_unique<ServiceInterface>();
        ASSERT_EQ(facade_->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  tevo_robot_namespace::ErrnoSucc);
        tevo_robot_namespace::ToolDynamicsParam tool{};
        tevo_robot_namespace::ROBOT_SERVICE_STATE state;
        ASSERT_EQ(facade_->rootServiceRobotStartup(tool, 6, true, true, 1000, state, true),
                  tevo_robot_namespace::ErrnoSucc);
        facade_->robotServiceInitGlobalMoveProfile();
        facade_->robotServiceSetNoneToolKinematicsParam();
        facade_->robotServiceClearGlobalWayPointVector();
    }

    void TearDown() override {
        facade_.reset();
        SimFixture::TearDown();
    }

    std::unique_ptr<ServiceInterface> facade_;
};

}  // namespace tevo_test
