// The facade's offline-track, position-streaming and excitation-trajectory
// operations: forwards to the motion service.
#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"

using namespace tevo_robot_namespace;

namespace {

// One streaming request carries at most this many waypoints: as many as an
// offline-track batch.
constexpr long long kMaxStreamedWaypoints = 5000;

}  // namespace

int ServiceInterface::robotServiceOfflineTrackWaypointAppend(
    const std::vector<wayPoint_S>& wayPointVector) {
    return m_robotMoveService->offlineTrackWaypointAppend(wayPointVector);
}
int ServiceInterface::robotServiceOfflineTrackWaypointAppend(const char* fileName) {
    return m_robotMoveService->offlineTrackWaypointAppend(fileName);
}
int ServiceInterface::robotServiceOfflineTrackWaypointClear() {
    return m_robotMoveService->offlineTrackWaypointClear();
}
int ServiceInterface::robotServiceOfflineTrackMoveStartup(bool IsBolck) {
    return m_robotMoveService->offlineTrackMoveStartupService(IsBolck);
}
int ServiceInterface::robotServiceOfflineTrackMoveStop() {
    return m_robotMoveService->offlineTrackMoveStop();
}
int ServiceInterface::robotServiceEnterTcp2CanbusMode() {
    return m_robotMoveService->enterTcp2CanbusMode();
}
int ServiceInterface::robotServiceLeaveTcp2CanbusMode() {
    return m_robotMoveService->leaveTcp2CanbusMode();
}
int ServiceInterface::robotServiceSetRobotPosData2Canbus(
    const std::vector<wayPoint_S>& wayPointVector) {
    if (!countInRange("robotServiceSetRobotPosData2Canbus", "waypoint count",
                      static_cast<long long>(wayPointVector.size()), 1, kMaxStreamedWaypoints)) {
        return ErrCode_ParamError;
    }
    return m_robotMoveService->setRobotPosData2Canbus(wayPointVector);
}
int ServiceInterface::robotServiceSetRobotPosData2Canbus(double* jointAngle) {
    if (jointAngle == nullptr) return ErrCode_ParamError;
    // The joints are what the bus receives; the pose from forward kinematics
    // only accompanies them, so its result is not looked at.
    wayPoint_S wayPoint;
    waypointOfJointAngles(jointAngle, wayPoint);
    for (int i = 0; i < ARM_DOF; ++i) wayPoint.jointpos[i] = jointAngle[i];
    return m_robotMoveService->setRobotPosData2Canbus({wayPoint});
}
int ServiceInterface::startupOfflineExcitTrajService(const char* trackFile,
                                                     Robot_Dyn_identify_traj type, int subtype,
                                                     bool isBolck) {
    return m_robotMoveService->startupOfflineExcitTraj(trackFile, type, subtype, isBolck);
}
