/* The handle interface: the library as plain functions with C linkage.
 *
 * A caller creates a context (rs_create_context) and gets a small integer
 * handle (RSHD); every other function takes the handle first, looks the
 * context up and forwards to the context's ServiceInterface. The header is
 * valid C99 and C++: C sees plain records laid out exactly like the library's
 * value types (TevoRobotMetaType.h), C++ sees those types themselves.
 *
 * Results: 0 on success, a RobotErrorCode when the operation failed, or one
 * of the interface's own codes:
 *   1001 RS_ERR_TOO_MANY_CONTEXTS  32 contexts are alive already
 *   1002 RS_ERR_NO_CONTEXT         no context has this handle (logged)
 *   1003 RS_ERR_OUT_OF_RANGE       an argument outside the accepted range
 * A null pointer where a record is expected gives ErrCode_ParamError (10002).
 * A count or capacity outside its range gives 1003 and a log line, and nothing
 * is sent. No function lets an exception out: one raised inside (a shortage of
 * memory or threads) gives ErrCode_Failed (10001) and a log line naming the
 * function, the handle and the exception.
 * Five functions return bool: true when the operation failed or no context has
 * the handle, false on success.
 *
 * Threads: every function may be called from any thread. A context stays
 * alive while a call on it runs: destroying it (or rs_uninitialize) removes
 * the handle at once (later calls get 1002), stops its callbacks (none
 * registered through the handle runs once the destroy has returned, except one
 * that made the destroy call itself) and logs it out, which ends a call
 * blocked on it, such as a blocking move, with ErrCode_SocketDisconnect
 * (10004). The context is released when the last running call returns and
 * counts toward the 32 until then. Handles are not reused until the 16-bit
 * counter wraps. Blocking behaviour is that of the ServiceInterface operation
 * each function forwards to (see serviceinterface.h). Callbacks run on the
 * context's receive thread (pushes) or event thread (robot events); the log
 * callback is one per process.
 *
 * Enumerations are int-sized; in C they are plain ints. */
#ifndef RSROBOTCONTROL_H
#define RSROBOTCONTROL_H

#include <stdint.h>

#ifdef __cplusplus
#include "TevoRobotMetaType.h"
#define RS_TYPE(name) rs_types::name
#else
#include <stdbool.h>
#define RS_TYPE(name) name
#endif

/* ---- C records: the layout of the library's value types ----------------
 * Declared for C; C++ gets them in namespace rs_c_records only when
 * RSROBOTCONTROL_C_RECORDS is defined (the layout test compares them). */
