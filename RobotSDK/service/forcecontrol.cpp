#include "RobotSDK/service/forcecontrol.h"

#include <vector>

#include "RobotSDK/service/controllerrequest.h"

using namespace tevo_robot_namespace;
using namespace controller_request;
using PED = ProtoEncodeDecode;

ForceControl::ForceControl(RobotControlServices* robotBaseService)
    : m_robotBaseService(robotBaseService) {}

int ForceControl::getForceSensorData(WrenchParam& data) {
    return queryDecoded(*m_robotBaseService,
                        CommunicationMateType::CommunicationType_getForceSensorData,
                        decoder(&PED::resolveResponse_Wrench, data),
                        "sdk log: Resolve getForceSensorData response failed.");
}

int ForceControl::CalibToolAndSensor(JointParam* JointParamGroup, WrenchParam* wrenchParamGroup,
                                     FtSensorCalResult& result) {
    if (JointParamGroup == nullptr || wrenchParamGroup == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: CalibToolAndSensor input is null.");
        return ErrCode_ParamError;
    }
    return queryEncoded(
        *m_robotBaseService, CommunicationMateType::CommunicationType_CalibToolAndSensor,
        encoder(&PED::getRequest_FtSensorCalibParam, JointParamGroup, wrenchParamGroup),
        "sdk log: Make CalibToolAndSensor protobuf content failed.",
        ErrCode_CreateMotionRequestFailed,
        decoder(&PED::resolveResponse_FtSensorCalibResult, result),
        "sdk log: Resolve CalibToolAndSensor response failed.");
}

int ForceControl::EnableForceControlPlan(bool enableFlag) {
    return sendInts(
        *m_robotBaseService, CommunicationMateType::CommunicationType_EnableForceControlPlan,
        {enableFlag ? 1 : 0}, "sdk log: Make EnableForceControlPlan protobuf content failed.");
}

int ForceControl::SetForceControlAttributes(int type, double* data) {
    if (data == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: SetForceControlAttributes data is null.");
        return ErrCode_ParamError;
    }
    std::vector<double> values{static_cast<double>(type)};
    values.insert(values.end(), data, data + 6);
    return sendDoubles(*m_robotBaseService,
                       CommunicationMateType::CommunicationType_SetForceControlAttributes, values,
                       "sdk log: Make SetForceControlAttributes protobuf content failed.");
}

int ForceControl::SetForceDeviation(double* data) {
    return SetForceControlAttributes(ForceDeviation, data);
}

int ForceControl::SetForceMaxValue(double* data) {
    return SetForceControlAttributes(ForceMaxValue, data);
}

int ForceControl::SetForceControlStiffness(double* data) {
    return SetForceControlAttributes(ForceControlStiffness, data);
}

int ForceControl::SetForceControlDamp(double* data) {
    return SetForceControlAttributes(ForceControlDamp, data);
}

int ForceControl::SetForceControlMass(double* data) {
    return SetForceControlAttributes(ForceControlMass, data);
}

int ForceControl::forceControlCalibrationZero() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_ForceControlCalibrationZero);
}
