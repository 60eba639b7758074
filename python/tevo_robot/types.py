"""Value types of the package: enumerations and dataclasses.

Lengths are in metres, angles in radians, orientations are unit quaternions
(w, x, y, z). Dataclasses are frozen; build a changed copy with
``dataclasses.replace``. Each knows its C record (``_to_c``/``_from_c``); the
larger status records are generated from their C layout with the C field
names in snake_case (``RobotDiagnosis.armCanbusStatus`` becomes
``Diagnosis.arm_canbus_status``).
"""
import ctypes
import dataclasses
import enum
import math
import re
import warnings
from dataclasses import dataclass, field
from typing import Any, Dict, Optional, Tuple, Type

from . import _check
from . import _records as rec

Vector3 = Tuple[float, float, float]
Quaternion = Tuple[float, float, float, float]
JointVector = Tuple[float, float, float, float, float, float]

ZERO3: Vector3 = (0.0, 0.0, 0.0)
IDENTITY: Quaternion = (1.0, 0.0, 0.0, 0.0)
ZERO_JOINTS: JointVector = (0.0,) * 6  # type: ignore[assignment]


class CoordType(enum.IntEnum):
    BASE = 0
    END = 1
    WORLD = 2


class RobotState(enum.IntEnum):
    STOPPED = 0
    RUNNING = 1
    PAUSED = 2
    RESUMED = 3


class WorkMode(enum.IntEnum):
    SIMULATOR = 0
    REAL = 1


class ServiceState(enum.IntEnum):
    READY = 0
    STARTING = 1
    WORKING = 2
    CLOSING = 3
    CLOSED = 4
    FAULT_POWER = 5
    FAULT_BRAKE = 6
    FAULT_NO_ROBOT = 7
    FAULT_SAFEGUARD_STOP = 8


class MoveTrack(enum.IntEnum):
    NO_TRACK = 0
    TRACKING = 1
    ARC_CIR = 2
    CARTESIAN_MOVEP = 3
    CARTESIAN_CUBICSPLINE = 4
    CARTESIAN_UBSPLINEINTP = 5
    CARTESIAN_GNUBSPLINEINTP = 6
    CARTESIAN_LOOKAHEAD = 7
    JOINT_CUBICSPLINE = 8
    JOINT_UBSPLINEINTP = 9
    JOINT_GNUBSPLINEINTP = 10
    ARC = 11
    CIRCLE = 12
    ARC_ORI_ROTATED = 13
    CIRCLE_ORI_ROTATED = 14
    ORI_POSITION_ROTATE_CIRCUMFERENCE = 101


class TeachMode(enum.IntEnum):
    NO_TEACH = 0
    JOINT1 = 1
    JOINT2 = 2
    JOINT3 = 3
    JOINT4 = 4
    JOINT5 = 5
    JOINT6 = 6
    MOV_X = 7
    MOV_Y = 8
    MOV_Z = 9
    ROT_X = 10
    ROT_Y = 11
    ROT_Z = 12


class PoseFileType(enum.IntEnum):
    """Line format of a track file."""
    MM_AND_RPY_DEGREES = 1   # "x y z rx ry rz" in mm and degrees, blank separated
    M_AND_QUATERNION = 10    # "x,y,z,w,qx,qy,qz" in metres, comma separated


class ControlCommand(enum.IntEnum):
    RELEASE = 0
    BRAKE = 1
    OVERSPEED_WARNING = 2
    OVERSPEED_RECOVER = 3
    DISABLE_FORCE_CONTROL = 4
    ENABLE_FORCE_CONTROL = 5
    ORPE_OPEN = 6
    ORPE_CLOSE = 7
    ENABLE_READ_POSE = 8
    DISABLE_READ_POSE = 9
    MOUNTING_POSE_CHANGED = 10
    MOUNTING_POSE_UNCHANGED = 11
    ENABLE_STATIC_COLLISION_DETECT = 12
    DISABLE_STATIC_COLLISION_DETECT = 13
    CLEAR_SINGULARITY_OVERSPEED_ALARM = 14
    CLEAR_CURRENT_ALARM = 15


