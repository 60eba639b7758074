// Helpers shared by the handler files (handlers.cpp, motion_control.cpp).
#pragma once

#include <memory>

#include "sim/siminternal.h"

namespace tevo_sim {

template <class M>
M& makeReply(RequestCtx& c) {
    auto m = std::make_unique<M>();
    M& ref = *m;
    c.reply = std::move(m);
    return ref;
}

pbm::ProtoRobotCommonResponse& common(RequestCtx& c);

// Parses without protobuf's own log line; a missing required field fails.
template <class M>
bool parse(RequestCtx& c, M& m) {
    if (m.ParsePartialFromString(*c.body) && m.IsInitialized()) return true;
    c.code = CodeRequestFormatError;
    return false;
}

// Refuses the request as malformed; false, for use in conditions.
bool refuse(RequestCtx& c);

// Joint angles (six finite values) or the pose of a waypoint.
bool roadPointJoints(const pbc::ProtoRoadPoint& rp, Joints& q);
bool roadPointPose(const pbc::ProtoRoadPoint& rp, Pose& pose);
// Inside the configured joint range of motion.
bool withinRange(const ArmState& arm, const Joints& q);

// Why a move is refused (server code), or CodeSucc.
int32_t motionAllowed(const ArmState& arm);
// Installs `plan` as the arm's move; it starts once the reply is written.
// movepWaypoints > 0 marks a multi-point move through that many waypoints,
// which reports its progress.
void startPlan(ArmState& arm, RequestCtx& c, MotionPlan plan, int movepWaypoints);

// Motion family (motion_control.cpp).
void handleRobotMove(SimCore& core, ArmState& arm, RequestCtx& c);
void handleTeachStart(SimCore& core, ArmState& arm, RequestCtx& c);
void handleTeachStop(SimCore& core, ArmState& arm, RequestCtx& c);
void handleMoveControl(SimCore& core, ArmState& arm, RequestCtx& c);
void handleReduceMode(SimCore& core, ArmState& arm, RequestCtx& c);

}  // namespace tevo_sim
