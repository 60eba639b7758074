// Motion execution: the one routine every move goes through (send, then in
// blocking mode wait for the event that ends the move), the move kinds built
// on it, jog, stop/pause/continue, reduce mode and the current waypoint.

#include "RobotSDK/service/robotmoveservice.h"

#include <iostream>

#include "RobotSDK/service/controllerrequest.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/service/targetcheck.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;
using namespace controller_request;

namespace {

// The result of a blocking move ended by the given event, with its log line.
int moveResultOfEndEvent(int eventType) {
    if (eventType == RobotEvent_atTrackTargetPos) {
        RobotLogPrint::trace(LL_INFO,
                             "sdk log: Success wait for the signal to arrive target positon.");
        return ErrnoSucc;
    }
    if (eventType == RobotEvent_socketDisconnected) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Network connection has been disconnected.");
        return ErrCode_SocketDisconnect;
    }
    if (eventType == RobotEvent_robotControllerError) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Motion interrupted by controller abnormal .");
        return ErrCode_robotControllerError;
    }
    // Controller and hardware events: the result carries the event type.
    struct EventRange {
        int first, last;
        const char* log;
    };
    static const EventRange ranges[] = {
        {1001, 1299,
         "sdk log: Motion is interrupted by controller event. function return:%d eventType=%d"},
        {2001, 2999,
         "sdk log: Motion is interrupted by hardware event. function return:%d eventType=%d"},
    };
    for (const EventRange& range : ranges) {
        if (eventType < range.first || eventType > range.last) continue;
        const int ret = eventType + 20000;
        RobotLogPrint::trace(LL_ERROR, range.log, ret, eventType);
        return ret;
    }
    if (eventType == RobotEventMoveEnterStopState) {
        RobotLogPrint::trace(LL_ERROR,
                             "sdk log: Motion is interrupted by stop the event. function return:%d",
                             static_cast<int>(ErrCodeMoveEnterStopState));
        return ErrCodeMoveEnterStopState;
    }
    RobotLogPrint::trace(LL_ERROR,
                         "sdk log: Motion is interrupted by event. function return:%d eventType=%d",
                         static_cast<int>(ErrCodeMoveInterruptedByEvent), eventType);
    return ErrCodeMoveInterruptedByEvent;
}

}  // namespace

// ---- the move routine ----------------------------------------------------------

int RobotMoveService::moveProfileAndWaypointsFormatCommunication(
    RobotCommandType commandType, const RobotMoveProfile& moveProfile,
    const std::vector<wayPoint_S>& wayPointVector) {
    // Every move, offline-track batch and streamed position passes here.
    if (target_check::refuseNonFinite("Move request", moveProfile, wayPointVector) != ErrnoSucc)
        return ErrCode_ParamError;
    const int ret =
        sendEncoded(*m_robotBaseService, commandType,
                    encoder(&ProtoEncodeDecode::getRequest_robotMove, moveProfile, wayPointVector),
                    "sdk log: Create move request failed.", ErrCode_CreateMotionRequestFailed);
    if (ret != ErrnoSucc && ret != ErrCode_CreateMotionRequestFailed) {
        RobotLogPrint::trace(
            LL_ERROR,
            "sdk log: Move interface call, function-sendRequestCheckResponseResult return false. "
            "ret=%d",
            ret);
    }
    return ret;
}

