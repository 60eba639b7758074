// Request/response engine of the control core: response slots, request locks,
// the two request modes, filing of incoming frames, and the object's lifecycle.

#include "RobotSDK/service/robotcontrolservices.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

// The control core whose event thread this is (null on every other thread).
thread_local const RobotControlServices* t_eventThreadOwner = nullptr;

// The control core whose receive thread is inside responseProcess (null on
// every other thread).
thread_local const RobotControlServices* t_receivingCore = nullptr;

// Marks the current thread as this core's receive thread while a frame is
// handled; restores the previous mark, so nested cores stay distinct.
class ReceiveThreadMark {
public:
    explicit ReceiveThreadMark(const RobotControlServices* core) : m_previous(t_receivingCore) {
        t_receivingCore = core;
    }
    ~ReceiveThreadMark() { t_receivingCore = m_previous; }
    ReceiveThreadMark(const ReceiveThreadMark&) = delete;
    ReceiveThreadMark& operator=(const ReceiveThreadMark&) = delete;

private:
    const RobotControlServices* m_previous;
};

std::string commandText(int type) {
    return CommunicationMateType::getCommandDescByType(static_cast<RobotCommandType>(type));
}

// The last refusal by a controller of a request this thread made.
thread_local ControllerRefusal t_lastRefusal;

// The command's name without the catalogue's prefix ("Login" for
// CommunicationType_Login).
std::string commandName(int type) {
    static const std::string kPrefix = "CommunicationType_";
    std::string name = commandText(type);
    if (name.compare(0, kPrefix.size(), kPrefix) == 0) name.erase(0, kPrefix.size());
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

int32_t readLittleEndian32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                (static_cast<uint32_t>(b[2]) << 16) |
                                (static_cast<uint32_t>(b[3]) << 24));
}

}  // namespace

// ---- lifecycle ------------------------------------------------------------

RobotControlServices::RobotControlServices()
    : m_robotStartupDoneResult(ROBOT_SERVICE_READY), m_robotHandShakeSuccFlag(false) {
    m_robotEventQueue.init();
    m_threadId = std::thread([this] {
        t_eventThreadOwner = this;
        robotEventProcessThread(this);
    });
}

RobotControlServices::~RobotControlServices() {
    // The receive thread calls into this object; it must end before the
    // members go away, so disconnect here rather than in the base destructor.
    disconnectRobotServer();
    wakeAllWaitersOnDisconnect();
    stopEventThread();
}

void RobotControlServices::stopEventThread() {
    std::lock_guard<std::mutex> lock(m_eventThreadJoinMutex);
    m_eventThreadStop.store(true, std::memory_order_release);
    { std::lock_guard<std::mutex> wake(m_eventWakeMutex); }
    m_eventWakeConditon.notify_one();
    if (m_threadId.joinable()) m_threadId.join();
}

bool RobotControlServices::isEventThread() const { return t_eventThreadOwner == this; }

bool RobotControlServices::onReceiveThread() const { return t_receivingCore == this; }

// ---- request/response engine ---------------------------------------------

int RobotControlServices::getErrCodeByServerResponse(int code) {
    switch (code) {
        case 0:
            return ErrnoSucc;
        case 4:
            return ErrCode_RealRobotNoExist;
        default:
            return ErrCode_ResponseReturnError;
    }
}

void RobotControlServices::recordRefusal(RobotCommandType type, int controllerCode,
                                         const std::string& controllerText) {
    ControllerRefusal refusal;
    refusal.commandType = static_cast<int>(type);
    refusal.command = commandName(type);
    refusal.controllerCode = controllerCode;
    if (!controllerText.empty()) {
        refusal.text = controllerText;
    } else if (*robotControllerCodeText(controllerCode) != '\0') {
        refusal.text = robotControllerCodeText(controllerCode);
    } else {
        refusal.text = "controller code " + std::to_string(controllerCode);
    }
    RobotLogPrint::trace(LL_ERROR, "sdk log: The controller refused %s: %s (controller code %d).",
                         refusal.command.c_str(), refusal.text.c_str(), controllerCode);
    t_lastRefusal = std::move(refusal);
}

ControllerRefusal RobotControlServices::lastControllerRefusal() { return t_lastRefusal; }

