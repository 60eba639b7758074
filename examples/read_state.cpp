// Reads the controller's state and configuration once and prints it.
//
//   read_state [address [port [user [password]]]]
//
// Defaults: 127.0.0.1 8899 tevo tevo (the bundled simulator's defaults).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RobotSDK/interface/serviceinterface.h"

using namespace tevo_robot_namespace;

namespace {
int failures = 0;

// Prints one result line; counts failures for the exit status.
bool report(ServiceInterface& robot, const char* what, int ret) {
    if (ret == ErrnoSucc) return true;
    ++failures;
    std::printf("%-22s failed: %d %s\n", what, ret,
                robot.getErrDescByCode(static_cast<RobotErrorCode>(ret)).c_str());
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    const char* host = argc > 1 ? argv[1] : "127.0.0.1";
    const int port = argc > 2 ? std::atoi(argv[2]) : 8899;
    const char* user = argc > 3 ? argv[3] : "tevo";
    const char* password = argc > 4 ? argv[4] : "tevo";

    ServiceInterface robot;
    std::printf("library version        %s\n", robot.getVersion().c_str());
    if (!report(robot, "login", robot.robotServiceLogin(host, port, user, password))) return 1;

    std::string version;
    if (report(robot, "controller version", robot.robotServiceGetServerVersionInfo(version)))
        std::printf("controller version     %s\n", version.c_str());

    RobotWorkMode mode;
    if (report(robot, "work mode", robot.robotServiceGetRobotWorkMode(mode)))
        std::printf("work mode              %s\n", mode == RobotModeReal ? "real" : "simulator");

    RobotState state;
    if (report(robot, "arm state", robot.robotServiceGetRobotCurrentState(state)))
        std::printf("arm state              %d\n", static_cast<int>(state));

    JointParam joints;
    if (report(robot, "joint angles", robot.robotServiceGetJointAngleInfo(joints))) {
        std::printf("joint angles (rad)    ");
        for (double q : joints.jointPos) std::printf(" %.4f", q);
        std::printf("\n");
        wayPoint_S flange;
        if (robot.robotServiceRobotFk(joints.jointPos, ARM_DOF, flange) == ErrnoSucc) {
            const Pos& p = flange.cartPos.position;
            std::printf("flange position (m)    %.4f %.4f %.4f\n", p.x, p.y, p.z);
        }
    }

    RobotDiagnosis diagnosis;
    if (report(robot, "diagnosis", robot.robotServiceGetRobotDiagnosisInfo(diagnosis)))
        std::printf("arm power              %s, %.1f V, %.2f A\n",
                    diagnosis.armPowerStatus ? "on" : "off", diagnosis.armPowerVoltage,
                    diagnosis.armPowerCurrent);

    RobotDevInfo devInfo;
    if (report(robot, "device info", robot.robotServiceGetRobotDevInfoService(devInfo)))
        std::printf("interface board        %.16s\n", devInfo.revision);

    int grade = 0;
    if (report(robot, "collision class", robot.robotServiceGetRobotCollisionCurrentService(grade)))
        std::printf("collision class        %d\n", grade);

    ToolDynamicsParam tool;
    if (report(robot, "tool dynamics", robot.robotServiceGetToolDynamicsParam(tool)))
        std::printf("payload                %.3f kg at (%.3f, %.3f, %.3f) m\n", tool.payload,
                    tool.positionX, tool.positionY, tool.positionZ);

    robot.robotServiceLogout();
    return failures == 0 ? 0 : 1;
}
