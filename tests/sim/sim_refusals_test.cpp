// Each kind of refusal, seen from the wire: its own controller code and a
// reason that names what was wrong. And the README's table of codes matches
// the shared table, row by row.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "sim/controllersim.h"
#include "sim/moverequest.h"
#include "sim/rawclient.h"

namespace {

using namespace std::chrono_literals;
namespace pbc = tevo::robot::common;
namespace pbm = tevo::robot::communication;
namespace mc = tevo::robot::movecondition;
using tevo_sim::Cmd;

// One simulator and one raw connection to it.
struct Controller {
    explicit Controller(bool requireLogin) : sim(options(requireLogin)) {}

    tevo_sim::ControllerSim sim;
    tevo_test::RawClient client;

    static tevo_sim::SimOptions options(bool requireLogin) {
        tevo_sim::SimOptions o;
        o.timeScale = 20.0;
        o.requireLogin = requireLogin;
        o.logSink = [](const std::string&) {};
        return o;
    }

    // The code and text of the reply's error record.
    std::pair<int32_t, std::string> request(int32_t cmd, const std::string& body) {
        if (cmd == Cmd::Login) {
            pbc::ProtoResponseRobotDhParam r;
            EXPECT_TRUE(client.request(cmd, body, r)) << "no reply to " << cmd;
            return {r.errorinfo().errorcode(), r.errorinfo().errormsg()};
        }
        pbm::ProtoRobotCommonResponse r;
        EXPECT_TRUE(client.request(cmd, body, r)) << "no reply to " << cmd;
        return {r.errorcode(), r.errormsg()};
    }

    void expectSuccess(int32_t cmd, const std::string& body) {
        EXPECT_EQ(request(cmd, body).first, tevo_sim::CodeSucc) << "cmd " << cmd;
    }

    void login() {
        pbm::ProtoRequestLogin req;
        req.set_username("tevo");
        req.set_passwd("tevo");
        expectSuccess(Cmd::Login, req.SerializeAsString());
    }

