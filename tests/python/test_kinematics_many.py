"""Batch kinematics from Python (Robot.forward_kin_many, inverse_kin_many), on
both paths: numpy arrays, and sequences of rows when numpy is absent (forced
by setting tevo_robot.kinematics.numpy to None; the environment switch
TEVO_ROBOT_NO_NUMPY=1 is checked on its own). Local computations: no
controller is needed."""
import math
import os
import random
import subprocess
import sys

import pytest

import tevo_robot
from tevo_robot import HandleError, KinematicsError, Pose, Robot, UnreachablePosesError
from tevo_robot import kinematics

numpy = kinematics.numpy
PATHS = ["numpy", "lists"] if numpy is not None else ["lists"]
REFERENCE = (0.1, -0.2, 1.6, 0.4, 1.5, 0.2)
OUT_OF_REACH = (5.0, 0.0, 0.3, 1.0, 0.0, 0.0, 0.0)


@pytest.fixture(scope="module")
def local():
    with Robot() as robot:
        yield robot


@pytest.fixture(params=PATHS)
def path(request, monkeypatch):
    """The path under test; the lists path with numpy hidden from the package."""
    if request.param == "lists":
        monkeypatch.setattr(kinematics, "numpy", None)
    return request.param


def random_joints(count, seed=29):
    rng = random.Random(seed)
    return [tuple(rng.uniform(-3.5, 3.5) for _ in range(6)) for _ in range(count)]


def pose_row(waypoint):
    return (*waypoint.position, *waypoint.orientation)


def rows_of(result, path, width):
    """The result's rows as tuples, after checking its type for the path."""
    if path == "numpy":
        assert isinstance(result, numpy.ndarray)
        assert result.dtype == numpy.float64 and result.flags.c_contiguous
        assert result.ndim == 2 and result.shape[1] == width
        return [tuple(row) for row in result.tolist()]
    assert isinstance(result, list)
    assert all(type(row) is tuple and len(row) == width for row in result)
    return result


def single_ik_replay(local, reference, poses, chain):
    """What inverse_kin gives pose by pose (None where it fails), the reference
    moving on with each solution when chained."""
    expected = []
    for pose in poses:
        try:
            joints = local.inverse_kin(reference, Pose(pose[:3], pose[3:])).joints
        except KinematicsError:
            expected.append(None)
            continue
        expected.append(joints)
        if chain:
            reference = joints
    return expected


def assert_rows_match(rows, expected):
    for i, (row, want) in enumerate(zip(rows, expected)):
        if want is None:
            assert all(math.isnan(v) for v in row), f"row {i}: {row}"
        else:
            assert row == tuple(want), f"row {i}"
    assert len(rows) == len(expected)


def test_batch_points_equal_the_single_calls(local, path):
    joints = random_joints(300)
    poses = rows_of(local.forward_kin_many(joints), path, 7)
    assert poses == [pose_row(local.forward_kin(q)) for q in joints]

    start = random_joints(1, seed=3)[0]
    for chain in (False, True):
        # A few random poses lie where no solution is found: NaN, as the single call fails.
        result = rows_of(local.inverse_kin_many(start, poses, chain=chain, unreachable="nan"),
                         path, 6)
        assert_rows_match(result, single_ik_replay(local, start, poses, chain))
    # Pose objects are rows too.
    as_poses = [Pose(p[:3], p[3:]) for p in poses[:20]]
    assert rows_of(local.inverse_kin_many(start, as_poses), path, 6) == \
        rows_of(local.inverse_kin_many(start, poses[:20]), path, 6)


def test_unreachable_poses_raise_with_their_indices_or_become_nan(local, path):
    poses = [pose_row(local.forward_kin(q)) for q in random_joints(12, seed=5)]
    poses[4] = poses[9] = OUT_OF_REACH
    expected = single_ik_replay(local, REFERENCE, poses, chain=True)
    assert [i for i, e in enumerate(expected) if e is None] == [4, 9]

    with pytest.raises(UnreachablePosesError) as raised:
        local.inverse_kin_many(REFERENCE, poses, chain=True)
    error = raised.value
    assert isinstance(error, KinematicsError) and error.code == 10012
    assert error.indices == [4, 9]
    assert "2 of 12 poses" in str(error) and "poses[4]" in str(error)
    assert_rows_match(rows_of(error.joints, path, 6), expected)

    returned = local.inverse_kin_many(REFERENCE, poses, chain=True, unreachable="nan")
    assert_rows_match(rows_of(returned, path, 6), expected)


