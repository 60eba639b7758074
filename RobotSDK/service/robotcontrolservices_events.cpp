// Real-time pushes and robot events: the push handlers, the event processing
// that completes wait points, the event ring and the event thread.

#include <chrono>
#include <cstring>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

// Events that end a blocking move.
bool isMoveFinishEvent(int type) {
    return type == RobotEvent_atTrackTargetPos || type == RobotEvent_robotControllerError ||
           type == RobotEvent_socketDisconnected || (type >= 1001 && type <= 1299) ||
           type == RobotEventMoveEnterStopState ||
           (type >= 2001 && type <= 2999 && type != RobotEventSoftEmergencyExit);
}

// Pairs the two log lines of one done event.
int logPairId() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(now).count() %
                            1000000);
}

}  // namespace

// ---- RobotEvent / RobotEventQueue -----------------------------------------

RobotEvent::RobotEvent() : m_eventType(robot_event_unknown), m_evnetCode(0) {}

RobotEvent::RobotEvent(int eventType, int eventCode, std::string eventContent)
    : m_eventType(eventType), m_evnetCode(eventCode), m_eventContent(std::move(eventContent)) {}

RobotEventQueue::RobotEventQueue() : m_wIdx(0), m_rIdx(0), m_queue(QUEUE_SIZE) {}

void RobotEventQueue::init() {
    m_wIdx.store(0, std::memory_order_relaxed);
    m_rIdx.store(0, std::memory_order_relaxed);
}

bool RobotEventQueue::push(RobotEvent&& event) {
    const uint32_t w = m_wIdx.load(std::memory_order_relaxed);
    // Acquire: the consumer has finished with every slot it released.
    if (w - m_rIdx.load(std::memory_order_acquire) >= static_cast<uint32_t>(QUEUE_SIZE))
        return false;
    m_queue[w % QUEUE_SIZE] = std::move(event);
    m_wIdx.store(w + 1, std::memory_order_release);
    return true;
}

bool RobotEventQueue::pop(RobotEvent& event) {
    const uint32_t r = m_rIdx.load(std::memory_order_relaxed);
    // Acquire: the producer's write of the slot is visible.
    if (r == m_wIdx.load(std::memory_order_acquire)) return false;
    RobotEvent& slot = m_queue[r % QUEUE_SIZE];
    event = std::move(slot);
    // A released slot holds no text: an event's text would otherwise stay
    // allocated until the ring comes round to the slot again.
    std::string().swap(slot.m_eventContent);  // NOLINT(bugprone-use-after-move): resets it
    m_rIdx.store(r + 1, std::memory_order_release);
    return true;
}

bool RobotEventQueue::empty() const {
    return m_rIdx.load(std::memory_order_relaxed) == m_wIdx.load(std::memory_order_acquire);
}

// ---- registration -----------------------------------------------------------

void RobotControlServices::robotServiceRegisterRealTimeJointStatusCallbackService(
    RealTimeJointStatusCallback ptr, void* arg) {
    m_realTimeJointStatusCallback.set(ptr, arg);
}

void RobotControlServices::robotServiceRegisterRealTimeRoadPointCallbackService(
    RealTimeRoadPointCallback ptr, void* arg) {
    m_realTimeRoadPointCallback.set(ptr, arg);
}

void RobotControlServices::robotServiceRegisterRealTimeEndSpeedCallbackService(
    RealTimeEndSpeedCallback ptr, void* arg) {
    m_robotEndSpeedCallback.set(ptr, arg);
}

void RobotControlServices::robotServiceRegisterRobotEventInfoCallbackService(RobotEventCallback ptr,
                                                                             void* arg) {
    m_robotEventCallback.set(ptr, arg);
}

void RobotControlServices::robotServiceRegisterMovepProgressNotifyCallbackService(
    RealTimeMovepStepNumNotifyCallback ptr, void* arg) {
    m_movepProgressNotifyCallback.set(ptr, arg);
}

// ---- push handlers (receive thread) ----------------------------------------

