#include "RobotSDK/robotClient/robotcommunicationclient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "RobotSDK/util/globalutil.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "TevoRobotMetaType.h"

using tevo_robot_namespace::ErrCode_Failed;
using tevo_robot_namespace::LL_ERROR;
using tevo_robot_namespace::LL_INFO;

namespace {

// The client whose receive thread this is; null on every other thread.
thread_local const RobotCommunicationClient* t_receivingClient = nullptr;

void putInt32LE(char* out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((bits >> (8 * i)) & 0xFFU);
    }
}

std::int32_t getInt32LE(const char* in) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

// Bounds a blocking connect. Sends and reads do not block (MSG_DONTWAIT) and
// wait in poll() on their own terms instead.
void setConnectTimeout(int fd) {
    const timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

// A host that vanished without closing the connection (power loss, pulled
// cable) would otherwise leave it open for as long as nothing is sent, and
// for many minutes of retransmissions when something is. Keepalive probes
// after 2 s of silence, 1 s apart, 3 unanswered: the system ends an idle
// connection after about 5 s; data left unacknowledged for 5 s ends it too.
// The receive thread then sees the error and reports the lost connection.
void setDeadPeerDetection(int fd) {
    const int on = 1;
    const int idleSec = 2;
    const int intervalSec = 1;
    const int probes = 3;
    const unsigned int userTimeoutMsec = 5000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSec, sizeof(idleSec));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSec, sizeof(intervalSec));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof(probes));
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMsec, sizeof(userTimeoutMsec));
}

std::chrono::steady_clock::rep steadyNow() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

// strerror_r comes in two forms: the XSI one fills the buffer, the GNU one
// returns the text.
[[maybe_unused]] const char* errorTextFrom(int, const char* buffer) { return buffer; }
[[maybe_unused]] const char* errorTextFrom(const char* text, const char*) { return text; }

// The system's text for an errno value (strerror itself is not thread-safe).
std::string errorText(int error) {
    char buffer[128] = "";
    return errorTextFrom(::strerror_r(error, buffer, sizeof(buffer)), buffer);
}

constexpr char kSendBrokeOffLine[] =
    "sdk communication log: A send broke off inside a frame, connection closed.";

}  // namespace

const unsigned char RobotCommunicationClient::ROBOT_COMMAND_SOF[ROBOT_COMMAND_SOF_BYTE] = {
    0xEE, 0xCC, 0xFF, 0xFF};
const unsigned char RobotCommunicationClient::ROBOT_COMMAND_CRC[ROBOT_COMMAND_CRC_BYTE] = {
    0x00, 0x00, 0x00, 0x00};
const unsigned char RobotCommunicationClient::ROBOT_COMMAND_END[ROBOT_COMMAND_END_BYTE] = {
    0xFF, 0xFF, 0xFF, 0xFF};

// ---------------------------------------------------------------- request

void FrameText::init() {
    m_socketFd = -1;
    m_textPtr = nullptr;
    m_textLength = 0;
    m_commandType = CommunicationMateType::CommunicationType_Unknown;
}

void FrameText::setProperty(int socketFd, RobotCommandType commandType, char* textPtr,
                            int textLength) {
    if (m_textPtr != textPtr) {
        delete[] m_textPtr;
    }
    m_socketFd = socketFd;
    m_commandType = commandType;
    m_textPtr = textPtr;
    m_textLength = textLength;
}

void FrameText::destroy() {
    delete[] m_textPtr;
    init();
}

void FrameText::moveTo(FrameText& target) {
    if (&target == this) return;
    target.setProperty(m_socketFd, m_commandType, m_textPtr, m_textLength);
    init();
}

// ---------------------------------------------------------------- lifecycle

RobotCommunicationClient::RobotCommunicationClient() { initClassProfile(); }

RobotCommunicationClient::~RobotCommunicationClient() {
    if (isReceiveThread()) {
        // Destroyed from its own callback: the thread cannot join itself.
        closeSocket(takeSocket());
        m_threadId.detach();
        return;
    }
    disconnectRobotServer();
}

