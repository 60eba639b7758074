// Destroying a context while other threads use it: a caller blocked in a move
// on it is released with ErrCode_SocketDisconnect, the controller sees the
// connection closed, no callback registered through the handle runs after the
// destroy returned, and the context counts toward the limit of 32 until the
// last call on it has returned.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include "handletestsupport.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;

namespace {

constexpr int kRobotMove = 22;  // command type as the simulator counts it
constexpr int kMaxContexts = 32;
const std::array<double, 6> kTarget = {-0.3, -0.2618, 1.7453, 0.4363, 1.5708, 0.1};

// Counts robot events; `late` counts those delivered after `ended` was set.
struct EventCounter {
    std::atomic<int> calls{0};
    std::atomic<bool> ended{false};
    std::atomic<int> late{0};
};

void countEvent(const rs_robot_event_info*, void* arg) {
    auto* counter = static_cast<EventCounter*>(arg);
    if (counter->ended.load()) ++counter->late;
    ++counter->calls;
}

// A blocking joint move on its own thread whose end the simulator never
// reports: it can only end by the connection going away.
class BlockedMove : public tevo_test::HandleSimFixture {
protected:
    void SetUp() override {
        tevo_test::HandleSimFixture::SetUp();
        ASSERT_EQ(rs_setcallback_robot_event(rshd_, countEvent, &events_), 0);
        sim().sendEvent({9001, 1, "before"});
        ASSERT_TRUE(waitFor([&] { return events_.calls.load() > 0; }));

        tevo_sim::FaultRule rule;
        rule.suppressCompletion = true;
        rule.remaining = 1;
        sim().setFault(kRobotMove, rule);
        move_ = std::async(std::launch::async, [this] {
            std::array<double, 6> target = kTarget;
            return rs_move_joint(rshd_, target.data(), true);
        });
        ASSERT_TRUE(sim().waitForRequests(kRobotMove, 1, 5s));
        ASSERT_TRUE(sim().waitIdle(10s));  // arrived; its end event was suppressed
    }

    // The move's result, or -1 when it did not end in time (then it is
    // released by closing the connection so that the test can finish).
    int moveResult() {
        if (move_.wait_for(10s) != std::future_status::ready) {
            sim().closeConnection();
            move_.wait();
            return -1;
        }
        return move_.get();
    }

    EventCounter events_;
    std::future<int> move_;
};

// Ends the context's use: rs_destory_context or rs_uninitialize.
struct Ending {
    const char* name;
    std::function<int(RSHD)> end;
};

void PrintTo(const Ending& ending, std::ostream* os) { *os << ending.name; }

class DestroyWhileMoving : public BlockedMove, public ::testing::WithParamInterface<Ending> {};

TEST_P(DestroyWhileMoving, ReleasesTheWaiterClosesTheLinkAndStopsCallbacks) {
    ASSERT_EQ(GetParam().end(rshd_), 0);
    events_.ended = true;
    const int callsAtReturn = events_.calls.load();

    EXPECT_EQ(moveResult(), ErrCode_SocketDisconnect);
    EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
    // The move's thread held the last reference: once it returned, the
    // context and its event thread are gone, and the lost link it reported
    // did not reach the callback.
    EXPECT_EQ(events_.late.load(), 0);
    EXPECT_EQ(events_.calls.load(), callsAtReturn);
    EXPECT_EQ(rs_logout(rshd_), RS_ERR_NO_CONTEXT);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, DestroyWhileMoving,
    ::testing::Values(Ending{"destroy", rs_destory_context},
                      Ending{"uninitialize", [](RSHD) { return rs_uninitialize(); }}),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

// The event thread destroys the context it calls back for while another
// thread waits in a move on it: neither deadlocks, and the move ends.
struct SelfDestroy {
    RSHD rshd = 0;
    std::atomic<int> result{-1};
};

void destroyOwnContext(const rs_robot_event_info* info, void* arg) {
    auto* self = static_cast<SelfDestroy*>(arg);
    if (info->eventType == 9002) self->result = rs_destory_context(self->rshd);
}

TEST_F(BlockedMove, DestroyFromItsOwnEventCallbackReleasesTheWaiter) {
    SelfDestroy self;
    self.rshd = rshd_;
    ASSERT_EQ(rs_setcallback_robot_event(rshd_, destroyOwnContext, &self), 0);
    sim().sendEvent({9002, 0, "destroy yourself"});
    ASSERT_TRUE(waitFor([&] { return self.result.load() != -1; }));
    EXPECT_EQ(self.result.load(), 0);
    EXPECT_EQ(moveResult(), ErrCode_SocketDisconnect);
    EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
}

// A named pipe in a fresh directory: reading it blocks until a writer comes.
class Fifo {
public:
    Fifo() {
        char dir[] = "/tmp/tevo-fifo-XXXXXX";
        const char* made = ::mkdtemp(dir);
        dir_ = made != nullptr ? made : "";
        path_ = dir_ + "/track";
        ok_ = made != nullptr && ::mkfifo(path_.c_str(), 0600) == 0;
    }
    ~Fifo() {
        closeWriter();
        // A reader still waiting to open the pipe is let through to its end.
        if (openWriter()) closeWriter();
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool ok() const { return ok_; }
    const char* path() const { return path_.c_str(); }
    // Succeeds only once a reader has the pipe open (or is opening it).
    bool openWriter() {
        writer_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        return writer_ >= 0;
    }
    // The reader then sees the end of the file.
    void closeWriter() {
        if (writer_ >= 0) ::close(writer_);
        writer_ = -1;
    }

private:
    std::string dir_, path_;
    bool ok_ = false;
    int writer_ = -1;
};

class DestroyedContextLimit : public tevo_test::SimFixture {
protected:
    void TearDown() override {
        rs_uninitialize();
        tevo_test::SimFixture::TearDown();
    }
};

TEST_F(DestroyedContextLimit, ADestroyedContextCountsUntilItsLastCallReturns) {
    std::future<int> call;  // declared first: the pipe ends before the call is awaited
    Fifo fifo;
    ASSERT_TRUE(fifo.ok());
    RSHD held = 0;
    ASSERT_EQ(rs_create_context(&held), 0);
    // The track file is a pipe: the call stays inside until the pipe ends.
    call = std::async(std::launch::async, [held, path = std::string(fifo.path())] {
        return rs_append_offline_track_file(held, path.c_str());
    });
    ASSERT_TRUE(waitFor([&] { return fifo.openWriter(); }));
    ASSERT_EQ(rs_destory_context(held), 0);
    EXPECT_EQ(rs_logout(held), RS_ERR_NO_CONTEXT);

    std::vector<RSHD> others;
    for (int i = 1; i < kMaxContexts; ++i) {
        RSHD h = 0;
        ASSERT_EQ(rs_create_context(&h), 0) << "context " << i;
        others.push_back(h);
    }
    RSHD refused = 0;
    EXPECT_EQ(rs_create_context(&refused), RS_ERR_TOO_MANY_CONTEXTS);

    fifo.closeWriter();
    ASSERT_EQ(call.wait_for(10s), std::future_status::ready);
    EXPECT_NE(call.get(), ErrnoSucc);  // a file without lines
    RSHD again = 0;
    EXPECT_EQ(rs_create_context(&again), 0);
}

}  // namespace
