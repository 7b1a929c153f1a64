#include "platform/os_clock.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<zOsClockSource> g_clockSource{nullptr};

}  // namespace

std::uint64_t OsMonotonicTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * OsClockTicksPerSecond +
           static_cast<std::uint64_t>(now.tv_nsec) / 100000u;
}

std::uint32_t OsGetClock() {
    zOsClockSource source = g_clockSource.load(std::memory_order_acquire);
    std::uint64_t ticks = source ? source() : OsMonotonicTicks();
    return static_cast<std::uint32_t>(ticks);
}

void OsSetClockSource(zOsClockSource source) { g_clockSource.store(source, std::memory_order_release); }

void OsSleepMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
