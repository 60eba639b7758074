// Target-position and relative moves, checked by the pose the simulated arm
// ends at (forward kinematics of its joints), and the motion parameter
// commands, checked by the number vectors the simulator received and by
// read-back.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "robotcommunication.pb.h"
#include "support/armfixture.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;
namespace pbc = tevo::robot::communication;

namespace {

using Joints = std::array<double, 6>;
using Vec = std::array<double, 3>;

const Joints kStart = {0.3, -0.2, 1.6, 0.4, 1.5, 0.2};
// Three further arm poses whose flange centres span a user frame.
const Joints kPlane[3] = {{0.1, -0.3, 1.7, 0.3, 1.6, -0.1},
                          {0.5, -0.3, 1.7, 0.3, 1.6, -0.1},
                          {0.1, -0.1, 1.4, 0.3, 1.6, -0.1}};
constexpr int kGetJointAngle = 10;
constexpr int kRobotMove = 22;
constexpr int kGetJointAngleFromController = 114;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec scale(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec unit(const Vec& a) { return scale(a, 1.0 / std::sqrt(dot(a, a))); }
double distance(const Vec& a, const Vec& b) {
    const Vec d = sub(a, b);
    return std::sqrt(dot(d, d));
}
Vec posOf(const wayPoint_S& w) {
    return {w.cartPos.positionVector[0], w.cartPos.positionVector[1], w.cartPos.positionVector[2]};
}
// v turned by the unit quaternion q.
Vec rotate(const Ori& q, const Vec& v) {
    const Vec u = {q.x, q.y, q.z};
    const Vec t = scale(cross(u, v), 2.0);
    return add(add(v, scale(t, q.w)), cross(u, t));
}
// 1 - |<a, b>|: 0 for the same orientation.
double oriGap(const Ori& a, const Ori& b) {
    return 1.0 - std::fabs(a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z);
}

// Axes and origin of a user frame taught as origin, a point on +x and a point
// in the xy plane on the +y side.
struct Frame {
    Vec origin, x, y, z;
    Vec toBase(const Vec& u) const {
        return add(origin, add(add(scale(x, u[0]), scale(y, u[1])), scale(z, u[2])));
    }
    Vec toUser(const Vec& b) const {
        const Vec d = sub(b, origin);
        return {dot(d, x), dot(d, y), dot(d, z)};
    }
};

class TargetTest : public tevo_test::StartedArmFixture {
protected:
    void SetUp() override {
        StartedArmFixture::SetUp();
        Joints q = kStart;
        ASSERT_EQ(facade_->robotServiceJointMove(q.data(), true), ErrnoSucc);
    }

    // The flange pose of the joints the simulated arm stands at.
    wayPoint_S armPose() {
        const auto snap = sim().snapshot();
        EXPECT_FALSE(snap.moving);
        wayPoint_S w;
        EXPECT_EQ(facade_->robotServiceRobotFk(snap.joints, 6, w), ErrnoSucc);
        return w;
    }

    static CoordCalibrateByJointAngleAndTool frameOfType(coordinate_refer type) {
        CoordCalibrateByJointAngleAndTool c;
        ServiceInterface::initCoordCalibrateByJointAngleAndToolDataType(c);
        c.coordType = type;
        c.methods = Origin_AnyPointOnPositiveXAxis_AnyPointOnPositiveYAxis;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 6; ++j) c.wayPointArray[i].jointPos[j] = kPlane[i][j];
        return c;
    }

    // The taught frame's axes, computed here from the forward kinematics.
    Frame frameAxes() {
        Vec p[3];
        for (int i = 0; i < 3; ++i) {
            wayPoint_S w;
            EXPECT_EQ(facade_->robotServiceRobotFk(kPlane[i].data(), 6, w), ErrnoSucc);
            p[i] = posOf(w);
        }
        Frame f;
        f.origin = p[0];
        f.x = unit(sub(p[1], p[0]));
        f.z = unit(cross(f.x, sub(p[2], p[0])));
        f.y = cross(f.z, f.x);
        return f;
    }

    static ToolInEndDesc noTool() {
        ToolInEndDesc t;
        ServiceInterface::initToolInEndDescDataType(t);
        return t;
    }

    // A tool offset from the flange and turned 90 degrees about the flange's x axis.
    static ToolInEndDesc rotatedTool() {
        const double h = std::sqrt(0.5);
        return ToolInEndDesc{Pos{0.01, 0.02, 0.1}, Ori{h, h, 0.0, 0.0}};
    }

    static MoveRelative offset(double x, double y, double z) {
        MoveRelative r;
        ServiceInterface::initMoveRelativeDataType(r);
        r.relativePosition[0] = static_cast<float>(x);
        r.relativePosition[1] = static_cast<float>(y);
        r.relativePosition[2] = static_cast<float>(z);
        // An orientation the moves must ignore.
        r.relativeOri = Ori{0.0, 1.0, 0.0, 0.0};
        return r;
    }
};

// ---- relative moves ----------------------------------------------------------------

TEST_F(TargetTest, RelativeMoveShiftsTheFlangeKeepingItsOrientation) {
    const MoveRelative rel = offset(0.02, -0.01, 0.03);
    const Vec d = {static_cast<double>(rel.relativePosition[0]),
                   static_cast<double>(rel.relativePosition[1]),
                   static_cast<double>(rel.relativePosition[2])};
    using Move = int (ServiceInterface::*)(const CoordCalibrateByJointAngleAndTool&,
                                           const MoveRelative&, bool);
    struct Case {
        const char* name;
        coordinate_refer frame;
        Move move;
        // The base-frame shift expected from the start pose.
        std::function<Vec(const wayPoint_S&)> shift;
    };
    const Frame user = frameAxes();
    const Case cases[] = {
        {"base, line", BaseCoordinate, &ServiceInterface::robotMoveLineToTargetPositionByRelative,
         [&](const wayPoint_S&) { return d; }},
        {"base, joint", BaseCoordinate, &ServiceInterface::robotMoveJointToTargetPositionByRelative,
         [&](const wayPoint_S&) { return d; }},
        {"flange, line", EndCoordinate, &ServiceInterface::robotMoveLineToTargetPositionByRelative,
         [&](const wayPoint_S& start) { return rotate(start.orientation, d); }},
        {"user frame, joint", WorldCoordinate,
         &ServiceInterface::robotMoveJointToTargetPositionByRelative,
         [&](const wayPoint_S&) { return sub(user.toBase(d), user.origin); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const wayPoint_S start = armPose();
        const auto moves = sim().requestCount(kRobotMove);
        ASSERT_EQ(((*facade_).*c.move)(frameOfType(c.frame), rel, true), ErrnoSucc);
        EXPECT_EQ(sim().requestCount(kRobotMove), moves + 1);
        const wayPoint_S end = armPose();
        EXPECT_LT(distance(posOf(end), add(posOf(start), c.shift(start))), 1e-4);
        EXPECT_LT(oriGap(end.orientation, start.orientation), 1e-8);
    }
}

// ---- moves to a tool position ------------------------------------------------------------

TEST_F(TargetTest, ToolEndReachesTheTargetWithTheFlangeOrientationKept) {
    using Move = int (ServiceInterface::*)(const CoordCalibrateByJointAngleAndTool&, const Pos&,
                                           const ToolInEndDesc&, bool);
    struct Case {
        const char* name;
        coordinate_refer frame;
        ToolInEndDesc tool;
        Move move;
    };
    const Case cases[] = {
        {"base, no tool, line", BaseCoordinate, noTool(),
         &ServiceInterface::robotMoveLineToTargetPosition},
        {"base, rotated tool, line", BaseCoordinate, rotatedTool(),
         &ServiceInterface::robotMoveLineToTargetPosition},
        {"base, rotated tool, joint", BaseCoordinate, rotatedTool(),
         &ServiceInterface::robotMoveJointToTargetPosition},
        {"user frame, rotated tool, line", WorldCoordinate, rotatedTool(),
         &ServiceInterface::robotMoveLineToTargetPosition},
    };
    const Frame user = frameAxes();
    const Vec shift = {0.03, -0.02, 0.04};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Vec toolInEnd = {c.tool.toolInEndPosition.x, c.tool.toolInEndPosition.y,
                               c.tool.toolInEndPosition.z};
        const wayPoint_S start = armPose();
        const Vec targetOnBase =
            add(add(posOf(start), rotate(start.orientation, toolInEnd)), shift);
        const Vec given = c.frame == BaseCoordinate ? targetOnBase : user.toUser(targetOnBase);
        ASSERT_EQ(((*facade_).*c.move)(frameOfType(c.frame), Pos{given[0], given[1], given[2]},
                                       c.tool, true),
                  ErrnoSucc);
        const wayPoint_S end = armPose();
        const Vec toolEnd = add(posOf(end), rotate(end.orientation, toolInEnd));
        EXPECT_LT(distance(toolEnd, targetOnBase), 1e-4);
        EXPECT_LT(oriGap(end.orientation, start.orientation), 1e-8);
    }
}

TEST_F(TargetTest, TargetJointAnglesAreComputedWithoutMoving) {
    const wayPoint_S start = armPose();
    const Vec target = add(posOf(start), Vec{0.0, 0.05, -0.02});
    double joints[6] = {0, 0, 0, 0, 0, 0};
    const auto moves = sim().requestCount(kRobotMove);
    ASSERT_EQ(
        facade_->getJointAngleByTargetPositionKeepCurrentOri(
            frameOfType(BaseCoordinate), Pos{target[0], target[1], target[2]}, noTool(), joints),
        ErrnoSucc);
    EXPECT_EQ(sim().requestCount(kRobotMove), moves);
    wayPoint_S fk;
    ASSERT_EQ(facade_->robotServiceRobotFk(joints, 6, fk), ErrnoSucc);
    EXPECT_LT(distance(posOf(fk), target), 1e-6);
    EXPECT_LT(oriGap(fk.orientation, start.orientation), 1e-8);
}

// ---- refusals: nothing moves ---------------------------------------------------------------

TEST_F(TargetTest, RefusedTargetsSendNoMove) {
    CoordCalibrateByJointAngleAndTool degenerate = frameOfType(WorldCoordinate);
    for (auto& q : degenerate.wayPointArray)
        for (int j = 0; j < 6; ++j) q.jointPos[j] = kStart[j];  // three equal points
    CoordCalibrateByJointAngleAndTool unknown = frameOfType(BaseCoordinate);
    unknown.coordType = static_cast<coordinate_refer>(7);
    const Pos somewhere{0.3, 0.1, 0.4};
    double joints[6];
    wayPoint_S source = armPose(), target;
    struct Case {
        const char* name;
        std::function<int()> call;
        int expected;  // 0: any error
    };
    const Case cases[] = {
        {"position in the flange frame",
         [&] {
             return facade_->robotMoveLineToTargetPosition(frameOfType(EndCoordinate), somewhere,
                                                           noTool(), true);
         },
         ErrCode_ParamError},
        {"local target in the flange frame",
         [&] {
             return ServiceInterface::getTargetWaypointByPosition(
                 source, frameOfType(EndCoordinate), somewhere, noTool(), target);
         },
         ErrCode_ParamError},
        {"relative move in an unknown frame type",
         [&] {
             return facade_->robotMoveLineToTargetPositionByRelative(unknown, offset(0, 0, 0.01),
                                                                     true);
         },
         ErrCode_ParamError},
        {"relative move in a frame that fails calibration",
         [&] {
             return facade_->robotMoveJointToTargetPositionByRelative(degenerate,
                                                                      offset(0, 0, 0.01), true);
         },
         0},
        {"position out of reach",
         [&] {
             return facade_->robotMoveJointToTargetPosition(frameOfType(BaseCoordinate),
                                                            Pos{5.0, 0.0, 0.0}, noTool(), true);
         },
         ErrCode_IkFailed},
        {"position not finite",
         [&] {
             return facade_->robotMoveLineToTargetPosition(frameOfType(BaseCoordinate),
                                                           Pos{kNaN, 0.0, 0.3}, noTool(), true);
         },
         ErrCode_ParamError},
        {"no joint array",
         [&] {
             return facade_->getJointAngleByTargetPositionKeepCurrentOri(
                 frameOfType(BaseCoordinate), somewhere, noTool(), nullptr);
         },
         ErrCode_ParamError},
        {"joint array for a flange-frame target",
         [&] {
             return facade_->getJointAngleByTargetPositionKeepCurrentOri(
                 frameOfType(EndCoordinate), somewhere, noTool(), joints);
         },
         ErrCode_ParamError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto moves = sim().requestCount(kRobotMove);
        const int ret = c.call();
        if (c.expected != 0) {
            EXPECT_EQ(ret, c.expected);
        } else {
            EXPECT_NE(ret, ErrnoSucc);
        }
        EXPECT_EQ(sim().requestCount(kRobotMove), moves);
    }
}

TEST_F(TargetTest, AnUnreadableCurrentWaypointEndsTheMoveWithTheReadsError) {
    struct Case {
        const char* name;
        int readCommand;
        std::function<int()> call;
    };
    const Case cases[] = {
        {"relative move", kGetJointAngleFromController,
         [&] {
             return facade_->robotMoveLineToTargetPositionByRelative(frameOfType(BaseCoordinate),
                                                                     offset(0, 0, 0.01), true);
         }},
        {"move to a position", kGetJointAngle,
         [&] {
             return facade_->robotMoveJointToTargetPosition(frameOfType(BaseCoordinate),
                                                            Pos{0.3, 0.1, 0.4}, noTool(), true);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tevo_sim::FaultRule rule;
        rule.serverCode = 4;  // the controller's "no real robot"
        rule.remaining = 1;
        sim().setFault(c.readCommand, rule);
        const auto moves = sim().requestCount(kRobotMove);
        EXPECT_EQ(c.call(), ErrCode_RealRobotNoExist);
        EXPECT_EQ(sim().requestCount(kRobotMove), moves);
    }
}

// ---- motion parameters -----------------------------------------------------------------------

template <class Msg, class Value>
std::vector<Value> receivedValues(tevo_sim::ControllerSim& sim, int command) {
    const auto body = sim.lastRequestBody(command);
    Msg m;
    EXPECT_TRUE(body.has_value());
    if (!body || !m.ParseFromString(*body)) return {};
    return {m.value().begin(), m.value().end()};
}

TEST_F(TargetTest, ParameterSettersSendTheirValuesInWireOrder) {
    const WeaveMove weave{true, 3, 0.002, 0.004, 0.001, 0.5};
    JointRangeOfMotion range;
    range.enable = false;
    for (int i = 0; i < 6; ++i) range.rangeValues[i] = RangeOfMotion{-1.0 - i, 1.0 + i};
    RegulateSpeedModeParamConfig_t speed;
    speed.maxTcpVelocity = 0.25;
    speed.maxTcpAcceleration = 1.5;
    for (int i = 0; i < 6; ++i) {
        speed.maxJointVelocity[i] = 0.5 * (i + 1);
        speed.maxJointAcceleration[i] = 2.0 + i;
    }
    AdmittancePatam_t admittance;
    for (int i = 0; i < 6; ++i) {
        admittance.inertia[i] = 10 + i;
        admittance.damping[i] = 20 + i;
        admittance.stiffness[i] = 30 + i;
    }
    struct Case {
        const char* name;
        int command;
        std::function<int()> call;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"weave",
         110,
         [&] { return facade_->robotServiceSetWeaveMoveParameters(weave); },
         {1, 3, 0.002, 0.004, 0.001, 0.5}},
        {"joint range, disabled",
         111,
         [&] { return facade_->robotServiceSetJointRangeOfMotion(range); },
         {0, -1, 1, -2, 2, -3, 3, -4, 4, -5, 5, -6, 6}},
        {"regulated speed",
         136,
         [&] { return facade_->robotServiceSetRegulateSpeedModeParam(speed); },
         {0.5, 1, 1.5, 2, 2.5, 3, 2, 3, 4, 5, 6, 7, 0.25, 1.5}},
        {"admittance",
         140,
         [&] { return facade_->robotServiceSetForceControlModeAdmittancePatam(admittance); },
         {10, 11, 12, 13, 14, 15, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34, 35}},
        {"explore force",
         142,
         [&] { return facade_->robotServiceSetForceControlModeExploreForceParam(20, 0.01); },
         {20, 0.01}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.call(), ErrnoSucc);
        EXPECT_EQ((receivedValues<pbc::ProtoCommunicationDoubleVector, double>(sim(), c.command)),
                  c.expected);
    }
}

TEST_F(TargetTest, EnableFlagsTravelAsOneInt) {
    struct Case {
        int command;
        std::function<int(bool)> call;
    };
    const Case cases[] = {
        {137, [&](bool on) { return facade_->robotServiceEnableRegulateSpeedMode(on); }},
        {138, [&](bool on) { return facade_->robotServicEnableForceControlModeService(on); }},
    };
    for (const Case& c : cases) {
        for (bool on : {true, false}) {
            SCOPED_TRACE(c.command * 10 + on);
            ASSERT_EQ(c.call(on), ErrnoSucc);
            EXPECT_EQ((receivedValues<pbc::ProtoCommunicationIntVector, int>(sim(), c.command)),
                      std::vector<int>{on ? 1 : 0});
        }
    }
}

TEST_F(TargetTest, ParametersReadBackAsSet) {
    JointRangeOfMotion range{true, {}};
    for (int i = 0; i < 6; ++i) range.rangeValues[i] = RangeOfMotion{-0.5 - i, 0.7 + i};
    ASSERT_EQ(facade_->robotServiceSetJointRangeOfMotion(range), ErrnoSucc);
    JointRangeOfMotion rangeBack{false, {}};
    ASSERT_EQ(facade_->robotServiceGetJointRangeOfMotion(rangeBack), ErrnoSucc);
    EXPECT_TRUE(rangeBack.enable);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rangeBack.rangeValues[i].minValue, range.rangeValues[i].minValue);
        EXPECT_EQ(rangeBack.rangeValues[i].maxValue, range.rangeValues[i].maxValue);
    }

    RegulateSpeedModeParamConfig_t speed{0.3, 2.5, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    ASSERT_EQ(facade_->robotServiceSetRegulateSpeedModeParam(speed), ErrnoSucc);
    RegulateSpeedModeParamConfig_t speedBack{};
    ASSERT_EQ(facade_->robotServiceGetRegulateSpeedModeParam(speedBack), ErrnoSucc);
    EXPECT_EQ(speedBack.maxTcpVelocity, 0.3);
    EXPECT_EQ(speedBack.maxTcpAcceleration, 2.5);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(speedBack.maxJointVelocity[i], 1.0 + i);
        EXPECT_EQ(speedBack.maxJointAcceleration[i], 7.0 + i);
    }

    AdmittancePatam_t admittance;
    for (int i = 0; i < 6; ++i) {
        admittance.inertia[i] = 1 + i;
        admittance.damping[i] = 100 + i;
        admittance.stiffness[i] = 1000 + i;
    }
    ASSERT_EQ(facade_->robotServiceSetForceControlModeAdmittancePatam(admittance), ErrnoSucc);
    AdmittancePatam_t admittanceBack{};
    ASSERT_EQ(facade_->robotServiceGetForceControlModeAdmittancePatam(admittanceBack), ErrnoSucc);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(admittanceBack.inertia[i], admittance.inertia[i]);
        EXPECT_EQ(admittanceBack.damping[i], admittance.damping[i]);
        EXPECT_EQ(admittanceBack.stiffness[i], admittance.stiffness[i]);
    }

    ASSERT_EQ(facade_->robotServiceSetForceControlModeExploreForceParam(20, 0.01), ErrnoSucc);
    double force = 0, dist = 0;
    ASSERT_EQ(facade_->robotServiceGetForceControlModeExploreForceParam(force, dist), ErrnoSucc);
    EXPECT_EQ(force, 20);
    EXPECT_EQ(dist, 0.01);

    double forceData[6] = {9, 9, 9, 9, 9, 9};
    ASSERT_EQ(facade_->robotServiceGetRealtimeForceData(forceData), ErrnoSucc);
    for (double f : forceData) EXPECT_EQ(f, 0.0);  // the simulator's sensor reads zero
}

// A reply body of `count` doubles.
std::string doubleReply(int count) {
    pbc::ProtoCommunicationDoubleVectorResponse r;
    r.set_num(count);
    for (int i = 0; i < count; ++i) r.add_value(0.5 + i);
    r.mutable_errorinfo()->set_errorcode(0);
    r.mutable_errorinfo()->set_errormsg("");
    return r.SerializeAsString();
}

TEST_F(TargetTest, AReplyWithTheWrongCountLeavesTheRecordUntouched) {
    JointRangeOfMotion range{true, {}};
    for (auto& r : range.rangeValues) r = RangeOfMotion{-7, 7};
    RegulateSpeedModeParamConfig_t speed{7, 7, {7, 7, 7, 7, 7, 7}, {7, 7, 7, 7, 7, 7}};
    AdmittancePatam_t admittance{{7, 7, 7, 7, 7, 7}, {7, 7, 7, 7, 7, 7}, {7, 7, 7, 7, 7, 7}};
    double force = 7, dist = 7;
    double forceData[6] = {7, 7, 7, 7, 7, 7};
    struct Case {
        const char* name;
        int command;
        int count;  // wrong by one or more
        std::function<int()> call;
        std::function<bool()> untouched;
    };
    const Case cases[] = {
        {"joint range", 119, 12, [&] { return facade_->robotServiceGetJointRangeOfMotion(range); },
         [&] {
             return range.enable && range.rangeValues[0].minValue == -7 &&
                    range.rangeValues[5].maxValue == 7;
         }},
        {"regulated speed", 135, 13,
         [&] { return facade_->robotServiceGetRegulateSpeedModeParam(speed); },
         [&] {
             return speed.maxTcpVelocity == 7 && speed.maxJointVelocity[0] == 7 &&
                    speed.maxJointAcceleration[5] == 7;
         }},
        {"admittance", 139, 19,
         [&] { return facade_->robotServiceGetForceControlModeAdmittancePatam(admittance); },
         [&] { return admittance.inertia[0] == 7 && admittance.stiffness[5] == 7; }},
        {"explore force", 141, 1,
         [&] { return facade_->robotServiceGetForceControlModeExploreForceParam(force, dist); },
         [&] { return force == 7 && dist == 7; }},
        {"force data", 128, 5, [&] { return facade_->robotServiceGetRealtimeForceData(forceData); },
         [&] { return forceData[0] == 7 && forceData[5] == 7; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tevo_sim::FaultRule rule;
        rule.rawBody = doubleReply(c.count);
        rule.remaining = 1;
        sim().setFault(c.command, rule);
        EXPECT_EQ(c.call(), ErrCode_ResolveResponseFailed);
        EXPECT_TRUE(c.untouched());
    }
}

TEST_F(TargetTest, BadParameterInputIsRefusedWithoutARequest) {
    JointRangeOfMotion range{true, {}};
    range.rangeValues[3].maxValue = kNaN;
    RegulateSpeedModeParamConfig_t speed{};
    speed.maxTcpAcceleration = std::numeric_limits<double>::infinity();
    AdmittancePatam_t admittance{};
    admittance.damping[2] = kNaN;
    const WeaveMove weave{true, 0, 0.001, kNaN, 0, 0};
    struct Case {
        const char* name;
        int command;
        std::function<int()> call;
    };
    const Case cases[] = {
        {"weave", 110, [&] { return facade_->robotServiceSetWeaveMoveParameters(weave); }},
        {"joint range", 111, [&] { return facade_->robotServiceSetJointRangeOfMotion(range); }},
        {"regulated speed", 136,
         [&] { return facade_->robotServiceSetRegulateSpeedModeParam(speed); }},
        {"admittance", 140,
         [&] { return facade_->robotServiceSetForceControlModeAdmittancePatam(admittance); }},
        {"explore force", 142,
         [&] { return facade_->robotServiceSetForceControlModeExploreForceParam(20, kNaN); }},
        {"force data into no array", 128,
         [&] { return facade_->robotServiceGetRealtimeForceData(nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sent = sim().requestCount(c.command);
        EXPECT_EQ(c.call(), ErrCode_ParamError);
        EXPECT_EQ(sim().requestCount(c.command), sent);
    }
}

}  // namespace
