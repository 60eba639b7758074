// Offline tracks (upload in batches, from memory or a joint-angle file, then
// playback), position streaming in pass-through mode, excitation trajectories,
// and the conversion of tool-pose tracks (file or list) to flange waypoints.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <string>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

using CMT = CommunicationMateType;
using controller_request::sendEmpty;

// Cuts `text` at every `separator` (n separators: n + 1 tokens) and reads
// each token, blanks around it allowed, as one whole finite number into
// out[0..count). Returns the number of tokens; `badToken` is the index of the
// first token among the first `count` that is no such number, else -1. Never
// reads beyond `text`.
int splitNumbers(const std::string& text, char separator, double* out, int count, int& badToken) {
    badToken = -1;
    int tokens = 0;
    const char* begin = text.data();
    const char* const end = begin + text.size();
    while (true) {
        const char* stop = static_cast<const char*>(std::memchr(begin, separator, end - begin));
        const char* tokenEnd = stop != nullptr ? stop : end;
        if (tokens < count && badToken < 0) {
            const char* first = begin;
            while (first < tokenEnd && *first == ' ') ++first;
            const char* last = tokenEnd;
            while (last > first && last[-1] == ' ') --last;
            if (!target_check::readNumber(first, last, out[tokens])) badToken = tokens;
        }
        ++tokens;
        if (stop == nullptr) return tokens;
        begin = stop + 1;
    }
}

// A line as read from a file, without the carriage return of a CRLF ending.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

// Blanks removed at both ends, every inner run of blanks made one blank.
std::string collapseBlanks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        if (ch == ' ' && (out.empty() || out.back() == ' ')) continue;
        out.push_back(ch);
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Solves tool end poses one after another into flange waypoints, each
// starting from the joints of the point before (the first from the reference
// joints), so that consecutive solutions stay on one branch.
class FlangeTrackBuilder {
public:
    FlangeTrackBuilder(const double* referPointJointAngle, const ToolInEndDesc& tool,
                       std::vector<RobotMoveService::FlangeAndToolInfo>& out)
        : m_refer(referPointJointAngle), m_tool(tool), m_out(out) {
        m_out.clear();
    }

    // Checks that the reference joints and the tool give a usable pose.
    int checkReference() {
        if (m_refer == nullptr) return ErrCode_ParamError;
        int ret = RobotUtilService::robotFk(m_refer, ARM_DOF, m_work);
        if (ret != ErrnoSucc) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: reference point fk failed");
            return ret;
        }
        Pos toolPosition;
        Ori toolOrientation;
        ret = RobotUtilService::base2BaseAdditionalTool(m_work.cartPos.position, m_work.orientation,
                                                        m_tool, toolPosition, toolOrientation);
        if (ret != ErrnoSucc) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: reference point baseToBaseAdditionalTool failed");
        }
        return ret;
    }

    // Solves one pose and appends it; a failure is logged with the 1-based
    // line number (fromFile) or list index.
    int append(const Pos& position, const Ori& orientation, bool fromFile, int index) {
        const double* start = m_out.empty() ? m_refer : m_out.back().flangeWayPoint.jointpos;
        const int ret = RobotUtilService::robotServiceIkBasedOnTcp(start, position, orientation,
                                                                   m_tool, m_work);
        if (ret != ErrnoSucc) {
            if (fromFile) {
                RobotLogPrint::trace(LL_ERROR, "sdk log: Tcp ik failed. lineIndex:%d", index);
            } else {
                RobotLogPrint::trace(LL_ERROR, "sdk log: Tcp ik failed. index:%d", index);
            }
            return ret;
        }
        m_out.push_back({m_work, position, orientation});
        return ErrnoSucc;
    }

    // A failed conversion yields no points at all.
    int finish(int result) {
        if (result != ErrnoSucc) m_out.clear();
        return result;
    }

private:
    const double* m_refer;
    const ToolInEndDesc& m_tool;
    std::vector<RobotMoveService::FlangeAndToolInfo>& m_out;
    wayPoint_S m_work{};
};

// One line of a tool-pose file as a pose; the error code with its log line.
int toolPoseOfLine(const std::string& line, POSITION_ORIENTATION_TYPE poseType, int lineIndex,
                   Pos& position, Ori& orientation) {
    if (poseType == POSITION_M_AND_QUATERNION_COMMA_SPLIT) {
        if (RobotMoveService::StringToPositionAndQuaternion(line, ',', position, orientation))
            return ErrnoSucc;
        RobotLogPrint::trace(LL_ERROR, "StringToPositionAndQuaternion failed, lineIndex = %d",
                             lineIndex);
        return ErrCode_Failed;
    }
    Rpy rpy;
    if (!RobotMoveService::StringToPositionAndRpy(line, ' ', position, rpy)) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: StringToPositionAndRpy failed, lineIndex = %d",
                             lineIndex);
        return ErrCode_Failed;
    }
    const int ret = RobotUtilService::RPYToQuaternion(rpy, orientation);
    if (ret != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: RPYToQuaternion failed, lineIndex = %d",
                             lineIndex);
    }
    return ret;
}

}  // namespace

