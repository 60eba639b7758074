"""The Robot class: one context of the handle interface.

Threads: a Robot may be used from several threads at once; the library
serialises what needs it. Callbacks registered with the ``on_*`` methods run
on the library's threads (pushes on the context's receive thread, robot
events on its event thread, connection events on its supervisor thread, log
lines on whichever thread logs). A callback must not close its own Robot.

Supervision: a Robot connected with ``reconnect=ReconnectPolicy(...)`` logs
in again by itself after its link was lost, keeping its callbacks and pushes;
a move is never sent again, and calls made while the link is down raise
NotConnectedError at once (see ``connect`` and ``on_connection``).

Callbacks that raise: the exception never reaches the library, and the pushes
go on. The first failure of a callback is logged with its full traceback
through the ``tevo_robot`` logger at ERROR level (with no logging handler
configured, Python prints it to sys.stderr); later failures of the same
callback are counted and summed up in one line ("callback on_joint_status
raised 57 more times in the last 5.0 s: ValueError: ...") at most every 5 s,
when the callback next runs, and at once when it is replaced or removed or
the Robot closes. ``Robot.callback_errors`` holds the counts.

Closing: ``close()`` may be called while other threads are inside calls on the
same Robot. From the moment it starts, no new call starts (each raises
HandleError, "the Robot is closed") and the Robot's callbacks are no longer
called; it waits for callbacks running at that moment to return (a callback
must therefore not wait for the thread that closes). Calls already inside the
library end as the library ends them (a blocking move by the logout). The
C callbacks stay referenced until the last of those calls has returned, since
the context and the threads that call them live until then.

Units: lengths in metres, angles in radians, orientations as unit
quaternions (w, x, y, z), times in seconds, speeds in m/s or rad/s; a
method says so where it differs.

Blocking: every call waits for the controller's reply (at most 2 s per
request). Moves with ``block=True`` (the default) return when the arm has
arrived; with ``block=False`` they return once the controller accepted the
move (see the moves section).
``startup`` waits until the arm reports start-up done (at most 60 s),
``shutdown`` until it reports shut-down done (at most 30 s). A servo stream
(``start_servo``) sends its targets without waiting for the controller; see
tevo_robot.servo for its threads and what a cycle costs.

Ctrl-C: called from the main thread, a blocking move, track playback,
``startup`` or ``shutdown`` runs its library call on a helper thread and
waits for it in slices of 0.1 s, so that Ctrl-C (SIGINT, or any exception a
signal handler raises) is answered at once: a move is stopped with ``stop()``
(offline track playback with ``stop_offline_track()``), the call waits up to
0.4 s for the library to report the move ended, and KeyboardInterrupt is
raised. Start-up and shut-down cannot be stopped: the controller completes
them, the library's wait for them goes on in the background, and
KeyboardInterrupt is raised at once. Called from another thread (where Python
never delivers signals) the library is called directly.
"""
import ctypes
import logging
import threading
import warnings
from ctypes import byref, c_bool, c_double, c_float, c_int
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple, Union

from . import _check
from . import _library
from . import _records as rec
from . import kinematics
from ._failures import CallbackFailures
from .errors import HandleError, RobotError
from .servo import ServoStream
from .types import (ConnectionEvent, ConnectionEventKind, CoordType, ControlCommand, DeviceInfo,
                    Diagnosis, GravityComponent, IoDesc, IoType, JointCommonData, JointStatus,
                    JointVector, LinkLossReason, LogLevel, MoveProfile, ReconnectPolicy,
                    MoveTrack, Pose, PoseFileType, Quaternion, RegulateSpeedParam, RelativeOffset,
                    RobotEvent, RobotState, SafetyConfig, SafetyStatus, ServiceState, TeachMode,
                    ToolDesc, ToolDynamics, ToolIoDirection, ToolPowerType, UserFrame, Vector3,
                    Waypoint, WorkMode, record_from_c, record_to_c)

log = logging.getLogger("tevo_robot")

# The library's bool functions report a failure without a code; it is raised as this one.
FAILED = 10001
# At most this many joint sets per offline-track upload.
MAX_OFFLINE_TRACK_POINTS = 3000
# A blocking call on the main thread looks for Ctrl-C this often (seconds).
INTERRUPT_POLL = 0.1
# After Ctrl-C and the stop, how long to wait for the library to report the
# move ended before raising KeyboardInterrupt (seconds).
INTERRUPT_STOP_WAIT = 0.4

_LOG_LEVELS = {LogLevel.INFO: logging.INFO, LogLevel.DEBUG: logging.DEBUG,
               LogLevel.WARN: logging.WARNING, LogLevel.ERROR: logging.ERROR,
               LogLevel.FATAL: logging.CRITICAL}

# The process-wide log callback stays alive here while it is registered.
_log_callback: Optional[Any] = None
# Failures of the log callback, counted for the process (the log sink is one).
_log_failures = CallbackFailures()
_log_lock = threading.Lock()

IoPoint = Union[str, int]


class _Lifetime:
    """Whether a Robot is open, its library calls in flight, and the C callbacks
    the library may still call (see "Closing" in the module text).

    One condition variable guards it all; it is held only for bookkeeping,
    never during a library call or a user callback."""

    def __init__(self) -> None:
        self._cond = threading.Condition()
        self.closed = True  # until opened(): there is no context yet
        self._finished = True  # close() has done its work
        self._destroyed = False
        self._calls = 0
        self._callbacks: Dict[str, List[Any]] = {}  # kind: C callbacks the library may call
        self._running: Dict[int, int] = {}  # thread id: user callbacks it is running

    def opened(self) -> None:
        with self._cond:
            self.closed = False
            self._finished = False

    def check_open(self, name: str) -> None:
        if self.closed:
            raise HandleError(1002, "the Robot is closed", name)

    def begin_call(self, name: str) -> None:
        with self._cond:
            self.check_open(name)
            self._calls += 1

    def end_call(self) -> None:
        with self._cond:
            self._calls -= 1
            self._release_if_unused()

    def keep(self, kind: str, c_fn: Any) -> None:
        """Keeps a C callback about to be registered (beside the one it replaces)."""
        with self._cond:
            self._callbacks.setdefault(kind, []).append(c_fn)

    def registered(self, kind: str, c_fn: Any) -> None:
        """``c_fn`` is the one the library calls now: the ones it replaced go."""
        with self._cond:
            if kind in self._callbacks:
                self._callbacks[kind] = [c_fn]

    def enter_callback(self) -> bool:
        """False once closing started: the callback then does nothing."""
        with self._cond:
            if self.closed:
                return False
            me = threading.get_ident()
            self._running[me] = self._running.get(me, 0) + 1
            return True

    def leave_callback(self) -> None:
        with self._cond:
            me = threading.get_ident()
            self._running[me] -= 1
            if not self._running[me]:
                del self._running[me]
            self._cond.notify_all()

    def close(self) -> bool:
        """Marks it closed and waits for the user callbacks running on other
        threads to return: True when the caller is to destroy the context. A
        later caller gets False once the first one finished (at once when it
        is one of the callbacks that one waits for)."""
        with self._cond:
            me = threading.get_ident()
            if self.closed:
                if me not in self._running:
                    self._cond.wait_for(lambda: self._finished)
                return False
            self.closed = True
            self._cond.wait_for(lambda: all(thread == me for thread in self._running))
            return True

    def destroyed(self) -> None:
        """The context is destroyed: the callbacks go with the last call in flight."""
        with self._cond:
            self._destroyed = True
            self._release_if_unused()

    def finished(self) -> None:
        with self._cond:
            self._finished = True
            self._cond.notify_all()

    def _release_if_unused(self) -> None:
        if self._destroyed and self._calls == 0:
            self._callbacks.clear()


