// Batch forward and inverse kinematics: one handle lookup, then the facade's
// single-point solver for each point, so that a batch point equals the single
// call (rs_forward_kin, rs_inverse_kin) bit for bit. The solvers are local and
// lock-free; nothing is allocated per point.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "handle/rsrobotcontrol_context.h"

using namespace tevo_robot_namespace;
using rs_handle::Call;
using rs_handle::checkCount;
using rs_handle::forward;

namespace {

constexpr std::ptrdiff_t kJoints = ARM_DOF;  // doubles per joint row
constexpr std::ptrdiff_t kPose = 7;          // doubles per pose row: x y z w x y z
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A quaternion shorter than this has no direction to normalise to.
constexpr double kMinQuaternionNorm = 1e-9;

bool allFinite(const double* values, std::ptrdiff_t count) {
    return std::all_of(values, values + count, [](double v) { return std::isfinite(v); });
}

bool validPose(const double* pose) {
    if (!allFinite(pose, kPose)) return false;
    const double norm =
        std::sqrt(pose[3] * pose[3] + pose[4] * pose[4] + pose[5] * pose[5] + pose[6] * pose[6]);
    return norm >= kMinQuaternionNorm;
}

// The checks every batch call makes before touching a point: the count, then
// the arrays it needs (none when there are no points).
int checkBatch(const Call& call, int n, const double* in, const double* out) {
    const int range = checkCount(call, "n", n, 0, RS_KIN_MANY_MAX_POINTS);
    if (range != RS_SUCC) return range;
    if (n > 0 && (in == nullptr || out == nullptr)) return rs_handle::nullArgument(call.rshd);
    return RS_SUCC;
}

// Writes a point's code and folds it into the batch result (the first failure).
void recordPoint(int code, int index, int* codes, int& result) {
    if (codes != nullptr) codes[index] = code;
    if (code != ErrnoSucc && result == ErrnoSucc) result = code;
}

}  // namespace

int rs_forward_kin_many(RSHD rshd, const double* joints, int n, double* poses, int* codes) {
    const Call call(rshd);
    return forward(call, [&](ServiceInterface& s) {
        const int checked = checkBatch(call, n, joints, poses);
        if (checked != RS_SUCC) return checked;
        int result = ErrnoSucc;
        for (int i = 0; i < n; ++i) {
            const double* q = joints + i * kJoints;
            double* pose = poses + i * kPose;
            int code = ErrCode_ParamError;
            wayPoint_S point;
            if (allFinite(q, kJoints)) code = s.robotServiceRobotFk(q, ARM_DOF, point);
            if (code == ErrnoSucc) {
                const Pos& p = point.cartPos.position;
                const Ori& o = point.orientation;
                const double row[kPose] = {p.x, p.y, p.z, o.w, o.x, o.y, o.z};
                std::copy(row, row + kPose, pose);
            } else {
                std::fill(pose, pose + kPose, kNaN);
            }
            recordPoint(code, i, codes, result);
        }
        return result;
    });
}

int rs_inverse_kin_many(RSHD rshd, const double* reference, const double* poses, int n,
                        double* joints, int* codes, int chain) {
    const Call call(rshd);
    return forward(call, [&](ServiceInterface& s) {
        const int checked = checkBatch(call, n, poses, joints);
        if (checked != RS_SUCC) return checked;
        if (n == 0) return int{ErrnoSucc};
        if (reference == nullptr) return rs_handle::nullArgument(rshd);
        // Copied first: the reference may lie in the output array.
        double ref[ARM_DOF];
        std::copy(reference, reference + ARM_DOF, ref);
        int result = ErrnoSucc;
        for (int i = 0; i < n; ++i) {
            const double* in = poses + i * kPose;
            double* q = joints + i * kJoints;
            int code = ErrCode_ParamError;
            wayPoint_S point;
            if (validPose(in)) {
                const Pos position{in[0], in[1], in[2]};
                const Ori orientation{in[3], in[4], in[5], in[6]};
                code = s.robotServiceRobotIk(ref, position, orientation, point);
            }
            if (code == ErrnoSucc) {
                std::copy(point.jointpos, point.jointpos + ARM_DOF, q);
                if (chain != 0) std::copy(point.jointpos, point.jointpos + ARM_DOF, ref);
            } else {
                std::fill(q, q + kJoints, kNaN);
            }
            recordPoint(code, i, codes, result);
        }
        return result;
    });
}