// ---- offline tracks ---------------------------------------------------------------

int RobotMoveService::offlineTrackWaypointAppend(const std::vector<wayPoint_S>& wayPointVector) {
    if (wayPointVector.size() > OFFLINE_TRACK_MAX_WAYPOINTS) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: offline track batch too long, size=%d",
                             static_cast<int>(wayPointVector.size()));
        return ErrCode_ParamError;
    }
    // Waypoints only: the profile part of the body is all zero.
    const RobotMoveProfile zeroProfile{};
    return moveProfileAndWaypointsFormatCommunication(
        CMT::CommunicationType_OfflineTrackWaypointAppend, zeroProfile, wayPointVector);
}

int RobotMoveService::offlineTrackWaypointAppend(const char* fileName) {
    std::ifstream file;
    if (fileName != nullptr) file.open(fileName);
    if (!file.is_open()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: file not exist.");
        return ErrCode_ParamError;
    }
    // The whole file is read and checked before the first batch goes out: a
    // bad line must not leave the controller with half a track.
    std::vector<wayPoint_S> track;
    std::string line;
    wayPoint_S waypoint;
    for (int lineIndex = 1; std::getline(file, line); ++lineIndex) {
        if (target_check::isBlankOrComment(line)) continue;
        if (!RobotUtilService::jointStringToWaypoint(line, waypoint)) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: offline track file %s, line %d: not six finite joint "
                                 "angles; nothing sent.",
                                 fileName, lineIndex);
            return ErrCode_ParamError;
        }
        track.push_back(waypoint);
    }
    int result = ErrCode_Failed;
    std::vector<wayPoint_S> batch;
    for (std::size_t first = 0; first < track.size(); first += OFFLINE_TRACK_FILE_BATCH) {
        const std::size_t last = std::min(track.size(), first + OFFLINE_TRACK_FILE_BATCH);
        batch.assign(track.begin() + static_cast<std::ptrdiff_t>(first),
                     track.begin() + static_cast<std::ptrdiff_t>(last));
        result = offlineTrackWaypointAppend(batch);
        // A refused batch ends the upload: the rest would leave a gap in the
        // track.
        if (result != ErrnoSucc) return result;
    }
    return result;
}

int RobotMoveService::offlineTrackWaypointClear() {
    return sendEmpty(*m_robotBaseService, CMT::CommunicationType_OfflineTrackWaypointClear);
}

int RobotMoveService::offlineTrackMoveStartupService(bool isBolck) {
    RobotMoveProfile profile;
    initDefaultMoveProfile(profile);
    int endEvent = RobotEventInvalid;
    return moveBaseService(ROBOT_MOVE_CLASS_OFFLINE_TRACK, profile, {}, endEvent, isBolck);
}

int RobotMoveService::offlineTrackMoveStop() {
    return sendEmpty(*m_robotBaseService, CMT::CommunicationType_OfflineTrackMoveStop);
}

// ---- position streaming -------------------------------------------------------------

int RobotMoveService::enterTcp2CanbusMode() {
    return sendEmpty(*m_robotBaseService, CMT::CommunicationType_EnterTcp2CanbusMode);
}

int RobotMoveService::leaveTcp2CanbusMode() {
    return sendEmpty(*m_robotBaseService, CMT::CommunicationType_LeaveTcp2CanbusMode);
}

int RobotMoveService::setRobotPosData2Canbus(const std::vector<wayPoint_S>& wayPointVector) {
    const RobotMoveProfile zeroProfile{};
    return moveProfileAndWaypointsFormatCommunication(CMT::CommunicationType_SetRobotPosData2Canbus,
                                                      zeroProfile, wayPointVector);
}

// ---- excitation trajectories ----------------------------------------------------------

int RobotMoveService::startupOfflineExcitTraj(const char* trackFile, Robot_Dyn_identify_traj type,
                                              int subtype, bool isBolck) {
    if (trackFile == nullptr) return ErrCode_ParamError;
    offlineTrackRecognition track;
    track.trackName = trackFile;
    track.type = type;
    track.subType = subtype;
    setOfflineTrackRecognition(track);
    RobotMoveProfile profile;
    initDefaultMoveProfile(profile);
    int endEvent = RobotEventInvalid;
    return moveBaseService(ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION, profile, {}, endEvent,
                           isBolck);
}

// ---- tool-pose tracks -------------------------------------------------------------------

