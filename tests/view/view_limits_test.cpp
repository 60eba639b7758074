// The browser view stays up and stays local: clients trickling request bytes
// are closed at the request deadline while /api/state keeps answering, a
// flood of idle connections is held at the connection cap, foreign Host
// values and oversized headers are refused, a stream that does not read is
// dropped, and stop() does not wait for idle connections.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/httpserver.h"
#include "sim/httpview.h"
#include "support/simfixture.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tevo_sim::HttpServer;

int connectTo(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the server closed its end: EOF or a reset, after any data it sent.
bool closedByPeer(int fd) {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n == 0) return true;
        return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    }
}

struct Reply {
    int status = 0;  // 0: no response
    std::string text;
    Clock::duration took{};
};

// One request on a new connection (closed after it); `host` empty sends no
// Host header.
Reply request(uint16_t port, const std::string& path, const std::string& host,
              const std::string& extra = "") {
    Reply r;
    const auto t0 = Clock::now();
    const int fd = connectTo(port);
    if (fd < 0) return r;
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string req = "GET " + path + " HTTP/1.1\r\n";
    if (!host.empty()) req += "Host: " + host + "\r\n";
    req += extra + "Connection: close\r\n\r\n";
    if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(req.size())) {
        char buf[8192];
        ssize_t n;
        while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) r.text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    r.took = Clock::now() - t0;
    int code = 0;
    if (std::sscanf(r.text.c_str(), "HTTP/1.%*d %d", &code) == 1) r.status = code;
    return r;
}

class ViewLimitsTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        tevo_sim::HttpViewOptions o;
        o.logSink = [this](const std::string& l) {
            std::lock_guard<std::mutex> lock(logMutex_);
            log_.push_back(l);
        };
        view_ = std::make_unique<tevo_sim::HttpView>(sim(), o);
        ASSERT_TRUE(view_->start());
        port_ = view_->port();
        self_ = "127.0.0.1:" + std::to_string(port_);
    }
    void TearDown() override {
        view_.reset();
        SimFixture::TearDown();
    }

    // /api/state answers 200 within a second.
    void expectStateAnswers() {
        const Reply r = request(port_, "/api/state", self_);
        EXPECT_EQ(r.status, 200);
        EXPECT_LT(r.took, 1s) << std::chrono::duration<double>(r.took).count() << " s";
    }

    size_t logLinesWith(const std::string& text) {
        std::lock_guard<std::mutex> lock(logMutex_);
        size_t n = 0;
        for (const auto& l : log_) n += l.find(text) != std::string::npos;
        return n;
    }

    std::unique_ptr<tevo_sim::HttpView> view_;
    uint16_t port_ = 0;
    std::string self_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

TEST_F(ViewLimitsTest, TricklingClientsAreClosedAtTheDeadlineWhileStateAnswers) {
    // Eight clients send one header byte every 100 ms and never finish; each
    // one closed is replaced at once, for five seconds.
    struct Trickler {
        int fd = -1;
        size_t sent = 0;
        Clock::time_point firstByte;
    };
    const std::string header =
        "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(4096, 'a');
    std::vector<double> closedAfter;  // seconds from the first byte to the close
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        std::vector<Trickler> ts(8);
        const auto end = Clock::now() + 5s;
        while (Clock::now() < end) {
            for (auto& t : ts) {
                if (t.fd >= 0 && t.sent > 0 && closedByPeer(t.fd)) {
                    closedAfter.push_back(
                        std::chrono::duration<double>(Clock::now() - t.firstByte).count());
                    ::close(t.fd);
                    t = Trickler{};
                }
                if (t.fd < 0) t.fd = connectTo(port_);
                if (t.fd < 0) continue;
                if (t.sent == 0) t.firstByte = Clock::now();
                if (::send(t.fd, &header[t.sent % header.size()], 1, MSG_NOSIGNAL) == 1) ++t.sent;
            }
            std::this_thread::sleep_for(100ms);  // the trickle's pace, not a wait for a result
        }
        for (auto& t : ts)
            if (t.fd >= 0) ::close(t.fd);
        done = true;
    });
    int answered = 0;
    while (!done) {
        expectStateAnswers();
        ++answered;
        if (HasFailure()) break;
    }
    trickle.join();
    EXPECT_GT(answered, 10);
    // Every trickler reached the deadline at least once within five seconds.
    ASSERT_GE(closedAfter.size(), 8u);
    const double deadline = std::chrono::duration<double>(HttpServer::kRequestDeadline).count();
    for (double s : closedAfter) {
        EXPECT_GE(s, deadline - 0.1);
        EXPECT_LE(s, deadline + 1.0);
    }
    EXPECT_EQ(logLinesWith("request deadline"), 1u);  // one line per class, rate-limited
}

