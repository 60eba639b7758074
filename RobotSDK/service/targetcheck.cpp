#include "RobotSDK/service/targetcheck.h"

#include <charconv>
#include <cmath>

#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace target_check {

bool allFinite(const double* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

bool isFinite(const wayPoint_S& waypoint) {
    const Pos& p = waypoint.cartPos.position;
    const Ori& o = waypoint.orientation;
    const double pose[7] = {p.x, p.y, p.z, o.w, o.x, o.y, o.z};
    return allFinite(waypoint.jointpos, ARM_DOF) && allFinite(pose, 7);
}

int refuseNonFinite(const char* what, const double* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (std::isfinite(values[i])) continue;
        RobotLogPrint::trace(
            LL_ERROR, "sdk log: %s refused: value %d is NaN or infinite; nothing sent.", what, i);
        return ErrCode_ParamError;
    }
    return ErrnoSucc;
}

int refuseNonFinite(const char* what, const wayPoint_S& waypoint) {
    if (isFinite(waypoint)) return ErrnoSucc;
    RobotLogPrint::trace(LL_ERROR,
                         "sdk log: %s refused: the waypoint holds a NaN or infinite value; "
                         "nothing sent.",
                         what);
    return ErrCode_ParamError;
}

int refuseNonFinite(const char* what, const std::vector<wayPoint_S>& waypoints) {
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        if (isFinite(waypoints[i])) continue;
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: %s refused: waypoint %d holds a NaN or infinite value; "
                             "nothing sent.",
                             what, static_cast<int>(i));
        return ErrCode_ParamError;
    }
    return ErrnoSucc;
}

int refuseNonFinite(const char* what, const RobotMoveProfile& profile) {
    const Pos& tool = profile.toolInEndPosition.position;
    const Ori& toolOri = profile.toolInEndOrientation;
    const Ori& relOri = profile.relativeMove.relativeOrientation.orientation;
    const bool relative = profile.relativeMove.ena;
    const double values[14] = {
        tool.x,
        tool.y,
        tool.z,
        toolOri.w,
        toolOri.x,
        toolOri.y,
        toolOri.z,
        relative ? profile.relativeMove.relativePosition[0] : 0.0,
        relative ? profile.relativeMove.relativePosition[1] : 0.0,
        relative ? profile.relativeMove.relativePosition[2] : 0.0,
        relative ? relOri.w : 0.0,
        relative ? relOri.x : 0.0,
        relative ? relOri.y : 0.0,
        relative ? relOri.z : 0.0,
    };
    if (allFinite(values, 14)) return ErrnoSucc;
    RobotLogPrint::trace(LL_ERROR,
                         "sdk log: %s refused: the tool or relative offset holds a NaN or "
                         "infinite value; nothing sent.",
                         what);
    return ErrCode_ParamError;
}

int refuseNonFinite(const char* what, const RobotMoveProfile& profile,
                    const std::vector<wayPoint_S>& waypoints) {
    const int ret = refuseNonFinite(what, waypoints);
    return ret != ErrnoSucc ? ret : refuseNonFinite(what, profile);
}

bool readNumber(const char* begin, const char* end, double& value) {
    const char* digits = begin < end && *begin == '+' ? begin + 1 : begin;
    // from_chars takes a minus sign itself; a second sign is no number.
    if (digits < end && (*digits == '+' || (digits != begin && *digits == '-'))) return false;
    double parsed = 0.0;
    const auto result = std::from_chars(digits, end, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool isBlankOrComment(const std::string& line) {
    for (const char ch : line) {
        if (ch == ' ' || ch == '\t' || ch == '\r') continue;
        return ch == '#';
    }
    return true;
}

}  // namespace target_check