#if !defined(__cplusplus) || defined(RSROBOTCONTROL_C_RECORDS)
#ifdef __cplusplus
namespace rs_c_records {
#endif

enum { ARM_DOF = 6 };

typedef int coordinate_refer;
enum { BaseCoordinate = 0, EndCoordinate = 1, WorldCoordinate = 2 };
typedef int CoordCalibrateMathod;
typedef int move_track;
typedef int teach_mode;
typedef int RobotState;
typedef int RobotWorkMode;
typedef int ROBOT_SERVICE_STATE;
typedef int RobotControlCommand;
typedef int RobotIoType;
enum {
    RobotBoardControllerDI = 0,
    RobotBoardControllerDO = 1,
    RobotBoardControllerAI = 2,
    RobotBoardControllerAO = 3,
    RobotBoardUserDI = 4,
    RobotBoardUserDO = 5,
    RobotBoardUserAI = 6,
    RobotBoardUserAO = 7,
    RobotToolDI = 8,
    RobotToolDO = 9,
    RobotToolAI = 10,
    RobotToolAO = 11
};
typedef int IO_STATUS;
typedef int ToolDigitalIOAddr;
typedef int ToolIOType;
typedef int ToolPowerType;
typedef int POSITION_ORIENTATION_TYPE;
typedef int LOG_LEVEL;
enum { LL_INFO = 0, LL_DEBUG = 1, LL_WARN = 2, LL_ERROR = 3, LL_FATAL = 4 };

typedef struct Pos {
    double x;
    double y;
    double z;
} Pos;

typedef struct Ori {
    double w;
    double x;
    double y;
    double z;
} Ori;

typedef struct Rpy {
    double rx;
    double ry;
    double rz;
} Rpy;

typedef union cartesianPos_U {
    Pos position;
    double positionVector[3];
} cartesianPos_U;

typedef struct ToolInEndDesc {
    Pos toolInEndPosition;
    Ori toolInEndOrientation;
} ToolInEndDesc;

typedef struct wayPoint_S {
    cartesianPos_U cartPos;
    Ori orientation;
    double jointpos[6];
} wayPoint_S;

typedef struct JointParam {
    double jointPos[6];
} JointParam;

typedef struct JointVelcAccParam {
    double jointPara[6];
} JointVelcAccParam;

typedef struct RangeOfMotion {
    double minValue;
    double maxValue;
} RangeOfMotion;

typedef struct CoordCalibrateByJointAngleAndTool {
    coordinate_refer coordType;
    CoordCalibrateMathod methods;
    JointParam wayPointArray[3];
    ToolInEndDesc toolDesc;
} CoordCalibrateByJointAngleAndTool;
typedef CoordCalibrateByJointAngleAndTool CoordCalibrate;

typedef struct MoveRelative {
    bool ena;
    float relativePosition[3];
    Ori relativeOri;
} MoveRelative;

typedef struct MoveProfile_t {
    double jointMaxAcc[6];
    double jointMaxVelc[6];
    double endMaxLineAcc;
    double endMaxLineVelc;
    MoveRelative relative;
    CoordCalibrateByJointAngleAndTool relativeOnCoord;
    double blendRadius;
    ToolInEndDesc toolInEndDesc;
} MoveProfile_t;

typedef struct RegulateSpeedModeParamConfig_t {
    double maxTcpVelocity;
    double maxTcpAcceleration;
    double maxJointVelocity[6];
    double maxJointAcceleration[6];
} RegulateSpeedModeParamConfig_t;

typedef struct ToolInertia {
    double xx;
    double xy;
    double xz;
    double yy;
    double yz;
    double zz;
} ToolInertia;

typedef struct ToolDynamicsParam {
    double positionX;
    double positionY;
    double positionZ;
    double payload;
    ToolInertia toolInertia;
} ToolDynamicsParam;

typedef struct JointStatus {
    int32_t jointCurrentI;
    int32_t jointSpeedMoto;
    float jointPosJ;
    float jointCurVol;
    float jointCurTemp;
    int32_t jointTagCurrentI;
    float jointTagSpeedMoto;
    float jointTagPosJ;
    uint16_t jointErrorNum;
} JointStatus;

typedef struct RobotDiagnosis {
    uint8_t armCanbusStatus;
    float armPowerCurrent;
    float armPowerVoltage;
    bool armPowerStatus;
    int8_t contorllerTemp;
    uint8_t contorllerHumidity;
    bool remoteHalt;
    bool softEmergency;
    bool remoteEmergency;
    bool robotCollision;
    bool forceControlMode;
    bool brakeStuats;
    float robotEndSpeed;
    int32_t robotMaxAcc;
    bool orpeStatus;
    bool enableReadPose;
    bool robotMountingPoseChanged;
    bool encoderErrorStatus;
    bool staticCollisionDetect;
    uint8_t jointCollisionDetect;
    bool encoderLinesError;
    bool jointErrorStatus;
    bool singularityOverSpeedAlarm;
    bool robotCurrentAlarm;
    uint8_t toolIoError;
    bool robotMountingPoseWarning;
    uint16_t macTargetPosBufferSize;
    uint16_t macTargetPosDataSize;
    uint8_t macDataInterruptWarning;
    uint8_t controlBoardAbnormalStateFlag;
} RobotDiagnosis;

typedef struct RobotGravityComponent {
    float x;
    float y;
    float z;
} RobotGravityComponent;

typedef struct RobotRecongnitionParam {
    uint8_t type;
    uint8_t length;
    uint8_t data[256];
} RobotRecongnitionParam;

typedef struct JointVersion {
    char hw_version[8];
    char sw_version[16];
} JointVersion;

typedef struct JointProductID {
    char productID[16];
} JointProductID;

typedef struct RobotDevInfo {
    uint8_t type;
    char revision[16];
    char manu_id[16];
    char joint_type[16];
    JointVersion joint_ver[8];
    char desc[64];
    JointProductID jointProductID[8];
    char slave_version[16];
    char extio_version[16];
} RobotDevInfo;

typedef struct JointCommonData {
    uint16_t JointCurVol;
    uint16_t JointCurTemp;
    uint16_t JointWorkMode;
    uint16_t JointDriEnable;
    uint16_t JointOpenPwm;
    int32_t JointTagCurrent;
    int32_t JointTagSpeed;
    int32_t JointTagPos;
    uint16_t JointMaxCur;
    uint16_t JointMaxSpeed;
    uint16_t JointMaxAcc;
    int32_t JointMINPos;
    int32_t JointMAXPos;
    uint16_t JointSEVLock;
    uint16_t JointCurP;
    uint16_t JointCurI;
    uint16_t JointCurD;
    uint16_t JointSpeedP;
    uint16_t JointSpeedI;
    uint16_t JointSpeedD;
    uint16_t JointSpeedDS;
    uint16_t JointPosP;
    uint16_t JointPosI;
    uint16_t JointPosD;
    uint16_t JointPosDS;
} JointCommonData;

typedef struct RobotJointCommonData {
    JointCommonData data[6];
} RobotJointCommonData;

typedef struct RobotSafetyConfig {
    uint16_t robotReducedConfigJointSpeed[6];
    uint32_t robotReducedConfigTcpSpeed;
    uint32_t robotReducedConfigTcpForce;
    uint32_t robotReducedConfigMomentum;
    uint32_t robotReducedConfigPower;
    uint8_t robotSafeguradResetConfig;
    uint8_t robotOperationalModeConfig;
} RobotSafetyConfig;

typedef struct OrpeSafetyStatus {
    uint8_t orpePause;
    uint8_t orpeStop;
    uint8_t orpeError[16];
    uint8_t systemEmergencyStop;
    uint8_t reducedModeError;
    uint8_t safetyguardResetSucc;
} OrpeSafetyStatus;

typedef struct RobotIoDesc {
    char ioId[32];
    RobotIoType ioType;
    char ioName[32];
    int ioAddr;
    double ioValue;
} RobotIoDesc;

typedef void (*RealTimeJointStatusCallback)(const JointStatus* jointStatus, int size, void* arg);
typedef void (*RealTimeRoadPointCallback)(const wayPoint_S* wayPoint, void* arg);
typedef void (*RealTimeEndSpeedCallback)(double speed, void* arg);
typedef void (*RealTimeMovepStepNumNotifyCallback)(int stepNum, void* arg);
typedef void (*RobotLogPrintCallback)(LOG_LEVEL level, const char* log, void* arg);

#ifdef __cplusplus
}  // namespace rs_c_records
#endif
#endif /* C records */