void RobotCommunicationClient::initClassProfile() {
    m_serverIP = "127.0.0.1";
    m_serverport = 8899;
    m_socketFd = -1;
    // new[] without an initialiser leaves the pages untouched, so an idle
    // client costs no resident memory for its 18 MiB of buffers.
    m_recvBuffer.reset(new char[RECV_BUFFER_SIZE]);
    m_sendBuffer.reset(new char[SEND_BUFFER_SIZE]);
    m_recvStage.reset(new char[RECV_STAGE_SIZE]);
    m_connectStatus = false;
}

void RobotCommunicationClient::setServerIP(const std::string& host) {
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    m_serverIP = host;
}

void RobotCommunicationClient::setServerPort(int port) {
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    m_serverport = port;
}

bool RobotCommunicationClient::getCurrentConnectStatus() const { return m_connectStatus.load(); }

bool RobotCommunicationClient::isReceiveThread() const { return t_receivingClient == this; }

std::chrono::steady_clock::time_point RobotCommunicationClient::lastHeard() const {
    return std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(m_lastHeard.load(std::memory_order_acquire)));
}

int RobotCommunicationClient::connectRobotServer() { return connectRobotServer(nullptr); }

int RobotCommunicationClient::connectRobotServer(ConnectOutcome* outcome) {
    ConnectOutcome ignored = ConnectOutcome::Connected;
    ConnectOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = ConnectOutcome::ConnectFailed;
    if (isReceiveThread()) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk communication log: Connect refused on the receive thread.");
        return ErrCode_Failed;
    }
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    if (m_connectStatus.load()) {
        result = ConnectOutcome::AlreadyConnected;
        RobotLogPrint::trace(LL_ERROR,
                             "sdk communication log: Already connected to %s; the connection "
                             "is kept. Log out before connecting to %s:%d.",
                             m_connectedPeer.c_str(), m_serverIP.c_str(), m_serverport);
        return ErrCode_Failed;
    }
    reapReceiveThread();  // one that ended on a peer close
    int fd = -1;
    result = connectCommunicationServer(&fd);
    if (result != ConnectOutcome::Connected) {
        return ErrCode_Failed;
    }
    if (startReceiveThread(fd) != 0) {
        result = ConnectOutcome::ConnectFailed;
        return ErrCode_Failed;
    }
    m_connectedPeer = m_serverIP + ":" + std::to_string(m_serverport);
    commonUtil::delay(0, 300);  // let the receive thread run before the first request
    return 0;
}

int RobotCommunicationClient::adoptConnectedSocket(int fd) {
    if (fd < 0) {
        return ErrCode_Failed;
    }
    if (isReceiveThread()) {
        ::close(fd);
        return ErrCode_Failed;
    }
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    if (m_connectStatus.load()) {
        ::close(fd);
        return ErrCode_Failed;
    }
    reapReceiveThread();
    m_connectedPeer = "an adopted socket";
    return startReceiveThread(fd);
}

