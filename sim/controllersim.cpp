#include "sim/controllersim.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>
#include <iterator>

#include "sim/framing.h"
#include "sim/handlerutil.h"
#include "sim/siminternal.h"

namespace tevo_sim {

namespace {

// The system's text for an error number, without strerror's shared buffer.
std::string errnoText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    return ::strerror_r(error, buffer, sizeof(buffer));
}

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// A client that accepts no bytes for this long is dropped, so one stuck
// peer never stalls the threads that write to every connection.
constexpr int kSendTimeoutMs = 5000;

}  // namespace

const char* commandName(int32_t commandType) {
#define NAMED(c) \
    { c, #c }
    static const std::pair<int32_t, const char*> kNames[] = {
        NAMED(Login),
        NAMED(Logout),
        NAMED(Event),
        NAMED(RealTimeJointStatus),
        NAMED(EnableRealTimeJointStatusPush),
        NAMED(DisableRealTimeJointStatusPush),
        NAMED(GetRobotJointStatus),
        NAMED(RealTimeRobotJointAngle),
        NAMED(EnableRealTimeJointAnglePush),
        NAMED(DisableRealTimeJointAnglePush),
        NAMED(GetRobotJointAngle),
        NAMED(RealTimeRobotEndSpeed),
        NAMED(EnableRealTimeEndSpeedPush),
        NAMED(DisableRealTimeEndSpeedPush),
        NAMED(GetRobotDiagnosis),
        NAMED(RobotStartup),
        NAMED(RobotShutdown),
        NAMED(RobotControl),
        NAMED(CollisionRecover),
        NAMED(SetRobotPowerStatus),
        NAMED(SetRobotReleaseBrake),
        NAMED(RobotMove),
        NAMED(RobotTeachMoveStart),
        NAMED(RobotTeachMoveStop),
        NAMED(GetRobotCurrentState),
        NAMED(SetRobotTcpParam),
        NAMED(GetRobotTcpParam),
        NAMED(SetToolDynamicsParam),
        NAMED(GetToolDynamicsParam),
        NAMED(SetRobotMode),
        NAMED(GetRobotMode),
        NAMED(GetRobotGravityComponent),
        NAMED(GetRobotCollisionCurrent),
        NAMED(GetIsRealRobotExist),
        NAMED(GetDeviceInfo),
        NAMED(SetRobotCollisionGrade),
        NAMED(GetInterfaceBoardAllDIData),
        NAMED(GetInterfaceBoardAllDOData),
        NAMED(GetInterfaceBoardAllAIData),
        NAMED(GetInterfaceBoardAllAOData),
        NAMED(GetInterfaceBoardOneDIStatus),
        NAMED(GetInterfaceBoardOneDOStatus),
        NAMED(GetInterfaceBoardOneAIStatus),
        NAMED(GetInterfaceBoardOneAOStatus),
        NAMED(SetInterfaceBoardOneDOStatus),
        NAMED(SetInterfaceBoardOneAOStatus),
        NAMED(GetToolPowerVoltageType),
        NAMED(SetToolPowerVoltageType),
        NAMED(SetToolPowerTypeAndDigitalIOType),
        NAMED(SetToolDigitalIOType),
        NAMED(GetToolPowerVoltage),
        NAMED(GetToolAllDigitalIOStatus),
        NAMED(GetToolAllAIStatus),
        NAMED(SetToolDigitalIOStatus),
        NAMED(SetRobotAtOriginPose),
        NAMED(GetRobotSafetyConfig),
        NAMED(SetRobotSafetyConfig),
        NAMED(GetOrpeSafetyStatus),
        NAMED(SafetyIoSetOrpePause),
        NAMED(SafetyIoSetOrpeStop),
        NAMED(SafetyIoSetOrpeError),
        NAMED(SafetyIoClearSystemEmergencyStop),
        NAMED(SafetyIoClearReducedModeError),
        NAMED(SafetyIoSafetyguardResetSucc),
        NAMED(OfflineTrackWaypointAppend),
        NAMED(OfflineTrackWaypointClear),
        NAMED(OfflineTrackMoveStartup),
        NAMED(OfflineTrackMoveStop),
        NAMED(EnterTcp2CanbusMode),
        NAMED(LeaveTcp2CanbusMode),
        NAMED(SetRobotPosData2Canbus),
        NAMED(StartupOfflineExcitTraj),
        NAMED(GetDynIdentifyResults),
        NAMED(RobotHandShake),
        NAMED(GetToolAllIoStatus),
        NAMED(UpdateRobotBoardFirmware),
        NAMED(FirmwareUpdateResult),
        NAMED(GetRobotEthernetDeviceName),
        NAMED(RobotSetJointOffset),
        NAMED(GetEnableJoint6Rot360Flag),
        NAMED(MoveControlSlowStop),
        NAMED(MoveControlFastStop),
        NAMED(MoveControlPause),
        NAMED(MoveControlContinue),
        NAMED(SetConveyorEncoderReset),
        NAMED(SetConveyorStartup),
        NAMED(SetConveyorStop),
        NAMED(SetConveyorDir),
        NAMED(SetRobotCameraCalib),
        NAMED(SetConveyorVelc),
        NAMED(SetEncoderValPerMeter),
        NAMED(SetStartWindowUpstream),
        NAMED(SetStartWindowDownstream),
        NAMED(SetConveyorTrackDownstream),
        NAMED(EnableConveyorTrack),
        NAMED(GetConveyorEncoderVal),
        NAMED(AppendObject2ConveyorTrackQueue),
        NAMED(SetRobotConveyorTrackMaxVelc),
        NAMED(SetRobotConveyorTrackMaxAcc),
        NAMED(SetRobotConveyorSystemDelay),
        NAMED(SetRobotTool),
        NAMED(SetWeaveMoveParameters),
        NAMED(SetJointRangeOfMotion),
        NAMED(SetRobotRecognitionParam),
        NAMED(GetRobotRecognitionParam),
        NAMED(GetJointAngleFromController),
        NAMED(CommunicationHeart),
        NAMED(SetSeamTrackingParameters),
        NAMED(GetSeamTrackingParameters),
        NAMED(GetCorrectedWaypoint),
        NAMED(GetJointRangeOfMotion),
        NAMED(SetEnableForceTeachWhenProjectIsRunning),
        NAMED(GetJointCommonData),
        NAMED(SetJointCommonData),
        NAMED(JointSaveDataFlash),
        NAMED(GetRobotVersionInfo),
        NAMED(GetEnableJoint1Rot360Flag),
        NAMED(EnterRobotReduceMode),
        NAMED(ExitRobotReduceMode),
        NAMED(GetForceSensorData),
        NAMED(CalibToolAndSensor),
        NAMED(EnableForceControlPlan),
        NAMED(SetForceControlAttributes),
        NAMED(ForceControlCalibrationZero),
        NAMED(MovepProgressNotify),
        NAMED(GetRegulateSpeedModeConfig),
        NAMED(SetRegulateSpeedModeConfig),
        NAMED(EnableRegulateSpeedMode),
        NAMED(EnableForceControlMode),
        NAMED(GetForceControlModeAdmittancePatam),
        NAMED(SetForceControlModeAdmittancePatam),
        NAMED(GetForceControlModeExploreForceParam),
        NAMED(SetForceControlModeExploreForceParam),
        NAMED(GetMovePJointRangeLimitParam),
        NAMED(SetMovePJointRangeLimitParam)};
#undef NAMED
    for (const auto& [cmd, name] : kNames)
        if (cmd == commandType) return name;
    return "unknown";
}

// ---------------------------------------------------------------- Connection

Connection::~Connection() {
    if (fd >= 0) ::close(fd);
}

void Connection::shutdownSocket() {
    open = false;
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

bool Connection::writeIfReady(const std::string& bytes) {
    // A short wait covers a reply being written; a writer stuck on a full
    // socket holds the lock longer, and then the push is dropped. (try_lock
    // in steps rather than a timed mutex, which ThreadSanitizer cannot see.)
    std::unique_lock<std::mutex> lock(writeMutex, std::defer_lock);
    for (int i = 0; i < 20 && !lock.try_lock(); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    pollfd p{fd, POLLOUT, 0};
    if (!lock.owns_lock() || !open || ::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) return false;
    lock.unlock();
    return write(bytes);
}

bool Connection::write(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(writeMutex);
    if (!open) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The send time-out passed with the peer's window closed.
        }
        shutdownSocket();
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ SimCore

SimCore::SimCore(SimOptions o) : opt(std::move(o)) {
    if (!(opt.timeScale > 0)) opt.timeScale = 1.0;
    if (!(opt.pushRateHz > 0)) opt.pushRateHz = 200.0;
    // Servo settings that make no sense fall back to the defaults.
    const SimOptions defaults;
    if (!(opt.servoRateHz > 0)) opt.servoRateHz = defaults.servoRateHz;
    if (opt.servoWatchdog.count() <= 0) opt.servoWatchdog = defaults.servoWatchdog;
    if (!(opt.servoMaxJointSpeed > 0)) opt.servoMaxJointSpeed = defaults.servoMaxJointSpeed;
    if (!(opt.servoMaxJointAccel > 0)) opt.servoMaxJointAccel = defaults.servoMaxJointAccel;
    initArmState(arm, opt.model);
    arm.stateTime = std::chrono::steady_clock::now();
}

SimCore::~SimCore() { stop(); }

void SimCore::log(const std::string& line) {
    std::lock_guard<std::mutex> lock(logMutex);
    if (opt.logSink) {
        opt.logSink(line);
    } else {
        std::cerr << "[tevo-sim] " << line << std::endl;
    }
}

std::chrono::steady_clock::duration SimCore::armTime(std::chrono::milliseconds ms) const {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double, std::milli>(static_cast<double>(ms.count()) / opt.timeScale));
}

bool SimCore::start() {
    if (running) return false;
    listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd < 0) {
        log(std::string("socket failed: ") + errnoText(errno));
        return false;
    }
    int one = 1;
    ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A name (localhost, /etc/hosts) listens on its first IPv4 address; the
    // protocol is IPv4 only.
    sockaddr_in addr{};
    {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int rc = opt.host.empty() ? EAI_NONAME
                                        : ::getaddrinfo(opt.host.c_str(), nullptr, &hints, &found);
        if (rc != 0) {
            log("cannot listen on " + opt.host + ":" + std::to_string(opt.port) +
                ": not an IPv4 address or name: " +
                (rc == EAI_SYSTEM ? errnoText(errno) : ::gai_strerror(rc)));
            ::close(listenFd);
            listenFd = -1;
            return false;
        }
        std::memcpy(&addr, found->ai_addr, sizeof addr);
        ::freeaddrinfo(found);
    }
    addr.sin_port = htons(opt.port);
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd, 64) != 0) {
        log("cannot listen on " + opt.host + ":" + std::to_string(opt.port) + ": " +
            errnoText(errno));
        ::close(listenFd);
        listenFd = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    boundPort = ntohs(addr.sin_port);
    stopping = false;
    running = true;
    acceptThread = std::thread([this] { acceptLoop(); });
    timerThread = std::thread([this] { timerLoop(); });
    motionThread = std::thread([this] { motionLoop(); });
    log("listening on " + opt.host + ":" + std::to_string(boundPort));
    return true;
}

