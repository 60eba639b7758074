// The walk-through that scripts/run-demo runs against the simulator: log in,
// handshake, start the arm up, read its state, set and read board and tool
// I/O, watch a few pushes and events arrive, move the arm (joint, linear and blended multi-point
// moves, each end pose checked against forward kinematics), shut the arm down and log out. Prints
// one line per step and exits 0 only when every step succeeded.
//
//   demo [address [port [user [password [track file]]]]]
//
// Defaults: 127.0.0.1 8899 tevo tevo (the bundled simulator's defaults) and
// the joint-angle track file short_track.txt beside this source.
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"

using namespace tevo_robot_namespace;

namespace {

std::mutex printMutex;

int failedSteps = 0;

// Reports one step: its name, the outcome and a detail line.
bool step(const char* name, bool ok, const std::string& detail) {
    std::lock_guard<std::mutex> lock(printMutex);
    std::printf("  [%s] %-28s %s\n", ok ? " ok " : "FAIL", name, detail.c_str());
    std::fflush(stdout);
    if (!ok) ++failedSteps;
    return ok;
}

std::string codeText(ServiceInterface& robot, int ret) {
    return "error " + std::to_string(ret) + ": " +
           robot.getErrDescByCode(static_cast<RobotErrorCode>(ret));
}

// Pushes arrive on the library's receive thread, events on its event thread;
// both only record and print, then return.
struct PushLog {
    std::mutex mutex;
    std::condition_variable arrived;
    int waypoints = 0;
    int speeds = 0;
    int events = 0;
};
PushLog pushes;
constexpr int kShownPushes = 3;

// The joint-angle file uploaded as an offline track (argument 5 overrides).
#ifndef TEVO_EXAMPLES_DIR
#define TEVO_EXAMPLES_DIR "examples"
#endif
const char* offlineTrackFile = TEVO_EXAMPLES_DIR "/short_track.txt";

void onWaypoint(const wayPoint_S* wp, void*) {
    std::lock_guard<std::mutex> lock(pushes.mutex);
    if (++pushes.waypoints <= kShownPushes) {
        std::lock_guard<std::mutex> out(printMutex);
        std::printf(
            "         push: waypoint #%d  joints %.3f %.3f %.3f %.3f %.3f %.3f  flange (%.4f, "
            "%.4f, %.4f)\n",
            pushes.waypoints, wp->jointpos[0], wp->jointpos[1], wp->jointpos[2], wp->jointpos[3],
            wp->jointpos[4], wp->jointpos[5], wp->cartPos.position.x, wp->cartPos.position.y,
            wp->cartPos.position.z);
    }
    pushes.arrived.notify_all();
}

void onEndSpeed(double speed, void*) {
    std::lock_guard<std::mutex> lock(pushes.mutex);
    if (++pushes.speeds <= kShownPushes) {
        std::lock_guard<std::mutex> out(printMutex);
        std::printf("         push: end speed #%d  %.4f m/s\n", pushes.speeds, speed);
    }
    pushes.arrived.notify_all();
}

void onEvent(const RobotEventInfo* event, void*) {
    std::lock_guard<std::mutex> lock(pushes.mutex);
    ++pushes.events;
    {
        std::lock_guard<std::mutex> out(printMutex);
        std::printf("         event: type %d code %d %s\n", static_cast<int>(event->eventType),
                    event->eventCode, event->eventContent.c_str());
    }
    pushes.arrived.notify_all();
}

void onLog(LOG_LEVEL level, const char* text, void*) {
    if (level < LL_ERROR) return;
    std::lock_guard<std::mutex> out(printMutex);
    std::printf("         library log (level %d): %s\n", static_cast<int>(level), text);
}

// Waits until `done` holds for the push log, at most `timeout`.
template <typename Pred>
bool waitForPushes(Pred done, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(pushes.mutex);
    return pushes.arrived.wait_for(lock, timeout, [&] { return done(pushes); });
}

// After a blocking move: reads the arm's waypoint back and compares it with
// the forward kinematics of the joints it was sent to.
bool checkArrival(ServiceInterface& robot, const char* name, int ret, const double* target,
                  std::chrono::steady_clock::time_point started) {
    if (ret != ErrnoSucc) return step(name, false, codeText(robot, ret));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    wayPoint_S now, expected;
    ret = robot.robotServiceGetCurrentWaypointInfo(now);
    if (ret != ErrnoSucc) return step(name, false, "read-back: " + codeText(robot, ret));
    robot.robotServiceRobotFk(target, ARM_DOF, expected);
    double distance = 0.0, jointError = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double d = now.cartPos.positionVector[i] - expected.cartPos.positionVector[i];
        distance += d * d;
    }
    for (int i = 0; i < ARM_DOF; ++i)
        jointError = std::fmax(jointError, std::fabs(now.jointpos[i] - target[i]));
    distance = std::sqrt(distance);
    char text[200];
    std::snprintf(text, sizeof text,
                  "arrived after %.2f s at (%.4f, %.4f, %.4f) m; %.2g m from its FK pose, joints "
                  "within %.2g rad",
                  seconds, now.cartPos.position.x, now.cartPos.position.y, now.cartPos.position.z,
                  distance, jointError);
    return step(name, distance < 1e-4 && jointError < 1e-3, text);
}

