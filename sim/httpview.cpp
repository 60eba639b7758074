#include "sim/httpview.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "sim/controllersim.h"
#include "sim/simkinematics.h"
#include "sim/viewpage.h"  // generated from sim/web/view.html

namespace tevo_sim {
namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::json;

struct Sample {
    double time = 0;  // seconds since the view started
    ArmSnapshot arm;
    IoSnapshot io;
    Pose tool{};
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
constexpr size_t kMaxPayload = 4096;  // only GETs are served

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

    httplib::Server server;
    std::thread listener;
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
    std::deque<ViewEvent> events;        // state changes seen between samples
    std::vector<SentEvent> robotEvents;  // the simulator's latest sent events

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
        s.time = std::chrono::duration<double>(Clock::now() - t0).count();
        s.arm = sim.snapshot();
        s.io = sim.ioSnapshot();
        s.controllerClients = sim.connectionCount();
        const Dh d{dh[0], dh[1], dh[2], dh[3], dh[4], dh[5]};
        s.tool = forwardKinematics(d, s.arm.joints);
        return s;
    }

    // Sampler thread: besides start(), the only place that reads the simulator.
    void sampleLoop() {
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options.sampleRateHz));
        auto next = Clock::now();
        std::unique_lock<std::mutex> lock(samplesMutex);
        while (!stopping) {
            lock.unlock();
            Sample s = takeSample();
            std::vector<SentEvent> sent = sim.recentEvents();
            std::vector<std::string> changes;
            lock.lock();
            robotEvents = std::move(sent);
            if (!ring.empty()) stateChanges(ring.back(), s, changes);
            for (auto& c : changes) {
                events.push_back({s.time, std::move(c)});
                if (events.size() > kMaxEvents) events.pop_front();
            }
            ring.push_back(s);
            while (ring.size() > ringCapacity()) ring.pop_front();
            ++seq;
            sampled.notify_all();
            next += period;
            const auto now = Clock::now();
            if (next < now) next = now;  // fell behind: do not burst
            sampled.wait_until(lock, next, [&] { return stopping; });
        }
    }

    Json stateJson(const Sample& s, const std::deque<ViewEvent>& evs,
                   const std::vector<SentEvent>& sent) const {
        Json j;
        j["time"] = s.time;
        j["model"] = sim.options().model;
        j["dh"] = {{"a3", dh[0]}, {"a4", dh[1]}, {"d1", dh[2]},
                   {"d2", dh[3]}, {"d5", dh[4]}, {"d6", dh[5]}};
        j["joints"] = array(s.arm.joints);
        j["jointSpeeds"] = array(s.arm.jointSpeeds);
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
            robot.push_back({{"time", std::chrono::duration<double>(ev.when - t0).count()},
                             {"type", ev.event.type},
                             {"code", ev.event.code},
                             {"name", eventName(ev.event.type)},
                             {"content", ev.event.content.substr(0, 200)}});
        }
        j["events"] = std::move(robot);
        j["io"] = {{"boardDO", array(s.io.boardDigitalOutputs)},
                   {"boardAO", array(s.io.boardAnalogOutputs)},
                   {"toolPowerType", s.io.toolPowerType},
                   {"toolIoType", array(s.io.toolIoType)},
                   {"toolIoLevel", array(s.io.toolIoLevel)}};
        j["clients"] = {{"controller", s.controllerClients}, {"viewStreams", streams.load()}};
        return j;
    }

    // The latest sample and events as JSON text; the copy is taken under the
    // lock, the text built outside it. Empty before the first sample.
    std::string latestJson(uint64_t* seqOut = nullptr) {
        Sample s;
        std::deque<ViewEvent> evs;
        std::vector<SentEvent> sent;
        {
            std::lock_guard<std::mutex> lock(samplesMutex);
            if (ring.empty()) return {};
            s = ring.back();
            evs = events;
            sent = robotEvents;
            if (seqOut) *seqOut = seq;
        }
        // Event texts are bytes from tests; invalid UTF-8 becomes U+FFFD.
        return stateJson(s, evs, sent).dump(-1, ' ', false, Json::error_handler_t::replace);
    }

    std::string traceCsv() {
        std::vector<Sample> copy;
        {
            std::lock_guard<std::mutex> lock(samplesMutex);
            copy.assign(ring.begin(), ring.end());
        }
        std::string out = "time,j1,j2,j3,j4,j5,j6,x,y,z\n";
        out.reserve(out.size() + copy.size() * 110);
        char line[256];
        for (const auto& s : copy) {
            const double* q = s.arm.joints;
            std::snprintf(line, sizeof line, "%.3f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n",
                          s.time, q[0], q[1], q[2], q[3], q[4], q[5], s.tool.p[0], s.tool.p[1],
                          s.tool.p[2]);
            out += line;
        }
        return out;
    }

    // One stream event per tick at the stream rate while the client reads;
    // a comment line keeps the connection checked when nothing new arrived.
    bool streamTick(uint64_t& lastSeq, Clock::time_point& next, httplib::DataSink& sink) {
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / options.streamRateHz));
        {
            std::unique_lock<std::mutex> lock(samplesMutex);
            sampled.wait_until(lock, next, [&] { return stopping; });
            if (stopping) return false;
        }
        next += period;
        if (next < Clock::now()) next = Clock::now() + period;
        uint64_t s = lastSeq;
        std::string text = latestJson(&s);
        if (text.empty() || s == lastSeq) {
            static const char kPing[] = ": idle\n\n";
            return sink.write(kPing, sizeof kPing - 1);
        }
        lastSeq = s;
        text = "data: " + text + "\n\n";
        return sink.write(text.data(), text.size());
    }

    void setupRoutes() {
        server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
        server.set_keep_alive_max_count(20);
        server.set_keep_alive_timeout(2);
        server.set_read_timeout(3, 0);
        server.set_write_timeout(3, 0);
        server.set_payload_max_length(kMaxPayload);

        // Everything here is read-only: other methods are refused before routing.
        server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
            if (req.method == "GET" || req.method == "HEAD")
                return httplib::Server::HandlerResponse::Unhandled;
            res.status = 405;
            res.set_header("Allow", "GET, HEAD");
            return httplib::Server::HandlerResponse::Handled;
        });
        server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "no-cache");
            res.set_content(kViewPage, "text/html; charset=utf-8");
        });
        server.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) {
            const std::string text = latestJson();
            if (text.empty()) {
                res.status = 503;
                res.set_content("no sample yet\n", "text/plain");
                return;
            }
            res.set_header("Cache-Control", "no-cache");
            res.set_content(text, "application/json");
        });
        server.Get("/trace.csv", [this](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "no-cache");
            res.set_content(traceCsv(), "text/csv");
        });
        server.Get("/api/stream", [this](const httplib::Request&, httplib::Response& res) {
            if (streams.fetch_add(1) >= kMaxStreams) {
                streams.fetch_sub(1);
                res.status = 503;
                res.set_header("Retry-After", "5");
                res.set_content("too many streams open\n", "text/plain");
                return;
            }
            res.set_header("Cache-Control", "no-cache");
            auto lastSeq = std::make_shared<uint64_t>(0);
            auto next = std::make_shared<Clock::time_point>(Clock::now());
            // The first event carries the reconnect delay for the browser.
            auto first = std::make_shared<bool>(true);
            res.set_chunked_content_provider(
                "text/event-stream",
                [this, lastSeq, next, first](size_t, httplib::DataSink& sink) {
                    if (*first) {
                        *first = false;
                        static const char kRetry[] = "retry: 1000\n\n";
                        if (!sink.write(kRetry, sizeof kRetry - 1)) return false;
                    }
                    return streamTick(*lastSeq, *next, sink);
                },
                [this](bool) { streams.fetch_sub(1); });
        });
        server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
            const std::string what = res.status == 404   ? "not found: " + req.path
                                     : res.status == 405 ? "only GET is served"
                                                         : "request refused";
            res.set_content(std::to_string(res.status) + " " + what + "\n", "text/plain");
        });
        server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
            if (res.status < 400) return;
            // A request refused while parsing has no method or path yet.
            const std::string what = req.method.empty()
                                         ? std::string("unparsable request")
                                         : req.method + " " + req.path.substr(0, 200);
            log("view: " + what + " -> " + std::to_string(res.status));
        });
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
    if (d.options.port == 0) {
        d.boundPort = d.server.bind_to_any_port(d.options.host);
    } else {
        d.boundPort = d.server.bind_to_port(d.options.host, d.options.port) ? d.options.port : -1;
    }
    if (d.boundPort <= 0) {
        d.log("view: cannot listen on " + d.options.host + ":" + std::to_string(d.options.port));
        d.boundPort = 0;
        return false;
    }
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
    d.listener = std::thread([&d] { d.server.listen_after_bind(); });
    // stop() only reaches a server that is already listening.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!d.server.is_running() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
    d.server.stop();
    if (d.listener.joinable()) d.listener.join();
    if (d.sampler.joinable()) d.sampler.join();
}

uint16_t HttpView::port() const { return static_cast<uint16_t>(impl_->boundPort); }

std::string HttpView::url() const {
    return "http://" + impl_->options.host + ":" + std::to_string(impl_->boundPort) + "/";
}

}  // namespace tevo_sim
