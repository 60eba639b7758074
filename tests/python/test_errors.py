"""Errors by cause: each kind of refusal raises its class with the controller's
code and reason, read on the thread that made the call; logins with a user
name and password, and a refused login that sends nothing more."""
import re
import threading

import pytest

from conftest import START, Sim, wait_for
from tevo_robot import (ArgumentError, AuthenticationError, KinematicsError, NotStartedError,
                        Pose, Robot, RobotError, StoppedError, TargetError)

FAR = (START[0] + 1.5,) + START[1:]
JOINT3_OUT_OF_RANGE = (0.0, -0.2618, 4.0, 0.4363, 1.5708, 0.0)
SLOW = (0.05,) * 6


def move_while_paused(robot):
    robot.move_joint(FAR, block=False)
    robot.pause()
    robot.move_joint(START)


# name, arm started first, call, class, code, controller code, in the reason
# (controller_text, or the library's text when the controller had no part).
REFUSALS = [
    ("move before start-up", False, lambda r: r.move_joint(START),
     NotStartedError, 10023, 102, "not started"),
    ("joint out of range", True, lambda r: r.move_joint(JOINT3_OUT_OF_RANGE),
     TargetError, 10023, 104, "joint 3 target 4.00 rad outside its range [-3.05, 3.05]"),
    ("collision class out of range", False, lambda r: r.startup(collision_class=11),
     ArgumentError, 10023, 106, "collision class 11"),
    ("move while a paused one holds the arm", True, move_while_paused,
     RobotError, 10023, 107, "busy"),
    ("pose out of reach", True,
     lambda r: r.inverse_kin(START, Pose((5.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0))),
     KinematicsError, 10012, 0, "inverse kin failed"),
]


def test_each_refusal_raises_its_cause_with_the_controllers_reason(fresh_sim):
    for name, started, call, cls, code, controller_code, reason in REFUSALS:
        with Robot.connect(fresh_sim.host, fresh_sim.port) as robot:
            robot.set_global_joint_max_velc(SLOW)
            if started:
                robot.startup()
            with pytest.raises(RobotError) as raised:
                call(robot)
            error = raised.value
            assert type(error) is cls, (name, error)
            assert (error.code, error.controller_code) == (code, controller_code), (name, error)
            if controller_code:
                assert reason in error.controller_text, (name, error)
                assert error.command, (name, error)
                operation = str(error).split(" refused by the controller: ")[0]
                assert str(error) == (f"{operation} refused by the controller: "
                                      f"{error.controller_text} (controller code {controller_code})")
            else:
                assert error.controller_text == "" and reason in str(error), (name, error)
                assert str(error).endswith(f"{error.text} (code {code})"), (name, error)
            robot.init_global_move_profile()
            try:
                robot.stop()
            except RobotError:
                pass  # nothing to stop


def test_stop_during_blocking_move_raises_stopped_error(robot):
    robot.set_global_joint_max_velc(SLOW)

    def stop_when_moving():
        start = robot.current_waypoint().joints
        wait_for(lambda: robot.current_waypoint().joints != start)
        robot.stop()

    thread = threading.Thread(target=stop_when_moving)
    thread.start()
    try:
        with pytest.raises(StoppedError) as raised:
            robot.move_joint(FAR)  # from the main thread: runs on a helper thread
    finally:
        thread.join()
        robot.init_global_move_profile()
    error = raised.value
    assert (error.code, error.event_type, error.controller_code) == (21300, 1300, 0)
    assert str(error) == f"move_joint stopped: {error.text} (code 21300)"
    assert error.text == "The move was stopped by a stop request."


def test_login_with_user_and_password(sim):
    with Robot.connect(sim.host, sim.port, user="tevo", password="tevo") as robot:
        assert robot.logged_in()
    for user, password in (("tevo", None), (None, "tevo")):
        with pytest.raises(ValueError):
            Robot.connect(sim.host, sim.port, user=user, password=password)


def requests_of(output, connection):
    """The command names the simulator received on one connection (--verbose)."""
    pattern = re.compile(rf"in   conn {connection} cmd \d+ (\S+)")
    return [m.group(1) for m in map(pattern.search, output.seen) if m]


@pytest.mark.parametrize("credentials", [{"user": "tevo", "password": "wrong"}, {}],
                         ids=["user and password", "fixed credentials"])
def test_refused_login_raises_authentication_error_and_sends_nothing_more(credentials):
    refusing = Sim("--verbose", "--no-handle-login")
    try:
        with pytest.raises(AuthenticationError) as raised:
            Robot.connect(refusing.host, refusing.port, **credentials)
        error = raised.value
        assert (error.code, error.controller_code, error.command) == (10001, 101, "Login")
        assert str(error) == (f"login to {refusing.host}:{refusing.port} refused: "
                              f"{error.controller_text} (controller code 101)")
        assert wait_for(lambda: any("connection 1 closed" in line
                                    for line in list(refusing.output.seen)))
        assert requests_of(refusing.output, 1) == ["Login"]
    finally:
        refusing.stop()