int RobotMoveService::startMoveByClass(RobotMoveClass moveType, const RobotMoveProfile& moveProfile,
                                       const std::vector<wayPoint_S>& wayPointVector,
                                       bool isBlock) {
    switch (moveType) {
        case ROBOT_MOVE_CLASS_GENARAL:
            return moveProfileAndWaypointsFormatCommunication(
                CommunicationMateType::CommunicationType_RobotMove, moveProfile, wayPointVector);
        case ROBOT_MOVE_CLASS_OFFLINE_TRACK:
            return sendEmpty(*m_robotBaseService,
                             CommunicationMateType::CommunicationType_OfflineTrackMoveStartup);
        case ROBOT_MOVE_CLASS_OFFLINE_TRACK_RECOGNITION: {
            offlineTrackRecognition track;
            {
                std::lock_guard<std::mutex> lock(s_moveProfileMutex);
                track = s_offlineTrackRecognition;
            }
            return m_robotBaseService->startupOfflineExcitTrajService(
                track.trackName.c_str(), static_cast<Robot_Dyn_identify_traj>(track.type),
                track.subType);
        }
    }
    RobotLogPrint::trace(
        LL_ERROR, isBlock ? "sdk log: Move class not exist." : "sdk log:Move class not exist.");
    return ErrCode_Failed;
}

int RobotMoveService::moveBaseService(RobotMoveClass MoveType, const RobotMoveProfile& moveProfile,
                                      const std::vector<wayPoint_S>& wayPointVector,
                                      int& moveEndEventType, bool IsBolck) {
    int result = ErrCode_Failed;
    moveEndEventType = RobotEventInvalid;

    if (!IsBolck) {
        RobotLogPrint::trace(LL_INFO, "sdk log: User non-blocking call motion interface.");
        result = startMoveByClass(MoveType, moveProfile, wayPointVector, false);
    } else {
        RobotLogPrint::trace(LL_INFO, "sdk log: User blocking call motion interface.");
        // Armed before the send: an end event or a lost link from here on
        // belongs to this move.
        MoveEndWait& moveEnd = m_robotBaseService->moveEndWait();
        const uint64_t ticket = moveEnd.arm();
        result = startMoveByClass(MoveType, moveProfile, wayPointVector, true);
        if (result != ErrnoSucc) {
            RobotLogPrint::trace(
                LL_ERROR, "sdk log: robotMoveInterface return false, because server return false.");
        } else {
            // Ends with the move, a lost link, or a controller that stopped
            // answering (ErrCode_RequestTimeout, logged by the wait).
            result = m_robotBaseService->waitMoveEnd(ticket, moveEndEventType);
            if (result == ErrnoSucc) result = moveResultOfEndEvent(moveEndEventType);
        }
    }
    RobotLogPrint::trace(LL_INFO, "sdk log: User call motion interface finish.");
    return result;
}

int RobotMoveService::robotMoveService(const RobotMoveProfile& moveProfile,
                                       const std::vector<wayPoint_S>& wayPointVector,
                                       int& moveEndEventType, bool isBolck) {
    return moveBaseService(ROBOT_MOVE_CLASS_GENARAL, moveProfile, wayPointVector, moveEndEventType,
                           isBolck);
}

// ---- the move kinds ------------------------------------------------------------------

int RobotMoveService::singleTargetMove(move_mode moveMode, move_track subMoveMode,
                                       wayPoint_S& wayPoint, bool IsBolck) {
    const RobotMoveProfile profile =
        profileWithGlobalOffset(moveMode, subMoveMode, NO_TEACH, wayPoint);
    int endEvent = RobotEventInvalid;
    return robotMoveService(profile, {wayPoint}, endEvent, IsBolck);
}

int RobotMoveService::robotJointMove(wayPoint_S& wayPoint, bool IsBolck) {
    return singleTargetMove(MODEJ, NO_TRACK, wayPoint, IsBolck);
}

int RobotMoveService::robotLineMove(wayPoint_S& wayPoint, bool IsBolck) {
    return singleTargetMove(MODEL, NO_TRACK, wayPoint, IsBolck);
}

int RobotMoveService::robotFollowModeJointMove(wayPoint_S& wayPoint) {
    return singleTargetMove(MODEJ, TRACKING, wayPoint, false);
}

int RobotMoveService::perCallProfileMove(move_mode moveMode, MoveProfile_t& moveProfile,
                                         wayPoint_S& wayPoint, bool IsBolck) {
    RobotMoveProfile profile;
    MoveProfileConvert(moveMode, wayPoint, moveProfile, profile);
    int endEvent = RobotEventInvalid;
    return robotMoveService(profile, {wayPoint}, endEvent, IsBolck);
}

