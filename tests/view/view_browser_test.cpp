// The view page in a real browser. The simulator program runs with --http 0,
// the arm is moved through the library, and headless Chromium renders the
// page: the rendered DOM must show the commanded joint angles, the page's
// own drawing check must agree with the simulator's tool pose, and no script
// error may have occurred; a page left open follows the simulator through a
// restart. With the simulator in-process, the plain address settles in
// headless Chromium and shows a refused command with its reason and code,
// the joints against their limits and the analog inputs. Skipped when
// Chromium is not installed.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>

#include "RobotSDK/interface/serviceinterface.h"
#include "sim/httpview.h"
#include "support/simfixture.h"

namespace {

std::string findChromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const std::string cmd = std::string("command -v ") + name + " 2>/dev/null";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) continue;
        char buf[512] = {};
        const bool found = std::fgets(buf, sizeof buf, p) != nullptr;
        ::pclose(p);
        if (found) {
            std::string path(buf);
            while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
            return path;
        }
    }
    return {};
}

// The simulator program, its standard output read line by line.
class SimProgram {
public:
    // Listens on a free controller port; the view on `httpPort` (0: free).
    explicit SimProgram(const std::string& httpPort = "0", const std::string& model = "0") {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(TEVO_SIM_EXE, TEVO_SIM_EXE, "--port", "0", "--http", httpPort.c_str(),
                    "--model", model.c_str(), "--time-scale", "20", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    ~SimProgram() {
        stop();
        if (out_) std::fclose(out_);
    }
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // Reads lines until one matches; its first group, or "" at end of output.
    std::string waitFor(const std::regex& re) {
        char buf[512];
        std::smatch m;
        while (out_ && std::fgets(buf, sizeof buf, out_)) {
            const std::string line(buf);
            if (std::regex_search(line, m, re)) return m[1];
        }
        return {};
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

// The command line that runs Chromium headless on `url` with one action.
// Page timers run in virtual time, which stands still while a request is
// open and races ahead otherwise, up to `budgetMs`; 0 runs in real time,
// and Chromium acts once the page has loaded.
std::string chromiumCommand(const std::string& chromium, const std::string& action,
                            const std::string& url, const std::string& profile,
                            int budgetMs = 5000) {
    const std::string budget =
        budgetMs > 0 ? " --virtual-time-budget=" + std::to_string(budgetMs) : "";
    return "timeout 25 " + chromium +
           " --headless --disable-gpu --no-sandbox --disable-dev-shm-usage"
           " --no-first-run --no-proxy-server --user-data-dir=" +
           profile + " --window-size=1200,900" + budget + " " + action + " '" + url +
           "' 2>/dev/null";
}

struct ChromiumRun {
    int status = -1;  // exit status; 124 when `timeout` ended it
    std::string out;  // its standard output
    double seconds = 0;
};

// Runs Chromium headless on `url` with one action. `budgetMs` 0 runs it
// without virtual time: the picture is taken once the page has loaded.
ChromiumRun runChromium(const std::string& chromium, const std::string& action,
                        const std::string& url, const std::string& profile, int budgetMs = 5000) {
    ChromiumRun run;
    const std::string cmd = chromiumCommand(chromium, action, url, profile, budgetMs);
    const auto t0 = std::chrono::steady_clock::now();
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return run;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.out.append(buf, n);
    const int wait = ::pclose(p);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return run;
}

// The body of GET `path` on the loopback view, "" when none arrived.
std::string httpGet(int port, const std::string& path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return {};
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string in;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        // HTTP/1.0: the answer ends with the connection, never chunked.
        const std::string req =
            "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
        if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(req.size())) {
            char buf[4096];
            ssize_t n;
            while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) in.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    const size_t body = in.find("\r\n\r\n");
    return in.rfind("HTTP/1.1 200", 0) == 0 || in.rfind("HTTP/1.0 200", 0) == 0
               ? (body == std::string::npos ? std::string() : in.substr(body + 4))
               : std::string();
}

std::string elementText(const std::string& dom, const std::string& id) {
    std::smatch m;
    const std::regex re("id=\"" + id + "\"[^>]*>([^<]*)<");
    return std::regex_search(dom, m, re) ? std::string(m[1]) : std::string("<missing>");
}

TEST(ViewBrowser, PageShowsTheCommandedJointsWithoutScriptErrors) {
    const std::string chromium = findChromium();
    if (chromium.empty()) GTEST_SKIP() << "chromium not installed (scripts/install-deps adds it)";

    SimProgram sim;
    const std::string port = sim.waitFor(std::regex("listening on 127\\.0\\.0\\.1:(\\d+)"));
    ASSERT_FALSE(port.empty()) << "simulator printed no controller address";
    const std::string url = sim.waitFor(std::regex("view at (http://\\S+/)"));
    ASSERT_FALSE(url.empty()) << "simulator printed no view address";

    ServiceInterface robot;
    ASSERT_EQ(robot.robotServiceLogin("127.0.0.1", std::stoi(port), "tevo", "tevo"),
              tevo_robot_namespace::ErrnoSucc);
    tevo_robot_namespace::ToolDynamicsParam tool{};
    tevo_robot_namespace::ROBOT_SERVICE_STATE state;
    ASSERT_EQ(robot.rootServiceRobotStartup(tool, 6, true, true, 1000, state, true),
              tevo_robot_namespace::ErrnoSucc);
    robot.robotServiceInitGlobalMoveProfile();
    double q[6] = {0.5, -0.3, 1.2, 0.25, 1.4, -0.6};
    ASSERT_EQ(robot.robotServiceJointMove(q, true), tevo_robot_namespace::ErrnoSucc);

    // A few stream events, then the page closes the stream for the snapshot.
    const std::string page = url + "?frames=3";
    const std::string dom =
        runChromium(chromium, "--dump-dom", page, TEVO_VIEW_ARTIFACT_DIR "/chromium-dom").out;
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM from chromium";
    EXPECT_EQ(elementText(dom, "joints-text"), "0.5000 -0.3000 1.2000 0.2500 1.4000 -0.6000");
    EXPECT_EQ(elementText(dom, "errors"), "");
    EXPECT_EQ(elementText(dom, "fk-check"), "ok");
    EXPECT_EQ(elementText(dom, "link"), "stopped after 3 events");
    EXPECT_EQ(elementText(dom, "clients"), "1");

    // The picture for a person to look at, kept in the build tree.
    const std::string shot = TEVO_VIEW_ARTIFACT_DIR "/view-frames-screenshot.png";
    std::remove(shot.c_str());
    runChromium(chromium, "--screenshot=" + shot, page, TEVO_VIEW_ARTIFACT_DIR "/chromium-shot");
    std::ifstream png(shot, std::ios::binary);
    char sig[8] = {};
    png.read(sig, sizeof sig);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG") << "no screenshot at " << shot;
    robot.robotServiceLogout();
}

// Streams held open by the page, read from the view's own state.
int viewStreams(const std::string& httpPort) {
    std::smatch m;
    const std::string body = httpGet(std::stoi(httpPort), "/api/state");
    return std::regex_search(body, m, std::regex("\"viewStreams\":(\\d+)")) ? std::stoi(m[1]) : -1;
}

TEST(ViewBrowser, PageReconnectsToARestartedSimulator) {
    const std::string chromium = findChromium();
    if (chromium.empty()) GTEST_SKIP() << "chromium not installed (scripts/install-deps adds it)";

    auto first = std::make_unique<SimProgram>();
    const std::string url = first->waitFor(std::regex("view at (http://\\S+/)"));
    ASSERT_FALSE(url.empty());
    const std::string httpPort = std::regex_replace(url, std::regex(".*:(\\d+)/$"), "$1");

    // The page wants more events than the first simulator lives for. While
    // the view is down, its reconnect attempts (1 s apart) run in virtual
    // time: the large budget covers the restart.
    const std::string cmd = chromiumCommand(chromium, "--dump-dom", url + "?frames=30",
                                            TEVO_VIEW_ARTIFACT_DIR "/chromium-restart", 600000);
    FILE* browser = ::popen(cmd.c_str(), "r");
    ASSERT_NE(browser, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (viewStreams(httpPort) != 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(viewStreams(httpPort), 1) << "the page did not open its stream";

    // Same view port, another arm model: the page must show the new one.
    first->stop();
    SimProgram second(httpPort, "3");
    ASSERT_EQ(second.waitFor(std::regex("view at (http://\\S+/)")), url);
    std::string dom;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, browser)) > 0) dom.append(buf, n);
    ::pclose(browser);
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM from chromium";
    EXPECT_EQ(elementText(dom, "model"), "3");
    EXPECT_EQ(elementText(dom, "link"), "stopped after 30 events");
    EXPECT_EQ(elementText(dom, "errors"), "");
}

// The simulator and its view in-process, so that a test sets what the page
// must show (analog inputs, the arm's angles) and knows what was refused.
class ViewPageTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        chromium_ = findChromium();
        if (chromium_.empty())
            GTEST_SKIP() << "chromium not installed (scripts/install-deps adds it)";
        SimFixture::SetUp();
        tevo_sim::HttpViewOptions o;
        o.logSink = [](const std::string&) {};
        view_ = std::make_unique<tevo_sim::HttpView>(sim(), o);
        ASSERT_TRUE(view_->start());
    }
    void TearDown() override {
        view_.reset();
        SimFixture::TearDown();
    }

