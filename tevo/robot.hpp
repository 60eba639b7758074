// tevo::Robot — a modern C++ layer over ServiceInterface for new applications.
//
//     #include "tevo/robot.hpp"
//
//     tevo::Robot robot("127.0.0.1", 8899, "tevo", "tevo");  // connects, or throws
//     robot.startup();
//     robot.moveJoint({0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0});  // radians, blocking
//     tevo::Pose flange = robot.forward(robot.jointsRad());
//
// What it adds to the facade is conversions only:
//   - RAII: the constructor logs in, the destructor logs out (and the
//     facade's destructor releases the connection).
//   - Failures throw a tevo::RobotError subclass chosen by the cause (see
//     "Errors" below); nothing returns a code to check.
//   - Joint angles are std::array<double, 6> in radians (JointsRad), poses
//     carry metres and a unit quaternion; names carry their units.
//   - Callbacks are std::function (lambdas with captures). They run on the
//     library's threads (events on the event thread, connection events on
//     the supervisor's thread, everything else on the receive thread): keep
//     them short, and do not call blocking operations of the same Robot from
//     those on the receive thread (the library refuses requests from it).
//     They may run until the Robot's destructor returns (the log-out sends
//     events), so what they capture must outlive it.
//   - Opt-in supervision: built with a ReconnectPolicy, a Robot logs in again
//     by itself after a lost link (see "Connection supervision").
//
// Errors: every failure throws RobotError or one of its subclasses, picked
// from the library's code and, when the controller refused the request, the
// controller's own code (errorKind() is the one mapping):
//
//     NotConnectedError     10003, 10004; controller code 100 (not logged in)
//     AuthenticationError   a login the controller refused (10001 with a
//                           refusal of the login); controller code 101
//     NotStartedError       controller codes 102 (arm not started), 103 (brakes)
//     TargetError           10012 (no inverse kinematics), 22122 (a servo
//                           target too far from the previous one); controller
//                           codes 104, 105; moves ended for a joint out of
//                           range or an unsolvable target (21006, 21010,
//                           21104, 21108, 21200, 21206, 22121)
//     InvalidArgumentError  10002; controller codes 1 and 106
//     TimeoutError          10007 (the controller stopped answering)
//     StoppedError          a blocking move ended by a stop (21300) or by an
//                           event (20000 + the event type, e.g. 20008 collision)
//     RobotError            everything else, 10024 (no real arm: starting the
//                           arm would not help) and controller codes 2, 3, 4,
//                           107 (busy), 108 and 109 (no motion) included.
//
// A refused request (10023, 10024) carries the controller's code and reason
// (ServiceInterface::lastControllerRefusal, read on the calling thread right
// after the call), and what() reads as a sentence:
//
//     "joint move refused by the controller: joint 3 target 4.00 rad outside
//      its range [-3.05, 3.05] (controller code 104)"
//     "joint move stopped: The move was stopped by a stop request. (code 21300)"
//     "login to 127.0.0.1:8899 refused: the user name or password was refused
//      (controller code 101)"
//
// Threads: like ServiceInterface, one Robot may be used from several threads;
// setting a callback waits until a running call of the previous one returns.
// An exception is built on the thread that made the failed call.
#ifndef TEVO_ROBOT_HPP
#define TEVO_ROBOT_HPP

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"

