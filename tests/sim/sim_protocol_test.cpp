// The simulator seen from the wire: raw frames in, raw frames out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/moverequest.h"
#include "sim/rawclient.h"
#include "sim/simkinematics.h"
#include "support/simfixture.h"

namespace {

using namespace std::chrono_literals;
namespace pbc = tevo::robot::common;
namespace pbm = tevo::robot::communication;
using tevo_sim::Cmd;

pbm::ProtoRobotCommonResponse commonReply(tevo_test::RawClient& c, int32_t type,
                                          const std::string& body = {}) {
    pbm::ProtoRobotCommonResponse r;
    EXPECT_TRUE(c.request(type, body, r)) << "no common reply to " << type;
    return r;
}

pbm::ProtoCommunicationGeneralData generalInts(std::initializer_list<int32_t> v) {
    pbm::ProtoCommunicationGeneralData g;
    g.set_type(1);
    for (int32_t x : v) g.add_property1(x);
    return g;
}

pbm::ProtoCommunicationDoubleVector doubles(const std::vector<double>& v) {
    pbm::ProtoCommunicationDoubleVector d;
    d.set_num(static_cast<int32_t>(v.size()));
    for (double x : v) d.add_value(x);
    return d;
}

pbm::ProtoCommunicationIntVector ints(const std::vector<int32_t>& v) {
    pbm::ProtoCommunicationIntVector d;
    d.set_num(static_cast<int32_t>(v.size()));
    for (int32_t x : v) d.add_value(x);
    return d;
}

std::optional<pbm::ProtoCommunicationRobotEvent> nextEvent(
    tevo_test::RawClient& c, int32_t type, std::chrono::milliseconds timeout = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        auto f = c.nextOf(Cmd::Event, std::chrono::duration_cast<std::chrono::milliseconds>(
                                          deadline - std::chrono::steady_clock::now()));
        if (!f) return std::nullopt;
        pbm::ProtoCommunicationRobotEvent e;
        if (e.ParseFromString(f->body) && e.eventtype() == type) return e;
    }
    return std::nullopt;
}

// Next event frame, whatever its type.
std::optional<pbm::ProtoCommunicationRobotEvent> anyEvent(tevo_test::RawClient& c) {
    auto f = c.nextOf(Cmd::Event, 5000ms);
    pbm::ProtoCommunicationRobotEvent e;
    if (!f || !e.ParseFromString(f->body)) return std::nullopt;
    return e;
}

// Types of the events that arrive before a marker event the simulator is
// asked to send now.
std::vector<int32_t> eventsUntilMarker(tevo_test::RawClient& c, tevo_sim::ControllerSim& sim) {
    constexpr int32_t kMarker = 9999;
    sim.sendEvent(tevo_sim::EventSpec{kMarker, 0, "marker"});
    std::vector<int32_t> types;
    while (auto e = anyEvent(c)) {
        if (e->eventtype() == kMarker) break;
        types.push_back(e->eventtype());
    }
    return types;
}

class SimProtocol : public tevo_test::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        ASSERT_TRUE(client.connect(sim().port()));
    }

    void login(tevo_test::RawClient& c) {
        pbm::ProtoRequestLogin req;
        req.set_username(simUser());
        req.set_passwd(simPassword());
        pbc::ProtoResponseRobotDhParam r;
        ASSERT_TRUE(c.request(Cmd::Login, req, r));
        ASSERT_EQ(r.errorinfo().errorcode(), 0);
    }

    void startArm(tevo_test::RawClient& c) {
        pbm::ProtoCommunicationRobotStartupProfile sp;
        auto* t = sp.mutable_tcpparam();
        for (auto* p : {t->mutable_paramautorun(), t->mutable_parammanual()}) {
            p->set_positionx(0);
            p->set_positiony(0);
            p->set_positionz(0);
            p->set_payload(0);
        }
        sp.set_readpose(true);
        sp.set_staticcollisiondetect(true);
        sp.set_collisionclass(6);
        sp.set_maxacc(0);
        ASSERT_EQ(commonReply(c, Cmd::RobotStartup, sp.SerializeAsString()).errorcode(), 0);
        auto ev = nextEvent(c, tevo_sim::EvStartupDoneResult);
        ASSERT_TRUE(ev);
        ASSERT_EQ(ev->eventcode(), tevo_sim::ServiceWorking);
    }

    static pbc::RobotMove jointMove(const double q[6], int mode = 1) {
        pbc::RobotMove mv =
            tevo_test::moveProfile(static_cast<tevo::robot::movecondition::move_mode>(mode),
                                   mode == 2 ? 0.5 : 1.0, mode == 2 ? 1.0 : 2.0);
        addPoint(mv, q);
        return mv;
    }

    static void addPoint(pbc::RobotMove& mv, const double q[6], const double* pos = nullptr,
                         const double* quat = nullptr) {
        tevo_test::addWaypoint(mv, q, pos, quat);
    }

    tevo_test::RawClient client;
};

// ------------------------------------------------------------------ login

struct LoginCase {
    const char* user;
    const char* pass;
    bool accepted;
};

TEST_F(SimProtocol, LoginChecksCredentialsAndReportsArm) {
    const LoginCase cases[] = {
        {"tevo", "tevo", true},      // the configured user
        {"QORTX4", "QORTX4", true},  // the handle interface's fixed login
        {"tevo", "wrong", false},   {"QORTX4", "tevo", false}, {"", "", false},
    };
    for (const auto& lc : cases) {
        pbm::ProtoRequestLogin req;
        req.set_username(lc.user);
        req.set_passwd(lc.pass);
        pbc::ProtoResponseRobotDhParam r;
        ASSERT_TRUE(client.request(Cmd::Login, req, r)) << lc.user;
        EXPECT_EQ(r.errorinfo().errorcode() == 0, lc.accepted) << lc.user << "/" << lc.pass;
        EXPECT_EQ(r.robottype(), 0);
        EXPECT_DOUBLE_EQ(r.dhparam().a3(), 0.408);
        EXPECT_DOUBLE_EQ(r.dhparam().d6(), 0.094);
    }
    pbc::ProtoResponseRobotDhParam r;
    ASSERT_TRUE(client.request(Cmd::Login, std::string("\xFF\xFF", 2), r));
    EXPECT_EQ(r.errorinfo().errorcode(), tevo_sim::CodeRequestFormatError);
}

class SimModel9 : public SimProtocol {
protected:
    tevo_sim::SimOptions simOptions() const override {
        auto o = SimProtocol::simOptions();
        o.model = 9;
        o.userName = "alice";
        o.password = "secret";
        o.acceptHandleCredentials = false;
        return o;
    }
};

TEST_F(SimModel9, LoginUsesConfiguredUserAndModel) {
    pbm::ProtoRequestLogin req;
    req.set_username("alice");
    req.set_passwd("secret");
    pbc::ProtoResponseRobotDhParam r;
    ASSERT_TRUE(client.request(Cmd::Login, req, r));
    EXPECT_EQ(r.errorinfo().errorcode(), 0);
    EXPECT_EQ(r.robottype(), 9);
    EXPECT_DOUBLE_EQ(r.dhparam().a3(), 0.753);
    req.set_username("QORTX4");
    req.set_passwd("QORTX4");
    ASSERT_TRUE(client.request(Cmd::Login, req, r));
    EXPECT_NE(r.errorinfo().errorcode(), 0);
}

// -------------------------------------------------------------- read-back

// One setter family: write a value, read it back, check it.
struct ReadBack {
    const char* name;
    int32_t setCmd;
    std::function<std::string()> setBody;
    int32_t getCmd;
    std::string getBody;
    std::function<google::protobuf::Message*()> makeReply;
    std::function<void(const google::protobuf::Message&)> check;
};

template <class M>
std::function<google::protobuf::Message*()> reply() {
    return [] { return new M(); };
}

template <class M>
const M& as(const google::protobuf::Message& m) {
    return static_cast<const M&>(m);
}

pbm::ProtoCommunicationRobotDiagnosisIOData digital(
    std::initializer_list<std::array<uint32_t, 3>> descs) {
    pbm::ProtoCommunicationRobotDiagnosisIOData d;
    d.set_type(0);
    for (const auto& x : descs) {
        auto* e = d.add_iodesc();
        e->set_addr(x[0]);
        e->set_value(x[1]);
        e->set_type(x[2]);
    }
    return d;
}

pbm::ProtoCommunicationRobotAnalogIOData analog(uint32_t addr, float value) {
    pbm::ProtoCommunicationRobotAnalogIOData d;
    d.set_type(0);
    auto* e = d.add_iodesc();
    e->set_addr(addr);
    e->set_value(value);
    e->set_type(0);
    return d;
}

