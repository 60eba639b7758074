/* Prints the layout of the C records of handle/rsrobotcontrol.h that the
 * tevo_robot package mirrors with ctypes, one line each:
 *
 *   record NAME SIZE ALIGN
 *   field RECORD MEMBER OFFSET SIZE COUNT TYPE
 *
 * COUNT is the element count of an array member, 0 for any other member.
 * TYPE is the ctypes type code of the member (of its elements for an array):
 * "?" bool, "c" char, "b"/"B" 8-bit, "h"/"H" 16-bit, "i"/"I" int, "f" float,
 * "d" double, "z" string pointer, "record" for a struct or union. */
#include <stddef.h>
#include <stdio.h>

#include "handle/rsrobotcontrol.h"

#define TYPE_CODE(x) \
    _Generic((x),                                                                                 \
        _Bool: "?",                                                                               \
        char: "c",                                                                                \
        signed char: "b",                                                                         \
        unsigned char: "B",                                                                       \
        short: "h",                                                                               \
        unsigned short: "H",                                                                      \
        int: "i",                                                                                 \
        unsigned int: "I",                                                                        \
        long: "l",                                                                                \
        unsigned long: "L",                                                                       \
        long long: "q",                                                                           \
        unsigned long long: "Q",                                                                  \
        float: "f",                                                                               \
        double: "d",                                                                              \
        char*: "z",                                                                               \
        const char*: "z",                                                                         \
        default: "record")

/* The member expressions are operands of sizeof and _Generic only: never evaluated. */
#define MEMBER(T, m) (((T*)0)->m)

#define RECORD(T) printf("record %s %zu %zu\n", #T, sizeof(T), _Alignof(T))
#define FIELD(T, m)                                                                    \
    printf("field %s %s %zu %zu 0 %s\n", #T, #m, offsetof(T, m), sizeof(MEMBER(T, m)), \
           TYPE_CODE(MEMBER(T, m)))
#define ARRAY(T, m)                                                                      \
    printf("field %s %s %zu %zu %zu %s\n", #T, #m, offsetof(T, m), sizeof(MEMBER(T, m)), \
           sizeof(MEMBER(T, m)) / sizeof(MEMBER(T, m)[0]), TYPE_CODE(MEMBER(T, m)[0]))

