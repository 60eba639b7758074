#ifndef ROBOTCONTROLSERVICES_H
#define ROBOTCONTROLSERVICES_H

// The control core: one per ServiceInterface. It sends every request to the
// controller and waits for the response of the same command type, turns the
// controller's unrequested frames (robot events and real-time pushes) into
// callbacks, runs login and the two-step arm operations, and offers the
// controller state and configuration commands.
//
// Threads
//   - Application threads: every public operation; any number at once. A
//     thread in a blocking wait (waitWhileControllerAnswers) also sends the
//     heartbeats that probe a quiet controller, through the client's send
//     lock and nothing else.
//   - Receive thread (owned by RobotCommunicationClient): responseProcess, the
//     push handlers with their callbacks, robotRealTimeEventProcess. It is the
//     event ring's only producer.
//   - Event thread (owned here, started by the constructor, stopped and joined
//     by the destructor): the ring's only consumer and the only caller of the
//     application's event callback.
//
// Locks, in the order a caller's thread takes them:
//   1. m_robotMoveControlMutex (move-control commands) or the serialisation
//      mutex of a two-step operation (CompletionPoint::m_callMutex);
//   2. the request lock of the command type (m_robotCommandMutexSet[type]);
//   3. the response slot's mutex (CommunicationResponse::m_mutex);
//   4. the client's send lock (inside encodeAndSendCommunicationPackage).
//   Leaf locks, held only for a few instructions and never across a request:
//   a completion point's m_mutex, the move-end wait's lock (moveendwait.h),
//   each callback slot's lock (callbackslot.h), m_eventWakeMutex, the servo
//   stream's answer lock (servoanswers.h). m_linkLostMutex is held by the
//   receive thread while the link-lost listener runs (it takes only the
//   supervisor's state lock, a leaf). The receive thread takes only
//   slot mutexes and leaf locks, so a slow caller can never stall it for longer than one frame
//   send. No application callback runs under any of these locks.
//
// Request modes. Every request goes through the one engine
// (sendRequestWaitResponse: request lock, response slot, wait), with one
// distinct mode: the targets of a servo stream (servostream.h) are streamed,
// written by sendWithoutAnswer under the client's send lock alone, with no
// slot and no wait. While a stream runs, the receive thread hands the answers
// of CommunicationType_SetRobotPosData2Canbus to servoAnswers() instead of the
// slot (so a blocking robotServiceSetRobotPosData2Canbus meanwhile would time
// out: a stream owns that command while it runs).
//
// Callbacks
//   - Push callbacks (joint status, waypoint, end speed, movep progress) run on
//     the receive thread. They must not make requests to the same object: a
//     request there is refused at once with ErrCode_RequestRelatedVariableError
//     and the log line "sdk log: A request was made from the receive thread (a
//     push callback); refused.", because its response could only be read by the
//     thread that is waiting for it.
//   - The event callback runs on the event thread and may make requests; events
//     that arrive meanwhile wait in the ring.
//
// Memory a controller can make the object hold is bounded: a response is kept
// only while a request of its type waits for it, the ring frees each event's
// text when the event is handed out, and the move-finish queue holds at most
// MOVE_FINISH_QUEUE_LIMIT events.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "RobotSDK/robotClient/robotcommunicationclient.h"
#include "RobotSDK/sdkMateType/communicationmatetype.h"
#include "RobotSDK/service/moveendwait.h"
#include "RobotSDK/service/servoanswers.h"
#include "RobotSDK/util/callbackslot.h"
#include "RobotSDK/util/deadlinemutex.h"
#include "TevoRobotControllerCodes.h"
#include "TevoRobotMetaType.h"

// One response slot, or one received response handed to a caller. The text
// is owned as in every FrameText.
class CommunicationResponse : public FrameText {
public:
    std::mutex m_mutex;                  // used only when the record is a slot
    std::condition_variable m_conditon;  // signalled when a response is filed
    // Slot only, under m_mutex: a request of this type waits for its response.
    bool m_awaited = false;
};

// One queued robot event.
class RobotEvent {
public:
    RobotEvent();
    RobotEvent(int eventType, int eventCode, std::string eventContent);

    int m_eventType;
    int m_evnetCode;
    std::string m_eventContent;
};

// Single-producer single-consumer ring of robot events. The producer fills a
// slot before publishing it with a release store of the write counter; the
// consumer moves a slot out (freeing the slot's text) before releasing it with
// a release store of the read counter. Counters run freely and wrap
// (unsigned); slot = counter % size.
class RobotEventQueue {
public:
    enum { QUEUE_SIZE = 4096 };

