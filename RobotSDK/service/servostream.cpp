// The servo stream: pacing, local checks of each target, the streamed send.

#include "RobotSDK/service/servostream.h"

#include <sys/prctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

using CMT = CommunicationMateType;

constexpr double kNsecPerSec = 1e9;

// The monotonic clock in nanoseconds: CLOCK_MONOTONIC, the clock steady_clock
// reads, so these times compare with the control core's answer times.
int64_t monotonicNsec() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Sleeps until the monotonic clock reads deadlineNsec (at once when it has).
void sleepUntil(int64_t deadlineNsec) {
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(deadlineNsec / 1000000000LL);
    deadline.tv_nsec = static_cast<long>(deadlineNsec % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

// Once per thread: 1 microsecond of timer slack instead of the default 50
// (see the header).
void tightenTimerSlack() {
    thread_local bool done = false;
    if (done) return;
    done = true;
    if (prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL) != 0) {
        RobotLogPrint::trace(LL_WARN,
                             "sdk log: Servo stream: the timer slack could not be set (errno %d); "
                             "wake-ups may come up to 50 microseconds late.",
                             errno);
    }
}

bool inRange(double value, double low, double high) { return value >= low && value <= high; }

}  // namespace

RobotServoStream::RobotServoStream(RobotControlServices* core)
    : m_core(core), m_answers(core->servoAnswers()) {}

int RobotServoStream::start(const ServoStreamOptions& options) {
    if (!inRange(options.periodSec, 0.0005, 0.1) ||
        !(options.maxJointSpeed > 0.0 && options.maxJointSpeed <= 10.0) ||
        !inRange(options.answerTimeoutSec, 0.01, 10.0)) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Servo stream refused: period %g s (0.0005 to 0.1), joint "
                             "speed limit %g rad/s (above 0, at most 10), answer time-out %g s "
                             "(0.01 to 10).",
                             options.periodSec, options.maxJointSpeed, options.answerTimeoutSec);
        return ErrCode_ParamError;
    }
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_running) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: Servo stream refused: one runs already.");
            return ErrCode_Failed;
        }
    }
    const uint64_t generation = m_core->linkGeneration();
    JointParam joints{};
    int ret = m_core->getCurrentJointAngle(joints);
    if (ret != ErrnoSucc) return ret;
    m_answers.begin();
    ret = controller_request::sendEmpty(*m_core, CMT::CommunicationType_EnterTcp2CanbusMode);
    if (ret != ErrnoSucc) {
        m_answers.end();
        return ret;
    }
    const int64_t now = monotonicNsec();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options = options;
    m_periodNsec = std::llround(options.periodSec * kNsecPerSec);
    m_answerTimeoutNsec = std::llround(options.answerTimeoutSec * kNsecPerSec);
    m_deadlineNsec = now + m_periodNsec;
    for (size_t i = 0; i < m_lastTarget.size(); ++i) {
        m_lastTarget[i] = joints.jointPos[i];
        m_lastTargetShown[i].store(joints.jointPos[i], std::memory_order_relaxed);
    }
    m_lastTargetNsec = now;
    m_linkGeneration = generation;
    m_cycles.store(0, std::memory_order_relaxed);
    m_overruns.store(0, std::memory_order_relaxed);
    m_refusedLocally.store(0, std::memory_order_relaxed);
    m_lateLastNsec.store(0, std::memory_order_relaxed);
    m_lateness.reset();
    m_running = true;
    m_active.store(true, std::memory_order_release);
    return ErrnoSucc;
}

int RobotServoStream::waitPeriod() {
    tightenTimerSlack();
    int64_t deadline = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running) return ErrCode_Failed;
        deadline = m_deadlineNsec;
        const int64_t now = monotonicNsec();
        if (now > deadline) {
            // Late: no sleep, and the next deadline is the next grid point
            // after now, so the loop neither drifts nor sends a burst.
            m_deadlineNsec = deadline + ((now - deadline) / m_periodNsec + 1) * m_periodNsec;
            recordLateness(now - deadline, true);
            return ErrnoSucc;
        }
    }
    sleepUntil(deadline);
    const int64_t woke = monotonicNsec();
    std::lock_guard<std::mutex> lock(m_mutex);
    // Stopped (or stopped and started again) during the sleep.
    if (!m_running || m_deadlineNsec != deadline) return ErrCode_Failed;
    m_deadlineNsec = deadline + m_periodNsec;
    recordLateness(woke - deadline, false);
    return ErrnoSucc;
}

void RobotServoStream::recordLateness(int64_t latenessNsec, bool overrun) {
    m_cycles.fetch_add(1, std::memory_order_relaxed);
    if (overrun) m_overruns.fetch_add(1, std::memory_order_relaxed);
    m_lateLastNsec.store(latenessNsec, std::memory_order_relaxed);
    m_lateness.add(latenessNsec);
}

int RobotServoStream::sendJoints(const double* jointAngle) {
    if (jointAngle == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Servo target refused: null joint angles.");
        return ErrCode_ParamError;
    }
    if (target_check::refuseNonFinite("Servo target", jointAngle, ARM_DOF) != ErrnoSucc)
        return ErrCode_ParamError;
    std::lock_guard<std::mutex> lock(m_mutex);
    return sendLocked(jointAngle, monotonicNsec());
}

int RobotServoStream::sendPose(const Pos& position, const Ori& orientation) {
    const double pose[7] = {position.x,    position.y,    position.z,   orientation.w,
                            orientation.x, orientation.y, orientation.z};
    if (target_check::refuseNonFinite("Servo pose target", pose, 7) != ErrnoSucc)
        return ErrCode_ParamError;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_running) return ErrCode_Failed;
    wayPoint_S solved{};
    if (RobotUtilService::robotIk(m_lastTarget.data(), position, orientation, solved) !=
        ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Servo target refused: no joint angles reach the pose "
                             "(%.4f, %.4f, %.4f) m; nothing sent.",
                             position.x, position.y, position.z);
        return refuseLocally(ErrCode_IkFailed);
    }
    return sendLocked(solved.jointpos, monotonicNsec());
}

