// Controller state and configuration commands. Each is one of the request
// shapes of controllerrequest.h; an operation names only what differs.

#include <algorithm>
#include <thread>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using CMT = CommunicationMateType;
using PED = ProtoEncodeDecode;
using namespace controller_request;

namespace {

RobotDiagnosisIODesc digitalDesc(int addr, int value, int type = 0) {
    RobotDiagnosisIODesc d{};
    d.addr = static_cast<uint8_t>(addr);
    d.value = static_cast<uint8_t>(value);
    d.type = static_cast<uint8_t>(type);
    return d;
}

RobotAnalogIODesc analogDesc(int addr, float value) {
    RobotAnalogIODesc d{};
    d.addr = static_cast<uint8_t>(addr);
    d.value = value;
    d.type = 0;
    return d;
}

}  // namespace

// ---- pushes on and off --------------------------------------------------------

namespace {

struct PushSwitch {
    RobotCommandType on;
    RobotCommandType off;
    const char* name;
};

// Indexed by RobotControlServices::PushKind.
const PushSwitch kPushSwitches[] = {
    {CMT::CommunicationType_EnableRealTimeJointStatusPush,
     CMT::CommunicationType_DisableRealTimeJointStatusPush, "joint status"},
    {CMT::CommunicationType_EnableRealTimeJointAnglePush,
     CMT::CommunicationType_DisableRealTimeJointAnglePush, "joint angle"},
    {CMT::CommunicationType_EnableRealTimeEndSpeedPush,
     CMT::CommunicationType_DisableRealTimeEndSpeedPush, "end speed"},
};

}  // namespace

int RobotControlServices::switchPush(PushKind kind, bool enable) {
    m_pushWanted[kind].store(enable);
    const PushSwitch& push = kPushSwitches[kind];
    return sendEmpty(*this, enable ? push.on : push.off);
}

int RobotControlServices::restoreWantedPushes() {
    for (int kind = 0; kind < PushKindCount; ++kind) {
        if (!m_pushWanted[kind].load()) continue;
        const PushSwitch& push = kPushSwitches[kind];
        const int ret = sendEmpty(*this, push.on);
        if (stoppedAnswering(ret)) return loginSilenced(ret);
        if (ret == ErrnoSucc) {
            RobotLogPrint::trace(LL_INFO, "sdk log: Real-time %s push switched on after login.",
                                 push.name);
        } else {
            RobotLogPrint::trace(LL_WARN,
                                 "sdk log: Switching the real-time %s push on after login "
                                 "failed. ret = %d",
                                 push.name, ret);
        }
    }
    return ErrnoSucc;
}

bool RobotControlServices::stoppedAnswering(int requestResult) const {
    return requestResult == ErrCode_RequestTimeout &&
           std::chrono::steady_clock::now() - lastHeard() >=
               std::chrono::milliseconds(WAIT_RESPONSE_MAX_TIME_MSEC);
}

int RobotControlServices::setRealTimeJointStatusPush(bool enable) {
    return switchPush(JointStatusPush, enable);
}

int RobotControlServices::setRealTimeJointAnglePush(bool enable) {
    return switchPush(JointAnglePush, enable);
}

int RobotControlServices::setRealTimeEndSpeedPush(bool enable) {
    return switchPush(EndSpeedPush, enable);
}

// ---- payload, tool, collision, work mode --------------------------------------

int RobotControlServices::getTcpParamService(RobotTcpParam& tcpParam) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotTcpParam,
                        decoder(&PED::resolveResponse_tcpParam, tcpParam),
                        "sdk log: Resolve tcpParam response failed.", ErrCode_CreateRequestFailed);
}

int RobotControlServices::setTcpParamService(const RobotTcpParam& tcpParam) {
    return sendEncoded(*this, CMT::CommunicationType_SetRobotTcpParam,
                       encoder(&PED::getRequest_tcpParam, tcpParam),
                       "sdk log: Make setTcpParam protobuf content failed.");
}

