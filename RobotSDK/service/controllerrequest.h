#ifndef CONTROLLERREQUEST_H
#define CONTROLLERREQUEST_H

// The shapes of every controller request, written once. Each operation of the
// control core and of the services on top of it is a line or two naming only
// what differs: the command type, the codec function, the log text and the
// error code.
//
//   sendEmpty     command without a body, checked against the common result
//   sendEncoded   encoded body, checked against the common result
//   sendInts, sendDoubles, sendFiniteDoubles
//                 a number vector as the body, checked against the common result
//   queryDecoded  body (or none), then a typed reply decoded and its code mapped
//                 (a non-zero code is kept as the thread's last refusal)
//   queryEncoded  encode a body, then queryDecoded
//   queryDoubleFields
//                 a double-vector reply scattered into fields of a record
//
// encoder(fn, args...) and decoder(fn, outs...) adapt a codec function
// (fn(char** body, int* length, args...) or fn(const char* body, int length,
// outs..., int& errorCode)) to the encode/decode callables the shapes take.
//
// Threads: used from application threads only; the control core's request
// engine does all locking.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/util/protoencodedecode.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "TevoRobotMetaType.h"

namespace controller_request {

// encode(char** body, int* length) -> bool for the codec function fn and its
// arguments. The callable holds references: use it within the call it is made for.
template <typename Fn, typename... Args>
auto encoder(Fn fn, const Args&... args) {
    return [fn, &args...](char** body, int* length) { return fn(body, length, args...); };
}

// decode(const char* body, int length, int& errorCode) -> bool writing outs.
template <typename Fn, typename... Outs>
auto decoder(Fn fn, Outs&&... outs) {
    return [fn, &outs...](const char* body, int length, int& errorCode) {
        return fn(body, length, outs..., errorCode);
    };
}

inline int sendEmpty(RobotControlServices& core, RobotCommandType type) {
    return core.requestServiceOnlyCheckSendResultMode(type, nullptr, 0);
}

// On an encoding failure logs encodeFailLog at LL_ERROR and returns
// encodeFailCode without sending.
// Runs encode into body; false, with encodeFailLog logged, when it fails.
template <typename Encode>
bool encodeBody(Encode&& encode, char*& body, int& bodyLength, const char* encodeFailLog) {
    body = nullptr;
    bodyLength = 0;
    if (encode(&body, &bodyLength)) return true;
    RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR, "%s", encodeFailLog);
    return false;
}

template <typename Encode>
int sendEncoded(RobotControlServices& core, RobotCommandType type, Encode&& encode,
                const char* encodeFailLog,
                int encodeFailCode = tevo_robot_namespace::ErrCode_CreateRequestFailed) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!encodeBody(encode, body, bodyLength, encodeFailLog)) return encodeFailCode;
    return core.requestServiceOnlyCheckSendResultMode(type, body, bodyLength);
}

inline int sendInts(RobotControlServices& core, RobotCommandType type,
                    const std::vector<int>& values, const char* encodeFailLog) {
    return sendEncoded(core, type,
                       encoder(&ProtoEncodeDecode::getRequest_intTypeValueVector, values),
                       encodeFailLog);
}

inline int sendDoubles(RobotControlServices& core, RobotCommandType type,
                       const std::vector<double>& values, const char* encodeFailLog) {
    return sendEncoded(core, type,
                       encoder(&ProtoEncodeDecode::getRequest_doubleTypeValueVector, values),
                       encodeFailLog);
}

// A vector with a value that is not finite is refused before anything is
// sent (the controller would reject the whole vector).
inline int sendFiniteDoubles(RobotControlServices& core, RobotCommandType type,
                             const std::vector<double>& values, const char* encodeFailLog) {
    for (double v : values) {
        if (!std::isfinite(v)) {
            RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR,
                                 "sdk log: Motion parameter value is not finite.");
            return tevo_robot_namespace::ErrCode_ParamError;
        }
    }
    return sendDoubles(core, type, values, encodeFailLog);
}

// Sends body (owned by the request from here on; null with length 0 for none)
// and decodes the reply with decode. A reply that does not decode is logged
// and gives decodeFailCode; otherwise the controller's code is mapped.
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
    if (errorCode != 0) RobotControlServices::recordRefusal(type, errorCode);
    return RobotControlServices::getErrCodeByServerResponse(errorCode);
}

// A query without a request body.
template <typename Decode>
int queryDecoded(RobotControlServices& core, RobotCommandType type, Decode&& decode,
                 const char* decodeFailLog,
                 int decodeFailCode = tevo_robot_namespace::ErrCode_ResolveResponseFailed) {
    return queryDecoded(core, type, nullptr, 0, std::forward<Decode>(decode), decodeFailLog,
                        decodeFailCode);
}

// Encodes a request body first (as sendEncoded), then queries.
template <typename Encode, typename Decode>
int queryEncoded(RobotControlServices& core, RobotCommandType type, Encode&& encode,
                 const char* encodeFailLog, int encodeFailCode, Decode&& decode,
                 const char* decodeFailLog,
                 int decodeFailCode = tevo_robot_namespace::ErrCode_ResolveResponseFailed) {
    char* body = nullptr;
    int bodyLength = 0;
    if (!encodeBody(encode, body, bodyLength, encodeFailLog)) return encodeFailCode;
    return queryDecoded(core, type, body, bodyLength, std::forward<Decode>(decode), decodeFailLog,
                        decodeFailCode);
}

// A run of doubles inside a record, in wire order.
struct OutField {
    double* data;
    size_t count;
};

// Reads a double vector without a request body and scatters it into fields,
// which are written only when the reply decodes, carries no error and holds
// exactly as many values as the fields take. A reply that does not decode
// gives ErrCode_CreateRequestFailed, a wrong count ErrCode_ResolveResponseFailed.
inline int queryDoubleFields(RobotControlServices& core, RobotCommandType type,
                             const char* decodeFailLog, std::initializer_list<OutField> fields) {
    std::vector<double> values;
    const int ret = queryDecoded(
        core, type, decoder(&ProtoEncodeDecode::resolveResponse_doubleTypeValueVector, values),
        decodeFailLog, tevo_robot_namespace::ErrCode_CreateRequestFailed);
    if (ret != tevo_robot_namespace::ErrnoSucc) return ret;
    size_t expected = 0;
    for (const OutField& f : fields) expected += f.count;
    if (values.size() != expected) {
        RobotLogPrint::trace(tevo_robot_namespace::LL_ERROR,
                             "sdk log: Motion parameter reply holds %d values, %d expected.",
                             static_cast<int>(values.size()), static_cast<int>(expected));
        return tevo_robot_namespace::ErrCode_ResolveResponseFailed;
    }
    auto next = values.begin();
    for (const OutField& f : fields) {
        std::copy(next, next + static_cast<std::ptrdiff_t>(f.count), f.data);
        next += static_cast<std::ptrdiff_t>(f.count);
    }
    return tevo_robot_namespace::ErrnoSucc;
}

}  // namespace controller_request

#endif  // CONTROLLERREQUEST_H