namespace tevo {

namespace trn = tevo_robot_namespace;

// Six joint angles in radians, joint 1 (base) first.
using JointsRad = std::array<double, 6>;

// A Cartesian pose in the base frame: position in metres and orientation as
// a unit quaternion (w, x, y, z).
struct Pose {
    std::array<double, 3> positionM{};                         // x, y, z in metres
    std::array<double, 4> quaternionWxyz{1.0, 0.0, 0.0, 0.0};  // w, x, y, z
};

// A waypoint: the flange pose and the joint angles that reach it.
struct Waypoint {
    Pose flange;            // flange pose in the base frame: metres and a unit quaternion
    JointsRad jointsRad{};  // joint angles, rad
};

// The mass properties of the tool at the flange, as the controller compensates for them.
struct ToolDynamics {
    double massKg = 0.0;                    // mass, kg
    std::array<double, 3> centreOfMassM{};  // centre of mass in the flange frame, m
};

// One joint's live status, in the units its names carry (the drive reports the positions in
// degrees; they are converted to radians here, like every angle of this layer).
struct JointStatus {
    int currentMA = 0;               // motor current, mA
    int motorSpeed = 0;              // motor speed in the drive's units, 1/100 rpm
    double positionRad = 0.0;        // joint position, rad
    double voltageV = 0.0;           // drive voltage, V
    double temperatureC = 0.0;       // drive temperature, degrees Celsius
    int targetCurrentMA = 0;         // target current, mA
    double targetMotorSpeed = 0.0;   // target motor speed in the drive's units, 1/100 rpm
    double targetPositionRad = 0.0;  // target position, rad
    int error = 0;                   // the drive's error number, 0: none
};

// A robot event as the controller reported it.
struct Event {
    int type = 0;      // tevo_robot_namespace::RobotEventType
    int code = 0;      // event specific, e.g. the joint concerned
    std::string text;  // text attached by the controller or the library
};

// How a supervised Robot logs in again after its link was lost (the
// constructor that takes one): initialDelaySec, backoffFactor, maxDelaySec,
// giveUpAfterSec (0: never) and silenceSec, each with its range in
// TevoRobotConnection.h.
using ReconnectPolicy = trn::ReconnectPolicy;

// What a connection event reports.
enum class ConnectionEventKind {
    LinkLost = trn::ConnectionLinkLost,          // the link was lost; reason says how
    Reconnecting = trn::ConnectionReconnecting,  // an attempt to log in again starts
    Reconnected = trn::ConnectionReconnected,    // logged in again, pushes switched on again
    GaveUp = trn::ConnectionGaveUp               // no more attempts: giveUpAfterSec passed
};

// How a link was lost.
enum class LinkLossReason {
    None = trn::LinkLossNone,      // not a LinkLost event
    Closed = trn::LinkLossClosed,  // the controller closed the connection
    Reset = trn::LinkLossReset,    // the connection was reset or failed (a socket error)
    Silent = trn::LinkLossSilent   // nothing came from the controller for silenceSec
};

// One event of a supervised connection (Robot::onConnection).
struct ConnectionEvent {
    ConnectionEventKind kind = ConnectionEventKind::LinkLost;  // what happened
    LinkLossReason reason = LinkLossReason::None;  // how the link was lost (LinkLost only)
    int attempt = 0;          // attempts so far (Reconnecting, Reconnected, GaveUp), else 0
    double sinceLossS = 0.0;  // seconds since the link was lost (0 for LinkLost)
    std::string text;         // a sentence for a log
};

// A library result other than success; the base of every error this layer
// throws. what() is a sentence naming the operation and the cause.
class RobotError : public std::runtime_error {
public:
    // An error of the library's result code with no refusal by the controller.
    RobotError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    // An error of the library's result code that the controller's refusal
    // (its code and reason) explains; controllerCode 0 when it did not refuse.
    RobotError(int code, const std::string& what, int controllerCode, std::string controllerText)
        : std::runtime_error(what),
          code_(code),
          controllerCode_(controllerCode),
          controllerText_(std::move(controllerText)) {}
    // The library's result code (tevo_robot_namespace::RobotErrorCode).
    int code() const noexcept { return code_; }
    // The controller's code when it refused the request
    // (tevo_robot_namespace::RobotControlServerErrorCode, or the controller's
    // own), else 0.
    int controllerCode() const noexcept { return controllerCode_; }
    // The controller's reason when it refused the request, else "".
    const std::string& controllerText() const noexcept { return controllerText_; }

private:
    int code_;
    int controllerCode_ = 0;
    std::string controllerText_;
};

// No connection: the controller could not be reached (10003), the link
// dropped or was never logged in (10004), or the controller says the
// connection has not logged in (controller code 100).
class NotConnectedError : public RobotError {
public:
    using RobotError::RobotError;
};

// The controller refused the login: the user name or password (controller
// code 101, or any refusal of the login request).
class AuthenticationError : public RobotError {
public:
    using RobotError::RobotError;
};

// The arm is not ready to move: not started (controller code 102) or its
// brakes are engaged (103). startup() first.
class NotStartedError : public RobotError {
public:
    using RobotError::RobotError;
};

// The target cannot be reached: a joint target outside its range
// (controller code 104), a pose without joint angles (105, or 10012 from the
// library's inverse kinematics), or a move that ended for such a reason.
class TargetError : public RobotError {
public:
    using RobotError::RobotError;
};

// A value the library (10002) or the controller (controller codes 1 and 106)
// does not accept.
class InvalidArgumentError : public RobotError {
public:
    using RobotError::RobotError;
};

// The controller did not answer in time (10007): it stopped answering while
// the connection stayed open.
class TimeoutError : public RobotError {
public:
    using RobotError::RobotError;
};

// A blocking move that a stop request (21300) or an event of the controller
// (20000 + the event type, e.g. 20008 for a collision) ended before it
// arrived. what() names the event with the library's text for the code.
class StoppedError : public RobotError {
public:
    using RobotError::RobotError;
    // The event that ended the move: code() - 20000 (1300 for a stop request,
    // 8 for a collision).
    trn::RobotEventType eventType() const noexcept {
        return static_cast<trn::RobotEventType>(code() - 20000);
    }
};

// The cause of a failure, i.e. the class of the error thrown for it.
enum class ErrorKind {
    Other,            // RobotError
    NotConnected,     // NotConnectedError
    Authentication,   // AuthenticationError
    NotStarted,       // NotStartedError
    Target,           // TargetError
    InvalidArgument,  // InvalidArgumentError
    Timeout,          // TimeoutError
    Stopped           // StoppedError
};

// The login command's number on the wire: ControllerRefusal::commandType of
// a refused login.
inline constexpr int kLoginCommandType = 0;

// The cause of the library result code, given the controller's refusal that
// explains it (commandType -1 when there is none: pass a refusal only when
// the call returned 10023 or 10024, or a login returned 10001). The one
// mapping behind every error this layer throws; see "Errors" at the top.
// Never blocks; any thread.
inline ErrorKind errorKind(int code, const trn::ControllerRefusal& refusal) {
    if (refusal.commandType >= 0) {
        if (code == trn::ErrCode_Failed && refusal.commandType == kLoginCommandType) {
            return ErrorKind::Authentication;
        }
        if (code == trn::ErrCode_ResponseReturnError || code == trn::ErrCode_RealRobotNoExist) {
            switch (refusal.controllerCode) {
                case trn::RobotResponseCode_NotLoggedIn:
                    return ErrorKind::NotConnected;
                case trn::RobotResponseCode_AuthenticationFailed:
                    return ErrorKind::Authentication;
                case trn::RobotResponseCode_ArmNotStarted:
                case trn::RobotResponseCode_BrakeEngaged:
                    return ErrorKind::NotStarted;
                case trn::RobotResponseCode_JointOutOfRange:
                case trn::RobotResponseCode_PoseUnreachable:
                    return ErrorKind::Target;
                case trn::RobotResponseCode_RequestFormatError:
                case trn::RobotResponseCode_InvalidValue:
                    return ErrorKind::InvalidArgument;
                default:
                    return ErrorKind::Other;
            }
        }
    }
    switch (code) {
        case trn::ErrCode_ConnectSocketFailed:
        case trn::ErrCode_SocketDisconnect:
            return ErrorKind::NotConnected;
        case trn::ErrCode_ParamError:
            return ErrorKind::InvalidArgument;
        case trn::ErrCode_RequestTimeout:
            return ErrorKind::Timeout;
        case trn::ErrCode_IkFailed:
        case trn::ErrCodeJointOutRange:
        case trn::ErrCodeRelativeTransformIKFailed:
        case trn::ErrCodeIKFailed:
        case trn::ErrCodeTrajectoryJointOutOfRange:
        case trn::ErrCodeControllerIKFailed:
        case trn::ErrCodeMonitorErrJointOutOfRange:
        case trn::ErrCodeJointTargetPositionOutOfRange:
        case trn::ErrCodeJointTargetSpeedOutOfRange:
            return ErrorKind::Target;
        default:
            // 20000 + an event type: a blocking move ended by that event.
            return code >= 20000 && code < 30000 ? ErrorKind::Stopped : ErrorKind::Other;
    }
}

// Settings of a servo stream (Robot::startServo).
struct ServoOptions {
    // Period of the control loop, seconds: 0.0005 to 0.1.
    double periodS = 0.002;
    // Joint speed limit, rad/s, above 0 and at most 10: a target farther from the previous one, in
    // any joint, than this limit times the time since it (at least one period) throws TargetError.
    double maxJointSpeedRadPerS = 3.0;
    // Seconds within which the controller must answer each target, 0.01 to 10; a target sent
    // while an older one has waited longer throws TimeoutError.
    double answerTimeoutS = 0.5;
};
// The figures of a servo stream: cycles, overruns, targets sent, answered and refused, lateness
// and answer-time percentiles, the last target (fields described in TevoRobotServo.h).
using ServoStatus = trn::ServoStreamStatus;

class Robot;

// A running servo stream of a Robot (Robot::startServo): per cycle, waitPeriod() and one
// sendJoints() or sendPose(); stop() or the destructor ends it and the controller brings the arm
// to rest. Move-only; it must not outlive its Robot. One thread drives it (waitPeriod, the
// sends); status(), overruns() and stop() may be called from any thread.
class ServoStream {
public:
    // Takes over other's stream: other's stop() and destructor no longer stop it.
    ServoStream(ServoStream&& other) noexcept
        : robot_(other.robot_), running_(other.running_.exchange(false)) {}
    // Stops the stream held (without throwing), then takes over other's.
    ServoStream& operator=(ServoStream&& other) noexcept {
        if (this != &other) {
            stopQuietly();
            robot_ = other.robot_;
            running_ = other.running_.exchange(false);
        }
        return *this;
    }
    // Not copyable: one stream, one owner.
    ServoStream(const ServoStream&) = delete;
    // Not copyable.
    ServoStream& operator=(const ServoStream&) = delete;
    // Stops the stream when it still runs (one request, at most 2 s); never throws.
    ~ServoStream() { stopQuietly(); }

    // Sleeps until the cycle's deadline on the monotonic clock; returns at once, counting an
    // overrun, when it has passed (the next deadline stays on the period's grid). Throws
    // RobotError when the stream was stopped meanwhile.
    void waitPeriod();
    // Sends six joint angles (rad) as the next target without waiting for the controller (a few
    // microseconds). Throws TargetError for a jump beyond the speed limit (nothing sent),
    // InvalidArgumentError for a non-finite angle; once the controller refused an earlier target,
    // the error of its refusal with its reason (RobotError for the watchdog's code 2); TimeoutError
    // when an answer is overdue; NotConnectedError when the link is lost.
    void sendJoints(const JointsRad& jointsRad);
    // Sends a flange pose (base frame, metres and a unit quaternion) as the next target: inverse
    // kinematics on the branch nearest the last target, then as sendJoints. TargetError, with
    // nothing sent, when no joint angles reach it.
    void sendPose(const Pose& flange);
    // Leaves pass-through mode; the controller brings the arm to rest. One request, at most 2 s.
    // Idempotent: nothing happens when the stream has ended already.
    void stop();
    // The stream's figures, live while it runs and kept after it stops; never blocks.
    ServoStatus status() const;
    // Cycles whose deadline had passed when waitPeriod was called; never blocks.
    std::uint64_t overruns() const { return status().overruns; }

private:
    friend class Robot;
    explicit ServoStream(Robot* robot) : robot_(robot), running_(true) {}
    void stopQuietly() noexcept;

