#ifndef PROTOENCODEDECODE_H
#define PROTOENCODEDECODE_H

// The codec between the public value types and the wire messages.
//
// Encoders (getRequest_*) build a request body as an array of exactly its
// encoded size, allocated with new[]; on success the caller owns it and frees
// it with delete[]. On failure the pointer is set to null and the size to 0.
// getResponse_Event encodes into a buffer the caller supplies.
// Decoders (resolveResponse_*) parse a body straight from the caller's bytes
// and write the public values plus the controller's error code. They return
// false when the body does not parse, and also when a reply that parses lacks
// an entry its rule must read (see below; the rules, one letter each, are
// listed at the top of protoencodedecode_decode.cpp); a controller error code
// alone never makes a decoder fail.
//
// Replies lacking an entry:
//  - a repeated error record without entry 0 leaves errorCode unchanged, as for
//    the general-data, joint-status and diagnosis replies (the caller presets
//    it to 0); only the joint-angle and waypoint replies report false then;
//  - a success reply (code 0) whose payload list is empty, or whose force,
//    torque, centroid or angle lists are shorter than the record needs, returns
//    false with errorCode set to that code (0) and the output untouched.
// Encoders refuse enumeration values the wire schema does not declare (a
// move_track above 10, for example) instead of sending them.
//
// The tool I/O status decoder fills errorStatus from the tool's own error
// status in the reply; the reply's code goes to errorCode like everywhere else.
//
// Threads: stateless and reentrant; any thread may call any member. Each call
// works on its own scratch message, whose memory comes from a block on the
// caller's stack (4 KiB for most bodies, 8 KiB for joint lists and teach moves,
// 40 KiB for moves), so the hot paths allocate nothing on the heap but the
// encoded body; larger bodies take the rest from the heap.

#include <cstdint>
#include <string>
#include <vector>

#include "TevoRobotMetaType.h"

namespace google {
namespace protobuf {
class MessageLite;
}  // namespace protobuf
}  // namespace google

namespace tevo {
namespace robot {
namespace common {
class ProtoRoadPoint;
class cartesianOri_U;
class joint_cart_U;
class RobotMoveProfile;
class RobotMove;
class ProtoJointStatus;
class ProtoRobotSafetyConfig;
class ProtoOrpeSafetyStatus;
class ToolParam;
class ProtoSeamTrack_t;
class RobotCommonResponse;
}  // namespace common
namespace communication {
class RobotTcpParam;
class RobotDiagnosis;
class RobotCollisionCurrent;
class ProtoCommunicationRobotEvent;
class OurRobotDevInfo;
class ProtoRobotDiagnosisIODesc;
class ProtoRobotAnalogIODesc;
class ProtoJointCommonData;
class ProtoCommunicationGeneralData;
class ProtoRobotCommonResponse;
}  // namespace communication
}  // namespace robot
}  // namespace tevo

namespace peripheral {
class ProtoWrench;
class ProtoFtSensorCalibResult;
}  // namespace peripheral

// The decoded common result of a command that only reports success.
struct CommunicationCommonResultResponse {
    int m_errorCode = 0;
    std::string m_errorMsg;
};

class ProtoEncodeDecode {
public:
    ProtoEncodeDecode() {}

    // ---- Encoders ---------------------------------------------------------