void SimCore::stop() {
    if (!running.exchange(false)) return;
    stopping = true;
    timerCv.notify_all();
    if (acceptThread.joinable()) acceptThread.join();  // no new connections from here on
    // Shut the sockets first, so no thread stays blocked writing to a peer
    // that does not read.
    std::vector<std::shared_ptr<Connection>> all;
    {
        std::lock_guard<std::mutex> lock(connsMutex);
        for (auto& kv : conns) all.push_back(kv.second);
    }
    for (auto& c : all) c->shutdownSocket();
    if (motionThread.joinable()) motionThread.join();
    if (timerThread.joinable()) timerThread.join();
    for (auto& c : all)
        if (c->reader.joinable()) c->reader.join();
    reapRetired();
    {
        std::lock_guard<std::mutex> lock(connsMutex);
        conns.clear();
    }
    {
        std::lock_guard<std::mutex> lock(timerMutex);
        while (!timers.empty()) timers.pop();  // including replies scheduled while readers ended
    }
    {
        // Replies dropped with the timers never run their after-reply
        // steps: no stop or pause waits for its unwritten reply any more,
        // else the next one would never come to rest after a restart.
        std::lock_guard<std::mutex> lock(stateMutex);
        arm.moveControlReplies = 0;
    }
    ::close(listenFd);
    listenFd = -1;
    log("stopped");
}

