#ifndef IKFUNC_H
#define IKFUNC_H

// Solver service between the kinematics core and the coordinate utilities:
// loads the arm model, converts between the public conventions (public joint
// angles, unit quaternions w-first) and the core's (negated joint angles,
// rotation matrices), chooses one inverse-kinematics solution, converts poses
// between flange, tool, base and user frames, wraps the calibrations and the
// roll-pitch-yaw conversions.
//
// Threads: static operations only, callable from any thread. They read the
// core's arm model (see kinematicscore.h) and the two full-turn flags, which
// are written at login, by the event thread and on explicit requests; the
// flags are atomic so those writes never race with a solver on another thread.
// The FK and IK paths (ArmFk, ComputeIk_new, ArmIk) do not allocate.

#include <atomic>

#include "TevoRobotMetaType.h"
#include "kinematics/calibrationcore.h"
#include "kinematics/kinematicscore.h"

// The coordinate references under the name the move conditions use.
namespace MoveConditionClass {
using coordinate_refer = tevo_robot_namespace::coordinate_refer;
using tevo_robot_namespace::BaseCoordinate;
using tevo_robot_namespace::EndCoordinate;
using tevo_robot_namespace::WorldCoordinate;
}  // namespace MoveConditionClass

class Ikfunc {
public:
    Ikfunc() = delete;

    // When set, inverse kinematics may move joint 6 (joint 1) by one full turn
    // towards the reference so that the solution continues it without a jump.
    static std::atomic<bool> joint6Rot360;
    static std::atomic<bool> joint1Rot360;

    // Joint limit applied to inverse-kinematics solutions (174.8 degrees).
    static constexpr double kJointLimit = 3.0508355324860883;
    // A solution must put the flange within this distance (m) of the target.
    static constexpr double kIkPositionTolerance = 0.0001;

    // ---- model
    static bool SetDhParaLen(tevo_robot_type robotType);
    static void setDhParameters(tevo_robot_type robotType, double A3, double A4, double D1,
                                double D2, double D5, double D6);
    static int SIGN(double x);
    static double NORM(double a, double b, double c, double d);

    // ---- forward and inverse kinematics (public joint angles)
    static int ArmFk(Pos& arm_pos, Ori& arm_ori, double* joint_solve);
    // The same with an explicit arm model (metres) instead of the process-wide
    // one: A3, A4, D1, D2 (the total shoulder offset), D5, D6.
    struct DhLengths {
        double A3, A4, D1, D2, D5, D6;
    };
    static int ArmFk(Pos& arm_pos, Ori& arm_ori, const double* joint_solve, const DhLengths& model);
    // The core's solutions (public angles) of the pose in cur_stat, its angles as the reference,
    // kept only when every joint is strictly inside kJointLimit and the flange lies within
    // kIkPositionTolerance of the position; a rejected one is replaced by the last. The kept
    // orientations are exact to rounding, or within 3.5e-4 rad where joint 5 is within
    // acos(0.99999994) of 0 or pi (taken as exactly there). Near the elbow's reach, and for a
    // position up to the tolerance beyond it, a kept solution may be approximate within those
    // bounds. Returns how many are kept.
    static int ComputeIk_new(const wayPoint_S& cur_stat,
                             double (*jointResults)[KINEMATICS_MAX_SOLUTIONS]);
    // The solution of ComputeIk_new with the smallest sum of joint differences to joint (or, when
    // null, to cur_stat.jointpos), written into cur_stat.jointpos; the earlier one on a tie; with
    // the full-turn flags moved by a turn towards it. False, cur_stat unchanged, when there is
    // none. Only the nearest candidates are checked against the target.
    static bool ArmIk(wayPoint_S& cur_stat, double* joint, bool iterIK, bool relMove);

    // ---- quaternions, matrices and frames
    static void QuaternionInversion(Ori& cur_ori);
    static void QuaternionMultply(Ori& end_ori, Ori left_ori, bool rightMul);
    static void QuaternionToOriMatrix(Ori q, double* eerot);
    static int OriMatrixToQuaternion(double* eerot, Ori& result);
    static void posOri2homoArr(cartesianPos_U position, Ori quat, double* eerot, double* eetrans);
    static void hMatrixMultiply(double* eerot, double* eetrans, double* eerot1, double* eetrans1,
                                Pose_S* pos_transferred, double* new_rot);
    static void hMatrixVectorProduct(bool inv, double* pOrg, double* hRArr, bool relPos,
                                     double* posIn, double* posOut);
    static void waypoint2Pose(Pose_S* posePtr, wayPoint_S* wpPtr, int size);
    static int pose2Waypoint(wayPoint_S* wpPtr, Pose_S* posePtr, int size);
    static void endPosition2ToolPosition(Pose_S& end_stat, double* toolPosInEnd,
                                         double* toolPosition);
    static void toolPosition2EndPosition(Pose_S tool_stat, cartesianPos_U& end_position,
                                         double* toolPosInEnd);
    static void endOrientation2ToolOrientation(Ori tcpOriInE, Ori endOri, Ori& toolOri);
    static void toolOrientation2EndOrientation(Ori tcpOriInE, Ori toolOri, Ori& endOri);

    // ---- frame conversions
    static bool waypointDisplay(Pose_S& target_wp, Pose_S source_wp,
                                MoveConditionClass::coordinate_refer refCoord,
                                double* ToolOrgInEndPos, Ori* ToolOriInEnd, wayPoint_S* planWp,
                                char methods);
    static bool coordinateTransform(Pose_S& pos_transferred, Pose_S pos, double* toolOrgInEndPos,
                                    Ori* ToolOriInEnd, MoveConditionClass::coordinate_refer coord,
                                    wayPoint_S* planWp, char methods);
    static bool robotCoordConvert(Pose_S& target_point, Pose_S source_point, Pose_S* userPlaneWP,
                                  char method, double* tcpPosInEnd, Ori* tcpOriInEnd,
                                  MoveConditionClass::coordinate_refer targetCoord,
                                  MoveConditionClass::coordinate_refer sourceCoord);

    // ---- calibration
    static bool userCoordinateCalib(Pose_S* waypointptr, char methods, double* bInWPos,
                                    double* bInWOri, double* wInBPos);
    static bool api_user_coord_calib(Pose_S* waypointptr, char methods, double* bInWPos,
                                     double* bInWOri, double* wInBPos);
    static bool api_tool_coord_calib(Pose_S* wpPosCalib, unsigned wpPosCalibSize,
                                     Pose_S* wpOriCalib, char poseCalibMethod, Pose_S& toolInEnd);
    static bool toolCoordinateCalib(Pose_S* waypointptr, int posWpNum, bool waypoint_check,
                                    double* toolInEndPos, char poseCalibMethod, Pose_S* wpOriCalib,
                                    Ori* toolInEndOri);

    // ---- roll-pitch-yaw: rotation Rz(yaw) * Ry(pitch) * Rx(roll)
    // rpy = {roll, pitch, yaw} in radians.
    static void RPYToQuaternion(Ori& ori, float* rpy);
    // Writes degrees in the order {yaw, pitch, roll}.
    static void quaternionToRPY(Ori ori, float* rpy);
};

#endif  // IKFUNC_H
