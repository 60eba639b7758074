#include "RobotSDK/service/robotutilservice.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/ikfunc.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "kinematics/waypointconvert.h"

namespace tevo = tevo_robot_namespace;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoToolTolerance = 0.00001;
// Added to w to mark an absolute flange target in the relative-move output.
constexpr double kAbsoluteTargetMark = 6.0;

// ---- conversions between the public types and the core's twins
::Pos toCore(const tevo::Pos& p) { return ::Pos{p.x, p.y, p.z}; }
::Ori toCore(const tevo::Ori& q) { return ::Ori{q.w, q.x, q.y, q.z}; }
tevo::Pos toPublic(const ::Pos& p) { return tevo::Pos{p.x, p.y, p.z}; }
tevo::Pos toPublic(const cartesianPos_U& p) { return toPublic(p.position); }
tevo::Ori toPublic(const ::Ori& q) { return tevo::Ori{q.w, q.x, q.y, q.z}; }

Pose_S makePose(const tevo::Pos& p, const tevo::Ori& q) {
    Pose_S pose;
    pose.posU.position = toCore(p);
    pose.oriU.orientation = toCore(q);
    return pose;
}

Pose_S makePose(const tevo::wayPoint_S& wp) {
    return makePose(wp.cartPos.position, wp.orientation);
}

// ---- rigid transforms (position, quaternion); A o B = (pA + R_A pB, qA qB)
struct Rigid {
    double p[3];
    ::Ori q;
};

void rotateBy(const ::Ori& q, const double* v, double* out) {
    double R[9];
    Ikfunc::QuaternionToOriMatrix(q, R);
    double t[3];
    for (std::size_t i = 0; i < 3; ++i) {
        t[i] = R[3 * i] * v[0] + R[3 * i + 1] * v[1] + R[3 * i + 2] * v[2];
    }
    std::memcpy(out, t, sizeof(t));
}

Rigid compose(const Rigid& a, const Rigid& b) {
    Rigid r;
    rotateBy(a.q, b.p, r.p);
    for (std::size_t i = 0; i < 3; ++i) {
        r.p[i] += a.p[i];
    }
    r.q = a.q;
    Ikfunc::QuaternionMultply(r.q, b.q, true);
    return r;
}

Rigid inverse(const Rigid& a) {
    Rigid r;
    r.q = a.q;
    Ikfunc::QuaternionInversion(r.q);
    rotateBy(r.q, a.p, r.p);
    for (double& v : r.p) {
        v = -v;
    }
    return r;
}

Rigid makeRigid(const tevo::Pos& p, const tevo::Ori& q) {
    return Rigid{{p.x, p.y, p.z}, toCore(q)};
}

// A tool in the core's form: offset array and orientation.
struct CoreTool {
    explicit CoreTool(const tevo::ToolInEndDesc& tool)
        : position{tool.toolInEndPosition.x, tool.toolInEndPosition.y, tool.toolInEndPosition.z},
          orientation(toCore(tool.toolInEndOrientation)) {}
    double position[3];
    ::Ori orientation;
};

void writePose(const Pose_S& pose, tevo::Pos& position, tevo::Ori& orientation) {
    position = toPublic(pose.posU);
    orientation = toPublic(pose.oriU.orientation);
}

// The solver service takes user-frame method numbers as char; a number outside
// 0..8 must stay invalid there instead of wrapping onto a valid method.
char coreMethod(tevo::CoordCalibrateMathod methods) {
    const int value = static_cast<int>(methods);
    return value >= 0 && value <= 8 ? static_cast<char>(value) : static_cast<char>(-1);
}

void logError(const char* text) { RobotLogPrint::trace(tevo::LL_ERROR, "%s", text); }

// The three tool-end poses of a converted frame as core waypoints.
void planeWaypoints(const CoordCalibrateByToolEndPoint& frame, ::wayPoint_S* out) {
    for (std::size_t i = 0; i < 3; ++i) {
        TevoWayPointToikFunRoadPint(frame.wayPointArray[i], out[i]);
    }
}

void planePoses(const CoordCalibrateByToolEndPoint& frame, Pose_S* out) {
    for (std::size_t i = 0; i < 3; ++i) {
        out[i] = makePose(frame.wayPointArray[i]);
    }
}

}  // namespace

// ------------------------------------------------------------------ kinematics

