// Mutex and scoped lock. The mutex is recursive: its owner may lock it again
// (the file road calls itself under its lock). The operating-system mutex is
// created with the object and closed with it.
#pragma once

#include "platform/os_mutex.h"

class zMutex {
public:
    zMutex() = default;
    zMutex(const zMutex&) = delete;
    zMutex& operator=(const zMutex&) = delete;

    // Waits without time-out.
    void Lock() { m_mutex.Lock(); }
    void Unlock() { m_mutex.Unlock(); }

private:
    zOsMutex m_mutex;
};

// Takes the mutex on construction and releases it on destruction.
class zScopedLock {
public:
    explicit zScopedLock(zMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~zScopedLock() { m_mutex.Unlock(); }
    zScopedLock(const zScopedLock&) = delete;
    zScopedLock& operator=(const zScopedLock&) = delete;

private:
    zMutex& m_mutex;
};
