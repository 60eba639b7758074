#include "RobotSDK/util/ikfunc.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "RobotSDK/util/trace/robotlogprint.h"

std::atomic<bool> Ikfunc::joint6Rot360{false};
std::atomic<bool> Ikfunc::joint1Rot360{false};

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
// The determinant threshold of the tool calibration's normal equations.
constexpr double checkThr = 0.01;

// Row-major 3x3 helpers.
void rotate(const double* R, const double* v, double* out) {
    const double x = R[0] * v[0] + R[1] * v[1] + R[2] * v[2];
    const double y = R[3] * v[0] + R[4] * v[1] + R[5] * v[2];
    const double z = R[6] * v[0] + R[7] * v[1] + R[8] * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void rotateTransposed(const double* R, const double* v, double* out) {
    const double x = R[0] * v[0] + R[3] * v[1] + R[6] * v[2];
    const double y = R[1] * v[0] + R[4] * v[1] + R[7] * v[2];
    const double z = R[2] * v[0] + R[5] * v[1] + R[8] * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// out = op(A) * B with op(A) = A or its transpose; out may alias B.
void mul3(const double* A, const double* B, double* out, bool transposeA) {
    double t[9];
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            double s = 0.0;
            for (std::size_t k = 0; k < 3; ++k) {
                const double a = transposeA ? A[3 * k + i] : A[3 * i + k];
                s += a * B[3 * k + j];
            }
            t[3 * i + j] = s;
        }
    }
    std::memcpy(out, t, sizeof(t));
}