#ifdef __cplusplus
/* The library's value types, namespaced and global, under one name. */
namespace rs_types {
using namespace tevo_robot_namespace;
typedef ::RobotJointCommonData RobotJointCommonData;
typedef ::RealTimeJointStatusCallback RealTimeJointStatusCallback;
typedef ::RealTimeRoadPointCallback RealTimeRoadPointCallback;
typedef ::RealTimeEndSpeedCallback RealTimeEndSpeedCallback;
typedef ::RealTimeMovepStepNumNotifyCallback RealTimeMovepStepNumNotifyCallback;
typedef ::RobotLogPrintCallback RobotLogPrintCallback;
}  // namespace rs_types
extern "C" {
#endif

/* ---- Records of the handle interface ------------------------------------ */

typedef uint16_t RSHD;

enum {
    RS_SUCC = 0,
    RS_ERR_TOO_MANY_CONTEXTS = 1001,
    RS_ERR_NO_CONTEXT = 1002,
    RS_ERR_OUT_OF_RANGE = 1003
};

/* Up to eight inverse kinematics solutions. */
typedef struct ik_solutions {
    RS_TYPE(wayPoint_S) waypoint[8];
    int solution_count;
} ik_solutions;

typedef struct Move_Rotate_Axis {
    double rotateAxis[3];
} Move_Rotate_Axis;

/* A robot event as C sees it; eventContent is valid during the callback. */
typedef struct rs_robot_event_info {
    int eventType;
    int eventCode;
    const char* eventContent;
} rs_robot_event_info;

typedef void (*rs_robot_event_callback)(const rs_robot_event_info* eventInfo, void* arg);

/* ---- Library and contexts ------------------------------------------------- */

int rs_initialize(void);
/* Removes every context (each released when its last running call returns). */
int rs_uninitialize(void);
int rs_create_context(RSHD* rshd);
int rs_destory_context(RSHD rshd);
/* Logs in with the interface's fixed user name and password; a port outside
   1..65535 gives 10002 without connecting. */
int rs_login(RSHD rshd, const char* addr, int port);
int rs_logout(RSHD rshd);
int rs_get_login_status(RSHD rshd, bool* status);
/* The code's message text ("" for a code without one); static storage. */
const char* rs_str_error(int err);

void print_plan(const RS_TYPE(CoordCalibrate) * plan);
void print_move_relative_offset(const RS_TYPE(MoveRelative) * offset);
void print_waypoint(const RS_TYPE(wayPoint_S) * waypoint);
void print_tool_dynamics(const RS_TYPE(ToolDynamicsParam) * tool);

/* ---- Global move profile (process-wide, no request) ----------------------- */

int rs_init_global_move_profile(RSHD rshd);
int rs_set_global_joint_maxacc(RSHD rshd, const RS_TYPE(JointVelcAccParam) * max_acc);
int rs_set_global_joint_maxvelc(RSHD rshd, const RS_TYPE(JointVelcAccParam) * max_velc);
int rs_get_global_joint_maxacc(RSHD rshd, RS_TYPE(JointVelcAccParam) * max_acc);
int rs_get_global_joint_maxvelc(RSHD rshd, RS_TYPE(JointVelcAccParam) * max_velc);
int rs_set_global_end_max_line_acc(RSHD rshd, double max_acc);
int rs_set_global_end_max_line_velc(RSHD rshd, double max_velc);
int rs_get_global_end_max_line_acc(RSHD rshd, double* max_acc);
int rs_get_global_end_max_line_velc(RSHD rshd, double* max_velc);
int rs_set_global_end_max_angle_acc(RSHD rshd, double max_acc);
int rs_set_global_end_max_angle_velc(RSHD rshd, double max_velc);
int rs_get_global_end_max_angle_acc(RSHD rshd, double* max_acc);
int rs_get_global_end_max_angle_velc(RSHD rshd, double* max_velc);
int rs_remove_all_waypoint(RSHD rshd);
int rs_add_waypoint(RSHD rshd, const double joint_radian[6]);
/* 0 < radius <= 0.05 m, else 1003. */
int rs_set_blend_radius(RSHD rshd, double radius);
/* 1 to 1000, else 1003. */
int rs_set_circular_loop_times(RSHD rshd, int times);
int rs_set_relative_offset_on_base(RSHD rshd, const RS_TYPE(MoveRelative) * relative);
int rs_set_relative_offset_on_user(RSHD rshd, const RS_TYPE(MoveRelative) * relative,
                                   const RS_TYPE(CoordCalibrate) * user_coord);
int rs_set_no_arrival_ahead(RSHD rshd);
int rs_set_arrival_ahead_distance(RSHD rshd, double distance);
int rs_set_arrival_ahead_time(RSHD rshd, double second);
int rs_set_arrival_ahead_blend(RSHD rshd, double distance);
int rs_set_teach_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * teach_coord);
/* The context's user frame for rs_move_line_to / rs_move_joint_to (base until set). */
int rs_set_user_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord);
int rs_set_base_coord(RSHD rshd);

