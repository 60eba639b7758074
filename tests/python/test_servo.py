"""Servo streaming from Python against a simulator running in real time (its
watchdog and follower count arm time, which the other tests speed up): local
refusals, the watchdog's event, a stream stopped by the application, and the
loop's pacing.

The simulator's watchdog waits 250 ms instead of 50: these tests are about
the package, and a loaded test machine can stall a loop for 50 ms."""
import math
import os
import re
import subprocess
import sys
import time

import pytest

from conftest import ROOT, START, TIMEOUT, Sim, assert_close, wait_for
from tevo_robot import KinematicsError, Pose, Robot, RobotError, TargetError

PERIOD = 0.002
TRACKING_LOST = 1202  # RobotEventControllerTrackingLost


@pytest.fixture(scope="module")
def realtime_sim():
    running = Sim("--time-scale", "1", "--servo-watchdog", "250", "--http", "0")
    yield running
    running.stop()


@pytest.fixture
def arm(realtime_sim):
    """A Robot on the real-time simulator, arm started and at START, with the
    robot events it receives (monotonic time, event) in ``arm.events``."""
    with Robot.connect(realtime_sim.host, realtime_sim.port) as robot:
        robot.startup()
        robot.move_joint(START)
        robot.events = []
        robot.on_event(lambda event: robot.events.append((time.monotonic(), event)))
        yield robot


def at_rest(sim):
    state = sim.state()
    return not state["state"]["moving"] and max(map(abs, state["jointSpeeds"])) < 1e-9


def state_after_now(sim):
    """The simulator's view state sampled after this call began (it samples at 50 Hz)."""
    first = sim.state()["time"]

    def later():
        state = sim.state()
        return state if state["time"] > first + 0.03 else None
    return wait_for(later)


def watchdog_events(events):
    return [(when, event) for when, event in events if event.type == TRACKING_LOST]


def swaying(i):
    """START with joint 6 swaying 0.05 rad at 1 Hz, cycle ``i`` of the stream."""
    return START[:5] + (START[5] + 0.05 * math.sin(2 * math.pi * i * PERIOD),)


JUMP = (START[0] + 0.5,) + START[1:]
OUT_OF_REACH = Pose((5.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0))


@pytest.mark.parametrize("send,error,code", [
    (lambda s: s.send_joints(JUMP), TargetError, 22122),
    (lambda s: s.send_pose(OUT_OF_REACH), KinematicsError, 10012),
], ids=["jump beyond the speed limit", "pose out of reach"])
def test_local_refusal_raises_target_error_and_sends_nothing(arm, realtime_sim, send, error,
                                                             code):
    with arm.start_servo() as stream:
        stream.wait_period()
        with pytest.raises(error) as raised:
            send(stream)
        assert isinstance(raised.value, TargetError) and raised.value.code == code
        status = stream.status()
        assert (status.sent, status.refused_locally) == (0, 1)
        servo = state_after_now(realtime_sim)["servo"]
        assert servo["streaming"] and servo["target"] is None, "the controller got a target"
        # The stream goes on: a target beside the arm is sent.
        stream.wait_period()
        stream.send_joints(START)
        assert stream.status().sent == 1


def test_watchdog_event_reaches_python_after_the_stream_stops_sending(arm, realtime_sim):
    with arm.start_servo() as stream:
        for i in range(100):
            stream.wait_period()
            stream.send_joints(swaying(i))
        last_sent = time.monotonic()
        assert watchdog_events(arm.events) == [], "the watchdog tripped while targets came"

        assert wait_for(lambda: watchdog_events(arm.events)), "no event after the silence"
        [(when, event)] = watchdog_events(arm.events)
        assert when > last_sent and event.code == 0
        assert wait_for(lambda: at_rest(realtime_sim))

        # The controller refuses targets now; its refusal fails the next send.
        with pytest.raises(RobotError) as raised:
            for _ in range(200):
                stream.wait_period()
                stream.send_joints(swaying(99))
        assert (raised.value.code, raised.value.controller_code) == (10023, 2)
        assert raised.value.controller_text


class Abandoned(Exception):
    pass


def test_stream_left_by_an_exception_stops_and_the_arm_comes_to_rest(arm, realtime_sim):
    q = list(START)
    with pytest.raises(Abandoned):
        with arm.start_servo() as stream:
            for _ in range(150):  # joint 1 at 1 rad/s
                stream.wait_period()
                q[0] += 1.0 * PERIOD
                stream.send_joints(q)
            raise Abandoned
    assert stream.stopped and not stream.status().active
    with pytest.raises(RobotError) as raised:
        stream.send_joints(q)
    assert raised.value.code == 10001

    assert wait_for(lambda: at_rest(realtime_sim))
    # At rest near the last target: the braking distance at 1 rad/s and the
    # follower's lag, no run-away and no jump back.
    assert abs(realtime_sim.state()["joints"][0] - q[0]) < 0.05
    assert watchdog_events(arm.events) == [], "the stream was left to the watchdog"
    arm.move_joint(START)  # the controller takes moves again
    assert_close(arm.current_waypoint().joints, START, 1e-4)


def test_pacing_keeps_the_mean_period_within_a_thousandth(arm):
    cycles = 2000
    deadlines = []
    with arm.start_servo(PERIOD) as stream:
        for _ in range(cycles + 1):
            stream.wait_period()
            # The cycle's deadline: when it woke less how late the library says it woke.
            deadlines.append(time.monotonic() - stream.status().late_last_sec)
            stream.send_joints(START)
    # Deadlines lie on the period's grid; a cycle more than a period late
    # skips points of it, so count the grid's periods, not the loop's cycles.
    periods = sum(round((b - a) / PERIOD) for a, b in zip(deadlines, deadlines[1:]))
    mean = (deadlines[-1] - deadlines[0]) / periods
    assert abs(mean - PERIOD) <= PERIOD * 1e-3, f"mean period {mean * 1e3:.5f} ms"
    assert periods - cycles <= cycles // 10, f"{periods - cycles} periods skipped"

    status = stream.status()
    assert (status.cycles, status.sent, status.answered, status.refused) == (
        cycles + 1, cycles + 1, cycles + 1, 0)
    assert status.last_target == START and not status.active


def test_circle_example_follows_its_pose_targets(realtime_sim):
    example = ROOT / "python" / "examples" / "servo_circle.py"
    result = subprocess.run([sys.executable, str(example), realtime_sim.host,
                             str(realtime_sim.port), "2"], capture_output=True, text=True,
                            timeout=TIMEOUT * 3,
                            env=dict(os.environ, PYTHONPATH=str(ROOT / "python")))
    assert result.returncode == 0, result.stderr
    assert re.search(r"cycles: 1049, overruns: \d+", result.stdout), result.stdout
    # At 2 s per lap the flange moves at up to 0.3 m/s: a few ms of lag are
    # millimetres; a wrong solution or a stalled follower is centimetres.
    error = re.search(r"largest follow error: ([\d.]+) mm", result.stdout)
    assert error and float(error.group(1)) < 10.0, result.stdout
