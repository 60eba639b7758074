// Construction, destruction, callbacks, login and the facade's own logic.
// The one-line forwards to the control core and the kinematics live in
// serviceinterface_forward.cpp.
#include "RobotSDK/interface/serviceinterface.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "RobotSDK/custom-made/pelvanservices.h"
#include "RobotSDK/interface/connectionsupervisor.h"
#include "RobotSDK/robototherservice.h"
#include "RobotSDK/service/errorinfoservice.h"
#include "RobotSDK/service/forcecontrol.h"
#include "RobotSDK/service/robotcontrolservices.h"
#include "RobotSDK/service/robotconveyortrack.h"
#include "RobotSDK/service/robotioservice.h"
#include "RobotSDK/service/robotmoveservice.h"
#include "RobotSDK/service/servostream.h"
#include "RobotSDK/util/trace/robotlogprint.h"

using namespace tevo_robot_namespace;

namespace {

// The process's log sink: created by the first facade, never released, so a
// log line from any thread of any facade always finds it.
RobotLogPrint* S_RobotLogPrintPtr = nullptr;
std::once_flag s_logPrintOnce;

// The log sink calls back with an int level; the application's callback takes
// a LOG_LEVEL. The registered pair travels to the sink as one immutable record
// and is called through a function of the sink's own signature.
struct LogCallbackRecord {
    RobotLogPrintCallback callback;
    void* arg;
};

void logTrampoline(int level, const char* text, void* arg) {
    const auto* record = static_cast<const LogCallbackRecord*>(arg);
    record->callback(static_cast<LOG_LEVEL>(level), text, record->arg);
}

// Serialises log-callback registrations across facades. The record of the
// previous registration may be freed once the sink has taken the new one:
// the sink swaps under the lock that it also holds while calling back.
std::mutex s_logRegistrationMutex;
LogCallbackRecord* s_logCallbackRecord = nullptr;

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The payload setting that carries a tool's dynamics on the controller: the
// same centre of mass and mass for automatic and manual operation.
RobotTcpParam tcpParamFromToolDynamics(const ToolDynamicsParam& tool) {
    TcpParam p;
    p.positionX = static_cast<float>(tool.positionX);
    p.positionY = static_cast<float>(tool.positionY);
    p.positionZ = static_cast<float>(tool.positionZ);
    p.payload = static_cast<float>(tool.payload);
    RobotTcpParam tcp;
    tcp.paramAutorun = p;
    tcp.paramManual = p;
    return tcp;
}

// The interface board takes a safety configuration from revision V3.1 on:
// character 1 is the major, character 3 the minor digit ("V3.1").
bool boardSupportsSafetyConfig(const RobotDevInfo& devInfo) {
    const char* rev = devInfo.revision;
    const size_t len = strnlen(rev, sizeof(devInfo.revision));
    if (len < 2) return false;
    const signed char major = static_cast<signed char>(rev[1]);
    if (major > '3') return true;
    if (major != '3' || len < 4) return false;
    return static_cast<signed char>(rev[3]) > '0';
}

bool sameSafetyConfig(const RobotSafetyConfig& a, const RobotSafetyConfig& b) {
    for (int i = 0; i < ARM_DOF; ++i) {
        if (a.robotReducedConfigJointSpeed[i] != b.robotReducedConfigJointSpeed[i]) return false;
    }
    return a.robotReducedConfigTcpSpeed == b.robotReducedConfigTcpSpeed &&
           a.robotReducedConfigTcpForce == b.robotReducedConfigTcpForce &&
           a.robotReducedConfigMomentum == b.robotReducedConfigMomentum &&
           a.robotReducedConfigPower == b.robotReducedConfigPower &&
           a.robotSafeguradResetConfig == b.robotSafeguradResetConfig &&
           a.robotOperationalModeConfig == b.robotOperationalModeConfig;
}

}  // namespace

// ---- Construction and destruction -------------------------------------------