/* ---- Moves ----------------------------------------------------------------- */

int rs_move_joint(RSHD rshd, double joint_radian[6], bool isblock);
int rs_move_joint_ex(RSHD rshd, RS_TYPE(MoveProfile_t) * profile, double joint_radian[6],
                     bool isblock);
int rs_follow_mode_move_joint(RSHD rshd, double joint_radian[6]);
int rs_move_line(RSHD rshd, double joint_radian[6], bool isblock);
int rs_move_line_ex(RSHD rshd, RS_TYPE(MoveProfile_t) * profile, double joint_radian[6],
                    bool isblock);
int rs_move_rotate(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord,
                   const Move_Rotate_Axis* rotate_axis, double rotate_angle, bool isblock);
int rs_move_track(RSHD rshd, RS_TYPE(move_track) sub_move_mode, bool isblock);
int rs_move_line_to(RSHD rshd, const RS_TYPE(Pos) * target, const RS_TYPE(ToolInEndDesc) * tool,
                    bool isblock);
int rs_move_joint_to(RSHD rshd, const RS_TYPE(Pos) * target, const RS_TYPE(ToolInEndDesc) * tool,
                     bool isblock);
int rs_teach_move_start(RSHD rshd, RS_TYPE(teach_mode) mode, bool direction);
int rs_teach_move_stop(RSHD rshd);
int rs_move_stop(RSHD rshd);
int rs_move_fast_stop(RSHD rshd);
int rs_move_pause(RSHD rshd);
int rs_move_continue(RSHD rshd);
int rs_set_track_playback_cycle(RSHD rshd, double second);

