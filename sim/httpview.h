// A live browser view of the simulated arm: a small HTTP server beside the
// controller port that serves one page and a JSON / server-sent-events API
// over the arm state.
//
//   GET /            the page (3-D arm, joint plots, state, I/O)
//   GET /api/state   the latest sample as JSON
//   GET /api/stream  server-sent events, one state JSON per event (~25 Hz)
//   GET /trace.csv   time, joint angles, tool position and joint speeds of the last 30 s
//
// The controller side never waits for the view: a sampler thread copies the
// simulator's snapshots at 50 Hz into a ring buffer, and the HTTP side reads
// only that buffer. No simulator lock is held while a socket is written.
//
// Threads:
//   - sampler thread: calls ControllerSim::snapshot()/ioSnapshot()/
//     connectionCount()/recentEvents()/recentRefusals()/jointLimits(),
//     appends to the ring and wakes the streamer.
//   - streamer thread: at the stream rate, while a stream is open, builds the
//     latest state's JSON and publishes it to the server.
//   - server loop thread (HttpServer, sim/httpserver.h): one poll() loop over
//     non-blocking sockets; runs the request handlers, which copy from the
//     ring under the lock and build their text outside it.
//   - any caller thread: start(), stop(), port(), url().
// Limits (HttpServer's constants): a request must arrive and its response be
// read within 2 s of its first byte; headers up to 16 KB (431); GET and HEAD
// only (405); at most 64 connections, the one idle the longest closed first
// when a new one arrives; idle keep-alive connections closed after 5 s; at
// most kMaxStreams streams (503), a stream that stops reading dropped; only a
// Host naming the loopback address or the listen address is served (421).
// Locks: samplesMutex_ (ring, events, latest sample) is a leaf lock; the
// simulator's own locks are taken only by the sampler, never under it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim/httpserver.h"

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
    static constexpr int kMaxStreams = static_cast<int>(HttpServer::kMaxStreams);

    // The simulator must outlive the view.
    HttpView(ControllerSim& sim, HttpViewOptions options = {});
    ~HttpView();  // stops if running
    HttpView(const HttpView&) = delete;
    HttpView& operator=(const HttpView&) = delete;

    // Binds and starts the threads; false (and a log line) when the address
    // cannot be bound or it was started before (a view starts once).
    bool start();
    // Ends the streams, closes every connection and the listener and joins
    // every thread, within about 100 ms whatever the clients do. Idempotent.
    void stop();
    uint16_t port() const;
    std::string url() const;  // e.g. http://127.0.0.1:8080/

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tevo_sim