ServiceInterface::ServiceInterface() {
    std::call_once(s_logPrintOnce, [] {
        if (RobotLogPrint::getRobotLogPrintPtr() == nullptr) {
            S_RobotLogPrintPtr = new RobotLogPrint();
        } else {
            S_RobotLogPrintPtr = RobotLogPrint::getRobotLogPrintPtr();
        }
    });

    m_robotBaseService = std::make_unique<RobotControlServices>();
    // The first motion service of the process initialises the global profile.
    m_robotMoveService = std::make_unique<RobotMoveService>(m_robotBaseService.get());
    m_robotIoService = std::make_unique<RobotIoService>(m_robotBaseService.get());
    m_robotConveyorTrack = std::make_unique<RobotConveyorTrack>(m_robotBaseService.get());
    m_robotOtherService = std::make_unique<robotOtherService>(m_robotBaseService.get());
    m_forceControlService = std::make_unique<ForceControl>(m_robotBaseService.get());
    // Not connected yet: starts with the fallback joint ranges.
    m_pelvanServiceHandle = std::make_unique<PelvanServices>(m_robotBaseService.get());
    m_servoStream = std::make_unique<RobotServoStream>(m_robotBaseService.get());
    m_supervisor = ConnectionSupervisor::create(*m_robotBaseService);

    // Registered before any connection exists, so no push or event can reach
    // a half-built facade.
    RobotControlServices& core = *m_robotBaseService;
    core.robotServiceRegisterRealTimeJointStatusCallbackService(recvRealTimeJointStatusPushCallback,
                                                                this);
    core.robotServiceRegisterRealTimeRoadPointCallbackService(recvRealTimeWaypointPushCallback,
                                                              this);
    core.robotServiceRegisterRobotEventInfoCallbackService(recvRobotEventPushCallback, this);
    core.robotServiceRegisterRealTimeEndSpeedCallbackService(recvRealTimeEndSpeedPushCallback,
                                                             this);
    core.robotServiceRegisterMovepProgressNotifyCallbackService(recvMovepProgressNotifyCallback,
                                                                this);
}

// The dispatch running on this thread: the object whose callback slot this
// thread holds locked while the application's callback runs. Lets the
// destructor tell that it was called from inside that callback.
struct ServiceInterface::DispatchInProgress {
    const ServiceInterface* facade = nullptr;
    std::mutex* slotMutex = nullptr;
    bool facadeGone = false;  // the callback destroyed the object
};
thread_local ServiceInterface::DispatchInProgress* ServiceInterface::t_dispatch = nullptr;

// Normal teardown: logging out joins the receive thread, so no push can arrive
// afterwards; stopping the event thread waits for a running event callback.
// Both happen while every member is alive and m_robotBaseService still points
// to the control core, so a callback that calls into this object meanwhile
// finds a valid (disconnected) object. Only then is the core released.
//
// Teardown from inside one of this object's own callbacks (the receive or the
// event thread) cannot join that thread: the core is then released by a
// thread of its own once the callback has returned (see releaseFromCallback).
ServiceInterface::~ServiceInterface() {
    RobotControlServices& core = *m_robotBaseService;
    if (core.isEventThread() || core.isReceiveThread()) {
        releaseFromCallback();
        return;
    }
    // Joined here (from the connection callback: only flagged, and its thread
    // touches nothing of this object again).
    m_supervisor->shutdown();
    core.logoutService();
    core.stopEventThread();
    m_servoStream.reset();
    m_forceControlService.reset();
    m_robotOtherService.reset();
    m_robotConveyorTrack.reset();
    m_robotIoService.reset();
    m_robotMoveService.reset();
    m_robotBaseService.reset();
}

void ServiceInterface::releaseFromCallback() {
    RobotControlServices& core = *m_robotBaseService;
    const bool onEventThread = core.isEventThread();
    RobotLogPrint::trace(LL_WARN,
                         "sdk log: ServiceInterface destroyed from its own %s callback; its "
                         "connection is released once the callback returns.",
                         onEventThread ? "event" : "push");
    // No further dispatch may reach this object. The supervisor's thread may
    // be inside an attempt that waits for this very thread: it is joined on
    // the releasing thread below, before the core goes.
    unregisterDispatchers();
    m_supervisor->shutdown(false);
    // From the event thread this joins the receive thread; from the receive
    // thread it only closes the socket, and the loop ends when the callback
    // returns.
    core.logoutService();
    // A dispatch of this object on the other callback thread may still be
    // running: wait for it by passing through its slot's lock. The slot this
    // thread holds is released here, since the dispatcher cannot touch it
    // after the callback returns.
    for (std::mutex* slotMutex :
         {&m_realTimeJointStatusCallback.mutex(), &m_realTimeRoadPointCallback.mutex(),
          &m_robotEventCallback.mutex(), &m_robotEndSpeedCallback.mutex(),
          &m_movepProgressNotifyCallback.mutex()}) {
        if (t_dispatch != nullptr && t_dispatch->facade == this &&
            t_dispatch->slotMutex == slotMutex) {
            continue;
        }
        std::lock_guard<std::mutex> wait(*slotMutex);
    }
    if (t_dispatch != nullptr && t_dispatch->facade == this) {
        t_dispatch->slotMutex->unlock();
        t_dispatch->facadeGone = true;
    }
    m_servoStream.reset();
    m_forceControlService.reset();
    m_robotOtherService.reset();
    m_robotConveyorTrack.reset();
    m_robotIoService.reset();
    m_robotMoveService.reset();
    // The core's destructor joins both of its threads, so it must run on a
    // thread that is neither; it starts once the callback has returned.
    RobotControlServices* released = m_robotBaseService.release();
    std::shared_ptr<ConnectionSupervisor> supervisor = m_supervisor;
    std::thread([released, supervisor] {
        supervisor->joinAfterShutdown();
        delete released;
    }).detach();
}

