// The handle table, contexts, login, error texts and callback registration.
#include "handle/rsrobotcontrol.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "RobotSDK/service/errorinfoservice.h"
#include "handle/rsrobotcontrol_context.h"

using namespace tevo_robot_namespace;

namespace rs_handle {
namespace {

constexpr size_t kMaxContexts = 32;

// The handle table in creation order and the next handle value.
std::mutex g_mutex;
std::vector<std::shared_ptr<Context>> g_rs_instance;
RSHD g_res = 0;
// Contexts not yet released: those in the table and those removed from it
// while a call on them still runs. These count toward kMaxContexts.
std::atomic<size_t> g_contextsAlive{0};

bool handleInUse(RSHD rshd) {
    return std::any_of(g_rs_instance.begin(), g_rs_instance.end(),
                       [rshd](const std::shared_ptr<Context>& c) { return c->rshd == rshd; });
}

void relayEvent(const RobotEventInfo* info, void* arg) {
    // Copied first: the callback may destroy the context and with it the relay.
    const EventRelay relay = *static_cast<const EventRelay*>(arg);
    const rs_robot_event_info event{static_cast<int>(info->eventType), info->eventCode,
                                    info->eventContent.c_str()};
    relay.callback(&event, relay.arg);
}

void relayConnectionEvent(const ConnectionEvent* event, void* arg) {
    // Copied first: the callback may destroy the context and with it the relay.
    const ConnectionRelay relay = *static_cast<const ConnectionRelay*>(arg);
    relay.callback(static_cast<int>(event->kind), static_cast<int>(event->reason), event->attempt,
                   event->sinceLossSec, event->text, relay.arg);
}

// Ends a context's use once it is out of the table: its callbacks stop and it
// logs out, which ends a call blocked on it with ErrCode_SocketDisconnect. It
// is released when its last running call returns (here, if none runs).
void retire(const Context& ctx) {
    ctx.prs->robotServiceDetachAllCallbacks();
    ctx.prs->robotServiceLogout();
}

void logFailure(const char* function, const char* what) noexcept {
    try {
        RobotLogPrint::trace(LL_ERROR, "sdk log: %s failed with an exception: %s", function, what);
    } catch (...) {  // NOLINT(bugprone-empty-catch): nowhere left to report it
    }
}

// Runs the body of an rs_ function outside the shapes of
// rsrobotcontrol_context.h: an exception becomes `failed` and a log line
// naming the function.
template <typename Result, typename Body>
Result guarded(const char* function, Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        logFailure(function, e.what());
    } catch (...) {
        logFailure(function, "not a std::exception");
    }
    return failed;
}

}  // namespace

Context::Context(RSHD handle) : rshd(handle) { ++g_contextsAlive; }

Context::~Context() {
    prs.reset();
    --g_contextsAlive;
}

std::shared_ptr<Context> findContext(RSHD rshd) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const std::shared_ptr<Context>& ctx : g_rs_instance) {
            if (ctx->rshd == rshd) return ctx;
        }
    }
    RobotLogPrint::trace(LL_WARN, "robot service instance no found! by RSHD %u.",
                         static_cast<unsigned>(rshd));
    return nullptr;
}

int nullArgument(RSHD rshd) {
    RobotLogPrint::trace(LL_WARN, "sdk log: RSHD %u: a required argument is null.",
                         static_cast<unsigned>(rshd));
    return ErrCode_ParamError;
}

int checkCount(const Call& call, const char* what, int value, int min, int max) {
    if (value >= min && value <= max) return RS_SUCC;
    RobotLogPrint::trace(LL_ERROR, "sdk log: %s on RSHD %u: %s %d is outside %d..%d; refused.",
                         call.function, static_cast<unsigned>(call.rshd), what, value, min, max);
    return RS_ERR_OUT_OF_RANGE;
}

void logException(const Call& call, const char* what) noexcept {
    try {
        RobotLogPrint::trace(LL_ERROR, "sdk log: %s on RSHD %u failed with an exception: %s",
                             call.function, static_cast<unsigned>(call.rshd), what);
    } catch (...) {  // NOLINT(bugprone-empty-catch): nowhere left to report it
    }
}

}  // namespace rs_handle

