// Controller simulator: a stateful stand-in for the arm controller that
// speaks the framed protobuf protocol over TCP on loopback (or any IPv4
// address). Independent of the client library: it has its own framing and
// builds replies with the generated message classes directly.
//
// Threads:
//   - accept thread: accepts connections, starts one reader per connection.
//   - one reader thread per connection: parses frames, applies state changes,
//     writes (or schedules) the reply.
//   - timer thread: sends delayed replies and the completion events of
//     two-step commands when they fall due.
//   - motion thread: advances the arm (moves, jogs, offline tracks) in fixed
//     ticks and sends the switched-on pushes at the configured rate; while
//     pass-through mode is on or its arm comes to rest it ticks at the servo
//     rate and runs the servo follower and its watchdog (sim/servo.cpp).
//   While frozen (setFrozen), the readers, the timer thread and the motion
//   thread idle without touching the state.
//   - any caller thread: the public members below (all thread-safe).
// Locks (acquire in this order, never the reverse):
//   stateMutex_ (arm state, faults, counters) -> connsMutex_ (connection
//   table) -> Connection::writeMutex (one frame at a time on each socket).
//   timerMutex_ is a leaf lock: nothing else is taken while holding it, and
//   so is recentMutex_ (the latest events and refusals): a reply's writer
//   records its refusal under it before writing, holding no other lock.
// No callback into user code runs under any of these locks except the
// optional log sink, which is called under logMutex_ (a leaf lock).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdkcommon/MetaType/TevoRobotControllerCodes.h"

