// The functions that forward one to one to the context's facade.
#include "handle/rsrobotcontrol_context.h"

using namespace tevo_robot_namespace;
using rs_handle::forward;

// The facade call of one forwarder; the pointers it dereferences follow it.
#define RS_CALL(call) [&](ServiceInterface& s) { return s.call; }
// For facade operations that return nothing.
#define RS_CALL_VOID(call)     \
    [&](ServiceInterface& s) { \
        s.call;                \
        return int{RS_SUCC};   \
    }

// ---- Global move profile ------------------------------------------------------------

int rs_init_global_move_profile(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceInitGlobalMoveProfile()));
}
int rs_set_global_joint_maxacc(RSHD rshd, const JointVelcAccParam* max_acc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveJointMaxAcc(*max_acc)), max_acc);
}
int rs_set_global_joint_maxvelc(RSHD rshd, const JointVelcAccParam* max_velc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveJointMaxVelc(*max_velc)), max_velc);
}
int rs_get_global_joint_maxacc(RSHD rshd, JointVelcAccParam* max_acc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveJointMaxAcc(*max_acc)), max_acc);
}
int rs_get_global_joint_maxvelc(RSHD rshd, JointVelcAccParam* max_velc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveJointMaxVelc(*max_velc)), max_velc);
}
int rs_set_global_end_max_line_acc(RSHD rshd, double max_acc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveEndMaxLineAcc(max_acc)));
}
int rs_set_global_end_max_line_velc(RSHD rshd, double max_velc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveEndMaxLineVelc(max_velc)));
}
int rs_get_global_end_max_line_acc(RSHD rshd, double* max_acc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveEndMaxLineAcc(*max_acc)), max_acc);
}
int rs_get_global_end_max_line_velc(RSHD rshd, double* max_velc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveEndMaxLineVelc(*max_velc)),
                   max_velc);
}
int rs_set_global_end_max_angle_acc(RSHD rshd, double max_acc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveEndMaxAngleAcc(max_acc)));
}
int rs_set_global_end_max_angle_velc(RSHD rshd, double max_velc) {
    return forward(rshd, RS_CALL(robotServiceSetGlobalMoveEndMaxAngleVelc(max_velc)));
}
int rs_get_global_end_max_angle_acc(RSHD rshd, double* max_acc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveEndMaxAngleAcc(*max_acc)), max_acc);
}
int rs_get_global_end_max_angle_velc(RSHD rshd, double* max_velc) {
    return forward(rshd, RS_CALL_VOID(robotServiceGetGlobalMoveEndMaxAngleVelc(*max_velc)),
                   max_velc);
}
int rs_remove_all_waypoint(RSHD rshd) {
    return forward(rshd, RS_CALL_VOID(robotServiceClearGlobalWayPointVector()));
}
int rs_add_waypoint(RSHD rshd, const double joint_radian[6]) {
    return forward(rshd, RS_CALL(robotServiceAddGlobalWayPoint(joint_radian)), joint_radian);
}
int rs_set_relative_offset_on_base(RSHD rshd, const MoveRelative* relative) {
    return forward(rshd, RS_CALL(robotServiceSetMoveRelativeParam(*relative)), relative);
}
int rs_set_relative_offset_on_user(RSHD rshd, const MoveRelative* relative,
                                   const CoordCalibrate* user_coord) {
    return forward(rshd, RS_CALL(robotServiceSetMoveRelativeParam(*relative, *user_coord)),
                   relative, user_coord);
}
int rs_set_no_arrival_ahead(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetNoArrivalAhead()));
}
int rs_set_arrival_ahead_distance(RSHD rshd, double distance) {
    return forward(rshd, RS_CALL(robotServiceSetArrivalAheadDistanceMode(distance)));
}
int rs_set_arrival_ahead_time(RSHD rshd, double second) {
    return forward(rshd, RS_CALL(robotServiceSetArrivalAheadTimeMode(second)));
}
int rs_set_arrival_ahead_blend(RSHD rshd, double distance) {
    return forward(rshd, RS_CALL(robotServiceSetArrivalAheadBlendDistanceMode(distance)));
}
int rs_set_teach_coord(RSHD rshd, const CoordCalibrate* teach_coord) {
    return forward(rshd, RS_CALL(robotServiceSetTeachCoordinateSystem(*teach_coord)), teach_coord);
}

