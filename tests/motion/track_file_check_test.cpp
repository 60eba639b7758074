// Track files are checked line by line before anything is used: a line that
// is not exactly the expected numbers fails the whole file with a log line
// naming file and line, blank and '#' comment lines are skipped, and a pose
// list with a NaN or an infinity is refused.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
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
namespace trn = tevo_robot_namespace;

namespace {

using Joints = std::array<double, 6>;
using Service = RobotMoveService;
using tevo_test::TempFile;
constexpr int kOfflineAppend = 71;  // command type as the simulator counts it

Joints pathJoints(int i, int count) {
    const double s = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
    return {0.3 * std::sin(s * 3.0), -0.2618 + 0.1 * s, 1.7453 - 0.2 * s,
            0.4363 + 0.1 * s,        1.5708 - 0.2 * s,  0.3 * s};
}

std::string jointLines(int count, const char* separator = ",", const char* ending = "\n") {
    std::string text;
    char line[200];
    for (int i = 0; i < count; ++i) {
        const Joints q = pathJoints(i, count);
        std::snprintf(line, sizeof line, "%.9f%s%.9f%s%.9f%s%.9f%s%.9f%s%.9f%s", q[0], separator,
                      q[1], separator, q[2], separator, q[3], separator, q[4], separator, q[5],
                      ending);
        text += line;
    }
    return text;
}

bool loggedError(const LogCapture& log, const std::string& text) {
    return log.contains(LL_ERROR, text);
}

class TrackFileCheck : public tevo_test::StartedArmFixture {};

// A bad line after more than a batch of good ones: the old upload had sent
// the first batch (and driven the arm through the all-zero pose later).
TEST_F(TrackFileCheck, AJointFileWithABadLineSendsNothing) {
    struct Case {
        const char* name;
        const char* line;
    };
    const Case cases[] = {
        {"three angles", "0.1,0.2,0.3"},
        {"a word", "0.1,x,0.3,0.4,0.5,0.6"},
        {"NaN", "0.1,nan,0.3,0.4,0.5,0.6"},
        {"infinity", "0.1,0.2,-inf,0.4,0.5,0.6"},
        {"beyond a double", "1e999,0.2,0.3,0.4,0.5,0.6"},
        {"empty field", "0.1,,0.3,0.4,0.5,0.6"},
        {"two separators", "0.1, 0.2,0.3,0.4,0.5,0.6"},
        {"seven angles", "0.1,0.2,0.3,0.4,0.5,0.6,0.7"},
        {"trailing text", "0.1,0.2,0.3,0.4,0.5,0.6 rad"},
        {"hexadecimal", "0x1p-3,0.2,0.3,0.4,0.5,0.6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
        const TempFile file(jointLines(2500) + c.line + "\n" + jointLines(10));
        const uint64_t before = sim().requestCount(kOfflineAppend);
        LogCapture log;
        EXPECT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(file.path()), ErrCode_ParamError);
        EXPECT_EQ(sim().requestCount(kOfflineAppend), before);
        EXPECT_TRUE(sim().offlineTrackJoints().empty());
        EXPECT_TRUE(
            loggedError(log, std::string("sdk log: offline track file ") + file.path() +
                                 ", line 2501: not six finite joint angles; nothing sent."));
    }
}

TEST_F(TrackFileCheck, AJointFileSkipsBlankAndCommentLinesAndTakesItsSeparators) {
    // Four waypoints between comments and blank lines, with each separator
    // and line ending the format allows.
    const std::vector<std::string> data = {jointLines(1, ","), jointLines(1, " ", "  \r\n"),
                                           jointLines(1, "\t"), jointLines(1, ";")};
    const std::string text = "# joint track, rad\r\n" + data[0] + "\n   \t\n" + data[1] +
                             "  # a note\n" + data[2] + "\r\n" + data[3];
    const TempFile file(text);
    ASSERT_EQ(facade_->robotServiceOfflineTrackWaypointClear(), ErrnoSucc);
    EXPECT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(file.path()), ErrnoSucc);
    const auto stored = sim().offlineTrackJoints();
    ASSERT_EQ(stored.size(), 4u);
    const Joints q = pathJoints(0, 1);
    for (const auto& point : stored)
        for (int j = 0; j < 6; ++j) EXPECT_NEAR(point[j], q[j], 1e-9);

