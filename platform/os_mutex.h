// Recursive operating-system mutex: the owner may lock it again and must
// unlock it as many times. Stands in for the Win32 unnamed mutex.
#pragma once

#include <mutex>

class zOsMutex {
public:
    zOsMutex() = default;
    zOsMutex(const zOsMutex&) = delete;
    zOsMutex& operator=(const zOsMutex&) = delete;

    // Waits without time-out.
    void Lock() { m_mutex.lock(); }
    bool TryLock() { return m_mutex.try_lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};
