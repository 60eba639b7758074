#include "sim/httpserver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <memory>

namespace tevo_sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPublished = 64;    // queued texts kept while the loop is busy
constexpr int kMaxAcceptsPerTurn = 16;  // below the cap: a new connection is read
                                        // before enough newer ones arrive to evict it
constexpr size_t kReadChunk = size_t{16} * 1024;
constexpr std::chrono::milliseconds kLinger{1000};  // reading what follows a refusal

const char* reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Content Too Large";
        case 414:
            return "URI Too Long";
        case 421:
            return "Misdirected Request";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return status < 400 ? "OK" : "Error";
    }
}

enum Refusal {
    kForeignHost,
    kHeaderTooLarge,
    kMethod,
    kBody,
    kBadRequest,
    kNotFound,
    kDeadline,
    kConnectionCap,
    kStreamCap,
    kSlowStream,
    kAcceptFailed,
    kRefusalClasses
};

constexpr std::array<const char*, kRefusalClasses> kRefusalText = {
    "421 for a foreign or missing Host",
    "431 for request headers over the size cap",
    "405 for a method other than GET or HEAD",
    "413 for a request with a body",
    "400 for an unparsable request",
    "404",
    "connection closed at the request deadline",
    "connection closed at the connection cap",
    "503 for a stream over the stream cap",
    "stream dropped: its client does not read",
    "accept failed",
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string chunk(const std::string& text) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", text.size());
    return size + text + "\r\n";
}

// Printable for a log line: at most 200 bytes, control bytes as '?'.
std::string printable(const std::string& s) {
    std::string out = s.substr(0, 200);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

struct Conn {
    int fd = -1;
    std::string in;
    std::string out;
    size_t outPos = 0;
    bool busy = false;        // a request is arriving or its response is being written
    bool stream = false;      // an open event stream
    bool answered = false;    // the current request's response is queued
    bool closeAfter = false;  // close once the output is written
    bool lingering = false;   // output written and shut down; discarding input
    bool peerClosed = false;
    bool dead = false;
    Clock::time_point deadline;   // request deadline, linger end or idle time-out
    Clock::time_point idleSince;  // when the connection last became idle

    bool idle() const { return !busy && !stream && !lingering && !dead; }
    bool writing() const { return outPos < out.size(); }
};

}  // namespace

struct HttpServer::Loop {
    HttpServer& server;
    std::vector<std::unique_ptr<Conn>> conns;  // in accept order
    struct LogEntry {
        bool any = false;
        Clock::time_point last;
        uint64_t skipped = 0;
    };
    std::array<LogEntry, kRefusalClasses> logged{};
    Clock::time_point acceptPausedUntil;
    bool streamsChanged = false;

    explicit Loop(HttpServer& s) : server(s) {}

    void refuse(Refusal r, const std::string& detail, Clock::time_point now) {
        LogEntry& e = logged[r];
        if (e.any && now - e.last < kLogInterval) {
            ++e.skipped;
            return;
        }
        std::string line = kRefusalText[r];
        if (!detail.empty()) line += ": " + detail;
        if (e.skipped) line += " (and " + std::to_string(e.skipped) + " more not logged)";
        e = {true, now, 0};
        if (server.log_) server.log_(line);
    }

    void close(Conn& c) {
        if (c.dead) return;
        ::close(c.fd);
        c.fd = -1;
        c.dead = true;
        if (c.stream) {
            server.streams_.fetch_sub(1);
            streamsChanged = true;
        }
    }