void ServiceInterface::unregisterDispatchers() {
    RobotControlServices& core = *m_robotBaseService;
    core.robotServiceRegisterRealTimeJointStatusCallbackService(nullptr, nullptr);
    core.robotServiceRegisterRealTimeRoadPointCallbackService(nullptr, nullptr);
    core.robotServiceRegisterRobotEventInfoCallbackService(nullptr, nullptr);
    core.robotServiceRegisterRealTimeEndSpeedCallbackService(nullptr, nullptr);
    core.robotServiceRegisterMovepProgressNotifyCallbackService(nullptr, nullptr);
}

// The core no longer starts a dispatch to this object. One that read the
// core's registration just before may still be on its way: emptying the slot
// waits for it if it is calling already, and it finds the slot empty if not.
// The slot this thread holds (called from inside that callback) is left as it
// is: only this thread dispatches its kind, and it will not do so again.
void ServiceInterface::robotServiceDetachAllCallbacks() {
    unregisterDispatchers();
    const auto clear = [this](auto& slot) {
        if (t_dispatch != nullptr && t_dispatch->facade == this &&
            t_dispatch->slotMutex == &slot.mutex()) {
            return;
        }
        slot.set(nullptr, nullptr);
    };
    clear(m_realTimeJointStatusCallback);
    clear(m_realTimeRoadPointCallback);
    clear(m_robotEventCallback);
    clear(m_robotEndSpeedCallback);
    clear(m_movepProgressNotifyCallback);
    m_supervisor->detachCallback();
}

bool ServiceInterface::countInRange(const char* operation, const char* what, long long value,
                                    long long min, long long max) {
    if (value >= min && value <= max) return true;
    RobotLogPrint::trace(LL_ERROR, "sdk log: %s: %s %lld is outside %lld..%lld; nothing sent.",
                         operation, what, value, min, max);
    return false;
}

// ---- Callback registration and dispatch -------------------------------------

template <typename Callback, typename... Args>
void ServiceInterface::dispatch(void* facade, CallbackSlot<Callback> ServiceInterface::*member,
                                Args... args) {
    if (facade == nullptr) return;
    ServiceInterface* self = static_cast<ServiceInterface*>(facade);
    CallbackSlot<Callback>& slot = self->*member;
    slot.mutex().lock();
    DispatchInProgress current{self, &slot.mutex(), false};
    DispatchInProgress* const outer = t_dispatch;
    t_dispatch = &current;
    const Callback callback = slot.callbackLocked();
    if (callback != nullptr) callback(args..., slot.argLocked());
    t_dispatch = outer;
    // A callback that destroyed the object has released the slot already.
    if (!current.facadeGone) slot.mutex().unlock();
}

int ServiceInterface::robotServiceRegisterRealTimeJointStatusCallback(
    RealTimeJointStatusCallback ptr, void* arg) {
    m_robotBaseService->setRealTimeJointStatusPush(ptr != nullptr);
    m_realTimeJointStatusCallback.set(ptr, arg);
    return InterfaceCallSuccCode;
}

int ServiceInterface::robotServiceRegisterRealTimeRoadPointCallback(RealTimeRoadPointCallback ptr,
                                                                    void* arg) {
    m_robotBaseService->setRealTimeJointAnglePush(ptr != nullptr);
    m_realTimeRoadPointCallback.set(ptr, arg);
    return InterfaceCallSuccCode;
}

int ServiceInterface::robotServiceRegisterRealTimeEndSpeedCallback(RealTimeEndSpeedCallback ptr,
                                                                   void* arg) {
    m_robotBaseService->setRealTimeEndSpeedPush(ptr != nullptr);
    m_robotEndSpeedCallback.set(ptr, arg);
    return InterfaceCallSuccCode;
}

