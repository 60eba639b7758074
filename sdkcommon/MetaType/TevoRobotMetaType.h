// Public value types, enumerations and callback signatures of the robot SDK.
//
// Applications include this header directly: it depends only on the C++
// standard library and compiles as C++11. The records are plain values
// (fixed-size arrays, no ownership; only RobotEventInfo holds a string) and
// their memory layout is part of the interface: the handle interface passes
// them by pointer. The layout checks at the end pin it for 64-bit Linux
// (LP64: 8-byte double alignment, 4-byte enumerations, 1-byte bool).
//
// Units: metres, radians, seconds. Orientations are unit quaternions with the
// scalar first (w, x, y, z). Arrays per joint have ARM_DOF entries, joint 1
// (at the base) first. Fixed-size char arrays hold NUL-terminated text.
//
// Every enumeration has the fixed underlying type int: values arrive as plain
// integers from the controller and from callers, and any int converted to one
// of these types is then a valid value (codes outside the lists included).
//
// Most names live in tevo_robot_namespace. The records shared by the move and
// tool interfaces with the control core, and the callback signatures, are
// global; they name namespace types fully qualified, so this header can be
// included together with the kinematics core's own global Pos, Ori,
// cartesianPos_U, cartesianOri_U and wayPoint_S (same layout, distinct types).
#ifndef TEVO_ROBOT_META_TYPE_H
#define TEVO_ROBOT_META_TYPE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace tevo_robot_namespace {

enum { ARM_DOF = 6 };

// The success result of every operation; failures return a RobotErrorCode.
enum { InterfaceCallSuccCode = 0 };

// ---------------------------------------------------------------- geometry

// A point or vector in metres.
struct Pos {
    double x;  // m
    double y;  // m
    double z;  // m
};

// Unit quaternion, scalar first.
struct Ori {
    double w;  // scalar part
    double x;  // vector part, x
    double y;  // vector part, y
    double z;  // vector part, z
};

// Roll, pitch, yaw in radians.
struct Rpy {
    double rx;  // roll, about x, rad
    double ry;  // pitch, about y, rad
    double rz;  // yaw, about z, rad
};

// A position (m) as a record or as an array x, y, z.
union cartesianPos_U {
    Pos position;              // as a record
    double positionVector[3];  // as an array, x first
};

}  // namespace tevo_robot_namespace

// An orientation (unit quaternion) as a record or as an array w, x, y, z.
union cartesian_Ori_U {
    tevo_robot_namespace::Ori orientation;  // as a record
    double quaternionVector[4];             // as an array, w first
};

namespace tevo_robot_namespace {

// A tool: its centre point's position and orientation in the flange frame.
struct ToolInEndDesc {
    Pos toolInEndPosition;     // m
    Ori toolInEndOrientation;  // unit quaternion
};

// The tool whose centre point moves steer.
typedef ToolInEndDesc ToolKinematicsParam;
// Camera calibration: the camera's pose relative to the arm, as a tool description.
typedef ToolInEndDesc RobotCameraCalib;

// Flange position and orientation in the base frame and the joint angles
// that reach them.
struct wayPoint_S {
    cartesianPos_U cartPos;    // flange position in the base frame, m
    Ori orientation;           // flange orientation in the base frame
    double jointpos[ARM_DOF];  // joint angles, rad, joint 1 (base) first
};

// A pose: position (m) and orientation (unit quaternion, w first).
struct PositionAndQuaternion {
    Pos position;    // m
    Ori quaternion;  // unit quaternion, w first
};

// Six joint angles.
struct JointParam {
    double jointPos[ARM_DOF];  // rad, joint 1 (base) first
};

// Speed (rad/s) or acceleration (rad/s^2) limit per joint.
struct JointVelcAccParam {
    double jointPara[ARM_DOF];  // rad/s or rad/s^2, joint 1 (base) first
};

// A zero-point correction per joint.
struct RobotJointOffset {
    double jointOffset[ARM_DOF];  // rad
};

// One joint's allowed range.
struct RangeOfMotion {
    double minValue;  // rad
    double maxValue;  // rad, not below minValue
};

// The range of every joint and whether the controller enforces them.
struct JointRangeOfMotion {
    bool enable;                         // true: moves outside the ranges are refused
    RangeOfMotion rangeValues[ARM_DOF];  // joint 1 (base) first
};

// ------------------------------------------- coordinate frames, calibration

// The frame a target or offset is given in: base, flange (end) or a calibrated user (world) frame.
enum coordinate_refer : int { BaseCoordinate = 0, EndCoordinate = 1, WorldCoordinate = 2 };

// How three taught points define a user frame; the first point is the origin.
enum CoordCalibrateMathod : int {
    Origin_AnyPointOnPositiveXAxis_AnyPointOnPositiveYAxis = 0,
    Origin_AnyPointOnPositiveYAxis_AnyPointOnPositiveZAxis = 1,
    Origin_AnyPointOnPositiveZAxis_AnyPointOnPositiveXAxis = 2,
    Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOYPlane = 3,
    Origin_AnyPointOnPositiveXAxis_AnyPointOnFirstQuadrantOfXOZPlane = 4,
    Origin_AnyPointOnPositiveYAxis_AnyPointOnFirstQuadrantOfYOZPlane = 5,
    Origin_AnyPointOnPositiveYAxis_AnyPointOnFirstQuadrantOfYOXPlane = 6,
    Origin_AnyPointOnPositiveZAxis_AnyPointOnFirstQuadrantOfZOXPlane = 7,
    Origin_AnyPointOnPositiveZAxis_AnyPointOnFirstQuadrantOfZOYPlane = 8,
    CoordTypeCount = 9
};

// A user frame taught at three joint-angle sets with the given tool mounted.
// coordType BaseCoordinate makes every other field irrelevant.
struct CoordCalibrateByJointAngleAndTool {
    coordinate_refer coordType;    // BaseCoordinate, or a user frame described below
    CoordCalibrateMathod methods;  // how the three points define the frame
    JointParam wayPointArray[3];   // joint angles (rad) at the three taught points, in method order
    ToolInEndDesc toolDesc;        // tool mounted while teaching; the points are its centre point
};

// Short name of CoordCalibrateByJointAngleAndTool.
typedef CoordCalibrateByJointAngleAndTool CoordCalibrate;

// How the orientation of a tool is calibrated from taught waypoints (which tool axes the
// moves between the points follow).
enum ToolKinematicsOriCalibrateMathod : int {
    ToolKinematicsOriCalibrateMathod_Invalid = -1,
    ToolKinematicsOriCalibrateMathod_xOxy = 0,
    ToolKinematicsOriCalibrateMathod_yOyz = 1,
    ToolKinematicsOriCalibrateMathod_zOzx = 2,
    ToolKinematicsOriCalibrateMathod_TxRBz_TxyPBzAndTyABnz = 3,
    ToolKinematicsOriCalibrateMathod_TyRBz_TyzPBzAndTzABnz = 4,
    ToolKinematicsOriCalibrateMathod_TzRBz_TzxPBzAndTxABnz = 5,
    ToolKinematicsOriCalibrateMathodCount = 6
};

// Line format of a tool-pose track file.
enum POSITION_ORIENTATION_TYPE : int {
    POSITION_MM_AND_RPY_ANGLE_SPACE_SPLIT = 1,  // mm and RPY degrees, blanks
    POSITION_M_AND_QUATERNION_COMMA_SPLIT = 10  // metres and quaternion, commas
};

// ------------------------------------------------------------------ motion

// Values 0 to 10 exist on the wire; 11 to 14 and 101 only in the library and
// are rewritten before a profile is sent.
enum move_track : int {
    NO_TRACK = 0,
    TRACKING = 1,
    ARC_CIR = 2,
    CARTESIAN_MOVEP = 3,
    CARTESIAN_CUBICSPLINE = 4,
    CARTESIAN_UBSPLINEINTP = 5,
    CARTESIAN_GNUBSPLINEINTP = 6,
    CARTESIAN_LOOKAHEAD = 7,
    JIONT_CUBICSPLINE = 8,
    JOINT_UBSPLINEINTP = 9,
    JOINT_GNUBSPLINEINTP = 10,
    ARC = 11,
    CIRCLE = 12,
    ARC_ORI_ROTATED = 13,
    CIRCLE_ORI_ROTATED = 14,
    ORI_POSITION_ROTATE_CIRCUMFERENCE = 101
};

// Axis of a jog (teach) move: one joint, or a translation or rotation along x, y or z of the
// teach frame.
enum teach_mode : int {
    NO_TEACH = 0,
    JOINT1 = 1,
    JOINT2 = 2,
    JOINT3 = 3,
    JOINT4 = 4,
    JOINT5 = 5,
    JOINT6 = 6,
    MOV_X = 7,
    MOV_Y = 8,
    MOV_Z = 9,
    ROT_X = 10,
    ROT_Y = 11,
    ROT_Z = 12
};

// Stop, pause or continue the running move (rootServiceRobotMoveControl).
enum RobotMoveControlCommand : int { RobotMoveStop = 0, RobotMovePause = 1, RobotMoveContinue = 2 };

// An offset added to a move's target: switch, translation (m), rotation.
struct MoveRelative {
    bool ena;                   // false: no offset
    float relativePosition[3];  // translation x, y, z, m
    Ori relativeOri;            // rotation, unit quaternion (identity: none)
};

// A complete profile for one move, passed with the move instead of the
// global profile.
struct MoveProfile_t {
    double jointMaxAcc[ARM_DOF];                        // rad/s^2 per joint
    double jointMaxVelc[ARM_DOF];                       // rad/s per joint
    double endMaxLineAcc;                               // tool point, m/s^2
    double endMaxLineVelc;                              // tool point, m/s
    MoveRelative relative;                              // offset added to the target
    CoordCalibrateByJointAngleAndTool relativeOnCoord;  // frame the offset is given in
    double blendRadius;                                 // m
    ToolInEndDesc toolInEndDesc;                        // tool of the move
};

// Limits of the regulated (reduced) speed mode.
struct RegulateSpeedModeParamConfig_t {
    double maxTcpVelocity;                 // m/s
    double maxTcpAcceleration;             // m/s^2
    double maxJointVelocity[ARM_DOF];      // rad/s
    double maxJointAcceleration[ARM_DOF];  // rad/s^2
};

// Weaving of the tool across its path (welding); values go to the
// controller unchanged.
struct WeaveMove {
    bool weaveEnable;          // true: weave during the moves
    int weaveType;             // pattern, as the controller numbers them
    double weaveStep;          // m along the path per period
    double weaveAmplitude;     // m across the path
    double weaveHoldDistance;  // m held at each side
    double weaveAngle;         // rad, tilt of the weaving plane
};

// Seam-tracking parameters; values go to the controller unchanged.
struct SeamTracking {
    bool trackEnable;             // true: seam tracking on
    wayPoint_S currentRoadPoint;  // waypoint the correction applies to
    wayPoint_S nextRoadPoint;     // waypoint after it
    int timeInterval;             // correction period, ms
    double currentPosError[3];    // measured deviation x, y, z, m
    double maxVel;                // correction speed limit, m/s
    double maxAcc;                // correction acceleration limit, m/s^2
    bool paraChanged;             // true when these values are new
};

}  // namespace tevo_robot_namespace