    nlohmann::json state() const {
        return nlohmann::json::parse(httpGet(view_->port(), "/api/state"), nullptr, false);
    }

    std::string chromium_;
    std::unique_ptr<tevo_sim::HttpView> view_;
};

// The value of `attr` on the element with id `id`, "<missing>" if none.
std::string attribute(const std::string& dom, const std::string& id, const std::string& attr) {
    std::smatch tag, value;
    if (!std::regex_search(dom, tag, std::regex("<[^>]*\\bid=\"" + id + "\"[^>]*>")))
        return "<missing>";
    const std::string text = tag[0];
    return std::regex_search(text, value, std::regex("\\b" + attr + "=\"([^\"]*)\""))
               ? std::string(value[1])
               : std::string("<missing>");
}

// The inner HTML of the element with id `id` up to its closing `tag`.
std::string inner(const std::string& dom, const std::string& id, const std::string& tag) {
    std::smatch m;
    const std::regex re("id=\"" + id + "\"[^>]*>([\\s\\S]*?)</" + tag + ">");
    return std::regex_search(dom, m, re) ? std::string(m[1]) : std::string("<missing>");
}

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string degreesRange(const std::array<double, 2>& range) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f .. %.2f", range[0] * 180 / M_PI, range[1] * 180 / M_PI);
    return text;
}

