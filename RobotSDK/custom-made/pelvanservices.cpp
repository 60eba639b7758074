#include "RobotSDK/custom-made/pelvanservices.h"

#include <climits>
#include <cmath>
#include <cstddef>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/globalutil.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

// "V" and the project version, which the build passes in.
const std::string PelvanServices::s_version = "V" TEVO_SDK_VERSION;
std::mutex PelvanServices::s_progressMutex;
std::map<int, int> PelvanServices::s_waypointIndexInfoMapTable;
int PelvanServices::lastRealNum = 0;

namespace {

constexpr int kJointCount = 6;
constexpr int kRangeReadAttempts = 3;

// The log lines print angles in degrees with pi taken as 3.1415.
double toDeg(double rad) { return rad * 180.0 / 3.1415; }

// Low-pass filter of the smoothing step: cut-off 12 Hz at 200 Hz, damping 0.668.
constexpr double kFilterF0 = 12.0;
constexpr double kFilterFs = 200.0;
constexpr double kFilterLy = 0.668;

// Below this step (metres) a point is too close to the last kept one to give
// the path a direction.
constexpr double kSplitMinStep = 0.00001;
// Cosine of the angle between consecutive steps beyond which the path turns
// back (about 175°).
constexpr double kSplitTurnCos = -0.996195;

double norm3(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

}  // namespace

PelvanServices::PelvanServices(RobotControlServices* p)
    : m_robotBaseService(p),
      m_jointRangeMinLimit{},
      m_jointRangeMaxLimit{},
      m_maxDistDiffLimit(kMaxDistDiffLimitMm),
      m_maxjointAngleDiffLimit{} {
    safeLimitParamInit();
    m_wayPointVector.clear();
    m_splitStartIndex.clear();
    RobotLogPrint::trace(LL_INFO, "Tevo sdk verison: %s ", s_version.c_str());
}

// ---- limits ------------------------------------------------------------------------

int PelvanServices::safeLimitParamInit() {
    double minLimit[kJointCount] = {};
    double maxLimit[kJointCount] = {};
    // Without a connection (before login, after a refused one) nothing is
    // attempted: every read could only find no connection.
    const bool connected =
        m_robotBaseService != nullptr && m_robotBaseService->getCurrentConnectStatus();
    int ret = ErrCode_SocketDisconnect;
    for (int attempt = 0; connected && attempt < kRangeReadAttempts; ++attempt) {
        ret = getMovePJointRangeService(minLimit, maxLimit);
        // A time-out is not retried: the controller is not answering.
        if (ret == ErrnoSucc || ret == ErrCode_RequestTimeout) break;
    }
    if (ret == ErrnoSucc) {
        for (int i = 0; i < kJointCount; ++i) {
            m_jointRangeMinLimit[i] = minLimit[i];
            m_jointRangeMaxLimit[i] = maxLimit[i];
            RobotLogPrint::trace(LL_INFO, "MoveP joint range: %d [%.2f, %.2f]", i + 1,
                                 toDeg(minLimit[i]), toDeg(maxLimit[i]));
        }
    } else {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Get movep joint range failed.");
        for (int i = 0; i < kJointCount; ++i) {
            m_jointRangeMinLimit[i] = -kFallbackJointRange;
            m_jointRangeMaxLimit[i] = kFallbackJointRange;
        }
    }
    m_maxDistDiffLimit = kMaxDistDiffLimitMm;
    for (int i = 0; i < kJointCount - 1; ++i) m_maxjointAngleDiffLimit[i] = kJointStepLimit;
    m_maxjointAngleDiffLimit[kJointCount - 1] = kJoint6StepLimit;
    return ret;
}

int PelvanServices::getMovePJointRangeService(double* minJointLimit, double* maxJointLimit) {
    if (minJointLimit == nullptr || maxJointLimit == nullptr) return ErrCode_ParamError;
    // Without a control core there is no controller to ask.
    if (m_robotBaseService == nullptr) return ErrCode_SocketDisconnect;
    std::vector<double> values;
    const int ret = controller_request::queryDecoded(
        *m_robotBaseService, CommunicationMateType::CommunicationType_getMovePJointRangeLimitParam,
        controller_request::decoder(&ProtoEncodeDecode::resolveResponse_doubleTypeValueVector,
                                    values),
        "sdk log: Resolve getMovePJointRange response failed.", ErrCode_CreateRequestFailed);
    if (ret != ErrnoSucc) return ret;
    if (values.size() != 2 * static_cast<size_t>(kJointCount)) return ErrCode_ResolveResponseFailed;
    for (int i = 0; i < kJointCount; ++i) {
        minJointLimit[i] = values[static_cast<size_t>(i)];
        maxJointLimit[i] = values[static_cast<size_t>(i) + static_cast<size_t>(kJointCount)];
    }
    return ErrnoSucc;
}

int PelvanServices::setMovePJointRangeService(const double* minJointLimit,
                                              const double* maxJointLimit) {
    if (minJointLimit == nullptr || maxJointLimit == nullptr) return ErrCode_ParamError;
    if (m_robotBaseService == nullptr) return ErrCode_SocketDisconnect;
    std::vector<double> values(minJointLimit, minJointLimit + kJointCount);
    values.insert(values.end(), maxJointLimit, maxJointLimit + kJointCount);
    return controller_request::sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setMovePJointRangeLimitParam,
        values, "sdk log: Make setMovePJointRangeLimitParam protobuf content failed.");
}

