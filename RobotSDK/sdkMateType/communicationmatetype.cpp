#include "RobotSDK/sdkMateType/communicationmatetype.h"

CommunicationMateType* CommunicationMateType::instance() {
    // Built once, thread-safely, and never destroyed so that log lines written
    // during process teardown still find it.
    static CommunicationMateType* const s_communicationMateTypePtr = new CommunicationMateType();
    return s_communicationMateTypePtr;
}

std::string CommunicationMateType::getCommandDescByType(CommunicationCommandType type) {
    const auto& descMap = instance()->m_communicationCommandTypeDescMap;
    const auto it = descMap.find(type);
    return it == descMap.end() ? std::string("unknow") : it->second;
}

CommunicationMateType::CommunicationMateType() { initCommunicationCommandTypeDescMap(); }

// An entry whose text is the enumerator's own name.
#define NAMED(type) \
    { type, #type }

void CommunicationMateType::initCommunicationCommandTypeDescMap() {
    // The catalogue covers 0 to 117 only. A few texts carry trailing blanks that
    // log lines reproduce as they are.
    m_communicationCommandTypeDescMap.clear();
    m_communicationCommandTypeDescMap = {
        NAMED(CommunicationType_Login),
        NAMED(CommunicationType_Logout),
        NAMED(CommunicationType_Event),
        NAMED(CommunicationType_RealTimeJointStatus),
        NAMED(CommunicationType_EnableRealTimeJointStatusPush),
        NAMED(CommunicationType_DisableRealTimeJointStatusPush),
        NAMED(CommunicationType_GetRobotJointStatus),
        NAMED(CommunicationType_RealTimeRobotJointAngle),
        NAMED(CommunicationType_EnableRealTimeJointAnglePush),
        NAMED(CommunicationType_DisableRealTimeJointAnglePush),
        NAMED(CommunicationType_GetRobotJointAngle),
        NAMED(CommunicationType_RealTimeRobotEndSpeed),
        NAMED(CommunicationType_EnableRealTimeEndSpeedPush),
        NAMED(CommunicationType_DisableRealTimeEndSpeedPush),
        NAMED(CommunicationType_RealTimeRobotDiagnosis),
        NAMED(CommunicationType_GetRobotDiagnosis),
        NAMED(CommunicationType_RobotStartup),
        {CommunicationType_RobotShutdown, "CommunicationType_RobotShutdown "},
        NAMED(CommunicationType_RobotControl),
        NAMED(CommunicationType_CollisionRecover),
        NAMED(CommunicationType_SetRobotPowerStatus),
        NAMED(CommunicationType_SetRobotReleaseBrake),
        NAMED(CommunicationType_RobotMove),
        NAMED(CommunicationType_RobotTeachMoveStart),
        NAMED(CommunicationType_RobotTeachMoveStop),
        NAMED(CommunicationType_RobotMoveControl),
        NAMED(CommunicationType_GetRobotCurrentState),
        NAMED(CommunicationType_SetRobotTcpParam),
        NAMED(CommunicationType_GetRobotTcpParam),
        NAMED(CommunicationType_SetToolDynamicsParam),
        NAMED(CommunicationType_GetToolDynamicsParam),
        NAMED(CommunicationType_SetToolKinematicsParam),
        NAMED(CommunicationType_GetToolKinematicsParam),
        NAMED(CommunicationType_SetRobotMode),
        NAMED(CommunicationType_GetRobotMode),
        NAMED(CommunicationType_GetRobotGravityComponent),
        NAMED(CommunicationType_GetRobotCollisionCurrent),
        NAMED(CommunicationType_GetIsRealRobotExist),
        NAMED(CommunicationType_GetDeviceInfo),
        {CommunicationType_SetMaxAcc, "CommunicationType_SetMaxAcc "},
        NAMED(CommunicationType_SetRobotCollisionGrade),
        NAMED(CommunicationType_GetInterfaceBoardAllDIData),
        NAMED(CommunicationType_GetInterfaceBoardAllDOData),
        NAMED(CommunicationType_GetInterfaceBoardAllAIData),
        NAMED(CommunicationType_GetInterfaceBoardAllAOData),
        NAMED(CommunicationType_GetInterfaceBoardAllData),
        NAMED(CommunicationType_GetInterfaceBoardOneDIStatus),
        NAMED(CommunicationType_GetInterfaceBoardOneDOStatus),
        NAMED(CommunicationType_GetInterfaceBoardOneAIStatus),
        NAMED(CommunicationType_GetInterfaceBoardOneAOStatus),
        NAMED(CommunicationType_SetInterfaceBoardOneDOStatus),
        NAMED(CommunicationType_SetInterfaceBoardOneAOStatus),
        NAMED(CommunicationType_GetToolPowerVoltageType),
        NAMED(CommunicationType_SetToolPowerVoltageType),
        NAMED(CommunicationType_SetToolPowerTypeAndDigitalIOType),
        {CommunicationType_SetToolDigitalIOType, "CommunicationType_SetToolDigitalIOType     "},
        NAMED(CommunicationType_GetToolPowerVoltage),
        NAMED(CommunicationType_GetToolAllDigitalIOStatus),
        NAMED(CommunicationType_GetToolAllAIStatus),
        NAMED(CommunicationType_SetToolDigitalIOStatus),
        NAMED(CommunicationType_SetRobotAtOriginPose),
        NAMED(CommunicationType_GetRobotSafetyConfig),
        NAMED(CommunicationType_SetRobotSafetyConfig),
        NAMED(CommunicationType_GetOrpeSafetyStatus),
        {CommunicationType_SafetyIoAbout_setRobotOrpePause,
         "CommunicationType_SafetyIoAbout_setRobotOrpePause      "},
        {CommunicationType_SafetyIoAbout_setRobotOrpeStop,
         "CommunicationType_SafetyIoAbout_setRobotOrpeStop        "},
        {CommunicationType_SafetyIoAbout_setRobotOrpeError,
         "CommunicationType_SafetyIoAbout_setRobotOrpeError      "},
        NAMED(CommunicationType_SafetyIoAbout_clearSystemEmergencyStop),
        {CommunicationType_SafetyIoAbout_clearReducedModeError,
         "CommunicationType_SafetyIoAbout_clearReducedModeError "},
        NAMED(CommunicationType_SafetyIoAbout_robotSafetyguardResetSucc),
        NAMED(CommunicationType_SystemHalt),
        NAMED(CommunicationType_OfflineTrackWaypointAppend),
        NAMED(CommunicationType_OfflineTrackWaypointClear),
        NAMED(CommunicationType_OfflineTrackMoveStartup),
        NAMED(CommunicationType_OfflineTrackMoveStop),
        NAMED(CommunicationType_EnterTcp2CanbusMode),
        NAMED(CommunicationType_LeaveTcp2CanbusMode),
        NAMED(CommunicationType_SetRobotPosData2Canbus),
        NAMED(CommunicationType_StartupOfflineExcitTraj),
        NAMED(CommunicationType_GetDynIdentifyResults),
        NAMED(CommunicationType_RobotHandShake),
        NAMED(CommunicationType_GetToolAllIoStatus),
        NAMED(CommunicationType_UpdateRobotBoardFirmware),
        NAMED(CommunicationType_FirmwareUpdateResult),
        NAMED(CommunicationType_GetRobotEthernetDeviceName),
        NAMED(CommunicationType_RobotMoveFastStop),
        NAMED(CommunicationType_RobotSetJointOffset),
        NAMED(CommunicationType_getEnableJoint6Rot360Flag),
        NAMED(CommunicationType_RobotMoveControlType),
        NAMED(CommunicationType_RobotMoveControlType_SlowStop),
        NAMED(CommunicationType_RobotMoveControlType_FastStop),
        NAMED(CommunicationType_RobotMoveControlType_Pause),
        NAMED(CommunicationType_RobotMoveControlType_Continue),
        NAMED(CommunicationType_setConveyorEncoderReset),
        NAMED(CommunicationType_setConveyorStartup),
        NAMED(CommunicationType_setConveyorStop),
        NAMED(CommunicationType_setConveyorDir),
        NAMED(CommunicationType_setRobotCameraCalib),
        NAMED(CommunicationType_setConveyorVelc),
        NAMED(CommunicationType_setEncoderValPerMeter),
        NAMED(CommunicationType_setStartWindowUpstream),
        NAMED(CommunicationType_setStartWindowDownstream),
        NAMED(CommunicationType_setConveyorTrackDownstream),
        NAMED(CommunicationType_enableConveyorTrack),
        NAMED(CommunicationType_getConveyorEncoderVal),
        NAMED(CommunicationType_appendObject2ConveyorTrackQueue),
        NAMED(CommunicationType_setRobotConveyorTrackMaxVelc),
        NAMED(CommunicationType_setRobotConveyorTrackMaxAcc),
        NAMED(CommunicationType_setRobotConveyorSystemDelay),
        NAMED(CommunicationType_setRobotTool),
        NAMED(CommunicationType_setWeaveMoveParameters),
        NAMED(CommunicationType_setJointRangeOfMotion),
        NAMED(CommunicationType_setRobotRecognitionParam),
        NAMED(CommunicationType_getRobotRecognitionParam),
        NAMED(CommunicationType_getJointAngleFromController),
        NAMED(CommunicationType_communicationHeart),
        NAMED(CommunicationType_setSeamTrackingParameters),
        NAMED(CommunicationType_getSeamTrackingParameters),
    };
}

#undef NAMED