class IoType(enum.IntEnum):
    CONTROLLER_DI = 0
    CONTROLLER_DO = 1
    CONTROLLER_AI = 2
    CONTROLLER_AO = 3
    USER_DI = 4
    USER_DO = 5
    USER_AI = 6
    USER_AO = 7
    TOOL_DI = 8
    TOOL_DO = 9
    TOOL_AI = 10
    TOOL_AO = 11


class ToolPowerType(enum.IntEnum):
    OUT_0V = 0
    OUT_12V = 1
    OUT_24V = 2


class ToolIoDirection(enum.IntEnum):
    INPUT = 0
    OUTPUT = 1


class LogLevel(enum.IntEnum):
    INFO = 0
    DEBUG = 1
    WARN = 2
    ERROR = 3
    FATAL = 4


class ConnectionEventKind(enum.IntEnum):
    """What a connection event of a supervised Robot reports."""
    LINK_LOST = 1  # the link was lost; ``reason`` says how
    RECONNECTING = 2  # an attempt to log in again starts; ``attempt`` counts from 1
    RECONNECTED = 3  # logged in again; the pushes are switched on again
    GAVE_UP = 4  # no more attempts: ``give_up_after_s`` passed


class LinkLossReason(enum.IntEnum):
    """How a link was lost."""
    NONE = 0  # not a LINK_LOST event
    CLOSED = 1  # the controller closed the connection
    RESET = 2  # the connection was reset or failed (a socket error)
    SILENT = 3  # nothing came from the controller for ``silence_s``


def _pos(value: Any, name: str) -> rec.Pos:
    return rec.Pos(*_check.numbers_of(value, 3, name))


def _ori(value: Any, name: str) -> rec.Ori:
    return rec.Ori(*_check.numbers_of(value, 4, name))


def _joints(value: Any, name: str) -> rec.Joints:
    return rec.Joints(*_check.numbers_of(value, 6, name))


def _vec(c: Any, names: str) -> Tuple[float, ...]:
    return tuple(float(getattr(c, n)) for n in names.split())


@dataclass(frozen=True)
class Pose:
    """A position (m) and orientation (quaternion w, x, y, z)."""
    position: Vector3 = ZERO3
    orientation: Quaternion = IDENTITY

    def _to_c(self, name: str = "pose") -> Tuple[rec.Pos, rec.Ori]:
        return _pos(self.position, f"{name}.position"), _ori(self.orientation,
                                                             f"{name}.orientation")

    @classmethod
    def _from_c(cls, pos: rec.Pos, ori: rec.Ori) -> "Pose":
        return cls(_vec(pos, "x y z"), _vec(ori, "w x y z"))  # type: ignore[arg-type]


@dataclass(frozen=True)
class Waypoint:
    """A flange pose with the joint angles (rad) that give it."""
    position: Vector3
    orientation: Quaternion
    joints: JointVector

    @property
    def pose(self) -> Pose:
        return Pose(self.position, self.orientation)

    @classmethod
    def _from_c(cls, c: rec.WayPoint) -> "Waypoint":
        # The record is 13 doubles in a row: position, orientation, joints.
        v = _WAYPOINT_DOUBLES.from_buffer(c)[:]
        return cls(tuple(v[0:3]), tuple(v[3:7]), tuple(v[7:13]))  # type: ignore[arg-type]


_WAYPOINT_DOUBLES = ctypes.c_double * 13
assert ctypes.sizeof(_WAYPOINT_DOUBLES) == ctypes.sizeof(rec.WayPoint)


