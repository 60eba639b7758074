// The simulator's browser view over HTTP: state and trace follow the arm,
// the stream pushes state events, bad requests get error statuses, and a
// crowd of view connections leaves the controller port answering.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim/httpview.h"
#include "sim/simkinematics.h"
#include "support/armfixture.h"

namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

// A plain TCP connection to the view, for requests a client library would
// not send.
class RawHttp {
public:
    explicit RawHttp(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval tv{10, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawHttp() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool send(const std::string& text) {
        return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // Reads until `marker` arrived (true) or the peer closed / timed out.
    bool readUntil(const std::string& marker) {
        char buf[4096];
        while (in_.find(marker) == std::string::npos) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return false;
            in_.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    // Status code of the response, 0 if none arrived.
    int status() {
        if (!readUntil("\r\n")) return 0;
        int code = 0;
        return std::sscanf(in_.c_str(), "HTTP/1.%*d %d", &code) == 1 ? code : 0;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::string in_;
};

class ViewTest : public tevo_test::StartedArmFixture {
protected:
    void SetUp() override {
        StartedArmFixture::SetUp();
        tevo_sim::HttpViewOptions o;
        o.logSink = [](const std::string&) {};
        view_ = std::make_unique<tevo_sim::HttpView>(sim(), o);
        ASSERT_TRUE(view_->start());
        ASSERT_NE(view_->port(), 0);
        client_ = std::make_unique<httplib::Client>("127.0.0.1", view_->port());
        client_->set_read_timeout(10, 0);
    }
    void TearDown() override {
        client_.reset();
        view_.reset();
        StartedArmFixture::TearDown();
    }

    Json state() {
        auto res = client_->Get("/api/state");
        if (!res || res->status != 200) return Json();
        return Json::parse(res->body, nullptr, false);
    }

    static bool jointsEqual(const Json& j, const double q[6]) {
        if (!j.is_array() || j.size() != 6) return false;
        for (size_t i = 0; i < 6; ++i)
            if (std::fabs(j[i].get<double>() - q[i]) > 1e-6) return false;
        return true;
    }

    std::unique_ptr<tevo_sim::HttpView> view_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(ViewTest, StateFollowsTheArm) {
    double q[6] = {0.3, -0.2, 1.2, 0.1, 1.4, -0.5};
    ASSERT_EQ(facade_->robotServiceJointMove(q, true), tevo_robot_namespace::ErrnoSucc);
    Json st;
    ASSERT_TRUE(waitFor([&] { return jointsEqual((st = state())["joints"], q); }, 5000ms))
        << st.dump();

    double dh[6];
    tevo_sim::modelDhParams(sim().options().model, dh);
    EXPECT_EQ(st["model"], sim().options().model);
    EXPECT_DOUBLE_EQ(st["dh"]["a3"].get<double>(), dh[0]);
    EXPECT_DOUBLE_EQ(st["dh"]["d6"].get<double>(), dh[5]);
    const tevo_sim::Pose pose =
        tevo_sim::forwardKinematics({dh[0], dh[1], dh[2], dh[3], dh[4], dh[5]}, q);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(st["tool"]["position"][i].get<double>(), pose.p[i], 1e-6);
    EXPECT_TRUE(st["state"]["powered"].get<bool>());
    EXPECT_TRUE(st["state"]["started"].get<bool>());
    EXPECT_GE(st["state"]["movesCompleted"].get<int>(), 1);
    EXPECT_EQ(st["clients"]["controller"].get<int>(), 1);
    EXPECT_EQ(st["io"]["boardDO"].size(), 48u);
    // The move shows as a state change and by its end event, and an event
    // sent with arbitrary bytes still yields valid JSON.
    bool sawChange = false;
    for (const auto& e : st["changes"]) sawChange |= e["text"] == "move completed";
    EXPECT_TRUE(sawChange) << st["changes"].dump();
    sim().sendEvent({tevo_sim::EvSoftEmergency, 7, std::string("bad \xff\xfe bytes")});
    ASSERT_TRUE(waitFor([&] {
        st = state();
        return st.contains("events") && !st["events"].empty() && st["events"].back()["code"] == 7;
    })) << st.dump();
    bool sawEnd = false;
    for (const auto& e : st["events"])
        sawEnd |= e["type"] == tevo_sim::EvAtTrackTargetPos && e["name"] == "at target";
    EXPECT_TRUE(sawEnd) << st["events"].dump();
    EXPECT_EQ(st["events"].back()["name"], "soft emergency");
}

TEST_F(ViewTest, RefusesBadOptionsAndSecondStart) {
    struct Case {
        const char* what;
        double sampleHz, streamHz, seconds;
    };
    const std::vector<Case> cases = {
        {"sample rate 0", 0, 25, 30},           {"sample rate NaN", std::nan(""), 25, 30},
        {"sample rate too high", 1001, 25, 30}, {"stream rate 0", 50, 0, 30},
        {"stream rate too high", 50, 101, 30},  {"trace too long", 50, 25, 601},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines;
        tevo_sim::HttpViewOptions o;
        o.sampleRateHz = c.sampleHz;
        o.streamRateHz = c.streamHz;
        o.traceSeconds = c.seconds;
        o.logSink = [&](const std::string& l) { lines.push_back(l); };
        tevo_sim::HttpView v(sim(), o);
        EXPECT_FALSE(v.start());
        EXPECT_EQ(lines.size(), 1u);
    }
    EXPECT_FALSE(view_->start());  // already started
    EXPECT_TRUE(state().contains("joints"));
}

TEST_F(ViewTest, TraceHoldsTheRecentMotion) {
    // Two poses one after the other: both stay in the trace, in time order.
    const double a[6] = {-0.4, 0.1, 0.9, -0.2, 1.1, 0.7};
    const double b[6] = {0.6, -0.5, 1.3, 0.3, 0.8, -0.9};
    const std::string rowA = "-0.400000,0.100000,0.900000,-0.200000,1.100000,0.700000";
    const std::string rowB = "0.600000,-0.500000,1.300000,0.300000,0.800000,-0.900000";
    std::string body;
    auto traceHas = [&](const std::string& row) {
        return waitFor([&] {
            auto res = client_->Get("/trace.csv");
            body = res && res->status == 200 ? res->body : "";
            return body.find(row) != std::string::npos;
        });
    };
    sim().setJointAngles(a);
    ASSERT_TRUE(traceHas(rowA));
    sim().setJointAngles(b);
    ASSERT_TRUE(traceHas(rowB));
    ASSERT_NE(body.find(rowA), std::string::npos);
    EXPECT_LT(body.find(rowA), body.find(rowB));

    std::istringstream in(body);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time,j1,j2,j3,j4,j5,j6,x,y,z,v1,v2,v3,v4,v5,v6");
    double lastTime = -1;
    while (std::getline(in, line)) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 15) << line;
        const double t = std::stod(line);
        EXPECT_GE(t, lastTime);
        lastTime = t;
    }
}

TEST_F(ViewTest, BadRequestsGetErrorStatuses) {
    struct Case {
        const char* what;
        std::string request;
        std::vector<int> statuses;  // any of these
    };
    const std::vector<Case> cases = {
        {"unknown path", "GET /nothing-here HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", {404}},
        {"other method", "DELETE / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", {405}},
        {"huge header",
         "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + std::string(65536, 'a') +
             "\r\n\r\n",
         {400, 431}},
        {"huge path",
         "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
         {400, 414}},
        {"post with a large body",
         "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n" +
             std::string(100000, 'b'),
         {405, 413}},
        {"not http", "hello there\r\n\r\n", {400}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RawHttp h(view_->port());
        ASSERT_TRUE(h.connected());
        h.send(c.request);
        const int st = h.status();
        EXPECT_TRUE(std::find(c.statuses.begin(), c.statuses.end(), st) != c.statuses.end())
            << "status " << st;
    }
    // Still serving afterwards.
    EXPECT_TRUE(state().contains("joints"));
}

TEST_F(ViewTest, StreamPushesStateAndLimitsStreams) {
    std::vector<std::unique_ptr<RawHttp>> streams;
    for (int i = 0; i < tevo_sim::HttpView::kMaxStreams; ++i) {
        streams.push_back(std::make_unique<RawHttp>(view_->port()));
        ASSERT_TRUE(streams.back()->send("GET /api/stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    }
    for (auto& s : streams) {
        EXPECT_EQ(s->status(), 200);
        // Several state events, each one JSON line.
        ASSERT_TRUE(s->readUntil("data: {")) << "no event";
    }
    RawHttp extra(view_->port());
    extra.send("GET /api/stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(extra.status(), 503);
    // Closing one frees a place.
    streams.pop_back();
    ASSERT_TRUE(waitFor([&] {
        RawHttp again(view_->port());
        again.send("GET /api/stream HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        return again.status() == 200;
    }));
    // Open streams do not hold up the view's stop.
    const auto t0 = std::chrono::steady_clock::now();
    view_->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
}

TEST_F(ViewTest, StreamEventsCarryMoves) {
    std::string seen;
    const double q[6] = {0.5, -0.1, 1.0, 0.2, 1.3, 0.4};
    sim().setJointAngles(q);
    client_->Get("/api/stream", [&](const char* data, size_t n) {
        seen.append(data, n);
        // Stop at the first complete event that shows the new angles.
        size_t at = 0;
        while ((at = seen.find("data: ", at)) != std::string::npos) {
            const size_t end = seen.find("\n\n", at);
            if (end == std::string::npos) return true;
            const Json j = Json::parse(seen.substr(at + 6, end - at - 6), nullptr, false);
            if (!j.is_discarded() && jointsEqual(j["joints"], q)) return false;
            at = end;
        }
        return true;
    });
    EXPECT_NE(seen.find("retry: 1000"), std::string::npos);
    EXPECT_NE(seen.find("0.5,-0.1,1.0,0.2,1.3,0.4"), std::string::npos) << seen.substr(0, 400);
}

TEST_F(ViewTest, CrowdedViewLeavesTheControllerAnswering) {
    // Idle and half-sent requests occupy every worker and queue behind them.
    std::vector<std::unique_ptr<RawHttp>> crowd;
    for (int i = 0; i < 100; ++i) {
        crowd.push_back(std::make_unique<RawHttp>(view_->port()));
        if (i % 2) crowd.back()->send("GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
    }
    double q[6] = {0.2, -0.3, 1.1, 0.0, 1.5, 0.2};
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(facade_->robotServiceJointMove(q, true), tevo_robot_namespace::ErrnoSucc);
    tevo_robot_namespace::JointParam jp{};
    ASSERT_EQ(facade_->robotServiceGetJointAngleInfo(jp), tevo_robot_namespace::ErrnoSucc);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(jp.jointPos[i], q[i], 1e-6);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 20s);
    // Once the crowd leaves, the view serves again.
    crowd.clear();
    EXPECT_TRUE(waitFor([&] { return jointsEqual(state()["joints"], q); }, 15000ms));
}

}  // namespace