    Robot* robot_;
    // Whether this object still has to stop the stream; stop() may run on another thread.
    std::atomic<bool> running_;
};

// One connection to a controller, logged in for the object's lifetime.
class Robot {
public:
    // Connects and logs in with user and password; blocks for the TCP
    // connect, about 300 ms and the login's few requests (each at most 2 s).
    // Throws AuthenticationError when the controller refuses the user or
    // password, NotConnectedError when it cannot be reached.
    Robot(const std::string& host, int port, const std::string& user, const std::string& password)
        : facade_(new ServiceInterface()) {
        const int ret =
            facade_->robotServiceLogin(host.c_str(), port, user.c_str(), password.c_str());
        if (ret != trn::ErrnoSucc) {
            fail(ret, "login to " + host + ":" + std::to_string(port), refusalBehind(ret, true));
        }
    }
    // Connects and logs in as the constructor above, then supervises the
    // connection with policy (see "Connection supervision"): a lost link is
    // logged in again with backoff, and onConnection tells what happens.
    // Throws InvalidArgumentError, before connecting, for a policy value
    // outside its range.
    Robot(const std::string& host, int port, const std::string& user, const std::string& password,
          const ReconnectPolicy& policy)
        : facade_(new ServiceInterface()) {
        check(facade_->robotServiceSetReconnectPolicy(&policy), "setting the reconnect policy");
        const int ret =
            facade_->robotServiceLogin(host.c_str(), port, user.c_str(), password.c_str());
        if (ret != trn::ErrnoSucc) {
            fail(ret, "login to " + host + ":" + std::to_string(port), refusalBehind(ret, true));
        }
    }
    // Logs out (about 100 ms; within 100 ms during a reconnect backoff). Callbacks stop before
    // the destructor returns.
    ~Robot() {
        if (facade_) facade_->robotServiceLogout();
    }
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;
    Robot(Robot&&) = delete;
    Robot& operator=(Robot&&) = delete;

    // The facade underneath, for operations this layer does not wrap.
    ServiceInterface& facade() { return *facade_; }

    // How many exceptions the application's callbacks have thrown on the
    // library's threads (each reported on stderr as the callbacks section describes);
    // never blocks for long, any thread.
    std::uint64_t callbackErrors() const {
        std::lock_guard<std::mutex> lock(callbackErrorMutex_);
        return callbackErrors_;
    }

    // Whether the link to the controller is up; never blocks.
    bool connected() const {
        bool status = false;
        facade_->robotServiceGetConnectStatus(status);
        return status;
    }

    // ---- Arm lifecycle (blocking until the controller reports the result) ----

    // Powers the arm up and releases the brakes; payloadKg at the flange
    // (centre of mass at the flange), collision class 0 (off) .. 10. Blocks
    // until the arm reports its state, at most 60 s. Returns the arm's state
    // code (ROBOT_SERVICE_STATE); throws unless the arm is working afterwards.
    int startup(double payloadKg = 0.0, int collisionClass = 6) {
        trn::ToolDynamicsParam tool;
        ServiceInterface::initToolDynamicsParamDataType(tool);
        tool.payload = payloadKg;
        trn::ROBOT_SERVICE_STATE state = trn::ROBOT_SERVICE_READY;
        check(facade_->rootServiceRobotStartup(tool, static_cast<uint8_t>(collisionClass), true,
                                               true, 1000, state, true),
              "start-up");
        if (state != trn::ROBOT_SERVICE_WORKING) {
            throw RobotError(trn::ErrCode_Failed, "start-up failed: the arm reported state " +
                                                      std::to_string(state) + ", not working");
        }
        return state;
    }
    // Brakes the arm and powers it off; blocks until the controller reports
    // shut-down done, at most 30 s.
    void shutdown() { check(facade_->robotServiceRobotShutdown(true), "shut-down"); }

    // ---- State (one request each, at most 2 s) --------------------------------