int RobotUtilService::robotFk(const double* jointAngle, int size, wayPoint_S& wayPoint) {
    if (size != 6 || jointAngle == nullptr) {
        return tevo::ErrCode_ParamError;
    }
    // A NaN or an infinity would come back as a NaN pose reported as success.
    if (const int ret =
            target_check::refuseNonFinite("forward kinematics joint angles", jointAngle, 6);
        ret != tevo::ErrnoSucc) {
        return ret;
    }
    double joints[6];
    std::memcpy(joints, jointAngle, sizeof(joints));
    ::Pos position;
    ::Ori orientation;
    Ikfunc::ArmFk(position, orientation, joints);
    wayPoint.cartPos.position = toPublic(position);
    wayPoint.orientation = toPublic(orientation);
    std::memcpy(wayPoint.jointpos, joints, sizeof(joints));
    return tevo::ErrnoSucc;
}

int RobotUtilService::robotFk(const double* jointAngle, int size, const tevo::RobotDhPara& dhPara,
                              wayPoint_S& wayPoint) {
    if (size != 6 || jointAngle == nullptr) {
        return tevo::ErrCode_ParamError;
    }
    if (const int ret =
            target_check::refuseNonFinite("forward kinematics joint angles", jointAngle, 6);
        ret != tevo::ErrnoSucc) {
        return ret;
    }
    const Ikfunc::DhLengths model{dhPara.A3, dhPara.A4, dhPara.D1, dhPara.D2, dhPara.D5, dhPara.D6};
    ::Pos position;
    ::Ori orientation;
    Ikfunc::ArmFk(position, orientation, jointAngle, model);
    wayPoint.cartPos.position = toPublic(position);
    wayPoint.orientation = toPublic(orientation);
    std::memcpy(wayPoint.jointpos, jointAngle, 6 * sizeof(double));
    return tevo::ErrnoSucc;
}

int RobotUtilService::robotIk(const double* startPointJointAngle, const Pos& position,
                              const Ori& ori, wayPoint_S& wayPoint) {
    ::wayPoint_S work;
    work.cartPos.position = toCore(position);
    work.orientation = toCore(ori);
    for (int j = 0; j < 6; ++j) {
        work.jointpos[j] = startPointJointAngle != nullptr ? startPointJointAngle[j] : 0.0;
    }
    if (!Ikfunc::ArmIk(work, nullptr, false, false)) {
        logError("sdk log: call robotIk error.");
        return tevo::ErrCode_IkFailed;
    }
    wayPoint.cartPos.position = position;
    wayPoint.orientation = ori;
    std::memcpy(wayPoint.jointpos, work.jointpos, sizeof(work.jointpos));
    return tevo::ErrnoSucc;
}

int RobotUtilService::robotIk(const Pos& position, const Ori& ori,
                              std::vector<wayPoint_S>& wayPointVector) {
    wayPointVector.clear();
    ::wayPoint_S work{};
    work.cartPos.position = toCore(position);
    work.orientation = toCore(ori);
    double table[6][KINEMATICS_MAX_SOLUTIONS];
    const int n = Ikfunc::ComputeIk_new(work, table);
    for (int k = 0; k < n; ++k) {
        double joints[6];
        for (int j = 0; j < 6; ++j) {
            joints[j] = table[j][k];
        }
        wayPoint_S wp;
        robotFk(joints, 6, wp);
        wayPointVector.push_back(wp);
    }
    return tevo::ErrnoSucc;
}

int RobotUtilService::robotServiceIkBasedOnTcp(const double* referPointJointAngle,
                                               const Pos& toolEndPositionOnBase,
                                               const Ori& toolEndQuaternionOnBase,
                                               const ToolInEndDesc& toolInEndDesc,
                                               wayPoint_S& flangeWaypointOnBase) {
    CoordCalibrateByJointAngleAndTool base;
    std::memset(&base, 0, sizeof(base));
    base.coordType = tevo::BaseCoordinate;
    Pos flangePosition;
    Ori flangeOrientation;
    if (user2BaseCoordinate(toolEndPositionOnBase, toolEndQuaternionOnBase, base, toolInEndDesc,
                            flangePosition, flangeOrientation) != tevo::ErrnoSucc) {
        return tevo::ErrCode_UserToBaseConvertFailed;
    }
    return robotIk(referPointJointAngle, flangePosition, flangeOrientation, flangeWaypointOnBase);
}

