#ifndef ROBOTCOMMUNICATIONCLIENT_H
#define ROBOTCOMMUNICATIONCLIENT_H

// The connection to one arm controller: connect and disconnect, framing and
// sending of requests, and the receive thread that cuts the incoming byte
// stream into frames and hands each to responseProcess() of the subclass.
//
// Frame: EE CC FF FF | length (N + 12) | command type | body (N) | 00 00 00 00 | FF FF FF FF,
// every integer 32-bit little-endian.
//
// Threads
// - Application threads call connectRobotServer(), disconnectRobotServer(), the
//   setters and encodeAndSendCommunicationPackage(); any number of them.
//   A send, the wait for its turn included, ends within SEND_DEADLINE_MSEC
//   (200 ms) plus 1 ms per SEND_MIN_BYTES_PER_MSEC (4 KiB) of body: a request
//   with a body under 4 KiB (all but track moves) then costs at most about
//   2 s with the 1.8 s response wait of the control core; a 7 MiB track move
//   about 3.8 s.
// - The receive thread (one per connection, started by connect) is the only
//   reader of the socket. It calls responseProcess() for each frame, and
//   disconnectProcess() once when the peer closes the connection, the stream
//   breaks, a send broke off inside a frame or a receive fails for good (the
//   connection timed out or was reset). TCP keepalive (first probe after 2 s
//   of silence, then every 1 s, 3 unanswered end it) and a 5 s limit on
//   unacknowledged data let the system end a connection to a host that
//   vanished without closing it.
//   responseProcess() may send; it may also
//   call disconnectRobotServer(), which then closes the socket without joining
//   and leaves the finished thread to be joined by the next connect, disconnect
//   or the destructor. connectRobotServer() refuses to run on the receive thread.
// - The object must not be destroyed from its own receive thread. A subclass
//   whose responseProcess() uses its own members calls disconnectRobotServer()
//   in its destructor, so that the thread is gone before those members are.
//
// Locks, in the order they may be taken:
//   m_lifecycleMutex (connect, disconnect, destructor; never on the receive thread)
//   m_sendRequestMutex (assembly and writing of one frame; closing of the socket,
//                       so that no send ever reaches a closed or reused descriptor)
// m_connectStatus, m_socketFd, m_sendBroken, m_linkEnd and m_lastHeard are atomics read
// without a lock.
// The receive staging buffer, its two offsets and the skipped-byte count belong
// to the receive thread alone.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "RobotSDK/sdkMateType/communicationmatetype.h"
#include "RobotSDK/util/deadlinemutex.h"

// The text of one frame (a request body or a copy of a response body) with
// the socket and command type it belongs to. Owns the text, an array allocated
// with new[]: setProperty takes it over (freeing a different earlier one),
// destroy and the destructor free it.
class FrameText {
public:
    FrameText() { init(); }
    ~FrameText() { destroy(); }
    FrameText(const FrameText&) = delete;
    FrameText& operator=(const FrameText&) = delete;

    // -1, no text, 0, CommunicationType_Unknown.
    void init();
    void setProperty(int socketFd, RobotCommandType commandType, char* textPtr, int textLength);
    // Frees the text and returns to the init() values.
    void destroy();
    // Hands the text over to another record and returns to the init() values.
    void moveTo(FrameText& target);

    int m_socketFd;
    char* m_textPtr;
    int m_textLength;
    RobotCommandType m_commandType;
};

// One outgoing request.
class CommunicationRequest : public FrameText {};

class RobotCommunicationClient {
public:
    static constexpr int ROBOT_COMMAND_SOF_BYTE = 4;
    static constexpr int ROBOT_COMMAND_LEN_BYTE = 4;
    static constexpr int ROBOT_COMMAND_CRC_BYTE = 4;
    static constexpr int ROBOT_COMMAND_END_BYTE = 4;
    static constexpr int RECV_BUFFER_SIZE = 9437184;
    static constexpr int SEND_BUFFER_SIZE = 9436928;
    static constexpr int SIGNLE_PACKAGE_MESSAGE_LEN = 1024;
    // Time one encodeAndSendCommunicationPackage() call may take, from its
    // start: waiting for the send lock and writing the whole frame.
    static constexpr int SEND_DEADLINE_MSEC = 200;
    // A long body gets one more millisecond per this many bytes (4 MB/s), so
    // that a large track move still passes a slower link.
    static constexpr int SEND_MIN_BYTES_PER_MSEC = 4096;