    // Where the arm stands now, as the controller reports it.
    JointsRad jointsRad() {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceGetCurrentWaypointInfo(waypoint),
              "reading the current waypoint");
        return jointsOf(waypoint);
    }
    // The flange pose now, in the base frame.
    Pose flangePose() {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceGetCurrentWaypointInfo(waypoint),
              "reading the current waypoint");
        return poseOf(waypoint);
    }
    // The current waypoint: flange pose (metres, unit quaternion) and joint angles (rad).
    Waypoint currentWaypoint() {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceGetCurrentWaypointInfo(waypoint),
              "reading the current waypoint");
        return waypointOf(waypoint);
    }
    // Each joint's status now (six entries, joint 1 first): positions in rad, currents in mA,
    // motor speeds in 1/100 rpm, voltages in V, temperatures in degrees Celsius.
    std::vector<JointStatus> jointStatus() {
        std::array<trn::JointStatus, 6> raw{};
        check(facade_->robotServiceGetRobotJointStatus(raw.data(), static_cast<int>(raw.size())),
              "reading the joint status");
        std::vector<JointStatus> status;
        status.reserve(raw.size());
        for (const trn::JointStatus& joint : raw) status.push_back(jointStatusOf(joint));
        return status;
    }
    // Stopped (0), running (1), paused (2) or resumed (3).
    trn::RobotState motionState() {
        trn::RobotState state = trn::RobotStopped;
        check(facade_->robotServiceGetRobotCurrentState(state), "reading the motion state");
        return state;
    }
    // Simulated (0) or real arm (1).
    trn::RobotWorkMode workMode() {
        trn::RobotWorkMode mode = trn::RobotModeSimulator;
        check(facade_->robotServiceGetRobotWorkMode(mode), "reading the work mode");
        return mode;
    }
    // Switches between the simulated (0) and the real arm (1).
    void setWorkMode(trn::RobotWorkMode mode) {
        check(facade_->robotServiceSetRobotWorkMode(mode), "setting the work mode");
    }

    // ---- Motion profile (process-wide like the facade's global profile; never blocks)

    // Resets speeds, accelerations, blend radius, offsets and waypoints.
    void resetMoveProfile() { facade_->robotServiceInitGlobalMoveProfile(); }
    // Joint speed limits of joint moves, each in (0, 8.7268] rad/s.
    void setJointMaxSpeedRadPerS(const JointsRad& speeds) {
        trn::JointVelcAccParam p{};
        for (size_t i = 0; i < 6; ++i) p.jointPara[i] = speeds[i];
        check(facade_->robotServiceSetGlobalMoveJointMaxVelc(p), "setting the joint speed limits");
    }
    // Joint acceleration limits of joint moves, rad/s².
    void setJointMaxAccRadPerS2(const JointsRad& accelerations) {
        trn::JointVelcAccParam p{};
        for (size_t i = 0; i < 6; ++i) p.jointPara[i] = accelerations[i];
        check(facade_->robotServiceSetGlobalMoveJointMaxAcc(p),
              "setting the joint acceleration limits");
    }
    // Tool speed of linear moves, (0, 5.01] m/s.
    void setLineMaxSpeedMPerS(double speed) {
        check(facade_->robotServiceSetGlobalMoveEndMaxLineVelc(speed),
              "setting the line speed limit");
    }
    // Tool acceleration of linear moves, (0, 80.01] m/s².
    void setLineMaxAccMPerS2(double acceleration) {
        check(facade_->robotServiceSetGlobalMoveEndMaxLineAcc(acceleration),
              "setting the line acceleration limit");
    }
    // Tool rotation speed of linear moves, (0, 3.1418] rad/s.
    void setAngleMaxSpeedRadPerS(double speed) {
        check(facade_->robotServiceSetGlobalMoveEndMaxAngleVelc(speed),
              "setting the angular speed limit");
    }
    // Tool rotation acceleration of linear moves, (0, 3.1418] rad/s².
    void setAngleMaxAccRadPerS2(double acceleration) {
        check(facade_->robotServiceSetGlobalMoveEndMaxAngleAcc(acceleration),
              "setting the angular acceleration limit");
    }
    // The joint speed limits in force, rad/s.
    JointsRad jointMaxSpeedRadPerS() {
        trn::JointVelcAccParam p{};
        facade_->robotServiceGetGlobalMoveJointMaxVelc(p);
        return jointsOf(p.jointPara);
    }
    // The joint acceleration limits in force, rad/s².
    JointsRad jointMaxAccRadPerS2() {
        trn::JointVelcAccParam p{};
        facade_->robotServiceGetGlobalMoveJointMaxAcc(p);
        return jointsOf(p.jointPara);
    }
    // The tool speed limit of linear moves in force, m/s.
    double lineMaxSpeedMPerS() {
        double speed = 0.0;
        facade_->robotServiceGetGlobalMoveEndMaxLineVelc(speed);
        return speed;
    }
    // The tool acceleration limit of linear moves in force, m/s².
    double lineMaxAccMPerS2() {
        double acceleration = 0.0;
        facade_->robotServiceGetGlobalMoveEndMaxLineAcc(acceleration);
        return acceleration;
    }
    // Blend radius of multi-point moves (moveThrough sets its own), (0, 0.05] m.
    void setBlendRadiusM(double radiusM) {
        check(facade_->robotServiceSetGlobalBlendRadius(static_cast<float>(radiusM)),
              "setting the blend radius");
    }
    // The blend radius in force, m.
    double blendRadiusM() { return facade_->robotServiceGetGlobalBlendRadius(); }
    // An offset (x, y, z in metres, base frame) added to the targets of later moves built from
    // the global profile, until clearRelativeOffset() or resetMoveProfile(); the facade keeps
    // it as float (about 1e-8 m of rounding).
    void setRelativeOffset(const std::array<double, 3>& offsetM) {
        check(facade_->robotServiceSetMoveRelativeParam(relativeOf(offsetM, true)),
              "setting the relative offset");
    }
    // No offset on later moves.
    void clearRelativeOffset() {
        check(facade_->robotServiceSetMoveRelativeParam(relativeOf({0.0, 0.0, 0.0}, false)),
              "clearing the relative offset");
    }
    // Blocking moves return on arrival at the target (the default).
    void setNoArrivalAhead() {
        check(facade_->robotServiceSetNoArrivalAhead(), "clearing the early arrival");
    }
    // Blocking moves return this far before the target, m.
    void setArrivalAheadDistanceM(double distanceM) {
        check(facade_->robotServiceSetArrivalAheadDistanceMode(distanceM),
              "setting the early arrival distance");
    }
    // Blocking moves return this long before the target, s.
    void setArrivalAheadTimeS(double seconds) {
        check(facade_->robotServiceSetArrivalAheadTimeMode(seconds),
              "setting the early arrival time");
    }
    // Moves blend into the next one this far before their target, m.
    void setArrivalAheadBlendM(double distanceM) {
        check(facade_->robotServiceSetArrivalAheadBlendDistanceMode(distanceM),
              "setting the early arrival blend distance");
    }

    // ---- Tool at the flange ----------------------------------------------------
    // The kinematics (whose centre point the moves steer) are a process-wide setting of the
    // library and never block; the dynamics (the payload the controller compensates for) are
    // kept by the controller: one request each, at most 2 s.
    //
    // The tool centre point in the flange frame: position in metres, orientation as a unit
    // quaternion (w, x, y, z).
    void setToolKinematics(const Pose& toolInFlange) {
        check(facade_->robotServiceSetToolKinematicsParam(toolOf(toolInFlange)),
              "setting the tool kinematics");
    }
    // No tool: moves steer the flange centre.
    void clearToolKinematics() {
        check(facade_->robotServiceSetNoneToolKinematicsParam(), "clearing the tool kinematics");
    }
    // The tool centre point in force, in the flange frame (metres, unit quaternion).
    Pose toolKinematics() {
        trn::ToolInEndDesc tool{};
        check(facade_->robotServiceGetToolKinematicsParam(tool), "reading the tool kinematics");
        return poseOf(tool.toolInEndPosition, tool.toolInEndOrientation);
    }
    // The tool's mass (kg) and centre of mass (flange frame, m); the inertia is not sent.
    void setToolDynamics(const ToolDynamics& tool) {
        trn::ToolDynamicsParam param;
        ServiceInterface::initToolDynamicsParamDataType(param);
        param.payload = tool.massKg;
        param.positionX = tool.centreOfMassM[0];
        param.positionY = tool.centreOfMassM[1];
        param.positionZ = tool.centreOfMassM[2];
        check(facade_->robotServiceSetToolDynamicsParam(param), "setting the tool dynamics");
    }
    // No payload.
    void clearToolDynamics() {
        check(facade_->robotServiceSetNoneToolDynamicsParam(), "clearing the tool dynamics");
    }
    // The payload the controller holds: mass (kg) and centre of mass (flange frame, m).
    ToolDynamics toolDynamics() {
        trn::ToolDynamicsParam param;
        ServiceInterface::initToolDynamicsParamDataType(param);
        check(facade_->robotServiceGetToolDynamicsParam(param), "reading the tool dynamics");
        return ToolDynamics{param.payload, {param.positionX, param.positionY, param.positionZ}};
    }

    // ---- Moves ----------------------------------------------------------------
    // Blocking (the default): returns when the arm arrived, without a time-out
    // while the controller answers; StoppedError when a stop or an event ended
    // the move, TimeoutError within 5 s when the controller stops answering,
    // NotConnectedError at once when the link drops. Not blocking: one request
    // (at most 2 s), returns once the controller accepted the move. One
    // blocking move at a time per Robot; stop(), pause() and resume() may be
    // called from other threads meanwhile.
    //
    // A joint-interpolated move to targetRad (six joint angles, rad).
    void moveJoint(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceJointMove(target.data(), blocking), "joint move");
    }
    // A straight tool path to the flange pose of targetRad (six joint angles, rad), arriving at
    // those joint angles.
    void moveLine(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceLineMove(target.data(), blocking), "linear move");
    }
    // A straight tool path to a full flange pose in the base frame (position in metres,
    // orientation as a unit quaternion w, x, y, z). The joint angles are solved locally, the
    // solution nearest to the current joint angles (one request reads them first), then moved
    // to as moveLine. TargetError when no joint angles reach the pose.
    void moveLineToPose(const Pose& target, bool blocking = true) {
        moveLine(inverse(target, jointsRad()), blocking);
    }
    // A joint-interpolated move to a full flange pose in the base frame (metres, unit
    // quaternion), solved as moveLineToPose, moved as moveJoint.
    void moveJointToPose(const Pose& target, bool blocking = true) {
        moveJoint(inverse(target, jointsRad()), blocking);
    }
    // A straight tool path that puts the flange centre at positionM (x, y, z in metres, base
    // frame), keeping the current flange orientation: one request reads the joint angles, the
    // target is solved from them, then moved to as moveLine. TargetError when out of reach.
    void moveLineToPosition(const std::array<double, 3>& positionM, bool blocking = true) {
        check(facade_->robotMoveLineToTargetPosition(baseFrame(), posOf(positionM), flangeTool(),
                                                     blocking),
              "linear move to a position");
    }
    // A joint-interpolated move that puts the flange centre at positionM (x, y, z in metres,
    // base frame), keeping the current flange orientation; solved as moveLineToPosition.
    void moveJointToPosition(const std::array<double, 3>& positionM, bool blocking = true) {
        check(facade_->robotMoveJointToTargetPosition(baseFrame(), posOf(positionM), flangeTool(),
                                                      blocking),
              "joint move to a position");
    }
    // A straight tool path that moves the flange centre by offsetM (x, y, z in metres, base
    // frame) from where it stands, keeping its orientation: one request reads the arm's
    // waypoint, the target's joint angles are solved nearest to the current ones, then moved to
    // as moveLine. TargetError when out of reach.
    void moveRelative(const std::array<double, 3>& offsetM, bool blocking = true) {
        const Waypoint here = currentWaypoint();
        Pose target = here.flange;
        for (size_t i = 0; i < 3; ++i) target.positionM[i] += offsetM[i];
        moveLine(inverse(target, here.jointsRad), blocking);
    }
    // The former name of moveLineToPose: a straight tool path to a full flange pose.
    [[deprecated("use moveLineToPose")]] void moveLineTo(const Pose& target, bool blocking = true) {
        moveLineToPose(target, blocking);
    }
    // One blended move through every waypoint (six joint angles each, rad), blendRadiusM in
    // (0, 0.05] m; blocks until the last one is reached, as every move. Uses and then clears
    // the process-wide waypoint list and leaves the blend radius set.
    void moveThrough(const std::vector<JointsRad>& waypointsRad, double blendRadiusM = 0.02,
                     bool blocking = true) {
        facade_->robotServiceClearGlobalWayPointVector();
        for (const JointsRad& q : waypointsRad) {
            check(facade_->robotServiceAddGlobalWayPoint(q.data()), "adding a waypoint");
        }
        check(facade_->robotServiceSetGlobalBlendRadius(static_cast<float>(blendRadiusM)),
              "setting the blend radius");
        const int ret = facade_->robotServiceTrackMove(trn::CARTESIAN_MOVEP, blocking);
        // The refusal is read before the clear below: both run on this thread.
        const trn::ControllerRefusal refusal = refusalBehind(ret, false);
        facade_->robotServiceClearGlobalWayPointVector();
        if (ret != trn::ErrnoSucc) fail(ret, "multi-point move", refusal);
    }
    // Ends the running move with a controlled stop (the arm decelerates); a
    // blocking move waiting on another thread ends with StoppedError. One
    // request plus up to 4 s for the controller's done event.
    void stop() { check(facade_->robotMoveStop(), "stop"); }
    // Holds the running move; one request plus up to 4 s, as stop().
    void pause() { check(facade_->rootServiceRobotMoveControl(trn::RobotMovePause), "pause"); }
    // Continues a paused move; one request plus up to 4 s, as stop().
    void resume() {
        check(facade_->rootServiceRobotMoveControl(trn::RobotMoveContinue), "continue");
    }

    // ---- Kinematics (local, on the logged-in arm's model; never block) -------

    // The flange pose of these joint angles.
    Pose forward(const JointsRad& jointsRad) {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceRobotFk(jointsRad.data(), 6, waypoint), "forward kinematics");
        return poseOf(waypoint);
    }
    // The solution nearest to referenceRad; TargetError when the pose is out
    // of reach.
    JointsRad inverse(const Pose& pose, const JointsRad& referenceRad) {
        trn::wayPoint_S waypoint{};
        const trn::Pos position{pose.positionM[0], pose.positionM[1], pose.positionM[2]};
        const trn::Ori ori{pose.quaternionWxyz[0], pose.quaternionWxyz[1], pose.quaternionWxyz[2],
                           pose.quaternionWxyz[3]};
        check(facade_->robotServiceRobotIk(referenceRad.data(), position, ori, waypoint),
              "inverse kinematics");
        return jointsOf(waypoint);
    }

    // ---- Interface-board and tool I/O (one request each, at most 2 s) ---------
    // Board points by name within their type: user digital outputs "U_DO_00".."U_DO_17",
    // user digital inputs "U_DI_00".."U_DI_17" and "F1".."F6", user analog outputs "VO0",
    // "VO1" (V) and "CO0", "CO1" (mA), user analog inputs "VI0".."VI3" (V); controller points
    // through boardIo() / setBoardIo(). Digital values read 0 or 1. A name outside the
    // catalogue throws InvalidArgumentError before anything is sent. The tool has four digital
    // lines 0..3, each an input or an output, and two analog inputs 0 and 1 (V).
    //
    // A user digital output by name ("U_DO_00" ..), true = high.
    void setDigitalOutput(const std::string& name, bool high) {
        setBoardIo(trn::RobotBoardUserDO, name, high ? 1.0 : 0.0);
    }
    // A user digital output's level as the controller reports it, true = high.
    bool digitalOutput(const std::string& name) {
        return boardIo(trn::RobotBoardUserDO, name) != 0.0;
    }
    // A user digital input by name ("U_DI_00" ..), true = high.
    bool digitalInput(const std::string& name) {
        return boardIo(trn::RobotBoardUserDI, name) != 0.0;
    }
    // A user analog output by name ("VO0" ..), volts.
    void setAnalogOutputV(const std::string& name, double volts) {
        setBoardIo(trn::RobotBoardUserAO, name, volts);
    }
    // A user analog output's value as the controller reports it, volts.
    double analogOutputV(const std::string& name) { return boardIo(trn::RobotBoardUserAO, name); }
    // A user analog input by name ("VI0" ..), volts.
    double analogInputV(const std::string& name) { return boardIo(trn::RobotBoardUserAI, name); }
    // Any board point by type and name: digital 0 or 1, analog in V (current outputs in mA).
    double boardIo(trn::RobotIoType type, const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetBoardIOStatus(type, name, value), "reading " + name);
        return value;
    }
    // Any board output by type and name: a digital output is switched high by a value above
    // 0.5; analog in V (current outputs in mA).
    void setBoardIo(trn::RobotIoType type, const std::string& name, double value) {
        check(facade_->robotServiceSetBoardIOStatus(type, name, value), "setting " + name);
    }
    // Makes tool digital line 0..3 an input (IO_IN) or an output (IO_OUT); one request plus up
    // to three read-backs 150 ms apart until the controller reports it.
    void setToolIoType(int line, trn::ToolIOType direction) {
        check(facade_->robotServiceSetToolDigitalIOType(static_cast<trn::ToolDigitalIOAddr>(line),
                                                        direction),
              "setting the direction of tool line " + std::to_string(line));
    }
    // A tool digital line configured as output, by number 0..3, true = high.
    void setToolDigitalOutput(int line, bool high) {
        check(facade_->robotServiceSetToolDOStatus(
                  static_cast<trn::ToolDigitalIOAddr>(line),
                  high ? trn::IO_STATUS_VALID : trn::IO_STATUS_INVALID),
              "setting tool output " + std::to_string(line));
    }
    // A tool digital line's level (input or output), by number 0..3, true = high.
    bool toolDigitalLine(int line) { return toolIo("T_DI/O_0" + std::to_string(line)) != 0.0; }
    // A tool analog input by number 0..1, volts.
    double toolAnalogInputV(int index) { return toolIo("T_AI_0" + std::to_string(index)); }
    // Any tool point by name ("T_DI/O_00".."T_DI/O_03": 0 or 1; "T_AI_00", "T_AI_01": V).
    double toolIo(const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetToolIoStatus(name, value), "reading " + name);
        return value;
    }
    // The tool supply: OUT_0V, OUT_12V or OUT_24V; one request plus up to three read-backs
    // 150 ms apart until the controller reports it.
    void setToolPowerType(trn::ToolPowerType type) {
        check(facade_->robotServiceSetToolPowerVoltageType(type), "setting the tool supply");
    }
    // The tool supply type in effect.
    trn::ToolPowerType toolPowerType() {
        trn::ToolPowerType type = trn::OUT_0V;
        check(facade_->robotServiceGetToolPowerVoltageType(type), "reading the tool supply");
        return type;
    }
    // The tool supply's voltage as the controller reports it, V.
    double toolPowerVoltageV() {
        double volts = 0.0;
        check(facade_->robotServiceGetToolPowerVoltageStatus(volts),
              "reading the tool supply voltage");
        return volts;
    }

    // ---- Offline tracks --------------------------------------------------------
    // The controller holds one track of joint points that it plays back at its own pace; each
    // call but the blocking start is one request (at most 2 s).
    //
    // Empties the controller's track.
    void clearOfflineTrack() {
        check(facade_->robotServiceOfflineTrackWaypointClear(), "clearing the offline track");
    }
    // Appends joint points (six angles each, rad), at most 5000 per call.
    void appendOfflineTrack(const std::vector<JointsRad>& pointsRad) {
        std::vector<trn::wayPoint_S> points(pointsRad.size());
        for (size_t i = 0; i < pointsRad.size(); ++i) {
            for (size_t j = 0; j < 6; ++j) points[i].jointpos[j] = pointsRad[i][j];
        }
        check(facade_->robotServiceOfflineTrackWaypointAppend(points),
              "appending to the offline track");
    }
    // Appends the points of a file: six joint angles (rad) per line, separated by one comma,
    // blank, tab or semicolon; blank and '#' lines skipped. The whole file is checked first:
    // InvalidArgumentError for a bad line or a missing file, nothing sent. One request per
    // 2000 points.
    void appendOfflineTrackFile(const std::string& path) {
        check(facade_->robotServiceOfflineTrackWaypointAppend(path.c_str()),
              "appending " + path + " to the offline track");
    }
    // Plays the track from the arm's start at its first point; blocking as a move (see
    // "Moves"), else one request.
    void startOfflineTrack(bool blocking = true) {
        check(facade_->robotServiceOfflineTrackMoveStartup(blocking), "offline track");
    }
    // Stops a playing track; a blocking start waiting on another thread ends with StoppedError.
    void stopOfflineTrack() {
        check(facade_->robotServiceOfflineTrackMoveStop(), "stopping the offline track");
    }

    // ---- Customer tracks ----------------------------------------------------------
    // A long tool-pose path, parsed and checked locally into joint points, cached in the
    // process and played piece by piece as blended moves.
    //
    // Parses a tool-pose file ("x y z rx ry rz" per line: millimetres and roll, pitch, yaw in
    // degrees, blank-separated) for the tool centre point toolInFlange (flange frame: metres,
    // unit quaternion; the flange itself by default), solving from referenceRad (six joint
    // angles, rad), and caches it for moveCachedTrack(). Returns the track's first waypoint:
    // move there first. Local, no request; a failed check throws and empties the cache.
    Waypoint cacheTrackFile(const std::string& path, const JointsRad& referenceRad,
                            const Pose& toolInFlange = Pose{}) {
        trn::ToolInEndDesc tool = toolOf(toolInFlange);
        trn::wayPoint_S first{};
        check(facade_->parseRoadPointFileAndCacheResult(path.c_str(), referenceRad.data(), tool,
                                                        first),
              "caching the track " + path);
        return waypointOf(first);
    }
    // The checked and smoothed flange waypoints of a tool-pose file, as cacheTrackFile would
    // cache them (format POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT: "x y z rx ry rz" in mm and
    // degrees, or POSITION_M_AND_QUATERNION_COMMA_SPLIT: "x,y,z,qw,qx,qy,qz" in metres); tool
    // and reference as there. Local, no request.
    std::vector<Waypoint> parseTrackFile(const std::string& path,
                                         trn::POSITION_ORIENTATION_TYPE format,
                                         const JointsRad& referenceRad,
                                         const Pose& toolInFlange = Pose{}) {
        std::vector<trn::wayPoint_S> parsed;
        check(facade_->parseFileAsRoadpointCollection(path.c_str(), format, referenceRad.data(),
                                                      toolOf(toolInFlange), parsed),
              "parsing the track " + path);
        std::vector<Waypoint> waypoints;
        waypoints.reserve(parsed.size());
        for (const trn::wayPoint_S& w : parsed) waypoints.push_back(waypointOf(w));
        return waypoints;
    }
    // Plays the cached track, blocking until its last piece ends (no time-out while the
    // controller answers, as a blocking move); onMoveProgress receives indices into the track
    // meanwhile. The cache stays for a replay.
    void moveCachedTrack() { check(facade_->moveCacheTrack(), "cached track"); }

    // ---- Callbacks (an empty function switches the callback off) --------------
    // Setting one waits while the callback it replaces is running; the push
    // kinds (joint status, joint angles and waypoints, end speed) also switch
    // the controller's push (one request each way). After it returns, the old
    // function is not called again. A callback that throws does not reach the
    // library's thread: its first exception is reported on stderr with its
    // text, later ones are counted and summed up at most every 5 s
    // (callbackErrors() counts them all), and the callback keeps being called.
    //
    // Each joint's status (joint 1 first) at the controller's push rate, on the receive thread:
    // positions in rad, currents in mA, motor speeds in 1/100 rpm, voltages in V, temperatures
    // in degrees Celsius.
    void onJointStatus(std::function<void(const std::vector<JointStatus>&)> callback) {
        replace(jointStatus_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeJointStatusCallback(
                on ? &Robot::jointStatusThunk : nullptr, on ? this : nullptr);
        });
    }
    // The joint angles (rad) at the controller's push rate, on the receive thread.
    void onJointAngles(std::function<void(const JointsRad&)> callback) {
        replaceWaypointPush(jointAngles_, std::move(callback));
    }
    // The current waypoint (flange pose in metres and a unit quaternion, joint angles in rad)
    // at the controller's push rate, on the receive thread; the same push as onJointAngles.
    void onWaypoint(std::function<void(const Waypoint&)> callback) {
        replaceWaypointPush(waypoint_, std::move(callback));
    }
    // Robot events (arrivals, stops, collisions, power changes ...), on the
    // event thread, one at a time in arrival order.
    void onEvent(std::function<void(const Event&)> callback) {
        replace(event_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRobotEventInfoCallback(on ? &Robot::eventThunk : nullptr,
                                                                on ? this : nullptr);
        });
    }
    // The tool's speed in m/s at the push rate, on the receive thread.
    void onEndSpeed(std::function<void(double)> callback) {
        replace(endSpeed_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeEndSpeedCallback(
                on ? &Robot::endSpeedThunk : nullptr, on ? this : nullptr);
        });
    }
    // The former name of onEndSpeed: the tool's speed in m/s.
    [[deprecated("use onEndSpeed")]] void onToolSpeed(std::function<void(double)> callback) {
        onEndSpeed(std::move(callback));
    }
    // Progress of a multi-point move: the controller's step number (an index
    // into the track while a cached track plays), on the receive thread.
    void onMoveProgress(std::function<void(int)> callback) {
        replace(progress_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterMovepStepNumNotifyCallback(
                on ? &Robot::progressThunk : nullptr, on ? this : nullptr);
        });
    }

    // ---- Connection supervision ----
    // A Robot built with a ReconnectPolicy watches its link. When the link is
    // lost (closed or reset by the controller or the network, or silent for
    // the policy's silenceSec) it logs in again with the same address and
    // credentials, with backoff, until it succeeds or giveUpAfterSec pass.
    // What the application set up survives: its callbacks, the pushes they
    // switched on, the motion profile. A move never does: a blocking move
    // waiting when the link died throws NotConnectedError and is not sent
    // again. While the link is down every call throws NotConnectedError at
    // once, without waiting for the reconnect. The destructor ends the
    // supervision; during a backoff it returns within 100 ms.
    //
    // The connection events, on the supervisor's thread, one at a time, with
    // no library lock held (the function may call this Robot, blocking calls
    // included): LinkLost with its reason, Reconnecting before each attempt
    // (attempt counts from 1), Reconnected, GaveUp. Setting it waits while the
    // one it replaces is running; an exception it throws is reported as for
    // the other callbacks. An empty function switches it off.
    void onConnection(std::function<void(const ConnectionEvent&)> callback) {
        replace(connection_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterConnectionEventCallback(
                on ? &Robot::connectionThunk : nullptr, on ? this : nullptr);
        });
    }
    // Successful logins of this Robot so far: 1 after the constructor, one more for each
    // reconnect. Never blocks; any thread.
    std::uint64_t loginCount() const { return facade_->robotServiceLoginCount(); }

    // ---- Servo streaming ----
    // A control loop that sends one joint or pose target per period (down to 0.5 ms), which the
    // controller follows as it comes: startServo() returns the stream, the loop calls waitPeriod()
    // and one send per cycle. A send only writes the target (encoding and one write: a few
    // microseconds) and never waits for the controller; a refusal or a missing answer of an
    // earlier target makes a later send throw. A cycle that starts late counts as an overrun and
    // the next deadline stays on the period's grid (no drift, no burst). When no target comes
    // for the controller's watchdog time, it brings the arm to rest and sends the event
    // RobotEventControllerTrackingLost (onEvent); stop the stream and start a new one.
    //
    // Starts a stream: reads the joint angles (the first target must be near them) and enters
    // pass-through mode, two requests of at most 2 s each. InvalidArgumentError for options
    // outside their ranges; RobotError when this Robot streams already.
    ServoStream startServo(const ServoOptions& options = {}) {
        trn::ServoStreamOptions o;
        o.periodSec = options.periodS;
        o.maxJointSpeed = options.maxJointSpeedRadPerS;
        o.answerTimeoutSec = options.answerTimeoutS;
        check(facade_->robotServiceServoStart(o), "starting the servo stream");
        return ServoStream(this);
    }

    // The library's text of a result code; never blocks.
    std::string errorText(int code) {
        return facade_->getErrDescByCode(static_cast<trn::RobotErrorCode>(code));
    }

