// A TCP relay for tests: listens on an ephemeral loopback port and forwards
// every connection to a target host:port, byte for byte in both directions.
// setDropping(true) turns it into a silent network path: bytes in both
// directions are still read (so neither side's sends back up) but thrown
// away, and every connection stays open, as when a cable is pulled between
// two hosts that keep their sockets.
//
//   TcpRelay relay("127.0.0.1", sim().port());
//   ASSERT_TRUE(relay.start());
//   login to "127.0.0.1", relay.port(); ... relay.setDropping(true);
//
// Threads: one accept thread and one forwarding thread per connection, all
// joined by stop() (or the destructor). The public members may be called from
// any thread. One lock, m_mutex (the connection list), a leaf.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tevo_test {

class TcpRelay {
public:
    TcpRelay(std::string targetHost, uint16_t targetPort);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    // Listens on 127.0.0.1 on an ephemeral port; false when it cannot.
    bool start();
    // Closes every connection and joins every thread. Idempotent.
    void stop();
    // The port to connect to instead of the target's (after start).
    uint16_t port() const { return m_port; }

    // While set, bytes are read and discarded in both directions.
    void setDropping(bool dropping) { m_dropping = dropping; }
    // Bytes discarded so far, both directions together.
    uint64_t bytesDropped() const { return m_bytesDropped; }
    // Connections accepted so far.
    uint64_t connectionsAccepted() const { return m_accepted; }

private:
    struct Pipe;
    void acceptLoop();
    void forward(const std::shared_ptr<Pipe>& pipe);

    std::string m_targetHost;
    uint16_t m_targetPort;
    uint16_t m_port = 0;
    int m_listenFd = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_dropping{false};
    std::atomic<uint64_t> m_bytesDropped{0};
    std::atomic<uint64_t> m_accepted{0};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Pipe>> m_pipes;  // under m_mutex
};

}  // namespace tevo_test