void RobotControlServices::realTimeJointStatusService(const char* body, int length) {
    JointStatus status[ARM_DOF];
    std::memset(static_cast<void*>(status), 0, sizeof(status));
    int errorCode = 0;
    if (!ProtoEncodeDecode::resolveResponse_jointStatus(body, length, status, ARM_DOF, errorCode)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve realtime joint status info failed.");
        return;
    }
    const auto [callback, arg] = m_realTimeJointStatusCallback.get();
    if (callback != nullptr) callback(status, ARM_DOF, arg);
}

void RobotControlServices::realTimeJointAngleService(const char* body, int length) {
    JointParam jointAngle;
    std::memset(static_cast<void*>(&jointAngle), 0, sizeof(jointAngle));
    int errorCode = 0;
    if (!ProtoEncodeDecode::resolveResponse_jointAngle(body, length, jointAngle, errorCode)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve realtime joint status info failed.");
        return;
    }
    const auto [callback, arg] = m_realTimeRoadPointCallback.get();
    if (callback == nullptr) return;
    wayPoint_S wayPoint;
    std::memset(static_cast<void*>(&wayPoint), 0, sizeof(wayPoint));
    // The pose is this arm's: another connection's login may have set the
    // process-wide model to a different arm. The waypoint is delivered
    // whatever the kinematics returns.
    bool modelKnown;
    RobotDhPara dhPara;
    {
        std::lock_guard<std::mutex> lock(m_armModelMutex);
        modelKnown = m_armModelKnown;
        dhPara = m_armDhPara;
    }
    if (modelKnown)
        RobotUtilService::robotFk(jointAngle.jointPos, ARM_DOF, dhPara, wayPoint);
    else
        RobotUtilService::robotFk(jointAngle.jointPos, ARM_DOF, wayPoint);
    callback(&wayPoint, arg);
}

void RobotControlServices::realTimeEndSpeedService(const char* body, int length) {
    double speed = 0.0;
    if (!ProtoEncodeDecode::resolveResponse_robotEndSpeed(body, length, speed)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve realtime end speed info failed.");
        return;
    }
    const auto [callback, arg] = m_robotEndSpeedCallback.get();
    if (callback != nullptr) callback(speed, arg);
}

void RobotControlServices::realTimeMovepProgressNotifyService(const char* body, int length) {
    int step = 0;
    if (!ProtoEncodeDecode::resolveResponse_movepProgressNotify(body, length, step)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve realtime movep step num info failed.");
        return;
    }
    const auto [callback, arg] = m_movepProgressNotifyCallback.get();
    if (callback != nullptr) callback(step, arg);
}

void RobotControlServices::realTimeRobotEventResponseService(const char* body, int length) {
    RobotEventInfo eventInfo;
    eventInfo.eventType = robot_event_unknown;
    eventInfo.eventCode = 0;
    if (!ProtoEncodeDecode::resolveResponse_robotEvent(body, length, eventInfo)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Resolve realtime robot event failed.");
        return;
    }
    robotRealTimeEventProcess(eventInfo);
}

// ---- event processing (receive thread) -------------------------------------

