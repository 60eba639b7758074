// The move-end wait: a bounded queue of move-finish events with one waiter.

#include "RobotSDK/service/moveendwait.h"

#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

MoveEndWait::MoveEndWait(const std::atomic<uint64_t>& linkGeneration)
    : m_linkGeneration(linkGeneration), m_lastEnd(RobotEventInvalid) {}

uint64_t MoveEndWait::arm() {
    m_lastEnd.store(RobotEventInvalid, std::memory_order_release);
    // Read before the send: a link lost from here on ends the wait.
    const uint64_t ticket = m_linkGeneration.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_full = false;
    m_waitBegun = false;
    return ticket;
}

void MoveEndWait::post(RobotEventType type) {
    bool firstDrop = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.size() < QUEUE_LIMIT) {
            m_queue.push_back(type);
        } else {
            firstDrop = !m_full;
            m_full = true;
        }
    }
    m_changed.notify_all();
    if (firstDrop)
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Move-finish event queue full; newer events dropped. type:%d",
                             static_cast<int>(type));
}

RobotEventType MoveEndWait::wait(uint64_t ticket) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return waitLocked(lock, ticket, nullptr);
}

RobotEventType MoveEndWait::waitUntil(uint64_t ticket,
                                      std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return waitLocked(lock, ticket, &deadline);
}

RobotEventType MoveEndWait::waitLocked(std::unique_lock<std::mutex>& lock, uint64_t ticket,
                                       const std::chrono::steady_clock::time_point* deadline) {
    RobotEventType end = RobotEventInvalid;
    // A wait in slices enters here once per slice; only the first entry can
    // find an event that came before the wait.
    const bool firstEntry = !m_waitBegun;
    m_waitBegun = true;
    if (!m_queue.empty()) {
        end = m_queue.front();
        if (firstEntry && end == RobotEvent_atTrackTargetPos) {
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: atTrackTargetPos singal before the response appears");
        } else if (firstEntry) {
            // The queue was emptied before the request went out, so this event
            // belongs to this move: it ended (or was refused by an event)
            // before its response was read. Waiting for another would never end.
            RobotLogPrint::trace(LL_INFO,
                                 "sdk log: Move end event arrived before the wait began. type:%d",
                                 static_cast<int>(end));
        }
    } else {
        const auto ready = [&] {
            return !m_queue.empty() || m_linkGeneration.load(std::memory_order_acquire) != ticket;
        };
        if (deadline == nullptr) {
            m_changed.wait(lock, ready);
        } else if (!m_changed.wait_until(lock, *deadline, ready)) {
            return RobotEventInvalid;
        }
        // The link went down without an event reaching the queue (a local
        // logout, for one): the move's end will never be reported.
        end = m_queue.empty() ? RobotEvent_socketDisconnected : m_queue.front();
    }
    m_lastEnd.store(end, std::memory_order_release);
    return end;
}

void MoveEndWait::wakeAll() {
    // Passing through the mutex orders the generation change before the
    // waiter's next test, so the notification cannot be missed.
    { std::lock_guard<std::mutex> lock(m_mutex); }
    m_changed.notify_all();
}

RobotEventType MoveEndWait::front() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.empty() ? RobotEventInvalid : m_queue.front();
}

RobotEventType MoveEndWait::lastEnd() const {
    return static_cast<RobotEventType>(m_lastEnd.load(std::memory_order_acquire));
}

std::vector<RobotEventType> MoveEndWait::queuedEvents() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_queue.begin(), m_queue.end()};
}
