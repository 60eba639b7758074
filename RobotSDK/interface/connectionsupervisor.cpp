// The supervisor of one ServiceInterface's link: watch, loss, backoff,
// attempts and the connection events (connectionsupervisor.h).
#include "RobotSDK/interface/connectionsupervisor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

using Clock = std::chrono::steady_clock;

bool inRange(const char* name, double value, double min, double max) {
    if (value >= min && value <= max) return true;  // false for NaN too
    RobotLogPrint::trace(LL_ERROR,
                         "sdk log: Reconnect policy refused: %s %g is outside %g..%g; the "
                         "supervision is unchanged.",
                         name, value, min, max);
    return false;
}

Clock::duration seconds(double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

double secondsSince(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

const char* lossText(LinkLossReason reason) {
    switch (reason) {
        case LinkLossClosed:
            return "the controller closed the connection";
        case LinkLossReset:
            return "the connection was reset or failed";
        case LinkLossSilent:
            return "nothing came from the controller for the silence time";
        case LinkLossNone:
            break;
    }
    return "unknown";
}

LinkLossReason reasonOf(RobotCommunicationClient::LinkEnd how) {
    return how == RobotCommunicationClient::LinkEnd::PeerClosed ? LinkLossClosed : LinkLossReset;
}

}  // namespace

std::shared_ptr<ConnectionSupervisor> ConnectionSupervisor::create(RobotControlServices& core) {
    std::shared_ptr<ConnectionSupervisor> supervisor(new ConnectionSupervisor(core));
    ConnectionSupervisor* self = supervisor.get();
    // Removed by shutdown() before the supervisor can go away.
    core.setLinkLostListener(
        [self](RobotCommunicationClient::LinkEnd how) { self->onLinkLost(how); });
    return supervisor;
}

ConnectionSupervisor::ConnectionSupervisor(RobotControlServices& core) : m_core(core) {}

ConnectionSupervisor::~ConnectionSupervisor() {
    // The last owner may be the thread itself (the object was destroyed from
    // the connection callback): it cannot join itself. m_thread was written
    // under m_threadMutex after the thread started: read it under that lock.
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
}

bool ConnectionSupervisor::policyValid(const ReconnectPolicy& p) {
    return inRange("initialDelaySec", p.initialDelaySec, 0.01, 60.0) &&
           inRange("backoffFactor", p.backoffFactor, 1.0, 10.0) &&
           inRange("maxDelaySec", p.maxDelaySec, p.initialDelaySec, 600.0) &&
           (p.giveUpAfterSec == 0.0 || inRange("giveUpAfterSec", p.giveUpAfterSec, 0.1, 86400.0)) &&
           inRange("silenceSec", p.silenceSec, 1.0, 60.0);
}

bool ConnectionSupervisor::onSupervisorThread() const {
    return m_threadId.load() == std::this_thread::get_id();
}

bool ConnectionSupervisor::stopping() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

// ---- application side ----------------------------------------------------------

void ConnectionSupervisor::noteLogin(const std::string& host, int port, const std::string& user,
                                     const std::string& password) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_host = host;
    m_port = port;
    m_user = user;
    m_password = password;
    m_loginCount.fetch_add(1, std::memory_order_acq_rel);
}

void ConnectionSupervisor::afterLogin() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = true;
        ++m_appLogins;
        m_mode = Mode::Watching;
        m_lossFlagged = false;
        m_watchSince = Clock::now();
    }
    m_wake.notify_all();
    if (!onSupervisorThread()) startIfWanted();
}

void ConnectionSupervisor::stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }
    stopThread();
}

int ConnectionSupervisor::setPolicy(const ReconnectPolicy* policy) {
    if (policy == nullptr) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_hasPolicy = false;
        }
        RobotLogPrint::trace(LL_INFO, "sdk log: Connection supervision ended.");
        stopThread();
        return ErrnoSucc;
    }
    if (!policyValid(*policy)) return ErrCode_ParamError;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_policy = *policy;
        m_hasPolicy = true;
    }
    m_wake.notify_all();
    if (!onSupervisorThread()) startIfWanted();
    return ErrnoSucc;
}

void ConnectionSupervisor::setCallback(ConnectionEventCallback callback, void* arg) {
    m_callback.set(callback, arg);
}

void ConnectionSupervisor::detachCallback() {
    m_callbackDetached = true;
    if (!onSupervisorThread()) m_callback.set(nullptr, nullptr);
}

