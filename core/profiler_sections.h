// Profiler sections: process-wide stopwatches named by label ("Geometry
// Setup", "Texture Setup", ...). Begin opens a measurement of the label's
// zPerfCounter, End closes it; ending a section that is not open does
// nothing. Main thread only, like the clock's other stopwatches.
#pragma once

#include "core/perf_counter.h"

void BeginProfilerSection(const char* label);
void EndProfilerSection(const char* label);
// The section's counter, or null when the label was never begun.
const zPerfCounter* GetProfilerSection(const char* label);
// Forgets every section (tests).
void ResetProfilerSections();
