// The facade operations that pass their arguments unchanged to the control
// core or to the kinematics service and return its result.
#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/sdkMateType/communicationmatetype.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"

using namespace tevo_robot_namespace;

// ---- Arm control ---------------------------------------------------------------

int ServiceInterface::robotServiceRobotHandShake(bool isBlock) {
    return m_robotBaseService->robotHandShakeService(isBlock);
}
int ServiceInterface::rootServiceRobotControl(const RobotControlCommand cmd) {
    return m_robotBaseService->robotControlService(cmd);
}
int ServiceInterface::robotServicePowerControl(bool value) {
    return m_robotBaseService->armPowerControlService(value);
}
int ServiceInterface::robotServiceReleaseBrake() { return m_robotBaseService->rootReleaseBrake(); }
int ServiceInterface::robotServiceRobotShutdown(bool IsBolck) {
    return m_robotBaseService->robotShutdownService(IsBolck);
}
int ServiceInterface::robotServiceCollisionRecover() {
    return m_robotBaseService->collisionRecover();
}

// ---- Push switches ---------------------------------------------------------------

int ServiceInterface::robotServiceSetRealTimeJointStatusPush(bool enable) {
    return m_robotBaseService->setRealTimeJointStatusPush(enable);
}
int ServiceInterface::robotServiceSetRealTimeRoadPointPush(bool enable) {
    return m_robotBaseService->setRealTimeJointAnglePush(enable);
}
int ServiceInterface::robotServiceSetRealTimeEndSpeedPush(bool enable) {
    return m_robotBaseService->setRealTimeEndSpeedPush(enable);
}

// ---- Controller state and configuration ------------------------------------------