// ---- Moves ------------------------------------------------------------------------------

int rs_move_joint(RSHD rshd, double joint_radian[6], bool isblock) {
    return forward(rshd, RS_CALL(robotServiceJointMove(joint_radian, isblock)), joint_radian);
}
int rs_move_joint_ex(RSHD rshd, MoveProfile_t* profile, double joint_radian[6], bool isblock) {
    return forward(rshd, RS_CALL(robotServiceJointMove(*profile, joint_radian, isblock)), profile,
                   joint_radian);
}
int rs_follow_mode_move_joint(RSHD rshd, double joint_radian[6]) {
    return forward(rshd, RS_CALL(robotServiceFollowModeJointMove(joint_radian)), joint_radian);
}
int rs_move_line(RSHD rshd, double joint_radian[6], bool isblock) {
    return forward(rshd, RS_CALL(robotServiceLineMove(joint_radian, isblock)), joint_radian);
}
int rs_move_line_ex(RSHD rshd, MoveProfile_t* profile, double joint_radian[6], bool isblock) {
    return forward(rshd, RS_CALL(robotServiceLineMove(*profile, joint_radian, isblock)), profile,
                   joint_radian);
}
int rs_move_rotate(RSHD rshd, const CoordCalibrate* user_coord, const Move_Rotate_Axis* rotate_axis,
                   double rotate_angle, bool isblock) {
    return forward(rshd,
                   RS_CALL(robotServiceRotateMove(*user_coord, rotate_axis->rotateAxis,
                                                  rotate_angle, isblock)),
                   user_coord, rotate_axis);
}
int rs_move_track(RSHD rshd, move_track sub_move_mode, bool isblock) {
    return forward(rshd, RS_CALL(robotServiceTrackMove(sub_move_mode, isblock)));
}
int rs_teach_move_start(RSHD rshd, teach_mode mode, bool direction) {
    return forward(rshd, RS_CALL(robotServiceTeachStart(mode, direction)));
}
int rs_teach_move_stop(RSHD rshd) { return forward(rshd, RS_CALL(robotServiceTeachStop())); }
int rs_move_stop(RSHD rshd) { return forward(rshd, RS_CALL(robotMoveStop())); }
int rs_move_fast_stop(RSHD rshd) { return forward(rshd, RS_CALL(robotMoveFastStop())); }
int rs_move_pause(RSHD rshd) {
    return forward(rshd, RS_CALL(rootServiceRobotMoveControl(RobotMovePause)));
}
int rs_move_continue(RSHD rshd) {
    return forward(rshd, RS_CALL(rootServiceRobotMoveControl(RobotMoveContinue)));
}
int rs_set_track_playback_cycle(RSHD rshd, double second) {
    return forward(rshd, RS_CALL(robotServiceSetTrackPlaybackCycle(second)));
}

// ---- Offline tracks and pass-through mode ----------------------------------------------

