#!/usr/bin/env python3
"""Connects to a controller and prints the arm's state.

    read_state.py HOST [PORT]
"""
import sys

from tevo_robot import Robot


def main(host: str, port: int) -> None:
    with Robot.connect(host, port) as robot:
        now = robot.current_waypoint()
        print("state:", robot.robot_state().name, " work mode:", robot.work_mode().name)
        print("joints (rad):", ", ".join(f"{q:.4f}" for q in now.joints))
        print("flange (m):", ", ".join(f"{v:.4f}" for v in now.position))
        print("end speed (m/s):", f"{robot.end_speed():.4f}")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 8899)
