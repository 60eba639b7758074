#ifndef SERVOSTREAM_H
#define SERVOSTREAM_H

// A servo stream: joint targets written to the controller's pass-through mode
// once per period without waiting for their answers, paced to absolute
// deadlines on the monotonic clock. The facade's "Servo streaming" members
// forward here, one per ServiceInterface.
//
//   start       reads the joint angles (one request), enters pass-through mode
//               (one request), first deadline = now + period
//   waitPeriod  sleeps until the deadline (clock_nanosleep, TIMER_ABSTIME,
//               CLOCK_MONOTONIC); a deadline already passed is an overrun:
//               it returns at once and the next deadline is the next point
//               of the period grid after now (no drift, no burst)
//   sendJoints  local checks, then one write (forward kinematics, encoding,
//               the frame; a few microseconds), no wait
//   sendPose    inverse kinematics on the branch nearest the last target,
//               then sendJoints
//   stop        leaves pass-through mode (one request, waiting for its answer)
//   status      the figures; never blocks
//
// Timer slack: Linux delays each timed wake-up of a normal thread by up to its
// timer slack (50 microseconds by default) to batch wake-ups. The first
// waitPeriod on a thread sets that thread's slack to 1 microsecond
// (prctl(PR_SET_TIMERSLACK)), for the rest of the thread's life, so that a
// wake-up comes within a few microseconds of its deadline.
//
// Threads
//   - One application thread drives the stream: start, waitPeriod, sendJoints,
//     sendPose (calls of different threads must be ordered by the caller).
//   - Any thread: stop (also while the driving thread waits; the wait then
//     ends at its deadline with ErrCode_Failed) and status.
//   - The receive thread counts the answers in the control core's
//     ServoAnswers; it never takes a lock of this class.
// Locks, in order: m_lifecycleMutex (start and stop whole, across their
// requests), m_mutex (the drive state; held for the checks and the write of
// one target, never across a blocking request or a sleep), then the control
// core's ServoAnswers lock and the client's send lock. status takes none of
// them but the ServoAnswers leaf lock: the figures are atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "RobotSDK/service/servoanswers.h"
#include "TevoRobotMetaType.h"
#include "TevoRobotServo.h"

class RobotControlServices;

class RobotServoStream {
public:
    explicit RobotServoStream(RobotControlServices* core);
    RobotServoStream(const RobotServoStream&) = delete;
    RobotServoStream& operator=(const RobotServoStream&) = delete;

    int start(const tevo_robot_namespace::ServoStreamOptions& options);
    int waitPeriod();
    int sendJoints(const double* jointAngle);
    int sendPose(const tevo_robot_namespace::Pos& position,
                 const tevo_robot_namespace::Ori& orientation);
    int stop();
    void status(tevo_robot_namespace::ServoStreamStatus& status) const;

private:
    // The checks before a send and the send itself, under m_mutex.
    int sendLocked(const double* jointAngle, int64_t nowNsec);
    // A target refused before sending: counted and logged; returns code.
    int refuseLocally(int code);
    void recordLateness(int64_t latenessNsec, bool overrun);

    RobotControlServices* m_core;
    ServoAnswers& m_answers;

    std::mutex m_lifecycleMutex;
    std::mutex m_mutex;
    // Under m_mutex.
    bool m_running = false;
    tevo_robot_namespace::ServoStreamOptions m_options;
    int64_t m_periodNsec = 0;
    int64_t m_deadlineNsec = 0;
    int64_t m_answerTimeoutNsec = 0;
    std::array<double, 6> m_lastTarget{};
    int64_t m_lastTargetNsec = 0;
    uint64_t m_linkGeneration = 0;

    // The figures, for status on any thread.
    std::atomic<bool> m_active{false};
    std::atomic<uint64_t> m_cycles{0};
    std::atomic<uint64_t> m_overruns{0};
    std::atomic<uint64_t> m_refusedLocally{0};
    std::atomic<int64_t> m_lateLastNsec{0};
    std::array<std::atomic<double>, 6> m_lastTargetShown{};
    DurationHistogram m_lateness;
};

#endif  // SERVOSTREAM_H
