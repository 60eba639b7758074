// The simulator refuses settings outside the ranges a controller accepts
// (code 106, nothing changed) and accepts the values at the boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sim/siminternal.h"

namespace {

using namespace tevo_sim;

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string generalInt(int32_t v) {
    pbm::ProtoCommunicationGeneralData g;
    g.set_type(1);
    g.add_property1(v);
    return g.SerializeAsString();
}

pbm::RobotTcpParam tcpParam(float mass, float x, float y, float z) {
    pbm::RobotTcpParam tcp;
    for (auto* p : {tcp.mutable_paramautorun(), tcp.mutable_parammanual()}) {
        p->set_positionx(x);
        p->set_positiony(y);
        p->set_positionz(z);
        p->set_payload(mass);
    }
    return tcp;
}

std::string payload(float mass, float x = 0, float y = 0, float z = 0) {
    return tcpParam(mass, x, y, z).SerializeAsString();
}

std::string tool(double mass, double x = 0, double inertiaXx = 0) {
    pbc::ToolParam t;
    auto* d = t.add_tooldynamicsparam();
    d->set_positionx(x), d->set_positiony(0), d->set_positionz(0), d->set_payload(mass);
    auto* i = d->mutable_toolinertia();
    i->set_xx(inertiaXx), i->set_xy(0), i->set_xz(0), i->set_yy(0), i->set_yz(0), i->set_zz(0);
    t.mutable_errorinfo()->set_errorcode(0);
    t.mutable_errorinfo()->set_errormsg("");
    return t.SerializeAsString();
}

std::string startup(int32_t collisionClass, float mass = 0) {
    pbm::ProtoCommunicationRobotStartupProfile sp;
    *sp.mutable_tcpparam() = tcpParam(mass, 0, 0, 0);
    sp.set_readpose(true);
    sp.set_staticcollisiondetect(true);
    sp.set_collisionclass(collisionClass);
    sp.set_maxacc(0);
    return sp.SerializeAsString();
}

std::string jointOffset(int joint, double value) {
    pbc::RobotJointOffset o;
    o.set_joint1(0), o.set_joint2(0), o.set_joint3(0), o.set_joint4(0), o.set_joint5(0),
        o.set_joint6(0);
    const auto* field = o.GetDescriptor()->field(joint);
    o.GetReflection()->SetDouble(&o, field, value);
    return o.SerializeAsString();
}

// Joint range of motion, enabled; joint `joint` gets [lo, hi], the others ±1.
std::string jointRange(int joint, double lo, double hi) {
    pbm::ProtoCommunicationDoubleVector d;
    d.set_num(13);
    d.add_value(1);
    for (int i = 0; i < 6; ++i) {
        d.add_value(i == joint ? lo : -1.0);
        d.add_value(i == joint ? hi : 1.0);
    }
    return d.SerializeAsString();
}

// The settings a refused request must leave as they were.
std::string settings(const ArmState& arm) {
    std::string s = std::to_string(arm.workMode) + "/" + std::to_string(arm.collisionClass) + "/" +
                    arm.tcpParam.SerializeAsString() + "/" + arm.toolDynamics.SerializeAsString();
    for (double v : arm.jointOffset) s += "/" + std::to_string(v);
    auto range = arm.doubleParams.find(SetJointRangeOfMotion);
    if (range != arm.doubleParams.end())
        for (double v : range->second) s += "/" + std::to_string(v);
    return s;
}

TEST(SimRanges, RefusesOutOfRangeSettingsAndAcceptsTheBoundaries) {
    struct Row {
        const char* name;
        int32_t cmd;
        std::string body;
        bool accepted;
    };
    const double offsetMax = 10.0 * kPi / 180.0;
    const Row rows[] = {
        {"work mode simulator", SetRobotMode, generalInt(0), true},
        {"work mode real", SetRobotMode, generalInt(1), true},
        {"work mode 2", SetRobotMode, generalInt(2), false},
        {"work mode -1", SetRobotMode, generalInt(-1), false},
        {"control release", RobotControl, generalInt(0), true},
        {"control last command", RobotControl, generalInt(15), true},
        {"control 16", RobotControl, generalInt(16), false},
        {"control -1", RobotControl, generalInt(-1), false},
        {"collision class 0", SetRobotCollisionGrade, generalInt(0), true},
        {"collision class 10", SetRobotCollisionGrade, generalInt(10), true},
        {"collision class 11", SetRobotCollisionGrade, generalInt(11), false},
        {"collision class -1", SetRobotCollisionGrade, generalInt(-1), false},
        {"payload none", SetRobotTcpParam, payload(0), true},
        {"payload 20 kg, centre 1 m out", SetRobotTcpParam, payload(20, 1, -1, 1), true},
        {"payload 20.5 kg", SetRobotTcpParam, payload(20.5f), false},
        {"payload negative", SetRobotTcpParam, payload(-0.1f), false},
        {"payload centre 1.5 m out", SetRobotTcpParam, payload(1, 0, 0, 1.5f), false},
        {"payload NaN", SetRobotTcpParam, payload(std::nanf("")), false},
        {"tool 20 kg", SetToolDynamicsParam, tool(20, 1), true},
        {"tool 21 kg", SetToolDynamicsParam, tool(21), false},
        {"tool centre 2 m out", SetToolDynamicsParam, tool(1, 2), false},
        {"tool inertia NaN", SetToolDynamicsParam, tool(1, 0, kNaN), false},
        {"start-up class 10", RobotStartup, startup(10), true},
        {"start-up class 11", RobotStartup, startup(11), false},
        {"start-up payload 25 kg", RobotStartup, startup(6, 25), false},
        {"joint offset +10°", RobotSetJointOffset, jointOffset(0, offsetMax), true},
        {"joint offset -10°", RobotSetJointOffset, jointOffset(5, -offsetMax), true},
        {"joint offset 11°", RobotSetJointOffset, jointOffset(2, 11.0 * kPi / 180.0), false},
        {"joint offset NaN", RobotSetJointOffset, jointOffset(3, kNaN), false},
        {"joint range one turn", SetJointRangeOfMotion, jointRange(4, -2 * kPi, 2 * kPi), true},
        {"joint range empty", SetJointRangeOfMotion, jointRange(1, 0.5, 0.5), true},
        {"joint range beyond a turn", SetJointRangeOfMotion, jointRange(0, -7, 1), false},
        {"joint range min above max", SetJointRangeOfMotion, jointRange(3, 1, -1), false},
    };
    SimOptions opt;
    opt.logSink = [](const std::string&) {};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimCore core(opt);
        const std::string before = settings(core.arm);
        RequestCtx ctx;
        ctx.conn = 1;
        ctx.cmd = row.cmd;
        ctx.body = &row.body;
        handlerFor(row.cmd)(core, core.arm, ctx);
        ASSERT_NE(ctx.reply, nullptr);
        if (row.accepted) {
            EXPECT_EQ(ctx.code, CodeSucc);
        } else {
            EXPECT_EQ(ctx.code, CodeInvalidValue);
            EXPECT_EQ(settings(core.arm), before);
            EXPECT_TRUE(ctx.completions.empty());
        }
    }
}

}  // namespace