std::vector<double> seq(size_t n, double start) {
    std::vector<double> v;
    for (size_t i = 0; i < n; ++i) v.push_back(start + static_cast<double>(i) * 0.25);
    return v;
}

TEST_F(SimProtocol, EverySetterFamilyReadsBack) {
    login(client);
    pbm::RobotTcpParam tcp;
    for (auto* p : {tcp.mutable_paramautorun(), tcp.mutable_parammanual()}) {
        p->set_positionx(0.01f);
        p->set_positiony(0.02f);
        p->set_positionz(0.03f);
        p->set_payload(2.5f);
    }
    pbc::ToolParam tool;
    auto* td = tool.add_tooldynamicsparam();
    td->set_positionx(0.1), td->set_positiony(0.2), td->set_positionz(0.3), td->set_payload(1.5);
    auto* ti = td->mutable_toolinertia();
    ti->set_xx(1), ti->set_xy(2), ti->set_xz(3), ti->set_yy(4), ti->set_yz(5), ti->set_zz(6);
    tool.mutable_errorinfo()->set_errorcode(0);
    tool.mutable_errorinfo()->set_errormsg("");
    pbc::ProtoResponseRobotSafetyConfig safety;
    auto* sc = safety.add_safetyconfig();
    for (int i = 0; i < 6; ++i) sc->add_robotreducedconfigjointspeed(10 + i);
    sc->set_robotreducedconfigtcpspeed(11), sc->set_robotreducedconfigtcpforce(12);
    sc->set_robotreducedconfigmomentum(13), sc->set_robotreducedconfigpower(14);
    sc->set_robotsafeguradresetconfig(1), sc->set_robotoperationalmodeconfig(2);
    safety.mutable_errorinfo()->set_errorcode(0);
    safety.mutable_errorinfo()->set_errormsg("");
    pbc::ProtoSeamTrack_t seam;
    {
        pbc::ProtoResponseRobotDhParam unused;
        (void)unused;
        const double q[6] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
        pbc::RobotMove tmp;
        addPoint(tmp, q);
        seam.set_trackenable(1);
        seam.mutable_currentroadpoint()->CopyFrom(tmp.roadpointvector(0));
        seam.mutable_nextroadpoint()->CopyFrom(tmp.roadpointvector(0));
        seam.set_timeinterval(8);
        for (int i = 0; i < 3; ++i) seam.add_currentposerror(0.001 * (i + 1));
        seam.set_maxvel(0.5), seam.set_maxacc(1.5), seam.set_parachanged(1);
    }
    pbm::protoSafeCommunicationParam pause;
    pause.set_paramreserved(0);
    pause.add_param(1);

    const std::vector<ReadBack> cases = {
        {"work mode", Cmd::SetRobotMode, [] { return generalInts({1}).SerializeAsString(); },
         Cmd::GetRobotMode, "", reply<pbm::ProtoCommunicationGeneralData>(),
         [](const auto& m) {
             EXPECT_EQ(as<pbm::ProtoCommunicationGeneralData>(m).property1(0), 1);
         }},
        {"payload", Cmd::SetRobotTcpParam, [&] { return tcp.SerializeAsString(); },
         Cmd::GetRobotTcpParam, "", reply<pbc::ProtoResponseRobotTcpParam>(),
         [](const auto& m) {
             EXPECT_FLOAT_EQ(
                 as<pbc::ProtoResponseRobotTcpParam>(m).tcpparam(0).paramautorun().payload(), 2.5f);
             EXPECT_FLOAT_EQ(
                 as<pbc::ProtoResponseRobotTcpParam>(m).tcpparam(0).parammanual().positionz(),
                 0.03f);
         }},
        {"tool dynamics", Cmd::SetToolDynamicsParam, [&] { return tool.SerializeAsString(); },
         Cmd::GetToolDynamicsParam, "", reply<pbc::ToolParam>(),
         [](const auto& m) {
             const auto& t = as<pbc::ToolParam>(m).tooldynamicsparam(0);
             EXPECT_DOUBLE_EQ(t.payload(), 1.5);
             EXPECT_DOUBLE_EQ(t.toolinertia().zz(), 6);
         }},
        {"collision class", Cmd::SetRobotCollisionGrade,
         [] { return generalInts({8}).SerializeAsString(); }, Cmd::GetRobotCollisionCurrent, "",
         reply<pbc::ProtoResponseRobotCollisionCurrent>(),
         [](const auto& m) {
             EXPECT_EQ(as<pbc::ProtoResponseRobotCollisionCurrent>(m)
                           .collisioncurrent(0)
                           .collisionclass(),
                       8u);
         }},
        {"safety config", Cmd::SetRobotSafetyConfig, [&] { return safety.SerializeAsString(); },
         Cmd::GetRobotSafetyConfig, "", reply<pbc::ProtoResponseRobotSafetyConfig>(),
         [](const auto& m) {
             const auto& s = as<pbc::ProtoResponseRobotSafetyConfig>(m).safetyconfig(0);
             EXPECT_EQ(s.robotreducedconfigjointspeed(5), 15);
             EXPECT_EQ(s.robotoperationalmodeconfig(), 2);
         }},
        {"safety I/O status", Cmd::SafetyIoSetOrpePause, [&] { return pause.SerializeAsString(); },
         Cmd::GetOrpeSafetyStatus, "", reply<pbc::ProtoResponseOrpeSafetyStatus>(),
         [](const auto& m) {
             EXPECT_EQ(as<pbc::ProtoResponseOrpeSafetyStatus>(m).safetystatus(0).orpepause(), 1);
         }},
        {"joint servo parameter", Cmd::SetJointCommonData,
         [] {
             return ints({7, 3, 4321}).SerializeAsString();
         },
         Cmd::GetJointCommonData, "", reply<pbm::ProtoJointCommonDataResponse>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoJointCommonDataResponse>(m);
             ASSERT_EQ(r.jointcommondata_size(), 6);
             EXPECT_EQ(r.jointcommondata(2).jointposp(), 4321);  // joint 3, position P
             EXPECT_NE(r.jointcommondata(1).jointposp(), 4321);
         }},
        {"user DO", Cmd::SetInterfaceBoardOneDOStatus,
         [] {
             return digital({{35, 1, 0}}).SerializeAsString();
         },
         Cmd::GetInterfaceBoardOneDOStatus, digital({{35, 0, 0}}).SerializeAsString(),
         reply<pbm::ProtoCommunicationRobotDiagnosisIOData>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationRobotDiagnosisIOData>(m);
             ASSERT_EQ(r.iodesc_size(), 1);
             EXPECT_EQ(r.iodesc(0).addr(), 35u);
             EXPECT_EQ(r.iodesc(0).value(), 1u);
         }},
        {"user AO", Cmd::SetInterfaceBoardOneAOStatus,
         [] { return analog(2, 3.5f).SerializeAsString(); }, Cmd::GetInterfaceBoardAllAOData, "",
         reply<pbm::ProtoCommunicationRobotAnalogIOData>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationRobotAnalogIOData>(m);
             ASSERT_EQ(r.iodesc_size(), 4);
             EXPECT_FLOAT_EQ(r.iodesc(2).value(), 3.5f);
         }},
        {"tool power type", Cmd::SetToolPowerVoltageType,
         [] {
             return digital({{0, 2, 0}}).SerializeAsString();
         },
         Cmd::GetToolPowerVoltageType, "", reply<pbm::ProtoCommunicationRobotDiagnosisIOData>(),
         [](const auto& m) {
             EXPECT_EQ(as<pbm::ProtoCommunicationRobotDiagnosisIOData>(m).iodesc(0).value(), 2u);
         }},
        {"tool supply and line directions", Cmd::SetToolPowerTypeAndDigitalIOType,
         [] {
             return digital({{0, 1, 1}, {0, 1, 1}, {1, 0, 0}, {2, 1, 1}, {3, 0, 0}})
                 .SerializeAsString();
         },
         Cmd::GetToolAllIoStatus, "", reply<pbm::ProtoCommunicationToolAllIOStatusInfoResponse>(),
         [](const auto& m) {
             const auto& s =
                 as<pbm::ProtoCommunicationToolAllIOStatusInfoResponse>(m).tooliostatus();
             EXPECT_EQ(s.powertype(), 1u);
             EXPECT_DOUBLE_EQ(s.systemvoltage(), 12.0);
             ASSERT_EQ(s.digitaliostatus_size(), 4);
             EXPECT_EQ(s.digitaliostatus(0).iotype(), 1u);
             EXPECT_EQ(s.digitaliostatus(1).iotype(), 0u);
             EXPECT_EQ(s.digitaliostatus(2).iotype(), 1u);
             EXPECT_EQ(s.aidata_size(), 2);
         }},
        {"tool line level", Cmd::SetToolDigitalIOStatus,
         [] {
             return digital({{3, 1, 0}}).SerializeAsString();
         },
         Cmd::GetToolAllDigitalIOStatus, "", reply<pbm::ProtoCommunicationRobotDiagnosisIOData>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationRobotDiagnosisIOData>(m);
             ASSERT_EQ(r.iodesc_size(), 4);
             EXPECT_EQ(r.iodesc(3).value(), 1u);
             EXPECT_EQ(r.iodesc(2).value(), 0u);
         }},
        {"joint range of motion", Cmd::SetJointRangeOfMotion,
         [] { return doubles(seq(13, -1.5)).SerializeAsString(); }, Cmd::GetJointRangeOfMotion, "",
         reply<pbm::ProtoCommunicationDoubleVectorResponse>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationDoubleVectorResponse>(m);
             ASSERT_EQ(r.value_size(), 13);
             EXPECT_DOUBLE_EQ(r.value(12), -1.5 + 12 * 0.25);
         }},
        {"reduced speed", Cmd::SetRegulateSpeedModeConfig,
         [] { return doubles(seq(14, 1)).SerializeAsString(); }, Cmd::GetRegulateSpeedModeConfig,
         "", reply<pbm::ProtoCommunicationDoubleVectorResponse>(),
         [](const auto& m) {
             EXPECT_DOUBLE_EQ(as<pbm::ProtoCommunicationDoubleVectorResponse>(m).value(13),
                              1 + 13 * 0.25);
         }},
        {"admittance", Cmd::SetForceControlModeAdmittancePatam,
         [] { return doubles(seq(18, 2)).SerializeAsString(); },
         Cmd::GetForceControlModeAdmittancePatam, "",
         reply<pbm::ProtoCommunicationDoubleVectorResponse>(),
         [](const auto& m) {
             EXPECT_EQ(as<pbm::ProtoCommunicationDoubleVectorResponse>(m).value_size(), 18);
         }},
        {"explore force", Cmd::SetForceControlModeExploreForceParam,
         [] {
             return doubles({20, 0.01}).SerializeAsString();
         },
         Cmd::GetForceControlModeExploreForceParam, "",
         reply<pbm::ProtoCommunicationDoubleVectorResponse>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationDoubleVectorResponse>(m);
             ASSERT_EQ(r.value_size(), 2);
             EXPECT_DOUBLE_EQ(r.value(0), 20);
             EXPECT_DOUBLE_EQ(r.value(1), 0.01);
         }},
        {"movep joint limits", Cmd::SetMovePJointRangeLimitParam,
         [] { return doubles(seq(12, -2)).SerializeAsString(); }, Cmd::GetMovePJointRangeLimitParam,
         "", reply<pbm::ProtoCommunicationDoubleVectorResponse>(),
         [](const auto& m) {
             EXPECT_DOUBLE_EQ(as<pbm::ProtoCommunicationDoubleVectorResponse>(m).value(0), -2);
         }},
        {"seam tracking", Cmd::SetSeamTrackingParameters, [&] { return seam.SerializeAsString(); },
         Cmd::GetSeamTrackingParameters, "", reply<pbc::ProtoSeamTrackResponse_t>(),
         [](const auto& m) {
             const auto& s = as<pbc::ProtoSeamTrackResponse_t>(m).seamtrack();
             EXPECT_EQ(s.trackenable(), 1);
             EXPECT_EQ(s.timeinterval(), 8);
             EXPECT_DOUBLE_EQ(s.maxacc(), 1.5);
         }},
        {"recognition parameters", Cmd::SetRobotRecognitionParam,
         [] {
             return ints({3, 2, 7, 9}).SerializeAsString();
         },
         Cmd::GetRobotRecognitionParam, ints({3}).SerializeAsString(),
         reply<pbm::ProtoCommunicationIntVectorResponse>(),
         [](const auto& m) {
             const auto& r = as<pbm::ProtoCommunicationIntVectorResponse>(m);
             ASSERT_EQ(r.value_size(), 4);
             EXPECT_EQ(r.value(3), 9);
         }},
    };
    for (const ReadBack& rb : cases) {
        SCOPED_TRACE(rb.name);
        EXPECT_EQ(commonReply(client, rb.setCmd, rb.setBody()).errorcode(), 0);
        std::unique_ptr<google::protobuf::Message> r(rb.makeReply());
        ASSERT_TRUE(client.request(rb.getCmd, rb.getBody, *r));
        rb.check(*r);
    }
}