void SimCore::reapRetired() {
    std::vector<std::shared_ptr<Connection>> done;
    {
        std::lock_guard<std::mutex> lock(connsMutex);
        done.swap(retired);
    }
    for (auto& c : done)
        if (c->reader.joinable()) c->reader.join();
}

void SimCore::acceptLoop() {
    while (!stopping) {
        reapRetired();
        pollfd p{listenFd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(kPollInterval.count()));
        if (r <= 0 || !(p.revents & POLLIN)) continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int fd = ::accept(listenFd, reinterpret_cast<sockaddr*>(&peer), &len);
        if (fd < 0) continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval tv{kSendTimeoutMs / 1000, static_cast<suseconds_t>(kSendTimeoutMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        auto conn = std::make_shared<Connection>();
        conn->fd = fd;
        char ip[INET_ADDRSTRLEN] = {0};
        ::inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
        {
            std::lock_guard<std::mutex> lock(connsMutex);
            conn->id = nextConnId++;
            conns[conn->id] = conn;
            conn->reader = std::thread([this, conn] { readerLoop(conn); });
        }
        connsCv.notify_all();
        log("connection " + std::to_string(conn->id) + " from " + ip + ":" +
            std::to_string(ntohs(peer.sin_port)));
    }
}

void SimCore::readerLoop(const std::shared_ptr<Connection>& conn) {
    FrameParser parser;
    std::vector<char> buf(size_t{64} * 1024);
    std::string why;
    while (!stopping && conn->open) {
        if (stallReading || frozen) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd p{conn->fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(kPollInterval.count()));
        // A stall or freeze set while waiting holds back what arrived.
        if (r <= 0 || stallReading || frozen) continue;
        const ssize_t n = ::recv(conn->fd, buf.data(), buf.size(), 0);
        if (n == 0) {
            why = "closed by peer";
            break;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            why = std::string("receive error: ") + errnoText(errno);
            break;
        }
        parser.feed(buf.data(), static_cast<size_t>(n));
        int32_t cmd = 0;
        std::string body, error;
        FrameParser::Result res;
        while ((res = parser.next(cmd, body, error)) == FrameParser::Result::Frame) {
            onFrame(conn, cmd, body);
            body.clear();
        }
        if (res == FrameParser::Result::Error) {
            why = "bad input: " + error;
            {
                std::lock_guard<std::mutex> lock(stateMutex);
                ++badInput;
            }
            stateCv.notify_all();
            break;
        }
    }
    if (why.empty()) why = "closed";
    log("connection " + std::to_string(conn->id) + " " + why);
    conn->shutdownSocket();
    connectionClosed(conn);
}

void SimCore::connectionClosed(const std::shared_ptr<Connection>& conn) {
    std::vector<EventSpec> events;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        // Watchdog: the arm stops when the client driving it goes away.
        const bool owns = (arm.plan && arm.planOwner == conn->id) ||
                          (arm.jog != JogKind::None && arm.jogOwner == conn->id);
        if (owns) {
            events = stopMotion(arm, true);
            log("connection " + std::to_string(conn->id) +
                " dropped while moving the arm: stopped");
        }
        std::lock_guard<std::mutex> clock(connsMutex);
        conns.erase(conn->id);
        conn->finished = true;
        retired.push_back(conn);
    }
    stateCv.notify_all();
    connsCv.notify_all();
    sendEvents(events);
}

std::vector<std::shared_ptr<Connection>> SimCore::targets(int connection) const {
    std::vector<std::shared_ptr<Connection>> out;
    std::lock_guard<std::mutex> lock(connsMutex);
    if (connection == ControllerSim::kAllConnections) {
        for (auto& kv : conns) out.push_back(kv.second);
    } else {
        auto it = conns.find(connection);
        if (it != conns.end()) out.push_back(it->second);
    }
    return out;
}

int SimCore::broadcast(const std::string& bytes, int connection) {
    int n = 0;
    for (auto& c : targets(connection))
        if (c->write(bytes)) ++n;
    return n;
}

void SimCore::sendEvents(const std::vector<EventSpec>& events, int connection) {
    if (events.empty()) return;
    std::string bytes;
    for (const EventSpec& ev : events) {
        recordEvent(ev);
        appendFrame(bytes, Event, eventBody(ev));
        if (opt.verbose)
            log("out  event type " + std::to_string(ev.type) + " code " + std::to_string(ev.code));
    }
    broadcast(bytes, connection);
}

void SimCore::schedule(std::chrono::steady_clock::duration after, std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(timerMutex);
        timers.push(Timed{std::chrono::steady_clock::now() + after, timerSeq++, std::move(fn)});
    }
    timerCv.notify_all();
}

