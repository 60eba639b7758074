"""Fixtures of the Python package tests: simulators started as processes on a
free loopback port, and a Robot logged in to one with the arm started.

TEVO_SIM names the simulator program and TEVO_ROBOT_LIB the library (ctest
sets both); the package is imported from the source tree."""
import os
import re
import selectors
import subprocess
import sys
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "python"))

import tevo_robot  # noqa: E402

START = (-0.3, -0.2618, 1.7453, 0.4363, 1.5708, 0.1)
TIMEOUT = 20.0


def wait_for(condition, timeout=TIMEOUT, interval=0.01):
    """Polls ``condition`` until it is true or ``timeout`` seconds pass; its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


class Sim:
    """A running tevo-controller-sim and the address it listens on."""

    def __init__(self, *options):
        program = os.environ.get("TEVO_SIM")
        if not program:
            raise RuntimeError("TEVO_SIM must name the tevo-controller-sim program")
        self.process = subprocess.Popen(
            [program, "--port", "0", "--time-scale", "20", *options],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.host, self.port = self._address()

    def _address(self):
        selector = selectors.DefaultSelector()
        selector.register(self.process.stdout, selectors.EVENT_READ)
        deadline = time.monotonic() + TIMEOUT
        seen = []
        while time.monotonic() < deadline:
            if selector.select(deadline - time.monotonic()):
                line = self.process.stdout.readline()
                if not line:
                    break
                seen.append(line)
                match = re.search(r"listening on ([\d.]+):(\d+)", line)
                if match:
                    return match.group(1), int(match.group(2))
        self.stop()
        raise RuntimeError(f"simulator printed no address: {''.join(seen)!r}")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


@pytest.fixture(scope="session")
def sim():
    running = Sim()
    yield running
    running.stop()


@pytest.fixture
def fresh_sim():
    """A simulator of the test's own (for tests that stop or break it)."""
    running = Sim()
    yield running
    running.stop()


@pytest.fixture
def robot(sim):
    """A Robot logged in to the shared simulator, arm started, at START, global
    profile reset and no tool."""
    with tevo_robot.Robot.connect(sim.host, sim.port) as r:
        r.startup()
        r.init_global_move_profile()
        r.clear_tool_kinematics()
        r.clear_waypoints()
        r.move_joint(START)
        yield r


def assert_close(actual, expected, tolerance=1e-6):
    assert len(actual) == len(expected)
    for i, (a, e) in enumerate(zip(actual, expected)):
        assert abs(a - e) <= tolerance, f"[{i}]: {a} != {e} (tolerance {tolerance})"
