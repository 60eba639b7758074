// The decoding and encoding rules where a fault would corrupt or invent data:
// partial waypoints, missing error records, server codes, short lists,
// narrowing, text limits, refused values, buffers that are too small, and
// where each failure line goes.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "RobotSDK/util/trace/robotlogprint.h"
#include "codec/codec_test_support.h"

using namespace codec_test;

namespace {

std::string asBytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

int sizeOf(const std::string& s) { return static_cast<int>(s.size()); }

// ---- ProtoRoadPoint -> wayPoint_S --------------------------------------------

struct RoadPointCase {
    const char* name;
    std::function<void(common::ProtoRoadPoint&)> build;
    bool complete;
    std::optional<trn::Pos> position;  // nullopt: left as it was
    bool jointsCopied;
};

class RoadPointDecode : public ::testing::TestWithParam<RoadPointCase> {};

TEST_P(RoadPointDecode, TakesWhatIsPresentAndReportsWhatIsMissing) {
    const RoadPointCase& c = GetParam();
    common::ProtoRoadPoint point;
    point.mutable_orientation()->set_w(0.5);
    point.mutable_orientation()->set_x(0.6);
    point.mutable_orientation()->set_y(0.7);
    point.mutable_orientation()->set_z(0.8);
    point.mutable_cartpos();
    c.build(point);

    const trn::wayPoint_S before = makeWayPoint(9.0);
    trn::wayPoint_S w = before;
    EXPECT_EQ(ProtoEncodeDecode::roadPointTypeConversion(point, w), c.complete);
    const trn::Pos expected = c.position ? *c.position : before.cartPos.position;
    EXPECT_EQ(w.cartPos.position.x, expected.x);
    EXPECT_EQ(w.cartPos.position.y, expected.y);
    EXPECT_EQ(w.cartPos.position.z, expected.z);
    EXPECT_EQ(w.orientation.w, 0.5);  // always copied
    EXPECT_EQ(w.orientation.z, 0.8);
    for (int i = 0; i < trn::ARM_DOF; ++i) {
        EXPECT_EQ(w.jointpos[i], c.jointsCopied ? 0.1 * i : before.jointpos[i]) << "joint " << i;
    }
}

void sixJoints(common::ProtoRoadPoint& p) {
    for (int i = 0; i < 6; ++i) p.add_jointpos(0.1 * i);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoadPointDecode,
    ::testing::Values(RoadPointCase{"PositionFromVectorWhenListEmpty",
                                    [](common::ProtoRoadPoint& p) {
                                        for (double v : {0.1, 0.2, 0.3})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        sixJoints(p);
                                    },
                                    true, trn::Pos{0.1, 0.2, 0.3}, true},
                      RoadPointCase{"FirstThreeOfALongerVector",
                                    [](common::ProtoRoadPoint& p) {
                                        for (double v : {1.0, 2.0, 3.0, 4.0})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        sixJoints(p);
                                    },
                                    true, trn::Pos{1.0, 2.0, 3.0}, true},
                      RoadPointCase{"ListEntryWinsOverVector",
                                    [](common::ProtoRoadPoint& p) {
                                        auto* pos = p.mutable_cartpos()->add_position();
                                        pos->set_x(7);
                                        pos->set_y(8);
                                        pos->set_z(9);
                                        for (double v : {1.0, 2.0, 3.0})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        sixJoints(p);
                                    },
                                    true, trn::Pos{7, 8, 9}, true},
                      RoadPointCase{"TwoNumbersAreNoPosition",
                                    [](common::ProtoRoadPoint& p) {
                                        for (double v : {1.0, 2.0})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        sixJoints(p);
                                    },
                                    false, std::nullopt, true},
                      RoadPointCase{"FiveJointsLeaveTheAnglesAlone",
                                    [](common::ProtoRoadPoint& p) {
                                        for (double v : {0.1, 0.2, 0.3})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        for (int i = 0; i < 5; ++i) p.add_jointpos(0.1 * i);
                                    },
                                    false, trn::Pos{0.1, 0.2, 0.3}, false},
                      RoadPointCase{"SevenJointsLeaveTheAnglesAlone",
                                    [](common::ProtoRoadPoint& p) {
                                        for (double v : {0.1, 0.2, 0.3})
                                            p.mutable_cartpos()->add_positionvector(v);
                                        for (int i = 0; i < 7; ++i) p.add_jointpos(0.1 * i);
                                    },
                                    false, trn::Pos{0.1, 0.2, 0.3}, false}),
    [](const ::testing::TestParamInfo<RoadPointCase>& info) {
        return std::string(info.param.name);
    });

// ---- Orientation, limits and relative offset of a profile -----------------------

TEST(CodecProfileDecode, OrientationLimitsAndRelativeOffset) {
    common::cartesianOri_U ori;
    auto* entry = ori.add_orientation();
    entry->set_w(0.1);
    entry->set_x(0.2);
    entry->set_y(0.3);
    entry->set_z(0.4);
    ori.add_quaternionvector(0.9);
    ori.add_quaternionvector(0.8);
    cartesian_Ori_U out = filled<cartesian_Ori_U>();
    ProtoEncodeDecode::cartesianOriUTypeConversion(ori, out);
    // A partial vector overwrites only its leading components.
    EXPECT_EQ(out.orientation.w, 0.9);
    EXPECT_EQ(out.orientation.x, 0.8);
    EXPECT_EQ(out.orientation.y, 0.3);
    EXPECT_EQ(out.orientation.z, 0.4);
    for (double v : {0.5, 0.6}) ori.add_quaternionvector(v);
    ori.add_quaternionvector(0.7);  // a fifth entry is ignored
    ProtoEncodeDecode::cartesianOriUTypeConversion(ori, out);
    EXPECT_EQ(out.orientation.y, 0.5);
    EXPECT_EQ(out.orientation.z, 0.6);

    common::joint_cart_U limits;
    for (double v : {1.0, 2.0, 3.0}) limits.add_jointpara(v);
    limits.add_cartpara(42.0);  // never read
    joint_cart_U decoded;
    for (double& v : decoded.jointPara) v = -1.0;
    ProtoEncodeDecode::jointCartUTypeConversion(limits, decoded);
    EXPECT_EQ(std::vector<double>(decoded.jointPara, decoded.jointPara + 6),
              (std::vector<double>{1.0, 2.0, 3.0, 0.0, 0.0, 0.0}));
    for (double v : {4.0, 5.0, 6.0, 7.0, 8.0}) limits.add_jointpara(v);
    ProtoEncodeDecode::jointCartUTypeConversion(limits, decoded);
    EXPECT_EQ(decoded.jointPara[5], 6.0);

    RobotMoveProfile profile = filled<RobotMoveProfile>();
    common::RobotMoveProfile wire;
    ASSERT_TRUE(ProtoEncodeDecode::TevoRobotMoveProfileType2ProtoType(profile, wire));
    wire.mutable_relativemove()->clear_relativeposition();
    wire.mutable_relativemove()->add_relativeposition(5.0f);
    wire.mutable_relativemove()->add_relativeposition(6.0f);
    profile.relativeMove.relativePosition[0] = 1.0f;
    ProtoEncodeDecode::ProtoRobotMoveProfileType2TevoType(wire, profile);
    EXPECT_EQ(profile.relativeMove.relativePosition[0], 1.0f);  // two entries: unchanged
}

// ---- Missing error record (rule E) ----------------------------------------------

TEST(CodecErrorRecord, JointAngleWithoutErrorInfoFillsAnglesAndReportsFalse) {
    common::ProtoJointAngleResponse reply;
    auto* a = reply.mutable_jointangle();
    a->set_joint1(1);
    a->set_joint2(2);
    a->set_joint3(3);
    a->set_joint4(4);
    a->set_joint5(5);
    a->set_joint6(6);
    trn::JointParam joints = filled<trn::JointParam>();
    int code = 99;
    std::string bytes = bytesOf(reply);
    EXPECT_FALSE(
        ProtoEncodeDecode::resolveResponse_jointAngle(bytes.data(), sizeOf(bytes), joints, code));
    EXPECT_EQ(joints.jointPos[0], 1);
    EXPECT_EQ(joints.jointPos[5], 6);
    EXPECT_EQ(code, 99);

    setError(reply.add_errorinfo(), 2);
    bytes = bytesOf(reply);
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_jointAngle(bytes.data(), sizeOf(bytes), joints, code));
    EXPECT_EQ(code, 2);
}