private:
    friend class ServoStream;

    void check(int ret, const std::string& operation) {
        if (ret != trn::ErrnoSucc) fail(ret, operation, refusalBehind(ret, false));
    }

    // The controller's refusal behind a result, read on the thread that made
    // the call and before it makes another: kept for 10023 and 10024, and
    // for 10001 from a login. Otherwise none (commandType -1), so that an
    // older refusal of this thread is never taken for the cause.
    static trn::ControllerRefusal refusalBehind(int code, bool login) {
        const bool refused = code == trn::ErrCode_ResponseReturnError ||
                             code == trn::ErrCode_RealRobotNoExist ||
                             (login && code == trn::ErrCode_Failed);
        return refused ? ServiceInterface::lastControllerRefusal() : trn::ControllerRefusal{};
    }

    // Throws the error of errorKind() for code, its what() a sentence:
    // "<operation> refused by the controller: <reason> (controller code N)",
    // "<operation> refused: <reason> (controller code N)" for a login,
    // "<operation> stopped: <text> (code N)" for a move an event ended (StoppedError),
    // "<operation> failed: <text> (code N)" otherwise.
    [[noreturn]] void fail(int code, const std::string& operation,
                           const trn::ControllerRefusal& refusal) {
        const ErrorKind kind = errorKind(code, refusal);
        const bool refused = kind == ErrorKind::Authentication ||
                             code == trn::ErrCode_ResponseReturnError ||
                             code == trn::ErrCode_RealRobotNoExist;
        std::string what;
        int controllerCode = 0;
        std::string controllerText;
        if (refused && refusal.commandType >= 0) {
            controllerCode = refusal.controllerCode;
            controllerText = refusal.text;
            what = operation +
                   (kind == ErrorKind::Authentication ? " refused: "
                                                      : " refused by the controller: ") +
                   refusal.text + " (controller code " + std::to_string(controllerCode) + ")";
        } else {
            const std::string text = errorText(code);
            what = operation + (kind == ErrorKind::Stopped ? " stopped" : " failed") +
                   (text.empty() ? std::string() : ": " + text) + " (code " + std::to_string(code) +
                   ")";
        }
        switch (kind) {
            case ErrorKind::NotConnected:
                throw NotConnectedError(code, what, controllerCode, controllerText);
            case ErrorKind::Authentication:
                throw AuthenticationError(code, what, controllerCode, controllerText);
            case ErrorKind::NotStarted:
                throw NotStartedError(code, what, controllerCode, controllerText);
            case ErrorKind::Target:
                throw TargetError(code, what, controllerCode, controllerText);
            case ErrorKind::InvalidArgument:
                throw InvalidArgumentError(code, what, controllerCode, controllerText);
            case ErrorKind::Timeout:
                throw TimeoutError(code, what, controllerCode, controllerText);
            case ErrorKind::Stopped:
                throw StoppedError(code, what, controllerCode, controllerText);
            case ErrorKind::Other:
                break;
        }
        throw RobotError(code, what, controllerCode, controllerText);
    }

    static JointsRad jointsOf(const double* angles) {
        JointsRad q{};
        for (size_t i = 0; i < 6; ++i) q[i] = angles[i];
        return q;
    }
    static JointsRad jointsOf(const trn::wayPoint_S& waypoint) {
        return jointsOf(waypoint.jointpos);
    }
    static Pose poseOf(const trn::Pos& position, const trn::Ori& orientation) {
        Pose pose;
        pose.positionM = {position.x, position.y, position.z};
        pose.quaternionWxyz = {orientation.w, orientation.x, orientation.y, orientation.z};
        return pose;
    }
    static Pose poseOf(const trn::wayPoint_S& waypoint) {
        return poseOf(waypoint.cartPos.position, waypoint.orientation);
    }
    static Waypoint waypointOf(const trn::wayPoint_S& waypoint) {
        return Waypoint{poseOf(waypoint), jointsOf(waypoint)};
    }
    static JointStatus jointStatusOf(const trn::JointStatus& joint) {
        constexpr double kRadPerDegree = 3.14159265358979323846 / 180.0;
        return JointStatus{joint.jointCurrentI,
                           joint.jointSpeedMoto,
                           joint.jointPosJ * kRadPerDegree,
                           joint.jointCurVol,
                           joint.jointCurTemp,
                           joint.jointTagCurrentI,
                           joint.jointTagSpeedMoto,
                           joint.jointTagPosJ * kRadPerDegree,
                           joint.jointErrorNum};
    }
    static trn::Pos posOf(const std::array<double, 3>& positionM) {
        return trn::Pos{positionM[0], positionM[1], positionM[2]};
    }
    static trn::ToolInEndDesc toolOf(const Pose& toolInFlange) {
        return trn::ToolInEndDesc{
            posOf(toolInFlange.positionM),
            trn::Ori{toolInFlange.quaternionWxyz[0], toolInFlange.quaternionWxyz[1],
                     toolInFlange.quaternionWxyz[2], toolInFlange.quaternionWxyz[3]}};
    }
    // No tool: targets are the flange centre's.
    static trn::ToolInEndDesc flangeTool() { return toolOf(Pose{}); }
    // Targets and offsets given in the base frame.
    static trn::CoordCalibrateByJointAngleAndTool baseFrame() {
        trn::CoordCalibrateByJointAngleAndTool frame{};
        frame.coordType = trn::BaseCoordinate;
        frame.toolDesc = flangeTool();
        return frame;
    }
    // A translation without rotation; the facade carries it as float.
    static trn::MoveRelative relativeOf(const std::array<double, 3>& offsetM, bool enabled) {
        trn::MoveRelative relative{};
        relative.ena = enabled;
        for (size_t i = 0; i < 3; ++i)
            relative.relativePosition[i] = static_cast<float>(offsetM[i]);
        relative.relativeOri = trn::Ori{1.0, 0.0, 0.0, 0.0};
        return relative;
    }

    // Unregistering first waits for a running call of the old function (the
    // facade holds the callback's lock while it runs), so the function is
    // never replaced under a running call.
    template <typename Function, typename Register>
    void replace(Function& slot, Function callback, Register registerWithFacade) {
        registerWithFacade(false);
        slot = std::move(callback);
        if (slot) registerWithFacade(true);
    }

    // The joint angles and the waypoint callbacks share the facade's one waypoint push: it is
    // registered while either is set.
    template <typename Function>
    void replaceWaypointPush(Function& slot, Function callback) {
        const auto registerPush = [this](bool on) {
            facade_->robotServiceRegisterRealTimeRoadPointCallback(
                on ? &Robot::waypointThunk : nullptr, on ? this : nullptr);
        };
        registerPush(false);
        slot = std::move(callback);
        if (jointAngles_ || waypoint_) registerPush(true);
    }

    static void jointStatusThunk(const trn::JointStatus* status, int size, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (status == nullptr || size <= 0 || !self->jointStatus_) return;
        std::vector<JointStatus> joints;
        joints.reserve(static_cast<size_t>(size));
        for (int i = 0; i < size; ++i) joints.push_back(jointStatusOf(status[i]));
        self->guarded("onJointStatus", [&] { self->jointStatus_(joints); });
    }
    static void waypointThunk(const trn::wayPoint_S* waypoint, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (waypoint == nullptr) return;
        if (self->jointAngles_)
            self->guarded("onJointAngles", [&] { self->jointAngles_(jointsOf(*waypoint)); });
        if (self->waypoint_)
            self->guarded("onWaypoint", [&] { self->waypoint_(waypointOf(*waypoint)); });
    }
    static void eventThunk(const trn::RobotEventInfo* info, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (info != nullptr && self->event_) {
            self->guarded("onEvent", [&] {
                self->event_(
                    Event{static_cast<int>(info->eventType), info->eventCode, info->eventContent});
            });
        }
    }
    static void endSpeedThunk(double speed, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (self->endSpeed_) self->guarded("onEndSpeed", [&] { self->endSpeed_(speed); });
    }
    static void progressThunk(int step, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (self->progress_) self->guarded("onMoveProgress", [&] { self->progress_(step); });
    }

    static void connectionThunk(const trn::ConnectionEvent* event, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (event == nullptr || !self->connection_) return;
        ConnectionEvent e;
        e.kind = static_cast<ConnectionEventKind>(event->kind);
        e.reason = static_cast<LinkLossReason>(event->reason);
        e.attempt = event->attempt;
        e.sinceLossS = event->sinceLossSec;
        // The text is NUL-terminated within its array; never read past it.
        const char* end =
            static_cast<const char*>(std::memchr(event->text, '\0', sizeof event->text));
        e.text.assign(event->text, end != nullptr ? end : event->text + sizeof event->text);
        self->guarded("onConnection", [&] { self->connection_(e); });
    }

    // Runs a user callback on a library thread; an exception it throws is
    // reported (the first one with its text, then a count at most every 5 s)
    // and kept from the library's thread.
    template <typename Call>
    void guarded(const char* callback, Call&& call) noexcept {
        try {
            call();
        } catch (const std::exception& e) {
            callbackFailed(callback, e.what());
        } catch (...) {
            callbackFailed(callback, "an exception of unknown type");
        }
    }
    void callbackFailed(const char* callback, const char* what) noexcept {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard<std::mutex> lock(callbackErrorMutex_);
        ++callbackErrors_;
        if (callbackErrors_ == 1) {
            std::fprintf(stderr,
                         "tevo::Robot: callback %s threw: %s (later exceptions are counted)\n",
                         callback, what);
            lastCallbackReport_ = now;
            return;
        }
        ++unreportedCallbackErrors_;
        if (now - lastCallbackReport_ >= std::chrono::seconds(5)) {
            std::fprintf(stderr, "tevo::Robot: callbacks threw %llu more times; the last, %s: %s\n",
                         static_cast<unsigned long long>(unreportedCallbackErrors_), callback,
                         what);
            unreportedCallbackErrors_ = 0;
            lastCallbackReport_ = now;
        }
    }

    mutable std::mutex callbackErrorMutex_;
    std::uint64_t callbackErrors_ = 0;
    std::uint64_t unreportedCallbackErrors_ = 0;
    std::chrono::steady_clock::time_point lastCallbackReport_{};

    // Declared first: destroyed last, after the facade has stopped calling.
    std::function<void(const std::vector<JointStatus>&)> jointStatus_;
    std::function<void(const JointsRad&)> jointAngles_;
    std::function<void(const Waypoint&)> waypoint_;
    std::function<void(const Event&)> event_;
    std::function<void(double)> endSpeed_;
    std::function<void(int)> progress_;
    std::function<void(const ConnectionEvent&)> connection_;
    std::unique_ptr<ServiceInterface> facade_;
};