@dataclass(frozen=True)
class ToolDesc:
    """The tool's end point in the flange frame: position (m) and orientation."""
    position: Vector3 = ZERO3
    orientation: Quaternion = IDENTITY

    def _to_c(self, name: str = "tool") -> rec.ToolInEndDesc:
        return rec.ToolInEndDesc(_pos(self.position, f"{name}.position"),
                                 _ori(self.orientation, f"{name}.orientation"))

    @classmethod
    def _from_c(cls, c: rec.ToolInEndDesc) -> "ToolDesc":
        return cls(_vec(c.toolInEndPosition, "x y z"),  # type: ignore[arg-type]
                   _vec(c.toolInEndOrientation, "w x y z"))  # type: ignore[arg-type]


@dataclass(frozen=True)
class ToolDynamics:
    """Payload of the tool: centre of mass (m, flange frame), mass (kg) and inertia
    (kg m^2: xx xy xz yy yz zz)."""
    position: Vector3 = ZERO3
    payload: float = 0.0
    inertia: Tuple[float, float, float, float, float, float] = (0.0,) * 6  # type: ignore

    def _to_c(self, name: str = "tool") -> rec.ToolDynamicsParam:
        x, y, z = _check.numbers_of(self.position, 3, f"{name}.position")
        payload = _check.number(self.payload, f"{name}.payload")
        if payload < 0:
            raise ValueError(f"{name}.payload: {payload} is negative")
        return rec.ToolDynamicsParam(x, y, z, payload, rec.ToolInertia(
            *_check.numbers_of(self.inertia, 6, f"{name}.inertia")))

    @classmethod
    def _from_c(cls, c: rec.ToolDynamicsParam) -> "ToolDynamics":
        return cls(_vec(c, "positionX positionY positionZ"), c.payload,  # type: ignore
                   _vec(c.toolInertia, "xx xy xz yy yz zz"))  # type: ignore[arg-type]


@dataclass(frozen=True)
class UserFrame:
    """A user coordinate system taught by three joint positions and a tool.

    ``method`` selects which axes the three points define (0: origin, a point
    on +X, a point on +Y; see the C header's CoordCalibrateMathod)."""
    coord_type: CoordType = CoordType.BASE
    method: int = 0
    points: Tuple[JointVector, JointVector, JointVector] = (ZERO_JOINTS,) * 3  # type: ignore
    tool: ToolDesc = field(default_factory=ToolDesc)

    def _to_c(self, name: str = "frame") -> rec.CoordCalibrate:
        c = rec.CoordCalibrate()
        c.coordType = _check.choice(self.coord_type, CoordType, f"{name}.coord_type")
        c.methods = _check.integer(self.method, f"{name}.method", 0, 8)
        points = _check.sequence(self.points, f"{name}.points")
        if len(points) != 3:
            raise ValueError(f"{name}.points: expected 3 joint positions, got {len(points)}")
        for i, q in enumerate(points):
            c.wayPointArray[i].jointPos = _joints(q, f"{name}.points[{i}]")
        c.toolDesc = _check.instance(self.tool, ToolDesc, f"{name}.tool")._to_c(f"{name}.tool")
        return c


@dataclass(frozen=True)
class RelativeOffset:
    """An offset applied to the targets of later moves (position m, orientation)."""
    enabled: bool = True
    position: Vector3 = ZERO3
    orientation: Quaternion = IDENTITY

    def _to_c(self, name: str = "offset") -> rec.MoveRelative:
        c = rec.MoveRelative()
        c.ena = _check.flag(self.enabled, f"{name}.enabled")
        c.relativePosition[:] = _check.numbers_of(self.position, 3, f"{name}.position")
        c.relativeOri = _ori(self.orientation, f"{name}.orientation")
        return c


