// Feeds arbitrary bytes to every decoder of the codec. Beyond "no crash, no
// leak, no undefined behaviour" it checks two properties: a decoder never
// writes past the length it is given, and an event that decodes encodes back
// to bytes that decode to the same event.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "RobotSDK/util/protoencodedecode.h"

namespace trn = tevo_robot_namespace;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void decodeAll(const char* d, int n) {
    int code = 0;
    CommunicationCommonResultResponse common;
    ProtoEncodeDecode::resolveResponse_commonFormat(d, n, common);

    trn::RobotEventInfo event{};
    if (ProtoEncodeDecode::resolveResponse_robotEvent(d, n, event)) {
        std::vector<char> buffer(event.eventContent.size() + 32);
        int size = static_cast<int>(buffer.size());
        check(ProtoEncodeDecode::getResponse_Event(buffer.data(), &size, event));
        trn::RobotEventInfo again{};
        check(ProtoEncodeDecode::resolveResponse_robotEvent(buffer.data(), size, again));
        check(again.eventType == event.eventType && again.eventCode == event.eventCode &&
              again.eventContent == event.eventContent);
    }

    double speed = 0;
    ProtoEncodeDecode::resolveResponse_robotEndSpeed(d, n, speed);
    int number = 0;
    ProtoEncodeDecode::resolveResponse_movepProgressNotify(d, n, number);
    trn::RobotWorkMode mode{};
    ProtoEncodeDecode::resolveResponse_robotWorkMode(d, n, mode, code);
    trn::RobotState state{};
    ProtoEncodeDecode::resolveResponse_robotState(d, n, state, code);
    bool flag = false;
    ProtoEncodeDecode::resolveResponse_isRealRobotExist(d, n, flag, code);
    trn::JointParam joints{};
    ProtoEncodeDecode::resolveResponse_jointAngle(d, n, joints, code);
    trn::wayPoint_S wayPoint{};
    ProtoEncodeDecode::resolveResponse_waypoint(d, n, wayPoint, code);

    // Six slots plus a guard slot that must stay untouched.
    trn::JointStatus status[7] = {};
    status[6].jointCurrentI = 0x5EED;
    ProtoEncodeDecode::resolveResponse_jointStatus(d, n, status, 6, code);
    check(status[6].jointCurrentI == 0x5EED);

    trn::RobotDiagnosis diagnosis{};
    ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(d, n, diagnosis, code);
    RobotTcpParam tcp{};
    ProtoEncodeDecode::resolveResponse_tcpParam(d, n, tcp, code);
    trn::ToolDynamicsParam tool{};
    ProtoEncodeDecode::resolveResponse_getToolDynamicsParam(d, n, tool, code);
    trn::RobotGravityComponent gravity{};
    ProtoEncodeDecode::resolveResponse_gravityComponent(d, n, gravity, code);
    RobotCollisionCurrent collision{};
    ProtoEncodeDecode::resolveResponse_collisionCurrent(d, n, collision, code);
    trn::RobotDevInfo devInfo{};
    ProtoEncodeDecode::resolveResponse_devInfo(d, n, devInfo, code);
    trn::RobotSafetyConfig safety{};
    ProtoEncodeDecode::resolveResponse_safetyConfig(d, n, safety, code);
    trn::OrpeSafetyStatus orpe{};
    ProtoEncodeDecode::resolveResponse_safetyStatus(d, n, orpe, code);
    trn::RobotType robotType{};
    trn::RobotDhPara dh{};
    ProtoEncodeDecode::resolveResponse_DhParam(d, n, robotType, dh, code);
    call_robot_motion_func_result moveResult{};
    ProtoEncodeDecode::resolveResponse_moveControlResule(d, n, moveResult, code);
    FtSensorCalResult calib{};
    ProtoEncodeDecode::resolveResponse_FtSensorCalibResult(d, n, calib, code);
    WrenchParam wrench{};
    ProtoEncodeDecode::resolveResponse_Wrench(d, n, wrench, code);
    std::vector<trn::RobotDiagnosisIODesc> digital;
    ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(d, n, digital, code);
    std::vector<trn::RobotAnalogIODesc> analog;
    ProtoEncodeDecode::resolveResponse_robotAnalogIOData(d, n, analog, code);
    RobotToolAllIOStatus toolIo{};
    ProtoEncodeDecode::resolveResponse_robotToolIoStatus(d, n, toolIo, code);
    std::string name;
    ProtoEncodeDecode::resolveResponse_ethernetDeviceName(d, n, name, code);
    trn::SeamTracking seam{};
    ProtoEncodeDecode::resolveResponse_SeamTracking(d, n, seam, code);
    std::vector<trn::JointCommonData> jointData;
    ProtoEncodeDecode::resolveResponse_jointCommonData(d, n, jointData, code);
    std::vector<int> ints;
    ProtoEncodeDecode::resolveResponse_intTypeValueVector(d, n, ints, code);
    std::vector<double> doubles;
    ProtoEncodeDecode::resolveResponse_doubleTypeValueVector(d, n, doubles, code);
    std::vector<int> dyn;
    ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(d, n, dyn, code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    // A private copy of exactly size bytes, so reading past the length is an
    // out-of-bounds access the address sanitizer reports.
    std::vector<char> body(data, data + size);
    decodeAll(body.data(), static_cast<int>(body.size()));
    return 0;
}