// A relative move 5 cm up along the base z axis. The flange, by forward
// kinematics of the joints read back before and after, must have moved
// +0.05 m in z and nowhere else.
void relativeMoveUp(ServiceInterface& robot) {
    const char* name = "relative move, +5 cm along base z (blocking)";
    wayPoint_S before, after, reached;
    int ret = robot.robotServiceGetCurrentWaypointInfo(before);
    if (ret != ErrnoSucc) {
        step(name, false, "read: " + codeText(robot, ret));
        return;
    }
    CoordCalibrateByJointAngleAndTool baseFrame;
    ServiceInterface::initCoordCalibrateByJointAngleAndToolDataType(baseFrame);
    baseFrame.coordType = BaseCoordinate;
    MoveRelative up;
    ServiceInterface::initMoveRelativeDataType(up);
    up.relativePosition[2] = 0.05f;
    ret = robot.robotMoveLineToTargetPositionByRelative(baseFrame, up, true);
    if (ret != ErrnoSucc) {
        step(name, false, codeText(robot, ret));
        return;
    }
    ret = robot.robotServiceGetCurrentWaypointInfo(after);
    if (ret == ErrnoSucc) ret = robot.robotServiceRobotFk(after.jointpos, ARM_DOF, reached);
    if (ret != ErrnoSucc) {
        step(name, false, "read-back: " + codeText(robot, ret));
        return;
    }
    const double expected[3] = {before.cartPos.positionVector[0], before.cartPos.positionVector[1],
                                before.cartPos.positionVector[2] + 0.05};
    double error = 0.0;
    for (int i = 0; i < 3; ++i)
        error = std::fmax(error, std::fabs(reached.cartPos.positionVector[i] - expected[i]));
    char text[200];
    std::snprintf(text, sizeof text,
                  "flange z %.4f -> %.4f m (FK of the joints read back), %.2g m from the target",
                  before.cartPos.position.z, reached.cartPos.position.z, error);
    step(name, error < 1e-4, text);
}

