#include "RobotSDK/robotClient/robotcommunicationclient.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TevoRobotMetaType.h"
#include "transport/transport_peer.h"

namespace {

using namespace transport_test;
using tevo_robot_namespace::ErrCode_Failed;
using tevo_robot_namespace::LL_ERROR;
using tevo_robot_namespace::LL_INFO;
using Client = RobotCommunicationClient;

constexpr char kJoined[] = "pthread_join:Receive data thread exited successfully.";
constexpr char kThreadExit[] = "sdk log: Receive data thread exit.";
constexpr char kHeaderError[] = "sdk communication log: Recv Header error.";
constexpr char kLengthError[] = "sdk communication log: Recv lengthBlock error.";
constexpr char kTextError[] = "sdk communication log:  Recv text block error.";

// A peer receive buffer of 128 KiB (64 KiB doubled) and a frame far larger than
// it and the client's send buffer (at most 4 MiB) together: a peer that does
// not read stalls the frame part-way.
constexpr int kSmallReceiveBuffer = 64 * 1024;
constexpr size_t kStallingBody = 8U << 20;
// The send deadline of the stalling frame (its body's allowance included)
// plus room for scheduling and sanitizers. Five such sends that waited for one
// another used to take up to 14 s.
constexpr auto kSendBound =
    std::chrono::milliseconds(Client::SEND_DEADLINE_MSEC +
                              static_cast<int>(kStallingBody) / Client::SEND_MIN_BYTES_PER_MSEC) +
    600ms;

// A request whose body is a copy of text (the request owns its copy).
void fill(CommunicationRequest& request, int commandType, const std::string& text) {
    char* body = nullptr;
    if (!text.empty()) {
        body = new char[text.size()];
        std::copy(text.begin(), text.end(), body);
    }
    request.setProperty(-1, static_cast<RobotCommandType>(commandType), body,
                        static_cast<int>(text.size()));
}

std::string patterned(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    }
    return text;
}

class ClientTest : public ::testing::Test {
protected:
    // Declared first so it outlives the client's receive thread.
    LogCapture log;
    TestPeer peer;
    std::unique_ptr<RecordingClient> client = std::make_unique<RecordingClient>();

    void connect(RecordingClient& which, TestPeer& to) {
        which.setServerPort(to.port());
        ASSERT_EQ(which.connectRobotServer(), 0);
        ASSERT_TRUE(which.getCurrentConnectStatus());
        ASSERT_TRUE(to.accept());
    }
    void connect(RecordingClient& which) { connect(which, peer); }
    void connect() { connect(*client); }

    // Expects the one synthesised disconnect frame as everything delivered.
    void expectOnlyDisconnectFrame() {
        ASSERT_TRUE(client->waitForFrames(1));
        ASSERT_TRUE(log.waitFor(kThreadExit));
        EXPECT_FALSE(client->getCurrentConnectStatus());
        // Joining makes the record final: nothing can arrive after it.
        EXPECT_EQ(client->disconnectRobotServer(), 0);
        const auto frames = client->frames();
        ASSERT_EQ(frames.size(), 1U);
        EXPECT_EQ(frames[0].socketFd, -1);
        EXPECT_EQ(frames[0].content, disconnectContent());
    }
};

// ---------------------------------------------------------------- sending

TEST_F(ClientTest, EmptyBodyFrameIsTwentyBytesWithLengthTwelve) {
    connect();
    CommunicationRequest request;
    fill(request, CommunicationMateType::CommunicationType_communicationHeart, "");
    ASSERT_TRUE(client->encodeAndSendCommunicationPackage(request));
    const std::string expected(
        "\xEE\xCC\xFF\xFF\x0C\x00\x00\x00\x73\x00\x00\x00"
        "\x00\x00\x00\x00\xFF\xFF\xFF\xFF",
        20);
    EXPECT_EQ(peer.receive(20), expected);
}

