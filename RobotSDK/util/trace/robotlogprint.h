#ifndef ROBOTLOGPRINT_H
#define ROBOTLOGPRINT_H

// The process-wide log sink. Every log line of the library is formatted here and
// handed to the one callback the application registered; without a callback the
// line is dropped.
//
// Threads: any thread may call every member. One lock, m_logPrintMutex, held while
// a line is formatted and while the callback runs, so lines never interleave and
// the text stays valid until the callback returns. A log line produced by the
// callback itself on the same thread is dropped instead of deadlocking on the lock.

#include <atomic>
#include <cstdarg>
#include <mutex>

#if defined(__GNUC__) || defined(__clang__)
#define TEVO_PRINTF_FORMAT(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define TEVO_PRINTF_FORMAT(fmtIndex, firstArg)
#endif

class RobotLogPrint {
public:
    // level (a LOG_LEVEL value), the formatted text, the registered argument.
    using LogPrintCallback = void (*)(int level, const char* text, void* arg);

    enum { MAX_BUF = 2048 };

    // Publishes itself as the process's log instance.
    RobotLogPrint();
    // Withdraws itself when it is still the published instance.
    ~RobotLogPrint();

    RobotLogPrint(const RobotLogPrint&) = delete;
    RobotLogPrint& operator=(const RobotLogPrint&) = delete;

    // The published instance, or nullptr before one exists.
    static RobotLogPrint* getRobotLogPrintPtr();

    // Replaces the callback and its argument; a null callback turns logging off.
    void registerRobotLogPrintCallback(LogPrintCallback callback, void* arg);

    // Formats printf-style into the 2048-byte buffer (longer texts are cut to
    // 2047 characters) and hands it to the callback. Returns 0.
    int printTrace(int level, const char* format, ...) TEVO_PRINTF_FORMAT(3, 4);

    // The one-line logging helper for library code: routes to the published
    // instance and drops the line when there is none.
    static void trace(int level, const char* format, ...) TEVO_PRINTF_FORMAT(2, 3);

private:
    int vprintTrace(int level, const char* format, va_list args) TEVO_PRINTF_FORMAT(3, 0);

    char m_dataBuf[MAX_BUF];
    std::mutex m_logPrintMutex;
    LogPrintCallback m_logPrintCallback;
    void* m_arg;

    static std::atomic<RobotLogPrint*> s_robotLogPrintPtr;
};

#endif  // ROBOTLOGPRINT_H
