// Offline tracks through the facade against the in-process simulator (batch
// limits, file upload in batches, playback, pass-through streaming, the
// excitation trajectory), and the conversion of tool-pose lines and files to
// flange waypoints.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/ikfunc.h"
#include "kinematics/logcapture.h"
#include "support/armfixture.h"
#include "support/tempfile.h"

using namespace tevo_robot_namespace;
namespace trn = tevo_robot_namespace;  // the kinematics core has twins of these types
using namespace std::chrono_literals;

namespace {

using Joints = std::array<double, 6>;
constexpr int kOfflineAppend = 71;  // command types as the simulator counts them
constexpr int kSetPosData2Canbus = 77;

// A smooth joint path near the simulator's home pose.
Joints pathJoints(int i, int count) {
    const double s = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
    return {0.3 * std::sin(s * 3.0), -0.2618 + 0.1 * s, 1.7453 - 0.2 * s,
            0.4363 + 0.1 * s,        1.5708 - 0.2 * s,  0.3 * s};
}

using tevo_test::TempFile;

std::string jointFile(int lines) {
    std::string text;
    char line[200];
    for (int i = 0; i < lines; ++i) {
        const Joints q = pathJoints(i, lines);
        std::snprintf(line, sizeof line, "%.9f,%.9f,%.9f,%.9f,%.9f,%.9f\n", q[0], q[1], q[2], q[3],
                      q[4], q[5]);
        text += line;
    }
    return text;
}

class TracksTest : public tevo_test::StartedArmFixture {
protected:
    // Streamed targets here jump and pause: a watchdog and jump bound that
    // let them through.
    tevo_sim::SimOptions simOptions() const override {
        tevo_sim::SimOptions o = StartedArmFixture::simOptions();
        o.servoWatchdog = std::chrono::seconds(2);
        return o;
    }

    std::vector<trn::wayPoint_S> waypoints(int count) {
        std::vector<trn::wayPoint_S> out(count);
        for (int i = 0; i < count; ++i) {
            const Joints q = pathJoints(i, count);
            facade_->robotServiceRobotFk(q.data(), ARM_DOF, out[i]);
        }
        return out;
    }

    bool armAt(const Joints& q, double tol = 1e-6) {
        const auto snap = sim().snapshot();
        for (int i = 0; i < 6; ++i)
            if (std::fabs(snap.joints[i] - q[i]) > tol) return false;
        return true;
    }
};

TEST_F(TracksTest, BatchLimitOfOneAppend) {
    struct Case {
        int count;
        int expected;
        uint64_t requests;
    };
    for (const Case& c : {Case{5000, ErrnoSucc, 1}, Case{5001, ErrCode_ParamError, 0}}) {
        SCOPED_TRACE(c.count);
        ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
        const uint64_t before = sim().requestCount(kOfflineAppend);
        EXPECT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(waypoints(c.count)), c.expected);
        EXPECT_EQ(sim().requestCount(kOfflineAppend) - before, c.requests);
        EXPECT_EQ(sim().offlineTrackJoints().size(), c.expected == ErrnoSucc ? 5000u : 0u);
    }
}

TEST_F(TracksTest, FileUploadInBatches) {
    struct Case {
        const char* name;
        int lines;  // -1: no file
        bool refuse;
        int expected;  // -1: any refusal
        uint64_t requests;
        size_t stored;
    };
    const Case cases[] = {
        {"4500 lines", 4500, false, ErrnoSucc, 3, 4500},
        {"whole batches", 4000, false, ErrnoSucc, 2, 4000},
        {"empty file", 0, false, ErrCode_Failed, 0, 0},
        {"missing file", -1, false, ErrCode_ParamError, 0, 0},
        // The first batch is refused: nothing after it is read or sent.
        {"refused batch", 4500, true, -1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
        if (c.refuse) {
            tevo_sim::FaultRule rule;
            rule.serverCode = 10002;
            sim().setFault(kOfflineAppend, rule);
        }
        const uint64_t before = sim().requestCount(kOfflineAppend);
        const TempFile file(c.lines >= 0 ? jointFile(c.lines) : "");
        const std::string missing = std::string(file.path()) + ".none";
        const int ret = facade_->robotServiceOfflineTrackWaypointAppend(
            c.lines >= 0 ? file.path() : missing.c_str());
        sim().clearFaults();
        if (c.expected == -1) {
            EXPECT_NE(ret, ErrnoSucc);
        } else {
            EXPECT_EQ(ret, c.expected);
        }
        EXPECT_EQ(sim().requestCount(kOfflineAppend) - before, c.requests);
        const auto stored = sim().offlineTrackJoints();
        ASSERT_EQ(stored.size(), c.stored);
        for (size_t i = 0; i < stored.size(); ++i) {
            const Joints q = pathJoints(static_cast<int>(i), c.lines);
            for (int j = 0; j < 6; ++j) ASSERT_NEAR(stored[i][j], q[j], 1e-8) << i;
        }
    }
}

TEST_F(TracksTest, PlaybackEndsAtTheLastWaypoint) {
    const int count = 30;
    ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
    const TempFile file(jointFile(count));
    ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(file.path()), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceOfflineTrackMoveStartup(true), ErrnoSucc);
    EXPECT_TRUE(armAt(pathJoints(count - 1, count), 1e-6));
    // A stop ends a running playback and the blocking call with the stop.
    ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
    std::vector<trn::wayPoint_S> back = waypoints(count);
    std::reverse(back.begin(), back.end());
    ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(back), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceOfflineTrackMoveStartup(false), ErrnoSucc);
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }, 10s));
    EXPECT_EQ(facade_->robotServiceOfflineTrackMoveStop(), ErrnoSucc);
    EXPECT_TRUE(sim().waitIdle(10s));
    EXPECT_FALSE(armAt(pathJoints(0, count), 1e-6));
}

