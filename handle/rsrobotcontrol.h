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
#include "TevoRobotServo.h"
#define RS_TYPE(name) rs_types::name
#else
#include <stdbool.h>
#define RS_TYPE(name) name
#endif

/* C records: the layout of the library's value types.
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

/* Figures of a servo stream (rs_servo_status); the fields are described in
   TevoRobotServo.h. */
typedef struct ServoStreamStatus {
    int32_t active;
    int32_t reserved;
    uint64_t cycles;
    uint64_t overruns;
    uint64_t sent;
    uint64_t answered;
    uint64_t refused;
    uint64_t refusedLocally;
    double lateLastSec;
    double lateP50Sec;
    double lateP99Sec;
    double lateMaxSec;
    double answerP50Sec;
    double answerP99Sec;
    double answerMaxSec;
    double lastTarget[6];
} ServoStreamStatus;

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

/* The handle of a context: a small integer from rs_create_context. */
typedef uint16_t RSHD;

/* The interface's own result codes, beside 0 and the RobotErrorCode values. */
enum {
    RS_SUCC = 0,                     /* success */
    RS_ERR_TOO_MANY_CONTEXTS = 1001, /* 32 contexts are alive already */
    RS_ERR_NO_CONTEXT = 1002,        /* no context has this handle (logged) */
    RS_ERR_OUT_OF_RANGE = 1003       /* an argument outside the accepted range; nothing sent */
};

/* Up to eight inverse kinematics solutions. */
typedef struct ik_solutions {
    RS_TYPE(wayPoint_S) waypoint[8]; /* the solutions, the first solution_count valid */
    int solution_count;              /* 0 to 8 */
} ik_solutions;

/* A rotation axis: three components in the user frame of rs_move_rotate. */
typedef struct Move_Rotate_Axis {
    double rotateAxis[3]; /* direction of the axis in the user frame: x, y, z */
} Move_Rotate_Axis;

/* A robot event as C sees it; eventContent is valid during the callback. */
typedef struct rs_robot_event_info {
    int eventType;            /* a RobotEventType value */
    int eventCode;            /* event specific, e.g. the joint concerned */
    const char* eventContent; /* NUL-terminated text from the controller or the library */
} rs_robot_event_info;

/* The robot-event callback of rs_setcallback_robot_event, called on the context's event thread;
   eventInfo is valid during the call. */
typedef void (*rs_robot_event_callback)(const rs_robot_event_info* eventInfo, void* arg);

/* ---- Library and contexts ------------------------------------------------- */

/* Prepares the interface; returns 0. Nothing needs it, kept for callers that call it first. */
int rs_initialize(void);
/* Removes every context (each released when its last running call returns). */
int rs_uninitialize(void);
/* Creates a context (a ServiceInterface with its event thread) and writes its handle; 1001 when 32
   are alive, 10002 for a null pointer. */
int rs_create_context(RSHD* rshd);
/* Destroys a context: the handle is gone at once, its callbacks stop, a blocked call on it ends
   with 10004; released when its last running call returns. 1002 for an unknown handle. */
int rs_destory_context(RSHD rshd);
/* Logs in with the interface's fixed user name and password; a port outside
   1..65535 gives 10002 without connecting. */
int rs_login(RSHD rshd, const char* addr, int port);
/* Our extension: logs in with the given user name and password (rs_login uses
   the interface's fixed ones). A controller that refuses them gives 10001
   (ErrCode_Failed) and nothing more is sent; rs_last_controller_refusal then
   tells its code and reason. A null argument gives 10002. */
int rs_login_as(RSHD rshd, const char* addr, int port, const char* user, const char* password);
/* Our extension, connection supervision (see robotServiceSetReconnectPolicy in
   serviceinterface.h): with initial_delay_s > 0 sets the reconnect policy (initial delay, backoff
   factor, largest delay, give-up time (0: never) and silence time, in seconds; out of range:
   10002), with initial_delay_s 0 ends the supervision. Returns 0. */
int rs_set_reconnect_policy(RSHD rshd, double initial_delay_s, double backoff_factor,
                            double max_delay_s, double give_up_after_s, double silence_s);
/* A connection event callback: it runs on the context's supervisor thread with the event's kind
   (1 link lost, 2 reconnecting, 3 reconnected, 4 gave up), the reason of a loss (1 closed, 2 reset,
   3 silent), the attempt number, the seconds since the loss and a NUL-terminated text. */
typedef void (*RS_CONNECTION_EVENT_CALLBACK)(int kind, int reason, int attempt, double since_loss_s,
                                             const char* text, void* arg);
/* Registers the connection event callback (null clears it); returns 0, or 1002 for an unknown
   handle. */
int rs_setcallback_connection_event(RSHD rshd, RS_CONNECTION_EVENT_CALLBACK callback, void* arg);
/* Successful logins of the context so far (the first and every reconnect); never blocks. 0 for an
   unknown handle. */
uint64_t rs_login_count(RSHD rshd);
/* Logs out (about 100 ms: joins the receive thread); blocked calls on the context end with 10004.
 */
