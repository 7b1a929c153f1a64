#include "platform/os_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Probe {
    std::atomic<int> runs{0};
    std::atomic<bool> release{true};
    int result = 0;
};

int ProbeBody(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    ++probe->runs;
    while (!probe->release.load()) std::this_thread::yield();
    return probe->result;
}

}  // namespace

TEST(OsThread, ExitCodeIsTheBodyResult) {
    for (int result : {0, 1, 7}) {
        Probe probe;
        probe.result = result;
        zOsThread thread;
        ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
        EXPECT_EQ(thread.GetExitCode(), zOsThread::NoExitCode);
        ASSERT_TRUE(thread.Resume());
        EXPECT_TRUE(thread.Join());
        EXPECT_EQ(thread.GetExitCode(), result);
        EXPECT_EQ(probe.runs.load(), 1);
    }
}

TEST(OsThread, CreateArmsWithoutRunning) {
    Probe probe;
    zOsThread thread;
    ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(probe.runs.load(), 0);
    EXPECT_TRUE(thread.HasThread());
    EXPECT_FALSE(thread.IsStarted());
    // Waiting for a thread that never started would never end.
    EXPECT_FALSE(thread.Join());
    thread.Close();
    EXPECT_FALSE(thread.HasThread());
    EXPECT_FALSE(thread.Resume());
    EXPECT_EQ(probe.runs.load(), 0);
}

TEST(OsThread, FinishedThreadStillHasThreadUntilClosed) {
    Probe probe;
    zOsThread thread;
    ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
    ASSERT_TRUE(thread.Resume());
    while (thread.IsRunning()) std::this_thread::yield();
    EXPECT_TRUE(thread.HasThread());
    thread.Close();
    EXPECT_FALSE(thread.HasThread());
}

TEST(OsThread, DestructorJoinsAFinishedThread) {
    // Destroying a joinable std::thread would terminate the process.
    Probe probe;
    {
        zOsThread thread;
        ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
        ASSERT_TRUE(thread.Resume());
        while (thread.IsRunning()) std::this_thread::yield();
    }
    EXPECT_EQ(probe.runs.load(), 1);
}

TEST(OsThread, DestructorWaitsForARunningThread) {
    Probe probe;
    probe.release = false;
    std::thread releaser;
    {
        zOsThread thread;
        ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
        ASSERT_TRUE(thread.Resume());
        while (probe.runs.load() == 0) std::this_thread::yield();
        releaser = std::thread([&probe] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            probe.release = true;
        });
    }
    EXPECT_TRUE(probe.release.load());
    releaser.join();
}

TEST(OsThread, ResumeStartsOnlyOnce) {
    Probe probe;
    zOsThread thread;
    EXPECT_FALSE(thread.Resume());
    ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
    EXPECT_TRUE(thread.Resume());
    EXPECT_FALSE(thread.Resume());
    thread.Close();
    EXPECT_EQ(probe.runs.load(), 1);
}

TEST(OsThread, CreateRefusesWhileArmedOrRunningAndReArmsWhenFinished) {
    Probe probe;
    probe.release = false;
    zOsThread thread;
    EXPECT_FALSE(thread.Create(nullptr, &probe));
    ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
    EXPECT_FALSE(thread.Create(&ProbeBody, &probe));
    ASSERT_TRUE(thread.Resume());
    EXPECT_FALSE(thread.Create(&ProbeBody, &probe));
    probe.release = true;
    ASSERT_TRUE(thread.Join());
    EXPECT_TRUE(thread.Create(&ProbeBody, &probe));
    EXPECT_EQ(thread.GetExitCode(), zOsThread::NoExitCode);
    EXPECT_TRUE(thread.Resume());
    thread.Close();
    EXPECT_EQ(probe.runs.load(), 2);
}

TEST(OsThread, SuspendAndPriorityAreNotSupported) {
    Probe probe;
    probe.release = false;
    zOsThread thread;
    ASSERT_TRUE(thread.Create(&ProbeBody, &probe));
    ASSERT_TRUE(thread.Resume());
    EXPECT_FALSE(thread.Suspend());
    EXPECT_FALSE(thread.SetPriority(2));
    probe.release = true;
    EXPECT_TRUE(thread.Join());
    EXPECT_FALSE(thread.Join());
}