int RobotControlServices::sendRequestWaitResponse(const CommunicationRequest& requestInfo,
                                                  CommunicationResponse& responseInfo) {
    // Taken before the status test so that a disconnect after the test is seen
    // by the wait below.
    const uint64_t generation = m_linkGeneration.load(std::memory_order_acquire);
    if (!linkUsableHere()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Current connect disconnect.");
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Not logged in: no connection to a controller, request "
                             "not sent. cmd type: %d",
                             static_cast<int>(requestInfo.m_commandType));
        return ErrCode_SocketDisconnect;
    }
    const int type = requestInfo.m_commandType;
    if (type < 0 || type >= CommunicationMateType::CommunicationTypeCount) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Request command type not exist. cmd type: %d",
                             type);
        return ErrCode_ParamError;
    }
    // The receive thread would wait for a response that only it can file: the
    // request could only time out, with every frame held up meanwhile.
    if (onReceiveThread()) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: A request was made from the receive thread (a push "
                             "callback); refused. cmd type: %d %s",
                             type, commandText(type).c_str());
        return ErrCode_RequestRelatedVariableError;
    }

    // One request per kind is outstanding. The wait for the one before counts
    // in this request's 1.8 s answer time, so the whole call stays within its
    // documented bound (the send's own deadline plus 1.8 s) however long the
    // other one takes. A turn that comes with less than QUEUED_MIN_ANSWER_MSEC
    // left is not taken: the request could not be answered in time.
    const auto callStart = std::chrono::steady_clock::now();
    const auto answerBudget = std::chrono::milliseconds(WAIT_RESPONSE_MAX_TIME_MSEC);
    std::unique_lock<DeadlineMutex> requestLock(m_robotCommandMutexSet[type], std::defer_lock);
    if (!requestLock.try_lock_until(callStart + answerBudget -
                                    std::chrono::milliseconds(QUEUED_MIN_ANSWER_MSEC))) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: A request of the same kind was still outstanding after "
                             "%d ms; not sent. cmd type: %d %s",
                             WAIT_RESPONSE_MAX_TIME_MSEC - QUEUED_MIN_ANSWER_MSEC, type,
                             commandText(type).c_str());
        return ErrCode_RequestTimeout;
    }
    const auto queued = std::chrono::steady_clock::now() - callStart;
    CommunicationResponse& slot = m_robotCommandResponseSet[type];
    // Held from before the send until the wait begins: a fast response cannot be
    // filed (and signalled) before this thread waits for it.
    std::unique_lock<std::mutex> slotLock(slot.m_mutex);
    slot.destroy();
    // Only while the slot is awaited does the receive thread file a response in
    // it; the mark is cleared under the slot mutex on every way out.
    slot.m_awaited = true;
    struct AwaitMark {
        CommunicationResponse& slot;
        ~AwaitMark() {
            slot.m_awaited = false;
            slot.destroy();
        }
    } awaitMark{slot};

    const bool isMove = type == CommunicationMateType::CommunicationType_RobotMove;
    const bool isPause =
        type == CommunicationMateType::CommunicationType_RobotMoveControlType_Pause;
    const bool isContinue =
        type == CommunicationMateType::CommunicationType_RobotMoveControlType_Continue;
    if (isMove) RobotLogPrint::trace(LL_INFO, "sdk log: Ready to send a motion request.");
    if (isPause) RobotLogPrint::trace(LL_INFO, "sdk log: Ready to send a pause request.");

    if (!encodeAndSendCommunicationPackage(requestInfo)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: encode and send request failed.");
        return ErrCode_SendRequestFailed;
    }
    if (isMove)
        RobotLogPrint::trace(
            LL_INFO, "sdk log: Sending robotMove request was successful, waiting response.");
    if (isPause)
        RobotLogPrint::trace(LL_INFO,
                             "sdk log: Sending pause request was successful, waiting response.");

    const auto deadline = std::chrono::steady_clock::now() + answerBudget - queued;
    slot.m_conditon.wait_until(slotLock, deadline, [&] {
        return slot.m_textPtr != nullptr ||
               m_linkGeneration.load(std::memory_order_acquire) != generation;
    });
    if (slot.m_textPtr == nullptr) {
        if (m_linkGeneration.load(std::memory_order_acquire) != generation) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: Current connect disconnect.");
            return ErrCode_SocketDisconnect;
        }
        RobotLogPrint::trace(LL_ERROR, "sdk log: Wait response timeout. cmd type: %d %s", type,
                             commandText(type).c_str());
        return ErrCode_RequestTimeout;
    }

    // The text moves to the caller, so the slot keeps nothing once answered.
    slot.moveTo(responseInfo);

    if (isMove)
        RobotLogPrint::trace(
            LL_INFO, "sdk log: Successfully waited for a robotMove response from the server.");
    if (isPause)
        RobotLogPrint::trace(
            LL_INFO, "sdk log: Successfully waited for a move pause response from the server.");
    if (isContinue)
        RobotLogPrint::trace(
            LL_INFO, "sdk log: Successfully waited for a move continue response from the server.");
    return ErrnoSucc;
}

