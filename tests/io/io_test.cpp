// Board and tool I/O through the facade against the in-process simulator:
// every write checked in the simulator's state, every read against inputs the
// simulator drives, bad input refused before anything is sent, controller
// failures passed on, and the tool's configuration read-back.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "robotcommunication.pb.h"
#include "support/simfixture.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;
namespace pbm = tevo::robot::communication;
namespace sim = tevo_sim;

namespace {

using Clock = std::chrono::steady_clock;

struct LogLines {
    std::mutex mutex;
    std::vector<std::pair<LOG_LEVEL, std::string>> lines;

    int count(const std::string& text, LOG_LEVEL level) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const auto& l : lines) n += l.first == level && l.second == text ? 1 : 0;
        return n;
    }
    int countContaining(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const auto& l : lines) n += l.second.find(text) != std::string::npos ? 1 : 0;
        return n;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex);
        lines.clear();
    }
};

void captureLog(LOG_LEVEL level, const char* text, void* arg) {
    auto* log = static_cast<LogLines*>(arg);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->lines.emplace_back(level, text);
}

// Reply bodies for replies the simulator would not send by itself.
std::string digitalReply(const std::vector<std::tuple<int, int, int>>& lines) {
    pbm::ProtoCommunicationRobotDiagnosisIOData r;
    r.set_type(0);
    auto* e = r.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
    for (const auto& [addr, type, value] : lines) {
        auto* d = r.add_iodesc();
        d->set_addr(addr);
        d->set_type(type);
        d->set_value(value);
    }
    return r.SerializeAsString();
}

std::string analogReply(const std::vector<float>& values) {
    pbm::ProtoCommunicationRobotAnalogIOData r;
    r.set_type(0);
    auto* e = r.add_errorinfo();
    e->set_errorcode(0);
    e->set_errormsg("");
    for (size_t i = 0; i < values.size(); ++i) {
        auto* d = r.add_iodesc();
        d->set_addr(static_cast<uint32_t>(i));
        d->set_type(RobotToolAI);
        d->set_value(values[i]);
    }
    return r.SerializeAsString();
}

sim::FaultRule rawReply(const std::string& body) {
    sim::FaultRule rule;
    rule.rawBody = body;
    return rule;
}

sim::FaultRule refusal(int32_t code) {
    sim::FaultRule rule;
    rule.serverCode = code;
    return rule;
}

// Accepts the command but leaves the controller's state as it was.
sim::FaultRule ignored() {
    sim::FaultRule rule;
    rule.skipStateChange = true;
    return rule;
}

constexpr double kUntouched = 42.0;

class IoTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        facade_ = std::make_unique<ServiceInterface>();
        facade_->robotServiceRegisterLogPrintCallback(captureLog, &log_);
        ASSERT_EQ(facade_->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
    }

    void TearDown() override {
        facade_->robotServiceRegisterLogPrintCallback(nullptr, nullptr);
        facade_.reset();
        SimFixture::TearDown();
    }

    // Supply off and every tool line an input, switched at once.
    void resetTool() {
        sim().clearFaults();
        sim().setToolPowerDelay(0ms);
        ASSERT_EQ(facade_->robotServiceSetToolPowerTypeAndDigitalIOType(OUT_0V, IO_IN, IO_IN, IO_IN,
                                                                        IO_IN),
                  ErrnoSucc);
        log_.clear();
    }

    std::unique_ptr<ServiceInterface> facade_;
    LogLines log_;
};