Ori hamilton(const Ori& a, const Ori& b) {
    return Ori{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
               a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
               a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
               a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Ori conjugate(const Ori& q) { return Ori{q.w, -q.x, -q.y, -q.z}; }

// The user frame of three poses; false when it cannot be calibrated.
struct UserFrame {
    double M[9];
    double bInWPos[3];
    double wInBPos[3];
};

bool calibrate(Pose_S* poses, char methods, UserFrame& frame) {
    return poses != nullptr &&
           Ikfunc::userCoordinateCalib(poses, methods, frame.bInWPos, frame.M, frame.wInBPos);
}

bool methodInRange(char methods) { return methods >= 0 && methods <= 8; }

// Removes the tool (position t, orientation qt) from a tool-end pose in place:
// q := q * conj(qt), p := p - R(q) t.
void removeTool(Pose_S& pose, const double* t, const Ori* qt) {
    if (t == nullptr || qt == nullptr) {
        return;
    }
    Ikfunc::toolOrientation2EndOrientation(*qt, pose.oriU.orientation, pose.oriU.orientation);
    cartesianPos_U flange;
    Ikfunc::toolPosition2EndPosition(pose, flange, const_cast<double*>(t));
    pose.posU = flange;
}

// (M p + o, quat(M R)) or, transposed, (M^T p + o, quat(M^T R)).
void mapPose(const double* M, bool transposed, const double* origin, Pose_S& pose) {
    double R[9];
    Ikfunc::QuaternionToOriMatrix(pose.oriU.orientation, R);
    double p[3];
    if (transposed) {
        rotateTransposed(M, pose.posU.positionVector, p);
    } else {
        rotate(M, pose.posU.positionVector, p);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        pose.posU.positionVector[i] = p[i] + origin[i];
    }
    mul3(M, R, R, transposed);
    Ikfunc::OriMatrixToQuaternion(R, pose.oriU.orientation);
}

}  // namespace

// ------------------------------------------------------------------ model

bool Ikfunc::SetDhParaLen(tevo_robot_type robotType) {
    const bool known = robotType >= tevo_model_0 && robotType < tevo_robot_type_num;
    const tevo_robot_type type = known ? robotType : tevo_model_0;
    const KinematicsModelDefaults& m = kKinematicsModelDefaults[type];
    setDhParaLen(type, m.A3, m.A4, m.D1, m.D2, m.D5, m.D6, m.D4);
    return known;
}

void Ikfunc::setDhParameters(tevo_robot_type robotType, double A3, double A4, double D1, double D2,
                             double D5, double D6) {
    SetDhParaLen(robotType);
    double a3, a4, d1, d2, d5, d6;
    getDhPara(a3, a4, d1, d2, d5, d6, nullptr);
    float a[6] = {0, 0, static_cast<float>(A3 - a3), static_cast<float>(A4 - a4), 0, 0};
    float d[6] = {static_cast<float>(D1 - d1), static_cast<float>(D2 - d2), 0, 0,
                  static_cast<float>(D5 - d5), static_cast<float>(D6 - d6)};
    modifyDhParaLen(a, d);
}

int Ikfunc::SIGN(double x) { return x >= 0.0 ? 1 : -1; }

double Ikfunc::NORM(double a, double b, double c, double d) {
    return std::sqrt(a * a + b * b + c * c + d * d);
}

// ------------------------------------------------- forward and inverse kinematics

int Ikfunc::ArmFk(Pos& arm_pos, Ori& arm_ori, double* joint_solve) {
    double q[6];
    for (int j = 0; j < 6; ++j) {
        q[j] = -joint_solve[j];
    }
    double position[3];
    double rotation[9];
    ComputeFkLib(q, position, rotation);
    arm_pos = Pos{position[0], position[1], position[2]};
    OriMatrixToQuaternion(rotation, arm_ori);
    return 1;
}

int Ikfunc::ArmFk(Pos& arm_pos, Ori& arm_ori, const double* joint_solve, const DhLengths& model) {
    double q[6];
    for (int j = 0; j < 6; ++j) {
        q[j] = -joint_solve[j];
    }
    // The rotation does not depend on the lengths; the core's position (from
    // the process-wide model) is replaced by the one of this model.
    double position[3];
    double rotation[9];
    ComputeFkLib(q, position, rotation);
    const double s1 = std::sin(q[0]), c1 = std::cos(q[0]);
    const double reach = model.A3 * std::sin(q[1]) + model.A4 * std::sin(q[1] - q[2]) +
                         model.D5 * std::sin(q[1] - q[2] + q[3]);
    position[0] = c1 * reach - s1 * model.D2 + model.D6 * rotation[2];
    position[1] = -s1 * reach - c1 * model.D2 + model.D6 * rotation[5];
    position[2] = model.D1 + model.A3 * std::cos(q[1]) + model.A4 * std::cos(q[1] - q[2]) +
                  model.D5 * std::cos(q[1] - q[2] + q[3]) + model.D6 * rotation[8];
    arm_pos = Pos{position[0], position[1], position[2]};
    OriMatrixToQuaternion(rotation, arm_ori);
    return 1;
}

namespace {

// Every joint strictly inside the limit; written so that a non-number fails.
bool withinJointLimits(const double* q) {
    bool inside = true;
    for (int j = 0; j < 6; ++j) {
        inside = inside && std::fabs(q[j]) < Ikfunc::kJointLimit;
    }
    return inside;
}

// The flange of the core angles q lies within the position tolerance of target.
bool reachesTarget(const double* q, const double* target) {
    double p[3];
    computeFlangePosition(q, p);
    const double dx = p[0] - target[0], dy = p[1] - target[1], dz = p[2] - target[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz) <= Ikfunc::kIkPositionTolerance;
}

void column(const double (*table)[KINEMATICS_MAX_SOLUTIONS], int k, double* q) {
    for (int j = 0; j < 6; ++j) {
        q[j] = table[j][k];
    }
}

// The core's solutions of the waypoint's pose, from its negated angles.
int coreSolutions(const wayPoint_S& wp, double (*table)[KINEMATICS_MAX_SOLUTIONS]) {
    double reference[6];
    for (int j = 0; j < 6; ++j) {
        reference[j] = -wp.jointpos[j];
    }
    double R06[9];
    double position[3];
    Ikfunc::posOri2homoArr(wp.cartPos, wp.orientation, R06, position);
    return ComputeIkLib(reference, R06, position, table);
}

// Keeps the core solutions within the limits that reach the target, negated
// into public angles. A rejected solution is replaced by the last one, which
// is examined next.
int keepVerified(const double* target, double (*table)[KINEMATICS_MAX_SOLUTIONS], int n) {
    int i = 0;
    while (i < n) {
        double core[6];
        column(table, i, core);
        if (withinJointLimits(core) && reachesTarget(core, target)) {
            for (int j = 0; j < 6; ++j) {
                table[j][i] = -core[j];
            }
            ++i;
        } else {
            --n;
            for (int j = 0; j < 6; ++j) {
                table[j][i] = table[j][n];
            }
        }
    }
    return n;
}

// One joint's part of a route; with `turn` the joint first moves by a full
// turn towards the reference when that shortens it (q is changed in place).
inline double jointRoute(double& q, double ref, bool turn) {
    double diff = q - ref;
    if (turn) {
        if (diff < -kPi && q < 0.0) {
            q += kTwoPi;
            diff += kTwoPi;
        } else if (diff > kPi && q > 0.0) {
            q -= kTwoPi;
            diff -= kTwoPi;
        }
    }
    return std::fabs(diff);
}

// Distance in joint space from ref to the public angles q, summed over the
// joints in order. The full-turn flags apply to joints 1 and 6.
inline double routeTo(double* q, const double* ref, bool turn1, bool turn6) {
    double route = jointRoute(q[0], ref[0], turn1);
    for (int j = 1; j < 5; ++j) {
        route += std::fabs(q[j] - ref[j]);
    }
    return route + jointRoute(q[5], ref[5], turn6);
}

// Routes at or beyond this never win (nor does a non-number).
constexpr double kNoRoute = 10000.0;

// The index of the shortest route below kNoRoute (-1 when none) and whether
// another one is as short.
struct Nearest {
    int index;
    bool tie;
};

Nearest nearestOf(const double* route, int n) {
    Nearest best{-1, false};
    for (int k = 0; k < n; ++k) {
        if (!(route[k] < kNoRoute)) {
            continue;
        }
        if (best.index < 0 || route[k] < route[best.index]) {
            best = Nearest{k, false};
        } else if (route[k] == route[best.index]) {
            best.tie = true;
        }
    }
    return best;
}

}  // namespace

int Ikfunc::ComputeIk_new(const wayPoint_S& cur_stat,
                          double (*jointResults)[KINEMATICS_MAX_SOLUTIONS]) {
    const int n = coreSolutions(cur_stat, jointResults);
    return keepVerified(cur_stat.cartPos.positionVector, jointResults, n);
}

// Chooses the solution of ComputeIk_new with the shortest route, ties going to
// the earlier one in its table. Only the candidates that could win are checked
// against the target: in order of route, until one reaches it. Two candidates
// with the same shortest route (their order in ComputeIk_new's table depends
// on every rejection) are decided on the fully verified table instead.
bool Ikfunc::ArmIk(wayPoint_S& cur_stat, double* joint, bool /*iterIK*/, bool /*relMove*/) {
    double table[6][KINEMATICS_MAX_SOLUTIONS];
    const int n = coreSolutions(cur_stat, table);
    const double* ref = joint != nullptr ? joint : cur_stat.jointpos;
    const bool turn6 = joint6Rot360.load();
    const bool turn1 = joint1Rot360.load();

    // Routes straight from the table (public angles are the negated core ones),
    // added in the same order as routeTo adds them.
    double route[KINEMATICS_MAX_SOLUTIONS];
    for (int k = 0; k < n; ++k) {
        double first = -table[0][k];
        double last = -table[5][k];
        bool inside = std::fabs(first) < kJointLimit && std::fabs(last) < kJointLimit;
        double r = jointRoute(first, ref[0], turn1);
        for (int j = 1; j < 5; ++j) {
            const double q = -table[j][k];
            inside = inside && std::fabs(q) < kJointLimit;
            r += std::fabs(q - ref[j]);
        }
        r += jointRoute(last, ref[5], turn6);
        route[k] = inside ? r : kNoRoute;
    }

    Nearest best = nearestOf(route, n);
    while (best.index >= 0 && !best.tie) {
        double q[6];
        column(table, best.index, q);
        if (reachesTarget(q, cur_stat.cartPos.positionVector)) {
            for (double& v : q) {
                v = -v;
            }
            routeTo(q, ref, turn1, turn6);  // applies the full turns of the winner
            std::memcpy(cur_stat.jointpos, q, sizeof(q));
            return true;
        }
        route[best.index] = kNoRoute;
        best = nearestOf(route, n);
    }
    if (best.index < 0) {
        return false;  // nothing within the limits reaches the target
    }

    const int kept = keepVerified(cur_stat.cartPos.positionVector, table, n);
    double chosen[6] = {};
    double bestRoute = kNoRoute;
    for (int k = 0; k < kept; ++k) {
        double q[6];
        column(table, k, q);
        const double r = routeTo(q, ref, turn1, turn6);
        if (bestRoute > r) {
            bestRoute = r;
            std::memcpy(chosen, q, sizeof(q));
        }
    }
    if (!(bestRoute < kNoRoute)) {
        return false;
    }
    std::memcpy(cur_stat.jointpos, chosen, sizeof(chosen));
    return true;
}

// ------------------------------------------------- quaternions, matrices, frames

void Ikfunc::QuaternionInversion(Ori& cur_ori) { cur_ori = conjugate(cur_ori); }

void Ikfunc::QuaternionMultply(Ori& end_ori, Ori left_ori, bool rightMul) {
    end_ori = rightMul ? hamilton(end_ori, left_ori) : hamilton(left_ori, end_ori);
}

void Ikfunc::QuaternionToOriMatrix(Ori q, double* eerot) {
    const double n = NORM(q.w, q.x, q.y, q.z);
    const double w = q.w / n, x = q.x / n, y = q.y / n, z = q.z / n;
    eerot[0] = 1 - 2 * y * y - 2 * z * z;
    eerot[1] = 2 * x * y - 2 * z * w;
    eerot[2] = 2 * x * z + 2 * y * w;
    eerot[3] = 2 * x * y + 2 * z * w;
    eerot[4] = 1 - 2 * x * x - 2 * z * z;
    eerot[5] = 2 * y * z - 2 * x * w;
    eerot[6] = 2 * x * z - 2 * y * w;
    eerot[7] = 2 * y * z + 2 * x * w;
    eerot[8] = 1 - 2 * x * x - 2 * y * y;
}

int Ikfunc::OriMatrixToQuaternion(double* eerot, Ori& result) {
    const double w2 = (eerot[0] + eerot[4] + eerot[8] + 1.0) / 4.0;
    double sq[4] = {w2, (eerot[0] + 1.0) / 2.0 - w2, (eerot[4] + 1.0) / 2.0 - w2,
                    (eerot[8] + 1.0) / 2.0 - w2};
    for (int i = 0; i < 4; ++i) {
        if (sq[i] < 0.0) {
            RobotLogPrint::trace(tevo_robot_namespace::LL_INFO, "negative quaternion square: %d %f",
                                 i, sq[i]);
            sq[i] = 0.0;
        }
    }
    const double w = std::sqrt(sq[0]);
    const double x = std::sqrt(sq[1]) * SIGN(eerot[7] - eerot[5]);
    const double y = std::sqrt(sq[2]) * SIGN(eerot[2] - eerot[6]);
    const double z = std::sqrt(sq[3]) * SIGN(eerot[3] - eerot[1]);
    const double n = NORM(w, x, y, z);
    if (n == 0.0) {
        return 0;
    }
    result = Ori{w / n, x / n, y / n, z / n};
    return 1;
}

void Ikfunc::posOri2homoArr(cartesianPos_U position, Ori quat, double* eerot, double* eetrans) {
    for (std::size_t i = 0; i < 3; ++i) {
        eetrans[i] = position.positionVector[i];
    }
    QuaternionToOriMatrix(quat, eerot);
}

void Ikfunc::hMatrixMultiply(double* eerot, double* eetrans, double* eerot1, double* eetrans1,
                             Pose_S* pos_transferred, double* new_rot) {
    double R[9];
    mul3(eerot, eerot1, R, false);
    if (eetrans != nullptr && eetrans1 != nullptr && pos_transferred != nullptr) {
        double t[3];
        rotate(eerot, eetrans1, t);
        for (std::size_t i = 0; i < 3; ++i) {
            pos_transferred->posU.positionVector[i] = t[i] + eetrans[i];
        }
        OriMatrixToQuaternion(R, pos_transferred->oriU.orientation);
    } else if (new_rot != nullptr) {
        std::memcpy(new_rot, R, sizeof(R));
    }
}

void Ikfunc::hMatrixVectorProduct(bool inv, double* pOrg, double* hRArr, bool relPos, double* posIn,
                                  double* posOut) {
    if (posIn == nullptr || posOut == nullptr) {
        return;
    }
    double R[9];
    double o[3] = {0, 0, 0};
    if (pOrg != nullptr || relPos) {
        std::memcpy(R, hRArr, sizeof(R));
        if (pOrg != nullptr) {
            std::memcpy(o, pOrg, sizeof(o));
        }
    } else {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                R[3 * r + c] = hRArr[4 * r + c];
            }
            o[r] = hRArr[4 * r + 3];
        }
    }
    if (relPos) {
        o[0] = o[1] = o[2] = 0.0;
    }
    if (inv) {
        const double d[3] = {posIn[0] - o[0], posIn[1] - o[1], posIn[2] - o[2]};
        rotateTransposed(R, d, posOut);
    } else {
        double t[3];
        rotate(R, posIn, t);
        for (std::size_t i = 0; i < 3; ++i) {
            posOut[i] = t[i] + o[i];
        }
    }
}

