// The motion parameters the controller keeps (weaving, joint ranges, regulated
// speed, force control, the force sensor reading), which travel as number
// vectors in a fixed order.

#include <initializer_list>
#include <vector>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using namespace controller_request;
using CMT = CommunicationMateType;

namespace {

// A run of doubles inside a record, in wire order.
struct InField {
    const double* data;
    size_t count;
};

std::vector<double> gather(std::initializer_list<InField> fields) {
    std::vector<double> values;
    for (const InField& f : fields) values.insert(values.end(), f.data, f.data + f.count);
    return values;
}

}  // namespace

int RobotMoveService::setWeaveMoveParameters(const WeaveMove& weaveMove) {
    return sendFiniteDoubles(
        *m_robotBaseService, CMT::CommunicationType_setWeaveMoveParameters,
        {weaveMove.weaveEnable ? 1.0 : 0.0, static_cast<double>(weaveMove.weaveType),
         weaveMove.weaveStep, weaveMove.weaveAmplitude, weaveMove.weaveHoldDistance,
         weaveMove.weaveAngle},
        "sdk log: Make CommunicationType_setWeaveMoveParameters protobuf content failed.");
}

int RobotMoveService::setJointRangeOfMotion(const JointRangeOfMotion& rangeOfMotion) {
    std::vector<double> values{rangeOfMotion.enable ? 1.0 : 0.0};
    for (const RangeOfMotion& range : rangeOfMotion.rangeValues) {
        values.push_back(range.minValue);
        values.push_back(range.maxValue);
    }
    return sendFiniteDoubles(
        *m_robotBaseService, CMT::CommunicationType_setJointRangeOfMotion, values,
        "sdk log: Make CommunicationType_setJointRangeOfMotion protobuf content failed.");
}

int RobotMoveService::getJointRangeOfMotion(JointRangeOfMotion& rangeOfMotion) {
    // The enable flag, then a (min, max) pair per joint.
    double values[1 + 2 * ARM_DOF];
    const int ret = queryDoubleFields(
        *m_robotBaseService, CMT::CommunicationType_getJointRangeOfMotion,
        "sdk log: Resolve JointRangeOfMotion response failed.", {{values, 1 + 2 * ARM_DOF}});
    if (ret != ErrnoSucc) return ret;
    rangeOfMotion.enable = values[0] > 0;
    for (int i = 0; i < ARM_DOF; ++i) {
        rangeOfMotion.rangeValues[i].minValue = values[1 + 2 * i];
        rangeOfMotion.rangeValues[i].maxValue = values[2 + 2 * i];
    }
    return ErrnoSucc;
}

int RobotMoveService::setRegulateSpeedModeConfig(const RegulateSpeedModeParamConfig_t& config) {
    return sendFiniteDoubles(
        *m_robotBaseService, CMT::CommunicationType_setRegulateSpeedModeConfig,
        gather({{config.maxJointVelocity, ARM_DOF},
                {config.maxJointAcceleration, ARM_DOF},
                {&config.maxTcpVelocity, 1},
                {&config.maxTcpAcceleration, 1}}),
        "sdk log: Make CommunicationType_setRegulateSpeedModeConfig protobuf content failed.");
}

int RobotMoveService::getRegulateSpeedModeConfig(RegulateSpeedModeParamConfig_t& config) {
    return queryDoubleFields(*m_robotBaseService, CMT::CommunicationType_getRegulateSpeedModeConfig,
                             "sdk log: Resolve RegulateSpeedModeConfig response failed.",
                             {{config.maxJointVelocity, ARM_DOF},
                              {config.maxJointAcceleration, ARM_DOF},
                              {&config.maxTcpVelocity, 1},
                              {&config.maxTcpAcceleration, 1}});
}

int RobotMoveService::enableRegulateSpeedMode(bool enbaleFlag) {
    return sendInts(
        *m_robotBaseService, CMT::CommunicationType_enableRegulateSpeedMode, {enbaleFlag ? 1 : 0},
        "sdk log: Make CommunicationType_enableRegulateSpeedMode protobuf content failed.");
}

int RobotMoveService::getForceControlModeAdmittancePatam(AdmittancePatam_t& param) {
    return queryDoubleFields(*m_robotBaseService,
                             CMT::CommunicationType_getForceControlModeAdmittancePatam,
                             "sdk log: Resolve AdmittancePatam response failed.",
                             {{param.inertia, 6}, {param.damping, 6}, {param.stiffness, 6}});
}

int RobotMoveService::setForceControlModeAdmittancePatam(const AdmittancePatam_t& param) {
    return sendFiniteDoubles(*m_robotBaseService,
                             CMT::CommunicationType_setForceControlModeAdmittancePatam,
                             gather({{param.inertia, 6}, {param.damping, 6}, {param.stiffness, 6}}),
                             "sdk log: Make CommunicationType_setForceControlModeAdmittancePatam "
                             "protobuf content failed.");
}

int RobotMoveService::getForceControlModeExploreForceParam(double& forceLimit, double& distLimit) {
    return queryDoubleFields(
        *m_robotBaseService, CMT::CommunicationType_getForceControlModeExploreForceParam,
        "sdk log: Resolve ExploreForceParam response failed.", {{&forceLimit, 1}, {&distLimit, 1}});
}

int RobotMoveService::setForceControlModeExploreForceParam(double forceLimit, double distLimit) {
    return sendFiniteDoubles(*m_robotBaseService,
                             CMT::CommunicationType_setForceControlModeExploreForceParam,
                             {forceLimit, distLimit},
                             "sdk log: Make CommunicationType_setForceControlModeExploreForceParam "
                             "protobuf content failed.");
}

int RobotMoveService::enableForceControlModeService(bool enbaleFlag) {
    return sendInts(
        *m_robotBaseService, CMT::CommunicationType_enableForceControlMode, {enbaleFlag ? 1 : 0},
        "sdk log: Make CommunicationType_enableForceControlMode protobuf content failed.");
}

int RobotMoveService::getRealtimeForceDataService(double* forceData) {
    if (forceData == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Force data array is NULL.");
        return ErrCode_ParamError;
    }
    return queryDoubleFields(*m_robotBaseService, CMT::CommunicationType_getForceSensorData,
                             "sdk log: Resolve ForceSensorData response failed.", {{forceData, 6}});
}