// ---- checks ------------------------------------------------------------------------

bool PelvanServices::isMeetJointRangeLimit(const double* jointData) const {
    for (int i = 0; i < kJointCount; ++i) {
        if (jointData[i] < m_jointRangeMinLimit[i] || jointData[i] > m_jointRangeMaxLimit[i]) {
            RobotLogPrint::trace(
                LL_ERROR, "Joint angle not meet limit range. id[1-6][%.3f,%.3f]:%d  val:%.3f",
                toDeg(m_jointRangeMinLimit[i]), toDeg(m_jointRangeMaxLimit[i]), i + 1,
                toDeg(jointData[i]));
            return false;
        }
    }
    return true;
}

bool PelvanServices::isMeetJointAngleDiffLimit(const double* jointGroup1,
                                               const double* jointGroup2) const {
    for (int i = 0; i < kJointCount; ++i) {
        const double diff = std::fabs(jointGroup1[i] - jointGroup2[i]);
        if (diff > m_maxjointAngleDiffLimit[i]) {
            RobotLogPrint::trace(LL_ERROR, "JointAngleDiffLimit NG:[ID(1-6)]:%d %.2f, %.2f, %.2f",
                                 i + 1, toDeg(jointGroup1[i]), toDeg(jointGroup2[i]), toDeg(diff));
            return false;
        }
    }
    return true;
}

bool PelvanServices::isMeetDistDiffLimit(const Pos& position1, const Pos& position2) const {
    const double d = 1000.0 * norm3(position1.x - position2.x, position1.y - position2.y,
                                    position1.z - position2.z);
    if (m_maxDistDiffLimit > d) return true;
    RobotLogPrint::trace(LL_ERROR, "position1:%.3f %.3f %.3f  position2:%.3f %.3f %.3f  ",
                         position1.x, position1.y, position1.z, position2.x, position2.y,
                         position2.z);
    RobotLogPrint::trace(LL_ERROR, "Dist diff:%.3f", d);
    return false;
}

bool PelvanServices::isMeetLimit(
    const std::vector<FlangeAndToolInfo>& flangeAndToolInfoVector) const {
    const std::vector<FlangeAndToolInfo>& track = flangeAndToolInfoVector;
    for (size_t i = 0; i < track.size(); ++i) {
        const double* joint = track[i].flangeWayPoint.jointpos;
        if (!isMeetJointRangeLimit(joint)) {
            RobotLogPrint::trace(
                LL_ERROR,
                "Does not meet the joint range limit, index:%d joint:%.3f %.3f %.3f %.3f %.3f %.3f",
                static_cast<int>(i), toDeg(joint[0]), toDeg(joint[1]), toDeg(joint[2]),
                toDeg(joint[3]), toDeg(joint[4]), toDeg(joint[5]));
            return false;
        }
    }
    for (size_t i = 1; i < track.size(); ++i) {
        const int prev = static_cast<int>(i - 1);
        const int cur = static_cast<int>(i);
        if (!isMeetJointAngleDiffLimit(track[i - 1].flangeWayPoint.jointpos,
                                       track[i].flangeWayPoint.jointpos)) {
            RobotLogPrint::trace(LL_ERROR, "Does not meet the joint angle diff limit, index:%d %d",
                                 prev, cur);
            return false;
        }
        if (!isMeetDistDiffLimit(track[i - 1].endPosition, track[i].endPosition)) {
            RobotLogPrint::trace(LL_ERROR, "tool point cannot meet the dist limit, index:%d %d",
                                 prev, cur);
            return false;
        }
    }
    return true;
}

