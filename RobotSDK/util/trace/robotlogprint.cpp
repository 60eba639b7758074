#include "RobotSDK/util/trace/robotlogprint.h"

#include <cstdio>
#include <cstring>

std::atomic<RobotLogPrint*> RobotLogPrint::s_robotLogPrintPtr{nullptr};

namespace {
// The sink whose lock this thread holds while it runs the callback; lets a log
// line or a registration made from inside the callback avoid self-deadlock.
thread_local const RobotLogPrint* t_sinkInCallback = nullptr;

struct InCallbackMark {
    explicit InCallbackMark(const RobotLogPrint* sink) { t_sinkInCallback = sink; }
    ~InCallbackMark() { t_sinkInCallback = nullptr; }
    InCallbackMark(const InCallbackMark&) = delete;
    InCallbackMark& operator=(const InCallbackMark&) = delete;
};
}  // namespace

RobotLogPrint::RobotLogPrint() : m_dataBuf{}, m_logPrintCallback(nullptr), m_arg(nullptr) {
    s_robotLogPrintPtr.store(this);
}

RobotLogPrint::~RobotLogPrint() {
    RobotLogPrint* self = this;
    s_robotLogPrintPtr.compare_exchange_strong(self, nullptr);
}

RobotLogPrint* RobotLogPrint::getRobotLogPrintPtr() { return s_robotLogPrintPtr.load(); }

void RobotLogPrint::registerRobotLogPrintCallback(LogPrintCallback callback, void* arg) {
    if (t_sinkInCallback == this) {
        // Called from the callback itself: this thread already holds the lock.
        m_logPrintCallback = callback;
        m_arg = arg;
        return;
    }
    std::lock_guard<std::mutex> lock(m_logPrintMutex);
    m_logPrintCallback = callback;
    m_arg = arg;
}

int RobotLogPrint::printTrace(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = vprintTrace(level, format, args);
    va_end(args);
    return result;
}

int RobotLogPrint::vprintTrace(int level, const char* format, va_list args) {
    if (t_sinkInCallback == this || format == nullptr) {
        return 0;  // a line logged by the callback itself is dropped
    }
    std::lock_guard<std::mutex> lock(m_logPrintMutex);
    if (m_logPrintCallback == nullptr) {
        return 0;
    }
    std::memset(m_dataBuf, 0, sizeof(m_dataBuf));
    std::vsnprintf(m_dataBuf, sizeof(m_dataBuf), format, args);
    InCallbackMark mark(this);
    m_logPrintCallback(level, m_dataBuf, m_arg);
    return 0;
}

void RobotLogPrint::trace(int level, const char* format, ...) {
    RobotLogPrint* sink = getRobotLogPrintPtr();
    if (sink == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    sink->vprintTrace(level, format, args);
    va_end(args);
}