int rs_logout(RSHD rshd);
/* Whether the context is connected and logged in; never blocks. */
int rs_get_login_status(RSHD rshd, bool* status);
/* The code's message text ("" for a code without one); static storage. */
const char* rs_str_error(int err);
/* Our extension: the last refusal by a controller of a request made on the
   calling thread, from any context (ServiceInterface::lastControllerRefusal).
   Read it right after a call returned 10023, 10024 or a refused login.
   Writes the command's number (-1 when this thread has had no refusal), the
   controller's code, and the command's name and the controller's reason as
   NUL-terminated texts cut to command_size and text_size bytes; any pointer
   may be null (sizes of 0 write nothing). Returns 0, or 1003 for a negative
   size. Never blocks. */
int rs_last_controller_refusal(int* command_type, int* controller_code, char* command,
                               int command_size, char* text, int text_size);

/* Kept for old callers; prints nothing. */
void print_plan(const RS_TYPE(CoordCalibrate) * plan);
/* Kept for old callers; prints nothing. */
void print_move_relative_offset(const RS_TYPE(MoveRelative) * offset);
/* Kept for old callers; prints nothing. */
void print_waypoint(const RS_TYPE(wayPoint_S) * waypoint);
/* Kept for old callers; prints nothing. */
void print_tool_dynamics(const RS_TYPE(ToolDynamicsParam) * tool);

/* ---- Global move profile (process-wide, no request) ----------------------- */

/* Resets the global move profile to its defaults. Process-wide (every context), never blocks,
   nothing sent. */
int rs_init_global_move_profile(RSHD rshd);
/* Joint maximum accelerations, rad/s^2, each in (0, 167.55], all six or none stored (10002).
   Process-wide (every context), never blocks, nothing sent. */
int rs_set_global_joint_maxacc(RSHD rshd, const RS_TYPE(JointVelcAccParam) * max_acc);
/* Joint maximum speeds, rad/s, each in (0, 8.7268], all six or none stored (10002). Process-wide
   (every context), never blocks, nothing sent. */
int rs_set_global_joint_maxvelc(RSHD rshd, const RS_TYPE(JointVelcAccParam) * max_velc);
/* Joint maximum accelerations, rad/s^2. Process-wide (every context), never blocks, nothing sent.
 */
int rs_get_global_joint_maxacc(RSHD rshd, RS_TYPE(JointVelcAccParam) * max_acc);
/* Joint maximum speeds, rad/s. Process-wide (every context), never blocks, nothing sent. */
int rs_get_global_joint_maxvelc(RSHD rshd, RS_TYPE(JointVelcAccParam) * max_velc);
/* Tool maximum linear acceleration, m/s^2, (0, 80.01]. Process-wide (every context), never blocks,
   nothing sent. */
int rs_set_global_end_max_line_acc(RSHD rshd, double max_acc);
/* Tool maximum linear speed, m/s, (0, 5.01]. Process-wide (every context), never blocks, nothing
   sent. */
int rs_set_global_end_max_line_velc(RSHD rshd, double max_velc);
/* Tool maximum linear acceleration, m/s^2. Process-wide (every context), never blocks, nothing
   sent. */
int rs_get_global_end_max_line_acc(RSHD rshd, double* max_acc);
/* Tool maximum linear speed, m/s. Process-wide (every context), never blocks, nothing sent. */
int rs_get_global_end_max_line_velc(RSHD rshd, double* max_velc);
/* Tool maximum angular acceleration, rad/s^2, (0, 3.1418]. Process-wide (every context), never
   blocks, nothing sent. */
int rs_set_global_end_max_angle_acc(RSHD rshd, double max_acc);
/* Tool maximum angular speed, rad/s, (0, 3.1418]. Process-wide (every context), never blocks,
   nothing sent. */
int rs_set_global_end_max_angle_velc(RSHD rshd, double max_velc);
/* Tool maximum angular acceleration, rad/s^2. Process-wide (every context), never blocks, nothing
   sent. */
int rs_get_global_end_max_angle_acc(RSHD rshd, double* max_acc);
/* Tool maximum angular speed, rad/s. Process-wide (every context), never blocks, nothing sent. */
int rs_get_global_end_max_angle_velc(RSHD rshd, double* max_velc);
/* Empties the global waypoint list. Process-wide (every context), never blocks, nothing sent. */
int rs_remove_all_waypoint(RSHD rshd);
/* Appends the waypoint of six joint angles (rad) to the global waypoint list (at most 54000).
   Process-wide (every context), never blocks, nothing sent. */
int rs_add_waypoint(RSHD rshd, const double joint_radian[6]);
/* 0 < radius <= 0.05 m, else 1003. */
int rs_set_blend_radius(RSHD rshd, double radius);
/* 1 to 1000, else 1003. */
int rs_set_circular_loop_times(RSHD rshd, int times);
/* Offset added to every move built from the global profile, in the base frame. Process-wide (every
   context), never blocks, nothing sent. */
int rs_set_relative_offset_on_base(RSHD rshd, const RS_TYPE(MoveRelative) * relative);
/* The same offset given in a user frame. Process-wide (every context), never blocks, nothing sent.
 */
