// Writes arbitrary bytes as a tool-pose track file and converts it in both
// formats, and feeds each of its lines to the two line parsers. Beyond "no
// crash, no leak, no undefined behaviour" it checks: a line parser accepts a
// line only with exactly the right number of separators and then yields only
// finite values, and a file conversion yields either one point per data line
// (blank and '#' comment lines skipped) or none at all; with a point limit,
// at most that many.

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
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

bool finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

void checkLine(const std::string& line) {
    trn::Pos position;
    trn::Rpy rpy;
    trn::Ori quaternion;
    if (RobotMoveService::StringToPositionAndRpy(line, ' ', position, rpy)) {
        check(blankSeparators(line) == 5);
        check(finite({position.x, position.y, position.z, rpy.rx, rpy.ry, rpy.rz}));
    }
    if (RobotMoveService::StringToPositionAndQuaternion(line, ',', position, quaternion)) {
        check(std::count(line.begin(), line.end(), ',') == 6);
        check(finite({position.x, position.y, position.z, quaternion.w, quaternion.x, quaternion.y,
                      quaternion.z}));
    }
}

// Holds data: not empty, not only blanks, not a '#' comment.
bool isDataLine(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t\r");
    return first != std::string::npos && line[first] != '#';
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
    size_t dataLines = 0;
    std::ifstream in(trackPath(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        checkLine(line);
        if (isDataLine(line)) ++dataLines;
    }

    const double home[6] = {0.0, -0.2618, 1.7453, 0.4363, 1.5708, 0.0};
    const trn::ToolInEndDesc tool = {{0.0, 0.0, 0.1}, {1.0, 0.0, 0.0, 0.0}};
    for (const auto format :
         {trn::POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, trn::POSITION_M_AND_QUATERNION_COMMA_SPLIT}) {
        std::vector<RobotMoveService::FlangeAndToolInfo> points;
        const int ret = RobotMoveService::parseFileAsRoadpointSet(trackPath().c_str(), format, home,
                                                                  tool, points);
        check(ret == trn::ErrnoSucc ? points.size() == dataLines : points.empty());
        const size_t limit = 2;
        const int limited = RobotMoveService::parseFileAsRoadpointSet(trackPath().c_str(), format,
                                                                      home, tool, points, limit);
        check(limited == trn::ErrnoSucc ? points.size() == std::min(dataLines, limit)
                                        : points.empty());
        // Whatever converts in full converts in part.
        check(ret != trn::ErrnoSucc || limited == trn::ErrnoSucc);
    }
    return 0;
}