    RobotEventQueue();
    // Resets both counters; only while neither side runs.
    void init();
    // Producer side; false when the ring holds QUEUE_SIZE events.
    bool push(RobotEvent&& event);
    // Consumer side; false when the ring is empty.
    bool pop(RobotEvent& event);
    // Consumer side; true when the ring holds no event.
    bool empty() const;

private:
    std::atomic<uint32_t> m_wIdx;
    std::atomic<uint32_t> m_rIdx;
    std::vector<RobotEvent> m_queue;
};

class RobotControlServices : public RobotCommunicationClient {
public:
    enum { WAIT_RESPONSE_MAX_TIME_MSEC = 1800 };
    // A request queued behind one of its kind is sent only with at least this
    // much of its answer time left.
    enum { QUEUED_MIN_ANSWER_MSEC = 100 };
    enum { PAUSE_DONE_EVNET_TIMED_LOCK_MSEC = 450 };
    // Move-finish events beyond this many are dropped, the newest first: the
    // blocking move reads the front, so the oldest events decide its end.
    enum { MOVE_FINISH_QUEUE_LIMIT = MoveEndWait::QUEUE_LIMIT };

    // Time-outs of the two-step operations.
    enum {
        STARTUP_DONE_WAIT_MSEC = 60000,
        SHUTDOWN_DONE_WAIT_MSEC = 30000,
        HANDSHAKE_WAIT_MSEC = 30000,
        MOVE_CONTROL_DONE_WAIT_MSEC = 4000
    };

    // A blocking wait (a move's end, a two-step operation's completion) that
    // has heard nothing from the controller for SILENCE_PROBE_MSEC sends one
    // heartbeat, at most one per SILENCE_PROBE_MSEC per connection, without
    // waiting for its answer; after SILENCE_GIVE_UP_MSEC of silence it ends
    // with ErrCode_RequestTimeout. It looks every BLOCKING_WAIT_SLICE_MSEC, so
    // a silent controller is noticed within SILENT_CONTROLLER_NOTICED_MSEC.
    enum {
        SILENCE_PROBE_MSEC = 1000,
        SILENCE_GIVE_UP_MSEC = 4000,
        BLOCKING_WAIT_SLICE_MSEC = 250,
        SILENT_CONTROLLER_NOTICED_MSEC = 5000
    };
    static_assert(SILENCE_GIVE_UP_MSEC + BLOCKING_WAIT_SLICE_MSEC <= SILENT_CONTROLLER_NOTICED_MSEC,
                  "the documented bound covers the give-up time and one slice");

    RobotControlServices();
    // Disconnects (joining the receive thread), then stops and joins the
    // event thread.
    ~RobotControlServices() override;

    RobotControlServices(const RobotControlServices&) = delete;
    RobotControlServices& operator=(const RobotControlServices&) = delete;

    // Stops and joins the event thread; an event callback that is running
    // finishes first. Idempotent. Must not be called on the event thread.
    void stopEventThread();
    // True on this object's event thread (inside the event callback).
    bool isEventThread() const;
    // True on this object's receive thread while it handles a frame (inside a
    // push callback or the event processing).
    bool onReceiveThread() const;

    // ---- request/response engine -------------------------------------
    int sendRequestWaitResponse(const CommunicationRequest& requestInfo,
                                CommunicationResponse& responseInfo);
    // Takes ownership of protobufTextPtr (an array, may be null with length 0).
    int requestServiceOnlyCheckSendResultMode(RobotCommandType robotCommandType,
                                              void* protobufTextPtr, int protobufTextLength);
    // Takes ownership of protobufTextPtr; on success robotResponse holds a text
    // that the caller releases with destroy().
    int requestServiceGetResponseContentMode(RobotCommandType robotCommandType,
                                             void* protobufTextPtr, int protobufTextLength,
                                             CommunicationResponse& robotResponse);
    // The streamed mode: writes one request (taking ownership of body, an
    // array, may be null with length 0) under the client's send lock with the
    // usual send deadline, and returns without waiting for an answer. 0 once
    // the frame is written; ErrCode_SocketDisconnect without a connection,
    // ErrCode_RequestRelatedVariableError on the receive thread,
    // ErrCode_SendRequestFailed when the frame could not be written.
    int sendWithoutAnswer(RobotCommandType type, char* body, int bodyLength);
    // The answers of the servo stream's targets (see "Request modes" above).
    ServoAnswers& servoAnswers() { return m_servoAnswers; }
    static int getErrCodeByServerResponse(int code);
    // Keeps a controller's refusal (an answer with a non-zero code) of a
    // request of type as the calling thread's last refusal, and logs it.
    // controllerText is the reason the controller sent ("" when none): the
    // record holds it, else the table's text for the code, else
    // "controller code N".
    static void recordRefusal(RobotCommandType type, int controllerCode,
                              const std::string& controllerText = std::string());
    // The calling thread's last refusal, from any core (commandType -1 when
    // this thread has had none). The record is thread_local: no lock.
    static tevo_robot_namespace::ControllerRefusal lastControllerRefusal();