void SimCore::timerLoop() {
    std::unique_lock<std::mutex> lock(timerMutex);
    std::optional<std::chrono::steady_clock::time_point> frozenSince;
    while (!stopping) {
        if (frozen) {
            if (!frozenSince) frozenSince = std::chrono::steady_clock::now();
            timerCv.wait_for(lock, kPollInterval);
            continue;
        }
        if (frozenSince) {
            // Time stood still while frozen: everything due falls due that
            // much later.
            const auto stood = std::chrono::steady_clock::now() - *frozenSince;
            frozenSince.reset();
            decltype(timers) later;
            while (!timers.empty()) {
                Timed t = timers.top();
                timers.pop();
                t.due += stood;
                later.push(std::move(t));
            }
            timers.swap(later);
        }
        if (timers.empty()) {
            timerCv.wait_for(lock, kPollInterval);
            continue;
        }
        const auto due = timers.top().due;
        if (std::chrono::steady_clock::now() < due) {
            timerCv.wait_until(lock,
                               std::min(due, std::chrono::steady_clock::now() + kPollInterval));
            continue;
        }
        std::function<void()> fn = timers.top().fn;
        timers.pop();
        lock.unlock();
        fn();
        lock.lock();
    }
}

void SimCore::runCompletion(const Completion& c) {
    std::vector<EventSpec> events;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (c.apply) c.apply(arm);
        if (c.applyWithEvents) events = c.applyWithEvents(arm);
    }
    stateCv.notify_all();
    events.push_back(c.event);
    sendEvents(events);
}