TEST_F(ViewLimitsTest, AThousandIdleConnectionsAreHeldAtTheCap) {
    constexpr size_t kIdle = 1000;
    rlimit lim{};
    ::getrlimit(RLIMIT_NOFILE, &lim);
    const rlim_t need = kIdle + 256;
    if (lim.rlim_cur < need) {
        lim.rlim_cur = std::min(need, lim.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &lim);
        ::getrlimit(RLIMIT_NOFILE, &lim);
        if (lim.rlim_cur < need)
            GTEST_SKIP() << "cannot raise the open-file limit to " << need << " (hard limit "
                         << lim.rlim_max << ")";
    }
    std::vector<int> idle;
    idle.reserve(kIdle);
    std::atomic<bool> opened{false};
    std::thread opener([&] {
        for (size_t i = 0; i < kIdle; ++i) {
            const int fd = connectTo(port_);
            if (fd >= 0) idle.push_back(fd);
        }
        opened = true;
    });
    while (!opened) {
        expectStateAnswers();
        if (HasFailure()) break;
    }
    opener.join();
    EXPECT_EQ(idle.size(), kIdle);
    // The server keeps the newest ones up to the cap and closed the rest.
    auto stillOpen = [&] {
        size_t n = 0;
        for (int fd : idle) {
            pollfd p{fd, POLLIN | POLLRDHUP, 0};
            n += ::poll(&p, 1, 0) == 0;
        }
        return n;
    };
    // (The last /api/state request may have taken one idle one's place.)
    size_t open = 0;
    EXPECT_TRUE(
        waitFor([&] { return (open = stillOpen()) <= HttpServer::kMaxConnections; }, 4000ms))
        << open << " open";
    EXPECT_GE(open, HttpServer::kMaxConnections - 1);
    expectStateAnswers();
    EXPECT_EQ(logLinesWith("connection cap"), 1u);
    for (int fd : idle) ::close(fd);
}

TEST_F(ViewLimitsTest, OnlyLoopbackAndListenHostsAreServed) {
    const std::string port = std::to_string(port_);
    struct Case {
        std::string host;  // empty: no Host header
        int status;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:" + port, 200},
        {"localhost:" + port, 200},
        {"LOCALHOST:" + port, 200},
        {"127.0.0.1", 200},
        {"localhost", 200},
        {"[::1]:" + port, 200},
        {"evil.example", 421},
        {"evil.example:" + port, 421},
        {"127.0.0.1.evil.example", 421},
        {"127.0.0.1.evil.example:" + port, 421},
        {"localhost.evil.example:" + port, 421},
        {"localhost:1", 421},  // another port
        {"127.0.0.1:" + port + "0", 421},
        {"localhost:", 421},
        {"", 421},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("Host: " + c.host);
        EXPECT_EQ(request(port_, "/api/state", c.host).status, c.status);
    }
    // Two Host headers are refused too.
    EXPECT_EQ(request(port_, "/api/state", self_, "Host: evil.example\r\n").status, 421);
    // The refusals of one class make one log line.
    EXPECT_EQ(logLinesWith("421 for a foreign or missing Host"), 1u);
}

TEST_F(ViewLimitsTest, OversizedRequestsAreRefused) {
    struct Case {
        const char* what;
        std::string path, extra;
        int status;
    };
    const std::vector<Case> cases = {
        {"header over the cap", "/api/state",
         "X-Big: " + std::string(HttpServer::kMaxHeaderBytes, 'a') + "\r\n", 431},
        {"many headers over the cap", "/api/state",
         [] {
             std::string s;
             for (int i = 0; i < 1000; ++i) s += "X-H" + std::to_string(i) + ": aaaaaaaaaaaa\r\n";
             return s;
         }(),
         431},
        {"request line over the cap", "/" + std::string(HttpServer::kMaxHeaderBytes, 'p'), "", 414},
        {"a body", "/api/state", "Content-Length: 5\r\n", 413},
        {"just under the cap", "/api/state",
         "X-Big: " + std::string(HttpServer::kMaxHeaderBytes - 200, 'a') + "\r\n", 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(request(port_, c.path, self_, c.extra).status, c.status);
    }
    expectStateAnswers();
}

TEST_F(ViewLimitsTest, KeepAliveAnswersPipelinedRequestsThenIdlesOut) {
    const int fd = connectTo(port_);
    ASSERT_GE(fd, 0);
    const std::string one = "GET /api/state HTTP/1.1\r\nHost: " + self_ + "\r\n\r\n";
    const std::string three = one + one + one;
    ASSERT_EQ(::send(fd, three.data(), three.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(three.size()));
    std::string in;
    char buf[65536];
    auto responses = [&] {
        size_t n = 0;
        for (size_t at = 0; (at = in.find("HTTP/1.1 200 OK", at)) != std::string::npos; ++at) ++n;
        return n;
    };
    const auto deadline = Clock::now() + 5s;
    while (responses() < 3 && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1) continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        ASSERT_GT(n, 0) << "closed after " << responses() << " responses";
        in.append(buf, static_cast<size_t>(n));
    }
    EXPECT_EQ(responses(), 3u);
    // Idle now: closed by the server after the idle time-out, not before.
    const auto idleFrom = Clock::now();
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, static_cast<int>(HttpServer::kIdleTimeout.count()) + 2000), 1);
    EXPECT_EQ(::recv(fd, buf, sizeof buf, 0), 0);
    const auto idled = Clock::now() - idleFrom;
    EXPECT_GE(idled, HttpServer::kIdleTimeout - 200ms);
    EXPECT_LE(idled, HttpServer::kIdleTimeout + 1500ms);
    ::close(fd);
}