int ServiceInterface::robotServiceRegisterRobotEventInfoCallback(RobotEventCallback ptr,
                                                                 void* arg) {
    m_robotEventCallback.set(ptr, arg);
    return InterfaceCallSuccCode;
}

int ServiceInterface::robotServiceRegisterMovepStepNumNotifyCallback(
    RealTimeMovepStepNumNotifyCallback ptr, void* arg) {
    m_movepProgressNotifyCallback.set(ptr, arg);
    return InterfaceCallSuccCode;
}

int ServiceInterface::robotServiceRegisterLogPrintCallback(RobotLogPrintCallback ptr, void* arg) {
    std::lock_guard<std::mutex> lock(s_logRegistrationMutex);
    LogCallbackRecord* record = ptr != nullptr ? new LogCallbackRecord{ptr, arg} : nullptr;
    S_RobotLogPrintPtr->registerRobotLogPrintCallback(record != nullptr ? logTrampoline : nullptr,
                                                      record);
    delete s_logCallbackRecord;
    s_logCallbackRecord = record;
    return InterfaceCallSuccCode;
}

void ServiceInterface::recvRealTimeJointStatusPushCallback(const JointStatus* jointStatus, int size,
                                                           void* arg) {
    dispatch(arg, &ServiceInterface::m_realTimeJointStatusCallback, jointStatus, size);
}

void ServiceInterface::recvRealTimeWaypointPushCallback(const wayPoint_S* waypoint, void* arg) {
    dispatch(arg, &ServiceInterface::m_realTimeRoadPointCallback, waypoint);
}

void ServiceInterface::recvRealTimeEndSpeedPushCallback(double speed, void* arg) {
    dispatch(arg, &ServiceInterface::m_robotEndSpeedCallback, speed);
}

void ServiceInterface::recvRobotEventPushCallback(const RobotEventInfo* info, void* arg) {
    if (info == nullptr) return;
    const RobotEventInfo copy = *info;  // the application gets its own copy
    dispatch(arg, &ServiceInterface::m_robotEventCallback,
             static_cast<const RobotEventInfo*>(&copy));
}

// While this object plays a customer track, the controller's step numbers are
// translated to indices of the cached track; otherwise they are passed on as
// sent, so ordinary multi-point moves report the controller's own numbers.
void ServiceInterface::recvMovepProgressNotifyCallback(int num, void* arg) {
    const auto* self = static_cast<const ServiceInterface*>(arg);
    if (self != nullptr && self->m_customTrackPlaying.load(std::memory_order_acquire)) {
        num = PelvanServices::translateMovepProgress(num);
    }
    dispatch(arg, &ServiceInterface::m_movepProgressNotifyCallback, num);
}

// ---- Login and connection ----------------------------------------------------

int ServiceInterface::robotServiceLogin(const char* host, int port, const char* userName,
                                        const char* password) {
    RobotType robotType;
    RobotDhPara robotDhPara;
    return robotServiceLogin(host, port, userName, password, robotType, robotDhPara);
}

int ServiceInterface::robotServiceLogin(const char* host, int port, const char* userName,
                                        const char* password, RobotType& robotType,
                                        RobotDhPara& robotDhPara) {
    if (host == nullptr) {
        RobotLogPrint::trace(LL_ERROR, "sdk log: Login host is NULL.");
        return ErrCode_ParamError;
    }
    const std::string user = userName != nullptr ? userName : "";
    const std::string pass = password != nullptr ? password : "";
    int ret = ErrCode_Failed;
    {
        std::lock_guard<std::mutex> session(m_supervisor->sessionMutex());
        ret = m_robotBaseService->loginService(host, port, user, pass, robotType, robotDhPara);
        // The customer track limits follow the controller logged in to (or fall
        // back to ±174° when it cannot be read), whatever the login's result.
        m_pelvanServiceHandle->safeLimitParamInit();
        if (ret == ErrnoSucc) m_supervisor->noteLogin(host, port, user, pass);
    }
    if (ret == ErrnoSucc) m_supervisor->afterLogin();
    return ret;
}

// The supervision ends first (its thread may need the session lock for an
// attempt), so that this logout is never taken for a lost link.
int ServiceInterface::robotServiceLogout() {
    m_supervisor->stop();
    std::lock_guard<std::mutex> session(m_supervisor->sessionMutex());
    return m_robotBaseService->logoutService();
}

int ServiceInterface::robotServiceSetReconnectPolicy(const ReconnectPolicy* policy) {
    return m_supervisor->setPolicy(policy);
}

