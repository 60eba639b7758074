// Conveyor tracking, recognition and seam-tracking parameters through the
// facade, and the force-control service on a control core, against the
// in-process simulator: what reaches the wire (signs and 32-bit widths
// included), what comes back, and controller failures passed on.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/forcecontrol.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sensor.pb.h"
#include "support/simfixture.h"

using namespace tevo_robot_namespace;
using namespace std::chrono_literals;
namespace pbm = tevo::robot::communication;
namespace pbc = tevo::robot::common;
namespace sim = tevo_sim;

namespace {

std::vector<int> sentInts(sim::ControllerSim& s, int type) {
    pbm::ProtoCommunicationIntVector v;
    auto body = s.lastRequestBody(type);
    EXPECT_TRUE(body && v.ParseFromString(*body)) << "type " << type;
    return {v.value().begin(), v.value().end()};
}

std::vector<double> sentDoubles(sim::ControllerSim& s, int type) {
    pbm::ProtoCommunicationDoubleVector v;
    auto body = s.lastRequestBody(type);
    EXPECT_TRUE(body && v.ParseFromString(*body)) << "type " << type;
    return {v.value().begin(), v.value().end()};
}

std::string intReply(const std::vector<int>& values, int code = 0) {
    pbm::ProtoCommunicationIntVectorResponse r;
    r.set_num(static_cast<int>(values.size()));
    for (int v : values) r.add_value(v);
    auto* e = r.mutable_errorinfo();
    e->set_errorcode(code);
    e->set_errormsg("");
    return r.SerializeAsString();
}

class ServicesTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        facade_ = std::make_unique<ServiceInterface>();
        ASSERT_EQ(facade_->robotServiceLogin(simHost(), simPort(), simUser(), simPassword()),
                  ErrnoSucc);
    }
    void TearDown() override {
        facade_.reset();
        SimFixture::TearDown();
    }
    std::unique_ptr<ServiceInterface> facade_;
};

// ---- Conveyor tracking ---------------------------------------------------------

TEST_F(ServicesTest, NumberSettersSendTheirValueUnchanged) {
    struct Case {
        int type;
        std::function<int(ServiceInterface&)> call;
        double sent;
    };
    const std::vector<Case> doubles = {
        {sim::SetConveyorVelc,
         [](ServiceInterface& f) { return f.robotServiceSetConveyorVelc(-0.25); }, -0.25},
        {sim::SetStartWindowUpstream,
         [](ServiceInterface& f) { return f.robotServiceSetStartWindowUpstream(0.5); }, 0.5},
        {sim::SetStartWindowDownstream,
         [](ServiceInterface& f) { return f.robotServiceSetStartWindowDownstream(0.75); }, 0.75},
        {sim::SetConveyorTrackDownstream,
         [](ServiceInterface& f) { return f.robotServiceSetConveyorTrackDownstream(1.5); }, 1.5},
        {sim::SetRobotConveyorTrackMaxVelc,
         [](ServiceInterface& f) { return f.robotServiceSetRobotConveyorTrackMaxVelc(2.0); }, 2.0},
        {sim::SetRobotConveyorTrackMaxAcc,
         [](ServiceInterface& f) { return f.robotServiceSetRobotConveyorTrackMaxAcc(3.5); }, 3.5},
        {sim::SetRobotConveyorSystemDelay,
         [](ServiceInterface& f) { return f.robotServiceSetRobotConveyorSystemDelay(0.02); }, 0.02},
    };
    for (const Case& c : doubles) {
        EXPECT_EQ(c.call(*facade_), ErrnoSucc) << c.type;
        EXPECT_EQ(sentDoubles(sim(), c.type), std::vector<double>{c.sent}) << c.type;
    }
    // Sign and width: -1 stays -1; the unsigned maximum travels as the int -1.
    const uint32_t maxCount = 4294967295u;
    EXPECT_EQ(facade_->robotServiceSetConveyorDir(-1), ErrnoSucc);
    EXPECT_EQ(sentInts(sim(), sim::SetConveyorDir), std::vector<int>{-1});
    EXPECT_EQ(facade_->robotServiceSetEncoderValPerMeter(maxCount), ErrnoSucc);
    EXPECT_EQ(sentInts(sim(), sim::SetEncoderValPerMeter), std::vector<int>{-1});
}

