#!/usr/bin/env python3
"""Servo streaming from Python: a 500 Hz loop (wait_period, then send_joints)
for 10 s against the simulator program running in another process, and what
the loop saw:

  send        the send_joints call, p50/p99/p99.9/max (perf_counter around it)
  lateness    each cycle's wake-up minus its deadline (the library's figure,
              read after every wait_period), p50/p99/max
  overruns    cycles that found their deadline passed

and, as a comment line, the bare ctypes call of rs_servo_joint (its
arguments built once) over 1 s more of the same stream: the package's share
of a send.

    servo_bench.py --sim PATH [--lib PATH] [--seconds S] [--rate HZ] [--pose]

With --pose the loop sends flange poses (send_pose: inverse kinematics in
the library) instead of joint angles. Prints `python_servo_overruns = N
(target <= 0)` and the figures in microseconds.
"""
import argparse
import math
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python"))
import tevo_robot  # noqa: E402
from simprocess import start_sim  # noqa: E402
from tevo_robot._records import Joints  # noqa: E402

HOME = (0.0, -0.26, 1.75, 0.44, 1.57, 0.0)
SWAY = 0.1  # rad: joint 6 sways this far either way (joint targets)
SWAY_X = 0.02  # m: the flange sways this far along x (pose targets)
SWAY_HZ = 0.5


def percentile(sorted_values, fraction):
    return sorted_values[min(len(sorted_values) - 1, int(fraction * len(sorted_values)))]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sim", required=True, help="tevo-controller-sim")
    parser.add_argument("--lib", default=os.environ.get("TEVO_ROBOT_LIB"),
                        help="libtevorobotsdk.so (default: TEVO_ROBOT_LIB)")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--rate", type=float, default=500.0, help="loop rate, Hz")
    parser.add_argument("--pose", action="store_true", help="send poses, not joint angles")
    args = parser.parse_args()
    period = 1.0 / args.rate
    cycles = round(args.seconds * args.rate)
    bare_cycles = round(args.rate)

    sim, host, port = start_sim(args.sim)
    try:
        with tevo_robot.Robot.connect(host, port, library=args.lib) as robot:
            robot.startup()
            robot.move_joint(HOME)
            home = robot.forward_kin(HOME)

            def joints(i):
                q = list(HOME)
                q[5] += SWAY * math.sin(2 * math.pi * SWAY_HZ * i * period)
                return q

            def pose(i):  # the flange swaying 2 cm along x
                x, y, z = home.position
                shift = SWAY_X * math.sin(2 * math.pi * SWAY_HZ * i * period)
                return tevo_robot.Pose((x + shift, y, z), home.orientation)

            target = pose if args.pose else joints
            send_times, lateness = [], []
            with robot.start_servo(period) as stream:
                send = stream.send_pose if args.pose else stream.send_joints
                for i in range(cycles):
                    value = target(i)
                    stream.wait_period()
                    lateness.append(stream.status().late_last_sec)
                    begin = time.perf_counter()
                    send(value)
                    send_times.append(time.perf_counter() - begin)
                # The same stream through the bare ctypes call (joint angles).
                raw, handle, array = robot._lib.rs_servo_joint, robot.handle, Joints()
                bare_times = []
                for i in range(cycles, cycles + bare_cycles):
                    array[:] = robot.inverse_kin(HOME, pose(i)).joints if args.pose \
                        else joints(i)
                    stream.wait_period()
                    begin = time.perf_counter()
                    result = raw(handle, array)
                    bare_times.append(time.perf_counter() - begin)
                    if result:
                        raise robot._lib.error(result, "servo_joint")
            status = stream.status()  # after the stop, which waits for the last answers
    finally:
        sim.terminate()
        sim.wait()

    us = 1e6
    send_times.sort()
    lateness.sort()
    bare_times.sort()
    what = "send_pose" if args.pose else "send_joints"
    print(f"# {cycles} cycles at {args.rate:.0f} Hz, {what}; library: sent {status.sent}, "
          f"answered {status.answered}, refused {status.refused}, "
          f"answer p50 {status.answer_p50_sec * us:.0f} us, "
          f"p99 {status.answer_p99_sec * us:.0f} us")
    print(f"python_servo_overruns = {status.overruns} (target <= 0)")
    print(f"python_servo_send_us p50 = {percentile(send_times, 0.5) * us:.1f}, "
          f"p99 = {percentile(send_times, 0.99) * us:.1f}, "
          f"p99.9 = {percentile(send_times, 0.999) * us:.1f}, max = {send_times[-1] * us:.1f}")
    print(f"python_servo_late_us p50 = {percentile(lateness, 0.5) * us:.1f}, "
          f"p99 = {percentile(lateness, 0.99) * us:.1f}, max = {lateness[-1] * us:.1f}")
    print(f"# bare ctypes rs_servo_joint p50 {percentile(bare_times, 0.5) * us:.1f} us: "
          f"{what}/bare = {percentile(send_times, 0.5) / percentile(bare_times, 0.5):.2f}")


if __name__ == "__main__":
    main()
