// Internal state of the controller simulator (see controllersim.h for the
// threads and the lock order).
#pragma once

#include <google/protobuf/message.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sensor.pb.h"
#include "sim/controllersim.h"
#include "sim/motion.h"

namespace tevo_sim {

namespace pbc = tevo::robot::common;
namespace pbm = tevo::robot::communication;

// One client connection. The fd is closed when the last owner lets go, so a
// writer holding a reference never writes to a reused descriptor.
struct Connection {
    int id = 0;
    int fd = -1;
    std::thread reader;
    std::mutex writeMutex;
    std::atomic<bool> open{true};
    std::atomic<bool> finished{false};
    std::atomic<bool> pushJointStatus{false};
    std::atomic<bool> pushJointAngle{false};
    std::atomic<bool> pushEndSpeed{false};
    std::atomic<bool> loggedIn{false};  // the last login on it succeeded

    ~Connection();
    // Writes all bytes (one frame or more) atomically with respect to other
    // writers; false once the connection failed or was closed.
    bool write(const std::string& bytes);
    // Like write(), but gives up at once (false) when the socket has no room:
    // pushes to a peer that is not reading are dropped instead of holding up
    // the motion thread.
    bool writeIfReady(const std::string& bytes);
    void shutdownSocket();
};

enum class JogKind { None, Joint, Cartesian };

// The servo stream of pass-through mode (sim/servo.cpp): the targets the
// client streams, the follower that tracks them and the watchdog.
struct ServoState {
    // Bringing the arm to rest after the mode was left or the watchdog
    // tripped; moves and a new stream wait for it.
    bool ramping = false;
    bool tripped = false;       // the watchdog stopped the stream
    bool tripEventDue = false;  // EvTrackingLost goes out once the arm is at rest
    bool hasTarget = false;     // a target came since the mode was entered
    Joints target{};            // the latest target
    // The setpoint runs linearly from `from` (where it was when the latest
    // target came) to `target` over `period`.
    Joints from{};
    std::chrono::steady_clock::time_point lastArrival{};
    double period = 0;                                 // estimated target period, s
    double v[6] = {};                                  // followed joint speeds, rad/s
    std::chrono::steady_clock::time_point stepTime{};  // the follower has advanced to here
    uint64_t targets = 0;                              // accepted since the mode was entered
    std::deque<double> gaps;    // inter-arrival times, s, the latest kMaxGaps
    double followErrorMax = 0;  // largest |target - followed angle| at a push, rad
    uint64_t trips = 0;
    static constexpr size_t kMaxGaps = 100000;
};
enum class RampKind { None, Stop, Pause };

struct ArmState {
    Dh dh{};
    int32_t model = 0;
    bool powered = false;
    bool brakeReleased = false;
    bool started = false;
    int32_t startupResult = ServiceWorking;
    bool handshakeOk = true;
    bool realRobotExists = true;
    bool joint1Rot360 = false;
    bool joint6Rot360 = false;
    int32_t workMode = 0;
    int32_t collisionClass = 6;
    bool reduceMode = false;
    bool tcp2Canbus = false;  // pass-through (servo streaming) mode on
    Joints q{};
    // When the motion thread last computed q and the speeds (see
    // ArmSnapshot::time).
    std::chrono::steady_clock::time_point stateTime{};
    double endSpeed = 0;
    double jointSpeed[6] = {0, 0, 0, 0, 0, 0};

    pbm::RobotTcpParam tcpParam;
    pbc::ToolDynamicsParam toolDynamics;
    pbc::ProtoRobotSafetyConfig safetyConfig;
    pbc::ProtoOrpeSafetyStatus orpeStatus;
    pbm::OurRobotDevInfo devInfo;
    std::array<pbm::ProtoJointCommonData, 6> jointData;
    double jointOffset[6] = {0, 0, 0, 0, 0, 0};
    bool forceTeachWhenRunning = false;

    uint32_t di[52] = {};
    uint32_t dout[48] = {};
    float ai[4] = {};
    float ao[4] = {};
    uint32_t toolPowerType = 0;  // the supply type in effect
    // A supply type set takes effect toolPowerDelay later, as on a real tool.
    std::optional<uint32_t> toolPowerPending;
    std::chrono::steady_clock::time_point toolPowerDue{};
    std::chrono::milliseconds toolPowerDelay{0};
    uint32_t toolIoType[4] = {0, 0, 0, 0};
    uint32_t toolIoLevel[4] = {0, 0, 0, 0};
    double toolAi[2] = {0, 0};

    // Number lists kept per setter command type and read back by its getter.
    std::map<int32_t, std::vector<double>> doubleParams;
    std::map<int32_t, std::vector<int32_t>> intParams;
    std::map<int32_t, std::string> lastSetBody;  // set-only commands, for inspection
    pbc::ProtoSeamTrack_t seamTrack;
    // Conveyor: the encoder counts conveyorCount at conveyorSince and, while
    // the conveyor runs, advances by speed x counts per metre x direction.
    bool conveyorRunning = false;
    double conveyorCount = 0;
    std::chrono::steady_clock::time_point conveyorSince{};
    std::vector<std::string> conveyorObjects;  // object bodies in arrival order
    // The force sensor's reading (force x, y, z, torque x, y, z) and the reply
    // layout of its read: a double vector, or a ProtoResponseWrench.
    std::array<double, 6> forceReading{};
    bool forceReplyAsWrench = false;
    std::vector<pbc::ProtoRoadPoint> offlineTrack;
    ServoState servo;
    size_t firmwareBytes = 0;