int rs_clear_offline_track(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceOfflineTrackWaypointClear()));
}
int rs_append_offline_track_file(RSHD rshd, const char* track_file) {
    return forward(rshd, RS_CALL(robotServiceOfflineTrackWaypointAppend(track_file)), track_file);
}
int rs_startup_offline_track(RSHD rshd, bool isblock) {
    return forward(rshd, RS_CALL(robotServiceOfflineTrackMoveStartup(isblock)));
}
int rs_stop_offline_track(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceOfflineTrackMoveStop()));
}
int rs_enter_tcp2canbus_mode(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceEnterTcp2CanbusMode()));
}
int rs_leave_tcp2canbus_mode(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceLeaveTcp2CanbusMode()));
}
int rs_set_waypoint_to_canbus(RSHD rshd, double joint_radian[6]) {
    return forward(rshd, RS_CALL(robotServiceSetRobotPosData2Canbus(joint_radian)), joint_radian);
}
int rs_servo_wait_period(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceServoWaitPeriod()));
}
int rs_servo_joint(RSHD rshd, const double joint_radian[6]) {
    return forward(rshd, RS_CALL(robotServiceServoJoint(joint_radian)), joint_radian);
}
int rs_servo_pose(RSHD rshd, const Pos* position, const Ori* orientation) {
    return forward(rshd, RS_CALL(robotServiceServoPose(*position, *orientation)), position,
                   orientation);
}
int rs_servo_stop(RSHD rshd) { return forward(rshd, RS_CALL(robotServiceServoStop())); }
int rs_servo_status(RSHD rshd, ServoStreamStatus* status) {
    return forward(rshd, RS_CALL_VOID(robotServiceServoStatus(*status)), status);
}
int rs_startup_excit_traj_track(RSHD rshd, const char* trackfile, char type, char subtype) {
    return forward(rshd,
                   RS_CALL(startupOfflineExcitTrajService(
                       trackfile, static_cast<Robot_Dyn_identify_traj>(type), subtype, true)),
                   trackfile);
}

// ---- Kinematics and frames ----------------------------------------------------------------

int rs_forward_kin(RSHD rshd, const double joint_radian[6], wayPoint_S* waypoint) {
    return forward(rshd, RS_CALL(robotServiceRobotFk(joint_radian, ARM_DOF, *waypoint)),
                   joint_radian, waypoint);
}
int rs_inverse_kin(RSHD rshd, const double joint_radian[6], const Pos* pos, const Ori* ori,
                   wayPoint_S* waypoint) {
    return forward(rshd, RS_CALL(robotServiceRobotIk(joint_radian, *pos, *ori, *waypoint)),
                   joint_radian, pos, ori, waypoint);
}
int rs_base_to_user(RSHD rshd, const Pos* flange_position_on_base,
                    const Ori* flange_orientation_on_base, const CoordCalibrate* user_coord,
                    const ToolInEndDesc* tool, Pos* tool_end_position_on_user,
                    Ori* tool_end_orientation_on_user) {
    return forward(rshd,
                   RS_CALL(baseToUserCoordinate(
                       *flange_position_on_base, *flange_orientation_on_base, *user_coord, *tool,
                       *tool_end_position_on_user, *tool_end_orientation_on_user)),
                   flange_position_on_base, flange_orientation_on_base, user_coord, tool,
                   tool_end_position_on_user, tool_end_orientation_on_user);
}
int rs_user_to_base(RSHD rshd, const Pos* tool_end_position_on_user,
                    const Ori* tool_end_orientation_on_user, const CoordCalibrate* user_coord,
                    const ToolInEndDesc* tool, Pos* flange_position_on_base,
                    Ori* flange_orientation_on_base) {
    return forward(rshd,
                   RS_CALL(userToBaseCoordinate(
                       *tool_end_position_on_user, *tool_end_orientation_on_user, *user_coord,
                       *tool, *flange_position_on_base, *flange_orientation_on_base)),
                   tool_end_position_on_user, tool_end_orientation_on_user, user_coord, tool,
                   flange_position_on_base, flange_orientation_on_base);
}
int rs_base_to_base_additional_tool(RSHD rshd, const Pos* flange_position_on_base,
                                    const Ori* flange_orientation_on_base,
                                    const ToolInEndDesc* tool, Pos* tool_end_position_on_base,
                                    Ori* tool_end_orientation_on_base) {
    return forward(rshd,
                   RS_CALL(baseToBaseAdditionalTool(
                       *flange_position_on_base, *flange_orientation_on_base, *tool,
                       *tool_end_position_on_base, *tool_end_orientation_on_base)),
                   flange_position_on_base, flange_orientation_on_base, tool,
                   tool_end_position_on_base, tool_end_orientation_on_base);
}
int rs_rpy_to_quaternion(RSHD rshd, const Rpy* rpy, Ori* ori) {
    return forward(rshd, RS_CALL(RPYToQuaternion(*rpy, *ori)), rpy, ori);
}
int rs_quaternion_to_rpy(RSHD rshd, const Ori* ori, Rpy* rpy) {
    return forward(rshd, RS_CALL(quaternionToRPY(*ori, *rpy)), ori, rpy);
}
int rs_check_user_coord(RSHD rshd, const CoordCalibrate* user_coord) {
    return forward(rshd, RS_CALL(robotServiceCheckUserCoordinate(*user_coord)), user_coord);
}
int rs_user_coord_calibrate(RSHD rshd, const CoordCalibrate* user_coord, double bInWPos[3],
                            double bInWOri[9], double wInBPos[3]) {
    return forward(
        rshd,
        RS_CALL(robotServiceUserCoordinateCalibration(*user_coord, bInWPos, bInWOri, wInBPos)),
        user_coord, bInWPos, bInWOri, wInBPos);
}

