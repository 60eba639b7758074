"""The package against the simulator: one test per family of the handle
interface, pushes reaching Python callables, errors raised with their codes,
and contexts released however a ``with`` block ends."""
import logging
import math
import random
import re
import signal
import threading

import pytest

import tevo_robot._failures
from conftest import START, assert_close, wait_for
from tevo_robot import (ArgumentError, HandleError, IoType, MoveTrack, Pose, PoseFileType,
                        RelativeOffset, Robot, RobotConnectionError, RobotError, RobotState,
                        RobotTimeoutError, ServiceState, ToolDesc, ToolDynamics, ToolIoDirection,
                        ToolPowerType, WorkMode)

NEAR = (0.1, -0.2, 1.6, 0.4, 1.5, 0.2)
TOOL = ToolDesc((0.0, 0.0, 0.1))


def test_state_and_control(robot):
    assert robot.logged_in() and robot.socket_connected()
    assert robot.robot_state() == RobotState.STOPPED
    for mode in (WorkMode.REAL, WorkMode.SIMULATOR):
        robot.set_work_mode(mode)
        assert robot.work_mode() == mode
    assert_close(robot.current_waypoint().joints, START)
    # The wire's degrees (single precision) arrive as radians.
    status = robot.joint_status()
    assert_close([s.position_rad for s in status], START, 1e-5)
    assert all(s.voltage_v > 0 for s in status)  # powered
    assert robot.diagnosis().robot_end_speed >= 0.0
    assert robot.end_speed() >= 0.0
    assert robot.device_info().revision
    robot.enter_reduce_mode()
    robot.exit_reduce_mode()


def test_shutdown_and_startup(robot):
    robot.shutdown()
    assert robot.startup() == ServiceState.WORKING
    robot.move_joint(NEAR)
    assert_close(robot.current_waypoint().joints, NEAR)


def test_blocking_and_non_blocking_moves(robot):
    robot.move_joint(NEAR, block=False)
    assert wait_for(lambda: max(abs(a - b) for a, b in
                                zip(robot.current_waypoint().joints, NEAR)) < 1e-6)
    start = robot.current_waypoint().position
    target = (start[0] + 0.05, start[1] - 0.02, start[2] - 0.03)
    robot.move_line_to_position(target)
    assert_close(robot.current_waypoint().position, target, 1e-4)
    robot.move_line(START)
    assert_close(robot.current_waypoint().joints, START, 1e-4)


def assert_pose(actual, position, orientation, tolerance=1e-6):
    assert_close(actual.position, position, tolerance)
    # q and -q are the same orientation.
    dot = sum(a * b for a, b in zip(actual.orientation, orientation))
    assert abs(abs(dot) - 1.0) <= tolerance, f"{actual.orientation} != {orientation}"


def test_moves_reach_what_they_are_named_for(robot):
    near = robot.forward_kin(NEAR)
    robot.move_line_to_pose(near.pose)
    assert_close(robot.current_waypoint().joints, NEAR)  # the solution nearest START
    home = robot.forward_kin(START)
    robot.move_joint_to_pose(home.pose)
    assert_pose(robot.current_waypoint(), home.position, home.orientation)

    start = robot.current_waypoint()
    shifted = tuple(p + d for p, d in zip(start.position, (0.03, -0.02, 0.04)))
    robot.move_relative((0.03, -0.02, 0.04))
    assert_pose(robot.current_waypoint(), shifted, start.orientation)
    robot.move_joint_to_position(start.position)
    assert_pose(robot.current_waypoint(), start.position, start.orientation)
    robot.move_line_to_position(shifted)
    assert_pose(robot.current_waypoint(), shifted, start.orientation)
    with pytest.warns(DeprecationWarning, match="move_line_to_position"):
        robot.move_line_to(start.position)
    assert_pose(robot.current_waypoint(), start.position, start.orientation)

    robot.move_through([NEAR, START, NEAR], blend_radius=0.01)
    assert_close(robot.current_waypoint().joints, NEAR)
    robot.move_line(START)  # the waypoint list was emptied: a track move finds none
    with pytest.raises(RobotError):
        robot.move_track(MoveTrack.CARTESIAN_MOVEP)


def test_joint_status_former_names_read_the_former_values(robot):
    status = robot.joint_status()[2]
    with pytest.warns(DeprecationWarning, match="position_rad"):
        assert status.position == pytest.approx(math.degrees(status.position_rad))
    with pytest.warns(DeprecationWarning, match="voltage_v"):
        assert status.voltage == status.voltage_v
    with pytest.raises(AttributeError):
        status.positions  # noqa: B018


