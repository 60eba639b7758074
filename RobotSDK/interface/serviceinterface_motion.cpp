// The facade's global move profile and motion operations: forwards to the
// motion service, plus the steps that turn joint angles into a waypoint
// first, reduce mode as a bool, and the online-mode reads.
#include <cstring>
#include <iostream>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

// ---- Global move profile ----------------------------------------------------------

int ServiceInterface::robotServiceInitGlobalMoveProfile() {
    return m_robotMoveService->initMoveProfile();
}
int ServiceInterface::robotServiceSetGlobalMoveJointMaxAcc(const JointVelcAccParam& moveMaxAcc) {
    return m_robotMoveService->setMoveJointMaxAcc(moveMaxAcc);
}
int ServiceInterface::robotServiceSetGlobalMoveJointMaxVelc(const JointVelcAccParam& moveMaxVelc) {
    return m_robotMoveService->setMoveJointMaxVelc(moveMaxVelc);
}
void ServiceInterface::robotServiceGetGlobalMoveJointMaxAcc(JointVelcAccParam& moveMaxAcc) {
    m_robotMoveService->getMoveJointMaxAcc(moveMaxAcc);
}
void ServiceInterface::robotServiceGetGlobalMoveJointMaxVelc(JointVelcAccParam& moveMaxVelc) {
    m_robotMoveService->getMoveJointMaxVelc(moveMaxVelc);
}
int ServiceInterface::robotServiceSetGlobalMoveEndMaxLineAcc(double moveMaxAcc) {
    return m_robotMoveService->setMoveEndMaxLineAcc(moveMaxAcc);
}
int ServiceInterface::robotServiceSetGlobalMoveEndMaxLineVelc(double moveMaxVelc) {
    return m_robotMoveService->setMoveEndMaxLineVelc(moveMaxVelc);
}
void ServiceInterface::robotServiceGetGlobalMoveEndMaxLineAcc(double& moveMaxAcc) {
    m_robotMoveService->getMoveEndMaxLineAcc(moveMaxAcc);
}
void ServiceInterface::robotServiceGetGlobalMoveEndMaxLineVelc(double& moveMaxVelc) {
    m_robotMoveService->getMoveEndMaxLineVelc(moveMaxVelc);
}
int ServiceInterface::robotServiceSetGlobalMoveEndMaxAngleAcc(double moveMaxAcc) {
    return m_robotMoveService->setMoveEndMaxAngleAcc(moveMaxAcc);
}
int ServiceInterface::robotServiceSetGlobalMoveEndMaxAngleVelc(double moveMaxVelc) {
    return m_robotMoveService->setMoveEndMaxAngleVelc(moveMaxVelc);
}
void ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleAcc(double& moveMaxAcc) {
    m_robotMoveService->getMoveEndMaxAngleAcc(moveMaxAcc);
}
void ServiceInterface::robotServiceGetGlobalMoveEndMaxAngleVelc(double& moveMaxVelc) {
    m_robotMoveService->getMoveEndMaxAngleVelc(moveMaxVelc);
}
int ServiceInterface::robotServiceSetJerkAccRatio(double acc) {
    return m_robotMoveService->setJerkAccRatio(acc);
}
void ServiceInterface::robotServiceGetJerkAccRatio(double& acc) {
    m_robotMoveService->getJerkAccRatio(acc);
}
void ServiceInterface::robotServiceClearGlobalWayPointVector() {
    m_robotMoveService->clearWayPointVector();
}
int ServiceInterface::robotServiceAddGlobalWayPoint(const wayPoint_S& wayPoint) {
    return m_robotMoveService->addWayPoint(wayPoint);
}
int ServiceInterface::robotServiceAddGlobalWayPoint(const double* jointAngle) {
    wayPoint_S wayPoint;
    initWayPointDataType(wayPoint);
    const int ret = robotServiceRobotFk(jointAngle, ARM_DOF, wayPoint);
    if (ret != ErrnoSucc) return ret;
    return m_robotMoveService->addWayPoint(wayPoint);
}
void ServiceInterface::robotServiceGetGlobalWayPointVector(
    std::vector<wayPoint_S>& wayPointVector) {
    m_robotMoveService->getWayPointVector(wayPointVector);
}
float ServiceInterface::robotServiceGetGlobalBlendRadius() {
    return m_robotMoveService->getBlendRadius();
}
int ServiceInterface::robotServiceSetGlobalBlendRadius(float value) {
    return m_robotMoveService->setBlendRadius(value);
}
double ServiceInterface::robotServiceGetTrackPlaybackCycle() {
    return m_robotMoveService->getTrackPlaybackCycle();
}
int ServiceInterface::robotServiceSetTrackPlaybackCycle(double second) {
    return m_robotMoveService->setTrackPlaybackCycle(second);
}
int ServiceInterface::robotServiceGetGlobalCircularLoopTimes() {
    return m_robotMoveService->getCircularLoopTimes();
}
void ServiceInterface::robotServiceSetGlobalCircularLoopTimes(int times) {
    m_robotMoveService->setCircularLoopTimes(times);
}
int ServiceInterface::robotServiceSetMoveRelativeParam(const MoveRelative& relativeMoveOnBase) {
    return m_robotMoveService->setMoveProfileRelativeParam(relativeMoveOnBase);
}
int ServiceInterface::robotServiceSetMoveRelativeParam(
    const MoveRelative& relativeMoveOnUserCoord,
    const CoordCalibrateByJointAngleAndTool& userCoord) {
    return m_robotMoveService->setMoveProfileRelativeParam(relativeMoveOnUserCoord, userCoord);
}
int ServiceInterface::robotServiceSetNoArrivalAhead() {
    return m_robotMoveService->setNoArrivalAhead();
}
int ServiceInterface::robotServiceSetArrivalAheadDistanceMode(double distance) {
    return m_robotMoveService->setArrivalAheadDistanceMode(distance);
}
int ServiceInterface::robotServiceSetArrivalAheadTimeMode(double second) {
    return m_robotMoveService->setArrivalAheadTimeMode(second);
}
int ServiceInterface::robotServiceSetArrivalAheadBlendDistanceMode(double distance) {
    return m_robotMoveService->setArrivalAheadBlendDistanceMode(distance);
}
int ServiceInterface::robotServiceSetTeachCoordinateSystem(
    const CoordCalibrateByJointAngleAndTool& coordSystem) {
    return m_robotMoveService->setTeachCoordinateSystem(coordSystem);
}
int ServiceInterface::robotServiceSetToolKinematicsParam(const ToolInEndDesc& toolInEndDesc) {
    return m_robotMoveService->setMoveProfileToolParam(toolInEndDesc);
}
int ServiceInterface::robotServiceGetToolKinematicsParam(ToolInEndDesc& toolInEndDesc) {
    return m_robotMoveService->getMoveProfileToolParam(toolInEndDesc);
}
int ServiceInterface::robotServiceSetNoneToolKinematicsParam() {
    return m_robotMoveService->setMoveProfileToolParamIsNone();
}