TEST_F(IoTest, BadInputIsRefusedWithItsLogLineAndSendsNothing) {
    ServiceInterface& f = *facade_;
    double value = kUntouched;
    std::vector<RobotIoDesc> list(2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<int()> call;
        const char* log;
    };
    const char* const addrMismatch = "sdk log:  Call getBoardIOStatus, type addr mismatch.";
    const char* const nameMismatch = "sdk log: Call getBoardIOStatus, type name mismatch.";
    const char* const setNameMismatch = "sdk log: Call setBoardIOStatus, type addr mismatch.";
    const char* const setDoMismatch =
        "sdk log: Call setBoardIOStatusByaddr DO, type addr mismatch.";
    const char* const setAoMismatch =
        "sdk log: Call setBoardIOStatusByaddr AO,  type addr mismatch.";
    const char* const toolNameError = "sdk log: Call getToolIoStatus name error.";
    const char* const toolDoName = "sdk log: setToolDOStatus name not exist.";
    const char* const toolDoAddr = "sdk log: setToolDOStatus addr error.";
    const Case cases[] = {
        {"user DO address 31",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserDO, 31, value); }, addrMismatch},
        {"user DI address 52",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserDI, 52, value); }, addrMismatch},
        {"controller DO address 28",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardControllerDO, 28, value); },
         addrMismatch},
        {"controller AI has no address",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardControllerAI, 0, value); },
         addrMismatch},
        {"negative address",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserAI, -1, value); }, addrMismatch},
        {"tool type by address",
         [&] { return f.robotServiceGetBoardIOStatus(RobotToolDI, 0, value); }, addrMismatch},
        {"name of another type",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserDI, "U_DO_00", value); },
         nameMismatch},
        {"unknown name",
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserDI, "U_DI_18", value); },
         nameMismatch},
        {"null name to read",
         [&] {
             return f.robotServiceGetBoardIOStatus(RobotBoardUserDI,
                                                   static_cast<const char*>(nullptr), value);
         },
         nameMismatch},
        {"tool name on the board",
         [&] { return f.robotServiceGetBoardIOStatus(RobotToolAI, std::string("T_AI_00"), value); },
         nameMismatch},
        {"list with a tool type",
         [&] {
             return f.robotServiceGetBoardIOStatus({RobotBoardUserDI, RobotToolDI}, list);
         },
         "sdk log: Call getBoardIOStatus RobotIoType not Exist."},
        {"set an input",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserDI, "U_DI_00", 1); },
         "sdk log: Call setBoardIOStatus, type not exist."},
        {"set a tool output by name",
         [&] { return f.robotServiceSetBoardIOStatus(RobotToolDO, "T_DI/O_00", 1); },
         "sdk log: Call setBoardIOStatus, type not exist."},
        {"set unknown name",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserDO, "U_DO_18", 1); },
         setNameMismatch},
        {"set null name",
         [&] {
             return f.robotServiceSetBoardIOStatus(RobotBoardUserDO,
                                                   static_cast<const char*>(nullptr), 1);
         },
         setNameMismatch},
        {"controller AO has no names",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardControllerAO, "VO0", 1); },
         setNameMismatch},
        {"user DO address 31",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserDO, 31, 1); }, setDoMismatch},
        {"controller DO address 28",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardControllerDO, 28, 1); },
         setDoMismatch},
        {"user AO address 4",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserAO, 4, 1); }, setAoMismatch},
        {"controller AO address 0",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardControllerAO, 0, 1); },
         setAoMismatch},
        {"analog NaN", [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserAO, 0, nan); },
         "sdk log: Call setBoardIOStatusByaddr AO, value invalid."},
        {"set an analog input",
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserAI, 0, 1); },
         "sdk log: Call setBoardIOStatusByaddr, type invalid."},
        {"set a tool type by address",
         [&] { return f.robotServiceSetBoardIOStatus(RobotToolDO, 0, 1); },
         "sdk log: Call setBoardIOStatusByaddr, type invalid."},
        {"tool line 4",
         [&] {
             return f.robotServiceSetToolDigitalIOType(static_cast<ToolDigitalIOAddr>(4), IO_OUT);
         },
         "sdk log: setToolDigitalIOType addr error."},
        {"tool power is not a readable point",
         [&] { return f.robotServiceGetToolIoStatus("T_POWER", value); }, toolNameError},
        {"board name on the tool", [&] { return f.robotServiceGetToolIoStatus("U_DI_00", value); },
         toolNameError},
        {"null tool name",
         [&] { return f.robotServiceGetToolIoStatus(static_cast<const char*>(nullptr), value); },
         toolNameError},
        {"set a tool analog input",
         [&] { return f.robotServiceSetToolDOStatus("T_AI_00", IO_STATUS_VALID); }, toolDoName},
        {"set null tool name",
         [&] {
             return f.robotServiceSetToolDOStatus(static_cast<const char*>(nullptr),
                                                  IO_STATUS_VALID);
         },
         toolDoName},
        {"tool line 259 (3 as a byte)",
         [&] {
             return f.robotServiceSetToolDOStatus(static_cast<ToolDigitalIOAddr>(259),
                                                  IO_STATUS_VALID);
         },
         toolDoAddr},
        {"tool line -1",
         [&] {
             return f.robotServiceSetToolDOStatus(static_cast<ToolDigitalIOAddr>(-1),
                                                  IO_STATUS_VALID);
         },
         toolDoAddr},
    };
    const uint64_t before = sim().totalRequests();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int logged = log_.count(c.log, LL_ERROR);
        EXPECT_EQ(c.call(), ErrCode_ParamError);
        EXPECT_EQ(log_.count(c.log, LL_ERROR), logged + 1);
    }
    EXPECT_EQ(sim().totalRequests(), before);
    EXPECT_EQ(value, kUntouched);
    EXPECT_TRUE(list.empty());
}