int RobotUtilService::robotServiceIkBasedOnTcp(const double* referPointJointAngle,
                                               const Pos& toolEndPositionOnBase,
                                               const Rpy& toolEndRpyOnBase,
                                               const ToolInEndDesc& toolInEndDesc,
                                               wayPoint_S& flangeWaypointOnBase) {
    Ori quaternion;
    RPYToQuaternion(toolEndRpyOnBase, quaternion);
    return robotServiceIkBasedOnTcp(referPointJointAngle, toolEndPositionOnBase, quaternion,
                                    toolInEndDesc, flangeWaypointOnBase);
}

int RobotUtilService::setJoint6Rot360(bool enable) {
    Ikfunc::joint6Rot360 = enable;
    RobotLogPrint::trace(tevo::LL_INFO, "%s",
                         enable ? "sdk log: enable joint6 360." : "sdk log: disenable joint6 360.");
    return tevo::ErrnoSucc;
}

int RobotUtilService::setJoint1Rot360(bool enable) {
    Ikfunc::joint1Rot360 = enable;
    RobotLogPrint::trace(tevo::LL_INFO, "%s",
                         enable ? "sdk log: enable joint1 360." : "sdk log: disenable joint1 360.");
    return tevo::ErrnoSucc;
}

void RobotUtilService::setRobotDhParam(int robotType, const tevo::RobotDhPara& robotDhPara) {
    Ikfunc::setDhParameters(static_cast<tevo_robot_type>(robotType), robotDhPara.A3, robotDhPara.A4,
                            robotDhPara.D1, robotDhPara.D2, robotDhPara.D5, robotDhPara.D6);
}

bool RobotUtilService::jointStringToWaypoint(const std::string& jointString, wayPoint_S& waypoint) {
    std::memset(&waypoint, 0, sizeof(waypoint));
    const auto isSeparator = [](char ch) {
        return ch == ',' || ch == ' ' || ch == '\t' || ch == ';';
    };
    const auto isTrailing = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; };
    const char* cursor = jointString.data();
    const char* end = cursor + jointString.size();
    while (end > cursor && isTrailing(end[-1])) --end;
    double joints[tevo::ARM_DOF] = {0, 0, 0, 0, 0, 0};
    for (int j = 0; j < tevo::ARM_DOF; ++j) {
        const char* stop = cursor;
        if (j + 1 < tevo::ARM_DOF) {
            while (stop < end && !isSeparator(*stop)) ++stop;
            // Five numbers are each followed by exactly one separator.
            if (stop == end) return false;
        } else {
            stop = end;
        }
        if (!target_check::readNumber(cursor, stop, joints[j])) return false;
        cursor = stop + 1;
    }
    return robotFk(joints, tevo::ARM_DOF, waypoint) == tevo::ErrnoSucc;
}

// ------------------------------------------------------------------ calibration

int RobotUtilService::toolCalibration(const std::vector<wayPoint_S>& wayPointPosCalibVector,
                                      const std::vector<wayPoint_S>& wayPointOriCalibVector,
                                      tevo::ToolKinematicsOriCalibrateMathod poseCalibMethod,
                                      ToolInEndDesc& toolInEndDesc) {
    const std::size_t oriCount = wayPointOriCalibVector.size();
    const int method = static_cast<int>(poseCalibMethod);
    const bool accepted = wayPointPosCalibVector.size() > 3 &&
                          (oriCount == 0 || (oriCount == 2 && method >= 3 && method <= 5) ||
                           (oriCount == 3 && method >= 0 && method <= 2));
    if (!accepted) {
        logError("sdk log: toolCalibration\u3000error, param error.");
        return tevo::ErrCode_ToolCalibrateParamError;
    }
    std::vector<Pose_S> posPoses;
    std::vector<Pose_S> oriPoses;
    posPoses.reserve(wayPointPosCalibVector.size());
    oriPoses.reserve(oriCount);
    for (const wayPoint_S& wp : wayPointPosCalibVector) {
        posPoses.push_back(makePose(wp));
    }
    for (const wayPoint_S& wp : wayPointOriCalibVector) {
        oriPoses.push_back(makePose(wp));
    }
    Pose_S toolInEnd;
    toolInEnd.posU.position = ::Pos{0, 0, 0};
    toolInEnd.oriU.orientation = ::Ori{1, 0, 0, 0};
    const bool ok = Ikfunc::api_tool_coord_calib(
        posPoses.data(), static_cast<unsigned>(posPoses.size()),
        oriCount == 0 ? nullptr : oriPoses.data(),
        oriCount == 0 ? static_cast<char>(-1) : static_cast<char>(method), toolInEnd);
    if (!ok) {
        logError("sdk log: Call ikfun api_tool_coord_calib failed.");
        return tevo::ErrCode_ToolCalibrateError;
    }
    toolInEndDesc.toolInEndPosition = toPublic(toolInEnd.posU);
    toolInEndDesc.toolInEndOrientation = toPublic(toolInEnd.oriU.orientation);
    return tevo::ErrnoSucc;
}

