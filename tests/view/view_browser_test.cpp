// The view page in a real browser: the simulator program runs with --http 0,
// the arm is moved through the library, and headless Chromium renders the
// page. The rendered DOM must show the commanded joint angles, the page's
// own drawing check must agree with the simulator's tool pose, and no script
// error may have occurred; a page left open follows the simulator through a
// restart. Skipped when Chromium is not installed.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "RobotSDK/interface/serviceinterface.h"

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
// open and races ahead otherwise, up to `budgetMs`.
std::string chromiumCommand(const std::string& chromium, const std::string& action,
                            const std::string& url, const std::string& profile,
                            int budgetMs = 5000) {
    return "timeout 25 " + chromium +
           " --headless --disable-gpu --no-sandbox --disable-dev-shm-usage"
           " --no-first-run --no-proxy-server --user-data-dir=" +
           profile + " --window-size=1200,900 --virtual-time-budget=" + std::to_string(budgetMs) +
           " " + action + " '" + url + "' 2>/dev/null";
}

// Runs Chromium headless on `url` with one action; its standard output.
std::string runChromium(const std::string& chromium, const std::string& action,
                        const std::string& url, const std::string& profile) {
    std::string out;
    FILE* p = ::popen(chromiumCommand(chromium, action, url, profile).c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
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
        runChromium(chromium, "--dump-dom", page, TEVO_VIEW_ARTIFACT_DIR "/chromium-dom");
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "no DOM from chromium";
    EXPECT_EQ(elementText(dom, "joints-text"), "0.5000 -0.3000 1.2000 0.2500 1.4000 -0.6000");
    EXPECT_EQ(elementText(dom, "errors"), "");
    EXPECT_EQ(elementText(dom, "fk-check"), "ok");
    EXPECT_EQ(elementText(dom, "link"), "stopped after 3 events");
    EXPECT_EQ(elementText(dom, "clients"), "1");

    // The picture for a person to look at, kept in the build tree.
    const std::string shot = TEVO_VIEW_ARTIFACT_DIR "/view-screenshot.png";
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
    httplib::Client cli("127.0.0.1", std::stoi(httpPort));
    cli.set_read_timeout(2, 0);
    auto res = cli.Get("/api/state");
    std::smatch m;
    const std::string body = res ? res->body : "";
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

}  // namespace