TEST_F(TracksTest, StreamedPositionsReachTheJointsOnlyInPassThroughMode) {
    Joints q = pathJoints(3, 10);
    EXPECT_NE(facade_->robotServiceSetRobotPosData2Canbus(q.data()), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceEnterTcp2CanbusMode(), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceSetRobotPosData2Canbus(q.data()), ErrnoSucc);
    // The arm follows the streamed targets; the last one of a batch is current.
    EXPECT_TRUE(waitFor([&] { return armAt(q); }));
    EXPECT_EQ(facade_->robotServiceSetRobotPosData2Canbus(waypoints(10)), ErrnoSucc);
    EXPECT_TRUE(waitFor([&] { return armAt(pathJoints(9, 10)); }));
    EXPECT_EQ(facade_->robotServiceSetRobotPosData2Canbus(nullptr), ErrCode_ParamError);
    EXPECT_EQ(sim().requestCount(kSetPosData2Canbus), 3u);
    ASSERT_EQ(facade_->robotServiceLeaveTcp2CanbusMode(), ErrnoSucc);
    EXPECT_NE(facade_->robotServiceSetRobotPosData2Canbus(q.data()), ErrnoSucc);
}

TEST_F(TracksTest, ExcitationTrajectoryThenIdentificationResults) {
    const auto before = sim().snapshot().movesCompleted;
    EXPECT_EQ(
        facade_->startupOfflineExcitTrajService("excit.offt", Dyn_identify_traj_robot, 1, true),
        ErrnoSucc);
    EXPECT_EQ(sim().snapshot().movesCompleted, before + 1);
    std::vector<int> params;
    EXPECT_EQ(facade_->getDynIdentifyResultsService(params), ErrnoSucc);
    EXPECT_FALSE(params.empty());
    EXPECT_EQ(facade_->startupOfflineExcitTrajService(nullptr, Dyn_identify_traj_robot, 1, true),
              ErrCode_ParamError);
}

// ---- tool-pose lines and files --------------------------------------------------

using Service = RobotMoveService;

