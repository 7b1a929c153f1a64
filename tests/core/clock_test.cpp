#include "core/clock.h"

#include <gtest/gtest.h>

#include "core/stopwatch.h"
#include "tests/support/fake_clock.h"

TEST(Clock, FakeSourceIsUsedAndWraps) {
    FakeClock clock(0xFFFFFF00u);
    u32 start = GetClock();
    EXPECT_EQ(start, 0xFFFFFF00u);
    clock.Set(0x100000100ull);
    EXPECT_EQ(GetClock(), 0x100u);
    EXPECT_EQ(GetClock() - start, 0x200u);
}

TEST(Clock, RealClockCountsTenThousandTicksPerSecond) {
    u32 start = GetClock();
    SleepMilliseconds(50);
    u32 elapsed = GetClock() - start;
    EXPECT_GE(elapsed, 490u);
    EXPECT_LT(elapsed, 50000u);
}

TEST(Stopwatch, ElapsedMillisecondsAsFloat) {
    FakeClock clock(100);
    zStopwatch watch;
    EXPECT_FLOAT_EQ(watch.GetElapsedMs(), 0.0f);
    watch.Start();
    EXPECT_TRUE(watch.IsRunning());
    clock.Advance(5);  // half a millisecond is kept
    EXPECT_FLOAT_EQ(watch.GetElapsedMs(), 0.5f);
    clock.Advance(120);
    watch.Stop();
    EXPECT_FALSE(watch.IsRunning());
    clock.Advance(1000);
    EXPECT_FLOAT_EQ(watch.GetElapsedMs(), 12.5f);
    watch.Stop();  // stopping again keeps the measurement
    EXPECT_FLOAT_EQ(watch.GetElapsedMs(), 12.5f);
}

TEST(Stopwatch, MeasuresAcrossTheClockWrap) {
    FakeClock clock(0xFFFFFFF0u);
    zStopwatch watch;
    watch.Start();
    clock.Advance(0x30);
    watch.Stop();
    EXPECT_FLOAT_EQ(watch.GetElapsedMs(), 4.8f);
}
