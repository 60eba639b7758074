// Feeds arbitrary byte streams through a socket pair into the client's real
// receive thread, then closes the stream. Every input must end in exactly one
// lost-connection report, and no frame shorter than a command type may be
// handed on. One client is reused; each input's thread is joined and both
// descriptors closed before the next input.

#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "RobotSDK/robotClient/robotcommunicationclient.h"
#include "RobotSDK/util/trace/robotlogprint.h"

namespace {

class FuzzClient : public RobotCommunicationClient {
public:
    using RobotCommunicationClient::adoptConnectedSocket;
    ~FuzzClient() override { disconnectRobotServer(); }

    void reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lost = 0;
    }
    void waitUntilLost() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_lost > 0; });
    }

protected:
    int responseProcess(int socketFd, const char* contentPtr, int contentLength) override {
        if (contentLength < 4 || contentLength > RECV_BUFFER_SIZE) {
            __builtin_trap();
        }
        // Read every byte handed on, so that an out-of-range frame is caught.
        unsigned sum = 0;
        for (int i = 0; i < contentLength; ++i) {
            sum += static_cast<unsigned char>(contentPtr[i]);
        }
        m_checksum += sum;
        if (socketFd == -1) {
            __builtin_trap();  // frames come from the socket only
        }
        return 0;
    }
    // The lost connection is reported once per connection.
    void disconnectProcess() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_lost > 1) {
            __builtin_trap();  // reported more than once
        }
        m_changed.notify_all();
    }
    int heartbeatService() override { return 0; }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_lost = 0;
    unsigned m_checksum = 0;
};

void discardLine(int, const char* text, void*) {
    // Touch the formatted text like a real sink would.
    volatile std::size_t length = std::strlen(text);
    (void)length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RobotLogPrint* const sink = [] {
        auto* created = new RobotLogPrint();
        created->registerRobotLogPrintCallback(&discardLine, nullptr);
        return created;
    }();
    static FuzzClient* const client = new FuzzClient();
    (void)sink;

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        __builtin_trap();  // descriptors exhausted: something leaks them
    }
    client->reset();
    if (client->adoptConnectedSocket(pair[0]) != 0) {
        __builtin_trap();  // the previous input left the client connected
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::send(pair[1], data + written, size - written, MSG_NOSIGNAL);
        if (n <= 0) {
            break;  // the client gave up the stream and closed its end
        }
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(pair[1], SHUT_WR);
    client->waitUntilLost();
    client->disconnectRobotServer();  // joins the ended thread
    ::close(pair[1]);
    return 0;
}
