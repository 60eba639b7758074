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
//     library's threads (events on the event thread, everything else on the
//     receive thread): keep them short, and do not call blocking operations
//     of the same Robot from them (the library refuses requests from its
//     receive thread). They may run until the Robot's destructor returns
//     (the log-out sends events), so what they capture must outlive it.
//
// Errors: every failure throws RobotError or one of its subclasses, picked
// from the library's code and, when the controller refused the request, the
// controller's own code (errorKind() is the one mapping):
//
//     NotConnectedError     10003, 10004; controller code 100 (not logged in)
//     AuthenticationError   a login the controller refused (10001 with a
//                           refusal of the login); controller code 101
//     NotStartedError       controller codes 102 (arm not started), 103 (brakes)
//     TargetError           10012 (no inverse kinematics); controller codes 104,
//                           105; moves ended for a joint out of range or an
//                           unsolvable target (21006, 21010, 21104, 21108,
//                           21200, 21206, 22121)
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
#include <functional>
#include <memory>
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

// A robot event as the controller reported it.
struct Event {
    int type = 0;      // tevo_robot_namespace::RobotEventType
    int code = 0;      // event specific, e.g. the joint concerned
    std::string text;  // text attached by the controller or the library
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
            return ErrorKind::Target;
        default:
            // 20000 + an event type: a blocking move ended by that event.
            return code >= 20000 && code < 30000 ? ErrorKind::Stopped : ErrorKind::Other;
    }
}

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
    // Logs out (about 100 ms). Callbacks stop before the destructor returns.
    ~Robot() {
        if (facade_) facade_->robotServiceLogout();
    }
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;
    Robot(Robot&&) = delete;
    Robot& operator=(Robot&&) = delete;

    // The facade underneath, for operations this layer does not wrap.
    ServiceInterface& facade() { return *facade_; }

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

    // ---- Moves ----------------------------------------------------------------
    // Blocking (the default): returns when the arm arrived, without a time-out
    // while the controller answers; StoppedError when a stop or an event ended
    // the move, TimeoutError within 5 s when the controller stops answering,
    // NotConnectedError at once when the link drops. Not blocking: one request
    // (at most 2 s), returns once the controller accepted the move. One
    // blocking move at a time per Robot; stop(), pause() and resume() may be
    // called from other threads meanwhile.

    // A joint-interpolated move to targetRad.
    void moveJoint(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceJointMove(target.data(), blocking), "joint move");
    }
    // A straight tool path to the pose of these joint angles.
    void moveLine(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceLineMove(target.data(), blocking), "linear move");
    }
    // A straight tool path to a flange pose, solved from the current joints
    // (one request to read them first); TargetError when no joint angles
    // reach the pose.
    void moveLineTo(const Pose& target, bool blocking = true) {
        moveLine(inverse(target, jointsRad()), blocking);
    }
    // One blended move through every waypoint, blendRadiusM in (0, 0.05] m.
    // Uses and then clears the process-wide waypoint list.
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

    // A user digital output by name ("U_DO_00" ..), true = high.
    void setDigitalOutput(const std::string& name, bool high) {
        check(facade_->robotServiceSetBoardIOStatus(trn::RobotBoardUserDO, name, high ? 1.0 : 0.0),
              "setting " + name);
    }
    // A user digital input by name ("U_DI_00" ..), true = high.
    bool digitalInput(const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetBoardIOStatus(trn::RobotBoardUserDI, name, value),
              "reading " + name);
        return value != 0.0;
    }
    // A user analog output by name ("VO0" ..), volts.
    void setAnalogOutputV(const std::string& name, double volts) {
        check(facade_->robotServiceSetBoardIOStatus(trn::RobotBoardUserAO, name, volts),
              "setting " + name);
    }
    // A user analog input by name ("VI0" ..), volts.
    double analogInputV(const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetBoardIOStatus(trn::RobotBoardUserAI, name, value),
              "reading " + name);
        return value;
    }
    // A tool digital line configured as output, by number 0..3.
    void setToolDigitalOutput(int line, bool high) {
        check(facade_->robotServiceSetToolDOStatus(
                  static_cast<trn::ToolDigitalIOAddr>(line),
                  high ? trn::IO_STATUS_VALID : trn::IO_STATUS_INVALID),
              "setting tool output " + std::to_string(line));
    }

    // ---- Callbacks (an empty function switches the callback off) --------------
    // Setting one waits while the callback it replaces is running; the push
    // kinds (joint angles, tool speed) also switch the controller's push (one
    // request). After it returns, the old function is not called again.

    // The joint angles at the controller's push rate, on the receive thread.
    void onJointAngles(std::function<void(const JointsRad&)> callback) {
        replace(jointAngles_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeRoadPointCallback(
                on ? &Robot::jointAnglesThunk : nullptr, on ? this : nullptr);
        });
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
    void onToolSpeed(std::function<void(double)> callback) {
        replace(toolSpeed_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeEndSpeedCallback(
                on ? &Robot::toolSpeedThunk : nullptr, on ? this : nullptr);
        });
    }
    // Progress of a multi-point move: the controller's step number, on the
    // receive thread.
    void onMoveProgress(std::function<void(int)> callback) {
        replace(progress_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterMovepStepNumNotifyCallback(
                on ? &Robot::progressThunk : nullptr, on ? this : nullptr);
        });
    }

    // The library's text of a result code; never blocks.
    std::string errorText(int code) {
        return facade_->getErrDescByCode(static_cast<trn::RobotErrorCode>(code));
    }

private:
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
    // "<operation> stopped: <text> (code N)" for a move an event ended,
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
            what = operation + (code >= 20000 && code < 30000 ? " stopped" : " failed") +
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

    static JointsRad jointsOf(const trn::wayPoint_S& waypoint) {
        JointsRad q{};
        for (size_t i = 0; i < 6; ++i) q[i] = waypoint.jointpos[i];
        return q;
    }
    static Pose poseOf(const trn::wayPoint_S& waypoint) {
        Pose pose;
        pose.positionM = {waypoint.cartPos.position.x, waypoint.cartPos.position.y,
                          waypoint.cartPos.position.z};
        pose.quaternionWxyz = {waypoint.orientation.w, waypoint.orientation.x,
                               waypoint.orientation.y, waypoint.orientation.z};
        return pose;
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

    static void jointAnglesThunk(const trn::wayPoint_S* waypoint, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (waypoint != nullptr && self->jointAngles_) self->jointAngles_(jointsOf(*waypoint));
    }
    static void eventThunk(const trn::RobotEventInfo* info, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (info != nullptr && self->event_) {
            self->event_(
                Event{static_cast<int>(info->eventType), info->eventCode, info->eventContent});
        }
    }
    static void toolSpeedThunk(double speed, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (self->toolSpeed_) self->toolSpeed_(speed);
    }
    static void progressThunk(int step, void* arg) {
        auto* self = static_cast<Robot*>(arg);
        if (self->progress_) self->progress_(step);
    }

    // Declared first: destroyed last, after the facade has stopped calling.
    std::function<void(const JointsRad&)> jointAngles_;
    std::function<void(const Event&)> event_;
    std::function<void(double)> toolSpeed_;
    std::function<void(int)> progress_;
    std::unique_ptr<ServiceInterface> facade_;
};

}  // namespace tevo

#endif  // TEVO_ROBOT_HPP
