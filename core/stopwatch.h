// A simple stopwatch over the engine clock: start, stop, elapsed time in
// milliseconds as a float. While running, the elapsed time runs up to now.
#pragma once

#include "core/types.h"

class zStopwatch {
public:
    void Start();
    void Stop();
    bool IsRunning() const { return m_running; }
    // 0 before the first Start().
    f32 GetElapsedMs() const;

private:
    u32 m_startTick = 0;
    u32 m_stopTick = 0;
    bool m_running = false;
};