    static bool getRequest_login(char** data, int* size, const std::string& userName,
                                 const std::string& passwd);
    static bool getRequest_robotStartup(char** data, int* size, const RobotTcpParam& tcpParam,
                                        uint8_t collisionClass, bool readPose,
                                        bool staticCollisionDetect, int maxAcc);
    static bool getRequest_robotControl(char** data, int* size,
                                        tevo_robot_namespace::RobotControlCommand command);
    static bool getRequest_setRobotPowerStatus(char** data, int* size, bool value);
    static bool getRequest_setRobotWorkMode(char** data, int* size,
                                            tevo_robot_namespace::RobotWorkMode mode);
    static bool getRequest_setRobotCollision(char** data, int* size, int grade);
    static bool getRequest_tcpParam(char** data, int* size, const RobotTcpParam& tcpParam);
    static bool getRequest_setToolDynamicsParam(
        char** data, int* size, const tevo_robot_namespace::ToolDynamicsParam& param);
    static bool getRequest_setToolKinematicsParam(char** data, int* size,
                                                  const tevo_robot_namespace::ToolInEndDesc& param);
    static bool getRequest_setSafetyConfig(char** data, int* size,
                                           const tevo_robot_namespace::RobotSafetyConfig& config);
    static bool getRequest_safeIoParamAbout(char** data, int* size, const std::vector<int>& params);
    static bool getRequest_robotRobotJointOffsetData(
        char** data, int* size, const tevo_robot_namespace::RobotJointOffset& offset);
    // Refuses a negative length and a null content with a positive length.
    static bool getRequest_firmwareUpgrade(char** data, int* size, int command, const char* content,
                                           int length);
    static bool getRequest_startupOfflineExcitTraj(char** data, int* size,
                                                   const std::string& trackFile, int type,
                                                   int subtype);
    static bool getRequest_robotMove(
        char** data, int* size, const RobotMoveProfile& profile,
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPoints);
    // The frame's calibration points are given as waypoints (the caller runs
    // forward kinematics on the frame's joint angles), in method order.
    static bool getRequest_robotTeachMove(
        char** data, int* size, const RobotMoveProfile& profile,
        const tevo_robot_namespace::CoordCalibrateByJointAngleAndTool& frame,
        const std::vector<tevo_robot_namespace::wayPoint_S>& calibrationPoints);
    static bool getRequest_roadpoint(char** data, int* size,
                                     const tevo_robot_namespace::wayPoint_S& wayPoint);
    static bool getRequest_robotDiagnosisIOData(
        char** data, int* size, const std::vector<tevo_robot_namespace::RobotDiagnosisIODesc>& io);
    static bool getRequest_robotAnalogIOData(
        char** data, int* size, const std::vector<tevo_robot_namespace::RobotAnalogIODesc>& io);
    static bool getRequest_intTypeValueVector(char** data, int* size,
                                              const std::vector<int>& values);
    static bool getRequest_doubleTypeValueVector(char** data, int* size,
                                                 const std::vector<double>& values);
    static bool getRequest_ConveyorTrackValuePoint(char** data, int* size,
                                                   const tevo_robot_namespace::Pos& position,
                                                   const tevo_robot_namespace::Ori& ori,
                                                   int timestamp);
    static bool getRequest_SeamTracking(char** data, int* size,
                                        const tevo_robot_namespace::SeamTracking& seamTrack);
    // Three joint-angle sets and the three wrenches measured at them.
    static bool getRequest_FtSensorCalibParam(char** data, int* size,
                                              const tevo_robot_namespace::JointParam* jointParams,
                                              const WrenchParam* wrenches);

    // Encodes into buffer; *size is its capacity on entry and the encoded
    // length on success. A buffer too small changes nothing.
    static bool getResponse_Event(char* buffer, int* size,
                                  const tevo_robot_namespace::RobotEventInfo& event);

    // ---- Decoders ---------------------------------------------------------

    static bool resolveResponse_commonFormat(const char* data, int size,
                                             CommunicationCommonResultResponse& result);
    static bool resolveResponse_robotEvent(const char* data, int size,
                                           tevo_robot_namespace::RobotEventInfo& event);
    static bool resolveResponse_robotEndSpeed(const char* data, int size, double& speed);
    static bool resolveResponse_movepProgressNotify(const char* data, int size, int& number);
    static bool resolveResponse_robotWorkMode(const char* data, int size,
                                              tevo_robot_namespace::RobotWorkMode& mode,
                                              int& errorCode);
    static bool resolveResponse_robotState(const char* data, int size,
                                           tevo_robot_namespace::RobotState& state, int& errorCode);
    static bool resolveResponse_isRealRobotExist(const char* data, int size, bool& value,
                                                 int& errorCode);
    static bool resolveResponse_jointAngle(const char* data, int size,
                                           tevo_robot_namespace::JointParam& jointAngle,
                                           int& errorCode);
    static bool resolveResponse_waypoint(const char* data, int size,
                                         tevo_robot_namespace::wayPoint_S& wayPoint,
                                         int& errorCode);
    static bool resolveResponse_jointStatus(const char* data, int size,
                                            tevo_robot_namespace::JointStatus* jointStatus,
                                            int length, int& errorCode);
    static bool resolveResponse_robotDiagnosisInfo(const char* data, int size,
                                                   tevo_robot_namespace::RobotDiagnosis& diagnosis,
                                                   int& errorCode);
    static bool resolveResponse_tcpParam(const char* data, int size, RobotTcpParam& tcpParam,
                                         int& errorCode);
    static bool resolveResponse_getToolDynamicsParam(const char* data, int size,
                                                     tevo_robot_namespace::ToolDynamicsParam& param,
                                                     int& errorCode);
    static bool resolveResponse_gravityComponent(
        const char* data, int size, tevo_robot_namespace::RobotGravityComponent& gravity,
        int& errorCode);
    static bool resolveResponse_collisionCurrent(const char* data, int size,
                                                 RobotCollisionCurrent& collisionCurrent,
                                                 int& errorCode);
    static bool resolveResponse_devInfo(const char* data, int size,
                                        tevo_robot_namespace::RobotDevInfo& devInfo,
                                        int& errorCode);
    static bool resolveResponse_safetyConfig(const char* data, int size,
                                             tevo_robot_namespace::RobotSafetyConfig& config,
                                             int& errorCode);
    static bool resolveResponse_safetyStatus(const char* data, int size,
                                             tevo_robot_namespace::OrpeSafetyStatus& status,
                                             int& errorCode);
    static bool resolveResponse_DhParam(const char* data, int size,
                                        tevo_robot_namespace::RobotType& robotType,
                                        tevo_robot_namespace::RobotDhPara& dhPara, int& errorCode);
    static bool resolveResponse_moveControlResule(const char* data, int size,
                                                  call_robot_motion_func_result& result,
                                                  int& errorCode);
    static bool resolveResponse_FtSensorCalibResult(const char* data, int size,
                                                    FtSensorCalResult& result, int& errorCode);
    static bool resolveResponse_Wrench(const char* data, int size, WrenchParam& wrench,
                                       int& errorCode);
    static bool resolveResponse_robotDiagnosisIOData(
        const char* data, int size, std::vector<tevo_robot_namespace::RobotDiagnosisIODesc>& io,
        int& errorCode);
    static bool resolveResponse_robotAnalogIOData(
        const char* data, int size, std::vector<tevo_robot_namespace::RobotAnalogIODesc>& io,
        int& errorCode);
    static bool resolveResponse_robotToolIoStatus(const char* data, int size,
                                                  RobotToolAllIOStatus& status, int& errorCode);
    static bool resolveResponse_ethernetDeviceName(const char* data, int size, std::string& name,
                                                   int& errorCode);
    static bool resolveResponse_SeamTracking(const char* data, int size,
                                             tevo_robot_namespace::SeamTracking& seamTrack,
                                             int& errorCode);
    // Appends to the vector without emptying it.
    static bool resolveResponse_jointCommonData(
        const char* data, int size, std::vector<tevo_robot_namespace::JointCommonData>& list,
        int& errorCode);
    static bool resolveResponse_intTypeValueVector(const char* data, int size,
                                                   std::vector<int>& values, int& errorCode);
    static bool resolveResponse_doubleTypeValueVector(const char* data, int size,
                                                      std::vector<double>& values, int& errorCode);
    static bool resolveResponse_getDynIdentifyResults(const char* data, int size,
                                                      std::vector<int>& values, int& errorCode);