RobotCommunicationClient::ConnectOutcome RobotCommunicationClient::connectCommunicationServer(
    int* connectedFd) {
    const char* host = m_serverIP.c_str();
    const int port = m_serverport & 0xFFFF;
    // The protocol runs over IPv4 only: a name resolves to its IPv4 addresses.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int gaiResult =
        m_serverIP.empty() ? EAI_NONAME : ::getaddrinfo(host, nullptr, &hints, &found);
    if (gaiResult != 0) {
        const std::string reason =
            gaiResult == EAI_SYSTEM ? errorText(errno) : ::gai_strerror(gaiResult);
        RobotLogPrint::trace(LL_ERROR,
                             "sdk communication log: Bad server address %s:%d, it does not "
                             "resolve to an IPv4 address: %s",
                             host, port, reason.c_str());
        return ConnectOutcome::BadAddress;
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, ::freeaddrinfo);

    int lastError = 0;
    char tried[INET_ADDRSTRLEN] = "";
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        sockaddr_in address{};
        std::memcpy(&address, a->ai_addr, sizeof(address));
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_ntop(AF_INET, &address.sin_addr, tried, sizeof(tried));
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = errno;
            break;
        }
        setConnectTimeout(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            setDeadPeerDetection(fd);
            *connectedFd = fd;
            return ConnectOutcome::Connected;
        }
        lastError = errno;
        ::close(fd);
    }
    // A connect cut short by the send time-out reports EINPROGRESS.
    const std::string reason = lastError == EINPROGRESS || lastError == EAGAIN
                                   ? std::string("Connection timed out")
                                   : errorText(lastError);
    RobotLogPrint::trace(LL_ERROR, "sdk communication log: Connect to %s:%d (%s) failed: %s", host,
                         port, tried, reason.c_str());
    return ConnectOutcome::ConnectFailed;
}

int RobotCommunicationClient::startReceiveThread(int fd) {
    m_sendBroken = false;
    m_linkEnd.store(LinkEnd::None, std::memory_order_release);
    m_lastHeard.store(steadyNow(), std::memory_order_release);
    m_socketFd = fd;
    m_connectStatus = true;
    try {
        m_threadId = std::thread(&RobotCommunicationClient::eventLoopThread, this);
    } catch (const std::system_error&) {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Receive thread start failed.");
        closeSocket(takeSocket());
        return ErrCode_Failed;
    }
    return 0;
}

int RobotCommunicationClient::disconnectRobotServer() {
    if (isReceiveThread()) {
        // Called from responseProcess(): the loop sees the cleared flag when
        // the call returns; the thread is joined later from another thread.
        closeSocket(takeSocket());
        return 0;
    }
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    disconnectCommunicationServer();
    return 0;
}

void RobotCommunicationClient::disconnectCommunicationServer() {
    const int fd = takeSocket();
    if (fd != -1) {
        // Wakes a receive thread blocked in a read; the descriptor stays open
        // (and its number unused by anything else) until that thread is gone.
        ::shutdown(fd, SHUT_RDWR);
    }
    reapReceiveThread();
    closeSocket(fd);
}

void RobotCommunicationClient::reapReceiveThread() {
    if (!m_threadId.joinable()) {
        return;
    }
    try {
        m_threadId.join();
        RobotLogPrint::trace(LL_INFO, "pthread_join:Receive data thread exited successfully.");
    } catch (const std::system_error&) {
        RobotLogPrint::trace(LL_ERROR, "pthread_join:Receive data thread exit failed.");
    }
}

int RobotCommunicationClient::takeSocket() {
    m_connectStatus = false;
    return m_socketFd.exchange(-1);
}

void RobotCommunicationClient::closeSocket(int fd) {
    if (fd < 0) {
        return;
    }
    std::lock_guard<DeadlineMutex> lock(m_sendRequestMutex);
    ::close(fd);
}

// ---------------------------------------------------------------- sending

namespace {

// The time one send may take, from its call: SEND_DEADLINE_MSEC, plus time
// for a long body to pass at SEND_MIN_BYTES_PER_MSEC, so that a large track
// move on a slower link is not cut off while small requests stay tightly
// bounded.
std::chrono::steady_clock::time_point sendDeadline(const CommunicationRequest& request) {
    const long long body = request.m_textLength > 0 ? request.m_textLength : 0;
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(RobotCommunicationClient::SEND_DEADLINE_MSEC +
                                     body / RobotCommunicationClient::SEND_MIN_BYTES_PER_MSEC);
}

}  // namespace

bool RobotCommunicationClient::encodeAndSendCommunicationPackage(
    const CommunicationRequest& request) {
    return sendWithDeadline(true, -1, request);
}

bool RobotCommunicationClient::encodeAndSendCommunicationPackage(
    int socketFd, const CommunicationRequest& request) {
    return sendWithDeadline(false, socketFd, request);
}