int RobotMoveService::robotJointMove(MoveProfile_t& moveProfile, wayPoint_S& wayPoint,
                                     bool IsBolck) {
    return perCallProfileMove(MODEJ, moveProfile, wayPoint, IsBolck);
}

int RobotMoveService::robotLineMove(MoveProfile_t& moveProfile, wayPoint_S& wayPoint,
                                    bool IsBolck) {
    return perCallProfileMove(MODEL, moveProfile, wayPoint, IsBolck);
}

int RobotMoveService::robotLineRotateMove(const CoordCalibrateByJointAngleAndTool& userCoord,
                                          const double* rotateAxisOnUserCoord, double rotateAngle,
                                          bool IsBolck) {
    if (rotateAxisOnUserCoord == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Rotate move axis is NULL.");
        return ErrCode_ParamError;
    }
    const double rotation[4] = {rotateAxisOnUserCoord[0], rotateAxisOnUserCoord[1],
                                rotateAxisOnUserCoord[2], rotateAngle};
    if (target_check::refuseNonFinite("Rotate move", rotation, 4) != ErrnoSucc)
        return ErrCode_ParamError;
    wayPoint_S current;
    const int readRet = getCurrnetRoadPoint(current);
    // Without the current waypoint the rotation would be sent about an
    // unknown position: nothing is sent.
    if (readRet != ErrnoSucc) return readRet;

    const RobotMoveProfile profile = profileWithGlobalOffset(MODEL, NO_TRACK, ROT_Y, current);

    double baseAxis[3] = {0.0, 0.0, 0.0};
    const int ret =
        RobotUtilService::offsetVectorUserCoord2Base(rotateAxisOnUserCoord, userCoord, baseAxis);
    if (ret != ErrnoSucc) {
        std::cout << "baseRotateAxis" << baseAxis[0] << "," << baseAxis[1] << "," << baseAxis[2]
                  << std::endl;
        return ret;
    }
    // The orientation fields carry the rotation: w the angle, x/y/z the axis.
    wayPoint_S target = current;
    target.orientation.w = rotateAngle;
    target.orientation.x = baseAxis[0];
    target.orientation.y = baseAxis[1];
    target.orientation.z = baseAxis[2];
    int endEvent = RobotEventInvalid;
    return robotMoveService(profile, {target}, endEvent, IsBolck);
}

int RobotMoveService::robotTrackMove(move_track subMoveMode, bool IsBolck) {
    std::vector<wayPoint_S> wayPoints;
    getWayPointVector(wayPoints);
    if (wayPoints.size() == 2) {
        std::cout << "there is 2 point "
                  << "moveP will be MoveL " << std::endl;
        return robotLineMove(wayPoints[1], IsBolck);
    }
    if (wayPoints.size() < 2) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Number of waypoints less than 3.");
        return ErrCode_MotionWaypointVetorSizeError;
    }
    const RobotMoveProfile profile =
        profileWithGlobalOffset(MODEP, subMoveMode, NO_TEACH, wayPoints.front());
    int endEvent = RobotEventInvalid;
    return robotMoveService(profile, wayPoints, endEvent, IsBolck);
}

// ---- jog -----------------------------------------------------------------------------

int RobotMoveService::robotTeachStart(teach_mode teachMode, bool direction) {
    const move_mode moveMode = (teachMode >= MOV_X && teachMode <= ROT_Z) ? MODEL : MODEJ;
    RobotMoveProfile profile;
    getCurrentMoveProfileRemoveOffset(moveMode, TRACKING, teachMode, profile);
    profile.circularLoopTimes = direction ? 1 : 0;  // carries the jog direction
    CoordCalibrateByJointAngleAndTool frame;
    {
        std::lock_guard<std::mutex> lock(s_moveProfileMutex);
        frame = s_teachMoveCoordinateSystem;
    }
    return robotTeachMove(profile, frame);
}

