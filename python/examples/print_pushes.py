#!/usr/bin/env python3
"""Prints the controller's pushes (waypoints, joint status, end speed, move
progress and robot events) during a short joint move.

    print_pushes.py HOST [PORT] [COUNT]

Stops after COUNT waypoint pushes (default 5).
"""
import sys
import threading

from tevo_robot import Robot

TARGET = (0.1, -0.2, 1.6, 0.4, 1.5, 0.2)


def main(host: str, port: int, count: int) -> None:
    enough = threading.Event()
    seen = [0]

    def on_waypoint(w):
        seen[0] += 1
        print("waypoint", ", ".join(f"{q:.3f}" for q in w.joints), flush=True)
        if seen[0] >= count:
            enough.set()

    with Robot.connect(host, port) as robot:
        robot.on_waypoint(on_waypoint)
        robot.on_end_speed(lambda speed: print(f"end speed {speed:.4f} m/s", flush=True))
        robot.on_joint_status(lambda joints: print(f"joint 1 at {joints[0].position_rad:.4f} rad",
                                                   flush=True))
        robot.on_move_progress(lambda step: print("passed waypoint", step, flush=True))
        robot.on_event(lambda e: print(f"event {e.type} ({e.code}): {e.content}", flush=True))
        for push in ("waypoint", "end_speed", "joint_status"):
            robot.enable_push(push)
        robot.startup()
        robot.move_joint(TARGET)
        if not enough.wait(30):
            raise SystemExit(f"only {seen[0]} waypoint pushes in 30 s")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 8899,
         int(sys.argv[3]) if len(sys.argv) > 3 else 5)