TEST_F(ServicesTest, ToolPosesTravelAsToolKinematics) {
    struct Case {
        int type;
        std::function<int(ServiceInterface&, const ToolInEndDesc&)> call;
    };
    const std::vector<Case> cases = {
        {sim::SetRobotCameraCalib,
         [](ServiceInterface& f, const ToolInEndDesc& t) {
             return f.robotServiceSetRobotCameraCalib(t);
         }},
        {sim::SetRobotTool,
         [](ServiceInterface& f, const ToolInEndDesc& t) { return f.robotServiceSetRobotTool(t); }},
    };
    ToolInEndDesc tool{};
    tool.toolInEndPosition = {0.01, -0.02, 0.15};
    tool.toolInEndOrientation = {0.0, 1.0, 0.0, 0.0};
    for (const Case& c : cases) {
        ASSERT_EQ(c.call(*facade_, tool), ErrnoSucc);
        pbc::ToolKinematicsParam sent;
        ASSERT_TRUE(sent.ParseFromString(*sim().lastRequestBody(c.type)));
        EXPECT_DOUBLE_EQ(sent.toolposition().y(), -0.02);
        EXPECT_DOUBLE_EQ(sent.toolposition().z(), 0.15);
        EXPECT_DOUBLE_EQ(sent.toolori().x(), 1.0);
    }
}

TEST_F(ServicesTest, ObjectTimestampAboveInt32TravelsAsItsBits) {
    const Pos pos{0.4, -0.1, 0.05};
    const Ori ori{0.7071067811865476, 0, 0, 0.7071067811865476};
    const uint32_t timestamp = 3000000000u;  // above 2^31
    ASSERT_EQ(facade_->robotServiceAppendObject2ConveyorTrackQueue(pos, ori, timestamp), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceAppendObject2ConveyorTrackQueue(pos, ori, 7), ErrnoSucc);
    const auto objects = sim().conveyorObjects();
    ASSERT_EQ(objects.size(), 2u);
    pbc::ProtoConveyorTrackValuePoint first;
    ASSERT_TRUE(first.ParseFromString(objects[0]));
    EXPECT_EQ(first.timestamp(), static_cast<int32_t>(3000000000u - 4294967296u));
    EXPECT_EQ(static_cast<uint32_t>(first.timestamp()), timestamp);
    EXPECT_DOUBLE_EQ(first.position().y(), -0.1);
    EXPECT_DOUBLE_EQ(first.ori().z(), 0.7071067811865476);
}

TEST_F(ServicesTest, EncoderAdvancesWhileTheConveyorRunsAndResets) {
    ASSERT_EQ(facade_->robotServiceSetConveyorVelc(1.0), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetEncoderValPerMeter(100000u), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceSetConveyorEncoderReset(), ErrnoSucc);
    int value = 42;
    ASSERT_EQ(facade_->robotServiceGetConveyorEncoderVal(value), ErrnoSucc);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(facade_->robotServiceSetConveyorStartup(), ErrnoSucc);
    EXPECT_TRUE(waitFor([&] {
        return facade_->robotServiceGetConveyorEncoderVal(value) == ErrnoSucc && value > 1000;
    }));
    ASSERT_EQ(facade_->robotServiceSetConveyorStop(), ErrnoSucc);
    int stopped = 0, later = 0;
    ASSERT_EQ(facade_->robotServiceGetConveyorEncoderVal(stopped), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceGetConveyorEncoderVal(later), ErrnoSucc);
    EXPECT_EQ(stopped, later);
    ASSERT_EQ(facade_->robotServiceSetConveyorEncoderReset(), ErrnoSucc);
    ASSERT_EQ(facade_->robotServiceGetConveyorEncoderVal(value), ErrnoSucc);
    EXPECT_EQ(value, 0);
}

