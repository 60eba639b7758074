"""Calls that block while the arm moves: closing the Robot from another thread
meanwhile, and Ctrl-C in the middle of a blocking move or track playback."""
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

from conftest import ROOT, START, TIMEOUT, Lines, Sim, wait_for
from tevo_robot import HandleError, Robot, RobotError

# Joint 1 turns 2.8 rad: several seconds at the simulator's speed below.
FAR = (2.5,) + START[1:]


@pytest.fixture
def slow_sim():
    """A simulator of the test's own with its view, running moves twice as fast
    as real time (a move to FAR takes about 3.5 s)."""
    running = Sim("--time-scale", "2", "--http", "0")
    yield running
    running.stop()


def started_robot(sim):
    robot = Robot.connect(sim.host, sim.port)
    robot.startup()
    robot.init_global_move_profile()
    robot.move_joint(START)
    return robot


def test_close_during_a_blocking_move_runs_no_callback_afterwards(slow_sim):
    near = (START[0] + 0.2,) + START[1:]
    for _ in range(4):
        robot = started_robot(slow_sim)
        closed = threading.Event()
        event_seen = threading.Event()
        late, pushed = [], []

        def on_push(*args):
            (late if closed.is_set() else pushed).append(args)

        def on_event(event):
            # A slow callback, still running when close() is called.
            event_seen.set()
            time.sleep(0.3)
            if closed.is_set():
                late.append(event)

        robot.on_event(on_event)
        robot.on_waypoint(on_push)  # also switches the push on
        robot.on_joint_status(on_push)
        robot.move_joint(near)  # its end event starts on_event
        assert event_seen.wait(TIMEOUT)
        outcome = []

        def move():
            try:
                robot.move_joint(FAR)
                outcome.append("arrived")
            except RobotError as error:
                outcome.append(error)

        mover = threading.Thread(target=move)
        mover.start()
        assert wait_for(lambda: slow_sim.state()["state"]["moving"])
        robot.close()
        closed.set()
        mover.join(TIMEOUT)
        assert not mover.is_alive()
        # The logout ended the move; the context is gone once the move returned.
        assert len(outcome) == 1 and isinstance(outcome[0], RobotError), outcome
        assert pushed
        assert late == []
        for call in (robot.current_waypoint, lambda: robot.on_event(on_event)):
            with pytest.raises(HandleError, match="the Robot is closed"):
                call()


# Run as a program: starts the blocking call named by argv[3], prints
# "started" just before it and "interrupted" when Ctrl-C ends it, then waits
# for a line on stdin so that the test can look at the arm before it exits.
INTERRUPTED_PROGRAM = f"""
import sys
from tevo_robot import Robot
host, port, call = sys.argv[1], int(sys.argv[2]), sys.argv[3]
start, far = {START!r}, {FAR!r}
with Robot.connect(host, port) as robot:
    robot.startup()
    robot.init_global_move_profile()
    robot.move_joint(start)
    if call == "offline track":
        robot.clear_offline_track()
        robot.append_offline_track([(start[0] + (far[0] - start[0]) * i / 20,) + start[1:]
                                    for i in range(21)])
    print("started", flush=True)
    try:
        if call == "offline track":
            robot.start_offline_track(block=True)
        else:
            robot.move_joint(far)
    except KeyboardInterrupt:
        print("interrupted", flush=True)
        sys.stdin.readline()
        raise
    print("arrived", flush=True)
"""


@pytest.mark.parametrize("call", ["move", "offline track"])
def test_ctrl_c_stops_the_arm_and_raises_keyboard_interrupt(slow_sim, call):
    stopped_before = slow_sim.state()["state"]["movesStopped"]
    program = subprocess.Popen(
        [sys.executable, "-c", INTERRUPTED_PROGRAM, slow_sim.host, str(slow_sim.port), call],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
        env={**os.environ, "PYTHONPATH": str(ROOT / "python")})
    out, err = Lines(program.stdout), Lines(program.stderr)
    try:
        assert out.next() == "started\n"
        # Moving towards FAR: the view's sample may still show the move to
        # START as running, and a Ctrl-C before the call would stop nothing.
        assert wait_for(lambda: (lambda arm: arm["state"]["moving"]
                                 and arm["joints"][0] > START[0] + 0.05)(slow_sim.state()))
        signalled = time.monotonic()
        program.send_signal(signal.SIGINT)
        line = out.next()
        answered = time.monotonic() - signalled
        assert line == "interrupted\n", line or "".join(err.seen)
        # Half a second, with slack for a loaded machine; the whole move takes
        # about 3.5 s.
        assert answered < 1.5
        # The arm was stopped while the program still holds its connection
        # (closing it would stop the arm too).
        assert wait_for(lambda: not slow_sim.state()["state"]["moving"])
        arm = slow_sim.state()
        assert arm["state"]["movesStopped"] == stopped_before + 1
        assert arm["joints"][0] < FAR[0] - 0.5
        program.stdin.write("\n")
        program.stdin.close()
        assert program.wait(TIMEOUT) != 0
        err.join()
        assert "KeyboardInterrupt" in "".join(err.seen)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        out.join()
        err.join()
        program.stdout.close()
        program.stderr.close()