def test_global_profile(robot):
    acc = (1.0, 1.1, 1.2, 1.3, 1.4, 1.5)
    robot.set_global_joint_max_acc(acc)
    assert robot.global_joint_max_acc() == acc
    for quantity, value in (("line_acc", 1.5), ("line_velc", 0.7), ("angle_acc", 2.5),
                            ("angle_velc", 1.25)):
        robot.set_global_end_max(quantity, value)
        assert robot.global_end_max(quantity) == value
    robot.set_blend_radius(0.05)
    robot.set_relative_offset(RelativeOffset(False))
    robot.set_no_arrival_ahead()


@pytest.mark.parametrize("call,code", [
    (lambda r: r.set_blend_radius(0.051), 1003),
    (lambda r: r.set_blend_radius(0.0), 1003),
    (lambda r: r.set_circular_loop_times(0), 1003),
    (lambda r: r.set_circular_loop_times(1001), 1003),
])
def test_out_of_range_arguments_raise_argument_error(robot, call, code):
    with pytest.raises(ArgumentError) as error:
        call(robot)
    assert error.value.code == code
    assert "1003" in str(error.value)


def test_offline_track_is_played(robot):
    points = [(START[0] + 0.05 * i,) + START[1:] for i in range(5)]
    robot.clear_offline_track()
    robot.append_offline_track(points)
    robot.start_offline_track(block=True)
    assert_close(robot.current_waypoint().joints, points[-1], 1e-4)


def write_pose_file(robot, path, count=25):
    """A tool-pose track file (mm and degrees) along a joint path; the path."""
    path_joints = [(START[0] + 0.2 * i / (count - 1),) + START[1:] for i in range(count)]
    lines = []
    for q in path_joints:
        tool_pose = robot.base_to_base_additional_tool(robot.forward_kin(q).pose, TOOL)
        rpy = robot.quaternion_to_rpy(tool_pose.orientation)
        lines.append(" ".join(f"{v * 1000:.9f}" for v in tool_pose.position) + " " +
                     " ".join(f"{math.degrees(a):.9f}" for a in rpy))
    path.write_text("\n".join(lines) + "\n")
    return path_joints


def test_customer_track_is_cached_and_played(robot, tmp_path):
    track = tmp_path / "track.txt"
    path_joints = write_pose_file(robot, track)
    parsed = robot.parse_track_file(track, PoseFileType.MM_AND_RPY_DEGREES, path_joints[0], TOOL)
    assert len(parsed) == len(path_joints)
    assert len(robot.parse_track_file(track, PoseFileType.MM_AND_RPY_DEGREES, path_joints[0],
                                      TOOL, capacity=10)) == 10
    first = robot.cache_track_file(track, path_joints[0], TOOL)
    assert_close(first.joints, path_joints[0], 1e-3)
    robot.move_joint(first.joints)
    robot.move_cached_track()
    assert_close(robot.current_waypoint().joints, parsed[-1].joints, 1e-3)


def test_kinematics_round_trips(robot):
    rng = random.Random(7)
    for _ in range(20):
        q = tuple(s + rng.uniform(-0.3, 0.3) for s in START)
        flange = robot.forward_kin(q)
        assert_close(robot.inverse_kin(q, flange.pose).joints, q, 1e-6)
        assert any(max(abs(a - b) for a, b in zip(w.joints, q)) < 1e-6
                   for w in robot.inverse_kin_all(flange.pose))
        rpy = robot.quaternion_to_rpy(flange.orientation)
        quaternion = robot.rpy_to_quaternion(rpy)
        sign = 1 if quaternion[0] * flange.orientation[0] >= 0 else -1
        assert_close([sign * c for c in quaternion], flange.orientation, 1e-6)
    # The tool point lies 0.1 m along the flange's z axis.
    flange = robot.forward_kin(START).pose
    tool_end = robot.base_to_base_additional_tool(flange, TOOL)
    assert math.dist(tool_end.position, flange.position) == pytest.approx(0.1, abs=1e-9)


def test_tool_parameters(robot):
    robot.set_tool_kinematics(TOOL)
    assert_close(robot.tool_kinematics().position, TOOL.position)
    robot.set_tool_dynamics(ToolDynamics((0.01, 0.02, 0.03), 2.5))
    assert robot.tool_dynamics().payload == pytest.approx(2.5)
    robot.clear_tool_dynamics()


def test_io_by_name_and_address(robot):
    outputs = robot.board_io_config(IoType.USER_DO)
    assert outputs and all(d.value == -1 for d in outputs)
    point = outputs[3]
    for value in (1.0, 0.0):
        robot.set_board_io(IoType.USER_DO, point.name, value)
        assert robot.board_io(IoType.USER_DO, point.addr) == value
        assert robot.board_io(IoType.USER_DO, point.name) == value


