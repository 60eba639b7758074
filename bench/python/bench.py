#!/usr/bin/env python3
"""Cost of the Python binding beside its baselines, measured in one run
against one simulator:

  python_request/cpp_request  a blocking get_robot_state from Python over the
                              same request from the C++ program cpp_request
  python_fk/ctypes_empty      Robot.forward_kin over an empty ctypes call
                              (rs_initialize through the same library)

and, as a comment line, Robot.forward_kin over the bare ctypes call of
rs_forward_kin with its arguments built once (the package's own share).

    bench.py --sim PATH --cpp PATH [--lib PATH] [--count N]

Prints one line per ratio: NAME = RATIO (target <= LIMIT).
"""
import argparse
import ctypes
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python"))
import tevo_robot  # noqa: E402
from simprocess import start_sim  # noqa: E402
from tevo_robot._records import Joints, WayPoint  # noqa: E402

JOINTS = (0.1, -0.2, 1.6, 0.4, 1.5, 0.2)


def per_call(fn, count):
    for _ in range(max(1, count // 10)):
        fn()
    start = time.perf_counter()
    for _ in range(count):
        fn()
    return (time.perf_counter() - start) / count * 1e9


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", required=True, help="tevo-controller-sim")
    parser.add_argument("--cpp", required=True, help="the cpp_request program")
    parser.add_argument("--lib", default=os.environ.get("TEVO_ROBOT_LIB"),
                        help="libtevorobotsdk.so (default: TEVO_ROBOT_LIB)")
    parser.add_argument("--count", type=int, default=2000)
    args = parser.parse_args()

    sim, host, port = start_sim(args.sim)
    try:
        cpp = subprocess.run([args.cpp, host, str(port), str(args.count)], capture_output=True,
                             text=True, timeout=300)
        if cpp.returncode != 0:
            raise SystemExit(f"cpp_request failed: {cpp.stderr}")
        cpp_ns = float(cpp.stdout.split()[1])
        with tevo_robot.Robot.connect(host, port, library=args.lib) as robot:
            python_ns = per_call(robot.robot_state, args.count)
            fk_ns = per_call(lambda: robot.forward_kin(JOINTS), args.count * 10)
            empty = robot._lib.rs_initialize
            empty_ns = per_call(empty, args.count * 10)
            # The bare crossing of the same call, its arguments built once:
            # what the package adds on top of ctypes itself.
            raw = robot._lib.rs_forward_kin
            joints, out, handle = Joints(*JOINTS), WayPoint(), robot.handle
            raw_ns = per_call(lambda: raw(handle, joints, ctypes.byref(out)), args.count * 10)
    finally:
        sim.terminate()
        sim.wait()
    print(f"# request: python {python_ns:.0f} ns, c++ {cpp_ns:.0f} ns; "
          f"forward_kin {fk_ns:.0f} ns, empty ctypes call {empty_ns:.0f} ns")
    print(f"python_request/cpp_request = {python_ns / cpp_ns:.2f} (target <= 1.5)")
    print(f"python_fk/ctypes_empty = {fk_ns / empty_ns:.2f} (target <= 3)")
    print(f"# bare ctypes rs_forward_kin {raw_ns:.0f} ns: python_fk/ctypes_fk = "
          f"{fk_ns / raw_ns:.2f}")


if __name__ == "__main__":
    main()