    int responseProcess(int socketFd, const char* requestContentPtr,
                        int requestContentLength) override;
    void disconnectProcess() override;
    int heartbeatService() override;

    // ---- pushes and events -------------------------------------------
    void robotServiceRegisterRealTimeJointStatusCallbackService(RealTimeJointStatusCallback ptr,
                                                                void* arg);
    void robotServiceRegisterRealTimeRoadPointCallbackService(RealTimeRoadPointCallback ptr,
                                                              void* arg);
    void robotServiceRegisterRealTimeEndSpeedCallbackService(RealTimeEndSpeedCallback ptr,
                                                             void* arg);
    void robotServiceRegisterRobotEventInfoCallbackService(RobotEventCallback ptr, void* arg);
    void robotServiceRegisterMovepProgressNotifyCallbackService(
        RealTimeMovepStepNumNotifyCallback ptr, void* arg);

    // Event processing as the receive thread runs it for every event frame.
    void robotRealTimeEventProcess(tevo_robot_namespace::RobotEventInfo eventInfo);
    void pushEventToList(const tevo_robot_namespace::RobotEventInfo& eventInfo);

    // The wait of a blocking move for its end event; motion arms it before a
    // move and waits on it once. Every move-finish event is posted to it.
    MoveEndWait& moveEndWait() { return m_moveEndWait; }
    // Waits on moveEndWait() with the ticket that arm() gave for the move's
    // end (or the lost link). 0 with the end in moveEndEventType, or
    // ErrCode_RequestTimeout when the controller stopped answering
    // (moveEndEventType left as it is).
    int waitMoveEnd(uint64_t ticket, int& moveEndEventType);
    // Changes whenever the connection is lost (and on logout); a waiter that
    // read it before sending knows the link went down when it differs.
    uint64_t linkGeneration() const { return m_linkGeneration.load(std::memory_order_acquire); }

    // ---- connection supervision (connectionsupervisor.h) ----------------
    // Called on the receive thread once for each connection that ended by
    // itself (not for a logout), after the waiters were woken, with how it
    // ended. Held under m_linkLostMutex while it runs: the listener takes only
    // leaf locks and returns at once; setting a new one (null clears it) waits
    // for a running call.
    using LinkLostListener = std::function<void(LinkEnd how)>;
    void setLinkLostListener(LinkLostListener listener);
    // While set to a thread (not the default id), that thread logs in
    // again: the link is not up for anyone else yet, so a request from any
    // other thread fails at once with ErrCode_SocketDisconnect, as while the
    // link is down, instead of reaching a controller not logged in to.
    void setReloginThread(std::thread::id thread);
    // Sends one heartbeat without waiting for its response, unless one went
    // out less than minIntervalMsec ago (the blocking waits use
    // SILENCE_PROBE_MSEC; the supervisor its own share of the silence time).
    void probeSilentController(int minIntervalMsec = SILENCE_PROBE_MSEC);

    // ---- login and arm lifecycle -------------------------------------
    int loginService(const char* host, int port, const std::string& userName,
                     const std::string& possword, tevo_robot_namespace::RobotType& robotType,
                     tevo_robot_namespace::RobotDhPara& robotDhPara);
    int logoutService();
    int robotHandShakeService(bool isBlock);
    int robotStartupService(const RobotTcpParam& tcpParam, uint8_t collisionClass, bool readPose,
                            bool staticCollisionDetect, int maxAcc,
                            tevo_robot_namespace::ROBOT_SERVICE_STATE& result, bool IsBolck);
    int robotShutdownService(bool IsBolck);
    int robotControlService(tevo_robot_namespace::RobotControlCommand cmd);
    int armPowerControlService(bool value);
    int rootReleaseBrake();
    int collisionRecover();
    int robotMoveControlService(RobotCommandType cmdType);