TEST_F(ViewLimitsTest, StopDoesNotWaitForIdleConnections) {
    // Keep-alive connections that were answered, fresh ones, a half-sent
    // request and an open stream.
    std::vector<int> fds;
    for (int i = 0; i < 10; ++i) {
        const int fd = connectTo(port_);
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
        if (i % 3 == 0) {
            const std::string req = "GET /api/state HTTP/1.1\r\nHost: " + self_ + "\r\n\r\n";
            ASSERT_EQ(::send(fd, req.data(), req.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(req.size()));
            char buf[65536];
            ASSERT_GT(::recv(fd, buf, sizeof buf, 0), 0);
        } else if (i == 1) {
            ::send(fd, "GET /api/sta", 12, MSG_NOSIGNAL);
        } else if (i == 2) {
            const std::string req = "GET /api/stream HTTP/1.1\r\nHost: " + self_ + "\r\n\r\n";
            ::send(fd, req.data(), req.size(), MSG_NOSIGNAL);
            char buf[4096];
            ASSERT_GT(::recv(fd, buf, sizeof buf, 0), 0);
        }
    }
    const auto t0 = Clock::now();
    view_->stop();
    const auto took = Clock::now() - t0;
    EXPECT_LT(took, 100ms) << std::chrono::duration<double>(took).count() << " s";
    for (int fd : fds) {
        timeval tv{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buf[65536];
        ssize_t n;
        while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) {
        }
        EXPECT_TRUE(n == 0 || errno == ECONNRESET) << "connection left open";
        ::close(fd);
    }
}

// The server alone: a stream that stops reading is dropped once its unsent
// output passes the bound, while a reading stream keeps receiving.
TEST(HttpServerTest, AStreamThatDoesNotReadIsDropped) {
    std::vector<std::string> log;
    std::mutex logMutex;
    HttpServer server([&](const std::string& l) {
        std::lock_guard<std::mutex> lock(logMutex);
        log.push_back(l);
    });
    std::atomic<size_t> streams{0};
    server.stream("/s", "hello\n\n");
    server.onStreams([&](size_t n) { streams = n; });
    ASSERT_TRUE(server.listen("127.0.0.1", 0));
    const std::string req =
        "GET /s HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n\r\n";
    const int reader = connectTo(server.port());
    const int stalled = connectTo(server.port());
    ASSERT_GE(reader, 0);
    ASSERT_GE(stalled, 0);
    const int small = 4096;
    ::setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ::send(reader, req.data(), req.size(), MSG_NOSIGNAL);
    ::send(stalled, req.data(), req.size(), MSG_NOSIGNAL);
    const auto deadline = Clock::now() + 10s;
    while (streams.load() < 2 && Clock::now() < deadline) std::this_thread::yield();
    ASSERT_EQ(streams.load(), 2u);

    // The reader keeps up with every text; the stalled client reads nothing.
    const std::string text = "data: " + std::string(size_t{64} * 1024, 'x') + "\n\n";
    size_t published = 0, received = 0;
    bool dropped = false;
    while (!dropped && Clock::now() < deadline) {
        server.publish(text);
        published += text.size();
        char buf[65536];
        while (received < published) {
            pollfd p{reader, POLLIN, 0};
            if (::poll(&p, 1, 1000) != 1) break;
            const ssize_t n = ::recv(reader, buf, sizeof buf, 0);
            if (n <= 0) break;
            received += static_cast<size_t>(n);
        }
        dropped = streams.load() == 1;
    }
    EXPECT_TRUE(dropped);
    EXPECT_GT(received, HttpServer::kMaxStreamBacklog);
    EXPECT_EQ(server.streamCount(), 1u);
    {
        std::lock_guard<std::mutex> lock(logMutex);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find("does not read"), std::string::npos) << log[0];
    }
    server.stop();
    ::close(reader);
    ::close(stalled);
}

}  // namespace
