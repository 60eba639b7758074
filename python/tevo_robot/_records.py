"""ctypes mirrors of the records in rsrobotcontrol.h.

Each class has the layout of the C record of the same name (natural
alignment, int-sized enumerations, one-byte bool), so instances can be
passed by pointer to the rs_* functions. Nothing here is public: the
package converts these records to and from the dataclasses in types.py.
"""
import ctypes

c_bool = ctypes.c_bool
c_double = ctypes.c_double
c_float = ctypes.c_float
c_int = ctypes.c_int
c_int8 = ctypes.c_int8
c_int32 = ctypes.c_int32
c_uint8 = ctypes.c_uint8
c_uint16 = ctypes.c_uint16
c_uint32 = ctypes.c_uint32
c_uint64 = ctypes.c_uint64
c_char = ctypes.c_char

RSHD = c_uint16
Joints = c_double * 6


def _fields(ctype, *names):
    return [(name, ctype) for name in names]


class Pos(ctypes.Structure):
    _fields_ = _fields(c_double, "x", "y", "z")


class Ori(ctypes.Structure):
    _fields_ = _fields(c_double, "w", "x", "y", "z")


class Rpy(ctypes.Structure):
    _fields_ = _fields(c_double, "rx", "ry", "rz")


class ToolInEndDesc(ctypes.Structure):
    _fields_ = [("toolInEndPosition", Pos), ("toolInEndOrientation", Ori)]


class WayPoint(ctypes.Structure):
    _fields_ = [("position", Pos), ("orientation", Ori), ("jointpos", Joints)]


class JointParam(ctypes.Structure):
    _fields_ = [("jointPos", Joints)]


class JointVelcAccParam(ctypes.Structure):
    _fields_ = [("jointPara", Joints)]


class RangeOfMotion(ctypes.Structure):
    _fields_ = _fields(c_double, "minValue", "maxValue")


class CoordCalibrate(ctypes.Structure):
    _fields_ = [("coordType", c_int), ("methods", c_int), ("wayPointArray", JointParam * 3),
                ("toolDesc", ToolInEndDesc)]


class MoveRelative(ctypes.Structure):
    _fields_ = [("ena", c_bool), ("relativePosition", c_float * 3), ("relativeOri", Ori)]


class MoveProfile(ctypes.Structure):
    _fields_ = [("jointMaxAcc", Joints), ("jointMaxVelc", Joints),
                ("endMaxLineAcc", c_double), ("endMaxLineVelc", c_double),
                ("relative", MoveRelative), ("relativeOnCoord", CoordCalibrate),
                ("blendRadius", c_double), ("toolInEndDesc", ToolInEndDesc)]


class RegulateSpeedModeParamConfig(ctypes.Structure):
    _fields_ = [("maxTcpVelocity", c_double), ("maxTcpAcceleration", c_double),
                ("maxJointVelocity", Joints), ("maxJointAcceleration", Joints)]


class ToolInertia(ctypes.Structure):
    _fields_ = _fields(c_double, "xx", "xy", "xz", "yy", "yz", "zz")


class ToolDynamicsParam(ctypes.Structure):
    _fields_ = _fields(c_double, "positionX", "positionY", "positionZ", "payload") + [
        ("toolInertia", ToolInertia)]


class JointStatus(ctypes.Structure):
    _fields_ = [("jointCurrentI", c_int32), ("jointSpeedMoto", c_int32),
                ("jointPosJ", c_float), ("jointCurVol", c_float), ("jointCurTemp", c_float),
                ("jointTagCurrentI", c_int32), ("jointTagSpeedMoto", c_float),
                ("jointTagPosJ", c_float), ("jointErrorNum", c_uint16)]


class RobotDiagnosis(ctypes.Structure):
    _fields_ = [("armCanbusStatus", c_uint8), ("armPowerCurrent", c_float),
                ("armPowerVoltage", c_float), ("armPowerStatus", c_bool),
                ("contorllerTemp", c_int8), ("contorllerHumidity", c_uint8),
                ("remoteHalt", c_bool), ("softEmergency", c_bool), ("remoteEmergency", c_bool),
                ("robotCollision", c_bool), ("forceControlMode", c_bool),
                ("brakeStuats", c_bool), ("robotEndSpeed", c_float), ("robotMaxAcc", c_int32),
                ("orpeStatus", c_bool), ("enableReadPose", c_bool),
                ("robotMountingPoseChanged", c_bool), ("encoderErrorStatus", c_bool),
                ("staticCollisionDetect", c_bool), ("jointCollisionDetect", c_uint8),
                ("encoderLinesError", c_bool), ("jointErrorStatus", c_bool),
                ("singularityOverSpeedAlarm", c_bool), ("robotCurrentAlarm", c_bool),
                ("toolIoError", c_uint8), ("robotMountingPoseWarning", c_bool),
                ("macTargetPosBufferSize", c_uint16), ("macTargetPosDataSize", c_uint16),
                ("macDataInterruptWarning", c_uint8), ("controlBoardAbnormalStateFlag", c_uint8)]


