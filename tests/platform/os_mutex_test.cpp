#include "platform/os_mutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(OsMutex, OwnerMayLockAgain) {
    zOsMutex mutex;
    mutex.Lock();
    EXPECT_TRUE(mutex.TryLock());
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    mutex.Unlock();
}

TEST(OsMutex, OtherThreadWaitsUntilEveryLockIsReleased) {
    zOsMutex mutex;
    mutex.Lock();
    mutex.Lock();
    bool acquired = true;
    std::thread([&] { acquired = mutex.TryLock(); }).join();
    EXPECT_FALSE(acquired);
    mutex.Unlock();
    std::thread([&] { acquired = mutex.TryLock(); }).join();
    EXPECT_FALSE(acquired);
    mutex.Unlock();
    std::thread([&] {
        acquired = mutex.TryLock();
        if (acquired) mutex.Unlock();
    }).join();
    EXPECT_TRUE(acquired);
}
