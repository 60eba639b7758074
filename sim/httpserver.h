// A small HTTP/1.1 server for the simulator's browser view: GET and HEAD of
// registered paths, and server-sent-event streams the owner pushes text to.
//
// One event-loop thread polls every socket (non-blocking), so no client can
// hold a worker: whatever a client sends or fails to read, the loop moves on.
// Limits (the constants below):
//   - a whole-request deadline: from the first byte of a request to the last
//     byte of its response; a connection still reading or writing then is
//     closed (a 408 is tried first when the request was still arriving);
//   - request headers up to kMaxHeaderBytes (beyond: 431, or 414 when the
//     request line alone is longer); only GET and HEAD (others 405); a request
//     announcing a body gets 413;
//   - at most kMaxConnections open: a new connection at the cap closes the
//     connection idle the longest (no request in progress, no stream), or is
//     itself closed when none is idle; an idle keep-alive connection is closed
//     after kIdleTimeout;
//   - at most kMaxStreams streams (further ones 503); a stream whose unsent
//     output passes kMaxStreamBacklog is dropped.
//   - Host: only a name of the loopback address (127.0.0.1, localhost, [::1],
//     without a port or with the bound one), the configured listen address
//     with the bound port, or, when listening on a wildcard address, an IP
//     literal with the bound port. Anything else, and a missing Host, gets
//     421 Misdirected Request: the request reached a server that does not
//     answer for that name (a page on another site reaching it through DNS
//     rebinding); 403 would suggest that some credentials could help.
// Each class of refusal is logged through the sink, at most once per
// kLogInterval with a count of the ones not logged.
//
// Threads:
//   - loop thread (started by listen()): accepts, reads, runs the handlers,
//     writes, and calls the stream-count callback. Handlers must be quick.
//   - any thread: publish(), connectionCount(), streamCount(), port(), stop().
//   - the owner thread, before listen(): handle(), stream(), onStreams().
// Locks: lifecycleMutex_ (listen, stop) is taken before publishMutex_ (queued
// stream text); neither is held while a handler or the log sink runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tevo_sim {

struct HttpRequest {
    std::string method;  // GET or HEAD
    std::string path;    // without the query
    std::string query;   // after '?', undecoded
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // extra headers
};

class HttpServer {
public:
    static constexpr std::chrono::milliseconds kRequestDeadline{2000};
    static constexpr std::chrono::milliseconds kIdleTimeout{5000};
    static constexpr std::chrono::seconds kLogInterval{10};
    static constexpr size_t kMaxHeaderBytes = size_t{16} * 1024;
    static constexpr size_t kMaxConnections = 64;
    static constexpr size_t kMaxStreams = 4;
    static constexpr size_t kMaxStreamBacklog = size_t{1024} * 1024;

    using Handler = std::function<HttpResponse(const HttpRequest&)>;
    using LogSink = std::function<void(const std::string&)>;

    explicit HttpServer(LogSink log);
    ~HttpServer();  // stops
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Registers a handler for one path (exact match, query ignored).
    void handle(const std::string& path, Handler handler);
    // Registers a stream path: its response stays open, starts with
    // `greeting`, and carries every text published after that.
    void stream(const std::string& path, std::string greeting);
    // Called on the loop thread with the number of open streams whenever it
    // changes.
    void onStreams(std::function<void(size_t)> callback);

    // Binds host:port (port 0: a free one) and starts the loop thread; false
    // when the address cannot be bound or the server was started before.
    bool listen(const std::string& host, uint16_t port);
    uint16_t port() const { return port_; }
    // Queues text for every open stream and wakes the loop.
    void publish(const std::string& text);
    size_t connectionCount() const { return connections_.load(); }
    size_t streamCount() const { return streams_.load(); }
    // Closes every connection and the listener and joins the loop thread.
    // Idempotent.
    void stop();

private:
    struct Loop;
    void run();

    LogSink log_;
    std::map<std::string, Handler> handlers_;
    std::map<std::string, std::string> streamPaths_;  // path -> greeting
    std::function<void(size_t)> onStreams_;
    std::string host_;
    uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakeFd_ = -1;  // eventfd: publish() and stop() wake the loop
    bool started_ = false;
    std::mutex lifecycleMutex_;  // listen() and stop()
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> connections_{0};
    std::atomic<size_t> streams_{0};
    std::mutex publishMutex_;  // leaf lock: guards published_
    std::vector<std::string> published_;
};

}  // namespace tevo_sim