namespace tevo_sim {

// Command types the simulator handles (numbering of the wire protocol).
enum Cmd : int32_t {
    Login = 0,
    Logout = 1,
    Event = 2,
    RealTimeJointStatus = 3,
    EnableRealTimeJointStatusPush = 4,
    DisableRealTimeJointStatusPush = 5,
    GetRobotJointStatus = 6,
    RealTimeRobotJointAngle = 7,
    EnableRealTimeJointAnglePush = 8,
    DisableRealTimeJointAnglePush = 9,
    GetRobotJointAngle = 10,
    RealTimeRobotEndSpeed = 11,
    EnableRealTimeEndSpeedPush = 12,
    DisableRealTimeEndSpeedPush = 13,
    GetRobotDiagnosis = 15,
    RobotStartup = 16,
    RobotShutdown = 17,
    RobotControl = 18,
    CollisionRecover = 19,
    SetRobotPowerStatus = 20,
    SetRobotReleaseBrake = 21,
    RobotMove = 22,
    RobotTeachMoveStart = 23,
    RobotTeachMoveStop = 24,
    GetRobotCurrentState = 26,
    SetRobotTcpParam = 27,
    GetRobotTcpParam = 28,
    SetToolDynamicsParam = 29,
    GetToolDynamicsParam = 30,
    SetRobotMode = 33,
    GetRobotMode = 34,
    GetRobotGravityComponent = 35,
    GetRobotCollisionCurrent = 36,
    GetIsRealRobotExist = 37,
    GetDeviceInfo = 38,
    SetRobotCollisionGrade = 40,
    GetInterfaceBoardAllDIData = 41,
    GetInterfaceBoardAllDOData = 42,
    GetInterfaceBoardAllAIData = 43,
    GetInterfaceBoardAllAOData = 44,
    GetInterfaceBoardOneDIStatus = 46,
    GetInterfaceBoardOneDOStatus = 47,
    GetInterfaceBoardOneAIStatus = 48,
    GetInterfaceBoardOneAOStatus = 49,
    SetInterfaceBoardOneDOStatus = 50,
    SetInterfaceBoardOneAOStatus = 51,
    GetToolPowerVoltageType = 52,
    SetToolPowerVoltageType = 53,
    SetToolPowerTypeAndDigitalIOType = 54,
    SetToolDigitalIOType = 55,
    GetToolPowerVoltage = 56,
    GetToolAllDigitalIOStatus = 57,
    GetToolAllAIStatus = 58,
    SetToolDigitalIOStatus = 59,
    SetRobotAtOriginPose = 60,
    GetRobotSafetyConfig = 61,
    SetRobotSafetyConfig = 62,
    GetOrpeSafetyStatus = 63,
    SafetyIoSetOrpePause = 64,
    SafetyIoSetOrpeStop = 65,
    SafetyIoSetOrpeError = 66,
    SafetyIoClearSystemEmergencyStop = 67,
    SafetyIoClearReducedModeError = 68,
    SafetyIoSafetyguardResetSucc = 69,
    OfflineTrackWaypointAppend = 71,
    OfflineTrackWaypointClear = 72,
    OfflineTrackMoveStartup = 73,
    OfflineTrackMoveStop = 74,
    EnterTcp2CanbusMode = 75,
    LeaveTcp2CanbusMode = 76,
    SetRobotPosData2Canbus = 77,
    StartupOfflineExcitTraj = 78,
    GetDynIdentifyResults = 79,
    RobotHandShake = 80,
    GetToolAllIoStatus = 81,
    UpdateRobotBoardFirmware = 82,
    FirmwareUpdateResult = 83,
    GetRobotEthernetDeviceName = 84,
    RobotSetJointOffset = 86,
    GetEnableJoint6Rot360Flag = 87,
    MoveControlSlowStop = 89,
    MoveControlFastStop = 90,
    MoveControlPause = 91,
    MoveControlContinue = 92,
    SetConveyorEncoderReset = 93,
    SetConveyorStartup = 94,
    SetConveyorStop = 95,
    SetConveyorDir = 96,
    SetRobotCameraCalib = 97,
    SetConveyorVelc = 98,
    SetEncoderValPerMeter = 99,
    SetStartWindowUpstream = 100,
    SetStartWindowDownstream = 101,
    SetConveyorTrackDownstream = 102,
    EnableConveyorTrack = 103,
    GetConveyorEncoderVal = 104,
    AppendObject2ConveyorTrackQueue = 105,
    SetRobotConveyorTrackMaxVelc = 106,
    SetRobotConveyorTrackMaxAcc = 107,
    SetRobotConveyorSystemDelay = 108,
    SetRobotTool = 109,
    SetWeaveMoveParameters = 110,
    SetJointRangeOfMotion = 111,
    SetRobotRecognitionParam = 112,
    GetRobotRecognitionParam = 113,
    GetJointAngleFromController = 114,
    CommunicationHeart = 115,
    SetSeamTrackingParameters = 116,
    GetSeamTrackingParameters = 117,
    GetCorrectedWaypoint = 118,
    GetJointRangeOfMotion = 119,
    SetEnableForceTeachWhenProjectIsRunning = 120,
    GetJointCommonData = 121,
    SetJointCommonData = 122,
    JointSaveDataFlash = 123,
    GetRobotVersionInfo = 124,
    GetEnableJoint1Rot360Flag = 125,
    EnterRobotReduceMode = 126,
    ExitRobotReduceMode = 127,
    GetForceSensorData = 128,
    CalibToolAndSensor = 129,
    EnableForceControlPlan = 130,
    SetForceControlAttributes = 131,
    ForceControlCalibrationZero = 132,
    MovepProgressNotify = 133,
    GetRegulateSpeedModeConfig = 135,
    SetRegulateSpeedModeConfig = 136,
    EnableRegulateSpeedMode = 137,
    EnableForceControlMode = 138,
    GetForceControlModeAdmittancePatam = 139,
    SetForceControlModeAdmittancePatam = 140,
    GetForceControlModeExploreForceParam = 141,
    SetForceControlModeExploreForceParam = 142,
    GetMovePJointRangeLimitParam = 143,
    SetMovePJointRangeLimitParam = 144,
    CommandTypeCount = 145,
};

// Controller result codes carried in every reply's error record: the shared
// table's codes under the names the simulator uses. sim/README.md lists which
// requests give each one.
namespace codes = tevo_robot_namespace;
enum ServerCode : int32_t {
    CodeSucc = codes::RobotResponseCode_SUCC,
    CodeRequestFormatError = codes::RobotResponseCode_RequestFormatError,
    CodeProcessRequestFailed = codes::RobotResponseCode_ProcessRequesFailed,
    CodeConnectBreak = codes::RobotResponseCode_ConnectBreak,
    CodeRealRobotNoExist = codes::RobotResponseCode_RealRobotNoExist,
    CodeNotLoggedIn = codes::RobotResponseCode_NotLoggedIn,
    CodeAuthenticationFailed = codes::RobotResponseCode_AuthenticationFailed,
    CodeArmNotStarted = codes::RobotResponseCode_ArmNotStarted,
    CodeBrakeEngaged = codes::RobotResponseCode_BrakeEngaged,
    CodeJointOutOfRange = codes::RobotResponseCode_JointOutOfRange,
    CodePoseUnreachable = codes::RobotResponseCode_PoseUnreachable,
    CodeInvalidValue = codes::RobotResponseCode_InvalidValue,
    CodeBusy = codes::RobotResponseCode_Busy,
    CodeUnknownCommand = codes::RobotResponseCode_UnknownCommand,
    CodeNoMotion = codes::RobotResponseCode_NoMotion,
};

// Robot event numbers the simulator sends by itself.
enum SimEvent : int32_t {
    EvSoftEmergency = 6,
    EvPowerChanged = 11,
    EvStartupDoneResult = 20,
    EvShutdownDone = 21,
    EvAtTrackTargetPos = 22,
    EvSetPowerOnDone = 23,
    EvReleaseBrakeDone = 24,
    EvHandShakeSucc = 35,
    EvHandShakeFailed = 36,
    EvUpdateJoint6Rot360Flag = 42,
    EvMoveControlStopDone = 44,
    EvMoveControlPauseDone = 45,
    EvMoveControlContinueDone = 46,
    EvJointOutRange = 1006,
    EvIkFailed = 1104,
    EvTrackingLost = 1202,  // the servo stream's watchdog brought the arm to rest
    EvMoveEnterStopState = 1300,
};

// Result of a move-control command (stop/pause/continue).
enum MoveControlResult : int32_t {
    MoveControlFailed = 0,
    MoveControlSuccWaitDone = 1,
    MoveControlSuccNoWait = 2,
    MoveControlSuccNoCallWait = 3,
};

// Arm service state reported in the start-up done event.
enum ServiceState : int32_t {
    ServiceReady = 0,
    ServiceStarting = 1,
    ServiceWorking = 2,
    ServiceClosing = 3,
    ServiceClosed = 4,
    ServiceFaultPower = 5,
    ServiceFaultBrake = 6,
    ServiceFaultNoRobot = 7,
    ServiceFaultSafeguardStop = 8,
};

struct EventSpec {
    int32_t type = 0;
    int32_t code = 0;
    std::string content;
};

// What to do with requests of one command type instead of the normal reply.
// Fields combine: e.g. delay + serverCode replies late with that code. A
// non-zero serverCode (or skipStateChange) leaves the arm as it was, as a
// refusing controller would; the reply still carries the current values.
struct FaultRule {
    std::optional<int32_t> serverCode;         // error code in the reply body
    std::chrono::milliseconds delay{0};        // reply this much later (real time)
    bool drop = false;                         // send no reply at all
    bool replyTwice = false;                   // send the reply frame twice
    std::vector<EventSpec> eventsBefore;       // sent just before the reply
    std::optional<std::string> rawBody;        // reply with exactly these body bytes
    std::optional<int32_t> moveControlResult;  // `ret` of a move-control reply
    // Completion: the done event of start-up, shut-down, handshake, power,
    // brake and move control, or the end event of a move (sent when it ends).
    bool suppressCompletion = false;           // no done/end event afterwards
    std::optional<EventSpec> completionEvent;  // replaces the done/end event
    bool skipStateChange = false;              // reply but leave the arm untouched
    int remaining = -1;                        // requests it applies to; -1: until cleared
};

struct SimOptions {
    std::string host = "127.0.0.1";
    uint16_t port = 0;              // 0: ephemeral, see ControllerSim::port()
    int32_t model = 0;              // arm model 0..9 (selects the DH lengths)
    std::string userName = "tevo";  // an extra accepted user
    std::string password = "tevo";
    bool acceptHandleCredentials = true;  // also accept the handle interface's fixed login
    // Refuse every request but login and heartbeat (code NotLoggedIn) on a
    // connection that has not logged in, as a controller does.
    bool requireLogin = true;
    double pushRateHz = 200.0;                    // real-time push rate while switched on
    double timeScale = 1.0;                       // >1 runs moves and completion delays faster
    std::chrono::milliseconds startupDelay{300};  // simulated, divided by timeScale
    std::chrono::milliseconds shutdownDelay{200};
    std::chrono::milliseconds handshakeDelay{50};
    // Servo streaming (pass-through mode): the arm follows streamed targets at
    // this internal control rate, interpolating between them, within the
    // joint speed and acceleration limits below. When no target comes for
    // servoWatchdog it is brought to rest and EvTrackingLost is sent. The
    // stream runs in real time: timeScale does not apply to it. Values that
    // are not positive fall back to these defaults.
    double servoRateHz = 1000.0;
    std::chrono::milliseconds servoWatchdog{50};
    double servoMaxJointSpeed = 3.15;                 // rad/s, every joint
    double servoMaxJointAccel = 40.0;                 // rad/s^2, every joint
    bool verbose = false;                             // log every frame in and out
    std::function<void(const std::string&)> logSink;  // default: stderr
};

// A read-back of the arm state for tests.
struct ArmSnapshot {
    // When the motion tick that computed this state ran (it ticks every few
    // milliseconds whether the arm moves or not; it stands still while
    // frozen). Two snapshots of the same state carry the same time.
    std::chrono::steady_clock::time_point time{};
    bool powered = false;
    bool brakeReleased = false;
    bool started = false;  // start-up done, able to move
    bool moving = false;   // also while a stop, pause or the servo follower brings the arm to rest
    bool paused = false;   // held at rest by a pause
    int32_t workMode = 0;
    int32_t collisionClass = 6;
    double joints[6] = {0, 0, 0, 0, 0, 0};
    // rad/s over the last motion tick, in arm time (timeScale > 1 covers it
    // that many times faster in real time); the followed speeds while the
    // servo follower runs.
    double jointSpeeds[6] = {0, 0, 0, 0, 0, 0};
    double endSpeed = 0.0;  // m/s
    uint64_t movesCompleted = 0;
    uint64_t movesStopped = 0;
    // Servo streaming: pass-through mode on, the latest streamed target (valid
    // once one came since the mode was entered, until it is left) and whether
    // the watchdog stopped the stream (until the mode is entered again).
    bool streaming = false;
    bool streamTargetValid = false;
    double streamTarget[6] = {0, 0, 0, 0, 0, 0};
    bool streamTripped = false;
};

// What the simulator measured of the servo stream since pass-through mode
// was last entered.
struct ServoStats {
    uint64_t targets = 0;                 // streamed targets accepted
    std::vector<double> interArrivalSec;  // gaps between targets, the last 100,000 at most
    double followErrorMaxRad = 0;         // largest |target - followed angle| at a push
    uint64_t watchdogTrips = 0;
};

// A read-back of the outputs and the tool for tests.
struct IoSnapshot {
    uint32_t boardDigitalOutputs[48] = {};  // addresses 0..47, 0 or 1
    float boardAnalogOutputs[4] = {};
    uint32_t toolPowerType = 0;   // the supply type in effect: 0 V, 12 V, 24 V
    uint32_t toolIoType[4] = {};  // per digital line: 0 input, 1 output
    uint32_t toolIoLevel[4] = {};
    float boardAnalogInputs[4] = {};      // as set by setBoardAnalogInput, V
    double toolAnalogInputs[2] = {0, 0};  // as set by setToolAnalogInput, V
};

// A robot event as the simulator wrote it to its connections.
struct SentEvent {
    std::chrono::steady_clock::time_point when;
    EventSpec event;
};

// A request the simulator refused, as its reply told the client.
struct RefusedRequest {
    std::chrono::steady_clock::time_point when;  // the reply was written
    int connection = 0;
    int32_t commandType = 0;
    std::string command;  // the command's name ("unknown" for a number it does not know)
    int32_t code = 0;     // the controller code of the reply
    std::string reason;   // the reply's text, its first 200 bytes
};

struct RawFrame {
    int32_t commandType = 0;
    std::string body;
};

class ControllerSim {
public:
    static constexpr int kAllConnections = -1;