bool RobotMoveService::StringToPositionAndRpy(const std::string& str, char splitSymbol,
                                              Pos& position, Rpy& rpy) {
    constexpr double kDegToRad = 3.1415926 / 180.0;
    double v[6];
    int badToken = -1;
    const int tokens = splitNumbers(collapseBlanks(str), splitSymbol, v, 6, badToken);
    if (tokens != 6) {
        RobotLogPrint::trace(LL_ERROR, "StringToPositionAndRpy failed, doubleVector.size=%d",
                             tokens);
        return false;
    }
    if (badToken >= 0) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: StringToPositionAndRpy failed, token %d is not a finite "
                             "number.",
                             badToken + 1);
        return false;
    }
    position = {v[0] / 1000.0, v[1] / 1000.0, v[2] / 1000.0};
    rpy = {v[3] * kDegToRad, v[4] * kDegToRad, v[5] * kDegToRad};
    return true;
}

bool RobotMoveService::StringToPositionAndQuaternion(const std::string& str, char splitSymbol,
                                                     Pos& position, Ori& quaternion) {
    double v[7];
    int badToken = -1;
    const int tokens = splitNumbers(str, splitSymbol, v, 7, badToken);
    if (tokens != 7) {
        RobotLogPrint::trace(LL_ERROR, "StringToPositionAndQuaternion failed, doubleVector.size=%d",
                             tokens);
        return false;
    }
    if (badToken >= 0) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: StringToPositionAndQuaternion failed, token %d is not a "
                             "finite number.",
                             badToken + 1);
        return false;
    }
    position = {v[0], v[1], v[2]};
    quaternion = {v[3], v[4], v[5], v[6]};
    return true;
}

int RobotMoveService::parseFileAsRoadpointSet(const char* filePath,
                                              POSITION_ORIENTATION_TYPE poseType,
                                              const double* referPointJointAngle,
                                              const ToolInEndDesc& toolInEndDesc,
                                              std::vector<FlangeAndToolInfo>& roadpointInfoVector,
                                              std::size_t maxPoints) {
    FlangeTrackBuilder builder(referPointJointAngle, toolInEndDesc, roadpointInfoVector);
    if (poseType != POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT &&
        poseType != POSITION_M_AND_QUATERNION_COMMA_SPLIT) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: unknown track file format, poseType=%d",
                             static_cast<int>(poseType));
        return ErrCode_ParamError;
    }
    int result = builder.checkReference();
    if (result != ErrnoSucc) return result;

    std::ifstream file;
    if (filePath != nullptr) file.open(filePath);
    if (!file.is_open()) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: track file was not found, path=%s",
                             filePath != nullptr ? filePath : "");
        return ErrCode_ParamError;
    }
    std::string line;
    Pos position;
    Ori orientation;
    int lineIndex = 0;
    while (result == ErrnoSucc && roadpointInfoVector.size() < maxPoints &&
           std::getline(file, line)) {
        ++lineIndex;
        if (target_check::isBlankOrComment(line)) continue;
        dropCarriageReturn(line);
        result = toolPoseOfLine(line, poseType, lineIndex, position, orientation);
        if (result != ErrnoSucc) {
            RobotLogPrint::trace(LL_ERROR, "sdk log: track file %s, line %d is not a valid pose.",
                                 filePath, lineIndex);
            break;
        }
        result = builder.append(position, orientation, true, lineIndex);
    }
    if (result == ErrnoSucc && roadpointInfoVector.size() >= maxPoints) {
        // The caller takes no more points: the rest of the file is not read.
        RobotLogPrint::trace(LL_INFO,
                             "sdk log: track file %s: reading stopped after line %d at %d points.",
                             filePath, lineIndex, static_cast<int>(roadpointInfoVector.size()));
    }
    if (result == ErrnoSucc && !roadpointInfoVector.empty()) {
        RobotLogPrint::trace(
            LL_INFO,
            "Parse the track file as a collection of waypoints, filePath:%s roadpointCount:%d",
            filePath, static_cast<int>(roadpointInfoVector.size()));
    }
    return builder.finish(result);
}

int RobotMoveService::parsePoseListToRoadpointSet(
    const std::vector<PositionAndQuaternion>& toolEndPoseVector, const double* referPointJointAngle,
    const ToolInEndDesc& toolInEndDesc, std::vector<FlangeAndToolInfo>& roadpointInfoVector) {
    FlangeTrackBuilder builder(referPointJointAngle, toolInEndDesc, roadpointInfoVector);
    int result = builder.checkReference();
    for (std::size_t i = 0; result == ErrnoSucc && i < toolEndPoseVector.size(); ++i) {
        const PositionAndQuaternion& pose = toolEndPoseVector[i];
        const double values[7] = {pose.position.x,   pose.position.y,   pose.position.z,
                                  pose.quaternion.w, pose.quaternion.x, pose.quaternion.y,
                                  pose.quaternion.z};
        if (!target_check::allFinite(values, 7)) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: pose %d holds a NaN or infinite value; no points.",
                                 static_cast<int>(i + 1));
            result = ErrCode_ParamError;
            break;
        }
        result = builder.append(pose.position, pose.quaternion, false, static_cast<int>(i + 1));
    }
    return builder.finish(result);
}
