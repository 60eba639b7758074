// Login, logout, handshake, arm start-up and shut-down, single-step arm
// commands and the four move-control commands.

#include <atomic>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using namespace controller_request;

namespace {

std::chrono::steady_clock::time_point deadlineIn(int msec) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(msec);
}

}  // namespace

int RobotControlServices::loginService(const char* host, int port, const std::string& userName,
                                       const std::string& possword, RobotType& robotType,
                                       RobotDhPara& robotDhPara) {
    if (host == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login service connect server failed.");
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login host is NULL.");
        return ErrCode_ParamError;
    }
    if (port < 1 || port > 65535) {  // no wrapping into another port
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login port %d is outside 1..65535.", port);
        return ErrCode_ParamError;
    }
    setServerIP(host);
    setServerPort(port);
    ConnectOutcome outcome = ConnectOutcome::ConnectFailed;
    if (connectRobotServer(&outcome) != ErrnoSucc) {
        // The client has logged host, port and reason; a name that does not
        // resolve is the caller's parameter, not a network failure.
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login service connect server failed.");
        return outcome == ConnectOutcome::BadAddress ? ErrCode_ParamError
                                                     : ErrCode_ConnectSocketFailed;
    }
    RobotLogPrint::trace(LL_INFO, "sdk log: Connect robot server success.");

    // A login that fails closes the connection it opened, so that the caller
    // can simply try again on the same object.
    int ret = loginOnConnection(userName, possword, robotType, robotDhPara);
    if (ret == ErrnoSucc) ret = restoreWantedPushes();
    if (ret != ErrnoSucc) {
        disconnectRobotServer();
        wakeAllWaitersOnDisconnect();
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login failed; connection closed. ret:%d", ret);
        return ret;
    }
    return ret;
}

int RobotControlServices::loginOnConnection(const std::string& userName,
                                            const std::string& possword, RobotType& robotType,
                                            RobotDhPara& robotDhPara) {
    // DH parameters reach the kinematics layer once per process.
    static std::atomic<bool> S_setDhParam{false};

    char* body = nullptr;
    int bodyLength = 0;
    if (!ProtoEncodeDecode::getRequest_login(&body, &bodyLength, userName, possword)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Make login protobuf content failed.");
        return ErrCode_CreateRequestFailed;
    }
    CommunicationResponse response;
    int ret = requestServiceGetResponseContentMode(CommunicationMateType::CommunicationType_Login,
                                                   body, bodyLength, response);
    if (ret != ErrnoSucc) return ret;

    int errorCode = 0;
    if (!ProtoEncodeDecode::resolveResponse_DhParam(response.m_textPtr, response.m_textLength,
                                                    robotType, robotDhPara, errorCode)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: resolveResponse_DhParam  error.");
        ret = ErrCode_ResolveResponseFailed;
    } else if (errorCode != 0) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: login failed.");
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: The controller refused the login of user '%s'. server "
                             "code:%d",
                             userName.c_str(), errorCode);
        recordRefusal(CommunicationMateType::CommunicationType_Login, errorCode);
        ret = ErrCode_Failed;
    } else {
        {
            std::lock_guard<std::mutex> lock(m_armModelMutex);
            m_armModelKnown = true;
            m_armDhPara = robotDhPara;
        }
        if (!S_setDhParam.exchange(true)) {
            RobotUtilService::setRobotDhParam(robotType, robotDhPara);
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: set dhparam success. type:%d, DhParam:%f,%f,%f,%f,%f,%f",
                                 static_cast<int>(robotType), robotDhPara.A3, robotDhPara.A4,
                                 robotDhPara.D1, robotDhPara.D2, robotDhPara.D5, robotDhPara.D6);
        }
        RobotLogPrint::trace(LL_INFO, "sdk log: login  success.");
    }
    response.destroy();
    if (ret != ErrnoSucc) return ret;

    // A refused flag read is logged and the login goes on; a controller that
    // stopped answering ends the login.
    bool joint6Rot360 = false;
    ret = getJoint6Rotate360EnableFlag(joint6Rot360);
    if (stoppedAnswering(ret)) return loginSilenced(ret);
    if (ret == ErrnoSucc) {
        RobotUtilService::setJoint6Rot360(joint6Rot360);
        RobotLogPrint::trace(
            LL_INFO,
            "sdk log: login completed, set joint6 retate 360 falg success. joint6Rot360Enable=%d",
            joint6Rot360 ? 1 : 0);
    } else {
        RobotLogPrint::trace(LL_FATAL,
                             "sdk log: login completed, get joint6 retate 360 falg failed.");
    }
    bool joint1Rot360 = false;
    ret = getJoint1Rotate360EnableFlag(joint1Rot360);
    if (stoppedAnswering(ret)) return loginSilenced(ret);
    if (ret == ErrnoSucc) {
        RobotUtilService::setJoint1Rot360(joint1Rot360);
        RobotLogPrint::trace(
            LL_INFO,
            "sdk log: login completed, set joint1 retate 360 falg success. joint1Rot360Enable=%d",
            joint1Rot360 ? 1 : 0);
    } else {
        RobotLogPrint::trace(LL_FATAL,
                             "sdk log: login completed, get joint1 retate 360 falg failed.");
    }
    return ErrnoSucc;
}