void SimCore::onFrame(const std::shared_ptr<Connection>& conn, int32_t cmd,
                      const std::string& body) {
    if (opt.verbose) {
        log("in   conn " + std::to_string(conn->id) + " cmd " + std::to_string(cmd) + " " +
            commandName(cmd) + " body " + std::to_string(body.size()) + " bytes");
    }
    RequestCtx ctx;
    ctx.conn = conn->id;
    ctx.cmd = cmd;
    ctx.body = &body;
    std::optional<FaultRule> rule;
    // Only login and the heartbeat are answered before a login succeeded.
    const bool refuseAnonymous =
        opt.requireLogin && !conn->loggedIn && cmd != Login && cmd != CommunicationHeart;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        ++requestCounts[cmd];
        ++totalRequests;
        lastBodies[cmd] = body;
        if (refuseAnonymous) {
            // The handler only shapes the reply; nothing changes, no event follows.
            ctx.applyState = false;
            handlerFor(cmd)(*this, arm, ctx);
            ctx.code = CodeNotLoggedIn;
            ctx.reason =
                "command " + std::to_string(cmd) + " refused: the connection has not logged in";
            ctx.completions.clear();
            ctx.afterReply.clear();
            ctx.startsMove = false;
        }
        auto it = refuseAnonymous ? faults.end() : faults.find(cmd);
        if (it != faults.end()) {
            rule = it->second;
            if (it->second.remaining > 0 && --it->second.remaining == 0) faults.erase(it);
        }
        ctx.applyState = !(
            rule && ((rule->serverCode && *rule->serverCode != CodeSucc) || rule->skipStateChange));
        ctx.rule = rule ? &*rule : nullptr;
        if (!refuseAnonymous) handlerFor(cmd)(*this, arm, ctx);
    }
    stateCv.notify_all();

    if (rule) {
        if (rule->serverCode) {
            ctx.code = *rule->serverCode;
            ctx.reason.clear();  // a forced code comes with its table text
        }
        if (rule->moveControlResult) {
            if (auto* mc = dynamic_cast<pbc::ProtoRobotMoveFuncResult*>(ctx.reply.get()))
                mc->set_ret(*rule->moveControlResult);
        }
        if (ctx.startsMove && (rule->suppressCompletion || rule->completionEvent)) {
            // The move's end event comes from the motion thread: mark the plan.
            const bool suppress = rule->suppressCompletion;
            const std::optional<EventSpec> end = rule->completionEvent;
            ctx.afterReply.push_back([suppress, end](ArmState& a) {
                a.endSuppressed = suppress;
                a.endEvent = end;
            });
        } else if (ctx.doneShaped) {
            // The handler gave the rule's done event to the arm, which sends
            // it once at rest.
        } else if (rule->suppressCompletion) {
            if (!ctx.completions.empty()) ctx.completions.pop_back();  // the done event is last
        } else if (rule->completionEvent) {
            if (ctx.completions.empty()) ctx.completions.push_back(Completion{});
            ctx.completions.back().event = *rule->completionEvent;
        }
    }
    if (cmd == Login) conn->loggedIn = ctx.code == CodeSucc;
    std::string replyBody =
        rule && rule->rawBody ? *rule->rawBody : serializeReply(*ctx.reply, ctx.code, ctx.reason);
    const std::string frame = encodeFrame(cmd, replyBody);
    const bool drop = rule && rule->drop;
    const bool twice = rule && rule->replyTwice;
    std::vector<EventSpec> before = rule ? rule->eventsBefore : std::vector<EventSpec>{};
    auto after =
        std::make_shared<std::vector<std::function<void(ArmState&)>>>(std::move(ctx.afterReply));
    auto completions = std::make_shared<std::vector<Completion>>(std::move(ctx.completions));
    const int connId = conn->id;
    const int32_t code = ctx.code;
    const std::string why = ctx.code != CodeSucc && !ctx.reason.empty() ? ": " + ctx.reason : "";
    // A raw body replaces the reply and its code: nothing of ours is refused.
    const bool refused = code != CodeSucc && !(rule && rule->rawBody);
    const std::string reason = refused ? ctx.reason : std::string();
    auto send = [this, conn, frame, drop, twice, before, after, completions, connId, cmd, code, why,
                 refused, reason]() {
        sendEvents(before, connId);
        if (!drop) {
            // Recorded before the write, so a client that has read the reply
            // finds its refusal already kept.
            if (refused) recordRefusal(connId, cmd, code, reason);
            conn->write(twice ? frame + frame : frame);
            if (opt.verbose)
                log("out  conn " + std::to_string(connId) + " cmd " + std::to_string(cmd) +
                    " code " + std::to_string(code) + (twice ? " (twice)" : "") + why);
        } else if (opt.verbose) {
            log("drop conn " + std::to_string(connId) + " cmd " + std::to_string(cmd));
        }
        if (!after->empty()) {
            {
                std::lock_guard<std::mutex> lock(stateMutex);
                for (auto& fn : *after) fn(arm);
            }
            stateCv.notify_all();
        }
        for (const Completion& c : *completions) {
            if (c.delay.count() <= 0) {
                runCompletion(c);
            } else {
                schedule(armTime(c.delay), [this, c] { runCompletion(c); });
            }
        }
    };
    if (rule && rule->delay.count() > 0) {
        schedule(rule->delay, send);
    } else {
        send();
    }
}

