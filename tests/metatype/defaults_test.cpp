#include <gtest/gtest.h>

#include <cstring>

#include "metatypedefaults.h"

using namespace tevo_robot_namespace;
namespace defaults = tevo_robot_namespace::metatype_defaults;

namespace {

template <typename T>
bool allBytesZero(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

TEST(Defaults, PositionAndOrientation) {
    EXPECT_TRUE(allBytesZero(defaults::zeroPos()));
    const Ori ori = defaults::identityOri();
    EXPECT_EQ(ori.w, 1.0);
    EXPECT_EQ(ori.x, 0.0);
    EXPECT_EQ(ori.y, 0.0);
    EXPECT_EQ(ori.z, 0.0);
}

TEST(Defaults, ToolIsFlangeWithIdentityOrientation) {
    ToolInEndDesc tool = defaults::neutralToolInEndDesc();
    EXPECT_EQ(tool.toolInEndOrientation.w, 1.0);
    tool.toolInEndOrientation.w = 0.0;
    EXPECT_TRUE(allBytesZero(tool));
}

TEST(Defaults, MoveRelativeIsDisabledIdentity) {
    const MoveRelative rel = defaults::neutralMoveRelative();
    EXPECT_FALSE(rel.ena);
    for (float v : rel.relativePosition) {
        EXPECT_EQ(v, 0.0f);
    }
    EXPECT_EQ(rel.relativeOri.w, 1.0);
    EXPECT_EQ(rel.relativeOri.x, 0.0);
    EXPECT_EQ(rel.relativeOri.y, 0.0);
    EXPECT_EQ(rel.relativeOri.z, 0.0);
}

// Only the tool orientation's w is 1; every other number, the frame type
// (BaseCoordinate) and the method included, is 0. The record has no padding,
// so clearing w must leave all bytes zero.
TEST(Defaults, CoordCalibrateIsBaseFrameWithNeutralTool) {
    CoordCalibrateByJointAngleAndTool coord = defaults::neutralCoordCalibrate();
    EXPECT_EQ(coord.coordType, BaseCoordinate);
    EXPECT_EQ(coord.toolDesc.toolInEndOrientation.w, 1.0);
    coord.toolDesc.toolInEndOrientation.w = 0.0;
    EXPECT_TRUE(allBytesZero(coord));
}

TEST(Defaults, ToolDynamicsAreAllZero) {
    EXPECT_TRUE(allBytesZero(defaults::zeroToolInertia()));
    EXPECT_TRUE(allBytesZero(defaults::zeroToolDynamicsParam()));
}

TEST(Defaults, WayPointHasZeroJointsAndIdentityOrientation) {
    wayPoint_S point = defaults::zeroJointWayPoint();
    EXPECT_EQ(point.orientation.w, 1.0);
    point.orientation.w = 0.0;
    EXPECT_TRUE(allBytesZero(point));
}

}  // namespace
