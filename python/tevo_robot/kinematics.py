"""Batch kinematics: forward or inverse kinematics over many points in one
library call (``Robot.forward_kin_many``, ``Robot.inverse_kin_many``).

Rows: a joint row is six angles (rad); a pose row is seven numbers, the
flange position x, y, z (m) then its orientation as a quaternion w, x, y, z
(base frame). Each point is computed exactly as ``forward_kin`` or
``inverse_kin`` computes it (the same numbers, bit for bit).

With numpy: any array-like of shape (N, 6) or (N, 7) is accepted (an array
that is already float64 and C-contiguous is passed to the library as it is,
without a copy), and the result is a new float64, C-contiguous array of shape
(N, 7) or (N, 6). Without numpy: a sequence of rows in, a list of tuples out,
one per row (the same rows as the arrays, so code indexing rows works with
both). Setting the environment variable TEVO_ROBOT_NO_NUMPY=1 before the
package is imported takes the second path even when numpy is installed.

Failures: a row holding a NaN or an infinity (or a quaternion of length 0)
raises ValueError naming the first such row. A pose no joint angles reach
raises UnreachablePosesError (a KinematicsError) carrying the indices of all
such poses and the result with NaN in their rows; with ``unreachable="nan"``
the result is returned instead, NaN in those rows. A NaN row can never be
sent as a target: every move refuses it.

The library takes at most RS_KIN_MANY_MAX_POINTS points per call; larger
batches are split here, a chain going on across the pieces. The library call
releases the GIL.
"""
import ctypes
import os
from ctypes import c_double, c_int
from typing import Any, List, Optional, Sequence, Tuple

from . import _check
from . import _records as rec
from .errors import KinematicsError
from .types import Pose

try:
    if os.environ.get("TEVO_ROBOT_NO_NUMPY") == "1":
        raise ImportError("TEVO_ROBOT_NO_NUMPY=1")
    import numpy
except ImportError:
    numpy = None  # type: ignore[assignment]

# Points per library call (RS_KIN_MANY_MAX_POINTS in rsrobotcontrol.h).
MAX_POINTS = 1 << 20
JOINT_WIDTH = 6
POSE_WIDTH = 7
PARAM_ERROR = 10002
IK_FAILED = 10012

_VOID = ctypes.c_void_p
_SIGNATURES = {
    "rs_forward_kin_many": [rec.RSHD, _VOID, c_int, _VOID, _VOID],
    "rs_inverse_kin_many": [rec.RSHD, _VOID, _VOID, c_int, _VOID, _VOID, c_int],
}


class UnreachablePosesError(KinematicsError):
    """No joint angles reach some poses of ``inverse_kin_many`` (code 10012).
    ``indices`` lists them in order; ``joints`` is the whole result, NaN in
    their rows (an array or a list, as the call would have returned)."""

    def __init__(self, code: int, text: str = "", operation: str = "", *,
                 indices: Sequence[int] = (), joints: Any = None, **refusal: Any) -> None:
        self.indices = list(indices)
        self.joints = joints
        KinematicsError.__init__(self, code, text, operation, **refusal)


def _declare(lib: Any) -> None:
    """Declares the batch functions on ``lib`` once (the package's other
    functions are declared when it is loaded)."""
    if vars(lib).get("_batch_kinematics"):
        return
    for name, argtypes in _SIGNATURES.items():
        fn = getattr(lib.cdll, name)
        fn.restype = c_int
        fn.argtypes = argtypes
        setattr(lib, name, fn)
    lib._batch_kinematics = True


def _pose_rows(poses: Any) -> Any:
    """Pose objects as rows of seven numbers; anything else as it is."""
    if isinstance(poses, (list, tuple)) and poses and isinstance(poses[0], Pose):
        return [(*_check.instance(p, Pose, f"poses[{i}]").position, *p.orientation)
                for i, p in enumerate(poses)]
    return poses


# ---- the two ways of holding rows -------------------------------------------------

class _Arrays:
    """Rows as numpy arrays: the buffers go to the library as they are."""

    @staticmethod
    def rows(value: Any, width: int, name: str) -> Tuple[Any, int]:
        if value is None:
            raise TypeError(f"{name}: expected rows of {width} numbers, got None")
        if isinstance(value, (str, bytes)):
            raise TypeError(f"{name}: expected rows of {width} numbers, got {type(value).__name__}")
        try:
            rows = numpy.ascontiguousarray(value, dtype=numpy.float64)
        except (TypeError, ValueError) as error:
            raise TypeError(f"{name}: expected rows of {width} numbers: {error}") from None
        if rows.ndim == 1 and rows.size == 0:
            rows = rows.reshape(0, width)
        if rows.ndim != 2 or rows.shape[1] != width:
            raise ValueError(f"{name}: expected shape (N, {width}), got {rows.shape}")
        return rows, rows.shape[0]

    @staticmethod
    def output(n: int, width: int) -> Any:
        return numpy.empty((n, width), dtype=numpy.float64)

    @staticmethod
    def codes(n: int) -> Any:
        return numpy.empty(n, dtype=numpy.intc)

    @staticmethod
    def address(buffer: Any, offset: int) -> int:
        """The address of element ``offset`` of ``buffer`` (flat, in elements)."""
        return buffer.ctypes.data + offset * buffer.itemsize

    @staticmethod
    def failed(codes: Any) -> List[int]:
        return numpy.flatnonzero(codes).tolist()

    @staticmethod
    def result(out: Any, width: int) -> Any:
        return out

    @staticmethod
    def row(out: Any, width: int, index: int) -> Sequence[float]:
        return out[index]