// A headless browser on the plain address must finish by itself and show
// the arm, with a virtual-time budget (which stands still while the stream
// is open) and without one (the picture taken at the load event).
TEST_F(ViewPageTest, PlainAddressSettlesInHeadlessChromium) {
    const nlohmann::json st = state();
    ASSERT_TRUE(st.is_object()) << "no state from the view";
    std::string joints;
    for (const auto& q : st["joints"]) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.4f", joints.empty() ? "" : " ", q.get<double>());
        joints += text;
    }
    struct Case {
        const char* name;
        int budgetMs;
    };
    for (const Case& c : {Case{"virtual time", 5000}, Case{"load event", 0}}) {
        SCOPED_TRACE(c.name);
        const ChromiumRun run = runChromium(chromium_, "--dump-dom", view_->url(),
                                            TEVO_VIEW_ARTIFACT_DIR "/chromium-settle", c.budgetMs);
        EXPECT_EQ(run.status, 0) << "chromium did not finish (124: killed after 25 s)";
        std::cout << "headless chromium, " << c.name << ": " << run.seconds << " s" << std::endl;
        if (run.out.find("</html>") == std::string::npos) {
            ADD_FAILURE() << "no DOM from chromium";
            continue;
        }
        EXPECT_EQ(elementText(run.out, "joints-text"), joints);
        EXPECT_EQ(elementText(run.out, "fk-check"), "ok");
        EXPECT_EQ(elementText(run.out, "errors"), "");
        // In virtual time the page ends its stream by itself.
        if (c.budgetMs > 0) {
            EXPECT_TRUE(std::regex_match(elementText(run.out, "link"),
                                         std::regex("stopped after \\d+ events")))
                << elementText(run.out, "link");
        }
    }
}