// ---- Server codes and missing payload entries (rules L and C) ---------------------

struct Outcome {
    bool result;
    int code;
    bool untouched;
};

// Decodes into a record whose every byte is 0xAB and reports what changed.
template <class Out, class Decode>
Outcome decodeIntoSentinel(const std::string& bytes, Decode decode) {
    Out out = filled<Out>(0xAB);
    const Out before = out;
    int code = -12345;
    const bool result = decode(bytes.data(), sizeOf(bytes), out, code);
    return {result, code, sameBytes(before, out)};
}

struct PayloadCase {
    const char* name;
    std::function<std::string(int code, bool withEntry)> reply;
    std::function<Outcome(const std::string&)> decode;
    bool payloadIsList;
};

template <class Reply>
std::string finish(Reply& reply, int code) {
    setError(reply.mutable_errorinfo(), code, code == 0 ? "" : "refused");
    return bytesOf(reply);
}

void fillTcp(comm::TcpParam* t) {
    t->set_positionx(1);
    t->set_positiony(2);
    t->set_positionz(3);
    t->set_payload(4);
}

void fillWrench(peripheral::ProtoWrench* w, int forces, int torques) {
    for (int i = 0; i < forces; ++i) w->add_force(1.0 + i);
    for (int i = 0; i < torques; ++i) w->add_torque(-1.0 - i);
}

void fillCalibResult(peripheral::ProtoFtSensorCalibResult* r, int torques, int centroids,
                     int angles) {
    fillWrench(r->mutable_wrench(), 3, torques);
    r->set_mass(2.0);
    for (int i = 0; i < centroids; ++i) r->add_centroid(0.1 * i);
    for (int i = 0; i < angles; ++i) r->add_angle(0.2 * i);
}

struct DhOut {
    trn::RobotType type;
    trn::RobotDhPara dh;
};