@pytest.mark.parametrize("call,error,text", [
    (lambda r: r.forward_kin_many([REFERENCE[:5]]), ValueError, "joints"),
    (lambda r: r.forward_kin_many(REFERENCE), (TypeError, ValueError), "joints"),
    (lambda r: r.forward_kin_many(None), TypeError, "joints"),
    (lambda r: r.forward_kin_many("123456"), TypeError, "joints"),
    (lambda r: r.forward_kin_many([REFERENCE, (0, 0, math.nan, 0, 0, 0)]), ValueError,
     "joints[1]"),
    (lambda r: r.inverse_kin_many(REFERENCE, [OUT_OF_REACH[:6]]), ValueError, "poses"),
    (lambda r: r.inverse_kin_many(REFERENCE, [(0.3, 0.1, 0.3, 0, 0, 0, 0)]), ValueError,
     "poses[0]"),
    (lambda r: r.inverse_kin_many(REFERENCE, [OUT_OF_REACH, (0.3, math.inf, 0.3, 1, 0, 0, 0)]),
     ValueError, "poses[1]"),
    (lambda r: r.inverse_kin_many(REFERENCE[:5], [OUT_OF_REACH]), ValueError, "reference"),
    (lambda r: r.inverse_kin_many(REFERENCE, [OUT_OF_REACH], unreachable="skip"), ValueError,
     "unreachable"),
    (lambda r: r.inverse_kin_many(REFERENCE, [OUT_OF_REACH], chain="yes"), TypeError, "chain"),
])
def test_bad_arguments_raise_before_any_result(local, path, call, error, text):
    with pytest.raises(error) as raised:
        call(local)
    assert text in str(raised.value)


def test_no_points_give_an_empty_result(local, path):
    poses = local.forward_kin_many([])
    joints = local.inverse_kin_many(REFERENCE, [])
    if path == "numpy":
        assert poses.shape == (0, 7) and joints.shape == (0, 6)
    else:
        assert poses == [] and joints == []


@pytest.mark.skipif(numpy is None, reason="numpy is not installed")
def test_any_array_like_gives_the_same_result_and_is_left_alone(local):
    joints = numpy.array(random_joints(50, seed=11))
    want = local.forward_kin_many(joints)
    wide = numpy.zeros((50, 9))
    wide[:, 2:8] = joints
    for variant in (joints.tolist(), numpy.asfortranarray(joints), wide[:, 2:8]):
        kept = numpy.array(variant, copy=True)
        assert numpy.array_equal(local.forward_kin_many(variant), want)
        assert numpy.array_equal(numpy.asarray(variant), kept)
    # float32 rows are widened, not refused.
    assert local.forward_kin_many(joints.astype(numpy.float32)).dtype == numpy.float64
    assert local.forward_kin_many(joints) is not joints


def test_batches_larger_than_one_library_call_are_split_seamlessly(local, path, monkeypatch):
    poses = [pose_row(local.forward_kin(q)) for q in random_joints(11, seed=7)]
    # In pieces of 3: the piece 3..5 ends on a failure, the piece 6..8 starts on one.
    poses[5] = poses[6] = OUT_OF_REACH
    whole = rows_of(local.forward_kin_many(random_joints(11)), path, 7)
    chained = rows_of(local.inverse_kin_many(REFERENCE, poses, chain=True, unreachable="nan"),
                      path, 6)
    expected = single_ik_replay(local, REFERENCE, poses, chain=True)
    monkeypatch.setattr(kinematics, "MAX_POINTS", 3)
    assert rows_of(local.forward_kin_many(random_joints(11)), path, 7) == whole
    with pytest.raises(UnreachablePosesError) as raised:
        local.inverse_kin_many(REFERENCE, poses, chain=True)
    assert raised.value.indices == [i for i, e in enumerate(expected) if e is None]
    assert_rows_match(rows_of(raised.value.joints, path, 6),
                      [None if math.isnan(r[0]) else r for r in chained])
    assert_rows_match(chained, expected)


def test_a_closed_robot_refuses_batches():
    robot = Robot()
    robot.close()
    with pytest.raises(HandleError):
        robot.forward_kin_many([REFERENCE])
    with pytest.raises(HandleError):
        robot.inverse_kin_many(REFERENCE, [OUT_OF_REACH])


def test_environment_switch_takes_the_lists_path():
    code = ("import tevo_robot, tevo_robot.kinematics as k; r = tevo_robot.Robot(); "
            "out = r.forward_kin_many([[0.0] * 6]); "
            "print(k.numpy is None, type(out).__name__, type(out[0]).__name__)")
    env = dict(os.environ, TEVO_ROBOT_NO_NUMPY="1",
               PYTHONPATH=os.path.dirname(os.path.dirname(tevo_robot.__file__)))
    result = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True,
                            text=True, timeout=60)
    assert result.returncode == 0, result.stderr
    assert result.stdout.split() == ["True", "list", "tuple"]