void Ikfunc::waypoint2Pose(Pose_S* posePtr, wayPoint_S* wpPtr, int size) {
    for (int i = 0; i < size; ++i) {
        posePtr[i].posU = wpPtr[i].cartPos;
        posePtr[i].oriU.orientation = wpPtr[i].orientation;
    }
}

int Ikfunc::pose2Waypoint(wayPoint_S* wpPtr, Pose_S* posePtr, int size) {
    for (int i = 0; i < size; ++i) {
        wpPtr[i].cartPos = posePtr[i].posU;
        wpPtr[i].orientation = posePtr[i].oriU.orientation;
    }
    return size;
}

void Ikfunc::endPosition2ToolPosition(Pose_S& end_stat, double* toolPosInEnd,
                                      double* toolPosition) {
    double* out = toolPosition != nullptr ? toolPosition : end_stat.posU.positionVector;
    if (toolPosInEnd == nullptr) {
        if (toolPosition != nullptr) {
            std::memcpy(toolPosition, end_stat.posU.positionVector, 3 * sizeof(double));
        }
        return;
    }
    double R[9];
    QuaternionToOriMatrix(end_stat.oriU.orientation, R);
    double t[3];
    rotate(R, toolPosInEnd, t);
    for (std::size_t i = 0; i < 3; ++i) {
        out[i] = end_stat.posU.positionVector[i] + t[i];
    }
}

