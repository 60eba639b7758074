// Frame layout shared by both directions of the controller protocol:
//   EE CC FF FF | length (LE int32, = body + 12) | command type (LE int32) |
//   body | 00 00 00 00 | FF FF FF FF
// FrameParser cuts a byte stream into frames and rejects anything else: the
// simulator closes a connection on the first malformed frame instead of
// guessing where the next one starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tevo_sim {

constexpr size_t kFrameOverhead = 20;
// Largest body accepted from a client (the client library's receive buffer
// limit, 9 MiB, less the fixed fields).
constexpr size_t kMaxBodySize = 9437184 - 20;

// Appends one encoded frame to `out`.
void appendFrame(std::string& out, int32_t commandType, const std::string& body);
std::string encodeFrame(int32_t commandType, const std::string& body);

class FrameParser {
public:
    enum class Result { Frame, NeedMore, Error };

    // Adds received bytes.
    void feed(const char* data, size_t size);
    // Extracts the next complete frame. On Error, `error` says why and the
    // parser stays in the error state.
    Result next(int32_t& commandType, std::string& body, std::string& error);
    size_t buffered() const { return buf_.size() - pos_; }

private:
    std::string buf_;
    size_t pos_ = 0;
    bool failed_ = false;
    std::string failure_;
};

}  // namespace tevo_sim