const std::vector<PayloadCase>& payloadCases() {
    static const std::vector<PayloadCase> cases = {
        {"tcpParam",
         [](int code, bool entry) {
             common::ProtoResponseRobotTcpParam r;
             if (entry) {
                 auto* t = r.add_tcpparam();
                 fillTcp(t->mutable_paramautorun());
                 fillTcp(t->mutable_parammanual());
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<RobotTcpParam>(b,
                                                      ProtoEncodeDecode::resolveResponse_tcpParam);
         },
         true},
        {"toolDynamics",
         [](int code, bool entry) {
             common::ToolParam r;
             if (entry) {
                 auto* t = r.add_tooldynamicsparam();
                 t->set_positionx(1);
                 t->set_positiony(2);
                 t->set_positionz(3);
                 t->set_payload(4);
                 auto* i = t->mutable_toolinertia();
                 for (auto set : {&common::ToolInertia::set_xx, &common::ToolInertia::set_xy,
                                  &common::ToolInertia::set_xz, &common::ToolInertia::set_yy,
                                  &common::ToolInertia::set_yz, &common::ToolInertia::set_zz}) {
                     (i->*set)(0.5);
                 }
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<trn::ToolDynamicsParam>(
                 b, ProtoEncodeDecode::resolveResponse_getToolDynamicsParam);
         },
         true},
        {"gravity",
         [](int code, bool entry) {
             common::ProtoResponseRobotGravityComponent r;
             if (entry) {
                 auto* g = r.add_gravitycomponent();
                 g->set_x(0.1f);
                 g->set_y(0.2f);
                 g->set_z(-9.8f);
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<trn::RobotGravityComponent>(
                 b, ProtoEncodeDecode::resolveResponse_gravityComponent);
         },
         true},
        {"collision",
         [](int code, bool entry) {
             common::ProtoResponseRobotCollisionCurrent r;
             if (entry) r.add_collisioncurrent()->set_collisionclass(6);
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<RobotCollisionCurrent>(
                 b, ProtoEncodeDecode::resolveResponse_collisionCurrent);
         },
         true},
        {"devInfo",
         [](int code, bool entry) {
             common::ProtoResponseRobotDevInfo r;
             if (entry) {
                 auto* d = r.add_devinfo();
                 d->set_type(1);
                 d->set_revision("v1");
                 d->set_manuid("v1");
                 d->set_jointtype("v1");
                 d->set_desc("v1");
                 d->set_slavedevversion("v1");
                 d->set_extendioboardversion("v1");
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<trn::RobotDevInfo>(
                 b, ProtoEncodeDecode::resolveResponse_devInfo);
         },
         true},
        {"safetyConfig",
         [](int code, bool entry) {
             common::ProtoResponseRobotSafetyConfig r;
             if (entry) {
                 trn::RobotSafetyConfig c = filled<trn::RobotSafetyConfig>(1);
                 ProtoEncodeDecode::RobotSafetyConfigTypeConversion(c, *r.add_safetyconfig());
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<trn::RobotSafetyConfig>(
                 b, ProtoEncodeDecode::resolveResponse_safetyConfig);
         },
         true},
        {"safetyStatus",
         [](int code, bool entry) {
             common::ProtoResponseOrpeSafetyStatus r;
             if (entry) {
                 trn::OrpeSafetyStatus s = filled<trn::OrpeSafetyStatus>(1);
                 ProtoEncodeDecode::OrpeSafetyStatusTypeConversion(s, *r.add_safetystatus());
             }
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<trn::OrpeSafetyStatus>(
                 b, ProtoEncodeDecode::resolveResponse_safetyStatus);
         },
         true},
        {"ftSensorCalibResult",
         [](int code, bool entry) {
             peripheral::ProtoResponseFtSensorCalibResult r;
             if (entry) fillCalibResult(r.add_ftsensorcalibresult(), 3, 3, 2);
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<FtSensorCalResult>(
                 b, ProtoEncodeDecode::resolveResponse_FtSensorCalibResult);
         },
         true},
        {"wrench",
         [](int code, bool entry) {
             peripheral::ProtoResponseWrench r;
             if (entry) fillWrench(r.add_wrench(), 3, 3);
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<WrenchParam>(b, ProtoEncodeDecode::resolveResponse_Wrench);
         },
         true},
        {"dhParam",
         [](int code, bool) {
             common::ProtoResponseRobotDhParam r;
             r.set_robottype(3);
             auto* d = r.mutable_dhparam();
             d->set_a3(0.4);
             d->set_a4(0.3);
             d->set_d1(0.1);
             d->set_d2(0.12);
             d->set_d5(0.1);
             d->set_d6(0.09);
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<DhOut>(b, [](const char* d, int n, DhOut& out, int& code) {
                 return ProtoEncodeDecode::resolveResponse_DhParam(d, n, out.type, out.dh, code);
             });
         },
         false},
        {"moveControlResult",
         [](int code, bool) {
             common::ProtoRobotMoveFuncResult r;
             r.set_ret(call_robot_motion_func_succ_wait_done);
             return finish(r, code);
         },
         [](const std::string& b) {
             return decodeIntoSentinel<call_robot_motion_func_result>(
                 b, ProtoEncodeDecode::resolveResponse_moveControlResule);
         },
         false},
    };
    return cases;
}

class PayloadRule : public ::testing::TestWithParam<PayloadCase> {};

TEST_P(PayloadRule, ServerCodeLeavesOutputUntouchedAndStillDecodes) {
    const Outcome o = GetParam().decode(GetParam().reply(3, true));
    EXPECT_TRUE(o.result);
    EXPECT_EQ(o.code, 3);
    EXPECT_TRUE(o.untouched);
}

TEST_P(PayloadRule, SuccessFillsTheOutput) {
    const Outcome o = GetParam().decode(GetParam().reply(0, true));
    EXPECT_TRUE(o.result);
    EXPECT_EQ(o.code, 0);
    EXPECT_FALSE(o.untouched);
}

// Only the replies whose payload is a list can lack it.
class ListPayloadRule : public PayloadRule {};

TEST_P(ListPayloadRule, SuccessWithoutItsEntryFailsAndTouchesNothing) {
    const std::string reply = GetParam().reply(0, false);
    ::testing::internal::CaptureStderr();
    const Outcome o = GetParam().decode(reply);
    const std::string line = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(o.result);
    EXPECT_TRUE(o.untouched);
    EXPECT_EQ(line.rfind(std::string("ERROR: resolveResponse_"), 0), 0u) << line;
    EXPECT_NE(line.find(" reply lacks its entr"), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
}

std::string payloadName(const ::testing::TestParamInfo<PayloadCase>& info) {
    return info.param.name;
}

std::vector<PayloadCase> listPayloadCases() {
    std::vector<PayloadCase> lists;
    for (const PayloadCase& c : payloadCases()) {
        if (c.payloadIsList) lists.push_back(c);
    }
    return lists;
}

INSTANTIATE_TEST_SUITE_P(Decoders, PayloadRule, ::testing::ValuesIn(payloadCases()), payloadName);
INSTANTIATE_TEST_SUITE_P(Decoders, ListPayloadRule, ::testing::ValuesIn(listPayloadCases()),
                         payloadName);

// ---- Short force/torque/centroid/angle lists ----------------------------------------

TEST(CodecShortLists, ForceSensorRepliesWithTooFewEntriesFailUntouched) {
    struct Case {
        int forces, torques, centroids, angles;
    };
    for (const Case c : {Case{2, 3, 3, 2}, Case{3, 2, 3, 2}, Case{3, 3, 2, 2}, Case{3, 3, 3, 1},
                         Case{0, 0, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.forces << c.torques << c.centroids << c.angles);
        peripheral::ProtoResponseFtSensorCalibResult calib;
        auto* r = calib.add_ftsensorcalibresult();
        r->set_mass(1.0);
        fillWrench(r->mutable_wrench(), c.forces, c.torques);
        for (int i = 0; i < c.centroids; ++i) r->add_centroid(1);
        for (int i = 0; i < c.angles; ++i) r->add_angle(1);
        const Outcome o = decodeIntoSentinel<FtSensorCalResult>(
            finish(calib, 0), ProtoEncodeDecode::resolveResponse_FtSensorCalibResult);
        EXPECT_FALSE(o.result);
        EXPECT_TRUE(o.untouched);

        peripheral::ProtoResponseWrench wrench;
        fillWrench(wrench.add_wrench(), c.forces, c.torques);
        const Outcome w = decodeIntoSentinel<WrenchParam>(
            finish(wrench, 0), ProtoEncodeDecode::resolveResponse_Wrench);
        const bool wrenchComplete = c.forces >= 3 && c.torques >= 3;
        EXPECT_EQ(w.result, wrenchComplete);
        EXPECT_EQ(w.untouched, !wrenchComplete);
    }
}

// ---- Joint status: entries beyond the caller's length -------------------------------

TEST(CodecJointStatus, EightEntriesIntoSixFillSix) {
    common::ProtoRobotAllJointStatusResponse reply;
    reply.set_jointcount(8);
    for (int i = 0; i < 8; ++i) {
        trn::JointStatus s = filled<trn::JointStatus>();
        s.jointCurrentI = 100 + i;
        s.jointErrorNum = static_cast<uint16_t>(i);
        ProtoEncodeDecode::jointStatusTypeConversion(s, *reply.add_jointstatus());
    }
    reply.mutable_jointstatus(7)->set_jointerrornum(
        0x12345);  // narrowed to 16 bits if it were read
    const std::string bytes = bytesOf(reply);
    trn::JointStatus out[8];
    for (auto& s : out) s = filled<trn::JointStatus>(0xAB);
    const trn::JointStatus sentinel = out[0];
    int code = 7;
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_jointStatus(bytes.data(), sizeOf(bytes), out, 6, code));
    EXPECT_EQ(code, 7);  // no error record: unchanged
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i].jointCurrentI, 100 + i);
    EXPECT_TRUE(sameBytes(out[6], sentinel));
    EXPECT_TRUE(sameBytes(out[7], sentinel));

    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_jointStatus(bytes.data(), sizeOf(bytes), out, 8, code));
    EXPECT_EQ(out[7].jointErrorNum, 0x2345);
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_jointStatus(bytes.data(), sizeOf(bytes), nullptr,
                                                               6, code));
}

// ---- General data (rule G) -------------------------------------------------------------

TEST(CodecGeneralData, EndSpeedInThousandthsAndEmptyListFails) {
    struct Case {
        std::vector<int> property1;
        bool result;
        double speed;
    };
    for (const Case& c :
         {Case{{1500}, true, 1.5}, Case{{-250, 9}, true, -0.25}, Case{{}, false, 42.0}}) {
        comm::ProtoCommunicationGeneralData m;
        ProtoEncodeDecode::makeProtoCommunicationGeneralData(m, c.property1, {true});
        const std::string bytes = bytesOf(m);
        double speed = 42.0;
        EXPECT_EQ(
            ProtoEncodeDecode::resolveResponse_robotEndSpeed(bytes.data(), sizeOf(bytes), speed),
            c.result);
        EXPECT_EQ(speed, c.speed);
    }
}

TEST(CodecGeneralData, CodeFromFirstErrorRecordAndBodyWithoutTypeRejected) {
    comm::ProtoCommunicationGeneralData m;
    m.set_type(1);
    m.add_property1(trn::RobotRunning);
    setError(m.add_errorinfo(), 4);
    setError(m.add_errorinfo(), 5);
    std::string bytes = bytesOf(m);
    trn::RobotState state = trn::RobotStopped;
    int code = 0;
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_robotState(bytes.data(), sizeOf(bytes), state, code));
    EXPECT_EQ(state, trn::RobotRunning);
    EXPECT_EQ(code, 4);

    std::vector<int> ints = {9};
    std::vector<bool> bools = {true, true};
    ProtoEncodeDecode::resolveProtoCommunicationGeneralData(m, ints, bools, code);
    EXPECT_EQ(ints, std::vector<int>{trn::RobotRunning});
    EXPECT_TRUE(bools.empty());

    m.clear_type();
    bytes = m.SerializePartialAsString();
    state = trn::RobotPaused;
    code = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(
        ProtoEncodeDecode::resolveResponse_robotState(bytes.data(), sizeOf(bytes), state, code));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ERROR: ProtoCommunicationGeneralDataMessageParse fail.\n");
    EXPECT_EQ(state, trn::RobotPaused);
    EXPECT_EQ(code, 0);
}

// ---- Device information text limits ---------------------------------------------------

TEST(CodecDevInfo, TextsAreCutToTheirLimitsAndZeroPadded) {
    comm::OurRobotDevInfo info;
    info.set_type(0x1FF);  // narrowed to 8 bits
    info.set_revision(std::string(20, 'r'));
    info.set_manuid(std::string("ab\0cd", 5));
    info.set_jointtype("joint");
    for (int i = 0; i < 10; ++i) {
        auto* v = info.add_jointver();
        v->set_hwversion(std::string(10, static_cast<char>('0' + i)));
        v->set_swversion(std::string(16, static_cast<char>('a' + i)));
        info.add_jointproductid(std::string(3, static_cast<char>('A' + i)));
    }
    info.set_desc(std::string(40, 'd'));
    info.set_slavedevversion("slave");
    info.set_extendioboardversion(std::string(14, 'e'));

    trn::RobotDevInfo out = filled<trn::RobotDevInfo>(0xAB);
    ProtoEncodeDecode::RobotDevInfoTypeConversion(info, out);
    EXPECT_EQ(out.type, 0xFF);
    EXPECT_EQ(std::string(out.revision), std::string(15, 'r'));
    EXPECT_EQ(std::string(out.manu_id), "ab");
    EXPECT_EQ(std::string(out.joint_type), "joint");
    EXPECT_EQ(std::string(out.joint_ver[7].hw_version), std::string(7, '7'));
    EXPECT_EQ(std::string(out.joint_ver[7].sw_version), std::string(15, 'h'));
    EXPECT_EQ(std::string(out.jointProductID[7].productID), "HHH");
    EXPECT_EQ(std::string(out.desc), std::string(11, 'd'));
    for (std::size_t i = 11; i < sizeof out.desc; ++i) EXPECT_EQ(out.desc[i], 0) << i;
    EXPECT_EQ(std::string(out.slave_version), "slave");
    EXPECT_EQ(std::string(out.extio_version), std::string(11, 'e'));
    EXPECT_EQ(out.extio_version[15], 0);
}

// ---- Appending and conditional lists (rules A, D, I) ------------------------------------

TEST(CodecLists, JointCommonDataAppendsAfterExistingEntries) {
    comm::ProtoJointCommonDataResponse reply;
    for (int j = 0; j < 2; ++j) {
        auto* d = reply.add_jointcommondata();
        const auto* descriptor = d->GetDescriptor();
        for (int f = 0; f < descriptor->field_count(); ++f) {
            d->GetReflection()->SetInt32(d, descriptor->field(f), 1000 * (j + 1) + f);
        }
    }
    reply.mutable_jointcommondata(1)->set_jointminpos(-70000);
    reply.mutable_jointcommondata(1)->set_jointcurvol(70000);  // narrowed to 16 bits
    const std::string bytes = finish(reply, 0);
    std::vector<trn::JointCommonData> list(2, filled<trn::JointCommonData>(0x11));
    int code = -1;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_jointCommonData(bytes.data(), sizeOf(bytes),
                                                                   list, code));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_TRUE(sameBytes(list[0], filled<trn::JointCommonData>(0x11)));
    EXPECT_EQ(list[2].JointCurVol, 1000);
    EXPECT_EQ(list[2].JointPosDS, 1024);
    EXPECT_EQ(list[3].JointMINPos, -70000);
    EXPECT_EQ(list[3].JointCurVol, 70000 & 0xFFFF);
}