class _Lists:
    """Rows as sequences of numbers, copied into ctypes arrays."""

    @staticmethod
    def rows(value: Any, width: int, name: str) -> Tuple[Any, int]:
        rows = _check.sequence(value, name)
        flat: List[float] = []
        for i, row in enumerate(rows):
            flat.extend(_check.numbers_of(row, width, f"{name}[{i}]"))
        return (c_double * len(flat))(*flat), len(rows)

    @staticmethod
    def output(n: int, width: int) -> Any:
        return (c_double * (n * width))()

    @staticmethod
    def codes(n: int) -> Any:
        return (c_int * n)()

    @staticmethod
    def address(buffer: Any, offset: int) -> int:
        return ctypes.addressof(buffer) + offset * ctypes.sizeof(buffer._type_)

    @staticmethod
    def failed(codes: Any) -> List[int]:
        return [i for i, code in enumerate(codes) if code]

    @staticmethod
    def result(out: Any, width: int) -> List[Tuple[float, ...]]:
        flat = out[:]
        return [tuple(flat[i:i + width]) for i in range(0, len(flat), width)]

    @staticmethod
    def row(out: Any, width: int, index: int) -> Sequence[float]:
        return out[index * width:(index + 1) * width]


def _holder() -> Any:
    return _Arrays if numpy is not None else _Lists


# ---- the calls ----------------------------------------------------------------------

def _unreachable_in(robot: Any, name: str, result: int, codes: Any, start: int, count: int,
                    in_name: str) -> List[int]:
    """The rows of the piece [start, start + count) that no solution reaches,
    after a call that returned ``result``. Raises for the call itself refused
    (the library's error), and ValueError for the first row the library
    refused as not numbers."""
    if result == 0:
        return []
    failed = [start + i for i in _holder().failed(codes[start:start + count])]
    if not failed:
        robot._check(name, result)
    for i in failed:
        code = int(codes[i])
        if code == PARAM_ERROR:
            what = "holds a NaN or an infinity" if in_name == "joints" else \
                "holds a NaN or an infinity, or a quaternion of length 0"
            raise ValueError(f"{in_name}[{i}]: {what}")
        if code != IK_FAILED:
            robot._check(name, code)
    return failed


def forward_kin_many(robot: Any, joints: Any) -> Any:
    """The flange pose rows (N, 7) of N joint rows (rad); see the module text."""
    name = "rs_forward_kin_many"
    _declare(robot._lib)
    kind = _holder()
    rows, n = kind.rows(joints, JOINT_WIDTH, "joints")
    out, codes = kind.output(n, POSE_WIDTH), kind.codes(n)
    for start in range(0, n, MAX_POINTS):
        count = min(MAX_POINTS, n - start)
        result = robot._invoke(name, kind.address(rows, start * JOINT_WIDTH), count,
                               kind.address(out, start * POSE_WIDTH), kind.address(codes, start))
        if _unreachable_in(robot, name, result, codes, start, count, "joints"):
            robot._check(name, result)  # forward kinematics has no unreachable point
    return kind.result(out, POSE_WIDTH)


def inverse_kin_many(robot: Any, reference: Any, poses: Any, chain: bool = False,
                     unreachable: str = "raise") -> Any:
    """The joint rows (N, 6) nearest ``reference`` that reach N pose rows; see
    the module text and ``Robot.inverse_kin_many``."""
    name = "rs_inverse_kin_many"
    if unreachable not in ("raise", "nan"):
        raise ValueError(f"unreachable: expected 'raise' or 'nan', got {unreachable!r}")
    chained = _check.flag(chain, "chain")
    ref = (c_double * JOINT_WIDTH)(*_check.numbers_of(reference, JOINT_WIDTH, "reference"))
    _declare(robot._lib)
    kind = _holder()
    rows, n = kind.rows(_pose_rows(poses), POSE_WIDTH, "poses")
    out, codes = kind.output(n, JOINT_WIDTH), kind.codes(n)
    failed: List[int] = []
    for start in range(0, n, MAX_POINTS):
        count = min(MAX_POINTS, n - start)
        result = robot._invoke(name, ref, kind.address(rows, start * POSE_WIDTH), count,
                               kind.address(out, start * JOINT_WIDTH), kind.address(codes, start),
                               int(chained))
        piece = _unreachable_in(robot, name, result, codes, start, count, "poses")
        failed.extend(piece)
        last = _last_success(start, count, piece) if chained else None
        if last is not None:
            # The next piece goes on from the last solution, as one call would.
            ref[:] = [float(v) for v in kind.row(out, JOINT_WIDTH, last)]
    joints = kind.result(out, JOINT_WIDTH)
    if failed and unreachable == "raise":
        raise UnreachablePosesError(
            IK_FAILED, f"no joint angles reach {len(failed)} of {n} poses (the first: "
            f"poses[{failed[0]}])", "inverse_kin_many", indices=failed, joints=joints)
    return joints


def _last_success(start: int, count: int, failed: List[int]) -> Optional[int]:
    """The last index of the piece [start, start + count) not among ``failed``."""
    bad = set(failed)
    for i in range(start + count - 1, start - 1, -1):
        if i not in bad:
            return i
    return None