// Uploads the joint-angle file as the controller's offline track, plays it
// (blocking) and checks that the arm ends at the file's last joints.
void offlineTrackFromFile(ServiceInterface& robot) {
    const std::string name = std::string("offline track from ") + offlineTrackFile;
    double last[ARM_DOF] = {0, 0, 0, 0, 0, 0};
    int lines = 0;
    std::ifstream file(offlineTrackFile);
    for (std::string line; std::getline(file, line); ++lines) {
        if (std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf", &last[0], &last[1], &last[2],
                        &last[3], &last[4], &last[5]) != ARM_DOF) {
            step(name.c_str(), false, "line " + std::to_string(lines + 1) + " is not six angles");
            return;
        }
    }
    if (lines == 0) {
        step(name.c_str(), false, "no lines (is the file there?)");
        return;
    }
    int ret = robot.robotServiceOfflineTrackWaypointClear();
    if (ret == ErrnoSucc) ret = robot.robotServiceOfflineTrackWaypointAppend(offlineTrackFile);
    if (ret != ErrnoSucc) {
        step(name.c_str(), false, "upload: " + codeText(robot, ret));
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    ret = robot.robotServiceOfflineTrackMoveStartup(true);
    const std::string done = "offline track, " + std::to_string(lines) + " waypoints";
    checkArrival(robot, done.c_str(), ret, last, started);
}

void moveTheArm(ServiceInterface& robot) {
    // A brisk profile for the demo; it holds for every object of the process.
    robot.robotServiceInitGlobalMoveProfile();
    JointVelcAccParam velc = {{1.0, 1.0, 1.0, 1.0, 1.0, 1.0}};
    JointVelcAccParam acc = {{2.0, 2.0, 2.0, 2.0, 2.0, 2.0}};
    robot.robotServiceSetGlobalMoveJointMaxVelc(velc);
    robot.robotServiceSetGlobalMoveJointMaxAcc(acc);
    robot.robotServiceSetGlobalMoveEndMaxLineVelc(0.2);
    robot.robotServiceSetGlobalMoveEndMaxLineAcc(0.5);

    double jointTarget[ARM_DOF] = {0.3, -0.2, 1.6, 0.4, 1.5, 0.2};
    auto started = std::chrono::steady_clock::now();
    int ret = robot.robotServiceJointMove(jointTarget, true);
    checkArrival(robot, "joint move (blocking)", ret, jointTarget, started);

    double lineTarget[ARM_DOF] = {0.4, -0.1, 1.5, 0.45, 1.45, 0.3};
    started = std::chrono::steady_clock::now();
    ret = robot.robotServiceLineMove(lineTarget, true);
    checkArrival(robot, "linear move (blocking)", ret, lineTarget, started);

    // A multi-point move through the global waypoint list, blended at the
    // corners by the blend radius.
    const double track[][ARM_DOF] = {
        {0.4, -0.1, 1.5, 0.45, 1.45, 0.3},           {0.1, -0.3, 1.7, 0.3, 1.6, -0.1},
        {-0.1, -0.25, 1.65, 0.5, 1.55, 0.1},         {-0.3, -0.1, 1.5, 0.4, 1.4, 0.3},
        {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0},
    };
    robot.robotServiceClearGlobalWayPointVector();
    for (const auto& q : track) robot.robotServiceAddGlobalWayPoint(q);
    robot.robotServiceSetGlobalBlendRadius(0.03f);
    std::vector<wayPoint_S> list;
    robot.robotServiceGetGlobalWayPointVector(list);
    started = std::chrono::steady_clock::now();
    ret = robot.robotServiceTrackMove(JOINT_GNUBSPLINEINTP, true);
    const std::string name = "track move, " + std::to_string(list.size()) + " waypoints";
    checkArrival(robot, name.c_str(), ret, track[4], started);
    offlineTrackFromFile(robot);

    relativeMoveUp(robot);
}