int RobotServoStream::refuseLocally(int code) {
    m_refusedLocally.fetch_add(1, std::memory_order_relaxed);
    return code;
}

int RobotServoStream::sendLocked(const double* jointAngle, int64_t nowNsec) {
    if (!m_running) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Servo target refused: no stream runs.");
        return ErrCode_Failed;
    }
    // What happened to earlier targets comes first: a lost link, a refusal,
    // an answer that does not come.
    if (!m_core->getCurrentConnectStatus() || m_core->linkGeneration() != m_linkGeneration) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Servo target refused: the connection was lost; stop the "
                             "stream and start it again.");
        return ErrCode_SocketDisconnect;
    }
    int refusalCode = 0;
    std::string refusalText;
    switch (m_answers.blocker(nowNsec, m_answerTimeoutNsec, refusalCode, refusalText)) {
        case ServoAnswers::Blocker::Refused:
            RobotControlServices::recordRefusal(CMT::CommunicationType_SetRobotPosData2Canbus,
                                                refusalCode, refusalText);
            return ErrCode_ResponseReturnError;
        case ServoAnswers::Blocker::Overdue:
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: Servo target refused: the controller has not answered "
                                 "an earlier target within %.3f s.",
                                 m_options.answerTimeoutSec);
            return ErrCode_RequestTimeout;
        case ServoAnswers::Blocker::None:
            break;
    }
    // The joint speed limit over the time since the previous target, at
    // least one period.
    const double elapsedSec =
        static_cast<double>(std::max(nowNsec - m_lastTargetNsec, m_periodNsec)) / kNsecPerSec;
    const double maxStep = m_options.maxJointSpeed * elapsedSec;
    for (int i = 0; i < ARM_DOF; ++i) {
        const double step = std::fabs(jointAngle[i] - m_lastTarget[static_cast<size_t>(i)]);
        if (step > maxStep) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: Servo target refused: joint %d moves %.4f rad in %.4f "
                                 "s, more than the limit of %.2f rad/s allows; nothing sent.",
                                 i + 1, step, elapsedSec, m_options.maxJointSpeed);
            return refuseLocally(ErrCodeJointTargetSpeedOutOfRange);
        }
    }
    // The waypoint carries the flange pose by forward kinematics beside the
    // joint angles, as every streamed position does.
    wayPoint_S waypoint;
    RobotUtilService::initWayPointDataType(waypoint);
    RobotUtilService::robotFk(jointAngle, ARM_DOF, waypoint);
    for (int i = 0; i < ARM_DOF; ++i) waypoint.jointpos[i] = jointAngle[i];
    char* body = nullptr;
    int bodyLength = 0;
    const RobotMoveProfile zeroProfile{};
    if (!ProtoEncodeDecode::getRequest_robotMove(&body, &bodyLength, zeroProfile, {waypoint})) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Create move request failed.");
        return ErrCode_CreateMotionRequestFailed;
    }
    m_answers.noteSend(nowNsec);
    const int ret =
        m_core->sendWithoutAnswer(CMT::CommunicationType_SetRobotPosData2Canbus, body, bodyLength);
    if (ret != ErrnoSucc) {
        m_answers.unnoteSend();
        return ret;
    }
    for (int i = 0; i < ARM_DOF; ++i) {
        m_lastTarget[static_cast<size_t>(i)] = jointAngle[i];
        m_lastTargetShown[static_cast<size_t>(i)].store(jointAngle[i], std::memory_order_relaxed);
    }
    m_lastTargetNsec = nowNsec;
    return ErrnoSucc;
}

int RobotServoStream::stop() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycleMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: Servo stream stop refused: no stream runs.");
            return ErrCode_Failed;
        }
        m_running = false;
        m_active.store(false, std::memory_order_release);
    }
    // The answers of the last targets come before the answer of the leave
    // request: they are still counted.
    const int ret =
        controller_request::sendEmpty(*m_core, CMT::CommunicationType_LeaveTcp2CanbusMode);
    m_answers.end();
    return ret;
}

void RobotServoStream::status(ServoStreamStatus& status) const {
    status = ServoStreamStatus{};
    status.active = m_active.load(std::memory_order_acquire) ? 1 : 0;
    status.cycles = m_cycles.load(std::memory_order_relaxed);
    status.overruns = m_overruns.load(std::memory_order_relaxed);
    const ServoAnswers::Counts counts = m_answers.counts();
    status.sent = counts.sent;
    status.answered = counts.answered;
    status.refused = counts.refused;
    status.refusedLocally = m_refusedLocally.load(std::memory_order_relaxed);
    status.lateLastSec =
        static_cast<double>(m_lateLastNsec.load(std::memory_order_relaxed)) / kNsecPerSec;
    status.lateP50Sec = m_lateness.quantileSec(0.5);
    status.lateP99Sec = m_lateness.quantileSec(0.99);
    status.lateMaxSec = m_lateness.maxSec();
    const DurationHistogram& answers = m_answers.answerTimes();
    status.answerP50Sec = answers.quantileSec(0.5);
    status.answerP99Sec = answers.quantileSec(0.99);
    status.answerMaxSec = answers.maxSec();
    for (size_t i = 0; i < m_lastTargetShown.size(); ++i)
        status.lastTarget[i] = m_lastTargetShown[i].load(std::memory_order_relaxed);
}
