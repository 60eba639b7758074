// A minimal protocol client for simulator tests: its own frame encoder and
// decoder (not the simulator's), so the tests check the wire format itself.
#pragma once

#include <arpa/inet.h>
#include <google/protobuf/message_lite.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <string>

namespace tevo_test {

struct WireFrame {
    int32_t type = 0;
    std::string body;
};

inline std::string makeFrame(int32_t type, const std::string& body) {
    std::string f("\xEE\xCC\xFF\xFF", 4);
    auto le = [&f](uint32_t v) {
        for (int i = 0; i < 4; ++i) f.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    le(static_cast<uint32_t>(body.size() + 12));
    le(static_cast<uint32_t>(type));
    f += body;
    f += std::string("\x00\x00\x00\x00", 4);
    f += std::string("\xFF\xFF\xFF\xFF", 4);
    return f;
}

class RawClient {
public:
    RawClient() = default;
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;
    ~RawClient() { close(); }

    bool connect(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd_ < 0) return false;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    bool sendBytes(const std::string& b) {
        size_t done = 0;
        while (done < b.size()) {
            const ssize_t n = ::send(fd_, b.data() + done, b.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    bool send(int32_t type, const std::string& body = std::string()) {
        return sendBytes(makeFrame(type, body));
    }
    bool send(int32_t type, const google::protobuf::MessageLite& m) {
        return send(type, m.SerializeAsString());
    }

    // Next frame of any type, in arrival order (frames set aside by the
    // typed reads come first).
    std::optional<WireFrame> next(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        if (!held_.empty()) {
            WireFrame f = held_.front();
            held_.pop_front();
            return f;
        }
        return readFrame(timeout);
    }

    // Next frame of `type`; frames of other types are kept for next().
    std::optional<WireFrame> nextOf(
        int32_t type, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        for (auto it = held_.begin(); it != held_.end(); ++it) {
            if (it->type == type) {
                WireFrame f = *it;
                held_.erase(it);
                return f;
            }
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            auto f = readFrame(left);
            if (!f) return std::nullopt;
            if (f->type == type) return f;
            held_.push_back(*f);
        }
    }

    // Sends a request and returns the reply body parsed into `reply`.
    bool request(int32_t type, const std::string& body, google::protobuf::MessageLite& reply) {
        if (!send(type, body)) return false;
        auto f = nextOf(type);
        return f && reply.ParseFromString(f->body);
    }
    bool request(int32_t type, const google::protobuf::MessageLite& req,
                 google::protobuf::MessageLite& reply) {
        return request(type, req.SerializeAsString(), reply);
    }

    // True once the peer has closed the connection (reads drain until EOF).
    bool waitClosed(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char buf[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return true;
        }
        return false;
    }

    int fd() const { return fd_; }

private:
    std::optional<WireFrame> readFrame(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            if (buf_.size() >= 8) {
                if (buf_.compare(0, 4, std::string("\xEE\xCC\xFF\xFF", 4)) != 0)
                    return std::nullopt;
                uint32_t len = 0;
                for (int i = 0; i < 4; ++i)
                    len |= static_cast<uint32_t>(static_cast<unsigned char>(buf_[4 + i]))
                           << (8 * i);
                if (len < 12) return std::nullopt;
                if (buf_.size() >= 8 + len) {
                    WireFrame f;
                    uint32_t t = 0;
                    for (int i = 0; i < 4; ++i)
                        t |= static_cast<uint32_t>(static_cast<unsigned char>(buf_[8 + i]))
                             << (8 * i);
                    f.type = static_cast<int32_t>(t);
                    f.body = buf_.substr(12, len - 12);
                    const std::string tail = buf_.substr(8 + len - 8, 8);
                    if (tail != std::string("\x00\x00\x00\x00\xFF\xFF\xFF\xFF", 8))
                        return std::nullopt;
                    buf_.erase(0, 8 + len);
                    return f;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char tmp[65536];
            const ssize_t n = ::recv(fd_, tmp, sizeof tmp, 0);
            if (n <= 0) return std::nullopt;
            buf_.append(tmp, static_cast<size_t>(n));
        }
    }

    int fd_ = -1;
    std::string buf_;
    std::deque<WireFrame> held_;
};

}  // namespace tevo_test