int RobotUtilService::toolCalibration(const std::vector<wayPoint_S>& wayPointPosCalibVector,
                                      char /*poseCalibMethod*/, ToolInEndDesc& toolInEndDesc) {
    const std::vector<wayPoint_S> none;
    ToolInEndDesc result;
    if (toolCalibration(wayPointPosCalibVector, none,
                        tevo::ToolKinematicsOriCalibrateMathod_Invalid,
                        result) != tevo::ErrnoSucc) {
        logError("sdk log: call toolCalibration error.");
        return tevo::ErrCode_ToolCalibrateError;
    }
    toolInEndDesc.toolInEndPosition = result.toolInEndPosition;
    toolInEndDesc.toolInEndOrientation = Ori{1, 0, 0, 0};
    return tevo::ErrnoSucc;
}

int RobotUtilService::CoordCalibrateTypeConvert(const CoordCalibrateByJointAngleAndTool& source,
                                                CoordCalibrateByToolEndPoint& target) {
    target.coordType = source.coordType;
    target.methods = source.methods;
    if (source.coordType == tevo::BaseCoordinate) {
        return tevo::ErrnoSucc;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        wayPoint_S& wp = target.wayPointArray[i];
        int ret = robotFk(source.wayPointArray[i].jointPos, 6, wp);
        if (ret != tevo::ErrnoSucc) {
            logError("sdk log: CoordCalibrateTypeConvert Fk failed.");
            return ret;
        }
        const wayPoint_S flange = wp;
        ret = base2BaseAdditionalTool(flange, source.toolDesc, wp);
        if (ret != tevo::ErrnoSucc) {
            logError("sdk log: CoordCalibrateTypeConvert baseToUserCoordinate error.");
            return ret;
        }
    }
    return tevo::ErrnoSucc;
}

int RobotUtilService::coordinateSystemCalibration(
    const CoordCalibrateByJointAngleAndTool& coordSystem, double* bInWPos, double* bInWOri,
    double* wInBPos) {
    CoordCalibrateByToolEndPoint converted;
    const int ret = CoordCalibrateTypeConvert(coordSystem, converted);
    if (ret != tevo::ErrnoSucc) {
        return ret;
    }
    return coordinateSystemCalibration(converted, bInWPos, bInWOri, wInBPos);
}

int RobotUtilService::coordinateSystemCalibration(const CoordCalibrateByToolEndPoint& coordSystem,
                                                  double* bInWPos, double* bInWOri,
                                                  double* wInBPos) {
    if (coordSystem.coordType != tevo::WorldCoordinate) {
        logError(
            "sdk log: Coordinate system calibration\u3000param error, coordType!=WorldCoordinate.");
        return tevo::ErrCode_ParamError;
    }
    Pose_S poses[3];
    planePoses(coordSystem, poses);
    if (!Ikfunc::api_user_coord_calib(poses, coreMethod(coordSystem.methods), bInWPos, bInWOri,
                                      wInBPos)) {
        logError("sdk log: call ikFun api_user_coord_calib failed.");
        return tevo::ErrCode_CoordinateSystemCalibrateError;
    }
    return tevo::ErrnoSucc;
}

int RobotUtilService::checkCoordinateSystemCalibration(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
    double bInWPos[3];
    double bInWOri[9];
    double wInBPos[3];
    return coordinateSystemCalibration(coordSystem, bInWPos, bInWOri, wInBPos);
}

int RobotUtilService::oriMatrixToQuaternion(double* eerot, Ori& result) {
    ::Ori q;
    if (eerot == nullptr || Ikfunc::OriMatrixToQuaternion(eerot, q) == 0) {
        return tevo::ErrCode_Failed;
    }
    result = toPublic(q);
    return tevo::ErrnoSucc;
}