// ---- Tool parameters ---------------------------------------------------------------------

int rs_set_tool_end_param(RSHD rshd, const ToolInEndDesc* tool) {
    return forward(rshd, RS_CALL(robotServiceSetToolKinematicsParam(*tool)), tool);
}
int rs_set_tool_kinematics_param(RSHD rshd, const ToolInEndDesc* tool) {
    return forward(rshd, RS_CALL(robotServiceSetToolKinematicsParam(*tool)), tool);
}
int rs_set_none_tool_kinematics_param(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetNoneToolKinematicsParam()));
}
int rs_get_tool_kinematics_param(RSHD rshd, ToolInEndDesc* tool) {
    return forward(rshd, RS_CALL(robotServiceGetToolKinematicsParam(*tool)), tool);
}
int rs_set_none_tool_dynamics_param(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetNoneToolDynamicsParam()));
}
int rs_set_tool_dynamics_param(RSHD rshd, const ToolDynamicsParam* tool) {
    return forward(rshd, RS_CALL(robotServiceSetToolDynamicsParam(*tool)), tool);
}
int rs_get_tool_dynamics_param(RSHD rshd, ToolDynamicsParam* tool) {
    return forward(rshd, RS_CALL(robotServiceGetToolDynamicsParam(*tool)), tool);
}

// ---- Arm state and control ------------------------------------------------------------------

