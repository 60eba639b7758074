#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "RobotSDK/service/errorinfoservice.h"

using namespace tevo_robot_namespace;

namespace {

struct TextCase {
    int code;
    const char* text;
};

// A sample of every band, including codes that are enumerators without a
// text and values that are no enumerator at all.
const TextCase kTextCases[] = {
    {0, "Success."},
    {10000, "Error number base value."},
    {10001, "Failed."},
    {10002, "Parameter error."},
    {10007, "Request timeout."},
    {10011, "forward kin failed."},
    {10012, "inverse kin failed."},
    {10016, "Base coordinate to user coordinate error."},
    {10018, "Motion-related variable error."},
    {10021, "The movement was interrupted by the event."},
    {10022, "Waypoint vector length issue."},
    {10024, "Real robotic arm does not exist."},
    {11025, "call slowStop return error."},
    {11026, "call fastStop return error."},
    {11027, "call pause return error."},
    {11028, "call continue return error."},
    // Enumerators without a text.
    {20008, ""},
    {20026, ""},
    {21104, ""},
    {21301, ""},
    {22001, ""},
    {22600, ""},
    // Values next to the bands and values that are no enumerator.
    {10025, ""},
    {11024, ""},
    {11029, ""},
    {12345, ""},
    {-1, ""},
    {1, ""},
    {40000, ""},
    {INT_MIN, ""},
    {INT_MAX, ""},
};

TEST(ErrorText, LookupGivesExactTextForEveryBand) {
    for (const TextCase& c : kTextCases) {
        EXPECT_EQ(ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(c.code)), c.text)
            << "code " << c.code;
    }
}

TEST(ErrorTextTable, ExactlyThirtyCodesHaveATextAndAllAreSentences) {
    int withText = 0;
    for (int code = -100; code <= 30000; ++code) {
        const std::string text =
            ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(code));
        if (text.empty()) {
            continue;
        }
        ++withText;
        EXPECT_TRUE(code == 0 || (code >= 10000 && code <= 10024) ||
                    (code >= 11025 && code <= 11028))
            << "unexpected text for " << code;
        EXPECT_EQ(text.back(), '.') << code;
    }
    EXPECT_EQ(withText, 30);
}

TEST(ErrorTextTable, ConstructingOrReinitialisingKeepsTheTable) {
    ErrorInfoService service;
    ErrorInfoService::initErrInfoDescMaping();
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_ParamError), "Parameter error.");
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_RequestTimeout), "Request timeout.");
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCodeArmPowerOff), "");
}

TEST(ErrorTextTable, ReturnedTextIsACopy) {
    std::string text = ErrorInfoService::getErrDescByCode(ErrCode_Failed);
    text += " changed";
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_Failed), "Failed.");
}

}  // namespace
