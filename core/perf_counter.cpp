#include "core/perf_counter.h"

#include "core/clock.h"

namespace {

f32 TicksToMilliseconds(f32 ticks) { return ticks * 1000.0f / static_cast<f32>(ClockTicksPerSecond); }

}  // namespace

void zPerfCounter::Reset() {
    *this = zPerfCounter();
    periodStartTick = GetClock();
}

void zPerfCounter::Begin(bool skipCount) {
    startTick = GetClock();
    if (!skipCount) ++callCount;
}

void zPerfCounter::Tick() {
    ++callCount;
    previousDurationMs = lastDurationMs;
    lastDurationMs = 0.0f;
}

void zPerfCounter::AddTicks(u32 ticks) { accumulatedTicks += ticks; }

f32 zPerfCounter::End() {
    u32 now = GetClock();
    previousDurationMs = lastDurationMs;
    u32 elapsed = now - startTick;
    accumulatedTicks += elapsed;
    lastDurationMs = TicksToMilliseconds(static_cast<f32>(elapsed));

    u32 periodLength = now - periodStartTick;
    if (periodLength > PeriodTicks) {
        previousAverageMs = averageMs;
        loadPercent = 100.0f * static_cast<f32>(accumulatedTicks) / static_cast<f32>(periodLength);
        averageMs = callCount ? TicksToMilliseconds(static_cast<f32>(accumulatedTicks) / static_cast<f32>(callCount))
                              : 0.0f;
        callsPerSecond = accumulatedTicks ? static_cast<f32>(callCount) * static_cast<f32>(ClockTicksPerSecond) /
                                                static_cast<f32>(accumulatedTicks)
                                          : 0.0f;
        accumulatedTicks = 0;
        callCount = 0;
        periodStartTick = now;
    }
    return callsPerSecond;
}

zScopedPerfCounter::zScopedPerfCounter(zPerfCounter& counter, bool beginNow)
    : m_counter(counter), m_begun(beginNow) {
    m_counter.Reset();
    if (m_begun) m_counter.Begin();
}

zScopedPerfCounter::~zScopedPerfCounter() {
    if (m_begun) m_counter.End();
}
