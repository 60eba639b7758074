// run_with_sim PROGRAM [ARGS...]: starts the controller simulator on an
// ephemeral loopback port, runs PROGRAM with ARGS followed by the host and
// the port, and exits with the program's status.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/controllersim.h"

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_with_sim PROGRAM [ARGS...]\n");
        return 2;
    }
    tevo_sim::SimOptions options;
    options.host = "127.0.0.1";
    options.port = 0;
    options.timeScale = 20.0;
    options.logSink = [](const std::string&) {};
    tevo_sim::ControllerSim sim(options);
    if (!sim.start()) return 2;

    std::vector<std::string> args(argv + 1, argv + argc);
    args.push_back("127.0.0.1");
    args.push_back(std::to_string(sim.port()));
    std::vector<char*> cargs;
    cargs.reserve(args.size() + 1);
    for (std::string& a : args) cargs.push_back(&a[0]);
    cargs.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, cargs[0], nullptr, nullptr, cargs.data(), environ) != 0) {
        std::perror("posix_spawnp");
        return 2;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return 2;
    sim.stop();
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    std::fprintf(stderr, "%s ended by signal %d\n", cargs[0], WTERMSIG(status));
    return 1;
}
