#include "sim/httpview.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "sim/controllersim.h"
#include "sim/httpserver.h"
#include "sim/simkinematics.h"
#include "sim/viewpage.h"  // generated from sim/web/view.html

namespace tevo_sim {
namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;

struct Sample {
    // The time of the arm state it holds (its motion tick), in seconds since
    // the view started; not the time it was copied.
    double time = 0;
    ArmSnapshot arm;
    IoSnapshot io;
    Pose tool{};
    std::array<std::array<double, 2>, 6> jointLimits{};
    size_t controllerClients = 0;
};

const char* eventName(int32_t type) {
    switch (type) {
        case EvSoftEmergency:
            return "soft emergency";
        case EvPowerChanged:
            return "power changed";
        case EvStartupDoneResult:
            return "start-up done";
        case EvShutdownDone:
            return "shut-down done";
        case EvAtTrackTargetPos:
            return "at target";
        case EvSetPowerOnDone:
            return "power on done";
        case EvReleaseBrakeDone:
            return "brake released";
        case EvHandShakeSucc:
            return "handshake succeeded";
        case EvHandShakeFailed:
            return "handshake failed";
        case EvUpdateJoint6Rot360Flag:
            return "joint 6 flag";
        case EvMoveControlStopDone:
            return "stop done";
        case EvMoveControlPauseDone:
            return "pause done";
        case EvMoveControlContinueDone:
            return "continue done";
        case EvJointOutRange:
            return "joint out of range";
        case EvIkFailed:
            return "inverse kinematics failed";
        case EvTrackingLost:
            return "servo stream lost";
        case EvMoveEnterStopState:
            return "move stopped";
        default:
            return "";
    }
}

struct ViewEvent {
    double time;
    std::string text;
};

constexpr size_t kMaxEvents = 20;
constexpr size_t kMaxRefusals = 20;  // the latest refused requests shown

// Describes what changed between two samples (arm state flags, work mode,
// moves ended), oldest change first.
void stateChanges(const Sample& a, const Sample& b, std::vector<std::string>& out) {
    auto flag = [&](bool was, bool is, const char* on, const char* off) {
        if (was != is) out.emplace_back(is ? on : off);
    };
    flag(a.arm.powered, b.arm.powered, "power on", "power off");
    flag(a.arm.brakeReleased, b.arm.brakeReleased, "brake released", "brake engaged");
    flag(a.arm.started, b.arm.started, "start-up done", "shut down");
    flag(a.arm.moving, b.arm.moving, "move started", "at rest");
    flag(a.arm.paused, b.arm.paused, "paused", "resumed");
    flag(a.arm.streaming, b.arm.streaming, "pass-through mode on", "pass-through mode off");
    flag(a.arm.streamTripped, b.arm.streamTripped, "servo stream stopped by its watchdog",
         "servo stream reset");
    if (a.arm.workMode != b.arm.workMode)
        out.push_back("work mode " + std::to_string(b.arm.workMode));
    if (a.arm.collisionClass != b.arm.collisionClass)
        out.push_back("collision class " + std::to_string(b.arm.collisionClass));
    if (b.arm.movesCompleted > a.arm.movesCompleted) out.emplace_back("move completed");
    if (b.arm.movesStopped > a.arm.movesStopped) out.emplace_back("move stopped");
    if (b.controllerClients != a.controllerClients)
        out.push_back("clients " + std::to_string(b.controllerClients));
}

template <typename T, size_t N>
Json array(const T (&values)[N]) {
    Json j = Json::array();
    for (const T& v : values) j.push_back(v);
    return j;
}

}  // namespace

struct HttpView::Impl {
    ControllerSim& sim;
    HttpViewOptions options;
    double dh[6] = {};  // a3, a4, d1, d2, d5, d6 of the simulated model
    Clock::time_point t0 = Clock::now();

    HttpServer server{[this](const std::string& line) { log("view: " + line); }};
    std::thread streamer;  // pushes the latest state to the open streams
    std::thread sampler;
    int boundPort = 0;
    bool started = false;  // the server object serves one start only
    std::atomic<bool> running{false};
    std::atomic<int> streams{0};