int RobotControlServices::sendWithoutAnswer(RobotCommandType type, char* body, int bodyLength) {
    CommunicationRequest request;  // owns and frees the body
    request.setProperty(-1, type, body, bodyLength);
    if (!linkUsableHere()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Current connect disconnect.");
        return ErrCode_SocketDisconnect;
    }
    if (onReceiveThread()) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: A request was made from the receive thread (a push "
                             "callback); refused. cmd type: %d %s",
                             static_cast<int>(type), commandText(type).c_str());
        return ErrCode_RequestRelatedVariableError;
    }
    if (!encodeAndSendCommunicationPackage(request)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: encode and send request failed.");
        return ErrCode_SendRequestFailed;
    }
    return ErrnoSucc;
}

int RobotControlServices::requestServiceOnlyCheckSendResultMode(RobotCommandType robotCommandType,
                                                                void* protobufTextPtr,
                                                                int protobufTextLength) {
    CommunicationRequest request;  // owns and frees the body
    request.setProperty(-1, robotCommandType, static_cast<char*>(protobufTextPtr),
                        protobufTextLength);
    CommunicationResponse response;
    int ret = sendRequestWaitResponse(request, response);
    if (ret != ErrnoSucc) return ret;
    if (response.m_textPtr == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: robot server response text is NULL.");
        return ErrCode_ResponseInfoIsNULL;
    }
    // An undecodable body leaves the code at 0 and counts as success: the
    // controller answered, and that is all this mode checks.
    CommunicationCommonResultResponse result;
    ProtoEncodeDecode::resolveResponse_commonFormat(response.m_textPtr, response.m_textLength,
                                                    result);
    ret = getErrCodeByServerResponse(result.m_errorCode);
    if (ret != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Response return false. cmd Type:%s  errorCode:%d",
                             commandText(robotCommandType).c_str(), result.m_errorCode);
        recordRefusal(robotCommandType, result.m_errorCode, result.m_errorMsg);
    }
    return ret;
}

int RobotControlServices::requestServiceGetResponseContentMode(
    RobotCommandType robotCommandType, void* protobufTextPtr, int protobufTextLength,
    CommunicationResponse& robotResponse) {
    CommunicationRequest request;
    request.setProperty(-1, robotCommandType, static_cast<char*>(protobufTextPtr),
                        protobufTextLength);
    robotResponse.destroy();
    robotResponse.setProperty(-1, robotCommandType, nullptr, 0);
    const int ret = sendRequestWaitResponse(request, robotResponse);
    if (ret != ErrnoSucc) return ret;
    if (robotResponse.m_textPtr == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: robot server response text is NULL.");
        return ErrCode_ResponseInfoIsNULL;
    }
    return ErrnoSucc;
}

int RobotControlServices::heartbeatService() {
    return requestServiceOnlyCheckSendResultMode(
        CommunicationMateType::CommunicationType_communicationHeart, nullptr, 0);
}