int RobotControlServices::getToolDynamicsParamService(ToolDynamicsParam& toolDynamicsParam) {
    return queryDecoded(*this, CMT::CommunicationType_GetToolDynamicsParam,
                        decoder(&PED::resolveResponse_getToolDynamicsParam, toolDynamicsParam),
                        "sdk log: Resolve toolDynamicsParam response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setToolDynamicsParamService(const ToolDynamicsParam& toolDynamicsParam) {
    return sendEncoded(*this, CMT::CommunicationType_SetToolDynamicsParam,
                       encoder(&PED::getRequest_setToolDynamicsParam, toolDynamicsParam),
                       "sdk log: Make RobotCmd_setToolDynamicsParam protobuf content failed.");
}

int RobotControlServices::setRobotCollisionClassService(int grade) {
    int ret = sendEncoded(*this, CMT::CommunicationType_SetRobotCollisionGrade,
                          encoder(&PED::getRequest_setRobotCollision, grade),
                          "sdk log: Make RobotCmd_setRobotCollisionGrade protobuf content failed.");
    if (ret != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Setting the robot collision level failed. ret = %d", ret);
        return ret;
    }
    // The controller applies the class asynchronously: read it back.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        RobotCollisionCurrent current{};
        if (getRobotCollisionCurrentService(current) != ErrnoSucc) {
            RobotLogPrint::trace(
                LL_WARN, "sdk log: get robot collision level failed, number times:%d", attempt);
        } else if (current.CollisionClass == grade) {
            return ErrnoSucc;
        } else {
            RobotLogPrint::trace(LL_WARN,
                                 "sdk log: Real-time robot collision level does not match "
                                 "expectations, number times:%d",
                                 attempt);
        }
    }
    return ErrCode_Failed;
}

int RobotControlServices::getRobotCollisionCurrentService(RobotCollisionCurrent& collisionCurrent) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotCollisionCurrent,
                        decoder(&PED::resolveResponse_collisionCurrent, collisionCurrent),
                        "sdk log: Resolve devInfo RobotCollisionCurrent failed.",
                        ErrCode_ResolveResponseFailed);
}

int RobotControlServices::getRobotWorkModeService(RobotWorkMode& mode) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotMode,
                        decoder(&PED::resolveResponse_robotWorkMode, mode),
                        "sdk log: Resolve robotWorkMode response failed.",
                        ErrCode_ResolveResponseFailed);
}

int RobotControlServices::setRobotWorkModeService(RobotWorkMode mode) {
    return sendEncoded(*this, CMT::CommunicationType_SetRobotMode,
                       encoder(&PED::getRequest_setRobotWorkMode, mode),
                       "sdk log: Make RobotCmd_setRobotMode protobuf content failed.");
}

int RobotControlServices::setEnableForceTeachWhenProjectIsRunning(bool enable) {
    return sendInts(
        *this, CMT::CommunicationType_SetEnableForceTeachWhenProjectIsRunning, {enable ? 1 : 0},
        "sdk log: Make setEnableForceTeachWhenProjectIsRunning protobuf content failed.");
}

// ---- device, joints, diagnosis ---------------------------------------------------

int RobotControlServices::getRobotDevInfoService(RobotDevInfo& devInfo) {
    return queryDecoded(*this, CMT::CommunicationType_GetDeviceInfo,
                        decoder(&PED::resolveResponse_devInfo, devInfo),
                        "sdk log: Resolve devInfo response failed.", ErrCode_ResolveResponseFailed);
}

int RobotControlServices::getRobotGravityComponent(RobotGravityComponent& gravityComponent) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotGravityComponent,
                        decoder(&PED::resolveResponse_gravityComponent, gravityComponent),
                        "sdk log: Resolve gravityComponent response failed.",
                        ErrCode_ResolveResponseFailed);
}

int RobotControlServices::getRobotJointStatus(JointStatus* jointStatus, int size) {
    if (jointStatus == nullptr && size > 0) return ErrCode_ParamError;
    return queryDecoded(*this, CMT::CommunicationType_GetRobotJointStatus,
                        decoder(&PED::resolveResponse_jointStatus, jointStatus, std::max(size, 0)),
                        "sdk log: Resolve jointStatus response failed.",
                        ErrCode_ResolveResponseFailed);
}

