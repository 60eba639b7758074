// Reply and push decoders. Each names its message, its failure text and how
// its rule fills the outputs; the shapes live in protoencodedecode_shapes.h.
//
// The rules, by the letter that heads each section below (and that the codec
// tests use). Every decoder first parses the body; a body that does not parse
// returns false with the outputs untouched (rule V has emptied its vector).
//   P  plain record: every field copied; no error code. True.
//   G  general-data body: entry 0 of the named list (property1 or property2),
//      scaled where stated; errorCode from entry 0 of errorInfo when present
//      (the pushes take none). False when the list is empty.
//   E  error record required: every value converted; errorCode from entry 0
//      of errorInfo. False when errorInfo is empty (values already written).
//   S  joint status: the first min(entries, length) records into the
//      caller's array; errorCode from entry 0 of errorInfo when present.
//   D  diagnosis: entry 0 of robotDiagnosis when present; errorCode 0, then
//      entry 0 of errorInfo when present.
//   L  payload behind one error record, mostly entry 0 of a list: errorCode
//      from the record; the payload converted only when the code is 0. A
//      success whose payload is missing (an empty list, or lists too short
//      for the record) is false, the output untouched.
//   C  payload behind one error record, converted only when the code is 0: a
//      list as in rule L (entry 0, false when missing); a plain field (DH
//      parameters, move-control result) copied, never false.
//   V  I/O descriptor list: the vector emptied before parsing, then one
//      element per ioDesc in order; errorCode from entry 0 of errorInfo when
//      present.
//   A  all fields converted whatever the code; errorCode from the record.
//   N  number list: the vector emptied, then every value; errorCode from the
//      record.
//   I  identification results: errorCode from entry 0 of errorInfo when
//      present; only when that code is 0 (or there is none) the vector is
//      replaced by every param.

#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/protoencodedecode_shapes.h"

using namespace codec_detail;
namespace trn = tevo_robot_namespace;

namespace {

// A move reply or push with six joints fits comfortably in the default block;
// a joint-status body of eight joints and more too.
constexpr std::size_t kStatusScratchBytes = 8192;

// Rule G: entry 0 of one list of the general-data body, errorCode from entry 0
// of errorInfo when present; true only if the list has an entry. The parse
// failure line is the general-data parser's own.
template <class Select, class Assign>
bool decodeGeneralData(const char* data, int size, int* errorCode, Select&& select,
                       Assign&& assign) {
    ScratchMessage<comm::ProtoCommunicationGeneralData> scratch;
    comm::ProtoCommunicationGeneralData& message = scratch.get();
    if (!ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageParse(data, size, message)) {
        return false;
    }
    if (errorCode != nullptr) {
        takeFirstCode(message.errorinfo(), *errorCode);
    }
    const auto& list = select(message);
    if (list.empty()) {
        return false;
    }
    assign(list.Get(0));
    return true;
}

const auto kProperty1 = [](const comm::ProtoCommunicationGeneralData& m) -> const auto& {
    return m.property1();
};
const auto kProperty2 = [](const comm::ProtoCommunicationGeneralData& m) -> const auto& {
    return m.property2();
};

// Rule N: the vector emptied, then every value; errorCode from the record.
template <class Msg, class Value>
bool decodeNumberList(const char* data, int size, const char* failText, std::vector<Value>& values,
                      int& errorCode) {
    return decodeReply<Msg>(data, size, failText, [&](const Msg& m) {
        values.assign(m.value().begin(), m.value().end());
        errorCode = m.errorinfo().errorcode();
    });
}

// Rule V: the vector is emptied before parsing, then one element per ioDesc;
// errorCode from entry 0 of errorInfo when present.
template <class Msg, class Desc, class Convert>
bool decodeIoList(const char* data, int size, const char* failText, std::vector<Desc>& io,
                  int& errorCode, Convert&& convert) {
    io.clear();
    return decodeReply<Msg>(data, size, failText, [&](const Msg& m) {
        io.resize(static_cast<std::size_t>(m.iodesc_size()));
        for (int i = 0; i < m.iodesc_size(); ++i) {
            convert(m.iodesc(i), io[static_cast<std::size_t>(i)]);
        }
        takeFirstCode(m.errorinfo(), errorCode);
    });
}

}  // namespace

