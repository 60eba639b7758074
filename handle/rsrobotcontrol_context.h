// The handle table's entries and the lookup every rs_ function starts with.
//
// Threads: any application thread. g_mutex (in rsrobotcontrol.cpp) guards the
// table and the handle counter and is held only for the lookup itself, never
// while a facade works or is destroyed. Each call holds a shared_ptr to its
// context, so a concurrent destroy only removes the entry, detaches the
// context's callbacks and logs it out (which ends a blocking wait on it with
// ErrCode_SocketDisconnect); the last holder releases the context. A context
// counts toward the limit of 32 from its creation until it is released. Per
// context, userCoordMutex guards the user frame, eventRelayMutex serialises
// robot-event callback registrations and connectionRelayMutex connection-event
// callback registrations.
//
// No exception leaves an rs_ function: the shapes below turn one thrown by
// the operation (or by the lookup) into ErrCode_Failed (true for the functions
// that report failure as true) and a log line naming the function, the handle
// and the exception's text. Argument counts are checked before anything is
// allocated for them, so what is left to throw is a real shortage (memory,
// threads), reported as the failure it is.
#ifndef RSROBOTCONTROL_CONTEXT_H
#define RSROBOTCONTROL_CONTEXT_H

#include <exception>
#include <memory>
#include <mutex>

#include "RobotSDK/interface/serviceinterface.h"
#include "RobotSDK/util/trace/robotlogprint.h"
#include "handle/rsrobotcontrol.h"

namespace rs_handle {

// Hands a robot event to a C callback as a C record; one per registration.
struct EventRelay {
    rs_robot_event_callback callback;
    void* arg;
};

// Hands a connection event to a C callback as its fields; one per registration.
struct ConnectionRelay {
    RS_CONNECTION_EVENT_CALLBACK callback;
    void* arg;
};

// The user frame of a context and whether the caller set one.
struct CustomUserCoord {
    tevo_robot_namespace::CoordCalibrate user_coord{};  // all zero: the base frame
    char used = 0;
};

struct Context {
    explicit Context(RSHD handle);
    // Releases the facade first (no callback reaches the relay afterwards),
    // then stops counting toward the limit.
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const RSHD rshd;
    std::mutex userCoordMutex;
    CustomUserCoord userCoord;
    std::mutex eventRelayMutex;
    std::unique_ptr<EventRelay> eventRelay;
    std::mutex connectionRelayMutex;
    std::unique_ptr<ConnectionRelay> connectionRelay;
    // Declared last, so it is destroyed first: no callback reaches the relay
    // once the facade is gone.
    std::unique_ptr<ServiceInterface> prs;
};

// The rs_ function a shape runs for, and its handle: the function's name is
// filled in by the compiler where the handle is passed to a shape.
struct Call {
    // Implicit, so that each rs_ function passes its handle as it is.
    Call(RSHD handle, const char* name = __builtin_FUNCTION()) : rshd(handle), function(name) {}
    RSHD rshd;
    const char* function;
};

// The live context with this handle, or null after logging
// "robot service instance no found! by RSHD %u.".
std::shared_ptr<Context> findContext(RSHD rshd);

// Logs and reports a required pointer argument that is null.
int nullArgument(RSHD rshd);

// Logs and reports a count or capacity outside [min, max]; RS_SUCC inside.
int checkCount(const Call& call, const char* what, int value, int min, int max);

// Logs an exception that an operation threw ("sdk log: <function> on RSHD <n>
// failed with an exception: <what>").
void logException(const Call& call, const char* what) noexcept;

// Looks the handle up, checks the required pointers, runs op on the context.
template <typename Op, typename... Ptr>
int withContext(Call call, Op&& op, const Ptr*... required) noexcept {
    try {
        const std::shared_ptr<Context> ctx = findContext(call.rshd);
        if (!ctx) return RS_ERR_NO_CONTEXT;
        if (!((required != nullptr) && ... && true)) return nullArgument(call.rshd);
        return op(*ctx);
    } catch (const std::exception& e) {
        logException(call, e.what());
    } catch (...) {
        logException(call, "not a std::exception");
    }
    return tevo_robot_namespace::ErrCode_Failed;
}

// The same with the context's facade.
template <typename Op, typename... Ptr>
int forward(Call call, Op&& op, const Ptr*... required) noexcept {
    return withContext(
        call, [&](Context& ctx) { return op(*ctx.prs); }, required...);
}

// For the functions that report failure as true.
template <typename Op>
bool failed(Call call, Op&& op) noexcept {
    try {
        const std::shared_ptr<Context> ctx = findContext(call.rshd);
        return !ctx || op(*ctx->prs);
    } catch (const std::exception& e) {
        logException(call, e.what());
    } catch (...) {
        logException(call, "not a std::exception");
    }
    return true;
}

}  // namespace rs_handle

#endif  // RSROBOTCONTROL_CONTEXT_H