    static const unsigned char ROBOT_COMMAND_SOF[ROBOT_COMMAND_SOF_BYTE];
    static const unsigned char ROBOT_COMMAND_CRC[ROBOT_COMMAND_CRC_BYTE];
    static const unsigned char ROBOT_COMMAND_END[ROBOT_COMMAND_END_BYTE];

    RobotCommunicationClient();
    virtual ~RobotCommunicationClient();
    RobotCommunicationClient(const RobotCommunicationClient&) = delete;
    RobotCommunicationClient& operator=(const RobotCommunicationClient&) = delete;

    void setServerIP(const std::string& host);
    void setServerPort(int port);

    // Why a connect ended as it did; each failure also logs one line that
    // names host:port and the system's reason.
    enum class ConnectOutcome {
        Connected,
        AlreadyConnected,  // a connection is up; it is left as it is
        BadAddress,        // the host is empty, not IPv4, or its name does not resolve
        ConnectFailed,     // refused, unreachable or timed out, or no socket/thread
    };

    // 0 on success; ErrCode_Failed when already connected, on the receive
    // thread, or when the connect fails. The host may be a dotted IPv4 address
    // or a name (localhost, /etc/hosts, DNS), resolved to IPv4 addresses that
    // are tried in turn. Blocks 300 ms after a success so the receive thread
    // runs before the first request.
    int connectRobotServer();
    // The same, and tells why through *outcome (may be null).
    int connectRobotServer(ConnectOutcome* outcome);
    // Closes the connection and joins the receive thread. Always 0.
    int disconnectRobotServer();
    bool getCurrentConnectStatus() const;

    // Frames the request and writes it whole on the client's socket (or on
    // socketFd). True when every byte was written. Gives up after
    // SEND_DEADLINE_MSEC (plus its body's allowance), counted from the call, also while another
    // thread's send holds the socket. A frame that could not be started (refused request, no turn
    // before the deadline, no byte written) leaves the connection as it is. A frame that broke off
    // after its first byte would corrupt the stream: the socket is shut down, and on the client's
    // own connection the receive thread reports the lost connection as for a peer close (one
    // disconnectProcess() call).
    bool encodeAndSendCommunicationPackage(const CommunicationRequest& request);
    bool encodeAndSendCommunicationPackage(int socketFd, const CommunicationRequest& request);

    // True on this client's receive thread (inside responseProcess and the
    // callbacks it runs).
    bool isReceiveThread() const;

    // When the receive thread last read bytes from the controller (a frame's
    // bytes are read before it is handed on), or when the connection was
    // opened if nothing came since. Any thread.
    std::chrono::steady_clock::time_point lastHeard() const;

    // How the last connection ended by itself (disconnectProcess() was
    // called for it): the peer closed it (a read returned 0), or it failed (a
    // reset, a time-out, a broken stream or a send that broke off). None while
    // a connection is up and after a local disconnect only. Any thread; read
    // it in disconnectProcess() or after.
    enum class LinkEnd { None, PeerClosed, Failed };
    LinkEnd lastLinkEnd() const { return m_linkEnd.load(std::memory_order_acquire); }

protected:
    // One incoming frame: the 4-byte command type followed by the body; the
    // length counts both. Receive thread only.
    virtual int responseProcess(int socketFd, const char* requestContentPtr,
                                int requestContentLength) = 0;
    // The connection was lost (peer close, broken stream, broken send); called
    // once per connection on the receive thread, after the socket is closed.
    // Not called for a local disconnect.
    virtual void disconnectProcess() = 0;
    virtual int heartbeatService() = 0;

    // Takes over an already connected stream socket as if connect had opened
    // it, and starts the receive thread (no settle delay). Returns
    // ErrCode_Failed, and closes fd, when the client is connected or fd is
    // negative. Lets tests and the fuzzer drive the receive path through a
    // socket pair.
    int adoptConnectedSocket(int fd);

private:
    // Result of recvRobotCommunicationPackage for a length field that no frame
    // can have (0 or less, or more than fits the buffer): the stream is broken.
    static constexpr int RECV_RESULT_BROKEN_STREAM = INT32_MIN;
    // Bytes after the length field that are not body: command type, check
    // field and end mark. A shorter text block carries nothing usable.
    static constexpr int MIN_TEXT_BLOCK_LENGTH =
        4 + ROBOT_COMMAND_CRC_BYTE + ROBOT_COMMAND_END_BYTE;
    // How often a receive wait, also one inside a frame, looks at the flags.
    static constexpr int RECV_WAIT_MSEC = 100;
    // Incoming bytes are read into a staging buffer, at most
    // SIGNLE_PACKAGE_MESSAGE_LEN per call, and frames are cut from it, so that
    // a burst of small frames costs one read instead of a wait and four reads
    // each. Larger text blocks bypass it. It never holds more than one read
    // plus the start of a start mark.
    static constexpr int RECV_STAGE_SIZE = 4096;

