// An operating-system thread created suspended and started later, in place of
// the Win32 CreateThread(CREATE_SUSPENDED) / ResumeThread pair.
//
// Create() only arms the thread with its body; the std::thread starts at the
// first Resume(). "Has a thread" (armed or started, not yet closed) is kept
// apart from "running" (the body has not returned), so the body ending never
// hides the thread from Join(): Close() and the destructor always join.
//
// There is no POSIX way to suspend another thread, so Suspend() changes
// nothing and returns false. Priorities are not changed either.
#pragma once

#include <atomic>
#include <thread>

class zOsThread {
public:
    // The thread body; its result is kept as the thread's exit code.
    using Body = int (*)(void* context);

    static constexpr int NoExitCode = -1;

    zOsThread() = default;
    ~zOsThread();  // joins a started thread
    zOsThread(const zOsThread&) = delete;
    zOsThread& operator=(const zOsThread&) = delete;

    // Arms a suspended thread. Fails when a thread is already armed or
    // still running; a finished one is joined and replaced.
    bool Create(Body body, void* context);

    // Starts an armed thread; false when there is none or it already started.
    bool Resume();

    // Not supported on POSIX: always false, the thread is not touched.
    bool Suspend();

    // Waits without time-out for a started thread to end. Returns false when
    // there is nothing to wait for: no thread, never started (it would never
    // end), already joined, or called from the thread itself.
    bool Join();

    // Joins a started thread and forgets it; an armed one never runs.
    // Called from the thread itself it does nothing.
    void Close();

    // Not supported: does nothing, returns false.
    bool SetPriority(int priority);

    bool HasThread() const { return m_hasThread; }
    bool IsStarted() const { return m_started; }
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }

    // The body's result once it has returned, else NoExitCode.
    int GetExitCode() const { return m_exitCode.load(std::memory_order_acquire); }

private:
    static void Entry(zOsThread* self);

    Body m_body = nullptr;
    void* m_context = nullptr;
    std::thread m_thread;
    bool m_hasThread = false;
    bool m_started = false;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_exitCode{NoExitCode};
};
