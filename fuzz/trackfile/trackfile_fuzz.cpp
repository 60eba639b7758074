// Writes arbitrary bytes as a tool-pose track file and converts it in both
// formats, and feeds each of its lines to the two line parsers. Beyond "no
// crash, no leak, no undefined behaviour" it checks: a line parser accepts a
// line only with exactly the right number of separators, and a file
// conversion yields either one point per line or none at all.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/util/ikfunc.h"

namespace trn = tevo_robot_namespace;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const std::string& trackPath() {
    static const std::string path = [] {
        char dir[] = "/tmp/trackfile-fuzz-XXXXXX";
        const char* made = ::mkdtemp(dir);
        check(made != nullptr);
        return std::string(made) + "/track.txt";
    }();
    return path;
}

// The line as format 1 reads it: blanks trimmed, runs collapsed.
size_t blankSeparators(const std::string& line) {
    std::string collapsed;
    for (const char ch : line) {
        if (ch == ' ' && (collapsed.empty() || collapsed.back() == ' ')) continue;
        collapsed.push_back(ch);
    }
    if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    return static_cast<size_t>(std::count(collapsed.begin(), collapsed.end(), ' '));
}

void checkLine(const std::string& line) {
    trn::Pos position;
    trn::Rpy rpy;
    trn::Ori quaternion;
    const bool rpyOk = RobotMoveService::StringToPositionAndRpy(line, ' ', position, rpy);
    check(rpyOk == (blankSeparators(line) == 5));
    const bool quatOk =
        RobotMoveService::StringToPositionAndQuaternion(line, ',', position, quaternion);
    check(quatOk == (std::count(line.begin(), line.end(), ',') == 6));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool modelSet = Ikfunc::SetDhParaLen(tevo_model_0);
    (void)modelSet;
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream file(trackPath(), std::ios::binary | std::ios::trunc);
        file << text;
    }
    std::vector<std::string> lines;
    std::ifstream in(trackPath(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        checkLine(line);
        lines.push_back(line);
    }

    const double home[6] = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
    const trn::ToolInEndDesc tool = {{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
    for (const auto format :
         {trn::POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, trn::POSITION_M_AND_QUATERNION_COMMA_SPLIT}) {
        std::vector<RobotMoveService::FlangeAndToolInfo> points;
        const int ret = RobotMoveService::parseFileAsRoadpointSet(trackPath().c_str(), format, home,
                                                                  tool, points);
        check(ret == trn::ErrnoSucc ? points.size() == lines.size() : points.empty());
    }
    return 0;
}
