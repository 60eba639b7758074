#include "RobotSDK/sdkMateType/communicationmatetype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using CMT = CommunicationMateType;

TEST(CommunicationMateType, EnumerationBoundaries) {
    EXPECT_EQ(CMT::CommunicationType_Login, 0);
    EXPECT_EQ(CMT::CommunicationType_Event, 2);
    EXPECT_EQ(CMT::CommunicationType_communicationHeart, 115);
    EXPECT_EQ(CMT::CommunicationType_MovepProgressNotify, 133);
    EXPECT_EQ(CMT::CommunicationType_setMovePJointRangeLimitParam, 144);
    EXPECT_EQ(CMT::CommunicationTypeCount, 145);
    EXPECT_EQ(CMT::CommunicationType_Unknown, 146);
    EXPECT_EQ(CMT::SetJointCommonParam_CurrentIP, 0);
    EXPECT_EQ(CMT::SetJointCommonParam_PosDS, 10);
    RobotCommandType alias = CMT::CommunicationType_GetRobotMode;
    EXPECT_EQ(alias, 34);
}

TEST(CommunicationMateType, DescriptionTexts) {
    struct Case {
        int type;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "CommunicationType_Login"},
        {17, "CommunicationType_RobotShutdown "},
        {39, "CommunicationType_SetMaxAcc "},
        {55, "CommunicationType_SetToolDigitalIOType     "},
        {64, "CommunicationType_SafetyIoAbout_setRobotOrpePause      "},
        {65, "CommunicationType_SafetyIoAbout_setRobotOrpeStop        "},
        {66, "CommunicationType_SafetyIoAbout_setRobotOrpeError      "},
        {68, "CommunicationType_SafetyIoAbout_clearReducedModeError "},
        {67, "CommunicationType_SafetyIoAbout_clearSystemEmergencyStop"},
        {117, "CommunicationType_getSeamTrackingParameters"},
        {118, "unknow"},
        {144, "unknow"},
        {145, "unknow"},
        {146, "unknow"},
        {-1, "unknow"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CMT::getCommandDescByType(static_cast<CMT::CommunicationCommandType>(c.type)),
                  c.text)
            << "type " << c.type;
    }
}

TEST(CommunicationMateType, EveryCataloguedTextNamesItsCommand) {
    // 0..117 have texts; only the seven listed ones carry trailing blanks.
    const std::vector<int> padded = {17, 39, 55, 64, 65, 66, 68};
    int withText = 0;
    for (int type = 0; type <= 146; ++type) {
        const std::string text =
            CMT::getCommandDescByType(static_cast<CMT::CommunicationCommandType>(type));
        if (text == "unknow") {
            continue;
        }
        ++withText;
        EXPECT_EQ(text.rfind("CommunicationType_", 0), 0U) << type;
        const bool isPadded = text.back() == ' ';
        EXPECT_EQ(isPadded, std::find(padded.begin(), padded.end(), type) != padded.end()) << type;
    }
    EXPECT_EQ(withText, 118);
    EXPECT_EQ(CMT::instance(), CMT::instance());
}

}  // namespace