// ---- Rule P -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_commonFormat(const char* data, int size,
                                                     CommunicationCommonResultResponse& result) {
    return decodeReply<comm::ProtoRobotCommonResponse>(
        data, size, "ERROR: resolveResponse_commonFormat Parse fail.",
        [&](const comm::ProtoRobotCommonResponse& m) {
            result.m_errorCode = m.errorcode();
            result.m_errorMsg = m.errormsg();
        });
}

bool ProtoEncodeDecode::resolveResponse_robotEvent(const char* data, int size,
                                                   trn::RobotEventInfo& event) {
    return decodeReply<comm::ProtoCommunicationRobotEvent>(
        data, size, "ERROR: resolveResponse_robotEvent Parse fail.",
        [&](const comm::ProtoCommunicationRobotEvent& m) { robotEventTypeConversion(m, event); });
}

// ---- Rule G -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_robotEndSpeed(const char* data, int size, double& speed) {
    // The push carries thousandths.
    return decodeGeneralData(data, size, nullptr, kProperty1,
                             [&](int value) { speed = value / 1000.0; });
}

bool ProtoEncodeDecode::resolveResponse_movepProgressNotify(const char* data, int size,
                                                            int& number) {
    return decodeGeneralData(data, size, nullptr, kProperty1, [&](int value) { number = value; });
}

bool ProtoEncodeDecode::resolveResponse_robotWorkMode(const char* data, int size,
                                                      trn::RobotWorkMode& mode, int& errorCode) {
    return decodeGeneralData(data, size, &errorCode, kProperty1,
                             [&](int value) { mode = static_cast<trn::RobotWorkMode>(value); });
}

bool ProtoEncodeDecode::resolveResponse_robotState(const char* data, int size,
                                                   trn::RobotState& state, int& errorCode) {
    return decodeGeneralData(data, size, &errorCode, kProperty1,
                             [&](int value) { state = static_cast<trn::RobotState>(value); });
}

bool ProtoEncodeDecode::resolveResponse_isRealRobotExist(const char* data, int size, bool& value,
                                                         int& errorCode) {
    return decodeGeneralData(data, size, &errorCode, kProperty2, [&](bool flag) { value = flag; });
}

// ---- Rule E -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_jointAngle(const char* data, int size,
                                                   trn::JointParam& jointAngle, int& errorCode) {
    return decodeReply<common::ProtoJointAngleResponse>(
        data, size, "ERROR: resolveResponse_jointAngle Parse fail.",
        [&](const common::ProtoJointAngleResponse& m) {
            const common::ProtoJointAngle& a = m.jointangle();
            const double angles[trn::ARM_DOF] = {a.joint1(), a.joint2(), a.joint3(),
                                                 a.joint4(), a.joint5(), a.joint6()};
            std::copy(std::begin(angles), std::end(angles), jointAngle.jointPos);
            return takeFirstCode(m.errorinfo(), errorCode);
        });
}

bool ProtoEncodeDecode::resolveResponse_waypoint(const char* data, int size,
                                                 trn::wayPoint_S& wayPoint, int& errorCode) {
    return decodeReply<common::ProtoRoadPointResponse>(
        data, size, "ERROR: resolveResponse_waypoint Parse fail.",
        [&](const common::ProtoRoadPointResponse& m) {
            roadPointTypeConversion(m.waypoint(), wayPoint);
            return takeFirstCode(m.errorinfo(), errorCode);
        });
}

// ---- Rules S and D ----------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_jointStatus(const char* data, int size,
                                                    trn::JointStatus* jointStatus, int length,
                                                    int& errorCode) {
    return decodeReply<common::ProtoRobotAllJointStatusResponse, kStatusScratchBytes>(
        data, size, "ERROR: resolveResponse_jointStatus Parse fail.",
        [&](const common::ProtoRobotAllJointStatusResponse& m) {
            const int count = jointStatus == nullptr ? 0 : std::min(m.jointstatus_size(), length);
            for (int i = 0; i < count; ++i) {
                jointStatusTypeConversion(m.jointstatus(i), jointStatus[i]);
            }
            takeFirstCode(m.errorinfo(), errorCode);
        });
}

bool ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(const char* data, int size,
                                                           trn::RobotDiagnosis& diagnosis,
                                                           int& errorCode) {
    return decodeReply<comm::ProtoCommunicationRobotDiagnosisInfo>(
        data, size, "ERROR: resolveResponse_robotDiagnosisInfo Parse fail.",
        [&](const comm::ProtoCommunicationRobotDiagnosisInfo& m) {
            if (!m.robotdiagnosis().empty()) {
                robotDiagnosisTypeConversionToStruct(m.robotdiagnosis(0), diagnosis);
            }
            errorCode = 0;
            takeFirstCode(m.errorinfo(), errorCode);
        });
}

