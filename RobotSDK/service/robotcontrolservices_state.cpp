// Controller state and configuration commands. Each is one of three shapes
// (command without a body, setter with an encoded body, getter with a typed
// response), written once in the header; an operation names only what differs.

#include <algorithm>
#include <thread>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using CMT = CommunicationMateType;
using PED = ProtoEncodeDecode;

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

// Encodes the named values with the named encoder: [&](char** d, int* n) {...}.
#define TEVO_ENCODE(encoder, ...) \
    [&](char** d_, int* n_) { return PED::encoder(d_, n_, __VA_ARGS__); }
// Decodes into the named outputs: [&](const char* d, int n, int& code) {...}.
#define TEVO_DECODE(decoder, ...) \
    [&](const char* d_, int n_, int& code_) { return PED::decoder(d_, n_, __VA_ARGS__, code_); }

int RobotControlServices::sendIntVector(RobotCommandType type, const std::vector<int>& values,
                                        const char* encodeFailLog) {
    return sendEncodedCheckResult(type, TEVO_ENCODE(getRequest_intTypeValueVector, values),
                                  encodeFailLog);
}

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
    return requestServiceOnlyCheckSendResultMode(enable ? push.on : push.off, nullptr, 0);
}

void RobotControlServices::restoreWantedPushes() {
    for (int kind = 0; kind < PushKindCount; ++kind) {
        if (!m_pushWanted[kind].load()) continue;
        const PushSwitch& push = kPushSwitches[kind];
        const int ret = requestServiceOnlyCheckSendResultMode(push.on, nullptr, 0);
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
    return queryDecoded(CMT::CommunicationType_GetRobotTcpParam,
                        TEVO_DECODE(resolveResponse_tcpParam, tcpParam),
                        ErrCode_CreateRequestFailed, "sdk log: Resolve tcpParam response failed.");
}

int RobotControlServices::setTcpParamService(const RobotTcpParam& tcpParam) {
    return sendEncodedCheckResult(CMT::CommunicationType_SetRobotTcpParam,
                                  TEVO_ENCODE(getRequest_tcpParam, tcpParam),
                                  "sdk log: Make setTcpParam protobuf content failed.");
}

int RobotControlServices::getToolDynamicsParamService(ToolDynamicsParam& toolDynamicsParam) {
    return queryDecoded(CMT::CommunicationType_GetToolDynamicsParam,
                        TEVO_DECODE(resolveResponse_getToolDynamicsParam, toolDynamicsParam),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve toolDynamicsParam response failed.");
}

int RobotControlServices::setToolDynamicsParamService(const ToolDynamicsParam& toolDynamicsParam) {
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetToolDynamicsParam,
        TEVO_ENCODE(getRequest_setToolDynamicsParam, toolDynamicsParam),
        "sdk log: Make RobotCmd_setToolDynamicsParam protobuf content failed.");
}

int RobotControlServices::setRobotCollisionClassService(int grade) {
    int ret = sendEncodedCheckResult(
        CMT::CommunicationType_SetRobotCollisionGrade,
        TEVO_ENCODE(getRequest_setRobotCollision, grade),
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
    return queryDecoded(CMT::CommunicationType_GetRobotCollisionCurrent,
                        TEVO_DECODE(resolveResponse_collisionCurrent, collisionCurrent),
                        ErrCode_ResolveResponseFailed,
                        "sdk log: Resolve devInfo RobotCollisionCurrent failed.");
}

int RobotControlServices::getRobotWorkModeService(RobotWorkMode& mode) {
    return queryDecoded(
        CMT::CommunicationType_GetRobotMode, TEVO_DECODE(resolveResponse_robotWorkMode, mode),
        ErrCode_ResolveResponseFailed, "sdk log: Resolve robotWorkMode response failed.");
}

int RobotControlServices::setRobotWorkModeService(RobotWorkMode mode) {
    return sendEncodedCheckResult(CMT::CommunicationType_SetRobotMode,
                                  TEVO_ENCODE(getRequest_setRobotWorkMode, mode),
                                  "sdk log: Make RobotCmd_setRobotMode protobuf content failed.");
}

int RobotControlServices::setEnableForceTeachWhenProjectIsRunning(bool enable) {
    return sendIntVector(
        CMT::CommunicationType_SetEnableForceTeachWhenProjectIsRunning, {enable ? 1 : 0},
        "sdk log: Make setEnableForceTeachWhenProjectIsRunning protobuf content failed.");
}

// ---- device, joints, diagnosis ---------------------------------------------------

int RobotControlServices::getRobotDevInfoService(RobotDevInfo& devInfo) {
    return queryDecoded(CMT::CommunicationType_GetDeviceInfo,
                        TEVO_DECODE(resolveResponse_devInfo, devInfo),
                        ErrCode_ResolveResponseFailed, "sdk log: Resolve devInfo response failed.");
}

int RobotControlServices::getRobotGravityComponent(RobotGravityComponent& gravityComponent) {
    return queryDecoded(CMT::CommunicationType_GetRobotGravityComponent,
                        TEVO_DECODE(resolveResponse_gravityComponent, gravityComponent),
                        ErrCode_ResolveResponseFailed,
                        "sdk log: Resolve gravityComponent response failed.");
}

int RobotControlServices::getRobotJointStatus(JointStatus* jointStatus, int size) {
    if (jointStatus == nullptr && size > 0) return ErrCode_ParamError;
    return queryDecoded(CMT::CommunicationType_GetRobotJointStatus,
                        TEVO_DECODE(resolveResponse_jointStatus, jointStatus, std::max(size, 0)),
                        ErrCode_ResolveResponseFailed,
                        "sdk log: Resolve jointStatus response failed.");
}

int RobotControlServices::getCurrentJointAngle(JointParam& jointAngle) {
    return queryDecoded(CMT::CommunicationType_GetRobotJointAngle,
                        TEVO_DECODE(resolveResponse_jointAngle, jointAngle),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve jointAngle response failed.");
}

int RobotControlServices::getCorrectedWaypoint(const wayPoint_S& source, wayPoint_S& target) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!PED::getRequest_roadpoint(&body, &bodyLength, source)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Make waypoint protobuf content failed.");
        return ErrCode_CreateRequestFailed;
    }
    return queryDecoded(CMT::CommunicationType_getCorrectedWaypoint, body, bodyLength,
                        TEVO_DECODE(resolveResponse_waypoint, target),
                        ErrCode_ResolveResponseFailed,
                        "sdk log: Resolve waypoint response failed.");
}

int RobotControlServices::getJointAngleFromController(JointParam& jointAngle) {
    return queryDecoded(CMT::CommunicationType_getJointAngleFromController,
                        TEVO_DECODE(resolveResponse_jointAngle, jointAngle),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve jointAngle response failed.");
}

int RobotControlServices::getIsRealRobotExist(bool& value) {
    return queryDecoded(CMT::CommunicationType_GetIsRealRobotExist,
                        TEVO_DECODE(resolveResponse_isRealRobotExist, value),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve isRobotExist response failed.");
}

int RobotControlServices::getRobotDiagnosisInfo(RobotDiagnosis& robotDiagnosisInfo) {
    return queryDecoded(CMT::CommunicationType_GetRobotDiagnosis,
                        TEVO_DECODE(resolveResponse_robotDiagnosisInfo, robotDiagnosisInfo),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve DiagnosisInfo response failed.");
}

int RobotControlServices::getRobotCurrentStateService(RobotState& state) {
    return queryDecoded(CMT::CommunicationType_GetRobotCurrentState,
                        TEVO_DECODE(resolveResponse_robotState, state), ErrCode_CreateRequestFailed,
                        "sdk log: Resolve RobotCurrentState response failed.");
}

int RobotControlServices::setRobotJointOffsetService(const RobotJointOffset& jointOffset) {
    return sendEncodedCheckResult(CMT::CommunicationType_RobotSetJointOffset,
                                  TEVO_ENCODE(getRequest_robotRobotJointOffsetData, jointOffset),
                                  "sdk log: Make setRobotJointOffset protobuf content failed.");
}

// ---- safety ------------------------------------------------------------------------

int RobotControlServices::getRobotSafetyConfig(RobotSafetyConfig& safetyConfig) {
    return queryDecoded(CMT::CommunicationType_GetRobotSafetyConfig,
                        TEVO_DECODE(resolveResponse_safetyConfig, safetyConfig),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve SafetyConfig response failed.");
}

int RobotControlServices::setRobotSafetyConfig(const RobotSafetyConfig& safetyConfig) {
    return sendEncodedCheckResult(CMT::CommunicationType_SetRobotSafetyConfig,
                                  TEVO_ENCODE(getRequest_setSafetyConfig, safetyConfig),
                                  "sdk log: Make setRobotSafetyConfig protobuf content failed.");
}

int RobotControlServices::getOrpeSafetyStatus(OrpeSafetyStatus& safetyStatus) {
    return queryDecoded(CMT::CommunicationType_GetOrpeSafetyStatus,
                        TEVO_DECODE(resolveResponse_safetyStatus, safetyStatus),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve SafetyStatus response failed.");
}

int RobotControlServices::setRobotAtOriginPoseService() {
    return requestServiceOnlyCheckSendResultMode(CMT::CommunicationType_SetRobotAtOriginPose,
                                                 nullptr, 0);
}

int RobotControlServices::safeIoAboutCommunication(RobotCommandType commandType,
                                                   const std::vector<int>& paramVeror) {
    return sendEncodedCheckResult(commandType, TEVO_ENCODE(getRequest_safeIoParamAbout, paramVeror),
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
    return queryDecoded(CMT::CommunicationType_GetInterfaceBoardAllDIData,
                        TEVO_DECODE(resolveResponse_robotDiagnosisIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve BoardAllDIStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllDOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
    return queryDecoded(CMT::CommunicationType_GetInterfaceBoardAllDOData,
                        TEVO_DECODE(resolveResponse_robotDiagnosisIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve BoardAllDOStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllAIStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(CMT::CommunicationType_GetInterfaceBoardAllAIData,
                        TEVO_DECODE(resolveResponse_robotAnalogIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve BoardAllAIStatus response failed.");
}

int RobotControlServices::getInterfaceBoardAllAOStatusService(
    std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(CMT::CommunicationType_GetInterfaceBoardAllAOData,
                        TEVO_DECODE(resolveResponse_robotAnalogIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Send get BoardAllAOStatus and wait response failed.");
}

int RobotControlServices::setInterfaceBoardDOStatusService(int addr, IO_STATUS status) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, status)};
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetInterfaceBoardOneDOStatus,
        TEVO_ENCODE(getRequest_robotDiagnosisIOData, io),
        "sdk log: Make RobotCmd_setInterfaceBoardOneDOStatus protobuf content failed.");
}

int RobotControlServices::setInterfaceBoardAOStatusService(int addr, double status) {
    const std::vector<RobotAnalogIODesc> io{analogDesc(addr, static_cast<float>(status))};
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetInterfaceBoardOneAOStatus,
        TEVO_ENCODE(getRequest_robotAnalogIOData, io),
        "sdk log: Make setInterfaceBoardAOStatus protobuf content failed.");
}

int RobotControlServices::getRobotDigitalIOStatusService(RobotCommandType commandType, int addr,
                                                         int& status) {
    char* body = nullptr;
    int bodyLength = 0;
    // A request that cannot be encoded goes out without a body.
    PED::getRequest_robotDiagnosisIOData(&body, &bodyLength, {digitalDesc(addr, 0)});
    std::vector<RobotDiagnosisIODesc> io;
    const int ret = queryDecoded(
        commandType, body, bodyLength, TEVO_DECODE(resolveResponse_robotDiagnosisIOData, io),
        ErrCode_CreateRequestFailed, "sdk log: Resolve DiagnosisIO response failed.");
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
        commandType, body, bodyLength, TEVO_DECODE(resolveResponse_robotAnalogIOData, io),
        ErrCode_CreateRequestFailed, "sdk log: Resolve AnalogIO response failed.");
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
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetToolPowerVoltageType,
        TEVO_ENCODE(getRequest_robotDiagnosisIOData, io),
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
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetToolPowerTypeAndDigitalIOType,
        TEVO_ENCODE(getRequest_robotDiagnosisIOData, io),
        "sdk log: Make RobotCmd_SetToolPowerVoltageType protobuf content failed.");
}

int RobotControlServices::setToolDigitalIOTypeService(ToolDigitalIOAddr addr, ToolIOType type) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, type)};
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetToolDigitalIOType,
        TEVO_ENCODE(getRequest_robotDiagnosisIOData, io),
        "sdk log: Make RobotCmd_setToolDigitalIOStatus protobuf content failed.");
}

int RobotControlServices::getToolAllDigitalIOStatusService(
    std::vector<RobotDiagnosisIODesc>& statusVector) {
    return queryDecoded(CMT::CommunicationType_GetToolAllDigitalIOStatus,
                        TEVO_DECODE(resolveResponse_robotDiagnosisIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve ToolAllDigitalIOStatus response failed.");
}

int RobotControlServices::getToolAllAIStatusService(std::vector<RobotAnalogIODesc>& statusVector) {
    return queryDecoded(CMT::CommunicationType_GetToolAllAIStatus,
                        TEVO_DECODE(resolveResponse_robotAnalogIOData, statusVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve ToolAllAIStatus response failed.");
}

int RobotControlServices::setToolDigitalIOStatusService(ToolDigitalIOAddr addr, IO_STATUS value) {
    const std::vector<RobotDiagnosisIODesc> io{digitalDesc(addr, value)};
    return sendEncodedCheckResult(
        CMT::CommunicationType_SetToolDigitalIOStatus,
        TEVO_ENCODE(getRequest_robotDiagnosisIOData, io),
        "sdk log: Make RobotCmd_setToolDigitalIOStatus protobuf content failed.");
}

int RobotControlServices::getToolAllIOStatusService(RobotToolAllIOStatus& toolAllIOStatus) {
    return queryDecoded(CMT::CommunicationType_GetToolAllIoStatus,
                        TEVO_DECODE(resolveResponse_robotToolIoStatus, toolAllIOStatus),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve toolAllIOStatus response failed.");
}

// ---- firmware, versions, joint servo data ------------------------------------------------

int RobotControlServices::updateRobotBoardFirmwareService(update_board_firmware_cmd cmd,
                                                          const void* data, uint16_t length) {
    // The encoder refuses a null image with a non-zero length.
    return sendEncodedCheckResult(
        CMT::CommunicationType_UpdateRobotBoardFirmware,
        TEVO_ENCODE(getRequest_firmwareUpgrade, static_cast<int>(cmd),
                    static_cast<const char*>(data), int{length}),
        "sdk log: Make RobotCmd_updateRobotBoardFirmware request failed.");
}

int RobotControlServices::getBoardFirmwareUpdateResultService(bool& value) {
    return queryDecoded(CMT::CommunicationType_FirmwareUpdateResult,
                        TEVO_DECODE(resolveResponse_isRealRobotExist, value),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve BoardFirmwareUpdateResult response failed.");
}

int RobotControlServices::getRobotEthernetDeviceNameService(std::string& ethernetDeviceName) {
    return queryDecoded(CMT::CommunicationType_GetRobotEthernetDeviceName,
                        TEVO_DECODE(resolveResponse_ethernetDeviceName, ethernetDeviceName),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve EthernetDeviceName response failed.");
}

int RobotControlServices::getServerVersionInfoService(std::string& versionInfo) {
    return queryDecoded(CMT::CommunicationType_GetRobotVersionInfo,
                        TEVO_DECODE(resolveResponse_ethernetDeviceName, versionInfo),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve ServerVersionInfo response failed.");
}

int RobotControlServices::getJointCommonData(JointCommonData* jointCommonDataArray, int size) {
    if (jointCommonDataArray == nullptr && size > 0) return ErrCode_ParamError;
    std::vector<JointCommonData> list;
    const int ret = queryDecoded(CMT::CommunicationType_getJointCommonData,
                                 TEVO_DECODE(resolveResponse_jointCommonData, list),
                                 ErrCode_CreateRequestFailed,
                                 "sdk log: Resolve jointCommonData response failed.");
    const size_t count = std::min(list.size(), static_cast<size_t>(std::max(size, 0)));
    std::copy(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count),
              jointCommonDataArray);
    return ret;
}

int RobotControlServices::setJointParamService(CommunicationMateType::SetJointCommonParamType type,
                                               int jointID, int value) {
    return sendIntVector(CMT::CommunicationType_setJointCommonData,
                         {static_cast<int>(type), jointID, value},
                         "sdk log: Make setJointParamService protobuf content failed.");
}

int RobotControlServices::jointSaveDataFlashService(int jointID) {
    return sendIntVector(CMT::CommunicationType_jointSaveDataFlash, {jointID},
                         "sdk log: Make jointSaveDataFlashService protobuf content failed.");
}

int RobotControlServices::getJoint6Rotate360EnableFlag(bool& joint6Rot360Enable) {
    return queryDecoded(CMT::CommunicationType_getEnableJoint6Rot360Flag,
                        TEVO_DECODE(resolveResponse_isRealRobotExist, joint6Rot360Enable),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve getEnableJoint6Rot360Flag response failed.");
}

int RobotControlServices::getJoint1Rotate360EnableFlag(bool& joint1Rot360Enable) {
    return queryDecoded(CMT::CommunicationType_getEnableJoint1Rot360Flag,
                        TEVO_DECODE(resolveResponse_isRealRobotExist, joint1Rot360Enable),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve getEnableJoint1Rot360Flag response failed.");
}

int RobotControlServices::startupOfflineExcitTrajService(const char* trackFile,
                                                         Robot_Dyn_identify_traj type,
                                                         int subtype) {
    if (trackFile == nullptr) return ErrCode_ParamError;
    const std::string file(trackFile);
    return sendEncodedCheckResult(
        CMT::CommunicationType_StartupOfflineExcitTraj,
        TEVO_ENCODE(getRequest_startupOfflineExcitTraj, file, static_cast<int>(type), subtype),
        "sdk log: Make getRequest_startupOfflineExcitTraj request failed.");
}

int RobotControlServices::getDynIdentifyResultsService(std::vector<int>& paramVector) {
    return queryDecoded(CMT::CommunicationType_GetDynIdentifyResults,
                        TEVO_DECODE(resolveResponse_getDynIdentifyResults, paramVector),
                        ErrCode_CreateRequestFailed,
                        "sdk log: Resolve DynIdentify response failed.");
}
