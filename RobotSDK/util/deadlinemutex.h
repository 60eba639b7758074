#ifndef ROBOTSDK_UTIL_DEADLINEMUTEX_H
#define ROBOTSDK_UTIL_DEADLINEMUTEX_H

// A mutex whose waiters can give up at a point of the steady clock, for locks
// whose wait counts in a documented bound (a send's turn, a request behind one
// of its kind). std::timed_mutex would do, but it waits in
// pthread_mutex_clocklock, which this toolchain's ThreadSanitizer does not
// intercept. Meets Lockable, so std::unique_lock and std::lock_guard take it.

#include <chrono>
#include <condition_variable>
#include <mutex>

class DeadlineMutex {
public:
    void lock() {
        std::unique_lock<std::mutex> guard(m_mutex);
        m_released.wait(guard, [this] { return !m_held; });
        m_held = true;
    }

    bool try_lock() {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_held) return false;
        m_held = true;
        return true;
    }

    bool try_lock_until(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock<std::mutex> guard(m_mutex);
        if (!m_released.wait_until(guard, deadline, [this] { return !m_held; })) return false;
        m_held = true;
        return true;
    }

    void unlock() {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_held = false;
        }
        m_released.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_held = false;
};

#endif  // ROBOTSDK_UTIL_DEADLINEMUTEX_H