void Ikfunc::toolPosition2EndPosition(Pose_S tool_stat, cartesianPos_U& end_position,
                                      double* toolPosInEnd) {
    if (toolPosInEnd == nullptr) {
        end_position = tool_stat.posU;
        return;
    }
    double R[9];
    QuaternionToOriMatrix(tool_stat.oriU.orientation, R);
    double t[3];
    rotate(R, toolPosInEnd, t);
    for (std::size_t i = 0; i < 3; ++i) {
        end_position.positionVector[i] = tool_stat.posU.positionVector[i] - t[i];
    }
}

void Ikfunc::endOrientation2ToolOrientation(Ori tcpOriInE, Ori endOri, Ori& toolOri) {
    toolOri = hamilton(endOri, tcpOriInE);
}

void Ikfunc::toolOrientation2EndOrientation(Ori tcpOriInE, Ori toolOri, Ori& endOri) {
    endOri = hamilton(toolOri, conjugate(tcpOriInE));
}

// ------------------------------------------------------------ frame conversions

bool Ikfunc::waypointDisplay(Pose_S& target_wp, Pose_S source_wp,
                             MoveConditionClass::coordinate_refer refCoord, double* ToolOrgInEndPos,
                             Ori* ToolOriInEnd, wayPoint_S* planWp, char methods) {
    switch (refCoord) {
        case MoveConditionClass::EndCoordinate:
            // The tool end in the flange frame.
            for (std::size_t i = 0; i < 3; ++i) {
                target_wp.posU.positionVector[i] =
                    ToolOrgInEndPos != nullptr ? ToolOrgInEndPos[i] : 0.0;
            }
            target_wp.oriU.orientation = ToolOriInEnd != nullptr ? *ToolOriInEnd : Ori{1, 0, 0, 0};
            return true;
        case MoveConditionClass::BaseCoordinate:
            if (ToolOrgInEndPos != nullptr && ToolOriInEnd != nullptr) {
                return coordinateTransform(target_wp, source_wp, ToolOrgInEndPos, ToolOriInEnd,
                                           MoveConditionClass::BaseCoordinate, planWp, methods);
            }
            target_wp = source_wp;
            return true;
        default:
            return coordinateTransform(target_wp, source_wp, ToolOrgInEndPos, ToolOriInEnd,
                                       MoveConditionClass::WorldCoordinate, planWp, methods);
    }
}

