#ifndef TESTS_TRANSPORT_TRANSPORT_PEER_H
#define TESTS_TRANSPORT_TRANSPORT_PEER_H

// Test helpers for the connection client: a scripted TCP peer on an ephemeral
// loopback port, a client subclass that records the frames it is handed, a
// log capture, and frame builders.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "RobotSDK/robotClient/robotcommunicationclient.h"
#include "RobotSDK/util/trace/robotlogprint.h"

namespace transport_test {

using namespace std::chrono_literals;
constexpr auto kWait = 10s;  // generous: only reached when something is broken

inline std::string le32(std::int32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFFU);
    }
    return out;
}

inline const std::string& startMark() {
    static const std::string mark("\xEE\xCC\xFF\xFF", 4);
    return mark;
}

// A whole frame; the check field and end mark may be overridden.
inline std::string frame(std::int32_t commandType, const std::string& body,
                         const std::string& check = std::string(4, '\0'),
                         const std::string& end = std::string(4, '\xFF')) {
    return startMark() + le32(static_cast<std::int32_t>(body.size() + 12)) + le32(commandType) +
           body + check + end;
}

// The content handed to responseProcess for a frame: command type and body.
inline std::string content(std::int32_t commandType, const std::string& body) {
    return le32(commandType) + body;
}

// What RecordingClient records, with socket -1, when the client reports a lost
// connection through disconnectProcess().
inline std::string disconnectContent() { return "<connection lost>"; }

// One listening socket on 127.0.0.1, port chosen by the system, and the one
// connection accepted from it. Driven from the test thread. A receive buffer
// size other than 0 fixes the accepted connection's buffer (the system doubles
// it) instead of letting it grow, so that a peer that does not read stalls a
// large send after a known amount.
class TestPeer {
public:
    explicit TestPeer(int receiveBuffer = 0) {
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(m_listenFd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::listen(m_listenFd, 4) == 0) {
            socklen_t size = sizeof(address);
            ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size);
            m_port = ntohs(address.sin_port);
        }
    }
    ~TestPeer() {
        closeConnection();
        if (m_listenFd >= 0) {
            ::close(m_listenFd);
        }
    }
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    int port() const { return m_port; }

    bool accept() {
        pollfd waitFor{m_listenFd, POLLIN, 0};
        if (::poll(&waitFor, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) != 1) {
            return false;
        }
        closeConnection();
        m_connFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        const int one = 1;
        ::setsockopt(m_connFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        return m_connFd >= 0;
    }

    // Writes every byte; with oneByteAtATime each byte is its own segment.
    bool send(const std::string& bytes, bool oneByteAtATime = false) {
        size_t done = 0;
        while (done < bytes.size()) {
            const size_t chunk = oneByteAtATime ? 1 : bytes.size() - done;
            const ssize_t n = ::send(m_connFd, bytes.data() + done, chunk, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads exactly n bytes, or fewer when the connection ends or stays quiet
    // for the whole wait.
    std::string receive(size_t n) {
        std::string out;
        char buffer[65536];
        while (out.size() < n) {
            pollfd waitFor{m_connFd, POLLIN, 0};
            if (::poll(&waitFor, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) !=
                1) {
                break;
            }
            const ssize_t got =
                ::recv(m_connFd, buffer, std::min(sizeof(buffer), n - out.size()), 0);
            if (got <= 0) {
                break;
            }
            out.append(buffer, static_cast<size_t>(got));
        }
        return out;
    }

    // True when the client closed its end (reads drain to end of stream).
    bool seesEndOfStream() {
        char buffer[4096];
        for (;;) {
            pollfd waitFor{m_connFd, POLLIN, 0};
            if (::poll(&waitFor, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) !=
                1) {
                return false;
            }
            const ssize_t got = ::recv(m_connFd, buffer, sizeof(buffer), 0);
            if (got == 0) {
                return true;
            }
            if (got < 0) {
                return errno == ECONNRESET;
            }
        }
    }

    void closeConnection() {
        if (m_connFd >= 0) {
            ::close(m_connFd);
            m_connFd = -1;
        }
    }

private:
    int m_listenFd = -1;
    int m_connFd = -1;
    int m_port = 0;
};

// Records every frame handed to it; a test waits on the condition.
class RecordingClient : public RobotCommunicationClient {
public:
    struct Frame {
        int socketFd;
        std::string content;
    };
    using OnFrame = std::function<void(RecordingClient&, const Frame&)>;

    using RobotCommunicationClient::adoptConnectedSocket;

    explicit RecordingClient(OnFrame onFrame = nullptr) : m_onFrame(std::move(onFrame)) {}
    ~RecordingClient() override { disconnectRobotServer(); }

    bool waitForFrames(size_t count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kWait, [&] { return m_frames.size() >= count; });
    }
    std::vector<Frame> frames() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }

protected:
    int responseProcess(int socketFd, const char* contentPtr, int contentLength) override {
        Frame frame{socketFd, std::string(contentPtr, static_cast<size_t>(contentLength))};
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frames.push_back(frame);
        }
        m_changed.notify_all();
        if (m_onFrame) {
            m_onFrame(*this, frame);
        }
        return 0;
    }
    void disconnectProcess() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frames.push_back(Frame{-1, disconnectContent()});
        }
        m_changed.notify_all();
    }
    int heartbeatService() override { return 0; }

private:
    OnFrame m_onFrame;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Frame> m_frames;
};

// Collects the lines of the process's log sink while it lives.
class LogCapture {
public:
    LogCapture() { sink()->registerRobotLogPrintCallback(&LogCapture::callback, this); }
    ~LogCapture() { sink()->registerRobotLogPrintCallback(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    size_t size() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines.size();
    }
    size_t count(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t n = 0;
        for (const auto& line : m_lines) {
            n += line.second == text ? 1 : 0;
        }
        return n;
    }
    bool contains(int level, const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& line : m_lines) {
            if (line.first == level && line.second == text) {
                return true;
            }
        }
        return false;
    }
    bool waitFor(const std::string& text) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kWait, [&] {
            for (const auto& line : m_lines) {
                if (line.second == text) {
                    return true;
                }
            }
            return false;
        });
    }

private:
    static RobotLogPrint* sink() {
        static RobotLogPrint* const instance = RobotLogPrint::getRobotLogPrintPtr() != nullptr
                                                   ? RobotLogPrint::getRobotLogPrintPtr()
                                                   : new RobotLogPrint();
        return instance;
    }
    static void callback(int level, const char* text, void* arg) {
        auto* self = static_cast<LogCapture*>(arg);
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_lines.emplace_back(level, text);
        }
        self->m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::pair<int, std::string>> m_lines;
};

}  // namespace transport_test

#endif  // TESTS_TRANSPORT_TRANSPORT_PEER_H