    std::mutex samplesMutex;  // leaf lock: guards everything below
    std::condition_variable sampled;
    bool stopping = false;
    uint64_t seq = 0;  // samples taken so far
    std::deque<Sample> ring;
    std::deque<ViewEvent> events;          // state changes seen between samples
    std::vector<SentEvent> robotEvents;    // the simulator's latest sent events
    std::vector<RefusedRequest> refusals;  // its latest refused requests, oldest first

    Impl(ControllerSim& s, HttpViewOptions o) : sim(s), options(std::move(o)) {
        modelDhParams(sim.options().model, dh);
    }

    void log(const std::string& line) const {
        const std::string text = "[tevo-sim] " + line;
        if (options.logSink)
            options.logSink(text);
        else
            std::cerr << text << std::endl;
    }

    size_t ringCapacity() const {
        return static_cast<size_t>(options.traceSeconds * options.sampleRateHz) + 1;
    }

    Sample takeSample() const {
        Sample s;
        s.arm = sim.snapshot();
        s.time = std::chrono::duration<double>(s.arm.time - t0).count();
        s.io = sim.ioSnapshot();
        s.jointLimits = sim.jointLimits();
        s.controllerClients = sim.connectionCount();
        const Dh d{dh[0], dh[1], dh[2], dh[3], dh[4], dh[5]};
        s.tool = forwardKinematics(d, s.arm.joints);
        return s;
    }