bool Ikfunc::coordinateTransform(Pose_S& pos_transferred, Pose_S pos, double* toolOrgInEndPos,
                                 Ori* ToolOriInEnd, MoveConditionClass::coordinate_refer coord,
                                 wayPoint_S* planWp, char methods) {
    if (toolOrgInEndPos != nullptr && ToolOriInEnd != nullptr) {
        endPosition2ToolPosition(pos, toolOrgInEndPos, nullptr);
        endOrientation2ToolOrientation(*ToolOriInEnd, pos.oriU.orientation, pos.oriU.orientation);
    }
    if (coord == MoveConditionClass::BaseCoordinate) {
        pos_transferred = pos;
        return true;
    }
    if (planWp == nullptr || !methodInRange(methods)) {
        return false;
    }
    Pose_S plane[3];
    waypoint2Pose(plane, planWp, 3);
    UserFrame frame;
    if (!calibrate(plane, methods, frame)) {
        return false;
    }
    mapPose(frame.M, false, frame.bInWPos, pos);
    pos_transferred = pos;
    return true;
}

bool Ikfunc::robotCoordConvert(Pose_S& target_point, Pose_S source_point, Pose_S* userPlaneWP,
                               char method, double* tcpPosInEnd, Ori* tcpOriInEnd,
                               MoveConditionClass::coordinate_refer targetCoord,
                               MoveConditionClass::coordinate_refer sourceCoord) {
    // Only the base frame and a user frame convert into each other: the flange
    // frame and values outside the enumeration are refused (an unknown source
    // would otherwise be mapped in the base-to-user direction).
    const auto convertible = [](MoveConditionClass::coordinate_refer c) {
        return c == MoveConditionClass::BaseCoordinate || c == MoveConditionClass::WorldCoordinate;
    };
    if (!convertible(targetCoord) || !convertible(sourceCoord)) {
        return false;
    }
    Ori& q = source_point.oriU.orientation;
    const double n = NORM(q.w, q.x, q.y, q.z);
    if (!(n > 0.0)) {
        return false;
    }
    q = Ori{q.w / n, q.x / n, q.y / n, q.z / n};

    if (targetCoord == sourceCoord) {
        removeTool(source_point, tcpPosInEnd, tcpOriInEnd);
        target_point = source_point;
        return true;
    }
    UserFrame frame;
    if (!calibrate(userPlaneWP, method, frame)) {
        return false;
    }
    if (sourceCoord == MoveConditionClass::WorldCoordinate) {
        mapPose(frame.M, true, frame.wInBPos, source_point);
        removeTool(source_point, tcpPosInEnd, tcpOriInEnd);
    } else {
        removeTool(source_point, tcpPosInEnd, tcpOriInEnd);
        mapPose(frame.M, false, frame.bInWPos, source_point);
    }
    target_point = source_point;
    return true;
}