TEST_F(SimProtocol, InputsSetOnTheArmAreReadByAddress) {
    login(client);
    EXPECT_TRUE(sim().setBoardDigitalInput(49, true));  // a user input
    EXPECT_FALSE(sim().setBoardDigitalInput(52, true));
    EXPECT_TRUE(sim().setBoardAnalogInput(3, 7.25f));
    EXPECT_FALSE(sim().setBoardAnalogInput(4, 1.0f));
    EXPECT_TRUE(sim().setToolAnalogInput(1, 4.5));
    EXPECT_FALSE(sim().setToolAnalogInput(2, 1.0));

    pbm::ProtoCommunicationRobotDiagnosisIOData di;
    ASSERT_TRUE(client.request(Cmd::GetInterfaceBoardOneDIStatus,
                               digital({{49, 0, 0}}).SerializeAsString(), di));
    ASSERT_EQ(di.iodesc_size(), 1);
    EXPECT_EQ(di.iodesc(0).value(), 1u);
    ASSERT_TRUE(client.request(Cmd::GetInterfaceBoardAllDIData, "", di));
    ASSERT_EQ(di.iodesc_size(), 52);
    EXPECT_EQ(di.iodesc(48).value(), 0u);
    pbm::ProtoCommunicationRobotAnalogIOData ai;
    ASSERT_TRUE(
        client.request(Cmd::GetInterfaceBoardOneAIStatus, analog(3, 0).SerializeAsString(), ai));
    ASSERT_EQ(ai.iodesc_size(), 1);
    EXPECT_FLOAT_EQ(ai.iodesc(0).value(), 7.25f);
    ASSERT_TRUE(client.request(Cmd::GetToolAllAIStatus, "", ai));
    ASSERT_EQ(ai.iodesc_size(), 2);
    EXPECT_FLOAT_EQ(ai.iodesc(1).value(), 4.5f);
    // An address beyond the board is refused with an empty list.
    ASSERT_TRUE(client.request(Cmd::GetInterfaceBoardOneDIStatus,
                               digital({{60, 0, 0}}).SerializeAsString(), di));
    EXPECT_NE(di.errorinfo(0).errorcode(), 0);
    EXPECT_EQ(di.iodesc_size(), 0);
}

TEST_F(SimProtocol, SettersRefuseMalformedValuesAndKeepState) {
    login(client);
    struct Bad {
        const char* name;
        int32_t cmd;
        std::string body;
    };
    const Bad cases[] = {
        {"undecodable body", Cmd::SetRobotMode, std::string("\x0A\xFF", 2)},
        {"collision class above 10", Cmd::SetRobotCollisionGrade,
         generalInts({11}).SerializeAsString()},
        {"DO address beyond the board", Cmd::SetInterfaceBoardOneDOStatus,
         digital({{48, 1, 0}}).SerializeAsString()},
        {"tool line 4", Cmd::SetToolDigitalIOType, digital({{4, 1, 0}}).SerializeAsString()},
        {"joint range with 12 values", Cmd::SetJointRangeOfMotion,
         doubles(seq(12, 0)).SerializeAsString()},
        {"servo joint 7", Cmd::SetJointCommonData, ints({0, 7, 1}).SerializeAsString()},
    };
    for (const Bad& b : cases) {
        EXPECT_NE(commonReply(client, b.cmd, b.body).errorcode(), 0) << b.name;
    }
    EXPECT_EQ(sim().snapshot().collisionClass, 6);
    pbm::ProtoRobotCommonResponse unknown =
        commonReply(client, 1);  // a command the controller does not take
    EXPECT_NE(unknown.errorcode(), 0);
}

// -------------------------------------------------------------- lifecycle