// Kind of a move in RobotMoveProfile.
enum move_mode : int {
    NO_MOVEMODE = 0,  // none
    MODEJ = 1,        // joint-space move
    MODEL = 2,        // straight-line move
    MODEP = 3         // blended move through a waypoint list
};

// Early-arrival rule of a move: none, by distance or time before the target, or blending into
// the next move.
enum arrival_ahead_state : int {
    arrival_ahead_none = 0,
    arrival_ahead_distance = 1,
    arrival_ahead_time = 2,
    arrival_ahead_blend_distance = 3,
    arrival_ahead_blend_time = 4,
    arrival_ahead_done = 5
};

// How a motion call went: failed, sent and waited for, sent without waiting, or not sent.
enum call_robot_motion_func_result : int {
    call_robot_motion_func_failed = 0,
    call_robot_motion_func_succ_wait_done = 1,
    call_robot_motion_func_succ_nowait = 2,
    call_robot_motion_func_succ_nocall_wait = 3
};

// Speed or acceleration limits: two Cartesian values (line, angle) overlaying
// the first two entries of the per-joint values.
union joint_cart_U {
    double cartPara[2];  // line (m/s or m/s^2) and angle (rad/s or rad/s^2)
    double jointPara[tevo_robot_namespace::ARM_DOF];  // per joint, rad/s or rad/s^2
};

// Early-arrival rule: threshold in metres (distance modes) or seconds.
struct MoveArrivalAhead_t {
    arrival_ahead_state arrivalAheadStat;  // which rule
    double arrivalAheadThr;                // m (distance rules) or s (time rules)
};

// The profile built for every motion command and sent as the wire message of
// the same name (all but jerkAccRatio).
struct RobotMoveProfile {
    // An offset added to the move's targets.
    struct RelativeMove {
        bool ena;                             // false: no offset
        float relativePosition[3];            // m
        cartesian_Ori_U relativeOrientation;  // unit quaternion
    };

    move_mode moveMode;                                      // kind of move
    tevo_robot_namespace::move_track subMoveMode;            // track type of a MODEP move
    tevo_robot_namespace::teach_mode teachMode;              // axis of a teach move
    bool enableIterIk;                                       // iterative inverse kinematics
    bool toolTrack;                                          // targets refer to the tool point
    tevo_robot_namespace::cartesianPos_U toolInEndPosition;  // tool point in the flange frame, m
    tevo_robot_namespace::Ori toolInEndOrientation;          // tool orientation in the flange frame
    RelativeMove relativeMove;                               // offset added to the targets
    joint_cart_U maxVelc;             // rad/s per joint, or line m/s and angle rad/s
    joint_cart_U maxAcc;              // rad/s^2 per joint, or line m/s^2 and angle rad/s^2
    MoveArrivalAhead_t arrivalAhead;  // early-arrival rule
    float blendRadius;                // m
    int circularLoopTimes;            // circle repetitions
    double jerkAccRatio;              // kept in the library, not transmitted
};

// Payload setting as the controller holds it: centre of mass and mass.
struct TcpParam {
    float positionX;  // centre of mass in the flange frame, m
    float positionY;  // m
    float positionZ;  // m
    float payload;    // mass, kg
};

// Payload settings for automatic and for manual operation.
struct RobotTcpParam {
    TcpParam paramAutorun;  // for automatic operation
    TcpParam paramManual;   // for manual (teach) operation
};