// -------------------------------------------------------------- ControllerSim

struct ControllerSim::Impl {
    explicit Impl(const SimOptions& o) : core(o) {}
    SimCore core;
};

ControllerSim::ControllerSim(SimOptions options)
    : options_(std::move(options)), impl_(std::make_unique<Impl>(options_)) {}

ControllerSim::~ControllerSim() { stop(); }

bool ControllerSim::start() { return impl_->core.start(); }
void ControllerSim::stop() { impl_->core.stop(); }
bool ControllerSim::running() const { return impl_->core.running; }
uint16_t ControllerSim::port() const { return impl_->core.boundPort; }
std::string ControllerSim::host() const { return impl_->core.opt.host; }

size_t ControllerSim::connectionCount() const {
    std::lock_guard<std::mutex> lock(impl_->core.connsMutex);
    return impl_->core.conns.size();
}

std::vector<int> ControllerSim::connectionIds() const {
    std::lock_guard<std::mutex> lock(impl_->core.connsMutex);
    std::vector<int> ids;
    for (auto& kv : impl_->core.conns) ids.push_back(kv.first);
    return ids;
}

bool ControllerSim::waitForConnections(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->core.connsMutex);
    return impl_->core.connsCv.wait_for(lock, timeout,
                                        [&] { return impl_->core.conns.size() >= n; });
}

void ControllerSim::closeConnection(int id) {
    for (auto& c : impl_->core.targets(id)) c->shutdownSocket();
}

uint64_t ControllerSim::requestCount(int32_t commandType) const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    auto it = impl_->core.requestCounts.find(commandType);
    return it == impl_->core.requestCounts.end() ? 0 : it->second;
}

uint64_t ControllerSim::totalRequests() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    return impl_->core.totalRequests;
}

bool ControllerSim::waitForRequests(int32_t commandType, uint64_t n,
                                    std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->core.stateMutex);
    return impl_->core.stateCv.wait_for(lock, timeout, [&] {
        auto it = impl_->core.requestCounts.find(commandType);
        return it != impl_->core.requestCounts.end() && it->second >= n;
    });
}

std::optional<std::string> ControllerSim::lastRequestBody(int32_t commandType) const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    auto it = impl_->core.lastBodies.find(commandType);
    if (it == impl_->core.lastBodies.end()) return std::nullopt;
    return it->second;
}

uint64_t ControllerSim::pushesDropped() const { return impl_->core.pushesDropped; }

uint64_t ControllerSim::badInputCount() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    return impl_->core.badInput;
}

void ControllerSim::setFault(int32_t commandType, FaultRule rule) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.faults[commandType] = std::move(rule);
}

void ControllerSim::clearFault(int32_t commandType) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.faults.erase(commandType);
}

void ControllerSim::clearFaults() {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.faults.clear();
}

void ControllerSim::setStallReading(bool stall) { impl_->core.stallReading = stall; }