int RobotControlServices::getCurrentJointAngle(JointParam& jointAngle) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotJointAngle,
                        decoder(&PED::resolveResponse_jointAngle, jointAngle),
                        "sdk log: Resolve jointAngle response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getCorrectedWaypoint(const wayPoint_S& source, wayPoint_S& target) {
    return queryEncoded(*this, CMT::CommunicationType_getCorrectedWaypoint,
                        encoder(&PED::getRequest_roadpoint, source),
                        "sdk log: Make waypoint protobuf content failed.",
                        ErrCode_CreateRequestFailed,
                        decoder(&PED::resolveResponse_waypoint, target),
                        "sdk log: Resolve waypoint response failed.");
}

int RobotControlServices::getJointAngleFromController(JointParam& jointAngle) {
    return queryDecoded(*this, CMT::CommunicationType_getJointAngleFromController,
                        decoder(&PED::resolveResponse_jointAngle, jointAngle),
                        "sdk log: Resolve jointAngle response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getIsRealRobotExist(bool& value) {
    return queryDecoded(*this, CMT::CommunicationType_GetIsRealRobotExist,
                        decoder(&PED::resolveResponse_isRealRobotExist, value),
                        "sdk log: Resolve isRobotExist response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getRobotDiagnosisInfo(RobotDiagnosis& robotDiagnosisInfo) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotDiagnosis,
                        decoder(&PED::resolveResponse_robotDiagnosisInfo, robotDiagnosisInfo),
                        "sdk log: Resolve DiagnosisInfo response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getRobotCurrentStateService(RobotState& state) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotCurrentState,
                        decoder(&PED::resolveResponse_robotState, state),
                        "sdk log: Resolve RobotCurrentState response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setRobotJointOffsetService(const RobotJointOffset& jointOffset) {
    return sendEncoded(*this, CMT::CommunicationType_RobotSetJointOffset,
                       encoder(&PED::getRequest_robotRobotJointOffsetData, jointOffset),
                       "sdk log: Make setRobotJointOffset protobuf content failed.");
}

// ---- safety ------------------------------------------------------------------------

int RobotControlServices::getRobotSafetyConfig(RobotSafetyConfig& safetyConfig) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotSafetyConfig,
                        decoder(&PED::resolveResponse_safetyConfig, safetyConfig),
                        "sdk log: Resolve SafetyConfig response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setRobotSafetyConfig(const RobotSafetyConfig& safetyConfig) {
    return sendEncoded(*this, CMT::CommunicationType_SetRobotSafetyConfig,
                       encoder(&PED::getRequest_setSafetyConfig, safetyConfig),
                       "sdk log: Make setRobotSafetyConfig protobuf content failed.");
}

int RobotControlServices::getOrpeSafetyStatus(OrpeSafetyStatus& safetyStatus) {
    return queryDecoded(*this, CMT::CommunicationType_GetOrpeSafetyStatus,
                        decoder(&PED::resolveResponse_safetyStatus, safetyStatus),
                        "sdk log: Resolve SafetyStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setRobotAtOriginPoseService() {
    return sendEmpty(*this, CMT::CommunicationType_SetRobotAtOriginPose);
}

int RobotControlServices::safeIoAboutCommunication(RobotCommandType commandType,
                                                   const std::vector<int>& paramVeror) {
    return sendEncoded(*this, commandType, encoder(&PED::getRequest_safeIoParamAbout, paramVeror),
                       "sdk log: Make safeIoAboutCommunication request failed.");
}

int RobotControlServices::setRobotOrpePause(uint8_t data) {
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_setRobotOrpePause, {data});
}

int RobotControlServices::setRobotOrpeStop(uint8_t data) {
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_setRobotOrpeStop, {data});
}

int RobotControlServices::setRobotOrpeError(const uint8_t* data, int len) {
    if (len < 0 || (data == nullptr && len > 0)) return ErrCode_ParamError;
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_setRobotOrpeError,
                                    std::vector<int>(data, data + len));
}

int RobotControlServices::clearSystemEmergencyStop(uint8_t data) {
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_clearSystemEmergencyStop,
                                    {data});
}

int RobotControlServices::clearReducedModeError(uint8_t data) {
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_clearReducedModeError,
                                    {data});
}

int RobotControlServices::robotSafetyguardResetSucc(uint8_t data) {
    return safeIoAboutCommunication(CMT::CommunicationType_SafetyIoAbout_robotSafetyguardResetSucc,
                                    {data});
}

