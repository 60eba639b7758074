// The handle table's entries and the lookup every rs_ function starts with.
//
// Threads: any application thread. g_mutex (in rsrobotcontrol.cpp) guards the
// table and the handle counter and is held only for the lookup itself, never
// while a facade works or is destroyed. Each call holds a shared_ptr to its
// context, so a concurrent destroy only removes the entry; the last holder
// releases the context. Per context, userCoordMutex guards the user frame and
// eventRelayMutex serialises robot-event callback registrations.
#ifndef RSROBOTCONTROL_CONTEXT_H
#define RSROBOTCONTROL_CONTEXT_H

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

// The user frame of a context and whether the caller set one.
struct CustomUserCoord {
    tevo_robot_namespace::CoordCalibrate user_coord{};  // all zero: the base frame
    char used = 0;
};

struct Context {
    explicit Context(RSHD handle) : rshd(handle) {}

    const RSHD rshd;
    std::mutex userCoordMutex;
    CustomUserCoord userCoord;
    std::mutex eventRelayMutex;
    std::unique_ptr<EventRelay> eventRelay;
    // Declared last, so it is destroyed first: no callback reaches the relay
    // once the facade is gone.
    std::unique_ptr<ServiceInterface> prs;
};

// The live context with this handle, or null after logging
// "robot service instance no found! by RSHD %u.".
std::shared_ptr<Context> findContext(RSHD rshd);

// Logs and reports a required pointer argument that is null.
int nullArgument(RSHD rshd);

// Looks the handle up, checks the required pointers, runs op on the context.
template <typename Op, typename... Ptr>
int withContext(RSHD rshd, Op&& op, const Ptr*... required) {
    const std::shared_ptr<Context> ctx = findContext(rshd);
    if (!ctx) return RS_ERR_NO_CONTEXT;
    if (!((required != nullptr) && ... && true)) return nullArgument(rshd);
    return op(*ctx);
}

// The same with the context's facade.
template <typename Op, typename... Ptr>
int forward(RSHD rshd, Op&& op, const Ptr*... required) {
    return withContext(
        rshd, [&](Context& ctx) { return op(*ctx.prs); }, required...);
}

// For the functions that report failure as true.
template <typename Op>
bool failed(RSHD rshd, Op&& op) {
    const std::shared_ptr<Context> ctx = findContext(rshd);
    return !ctx || op(*ctx->prs);
}

}  // namespace rs_handle

#endif  // RSROBOTCONTROL_CONTEXT_H