    explicit ControllerSim(SimOptions options = {});
    ~ControllerSim();  // stops if running
    ControllerSim(const ControllerSim&) = delete;
    ControllerSim& operator=(const ControllerSim&) = delete;

    // Binds, listens and starts the threads. Returns false (and logs) when the
    // address cannot be bound or it is already running.
    bool start();
    // Closes every connection and joins every thread. Idempotent.
    void stop();
    bool running() const;
    uint16_t port() const;  // the bound port (after start)
    std::string host() const;
    const SimOptions& options() const { return options_; }

    // --- connections ---------------------------------------------------
    size_t connectionCount() const;
    std::vector<int> connectionIds() const;  // ids of open connections, oldest first
    // Waits until at least n connections are open (true) or the time-out passes.
    bool waitForConnections(size_t n, std::chrono::milliseconds timeout) const;
    // Closes one connection (or all); the arm stops if that connection moved it.
    void closeConnection(int id = kAllConnections);

    // --- requests seen -------------------------------------------------
    uint64_t requestCount(int32_t commandType) const;
    uint64_t totalRequests() const;
    // Waits until requestCount(commandType) >= n.
    bool waitForRequests(int32_t commandType, uint64_t n, std::chrono::milliseconds timeout) const;
    // Body of the latest request of that type, if any.
    std::optional<std::string> lastRequestBody(int32_t commandType) const;
    // Connections closed because of malformed input.
    uint64_t badInputCount() const;
    // Pushes not sent because a connection's socket was full (its peer is
    // not reading); such pushes are dropped rather than queued.
    uint64_t pushesDropped() const;