int ServiceInterface::robotServiceGetRobotWorkMode(RobotWorkMode& mode) {
    return m_robotBaseService->getRobotWorkModeService(mode);
}
int ServiceInterface::robotServiceSetRobotWorkMode(RobotWorkMode mode) {
    return m_robotBaseService->setRobotWorkModeService(mode);
}
int ServiceInterface::robotServiceSetEnableForceTeachWhenProjectIsRunning(bool enable) {
    return m_robotBaseService->setEnableForceTeachWhenProjectIsRunning(enable);
}
int ServiceInterface::robotServiceGetRobotGravityComponent(
    RobotGravityComponent& gravityComponent) {
    return m_robotBaseService->getRobotGravityComponent(gravityComponent);
}
int ServiceInterface::robotServiceSetRobotCollisionClass(int grade) {
    return m_robotBaseService->setRobotCollisionClassService(grade);
}
int ServiceInterface::robotServiceGetRobotDevInfoService(RobotDevInfo& devInfo) {
    return m_robotBaseService->getRobotDevInfoService(devInfo);
}
int ServiceInterface::robotServiceGetRobotCurrentState(RobotState& state) {
    return m_robotBaseService->getRobotCurrentStateService(state);
}
int ServiceInterface::robotServiceGetIsRealRobotExist(bool& value) {
    return m_robotBaseService->getIsRealRobotExist(value);
}
int ServiceInterface::robotServiceGetJoint6Rotate360EnableFlag(bool& joint6Rot360Enable) {
    return m_robotBaseService->getJoint6Rotate360EnableFlag(joint6Rot360Enable);
}
int ServiceInterface::robotServiceGetRobotJointStatus(JointStatus* jointStatus, int size) {
    if (!countInRange("robotServiceGetRobotJointStatus", "size", size, 1, ARM_DOF)) {
        return ErrCode_ParamError;
    }
    return m_robotBaseService->getRobotJointStatus(jointStatus, size);
}
int ServiceInterface::robotServiceGetRobotDiagnosisInfo(RobotDiagnosis& robotDiagnosisInfo) {
    return m_robotBaseService->getRobotDiagnosisInfo(robotDiagnosisInfo);
}
int ServiceInterface::robotServiceGetJointAngleInfo(JointParam& jointParam) {
    return m_robotBaseService->getCurrentJointAngle(jointParam);
}
int ServiceInterface::robotServiceGetCorrectedWaypoint(wayPoint_S source, wayPoint_S& waypint) {
    return m_robotBaseService->getCorrectedWaypoint(source, waypint);
}
int ServiceInterface::robotServiceSetRobotAtOriginPose() {
    return m_robotBaseService->setRobotAtOriginPoseService();
}
int ServiceInterface::robotServiceSetRobotOrpePause(uint8_t data) {
    return m_robotBaseService->setRobotOrpePause(data);
}
int ServiceInterface::robotServiceSetRobotOrpeStop(uint8_t data) {
    return m_robotBaseService->setRobotOrpeStop(data);
}
int ServiceInterface::robotServiceSetRobotOrpeError(uint8_t* data, int len) {
    // The controller keeps sixteen error flags (OrpeSafetyStatus::orpeError).
    constexpr int kMaxFlags = sizeof(OrpeSafetyStatus::orpeError);
    if (!countInRange("robotServiceSetRobotOrpeError", "len", len, 0, kMaxFlags)) {
        return ErrCode_ParamError;
    }
    return m_robotBaseService->setRobotOrpeError(data, len);
}
int ServiceInterface::robotServiceClearSystemEmergencyStop(uint8_t data) {
    return m_robotBaseService->clearSystemEmergencyStop(data);
}
int ServiceInterface::robotServiceClearReducedModeError(uint8_t data) {
    return m_robotBaseService->clearReducedModeError(data);
}
int ServiceInterface::robotServiceRobotSafetyguardResetSucc(uint8_t data) {
    return m_robotBaseService->robotSafetyguardResetSucc(data);
}
int ServiceInterface::robotServiceGetRobotSafetyConfig(RobotSafetyConfig& safetyConfig) {
    return m_robotBaseService->getRobotSafetyConfig(safetyConfig);
}
int ServiceInterface::robotServiceGetOrpeSafetyStatus(OrpeSafetyStatus& safetyStatus) {
    return m_robotBaseService->getOrpeSafetyStatus(safetyStatus);
}
int ServiceInterface::robotServiceUpdateRobotBoardFirmware(update_board_firmware_cmd cmd,
                                                           const void* data, uint16_t length) {
    return m_robotBaseService->updateRobotBoardFirmwareService(cmd, data, length);
}
int ServiceInterface::robotServiceGetBoardFirmwareUpdateResultService(bool& value) {
    return m_robotBaseService->getBoardFirmwareUpdateResultService(value);
}
int ServiceInterface::robotServiceGetRobotEthernetDeviceName(std::string& ethernetDeviceName) {
    return m_robotBaseService->getRobotEthernetDeviceNameService(ethernetDeviceName);
}
int ServiceInterface::robotServiceGetServerVersionInfo(std::string& versionInfo) {
    return m_robotBaseService->getServerVersionInfoService(versionInfo);
}
int ServiceInterface::robotServiceSetRobotJointOffset(RobotJointOffset& jointOffset) {
    return m_robotBaseService->setRobotJointOffsetService(jointOffset);
}
int ServiceInterface::robotServiceGetJointCommonData(JointCommonData* jointCommonDataArray,
                                                     int size) {
    if (!countInRange("robotServiceGetJointCommonData", "size", size, 1, ARM_DOF)) {
        return ErrCode_ParamError;
    }
    return m_robotBaseService->getJointCommonData(jointCommonDataArray, size);
}
int ServiceInterface::robotServiceJointSaveDataFlash(int jointID) {
    return m_robotBaseService->jointSaveDataFlashService(jointID);
}
int ServiceInterface::getDynIdentifyResultsService(std::vector<int>& paramVector) {
    return m_robotBaseService->getDynIdentifyResultsService(paramVector);
}

// ---- Joint servo parameters ------------------------------------------------------

int ServiceInterface::setServoParam(int paramType, int jointID, uint16_t value) {
    return m_robotBaseService->setJointParamService(
        static_cast<CommunicationMateType::SetJointCommonParamType>(paramType), jointID, value);
}