    // Line numbers in the log count the skipped lines too.
    const TempFile bad("# header\n\n" + jointLines(1) + "0.1;0.2\n");
    LogCapture log;
    EXPECT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(bad.path()), ErrCode_ParamError);
    EXPECT_TRUE(loggedError(log, std::string("sdk log: offline track file ") + bad.path() +
                                     ", line 4: not six finite joint angles; nothing sent."));

    // A file of nothing but comments holds no track.
    const TempFile comments("# nothing\n\n");
    EXPECT_EQ(facade_->robotServiceOfflineTrackWaypointAppend(comments.path()), ErrCode_Failed);
}

class ToolPoseInput : public ::testing::Test {
protected:
    void SetUp() override {
        Ikfunc::SetDhParaLen(tevo_model_0);
        tool_.toolInEndPosition = {0.0, 0.0, 0.12};
        tool_.toolInEndOrientation = {1.0, 0.0, 0.0, 0.0};
    }

    // The tool end pose of path point i of n.
    trn::PositionAndQuaternion poseOf(int i, int n) {
        const Joints q = pathJoints(i, n);
        trn::wayPoint_S flange;
        RobotUtilService::robotFk(q.data(), ARM_DOF, flange);
        trn::PositionAndQuaternion pose{};
        RobotUtilService::base2BaseAdditionalTool(flange.cartPos.position, flange.orientation,
                                                  tool_, pose.position, pose.quaternion);
        return pose;
    }

    std::string lineOf(int i, int n) {
        const trn::PositionAndQuaternion p = poseOf(i, n);
        char line[300];
        std::snprintf(line, sizeof line, "%.12f,%.12f,%.12f,%.12f,%.12f,%.12f,%.12f", p.position.x,
                      p.position.y, p.position.z, p.quaternion.w, p.quaternion.x, p.quaternion.y,
                      p.quaternion.z);
        return line;
    }

    trn::ToolInEndDesc tool_{};
};

TEST_F(ToolPoseInput, FileSkipsBlankAndCommentLinesAndNamesTheBadLine) {
    const std::string good = "# x,y,z,w,qx,qy,qz\r\n" + lineOf(0, 5) + "\r\n\r\n" + lineOf(1, 5) +
                             "\n  # note\n" + lineOf(2, 5) + "\r\n";
    const TempFile goodFile(good);
    std::vector<Service::FlangeAndToolInfo> out;
    ASSERT_EQ(
        Service::parseFileAsRoadpointSet(goodFile.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                         pathJoints(0, 5).data(), tool_, out),
        ErrnoSucc);
    ASSERT_EQ(out.size(), 3u);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 6; ++j)
            EXPECT_NEAR(out[i].flangeWayPoint.jointpos[j], pathJoints(i, 5)[j], 1e-4);

    // A token that atof would have read as 0 fails the file at its line.
    const TempFile badFile("# header\n" + lineOf(0, 5) + "\n\n0.1,0.2,0.3,1,0,0,zero\n" +
                           lineOf(1, 5) + "\n");
    LogCapture log;
    EXPECT_EQ(
        Service::parseFileAsRoadpointSet(badFile.path(), POSITION_M_AND_QUATERNION_COMMA_SPLIT,
                                         pathJoints(0, 5).data(), tool_, out),
        ErrCode_Failed);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(log.contains(LL_ERROR, "StringToPositionAndQuaternion failed, lineIndex = 4"));
    EXPECT_TRUE(log.contains(LL_ERROR, std::string("sdk log: track file ") + badFile.path() +
                                           ", line 4 is not a valid pose."));
}

TEST_F(ToolPoseInput, PoseListWithANonFiniteValueIsRefused) {
    for (const int field : {0, 2, 3, 6}) {
        SCOPED_TRACE(field);
        std::vector<trn::PositionAndQuaternion> poses = {poseOf(0, 3), poseOf(1, 3), poseOf(2, 3)};
        double* values[7] = {&poses[1].position.x,   &poses[1].position.y,   &poses[1].position.z,
                             &poses[1].quaternion.w, &poses[1].quaternion.x, &poses[1].quaternion.y,
                             &poses[1].quaternion.z};
        *values[field] = field % 2 == 0 ? std::numeric_limits<double>::quiet_NaN()
                                        : std::numeric_limits<double>::infinity();
        std::vector<Service::FlangeAndToolInfo> out;
        LogCapture log;
        EXPECT_EQ(Service::parsePoseListToRoadpointSet(poses, pathJoints(0, 3).data(), tool_, out),
                  ErrCode_ParamError);
        EXPECT_TRUE(out.empty());
        EXPECT_TRUE(
            log.contains(LL_ERROR, "sdk log: pose 2 holds a NaN or infinite value; no points."));
    }
}

}  // namespace