TEST_F(ClientTest, FramesCarryTypeAndBodyAcrossSendChunks) {
    connect();
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "x"},
        {144, patterned(1024)},  // exactly one send call of body
        {22, patterned(5000)},   // several send calls
    };
    for (const auto& c : cases) {
        CommunicationRequest request;
        fill(request, c.first, c.second);
        ASSERT_TRUE(client->encodeAndSendCommunicationPackage(request));
        EXPECT_EQ(peer.receive(c.second.size() + 20), frame(c.first, c.second)) << c.first;
    }
}

TEST_F(ClientTest, LargestBodyIsSentAndTheNextSizeIsRefusedWithItsLength) {
    connect();
    const size_t largest = 9436907;
    const std::string body = patterned(largest);
    auto received = std::async(std::launch::async, [&] { return peer.receive(largest + 20); });
    CommunicationRequest request;
    fill(request, 22, body);
    EXPECT_TRUE(client->encodeAndSendCommunicationPackage(request));
    EXPECT_TRUE(received.get() == frame(22, body));

    CommunicationRequest tooLarge;
    fill(tooLarge, 22, patterned(largest + 1));
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(tooLarge));
    EXPECT_TRUE(log.contains(LL_ERROR,
                             "sdk communication log: The message size is larger than the "
                             "specified size. length:9436920"));

    // Nothing of the refused frame reached the wire; the connection is still up.
    CommunicationRequest next;
    fill(next, 5, "ok");
    EXPECT_TRUE(client->encodeAndSendCommunicationPackage(next));
    EXPECT_EQ(peer.receive(22), frame(5, "ok"));
    EXPECT_TRUE(client->getCurrentConnectStatus());
}

TEST_F(ClientTest, InvalidRequestBodiesAreRefused) {
    connect();
    CommunicationRequest negative;
    negative.setProperty(-1, CommunicationMateType::CommunicationType_Login, nullptr, -5);
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(negative));
    CommunicationRequest missing;
    missing.setProperty(-1, CommunicationMateType::CommunicationType_Login, nullptr, 10);
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(missing));
    EXPECT_TRUE(log.contains(LL_ERROR, "sdk communication log: Invalid request body. length:-5"));
}

TEST_F(ClientTest, SendToAClosedPeerFailsWithoutSignal) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ::close(pair[1]);
    CommunicationRequest request;
    fill(request, 3, "abc");
    // A SIGPIPE here would end the test process.
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(pair[0], request));
    EXPECT_TRUE(
        log.contains(LL_ERROR, "sdk communication log: Socket send messages error. errorcode=-1"));
    ::close(pair[0]);
}

TEST_F(ClientTest, SendWithoutConnectionFails) {
    CommunicationRequest request;
    fill(request, 3, "abc");
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(request));
}

TEST_F(ClientTest, ConcurrentSendsNeverInterleave) {
    connect();
    constexpr int kThreads = 4;
    constexpr int kFrames = 40;
    size_t totalBytes = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kFrames; ++i) {
            totalBytes += static_cast<size_t>(100 + 97 * i) + 20;
        }
    }
    auto received = std::async(std::launch::async, [&] { return peer.receive(totalBytes); });
    std::vector<std::thread> senders;
    senders.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < kFrames; ++i) {
                CommunicationRequest request;
                fill(request, t,
                     std::string(static_cast<size_t>(100 + 97 * i), static_cast<char>('a' + t)));
                EXPECT_TRUE(client->encodeAndSendCommunicationPackage(request));
            }
        });
    }
    for (std::thread& sender : senders) {
        sender.join();
    }
    const std::string stream = received.get();
    ASSERT_EQ(stream.size(), totalBytes);
    // Every frame on the wire is whole: its body is one thread's letter only.
    std::vector<int> perThread(kThreads, 0);
    size_t at = 0;
    while (at < stream.size()) {
        ASSERT_EQ(stream.compare(at, 4, startMark()), 0) << "at " << at;
        const std::string lengthField = stream.substr(at + 4, 4);
        int32_t length = 0;
        std::memcpy(&length, lengthField.data(), 4);
        const int type = static_cast<unsigned char>(stream[at + 8]);
        ASSERT_LT(type, kThreads);
        const std::string body = stream.substr(at + 12, static_cast<size_t>(length - 12));
        EXPECT_EQ(body, std::string(body.size(), static_cast<char>('a' + type)));
        EXPECT_EQ(body.size(), static_cast<size_t>(100 + 97 * perThread[type]));
        ++perThread[type];
        at += static_cast<size_t>(length) + 8;
    }
    EXPECT_EQ(perThread, std::vector<int>(kThreads, kFrames));
}

