"""Finding, loading and declaring libtevorobotsdk.so.

A path given to ``load`` (or to ``Robot``), else the TEVO_ROBOT_LIB
environment variable, names the one library to use: when it does not exist,
cannot be loaded or is not the SDK, LibraryNotFoundError says so and nothing
else is tried. Without either, the library is looked for in the library
directory of the prefix this package was installed into by ``cmake
--install`` (recorded in ``_installed.py``), then on the dynamic loader's
search path, and the first that loads is used. Each path is loaded once per
process; rs_initialize runs on the first load.
"""
import ctypes
import ctypes.util
import os
import threading
from ctypes import (POINTER, c_bool, c_byte, c_char_p, c_double, c_float, c_int, c_uint8, c_uint16,
                    c_uint64)
from pathlib import Path
from typing import Dict, List, Optional, Tuple

from . import _records as rec
from .errors import (FAILED, NO_REFUSAL, REAL_ROBOT_NO_EXIST, RESPONSE_RETURN_ERROR,
                     LibraryNotFoundError, Refusal, error_for)

LIBRARY_NAME = "libtevorobotsdk.so"
ENV_VAR = "TEVO_ROBOT_LIB"

H = rec.RSHD
P = POINTER
_VOID = ctypes.c_void_p
# Room for a refused command's name and the controller's reason.
_REFUSAL_COMMAND_SIZE = 128
_REFUSAL_TEXT_SIZE = 1024
_JOINTS = P(c_double)

