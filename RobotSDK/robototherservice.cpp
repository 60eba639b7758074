#include "RobotSDK/robototherservice.h"

#include <cstring>
#include <vector>

#include "RobotSDK/service/controllerrequest.h"

using namespace tevo_robot_namespace;
using namespace controller_request;
using PED = ProtoEncodeDecode;

namespace {

// Data bytes a recognition record carries on the wire at most.
constexpr int kMaxRecognitionBytes = 255;

}  // namespace

robotOtherService::robotOtherService(RobotControlServices* robotBaseService)
    : m_robotBaseService(robotBaseService) {}

int robotOtherService::setRobotRecognitionParam(const RobotRecongnitionParam& param) {
    std::vector<int> values{param.type, param.length};
    for (int i = 0; i < param.length && i < kMaxRecognitionBytes; ++i)
        values.push_back(param.data[i]);
    return sendInts(*m_robotBaseService,
                    CommunicationMateType::CommunicationType_setRobotRecognitionParam, values,
                    "sdk log: Make CommunicationType_setRobotRecognitionParam protobuf content "
                    "failed.");
}

int robotOtherService::getRobotRecognitionParam(int type, RobotRecongnitionParam& param) {
    std::memset(&param, 0, sizeof(param));
    return queryEncoded(
        *m_robotBaseService, CommunicationMateType::CommunicationType_getRobotRecognitionParam,
        encoder(&PED::getRequest_intTypeValueVector, std::vector<int>{type}),
        "sdk log: Make CommunicationType_getRobotRecognitionParam protobuf content failed.",
        ErrCode_CreateRequestFailed,
        [&](const char* body, int size, int& errorCode) {
            std::vector<int> values;
            if (!PED::resolveResponse_intTypeValueVector(body, size, values, errorCode)) {
                return false;
            }
            if (values.size() > 2) {
                param.type = static_cast<uint8_t>(values[0]);
                param.length = static_cast<uint8_t>(values[1]);
                for (size_t i = 0;
                     i < param.length && i < kMaxRecognitionBytes && i + 2 < values.size(); ++i) {
                    param.data[i] = static_cast<uint8_t>(values[i + 2]);
                }
            }
            return true;
        },
        "sdk log: Resolve getRobotRecognitionParam response failed.");
}

int robotOtherService::setSeamTrackingParameters(const SeamTracking& seamTrack) {
    return sendEncoded(
        *m_robotBaseService, CommunicationMateType::CommunicationType_setSeamTrackingParameters,
        encoder(&PED::getRequest_SeamTracking, seamTrack),
        "sdk log: Make CommunicationType_setSeamTrackingParameters protobuf content failed.");
}

int robotOtherService::getSeamTrackingParameters(SeamTracking& seamTrack) {
    return queryDecoded(*m_robotBaseService,
                        CommunicationMateType::CommunicationType_getSeamTrackingParameters,
                        decoder(&PED::resolveResponse_SeamTracking, seamTrack),
                        "sdk log: Resolve getSeamTrackingParameters response failed.");
}