int RobotMoveService::robotTeachMove(const RobotMoveProfile& moveProfile,
                                     const CoordCalibrateByJointAngleAndTool& userCoordSystem) {
    // The frame's three calibration points travel as waypoints. A kinematics
    // failure leaves a waypoint as initialised and does not stop the jog.
    std::vector<wayPoint_S> calibrationPoints;
    for (const JointParam& joints : userCoordSystem.wayPointArray) {
        wayPoint_S wayPoint{};
        RobotUtilService::robotFk(joints.jointPos, ARM_DOF, wayPoint);
        calibrationPoints.push_back(wayPoint);
    }
    return sendEncoded(*m_robotBaseService,
                       CommunicationMateType::CommunicationType_RobotTeachMoveStart,
                       encoder(&ProtoEncodeDecode::getRequest_robotTeachMove, moveProfile,
                               userCoordSystem, calibrationPoints),
                       "sdk log: Create robotTeachStart request failed.");
}

int RobotMoveService::robotTeachStop() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_RobotTeachMoveStop);
}

// ---- stop, pause, continue -----------------------------------------------------------

int RobotMoveService::robotMoveControl(RobotMoveControlCommand cmd) {
    struct Row {
        RobotMoveControlCommand cmd;
        RobotCommandType type;
        const char* before;
        const char* after;
    };
    static const Row rows[] = {
        {RobotMoveStop, CommunicationMateType::CommunicationType_RobotMoveControlType_SlowStop,
         "sdk log: user ready call move slow stop.", "sdk log: user call move slow stop finish."},
        {RobotMovePause, CommunicationMateType::CommunicationType_RobotMoveControlType_Pause,
         "sdk log: user ready call move pause.", "sdk log: user call move pause finish."},
        {RobotMoveContinue, CommunicationMateType::CommunicationType_RobotMoveControlType_Continue,
         "sdk log: user ready call move continue.", "sdk log: user call move continue finish."},
    };
    for (const Row& row : rows) {
        if (row.cmd != cmd) continue;
        RobotLogPrint::trace(LL_INFO, "%s", row.before);
        const int ret = m_robotBaseService->robotMoveControlService(row.type);
        RobotLogPrint::trace(LL_INFO, "%s", row.after);
        return ret;
    }
    return ErrnoSucc;
}

int RobotMoveService::robotMoveFastStop() {
    return m_robotBaseService->robotMoveControlService(
        CommunicationMateType::CommunicationType_RobotMoveControlType_FastStop);
}

int RobotMoveService::robotMoveSlowStop(bool isBoardStopEvent) {
    if (!isBoardStopEvent) return robotMoveControl(RobotMoveStop);
    RobotLogPrint::trace(LL_INFO, "sdk log: user ready call move slow stop and board event.");
    return m_robotBaseService->robotMoveControlService(
        CommunicationMateType::CommunicationType_RobotMoveControlType_SlowStop);
}

// ---- reduce mode and the current waypoint --------------------------------------------

int RobotMoveService::enterRobotReduceMode() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_enterRobotReduceMode);
}

int RobotMoveService::exitRobotReduceMode() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_exitRobotReduceMode);
}

namespace {

int waypointOfJoints(int readRet, const JointParam& joints, wayPoint_S& wayPoint) {
    if (readRet != ErrnoSucc) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: getCurrentJointAngle error.");
        return readRet;
    }
    RobotUtilService::robotFk(joints.jointPos, ARM_DOF, wayPoint);
    return ErrnoSucc;
}

}  // namespace

int RobotMoveService::getCurrnetRoadPoint(wayPoint_S& wayPoint) {
    JointParam joints;
    const int ret = m_robotBaseService->getCurrentJointAngle(joints);
    return waypointOfJoints(ret, joints, wayPoint);
}

int RobotMoveService::getRoadPointFromController(wayPoint_S& wayPoint) {
    JointParam joints;
    const int ret = m_robotBaseService->getJointAngleFromController(joints);
    return waypointOfJoints(ret, joints, wayPoint);
}
