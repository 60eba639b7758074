// A live browser view of the simulated arm: a small HTTP server beside the
// controller port that serves one page and a JSON / server-sent-events API
// over the arm state.
//
//   GET /            the page (3-D arm, joint plots, state, I/O)
//   GET /api/state   the latest sample as JSON
//   GET /api/stream  server-sent events, one state JSON per event (~25 Hz)
//   GET /trace.csv   time, six joint angles and tool position of the last 30 s
//
// The controller side never waits for the view: a sampler thread copies the
// simulator's snapshots at 50 Hz into a ring buffer, and the HTTP threads
// read only that buffer. No simulator lock is held while a socket is written.
//
// Threads:
//   - sampler thread: calls ControllerSim::snapshot()/ioSnapshot()/
//     connectionCount()/recentEvents(), appends to the ring and wakes the
//     streams.
//   - listener thread: accepts HTTP connections (cpp-httplib).
//   - HTTP worker pool (kWorkers threads): runs the request handlers; a
//     stream holds one worker while open, so at most kMaxStreams are served
//     at a time (further ones get 503).
//   - any caller thread: start(), stop(), port(), url().
// Locks: samplesMutex_ (ring, events, latest sample) is a leaf lock; the
// simulator's own locks are taken only by the sampler, never under it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tevo_sim {

class ControllerSim;

struct HttpViewOptions {
    std::string host = "127.0.0.1";  // loopback unless asked otherwise
    uint16_t port = 0;               // 0: a free port, see HttpView::port()
    double sampleRateHz = 50.0;      // snapshots copied per second, up to 1000
    double streamRateHz = 25.0;      // events per second on /api/stream, up to 100
    double traceSeconds = 30.0;      // history kept for the trace and plots, up to 600
    std::function<void(const std::string&)> logSink;  // default: stderr
};

class HttpView {
public:
    static constexpr int kWorkers = 8;
    static constexpr int kMaxStreams = 4;

    // The simulator must outlive the view.
    HttpView(ControllerSim& sim, HttpViewOptions options = {});
    ~HttpView();  // stops if running
    HttpView(const HttpView&) = delete;
    HttpView& operator=(const HttpView&) = delete;

    // Binds and starts the threads; false (and a log line) when the address
    // cannot be bound or it was started before (a view starts once).
    bool start();
    // Ends the streams, closes the listener and joins every thread; an idle
    // keep-alive connection can hold it up to its 2 s time-out. Idempotent.
    void stop();
    uint16_t port() const;
    std::string url() const;  // e.g. http://127.0.0.1:8080/

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tevo_sim