    void write(Conn& c) {
        while (c.writing()) {
            const ssize_t n =
                ::send(c.fd, c.out.data() + c.outPos, c.out.size() - c.outPos, MSG_NOSIGNAL);
            if (n > 0) {
                c.outPos += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            close(c);
            return;
        }
        if (!c.writing()) {
            c.out.clear();
            c.outPos = 0;
        } else if (c.outPos > size_t{64} * 1024) {
            c.out.erase(0, c.outPos);
            c.outPos = 0;
        }
    }

    void read(Conn& c, Clock::time_point now) {
        char buf[kReadChunk];
        // Bounded per turn so one fast sender cannot hold the loop.
        for (int turn = 0; turn < 4 && !c.dead; ++turn) {
            const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
            if (n > 0) {
                if (c.stream || c.lingering) continue;  // nothing more is read from these
                if (!c.busy) {
                    c.busy = true;
                    c.deadline = now + kRequestDeadline;
                }
                c.in.append(buf, static_cast<size_t>(n));
                if (c.in.size() > kMaxHeaderBytes) return;
                continue;
            }
            if (n == 0) {
                c.peerClosed = true;
                return;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) close(c);
            return;
        }
    }

    void queue(Conn& c, const HttpResponse& r, bool head, bool keepAlive) {
        std::string s = "HTTP/1.1 " + std::to_string(r.status) + " " + reasonPhrase(r.status) +
                        "\r\nContent-Type: " + r.contentType +
                        "\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\n";
        for (const auto& h : r.headers) s += h.first + ": " + h.second + "\r\n";
        if (!keepAlive) s += "Connection: close\r\n";
        s += "\r\n";
        if (!head) s += r.body;
        c.out += s;
        if (!keepAlive) c.closeAfter = true;
    }

    void error(Conn& c, int status, const std::string& what, bool head, bool keepAlive,
               std::vector<std::pair<std::string, std::string>> headers = {}) {
        HttpResponse r;
        r.status = status;
        r.body = std::to_string(status) + " " + what + "\n";
        r.headers = std::move(headers);
        queue(c, r, head, keepAlive);
    }

    bool hostAllowed(const std::string& value) const {
        const std::string v = lower(trim(value));
        if (v.empty()) return false;
        std::string name = v;
        std::string portText;
        bool hasPort = false;
        if (v[0] == '[') {
            const size_t close = v.find(']');
            if (close == std::string::npos) return false;
            name = v.substr(0, close + 1);
            const std::string rest = v.substr(close + 1);
            if (!rest.empty()) {
                if (rest[0] != ':') return false;
                hasPort = true;
                portText = rest.substr(1);
            }
        } else if (const size_t colon = v.find(':'); colon != std::string::npos) {
            name = v.substr(0, colon);
            hasPort = true;
            portText = v.substr(colon + 1);
        }
        if (hasPort) {
            if (portText.empty() || portText.size() > 5 ||
                !std::all_of(portText.begin(), portText.end(),
                             [](unsigned char ch) { return std::isdigit(ch) != 0; }) ||
                std::stoi(portText) != server.port_)
                return false;
        }
        if (name == "127.0.0.1" || name == "localhost" || name == "[::1]") return true;
        if (!hasPort) return false;
        const bool bracketed = name[0] == '[';
        const std::string bare = bracketed ? name.substr(1, name.size() - 2) : name;
        const std::string listenHost = lower(server.host_);
        if (bare == listenHost) return true;
        // Listening on every address: any address literal names this machine,
        // and only a host name can be rebound to it.
        if (listenHost == "0.0.0.0" || listenHost == "::" || listenHost.empty()) {
            unsigned char addr[sizeof(in6_addr)];
            return ::inet_pton(bracketed ? AF_INET6 : AF_INET, bare.c_str(), addr) == 1;
        }
        return false;
    }

    void startStream(Conn& c, const std::string& greeting, bool head, Clock::time_point now) {
        if (server.streams_.load() >= kMaxStreams) {
            refuse(kStreamCap, "", now);
            error(c, 503, "too many streams open", head, true, {{"Retry-After", "5"}});
            return;
        }
        if (head) {
            HttpResponse r;
            r.contentType = "text/event-stream";
            queue(c, r, true, false);
            return;
        }
        c.out +=
            "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
            "Transfer-Encoding: chunked\r\n\r\n" +
            chunk(greeting);
        c.stream = true;
        c.busy = false;
        c.in.clear();
        server.streams_.fetch_add(1);
        streamsChanged = true;
    }

    // Answers one request whose header block is `head` (without the blank line).
    void answer(Conn& c, const std::string& head, Clock::time_point now) {
        size_t lineEnd = head.find("\r\n");
        if (lineEnd == std::string::npos) lineEnd = head.size();
        const std::string line = head.substr(0, lineEnd);
        const size_t sp1 = line.find(' ');
        const size_t sp2 = sp1 == std::string::npos ? sp1 : line.find(' ', sp1 + 1);
        const bool shape = sp1 != std::string::npos && sp2 != std::string::npos && sp1 > 0 &&
                           sp2 > sp1 + 1 && line.find(' ', sp2 + 1) == std::string::npos;
        const std::string version = shape ? line.substr(sp2 + 1) : std::string();
        if (version != "HTTP/1.1" && version != "HTTP/1.0") {
            refuse(kBadRequest, printable(line), now);
            error(c, 400, "bad request", false, false);
            return;
        }
        const std::string method = line.substr(0, sp1);
        const std::string target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        const bool http11 = version == "HTTP/1.1";

        std::string host, connection;
        int hosts = 0;
        bool body = false;
        size_t pos = lineEnd;
        while (pos < head.size()) {
            pos += 2;
            size_t end = head.find("\r\n", pos);
            if (end == std::string::npos) end = head.size();
            const std::string field = head.substr(pos, end - pos);
            pos = end;
            const size_t colon = field.find(':');
            if (colon == std::string::npos || colon == 0 || field[0] == ' ' || field[0] == '\t') {
                refuse(kBadRequest, "malformed header line", now);
                error(c, 400, "bad request", false, false);
                return;
            }
            const std::string name = lower(field.substr(0, colon));
            const std::string value = trim(field.substr(colon + 1));
            if (name == "host") {
                host = value;
                ++hosts;
            } else if (name == "connection") {
                connection = lower(value);
            } else if (name == "transfer-encoding" || (name == "content-length" && value != "0")) {
                body = true;
            }
        }
        const bool isHead = method == "HEAD";
        if (method != "GET" && !isHead) {
            refuse(kMethod, printable(method), now);
            error(c, 405, "only GET is served", false, false, {{"Allow", "GET, HEAD"}});
            return;
        }
        if (body) {
            refuse(kBody, "", now);
            error(c, 413, "request bodies are not accepted", isHead, false);
            return;
        }
        if (hosts != 1 || !hostAllowed(host)) {
            refuse(kForeignHost, hosts ? printable(host) : "no Host", now);
            error(c, 421, "this server answers only for its own address", isHead, false);
            return;
        }
        const bool keepAlive = http11 ? connection.find("close") == std::string::npos
                                      : connection.find("keep-alive") != std::string::npos;
        const std::string path = target.substr(0, target.find('?'));
        const size_t q = target.find('?');
        if (const auto s = server.streamPaths_.find(path); s != server.streamPaths_.end()) {
            startStream(c, s->second, isHead, now);
            return;
        }
        const auto h = server.handlers_.find(path);
        if (h == server.handlers_.end()) {
            refuse(kNotFound, method + " " + printable(path), now);
            error(c, 404, "not found: " + printable(path), isHead, keepAlive);
            return;
        }
        HttpRequest req{method, path,
                        q == std::string::npos ? std::string() : target.substr(q + 1)};
        queue(c, h->second(req), isHead, keepAlive);
    }

    // Takes one request from the input if a whole header block arrived
    // (true), or refuses one that outgrew the cap.
    bool parseOne(Conn& c, Clock::time_point now) {
        const size_t end = c.in.find("\r\n\r\n");
        if (end == std::string::npos && c.in.size() <= kMaxHeaderBytes) return false;
        if (end == std::string::npos || end + 4 > kMaxHeaderBytes) {
            const bool lineDone = c.in.find("\r\n") < kMaxHeaderBytes;
            refuse(kHeaderTooLarge, "", now);
            if (lineDone)
                error(c, 431, "request headers too large", false, false);
            else
                error(c, 414, "request line too long", false, false);
            c.in.clear();
            return true;
        }
        const std::string head = c.in.substr(0, end);
        c.in.erase(0, end + 4);
        answer(c, head, now);
        return true;
    }

    // Writes, moves the connection on to its next state and answers the
    // requests that arrived whole, one at a time.
    void service(Conn& c, Clock::time_point now) {
        for (;;) {
            if (c.dead) return;
            if (c.writing()) {
                write(c);
                if (c.dead || c.writing()) return;
            }
            if (c.stream || c.lingering) {
                if (c.peerClosed) close(c);
                return;
            }
            if (c.closeAfter) {
                // Reading what the client still sends lets it read the response
                // before the close; closing with unread input would reset it.
                ::shutdown(c.fd, SHUT_WR);
                c.lingering = true;
                c.busy = false;
                c.in.clear();
                c.deadline = now + kLinger;
                continue;
            }
            if (c.answered) {
                // Its response is out: the connection idles, or the next
                // request, already arriving, runs against its own deadline.
                c.answered = false;
                if (c.in.empty()) {
                    c.busy = false;
                    c.idleSince = now;
                    c.deadline = now + kIdleTimeout;
                } else {
                    c.deadline = now + kRequestDeadline;
                }
            }
            if (c.in.empty() || !parseOne(c, now)) {
                if (c.peerClosed) close(c);
                return;
            }
            c.answered = true;
        }
    }

    void accept(Clock::time_point now) {
        for (int k = 0; k < kMaxAcceptsPerTurn; ++k) {
            const int fd =
                ::accept4(server.listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    // Out of descriptors: the listener stays readable, so wait
                    // a little instead of spinning.
                    refuse(kAcceptFailed, "errno " + std::to_string(errno), now);
                    acceptPausedUntil = now + std::chrono::milliseconds(100);
                }
                return;
            }
            size_t live = 0;
            Conn* victim = nullptr;
            for (auto& c : conns) {
                if (c->dead) continue;
                ++live;
                if (c->idle() && (!victim || c->idleSince < victim->idleSince)) victim = c.get();
            }
            if (live >= kMaxConnections) {
                if (!victim) {
                    refuse(kConnectionCap, "none idle, the new one closed", now);
                    ::close(fd);
                    continue;
                }
                refuse(kConnectionCap, "the longest idle one closed", now);
                close(*victim);
            }
            auto c = std::make_unique<Conn>();
            c->fd = fd;
            c->idleSince = now;
            c->deadline = now + kIdleTimeout;
            conns.push_back(std::move(c));
        }
    }

