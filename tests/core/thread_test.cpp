#include "core/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "core/mutex.h"
#include "core/platform_info.h"
#include "tests/support/log_capture.h"

namespace {

class FlagThread : public zThread {
public:
    explicit FlagThread(bool result) : m_result(result) {}
    ~FlagThread() override { Close(); }

    bool Run() override {
        ++runs;
        while (hold.load()) std::this_thread::yield();
        return m_result;
    }

    std::atomic<int> runs{0};
    std::atomic<bool> hold{false};

private:
    bool m_result;
};

}  // namespace

TEST(Thread, RunResultBecomesTheExitCode) {
    struct Case {
        bool result;
        int exitCode;
    };
    for (const Case& c : {Case{false, 0}, Case{true, 1}}) {
        FlagThread thread(c.result);
        ASSERT_TRUE(thread.Create());
        EXPECT_TRUE(thread.IsCreated());
        EXPECT_EQ(thread.GetExitCode(), -1);
        ASSERT_TRUE(thread.Resume());
        thread.Wait();
        EXPECT_EQ(thread.GetExitCode(), c.exitCode);
        EXPECT_EQ(thread.runs.load(), 1);
    }
}

TEST(Thread, CreatedThreadWaitsForResume) {
    FlagThread thread(true);
    ASSERT_TRUE(thread.Create());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(thread.runs.load(), 0);
    EXPECT_FALSE(thread.IsRunning());
    thread.Wait();  // never started: returns at once
    ASSERT_TRUE(thread.Resume());
    thread.Wait();
    EXPECT_EQ(thread.runs.load(), 1);
}

TEST(Thread, EndedThreadStaysCreatedSoCloseJoinsIt) {
    // The thread used to clear its own created flag, so nothing joined it.
    FlagThread thread(true);
    ASSERT_TRUE(thread.Create());
    ASSERT_TRUE(thread.Resume());
    // The exit code is stored just before the running flag drops: wait for both.
    while (thread.IsRunning() || thread.GetExitCode() < 0) std::this_thread::yield();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.IsCreated());
    thread.Close();
    EXPECT_FALSE(thread.IsCreated());
}

TEST(Thread, DestructorJoinsAThreadThatEndedOnItsOwn) {
    auto* thread = new FlagThread(false);
    ASSERT_TRUE(thread->Create());
    ASSERT_TRUE(thread->Resume());
    while (thread->IsRunning() || thread->GetExitCode() < 0) std::this_thread::yield();
    delete thread;  // must not terminate the process
}

TEST(Thread, WaitWithoutCreateReturns) {
    FlagThread thread(true);
    thread.Wait();
    thread.Close();
    EXPECT_FALSE(thread.IsCreated());
    EXPECT_FALSE(thread.Resume());
}

TEST(Thread, SuspendWarnsAndChangesNothing) {
    LogCapture capture;
    FlagThread thread(true);
    thread.hold = true;
    ASSERT_TRUE(thread.Create());
    ASSERT_TRUE(thread.Resume());
    EXPECT_FALSE(thread.Suspend());
    EXPECT_EQ(capture.Text(), "[*] Thread suspension is not supported on this platform.\n");
    EXPECT_FALSE(thread.SetPriority(1));
    thread.hold = false;
    thread.Wait();
    EXPECT_EQ(thread.GetExitCode(), 1);
}

TEST(Mutex, OwnerMayLockAgain) {
    zMutex mutex;
    zScopedLock outer(mutex);
    {
        zScopedLock inner(mutex);
        mutex.Lock();
        mutex.Unlock();
    }
    SUCCEED();
}

TEST(Mutex, ScopedLockExcludesOtherThreads) {
    zMutex mutex;
    int counter = 0;
    auto worker = [&] {
        for (int i = 0; i < 20000; ++i) {
            zScopedLock lock(mutex);
            ++counter;
        }
    };
    std::thread first(worker);
    std::thread second(worker);
    first.join();
    second.join();
    EXPECT_EQ(counter, 40000);
}

TEST(PlatformInfo, NamesOfTheOriginalPlayer) {
    EXPECT_STREQ(GetPlatformName(), "Win32");
    EXPECT_STREQ(GetLocaleName(), "EN");
}