TEST(CodecLists, DynIdentifyResultsOnlyOnSuccess) {
    comm::ProtoCommunicationDynIdentifyResults reply;
    reply.set_temp(0);
    for (int v : {5, 6, 7}) reply.add_param(v);
    std::vector<int> values = {1};
    int code = 42;
    std::string bytes = bytesOf(reply);  // no error record: success, code unchanged
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(
        bytes.data(), sizeOf(bytes), values, code));
    EXPECT_EQ(values, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(code, 42);

    setError(reply.add_errorinfo(), 3);
    bytes = bytesOf(reply);
    values = {1};
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_getDynIdentifyResults(
        bytes.data(), sizeOf(bytes), values, code));
    EXPECT_EQ(values, std::vector<int>{1});
    EXPECT_EQ(code, 3);
}

TEST(CodecLists, DiagnosisCodeIsZeroWithoutErrorRecord) {
    comm::ProtoCommunicationRobotDiagnosisInfo reply;
    reply.set_num(0);
    std::string bytes = bytesOf(reply);
    trn::RobotDiagnosis diagnosis = filled<trn::RobotDiagnosis>(0xAB);
    const trn::RobotDiagnosis before = diagnosis;
    int code = 8;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(bytes.data(), sizeOf(bytes),
                                                                      diagnosis, code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sameBytes(before, diagnosis));

    auto* d = reply.add_robotdiagnosis();
    const auto* descriptor = d->GetDescriptor();
    for (int f = 0; f < descriptor->field_count(); ++f) {
        const auto* field = descriptor->field(f);
        switch (field->cpp_type()) {
            case google::protobuf::FieldDescriptor::CPPTYPE_BOOL:
                d->GetReflection()->SetBool(d, field, true);
                break;
            case google::protobuf::FieldDescriptor::CPPTYPE_FLOAT:
                d->GetReflection()->SetFloat(d, field, 1.5f);
                break;
            case google::protobuf::FieldDescriptor::CPPTYPE_INT32:
                d->GetReflection()->SetInt32(d, field, -300);
                break;
            default:
                d->GetReflection()->SetUInt32(d, field, 0x10203);
                break;
        }
    }
    bytes = bytesOf(reply);
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotDiagnosisInfo(bytes.data(), sizeOf(bytes),
                                                                      diagnosis, code));
    EXPECT_EQ(diagnosis.armCanbusStatus, 0x03);
    EXPECT_EQ(diagnosis.contorllerTemp, static_cast<int8_t>(-300));
    EXPECT_EQ(diagnosis.robotMaxAcc, -300);
    EXPECT_EQ(diagnosis.macTargetPosBufferSize, 0x0203);
    EXPECT_EQ(diagnosis.toolIoError, static_cast<uint8_t>(-300));
    EXPECT_TRUE(diagnosis.controlBoardAbnormalStateFlag == 0x03 && diagnosis.brakeStuats);
    EXPECT_EQ(diagnosis.robotEndSpeed, 1.5f);
}