void ControllerSim::setFrozen(bool frozen) {
    impl_->core.frozen = frozen;
    impl_->core.timerCv.notify_all();
}

void SimCore::recordEvent(const EventSpec& ev) {
    // Only a head of the text is kept: events may carry megabytes.
    SentEvent kept{std::chrono::steady_clock::now(),
                   {ev.type, ev.code, ev.content.substr(0, kRecentEventText)}};
    std::lock_guard<std::mutex> lock(recentMutex);
    recentEvents.push_back(std::move(kept));
    if (recentEvents.size() > kRecentEvents) recentEvents.pop_front();
}

void SimCore::recordRefusal(int connection, int32_t cmd, int32_t code, const std::string& reason) {
    RefusedRequest kept{
        std::chrono::steady_clock::now(),
        connection,
        cmd,
        commandName(cmd),
        code,
        reason.empty() ? codes::robotControllerCodeText(code) : reason.substr(0, kRecentEventText)};
    std::lock_guard<std::mutex> lock(recentMutex);
    recentRefusals.push_back(std::move(kept));
    if (recentRefusals.size() > kRecentRefusals) recentRefusals.pop_front();
}

std::vector<RefusedRequest> ControllerSim::recentRefusals() const {
    std::lock_guard<std::mutex> lock(impl_->core.recentMutex);
    return {impl_->core.recentRefusals.begin(), impl_->core.recentRefusals.end()};
}

int ControllerSim::sendEvent(const EventSpec& ev, int connection) {
    impl_->core.recordEvent(ev);
    return impl_->core.broadcast(encodeFrame(Event, eventBody(ev)), connection);
}

std::vector<SentEvent> ControllerSim::recentEvents() const {
    std::lock_guard<std::mutex> lock(impl_->core.recentMutex);
    return {impl_->core.recentEvents.begin(), impl_->core.recentEvents.end()};
}

int ControllerSim::sendPush(int32_t pushType, int32_t value, int connection) {
    std::string body;
    {
        std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
        const ArmState& arm = impl_->core.arm;
        switch (pushType) {
            case RealTimeJointStatus:
                body = impl_->core.jointStatusBody(arm);
                break;
            case RealTimeRobotJointAngle:
                body = impl_->core.jointAngleBody(arm);
                break;
            case RealTimeRobotEndSpeed:
                body = impl_->core.endSpeedBody(arm);
                break;
            case MovepProgressNotify: {
                pbm::ProtoCommunicationGeneralData g;
                g.set_type(1);
                g.add_property1(value);
                body = serializeReply(g, CodeSucc);
                break;
            }
            default:
                return 0;
        }
    }
    return impl_->core.broadcast(encodeFrame(pushType, body), connection);
}

int ControllerSim::sendFrame(int32_t commandType, const std::string& body, int connection) {
    return impl_->core.broadcast(encodeFrame(commandType, body), connection);
}

int ControllerSim::sendRaw(const std::string& bytes, int connection) {
    return impl_->core.broadcast(bytes, connection);
}

int ControllerSim::floodEvents(int32_t type, int count, int connection) {
    std::string bytes;
    for (int i = 0; i < count; ++i)
        appendFrame(bytes, Event, eventBody(EventSpec{type, i, "flood"}));
    return impl_->core.broadcast(bytes, connection);
}

void ControllerSim::closeMidFrame(int connection) {
    const std::string frame =
        encodeFrame(Event, eventBody(EventSpec{EvAtTrackTargetPos, 0, "cut short"}));
    for (auto& c : impl_->core.targets(connection)) {
        c->write(frame.substr(0, frame.size() / 2));
        c->shutdownSocket();
    }
}

ArmSnapshot ControllerSim::snapshot() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    const ArmState& a = impl_->core.arm;
    ArmSnapshot s;
    s.time = a.stateTime;
    s.powered = a.powered;
    s.brakeReleased = a.brakeReleased;
    s.started = a.started;
    s.moving = (a.plan.has_value() && a.planActive) || a.jog != JogKind::None || servoMoving(a);
    s.paused = a.paused;
    s.workMode = a.workMode;
    s.collisionClass = a.collisionClass;
    for (int i = 0; i < 6; ++i) {
        s.joints[i] = a.q[i];
        s.jointSpeeds[i] = a.jointSpeed[i];
    }
    s.endSpeed = a.endSpeed;
    s.movesCompleted = a.movesCompleted;
    s.movesStopped = a.movesStopped;
    s.streaming = a.tcp2Canbus;
    s.streamTargetValid = a.tcp2Canbus && a.servo.hasTarget;
    if (s.streamTargetValid)
        for (int i = 0; i < 6; ++i) s.streamTarget[i] = a.servo.target[i];
    s.streamTripped = a.servo.tripped;
    return s;
}

