#include "core/stopwatch.h"

#include "core/clock.h"

void zStopwatch::Start() {
    m_startTick = GetClock();
    m_stopTick = m_startTick;
    m_running = true;
}

void zStopwatch::Stop() {
    if (!m_running) return;
    m_stopTick = GetClock();
    m_running = false;
}

f32 zStopwatch::GetElapsedMs() const {
    u32 end = m_running ? GetClock() : m_stopTick;
    return static_cast<f32>(end - m_startTick) * 1000.0f / static_cast<f32>(ClockTicksPerSecond);
}
