// Customer tracks: tool-pose files parsed into waypoints, and the cached track.
#include <algorithm>
#include <vector>

#include "handle/rsrobotcontrol_context.h"

using namespace tevo_robot_namespace;
using rs_handle::forward;

int rs_parse_roadpoint_file_and_cache_result(RSHD rshd, const char* file_path,
                                             const double refer_joint_radian[6],
                                             ToolInEndDesc* tool, wayPoint_S* first_waypoint) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            return s.parseRoadPointFileAndCacheResult(file_path, refer_joint_radian, *tool,
                                                      *first_waypoint);
        },
        file_path, refer_joint_radian, tool, first_waypoint);
}

int rs_move_cached_track(RSHD rshd) {
    return forward(rshd, [](ServiceInterface& s) { return s.moveCacheTrack(); });
}

int rs_parse_file_as_roadpoint_collection(RSHD rshd, const char* file_path,
                                          POSITION_ORIENTATION_TYPE pose_type,
                                          const double refer_joint_radian[6],
                                          const ToolInEndDesc* tool, wayPoint_S* way_point,
                                          int waypoint_size, int* size_return) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            if (waypoint_size < 0) return int{RS_ERR_OUT_OF_RANGE};
            if (waypoint_size > 0 && way_point == nullptr) return rs_handle::nullArgument(rshd);
            // Only as many points as the caller's array holds are converted
            // (at least three, the shortest track the check accepts); the
            // rest of the file is not read.
            std::vector<wayPoint_S> parsed;
            const int result = s.parseFileAsRoadpointCollection(
                file_path, pose_type, refer_joint_radian, *tool, parsed,
                std::max<size_t>(static_cast<size_t>(waypoint_size), 3));
            if (result != ErrnoSucc) return result;
            const size_t count = std::min(parsed.size(), static_cast<size_t>(waypoint_size));
            std::copy(parsed.begin(), parsed.begin() + static_cast<std::ptrdiff_t>(count),
                      way_point);
            *size_return = static_cast<int>(count);
            return int{RS_SUCC};
        },
        file_path, refer_joint_radian, tool, size_return);
}
