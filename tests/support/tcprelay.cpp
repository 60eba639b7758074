// The test relay: one accept thread, one forwarding thread per connection.

#include "support/tcprelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

namespace tevo_test {

namespace {

constexpr int kPollMsec = 50;

// Writes all of bytes; false when the socket failed.
bool sendAll(int fd, const char* bytes, size_t length) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::send(fd, bytes + done, length - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

// The two sockets stay open until the pipe is destroyed (after its thread
// ended), so another thread may shut them down or set options at any time.
struct TcpRelay::Pipe {
    int clientFd = -1;
    int targetFd = -1;
    std::thread thread;
    std::atomic<bool> resetWanted{false};
    std::atomic<bool> closeWanted{false};
    std::atomic<bool> ended{false};  // the forwarding thread has returned

    ~Pipe() {
        if (clientFd >= 0) ::close(clientFd);
        if (targetFd >= 0) ::close(targetFd);
    }
    void shutdownBoth() const {
        ::shutdown(clientFd, SHUT_RDWR);
        ::shutdown(targetFd, SHUT_RDWR);
    }
    // A clean close: a FIN to both peers, then what they still send is read
    // and dropped until they close too (at most kDrainMsec), so that closing
    // the sockets never turns the FIN into a reset (unread data would).
    void closeCleanly() const {
        ::shutdown(clientFd, SHUT_WR);
        ::shutdown(targetFd, SHUT_WR);
        pollfd fds[2] = {{clientFd, POLLIN, 0}, {targetFd, POLLIN, 0}};
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMsec);
        char sink[4096];
        while (fds[0].fd >= 0 || fds[1].fd >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) break;
            for (pollfd& p : fds) {
                if (p.fd < 0 || p.revents == 0) continue;
                const ssize_t got = ::recv(p.fd, sink, sizeof(sink), 0);
                if (got == 0 || (got < 0 && errno != EINTR)) p.fd = -1;
                p.revents = 0;
            }
        }
        shutdownBoth();
    }
    static constexpr int kDrainMsec = 2000;
    // An abortive close: with a zero linger time, disconnecting the socket
    // (connect to AF_UNSPEC) sends a reset instead of a FIN; the descriptor
    // itself stays open.
    void resetBoth() const {
        const linger abortive{1, 0};
        for (const int fd : {clientFd, targetFd}) {
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
            sockaddr unspecified{};
            unspecified.sa_family = AF_UNSPEC;
            // Its result tells nothing more: the reset is seen by the peers.
            (void)::connect(fd, &unspecified, sizeof(unspecified));
        }
    }
};

TcpRelay::TcpRelay(std::string targetHost, uint16_t targetPort)
    : m_targetHost(std::move(targetHost)), m_targetPort(targetPort) {}

TcpRelay::~TcpRelay() { stop(); }

bool TcpRelay::start() {
    if (m_listenFd >= 0) return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_listenFd = fd;
    m_stopping = false;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void TcpRelay::stop() {
    if (m_listenFd < 0) return;
    m_stopping = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    std::vector<std::shared_ptr<Pipe>> pipes;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pipes.swap(m_pipes);
    }
    for (const auto& pipe : pipes) pipe->shutdownBoth();
    std::lock_guard<std::mutex> joining(m_joinMutex);
    for (const auto& pipe : pipes) {
        if (pipe->thread.joinable()) pipe->thread.join();
    }
    ::close(m_listenFd);
    m_listenFd = -1;
}

void TcpRelay::acceptLoop() {
    while (!m_stopping) {
        pollfd waitFor{m_listenFd, POLLIN, 0};
        if (::poll(&waitFor, 1, kPollMsec) <= 0) continue;
        const int clientFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (clientFd < 0) continue;
        if (m_refusing) {
            ::close(clientFd);
            continue;
        }
        auto pipe = std::make_shared<Pipe>();
        pipe->clientFd = clientFd;
        pipe->targetFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(m_targetPort);
        if (pipe->targetFd < 0 ||
            ::inet_pton(AF_INET, m_targetHost.c_str(), &target.sin_addr) != 1 ||
            ::connect(pipe->targetFd, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) !=
                0) {
            continue;  // the pipe's destructor closes both sockets
        }
        const int one = 1;
        ::setsockopt(pipe->clientFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        ::setsockopt(pipe->targetFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        ++m_accepted;
        std::lock_guard<std::mutex> lock(m_mutex);
        pipe->thread = std::thread([this, pipe] { forward(pipe); });
        m_pipes.push_back(pipe);
    }
}

size_t TcpRelay::openConnections() {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t open = 0;
    for (const auto& pipe : m_pipes) open += pipe->ended ? 0 : 1;
    return open;
}

void TcpRelay::closeAll() { endAll(false); }

void TcpRelay::resetAll() { endAll(true); }

void TcpRelay::endAll(bool reset) {
    std::vector<std::shared_ptr<Pipe>> pipes;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pipes = m_pipes;
    }
    for (const auto& pipe : pipes) {
        if (pipe->ended) continue;
        if (reset) {
            pipe->resetWanted = true;  // the forwarding thread resets and ends
        } else {
            pipe->closeWanted = true;  // the forwarding thread closes and ends
        }
    }
    {
        std::lock_guard<std::mutex> joining(m_joinMutex);
        for (const auto& pipe : pipes) {
            if (pipe->thread.joinable()) pipe->thread.join();
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pipes.erase(std::remove_if(m_pipes.begin(), m_pipes.end(),
                                 [](const std::shared_ptr<Pipe>& p) { return p->ended.load(); }),
                  m_pipes.end());
}

void TcpRelay::forward(const std::shared_ptr<Pipe>& pipe) {
    struct MarkEnded {
        Pipe& pipe;
        ~MarkEnded() { pipe.ended = true; }
    } markEnded{*pipe};
    char buffer[64 * 1024];
    pollfd fds[2] = {{pipe->clientFd, POLLIN, 0}, {pipe->targetFd, POLLIN, 0}};
    while (!m_stopping) {
        if (pipe->resetWanted) {
            pipe->resetBoth();
            return;
        }
        if (pipe->closeWanted) {
            pipe->closeCleanly();
            return;
        }
        fds[0].revents = 0;
        fds[1].revents = 0;
        if (::poll(fds, 2, kPollMsec) <= 0) continue;
        for (int from = 0; from < 2; ++from) {
            if (fds[from].revents == 0) continue;
            const ssize_t got = ::recv(fds[from].fd, buffer, sizeof(buffer), 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                pipe->shutdownBoth();  // one side ended: so does the other
                return;
            }
            if (m_dropping) {
                m_bytesDropped += static_cast<uint64_t>(got);
                continue;
            }
            if (!sendAll(fds[1 - from].fd, buffer, static_cast<size_t>(got))) {
                pipe->shutdownBoth();
                return;
            }
        }
    }
}

}  // namespace tevo_test
