"""Servo streaming: one joint or pose target per period, which the controller
follows as the targets come (``Robot.start_servo`` returns a ServoStream)::

    with robot.start_servo(period_s=0.002) as stream:
        for q in targets:
            stream.wait_period()
            stream.send_joints(q)

Pacing: ``wait_period`` sleeps until the cycle's deadline on the monotonic
clock and moves the deadline one period on, so the loop does not drift
however long each cycle's work takes. A cycle that calls it after its deadline
has passed is an overrun: it returns at once, is counted (``overruns``), and
the next deadline is the next point of the period's grid, so a late loop
skips ahead instead of bursting to catch up. ``status()`` has the lateness
figures.

Sending: each target is written to the controller without waiting for its
answer. A target the library can refuse by itself raises and is not sent:
TargetError for a jump in any joint larger than the speed limit times the
time since the previous target (the first is compared with the joint angles
read at the start), KinematicsError (a TargetError) for a pose no joint
angles reach; ValueError for non-finite numbers. A refusal of the
controller, an answer overdue by more than 0.5 s or a lost link makes the
NEXT send raise (RobotError carrying the controller's reason,
RobotTimeoutError, RobotConnectionError).

Threads: one thread drives the stream (start, ``wait_period``, ``send_*``);
``status()``, ``overruns`` and ``stop()`` may be called from any thread,
``stop()`` also while the loop waits. ctypes releases the GIL for every
library call, so other Python threads run while ``wait_period`` sleeps; that
sleep is at most one period, so Ctrl-C on the main thread is answered within
a period, and leaving the ``with`` block by the KeyboardInterrupt stops the
stream.

Stopping: ``stop()`` leaves pass-through mode (one request, at most 2 s) and
the controller brings the arm to rest; a stream not stopped is stopped by
``Robot.close()``. When no target reaches the controller for its watchdog
time (the loop stalled, or the stream was left running), the controller
brings the arm to rest by itself, sends event 1202
(RobotEventControllerTrackingLost, seen by ``Robot.on_event``) and refuses
further targets: stop the stream and start a new one.
"""
import logging
import threading
from ctypes import byref, c_double, pointer
from typing import Any, NoReturn, Sequence

from . import _check
from . import _records as rec
from .errors import FAILED, RobotError, error_for
from .types import Pose, ServoStatus

log = logging.getLogger("tevo_robot")

_VEC3 = c_double * 3
_VEC4 = c_double * 4


class ServoStream:
    """A running servo stream of one Robot (see the module text). Use it as a
    context manager: leaving the ``with`` block, normally or by an exception,
    stops it."""

    def __init__(self, lib: Any, handle: int, life: Any) -> None:
        self._lib = lib
        self._handle = handle
        self._life = life  # the Robot's: closed once the Robot closes
        self._stop_lock = threading.Lock()
        self._stopped = False
        # The library functions and the target buffers, looked up and made once:
        # a cycle allocates no ctypes object.
        self._wait = lib.rs_servo_wait_period
        self._servo_joint = lib.rs_servo_joint
        self._servo_pose = lib.rs_servo_pose
        self._joints = rec.Joints()
        position, orientation = rec.Pos(), rec.Ori()
        self._position = _VEC3.from_buffer(position)
        self._orientation = _VEC4.from_buffer(orientation)
        self._position_ptr, self._orientation_ptr = pointer(position), pointer(orientation)

    def _refuse(self, name: str) -> NoReturn:
        """Raises for a call on a stream that was stopped or whose Robot closed."""
        if self._life.closed:
            raise error_for(1002, "the Robot is closed", name)
        raise error_for(FAILED, "the servo stream is stopped", name)

    def wait_period(self) -> None:
        """Sleeps until this cycle's deadline (at most one period); returns at once,
        counting an overrun, when it has passed."""
        if self._stopped or self._life.closed:
            self._refuse("servo_wait_period")
        result = self._wait(self._handle)
        if result:
            raise self._lib.error(result, "servo_wait_period")

    def send_joints(self, joints: Sequence[float]) -> None:
        """Sends six joint angles (rad) as the next target; never waits for the
        controller (see "Sending" in the module text)."""
        self._joints[:] = _check.numbers_of(joints, 6, "joints")
        if self._stopped or self._life.closed:
            self._refuse("servo_joint")
        result = self._servo_joint(self._handle, self._joints)
        if result:
            raise self._lib.error(result, "servo_joint")

    def send_pose(self, pose: Pose) -> None:
        """Sends a flange pose (base frame; position m, unit quaternion w, x, y, z)
        as the next target: the library's inverse kinematics picks the joint
        angles nearest the last target (KinematicsError, nothing sent, when none
        reach the pose), then as send_joints."""
        _check.instance(pose, Pose, "pose")
        self._position[:] = _check.numbers_of(pose.position, 3, "pose.position")
        self._orientation[:] = _check.numbers_of(pose.orientation, 4, "pose.orientation")
        if self._stopped or self._life.closed:
            self._refuse("servo_pose")
        result = self._servo_pose(self._handle, self._position_ptr, self._orientation_ptr)
        if result:
            raise self._lib.error(result, "servo_pose")

    def stop(self) -> None:
        """Ends the stream: leaves pass-through mode (one request, at most 2 s) and
        the controller brings the arm to rest. Idempotent; any thread."""
        if self._life.closed:
            return  # closing the Robot stopped the stream
        result = self._end()
        if result:
            raise self._lib.error(result, "servo_stop")

    def _end(self) -> int:
        """Stops the stream once (later calls return 0): the library's result."""
        with self._stop_lock:
            if self._stopped:
                return 0
            self._stopped = True
        result = self._lib.rs_servo_stop(self._handle)
        return 0 if result == FAILED else result  # FAILED: no stream runs any more

    def status(self) -> ServoStatus:
        """The stream's figures (never blocks; any thread), kept after it stopped
        until the Robot's next stream starts."""
        return ServoStatus._from_c(self._read_status())

    @property
    def overruns(self) -> int:
        """Cycles that found their deadline already passed."""
        return self._read_status().overruns

    @property
    def stopped(self) -> bool:
        return self._stopped or self._life.closed

    def _read_status(self) -> rec.ServoStreamStatus:
        if self._life.closed:
            self._refuse("servo_status")
        out = rec.ServoStreamStatus()
        result = self._lib.rs_servo_status(self._handle, byref(out))
        if result:
            raise self._lib.error(result, "servo_status")
        return out

    def __enter__(self) -> "ServoStream":
        return self

    def __exit__(self, exc_type: Any, exc: Any, traceback: Any) -> None:
        if exc_type is None:
            self.stop()
            return
        try:
            self.stop()
        except RobotError as error:  # the exception that ended the block goes on
            log.warning("servo stream: stop after %s failed: %s", exc_type.__name__, error)

    def __repr__(self) -> str:
        return f"<ServoStream handle={self._handle}{' stopped' if self.stopped else ''}>"