TEST_F(ServicesTest, EncoderReplies) {
    struct Case {
        const char* name;
        std::string body;
        int expected;
        int value;  // value afterwards, from 42
    };
    const std::vector<Case> cases = {
        {"empty vector leaves the value", intReply({}), ErrnoSucc, 42},
        {"first value taken", intReply({-5, 9}), ErrnoSucc, -5},
        {"controller refusal mapped, value still taken", intReply({3}, 2),
         RobotControlServices::getErrCodeByServerResponse(2), 3},
        {"undecodable reply", std::string("\xff\xff\xff", 3), ErrCode_ResolveResponseFailed, 42},
    };
    for (const Case& c : cases) {
        sim::FaultRule rule;
        rule.rawBody = c.body;
        sim().setFault(sim::GetConveyorEncoderVal, rule);
        int value = 42;
        EXPECT_EQ(facade_->robotServiceGetConveyorEncoderVal(value), c.expected) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST_F(ServicesTest, CommandsPassControllerRefusalsOn) {
    const std::vector<std::pair<int, std::function<int(ServiceInterface&)>>> cases = {
        {sim::SetConveyorStartup,
         [](ServiceInterface& f) { return f.robotServiceSetConveyorStartup(); }},
        {sim::SetConveyorStop, [](ServiceInterface& f) { return f.robotServiceSetConveyorStop(); }},
        {sim::EnableConveyorTrack,
         [](ServiceInterface& f) { return f.robotServiceEnableConveyorTrack(); }},
        {sim::SetConveyorDir, [](ServiceInterface& f) { return f.robotServiceSetConveyorDir(1); }},
    };
    for (const auto& [type, call] : cases) {
        sim::FaultRule rule;
        rule.serverCode = 2;
        sim().setFault(type, rule);
        EXPECT_EQ(call(*facade_), RobotControlServices::getErrCodeByServerResponse(2)) << type;
        EXPECT_NE(call(*facade_), ErrnoSucc) << type;
        sim().clearFault(type);
        EXPECT_EQ(call(*facade_), ErrnoSucc) << type;
    }
}

// ---- Recognition and seam tracking ---------------------------------------------

TEST_F(ServicesTest, RecognitionSendsAtMostLengthBytes) {
    struct Case {
        int type, length;
        std::vector<int> data;
        std::vector<int> sent;
    };
    std::vector<int> full(256, 200);
    std::vector<int> sent255{9, 255};
    sent255.insert(sent255.end(), 255, 200);
    const std::vector<Case> cases = {
        {1, 3, {7, 8, 9, 10}, {1, 3, 7, 8, 9}},
        {2, 0, {7}, {2, 0}},
        {9, 255, full, sent255},
    };
    for (const Case& c : cases) {
        RobotRecongnitionParam p{};
        p.type = static_cast<uint8_t>(c.type);
        p.length = static_cast<uint8_t>(c.length);
        for (size_t i = 0; i < c.data.size(); ++i) p.data[i] = static_cast<uint8_t>(c.data[i]);
        ASSERT_EQ(facade_->robotServiceSetRobotRecognitionParam(p), ErrnoSucc);
        EXPECT_EQ(sentInts(sim(), sim::SetRobotRecognitionParam), c.sent);
    }
    // Read back as written.
    RobotRecongnitionParam back;
    std::memset(&back, 0x55, sizeof(back));
    ASSERT_EQ(facade_->robotServiceGetRobotRecognitionParam(1, back), ErrnoSucc);
    EXPECT_EQ(sentInts(sim(), sim::GetRobotRecognitionParam), std::vector<int>{1});
    EXPECT_EQ(back.type, 1);
    EXPECT_EQ(back.length, 3);
    EXPECT_EQ(back.data[2], 9);
    EXPECT_EQ(back.data[3], 0);
}

TEST_F(ServicesTest, RecognitionReplies) {
    struct Case {
        const char* name;
        std::string body;
        int expected;
        int type, length;
        std::vector<int> data;  // the first bytes; the rest must be 0
    };
    const std::vector<Case> cases = {
        {"two values leave it zero", intReply({4, 2}), ErrnoSucc, 0, 0, {}},
        {"short reply copies what it holds",
         intReply({4, 10, 1, 2, 3, 4, 5}),
         ErrnoSucc,
         4,
         10,
         {1, 2, 3, 4, 5}},
        {"values cut to 8 bits", intReply({260, 2, 511, -1}), ErrnoSucc, 4, 2, {255, 255}},
        {"length bounds the copy", intReply({4, 1, 6, 7}), ErrnoSucc, 4, 1, {6}},
        {"filled although refused",
         intReply({4, 1, 6}, 2),
         RobotControlServices::getErrCodeByServerResponse(2),
         4,
         1,
         {6}},
        {"undecodable", std::string("\xff", 1), ErrCode_ResolveResponseFailed, 0, 0, {}},
    };
    for (const Case& c : cases) {
        sim::FaultRule rule;
        rule.rawBody = c.body;
        sim().setFault(sim::GetRobotRecognitionParam, rule);
        RobotRecongnitionParam p;
        std::memset(&p, 0x55, sizeof(p));
        EXPECT_EQ(facade_->robotServiceGetRobotRecognitionParam(4, p), c.expected) << c.name;
        EXPECT_EQ(p.type, c.type) << c.name;
        EXPECT_EQ(p.length, c.length) << c.name;
        for (size_t i = 0; i < sizeof(p.data); ++i) {
            const int want = i < c.data.size() ? c.data[i] : 0;
            ASSERT_EQ(p.data[i], want) << c.name << " byte " << i;
        }
    }
}

TEST_F(ServicesTest, SeamTrackingReadsBackAsWritten) {
    SeamTracking s{};
    s.trackEnable = true;
    s.timeInterval = 12;
    s.currentPosError[1] = -0.003;
    s.maxVel = 0.4;
    s.maxAcc = 1.25;
    s.paraChanged = true;
    s.nextRoadPoint.jointpos[2] = 0.5;
    ASSERT_EQ(facade_->robotServiceSetSeamTrackingParameters(s), ErrnoSucc);
    SeamTracking back{};
    ASSERT_EQ(facade_->robotServiceGetSeamTrackingParameters(back), ErrnoSucc);
    EXPECT_TRUE(back.trackEnable);
    EXPECT_EQ(back.timeInterval, 12);
    EXPECT_DOUBLE_EQ(back.currentPosError[1], -0.003);
    EXPECT_DOUBLE_EQ(back.maxVel, 0.4);
    EXPECT_DOUBLE_EQ(back.maxAcc, 1.25);
    EXPECT_TRUE(back.paraChanged);
    EXPECT_DOUBLE_EQ(back.nextRoadPoint.jointpos[2], 0.5);

    sim::FaultRule rule;
    rule.rawBody = std::string("\xff", 1);
    sim().setFault(sim::GetSeamTrackingParameters, rule);
    EXPECT_EQ(facade_->robotServiceGetSeamTrackingParameters(back), ErrCode_ResolveResponseFailed);
}

// ---- Force control (no facade operation reaches it) -----------------------------

class ForceControlTest : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        core_ = std::make_unique<RobotControlServices>();
        RobotType type{};
        RobotDhPara dh{};
        ASSERT_EQ(core_->loginService(simHost(), simPort(), simUser(), simPassword(), type, dh),
                  ErrnoSucc);
        force_ = std::make_unique<ForceControl>(core_.get());
    }
    void TearDown() override {
        force_.reset();
        core_.reset();
        SimFixture::TearDown();
    }
    std::unique_ptr<RobotControlServices> core_;
    std::unique_ptr<ForceControl> force_;
};