TEST_F(IoTest, BoardOutputsSetByNameAndByAddressReachTheController) {
    struct Case {
        RobotIoType type;
        const char* name;
        int addr;
    };
    const Case cases[] = {
        {RobotBoardUserDO, "U_DO_00", 32},    {RobotBoardUserDO, "U_DO_17", 47},
        {RobotBoardControllerDO, "SO12", 10}, {RobotBoardControllerDO, "LO03", 27},
        {RobotBoardUserAO, "CO1", 3},         {RobotBoardUserAO, "VO0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool analog = c.type == RobotBoardUserAO;
        // The outputs that are on, or the analog values, as the controller holds them.
        auto state = [&] {
            const sim::IoSnapshot s = sim().ioSnapshot();
            std::vector<double> v;
            if (analog) return std::vector<double>(s.boardAnalogOutputs, s.boardAnalogOutputs + 4);
            v.reserve(48);
            for (int a = 0; a < 48; ++a) v.push_back(s.boardDigitalOutputs[a]);
            return v;
        };
        std::vector<double> want = state();
        const double byName = analog ? 7.25 : 1.0;
        const double byAddr = analog ? -2.5 : 0.0;

        ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(c.type, c.name, byName), ErrnoSucc);
        want[c.addr] = byName;
        EXPECT_EQ(state(), want);
        double value = kUntouched;
        ASSERT_EQ(facade_->robotServiceGetBoardIOStatus(c.type, c.addr, value), ErrnoSucc);
        EXPECT_EQ(value, byName);

        ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(c.type, c.addr, byAddr), ErrnoSucc);
        want[c.addr] = byAddr;
        EXPECT_EQ(state(), want);
        ASSERT_EQ(facade_->robotServiceGetBoardIOStatus(c.type, std::string(c.name), value),
                  ErrnoSucc);
        EXPECT_EQ(value, byAddr);
    }
}

TEST_F(IoTest, DigitalOutputIsOnAboveHalf) {
    // Alternating levels, so that a set which changed nothing shows.
    const std::pair<double, uint32_t> cases[] = {{0.6, 1}, {0.5, 0},  {0.50001, 1}, {0.0, 0},
                                                 {2.0, 1}, {-1.0, 0}, {1.0, 1},     {0.4999, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(RobotBoardUserDO, "U_DO_00", c.first),
                  ErrnoSucc);
        EXPECT_EQ(sim().ioSnapshot().boardDigitalOutputs[32], c.second);
    }
}

TEST_F(IoTest, BoardReadsReportTheControllersInputsAndOutputs) {
    auto digitalIn = [](int addr) { return addr % 3 == 0 ? 1.0 : 0.0; };
    auto analogIn = [](int addr) { return 0.5 * addr + 0.25; };
    for (uint32_t a = 0; a < 52; ++a) ASSERT_TRUE(sim().setBoardDigitalInput(a, digitalIn(a) > 0));
    for (uint32_t a = 0; a < 4; ++a) {
        ASSERT_TRUE(sim().setBoardAnalogInput(a, static_cast<float>(analogIn(a))));
    }
    ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(RobotBoardUserDO, "U_DO_05", 1), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(RobotBoardControllerDO, "SO03", 1), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetBoardIOStatus(RobotBoardUserAO, "VO1", 3.0), ErrnoSucc);

    // The value every board point should report, by its type's kind.
    const sim::IoSnapshot out = sim().ioSnapshot();
    auto expected = [&](RobotIoType type, int addr) {
        switch (type % 4) {
            case 0:
                return digitalIn(addr);
            case 1:
                return static_cast<double>(out.boardDigitalOutputs[addr]);
            case 2:
                return analogIn(addr);
            default:
                return static_cast<double>(out.boardAnalogOutputs[addr]);
        }
    };
    const std::vector<RobotIoType> board = {RobotBoardControllerDI, RobotBoardControllerDO,
                                            RobotBoardControllerAI, RobotBoardControllerAO,
                                            RobotBoardUserDI,       RobotBoardUserDO,
                                            RobotBoardUserAI,       RobotBoardUserAO};
    std::vector<RobotIoDesc> config, status;
    ASSERT_EQ(facade_->robotServiceGetBoardIOConfig(board, config), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceGetBoardIOStatus(board, status), ErrnoSucc);
    ASSERT_EQ(status.size(), 104u);
    ASSERT_EQ(status.size(), config.size());
    for (size_t i = 0; i < status.size(); ++i) {
        const RobotIoDesc& d = status[i];
        SCOPED_TRACE(d.ioName);
        EXPECT_STREQ(d.ioName, config[i].ioName);  // same points, same order
        EXPECT_EQ(d.ioAddr, config[i].ioAddr);
        EXPECT_FLOAT_EQ(d.ioValue, expected(d.ioType, d.ioAddr));

        // Each point read on its own, by name and by address.
        double byName = kUntouched, byAddr = kUntouched;
        ASSERT_EQ(facade_->robotServiceGetBoardIOStatus(d.ioType, d.ioName, byName), ErrnoSucc);
        ASSERT_EQ(facade_->robotServiceGetBoardIOStatus(d.ioType, d.ioAddr, byAddr), ErrnoSucc);
        EXPECT_FLOAT_EQ(byName, d.ioValue);
        EXPECT_FLOAT_EQ(byAddr, d.ioValue);
    }
}