TEST(CodecLists, ToolIoStatusTakesTheToolsOwnErrorStatus) {
    comm::ProtoCommunicationToolAllIOStatusInfoResponse reply;
    auto* tool = reply.mutable_tooliostatus();
    tool->set_powertype(trn::OUT_24V);
    tool->set_systemvoltage(24.25);
    tool->set_systemtemperature(36.5);
    tool->set_errorstatus(0x102);
    for (int i = 0; i < 6; ++i) {
        auto* io = tool->add_digitaliostatus();
        io->set_iotype(i % 2);
        io->set_iodata(0x100 + i);
    }
    for (double v : {1.5, 2.5, 3.5}) tool->add_aidata(v);
    setError(reply.mutable_errorinfo(), 5);
    const std::string bytes = bytesOf(reply);
    RobotToolAllIOStatus status = filled<RobotToolAllIOStatus>();
    int code = 0;
    EXPECT_TRUE(ProtoEncodeDecode::resolveResponse_robotToolIoStatus(bytes.data(), sizeOf(bytes),
                                                                     status, code));
    EXPECT_EQ(code, 5);
    EXPECT_EQ(status.errorStatus, 0x02);
    EXPECT_EQ(status.powerType, trn::OUT_24V);
    EXPECT_EQ(status.systemVoltage, 24.25f);
    EXPECT_EQ(status.digitalIoStatus[3].ioType, trn::IO_OUT);
    EXPECT_EQ(status.digitalIoStatus[3].ioData, 0x03);
    EXPECT_EQ(status.aiData[1], 2.5f);
}