bool RobotUtilService::isNoneTool(const ToolInEndDesc& tool) {
    const Pos& p = tool.toolInEndPosition;
    const Ori& q = tool.toolInEndOrientation;
    return std::fabs(p.x) < kNoToolTolerance && std::fabs(p.y) < kNoToolTolerance &&
           std::fabs(p.z) < kNoToolTolerance && std::fabs(q.w - 1.0) < kNoToolTolerance &&
           std::fabs(q.x) < kNoToolTolerance && std::fabs(q.y) < kNoToolTolerance &&
           std::fabs(q.z) < kNoToolTolerance;
}

// ------------------------------------------------------------ frame conversions

int RobotUtilService::base2UserCoordinate(const Pos& flangeCenterPositionOnBase,
                                          const Ori& flangeCenterOrientationOnBase,
                                          const CoordCalibrateByJointAngleAndTool& userCoordSystem,
                                          const ToolInEndDesc& toolInEndDesc,
                                          Pos& toolEndPositionOnUserCoord,
                                          Ori& toolEndOrientationOnUserCoord) {
    if (userCoordSystem.coordType == tevo::EndCoordinate) {
        if (isNoneTool(userCoordSystem.toolDesc)) {
            toolEndPositionOnUserCoord = toolInEndDesc.toolInEndPosition;
            toolEndOrientationOnUserCoord = toolInEndDesc.toolInEndOrientation;
        } else {
            toolEndPositionOnUserCoord = Pos{0, 0, 0};
            toolEndOrientationOnUserCoord = Ori{1, 0, 0, 0};
        }
        return tevo::ErrnoSucc;
    }
    CoordCalibrateByToolEndPoint converted;
    const int ret = CoordCalibrateTypeConvert(userCoordSystem, converted);
    if (ret != tevo::ErrnoSucc) {
        return ret;
    }
    ::wayPoint_S plane[3];
    planeWaypoints(converted, plane);
    CoreTool tool(toolInEndDesc);
    Pose_S target;
    if (!Ikfunc::waypointDisplay(
            target, makePose(flangeCenterPositionOnBase, flangeCenterOrientationOnBase),
            userCoordSystem.coordType, tool.position, &tool.orientation,
            userCoordSystem.coordType == tevo::BaseCoordinate ? nullptr : plane,
            coreMethod(userCoordSystem.methods))) {
        return tevo::ErrCode_BaseToUserConvertFailed;
    }
    writePose(target, toolEndPositionOnUserCoord, toolEndOrientationOnUserCoord);
    return tevo::ErrnoSucc;
}

int RobotUtilService::user2BaseCoordinate(const Pos& toolEndPositionOnUserCoord,
                                          const Ori& toolEndOrientationOnUserCoord,
                                          const CoordCalibrateByJointAngleAndTool& userCoord,
                                          const ToolInEndDesc& toolInEndDesc,
                                          Pos& flangeCenterPositionOnBase,
                                          Ori& flangeCenterOrientationOnBase) {
    if (userCoord.coordType == tevo::EndCoordinate) {
        logError("sdk log: user2BaseCoordinate() Does not support end coordinate systems.");
        return tevo::ErrCode_ParamError;
    }
    CoordCalibrateByToolEndPoint converted;
    const int ret = CoordCalibrateTypeConvert(userCoord, converted);
    if (ret != tevo::ErrnoSucc) {
        return ret;
    }
    Pose_S plane[3];
    if (userCoord.coordType != tevo::BaseCoordinate) {
        planePoses(converted, plane);
    }
    CoreTool tool(toolInEndDesc);
    Pose_S target;
    if (!Ikfunc::robotCoordConvert(
            target, makePose(toolEndPositionOnUserCoord, toolEndOrientationOnUserCoord), plane,
            coreMethod(userCoord.methods), tool.position, &tool.orientation, tevo::BaseCoordinate,
            userCoord.coordType)) {
        return tevo::ErrCode_UserToBaseConvertFailed;
    }
    writePose(target, flangeCenterPositionOnBase, flangeCenterOrientationOnBase);
    return tevo::ErrnoSucc;
}

int RobotUtilService::base2BaseAdditionalTool(const wayPoint_S& flangeCenterPointOnBase,
                                              const ToolInEndDesc& toolInEndDesc,
                                              wayPoint_S& toolEndPointOnBase) {
    wayPoint_S result = flangeCenterPointOnBase;
    base2BaseAdditionalTool(flangeCenterPointOnBase.cartPos.position,
                            flangeCenterPointOnBase.orientation, toolInEndDesc,
                            result.cartPos.position, result.orientation);
    toolEndPointOnBase = result;
    return tevo::ErrnoSucc;
}