TEST(ToolPoseLines, Formats) {
    struct Case {
        const char* line;
        int format;
        bool ok;
        std::array<double, 7> pose;  // x, y, z, then rx, ry, rz or w, x, y, z
    };
    const double yaw = 90.0 / 180.0 * 3.1415926;
    const Case cases[] = {
        {"100 200  300 0 0 90", 1, true, {0.1, 0.2, 0.3, 0, 0, yaw}},
        {"  100 200 300 0 0 90  ", 1, true, {0.1, 0.2, 0.3, 0, 0, yaw}},
        {"100,200,300,0,0,90", 1, false, {}},
        {"100\t200\t300\t0\t0\t90", 1, false, {}},
        {"100 200 300 0 0", 1, false, {}},
        {"", 1, false, {}},
        {"0.1,0.2,0.3,1,0,0,0", 10, true, {0.1, 0.2, 0.3, 1, 0, 0, 0}},
        // Every token a whole finite number: no empty, hexadecimal or
        // half-numeric token.
        {"0.1,,0.3,1,0,0,0", 10, false, {}},
        {"+0.1,0x1p-3, 0.3,1abc,,-0,-", 10, false, {}},
        {"+0.1,0.125, 0.3,1,0,-0,0", 10, true, {0.1, 0.125, 0.3, 1, 0, 0, 0}},
        {"0.1,0.2,0.3,1,0,0", 10, false, {}},
        {"0.1,0.2,0.3,1,0,0,0,", 10, false, {}},
        {"0.1 0.2 0.3 1 0 0 0", 10, false, {}},
        {"", 10, false, {}},
        {" 0.1 , 0.2,+0.3,1e0,0,0,-0", 10, true, {0.1, 0.2, 0.3, 1, 0, 0, 0}},
        {"0.1,abc,0.3,1,0,0,0", 10, false, {}},
        {"0.1,0.2,0.3,nan,0,0,0", 10, false, {}},
        {"0.1,0.2,0.3,1,0,0,inf", 10, false, {}},
        {"0.1,0x1p-3,0.3,1,0,0,0", 10, false, {}},
        {"0.1,0.2,0.3,1abc,0,0,0", 10, false, {}},
        {"0.1,0.2,0.3,1,0,0,-", 10, false, {}},
        {"0.1,0.2,1e999,1,0,0,0", 10, false, {}},
        {"-100 +200 3e2 0 0 90", 1, true, {-0.1, 0.2, 0.3, 0, 0, yaw}},
        {"100 200 300 0 0 9O", 1, false, {}},
        {"100 200 300 0 NaN 90", 1, false, {}},
        {"100 200 300 0 0 --90", 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " format " + std::to_string(c.format));
        trn::Pos p{};
        std::array<double, 4> rest{};
        bool ok = false;
        if (c.format == 1) {
            trn::Rpy r{};
            ok = Service::StringToPositionAndRpy(c.line, ' ', p, r);
            rest = {r.rx, r.ry, r.rz, 0};
        } else {
            trn::Ori o{};
            ok = Service::StringToPositionAndQuaternion(c.line, ',', p, o);
            rest = {o.w, o.x, o.y, o.z};
        }
        ASSERT_EQ(ok, c.ok);
        if (!ok) continue;
        const double got[7] = {p.x, p.y, p.z, rest[0], rest[1], rest[2], rest[3]};
        for (int i = 0; i < 7; ++i) EXPECT_NEAR(got[i], c.pose[i], 1e-9) << i;
    }
}

bool sameBits(double a, double b) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// Decimal tokens of every length read to the same double as from_chars, to
// the last bit (and the sign of zero), whichever way they are read.
TEST(ToolPoseLines, NumbersReadToTheCorrectlyRoundedDouble) {
    std::vector<std::string> tokens = {"0",
                                       "-0",
                                       "-0.000",
                                       "5.",
                                       ".5",
                                       "-.25",
                                       "007.5",
                                       "1e-3",
                                       "9007199254740993",
                                       "0.1000000000000000055511151231257827",
                                       "123456789012345678901234567890",
                                       "4.9e-324"};
    std::mt19937_64 random(29);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 20);
        const int point = static_cast<int>(random() % (digits + 8));
        std::string token = random() % 2 != 0 ? "-" : "";
        for (int d = 0; d < digits; ++d) {
            if (d == point) token += '.';
            token += static_cast<char>('0' + random() % 10);
        }
        if (point > digits) token = token.substr(0, token.size() - 1) + "." + token.back();
        tokens.push_back(token);
    }
    for (const std::string& token : tokens) {
        SCOPED_TRACE(token);
        double expected = 0.0;
        const char* first = token.data();
        const auto parsed = std::from_chars(first, first + token.size(), expected);
        ASSERT_EQ(parsed.ptr, first + token.size());
        trn::Pos p{};
        trn::Ori o{};
        std::string line = "1,";
        line += token;
        line += ",2,1,0,";
        line += token;
        line += ",0";
        ASSERT_TRUE(Service::StringToPositionAndQuaternion(line, ',', p, o));
        EXPECT_TRUE(sameBits(p.y, expected));
        EXPECT_TRUE(sameBits(o.y, expected));
    }
}

class ToolPoseFile : public ::testing::Test {
protected:
    void SetUp() override {
        Ikfunc::SetDhParaLen(tevo_model_0);
        tool_.toolInEndPosition = {0.0, 0.0, 0.12};
        tool_.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
    }

