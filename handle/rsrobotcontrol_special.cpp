// The functions that check ranges or convert between plain arrays and the
// facade's records and vectors.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "handle/rsrobotcontrol_context.h"

using namespace tevo_robot_namespace;
using rs_handle::Call;
using rs_handle::checkCount;
using rs_handle::failed;
using rs_handle::forward;

namespace {

constexpr double kMaxBlendRadius = 0.05;  // m
constexpr int kMinLoopTimes = 1;
constexpr int kMaxLoopTimes = 1000;
constexpr int kMaxOfflineWaypoints = 3000;
// Joint sets per streaming call: as many as the facade sends in one request.
constexpr int kMaxStreamedWaypoints = 5000;
// Capacity of an out-array that receives at most what the controller or the
// catalogue has (results, I/O points): anything larger is not a real array.
constexpr int kMaxOutCapacity = 1 << 20;

// The waypoints of count joint sets (jointsAt(i): six angles) by forward
// kinematics, or the first failure.
template <typename JointsAt>
int waypointsOf(ServiceInterface& s, int count, JointsAt jointsAt,
                std::vector<wayPoint_S>& waypoints) {
    waypoints.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int result = s.robotServiceRobotFk(jointsAt(i), ARM_DOF, waypoints[i]);
        if (result != ErrnoSucc) return result;
    }
    return ErrnoSucc;
}

}  // namespace

int rs_set_blend_radius(RSHD rshd, double radius) {
    return forward(rshd, [&](ServiceInterface& s) {
        // Written so that NaN fails the check too.
        if (!(radius > 0.0 && radius <= kMaxBlendRadius)) return int{RS_ERR_OUT_OF_RANGE};
        return s.robotServiceSetGlobalBlendRadius(static_cast<float>(radius));
    });
}

int rs_set_circular_loop_times(RSHD rshd, int times) {
    return forward(rshd, [&](ServiceInterface& s) {
        if (times < kMinLoopTimes || times > kMaxLoopTimes) return int{RS_ERR_OUT_OF_RANGE};
        s.robotServiceSetGlobalCircularLoopTimes(times);
        return int{RS_SUCC};
    });
}

int rs_set_robot_joint_motion_range(RSHD rshd, const RangeOfMotion joint_range[6], bool enable) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            JointRangeOfMotion range{};
            range.enable = enable;
            std::copy(joint_range, joint_range + ARM_DOF, range.rangeValues);
            return s.robotServiceSetJointRangeOfMotion(range);
        },
        joint_range);
}

int rs_append_offline_track_waypoint(RSHD rshd, const JointParam* waypoints, int waypoint_count) {
    const Call call(rshd);
    return forward(call, [&](ServiceInterface& s) {
        const int range =
            checkCount(call, "waypoint_count", waypoint_count, 0, kMaxOfflineWaypoints);
        if (range != RS_SUCC) return range;
        if (waypoint_count > 0 && waypoints == nullptr) return rs_handle::nullArgument(rshd);
        std::vector<wayPoint_S> track;
        const int result = waypointsOf(
            s, waypoint_count, [&](int i) { return waypoints[i].jointPos; }, track);
        if (result != ErrnoSucc) return result;
        return s.robotServiceOfflineTrackWaypointAppend(track);
    });
}

int rs_set_waypoints_to_canbus(RSHD rshd, const double* joint_radian, int waypint_count) {
    const Call call(rshd);
    return forward(call, [&](ServiceInterface& s) {
        const int range =
            checkCount(call, "waypint_count", waypint_count, 1, kMaxStreamedWaypoints);
        if (range != RS_SUCC) return range;
        if (joint_radian == nullptr) return rs_handle::nullArgument(rshd);
        std::vector<wayPoint_S> waypoints;
        const auto jointsOf = [&](int i) { return joint_radian + std::ptrdiff_t{i} * ARM_DOF; };
        const int result = waypointsOf(s, waypint_count, jointsOf, waypoints);
        if (result != ErrnoSucc) return result;
        return s.robotServiceSetRobotPosData2Canbus(waypoints);
    });
}

