// The modern C++ layer in a few lines: connect, start the arm, move it, read
// where it is, compute kinematics; any failure throws a tevo::RobotError
// subclass named by its cause.
//
//   quickstart [address [port]]      (defaults: 127.0.0.1 8899, the simulator)
//
// The same steps with the facade are in connect_and_start.cpp and demo.cpp:
// there each call returns a result code to check.
#include <cstdio>
#include <cstdlib>

#include "tevo/robot.hpp"

int main(int argc, char** argv) try {
    tevo::Robot robot(argc > 1 ? argv[1] : "127.0.0.1", argc > 2 ? std::atoi(argv[2]) : 8899,
                      "tevo", "tevo");
    robot.startup();
    robot.onEvent([](const tevo::Event& e) { std::printf("event %d\n", e.type); });
    robot.moveJoint({0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0});  // radians, blocking
    const tevo::Pose flange = robot.forward(robot.jointsRad());
    std::printf("flange at %.3f %.3f %.3f m\n", flange.positionM[0], flange.positionM[1],
                flange.positionM[2]);
    robot.shutdown();
    return 0;
} catch (const tevo::RobotError& e) {
    std::printf("%s\n", e.what());  // a sentence: the call, the cause and its code
    return 1;
}
