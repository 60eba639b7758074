// Pins the wire encoding of the message schemas: expected bytes are written
// out from field numbers and wire types, independent of the protobuf library.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "robotmovecondition.pb.h"
#include "sensor.pb.h"

namespace {

namespace common = tevo::robot::common;
namespace comm = tevo::robot::communication;
namespace mc = tevo::robot::movecondition;
using google::protobuf::Message;

// "08 1B 10 00" -> the four bytes.
std::string hex(const std::string& text) {
    std::string out;
    int nibbles = 0;
    int value = 0;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        value =
            value * 16 +
            (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
        if (++nibbles == 2) {
            out.push_back(static_cast<char>(value));
            nibbles = value = 0;
        }
    }
    return out;
}

// Little-endian IEEE 754 values used below.
const std::string D_ZERO = hex("00 00 00 00 00 00 00 00");
const std::string D_ONE = hex("00 00 00 00 00 00 F0 3F");
const std::string D_HALF = hex("00 00 00 00 00 00 E0 3F");
const std::string D_QUARTER = hex("00 00 00 00 00 00 D0 3F");
const std::string D_MINUS_TWO = hex("00 00 00 00 00 00 00 C0");
const std::string F_HALF = hex("00 00 00 3F");
const std::string F_ONE_AND_HALF = hex("00 00 C0 3F");

const std::string kDisconnectText = "Server disconnected.";

// A valid profile: MODEL, ARC_CIR, no teach, tool at the flange origin with
// identity orientation, speed limits 0.5 and 0.25, blend radius 0.5.
std::string profileBytes(const std::string& subMoveModeByte) {
    return hex("08 02") + hex("10") + hex(subMoveModeByte) + hex("18 00 20 00 28 00") +
           hex("32 1B") + hex("09") + D_ZERO + hex("11") + D_ZERO + hex("19") + D_ZERO +
           hex("3A 24") + hex("09") + D_ONE + hex("11") + D_ZERO + hex("19") + D_ZERO + hex("21") +
           D_ZERO + hex("42 04 08 00 1A 00") + hex("4A 12") + hex("11") + D_HALF + hex("11") +
           D_QUARTER + hex("52 00") + hex("5D") + F_HALF + hex("60 00") + hex("6A 0B 08 00 11") +
           D_ZERO;
}

void fillProfile(common::RobotMoveProfile* p) {
    p->set_movemode(mc::MODEL);
    p->set_submovemode(mc::ARC_CIR);
    p->set_teachmode(mc::NO_TEACH);
    p->set_enableiterik(false);
    p->set_tooltrack(false);
    auto* pos = p->mutable_toolinendposition();
    pos->set_x(0);
    pos->set_y(0);
    pos->set_z(0);
    auto* ori = p->mutable_toolinendorientation();
    ori->set_w(1);
    ori->set_x(0);
    ori->set_y(0);
    ori->set_z(0);
    p->mutable_relativemove()->set_ena(false);
    p->mutable_relativemove()->mutable_relativeorientation();
    p->mutable_maxvelc()->add_jointpara(0.5);
    p->mutable_maxvelc()->add_jointpara(0.25);
    p->mutable_maxacc();
    p->set_blendradius(0.5f);
    p->set_circularlooptimes(0);
    p->mutable_arrivalahead()->set_arrivalaheadstat(0);
    p->mutable_arrivalahead()->set_arrivalaheadthr(0);
}

struct EncodeCase {
    const char* name;
    std::function<std::unique_ptr<Message>()> build;
    std::string bytes;
};

std::vector<EncodeCase> encodeCases() {
    return {
        {"DisconnectEvent",
         [] {
             auto m = std::make_unique<comm::ProtoCommunicationRobotEvent>();
             m->set_eventtype(27);
             m->set_eventcode(0);
             m->set_eventcontent(kDisconnectText);
             return m;
         },
         hex("08 1B 10 00 1A 14") + kDisconnectText},
        {"PositionInBothEncodingsRepeatedDoublesUnpacked",
         [] {
             auto m = std::make_unique<common::cartesianPos_U>();
             auto* p = m->add_position();
             p->set_x(1.0);
             p->set_y(0.5);
             p->set_z(-2.0);
             m->add_positionvector(1.0);
             m->add_positionvector(0.5);
             m->add_positionvector(-2.0);
             return m;
         },
         hex("0A 1B") + hex("09") + D_ONE + hex("11") + D_HALF + hex("19") + D_MINUS_TWO +
             hex("11") + D_ONE + hex("11") + D_HALF + hex("11") + D_MINUS_TWO},
        {"DigitalIoListNestedRepeatedMessagesMultiByteVarint",
         [] {
             auto m = std::make_unique<comm::ProtoCommunicationRobotDiagnosisIOData>();
             m->set_type(0);
             auto* a = m->add_iodesc();
             a->set_addr(3);
             a->set_type(1);
             a->set_value(1);
             auto* b = m->add_iodesc();
             b->set_addr(200);
             b->set_type(2);
             b->set_value(0);
             return m;
         },
         hex("08 00  1A 06 08 03 10 01 18 01  1A 07 08 C8 01 10 02 18 00")},
        {"AnalogIoListWritesFieldOneFirst",
         [] {
             auto m = std::make_unique<comm::ProtoCommunicationRobotAnalogIOData>();
             m->set_type(0);
             auto* a = m->add_iodesc();
             a->set_addr(1);
             a->set_type(2);
             a->set_value(1.5f);
             return m;
         },
         hex("0A 09 08 01 10 02 1D") + F_ONE_AND_HALF + hex("18 00")},
        {"GeneralDataNegativeInt32IsTenByteVarint",
         [] {
             auto m = std::make_unique<comm::ProtoCommunicationGeneralData>();
             m->add_property1(-1);
             m->add_property2(true);
             m->add_property2(false);
             m->set_type(1);
             return m;
         },
         hex("08 FF FF FF FF FF FF FF FF FF 01  10 01 10 00  20 01")},
        {"RequiredErrorRecordWithEmptyTextIsWritten",
         [] {
             auto m = std::make_unique<common::ProtoRobotMoveFuncResult>();
             m->set_ret(1);
             m->mutable_errorinfo()->set_errorcode(0);
             m->mutable_errorinfo()->set_errormsg("");
             return m;
         },
         hex("08 01 12 04 08 00 12 00")},
        {"WrenchReplyAcrossPackages",
         [] {
             auto m = std::make_unique<peripheral::ProtoResponseWrench>();
             auto* w = m->add_wrench();
             w->add_force(1.0);
             w->add_torque(0.5);
             m->mutable_errorinfo()->set_errorcode(-3);
             m->mutable_errorinfo()->set_errormsg("e");
             return m;
         },
         hex("0A 12 09") + D_ONE + hex("11") + D_HALF +
             hex("12 0E 08 FD FF FF FF FF FF FF FF FF 01 12 01 65")},
        {"MoveProfileEnumsAndNestedLimits",
         [] {
             auto m = std::make_unique<common::RobotMoveProfile>();
             fillProfile(m.get());
             return m;
         },
         profileBytes("02")},
    };
}

std::string dump(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

class WireEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(WireEncoding, SerialisesToHandWorkedBytes) {
    auto msg = GetParam().build();
    ASSERT_TRUE(msg->IsInitialized()) << msg->InitializationErrorString();
    std::string out;
    ASSERT_TRUE(msg->SerializeToString(&out));
    EXPECT_EQ(dump(out), dump(GetParam().bytes));
    EXPECT_EQ(msg->ByteSizeLong(), GetParam().bytes.size());
}

TEST_P(WireEncoding, ParsesHandWorkedBytesToSameMessage) {
    auto expected = GetParam().build();
    std::unique_ptr<Message> parsed(expected->New());
    const std::string& bytes = GetParam().bytes;
    ASSERT_TRUE(parsed->ParseFromArray(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_EQ(parsed->DebugString(), expected->DebugString());
    EXPECT_TRUE(parsed->GetReflection()->GetUnknownFields(*parsed).empty());
}

INSTANTIATE_TEST_SUITE_P(Messages, WireEncoding, ::testing::ValuesIn(encodeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct ParseCase {
    const char* name;
    std::function<std::unique_ptr<Message>()> make;
    std::string bytes;
    bool parses;
};

template <typename T>
std::function<std::unique_ptr<Message>()> empty() {
    return [] { return std::make_unique<T>(); };
}

std::vector<ParseCase> parseCases() {
    using Event = comm::ProtoCommunicationRobotEvent;
    using Profile = common::RobotMoveProfile;
    std::string withMoveMode4 = profileBytes("02");
    withMoveMode4[1] = 4;  // one past MODEP
    return {
        {"CompleteEvent", empty<Event>(), hex("08 1B 10 00 1A 14") + kDisconnectText, true},
        {"EventWithoutContent", empty<Event>(), hex("08 1B 10 00"), false},
        {"EventContentLongerThanInput", empty<Event>(), hex("08 1B 10 00 1A 14") + "Server", false},
        {"EventTypeWithWrongWireTypeDoesNotCount", empty<Event>(),
         hex("0D 1B 00 00 00 10 00 1A 00"), false},
        {"GeneralDataWithoutTypeButWithValue", empty<comm::ProtoCommunicationGeneralData>(),
         hex("08 05"), false},
        {"ErrorRecordWithoutTextInsideReply", empty<common::ProtoRobotMoveFuncResult>(),
         hex("08 01 12 02 08 00"), false},
        {"ProfileWithLastDeclaredTrack", empty<Profile>(), profileBytes("0A"), true},
        {"ProfileWithUndeclaredTrack11", empty<Profile>(), profileBytes("0B"), false},
        {"ProfileWithUndeclaredMoveMode", empty<Profile>(), withMoveMode4, false},
        {"ProfileWithoutTrack", empty<Profile>(),
         profileBytes("02").substr(0, 2) + profileBytes("02").substr(4), false},
    };
}

class WireParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(WireParsing, AcceptsOnlyCompleteValidBodies) {
    auto msg = GetParam().make();
    const std::string& bytes = GetParam().bytes;
    EXPECT_EQ(msg->ParseFromArray(bytes.data(), static_cast<int>(bytes.size())), GetParam().parses);
}

INSTANTIATE_TEST_SUITE_P(Messages, WireParsing, ::testing::ValuesIn(parseCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WireParsing, UndeclaredTrackIsKeptAsUnknownNotDefaulted) {
    common::RobotMoveProfile profile;
    const std::string bytes = profileBytes("0B");
    EXPECT_FALSE(profile.ParseFromArray(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_FALSE(profile.has_submovemode());
    profile.Clear();
    const std::string good = profileBytes("0A");
    ASSERT_TRUE(profile.ParseFromArray(good.data(), static_cast<int>(good.size())));
    EXPECT_EQ(profile.submovemode(), mc::JOINT_GNUBSPLINEINTP);
}

}  // namespace
