// The C++ side of the Python binding's benchmark: logs in to a controller
// through the handle interface and times COUNT blocking rs_get_robot_state
// requests. Prints "ns_per_request N".
//
//     cpp_request HOST PORT COUNT
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "handle/rsrobotcontrol.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cpp_request HOST PORT COUNT\n");
        return 2;
    }
    const int port = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    if (port <= 0 || count <= 0) {
        std::fprintf(stderr, "PORT and COUNT must be positive\n");
        return 2;
    }
    RSHD rshd = 0;
    rs_initialize();
    if (rs_create_context(&rshd) != 0 || rs_login(rshd, argv[1], port) != 0) {
        std::fprintf(stderr, "cannot log in to %s:%d\n", argv[1], port);
        return 1;
    }
    rs_types::RobotState state{};
    int failed = 0;
    for (int i = 0; i < count / 10 + 1; ++i) failed |= rs_get_robot_state(rshd, &state);  // warm-up
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) failed |= rs_get_robot_state(rshd, &state);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    rs_logout(rshd);
    rs_destory_context(rshd);
    rs_uninitialize();
    if (failed != 0) {
        std::fprintf(stderr, "a request failed\n");
        return 1;
    }
    std::printf("ns_per_request %.1f\n", spent.count() / count);
    return 0;
}