# name: (result type, argument types). Every function the package calls.
_SIGNATURES: Dict[str, Tuple[object, List[object]]] = {
    "rs_initialize": (c_int, []),
    "rs_uninitialize": (c_int, []),
    "rs_create_context": (c_int, [P(H)]),
    "rs_destory_context": (c_int, [H]),
    "rs_login": (c_int, [H, c_char_p, c_int]),
    "rs_login_as": (c_int, [H, c_char_p, c_int, c_char_p, c_char_p]),
    "rs_logout": (c_int, [H]),
    "rs_set_reconnect_policy": (c_int, [H, c_double, c_double, c_double, c_double, c_double]),
    "rs_setcallback_connection_event": (c_int, [H, rec.ConnectionEventCallback, _VOID]),
    "rs_login_count": (c_uint64, [H]),
    "rs_get_login_status": (c_int, [H, P(c_bool)]),
    "rs_str_error": (c_char_p, [c_int]),
    "rs_last_controller_refusal": (c_int, [P(c_int), P(c_int), c_char_p, c_int, c_char_p,
                                           c_int]),
    # global move profile
    "rs_init_global_move_profile": (c_int, [H]),
    "rs_set_global_joint_maxacc": (c_int, [H, P(rec.JointVelcAccParam)]),
    "rs_set_global_joint_maxvelc": (c_int, [H, P(rec.JointVelcAccParam)]),
    "rs_get_global_joint_maxacc": (c_int, [H, P(rec.JointVelcAccParam)]),
    "rs_get_global_joint_maxvelc": (c_int, [H, P(rec.JointVelcAccParam)]),
    "rs_set_global_end_max_line_acc": (c_int, [H, c_double]),
    "rs_set_global_end_max_line_velc": (c_int, [H, c_double]),
    "rs_get_global_end_max_line_acc": (c_int, [H, P(c_double)]),
    "rs_get_global_end_max_line_velc": (c_int, [H, P(c_double)]),
    "rs_set_global_end_max_angle_acc": (c_int, [H, c_double]),
    "rs_set_global_end_max_angle_velc": (c_int, [H, c_double]),
    "rs_get_global_end_max_angle_acc": (c_int, [H, P(c_double)]),
    "rs_get_global_end_max_angle_velc": (c_int, [H, P(c_double)]),
    "rs_remove_all_waypoint": (c_int, [H]),
    "rs_add_waypoint": (c_int, [H, _JOINTS]),
    "rs_set_blend_radius": (c_int, [H, c_double]),
    "rs_set_circular_loop_times": (c_int, [H, c_int]),
    "rs_set_relative_offset_on_base": (c_int, [H, P(rec.MoveRelative)]),
    "rs_set_relative_offset_on_user": (c_int, [H, P(rec.MoveRelative), P(rec.CoordCalibrate)]),
    "rs_set_no_arrival_ahead": (c_int, [H]),
    "rs_set_arrival_ahead_distance": (c_int, [H, c_double]),
    "rs_set_arrival_ahead_time": (c_int, [H, c_double]),
    "rs_set_arrival_ahead_blend": (c_int, [H, c_double]),
    "rs_set_teach_coord": (c_int, [H, P(rec.CoordCalibrate)]),
    "rs_set_user_coord": (c_int, [H, P(rec.CoordCalibrate)]),
    "rs_set_base_coord": (c_int, [H]),
    # moves
    "rs_move_joint": (c_int, [H, _JOINTS, c_bool]),
    "rs_move_joint_ex": (c_int, [H, P(rec.MoveProfile), _JOINTS, c_bool]),
    "rs_follow_mode_move_joint": (c_int, [H, _JOINTS]),
    "rs_move_line": (c_int, [H, _JOINTS, c_bool]),
    "rs_move_line_ex": (c_int, [H, P(rec.MoveProfile), _JOINTS, c_bool]),
    "rs_move_rotate": (c_int, [H, P(rec.CoordCalibrate), P(rec.MoveRotateAxis), c_double,
                               c_bool]),
    "rs_move_track": (c_int, [H, c_int, c_bool]),
    "rs_move_line_to": (c_int, [H, P(rec.Pos), P(rec.ToolInEndDesc), c_bool]),
    "rs_move_joint_to": (c_int, [H, P(rec.Pos), P(rec.ToolInEndDesc), c_bool]),
    "rs_teach_move_start": (c_int, [H, c_int, c_bool]),
    "rs_teach_move_stop": (c_int, [H]),
    "rs_move_stop": (c_int, [H]),
    "rs_move_fast_stop": (c_int, [H]),
    "rs_move_pause": (c_int, [H]),
    "rs_move_continue": (c_int, [H]),
    "rs_set_track_playback_cycle": (c_int, [H, c_double]),
    # offline tracks, pass-through mode, customer tracks
    "rs_clear_offline_track": (c_int, [H]),
    "rs_append_offline_track_waypoint": (c_int, [H, P(rec.JointParam), c_int]),
    "rs_append_offline_track_file": (c_int, [H, c_char_p]),
    "rs_startup_offline_track": (c_int, [H, c_bool]),
    "rs_stop_offline_track": (c_int, [H]),
    "rs_enter_tcp2canbus_mode": (c_int, [H]),
    "rs_leave_tcp2canbus_mode": (c_int, [H]),
    "rs_set_waypoint_to_canbus": (c_int, [H, _JOINTS]),
    "rs_set_waypoints_to_canbus": (c_int, [H, _JOINTS, c_int]),
    # servo streaming
    "rs_servo_start": (c_int, [H, c_double, c_double]),
    "rs_servo_wait_period": (c_int, [H]),
    "rs_servo_joint": (c_int, [H, _JOINTS]),
    "rs_servo_pose": (c_int, [H, P(rec.Pos), P(rec.Ori)]),
    "rs_servo_stop": (c_int, [H]),
    "rs_servo_status": (c_int, [H, P(rec.ServoStreamStatus)]),
    "rs_startup_excit_traj_track": (c_int, [H, c_char_p, c_byte, c_byte]),
    "rs_get_dynidentify_results": (c_bool, [H, P(c_int), c_int, P(c_int)]),
    "rs_parse_roadpoint_file_and_cache_result": (c_int, [H, c_char_p, _JOINTS,
                                                         P(rec.ToolInEndDesc), P(rec.WayPoint)]),
    "rs_move_cached_track": (c_int, [H]),
    "rs_parse_file_as_roadpoint_collection": (c_int, [H, c_char_p, c_int, _JOINTS,
                                                      P(rec.ToolInEndDesc), P(rec.WayPoint),
                                                      c_int, P(c_int)]),
    # kinematics and frames
    "rs_forward_kin": (c_int, [H, _JOINTS, P(rec.WayPoint)]),
    "rs_inverse_kin": (c_int, [H, _JOINTS, P(rec.Pos), P(rec.Ori), P(rec.WayPoint)]),
    "rs_inverse_kin_closed_form": (c_int, [H, P(rec.Pos), P(rec.Ori), P(rec.IkSolutions)]),
    "rs_base_to_user": (c_int, [H, P(rec.Pos), P(rec.Ori), P(rec.CoordCalibrate),
                                P(rec.ToolInEndDesc), P(rec.Pos), P(rec.Ori)]),
    "rs_user_to_base": (c_int, [H, P(rec.Pos), P(rec.Ori), P(rec.CoordCalibrate),
                                P(rec.ToolInEndDesc), P(rec.Pos), P(rec.Ori)]),
    "rs_base_to_base_additional_tool": (c_int, [H, P(rec.Pos), P(rec.Ori),
                                                P(rec.ToolInEndDesc), P(rec.Pos), P(rec.Ori)]),
    "rs_rpy_to_quaternion": (c_int, [H, P(rec.Rpy), P(rec.Ori)]),
    "rs_quaternion_to_rpy": (c_int, [H, P(rec.Ori), P(rec.Rpy)]),
    "rs_check_user_coord": (c_int, [H, P(rec.CoordCalibrate)]),
    "rs_user_coord_calibrate": (c_int, [H, P(rec.CoordCalibrate), P(c_double), P(c_double),
                                        P(c_double)]),
    # tool parameters
    "rs_set_tool_end_param": (c_int, [H, P(rec.ToolInEndDesc)]),
    "rs_set_tool_kinematics_param": (c_int, [H, P(rec.ToolInEndDesc)]),
    "rs_set_none_tool_kinematics_param": (c_int, [H]),
    "rs_get_tool_kinematics_param": (c_int, [H, P(rec.ToolInEndDesc)]),
    "rs_set_none_tool_dynamics_param": (c_int, [H]),
    "rs_set_tool_dynamics_param": (c_int, [H, P(rec.ToolDynamicsParam)]),
    "rs_get_tool_dynamics_param": (c_int, [H, P(rec.ToolDynamicsParam)]),
    # arm state and control
    "rs_robot_startup": (c_int, [H, P(rec.ToolDynamicsParam), c_uint8, c_bool, c_bool, c_int,
                                 P(c_int)]),
    "rs_robot_shutdown": (c_int, [H]),
    "rs_collision_recover": (c_int, [H]),
    "rs_get_robot_state": (c_int, [H, P(c_int)]),
    "rs_set_work_mode": (c_int, [H, c_int]),
    "rs_get_work_mode": (c_int, [H, P(c_int)]),
    "rs_get_gravity_component": (c_int, [H, P(rec.RobotGravityComponent)]),
    "rs_set_collision_class": (c_int, [H, c_int]),
    "rs_get_device_info": (c_int, [H, P(rec.RobotDevInfo)]),
    "rs_is_have_real_robot": (c_int, [H, P(c_bool)]),
    "rs_is_online_mode": (c_int, [H, P(c_bool)]),
    "rs_is_online_master_mode": (c_int, [H, P(c_bool)]),
    "rs_get_joint_status": (c_int, [H, P(rec.JointStatus), c_int]),
    "rs_get_current_waypoint": (c_int, [H, P(rec.WayPoint)]),
    "rs_get_diagnosis_info": (c_int, [H, P(rec.RobotDiagnosis)]),
    "rs_get_robot_end_speed": (c_int, [H, P(c_float)]),
    "rs_robot_control": (c_int, [H, c_int]),
    "rs_enter_reduce_mode": (c_bool, [H]),
    "rs_exit_reduce_mode": (c_bool, [H]),
    "rs_project_startup": (c_bool, [H]),
    "rs_project_stop": (c_bool, [H]),
    "rs_set_client_status_pause": (c_int, [H]),
    "rs_set_client_status_continue": (c_int, [H]),
    "rs_set_client_status_stop": (c_int, [H]),
    "rs_set_client_status_run": (c_int, [H]),
    "rs_get_socket_status": (c_int, [H, P(c_bool)]),
    "rs_set_robot_joint_motion_range": (c_int, [H, P(rec.RangeOfMotion), c_bool]),
    "rs_set_robot_recognition_param": (c_int, [H, P(rec.RobotRecongnitionParam)]),
    "rs_get_robot_recognition_param": (c_int, [H, c_int, P(rec.RobotRecongnitionParam)]),
    "rs_get_robot_safety_config": (c_int, [H, P(rec.RobotSafetyConfig)]),
    "rs_set_robot_safety_config": (c_int, [H, P(rec.RobotSafetyConfig)]),
    "rs_get_robot_safety_status": (c_int, [H, P(rec.OrpeSafetyStatus)]),
    "rs_set_regulate_speed_param": (c_int, [H, P(rec.RegulateSpeedModeParamConfig)]),
    "rs_get_regulate_speed_param": (c_int, [H, P(rec.RegulateSpeedModeParamConfig)]),
    "rs_enable_regulate_speed_mode": (c_int, [H, c_bool]),
    "rs_get_force_control_mode_explore_force_param": (c_int, [H, P(c_double), P(c_double)]),
    "rs_set_force_control_mode_explore_force_param": (c_int, [H, c_double, c_double]),
    "rs_enable_force_control_mode": (c_int, [H, c_bool]),
    "rs_get_realtime_force_data": (c_int, [H, P(c_double)]),
    # input/output
    "rs_get_board_io_config": (c_int, [H, c_int, P(rec.RobotIoDesc), c_int, P(c_int)]),
    "rs_get_board_io_status_by_name": (c_int, [H, c_int, c_char_p, P(c_double)]),
    "rs_get_board_io_status_by_addr": (c_int, [H, c_int, c_int, P(c_double)]),
    "rs_set_board_io_status_by_name": (c_int, [H, c_int, c_char_p, c_double]),
    "rs_set_board_io_status_by_addr": (c_int, [H, c_int, c_int, c_double]),
    "rs_set_tool_power_type": (c_int, [H, c_int]),
    "rs_get_tool_power_type": (c_int, [H, P(c_int)]),
    "rs_set_tool_io_type": (c_int, [H, c_int, c_int]),
    "rs_get_tool_power_voltage": (c_int, [H, P(c_double)]),
    "rs_get_tool_io_status": (c_int, [H, c_char_p, P(c_double)]),
    "rs_set_tool_do_status": (c_int, [H, c_char_p, c_int]),
    # callbacks and pushes
    "rs_setcallback_realtime_roadpoint": (c_int, [H, rec.RoadPointCallback, _VOID]),
    "rs_setcallback_realtime_joint_status": (c_int, [H, rec.JointStatusCallback, _VOID]),
    "rs_setcallback_realtime_end_speed": (c_int, [H, rec.EndSpeedCallback, _VOID]),
    "rs_setcallback_robot_event": (c_int, [H, rec.EventCallback, _VOID]),
    "rs_setcallback_movep_step_num": (c_int, [H, rec.StepNumCallback, _VOID]),
    "rs_setcallback_robot_loginfo": (c_int, [H, rec.LogCallback, _VOID]),
    "rs_enable_push_realtime_roadpoint": (c_int, [H, c_bool]),
    "rs_enable_push_realtime_joint_status": (c_int, [H, c_bool]),
    "rs_enable_push_realtime_end_speed": (c_int, [H, c_bool]),
    # joint servo parameters
    "rs_get_joint_common_data": (c_int, [H, P(rec.RobotJointCommonData)]),
    "rs_joint_save_data_flash": (c_int, [H, c_int]),
}
SERVO_PARAMETERS = ("current_ip", "current_ii", "current_id", "speed_p", "speed_i", "speed_d",
                    "speed_ds", "pos_p", "pos_i", "pos_d", "pos_ds")
