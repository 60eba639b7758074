// The handle table and the checks the handle interface adds, without a
// controller: the context limit, unknown handles, argument ranges (and the
// facade's count ranges behind them), null arguments, exceptions kept inside,
// error texts and clean-up.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/service/errorinfoservice.h"
#include "handle/rsrobotcontrol.h"
#include "handle/rsrobotcontrol_context.h"
#include "handletestsupport.h"
#include "metatype/allerrorcodes.h"

using namespace tevo_robot_namespace;

namespace {

class HandleTable : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rs_create_context(&rshd_), 0);
        log_.attach(rshd_);
    }
    void TearDown() override {
        log_.detach(rshd_);
        rs_uninitialize();
    }

    static std::string noContextLine(RSHD rshd) {
        return "robot service instance no found! by RSHD " + std::to_string(rshd) + ".";
    }

    RSHD rshd_ = 0;
    tevo_test::HandleLogCapture log_;
};

TEST_F(HandleTable, The33rdLiveContextIsRefusedUntilOneIsDestroyed) {
    std::vector<RSHD> handles{rshd_};
    for (int i = 1; i < 32; ++i) {
        RSHD h = 0;
        ASSERT_EQ(rs_create_context(&h), 0) << "context " << i;
        handles.push_back(h);
    }
    RSHD refused = 4242;
    EXPECT_EQ(rs_create_context(&refused), RS_ERR_TOO_MANY_CONTEXTS);
    EXPECT_EQ(refused, 4242);
    EXPECT_TRUE(log_.contains(LL_ERROR, "create rshd failed, because not enough buffer"));

    ASSERT_EQ(rs_destory_context(handles.back()), 0);
    EXPECT_TRUE(log_.contains(LL_INFO, "remove client, rshd=" + std::to_string(handles.back())));
    RSHD again = 0;
    EXPECT_EQ(rs_create_context(&again), 0);
    EXPECT_NE(again, handles.back());
}

TEST_F(HandleTable, DestroyedHandleIsAnsweredWith1002AndLogged) {
    RSHD gone = 0;
    ASSERT_EQ(rs_create_context(&gone), 0);
    ASSERT_EQ(rs_destory_context(gone), 0);

    const Pos target{0.3, 0.1, 0.4};
    const ToolInEndDesc tool{};
    bool status = true;
    RobotWorkMode mode{};
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"rs_logout", [&] { return rs_logout(gone); }},
        {"rs_login", [&] { return rs_login(gone, "127.0.0.1", 1); }},
        {"rs_get_login_status", [&] { return rs_get_login_status(gone, &status); }},
        {"rs_get_work_mode", [&] { return rs_get_work_mode(gone, &mode); }},
        {"rs_set_blend_radius", [&] { return rs_set_blend_radius(gone, 0.01); }},
        {"rs_set_base_coord", [&] { return rs_set_base_coord(gone); }},
        {"rs_move_line_to", [&] { return rs_move_line_to(gone, &target, &tool, true); }},
        {"rs_append_offline_track_waypoint",
         [&] { return rs_append_offline_track_waypoint(gone, nullptr, 0); }},
        {"rs_setcallback_robot_event",
         [&] { return rs_setcallback_robot_event(gone, nullptr, nullptr); }},
    };
    for (const auto& call : calls) {
        EXPECT_EQ(call.second(), RS_ERR_NO_CONTEXT) << call.first;
    }
    EXPECT_TRUE(log_.contains(LL_WARN, noContextLine(gone)));

    // The functions reporting failure as true.
    for (bool (*fn)(RSHD) :
         {rs_enter_reduce_mode, rs_exit_reduce_mode, rs_project_startup, rs_project_stop}) {
        EXPECT_TRUE(fn(gone));
    }
    int results[4];
    int count = 0;
    EXPECT_TRUE(rs_get_dynidentify_results(gone, results, 4, &count));

    EXPECT_EQ(rs_destory_context(gone), RS_ERR_NO_CONTEXT);
    EXPECT_TRUE(log_.contains(LL_WARN, "RSHD " + std::to_string(gone) + " no found!"));
}

TEST_F(HandleTable, MissingUserFrameIsAnsweredLikeAMissingContext) {
    EXPECT_EQ(rs_set_user_coord(rshd_, nullptr), RS_ERR_NO_CONTEXT);
    EXPECT_TRUE(log_.contains(LL_WARN, noContextLine(rshd_)));
    const CoordCalibrate base{};
    EXPECT_EQ(rs_set_user_coord(rshd_, &base), 0);
    EXPECT_EQ(rs_set_base_coord(rshd_), 0);
}

