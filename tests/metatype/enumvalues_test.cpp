#include <gtest/gtest.h>

#include <set>

#include "TevoRobotMetaType.h"

using namespace tevo_robot_namespace;

namespace {

struct ValueCase {
    const char* name;
    long long actual;
    long long expected;
};

// clang-format off
#define CASE(e, v) ValueCase{#e, static_cast<long long>(e), (v)}
// clang-format on

// Values that applications and controllers rely on, a sample of every
// enumeration and band.
const ValueCase kValueCases[] = {
    CASE(ARM_DOF, 6),
    CASE(InterfaceCallSuccCode, 0),
    // Log levels.
    CASE(LL_INFO, 0),
    CASE(LL_DEBUG, 1),
    CASE(LL_WARN, 2),
    CASE(LL_ERROR, 3),
    CASE(LL_FATAL, 4),
    // Robot events: status band.
    CASE(RobotEvent_armCanbusError, 0),
    CASE(RobotEvent_collision, 8),
    CASE(RobotEvent_robotStartupDoneResult, 20),
    CASE(RobotEvent_robotShutdownDone, 21),
    CASE(RobotEvent_atTrackTargetPos, 22),
    CASE(RobotSetPowerOnDone, 23),
    CASE(RobotReleaseBrakeDone, 24),
    CASE(RobotEvent_robotControllerError, 26),
    CASE(RobotEvent_socketDisconnected, 27),
    CASE(RobotEvent_RobotHandShakeSucc, 35),
    CASE(RobotEvent_RobotHandShakeFailed, 36),
    CASE(RobotEvent_UpdateJoint6Rot360Flag, 42),
    CASE(RobotEvent_RobotMoveControlDone, 43),
    CASE(RobotEvent_RobotMoveControlStopDone, 44),
    CASE(RobotEvent_RobotMoveControlPauseDone, 45),
    CASE(RobotEvent_RobotMoveControlContinueDone, 46),
    CASE(RobotEvent_ConveyorTrackRobotCatchup, 50),
    CASE(RobotEvent_exceptEvent, 100),
    // Motion planning and monitoring band.
    CASE(RobotEventInvalid, 1000),
    CASE(RobotEventMoveJConfigError, 1001),
    CASE(RobotEventextErnalToolConfigError, 1012),
    CASE(RobotEventTrajectoryAbnormal, 1101),
    CASE(RobotEventIKFailed, 1104),
    CASE(RobotEventTrajectoryJointAccOutOfRange, 1111),
    CASE(RobotEventControllerIKFailed, 1200),
    CASE(RobotEventMonitorErrFifoDataTimeNotRead, 1207),
    CASE(RobotEventMoveEnterStopState, 1300),
    // Hardware band.
    CASE(RobotEventHardwareErrorNotify, 2001),
    CASE(RobotEventJointError, 2101),
    CASE(RobotEventJointCollision, 2123),
    CASE(RobotEventDataAbnormal, 2200),
    CASE(RobotEventDriveVersionError, 2207),
    CASE(RobotEventInitAbnormal, 2300),
    CASE(RobotEventSetMaxAccelerateFailed, 2307),
    CASE(RobotEventSafetyError, 2400),
    CASE(RobotEventEeducedModeTimeout, 2406),
    CASE(RobotEventSystemAbnormal, 2500),
    CASE(RobotEvent485CommunicationAbnormal, 2502),
    CASE(RobotEventSoftEmergency, 2550),
    CASE(RobotEventSoftEmergencyExit, 2551),
    CASE(RobotEventArmPowerOff, 2600),
    CASE(RobotEventHardwareErrorNotifyMaximumIndex, 2999),
    // Notifications, user events, unknown.
    CASE(RobotEventNotifyEvent, 3000),
    CASE(RobotEventNotifyCollisionLevelChange, 3001),
    CASE(RobotEventNotifyEnterSpeedReducedMode, 3015),
    CASE(RobotEventNotifyStopCurrentMove, 3100),
    CASE(RobotEvent_User, 9000),
    CASE(RobotEvent_MaxUser, 9999),
    CASE(robot_event_unknown, 10000),
    // Error code bands.
    CASE(ErrnoSucc, 0),
    CASE(ErrCode_Base, 10000),
    CASE(ErrCode_ParamError, 10002),
    CASE(ErrCode_RequestTimeout, 10007),
    CASE(ErrCode_MotionInterruptedByEvent, 10021),
    CASE(ErrCode_RealRobotNoExist, 10024),
    CASE(ErrCode_moveControlSlowStopFailed, 11025),
    CASE(ErrCode_moveControlContinueFailed, 11028),
    CASE(ErrCode_collision, 20008),
    CASE(ErrCodeMoveInterruptedByEvent, 21301),
    CASE(ErrCodeArmPowerOff, 22600),
    // Motion.
    CASE(NO_TRACK, 0),
    CASE(TRACKING, 1),
    CASE(CARTESIAN_MOVEP, 3),
    CASE(JIONT_CUBICSPLINE, 8),
    CASE(JOINT_GNUBSPLINEINTP, 10),
    CASE(ARC, 11),
    CASE(CIRCLE_ORI_ROTATED, 14),
    CASE(ORI_POSITION_ROTATE_CIRCUMFERENCE, 101),
    CASE(NO_MOVEMODE, 0),
    CASE(MODEJ, 1),
    CASE(MODEL, 2),
    CASE(MODEP, 3),
    CASE(NO_TEACH, 0),
    CASE(JOINT6, 6),
    CASE(MOV_X, 7),
    CASE(ROT_Z, 12),
    CASE(arrival_ahead_none, 0),
    CASE(arrival_ahead_blend_time, 4),
    CASE(arrival_ahead_done, 5),
    CASE(RobotMoveStop, 0),
    CASE(RobotMovePause, 1),
    CASE(RobotMoveContinue, 2),
    CASE(call_robot_motion_func_failed, 0),
    CASE(call_robot_motion_func_succ_nocall_wait, 3),
    // Frames and calibration.
    CASE(BaseCoordinate, 0),
    CASE(EndCoordinate, 1),
    CASE(WorldCoordinate, 2),
    CASE(Origin_AnyPointOnPositiveXAxis_AnyPointOnPositiveYAxis, 0),
    CASE(Origin_AnyPointOnPositiveZAxis_AnyPointOnFirstQuadrantOfZOYPlane, 8),
    CASE(CoordTypeCount, 9),
    CASE(ToolKinematicsOriCalibrateMathod_Invalid, -1),
    CASE(ToolKinematicsOriCalibrateMathod_TzRBz_TzxPBzAndTxABnz, 5),
    CASE(ToolKinematicsOriCalibrateMathodCount, 6),
    CASE(POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, 1),
    CASE(POSITION_M_AND_QUATERNION_COMMA_SPLIT, 10),
    // Status, control, I/O.
    CASE(RobotResumed, 3),
    CASE(RobotModeReal, 1),
    CASE(ROBOT_SETVICE_FAULT_SAFEGUARD_STOP, 8),
    CASE(ROBOT_MODEL_9, 9),
    CASE(Dyn_identify_traj_tool_abort, 3),
    CASE(update_master_board_firmware_trans_start, 1),
    CASE(update_slave_board_firmware_trans_end, 6),
    CASE(RobotRelease, 0),
    CASE(MountingPoseUnChanged, 11),
    CASE(ClearRobotCurrentAlarm, 15),
    CASE(RobotBoardControllerDI, 0),
    CASE(RobotBoardUserDO, 5),
    CASE(RobotToolAO, 11),
    CASE(IO_STATUS_VALID, 1),
    CASE(TOOL_DIGITAL_IO_3, 3),
    CASE(IO_OUT, 1),
    CASE(OUT_24V, 2),
};

#undef CASE

TEST(EnumValues, EveryEnumeratorHasItsFixedValue) {
    for (const ValueCase& c : kValueCases) {
        EXPECT_EQ(c.actual, c.expected) << c.name;
    }
}

// Every result code from 20000 up except 21301 is its namesake event's value
// plus 20000; the motion code relies on that to translate an ending event.
struct Namesake {
    RobotEventType event;
    RobotErrorCode code;
};

const Namesake kNamesakes[] = {
    {RobotEvent_collision, ErrCode_collision},
    {RobotEvent_robotControllerError, ErrCode_robotControllerError},
    {RobotEventMoveJConfigError, ErrCodeMoveJConfigError},
    {RobotEventMoveLConfigError, ErrCodeMoveLConfigError},
    {RobotEventMovePConfigError, ErrCodeMovePConfigError},
    {RobotEventInvailConfigError, ErrCodeInvailConfigError},
    {RobotEventWaitRobotStopped, ErrCodeWaitRobotStopped},
    {RobotEventJointOutRange, ErrCodeJointOutRange},
    {RobotEventFirstWaypointSetError, ErrCodeFirstWaypointSetError},
    {RobotEventConveyorTrackConfigError, ErrCodeConveyorTrackConfigError},
    {RobotEventConveyorTrackTrajectoryTypeError, ErrCodeConveyorTrackTrajectoryTypeError},
    {RobotEventRelativeTransformIKFailed, ErrCodeRelativeTransformIKFailed},
    {RobotEventTeachModeCollision, ErrCodeTeachModeCollision},
    {RobotEventextErnalToolConfigError, ErrCodeextErnalToolConfigError},
    {RobotEventTrajectoryAbnormal, ErrCodeTrajectoryAbnormal},
    {RobotEventOnlineTrajectoryPlanError, ErrCodeOnlineTrajectoryPlanError},
    {RobotEventOnlineTrajectoryTypeIIError, ErrCodeOnlineTrajectoryTypeIIError},
    {RobotEventIKFailed, ErrCodeIKFailed},
    {RobotEventAbnormalLimitProtect, ErrCodeAbnormalLimitProtect},
    {RobotEventConveyorTrackingFailed, ErrCodeConveyorTrackingFailed},
    {RobotEventConveyorOutWorkingRange, ErrCodeConveyorOutWorkingRange},
    {RobotEventTrajectoryJointOutOfRange, ErrCodeTrajectoryJointOutOfRange},
    {RobotEventTrajectoryJointOverspeed, ErrCodeTrajectoryJointOverspeed},
    {RobotEventOfflineTrajectoryPlanFailed, ErrCodeOfflineTrajectoryPlanFailed},
    {RobotEventTrajectoryJointAccOutOfRange, ErrCodeTrajectoryJointAccOutOfRange},
    {RobotEventControllerIKFailed, ErrCodeControllerIKFailed},
    {RobotEventControllerStatusException, ErrCodeControllerStatusException},
    {RobotEventControllerTrackingLost, ErrCodeControllerTrackingLost},
    {RobotEventMonitorErrTrackingLost, ErrCodeMonitorErrTrackingLost},
    {RobotEventMonitorErrNoArrivalInTime, ErrCodeMonitorErrNoArrivalInTime},
    {RobotEventMonitorErrCurrentOverload, ErrCodeMonitorErrCurrentOverload},
    {RobotEventMonitorErrJointOutOfRange, ErrCodeMonitorErrJointOutOfRange},
    {RobotEventMonitorErrFifoDataTimeNotRead, ErrCodeFifoDataTimeNotRead},
    {RobotEventMoveEnterStopState, ErrCodeMoveEnterStopState},
    {RobotEventHardwareErrorNotify, ErrCodeHardwareErrorNotify},
    {RobotEventJointError, ErrCodeJointError},
    {RobotEventJointOverCurrent, ErrCodeJointOverCurrent},
    {RobotEventJointOverVoltage, ErrCodeJointOverVoltage},
    {RobotEventJointLowVoltage, ErrCodeJointLowVoltage},
    {RobotEventJointOverTemperature, ErrCodeJointOverTemperature},
    {RobotEventJointHallError, ErrCodeJointHallError},
    {RobotEventJointEncoderError, ErrCodeJointEncoderError},
    {RobotEventJointAbsoluteEncoderError, ErrCodeJointAbsoluteEncoderError},
    {RobotEventJointCurrentDetectError, ErrCodeJointCurrentDetectError},
    {RobotEventJointEncoderPollustion, ErrCodeJointEncoderPollustion},
    {RobotEventJointEncoderZSignalError, ErrCodeJointEncoderZSignalError},
    {RobotEventJointEncoderCalibrateInvalid, ErrCodeJointEncoderCalibrateInvalid},
    {RobotEventJoint_IMU_SensorInvalid, ErrCodeJoint_IMU_SensorInvalid},
    {RobotEventJointTemperatureSensorError, ErrCodeJointTemperatureSensorError},
    {RobotEventJointCanBusError, ErrCodeJointCanBusError},
    {RobotEventJointCurrentError, ErrCodeJointCurrentError},
    {RobotEventJointCurrentPositionError, ErrCodeJointCurrentPositionError},
    {RobotEventJointOverSpeed, ErrCodeJointOverSpeed},
    {RobotEventJointOverAccelerate, ErrCodeJointOverAccelerate},
    {RobotEventJointTraceAccuracy, ErrCodeJointTraceAccuracy},
    {RobotEventJointTargetPositionOutOfRange, ErrCodeJointTargetPositionOutOfRange},
    {RobotEventJointTargetSpeedOutOfRange, ErrCodeJointTargetSpeedOutOfRange},
    {RobotEventJointCollision, ErrCodeJointCollision},
    {RobotEventDataAbnormal, ErrCodeDataAbnormal},
    {RobotEventRobotTypeError, ErrCodeRobotTypeError},
    {RobotEventAccelerationSensorError, ErrCodeAccelerationSensorError},
    {RobotEventEncoderLineError, ErrCodeEncoderLineError},
    {RobotEventEnterDragAndTeachModeError, ErrCodeEnterDragAndTeachModeError},
    {RobotEventExitDragAndTeachModeError, ErrCodeExitDragAndTeachModeError},
    {RobotEventMACDataInterruptionError, ErrCodeMACDataInterruptionError},
    {RobotEventDriveVersionError, ErrCodeDriveVersionError},
    {RobotEventInitAbnormal, ErrCodeInitAbnormal},
    {RobotEventDriverEnableFailed, ErrCodeDriverEnableFailed},
    {RobotEventDriverEnableAutoBackFailed, ErrCodeDriverEnableAutoBackFailed},
    {RobotEventDriverEnableCurrentLoopFailed, ErrCodeDriverEnableCurrentLoopFailed},
    {RobotEventDriverSetTargetCurrentFailed, ErrCodeDriverSetTargetCurrentFailed},
    {RobotEventDriverReleaseBrakeFailed, ErrCodeDriverReleaseBrakeFailed},
    {RobotEventDriverEnablePostionLoopFailed, ErrCodeDriverEnablePostionLoopFailed},
    {RobotEventSetMaxAccelerateFailed, ErrCodeSetMaxAccelerateFailed},
    {RobotEventSafetyError, ErrCodeSafetyError},
    {RobotEventExternEmergencyStop, ErrCodeExternEmergencyStop},
    {RobotEventSystemEmergencyStop, ErrCodeSystemEmergencyStop},
    {RobotEventTeachpendantEmergencyStop, ErrCodeTeachpendantEmergencyStop},
    {RobotEventControlCabinetEmergencyStop, ErrCodeControlCabinetEmergencyStop},
    {RobotEventProtectionStopTimeout, ErrCodeProtectionStopTimeout},
    {RobotEventEeducedModeTimeout, ErrCodeEeducedModeTimeout},
    {RobotEventSystemAbnormal, ErrCodeSystemAbnormal},
    {RobotEvent_MCU_CommunicationAbnormal, ErrCode_MCU_CommunicationAbnormal},
    {RobotEvent485CommunicationAbnormal, ErrCode485CommunicationAbnormal},
    {RobotEventSoftEmergency, ErrCodeSoftEmergency},
    {RobotEventArmPowerOff, ErrCodeArmPowerOff},
};

TEST(EventErrorNamesakes, CodeIsEventPlusTwentyThousand) {
    std::set<int> codes;
    for (const Namesake& n : kNamesakes) {
        EXPECT_EQ(static_cast<int>(n.code), static_cast<int>(n.event) + 20000) << n.event;
        codes.insert(n.code);
    }
    EXPECT_EQ(codes.size(), sizeof(kNamesakes) / sizeof(kNamesakes[0])) << "duplicate codes";
}

}  // namespace
