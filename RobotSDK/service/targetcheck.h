// Input checks shared by the motion code: targets with a NaN or an infinity
// are refused before anything is sent, and numbers are read from track-file
// text strictly (a token is one whole finite decimal number, or nothing).
#pragma once

#include <string>
#include <vector>

#include "sdkcommon/MetaType/TevoRobotMetaType.h"

namespace target_check {

bool allFinite(const double* values, int count);
// Joints, position and orientation all finite.
bool isFinite(const tevo_robot_namespace::wayPoint_S& waypoint);

// ErrnoSucc when every value is finite; else ErrCode_ParamError and one log
// line naming `what` and the first bad value or waypoint (0-based).
int refuseNonFinite(const char* what, const double* values, int count);
int refuseNonFinite(const char* what, const tevo_robot_namespace::wayPoint_S& waypoint);
int refuseNonFinite(const char* what,
                    const std::vector<tevo_robot_namespace::wayPoint_S>& waypoints);
// The parts of a move profile that move the target: the tool and the
// relative offset (when enabled).
int refuseNonFinite(const char* what, const RobotMoveProfile& profile);
// A move body: its profile and its waypoints.
int refuseNonFinite(const char* what, const RobotMoveProfile& profile,
                    const std::vector<tevo_robot_namespace::wayPoint_S>& waypoints);

// [begin, end) holds exactly one finite decimal number (an optional sign,
// digits with an optional point and exponent), nothing before or after it.
bool readNumber(const char* begin, const char* end, double& value);

// A line of a track file that holds no data: empty, only blanks (spaces,
// tabs, carriage returns), or a comment whose first non-blank character is '#'.
bool isBlankOrComment(const std::string& line);
bool isBlankOrComment(const char* begin, const char* end);

}  // namespace target_check