class RobotGravityComponent(ctypes.Structure):
    _fields_ = _fields(c_float, "x", "y", "z")


class RobotRecongnitionParam(ctypes.Structure):
    _fields_ = [("type", c_uint8), ("length", c_uint8), ("data", c_uint8 * 256)]


class JointVersion(ctypes.Structure):
    _fields_ = [("hw_version", c_char * 8), ("sw_version", c_char * 16)]


class JointProductID(ctypes.Structure):
    _fields_ = [("productID", c_char * 16)]


class RobotDevInfo(ctypes.Structure):
    _fields_ = [("type", c_uint8), ("revision", c_char * 16), ("manu_id", c_char * 16),
                ("joint_type", c_char * 16), ("joint_ver", JointVersion * 8),
                ("desc", c_char * 64), ("jointProductID", JointProductID * 8),
                ("slave_version", c_char * 16), ("extio_version", c_char * 16)]


class JointCommonData(ctypes.Structure):
    _fields_ = (_fields(c_uint16, "JointCurVol", "JointCurTemp", "JointWorkMode",
                        "JointDriEnable", "JointOpenPwm")
                + _fields(c_int32, "JointTagCurrent", "JointTagSpeed", "JointTagPos")
                + _fields(c_uint16, "JointMaxCur", "JointMaxSpeed", "JointMaxAcc")
                + _fields(c_int32, "JointMINPos", "JointMAXPos")
                + _fields(c_uint16, "JointSEVLock", "JointCurP", "JointCurI", "JointCurD",
                          "JointSpeedP", "JointSpeedI", "JointSpeedD", "JointSpeedDS",
                          "JointPosP", "JointPosI", "JointPosD", "JointPosDS"))


class RobotJointCommonData(ctypes.Structure):
    _fields_ = [("data", JointCommonData * 6)]


class RobotSafetyConfig(ctypes.Structure):
    _fields_ = [("robotReducedConfigJointSpeed", c_uint16 * 6)] + _fields(
        c_uint32, "robotReducedConfigTcpSpeed", "robotReducedConfigTcpForce",
        "robotReducedConfigMomentum", "robotReducedConfigPower") + _fields(
        c_uint8, "robotSafeguradResetConfig", "robotOperationalModeConfig")


class OrpeSafetyStatus(ctypes.Structure):
    _fields_ = [("orpePause", c_uint8), ("orpeStop", c_uint8), ("orpeError", c_uint8 * 16),
                ("systemEmergencyStop", c_uint8), ("reducedModeError", c_uint8),
                ("safetyguardResetSucc", c_uint8)]


class RobotIoDesc(ctypes.Structure):
    _fields_ = [("ioId", c_char * 32), ("ioType", c_int), ("ioName", c_char * 32),
                ("ioAddr", c_int), ("ioValue", c_double)]


class IkSolutions(ctypes.Structure):
    _fields_ = [("waypoint", WayPoint * 8), ("solution_count", c_int)]


class MoveRotateAxis(ctypes.Structure):
    _fields_ = [("rotateAxis", c_double * 3)]


class ServoStreamStatus(ctypes.Structure):
    _fields_ = (_fields(c_int32, "active", "reserved")
                + _fields(c_uint64, "cycles", "overruns", "sent", "answered", "refused",
                          "refusedLocally")
                + _fields(c_double, "lateLastSec", "lateP50Sec", "lateP99Sec", "lateMaxSec",
                          "answerP50Sec", "answerP99Sec", "answerMaxSec")
                + [("lastTarget", Joints)])


class RobotEventInfo(ctypes.Structure):
    _fields_ = [("eventType", c_int), ("eventCode", c_int), ("eventContent", ctypes.c_char_p)]


# Callback signatures.
JointStatusCallback = ctypes.CFUNCTYPE(None, ctypes.POINTER(JointStatus), c_int, ctypes.c_void_p)
RoadPointCallback = ctypes.CFUNCTYPE(None, ctypes.POINTER(WayPoint), ctypes.c_void_p)
EndSpeedCallback = ctypes.CFUNCTYPE(None, c_double, ctypes.c_void_p)
StepNumCallback = ctypes.CFUNCTYPE(None, c_int, ctypes.c_void_p)
LogCallback = ctypes.CFUNCTYPE(None, c_int, ctypes.c_char_p, ctypes.c_void_p)
EventCallback = ctypes.CFUNCTYPE(None, ctypes.POINTER(RobotEventInfo), ctypes.c_void_p)
# kind, reason, attempt, seconds since the loss, text, arg
ConnectionEventCallback = ctypes.CFUNCTYPE(None, c_int, c_int, c_int, c_double, ctypes.c_char_p,
                                           ctypes.c_void_p)
