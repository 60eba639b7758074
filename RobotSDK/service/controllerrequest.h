#ifndef SERVICECOMMANDS_H
#define SERVICECOMMANDS_H

// The two request shapes of the services built on the control core (motion
// parameters, conveyor tracking, force control, recognition and seam
// tracking, customer tracks): build a body and check the controller's common
// result; or send a body and decode a typed reply. Each
// service operation is then one line naming its command type, codec function
// and log text. Used from application threads only; the control core's
// request engine does all locking.

#include <utility>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "TevoRobotMetaType.h"

namespace service_commands {

// encode(char** body, int* length) -> bool. On failure logs encodeFailLog at
// LL_ERROR and returns encodeFailCode without sending.
template <typename Encode>
int sendEncoded(RobotControlServices& core, RobotCommandType type, Encode&& encode,
                const char* encodeFailLog,
                int encodeFailCode = tevo_robot_namespace::ErrCode_CreateRequestFailed) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!encode(&body, &bodyLength)) {
        RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR, "%s", encodeFailLog);
        return encodeFailCode;
    }
    return core.requestServiceOnlyCheckSendResultMode(type, body, bodyLength);
}

inline int sendEmpty(RobotControlServices& core, RobotCommandType type) {
    return core.requestServiceOnlyCheckSendResultMode(type, nullptr, 0);
}

inline int sendInts(RobotControlServices& core, RobotCommandType type, std::vector<int> values,
                    const char* encodeFailLog) {
    return sendEncoded(
        core, type,
        [&](char** body, int* length) {
            return ProtoEncodeDecode::getRequest_intTypeValueVector(body, length, values);
        },
        encodeFailLog);
}

inline int sendDoubles(RobotControlServices& core, RobotCommandType type,
                       std::vector<double> values, const char* encodeFailLog) {
    return sendEncoded(
        core, type,
        [&](char** body, int* length) {
            return ProtoEncodeDecode::getRequest_doubleTypeValueVector(body, length, values);
        },
        encodeFailLog);
}

// Sends body (owned by the request from here on; may be null with length 0)
// and decodes the reply with decode(const char*, int, int& errorCode) -> bool.
// A reply that does not decode is logged and gives decodeFailCode; otherwise
// the controller's code is mapped to a RobotErrorCode.
template <typename Decode>
int queryDecoded(RobotControlServices& core, RobotCommandType type, char* body, int bodyLength,
                 Decode&& decode, const char* decodeFailLog,
                 int decodeFailCode = tevo_robot_namespace::ErrCode_ResolveResponseFailed) {
    CommunicationResponse response;
    const int ret = core.requestServiceGetResponseContentMode(type, body, bodyLength, response);
    if (ret != tevo_robot_namespace::ErrnoSucc) return ret;
    int errorCode = 0;
    if (!decode(static_cast<const char*>(response.m_textPtr), response.m_textLength, errorCode)) {
        RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR, "%s", decodeFailLog);
        return decodeFailCode;
    }
    return RobotControlServices::getErrCodeByServerResponse(errorCode);
}

// Encodes a request body first (encode as for sendEncoded), then queries.
template <typename Encode, typename Decode>
int queryEncoded(RobotControlServices& core, RobotCommandType type, Encode&& encode,
                 const char* encodeFailLog, int encodeFailCode, Decode&& decode,
                 const char* decodeFailLog) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!encode(&body, &bodyLength)) {
        RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR, "%s", encodeFailLog);
        return encodeFailCode;
    }
    return queryDecoded(core, type, body, bodyLength, std::forward<Decode>(decode), decodeFailLog);
}

}  // namespace service_commands

#endif  // SERVICECOMMANDS_H