    // The tool end poses of a joint path, as lines of the given format.
    std::string fileOf(const std::vector<Joints>& path, int format) {
        std::string text;
        char line[300];
        for (const Joints& q : path) {
            trn::wayPoint_S flange;
            RobotUtilService::robotFk(q.data(), ARM_DOF, flange);
            trn::Pos p;
            trn::Ori o;
            RobotUtilService::base2BaseAdditionalTool(flange.cartPos.position, flange.orientation,
                                                      tool_, p, o);
            if (format == 10) {
                std::snprintf(line, sizeof line, "%.12f,%.12f,%.12f,%.12f,%.12f,%.12f,%.12f\n", p.x,
                              p.y, p.z, o.w, o.x, o.y, o.z);
            } else {
                trn::Rpy r;
                RobotUtilService::quaternionToRPY(o, r);
                const double k = 180.0 / 3.1415926;
                std::snprintf(line, sizeof line, "%.9f %.9f  %.9f %.12f %.12f %.12f\n", p.x * 1000,
                              p.y * 1000, p.z * 1000, r.rx * k, r.ry * k, r.rz * k);
            }
            text += line;
        }
        return text;
    }

    trn::ToolInEndDesc tool_{};
};

// Each point is solved from its predecessor, so the solutions follow the
// branch the path is on, whichever branch that is.
TEST_F(ToolPoseFile, SolutionsFollowTheBranchOfTheirPredecessor) {
    struct Case {
        const char* name;
        int format;
        double wristFlip;  // 0: the home branch; else joint 5 negated
    };
    for (const Case& c : {Case{"format 10", 10, 0}, Case{"format 1", 1, 0},
                          Case{"format 10, flipped wrist", 10, 1}}) {
        SCOPED_TRACE(c.name);
        std::vector<Joints> path;
        for (int i = 0; i < 40; ++i) {
            Joints q = pathJoints(i, 40);
            if (c.wristFlip != 0) q[4] = -q[4];
            path.push_back(q);
        }
        const TempFile file(fileOf(path, c.format));
        std::vector<Service::FlangeAndToolInfo> out;
        ASSERT_EQ(Service::parseFileAsRoadpointSet(file.path(),
                                                   static_cast<POSITION_ORIENTATION_TYPE>(c.format),
                                                   path[0].data(), tool_, out),
                  ErrnoSucc);
        ASSERT_EQ(out.size(), path.size());
        // The solver works to a few micro-radians; another branch is off by
        // a large fraction of a radian.
        const double tol = 1e-4;
        for (size_t i = 0; i < path.size(); ++i)
            for (int j = 0; j < 6; ++j)
                ASSERT_NEAR(out[i].flangeWayPoint.jointpos[j], path[i][j], tol) << i << "," << j;
    }
}