#define TEVO_SERVO_SETTER(name)                                                                  \
    int ServiceInterface::robotServiceSetJointParam_##name(int jointID, uint16_t value) {        \
        return setServoParam(CommunicationMateType::SetJointCommonParam_##name, jointID, value); \
    }
TEVO_SERVO_SETTER(CurrentIP)
TEVO_SERVO_SETTER(CurrentII)
TEVO_SERVO_SETTER(CurrentID)
TEVO_SERVO_SETTER(SpeedP)
TEVO_SERVO_SETTER(SpeedI)
TEVO_SERVO_SETTER(SpeedD)
TEVO_SERVO_SETTER(SpeedDS)
TEVO_SERVO_SETTER(PosP)
TEVO_SERVO_SETTER(PosI)
TEVO_SERVO_SETTER(PosD)
TEVO_SERVO_SETTER(PosDS)
#undef TEVO_SERVO_SETTER

// ---- Kinematics and frames ---------------------------------------------------------

int ServiceInterface::robotServiceRobotFk(const double* jointAngle, int size,
                                          wayPoint_S& wayPoint) {
    return RobotUtilService::robotFk(jointAngle, size, wayPoint);
}
int ServiceInterface::robotServiceRobotIk(const double* startPointJointAngle, const Pos& position,
                                          const Ori& ori, wayPoint_S& wayPoint) {
    return RobotUtilService::robotIk(startPointJointAngle, position, ori, wayPoint);
}
int ServiceInterface::robotServiceRobotIk(const Pos& position, const Ori& ori,
                                          std::vector<wayPoint_S>& wayPointVector) {
    return RobotUtilService::robotIk(position, ori, wayPointVector);
}
int ServiceInterface::robotServiceToolCalibration(
    const std::vector<wayPoint_S>& wayPointPosCalibVector, char poseCalibMethod,
    ToolInEndDesc& toolInEndDesc) {
    return RobotUtilService::toolCalibration(wayPointPosCalibVector, poseCalibMethod,
                                             toolInEndDesc);
}
int ServiceInterface::robotServiceToolCalibration(
    const std::vector<wayPoint_S>& wayPointPosCalibVector,
    const std::vector<wayPoint_S>& wayPointOriCalibVector,
    ToolKinematicsOriCalibrateMathod poseCalibMethod, ToolInEndDesc& toolInEndDesc) {
    return RobotUtilService::toolCalibration(wayPointPosCalibVector, wayPointOriCalibVector,
                                             poseCalibMethod, toolInEndDesc);
}
int ServiceInterface::robotServiceCheckUserCoordinate(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
    return RobotUtilService::checkCoordinateSystemCalibration(coordSystem);
}
int ServiceInterface::robotServiceUserCoordinateCalibration(
    const CoordCalibrateByJointAngleAndTool& coordSystem, double bInWPos[3], double bInWOri[9],
    double wInBPos[3]) {
    return RobotUtilService::coordinateSystemCalibration(coordSystem, bInWPos, bInWOri, wInBPos);
}
int ServiceInterface::robotServiceOriMatrixToQuaternion(double eerot[], Ori& result) {
    return RobotUtilService::oriMatrixToQuaternion(eerot, result);
}
int ServiceInterface::quaternionToRPY(const Ori& ori, Rpy& rpy) {
    return RobotUtilService::quaternionToRPY(ori, rpy);
}
int ServiceInterface::RPYToQuaternion(const Rpy& rpy, Ori& ori) {
    return RobotUtilService::RPYToQuaternion(rpy, ori);
}

