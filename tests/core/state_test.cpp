// Controller state and configuration commands through the simulator: each
// family once, written and read back, plus the edge cases of the shapes.

#include <cmath>
#include <functional>

#include "RobotSDK/util/protoencodedecode.h"
#include "coretestsupport.h"
#include "robotcommunication.pb.h"

namespace core_test {
namespace {

using tevo_sim::FaultRule;
using namespace tevo_robot_namespace;
using CMT = CommunicationMateType;

class StateTest : public CoreSimTest {};

struct CommandCase {
    const char* name;
    std::function<int(RobotControlServices&)> call;
    int simCommand;  // the command type the simulator must have seen
    int expected = ErrnoSucc;
};

// Every command and getter reaches the controller under its own command type.
TEST_F(StateTest, EveryOperationUsesItsCommandType) {
    RobotTcpParam tcp{};
    ToolDynamicsParam tool{};
    RobotCollisionCurrent collision{};
    RobotWorkMode mode{};
    RobotDevInfo dev{};
    RobotGravityComponent gravity{};
    JointStatus status[6];
    JointParam angles{};
    wayPoint_S wp{};
    bool flag = false;
    RobotDiagnosis diagnosis{};
    RobotState state{};
    RobotJointOffset offset{};
    OrpeSafetyStatus orpe{};
    std::vector<RobotDiagnosisIODesc> dio;
    std::vector<RobotAnalogIODesc> aio;
    IO_STATUS io{};
    double value = 0;
    RobotToolAllIOStatus toolIo{};
    std::string text;
    std::vector<int> ints;
    const uint8_t firmware[4] = {1, 2, 3, 4};
    using S = RobotControlServices;
    const CommandCase cases[] = {
        {"joint status push on", [&](S& s) { return s.setRealTimeJointStatusPush(true); },
         tevo_sim::EnableRealTimeJointStatusPush},
        {"joint status push off", [&](S& s) { return s.setRealTimeJointStatusPush(false); },
         tevo_sim::DisableRealTimeJointStatusPush},
        {"joint angle push on", [&](S& s) { return s.setRealTimeJointAnglePush(true); },
         tevo_sim::EnableRealTimeJointAnglePush},
        {"joint angle push off", [&](S& s) { return s.setRealTimeJointAnglePush(false); },
         tevo_sim::DisableRealTimeJointAnglePush},
        {"end speed push on", [&](S& s) { return s.setRealTimeEndSpeedPush(true); },
         tevo_sim::EnableRealTimeEndSpeedPush},
        {"end speed push off", [&](S& s) { return s.setRealTimeEndSpeedPush(false); },
         tevo_sim::DisableRealTimeEndSpeedPush},
        {"get tcp", [&](S& s) { return s.getTcpParamService(tcp); }, tevo_sim::GetRobotTcpParam},
        {"get tool dynamics", [&](S& s) { return s.getToolDynamicsParamService(tool); },
         tevo_sim::GetToolDynamicsParam},
        {"get collision", [&](S& s) { return s.getRobotCollisionCurrentService(collision); },
         tevo_sim::GetRobotCollisionCurrent},
        {"get work mode", [&](S& s) { return s.getRobotWorkModeService(mode); },
         tevo_sim::GetRobotMode},
        {"force teach", [&](S& s) { return s.setEnableForceTeachWhenProjectIsRunning(true); },
         tevo_sim::SetEnableForceTeachWhenProjectIsRunning},
        {"dev info", [&](S& s) { return s.getRobotDevInfoService(dev); }, tevo_sim::GetDeviceInfo},
        {"gravity", [&](S& s) { return s.getRobotGravityComponent(gravity); },
         tevo_sim::GetRobotGravityComponent},
        {"joint status", [&](S& s) { return s.getRobotJointStatus(status, 6); },
         tevo_sim::GetRobotJointStatus},
        {"joint angle", [&](S& s) { return s.getCurrentJointAngle(angles); },
         tevo_sim::GetRobotJointAngle},
        {"corrected waypoint", [&](S& s) { return s.getCorrectedWaypoint(wp, wp); },
         tevo_sim::GetCorrectedWaypoint},
        {"angle from controller", [&](S& s) { return s.getJointAngleFromController(angles); },
         tevo_sim::GetJointAngleFromController},
        {"real robot", [&](S& s) { return s.getIsRealRobotExist(flag); },
         tevo_sim::GetIsRealRobotExist},
        {"diagnosis", [&](S& s) { return s.getRobotDiagnosisInfo(diagnosis); },
         tevo_sim::GetRobotDiagnosis},
        {"state", [&](S& s) { return s.getRobotCurrentStateService(state); },
         tevo_sim::GetRobotCurrentState},
        {"joint offset", [&](S& s) { return s.setRobotJointOffsetService(offset); },
         tevo_sim::RobotSetJointOffset},
        {"orpe status", [&](S& s) { return s.getOrpeSafetyStatus(orpe); },
         tevo_sim::GetOrpeSafetyStatus},
        {"origin pose", [&](S& s) { return s.setRobotAtOriginPoseService(); },
         tevo_sim::SetRobotAtOriginPose},
        {"orpe pause", [&](S& s) { return s.setRobotOrpePause(1); },
         tevo_sim::SafetyIoSetOrpePause},
        {"orpe stop", [&](S& s) { return s.setRobotOrpeStop(1); }, tevo_sim::SafetyIoSetOrpeStop},
        {"clear emergency", [&](S& s) { return s.clearSystemEmergencyStop(1); },
         tevo_sim::SafetyIoClearSystemEmergencyStop},
        {"clear reduced", [&](S& s) { return s.clearReducedModeError(1); },
         tevo_sim::SafetyIoClearReducedModeError},
        {"safeguard reset", [&](S& s) { return s.robotSafetyguardResetSucc(1); },
         tevo_sim::SafetyIoSafetyguardResetSucc},
        {"all DI", [&](S& s) { return s.getInterfaceBoardAllDIStatusService(dio); },
         tevo_sim::GetInterfaceBoardAllDIData},
        {"all DO", [&](S& s) { return s.getInterfaceBoardAllDOStatusService(dio); },
         tevo_sim::GetInterfaceBoardAllDOData},
        {"all AI", [&](S& s) { return s.getInterfaceBoardAllAIStatusService(aio); },
         tevo_sim::GetInterfaceBoardAllAIData},
        {"all AO", [&](S& s) { return s.getInterfaceBoardAllAOStatusService(aio); },
         tevo_sim::GetInterfaceBoardAllAOData},
        {"one DI", [&](S& s) { return s.getInterfaceBoardDIStatusService(1, io); },
         tevo_sim::GetInterfaceBoardOneDIStatus},
        {"one AI", [&](S& s) { return s.getInterfaceBoardAIStatusService(1, value); },
         tevo_sim::GetInterfaceBoardOneAIStatus},
        {"tool voltage", [&](S& s) { return s.getToolPowerVoltageStatusService(value); },
         tevo_sim::GetToolPowerVoltage},
        {"tool all digital", [&](S& s) { return s.getToolAllDigitalIOStatusService(dio); },
         tevo_sim::GetToolAllDigitalIOStatus},
        {"tool all AI", [&](S& s) { return s.getToolAllAIStatusService(aio); },
         tevo_sim::GetToolAllAIStatus},
        {"tool all IO", [&](S& s) { return s.getToolAllIOStatusService(toolIo); },
         tevo_sim::GetToolAllIoStatus},
        {"firmware",
         [&](S& s) {
             return s.updateRobotBoardFirmwareService(update_master_board_firmware_trans_data,
                                                      firmware, 4);
         },
         tevo_sim::UpdateRobotBoardFirmware},
        {"firmware result", [&](S& s) { return s.getBoardFirmwareUpdateResultService(flag); },
         tevo_sim::FirmwareUpdateResult},
        {"ethernet name", [&](S& s) { return s.getRobotEthernetDeviceNameService(text); },
         tevo_sim::GetRobotEthernetDeviceName},
        {"version", [&](S& s) { return s.getServerVersionInfoService(text); },
         tevo_sim::GetRobotVersionInfo},
        {"joint param",
         [&](S& s) { return s.setJointParamService(CMT::SetJointCommonParam_PosP, 2, 100); },
         tevo_sim::SetJointCommonData},
        {"save flash", [&](S& s) { return s.jointSaveDataFlashService(2); },
         tevo_sim::JointSaveDataFlash},
        {"excitation",
         [&](S& s) { return s.startupOfflineExcitTrajService("traj", Dyn_identify_traj_robot, 1); },
         tevo_sim::StartupOfflineExcitTraj,
         ErrCode_ResponseReturnError},  // refused: the arm is not started
        {"dyn identify", [&](S& s) { return s.getDynIdentifyResultsService(ints); },
         tevo_sim::GetDynIdentifyResults},
        {"heartbeat", [&](S& s) { return s.heartbeatService(); }, tevo_sim::CommunicationHeart},
        {"robot control", [&](S& s) { return s.robotControlService(EnableReadPose); },
         tevo_sim::RobotControl},
        {"power", [&](S& s) { return s.armPowerControlService(true); },
         tevo_sim::SetRobotPowerStatus},
        {"brake", [&](S& s) { return s.rootReleaseBrake(); }, tevo_sim::SetRobotReleaseBrake},
        {"collision recover", [&](S& s) { return s.collisionRecover(); },
         tevo_sim::CollisionRecover},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t before = sim().requestCount(c.simCommand);
        EXPECT_EQ(c.call(core()), c.expected);
        EXPECT_EQ(sim().requestCount(c.simCommand), before + 1);
    }
}

TEST_F(StateTest, SettersAreReadBack) {
    // Work mode.
    ASSERT_EQ(core().setRobotWorkModeService(RobotModeReal), ErrnoSucc);
    EXPECT_EQ(sim().snapshot().workMode, RobotModeReal);
    RobotWorkMode mode = RobotModeSimulator;
    ASSERT_EQ(core().getRobotWorkModeService(mode), ErrnoSucc);
    EXPECT_EQ(mode, RobotModeReal);

    // Payload.
    RobotTcpParam tcp{};
    tcp.paramAutorun.payload = 2.5f;
    tcp.paramManual.positionZ = 0.125f;
    ASSERT_EQ(core().setTcpParamService(tcp), ErrnoSucc);
    RobotTcpParam back{};
    ASSERT_EQ(core().getTcpParamService(back), ErrnoSucc);
    EXPECT_FLOAT_EQ(back.paramAutorun.payload, 2.5f);
    EXPECT_FLOAT_EQ(back.paramManual.positionZ, 0.125f);

    // Tool dynamics.
    ToolDynamicsParam tool{};
    tool.payload = 1.5;
    tool.positionY = 0.02;
    ASSERT_EQ(core().setToolDynamicsParamService(tool), ErrnoSucc);
    ToolDynamicsParam toolBack{};
    ASSERT_EQ(core().getToolDynamicsParamService(toolBack), ErrnoSucc);
    EXPECT_DOUBLE_EQ(toolBack.payload, 1.5);
    EXPECT_DOUBLE_EQ(toolBack.positionY, 0.02);

    // Safety configuration.
    RobotSafetyConfig safety{};
    safety.robotReducedConfigJointSpeed[2] = 77;
    safety.robotReducedConfigTcpSpeed = 1234;
    ASSERT_EQ(core().setRobotSafetyConfig(safety), ErrnoSucc);
    RobotSafetyConfig safetyBack{};
    ASSERT_EQ(core().getRobotSafetyConfig(safetyBack), ErrnoSucc);
    EXPECT_EQ(safetyBack.robotReducedConfigJointSpeed[2], 77);
    EXPECT_EQ(safetyBack.robotReducedConfigTcpSpeed, 1234u);

    // Interface-board outputs.
    ASSERT_EQ(core().setInterfaceBoardDOStatusService(3, IO_STATUS_VALID), ErrnoSucc);
    IO_STATUS level = IO_STATUS_INVALID;
    ASSERT_EQ(core().getInterfaceBoardDOStatusService(3, level), ErrnoSucc);
    EXPECT_EQ(level, IO_STATUS_VALID);
    ASSERT_EQ(core().setInterfaceBoardAOStatusService(1, 4.25), ErrnoSucc);
    double analog = 0;
    ASSERT_EQ(core().getInterfaceBoardAOStatusService(1, analog), ErrnoSucc);
    EXPECT_NEAR(analog, 4.25, 1e-6);

    // Tool power and tool digital I/O.
    ASSERT_EQ(core().setToolPowerVoltageTypeService(OUT_12V), ErrnoSucc);
    ToolPowerType power = OUT_0V;
    ASSERT_EQ(core().getToolPowerVoltageTypeService(power), ErrnoSucc);
    EXPECT_EQ(power, OUT_12V);
    ASSERT_EQ(core().setToolPowerTypeAndDigitalIOTypeService(OUT_24V, IO_OUT, IO_IN, IO_OUT, IO_IN),
              ErrnoSucc);
    ASSERT_EQ(core().getToolPowerVoltageTypeService(power), ErrnoSucc);
    EXPECT_EQ(power, OUT_24V);
    ASSERT_EQ(core().setToolDigitalIOTypeService(TOOL_DIGITAL_IO_1, IO_OUT), ErrnoSucc);
    ASSERT_EQ(core().setToolDigitalIOStatusService(TOOL_DIGITAL_IO_1, IO_STATUS_VALID), ErrnoSucc);
    RobotToolAllIOStatus toolIo{};
    ASSERT_EQ(core().getToolAllIOStatusService(toolIo), ErrnoSucc);
    EXPECT_EQ(toolIo.powerType, OUT_24V);
    EXPECT_EQ(toolIo.digitalIoStatus[1].ioType, IO_OUT);
    EXPECT_EQ(toolIo.digitalIoStatus[1].ioData, 1);

    // Joint angles and the two full-turn flags.
    const double joints[6] = {0.5, 0.4, 0.3, 0.2, 0.1, 0.0};
    sim().setJointAngles(joints);
    JointParam angles{};
    ASSERT_EQ(core().getCurrentJointAngle(angles), ErrnoSucc);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(angles.jointPos[i], joints[i], 1e-9);
    sim().setJointRot360Flags(false, true);
    bool j6 = false;
    bool j1 = true;
    ASSERT_EQ(core().getJoint6Rotate360EnableFlag(j6), ErrnoSucc);
    ASSERT_EQ(core().getJoint1Rotate360EnableFlag(j1), ErrnoSucc);
    EXPECT_TRUE(j6);
    EXPECT_FALSE(j1);
}

TEST_F(StateTest, CollisionClassIsConfirmedByReadBack) {
    const auto start = Clock::now();
    EXPECT_EQ(core().setRobotCollisionClassService(3), ErrnoSucc);
    EXPECT_GE(msSince(start), 140);  // one 150 ms wait before the first read
    EXPECT_EQ(sim().snapshot().collisionClass, 3);
    EXPECT_EQ(log_.count("number times"), 0);
}

TEST_F(StateTest, CollisionClassNeverReportedFailsAfterThreeReads) {
    FaultRule ignore;
    ignore.skipStateChange = true;
    sim().setFault(tevo_sim::SetRobotCollisionGrade, ignore);
    const int current = sim().snapshot().collisionClass;
    EXPECT_EQ(core().setRobotCollisionClassService(current == 9 ? 8 : 9), ErrCode_Failed);
    EXPECT_EQ(sim().requestCount(tevo_sim::GetRobotCollisionCurrent), 3u);
    EXPECT_EQ(
        log_.count(
            "sdk log: Real-time robot collision level does not match expectations, number times:"),
        3);
    EXPECT_EQ(log_.levelOf("number times:1"), LL_WARN);
}

TEST_F(StateTest, CollisionClassRefusedIsReturnedWithItsLine) {
    FaultRule refuse;
    refuse.serverCode = 2;
    sim().setFault(tevo_sim::SetRobotCollisionGrade, refuse);
    EXPECT_EQ(core().setRobotCollisionClassService(4), ErrCode_ResponseReturnError);
    EXPECT_EQ(log_.levelOf("sdk log: Setting the robot collision level failed. ret = 10023"),
              LL_ERROR);
    EXPECT_EQ(sim().requestCount(tevo_sim::GetRobotCollisionCurrent), 0u);
}

TEST_F(StateTest, GetterWithCodeFourReturnsNoRobotAndFillsOutput) {
    ASSERT_EQ(core().setRobotWorkModeService(RobotModeReal), ErrnoSucc);
    FaultRule noRobot;
    noRobot.serverCode = 4;
    sim().setFault(tevo_sim::GetRobotMode, noRobot);
    RobotWorkMode mode = RobotModeSimulator;
    EXPECT_EQ(core().getRobotWorkModeService(mode), ErrCode_RealRobotNoExist);
    EXPECT_EQ(mode, RobotModeReal);
}

TEST_F(StateTest, SetterWhoseEncoderFailsSendsNothing) {
    EXPECT_EQ(
        core().updateRobotBoardFirmwareService(update_master_board_firmware_trans_data, nullptr, 8),
        ErrCode_CreateRequestFailed);
    EXPECT_EQ(sim().requestCount(tevo_sim::UpdateRobotBoardFirmware), 0u);
    EXPECT_EQ(log_.levelOf("sdk log: Make RobotCmd_updateRobotBoardFirmware request failed."),
              LL_ERROR);
}

TEST_F(StateTest, SingleDigitalReadWithEmptyListLeavesStatus) {
    tevo::robot::communication::ProtoCommunicationRobotDiagnosisIOData reply;
    reply.set_type(0);
    auto* error = reply.add_errorinfo();
    error->set_errorcode(0);
    error->set_errormsg("");
    FaultRule empty;
    empty.rawBody = reply.SerializeAsString();
    sim().setFault(tevo_sim::GetInterfaceBoardOneDIStatus, empty);
    IO_STATUS level = IO_STATUS_VALID;
    EXPECT_EQ(core().getInterfaceBoardDIStatusService(2, level), ErrnoSucc);
    EXPECT_EQ(level, IO_STATUS_VALID);
}

TEST_F(StateTest, JointCommonDataCopiesAtMostSize) {
    JointCommonData data[6];
    std::memset(static_cast<void*>(data), 0xAB, sizeof(data));
    JointCommonData untouched;
    std::memset(static_cast<void*>(&untouched), 0xAB, sizeof(untouched));
    ASSERT_EQ(core().getJointCommonData(data, 3), ErrnoSucc);
    // Byte-wise on purpose: a record past the count keeps every byte of the fill.
    // NOLINTBEGIN(bugprone-suspicious-memory-comparison)
    EXPECT_NE(std::memcmp(&data[2], &untouched, sizeof(untouched)), 0);
    EXPECT_EQ(std::memcmp(&data[3], &untouched, sizeof(untouched)), 0);
    // NOLINTEND(bugprone-suspicious-memory-comparison)
    EXPECT_EQ(core().getJointCommonData(nullptr, 3), ErrCode_ParamError);
}

TEST_F(StateTest, OrpeErrorSendsEveryByteAndAnEmptyListForLengthZero) {
    const uint8_t bytes[3] = {4, 5, 6};
    const struct {
        const uint8_t* data;
        int len;
        std::vector<int> expected;
    } cases[] = {{bytes, 3, {4, 5, 6}}, {bytes, 0, {}}, {nullptr, 0, {}}};
    for (const auto& c : cases) {
        ASSERT_EQ(core().setRobotOrpeError(c.data, c.len), ErrnoSucc);
        char* body = nullptr;
        int size = 0;
        ASSERT_TRUE(ProtoEncodeDecode::getRequest_safeIoParamAbout(&body, &size, c.expected));
        EXPECT_EQ(sim().lastRequestBody(tevo_sim::SafetyIoSetOrpeError).value_or("?"),
                  std::string(body, size));
        delete[] body;
    }
    EXPECT_EQ(core().setRobotOrpeError(nullptr, 2), ErrCode_ParamError);
    EXPECT_EQ(core().setRobotOrpeError(bytes, -1), ErrCode_ParamError);
}

// A value the controller does not accept comes back as its refusal, and the
// setting stays as it was.
TEST_F(StateTest, OutOfRangeSettingsReportTheControllersRefusal) {
    RobotJointOffset offset{};
    offset.jointOffset[2] = 0.5;  // beyond a zero-point correction
    RobotTcpParam heavy{};
    heavy.paramManual.payload = 500.0f;
    using S = RobotControlServices;
    const CommandCase cases[] = {
        {"work mode", [](S& s) { return s.setRobotWorkModeService(static_cast<RobotWorkMode>(2)); },
         tevo_sim::SetRobotMode, ErrCode_ResponseReturnError},
        {"control command",
         [](S& s) { return s.robotControlService(static_cast<RobotControlCommand>(16)); },
         tevo_sim::RobotControl, ErrCode_ResponseReturnError},
        {"collision class", [](S& s) { return s.setRobotCollisionClassService(11); },
         tevo_sim::SetRobotCollisionGrade, ErrCode_ResponseReturnError},
        {"joint offset", [&](S& s) { return s.setRobotJointOffsetService(offset); },
         tevo_sim::RobotSetJointOffset, ErrCode_ResponseReturnError},
        {"payload", [&](S& s) { return s.setTcpParamService(heavy); }, tevo_sim::SetRobotTcpParam,
         ErrCode_ResponseReturnError},
    };
    const tevo_sim::ArmSnapshot before = sim().snapshot();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(core()), c.expected);
        EXPECT_EQ(sim().requestCount(c.simCommand), 1u);
    }
    EXPECT_EQ(sim().snapshot().workMode, before.workMode);
    EXPECT_EQ(sim().snapshot().collisionClass, before.collisionClass);
    RobotTcpParam tcp{};
    ASSERT_EQ(core().getTcpParamService(tcp), ErrnoSucc);
    EXPECT_EQ(tcp.paramManual.payload, 0.0f);
}

}  // namespace
}  // namespace core_test