// Collision currents per joint and the collision class; only the class
// travels on the wire.
struct RobotCollisionCurrent {
    uint16_t JointCollisionCurrent[tevo_robot_namespace::ARM_DOF]
                                  [4];  // per joint, four thresholds, drive units
    uint8_t CollisionClass;             // collision sensitivity 0 to 10
};

namespace tevo_robot_namespace {

// --------------------------------------------- tool dynamics and payload

// A tool's inertia tensor about its centre of mass, kg·m^2.
struct ToolInertia {
    double xx;  // Ixx
    double xy;  // Ixy
    double xz;  // Ixz
    double yy;  // Iyy
    double yz;  // Iyz
    double zz;  // Izz
};

// A tool's mass properties.
struct ToolDynamicsParam {
    double positionX;         // centre of mass in the flange frame, m
    double positionY;         // m
    double positionZ;         // m
    double payload;           // mass, kg
    ToolInertia toolInertia;  // kg·m^2
};

// ------------------------------------------------- arm and controller status

// One joint's live status as its drive reports it. Note the units: the
// positions here are degrees, while waypoints and moves use radians.
struct JointStatus {
    int32_t jointCurrentI;     // motor current, mA
    int32_t jointSpeedMoto;    // motor speed, drive units (1/100 rpm)
    float jointPosJ;           // joint position, degrees
    float jointCurVol;         // drive voltage, V
    float jointCurTemp;        // drive temperature, °C
    int32_t jointTagCurrentI;  // target current, mA
    float jointTagSpeedMoto;   // target motor speed, drive units
    float jointTagPosJ;        // target position, degrees
    uint16_t jointErrorNum;    // drive error number, 0: none
};

// The controller's diagnosis of the arm (robotServiceGetRobotDiagnosisInfo); flags are true when
// the condition is present.
struct RobotDiagnosis {
    uint8_t armCanbusStatus;                // state of the arm's CAN bus, controller-defined
    float armPowerCurrent;                  // arm supply current, A
    float armPowerVoltage;                  // arm supply voltage, V
    bool armPowerStatus;                    // arm supply on
    int8_t contorllerTemp;                  // °C
    uint8_t contorllerHumidity;             // % relative humidity
    bool remoteHalt;                        // remote halt input active
    bool softEmergency;                     // software emergency stop active
    bool remoteEmergency;                   // remote emergency stop active
    bool robotCollision;                    // a collision was detected
    bool forceControlMode;                  // force-control (hand-guiding) mode on
    bool brakeStuats;                       // brakes engaged
    float robotEndSpeed;                    // tool point speed, m/s
    int32_t robotMaxAcc;                    // the board's maximum acceleration setting
    bool orpeStatus;                        // safety I/O (project control) enabled
    bool enableReadPose;                    // the mounting pose is read at start-up
    bool robotMountingPoseChanged;          // the mounting pose differs from the stored one
    bool encoderErrorStatus;                // an encoder reports an error
    bool staticCollisionDetect;             // collision detection at standstill on
    uint8_t jointCollisionDetect;           // joints that detected a collision, controller-defined
    bool encoderLinesError;                 // encoder line error reported
    bool jointErrorStatus;                  // a joint drive reports an error
    bool singularityOverSpeedAlarm;         // overspeed near a singularity
    bool robotCurrentAlarm;                 // arm current alarm
    uint8_t toolIoError;                    // tool I/O error code, 0: none
    bool robotMountingPoseWarning;          // mounting pose warning
    uint16_t macTargetPosBufferSize;        // capacity of the controller's target buffer, waypoints
    uint16_t macTargetPosDataSize;          // waypoints now in that buffer
    uint8_t macDataInterruptWarning;        // non-zero: the stream of targets was interrupted
    uint8_t controlBoardAbnormalStateFlag;  // non-zero: the control board reports an abnormal state
};

// Gravity as the controller measures it in the base frame.
struct RobotGravityComponent {
    float x;  // m/s^2
    float y;  // m/s^2
    float z;  // m/s^2
};

// Denavit-Hartenberg lengths in metres.
struct RobotDhPara {
    double A3;  // link length a3
    double A4;  // link length a4
    double D1;  // offset d1
    double D2;  // offset d2
    double D5;  // offset d5
    double D6;  // offset d6
};

// A recognition (vision) parameter block.
struct RobotRecongnitionParam {
    uint8_t type;       // kind of block
    uint8_t length;     // number of used bytes of data
    uint8_t data[256];  // the block's bytes (at most 255 used)
};

// Device information of the controller and arm (robotServiceGetRobotDevInfoService); texts
// are NUL-terminated.
struct RobotDevInfo {
    // Hardware and software version texts of one joint.
    struct JointVersion {
        char hw_version[8];   // hardware version text
        char sw_version[16];  // firmware version text
    };
    // Product identifier text of one joint.
    struct JointProductID {
        char productID[16];  // product identifier text
    };

