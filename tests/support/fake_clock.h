// Replaces the engine clock with a hand-set tick count for the lifetime of
// the object, then restores the monotonic clock.
#pragma once

#include "core/clock.h"

struct FakeClock {
    FakeClock(u64 start = 0) {
        Ticks() = start;
        SetClockSource(&Read);
    }
    ~FakeClock() { SetClockSource(nullptr); }

    void Set(u64 ticks) { Ticks() = ticks; }
    void Advance(u64 ticks) { Ticks() += ticks; }

private:
    static u64& Ticks() {
        static u64 ticks = 0;
        return ticks;
    }
    static u64 Read() { return Ticks(); }
};