    // Sampler thread: besides start(), the only place that reads the simulator.
    // A snapshot of the arm state the previous sample holds (the motion
    // thread has not ticked since, e.g. while frozen) is not added again: the
    // trace's times strictly increase and each row is a state of its own.
    void sampleLoop() {
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options.sampleRateHz));
        auto next = Clock::now();
        std::unique_lock<std::mutex> lock(samplesMutex);
        while (!stopping) {
            lock.unlock();
            Sample s = takeSample();
            std::vector<SentEvent> sent = sim.recentEvents();
            std::vector<RefusedRequest> refused = sim.recentRefusals();
            if (refused.size() > kMaxRefusals)
                refused.erase(refused.begin(),
                              refused.end() - static_cast<std::ptrdiff_t>(kMaxRefusals));
            std::vector<std::string> changes;
            lock.lock();
            robotEvents = std::move(sent);
            refusals = std::move(refused);
            if (ring.empty() || s.arm.time > ring.back().arm.time) {
                if (!ring.empty()) stateChanges(ring.back(), s, changes);
                for (auto& c : changes) {
                    events.push_back({s.time, std::move(c)});
                    if (events.size() > kMaxEvents) events.pop_front();
                }
                ring.push_back(s);
                while (ring.size() > ringCapacity()) ring.pop_front();
                ++seq;
                sampled.notify_all();
            }
            next += period;
            const auto now = Clock::now();
            if (next < now) next = now;  // fell behind: do not burst
            sampled.wait_until(lock, next, [&] { return stopping; });
        }
    }

    double viewTime(Clock::time_point when) const {
        return std::chrono::duration<double>(when - t0).count();
    }

    Json stateJson(const Sample& s, const std::deque<ViewEvent>& evs,
                   const std::vector<SentEvent>& sent,
                   const std::vector<RefusedRequest>& refused) const {
        Json j;
        j["time"] = s.time;
        j["model"] = sim.options().model;
        j["dh"] = {{"a3", dh[0]}, {"a4", dh[1]}, {"d1", dh[2]},
                   {"d2", dh[3]}, {"d5", dh[4]}, {"d6", dh[5]}};
        j["joints"] = array(s.arm.joints);
        j["jointSpeeds"] = array(s.arm.jointSpeeds);
        Json limits = Json::array();
        for (const auto& range : s.jointLimits) limits.push_back({range[0], range[1]});
        j["jointLimits"] = std::move(limits);
        j["endSpeed"] = s.arm.endSpeed;
        j["tool"] = {{"position", array(s.tool.p)}, {"orientation", array(s.tool.q)}};
        j["state"] = {{"powered", s.arm.powered},
                      {"brakeReleased", s.arm.brakeReleased},
                      {"started", s.arm.started},
                      {"moving", s.arm.moving},
                      {"paused", s.arm.paused},
                      {"collisionClass", s.arm.collisionClass},
                      {"movesCompleted", s.arm.movesCompleted},
                      {"movesStopped", s.arm.movesStopped}};
        j["workMode"] = s.arm.workMode;
        j["servo"] = {{"streaming", s.arm.streaming},
                      {"tripped", s.arm.streamTripped},
                      {"target", s.arm.streamTargetValid ? array(s.arm.streamTarget) : Json()}};
        Json changes = Json::array();
        for (const auto& ev : evs) changes.push_back({{"time", ev.time}, {"text", ev.text}});
        j["changes"] = std::move(changes);
        Json robot = Json::array();
        for (const auto& ev : sent) {
            robot.push_back({{"time", viewTime(ev.when)},
                             {"type", ev.event.type},
                             {"code", ev.event.code},
                             {"name", eventName(ev.event.type)},
                             {"content", ev.event.content.substr(0, 200)}});
        }
        j["events"] = std::move(robot);
        Json refusalsJson = Json::array();
        for (const auto& r : refused) {
            refusalsJson.push_back({{"time", viewTime(r.when)},
                                    {"type", r.commandType},
                                    {"command", r.command},
                                    {"code", r.code},
                                    {"reason", r.reason}});
        }
        j["refusals"] = std::move(refusalsJson);
        j["io"] = {{"boardDO", array(s.io.boardDigitalOutputs)},
                   {"boardAO", array(s.io.boardAnalogOutputs)},
                   {"toolPowerType", s.io.toolPowerType},
                   {"toolIoType", array(s.io.toolIoType)},
                   {"toolIoLevel", array(s.io.toolIoLevel)},
                   {"toolAI", array(s.io.toolAnalogInputs)},
                   {"boardAI", array(s.io.boardAnalogInputs)}};
        j["clients"] = {{"controller", s.controllerClients}, {"viewStreams", streams.load()}};
        return j;
    }

    // The latest sample and events as JSON text; the copy is taken under the
    // lock, the text built outside it. Empty before the first sample.
    std::string latestJson(uint64_t* seqOut = nullptr) {
        Sample s;
        std::deque<ViewEvent> evs;
        std::vector<SentEvent> sent;
        std::vector<RefusedRequest> refused;
        {
            std::lock_guard<std::mutex> lock(samplesMutex);
            if (ring.empty()) return {};
            s = ring.back();
            evs = events;
            sent = robotEvents;
            refused = refusals;
            if (seqOut) *seqOut = seq;
        }
        // Event texts are bytes from tests; invalid UTF-8 becomes U+FFFD.
        return stateJson(s, evs, sent, refused)
            .dump(-1, ' ', false, Json::error_handler_t::replace);
    }

    std::string traceCsv() {
        std::vector<Sample> copy;
        {
            std::lock_guard<std::mutex> lock(samplesMutex);
            copy.assign(ring.begin(), ring.end());
        }
        // Speeds come last so readers of the first ten columns keep working.
        // Times to the microsecond: states a servo tick apart stay distinct.
        std::string out = "time,j1,j2,j3,j4,j5,j6,x,y,z,v1,v2,v3,v4,v5,v6\n";
        out.reserve(out.size() + copy.size() * 180);
        char line[384];
        for (const auto& s : copy) {
            const double* q = s.arm.joints;
            const double* v = s.arm.jointSpeeds;
            std::snprintf(line, sizeof line,
                          "%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,"
                          "%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n",
                          s.time, q[0], q[1], q[2], q[3], q[4], q[5], s.tool.p[0], s.tool.p[1],
                          s.tool.p[2], v[0], v[1], v[2], v[3], v[4], v[5]);
            out += line;
        }
        return out;
    }

    // Streamer thread: one event per tick at the stream rate while a stream
    // is open; a comment line keeps the connections checked when nothing new
    // arrived. The server's loop thread only copies the text to the sockets.
    void streamLoop() {
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options.streamRateHz));
        uint64_t lastSeq = 0;
        auto next = Clock::now();
        std::unique_lock<std::mutex> lock(samplesMutex);
        while (!stopping) {
            sampled.wait_until(lock, next, [&] { return stopping; });
            if (stopping) break;
            lock.unlock();
            next += period;
            if (next < Clock::now()) next = Clock::now() + period;
            if (server.streamCount() > 0) {
                uint64_t s = lastSeq;
                const std::string text = latestJson(&s);
                if (text.empty() || s == lastSeq) {
                    server.publish(": idle\n\n");
                } else {
                    lastSeq = s;
                    server.publish("data: " + text + "\n\n");
                }
            }
            lock.lock();
        }
    }

    // Everything here is read-only; the server refuses other methods, foreign
    // Host values and unknown paths itself.
    void setupRoutes() {
        const std::pair<std::string, std::string> noCache{"Cache-Control", "no-cache"};
        server.handle("/", [noCache](const HttpRequest&) {
            return HttpResponse{200, "text/html; charset=utf-8", kViewPage, {noCache}};
        });
        server.handle("/api/state", [this, noCache](const HttpRequest&) {
            std::string text = latestJson();
            if (text.empty()) return HttpResponse{503, "text/plain", "no sample yet\n", {}};
            return HttpResponse{200, "application/json", std::move(text), {noCache}};
        });
        server.handle("/trace.csv", [this, noCache](const HttpRequest&) {
            return HttpResponse{200, "text/csv", traceCsv(), {noCache}};
        });
        // The first event carries the reconnect delay for the browser.
        server.stream("/api/stream", "retry: 1000\n\n");
        server.onStreams([this](size_t n) { streams = static_cast<int>(n); });
    }
};

