#ifndef FORCECONTROL_H
#define FORCECONTROL_H

// The force/torque sensor at the flange: reads the wrench, calibrates tool
// and sensor, switches a force-control plan on and off and sets its
// attributes. The facade offers none of these; the force-control mode and the
// real-time force reading it does offer belong to RobotMoveService.
//
// Threads: application threads only, any number at once. The class keeps no
// state besides the control core (not owned); each operation is one request
// of at most 1.8 s through the core's request engine.

#include "TevoRobotMetaType.h"

class RobotControlServices;

class ForceControl {
public:
    // The first value of the SetForceControlAttributes vector.
    enum AttributeType {
        ForceDeviation = 1,
        ForceMaxValue = 2,
        ForceControlStiffness = 3,
        ForceControlDamp = 4,
        ForceControlMass = 5
    };

    explicit ForceControl(RobotControlServices* robotBaseService);

    ForceControl(const ForceControl&) = delete;
    ForceControl& operator=(const ForceControl&) = delete;

    // The reply is read as a ProtoResponseWrench; data is written only when
    // it decodes and holds a wrench.
    int getForceSensorData(WrenchParam& data);
    // Three joint-angle sets and the wrench measured at each (arrays of three);
    // null arrays are refused with ErrCode_ParamError before anything is sent.
    int CalibToolAndSensor(tevo_robot_namespace::JointParam* JointParamGroup,
                           WrenchParam* wrenchParamGroup, FtSensorCalResult& result);
    int EnableForceControlPlan(bool enableFlag);
    // Sends type followed by the six values of data; null data is refused
    // with ErrCode_ParamError.
    int SetForceControlAttributes(int type, double* data);
    int SetForceDeviation(double* data);
    int SetForceMaxValue(double* data);
    int SetForceControlStiffness(double* data);
    int SetForceControlDamp(double* data);
    int SetForceControlMass(double* data);
    int forceControlCalibrationZero();

private:
    RobotControlServices* m_robotBaseService;
};

#endif  // FORCECONTROL_H
