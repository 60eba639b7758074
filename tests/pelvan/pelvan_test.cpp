// Customer track service: limits and their fallback, point and whole-track
// checks, smoothing, splitting where the path turns back, and the pipeline.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "RobotSDK/custom-made/pelvanservices.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotutilservice.h"
#include "RobotSDK/util/globalutil.h"
#include "RobotSDK/util/ikfunc.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "support/simfixture.h"
#include "support/tempfile.h"

using namespace tevo_robot_namespace;
namespace trn = tevo_robot_namespace;  // the kinematics core has twins of these types
using Point = PelvanServices::FlangeAndToolInfo;

namespace {

constexpr double kStep = PelvanServices::kJointStepLimit;
constexpr double kRange = PelvanServices::kFallbackJointRange;

// Records every log line of the process while it exists.
class LogLines {
public:
    LogLines() {
        static RobotLogPrint sink;  // the process's log instance, as a facade would create it
        RobotLogPrint::getRobotLogPrintPtr()->registerRobotLogPrintCallback(&LogLines::onLine,
                                                                            this);
    }
    ~LogLines() {
        RobotLogPrint::getRobotLogPrintPtr()->registerRobotLogPrintCallback(nullptr, nullptr);
    }
    bool has(int level, const std::string& prefix) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& line : m_lines) {
            if (line.first == level && line.second.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }

private:
    static void onLine(int level, const char* text, void* arg) {
        auto* self = static_cast<LogLines*>(arg);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_lines.emplace_back(level, text);
    }
    mutable std::mutex m_mutex;
    std::vector<std::pair<int, std::string>> m_lines;
};

// A track point with these joints and this tool end position (metres).
Point point(const std::vector<double>& joints, double x, double y = 0.0, double z = 0.0) {
    Point p{};
    for (int i = 0; i < 6; ++i) p.flangeWayPoint.jointpos[i] = joints[static_cast<size_t>(i)];
    p.endPosition = trn::Pos{x, y, z};
    p.endOrientation = trn::Ori{1.0, 0.0, 0.0, 0.0};
    return p;
}

// A track with fixed joints whose tool end runs along x through these
// millimetre positions.
std::vector<Point> pathAlongX(const std::vector<double>& mm) {
    std::vector<Point> track;
    track.reserve(mm.size());
    for (double x : mm) track.push_back(point({0, 0, 0, 0, 0, 0}, x / 1000.0));
    return track;
}

// The service without a controller: the fallback ranges apply.
PelvanServices& offline() {
    static PelvanServices service(nullptr);
    return service;
}

}  // namespace

