#ifndef ROBOTUTILSERVICE_H
#define ROBOTUTILSERVICE_H

// The library's kinematics and frame-conversion service on the public value
// types: forward and inverse kinematics, tool and user-frame calibration,
// conversions between base frame, user frame and tool end, relative moves,
// quaternion and roll-pitch-yaw conversions, and the initial values of the
// public types. Everything is local (no controller) and static.
//
// Threads: any thread. The operations read the process-wide arm model and the
// two full-turn flags; setRobotDhParam and setJoint6Rot360/setJoint1Rot360
// write them without a lock and are called at login or on explicit request
// only. This header names only public types, so it can be included anywhere.

#include <string>
#include <vector>

#include "TevoRobotMetaType.h"

// A user frame as three tool-end poses in base coordinates (built from a
// CoordCalibrateByJointAngleAndTool by forward kinematics plus the tool).
struct CoordCalibrateByToolEndPoint {
    tevo_robot_namespace::coordinate_refer coordType;
    tevo_robot_namespace::CoordCalibrateMathod methods;
    tevo_robot_namespace::wayPoint_S wayPointArray[3];
};

class RobotUtilService {
public:
    RobotUtilService() = delete;

    using Pos = tevo_robot_namespace::Pos;
    using Ori = tevo_robot_namespace::Ori;
    using Rpy = tevo_robot_namespace::Rpy;
    using wayPoint_S = tevo_robot_namespace::wayPoint_S;
    using ToolInEndDesc = tevo_robot_namespace::ToolInEndDesc;
    using CoordCalibrateByJointAngleAndTool =
        tevo_robot_namespace::CoordCalibrateByJointAngleAndTool;

    // ---- kinematics
    static int robotFk(const double* jointAngle, int size, wayPoint_S& wayPoint);
    // The same for the arm with these DH lengths, leaving the process-wide
    // model aside (one connection's arm among several of different models).
    static int robotFk(const double* jointAngle, int size,
                       const tevo_robot_namespace::RobotDhPara& dhPara, wayPoint_S& wayPoint);
    static int robotIk(const double* startPointJointAngle, const Pos& position, const Ori& ori,
                       wayPoint_S& wayPoint);
    static int robotIk(const Pos& position, const Ori& ori,
                       std::vector<wayPoint_S>& wayPointVector);
    static int robotServiceIkBasedOnTcp(const double* referPointJointAngle,
                                        const Pos& toolEndPositionOnBase,
                                        const Ori& toolEndQuaternionOnBase,
                                        const ToolInEndDesc& toolInEndDesc,
                                        wayPoint_S& flangeWaypointOnBase);
    static int robotServiceIkBasedOnTcp(const double* referPointJointAngle,
                                        const Pos& toolEndPositionOnBase,
                                        const Rpy& toolEndRpyOnBase,
                                        const ToolInEndDesc& toolInEndDesc,
                                        wayPoint_S& flangeWaypointOnBase);
    static int setJoint6Rot360(bool enable);
    static int setJoint1Rot360(bool enable);
    static void setRobotDhParam(int robotType,
                                const tevo_robot_namespace::RobotDhPara& robotDhPara);
    // Six finite joint angles (rad), exactly one separator (comma, blank, tab
    // or semicolon) between them and nothing after them but blanks or a CR,
    // into a waypoint with its pose by forward kinematics. False, with the
    // waypoint zeroed, for any other text.
    static bool jointStringToWaypoint(const std::string& jointString, wayPoint_S& waypoint);