using rs_handle::Context;
using rs_handle::forward;
using rs_handle::withContext;

// ---- Library and contexts -----------------------------------------------------

int rs_initialize(void) { return RS_SUCC; }

int rs_uninitialize(void) {
    return rs_handle::guarded(__func__, static_cast<int>(ErrCode_Failed), [] {
        std::vector<std::shared_ptr<Context>> removed;
        {
            std::lock_guard<std::mutex> lock(rs_handle::g_mutex);
            for (const std::shared_ptr<Context>& ctx : rs_handle::g_rs_instance) {
                RobotLogPrint::trace(LL_INFO, "remove client, rshd=%u",
                                     static_cast<unsigned>(ctx->rshd));
            }
            removed.swap(rs_handle::g_rs_instance);
        }
        // Outside the lock: detaching waits for running callbacks, which may
        // call into this interface.
        for (const std::shared_ptr<Context>& ctx : removed) rs_handle::retire(*ctx);
        removed.clear();
        return static_cast<int>(RS_SUCC);
    });
}

int rs_create_context(RSHD* rshd) {
    if (rshd == nullptr) return ErrCode_ParamError;
    return rs_handle::guarded(__func__, static_cast<int>(ErrCode_Failed), [rshd] {
        std::lock_guard<std::mutex> lock(rs_handle::g_mutex);
        // Removed contexts that a running call still holds count too.
        if (rs_handle::g_contextsAlive.load() >= rs_handle::kMaxContexts) {
            RobotLogPrint::trace(LL_ERROR, "create rshd failed, because not enough buffer");
            return static_cast<int>(RS_ERR_TOO_MANY_CONTEXTS);
        }
        // After the 16-bit counter wraps, values still in use are skipped.
        while (rs_handle::handleInUse(rs_handle::g_res)) ++rs_handle::g_res;
        auto ctx = std::make_shared<Context>(rs_handle::g_res);
        ctx->prs = std::make_unique<ServiceInterface>();
        rs_handle::g_rs_instance.push_back(std::move(ctx));
        *rshd = rs_handle::g_res++;
        return static_cast<int>(RS_SUCC);
    });
}

int rs_destory_context(RSHD rshd) {
    return rs_handle::guarded(__func__, static_cast<int>(ErrCode_Failed), [rshd] {
        std::shared_ptr<Context> removed;
        {
            std::lock_guard<std::mutex> lock(rs_handle::g_mutex);
            auto& table = rs_handle::g_rs_instance;
            const auto it =
                std::find_if(table.begin(), table.end(),
                             [rshd](const std::shared_ptr<Context>& c) { return c->rshd == rshd; });
            if (it == table.end()) {
                RobotLogPrint::trace(LL_WARN, "RSHD %u no found!", static_cast<unsigned>(rshd));
                return static_cast<int>(RS_ERR_NO_CONTEXT);
            }
            RobotLogPrint::trace(LL_INFO, "remove client, rshd=%u", static_cast<unsigned>(rshd));
            removed = std::move(*it);
            table.erase(it);
        }
        // Outside the lock (see rs_uninitialize). Released here unless a call
        // on it still runs; then by its last caller.
        rs_handle::retire(*removed);
        removed.reset();
        return static_cast<int>(RS_SUCC);
    });
}

namespace {

// The login of rs_login and rs_login_as; every pointer is required.
int loginWith(rs_handle::Call call, const char* addr, int port, const char* user,
              const char* password) {
    return withContext(
        call,
        [&](Context& ctx) {
            RobotLogPrint::trace(LL_INFO, "rshd:%u---addr:%s---port:%d",
                                 static_cast<unsigned>(call.rshd), addr, port);
            return ctx.prs->robotServiceLogin(addr, port, user, password);
        },
        addr, user, password);
}

// Copies text into out, cut to size bytes with its NUL; nothing for a null
// out or a size of 0.
void copyCut(const std::string& text, char* out, int size) {
    if (out == nullptr || size <= 0) return;
    const size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    text.copy(out, length);
    out[length] = '\0';
}

}  // namespace

int rs_login(RSHD rshd, const char* addr, int port) {
    return loginWith(rshd, addr, port, "QORTX4", "QORTX4");
}