    // Motion.
    std::optional<MotionPlan> plan;
    bool planActive = false;            // false until the move's reply went out
    int planOwner = 0;                  // connection that started the move
    int movepWaypoints = 0;             // > 0: a multi-point move, which reports progress
    int movepReported = 0;              // waypoints reached and reported so far
    bool endSuppressed = false;         // the running plan ends without an event
    std::optional<EventSpec> endEvent;  // sent instead of at-target when the plan ends
    bool paused = false;                // the plan is held at rest by a pause
    // Why the arm is decelerating (plan or jog); the done events of the
    // commands that asked for it go out once it is at rest.
    RampKind ramp = RampKind::None;
    bool resumeAfterPause = false;  // a continue came while the pause ramp ran
    std::vector<EventSpec> pauseDone, continueDone, stopDone;
    int moveControlReplies = 0;  // move-control replies not yet written
    JogKind jog = JogKind::None;
    int jogAxis = 0;  // joint 0..5, or 0..5 = x, y, z, rx, ry, rz
    double jogDir = 1;
    double jogSpeed = 0.2;     // current speed, rad/s or m/s
    bool jogStopping = false;  // ramping down to rest
    double jogDecel = 0;       // of the ramp, per second
    int jogOwner = 0;
    uint64_t movesCompleted = 0;
    uint64_t movesStopped = 0;
};

// A completion that falls due after a reply: applies its state change and
// sends its event to every connection.
struct Completion {
    Completion() = default;
    Completion(std::chrono::milliseconds d, EventSpec e, std::function<void(ArmState&)> a = {},
               std::function<std::vector<EventSpec>(ArmState&)> ae = {})
        : delay(d), event(std::move(e)), apply(std::move(a)), applyWithEvents(std::move(ae)) {}

    std::chrono::milliseconds delay{0};  // arm time, divided by the time scale
    EventSpec event;
    std::function<void(ArmState&)> apply;  // may be empty
    // Like apply, and returns events to send before `event` (e.g. the stop
    // of a move that the completion ends). May be empty.
    std::function<std::vector<EventSpec>(ArmState&)> applyWithEvents;
};

// Everything one request produces.
struct RequestCtx {
    int conn = 0;
    int32_t cmd = 0;
    const std::string* body = nullptr;
    bool applyState = true;  // false when a fault forces a refusal
    int32_t code = CodeSucc;
    // Why the request was refused, for the reply's error text; empty: the
    // shared table's text for the code.
    std::string reason;
    std::unique_ptr<google::protobuf::Message> reply;
    std::vector<Completion> completions;
    std::vector<std::function<void(ArmState&)>> afterReply;  // under the state lock
    bool startsMove = false;          // the request started a plan whose end sends an event
    const FaultRule* rule = nullptr;  // the fault rule applied to this request, if any
    bool doneShaped = false;          // the handler applied the rule to its done event itself
};

using Handler = void (*)(struct SimCore&, ArmState&, RequestCtx&);

struct SimCore {
    SimOptions opt;

    // Server.
    int listenFd = -1;
    uint16_t boundPort = 0;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> stallReading{false};
    // A frozen controller: no reading, no timers, no motion, no pushes.
    std::atomic<bool> frozen{false};
    std::thread acceptThread;
    std::thread timerThread;
    std::thread motionThread;

    // Connections.
    mutable std::mutex connsMutex;
    mutable std::condition_variable connsCv;
    std::map<int, std::shared_ptr<Connection>> conns;
    std::vector<std::shared_ptr<Connection>> retired;  // readers to join
    int nextConnId = 1;

    // Arm, faults and request bookkeeping.
    mutable std::mutex stateMutex;
    mutable std::condition_variable stateCv;
    ArmState arm;
    std::map<int32_t, FaultRule> faults;
    std::map<int32_t, uint64_t> requestCounts;
    std::map<int32_t, std::string> lastBodies;
    uint64_t totalRequests = 0;
    uint64_t badInput = 0;
    std::atomic<uint64_t> pushesDropped{0};

    // Timer queue: (due, sequence) ordered.
    struct Timed {
        std::chrono::steady_clock::time_point due;
        uint64_t seq;
        std::function<void()> fn;
        bool operator>(const Timed& o) const { return due != o.due ? due > o.due : seq > o.seq; }
    };
    std::mutex timerMutex;
    std::condition_variable timerCv;
    std::priority_queue<Timed, std::vector<Timed>, std::greater<Timed>> timers;
    uint64_t timerSeq = 0;

    std::mutex logMutex;