TEST(PelvanLimits, ToolStepMustStayBelowTwelveMillimetres) {
    struct Case {
        trn::Pos a, b;
        bool meets;
    } cases[] = {
        {{0, 0, 0}, {0.0119, 0, 0}, true},
        {{0, 0, 0}, {0.012, 0, 0}, false},
        {{0, 0, 0}, {0, 0, -0.012}, false},
        {{0, 0, 0}, {0.0073, 0.0096, 0}, false},  // 12.06 mm along a diagonal
        {{0, 0, 0}, {0.0071, 0.0095, 0}, true},   // 11.86 mm
        {{0, 0, 0}, {0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        LogLines log;
        EXPECT_EQ(offline().isMeetDistDiffLimit(c.a, c.b), c.meets)
            << c.b.x << " " << c.b.y << " " << c.b.z;
        EXPECT_EQ(log.has(LL_ERROR, "Dist diff:"), !c.meets);
    }
}

TEST(PelvanLimits, JointStepLimitIsInclusive) {
    struct Case {
        int joint;  // 0-based
        double step;
        bool meets;
        const char* log;  // failure line, empty when it passes
    } cases[] = {
        {1, kStep, true, ""},
        {1, -kStep, true, ""},
        {1, std::nextafter(kStep, 1.0), false, "JointAngleDiffLimit NG:[ID(1-6)]:2 "},
        {0, 0.14, false, "JointAngleDiffLimit NG:[ID(1-6)]:1 "},
        {4, 0.14, false, "JointAngleDiffLimit NG:[ID(1-6)]:5 "},
        {5, 0.14, true, ""},  // joint 6 may step up to 20°
        {5, PelvanServices::kJoint6StepLimit, true, ""},
        {5, 0.35, false, "JointAngleDiffLimit NG:[ID(1-6)]:6 "},
    };
    for (const Case& c : cases) {
        LogLines log;
        double from[6] = {};
        double to[6] = {};
        to[c.joint] = c.step;
        EXPECT_EQ(offline().isMeetJointAngleDiffLimit(from, to), c.meets)
            << "joint " << c.joint + 1 << " step " << c.step;
        if (!c.meets) {
            EXPECT_TRUE(log.has(LL_ERROR, c.log)) << c.log;
        }
    }
}

TEST(PelvanLimits, WithoutControllerRangesFallBackToPlusMinus174Degrees) {
    LogLines log;
    RobotControlServices idle;  // never connected: every read fails at once
    PelvanServices service(&idle);
    EXPECT_TRUE(log.has(LL_ERROR, "sdk log: Get movep joint range failed."));
    EXPECT_EQ(service.safeLimitParamInit(), ErrCode_SocketDisconnect);

    struct Case {
        int joint;
        double value;
        bool meets;
    } cases[] = {
        {0, kRange, true},
        {0, -kRange, true},
        {0, std::nextafter(kRange, 4.0), false},
        {3, std::nextafter(-kRange, -4.0), false},
        {5, kRange, true},
        {5, std::nextafter(kRange, 4.0), false},
    };
    for (PelvanServices* s : {&service, &offline()}) {
        for (const Case& c : cases) {
            double joints[6] = {};
            joints[c.joint] = c.value;
            EXPECT_EQ(s->isMeetJointRangeLimit(joints), c.meets)
                << "joint " << c.joint + 1 << " value " << c.value;
        }
    }
}

TEST(PelvanLimits, WholeTrackNamesTheFirstFailingPair) {
    const std::vector<double> zero{0, 0, 0, 0, 0, 0};
    const std::vector<double> joint2Step{0, kStep, 0, 0, 0, 0};
    const std::vector<double> joint2TooFar{0, 0.14, 0, 0, 0, 0};
    const std::vector<double> outOfRange{0, 0, 3.1, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<Point> track;
        const char* log;  // empty when the track passes
    } cases[] = {
        {"empty", {}, ""},
        {"one point out of range alone",
         {point(outOfRange, 0)},
         "Does not meet the joint range limit, index:0 "},
        {"steps at the limits",
         {point(zero, 0), point(joint2Step, 0.0119), point(zero, 0.0238)},
         ""},
        {"joint step too large",
         {point(zero, 0), point(zero, 0.001), point(joint2TooFar, 0.002)},
         "Does not meet the joint angle diff limit, index:1 2"},
        {"tool step too large",
         {point(zero, 0), point(zero, 0.012)},
         "tool point cannot meet the dist limit, index:0 1"},
        {"range checked before steps",
         {point(zero, 0), point(zero, 0.05), point(outOfRange, 0.05)},
         "Does not meet the joint range limit, index:2 "},
    };
    for (const Case& c : cases) {
        LogLines log;
        const bool expected = std::string(c.log).empty();
        EXPECT_EQ(offline().isMeetLimit(c.track), expected) << c.name;
        if (!expected) {
            EXPECT_TRUE(log.has(LL_ERROR, c.log)) << c.name;
        }
    }
}

TEST(PelvanTrack, SplitsWhereThePathTurnsBack) {
    struct Case {
        const char* name;
        std::vector<double> mm;
        std::vector<int> split;
    } cases[] = {
        {"forward and straight back", {0, 5, 10, 15, 20, 15, 10, 5, 0}, {0, 4, 8}},
        {"straight on", {0, 5, 10, 15}, {0, 3}},
        {"zigzag", {0, 5, 10, 5, 0, 5, 10}, {0, 2, 4, 6}},
        {"turn right after a turn", {0, 5, 10, 5, 10}, {0, 2, 3, 4}},
        {"standing point at the turn", {0, 5, 10, 10, 5, 0}, {0, 3, 5}},
        {"no turn before a second step", {0, 5}, {0, 1}},
    };
    for (const Case& c : cases) {
        std::vector<int> split{7, 7};  // replaced, not appended to
        PelvanServices::trackSplit(pathAlongX(c.mm), split);
        EXPECT_EQ(split, c.split) << c.name;
    }
}

TEST(PelvanTrack, RightAngleAndTinyStepsDoNotSplit) {
    // A right-angle corner, then a jitter below 0.01 mm back along the path.
    std::vector<Point> track = pathAlongX({0, 5, 10});
    track.push_back(point({0, 0, 0, 0, 0, 0}, 0.010, 0.005));
    track.push_back(point({0, 0, 0, 0, 0, 0}, 0.010, 0.004995));
    std::vector<int> split;
    PelvanServices::trackSplit(track, split);
    EXPECT_EQ(split, (std::vector<int>{0, 4}));
}

TEST(PelvanTrack, FilterSmoothsEachJointAndRecomputesTheFlange) {
    std::vector<Point> track;
    for (int i = 0; i < 8; ++i) {
        const double a = i < 3 ? 0.0 : 0.1;  // a step in every joint
        track.push_back(point({a, a, -a, a, 0.5 * a, a}, 0.001 * i));
    }
    const std::vector<Point> before = track;
    PelvanServices::trackFilter(track);

    double coe[5];
    commonUtil::iir_low_filter_Init(12, 200, 0.668, coe);
    for (int j = 0; j < 6; ++j) {
        std::vector<double> in, out(before.size());
        for (const Point& p : before) in.push_back(p.flangeWayPoint.jointpos[j]);
        commonUtil::iir_low_filter_run(in.data(), out.data(), coe, static_cast<int>(in.size()));
        for (size_t i = 0; i < track.size(); ++i) {
            EXPECT_DOUBLE_EQ(track[i].flangeWayPoint.jointpos[j], out[i]) << j << " " << i;
        }
    }
    EXPECT_NE(track[3].flangeWayPoint.jointpos[0], before[3].flangeWayPoint.jointpos[0]);
    for (size_t i = 0; i < track.size(); ++i) {
        trn::wayPoint_S fk{};
        RobotUtilService::robotFk(track[i].flangeWayPoint.jointpos, 6, fk);
        EXPECT_DOUBLE_EQ(track[i].flangeWayPoint.cartPos.position.x, fk.cartPos.position.x);
        EXPECT_DOUBLE_EQ(track[i].flangeWayPoint.orientation.w, fk.orientation.w);
        EXPECT_EQ(track[i].endPosition.x, before[i].endPosition.x);  // the path stays as read
    }

    std::vector<Point> two = pathAlongX({0, 5});
    two[1].flangeWayPoint.jointpos[0] = 0.1;
    const std::vector<Point> twoBefore = two;
    PelvanServices::trackFilter(two);
    EXPECT_EQ(two[1].flangeWayPoint.jointpos[0], twoBefore[1].flangeWayPoint.jointpos[0]);
    EXPECT_EQ(two[1].flangeWayPoint.cartPos.position.x,
              twoBefore[1].flangeWayPoint.cartPos.position.x);
}

TEST(PelvanTrack, PipelineResults) {
    const std::vector<double> zero{0, 0, 0, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<Point> track;
        bool check, smooth, split;
        int result;
        std::vector<int> splitIndex;
        const char* log;
    } cases[] = {
        {"three points", pathAlongX({0, 5, 10}), true, true, true, ErrnoSucc, {0, 2}, ""},
        {"two points",
         pathAlongX({0, 5}),
         true,
         true,
         true,
         ErrCode_MotionWaypointVetorSizeError,
         {},
         ""},
        {"tool step too large",
         pathAlongX({0, 5, 17}),
         true,
         true,
         true,
         ErrCode_Failed,
         {},
         "Trajectory before filtering does not meet the limit."},
        {"unchecked large step",
         pathAlongX({0, 5, 17}),
         false,
         false,
         false,
         ErrnoSucc,
         {0, 2},
         ""},
        {"turn, split on",
         pathAlongX({0, 5, 10, 5, 0}),
         true,
         true,
         true,
         ErrnoSucc,
         {0, 2, 4},
         ""},
        {"turn, split off", pathAlongX({0, 5, 10, 5, 0}), true, true, false, ErrnoSucc, {0, 4}, ""},
    };
    for (Case& c : cases) {
        LogLines log;
        std::vector<int> split{9};
        EXPECT_EQ(offline().trackSmoothAndSafeCheck(c.track, c.check, c.smooth, c.split, split),
                  c.result)
            << c.name;
        if (c.result == ErrnoSucc) {
            EXPECT_EQ(split, c.splitIndex) << c.name;
        }
        if (std::string(c.log).size() > 0) {
            EXPECT_TRUE(log.has(LL_ERROR, c.log)) << c.name;
        }
    }

    // The filter overshoots a step: a joint that stops just inside its range
    // leaves it once smoothed, so only the second check fails.
    std::vector<Point> track;
    track.reserve(24);
    for (int i = 0; i < 4; ++i) track.push_back(point({0, 0, 2.95, 0, 0, 0}, 0.001 * i));
    for (int i = 4; i < 24; ++i) track.push_back(point({0, 0, 3.035, 0, 0, 0}, 0.001 * i));
    LogLines log;
    std::vector<int> split;
    EXPECT_EQ(offline().trackSmoothAndSafeCheck(track, true, true, false, split), ErrCode_Failed);
    EXPECT_FALSE(log.has(LL_ERROR, "Trajectory before filtering does not meet the limit."));
    EXPECT_TRUE(log.has(LL_ERROR, "Trajectory filted does not meet the limit."));
}

TEST(PelvanTrack, CacheStartsEmpty) {
    PelvanServices service(nullptr);
    EXPECT_TRUE(service.getFlangeAndToolInfoVector().empty());
    EXPECT_TRUE(service.getSplitIndexVector().empty());
    service.getSplitIndexVector().push_back(3);
    EXPECT_EQ(service.getSplitIndexVector().size(), 1u);  // a reference to the cache itself
    EXPECT_EQ(PelvanServices::s_version, "V4.0.8");
}

class PelvanControllerTest : public tevo_test::SimFixture {};

TEST_F(PelvanControllerTest, JointRangesAreReadAfterLogin) {
    RobotControlServices core;
    RobotType type{};
    RobotDhPara dh{};
    ASSERT_EQ(core.loginService(simHost(), simPort(), simUser(), simPassword(), type, dh),
              ErrnoSucc);
    PelvanServices service(&core);
    const double minLimit[6] = {-1.0, -1.1, -1.2, -1.3, -1.4, -1.5};
    const double maxLimit[6] = {1.0, 1.1, 1.2, 1.3, 1.4, 1.5};
    ASSERT_EQ(service.setMovePJointRangeService(minLimit, maxLimit), ErrnoSucc);

    double readMin[6] = {};
    double readMax[6] = {};
    ASSERT_EQ(service.getMovePJointRangeService(readMin, readMax), ErrnoSucc);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(readMin[i], minLimit[i]);
        EXPECT_EQ(readMax[i], maxLimit[i]);
    }

    // The stored ranges change only when the limits are initialised again.
    double joints[6] = {0, 1.2, 0, 0, 0, 0};
    EXPECT_TRUE(service.isMeetJointRangeLimit(joints));
    LogLines log;
    EXPECT_EQ(service.safeLimitParamInit(), ErrnoSucc);
    EXPECT_TRUE(log.has(LL_INFO, "MoveP joint range: 2 [-63.03, 63.03]"));
    EXPECT_FALSE(service.isMeetJointRangeLimit(joints));
    joints[1] = 1.1;
    EXPECT_TRUE(service.isMeetJointRangeLimit(joints));

    core.logoutService();
}

TEST_F(PelvanControllerTest, RefusedOrGarbledRangeReadsFallBack) {
    RobotControlServices core;
    RobotType type{};
    RobotDhPara dh{};
    ASSERT_EQ(core.loginService(simHost(), simPort(), simUser(), simPassword(), type, dh),
              ErrnoSucc);
    PelvanServices service(&core);
    struct Case {
        const char* name;
        tevo_sim::FaultRule rule;
        int result;
        const char* log;
    };
    tevo_sim::FaultRule refused;
    refused.serverCode = 1;
    tevo_sim::FaultRule garbled;
    garbled.rawBody = std::string("\xff\xff\xff", 3);
    const Case cases[] = {
        {"refused", refused, RobotControlServices::getErrCodeByServerResponse(1), ""},
        {"garbled", garbled, ErrCode_CreateRequestFailed,
         "sdk log: Resolve getMovePJointRange response failed."},
    };
    for (const Case& c : cases) {
        sim().setFault(tevo_sim::GetMovePJointRangeLimitParam, c.rule);
        LogLines log;
        EXPECT_EQ(service.safeLimitParamInit(), c.result) << c.name;
        EXPECT_TRUE(log.has(LL_ERROR, "sdk log: Get movep joint range failed.")) << c.name;
        if (std::string(c.log).size() > 0) {
            EXPECT_TRUE(log.has(LL_ERROR, c.log)) << c.name;
        }
        double joints[6] = {kRange, -kRange, kRange, -kRange, kRange, -kRange};
        EXPECT_TRUE(service.isMeetJointRangeLimit(joints)) << c.name;
        joints[2] = std::nextafter(kRange, 4.0);
        EXPECT_FALSE(service.isMeetJointRangeLimit(joints)) << c.name;
    }
    core.logoutService();
}

namespace {

using Joints = std::array<double, 6>;

// A smooth joint path near the home pose, run forward and then straight back:
// 2 * count - 1 points turning at index count - 1.
std::vector<Joints> forwardAndBack(int count) {
    std::vector<Joints> path;
    for (int i = 0; i < count; ++i) {
        const double s = static_cast<double>(i) / (count - 1);
        path.push_back({0.3 * std::sin(s * 3.0), -0.2618 + 0.1 * s, 1.7453 - 0.2 * s,
                        0.4363 + 0.1 * s, 1.5708 - 0.2 * s, 0.3 * s});
    }
    for (int i = count - 2; i >= 0; --i) path.push_back(path[static_cast<size_t>(i)]);
    return path;
}

using tevo_test::TempFile;

class PelvanToolPoseTrack : public ::testing::Test {
protected:
    void SetUp() override {
        Ikfunc::SetDhParaLen(tevo_model_0);
        tool_.toolInEndPosition = {0.0, 0.0, 0.12};
        tool_.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
    }

    std::vector<trn::PositionAndQuaternion> posesOf(const std::vector<Joints>& path) const {
        std::vector<trn::PositionAndQuaternion> poses;
        for (const Joints& q : path) {
            trn::wayPoint_S flange{};
            RobotUtilService::robotFk(q.data(), 6, flange);
            trn::PositionAndQuaternion pose{};
            RobotUtilService::base2BaseAdditionalTool(flange.cartPos.position, flange.orientation,
                                                      tool_, pose.position, pose.quaternion);
            poses.push_back(pose);
        }
        return poses;
    }

    // The poses as a file of format 10 (metres and quaternions, commas).
    static std::string fileOf(const std::vector<trn::PositionAndQuaternion>& poses) {
        std::string text;
        char line[300];
        for (const trn::PositionAndQuaternion& p : poses) {
            std::snprintf(line, sizeof line, "%.12f,%.12f,%.12f,%.12f,%.12f,%.12f,%.12f\n",
                          p.position.x, p.position.y, p.position.z, p.quaternion.w, p.quaternion.x,
                          p.quaternion.y, p.quaternion.z);
            text += line;
        }
        return text;
    }

    ToolInEndDesc tool_{};
};

}  // namespace

TEST_F(PelvanToolPoseTrack, FileIsCachedSplitAtTheTurnOrLeftEmpty) {
    const std::vector<Joints> path = forwardAndBack(60);
    std::vector<trn::PositionAndQuaternion> jump = posesOf(path);
    jump[10].position.x += 0.02;  // a 20 mm detour
    const TempFile good(fileOf(posesOf(path)));
    const TempFile detour(fileOf(jump));
    PelvanServices service(nullptr);
    struct Case {
        const char* name;
        std::string file;
        int result;
        std::vector<int> split;
        const char* log;
    } cases[] = {
        {"forward and back", good.path(), ErrnoSucc, {0, 59, 118}, ""},
        {"missing file",
         std::string(good.path()) + ".none",
         ErrCode_MotionWaypointVetorSizeError,
         {},
         "Parse the track file as a collection waypoints failed, filePath:"},
        {"again, forward and back", good.path(), ErrnoSucc, {0, 59, 118}, ""},
        {"tool step too large",
         detour.path(),
         ErrCode_Failed,
         {},
         "tool point cannot meet the dist limit, index:9 10"},
    };
    for (const Case& c : cases) {
        LogLines log;
        trn::wayPoint_S first{};
        first.jointpos[0] = 9.0;
        EXPECT_EQ(service.makeTrackByFileAndSmoothSplitHandle(c.file.c_str(),
                                                              POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                                              path[0].data(), tool_, first),
                  c.result)
            << c.name;
        EXPECT_EQ(service.getSplitIndexVector(), c.split) << c.name;
        if (c.result == ErrnoSucc) {
            ASSERT_EQ(service.getFlangeAndToolInfoVector().size(), path.size()) << c.name;
            for (int j = 0; j < 6; ++j) {
                EXPECT_EQ(first.jointpos[j],
                          service.getFlangeAndToolInfoVector()[0].flangeWayPoint.jointpos[j]);
                EXPECT_NEAR(first.jointpos[j], path[0][static_cast<size_t>(j)], 1e-4);
            }
        } else {
            EXPECT_TRUE(service.getFlangeAndToolInfoVector().empty()) << c.name;
            EXPECT_EQ(first.jointpos[0], 9.0) << c.name;
            EXPECT_TRUE(log.has(LL_ERROR, c.log)) << c.name;
        }
    }
}

TEST_F(PelvanToolPoseTrack, FileAndPoseListGiveTheSmoothedTrack) {
    const std::vector<Joints> path = forwardAndBack(60);
    const std::vector<trn::PositionAndQuaternion> poses = posesOf(path);
    const TempFile file(fileOf(poses));

    // The expected result: the parsed track, filtered.
    std::vector<Point> parsed;
    ASSERT_EQ(
        RobotMoveService::parseFileAsRoadpointSet(
            file.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT, path[0].data(), tool_, parsed),
        ErrnoSucc);
    std::vector<Point> expected = parsed;
    PelvanServices::trackFilter(expected);

    std::vector<Point> fromFile{Point{}};
    ASSERT_EQ(
        offline().makeTrackByFileAndSmoothHandle(file.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                                 path[0].data(), tool_, fromFile),
        ErrnoSucc);
    std::vector<trn::wayPoint_S> fromList{trn::wayPoint_S{}};
    ASSERT_EQ(offline().makeTrackByPoseList(path[0].data(), tool_, poses, fromList), ErrnoSucc);
    ASSERT_EQ(fromFile.size(), expected.size());
    ASSERT_EQ(fromList.size(), expected.size());
    bool smoothed = false;
    for (size_t i = 0; i < expected.size(); ++i) {
        for (int j = 0; j < 6; ++j) {
            EXPECT_EQ(fromFile[i].flangeWayPoint.jointpos[j],
                      expected[i].flangeWayPoint.jointpos[j]);
            EXPECT_NEAR(fromList[i].jointpos[j], expected[i].flangeWayPoint.jointpos[j], 1e-9);
            smoothed |=
                expected[i].flangeWayPoint.jointpos[j] != parsed[i].flangeWayPoint.jointpos[j];
        }
        EXPECT_EQ(fromFile[i].endPosition.x, parsed[i].endPosition.x);
    }
    EXPECT_TRUE(smoothed);

    // Failures leave the outputs empty.
    LogLines log;
    std::vector<trn::PositionAndQuaternion> unreachable = poses;
    unreachable.push_back({{5.0, 5.0, 5.0}, {1, 0, 0, 0}});
    EXPECT_EQ(offline().makeTrackByPoseList(path[0].data(), tool_, unreachable, fromList),
              ErrCode_MotionWaypointVetorSizeError);
    EXPECT_TRUE(fromList.empty());
    EXPECT_TRUE(log.has(LL_ERROR, "Convert pose list to waypoint vector failed."));
    EXPECT_EQ(offline().makeTrackByFileAndSmoothHandle("/nonexistent/track.txt",
                                                       POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                                       path[0].data(), tool_, fromFile),
              ErrCode_MotionWaypointVetorSizeError);
    EXPECT_TRUE(fromFile.empty());
}