int ServiceInterface::baseToUserCoordinate(const Pos& flangeCenterPositionOnBase,
                                           const Ori& flangeCenterOrientationOnBase,
                                           const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                           const ToolInEndDesc& toolInEndDesc,
                                           Pos& toolEndPositionOnUserCoord,
                                           Ori& toolEndOrientationOnUserCoord) {
    return RobotUtilService::base2UserCoordinate(
        flangeCenterPositionOnBase, flangeCenterOrientationOnBase, userCoordSystem, toolInEndDesc,
        toolEndPositionOnUserCoord, toolEndOrientationOnUserCoord);
}
int ServiceInterface::baseToBaseAdditionalTool(const wayPoint_S& flangeCenterPointOnBase,
                                               const ToolInEndDesc& toolInEndDesc,
                                               wayPoint_S& toolEndPointOnBase) {
    return RobotUtilService::base2BaseAdditionalTool(flangeCenterPointOnBase, toolInEndDesc,
                                                     toolEndPointOnBase);
}
int ServiceInterface::baseToBaseAdditionalTool(const Pos& flangeCenterPositionOnBase,
                                               const Ori& flangeCenterOrientationOnBase,
                                               const ToolInEndDesc& toolInEndDesc,
                                               Pos& toolEndPositionOnBase,
                                               Ori& toolEndOrientationOnBase) {
    return RobotUtilService::base2BaseAdditionalTool(
        flangeCenterPositionOnBase, flangeCenterOrientationOnBase, toolInEndDesc,
        toolEndPositionOnBase, toolEndOrientationOnBase);
}
int ServiceInterface::userToBaseCoordinate(const Pos& toolEndPositionOnUserCoord,
                                           const Ori& toolEndOrientationOnUserCoord,
                                           const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                           const ToolInEndDesc& toolInEndDesc,
                                           Pos& flangeCenterPositionOnBase,
                                           Ori& flangeCenterOrientationOnBase) {
    return RobotUtilService::user2BaseCoordinate(
        toolEndPositionOnUserCoord, toolEndOrientationOnUserCoord, userCoordSystem, toolInEndDesc,
        flangeCenterPositionOnBase, flangeCenterOrientationOnBase);
}
int ServiceInterface::userCoordPointToBasePoint(
    const Pos& userCoordPoint, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    Pos& basePoint) {
    return RobotUtilService::userCoordPoint2BasePoint(userCoordPoint, userCoordSystem, basePoint);
}
int ServiceInterface::endOrientation2ToolOrientation(Ori& tcpOriInEnd, const Ori& endOri,
                                                     Ori& toolOri) {
    return RobotUtilService::endOrientation2ToolOrientation(tcpOriInEnd, endOri, toolOri);
}
int ServiceInterface::toolOrientation2EndOrientation(Ori& tcpOriInEnd, const Ori& toolOri,
                                                     Ori& endOri) {
    return RobotUtilService::toolOrientation2EndOrientation(tcpOriInEnd, toolOri, endOri);
}

// ---- Neutral default values ----------------------------------------------------------

void ServiceInterface::initPosDataType(Pos& pos) { RobotUtilService::initPosDataType(pos); }
void ServiceInterface::initOriDataType(Ori& ori) { RobotUtilService::initOriDataType(ori); }
void ServiceInterface::initMoveRelativeDataType(MoveRelative& moveRelative) {
    RobotUtilService::initMoveRelativeDataType(moveRelative);
}
void ServiceInterface::initWayPointDataType(wayPoint_S& wayPoint) {
    RobotUtilService::initWayPointDataType(wayPoint);
}
void ServiceInterface::initToolInEndDescDataType(ToolInEndDesc& toolInEndDesc) {
    RobotUtilService::initToolInEndDescDataType(toolInEndDesc);
}
void ServiceInterface::initCoordCalibrateByJointAngleAndToolDataType(
    CoordCalibrateByJointAngleAndTool& coordCalibrate) {
    RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(coordCalibrate);
}
void ServiceInterface::initToolInertiaDataType(ToolInertia& toolInertia) {
    RobotUtilService::initToolInertiaDataType(toolInertia);
}
void ServiceInterface::initToolDynamicsParamDataType(ToolDynamicsParam& toolDynamicsParam) {
    RobotUtilService::initToolDynamicsParamDataType(toolDynamicsParam);
}