/* ---- Offline tracks and pass-through mode ---------------------------------- */

int rs_clear_offline_track(RSHD rshd);
/* At most 3000 joint sets (and not negative), else 1003 and nothing is sent. */
int rs_append_offline_track_waypoint(RSHD rshd, const RS_TYPE(JointParam) * waypoints,
                                     int waypoint_count);
int rs_append_offline_track_file(RSHD rshd, const char* track_file);
int rs_startup_offline_track(RSHD rshd, bool isblock);
int rs_stop_offline_track(RSHD rshd);
int rs_enter_tcp2canbus_mode(RSHD rshd);
int rs_leave_tcp2canbus_mode(RSHD rshd);
int rs_set_waypoint_to_canbus(RSHD rshd, double joint_radian[6]);
/* waypint_count (1 to 5000, else 1003 and nothing is sent) sets of six joint
 * angles, one after the other. */
int rs_set_waypoints_to_canbus(RSHD rshd, const double* joint_radian, int waypint_count);
int rs_startup_excit_traj_track(RSHD rshd, const char* trackfile, char type, char subtype);
/* Copies at most capacity (0 to 1048576, else failure) results and stores
 * their number in size_return. */
bool rs_get_dynidentify_results(RSHD rshd, int* results, int capacity, int* size_return);
int rs_parse_roadpoint_file_and_cache_result(RSHD rshd, const char* file_path,
                                             const double refer_joint_radian[6],
                                             RS_TYPE(ToolInEndDesc) * tool,
                                             RS_TYPE(wayPoint_S) * first_waypoint);
