#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <set>
#include <string>

#include "RobotSDK/service/errorinfoservice.h"
#include "allerrorcodes.h"

using namespace tevo_robot_namespace;

namespace {

struct TextCase {
    int code;
    const char* text;
};

// The thirty texts the library has always had, a sample of the other codes,
// and values that are no code at all.
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
    // What ended a blocking move.
    {20008, "The move ended: the arm detected a collision."},
    {21300, "The move was stopped by a stop request."},
    {22401, "The move ended: external emergency stop."},
    // The handle interface's codes.
    {1001, "32 contexts are alive already."},
    // Values next to the bands and values that are no code.
    {1000, ""},
    {1004, ""},
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

// Every code the library can return has a text, and nothing else has one.
TEST(ErrorTextTable, EveryCodeTheLibraryReturnsHasATextAndNothingElse) {
    std::set<int> codes(std::begin(tevo_test::kAllRobotErrorCodes),
                        std::end(tevo_test::kAllRobotErrorCodes));
    ASSERT_EQ(codes.size(), 117u) << "the list holds every enumerator once";
    codes.insert({1001, 1002, 1003});
    std::set<std::string> texts;
    for (int code = -100; code <= 30000; ++code) {
        const std::string text =
            ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(code));
        if (codes.count(code) == 0) {
            EXPECT_EQ(text, "") << "unexpected text for " << code;
            continue;
        }
        ASSERT_FALSE(text.empty()) << "no text for " << code;
        EXPECT_EQ(text.back(), '.') << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), codes.size()) << "two codes share a text";
}

TEST(ErrorTextTable, ConstructingOrReinitialisingKeepsTheTable) {
    ErrorInfoService service;
    ErrorInfoService::initErrInfoDescMaping();
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_ParamError), "Parameter error.");
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_RequestTimeout), "Request timeout.");
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCodeArmPowerOff),
              "The move ended: the arm's power is off.");
}

TEST(ErrorTextTable, ReturnedTextIsACopy) {
    std::string text = ErrorInfoService::getErrDescByCode(ErrCode_Failed);
    text += " changed";
    EXPECT_EQ(ErrorInfoService::getErrDescByCode(ErrCode_Failed), "Failed.");
}

}  // namespace
