// Request encoders and the event encoder.

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/protoencodedecode_shapes.h"

using namespace codec_detail;
namespace trn = tevo_robot_namespace;

namespace {

// One waypoint as field 2 (roadPointVector) of RobotMove, in the wire format
// the message classes produce for it (proto2, every double unpacked):
//   ProtoRoadPoint { cartPos = 1 { position = 1 { x, y, z }, positionVector = 2 (x3) },
//                    orientation = 2 { w, x, y, z }, jointpos = 3 (x6) }
constexpr std::size_t kDoubleFieldBytes = 1 + 8;                              // tag, fixed64
constexpr std::size_t kPosBytes = 3 * kDoubleFieldBytes;                      // 27
constexpr std::size_t kCartPosBytes = 2 + kPosBytes + 3 * kDoubleFieldBytes;  // 56
constexpr std::size_t kOriBytes = 4 * kDoubleFieldBytes;                      // 36
constexpr std::size_t kRoadPointBytes =
    2 + kCartPosBytes + 2 + kOriBytes + trn::ARM_DOF * kDoubleFieldBytes;  // 150
constexpr std::size_t kRoadPointFieldBytes = 1 + 2 + kRoadPointBytes;      // tag, 2-byte length
static_assert(kRoadPointBytes >= 128 && kRoadPointBytes < 16384, "two-byte varint length");

uint8_t* writeDouble(uint8_t* out, uint8_t tag, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    *out++ = tag;
    for (int i = 0; i < 8; ++i) *out++ = static_cast<uint8_t>(bits >> (8 * i));  // little endian
    return out;
}

uint8_t* writeLengthPrefix(uint8_t* out, uint8_t tag, std::size_t length) {
    *out++ = tag;
    if (length >= 128) {
        *out++ = static_cast<uint8_t>(length | 0x80);
        *out++ = static_cast<uint8_t>(length >> 7);
    } else {
        *out++ = static_cast<uint8_t>(length);
    }
    return out;
}

// Tags: field number << 3 | wire type (1: fixed64, 2: length-delimited).
constexpr uint8_t kTag1Fixed64 = 0x09, kTag2Fixed64 = 0x11, kTag3Fixed64 = 0x19,
                  kTag4Fixed64 = 0x21, kTag1Len = 0x0A, kTag2Len = 0x12;

uint8_t* writeRoadPointField(uint8_t* out, const trn::wayPoint_S& wp) {
    const trn::Pos& p = wp.cartPos.position;
    out = writeLengthPrefix(out, kTag2Len, kRoadPointBytes);
    out = writeLengthPrefix(out, kTag1Len, kCartPosBytes);
    out = writeLengthPrefix(out, kTag1Len, kPosBytes);
    out = writeDouble(out, kTag1Fixed64, p.x);
    out = writeDouble(out, kTag2Fixed64, p.y);
    out = writeDouble(out, kTag3Fixed64, p.z);
    out = writeDouble(out, kTag2Fixed64, p.x);
    out = writeDouble(out, kTag2Fixed64, p.y);
    out = writeDouble(out, kTag2Fixed64, p.z);
    out = writeLengthPrefix(out, kTag2Len, kOriBytes);
    out = writeDouble(out, kTag1Fixed64, wp.orientation.w);
    out = writeDouble(out, kTag2Fixed64, wp.orientation.x);
    out = writeDouble(out, kTag3Fixed64, wp.orientation.y);
    out = writeDouble(out, kTag4Fixed64, wp.orientation.z);
    for (double joint : wp.jointpos) out = writeDouble(out, kTag3Fixed64, joint);
    return out;
}

// The general-data encoders: one int or one bool, type 1.
bool encodeGeneralData(char** data, int* size, const std::vector<int>& ints,
                       const std::vector<bool>& bools, const char* failText) {
    ScratchMessage<comm::ProtoCommunicationGeneralData> scratch;
    ProtoEncodeDecode::makeProtoCommunicationGeneralData(scratch.get(), ints, bools);
    if (!ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(scratch.get(), data,
                                                                          size)) {
        reportFailure(FailSink::Stderr, failText);
        return false;
    }
    return true;
}

template <class List, class Values>
void fillNumberList(List& message, const Values& values) {
    message.set_num(static_cast<int>(values.size()));
    message.mutable_value()->Reserve(static_cast<int>(values.size()));
    for (auto value : values) {
        message.add_value(value);
    }
}

void fillJointAngle(common::ProtoJointAngle* out, const trn::JointParam& in) {
    out->set_joint1(in.jointPos[0]);
    out->set_joint2(in.jointPos[1]);
    out->set_joint3(in.jointPos[2]);
    out->set_joint4(in.jointPos[3]);
    out->set_joint5(in.jointPos[4]);
    out->set_joint6(in.jointPos[5]);
}

}  // namespace