int rs_login_as(RSHD rshd, const char* addr, int port, const char* user, const char* password) {
    return loginWith(rshd, addr, port, user, password);
}

int rs_last_controller_refusal(int* command_type, int* controller_code, char* command,
                               int command_size, char* text, int text_size) {
    return rs_handle::guarded(__func__, static_cast<int>(ErrCode_Failed), [&] {
        if (command_size < 0 || text_size < 0) {
            RobotLogPrint::trace(LL_ERROR,
                                 "sdk log: rs_last_controller_refusal: a negative size (%d, "
                                 "%d); refused.",
                                 command_size, text_size);
            return static_cast<int>(RS_ERR_OUT_OF_RANGE);
        }
        const ControllerRefusal refusal = ServiceInterface::lastControllerRefusal();
        if (command_type != nullptr) *command_type = refusal.commandType;
        if (controller_code != nullptr) *controller_code = refusal.controllerCode;
        copyCut(refusal.command, command, command_size);
        copyCut(refusal.text, text, text_size);
        return static_cast<int>(RS_SUCC);
    });
}

int rs_set_reconnect_policy(RSHD rshd, double initial_delay_s, double backoff_factor,
                            double max_delay_s, double give_up_after_s, double silence_s) {
    return forward(rshd, [&](ServiceInterface& s) {
        if (initial_delay_s == 0.0) return s.robotServiceSetReconnectPolicy(nullptr);
        ReconnectPolicy policy;
        policy.initialDelaySec = initial_delay_s;
        policy.backoffFactor = backoff_factor;
        policy.maxDelaySec = max_delay_s;
        policy.giveUpAfterSec = give_up_after_s;
        policy.silenceSec = silence_s;
        return s.robotServiceSetReconnectPolicy(&policy);
    });
}

int rs_setcallback_connection_event(RSHD rshd, RS_CONNECTION_EVENT_CALLBACK callback, void* arg) {
    return withContext(rshd, [&](Context& ctx) {
        std::lock_guard<std::mutex> lock(ctx.connectionRelayMutex);
        std::unique_ptr<rs_handle::ConnectionRelay> relay;
        if (callback != nullptr) relay.reset(new rs_handle::ConnectionRelay{callback, arg});
        const int result = ctx.prs->robotServiceRegisterConnectionEventCallback(
            relay ? rs_handle::relayConnectionEvent : nullptr, relay.get());
        // The facade no longer calls the previous relay once registration returned.
        ctx.connectionRelay = std::move(relay);
        return result;
    });
}

uint64_t rs_login_count(RSHD rshd) {
    return rs_handle::guarded(__func__, static_cast<uint64_t>(0), [rshd] {
        const std::shared_ptr<Context> ctx = rs_handle::findContext(rshd);
        return ctx ? ctx->prs->robotServiceLoginCount() : static_cast<uint64_t>(0);
    });
}

int rs_logout(RSHD rshd) {
    return forward(rshd, [](ServiceInterface& s) { return s.robotServiceLogout(); });
}

int rs_get_login_status(RSHD rshd, bool* status) {
    return forward(
        rshd,
        [&](ServiceInterface& s) {
            s.robotServiceGetConnectStatus(*status);
            return RS_SUCC;
        },
        status);
}

const char* rs_str_error(int err) {
    return rs_handle::guarded(__func__, "", [err]() -> const char* {
        // One text per code, kept for the life of the process so the pointer
        // stays valid; only codes that have a text are stored (a fixed set).
        static std::mutex mutex;
        static std::map<int, std::string> texts;
        std::lock_guard<std::mutex> lock(mutex);
        const auto it = texts.find(err);
        if (it != texts.end()) return it->second.c_str();
        std::string text = ErrorInfoService::getErrDescByCode(static_cast<RobotErrorCode>(err));
        if (text.empty()) return "";
        return texts.emplace(err, std::move(text)).first->second.c_str();
    });
}

void print_plan(const CoordCalibrate*) {}
void print_move_relative_offset(const MoveRelative*) {}
void print_waypoint(const wayPoint_S*) {}
void print_tool_dynamics(const ToolDynamicsParam*) {}

// ---- User frame and target moves ------------------------------------------------

