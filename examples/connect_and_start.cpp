// Connects to a controller, performs the handshake, starts the arm up (blocking
// until the controller reports the arm's state) and logs out.
//
//   connect_and_start [address [port [user [password]]]]
//
// Defaults: 127.0.0.1 8899 tevo tevo (the bundled simulator's defaults).
#include <cstdio>
#include <cstdlib>

#include "RobotSDK/interface/serviceinterface.h"

using namespace tevo_robot_namespace;

int main(int argc, char** argv) {
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 8899;
    const char* user = argc > 3 ? argv[3] : "tevo";
    const char* password = argc > 4 ? argv[4] : "tevo";

    ServiceInterface robot;
    RobotType type;
    RobotDhPara dh;
    int ret = robot.robotServiceLogin(host, port, user, password, type, dh);
    if (ret != ErrnoSucc) {
        std::printf("login to %s:%d failed: %d %s\n", host, port, ret,
                    robot.getErrDescByCode(static_cast<RobotErrorCode>(ret)).c_str());
        return 1;
    }
    std::printf("logged in, arm model %d\n", static_cast<int>(type));

    ret = robot.robotServiceRobotHandShake(true);
    std::printf("handshake: %d\n", ret);

    // No tool mounted: zero payload; collision class 6; read the pose at
    // start-up; static collision detection on; the board's default maximum
    // acceleration.
    ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    ROBOT_SERVICE_STATE state = ROBOT_SERVICE_READY;
    if (ret == ErrnoSucc) {
        ret = robot.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true);
        std::printf("start-up: %d, arm state %d\n", ret, static_cast<int>(state));
    }

    robot.robotServiceLogout();
    return ret == ErrnoSucc && state == ROBOT_SERVICE_WORKING ? 0 : 1;
}