for _name in SERVO_PARAMETERS:
    _SIGNATURES[f"rs_set_{_name}"] = (c_int, [H, c_int, c_uint16])


class Library:
    """One loaded libtevorobotsdk.so with every rs_* function declared."""

    def __init__(self, path: str) -> None:
        self.path = path
        if os.sep in path and not os.path.exists(path):
            raise LibraryNotFoundError(f"{path}: does not exist")
        try:
            self.cdll = ctypes.CDLL(path)
        except OSError as error:  # the text is dlerror()'s
            raise LibraryNotFoundError(f"{path}: could not be loaded: {error}") from None
        missing = []
        for name, (restype, argtypes) in _SIGNATURES.items():
            fn = getattr(self.cdll, name, None)
            if fn is None:
                missing.append(name)
                continue
            fn.restype = restype
            fn.argtypes = argtypes
            setattr(self, name, fn)  # a plain attribute: no lookup through __getattr__
        if missing:
            raise LibraryNotFoundError(
                f"{path}: not the SDK: missing symbol{'s' if len(missing) > 1 else ''} "
                f"{', '.join(missing[:5])}{' ...' if len(missing) > 5 else ''}")
        self.cdll.rs_initialize()

    def __getattr__(self, name: str):
        return getattr(self.cdll, name)

    def error_text(self, code: int) -> str:
        text = self.cdll.rs_str_error(code)
        return text.decode(errors="replace") if text else ""

    def last_refusal(self) -> Refusal:
        """The last refusal by a controller of a request made on the calling thread."""
        command_type, controller_code = c_int(-1), c_int(0)
        command = ctypes.create_string_buffer(_REFUSAL_COMMAND_SIZE)
        text = ctypes.create_string_buffer(_REFUSAL_TEXT_SIZE)
        if self.cdll.rs_last_controller_refusal(ctypes.byref(command_type),
                                                ctypes.byref(controller_code), command,
                                                len(command), text, len(text)) != 0:
            return NO_REFUSAL
        return Refusal(command_type.value, controller_code.value,
                       command.value.decode(errors="replace"), text.value.decode(errors="replace"))

    def error(self, code: int, operation: str, login: bool = False):
        """The exception for ``code`` returned by ``operation`` (an rs_* name, or a
        description for a login). Must run on the thread that made the call and
        before it makes another: a refused request's reason is kept per thread."""
        refused = code in (RESPONSE_RETURN_ERROR, REAL_ROBOT_NO_EXIST) or (login and code == FAILED)
        refusal = self.last_refusal() if refused else NO_REFUSAL
        if operation.startswith("rs_"):
            operation = operation[3:]
        return error_for(code, self.error_text(code), operation, refusal, login)

    def file_name(self) -> str:
        """The real file behind the path (its name carries the version)."""
        found = self.path
        if not os.path.isabs(found):
            found = _loaded_path(self.cdll) or found
        return os.path.realpath(found)


