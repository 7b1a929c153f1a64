#include "core/clock.h"

#include "platform/os_clock.h"

u32 GetClock() { return OsGetClock(); }

void SetClockSource(zClockSource source) { OsSetClockSource(source); }

void SleepMilliseconds(u32 milliseconds) { OsSleepMilliseconds(milliseconds); }
