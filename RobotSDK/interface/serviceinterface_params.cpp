// The facade's motion parameter commands kept by the controller (weaving,
// joint ranges, regulated speed, force control): forwards to the motion service.

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"

using namespace tevo_robot_namespace;

int ServiceInterface::robotServiceSetWeaveMoveParameters(const WeaveMove& weaveMove) {
    return m_robotMoveService->setWeaveMoveParameters(weaveMove);
}
int ServiceInterface::robotServiceSetJointRangeOfMotion(const JointRangeOfMotion& rangeOfMotion) {
    return m_robotMoveService->setJointRangeOfMotion(rangeOfMotion);
}
int ServiceInterface::robotServiceGetJointRangeOfMotion(JointRangeOfMotion& rangeOfMotion) {
    return m_robotMoveService->getJointRangeOfMotion(rangeOfMotion);
}
int ServiceInterface::robotServiceSetRegulateSpeedModeParam(
    const RegulateSpeedModeParamConfig_t& config) {
    return m_robotMoveService->setRegulateSpeedModeConfig(config);
}
int ServiceInterface::robotServiceGetRegulateSpeedModeParam(
    RegulateSpeedModeParamConfig_t& config) {
    return m_robotMoveService->getRegulateSpeedModeConfig(config);
}
int ServiceInterface::robotServiceEnableRegulateSpeedMode(bool enbaleFlag) {
    return m_robotMoveService->enableRegulateSpeedMode(enbaleFlag);
}
int ServiceInterface::robotServiceGetForceControlModeAdmittancePatam(AdmittancePatam_t& param) {
    return m_robotMoveService->getForceControlModeAdmittancePatam(param);
}
int ServiceInterface::robotServiceSetForceControlModeAdmittancePatam(
    const AdmittancePatam_t& param) {
    return m_robotMoveService->setForceControlModeAdmittancePatam(param);
}
int ServiceInterface::robotServiceGetForceControlModeExploreForceParam(double& forceLimit,
                                                                       double& distLimit) {
    return m_robotMoveService->getForceControlModeExploreForceParam(forceLimit, distLimit);
}
int ServiceInterface::robotServiceSetForceControlModeExploreForceParam(double forceLimit,
                                                                       double distLimit) {
    return m_robotMoveService->setForceControlModeExploreForceParam(forceLimit, distLimit);
}
int ServiceInterface::robotServicEnableForceControlModeService(bool enbaleFlag) {
    return m_robotMoveService->enableForceControlModeService(enbaleFlag);
}
int ServiceInterface::robotServiceGetRealtimeForceData(double* forceData) {
    return m_robotMoveService->getRealtimeForceDataService(forceData);
}
