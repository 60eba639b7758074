"""Fixtures of the Python package tests: simulators started as processes on a
free loopback port (with their browser view's state when asked for), a TCP
relay that breaks the link between a Robot and a simulator on demand, and a
Robot logged in to one with the arm started.

TEVO_SIM names the simulator program and TEVO_ROBOT_LIB the library (ctest
sets both); the package is imported from the source tree."""
import json
import os
import queue
import re
import select
import socket
import struct
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


class Relay:
    """A TCP relay on a free loopback port that forwards each connection to
    ``target`` (host, port), byte for byte both ways, and breaks the links on
    demand: ``close()`` closes every open connection in order on both sides,
    ``reset()`` aborts them (SO_LINGER 0: both sides get a reset), ``stall()``
    reads and throws away what comes either way while keeping every
    connection open (a pulled cable; new connections too), ``restore()``
    forwards again. A connection whose target cannot be reached is accepted
    and closed at once.

    Threads: one accepting, one per connection; only a connection's own
    thread touches its sockets (``close``/``reset`` hand it the order and wait
    until it is carried out). ``stop()`` ends them all."""

    POLL = 0.05  # seconds between looks at the orders

    def __init__(self, target):
        self.target = target
        self._listener = socket.create_server(("127.0.0.1", 0))
        self.port = self._listener.getsockname()[1]
        self._lock = threading.Lock()
        self._links = []  # [order, done Event, thread] per open connection, under _lock
        self._stalled = False
        self._stopping = False
        self.accepted = 0
        self._acceptor = threading.Thread(target=self._accept, daemon=True)
        self._acceptor.start()

    def close(self):
        self._order("close")

    def reset(self):
        self._order("reset")

    def stall(self):
        self._stalled = True

    def restore(self):
        self._stalled = False

    def stop(self):
        self._stopping = True
        self._acceptor.join(TIMEOUT)
        self._order("close")
        self._listener.close()

    def _order(self, order):
        with self._lock:
            links = list(self._links)
            for link in links:
                link[0] = order
        for _, done, _ in links:
            assert done.wait(TIMEOUT), f"relay connection not ended by {order}"

    def _accept(self):
        while not self._stopping:
            if not select.select([self._listener], [], [], self.POLL)[0]:
                continue
            client, _ = self._listener.accept()
            self.accepted += 1
            try:
                upstream = socket.create_connection(self.target, timeout=TIMEOUT)
            except OSError:  # the target is down: as an unreachable controller
                client.close()
                continue
            link = [None, threading.Event(), None]
            link[2] = threading.Thread(target=self._forward, args=(client, upstream, link),
                                       daemon=True)
            with self._lock:
                self._links.append(link)
            link[2].start()

    def _forward(self, client, upstream, link):
        ends = {client: upstream, upstream: client}
        abort = False
        try:
            while link[0] is None:
                for sock in select.select(list(ends), [], [], self.POLL)[0]:
                    try:
                        data = sock.recv(65536)
                    except OSError:
                        data = b""
                    if not data:  # one side ended: so does the other
                        return
                    if not self._stalled:
                        ends[sock].sendall(data)
            abort = link[0] == "reset"
        except OSError:
            abort = True
        finally:
            if abort:
                for sock in ends:
                    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    sock.close()
            else:
                self._close_in_order(list(ends))
            with self._lock:
                self._links.remove(link)
            link[1].set()

    def _close_in_order(self, socks):
        """Sends each side the end of the stream, then reads until each has
        closed its end too: a socket closed with unread bytes would send a
        reset instead."""
        for sock in socks:
            try:
                sock.shutdown(socket.SHUT_WR)
            except OSError:
                pass
        open_ends = list(socks)
        deadline = time.monotonic() + 2.0
        while open_ends and time.monotonic() < deadline:
            for sock in select.select(open_ends, [], [], self.POLL)[0]:
                try:
                    ended = not sock.recv(65536)
                except OSError:
                    ended = True
                if ended:
                    open_ends.remove(sock)
        for sock in socks:
            sock.close()