// ---- Moves ---------------------------------------------------------------------------

// The waypoint of six joint angles: joints as given, pose by forward kinematics.
int ServiceInterface::waypointOfJointAngles(const double* jointAngle, wayPoint_S& wayPoint) {
    initWayPointDataType(wayPoint);
    // Forward kinematics would turn a NaN into a pose that looks valid.
    if (jointAngle != nullptr &&
        target_check::refuseNonFinite("Joint angles", jointAngle, ARM_DOF) != ErrnoSucc)
        return ErrCode_ParamError;
    return robotServiceRobotFk(jointAngle, ARM_DOF, wayPoint);
}

int ServiceInterface::robotServiceJointMove(wayPoint_S& wayPoint, bool IsBolck) {
    return m_robotMoveService->robotJointMove(wayPoint, IsBolck);
}
int ServiceInterface::robotServiceJointMove(double* jointAngle, bool IsBolck) {
    wayPoint_S wayPoint;
    const int ret = waypointOfJointAngles(jointAngle, wayPoint);
    if (ret != ErrnoSucc) return ret;
    return m_robotMoveService->robotJointMove(wayPoint, IsBolck);
}
int ServiceInterface::robotServiceJointMove(MoveProfile_t& moveProfile, double* jointAngle,
                                            bool IsBolck) {
    wayPoint_S wayPoint;
    const int ret = waypointOfJointAngles(jointAngle, wayPoint);
    if (ret != ErrnoSucc) return ret;
    return m_robotMoveService->robotJointMove(moveProfile, wayPoint, IsBolck);
}
int ServiceInterface::robotServiceFollowModeJointMove(double* jointAngle) {
    wayPoint_S wayPoint;
    const int ret = waypointOfJointAngles(jointAngle, wayPoint);
    if (ret != ErrnoSucc) return ret;
    return m_robotMoveService->robotFollowModeJointMove(wayPoint);
}
int ServiceInterface::robotServiceLineMove(wayPoint_S& wayPoint, bool IsBolck) {
    // The pose sent is always the forward kinematics of the joints.
    double joints[ARM_DOF];
    std::memcpy(joints, wayPoint.jointpos, sizeof(joints));
    robotServiceRobotFk(joints, ARM_DOF, wayPoint);
    return m_robotMoveService->robotLineMove(wayPoint, IsBolck);
}
int ServiceInterface::robotServiceLineMove(double* jointAngle, bool IsBolck) {
    if (jointAngle == nullptr) {
        // Without joints the prepared waypoint (all zeros) would be sent.
        RobotLogPrint::trace(LL_ERROR, "sdk log: Line move joint angles are NULL.");
        return ErrCode_ParamError;
    }
    wayPoint_S wayPoint;
    const int ret = waypointOfJointAngles(jointAngle, wayPoint);  // the pose is recomputed below
    if (ret != ErrnoSucc) return ret;
    return robotServiceLineMove(wayPoint, IsBolck);
}
int ServiceInterface::robotServiceLineMove(MoveProfile_t& moveProfile, double* jointAngle,
                                           bool IsBolck) {
    wayPoint_S wayPoint;
    const int ret = waypointOfJointAngles(jointAngle, wayPoint);
    if (ret != ErrnoSucc) return ret;
    return m_robotMoveService->robotLineMove(moveProfile, wayPoint, IsBolck);
}
int ServiceInterface::robotServiceRotateMove(const CoordCalibrateByJointAngleAndTool& userCoord,
                                             const double* rotateAxisOnUserCoord,
                                             double rotateAngle, bool IsBolck) {
    return m_robotMoveService->robotLineRotateMove(userCoord, rotateAxisOnUserCoord, rotateAngle,
                                                   IsBolck);
}
int ServiceInterface::robotServiceTrackMove(move_track subMoveMode, bool IsBolck) {
    return m_robotMoveService->robotTrackMove(subMoveMode, IsBolck);
}
int ServiceInterface::robotServiceTeachStart(teach_mode mode, bool direction) {
    return m_robotMoveService->robotTeachStart(mode, direction);
}
int ServiceInterface::robotServiceTeachStop() { return m_robotMoveService->robotTeachStop(); }

