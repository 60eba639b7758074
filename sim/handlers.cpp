// The dispatch table: the handler of each command type. A handler reads the
// request body, changes the arm state (unless a fault forces a refusal) and
// builds the reply message. The error code is written into the reply's error
// record afterwards, so a handler sets only RequestCtx::code. The handlers
// live by family in handlers_*.cpp and motion_control.cpp.
#include "sim/handlerutil.h"

namespace tevo_sim {

namespace {

void handleCommonOnly(SimCore&, ArmState&, RequestCtx& c) { common(c); }

void handleUnknown(SimCore& core, ArmState&, RequestCtx& c) {
    common(c);
    refuse(c, CodeUnknownCommand, "command type " + std::to_string(c.cmd) + " is unknown");
    core.log("connection " + std::to_string(c.conn) + ": unknown command type " +
             std::to_string(c.cmd));
}

struct Entry {
    int32_t cmd;
    Handler fn;
};

const Entry kHandlers[] = {
    {Login, handleLogin},
    {EnableRealTimeJointStatusPush, handlePushSwitch},
    {DisableRealTimeJointStatusPush, handlePushSwitch},
    {EnableRealTimeJointAnglePush, handlePushSwitch},
    {DisableRealTimeJointAnglePush, handlePushSwitch},
    {EnableRealTimeEndSpeedPush, handlePushSwitch},
    {DisableRealTimeEndSpeedPush, handlePushSwitch},
    {GetRobotJointStatus, handleJointStatus},
    {GetRobotJointAngle, handleJointAngle},
    {GetJointAngleFromController, handleJointAngle},
    {GetRobotDiagnosis, handleDiagnosis},
    {RobotStartup, handleStartup},
    {RobotShutdown, handleShutdown},
    {RobotControl, handleRobotControl},
    {CollisionRecover, handleCommonOnly},
    {SetRobotPowerStatus, handlePower},
    {SetRobotReleaseBrake, handleReleaseBrake},
    {RobotMove, handleRobotMove},
    {RobotTeachMoveStart, handleTeachStart},
    {RobotTeachMoveStop, handleTeachStop},
    {GetRobotCurrentState, handleCurrentState},
    {SetRobotTcpParam, handleSetTcp},
    {GetRobotTcpParam, handleGetTcp},
    {SetToolDynamicsParam, handleSetToolDynamics},
    {GetToolDynamicsParam, handleGetToolDynamics},
    {SetRobotMode, handleSetWorkMode},
    {GetRobotMode, handleGetWorkMode},
    {GetRobotGravityComponent, handleGravity},
    {GetRobotCollisionCurrent, handleGetCollision},
    {GetIsRealRobotExist, handleRealRobotExists},
    {GetDeviceInfo, handleDevInfo},
    {SetRobotCollisionGrade, handleSetCollision},
    {GetInterfaceBoardAllDIData, handleAllDI},
    {GetInterfaceBoardAllDOData, handleAllDO},
    {GetInterfaceBoardAllAIData, handleAllAI},
    {GetInterfaceBoardAllAOData, handleAllAO},
    {GetInterfaceBoardOneDIStatus, handleOneDigital},
    {GetInterfaceBoardOneDOStatus, handleOneDigital},
    {GetInterfaceBoardOneAIStatus, handleOneAnalog},
    {GetInterfaceBoardOneAOStatus, handleOneAnalog},
    {SetInterfaceBoardOneDOStatus, handleSetDO},
    {SetInterfaceBoardOneAOStatus, handleSetAO},
    {GetToolPowerVoltageType, handleGetToolPowerType},
    {SetToolPowerVoltageType, handleSetToolPowerType},
    {SetToolPowerTypeAndDigitalIOType, handleSetToolPowerAndIoType},
    {SetToolDigitalIOType, handleSetToolIoType},
    {GetToolPowerVoltage, handleGetToolVoltage},
    {GetToolAllDigitalIOStatus, handleToolAllDigital},
    {GetToolAllAIStatus, handleToolAllAI},
    {SetToolDigitalIOStatus, handleSetToolIoLevel},
    {SetRobotAtOriginPose, handleCommonOnly},
    {GetRobotSafetyConfig, handleGetSafetyConfig},
    {SetRobotSafetyConfig, handleSetSafetyConfig},
    {GetOrpeSafetyStatus, handleGetOrpe},
    {SafetyIoSetOrpePause, handleSafetyIo},
    {SafetyIoSetOrpeStop, handleSafetyIo},
    {SafetyIoSetOrpeError, handleSafetyIo},
    {SafetyIoClearSystemEmergencyStop, handleSafetyIo},
    {SafetyIoClearReducedModeError, handleSafetyIo},
    {SafetyIoSafetyguardResetSucc, handleSafetyIo},
    {OfflineTrackWaypointAppend, handleOfflineAppend},
    {OfflineTrackWaypointClear, handleOfflineClear},
    {OfflineTrackMoveStartup, handleOfflineStart},
    {OfflineTrackMoveStop, handleOfflineStop},
    {EnterTcp2CanbusMode, handleCanbusMode},
    {LeaveTcp2CanbusMode, handleCanbusMode},
    {SetRobotPosData2Canbus, handleCanbusData},
    {StartupOfflineExcitTraj, handleExcitTraj},
    {GetDynIdentifyResults, handleDynIdentify},
    {RobotHandShake, handleHandshake},
    {GetToolAllIoStatus, handleToolAllIo},
    {UpdateRobotBoardFirmware, handleFirmware},
    {FirmwareUpdateResult, handleFirmwareResult},
    {GetRobotEthernetDeviceName, handleTextReply},
    {RobotSetJointOffset, handleJointOffset},
    {GetEnableJoint6Rot360Flag, handleRot360},
    {MoveControlSlowStop, handleMoveControl},
    {MoveControlFastStop, handleMoveControl},
    {MoveControlPause, handleMoveControl},
    {MoveControlContinue, handleMoveControl},
    {SetConveyorEncoderReset, handleConveyorState<SetConveyorEncoderReset>},
    {SetConveyorStartup, handleConveyorState<SetConveyorStartup>},
    {SetConveyorStop, handleConveyorState<SetConveyorStop>},
    {SetConveyorDir, handleSetIntParam},
    {SetRobotCameraCalib, storeBody<pbc::ToolKinematicsParam>},
    {SetConveyorVelc, handleSetDoubleList},
    {SetEncoderValPerMeter, handleSetIntParam},
    {SetStartWindowUpstream, handleSetDoubleList},
    {SetStartWindowDownstream, handleSetDoubleList},
    {SetConveyorTrackDownstream, handleSetDoubleList},
    {EnableConveyorTrack, handleCommonOnly},
    {GetConveyorEncoderVal, handleConveyorEncoder},
    {AppendObject2ConveyorTrackQueue, handleConveyorObject},
    {SetRobotConveyorTrackMaxVelc, handleSetDoubleList},
    {SetRobotConveyorTrackMaxAcc, handleSetDoubleList},
    {SetRobotConveyorSystemDelay, handleSetDoubleList},
    {SetRobotTool, storeBody<pbc::ToolKinematicsParam>},
    {SetWeaveMoveParameters, handleSetDoubleParam},
    {SetJointRangeOfMotion, handleSetDoubleParam},
    {SetRobotRecognitionParam, handleRecognitionSet},
    {GetRobotRecognitionParam, handleRecognitionGet},
    {CommunicationHeart, handleCommonOnly},
    {SetSeamTrackingParameters, handleSetSeam},
    {GetSeamTrackingParameters, handleGetSeam},
    {GetCorrectedWaypoint, handleCorrectedWaypoint},
    {GetJointRangeOfMotion, handleGetDoubleParam},
    {SetEnableForceTeachWhenProjectIsRunning, handleForceTeach},
    {GetJointCommonData, handleGetJointData},
    {SetJointCommonData, handleSetJointData},
    {JointSaveDataFlash, handleJointSaveFlash},
    {GetRobotVersionInfo, handleTextReply},
    {GetEnableJoint1Rot360Flag, handleRot360},
    {EnterRobotReduceMode, handleReduceMode},
    {ExitRobotReduceMode, handleReduceMode},
    {GetForceSensorData, handleForceSensor},
    {CalibToolAndSensor, handleCalibToolSensor},
    {EnableForceControlPlan, handleSetIntParam},
    {SetForceControlAttributes, handleSetDoubleList},
    {ForceControlCalibrationZero, handleCommonOnly},
    {GetRegulateSpeedModeConfig, handleGetDoubleParam},
    {SetRegulateSpeedModeConfig, handleSetDoubleParam},
    {EnableRegulateSpeedMode, handleSetIntParam},
    {EnableForceControlMode, handleSetIntParam},
    {GetForceControlModeAdmittancePatam, handleGetDoubleParam},
    {SetForceControlModeAdmittancePatam, handleSetDoubleParam},
    {GetForceControlModeExploreForceParam, handleGetDoubleParam},
    {SetForceControlModeExploreForceParam, handleSetDoubleParam},
    {GetMovePJointRangeLimitParam, handleGetDoubleParam},
    {SetMovePJointRangeLimitParam, handleSetDoubleParam},
};

struct HandlerTable {
    Handler byCmd[CommandTypeCount];
    HandlerTable() {
        for (Handler& h : byCmd) h = handleUnknown;
        for (const Entry& e : kHandlers) byCmd[e.cmd] = e.fn;
    }
};

}  // namespace

Handler handlerFor(int32_t cmd) {
    static const HandlerTable table;
    if (cmd < 0 || cmd >= CommandTypeCount) return handleUnknown;
    return table.byCmd[cmd];
}

}  // namespace tevo_sim