@dataclass(frozen=True)
class MoveProfile:
    """The limits and options of one move, in place of the global profile: joint
    accelerations (rad/s^2) and speeds (rad/s), the tool end's linear
    acceleration (m/s^2) and speed (m/s), the blend radius (m), the tool, and an
    offset of the target (in the base frame, or in ``relative_frame``)."""
    joint_max_acc: JointVector
    joint_max_velc: JointVector
    end_max_line_acc: float
    end_max_line_velc: float
    blend_radius: float = 0.0
    tool: ToolDesc = field(default_factory=ToolDesc)
    relative: Optional[RelativeOffset] = None
    relative_frame: UserFrame = field(default_factory=UserFrame)

    def _to_c(self, name: str = "profile") -> rec.MoveProfile:
        c = rec.MoveProfile()
        c.jointMaxAcc = _joints(self.joint_max_acc, f"{name}.joint_max_acc")
        c.jointMaxVelc = _joints(self.joint_max_velc, f"{name}.joint_max_velc")
        c.endMaxLineAcc = _check.number(self.end_max_line_acc, f"{name}.end_max_line_acc")
        c.endMaxLineVelc = _check.number(self.end_max_line_velc, f"{name}.end_max_line_velc")
        c.blendRadius = _check.number(self.blend_radius, f"{name}.blend_radius")
        c.toolInEndDesc = _check.instance(self.tool, ToolDesc, f"{name}.tool")._to_c()
        if self.relative is not None:
            c.relative = _check.instance(self.relative, RelativeOffset,
                                         f"{name}.relative")._to_c(f"{name}.relative")
        c.relativeOnCoord = _check.instance(self.relative_frame, UserFrame,
                                            f"{name}.relative_frame")._to_c()
        return c


@dataclass(frozen=True)
class IoDesc:
    """One point of an I/O board: its id, type, name, address and value (digital 0
    or 1, analog V or mA; -1 in a catalogue)."""
    id: str
    type: int
    name: str
    addr: int
    value: float


@dataclass(frozen=True)
class JointStatus:
    """One joint's status, in the units named by its fields.

    The controller sends the positions in degrees; they are converted here to
    radians, like every other angle of the package. The motor speeds are
    passed on as the drive reports them.

    current_ma: motor current (mA); motor_speed: motor speed in the drive's
    units (1/100 rpm); position_rad: joint position (rad); voltage_v: drive
    voltage (V); temperature_c: drive temperature (degrees Celsius);
    target_current_ma: target current (mA); target_motor_speed: target motor
    speed (drive units); target_position_rad: target position (rad); error:
    the drive's error number (0: none).

    The field names before the units were added (``position``,
    ``target_position`` in degrees, ``current``, ``speed``, ...) still read,
    with a DeprecationWarning and their old values."""
    current_ma: int
    motor_speed: int
    position_rad: float
    voltage_v: float
    temperature_c: float
    target_current_ma: int
    target_motor_speed: float
    target_position_rad: float
    error: int

    def __getattr__(self, name: str) -> Any:
        # Only called for names the class lacks: the fields' former names.
        old = _JOINT_STATUS_OLD_NAMES.get(name)
        if old is None:
            raise AttributeError(f"'JointStatus' object has no attribute {name!r}")
        new, convert = old
        warnings.warn(f"JointStatus.{name} is deprecated: use {new}"
                      f"{' (radians)' if convert else ''}", DeprecationWarning, stacklevel=2)
        value = getattr(self, new)
        return math.degrees(value) if convert else value

    @classmethod
    def _from_c(cls, c: rec.JointStatus) -> "JointStatus":
        return cls(c.jointCurrentI, c.jointSpeedMoto, math.radians(c.jointPosJ), c.jointCurVol,
                   c.jointCurTemp, c.jointTagCurrentI, c.jointTagSpeedMoto,
                   math.radians(c.jointTagPosJ), c.jointErrorNum)


# Former field name: (field now, whether the old value was in degrees).
_JOINT_STATUS_OLD_NAMES = {
    "current": ("current_ma", False), "speed": ("motor_speed", False),
    "position": ("position_rad", True), "voltage": ("voltage_v", False),
    "temperature": ("temperature_c", False), "target_current": ("target_current_ma", False),
    "target_speed": ("target_motor_speed", False),
    "target_position": ("target_position_rad", True),
}