// ------------------------------------------------------------------ calibration

bool Ikfunc::userCoordinateCalib(Pose_S* waypointptr, char methods, double* bInWPos,
                                 double* bInWOri, double* wInBPos) {
    if (bInWPos == nullptr || bInWOri == nullptr || wInBPos == nullptr || waypointptr == nullptr) {
        return false;
    }
    double dotValue = 1.0;
    if (userCoordinateCalibLib(waypointptr, methods, bInWPos, bInWOri, wInBPos, dotValue) == 0) {
        RobotLogPrint::trace(tevo_robot_namespace::LL_WARN,
                             "sdk log:User Coordinate Calib: Error Configuration, please re-try!");
        return false;
    }
    return true;
}

bool Ikfunc::api_user_coord_calib(Pose_S* waypointptr, char methods, double* bInWPos,
                                  double* bInWOri, double* wInBPos) {
    return userCoordinateCalib(waypointptr, methods, bInWPos, bInWOri, wInBPos);
}

bool Ikfunc::api_tool_coord_calib(Pose_S* wpPosCalib, unsigned wpPosCalibSize, Pose_S* wpOriCalib,
                                  char poseCalibMethod, Pose_S& toolInEnd) {
    if (wpPosCalib == nullptr || wpPosCalibSize < 4) {
        return false;
    }
    const bool withOrientation =
        poseCalibMethod >= 0 && poseCalibMethod <= 5 && wpOriCalib != nullptr;
    return toolCoordinateCalib(wpPosCalib, static_cast<int>(wpPosCalibSize), false,
                               toolInEnd.posU.positionVector,
                               withOrientation ? poseCalibMethod : static_cast<char>(-1),
                               withOrientation ? wpOriCalib : nullptr,
                               withOrientation ? &toolInEnd.oriU.orientation : nullptr);
}

