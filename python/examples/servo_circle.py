#!/usr/bin/env python3
"""Moves the flange once around a circle of 5 cm radius, streaming a pose
target every 2 ms (500 Hz servo streaming), then prints the overruns of the
loop and the largest distance between the target and where the arm was.

    servo_circle.py HOST [PORT] [SECONDS]

The circle takes SECONDS (default 10), starting and ending at rest.
"""
import math
import sys

from tevo_robot import Pose, Robot

HOME = (0.0, -0.26, 1.75, 0.44, 1.57, 0.0)
RADIUS = 0.05  # m
PERIOD = 0.002  # s


def main(host: str, port: int, seconds: float) -> None:
    with Robot.connect(host, port) as robot:
        robot.startup()
        robot.move_joint(HOME)
        start = robot.forward_kin(HOME)
        # The circle lies in the base's XY plane and passes through the start.
        cx, cy, z = start.position[0] - RADIUS, start.position[1], start.position[2]
        target = [start.position]
        largest = [0.0]

        def on_waypoint(w):  # on the library's receive thread, at the push rate
            largest[0] = max(largest[0], math.dist(w.position, target[0]))

        robot.on_waypoint(on_waypoint)
        robot.enable_push("waypoint")
        cycles = round(seconds / PERIOD)
        with robot.start_servo(PERIOD) as stream:
            # The circle, then 0.1 s more at its end while the arm settles there.
            for i in range(1, cycles + 50):
                # Angle along the circle: smooth start and stop (speed 0 at both ends).
                u = min(i / cycles, 1.0)
                angle = 2 * math.pi * (u - math.sin(2 * math.pi * u) / (2 * math.pi))
                position = (cx + RADIUS * math.cos(angle), cy + RADIUS * math.sin(angle), z)
                stream.wait_period()
                stream.send_pose(Pose(position, start.orientation))
                target[0] = position
        status = stream.status()
        robot.on_waypoint(None)
        print(f"cycles: {status.cycles}, overruns: {status.overruns}, "
              f"lateness p99: {status.late_p99_sec * 1e6:.0f} us")
        print(f"largest follow error: {largest[0] * 1e3:.2f} mm")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 8899,
         float(sys.argv[3]) if len(sys.argv) > 3 else 10.0)