@dataclass(frozen=True)
class RobotEvent:
    """A robot event: its type, code and text."""
    type: int
    code: int
    content: str


@dataclass(frozen=True)
class ReconnectPolicy:
    """How a supervised Robot logs in again after its link was lost (seconds
    throughout): the first attempt ``initial_delay_s`` after the loss (0.01 to
    60), each later one ``backoff_factor`` times later than the one before (1 to
    10) and at most ``max_delay_s`` apart (``initial_delay_s`` to 600), until one
    succeeds or ``give_up_after_s`` have passed since the loss (0: never; else 0.1
    to 86400). A link on which nothing has come from the controller for
    ``silence_s`` (1 to 60) is taken as lost. The library checks the ranges
    (ArgumentError)."""
    initial_delay_s: float = 0.2
    backoff_factor: float = 2.0
    max_delay_s: float = 5.0
    give_up_after_s: float = 0.0
    silence_s: float = 3.0

    def _to_c(self) -> Tuple[float, float, float, float, float]:
        values = tuple(_check.number(getattr(self, f.name), f"reconnect.{f.name}")
                       for f in dataclasses.fields(self))
        # The library reads an initial delay of 0 as "no supervision".
        if values[0] <= 0.0:
            raise ValueError(f"reconnect.initial_delay_s: {values[0]} is not above 0 "
                             "(reconnect=None means no supervision)")
        return values  # type: ignore[return-value]


@dataclass(frozen=True)
class ConnectionEvent:
    """One event of a supervised connection (``Robot.on_connection``)."""
    kind: ConnectionEventKind
    reason: LinkLossReason  # how the link was lost (LINK_LOST only, else NONE)
    attempt: int  # attempts so far (RECONNECTING, RECONNECTED, GAVE_UP), else 0
    since_loss_s: float  # seconds since the link was lost (0 for LINK_LOST)
    text: str  # a sentence for a log


# ---- records generated from their C layout --------------------------------

def _snake(name: str) -> str:
    name = re.sub(r"(?<=[A-Z])([A-Z][a-z])", r"_\1", name)
    return re.sub(r"(?<=[a-z0-9])([A-Z])", r"_\1", name).lower()


_RECORD_TYPES: Dict[type, type] = {}


def _record_type(ctype: type, name: str, doc: str) -> type:
    """A frozen dataclass with one snake_case field per field of ``ctype``."""
    fields = [(_snake(n), Any) for n, _ in ctype._fields_]  # type: ignore[attr-defined]
    cls = dataclasses.make_dataclass(name, fields, frozen=True, namespace={"__doc__": doc})
    cls.__module__ = __name__
    cls._ctype = ctype  # type: ignore[attr-defined]
    _RECORD_TYPES[ctype] = cls
    return cls


def _value_from_c(value: Any) -> Any:
    if isinstance(value, ctypes.Structure):
        cls = _RECORD_TYPES.get(type(value))
        return record_from_c(value) if cls else value
    if isinstance(value, ctypes.Array):
        if isinstance(value, ctypes.Array) and value._type_ is ctypes.c_char:  # type: ignore
            return value.value.decode(errors="replace")
        return tuple(_value_from_c(v) for v in value)
    if isinstance(value, bytes):
        return value.decode(errors="replace")
    return value


def record_from_c(c: Any) -> Any:
    cls = _RECORD_TYPES[type(c)]
    return cls(*(_value_from_c(getattr(c, n)) for n, _ in c._fields_))