TEST_F(IoTest, BoardListBeyondTheControllersListReportsMinusOne) {
    std::vector<std::tuple<int, int, int>> shortList;
    shortList.reserve(40);
    for (int a = 0; a < 40; ++a) shortList.emplace_back(a, a >= 32 ? 5 : 1, 1);
    sim().setFault(sim::GetInterfaceBoardAllDOData, rawReply(digitalReply(shortList)));
    std::vector<RobotIoDesc> status;
    ASSERT_EQ(facade_->robotServiceGetBoardIOStatus({RobotBoardUserDO}, status), ErrnoSucc);
    ASSERT_EQ(status.size(), 16u);
    for (const RobotIoDesc& d : status) {
        SCOPED_TRACE(d.ioName);
        EXPECT_EQ(d.ioValue, d.ioAddr < 40 ? 1.0 : -1.0);
    }
    EXPECT_STREQ(status[8].ioName, "U_DO_10");
    EXPECT_EQ(status[8].ioValue, -1.0);
}

TEST_F(IoTest, ControllerFailuresComeBackUnchanged) {
    ServiceInterface& f = *facade_;
    double value = kUntouched;
    ToolPowerType power = OUT_12V;
    std::vector<RobotIoDesc> list;
    struct Case {
        const char* what;
        int32_t cmd;
        std::function<int()> call;
        std::vector<int32_t> notSent;  // commands that must not follow the failure
    };
    const std::vector<int32_t> boardRest[] = {
        {sim::GetInterfaceBoardAllDOData, sim::GetInterfaceBoardAllAIData,
         sim::GetInterfaceBoardAllAOData},
        {sim::GetInterfaceBoardAllAIData, sim::GetInterfaceBoardAllAOData},
        {sim::GetInterfaceBoardAllAOData},
        {},
    };
    const int32_t boardLists[] = {sim::GetInterfaceBoardAllDIData, sim::GetInterfaceBoardAllDOData,
                                  sim::GetInterfaceBoardAllAIData, sim::GetInterfaceBoardAllAOData};
    auto readBoard = [&] {
        list.resize(3);
        return f.robotServiceGetBoardIOStatus({RobotBoardUserDI, RobotBoardUserAO}, list);
    };
    auto readBack =
        std::vector<int32_t>{sim::GetToolPowerVoltageType, sim::GetToolAllDigitalIOStatus};
    std::vector<Case> cases = {
        {"DI by name",
         sim::GetInterfaceBoardOneDIStatus,
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserDI, "U_DI_00", value); },
         {}},
        {"DO by address",
         sim::GetInterfaceBoardOneDOStatus,
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardControllerDO, 3, value); },
         {}},
        {"AI",
         sim::GetInterfaceBoardOneAIStatus,
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserAI, "VI0", value); },
         {}},
        {"AO",
         sim::GetInterfaceBoardOneAOStatus,
         [&] { return f.robotServiceGetBoardIOStatus(RobotBoardUserAO, 1, value); },
         {}},
        {"set DO",
         sim::SetInterfaceBoardOneDOStatus,
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserDO, "U_DO_01", 1); },
         {}},
        {"set AO",
         sim::SetInterfaceBoardOneAOStatus,
         [&] { return f.robotServiceSetBoardIOStatus(RobotBoardUserAO, 2, 1.5); },
         {}},
        {"tool power type",
         sim::GetToolPowerVoltageType,
         [&] { return f.robotServiceGetToolPowerVoltageType(power); },
         {}},
        {"tool voltage",
         sim::GetToolPowerVoltage,
         [&] { return f.robotServiceGetToolPowerVoltageStatus(value); },
         {}},
        {"tool lines",
         sim::GetToolAllDigitalIOStatus,
         [&] { return f.robotServiceGetAllToolDigitalIOStatus(list); },
         {}},
        {"tool line by name",
         sim::GetToolAllDigitalIOStatus,
         [&] { return f.robotServiceGetToolIoStatus("T_DI/O_01", value); },
         {}},
        {"tool analog inputs",
         sim::GetToolAllAIStatus,
         [&] { return f.robotServiceGetAllToolAIStatus(list); },
         {}},
        {"tool analog by name",
         sim::GetToolAllAIStatus,
         [&] { return f.robotServiceGetToolIoStatus("T_AI_01", value); },
         {}},
        {"set tool line level",
         sim::SetToolDigitalIOStatus,
         [&] { return f.robotServiceSetToolDOStatus("T_DI/O_02", IO_STATUS_VALID); },
         {}},
        {"set tool supply", sim::SetToolPowerVoltageType,
         [&] { return f.robotServiceSetToolPowerVoltageType(OUT_24V); }, readBack},
        {"set tool line direction", sim::SetToolDigitalIOType,
         [&] { return f.robotServiceSetToolDigitalIOType(TOOL_DIGITAL_IO_1, IO_OUT); }, readBack},
        {"set tool supply and directions", sim::SetToolPowerTypeAndDigitalIOType,
         [&] {
             return f.robotServiceSetToolPowerTypeAndDigitalIOType(OUT_12V, IO_OUT, IO_OUT, IO_IN,
                                                                   IO_IN);
         },
         readBack},
    };
    for (int i = 0; i < 4; ++i)
        cases.push_back({"board list", boardLists[i], readBoard, boardRest[i]});

    const std::pair<int32_t, int> codes[] = {
        {sim::CodeRealRobotNoExist, ErrCode_RealRobotNoExist},
        {sim::CodeProcessRequestFailed, ErrCode_ResponseReturnError}};
    for (const Case& c : cases) {
        for (const auto& code : codes) {
            SCOPED_TRACE(std::string(c.what) + ", controller code " + std::to_string(code.first));
            sim().setFault(c.cmd, refusal(code.first));
            std::vector<uint64_t> sentBefore;
            for (int32_t cmd : c.notSent) sentBefore.push_back(sim().requestCount(cmd));
            const uint64_t before = sim().requestCount(c.cmd);
            EXPECT_EQ(c.call(), code.second);
            EXPECT_EQ(sim().requestCount(c.cmd), before + 1);
            for (size_t k = 0; k < c.notSent.size(); ++k) {
                EXPECT_EQ(sim().requestCount(c.notSent[k]), sentBefore[k]) << c.notSent[k];
            }
            sim().clearFault(c.cmd);
        }
    }
    EXPECT_EQ(value, kUntouched);
    EXPECT_EQ(power, OUT_12V);
    EXPECT_TRUE(list.empty());
    const sim::IoSnapshot s = sim().ioSnapshot();
    EXPECT_EQ(s.boardDigitalOutputs[33], 0u);
    EXPECT_EQ(s.toolPowerType, 0u);
    EXPECT_EQ(s.toolIoType[1], 0u);
    // The setters name what failed.
    EXPECT_EQ(log_.count("sdk log: Setting tool voltage type failed. ret = 10024", LL_ERROR), 1);
    EXPECT_EQ(log_.count("sdk log: Setting tool digital io type failed. ret = 10023", LL_ERROR), 1);
    EXPECT_EQ(
        log_.count("sdk log: Setting tool voltage type and digital io type failed. ret = 10024",
                   LL_ERROR),
        1);
}

