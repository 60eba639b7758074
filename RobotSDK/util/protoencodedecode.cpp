// Conversions between public values and messages, the general-data body and
// the shared serialise/parse steps.

#include "RobotSDK/util/protoencodedecode.h"

#include <climits>
#include <cstdio>
#include <new>

#include "RobotSDK/util/protoencodedecode_shapes.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace codec_detail;
namespace trn = tevo_robot_namespace;

namespace codec_detail {

void reportFailure(FailSink sink, const char* text) {
    switch (sink) {
        case FailSink::Log:
            RobotLogPrint::trace(trn::LL_ERROR, "%s", text);
            break;
        case FailSink::Stdout:
            std::fprintf(stdout, "%s\n", text);
            std::fflush(stdout);
            break;
        case FailSink::Stderr:
            std::fprintf(stderr, "%s\n", text);
            break;
    }
}

bool serializeToNewArray(const google::protobuf::MessageLite& message, char** data, int* size) {
    *data = nullptr;
    *size = 0;
    if (!message.IsInitialized()) {
        return false;
    }
    const std::size_t bytes = message.ByteSizeLong();
    if (bytes > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    char* buffer = new (std::nothrow) char[bytes];
    if (buffer == nullptr) {
        return false;
    }
    message.SerializeWithCachedSizesToArray(reinterpret_cast<uint8_t*>(buffer));
    *data = buffer;
    *size = static_cast<int>(bytes);
    return true;
}

bool parseFromBytes(google::protobuf::MessageLite& message, const char* data, int size) {
    if (size < 0 || (data == nullptr && size > 0)) {
        return false;
    }
    // Checked here rather than by the parser, which would log on its own.
    return message.ParsePartialFromArray(data, size) && message.IsInitialized();
}

}  // namespace codec_detail

namespace {

// Copies a text up to its first NUL, cut to maxChars (and to what the array
// holds with a terminator), without writing a terminator: the record is zeroed
// beforehand.
template <std::size_t N>
void copyText(char (&to)[N], std::size_t maxChars, const std::string& from) {
    std::size_t length = std::min(from.find('\0'), from.size());
    length = std::min({length, maxChars, N - 1});
    std::memcpy(to, from.data(), length);
}

}  // namespace

// ---- Waypoints and geometry -------------------------------------------------

bool ProtoEncodeDecode::roadPointTypeConversion(const trn::wayPoint_S& in,
                                                common::ProtoRoadPoint& out) {
    common::cartesianPos_U* cart = out.mutable_cartpos();
    cart->Clear();
    fillPos(cart->add_position(), in.cartPos.position);
    cart->mutable_positionvector()->Reserve(3);
    cart->add_positionvector(in.cartPos.position.x);
    cart->add_positionvector(in.cartPos.position.y);
    cart->add_positionvector(in.cartPos.position.z);
    fillOri(out.mutable_orientation(), in.orientation);
    out.clear_jointpos();
    appendAll(out.mutable_jointpos(), in.jointpos);
    return true;
}

bool ProtoEncodeDecode::roadPointTypeConversion(const common::ProtoRoadPoint& in,
                                                trn::wayPoint_S& out) {
    bool complete = true;
    const common::cartesianPos_U& cart = in.cartpos();
    if (!cart.position().empty()) {
        readPos(cart.position(0), out.cartPos.position);
    } else if (cart.positionvector_size() >= 3) {
        out.cartPos.position.x = cart.positionvector(0);
        out.cartPos.position.y = cart.positionvector(1);
        out.cartPos.position.z = cart.positionvector(2);
    } else {
        complete = false;
    }
    readOri(in.orientation(), out.orientation);
    if (in.jointpos_size() == trn::ARM_DOF) {
        copyAtMost(out.jointpos, in.jointpos());
    } else {
        complete = false;
    }
    return complete;
}

void ProtoEncodeDecode::cartesianOriUTypeConversion(const cartesian_Ori_U& in,
                                                    common::cartesianOri_U& out) {
    out.Clear();
    fillOri(out.add_orientation(), in.orientation);
    out.mutable_quaternionvector()->Reserve(4);
    out.add_quaternionvector(in.orientation.w);
    out.add_quaternionvector(in.orientation.x);
    out.add_quaternionvector(in.orientation.y);
    out.add_quaternionvector(in.orientation.z);
}

void ProtoEncodeDecode::cartesianOriUTypeConversion(const common::cartesianOri_U& in,
                                                    cartesian_Ori_U& out) {
    double q[4] = {out.orientation.w, out.orientation.x, out.orientation.y, out.orientation.z};
    if (!in.orientation().empty()) {
        const common::Ori& ori = in.orientation(0);
        q[0] = ori.w();
        q[1] = ori.x();
        q[2] = ori.y();
        q[3] = ori.z();
    }
    copyAtMost(q, in.quaternionvector());
    out.orientation.w = q[0];
    out.orientation.x = q[1];
    out.orientation.y = q[2];
    out.orientation.z = q[3];
}

void ProtoEncodeDecode::jointCartUTypeConversion(const joint_cart_U& in,
                                                 common::joint_cart_U& out) {
    out.Clear();
    appendAll(out.mutable_jointpara(), in.jointPara);
}

void ProtoEncodeDecode::jointCartUTypeConversion(const common::joint_cart_U& in,
                                                 joint_cart_U& out) {
    for (double& value : out.jointPara) {
        value = 0.0;
    }
    copyAtMost(out.jointPara, in.jointpara());
}

// ---- Move profile -----------------------------------------------------------

bool ProtoEncodeDecode::TevoRobotMoveProfileType2ProtoType(const RobotMoveProfile& in,
                                                           common::RobotMoveProfile& out) {
    const int moveMode = static_cast<int>(in.moveMode);
    const int subMoveMode = static_cast<int>(in.subMoveMode);
    const int teachMode = static_cast<int>(in.teachMode);
    if (!movecond::move_mode_IsValid(moveMode) || !movecond::move_track_IsValid(subMoveMode) ||
        !movecond::teach_mode_IsValid(teachMode)) {
        return false;
    }
    out.set_movemode(static_cast<movecond::move_mode>(moveMode));
    out.set_submovemode(static_cast<movecond::move_track>(subMoveMode));
    out.set_teachmode(static_cast<movecond::teach_mode>(teachMode));
    out.set_enableiterik(in.enableIterIk);
    out.set_tooltrack(in.toolTrack);
    fillPos(out.mutable_toolinendposition(), in.toolInEndPosition.position);
    fillOri(out.mutable_toolinendorientation(), in.toolInEndOrientation);

    common::relativeMove_t* relative = out.mutable_relativemove();
    relative->set_ena(in.relativeMove.ena);
    relative->clear_relativeposition();
    appendAll(relative->mutable_relativeposition(), in.relativeMove.relativePosition);
    cartesianOriUTypeConversion(in.relativeMove.relativeOrientation,
                                *relative->mutable_relativeorientation());

    jointCartUTypeConversion(in.maxVelc, *out.mutable_maxvelc());
    jointCartUTypeConversion(in.maxAcc, *out.mutable_maxacc());
    out.set_blendradius(in.blendRadius);
    out.set_circularlooptimes(in.circularLoopTimes);
    common::arrivalAhead_t* ahead = out.mutable_arrivalahead();
    ahead->set_arrivalaheadstat(static_cast<int>(in.arrivalAhead.arrivalAheadStat));
    ahead->set_arrivalaheadthr(in.arrivalAhead.arrivalAheadThr);
    return true;
}

bool ProtoEncodeDecode::RobotMovePatamTypeConversion(const RobotMoveProfile& profile,
                                                     const std::vector<trn::wayPoint_S>& wayPoints,
                                                     common::RobotMove& out) {
    if (!TevoRobotMoveProfileType2ProtoType(profile, *out.mutable_move_profile())) {
        return false;
    }
    out.clear_roadpointvector();
    out.mutable_roadpointvector()->Reserve(static_cast<int>(wayPoints.size()));
    for (const trn::wayPoint_S& wayPoint : wayPoints) {
        roadPointTypeConversion(wayPoint, *out.add_roadpointvector());
    }
    return true;
}

void ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(const common::RobotMoveProfile& in,
                                                           RobotMoveProfile& out) {
    out.moveMode = static_cast<decltype(out.moveMode)>(in.movemode());
    out.subMoveMode = static_cast<decltype(out.subMoveMode)>(in.submovemode());
    out.teachMode = static_cast<decltype(out.teachMode)>(in.teachmode());
    out.enableIterIk = in.enableiterik();
    out.toolTrack = in.tooltrack();
    readPos(in.toolinendposition(), out.toolInEndPosition.position);
    readOri(in.toolinendorientation(), out.toolInEndOrientation);

    const common::relativeMove_t& relative = in.relativemove();
    out.relativeMove.ena = relative.ena();
    if (relative.relativeposition_size() == 3) {
        copyAtMost(out.relativeMove.relativePosition, relative.relativeposition());
    }
    cartesianOriUTypeConversion(relative.relativeorientation(),
                                out.relativeMove.relativeOrientation);

    jointCartUTypeConversion(in.maxvelc(), out.maxVelc);
    jointCartUTypeConversion(in.maxacc(), out.maxAcc);
    out.blendRadius = in.blendradius();
    out.circularLoopTimes = in.circularlooptimes();
    out.arrivalAhead.arrivalAheadStat = static_cast<decltype(out.arrivalAhead.arrivalAheadStat)>(
        in.arrivalahead().arrivalaheadstat());
    out.arrivalAhead.arrivalAheadThr = in.arrivalahead().arrivalaheadthr();
}

// ---- Payload, joints, diagnosis, safety --------------------------------------

namespace {

void fillTcp(comm::TcpParam* out, const TcpParam& in) {
    out->set_positionx(in.positionX);
    out->set_positiony(in.positionY);
    out->set_positionz(in.positionZ);
    out->set_payload(in.payload);
}

void readTcp(const comm::TcpParam& in, TcpParam& out) {
    out.positionX = in.positionx();
    out.positionY = in.positiony();
    out.positionZ = in.positionz();
    out.payload = in.payload();
}

}  // namespace

void ProtoEncodeDecode::robotTcpParamTypeConversion(const RobotTcpParam& in,
                                                    comm::RobotTcpParam& out) {
    fillTcp(out.mutable_paramautorun(), in.paramAutorun);
    fillTcp(out.mutable_parammanual(), in.paramManual);
}

void ProtoEncodeDecode::robotTcpParamTypeConversion(const comm::RobotTcpParam& in,
                                                    RobotTcpParam& out) {
    readTcp(in.paramautorun(), out.paramAutorun);
    readTcp(in.parammanual(), out.paramManual);
}

void ProtoEncodeDecode::jointStatusTypeConversion(const trn::JointStatus& in,
                                                  common::ProtoJointStatus& out) {
    out.set_jointcurrenti(in.jointCurrentI);
    out.set_jointspeedmoto(in.jointSpeedMoto);
    out.set_jointposj(in.jointPosJ);
    out.set_jointcurvol(in.jointCurVol);
    out.set_jointcurtemp(in.jointCurTemp);
    out.set_jointtagcurrenti(in.jointTagCurrentI);
    out.set_jointtagspeedmoto(in.jointTagSpeedMoto);
    out.set_jointtagposj(in.jointTagPosJ);
    out.set_jointerrornum(in.jointErrorNum);
}

void ProtoEncodeDecode::jointStatusTypeConversion(const common::ProtoJointStatus& in,
                                                  trn::JointStatus& out) {
    narrowInto(out.jointCurrentI, in.jointcurrenti());
    narrowInto(out.jointSpeedMoto, in.jointspeedmoto());
    narrowInto(out.jointPosJ, in.jointposj());
    narrowInto(out.jointCurVol, in.jointcurvol());
    narrowInto(out.jointCurTemp, in.jointcurtemp());
    narrowInto(out.jointTagCurrentI, in.jointtagcurrenti());
    narrowInto(out.jointTagSpeedMoto, in.jointtagspeedmoto());
    narrowInto(out.jointTagPosJ, in.jointtagposj());
    narrowInto(out.jointErrorNum, in.jointerrornum());
}

void ProtoEncodeDecode::robotDiagnosisTypeConversionToStruct(const comm::RobotDiagnosis& in,
                                                             trn::RobotDiagnosis& out) {
    narrowInto(out.armCanbusStatus, in.armcanbusstatus());
    narrowInto(out.armPowerCurrent, in.armpowercurrent());
    narrowInto(out.armPowerVoltage, in.armpowervoltage());
    narrowInto(out.armPowerStatus, in.armpowerstatus());
    narrowInto(out.contorllerTemp, in.contorllertemp());
    narrowInto(out.contorllerHumidity, in.contorllerhumidity());
    narrowInto(out.remoteHalt, in.remotehalt());
    narrowInto(out.softEmergency, in.softemergency());
    narrowInto(out.remoteEmergency, in.remoteemergency());
    narrowInto(out.robotCollision, in.robotcollision());
    narrowInto(out.forceControlMode, in.forcecontrolmode());
    narrowInto(out.brakeStuats, in.brakestuats());
    narrowInto(out.robotEndSpeed, in.robotendspeed());
    narrowInto(out.robotMaxAcc, in.robotmaxacc());
    narrowInto(out.orpeStatus, in.orpestatus());
    narrowInto(out.enableReadPose, in.enablereadpose());
    narrowInto(out.robotMountingPoseChanged, in.robotmountingposechanged());
    narrowInto(out.encoderErrorStatus, in.encodererrorstatus());
    narrowInto(out.staticCollisionDetect, in.staticcollisiondetect());
    narrowInto(out.jointCollisionDetect, in.jointcollisiondetect());
    narrowInto(out.encoderLinesError, in.encoderlineserror());
    narrowInto(out.jointErrorStatus, in.jointerrorstatus());
    narrowInto(out.singularityOverSpeedAlarm, in.singularityoverspeedalarm());
    narrowInto(out.robotCurrentAlarm, in.robotcurrentalarm());
    narrowInto(out.toolIoError, in.toolioerror());
    narrowInto(out.robotMountingPoseWarning, in.robotmountingposewarning());
    narrowInto(out.macTargetPosBufferSize, in.mactargetposbuffersize());
    narrowInto(out.macTargetPosDataSize, in.mactargetposdatasize());
    narrowInto(out.macDataInterruptWarning, in.macdatainterruptwarning());
    narrowInto(out.controlBoardAbnormalStateFlag, in.controlboardabnormalstateflag());
}

void ProtoEncodeDecode::robotCollisionCurrentTypeConversion(const comm::RobotCollisionCurrent& in,
                                                            RobotCollisionCurrent& out) {
    narrowInto(out.CollisionClass, in.collisionclass());
}

void ProtoEncodeDecode::RobotSafetyConfigTypeConversion(const trn::RobotSafetyConfig& in,
                                                        common::ProtoRobotSafetyConfig& out) {
    out.clear_robotreducedconfigjointspeed();
    appendAll(out.mutable_robotreducedconfigjointspeed(), in.robotReducedConfigJointSpeed);
    out.set_robotreducedconfigtcpspeed(static_cast<int32_t>(in.robotReducedConfigTcpSpeed));
    out.set_robotreducedconfigtcpforce(static_cast<int32_t>(in.robotReducedConfigTcpForce));
    out.set_robotreducedconfigmomentum(static_cast<int32_t>(in.robotReducedConfigMomentum));
    out.set_robotreducedconfigpower(static_cast<int32_t>(in.robotReducedConfigPower));
    out.set_robotsafeguradresetconfig(in.robotSafeguradResetConfig);
    out.set_robotoperationalmodeconfig(in.robotOperationalModeConfig);
}

void ProtoEncodeDecode::RobotSafetyConfigTypeConversion(const common::ProtoRobotSafetyConfig& in,
                                                        trn::RobotSafetyConfig& out) {
    copyAtMost(out.robotReducedConfigJointSpeed, in.robotreducedconfigjointspeed());
    narrowInto(out.robotReducedConfigTcpSpeed, in.robotreducedconfigtcpspeed());
    narrowInto(out.robotReducedConfigTcpForce, in.robotreducedconfigtcpforce());
    narrowInto(out.robotReducedConfigMomentum, in.robotreducedconfigmomentum());
    narrowInto(out.robotReducedConfigPower, in.robotreducedconfigpower());
    narrowInto(out.robotSafeguradResetConfig, in.robotsafeguradresetconfig());
    narrowInto(out.robotOperationalModeConfig, in.robotoperationalmodeconfig());
}

void ProtoEncodeDecode::OrpeSafetyStatusTypeConversion(const trn::OrpeSafetyStatus& in,
                                                       common::ProtoOrpeSafetyStatus& out) {
    out.set_orpepause(in.orpePause);
    out.set_orpestop(in.orpeStop);
    out.clear_orpeerror();
    appendAll(out.mutable_orpeerror(), in.orpeError);
    out.set_systememergencystop(in.systemEmergencyStop);
    out.set_reducedmodeerror(in.reducedModeError);
    out.set_safetyguardresetsucc(in.safetyguardResetSucc);
}

void ProtoEncodeDecode::OrpeSafetyStatusTypeConversion(const common::ProtoOrpeSafetyStatus& in,
                                                       trn::OrpeSafetyStatus& out) {
    narrowInto(out.orpePause, in.orpepause());
    narrowInto(out.orpeStop, in.orpestop());
    copyAtMost(out.orpeError, in.orpeerror());
    narrowInto(out.systemEmergencyStop, in.systememergencystop());
    narrowInto(out.reducedModeError, in.reducedmodeerror());
    narrowInto(out.safetyguardResetSucc, in.safetyguardresetsucc());
}

// ---- Tool -------------------------------------------------------------------

void ProtoEncodeDecode::toolParamTypeConversion(const trn::ToolDynamicsParam& in,
                                                common::ToolParam& out) {
    out.Clear();
    common::ToolDynamicsParam* param = out.add_tooldynamicsparam();
    param->set_payload(in.payload);
    param->set_positionx(in.positionX);
    param->set_positiony(in.positionY);
    param->set_positionz(in.positionZ);
    common::ToolInertia* inertia = param->mutable_toolinertia();
    inertia->set_xx(in.toolInertia.xx);
    inertia->set_xy(in.toolInertia.xy);
    inertia->set_xz(in.toolInertia.xz);
    inertia->set_yy(in.toolInertia.yy);
    inertia->set_yz(in.toolInertia.yz);
    inertia->set_zz(in.toolInertia.zz);
    ProtoRobotCommonResponseInit(*out.mutable_errorinfo(), 0, std::string());
}

bool ProtoEncodeDecode::toolParamTypeConversion(const common::ToolParam& in,
                                                trn::ToolDynamicsParam& out) {
    if (in.tooldynamicsparam().empty()) {
        return false;
    }
    const common::ToolDynamicsParam& param = in.tooldynamicsparam(0);
    out.positionX = param.positionx();
    out.positionY = param.positiony();
    out.positionZ = param.positionz();
    out.payload = param.payload();
    const common::ToolInertia& inertia = param.toolinertia();
    out.toolInertia.xx = inertia.xx();
    out.toolInertia.xy = inertia.xy();
    out.toolInertia.xz = inertia.xz();
    out.toolInertia.yy = inertia.yy();
    out.toolInertia.yz = inertia.yz();
    out.toolInertia.zz = inertia.zz();
    return true;
}

// ---- Events, device information, I/O ------------------------------------------

void ProtoEncodeDecode::robotEventTypeConversion(const trn::RobotEventInfo& in,
                                                 comm::ProtoCommunicationRobotEvent& out) {
    out.set_eventtype(static_cast<int>(in.eventType));
    out.set_eventcode(in.eventCode);
    out.set_eventcontent(in.eventContent);
}

void ProtoEncodeDecode::robotEventTypeConversion(const comm::ProtoCommunicationRobotEvent& in,
                                                 trn::RobotEventInfo& out) {
    out.eventType = static_cast<decltype(out.eventType)>(in.eventtype());
    out.eventCode = in.eventcode();
    out.eventContent = in.eventcontent();
}

void ProtoEncodeDecode::RobotDevInfoTypeConversion(const comm::OurRobotDevInfo& in,
                                                   trn::RobotDevInfo& out) {
    out = trn::RobotDevInfo{};
    narrowInto(out.type, in.type());
    copyText(out.revision, 15, in.revision());
    copyText(out.manu_id, 15, in.manuid());
    copyText(out.joint_type, 15, in.jointtype());
    const std::size_t versions = std::min<std::size_t>(
        std::size(out.joint_ver), static_cast<std::size_t>(in.jointver_size()));
    for (std::size_t i = 0; i < versions; ++i) {
        const comm::JointVersion& version = in.jointver(static_cast<int>(i));
        copyText(out.joint_ver[i].sw_version, 15, version.swversion());
        copyText(out.joint_ver[i].hw_version, 7, version.hwversion());
    }
    const std::size_t products = std::min<std::size_t>(
        std::size(out.jointProductID), static_cast<std::size_t>(in.jointproductid_size()));
    for (std::size_t i = 0; i < products; ++i) {
        copyText(out.jointProductID[i].productID, 15, in.jointproductid(static_cast<int>(i)));
    }
    copyText(out.desc, 11, in.desc());
    copyText(out.slave_version, 15, in.slavedevversion());
    copyText(out.extio_version, 11, in.extendioboardversion());
}

void ProtoEncodeDecode::RobotDiagnosisIODescTypeConversion(const trn::RobotDiagnosisIODesc& in,
                                                           comm::ProtoRobotDiagnosisIODesc& out) {
    out.set_addr(in.addr);
    out.set_type(in.type);
    out.set_value(in.value);
}

void ProtoEncodeDecode::RobotDiagnosisIODescTypeConversion(
    const comm::ProtoRobotDiagnosisIODesc& in, trn::RobotDiagnosisIODesc& out) {
    narrowInto(out.addr, in.addr());
    narrowInto(out.type, in.type());
    narrowInto(out.value, in.value());
}

void ProtoEncodeDecode::RobotAnalogIODescTypeConversion(const trn::RobotAnalogIODesc& in,
                                                        comm::ProtoRobotAnalogIODesc& out) {
    out.set_addr(in.addr);
    out.set_type(in.type);
    out.set_value(in.value);
}

void ProtoEncodeDecode::RobotAnalogIODescTypeConversion(const comm::ProtoRobotAnalogIODesc& in,
                                                        trn::RobotAnalogIODesc& out) {
    narrowInto(out.addr, in.addr());
    narrowInto(out.type, in.type());
    out.value = in.value();
}

// ---- Application services -----------------------------------------------------

void ProtoEncodeDecode::SeamTrackToProtoSeamTrack(const trn::SeamTracking& in,
                                                  common::ProtoSeamTrack_t& out) {
    out.set_trackenable(in.trackEnable ? 1 : 0);
    roadPointTypeConversion(in.currentRoadPoint, *out.mutable_currentroadpoint());
    roadPointTypeConversion(in.nextRoadPoint, *out.mutable_nextroadpoint());
    out.set_timeinterval(in.timeInterval);
    out.clear_currentposerror();
    appendAll(out.mutable_currentposerror(), in.currentPosError);
    out.set_maxvel(in.maxVel);
    out.set_maxacc(in.maxAcc);
    out.set_parachanged(in.paraChanged ? 1 : 0);
}

void ProtoEncodeDecode::ProtoSeamTrackToSeamTrack(const common::ProtoSeamTrack_t& in,
                                                  trn::SeamTracking& out) {
    out.trackEnable = in.trackenable() > 0;
    roadPointTypeConversion(in.currentroadpoint(), out.currentRoadPoint);
    roadPointTypeConversion(in.nextroadpoint(), out.nextRoadPoint);
    out.timeInterval = in.timeinterval();
    copyAtMost(out.currentPosError, in.currentposerror());
    out.maxVel = in.maxvel();
    out.maxAcc = in.maxacc();
    out.paraChanged = in.parachanged() > 0;
}

void ProtoEncodeDecode::ProtoJointCommonDataToRobotStruct(const comm::ProtoJointCommonData& in,
                                                          trn::JointCommonData& out) {
    narrowInto(out.JointCurVol, in.jointcurvol());
    narrowInto(out.JointCurTemp, in.jointcurtemp());
    narrowInto(out.JointWorkMode, in.jointworkmode());
    narrowInto(out.JointDriEnable, in.jointdrienable());
    narrowInto(out.JointOpenPwm, in.jointopenpwm());
    narrowInto(out.JointTagCurrent, in.jointtagcurrent());
    narrowInto(out.JointTagSpeed, in.jointtagspeed());
    narrowInto(out.JointTagPos, in.jointtagpos());
    narrowInto(out.JointMaxCur, in.jointmaxcur());
    narrowInto(out.JointMaxSpeed, in.jointmaxspeed());
    narrowInto(out.JointMaxAcc, in.jointmaxacc());
    narrowInto(out.JointMINPos, in.jointminpos());
    narrowInto(out.JointMAXPos, in.jointmaxpos());
    narrowInto(out.JointSEVLock, in.jointsevlock());
    narrowInto(out.JointCurP, in.jointcurp());
    narrowInto(out.JointCurI, in.jointcuri());
    narrowInto(out.JointCurD, in.jointcurd());
    narrowInto(out.JointSpeedP, in.jointspeedp());
    narrowInto(out.JointSpeedI, in.jointspeedi());
    narrowInto(out.JointSpeedD, in.jointspeedd());
    narrowInto(out.JointSpeedDS, in.jointspeedds());
    narrowInto(out.JointPosP, in.jointposp());
    narrowInto(out.JointPosI, in.jointposi());
    narrowInto(out.JointPosD, in.jointposd());
    narrowInto(out.JointPosDS, in.jointposds());
}

void ProtoEncodeDecode::WrenchToProtoWrench(const WrenchParam& in, peripheral::ProtoWrench& out) {
    out.Clear();
    appendAll(out.mutable_force(), in.force);
    appendAll(out.mutable_torque(), in.torque);
}

bool ProtoEncodeDecode::ProtoWrenchToWrench(const peripheral::ProtoWrench& in, WrenchParam& out) {
    if (in.force_size() < 3 || in.torque_size() < 3) {
        return false;
    }
    copyAtMost(out.force, in.force());
    copyAtMost(out.torque, in.torque());
    return true;
}

bool ProtoEncodeDecode::ProtoFtSensorCalResultToRobotType(
    const peripheral::ProtoFtSensorCalibResult& in, FtSensorCalResult& out) {
    if (in.centroid_size() < 3 || in.angle_size() < 2) {
        return false;
    }
    WrenchParam offset = out.offset;
    if (!ProtoWrenchToWrench(in.wrench(), offset)) {
        return false;
    }
    out.offset = offset;
    out.mass = in.mass();
    copyAtMost(out.centroid, in.centroid());
    copyAtMost(out.angle, in.angle());
    return true;
}

// ---- General-data body and shared steps ---------------------------------------

void ProtoEncodeDecode::makeProtoCommunicationGeneralData(
    comm::ProtoCommunicationGeneralData& message, const std::vector<int>& property1,
    const std::vector<bool>& property2) {
    message.set_type(1);
    for (int value : property1) {
        message.add_property1(value);
    }
    for (bool value : property2) {
        message.add_property2(value);
    }
}

bool ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(
    const comm::ProtoCommunicationGeneralData& message, char** data, int* size) {
    if (data == nullptr || size == nullptr || !serializeToNewArray(message, data, size)) {
        reportFailure(FailSink::Stderr,
                      "ERROR:ProtoCommunicationGeneralDataMessageSerialize Serialize fail.");
        return false;
    }
    return true;
}

bool ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageParse(
    const char* data, int size, comm::ProtoCommunicationGeneralData& message) {
    if (!parseFromBytes(message, data, size)) {
        reportFailure(FailSink::Stderr, "ERROR: ProtoCommunicationGeneralDataMessageParse fail.");
        return false;
    }
    return true;
}

void ProtoEncodeDecode::resolveProtoCommunicationGeneralData(
    const comm::ProtoCommunicationGeneralData& message, std::vector<int>& property1,
    std::vector<bool>& property2, int& errorCode) {
    property1.assign(message.property1().begin(), message.property1().end());
    property2.assign(message.property2().begin(), message.property2().end());
    takeFirstCode(message.errorinfo(), errorCode);
}

bool ProtoEncodeDecode::ProtobufDataSerializeToArray(const google::protobuf::MessageLite& message,
                                                     char** data, int* size) {
    if (data == nullptr || size == nullptr || !serializeToNewArray(message, data, size)) {
        reportFailure(FailSink::Stderr, " Serialize fail.");
        return false;
    }
    return true;
}

void ProtoEncodeDecode::ProtoRobotCommonResponseInit(common::RobotCommonResponse& record, int code,
                                                     const std::string& text) {
    record.set_errorcode(code);
    record.set_errormsg(text);
}

void ProtoEncodeDecode::ProtoRobotCommonResponseInit(comm::ProtoRobotCommonResponse& record,
                                                     int code, const std::string& text) {
    record.set_errorcode(code);
    record.set_errormsg(text);
}