int RobotControlServices::loginSilenced(int ret) {
    RobotLogPrint::trace(LL_ERROR,
                         "sdk log: The controller stopped answering during login; the remaining "
                         "login requests are not sent. ret:%d",
                         ret);
    return ret;
}

int RobotControlServices::logoutService() {
    const int ret = disconnectRobotServer();
    // Requests still waiting on this connection end now, not at their time-out.
    wakeAllWaitersOnDisconnect();
    return ret;
}

// ---- two-step operations ------------------------------------------------------

int RobotControlServices::completionResult(WaitOutcome outcome, int timeoutCode,
                                           const char* timeoutLog) {
    switch (outcome) {
        case WaitOutcome::Signalled:
            return ErrnoSucc;
        case WaitOutcome::Disconnected:
            RobotLogPrint::trace(LL_ERROR, "sdk log: Current connect disconnect.");
            return ErrCode_SocketDisconnect;
        case WaitOutcome::Silent:
            return ErrCode_RequestTimeout;  // the wait logged the silence
        case WaitOutcome::TimedOut:
            break;
    }
    RobotLogPrint::trace(LL_ERROR, "%s", timeoutLog);
    return timeoutCode;
}

int RobotControlServices::runTwoStep(CompletionPoint& point, RobotCommandType type, char* body,
                                     int bodyLength, bool block, int waitMsec, int timeoutCode,
                                     const char* timeoutLog) {
    if (!block) return requestServiceOnlyCheckSendResultMode(type, body, bodyLength);
    const auto deadline = deadlineIn(waitMsec);  // the request's own wait runs inside it
    std::lock_guard<std::mutex> serialise(point.m_callMutex);
    const uint64_t generation = m_linkGeneration.load(std::memory_order_acquire);
    armCompletion(point);
    const int ret = requestServiceOnlyCheckSendResultMode(type, body, bodyLength);
    if (ret != ErrnoSucc) return ret;
    return completionResult(waitCompletion(point, deadline, generation), timeoutCode, timeoutLog);
}

int RobotControlServices::robotHandShakeService(bool isBlock) {
    const int ret =
        runTwoStep(m_robotHandShakeFinish, CommunicationMateType::CommunicationType_RobotHandShake,
                   nullptr, 0, isBlock, HANDSHAKE_WAIT_MSEC, ErrCode_MotionRelatedVariableError,
                   "sdk log: Wait handshake finish signal timeout.");
    if (ret != ErrnoSucc || !isBlock) return ret;
    return m_robotHandShakeSuccFlag.load(std::memory_order_relaxed) ? ErrnoSucc
                                                                    : ErrCode_ResponseReturnError;
}

int RobotControlServices::robotStartupService(const RobotTcpParam& tcpParam, uint8_t collisionClass,
                                              bool readPose, bool staticCollisionDetect, int maxAcc,
                                              ROBOT_SERVICE_STATE& result, bool IsBolck) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!ProtoEncodeDecode::getRequest_robotStartup(&body, &bodyLength, tcpParam, collisionClass,
                                                    readPose, staticCollisionDetect, maxAcc)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Make setTcpParam protobuf content failed.");
        return ErrCode_CreateRequestFailed;
    }
    const int ret =
        runTwoStep(m_startupDone, CommunicationMateType::CommunicationType_RobotStartup, body,
                   bodyLength, IsBolck, STARTUP_DONE_WAIT_MSEC, ErrCode_RequestRelatedVariableError,
                   "sdk log: Wait StartupDone signal timeout.");
    if (ret == ErrnoSucc && IsBolck)
        result = static_cast<ROBOT_SERVICE_STATE>(
            m_robotStartupDoneResult.load(std::memory_order_relaxed));
    return ret;
}

int RobotControlServices::robotShutdownService(bool IsBolck) {
    return runTwoStep(m_shutDownDone, CommunicationMateType::CommunicationType_RobotShutdown,
                      nullptr, 0, IsBolck, SHUTDOWN_DONE_WAIT_MSEC, ErrCode_Failed,
                      "sdk log: Wait shutDown Done signal timeout.");
}

