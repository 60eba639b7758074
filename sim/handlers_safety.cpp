// Safety: the collision class, the safety configuration and the safety I/O
// (operator pause, stop and error, emergency-stop and reduced-mode resets).
// Reduce mode itself is a motion command (motion_control.cpp).
#include "sim/handlerutil.h"

namespace tevo_sim {

// Collision class 0..10; the collision currents grow with it.
void handleSetCollision(SimCore&, ArmState& arm, RequestCtx& c) {
    pbm::ProtoCommunicationGeneralData g;
    if (acceptSetter(c, g, [](const pbm::ProtoCommunicationGeneralData& m) {
            if (!hasInt(m)) return malformed("the collision class is missing");
            return checkCollisionClass(m.property1(0));
        }))
        arm.collisionClass = g.property1(0);
}

void handleGetCollision(SimCore&, ArmState& arm, RequestCtx& c) {
    auto* cc = makeReply<pbc::ProtoResponseRobotCollisionCurrent>(c).add_collisioncurrent();
    for (int i = 0; i < 6; ++i)
        cc->add_jointcollisioncurrent(static_cast<uint32_t>(1000 + 100 * arm.collisionClass));
    cc->set_collisionclass(static_cast<uint32_t>(arm.collisionClass));
}

void handleGetSafetyConfig(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseRobotSafetyConfig>(c).add_safetyconfig()->CopyFrom(
        arm.safetyConfig);
}

void handleSetSafetyConfig(SimCore&, ArmState& arm, RequestCtx& c) {
    pbc::ProtoResponseRobotSafetyConfig req;
    if (acceptSetter(c, req, [](const pbc::ProtoResponseRobotSafetyConfig& m) {
            if (m.safetyconfig_size() == 0) return malformed("the safety configuration is missing");
            const auto got =
                static_cast<size_t>(m.safetyconfig(0).robotreducedconfigjointspeed_size());
            return got == 6 ? Refusal{} : countMismatch("the reduced joint speeds", 6, got);
        }))
        arm.safetyConfig = req.safetyconfig(0);
}

void handleGetOrpe(SimCore&, ArmState& arm, RequestCtx& c) {
    makeReply<pbc::ProtoResponseOrpeSafetyStatus>(c).add_safetystatus()->CopyFrom(arm.orpeStatus);
}

void handleSafetyIo(SimCore&, ArmState& arm, RequestCtx& c) {
    common(c);
    pbm::protoSafeCommunicationParam req;
    if (!parse(c, req)) return;
    const bool needsOne = c.cmd != SafetyIoSetOrpeError;
    if (needsOne && req.param_size() < 1) {
        refuse(c, CodeRequestFormatError, "the safety I/O value is missing");
        return;
    }
    if (!needsOne && req.param_size() > 16) {
        refuse(c, CodeRequestFormatError,
               "at most 16 operator error flags, got " + std::to_string(req.param_size()));
        return;
    }
    if (!c.applyState) return;
    auto& s = arm.orpeStatus;
    const int32_t v = needsOne ? static_cast<int32_t>(req.param(0)) : 0;
    switch (c.cmd) {
        case SafetyIoSetOrpePause:
            s.set_orpepause(v);
            break;
        case SafetyIoSetOrpeStop:
            s.set_orpestop(v);
            break;
        case SafetyIoSetOrpeError:
            for (int i = 0; i < 16; ++i)
                s.set_orpeerror(i, i < req.param_size() ? req.param(i) : 0);
            break;
        case SafetyIoClearSystemEmergencyStop:
            s.set_systememergencystop(v);
            break;
        case SafetyIoClearReducedModeError:
            s.set_reducedmodeerror(v);
            break;
        case SafetyIoSafetyguardResetSucc:
            s.set_safetyguardresetsucc(v);
            break;
        default:
            break;
    }
}

}  // namespace tevo_sim