TEST_F(SimProtocol, TwoStepCommandsReplyThenSendCompletionEvents) {
    login(client);
    startArm(client);
    EXPECT_TRUE(sim().snapshot().started);

    EXPECT_EQ(commonReply(client, Cmd::RobotHandShake).errorcode(), 0);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvHandShakeSucc));
    sim().setHandshakeSucceeds(false);
    EXPECT_EQ(commonReply(client, Cmd::RobotHandShake).errorcode(), 0);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvHandShakeFailed));

    EXPECT_EQ(commonReply(client, Cmd::RobotShutdown).errorcode(), 0);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvShutdownDone));
    EXPECT_FALSE(sim().snapshot().started);
    EXPECT_FALSE(sim().snapshot().powered);

    sim().setStartupResult(tevo_sim::ServiceFaultPower);
    pbm::ProtoCommunicationRobotStartupProfile sp;
    ASSERT_TRUE(sp.ParseFromString(*sim().lastRequestBody(Cmd::RobotStartup)));
    EXPECT_EQ(commonReply(client, Cmd::RobotStartup, sp.SerializeAsString()).errorcode(), 0);
    auto ev = nextEvent(client, tevo_sim::EvStartupDoneResult);
    ASSERT_TRUE(ev);
    EXPECT_EQ(ev->eventcode(), tevo_sim::ServiceFaultPower);
    EXPECT_FALSE(sim().snapshot().started);
}

TEST_F(SimProtocol, PowerBrakeAndFullTurnFlags) {
    login(client);
    pbm::ProtoCommunicationGeneralData on;
    on.set_type(1);
    on.add_property2(true);
    EXPECT_EQ(commonReply(client, Cmd::SetRobotPowerStatus, on.SerializeAsString()).errorcode(), 0);
    EXPECT_TRUE(sim().snapshot().powered);
    EXPECT_EQ(commonReply(client, Cmd::SetRobotReleaseBrake).errorcode(), 0);
    EXPECT_TRUE(sim().snapshot().brakeReleased);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvReleaseBrakeDone));

    sim().setJointRot360Flags(false, true);
    auto flagEvent = nextEvent(client, tevo_sim::EvUpdateJoint6Rot360Flag);
    ASSERT_TRUE(flagEvent);
    EXPECT_EQ(flagEvent->eventcode(), 1);
    pbm::ProtoCommunicationGeneralData g;
    ASSERT_TRUE(client.request(Cmd::GetEnableJoint6Rot360Flag, "", g));
    ASSERT_EQ(g.property2_size(), 1);
    EXPECT_TRUE(g.property2(0));
    ASSERT_TRUE(client.request(Cmd::GetEnableJoint1Rot360Flag, "", g));
    EXPECT_FALSE(g.property2(0));
}

// ----------------------------------------------------------------- motion

TEST_F(SimProtocol, JointMoveIsRefusedUntilStartedThenEndsWithItsEvent) {
    login(client);
    const double target[6] = {0.3, -0.1, 1.5, 0.2, 1.4, 0.5};
    EXPECT_EQ(
        commonReply(client, Cmd::RobotMove, jointMove(target).SerializeAsString()).errorcode(),
        tevo_sim::CodeArmNotStarted);
    startArm(client);
    EXPECT_EQ(
        commonReply(client, Cmd::RobotMove, jointMove(target).SerializeAsString()).errorcode(), 0);
    ASSERT_TRUE(nextEvent(client, tevo_sim::EvAtTrackTargetPos));
    const auto s = sim().snapshot();
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(s.joints[i], target[i], 1e-9);
    EXPECT_EQ(s.movesCompleted, 1u);

    // A straight line to a pose out of the arm's reach: refused.
    pbc::RobotMove far = jointMove(target, 2);
    far.clear_roadpointvector();
    const double away[3] = {3.0, 0.0, 0.5}, ident[4] = {1, 0, 0, 0};
    addPoint(far, nullptr, away, ident);
    EXPECT_EQ(commonReply(client, Cmd::RobotMove, far.SerializeAsString()).errorcode(),
              tevo_sim::CodePoseUnreachable);

    // Outside the configured joint range: refused, the arm stays.
    std::vector<double> range{1};
    for (int i = 0; i < 6; ++i) range.push_back(-1.0), range.push_back(1.0);
    EXPECT_EQ(commonReply(client, Cmd::SetJointRangeOfMotion, doubles(range).SerializeAsString())
                  .errorcode(),
              0);
    EXPECT_EQ(
        commonReply(client, Cmd::RobotMove, jointMove(target).SerializeAsString()).errorcode(),
        tevo_sim::CodeJointOutOfRange);
}

TEST_F(SimProtocol, LinearMoveFollowsAStraightLine) {
    login(client);
    startArm(client);
    const double goal[6] = {0.2, -0.3, 1.6, 0.5, 1.5, 0.1};
    // Pose of `goal` from the controller itself.
    pbc::RobotMove tmp;
    addPoint(tmp, goal);
    pbc::ProtoRoadPointResponse corrected;
    ASSERT_TRUE(client.request(Cmd::GetCorrectedWaypoint, tmp.roadpointvector(0), corrected));
    const auto& wp = corrected.waypoint();
    const double pos[3] = {wp.cartpos().position(0).x(), wp.cartpos().position(0).y(),
                           wp.cartpos().position(0).z()};
    const double quat[4] = {wp.orientation().w(), wp.orientation().x(), wp.orientation().y(),
                            wp.orientation().z()};
    pbc::RobotMove mv = jointMove(goal, 2);
    mv.mutable_move_profile()->mutable_maxvelc()->set_jointpara(0, 0.1);  // slow line: many samples
    mv.clear_roadpointvector();
    addPoint(mv, goal, pos, quat);

    pbc::RobotMove here0;
    addPoint(here0, sim().snapshot().joints);
    pbc::ProtoRoadPointResponse start;
    ASSERT_TRUE(client.request(Cmd::GetCorrectedWaypoint, here0.roadpointvector(0), start));
    const double p0[3] = {start.waypoint().cartpos().position(0).x(),
                          start.waypoint().cartpos().position(0).y(),
                          start.waypoint().cartpos().position(0).z()};
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), 0);
    // Sample the path while it runs: every sample lies on the segment p0-pos.
    int samples = 0;
    double worst = 0;
    while (samples < 5000) {
        const auto snap = sim().snapshot();
        if (snap.movesCompleted == 1) break;
        pbc::RobotMove probe;
        addPoint(probe, snap.joints);
        pbc::ProtoRoadPointResponse here;
        ASSERT_TRUE(client.request(Cmd::GetCorrectedWaypoint, probe.roadpointvector(0), here));
        const double p[3] = {here.waypoint().cartpos().position(0).x(),
                             here.waypoint().cartpos().position(0).y(),
                             here.waypoint().cartpos().position(0).z()};
        double d[3], u[3], len = 0, t = 0;
        for (int i = 0; i < 3; ++i) u[i] = pos[i] - p0[i], len += u[i] * u[i];
        for (int i = 0; i < 3; ++i) t += (p[i] - p0[i]) * u[i] / len;
        double dist = 0;
        for (int i = 0; i < 3; ++i) d[i] = p0[i] + t * u[i] - p[i], dist += d[i] * d[i];
        worst = std::max(worst, std::sqrt(dist));
        ++samples;
    }
    ASSERT_TRUE(nextEvent(client, tevo_sim::EvAtTrackTargetPos));
    EXPECT_GT(samples, 2);
    EXPECT_LT(worst, 1e-4);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(sim().snapshot().joints[i], goal[i], 1e-9);
}

TEST_F(SimProtocol, RotationMoveTurnsTheToolAboutABaseAxisInPlace) {
    login(client);
    startArm(client);
    const tevo_sim::Dh dh{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094};
    const auto start = tevo_sim::forwardKinematics(dh, sim().snapshot().joints);
    // The rotation rides in the waypoint's orientation: w = angle, x/y/z = axis.
    const double angle = 0.3, axis[3] = {0, 0, 1};
    pbc::RobotMove mv = jointMove(sim().snapshot().joints, 2);
    mv.mutable_move_profile()->set_teachmode(tevo::robot::movecondition::ROT_Y);
    mv.clear_roadpointvector();
    const double carrier[4] = {angle, axis[0], axis[1], axis[2]};
    addPoint(mv, sim().snapshot().joints, start.p, carrier);
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), 0);
    ASSERT_TRUE(nextEvent(client, tevo_sim::EvAtTrackTargetPos));
    const auto end = tevo_sim::forwardKinematics(dh, sim().snapshot().joints);
    EXPECT_LT(tevo_sim::positionDistance(end, start), 1e-5);
    EXPECT_NEAR(tevo_sim::orientationAngle(end, start), angle, 1e-4);
    const auto expected = tevo_sim::rotateAboutBaseAxis(start, axis, angle);
    EXPECT_LT(tevo_sim::orientationAngle(end, expected), 1e-4);
}