    void initClassProfile();
    ConnectOutcome connectCommunicationServer(int* connectedFd);
    void disconnectCommunicationServer();
    int startReceiveThread(int fd);
    void reapReceiveThread();
    // Marks the client disconnected and takes the socket from it. Returns the
    // descriptor when this call took it, -1 when there was none.
    int takeSocket();
    // Closes under the send lock, so that no frame is being written to it.
    void closeSocket(int fd);
    bool sendWithDeadline(bool ownSocket, int socketFd, const CommunicationRequest& request);
    bool sendFrameLocked(int socketFd, const CommunicationRequest& request,
                         std::chrono::steady_clock::time_point deadline);
    // Shuts down a socket whose outgoing stream holds a partial frame; flags
    // it for the receive thread when it is the client's connection.
    void abandonBrokenStream(int socketFd, int sent, int frameSize);

    // Writes until every byte is out, the socket fails or the deadline passes.
    // Returns the bytes written; *timedOut tells a missed deadline from a
    // socket error (*sendError holds the failed send's result).
    static int sendCommunicationData(int socketFd, const char* buffer, int length,
                                     std::chrono::steady_clock::time_point deadline, bool* timedOut,
                                     int* sendError);
    // One socket read. Waits as long as nothing arrives, waking every
    // RECV_WAIT_MSEC; returns 0 (as for a close) once a local disconnect or a
    // broken send ends the connection. Receive thread only.
    int recvOnce(int socketFd, char* buffer, int length);
    // The receive steps consume staged bytes first and read the socket only
    // when the staging buffer runs dry. Receive thread only.
    int recvMessageBaseMethed(int socketFd, char* buffer, int length, int flags);
    int recvCommunicationData(int socketFd, char* buffer, int length);
    int recvPeek(int socketFd, char* buffer, int length);
    int recvRobotMessageHead(int socketFd);
    // Logs how many bytes a resynchronisation skipped, if any, and starts the
    // count anew.
    void logSkippedBytes(const char* until);
    int recvRobotCommunicationPackage(int socketFd, char* recvBuffer, int bufferSize);
    int stagedBytes() const { return m_stageEnd - m_stageBegin; }
    // Copies up to length staged bytes to out and consumes them; returns the count.
    int takeStaged(char* out, int length);
    // One socket read appended to the staged bytes; its result.
    int fillStage(int socketFd);
    // True when the next frame read completes from staged bytes alone (a whole
    // frame, a byte to skip, or a length that breaks the stream).
    bool stageHoldsCompleteFrame() const;

    void recvCommunicationPackageLoop();
    // Closes the socket and reports the lost connection through
    // disconnectProcess(), unless a local disconnect took the socket first.
    void reportLostConnection(const char* logLine, LinkEnd how);
    static void eventLoopThread(RobotCommunicationClient* client);

    std::thread m_threadId;
    std::string m_serverIP;
    int m_serverport;
    // "host:port" of the live connection, for log lines about it; the address
    // setters may already hold the next login's values.
    std::string m_connectedPeer;
    std::atomic<int> m_socketFd;
    // Allocated without zero-fill: untouched pages of the 18 MiB stay unmapped.
    std::unique_ptr<char[]> m_recvBuffer;
    std::unique_ptr<char[]> m_sendBuffer;
    std::unique_ptr<char[]> m_recvStage;  // RECV_STAGE_SIZE bytes, not zero-filled
    int m_stageBegin = 0;                 // first unconsumed staged byte
    int m_stageEnd = 0;                   // one past the last staged byte
    // Bytes skipped in search of a start mark since the last frame; only the
    // first is logged on its own.
    long long m_skippedBytes = 0;
    std::atomic<bool> m_connectStatus;
    // lastHeard() as steady-clock ticks; written by the receive thread and
    // by connect.
    std::atomic<std::chrono::steady_clock::rep> m_lastHeard{0};
    // errno of the receive error that ended the connection; receive thread only.
    int m_recvError = 0;
    // Set by a send that broke off inside a frame on the current connection.
    std::atomic<bool> m_sendBroken{false};
    // lastLinkEnd(): cleared by a connect, written by the receive thread
    // before it calls disconnectProcess().
    std::atomic<LinkEnd> m_linkEnd{LinkEnd::None};
    DeadlineMutex m_sendRequestMutex;
    std::mutex m_lifecycleMutex;
};

#endif  // ROBOTCOMMUNICATIONCLIENT_H