    void distribute(Clock::time_point now) {
        std::vector<std::string> texts;
        {
            std::lock_guard<std::mutex> lock(server.publishMutex_);
            texts.swap(server.published_);
        }
        if (texts.empty()) return;
        std::string framed;
        for (const auto& t : texts) framed += chunk(t);
        for (auto& c : conns) {
            if (!c->stream || c->dead) continue;
            c->out += framed;
            if (c->out.size() - c->outPos > kMaxStreamBacklog) {
                refuse(kSlowStream, "", now);
                close(*c);
                continue;
            }
            write(*c);
        }
    }

    void expire(Clock::time_point now) {
        for (auto& c : conns) {
            if (c->dead || c->stream || now < c->deadline) continue;
            if (c->busy) {
                refuse(kDeadline, "", now);
                if (c->out.empty()) {
                    static const char k408[] =
                        "HTTP/1.1 408 Request Timeout\r\nContent-Length: 0\r\n"
                        "Connection: close\r\n\r\n";
                    (void)::send(c->fd, k408, sizeof k408 - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                }
            }
            close(*c);
        }
    }

    void run() {
        std::vector<pollfd> fds;
        while (!server.stopping_.load()) {
            auto now = Clock::now();
            auto wake = now + std::chrono::seconds(1);
            for (const auto& c : conns)
                if (!c->stream) wake = std::min(wake, c->deadline);
            const bool acceptPaused = now < acceptPausedUntil;
            if (acceptPaused) wake = std::min(wake, acceptPausedUntil);
            const auto waitMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1;

            fds.clear();
            fds.push_back({server.wakeFd_, POLLIN, 0});
            fds.push_back({acceptPaused ? -1 : server.listenFd_, POLLIN, 0});
            for (const auto& c : conns) {
                short events = 0;
                if (c->stream || c->lingering || c->in.size() <= kMaxHeaderBytes) events |= POLLIN;
                if (c->writing()) events |= POLLOUT;
                fds.push_back({c->fd, events, 0});
            }
            const int ready =
                ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(waitMs, 0)));
            if (ready < 0 && errno != EINTR) {
                refuse(kAcceptFailed, "poll: errno " + std::to_string(errno), Clock::now());
                break;
            }
            now = Clock::now();
            if (ready > 0 && fds[0].revents) {
                uint64_t n = 0;
                (void)!::read(server.wakeFd_, &n, sizeof n);
            }
            if (server.stopping_.load()) break;
            distribute(now);
            const size_t polled = fds.size() - 2;
            for (size_t i = 0; i < polled && ready > 0; ++i) {
                Conn& c = *conns[i];
                if (c.dead) continue;
                if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) read(c, now);
                service(c, now);
            }
            if (ready > 0 && (fds[1].revents & POLLIN)) accept(now);
            expire(now);
            conns.erase(std::remove_if(conns.begin(), conns.end(),
                                       [](const std::unique_ptr<Conn>& c) { return c->dead; }),
                        conns.end());
            server.connections_.store(conns.size());
            if (streamsChanged) {
                streamsChanged = false;
                if (server.onStreams_) server.onStreams_(server.streams_.load());
            }
        }
        for (auto& c : conns) close(*c);
        conns.clear();
        server.connections_.store(0);
        if (streamsChanged && server.onStreams_) server.onStreams_(0);
    }
};