// ---- single-step commands -----------------------------------------------------

int RobotControlServices::robotControlService(RobotControlCommand cmd) {
    return sendEncoded(*this, CommunicationMateType::CommunicationType_RobotControl,
                       encoder(&ProtoEncodeDecode::getRequest_robotControl, cmd),
                       "sdk log: Make RobotCmd_robotControl protobuf content failed.");
}

int RobotControlServices::armPowerControlService(bool value) {
    return sendEncoded(*this, CommunicationMateType::CommunicationType_SetRobotPowerStatus,
                       encoder(&ProtoEncodeDecode::getRequest_setRobotPowerStatus, value),
                       "sdk log: Make armPowerControl request failed.");
}

int RobotControlServices::rootReleaseBrake() {
    return sendEmpty(*this, CommunicationMateType::CommunicationType_SetRobotReleaseBrake);
}

int RobotControlServices::collisionRecover() {
    RobotLogPrint::trace(LL_INFO, "sdk log:user call collisionRecover");
    return sendEmpty(*this, CommunicationMateType::CommunicationType_CollisionRecover);
}

// ---- move control --------------------------------------------------------------

int RobotControlServices::robotMoveControlService(RobotCommandType cmdType) {
    struct Row {
        RobotCommandType type;
        const char* name;
        int failCode;
        CompletionPoint* point;
    };
    const Row rows[] = {
        {CommunicationMateType::CommunicationType_RobotMoveControlType_SlowStop,
         "Motion-Control-SlowStop", ErrCode_moveControlSlowStopFailed, &m_robotMoveControlStop},
        {CommunicationMateType::CommunicationType_RobotMoveControlType_FastStop,
         "Motion-Control-FastStop", ErrCode_moveControlFastStopFailed, &m_robotMoveControlStop},
        {CommunicationMateType::CommunicationType_RobotMoveControlType_Pause,
         "Motion-Control-Pause", ErrCode_moveControlPauseFailed, &m_robotMoveControlPause},
        {CommunicationMateType::CommunicationType_RobotMoveControlType_Continue,
         "Motion-Control-Continue", ErrCode_moveControlContinueFailed, &m_robotMoveControlContinue},
    };
    const Row* row = nullptr;
    for (const Row& r : rows) {
        if (r.type == cmdType) row = &r;
    }
    if (row == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Motion-Control command Undefined.");
        return ErrCode_Failed;
    }
    RobotLogPrint::trace(LL_INFO, "sdk log: user ready call %s.", row->name);

    int ret = ErrnoSucc;
    {
        std::lock_guard<std::mutex> serialise(m_robotMoveControlMutex);
        const uint64_t generation = m_linkGeneration.load(std::memory_order_acquire);
        armCompletion(*row->point);
        CommunicationResponse response;
        ret = requestServiceGetResponseContentMode(cmdType, nullptr, 0, response);
        if (ret == ErrnoSucc) {
            call_robot_motion_func_result result = call_robot_motion_func_failed;
            int errorCode = 0;
            if (!ProtoEncodeDecode::resolveResponse_moveControlResule(
                    response.m_textPtr, response.m_textLength, result, errorCode)) {
                RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve Motion-Control-Response failed.");
                ret = ErrCode_ResolveResponseFailed;
            } else {
                if (errorCode != 0) recordRefusal(cmdType, errorCode);
                RobotLogPrint::trace(LL_INFO, "sdk log: Motion-Control peer return result: %d.",
                                     static_cast<int>(result));
                switch (result) {
                    case call_robot_motion_func_failed:
                        ret = row->failCode;
                        break;
                    case call_robot_motion_func_succ_nowait:
                        ret = ErrnoSucc;
                        break;
                    case call_robot_motion_func_succ_wait_done:
                    case call_robot_motion_func_succ_nocall_wait:
                        RobotLogPrint::trace(
                            LL_INFO, "sdk log: Waiting for the Motion-Control-Done of the event");
                        ret = completionResult(
                            waitCompletion(*row->point, deadlineIn(MOVE_CONTROL_DONE_WAIT_MSEC),
                                           generation),
                            ErrCode_Failed,
                            "sdk log: Waiting Motion-Control-Done event has timed out");
                        break;
                    default:
                        ret = ErrCode_Failed;
                        break;
                }
            }
        }
    }
    RobotLogPrint::trace(LL_INFO, "sdk log: Motion-Control service finish. ret = %d", ret);
    return ret;
}
