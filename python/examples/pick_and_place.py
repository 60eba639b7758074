#!/usr/bin/env python3
"""A pick-and-place cycle: approach, descend, close the gripper (a user
digital output), lift, carry, descend, open it, lift.

    pick_and_place.py HOST [PORT]
"""
import sys

from tevo_robot import IoType, Robot, ToolDesc

HOME = (-0.3, -0.2618, 1.7453, 0.4363, 1.5708, 0.1)
GRIPPER = "U_DO_00"          # user digital output driving the gripper
TOOL = ToolDesc((0.0, 0.0, 0.1))
LIFT = 0.05                  # m above the pick and place points


def above(point, height=LIFT):
    return (point[0], point[1], point[2] + height)


def main(host: str, port: int) -> None:
    with Robot.connect(host, port) as robot:
        robot.startup()
        robot.init_global_move_profile()
        robot.move_joint(HOME)
        start = robot.base_to_base_additional_tool(robot.current_waypoint().pose, TOOL)
        pick = start.position
        place = (pick[0] + 0.08, pick[1] + 0.05, pick[2])
        for target, grip in ((pick, 1.0), (place, 0.0)):
            robot.move_line_to_position(above(target), TOOL)
            robot.move_line_to_position(target, TOOL)
            robot.set_board_io(IoType.USER_DO, GRIPPER, grip)
            print(f"gripper {'closed' if grip else 'open'} at",
                  ", ".join(f"{v:.3f}" for v in target))
            robot.move_line_to_position(above(target), TOOL)
        robot.move_joint(HOME)
        print("done")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 8899)
