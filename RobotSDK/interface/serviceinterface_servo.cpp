// The facade's servo streaming: forwards to the object's servo stream.
#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/servostream.h"

using namespace tevo_robot_namespace;

int ServiceInterface::robotServiceServoStart(const ServoStreamOptions& options) {
    return m_servoStream->start(options);
}
int ServiceInterface::robotServiceServoWaitPeriod() { return m_servoStream->waitPeriod(); }
int ServiceInterface::robotServiceServoJoint(const double* jointAngle) {
    return m_servoStream->sendJoints(jointAngle);
}
int ServiceInterface::robotServiceServoPose(const Pos& position, const Ori& orientation) {
    return m_servoStream->sendPose(position, orientation);
}
int ServiceInterface::robotServiceServoStop() { return m_servoStream->stop(); }
void ServiceInterface::robotServiceServoStatus(ServoStreamStatus& status) const {
    m_servoStream->status(status);
}