def _guarded(kind: str, fn: Callable[..., None], convert: Callable[..., tuple],
             failures: CallbackFailures, lifetime: Optional[_Lifetime] = None):
    """The C-callable body of a callback: converts the C arguments, calls ``fn``,
    and hands whatever it raises to ``failures`` (logged once in full, then
    counted) instead of letting it reach the C thread. With a ``lifetime``,
    does nothing once that Robot is closing."""
    def call(*args: Any) -> None:
        if lifetime is not None and not lifetime.enter_callback():
            return
        try:
            fn(*convert(*args))
        except BaseException as error:  # noqa: B902 - nothing may unwind into C
            try:
                failures.failed(kind, error)
            except BaseException:  # noqa: B902 - not even a failing log handler
                pass
        else:
            failures.ran(kind)
        finally:
            if lifetime is not None:
                lifetime.leave_callback()
    return call


def _reconnect_values(policy: Any) -> Optional[Tuple[float, ...]]:
    """The five numbers of rs_set_reconnect_policy, None for no policy."""
    if policy is None:
        return None
    return _check.instance(policy, ReconnectPolicy, "reconnect")._to_c()


def _enum_or_int(enum_type: Any, value: int) -> Any:
    """The member of ``enum_type`` for ``value``, the number itself for one it lacks."""
    return enum_type(value) if value in enum_type._value2member_map_ else value


def _joint_list(points: Any, name: str) -> List[Tuple[float, ...]]:
    points = _check.sequence(points, name)
    return [_check.numbers_of(q, 6, f"{name}[{i}]") for i, q in enumerate(points)]


def _joints(value: Any, name: str = "joints") -> rec.Joints:
    return rec.Joints(*_check.numbers_of(value, 6, name))


def _frame(value: Any, name: str = "frame") -> rec.CoordCalibrate:
    return _check.instance(value, UserFrame, name)._to_c(name)


def _tool(value: Any, name: str = "tool") -> rec.ToolInEndDesc:
    return _check.instance(value, ToolDesc, name)._to_c(name)


def _pose(value: Any, name: str = "pose") -> Tuple[rec.Pos, rec.Ori]:
    return _check.instance(value, Pose, name)._to_c(name)


def _credentials(user: Any, password: Any) -> Optional[Tuple[bytes, bytes]]:
    """The user name and password to log in with, None for the fixed ones."""
    if user is None and password is None:
        return None
    if user is None or password is None:
        raise ValueError("user and password go together: give both or neither")
    # An empty password is the controller's business; an empty user name is not.
    secret = b"" if password == "" else _check.text(password, "password", 255)
    return _check.text(user, "user", 255), secret


