"""The modern C++ layer (tevo/robot.hpp) and the package mean the same by the
same move: one table of cases runs through the C++ scenario program
(TEVO_LAYER_SCENARIO, reading the cases on its standard input) and through
Robot, each against a simulator of its own, and every case ends in the same
flange pose and joint angles in both."""
import os
import subprocess

import pytest

from conftest import Sim, assert_close
from tevo_robot import Pose, Robot

# Every case starts here, with a joint move of the layer under test.
HOME = (0.2, -0.3, 1.5, 0.3, 1.2, 0.4)
TOLERANCE = 1e-6

# (kind, name, values), the values by kind: "joint" the joint angles (rad) to
# move to; "line_to_pose" joint angles whose flange pose is the target;
# "line_to_position" an offset (m) from the home position to the target;
# "relative" the offset (m) of the relative move.
CASES = [
    ("joint", "joint_move", (0.35, -0.15, 1.4, 0.2, 1.3, 0.5)),
    ("line_to_pose", "line_to_pose", (0.35, -0.2, 1.35, 0.25, 1.3, 0.55)),
    ("line_to_position", "line_to_position", (0.03, 0.02, -0.04)),
    ("relative", "relative_move", (-0.02, 0.03, 0.05)),
]


def inputs(robot):
    """name: (kind, the numbers both layers are given, the flange pose or the
    joint angles the case must end at)."""
    home = robot.forward_kin(HOME)
    out = {}
    for kind, name, values in CASES:
        if kind == "joint":
            out[name] = (kind, values, values)
        elif kind == "line_to_pose":
            pose = robot.forward_kin(values)
            out[name] = (kind, pose.position + pose.orientation,
                         pose.position + pose.orientation)
        else:
            position = tuple(p + d for p, d in zip(home.position, values))
            given = position if kind == "line_to_position" else values
            out[name] = (kind, given, position + home.orientation)
    return out


def run_python(sim):
    """The cases, and name: (x y z qw qx qy qz j1..j6) after each, through the package."""
    results = {}
    with Robot.connect(sim.host, sim.port, user="tevo", password="tevo") as robot:
        robot.startup()
        cases = inputs(robot)
        for name, (kind, values, _) in cases.items():
            robot.move_joint(HOME)
            if kind == "joint":
                robot.move_joint(values)
            elif kind == "line_to_pose":
                robot.move_line_to_pose(Pose(values[:3], values[3:]))
            elif kind == "line_to_position":
                robot.move_line_to_position(values)
            else:
                robot.move_relative(values)
            w = robot.current_waypoint()
            results[name] = w.position + w.orientation + w.joints
    return cases, results


def run_cpp(program, sim, cases):
    """The same through the scenario program."""
    lines = ["home " + " ".join(repr(float(v)) for v in HOME)]
    lines += [f"{kind} {name} " + " ".join(repr(float(v)) for v in values)
              for name, (kind, values, _) in cases.items()]
    done = subprocess.run([program, sim.host, str(sim.port)], input="\n".join(lines) + "\n",
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, f"{program} failed: {done.stderr}"
    results = {}
    for line in done.stdout.splitlines():
        name, *numbers = line.split()
        assert len(numbers) == 13, f"not a pose and joints: {line!r}"
        results[name] = tuple(float(v) for v in numbers)
    return results


@pytest.fixture
def scenario_program():
    program = os.environ.get("TEVO_LAYER_SCENARIO")
    if not program:
        raise RuntimeError("TEVO_LAYER_SCENARIO must name the modern_layer_scenario program")
    return program


@pytest.fixture
def two_sims():
    first = Sim()
    try:
        second = Sim()
    except BaseException:
        first.stop()
        raise
    yield first, second
    first.stop()
    second.stop()


def test_both_layers_end_each_move_in_the_same_pose(scenario_program, two_sims):
    python_sim, cpp_sim = two_sims
    cases, python = run_python(python_sim)
    cpp = run_cpp(scenario_program, cpp_sim, cases)
    assert sorted(cpp) == sorted(python) == sorted(cases)
    for name, (kind, _, expected) in cases.items():
        # The move went where the case asked for (joints or flange pose)...
        assert_close(python[name][7:] if kind == "joint" else python[name][:7], expected,
                     TOLERANCE)
        # ...and the other layer's ended the same, pose and joints.
        try:
            assert_close(cpp[name], python[name], TOLERANCE)
        except AssertionError as error:
            raise AssertionError(f"{name}: C++ {cpp[name]} against Python {python[name]}: "
                                 f"{error}") from None