TEST_F(SimProtocol, MultiPointMoveReportsProgressAtEachWaypoint) {
    login(client);
    startArm(client);
    const double a[6] = {0.1, -0.2, 1.7, 0.4, 1.5, 0};
    const double b[6] = {0.2, -0.2, 1.6, 0.4, 1.5, 0};
    const double c[6] = {0.3, -0.1, 1.6, 0.3, 1.5, 0.1};
    pbc::RobotMove mv = jointMove(a, 3);
    addPoint(mv, b);
    addPoint(mv, c);
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), 0);
    // Reaching a and b starts the segments 0 (a to b) and 1 (b to c); reaching
    // c ends the move.
    for (int n = 0; n <= 1; ++n) {
        auto f = client.nextOf(Cmd::MovepProgressNotify);
        ASSERT_TRUE(f);
        pbm::ProtoCommunicationGeneralData g;
        ASSERT_TRUE(g.ParseFromString(f->body));
        EXPECT_EQ(g.property1(0), n);
    }
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvAtTrackTargetPos));
    ASSERT_TRUE(sim().waitIdle(5000ms));
    EXPECT_TRUE(eventsUntilMarker(client, sim()).empty());  // one end event, at the last point
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(sim().snapshot().joints[i], c[i], 1e-9);
}

TEST_F(SimProtocol, PauseContinueAndStopAnswerWithResultAndDoneEvents) {
    login(client);
    startArm(client);
    pbc::ProtoRobotMoveFuncResult r;
    ASSERT_TRUE(client.request(Cmd::MoveControlPause, "", r));
    EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccNoWait);  // nothing to pause

    const double far[6] = {2.0, -1.0, 0.5, 1.0, -1.0, 2.0};
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, jointMove(far).SerializeAsString()).errorcode(),
              0);
    ASSERT_TRUE(client.request(Cmd::MoveControlPause, "", r));
    EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvMoveControlPauseDone));
    const double held = sim().snapshot().joints[0];
    EXPECT_TRUE(sim().snapshot().paused);
    ASSERT_TRUE(client.request(Cmd::MoveControlContinue, "", r));
    EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvMoveControlContinueDone));
    EXPECT_TRUE(waitFor([&] { return sim().snapshot().joints[0] != held; }));
    ASSERT_TRUE(client.request(Cmd::MoveControlSlowStop, "", r));
    EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvMoveEnterStopState));
    EXPECT_TRUE(nextEvent(client, tevo_sim::EvMoveControlStopDone));
    EXPECT_FALSE(sim().snapshot().moving);
    EXPECT_EQ(sim().snapshot().movesStopped, 1u);
}

TEST_F(SimProtocol, TeachMoveJogsUntilStopped) {
    login(client);
    startArm(client);
    const tevo_sim::Dh dh{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094};  // model 0
    auto flangeZ = [&] { return tevo_sim::forwardKinematics(dh, sim().snapshot().joints).p[2]; };
    struct Jog {
        tevo::robot::movecondition::teach_mode mode;
        int direction;                    // circularLoopTimes: 1 positive, 0 negative
        std::function<double()> watched;  // the quantity the jog changes
        double sign;                      // expected direction of change
        int untouchedJoint;               // a joint that must not move
    };
    const Jog jogs[] = {
        {tevo::robot::movecondition::JOINT3, 0, [&] { return sim().snapshot().joints[2]; }, -1, 0},
        {tevo::robot::movecondition::MOV_Z, 1, flangeZ, +1, -1},
    };
    for (const Jog& jog : jogs) {
        SCOPED_TRACE(jog.mode);
        pbc::RobotTeachMove tm;
        tm.mutable_move_profile()->CopyFrom(jointMove(sim().snapshot().joints).move_profile());
        tm.mutable_move_profile()->set_teachmode(jog.mode);
        tm.mutable_move_profile()->set_submovemode(tevo::robot::movecondition::TRACKING);
        tm.mutable_move_profile()->set_circularlooptimes(jog.direction);
        tm.set_coordinatesystemtype(0);
        const double before = jog.watched();
        const auto start = tevo_sim::forwardKinematics(dh, sim().snapshot().joints);
        const double fixed =
            jog.untouchedJoint >= 0 ? sim().snapshot().joints[jog.untouchedJoint] : 0;
        ASSERT_EQ(commonReply(client, Cmd::RobotTeachMoveStart, tm.SerializeAsString()).errorcode(),
                  0);
        EXPECT_TRUE(waitFor([&] { return (jog.watched() - before) * jog.sign > 0.02; }));
        ASSERT_EQ(commonReply(client, Cmd::RobotTeachMoveStop).errorcode(), 0);
        ASSERT_TRUE(sim().waitIdle(5000ms));  // after a short ramp to rest
        const auto snap = sim().snapshot();
        EXPECT_FALSE(snap.moving);
        if (jog.untouchedJoint >= 0) {
            EXPECT_DOUBLE_EQ(snap.joints[jog.untouchedJoint], fixed);
        }
        if (jog.mode ==
            tevo::robot::movecondition::MOV_Z) {  // straight up: x, y and orientation kept
            const auto now = tevo_sim::forwardKinematics(dh, snap.joints);
            EXPECT_NEAR(now.p[0], start.p[0], 1e-5);
            EXPECT_NEAR(now.p[1], start.p[1], 1e-5);
            EXPECT_LT(tevo_sim::orientationAngle(now, start), 1e-4);
        }
        EXPECT_DOUBLE_EQ(sim().snapshot().joints[2], snap.joints[2]);  // no drift after the stop
    }
}

TEST_F(SimProtocol, OfflineTrackPlaysWhatWasUploaded) {
    login(client);
    startArm(client);
    const double a[6] = {0.1, -0.2, 1.7, 0.4, 1.5, 0};
    const double b[6] = {0.2, -0.25, 1.65, 0.45, 1.45, 0.05};
    pbc::RobotMove up = jointMove(a);
    addPoint(up, b);
    EXPECT_NE(commonReply(client, Cmd::OfflineTrackMoveStartup).errorcode(),
              0);  // nothing uploaded
    ASSERT_EQ(
        commonReply(client, Cmd::OfflineTrackWaypointAppend, up.SerializeAsString()).errorcode(),
        0);
    ASSERT_EQ(commonReply(client, Cmd::OfflineTrackMoveStartup).errorcode(), 0);
    ASSERT_TRUE(nextEvent(client, tevo_sim::EvAtTrackTargetPos));
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(sim().snapshot().joints[i], b[i], 1e-9);
    ASSERT_EQ(commonReply(client, Cmd::OfflineTrackWaypointClear).errorcode(), 0);
    EXPECT_NE(commonReply(client, Cmd::OfflineTrackMoveStartup).errorcode(), 0);
}

TEST_F(SimProtocol, ArmStopsWhenTheConnectionThatMovedItDrops) {
    tevo_test::RawClient other;
    ASSERT_TRUE(other.connect(sim().port()));
    login(client);
    login(other);
    startArm(client);
    const double far[6] = {2.0, -1.0, 0.5, 1.0, -1.0, 2.0};
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, jointMove(far).SerializeAsString()).errorcode(),
              0);
    ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
    client.close();
    ASSERT_TRUE(sim().waitIdle(5000ms));
    EXPECT_EQ(sim().snapshot().movesStopped, 1u);
    EXPECT_NE(sim().snapshot().joints[0], far[0]);
    EXPECT_TRUE(nextEvent(other, tevo_sim::EvMoveEnterStopState));
}

