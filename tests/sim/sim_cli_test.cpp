// The tevo-controller-sim program: help text, listening address, login over
// the printed port, clean stop on SIGINT/SIGTERM, refusal of bad options.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/rawclient.h"

namespace {

using namespace std::chrono_literals;

// Runs the program with `args` and collects its exit status and output.
int runToEnd(const std::string& args, std::string& out) {
    FILE* p = ::popen((std::string(TEVO_SIM_EXE) + " " + args + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    const int st = ::pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// A running simulator process whose standard output is read line by line.
class SimProcess {
public:
    explicit SimProcess(const char* const* argv) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execv(TEVO_SIM_EXE, const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    ~SimProcess() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_) std::fclose(out_);
    }
    std::string line() {
        char buf[512];
        return out_ && std::fgets(buf, sizeof buf, out_) ? std::string(buf) : std::string();
    }
    // Exit status after `sig`, or -1 if it did not end within the time-out.
    int stopWith(int sig, std::chrono::milliseconds timeout) {
        ::kill(pid_, sig);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            }
            std::this_thread::sleep_for(5ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    bool reaped_ = false;
};

TEST(SimCli, HelpDocumentsEveryOption) {
    std::string out;
    ASSERT_EQ(runToEnd("--help", out), 0);
    for (const char* opt :
         {"--host", "--port", "--model", "--user", "--password", "--no-handle-login",
          "--no-login-check", "--push-rate", "--time-scale", "--servo-rate", "--servo-watchdog",
          "--http", "--http-host", "--verbose", "--help"}) {
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
    }
}

TEST(SimCli, RejectsBadOptions) {
    for (const char* args : {"--port 70000", "--model 10", "--push-rate 0", "--time-scale -1",
                             "--bogus", "--port", "--http 70000", "--http x", "--servo-rate 0",
                             "--servo-watchdog 0", "--servo-watchdog 2.5"}) {
        std::string out;
        EXPECT_EQ(runToEnd(args, out), 2) << args;
        EXPECT_FALSE(out.empty()) << args;
    }
}

TEST(SimCli, ListensOnThePrintedAddressAndStopsOnSignals) {
    for (int sig : {SIGTERM, SIGINT}) {
        const char* argv[] = {TEVO_SIM_EXE, "--port",     "0",  "--user",
                              "cli",        "--password", "pw", nullptr};
        SimProcess proc(argv);
        const std::string first = proc.line();
        const std::string prefix = "listening on 127.0.0.1:";
        ASSERT_EQ(first.rfind(prefix, 0), 0u) << first;
        const int port = std::stoi(first.substr(prefix.size()));
        ASSERT_GT(port, 0);

        tevo_test::RawClient c;
        ASSERT_TRUE(c.connect(static_cast<uint16_t>(port)));
        tevo::robot::communication::ProtoRequestLogin req;
        req.set_username("cli");
        req.set_passwd("pw");
        tevo::robot::common::ProtoResponseRobotDhParam r;
        ASSERT_TRUE(c.request(0, req, r));
        EXPECT_EQ(r.errorinfo().errorcode(), 0);

        EXPECT_EQ(proc.stopWith(sig, 5000ms), 0) << "signal " << sig;
        EXPECT_TRUE(c.waitClosed());
    }
}

}  // namespace