int rs_move_cached_track(RSHD rshd);
/* Copies the first min(parsed, waypoint_size) waypoints; their number goes to size_return.
   Reading stops once waypoint_size points (at least 3) are converted: the lines after
   them are not read. */
int rs_parse_file_as_roadpoint_collection(RSHD rshd, const char* file_path,
                                          RS_TYPE(POSITION_ORIENTATION_TYPE) pose_type,
                                          const double refer_joint_radian[6],
                                          const RS_TYPE(ToolInEndDesc) * tool,
                                          RS_TYPE(wayPoint_S) * way_point, int waypoint_size,
                                          int* size_return);

/* ---- Kinematics and frames (local) ----------------------------------------- */

int rs_forward_kin(RSHD rshd, const double joint_radian[6], RS_TYPE(wayPoint_S) * waypoint);
int rs_inverse_kin(RSHD rshd, const double joint_radian[6], const RS_TYPE(Pos) * pos,
                   const RS_TYPE(Ori) * ori, RS_TYPE(wayPoint_S) * waypoint);
int rs_inverse_kin_closed_form(RSHD rshd, const RS_TYPE(Pos) * pos, const RS_TYPE(Ori) * ori,
                               ik_solutions* solutions);
int rs_base_to_user(RSHD rshd, const RS_TYPE(Pos) * flange_position_on_base,
                    const RS_TYPE(Ori) * flange_orientation_on_base,
                    const RS_TYPE(CoordCalibrate) * user_coord, const RS_TYPE(ToolInEndDesc) * tool,
                    RS_TYPE(Pos) * tool_end_position_on_user,
                    RS_TYPE(Ori) * tool_end_orientation_on_user);
int rs_user_to_base(RSHD rshd, const RS_TYPE(Pos) * tool_end_position_on_user,
                    const RS_TYPE(Ori) * tool_end_orientation_on_user,
                    const RS_TYPE(CoordCalibrate) * user_coord, const RS_TYPE(ToolInEndDesc) * tool,
                    RS_TYPE(Pos) * flange_position_on_base,
                    RS_TYPE(Ori) * flange_orientation_on_base);
int rs_base_to_base_additional_tool(RSHD rshd, const RS_TYPE(Pos) * flange_position_on_base,
                                    const RS_TYPE(Ori) * flange_orientation_on_base,
                                    const RS_TYPE(ToolInEndDesc) * tool,
                                    RS_TYPE(Pos) * tool_end_position_on_base,
                                    RS_TYPE(Ori) * tool_end_orientation_on_base);
int rs_rpy_to_quaternion(RSHD rshd, const RS_TYPE(Rpy) * rpy, RS_TYPE(Ori) * ori);
int rs_quaternion_to_rpy(RSHD rshd, const RS_TYPE(Ori) * ori, RS_TYPE(Rpy) * rpy);
int rs_check_user_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord);
int rs_user_coord_calibrate(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord,
                            double bInWPos[3], double bInWOri[9], double wInBPos[3]);

/* ---- Tool parameters -------------------------------------------------------- */

int rs_set_tool_end_param(RSHD rshd, const RS_TYPE(ToolInEndDesc) * tool);
int rs_set_tool_kinematics_param(RSHD rshd, const RS_TYPE(ToolInEndDesc) * tool);
int rs_set_none_tool_kinematics_param(RSHD rshd);
int rs_get_tool_kinematics_param(RSHD rshd, RS_TYPE(ToolInEndDesc) * tool);
int rs_set_none_tool_dynamics_param(RSHD rshd);
int rs_set_tool_dynamics_param(RSHD rshd, const RS_TYPE(ToolDynamicsParam) * tool);
int rs_get_tool_dynamics_param(RSHD rshd, RS_TYPE(ToolDynamicsParam) * tool);

/* ---- Arm state and control -------------------------------------------------- */

