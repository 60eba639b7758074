#ifndef COMMUNICATIONMATETYPE_H
#define COMMUNICATIONMATETYPE_H

#include <map>
#include <string>

// The catalogue of command types carried in every frame, and the descriptive
// texts used for them in log lines. The one instance is built on first use
// (thread-safe) and never destroyed; after that it is only read, so any thread
// may call every member.
class CommunicationMateType {
public:
    // Fixed to int: a command type read from the wire may hold any 32-bit
    // value, and converting it must stay well defined.
    enum CommunicationCommandType : int {
        CommunicationType_Login = 0,
        CommunicationType_Logout = 1,
        CommunicationType_Event = 2,
        CommunicationType_RealTimeJointStatus = 3,
        CommunicationType_EnableRealTimeJointStatusPush = 4,
        CommunicationType_DisableRealTimeJointStatusPush = 5,
        CommunicationType_GetRobotJointStatus = 6,
        CommunicationType_RealTimeRobotJointAngle = 7,
        CommunicationType_EnableRealTimeJointAnglePush = 8,
        CommunicationType_DisableRealTimeJointAnglePush = 9,
        CommunicationType_GetRobotJointAngle = 10,
        CommunicationType_RealTimeRobotEndSpeed = 11,
        CommunicationType_EnableRealTimeEndSpeedPush = 12,
        CommunicationType_DisableRealTimeEndSpeedPush = 13,
        CommunicationType_RealTimeRobotDiagnosis = 14,
        CommunicationType_GetRobotDiagnosis = 15,
        CommunicationType_RobotStartup = 16,
        CommunicationType_RobotShutdown = 17,
        CommunicationType_RobotControl = 18,
        CommunicationType_CollisionRecover = 19,
        CommunicationType_SetRobotPowerStatus = 20,
        CommunicationType_SetRobotReleaseBrake = 21,
        CommunicationType_RobotMove = 22,
        CommunicationType_RobotTeachMoveStart = 23,
        CommunicationType_RobotTeachMoveStop = 24,
        CommunicationType_RobotMoveControl = 25,
        CommunicationType_GetRobotCurrentState = 26,
        CommunicationType_SetRobotTcpParam = 27,
        CommunicationType_GetRobotTcpParam = 28,
        CommunicationType_SetToolDynamicsParam = 29,
        CommunicationType_GetToolDynamicsParam = 30,
        CommunicationType_SetToolKinematicsParam = 31,
        CommunicationType_GetToolKinematicsParam = 32,
        CommunicationType_SetRobotMode = 33,
        CommunicationType_GetRobotMode = 34,
        CommunicationType_GetRobotGravityComponent = 35,
        CommunicationType_GetRobotCollisionCurrent = 36,
        CommunicationType_GetIsRealRobotExist = 37,
        CommunicationType_GetDeviceInfo = 38,
        CommunicationType_SetMaxAcc = 39,
        CommunicationType_SetRobotCollisionGrade = 40,
        CommunicationType_GetInterfaceBoardAllDIData = 41,
        CommunicationType_GetInterfaceBoardAllDOData = 42,
        CommunicationType_GetInterfaceBoardAllAIData = 43,
        CommunicationType_GetInterfaceBoardAllAOData = 44,
        CommunicationType_GetInterfaceBoardAllData = 45,
        CommunicationType_GetInterfaceBoardOneDIStatus = 46,
        CommunicationType_GetInterfaceBoardOneDOStatus = 47,
        CommunicationType_GetInterfaceBoardOneAIStatus = 48,
        CommunicationType_GetInterfaceBoardOneAOStatus = 49,
        CommunicationType_SetInterfaceBoardOneDOStatus = 50,
        CommunicationType_SetInterfaceBoardOneAOStatus = 51,
        CommunicationType_GetToolPowerVoltageType = 52,
        CommunicationType_SetToolPowerVoltageType = 53,
        CommunicationType_SetToolPowerTypeAndDigitalIOType = 54,
        CommunicationType_SetToolDigitalIOType = 55,
        CommunicationType_GetToolPowerVoltage = 56,
        CommunicationType_GetToolAllDigitalIOStatus = 57,
        CommunicationType_GetToolAllAIStatus = 58,
        CommunicationType_SetToolDigitalIOStatus = 59,
        CommunicationType_SetRobotAtOriginPose = 60,
        CommunicationType_GetRobotSafetyConfig = 61,
        CommunicationType_SetRobotSafetyConfig = 62,
        CommunicationType_GetOrpeSafetyStatus = 63,
        CommunicationType_SafetyIoAbout_setRobotOrpePause = 64,
        CommunicationType_SafetyIoAbout_setRobotOrpeStop = 65,
        CommunicationType_SafetyIoAbout_setRobotOrpeError = 66,
        CommunicationType_SafetyIoAbout_clearSystemEmergencyStop = 67,
        CommunicationType_SafetyIoAbout_clearReducedModeError = 68,
        CommunicationType_SafetyIoAbout_robotSafetyguardResetSucc = 69,
        CommunicationType_SystemHalt = 70,
        CommunicationType_OfflineTrackWaypointAppend = 71,
        CommunicationType_OfflineTrackWaypointClear = 72,
        CommunicationType_OfflineTrackMoveStartup = 73,
        CommunicationType_OfflineTrackMoveStop = 74,
        CommunicationType_EnterTcp2CanbusMode = 75,
        CommunicationType_LeaveTcp2CanbusMode = 76,
        CommunicationType_SetRobotPosData2Canbus = 77,
        CommunicationType_StartupOfflineExcitTraj = 78,
        CommunicationType_GetDynIdentifyResults = 79,
        CommunicationType_RobotHandShake = 80,
        CommunicationType_GetToolAllIoStatus = 81,
        CommunicationType_UpdateRobotBoardFirmware = 82,
        CommunicationType_FirmwareUpdateResult = 83,
        CommunicationType_GetRobotEthernetDeviceName = 84,
        CommunicationType_RobotMoveFastStop = 85,
        CommunicationType_RobotSetJointOffset = 86,
        CommunicationType_getEnableJoint6Rot360Flag = 87,
        CommunicationType_RobotMoveControlType = 88,
        CommunicationType_RobotMoveControlType_SlowStop = 89,
        CommunicationType_RobotMoveControlType_FastStop = 90,
        CommunicationType_RobotMoveControlType_Pause = 91,
        CommunicationType_RobotMoveControlType_Continue = 92,
        CommunicationType_setConveyorEncoderReset = 93,
        CommunicationType_setConveyorStartup = 94,
        CommunicationType_setConveyorStop = 95,
        CommunicationType_setConveyorDir = 96,
        CommunicationType_setRobotCameraCalib = 97,
        CommunicationType_setConveyorVelc = 98,
        CommunicationType_setEncoderValPerMeter = 99,
        CommunicationType_setStartWindowUpstream = 100,
        CommunicationType_setStartWindowDownstream = 101,
        CommunicationType_setConveyorTrackDownstream = 102,
        CommunicationType_enableConveyorTrack = 103,
        CommunicationType_getConveyorEncoderVal = 104,
        CommunicationType_appendObject2ConveyorTrackQueue = 105,
        CommunicationType_setRobotConveyorTrackMaxVelc = 106,
        CommunicationType_setRobotConveyorTrackMaxAcc = 107,
        CommunicationType_setRobotConveyorSystemDelay = 108,
        CommunicationType_setRobotTool = 109,
        CommunicationType_setWeaveMoveParameters = 110,
        CommunicationType_setJointRangeOfMotion = 111,
        CommunicationType_setRobotRecognitionParam = 112,
        CommunicationType_getRobotRecognitionParam = 113,
        CommunicationType_getJointAngleFromController = 114,
        CommunicationType_communicationHeart = 115,
        CommunicationType_setSeamTrackingParameters = 116,
        CommunicationType_getSeamTrackingParameters = 117,
        CommunicationType_getCorrectedWaypoint = 118,
        CommunicationType_getJointRangeOfMotion = 119,
        CommunicationType_SetEnableForceTeachWhenProjectIsRunning = 120,
        CommunicationType_getJointCommonData = 121,
        CommunicationType_setJointCommonData = 122,
        CommunicationType_jointSaveDataFlash = 123,
        CommunicationType_GetRobotVersionInfo = 124,
        CommunicationType_getEnableJoint1Rot360Flag = 125,
        CommunicationType_enterRobotReduceMode = 126,
        CommunicationType_exitRobotReduceMode = 127,
        CommunicationType_getForceSensorData = 128,
        CommunicationType_CalibToolAndSensor = 129,
        CommunicationType_EnableForceControlPlan = 130,
        CommunicationType_SetForceControlAttributes = 131,
        CommunicationType_ForceControlCalibrationZero = 132,
        CommunicationType_MovepProgressNotify = 133,
        CommunicationType_SlowStopAndBoardEvent = 134,
        CommunicationType_getRegulateSpeedModeConfig = 135,
        CommunicationType_setRegulateSpeedModeConfig = 136,
        CommunicationType_enableRegulateSpeedMode = 137,
        CommunicationType_enableForceControlMode = 138,
        CommunicationType_getForceControlModeAdmittancePatam = 139,
        CommunicationType_setForceControlModeAdmittancePatam = 140,
        CommunicationType_getForceControlModeExploreForceParam = 141,
        CommunicationType_setForceControlModeExploreForceParam = 142,
        CommunicationType_getMovePJointRangeLimitParam = 143,
        CommunicationType_setMovePJointRangeLimitParam = 144,
        CommunicationTypeCount = 145,
        CommunicationType_Unknown = 146,
    };