// ---- interface board I/O -------------------------------------------------------------

int RobotControlServices::getInterfaceBoardAllDIStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetInterfaceBoardAllDIData,
                        decoder(&PED::resolveResponse_robotDiagnosisIOData, statusVector),
                        "sdk log: Resolve BoardAllDIStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getInterfaceBoardAllDOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetInterfaceBoardAllDOData,
                        decoder(&PED::resolveResponse_robotDiagnosisIOData, statusVector),
                        "sdk log: Resolve BoardAllDOStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getInterfaceBoardAllAIStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetInterfaceBoardAllAIData,
                        decoder(&PED::resolveResponse_robotAnalogIOData, statusVector),
                        "sdk log: Resolve BoardAllAIStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getInterfaceBoardAllAOStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetInterfaceBoardAllAOData,
                        decoder(&PED::resolveResponse_robotAnalogIOData, statusVector),
                        "sdk log: Send get BoardAllAOStatus and wait response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setInterfaceBoardDOStatusService(int addr, IO_STATUS status) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, status)};
    return sendEncoded(
        *this, CMT::CommunicationType_SetInterfaceBoardOneDOStatus,
        encoder(&PED::getRequest_robotDiagnosisIOData, io),
        "sdk log: Make RobotCmd_setInterfaceBoardOneDOStatus protobuf content failed.");
}

int RobotControlServices::setInterfaceBoardAOStatusService(int addr, double status) {
    const std::vector<RobotAnalogIODesc> io{analogDesc(addr, static_cast<float>(status))};
    return sendEncoded(*this, CMT::CommunicationType_SetInterfaceBoardOneAOStatus,
                       encoder(&PED::getRequest_robotAnalogIOData, io),
                       "sdk log: Make setInterfaceBoardAOStatus protobuf content failed.");
}

int RobotControlServices::getRobotDigitalIOStatusService(RobotCommandType commandType, int addr,
                                                         int& status) {
    char* body = nullptr;
    int bodyLength = 0;
    // A request that cannot be encoded goes out without a body.
    PED::getRequest_robotDiagnosisIOData(&body, &bodyLength, {digitalDesc(addr, 0)});
    std::vector<RobotDiagnosisIODesc> io;
    const int ret =
        queryDecoded(*this, commandType, body, bodyLength,
                     decoder(&PED::resolveResponse_robotDiagnosisIOData, io),
                     "sdk log: Resolve DiagnosisIO response failed.", ErrCode_CreateRequestFailed);
    if (ret == ErrnoSucc && !io.empty()) status = io[0].value;
    return ret;
}

int RobotControlServices::getRobotAnalogIOStatusService(RobotCommandType commandType, int addr,
                                                        double& status) {
    char* body = nullptr;
    int bodyLength = 0;
    PED::getRequest_robotAnalogIOData(&body, &bodyLength, {analogDesc(addr, 0.0f)});
    std::vector<RobotAnalogIODesc> io;
    const int ret = queryDecoded(
        *this, commandType, body, bodyLength, decoder(&PED::resolveResponse_robotAnalogIOData, io),
        "sdk log: Resolve AnalogIO response failed.", ErrCode_CreateRequestFailed);
    if (ret == ErrnoSucc && !io.empty()) status = io[0].value;
    return ret;
}

namespace {

// Runs a digital read and converts its value into out; a read that delivers no
// value (failure, or an empty list) leaves out as it was.
template <typename Out, typename Read>
int readDigitalAs(Read&& read, Out& out) {
    int value = static_cast<int>(out);
    const int ret = read(value);
    if (ret == ErrnoSucc) out = static_cast<Out>(value);
    return ret;
}

}  // namespace

int RobotControlServices::getInterfaceBoardDIStatusService(int addr, IO_STATUS& status) {
    return readDigitalAs(
        [&](int& v) {
            return getRobotDigitalIOStatusService(
                CMT::CommunicationType_GetInterfaceBoardOneDIStatus, addr, v);
        },
        status);
}

int RobotControlServices::getInterfaceBoardDOStatusService(int addr, IO_STATUS& status) {
    return readDigitalAs(
        [&](int& v) {
            return getRobotDigitalIOStatusService(
                CMT::CommunicationType_GetInterfaceBoardOneDOStatus, addr, v);
        },
        status);
}

