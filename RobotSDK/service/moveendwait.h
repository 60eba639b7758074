#ifndef MOVEENDWAIT_H
#define MOVEENDWAIT_H

// The wait of a blocking move for the event that ends it. The control core
// owns one and posts every move-finish event to it from the receive thread;
// motion arms it before sending a move and waits on it once the controller has
// accepted the move.
//
// The queue keeps the events in arrival order and the waiter reads the oldest:
// an event that arrives between the send and the wait (a move refused at once,
// a very short move) is not lost, and an event posted after arm() belongs to
// the armed move. Events beyond QUEUE_LIMIT are dropped, the newest first, with
// one log line per fill.
//
// A lost link ends the wait: the owner bumps the link generation it shares with
// this object and calls wakeAll(); a wait armed under an older generation then
// returns RobotEvent_socketDisconnected if no event is queued.
//
// Threads: arm() and wait() on the moving application thread, post() on the
// receive thread, wakeAll() on whichever thread noticed the lost link; any of
// them at once. One lock, m_mutex, a leaf: held only for a few instructions
// and never across a request or a callback.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "TevoRobotMetaType.h"

class MoveEndWait {
public:
    enum { QUEUE_LIMIT = 1024 };

    // linkGeneration changes whenever the link is lost; it must outlive this.
    explicit MoveEndWait(const std::atomic<uint64_t>& linkGeneration);
    MoveEndWait(const MoveEndWait&) = delete;
    MoveEndWait& operator=(const MoveEndWait&) = delete;

    // Before a move is sent: empties the queue, forgets the last end and
    // returns the ticket to wait with (the current link generation).
    uint64_t arm();
    // Queues a move-finish event and wakes the waiter.
    void post(tevo_robot_namespace::RobotEventType type);
    // Waits for the first queued event, or for the link to be lost after arm()
    // gave the ticket (RobotEvent_socketDisconnected); records and returns it.
    tevo_robot_namespace::RobotEventType wait(uint64_t ticket);
    // The same with a time limit: RobotEventInvalid (nothing recorded) when
    // neither happened by the deadline. A wait in slices calls it again with
    // the same ticket; only the first call logs an event that was queued
    // before it.
    tevo_robot_namespace::RobotEventType waitUntil(uint64_t ticket,
                                                   std::chrono::steady_clock::time_point deadline);
    // Wakes every waiter to test its link generation again; call after the
    // generation changed.
    void wakeAll();

    // The oldest queued event, or RobotEventInvalid when none is queued.
    tevo_robot_namespace::RobotEventType front() const;
    // The event that ended the last wait; RobotEventInvalid once armed again.
    tevo_robot_namespace::RobotEventType lastEnd() const;
    // The queued events, oldest first.
    std::vector<tevo_robot_namespace::RobotEventType> queuedEvents() const;
    // Where the waiter sleeps, for tools that watch for a blocked waiter.
    const void* conditionAddress() const { return &m_changed; }

private:
    // Waits with the lock held; no deadline when deadline is null.
    tevo_robot_namespace::RobotEventType waitLocked(
        std::unique_lock<std::mutex>& lock, uint64_t ticket,
        const std::chrono::steady_clock::time_point* deadline);

    const std::atomic<uint64_t>& m_linkGeneration;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<tevo_robot_namespace::RobotEventType> m_queue;  // under m_mutex
    bool m_full = false;                                       // under m_mutex; logs once per fill
    bool m_waitBegun = false;  // under m_mutex: a wait entered since arm()
    std::atomic<int> m_lastEnd;
};

#endif  // MOVEENDWAIT_H