int RobotUtilService::base2BaseAdditionalTool(const Pos& flangeCenterPositionOnBase,
                                              const Ori& flangeCenterOrientationOnBase,
                                              const ToolInEndDesc& toolInEndDesc,
                                              Pos& toolEndPositionOnBase,
                                              Ori& toolEndOrientationOnBase) {
    const Rigid flange = makeRigid(flangeCenterPositionOnBase, flangeCenterOrientationOnBase);
    const Rigid tool =
        makeRigid(toolInEndDesc.toolInEndPosition, toolInEndDesc.toolInEndOrientation);
    const Rigid end = compose(flange, tool);
    toolEndPositionOnBase = Pos{end.p[0], end.p[1], end.p[2]};
    toolEndOrientationOnBase = toPublic(end.q);
    return tevo::ErrnoSucc;
}

int RobotUtilService::userCoordPoint2BasePoint(
    const Pos& userCoordPoint, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    Pos& basePoint) {
    switch (userCoordSystem.coordType) {
        case tevo::BaseCoordinate:
            basePoint = userCoordPoint;
            return tevo::ErrnoSucc;
        case tevo::WorldCoordinate: {
            ToolInEndDesc noTool;
            initToolInEndDescDataType(noTool);
            Pos position;
            Ori orientation;
            const int ret = user2BaseCoordinate(userCoordPoint, Ori{1, 0, 0, 0}, userCoordSystem,
                                                noTool, position, orientation);
            if (ret != tevo::ErrnoSucc) {
                logError("sdk log: userCoordPoint2BasePoint call userToBaseCoordinate failed.");
                return ret;
            }
            basePoint = position;
            return tevo::ErrnoSucc;
        }
        default:
            logError("sdk log:Does not support end coordinate systems.");
            return tevo::ErrCode_ParamError;
    }
}

int RobotUtilService::offsetVectorUserCoord2Base(
    const double* vectorOnUserCoord, const CoordCalibrateByJointAngleAndTool& userCoordSystem,
    double* vectorOnBaseCoord) {
    if (vectorOnUserCoord == nullptr || vectorOnBaseCoord == nullptr) {
        return tevo::ErrCode_ParamError;
    }
    switch (userCoordSystem.coordType) {
        case tevo::BaseCoordinate:
            std::memmove(vectorOnBaseCoord, vectorOnUserCoord, 3 * sizeof(double));
            return tevo::ErrnoSucc;
        case tevo::WorldCoordinate: {
            Pos tip;
            Pos origin;
            int ret = userCoordPoint2BasePoint(
                Pos{vectorOnUserCoord[0], vectorOnUserCoord[1], vectorOnUserCoord[2]},
                userCoordSystem, tip);
            if (ret != tevo::ErrnoSucc) {
                return ret;
            }
            ret = userCoordPoint2BasePoint(Pos{0, 0, 0}, userCoordSystem, origin);
            if (ret != tevo::ErrnoSucc) {
                logError("sdk log: offsetVectorUserCoord2Base call userToBaseCoordinate failed.");
                return ret;
            }
            vectorOnBaseCoord[0] = tip.x - origin.x;
            vectorOnBaseCoord[1] = tip.y - origin.y;
            vectorOnBaseCoord[2] = tip.z - origin.z;
            return tevo::ErrnoSucc;
        }
        default:
            return tevo::ErrCode_ParamError;
    }
}

int RobotUtilService::endPosition2BasePosition(const wayPoint_S& flangeCenterPointOnBase,
                                               const Pos& endPosition, Pos& basePosition,
                                               Ori toolOriInEnd) {
    ::Ori frame = toCore(flangeCenterPointOnBase.orientation);
    Ikfunc::QuaternionMultply(frame, toCore(toolOriInEnd), true);
    const double v[3] = {endPosition.x, endPosition.y, endPosition.z};
    double r[3];
    rotateBy(frame, v, r);
    const Pos& p = flangeCenterPointOnBase.cartPos.position;
    basePosition = Pos{p.x + r[0], p.y + r[1], p.z + r[2]};
    return tevo::ErrnoSucc;
}

