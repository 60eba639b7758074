#ifndef CODEC_TEST_SUPPORT_H
#define CODEC_TEST_SUPPORT_H

// Helpers shared by the codec tests: owning an encoded body, parsing it back,
// building reply bytes, and byte-wise comparison of plain records.

#include <google/protobuf/message_lite.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "RobotSDK/util/protoencodedecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sensor.pb.h"

namespace codec_test {

namespace common = tevo::robot::common;
namespace comm = tevo::robot::communication;
namespace trn = tevo_robot_namespace;

// An encoder's body, freed as the array it was allocated as.
struct Body {
    std::unique_ptr<char[]> data;
    int size = 0;
    std::string bytes() const { return std::string(data.get(), static_cast<std::size_t>(size)); }
};

// Runs an encoder call f(char**, int*) that must succeed.
template <class F>
Body encode(F&& f) {
    char* data = nullptr;
    int size = -1;
    const bool ok = f(&data, &size);
    EXPECT_TRUE(ok);
    Body body;
    body.data.reset(data);
    body.size = size;
    return body;
}

template <class Msg>
Msg parseAs(const Body& body) {
    Msg message;
    EXPECT_TRUE(message.ParseFromArray(body.data.get(), body.size));
    return message;
}

// The bytes of a reply built in a test (required fields set by the test).
inline std::string bytesOf(const google::protobuf::MessageLite& message) {
    EXPECT_TRUE(message.IsInitialized());
    return message.SerializePartialAsString();
}

// A record whose every byte, padding included, is `fill`: decoders write
// fields only, so comparing whole records shows what a decoder touched.
template <class T>
T filled(unsigned char fill = 0) {
    T value;
    std::memset(static_cast<void*>(&value), fill, sizeof value);
    return value;
}

template <class T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(static_cast<const void*>(&a), static_cast<const void*>(&b), sizeof(T)) == 0;
}

inline void setError(common::RobotCommonResponse* record, int code, const std::string& text = "") {
    record->set_errorcode(code);
    record->set_errormsg(text);
}

inline void setError(comm::ProtoRobotCommonResponse* record, int code,
                     const std::string& text = "") {
    record->set_errorcode(code);
    record->set_errormsg(text);
}

// A waypoint whose every number differs, derived from seed.
inline trn::wayPoint_S makeWayPoint(double seed) {
    trn::wayPoint_S w = filled<trn::wayPoint_S>();
    w.cartPos.position = {seed + 0.1, seed + 0.2, seed + 0.3};
    w.orientation = {seed + 0.4, seed + 0.5, seed + 0.6, seed + 0.7};
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        w.jointpos[i] = seed + 1.0 + i;
    }
    return w;
}

}  // namespace codec_test

#endif  // CODEC_TEST_SUPPORT_H