TEST_F(SimProtocol, MovesWithUnusableLimitsOrTooFewPointsAreRefused) {
    login(client);
    startArm(client);
    const double nan = std::nan(""), inf = HUGE_VAL;
    const double a[6] = {0.1, -0.2, 1.7, 0.4, 1.5, 0};
    const double b[6] = {0.2, -0.2, 1.6, 0.4, 1.5, 0};
    const tevo_sim::Dh dh{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094};
    struct Case {
        const char* what;
        int mode;
        std::function<void(pbc::RobotMove&, const double* to)> edit;
        int32_t code;
    };
    auto velc = [](pbc::RobotMove& m, int i, double v) {
        m.mutable_move_profile()->mutable_maxvelc()->set_jointpara(i, v);
    };
    auto acc = [](pbc::RobotMove& m, int i, double v) {
        m.mutable_move_profile()->mutable_maxacc()->set_jointpara(i, v);
    };
    // A straight line to the pose of `to`, with the limits the library sends.
    auto line = [&](pbc::RobotMove& m, const double* to) {
        const auto p = tevo_sim::forwardKinematics(dh, to);
        m.clear_roadpointvector();
        addPoint(m, to, p.p, p.q);
        for (int i = 2; i < 6; ++i) velc(m, i, 0.4363323129985824), acc(m, i, 0.4363323129985824);
    };
    // A limit missing or a point too few is a malformed request; a limit
    // that is not finite and positive a value the controller does not accept.
    const int32_t missing = tevo_sim::CodeRequestFormatError;
    const int32_t bad = tevo_sim::CodeInvalidValue;
    using M = pbc::RobotMove;
    const Case cases[] = {
        {"joint speed zero", 1, [&](M& m, const double*) { velc(m, 3, 0.0); }, bad},
        {"joint acceleration NaN", 1, [&](M& m, const double*) { acc(m, 5, nan); }, bad},
        {"joint speed infinite", 1, [&](M& m, const double*) { velc(m, 0, inf); }, bad},
        {"five joint limits", 1,
         [](M& m, const double*) {
             m.mutable_move_profile()->mutable_maxvelc()->mutable_jointpara()->RemoveLast();
         },
         missing},
        {"movep speed negative", 3,
         [&](M& m, const double*) { addPoint(m, a), addPoint(m, b), velc(m, 2, -1.0); }, bad},
        {"movep of one point", 3, [](M&, const double*) {}, missing},
        {"line angle speed negative", 2,
         [&](M& m, const double* to) { line(m, to), velc(m, 1, -0.5); }, bad},
        {"line acceleration NaN", 2, [&](M& m, const double* to) { line(m, to), acc(m, 0, nan); },
         bad},
        {"valid joint move", 1, [](M&, const double*) {}, tevo_sim::CodeSucc},
        {"valid line, orientation limits zero", 2,
         [&](M& m, const double* to) {
             line(m, to);
             for (int i = 2; i < 6; ++i) velc(m, i, 0.0), acc(m, i, 0.0);
         },
         tevo_sim::CodeSucc},
        {"valid line as the library sends it", 2, line, tevo_sim::CodeSucc},
        {"valid movep of two points", 3,
         [&](M& m, const double* to) { addPoint(m, to == a ? b : a); }, tevo_sim::CodeSucc},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = sim().snapshot();
        const double* to = before.joints[0] == a[0] ? b : a;  // a point the arm is not at
        pbc::RobotMove mv = jointMove(to, c.mode);
        c.edit(mv, to);
        EXPECT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), c.code);
        ASSERT_TRUE(sim().waitIdle(5000ms));
        EXPECT_EQ(sim().snapshot().movesCompleted, before.movesCompleted + (c.code == 0 ? 1 : 0));
    }
}

TEST_F(SimProtocol, ReduceModeCapsJointSpeeds) {
    login(client);
    startArm(client);
    const double kDeg = 3.14159265358979323846 / 180;
    struct Case {
        const char* what;
        bool reduce;
        int32_t reducedDegPerS;  // safety configuration, all joints
        double peak;             // rad/s
    };
    const Case cases[] = {
        {"normal", false, 20, 1.2},
        {"reduced by the safety configuration", true, 20, 20 * kDeg},
        {"reduced by the default cap", true, 0, 30 * kDeg},
        {"left again", false, 0, 1.2},
    };
    double sign = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pbc::ProtoResponseRobotSafetyConfig safety;
        auto* sc = safety.add_safetyconfig();
        for (int i = 0; i < 6; ++i) sc->add_robotreducedconfigjointspeed(c.reducedDegPerS);
        sc->set_robotreducedconfigtcpspeed(250), sc->set_robotreducedconfigtcpforce(150);
        sc->set_robotreducedconfigmomentum(25), sc->set_robotreducedconfigpower(300);
        sc->set_robotsafeguradresetconfig(0), sc->set_robotoperationalmodeconfig(0);
        safety.mutable_errorinfo()->set_errorcode(0);
        safety.mutable_errorinfo()->set_errormsg("");
        ASSERT_EQ(
            commonReply(client, Cmd::SetRobotSafetyConfig, safety.SerializeAsString()).errorcode(),
            0);
        ASSERT_EQ(
            commonReply(client, c.reduce ? Cmd::EnterRobotReduceMode : Cmd::ExitRobotReduceMode)
                .errorcode(),
            0);
        double target[6];
        for (int i = 0; i < 6; ++i) target[i] = sim().snapshot().joints[i];
        target[0] += sign * 1.5;
        sign = -sign;
        pbc::RobotMove mv = jointMove(target);
        for (int i = 0; i < 6; ++i) {
            mv.mutable_move_profile()->mutable_maxvelc()->set_jointpara(i, 1.2);
            mv.mutable_move_profile()->mutable_maxacc()->set_jointpara(i, 4.0);
        }
        const uint64_t done = sim().snapshot().movesCompleted;
        ASSERT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), 0);
        double peak = 0;
        ASSERT_TRUE(waitFor([&] {
            const auto s = sim().snapshot();
            peak = std::max(peak, std::fabs(s.jointSpeeds[0]));
            return s.movesCompleted > done;
        }));
        ASSERT_TRUE(sim().waitIdle(5000ms));
        EXPECT_NEAR(sim().snapshot().joints[0], target[0], 1e-9);
        EXPECT_LE(peak, c.peak + 1e-6);
        EXPECT_GE(peak, 0.95 * c.peak);
    }
}

// Moves, stops and pauses at the real pace, so that a ramp to rest lasts
// long enough (0.1 s and more) to be watched from the client.
class SimRealTime : public SimProtocol {
protected:
    tevo_sim::SimOptions simOptions() const override {
        auto o = SimProtocol::simOptions();
        o.timeScale = 1.0;
        return o;
    }

    // Starts joint 1 on a 2.5 rad move at 2 rad/s (4 rad/s^2) and waits until it cruises.
    void startCruising(double direction) {
        double target[6];
        for (int i = 0; i < 6; ++i) target[i] = sim().snapshot().joints[i];
        const double from = target[0];
        target[0] += direction * 2.5;
        pbc::RobotMove mv = jointMove(target);
        for (int i = 0; i < 6; ++i) {
            mv.mutable_move_profile()->mutable_maxvelc()->set_jointpara(i, 2.0);
            mv.mutable_move_profile()->mutable_maxacc()->set_jointpara(i, 4.0);
        }
        ASSERT_EQ(commonReply(client, Cmd::RobotMove, mv.SerializeAsString()).errorcode(), 0);
        goal = target[0];
        ASSERT_TRUE(waitFor([&] { return std::fabs(sim().snapshot().joints[0] - from) > 0.7; }));
    }

    double goal = 0;
};

TEST_F(SimRealTime, StopsDecelerateAlongThePathThenReportStopAndDone) {
    login(client);
    startArm(client);
    struct Case {
        int32_t cmd;
        double decel;  // rad/s^2 of joint 1
    };
    const Case cases[] = {{Cmd::MoveControlSlowStop, 6.0}, {Cmd::MoveControlFastStop, 20.0}};
    double direction = 1;
    uint64_t stopped = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmd);
        startCruising(direction);
        const double from = sim().snapshot().joints[0];
        const auto t0 = std::chrono::steady_clock::now();
        pbc::ProtoRobotMoveFuncResult r;
        ASSERT_TRUE(client.request(c.cmd, "", r));
        EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        EXPECT_TRUE(sim().snapshot().moving);  // still slowing down
        // A new move is refused while the arm stops.
        EXPECT_EQ(commonReply(client, Cmd::RobotMove,
                              jointMove(sim().snapshot().joints).SerializeAsString())
                      .errorcode(),
                  tevo_sim::CodeBusy);
        auto first = anyEvent(client);
        auto second = anyEvent(client);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->eventtype(), tevo_sim::EvMoveEnterStopState);
        EXPECT_EQ(second->eventtype(), tevo_sim::EvMoveControlStopDone);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, 800ms);
        ASSERT_TRUE(sim().waitIdle(5000ms));
        EXPECT_EQ(sim().snapshot().movesStopped, ++stopped);
        // It travelled the braking distance v^2 / 2a (plus what the request's
        // latency adds), short of the goal: neither frozen nor run on.
        const double travelled = std::fabs(sim().snapshot().joints[0] - from);
        const double braking = 2.0 * 2.0 / (2 * c.decel);
        EXPECT_GT(travelled, 0.8 * braking);
        EXPECT_LT(travelled, braking + 0.15);
        EXPECT_GT(std::fabs(goal - sim().snapshot().joints[0]), 0.5);
        EXPECT_TRUE(eventsUntilMarker(client, sim()).empty());  // no end event afterwards
        direction = -direction;
    }
}