int rs_set_relative_offset_on_user(RSHD rshd, const RS_TYPE(MoveRelative) * relative,
                                   const RS_TYPE(CoordCalibrate) * user_coord);
/* No early arrival (the default). Process-wide (every context), never blocks, nothing sent. */
int rs_set_no_arrival_ahead(RSHD rshd);
/* A move counts as arrived this distance (m) before its target. Process-wide (every context), never
   blocks, nothing sent. */
int rs_set_arrival_ahead_distance(RSHD rshd, double distance);
/* A move counts as arrived this time (s) before its target. Process-wide (every context), never
   blocks, nothing sent. */
int rs_set_arrival_ahead_time(RSHD rshd, double second);
/* A move blends into the next one this distance (m) before its target. Process-wide (every
   context), never blocks, nothing sent. */
int rs_set_arrival_ahead_blend(RSHD rshd, double distance);
/* The frame of jog moves (rs_teach_move_start): base or a calibrated user frame. Process-wide
   (every context), never blocks, nothing sent. */
int rs_set_teach_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * teach_coord);
/* The context's user frame for rs_move_line_to / rs_move_joint_to (base until set). */
int rs_set_user_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord);
/* Sets the context's user frame back to the base frame; never blocks. */
int rs_set_base_coord(RSHD rshd);

/* ---- Moves ----------------------------------------------------------------- */

/* Joint move to six joint angles (rad) with the global profile. isblock true: waits until the move
   ends (no time limit while the controller answers; 10007 within 5 s after it falls silent; 21300
   when stopped); false: returns after the controller's answer (one request, at most 2 s). */
int rs_move_joint(RSHD rshd, double joint_radian[6], bool isblock);
/* Joint move with the limits, offset and tool of profile instead of the global profile. isblock
   true: waits until the move ends (no time limit while the controller answers; 10007 within 5 s
   after it falls silent; 21300 when stopped); false: returns after the controller's answer (one
   request, at most 2 s). */
int rs_move_joint_ex(RSHD rshd, RS_TYPE(MoveProfile_t) * profile, double joint_radian[6],
                     bool isblock);
/* Follow mode: replaces the target of the running joint move; one request, at most 2 s, never waits
   for the arm. */
int rs_follow_mode_move_joint(RSHD rshd, double joint_radian[6]);
/* Straight tool path to the pose of six joint angles (rad). isblock true: waits until the move ends
   (no time limit while the controller answers; 10007 within 5 s after it falls silent; 21300 when
   stopped); false: returns after the controller's answer (one request, at most 2 s). */
int rs_move_line(RSHD rshd, double joint_radian[6], bool isblock);
/* Straight tool path with the limits of profile. isblock true: waits until the move ends (no time
   limit while the controller answers; 10007 within 5 s after it falls silent; 21300 when stopped);
   false: returns after the controller's answer (one request, at most 2 s). */
int rs_move_line_ex(RSHD rshd, RS_TYPE(MoveProfile_t) * profile, double joint_radian[6],
                    bool isblock);
/* Rotates the tool by rotate_angle (rad) about rotate_axis given in user_coord, keeping its
   position; reads the current waypoint first (one request). isblock true: waits until the move ends
   (no time limit while the controller answers; 10007 within 5 s after it falls silent; 21300 when
   stopped); false: returns after the controller's answer (one request, at most 2 s). */
int rs_move_rotate(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord,
                   const Move_Rotate_Axis* rotate_axis, double rotate_angle, bool isblock);
/* Move through the global waypoint list (sub_move_mode: arc, circle, multi-point ...). isblock
   true: waits until the move ends (no time limit while the controller answers; 10007 within 5 s
   after it falls silent; 21300 when stopped); false: returns after the controller's answer (one
   request, at most 2 s). */
int rs_move_track(RSHD rshd, RS_TYPE(move_track) sub_move_mode, bool isblock);
/* Puts the tool's end point on target (in the context's user frame, rs_set_user_coord) keeping the
   flange orientation, by a linear move; one request reads the joints first. isblock true: waits
   until the move ends (no time limit while the controller answers; 10007 within 5 s after it falls
   silent; 21300 when stopped); false: returns after the controller's answer (one request, at most 2
   s). */
int rs_move_line_to(RSHD rshd, const RS_TYPE(Pos) * target, const RS_TYPE(ToolInEndDesc) * tool,
                    bool isblock);
/* The same by a joint move. isblock true: waits until the move ends (no time limit while the
   controller answers; 10007 within 5 s after it falls silent; 21300 when stopped); false: returns
   after the controller's answer (one request, at most 2 s). */
int rs_move_joint_to(RSHD rshd, const RS_TYPE(Pos) * target, const RS_TYPE(ToolInEndDesc) * tool,
                     bool isblock);
/* Starts a jog (mode: axis or joint; direction true: positive) in the teach frame until
   rs_teach_move_stop; one request, at most 2 s, never waits for the arm. */
int rs_teach_move_start(RSHD rshd, RS_TYPE(teach_mode) mode, bool direction);
/* Ends the jog; one request, at most 2 s. */
int rs_teach_move_stop(RSHD rshd);
/* Stops the running move along its path: one request plus up to 4 s for the controller's done
   event; a refusal gives 11025. A blocking move waiting meanwhile returns 21300. */