HttpServer::HttpServer(LogSink log) : log_(std::move(log)) {}

HttpServer::~HttpServer() { stop(); }

void HttpServer::handle(const std::string& path, Handler handler) {
    handlers_[path] = std::move(handler);
}

void HttpServer::stream(const std::string& path, std::string greeting) {
    streamPaths_[path] = std::move(greeting);
}

void HttpServer::onStreams(std::function<void(size_t)> callback) {
    onStreams_ = std::move(callback);
}

bool HttpServer::listen(const std::string& host, uint16_t port) {
    std::lock_guard<std::mutex> life(lifecycleMutex_);
    if (started_) return false;
    started_ = true;
    host_ = host;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.empty() ? nullptr : host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* a = found; a && listenFd_ < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0)
            listenFd_ = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(found);
    if (listenFd_ < 0) return false;
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &len);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void HttpServer::run() {
    Loop loop(*this);
    loop.run();
}

void HttpServer::publish(const std::string& text) {
    if (streams_.load() == 0) return;
    std::lock_guard<std::mutex> lock(publishMutex_);
    if (wakeFd_ < 0 || stopping_.load()) return;
    if (published_.size() >= kMaxPublished) published_.erase(published_.begin());
    published_.push_back(text);
    const uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
}

void HttpServer::stop() {
    std::lock_guard<std::mutex> life(lifecycleMutex_);
    stopping_.store(true);
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    std::lock_guard<std::mutex> lock(publishMutex_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

}  // namespace tevo_sim