class Robot:
    """One connection to a controller through its own handle-interface context.

    ``Robot()`` creates the context; ``Robot(host, port)`` or
    ``Robot.connect(host, port)`` also logs in (with ``user=`` and
    ``password=``, or the handle interface's fixed credentials when neither is
    given; see ``connect``), and with ``reconnect=`` supervises the link. Use it as a context manager:
    leaving the ``with`` block (normally or by an exception) logs out and
    destroys the context. ``library`` is the path of libtevorobotsdk.so to use
    instead of the search (see ``tevo_robot.load_library``): that library or
    LibraryNotFoundError saying why not, never another one.
    """

    def __init__(self, host: Optional[str] = None, port: int = 8899, *,
                 user: Optional[str] = None, password: Optional[str] = None,
                 library: Optional[str] = None,
                 reconnect: Optional[ReconnectPolicy] = None) -> None:
        if host is not None:
            _credentials(user, password)  # before anything is created
        policy = _reconnect_values(reconnect)
        self._life = _Lifetime()
        self._servo: Optional[ServoStream] = None  # the last stream started
        self._failures = CallbackFailures()
        self._register_lock = threading.Lock()
        self._handle = -1
        self._lib = _library.load(library)
        handle = rec.RSHD()
        self._check("rs_create_context", self._lib.rs_create_context(byref(handle)))
        self._handle = handle.value
        self._life.opened()
        try:
            if policy is not None:
                # Before the login: the link is watched from its first moment.
                self._call("rs_set_reconnect_policy", *policy)
            if host is not None:
                self.login(host, port, user=user, password=password)
        except BaseException:
            self.close()
            raise

    @classmethod
    def connect(cls, host: str, port: int = 8899, *, user: Optional[str] = None,
                password: Optional[str] = None, library: Optional[str] = None,
                reconnect: Optional[ReconnectPolicy] = None) -> "Robot":
        """A new context logged in to the controller at ``host``:``port``, with
        ``user`` and ``password`` when given (both or neither), else with the
        handle interface's fixed credentials. A refused login raises
        AuthenticationError; nothing more is sent on that connection.

        With ``reconnect`` (a ReconnectPolicy) the link is supervised: when it is
        lost (closed, reset, or silent for ``silence_s``) the library logs in
        again with backoff and the same credentials, until it succeeds or
        ``give_up_after_s`` pass. The callbacks and the pushes they switched on
        survive; a move does not: a blocking move waiting when the link died
        raises NotConnectedError and is never sent again. While the link is down
        every call raises NotConnectedError at once. ``on_connection`` tells
        what happens; ``close()`` during a backoff returns within 100 ms. A
        policy value out of its range raises ArgumentError before connecting."""
        return cls(host, port, user=user, password=password, library=library,
                   reconnect=reconnect)

    # ---- shapes shared by every operation --------------------------------

    def _check(self, name: str, result: int) -> None:
        if result != 0:
            raise self._lib.error(result, name)

    def _invoke(self, name: str, *args: Any) -> Any:
        """The library's result of ``name`` on this context, counted as in flight
        while it runs; HandleError once the Robot is closed."""
        self._life.begin_call(name)
        try:
            return getattr(self._lib, name)(self._handle, *args)
        finally:
            self._life.end_call()

    def _call(self, name: str, *args: Any) -> None:
        self._check(name, self._invoke(name, *args))

    def _call_bool(self, name: str) -> None:
        if self._invoke(name):
            raise self._lib.error(FAILED, name)

    def _blocking(self, name: str, stop: Optional[str], *args: Any) -> None:
        """Calls ``name`` so that Ctrl-C on the main thread interrupts it: sends
        ``stop`` (when there is one) and raises KeyboardInterrupt (see "Ctrl-C"
        in the module text)."""
        if threading.current_thread() is not threading.main_thread():
            self._call(name, *args)
            return
        self._life.check_open(name)  # a closed Robot raises here, not on the helper
        outcome: List[Any] = []
        done = threading.Event()

        def run() -> None:
            # The error is made here: a refused request's reason is kept for
            # the thread that made the call.
            try:
                result = self._invoke(name, *args)
                outcome.append(self._lib.error(result, name) if result != 0 else None)
            except BaseException as error:  # noqa: B902 - handed to the caller
                outcome.append(error)
            finally:
                done.set()

        try:
            threading.Thread(target=run, name=f"tevo_robot {name}", daemon=True).start()
            while not done.wait(INTERRUPT_POLL):
                pass
        except BaseException:
            if stop is not None:
                try:
                    self._call(stop)
                except RobotError as error:
                    log.warning("%s after an interrupted %s failed: %s", stop, name, error)
                done.wait(INTERRUPT_STOP_WAIT)
            raise
        if outcome[0] is not None:
            raise outcome[0]

    def _read(self, name: str, ctype: Any, *args: Any) -> Any:
        """Calls ``name`` with ``args`` and one out-argument of ``ctype``; returns it."""
        out = ctype()
        self._call(name, *args, byref(out))
        return out

    def _read_value(self, name: str, ctype: Any, *args: Any) -> Any:
        return self._read(name, ctype, *args).value

    # ---- context ---------------------------------------------------------

    @property
    def handle(self) -> int:
        """The context's handle (RSHD)."""
        return self._handle

    @property
    def library_path(self) -> str:
        return self._lib.path

    @property
    def closed(self) -> bool:
        return self._life.closed

    def login(self, host: str, port: int = 8899, *, user: Optional[str] = None,
              password: Optional[str] = None) -> None:
        """Connects and logs in with ``user`` and ``password`` (both or neither;
        ValueError otherwise), or with the handle interface's fixed credentials.
        A refused login raises AuthenticationError with the controller's reason."""
        credentials = _credentials(user, password)
        address = _check.text(host, "host", 255)
        port = _check.integer(port, "port", 0, 65535)
        if credentials is None:
            result = self._invoke("rs_login", address, port)
        else:
            result = self._invoke("rs_login_as", address, port, *credentials)
        if result != 0:  # read the refusal on this thread, before any other call
            raise self._lib.error(result, f"login to {host}:{port}", login=True)

    def logout(self) -> None:
        """Logs out; a supervised link is no longer watched until the next login."""
        self._call("rs_logout")

    def set_reconnect_policy(self, policy: Optional[ReconnectPolicy]) -> None:
        """Supervises the link with ``policy`` from now on (once logged in), or
        ends the supervision (None); see ``connect``."""
        values = _reconnect_values(policy)
        self._call("rs_set_reconnect_policy", *(values or (0.0,) * 5))

    @property
    def login_count(self) -> int:
        """Successful logins of this Robot so far: the first and one for each
        reconnect. Never blocks."""
        return self._invoke("rs_login_count")

    def logged_in(self) -> bool:
        return self._read_value("rs_get_login_status", c_bool)

    def socket_connected(self) -> bool:
        """Whether the link to the controller is up."""
        return self._read_value("rs_get_socket_status", c_bool)

    def close(self) -> None:
        """Logs out (when logged in) and destroys the context. Idempotent, and
        safe while other threads are inside calls on this Robot (see "Closing"
        in the module text): no callback of this Robot runs once it returned."""
        if not self._life.close():
            return
        try:
            self._stop_servo_on_close()
            status = c_bool(False)
            if self._lib.rs_get_login_status(self._handle, byref(status)) == 0 and status.value:
                result = self._lib.rs_logout(self._handle)
                if result != 0:
                    log.warning("logout of handle %d failed: %d", self._handle, result)
            self._lib.rs_destory_context(self._handle)
            self._life.destroyed()
        finally:
            self._life.finished()
            # No callback of this Robot runs any more: what is left to report goes now.
            self._failures.flush()

    def _stop_servo_on_close(self) -> None:
        """Stops a servo stream left running, so that the arm is brought to rest at
        once rather than by the controller's watchdog."""
        stream = self._servo
        if stream is not None:
            result = stream._end()
            if result:
                log.warning("stopping the servo stream of handle %d on close failed: %d",
                            self._handle, result)

    def __enter__(self) -> "Robot":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:  # interpreter shutdown: nothing left to report to
            pass

    def __repr__(self) -> str:
        return f"<Robot handle={self._handle}{' closed' if self.closed else ''}>"

    # ---- arm state and control --------------------------------------------

    def startup(self, tool: ToolDynamics = ToolDynamics(), collision_class: int = 6,
                read_pose: bool = True, static_collision_detect: bool = True,
                board_max_acc: int = 1000) -> ServiceState:
        """Powers the arm, releases the brakes; blocks until done (at most 60 s).
        Ctrl-C raises KeyboardInterrupt at once; the controller completes the
        start-up all the same (there is no way to stop it)."""
        c_tool = _check.instance(tool, ToolDynamics, "tool")._to_c()
        out = c_int()
        self._blocking("rs_robot_startup", None, byref(c_tool),
                       _check.integer(collision_class, "collision_class", 0, 255),
                       _check.flag(read_pose, "read_pose"),
                       _check.flag(static_collision_detect, "static_collision_detect"),
                       _check.integer(board_max_acc, "board_max_acc"), byref(out))
        state = out.value
        return ServiceState(state) if state in ServiceState._value2member_map_ else state

    def shutdown(self) -> None:
        """Brakes and powers the arm off; blocks until done (at most 30 s). Ctrl-C
        raises KeyboardInterrupt at once; the controller completes the shut-down."""
        self._blocking("rs_robot_shutdown", None)

    def collision_recover(self) -> None:
        self._call("rs_collision_recover")

    def robot_state(self) -> RobotState:
        return RobotState(self._read_value("rs_get_robot_state", c_int))

    def set_work_mode(self, mode: WorkMode) -> None:
        self._call("rs_set_work_mode", _check.choice(mode, WorkMode, "mode"))

    def work_mode(self) -> WorkMode:
        return WorkMode(self._read_value("rs_get_work_mode", c_int))

    def gravity_component(self) -> Any:
        """GravityComponent (x, y, z), gravity in the base frame (m/s^2)."""
        return record_from_c(self._read("rs_get_gravity_component", rec.RobotGravityComponent))

    def set_collision_class(self, grade: int) -> None:
        """Collision sensitivity class 0 to 10 (no unit); one request plus up to three
        read-backs 150 ms apart."""
        self._call("rs_set_collision_class", _check.integer(grade, "grade"))

    def device_info(self) -> Any:
        """DeviceInfo of the arm."""
        return record_from_c(self._read("rs_get_device_info", rec.RobotDevInfo))

    def has_real_robot(self) -> bool:
        return self._read_value("rs_is_have_real_robot", c_bool)

    def is_online_mode(self) -> bool:
        return self._read_value("rs_is_online_mode", c_bool)

    def is_online_master_mode(self) -> bool:
        return self._read_value("rs_is_online_master_mode", c_bool)

    def joint_status(self) -> List[JointStatus]:
        """The six joints' status: positions in radians, currents in mA, voltages in
        V, temperatures in degrees Celsius (see JointStatus)."""
        status = (rec.JointStatus * 6)()
        self._call("rs_get_joint_status", status, 6)
        return [JointStatus._from_c(s) for s in status]

    def current_waypoint(self) -> Waypoint:
        """Where the arm is: flange pose and joint angles."""
        return Waypoint._from_c(self._read("rs_get_current_waypoint", rec.WayPoint))

    def diagnosis(self) -> Any:
        """Diagnosis record of the arm."""
        return record_from_c(self._read("rs_get_diagnosis_info", rec.RobotDiagnosis))

    def end_speed(self) -> float:
        """Speed of the tool end (m/s), from the diagnosis."""
        return self._read_value("rs_get_robot_end_speed", c_float)

    def robot_control(self, command: ControlCommand) -> None:
        self._call("rs_robot_control", _check.choice(command, ControlCommand, "command"))

    def enter_reduce_mode(self) -> None:
        self._call_bool("rs_enter_reduce_mode")

    def exit_reduce_mode(self) -> None:
        self._call_bool("rs_exit_reduce_mode")

    def project_startup(self) -> None:
        self._call_bool("rs_project_startup")

    def project_stop(self) -> None:
        self._call_bool("rs_project_stop")

    def set_client_status(self, status: str) -> None:
        """Tells the controller the client is 'pause'd, 'continue's, 'stop'ped or 'run's."""
        if status not in ("pause", "continue", "stop", "run"):
            raise ValueError(f"status: {status!r} is not pause, continue, stop or run")
        self._call(f"rs_set_client_status_{status}")

    def set_joint_motion_range(self, ranges: Sequence[Tuple[float, float]],
                               enable: bool = True) -> None:
        """Limits each joint to its (min, max) range (rad)."""
        ranges = _check.sequence(ranges, "ranges")
        if len(ranges) != 6:
            raise ValueError(f"ranges: expected 6 (min, max) pairs, got {len(ranges)}")
        c_ranges = (rec.RangeOfMotion * 6)()
        for i, pair in enumerate(ranges):
            low, high = _check.numbers_of(pair, 2, f"ranges[{i}]")
            if low > high:
                raise ValueError(f"ranges[{i}]: minimum {low} above maximum {high}")
            c_ranges[i] = rec.RangeOfMotion(low, high)
        self._call("rs_set_robot_joint_motion_range", c_ranges, _check.flag(enable, "enable"))

    def set_recognition_param(self, kind: int, data: bytes) -> None:
        """Stores up to 256 bytes of recognition parameters of one kind."""
        kind = _check.integer(kind, "kind", 0, 255)
        if not isinstance(data, (bytes, bytearray)):
            raise TypeError(f"data: expected bytes, got {type(data).__name__}")
        if len(data) > 255:
            raise ValueError(f"data: at most 255 bytes, got {len(data)}")
        param = rec.RobotRecongnitionParam(kind, len(data))
        ctypes.memmove(param.data, bytes(data), len(data))
        self._call("rs_set_robot_recognition_param", byref(param))

    def recognition_param(self, kind: int) -> bytes:
        param = self._read("rs_get_robot_recognition_param", rec.RobotRecongnitionParam,
                           _check.integer(kind, "kind", 0, 255))
        return bytes(param.data[:param.length])

    def safety_config(self) -> Any:
        """SafetyConfig of the arm."""
        return record_from_c(self._read("rs_get_robot_safety_config", rec.RobotSafetyConfig))

    def set_safety_config(self, config: Any) -> None:
        self._call("rs_set_robot_safety_config",
                   byref(record_to_c(config, rec.RobotSafetyConfig, "config")))

    def safety_status(self) -> Any:
        """SafetyStatus of the safety board."""
        return record_from_c(self._read("rs_get_robot_safety_status", rec.OrpeSafetyStatus))

    def regulate_speed_param(self) -> Any:
        """RegulateSpeedParam of the regulated-speed mode."""
        return record_from_c(self._read("rs_get_regulate_speed_param",
                                        rec.RegulateSpeedModeParamConfig))

    def set_regulate_speed_param(self, param: Any) -> None:
        self._call("rs_set_regulate_speed_param",
                   byref(record_to_c(param, rec.RegulateSpeedModeParamConfig, "param")))

    def enable_regulate_speed_mode(self, enable: bool) -> None:
        self._call("rs_enable_regulate_speed_mode", _check.flag(enable, "enable"))

    def explore_force_param(self) -> Tuple[float, float]:
        """(force limit N, distance limit m) of the force-control exploring mode."""
        force, dist = c_double(), c_double()
        self._call("rs_get_force_control_mode_explore_force_param", byref(force), byref(dist))
        return force.value, dist.value

    def set_explore_force_param(self, force_limit: float, dist_limit: float) -> None:
        """Sets the exploring mode's force limit (N) and distance limit (m)."""
        self._call("rs_set_force_control_mode_explore_force_param",
                   _check.number(force_limit, "force_limit"),
                   _check.number(dist_limit, "dist_limit"))

    def enable_force_control_mode(self, enable: bool) -> None:
        self._call("rs_enable_force_control_mode", _check.flag(enable, "enable"))

    def realtime_force_data(self) -> Tuple[float, ...]:
        """The force sensor's six values: forces (N) then torques (N m)."""
        data = (c_double * 6)()
        self._call("rs_get_realtime_force_data", data)
        return tuple(data)

    # ---- global move profile (process-wide) --------------------------------

    def init_global_move_profile(self) -> None:
        """Resets the process-wide move profile (shared by every Robot)."""
        self._call("rs_init_global_move_profile")

    def set_global_joint_max_acc(self, acc: Sequence[float]) -> None:
        """The six joints' maximum accelerations (rad/s^2, each in (0, 167.55])."""
        self._call("rs_set_global_joint_maxacc",
                   byref(rec.JointVelcAccParam(_joints(acc, "acc"))))

    def set_global_joint_max_velc(self, velc: Sequence[float]) -> None:
        """The six joints' maximum speeds (rad/s, each in (0, 8.7268])."""
        self._call("rs_set_global_joint_maxvelc",
                   byref(rec.JointVelcAccParam(_joints(velc, "velc"))))

    def global_joint_max_acc(self) -> JointVector:
        """The six joints' maximum accelerations (rad/s^2)."""
        return tuple(self._read("rs_get_global_joint_maxacc", rec.JointVelcAccParam).jointPara)

    def global_joint_max_velc(self) -> JointVector:
        """The six joints' maximum speeds (rad/s)."""
        return tuple(self._read("rs_get_global_joint_maxvelc", rec.JointVelcAccParam).jointPara)

    def set_global_end_max(self, quantity: str, value: float) -> None:
        """Sets one limit of the tool end: quantity is line_acc (m/s^2), line_velc
        (m/s), angle_acc (rad/s^2) or angle_velc (rad/s)."""
        self._call(self._end_limit("set", quantity), _check.number(value, "value"))

    def global_end_max(self, quantity: str) -> float:
        """Reads one limit of the tool end, in the units of set_global_end_max."""
        return self._read_value(self._end_limit("get", quantity), c_double)

    @staticmethod
    def _end_limit(verb: str, quantity: str) -> str:
        if quantity not in ("line_acc", "line_velc", "angle_acc", "angle_velc"):
            raise ValueError(f"quantity: {quantity!r} is not line_acc, line_velc, "
                             "angle_acc or angle_velc")
        return f"rs_{verb}_global_end_max_{quantity}"

    def clear_waypoints(self) -> None:
        """Empties the global waypoint list used by track moves."""
        self._call("rs_remove_all_waypoint")

    def add_waypoint(self, joints: Sequence[float]) -> None:
        """Appends six joint angles (rad) to the global waypoint list."""
        self._call("rs_add_waypoint", _joints(joints))

    def set_blend_radius(self, radius: float) -> None:
        """0 < radius <= 0.05 m; the library refuses others (ArgumentError 1003)."""
        self._call("rs_set_blend_radius", _check.number(radius, "radius"))

    def set_circular_loop_times(self, times: int) -> None:
        """1 to 1000; the library refuses others (ArgumentError 1003)."""
        self._call("rs_set_circular_loop_times", _check.integer(times, "times"))

    def set_relative_offset(self, offset: RelativeOffset,
                            frame: Optional[UserFrame] = None) -> None:
        """Offsets later moves (position m, orientation quaternion), in the base frame
        or in ``frame``."""
        c_offset = _check.instance(offset, RelativeOffset, "offset")._to_c()
        if frame is None:
            self._call("rs_set_relative_offset_on_base", byref(c_offset))
        else:
            self._call("rs_set_relative_offset_on_user", byref(c_offset), byref(_frame(frame)))

    def set_no_arrival_ahead(self) -> None:
        self._call("rs_set_no_arrival_ahead")

    def set_arrival_ahead(self, mode: str, value: float) -> None:
        """Ends blocking moves early: mode 'distance' (m), 'time' (s) or 'blend' (m)."""
        if mode not in ("distance", "time", "blend"):
            raise ValueError(f"mode: {mode!r} is not distance, time or blend")
        self._call(f"rs_set_arrival_ahead_{mode}", _check.number(value, "value"))

    def set_teach_frame(self, frame: UserFrame) -> None:
        self._call("rs_set_teach_coord", byref(_frame(frame)))

    def set_user_frame(self, frame: UserFrame) -> None:
        """The frame of move_line_to_position / move_joint_to_position targets from now on."""
        self._call("rs_set_user_coord", byref(_frame(frame)))

    def set_base_frame(self) -> None:
        """move_line_to_position / move_joint_to_position targets are in the base frame again."""
        self._call("rs_set_base_coord")

    # ---- moves ------------------------------------------------------------
    # Every move takes ``block`` (default True): True waits until the arm has
    # arrived, with no time limit while the controller answers (StoppedError
    # when a stop or an event ends the move, RobotTimeoutError within 5 s after
    # the controller falls silent); False returns once the controller accepted
    # the move (one request, at most 2 s). Angles are radians, lengths metres,
    # orientations unit quaternions (w, x, y, z); poses are the flange's, in the
    # base frame, unless a tool or user frame is named.

    def move_joint(self, joints: Sequence[float], block: bool = True,
                   profile: Optional[MoveProfile] = None) -> None:
        """Joint-interpolated move to six joint angles (rad), with the global move
        profile or ``profile``. With ``block``, Ctrl-C stops the arm and raises
        KeyboardInterrupt (as every blocking move and track playback does; see
        the module text)."""
        self._move("rs_move_joint", joints, block, profile)

    def move_line(self, joints: Sequence[float], block: bool = True,
                  profile: Optional[MoveProfile] = None) -> None:
        """Straight-line move of the flange to the pose of six joint angles (rad),
        arriving at those joint angles."""
        self._move("rs_move_line", joints, block, profile)

    def move_line_to_pose(self, pose: Pose, block: bool = True) -> None:
        """Straight-line move of the flange to ``pose`` (position m, orientation
        quaternion, base frame). The joint angles are the inverse kinematics'
        solution nearest the current ones (one request reads them first);
        KinematicsError or TargetError when none reaches the pose."""
        self.move_line(self._solve(pose), block)

    def move_joint_to_pose(self, pose: Pose, block: bool = True) -> None:
        """Joint-interpolated move to the joint angles that put the flange at
        ``pose`` (position m, orientation quaternion, base frame), solved as by
        move_line_to_pose."""
        self.move_joint(self._solve(pose), block)

    def move_line_to_position(self, position: Vector3, tool: ToolDesc = ToolDesc(),
                              block: bool = True) -> None:
        """Straight-line move of the tool end to ``position`` (m), keeping the
        current orientation. The position is in the user frame of set_user_frame
        (the base frame until one is set); ``tool`` is the tool end on the flange
        (the flange itself by default). One request reads the joints first."""
        self._move_to("rs_move_line_to", position, tool, block)

    def move_joint_to_position(self, position: Vector3, tool: ToolDesc = ToolDesc(),
                               block: bool = True) -> None:
        """Joint-interpolated move of the tool end to ``position`` (m), keeping the
        current orientation; frame and tool as in move_line_to_position."""
        self._move_to("rs_move_joint_to", position, tool, block)

    def move_relative(self, offset: Vector3, block: bool = True) -> None:
        """Straight-line move of the flange by ``offset`` (m, base frame), keeping
        its orientation: to the current flange position plus ``offset``, solved
        as by move_line_to_pose (one request reads where the arm is first)."""
        dx, dy, dz = _check.numbers_of(offset, 3, "offset")
        block = _check.flag(block, "block")
        here = self.current_waypoint()
        target = Pose((here.position[0] + dx, here.position[1] + dy, here.position[2] + dz),
                      here.orientation)
        self.move_line(self.inverse_kin(here.joints, target).joints, block)

    def move_through(self, waypoints: Sequence[Sequence[float]], blend_radius: float = 0.02,
                     block: bool = True) -> None:
        """One blended move through joint-angle waypoints (rad, six per
        waypoint), rounding each corner within ``blend_radius`` (m, 0 < r <=
        0.05). Uses the process-wide waypoint list and blend radius
        (add_waypoint, set_blend_radius): it replaces the list, and empties it
        again once the move is sent or has ended."""
        points = _joint_list(waypoints, "waypoints")
        radius = _check.number(blend_radius, "blend_radius")
        block = _check.flag(block, "block")
        self.clear_waypoints()
        try:
            for q in points:
                self.add_waypoint(q)
            self.set_blend_radius(radius)
            self._move_call("rs_move_track", block, MoveTrack.CARTESIAN_MOVEP, block)
        finally:
            self.clear_waypoints()

    def _solve(self, pose: Any) -> JointVector:
        """The joint angles (rad) nearest the current ones that put the flange at ``pose``."""
        target = _check.instance(pose, Pose, "pose")
        target._to_c()  # checked before any request
        return self.inverse_kin(self.current_waypoint().joints, target).joints

    def move_line_to(self, position: Vector3, tool: ToolDesc = ToolDesc(),
                     block: bool = True) -> None:
        """Deprecated: use move_line_to_position (the same move), or
        move_line_to_pose for a full pose."""
        warnings.warn("Robot.move_line_to is deprecated: use move_line_to_position, or "
                      "move_line_to_pose for a full pose", DeprecationWarning, stacklevel=2)
        self.move_line_to_position(position, tool, block)

    def move_joint_to(self, position: Vector3, tool: ToolDesc = ToolDesc(),
                      block: bool = True) -> None:
        """Deprecated: use move_joint_to_position (the same move), or
        move_joint_to_pose for a full pose."""
        warnings.warn("Robot.move_joint_to is deprecated: use move_joint_to_position, or "
                      "move_joint_to_pose for a full pose", DeprecationWarning, stacklevel=2)
        self.move_joint_to_position(position, tool, block)

    def _move(self, name: str, joints: Any, block: Any, profile: Optional[MoveProfile]) -> None:
        target = _joints(joints)
        block = _check.flag(block, "block")
        if profile is None:
            self._move_call(name, block, target, block)
        else:
            c_profile = _check.instance(profile, MoveProfile, "profile")._to_c()
            self._move_call(f"{name}_ex", block, byref(c_profile), target, block)

    def _move_call(self, name: str, block: bool, *args: Any, stop: str = "rs_move_stop") -> None:
        """A move that Ctrl-C stops when it blocks."""
        if block:
            self._blocking(name, stop, *args)
        else:
            self._call(name, *args)

    def follow_mode_move_joint(self, joints: Sequence[float]) -> None:
        self._call("rs_follow_mode_move_joint", _joints(joints))

    def move_rotate(self, frame: UserFrame, axis: Vector3, angle: float,
                    block: bool = True) -> None:
        """Rotates the tool by ``angle`` (rad) about ``axis`` (a direction, no unit)
        of ``frame``."""
        c_axis = rec.MoveRotateAxis((c_double * 3)(*_check.numbers_of(axis, 3, "axis")))
        block = _check.flag(block, "block")
        self._move_call("rs_move_rotate", block, byref(_frame(frame)), byref(c_axis),
                        _check.number(angle, "angle"), block)

    def move_track(self, mode: MoveTrack, block: bool = True) -> None:
        """Moves through the global waypoints (add_waypoint) as a track of ``mode``."""
        block = _check.flag(block, "block")
        self._move_call("rs_move_track", block, _check.choice(mode, MoveTrack, "mode"), block)

    def _move_to(self, name: str, position: Any, tool: Any, block: Any) -> None:
        target = rec.Pos(*_check.numbers_of(position, 3, "position"))
        block = _check.flag(block, "block")
        self._move_call(name, block, byref(target), byref(_tool(tool)), block)

    def teach_start(self, mode: TeachMode, positive: bool) -> None:
        """Starts jogging one joint or axis in the positive or negative direction."""
        self._call("rs_teach_move_start", _check.choice(mode, TeachMode, "mode"),
                   _check.flag(positive, "positive"))

    def teach_stop(self) -> None:
        self._call("rs_teach_move_stop")

    def stop(self) -> None:
        """Stops the current move (decelerating)."""
        self._call("rs_move_stop")

    def fast_stop(self) -> None:
        self._call("rs_move_fast_stop")

    def pause(self) -> None:
        self._call("rs_move_pause")

    def resume(self) -> None:
        """Continues a paused move."""
        self._call("rs_move_continue")

    def set_track_playback_cycle(self, seconds: float) -> None:
        """The period (s) between the points of a played-back track."""
        self._call("rs_set_track_playback_cycle", _check.number(seconds, "seconds"))

    # ---- offline tracks, pass-through mode, customer tracks -----------------

    def clear_offline_track(self) -> None:
        self._call("rs_clear_offline_track")

    def append_offline_track(self, points: Sequence[Sequence[float]]) -> None:
        """Uploads up to 3000 joint positions (six angles each, rad) to the
        controller's offline track."""
        joints = _joint_list(points, "points")
        if len(joints) > MAX_OFFLINE_TRACK_POINTS:
            raise ValueError(f"points: at most {MAX_OFFLINE_TRACK_POINTS} per upload, "
                             f"got {len(joints)}")
        array = (rec.JointParam * max(1, len(joints)))()
        for i, q in enumerate(joints):
            array[i].jointPos = rec.Joints(*q)
        self._call("rs_append_offline_track_waypoint", array, len(joints))

    def append_offline_track_file(self, path: str) -> None:
        """Uploads a track file of six joint angles (rad) per line."""
        self._call("rs_append_offline_track_file", _check.text(path, "path"))

    def start_offline_track(self, block: bool = True) -> None:
        """Plays the uploaded track; with ``block``, until it ends (Ctrl-C stops it
        with stop_offline_track and raises KeyboardInterrupt)."""
        block = _check.flag(block, "block")
        self._move_call("rs_startup_offline_track", block, block, stop="rs_stop_offline_track")

    def stop_offline_track(self) -> None:
        self._call("rs_stop_offline_track")

    def enter_tcp2canbus_mode(self) -> None:
        self._call("rs_enter_tcp2canbus_mode")

    def leave_tcp2canbus_mode(self) -> None:
        self._call("rs_leave_tcp2canbus_mode")

    def send_waypoints_to_canbus(self, points: Sequence[Sequence[float]]) -> None:
        """Passes joint positions (six angles each, rad) straight to the joints
        (pass-through mode)."""
        joints = _joint_list(points, "points")
        if len(joints) == 1:
            self._call("rs_set_waypoint_to_canbus", rec.Joints(*joints[0]))
            return
        flat = (c_double * (6 * max(1, len(joints))))(*[v for q in joints for v in q])
        self._call("rs_set_waypoints_to_canbus", flat, len(joints))

    def start_excitation_track(self, path: str, kind: int, subtype: int) -> None:
        """Runs an excitation trajectory, blocking like a move."""
        self._move_call("rs_startup_excit_traj_track", True, _check.text(path, "path"),
                        _check.integer(kind, "kind", -128, 127),
                        _check.integer(subtype, "subtype", -128, 127))

    def dyn_identify_results(self, capacity: int = 64) -> List[int]:
        capacity = _check.integer(capacity, "capacity", 1, 1 << 20)
        results, size = (c_int * capacity)(), c_int(0)
        if self._invoke("rs_get_dynidentify_results", results, capacity, byref(size)):
            raise self._lib.error(FAILED, "rs_get_dynidentify_results")
        return list(results[:size.value])

    def cache_track_file(self, path: str, reference: Sequence[float],
                         tool: ToolDesc = ToolDesc()) -> Waypoint:
        """Parses a tool-pose track file into the process's cached track and returns
        its first waypoint; move there, then play it with move_cached_track."""
        c_tool = _tool(tool)
        first = self._read("rs_parse_roadpoint_file_and_cache_result", rec.WayPoint,
                           _check.text(path, "path"), _joints(reference, "reference"),
                           byref(c_tool))
        return Waypoint._from_c(first)

    def move_cached_track(self) -> None:
        """Plays the cached track, blocking like a move."""
        self._move_call("rs_move_cached_track", True)

    def parse_track_file(self, path: str, pose_type: PoseFileType, reference: Sequence[float],
                         tool: ToolDesc = ToolDesc(), capacity: int = 3000) -> List[Waypoint]:
        """The waypoints (at most ``capacity``) of a tool-pose track file."""
        capacity = _check.integer(capacity, "capacity", 0, 1 << 20)
        out, size = (rec.WayPoint * max(1, capacity))(), c_int(0)
        self._call("rs_parse_file_as_roadpoint_collection", _check.text(path, "path"),
                   _check.choice(pose_type, PoseFileType, "pose_type"),
                   _joints(reference, "reference"), byref(_tool(tool)), out, capacity,
                   byref(size))
        return [Waypoint._from_c(w) for w in out[:size.value]]

    # ---- servo streaming ------------------------------------------------------

    def start_servo(self, period_s: float = 0.002,
                    max_joint_speed_rad_per_s: float = 3.0) -> ServoStream:
        """Starts a servo stream of one target per ``period_s`` (0.0005 to 0.1 s):
        reads the joint angles (the first target must be near them) and enters
        pass-through mode, two requests of at most 2 s each; the first deadline
        is one period later. A target farther in any joint than
        ``max_joint_speed_rad_per_s`` (above 0, at most 10) times the time since
        the previous one is refused before sending. Returns the ServoStream
        (see tevo_robot.servo), a context manager that stops it. RobotError
        (code 10001) when a stream of this Robot runs already."""
        period = _check.number(period_s, "period_s")
        speed = _check.number(max_joint_speed_rad_per_s, "max_joint_speed_rad_per_s")
        # The library reads 0 as "the default": here it is a mistake.
        for name, value in (("period_s", period), ("max_joint_speed_rad_per_s", speed)):
            if value <= 0:
                raise ValueError(f"{name}: {value} is not above 0")
        self._call("rs_servo_start", period, speed)
        self._servo = ServoStream(self._lib, self._handle, self._life)
        return self._servo

    # ---- kinematics and frames (computed locally) ---------------------------

    def forward_kin(self, joints: Sequence[float]) -> Waypoint:
        """The flange pose (m, quaternion; base frame) of six joint angles (rad)."""
        return Waypoint._from_c(self._read("rs_forward_kin", rec.WayPoint, _joints(joints)))

    def inverse_kin(self, reference: Sequence[float], pose: Pose) -> Waypoint:
        """The joint angles (rad) nearest ``reference`` (rad) that put the flange at
        ``pose`` (m, quaternion; base frame)."""
        pos, ori = _pose(pose)
        return Waypoint._from_c(self._read("rs_inverse_kin", rec.WayPoint,
                                           _joints(reference, "reference"), byref(pos),
                                           byref(ori)))

    def inverse_kin_all(self, pose: Pose) -> List[Waypoint]:
        """Every joint position (up to eight) that puts the flange at ``pose``."""
        pos, ori = _pose(pose)
        solutions = self._read("rs_inverse_kin_closed_form", rec.IkSolutions, byref(pos),
                               byref(ori))
        return [Waypoint._from_c(w) for w in solutions.waypoint[:solutions.solution_count]]

    def forward_kin_many(self, joints: Any) -> Any:
        """The flange pose rows (x, y, z m; w, x, y, z quaternion; base frame) of
        N joint rows (rad) in one library call: a float64 array of shape (N, 7)
        for an array-like of shape (N, 6) with numpy, else a list of 7-tuples.
        ValueError for a row holding a NaN or an infinity. See
        tevo_robot.kinematics."""
        return kinematics.forward_kin_many(self, joints)

    def inverse_kin_many(self, reference: Sequence[float], poses: Any, chain: bool = False,
                         unreachable: str = "raise") -> Any:
        """The joint rows (rad) that put the flange at N pose rows (x, y, z m; w, x, y,
        z quaternion; or Pose objects), each the solution nearest its reference, in one
        library call: a float64 array of shape (N, 6) with numpy, else a list of
        6-tuples. The reference is ``reference`` for every pose, or with ``chain``
        for the first only and then the previous solution (a path). Poses no
        solution reaches raise UnreachablePosesError (a KinematicsError with their
        indices and the result), or with ``unreachable="nan"`` get NaN rows. See
        tevo_robot.kinematics."""
        return kinematics.inverse_kin_many(self, reference, poses, chain, unreachable)

    def base_to_user(self, flange_on_base: Pose, frame: UserFrame,
                     tool: ToolDesc = ToolDesc()) -> Pose:
        """The tool end's pose in ``frame`` for a flange pose in the base frame."""
        return self._convert("rs_base_to_user", flange_on_base, tool, frame)

    def user_to_base(self, tool_on_user: Pose, frame: UserFrame,
                     tool: ToolDesc = ToolDesc()) -> Pose:
        """The flange pose in the base frame for a tool end pose in ``frame``."""
        return self._convert("rs_user_to_base", tool_on_user, tool, frame)

    def base_to_base_additional_tool(self, flange_on_base: Pose, tool: ToolDesc) -> Pose:
        """The tool end's pose in the base frame for a flange pose there."""
        return self._convert("rs_base_to_base_additional_tool", flange_on_base, tool)

    def _convert(self, name: str, pose: Any, tool: Any, frame: Any = None) -> Pose:
        pos, ori = _pose(pose)
        frame_args = (byref(_frame(frame)),) if frame is not None else ()
        out_pos, out_ori = rec.Pos(), rec.Ori()
        self._call(name, byref(pos), byref(ori), *frame_args, byref(_tool(tool)),
                   byref(out_pos), byref(out_ori))
        return Pose._from_c(out_pos, out_ori)

    def rpy_to_quaternion(self, rpy: Vector3) -> Quaternion:
        """The quaternion (w, x, y, z) of roll, pitch, yaw (rad)."""
        ori = self._read("rs_rpy_to_quaternion", rec.Ori,
                         byref(rec.Rpy(*_check.numbers_of(rpy, 3, "rpy"))))
        return (ori.w, ori.x, ori.y, ori.z)

    def quaternion_to_rpy(self, quaternion: Quaternion) -> Vector3:
        """Roll, pitch, yaw (rad) of a quaternion (w, x, y, z)."""
        rpy = self._read("rs_quaternion_to_rpy", rec.Rpy,
                         byref(rec.Ori(*_check.numbers_of(quaternion, 4, "quaternion"))))
        return (rpy.rx, rpy.ry, rpy.rz)

    def check_user_frame(self, frame: UserFrame) -> None:
        """Raises when the frame's three points do not define a frame."""
        self._call("rs_check_user_coord", byref(_frame(frame)))

    def calibrate_user_frame(self, frame: UserFrame
                             ) -> Tuple[Vector3, Tuple[float, ...], Vector3]:
        """(base origin in the frame (m), base orientation in the frame as a row-major
        3x3 rotation matrix, frame origin in the base (m))."""
        b_in_w, b_in_w_ori, w_in_b = (c_double * 3)(), (c_double * 9)(), (c_double * 3)()
        self._call("rs_user_coord_calibrate", byref(_frame(frame)), b_in_w, b_in_w_ori, w_in_b)
        return tuple(b_in_w), tuple(b_in_w_ori), tuple(w_in_b)  # type: ignore[return-value]

    # ---- tool parameters ------------------------------------------------------

    def set_tool_end_param(self, tool: ToolDesc) -> None:
        self._call("rs_set_tool_end_param", byref(_tool(tool)))

    def set_tool_kinematics(self, tool: ToolDesc) -> None:
        self._call("rs_set_tool_kinematics_param", byref(_tool(tool)))

    def clear_tool_kinematics(self) -> None:
        self._call("rs_set_none_tool_kinematics_param")

    def tool_kinematics(self) -> ToolDesc:
        return ToolDesc._from_c(self._read("rs_get_tool_kinematics_param", rec.ToolInEndDesc))

    def set_tool_dynamics(self, tool: ToolDynamics) -> None:
        c_tool = _check.instance(tool, ToolDynamics, "tool")._to_c()
        self._call("rs_set_tool_dynamics_param", byref(c_tool))

    def clear_tool_dynamics(self) -> None:
        self._call("rs_set_none_tool_dynamics_param")

    def tool_dynamics(self) -> ToolDynamics:
        return ToolDynamics._from_c(self._read("rs_get_tool_dynamics_param",
                                               rec.ToolDynamicsParam))

    # ---- input/output ---------------------------------------------------------

    def board_io_config(self, io_type: IoType, capacity: int = 64) -> List[IoDesc]:
        """The catalogue of one board type (values -1)."""
        io_type = _check.choice(io_type, IoType, "io_type")
        capacity = _check.integer(capacity, "capacity", 1, 4096)
        out, size = (rec.RobotIoDesc * capacity)(), c_int(0)
        self._call("rs_get_board_io_config", io_type, out, capacity, byref(size))
        return [IoDesc(d.ioId.decode(errors="replace"), d.ioType,
                       d.ioName.decode(errors="replace"), d.ioAddr, d.ioValue)
                for d in out[:size.value]]

    def board_io(self, io_type: IoType, point: IoPoint) -> float:
        """The value of a board I/O point given by name (str) or address (int):
        digital 0 or 1, analog in V (or mA for a current input)."""
        kind, key = self._io_point(io_type, point)
        return self._read_value(f"rs_get_board_io_status_by_{kind}", c_double,
                                _check.choice(io_type, IoType, "io_type"), key)

    def set_board_io(self, io_type: IoType, point: IoPoint, value: float) -> None:
        """Sets a board output given by name (str) or address (int): digital on
        above 0.5, analog in V (or mA for a current output)."""
        kind, key = self._io_point(io_type, point)
        self._call(f"rs_set_board_io_status_by_{kind}",
                   _check.choice(io_type, IoType, "io_type"), key,
                   _check.number(value, "value"))

    @staticmethod
    def _io_point(io_type: Any, point: Any) -> Tuple[str, Any]:
        _check.choice(io_type, IoType, "io_type")
        if isinstance(point, str):
            return "name", _check.text(point, "point", 31)
        return "addr", _check.integer(point, "point")

    def set_tool_power_type(self, power: ToolPowerType) -> None:
        self._call("rs_set_tool_power_type", _check.choice(power, ToolPowerType, "power"))

    def tool_power_type(self) -> ToolPowerType:
        return ToolPowerType(self._read_value("rs_get_tool_power_type", c_int))

    def set_tool_io_type(self, addr: int, direction: ToolIoDirection) -> None:
        """Makes tool digital line ``addr`` (0..3) an input or an output."""
        self._call("rs_set_tool_io_type", _check.integer(addr, "addr", 0, 3),
                   _check.choice(direction, ToolIoDirection, "direction"))

    def tool_power_voltage(self) -> float:
        """The tool supply's voltage (V)."""
        return self._read_value("rs_get_tool_power_voltage", c_double)

    def tool_io(self, name: str) -> float:
        """A tool line or analog input by name ("T_DI/O_00", "T_AI_00", ...):
        digital 0 or 1, analog in V."""
        return self._read_value("rs_get_tool_io_status", c_double,
                                _check.text(name, "name", 31))

    def set_tool_do(self, name: str, high: bool) -> None:
        self._call("rs_set_tool_do_status", _check.text(name, "name", 31),
                   int(_check.flag(high, "high")))

    # ---- callbacks and pushes -------------------------------------------------

    def _register(self, kind: str, name: str, ctype: Any, fn: Optional[Callable[..., None]],
                  convert: Callable[..., tuple]) -> None:
        if fn is not None and not callable(fn):
            raise TypeError(f"{kind} callback: expected a callable, got {type(fn).__name__}")
        self._life.check_open(name)
        c_fn = (ctype(_guarded(kind, fn, convert, self._failures, self._life))
                if fn is not None else ctype())
        with self._register_lock:
            # Referenced before the library can call it, and kept when the
            # registration fails: the library may have stored it all the same.
            self._life.keep(kind, c_fn)
            self._call(name, c_fn, None)
            # Once the registration returned, the library calls the old one no more.
            self._life.registered(kind, c_fn)
            self._failures.replaced(kind)

    @property
    def callback_errors(self) -> Dict[str, int]:
        """How often each callback of this Robot raised, by the name of the
        method that registered it (``{"on_joint_status": 58}``); the log
        callback, one per process, counts in ``"on_log"``. See "Callbacks that
        raise" in the module text."""
        counts = self._failures.counts()
        counts.update(_log_failures.counts())
        return counts

    def on_waypoint(self, fn: Optional[Callable[[Waypoint], None]]) -> None:
        """Calls ``fn(waypoint)`` for each real-time waypoint push (flange pose m and
        quaternion, joint angles rad); None removes it."""
        self._register("on_waypoint", "rs_setcallback_realtime_roadpoint", rec.RoadPointCallback,
                       fn, lambda w, _arg: (Waypoint._from_c(w.contents),))

    def on_joint_status(self, fn: Optional[Callable[[List[JointStatus]], None]]) -> None:
        """Calls ``fn(statuses)`` for each joint status push: six JointStatus,
        positions in rad (see JointStatus for the other units)."""
        self._register("on_joint_status", "rs_setcallback_realtime_joint_status",
                       rec.JointStatusCallback, fn,
                       lambda s, size, _arg: ([JointStatus._from_c(s[i]) for i in range(size)],))

    def on_end_speed(self, fn: Optional[Callable[[float], None]]) -> None:
        """Calls ``fn(speed)`` (m/s) for each end speed push."""
        self._register("on_end_speed", "rs_setcallback_realtime_end_speed", rec.EndSpeedCallback,
                       fn, lambda speed, _arg: (speed,))

    def on_move_progress(self, fn: Optional[Callable[[int], None]]) -> None:
        """Calls ``fn(step)`` as a track move passes its waypoints."""
        self._register("on_move_progress", "rs_setcallback_movep_step_num", rec.StepNumCallback,
                       fn, lambda step, _arg: (step,))

    def on_event(self, fn: Optional[Callable[[RobotEvent], None]]) -> None:
        """Calls ``fn(event)`` for each robot event of this context."""
        def convert(info: Any, _arg: Any) -> tuple:
            e = info.contents
            content = (e.eventContent or b"").decode(errors="replace")
            return (RobotEvent(e.eventType, e.eventCode, content),)
        self._register("on_event", "rs_setcallback_robot_event", rec.EventCallback, fn,
                       convert)

    def on_connection(self, fn: Optional[Callable[[ConnectionEvent], None]]) -> None:
        """Calls ``fn(event)`` for each event of a supervised link (see ``connect``):
        LINK_LOST with its reason, RECONNECTING before each attempt, RECONNECTED,
        GAVE_UP. It runs on the context's supervisor thread, one event at a time
        and with no library lock held, so it may call this Robot (blocking calls
        included) but must not close it; None removes it."""
        def convert(kind: int, reason: int, attempt: int, since_loss_s: float,
                    text: Optional[bytes], _arg: Any) -> tuple:
            return (ConnectionEvent(_enum_or_int(ConnectionEventKind, kind),
                                    _enum_or_int(LinkLossReason, reason), attempt, since_loss_s,
                                    (text or b"").decode(errors="replace")),)
        self._register("on_connection", "rs_setcallback_connection_event",
                       rec.ConnectionEventCallback, fn, convert)

    def on_log(self, fn: Optional[Callable[[LogLevel, str], None]]) -> None:
        """Calls ``fn(level, text)`` for each log line of the library. The log sink
        is one per process: this replaces any earlier one, whichever Robot set it,
        and stays registered after this Robot closes."""
        global _log_callback

        def convert(level: int, text: Optional[bytes], _arg: Any) -> tuple:
            lvl = LogLevel(level) if level in LogLevel._value2member_map_ else level
            return (lvl, (text or b"").decode(errors="replace"))
        with _log_lock:
            if fn is None:
                self._call("rs_setcallback_robot_loginfo", rec.LogCallback(), None)
                _log_callback = None
                _log_failures.replaced("on_log")
                return
            if not callable(fn):
                raise TypeError(f"log callback: expected a callable, got {type(fn).__name__}")
            _log_failures.replaced("on_log")
            c_fn = rec.LogCallback(_guarded("on_log", fn, convert, _log_failures))
            self._call("rs_setcallback_robot_loginfo", c_fn, None)
            _log_callback = c_fn

    def log_to_logging(self, logger: logging.Logger = log) -> None:
        """Routes the library's log lines to ``logger`` at matching levels."""
        self.on_log(lambda level, text: logger.log(_LOG_LEVELS.get(level, logging.INFO), text))

    def enable_push(self, kind: str, enable: bool = True) -> None:
        """Switches a real-time push on or off: 'waypoint', 'joint_status' or 'end_speed'."""
        names = {"waypoint": "roadpoint", "joint_status": "joint_status",
                 "end_speed": "end_speed"}
        if kind not in names:
            raise ValueError(f"kind: {kind!r} is not waypoint, joint_status or end_speed")
        self._call(f"rs_enable_push_realtime_{names[kind]}", _check.flag(enable, "enable"))

    # ---- joint servo parameters -------------------------------------------------

    def joint_common_data(self) -> List[Any]:
        """The six joints' JointCommonData."""
        data = self._read("rs_get_joint_common_data", rec.RobotJointCommonData)
        return [record_from_c(d) for d in data.data]

    def set_joint_servo_param(self, joint_id: int, parameter: str, value: int) -> None:
        """Sets one servo gain of joint 1..6: parameter is current_ip, current_ii,
        current_id, speed_p, speed_i, speed_d, speed_ds, pos_p, pos_i, pos_d or pos_ds."""
        if parameter not in _library.SERVO_PARAMETERS:
            raise ValueError(f"parameter: {parameter!r} is not one of "
                             f"{', '.join(_library.SERVO_PARAMETERS)}")
        self._call(f"rs_set_{parameter}", _check.integer(joint_id, "joint_id", 1, 6),
                   _check.integer(value, "value", 0, 65535))

    def save_joint_data_to_flash(self, joint_id: int) -> None:
        self._call("rs_joint_save_data_flash", _check.integer(joint_id, "joint_id", 1, 6))
