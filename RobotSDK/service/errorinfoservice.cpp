#include "RobotSDK/service/errorinfoservice.h"

using namespace tevo_robot_namespace;

namespace {

// RS_ERR_TOO_MANY_CONTEXTS, RS_ERR_NO_CONTEXT and RS_ERR_OUT_OF_RANGE: the
// handle interface sits above this layer, so its codes are repeated here.
constexpr int kHandleTooManyContexts = 1001;
constexpr int kHandleNoContext = 1002;
constexpr int kHandleOutOfRange = 1003;

}  // namespace

std::map<RobotErrorCode, std::string> ErrorInfoService::S_errInfoDescMaping;
std::atomic<bool> ErrorInfoService::S_isInitInfoDescMaping{false};
std::once_flag ErrorInfoService::S_initOnce;

ErrorInfoService::ErrorInfoService() { initErrInfoDescMaping(); }

void ErrorInfoService::initErrInfoDescMaping() {
    std::call_once(S_initOnce, [] {
        S_errInfoDescMaping = {
            {ErrnoSucc, "Success."},
            {ErrCode_Base, "Error number base value."},
            {ErrCode_Failed, "Failed."},
            {ErrCode_ParamError, "Parameter error."},
            {ErrCode_ConnectSocketFailed, "Socket connect failed."},
            {ErrCode_SocketDisconnect, "Socket disconnect."},
            {ErrCode_CreateRequestFailed, "Create request failed."},
            {ErrCode_RequestRelatedVariableError, "Internal variable error."},
            {ErrCode_RequestTimeout, "Request timeout."},
            {ErrCode_SendRequestFailed, "Send request error."},
            {ErrCode_ResponseInfoIsNULL, "Response is NULL."},
            {ErrCode_ResolveResponseFailed, "Resolve response failed."},
            {ErrCode_FkFailed, "forward kin failed."},
            {ErrCode_IkFailed, "inverse kin failed."},
            {ErrCode_ToolCalibrateError, "Tool calibration error."},
            {ErrCode_ToolCalibrateParamError, "Tool calibration parameter error."},
            {ErrCode_CoordinateSystemCalibrateError, "Coordinate system calibration error."},
            {ErrCode_BaseToUserConvertFailed, "Base coordinate to user coordinate error."},
            {ErrCode_UserToBaseConvertFailed, "User coordinate to base coordinate error."},
            {ErrCode_MotionRelatedVariableError, "Motion-related variable error."},
            {ErrCode_MotionRequestFailed, "Motion-related request error."},
            {ErrCode_CreateMotionRequestFailed, "Motion-related create request error."},
            {ErrCode_MotionInterruptedByEvent, "The movement was interrupted by the event."},
            {ErrCode_MotionWaypointVetorSizeError, "Waypoint vector length issue."},
            {ErrCode_ResponseReturnError, "There is an error message in the response."},
            {ErrCode_RealRobotNoExist, "Real robotic arm does not exist."},
            {ErrCode_moveControlSlowStopFailed, "call slowStop return error."},
            {ErrCode_moveControlFastStopFailed, "call fastStop return error."},
            {ErrCode_moveControlPauseFailed, "call pause return error."},
            {ErrCode_moveControlContinueFailed, "call continue return error."},
            // A blocking move that ended on a controller event.
            {ErrCode_collision, "The move ended: the arm detected a collision."},
            {ErrCode_robotControllerError, "The move ended: the controller reported an error."},
            {ErrCodeMoveJConfigError, "The move ended: the joint move's settings are invalid."},
            {ErrCodeMoveLConfigError, "The move ended: the linear move's settings are invalid."},
            {ErrCodeMovePConfigError,
             "The move ended: the multi-point move's settings are invalid."},
            {ErrCodeInvailConfigError, "The move ended: the move's settings are invalid."},
            {ErrCodeWaitRobotStopped, "The move ended: the arm had to come to a stop first."},
            {ErrCodeJointOutRange, "The move ended: a joint is outside its range."},
            {ErrCodeFirstWaypointSetError, "The move ended: the first waypoint is invalid."},
            {ErrCodeConveyorTrackConfigError,
             "The move ended: the conveyor tracking settings are invalid."},
            {ErrCodeConveyorTrackTrajectoryTypeError,
             "The move ended: this kind of move cannot follow a conveyor."},
            {ErrCodeRelativeTransformIKFailed,
             "The move ended: no joint angles reach the relatively moved target."},
            {ErrCodeTeachModeCollision, "The move ended: a collision while jogging."},
            {ErrCodeextErnalToolConfigError,
             "The move ended: the external tool settings are invalid."},
            {ErrCodeTrajectoryAbnormal, "The move ended: the trajectory is abnormal."},
            {ErrCodeOnlineTrajectoryPlanError,
             "The move ended: online trajectory planning failed."},
            {ErrCodeOnlineTrajectoryTypeIIError,
             "The move ended: online trajectory planning failed (type II)."},
            {ErrCodeIKFailed, "The move ended: no joint angles reach a target pose."},
            {ErrCodeAbnormalLimitProtect, "The move ended: a limit protection stopped the arm."},
            {ErrCodeConveyorTrackingFailed, "The move ended: conveyor tracking failed."},
            {ErrCodeConveyorOutWorkingRange,
             "The move ended: the conveyor object left the working range."},
            {ErrCodeTrajectoryJointOutOfRange,
             "The move ended: the trajectory takes a joint outside its range."},
            {ErrCodeTrajectoryJointOverspeed,
             "The move ended: the trajectory is too fast for a joint."},
            {ErrCodeOfflineTrajectoryPlanFailed,
             "The move ended: offline trajectory planning failed."},
            {ErrCodeTrajectoryJointAccOutOfRange,
             "The move ended: the trajectory accelerates a joint too hard."},
            {ErrCodeControllerIKFailed,
             "The move ended: the controller found no joint angles for a pose."},
            {ErrCodeControllerStatusException,
             "The move ended: the controller's state is abnormal."},
            {ErrCodeControllerTrackingLost, "The move ended: the controller lost the trajectory."},
            {ErrCodeMonitorErrTrackingLost,
             "The move ended: the arm did not follow the trajectory."},
            {ErrCodeMonitorErrNoArrivalInTime,
             "The move ended: the arm did not reach the target in time."},
            {ErrCodeMonitorErrCurrentOverload, "The move ended: a joint current overload."},
            {ErrCodeMonitorErrJointOutOfRange,
             "The move ended: the monitor found a joint outside its range."},
            {ErrCodeFifoDataTimeNotRead,
             "The move ended: the trajectory data were not read in time."},
            {ErrCodeMoveEnterStopState, "The move was stopped by a stop request."},
            {ErrCodeMoveInterruptedByEvent, "The move ended: an event interrupted it."},
            // A blocking move that ended on a hardware event.
            {ErrCodeHardwareErrorNotify, "The move ended: the hardware reported an error."},
            {ErrCodeJointError, "The move ended: a joint reported an error."},
            {ErrCodeJointOverCurrent, "The move ended: a joint's current is too high."},
            {ErrCodeJointOverVoltage, "The move ended: a joint's voltage is too high."},
            {ErrCodeJointLowVoltage, "The move ended: a joint's voltage is too low."},
            {ErrCodeJointOverTemperature, "The move ended: a joint is too hot."},
            {ErrCodeJointHallError, "The move ended: a joint's Hall sensor failed."},
            {ErrCodeJointEncoderError, "The move ended: a joint's encoder failed."},
            {ErrCodeJointAbsoluteEncoderError,
             "The move ended: a joint's absolute encoder failed."},
            {ErrCodeJointCurrentDetectError,
             "The move ended: a joint's current measurement failed."},
            {ErrCodeJointEncoderPollustion, "The move ended: a joint's encoder is contaminated."},
            {ErrCodeJointEncoderZSignalError,
             "The move ended: a joint's encoder index signal is faulty."},
            {ErrCodeJointEncoderCalibrateInvalid,
             "The move ended: a joint's encoder calibration is invalid."},
            {ErrCodeJoint_IMU_SensorInvalid, "The move ended: a joint's inertial sensor failed."},
            {ErrCodeJointTemperatureSensorError,
             "The move ended: a joint's temperature sensor failed."},
            {ErrCodeJointCanBusError, "The move ended: a joint's CAN bus failed."},
            {ErrCodeJointCurrentError, "The move ended: a joint's current is abnormal."},
            {ErrCodeJointCurrentPositionError, "The move ended: a joint's position is abnormal."},
            {ErrCodeJointOverSpeed, "The move ended: a joint moved too fast."},
            {ErrCodeJointOverAccelerate, "The move ended: a joint accelerated too hard."},
            {ErrCodeJointTraceAccuracy, "The move ended: a joint strayed from its path."},
            {ErrCodeJointTargetPositionOutOfRange,
             "The move ended: a joint's target position is out of range."},
            {ErrCodeJointTargetSpeedOutOfRange,
             "A joint's target speed is out of range: the move ended, or a streamed target "
             "jumped too far and was not sent."},
            {ErrCodeJointCollision, "The move ended: a joint detected a collision."},
            {ErrCodeDataAbnormal, "The move ended: the hardware sent abnormal data."},
            {ErrCodeRobotTypeError, "The move ended: the arm model does not match."},
            {ErrCodeAccelerationSensorError, "The move ended: the acceleration sensor failed."},
            {ErrCodeEncoderLineError, "The move ended: an encoder's line count is wrong."},
            {ErrCodeEnterDragAndTeachModeError,
             "The move ended: the arm could not enter hand-guiding mode."},
            {ErrCodeExitDragAndTeachModeError,
             "The move ended: the arm could not leave hand-guiding mode."},
            {ErrCodeMACDataInterruptionError,
             "The move ended: the data link to the joints was interrupted."},
            {ErrCodeDriveVersionError, "The move ended: a joint drive has the wrong version."},
            {ErrCodeInitAbnormal, "The move ended: the hardware failed to initialise."},
            {ErrCodeDriverEnableFailed, "The move ended: a joint drive could not be enabled."},
            {ErrCodeDriverEnableAutoBackFailed,
             "The move ended: a joint drive could not enable its automatic return."},
            {ErrCodeDriverEnableCurrentLoopFailed,
             "The move ended: a joint drive could not enable its current loop."},
            {ErrCodeDriverSetTargetCurrentFailed,
             "The move ended: a joint drive could not set its target current."},
            {ErrCodeDriverReleaseBrakeFailed,
             "The move ended: a joint drive could not release its brake."},
            {ErrCodeDriverEnablePostionLoopFailed,
             "The move ended: a joint drive could not enable its position loop."},
            {ErrCodeSetMaxAccelerateFailed,
             "The move ended: the maximum acceleration could not be set."},
            {ErrCodeSafetyError, "The move ended: the safety system reported an error."},
            {ErrCodeExternEmergencyStop, "The move ended: external emergency stop."},
            {ErrCodeSystemEmergencyStop, "The move ended: system emergency stop."},
            {ErrCodeTeachpendantEmergencyStop, "The move ended: teach pendant emergency stop."},
            {ErrCodeControlCabinetEmergencyStop, "The move ended: control cabinet emergency stop."},
            {ErrCodeProtectionStopTimeout, "The move ended: the protective stop timed out."},
            {ErrCodeEeducedModeTimeout, "The move ended: the reduced mode timed out."},
            {ErrCodeSystemAbnormal, "The move ended: the system is in an abnormal state."},
            {ErrCode_MCU_CommunicationAbnormal,
             "The move ended: communication with the microcontroller failed."},
            {ErrCode485CommunicationAbnormal, "The move ended: RS-485 communication failed."},
            {ErrCodeSoftEmergency, "The move ended: software emergency stop."},
            {ErrCodeArmPowerOff, "The move ended: the arm's power is off."},
            // The handle interface's own codes (RS_ERR_* of rsrobotcontrol.h).
            {static_cast<RobotErrorCode>(kHandleTooManyContexts), "32 contexts are alive already."},
            {static_cast<RobotErrorCode>(kHandleNoContext), "No context has this handle."},
            {static_cast<RobotErrorCode>(kHandleOutOfRange),
             "An argument is outside the accepted range."},
        };
        S_isInitInfoDescMaping.store(true, std::memory_order_release);
    });
}

std::string ErrorInfoService::getErrDescByCode(RobotErrorCode code) {
    try {
        if (!S_isInitInfoDescMaping.load(std::memory_order_acquire)) {
            initErrInfoDescMaping();
        }
        const auto it = S_errInfoDescMaping.find(code);
        return it == S_errInfoDescMaping.end() ? std::string() : it->second;
    } catch (...) {
        // Only allocation can fail here; a lookup must not throw.
        return std::string();
    }
}