    // The servo parameter that a CommunicationType_setJointCommonData request sets.
    enum SetJointCommonParamType {
        SetJointCommonParam_CurrentIP = 0,
        SetJointCommonParam_CurrentII = 1,
        SetJointCommonParam_CurrentID = 2,
        SetJointCommonParam_SpeedP = 3,
        SetJointCommonParam_SpeedI = 4,
        SetJointCommonParam_SpeedD = 5,
        SetJointCommonParam_SpeedDS = 6,
        SetJointCommonParam_PosP = 7,
        SetJointCommonParam_PosI = 8,
        SetJointCommonParam_PosD = 9,
        SetJointCommonParam_PosDS = 10,
    };

    static CommunicationMateType* instance();

    // The text for a command type, or "unknow" when the catalogue has none.
    static std::string getCommandDescByType(CommunicationCommandType type);

    CommunicationMateType(const CommunicationMateType&) = delete;
    CommunicationMateType& operator=(const CommunicationMateType&) = delete;

private:
    CommunicationMateType();
    void initCommunicationCommandTypeDescMap();

    std::map<CommunicationCommandType, std::string> m_communicationCommandTypeDescMap;
};

using RobotCommandType = CommunicationMateType::CommunicationCommandType;

#endif  // COMMUNICATIONMATETYPE_H