// ---- Rule L -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_tcpParam(const char* data, int size,
                                                 RobotTcpParam& tcpParam, int& errorCode) {
    return decodeReply<common::ProtoResponseRobotTcpParam>(
        data, size, "resolveResponse_tcpParam Parse fail.",
        [&](const common::ProtoResponseRobotTcpParam& m) {
            return firstEntryOnSuccess(
                m.tcpparam(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_tcpParam reply lacks its entry.",
                [&](const comm::RobotTcpParam& e) { robotTcpParamTypeConversion(e, tcpParam); });
        });
}

bool ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(const char* data, int size,
                                                             trn::ToolDynamicsParam& param,
                                                             int& errorCode) {
    return decodeReply<common::ToolParam>(
        data, size, "ERROR: resolveResponse_getToolDynamicsParam Parse fail.",
        [&](const common::ToolParam& m) {
            return payloadOnSuccess(
                m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_getToolDynamicsParam reply lacks its entry.",
                [&] { return toolParamTypeConversion(m, param); });
        });
}

bool ProtoEncodeDecode::resolveResponse_gravityComponent(const char* data, int size,
                                                         trn::RobotGravityComponent& gravity,
                                                         int& errorCode) {
    return decodeReply<common::ProtoResponseRobotGravityComponent>(
        data, size, "ERROR: resolveResponse_gravityComponent Parse fail.",
        [&](const common::ProtoResponseRobotGravityComponent& m) {
            return firstEntryOnSuccess(
                m.gravitycomponent(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_gravityComponent reply lacks its entry.",
                [&](const comm::RobotGravityComponent& e) {
                    gravity.x = e.x();
                    gravity.y = e.y();
                    gravity.z = e.z();
                });
        });
}

bool ProtoEncodeDecode::resolveResponse_collisionCurrent(const char* data, int size,
                                                         RobotCollisionCurrent& collisionCurrent,
                                                         int& errorCode) {
    return decodeReply<common::ProtoResponseRobotCollisionCurrent>(
        data, size, "ERROR: resolveResponse_collisionCurrent Parse fail.",
        [&](const common::ProtoResponseRobotCollisionCurrent& m) {
            return firstEntryOnSuccess(
                m.collisioncurrent(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_collisionCurrent reply lacks its entry.",
                [&](const comm::RobotCollisionCurrent& e) {
                    robotCollisionCurrentTypeConversion(e, collisionCurrent);
                });
        });
}

bool ProtoEncodeDecode::resolveResponse_devInfo(const char* data, int size,
                                                trn::RobotDevInfo& devInfo, int& errorCode) {
    return decodeReply<common::ProtoResponseRobotDevInfo>(
        data, size, "ERROR: resolveResponse_devInfo Parse fail.",
        [&](const common::ProtoResponseRobotDevInfo& m) {
            return firstEntryOnSuccess(
                m.devinfo(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_devInfo reply lacks its entry.",
                [&](const comm::OurRobotDevInfo& e) { RobotDevInfoTypeConversion(e, devInfo); });
        });
}

bool ProtoEncodeDecode::resolveResponse_safetyConfig(const char* data, int size,
                                                     trn::RobotSafetyConfig& config,
                                                     int& errorCode) {
    return decodeReply<common::ProtoResponseRobotSafetyConfig>(
        data, size, "ERROR: resolveResponse_safetyConfig Parse fail.",
        [&](const common::ProtoResponseRobotSafetyConfig& m) {
            return firstEntryOnSuccess(m.safetyconfig(), m.errorinfo().errorcode(), errorCode,
                                       "ERROR: resolveResponse_safetyConfig reply lacks its entry.",
                                       [&](const common::ProtoRobotSafetyConfig& e) {
                                           RobotSafetyConfigTypeConversion(e, config);
                                       });
        });
}

bool ProtoEncodeDecode::resolveResponse_safetyStatus(const char* data, int size,
                                                     trn::OrpeSafetyStatus& status,
                                                     int& errorCode) {
    return decodeReply<common::ProtoResponseOrpeSafetyStatus>(
        data, size, "ERROR: resolveResponse_safetyStatus Parse fail.",
        [&](const common::ProtoResponseOrpeSafetyStatus& m) {
            return firstEntryOnSuccess(m.safetystatus(), m.errorinfo().errorcode(), errorCode,
                                       "ERROR: resolveResponse_safetyStatus reply lacks its entry.",
                                       [&](const common::ProtoOrpeSafetyStatus& e) {
                                           OrpeSafetyStatusTypeConversion(e, status);
                                       });
        });
}

// ---- Rule C -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_DhParam(const char* data, int size,
                                                trn::RobotType& robotType, trn::RobotDhPara& dhPara,
                                                int& errorCode) {
    return decodeReply<common::ProtoResponseRobotDhParam>(
        data, size, "ERROR: resolveResponse_DhParam Parse fail.",
        [&](const common::ProtoResponseRobotDhParam& m) {
            return payloadOnSuccess(m.errorinfo().errorcode(), errorCode, "", [&] {
                robotType = static_cast<trn::RobotType>(m.robottype());
                const common::DhParam& dh = m.dhparam();
                dhPara.A3 = dh.a3();
                dhPara.A4 = dh.a4();
                dhPara.D1 = dh.d1();
                dhPara.D2 = dh.d2();
                dhPara.D5 = dh.d5();
                dhPara.D6 = dh.d6();
                return true;
            });
        });
}

bool ProtoEncodeDecode::resolveResponse_moveControlResule(const char* data, int size,
                                                          call_robot_motion_func_result& result,
                                                          int& errorCode) {
    return decodeReply<common::ProtoRobotMoveFuncResult>(
        data, size, "ERROR: resolveResponse_moveControlResule Parse fail.",
        [&](const common::ProtoRobotMoveFuncResult& m) {
            return payloadOnSuccess(m.errorinfo().errorcode(), errorCode, "", [&] {
                result = static_cast<call_robot_motion_func_result>(m.ret());
                return true;
            });
        });
}

bool ProtoEncodeDecode::resolveResponse_FtSensorCalibResult(const char* data, int size,
                                                            FtSensorCalResult& result,
                                                            int& errorCode) {
    return decodeReply<peripheral::ProtoResponseFtSensorCalibResult>(
        data, size, "ERROR: resolveResponse_FtSensorCalibResult Parse fail.",
        [&](const peripheral::ProtoResponseFtSensorCalibResult& m) {
            return firstEntryOnSuccess(
                m.ftsensorcalibresult(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_FtSensorCalibResult reply lacks its entries.",
                [&](const peripheral::ProtoFtSensorCalibResult& e) {
                    return ProtoFtSensorCalResultToRobotType(e, result);
                });
        });
}

bool ProtoEncodeDecode::resolveResponse_Wrench(const char* data, int size, WrenchParam& wrench,
                                               int& errorCode) {
    return decodeReply<peripheral::ProtoResponseWrench>(
        data, size, "ERROR: resolveResponse_Wrench Parse fail.",
        [&](const peripheral::ProtoResponseWrench& m) {
            return firstEntryOnSuccess(
                m.wrench(), m.errorinfo().errorcode(), errorCode,
                "ERROR: resolveResponse_Wrench reply lacks its entries.",
                [&](const peripheral::ProtoWrench& e) { return ProtoWrenchToWrench(e, wrench); });
        });
}

// ---- Rule V -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(
    const char* data, int size, std::vector<trn::RobotDiagnosisIODesc>& io, int& errorCode) {
    return decodeIoList<comm::ProtoCommunicationRobotDiagnosisIOData>(
        data, size, "ERROR: resolveResponse_robotDiagnosisIOData Parse fail.", io, errorCode,
        [](const comm::ProtoRobotDiagnosisIODesc& in, trn::RobotDiagnosisIODesc& out) {
            RobotDiagnosisIODescTypeConversion(in, out);
        });
}

bool ProtoEncodeDecode::resolveResponse_robotAnalogIOData(const char* data, int size,
                                                          std::vector<trn::RobotAnalogIODesc>& io,
                                                          int& errorCode) {
    return decodeIoList<comm::ProtoCommunicationRobotAnalogIOData>(
        data, size, "ERROR: resolveResponse_robotAnalogIOData Parse fail.", io, errorCode,
        [](const comm::ProtoRobotAnalogIODesc& in, trn::RobotAnalogIODesc& out) {
            RobotAnalogIODescTypeConversion(in, out);
        });
}

// ---- Rule A -------------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_robotToolIoStatus(const char* data, int size,
                                                          RobotToolAllIOStatus& status,
                                                          int& errorCode) {
    return decodeReply<comm::ProtoCommunicationToolAllIOStatusInfoResponse>(
        data, size, "ERROR: resolveResponse_robotToolIoStatus Parse fail.",
        [&](const comm::ProtoCommunicationToolAllIOStatusInfoResponse& m) {
            const comm::toolAllIOStatus& tool = m.tooliostatus();
            narrowInto(status.powerType, tool.powertype());
            narrowInto(status.systemVoltage, tool.systemvoltage());
            narrowInto(status.systemTemperature, tool.systemtemperature());
            const int digital =
                std::min<int>(tool.digitaliostatus_size(), std::size(status.digitalIoStatus));
            for (int i = 0; i < digital; ++i) {
                narrowInto(status.digitalIoStatus[i].ioType, tool.digitaliostatus(i).iotype());
                narrowInto(status.digitalIoStatus[i].ioData, tool.digitaliostatus(i).iodata());
            }
            copyAtMost(status.aiData, tool.aidata());
            // The tool's own error status, which this record describes; the
            // reply's code travels in errorCode.
            narrowInto(status.errorStatus, tool.errorstatus());
            errorCode = m.errorinfo().errorcode();
        });
}

bool ProtoEncodeDecode::resolveResponse_ethernetDeviceName(const char* data, int size,
                                                           std::string& name, int& errorCode) {
    return decodeReply<comm::ProtoCommunicationEthernetDeviceNameResponse>(
        data, size, "ERROR: resolveResponse_ethernetDeviceName Parse fail.",
        [&](const comm::ProtoCommunicationEthernetDeviceNameResponse& m) {
            name = m.name();
            errorCode = m.errorinfo().errorcode();
        });
}

bool ProtoEncodeDecode::resolveResponse_SeamTracking(const char* data, int size,
                                                     trn::SeamTracking& seamTrack, int& errorCode) {
    return decodeReply<common::ProtoSeamTrackResponse_t>(
        data, size, "ERROR: resolveResponse_SeamTracking Parse fail.",
        [&](const common::ProtoSeamTrackResponse_t& m) {
            ProtoSeamTrackToSeamTrack(m.seamtrack(), seamTrack);
            errorCode = m.errorinfo().errorcode();
        });
}

bool ProtoEncodeDecode::resolveResponse_jointCommonData(const char* data, int size,
                                                        std::vector<trn::JointCommonData>& list,
                                                        int& errorCode) {
    return decodeReply<comm::ProtoJointCommonDataResponse, kStatusScratchBytes>(
        data, size, "ERROR: resolveResponse_jointCommonData Parse fail.",
        [&](const comm::ProtoJointCommonDataResponse& m) {
            list.reserve(list.size() + static_cast<std::size_t>(m.jointcommondata_size()));
            for (const comm::ProtoJointCommonData& joint : m.jointcommondata()) {
                trn::JointCommonData decoded{};
                ProtoJointCommonDataToRobotStruct(joint, decoded);
                list.push_back(decoded);
            }
            errorCode = m.errorinfo().errorcode();
        });
}

// ---- Rules N and I --------------------------------------------------------------

bool ProtoEncodeDecode::resolveResponse_intTypeValueVector(const char* data, int size,
                                                           std::vector<int>& values,
                                                           int& errorCode) {
    return decodeNumberList<comm::ProtoCommunicationIntVectorResponse>(
        data, size, "ERROR: resolveResponse_intTypeValueVector Parse fail.", values, errorCode);
}

bool ProtoEncodeDecode::resolveResponse_doubleTypeValueVector(const char* data, int size,
                                                              std::vector<double>& values,
                                                              int& errorCode) {
    return decodeNumberList<comm::ProtoCommunicationDoubleVectorResponse>(
        data, size, "ERROR: resolveResponse_doubleTypeValueVector Parse fail.", values, errorCode);
}

bool ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(const char* data, int size,
                                                              std::vector<int>& values,
                                                              int& errorCode) {
    return decodeReply<comm::ProtoCommunicationDynIdentifyResults>(
        data, size, "ERROR: resolveResponse_getDynIdentifyResults Parse fail.",
        [&](const comm::ProtoCommunicationDynIdentifyResults& m) {
            // Without an error record the reply counts as a success and the
            // caller's code stays as it was.
            const int code = m.errorinfo().empty() ? 0 : m.errorinfo(0).errorcode();
            takeFirstCode(m.errorinfo(), errorCode);
            if (code == 0) {
                values.assign(m.param().begin(), m.param().end());
            }
        });
}
