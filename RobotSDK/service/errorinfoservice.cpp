#include "RobotSDK/service/errorinfoservice.h"

using namespace tevo_robot_namespace;

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