TEST_F(HandleTable, BlendRadiusIsAcceptedOnlyAboveZeroUpTo5cm) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double radius;
        int expected;
    } cases[] = {{0.0, RS_ERR_OUT_OF_RANGE},
                 {0.06, RS_ERR_OUT_OF_RANGE},
                 {-0.01, RS_ERR_OUT_OF_RANGE},
                 {nan, RS_ERR_OUT_OF_RANGE},
                 {inf, RS_ERR_OUT_OF_RANGE},
                 {0.0500001, RS_ERR_OUT_OF_RANGE},
                 {0.05, 0},
                 {1e-6, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(rs_set_blend_radius(rshd_, c.radius), c.expected) << c.radius;
    }
}

TEST_F(HandleTable, CircularLoopTimesAreAcceptedFrom1To1000) {
    const struct {
        int times;
        int expected;
    } cases[] = {{0, RS_ERR_OUT_OF_RANGE},
                 {1001, RS_ERR_OUT_OF_RANGE},
                 {-1, RS_ERR_OUT_OF_RANGE},
                 {std::numeric_limits<int>::min(), RS_ERR_OUT_OF_RANGE},
                 {1, 0},
                 {1000, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(rs_set_circular_loop_times(rshd_, c.times), c.expected) << c.times;
    }
}

TEST_F(HandleTable, OutOfRangeCountsAndNullArgumentsAreRefused) {
    JointParam joints[1]{};
    wayPoint_S waypoint{};
    const double zeros[6] = {};
    int count = -5;
    RobotIoDesc descs[2];
    const std::vector<std::pair<const char*, std::function<int()>>> outOfRange = {
        {"append -1", [&] { return rs_append_offline_track_waypoint(rshd_, joints, -1); }},
        {"append 3001", [&] { return rs_append_offline_track_waypoint(rshd_, joints, 3001); }},
        {"canbus -1", [&] { return rs_set_waypoints_to_canbus(rshd_, zeros, -1); }},
        {"io config -1",
         [&] { return rs_get_board_io_config(rshd_, RobotBoardUserDO, descs, -1, &count); }},
    };
    for (const auto& call : outOfRange) EXPECT_EQ(call.second(), RS_ERR_OUT_OF_RANGE) << call.first;

    const std::vector<std::pair<const char*, std::function<int()>>> nulls = {
        {"create", [&] { return rs_create_context(nullptr); }},
        {"login", [&] { return rs_login(rshd_, nullptr, 8899); }},
        {"fk", [&] { return rs_forward_kin(rshd_, zeros, nullptr); }},
        {"fk joints", [&] { return rs_forward_kin(rshd_, nullptr, &waypoint); }},
        {"append", [&] { return rs_append_offline_track_waypoint(rshd_, nullptr, 2); }},
        {"io by name",
         [&] {
             double v = 0;
             return rs_get_board_io_status_by_name(rshd_, RobotBoardUserDI, nullptr, &v);
         }},
        {"io config",
         [&] { return rs_get_board_io_config(rshd_, RobotBoardUserDO, descs, 2, nullptr); }},
    };
    for (const auto& call : nulls) EXPECT_EQ(call.second(), ErrCode_ParamError) << call.first;
    EXPECT_EQ(count, -5);
}

TEST_F(HandleTable, CountsBeyondTheirMaximumAreRefusedWithALogLine) {
    // Each is refused before anything is allocated for it or read from the
    // caller's array, so a single joint set stands for the whole array.
    const double joints[6] = {};
    JointStatus status[6];
    RobotIoDesc descs[1];
    int count = -5;
    int results[1];
    const struct {
        const char* name;
        std::function<int()> call;
        std::string logged;
    } cases[] = {
        {"canbus 2e9", [&] { return rs_set_waypoints_to_canbus(rshd_, joints, 2000000000); },
         "rs_set_waypoints_to_canbus on RSHD %: waypint_count 2000000000 is outside 1..5000"},
        {"canbus 5001", [&] { return rs_set_waypoints_to_canbus(rshd_, joints, 5001); },
         "waypint_count 5001 is outside 1..5000"},
        {"canbus 0", [&] { return rs_set_waypoints_to_canbus(rshd_, joints, 0); },
         "waypint_count 0 is outside 1..5000"},
        {"append max int",
         [&] {
             return rs_append_offline_track_waypoint(rshd_, nullptr,
                                                     std::numeric_limits<int>::max());
         },
         "waypoint_count 2147483647 is outside 0..3000"},
        {"joint status 7", [&] { return rs_get_joint_status(rshd_, status, 7); },
         "rs_get_joint_status on RSHD %: size 7 is outside 1..6"},
        {"joint status 0", [&] { return rs_get_joint_status(rshd_, status, 0); },
         "size 0 is outside 1..6"},
        {"joint status -1", [&] { return rs_get_joint_status(rshd_, status, -1); },
         "size -1 is outside 1..6"},
        {"io config 2e9",
         [&] { return rs_get_board_io_config(rshd_, RobotBoardUserDO, descs, 2000000000, &count); },
         "rs_get_board_io_config on RSHD %: capacity 2000000000 is outside 0..1048576"},
        {"dyn identify 2e9",
         [&] {
             return rs_get_dynidentify_results(rshd_, results, 2000000000, &count)
                        ? int{RS_ERR_OUT_OF_RANGE}
                        : 0;
         },
         "rs_get_dynidentify_results on RSHD %: capacity 2000000000 is outside 0..1048576"},
    };
    const std::string handle = std::to_string(rshd_);
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), RS_ERR_OUT_OF_RANGE) << c.name;
        std::string logged = c.logged;
        const size_t mark = logged.find('%');
        if (mark != std::string::npos) logged.replace(mark, 1, handle);
        EXPECT_TRUE(log_.containsAll(LL_ERROR, {"sdk log: ", logged, "; refused."})) << c.name;
    }
    EXPECT_EQ(count, -5);
    // The largest joint status is accepted (and fails only for want of a connection).
    EXPECT_EQ(rs_get_joint_status(rshd_, status, 6), ErrCode_SocketDisconnect);
}

