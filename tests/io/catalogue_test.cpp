// The I/O catalogue without a controller: the board's points per type in name
// order with their addresses, refused types, and the description records.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotioservice.h"

using namespace tevo_robot_namespace;

namespace {

struct LogLines {
    std::mutex mutex;
    std::vector<std::string> lines;
    int count(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        int n = 0;
        for (const auto& l : lines) n += l == text ? 1 : 0;
        return n;
    }
};

void captureLog(LOG_LEVEL, const char* text, void* arg) {
    auto* log = static_cast<LogLines*>(arg);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->lines.emplace_back(text);
}

struct Point {
    RobotIoType type;
    const char* name;
    int addr;
};

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { facade_.robotServiceRegisterLogPrintCallback(captureLog, &log_); }
    void TearDown() override { facade_.robotServiceRegisterLogPrintCallback(nullptr, nullptr); }

    ServiceInterface facade_;
    LogLines log_;
};

TEST_F(CatalogueTest, BoardConfigListsEachTypeInNameOrderWithItsAddresses) {
    struct Case {
        const char* what;
        std::vector<RobotIoType> types;
        size_t count;
        std::vector<Point> first;     // the listing starts with these, in order
        std::vector<Point> contains;  // anywhere in the listing
        int addrLo, addrHi;           // a single type's addresses: exactly lo..hi
    };
    const Case cases[] = {
        {"controller DI",
         {RobotBoardControllerDI},
         30,
         {{RobotBoardControllerDI, "CI00", 16},
          {RobotBoardControllerDI, "CI01", 17},
          {RobotBoardControllerDI, "CI02", 18},
          {RobotBoardControllerDI, "CI03", 19},
          {RobotBoardControllerDI, "CI10", 20},
          {RobotBoardControllerDI, "CI11", 21},
          {RobotBoardControllerDI, "CI12", 22},
          {RobotBoardControllerDI, "CI13", 23},
          {RobotBoardControllerDI, "LI00", 24}},
         {{RobotBoardControllerDI, "LI05", 29},
          {RobotBoardControllerDI, "SI00", 0},
          {RobotBoardControllerDI, "SI07", 7},
          {RobotBoardControllerDI, "SI12", 10},
          {RobotBoardControllerDI, "SI17", 15}},
         0,
         29},
        {"controller DO",
         {RobotBoardControllerDO},
         28,
         {{RobotBoardControllerDO, "CO00", 16}, {RobotBoardControllerDO, "CO01", 17}},
         {{RobotBoardControllerDO, "CO13", 23},
          {RobotBoardControllerDO, "LO03", 27},
          {RobotBoardControllerDO, "SO12", 10},
          {RobotBoardControllerDO, "SO17", 15}},
         0,
         27},
        {"controller AI", {RobotBoardControllerAI}, 0, {}, {}, 0, -1},
        {"controller AO", {RobotBoardControllerAO}, 0, {}, {}, 0, -1},
        {"user DI",
         {RobotBoardUserDI},
         22,
         {{RobotBoardUserDI, "F1", 30},
          {RobotBoardUserDI, "F2", 31},
          {RobotBoardUserDI, "F3", 32},
          {RobotBoardUserDI, "F4", 33},
          {RobotBoardUserDI, "F5", 34},
          {RobotBoardUserDI, "F6", 35},
          {RobotBoardUserDI, "U_DI_00", 36}},
         {{RobotBoardUserDI, "U_DI_07", 43},
          {RobotBoardUserDI, "U_DI_10", 44},
          {RobotBoardUserDI, "U_DI_15", 49},
          {RobotBoardUserDI, "U_DI_17", 51}},
         30,
         51},
        {"user DO",
         {RobotBoardUserDO},
         16,
         {{RobotBoardUserDO, "U_DO_00", 32}, {RobotBoardUserDO, "U_DO_01", 33}},
         {{RobotBoardUserDO, "U_DO_03", 35},
          {RobotBoardUserDO, "U_DO_10", 40},
          {RobotBoardUserDO, "U_DO_17", 47}},
         32,
         47},
        {"user AI",
         {RobotBoardUserAI},
         4,
         {{RobotBoardUserAI, "VI0", 0},
          {RobotBoardUserAI, "VI1", 1},
          {RobotBoardUserAI, "VI2", 2},
          {RobotBoardUserAI, "VI3", 3}},
         {},
         0,
         3},
        {"user AO",
         {RobotBoardUserAO},
         4,
         {{RobotBoardUserAO, "CO0", 2},
          {RobotBoardUserAO, "CO1", 3},
          {RobotBoardUserAO, "VO0", 0},
          {RobotBoardUserAO, "VO1", 1}},
         {},
         0,
         3},
        {"types in the order asked",
         {RobotBoardUserAO, RobotBoardUserDO},
         20,
         {{RobotBoardUserAO, "CO0", 2},
          {RobotBoardUserAO, "CO1", 3},
          {RobotBoardUserAO, "VO0", 0},
          {RobotBoardUserAO, "VO1", 1},
          {RobotBoardUserDO, "U_DO_00", 32}},
         {},
         0,
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RobotIoDesc> config(3);  // stale content is replaced
        ASSERT_EQ(facade_.robotServiceGetBoardIOConfig(c.types, config), ErrnoSucc);
        ASSERT_EQ(config.size(), c.count);
        auto same = [](const RobotIoDesc& d, const Point& p) {
            return d.ioType == p.type && std::string(d.ioName) == p.name && d.ioAddr == p.addr;
        };
        for (size_t i = 0; i < c.first.size(); ++i) {
            EXPECT_TRUE(same(config[i], c.first[i])) << "position " << i << ": " << c.first[i].name;
        }
        for (const Point& p : c.contains) {
            bool found = false;
            for (const RobotIoDesc& d : config) found = found || same(d, p);
            EXPECT_TRUE(found) << p.name;
        }
        std::set<int> addrs;
        for (size_t i = 0; i < config.size(); ++i) {
            const RobotIoDesc& d = config[i];
            EXPECT_STREQ(d.ioId, d.ioName);
            EXPECT_EQ(d.ioValue, -1.0);
            addrs.insert(d.ioAddr);
            if (i > 0 && config[i - 1].ioType == d.ioType) {
                EXPECT_LT(std::string(config[i - 1].ioName), std::string(d.ioName));
            }
        }
        if (c.addrHi >= c.addrLo) {
            EXPECT_EQ(addrs.size(), config.size());  // one point per address
            EXPECT_EQ(*addrs.begin(), c.addrLo);
            EXPECT_EQ(*addrs.rbegin(), c.addrHi);
            EXPECT_EQ(addrs.size(), static_cast<size_t>(c.addrHi - c.addrLo + 1));
        }
    }
}

TEST_F(CatalogueTest, BoardConfigRefusesTypesOffTheBoardAndLeavesTheListEmpty) {
    const std::vector<RobotIoType> cases[] = {
        {RobotBoardUserDI, RobotToolDI},
        {RobotToolAO},
        {static_cast<RobotIoType>(12)},
        {RobotBoardUserDO, static_cast<RobotIoType>(-1)},
    };
    int refusals = 0;
    for (const auto& types : cases) {
        std::vector<RobotIoDesc> config(2);
        EXPECT_EQ(facade_.robotServiceGetBoardIOConfig(types, config), ErrCode_ParamError);
        EXPECT_TRUE(config.empty());
        EXPECT_EQ(log_.count("sdk log: Call getBoardIOConfig IO type error."), ++refusals);
    }
}

TEST(RobotIoDescTest, InitKeepsTextsTerminatedAndZeroesTheRest) {
    const std::string longName(40, 'n');
    struct Case {
        const char* id;
        const char* name;
        std::string wantId, wantName;
    };
    const Case cases[] = {
        {"U_DO_00", "U_DO_00", "U_DO_00", "U_DO_00"},
        {longName.c_str(), longName.c_str(), std::string(31, 'n'), std::string(31, 'n')},
        {nullptr, nullptr, "", ""},
    };
    for (const Case& c : cases) {
        RobotIoDesc desc;
        std::memset(&desc, 0x7f, sizeof(desc));
        RobotIoService::initRobotIoDesc(desc, c.id, RobotBoardUserAO, c.name, 3, 2.5);
        EXPECT_EQ(std::string(desc.ioId), c.wantId);
        EXPECT_EQ(std::string(desc.ioName), c.wantName);
        for (size_t i = c.wantName.size(); i < sizeof(desc.ioName); ++i) {
            EXPECT_EQ(desc.ioName[i], 0) << i;
        }
        EXPECT_EQ(desc.ioType, RobotBoardUserAO);
        EXPECT_EQ(desc.ioAddr, 3);
        EXPECT_EQ(desc.ioValue, 2.5);
    }
}

}  // namespace