    // ---- Conversions between public values and messages -------------------

    static bool roadPointTypeConversion(const tevo_robot_namespace::wayPoint_S& in,
                                        tevo::robot::common::ProtoRoadPoint& out);
    // False when the position or the six joint angles are missing; those
    // parts of out are then left as they were.
    static bool roadPointTypeConversion(const tevo::robot::common::ProtoRoadPoint& in,
                                        tevo_robot_namespace::wayPoint_S& out);
    static void cartesianOriUTypeConversion(const cartesian_Ori_U& in,
                                            tevo::robot::common::cartesianOri_U& out);
    static void cartesianOriUTypeConversion(const tevo::robot::common::cartesianOri_U& in,
                                            cartesian_Ori_U& out);
    static void jointCartUTypeConversion(const joint_cart_U& in,
                                         tevo::robot::common::joint_cart_U& out);
    static void jointCartUTypeConversion(const tevo::robot::common::joint_cart_U& in,
                                         joint_cart_U& out);
    // False when a mode value is not declared on the wire.
    static bool TevoRobotMoveProfileType2ProtoType(const RobotMoveProfile& in,
                                                   tevo::robot::common::RobotMoveProfile& out);
    static bool RobotMovePatamTypeConversion(
        const RobotMoveProfile& profile,
        const std::vector<tevo_robot_namespace::wayPoint_S>& wayPoints,
        tevo::robot::common::RobotMove& out);
    static void ProtoRobotMoveProfileType2TevoType(const tevo::robot::common::RobotMoveProfile& in,
                                                   RobotMoveProfile& out);
    static void robotTcpParamTypeConversion(const RobotTcpParam& in,
                                            tevo::robot::communication::RobotTcpParam& out);
    static void robotTcpParamTypeConversion(const tevo::robot::communication::RobotTcpParam& in,
                                            RobotTcpParam& out);
    static void jointStatusTypeConversion(const tevo_robot_namespace::JointStatus& in,
                                          tevo::robot::common::ProtoJointStatus& out);
    static void jointStatusTypeConversion(const tevo::robot::common::ProtoJointStatus& in,
                                          tevo_robot_namespace::JointStatus& out);
    static void robotDiagnosisTypeConversionToStruct(
        const tevo::robot::communication::RobotDiagnosis& in,
        tevo_robot_namespace::RobotDiagnosis& out);
    static void robotCollisionCurrentTypeConversion(
        const tevo::robot::communication::RobotCollisionCurrent& in, RobotCollisionCurrent& out);
    static void RobotSafetyConfigTypeConversion(const tevo_robot_namespace::RobotSafetyConfig& in,
                                                tevo::robot::common::ProtoRobotSafetyConfig& out);
    static void RobotSafetyConfigTypeConversion(
        const tevo::robot::common::ProtoRobotSafetyConfig& in,
        tevo_robot_namespace::RobotSafetyConfig& out);
    static void OrpeSafetyStatusTypeConversion(const tevo_robot_namespace::OrpeSafetyStatus& in,
                                               tevo::robot::common::ProtoOrpeSafetyStatus& out);
    static void OrpeSafetyStatusTypeConversion(const tevo::robot::common::ProtoOrpeSafetyStatus& in,
                                               tevo_robot_namespace::OrpeSafetyStatus& out);
    static void toolParamTypeConversion(const tevo_robot_namespace::ToolDynamicsParam& in,
                                        tevo::robot::common::ToolParam& out);
    // False when the message holds no tool dynamics entry.
    static bool toolParamTypeConversion(const tevo::robot::common::ToolParam& in,
                                        tevo_robot_namespace::ToolDynamicsParam& out);
    static void robotEventTypeConversion(
        const tevo_robot_namespace::RobotEventInfo& in,
        tevo::robot::communication::ProtoCommunicationRobotEvent& out);
    static void robotEventTypeConversion(
        const tevo::robot::communication::ProtoCommunicationRobotEvent& in,
        tevo_robot_namespace::RobotEventInfo& out);
    static void RobotDevInfoTypeConversion(const tevo::robot::communication::OurRobotDevInfo& in,
                                           tevo_robot_namespace::RobotDevInfo& out);
    static void RobotDiagnosisIODescTypeConversion(
        const tevo_robot_namespace::RobotDiagnosisIODesc& in,
        tevo::robot::communication::ProtoRobotDiagnosisIODesc& out);
    static void RobotDiagnosisIODescTypeConversion(
        const tevo::robot::communication::ProtoRobotDiagnosisIODesc& in,
        tevo_robot_namespace::RobotDiagnosisIODesc& out);
    static void RobotAnalogIODescTypeConversion(
        const tevo_robot_namespace::RobotAnalogIODesc& in,
        tevo::robot::communication::ProtoRobotAnalogIODesc& out);
    static void RobotAnalogIODescTypeConversion(
        const tevo::robot::communication::ProtoRobotAnalogIODesc& in,
        tevo_robot_namespace::RobotAnalogIODesc& out);
    static void SeamTrackToProtoSeamTrack(const tevo_robot_namespace::SeamTracking& in,
                                          tevo::robot::common::ProtoSeamTrack_t& out);
    static void ProtoSeamTrackToSeamTrack(const tevo::robot::common::ProtoSeamTrack_t& in,
                                          tevo_robot_namespace::SeamTracking& out);
    static void ProtoJointCommonDataToRobotStruct(
        const tevo::robot::communication::ProtoJointCommonData& in,
        tevo_robot_namespace::JointCommonData& out);
    static void WrenchToProtoWrench(const WrenchParam& in, peripheral::ProtoWrench& out);
    // False, out untouched, when force or torque holds fewer than three entries.
    static bool ProtoWrenchToWrench(const peripheral::ProtoWrench& in, WrenchParam& out);
    // False, out untouched, when any list holds fewer entries than the record.
    static bool ProtoFtSensorCalResultToRobotType(const peripheral::ProtoFtSensorCalibResult& in,
                                                  FtSensorCalResult& out);

    // ---- General-data body and shared steps --------------------------------

    static void makeProtoCommunicationGeneralData(
        tevo::robot::communication::ProtoCommunicationGeneralData& message,
        const std::vector<int>& property1, const std::vector<bool>& property2);
    static bool ProtoCommunicationGeneralDataMessageSerialize(
        const tevo::robot::communication::ProtoCommunicationGeneralData& message, char** data,
        int* size);
    static bool ProtoCommunicationGeneralDataMessageParse(
        const char* data, int size,
        tevo::robot::communication::ProtoCommunicationGeneralData& message);
    static void resolveProtoCommunicationGeneralData(
        const tevo::robot::communication::ProtoCommunicationGeneralData& message,
        std::vector<int>& property1, std::vector<bool>& property2, int& errorCode);

    static bool ProtobufDataSerializeToArray(const google::protobuf::MessageLite& message,
                                             char** data, int* size);
    static void ProtoRobotCommonResponseInit(tevo::robot::common::RobotCommonResponse& record,
                                             int code, const std::string& text);
    static void ProtoRobotCommonResponseInit(
        tevo::robot::communication::ProtoRobotCommonResponse& record, int code,
        const std::string& text);
};

#endif  // PROTOENCODEDECODE_H
