// The engine clock: ticks of 1/10000 second as a u32 that wraps after 2^32
// ticks, so differences are taken modulo 2^32 (u32 subtraction).
#pragma once

#include "core/types.h"

constexpr u32 ClockTicksPerSecond = 10000;

u32 GetClock();

// Replaces the clock with one returning 100 µs ticks (tests); null restores
// the monotonic clock. Only the low 32 bits are used.
using zClockSource = u64 (*)();
void SetClockSource(zClockSource source);

void SleepMilliseconds(u32 milliseconds);