int rs_move_stop(RSHD rshd);
/* Stops the running move at once: one request plus up to 4 s for the done event; a refusal gives
   11026. */
int rs_move_fast_stop(RSHD rshd);
/* Pauses the running move: one request plus up to 4 s for the done event; a refusal gives 11027. */
int rs_move_pause(RSHD rshd);
/* Continues a paused move: one request plus up to 4 s for the done event; a refusal gives 11028. */
int rs_move_continue(RSHD rshd);
/* Playback period of offline tracks, s. Process-wide (every context), never blocks, nothing sent.
 */
int rs_set_track_playback_cycle(RSHD rshd, double second);

/* ---- Offline tracks and pass-through mode ---------------------------------- */

/* Empties the controller's offline track; one request, at most 2 s. */
int rs_clear_offline_track(RSHD rshd);
/* At most 3000 joint sets (and not negative), else 1003 and nothing is sent. */
int rs_append_offline_track_waypoint(RSHD rshd, const RS_TYPE(JointParam) * waypoints,
                                     int waypoint_count);
/* Appends the waypoints of a track file (six joint angles in rad per line; the whole file is
   checked before anything is sent, 10002 for a bad line); one request per batch of 2000. */
int rs_append_offline_track_file(RSHD rshd, const char* track_file);
/* Plays the uploaded offline track. isblock true: waits until the move ends (no time limit while
   the controller answers; 10007 within 5 s after it falls silent; 21300 when stopped); false:
   returns after the controller's answer (one request, at most 2 s). */
int rs_startup_offline_track(RSHD rshd, bool isblock);
/* Stops a playing offline track; one request, at most 2 s. */
int rs_stop_offline_track(RSHD rshd);
/* Enters pass-through mode: streamed waypoints go straight to the joints; one request, at most 2 s.
 */
int rs_enter_tcp2canbus_mode(RSHD rshd);
/* Leaves pass-through mode; one request, at most 2 s. */
int rs_leave_tcp2canbus_mode(RSHD rshd);
/* Streams one waypoint of six joint angles (rad) in pass-through mode; one request, at most 2 s,
   never waits for the arm. */
int rs_set_waypoint_to_canbus(RSHD rshd, double joint_radian[6]);
/* waypint_count (1 to 5000, else 1003 and nothing is sent) sets of six joint
 * angles, one after the other. */
int rs_set_waypoints_to_canbus(RSHD rshd, const double* joint_radian, int waypint_count);
/* Our extension, servo streaming (see robotServiceServoStart in serviceinterface.h): one
   thread starts the stream, then per cycle waits for the period and sends one target, then stops
   it. Starts a stream: period_s 0.0005 to 0.1, max_joint_speed rad/s above 0 and at most 10
   (0 for either: the default, 0.002 s and 3.0 rad/s), else 10002 and nothing sent. Reads the
   joint angles and enters pass-through mode: two requests, at most 2 s each. 10001 when a
   stream runs already. */
int rs_servo_start(RSHD rshd, double period_s, double max_joint_speed);
/* Sleeps until the cycle's deadline (monotonic clock) and moves it one period on; returns at once,
   counting an overrun, when it has passed. 10001 when no stream runs. */
int rs_servo_wait_period(RSHD rshd);
/* Sends six joint angles (rad) as the next target without waiting for the controller. Refused
   before sending: null or non-finite (10002), a jump beyond the speed limit (22122). 10023 once
   the controller refused an earlier target (rs_last_controller_refusal tells why), 10007 when an
   answer is overdue, 10004 when the link is lost, 10001 when no stream runs. */
int rs_servo_joint(RSHD rshd, const double joint_radian[6]);
/* Sends a flange pose (base frame; position in m, unit quaternion w, x, y, z) as the next target:
   inverse kinematics on the branch nearest the last target (10012 and nothing sent when none
   reaches it), then as rs_servo_joint. Null pointers give 10002. */
int rs_servo_pose(RSHD rshd, const RS_TYPE(Pos) * position, const RS_TYPE(Ori) * orientation);
/* Ends the stream: leaves pass-through mode, the controller brings the arm to rest. One request,
   at most 2 s; 10001 when no stream runs. */
int rs_servo_stop(RSHD rshd);
/* The stream's figures into status (null: 10002); never blocks. */
int rs_servo_status(RSHD rshd, RS_TYPE(ServoStreamStatus) * status);
/* Runs an excitation trajectory for dynamics identification from trackfile; blocks until it ends
   (no time limit while the controller answers; 10007 within 5 s after it falls silent). */
int rs_startup_excit_traj_track(RSHD rshd, const char* trackfile, char type, char subtype);
/* Copies at most capacity (0 to 1048576, else failure) results and stores
 * their number in size_return. */
bool rs_get_dynidentify_results(RSHD rshd, int* results, int capacity, int* size_return);
/* Parses a tool-pose file (mm and degrees) into a checked, smoothed joint track by inverse
   kinematics from refer_joint_radian and caches it for rs_move_cached_track; writes where the track
   starts. Local, never sends. */