/* Blocks until the arm reports start-up done (at most 60 s). */
int rs_robot_startup(RSHD rshd, const RS_TYPE(ToolDynamicsParam) * tool, uint8_t colli_class,
                     bool read_pos, bool static_collision_detect, int board_maxacc,
                     RS_TYPE(ROBOT_SERVICE_STATE) * state);
/* Blocks until the arm reports shut-down done (at most 30 s). */
int rs_robot_shutdown(RSHD rshd);
int rs_collision_recover(RSHD rshd);
int rs_get_robot_state(RSHD rshd, RS_TYPE(RobotState) * state);
int rs_set_work_mode(RSHD rshd, RS_TYPE(RobotWorkMode) mode);
int rs_get_work_mode(RSHD rshd, RS_TYPE(RobotWorkMode) * mode);
int rs_get_gravity_component(RSHD rshd, RS_TYPE(RobotGravityComponent) * gravity);
int rs_set_collision_class(RSHD rshd, int grade);
int rs_get_device_info(RSHD rshd, RS_TYPE(RobotDevInfo) * dev);
int rs_is_have_real_robot(RSHD rshd, bool* exist);
int rs_is_online_mode(RSHD rshd, bool* isonline);
int rs_is_online_master_mode(RSHD rshd, bool* ismaster);
/* size: 1 to 6 joints, else 1003 and nothing is sent. */
int rs_get_joint_status(RSHD rshd, RS_TYPE(JointStatus) * status, int size);
int rs_get_current_waypoint(RSHD rshd, RS_TYPE(wayPoint_S) * waypoint);
int rs_get_diagnosis_info(RSHD rshd, RS_TYPE(RobotDiagnosis) * info);
int rs_get_robot_end_speed(RSHD rshd, float* endspeed);
int rs_robot_control(RSHD rshd, RS_TYPE(RobotControlCommand) cmd);
bool rs_enter_reduce_mode(RSHD rshd);
bool rs_exit_reduce_mode(RSHD rshd);
bool rs_project_startup(RSHD rshd);
bool rs_project_stop(RSHD rshd);
int rs_set_client_status_pause(RSHD rshd);
int rs_set_client_status_continue(RSHD rshd);
int rs_set_client_status_stop(RSHD rshd);
int rs_set_client_status_run(RSHD rshd);
int rs_get_socket_status(RSHD rshd, bool* connected);
int rs_set_robot_joint_motion_range(RSHD rshd, const RS_TYPE(RangeOfMotion) joint_range[6],
                                    bool enable);
int rs_set_robot_recognition_param(RSHD rshd, const RS_TYPE(RobotRecongnitionParam) * param);
int rs_get_robot_recognition_param(RSHD rshd, int type, RS_TYPE(RobotRecongnitionParam) * param);
int rs_get_robot_safety_config(RSHD rshd, RS_TYPE(RobotSafetyConfig) * config);
int rs_set_robot_safety_config(RSHD rshd, const RS_TYPE(RobotSafetyConfig) * config);
int rs_get_robot_safety_status(RSHD rshd, RS_TYPE(OrpeSafetyStatus) * status);
int rs_set_regulate_speed_param(RSHD rshd, const RS_TYPE(RegulateSpeedModeParamConfig_t) * config);
int rs_get_regulate_speed_param(RSHD rshd, RS_TYPE(RegulateSpeedModeParamConfig_t) * config);
int rs_enable_regulate_speed_mode(RSHD rshd, bool enable);
int rs_get_force_control_mode_explore_force_param(RSHD rshd, double* force_limit,
                                                  double* dist_limit);
int rs_set_force_control_mode_explore_force_param(RSHD rshd, double force_limit, double dist_limit);
int rs_enable_force_control_mode(RSHD rshd, bool enable);
int rs_get_realtime_force_data(RSHD rshd, double force_data[6]);

/* ---- Input/output ------------------------------------------------------------ */