int RobotUtilService::endOrientation2ToolOrientation(Ori& tcpOriInEnd, const Ori& endOri,
                                                     Ori& toolOri) {
    ::Ori result;
    Ikfunc::endOrientation2ToolOrientation(toCore(tcpOriInEnd), toCore(endOri), result);
    toolOri = toPublic(result);
    return tevo::ErrnoSucc;
}

int RobotUtilService::toolOrientation2EndOrientation(Ori& tcpOriInEnd, const Ori& toolOri,
                                                     Ori& endOri) {
    ::Ori result;
    Ikfunc::toolOrientation2EndOrientation(toCore(tcpOriInEnd), toCore(toolOri), result);
    endOri = toPublic(result);
    return tevo::ErrnoSucc;
}

int RobotUtilService::quaternionToRPY(const Ori& ori, Rpy& rpy) {
    float degrees[3];
    Ikfunc::quaternionToRPY(toCore(ori), degrees);
    rpy.rx = static_cast<double>(degrees[2]) / 180.0 * kPi;
    rpy.ry = static_cast<double>(degrees[1]) / 180.0 * kPi;
    rpy.rz = static_cast<double>(degrees[0]) / 180.0 * kPi;
    return tevo::ErrnoSucc;
}

int RobotUtilService::RPYToQuaternion(const Rpy& rpy, Ori& ori) {
    float angles[3] = {static_cast<float>(rpy.rx), static_cast<float>(rpy.ry),
                       static_cast<float>(rpy.rz)};
    ::Ori result;
    Ikfunc::RPYToQuaternion(result, angles);
    ori = toPublic(result);
    return tevo::ErrnoSucc;
}

bool RobotUtilService::relativeMoveAndRot(const wayPoint_S& firstFlangeWaypointInMove,
                                          const CoordCalibrateByJointAngleAndTool& coord,
                                          ToolInEndDesc realToolInEnd,
                                          const Pos& sourceRelativePositionOnUser,
                                          const Ori& sourceRelativeOriOnUser,
                                          Pos& targetRelativePositionOnBase,
                                          Ori& targetRelativeOriOnBase) {
    const Rigid delta = makeRigid(sourceRelativePositionOnUser, sourceRelativeOriOnUser);
    const Rigid flange = makeRigid(firstFlangeWaypointInMove.cartPos.position,
                                   firstFlangeWaypointInMove.orientation);

    if (coord.coordType == tevo::BaseCoordinate) {
        targetRelativePositionOnBase = sourceRelativePositionOnUser;
        targetRelativeOriOnBase = sourceRelativeOriOnUser;
        return true;
    }

    if (coord.coordType == tevo::EndCoordinate) {
        const bool calibrationTool = !isNoneTool(coord.toolDesc);
        if (!calibrationTool && !isNoneTool(realToolInEnd)) {
            // Absolute target: the real tool point moves by the offset along the
            // flange axes and the flange turns by the rotation.
            const double t[3] = {realToolInEnd.toolInEndPosition.x,
                                 realToolInEnd.toolInEndPosition.y,
                                 realToolInEnd.toolInEndPosition.z};
            double rt[3];
            double rd[3];
            rotateBy(flange.q, t, rt);
            rotateBy(flange.q, delta.p, rd);
            ::Ori q = flange.q;
            Ikfunc::QuaternionMultply(q, delta.q, true);
            double rt2[3];
            rotateBy(q, t, rt2);
            targetRelativePositionOnBase =
                Pos{flange.p[0] + rt[0] + rd[0] - rt2[0], flange.p[1] + rt[1] + rd[1] - rt2[1],
                    flange.p[2] + rt[2] + rd[2] - rt2[2]};
            targetRelativeOriOnBase = Ori{q.w + kAbsoluteTargetMark, q.x, q.y, q.z};
            return true;
        }
        Rigid frame = flange;
        if (calibrationTool) {
            frame = compose(flange, makeRigid(coord.toolDesc.toolInEndPosition,
                                              coord.toolDesc.toolInEndOrientation));
        }
        Rigid motion = compose(compose(frame, delta), inverse(frame));
        if (motion.q.w < 0.0) {
            motion.q = ::Ori{-motion.q.w, -motion.q.x, -motion.q.y, -motion.q.z};
        }
        targetRelativePositionOnBase = Pos{motion.p[0], motion.p[1], motion.p[2]};
        targetRelativeOriOnBase = toPublic(motion.q);
        return true;
    }

    // User frame: taught points are the flange positions plus the calibration
    // tool's offset (its orientation plays no part).
    Pose_S plane[3];
    for (std::size_t i = 0; i < 3; ++i) {
        wayPoint_S wp;
        if (robotFk(coord.wayPointArray[i].jointPos, 6, wp) != tevo::ErrnoSucc) {
            return false;
        }
        const double t[3] = {coord.toolDesc.toolInEndPosition.x, coord.toolDesc.toolInEndPosition.y,
                             coord.toolDesc.toolInEndPosition.z};
        double rt[3];
        rotateBy(toCore(wp.orientation), t, rt);
        plane[i].posU.position = ::Pos{wp.cartPos.position.x + rt[0], wp.cartPos.position.y + rt[1],
                                       wp.cartPos.position.z + rt[2]};
        plane[i].oriU.orientation = toCore(wp.orientation);
    }
    double M[9];
    double bInWPos[3];
    double wInBPos[3];
    if (!Ikfunc::userCoordinateCalib(plane, coreMethod(coord.methods), bInWPos, M, wInBPos)) {
        return false;
    }
    double dR[9];
    Ikfunc::QuaternionToOriMatrix(delta.q, dR);
    // q(dR * M), then R_rel = M^T * R(q(dR * M)).
    double dRM[9];
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            dRM[3 * i + j] = dR[3 * i] * M[j] + dR[3 * i + 1] * M[3 + j] + dR[3 * i + 2] * M[6 + j];
        }
    }
    ::Ori qdRM;
    Ikfunc::OriMatrixToQuaternion(dRM, qdRM);
    double RqdRM[9];
    Ikfunc::QuaternionToOriMatrix(qdRM, RqdRM);
    double Rrel[9];
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            Rrel[3 * i + j] = M[i] * RqdRM[j] + M[3 + i] * RqdRM[3 + j] + M[6 + i] * RqdRM[6 + j];
        }
    }
    double v[3];
    for (std::size_t i = 0; i < 3; ++i) {
        v[i] = dR[3 * i] * bInWPos[0] + dR[3 * i + 1] * bInWPos[1] + dR[3 * i + 2] * bInWPos[2] +
               delta.p[i];
    }
    double t[3];
    for (std::size_t i = 0; i < 3; ++i) {
        t[i] = M[i] * v[0] + M[3 + i] * v[1] + M[6 + i] * v[2] + wInBPos[i];
    }
    ::Ori qRel;
    Ikfunc::OriMatrixToQuaternion(Rrel, qRel);
    targetRelativePositionOnBase = Pos{t[0], t[1], t[2]};
    targetRelativeOriOnBase = toPublic(qRel);
    return true;
}