// ---- track processing ----------------------------------------------------------------

void PelvanServices::trackFilter(std::vector<FlangeAndToolInfo>& wayPointVector) {
    const int n = static_cast<int>(wayPointVector.size());
    if (n < 3) return;  // the filter passes the first two samples unchanged
    double coe[5] = {};
    commonUtil::iir_low_filter_Init(kFilterF0, kFilterFs, kFilterLy, coe);
    std::vector<double> in(static_cast<size_t>(n));
    std::vector<double> out(static_cast<size_t>(n));
    for (int joint = 0; joint < kJointCount; ++joint) {
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = wayPointVector[i].flangeWayPoint.jointpos[joint];
        commonUtil::iir_low_filter_run(in.data(), out.data(), coe, n);
        for (size_t i = 0; i < out.size(); ++i)
            wayPointVector[i].flangeWayPoint.jointpos[joint] = out[i];
    }
    for (FlangeAndToolInfo& point : wayPointVector) {
        double joints[kJointCount];
        for (int j = 0; j < kJointCount; ++j) joints[j] = point.flangeWayPoint.jointpos[j];
        RobotUtilService::robotFk(joints, kJointCount, point.flangeWayPoint);
    }
}

void PelvanServices::trackSplit(const std::vector<FlangeAndToolInfo>& wayPointVector,
                                std::vector<int>& split_start_index) {
    split_start_index.clear();
    split_start_index.push_back(0);
    const size_t n = wayPointVector.size();
    if (n == 0) return;  // an empty track has no last index to close with
    Pos last = wayPointVector[0].endPosition;
    int keptSinceSplit = 1;
    double u[3] = {0.0, 0.0, 0.0};
    double uLen = 0.0;
    for (size_t j = 1; j < n; ++j) {
        const Pos& p = wayPointVector[j].endPosition;
        const double v[3] = {p.x - last.x, p.y - last.y, p.z - last.z};
        const double vLen = norm3(v[0], v[1], v[2]);
        if (vLen <= kSplitMinStep) continue;
        if (keptSinceSplit > 1 &&
            (v[0] * u[0] + v[1] * u[1] + v[2] * u[2]) / (vLen * uLen) < kSplitTurnCos) {
            const int turn = static_cast<int>(j - 1);
            split_start_index.push_back(turn);
            RobotLogPrint::trace(LL_DEBUG, "movep split indx: %d", turn);
            keptSinceSplit = 1;
        }
        last = p;
        ++keptSinceSplit;
        for (int k = 0; k < 3; ++k) u[k] = v[k];
        uLen = vLen;
    }
    split_start_index.push_back(static_cast<int>(n - 1));
}

int PelvanServices::trackSmoothAndSafeCheck(std::vector<FlangeAndToolInfo>& wayPointVector,
                                            bool isSafeCheck, bool isSmoothFilter, bool isSplit,
                                            std::vector<int>& splitPointIndex) {
    int ret = ErrnoSucc;
    if (isSafeCheck && !isMeetLimit(wayPointVector)) {
        ret = ErrCode_Failed;
        RobotLogPrint::trace(LL_ERROR, "Trajectory before filtering does not meet the limit.");
    }
    if (ret == ErrnoSucc && isSmoothFilter) trackFilter(wayPointVector);
    if (ret == ErrnoSucc && isSafeCheck && !isMeetLimit(wayPointVector)) {
        ret = ErrCode_Failed;
        RobotLogPrint::trace(LL_ERROR, "Trajectory filted does not meet the limit.");
    }
    if (ret == ErrnoSucc && wayPointVector.size() <= 2) ret = ErrCode_MotionWaypointVetorSizeError;
    if (ret != ErrnoSucc) return ret;
    if (isSplit) {
        trackSplit(wayPointVector, splitPointIndex);
    } else {
        splitPointIndex = {0, static_cast<int>(wayPointVector.size()) - 1};
    }
    return ErrnoSucc;
}