TEST_F(IoTest, ToolSupplySwitchesAndReadsBack) {
    struct Case {
        ToolPowerType type;
        uint32_t state;
        double voltage;
    };
    const Case cases[] = {{OUT_24V, 2, 24}, {OUT_12V, 1, 12}, {OUT_0V, 0, 0}, {OUT_12V, 1, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_EQ(facade_->robotServiceSetToolPowerVoltageType(c.type), ErrnoSucc);
        EXPECT_EQ(sim().ioSnapshot().toolPowerType, c.state);
        ToolPowerType power = static_cast<ToolPowerType>(-1);
        ASSERT_EQ(facade_->robotServiceGetToolPowerVoltageType(power), ErrnoSucc);
        EXPECT_EQ(power, c.type);
        double voltage = -1;
        ASSERT_EQ(facade_->robotServiceGetToolPowerVoltageStatus(voltage), ErrnoSucc);
        EXPECT_EQ(voltage, c.voltage);
    }
    EXPECT_EQ(log_.countContaining("number times"), 0);
}

TEST_F(IoTest, ToolSupplyReadBackWaitsForTheToolToSwitch) {
    sim().setToolPowerDelay(250ms);
    const auto started = Clock::now();
    ASSERT_EQ(facade_->robotServiceSetToolPowerVoltageType(OUT_12V), ErrnoSucc);
    EXPECT_GE(Clock::now() - started, 250ms);
    EXPECT_EQ(sim().ioSnapshot().toolPowerType, 1u);
    // The first look, 150 ms after the command, still saw the old supply.
    EXPECT_EQ(log_.count("sdk log: Real-time tool voltage type does not match expectations, "
                         "number times:1",
                         LL_WARN),
              1);
}

TEST_F(IoTest, ReadBackThatNeverConfirmsFailsAfterThreeLooks) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<int(ServiceInterface&)> call;
        std::vector<std::string> warnings;  // each logged once per look
        int32_t readBackCmd;
        int32_t notRead;  // -1: none
    };
    const char* const voltageDiffers =
        "sdk log: Real-time tool voltage type does not match expectations, number times:";
    const char* const linesDiffer =
        "sdk log: Real-time tool digital io type does not match expectations, number times:";
    const Case cases[] = {
        {"supply slower than the read-back",
         [&] { sim().setToolPowerDelay(60s); },
         [](ServiceInterface& f) { return f.robotServiceSetToolPowerVoltageType(OUT_24V); },
         {voltageDiffers},
         sim::GetToolPowerVoltageType,
         -1},
        {"supply read fails",
         [&] {
             sim().setFault(sim::GetToolPowerVoltageType, refusal(sim::CodeProcessRequestFailed));
         },
         [](ServiceInterface& f) { return f.robotServiceSetToolPowerVoltageType(OUT_12V); },
         {"sdk log: get tool voltage type failed, number times:"},
         sim::GetToolPowerVoltageType,
         -1},
        {"line direction ignored",
         [&] { sim().setFault(sim::SetToolDigitalIOType, ignored()); },
         [](ServiceInterface& f) {
             return f.robotServiceSetToolDigitalIOType(TOOL_DIGITAL_IO_2, IO_OUT);
         },
         {linesDiffer, "sdk log: Current state: io2-0", "sdk log: target  state: io2-1"},
         sim::GetToolAllDigitalIOStatus,
         -1},
        {"line read fails",
         [&] {
             sim().setFault(sim::GetToolAllDigitalIOStatus, refusal(sim::CodeProcessRequestFailed));
         },
         [](ServiceInterface& f) {
             return f.robotServiceSetToolDigitalIOType(TOOL_DIGITAL_IO_0, IO_OUT);
         },
         {"sdk log: get tool digital io type failed, number times:"},
         sim::GetToolAllDigitalIOStatus,
         -1},
        {"supply matches, directions ignored",
         [&] { sim().setFault(sim::SetToolPowerTypeAndDigitalIOType, ignored()); },
         [](ServiceInterface& f) {
             return f.robotServiceSetToolPowerTypeAndDigitalIOType(OUT_0V, IO_OUT, IO_IN, IO_OUT,
                                                                   IO_IN);
         },
         {linesDiffer, "sdk log: Current state: io0-0  io1-0  io2-0  io3-0",
          "sdk log: target  state: io0-1  io1-0  io2-1  io3-0"},
         sim::GetToolAllDigitalIOStatus,
         -1},
        {"supply differs: the lines are not read",
         [&] { sim().setToolPowerDelay(60s); },
         [](ServiceInterface& f) {
             return f.robotServiceSetToolPowerTypeAndDigitalIOType(OUT_24V, IO_OUT, IO_IN, IO_OUT,
                                                                   IO_IN);
         },
         {voltageDiffers},
         sim::GetToolPowerVoltageType,
         sim::GetToolAllDigitalIOStatus},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetTool();
        c.arrange();
        const uint64_t reads = sim().requestCount(c.readBackCmd);
        const uint64_t notRead = c.notRead < 0 ? 0 : sim().requestCount(c.notRead);
        const auto started = Clock::now();
        EXPECT_EQ(c.call(*facade_), ErrCode_Failed);
        EXPECT_GE(Clock::now() - started, 450ms);
        EXPECT_EQ(sim().requestCount(c.readBackCmd), reads + 3);
        if (c.notRead >= 0) {
            EXPECT_EQ(sim().requestCount(c.notRead), notRead);
        }
        for (int look = 1; look <= 3; ++look) {
            const std::string numbered = c.warnings[0] + std::to_string(look);
            EXPECT_EQ(log_.count(numbered, LL_WARN), 1) << numbered;
        }
        for (size_t w = 1; w < c.warnings.size(); ++w) {
            EXPECT_EQ(log_.count(c.warnings[w], LL_WARN), 3) << c.warnings[w];
        }
    }
}