def _loaded_path(cdll: ctypes.CDLL) -> Optional[str]:
    """Where the dynamic loader found a library loaded by bare name."""
    try:
        with open("/proc/self/maps") as maps:
            for line in maps:
                if line.rstrip().endswith(".so") or ".so." in line:
                    path = line.split()[-1]
                    if os.path.basename(path).startswith("libtevorobotsdk.so"):
                        return path
    except OSError:
        pass
    return None


_lock = threading.Lock()
_loaded: Dict[str, Library] = {}


def _installed_candidates() -> List[str]:
    try:
        from . import _installed  # written by cmake --install
    except ImportError:
        return []
    here = Path(__file__).resolve().parent
    return [str((here / _installed.LIBRARY_RELATIVE_PATH).resolve())]


def candidates(explicit: Optional[str] = None) -> List[Tuple[str, str]]:
    """(where, path) to try, in order: only the explicit path or TEVO_ROBOT_LIB
    when one is given, else the automatic search."""
    if explicit:
        return [("library argument", os.fspath(explicit))]
    if os.environ.get(ENV_VAR):
        return [(ENV_VAR, os.environ[ENV_VAR])]
    found = [("install prefix", path) for path in _installed_candidates()]
    by_loader = ctypes.util.find_library("tevorobotsdk")
    found.append(("loader search path", by_loader or LIBRARY_NAME))
    return found


def load(path: Optional[str] = None) -> Library:
    """The library at ``path``, else the one found (see the module text)."""
    places = candidates(path)
    tried = []
    for where, candidate in places:
        with _lock:
            if candidate in _loaded:
                return _loaded[candidate]
            try:
                lib = Library(candidate)
            except LibraryNotFoundError as error:
                if where in ("library argument", ENV_VAR):
                    raise LibraryNotFoundError(f"{where}: {error}") from None
                tried.append(f"{where}: {error}")
                continue
            _loaded[candidate] = lib
            return lib
    raise LibraryNotFoundError(
        "libtevorobotsdk.so not found. Pass its path (Robot(library=...)), set "
        f"{ENV_VAR}, install the package with the SDK (cmake --install) or put the "
        "library on the loader's search path (LD_LIBRARY_PATH). Tried: " + "; ".join(tried))
