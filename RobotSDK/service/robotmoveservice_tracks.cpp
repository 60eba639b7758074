// Offline tracks (upload in batches, from memory or a joint-angle file, then
// playback), position streaming in pass-through mode, excitation trajectories,
// and the conversion of tool-pose tracks (file or list) to flange waypoints.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

// Cuts [begin, end) at every `separator` (n separators: n + 1 tokens) and
// reads each token, blanks around it allowed, as one whole finite number into
// out[0..count). Returns the number of tokens; `badToken` is the index of the
// first token among the first `count` that is no such number, else -1. Never
// reads beyond `end`.
int splitNumbers(const char* begin, const char* const end, char separator, double* out, int count,
                 int& badToken) {
    badToken = -1;
    int tokens = 0;
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

int splitNumbers(const std::string& text, char separator, double* out, int count, int& badToken) {
    return splitNumbers(text.data(), text.data() + text.size(), separator, out, count, badToken);
}

// Seven numbers "x,y,z,w,qx,qy,qz" of [begin, end) as a pose; a wrong token
// count or a token that is no finite number is logged and gives false.
bool positionAndQuaternionOf(const char* begin, const char* end, char splitSymbol, Pos& position,
                             Ori& quaternion) {
    double v[7];
    int badToken = -1;
    const int tokens = splitNumbers(begin, end, splitSymbol, v, 7, badToken);
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

// Hands out the lines of a file one after another (without their '\n'),
// reading it in large blocks: no copy per line, and nothing is read beyond
// the block that holds the last line asked for.
class LineReader {
public:
    explicit LineReader(std::ifstream& file) : m_file(file), m_buffer(std::size_t{1} << 18) {}

    // About the number of lines left, from the first block and the size of
    // the rest of the file (exact when the file fits in one block); lets the
    // caller reserve room for all points at once without reading the file
    // twice: growing a vector of 100,000 points step by step maps and copies
    // more memory than solving the points takes time.
    std::size_t estimatedLines() {
        std::size_t size = 0;
        const std::streampos start = m_file.tellg();
        if (start != std::streampos(-1) && m_file.seekg(0, std::ios::end)) {
            const std::streampos last = m_file.tellg();
            if (last != std::streampos(-1) && last > start)
                size = static_cast<std::size_t>(last - start);
        }
        m_file.clear();
        if (start != std::streampos(-1)) m_file.seekg(start);
        if (m_pos == m_end && !m_eof) refill();
        const char* const first = m_buffer.data() + m_pos;
        const std::size_t bytes = m_end - m_pos;
        std::size_t lines = 0;
        for (const char* p = first;
             (p = static_cast<const char*>(
                  std::memchr(p, '\n', bytes - static_cast<std::size_t>(p - first)))) != nullptr;
             ++p) {
            ++lines;
        }
        if (m_eof || bytes == 0) return lines + 1;  // + a last line without a newline
        // A sixteenth more than the first block's density gives: one
        // reservation even for somewhat shorter lines later on.
        const double perByte = static_cast<double>(lines + 1) / static_cast<double>(bytes);
        return static_cast<std::size_t>(perByte * static_cast<double>(std::max(size, bytes)) *
                                        (17.0 / 16.0)) +
               1;
    }

    // The next line as [begin, end); false at the end of the file. A last
    // line without a newline counts when it is not empty.
    bool next(const char*& begin, const char*& end) {
        while (true) {
            const char* const first = m_buffer.data() + m_pos;
            const char* const filled = m_buffer.data() + m_end;
            const void* newline =
                std::memchr(first, '\n', static_cast<std::size_t>(filled - first));
            if (newline != nullptr) {
                begin = first;
                end = static_cast<const char*>(newline);
                m_pos = static_cast<std::size_t>(end - m_buffer.data()) + 1;
                return true;
            }
            if (m_eof) {
                if (first == filled) return false;
                begin = first;
                end = filled;
                m_pos = m_end;
                return true;
            }
            refill();
        }
    }

private:
    // Moves the unfinished line to the front (growing the buffer when it
    // fills it) and appends the next block of the file.
    void refill() {
        const std::size_t rest = m_end - m_pos;
        if (m_pos > 0) std::memmove(m_buffer.data(), m_buffer.data() + m_pos, rest);
        m_pos = 0;
        m_end = rest;
        if (m_end == m_buffer.size()) m_buffer.resize(2 * m_buffer.size());
        m_file.read(m_buffer.data() + m_end, static_cast<std::streamsize>(m_buffer.size() - m_end));
        const std::streamsize got = m_file.gcount();
        if (got > 0) m_end += static_cast<std::size_t>(got);
        if (!m_file) m_eof = true;
    }

    std::ifstream& m_file;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

// A line as read from a file, without the carriage return of a CRLF ending.
void dropCarriageReturn(const char* begin, const char*& end) {
    if (end > begin && end[-1] == '\r') --end;
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

// The flange pose of a tool end pose in the base frame: the orientation
// normalized, then q_flange = q * conj(q_tool) and p_flange = p - R(q_flange)
// t_tool. Works in the same order of operations as the general frame
// conversion (RobotUtilService::user2BaseCoordinate into the base frame), so
// its results are the same to the last bit, without that conversion's set-up
// per point.
class ToolRemoval {
public:
    explicit ToolRemoval(const ToolInEndDesc& tool)
        : m_offset{tool.toolInEndPosition.x, tool.toolInEndPosition.y, tool.toolInEndPosition.z},
          m_inverse{tool.toolInEndOrientation.w, -tool.toolInEndOrientation.x,
                    -tool.toolInEndOrientation.y, -tool.toolInEndOrientation.z} {}

    // False for an orientation of length zero.
    bool flangeOf(const Pos& position, const Ori& orientation, Pos& flangePosition,
                  Ori& flangeOrientation) const {
        const double n = norm(orientation);
        if (!(n > 0.0)) return false;
        const Ori a{orientation.w / n, orientation.x / n, orientation.y / n, orientation.z / n};
        const Ori& b = m_inverse;
        const Ori q{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                    a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                    a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                    a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
        const double m = norm(q);
        const double w = q.w / m, x = q.x / m, y = q.y / m, z = q.z / m;
        const double r[9] = {
            1 - 2 * y * y - 2 * z * z, 2 * x * y - 2 * z * w,     2 * x * z + 2 * y * w,
            2 * x * y + 2 * z * w,     1 - 2 * x * x - 2 * z * z, 2 * y * z - 2 * x * w,
            2 * x * z - 2 * y * w,     2 * y * z + 2 * x * w,     1 - 2 * x * x - 2 * y * y};
        const double* t = m_offset;
        flangePosition = {position.x - (r[0] * t[0] + r[1] * t[1] + r[2] * t[2]),
                          position.y - (r[3] * t[0] + r[4] * t[1] + r[5] * t[2]),
                          position.z - (r[6] * t[0] + r[7] * t[1] + r[8] * t[2])};
        flangeOrientation = q;
        return true;
    }

private:
    static double norm(const Ori& q) {
        return std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    }

    double m_offset[3];
    Ori m_inverse;
};

// Solves tool end poses one after another into flange waypoints, each
// starting from the joints of the point before (the first from the reference
// joints), so that consecutive solutions stay on one branch.
class FlangeTrackBuilder {
public:
    FlangeTrackBuilder(const double* referPointJointAngle, const ToolInEndDesc& tool,
                       std::vector<RobotMoveService::FlangeAndToolInfo>& out)
        : m_refer(referPointJointAngle), m_tool(tool), m_removal(tool), m_out(out) {
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
        Pos flangePosition;
        Ori flangeOrientation;
        const int ret =
            m_removal.flangeOf(position, orientation, flangePosition, flangeOrientation)
                ? RobotUtilService::robotIk(start, flangePosition, flangeOrientation, m_work)
                : ErrCode_UserToBaseConvertFailed;
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
    ToolRemoval m_removal;
    std::vector<RobotMoveService::FlangeAndToolInfo>& m_out;
    wayPoint_S m_work{};
};

// One line of a tool-pose file as a pose; the error code with its log line.
int toolPoseOfLine(const char* begin, const char* end, POSITION_ORIENTATION_TYPE poseType,
                   int lineIndex, Pos& position, Ori& orientation) {
    if (poseType == POSITION_M_AND_QUATERNION_COMMA_SPLIT) {
        if (positionAndQuaternionOf(begin, end, ',', position, orientation)) return ErrnoSucc;
        RobotLogPrint::trace(LL_ERROR, "StringToPositionAndQuaternion failed, lineIndex = %d",
                             lineIndex);
        return ErrCode_Failed;
    }
    Rpy rpy;
    if (!RobotMoveService::StringToPositionAndRpy(std::string(begin, end), ' ', position, rpy)) {
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
    return positionAndQuaternionOf(str.data(), str.data() + str.size(), splitSymbol, position,
                                   quaternion);
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
    LineReader lines(file);
    roadpointInfoVector.reserve(std::min(maxPoints, lines.estimatedLines()));
    const char* begin = nullptr;
    const char* end = nullptr;
    Pos position;
    Ori orientation;
    int lineIndex = 0;
    while (result == ErrnoSucc && roadpointInfoVector.size() < maxPoints &&
           lines.next(begin, end)) {
        ++lineIndex;
        if (target_check::isBlankOrComment(begin, end)) continue;
        dropCarriageReturn(begin, end);
        result = toolPoseOfLine(begin, end, poseType, lineIndex, position, orientation);
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
