// The C++ side of the batch kinematics benchmark: times rs_forward_kin_many
// and rs_inverse_kin_many over the joint rows of a file (N * 6 doubles, native
// byte order, as kinematics_bench.py writes them), the inverse kinematics on
// their flange poses with a fixed reference, unchained, exactly as the Python
// side calls them. Each figure is the best of ROUNDS rounds of REPEATS calls.
// Prints "fk_ns_per_point X" and "ik_ns_per_point Y".
//
//     cpp_kinematics JOINTS_FILE FK_REPEATS IK_REPEATS ROUNDS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "handle/rsrobotcontrol.h"

namespace {

const double kReference[6] = {0.1, -0.2, 1.6, 0.4, 1.5, 0.2};

// The best time per point of rounds rounds of repeats calls of call.
template <typename Call>
double bestNsPerPoint(int rounds, int repeats, int points, Call call) {
    call();  // warm-up
    double best = std::numeric_limits<double>::infinity();
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repeats; ++i) call();
        const std::chrono::duration<double, std::nano> spent =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / repeats / points);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: cpp_kinematics JOINTS_FILE FK_REPEATS IK_REPEATS ROUNDS\n");
        return 2;
    }
    const int fkRepeats = std::atoi(argv[2]);
    const int ikRepeats = std::atoi(argv[3]);
    const int rounds = std::atoi(argv[4]);
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    const size_t rowBytes = 6 * sizeof(double);
    if (!file.is_open() || bytes.empty() || bytes.size() % rowBytes != 0 || fkRepeats <= 0 ||
        ikRepeats <= 0 || rounds <= 0) {
        std::fprintf(stderr, "cannot read joint rows from %s, or a count is not positive\n",
                     argv[1]);
        return 2;
    }
    const int n = static_cast<int>(bytes.size() / rowBytes);
    std::vector<double> joints(static_cast<size_t>(n) * 6);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(joints.data()));

    RSHD rshd = 0;
    rs_initialize();
    if (rs_create_context(&rshd) != 0) {
        std::fprintf(stderr, "cannot create a context\n");
        return 1;
    }
    std::vector<double> poses(static_cast<size_t>(n) * 7);
    std::vector<double> solutions(static_cast<size_t>(n) * 6);
    std::vector<int> codes(static_cast<size_t>(n));
    int failed = 0;
    const double fk = bestNsPerPoint(rounds, fkRepeats, n, [&] {
        failed |= rs_forward_kin_many(rshd, joints.data(), n, poses.data(), codes.data());
    });
    const double ik = bestNsPerPoint(rounds, ikRepeats, n, [&] {
        // Poses no solution reaches are part of the work (NaN rows), as in Python.
        const int result = rs_inverse_kin_many(rshd, kReference, poses.data(), n, solutions.data(),
                                               codes.data(), 0);
        failed |= (result != 0 && result != 10012) ? 1 : 0;
    });
    rs_destory_context(rshd);
    rs_uninitialize();
    if (failed != 0) {
        std::fprintf(stderr, "a batch call failed\n");
        return 1;
    }
    std::printf("fk_ns_per_point %.2f\nik_ns_per_point %.2f\n", fk, ik);
    return 0;
}