int RobotControlServices::getInterfaceBoardAIStatusService(int addr, double& status) {
    return getRobotAnalogIOStatusService(CMT::CommunicationType_GetInterfaceBoardOneAIStatus, addr,
                                         status);
}

int RobotControlServices::getInterfaceBoardAOStatusService(int addr, double& status) {
    return getRobotAnalogIOStatusService(CMT::CommunicationType_GetInterfaceBoardOneAOStatus, addr,
                                         status);
}

// ---- tool I/O ------------------------------------------------------------------------

int RobotControlServices::setToolPowerVoltageTypeService(ToolPowerType value) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(0, value, 0)};
    return sendEncoded(*this, CMT::CommunicationType_SetToolPowerVoltageType,
                       encoder(&PED::getRequest_robotDiagnosisIOData, io),
                       "sdk log: Make RobotCmd_SetToolPowerVoltageType protobuf content failed.");
}

int RobotControlServices::getToolPowerVoltageTypeService(ToolPowerType& type) {
    return readDigitalAs(
        [&](int& v) {
            return getRobotDigitalIOStatusService(CMT::CommunicationType_GetToolPowerVoltageType, 0,
                                                  v);
        },
        type);
}

int RobotControlServices::getToolPowerVoltageStatusService(double& status) {
    return readDigitalAs(
        [&](int& v) {
            return getRobotDigitalIOStatusService(CMT::CommunicationType_GetToolPowerVoltage, 0, v);
        },
        status);
}

int RobotControlServices::setToolPowerTypeAndDigitalIOTypeService(ToolPowerType type,
                                                                  ToolIOType io0, ToolIOType io1,
                                                                  ToolIOType io2, ToolIOType io3) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(0, type, type), digitalDesc(0, io0, io0),
                                               digitalDesc(1, io1, io1), digitalDesc(2, io2, io2),
                                               digitalDesc(3, io3, io3)};
    return sendEncoded(*this, CMT::CommunicationType_SetToolPowerTypeAndDigitalIOType,
                       encoder(&PED::getRequest_robotDiagnosisIOData, io),
                       "sdk log: Make RobotCmd_SetToolPowerVoltageType protobuf content failed.");
}

int RobotControlServices::setToolDigitalIOTypeService(ToolDigitalIOAddr addr, ToolIOType type) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, type)};
    return sendEncoded(*this, CMT::CommunicationType_SetToolDigitalIOType,
                       encoder(&PED::getRequest_robotDiagnosisIOData, io),
                       "sdk log: Make RobotCmd_setToolDigitalIOStatus protobuf content failed.");
}

int RobotControlServices::getToolAllDigitalIOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetToolAllDigitalIOStatus,
                        decoder(&PED::resolveResponse_robotDiagnosisIOData, statusVector),
                        "sdk log: Resolve ToolAllDigitalIOStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getToolAllAIStatusService(std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetToolAllAIStatus,
                        decoder(&PED::resolveResponse_robotAnalogIOData, statusVector),
                        "sdk log: Resolve ToolAllAIStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::setToolDigitalIOStatusService(ToolDigitalIOAddr addr, IO_STATUS value) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, value)};
    return sendEncoded(*this, CMT::CommunicationType_SetToolDigitalIOStatus,
                       encoder(&PED::getRequest_robotDiagnosisIOData, io),
                       "sdk log: Make RobotCmd_setToolDigitalIOStatus protobuf content failed.");
}

int RobotControlServices::getToolAllIOStatusService(RobotToolAllIOStatus& toolAllIOStatus) {
    return queryDecoded(*this, CMT::CommunicationType_GetToolAllIoStatus,
                        decoder(&PED::resolveResponse_robotToolIoStatus, toolAllIOStatus),
                        "sdk log: Resolve toolAllIOStatus response failed.",
                        ErrCode_CreateRequestFailed);
}

// ---- firmware, versions, joint servo data ------------------------------------------------