TEST_F(ClientTest, FrameBrokenOffMidSendLosesTheConnectionOnce) {
    TestPeer stalledPeer(kSmallReceiveBuffer);
    client = std::make_unique<RecordingClient>(
        [](RecordingClient& self, const RecordingClient::Frame& f) {
            // The control core wakes its waiters on this frame only when the
            // link reads as down.
            if (f.socketFd == -1) {
                EXPECT_FALSE(self.getCurrentConnectStatus());
            }
        });
    connect(*client, stalledPeer);
    CommunicationRequest request;
    fill(request, 22, patterned(kStallingBody));
    EXPECT_FALSE(client->encodeAndSendCommunicationPackage(request));
    // The half frame on the wire would swallow every later frame: the link is
    // given up and reported like a peer close.
    expectOnlyDisconnectFrame();
    EXPECT_TRUE(log.contains(
        LL_ERROR, "sdk communication log: A send broke off inside a frame, connection closed."));
    EXPECT_TRUE(stalledPeer.seesEndOfStream());
}

TEST_F(ClientTest, SendersBehindAStalledPeerEachGiveUpWithinTheSendDeadline) {
    TestPeer stalledPeer(kSmallReceiveBuffer);
    connect(*client, stalledPeer);
    constexpr int kCallers = 5;
    std::vector<CommunicationRequest> requests(kCallers);
    for (int i = 0; i < kCallers; ++i) {
        fill(requests[static_cast<size_t>(i)], 10 + i, patterned(kStallingBody));
    }
    std::vector<int> sent(kCallers, -1);
    std::vector<std::chrono::steady_clock::duration> took(kCallers);
    std::promise<void> go;
    const std::shared_future<void> start = go.get_future().share();
    std::vector<std::thread> callers;
    callers.reserve(kCallers);
    for (int i = 0; i < kCallers; ++i) {
        callers.emplace_back([&, i] {
            const auto at = static_cast<size_t>(i);
            start.wait();
            const auto begin = std::chrono::steady_clock::now();
            sent[at] = client->encodeAndSendCommunicationPackage(requests[at]) ? 1 : 0;
            took[at] = std::chrono::steady_clock::now() - begin;
        });
    }
    go.set_value();
    for (std::thread& caller : callers) {
        caller.join();
    }
    // No caller waits out another one's send: each fails within its own bound.
    for (size_t i = 0; i < callers.size(); ++i) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took[i]).count();
        std::printf("caller %zu returned after %lld ms\n", i, static_cast<long long>(ms));
        EXPECT_EQ(sent[i], 0) << "caller " << i;
        EXPECT_LT(ms, kSendBound.count()) << "caller " << i;
    }
}

// ---------------------------------------------------------------- receiving

struct StreamCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> delivered;
    bool oneByteAtATime;
};

