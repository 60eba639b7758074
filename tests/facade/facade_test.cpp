// The facade's own logic against the in-process simulator: callback
// registration and dispatch, the shared log sink, tool dynamics through the
// payload setting, the safety-configuration write, and teardown.
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "support/simfixture.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;

namespace {

// Threads of this process, from /proc.
int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): readdir on a stream no other thread uses
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.') ++n;
        }
        closedir(dir);
    }
    return n;
}

// A device-information reply naming the given interface-board revision.
std::string devInfoBody(const std::string& revision) {
    tevo::robot::common::ProtoResponseRobotDevInfo reply;
    auto* info = reply.add_devinfo();
    info->set_type(1);
    info->set_revision(revision);
    info->set_manuid("sim");
    info->set_jointtype("sim");
    info->set_desc("sim");
    info->set_slavedevversion("1");
    info->set_extendioboardversion("1");
    reply.mutable_errorinfo()->set_errorcode(0);
    reply.mutable_errorinfo()->set_errormsg("");
    return reply.SerializeAsString();
}

struct Counter {
    std::atomic<int> calls{0};
};

void countJointStatus(const JointStatus*, int size, void* arg) {
    if (size == ARM_DOF) ++static_cast<Counter*>(arg)->calls;
}

struct LogCapture {
    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<LOG_LEVEL> levels;
    bool contains(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& l : lines) {
            if (l == text) return true;
        }
        return false;
    }
    size_t size() {
        std::lock_guard<std::mutex> lock(mutex);
        return lines.size();
    }
};

void captureLog(LOG_LEVEL level, const char* text, void* arg) {
    auto* capture = static_cast<LogCapture*>(arg);
    std::lock_guard<std::mutex> lock(capture->mutex);
    capture->lines.emplace_back(text);
    capture->levels.push_back(level);
}

}  // namespace

