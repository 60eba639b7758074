// What the browser view reports about the arm: plotted speeds and sample
// times taken from the arm's own state, the refused requests, the joint
// limits and the analog inputs.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim/httpview.h"
#include "support/armfixture.h"

namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
namespace rn = tevo_robot_namespace;

// The body of a GET on 127.0.0.1:port, empty unless the answer is 200.
std::string httpGet(uint16_t port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return {};
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string in;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string req = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
        if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(req.size())) {
            char buf[8192];
            ssize_t n;
            while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) in.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    const size_t end = in.find("\r\n\r\n");
    if (in.rfind("HTTP/1.1 200", 0) != 0 || end == std::string::npos) return {};
    std::string head = in.substr(0, end);
    std::transform(head.begin(), head.end(), head.begin(), ::tolower);
    std::string body = in.substr(end + 4);
    if (head.find("transfer-encoding: chunked") == std::string::npos) return body;
    std::string plain;
    size_t pos = 0;
    while (pos < body.size()) {
        const size_t eol = body.find("\r\n", pos);
        if (eol == std::string::npos) break;
        const size_t len = std::stoul(body.substr(pos, eol - pos), nullptr, 16);
        if (len == 0) break;
        plain += body.substr(eol + 2, len);
        pos = eol + 2 + len + 2;
    }
    return plain;
}

// The rows of /trace.csv as numbers; the header goes to `header`.
std::vector<std::vector<double>> parseTrace(const std::string& csv, std::string& header) {
    std::istringstream in(csv);
    std::getline(in, header);
    std::vector<std::vector<double>> rows;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
        rows.push_back(std::move(row));
    }
    return rows;
}

// Real time in the simulator, so that arm time and the view's clock agree.
class ViewDataTest : public tevo_test::StartedArmFixture {
protected:
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = StartedArmFixture::simOptions();
        o.timeScale = 1.0;
        return o;
    }

    void SetUp() override {
        StartedArmFixture::SetUp();
        tevo_sim::HttpViewOptions o;
        o.logSink = [](const std::string&) {};
        view_ = std::make_unique<tevo_sim::HttpView>(sim(), o);
        ASSERT_TRUE(view_->start());
    }
    void TearDown() override {
        view_.reset();
        StartedArmFixture::TearDown();
    }

    Json state() { return Json::parse(httpGet(view_->port(), "/api/state"), nullptr, false); }

    std::unique_ptr<tevo_sim::HttpView> view_;
};

// A joint move limited to 0.5 rad/s: the trace's speed columns peak at that
// speed, its times strictly increase, and the angles differentiated over
// those times never exceed it (each row's time is that of its angles).
TEST_F(ViewDataTest, PlottedSpeedsAreTheCommandedOnes) {
    constexpr double kSpeed = 0.5;
    rn::JointVelcAccParam velc{}, acc{};
    for (int i = 0; i < 6; ++i) velc.jointPara[i] = kSpeed, acc.jointPara[i] = 2.0;
    ASSERT_EQ(facade_->robotServiceSetGlobalMoveJointMaxVelc(velc), rn::ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetGlobalMoveJointMaxAcc(acc), rn::ErrnoSucc);
    double q[6];
    for (int i = 0; i < 6; ++i) q[i] = sim().snapshot().joints[i];
    q[1] += 0.8;  // 0.25 s to full speed, 1.35 s at it
    ASSERT_EQ(facade_->robotServiceJointMove(q, true), rn::ErrnoSucc);

    std::string header;
    const auto rows = parseTrace(httpGet(view_->port(), "/trace.csv"), header);
    ASSERT_EQ(header, "time,j1,j2,j3,j4,j5,j6,x,y,z,v1,v2,v3,v4,v5,v6");
    ASSERT_GT(rows.size(), 50u);
    double plotted = 0, differentiated = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        ASSERT_EQ(rows[k].size(), 16u) << "row " << k;
        for (int j = 10; j < 16; ++j) plotted = std::max(plotted, std::fabs(rows[k][j]));
        if (k == 0) continue;
        const double dt = rows[k][0] - rows[k - 1][0];
        ASSERT_GT(dt, 0) << "row " << k << " does not follow row " << k - 1 << " in time";
        for (int j = 1; j <= 6; ++j)
            differentiated = std::max(differentiated, std::fabs(rows[k][j] - rows[k - 1][j]) / dt);
    }
    EXPECT_NEAR(plotted, kSpeed, 0.05 * kSpeed);
    EXPECT_NEAR(differentiated, kSpeed, 0.05 * kSpeed);
}