std::vector<StreamCase> streamCases() {
    std::vector<StreamCase> cases = {
        {"plain frame", frame(7, "abc"), {content(7, "abc")}, false},
        {"empty body", frame(115, ""), {content(115, "")}, false},
        {"back to back",
         frame(1, "a") + frame(2, "bb"),
         {content(1, "a"), content(2, "bb")},
         false},
        {"garbage before start mark",
         std::string("\x01\xEE\xCC\xFFxyz", 7) + frame(3, "body"),
         {content(3, "body")},
         false},
        {"partial start marks before the real one",
         std::string("\xEE\xCC\xFF", 3) + frame(4, "q"),
         {content(4, "q")},
         false},
        {"wrong check field and end mark",
         frame(3, "b", "\x01\x02\x03\x04", "\x05\x06\x07\x08"),
         {content(3, "b")},
         false},
        {"frame split into single bytes",
         frame(22, patterned(3000)),
         {content(22, patterned(3000))},
         true},
    };
    // Lengths 1 to 11 cannot hold command type, check field and end mark:
    // their text is consumed and dropped. The text imitates a frame head, so
    // leaving it unread would swallow the frame that follows.
    std::string shortFrames;
    for (int length = 1; length <= 11; ++length) {
        const std::string text =
            (startMark() + le32(12) + "zzz").substr(0, static_cast<size_t>(length));
        shortFrames += startMark() + le32(length) + text;
    }
    cases.push_back(
        {"lengths 1 to 11 dropped", shortFrames + frame(9, "kept"), {content(9, "kept")}, false});
    // One burst of frames around the 1024-byte read size, with garbage between
    // some, so that reads end inside start marks, length fields and bodies.
    StreamCase burst{"burst of mixed sizes", "", {}, false};
    const std::vector<size_t> sizes = {0, 50, 1003, 1004, 1005, 1012, 1013, 3000, 7, 2037, 64};
    for (size_t i = 0; i < 3 * sizes.size(); ++i) {
        const std::string body = patterned(sizes[i % sizes.size()] + i);
        if (i % 4 == 1) {
            burst.bytes += startMark().substr(0, 3) + "x";  // a start mark that breaks off
        }
        burst.bytes += frame(static_cast<int32_t>(i), body);
        burst.delivered.push_back(content(static_cast<int32_t>(i), body));
    }
    cases.push_back(burst);
    return cases;
}

TEST_F(ClientTest, ByteStreamsAreCutIntoFrames) {
    for (const StreamCase& c : streamCases()) {
        SCOPED_TRACE(c.name);
        TestPeer casePeer;
        RecordingClient caseClient;
        caseClient.setServerPort(casePeer.port());
        ASSERT_EQ(caseClient.connectRobotServer(), 0);
        ASSERT_TRUE(casePeer.accept());
        const std::string sentinel = "end of case";
        ASSERT_TRUE(casePeer.send(c.bytes + frame(115, sentinel), c.oneByteAtATime));
        std::vector<std::string> expected = c.delivered;
        expected.push_back(content(115, sentinel));
        ASSERT_TRUE(caseClient.waitForFrames(expected.size()));
        std::vector<std::string> got;
        for (const auto& f : caseClient.frames()) {
            EXPECT_NE(f.socketFd, -1);
            got.push_back(f.content);
        }
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(caseClient.getCurrentConnectStatus());
    }
}

TEST_F(ClientTest, GarbageByteIsLoggedAsHeaderFailure) {
    connect();
    ASSERT_TRUE(peer.send(std::string("\x42", 1) + frame(3, "x")));
    ASSERT_TRUE(client->waitForFrames(1));
    EXPECT_TRUE(log.contains(LL_ERROR, kHeaderError));
    EXPECT_TRUE(log.contains(LL_ERROR, kLengthError));
    EXPECT_TRUE(log.contains(LL_ERROR, kTextError));
}

TEST_F(ClientTest, GarbageRunsAreLoggedByTheirFirstByteAndOneCount) {
    connect();
    std::string garbage = patterned(1U << 20);
    std::replace(garbage.begin(), garbage.end(), '\xEE', '\x00');  // no start mark in it
    const size_t linesBefore = log.size();
    ASSERT_TRUE(peer.send(garbage + frame(3, "after garbage")));
    ASSERT_TRUE(client->waitForFrames(1));
    EXPECT_EQ(client->frames()[0].content, content(3, "after garbage"));
    // The first byte logs the three lines, the start mark the count.
    EXPECT_EQ(log.count(kHeaderError), 1U);
    EXPECT_EQ(log.count(kLengthError), 1U);
    EXPECT_EQ(log.count(kTextError), 1U);
    EXPECT_TRUE(log.contains(
        LL_ERROR, "sdk communication log: Skipped 1048576 bytes before a frame start mark."));
    EXPECT_LT(log.size() - linesBefore, 10U);

    // A run that the peer's close ends is counted too.
    ASSERT_TRUE(peer.send("tail"));
    peer.closeConnection();
    ASSERT_TRUE(log.waitFor(kThreadExit));
    EXPECT_TRUE(log.contains(
        LL_ERROR, "sdk communication log: Skipped 4 bytes before the connection ended."));
}

