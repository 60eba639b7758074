// Servo streaming with the modern C++ layer: the flange draws a circle of 5 cm
// radius in the base XY plane, orientation fixed, as one pose target every
// 2 ms (500 Hz) for 10 s. At the end it prints the loop's overruns, the 99th
// percentile of its lateness and the largest follow error (the latest target
// against the joint angles the controller pushes).
//
//   servo_circle [address [port]]      (defaults: 127.0.0.1 8899, the simulator)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "tevo/robot.hpp"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPeriodS = 0.002;
constexpr double kDurationS = 10.0;
constexpr double kRadiusM = 0.05;

// The latest target and the largest distance, in any joint, between it and a
// pushed joint angle set (written by the loop and the receive thread).
struct FollowError {
    std::mutex mutex;
    tevo::JointsRad target{};
    bool haveTarget = false;
    double maxRad = 0.0;
};

}  // namespace

int main(int argc, char** argv) try {
    tevo::Robot robot(argc > 1 ? argv[1] : "127.0.0.1", argc > 2 ? std::atoi(argv[2]) : 8899,
                      "tevo", "tevo");
    robot.startup();
    robot.moveJoint({0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0});  // the start pose, blocking
    const tevo::Pose start = robot.forward(robot.jointsRad());

    FollowError follow;
    robot.onJointAngles([&follow](const tevo::JointsRad& pushed) {
        std::lock_guard<std::mutex> lock(follow.mutex);
        if (!follow.haveTarget) return;
        for (size_t j = 0; j < pushed.size(); ++j)
            follow.maxRad = std::max(follow.maxRad, std::fabs(follow.target[j] - pushed[j]));
    });

    tevo::ServoOptions options;
    options.periodS = kPeriodS;
    tevo::ServoStream stream = robot.startServo(options);
    const int cycles = static_cast<int>(kDurationS / kPeriodS);
    for (int i = 1; i <= cycles; ++i) {
        // One turn; the angle speeds up from rest and slows down to rest.
        const double u = static_cast<double>(i) / cycles;
        const double angle = 2 * kPi * u - std::sin(2 * kPi * u);
        tevo::Pose target = start;
        target.positionM[0] += kRadiusM * (std::cos(angle) - 1.0);  // starts where the arm is
        target.positionM[1] += kRadiusM * std::sin(angle);
        stream.waitPeriod();
        stream.sendPose(target);
        const tevo::ServoStatus sent = stream.status();
        std::lock_guard<std::mutex> lock(follow.mutex);
        std::copy(std::begin(sent.lastTarget), std::end(sent.lastTarget), follow.target.begin());
        follow.haveTarget = true;
    }
    stream.stop();
    robot.onJointAngles(nullptr);

    const tevo::ServoStatus status = stream.status();
    double followMax = 0.0;
    {
        std::lock_guard<std::mutex> lock(follow.mutex);
        followMax = follow.maxRad;
    }
    std::printf("servo circle: %llu cycles, %llu overruns, lateness p99 %.1f us (max %.1f us)\n",
                static_cast<unsigned long long>(status.cycles),
                static_cast<unsigned long long>(status.overruns), status.lateP99Sec * 1e6,
                status.lateMaxSec * 1e6);
    std::printf("servo circle: %llu targets sent, %llu answered (p99 %.1f us), %llu refused\n",
                static_cast<unsigned long long>(status.sent),
                static_cast<unsigned long long>(status.answered), status.answerP99Sec * 1e6,
                static_cast<unsigned long long>(status.refused));
    std::printf("servo circle: largest follow error %.4f rad\n", followMax);
    robot.shutdown();
    return 0;
} catch (const tevo::RobotError& e) {
    std::printf("%s\n", e.what());
    return 1;
}