TEST_F(HandleTable, FacadeCountsOutsideTheirRangeAreRefusedBeforeAnythingIsSent) {
    // Not logged in: a count that passes the check fails with
    // ErrCode_SocketDisconnect, one that does not with ErrCode_ParamError.
    ServiceInterface facade;
    JointStatus status[7];
    JointCommonData common[7];
    uint8_t flags[17] = {};
    const std::vector<wayPoint_S> tooMany(5001), none, one(1);
    const struct {
        const char* name;
        std::function<int()> call;
        int expected;
    } cases[] = {
        {"joint status 7", [&] { return facade.robotServiceGetRobotJointStatus(status, 7); },
         ErrCode_ParamError},
        {"joint status 0", [&] { return facade.robotServiceGetRobotJointStatus(status, 0); },
         ErrCode_ParamError},
        {"joint status 6", [&] { return facade.robotServiceGetRobotJointStatus(status, 6); },
         ErrCode_SocketDisconnect},
        {"common data 7", [&] { return facade.robotServiceGetJointCommonData(common, 7); },
         ErrCode_ParamError},
        {"common data 1", [&] { return facade.robotServiceGetJointCommonData(common, 1); },
         ErrCode_SocketDisconnect},
        {"orpe error 17", [&] { return facade.robotServiceSetRobotOrpeError(flags, 17); },
         ErrCode_ParamError},
        {"orpe error 16", [&] { return facade.robotServiceSetRobotOrpeError(flags, 16); },
         ErrCode_SocketDisconnect},
        {"canbus 5001", [&] { return facade.robotServiceSetRobotPosData2Canbus(tooMany); },
         ErrCode_ParamError},
        {"canbus empty", [&] { return facade.robotServiceSetRobotPosData2Canbus(none); },
         ErrCode_ParamError},
        {"canbus 1", [&] { return facade.robotServiceSetRobotPosData2Canbus(one); },
         ErrCode_SocketDisconnect},
    };
    for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
    EXPECT_TRUE(log_.contains(
        LL_ERROR,
        "sdk log: robotServiceSetRobotPosData2Canbus: waypoint count 5001 is outside 1..5000; "
        "nothing sent."));
    EXPECT_TRUE(log_.contains(
        LL_ERROR,
        "sdk log: robotServiceSetRobotOrpeError: len 17 is outside 0..16; nothing sent."));
}

// Thrown from inside an operation: the shapes every rs_ function goes through
// turn each into a result and a log line naming the caller, the handle and the
// exception.
TEST_F(HandleTable, AnExceptionInsideAnOperationBecomesACodeAndALogLine) {
    struct NotStd {};
    const struct {
        const char* name;
        std::function<void()> raise;
        const char* logged;
    } cases[] = {
        {"runtime_error", [] { throw std::runtime_error("injected fault"); }, "injected fault"},
        {"bad_alloc", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
        {"not std", [] { throw NotStd{}; }, "not a std::exception"},
    };
    const std::string handle = "on RSHD " + std::to_string(rshd_) + " failed with an exception: ";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rs_handle::forward(rshd_,
                                     [&](ServiceInterface&) {
                                         c.raise();
                                         return 0;
                                     }),
                  ErrCode_Failed);
        EXPECT_EQ(rs_handle::withContext(rshd_,
                                         [&](rs_handle::Context&) {
                                             c.raise();
                                             return 0;
                                         }),
                  ErrCode_Failed);
        EXPECT_TRUE(rs_handle::failed(rshd_, [&](ServiceInterface&) {
            c.raise();
            return false;
        }));
        // The log line names the function that passed the handle: here the test body.
        EXPECT_TRUE(log_.containsAll(LL_ERROR, {"sdk log: TestBody ", handle + c.logged}));
    }
    // The context is unharmed.
    EXPECT_EQ(rs_set_circular_loop_times(rshd_, 10), 0);
}