// ---- tracks from tool poses --------------------------------------------------------------

int PelvanServices::makeTrackByFileAndSmoothHandle(const char* filePath,
                                                   POSITION_ORIENTATION_TYPE poseType,
                                                   const double* referPointJointAngle,
                                                   const ToolInEndDesc& toolInEndDesc,
                                                   std::vector<FlangeAndToolInfo>& wayPointVector,
                                                   std::size_t maxPoints) {
    wayPointVector.clear();
    if (RobotMoveService::parseFileAsRoadpointSet(filePath, poseType, referPointJointAngle,
                                                  toolInEndDesc, wayPointVector,
                                                  maxPoints) != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR,
                             "Parse the track file as a collection waypoints failed, filePath:%s",
                             filePath != nullptr ? filePath : "");
    }
    std::vector<int> splitIndex;
    return trackSmoothAndSafeCheck(wayPointVector, true, true, false, splitIndex);
}

int PelvanServices::makeTrackByFileAndSmoothSplitHandle(const char* filePath,
                                                        POSITION_ORIENTATION_TYPE poseType,
                                                        const double* referPointJointAngle,
                                                        ToolInEndDesc& toolInEndDesc,
                                                        wayPoint_S& firstWayPoint) {
    m_wayPointVector.clear();
    m_splitStartIndex.clear();
    if (RobotMoveService::parseFileAsRoadpointSet(filePath, poseType, referPointJointAngle,
                                                  toolInEndDesc, m_wayPointVector) != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR,
                             "Parse the track file as a collection waypoints failed, filePath:%s",
                             filePath != nullptr ? filePath : "");
    }
    const int ret = trackSmoothAndSafeCheck(m_wayPointVector, true, true, true, m_splitStartIndex);
    if (ret != ErrnoSucc) {
        m_wayPointVector.clear();
        m_splitStartIndex.clear();
        return ret;
    }
    firstWayPoint = m_wayPointVector.front().flangeWayPoint;
    return ErrnoSucc;
}

int PelvanServices::makeTrackByPoseList(const double* referPointJointAngle,
                                        const ToolInEndDesc& toolInEndDesc,
                                        const std::vector<PositionAndQuaternion>& toolEndPoseVector,
                                        std::vector<wayPoint_S>& wayPointVector) {
    wayPointVector.clear();
    std::vector<FlangeAndToolInfo> track;
    if (RobotMoveService::parsePoseListToRoadpointSet(toolEndPoseVector, referPointJointAngle,
                                                      toolInEndDesc, track) != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR, "Convert pose list to waypoint vector failed.");
    }
    std::vector<int> splitIndex;
    const int ret = trackSmoothAndSafeCheck(track, true, true, false, splitIndex);
    if (ret != ErrnoSucc) return ret;
    for (const FlangeAndToolInfo& point : track) wayPointVector.push_back(point.flangeWayPoint);
    return ErrnoSucc;
}

// ---- progress numbers ------------------------------------------------------------------

void PelvanServices::clearWaypointIndexMap() {
    std::lock_guard<std::mutex> lock(s_progressMutex);
    s_waypointIndexInfoMapTable.clear();
}

void PelvanServices::mapWaypointIndex(int waypointNumber, int trackIndex) {
    std::lock_guard<std::mutex> lock(s_progressMutex);
    s_waypointIndexInfoMapTable[waypointNumber] = trackIndex;
}

int PelvanServices::translateMovepProgress(int num) {
    std::lock_guard<std::mutex> lock(s_progressMutex);
    // Step numbers near INT_MAX have no entry (and must not overflow).
    const auto found = num > INT_MAX - 2 ? s_waypointIndexInfoMapTable.end()
                                         : s_waypointIndexInfoMapTable.find(num + 2);
    if (found != s_waypointIndexInfoMapTable.end()) lastRealNum = found->second;
    return lastRealNum;
}
