#!/usr/bin/env python3
"""Drives a controller through the handle interface with ctypes alone.

    rs_ctypes_example.py --lib path/to/libtevorobotsdk.so HOST PORT

Creates a context, logs in, starts the arm up, computes the flange pose of a
joint position, moves there with a blocking joint move, logs out and destroys
the context. Exits 0 when every step succeeded.
"""
import argparse
import ctypes
import sys

RSHD = ctypes.c_uint16
JOINTS = ctypes.c_double * 6


class Pos(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double), ("z", ctypes.c_double)]


class Ori(ctypes.Structure):
    _fields_ = [("w", ctypes.c_double), ("x", ctypes.c_double),
                ("y", ctypes.c_double), ("z", ctypes.c_double)]


class WayPoint(ctypes.Structure):
    _fields_ = [("position", Pos), ("orientation", Ori), ("jointpos", JOINTS)]


class ToolInertia(ctypes.Structure):
    _fields_ = [(name, ctypes.c_double) for name in ("xx", "xy", "xz", "yy", "yz", "zz")]


class ToolDynamicsParam(ctypes.Structure):
    _fields_ = [("positionX", ctypes.c_double), ("positionY", ctypes.c_double),
                ("positionZ", ctypes.c_double), ("payload", ctypes.c_double),
                ("toolInertia", ToolInertia)]


def load(path):
    lib = ctypes.CDLL(path)
    signatures = {
        "rs_initialize": [],
        "rs_uninitialize": [],
        "rs_create_context": [ctypes.POINTER(RSHD)],
        "rs_destory_context": [RSHD],
        "rs_login": [RSHD, ctypes.c_char_p, ctypes.c_int],
        "rs_logout": [RSHD],
        "rs_robot_startup": [RSHD, ctypes.POINTER(ToolDynamicsParam), ctypes.c_uint8,
                             ctypes.c_bool, ctypes.c_bool, ctypes.c_int,
                             ctypes.POINTER(ctypes.c_int)],
        "rs_forward_kin": [RSHD, JOINTS, ctypes.POINTER(WayPoint)],
        "rs_move_joint": [RSHD, JOINTS, ctypes.c_bool],
        "rs_get_current_waypoint": [RSHD, ctypes.POINTER(WayPoint)],
    }
    for name, args in signatures.items():
        fn = getattr(lib, name)
        fn.argtypes = args
        fn.restype = ctypes.c_int
    lib.rs_str_error.argtypes = [ctypes.c_int]
    lib.rs_str_error.restype = ctypes.c_char_p
    return lib


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lib", required=True, help="path of libtevorobotsdk.so")
    parser.add_argument("host")
    parser.add_argument("port", type=int)
    args = parser.parse_args()
    lib = load(args.lib)

    def check(step, result):
        if result != 0:
            text = lib.rs_str_error(result).decode()
            raise RuntimeError(f"{step} failed: {result} {text}")

    rshd = RSHD()
    check("rs_initialize", lib.rs_initialize())
    check("rs_create_context", lib.rs_create_context(ctypes.byref(rshd)))
    try:
        check("rs_login", lib.rs_login(rshd, args.host.encode(), args.port))
        state = ctypes.c_int(-1)
        check("rs_robot_startup", lib.rs_robot_startup(rshd, ctypes.byref(ToolDynamicsParam()), 6,
                                                       True, True, 1000, ctypes.byref(state)))
        target = JOINTS(0.1, -0.2, 1.6, 0.4, 1.5, 0.2)
        flange = WayPoint()
        check("rs_forward_kin", lib.rs_forward_kin(rshd, target, ctypes.byref(flange)))
        print(f"flange at ({flange.position.x:.4f}, {flange.position.y:.4f}, "
              f"{flange.position.z:.4f}) m")
        check("rs_move_joint", lib.rs_move_joint(rshd, target, True))
        now = WayPoint()
        check("rs_get_current_waypoint", lib.rs_get_current_waypoint(rshd, ctypes.byref(now)))
        if any(abs(now.jointpos[i] - target[i]) > 1e-4 for i in range(6)):
            raise RuntimeError(f"arm at {list(now.jointpos)}, expected {list(target)}")
        check("rs_logout", lib.rs_logout(rshd))
    finally:
        check("rs_destory_context", lib.rs_destory_context(rshd))
        lib.rs_uninitialize()
    print("ok")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except RuntimeError as error:
        print(error, file=sys.stderr)
        sys.exit(1)