TEST_F(HandleTable, CatalogueConversionsCopyAtMostTheCapacity) {
    // Interface-board user DO has 18 points; a capacity of 5 copies 5.
    RobotIoDesc descs[5];
    int count = 0;
    ASSERT_EQ(rs_get_board_io_config(rshd_, RobotBoardUserDO, descs, 5, &count), 0);
    EXPECT_EQ(count, 5);
    EXPECT_STREQ(descs[0].ioName, "U_DO_00");
    EXPECT_EQ(descs[0].ioType, RobotBoardUserDO);
}

TEST_F(HandleTable, ErrorTextsAreTheLibrarysAndStayValid) {
    EXPECT_STREQ(rs_str_error(0), "Success.");
    EXPECT_STREQ(rs_str_error(ErrCode_ParamError), "Parameter error.");
    EXPECT_STREQ(rs_str_error(RS_ERR_NO_CONTEXT), "No context has this handle.");
    EXPECT_STREQ(rs_str_error(12345), "");
    const char* first = rs_str_error(ErrCode_SocketDisconnect);
    EXPECT_EQ(rs_str_error(ErrCode_SocketDisconnect), first);
    for (int code = -1; code <= 23000; ++code) {
        ASSERT_EQ(std::string(rs_str_error(code)),
                  ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(code)))
            << code;
    }
    // Every code an rs_ function can return has a text.
    for (const int code : tevo_test::kAllRobotErrorCodes) {
        EXPECT_STRNE(rs_str_error(code), "") << code;
    }
    for (const int code : {RS_ERR_TOO_MANY_CONTEXTS, RS_ERR_NO_CONTEXT, RS_ERR_OUT_OF_RANGE}) {
        EXPECT_STRNE(rs_str_error(code), "") << code;
    }
    EXPECT_STREQ(first, "Socket disconnect.");
}

TEST_F(HandleTable, UninitializeRemovesEveryContext) {
    RSHD other = 0;
    ASSERT_EQ(rs_create_context(&other), 0);
    ASSERT_EQ(rs_uninitialize(), 0);
    EXPECT_TRUE(log_.contains(LL_INFO, "remove client, rshd=" + std::to_string(rshd_)));
    EXPECT_TRUE(log_.contains(LL_INFO, "remove client, rshd=" + std::to_string(other)));
    EXPECT_EQ(rs_logout(rshd_), RS_ERR_NO_CONTEXT);
    EXPECT_EQ(rs_logout(other), RS_ERR_NO_CONTEXT);
    ASSERT_EQ(rs_create_context(&rshd_), 0);
    log_.attach(rshd_);
    EXPECT_EQ(rs_set_circular_loop_times(rshd_, 10), 0);
}

TEST_F(HandleTable, LocalOperationsNeedNoConnection) {
    // Forward kinematics of the zero pose, then all inverse solutions of it:
    // one of them is the zero pose again.
    const double zeros[6] = {};
    wayPoint_S flange{};
    ASSERT_EQ(rs_forward_kin(rshd_, zeros, &flange), 0);
    ik_solutions solutions{};
    solutions.solution_count = -1;
    ASSERT_EQ(rs_inverse_kin_closed_form(rshd_, &flange.cartPos.position, &flange.orientation,
                                         &solutions),
              0);
    ASSERT_GT(solutions.solution_count, 0);
    ASSERT_LE(solutions.solution_count, 8);
    bool found = false;
    for (int i = 0; i < solutions.solution_count; ++i) {
        double err = 0;
        for (int j = 0; j < 6; ++j)
            err += std::fabs(std::remainder(solutions.waypoint[i].jointpos[j], 2 * M_PI));
        found = found || err < 1e-6;
    }
    EXPECT_TRUE(found);

    // An unreachable pose has no solution.
    const Pos far{10.0, 0.0, 0.0};
    EXPECT_EQ(rs_inverse_kin_closed_form(rshd_, &far, &flange.orientation, &solutions), 0);
    EXPECT_EQ(solutions.solution_count, 0);

    bool connected = true;
    EXPECT_EQ(rs_get_login_status(rshd_, &connected), 0);
    EXPECT_FALSE(connected);
    EXPECT_EQ(rs_get_work_mode(rshd_, nullptr), ErrCode_ParamError);
    RobotWorkMode mode{};
    EXPECT_EQ(rs_get_work_mode(rshd_, &mode), ErrCode_SocketDisconnect);
}

}  // namespace