    // ---- controller state and configuration --------------------------
    // Push switches. Each also records whether the application wants the push
    // (also when it cannot be sent, e.g. before login): a new connection starts
    // with every push off, so each successful login switches the wanted ones
    // on again.
    int setRealTimeJointStatusPush(bool enable);
    int setRealTimeJointAnglePush(bool enable);
    int setRealTimeEndSpeedPush(bool enable);
    int getTcpParamService(RobotTcpParam& tcpParam);
    int setTcpParamService(const RobotTcpParam& tcpParam);
    int getToolDynamicsParamService(tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
    int setToolDynamicsParamService(
        const tevo_robot_namespace::ToolDynamicsParam& toolDynamicsParam);
    int setRobotCollisionClassService(int grade);
    int getRobotCollisionCurrentService(RobotCollisionCurrent& collisionCurrent);
    int getRobotWorkModeService(tevo_robot_namespace::RobotWorkMode& mode);
    int setRobotWorkModeService(tevo_robot_namespace::RobotWorkMode mode);
    int setEnableForceTeachWhenProjectIsRunning(bool enable);
    int getRobotDevInfoService(tevo_robot_namespace::RobotDevInfo& devInfo);
    int getRobotGravityComponent(tevo_robot_namespace::RobotGravityComponent& gravityComponent);
    int getRobotJointStatus(tevo_robot_namespace::JointStatus* jointStatus, int size);
    int getCurrentJointAngle(tevo_robot_namespace::JointParam& jointAngle);
    int getCorrectedWaypoint(const tevo_robot_namespace::wayPoint_S& source,
                             tevo_robot_namespace::wayPoint_S& target);
    int getJointAngleFromController(tevo_robot_namespace::JointParam& jointAngle);
    int getIsRealRobotExist(bool& value);
    int getRobotDiagnosisInfo(tevo_robot_namespace::RobotDiagnosis& robotDiagnosisInfo);
    int getRobotCurrentStateService(tevo_robot_namespace::RobotState& state);
    int setRobotJointOffsetService(const tevo_robot_namespace::RobotJointOffset& jointOffset);
    int getRobotSafetyConfig(tevo_robot_namespace::RobotSafetyConfig& safetyConfig);
    int setRobotSafetyConfig(const tevo_robot_namespace::RobotSafetyConfig& safetyConfig);
    int getOrpeSafetyStatus(tevo_robot_namespace::OrpeSafetyStatus& safetyStatus);
    int setRobotAtOriginPoseService();
    int safeIoAboutCommunication(RobotCommandType commandType, const std::vector<int>& paramVeror);
    int setRobotOrpePause(uint8_t data);
    int setRobotOrpeStop(uint8_t data);
    int setRobotOrpeError(const uint8_t* data, int len);
    int clearSystemEmergencyStop(uint8_t data);
    int clearReducedModeError(uint8_t data);
    int robotSafetyguardResetSucc(uint8_t data);
    int getInterfaceBoardAllDIStatusService(
        std::vector<tevo_robot_namespace::RobotDiagnosisIODesc>& statusVector);
    int getInterfaceBoardAllDOStatusService(
        std::vector<tevo_robot_namespace::RobotDiagnosisIODesc>& statusVector);
    int getInterfaceBoardAllAIStatusService(
        std::vector<tevo_robot_namespace::RobotAnalogIODesc>& statusVector);
    int getInterfaceBoardAllAOStatusService(
        std::vector<tevo_robot_namespace::RobotAnalogIODesc>& statusVector);
    int setInterfaceBoardDOStatusService(int addr, tevo_robot_namespace::IO_STATUS status);
    int setInterfaceBoardAOStatusService(int addr, double status);
    int getRobotDigitalIOStatusService(RobotCommandType commandType, int addr, int& status);
    int getInterfaceBoardDIStatusService(int addr, tevo_robot_namespace::IO_STATUS& status);
    int getInterfaceBoardDOStatusService(int addr, tevo_robot_namespace::IO_STATUS& status);
    int getRobotAnalogIOStatusService(RobotCommandType commandType, int addr, double& status);
    int getInterfaceBoardAIStatusService(int addr, double& status);
    int getInterfaceBoardAOStatusService(int addr, double& status);
    int setToolPowerVoltageTypeService(tevo_robot_namespace::ToolPowerType value);
    int getToolPowerVoltageTypeService(tevo_robot_namespace::ToolPowerType& type);
    int getToolPowerVoltageStatusService(double& status);
    int setToolPowerTypeAndDigitalIOTypeService(tevo_robot_namespace::ToolPowerType type,
                                                tevo_robot_namespace::ToolIOType io0,
                                                tevo_robot_namespace::ToolIOType io1,
                                                tevo_robot_namespace::ToolIOType io2,
                                                tevo_robot_namespace::ToolIOType io3);
    int setToolDigitalIOTypeService(tevo_robot_namespace::ToolDigitalIOAddr addr,
                                    tevo_robot_namespace::ToolIOType type);
    int getToolAllDigitalIOStatusService(
        std::vector<tevo_robot_namespace::RobotDiagnosisIODesc>& statusVector);
    int getToolAllAIStatusService(
        std::vector<tevo_robot_namespace::RobotAnalogIODesc>& statusVector);
    int setToolDigitalIOStatusService(tevo_robot_namespace::ToolDigitalIOAddr addr,
                                      tevo_robot_namespace::IO_STATUS value);
    int getToolAllIOStatusService(RobotToolAllIOStatus& toolAllIOStatus);
    int updateRobotBoardFirmwareService(tevo_robot_namespace::update_board_firmware_cmd cmd,
                                        const void* data, uint16_t length);
    int getBoardFirmwareUpdateResultService(bool& value);
    int getRobotEthernetDeviceNameService(std::string& ethernetDeviceName);
    int getServerVersionInfoService(std::string& versionInfo);
    int getJointCommonData(tevo_robot_namespace::JointCommonData* jointCommonDataArray, int size);
    int setJointParamService(CommunicationMateType::SetJointCommonParamType type, int jointID,
                             int value);
    int jointSaveDataFlashService(int jointID);
    int getJoint6Rotate360EnableFlag(bool& joint6Rot360Enable);
    int getJoint1Rotate360EnableFlag(bool& joint1Rot360Enable);
    int startupOfflineExcitTrajService(const char* trackFile,
                                       tevo_robot_namespace::Robot_Dyn_identify_traj type,
                                       int subtype);
    int getDynIdentifyResultsService(std::vector<int>& paramVector);

protected:
    // The push and event handlers, run on the receive thread with the frame's
    // body as it sits in the receive buffer.
    void realTimeJointStatusService(const char* body, int length);
    void realTimeJointAngleService(const char* body, int length);
    void realTimeEndSpeedService(const char* body, int length);
    void realTimeMovepProgressNotifyService(const char* body, int length);
    void realTimeRobotEventResponseService(const char* body, int length);

    static void robotEventProcessThread(RobotControlServices* self);
    // The login exchange on a connection just opened: login request, the arm
    // model, the full-turn flags.
    int loginOnConnection(const std::string& userName, const std::string& possword,
                          tevo_robot_namespace::RobotType& robotType,
                          tevo_robot_namespace::RobotDhPara& robotDhPara);

    // A two-step operation's completion: the event side sets m_signalled under
    // m_mutex and notifies; the caller arms (clears) it before its request and
    // waits for it after the response. m_mutex is never held across a request,
    // so a completion that arrives before the response neither blocks the
    // receive thread nor gets lost. m_callMutex serialises whole operations.
    struct CompletionPoint {
        std::mutex m_mutex;
        std::condition_variable m_conditon;
        bool m_signalled = false;
        std::mutex m_callMutex;
    };
    enum class WaitOutcome { Signalled, TimedOut, Disconnected, Silent };

    // The wait loop of every blocking call. waitSlice waits until the time
    // point it is given and returns true once the awaited thing happened (or
    // the link was lost). Between slices it watches the controller: after
    // SILENCE_PROBE_MSEC without a byte from it, a heartbeat goes out; after
    // SILENCE_GIVE_UP_MSEC the wait ends (Silent, logged). TimedOut when the
    // deadline passed first; Signalled when waitSlice reported the end. The
    // connection is left open either way.
    WaitOutcome waitWhileControllerAnswers(
        const std::function<bool(std::chrono::steady_clock::time_point)>& waitSlice,
        std::chrono::steady_clock::time_point deadline);

    void armCompletion(CompletionPoint& point);
    // Signals point under its mutex; with a time limit, gives up (false) when the
    // mutex cannot be had in time (polled with try_lock, so that every lock
    // operation stays visible to ThreadSanitizer).
    bool signalCompletion(CompletionPoint& point, int lockLimitMsec = -1);
    WaitOutcome waitCompletion(CompletionPoint& point,
                               std::chrono::steady_clock::time_point deadline,
                               uint64_t linkGeneration);
    // Ends every wait on a response or a completion with ErrCode_SocketDisconnect.
    void wakeAllWaitersOnDisconnect();
    // A two-step operation: sends type in common-result mode (taking the body);
    // when block, first serialises on point and arms it, then waits for the
    // completion until waitMsec after the call began. 0 when completed.
    int runTwoStep(CompletionPoint& point, RobotCommandType type, char* body, int bodyLength,
                   bool block, int waitMsec, int timeoutCode, const char* timeoutLog);
    // 0 when signalled; ErrCode_SocketDisconnect, or timeoutCode with its log line.
    int completionResult(WaitOutcome outcome, int timeoutCode, const char* timeoutLog);

    // The switchable real-time pushes, indexing m_pushWanted.
    enum PushKind { JointStatusPush, JointAnglePush, EndSpeedPush, PushKindCount };
    // Records the wish and sends the switch.
    int switchPush(PushKind kind, bool enable);
    // After a login: switches on every push the application wants. Returns
    // ErrCode_RequestTimeout when the controller stopped answering (the
    // remaining switches are not sent), else 0.
    int restoreWantedPushes();
    // True when a request ended in a time-out and nothing at all has come
    // from the controller for a whole response time-out: it has stopped
    // answering, so a sequence of requests (the login's) ends there instead
    // of running each remaining request into its own time-out.
    bool stoppedAnswering(int requestResult) const;
    // Logs that the login ends on a silent controller; returns ret.
    static int loginSilenced(int ret);
    std::array<std::atomic<bool>, PushKindCount> m_pushWanted{};

    std::array<CommunicationResponse, CommunicationMateType::CommunicationTypeCount>
        m_robotCommandResponseSet;
    // Timed: the wait behind an outstanding request of the same kind counts in
    // the request's own answer time (sendRequestWaitResponse).
    std::array<DeadlineMutex, CommunicationMateType::CommunicationTypeCount> m_robotCommandMutexSet;

    CompletionPoint m_startupDone;
    std::atomic<int> m_robotStartupDoneResult;
    CompletionPoint m_shutDownDone;
    CompletionPoint m_robotHandShakeFinish;
    std::atomic<bool> m_robotHandShakeSuccFlag;
    CompletionPoint m_robotMoveControlStop;
    CompletionPoint m_robotMoveControlPause;
    CompletionPoint m_robotMoveControlContinue;
    std::mutex m_robotMoveControlMutex;

    // The application's callbacks; copied out and called without a lock.
    CallbackSlot<RobotEventCallback> m_robotEventCallback;
    CallbackSlot<RealTimeEndSpeedCallback> m_robotEndSpeedCallback;
    CallbackSlot<RealTimeMovepStepNumNotifyCallback> m_movepProgressNotifyCallback;
    CallbackSlot<RealTimeJointStatusCallback> m_realTimeJointStatusCallback;
    CallbackSlot<RealTimeRoadPointCallback> m_realTimeRoadPointCallback;

    // The arm model this connection's login reported; waypoint pushes are
    // computed with it. Until a login succeeds, the process-wide model is used.
    // Written by login, read by the receive thread, under m_armModelMutex (leaf).
    std::mutex m_armModelMutex;
    bool m_armModelKnown = false;
    tevo_robot_namespace::RobotDhPara m_armDhPara{};

    // setLinkLostListener; m_linkLostMutex is taken on the receive thread
    // after every other core lock is released (see the lock list above).
    std::mutex m_linkLostMutex;
    LinkLostListener m_linkLostListener;
    std::atomic<std::thread::id> m_reloginThread{};
    // Connected, and not being logged in again by another thread.
    bool linkUsableHere() const;

    // When the last heartbeat of a blocking wait went out (steady-clock ticks).
    std::atomic<std::chrono::steady_clock::rep> m_lastProbe{0};

    // Bumped whenever the connection is lost; waiters compare it with the value
    // they saw before sending.
    std::atomic<uint64_t> m_linkGeneration{0};
    MoveEndWait m_moveEndWait{m_linkGeneration};
    ServoAnswers m_servoAnswers;

    RobotEventQueue m_robotEventQueue;
    // Lets the producer wake the event thread early; the ring itself is lock-free.
    std::mutex m_eventWakeMutex;
    std::condition_variable m_eventWakeConditon;
    std::atomic<bool> m_eventThreadStop{false};
    std::thread m_threadId;
    std::mutex m_eventThreadJoinMutex;  // serialises stopEventThread callers
};

#endif  // ROBOTCONTROLSERVICES_H