HttpView::HttpView(ControllerSim& sim, HttpViewOptions options)
    : impl_(std::make_unique<Impl>(sim, std::move(options))) {}

HttpView::~HttpView() { stop(); }

bool HttpView::start() {
    Impl& d = *impl_;
    if (d.started) {
        d.log("view: already started (a view starts once)");
        return false;
    }
    // Bounded so the ring (rate x seconds samples) stays small.
    const auto within = [](double v, double hi) { return v > 0 && v <= hi; };
    if (!within(d.options.sampleRateHz, 1000) || !within(d.options.streamRateHz, 100) ||
        !within(d.options.traceSeconds, 600)) {
        d.log(
            "view: expected a sample rate in (0, 1000] Hz, a stream rate in (0, 100] Hz "
            "and a trace length in (0, 600] s");
        return false;
    }
    d.setupRoutes();
    if (!d.server.listen(d.options.host, d.options.port)) {
        d.log("view: cannot listen on " + d.options.host + ":" + std::to_string(d.options.port));
        return false;
    }
    d.boundPort = d.server.port();
    {
        // A first sample before serving: /api/state always has an answer.
        Sample first = d.takeSample();
        std::lock_guard<std::mutex> lock(d.samplesMutex);
        d.stopping = false;
        d.ring.push_back(first);
        ++d.seq;
    }
    d.started = true;
    d.running = true;
    d.sampler = std::thread([&d] { d.sampleLoop(); });
    d.streamer = std::thread([&d] { d.streamLoop(); });
    d.log("view at " + url());
    return true;
}

void HttpView::stop() {
    Impl& d = *impl_;
    if (!d.running.exchange(false)) return;
    {
        std::lock_guard<std::mutex> lock(d.samplesMutex);
        d.stopping = true;
    }
    d.sampled.notify_all();
    if (d.streamer.joinable()) d.streamer.join();
    d.server.stop();
    if (d.sampler.joinable()) d.sampler.join();
}

uint16_t HttpView::port() const { return static_cast<uint16_t>(impl_->boundPort); }

std::string HttpView::url() const {
    return "http://" + impl_->options.host + ":" + std::to_string(impl_->boundPort) + "/";
}

}  // namespace tevo_sim