int rs_parse_roadpoint_file_and_cache_result(RSHD rshd, const char* file_path,
                                             const double refer_joint_radian[6],
                                             RS_TYPE(ToolInEndDesc) * tool,
                                             RS_TYPE(wayPoint_S) * first_waypoint);
/* Plays the cached track piece by piece; blocks until it ends (no time limit while the controller
   answers; 10007 within 5 s after it falls silent) and returns the first failed piece's result. */
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

/* Forward kinematics of six joint angles (rad): the flange waypoint (m, quaternion). Local, never
   blocks; 10011 when it fails. */
int rs_forward_kin(RSHD rshd, const double joint_radian[6], RS_TYPE(wayPoint_S) * waypoint);
/* Inverse kinematics: the solution for the flange pose (m, quaternion) nearest to joint_radian
   (smallest sum of joint differences), one of those rs_inverse_kin_closed_form returns and with
   the same guarantee. Local; 10012 when none reaches it. */
int rs_inverse_kin(RSHD rshd, const double joint_radian[6], const RS_TYPE(Pos) * pos,
                   const RS_TYPE(Ori) * ori, RS_TYPE(wayPoint_S) * waypoint);
/* Every inverse kinematics solution for the flange pose (up to eight). Each lies strictly inside
   the joint limit (3.0508 rad) and puts the flange within 0.1 mm of pos; its orientation is exact
   to rounding, or within 3.5e-4 rad where joint 5 is within 0.02 degrees of 0 or pi. Near the
   elbow's reach (and up to 0.1 mm beyond it) a solution may be approximate within those bounds;
   it is not flagged. Local; 10012 when none reaches it. */
int rs_inverse_kin_closed_form(RSHD rshd, const RS_TYPE(Pos) * pos, const RS_TYPE(Ori) * ori,
                               ik_solutions* solutions);
/* Our extension, batch kinematics: rs_forward_kin and rs_inverse_kin over n points in one call,
   each point computed exactly as the single call computes it (the same result, bit for bit).
   Rows are packed doubles: joints 6 per point (rad), poses 7 per point (x, y, z in m, then the
   quaternion w, x, y, z; base frame, flange). Local, never blocks, takes no lock per point and
   allocates nothing.
   The call is refused, writing nothing, for an unknown handle (1002), n below 0 or above
   RS_KIN_MANY_MAX_POINTS (1003) or a null array when n > 0 (10002; codes may always be null).
   Otherwise every point is written: its outputs and, when codes is not null, its code (0 when it
   succeeded). A point that fails gets NaN in all its outputs, so that it can never pass for a
   position (every move refuses NaN); its code is 10002 when its input holds a NaN or an infinity
   (or, for a pose, a quaternion of length below 1e-9), 10012 when no solution reaches the pose.
   The result is 0 when every point succeeded, else the code of the first point that failed. */
enum { RS_KIN_MANY_MAX_POINTS = 1048576 /* points per batch call; larger batches are split */ };
/* Forward kinematics of n joint vectors (joints: n * 6) into n flange poses (poses: n * 7). */
int rs_forward_kin_many(RSHD rshd, const double* joints, int n, double* poses, int* codes);
/* Inverse kinematics of n flange poses (poses: n * 7) into n joint vectors (joints: n * 6): for
   each the solution nearest its reference (rad, 6, required). chain 0: every point's reference is
   reference; chain non-zero: the first point's is reference, each later point's the solution of
   the last point that succeeded before it (a path followed point by point). The quaternion is
   normalised as rs_inverse_kin does. */
int rs_inverse_kin_many(RSHD rshd, const double* reference, const double* poses, int n,
                        double* joints, int* codes, int chain);
/* A flange pose in the base frame as the tool end's pose in a user frame. Local. */
int rs_base_to_user(RSHD rshd, const RS_TYPE(Pos) * flange_position_on_base,
                    const RS_TYPE(Ori) * flange_orientation_on_base,
                    const RS_TYPE(CoordCalibrate) * user_coord, const RS_TYPE(ToolInEndDesc) * tool,
                    RS_TYPE(Pos) * tool_end_position_on_user,
                    RS_TYPE(Ori) * tool_end_orientation_on_user);
/* A tool end's pose in a user frame as the flange pose in the base frame. Local. */
int rs_user_to_base(RSHD rshd, const RS_TYPE(Pos) * tool_end_position_on_user,
                    const RS_TYPE(Ori) * tool_end_orientation_on_user,
                    const RS_TYPE(CoordCalibrate) * user_coord, const RS_TYPE(ToolInEndDesc) * tool,
                    RS_TYPE(Pos) * flange_position_on_base,
                    RS_TYPE(Ori) * flange_orientation_on_base);
/* The tool end's pose from the flange pose, both in the base frame. Local. */
int rs_base_to_base_additional_tool(RSHD rshd, const RS_TYPE(Pos) * flange_position_on_base,
                                    const RS_TYPE(Ori) * flange_orientation_on_base,
                                    const RS_TYPE(ToolInEndDesc) * tool,
                                    RS_TYPE(Pos) * tool_end_position_on_base,
                                    RS_TYPE(Ori) * tool_end_orientation_on_base);
