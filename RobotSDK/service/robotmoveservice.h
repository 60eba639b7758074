#ifndef ROBOTMOVESERVICE_H
#define ROBOTMOVESERVICE_H

// Motion: the process-wide global move profile and the moves built from it.
//
// The global move profile (speed and acceleration limits, blend radius, tool,
// relative offset, arrival-ahead mode, teach frame, waypoint list) is one set
// of static values per process, shared by every ServiceInterface. Each move
// copies the current values into a fresh RobotMoveProfile before anything is
// encoded, so a profile change never affects a move already sent.
//
// Threads
//   - Application threads: every member. The profile statics are guarded by
//     s_moveProfileMutex, held only while values are copied in or out (never
//     across a request), so any number of threads may change the profile and
//     move at the same time; each move sees one consistent profile.
//   - The receive thread of the control core fills the move-finish queue that
//     a blocking move waits on (robotcontrolservices.h).
//
// Blocking moves. A move called with IsBolck false returns once the
// controller has accepted or refused it (one request, at most 1.8 s). With
// IsBolck true it then waits, without a time-out, until the controller
// reports how the move ended: 0 when the arm arrived, 20000 + event type when
// a controller or hardware event ended it (21300 for a stop), or
// ErrCode_SocketDisconnect as soon as the connection is lost. One blocking
// move at a time per ServiceInterface; stop, pause and continue may be called
// from other threads while it waits.
//
// Locks, in the order a caller's thread takes them: s_moveProfileMutex (leaf:
// released before any request), then the control core's locks.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "RobotSDK/sdkMateType/communicationmatetype.h"
#include "TevoRobotMetaType.h"

class RobotControlServices;

// The relative offset of the global profile and the frame it is expressed in.
struct MoveRelativeParam_t {
    bool isEnable;
    tevo_robot_namespace::CoordCalibrateByJointAngleAndTool coordinateSystem;
    float relativePosition[3];
    cartesian_Ori_U relativeOrientation;
};

class RobotMoveService {
public:
    // The kind of request that starts a move.
    enum RobotMoveClass {
        ROBOT_MOVE_CLASS_GENARAL = 0,
        ROBOT_MOVE_CLASS_OFFLINE_TRACK = 1,
        ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION = 2
    };

    // The last excitation-trajectory request (name, type, sub-type).
    struct offlineTrackRecognition {
        std::string trackName;
        int type = 0;
        int subType = 0;
    };

    // The global waypoint list holds at most this many waypoints.
    enum { MAX_WAYPOINT_COUNT = 54000 };

    // The first object of the process initialises the global profile.
    explicit RobotMoveService(RobotControlServices* p);

    RobotMoveService(const RobotMoveService&) = delete;
    RobotMoveService& operator=(const RobotMoveService&) = delete;

