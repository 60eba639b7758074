#ifndef CONNECTIONSUPERVISOR_H
#define CONNECTIONSUPERVISOR_H

// ConnectionSupervisor: the opt-in supervision of one ServiceInterface's link
// (ServiceInterface::robotServiceSetReconnectPolicy). It owns the object's
// session lock, the address and credentials of its last successful login,
// the login count and the connection event callback, and runs one thread
// while a policy is set and a login has succeeded since the last logout.
//
// The thread watches the link every TICK_MSEC. A link that ended by itself
// (the core's link-lost listener, with the transport's reason), or one on
// which nothing has come from the controller for silenceSec (a heartbeat
// probes it after silenceSec / 3; the supervisor then closes it itself, so
// blocked calls end with ErrCode_SocketDisconnect at once), is lost: the
// thread reports ConnectionLinkLost, then logs in again with the saved
// address and credentials after initialDelaySec, backoffFactor times longer
// after each failed attempt (at most maxDelaySec), until a login succeeds
// (ConnectionReconnected) or giveUpAfterSec have passed since the loss
// (ConnectionGaveUp; the thread then idles until the application's next
// successful login). Each attempt is announced (ConnectionReconnecting). The
// core's login switches the wanted pushes on again; the callbacks are the
// facade's and stay as they are. Nothing else is sent: no move is repeated.
//
// Threads
//   - Application threads: every public member. stop(), setPolicy(null) and
//     shutdown() join the supervisor thread unless called on it; during a
//     backoff that takes well under 100 ms (the thread waits on m_wake), an
//     attempt under way first ends with its login's bound.
//   - The supervisor thread: the watch, the attempts and the connection event
//     callback, which runs with no lock held but its own slot's (a
//     registration waits for a running callback). The callback may make
//     requests, log the object out or end the supervision (both then only
//     flag the thread, which ends once the callback returns), and destroy the
//     object: the thread keeps this supervisor alive (shared ownership) and
//     touches nothing of the object once it has been stopped.
//   - The receive thread: the link-lost listener (onLinkLost), which only
//     flags the loss under m_mutex.
//
// Locks, in the order they may be taken:
//   0. m_threadMutex: starting and joining the thread (application threads
//      only; the supervisor thread never takes it, so a join cannot wait for
//      a thread that waits for it).
//   1. m_sessionMutex: every login and logout of the object, the
//      application's and the supervisor's attempts, and the supervisor's
//      close of a silent link, so that they never run at once. Never held
//      while joining the supervisor thread (an attempt takes it).
//   2. the control core's locks (inside the login and logout).
//   3. m_mutex (state, policy, flags; a leaf: held for a few instructions,
//      never across a call into the core or the callback). The core's
//      m_linkLostMutex comes before it (the listener takes it).
//   The callback slot's lock is held only while the callback runs, with no
//   other lock.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/callbackslot.h"
#include "TevoRobotConnection.h"

class ConnectionSupervisor : public std::enable_shared_from_this<ConnectionSupervisor> {
public:
    // How often the watch looks at the link.
    enum { TICK_MSEC = 250 };

    // Listens for lost links of core (until shutdown()).
    static std::shared_ptr<ConnectionSupervisor> create(RobotControlServices& core);
    ~ConnectionSupervisor();
    ConnectionSupervisor(const ConnectionSupervisor&) = delete;
    ConnectionSupervisor& operator=(const ConnectionSupervisor&) = delete;

    // Whether the policy's values lie in their documented ranges (logs the
    // first one that does not).
    static bool policyValid(const tevo_robot_namespace::ReconnectPolicy& policy);

    // Held by every login and logout of the object (lock order above).
    std::mutex& sessionMutex() { return m_sessionMutex; }
    // With the session lock held, after a successful login of the
    // application: keeps the
    // address and credentials for the attempts and counts the login.
    void noteLogin(const std::string& host, int port, const std::string& user,
                   const std::string& password);
    // Without the session lock, after a successful login of the
    // application: supervision starts (a policy is set) or resumes (it had
    // given up or was reconnecting: the login ends that).
    void afterLogin();
    // Ends the supervision until the next successful login (the policy
    // stays): the application logs out. Without the session lock.
    void stop();

    // Sets the policy (starts the thread when a login has succeeded), or
    // ends the supervision (null). ErrCode_ParamError for a value out of its
    // range, nothing changed.
    int setPolicy(const tevo_robot_namespace::ReconnectPolicy* policy);
    void setCallback(ConnectionEventCallback callback, void* arg);
    // No connection event is delivered again (ServiceInterface::
    // robotServiceDetachAllCallbacks); waits for a running callback unless
    // called from it.
    void detachCallback();
    uint64_t loginCount() const { return m_loginCount.load(std::memory_order_acquire); }

    // Final stop: no callback runs and the core is not touched once it
    // returns; the core's listener is removed. Joins the thread unless called
    // on it, or unless join is false (then joinAfterShutdown() does it).
    void shutdown(bool join = true);
    void joinAfterShutdown();
    bool onSupervisorThread() const;

private:
    explicit ConnectionSupervisor(RobotControlServices& core);

    enum class Mode { Watching, Lost, Idle };

    void onLinkLost(RobotCommunicationClient::LinkEnd how);
    // Starts the thread if a policy is set, a login succeeded and none runs.
    // Without m_mutex; joins a thread that ended on its own flag first.
    void startIfWanted();
    // Flags the thread to end and, unless on it, joins it.
    void stopThread();
    void run();
    // One watch tick: a lost link, a silent one (closed here), a probe.
    void watchOnce();
    // The reconnect sequence after a loss; returns when reconnected, given
    // up or stopped.
    void reconnect(tevo_robot_namespace::LinkLossReason reason);
    // One login with the saved address and credentials, under the session
    // lock. 0 on success (also when the link is up again already).
    int attemptLogin();
    void emit(tevo_robot_namespace::ConnectionEventKind kind,
              tevo_robot_namespace::LinkLossReason reason, int attempt, double sinceLossSec);
    bool stopping() const;

    RobotControlServices& m_core;

    std::mutex m_sessionMutex;
    std::atomic<uint64_t> m_loginCount{0};

    CallbackSlot<ConnectionEventCallback> m_callback;
    std::atomic<bool> m_callbackDetached{false};

    // Under m_mutex.
    mutable std::mutex m_mutex;
    // The last successful login's address and credentials.
    std::string m_host;
    int m_port = 0;
    std::string m_user;
    std::string m_password;
    std::condition_variable m_wake;
    bool m_hasPolicy = false;
    tevo_robot_namespace::ReconnectPolicy m_policy{};
    bool m_armed = false;     // a login succeeded since the last stop
    bool m_stop = false;      // the running thread is to end
    bool m_shutDown = false;  // for good: no thread starts again
    bool m_lossFlagged = false;
    tevo_robot_namespace::LinkLossReason m_lossReason = tevo_robot_namespace::LinkLossNone;
    uint64_t m_appLogins = 0;  // the application's successful logins
    Mode m_mode = Mode::Watching;
    std::chrono::steady_clock::time_point m_watchSince{};
    std::mutex m_threadMutex;  // m_thread
    std::thread m_thread;
    std::atomic<std::thread::id> m_threadId{};
};

#endif  // CONNECTIONSUPERVISOR_H
