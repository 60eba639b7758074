// Checks the schema descriptors: numbering, labels and types of
// representative fields, enumeration values, and the file-wide rules
// (proto2, no packed fields, no default values).
#include <google/protobuf/descriptor.h>
#include <google/protobuf/descriptor.pb.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"
#include "robotmovecondition.pb.h"
#include "sensor.pb.h"

namespace {

using google::protobuf::DescriptorPool;
using google::protobuf::FieldDescriptor;
using google::protobuf::FileDescriptor;

// Forces every file's descriptors to be linked and registered.
const std::vector<const FileDescriptor*>& schemaFiles() {
    static const std::vector<const FileDescriptor*> files = {
        tevo::robot::movecondition::move_track_descriptor()->file(),
        tevo::robot::communication::ProtoRobotCommonResponse::descriptor()->file(),
        tevo::robot::common::RobotMoveProfile::descriptor()->file(),
        peripheral::ProtoWrench::descriptor()->file(),
    };
    return files;
}

const FieldDescriptor::Label REQ = FieldDescriptor::LABEL_REQUIRED;
const FieldDescriptor::Label REP = FieldDescriptor::LABEL_REPEATED;

struct FieldCase {
    const char* message;
    const char* field;
    int number;
    FieldDescriptor::Label label;
    FieldDescriptor::Type type;
    const char* typeName;  // full name of the message or enum type, else ""
};

const FieldCase kFields[] = {
    {"tevo.robot.common.RobotMoveProfile", "moveMode", 1, REQ, FieldDescriptor::TYPE_ENUM,
     "tevo.robot.movecondition.move_mode"},
    {"tevo.robot.common.RobotMoveProfile", "subMoveMode", 2, REQ, FieldDescriptor::TYPE_ENUM,
     "tevo.robot.movecondition.move_track"},
    {"tevo.robot.common.RobotMoveProfile", "teachMode", 3, REQ, FieldDescriptor::TYPE_ENUM,
     "tevo.robot.movecondition.teach_mode"},
    {"tevo.robot.common.RobotMoveProfile", "blendRadius", 11, REQ, FieldDescriptor::TYPE_FLOAT, ""},
    {"tevo.robot.common.RobotMoveProfile", "arrivalAhead", 13, REQ, FieldDescriptor::TYPE_MESSAGE,
     "tevo.robot.common.arrivalAhead_t"},
    {"tevo.robot.common.relativeMove_t", "relativePosition", 2, REP, FieldDescriptor::TYPE_FLOAT,
     ""},
    {"tevo.robot.common.ProtoRoadPoint", "jointpos", 3, REP, FieldDescriptor::TYPE_DOUBLE, ""},
    {"tevo.robot.common.ProtoJointStatus", "jointErrorNum", 9, REQ, FieldDescriptor::TYPE_UINT32,
     ""},
    {"tevo.robot.common.ProtoResponseRobotTcpParam", "tcpParam", 1, REP,
     FieldDescriptor::TYPE_MESSAGE, "tevo.robot.communication.RobotTcpParam"},
    {"tevo.robot.common.ProtoResponseRobotDevInfo", "devInfo", 1, REP,
     FieldDescriptor::TYPE_MESSAGE, "tevo.robot.communication.OurRobotDevInfo"},
    {"tevo.robot.common.ProtoOrpeSafetyStatus", "orpeError", 3, REP, FieldDescriptor::TYPE_UINT32,
     ""},
    {"tevo.robot.common.DhParam", "D6", 6, REQ, FieldDescriptor::TYPE_DOUBLE, ""},
    {"tevo.robot.communication.ProtoCommunicationRobotEvent", "eventContent", 3, REQ,
     FieldDescriptor::TYPE_BYTES, ""},
    {"tevo.robot.communication.ProtoCommunicationGeneralData", "type", 4, REQ,
     FieldDescriptor::TYPE_INT32, ""},
    {"tevo.robot.communication.ProtoCommunicationRobotAnalogIOData", "ioDesc", 1, REP,
     FieldDescriptor::TYPE_MESSAGE, "tevo.robot.communication.ProtoRobotAnalogIODesc"},
    {"tevo.robot.communication.ProtoCommunicationRobotAnalogIOData", "type", 3, REQ,
     FieldDescriptor::TYPE_INT32, ""},
    {"tevo.robot.communication.OurRobotDevInfo", "jointProductID", 7, REP,
     FieldDescriptor::TYPE_STRING, ""},
    {"tevo.robot.communication.RobotDiagnosis", "contorllerTemp", 5, REQ,
     FieldDescriptor::TYPE_INT32, ""},
    {"tevo.robot.communication.RobotDiagnosis", "controlBoardAbnormalStateFlag", 30, REQ,
     FieldDescriptor::TYPE_UINT32, ""},
    {"tevo.robot.communication.ProtoJointCommonData", "JointPosDS", 25, REQ,
     FieldDescriptor::TYPE_INT32, ""},
    {"tevo.robot.communication.RobotSafetyConfig", "robotReducedConfigJointSpeed", 1, REP,
     FieldDescriptor::TYPE_UINT32, ""},
    {"tevo.robot.communication.TagIoCfg", "io_type", 2, REQ, FieldDescriptor::TYPE_ENUM,
     "tevo.robot.communication.TagIoType"},
    {"peripheral.ProtoResponseWrench", "errorInfo", 2, REQ, FieldDescriptor::TYPE_MESSAGE,
     "tevo.robot.common.RobotCommonResponse"},
    {"peripheral.ProtoFtSensorCalibParam", "jointAngle", 1, REP, FieldDescriptor::TYPE_MESSAGE,
     "tevo.robot.common.ProtoJointAngle"},
};

class SchemaField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(SchemaField, HasNumberLabelAndType) {
    schemaFiles();
    const FieldCase& c = GetParam();
    const auto* message = DescriptorPool::generated_pool()->FindMessageTypeByName(c.message);
    ASSERT_NE(message, nullptr) << c.message;
    const auto* field = message->FindFieldByName(c.field);
    ASSERT_NE(field, nullptr) << c.field;
    EXPECT_EQ(field->number(), c.number);
    EXPECT_EQ(field->label(), c.label);
    EXPECT_EQ(field->type(), c.type);
    std::string typeName;
    if (field->message_type() != nullptr) typeName = field->message_type()->full_name();
    if (field->enum_type() != nullptr) typeName = field->enum_type()->full_name();
    EXPECT_EQ(typeName, c.typeName);
}

INSTANTIATE_TEST_SUITE_P(Representative, SchemaField, ::testing::ValuesIn(kFields),
                         [](const auto& info) {
                             std::string m = info.param.message;
                             return m.substr(m.rfind('.') + 1) + "_" + info.param.field;
                         });

struct EnumCase {
    const char* enumName;
    const char* value;
    int number;
};

const EnumCase kEnums[] = {
    {"tevo.robot.movecondition.robot_state", "RobotResumed", 3},
    {"tevo.robot.movecondition.move_mode", "MODEP", 3},
    {"tevo.robot.movecondition.move_track", "ARC_CIR", 2},
    {"tevo.robot.movecondition.move_track", "JIONT_CUBICSPLINE", 8},
    {"tevo.robot.movecondition.move_track", "JOINT_GNUBSPLINEINTP", 10},
    {"tevo.robot.movecondition.coordinate_refer", "WorldCoordinate", 2},
    {"tevo.robot.movecondition.teach_mode", "MOV_X", 7},
    {"tevo.robot.movecondition.teach_mode", "ROT_Z", 12},
    {"tevo.robot.communication.ModbusMode", "MODBUS_MODE_RTU", 1},
    {"tevo.robot.communication.TagIoType", "ROBOT_BOARD_DPROJECT_DI", 10},
    {"tevo.robot.communication.TagIoType", "ROBOT_TOOL_AO", 18},
};

TEST(SchemaEnum, ValuesAndRanges) {
    schemaFiles();
    for (const EnumCase& c : kEnums) {
        const auto* e = DescriptorPool::generated_pool()->FindEnumTypeByName(c.enumName);
        ASSERT_NE(e, nullptr) << c.enumName;
        const auto* v = e->FindValueByName(c.value);
        ASSERT_NE(v, nullptr) << c.enumName << "." << c.value;
        EXPECT_EQ(v->number(), c.number) << c.value;
    }
    // Each enumeration is the contiguous range 0..max with nothing beyond.
    const std::pair<const char*, int> ranges[] = {
        {"tevo.robot.movecondition.robot_state", 3},
        {"tevo.robot.movecondition.move_mode", 3},
        {"tevo.robot.movecondition.move_track", 10},
        {"tevo.robot.movecondition.coordinate_refer", 2},
        {"tevo.robot.movecondition.teach_mode", 12},
        {"tevo.robot.communication.ModbusMode", 1},
        {"tevo.robot.communication.TagIoType", 18},
    };
    for (const auto& [name, max] : ranges) {
        const auto* e = DescriptorPool::generated_pool()->FindEnumTypeByName(name);
        ASSERT_NE(e, nullptr) << name;
        ASSERT_EQ(e->value_count(), max + 1) << name;
        for (int i = 0; i < e->value_count(); ++i) EXPECT_EQ(e->value(i)->number(), i) << name;
    }
}

TEST(SchemaFiles, PackagesAndImports) {
    const auto& files = schemaFiles();
    const char* packages[] = {"tevo.robot.movecondition", "tevo.robot.communication",
                              "tevo.robot.common", "peripheral"};
    const std::vector<std::vector<std::string>> imports = {
        {}, {}, {"robotmovecondition.proto", "robotcommunication.proto"}, {"robotcommon.proto"}};
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i]->package(), packages[i]);
        std::vector<std::string> deps;
        deps.reserve(static_cast<size_t>(files[i]->dependency_count()));
        for (int d = 0; d < files[i]->dependency_count(); ++d)
            deps.push_back(files[i]->dependency(d)->name());
        EXPECT_EQ(deps, imports[i]) << files[i]->name();
    }
    EXPECT_EQ(files[0]->message_type_count(), 0);
    EXPECT_EQ(files[0]->enum_type_count(), 5);
}

// Walks every field of every message of the four files.
TEST(SchemaFiles, Proto2WithoutPackedFieldsDefaultsOrOptions) {
    for (const FileDescriptor* file : schemaFiles()) {
        EXPECT_EQ(file->syntax(), FileDescriptor::SYNTAX_PROTO2) << file->name();
        EXPECT_EQ(file->options().ByteSizeLong(), 0u) << file->name();
        for (int m = 0; m < file->message_type_count(); ++m) {
            const auto* message = file->message_type(m);
            EXPECT_EQ(message->nested_type_count(), 0) << message->full_name();
            for (int f = 0; f < message->field_count(); ++f) {
                const FieldDescriptor* field = message->field(f);
                EXPECT_FALSE(field->is_packed()) << field->full_name();
                EXPECT_FALSE(field->has_default_value()) << field->full_name();
                EXPECT_NE(field->label(), FieldDescriptor::LABEL_OPTIONAL) << field->full_name();
                EXPECT_EQ(field->options().ByteSizeLong(), 0u) << field->full_name();
            }
        }
    }
}

}  // namespace
