// The facade's customer-track operations: building tracks from tool poses
// through the customer track service, and playing its cached track piece by
// piece as blended multi-point moves.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "RobotSDK/custom-made/pelvanservices.h"
#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

// Blend radius of a customer track's moves (metres): just enough to pass
// through the densely spaced points without stopping at each.
constexpr float kCustomTrackBlendRadius = 0.0003f;
// A piece must span more than this many points to be played.
constexpr int kShortestPlayedPiece = 3;

// Marks an object as playing a customer track for the lifetime of a scope,
// so its progress notifications are translated to track indices.
class PlayingScope {
public:
    explicit PlayingScope(std::atomic<bool>& flag) : flag_(flag) {
        flag_.store(true, std::memory_order_release);
    }
    ~PlayingScope() { flag_.store(false, std::memory_order_release); }
    PlayingScope(const PlayingScope&) = delete;
    PlayingScope& operator=(const PlayingScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

}  // namespace

int ServiceInterface::parseFileAsRoadpointCollection(const char* filePath,
                                                     POSITION_ORIENTATION_TYPE poseType,
                                                     const double* referPointJointAngle,
                                                     const ToolInEndDesc& toolInEndDesc,
                                                     std::vector<wayPoint_S>& wayPointVector) {
    return parseFileAsRoadpointCollection(filePath, poseType, referPointJointAngle, toolInEndDesc,
                                          wayPointVector, SIZE_MAX);
}

int ServiceInterface::parseFileAsRoadpointCollection(const char* filePath,
                                                     POSITION_ORIENTATION_TYPE poseType,
                                                     const double* referPointJointAngle,
                                                     const ToolInEndDesc& toolInEndDesc,
                                                     std::vector<wayPoint_S>& wayPointVector,
                                                     std::size_t maxPoints) {
    wayPointVector.clear();
    std::vector<PelvanServices::FlangeAndToolInfo> track;
    const int ret = m_pelvanServiceHandle->makeTrackByFileAndSmoothHandle(
        filePath, poseType, referPointJointAngle, toolInEndDesc, track, maxPoints);
    if (ret != ErrnoSucc) return ret;
    wayPointVector.reserve(track.size());
    for (const PelvanServices::FlangeAndToolInfo& point : track) {
        wayPointVector.push_back(point.flangeWayPoint);
    }
    return ErrnoSucc;
}

int ServiceInterface::parsePoseListeAsRoadpointCollection(
    const double* referPointJointAngle, const ToolInEndDesc& toolInEndDesc,
    const std::vector<PositionAndQuaternion>& toolEndPoseVector,
    std::vector<wayPoint_S>& wayPointVector) {
    return m_pelvanServiceHandle->makeTrackByPoseList(referPointJointAngle, toolInEndDesc,
                                                      toolEndPoseVector, wayPointVector);
}

int ServiceInterface::parseRoadPointFileAndCacheResult(const char* filePath,
                                                       const double* referPointJointAngle,
                                                       ToolInEndDesc& toolInEndDesc,
                                                       wayPoint_S& firstWayPoint) {
    return m_pelvanServiceHandle->makeTrackByFileAndSmoothSplitHandle(
        filePath, POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT, referPointJointAngle, toolInEndDesc,
        firstWayPoint);
}

int ServiceInterface::pelvanRoadPointHandle(const char* filePath,
                                            const double* referPointJointAngle,
                                            ToolInEndDesc& toolInEndDesc,
                                            wayPoint_S& firstWayPoint) {
    return parseRoadPointFileAndCacheResult(filePath, referPointJointAngle, toolInEndDesc,
                                            firstWayPoint);
}

int ServiceInterface::moveCacheTrack() { return movePelvanTrack(); }

int ServiceInterface::movePelvanTrack() {
    const std::vector<PelvanServices::FlangeAndToolInfo>& track =
        m_pelvanServiceHandle->getFlangeAndToolInfoVector();
    const std::vector<int>& split = m_pelvanServiceHandle->getSplitIndexVector();
    const PlayingScope playing(m_customTrackPlaying);

    int ret = ErrnoSucc;
    for (size_t i = 1; i < split.size() && ret == ErrnoSucc; ++i) {
        const int from = split[i - 1];
        const int to = split[i];
        if (to <= 0 || to - from <= kShortestPlayedPiece) continue;
        if (from < 0 || static_cast<size_t>(to) >= track.size()) break;  // not our cache's split
        RobotLogPrint::trace(LL_INFO, "waypoint range:%d  %d", from, to);

        // The map is filled before the piece's move starts, so the receive
        // thread never translates against a half-built map.
        PelvanServices::clearWaypointIndexMap();
        robotServiceClearGlobalWayPointVector();
        for (int j = from; j <= to; ++j) {
            ret = robotServiceAddGlobalWayPoint(
                track[static_cast<size_t>(j)].flangeWayPoint.jointpos);
            if (ret != ErrnoSucc) {
                robotServiceClearGlobalWayPointVector();
                break;
            }
            // The number the controller will give this point: the list's
            // length, which a merged straight-line middle point does not grow.
            PelvanServices::mapWaypointIndex(static_cast<int>(m_robotMoveService->wayPointCount()),
                                             j);
        }

        robotServiceSetGlobalBlendRadius(kCustomTrackBlendRadius);
        ret = robotServiceTrackMove(CARTESIAN_MOVEP, true);
        if (ret != ErrnoSucc) {
            RobotLogPrint::trace(LL_ERROR, "轨迹运动失败 ret=%d", ret);
            return ret;
        }
        // Radius 0 is refused by the range check, so the track's radius stays
        // set after the playback.
        robotServiceSetGlobalBlendRadius(0.0f);
    }
    robotServiceSetGlobalBlendRadius(0.0f);
    robotServiceClearGlobalWayPointVector();
    return ret;
}