def test_tool_io(robot):
    robot.set_tool_power_type(ToolPowerType.OUT_12V)
    assert robot.tool_power_type() == ToolPowerType.OUT_12V
    assert wait_for(lambda: robot.tool_power_voltage() > 0)
    robot.set_tool_io_type(0, ToolIoDirection.OUTPUT)
    robot.set_tool_power_type(ToolPowerType.OUT_0V)


def test_arm_settings_read_back(robot):
    config = robot.safety_config()
    changed = type(config)(**{**config.__dict__, "robot_reduced_config_tcp_speed": 200})
    robot.set_safety_config(changed)
    assert robot.safety_config() == changed
    robot.set_safety_config(config)
    robot.set_joint_servo_param(2, "speed_p", 321)
    assert robot.joint_common_data()[1].joint_speed_p == 321
    robot.set_explore_force_param(10.0, 0.02)
    assert robot.explore_force_param() == pytest.approx((10.0, 0.02))


class Inbox:
    """Collects what a callback receives, from any thread."""

    def __init__(self):
        self.items = []
        self.lock = threading.Lock()

    def __call__(self, *args):
        with self.lock:
            self.items.append(args)

    def count(self):
        with self.lock:
            return len(self.items)


@pytest.mark.parametrize("register,push", [
    (Robot.on_waypoint, "waypoint"),
    (Robot.on_joint_status, "joint_status"),
    (Robot.on_end_speed, "end_speed"),
])
def test_pushes_reach_python_callables(robot, register, push):
    inbox = Inbox()
    register(robot, inbox)
    robot.enable_push(push, True)
    assert wait_for(lambda: inbox.count() >= 3)
    register(robot, None)
    robot.enable_push(push, False)


def test_move_progress_and_events_reach_python_callables(robot):
    progress, events = Inbox(), Inbox()
    robot.on_move_progress(progress)
    robot.on_event(events)
    for i in range(4):
        robot.add_waypoint((START[0] + 0.05 * i,) + START[1:])
    robot.move_track(MoveTrack.CARTESIAN_MOVEP)
    assert wait_for(lambda: progress.count() >= 1)
    assert all(isinstance(step, int) for (step,) in progress.items)
    assert wait_for(lambda: events.count() >= 1)
    assert all(isinstance(e.content, str) for (e,) in events.items)


def test_log_lines_reach_python_callable(sim):
    inbox = Inbox()
    with Robot() as first:
        first.on_log(inbox)
        second = Robot()
        second.close()
        assert wait_for(lambda: any(f"rshd={second.handle}" in text
                                    for _, text in list(inbox.items)))
        first.on_log(None)


SUMMARY = re.compile(r"callback on_joint_status raised (\d+) more times? in the last "
                     r"[\d.]+ s: ValueError: push \d+$")


def test_raising_callback_is_reported_once_then_summed_up(robot, caplog, monkeypatch):
    monkeypatch.setattr(tevo_robot._failures, "SUMMARY_INTERVAL", 0.2)
    calls = Inbox()

    def broken(statuses):
        calls(statuses)
        raise ValueError(f"push {calls.count()}")

    def summaries():
        return [r for r in list(caplog.records) if SUMMARY.match(r.getMessage())]

    with caplog.at_level(logging.ERROR, logger="tevo_robot"):
        robot.on_joint_status(broken)
        robot.enable_push("joint_status", True)
        # The pushes go on after each failure, summed up every 0.2 s.
        assert wait_for(lambda: len(summaries()) >= 3)
        assert robot.current_waypoint().joints  # the context still works
        robot.close()  # sums up what is left
    raised = robot.callback_errors["on_joint_status"]
    assert raised == calls.count() > 3
    reports = [r for r in caplog.records if r.name == "tevo_robot"]
    full = [r for r in reports if r.exc_info]
    assert len(full) == 1 and reports[0] is full[0]
    assert "ValueError: push 1" in full[0].getMessage()
    assert "in broken" in caplog.text  # the traceback reaches into the callback
    counted = summaries()
    assert reports == full + counted
    assert 1 + sum(int(SUMMARY.match(r.getMessage()).group(1)) for r in counted) == raised
    # Rate-limited: each summary but the one of close() waits out the interval.
    times = [r.created for r in reports]
    assert all(b - a >= 0.19 for a, b in zip(times[:-2], times[1:-1]))


def test_replaced_callback_reports_its_own_first_failure(robot, caplog):
    calls = Inbox()

    def broken(*args):
        calls(*args)
        raise RuntimeError("broken callback")

    with caplog.at_level(logging.ERROR, logger="tevo_robot"):
        for _ in range(2):
            robot.on_waypoint(broken)
            robot.enable_push("waypoint", True)
            start = calls.count()
            assert wait_for(lambda: calls.count() >= start + 3)
            robot.on_waypoint(None)
    assert sum(1 for r in caplog.records if r.exc_info) == 2
    assert robot.callback_errors["on_waypoint"] == calls.count()


