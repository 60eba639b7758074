#ifndef PELVANSERVICES_H
#define PELVANSERVICES_H

// Customer track service: turns a path of tool poses into a joint-space
// track, checks it against joint-range, joint-step and tool-step limits,
// smooths it with a low-pass filter, splits it where the tool path turns
// back, and caches the result for playback.
//
// Threads
//   - The application thread that owns the facade: every member except the
//     progress-number helpers. The limits and the cache belong to this object
//     and are not locked: one caller at a time, like the facade itself.
//   - The receive thread of the control core: translateMovepProgress, while a
//     playback blocks on the application thread. The index map and the last
//     reported index are process-wide and guarded by s_progressMutex (a leaf:
//     held only while the map or the number is read or written, never across
//     a request or a callback).

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/service/robotmoveservice.h"
#include "TevoRobotMetaType.h"

class RobotControlServices;

class PelvanServices {
public:
    using FlangeAndToolInfo = RobotMoveService::FlangeAndToolInfo;

    // Reads the joint ranges from the controller behind p (or falls back, see
    // safeLimitParamInit) and starts with an empty cache. p may be null: then
    // the fallback ranges are used.
    explicit PelvanServices(RobotControlServices* p);

    // ---- limits ------------------------------------------------------------
    // Up to three reads of the joint ranges; on success they are taken, after
    // three failures every joint gets [-174°, 174°]. The step limits are set
    // either way. Returns the result of the last read.
    int safeLimitParamInit();
    // The controller's joint ranges (six minima, six maxima, radians); the
    // stored ranges change only through safeLimitParamInit.
    int getMovePJointRangeService(double* minJointLimit, double* maxJointLimit);
    int setMovePJointRangeService(const double* minJointLimit, const double* maxJointLimit);

    // ---- checks (true when the limit is met; failures are logged) ----------
    bool isMeetJointRangeLimit(const double* jointData) const;
    bool isMeetJointAngleDiffLimit(const double* jointGroup1, const double* jointGroup2) const;
    bool isMeetDistDiffLimit(const tevo_robot_namespace::Pos& position1,
                             const tevo_robot_namespace::Pos& position2) const;
    // Joint ranges of every point, then the joint and tool steps of every
    // consecutive pair; a track of zero or one point passes.
    bool isMeetLimit(const std::vector<FlangeAndToolInfo>& flangeAndToolInfoVector) const;

    // ---- track processing ----------------------------------------------------
    // Low-pass filters each joint's angles along the track and recomputes the
    // flange poses from the new angles; the tool end poses stay as read.
    static void trackFilter(std::vector<FlangeAndToolInfo>& wayPointVector);
    // The indices where the tool path turns back by more than about 175°,
    // framed by 0 and the last index.
    static void trackSplit(const std::vector<FlangeAndToolInfo>& wayPointVector,
                           std::vector<int>& split_start_index);
    // Check, smooth, check again, require more than two points, then split
    // (or [0, n - 1] without splitting).
    int trackSmoothAndSafeCheck(std::vector<FlangeAndToolInfo>& wayPointVector, bool isSafeCheck,
                                bool isSmoothFilter, bool isSplit,
                                std::vector<int>& splitPointIndex);

    // ---- tracks from tool poses (local, no controller) ------------------------
    // Parses a tool-pose file (poseType 1 or 10) solved from
    // referPointJointAngle, then checks and smooths it without splitting. A
    // file that cannot be parsed ends as ErrCode_MotionWaypointVetorSizeError.
    // Only the first maxPoints points are read (the rest of the file is not).
    int makeTrackByFileAndSmoothHandle(const char* filePath,
                                       tevo_robot_namespace::POSITION_ORIENTATION_TYPE poseType,
                                       const double* referPointJointAngle,
                                       const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                       std::vector<FlangeAndToolInfo>& wayPointVector,
                                       std::size_t maxPoints = SIZE_MAX);
    // The same with splitting, into the cache; on success firstWayPoint is the
    // first point's flange waypoint, on failure the cache is left empty.
    int makeTrackByFileAndSmoothSplitHandle(
        const char* filePath, tevo_robot_namespace::POSITION_ORIENTATION_TYPE poseType,
        const double* referPointJointAngle, tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::wayPoint_S& firstWayPoint);
    // A pose list checked and smoothed like a file; on success wayPointVector
    // holds the flange waypoints.
    int makeTrackByPoseList(
        const double* referPointJointAngle,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        const std::vector<tevo_robot_namespace::PositionAndQuaternion>& toolEndPoseVector,
        std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);

    // ---- the cache -------------------------------------------------------------
    std::vector<FlangeAndToolInfo>& getFlangeAndToolInfoVector() { return m_wayPointVector; }
    std::vector<int>& getSplitIndexVector() { return m_splitStartIndex; }

    // ---- progress numbers of the piece being played ------------------------------
    // The playback fills the map between pieces; the receive thread translates.
    static void clearWaypointIndexMap();
    // Maps the 1-based number of a waypoint handed to the controller to its
    // index in the cached track.
    static void mapWaypointIndex(int waypointNumber, int trackIndex);
    // Looks up num + 2; when found that index becomes the last reported one.
    // Returns the last reported index (0 before any).
    static int translateMovepProgress(int num);

    static const std::string s_version;

    // The step limits and the fallback range, computed with pi taken as 3.1415.
    static constexpr double kMaxDistDiffLimitMm = 12.0;
    static constexpr double kJointStepLimit = 0.13962222222222223;     // 8°, joints 1 to 5
    static constexpr double kJoint6StepLimit = 0.34905555555555556;    // 20°
    static constexpr double kFallbackJointRange = 3.0367833333333336;  // 174°

private:
    RobotControlServices* m_robotBaseService;
    double m_jointRangeMinLimit[6];
    double m_jointRangeMaxLimit[6];
    double m_maxDistDiffLimit;
    double m_maxjointAngleDiffLimit[6];
    std::vector<int> m_splitStartIndex;
    std::vector<FlangeAndToolInfo> m_wayPointVector;

    static std::mutex s_progressMutex;
    static std::map<int, int> s_waypointIndexInfoMapTable;  // under s_progressMutex
    static int lastRealNum;                                 // under s_progressMutex
};

#endif  // PELVANSERVICES_H