// ---- Encoders: exact bytes, untransmitted fields, refused values ---------------------------

TEST(CodecEncode, EmptyIntVectorIsCountZeroAndNoValues) {
    const Body body = encode([](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_intTypeValueVector(d, n, {});
    });
    EXPECT_EQ(body.bytes(), asBytes({0x08, 0x00}));
}

TEST(CodecEncode, JerkAccRatioIsNeverTransmitted) {
    RobotMoveProfile profile = filled<RobotMoveProfile>();
    profile.moveMode = MODEL;
    profile.jerkAccRatio = 0.0;
    const std::vector<trn::wayPoint_S> points = {makeWayPoint(0.5)};
    const Body plain = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotMove(d, n, profile, points);
    });
    profile.jerkAccRatio = 0.9;
    const Body withJerk = encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotMove(d, n, profile, points);
    });
    EXPECT_EQ(plain.bytes(), withJerk.bytes());
}

// Waypoints are written straight in the wire format; the body must be exactly
// what the message classes produce for the same move.
TEST(CodecEncode, MoveBodyIsExactlyTheMessageSerialisation) {
    RobotMoveProfile profile = filled<RobotMoveProfile>();
    profile.moveMode = MODEP;
    profile.subMoveMode = trn::CARTESIAN_MOVEP;
    profile.teachMode = trn::NO_TEACH;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    const double specials[] = {0.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(), 1e-300};
    for (std::size_t count : {0u, 1u, 3u, 1000u}) {
        SCOPED_TRACE(count);
        std::vector<trn::wayPoint_S> points(count);
        for (std::size_t k = 0; k < count; ++k) {
            double* fields = reinterpret_cast<double*>(&points[k]);  // 13 doubles
            for (std::size_t f = 0; f < sizeof(trn::wayPoint_S) / sizeof(double); ++f)
                fields[f] = (k + f) % 7 == 0 ? specials[(k + f) % 5] : value(rng);
        }
        const Body body = encode([&](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_robotMove(d, n, profile, points);
        });
        common::RobotMove message;
        ASSERT_TRUE(ProtoEncodeDecode::RobotMovePatamTypeConversion(profile, points, message));
        EXPECT_EQ(body.bytes(), message.SerializeAsString());
    }
}

TEST(CodecEncode, UndeclaredModeValuesNeverReachTheWire) {
    struct Case {
        int moveMode, subMoveMode, teachMode;
    };
    for (const Case c :
         {Case{MODEP, trn::ARC, 0}, Case{MODEP, trn::ORI_POSITION_ROTATE_CIRCUMFERENCE, 0},
          Case{MODEP, -1, 0}, Case{4, 0, 0}, Case{MODEJ, 0, 13}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.moveMode << "/" << c.subMoveMode << "/" << c.teachMode);
        RobotMoveProfile profile = filled<RobotMoveProfile>();
        profile.moveMode = static_cast<move_mode>(c.moveMode);
        profile.subMoveMode = static_cast<trn::move_track>(c.subMoveMode);
        profile.teachMode = static_cast<trn::teach_mode>(c.teachMode);
        char* data = reinterpret_cast<char*>(&profile);
        int size = 77;
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(ProtoEncodeDecode::getRequest_robotMove(&data, &size, profile, {}));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "getRequest_robotMove Serialize fail.\n");
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0);

        trn::CoordCalibrateByJointAngleAndTool frame =
            filled<trn::CoordCalibrateByJointAngleAndTool>();
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(
            ProtoEncodeDecode::getRequest_robotTeachMove(&data, &size, profile, frame, {}));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "getRequest_robotTeachMove Serialize fail.\n");
        EXPECT_EQ(data, nullptr);
    }
    RobotMoveProfile lastDeclared = filled<RobotMoveProfile>();
    lastDeclared.moveMode = MODEP;
    lastDeclared.subMoveMode = trn::JOINT_GNUBSPLINEINTP;
    lastDeclared.teachMode = trn::ROT_Z;
    encode([&](char** d, int* n) {
        return ProtoEncodeDecode::getRequest_robotMove(d, n, lastDeclared, {});
    });
}

TEST(CodecEncode, FirmwareWithUnsafeLengthIsRefused) {
    const char content[4] = {1, 2, 3, 4};
    struct Case {
        const char* content;
        int length;
    };
    for (const Case c : {Case{content, -1}, Case{nullptr, 4}}) {
        char* data = nullptr;
        int size = 5;
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(
            ProtoEncodeDecode::getRequest_firmwareUpgrade(&data, &size, 1, c.content, c.length));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "getRequest_firmwareUpgrade Serialize fail.\n");
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0);
    }
    const auto empty =
        parseAs<comm::ProtoCommunicationRobotBoardFirmware>(encode([](char** d, int* n) {
            return ProtoEncodeDecode::getRequest_firmwareUpgrade(d, n, 3, nullptr, 0);
        }));
    EXPECT_TRUE(empty.has_firmwarecontent());
    EXPECT_EQ(empty.firmwarecontentsize(), 0);
}

// ---- The event encoder and its caller's buffer -------------------------------------------