bool RobotCommunicationClient::sendWithDeadline(bool ownSocket, int socketFd,
                                                const CommunicationRequest& request) {
    const auto deadline = sendDeadline(request);
    std::unique_lock<DeadlineMutex> lock(m_sendRequestMutex, deadline);
    if (!lock.owns_lock()) {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Send timed out waiting its turn.");
        return false;
    }
    // The client's own socket is read under the lock: a close takes the lock too.
    return sendFrameLocked(ownSocket ? m_socketFd.load() : socketFd, request, deadline);
}

bool RobotCommunicationClient::sendFrameLocked(int socketFd, const CommunicationRequest& request,
                                               std::chrono::steady_clock::time_point deadline) {
    const int bodyLength = request.m_textLength;
    if (bodyLength < 0 || (bodyLength > 0 && request.m_textPtr == nullptr)) {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Invalid request body. length:%d",
                             bodyLength);
        return false;
    }
    const long long length = static_cast<long long>(bodyLength) + 12;
    const long long frameSize = length + ROBOT_COMMAND_SOF_BYTE + ROBOT_COMMAND_LEN_BYTE;
    if (frameSize >= SEND_BUFFER_SIZE) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk communication log: The message size is larger than the specified "
                             "size. length:%lld",
                             length);
        return false;
    }

    char* out = m_sendBuffer.get();
    std::memcpy(out, ROBOT_COMMAND_SOF, ROBOT_COMMAND_SOF_BYTE);
    out += ROBOT_COMMAND_SOF_BYTE;
    putInt32LE(out, static_cast<std::int32_t>(length));
    out += ROBOT_COMMAND_LEN_BYTE;
    putInt32LE(out, static_cast<std::int32_t>(request.m_commandType));
    out += 4;
    if (bodyLength > 0) {
        std::memcpy(out, request.m_textPtr, static_cast<size_t>(bodyLength));
        out += bodyLength;
    }
    std::memcpy(out, ROBOT_COMMAND_CRC, ROBOT_COMMAND_CRC_BYTE);
    out += ROBOT_COMMAND_CRC_BYTE;
    std::memcpy(out, ROBOT_COMMAND_END, ROBOT_COMMAND_END_BYTE);

    const int size = static_cast<int>(frameSize);
    bool timedOut = false;
    int sendError = 0;
    const int sent =
        sendCommunicationData(socketFd, m_sendBuffer.get(), size, deadline, &timedOut, &sendError);
    if (sent == size) {
        return true;
    }
    if (timedOut) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk communication log: Socket send timed out. sent:%d of %d bytes",
                             sent, size);
    } else {
        RobotLogPrint::trace(
            LL_ERROR, "sdk communication log: Socket send messages error. errorcode=%d", sendError);
    }
    if (sent > 0) {
        abandonBrokenStream(socketFd, sent, size);
    }
    return false;
}

void RobotCommunicationClient::abandonBrokenStream(int socketFd, int sent, int frameSize) {
    // The peer would read the next frame as the rest of this one. No frame may
    // follow, so the stream ends here; the receive thread sees the shut-down
    // socket at once and reports the lost connection. The descriptor stays
    // open: it is closed under the send lock, which this thread holds.
    RobotLogPrint::trace(LL_ERROR,
                         "sdk communication log: Frame broke off after %d of %d bytes, closing "
                         "the connection.",
                         sent, frameSize);
    if (socketFd == m_socketFd.load()) {
        m_sendBroken = true;
    }
    ::shutdown(socketFd, SHUT_RDWR);
}