void ConnectionSupervisor::startIfWanted() {
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_hasPolicy || !m_armed || m_shutDown) return;
        if (m_thread.joinable() && !m_stop) return;  // running
    }
    // A thread that was flagged to end from its own callback ends at once.
    if (m_thread.joinable()) m_thread.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
        m_mode = Mode::Watching;
        m_watchSince = Clock::now();
    }
    try {
        m_thread = std::thread([self = shared_from_this()] { self->run(); });
        m_threadId = m_thread.get_id();
    } catch (const std::system_error&) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: The connection supervisor could not start.");
    }
}

void ConnectionSupervisor::stopThread() {
    if (onSupervisorThread()) {
        // From the connection callback: the thread ends when it returns.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        return;
    }
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    m_threadId = std::thread::id();
}

void ConnectionSupervisor::shutdown(bool join) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutDown = true;
        m_stop = true;
        m_armed = false;
    }
    m_wake.notify_all();
    m_core.setLinkLostListener(nullptr);
    if (onSupervisorThread()) return;  // destroyed from the connection callback
    // A callback running on the supervisor thread finishes first; none starts
    // afterwards (emit looks at m_stop under the slot's lock).
    { std::lock_guard<std::mutex> wait(m_callback.mutex()); }
    if (join) joinAfterShutdown();
}

void ConnectionSupervisor::joinAfterShutdown() {
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

// ---- receive thread -------------------------------------------------------------

void ConnectionSupervisor::onLinkLost(RobotCommunicationClient::LinkEnd how) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // During an attempt a connection may open and end: that is the
        // attempt's failure, not a new loss.
        if (m_mode != Mode::Watching || m_lossFlagged) return;
        m_lossFlagged = true;
        m_lossReason = reasonOf(how);
    }
    m_wake.notify_all();
}

// ---- supervisor thread ----------------------------------------------------------

void ConnectionSupervisor::run() {
    m_threadId = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    // A link that went down before the thread started (a policy set after the
    // loss) is lost all the same.
    if (m_mode == Mode::Watching && !m_lossFlagged && !m_core.getCurrentConnectStatus()) {
        m_lossFlagged = true;
        m_lossReason = m_core.lastLinkEnd() == RobotCommunicationClient::LinkEnd::PeerClosed
                           ? LinkLossClosed
                           : LinkLossReset;
    }
    while (!m_stop) {
        if (m_lossFlagged && m_mode == Mode::Watching) {
            const LinkLossReason reason = m_lossReason;
            m_lossFlagged = false;
            m_mode = Mode::Lost;
            lock.unlock();
            reconnect(reason);
            lock.lock();
            continue;
        }
        if (m_mode == Mode::Idle) {
            m_wake.wait(lock, [this] { return m_stop || m_mode != Mode::Idle; });
            continue;
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(TICK_MSEC),
                        [this] { return m_stop || m_lossFlagged; });
        if (m_stop || m_lossFlagged) continue;
        lock.unlock();
        watchOnce();
        lock.lock();
    }
}

void ConnectionSupervisor::watchOnce() {
    if (!m_core.getCurrentConnectStatus()) {
        // A loss whose notice this thread did not see (the link ended while an
        // attempt's login was finishing).
        const RobotCommunicationClient::LinkEnd how = m_core.lastLinkEnd();
        if (how != RobotCommunicationClient::LinkEnd::None) onLinkLost(how);
        return;
    }
    double silenceSec = 0.0;
    Clock::time_point since;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        silenceSec = m_policy.silenceSec;
        since = m_watchSince;
    }
    const Clock::duration silence = Clock::now() - std::max(m_core.lastHeard(), since);
    if (silence >= seconds(silenceSec)) {
        {
            std::lock_guard<std::mutex> session(m_sessionMutex);
            if (stopping() || !m_core.getCurrentConnectStatus()) return;
            RobotLogPrint::trace(
                LL_ERROR,
                "sdk log: Nothing has come from the controller for %lld ms; the "
                "connection is closed and logged in again.",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(silence).count()));
            // Ends every blocked call with ErrCode_SocketDisconnect now.
            m_core.logoutService();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_mode != Mode::Watching) return;
            m_lossFlagged = true;
            m_lossReason = LinkLossSilent;
        }
        return;
    }
    const auto probeAfter = seconds(silenceSec / 3.0);
    if (silence >= probeAfter) {
        m_core.probeSilentController(static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(probeAfter).count()));
    }
}