// While the simulator stands still its arm state keeps its time: the view
// adds no sample (the state's time stays, the trace does not grow), yet the
// events sent meanwhile still show.
TEST_F(ViewDataTest, AStillStateIsSampledOnce) {
    auto showsEvent = [&](int code, Json& st) {
        return waitFor([&] {
            st = state();
            return st.contains("events") && !st["events"].empty() &&
                   st["events"].back()["code"] == code;
        });
    };
    auto traceRows = [&] {
        std::string header;
        return parseTrace(httpGet(view_->port(), "/trace.csv"), header).size();
    };
    sim().setFrozen(true);
    Json first, second;
    sim().sendEvent({tevo_sim::EvSoftEmergency, 101, "first"});
    ASSERT_TRUE(showsEvent(101, first)) << first.dump();
    const size_t rows = traceRows();
    // Every sample the view takes after this event is of the frozen state.
    sim().sendEvent({tevo_sim::EvSoftEmergency, 102, "second"});
    ASSERT_TRUE(showsEvent(102, second)) << second.dump();
    sim().sendEvent({tevo_sim::EvSoftEmergency, 103, "third"});
    ASSERT_TRUE(showsEvent(103, second)) << second.dump();
    EXPECT_EQ(second["time"], first["time"]);
    EXPECT_EQ(traceRows(), rows);
    sim().setFrozen(false);
    EXPECT_TRUE(waitFor([&] { return state()["time"] > first["time"]; }));
}

// A refused move shows with its command, code and reason; the joint limits
// are the configured range; the analog inputs are the ones set.
TEST_F(ViewDataTest, RefusalsLimitsAndAnalogInputsShow) {
    rn::JointRangeOfMotion range{};
    range.enable = true;
    for (int i = 0; i < 6; ++i) range.rangeValues[i] = {-2.0 - 0.1 * i, 1.5 + 0.1 * i};
    ASSERT_EQ(facade_->robotServiceSetJointRangeOfMotion(range), rn::ErrnoSucc);
    double q[6] = {0, 0, 1.9, 0, 0, 0};  // joint 3 beyond its 1.7 rad
    EXPECT_NE(facade_->robotServiceJointMove(q, true), rn::ErrnoSucc);
    ASSERT_TRUE(sim().setToolAnalogInput(0, 3.25));
    ASSERT_TRUE(sim().setToolAnalogInput(1, 7.5));
    ASSERT_TRUE(sim().setBoardAnalogInput(2, 4.5f));

    Json st;
    ASSERT_TRUE(waitFor([&] {
        st = state();
        return st.contains("refusals") && !st["refusals"].empty() &&
               st["io"]["toolAI"] == Json({3.25, 7.5});
    })) << st.dump();
    const Json& refusal = st["refusals"].back();
    EXPECT_EQ(refusal["type"], tevo_sim::RobotMove);
    EXPECT_EQ(refusal["command"], "RobotMove");
    EXPECT_EQ(refusal["code"], tevo_sim::CodeJointOutOfRange);
    EXPECT_EQ(refusal["reason"], "joint 3 target 1.90 rad outside its range [-2.20, 1.70]");
    EXPECT_LE(refusal["time"].get<double>(), st["time"].get<double>() + 1.0);
    EXPECT_EQ(st["io"]["boardAI"], Json({0.0, 0.0, 4.5, 0.0}));
    ASSERT_EQ(st["jointLimits"].size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(st["jointLimits"][i][0].get<double>(), range.rangeValues[i].minValue);
        EXPECT_DOUBLE_EQ(st["jointLimits"][i][1].get<double>(), range.rangeValues[i].maxValue);
    }
}

}  // namespace
