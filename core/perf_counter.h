// zPerfCounter: a stopwatch that turns the clock into per-period statistics.
// Measurements (Begin/End) accumulate ticks and calls; once a period has
// lasted more than 1000 ticks (100 ms), End() publishes the calls per second,
// the load and the average time per call, and starts a new period.
// Statistics use float arithmetic, so sub-millisecond times are kept.
// Clock differences are u32 subtractions, correct across the clock's wrap.
#pragma once

#include "core/types.h"

struct zPerfCounter {
    // A period must last longer than this to publish statistics.
    static constexpr u32 PeriodTicks = 1000;

    u32 startTick = 0;          // start of the current measurement
    u32 accumulatedTicks = 0;   // measured in the current period
    u32 periodStartTick = 0;
    u32 callCount = 0;          // calls in the current period
    f32 callsPerSecond = 0.0f;  // last period
    f32 loadPercent = 0.0f;     // last period
    f32 averageMs = 0.0f;       // per call, last period
    f32 previousAverageMs = 0.0f;
    f32 lastDurationMs = 0.0f;  // last measurement
    f32 previousDurationMs = 0.0f;

    // The period starts now; all counts and values become 0.
    void Reset();
    // Starts a measurement; counts a call unless skipCount.
    void Begin(bool skipCount = false);
    // Counts a call without timing it.
    void Tick();
    void AddTicks(u32 ticks);
    // Ends a measurement; returns the calls per second.
    f32 End();
};

// Resets the counter on construction and, when asked, begins at once; a
// measurement begun here is ended when the scope closes.
class zScopedPerfCounter {
public:
    explicit zScopedPerfCounter(zPerfCounter& counter, bool beginNow = true);
    ~zScopedPerfCounter();
    zScopedPerfCounter(const zScopedPerfCounter&) = delete;
    zScopedPerfCounter& operator=(const zScopedPerfCounter&) = delete;

private:
    zPerfCounter& m_counter;
    bool m_begun;
};
