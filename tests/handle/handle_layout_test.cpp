// The C records of the handle header have the layout of the library's value
// types, which the handle interface passes to C callers unchanged.
#include <gtest/gtest.h>

#include <cstddef>

#define RSROBOTCONTROL_C_RECORDS
#include "handle/rsrobotcontrol.h"

namespace c = rs_c_records;
namespace t = tevo_robot_namespace;

#define SAME_SIZE(C, T) static_assert(sizeof(C) == sizeof(T) && alignof(C) == alignof(T), #C)
#define SAME_AT(C, T, f) static_assert(offsetof(C, f) == offsetof(T, f), #C "::" #f)

SAME_SIZE(c::Pos, t::Pos);
SAME_SIZE(c::Ori, t::Ori);
SAME_SIZE(c::Rpy, t::Rpy);
SAME_SIZE(c::ToolInEndDesc, t::ToolInEndDesc);
SAME_AT(c::ToolInEndDesc, t::ToolInEndDesc, toolInEndOrientation);
SAME_SIZE(c::wayPoint_S, t::wayPoint_S);
SAME_AT(c::wayPoint_S, t::wayPoint_S, orientation);
SAME_AT(c::wayPoint_S, t::wayPoint_S, jointpos);
SAME_SIZE(c::JointParam, t::JointParam);
SAME_SIZE(c::JointVelcAccParam, t::JointVelcAccParam);
SAME_SIZE(c::RangeOfMotion, t::RangeOfMotion);
SAME_SIZE(c::CoordCalibrate, t::CoordCalibrate);
SAME_AT(c::CoordCalibrate, t::CoordCalibrate, methods);
SAME_AT(c::CoordCalibrate, t::CoordCalibrate, wayPointArray);
SAME_AT(c::CoordCalibrate, t::CoordCalibrate, toolDesc);
SAME_SIZE(c::MoveRelative, t::MoveRelative);
SAME_AT(c::MoveRelative, t::MoveRelative, relativePosition);
SAME_AT(c::MoveRelative, t::MoveRelative, relativeOri);
SAME_SIZE(c::MoveProfile_t, t::MoveProfile_t);
SAME_AT(c::MoveProfile_t, t::MoveProfile_t, endMaxLineAcc);
SAME_AT(c::MoveProfile_t, t::MoveProfile_t, relative);
SAME_AT(c::MoveProfile_t, t::MoveProfile_t, relativeOnCoord);
SAME_AT(c::MoveProfile_t, t::MoveProfile_t, blendRadius);
SAME_AT(c::MoveProfile_t, t::MoveProfile_t, toolInEndDesc);
SAME_SIZE(c::RegulateSpeedModeParamConfig_t, t::RegulateSpeedModeParamConfig_t);
SAME_AT(c::RegulateSpeedModeParamConfig_t, t::RegulateSpeedModeParamConfig_t, maxJointAcceleration);
SAME_SIZE(c::ToolDynamicsParam, t::ToolDynamicsParam);
SAME_AT(c::ToolDynamicsParam, t::ToolDynamicsParam, toolInertia);
SAME_SIZE(c::JointStatus, t::JointStatus);
SAME_AT(c::JointStatus, t::JointStatus, jointPosJ);
SAME_AT(c::JointStatus, t::JointStatus, jointTagCurrentI);
SAME_AT(c::JointStatus, t::JointStatus, jointErrorNum);
SAME_SIZE(c::RobotDiagnosis, t::RobotDiagnosis);
SAME_AT(c::RobotDiagnosis, t::RobotDiagnosis, armPowerStatus);
SAME_AT(c::RobotDiagnosis, t::RobotDiagnosis, robotEndSpeed);
SAME_AT(c::RobotDiagnosis, t::RobotDiagnosis, orpeStatus);
SAME_AT(c::RobotDiagnosis, t::RobotDiagnosis, macTargetPosBufferSize);
SAME_AT(c::RobotDiagnosis, t::RobotDiagnosis, controlBoardAbnormalStateFlag);
SAME_SIZE(c::RobotGravityComponent, t::RobotGravityComponent);
SAME_SIZE(c::RobotRecongnitionParam, t::RobotRecongnitionParam);
SAME_AT(c::RobotRecongnitionParam, t::RobotRecongnitionParam, data);
SAME_SIZE(c::RobotDevInfo, t::RobotDevInfo);
SAME_AT(c::RobotDevInfo, t::RobotDevInfo, joint_ver);
SAME_AT(c::RobotDevInfo, t::RobotDevInfo, desc);
SAME_AT(c::RobotDevInfo, t::RobotDevInfo, jointProductID);
SAME_AT(c::RobotDevInfo, t::RobotDevInfo, extio_version);
SAME_SIZE(c::JointCommonData, t::JointCommonData);
SAME_AT(c::JointCommonData, t::JointCommonData, JointTagCurrent);
SAME_AT(c::JointCommonData, t::JointCommonData, JointMINPos);
SAME_AT(c::JointCommonData, t::JointCommonData, JointSEVLock);
SAME_AT(c::JointCommonData, t::JointCommonData, JointPosDS);
SAME_SIZE(c::RobotJointCommonData, ::RobotJointCommonData);
SAME_SIZE(c::RobotSafetyConfig, t::RobotSafetyConfig);
SAME_AT(c::RobotSafetyConfig, t::RobotSafetyConfig, robotReducedConfigTcpSpeed);
SAME_AT(c::RobotSafetyConfig, t::RobotSafetyConfig, robotOperationalModeConfig);
SAME_SIZE(c::OrpeSafetyStatus, t::OrpeSafetyStatus);
SAME_AT(c::OrpeSafetyStatus, t::OrpeSafetyStatus, systemEmergencyStop);
SAME_SIZE(c::RobotIoDesc, t::RobotIoDesc);
SAME_AT(c::RobotIoDesc, t::RobotIoDesc, ioType);
SAME_AT(c::RobotIoDesc, t::RobotIoDesc, ioName);
SAME_AT(c::RobotIoDesc, t::RobotIoDesc, ioAddr);
SAME_AT(c::RobotIoDesc, t::RobotIoDesc, ioValue);
SAME_SIZE(c::ServoStreamStatus, t::ServoStreamStatus);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, reserved);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, cycles);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, refusedLocally);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, lateLastSec);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, answerMaxSec);
SAME_AT(c::ServoStreamStatus, t::ServoStreamStatus, lastTarget);
// Enumerations travel as int.
SAME_SIZE(c::RobotIoType, t::RobotIoType);
SAME_SIZE(c::LOG_LEVEL, t::LOG_LEVEL);

TEST(HandleLayout, CEnumeratorsHaveTheLibrarysValues) {
    const struct {
        int c, cxx;
    } cases[] = {{c::RobotBoardControllerDI, t::RobotBoardControllerDI},
                 {c::RobotBoardUserDO, t::RobotBoardUserDO},
                 {c::RobotToolAO, t::RobotToolAO},
                 {c::LL_WARN, t::LL_WARN},
                 {c::LL_FATAL, t::LL_FATAL},
                 {c::WorldCoordinate, t::WorldCoordinate}};
    for (const auto& e : cases) EXPECT_EQ(e.c, e.cxx);
}