/* Roll, pitch, yaw (rad) as a quaternion. Local. */
int rs_rpy_to_quaternion(RSHD rshd, const RS_TYPE(Rpy) * rpy, RS_TYPE(Ori) * ori);
/* A quaternion as roll, pitch, yaw (rad). Local. */
int rs_quaternion_to_rpy(RSHD rshd, const RS_TYPE(Ori) * ori, RS_TYPE(Rpy) * rpy);
/* Whether the user frame's three points define a frame; 0 or 10015. Local. */
int rs_check_user_coord(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord);
/* The user frame in the base frame: base position (m) and rotation (3x3, row by row) in the frame,
   and the frame's origin in the base. Local; 10015 when the points define no frame. */
int rs_user_coord_calibrate(RSHD rshd, const RS_TYPE(CoordCalibrate) * user_coord,
                            double bInWPos[3], double bInWOri[9], double wInBPos[3]);

/* ---- Tool parameters -------------------------------------------------------- */

/* The tool whose end point the moves steer (flange frame: m, quaternion); the same as
   rs_set_tool_kinematics_param. Process-wide (every context), never blocks, nothing sent. */
int rs_set_tool_end_param(RSHD rshd, const RS_TYPE(ToolInEndDesc) * tool);
/* The tool whose end point the moves steer (flange frame: m, quaternion). Process-wide (every
   context), never blocks, nothing sent. */
int rs_set_tool_kinematics_param(RSHD rshd, const RS_TYPE(ToolInEndDesc) * tool);
/* No tool: the moves steer the flange centre. Process-wide (every context), never blocks, nothing
   sent. */
int rs_set_none_tool_kinematics_param(RSHD rshd);
/* The tool the moves steer. Process-wide (every context), never blocks, nothing sent. */
int rs_get_tool_kinematics_param(RSHD rshd, RS_TYPE(ToolInEndDesc) * tool);
/* No payload on the controller; one request, at most 2 s. */
int rs_set_none_tool_dynamics_param(RSHD rshd);
/* The payload on the controller: centre of mass (m) and mass (kg); the inertia is not sent; one
   request, at most 2 s. */
int rs_set_tool_dynamics_param(RSHD rshd, const RS_TYPE(ToolDynamicsParam) * tool);
/* The payload as the controller holds it (inertia 0); one request, at most 2 s. */
int rs_get_tool_dynamics_param(RSHD rshd, RS_TYPE(ToolDynamicsParam) * tool);

/* ---- Arm state and control -------------------------------------------------- */

/* Blocks until the arm reports start-up done (at most 60 s). */
int rs_robot_startup(RSHD rshd, const RS_TYPE(ToolDynamicsParam) * tool, uint8_t colli_class,
                     bool read_pos, bool static_collision_detect, int board_maxacc,
                     RS_TYPE(ROBOT_SERVICE_STATE) * state);
/* Blocks until the arm reports shut-down done (at most 30 s). */
int rs_robot_shutdown(RSHD rshd);
/* Clears a collision stop so the arm can move again; one request, at most 2 s. */
int rs_collision_recover(RSHD rshd);
/* Motion state: stopped, running, paused or resumed; one request, at most 2 s. */
int rs_get_robot_state(RSHD rshd, RS_TYPE(RobotState) * state);
/* Simulated (0) or real arm (1); one request, at most 2 s. */
int rs_set_work_mode(RSHD rshd, RS_TYPE(RobotWorkMode) mode);
/* Simulated (0) or real arm (1); one request, at most 2 s. */
int rs_get_work_mode(RSHD rshd, RS_TYPE(RobotWorkMode) * mode);
/* Gravity in the base frame, m/s^2; one request, at most 2 s. */
int rs_get_gravity_component(RSHD rshd, RS_TYPE(RobotGravityComponent) * gravity);
/* Collision class 0 to 10: one request plus up to three read-backs 150 ms apart. */
int rs_set_collision_class(RSHD rshd, int grade);
/* Board revision, joint versions and product identifiers; one request, at most 2 s. */
int rs_get_device_info(RSHD rshd, RS_TYPE(RobotDevInfo) * dev);
/* Whether a physical arm is attached; one request, at most 2 s. */
int rs_is_have_real_robot(RSHD rshd, bool* exist);
/* Whether online mode is on (controller input CI00 low); one request, at most 2 s. */
int rs_is_online_mode(RSHD rshd, bool* isonline);
/* Whether online master mode is on (CI01 low); one request, at most 2 s. */
int rs_is_online_master_mode(RSHD rshd, bool* ismaster);
/* size: 1 to 6 joints, else 1003 and nothing is sent. */
int rs_get_joint_status(RSHD rshd, RS_TYPE(JointStatus) * status, int size);
/* Where the arm stands: flange pose (m, quaternion) and joint angles (rad); one request, at most 2
   s. */
int rs_get_current_waypoint(RSHD rshd, RS_TYPE(wayPoint_S) * waypoint);
/* The controller's diagnosis (power, emergency stops, collision, end speed, alarms); one request,
   at most 2 s. */
