#!/usr/bin/env python3
"""Per-point cost of batch kinematics from Python beside the same batch call
from C++, measured in one run on the same joint rows:

  py_fk_many/cpp_fk_many  Robot.forward_kin_many over rs_forward_kin_many
                          called from the C++ program cpp_kinematics
  py_ik_many/cpp_ik_many  Robot.inverse_kin_many (fixed reference, not
                          chained) over rs_inverse_kin_many, on the poses of
                          those rows

for each batch size, and, as comment lines, the single-call Robot.forward_kin
for contrast and the batch calls without numpy (sequences of rows). Each
figure is the best of ROUNDS rounds. No controller is needed.

    kinematics_bench.py --cpp PATH [--lib PATH] [--sizes 1000,10000] [--rounds 5]

Prints one line per ratio: NAME = RATIO (target <= LIMIT).
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time
from array import array
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python"))
import tevo_robot  # noqa: E402
from tevo_robot import kinematics  # noqa: E402

REFERENCE = (0.1, -0.2, 1.6, 0.4, 1.5, 0.2)  # cpp_kinematics.cpp uses the same
TARGET = 1.5
# Points computed per round (the repeats follow from the batch size).
FK_POINTS_PER_ROUND = 200_000
IK_POINTS_PER_ROUND = 50_000


def best_ns_per_point(fn, rounds, repeats, points):
    fn()  # warm-up
    best = float("inf")
    for _ in range(rounds):
        start = time.perf_counter()
        for _ in range(repeats):
            fn()
        best = min(best, (time.perf_counter() - start) / repeats / points * 1e9)
    return best


def cpp_figures(program, rows, fk_repeats, ik_repeats, rounds):
    with tempfile.NamedTemporaryFile(suffix=".bin", delete=False) as f:
        array("d", [v for row in rows for v in row]).tofile(f)
    try:
        done = subprocess.run([program, f.name, str(fk_repeats), str(ik_repeats), str(rounds)],
                              capture_output=True, text=True, timeout=600)
    finally:
        os.unlink(f.name)
    if done.returncode != 0:
        raise SystemExit(f"cpp_kinematics failed: {done.stderr}")
    figures = dict(line.split() for line in done.stdout.splitlines())
    return float(figures["fk_ns_per_point"]), float(figures["ik_ns_per_point"])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cpp", required=True, help="the cpp_kinematics program")
    parser.add_argument("--lib", default=os.environ.get("TEVO_ROBOT_LIB"),
                        help="libtevorobotsdk.so (default: TEVO_ROBOT_LIB)")
    parser.add_argument("--sizes", default="1000,10000", help="batch sizes, comma separated")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    numpy = kinematics.numpy
    if numpy is None:
        print("# numpy is not installed: the batch figures are those of the sequence path")

    rng = random.Random(29)
    with tevo_robot.Robot(library=args.lib) as robot:
        single_ns = best_ns_per_point(lambda: robot.forward_kin(REFERENCE), args.rounds, 20_000, 1)
        print(f"# single forward_kin from Python: {single_ns:.0f} ns per call")
        for n in (int(size) for size in args.sizes.split(",")):
            rows = [[rng.uniform(-3.1, 3.1) for _ in range(6)] for _ in range(n)]
            fk_repeats = max(3, FK_POINTS_PER_ROUND // n)
            ik_repeats = max(3, IK_POINTS_PER_ROUND // n)
            cpp_fk, cpp_ik = cpp_figures(args.cpp, rows, fk_repeats, ik_repeats, args.rounds)
            joints = numpy.array(rows) if numpy is not None else rows
            poses = robot.forward_kin_many(joints)
            py_fk = best_ns_per_point(lambda: robot.forward_kin_many(joints), args.rounds,
                                      fk_repeats, n)
            py_ik = best_ns_per_point(
                lambda: robot.inverse_kin_many(REFERENCE, poses, unreachable="nan"), args.rounds,
                ik_repeats, n)
            print(f"# N={n}: per point fk python {py_fk:.1f} ns, c++ {cpp_fk:.1f} ns; "
                  f"ik python {py_ik:.1f} ns, c++ {cpp_ik:.1f} ns; single forward_kin "
                  f"{single_ns / py_fk:.0f}x the batch's per point")
            if numpy is not None:
                lists, pose_rows = rows, poses.tolist()
                saved, kinematics.numpy = kinematics.numpy, None
                try:
                    seq_fk = best_ns_per_point(lambda: robot.forward_kin_many(lists), 1,
                                               max(1, fk_repeats // 10), n)
                    seq_ik = best_ns_per_point(
                        lambda: robot.inverse_kin_many(REFERENCE, pose_rows, unreachable="nan"),
                        1, max(1, ik_repeats // 10), n)
                finally:
                    kinematics.numpy = saved
                print(f"# N={n} without numpy: per point fk {seq_fk:.1f} ns, ik {seq_ik:.1f} ns")
            print(f"N={n} py_fk_many/cpp_fk_many = {py_fk / cpp_fk:.2f} (target <= {TARGET})")
            print(f"N={n} py_ik_many/cpp_ik_many = {py_ik / cpp_ik:.2f} (target <= {TARGET})")


if __name__ == "__main__":
    main()