TEST_F(IoTest, ToolLinesTakeTheirDirectionsAndLevels) {
    ASSERT_EQ(facade_->robotServiceSetToolPowerTypeAndDigitalIOType(OUT_12V, IO_OUT, IO_IN, IO_OUT,
                                                                    IO_IN),
              ErrnoSucc);
    sim::IoSnapshot s = sim().ioSnapshot();
    EXPECT_EQ(s.toolPowerType, 1u);
    EXPECT_EQ(std::vector<uint32_t>(s.toolIoType, s.toolIoType + 4),
              (std::vector<uint32_t>{1, 0, 1, 0}));
    ASSERT_EQ(facade_->robotServiceSetToolDigitalIOType(TOOL_DIGITAL_IO_1, IO_OUT), ErrnoSucc);
    EXPECT_EQ(sim().ioSnapshot().toolIoType[1], 1u);

    // Levels by name and by address; each set flips exactly one line.
    struct Case {
        std::function<int()> set;
        int line;
        uint32_t level;
    };
    ServiceInterface& f = *facade_;
    const Case cases[] = {
        {[&] { return f.robotServiceSetToolDOStatus("T_DI/O_03", IO_STATUS_VALID); }, 3, 1},
        {[&] { return f.robotServiceSetToolDOStatus(TOOL_DIGITAL_IO_1, IO_STATUS_VALID); }, 1, 1},
        {[&] { return f.robotServiceSetToolDOStatus(std::string("T_DI/O_00"), IO_STATUS_VALID); },
         0, 1},
        {[&] { return f.robotServiceSetToolDOStatus("T_DI/O_03", IO_STATUS_INVALID); }, 3, 0},
    };
    std::vector<uint32_t> levels(4, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_EQ(c.set(), ErrnoSucc);
        levels[c.line] = c.level;
        s = sim().ioSnapshot();
        EXPECT_EQ(std::vector<uint32_t>(s.toolIoLevel, s.toolIoLevel + 4), levels);
    }

    std::vector<RobotIoDesc> lines;
    ASSERT_EQ(facade_->robotServiceGetAllToolDigitalIOStatus(lines), ErrnoSucc);
    ASSERT_EQ(lines.size(), 4u);
    const RobotIoType types[] = {RobotToolDO, RobotToolDO, RobotToolDO, RobotToolDI};
    for (int i = 0; i < 4; ++i) {
        const std::string name = "T_DI/O_0" + std::to_string(i);
        EXPECT_EQ(lines[i].ioName, name);
        EXPECT_EQ(lines[i].ioId, name);
        EXPECT_EQ(lines[i].ioAddr, i);
        EXPECT_EQ(lines[i].ioType, types[i]);
        EXPECT_EQ(lines[i].ioValue, levels[i]);
        double value = kUntouched;
        ASSERT_EQ(facade_->robotServiceGetToolIoStatus(name, value), ErrnoSucc);
        EXPECT_EQ(value, levels[i]);
    }
}