void ConnectionSupervisor::reconnect(LinkLossReason reason) {
    const Clock::time_point lossAt = Clock::now();
    uint64_t appLogins = 0;
    ReconnectPolicy policy;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        appLogins = m_appLogins;
        policy = m_policy;
    }
    emit(ConnectionLinkLost, reason, 0, 0.0);
    int attempts = 0;
    double delaySec = policy.initialDelaySec;
    Clock::time_point nextAt = lossAt + seconds(delaySec);
    for (;;) {
        std::unique_lock<std::mutex> lock(m_mutex);
        policy = m_policy;  // a new policy applies from the next delay on
        const Clock::time_point giveUpAt = policy.giveUpAfterSec > 0.0
                                               ? lossAt + seconds(policy.giveUpAfterSec)
                                               : Clock::time_point::max();
        m_wake.wait_until(lock, std::min(nextAt, giveUpAt),
                          [&] { return m_stop || m_appLogins != appLogins; });
        if (m_stop) return;
        if (m_appLogins != appLogins) {
            // The application logged in again itself.
            lock.unlock();
            emit(ConnectionReconnected, LinkLossNone, attempts, secondsSince(lossAt));
            return;
        }
        if (Clock::now() >= giveUpAt) {
            m_mode = Mode::Idle;
            lock.unlock();
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: Gave up logging in again after %d attempts; the "
                                 "supervision resumes at the next login.",
                                 attempts);
            emit(ConnectionGaveUp, LinkLossNone, attempts, secondsSince(lossAt));
            return;
        }
        lock.unlock();
        ++attempts;
        emit(ConnectionReconnecting, LinkLossNone, attempts, secondsSince(lossAt));
        if (stopping()) return;
        const int ret = attemptLogin();
        if (stopping()) return;
        if (ret == ErrnoSucc) {
            {
                std::lock_guard<std::mutex> relock(m_mutex);
                m_mode = Mode::Watching;
                m_lossFlagged = false;
                m_watchSince = Clock::now();
            }
            emit(ConnectionReconnected, LinkLossNone, attempts, secondsSince(lossAt));
            return;
        }
        RobotLogPrint::trace(LL_WARN, "sdk log: Logging in again failed (attempt %d). ret:%d",
                             attempts, ret);
        delaySec = std::min(delaySec * policy.backoffFactor, policy.maxDelaySec);
        nextAt = Clock::now() + seconds(delaySec);
    }
}

int ConnectionSupervisor::attemptLogin() {
    std::lock_guard<std::mutex> session(m_sessionMutex);
    if (stopping()) return ErrCode_Failed;
    if (m_core.getCurrentConnectStatus()) return ErrnoSucc;  // logged in meanwhile
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        host = m_host;
        port = m_port;
        user = m_user;
        password = m_password;
    }
    RobotType robotType;
    RobotDhPara dhPara;
    m_core.setReloginThread(std::this_thread::get_id());
    const int ret = m_core.loginService(host.c_str(), port, user, password, robotType, dhPara);
    m_core.setReloginThread(std::thread::id());
    if (ret == ErrnoSucc) m_loginCount.fetch_add(1, std::memory_order_acq_rel);
    return ret;
}

void ConnectionSupervisor::emit(ConnectionEventKind kind, LinkLossReason reason, int attempt,
                                double sinceLossSec) {
    ConnectionEvent event{};
    event.kind = kind;
    event.reason = reason;
    event.attempt = attempt;
    event.sinceLossSec = sinceLossSec;
    std::string host;
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        host = m_host;
        port = m_port;
    }
    switch (kind) {
        case ConnectionLinkLost:
            std::snprintf(event.text, sizeof(event.text), "Link to %s:%d lost: %s.", host.c_str(),
                          port, lossText(reason));
            break;
        case ConnectionReconnecting:
            std::snprintf(event.text, sizeof(event.text),
                          "Logging in again to %s:%d, attempt %d, %.1f s after the loss.",
                          host.c_str(), port, attempt, sinceLossSec);
            break;
        case ConnectionReconnected:
            std::snprintf(event.text, sizeof(event.text),
                          "Logged in again to %s:%d after %d attempts, %.1f s after the loss.",
                          host.c_str(), port, attempt, sinceLossSec);
            break;
        case ConnectionGaveUp:
            std::snprintf(event.text, sizeof(event.text),
                          "Gave up logging in again to %s:%d after %d attempts, %.1f s after "
                          "the loss.",
                          host.c_str(), port, attempt, sinceLossSec);
            break;
    }
    RobotLogPrint::trace(kind == ConnectionReconnected ? LL_INFO : LL_WARN, "sdk log: %s",
                         event.text);
    std::lock_guard<std::mutex> slot(m_callback.mutex());
    const ConnectionEventCallback callback = m_callback.callbackLocked();
    if (callback == nullptr || m_callbackDetached || stopping()) return;
    callback(&event, m_callback.argLocked());
}