TEST_F(SimRealTime, PauseRampsToRestAndContinueFinishesThePath) {
    login(client);
    startArm(client);
    for (const bool continueAtOnce : {false, true}) {
        SCOPED_TRACE(continueAtOnce ? "continue while pausing" : "continue after the pause");
        startCruising(continueAtOnce ? -1 : 1);
        const double from = sim().snapshot().joints[0];
        pbc::ProtoRobotMoveFuncResult r;
        ASSERT_TRUE(client.request(Cmd::MoveControlPause, "", r));
        EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        if (continueAtOnce) {
            ASSERT_TRUE(client.request(Cmd::MoveControlContinue, "", r));
            EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        } else {
            EXPECT_FALSE(sim().snapshot().paused);  // not yet at rest
            ASSERT_TRUE(nextEvent(client, tevo_sim::EvMoveControlPauseDone));
            const auto held = sim().snapshot();
            EXPECT_TRUE(held.paused);
            EXPECT_GT(std::fabs(held.joints[0] - from), 0.8 * 2.0 * 2.0 / (2 * 6.0));
            EXPECT_TRUE(waitFor([&] {  // held at rest from the next motion tick on
                const auto s = sim().snapshot();
                return std::all_of(s.jointSpeeds, s.jointSpeeds + 6,
                                   [](double v) { return v == 0; });
            }));
            EXPECT_EQ(sim().snapshot().joints[0], held.joints[0]);
            ASSERT_TRUE(client.request(Cmd::MoveControlContinue, "", r));
            EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        }
        std::vector<int32_t> seen;  // events up to the move's end, in order
        while (auto e = anyEvent(client)) {
            seen.push_back(e->eventtype());
            if (e->eventtype() == tevo_sim::EvAtTrackTargetPos) break;
        }
        std::vector<int32_t> expected{tevo_sim::EvMoveControlContinueDone,
                                      tevo_sim::EvAtTrackTargetPos};
        if (continueAtOnce) expected.insert(expected.begin(), tevo_sim::EvMoveControlPauseDone);
        EXPECT_EQ(seen, expected);
        EXPECT_NEAR(sim().snapshot().joints[0], goal, 1e-9);
    }
    EXPECT_EQ(sim().snapshot().movesStopped, 0u);
}

TEST_F(SimRealTime, JogsRampDownWhenStopped) {
    login(client);
    startArm(client);
    struct Case {
        int32_t cmd;
        bool stopDone;  // a move-control stop reports its done event (no stop state: no plan ran)
    };
    const Case cases[] = {{Cmd::RobotTeachMoveStop, false}, {Cmd::MoveControlSlowStop, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cmd);
        pbc::RobotTeachMove tm;
        tm.mutable_move_profile()->CopyFrom(jointMove(sim().snapshot().joints).move_profile());
        tm.mutable_move_profile()->set_teachmode(tevo::robot::movecondition::JOINT4);
        tm.mutable_move_profile()->set_circularlooptimes(1);
        tm.set_coordinatesystemtype(0);
        const double start = sim().snapshot().joints[3];
        ASSERT_EQ(commonReply(client, Cmd::RobotTeachMoveStart, tm.SerializeAsString()).errorcode(),
                  0);
        ASSERT_TRUE(waitFor([&] { return sim().snapshot().joints[3] - start > 0.02; }));
        const double from = sim().snapshot().joints[3];
        if (c.cmd == Cmd::RobotTeachMoveStop) {
            ASSERT_EQ(commonReply(client, c.cmd).errorcode(), 0);
        } else {
            pbc::ProtoRobotMoveFuncResult r;
            ASSERT_TRUE(client.request(c.cmd, "", r));
            EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        }
        EXPECT_TRUE(sim().snapshot().moving);  // 0.1 s ramp from 0.2 rad/s
        ASSERT_TRUE(sim().waitIdle(5000ms));
        const double travelled = sim().snapshot().joints[3] - from;
        EXPECT_GT(travelled, 0.5 * 0.2 * 0.1 / 2);
        EXPECT_LT(travelled, 0.2 * 0.1 / 2 + 0.02);
        if (c.stopDone) {
            auto e = anyEvent(client);
            ASSERT_TRUE(e);
            EXPECT_EQ(e->eventtype(), tevo_sim::EvMoveControlStopDone);
        }
        EXPECT_TRUE(eventsUntilMarker(client, sim()).empty());
    }
}

TEST_F(SimProtocol, FaultRulesShapeTheDoneEventOfAStop) {
    login(client);
    startArm(client);
    struct Case {
        const char* what;
        tevo_sim::FaultRule rule;
        std::vector<int32_t> events;  // after the reply, in order
    };
    tevo_sim::FaultRule replace, suppress;
    replace.completionEvent = tevo_sim::EventSpec{2102, 4, "joint over current"};
    replace.remaining = 1;
    suppress.suppressCompletion = true;
    suppress.remaining = 1;
    const Case cases[] = {
        {"replaced", replace, {tevo_sim::EvMoveEnterStopState, 2102}},
        {"suppressed", suppress, {tevo_sim::EvMoveEnterStopState}},
    };
    double direction = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double far[6];
        for (int i = 0; i < 6; ++i) far[i] = sim().snapshot().joints[i];
        far[0] += direction * 2.0;
        direction = -direction;
        ASSERT_EQ(
            commonReply(client, Cmd::RobotMove, jointMove(far).SerializeAsString()).errorcode(), 0);
        ASSERT_TRUE(waitFor([&] { return sim().snapshot().moving; }));
        sim().setFault(Cmd::MoveControlFastStop, c.rule);
        pbc::ProtoRobotMoveFuncResult r;
        ASSERT_TRUE(client.request(Cmd::MoveControlFastStop, "", r));
        EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
        ASSERT_TRUE(sim().waitIdle(5000ms));
        ASSERT_TRUE(nextEvent(client, tevo_sim::EvMoveEnterStopState));
        std::vector<int32_t> seen{tevo_sim::EvMoveEnterStopState};
        for (int32_t t : eventsUntilMarker(client, sim())) seen.push_back(t);
        EXPECT_EQ(seen, c.events);
    }
}

// ------------------------------------------------------------------ pushes

class SimPush100 : public SimProtocol {
protected:
    tevo_sim::SimOptions simOptions() const override {
        auto o = SimProtocol::simOptions();
        o.pushRateHz = 100;
        return o;
    }
};