std::vector<std::array<double, 6>> ControllerSim::offlineTrackJoints() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    std::vector<std::array<double, 6>> track;
    track.reserve(impl_->core.arm.offlineTrack.size());
    for (const auto& rp : impl_->core.arm.offlineTrack) {
        Joints q{};
        roadPointJoints(rp, q);
        track.push_back(q);
    }
    return track;
}

void ControllerSim::setJointAngles(const double joints[6]) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    for (int i = 0; i < 6; ++i) impl_->core.arm.q[i] = joints[i];
}

bool ControllerSim::waitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->core.stateMutex);
    return impl_->core.stateCv.wait_for(lock, timeout, [&] {
        const ArmState& a = impl_->core.arm;
        return !a.plan.has_value() && a.jog == JogKind::None && !servoMoving(a);
    });
}

ServoStats ControllerSim::servoStats() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    return tevo_sim::servoStats(impl_->core.arm);
}

void ControllerSim::setStartupResult(int32_t serviceState) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.arm.startupResult = serviceState;
}

void ControllerSim::setHandshakeSucceeds(bool succeeds) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.arm.handshakeOk = succeeds;
}

void ControllerSim::setJointRot360Flags(bool joint1, bool joint6) {
    bool changed6 = false;
    {
        std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
        changed6 = impl_->core.arm.joint6Rot360 != joint6;
        impl_->core.arm.joint1Rot360 = joint1;
        impl_->core.arm.joint6Rot360 = joint6;
    }
    // Connected clients learn of a joint-6 change through its event.
    if (changed6) {
        impl_->core.sendEvents(
            {EventSpec{EvUpdateJoint6Rot360Flag, joint6 ? 1 : 0, "joint 6 full-turn flag"}});
    }
}

bool ControllerSim::setBoardDigitalInput(uint32_t addr, bool value) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    if (addr >= std::size(impl_->core.arm.di)) return false;
    impl_->core.arm.di[addr] = value ? 1 : 0;
    return true;
}

bool ControllerSim::setBoardAnalogInput(uint32_t addr, float value) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    if (addr >= std::size(impl_->core.arm.ai)) return false;
    impl_->core.arm.ai[addr] = value;
    return true;
}

bool ControllerSim::setToolAnalogInput(uint32_t index, double value) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    if (index >= std::size(impl_->core.arm.toolAi)) return false;
    impl_->core.arm.toolAi[index] = value;
    return true;
}

void ControllerSim::setToolPowerDelay(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.arm.toolPowerDelay = delay;
}

void ControllerSim::setForceSensorReading(const std::array<double, 6>& wrench, bool asWrench) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.arm.forceReading = wrench;
    impl_->core.arm.forceReplyAsWrench = asWrench;
}

std::vector<std::string> ControllerSim::conveyorObjects() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    return impl_->core.arm.conveyorObjects;
}

IoSnapshot ControllerSim::ioSnapshot() const {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    ArmState& a = impl_->core.arm;
    settleToolPower(a);
    IoSnapshot s;
    static_assert(sizeof s.boardDigitalOutputs == sizeof a.dout, "board outputs");
    std::memcpy(s.boardDigitalOutputs, a.dout, sizeof a.dout);
    std::memcpy(s.boardAnalogOutputs, a.ao, sizeof a.ao);
    s.toolPowerType = a.toolPowerType;
    std::memcpy(s.toolIoType, a.toolIoType, sizeof a.toolIoType);
    std::memcpy(s.toolIoLevel, a.toolIoLevel, sizeof a.toolIoLevel);
    std::memcpy(s.boardAnalogInputs, a.ai, sizeof a.ai);
    std::memcpy(s.toolAnalogInputs, a.toolAi, sizeof a.toolAi);
    return s;
}

std::array<std::array<double, 2>, 6> ControllerSim::jointLimits() const {
    double lo[6], hi[6];
    {
        std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
        jointRange(impl_->core.arm, lo, hi);
    }
    std::array<std::array<double, 2>, 6> limits{};
    for (int i = 0; i < 6; ++i) limits[i] = {lo[i], hi[i]};
    return limits;
}

void ControllerSim::setRealRobotExists(bool exists) {
    std::lock_guard<std::mutex> lock(impl_->core.stateMutex);
    impl_->core.arm.realRobotExists = exists;
}

}  // namespace tevo_sim