/* Every catalogue point of one board type, value -1; copies at most capacity
 * (0 to 1048576, else 1003). */
int rs_get_board_io_config(RSHD rshd, RS_TYPE(RobotIoType) type, RS_TYPE(RobotIoDesc) * configs,
                           int capacity, int* size_return);
int rs_get_board_io_status_by_name(RSHD rshd, RS_TYPE(RobotIoType) type, const char* name,
                                   double* val);
int rs_get_board_io_status_by_addr(RSHD rshd, RS_TYPE(RobotIoType) type, int addr, double* val);
int rs_set_board_io_status_by_name(RSHD rshd, RS_TYPE(RobotIoType) type, const char* name,
                                   double val);
int rs_set_board_io_status_by_addr(RSHD rshd, RS_TYPE(RobotIoType) type, int addr, double val);
int rs_set_tool_power_type(RSHD rshd, RS_TYPE(ToolPowerType) type);
int rs_get_tool_power_type(RSHD rshd, RS_TYPE(ToolPowerType) * type);
int rs_set_tool_io_type(RSHD rshd, RS_TYPE(ToolDigitalIOAddr) addr, RS_TYPE(ToolIOType) type);
int rs_get_tool_power_voltage(RSHD rshd, double* voltage);
int rs_get_tool_io_status(RSHD rshd, const char* name, double* val);
int rs_set_tool_do_status(RSHD rshd, const char* name, RS_TYPE(IO_STATUS) status);

/* ---- Callbacks and pushes ----------------------------------------------------- */

int rs_setcallback_realtime_roadpoint(RSHD rshd, RS_TYPE(RealTimeRoadPointCallback) callback,
                                      void* arg);
int rs_setcallback_realtime_joint_status(RSHD rshd, RS_TYPE(RealTimeJointStatusCallback) callback,
                                         void* arg);
int rs_setcallback_realtime_end_speed(RSHD rshd, RS_TYPE(RealTimeEndSpeedCallback) callback,
                                      void* arg);
int rs_setcallback_robot_event(RSHD rshd, rs_robot_event_callback callback, void* arg);
int rs_setcallback_movep_step_num(RSHD rshd, RS_TYPE(RealTimeMovepStepNumNotifyCallback) callback,
                                  void* arg);
/* The process's one log callback, whichever handle registers it. */
int rs_setcallback_robot_loginfo(RSHD rshd, RS_TYPE(RobotLogPrintCallback) callback, void* arg);
int rs_enable_push_realtime_roadpoint(RSHD rshd, bool enable);
int rs_enable_push_realtime_joint_status(RSHD rshd, bool enable);
int rs_enable_push_realtime_end_speed(RSHD rshd, bool enable);

/* ---- Joint servo parameters ------------------------------------------------- */

int rs_get_joint_common_data(RSHD rshd, RS_TYPE(RobotJointCommonData) * data);
int rs_set_current_ip(RSHD rshd, int joint_id, uint16_t value);
int rs_set_current_ii(RSHD rshd, int joint_id, uint16_t value);
int rs_set_current_id(RSHD rshd, int joint_id, uint16_t value);
int rs_set_speed_p(RSHD rshd, int joint_id, uint16_t value);
int rs_set_speed_i(RSHD rshd, int joint_id, uint16_t value);
int rs_set_speed_d(RSHD rshd, int joint_id, uint16_t value);
int rs_set_speed_ds(RSHD rshd, int joint_id, uint16_t value);
int rs_set_pos_p(RSHD rshd, int joint_id, uint16_t value);
int rs_set_pos_i(RSHD rshd, int joint_id, uint16_t value);
int rs_set_pos_d(RSHD rshd, int joint_id, uint16_t value);
int rs_set_pos_ds(RSHD rshd, int joint_id, uint16_t value);
int rs_joint_save_data_flash(RSHD rshd, int joint_id);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* RSROBOTCONTROL_H */
