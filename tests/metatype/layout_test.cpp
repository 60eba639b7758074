#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "TevoRobotMetaType.h"
#include "kinematics/kinematicstypes.h"

namespace trn = tevo_robot_namespace;

namespace {

// The unions' array views must alias the named fields in order: the codec
// and the kinematics glue copy through either view.
TEST(UnionViews, ArrayViewsAliasNamedFieldsInOrder) {
    trn::cartesianPos_U pos{};
    pos.position = trn::Pos{1.5, -2.5, 3.5};
    EXPECT_EQ(pos.positionVector[0], 1.5);
    EXPECT_EQ(pos.positionVector[1], -2.5);
    EXPECT_EQ(pos.positionVector[2], 3.5);

    cartesian_Ori_U ori{};
    ori.orientation = trn::Ori{0.5, 0.1, 0.2, 0.3};
    EXPECT_EQ(ori.quaternionVector[0], 0.5);  // scalar first
    EXPECT_EQ(ori.quaternionVector[3], 0.3);

    // Cartesian limits overlay the first two joint values.
    joint_cart_U limits{};
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        limits.jointPara[i] = i + 1;
    }
    limits.cartPara[0] = 10.0;
    limits.cartPara[1] = 20.0;
    EXPECT_EQ(limits.jointPara[0], 10.0);
    EXPECT_EQ(limits.jointPara[1], 20.0);
    EXPECT_EQ(limits.jointPara[2], 3.0);
}

// The kinematics core keeps its own global twins of the public geometry
// types; code copies between them byte for byte, so their layouts must agree.
TEST(KinematicsTwins, SameLayoutAsPublicTypes) {
    static_assert(!std::is_same<::Pos, trn::Pos>::value, "distinct types");
    EXPECT_EQ(sizeof(::Pos), sizeof(trn::Pos));
    EXPECT_EQ(sizeof(::Ori), sizeof(trn::Ori));
    EXPECT_EQ(sizeof(::cartesianPos_U), sizeof(trn::cartesianPos_U));
    EXPECT_EQ(sizeof(::cartesianOri_U), sizeof(cartesian_Ori_U));
    EXPECT_EQ(sizeof(::wayPoint_S), sizeof(trn::wayPoint_S));
    EXPECT_EQ(offsetof(::wayPoint_S, orientation), offsetof(trn::wayPoint_S, orientation));
    EXPECT_EQ(offsetof(::wayPoint_S, jointpos), offsetof(trn::wayPoint_S, jointpos));
    EXPECT_EQ(offsetof(::Ori, z), offsetof(trn::Ori, z));

    trn::wayPoint_S pub{};
    pub.cartPos.position = trn::Pos{0.1, 0.2, 0.3};
    pub.orientation = trn::Ori{1.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        pub.jointpos[i] = 0.5 * i;
    }
    ::wayPoint_S core;
    std::memcpy(&core, &pub, sizeof core);
    EXPECT_EQ(core.cartPos.position.y, 0.2);
    EXPECT_EQ(core.orientation.w, 1.0);
    EXPECT_EQ(core.jointpos[5], 2.5);
}

// Code that sees both sets of names (the solver glue) names the public ones
// qualified; the records of the global scope refer to the public types.
TEST(KinematicsTwins, GlobalRecordsUsePublicTypes) {
    EXPECT_TRUE(
        (std::is_same<decltype(RobotMoveProfile::toolInEndPosition), trn::cartesianPos_U>::value));
    EXPECT_TRUE((std::is_same<decltype(RobotMoveProfile::toolInEndOrientation), trn::Ori>::value));
    EXPECT_TRUE((std::is_same<decltype(cartesian_Ori_U::orientation), trn::Ori>::value));
}

TEST(RobotEventInfoValue, CopiesOwnTheirText) {
    trn::RobotEventInfo original{trn::RobotEvent_socketDisconnected, 0, "Server disconnected."};
    trn::RobotEventInfo copy = original;
    original.eventContent.assign("changed");
    original.eventType = trn::robot_event_unknown;
    EXPECT_EQ(copy.eventType, trn::RobotEvent_socketDisconnected);
    EXPECT_EQ(copy.eventContent, "Server disconnected.");
}

}  // namespace