// The event by value, as the interface declares it.
void RobotControlServices::robotRealTimeEventProcess(
    RobotEventInfo eventInfo) {  // NOLINT(performance-unnecessary-value-param)
    const int type = eventInfo.eventType;

    // A lost connection ends every pending wait at once instead of at its
    // time-out. The controller may send this type itself while the link is up
    // (and the client reports an exceptional socket condition the same way);
    // only a link that is really down wakes the waiters.
    if (type == RobotEvent_socketDisconnected && !getCurrentConnectStatus())
        wakeAllWaitersOnDisconnect();

    if (type > 1000) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: real time event. type:%d %s", type,
                             eventInfo.eventContent.c_str());
    }

    if (isMoveFinishEvent(type)) {
        m_moveEndWait.post(static_cast<RobotEventType>(type));
        RobotLogPrint::trace(LL_INFO, "sdk log: Event caused motion disruption. type:%d desc:%s",
                             type, eventInfo.eventContent.c_str());
    }

    switch (type) {
        case RobotEvent_robotStartupDoneResult: {
            std::lock_guard<std::mutex> lock(m_startupDone.m_mutex);
            m_robotStartupDoneResult.store(eventInfo.eventCode, std::memory_order_relaxed);
            m_startupDone.m_signalled = true;
            m_startupDone.m_conditon.notify_all();
            break;
        }
        case RobotEvent_robotShutdownDone:
            signalCompletion(m_shutDownDone);
            break;
        case RobotEvent_RobotHandShakeSucc:
        case RobotEvent_RobotHandShakeFailed: {
            std::lock_guard<std::mutex> lock(m_robotHandShakeFinish.m_mutex);
            m_robotHandShakeSuccFlag.store(type == RobotEvent_RobotHandShakeSucc,
                                           std::memory_order_relaxed);
            m_robotHandShakeFinish.m_signalled = true;
            m_robotHandShakeFinish.m_conditon.notify_all();
            break;
        }
        case RobotEvent_softEmergency:
        case RobotEvent_RobotMoveControlStopDone:
            signalCompletion(m_robotMoveControlStop);
            signalCompletion(m_robotMoveControlPause);
            signalCompletion(m_robotMoveControlContinue);
            break;
        case RobotEvent_RobotMoveControlPauseDone: {
            const int id = logPairId();
            RobotLogPrint::trace(LL_INFO, "sdk log: Ready to process PauseDone event. id:%d", id);
            if (!signalCompletion(m_robotMoveControlPause, PAUSE_DONE_EVNET_TIMED_LOCK_MSEC)) {
                RobotLogPrint::trace(
                    LL_ERROR,
                    "sdk log: The pauseDone mutex could not be locked before the specified "
                    "timeout expired.");
            }
            RobotLogPrint::trace(LL_INFO, "sdk log: Process PauseDone event finish. id:%d", id);
            break;
        }
        case RobotEvent_RobotMoveControlContinueDone: {
            const int id = logPairId();
            RobotLogPrint::trace(LL_INFO, "sdk log: Ready to process ContinueDone event. id:%d",
                                 id);
            signalCompletion(m_robotMoveControlContinue);
            RobotLogPrint::trace(LL_INFO, "sdk log: Process ContinueDone event finish. id:%d", id);
            break;
        }
        case RobotEvent_UpdateJoint6Rot360Flag:
            RobotUtilService::setJoint6Rot360(eventInfo.eventCode > 0);
            RobotLogPrint::trace(LL_INFO, "sdk log: init ik param success.");
            break;
        default:
            break;
    }

    if (m_robotEventCallback.isSet()) pushEventToList(eventInfo);
}

void RobotControlServices::pushEventToList(const RobotEventInfo& eventInfo) {
    if (!m_robotEventQueue.push(
            RobotEvent(eventInfo.eventType, eventInfo.eventCode, eventInfo.eventContent)))
        return;
    // The event thread sleeps until woken. Passing through the mutex after the
    // push means the consumer either sees the event in its test under the
    // mutex or is already waiting when the notification comes.
    { std::lock_guard<std::mutex> lock(m_eventWakeMutex); }
    m_eventWakeConditon.notify_one();
}

// ---- event thread -----------------------------------------------------------

void RobotControlServices::robotEventProcessThread(RobotControlServices* self) {
    RobotEvent event;
    while (!self->m_eventThreadStop.load(std::memory_order_acquire)) {
        if (!self->m_robotEventQueue.pop(event)) {
            // Sleeps until an event or the stop request. The ring is tested
            // again under the mutex the producer passes through after each
            // push, so a push between the pop above and the wait is not missed.
            std::unique_lock<std::mutex> lock(self->m_eventWakeMutex);
            self->m_eventWakeConditon.wait(lock, [&] {
                return !self->m_robotEventQueue.empty() ||
                       self->m_eventThreadStop.load(std::memory_order_acquire);
            });
            continue;
        }
        RobotEventInfo eventInfo;
        eventInfo.eventType = static_cast<RobotEventType>(event.m_eventType);
        eventInfo.eventCode = event.m_evnetCode;
        eventInfo.eventContent = std::move(event.m_eventContent);
        event.m_eventContent.clear();
        RobotLogPrint::trace(LL_INFO, "ready callback. type:%d desc:%s", event.m_eventType,
                             eventInfo.eventContent.c_str());
        const auto [callback, arg] = self->m_robotEventCallback.get();
        if (callback != nullptr) callback(&eventInfo, arg);
    }
}
