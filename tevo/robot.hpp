// tevo::Robot — a modern C++ layer over ServiceInterface for new applications.
//
//   #include "tevo/robot.hpp"
//
//   tevo::Robot robot("127.0.0.1", 8899, "tevo", "tevo");  // connects, or throws
//   robot.startup();
//   robot.moveJoint({0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0});  // radians, blocking
//   tevo::Pose flange = robot.forward(robot.jointsRad());
//
// What it adds to the facade is conversions only:
//   - RAII: the constructor logs in, the destructor logs out (and the
//     facade's destructor releases the connection).
//   - Failures throw tevo::RobotError carrying the library's result code and
//     its text (getErrDescByCode); nothing returns a code to check.
//   - Joint angles are std::array<double, 6> in radians (JointsRad), poses
//     carry metres and a unit quaternion; names carry their units.
//   - Callbacks are std::function (lambdas with captures). They run on the
//     library's threads (events on the event thread, everything else on the
//     receive thread): keep them short, and do not call blocking operations
//     of the same Robot from them (the library refuses requests from its
//     receive thread). They may run until the Robot's destructor returns
//     (the log-out sends events), so what they capture must outlive it.
//
// Threads: like ServiceInterface, one Robot may be used from several threads;
// setting a callback waits until a running call of the previous one returns.
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
    std::array<double, 3> positionM{};
    std::array<double, 4> quaternionWxyz{1.0, 0.0, 0.0, 0.0};
};

// A robot event as the controller reported it.
struct Event {
    int type = 0;      // tevo_robot_namespace::RobotEventType
    int code = 0;      // event specific, e.g. the joint concerned
    std::string text;  // text attached by the controller or the library
};

// A library result other than success.
class RobotError : public std::runtime_error {
public:
    RobotError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    // The library's result code (tevo_robot_namespace::RobotErrorCode).
    int code() const noexcept { return code_; }

private:
    int code_;
};

class Robot {
public:
    // Connects and logs in; throws RobotError when the controller cannot be
    // reached or refuses the login.
    Robot(const std::string& host, int port, const std::string& user, const std::string& password)
        : facade_(new ServiceInterface()) {
        check(facade_->robotServiceLogin(host.c_str(), port, user.c_str(), password.c_str()),
              "login to " + host + ":" + std::to_string(port));
    }
    // Logs out. Callbacks stop before the destructor returns.
    ~Robot() {
        if (facade_) facade_->robotServiceLogout();
    }
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;
    Robot(Robot&&) = delete;
    Robot& operator=(Robot&&) = delete;

    // The facade underneath, for operations this layer does not wrap.
    ServiceInterface& facade() { return *facade_; }

    bool connected() const {
        bool status = false;
        facade_->robotServiceGetConnectStatus(status);
        return status;
    }

    // ---- Arm lifecycle (blocking until the controller reports the result) ----

    // Powers the arm up and releases the brakes; payloadKg at the flange
    // (centre of mass at the flange), collision class 0 (off) .. 10.
    // Returns the arm's state code (ROBOT_SERVICE_STATE); throws unless the
    // arm is working afterwards.
    int startup(double payloadKg = 0.0, int collisionClass = 6) {
        trn::ToolDynamicsParam tool;
        ServiceInterface::initToolDynamicsParamDataType(tool);
        tool.payload = payloadKg;
        trn::ROBOT_SERVICE_STATE state = trn::ROBOT_SERVICE_READY;
        check(facade_->rootServiceRobotStartup(tool, static_cast<uint8_t>(collisionClass), true,
                                               true, 1000, state, true),
              "start-up");
        if (state != trn::ROBOT_SERVICE_WORKING) {
            throw RobotError(trn::ErrCode_Failed,
                             "start-up: the arm reported state " + std::to_string(state));
        }
        return state;
    }
    void shutdown() { check(facade_->robotServiceRobotShutdown(true), "shut-down"); }

    // ---- State ---------------------------------------------------------------