    // --- fault injection ---------------------------------------------
    void setFault(int32_t commandType, FaultRule rule);
    void clearFault(int32_t commandType);
    void clearFaults();
    // While set, the readers stop reading their sockets (the peer's sends
    // back up once the socket buffers fill).
    void setStallReading(bool stall);
    // A controller process that stopped (SIGSTOP, a hung controller): while
    // frozen, requests are not read, nothing is answered or sent by the
    // simulator itself (no replies, completions, events, pushes), and the
    // arm's time stands still, delayed replies and completions included.
    // Connections stay open. Unfreezing resumes where it stopped. The test's
    // own sendEvent/sendPush/sendFrame/sendRaw still write.
    void setFrozen(bool frozen);

    // --- unrequested frames (return the number of connections written) -
    int sendEvent(const EventSpec& ev, int connection = kAllConnections);
    // Sends the current value of a push type (RealTimeJointStatus,
    // RealTimeRobotJointAngle, RealTimeRobotEndSpeed) or a movep progress
    // number (MovepProgressNotify, with `value`), whether switched on or not.
    int sendPush(int32_t pushType, int32_t value = 0, int connection = kAllConnections);
    // A well-formed frame of any type with the given body.
    int sendFrame(int32_t commandType, const std::string& body, int connection = kAllConnections);
    // Bytes as they are, no framing.
    int sendRaw(const std::string& bytes, int connection = kAllConnections);
    // The last (up to 20) robot events sent, oldest first: the ones the
    // simulator sends by itself and those sent with sendEvent, each text cut
    // to its first 200 bytes. Flooded and raw frames are not kept.
    std::vector<SentEvent> recentEvents() const;
    // The last (up to 50) refused requests, oldest first: each one whose
    // reply went out with a non-zero code, recorded once as it is written
    // (a reply sent twice counts once; a dropped or raw-bodied reply, which
    // carries no code of the simulator's, is not recorded).
    std::vector<RefusedRequest> recentRefusals() const;
    // `count` events back to back, event i with code i.
    int floodEvents(int32_t type, int count, int connection = kAllConnections);
    // Writes the first half of an event frame, then closes the connection.
    void closeMidFrame(int connection = kAllConnections);