int rs_robot_startup(RSHD rshd, const ToolDynamicsParam* tool, uint8_t colli_class, bool read_pos,
                     bool static_collision_detect, int board_maxacc, ROBOT_SERVICE_STATE* state) {
    return forward(
        rshd,
        RS_CALL(rootServiceRobotStartup(*tool, colli_class, read_pos, static_collision_detect,
                                        board_maxacc, *state, true)),
        tool, state);
}
int rs_robot_shutdown(RSHD rshd) { return forward(rshd, RS_CALL(robotServiceRobotShutdown(true))); }
int rs_collision_recover(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceCollisionRecover()));
}
int rs_get_robot_state(RSHD rshd, RobotState* state) {
    return forward(rshd, RS_CALL(robotServiceGetRobotCurrentState(*state)), state);
}
int rs_set_work_mode(RSHD rshd, RobotWorkMode mode) {
    return forward(rshd, RS_CALL(robotServiceSetRobotWorkMode(mode)));
}
int rs_get_work_mode(RSHD rshd, RobotWorkMode* mode) {
    return forward(rshd, RS_CALL(robotServiceGetRobotWorkMode(*mode)), mode);
}
int rs_get_gravity_component(RSHD rshd, RobotGravityComponent* gravity) {
    return forward(rshd, RS_CALL(robotServiceGetRobotGravityComponent(*gravity)), gravity);
}
int rs_set_collision_class(RSHD rshd, int grade) {
    return forward(rshd, RS_CALL(robotServiceSetRobotCollisionClass(grade)));
}
int rs_get_device_info(RSHD rshd, RobotDevInfo* dev) {
    return forward(rshd, RS_CALL(robotServiceGetRobotDevInfoService(*dev)), dev);
}
int rs_is_have_real_robot(RSHD rshd, bool* exist) {
    return forward(rshd, RS_CALL(robotServiceGetIsRealRobotExist(*exist)), exist);
}
int rs_is_online_mode(RSHD rshd, bool* isonline) {
    return forward(rshd, RS_CALL(robotServiceIsOnlineMode(*isonline)), isonline);
}
int rs_is_online_master_mode(RSHD rshd, bool* ismaster) {
    return forward(rshd, RS_CALL(robotServiceIsOnlineMasterMode(*ismaster)), ismaster);
}
int rs_get_current_waypoint(RSHD rshd, wayPoint_S* waypoint) {
    return forward(rshd, RS_CALL(robotServiceGetCurrentWaypointInfo(*waypoint)), waypoint);
}
int rs_get_diagnosis_info(RSHD rshd, RobotDiagnosis* info) {
    return forward(rshd, RS_CALL(robotServiceGetRobotDiagnosisInfo(*info)), info);
}
int rs_robot_control(RSHD rshd, RobotControlCommand cmd) {
    return forward(rshd, RS_CALL(rootServiceRobotControl(cmd)));
}
int rs_set_client_status_pause(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetRobotOrpePause(1)));
}
int rs_set_client_status_continue(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetRobotOrpePause(2)));
}
int rs_set_client_status_stop(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetRobotOrpeStop(1)));
}
int rs_set_client_status_run(RSHD rshd) {
    return forward(rshd, RS_CALL(robotServiceSetRobotOrpeStop(2)));
}
int rs_get_socket_status(RSHD rshd, bool* connected) {
    return forward(rshd, RS_CALL(robotServiceGetMacCommunicationStatus(*connected)), connected);
}
int rs_set_robot_recognition_param(RSHD rshd, const RobotRecongnitionParam* param) {
    return forward(rshd, RS_CALL(robotServiceSetRobotRecognitionParam(*param)), param);
}
int rs_get_robot_recognition_param(RSHD rshd, int type, RobotRecongnitionParam* param) {
    return forward(rshd, RS_CALL(robotServiceGetRobotRecognitionParam(type, *param)), param);
}
int rs_get_robot_safety_config(RSHD rshd, RobotSafetyConfig* config) {
    return forward(rshd, RS_CALL(robotServiceGetRobotSafetyConfig(*config)), config);
}
int rs_set_robot_safety_config(RSHD rshd, const RobotSafetyConfig* config) {
    return forward(rshd, RS_CALL(robotServiceSetRobotSafetyConfig(*config)), config);
}
int rs_get_robot_safety_status(RSHD rshd, OrpeSafetyStatus* status) {
    return forward(rshd, RS_CALL(robotServiceGetOrpeSafetyStatus(*status)), status);
}
int rs_set_regulate_speed_param(RSHD rshd, const RegulateSpeedModeParamConfig_t* config) {
    return forward(rshd, RS_CALL(robotServiceSetRegulateSpeedModeParam(*config)), config);
}
int rs_get_regulate_speed_param(RSHD rshd, RegulateSpeedModeParamConfig_t* config) {
    return forward(rshd, RS_CALL(robotServiceGetRegulateSpeedModeParam(*config)), config);
}
int rs_enable_regulate_speed_mode(RSHD rshd, bool enable) {
    return forward(rshd, RS_CALL(robotServiceEnableRegulateSpeedMode(enable)));
}
int rs_get_force_control_mode_explore_force_param(RSHD rshd, double* force_limit,
                                                  double* dist_limit) {
    return forward(
        rshd, RS_CALL(robotServiceGetForceControlModeExploreForceParam(*force_limit, *dist_limit)),
        force_limit, dist_limit);
}
int rs_set_force_control_mode_explore_force_param(RSHD rshd, double force_limit,
                                                  double dist_limit) {
    return forward(
        rshd, RS_CALL(robotServiceSetForceControlModeExploreForceParam(force_limit, dist_limit)));
}
int rs_enable_force_control_mode(RSHD rshd, bool enable) {
    return forward(rshd, RS_CALL(robotServicEnableForceControlModeService(enable)));
}
int rs_get_realtime_force_data(RSHD rshd, double force_data[6]) {
    return forward(rshd, RS_CALL(robotServiceGetRealtimeForceData(force_data)), force_data);
}

// ---- Input/output ------------------------------------------------------------------------