int main(void) {
    RECORD(Pos);
    FIELD(Pos, x);
    FIELD(Pos, y);
    FIELD(Pos, z);

    RECORD(Ori);
    FIELD(Ori, w);
    FIELD(Ori, x);
    FIELD(Ori, y);
    FIELD(Ori, z);

    RECORD(Rpy);
    FIELD(Rpy, rx);
    FIELD(Rpy, ry);
    FIELD(Rpy, rz);

    RECORD(ToolInEndDesc);
    FIELD(ToolInEndDesc, toolInEndPosition);
    FIELD(ToolInEndDesc, toolInEndOrientation);

    /* The package reads the position member of the cartPos union. */
    RECORD(wayPoint_S);
    FIELD(wayPoint_S, cartPos.position);
    FIELD(wayPoint_S, orientation);
    ARRAY(wayPoint_S, jointpos);

    RECORD(JointParam);
    ARRAY(JointParam, jointPos);

    RECORD(JointVelcAccParam);
    ARRAY(JointVelcAccParam, jointPara);

    RECORD(RangeOfMotion);
    FIELD(RangeOfMotion, minValue);
    FIELD(RangeOfMotion, maxValue);

    RECORD(CoordCalibrate);
    FIELD(CoordCalibrate, coordType);
    FIELD(CoordCalibrate, methods);
    ARRAY(CoordCalibrate, wayPointArray);
    FIELD(CoordCalibrate, toolDesc);

    RECORD(MoveRelative);
    FIELD(MoveRelative, ena);
    ARRAY(MoveRelative, relativePosition);
    FIELD(MoveRelative, relativeOri);

    RECORD(MoveProfile_t);
    ARRAY(MoveProfile_t, jointMaxAcc);
    ARRAY(MoveProfile_t, jointMaxVelc);
    FIELD(MoveProfile_t, endMaxLineAcc);
    FIELD(MoveProfile_t, endMaxLineVelc);
    FIELD(MoveProfile_t, relative);
    FIELD(MoveProfile_t, relativeOnCoord);
    FIELD(MoveProfile_t, blendRadius);
    FIELD(MoveProfile_t, toolInEndDesc);

    RECORD(RegulateSpeedModeParamConfig_t);
    FIELD(RegulateSpeedModeParamConfig_t, maxTcpVelocity);
    FIELD(RegulateSpeedModeParamConfig_t, maxTcpAcceleration);
    ARRAY(RegulateSpeedModeParamConfig_t, maxJointVelocity);
    ARRAY(RegulateSpeedModeParamConfig_t, maxJointAcceleration);

    RECORD(ToolInertia);
    FIELD(ToolInertia, xx);
    FIELD(ToolInertia, xy);
    FIELD(ToolInertia, xz);
    FIELD(ToolInertia, yy);
    FIELD(ToolInertia, yz);
    FIELD(ToolInertia, zz);

    RECORD(ToolDynamicsParam);
    FIELD(ToolDynamicsParam, positionX);
    FIELD(ToolDynamicsParam, positionY);
    FIELD(ToolDynamicsParam, positionZ);
    FIELD(ToolDynamicsParam, payload);
    FIELD(ToolDynamicsParam, toolInertia);

    RECORD(JointStatus);
    FIELD(JointStatus, jointCurrentI);
    FIELD(JointStatus, jointSpeedMoto);
    FIELD(JointStatus, jointPosJ);
    FIELD(JointStatus, jointCurVol);
    FIELD(JointStatus, jointCurTemp);
    FIELD(JointStatus, jointTagCurrentI);
    FIELD(JointStatus, jointTagSpeedMoto);
    FIELD(JointStatus, jointTagPosJ);
    FIELD(JointStatus, jointErrorNum);

    RECORD(RobotDiagnosis);
    FIELD(RobotDiagnosis, armCanbusStatus);
    FIELD(RobotDiagnosis, armPowerCurrent);
    FIELD(RobotDiagnosis, armPowerVoltage);
    FIELD(RobotDiagnosis, armPowerStatus);
    FIELD(RobotDiagnosis, contorllerTemp);
    FIELD(RobotDiagnosis, contorllerHumidity);
    FIELD(RobotDiagnosis, remoteHalt);
    FIELD(RobotDiagnosis, softEmergency);
    FIELD(RobotDiagnosis, remoteEmergency);
    FIELD(RobotDiagnosis, robotCollision);
    FIELD(RobotDiagnosis, forceControlMode);
    FIELD(RobotDiagnosis, brakeStuats);
    FIELD(RobotDiagnosis, robotEndSpeed);
    FIELD(RobotDiagnosis, robotMaxAcc);
    FIELD(RobotDiagnosis, orpeStatus);
    FIELD(RobotDiagnosis, enableReadPose);
    FIELD(RobotDiagnosis, robotMountingPoseChanged);
    FIELD(RobotDiagnosis, encoderErrorStatus);
    FIELD(RobotDiagnosis, staticCollisionDetect);
    FIELD(RobotDiagnosis, jointCollisionDetect);
    FIELD(RobotDiagnosis, encoderLinesError);
    FIELD(RobotDiagnosis, jointErrorStatus);
    FIELD(RobotDiagnosis, singularityOverSpeedAlarm);
    FIELD(RobotDiagnosis, robotCurrentAlarm);
    FIELD(RobotDiagnosis, toolIoError);
    FIELD(RobotDiagnosis, robotMountingPoseWarning);
    FIELD(RobotDiagnosis, macTargetPosBufferSize);
    FIELD(RobotDiagnosis, macTargetPosDataSize);
    FIELD(RobotDiagnosis, macDataInterruptWarning);
    FIELD(RobotDiagnosis, controlBoardAbnormalStateFlag);

    RECORD(RobotGravityComponent);
    FIELD(RobotGravityComponent, x);
    FIELD(RobotGravityComponent, y);
    FIELD(RobotGravityComponent, z);

    RECORD(RobotRecongnitionParam);
    FIELD(RobotRecongnitionParam, type);
    FIELD(RobotRecongnitionParam, length);
    ARRAY(RobotRecongnitionParam, data);

    RECORD(JointVersion);
    ARRAY(JointVersion, hw_version);
    ARRAY(JointVersion, sw_version);

    RECORD(JointProductID);
    ARRAY(JointProductID, productID);

    RECORD(RobotDevInfo);
    FIELD(RobotDevInfo, type);
    ARRAY(RobotDevInfo, revision);
    ARRAY(RobotDevInfo, manu_id);
    ARRAY(RobotDevInfo, joint_type);
    ARRAY(RobotDevInfo, joint_ver);
    ARRAY(RobotDevInfo, desc);
    ARRAY(RobotDevInfo, jointProductID);
    ARRAY(RobotDevInfo, slave_version);
    ARRAY(RobotDevInfo, extio_version);

    RECORD(JointCommonData);
    FIELD(JointCommonData, JointCurVol);
    FIELD(JointCommonData, JointCurTemp);
    FIELD(JointCommonData, JointWorkMode);
    FIELD(JointCommonData, JointDriEnable);
    FIELD(JointCommonData, JointOpenPwm);
    FIELD(JointCommonData, JointTagCurrent);
    FIELD(JointCommonData, JointTagSpeed);
    FIELD(JointCommonData, JointTagPos);
    FIELD(JointCommonData, JointMaxCur);
    FIELD(JointCommonData, JointMaxSpeed);
    FIELD(JointCommonData, JointMaxAcc);
    FIELD(JointCommonData, JointMINPos);
    FIELD(JointCommonData, JointMAXPos);
    FIELD(JointCommonData, JointSEVLock);
    FIELD(JointCommonData, JointCurP);
    FIELD(JointCommonData, JointCurI);
    FIELD(JointCommonData, JointCurD);
    FIELD(JointCommonData, JointSpeedP);
    FIELD(JointCommonData, JointSpeedI);
    FIELD(JointCommonData, JointSpeedD);
    FIELD(JointCommonData, JointSpeedDS);
    FIELD(JointCommonData, JointPosP);
    FIELD(JointCommonData, JointPosI);
    FIELD(JointCommonData, JointPosD);
    FIELD(JointCommonData, JointPosDS);

    RECORD(RobotJointCommonData);
    ARRAY(RobotJointCommonData, data);

    RECORD(RobotSafetyConfig);
    ARRAY(RobotSafetyConfig, robotReducedConfigJointSpeed);
    FIELD(RobotSafetyConfig, robotReducedConfigTcpSpeed);
    FIELD(RobotSafetyConfig, robotReducedConfigTcpForce);
    FIELD(RobotSafetyConfig, robotReducedConfigMomentum);
    FIELD(RobotSafetyConfig, robotReducedConfigPower);
    FIELD(RobotSafetyConfig, robotSafeguradResetConfig);
    FIELD(RobotSafetyConfig, robotOperationalModeConfig);

    RECORD(OrpeSafetyStatus);
    FIELD(OrpeSafetyStatus, orpePause);
    FIELD(OrpeSafetyStatus, orpeStop);
    ARRAY(OrpeSafetyStatus, orpeError);
    FIELD(OrpeSafetyStatus, systemEmergencyStop);
    FIELD(OrpeSafetyStatus, reducedModeError);
    FIELD(OrpeSafetyStatus, safetyguardResetSucc);

    RECORD(RobotIoDesc);
    ARRAY(RobotIoDesc, ioId);
    FIELD(RobotIoDesc, ioType);
    ARRAY(RobotIoDesc, ioName);
    FIELD(RobotIoDesc, ioAddr);
    FIELD(RobotIoDesc, ioValue);

    RECORD(ik_solutions);
    ARRAY(ik_solutions, waypoint);
    FIELD(ik_solutions, solution_count);

    RECORD(Move_Rotate_Axis);
    ARRAY(Move_Rotate_Axis, rotateAxis);

    RECORD(ServoStreamStatus);
    FIELD(ServoStreamStatus, active);
    FIELD(ServoStreamStatus, reserved);
    FIELD(ServoStreamStatus, cycles);
    FIELD(ServoStreamStatus, overruns);
    FIELD(ServoStreamStatus, sent);
    FIELD(ServoStreamStatus, answered);
    FIELD(ServoStreamStatus, refused);
    FIELD(ServoStreamStatus, refusedLocally);
    FIELD(ServoStreamStatus, lateLastSec);
    FIELD(ServoStreamStatus, lateP50Sec);
    FIELD(ServoStreamStatus, lateP99Sec);
    FIELD(ServoStreamStatus, lateMaxSec);
    FIELD(ServoStreamStatus, answerP50Sec);
    FIELD(ServoStreamStatus, answerP99Sec);
    FIELD(ServoStreamStatus, answerMaxSec);
    ARRAY(ServoStreamStatus, lastTarget);

    RECORD(rs_robot_event_info);
    FIELD(rs_robot_event_info, eventType);
    FIELD(rs_robot_event_info, eventCode);
    FIELD(rs_robot_event_info, eventContent);
    return 0;
}