    uint8_t type;                      // device type
    char revision[16];                 // interface board revision text
    char manu_id[16];                  // manufacturer identifier
    char joint_type[16];               // joint model text
    JointVersion joint_ver[8];         // per joint, joint 1 first (six used)
    char desc[64];                     // device description text
    JointProductID jointProductID[8];  // per joint, joint 1 first (six used)
    char slave_version[16];            // slave board firmware version text
    char extio_version[16];            // extension I/O board version text
};

// One joint's drive parameters.
struct JointCommonData {
    uint16_t JointCurVol;     // drive voltage, drive units
    uint16_t JointCurTemp;    // drive temperature, drive units
    uint16_t JointWorkMode;   // drive operating mode, drive-defined
    uint16_t JointDriEnable;  // drive enabled (non-zero)
    uint16_t JointOpenPwm;    // PWM output enabled (non-zero)
    int32_t JointTagCurrent;  // target current, drive units
    int32_t JointTagSpeed;    // target speed, drive units
    int32_t JointTagPos;      // target position, encoder counts
    uint16_t JointMaxCur;     // current limit, drive units
    uint16_t JointMaxSpeed;   // speed limit, drive units
    uint16_t JointMaxAcc;     // acceleration limit, drive units
    int32_t JointMINPos;      // lower position limit, encoder counts
    int32_t JointMAXPos;      // upper position limit, encoder counts
    uint16_t JointSEVLock;    // servo lock state, drive-defined
    uint16_t JointCurP;       // current loop proportional gain
    uint16_t JointCurI;       // current loop integral gain
    uint16_t JointCurD;       // current loop derivative gain
    uint16_t JointSpeedP;     // speed loop proportional gain
    uint16_t JointSpeedI;     // speed loop integral gain
    uint16_t JointSpeedD;     // speed loop derivative gain
    uint16_t JointSpeedDS;    // speed loop dead band
    uint16_t JointPosP;       // position loop proportional gain
    uint16_t JointPosI;       // position loop integral gain
    uint16_t JointPosD;       // position loop derivative gain
    uint16_t JointPosDS;      // position loop dead band
};

// Motion state of the arm.
enum RobotState : int { RobotStopped = 0, RobotRunning = 1, RobotPaused = 2, RobotResumed = 3 };

// Simulated arm (the controller moves no motors) or real arm.
enum RobotWorkMode : int { RobotModeSimulator = 0, RobotModeReal = 1 };

// The arm's state after start-up: ready, starting, working, closing, closed, or the fault that
// stopped it (power, brake, no arm, safeguard stop).
enum ROBOT_SERVICE_STATE : int {
    ROBOT_SERVICE_READY = 0,
    ROBOT_SERVICE_STARTING = 1,
    ROBOT_SERVICE_WORKING = 2,
    ROBOT_SERVICE_CLOSING = 3,
    ROBOT_SERVICE_CLOSED = 4,
    ROBOT_SETVICE_FAULT_POWER = 5,
    ROBOT_SETVICE_FAULT_BRAKE = 6,
    ROBOT_SETVICE_FAULT_NO_ROBOT = 7,
    ROBOT_SETVICE_FAULT_SAFEGUARD_STOP = 8
};

// Arm model; numbered like the kinematics core's model enumeration.
enum RobotType : int {
    ROBOT_MODEL_0 = 0,
    ROBOT_MODEL_1 = 1,
    ROBOT_MODEL_2 = 2,
    ROBOT_MODEL_3 = 3,
    ROBOT_MODEL_4 = 4,
    ROBOT_MODEL_5 = 5,
    ROBOT_MODEL_6 = 6,
    ROBOT_MODEL_7 = 7,
    ROBOT_MODEL_8 = 8,
    ROBOT_MODEL_9 = 9
};

// Kind of excitation trajectory for dynamics identification: of the arm, of the tool, or abort.
enum Robot_Dyn_identify_traj : int {
    Dyn_identify_traj_none = 0,
    Dyn_identify_traj_robot = 1,
    Dyn_identify_traj_tool = 2,
    Dyn_identify_traj_tool_abort = 3
};

// Step of a board firmware update: start, data block or end, for the master or slave board.
enum update_board_firmware_cmd : int {
    update_master_board_firmware_trans_start = 1,
    update_master_board_firmware_trans_data = 2,
    update_master_board_firmware_trans_end = 3,
    update_slave_board_firmware_trans_start = 4,
    update_slave_board_firmware_trans_data = 5,
    update_slave_board_firmware_trans_end = 6
};

// Arm control commands (rootServiceRobotControl): brakes, alarms, force control, safety I/O,
// mounting pose and static collision detection switches.
enum RobotControlCommand : int {
    RobotRelease = 0,
    RobotBrake = 1,
    OverspeedWarning = 2,
    OverspeedRecover = 3,
    DisableForceControl = 4,
    EnableForceControl = 5,
    OrpeOpen = 6,
    OrpeClose = 7,
    EnableReadPose = 8,
    DisableReadPose = 9,
    MountingPoseChanged = 10,
    MountingPoseUnChanged = 11,
    EnableStaticCollisionDetect = 12,
    DisableStaticCollisionDetect = 13,
    ClearSingularityOverSpeedAlarm = 14,
    ClearRobotCurrentAlarm = 15
};

// ------------------------------------------------------------------ safety

// Limits of the reduced (safety) mode and two safety settings; 0 leaves a
// limit at the controller's default.
struct RobotSafetyConfig {
    uint16_t robotReducedConfigJointSpeed[ARM_DOF];  // degrees/s per joint
    uint32_t robotReducedConfigTcpSpeed;             // tool point, mm/s
    uint32_t robotReducedConfigTcpForce;             // tool point, N
    uint32_t robotReducedConfigMomentum;             // kg·m/s
    uint32_t robotReducedConfigPower;                // W
    uint8_t robotSafeguradResetConfig;               // safeguard reset mode, controller-defined
    uint8_t robotOperationalModeConfig;              // operational mode, controller-defined
};

// Status of the controller's safety I/O; each flag 0 (clear) or 1 (set).
struct OrpeSafetyStatus {
    uint8_t orpePause;             // project paused by safety I/O
    uint8_t orpeStop;              // project stopped by safety I/O
    uint8_t orpeError[16];         // error flags, controller-defined order
    uint8_t systemEmergencyStop;   // system emergency stop active
    uint8_t reducedModeError;      // reduced-mode violation
    uint8_t safetyguardResetSucc;  // safeguard reset done
};

// ------------------------------------------------------------ input/output

// Kind of an I/O point: interface board (controller or user) or tool, digital or analog,
// input or output.
enum RobotIoType : int {
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

// One named I/O point and its current value.
struct RobotIoDesc {
    char ioId[32];       // identifier text, NUL-terminated
    RobotIoType ioType;  // board controller/user or tool, digital/analog, in/out
    char ioName[32];     // name, e.g. "U_DO_03", "VI0", NUL-terminated
    int ioAddr;          // board address of the point
    double ioValue;      // digital: 0 or 1; analog: volts (current outputs: mA)
};

// One digital point as the controller reports it.
struct RobotDiagnosisIODesc {
    uint8_t addr;   // board address
    uint8_t value;  // 0 or 1
    uint8_t type;   // RobotIoType
};

// One analog point as the controller reports it.
struct RobotAnalogIODesc {
    uint8_t addr;  // board address
    float value;   // V
    uint8_t type;  // RobotIoType
};

// Level of a digital output.
enum IO_STATUS : int { IO_STATUS_INVALID = 0, IO_STATUS_VALID = 1 };

// One of the tool's four digital lines.
enum ToolDigitalIOAddr : int {
    TOOL_DIGITAL_IO_0 = 0,
    TOOL_DIGITAL_IO_1 = 1,
    TOOL_DIGITAL_IO_2 = 2,
    TOOL_DIGITAL_IO_3 = 3
};

// Direction of a tool digital line.
enum ToolIOType : int { IO_IN = 0, IO_OUT = 1 };

// Voltage of the tool supply.
enum ToolPowerType : int { OUT_0V = 0, OUT_12V = 1, OUT_24V = 2 };

// ----------------------------------------------------------- force sensing

// Admittance of the force-control mode, one value per Cartesian axis
// (x, y, z, then rotations about x, y, z).
struct AdmittancePatam_t {
    double inertia[6];    // kg (translation), kg·m^2 (rotation)
    double damping[6];    // N·s/m, N·m·s/rad
    double stiffness[6];  // N/m, N·m/rad
};

// ------------------------------------------------------ events and logging

// Level of a log line passed to the log callback.
enum LOG_LEVEL : int { LL_INFO = 0, LL_DEBUG = 1, LL_WARN = 2, LL_ERROR = 3, LL_FATAL = 4 };

// Bands: 0-50 and 100 status notifications; 1000-1300 motion planning and
// monitoring errors; 2001-2999 hardware errors; 3000-3100 mode-change
// notifications; 9000-9999 user events; 10000 unknown. A blocking move that
// ends on an event of 1001-1299 or 2001-2999 returns the event value plus
// 20000 as its RobotErrorCode.
enum RobotEventType : int {
    RobotEvent_armCanbusError = 0,
    RobotEvent_remoteHalt = 1,
    RobotEvent_remoteEmergencyStop = 2,
    RobotEvent_jointError = 3,
    RobotEvent_forceControl = 4,
    RobotEvent_exitForceControl = 5,
    RobotEvent_softEmergency = 6,
    RobotEvent_exitSoftEmergency = 7,
    RobotEvent_collision = 8,
    RobotEvent_collisionStatusChanged = 9,
    RobotEvent_tcpParametersSucc = 10,
    RobotEvent_powerChanged = 11,
    RobotEvent_ArmPowerOff = 12,
    RobotEvent_mountingPoseChanged = 13,
    RobotEvent_encoderError = 14,
    RobotEvent_encoderLinesError = 15,
    RobotEvent_singularityOverspeed = 16,
    RobotEvent_currentAlarm = 17,
    RobotEvent_toolioError = 18,
    RobotEvent_robotStartupPhase = 19,
    RobotEvent_robotStartupDoneResult = 20,
    RobotEvent_robotShutdownDone = 21,
    RobotEvent_atTrackTargetPos = 22,
    RobotSetPowerOnDone = 23,
    RobotReleaseBrakeDone = 24,
    RobotEvent_robotControllerStateChaned = 25,
    RobotEvent_robotControllerError = 26,
    RobotEvent_socketDisconnected = 27,
    RobotEvent_robotControlException = 28,
    RobotEvent_trackPlayInterrupte = 29,
    RobotEvent_staticCollisionStatusChanged = 30,
    RobotEvent_MountingPoseWarning = 31,
    RobotEvent_MacDataInterruptWarning = 32,
    RobotEvent_ToolIoError = 33,
    RobotEvent_InterfacBoardSafeIoEvent = 34,
    RobotEvent_RobotHandShakeSucc = 35,
    RobotEvent_RobotHandShakeFailed = 36,
    RobotEvent_RobotErrorInfoNotify = 37,
    RobotEvent_InterfacBoardDIChanged = 38,
    RobotEvent_InterfacBoardDOChanged = 39,
    RobotEvent_InterfacBoardAIChanged = 40,
    RobotEvent_InterfacBoardAOChanged = 41,
    RobotEvent_UpdateJoint6Rot360Flag = 42,
    RobotEvent_RobotMoveControlDone = 43,
    RobotEvent_RobotMoveControlStopDone = 44,
    RobotEvent_RobotMoveControlPauseDone = 45,
    RobotEvent_RobotMoveControlContinueDone = 46,
    RobotEvent_RobotSwitchToOnlineMaster = 47,
    RobotEvent_RobotSwitchToOnlineSlave = 48,
    RobotEvent_ConveyorTrackRobotStartup = 49,
    RobotEvent_ConveyorTrackRobotCatchup = 50,
    RobotEvent_exceptEvent = 100,
    RobotEventInvalid = 1000,
    RobotEventMoveJConfigError = 1001,
    RobotEventMoveLConfigError = 1002,
    RobotEventMovePConfigError = 1003,
    RobotEventInvailConfigError = 1004,
    RobotEventWaitRobotStopped = 1005,
    RobotEventJointOutRange = 1006,
    RobotEventFirstWaypointSetError = 1007,
    RobotEventConveyorTrackConfigError = 1008,
    RobotEventConveyorTrackTrajectoryTypeError = 1009,
    RobotEventRelativeTransformIKFailed = 1010,
    RobotEventTeachModeCollision = 1011,
    RobotEventextErnalToolConfigError = 1012,
    RobotEventTrajectoryAbnormal = 1101,
    RobotEventOnlineTrajectoryPlanError = 1102,
    RobotEventOnlineTrajectoryTypeIIError = 1103,
    RobotEventIKFailed = 1104,
    RobotEventAbnormalLimitProtect = 1105,
    RobotEventConveyorTrackingFailed = 1106,
    RobotEventConveyorOutWorkingRange = 1107,
    RobotEventTrajectoryJointOutOfRange = 1108,
    RobotEventTrajectoryJointOverspeed = 1109,
    RobotEventOfflineTrajectoryPlanFailed = 1110,
    RobotEventTrajectoryJointAccOutOfRange = 1111,
    RobotEventControllerIKFailed = 1200,
    RobotEventControllerStatusException = 1201,
    RobotEventControllerTrackingLost = 1202,
    RobotEventMonitorErrTrackingLost = 1203,
    RobotEventMonitorErrNoArrivalInTime = 1204,
    RobotEventMonitorErrCurrentOverload = 1205,
    RobotEventMonitorErrJointOutOfRange = 1206,
    RobotEventMonitorErrFifoDataTimeNotRead = 1207,
    RobotEventMoveEnterStopState = 1300,
    RobotEventHardwareErrorNotify = 2001,
    RobotEventJointError = 2101,
    RobotEventJointOverCurrent = 2102,
    RobotEventJointOverVoltage = 2103,
    RobotEventJointLowVoltage = 2104,
    RobotEventJointOverTemperature = 2105,
    RobotEventJointHallError = 2106,
    RobotEventJointEncoderError = 2107,
    RobotEventJointAbsoluteEncoderError = 2108,
    RobotEventJointCurrentDetectError = 2109,
    RobotEventJointEncoderPollustion = 2110,
    RobotEventJointEncoderZSignalError = 2111,
    RobotEventJointEncoderCalibrateInvalid = 2112,
    RobotEventJoint_IMU_SensorInvalid = 2113,
    RobotEventJointTemperatureSensorError = 2114,
    RobotEventJointCanBusError = 2115,
    RobotEventJointCurrentError = 2116,
    RobotEventJointCurrentPositionError = 2117,
    RobotEventJointOverSpeed = 2118,
    RobotEventJointOverAccelerate = 2119,
    RobotEventJointTraceAccuracy = 2120,
    RobotEventJointTargetPositionOutOfRange = 2121,
    RobotEventJointTargetSpeedOutOfRange = 2122,
    RobotEventJointCollision = 2123,
    RobotEventDataAbnormal = 2200,
    RobotEventRobotTypeError = 2201,
    RobotEventAccelerationSensorError = 2202,
    RobotEventEncoderLineError = 2203,
    RobotEventEnterDragAndTeachModeError = 2204,
    RobotEventExitDragAndTeachModeError = 2205,
    RobotEventMACDataInterruptionError = 2206,
    RobotEventDriveVersionError = 2207,
    RobotEventInitAbnormal = 2300,
    RobotEventDriverEnableFailed = 2301,
    RobotEventDriverEnableAutoBackFailed = 2302,
    RobotEventDriverEnableCurrentLoopFailed = 2303,
    RobotEventDriverSetTargetCurrentFailed = 2304,
    RobotEventDriverReleaseBrakeFailed = 2305,
    RobotEventDriverEnablePostionLoopFailed = 2306,
    RobotEventSetMaxAccelerateFailed = 2307,
    RobotEventSafetyError = 2400,
    RobotEventExternEmergencyStop = 2401,
    RobotEventSystemEmergencyStop = 2402,
    RobotEventTeachpendantEmergencyStop = 2403,
    RobotEventControlCabinetEmergencyStop = 2404,
    RobotEventProtectionStopTimeout = 2405,
    RobotEventEeducedModeTimeout = 2406,
    RobotEventSystemAbnormal = 2500,
    RobotEvent_MCU_CommunicationAbnormal = 2501,
    RobotEvent485CommunicationAbnormal = 2502,
    RobotEventSoftEmergency = 2550,
    RobotEventSoftEmergencyExit = 2551,
    RobotEventArmPowerOff = 2600,
    RobotEventHardwareErrorNotifyMaximumIndex = 2999,
    RobotEventNotifyEvent = 3000,
    RobotEventNotifyCollisionLevelChange = 3001,
    RobotEventNotifyEnterFlexibleControlMode = 3010,
    RobotEventNotifyExitFlexibleControlMode = 3011,
    RobotEventNotifyEnterSpeedReducedMode = 3015,
    RobotEventNotifyExitSpeedReducedMode = 3016,
    RobotEventNotifyStopCurrentMove = 3100,
    robot_event_unknown = 10000,
    RobotEvent_User = 9000,
    RobotEvent_MaxUser = 9999,
};

// One robot event as the event callback receives it.
struct RobotEventInfo {
    RobotEventType eventType;  // what happened
    int eventCode;             // event specific, e.g. the joint concerned
    std::string eventContent;  // text attached by the controller or library
};

// Result of every library operation: 0 success, 10000-10024 library failures,
// 11025-11028 refused move-control requests, 20000 and up a blocking move
// interrupted by a controller event (event value plus 20000; 21301 for an
// event without a code of its own).
enum RobotErrorCode : int {
    ErrnoSucc = 0,
    ErrCode_Base = 10000,
    ErrCode_Failed = 10001,
    ErrCode_ParamError = 10002,
    ErrCode_ConnectSocketFailed = 10003,
    ErrCode_SocketDisconnect = 10004,
    ErrCode_CreateRequestFailed = 10005,
    ErrCode_RequestRelatedVariableError = 10006,
    ErrCode_RequestTimeout = 10007,
    ErrCode_SendRequestFailed = 10008,
    ErrCode_ResponseInfoIsNULL = 10009,
    ErrCode_ResolveResponseFailed = 10010,
    ErrCode_FkFailed = 10011,
    ErrCode_IkFailed = 10012,
    ErrCode_ToolCalibrateError = 10013,
    ErrCode_ToolCalibrateParamError = 10014,
    ErrCode_CoordinateSystemCalibrateError = 10015,
    ErrCode_BaseToUserConvertFailed = 10016,
    ErrCode_UserToBaseConvertFailed = 10017,
    ErrCode_MotionRelatedVariableError = 10018,
    ErrCode_MotionRequestFailed = 10019,
    ErrCode_CreateMotionRequestFailed = 10020,
    ErrCode_MotionInterruptedByEvent = 10021,
    ErrCode_MotionWaypointVetorSizeError = 10022,
    ErrCode_ResponseReturnError = 10023,
    ErrCode_RealRobotNoExist = 10024,
    ErrCode_moveControlSlowStopFailed = 11025,
    ErrCode_moveControlFastStopFailed = 11026,
    ErrCode_moveControlPauseFailed = 11027,
    ErrCode_moveControlContinueFailed = 11028,
    ErrCode_collision = 20008,
    ErrCode_robotControllerError = 20026,
    ErrCodeMoveJConfigError = 21001,
    ErrCodeMoveLConfigError = 21002,
    ErrCodeMovePConfigError = 21003,
    ErrCodeInvailConfigError = 21004,
    ErrCodeWaitRobotStopped = 21005,
    ErrCodeJointOutRange = 21006,
    ErrCodeFirstWaypointSetError = 21007,
    ErrCodeConveyorTrackConfigError = 21008,
    ErrCodeConveyorTrackTrajectoryTypeError = 21009,
    ErrCodeRelativeTransformIKFailed = 21010,
    ErrCodeTeachModeCollision = 21011,
    ErrCodeextErnalToolConfigError = 21012,
    ErrCodeTrajectoryAbnormal = 21101,
    ErrCodeOnlineTrajectoryPlanError = 21102,
    ErrCodeOnlineTrajectoryTypeIIError = 21103,
    ErrCodeIKFailed = 21104,
    ErrCodeAbnormalLimitProtect = 21105,
    ErrCodeConveyorTrackingFailed = 21106,
    ErrCodeConveyorOutWorkingRange = 21107,
    ErrCodeTrajectoryJointOutOfRange = 21108,
    ErrCodeTrajectoryJointOverspeed = 21109,
    ErrCodeOfflineTrajectoryPlanFailed = 21110,
    ErrCodeTrajectoryJointAccOutOfRange = 21111,
    ErrCodeControllerIKFailed = 21200,
    ErrCodeControllerStatusException = 21201,
    ErrCodeControllerTrackingLost = 21202,
    ErrCodeMonitorErrTrackingLost = 21203,
    ErrCodeMonitorErrNoArrivalInTime = 21204,
    ErrCodeMonitorErrCurrentOverload = 21205,
    ErrCodeMonitorErrJointOutOfRange = 21206,
    ErrCodeFifoDataTimeNotRead = 21207,
    ErrCodeMoveEnterStopState = 21300,
    ErrCodeMoveInterruptedByEvent = 21301,
    ErrCodeHardwareErrorNotify = 22001,
    ErrCodeJointError = 22101,
    ErrCodeJointOverCurrent = 22102,
    ErrCodeJointOverVoltage = 22103,
    ErrCodeJointLowVoltage = 22104,
    ErrCodeJointOverTemperature = 22105,
    ErrCodeJointHallError = 22106,
    ErrCodeJointEncoderError = 22107,
    ErrCodeJointAbsoluteEncoderError = 22108,
    ErrCodeJointCurrentDetectError = 22109,
    ErrCodeJointEncoderPollustion = 22110,
    ErrCodeJointEncoderZSignalError = 22111,
    ErrCodeJointEncoderCalibrateInvalid = 22112,
    ErrCodeJoint_IMU_SensorInvalid = 22113,
    ErrCodeJointTemperatureSensorError = 22114,
    ErrCodeJointCanBusError = 22115,
    ErrCodeJointCurrentError = 22116,
    ErrCodeJointCurrentPositionError = 22117,
    ErrCodeJointOverSpeed = 22118,
    ErrCodeJointOverAccelerate = 22119,
    ErrCodeJointTraceAccuracy = 22120,
    ErrCodeJointTargetPositionOutOfRange = 22121,
    ErrCodeJointTargetSpeedOutOfRange = 22122,
    ErrCodeJointCollision = 22123,
    ErrCodeDataAbnormal = 22200,
    ErrCodeRobotTypeError = 22201,
    ErrCodeAccelerationSensorError = 22202,
    ErrCodeEncoderLineError = 22203,
    ErrCodeEnterDragAndTeachModeError = 22204,
    ErrCodeExitDragAndTeachModeError = 22205,
    ErrCodeMACDataInterruptionError = 22206,
    ErrCodeDriveVersionError = 22207,
    ErrCodeInitAbnormal = 22300,
    ErrCodeDriverEnableFailed = 22301,
    ErrCodeDriverEnableAutoBackFailed = 22302,
    ErrCodeDriverEnableCurrentLoopFailed = 22303,
    ErrCodeDriverSetTargetCurrentFailed = 22304,
    ErrCodeDriverReleaseBrakeFailed = 22305,
    ErrCodeDriverEnablePostionLoopFailed = 22306,
    ErrCodeSetMaxAccelerateFailed = 22307,
    ErrCodeSafetyError = 22400,
    ErrCodeExternEmergencyStop = 22401,
    ErrCodeSystemEmergencyStop = 22402,
    ErrCodeTeachpendantEmergencyStop = 22403,
    ErrCodeControlCabinetEmergencyStop = 22404,
    ErrCodeProtectionStopTimeout = 22405,
    ErrCodeEeducedModeTimeout = 22406,
    ErrCodeSystemAbnormal = 22500,
    ErrCode_MCU_CommunicationAbnormal = 22501,
    ErrCode485CommunicationAbnormal = 22502,
    ErrCodeSoftEmergency = 22550,
    ErrCodeArmPowerOff = 22600,
};

}  // namespace tevo_robot_namespace

// -------------------------------------------- global records shared with the
// control core

// Drive parameters of all six joints.
struct RobotJointCommonData {
    tevo_robot_namespace::JointCommonData
        data[tevo_robot_namespace::ARM_DOF];  // joint 1 (base) first
};

// Complete I/O status of the tool.
struct RobotToolAllIOStatus {
    // One tool digital line: direction and level.
    struct DigitalIoStatus {
        tevo_robot_namespace::ToolIOType ioType;  // input or output
        uint8_t ioData;                           // level, 0 or 1
    };