bool Ikfunc::toolCoordinateCalib(Pose_S* waypointptr, int posWpNum, bool waypoint_check,
                                 double* toolInEndPos, char poseCalibMethod, Pose_S* wpOriCalib,
                                 Ori* toolInEndOri) {
    if (posWpNum <= 3 || waypointptr == nullptr || toolInEndPos == nullptr) {
        return false;
    }
    std::vector<double> rotations(9 * static_cast<std::size_t>(posWpNum));
    std::vector<double> positions(3 * static_cast<std::size_t>(posWpNum));
    for (std::size_t k = 0; k < static_cast<std::size_t>(posWpNum); ++k) {
        posOri2homoArr(waypointptr[k].posU, waypointptr[k].oriU.orientation, &rotations[9 * k],
                       &positions[3 * k]);
    }
    // Negative methods (-1) switch the orientation calibration off.
    const int method =
        static_cast<signed char>(poseCalibMethod);  // NOLINT(bugprone-signed-char-misuse)
    const bool withOrientation = wpOriCalib != nullptr && method >= 0 && method <= 5;
    std::vector<double> oriRotations;
    std::vector<double> oriPositions;
    if (withOrientation) {
        const std::size_t count = method <= 2 ? 3 : 2;
        oriRotations.resize(9 * count);
        oriPositions.resize(3 * count);
        for (std::size_t k = 0; k < count; ++k) {
            posOri2homoArr(wpOriCalib[k].posU, wpOriCalib[k].oriU.orientation, &oriRotations[9 * k],
                           &oriPositions[3 * k]);
        }
    }
    double toolPoseRot[9];
    const bool ok = toolCoordinateCalibLib(rotations.data(), positions.data(), posWpNum,
                                           withOrientation ? poseCalibMethod : -1,
                                           withOrientation ? oriRotations.data() : nullptr,
                                           withOrientation ? oriPositions.data() : nullptr,
                                           waypoint_check, checkThr, toolInEndPos, toolPoseRot);
    if (ok && withOrientation && toolInEndOri != nullptr) {
        OriMatrixToQuaternion(toolPoseRot, *toolInEndOri);
    }
    return ok;
}

// ------------------------------------------------------------- roll-pitch-yaw

void Ikfunc::RPYToQuaternion(Ori& ori, float* rpy) {
    const double a = rpy[0] / 2.0;
    const double b = rpy[1] / 2.0;
    const double c = rpy[2] / 2.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    ori.w = ca * cb * cc + sa * sb * sc;
    ori.x = sa * cb * cc - ca * sb * sc;
    ori.y = ca * sb * cc + sa * cb * sc;
    ori.z = ca * cb * sc - sa * sb * cc;
}

void Ikfunc::quaternionToRPY(Ori ori, float* rpy) {
    const double w = ori.w, x = ori.x, y = ori.y, z = ori.z;
    const float r11 = static_cast<float>(2 * (w * w + x * x) - 1);
    const float r21 = static_cast<float>(2 * (x * y + w * z));
    const float r22 = static_cast<float>(2 * (w * w + y * y) - 1);
    const float r23 = static_cast<float>(2 * (y * z - w * x));
    const float r31 = static_cast<float>(2 * (x * z - w * y));
    const float r32 = static_cast<float>(2 * (y * z + w * x));
    const float r33 = static_cast<float>(2 * (w * w + z * z) - 1);
    const float eps = 1e-16f;
    float yaw;
    float pitch;
    float roll;
    if (std::fabs(r11) < eps && std::fabs(r21) < eps) {
        yaw = 0.0f;
        pitch = std::atan2(-r31, r11);
        roll = std::atan2(-r23, r22);
    } else {
        yaw = std::atan2(r21, r11);
        pitch = std::atan2(-r31, std::sqrt(r11 * r11 + r21 * r21));
        roll = std::atan2(r32, r33);
    }
    const float toDegrees = static_cast<float>(180.0 / kPi);
    rpy[0] = yaw * toDegrees;
    rpy[1] = pitch * toDegrees;
    rpy[2] = roll * toDegrees;
}