TEST_F(IoTest, ToolAnalogInputsByListAndByName) {
    ASSERT_TRUE(sim().setToolAnalogInput(0, 1.25));
    ASSERT_TRUE(sim().setToolAnalogInput(1, 4.5));
    std::vector<RobotIoDesc> inputs;
    ASSERT_EQ(facade_->robotServiceGetAllToolAIStatus(inputs), ErrnoSucc);
    ASSERT_EQ(inputs.size(), 2u);
    const std::pair<const char*, double> want[] = {{"T_AI_00", 1.25}, {"T_AI_01", 4.5}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ(inputs[i].ioName, want[i].first);
        EXPECT_EQ(inputs[i].ioType, RobotToolAI);
        EXPECT_EQ(inputs[i].ioAddr, i);
        EXPECT_EQ(inputs[i].ioValue, want[i].second);
        double value = kUntouched;
        ASSERT_EQ(facade_->robotServiceGetToolIoStatus(want[i].first, value), ErrnoSucc);
        EXPECT_EQ(value, want[i].second);
    }
}

TEST_F(IoTest, ToolRepliesOutOfTheOrdinary) {
    // A line the tool does not have is skipped; the others keep the
    // controller's order.
    sim().setFault(sim::GetToolAllDigitalIOStatus,
                   rawReply(digitalReply({{3, 1, 0}, {0, 1, 0}, {7, 0, 1}, {2, 0, 0}, {1, 0, 1}})));
    std::vector<RobotIoDesc> lines;
    ASSERT_EQ(facade_->robotServiceGetAllToolDigitalIOStatus(lines), ErrnoSucc);
    std::vector<int> addrs;
    addrs.reserve(lines.size());
    for (const RobotIoDesc& d : lines) addrs.push_back(d.ioAddr);
    EXPECT_EQ(addrs, (std::vector<int>{3, 0, 2, 1}));
    // Lines are found by their address wherever the controller lists them.
    double value = kUntouched;
    ASSERT_EQ(facade_->robotServiceGetToolIoStatus("T_DI/O_01", value), ErrnoSucc);
    EXPECT_EQ(value, 1.0);
    ASSERT_EQ(facade_->robotServiceSetToolDigitalIOType(TOOL_DIGITAL_IO_3, IO_OUT), ErrnoSucc);
    EXPECT_EQ(log_.countContaining("number times"), 0);

    // A reply without the line asked for is no value.
    sim().setFault(sim::GetToolAllDigitalIOStatus, rawReply(digitalReply({{0, 0, 1}})));
    value = kUntouched;
    EXPECT_EQ(facade_->robotServiceGetToolIoStatus("T_DI/O_03", value), ErrCode_Failed);
    EXPECT_EQ(value, kUntouched);
    EXPECT_EQ(log_.count("sdk log: Call getToolIoStatus, T_DI/O_03 not reported.", LL_ERROR), 1);
    ASSERT_EQ(facade_->robotServiceGetToolIoStatus("T_DI/O_00", value), ErrnoSucc);
    EXPECT_EQ(value, 1.0);

    sim().setFault(sim::GetToolAllAIStatus, rawReply(analogReply({2.5f})));
    std::vector<RobotIoDesc> inputs;
    ASSERT_EQ(facade_->robotServiceGetAllToolAIStatus(inputs), ErrnoSucc);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_STREQ(inputs[0].ioName, "T_AI_00");
    value = kUntouched;
    EXPECT_EQ(facade_->robotServiceGetToolIoStatus("T_AI_01", value), ErrCode_Failed);
    EXPECT_EQ(value, kUntouched);
}