int rs_set_user_coord(RSHD rshd, const CoordCalibrate* user_coord) {
    return withContext(rshd, [&](Context& ctx) {
        // A missing frame is answered like a missing context.
        if (user_coord == nullptr) {
            RobotLogPrint::trace(LL_WARN, "robot service instance no found! by RSHD %u.",
                                 static_cast<unsigned>(rshd));
            return int{RS_ERR_NO_CONTEXT};
        }
        std::lock_guard<std::mutex> lock(ctx.userCoordMutex);
        ctx.userCoord.user_coord = *user_coord;
        ctx.userCoord.used = 1;
        return int{RS_SUCC};
    });
}

int rs_set_base_coord(RSHD rshd) {
    return withContext(rshd, [](Context& ctx) {
        std::lock_guard<std::mutex> lock(ctx.userCoordMutex);
        CoordCalibrate& coord = ctx.userCoord.user_coord;
        coord.coordType = BaseCoordinate;
        for (JointParam& joints : coord.wayPointArray) joints = JointParam{};
        ctx.userCoord.used = 0;
        return RS_SUCC;
    });
}

namespace {

CoordCalibrate userCoordOf(Context& ctx) {
    std::lock_guard<std::mutex> lock(ctx.userCoordMutex);
    return ctx.userCoord.user_coord;
}

}  // namespace

int rs_move_line_to(RSHD rshd, const Pos* target, const ToolInEndDesc* tool, bool isblock) {
    return withContext(
        rshd,
        [&](Context& ctx) {
            return ctx.prs->robotMoveLineToTargetPosition(userCoordOf(ctx), *target, *tool,
                                                          isblock);
        },
        target, tool);
}

int rs_move_joint_to(RSHD rshd, const Pos* target, const ToolInEndDesc* tool, bool isblock) {
    return withContext(
        rshd,
        [&](Context& ctx) {
            return ctx.prs->robotMoveJointToTargetPosition(userCoordOf(ctx), *target, *tool,
                                                           isblock);
        },
        target, tool);
}

// ---- Callbacks and pushes ----------------------------------------------------------

int rs_setcallback_realtime_roadpoint(RSHD rshd, RealTimeRoadPointCallback callback, void* arg) {
    return forward(rshd, [&](ServiceInterface& s) {
        return s.robotServiceRegisterRealTimeRoadPointCallback(callback, arg);
    });
}

int rs_setcallback_realtime_joint_status(RSHD rshd, RealTimeJointStatusCallback callback,
                                         void* arg) {
    return forward(rshd, [&](ServiceInterface& s) {
        return s.robotServiceRegisterRealTimeJointStatusCallback(callback, arg);
    });
}

int rs_setcallback_realtime_end_speed(RSHD rshd, RealTimeEndSpeedCallback callback, void* arg) {
    return forward(rshd, [&](ServiceInterface& s) {
        return s.robotServiceRegisterRealTimeEndSpeedCallback(callback, arg);
    });
}

int rs_setcallback_robot_event(RSHD rshd, rs_robot_event_callback callback, void* arg) {
    return withContext(rshd, [&](Context& ctx) {
        std::lock_guard<std::mutex> lock(ctx.eventRelayMutex);
        std::unique_ptr<rs_handle::EventRelay> relay;
        if (callback != nullptr) relay.reset(new rs_handle::EventRelay{callback, arg});
        const int result = ctx.prs->robotServiceRegisterRobotEventInfoCallback(
            relay ? rs_handle::relayEvent : nullptr, relay.get());
        // The facade no longer calls the previous relay once registration returned.
        ctx.eventRelay = std::move(relay);
        return result;
    });
}

int rs_setcallback_movep_step_num(RSHD rshd, RealTimeMovepStepNumNotifyCallback callback,
                                  void* arg) {
    return forward(rshd, [&](ServiceInterface& s) {
        return s.robotServiceRegisterMovepStepNumNotifyCallback(callback, arg);
    });
}

int rs_setcallback_robot_loginfo(RSHD rshd, RobotLogPrintCallback callback, void* arg) {
    return forward(rshd, [&](ServiceInterface& s) {
        return s.robotServiceRegisterLogPrintCallback(callback, arg);
    });
}
