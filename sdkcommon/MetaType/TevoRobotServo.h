// Servo streaming: the settings and the figures of a stream of joint or pose
// targets sent once per period, which the controller follows
// (ServiceInterface::robotServiceServoStart and the calls after it).
#ifndef TEVO_ROBOT_SERVO_H
#define TEVO_ROBOT_SERVO_H

#include <cstdint>

namespace tevo_robot_namespace {

// Settings of a servo stream.
struct ServoStreamOptions {
    // Period of the application's loop, seconds: 0.0005 to 0.1 (one target per
    // period; the controller follows at its own rate and interpolates).
    double periodSec = 0.002;
    // Joint speed limit, rad/s, above 0 and at most 10: a target farther from
    // the previous target, in any joint, than this limit times the time since
    // that target (at least one period) is refused before it is sent.
    double maxJointSpeed = 3.0;
    // Seconds within which the controller must answer each target, 0.01 to
    // 10: a target sent while an older one has waited longer for its answer
    // fails with ErrCode_RequestTimeout.
    double answerTimeoutSec = 0.5;
};

// Figures of a servo stream: live while it runs, kept after it stops until
// the next start. Times are seconds on the monotonic clock.
struct ServoStreamStatus {
    // 1 while the stream runs, else 0.
    int32_t active = 0;
    // Padding; always 0.
    int32_t reserved = 0;
    // Calls of robotServiceServoWaitPeriod.
    uint64_t cycles = 0;
    // Of those, the ones that found their deadline already passed.
    uint64_t overruns = 0;
    // Targets sent to the controller.
    uint64_t sent = 0;
    // Answers received to them.
    uint64_t answered = 0;
    // Of those, the ones that refused the target.
    uint64_t refused = 0;
    // Targets refused before sending (unreachable pose, too far a jump).
    uint64_t refusedLocally = 0;
    // How late the last cycle started (wake-up minus deadline).
    double lateLastSec = 0;
    // Median lateness over every cycle (10 microsecond resolution).
    double lateP50Sec = 0;
    // 99th percentile of the lateness (10 microsecond resolution).
    double lateP99Sec = 0;
    // Largest lateness.
    double lateMaxSec = 0;
    // Median time from sending a target to its answer (10 microsecond resolution).
    double answerP50Sec = 0;
    // 99th percentile of that time (10 microsecond resolution).
    double answerP99Sec = 0;
    // Largest time from sending a target to its answer.
    double answerMaxSec = 0;
    // The last target sent, joint angles in rad.
    double lastTarget[6] = {0, 0, 0, 0, 0, 0};
};

}  // namespace tevo_robot_namespace

#endif  // TEVO_ROBOT_SERVO_H
