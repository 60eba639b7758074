#include "RobotSDK/service/robotconveyortrack.h"

#include <vector>

#include "RobotSDK/service/controllerrequest.h"

using namespace tevo_robot_namespace;
using namespace controller_request;
using PED = ProtoEncodeDecode;

namespace {

// A tool pose (camera or tracking tool) as a ToolKinematicsParam body.
int sendToolPose(RobotControlServices& core, RobotCommandType type, const ToolInEndDesc& pose,
                 const char* encodeFailLog) {
    return sendEncoded(core, type, encoder(&PED::getRequest_setToolKinematicsParam, pose),
                       encodeFailLog);
}

}  // namespace

RobotConveyorTrack::RobotConveyorTrack(RobotControlServices* robotBaseService)
    : m_robotBaseService(robotBaseService) {}

int RobotConveyorTrack::setConveyorEncoderReset() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_setConveyorEncoderReset);
}

int RobotConveyorTrack::setConveyorStartup() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_setConveyorStartup);
}

int RobotConveyorTrack::setConveyorStop() {
    return sendEmpty(*m_robotBaseService, CommunicationMateType::CommunicationType_setConveyorStop);
}

int RobotConveyorTrack::enableConveyorTrack() {
    return sendEmpty(*m_robotBaseService,
                     CommunicationMateType::CommunicationType_enableConveyorTrack);
}

int RobotConveyorTrack::setConveyorDir(int dir) {
    return sendInts(*m_robotBaseService, CommunicationMateType::CommunicationType_setConveyorDir,
                    {dir},
                    "sdk log: Make CommunicationType_setConveyorDir protobuf content failed.");
}

int RobotConveyorTrack::setRobotCameraCalib(const RobotCameraCalib& robotCameraCalib) {
    return sendToolPose(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setRobotCameraCalib,
        robotCameraCalib, "sdk log: Make setRobotCameraCalib protobuf content failed.");
}

int RobotConveyorTrack::setConveyorVelc(double conveyorVelc) {
    return sendDoubles(*m_robotBaseService,
                       CommunicationMateType::CommunicationType_setConveyorVelc, {conveyorVelc},
                       "sdk log: Make CommunicationType_setConveyorVelc protobuf content failed.");
}

int RobotConveyorTrack::setEncoderValPerMeter(const uint32_t& encoderValPerMeter) {
    // The wire field is a signed 32-bit int: the same bits, so 4294967295 is -1.
    return sendInts(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setEncoderValPerMeter,
        {static_cast<int>(encoderValPerMeter)},
        "sdk log: Make CommunicationType_setEncoderValPerMeter protobuf content failed.");
}

int RobotConveyorTrack::setStartWindowUpstream(double startWindowUpstream) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setStartWindowUpstream,
        {startWindowUpstream},
        "sdk log: Make CommunicationType_setStartWindowUpstream protobuf content failed.");
}

int RobotConveyorTrack::setStartWindowDownstream(double startWindowDownstream) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setStartWindowDownstream,
        {startWindowDownstream},
        "sdk log: Make CommunicationType_setStartWindowDownstream protobuf content failed.");
}

int RobotConveyorTrack::setConveyorTrackDownstream(double trackDownstream) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setConveyorTrackDownstream,
        {trackDownstream},
        "sdk log: Make CommunicationType_setConveyorTrackDownstream protobuf content failed.");
}

int RobotConveyorTrack::setRobotConveyorTrackMaxVelc(double robotConveyorTrackMaxVelc) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setRobotConveyorTrackMaxVelc,
        {robotConveyorTrackMaxVelc},
        "sdk log: Make CommunicationType_setRobotConveyorTrackMaxVelc protobuf content failed.");
}

int RobotConveyorTrack::setRobotConveyorTrackMaxAcc(double robotConveyorTrackMaxAcc) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setRobotConveyorTrackMaxAcc,
        {robotConveyorTrackMaxAcc},
        "sdk log: Make CommunicationType_setRobotConveyorTrackMaxAcc protobuf content failed.");
}

int RobotConveyorTrack::setRobotConveyorSystemDelay(double robotConveyorSystemDelay) {
    return sendDoubles(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setRobotConveyorSystemDelay,
        {robotConveyorSystemDelay},
        "sdk log: Make CommunicationType_setRobotConveyorSystemDelay protobuf content failed.");
}

int RobotConveyorTrack::setRobotTool(const ToolInEndDesc& robotTool) {
    return sendToolPose(*m_robotBaseService, CommunicationMateType::CommunicationType_setRobotTool,
                        robotTool, "sdk log: Make robotTool protobuf content failed.");
}

int RobotConveyorTrack::getConveyorEncoderVal(int& value) {
    return queryDecoded(
        *m_robotBaseService, CommunicationMateType::CommunicationType_getConveyorEncoderVal,
        [&](const char* data, int size, int& errorCode) {
            std::vector<int> values;
            if (!PED::resolveResponse_intTypeValueVector(data, size, values, errorCode)) {
                return false;
            }
            if (!values.empty()) value = values.front();
            return true;
        },
        "sdk log: Resolve getConveyorEncoderVal response failed.");
}

int RobotConveyorTrack::appendObject2ConveyorTrackQueue(const Pos& objectPos, const Ori& objectOri,
                                                        uint32_t timestamp) {
    // The wire field is a signed 32-bit int: the same bits.
    return sendEncoded(
        *m_robotBaseService,
        CommunicationMateType::CommunicationType_appendObject2ConveyorTrackQueue,
        encoder(&PED::getRequest_ConveyorTrackValuePoint, objectPos, objectOri,
                static_cast<int>(timestamp)),
        "sdk log: Make CommunicationType_appendObject2ConveyorTrackQueue protobuf content "
        "failed.");
}
