#include "RobotSDK/service/targetcheck.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>

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

namespace {

// The powers of ten that are exact doubles.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A plain decimal "[-]digits[.digits]" whose digits form an integer below
// 2^53 with at most 22 of them after the point: the integer and the power of
// ten are exact doubles, so one division rounds the decimal correctly, the
// same value from_chars gives. False (value untouched) for any other text,
// which then takes the general path.
bool readPlainDecimal(const char* begin, const char* end, double& value) {
    const bool negative = begin < end && *begin == '-';
    const char* p = negative ? begin + 1 : begin;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (; p < end; ++p) {
        const char ch = *p;
        if (ch >= '0' && ch <= '9') {
            if (++digits > 19) return false;
            mantissa = 10 * mantissa + static_cast<std::uint64_t>(ch - '0');
            if (point) ++fractionDigits;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    constexpr std::uint64_t kExactIntegers = std::uint64_t{1} << 53;
    if (digits == 0 || mantissa > kExactIntegers || fractionDigits > 22) return false;
    const double magnitude =
        static_cast<double>(mantissa) / kExactPowersOfTen[static_cast<std::size_t>(fractionDigits)];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool readNumber(const char* begin, const char* end, double& value) {
    const char* digits = begin < end && *begin == '+' ? begin + 1 : begin;
    // from_chars takes a minus sign itself; a second sign is no number.
    if (digits < end && (*digits == '+' || (digits != begin && *digits == '-'))) return false;
    if (readPlainDecimal(digits, end, value)) return true;
    double parsed = 0.0;
    const auto result = std::from_chars(digits, end, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool isBlankOrComment(const std::string& line) {
    return isBlankOrComment(line.data(), line.data() + line.size());
}

bool isBlankOrComment(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\r') continue;
        return *p == '#';
    }
    return true;
}

}  // namespace target_check