int RobotCommunicationClient::sendCommunicationData(int socketFd, const char* buffer, int length,
                                                    std::chrono::steady_clock::time_point deadline,
                                                    bool* timedOut, int* sendError) {
    *timedOut = false;
    *sendError = 0;
    int total = 0;
    while (total < length) {
        const int chunk = std::min(SIGNLE_PACKAGE_MESSAGE_LEN, length - total);
        // MSG_NOSIGNAL: a peer that went away yields EPIPE, not a process-killing
        // SIGPIPE. MSG_DONTWAIT: a full socket buffer is waited for below, within
        // the deadline.
        const ssize_t sent = ::send(socketFd, buffer + total, static_cast<size_t>(chunk),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            total += static_cast<int>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            *sendError = static_cast<int>(sent);
            break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            *timedOut = true;
            break;
        }
        // Readiness, a hang-up or an error: the next send tells which.
        pollfd waitFor{socketFd, POLLOUT, 0};
        ::poll(&waitFor, 1, static_cast<int>(left.count()));
    }
    return total;
}

// ---------------------------------------------------------------- receiving

int RobotCommunicationClient::recvOnce(int socketFd, char* buffer, int length) {
    for (;;) {
        const ssize_t got = ::recv(socketFd, buffer, static_cast<size_t>(length), MSG_DONTWAIT);
        if (got > 0) {
            m_lastHeard.store(steadyNow(), std::memory_order_release);
        }
        if (got >= 0) {
            return static_cast<int>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            // The connection is gone (timed out, reset, unreachable): no byte
            // will ever come, so the read ends as on a close.
            m_recvError = errno;
            return 0;
        }
        // Nothing yet. A slow peer only delays the bytes, also in the middle
        // of a frame: giving up there would cut the next frame out of this
        // one's body. Only the end of the connection ends the wait.
        if (!m_connectStatus.load() || m_sendBroken.load()) {
            return 0;
        }
        pollfd waitFor{socketFd, POLLIN, 0};
        ::poll(&waitFor, 1, RECV_WAIT_MSEC);
    }
}

int RobotCommunicationClient::takeStaged(char* out, int length) {
    const int taken = std::min(length, stagedBytes());
    if (taken > 0) {
        std::memcpy(out, m_recvStage.get() + m_stageBegin, static_cast<size_t>(taken));
        m_stageBegin += taken;
    }
    return taken;
}

int RobotCommunicationClient::fillStage(int socketFd) {
    // Only a few bytes are ever left when more are needed (less than a start
    // mark), so moving them to the front is cheap and leaves room for a read.
    const int staged = stagedBytes();
    if (m_stageBegin > 0) {
        std::memmove(m_recvStage.get(), m_recvStage.get() + m_stageBegin,
                     static_cast<size_t>(staged));
        m_stageBegin = 0;
        m_stageEnd = staged;
    }
    const int room = std::min(SIGNLE_PACKAGE_MESSAGE_LEN, RECV_STAGE_SIZE - m_stageEnd);
    const int got = recvOnce(socketFd, m_recvStage.get() + m_stageEnd, room);
    if (got > 0) {
        m_stageEnd += got;
    }
    return got;
}

bool RobotCommunicationClient::stageHoldsCompleteFrame() const {
    const int staged = stagedBytes();
    if (staged < ROBOT_COMMAND_SOF_BYTE) {
        return false;
    }
    const char* at = m_recvStage.get() + m_stageBegin;
    if (std::memcmp(at, ROBOT_COMMAND_SOF, ROBOT_COMMAND_SOF_BYTE) != 0) {
        return true;  // a byte to skip
    }
    const int head = ROBOT_COMMAND_SOF_BYTE + ROBOT_COMMAND_LEN_BYTE;
    if (staged < head) {
        return false;
    }
    const std::int32_t length = getInt32LE(at + ROBOT_COMMAND_SOF_BYTE);
    if (length <= 0 || length > RECV_BUFFER_SIZE - head) {
        return true;  // breaks the stream
    }
    return length <= staged - head;
}

