"""Supervised connections: a Robot connected with a ReconnectPolicy to a
simulator through a relay that breaks the link, one row per way of losing
it. The application only watches: the library logs in again, the pushes come
back, and the move cut off is never sent again."""
import re
import threading
import time
from typing import Callable, NamedTuple, Optional

import pytest

from conftest import START, TIMEOUT, Relay, Sim, wait_for
from tevo_robot import (ConnectionEventKind, LinkLossReason, NotConnectedError, ReconnectPolicy,
                        Robot)

# Joint 1 turns 1.8 rad from START: at SLOW rad/s a long move, even at the
# simulator's 20-fold speed.
FAR = (1.5, -0.2618, 1.7453, 0.4363, 1.5708, 0.1)
SLOW = 0.02
POLICY = ReconnectPolicy(initial_delay_s=0.05, backoff_factor=2.0, max_delay_s=0.5,
                         silence_s=1.0)
# How long the stalled row keeps the link silent.
STALL_S = 10.0
# A move request as the verbose simulator logs it.
MOVE_REQUEST = re.compile(r"^in\s+conn \d+ cmd 22 ")


class Link:
    """A verbose simulator and a relay in front of it; the simulator can be
    restarted on its port."""

    def __init__(self) -> None:
        self.sim = Sim("--verbose")
        self.relay = Relay((self.sim.host, self.sim.port))

    def moves_received(self) -> int:
        """Move requests the running simulator has logged."""
        return sum(1 for line in list(self.sim.output.seen) if MOVE_REQUEST.match(line))

    def restart_sim(self) -> None:
        self.sim = Sim("--verbose", "--port", str(self.sim.port))

    def stop(self) -> None:
        self.relay.stop()
        self.sim.stop()


@pytest.fixture
def link():
    running = Link()
    yield running
    running.stop()


def kinds(events):
    return [e.kind for e in list(events)]


def attempts_failed(events, count: int) -> Callable[[], bool]:
    """Whether attempt ``count`` + 1 has started, i.e. ``count`` have failed."""
    return lambda: any(e.kind == ConnectionEventKind.RECONNECTING and e.attempt > count
                       for e in list(events))


def hold_stall(link: Link, events, cut_at: float) -> None:
    # The silence is found meanwhile; the link stays silent for STALL_S all the same.
    assert wait_for(attempts_failed(events, 1))
    time.sleep(max(0.0, cut_at + STALL_S - time.monotonic()))
    link.relay.restore()


def restart_controller(link: Link, events, cut_at: float) -> None:
    assert wait_for(attempts_failed(events, 1))  # an unreachable controller is tried again
    link.restart_sim()


class Loss(NamedTuple):
    cut: Callable[[Link], None]
    reason: LinkLossReason
    mend: Optional[Callable[[Link, list, float], None]]  # None: the relay forwards again at once
    restarted: bool = False  # the controller is a new one: its move count starts at 0


LOSSES = {
    "closed": Loss(lambda link: link.relay.close(), LinkLossReason.CLOSED, None),
    "reset": Loss(lambda link: link.relay.reset(), LinkLossReason.RESET, None),
    "stalled": Loss(lambda link: link.relay.stall(), LinkLossReason.SILENT, hold_stall),
    "controller restarted": Loss(lambda link: link.sim.stop(), LinkLossReason.CLOSED,
                                 restart_controller, restarted=True),
}


@pytest.mark.parametrize("loss", LOSSES.values(), ids=LOSSES.keys())
def test_a_lost_link_is_logged_in_again_without_the_move(link, loss):
    events = []  # appended on the supervisor thread
    pushes = []  # appended on the receive thread
    with Robot.connect("127.0.0.1", link.relay.port, reconnect=POLICY) as robot:
        assert robot.login_count == 1
        robot.on_connection(events.append)
        robot.on_joint_status(pushes.append)
        robot.enable_push("joint_status", True)
        robot.startup()
        robot.set_global_joint_max_velc([SLOW] * 6)
        try:
            outcome = []

            def move() -> None:
                try:
                    robot.move_joint(FAR)
                    outcome.append(None)
                except BaseException as error:  # noqa: B902 - checked below
                    outcome.append(error)
            mover = threading.Thread(target=move)
            mover.start()
            assert wait_for(lambda: link.moves_received() == 1)
            moves_before = link.moves_received()
            cut_at = time.monotonic()
            loss.cut(link)

            # The blocking move ends with the link, not with the reconnect.
            mover.join(TIMEOUT)
            assert outcome and isinstance(outcome[0], NotConnectedError), outcome
            assert wait_for(lambda: events)
            assert events[0].kind == ConnectionEventKind.LINK_LOST
            assert events[0].reason == loss.reason, events[0]
            if loss.mend is not None:
                loss.mend(link, events, cut_at)

            assert wait_for(lambda: ConnectionEventKind.RECONNECTED in kinds(events))
            seen = list(events)
            tries = len(seen) - 2
            assert tries >= 1
            assert kinds(seen) == ([ConnectionEventKind.LINK_LOST]
                                   + [ConnectionEventKind.RECONNECTING] * tries
                                   + [ConnectionEventKind.RECONNECTED]), seen
            assert [e.attempt for e in seen[1:]] == list(range(1, tries + 1)) + [tries]
            assert seen[-1].since_loss_s > 0.0
            assert robot.login_count == 2
            if loss.mend is not None:
                assert tries >= 2  # the attempts while it was down failed

            # The pushes come back by themselves.
            count = len(pushes)
            assert wait_for(lambda: len(pushes) > count + 5)

            # One new move arrives, and only it: the one cut off was not sent again.
            robot.init_global_move_profile()
            robot.startup()
            robot.move_joint(START)
            expected = (0 if loss.restarted else moves_before) + 1
            assert wait_for(lambda: link.moves_received() >= expected)
            assert link.moves_received() == expected
        finally:
            robot.init_global_move_profile()  # the profile is the process's


def test_calls_fail_at_once_and_close_is_quick_while_the_link_is_down(link):
    events = []

    def failing_callback(event) -> None:
        events.append(event)
        raise RuntimeError("a failing connection callback")
    robot = Robot.connect("127.0.0.1", link.relay.port,
                          reconnect=ReconnectPolicy(initial_delay_s=30.0, max_delay_s=30.0,
                                                    silence_s=1.0))
    try:
        robot.on_connection(failing_callback)
        link.relay.close()
        assert wait_for(lambda: events)
        assert kinds(events) == [ConnectionEventKind.LINK_LOST]
        # Reported, not passed on to the library.
        assert wait_for(lambda: robot.callback_errors.get("on_connection") == 1)

        for call in (robot.current_waypoint, lambda: robot.move_joint(START)):
            started = time.monotonic()
            with pytest.raises(NotConnectedError):
                call()
            assert time.monotonic() - started < 0.1
    finally:
        started = time.monotonic()
        robot.close()  # in the first backoff: no attempt has started
        closing = time.monotonic() - started
    assert closing < 0.1
    assert kinds(events) == [ConnectionEventKind.LINK_LOST]


def test_policy_values_are_checked_before_connecting(link):
    with pytest.raises(ValueError):
        Robot.connect("127.0.0.1", link.relay.port, reconnect=ReconnectPolicy(initial_delay_s=0))
    with pytest.raises(ValueError):  # the library's range: ArgumentError is a ValueError
        Robot.connect("127.0.0.1", link.relay.port, reconnect=ReconnectPolicy(silence_s=0.5))
    with pytest.raises(TypeError):
        Robot.connect("127.0.0.1", link.relay.port, reconnect=3.0)
    assert link.relay.accepted == 0