    // Where the arm stands now, as the controller reports it.
    JointsRad jointsRad() {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceGetCurrentWaypointInfo(waypoint), "current waypoint");
        return jointsOf(waypoint);
    }
    // The flange pose now.
    Pose flangePose() {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceGetCurrentWaypointInfo(waypoint), "current waypoint");
        return poseOf(waypoint);
    }
    // Stopped (0), running (1), paused (2) or resumed (3).
    trn::RobotState motionState() {
        trn::RobotState state = trn::RobotStopped;
        check(facade_->robotServiceGetRobotCurrentState(state), "robot state");
        return state;
    }
    // Simulated (0) or real arm (1).
    trn::RobotWorkMode workMode() {
        trn::RobotWorkMode mode = trn::RobotModeSimulator;
        check(facade_->robotServiceGetRobotWorkMode(mode), "work mode");
        return mode;
    }
    void setWorkMode(trn::RobotWorkMode mode) {
        check(facade_->robotServiceSetRobotWorkMode(mode), "set work mode");
    }

    // ---- Motion profile (process-wide, like the facade's global profile) -----

    // Resets speeds, accelerations, blend radius, offsets and waypoints.
    void resetMoveProfile() { facade_->robotServiceInitGlobalMoveProfile(); }
    // Joint speed limits of joint moves, each in (0, 8.7268] rad/s.
    void setJointMaxSpeedRadPerS(const JointsRad& speeds) {
        trn::JointVelcAccParam p{};
        for (size_t i = 0; i < 6; ++i) p.jointPara[i] = speeds[i];
        check(facade_->robotServiceSetGlobalMoveJointMaxVelc(p), "joint speed limits");
    }
    // Joint acceleration limits of joint moves, rad/s².
    void setJointMaxAccRadPerS2(const JointsRad& accelerations) {
        trn::JointVelcAccParam p{};
        for (size_t i = 0; i < 6; ++i) p.jointPara[i] = accelerations[i];
        check(facade_->robotServiceSetGlobalMoveJointMaxAcc(p), "joint acceleration limits");
    }
    // Tool speed and acceleration of linear moves, (0, 5.01] m/s and (0, 80.01] m/s².
    void setLineMaxSpeedMPerS(double speed) {
        check(facade_->robotServiceSetGlobalMoveEndMaxLineVelc(speed), "line speed limit");
    }
    void setLineMaxAccMPerS2(double acceleration) {
        check(facade_->robotServiceSetGlobalMoveEndMaxLineAcc(acceleration),
              "line acceleration limit");
    }

    // ---- Moves (blocking by default: they return when the arm arrived) -------

    void moveJoint(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceJointMove(target.data(), blocking), "joint move");
    }
    // A straight tool path to the pose of these joint angles.
    void moveLine(const JointsRad& targetRad, bool blocking = true) {
        JointsRad target = targetRad;
        check(facade_->robotServiceLineMove(target.data(), blocking), "linear move");
    }
    // A straight tool path to a flange pose, solved from the current joints.
    void moveLineTo(const Pose& target, bool blocking = true) {
        moveLine(inverse(target, jointsRad()), blocking);
    }
    // One blended move through every waypoint, blendRadiusM in (0, 0.05] m.
    void moveThrough(const std::vector<JointsRad>& waypointsRad, double blendRadiusM = 0.02,
                     bool blocking = true) {
        facade_->robotServiceClearGlobalWayPointVector();
        for (const JointsRad& q : waypointsRad) {
            check(facade_->robotServiceAddGlobalWayPoint(q.data()), "add waypoint");
        }
        check(facade_->robotServiceSetGlobalBlendRadius(static_cast<float>(blendRadiusM)),
              "blend radius");
        const int ret = facade_->robotServiceTrackMove(trn::CARTESIAN_MOVEP, blocking);
        facade_->robotServiceClearGlobalWayPointVector();
        check(ret, "multi-point move");
    }
    // Ends the running move with a controlled stop (the arm decelerates).
    void stop() { check(facade_->robotMoveStop(), "stop"); }
    void pause() { check(facade_->rootServiceRobotMoveControl(trn::RobotMovePause), "pause"); }
    void resume() {
        check(facade_->rootServiceRobotMoveControl(trn::RobotMoveContinue), "continue");
    }

    // ---- Kinematics (local, on the logged-in arm's model) --------------------

    Pose forward(const JointsRad& jointsRad) {
        trn::wayPoint_S waypoint{};
        check(facade_->robotServiceRobotFk(jointsRad.data(), 6, waypoint), "forward kinematics");
        return poseOf(waypoint);
    }
    // The solution nearest to referenceRad; throws when the pose is out of reach.
    JointsRad inverse(const Pose& pose, const JointsRad& referenceRad) {
        trn::wayPoint_S waypoint{};
        const trn::Pos position{pose.positionM[0], pose.positionM[1], pose.positionM[2]};
        const trn::Ori ori{pose.quaternionWxyz[0], pose.quaternionWxyz[1], pose.quaternionWxyz[2],
                           pose.quaternionWxyz[3]};
        check(facade_->robotServiceRobotIk(referenceRad.data(), position, ori, waypoint),
              "inverse kinematics");
        return jointsOf(waypoint);
    }

    // ---- Interface-board and tool I/O -----------------------------------------

    // A user digital output by name ("U_DO_00" ..), true = high.
    void setDigitalOutput(const std::string& name, bool high) {
        check(facade_->robotServiceSetBoardIOStatus(trn::RobotBoardUserDO, name, high ? 1.0 : 0.0),
              "set " + name);
    }
    bool digitalInput(const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetBoardIOStatus(trn::RobotBoardUserDI, name, value),
              "read " + name);
        return value != 0.0;
    }
    // A user analog output by name ("VO0" ..), volts.
    void setAnalogOutputV(const std::string& name, double volts) {
        check(facade_->robotServiceSetBoardIOStatus(trn::RobotBoardUserAO, name, volts),
              "set " + name);
    }
    double analogInputV(const std::string& name) {
        double value = 0.0;
        check(facade_->robotServiceGetBoardIOStatus(trn::RobotBoardUserAI, name, value),
              "read " + name);
        return value;
    }
    // A tool digital line configured as output, by number 0..3.
    void setToolDigitalOutput(int line, bool high) {
        check(facade_->robotServiceSetToolDOStatus(
                  static_cast<trn::ToolDigitalIOAddr>(line),
                  high ? trn::IO_STATUS_VALID : trn::IO_STATUS_INVALID),
              "set tool output " + std::to_string(line));
    }

    // ---- Callbacks (an empty function switches the callback off) --------------

    // The joint angles at the controller's push rate.
    void onJointAngles(std::function<void(const JointsRad&)> callback) {
        replace(jointAngles_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeRoadPointCallback(
                on ? &Robot::jointAnglesThunk : nullptr, on ? this : nullptr);
        });
    }
    // Robot events (arrivals, stops, collisions, power changes ...).
    void onEvent(std::function<void(const Event&)> callback) {
        replace(event_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRobotEventInfoCallback(on ? &Robot::eventThunk : nullptr,
                                                                on ? this : nullptr);
        });
    }
    // The tool's speed in m/s at the push rate.
    void onToolSpeed(std::function<void(double)> callback) {
        replace(toolSpeed_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterRealTimeEndSpeedCallback(
                on ? &Robot::toolSpeedThunk : nullptr, on ? this : nullptr);
        });
    }
    // Progress of a multi-point move: the controller's step number.
    void onMoveProgress(std::function<void(int)> callback) {
        replace(progress_, std::move(callback), [this](bool on) {
            facade_->robotServiceRegisterMovepStepNumNotifyCallback(
                on ? &Robot::progressThunk : nullptr, on ? this : nullptr);
        });
    }

    // The text of a result code.
    std::string errorText(int code) {
        return facade_->getErrDescByCode(static_cast<trn::RobotErrorCode>(code));
    }

private:
    void check(int ret, const std::string& what) {
        if (ret != trn::ErrnoSucc) throw RobotError(ret, what + ": " + errorText(ret));
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