TEST(CodecEvent, DisconnectEventIsTheExactTwentySixBytes) {
    const trn::RobotEventInfo event{trn::RobotEvent_socketDisconnected, 0, "Server disconnected."};
    const std::string expected =
        asBytes({0x08, 0x1B, 0x10, 0x00, 0x1A, 0x14}) + "Server disconnected.";
    ASSERT_EQ(expected.size(), 26u);

    char buffer[64];
    int size = 26;  // exactly enough
    ASSERT_TRUE(ProtoEncodeDecode::getResponse_Event(buffer, &size, event));
    EXPECT_EQ(size, 26);
    EXPECT_EQ(std::string(buffer, 26), expected);

    std::memset(buffer, 0x5A, sizeof buffer);
    size = 25;  // one byte short
    EXPECT_FALSE(ProtoEncodeDecode::getResponse_Event(buffer, &size, event));
    EXPECT_EQ(size, 25);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\x5A'));

    size = -1;
    EXPECT_FALSE(ProtoEncodeDecode::getResponse_Event(buffer, &size, event));
    EXPECT_EQ(size, -1);
}

// ---- Where failure lines go -----------------------------------------------------------------

TEST(CodecFailureLines, UnparsableBodiesAndBadSizesGoToStandardError) {
    const std::string garbage = asBytes({0xFF, 0xFF, 0xFF});
    CommunicationCommonResultResponse common;
    common.m_errorCode = 6;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(
        ProtoEncodeDecode::resolveResponse_commonFormat(garbage.data(), sizeOf(garbage), common));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ERROR: resolveResponse_commonFormat Parse fail.\n");
    EXPECT_EQ(common.m_errorCode, 6);

    RobotTcpParam tcp = filled<RobotTcpParam>();
    int code = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_tcpParam(garbage.data(), -1, tcp, code));
    EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_tcpParam(nullptr, 4, tcp, code));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "resolveResponse_tcpParam Parse fail.\nresolveResponse_tcpParam Parse fail.\n");

    // The I/O list decoders empty their vector even when the body is bad.
    std::vector<trn::RobotDiagnosisIODesc> io(3);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ProtoEncodeDecode::resolveResponse_robotDiagnosisIOData(
        garbage.data(), sizeOf(garbage), io, code));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(io.empty());

    comm::ProtoRobotCommonResponse reply;
    setError(&reply, 4, "busy");
    const std::string bytes = bytesOf(reply);
    EXPECT_TRUE(
        ProtoEncodeDecode::resolveResponse_commonFormat(bytes.data(), sizeOf(bytes), common));
    EXPECT_EQ(common.m_errorCode, 4);
    EXPECT_EQ(common.m_errorMsg, "busy");
}

TEST(CodecFailureLines, MessagesMissingARequiredFieldAreNeverSerialised) {
    comm::ProtoCommunicationGeneralData general;
    general.add_property1(1);  // no type
    char* data = reinterpret_cast<char*>(&general);
    int size = 9;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(
        ProtoEncodeDecode::ProtoCommunicationGeneralDataMessageSerialize(general, &data, &size));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ERROR:ProtoCommunicationGeneralDataMessageSerialize Serialize fail.\n");
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0);

    common::RobotCommonResponse record;
    record.set_errorcode(0);  // no text
    data = reinterpret_cast<char*>(&record);
    size = 9;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ProtoEncodeDecode::ProtobufDataSerializeToArray(record, &data, &size));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), " Serialize fail.\n");
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0);

    ProtoEncodeDecode::ProtoRobotCommonResponseInit(record, 3, "");
    EXPECT_TRUE(ProtoEncodeDecode::ProtobufDataSerializeToArray(record, &data, &size));
    EXPECT_EQ(std::string(data, static_cast<std::size_t>(size)), asBytes({0x08, 0x03, 0x12, 0x00}));
    delete[] data;
}

struct LogCapture {
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> lines;
    static void callback(int level, const char* text, void* arg) {
        auto* self = static_cast<LogCapture*>(arg);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->lines.emplace_back(level, text);
    }
};

TEST(CodecFailureLines, LogSinkEncodersWriteToTheRegisteredCallback) {
    RobotLogPrint* log = RobotLogPrint::getRobotLogPrintPtr();
    std::unique_ptr<RobotLogPrint> owned;
    if (log == nullptr) {
        owned = std::make_unique<RobotLogPrint>();
        log = owned.get();
    }
    LogCapture capture;
    log->registerRobotLogPrintCallback(&LogCapture::callback, &capture);
    char* data = nullptr;
    int size = 3;
    EXPECT_FALSE(ProtoEncodeDecode::getRequest_FtSensorCalibParam(&data, &size, nullptr, nullptr));
    log->registerRobotLogPrintCallback(nullptr, nullptr);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(capture.lines[0].first, trn::LL_ERROR);
    EXPECT_EQ(capture.lines[0].second, "getRequest_FtSensorCalibParam Serialize fail.");
}

}  // namespace