int RobotCommunicationClient::recvMessageBaseMethed(int socketFd, char* buffer, int length,
                                                    int flags) {
    if ((flags & MSG_PEEK) != 0) {
        // A look waits until length bytes are staged. A close or error before
        // that yields the bytes staged so far, or the read's own result when
        // there are none.
        if (length <= 0 || length > RECV_STAGE_SIZE - SIGNLE_PACKAGE_MESSAGE_LEN) {
            return -1;
        }
        while (stagedBytes() < length) {
            const int got = fillStage(socketFd);
            if (got <= 0) {
                const int staged = stagedBytes();
                if (staged == 0) {
                    return got;
                }
                std::memcpy(buffer, m_recvStage.get() + m_stageBegin, static_cast<size_t>(staged));
                return staged;
            }
        }
        std::memcpy(buffer, m_recvStage.get() + m_stageBegin, static_cast<size_t>(length));
        return length;
    }
    // Staged bytes first; then a large remainder is read straight into the
    // buffer and a small one through the staging buffer, which keeps whatever
    // follows it for the next frame. Each read moves at most
    // SIGNLE_PACKAGE_MESSAGE_LEN bytes.
    int total = takeStaged(buffer, length);
    while (total < length) {
        const int remaining = length - total;
        int got = 0;
        if (remaining >= SIGNLE_PACKAGE_MESSAGE_LEN) {
            got = recvOnce(socketFd, buffer + total, SIGNLE_PACKAGE_MESSAGE_LEN);
            if (got > 0) {
                total += got;
            }
        } else {
            got = fillStage(socketFd);
            if (got > 0) {
                total += takeStaged(buffer + total, remaining);
            }
        }
        if (got <= 0) {
            return got;
        }
    }
    return total;
}

int RobotCommunicationClient::recvCommunicationData(int socketFd, char* buffer, int length) {
    return recvMessageBaseMethed(socketFd, buffer, length, 0);
}

int RobotCommunicationClient::recvPeek(int socketFd, char* buffer, int length) {
    return recvMessageBaseMethed(socketFd, buffer, length, MSG_PEEK);
}

int RobotCommunicationClient::recvRobotMessageHead(int socketFd) {
    char head[ROBOT_COMMAND_SOF_BYTE];
    const int seen = recvPeek(socketFd, head, ROBOT_COMMAND_SOF_BYTE);
    if (seen <= 0) {
        return seen;
    }
    if (seen == ROBOT_COMMAND_SOF_BYTE &&
        std::memcmp(head, ROBOT_COMMAND_SOF, ROBOT_COMMAND_SOF_BYTE) == 0) {
        return recvCommunicationData(socketFd, head, ROBOT_COMMAND_SOF_BYTE);
    }
    // Not a start mark, or fewer than four bytes before a close or error:
    // skip one byte. Consuming even the short case keeps a dangling partial
    // mark from hiding a peer close behind an endless readable state.
    return recvCommunicationData(socketFd, head, 1);
}

int RobotCommunicationClient::recvRobotCommunicationPackage(int socketFd, char* recvBuffer,
                                                            int bufferSize) {
    int result = recvRobotMessageHead(socketFd);
    bool failed = false;
    if (result == 1 && m_skippedBytes++ > 0) {
        return 1;  // a later byte of the same resynchronisation: counted only
    }
    if (result == ROBOT_COMMAND_SOF_BYTE) {
        logSkippedBytes("a frame start mark");
    } else {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Recv Header error.");
        failed = true;
    }

    std::int32_t length = 0;
    if (!failed) {
        char lengthField[ROBOT_COMMAND_LEN_BYTE];
        result = recvCommunicationData(socketFd, lengthField, ROBOT_COMMAND_LEN_BYTE);
        length = getInt32LE(lengthField);
    }
    if (!failed && result == ROBOT_COMMAND_LEN_BYTE) {
        // The whole frame must fit the receive buffer; anything else cannot be
        // skipped reliably, so the stream is given up.
        const int maxLength = bufferSize - ROBOT_COMMAND_SOF_BYTE - ROBOT_COMMAND_LEN_BYTE;
        if (length <= 0 || length > maxLength) {
            RobotLogPrint::trace(
                LL_ERROR, "sdk communication log: Recv invalid length, stream broken. length:%d",
                length);
            return RECV_RESULT_BROKEN_STREAM;
        }
        result = recvCommunicationData(socketFd, recvBuffer, length);
    } else {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Recv lengthBlock error.");
        failed = true;
    }

    if (!failed && result == length) {
        // Too short for command type, check field and end mark: consumed, dropped.
        return length < MIN_TEXT_BLOCK_LENGTH ? std::min(length, 8) : length;
    }
    RobotLogPrint::trace(LL_ERROR, "sdk communication log:  Recv text block error.");
    return result > 8 ? 8 : result;
}

