#include "sim/framing.h"

#include <cstring>

namespace tevo_sim {
namespace {

const unsigned char kSof[4] = {0xEE, 0xCC, 0xFF, 0xFF};
const unsigned char kCrc[4] = {0x00, 0x00, 0x00, 0x00};
const unsigned char kEnd[4] = {0xFF, 0xFF, 0xFF, 0xFF};

void putLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t getLe32(const char* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

}  // namespace

void appendFrame(std::string& out, int32_t commandType, const std::string& body) {
    out.reserve(out.size() + body.size() + kFrameOverhead);
    out.append(reinterpret_cast<const char*>(kSof), 4);
    putLe32(out, static_cast<uint32_t>(body.size() + 12));
    putLe32(out, static_cast<uint32_t>(commandType));
    out.append(body);
    out.append(reinterpret_cast<const char*>(kCrc), 4);
    out.append(reinterpret_cast<const char*>(kEnd), 4);
}

std::string encodeFrame(int32_t commandType, const std::string& body) {
    std::string out;
    appendFrame(out, commandType, body);
    return out;
}

void FrameParser::feed(const char* data, size_t size) {
    if (failed_) return;
    // Drop consumed bytes before growing, so the buffer holds at most one
    // partial frame plus what arrived since.
    if (pos_ > 0 && pos_ >= buf_.size() / 2) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    buf_.append(data, size);
}

FrameParser::Result FrameParser::next(int32_t& commandType, std::string& body, std::string& error) {
    if (failed_) {
        error = failure_;
        return Result::Error;
    }
    const size_t avail = buf_.size() - pos_;
    const char* p = buf_.data() + pos_;
    auto fail = [&](const std::string& why) {
        failed_ = true;
        failure_ = why;
        error = why;
        return Result::Error;
    };
    // A wrong start mark is reported as soon as its first differing byte is in.
    for (size_t i = 0; i < 4 && i < avail; ++i) {
        if (static_cast<unsigned char>(p[i]) != kSof[i]) return fail("bad start mark");
    }
    if (avail < 8) return Result::NeedMore;
    const uint32_t length = getLe32(p + 4);
    if (length < 12) return fail("length field too small: " + std::to_string(length));
    if (length - 12 > kMaxBodySize)
        return fail("length field too large: " + std::to_string(length));
    if (avail < 8 + static_cast<size_t>(length)) return Result::NeedMore;
    commandType = static_cast<int32_t>(getLe32(p + 8));
    const size_t bodySize = length - 12;
    body.assign(p + 12, bodySize);
    const char* tail = p + 12 + bodySize;
    if (std::memcmp(tail, kCrc, 4) != 0) return fail("bad check field");
    if (std::memcmp(tail + 4, kEnd, 4) != 0) return fail("bad end mark");
    pos_ += 8 + length;
    return Result::Frame;
}

}  // namespace tevo_sim
