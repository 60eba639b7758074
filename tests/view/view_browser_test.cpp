// The view page in a real browser: the simulator program runs with --http 0,
// the arm is moved through the library, and headless Chromium renders the
// page. The rendered DOM must show the commanded joint angles, the page's
// own drawing check must agree with the simulator's tool pose, and no script
// error may have occurred. Skipped when Chromium is not installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

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
    SimProgram() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(TEVO_SIM_EXE, TEVO_SIM_EXE, "--port", "0", "--http", "0", "--time-scale", "20",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    ~SimProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_) std::fclose(out_);
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

// Runs Chromium headless on `url` with one action; its standard output.
std::string runChromium(const std::string& chromium, const std::string& action,
                        const std::string& url, const std::string& profile) {
    const std::string cmd = "timeout 25 " + chromium +
                            " --headless --disable-gpu --no-sandbox --disable-dev-shm-usage"
                            " --no-first-run --no-proxy-server --user-data-dir=" + profile +
                            " --window-size=1200,900 --virtual-time-budget=5000 " + action +
                            " '" + url + "' 2>/dev/null";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
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
    const std::string dom = runChromium(chromium, "--dump-dom", page, TEVO_VIEW_ARTIFACT_DIR "/chromium-dom");
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

}  // namespace
