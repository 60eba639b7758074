// Plays a long tool-pose track through the customer track service: the file
// is turned into a joint-space track, checked, smoothed, split where the tool
// path turns back and cached; the arm moves to the track's start and plays it
// piece by piece, and move progress arrives as indices into the track.
//
//   custom_track [track-file [address [port [user [password]]]]]
//
// Defaults: zigzag_track.txt beside this source, 127.0.0.1 8899 tevo tevo.
// zigzag_track.txt holds 121 lines "x y z rx ry rz" (millimetres, RPY degrees):
// four 60 mm strokes along x, each bulging 8 mm sideways and 2 mm beside the
// last, points 2 mm apart, the tool pointing down, near the tool pose of the
// joint angles kStart below with a 0.1 m tool. Each stroke turns back
// on the previous one, so the track plays as four pieces.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"

using namespace tevo_robot_namespace;

#ifndef TEVO_EXAMPLES_DIR
#define TEVO_EXAMPLES_DIR "."
#endif

namespace {

// Joint angles (radians) near the track: the inverse kinematics of the first
// pose starts from here and keeps to this arm configuration.
const double kStart[6] = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};

// Called on the library's receive thread with the index of the track point
// the arm is heading for; prints a line every tenth point and at the end.
void onProgress(int index, void* arg) {
    const int last = *static_cast<const int*>(arg);
    if (index % 10 == 0 || index == last) std::printf("  at track point %d of %d\n", index, last);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string file = argc > 1 ? argv[1] : TEVO_EXAMPLES_DIR "/zigzag_track.txt";
    const char* host = argc > 2 ? argv[2] : "127.0.0.1";
    const int port = argc > 3 ? std::atoi(argv[3]) : 8899;
    const char* user = argc > 4 ? argv[4] : "tevo";
    const char* password = argc > 5 ? argv[5] : "tevo";

    ServiceInterface robot;
    int ret = robot.robotServiceLogin(host, port, user, password);
    if (ret != ErrnoSucc) {
        std::printf("login to %s:%d failed: %d %s\n", host, port, ret,
                    robot.getErrDescByCode(static_cast<RobotErrorCode>(ret)).c_str());
        return 1;
    }
    ToolDynamicsParam payload;
    ServiceInterface::initToolDynamicsParamDataType(payload);
    ROBOT_SERVICE_STATE state = ROBOT_SERVICE_READY;
    ret = robot.rootServiceRobotStartup(payload, 6, true, true, 1000, state, true);
    if (ret != ErrnoSucc) {
        std::printf("start-up failed: %d\n", ret);
        robot.robotServiceLogout();
        return 1;
    }

    // The tool: 0.1 m along the flange's z axis.
    ToolInEndDesc tool;
    ServiceInterface::initToolInEndDescDataType(tool);
    tool.toolInEndPosition.z = 0.1;

    // Parse, check, smooth, split and cache.
    wayPoint_S first;
    ret = robot.parseRoadPointFileAndCacheResult(file.c_str(), kStart, tool, first);
    if (ret != ErrnoSucc) {
        std::printf("track %s refused: %d %s\n", file.c_str(), ret,
                    robot.getErrDescByCode(static_cast<RobotErrorCode>(ret)).c_str());
        robot.robotServiceLogout();
        return 1;
    }
    std::vector<wayPoint_S> smoothed;
    robot.parseFileAsRoadpointCollection(file.c_str(), POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT,
                                         kStart, tool, smoothed);
    int last = static_cast<int>(smoothed.size()) - 1;
    std::printf("track %s: %d points cached\n", file.c_str(), last + 1);

    // To the start of the track, then the track itself.
    robot.robotServiceInitGlobalMoveProfile();
    ret = robot.robotServiceJointMove(first, true);
    std::printf("to the track's start: %d\n", ret);
    if (ret == ErrnoSucc) {
        robot.robotServiceRegisterMovepStepNumNotifyCallback(onProgress, &last);
        ret = robot.moveCacheTrack();
        robot.robotServiceRegisterMovepStepNumNotifyCallback(nullptr, nullptr);
        std::printf("track played: %d %s\n", ret,
                    robot.getErrDescByCode(static_cast<RobotErrorCode>(ret)).c_str());
    }

    // The end of the track, as the controller reports it.
    wayPoint_S now;
    if (ret == ErrnoSucc && robot.robotServiceGetCurrentWaypointInfo(now) == ErrnoSucc) {
        std::printf("tool flange now at (%.4f, %.4f, %.4f) m\n", now.cartPos.position.x,
                    now.cartPos.position.y, now.cartPos.position.z);
    }
    robot.robotServiceLogout();
    return ret == ErrnoSucc ? 0 : 1;
}
