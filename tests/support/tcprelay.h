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
// closeAll() and resetAll() end the open connections (orderly, or with a
// reset to both sides), setRefusing(true) makes the target unreachable (new
// connections are accepted and closed at once), as when a controller restarts
// or a switch drops its sessions.
//
// Threads: one accept thread and one forwarding thread per connection, all
// joined by stop() (or the destructor). The public members may be called from
// any thread. Locks: m_joinMutex (joining forwarding threads), then m_mutex
// (the connection list), a leaf.
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
    // Connections accepted so far (refused ones not counted).
    uint64_t connectionsAccepted() const { return m_accepted; }

    // Closes every open connection in order (both sides read an end of
    // stream) and returns once each is closed.
    void closeAll();
    // Ends every open connection with a reset (SO_LINGER 0: both sides get
    // ECONNRESET) and returns once each is gone.
    void resetAll();
    // While set, a new connection is accepted and closed at once.
    void setRefusing(bool refusing) { m_refusing = refusing; }
    // Connections relayed now.
    size_t openConnections();

private:
    struct Pipe;
    void acceptLoop();
    void forward(const std::shared_ptr<Pipe>& pipe);
    // Asks each open pipe to end (reset or orderly) and waits until it has.
    void endAll(bool reset);

    std::string m_targetHost;
    uint16_t m_targetPort;
    uint16_t m_port = 0;
    int m_listenFd = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_dropping{false};
    std::atomic<bool> m_refusing{false};
    std::atomic<uint64_t> m_bytesDropped{0};
    std::atomic<uint64_t> m_accepted{0};
    std::thread m_acceptThread;
    std::mutex m_joinMutex;  // joining pipe threads (stop, closeAll, resetAll); before m_mutex
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Pipe>> m_pipes;  // under m_mutex
};

}  // namespace tevo_test
