"""Fixtures of the Python package tests: simulators started as processes on a
free loopback port (with their browser view's state when asked for), and a
Robot logged in to one with the arm started.

TEVO_SIM names the simulator program and TEVO_ROBOT_LIB the library (ctest
sets both); the package is imported from the source tree."""
import json
import os
import queue
import re
import subprocess
import sys
import threading
import time
import urllib.request
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


class Lines:
    """Reads a subprocess's text pipe on a thread of its own, so that it never
    fills up, and hands the lines out as they come."""

    def __init__(self, stream):
        self.seen = []
        self._queue = queue.Queue()
        self._thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self._thread.start()

    def _read(self, stream):
        for line in stream:
            self.seen.append(line)
            self._queue.put(line)
        self._queue.put("")

    def next(self, timeout=TIMEOUT):
        """The next line; "" at the end of the output or when none comes in time."""
        try:
            return self._queue.get(timeout=max(0.0, timeout))
        except queue.Empty:
            return ""

    def join(self):
        self._thread.join(TIMEOUT)


class Sim:
    """A running tevo-controller-sim and the address it listens on. With
    ``--http 0`` among the options, ``state()`` reads its view's arm state."""

    def __init__(self, *options):
        program = os.environ.get("TEVO_SIM")
        if not program:
            raise RuntimeError("TEVO_SIM must name the tevo-controller-sim program")
        self.process = subprocess.Popen(
            [program, "--port", "0", "--time-scale", "20", *options],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        # Read to the end: the simulator logs every connection, and a full
        # pipe would block it.
        self.output = Lines(self.process.stdout)
        self.view = None
        self.host, self.port = self._address(wants_view="--http" in options)

    def _address(self, wants_view):
        deadline = time.monotonic() + TIMEOUT
        address = None
        while True:
            line = self.output.next(deadline - time.monotonic())
            if not line:
                break
            view = re.search(r"view at (http://\S+?)/?$", line)
            if view:
                self.view = view.group(1)
            match = re.search(r"listening on ([\d.]+):(\d+)", line)
            if match:
                address = match.group(1), int(match.group(2))
            if address and (self.view or not wants_view):
                return address
        self.stop()
        raise RuntimeError(f"simulator printed no address: {''.join(self.output.seen)!r}")

    def state(self):
        """The arm as the simulator's view shows it (GET /api/state)."""
        with urllib.request.urlopen(f"{self.view}/api/state", timeout=TIMEOUT) as reply:
            return json.load(reply)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.output.join()
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