int rs_servo_start(RSHD rshd, double period_s, double max_joint_speed) {
    return forward(rshd, [&](ServiceInterface& s) {
        ServoStreamOptions options;  // 0 keeps a setting's default
        if (period_s != 0.0) options.periodSec = period_s;
        if (max_joint_speed != 0.0) options.maxJointSpeed = max_joint_speed;
        return s.robotServiceServoStart(options);
    });
}

int rs_inverse_kin_closed_form(RSHD rshd, const Pos* pos, const Ori* ori, ik_solutions* solutions) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            std::vector<wayPoint_S> all;
            const int result = s.robotServiceRobotIk(*pos, *ori, all);
            if (result != ErrnoSucc) return result;
            // The record holds eight solutions, as many as the arm has.
            const size_t count = std::min(all.size(), std::size(solutions->waypoint));
            std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count),
                      solutions->waypoint);
            solutions->solution_count = static_cast<int>(count);
            return int{RS_SUCC};
        },
        pos, ori, solutions);
}

bool rs_get_dynidentify_results(RSHD rshd, int* results, int capacity, int* size_return) {
    const Call call(rshd);
    return failed(call, [&](ServiceInterface& s) {
        if (checkCount(call, "capacity", capacity, 0, kMaxOutCapacity) != RS_SUCC) return true;
        if ((capacity > 0 && results == nullptr) || size_return == nullptr) return true;
        std::vector<int> all;
        if (s.getDynIdentifyResultsService(all) != ErrnoSucc) return true;
        const size_t count = std::min(all.size(), static_cast<size_t>(capacity));
        std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count), results);
        *size_return = static_cast<int>(count);
        return false;
    });
}

bool rs_enter_reduce_mode(RSHD rshd) {
    return failed(rshd, [](ServiceInterface& s) { return s.robotServiceEnterRobotReduceMode(); });
}

bool rs_exit_reduce_mode(RSHD rshd) {
    return failed(rshd, [](ServiceInterface& s) { return s.robotServiceExitRobotReduceMode(); });
}

bool rs_project_startup(RSHD rshd) {
    return failed(rshd, [](ServiceInterface& s) { return s.robotServiceSetRobotOrpeStop(0) != 0; });
}

bool rs_project_stop(RSHD rshd) {
    return failed(rshd, [](ServiceInterface& s) { return s.robotServiceSetRobotOrpeStop(1) != 0; });
}

int rs_get_robot_end_speed(RSHD rshd, float* endspeed) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            RobotDiagnosis diagnosis{};
            const int result = s.robotServiceGetRobotDiagnosisInfo(diagnosis);
            if (result == ErrnoSucc) *endspeed = diagnosis.robotEndSpeed;
            return result;
        },
        endspeed);
}

int rs_get_board_io_config(RSHD rshd, RobotIoType type, RobotIoDesc* configs, int capacity,
                           int* size_return) {
    const Call call(rshd);
    return forward(
        call,
        [&](ServiceInterface& s) {
            const int range = checkCount(call, "capacity", capacity, 0, kMaxOutCapacity);
            if (range != RS_SUCC) return range;
            if (capacity > 0 && configs == nullptr) return rs_handle::nullArgument(rshd);
            std::vector<RobotIoDesc> all;
            const int result = s.robotServiceGetBoardIOConfig({type}, all);
            if (result != ErrnoSucc) return result;
            const size_t count = std::min(all.size(), static_cast<size_t>(capacity));
            std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count), configs);
            *size_return = static_cast<int>(count);
            return int{RS_SUCC};
        },
        size_return);
}

int rs_get_joint_status(RSHD rshd, JointStatus* status, int size) {
    const Call call(rshd);
    return forward(
        call,
        [&](ServiceInterface& s) {
            // The arm has six joints; the controller reports no more.
            const int range = checkCount(call, "size", size, 1, ARM_DOF);
            if (range != RS_SUCC) return range;
            return s.robotServiceGetRobotJointStatus(status, size);
        },
        status);
}