// -------------------------------------------------------------- initial values

void RobotUtilService::initPosDataType(Pos& value) { value = Pos{0, 0, 0}; }

void RobotUtilService::initOriDataType(Ori& value) { value = Ori{1, 0, 0, 0}; }

void RobotUtilService::initOrientation(Ori& value) { initOriDataType(value); }

void RobotUtilService::initMoveRelativeDataType(tevo::MoveRelative& value) {
    value.ena = false;
    for (float& v : value.relativePosition) {
        v = 0.0f;
    }
    initOriDataType(value.relativeOri);
}

void RobotUtilService::initWayPointDataType(wayPoint_S& value) {
    const double zeros[6] = {0, 0, 0, 0, 0, 0};
    robotFk(zeros, 6, value);
}

void RobotUtilService::initToolInEndDescDataType(ToolInEndDesc& value) {
    initPosDataType(value.toolInEndPosition);
    initOriDataType(value.toolInEndOrientation);
}

void RobotUtilService::initCoordCalibrateByJointAngleAndToolDataType(
    CoordCalibrateByJointAngleAndTool& value) {
    std::memset(&value, 0, sizeof(value));
    value.coordType = tevo::BaseCoordinate;
    initToolInEndDescDataType(value.toolDesc);
}

void RobotUtilService::initToolInertiaDataType(tevo::ToolInertia& value) {
    value = tevo::ToolInertia{0, 0, 0, 0, 0, 0};
}

void RobotUtilService::initToolDynamicsParamDataType(tevo::ToolDynamicsParam& value) {
    value.positionX = value.positionY = value.positionZ = value.payload = 0.0;
    initToolInertiaDataType(value.toolInertia);
}