namespace {

enum class Sink { Log, Stdout, Stderr };

struct RoutingCase {
    const char* name;
    std::function<bool(char**, int*)> encode;  // called with a null data pointer
    Sink sink;
    std::vector<std::string> lines;
};

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace

// Every encoder's failure line, with its exact text, reaches exactly its own
// sink; a null out-pointer is the failure every encoder shares.
TEST(CodecFailureLines, EveryEncoderWritesItsLineToItsOwnSink) {
    using P = ProtoEncodeDecode;
    const trn::wayPoint_S point = makeWayPoint(0.0);
    const RobotMoveProfile profile = [] {
        RobotMoveProfile p = filled<RobotMoveProfile>();
        p.moveMode = MODEJ;
        return p;
    }();
    const trn::CoordCalibrateByJointAngleAndTool frame =
        filled<trn::CoordCalibrateByJointAngleAndTool>();
    const trn::JointParam joints[3] = {};
    const WrenchParam wrenches[3] = {};
    const std::string gd = "ERROR:ProtoCommunicationGeneralDataMessageSerialize Serialize fail.";
    const std::vector<RoutingCase> cases = {
        {"login",
         [](char** d, int* n) { return P::getRequest_login(d, n, "u", "p"); },
         Sink::Stderr,
         {"ERROR: getRequest_login Serialize fail."}},
        {"robotControl",
         [](char** d, int* n) { return P::getRequest_robotControl(d, n, trn::RobotBrake); },
         Sink::Stderr,
         {gd, "ERROR: getRequest_robotControl Serialize fail."}},
        {"powerStatus",
         [](char** d, int* n) { return P::getRequest_setRobotPowerStatus(d, n, true); },
         Sink::Stderr,
         {gd, "ERROR: getRequest_setRobotPowerStatus Serialize fail."}},
        {"workMode",
         [](char** d, int* n) { return P::getRequest_setRobotWorkMode(d, n, trn::RobotModeReal); },
         Sink::Stderr,
         {gd, "ERROR: getRequest_setRobotWorkMode Serialize fail."}},
        {"collision",
         [](char** d, int* n) { return P::getRequest_setRobotCollision(d, n, 6); },
         Sink::Stderr,
         {gd, "ERROR: getRequest_setRobotCollision Serialize fail."}},
        {"digitalIo",
         [](char** d, int* n) { return P::getRequest_robotDiagnosisIOData(d, n, {}); },
         Sink::Stderr,
         {"ERROR: getRequest_robotDiagnosisIOData Serialize fail."}},
        {"analogIo",
         [](char** d, int* n) { return P::getRequest_robotAnalogIOData(d, n, {}); },
         Sink::Stderr,
         {"ERROR: getRequest_robotAnalogIOData Serialize fail."}},
        {"roadpoint",
         [&](char** d, int* n) { return P::getRequest_roadpoint(d, n, point); },
         Sink::Stdout,
         {"getRequest_roadpoint Serialize fail."}},
        {"tcpParam",
         [](char** d, int* n) { return P::getRequest_tcpParam(d, n, {}); },
         Sink::Stdout,
         {"getRequest_tcpParam Serialize fail."}},
        {"startup",
         [](char** d, int* n) { return P::getRequest_robotStartup(d, n, {}, 6, true, true, 1); },
         Sink::Stdout,
         {"getRequest_robotStartup Serialize fail."}},
        {"move",
         [&](char** d, int* n) { return P::getRequest_robotMove(d, n, profile, {}); },
         Sink::Stdout,
         {"getRequest_robotMove Serialize fail."}},
        {"teachMove",
         [&](char** d, int* n) { return P::getRequest_robotTeachMove(d, n, profile, frame, {}); },
         Sink::Stdout,
         {"getRequest_robotTeachMove Serialize fail."}},
        {"firmware",
         [](char** d, int* n) { return P::getRequest_firmwareUpgrade(d, n, 1, nullptr, 0); },
         Sink::Stdout,
         {"getRequest_firmwareUpgrade Serialize fail."}},
        {"toolDynamics",
         [](char** d, int* n) { return P::getRequest_setToolDynamicsParam(d, n, {}); },
         Sink::Log,
         {"getRequest_setToolDynamicsParam Serialize fail."}},
        {"toolKinematics",
         [](char** d, int* n) { return P::getRequest_setToolKinematicsParam(d, n, {}); },
         Sink::Log,
         {"getRequest_setToolKinematicsParam Serialize fail."}},
        {"safetyConfig",
         [](char** d, int* n) { return P::getRequest_setSafetyConfig(d, n, {}); },
         Sink::Log,
         {"getRequest_setSafetyConfig Serialize fail."}},
        {"safeIo",
         [](char** d, int* n) { return P::getRequest_safeIoParamAbout(d, n, {1}); },
         Sink::Log,
         {"getRequest_safeIoParamAbout Serialize fail."}},
        {"jointOffset",
         [](char** d, int* n) { return P::getRequest_robotRobotJointOffsetData(d, n, {}); },
         Sink::Log,
         {"getRequest_robotRobotJointOffsetData Serialize fail."}},
        {"excitTraj",
         [](char** d, int* n) { return P::getRequest_startupOfflineExcitTraj(d, n, "f", 1, 0); },
         Sink::Log,
         {"getRequest_startupOfflineExcitTraj Serialize fail."}},
        {"intVector",
         [](char** d, int* n) { return P::getRequest_intTypeValueVector(d, n, {}); },
         Sink::Log,
         {"getRequest_intTypeValueVector Serialize fail."}},
        {"doubleVector",
         [](char** d, int* n) { return P::getRequest_doubleTypeValueVector(d, n, {}); },
         Sink::Log,
         {"getRequest_doubleTypeValueVector Serialize fail."}},
        {"conveyor",
         [](char** d, int* n) { return P::getRequest_ConveyorTrackValuePoint(d, n, {}, {}, 0); },
         Sink::Log,
         {"getRequest_ConveyorTrackValuePoint Serialize fail."}},
        {"seamTracking",
         [&](char** d, int* n) { return P::getRequest_SeamTracking(d, n, {}); },
         Sink::Log,
         {"getRequest_SeamTracking Serialize fail."}},
        {"ftCalib",
         [&](char** d, int* n) { return P::getRequest_FtSensorCalibParam(d, n, joints, wrenches); },
         Sink::Log,
         {"getRequest_FtSensorCalibParam Serialize fail."}},
        {"event",
         [](char**, int* n) { return P::getResponse_Event(nullptr, n, trn::RobotEventInfo{}); },
         Sink::Log,
         {"getResponse_Event Serialize fail."}},
    };

    RobotLogPrint* log = RobotLogPrint::getRobotLogPrintPtr();
    std::unique_ptr<RobotLogPrint> owned;
    if (log == nullptr) {
        owned = std::make_unique<RobotLogPrint>();
        log = owned.get();
    }
    for (const RoutingCase& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture capture;
        log->registerRobotLogPrintCallback(&LogCapture::callback, &capture);
        int size = 64;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const bool result = c.encode(nullptr, &size);
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string out = ::testing::internal::GetCapturedStdout();
        log->registerRobotLogPrintCallback(nullptr, nullptr);
        EXPECT_FALSE(result);

        std::vector<std::string> logged;
        for (const auto& line : capture.lines) {
            EXPECT_EQ(line.first, trn::LL_ERROR);
            logged.push_back(line.second);
        }
        EXPECT_EQ(logged, c.sink == Sink::Log ? c.lines : std::vector<std::string>{});
        EXPECT_EQ(out, c.sink == Sink::Stdout ? joinLines(c.lines) : "");
        EXPECT_EQ(err, c.sink == Sink::Stderr ? joinLines(c.lines) : "");
    }
}