// Interface-board and tool I/O: a user output set by name and read back, an
// analog input read by address, and the tool supply switched and read back.
void useTheIo(ServiceInterface& robot) {
    int ret = robot.robotServiceSetBoardIOStatus(RobotBoardUserDO, "U_DO_03", 1.0);
    double level = -1.0;
    if (ret == ErrnoSucc)
        ret = robot.robotServiceGetBoardIOStatus(RobotBoardUserDO, "U_DO_03", level);
    step("user output by name", ret == ErrnoSucc && level == 1.0,
         ret == ErrnoSucc ? "U_DO_03 set on, reads " + std::to_string(static_cast<int>(level))
                          : codeText(robot, ret));

    double analog = 0.0;
    ret = robot.robotServiceGetBoardIOStatus(RobotBoardUserAI, 0, analog);
    char text[120];
    std::snprintf(text, sizeof text, "user analog input 0 (VI0) reads %.3f", analog);
    step("analog input by address", ret == ErrnoSucc,
         ret == ErrnoSucc ? text : codeText(robot, ret));

    // The setter waits until the controller reports the new supply.
    const auto started = std::chrono::steady_clock::now();
    ret = robot.robotServiceSetToolPowerVoltageType(OUT_12V);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ToolPowerType power = OUT_0V;
    double voltage = 0.0;
    if (ret == ErrnoSucc) ret = robot.robotServiceGetToolPowerVoltageType(power);
    if (ret == ErrnoSucc) ret = robot.robotServiceGetToolPowerVoltageStatus(voltage);
    std::snprintf(text, sizeof text, "12 V confirmed after %.2f s; reads type %d, voltage %.0f",
                  seconds, static_cast<int>(power), voltage);
    step("tool power", ret == ErrnoSucc && power == OUT_12V,
         ret == ErrnoSucc ? text : codeText(robot, ret));
}

}  // namespace