    // ---- global move profile (process memory only, never blocks) --------
    // Setters return 0 or ErrCode_ParamError; a rejected value (NaN and the
    // infinities included) leaves the stored one unchanged, and a joint array
    // is stored only when all six values pass.
    int initMoveProfile();
    int setMoveJointMaxAcc(const tevo_robot_namespace::JointVelcAccParam& moveMaxAcc);
    int setMoveJointMaxVelc(const tevo_robot_namespace::JointVelcAccParam& moveMaxVelc);
    void getMoveJointMaxAcc(tevo_robot_namespace::JointVelcAccParam& moveMaxAcc);
    void getMoveJointMaxVelc(tevo_robot_namespace::JointVelcAccParam& moveMaxVelc);
    int setMoveEndMaxLineAcc(double moveMaxAcc);
    int setMoveEndMaxLineVelc(double moveMaxVelc);
    int setMoveEndMaxAngleAcc(double moveMaxAcc);
    int setMoveEndMaxAngleVelc(double moveMaxVelc);
    void getMoveEndMaxLineAcc(double& moveMaxAcc);
    void getMoveEndMaxLineVelc(double& moveMaxVelc);
    void getMoveEndMaxAngleAcc(double& moveMaxAcc);
    void getMoveEndMaxAngleVelc(double& moveMaxVelc);
    int setJerkAccRatio(double acc);
    void getJerkAccRatio(double& acc);
    int setBlendRadius(float value);
    float getBlendRadius();
    void setCircularLoopTimes(int times);
    int getCircularLoopTimes();
    int setTrackPlaybackCycle(double second);
    double getTrackPlaybackCycle();
    void setEnableIterIk(bool value);
    int setMoveProfileToolParam(const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    int setMoveProfileToolParamIsNone();
    int getMoveProfileToolParam(tevo_robot_namespace::ToolInEndDesc& toolInEndDesc);
    int setMoveProfileRelativeParam(const tevo_robot_namespace::MoveRelative& relativeMoveOnBase);
    int setMoveProfileRelativeParam(
        const tevo_robot_namespace::MoveRelative& relativeMoveOnUserCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord);
    int setNoArrivalAhead();
    int setArrivalAheadDistanceMode(double distance);
    int setArrivalAheadTimeMode(double second);
    int setArrivalAheadBlendDistanceMode(double distance);
    int setTeachCoordinateSystem(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& coordSystem);
    void clearWayPointVector();
    // Appends; a middle point on one straight line with its neighbours is
    // merged away. ErrCode_MotionWaypointVetorSizeError when the list is full.
    int addWayPoint(const tevo_robot_namespace::wayPoint_S& wayPoint);
    void getWayPointVector(std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Number of waypoints in the global list (after merging).
    size_t wayPointCount() const;

    // ---- profile building --------------------------------------------------
    static void initDefaultMoveProfile(RobotMoveProfile& moveProfile);
    void getCurrentMoveProfileRemoveOffset(move_mode moveMode,
                                           tevo_robot_namespace::move_track subMoveMode,
                                           tevo_robot_namespace::teach_mode teachMode,
                                           RobotMoveProfile& moveProfile);
    int modifyOffsetProfileByWaypointAndGlobalOffset(
        tevo_robot_namespace::wayPoint_S offset_reference_waypoint, RobotMoveProfile& moveProfile);
    void MoveProfileConvert(move_mode moveMode,
                            tevo_robot_namespace::wayPoint_S& offset_reference_waypoint,
                            tevo_robot_namespace::MoveProfile_t& sourceMoveProfile,
                            RobotMoveProfile& targetMoveProfile);
    int userCoordRelativeToBaseCoordRelative(
        tevo_robot_namespace::wayPoint_S& offset_reference_waypoint,
        const tevo_robot_namespace::MoveRelative& relativeOnUserCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
        tevo_robot_namespace::MoveRelative& relativeOnBase);
    static bool checkIsJointTypeTrack(move_mode moveMode,
                                      tevo_robot_namespace::move_track subMoveMode);

    // ---- moves (see "Blocking moves" above) -------------------------------
    int moveBaseService(RobotMoveClass MoveType, const RobotMoveProfile& moveProfile,
                        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector,
                        int& moveEndEventType, bool IsBolck);
    int robotMoveService(const RobotMoveProfile& moveProfile,
                         const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector,
                         int& moveEndEventType, bool isBolck);
    int moveProfileAndWaypointsFormatCommunication(
        RobotCommandType commandType, const RobotMoveProfile& moveProfile,
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    int robotJointMove(tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    int robotJointMove(tevo_robot_namespace::MoveProfile_t& moveProfile,
                       tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    int robotLineMove(tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    int robotLineMove(tevo_robot_namespace::MoveProfile_t& moveProfile,
                      tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    // Replaces any running follow-mode target; never waits for the arm.
    int robotFollowModeJointMove(tevo_robot_namespace::wayPoint_S& wayPoint);
    // Rotates the tool by rotateAngle (rad) about an axis given in userCoord,
    // keeping the current position. Fails without sending when the current
    // waypoint cannot be read.
    int robotLineRotateMove(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoord,
        const double* rotateAxisOnUserCoord, double rotateAngle, bool IsBolck);
    // Moves through the global waypoint list (two waypoints: a linear move to
    // the second; fewer: ErrCode_MotionWaypointVetorSizeError, nothing sent).
    int robotTrackMove(tevo_robot_namespace::move_track subMoveMode, bool IsBolck);
    // Jog: the arm moves until robotTeachStop. direction true is positive.
    int robotTeachStart(tevo_robot_namespace::teach_mode teachMode, bool direction);
    int robotTeachMove(
        const RobotMoveProfile& moveProfile,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem);
    int robotTeachStop();
    // Stop, pause, continue: up to 4 s for the controller's done event.
    int robotMoveControl(tevo_robot_namespace::RobotMoveControlCommand cmd);
    int robotMoveFastStop();
    int robotMoveSlowStop(bool isBoardStopEvent);
    int enterRobotReduceMode();
    int exitRobotReduceMode();
    // The arm's current joint angles with their forward kinematics.
    int getCurrnetRoadPoint(tevo_robot_namespace::wayPoint_S& wayPoint);
    int getRoadPointFromController(tevo_robot_namespace::wayPoint_S& wayPoint);

    // The excitation-trajectory request that ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION starts.
    static void setOfflineTrackRecognition(const offlineTrackRecognition& value);

    // ---- offline tracks, position streaming, excitation trajectories ------
    // (robotmoveservice_tracks.cpp; application threads, one request each
    // unless said otherwise.)
    enum { OFFLINE_TRACK_MAX_WAYPOINTS = 5000, OFFLINE_TRACK_FILE_BATCH = 2000 };
    // Appends one batch to the track the controller holds. More than
    // OFFLINE_TRACK_MAX_WAYPOINTS: ErrCode_ParamError, nothing sent.
    int offlineTrackWaypointAppend(
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Uploads a joint-angle file (six finite angles in rad per line, exactly
    // one separator, a comma, blank, tab or semicolon, between them; trailing
    // blanks and a CR allowed) in batches of OFFLINE_TRACK_FILE_BATCH. Lines
    // that are empty, only blanks, or start with '#' after blanks are skipped
    // but counted in line numbers. The whole file is checked first: a bad
    // line returns ErrCode_ParamError with a log line naming file and line,
    // and nothing is sent. A refused batch ends the upload: nothing more is
    // sent and the refusal is returned. ErrCode_ParamError when the file
    // cannot be opened, ErrCode_Failed when it has no waypoints.
    int offlineTrackWaypointAppend(const char* fileName);
    int offlineTrackWaypointClear();
    // Plays the uploaded track; blocking as described under "Blocking moves".
    int offlineTrackMoveStartupService(bool isBolck);
    int offlineTrackMoveStop();
    // Pass-through mode: each streamed waypoint goes straight to the joints.
    int enterTcp2CanbusMode();
    int leaveTcp2CanbusMode();
    // Streams waypoints to the joints; no size check, never waits.
    int setRobotPosData2Canbus(const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector);
    // Runs the named excitation trajectory like a move (blocking as above);
    // a null trackFile is refused with ErrCode_ParamError.
    int startupOfflineExcitTraj(const char* trackFile,
                                tevo_robot_namespace::Robot_Dyn_identify_traj type, int subtype,
                                bool isBolck);

    // ---- tool-pose tracks to flange waypoints (local, any thread) ----------
    // One converted point: the flange waypoint found by inverse kinematics and
    // the tool end pose it came from.
    struct FlangeAndToolInfo {
        tevo_robot_namespace::wayPoint_S flangeWayPoint;
        tevo_robot_namespace::Pos endPosition;
        tevo_robot_namespace::Ori endOrientation;
    };
    // Reads a tool-pose file of format poseType (1: "x y z rx ry rz" in mm
    // and degrees, blanks; 10: "x,y,z,w,qx,qy,qz" in m) and solves each pose
    // starting from its predecessor's joints (the first from
    // referPointJointAngle), so the solutions stay on one branch. Every token
    // must be a whole finite number (blanks around it allowed); a line that is
    // empty, only blanks, or starts with '#' after blanks is skipped (it still
    // counts in the line numbers of the log). Any bad line or failed solution
    // empties the output and returns the error; another poseType is refused
    // with ErrCode_ParamError. Reading stops once maxPoints points are solved:
    // lines after that are not read, so their content does not matter.
    static int parseFileAsRoadpointSet(const char* filePath,
                                       tevo_robot_namespace::POSITION_ORIENTATION_TYPE poseType,
                                       const double* referPointJointAngle,
                                       const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
                                       std::vector<FlangeAndToolInfo>& roadpointInfoVector,
                                       std::size_t maxPoints = SIZE_MAX);
    static int parsePoseListToRoadpointSet(
        const std::vector<tevo_robot_namespace::PositionAndQuaternion>& toolEndPoseVector,
        const double* referPointJointAngle,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        std::vector<FlangeAndToolInfo>& roadpointInfoVector);
    // One line of format 1 (blank runs count as one separator) or format 10;
    // false unless it holds exactly six (seven) tokens, each a whole finite
    // decimal number (blanks around a token allowed).
    static bool StringToPositionAndRpy(const std::string& str, char splitSymbol,
                                       tevo_robot_namespace::Pos& position,
                                       tevo_robot_namespace::Rpy& rpy);
    static bool StringToPositionAndQuaternion(const std::string& str, char splitSymbol,
                                              tevo_robot_namespace::Pos& position,
                                              tevo_robot_namespace::Ori& quaternion);

    // ---- target-position and relative moves (robotmoveservice_target.cpp) --
    // Each reads the arm's current joint angles (one request; its error is
    // returned and nothing else is sent when the read fails), computes the
    // target on the client keeping the current flange orientation, and sends
    // one joint (MODEJ) or linear (MODEL) move as robotJointMove/robotLineMove
    // do. Any other move mode: ErrCode_ParamError, nothing moves. A target
    // that cannot be computed (frame check, conversion, inverse kinematics)
    // returns that error and sends no move.
    //
    // Moves the flange by relativeOnUser.relativePosition, given in
    // userCoordSystem (base, current flange turned by the frame's tool
    // orientation, or a calibrated user frame); ena and relativeOri are not used.
    int robotMoveToTargetPositionByRelative(
        move_mode moveMode,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        const tevo_robot_namespace::MoveRelative& relativeOnUser, bool IsBolck);
    // Puts the end point of toolInEndDesc on position (given in
    // userCoordSystem: base or a calibrated user frame).
    int robotMoveToTargetPositionByPosition(
        move_mode moveMode,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::Pos& position,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc, bool IsBolck);
    int getJointAngleByTargetPositionKeepCurrentOri(
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::Pos& position,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::wayPoint_S& targetWayPointOnBaseCoord);
    // Local computations (no controller); the target is written only on success.
    static int getTargetWaypointByRelative(
        const tevo_robot_namespace::wayPoint_S& sourceWayPointOnBaseCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        const tevo_robot_namespace::MoveRelative& relativeOnUser,
        tevo_robot_namespace::wayPoint_S& targetWayPointOnBaseCoord);
    // The flange waypoint, with the source's flange orientation, whose tool
    // end point (the tool's rotation included) lies on toolEndPosition.
    // EndCoordinate frames: ErrCode_ParamError.
    static int getTargetWaypointByPosition(
        const tevo_robot_namespace::wayPoint_S& sourceWayPointOnBaseCoord,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& userCoordSystem,
        const tevo_robot_namespace::Pos& toolEndPosition,
        const tevo_robot_namespace::ToolInEndDesc& toolInEndDesc,
        tevo_robot_namespace::wayPoint_S& targetWayPointOnBaseCoord);

    // ---- motion parameters kept by the controller (one request each) ------
    // Setters send the record as a number vector in its fixed wire order; a
    // value that is not finite is refused with ErrCode_ParamError before
    // anything is sent. Getters fill the record only on success; a reply with
    // the wrong number of values is ErrCode_ResolveResponseFailed.
    int setWeaveMoveParameters(const tevo_robot_namespace::WeaveMove& weaveMove);
    int setJointRangeOfMotion(const tevo_robot_namespace::JointRangeOfMotion& rangeOfMotion);
    int getJointRangeOfMotion(tevo_robot_namespace::JointRangeOfMotion& rangeOfMotion);
    int setRegulateSpeedModeConfig(
        const tevo_robot_namespace::RegulateSpeedModeParamConfig_t& config);
    int getRegulateSpeedModeConfig(tevo_robot_namespace::RegulateSpeedModeParamConfig_t& config);
    int enableRegulateSpeedMode(bool enbaleFlag);
    int getForceControlModeAdmittancePatam(tevo_robot_namespace::AdmittancePatam_t& param);
    int setForceControlModeAdmittancePatam(const tevo_robot_namespace::AdmittancePatam_t& param);
    int getForceControlModeExploreForceParam(double& forceLimit, double& distLimit);
    int setForceControlModeExploreForceParam(double forceLimit, double distLimit);
    int enableForceControlModeService(bool enbaleFlag);
    // forceData: six values; null is ErrCode_ParamError without a request.
    int getRealtimeForceDataService(double* forceData);
    // ---- end of target-position and relative moves -------------------------

private:
    // The first-construction reset: the reset, then no tool (mutex held).
    static void initClassProfile();
    // The reset, with s_moveProfileMutex held.
    static void resetProfileLocked();
    // Profile from the statics, then the global offset for the reference waypoint.
    RobotMoveProfile profileWithGlobalOffset(move_mode moveMode,
                                             tevo_robot_namespace::move_track subMoveMode,
                                             tevo_robot_namespace::teach_mode teachMode,
                                             const tevo_robot_namespace::wayPoint_S& reference);
    // Sends the request that starts a move of the given class.
    int startMoveByClass(RobotMoveClass moveType, const RobotMoveProfile& moveProfile,
                         const std::vector<tevo_robot_namespace::wayPoint_S>& wayPointVector,
                         bool isBlock);
    int singleTargetMove(move_mode moveMode, tevo_robot_namespace::move_track subMoveMode,
                         tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);
    int perCallProfileMove(move_mode moveMode, tevo_robot_namespace::MoveProfile_t& moveProfile,
                           tevo_robot_namespace::wayPoint_S& wayPoint, bool IsBolck);

    RobotControlServices* m_robotBaseService;

    // The global move profile, one per process, guarded by s_moveProfileMutex.
    static std::mutex s_moveProfileMutex;
    static tevo_robot_namespace::JointVelcAccParam s_moveProfileJointMaxAcc;
    static tevo_robot_namespace::JointVelcAccParam s_moveProfileJointMaxVelc;
    static double s_moveProfileEndMaxLineAcc;
    static double s_moveProfileEndMaxLineVelc;
    static double s_moveProfileEndMaxAngleAcc;
    static double s_moveProfileEndMaxAngleVelc;
    static double s_moveProfileJerkAccRatio;
    static double s_moveProfileBlendRadius;
    static int s_moveProfileCircularLoopTimes;
    static double s_moveProfileTrackPlaybackCycle;
    static bool s_moveProfileEnableIterIk;
    static tevo_robot_namespace::ToolInEndDesc s_moveProfileToolInEndDesc;
    static bool s_moveProfileToolTrack;
    static MoveRelativeParam_t s_moveProfileRelativeParam;
    static MoveArrivalAhead_t s_moveArrivalAhead;
    static tevo_robot_namespace::CoordCalibrateByJointAngleAndTool s_teachMoveCoordinateSystem;
    static std::vector<tevo_robot_namespace::wayPoint_S> s_moveWayPointVector;
    static offlineTrackRecognition s_offlineTrackRecognition;
    static bool s_moveProfileIsInited;
};

// True when A, B, C are usable as consecutive track points, false when B lies
// on the straight line through A and C.
bool checkMovePFeasibility(const tevo_robot_namespace::wayPoint_S& A,
                           const tevo_robot_namespace::wayPoint_S& B,
                           const tevo_robot_namespace::wayPoint_S& C);

#endif  // ROBOTMOVESERVICE_H