int ServiceInterface::rootServiceRobotMoveControl(RobotMoveControlCommand cmd) {
    std::cout << "rootServiceRobotMoveControl called."
              << "cmd:" << static_cast<int>(cmd) << std::endl;
    return m_robotMoveService->robotMoveControl(cmd);
}
int ServiceInterface::robotMoveFastStop() { return m_robotMoveService->robotMoveFastStop(); }
int ServiceInterface::robotMoveStop() { return m_robotMoveService->robotMoveSlowStop(true); }

int ServiceInterface::robotServiceGetCurrentWaypointInfo(wayPoint_S& wayPoint) {
    return m_robotMoveService->getCurrnetRoadPoint(wayPoint);
}

// ---- Reduce mode and online modes ------------------------------------------------------

bool ServiceInterface::robotServiceEnterRobotReduceMode() {
    return m_robotMoveService->enterRobotReduceMode() != ErrnoSucc;
}
bool ServiceInterface::robotServiceExitRobotReduceMode() {
    return m_robotMoveService->exitRobotReduceMode() != ErrnoSucc;
}

// A low input means the mode is on.
int ServiceInterface::robotServiceIsOnlineMode(bool& isOnlineMode) {
    double value = 0.0;
    const int ret = robotServiceGetBoardIOStatus(RobotBoardControllerDI, "CI00", value);
    isOnlineMode = ret == ErrnoSucc && value < 0.5;
    return ret;
}
int ServiceInterface::robotServiceIsOnlineMasterMode(bool& isOnlineMasterMode) {
    double value = 0.0;
    const int ret = robotServiceGetBoardIOStatus(RobotBoardControllerDI, "CI01", value);
    isOnlineMasterMode = ret != ErrnoSucc || value < 0.5;
    return ret;
}
