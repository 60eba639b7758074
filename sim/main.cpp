// tevo-controller-sim: runs the controller simulator until Ctrl-C or SIGTERM.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "sim/controllersim.h"
#include "sim/httpview.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

const char* kUsage =
    "Usage: tevo-controller-sim [options]\n"
    "\n"
    "A stand-in for the arm controller: accepts client connections and answers\n"
    "the framed protocol with a simulated arm that all connections share.\n"
    "\n"
    "Options:\n"
    "  --host ADDR         IPv4 address or host name to listen on (default\n"
    "                      127.0.0.1; 0.0.0.0 for every interface)\n"
    "  --port N            TCP port (default 8899; 0 picks a free port)\n"
    "  --model N           arm model 0..9, selects the DH lengths sent at login\n"
    "                      (default 0)\n"
    "  --user NAME         user name accepted at login (default tevo)\n"
    "  --password TEXT     password of that user (default tevo)\n"
    "  --no-handle-login   refuse the handle interface's fixed credentials\n"
    "  --no-login-check    answer requests on connections that have not logged\n"
    "                      in (by default only login and heartbeat are)\n"
    "  --push-rate HZ      rate of the real-time pushes once a client switches\n"
    "                      them on (default 200)\n"
    "  --time-scale X      run moves and start-up/shut-down X times faster than\n"
    "                      real time (default 1)\n"
    "  --servo-rate HZ     control rate at which the arm follows streamed\n"
    "                      pass-through targets (default 1000)\n"
    "  --servo-watchdog MS milliseconds without a streamed target after which\n"
    "                      the arm is brought to rest and the stream stopped\n"
    "                      (default 50)\n"
    "  --tool-power-delay MS\n"
    "                      milliseconds until a tool supply voltage set takes\n"
    "                      effect (default 200, as on a real tool; 0: at once)\n"
    "  --http PORT         serve a live browser view of the arm on this port\n"
    "                      (0 picks a free port; the address is printed); off\n"
    "                      unless given\n"
    "  --http-host ADDR    address the view listens on (default 127.0.0.1)\n"
    "  --verbose           log every frame received and sent\n"
    "  --version           print the version and exit\n"
    "  --help              show this text\n"
    "\n"
    "Like a controller it refuses a move, an offline-track playback or a\n"
    "streamed position with a joint target outside its joint range of motion\n"
    "(±175° for every joint until a client changes the range or switches it\n"
    "off, which leaves one turn).\n"
    "\n"
    "It prints the address it listens on, e.g. \"listening on 127.0.0.1:8899\";\n"
    "point an application's login at that address and port with the user above\n"
    "(or the handle interface's fixed login). Ctrl-C or SIGTERM stops it.\n";

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0' && end != text;
}

}  // namespace

int main(int argc, char** argv) {
    tevo_sim::SimOptions opt;
    opt.port = 8899;
    std::chrono::milliseconds toolPowerDelay{200};
    bool http = false;
    tevo_sim::HttpViewOptions viewOpt;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::cerr << name << " needs a value\n" << kUsage;
                std::exit(2);  // NOLINT(concurrency-mt-unsafe): option parsing, before any thread
            }
            return argv[++i];
        };
        double num = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--host") {
            opt.host = value("--host");
        } else if (arg == "--port") {
            if (!parseNumber(value("--port"), num) || num < 0 || num > 65535 ||
                num != static_cast<int>(num)) {
                std::cerr << "--port: not a port number\n";
                return 2;
            }
            opt.port = static_cast<uint16_t>(num);
        } else if (arg == "--model") {
            if (!parseNumber(value("--model"), num) || num < 0 || num > 9 ||
                num != static_cast<int>(num)) {
                std::cerr << "--model: expected 0..9\n";
                return 2;
            }
            opt.model = static_cast<int32_t>(num);
        } else if (arg == "--user") {
            opt.userName = value("--user");
        } else if (arg == "--password") {
            opt.password = value("--password");
        } else if (arg == "--no-handle-login") {
            opt.acceptHandleCredentials = false;
        } else if (arg == "--no-login-check") {
            opt.requireLogin = false;
        } else if (arg == "--push-rate") {
            if (!parseNumber(value("--push-rate"), num) || !(num > 0) || num > 10000) {
                std::cerr << "--push-rate: expected a rate in Hz, above 0 and at most 10000\n";
                return 2;
            }
            opt.pushRateHz = num;
        } else if (arg == "--time-scale") {
            if (!parseNumber(value("--time-scale"), num) || !(num > 0) || num > 1000) {
                std::cerr << "--time-scale: expected a factor above 0 and at most 1000\n";
                return 2;
            }
            opt.timeScale = num;
        } else if (arg == "--servo-rate") {
            if (!parseNumber(value("--servo-rate"), num) || num < 10 || num > 10000) {
                std::cerr << "--servo-rate: expected a rate in Hz, 10 to 10000\n";
                return 2;
            }
            opt.servoRateHz = num;
        } else if (arg == "--servo-watchdog") {
            if (!parseNumber(value("--servo-watchdog"), num) || num < 1 || num > 10000 ||
                num != static_cast<int>(num)) {
                std::cerr << "--servo-watchdog: expected whole milliseconds, 1 to 10000\n";
                return 2;
            }
            opt.servoWatchdog = std::chrono::milliseconds(static_cast<int>(num));
        } else if (arg == "--tool-power-delay") {
            if (!parseNumber(value("--tool-power-delay"), num) || num < 0 || num > 60000) {
                std::cerr << "--tool-power-delay: expected milliseconds, 0 to 60000\n";
                return 2;
            }
            toolPowerDelay = std::chrono::milliseconds(static_cast<int>(num));
        } else if (arg == "--http") {
            if (!parseNumber(value("--http"), num) || num < 0 || num > 65535 ||
                num != static_cast<int>(num)) {
                std::cerr << "--http: not a port number\n";
                return 2;
            }
            http = true;
            viewOpt.port = static_cast<uint16_t>(num);
        } else if (arg == "--http-host") {
            viewOpt.host = value("--http-host");
        } else if (arg == "--verbose") {
            opt.verbose = true;
        } else if (arg == "--version") {
            // The SDK's version, which the build passes in.
            std::cout << "tevo-controller-sim " TEVO_SDK_VERSION "\n";
            return 0;
        } else {
            std::cerr << "unknown option " << arg << "\n" << kUsage;
            return 2;
        }
    }
    opt.logSink = [](const std::string& line) { std::cout << line << std::endl; };
    viewOpt.logSink = opt.logSink;

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    tevo_sim::ControllerSim sim(opt);
    sim.setToolPowerDelay(toolPowerDelay);
    if (!sim.start()) return 1;
    tevo_sim::HttpView view(sim, viewOpt);
    if (http && !view.start()) {
        sim.stop();
        return 1;
    }
    while (!g_stop) ::usleep(50 * 1000);
    view.stop();
    sim.stop();
    return 0;
}
