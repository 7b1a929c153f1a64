// A thread object whose body is the virtual Run(). Create() makes the thread
// suspended, Resume() starts it; when Run() returns the thread ends with exit
// code 1 if it returned true, else 0.
//
// IsCreated() (a thread was obtained and not yet closed) stays true after
// Run() ends, so Close() and the destructor always join it. A subclass must
// make its Run() end and call Close() in its own destructor: by the time
// ~zThread runs, the subclass part (and so its Run) is gone.
//
// Suspend() has no POSIX equivalent: it logs a warning and returns false.
#pragma once

#include "platform/os_thread.h"

class zThread {
public:
    zThread() = default;
    virtual bool Run() = 0;
    virtual ~zThread();

    zThread(const zThread&) = delete;
    zThread& operator=(const zThread&) = delete;

    bool Create();
    bool Resume();
    bool Suspend();
    // Waits without time-out for the end of a created, started thread.
    void Wait();
    // Joins the thread and releases it.
    void Close();
    // Does nothing and answers false.
    bool SetPriority(int priority);

    bool IsCreated() const { return m_thread.HasThread(); }
    bool IsRunning() const { return m_thread.IsRunning(); }
    // 1 or 0 once Run() returned; -1 before.
    int GetExitCode() const { return m_thread.GetExitCode(); }

private:
    static int Entry(void* self);

    zOsThread m_thread;
};