TEST_F(ClientTest, FramePausedMidBodyIsAwaitedNotCutApart) {
    connect();
    // The body carries what looks like a whole event frame; cut out of it, it
    // would be delivered as a real event.
    const std::string body =
        "lead " + frame(CommunicationMateType::CommunicationType_Event, "fake event") + " trail";
    const std::string outer = frame(115, body);
    const size_t cut = 12 + 3;  // head, command type and the first body bytes
    ASSERT_TRUE(peer.send(outer.substr(0, cut)));
    // A pause longer than the 3 s after which a read used to give up.
    std::this_thread::sleep_for(3500ms);
    ASSERT_TRUE(peer.send(outer.substr(cut) + frame(115, "next")));
    ASSERT_TRUE(client->waitForFrames(2));
    std::vector<std::string> got;
    for (const auto& f : client->frames()) {
        got.push_back(f.content);
    }
    EXPECT_EQ(got, (std::vector<std::string>{content(115, body), content(115, "next")}));

    // A disconnect still ends a receive thread that waits inside a frame.
    ASSERT_TRUE(peer.send(outer.substr(0, cut)));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(client->disconnectRobotServer(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
    EXPECT_EQ(log.count(kJoined), 1U);
    EXPECT_EQ(client->frames().size(), 2U);
}

TEST_F(ClientTest, LargestIncomingFrameIsDelivered) {
    connect();
    const int32_t length = Client::RECV_BUFFER_SIZE - 8;  // the whole frame fills the buffer
    const std::string body = patterned(static_cast<size_t>(length - 12));
    ASSERT_TRUE(peer.send(frame(5, body) + frame(115, "next")));
    ASSERT_TRUE(client->waitForFrames(2));
    const auto frames = client->frames();
    EXPECT_EQ(frames[0].content.size(), static_cast<size_t>(length - 8));
    EXPECT_TRUE(frames[0].content == content(5, body));
    EXPECT_EQ(frames[1].content, content(115, "next"));
}

TEST_F(ClientTest, ImpossibleLengthsBreakTheStreamAndAreReportedOnce) {
    const std::vector<int32_t> lengths = {0, -1, INT32_MIN, Client::RECV_BUFFER_SIZE - 7,
                                          INT32_MAX};
    for (int32_t length : lengths) {
        SCOPED_TRACE(length);
        TestPeer casePeer;
        RecordingClient caseClient;
        caseClient.setServerPort(casePeer.port());
        ASSERT_EQ(caseClient.connectRobotServer(), 0);
        ASSERT_TRUE(casePeer.accept());
        // A valid frame after the broken one must not be delivered.
        ASSERT_TRUE(casePeer.send(startMark() + le32(length) + frame(3, "after")));
        ASSERT_TRUE(caseClient.waitForFrames(1));
        EXPECT_TRUE(casePeer.seesEndOfStream());
        EXPECT_FALSE(caseClient.getCurrentConnectStatus());
        EXPECT_EQ(caseClient.disconnectRobotServer(), 0);  // joins: the record is final
        const auto frames = caseClient.frames();
        ASSERT_EQ(frames.size(), 1U);
        EXPECT_EQ(frames[0].socketFd, -1);
        EXPECT_EQ(frames[0].content, disconnectContent());
        char line[128];
        std::snprintf(line, sizeof(line),
                      "sdk communication log: Recv invalid length, stream broken. length:%d",
                      length);
        EXPECT_TRUE(log.contains(LL_ERROR, line));
    }
}

TEST_F(ClientTest, PeerCloseIsReportedExactlyOnceWithSocketMinusOne) {
    connect();
    peer.closeConnection();
    expectOnlyDisconnectFrame();
    EXPECT_TRUE(
        log.contains(LL_ERROR, "sdk communication log: recv return 0, Server disconnenct."));
    EXPECT_EQ(log.count(kJoined), 1U);
}

TEST_F(ClientTest, PeerCloseInsideAFrameIsReportedOnce) {
    const std::vector<std::string> partials = {
        std::string("\xEE\xCC", 2),                        // part of a start mark
        startMark() + le32(40),                            // head only
        startMark() + le32(40) + le32(3) + "half a body",  // part of the text block
    };
    for (const std::string& partial : partials) {
        SCOPED_TRACE(partial.size());
        client = std::make_unique<RecordingClient>();
        connect();
        ASSERT_TRUE(peer.send(partial));
        peer.closeConnection();
        expectOnlyDisconnectFrame();
    }
}

TEST_F(ClientTest, FramesBeforeAPeerCloseAreDeliveredThenTheCloseOnce) {
    connect();
    // Whole frames and a partial one arrive together with the close.
    std::string bytes;
    for (int i = 0; i < 20; ++i) {
        bytes += frame(i, patterned(40 + static_cast<size_t>(i)));
    }
    ASSERT_TRUE(peer.send(bytes + startMark() + le32(40) + le32(3) + "partial"));
    peer.closeConnection();
    ASSERT_TRUE(client->waitForFrames(21));
    ASSERT_TRUE(log.waitFor(kThreadExit));
    EXPECT_EQ(client->disconnectRobotServer(), 0);
    const auto frames = client->frames();
    ASSERT_EQ(frames.size(), 21U);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(frames[static_cast<size_t>(i)].content,
                  content(i, patterned(static_cast<size_t>(40 + i))));
    }
    EXPECT_EQ(frames[20].socketFd, -1);
    EXPECT_EQ(frames[20].content, disconnectContent());
}

// ---------------------------------------------------------------- connection lifecycle

TEST_F(ClientTest, ConnectOnAConnectedClientIsRefusedAndKeepsTheConnection) {
    connect();
    EXPECT_EQ(client->connectRobotServer(), ErrCode_Failed);
    EXPECT_TRUE(client->getCurrentConnectStatus());
    ASSERT_TRUE(peer.send(frame(6, "still here")));
    ASSERT_TRUE(client->waitForFrames(1));
    EXPECT_EQ(client->frames()[0].content, content(6, "still here"));
    CommunicationRequest request;
    fill(request, 6, "reply");
    EXPECT_TRUE(client->encodeAndSendCommunicationPackage(request));
    EXPECT_EQ(peer.receive(25), frame(6, "reply"));
}

TEST_F(ClientTest, FailedConnectsLeaveTheClientIdle) {
    int closedPort = 0;
    {
        TestPeer unused;  // bound then closed: nobody listens there any more
        closedPort = unused.port();
    }
    const std::vector<std::pair<std::string, int>> targets = {
        {"127.0.0.1", closedPort},
        {"999.1.1.1", peer.port()},  // neither an IPv4 address nor a name
        {"", peer.port()},
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(target.first);
        client->setServerIP(target.first);
        client->setServerPort(target.second);
        EXPECT_EQ(client->connectRobotServer(), ErrCode_Failed);
        EXPECT_FALSE(client->getCurrentConnectStatus());
    }
    client->setServerIP("127.0.0.1");
    connect();
}

TEST_F(ClientTest, DisconnectOnAnIdleClientDoesNothing) {
    EXPECT_EQ(client->disconnectRobotServer(), 0);
    EXPECT_EQ(log.count(kJoined), 0U);
    EXPECT_FALSE(client->getCurrentConnectStatus());
}

TEST_F(ClientTest, DisconnectStopsAndJoinsTheRunningThread) {
    connect();
    EXPECT_EQ(client->disconnectRobotServer(), 0);
    EXPECT_FALSE(client->getCurrentConnectStatus());
    EXPECT_EQ(log.count(kJoined), 1U);
    EXPECT_EQ(log.count(kThreadExit), 1U);
    EXPECT_TRUE(peer.seesEndOfStream());
    EXPECT_TRUE(client->frames().empty());  // a local disconnect is not reported as an event
    EXPECT_EQ(log.count("sdk communication log: Recv Header error."),
              0U);  // nor as a receive error
    EXPECT_EQ(client->disconnectRobotServer(), 0);
    EXPECT_EQ(log.count(kJoined), 1U);
}

TEST_F(ClientTest, DisconnectFromTheReceiveThreadDoesNotDeadlock) {
    client =
        std::make_unique<RecordingClient>([](RecordingClient& self, const RecordingClient::Frame&) {
            EXPECT_EQ(self.disconnectRobotServer(), 0);
            // Connecting from the receive thread is refused rather than
            // starting a second reader.
            EXPECT_EQ(self.connectRobotServer(), ErrCode_Failed);
        });
    connect();
    ASSERT_TRUE(peer.send(frame(2, "event")));
    ASSERT_TRUE(log.waitFor(kThreadExit));
    EXPECT_FALSE(client->getCurrentConnectStatus());
    EXPECT_TRUE(peer.seesEndOfStream());
    EXPECT_EQ(client->frames().size(), 1U);
    EXPECT_EQ(log.count(kJoined), 0U);  // the ended thread is joined later

    // The next connect joins the ended thread and starts a fresh one.
    connect();
    EXPECT_EQ(log.count(kJoined), 1U);
}

TEST_F(ClientTest, ConnectAfterPeerCloseReapsTheEndedThread) {
    connect();
    peer.closeConnection();
    ASSERT_TRUE(client->waitForFrames(1));
    ASSERT_TRUE(log.waitFor(kThreadExit));
    connect();  // no disconnect in between
    EXPECT_EQ(log.count(kJoined), 1U);
    ASSERT_TRUE(peer.send(frame(8, "second connection")));
    ASSERT_TRUE(client->waitForFrames(2));
    EXPECT_EQ(client->frames()[1].content, content(8, "second connection"));
}

TEST_F(ClientTest, DestructorStopsAndJoinsTheThread) {
    connect();
    client.reset();
    EXPECT_EQ(log.count(kJoined), 1U);
    EXPECT_TRUE(peer.seesEndOfStream());
}

TEST_F(ClientTest, AdoptedSocketRunsTheSameReceivePath) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ASSERT_EQ(client->adoptConnectedSocket(pair[0]), 0);
    EXPECT_EQ(client->adoptConnectedSocket(-1), ErrCode_Failed);
    const std::string bytes = std::string("junk") + frame(3, "via pair");
    ASSERT_EQ(::send(pair[1], bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    ASSERT_TRUE(client->waitForFrames(1));
    EXPECT_EQ(client->frames()[0].content, content(3, "via pair"));
    ::close(pair[1]);
    ASSERT_TRUE(client->waitForFrames(2));
    EXPECT_EQ(client->frames()[1].socketFd, -1);
    EXPECT_EQ(client->frames()[1].content, disconnectContent());
}

// ---------------------------------------------------------------- memory

long residentBytes() {
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return -1;
    }
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? resident * ::sysconf(_SC_PAGESIZE) : -1;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TEVO_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TEVO_UNDER_SANITIZER 1
#endif
#endif

TEST_F(ClientTest, IdleConnectedClientStaysUnderOneMebibyteResident) {
#ifdef TEVO_UNDER_SANITIZER
    GTEST_SKIP() << "sanitizer allocators touch and shadow their allocations";
#endif
    // No warm-up client: its freed buffers would stay in the heap and hide a
    // zero-filled allocation. The figure therefore includes the one-time cost
    // of the process's first extra thread.
    client.reset();
    const long before = residentBytes();
    ASSERT_GT(before, 0);
    client = std::make_unique<RecordingClient>();
    connect();
    const long after = residentBytes();
    const long grown = after - before;
    std::printf("resident growth of an idle connected client: %ld bytes (%.1f KiB)\n", grown,
                static_cast<double>(grown) / 1024.0);
    RecordProperty("resident_growth_bytes", static_cast<int>(grown));
    EXPECT_LT(grown, 1L << 20);
}

}  // namespace