    // Start-up, then wait for its done event.
    void start();
};

pbm::RobotTcpParam payload(float kg) {
    pbm::RobotTcpParam t;
    for (auto* p : {t.mutable_paramautorun(), t.mutable_parammanual()}) {
        p->set_positionx(0), p->set_positiony(0), p->set_positionz(0), p->set_payload(kg);
    }
    return t;
}

std::string startup() {
    pbm::ProtoCommunicationRobotStartupProfile sp;
    *sp.mutable_tcpparam() = payload(0);
    sp.set_readpose(true);
    sp.set_staticcollisiondetect(true);
    sp.set_collisionclass(6);
    sp.set_maxacc(0);
    return sp.SerializeAsString();
}

void Controller::start() {
    expectSuccess(Cmd::RobotStartup, startup());
    EXPECT_TRUE(client.nextOf(Cmd::Event, 5000ms)) << "no start-up done event";
    const auto deadline = std::chrono::steady_clock::now() + 5000ms;
    while (!sim.snapshot().started && std::chrono::steady_clock::now() < deadline) {
        client.next(10ms);
    }
    EXPECT_TRUE(sim.snapshot().started);
}

std::string generalInt(int32_t v) {
    pbm::ProtoCommunicationGeneralData g;
    g.set_type(1);
    g.add_property1(v);
    return g.SerializeAsString();
}

// A joint move to q (mode 1), or a straight line to the position xyz with
// the identity orientation (mode 2); `speed` limits every joint (rad/s).
std::string move(const double* q, const double* xyz = nullptr, double speed = 1.0) {
    pbc::RobotMove mv = tevo_test::moveProfile(xyz ? mc::MODEL : mc::MODEJ, speed);
    tevo_test::addWaypoint(mv, q, xyz);
    return mv.SerializeAsString();
}

const double kReachable[6] = {0.3, -0.1, 1.5, 0.2, 1.4, 0.5};
const double kJoint3Beyond[6] = {0.3, -0.1, 4.0, 0.2, 1.4, 0.5};
const double kFarAway[3] = {3.0, 0.0, 0.5};

TEST(SimRefusals, EachKindAnswersWithItsCodeAndAReasonNamingWhatWasWrong) {
    struct Row {
        const char* kind;
        std::function<void(Controller&)> prepare;
        int32_t cmd;
        std::string body;
        int32_t code;
        std::string reason;  // part of the reply's text
        bool requireLogin = true;
    };
    auto loggedIn = [](Controller& c) { c.login(); };
    auto started = [](Controller& c) { c.login(), c.start(); };
    pbm::ProtoRequestLogin wrongPassword;
    wrongPassword.set_username("tevo");
    wrongPassword.set_passwd("wrong");
    const Row rows[] = {
        {"undecodable body", loggedIn, Cmd::SetRobotMode, std::string("\xFF\xFF", 2),
         tevo_sim::CodeRequestFormatError, "does not decode"},
        {"wrong password", [](Controller&) {}, Cmd::Login, wrongPassword.SerializeAsString(),
         tevo_sim::CodeAuthenticationFailed, "user 'tevo' refused: wrong user name or password"},
        {"request before login", [](Controller&) {}, Cmd::SetRobotMode, generalInt(1),
         tevo_sim::CodeNotLoggedIn, "has not logged in"},
        {"heartbeat before login is answered", [](Controller&) {}, Cmd::CommunicationHeart, "",
         tevo_sim::CodeSucc, ""},
        {"request before login with the login check off", [](Controller&) {}, Cmd::SetRobotMode,
         generalInt(1), tevo_sim::CodeSucc, "", false},
        {"move before start-up", loggedIn, Cmd::RobotMove, move(kReachable),
         tevo_sim::CodeArmNotStarted, "the arm is not started: power it on and start it up first"},
        {"move with the brakes engaged",
         [](Controller& c) {
             c.login(), c.start();
             c.expectSuccess(Cmd::RobotControl, generalInt(1));  // engage the brakes
         },
         Cmd::RobotMove, move(kReachable), tevo_sim::CodeBrakeEngaged, "brakes are engaged"},
        {"joint target outside its range", started, Cmd::RobotMove, move(kJoint3Beyond),
         tevo_sim::CodeJointOutOfRange, "joint 3 target 4.00 rad outside its range [-3.05, 3.05]"},
        {"pose out of reach", started, Cmd::RobotMove, move(nullptr, kFarAway),
         tevo_sim::CodePoseUnreachable,
         "no joint angles reach the target pose (x 3.00, y 0.00, z 0.50 m)"},
        {"collision class outside its range", loggedIn, Cmd::SetRobotCollisionGrade, generalInt(12),
         tevo_sim::CodeInvalidValue, "collision class 12 outside 0..10"},
        {"payload outside its range", loggedIn, Cmd::SetRobotTcpParam,
         payload(25).SerializeAsString(), tevo_sim::CodeInvalidValue,
         "payload mass 25.00 kg outside 0.00..20.00 kg"},
        {"move while another runs",
         [](Controller& c) {
             c.login(), c.start();
             c.expectSuccess(Cmd::RobotMove, move(kReachable, nullptr, 0.01));  // a slow one
         },
         Cmd::RobotMove, move(kReachable), tevo_sim::CodeBusy, "another move is running"},
        {"unknown command", loggedIn, 500, "", tevo_sim::CodeUnknownCommand,
         "command type 500 is unknown"},
        {"start-up without an arm",
         [](Controller& c) { c.login(), c.sim.setRealRobotExists(false); }, Cmd::RobotStartup,
         startup(), tevo_sim::CodeRealRobotNoExist, "no real arm"},
        {"refusal forced by a fault rule keeps its code and gets the table's text",
         [](Controller& c) {
             c.login();
             tevo_sim::FaultRule rule;
             rule.serverCode = tevo_sim::CodeProcessRequestFailed;
             c.sim.setFault(Cmd::SetRobotCollisionGrade, rule);
         },
         Cmd::SetRobotCollisionGrade, generalInt(12), tevo_sim::CodeProcessRequestFailed,
         tevo_robot_namespace::robotControllerCodeText(tevo_sim::CodeProcessRequestFailed)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        Controller c(row.requireLogin);
        ASSERT_TRUE(c.sim.start());
        ASSERT_TRUE(c.client.connect(c.sim.port()));
        row.prepare(c);
        const auto before = c.sim.snapshot();
        const size_t refusalsBefore = c.sim.recentRefusals().size();
        const auto [code, text] = c.request(row.cmd, row.body);
        EXPECT_EQ(code, row.code);
        // Each refusal is kept once, as the client read it.
        const auto refusals = c.sim.recentRefusals();
        if (row.code == tevo_sim::CodeSucc) {
            EXPECT_EQ(refusals.size(), refusalsBefore);
        } else {
            ASSERT_EQ(refusals.size(), refusalsBefore + 1);
            EXPECT_EQ(refusals.back().commandType, row.cmd);
            EXPECT_EQ(refusals.back().command, tevo_sim::commandName(row.cmd));
            EXPECT_EQ(refusals.back().code, code);
            EXPECT_EQ(refusals.back().reason, text);
        }
        if (row.reason.empty()) {
            EXPECT_EQ(text, "");
        } else {
            EXPECT_NE(text.find(row.reason), std::string::npos) << "text: " << text;
        }
        if (row.code != tevo_sim::CodeSucc) {  // a refusal changes nothing
            const auto after = c.sim.snapshot();
            EXPECT_EQ(after.workMode, before.workMode);
            EXPECT_EQ(after.collisionClass, before.collisionClass);
            EXPECT_EQ(after.started, before.started);
        }
    }
}

// The latest refusals are kept, oldest first, at most 50; a reply written
// twice is one refusal, a dropped reply none, a delayed one is kept once it
// goes out.
TEST(SimRefusals, RecentRefusalsKeepTheLatestOncePerReply) {
    Controller c(true);
    ASSERT_TRUE(c.sim.start());
    ASSERT_TRUE(c.client.connect(c.sim.port()));
    c.login();
    for (int grade = 11; grade < 71; ++grade)
        EXPECT_EQ(c.request(Cmd::SetRobotCollisionGrade, generalInt(grade)).first,
                  tevo_sim::CodeInvalidValue);
    auto refusals = c.sim.recentRefusals();
    ASSERT_EQ(refusals.size(), 50u);
    EXPECT_EQ(refusals.front().reason, "collision class 21 outside 0..10");
    EXPECT_EQ(refusals.back().reason, "collision class 70 outside 0..10");
    EXPECT_EQ(refusals.back().command, "SetRobotCollisionGrade");
    for (size_t i = 1; i < refusals.size(); ++i) EXPECT_LE(refusals[i - 1].when, refusals[i].when);

    tevo_sim::FaultRule twice;
    twice.replyTwice = true;
    twice.remaining = 1;
    c.sim.setFault(Cmd::SetRobotCollisionGrade, twice);
    EXPECT_EQ(c.request(Cmd::SetRobotCollisionGrade, generalInt(80)).first,
              tevo_sim::CodeInvalidValue);
    ASSERT_TRUE(c.client.nextOf(Cmd::SetRobotCollisionGrade, 5000ms));  // its second copy
    refusals = c.sim.recentRefusals();
    EXPECT_EQ(refusals.back().reason, "collision class 80 outside 0..10");
    EXPECT_EQ(refusals[refusals.size() - 2].reason, "collision class 70 outside 0..10");

    tevo_sim::FaultRule drop;
    drop.drop = true;
    drop.remaining = 1;
    c.sim.setFault(Cmd::SetRobotCollisionGrade, drop);
    ASSERT_TRUE(c.client.send(Cmd::SetRobotCollisionGrade, generalInt(90)));
    ASSERT_TRUE(c.sim.waitForRequests(Cmd::SetRobotCollisionGrade, 62, 5000ms));
    tevo_sim::FaultRule late;
    late.delay = 100ms;
    late.remaining = 1;
    c.sim.setFault(Cmd::SetRobotCollisionGrade, late);
    EXPECT_EQ(c.request(Cmd::SetRobotCollisionGrade, generalInt(95)).first,
              tevo_sim::CodeInvalidValue);
    refusals = c.sim.recentRefusals();
    EXPECT_EQ(refusals.back().reason, "collision class 95 outside 0..10");
    EXPECT_EQ(refusals[refusals.size() - 2].reason, "collision class 80 outside 0..10");
}

// Every code of the shared table is documented in the simulator's README with
// its name and text, in a row "| code | name | text | ...".
TEST(SimRefusals, ReadmeListsEveryControllerCodeWithItsText) {
    std::ifstream in(TEVO_SIM_README);
    ASSERT_TRUE(in) << "cannot read " << TEVO_SIM_README;
    std::stringstream readme;
    readme << in.rdbuf();
    for (const auto& row : tevo_robot_namespace::kRobotControllerCodes) {
        const std::string line =
            "\n| " + std::to_string(row.code) + " | " + row.name + " | " + row.text + " |";
        EXPECT_NE(readme.str().find(line), std::string::npos) << "missing row: " << line;
    }
}

}  // namespace