int ServiceInterface::robotServiceRegisterConnectionEventCallback(ConnectionEventCallback ptr,
                                                                  void* arg) {
    m_supervisor->setCallback(ptr, arg);
    return InterfaceCallSuccCode;
}

uint64_t ServiceInterface::robotServiceLoginCount() const { return m_supervisor->loginCount(); }

void ServiceInterface::robotServiceGetConnectStatus(bool& connectStatus) {
    connectStatus = m_robotBaseService->getCurrentConnectStatus();
}

int ServiceInterface::robotServiceGetMacCommunicationStatus(bool& value) {
    value = true;
    return InterfaceCallSuccCode;
}

// ---- Tool dynamics through the payload setting -------------------------------

int ServiceInterface::robotServiceSetToolDynamicsParam(const ToolDynamicsParam& toolDynamicsParam) {
    return m_robotBaseService->setTcpParamService(tcpParamFromToolDynamics(toolDynamicsParam));
}

int ServiceInterface::robotServiceSetNoneToolDynamicsParam() {
    ToolDynamicsParam none;
    initToolDynamicsParamDataType(none);
    return robotServiceSetToolDynamicsParam(none);
}

int ServiceInterface::robotServiceGetToolDynamicsParam(ToolDynamicsParam& toolDynamicsParam) {
    RobotTcpParam tcp;
    memset(&tcp, 0, sizeof(tcp));
    const int ret = m_robotBaseService->getTcpParamService(tcp);
    if (ret == InterfaceCallSuccCode) {
        initToolDynamicsParamDataType(toolDynamicsParam);
        toolDynamicsParam.payload = tcp.paramAutorun.payload;
        toolDynamicsParam.positionX = tcp.paramAutorun.positionX;
        toolDynamicsParam.positionY = tcp.paramAutorun.positionY;
        toolDynamicsParam.positionZ = tcp.paramAutorun.positionZ;
    }
    return ret;
}

int ServiceInterface::rootServiceRobotStartup(const ToolDynamicsParam& toolDynamicsParam,
                                              uint8_t collisionClass, bool readPose,
                                              bool staticCollisionDetect, int boardBaxAcc,
                                              ROBOT_SERVICE_STATE& result, bool IsBolck) {
    return m_robotBaseService->robotStartupService(tcpParamFromToolDynamics(toolDynamicsParam),
                                                   collisionClass, readPose, staticCollisionDetect,
                                                   boardBaxAcc, result, IsBolck);
}

// ---- Collision class and safety configuration --------------------------------

int ServiceInterface::robotServiceGetRobotCollisionCurrentService(int& collisionGrade) {
    RobotCollisionCurrent current;
    memset(&current, 0, sizeof(current));
    const int ret = m_robotBaseService->getRobotCollisionCurrentService(current);
    if (ret == InterfaceCallSuccCode) collisionGrade = current.CollisionClass;
    return ret;
}

int ServiceInterface::robotServiceSetRobotSafetyConfig(const RobotSafetyConfig& safetyConfig) {
    RobotDevInfo devInfo;
    memset(&devInfo, 0, sizeof(devInfo));
    // Without the board's revision the write cannot be judged safe: the read's
    // failure is the result (reporting success would hide an unwritten config).
    const int readRet = robotServiceGetRobotDevInfoService(devInfo);
    if (readRet != InterfaceCallSuccCode) return readRet;
    if (!boardSupportsSafetyConfig(devInfo)) return InterfaceCallSuccCode;

    const int ret = m_robotBaseService->setRobotSafetyConfig(safetyConfig);
    if (ret != InterfaceCallSuccCode) return ret;

    constexpr int kReadBacks = 6;
    constexpr int kReadBackPauseMs = 100;
    for (int attempt = 0; attempt < kReadBacks; ++attempt) {
        RobotSafetyConfig current;
        memset(&current, 0, sizeof(current));
        if (robotServiceGetRobotSafetyConfig(current) == InterfaceCallSuccCode &&
            sameSafetyConfig(current, safetyConfig)) {
            return InterfaceCallSuccCode;
        }
        sleepMilliseconds(kReadBackPauseMs);
    }
    return ErrCode_Failed;
}

// ---- Version and error texts -------------------------------------------------

std::string ServiceInterface::getVersion() { return PelvanServices::s_version; }

std::string ServiceInterface::getErrDescByCode(RobotErrorCode code) {
    return ErrorInfoService::getErrDescByCode(code);
}

ControllerRefusal ServiceInterface::lastControllerRefusal() {
    return RobotControlServices::lastControllerRefusal();
}
