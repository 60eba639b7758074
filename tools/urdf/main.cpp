// tevo-urdf: prints the URDF description of one arm model, or lists the models.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "kinematics/armurdf.h"
#include "kinematics/kinematicscore.h"

namespace {

const char* kUsage =
    "Usage: tevo-urdf MODEL\n"
    "       tevo-urdf --list | --version | --help\n"
    "\n"
    "Prints the URDF description of arm model MODEL (0..9) on standard output:\n"
    "links, joints with their limits, simple link geometry. Its joint angles are\n"
    "the library's public joint angles and its link \"flange\" has the frame of\n"
    "the library's forward kinematics.\n"
    "\n"
    "  --list     the models and their lengths (metres)\n"
    "  --version  the SDK version\n";

int usageError(const char* problem) {
    std::fprintf(stderr, "tevo-urdf: %s\n\n%s", problem, kUsage);
    return 2;
}

// Writes the text whole or reports why not.
int print(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::perror("tevo-urdf: writing standard output");
        return 1;
    }
    return 0;
}

std::string modelList() {
    std::string out = "model  A3        A4        D1        D2        D4        D5        D6\n";
    for (int n = 0; n < tevo_robot_type_num; ++n) {
        const KinematicsModelDefaults& m = kKinematicsModelDefaults[n];
        char line[128];
        std::snprintf(line, sizeof line, "%-5d  %-8g  %-8g  %-8g  %-8g  %-8g  %-8g  %g\n", n, m.A3,
                      m.A4, m.D1, m.D2, m.D4, m.D5, m.D6);
        out += line;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return usageError(argc < 2 ? "a model number is needed" : "too many arguments");
    }
    const char* arg = argv[1];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        return print(kUsage);
    }
    if (std::strcmp(arg, "--version") == 0) {
        return print(std::string("tevo-urdf ") + TEVO_SDK_VERSION + "\n");
    }
    if (std::strcmp(arg, "--list") == 0) {
        return print(modelList());
    }
    const char* end = arg + std::strlen(arg);
    int model = -1;
    const auto parsed = std::from_chars(arg, end, model);
    if (parsed.ec != std::errc() || parsed.ptr != end || model < 0 ||
        model >= tevo_robot_type_num) {
        return usageError((std::string("not a model number 0..9: ") + arg).c_str());
    }
    return print(armUrdf(static_cast<tevo_robot_type>(model)));
}