bool ProtoEncodeDecode::getRequest_login(char** data, int* size, const std::string& userName,
                                         const std::string& passwd) {
    return encodeRequest<comm::ProtoRequestLogin>(data, size, FailSink::Stderr,
                                                  "ERROR: getRequest_login Serialize fail.",
                                                  [&](comm::ProtoRequestLogin& m) {
                                                      m.set_username(userName);
                                                      m.set_passwd(passwd);
                                                  });
}

bool ProtoEncodeDecode::getRequest_robotStartup(char** data, int* size,
                                                const RobotTcpParam& tcpParam,
                                                uint8_t collisionClass, bool readPose,
                                                bool staticCollisionDetect, int maxAcc) {
    return encodeRequest<comm::ProtoCommunicationRobotStartupProfile>(
        data, size, FailSink::Stdout, "getRequest_robotStartup Serialize fail.",
        [&](comm::ProtoCommunicationRobotStartupProfile& m) {
            robotTcpParamTypeConversion(tcpParam, *m.mutable_tcpparam());
            m.set_readpose(readPose);
            m.set_staticcollisiondetect(staticCollisionDetect);
            m.set_collisionclass(collisionClass);
            m.set_maxacc(maxAcc);
        });
}

bool ProtoEncodeDecode::getRequest_robotControl(char** data, int* size,
                                                trn::RobotControlCommand command) {
    return encodeGeneralData(data, size, {static_cast<int>(command)}, {},
                             "ERROR: getRequest_robotControl Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_setRobotPowerStatus(char** data, int* size, bool value) {
    return encodeGeneralData(data, size, {}, {value},
                             "ERROR: getRequest_setRobotPowerStatus Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_setRobotWorkMode(char** data, int* size,
                                                    trn::RobotWorkMode mode) {
    return encodeGeneralData(data, size, {static_cast<int>(mode)}, {},
                             "ERROR: getRequest_setRobotWorkMode Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_setRobotCollision(char** data, int* size, int grade) {
    return encodeGeneralData(data, size, {grade}, {},
                             "ERROR: getRequest_setRobotCollision Serialize fail.");
}

bool ProtoEncodeDecode::getRequest_tcpParam(char** data, int* size, const RobotTcpParam& tcpParam) {
    return encodeRequest<comm::RobotTcpParam>(
        data, size, FailSink::Stdout, "getRequest_tcpParam Serialize fail.",
        [&](comm::RobotTcpParam& m) { robotTcpParamTypeConversion(tcpParam, m); });
}

bool ProtoEncodeDecode::getRequest_setToolDynamicsParam(char** data, int* size,
                                                        const trn::ToolDynamicsParam& param) {
    return encodeRequest<common::ToolParam>(
        data, size, FailSink::Log, "getRequest_setToolDynamicsParam Serialize fail.",
        [&](common::ToolParam& m) { toolParamTypeConversion(param, m); });
}

bool ProtoEncodeDecode::getRequest_setToolKinematicsParam(char** data, int* size,
                                                          const trn::ToolInEndDesc& param) {
    return encodeRequest<common::ToolKinematicsParam>(
        data, size, FailSink::Log, "getRequest_setToolKinematicsParam Serialize fail.",
        [&](common::ToolKinematicsParam& m) {
            fillPos(m.mutable_toolposition(), param.toolInEndPosition);
            fillOri(m.mutable_toolori(), param.toolInEndOrientation);
        });
}

bool ProtoEncodeDecode::getRequest_setSafetyConfig(char** data, int* size,
                                                   const trn::RobotSafetyConfig& config) {
    return encodeRequest<common::ProtoResponseRobotSafetyConfig>(
        data, size, FailSink::Log, "getRequest_setSafetyConfig Serialize fail.",
        [&](common::ProtoResponseRobotSafetyConfig& m) {
            RobotSafetyConfigTypeConversion(config, *m.add_safetyconfig());
            ProtoRobotCommonResponseInit(*m.mutable_errorinfo(), 0, std::string());
        });
}

bool ProtoEncodeDecode::getRequest_safeIoParamAbout(char** data, int* size,
                                                    const std::vector<int>& params) {
    return encodeRequest<comm::protoSafeCommunicationParam>(
        data, size, FailSink::Log, "getRequest_safeIoParamAbout Serialize fail.",
        [&](comm::protoSafeCommunicationParam& m) {
            m.set_paramreserved(0);
            for (int value : params) {
                m.add_param(static_cast<uint32_t>(value));
            }
        });
}

bool ProtoEncodeDecode::getRequest_robotRobotJointOffsetData(char** data, int* size,
                                                             const trn::RobotJointOffset& offset) {
    return encodeRequest<common::RobotJointOffset>(
        data, size, FailSink::Log, "getRequest_robotRobotJointOffsetData Serialize fail.",
        [&](common::RobotJointOffset& m) {
            m.set_joint1(offset.jointOffset[0]);
            m.set_joint2(offset.jointOffset[1]);
            m.set_joint3(offset.jointOffset[2]);
            m.set_joint4(offset.jointOffset[3]);
            m.set_joint5(offset.jointOffset[4]);
            m.set_joint6(offset.jointOffset[5]);
        });
}

bool ProtoEncodeDecode::getRequest_firmwareUpgrade(char** data, int* size, int command,
                                                   const char* content, int length) {
    return encodeRequest<comm::ProtoCommunicationRobotBoardFirmware>(
        data, size, FailSink::Stdout, "getRequest_firmwareUpgrade Serialize fail.",
        [&](comm::ProtoCommunicationRobotBoardFirmware& m) {
            if (length < 0 || (content == nullptr && length > 0)) {
                return false;
            }
            m.set_command(command);
            m.set_firmwarecontent(content == nullptr ? "" : content,
                                  static_cast<std::size_t>(length));
            m.set_firmwarecontentsize(length);
            return true;
        });
}

bool ProtoEncodeDecode::getRequest_startupOfflineExcitTraj(char** data, int* size,
                                                           const std::string& trackFile, int type,
                                                           int subtype) {
    return encodeRequest<comm::ProtoCommunicationOfflineExcitTraj>(
        data, size, FailSink::Log, "getRequest_startupOfflineExcitTraj Serialize fail.",
        [&](comm::ProtoCommunicationOfflineExcitTraj& m) {
            m.set_trackfile(trackFile);
            m.set_type(type);
            m.set_subtype(subtype);
        });
}

bool ProtoEncodeDecode::getRequest_robotMove(char** data, int* size,
                                             const RobotMoveProfile& profile,
                                             const std::vector<trn::wayPoint_S>& wayPoints) {
    const char* const failText = "getRequest_robotMove Serialize fail.";
    if (data == nullptr || size == nullptr) {
        reportFailure(FailSink::Stdout, failText);
        return false;
    }
    *data = nullptr;
    *size = 0;
    // The profile goes through its message; the waypoints, which follow it on
    // the wire (field 2 after field 1), are written directly: a long track
    // would otherwise build thousands of sub-messages only to serialise them.
    ScratchMessage<common::RobotMove> scratch;
    common::RobotMove& head = scratch.get();
    if (!TevoRobotMoveProfileType2ProtoType(profile, *head.mutable_move_profile()) ||
        !head.IsInitialized()) {
        reportFailure(FailSink::Stdout, failText);
        return false;
    }
    const std::size_t headBytes = head.ByteSizeLong();
    const std::size_t total = headBytes + wayPoints.size() * kRoadPointFieldBytes;
    if (wayPoints.size() > static_cast<std::size_t>(INT_MAX) / kRoadPointFieldBytes ||
        total > static_cast<std::size_t>(INT_MAX)) {
        reportFailure(FailSink::Stdout, failText);
        return false;
    }
    char* body = new (std::nothrow) char[total];
    if (body == nullptr) {
        reportFailure(FailSink::Stdout, failText);
        return false;
    }
    head.SerializeWithCachedSizesToArray(reinterpret_cast<uint8_t*>(body));
    uint8_t* out = reinterpret_cast<uint8_t*>(body) + headBytes;
    for (const trn::wayPoint_S& wayPoint : wayPoints) out = writeRoadPointField(out, wayPoint);
    *data = body;
    *size = static_cast<int>(total);
    return true;
}

bool ProtoEncodeDecode::getRequest_robotTeachMove(
    char** data, int* size, const RobotMoveProfile& profile,
    const trn::CoordCalibrateByJointAngleAndTool& frame,
    const std::vector<trn::wayPoint_S>& calibrationPoints) {
    return encodeRequest<common::RobotTeachMove, 8192>(
        data, size, FailSink::Stdout, "getRequest_robotTeachMove Serialize fail.",
        [&](common::RobotTeachMove& m) {
            if (!TevoRobotMoveProfileType2ProtoType(profile, *m.mutable_move_profile())) {
                return false;
            }
            m.set_coordinatesystemtype(static_cast<int>(frame.coordType));
            m.add_calibratemathod(static_cast<int>(frame.methods));
            for (const trn::wayPoint_S& wayPoint : calibrationPoints) {
                roadPointTypeConversion(wayPoint, *m.add_calibrateroadpointvector());
            }
            common::ProtoToolInEndDesc* tool = m.add_toolinenddesc();
            fillPos(tool->mutable_toolinendposition(), frame.toolDesc.toolInEndPosition);
            fillOri(tool->mutable_toolinendorientation(), frame.toolDesc.toolInEndOrientation);
            return true;
        });
}

bool ProtoEncodeDecode::getRequest_roadpoint(char** data, int* size,
                                             const trn::wayPoint_S& wayPoint) {
    return encodeRequest<common::ProtoRoadPoint>(
        data, size, FailSink::Stdout, "getRequest_roadpoint Serialize fail.",
        [&](common::ProtoRoadPoint& m) { roadPointTypeConversion(wayPoint, m); });
}

bool ProtoEncodeDecode::getRequest_robotDiagnosisIOData(
    char** data, int* size, const std::vector<trn::RobotDiagnosisIODesc>& io) {
    return encodeRequest<comm::ProtoCommunicationRobotDiagnosisIOData>(
        data, size, FailSink::Stderr, "ERROR: getRequest_robotDiagnosisIOData Serialize fail.",
        [&](comm::ProtoCommunicationRobotDiagnosisIOData& m) {
            m.set_type(0);
            for (const trn::RobotDiagnosisIODesc& desc : io) {
                RobotDiagnosisIODescTypeConversion(desc, *m.add_iodesc());
            }
        });
}

bool ProtoEncodeDecode::getRequest_robotAnalogIOData(
    char** data, int* size, const std::vector<trn::RobotAnalogIODesc>& io) {
    return encodeRequest<comm::ProtoCommunicationRobotAnalogIOData>(
        data, size, FailSink::Stderr, "ERROR: getRequest_robotAnalogIOData Serialize fail.",
        [&](comm::ProtoCommunicationRobotAnalogIOData& m) {
            m.set_type(0);
            for (const trn::RobotAnalogIODesc& desc : io) {
                RobotAnalogIODescTypeConversion(desc, *m.add_iodesc());
            }
        });
}

bool ProtoEncodeDecode::getRequest_intTypeValueVector(char** data, int* size,
                                                      const std::vector<int>& values) {
    return encodeRequest<comm::ProtoCommunicationIntVector>(
        data, size, FailSink::Log, "getRequest_intTypeValueVector Serialize fail.",
        [&](comm::ProtoCommunicationIntVector& m) { fillNumberList(m, values); });
}

bool ProtoEncodeDecode::getRequest_doubleTypeValueVector(char** data, int* size,
                                                         const std::vector<double>& values) {
    return encodeRequest<comm::ProtoCommunicationDoubleVector>(
        data, size, FailSink::Log, "getRequest_doubleTypeValueVector Serialize fail.",
        [&](comm::ProtoCommunicationDoubleVector& m) { fillNumberList(m, values); });
}

bool ProtoEncodeDecode::getRequest_ConveyorTrackValuePoint(char** data, int* size,
                                                           const trn::Pos& position,
                                                           const trn::Ori& ori, int timestamp) {
    return encodeRequest<common::ProtoConveyorTrackValuePoint>(
        data, size, FailSink::Log, "getRequest_ConveyorTrackValuePoint Serialize fail.",
        [&](common::ProtoConveyorTrackValuePoint& m) {
            fillPos(m.mutable_position(), position);
            fillOri(m.mutable_ori(), ori);
            m.set_timestamp(timestamp);
        });
}

bool ProtoEncodeDecode::getRequest_SeamTracking(char** data, int* size,
                                                const trn::SeamTracking& seamTrack) {
    return encodeRequest<common::ProtoSeamTrack_t>(
        data, size, FailSink::Log, "getRequest_SeamTracking Serialize fail.",
        [&](common::ProtoSeamTrack_t& m) { SeamTrackToProtoSeamTrack(seamTrack, m); });
}

bool ProtoEncodeDecode::getRequest_FtSensorCalibParam(char** data, int* size,
                                                      const trn::JointParam* jointParams,
                                                      const WrenchParam* wrenches) {
    return encodeRequest<peripheral::ProtoFtSensorCalibParam>(
        data, size, FailSink::Log, "getRequest_FtSensorCalibParam Serialize fail.",
        [&](peripheral::ProtoFtSensorCalibParam& m) {
            if (jointParams == nullptr || wrenches == nullptr) {
                return false;
            }
            for (int i = 0; i < 3; ++i) {
                fillJointAngle(m.add_jointangle(), jointParams[i]);
            }
            for (int i = 0; i < 3; ++i) {
                WrenchToProtoWrench(wrenches[i], *m.add_wrenchlist());
            }
            return true;
        });
}

bool ProtoEncodeDecode::getResponse_Event(char* buffer, int* size,
                                          const trn::RobotEventInfo& event) {
    static const char* const kFailText = "getResponse_Event Serialize fail.";
    if (buffer == nullptr || size == nullptr) {
        reportFailure(FailSink::Log, kFailText);
        return false;
    }
    ScratchMessage<comm::ProtoCommunicationRobotEvent> scratch;
    comm::ProtoCommunicationRobotEvent& message = scratch.get();
    robotEventTypeConversion(event, message);
    const std::size_t bytes = message.ByteSizeLong();
    if (*size < 0 || bytes > static_cast<std::size_t>(*size)) {
        return false;
    }
    if (!message.IsInitialized()) {
        *size = 0;
        reportFailure(FailSink::Log, kFailText);
        return false;
    }
    message.SerializeWithCachedSizesToArray(reinterpret_cast<uint8_t*>(buffer));
    *size = static_cast<int>(bytes);
    return true;
}