TEST_F(ViewPageTest, PageShowsARefusalJointLimitsAndAnalogInputs) {
    // A move before start-up: refused by the controller with its reason.
    ServiceInterface robot;
    ASSERT_EQ(robot.robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
              tevo_robot_namespace::ErrnoSucc);
    robot.robotServiceInitGlobalMoveProfile();
    double target[6] = {0.1, -0.2, 1.0, 0.3, 1.5, 0.0};
    ASSERT_NE(robot.robotServiceJointMove(target, true), tevo_robot_namespace::ErrnoSucc);
    const tevo_robot_namespace::ControllerRefusal refusal =
        ServiceInterface::lastControllerRefusal();
    ASSERT_NE(refusal.controllerCode, 0);
    ASSERT_FALSE(refusal.text.empty());

    // A safety event, highlighted, and an ordinary one, not.
    ASSERT_EQ(sim().sendEvent({tevo_sim::EvSoftEmergency, 0, "test"}), 1);
    ASSERT_EQ(sim().sendEvent({tevo_sim::EvPowerChanged, 0, ""}), 1);
    ASSERT_TRUE(sim().setToolAnalogInput(0, 3.25));
    ASSERT_TRUE(sim().setToolAnalogInput(1, 7.5));
    ASSERT_TRUE(sim().setBoardAnalogInput(2, 1.5));
    // Joint 6 two degrees inside its upper limit, the others where they are.
    const auto limits = sim().jointLimits();
    double q[6];
    for (int j = 0; j < 6; ++j) q[j] = sim().snapshot().joints[j];
    q[5] = limits[5][1] - 2 * M_PI / 180;
    sim().setJointAngles(q);

    nlohmann::json st;
    ASSERT_TRUE(waitFor([&] {
        st = state();
        return st.is_object() && st["refusals"].is_array() && !st["refusals"].empty() &&
               st["refusals"].back().value("reason", "") == refusal.text &&
               st["io"]["toolAI"].is_array() && st["io"]["toolAI"].size() == 2 &&
               st["io"]["toolAI"][1].get<double>() == 7.5 &&
               std::fabs(st["joints"][5].get<double>() - q[5]) < 1e-9 && st["events"].is_array() &&
               st["events"].size() == 2;
    })) << "the view's state lacks the refusal, the inputs or the angles: "
        << st.dump();

    const ChromiumRun run = runChromium(chromium_, "--dump-dom", view_->url(),
                                        TEVO_VIEW_ARTIFACT_DIR "/chromium-refusal");
    ASSERT_EQ(run.status, 0);
    const std::string& dom = run.out;
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM from chromium";
    EXPECT_EQ(elementText(dom, "errors"), "");

    const std::string log = inner(dom, "refusals", "ol");
    EXPECT_NE(log.find(htmlEscaped(refusal.text)), std::string::npos) << log;
    EXPECT_NE(log.find("code " + std::to_string(refusal.controllerCode)), std::string::npos) << log;
    EXPECT_NE(log.find(refusal.command), std::string::npos) << log;
    EXPECT_NE(log.find("class=\"newest\""), std::string::npos) << log;
    EXPECT_EQ(elementText(dom, "refusal-count"), "1");

    // Each event line's class and text.
    std::map<std::string, std::string> eventClass;
    const std::string events = inner(dom, "events", "ol");
    const std::regex line("<li(?: class=\"([^\"]*)\")?>([^<]*)</li>");
    for (std::sregex_iterator it(events.begin(), events.end(), line), end; it != end; ++it)
        eventClass[(*it)[2]] = (*it)[1];
    ASSERT_EQ(eventClass.size(), 2u) << events;
    for (const auto& [text, cls] : eventClass) {
        const bool alert = text.find("soft emergency") != std::string::npos;
        EXPECT_EQ(cls.find("alert") != std::string::npos, alert) << text << " class " << cls;
    }

    for (int j = 0; j < 6; ++j) {
        const std::string id = std::to_string(j);
        EXPECT_EQ(elementText(dom, "lim-range" + id), degreesRange(limits[j])) << "joint " << j;
        EXPECT_EQ(attribute(dom, "lim" + id, "class"), j == 5 ? "lim near" : "lim")
            << "joint " << j;
        EXPECT_NE(attribute(dom, "lim-mark" + id, "style").find("display: block"),
                  std::string::npos);
    }
    EXPECT_EQ(elementText(dom, "tool-ai"), "3.25  7.50");
    EXPECT_EQ(elementText(dom, "board-ai"), "0.00  0.00  1.50  0.00");

    // The picture of the same page, kept in the build tree.
    const std::string shot = TEVO_VIEW_ARTIFACT_DIR "/view-screenshot.png";
    std::remove(shot.c_str());
    EXPECT_EQ(runChromium(chromium_, "--screenshot=" + shot, view_->url(),
                          TEVO_VIEW_ARTIFACT_DIR "/chromium-refusal-shot")
                  .status,
              0);
    std::ifstream png(shot, std::ios::binary | std::ios::ate);
    ASSERT_TRUE(png.good()) << "no screenshot at " << shot;
    const auto size = static_cast<long long>(png.tellg());
    png.seekg(0);
    char sig[8] = {};
    png.read(sig, sizeof sig);
    EXPECT_EQ(std::string(sig, sizeof sig), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_GT(size, 1000);
    std::cout << "view screenshot: " << shot << " (" << size << " bytes)" << std::endl;
    robot.robotServiceLogout();
}

}  // namespace
