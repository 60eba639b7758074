// The controller's reason for a refusal: kept per thread with the command and
// the controller's code, next to the unchanged library code.

#include <string>
#include <thread>

#include "coretestsupport.h"
#include "robotcommunication.pb.h"

namespace core_test {
namespace {

using namespace tevo_robot_namespace;

class RefusalTest : public CoreSimTest {};

// A common-result reply body with this code and reason.
std::string commonReply(int code, const std::string& reason) {
    tevo::robot::communication::ProtoRobotCommonResponse reply;
    reply.set_errorcode(code);
    reply.set_errormsg(reason);
    return reply.SerializeAsString();
}

tevo_sim::FaultRule rawReply(const std::string& body) {
    tevo_sim::FaultRule rule;
    rule.rawBody = body;
    return rule;
}

// Common-result refusals: the controller's text wins over the table's, the
// table's over the bare code. The library code stays the one it always was.
TEST_F(RefusalTest, CommonResultRefusalKeepsCommandCodeAndReason) {
    struct Row {
        const char* name;
        int code;
        std::string reason;
        std::string expectedText;
        int expectedResult;
    };
    const Row rows[] = {
        {"controller text", RobotResponseCode_Busy, "the arm is held by the teach pendant",
         "the arm is held by the teach pendant", ErrCode_ResponseReturnError},
        {"table text", RobotResponseCode_Busy, "", robotControllerCodeText(RobotResponseCode_Busy),
         ErrCode_ResponseReturnError},
        {"code missing from the table", 555, "", "controller code 555",
         ErrCode_ResponseReturnError},
        {"no real arm", RobotResponseCode_RealRobotNoExist, "",
         robotControllerCodeText(RobotResponseCode_RealRobotNoExist), ErrCode_RealRobotNoExist},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim().setFault(tevo_sim::SetRobotMode, rawReply(commonReply(row.code, row.reason)));
        EXPECT_EQ(core().setRobotWorkModeService(RobotModeReal), row.expectedResult);
        const ControllerRefusal refusal = RobotControlServices::lastControllerRefusal();
        EXPECT_EQ(refusal.commandType, CommunicationMateType::CommunicationType_SetRobotMode);
        EXPECT_EQ(refusal.command, "SetRobotMode");
        EXPECT_EQ(refusal.controllerCode, row.code);
        EXPECT_EQ(refusal.text, row.expectedText);
        EXPECT_EQ(log_.levelOf("sdk log: The controller refused SetRobotMode: " + row.expectedText +
                               " (controller code " + std::to_string(row.code) + ")."),
                  LL_ERROR);
    }
}

// A typed reply carries only the code: the table's text, or the bare code. A
// later success leaves the record in place.
TEST_F(RefusalTest, TypedReplyRefusalTakesTheTableTextAndOutlivesASuccess) {
    const struct {
        int code;
        std::string text;
    } rows[] = {
        {RobotResponseCode_ArmNotStarted, robotControllerCodeText(RobotResponseCode_ArmNotStarted)},
        {777, "controller code 777"},
    };
    for (const auto& row : rows) {
        tevo_sim::FaultRule rule;
        rule.serverCode = row.code;
        rule.remaining = 1;
        sim().setFault(tevo_sim::GetRobotMode, rule);
        RobotWorkMode mode{};
        EXPECT_EQ(core().getRobotWorkModeService(mode), ErrCode_ResponseReturnError);
        EXPECT_EQ(core().getRobotWorkModeService(mode), ErrnoSucc);
        const ControllerRefusal refusal = RobotControlServices::lastControllerRefusal();
        EXPECT_EQ(refusal.commandType, CommunicationMateType::CommunicationType_GetRobotMode);
        EXPECT_EQ(refusal.command, "GetRobotMode");
        EXPECT_EQ(refusal.controllerCode, row.code);
        EXPECT_EQ(refusal.text, row.text);
    }
}

// Each thread sees only the refusals of its own requests.
TEST_F(RefusalTest, AnotherThreadsRefusalDoesNotShow) {
    sim().setFault(tevo_sim::SetRobotMode, rawReply(commonReply(RobotResponseCode_Busy, "")));
    ASSERT_EQ(core().setRobotWorkModeService(RobotModeReal), ErrCode_ResponseReturnError);

    ControllerRefusal seenBefore;
    ControllerRefusal seenAfter;
    int result = ErrnoSucc;
    std::thread other([&] {
        seenBefore = RobotControlServices::lastControllerRefusal();
        tevo_sim::FaultRule rule;
        rule.serverCode = 555;
        sim().setFault(tevo_sim::GetRobotMode, rule);
        RobotWorkMode mode{};
        result = core().getRobotWorkModeService(mode);
        seenAfter = RobotControlServices::lastControllerRefusal();
    });
    other.join();
    EXPECT_EQ(seenBefore.commandType, -1);  // nothing of the first thread's
    EXPECT_EQ(result, ErrCode_ResponseReturnError);
    EXPECT_EQ(seenAfter.controllerCode, 555);

    const ControllerRefusal mine = RobotControlServices::lastControllerRefusal();
    EXPECT_EQ(mine.commandType, CommunicationMateType::CommunicationType_SetRobotMode);
    EXPECT_EQ(mine.controllerCode, RobotResponseCode_Busy);
}

}  // namespace
}  // namespace core_test