int RobotControlServices::responseProcess(int socketFd, const char* requestContentPtr,
                                          int requestContentLength) {
    if (requestContentPtr == nullptr || requestContentLength < 4) {
        RobotLogPrint::trace(LL_ERROR, "sdk log:  Command type not exist.");
        return 0;
    }
    const int type = readLittleEndian32(requestContentPtr);
    if (type < 0 || type >= CommunicationMateType::CommunicationTypeCount) {
        RobotLogPrint::trace(LL_ERROR, "sdk log:  Command type not exist.");
        return 0;
    }
    const char* body = requestContentPtr + 4;
    const int bodyLength = requestContentLength - 4;
    const ReceiveThreadMark mark(this);

    // Unrequested frames are decoded straight from the receive buffer; no
    // caller ever waits on their slots.
    switch (type) {
        case CommunicationMateType::CommunicationType_Event:
            realTimeRobotEventResponseService(body, bodyLength);
            return 0;
        case CommunicationMateType::CommunicationType_RealTimeJointStatus:
            realTimeJointStatusService(body, bodyLength);
            return 0;
        case CommunicationMateType::CommunicationType_RealTimeRobotJointAngle:
            realTimeJointAngleService(body, bodyLength);
            return 0;
        case CommunicationMateType::CommunicationType_RealTimeRobotEndSpeed:
            realTimeEndSpeedService(body, bodyLength);
            return 0;
        case CommunicationMateType::CommunicationType_MovepProgressNotify:
            realTimeMovepProgressNotifyService(body, bodyLength);
            return 0;
        case CommunicationMateType::CommunicationType_SetRobotPosData2Canbus:
            if (m_servoAnswers.active()) {
                // A stream's answer: counted, never filed (no caller waits for it).
                CommunicationCommonResultResponse result;
                ProtoEncodeDecode::resolveResponse_commonFormat(body, bodyLength, result);
                const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count();
                if (m_servoAnswers.noteAnswer(result.m_errorCode, result.m_errorMsg, now)) return 0;
            }
            break;
        case CommunicationMateType::CommunicationType_RobotMove:
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: Processing the robotMove response from the server..");
            break;
        case CommunicationMateType::CommunicationType_RobotMoveControlType_Pause:
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: Processing the pause response from the server..");
            break;
        case CommunicationMateType::CommunicationType_RobotMoveControlType_Continue:
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: Processing the continue response from the server..");
            break;
        default:
            break;
    }

    CommunicationResponse& slot = m_robotCommandResponseSet[type];
    {
        std::lock_guard<std::mutex> lock(slot.m_mutex);
        // A response nobody waits for (late, repeated or never requested) is
        // dropped rather than kept: it could pin a frame's size per command type.
        if (!slot.m_awaited) return 0;
        char* copy = new char[bodyLength];
        if (bodyLength > 0) std::memcpy(copy, body, static_cast<size_t>(bodyLength));
        slot.destroy();  // a second response before the caller woke replaces the first
        slot.setProperty(socketFd, static_cast<RobotCommandType>(type), copy, bodyLength);
    }
    slot.m_conditon.notify_one();
    return 0;
}

// The transport's report of a lost connection: the event a controller would
// send for it, through the same processing as a received event frame.
void RobotControlServices::disconnectProcess() {
    const ReceiveThreadMark mark(this);
    RobotEventInfo eventInfo;
    eventInfo.eventType = RobotEvent_socketDisconnected;
    eventInfo.eventCode = 0;
    eventInfo.eventContent = "Server disconnected.";
    robotRealTimeEventProcess(eventInfo);
    std::lock_guard<std::mutex> lock(m_linkLostMutex);
    if (m_linkLostListener) m_linkLostListener(lastLinkEnd());
}

void RobotControlServices::setReloginThread(std::thread::id thread) {
    m_reloginThread.store(thread, std::memory_order_release);
}

bool RobotControlServices::linkUsableHere() const {
    if (!getCurrentConnectStatus()) return false;
    const std::thread::id relogin = m_reloginThread.load(std::memory_order_acquire);
    return relogin == std::thread::id() || relogin == std::this_thread::get_id();
}

void RobotControlServices::setLinkLostListener(LinkLostListener listener) {
    std::lock_guard<std::mutex> lock(m_linkLostMutex);
    m_linkLostListener = std::move(listener);
}

// ---- completion points and disconnect wake-up ------------------------------

void RobotControlServices::armCompletion(CompletionPoint& point) {
    std::lock_guard<std::mutex> lock(point.m_mutex);
    point.m_signalled = false;
}

