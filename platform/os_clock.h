// Monotonic clock in ticks of 100 microseconds, and sleeping.
// The clock source can be replaced (tests install a fake one); the u32 clock
// is the low 32 bits of the source, so it wraps after 2^32 ticks (about 5 days)
// and differences must be taken modulo 2^32.
#pragma once

#include <cstdint>

// Returns the time in 100 microsecond ticks, from any fixed origin.
using zOsClockSource = std::uint64_t (*)();

constexpr std::uint32_t OsClockTicksPerSecond = 10000;

// CLOCK_MONOTONIC in 100 microsecond ticks.
std::uint64_t OsMonotonicTicks();

// The current source's ticks, low 32 bits.
std::uint32_t OsGetClock();

// Installs a clock source; null restores the monotonic clock.
void OsSetClockSource(zOsClockSource source);

void OsSleepMilliseconds(std::uint32_t milliseconds);
