// Every command handler against hostile bodies: random bytes and well-formed
// number lists with out-of-range values. Each must answer with a complete,
// parseable reply and leave the arm in a valid state.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "sim/siminternal.h"

namespace {

using namespace tevo_sim;

std::string randomBytes(std::mt19937& rng) {
    std::uniform_int_distribution<int> len(0, 48), byte(0, 255);
    std::string s(static_cast<size_t>(len(rng)), '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

int32_t wildInt(std::mt19937& rng) {
    static const int32_t picks[] = {0,
                                    1,
                                    2,
                                    3,
                                    5,
                                    6,
                                    7,
                                    10,
                                    11,
                                    16,
                                    47,
                                    48,
                                    51,
                                    52,
                                    255,
                                    -1,
                                    -100,
                                    std::numeric_limits<int32_t>::max(),
                                    std::numeric_limits<int32_t>::min()};
    return picks[std::uniform_int_distribution<size_t>(0, std::size(picks) - 1)(rng)];
}

double wildDouble(std::mt19937& rng) {
    static const double picks[] = {0.0,
                                   1.0,
                                   -1.0,
                                   3.5,
                                   1e300,
                                   -1e300,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity()};
    return picks[std::uniform_int_distribution<size_t>(0, std::size(picks) - 1)(rng)];
}

// Well-formed bodies of the shapes most commands take, with wild values.
std::string wildBody(std::mt19937& rng, int shape) {
    const int n = std::uniform_int_distribution<int>(0, 20)(rng);
    switch (shape) {
        case 0: {
            pbm::ProtoCommunicationIntVector v;
            v.set_num(n);
            for (int i = 0; i < n; ++i) v.add_value(wildInt(rng));
            return v.SerializeAsString();
        }
        case 1: {
            pbm::ProtoCommunicationDoubleVector v;
            v.set_num(n);
            for (int i = 0; i < n; ++i) v.add_value(wildDouble(rng));
            return v.SerializeAsString();
        }
        case 2: {
            pbm::ProtoCommunicationGeneralData g;
            g.set_type(1);
            for (int i = 0; i < n % 3; ++i)
                g.add_property1(wildInt(rng)), g.add_property2(i % 2 == 0);
            return g.SerializeAsString();
        }
        case 3: {
            pbm::ProtoCommunicationRobotDiagnosisIOData d;
            d.set_type(0);
            for (int i = 0; i < n % 6; ++i) {
                auto* e = d.add_iodesc();
                e->set_addr(static_cast<uint32_t>(wildInt(rng)));
                e->set_value(static_cast<uint32_t>(wildInt(rng)));
                e->set_type(static_cast<uint32_t>(wildInt(rng)));
            }
            return d.SerializeAsString();
        }
        case 4: {
            pbm::ProtoCommunicationRobotAnalogIOData d;
            d.set_type(0);
            for (int i = 0; i < n % 6; ++i) {
                auto* e = d.add_iodesc();
                e->set_addr(static_cast<uint32_t>(wildInt(rng)));
                static const float fpicks[] = {0.0f, 2.5f, -1.0f,
                                               std::numeric_limits<float>::quiet_NaN(),
                                               std::numeric_limits<float>::infinity()};
                e->set_value(
                    fpicks[std::uniform_int_distribution<size_t>(0, std::size(fpicks) - 1)(rng)]);
                e->set_type(0);
            }
            return d.SerializeAsString();
        }
        default: {
            pbm::protoSafeCommunicationParam p;
            p.set_paramreserved(0);
            for (int i = 0; i < n; ++i) p.add_param(static_cast<uint32_t>(wildInt(rng)));
            return p.SerializeAsString();
        }
    }
}

TEST(SimHandlers, EveryCommandAnswersHostileBodiesWithACompleteReply) {
    SimOptions opt;
    opt.logSink = [](const std::string&) {};
    SimCore core(opt);
    core.arm.started = core.arm.powered = core.arm.brakeReleased = true;  // let moves get far
    std::mt19937 rng(2024);
    for (int32_t cmd = -1; cmd <= CommandTypeCount + 1; ++cmd) {
        for (int round = 0; round < 120; ++round) {
            const std::string body =
                round % 2 == 0 ? randomBytes(rng) : wildBody(rng, round % 12 / 2);
            RequestCtx ctx;
            ctx.conn = 1;
            ctx.cmd = cmd;
            ctx.body = &body;
            handlerFor(cmd)(core, core.arm, ctx);
            ASSERT_NE(ctx.reply, nullptr) << "cmd " << cmd;
            const std::string out = serializeReply(*ctx.reply, ctx.code);
            std::unique_ptr<google::protobuf::Message> back(ctx.reply->New());
            ASSERT_TRUE(back->ParseFromString(out)) << "cmd " << cmd << " reply does not parse";
            for (auto& fn : ctx.afterReply) fn(core.arm);
            for (auto& c : ctx.completions)
                if (c.apply) c.apply(core.arm);
            // Keep runs short: no plan or jog carries over to the next body.
            stopMotion(core.arm, false);
            ASSERT_GE(core.arm.collisionClass, 0);
            ASSERT_LE(core.arm.collisionClass, 10);
            ASSERT_LE(core.arm.toolPowerType, 2u);
            for (double q : core.arm.q) ASSERT_TRUE(std::isfinite(q)) << "cmd " << cmd;
            for (float a : core.arm.ao) ASSERT_TRUE(std::isfinite(a)) << "cmd " << cmd;
            for (const auto& kv : core.arm.doubleParams)
                for (double v : kv.second) ASSERT_TRUE(std::isfinite(v)) << "cmd " << cmd;
        }
    }
}

}  // namespace