int RobotControlServices::updateRobotBoardFirmwareService(update_board_firmware_cmd cmd,
                                                          const void* data, uint16_t length) {
    // The encoder refuses a null image with a non-zero length.
    return sendEncoded(*this, CMT::CommunicationType_UpdateRobotBoardFirmware,
                       encoder(&PED::getRequest_firmwareUpgrade, static_cast<int>(cmd),
                               static_cast<const char*>(data), int{length}),
                       "sdk log: Make RobotCmd_updateRobotBoardFirmware request failed.");
}

int RobotControlServices::getBoardFirmwareUpdateResultService(bool& value) {
    return queryDecoded(*this, CMT::CommunicationType_FirmwareUpdateResult,
                        decoder(&PED::resolveResponse_isRealRobotExist, value),
                        "sdk log: Resolve BoardFirmwareUpdateResult response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getRobotEthernetDeviceNameService(std::string& ethernetDeviceName) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotEthernetDeviceName,
                        decoder(&PED::resolveResponse_ethernetDeviceName, ethernetDeviceName),
                        "sdk log: Resolve EthernetDeviceName response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getServerVersionInfoService(std::string& versionInfo) {
    return queryDecoded(*this, CMT::CommunicationType_GetRobotVersionInfo,
                        decoder(&PED::resolveResponse_ethernetDeviceName, versionInfo),
                        "sdk log: Resolve ServerVersionInfo response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getJointCommonData(JointCommonData* jointCommonDataArray, int size) {
    if (jointCommonDataArray == nullptr && size > 0) return ErrCode_ParamError;
    std::vector<JointCommonData> list;
    const int ret = queryDecoded(*this, CMT::CommunicationType_getJointCommonData,
                                 decoder(&PED::resolveResponse_jointCommonData, list),
                                 "sdk log: Resolve jointCommonData response failed.",
                                 ErrCode_CreateRequestFailed);
    const size_t count = std::min(list.size(), static_cast<size_t>(std::max(size, 0)));
    std::copy(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count),
              jointCommonDataArray);
    return ret;
}

int RobotControlServices::setJointParamService(CommunicationMateType::SetJointCommonParamType type,
                                               int jointID, int value) {
    return sendInts(*this, CMT::CommunicationType_setJointCommonData,
                    {static_cast<int>(type), jointID, value},
                    "sdk log: Make setJointParamService protobuf content failed.");
}

int RobotControlServices::jointSaveDataFlashService(int jointID) {
    return sendInts(*this, CMT::CommunicationType_jointSaveDataFlash, {jointID},
                    "sdk log: Make jointSaveDataFlashService protobuf content failed.");
}

int RobotControlServices::getJoint6Rotate360EnableFlag(bool& joint6Rot360Enable) {
    return queryDecoded(*this, CMT::CommunicationType_getEnableJoint6Rot360Flag,
                        decoder(&PED::resolveResponse_isRealRobotExist, joint6Rot360Enable),
                        "sdk log: Resolve getEnableJoint6Rot360Flag response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::getJoint1Rotate360EnableFlag(bool& joint1Rot360Enable) {
    return queryDecoded(*this, CMT::CommunicationType_getEnableJoint1Rot360Flag,
                        decoder(&PED::resolveResponse_isRealRobotExist, joint1Rot360Enable),
                        "sdk log: Resolve getEnableJoint1Rot360Flag response failed.",
                        ErrCode_CreateRequestFailed);
}

int RobotControlServices::startupOfflineExcitTrajService(const char* trackFile,
                                                         Robot_Dyn_identify_traj type,
                                                         int subtype) {
    if (trackFile == nullptr) return ErrCode_ParamError;
    const std::string file(trackFile);
    return sendEncoded(
        *this, CMT::CommunicationType_StartupOfflineExcitTraj,
        encoder(&PED::getRequest_startupOfflineExcitTraj, file, static_cast<int>(type), subtype),
        "sdk log: Make getRequest_startupOfflineExcitTraj request failed.");
}

int RobotControlServices::getDynIdentifyResultsService(std::vector<int>& paramVector) {
    return queryDecoded(*this, CMT::CommunicationType_GetDynIdentifyResults,
                        decoder(&PED::resolveResponse_getDynIdentifyResults, paramVector),
                        "sdk log: Resolve DynIdentify response failed.",
                        ErrCode_CreateRequestFailed);
}