    tevo_robot_namespace::ToolPowerType powerType;  // supply type in effect
    float systemVoltage;                            // tool supply voltage, V
    DigitalIoStatus digitalIoStatus[4];             // lines 0..3: direction and level (0/1)
    float aiData[2];                                // analog inputs, V
    float systemTemperature;                        // tool board, °C
    uint8_t errorStatus;                            // 0: no error
};

// Force/torque reading, x, y, z each.
struct WrenchParam {
    double force[3];   // N
    double torque[3];  // N·m
};

// Result of a force sensor calibration.
struct FtSensorCalResult {
    WrenchParam offset;  // sensor offset to subtract
    double mass;         // tool mass, kg
    double centroid[3];  // tool centre of mass in the sensor frame, m
    double angle[2];     // sensor mounting angles, rad
};

// ------------------------------------------------------- callback signatures
// Each receives the argument registered with it last and returns nothing.

// Status of all joints as an array and its length (receive thread).
typedef void (*RealTimeJointStatusCallback)(const tevo_robot_namespace::JointStatus* jointStatus,
                                            int size, void* arg);
// The arm's current waypoint (receive thread).
typedef void (*RealTimeRoadPointCallback)(const tevo_robot_namespace::wayPoint_S* wayPoint,
                                          void* arg);
// The tool's current speed (receive thread).
typedef void (*RealTimeEndSpeedCallback)(double speed, void* arg);
// Progress number of a running MODEP move (receive thread).
typedef void (*RealTimeMovepStepNumNotifyCallback)(int stepNum, void* arg);
// One robot event (event thread).
typedef void (*RobotEventCallback)(const tevo_robot_namespace::RobotEventInfo* eventInfo,
                                   void* arg);
// Level and text of one log line (any thread).
typedef void (*RobotLogPrintCallback)(tevo_robot_namespace::LOG_LEVEL level, const char* log,
                                      void* arg);

// ------------------------------------------------------------ layout checks
// The handle interface and applications exchange these records by pointer;
// a change to any of these figures breaks binary compatibility. Checked on
// 64-bit Linux and other LP64 targets.
#if defined(__LP64__)
#define TEVO_LAYOUT_SIZE(T, n) static_assert(sizeof(T) == (n), "size of " #T)
#define TEVO_LAYOUT_AT(T, f, n) static_assert(offsetof(T, f) == (n), "offset of " #T "::" #f)
namespace tevo_robot_namespace {
TEVO_LAYOUT_SIZE(Pos, 24);
TEVO_LAYOUT_SIZE(Ori, 32);
TEVO_LAYOUT_SIZE(Rpy, 24);
TEVO_LAYOUT_SIZE(cartesianPos_U, 24);
TEVO_LAYOUT_SIZE(cartesian_Ori_U, 32);
TEVO_LAYOUT_SIZE(ToolInEndDesc, 56);
TEVO_LAYOUT_AT(ToolInEndDesc, toolInEndOrientation, 24);
TEVO_LAYOUT_SIZE(wayPoint_S, 104);
TEVO_LAYOUT_AT(wayPoint_S, orientation, 24);
TEVO_LAYOUT_AT(wayPoint_S, jointpos, 56);
TEVO_LAYOUT_SIZE(PositionAndQuaternion, 56);
TEVO_LAYOUT_SIZE(JointParam, 48);
TEVO_LAYOUT_SIZE(JointVelcAccParam, 48);
TEVO_LAYOUT_SIZE(RobotJointOffset, 48);
TEVO_LAYOUT_SIZE(JointRangeOfMotion, 104);
TEVO_LAYOUT_AT(JointRangeOfMotion, rangeValues, 8);
TEVO_LAYOUT_SIZE(CoordCalibrateByJointAngleAndTool, 208);
TEVO_LAYOUT_AT(CoordCalibrateByJointAngleAndTool, methods, 4);
TEVO_LAYOUT_AT(CoordCalibrateByJointAngleAndTool, wayPointArray, 8);
TEVO_LAYOUT_AT(CoordCalibrateByJointAngleAndTool, toolDesc, 152);
TEVO_LAYOUT_SIZE(MoveRelative, 48);
TEVO_LAYOUT_AT(MoveRelative, relativePosition, 4);
TEVO_LAYOUT_AT(MoveRelative, relativeOri, 16);
TEVO_LAYOUT_SIZE(MoveProfile_t, 432);
TEVO_LAYOUT_AT(MoveProfile_t, endMaxLineAcc, 96);
TEVO_LAYOUT_AT(MoveProfile_t, relative, 112);
TEVO_LAYOUT_AT(MoveProfile_t, relativeOnCoord, 160);
TEVO_LAYOUT_AT(MoveProfile_t, blendRadius, 368);
TEVO_LAYOUT_AT(MoveProfile_t, toolInEndDesc, 376);
TEVO_LAYOUT_SIZE(joint_cart_U, 48);
TEVO_LAYOUT_SIZE(RegulateSpeedModeParamConfig_t, 112);
TEVO_LAYOUT_AT(RegulateSpeedModeParamConfig_t, maxJointAcceleration, 64);
TEVO_LAYOUT_SIZE(WeaveMove, 40);
TEVO_LAYOUT_AT(WeaveMove, weaveType, 4);
TEVO_LAYOUT_AT(WeaveMove, weaveStep, 8);
TEVO_LAYOUT_SIZE(SeamTracking, 272);
TEVO_LAYOUT_AT(SeamTracking, currentRoadPoint, 8);
TEVO_LAYOUT_AT(SeamTracking, nextRoadPoint, 112);
TEVO_LAYOUT_AT(SeamTracking, timeInterval, 216);
TEVO_LAYOUT_AT(SeamTracking, currentPosError, 224);
TEVO_LAYOUT_AT(SeamTracking, paraChanged, 264);
TEVO_LAYOUT_SIZE(MoveArrivalAhead_t, 16);
TEVO_LAYOUT_SIZE(RobotMoveProfile, 248);
TEVO_LAYOUT_AT(RobotMoveProfile, subMoveMode, 4);
TEVO_LAYOUT_AT(RobotMoveProfile, teachMode, 8);
TEVO_LAYOUT_AT(RobotMoveProfile, enableIterIk, 12);
TEVO_LAYOUT_AT(RobotMoveProfile, toolTrack, 13);
TEVO_LAYOUT_AT(RobotMoveProfile, toolInEndPosition, 16);
TEVO_LAYOUT_AT(RobotMoveProfile, toolInEndOrientation, 40);
TEVO_LAYOUT_AT(RobotMoveProfile, relativeMove, 72);
TEVO_LAYOUT_AT(RobotMoveProfile, maxVelc, 120);
TEVO_LAYOUT_AT(RobotMoveProfile, maxAcc, 168);
TEVO_LAYOUT_AT(RobotMoveProfile, arrivalAhead, 216);
TEVO_LAYOUT_AT(RobotMoveProfile, blendRadius, 232);
TEVO_LAYOUT_AT(RobotMoveProfile, circularLoopTimes, 236);
TEVO_LAYOUT_AT(RobotMoveProfile, jerkAccRatio, 240);
TEVO_LAYOUT_AT(RobotMoveProfile::RelativeMove, relativeOrientation, 16);
TEVO_LAYOUT_SIZE(TcpParam, 16);
TEVO_LAYOUT_SIZE(RobotTcpParam, 32);
TEVO_LAYOUT_SIZE(RobotCollisionCurrent, 50);
TEVO_LAYOUT_AT(RobotCollisionCurrent, CollisionClass, 48);
TEVO_LAYOUT_SIZE(ToolInertia, 48);
TEVO_LAYOUT_SIZE(ToolDynamicsParam, 80);
TEVO_LAYOUT_AT(ToolDynamicsParam, toolInertia, 32);
TEVO_LAYOUT_SIZE(JointStatus, 36);
TEVO_LAYOUT_AT(JointStatus, jointPosJ, 8);
TEVO_LAYOUT_AT(JointStatus, jointTagCurrentI, 20);
TEVO_LAYOUT_AT(JointStatus, jointErrorNum, 32);
TEVO_LAYOUT_SIZE(RobotDiagnosis, 52);
TEVO_LAYOUT_AT(RobotDiagnosis, armPowerCurrent, 4);
TEVO_LAYOUT_AT(RobotDiagnosis, armPowerStatus, 12);
TEVO_LAYOUT_AT(RobotDiagnosis, contorllerTemp, 13);
TEVO_LAYOUT_AT(RobotDiagnosis, brakeStuats, 20);
TEVO_LAYOUT_AT(RobotDiagnosis, robotEndSpeed, 24);
TEVO_LAYOUT_AT(RobotDiagnosis, robotMaxAcc, 28);
TEVO_LAYOUT_AT(RobotDiagnosis, orpeStatus, 32);
TEVO_LAYOUT_AT(RobotDiagnosis, jointCollisionDetect, 37);
TEVO_LAYOUT_AT(RobotDiagnosis, robotMountingPoseWarning, 43);
TEVO_LAYOUT_AT(RobotDiagnosis, macTargetPosBufferSize, 44);
TEVO_LAYOUT_AT(RobotDiagnosis, macTargetPosDataSize, 46);
TEVO_LAYOUT_AT(RobotDiagnosis, macDataInterruptWarning, 48);
TEVO_LAYOUT_AT(RobotDiagnosis, controlBoardAbnormalStateFlag, 49);
TEVO_LAYOUT_SIZE(RobotGravityComponent, 12);
TEVO_LAYOUT_SIZE(RobotDhPara, 48);
TEVO_LAYOUT_SIZE(RobotRecongnitionParam, 258);
TEVO_LAYOUT_AT(RobotRecongnitionParam, data, 2);
TEVO_LAYOUT_SIZE(RobotDevInfo, 465);
TEVO_LAYOUT_AT(RobotDevInfo, revision, 1);
TEVO_LAYOUT_AT(RobotDevInfo, manu_id, 17);
TEVO_LAYOUT_AT(RobotDevInfo, joint_type, 33);
TEVO_LAYOUT_AT(RobotDevInfo, joint_ver, 49);
TEVO_LAYOUT_AT(RobotDevInfo, desc, 241);
TEVO_LAYOUT_AT(RobotDevInfo, jointProductID, 305);
TEVO_LAYOUT_AT(RobotDevInfo, slave_version, 433);
TEVO_LAYOUT_AT(RobotDevInfo, extio_version, 449);
TEVO_LAYOUT_SIZE(RobotDevInfo::JointVersion, 24);
TEVO_LAYOUT_SIZE(JointCommonData, 64);
TEVO_LAYOUT_AT(JointCommonData, JointOpenPwm, 8);
TEVO_LAYOUT_AT(JointCommonData, JointTagCurrent, 12);
TEVO_LAYOUT_AT(JointCommonData, JointTagPos, 20);
TEVO_LAYOUT_AT(JointCommonData, JointMaxCur, 24);
TEVO_LAYOUT_AT(JointCommonData, JointMaxAcc, 28);
TEVO_LAYOUT_AT(JointCommonData, JointMINPos, 32);
TEVO_LAYOUT_AT(JointCommonData, JointMAXPos, 36);
TEVO_LAYOUT_AT(JointCommonData, JointSEVLock, 40);
TEVO_LAYOUT_AT(JointCommonData, JointSpeedP, 48);
TEVO_LAYOUT_AT(JointCommonData, JointPosDS, 62);
TEVO_LAYOUT_SIZE(RobotJointCommonData, 384);
TEVO_LAYOUT_SIZE(RobotSafetyConfig, 32);
TEVO_LAYOUT_AT(RobotSafetyConfig, robotReducedConfigTcpSpeed, 12);
TEVO_LAYOUT_AT(RobotSafetyConfig, robotReducedConfigPower, 24);
TEVO_LAYOUT_AT(RobotSafetyConfig, robotSafeguradResetConfig, 28);
TEVO_LAYOUT_AT(RobotSafetyConfig, robotOperationalModeConfig, 29);
TEVO_LAYOUT_SIZE(OrpeSafetyStatus, 21);
TEVO_LAYOUT_AT(OrpeSafetyStatus, systemEmergencyStop, 18);
TEVO_LAYOUT_SIZE(RobotIoDesc, 80);
TEVO_LAYOUT_AT(RobotIoDesc, ioType, 32);
TEVO_LAYOUT_AT(RobotIoDesc, ioName, 36);
TEVO_LAYOUT_AT(RobotIoDesc, ioAddr, 68);
TEVO_LAYOUT_AT(RobotIoDesc, ioValue, 72);
TEVO_LAYOUT_SIZE(RobotDiagnosisIODesc, 3);
TEVO_LAYOUT_SIZE(RobotAnalogIODesc, 12);
TEVO_LAYOUT_AT(RobotAnalogIODesc, value, 4);
TEVO_LAYOUT_AT(RobotAnalogIODesc, type, 8);
TEVO_LAYOUT_SIZE(RobotToolAllIOStatus, 56);
TEVO_LAYOUT_AT(RobotToolAllIOStatus, systemVoltage, 4);
TEVO_LAYOUT_AT(RobotToolAllIOStatus, digitalIoStatus, 8);
TEVO_LAYOUT_AT(RobotToolAllIOStatus, aiData, 40);
TEVO_LAYOUT_AT(RobotToolAllIOStatus, systemTemperature, 48);
TEVO_LAYOUT_AT(RobotToolAllIOStatus, errorStatus, 52);
TEVO_LAYOUT_SIZE(WrenchParam, 48);
TEVO_LAYOUT_SIZE(FtSensorCalResult, 96);
TEVO_LAYOUT_AT(FtSensorCalResult, mass, 48);
TEVO_LAYOUT_AT(FtSensorCalResult, centroid, 56);
TEVO_LAYOUT_AT(FtSensorCalResult, angle, 80);
TEVO_LAYOUT_SIZE(AdmittancePatam_t, 144);
TEVO_LAYOUT_AT(AdmittancePatam_t, stiffness, 96);
}  // namespace tevo_robot_namespace
#undef TEVO_LAYOUT_SIZE
#undef TEVO_LAYOUT_AT
#endif  // __LP64__

#endif  // TEVO_ROBOT_META_TYPE_H
