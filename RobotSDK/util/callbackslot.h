#ifndef CALLBACKSLOT_H
#define CALLBACKSLOT_H

// One application callback with its argument, and the lock that keeps the
// pair consistent. Owners either copy the pair out with get() and call it
// without the lock (the control core), or call under the lock they take with
// mutex() so that a registration waits for a running callback (the facade).
// The lock is a leaf: nothing else is taken while it is held, apart from what
// a callback called under it does.

#include <mutex>
#include <utility>

// A callback of type Callback and its argument, set and read under one lock; see above.
template <typename Callback>
class CallbackSlot {
public:
    // Replaces the callback and its argument; waits for a callback running
    // under the lock.
    void set(Callback callback, void* arg) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callback = callback;
        m_arg = arg;
    }

    // A consistent copy of the pair, to call without the lock.
    std::pair<Callback, void*> get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return {m_callback, m_arg};
    }

    // Whether a callback is set.
    bool isSet() const { return get().first != nullptr; }

    // For owners that call under the lock: take mutex(), then read the pair
    // with callbackLocked() and argLocked().
    std::mutex& mutex() const { return m_mutex; }
    // The callback; only with mutex() held.
    Callback callbackLocked() const { return m_callback; }
    // Its argument; only with mutex() held.
    void* argLocked() const { return m_arg; }

private:
    mutable std::mutex m_mutex;
    Callback m_callback = nullptr;
    void* m_arg = nullptr;
};

#endif  // CALLBACKSLOT_H