void RobotCommunicationClient::logSkippedBytes(const char* until) {
    if (m_skippedBytes > 0) {
        RobotLogPrint::trace(LL_ERROR, "sdk communication log: Skipped %lld bytes before %s.",
                             m_skippedBytes, until);
        m_skippedBytes = 0;
    }
}

void RobotCommunicationClient::reportLostConnection(const char* logLine, LinkEnd how) {
    const int fd = takeSocket();
    if (fd == -1) {
        return;  // a local disconnect took the socket: nothing to report
    }
    closeSocket(fd);
    m_linkEnd.store(how, std::memory_order_release);
    if (logLine != nullptr) {
        RobotLogPrint::trace(LL_ERROR, "%s", logLine);
    }
    disconnectProcess();
}

void RobotCommunicationClient::recvCommunicationPackageLoop() {
    m_stageBegin = 0;  // nothing is carried over from an earlier connection
    m_stageEnd = 0;
    m_skippedBytes = 0;
    m_recvError = 0;
    for (;;) {
        const int fd = m_socketFd.load();
        if (!m_connectStatus.load() || fd == -1) {
            break;
        }
        if (m_sendBroken.load()) {
            logSkippedBytes("the connection ended");
            reportLostConnection(kSendBrokeOffLine, LinkEnd::Failed);
            break;
        }
        // A frame already staged is cut without waiting; otherwise wait for
        // the socket, which also reports a peer close behind a staged partial
        // frame as readable.
        if (!stageHoldsCompleteFrame()) {
            pollfd waitFor{fd, POLLIN, 0};
            if (::poll(&waitFor, 1, RECV_WAIT_MSEC) <= 0) {
                continue;  // time-out or signal: look at the flags again
            }
            if ((waitFor.revents & POLLNVAL) != 0 || !m_connectStatus.load()) {
                break;  // a local disconnect woke the wait: nothing to read or report
            }
        }
        // Hang-up and error also end in a read, which then reports the close.
        const int result = recvRobotCommunicationPackage(fd, m_recvBuffer.get(), RECV_BUFFER_SIZE);
        if (result == RECV_RESULT_BROKEN_STREAM) {
            reportLostConnection(nullptr, LinkEnd::Failed);
            break;
        }
        if (result == 0) {
            logSkippedBytes("the connection ended");
            std::string line = "sdk communication log: recv return 0, Server disconnenct.";
            LinkEnd how = LinkEnd::PeerClosed;
            if (m_sendBroken.load()) {
                line = kSendBrokeOffLine;
                how = LinkEnd::Failed;
            } else if (m_recvError != 0) {
                line = "sdk communication log: Receive failed, connection lost: " +
                       errorText(m_recvError);
                how = LinkEnd::Failed;
            }
            reportLostConnection(line.c_str(), how);
            break;
        }
        if (result > 8) {
            responseProcess(fd, m_recvBuffer.get(), result - 8);
        }
    }
}

void RobotCommunicationClient::eventLoopThread(RobotCommunicationClient* client) {
    t_receivingClient = client;
    RobotLogPrint::trace(LL_INFO, "sdk log: Receive data thread startup ...");
    client->recvCommunicationPackageLoop();
    RobotLogPrint::trace(LL_INFO, "sdk log: Receive data thread exit.");
    t_receivingClient = nullptr;
}