int main(int argc, char** argv) {
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 8899;
    const char* user = argc > 3 ? argv[3] : "tevo";
    const char* password = argc > 4 ? argv[4] : "tevo";
    if (argc > 5) offlineTrackFile = argv[5];

    std::printf("demo against the controller at %s:%d\n", host, port);
    ServiceInterface robot;
    robot.robotServiceRegisterLogPrintCallback(onLog, nullptr);
    robot.robotServiceRegisterRobotEventInfoCallback(onEvent, nullptr);
    step("library version", robot.getVersion() == "V4.0.8", robot.getVersion());

    RobotType type;
    RobotDhPara dh;
    int ret = robot.robotServiceLogin(host, port, user, password, type, dh);
    char text[160];
    std::snprintf(text, sizeof text,
                  "arm model %d, DH A3 %.4f A4 %.4f D1 %.4f D2 %.4f D5 %.4f D6 %.4f",
                  static_cast<int>(type), dh.A3, dh.A4, dh.D1, dh.D2, dh.D5, dh.D6);
    if (!step("login", ret == ErrnoSucc, ret == ErrnoSucc ? text : codeText(robot, ret))) {
        std::printf("demo FAILED: no connection\n");
        return 1;
    }
    bool connected = false;
    robot.robotServiceGetConnectStatus(connected);
    step("connection status", connected, connected ? "connected" : "not connected");

    ret = robot.robotServiceRobotHandShake(true);
    step("handshake (blocking)", ret == ErrnoSucc,
         ret == ErrnoSucc ? "controller confirmed" : codeText(robot, ret));

    ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    ROBOT_SERVICE_STATE state = ROBOT_SERVICE_READY;
    ret = robot.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true);
    step("arm start-up (blocking)", ret == ErrnoSucc && state == ROBOT_SERVICE_WORKING,
         ret == ErrnoSucc ? "arm state " + std::to_string(state) +
                                (state == ROBOT_SERVICE_WORKING ? " (working)" : "")
                          : codeText(robot, ret));

    std::string version;
    ret = robot.robotServiceGetServerVersionInfo(version);
    step("controller version", ret == ErrnoSucc, ret == ErrnoSucc ? version : codeText(robot, ret));

    RobotWorkMode mode;
    ret = robot.robotServiceGetRobotWorkMode(mode);
    step("work mode", ret == ErrnoSucc,
         ret == ErrnoSucc ? (mode == RobotModeReal ? "real" : "simulator") : codeText(robot, ret));

    RobotState armState;
    ret = robot.robotServiceGetRobotCurrentState(armState);
    step("arm state", ret == ErrnoSucc,
         ret == ErrnoSucc ? std::to_string(armState) : codeText(robot, ret));

    JointParam joints;
    ret = robot.robotServiceGetJointAngleInfo(joints);
    if (ret == ErrnoSucc) {
        std::snprintf(text, sizeof text, "%.4f %.4f %.4f %.4f %.4f %.4f rad", joints.jointPos[0],
                      joints.jointPos[1], joints.jointPos[2], joints.jointPos[3],
                      joints.jointPos[4], joints.jointPos[5]);
    }
    step("joint angles", ret == ErrnoSucc, ret == ErrnoSucc ? text : codeText(robot, ret));

    if (ret == ErrnoSucc) {
        wayPoint_S flange;
        ret = robot.robotServiceRobotFk(joints.jointPos, ARM_DOF, flange);
        std::snprintf(text, sizeof text, "flange at (%.4f, %.4f, %.4f) m",
                      flange.cartPos.position.x, flange.cartPos.position.y,
                      flange.cartPos.position.z);
        step("forward kinematics", ret == ErrnoSucc,
             ret == ErrnoSucc ? text : codeText(robot, ret));
    }

    RobotDiagnosis diagnosis;
    ret = robot.robotServiceGetRobotDiagnosisInfo(diagnosis);
    std::snprintf(text, sizeof text, "arm power %s, %.1f V",
                  diagnosis.armPowerStatus ? "on" : "off", diagnosis.armPowerVoltage);
    step("diagnosis", ret == ErrnoSucc, ret == ErrnoSucc ? text : codeText(robot, ret));

    int grade = 0;
    ret = robot.robotServiceGetRobotCollisionCurrentService(grade);
    step("collision class", ret == ErrnoSucc,
         ret == ErrnoSucc ? std::to_string(grade) : codeText(robot, ret));

    ToolDynamicsParam payload;
    ret = robot.robotServiceGetToolDynamicsParam(payload);
    std::snprintf(text, sizeof text, "%.3f kg at (%.3f, %.3f, %.3f) m", payload.payload,
                  payload.positionX, payload.positionY, payload.positionZ);
    step("payload", ret == ErrnoSucc, ret == ErrnoSucc ? text : codeText(robot, ret));

    useTheIo(robot);

    std::printf("  waiting for real-time pushes ...\n");
    robot.robotServiceRegisterRealTimeRoadPointCallback(onWaypoint, nullptr);
    robot.robotServiceRegisterRealTimeEndSpeedCallback(onEndSpeed, nullptr);
    const bool gotPushes = waitForPushes(
        [](const PushLog& p) { return p.waypoints >= kShownPushes && p.speeds >= kShownPushes; },
        std::chrono::seconds(5));
    robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
    robot.robotServiceRegisterRealTimeEndSpeedCallback(nullptr, nullptr);
    {
        std::lock_guard<std::mutex> lock(pushes.mutex);
        step("real-time pushes", gotPushes,
             std::to_string(pushes.waypoints) + " waypoints, " + std::to_string(pushes.speeds) +
                 " end speeds");
    }

    moveTheArm(robot);

    ret = robot.robotServiceRobotShutdown(true);
    step("arm shut-down (blocking)", ret == ErrnoSucc,
         ret == ErrnoSucc ? "done" : codeText(robot, ret));

    const bool gotEvents =
        waitForPushes([](const PushLog& p) { return p.events > 0; }, std::chrono::seconds(2));
    {
        std::lock_guard<std::mutex> lock(pushes.mutex);
        step("robot events", gotEvents, std::to_string(pushes.events) + " received");
    }

    ret = robot.robotServiceLogout();
    robot.robotServiceGetConnectStatus(connected);
    step("logout", ret == ErrnoSucc && !connected, connected ? "still connected" : "disconnected");
    robot.robotServiceRegisterLogPrintCallback(nullptr, nullptr);

    if (failedSteps != 0) {
        std::printf("demo FAILED: %d step(s) failed\n", failedSteps);
        return 1;
    }
    std::printf("demo passed: every step succeeded\n");
    return 0;
}