def record_to_c(record: Any, ctype: type, name: str) -> Any:
    """The C record of a generated dataclass, every field checked."""
    cls = _RECORD_TYPES[ctype]
    _check.instance(record, cls, name)
    c = ctype()
    for (cname, ftype), (pname) in zip(ctype._fields_, (f.name for f in dataclasses.fields(cls))):
        value = getattr(record, pname)
        label = f"{name}.{pname}"
        if issubclass(ftype, ctypes.Array):
            values = _check.sequence(value, label)
            if len(values) != ftype._length_:
                raise ValueError(f"{label}: expected {ftype._length_} values, got {len(values)}")
            for i, v in enumerate(values):
                getattr(c, cname)[i] = _scalar(v, ftype._type_, f"{label}[{i}]")
        else:
            setattr(c, cname, _scalar(value, ftype, label))
    return c


def _scalar(value: Any, ctype: Any, label: str) -> Any:
    if ctype is ctypes.c_bool:
        return _check.flag(value, label)
    if ctype in (ctypes.c_float, ctypes.c_double):
        return _check.number(value, label)
    bits = ctypes.sizeof(ctype) * 8
    signed = ctype(-1).value == -1
    low, high = (-(2 ** (bits - 1)), 2 ** (bits - 1) - 1) if signed else (0, 2 ** bits - 1)
    return _check.integer(value, label, low, high)


Diagnosis = _record_type(rec.RobotDiagnosis, "Diagnosis", "The arm's diagnosis record.")
GravityComponent = _record_type(rec.RobotGravityComponent, "GravityComponent",
                                "Gravity measured at the flange (x, y, z).")
JointVersion = _record_type(rec.JointVersion, "JointVersion", "A joint's versions.")
JointProductId = _record_type(rec.JointProductID, "JointProductId", "A joint's product id.")
DeviceInfo = _record_type(rec.RobotDevInfo, "DeviceInfo", "The arm's device information.")
JointCommonData = _record_type(rec.JointCommonData, "JointCommonData",
                               "One joint's servo parameters and limits.")
SafetyConfig = _record_type(rec.RobotSafetyConfig, "SafetyConfig",
                            "Reduced-mode limits and safeguard options.")
SafetyStatus = _record_type(rec.OrpeSafetyStatus, "SafetyStatus", "The safety board's status.")
RegulateSpeedParam = _record_type(rec.RegulateSpeedModeParamConfig, "RegulateSpeedParam",
                                  "Limits of the regulated-speed mode.")


@dataclass(frozen=True)
class ServoStatus:
    """Figures of a servo stream (``ServoStream.status()``): live while it runs,
    kept after it stops until the next start. Times are seconds; lateness is a
    cycle's wake-up minus its deadline; the percentiles have a resolution of 10
    microseconds."""
    active: bool  # the stream runs
    cycles: int  # wait_period calls
    overruns: int  # of those, the ones that found their deadline passed
    sent: int  # targets sent to the controller
    answered: int  # answers received to them
    refused: int  # of those, refusals
    refused_locally: int  # targets refused before sending (out of reach, too far a jump)
    late_last_sec: float  # lateness of the last cycle
    late_p50_sec: float
    late_p99_sec: float
    late_max_sec: float
    answer_p50_sec: float  # time from sending a target to its answer
    answer_p99_sec: float
    answer_max_sec: float
    last_target: JointVector  # the last target sent, joint angles (rad)

    @classmethod
    def _from_c(cls, c: rec.ServoStreamStatus) -> "ServoStatus":
        values = [getattr(c, name) for name in _SERVO_STATUS_C_FIELDS]
        values[0], values[-1] = bool(values[0]), tuple(values[-1])
        return cls(*values)


# The C record's fields in the dataclass's order, less its padding; the names
# are the dataclass's in camelCase.
_SERVO_STATUS_C_FIELDS = [name for name, _ in rec.ServoStreamStatus._fields_ if name != "reserved"]
assert [_snake(n) for n in _SERVO_STATUS_C_FIELDS] == \
    [f.name for f in dataclasses.fields(ServoStatus)]
