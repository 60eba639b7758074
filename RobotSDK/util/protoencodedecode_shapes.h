#ifndef PROTOENCODEDECODE_SHAPES_H
#define PROTOENCODEDECODE_SHAPES_H

// Private to the codec's .cpp files: the shapes every encoder and decoder
// shares (scratch message, serialise, parse, the result rules), so each
// operation names only its message, its conversion and its failure text.
// The rule letters (L, C, ...) are explained at the top of
// protoencodedecode_decode.cpp.

#include <google/protobuf/arena.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <utility>

#include "RobotSDK/util/protoencodedecode.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "robotmovecondition.pb.h"
#include "sensor.pb.h"

namespace codec_detail {

namespace common = tevo::robot::common;
namespace comm = tevo::robot::communication;
namespace movecond = tevo::robot::movecondition;

// Where an operation's failure line goes.
enum class FailSink { Log, Stdout, Stderr };

// Writes one failure line: to the library log at LL_ERROR (dropped without a
// registered callback), or to standard output or standard error.
void reportFailure(FailSink sink, const char* text);

// A message whose memory (sub-messages, repeated fields) comes from an arena
// that starts in a block inside this object. Placed on the stack, a message
// that fits the block costs no heap allocation; a bigger one grows the arena
// from the heap in doubling blocks.
template <class Msg, std::size_t BlockBytes = 4096>
class ScratchMessage {
public:
    ScratchMessage()
        : m_arena(options(m_block)),
          m_message(google::protobuf::Arena::CreateMessage<Msg>(&m_arena)) {}
    ScratchMessage(const ScratchMessage&) = delete;
    ScratchMessage& operator=(const ScratchMessage&) = delete;

    Msg& get() { return *m_message; }

private:
    static google::protobuf::ArenaOptions options(char* block) {
        google::protobuf::ArenaOptions opts;
        opts.initial_block = block;
        opts.initial_block_size = BlockBytes;
        opts.start_block_size = BlockBytes;
        opts.max_block_size = std::size_t{1} << 20;
        return opts;
    }

    alignas(std::max_align_t) char m_block[BlockBytes];
    google::protobuf::Arena m_arena;
    Msg* m_message;
};

// Sizes the message once, allocates exactly that many bytes and serialises
// into them. Refuses a message with a missing required field or one larger
// than an int can describe. Writes no line of its own.
bool serializeToNewArray(const google::protobuf::MessageLite& message, char** data, int* size);

// Parses without copying the bytes; a negative size or a null pointer with a
// positive size is refused as unparsable.
bool parseFromBytes(google::protobuf::MessageLite& message, const char* data, int size);

// Calls fill(message); a fill returning void counts as success.
template <class Fill, class Msg>
bool runFill(Fill& fill, Msg& message) {
    if constexpr (std::is_void_v<decltype(fill(message))>) {
        fill(message);
        return true;
    } else {
        return fill(message);
    }
}

// The encoder shape: fresh scratch message, fill, serialise into a new array.
// On any failure: null and 0 out, one line to sink, false.
template <class Msg, std::size_t BlockBytes = 4096, class Fill>
bool encodeRequest(char** data, int* size, FailSink sink, const char* failText, Fill&& fill) {
    if (data == nullptr || size == nullptr) {
        reportFailure(sink, failText);
        return false;
    }
    *data = nullptr;
    *size = 0;
    ScratchMessage<Msg, BlockBytes> scratch;
    if (!runFill(fill, scratch.get()) || !serializeToNewArray(scratch.get(), data, size)) {
        reportFailure(sink, failText);
        return false;
    }
    return true;
}

// The decoder shape: parse into a fresh scratch message, then apply the
// operation's rule. A parse failure writes failText to standard error.
template <class Msg, std::size_t BlockBytes = 4096, class Apply>
bool decodeReply(const char* data, int size, const char* failText, Apply&& apply) {
    ScratchMessage<Msg, BlockBytes> scratch;
    if (!parseFromBytes(scratch.get(), data, size)) {
        reportFailure(FailSink::Stderr, failText);
        return false;
    }
    const Msg& message = scratch.get();
    if constexpr (std::is_void_v<decltype(apply(message))>) {
        apply(message);
        return true;
    } else {
        return apply(message);
    }
}

// errorCode from entry 0 of a repeated error record; unchanged without one.
template <class Records>
bool takeFirstCode(const Records& errorInfo, int& errorCode) {
    if (errorInfo.empty()) {
        return false;
    }
    errorCode = errorInfo.Get(0).errorcode();
    return true;
}

// Rules L and C: errorCode from the record; the payload is converted only on
// success. convert() returns false when the reply lacks what it must read; the
// decoder then fails with one line naming it, the output untouched.
template <class Convert>
bool payloadOnSuccess(int code, int& errorCode, const char* incompleteText, Convert&& convert) {
    errorCode = code;
    if (code != 0) {
        return true;
    }
    if (!convert()) {
        reportFailure(FailSink::Stderr, incompleteText);
        return false;
    }
    return true;
}

// Rule L (and C on a list): entry 0 of the payload list on success.
template <class List, class Convert>
bool firstEntryOnSuccess(const List& list, int code, int& errorCode, const char* incompleteText,
                         Convert&& convert) {
    return payloadOnSuccess(code, errorCode, incompleteText, [&]() -> bool {
        if (list.empty()) {
            return false;
        }
        if constexpr (std::is_void_v<decltype(convert(list.Get(0)))>) {
            convert(list.Get(0));
            return true;
        } else {
            return convert(list.Get(0));
        }
    });
}

// Stores a wire value in a narrower public field, keeping its low-order bits.
template <class To, class From>
void narrowInto(To& to, From from) {
    to = static_cast<To>(from);
}

// Copies at most N entries of a repeated field into a fixed array, narrowing
// each; returns how many were copied.
template <class To, std::size_t N, class List>
std::size_t copyAtMost(To (&to)[N], const List& list) {
    const std::size_t count = std::min<std::size_t>(N, static_cast<std::size_t>(list.size()));
    for (std::size_t i = 0; i < count; ++i) {
        narrowInto(to[i], list.Get(static_cast<int>(i)));
    }
    return count;
}

// Appends every entry of a fixed array to a repeated field.
template <class From, std::size_t N, class List>
void appendAll(List* list, const From (&from)[N]) {
    list->Reserve(static_cast<int>(N));
    for (const From& value : from) {
        list->Add(value);
    }
}

// Position and orientation records to and from their messages.
template <class PosLike>
void fillPos(common::Pos* out, const PosLike& in) {
    out->set_x(in.x);
    out->set_y(in.y);
    out->set_z(in.z);
}

template <class OriLike>
void fillOri(common::Ori* out, const OriLike& in) {
    out->set_w(in.w);
    out->set_x(in.x);
    out->set_y(in.y);
    out->set_z(in.z);
}

template <class PosLike>
void readPos(const common::Pos& in, PosLike& out) {
    out.x = in.x();
    out.y = in.y();
    out.z = in.z();
}

template <class OriLike>
void readOri(const common::Ori& in, OriLike& out) {
    out.w = in.w();
    out.x = in.x();
    out.y = in.y();
    out.z = in.z();
}

}  // namespace codec_detail

#endif  // PROTOENCODEDECODE_SHAPES_H