TEST_F(SimPush100, PushesFlowAtAboutTheConfiguredRateOnlyWhileSwitchedOn) {
    login(client);
    EXPECT_FALSE(client.nextOf(Cmd::RealTimeRobotJointAngle, 100ms));  // off by default
    ASSERT_EQ(commonReply(client, Cmd::EnableRealTimeJointAnglePush).errorcode(), 0);
    ASSERT_EQ(commonReply(client, Cmd::EnableRealTimeEndSpeedPush).errorcode(), 0);
    ASSERT_TRUE(client.nextOf(Cmd::RealTimeRobotJointAngle));
    const auto t0 = std::chrono::steady_clock::now();
    int angles = 0, speeds = 0;
    while (std::chrono::steady_clock::now() - t0 < 1000ms) {
        auto f = client.next(200ms);
        ASSERT_TRUE(f);
        if (f->type == Cmd::RealTimeRobotJointAngle) {
            pbc::ProtoJointAngleResponse a;
            ASSERT_TRUE(a.ParseFromString(f->body));
            EXPECT_NEAR(a.jointangle().joint3(), sim().snapshot().joints[2], 1e-12);
            ++angles;
        }
        if (f->type == Cmd::RealTimeRobotEndSpeed) ++speeds;
        EXPECT_NE(f->type, Cmd::RealTimeJointStatus);
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR(angles / secs, 100.0, 35.0);
    EXPECT_NEAR(speeds / secs, 100.0, 35.0);
    ASSERT_EQ(commonReply(client, Cmd::DisableRealTimeJointAnglePush).errorcode(), 0);
    ASSERT_EQ(commonReply(client, Cmd::DisableRealTimeEndSpeedPush).errorcode(), 0);
    while (client.next(50ms)) {
    }  // drain what was in flight
    EXPECT_FALSE(client.nextOf(Cmd::RealTimeRobotJointAngle, 100ms));
}

class SimPush1000 : public SimProtocol {
protected:
    tevo_sim::SimOptions simOptions() const override {
        auto o = SimProtocol::simOptions();
        o.pushRateHz = 1000;
        return o;
    }
};

TEST_F(SimPush1000, AClientThatStopsReadingDoesNotHoldUpOthers) {
    // The stalled client gets a tiny receive buffer, so the simulator's
    // socket to it fills within a fraction of a second.
    const int small = 1024;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(sim().port());
    ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    pbm::ProtoRequestLogin req;
    req.set_username(simUser());
    req.set_passwd(simPassword());
    const std::string enable = tevo_test::makeFrame(Cmd::Login, req.SerializeAsString()) +
                               tevo_test::makeFrame(Cmd::EnableRealTimeJointStatusPush, "") +
                               tevo_test::makeFrame(Cmd::EnableRealTimeJointAnglePush, "");
    ASSERT_EQ(::send(fd, enable.data(), enable.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(enable.size()));
    ASSERT_TRUE(sim().waitForRequests(Cmd::EnableRealTimeJointAnglePush, 1, 3000ms));

    login(client);
    ASSERT_EQ(commonReply(client, Cmd::EnableRealTimeJointAnglePush).errorcode(), 0);
    ASSERT_TRUE(waitFor([&] { return sim().pushesDropped() > 0; }, 10000ms))
        << "socket never filled";
    // From then on the reading client keeps getting pushes and replies.
    const auto t0 = std::chrono::steady_clock::now();
    int pushes = 0;
    while (std::chrono::steady_clock::now() - t0 < 1000ms) {
        if (client.nextOf(Cmd::RealTimeRobotJointAngle, 500ms))
            ++pushes;
        else
            ADD_FAILURE() << "no push for 500 ms";
    }
    pbm::ProtoCommunicationGeneralData g;
    EXPECT_TRUE(client.request(Cmd::GetRobotMode, "", g));
    EXPECT_GT(pushes, 250);
    ::close(fd);
}

// -------------------------------------------------------- bad client input

TEST_F(SimProtocol, BadInputClosesOnlyThatConnection) {
    struct Bad {
        const char* name;
        std::string bytes;
    };
    std::string badEnd = tevo_test::makeFrame(Cmd::GetRobotMode, "");
    badEnd.back() = '\x00';
    std::string shortLen("\xEE\xCC\xFF\xFF\x08\x00\x00\x00", 8);
    std::string hugeLen("\xEE\xCC\xFF\xFF\xFF\xFF\xFF\x7F", 8);
    const Bad cases[] = {
        {"garbage before the start mark",
         std::string("hello") + tevo_test::makeFrame(Cmd::GetRobotMode, "")},
        {"length below the fixed fields", shortLen + std::string(8, '\0')},
        {"length beyond any frame", hugeLen},
        {"wrong end mark", badEnd},
    };
    login(client);
    uint64_t expectedBad = 0;
    for (const Bad& b : cases) {
        SCOPED_TRACE(b.name);
        tevo_test::RawClient bad;
        ASSERT_TRUE(bad.connect(sim().port()));
        ASSERT_TRUE(bad.sendBytes(b.bytes));
        EXPECT_TRUE(bad.waitClosed());
        ++expectedBad;
        EXPECT_TRUE(waitFor([&] { return sim().badInputCount() == expectedBad; }));
        pbm::ProtoCommunicationGeneralData g;
        ASSERT_TRUE(client.request(Cmd::GetRobotMode, "", g));  // the good connection still answers
        EXPECT_EQ(g.errorinfo(0).errorcode(), 0);
    }
}

// ---------------------------------------------------------- fault injection

TEST_F(SimProtocol, FaultRulesShapeTheReply) {
    login(client);
    tevo_sim::FaultRule code;
    code.serverCode = tevo_sim::CodeRealRobotNoExist;
    code.remaining = 1;
    sim().setFault(Cmd::SetRobotMode, code);
    EXPECT_EQ(
        commonReply(client, Cmd::SetRobotMode, generalInts({1}).SerializeAsString()).errorcode(),
        tevo_sim::CodeRealRobotNoExist);
    EXPECT_EQ(sim().snapshot().workMode, 0);  // a refused setter changes nothing
    EXPECT_EQ(
        commonReply(client, Cmd::SetRobotMode, generalInts({1}).SerializeAsString()).errorcode(),
        0);

    tevo_sim::FaultRule twice;
    twice.replyTwice = true;
    twice.eventsBefore = {tevo_sim::EventSpec{tevo_sim::EvShutdownDone, 7, "early"}};
    sim().setFault(Cmd::CommunicationHeart, twice);
    ASSERT_TRUE(client.send(Cmd::CommunicationHeart));
    auto first = client.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, Cmd::Event);  // the event comes before the reply
    EXPECT_EQ(client.next()->type, Cmd::CommunicationHeart);
    EXPECT_EQ(client.next()->type, Cmd::CommunicationHeart);

    tevo_sim::FaultRule drop;
    drop.drop = true;
    drop.remaining = 1;
    sim().setFault(Cmd::GetRobotMode, drop);
    ASSERT_TRUE(client.send(Cmd::GetRobotMode));
    EXPECT_FALSE(client.nextOf(Cmd::GetRobotMode, 200ms));

    tevo_sim::FaultRule late;
    late.delay = 300ms;
    late.rawBody = std::string("\x01\x02", 2);
    late.remaining = 1;
    sim().setFault(Cmd::GetRobotMode, late);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.send(Cmd::GetRobotMode));
    auto f = client.nextOf(Cmd::GetRobotMode);
    ASSERT_TRUE(f);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 300ms);
    EXPECT_EQ(f->body, std::string("\x01\x02", 2));

    tevo_sim::FaultRule noDone;
    noDone.moveControlResult = tevo_sim::MoveControlSuccWaitDone;
    noDone.suppressCompletion = true;
    sim().setFault(Cmd::MoveControlPause, noDone);
    pbc::ProtoRobotMoveFuncResult r;
    ASSERT_TRUE(client.request(Cmd::MoveControlPause, "", r));
    EXPECT_EQ(r.ret(), tevo_sim::MoveControlSuccWaitDone);
    EXPECT_FALSE(nextEvent(client, tevo_sim::EvMoveControlPauseDone, 200ms));
}

TEST_F(SimProtocol, FaultRulesReplaceOrSuppressAMovesEndEvent) {
    login(client);
    startArm(client);
    const double a[6] = {0.1, -0.2, 1.7, 0.4, 1.5, 0};
    const double b[6] = {0.2, -0.2, 1.6, 0.4, 1.5, 0};
    tevo_sim::FaultRule end;
    end.completionEvent = tevo_sim::EventSpec{2102, 4, "joint over current"};
    end.remaining = 1;
    sim().setFault(Cmd::RobotMove, end);
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, jointMove(a).SerializeAsString()).errorcode(), 0);
    auto ev = nextEvent(client, 2102);
    ASSERT_TRUE(ev);
    EXPECT_EQ(ev->eventcode(), 4);
    ASSERT_TRUE(sim().waitIdle(5000ms));
    EXPECT_TRUE(eventsUntilMarker(client, sim()).empty());  // sent once, and no at-target event

    tevo_sim::FaultRule silent;
    silent.suppressCompletion = true;
    silent.remaining = 1;
    sim().setFault(Cmd::RobotMove, silent);
    ASSERT_EQ(commonReply(client, Cmd::RobotMove, jointMove(b).SerializeAsString()).errorcode(), 0);
    ASSERT_TRUE(sim().waitIdle(5000ms));
    EXPECT_EQ(sim().snapshot().movesCompleted, 2u);
    EXPECT_FALSE(
        nextEvent(client, tevo_sim::EvAtTrackTargetPos, 200ms));  // no end event for either move
}

TEST_F(SimProtocol, UnrequestedFramesOnDemand) {
    login(client);
    EXPECT_EQ(sim().sendEvent(tevo_sim::EventSpec{1005, 3, "planner"}), 1);
    auto ev = nextEvent(client, 1005);
    ASSERT_TRUE(ev);
    EXPECT_EQ(ev->eventcode(), 3);
    EXPECT_EQ(ev->eventcontent(), "planner");

    EXPECT_EQ(sim().sendPush(Cmd::MovepProgressNotify, 42), 1);
    auto p = client.nextOf(Cmd::MovepProgressNotify);
    ASSERT_TRUE(p);
    pbm::ProtoCommunicationGeneralData g;
    ASSERT_TRUE(g.ParseFromString(p->body));
    EXPECT_EQ(g.property1(0), 42);

    EXPECT_EQ(sim().floodEvents(9000, 500), 1);
    for (int i = 0; i < 500; ++i) {
        auto e = nextEvent(client, 9000);
        ASSERT_TRUE(e);
        ASSERT_EQ(e->eventcode(), i);
    }
    sim().closeMidFrame();
    EXPECT_TRUE(client.waitClosed());
    EXPECT_TRUE(waitFor([&] { return sim().connectionCount() == 0; }));
}

TEST_F(SimProtocol, StalledReadingHoldsRequestsUntilReleased) {
    login(client);
    sim().setStallReading(true);
    ASSERT_TRUE(client.send(Cmd::GetRobotMode));
    EXPECT_FALSE(client.nextOf(Cmd::GetRobotMode, 200ms));
    sim().setStallReading(false);
    EXPECT_TRUE(client.nextOf(Cmd::GetRobotMode));
}

}  // namespace