bool RobotControlServices::signalCompletion(CompletionPoint& point, int lockLimitMsec) {
    std::unique_lock<std::mutex> lock(point.m_mutex, std::defer_lock);
    if (lockLimitMsec < 0) {
        lock.lock();
    } else {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(lockLimitMsec);
        while (!lock.try_lock()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    point.m_signalled = true;
    lock.unlock();
    point.m_conditon.notify_all();
    return true;
}

RobotControlServices::WaitOutcome RobotControlServices::waitCompletion(
    CompletionPoint& point, std::chrono::steady_clock::time_point deadline,
    uint64_t linkGeneration) {
    const auto over = [&] {
        return point.m_signalled ||
               m_linkGeneration.load(std::memory_order_acquire) != linkGeneration;
    };
    const WaitOutcome outcome = waitWhileControllerAnswers(
        [&](std::chrono::steady_clock::time_point until) {
            std::unique_lock<std::mutex> lock(point.m_mutex);
            return point.m_conditon.wait_until(lock, until, over);
        },
        deadline);
    if (outcome == WaitOutcome::Silent) return outcome;
    std::lock_guard<std::mutex> lock(point.m_mutex);
    if (point.m_signalled) return WaitOutcome::Signalled;
    if (m_linkGeneration.load(std::memory_order_acquire) != linkGeneration)
        return WaitOutcome::Disconnected;
    return WaitOutcome::TimedOut;
}

int RobotControlServices::waitMoveEnd(uint64_t ticket, int& moveEndEventType) {
    RobotEventType end = RobotEventInvalid;
    const WaitOutcome outcome = waitWhileControllerAnswers(
        [&](std::chrono::steady_clock::time_point until) {
            end = m_moveEndWait.waitUntil(ticket, until);
            return end != RobotEventInvalid;
        },
        std::chrono::steady_clock::time_point::max());
    if (outcome == WaitOutcome::Silent) return ErrCode_RequestTimeout;
    moveEndEventType = end;
    return ErrnoSucc;
}

RobotControlServices::WaitOutcome RobotControlServices::waitWhileControllerAnswers(
    const std::function<bool(std::chrono::steady_clock::time_point)>& waitSlice,
    std::chrono::steady_clock::time_point deadline) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const Clock::time_point sliceEnd =
            std::min(deadline, Clock::now() + std::chrono::milliseconds(BLOCKING_WAIT_SLICE_MSEC));
        if (waitSlice(sliceEnd)) return WaitOutcome::Signalled;
        const Clock::time_point now = Clock::now();
        if (now >= deadline) return WaitOutcome::TimedOut;
        // Silence counts from the last byte heard, but not from before this
        // wait began: a wait is never cut short by a quiet spell before it.
        const auto silence = std::chrono::duration_cast<std::chrono::milliseconds>(
            now - std::max(lastHeard(), start));
        if (silence.count() >= SILENCE_GIVE_UP_MSEC) {
            RobotLogPrint::trace(
                LL_ERROR,
                "sdk log: The controller has not answered for %d ms; the blocking call gives up.",
                static_cast<int>(silence.count()));
            return WaitOutcome::Silent;
        }
        if (silence.count() >= SILENCE_PROBE_MSEC) probeSilentController();
    }
}

void RobotControlServices::probeSilentController(int minIntervalMsec) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::milliseconds(minIntervalMsec));
    auto last = m_lastProbe.load(std::memory_order_relaxed);
    // One thread per interval wins the exchange; concurrent waits share its probe.
    do {
        if (now.count() - last < interval.count()) return;
    } while (!m_lastProbe.compare_exchange_weak(last, now.count(), std::memory_order_relaxed));
    // Sent past the request engine: its response wait would hold this loop
    // for 1.8 s. The response, filed by no one, only refreshes lastHeard().
    CommunicationRequest heartbeat;
    heartbeat.setProperty(-1, CommunicationMateType::CommunicationType_communicationHeart, nullptr,
                          0);
    if (getCurrentConnectStatus()) encodeAndSendCommunicationPackage(heartbeat);
}

void RobotControlServices::wakeAllWaitersOnDisconnect() {
    m_linkGeneration.fetch_add(1, std::memory_order_acq_rel);
    // Passing through each mutex orders the bump before any waiter's next
    // predicate test, so no waiter can miss the notification.
    for (CommunicationResponse& slot : m_robotCommandResponseSet) {
        { std::lock_guard<std::mutex> lock(slot.m_mutex); }
        slot.m_conditon.notify_all();
    }
    for (CompletionPoint* point :
         {&m_startupDone, &m_shutDownDone, &m_robotHandShakeFinish, &m_robotMoveControlStop,
          &m_robotMoveControlPause, &m_robotMoveControlContinue}) {
        { std::lock_guard<std::mutex> lock(point->m_mutex); }
        point->m_conditon.notify_all();
    }
    m_moveEndWait.wakeAll();
}