int rs_get_diagnosis_info(RSHD rshd, RS_TYPE(RobotDiagnosis) * info);
/* The tool's speed, m/s, from the diagnosis; one request, at most 2 s. */
int rs_get_robot_end_speed(RSHD rshd, float* endspeed);
/* One arm control command (release brake, brake, force control on/off, ...); one request, at most 2
   s. */
int rs_robot_control(RSHD rshd, RS_TYPE(RobotControlCommand) cmd);
/* Enters reduced-speed mode; true when it failed; one request, at most 2 s. */
bool rs_enter_reduce_mode(RSHD rshd);
/* Leaves reduced-speed mode; true when it failed; one request, at most 2 s. */
bool rs_exit_reduce_mode(RSHD rshd);
/* Project state start-up (safety I/O stop value 0); true when it failed; one request, at most 2 s.
 */
bool rs_project_startup(RSHD rshd);
/* Project state stop (safety I/O stop value 1); true when it failed; one request, at most 2 s. */
bool rs_project_stop(RSHD rshd);
/* Project pause through the safety I/O; one request, at most 2 s. */
int rs_set_client_status_pause(RSHD rshd);
/* Project continue through the safety I/O; one request, at most 2 s. */
int rs_set_client_status_continue(RSHD rshd);
/* Project stop through the safety I/O; one request, at most 2 s. */
int rs_set_client_status_stop(RSHD rshd);
/* Project run through the safety I/O; one request, at most 2 s. */
int rs_set_client_status_run(RSHD rshd);
/* Always writes true and returns 0, without a request. */
int rs_get_socket_status(RSHD rshd, bool* connected);
/* The joint ranges (rad) the controller enforces when enable is true; one request, at most 2 s. */
int rs_set_robot_joint_motion_range(RSHD rshd, const RS_TYPE(RangeOfMotion) joint_range[6],
                                    bool enable);
/* Recognition parameters: type, length and at most 255 data bytes; one request, at most 2 s. */
int rs_set_robot_recognition_param(RSHD rshd, const RS_TYPE(RobotRecongnitionParam) * param);
/* The recognition parameters of type; one request, at most 2 s. */
int rs_get_robot_recognition_param(RSHD rshd, int type, RS_TYPE(RobotRecongnitionParam) * param);
/* Reduced-mode limits (joint speeds in degrees/s, tool speed mm/s, force N, momentum, power W); one
   request, at most 2 s. */
int rs_get_robot_safety_config(RSHD rshd, RS_TYPE(RobotSafetyConfig) * config);
/* Writes the reduced-mode limits: two requests plus up to six read-backs 100 ms apart; 10001 when
   they never match. */
int rs_set_robot_safety_config(RSHD rshd, const RS_TYPE(RobotSafetyConfig) * config);
/* Status of the safety I/O (pause, stop, error flags, emergency stop); one request, at most 2 s. */
int rs_get_robot_safety_status(RSHD rshd, RS_TYPE(OrpeSafetyStatus) * status);
/* Limits of the regulated speed mode (m/s, m/s^2, rad/s, rad/s^2); one request, at most 2 s. */
int rs_set_regulate_speed_param(RSHD rshd, const RS_TYPE(RegulateSpeedModeParamConfig_t) * config);
/* The regulated speed mode's limits; one request, at most 2 s. */
int rs_get_regulate_speed_param(RSHD rshd, RS_TYPE(RegulateSpeedModeParamConfig_t) * config);
/* Regulated speed mode on (true) or off; one request, at most 2 s. */
int rs_enable_regulate_speed_mode(RSHD rshd, bool enable);
/* Explore force limit (N) and distance limit (m); one request, at most 2 s. */
int rs_get_force_control_mode_explore_force_param(RSHD rshd, double* force_limit,
                                                  double* dist_limit);
/* Sets the explore force limit (N) and distance limit (m); one request, at most 2 s. */
int rs_set_force_control_mode_explore_force_param(RSHD rshd, double force_limit, double dist_limit);
/* Force-control mode on (true) or off; one request, at most 2 s. */
int rs_enable_force_control_mode(RSHD rshd, bool enable);
/* The force sensor's six values (N, N·m); one request, at most 2 s. */
int rs_get_realtime_force_data(RSHD rshd, double force_data[6]);

/* ---- Input/output ------------------------------------------------------------ */

/* Every catalogue point of one board type, value -1; copies at most capacity
 * (0 to 1048576, else 1003). */
int rs_get_board_io_config(RSHD rshd, RS_TYPE(RobotIoType) type, RS_TYPE(RobotIoDesc) * configs,
                           int capacity, int* size_return);
/* One board point by name (digital 0 or 1, analog in V or mA); one request, at most 2 s. */
int rs_get_board_io_status_by_name(RSHD rshd, RS_TYPE(RobotIoType) type, const char* name,
                                   double* val);
/* One board point by address; one request, at most 2 s. */
int rs_get_board_io_status_by_addr(RSHD rshd, RS_TYPE(RobotIoType) type, int addr, double* val);
/* Sets an output point by name (digital: on above 0.5); one request, at most 2 s. */
int rs_set_board_io_status_by_name(RSHD rshd, RS_TYPE(RobotIoType) type, const char* name,
                                   double val);