int rs_get_board_io_status_by_name(RSHD rshd, RobotIoType type, const char* name, double* val) {
    return forward(rshd, RS_CALL(robotServiceGetBoardIOStatus(type, std::string(name), *val)), name,
                   val);
}
int rs_get_board_io_status_by_addr(RSHD rshd, RobotIoType type, int addr, double* val) {
    return forward(rshd, RS_CALL(robotServiceGetBoardIOStatus(type, addr, *val)), val);
}
int rs_set_board_io_status_by_name(RSHD rshd, RobotIoType type, const char* name, double val) {
    return forward(rshd, RS_CALL(robotServiceSetBoardIOStatus(type, std::string(name), val)), name);
}
int rs_set_board_io_status_by_addr(RSHD rshd, RobotIoType type, int addr, double val) {
    return forward(rshd, RS_CALL(robotServiceSetBoardIOStatus(type, addr, val)));
}
int rs_set_tool_power_type(RSHD rshd, ToolPowerType type) {
    return forward(rshd, RS_CALL(robotServiceSetToolPowerVoltageType(type)));
}
int rs_get_tool_power_type(RSHD rshd, ToolPowerType* type) {
    return forward(rshd, RS_CALL(robotServiceGetToolPowerVoltageType(*type)), type);
}
int rs_set_tool_io_type(RSHD rshd, ToolDigitalIOAddr addr, ToolIOType type) {
    return forward(rshd, RS_CALL(robotServiceSetToolDigitalIOType(addr, type)));
}
int rs_get_tool_power_voltage(RSHD rshd, double* voltage) {
    return forward(rshd, RS_CALL(robotServiceGetToolPowerVoltageStatus(*voltage)), voltage);
}
int rs_get_tool_io_status(RSHD rshd, const char* name, double* val) {
    return forward(rshd, RS_CALL(robotServiceGetToolIoStatus(std::string(name), *val)), name, val);
}
int rs_set_tool_do_status(RSHD rshd, const char* name, IO_STATUS status) {
    return forward(rshd, RS_CALL(robotServiceSetToolDOStatus(std::string(name), status)), name);
}

// ---- Pushes --------------------------------------------------------------------------------

int rs_enable_push_realtime_roadpoint(RSHD rshd, bool enable) {
    return forward(rshd, RS_CALL(robotServiceSetRealTimeRoadPointPush(enable)));
}
int rs_enable_push_realtime_joint_status(RSHD rshd, bool enable) {
    return forward(rshd, RS_CALL(robotServiceSetRealTimeJointStatusPush(enable)));
}
int rs_enable_push_realtime_end_speed(RSHD rshd, bool enable) {
    return forward(rshd, RS_CALL(robotServiceSetRealTimeEndSpeedPush(enable)));
}

// ---- Joint servo parameters ----------------------------------------------------------------

int rs_get_joint_common_data(RSHD rshd, RobotJointCommonData* data) {
    return forward(rshd, RS_CALL(robotServiceGetJointCommonData(data->data, ARM_DOF)), data);
}
int rs_set_current_ip(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_CurrentIP(joint_id, value)));
}
int rs_set_current_ii(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_CurrentII(joint_id, value)));
}
int rs_set_current_id(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_CurrentID(joint_id, value)));
}
int rs_set_speed_p(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_SpeedP(joint_id, value)));
}
int rs_set_speed_i(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_SpeedI(joint_id, value)));
}
int rs_set_speed_d(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_SpeedD(joint_id, value)));
}
int rs_set_speed_ds(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_SpeedDS(joint_id, value)));
}
int rs_set_pos_p(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_PosP(joint_id, value)));
}
int rs_set_pos_i(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_PosI(joint_id, value)));
}
int rs_set_pos_d(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_PosD(joint_id, value)));
}
int rs_set_pos_ds(RSHD rshd, int joint_id, uint16_t value) {
    return forward(rshd, RS_CALL(robotServiceSetJointParam_PosDS(joint_id, value)));
}
int rs_joint_save_data_flash(RSHD rshd, int joint_id) {
    return forward(rshd, RS_CALL(robotServiceJointSaveDataFlash(joint_id)));
}