inline void ServoStream::waitPeriod() {
    robot_->check(robot_->facade_->robotServiceServoWaitPeriod(), "servo wait");
}
inline void ServoStream::sendJoints(const JointsRad& jointsRad) {
    robot_->check(robot_->facade_->robotServiceServoJoint(jointsRad.data()), "servo target");
}
inline void ServoStream::sendPose(const Pose& flange) {
    const trn::Ori ori{flange.quaternionWxyz[0], flange.quaternionWxyz[1], flange.quaternionWxyz[2],
                       flange.quaternionWxyz[3]};
    robot_->check(robot_->facade_->robotServiceServoPose(Robot::posOf(flange.positionM), ori),
                  "servo pose target");
}
inline void ServoStream::stop() {
    if (!running_.exchange(false)) return;
    const int ret = robot_->facade_->robotServiceServoStop();
    // ErrCode_Failed: another thread stopped it already.
    if (ret != trn::ErrCode_Failed) robot_->check(ret, "stopping the servo stream");
}
inline ServoStatus ServoStream::status() const {
    ServoStatus status;
    robot_->facade_->robotServiceServoStatus(status);
    return status;
}
inline void ServoStream::stopQuietly() noexcept {
    if (running_.exchange(false)) robot_->facade_->robotServiceServoStop();
}

}  // namespace tevo

#endif  // TEVO_ROBOT_HPP