TEST_F(ToolPoseFile, FailuresYieldNoPoints) {
    std::vector<Joints> path;
    path.reserve(5);
    for (int i = 0; i < 5; ++i) path.push_back(pathJoints(i, 5));
    const std::string good = fileOf(path, 10);
    std::string badThird;
    int line = 0;
    for (size_t pos = 0; pos < good.size();) {
        const size_t end = good.find('\n', pos);
        badThird +=
            ++line == 3 ? std::string("0.1,0.2,0.3,1,0,0\n") : good.substr(pos, end - pos + 1);
        pos = end + 1;
    }
    struct Case {
        const char* name;
        std::string text;  // "": no file
        int format;
        int expected;
        const char* log;
    };
    const Case cases[] = {
        {"bad third line", badThird, 10, ErrCode_Failed,
         "StringToPositionAndQuaternion failed, lineIndex = 3"},
        {"missing file", "", 10, ErrCode_ParamError, nullptr},
        {"unknown format", good, 5, ErrCode_ParamError, nullptr},
        {"format 10 read as format 1", good, 1, ErrCode_Failed,
         "sdk log: StringToPositionAndRpy failed, lineIndex = 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        const TempFile file(c.text);
        const std::string path = c.text.empty() ? std::string(file.path()) + ".none" : file.path();
        std::vector<Service::FlangeAndToolInfo> out(3);
        EXPECT_EQ(Service::parseFileAsRoadpointSet(path.c_str(),
                                                   static_cast<POSITION_ORIENTATION_TYPE>(c.format),
                                                   pathJoints(0, 5).data(), tool_, out),
                  c.expected);
        EXPECT_TRUE(out.empty());
        if (c.log != nullptr) {
            EXPECT_TRUE(log.contains(LL_ERROR, c.log));
        }
    }
}

TEST_F(ToolPoseFile, PoseListGivesTheSamePointsAsItsFile) {
    std::vector<Joints> path;
    path.reserve(10);
    for (int i = 0; i < 10; ++i) path.push_back(pathJoints(i, 10));
    const TempFile file(fileOf(path, 10));
    std::vector<Service::FlangeAndToolInfo> fromFile, fromList;
    ASSERT_EQ(Service::parseFileAsRoadpointSet(file.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                               path[0].data(), tool_, fromFile),
              ErrnoSucc);
    std::vector<trn::PositionAndQuaternion> poses;
    poses.reserve(fromFile.size());
    for (const auto& p : fromFile) poses.push_back({p.endPosition, p.endOrientation});
    // An unreachable pose at the end empties the whole result.
    ASSERT_EQ(Service::parsePoseListToRoadpointSet(poses, path[0].data(), tool_, fromList),
              ErrnoSucc);
    ASSERT_EQ(fromList.size(), fromFile.size());
    for (size_t i = 0; i < fromList.size(); ++i)
        for (int j = 0; j < 6; ++j)
            EXPECT_DOUBLE_EQ(fromList[i].flangeWayPoint.jointpos[j],
                             fromFile[i].flangeWayPoint.jointpos[j]);
    poses.push_back({{5.0, 5.0, 5.0}, {1, 0, 0, 0}});
    EXPECT_NE(Service::parsePoseListToRoadpointSet(poses, path[0].data(), tool_, fromList),
              ErrnoSucc);
    EXPECT_TRUE(fromList.empty());
}

// Each point of a file is exactly the tool-to-flange inverse kinematics of its
// pose from its predecessor's joints: same joints, same flange pose, bit for
// bit, with a turned tool and a quaternion that is not of unit length; a pose
// that has no flange pose fails with the same code.
TEST_F(ToolPoseFile, PointsAreTheToolInverseKinematicsOfTheirPoses) {
    tool_.toolInEndPosition = {0.01, -0.02, 0.12};
    tool_.toolInEndOrientation = {0.9238795, 0.0, 0.3826834, 0.0};
    std::vector<Joints> path;
    path.reserve(30);
    for (int i = 0; i < 30; ++i) path.push_back(pathJoints(i, 30));
    std::string text = fileOf(path, 10);
    const std::string lastLine = text.substr(text.rfind('\n', text.size() - 2) + 1);
    double v[7];
    ASSERT_EQ(std::sscanf(lastLine.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf,%lf", &v[0], &v[1], &v[2],
                          &v[3], &v[4], &v[5], &v[6]),
              7);
    char scaled[300];
    std::snprintf(scaled, sizeof scaled, "%.12f,%.12f,%.12f,%.12f,%.12f,%.12f,%.12f\n", v[0], v[1],
                  v[2], 2 * v[3], 2 * v[4], 2 * v[5], 2 * v[6]);
    text += scaled;
    const TempFile file(text);
    std::vector<Service::FlangeAndToolInfo> out;
    ASSERT_EQ(Service::parseFileAsRoadpointSet(file.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                               path[0].data(), tool_, out),
              ErrnoSucc);
    ASSERT_EQ(out.size(), path.size() + 1);
    const double* start = path[0].data();
    for (size_t i = 0; i < out.size(); ++i) {
        SCOPED_TRACE(i);
        trn::wayPoint_S expected;
        ASSERT_EQ(RobotUtilService::robotServiceIkBasedOnTcp(
                      start, out[i].endPosition, out[i].endOrientation, tool_, expected),
                  ErrnoSucc);
        const trn::wayPoint_S& got = out[i].flangeWayPoint;
        const double want[7] = {expected.cartPos.position.x, expected.cartPos.position.y,
                                expected.cartPos.position.z, expected.orientation.w,
                                expected.orientation.x,      expected.orientation.y,
                                expected.orientation.z};
        const double have[7] = {got.cartPos.position.x, got.cartPos.position.y,
                                got.cartPos.position.z, got.orientation.w,
                                got.orientation.x,      got.orientation.y,
                                got.orientation.z};
        for (int k = 0; k < 7; ++k) EXPECT_TRUE(sameBits(have[k], want[k])) << k;
        for (int j = 0; j < 6; ++j)
            EXPECT_TRUE(sameBits(got.jointpos[j], expected.jointpos[j])) << j;
        start = got.jointpos;
    }
    trn::wayPoint_S none;
    const int noFlange = RobotUtilService::robotServiceIkBasedOnTcp(
        path[0].data(), {0.3, 0.1, 0.4}, trn::Ori{0, 0, 0, 0}, tool_, none);
    ASSERT_NE(noFlange, ErrnoSucc);
    const TempFile zero(fileOf({path[0]}, 10) + "0.3,0.1,0.4,0,0,0,0\n");
    EXPECT_EQ(Service::parseFileAsRoadpointSet(zero.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                               path[0].data(), tool_, out),
              noFlange);
    EXPECT_TRUE(out.empty());
}

}  // namespace
