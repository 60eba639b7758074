// Registers the callbacks and prints the controller's real-time pushes and
// robot events as they arrive, for a few seconds.
//
//   print_pushes [address [port [seconds]]]
//
// Defaults: 127.0.0.1 8899 3 (the bundled simulator's address).
//
// The push callbacks run on the library's receive thread and the event
// callback on its event thread: they print under one mutex and return quickly,
// since a slow push callback would hold up every later frame.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "RobotSDK/interface/serviceinterface.h"

using namespace tevo_robot_namespace;

namespace {
std::mutex printMutex;
std::atomic<int> waypoints{0};

void onWaypoint(const wayPoint_S* wp, void*) {
    if (++waypoints % 50 != 1) return;  // the controller pushes at a high rate
    std::lock_guard<std::mutex> lock(printMutex);
    std::printf("waypoint   joint1 %.4f rad, flange (%.4f, %.4f, %.4f) m\n", wp->jointpos[0],
                wp->cartPos.position.x, wp->cartPos.position.y, wp->cartPos.position.z);
}

void onEndSpeed(double speed, void*) {
    static std::atomic<int> count{0};
    if (++count % 50 != 1) return;
    std::lock_guard<std::mutex> lock(printMutex);
    std::printf("end speed  %.4f m/s\n", speed);
}

void onJointStatus(const JointStatus* status, int size, void*) {
    static std::atomic<int> count{0};
    if (++count % 50 != 1 || size < 1) return;
    std::lock_guard<std::mutex> lock(printMutex);
    std::printf("joint 1    current %d, temperature %.1f\n", status[0].jointCurrentI,
                status[0].jointCurTemp);
}

void onEvent(const RobotEventInfo* event, void*) {
    std::lock_guard<std::mutex> lock(printMutex);
    std::printf("event      type %d code %d %s\n", static_cast<int>(event->eventType),
                event->eventCode, event->eventContent.c_str());
}

void onLog(LOG_LEVEL level, const char* text, void*) {
    if (level < LL_WARN) return;
    std::lock_guard<std::mutex> lock(printMutex);
    std::fprintf(stderr, "log %d: %s\n", static_cast<int>(level), text);
}
}  // namespace

int main(int argc, char** argv) {
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 8899;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 3;

    ServiceInterface robot;
    robot.robotServiceRegisterLogPrintCallback(onLog, nullptr);
    // The event callback can be registered before login; the push callbacks
    // switch their pushes on, which needs the connection.
    robot.robotServiceRegisterRobotEventInfoCallback(onEvent, nullptr);
    if (robot.robotServiceLogin(host, port, "tevo", "tevo") != ErrnoSucc) {
        std::printf("login to %s:%d failed\n", host, port);
        return 1;
    }
    robot.robotServiceRegisterRealTimeRoadPointCallback(onWaypoint, nullptr);
    robot.robotServiceRegisterRealTimeEndSpeedCallback(onEndSpeed, nullptr);
    robot.robotServiceRegisterRealTimeJointStatusCallback(onJointStatus, nullptr);

    std::this_thread::sleep_for(std::chrono::seconds(seconds));

    // Null callbacks switch the pushes off again; after each call returns, the
    // old callback is not called any more.
    robot.robotServiceRegisterRealTimeRoadPointCallback(nullptr, nullptr);
    robot.robotServiceRegisterRealTimeEndSpeedCallback(nullptr, nullptr);
    robot.robotServiceRegisterRealTimeJointStatusCallback(nullptr, nullptr);
    robot.robotServiceLogout();
    robot.robotServiceRegisterLogPrintCallback(nullptr, nullptr);

    std::printf("%d waypoints received\n", waypoints.load());
    return waypoints > 0 ? 0 : 1;
}
