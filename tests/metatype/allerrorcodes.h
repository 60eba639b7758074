// Every enumerator of RobotErrorCode, in declaration order: the codes the
// library's operations can return.
#pragma once

#include "TevoRobotMetaType.h"

namespace tevo_test {

namespace trn = tevo_robot_namespace;

// clang-format off
inline constexpr trn::RobotErrorCode kAllRobotErrorCodes[] = {
    trn::ErrnoSucc, trn::ErrCode_Base, trn::ErrCode_Failed, trn::ErrCode_ParamError,
    trn::ErrCode_ConnectSocketFailed, trn::ErrCode_SocketDisconnect,
    trn::ErrCode_CreateRequestFailed, trn::ErrCode_RequestRelatedVariableError,
    trn::ErrCode_RequestTimeout, trn::ErrCode_SendRequestFailed, trn::ErrCode_ResponseInfoIsNULL,
    trn::ErrCode_ResolveResponseFailed, trn::ErrCode_FkFailed, trn::ErrCode_IkFailed,
    trn::ErrCode_ToolCalibrateError, trn::ErrCode_ToolCalibrateParamError,
    trn::ErrCode_CoordinateSystemCalibrateError, trn::ErrCode_BaseToUserConvertFailed,
    trn::ErrCode_UserToBaseConvertFailed, trn::ErrCode_MotionRelatedVariableError,
    trn::ErrCode_MotionRequestFailed, trn::ErrCode_CreateMotionRequestFailed,
    trn::ErrCode_MotionInterruptedByEvent, trn::ErrCode_MotionWaypointVetorSizeError,
    trn::ErrCode_ResponseReturnError, trn::ErrCode_RealRobotNoExist,
    trn::ErrCode_moveControlSlowStopFailed, trn::ErrCode_moveControlFastStopFailed,
    trn::ErrCode_moveControlPauseFailed, trn::ErrCode_moveControlContinueFailed,
    trn::ErrCode_collision, trn::ErrCode_robotControllerError, trn::ErrCodeMoveJConfigError,
    trn::ErrCodeMoveLConfigError, trn::ErrCodeMovePConfigError, trn::ErrCodeInvailConfigError,
    trn::ErrCodeWaitRobotStopped, trn::ErrCodeJointOutRange, trn::ErrCodeFirstWaypointSetError,
    trn::ErrCodeConveyorTrackConfigError, trn::ErrCodeConveyorTrackTrajectoryTypeError,
    trn::ErrCodeRelativeTransformIKFailed, trn::ErrCodeTeachModeCollision,
    trn::ErrCodeextErnalToolConfigError, trn::ErrCodeTrajectoryAbnormal,
    trn::ErrCodeOnlineTrajectoryPlanError, trn::ErrCodeOnlineTrajectoryTypeIIError,
    trn::ErrCodeIKFailed, trn::ErrCodeAbnormalLimitProtect, trn::ErrCodeConveyorTrackingFailed,
    trn::ErrCodeConveyorOutWorkingRange, trn::ErrCodeTrajectoryJointOutOfRange,
    trn::ErrCodeTrajectoryJointOverspeed, trn::ErrCodeOfflineTrajectoryPlanFailed,
    trn::ErrCodeTrajectoryJointAccOutOfRange, trn::ErrCodeControllerIKFailed,
    trn::ErrCodeControllerStatusException, trn::ErrCodeControllerTrackingLost,
    trn::ErrCodeMonitorErrTrackingLost, trn::ErrCodeMonitorErrNoArrivalInTime,
    trn::ErrCodeMonitorErrCurrentOverload, trn::ErrCodeMonitorErrJointOutOfRange,
    trn::ErrCodeFifoDataTimeNotRead, trn::ErrCodeMoveEnterStopState,
    trn::ErrCodeMoveInterruptedByEvent, trn::ErrCodeHardwareErrorNotify, trn::ErrCodeJointError,
    trn::ErrCodeJointOverCurrent, trn::ErrCodeJointOverVoltage, trn::ErrCodeJointLowVoltage,
    trn::ErrCodeJointOverTemperature, trn::ErrCodeJointHallError, trn::ErrCodeJointEncoderError,
    trn::ErrCodeJointAbsoluteEncoderError, trn::ErrCodeJointCurrentDetectError,
    trn::ErrCodeJointEncoderPollustion, trn::ErrCodeJointEncoderZSignalError,
    trn::ErrCodeJointEncoderCalibrateInvalid, trn::ErrCodeJoint_IMU_SensorInvalid,
    trn::ErrCodeJointTemperatureSensorError, trn::ErrCodeJointCanBusError,
    trn::ErrCodeJointCurrentError, trn::ErrCodeJointCurrentPositionError,
    trn::ErrCodeJointOverSpeed, trn::ErrCodeJointOverAccelerate, trn::ErrCodeJointTraceAccuracy,
    trn::ErrCodeJointTargetPositionOutOfRange, trn::ErrCodeJointTargetSpeedOutOfRange,
    trn::ErrCodeJointCollision, trn::ErrCodeDataAbnormal, trn::ErrCodeRobotTypeError,
    trn::ErrCodeAccelerationSensorError, trn::ErrCodeEncoderLineError,
    trn::ErrCodeEnterDragAndTeachModeError, trn::ErrCodeExitDragAndTeachModeError,
    trn::ErrCodeMACDataInterruptionError, trn::ErrCodeDriveVersionError, trn::ErrCodeInitAbnormal,
    trn::ErrCodeDriverEnableFailed, trn::ErrCodeDriverEnableAutoBackFailed,
    trn::ErrCodeDriverEnableCurrentLoopFailed, trn::ErrCodeDriverSetTargetCurrentFailed,
    trn::ErrCodeDriverReleaseBrakeFailed, trn::ErrCodeDriverEnablePostionLoopFailed,
    trn::ErrCodeSetMaxAccelerateFailed, trn::ErrCodeSafetyError, trn::ErrCodeExternEmergencyStop,
    trn::ErrCodeSystemEmergencyStop, trn::ErrCodeTeachpendantEmergencyStop,
    trn::ErrCodeControlCabinetEmergencyStop, trn::ErrCodeProtectionStopTimeout,
    trn::ErrCodeEeducedModeTimeout, trn::ErrCodeSystemAbnormal,
    trn::ErrCode_MCU_CommunicationAbnormal, trn::ErrCode485CommunicationAbnormal,
    trn::ErrCodeSoftEmergency, trn::ErrCodeArmPowerOff,
};
// clang-format on

}  // namespace tevo_test
