"""Python interface to Tevo six-axis arm controllers.

A thin, typed layer over the library's handle interface (the rs_* functions
of libtevorobotsdk.so) through ctypes::

    from tevo_robot import Robot
    with Robot.connect("127.0.0.1", 8899) as robot:
        robot.startup()
        robot.move_joint([0.0, -0.26, 1.75, 0.44, 1.57, 0.0])
        print(robot.current_waypoint().position)

Units: metres, radians, quaternions (w, x, y, z). Failed calls raise
RobotError subclasses named by the cause (AuthenticationError,
NotStartedError, TargetError, StoppedError, ...; see tevo_robot.errors)
carrying the library's code and text and, for a request the controller
refused, its code and reason; arguments that are wrong before any call raise
TypeError or ValueError.
"""
from ._library import load as load_library
from .errors import (ArgumentError, AuthenticationError, HandleError, InvalidArgumentError,
                     KinematicsError, LibraryNotFoundError, NotConnectedError, NotStartedError,
                     RobotConnectionError, RobotError, RobotTimeoutError, StoppedError,
                     TargetError)
from .kinematics import UnreachablePosesError
from .robot import Robot
from .servo import ServoStream
from .types import (ConnectionEvent, ConnectionEventKind, ControlCommand, CoordType, DeviceInfo,
                    Diagnosis, GravityComponent, IoDesc, IoType, JointCommonData, JointStatus,
                    LinkLossReason, LogLevel, MoveProfile, MoveTrack, Pose, PoseFileType,
                    ReconnectPolicy, RegulateSpeedParam, RelativeOffset, RobotEvent, RobotState,
                    SafetyConfig, SafetyStatus, ServiceState, ServoStatus, TeachMode, ToolDesc,
                    ToolDynamics, ToolIoDirection, ToolPowerType, UserFrame, Waypoint, WorkMode)

__version__ = "4.0.8"

__all__ = [
    "Robot", "ServoStream", "load_library", "__version__",
    "RobotError", "HandleError", "ArgumentError", "RobotConnectionError", "RobotTimeoutError",
    "KinematicsError", "LibraryNotFoundError", "AuthenticationError", "InvalidArgumentError",
    "NotConnectedError", "NotStartedError", "StoppedError", "TargetError", "UnreachablePosesError",
    "ConnectionEvent", "ConnectionEventKind", "LinkLossReason", "ReconnectPolicy",
    "ControlCommand", "CoordType", "DeviceInfo", "Diagnosis", "GravityComponent", "IoDesc",
    "IoType", "JointCommonData", "JointStatus", "LogLevel", "MoveProfile", "MoveTrack", "Pose",
    "PoseFileType", "RegulateSpeedParam", "RelativeOffset", "RobotEvent", "RobotState",
    "SafetyConfig", "SafetyStatus", "ServiceState", "ServoStatus", "TeachMode", "ToolDesc",
    "ToolDynamics", "ToolIoDirection", "ToolPowerType", "UserFrame", "Waypoint", "WorkMode",
]
