// One version everywhere: ServiceInterface::getVersion and the simulator's
// --version report the version of the CMake package (TevoRobotSDKConfigVersion).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "RobotSDK/interface/serviceinterface.h"

namespace {

// PACKAGE_VERSION as the generated package version file sets it.
std::string packageVersion() {
    std::ifstream in(TEVO_CONFIG_VERSION_FILE);
    std::stringstream text;
    text << in.rdbuf();
    const std::string content = text.str();
    std::smatch match;
    if (!std::regex_search(content, match,
                           std::regex(R"re(set\(PACKAGE_VERSION "([0-9.]+)"\))re"))) {
        return "";
    }
    return match[1];
}

// Standard output of a command; a non-zero exit status is appended.
std::string commandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return "<popen failed>";
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        out += buffer;
    }
    const int status = pclose(pipe);
    if (status != 0) {
        out += "<exit status " + std::to_string(status) + ">";
    }
    return out;
}

}  // namespace

TEST(Version, GetVersionIsVAndThePackageVersion) {
    const std::string version = packageVersion();
    ASSERT_FALSE(version.empty()) << "no PACKAGE_VERSION in " << TEVO_CONFIG_VERSION_FILE;
    ServiceInterface robot;
    EXPECT_EQ(robot.getVersion(), "V" + version);
}

TEST(Version, SimulatorPrintsThePackageVersion) {
    const std::string version = packageVersion();
    ASSERT_FALSE(version.empty()) << "no PACKAGE_VERSION in " << TEVO_CONFIG_VERSION_FILE;
    EXPECT_EQ(commandOutput("'" TEVO_SIM_PROGRAM "' --version"),
              "tevo-controller-sim " + version + "\n");
}