class FacadeTest : public tevo_test::SimFixture {
protected:
    // Logs a fresh facade in to the simulator.
    std::unique_ptr<ServiceInterface> loggedIn() {
        auto facade = std::make_unique<ServiceInterface>();
        EXPECT_EQ(facade->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
        return facade;
    }

    // Every frame the simulator sent before a response has been dispatched once
    // that response arrives: the receive thread handles frames in order.
    static void drainPushes(ServiceInterface& facade) {
        RobotWorkMode mode;
        ASSERT_EQ(facade.robotServiceGetRobotWorkMode(mode), ErrnoSucc);
    }
};

TEST(FacadeOffline, WorksWithoutConnection) {
    ServiceInterface facade;
    EXPECT_EQ(facade.getVersion(), "V4.0.8");

    bool connected = true;
    facade.robotServiceGetConnectStatus(connected);
    EXPECT_FALSE(connected);

    bool link = false;
    EXPECT_EQ(facade.robotServiceGetMacCommunicationStatus(link), ErrnoSucc);
    EXPECT_TRUE(link);

    RobotWorkMode mode;
    EXPECT_EQ(facade.robotServiceGetRobotWorkMode(mode), ErrCode_SocketDisconnect);
    EXPECT_EQ(facade.robotServiceLogin(nullptr, 8899, "u", "p"), ErrCode_ParamError);
    EXPECT_FALSE(facade.getErrDescByCode(ErrCode_SocketDisconnect).empty());
}

// A refused login returns ErrCode_Failed and keeps the controller's code for
// this thread; nothing follows the login request, neither on the wire nor as
// an attempt that finds no connection.
TEST_F(FacadeTest, RefusedLoginSendsNothingMoreAndKeepsTheReason) {
    ServiceInterface facade;
    LogCapture log;
    ASSERT_EQ(facade.robotServiceRegisterLogPrintCallback(captureLog, &log), ErrnoSucc);
    EXPECT_EQ(facade.robotServiceLogin(simHost(), simPort(), simUser(), "wrong"), ErrCode_Failed);
    const ControllerRefusal refusal = ServiceInterface::lastControllerRefusal();
    ASSERT_EQ(facade.robotServiceRegisterLogPrintCallback(nullptr, nullptr), ErrnoSucc);

    EXPECT_EQ(refusal.commandType, tevo_sim::Login);
    EXPECT_EQ(refusal.command, "Login");
    EXPECT_NE(refusal.controllerCode, 0);
    const std::string tableText = robotControllerCodeText(refusal.controllerCode);
    EXPECT_EQ(refusal.text, tableText.empty()
                                ? "controller code " + std::to_string(refusal.controllerCode)
                                : tableText);
    EXPECT_TRUE(log.contains("sdk log: The controller refused Login: " + refusal.text +
                             " (controller code " + std::to_string(refusal.controllerCode) + ")."));
    EXPECT_EQ(sim().totalRequests(), 1u);
    EXPECT_EQ(sim().requestCount(tevo_sim::Login), 1u);
    std::lock_guard<std::mutex> lock(log.mutex);
    for (const std::string& line : log.lines) {
        EXPECT_EQ(line.find("Not logged in"), std::string::npos) << line;
    }
}

// A push registered before login is switched on by every successful login,
// also after a logout; one registered and then cleared stays off.
TEST_F(FacadeTest, PushesRegisteredBeforeLoginArriveAfterEveryLogin) {
    ServiceInterface facade;
    Counter jointStatus, waypoint, endSpeed;
    EXPECT_EQ(
        facade.robotServiceRegisterRealTimeJointStatusCallback(countJointStatus, &jointStatus),
        ErrnoSucc);
    EXPECT_EQ(
        facade.robotServiceRegisterRealTimeRoadPointCallback(
            [](const wayPoint_S*, void* arg) { ++static_cast<Counter*>(arg)->calls; }, &waypoint),
        ErrnoSucc);
    EXPECT_EQ(facade.robotServiceRegisterRealTimeEndSpeedCallback(
                  [](double, void* arg) { ++static_cast<Counter*>(arg)->calls; }, &endSpeed),
              ErrnoSucc);
    // Wanted, then no longer: the end-speed push stays off.
    EXPECT_EQ(facade.robotServiceRegisterRealTimeEndSpeedCallback(nullptr, nullptr), ErrnoSucc);

    struct Row {
        const char* name;
        Counter& counter;
        int enableCommand;
        bool wanted;
    };
    const Row rows[] = {
        {"joint status", jointStatus, tevo_sim::EnableRealTimeJointStatusPush, true},
        {"waypoint", waypoint, tevo_sim::EnableRealTimeJointAnglePush, true},
        {"end speed", endSpeed, tevo_sim::EnableRealTimeEndSpeedPush, false},
    };
    for (uint64_t login = 1; login <= 2; ++login) {
        SCOPED_TRACE(login);
        std::vector<int> before;
        for (const Row& row : rows) before.push_back(row.counter.calls.load());
        ASSERT_EQ(facade.robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
        for (size_t i = 0; i < std::size(rows); ++i) {
            const Row& row = rows[i];
            SCOPED_TRACE(row.name);
            EXPECT_EQ(sim().requestCount(row.enableCommand), row.wanted ? login : 0u);
            if (row.wanted) {
                EXPECT_TRUE(waitFor([&] { return row.counter.calls.load() > before[i] + 3; }));
            }
        }
        drainPushes(facade);
        EXPECT_EQ(endSpeed.calls.load(), 0);
        ASSERT_EQ(facade.robotServiceLogout(), ErrnoSucc);
    }
}

TEST_F(FacadeTest, EmptyCallbackSwitchesThePushOffAndStopsDispatch) {
    auto facade = loggedIn();
    Counter counter;
    ASSERT_EQ(facade->robotServiceRegisterRealTimeJointStatusCallback(countJointStatus, &counter),
              ErrnoSucc);
    EXPECT_EQ(sim().requestCount(tevo_sim::EnableRealTimeJointStatusPush), 1u);
    ASSERT_TRUE(waitFor([&] { return counter.calls.load() > 0; }));

    ASSERT_EQ(facade->robotServiceRegisterRealTimeJointStatusCallback(nullptr, nullptr), ErrnoSucc);
    EXPECT_EQ(sim().requestCount(tevo_sim::DisableRealTimeJointStatusPush), 1u);
    const int before = counter.calls.load();

    // Even a push that still arrives reaches nobody.
    ASSERT_GT(sim().sendPush(tevo_sim::RealTimeJointStatus), 0);
    drainPushes(*facade);
    EXPECT_EQ(counter.calls.load(), before);
}

TEST_F(FacadeTest, TwoFacadesShareOneLogCallback) {
    LogCapture firstLog;
    LogCapture secondLog;
    ServiceInterface first;
    ServiceInterface second;
    // The sink is process-wide: never leave it pointing at this test's captures.
    struct Unregister {
        ServiceInterface& facade;
        ~Unregister() { facade.robotServiceRegisterLogPrintCallback(nullptr, nullptr); }
    } unregister{first};
    ASSERT_EQ(first.robotServiceRegisterLogPrintCallback(captureLog, &firstLog), ErrnoSucc);
    ASSERT_EQ(second.robotServiceRegisterLogPrintCallback(captureLog, &secondLog), ErrnoSucc);

    // A request on the first facade without a connection logs a line: it goes
    // to the callback registered last, through whichever facade.
    RobotWorkMode mode;
    EXPECT_EQ(first.robotServiceGetRobotWorkMode(mode), ErrCode_SocketDisconnect);
    EXPECT_TRUE(secondLog.contains("sdk log: Current connect disconnect."));
    EXPECT_EQ(firstLog.size(), 0u);
    {
        std::lock_guard<std::mutex> lock(secondLog.mutex);
        ASSERT_FALSE(secondLog.levels.empty());
        EXPECT_EQ(secondLog.levels.back(), LL_ERROR);
    }

    // An empty callback turns logging off for everybody.
    ASSERT_EQ(first.robotServiceRegisterLogPrintCallback(nullptr, nullptr), ErrnoSucc);
    const size_t before = secondLog.size();
    EXPECT_EQ(second.robotServiceGetRobotWorkMode(mode), ErrCode_SocketDisconnect);
    EXPECT_EQ(secondLog.size(), before);
    EXPECT_EQ(firstLog.size(), 0u);
}

TEST_F(FacadeTest, ToolDynamicsRoundTripThroughThePayload) {
    auto facade = loggedIn();
    ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    tool.positionX = 0.0123456789;
    tool.positionY = -0.05;
    tool.positionZ = 0.1;
    tool.payload = 2.75;
    tool.toolInertia = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    ASSERT_EQ(facade->robotServiceSetToolDynamicsParam(tool), ErrnoSucc);

    ToolDynamicsParam read;
    std::memset(&read, 0x5a, sizeof read);  // every field must be written
    ASSERT_EQ(facade->robotServiceGetToolDynamicsParam(read), ErrnoSucc);
    EXPECT_EQ(read.positionX, static_cast<double>(static_cast<float>(tool.positionX)));
    EXPECT_EQ(read.positionY, static_cast<double>(static_cast<float>(tool.positionY)));
    EXPECT_EQ(read.positionZ, static_cast<double>(static_cast<float>(tool.positionZ)));
    EXPECT_EQ(read.payload, static_cast<double>(static_cast<float>(tool.payload)));
    const double inertia[] = {read.toolInertia.xx, read.toolInertia.xy, read.toolInertia.xz,
                              read.toolInertia.yy, read.toolInertia.yz, read.toolInertia.zz};
    for (double v : inertia) EXPECT_EQ(v, 0.0);

    ASSERT_EQ(facade->robotServiceSetNoneToolDynamicsParam(), ErrnoSucc);
    ASSERT_EQ(facade->robotServiceGetToolDynamicsParam(read), ErrnoSucc);
    EXPECT_EQ(read.payload, 0.0);
    EXPECT_EQ(read.positionX, 0.0);

    // A failed read leaves the record as it was.
    facade->robotServiceLogout();
    read.payload = 9.5;
    EXPECT_EQ(facade->robotServiceGetToolDynamicsParam(read), ErrCode_SocketDisconnect);
    EXPECT_EQ(read.payload, 9.5);
}

// Start-up carries the tool's dynamics as the payload setting, the same for
// automatic and manual operation.
TEST_F(FacadeTest, StartupSendsToolDynamicsAsPayload) {
    auto facade = loggedIn();
    ToolDynamicsParam tool;
    ServiceInterface::initToolDynamicsParamDataType(tool);
    tool.positionZ = 0.125;
    tool.payload = 1.5;
    ROBOT_SERVICE_STATE state = ROBOT_SERVICE_READY;
    ASSERT_EQ(facade->rootServiceRobotStartup(tool, 6, true, true, 1000, state, true), ErrnoSucc);
    EXPECT_EQ(state, ROBOT_SERVICE_WORKING);

    ToolDynamicsParam read;
    ASSERT_EQ(facade->robotServiceGetToolDynamicsParam(read), ErrnoSucc);
    EXPECT_EQ(read.positionZ, 0.125);
    EXPECT_EQ(read.payload, 1.5);

    ASSERT_EQ(facade->robotServiceSetToolDynamicsParam(tool), ErrnoSucc);
    const auto body = sim().lastRequestBody(tevo_sim::SetRobotTcpParam);
    ASSERT_TRUE(body.has_value());
    tevo::robot::communication::RobotTcpParam sent;
    ASSERT_TRUE(sent.ParseFromString(*body));
    EXPECT_EQ(sent.paramautorun().SerializeAsString(), sent.parammanual().SerializeAsString());
    EXPECT_EQ(sent.parammanual().payload(), 1.5f);
}

// Each servo setter names its own parameter type, the joint and the value.
TEST_F(FacadeTest, ServoSettersSendTheirParameterType) {
    using Setter = int (ServiceInterface::*)(int, uint16_t);
    const Setter setters[] = {&ServiceInterface::robotServiceSetJointParam_CurrentIP,
                              &ServiceInterface::robotServiceSetJointParam_CurrentII,
                              &ServiceInterface::robotServiceSetJointParam_CurrentID,
                              &ServiceInterface::robotServiceSetJointParam_SpeedP,
                              &ServiceInterface::robotServiceSetJointParam_SpeedI,
                              &ServiceInterface::robotServiceSetJointParam_SpeedD,
                              &ServiceInterface::robotServiceSetJointParam_SpeedDS,
                              &ServiceInterface::robotServiceSetJointParam_PosP,
                              &ServiceInterface::robotServiceSetJointParam_PosI,
                              &ServiceInterface::robotServiceSetJointParam_PosD,
                              &ServiceInterface::robotServiceSetJointParam_PosDS};
    auto facade = loggedIn();
    int expectedType = 0;
    for (Setter setter : setters) {
        SCOPED_TRACE(expectedType);
        const int joint = 1 + expectedType % ARM_DOF;
        const uint16_t value = static_cast<uint16_t>(60000 + expectedType);
        ASSERT_EQ(((*facade).*setter)(joint, value), ErrnoSucc);
        const auto body = sim().lastRequestBody(tevo_sim::SetJointCommonData);
        ASSERT_TRUE(body.has_value());
        tevo::robot::communication::ProtoCommunicationIntVector sent;
        ASSERT_TRUE(sent.ParseFromString(*body));
        ASSERT_EQ(sent.value_size(), 3);
        EXPECT_EQ(sent.value(0), expectedType);
        EXPECT_EQ(sent.value(1), joint);
        EXPECT_EQ(sent.value(2), value);
        ++expectedType;
    }
}

struct SafetyCase {
    const char* revision;
    bool controllerKeepsValues;
    int expectedResult;
    uint64_t expectedWrites;
    uint64_t expectedReads;
};

class SafetyConfigTest : public FacadeTest, public ::testing::WithParamInterface<SafetyCase> {};

TEST_P(SafetyConfigTest, WritesOnlyToNewBoardsAndReadsBack) {
    const SafetyCase& c = GetParam();
    auto facade = loggedIn();
    tevo_sim::FaultRule devInfo;
    devInfo.rawBody = devInfoBody(c.revision);
    sim().setFault(tevo_sim::GetDeviceInfo, devInfo);
    if (!c.controllerKeepsValues) {
        tevo_sim::FaultRule ignore;
        ignore.skipStateChange = true;
        sim().setFault(tevo_sim::SetRobotSafetyConfig, ignore);
    }

    RobotSafetyConfig config;
    std::memset(&config, 0, sizeof config);
    for (int i = 0; i < ARM_DOF; ++i)
        config.robotReducedConfigJointSpeed[i] = static_cast<uint16_t>(111 + i);
    config.robotReducedConfigTcpSpeed = 777;
    config.robotReducedConfigTcpForce = 150;
    config.robotReducedConfigMomentum = 33;
    config.robotReducedConfigPower = 444;
    config.robotSafeguradResetConfig = 1;
    config.robotOperationalModeConfig = 1;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(facade->robotServiceSetRobotSafetyConfig(config), c.expectedResult);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(sim().requestCount(tevo_sim::SetRobotSafetyConfig), c.expectedWrites);
    EXPECT_EQ(sim().requestCount(tevo_sim::GetRobotSafetyConfig), c.expectedReads);
    if (c.expectedReads == 6) {
        EXPECT_GE(elapsed, 600ms);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Revisions, SafetyConfigTest,
    ::testing::Values(SafetyCase{"V3.0", true, ErrnoSucc, 0, 0},  // old board: nothing sent
                      SafetyCase{"V2.9", true, ErrnoSucc, 0, 0},
                      SafetyCase{"", true, ErrnoSucc, 0, 0},      // no revision text
                      SafetyCase{"V3.1", true, ErrnoSucc, 1, 1},  // read back at once
                      SafetyCase{"V4.0", true, ErrnoSucc, 1, 1},
                      SafetyCase{"V3.1", false, ErrCode_Failed, 1, 6}));  // never reported

// Without the board's revision nothing can be decided: the read's error is
// returned and nothing is written, never a success.
TEST_F(FacadeTest, SafetyConfigWriteReturnsTheDeviceReadError) {
    RobotSafetyConfig config;
    std::memset(&config, 0, sizeof config);
    {
        ServiceInterface offline;
        EXPECT_EQ(offline.robotServiceSetRobotSafetyConfig(config), ErrCode_SocketDisconnect);
    }
    auto facade = loggedIn();
    tevo_sim::FaultRule refuse;
    refuse.serverCode = tevo_sim::CodeProcessRequestFailed;
    sim().setFault(tevo_sim::GetDeviceInfo, refuse);
    EXPECT_EQ(facade->robotServiceSetRobotSafetyConfig(config), ErrCode_ResponseReturnError);
    EXPECT_EQ(sim().requestCount(tevo_sim::SetRobotSafetyConfig), 0u);
}

TEST_F(FacadeTest, CollisionGradeIsWrittenOnlyOnSuccess) {
    auto facade = loggedIn();
    int grade = -1;
    ASSERT_EQ(facade->robotServiceGetRobotCollisionCurrentService(grade), ErrnoSucc);
    EXPECT_EQ(grade, sim().snapshot().collisionClass);

    tevo_sim::FaultRule broken;
    broken.rawBody = std::string("\xff\xff\xff", 3);
    sim().setFault(tevo_sim::GetRobotCollisionCurrent, broken);
    grade = -1;
    EXPECT_NE(facade->robotServiceGetRobotCollisionCurrentService(grade), ErrnoSucc);
    EXPECT_EQ(grade, -1);
}

// The destructor must not return while a callback of this facade can still
// run, and must not leave threads behind, also with events still queued and
// pushes streaming in.
TEST_F(FacadeTest, DestructionWithCallbacksInFlight) {
    struct Slow {
        std::atomic<int> events{0};
    } slow;
    auto onEvent = [](const RobotEventInfo*, void* arg) {
        ++static_cast<Slow*>(arg)->events;
        std::this_thread::sleep_for(1ms);
    };
    Counter pushes;
    const int baseline = threadCount();
    {
        auto facade = loggedIn();
        facade->robotServiceRegisterRobotEventInfoCallback(onEvent, &slow);
        facade->robotServiceRegisterRealTimeJointStatusCallback(countJointStatus, &pushes);
        ASSERT_GT(sim().floodEvents(9000, 500), 0);
        ASSERT_TRUE(waitFor([&] { return slow.events.load() > 0 && pushes.calls.load() > 0; }));
    }
    const int afterDestroy = slow.events.load();
    const int pushesAfterDestroy = pushes.calls.load();
    EXPECT_TRUE(waitFor([&] { return threadCount() <= baseline; }));
    EXPECT_EQ(slow.events.load(), afterDestroy);
    EXPECT_EQ(pushes.calls.load(), pushesAfterDestroy);
}

// An event callback that keeps calling into its object while the object is
// being destroyed finds it disconnected, never released.
TEST_F(FacadeTest, CallbackCallingInDuringDestructionFindsTheObjectAlive) {
    struct Probe {
        ServiceInterface* facade = nullptr;
        std::atomic<bool> entered{false}, sawLogout{false}, left{false};
        std::atomic<int> callsAfterLogout{0};
    } probe;
    auto onEvent = [](const RobotEventInfo*, void* arg) {
        auto* p = static_cast<Probe*>(arg);
        if (p->entered.exchange(true)) return;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        bool connected = true;
        while (connected && std::chrono::steady_clock::now() < deadline)
            p->facade->robotServiceGetConnectStatus(connected);
        p->sawLogout = !connected;
        // Goes on calling for a while: the destructor must not release
        // anything this call may touch until the callback has returned.
        const auto end = std::chrono::steady_clock::now() + 200ms;
        while (std::chrono::steady_clock::now() < end) {
            RobotWorkMode mode;
            EXPECT_EQ(p->facade->robotServiceGetRobotWorkMode(mode), ErrCode_SocketDisconnect);
            ++p->callsAfterLogout;
        }
        p->left = true;
    };
    auto facade = loggedIn();
    probe.facade = facade.get();
    facade->robotServiceRegisterRobotEventInfoCallback(onEvent, &probe);
    sim().sendEvent({9001, 0, "start"});
    ASSERT_TRUE(waitFor([&] { return probe.entered.load(); }));
    facade.reset();
    EXPECT_TRUE(probe.left.load());  // the destructor waited for the callback
    EXPECT_TRUE(probe.sawLogout.load());
    EXPECT_GT(probe.callsAfterLogout.load(), 0);
}

// Destroying the object from inside its own event or push callback neither
// aborts (a thread joining itself) nor leaves threads or memory behind.
TEST_F(FacadeTest, DestroyingTheObjectFromItsOwnCallback) {
    struct Probe {
        ServiceInterface* facade = nullptr;
        std::atomic<int> calls{0};
        std::atomic<bool> destroyed{false};
    };
    struct Case {
        const char* name;
        std::function<void(ServiceInterface&, Probe&)> arm;
    };
    auto destroy = [](Probe& p) {
        if (p.calls.fetch_add(1) != 0) return;
        delete p.facade;
        p.destroyed = true;
    };
    static std::function<void(Probe&)> s_destroy;
    s_destroy = destroy;
    const Case cases[] = {
        {"event callback",
         [&](ServiceInterface& f, Probe& p) {
             f.robotServiceRegisterRobotEventInfoCallback(
                 [](const RobotEventInfo*, void* arg) { s_destroy(*static_cast<Probe*>(arg)); },
                 &p);
             sim().sendEvent({9001, 0, "destroy"});
         }},
        {"push callback",
         [&](ServiceInterface& f, Probe& p) {
             f.robotServiceRegisterRealTimeJointStatusCallback(
                 [](const JointStatus*, int, void* arg) { s_destroy(*static_cast<Probe*>(arg)); },
                 &p);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int baseline = threadCount();
        Probe probe;
        probe.facade = new ServiceInterface();
        ASSERT_EQ(probe.facade->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
        c.arm(*probe.facade, probe);
        ASSERT_TRUE(waitFor([&] { return probe.destroyed.load(); }));
        EXPECT_TRUE(waitFor([&] { return threadCount() <= baseline; }))
            << threadCount() << " vs " << baseline;
        EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
        EXPECT_EQ(probe.calls.load(), 1);  // nothing reached the object afterwards
    }
}

// Create, log in, log out and destroy many times: nothing may accumulate
// (run under AddressSanitizer for leaks) and no thread may survive.
TEST_F(FacadeTest, RepeatedLifecycleLeavesNoThreads) {
    const int baseline = threadCount();
    for (int i = 0; i < 200; ++i) {
        ServiceInterface facade;
        ASSERT_EQ(facade.robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc)
            << "cycle " << i;
        ASSERT_EQ(facade.robotServiceLogout(), ErrnoSucc);
    }
    EXPECT_TRUE(waitFor([&] { return threadCount() <= baseline; }))
        << threadCount() << " vs " << baseline;
    EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
}