    // The latest robot events and refused requests written to the
    // connections (leaf lock).
    static constexpr size_t kRecentEvents = 20;
    static constexpr size_t kRecentRefusals = 50;
    static constexpr size_t kRecentEventText = 200;  // bytes of each text kept
    mutable std::mutex recentMutex;
    std::deque<SentEvent> recentEvents;
    std::deque<RefusedRequest> recentRefusals;
    void recordEvent(const EventSpec& ev);
    // A reply with a non-zero code about to be written; an empty reason
    // stands for the shared table's text of the code, as in the reply.
    void recordRefusal(int connection, int32_t cmd, int32_t code, const std::string& reason);

    explicit SimCore(SimOptions o);
    ~SimCore();

    void log(const std::string& line);
    bool start();
    void stop();

    void acceptLoop();
    void readerLoop(const std::shared_ptr<Connection>& conn);
    void timerLoop();
    void motionLoop();
    void schedule(std::chrono::steady_clock::duration after, std::function<void()> fn);
    std::chrono::steady_clock::duration armTime(std::chrono::milliseconds ms) const;

    void onFrame(const std::shared_ptr<Connection>& conn, int32_t cmd, const std::string& body);
    void connectionClosed(const std::shared_ptr<Connection>& conn);
    void reapRetired();

    std::vector<std::shared_ptr<Connection>> targets(int connection) const;
    int broadcast(const std::string& bytes, int connection = ControllerSim::kAllConnections);
    void sendEvents(const std::vector<EventSpec>& events,
                    int connection = ControllerSim::kAllConnections);
    void runCompletion(const Completion& c);

    // Push bodies from the current state (state lock held by the caller).
    std::string jointStatusBody(const ArmState& arm) const;
    std::string jointAngleBody(const ArmState& arm) const;
    std::string endSpeedBody(const ArmState& arm) const;
};

std::string eventBody(const EventSpec& ev);
// The reply's bytes with its error record set to code and its text: reason,
// else the shared table's text of a refusal's code (none on success).
std::string serializeReply(google::protobuf::Message& reply, int32_t code,
                           const std::string& reason = std::string());
void setErrorCode(google::protobuf::Message& m, int32_t code,
                  const std::string& reason = std::string());
Handler handlerFor(int32_t cmd);
void initArmState(ArmState& arm, int32_t model);
// Stops any move or jog at once; returns the events to send: done events of
// move-control commands still waiting for the arm to come to rest, and the
// stop-state event when a plan ran (none when idle).
std::vector<EventSpec> stopMotion(ArmState& arm, bool countAsStopped);
// The done events of pause, continue and stop commands waiting for the arm
// to come to rest, in that order; `stopState` puts the stop-state event
// before the stop done events. Clears them and the ramp.
std::vector<EventSpec> takeDoneEvents(ArmState& arm, bool stopState);
// Puts a pending tool supply type into effect once it is due.
void settleToolPower(ArmState& arm);

// ------------------------------------------------ servo streaming (servo.cpp)

// The follower runs (at the servo rate) while pass-through mode is on or it
// brings the arm to rest.
bool servoActive(const ArmState& arm);
// The followed arm is in motion (or ramping to rest).
bool servoMoving(const ArmState& arm);
// The stream holds the arm: pass-through mode is on or the arm is still
// coming to rest from it. Moves, jogs and tracks are refused meanwhile.
bool servoHoldsArm(const ArmState& arm);
// Enters the mode with a fresh stream (targets, watchdog and figures reset).
void servoEnter(ArmState& arm, const SimOptions& opt);
// Leaves the mode; a moving arm ramps to rest.
void servoLeave(ArmState& arm);
// Stops the followed arm at once (power off, brakes, shut-down): no ramp,
// the stream keeps no target.
void servoHalt(ArmState& arm);
// Refuses (false) a target list with a jump larger than the follower may
// make up before the watchdog would trip: servoMaxJointSpeed x servoWatchdog
// in any joint from the previous target (the followed angle for the first).
bool servoCheckJumps(const ArmState& arm, const SimOptions& opt, const std::vector<Joints>& pts,
                     RequestCtx& c);
// Takes checked targets that arrived at `now` (consecutive; the last becomes
// the current one).
void servoAccept(ArmState& arm, const SimOptions& opt, const std::vector<Joints>& pts,
                 std::chrono::steady_clock::time_point now);
// Advances the follower from the motion tick at `start` up to `now` (real
// time) in fixed steps of the servo rate: tracking, the ramp to rest and the
// watchdog. Adds the events that fall due and sets q, jointSpeed and
// endSpeed.
void servoAdvance(ArmState& arm, const SimOptions& opt, std::chrono::steady_clock::time_point start,
                  std::chrono::steady_clock::time_point now, std::vector<EventSpec>& events);
// At each push time: the follow error of the running stream.
void servoAtPush(ArmState& arm);
// Time stood still for `stood` (a frozen simulator): the stream's clock too.
void servoShiftClock(ArmState& arm, std::chrono::steady_clock::duration stood);
ServoStats servoStats(const ArmState& arm);

}  // namespace tevo_sim
