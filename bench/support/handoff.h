// Loopback TCP pieces of the latency benchmarks, and the hand-off floor: a
// frame sent over loopback TCP, answered by a responder thread, received by a
// receive thread (readiness wait, peek, read) and handed to the waiting caller
// through a condition variable. No design with a receive thread answers a
// caller faster, so the library's figures are compared with it in the same run.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "sim/framing.h"

namespace tevo_bench {

// Ends the program when the loopback sockets cannot be set up: every figure
// would be measured on broken sockets.
[[noreturn]] inline void setupFailed(const char* what) {
    std::perror(what);
    std::abort();
}

// A connected pair of loopback TCP sockets (client, server), no Nagle delay.
struct LoopbackPair {
    int client = -1;
    int server = -1;

    LoopbackPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
            setupFailed("bind");
        ::listen(listener, 1);
        socklen_t len = sizeof(addr);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
        client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
            setupFailed("connect");
        server = ::accept(listener, nullptr, nullptr);
        ::close(listener);
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    }
    ~LoopbackPair() {
        if (client >= 0) ::close(client);
        if (server >= 0) ::close(server);
    }
    LoopbackPair(const LoopbackPair&) = delete;
    LoopbackPair& operator=(const LoopbackPair&) = delete;
    // Hands the client socket over to someone who closes it.
    int releaseClient() {
        const int fd = client;
        client = -1;
        return fd;
    }
};

inline bool readFull(int fd, char* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::recv(fd, buf + done, n - done, 0);
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

inline bool writeFull(int fd, const char* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::send(fd, buf + done, n - done, MSG_NOSIGNAL);
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

// The smallest frame of the wire protocol: an empty body, 20 bytes.
inline const std::string& emptyFrame() {
    static const std::string frame = tevo_sim::encodeFrame(115, "");
    return frame;
}

// Answers every frame on its socket with `reply(type)` until the peer closes
// or the responder is destroyed.
class Responder {
public:
    template <typename Reply>
    Responder(int fd, Reply reply) : fd_(fd), thread_([this, reply] { run(reply); }) {}
    ~Responder() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
    }
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

private:
    template <typename Reply>
    void run(Reply reply) {
        char head[8];
        std::string text;
        while (readFull(fd_, head, 8)) {
            int32_t length;
            std::memcpy(&length, head + 4, 4);
            if (length < 12) return;
            text.resize(static_cast<size_t>(length));
            if (!readFull(fd_, &text[0], text.size())) return;
            int32_t type;
            std::memcpy(&type, text.data(), 4);
            const std::string& out = reply(type);
            if (!writeFull(fd_, out.data(), out.size())) return;
        }
    }
    int fd_;
    std::thread thread_;
};

// The hand-off floor: roundTrip() writes the empty frame, a responder thread
// echoes it, and the receive thread hands its arrival to the caller through a
// condition variable.
class HandOffFloor {
public:
    HandOffFloor()
        : responder_(pair_.server, [](int32_t) -> const std::string& { return emptyFrame(); }),
          receiver_([this] { receive(); }) {}
    ~HandOffFloor() {
        stop_ = true;
        receiver_.join();
    }
    HandOffFloor(const HandOffFloor&) = delete;
    HandOffFloor& operator=(const HandOffFloor&) = delete;

    // One frame there and back; returns false when the loopback link broke.
    bool roundTrip() {
        // The predicate is tested under the mutex, so writing before taking it
        // loses no wake-up and keeps the receiver from blocking on the mutex.
        const std::string& frame = emptyFrame();
        if (!writeFull(pair_.client, frame.data(), frame.size())) return false;
        ++expected_;
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return received_ == expected_ || broken_; });
        return !broken_;
    }

private:
    void receive() {
        char buf[tevo_sim::kFrameOverhead];
        pollfd p{pair_.client, POLLIN, 0};
        while (!stop_.load(std::memory_order_relaxed)) {
            if (::poll(&p, 1, 100) <= 0) continue;
            if (::recv(pair_.client, buf, 4, MSG_PEEK) != 4 ||
                !readFull(pair_.client, buf, sizeof(buf))) {
                std::lock_guard<std::mutex> lock(mutex_);
                broken_ = true;
                cv_.notify_one();
                return;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++received_;
            }
            cv_.notify_one();
        }
    }

    LoopbackPair pair_;
    Responder responder_;
    std::mutex mutex_;
    std::condition_variable cv_;
    uint64_t received_ = 0;  // under mutex_
    bool broken_ = false;    // under mutex_
    uint64_t expected_ = 0;  // caller's thread only
    std::atomic<bool> stop_{false};
    std::thread receiver_;  // last: starts once the members above exist
};

}  // namespace tevo_bench