def test_connection_refused_raises_connection_error(fresh_sim):
    host, port = fresh_sim.host, fresh_sim.port
    fresh_sim.stop()
    with pytest.raises(RobotConnectionError) as error:
        Robot.connect(host, port)
    assert error.value.code == 10003
    assert isinstance(error.value, ConnectionError) and error.value.text


def process_state(pid):
    """The kernel's one-letter state of a process (R, S, T, ...)."""
    with open(f"/proc/{pid}/stat") as stat:
        return stat.read().rsplit(")", 1)[1].split()[0]


def test_unanswered_request_raises_timeout_error(fresh_sim):
    with Robot.connect(fresh_sim.host, fresh_sim.port) as robot:
        fresh_sim.process.send_signal(signal.SIGSTOP)
        try:
            # The signal is delivered asynchronously: ask only once the
            # simulator is really stopped, or it may still answer.
            assert wait_for(lambda: process_state(fresh_sim.process.pid) == "T")
            with pytest.raises(RobotTimeoutError) as error:
                robot.robot_state()
        finally:
            fresh_sim.process.send_signal(signal.SIGCONT)
        assert error.value.code == 10007 and isinstance(error.value, TimeoutError)


def test_with_block_left_by_exception_releases_the_context(sim):
    with pytest.raises(KeyError):
        with Robot.connect(sim.host, sim.port) as robot:
            raise KeyError("leave")
    assert robot.closed
    with pytest.raises(HandleError) as error:
        robot.robot_state()
    assert error.value.code == 1002
    # All 32 contexts are available again, and a 33rd is refused.
    contexts = [Robot() for _ in range(32)]
    try:
        with pytest.raises(HandleError) as error:
            Robot()
        assert error.value.code == 1001
    finally:
        for context in contexts:
            context.close()
    Robot().close()


BAD_ARGUMENTS = [
    (lambda r: r.move_joint(START[:5]), ValueError),
    (lambda r: r.move_joint(START + (0.0,)), ValueError),
    (lambda r: r.move_joint((math.nan,) + START[1:]), ValueError),
    (lambda r: r.move_joint((math.inf,) + START[1:]), ValueError),
    (lambda r: r.move_joint(None), TypeError),
    (lambda r: r.move_joint("abcdef"), TypeError),
    (lambda r: r.move_joint((None,) + START[1:]), TypeError),
    (lambda r: r.move_joint(START, block=None), TypeError),
    (lambda r: r.forward_kin([0.0] * 7), ValueError),
    (lambda r: r.inverse_kin(START, None), TypeError),
    (lambda r: r.inverse_kin(START, Pose((0.0, 0.0), (1.0, 0.0, 0.0, 0.0))), ValueError),
    (lambda r: r.move_line_to_position((0.1, math.nan, 0.2)), ValueError),
    (lambda r: r.move_line_to_pose(Pose((0.1, 0.2, math.nan))), ValueError),
    (lambda r: r.move_relative((0.1, 0.2)), ValueError),
    (lambda r: r.move_through([START, START[:5]]), ValueError),
    (lambda r: r.set_blend_radius(math.nan), ValueError),
    (lambda r: r.set_board_io(IoType.USER_DO, None, 1.0), TypeError),
    (lambda r: r.set_board_io(99, "U_DO_00", 1.0), ValueError),
    (lambda r: r.set_board_io(IoType.USER_DO, "U_DO_00", math.nan), ValueError),
    (lambda r: r.set_board_io(IoType.USER_DO, "", 1.0), ValueError),
    (lambda r: r.tool_io(None), TypeError),
    (lambda r: r.set_tool_dynamics(ToolDynamics(payload=-1.0)), ValueError),
    (lambda r: r.append_offline_track([START] * 3001), ValueError),
    (lambda r: r.append_offline_track([START, START[:3]]), ValueError),
    (lambda r: r.set_joint_motion_range([(-1.0, 1.0)] * 5), ValueError),
    (lambda r: r.set_joint_servo_param(7, "speed_p", 1), ValueError),
    (lambda r: r.set_joint_servo_param(1, "speed_q", 1), ValueError),
    (lambda r: r.set_global_end_max("line_jerk", 1.0), ValueError),
    (lambda r: r.enable_push("pose", True), ValueError),
    (lambda r: r.on_event(42), TypeError),
    (lambda r: r.login(None), TypeError),
    (lambda r: r.login("127.0.0.1", 70000), ValueError),
]


@pytest.mark.parametrize("call,expected", BAD_ARGUMENTS)
def test_bad_arguments_are_rejected_before_the_library(sim, call, expected):
    # A closed context: any call that reached the library would raise HandleError.
    robot = Robot()
    robot.close()
    with pytest.raises(expected) as error:
        call(robot)
    assert not isinstance(error.value, RobotError)