TEST_F(IoTest, OnlineModesReadTheirControllerInputsByName) {
    struct Case {
        std::function<int(bool&)> read;
        uint32_t addr;
        bool whenRefused;  // what a failed read reports
    };
    ServiceInterface& f = *facade_;
    const Case cases[] = {
        {[&](bool& on) { return f.robotServiceIsOnlineMode(on); }, 16, false},
        {[&](bool& on) { return f.robotServiceIsOnlineMasterMode(on); }, 17, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.addr);
        for (bool high : {false, true}) {
            ASSERT_TRUE(sim().setBoardDigitalInput(c.addr, high));
            bool on = high;
            ASSERT_EQ(c.read(on), ErrnoSucc);
            EXPECT_EQ(on, !high);
            pbm::ProtoCommunicationRobotDiagnosisIOData sent;
            ASSERT_TRUE(sent.ParseFromString(
                sim().lastRequestBody(sim::GetInterfaceBoardOneDIStatus).value_or("")));
            ASSERT_EQ(sent.iodesc_size(), 1);
            EXPECT_EQ(sent.iodesc(0).addr(), c.addr);
        }
        sim().setFault(sim::GetInterfaceBoardOneDIStatus, refusal(sim::CodeRealRobotNoExist));
        bool on = !c.whenRefused;
        EXPECT_EQ(c.read(on), ErrCode_RealRobotNoExist);
        EXPECT_EQ(on, c.whenRefused);
        sim().clearFaults();
    }
}

}  // namespace