    // ---- calibration
    static int toolCalibration(
        const std::vector<wayPoint_S>& wayPointPosCalibVector,
        const std::vector<wayPoint_S>& wayPointOriCalibVector,
        tevo_robot_namespace::ToolKinematicsOriCalibrateMathod poseCalibMethod,
        ToolInEndDesc& toolInEndDesc);
    static int toolCalibration(const std::vector<wayPoint_S>& wayPointPosCalibVector,
                               char poseCalibMethod, ToolInEndDesc& toolInEndDesc);
    static int coordinateSystemCalibration(const CoordCalibrateByJointAngleAndTool& coordSystem,
                                           double* bInWPos, double* bInWOri, double* wInBPos);
    static int coordinateSystemCalibration(const CoordCalibrateByToolEndPoint& coordSystem,
                                           double* bInWPos, double* bInWOri, double* wInBPos);
    static int checkCoordinateSystemCalibration(
        const CoordCalibrateByJointAngleAndTool& coordSystem);
    static int oriMatrixToQuaternion(double* eerot, Ori& result);
    static int CoordCalibrateTypeConvert(const CoordCalibrateByJointAngleAndTool& source,
                                         CoordCalibrateByToolEndPoint& target);
    static bool isNoneTool(const ToolInEndDesc& tool);

    // ---- frame conversions
    static int base2UserCoordinate(const Pos& flangeCenterPositionOnBase,
                                   const Ori& flangeCenterOrientationOnBase,
                                   const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                   const ToolInEndDesc& toolInEndDesc,
                                   Pos& toolEndPositionOnUserCoord,
                                   Ori& toolEndOrientationOnUserCoord);
    static int user2BaseCoordinate(const Pos& toolEndPositionOnUserCoord,
                                   const Ori& toolEndOrientationOnUserCoord,
                                   const CoordCalibrateByJointAngleAndTool& userCoord,
                                   const ToolInEndDesc& toolInEndDesc,
                                   Pos& flangeCenterPositionOnBase,
                                   Ori& flangeCenterOrientationOnBase);
    static int base2BaseAdditionalTool(const wayPoint_S& flangeCenterPointOnBase,
                                       const ToolInEndDesc& toolInEndDesc,
                                       wayPoint_S& toolEndPointOnBase);
    static int base2BaseAdditionalTool(const Pos& flangeCenterPositionOnBase,
                                       const Ori& flangeCenterOrientationOnBase,
                                       const ToolInEndDesc& toolInEndDesc,
                                       Pos& toolEndPositionOnBase, Ori& toolEndOrientationOnBase);
    static int userCoordPoint2BasePoint(const Pos& userCoordPoint,
                                        const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                        Pos& basePoint);
    static int offsetVectorUserCoord2Base(const double* vectorOnUserCoord,
                                          const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                          double* vectorOnBaseCoord);
    static int endPosition2BasePosition(const wayPoint_S& flangeCenterPointOnBase,
                                        const Pos& endPosition, Pos& basePosition,
                                        Ori toolOriInEnd);
    static int endOrientation2ToolOrientation(Ori& tcpOriInEnd, const Ori& endOri, Ori& toolOri);
    static int toolOrientation2EndOrientation(Ori& tcpOriInEnd, const Ori& toolOri, Ori& endOri);
    static int quaternionToRPY(const Ori& ori, Rpy& rpy);
    static int RPYToQuaternion(const Rpy& rpy, Ori& ori);
    static bool relativeMoveAndRot(const wayPoint_S& firstFlangeWaypointInMove,
                                   const CoordCalibrateByJointAngleAndTool& coord,
                                   ToolInEndDesc realToolInEnd,
                                   const Pos& sourceRelativePositionOnUser,
                                   const Ori& sourceRelativeOriOnUser,
                                   Pos& targetRelativePositionOnBase, Ori& targetRelativeOriOnBase);

    // ---- initial values
    static void initPosDataType(Pos& value);
    static void initOriDataType(Ori& value);
    static void initOrientation(Ori& value);
    static void initMoveRelativeDataType(tevo_robot_namespace::MoveRelative& value);
    static void initWayPointDataType(wayPoint_S& value);
    static void initToolInEndDescDataType(ToolInEndDesc& value);
    static void initCoordCalibrateByJointAngleAndToolDataType(
        CoordCalibrateByJointAngleAndTool& value);
    static void initToolInertiaDataType(tevo_robot_namespace::ToolInertia& value);
    static void initToolDynamicsParamDataType(tevo_robot_namespace::ToolDynamicsParam& value);
};

#endif  // ROBOTUTILSERVICE_H