TEST_F(ForceControlTest, AttributesSendTheirTypeFirst) {
    double data[6] = {1, -2, 3, -4, 5, -6};
    const std::vector<std::pair<int, std::function<int(ForceControl&)>>> cases = {
        {1, [&](ForceControl& f) { return f.SetForceDeviation(data); }},
        {2, [&](ForceControl& f) { return f.SetForceMaxValue(data); }},
        {3, [&](ForceControl& f) { return f.SetForceControlStiffness(data); }},
        {4, [&](ForceControl& f) { return f.SetForceControlDamp(data); }},
        {5, [&](ForceControl& f) { return f.SetForceControlMass(data); }},
    };
    for (const auto& [type, call] : cases) {
        ASSERT_EQ(call(*force_), ErrnoSucc);
        EXPECT_EQ(sentDoubles(sim(), sim::SetForceControlAttributes),
                  (std::vector<double>{double(type), 1, -2, 3, -4, 5, -6}));
    }
    const uint64_t before = sim().requestCount(sim::SetForceControlAttributes);
    EXPECT_EQ(force_->SetForceControlAttributes(3, nullptr), ErrCode_ParamError);
    EXPECT_EQ(sim().requestCount(sim::SetForceControlAttributes), before);
}

TEST_F(ForceControlTest, PlanSwitchAndZero) {
    for (bool on : {true, false}) {
        ASSERT_EQ(force_->EnableForceControlPlan(on), ErrnoSucc);
        EXPECT_EQ(sentInts(sim(), sim::EnableForceControlPlan), std::vector<int>{on ? 1 : 0});
    }
    ASSERT_EQ(force_->forceControlCalibrationZero(), ErrnoSucc);
    EXPECT_EQ(sim().requestCount(sim::ForceControlCalibrationZero), 1u);
}

TEST_F(ForceControlTest, SensorReadingAsWrench) {
    sim().setForceSensorReading({1.5, -2.5, 3.5, 0.1, -0.2, 0.3}, true);
    WrenchParam w{};
    ASSERT_EQ(force_->getForceSensorData(w), ErrnoSucc);
    EXPECT_DOUBLE_EQ(w.force[1], -2.5);
    EXPECT_DOUBLE_EQ(w.torque[2], 0.3);
}

TEST_F(ForceControlTest, CalibrationSendsThreePosesAndDecodesTheResult) {
    JointParam joints[3]{};
    WrenchParam wrenches[3]{};
    for (int i = 0; i < 3; ++i) {
        joints[i].jointPos[0] = 0.1 * (i + 1);
        wrenches[i].force[0] = 3.0 * (i + 1);  // mean 6
    }
    FtSensorCalResult result{};
    ASSERT_EQ(force_->CalibToolAndSensor(joints, wrenches, result), ErrnoSucc);
    peripheral::ProtoFtSensorCalibParam sent;
    ASSERT_TRUE(sent.ParseFromString(*sim().lastRequestBody(sim::CalibToolAndSensor)));
    ASSERT_EQ(sent.jointangle_size(), 3);
    EXPECT_DOUBLE_EQ(sent.jointangle(2).joint1(), 0.3);
    EXPECT_DOUBLE_EQ(sent.wrenchlist(1).force(0), 6.0);
    EXPECT_DOUBLE_EQ(result.offset.force[0], 6.0);
    EXPECT_EQ(force_->CalibToolAndSensor(nullptr, wrenches, result), ErrCode_ParamError);
}

}  // namespace