/* Sets an output point by address; one request, at most 2 s. */
int rs_set_board_io_status_by_addr(RSHD rshd, RS_TYPE(RobotIoType) type, int addr, double val);
/* The tool supply voltage: one request plus up to three read-backs 150 ms apart. */
int rs_set_tool_power_type(RSHD rshd, RS_TYPE(ToolPowerType) type);
/* The tool supply voltage type; one request, at most 2 s. */
int rs_get_tool_power_type(RSHD rshd, RS_TYPE(ToolPowerType) * type);
/* One tool digital line as input or output: one request plus up to three read-backs 150 ms apart.
 */
int rs_set_tool_io_type(RSHD rshd, RS_TYPE(ToolDigitalIOAddr) addr, RS_TYPE(ToolIOType) type);
/* The tool supply's voltage status; one request, at most 2 s. */
int rs_get_tool_power_voltage(RSHD rshd, double* voltage);
/* One tool line or analog input by name ("T_DI/O_00", "T_AI_00", ...); one request, at most 2 s. */
int rs_get_tool_io_status(RSHD rshd, const char* name, double* val);
/* Switches a tool digital line configured as output, by name; one request, at most 2 s. */
int rs_set_tool_do_status(RSHD rshd, const char* name, RS_TYPE(IO_STATUS) status);

/* ---- Callbacks and pushes ----------------------------------------------------- */

/* Registers the waypoint push callback (receive thread) and switches the push on or off (one
   request, at most 2 s). */
int rs_setcallback_realtime_roadpoint(RSHD rshd, RS_TYPE(RealTimeRoadPointCallback) callback,
                                      void* arg);
/* Registers the joint-status push callback (receive thread) and switches the push on or off (one
   request, at most 2 s). */
int rs_setcallback_realtime_joint_status(RSHD rshd, RS_TYPE(RealTimeJointStatusCallback) callback,
                                         void* arg);
/* Registers the tool-speed push callback (m/s, receive thread) and switches the push on or off (one
   request, at most 2 s). */
int rs_setcallback_realtime_end_speed(RSHD rshd, RS_TYPE(RealTimeEndSpeedCallback) callback,
                                      void* arg);
/* Registers the robot-event callback (event thread); never sends. */
int rs_setcallback_robot_event(RSHD rshd, rs_robot_event_callback callback, void* arg);
/* Registers the move-progress callback (receive thread); never sends. */
int rs_setcallback_movep_step_num(RSHD rshd, RS_TYPE(RealTimeMovepStepNumNotifyCallback) callback,
                                  void* arg);
/* The process's one log callback, whichever handle registers it. */
int rs_setcallback_robot_loginfo(RSHD rshd, RS_TYPE(RobotLogPrintCallback) callback, void* arg);
/* Waypoint push on or off; one request, at most 2 s. */
int rs_enable_push_realtime_roadpoint(RSHD rshd, bool enable);
/* Joint-status push on or off; one request, at most 2 s. */
int rs_enable_push_realtime_joint_status(RSHD rshd, bool enable);
/* Tool-speed push on or off; one request, at most 2 s. */
int rs_enable_push_realtime_end_speed(RSHD rshd, bool enable);

/* ---- Joint servo parameters ------------------------------------------------- */

/* Drive parameters of all six joints; one request, at most 2 s. */
int rs_get_joint_common_data(RSHD rshd, RS_TYPE(RobotJointCommonData) * data);
/* Current loop proportional gain of joint_id (1 to 6), drive units; one request, at most 2 s. */
int rs_set_current_ip(RSHD rshd, int joint_id, uint16_t value);
/* Current loop integral gain; one request, at most 2 s. */
int rs_set_current_ii(RSHD rshd, int joint_id, uint16_t value);
/* Current loop derivative gain; one request, at most 2 s. */
int rs_set_current_id(RSHD rshd, int joint_id, uint16_t value);
/* Speed loop proportional gain; one request, at most 2 s. */
int rs_set_speed_p(RSHD rshd, int joint_id, uint16_t value);
/* Speed loop integral gain; one request, at most 2 s. */
int rs_set_speed_i(RSHD rshd, int joint_id, uint16_t value);
/* Speed loop derivative gain; one request, at most 2 s. */
int rs_set_speed_d(RSHD rshd, int joint_id, uint16_t value);
/* Speed loop dead band; one request, at most 2 s. */
int rs_set_speed_ds(RSHD rshd, int joint_id, uint16_t value);
/* Position loop proportional gain; one request, at most 2 s. */
int rs_set_pos_p(RSHD rshd, int joint_id, uint16_t value);
/* Position loop integral gain; one request, at most 2 s. */
int rs_set_pos_i(RSHD rshd, int joint_id, uint16_t value);
/* Position loop derivative gain; one request, at most 2 s. */
int rs_set_pos_d(RSHD rshd, int joint_id, uint16_t value);
/* Position loop dead band; one request, at most 2 s. */
int rs_set_pos_ds(RSHD rshd, int joint_id, uint16_t value);
/* Stores joint joint_id's (1 to 6) drive parameters in its flash; one request, at most 2 s. */
int rs_joint_save_data_flash(RSHD rshd, int joint_id);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* RSROBOTCONTROL_H */