    // --- arm state -----------------------------------------------------
    ArmSnapshot snapshot() const;
    // The joint angles of the offline track the controller holds, in order.
    std::vector<std::array<double, 6>> offlineTrackJoints() const;
    void setJointAngles(const double joints[6]);  // teleport (no event)
    // Waits until the arm is not moving (see ArmSnapshot::moving); false on
    // time-out.
    bool waitIdle(std::chrono::milliseconds timeout) const;
    // Start-up state code sent in the start-up done event (default ServiceWorking).
    void setStartupResult(int32_t serviceState);
    void setHandshakeSucceeds(bool succeeds);
    // A change of the joint-6 flag is announced to every connection by its event.
    void setJointRot360Flags(bool joint1, bool joint6);
    void setRealRobotExists(bool exists);
    // Inputs the arm's surroundings would drive: interface-board digital
    // inputs (address 0..51), analog inputs (0..3) and the tool's two analog
    // inputs. False for an address outside the board.
    bool setBoardDigitalInput(uint32_t addr, bool value);
    bool setBoardAnalogInput(uint32_t addr, float value);
    bool setToolAnalogInput(uint32_t index, double value);
    // Real time from a tool supply type being set until it takes effect (the
    // reads report the previous type meanwhile); 0, the default, switches at
    // once.
    void setToolPowerDelay(std::chrono::milliseconds delay);
    IoSnapshot ioSnapshot() const;
    // The configured joint range of motion, [min, max] rad of each joint:
    // what a move's joint target is checked against.
    std::array<std::array<double, 2>, 6> jointLimits() const;
    // The force/torque sensor's reading (force x, y, z, torque x, y, z). Its
    // read is answered as a double vector, or as a ProtoResponseWrench when
    // asWrench (the two layouts clients expect).
    void setForceSensorReading(const std::array<double, 6>& wrench, bool asWrench);
    // The servo stream's figures (see ServoStats).
    ServoStats servoStats() const;
    // Object bodies appended to the conveyor tracking queue, oldest first.
    std::vector<std::string> conveyorObjects() const;

private:
    struct Impl;
    SimOptions options_;
    std::unique_ptr<Impl> impl_;
};

// The name of a command type ("RobotMove"); "unknown" for a number the
// simulator does not know.
const char* commandName(int32_t commandType);

// DH lengths of a model in the order A3, A4, D1, D2, D5, D6 (model 0 for
// unknown numbers).
void modelDhParams(int32_t model, double out[6]);

}  // namespace tevo_sim
