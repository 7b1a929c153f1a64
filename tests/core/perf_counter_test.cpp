#include "core/perf_counter.h"

#include <gtest/gtest.h>

#include "core/profiler_sections.h"
#include "tests/support/fake_clock.h"

namespace {

// Two timed calls, 0-200 and 800-endTick, in a period that ends at endTick.
zPerfCounter TwoCallsEndingAt(FakeClock& clock, u64 endTick) {
    zPerfCounter counter;
    clock.Set(0);
    counter.Reset();
    counter.Begin();
    clock.Set(200);
    counter.End();
    clock.Set(800);
    counter.Begin();
    clock.Set(endTick);
    counter.End();
    return counter;
}

}  // namespace

TEST(PerfCounter, PeriodOfExactly1000TicksPublishesNothing) {
    FakeClock clock;
    zPerfCounter counter = TwoCallsEndingAt(clock, 1000);
    EXPECT_EQ(counter.callCount, 2u);
    EXPECT_EQ(counter.accumulatedTicks, 400u);
    EXPECT_EQ(counter.periodStartTick, 0u);
    EXPECT_FLOAT_EQ(counter.callsPerSecond, 0.0f);
    EXPECT_FLOAT_EQ(counter.loadPercent, 0.0f);
    EXPECT_FLOAT_EQ(counter.averageMs, 0.0f);
}

TEST(PerfCounter, PeriodOf1001TicksPublishesInFloat) {
    FakeClock clock;
    zPerfCounter counter = TwoCallsEndingAt(clock, 1001);
    // 401 ticks in 2 calls over 1001 ticks.
    EXPECT_FLOAT_EQ(counter.loadPercent, 100.0f * 401.0f / 1001.0f);
    EXPECT_FLOAT_EQ(counter.averageMs, 20.05f);  // sub-millisecond part kept
    EXPECT_FLOAT_EQ(counter.callsPerSecond, 2.0f * 10000.0f / 401.0f);
    EXPECT_EQ(counter.callCount, 0u);
    EXPECT_EQ(counter.accumulatedTicks, 0u);
    EXPECT_EQ(counter.periodStartTick, 1001u);
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 20.1f);
    EXPECT_FLOAT_EQ(counter.previousDurationMs, 20.0f);
}

TEST(PerfCounter, EndReturnsTheCallsPerSecond) {
    FakeClock clock;
    zPerfCounter counter;
    counter.Reset();
    counter.Begin();
    clock.Set(2000);
    EXPECT_FLOAT_EQ(counter.End(), 5.0f);  // one call of 2000 ticks
    EXPECT_FLOAT_EQ(counter.loadPercent, 100.0f);
    EXPECT_FLOAT_EQ(counter.averageMs, 200.0f);
}

TEST(PerfCounter, PeriodWithoutCallsAveragesZero) {
    FakeClock clock;
    zPerfCounter counter;
    counter.Reset();
    clock.Set(1500);
    counter.Begin(true);
    clock.Set(1600);
    counter.End();
    EXPECT_FLOAT_EQ(counter.averageMs, 0.0f);
    EXPECT_FLOAT_EQ(counter.callsPerSecond, 0.0f);
    EXPECT_FLOAT_EQ(counter.loadPercent, 100.0f * 100.0f / 1600.0f);
}

TEST(PerfCounter, CallsWithoutAccumulatedTicksGiveZeroRate) {
    FakeClock clock;
    zPerfCounter counter;
    counter.Reset();
    counter.Tick();
    counter.Tick();
    clock.Set(1500);
    counter.Begin(true);
    EXPECT_FLOAT_EQ(counter.End(), 0.0f);
    EXPECT_FLOAT_EQ(counter.averageMs, 0.0f);
}

TEST(PerfCounter, PreviousAverageKeepsTheOldPeriod) {
    FakeClock clock;
    zPerfCounter counter;
    counter.Reset();
    counter.Begin();
    clock.Set(1100);
    counter.End();
    EXPECT_FLOAT_EQ(counter.averageMs, 110.0f);
    counter.Begin();
    clock.Set(1150);
    counter.End();  // period of 50 ticks: nothing published yet
    clock.Set(2200);
    counter.Begin();
    clock.Set(2300);
    counter.End();
    EXPECT_FLOAT_EQ(counter.averageMs, 7.5f);  // 150 ticks over 2 calls
    EXPECT_FLOAT_EQ(counter.previousAverageMs, 110.0f);
}

TEST(PerfCounter, TickAndAddTicks) {
    FakeClock clock;
    zPerfCounter counter;
    counter.Reset();
    counter.Begin();
    clock.Set(30);
    counter.End();
    counter.Tick();
    EXPECT_EQ(counter.callCount, 2u);
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 0.0f);
    EXPECT_FLOAT_EQ(counter.previousDurationMs, 3.0f);
    counter.AddTicks(70);
    EXPECT_EQ(counter.accumulatedTicks, 100u);
}

TEST(PerfCounter, ElapsedTimeAcrossTheClockWrap) {
    FakeClock clock(0xFFFFFF00u);
    zPerfCounter counter;
    counter.Reset();
    counter.Begin();
    clock.Set(0x100000100ull);
    counter.End();
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 51.2f);  // 0x200 ticks
    EXPECT_EQ(counter.accumulatedTicks, 0x200u);
}

TEST(PerfCounter, ResetClearsEverythingAndStartsThePeriodNow) {
    FakeClock clock;
    zPerfCounter counter = TwoCallsEndingAt(clock, 1500);
    clock.Set(4000);
    counter.Reset();
    EXPECT_EQ(counter.periodStartTick, 4000u);
    EXPECT_EQ(counter.callCount, 0u);
    EXPECT_FLOAT_EQ(counter.callsPerSecond, 0.0f);
    EXPECT_FLOAT_EQ(counter.averageMs, 0.0f);
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 0.0f);
}

TEST(ScopedPerfCounter, ResetsBeginsAndEndsWithTheScope) {
    FakeClock clock(500);
    zPerfCounter counter = TwoCallsEndingAt(clock, 900);
    clock.Set(1000);
    {
        zScopedPerfCounter scoped(counter);
        EXPECT_EQ(counter.periodStartTick, 1000u);
        EXPECT_EQ(counter.startTick, 1000u);
        EXPECT_EQ(counter.callCount, 1u);
        clock.Set(1040);
    }
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 4.0f);
    EXPECT_EQ(counter.accumulatedTicks, 40u);
}

TEST(ScopedPerfCounter, WithoutBeginOnlyResets) {
    FakeClock clock;
    zPerfCounter counter = TwoCallsEndingAt(clock, 900);
    {
        zScopedPerfCounter scoped(counter, false);
        EXPECT_EQ(counter.callCount, 0u);
        clock.Set(1000);
    }
    EXPECT_EQ(counter.accumulatedTicks, 0u);
    EXPECT_FLOAT_EQ(counter.lastDurationMs, 0.0f);
}

TEST(ProfilerSections, BeginAndEndByLabel) {
    ResetProfilerSections();
    FakeClock clock(10);
    BeginProfilerSection("Geometry Setup");
    BeginProfilerSection("Texture Setup");
    clock.Advance(30);
    EndProfilerSection("Geometry Setup");
    clock.Advance(20);
    EndProfilerSection("Texture Setup");

    const zPerfCounter* geometry = GetProfilerSection("Geometry Setup");
    const zPerfCounter* texture = GetProfilerSection("Texture Setup");
    ASSERT_NE(geometry, nullptr);
    ASSERT_NE(texture, nullptr);
    EXPECT_FLOAT_EQ(geometry->lastDurationMs, 3.0f);
    EXPECT_FLOAT_EQ(texture->lastDurationMs, 5.0f);
    EXPECT_EQ(geometry->callCount, 1u);
    ResetProfilerSections();
}

TEST(ProfilerSections, EndingASectionThatIsNotOpenDoesNothing) {
    ResetProfilerSections();
    FakeClock clock;
    EndProfilerSection("Octree Leaf Setup");
    EndProfilerSection(nullptr);
    EXPECT_EQ(GetProfilerSection("Octree Leaf Setup"), nullptr);

    BeginProfilerSection("Octree Leaf Setup");
    clock.Advance(10);
    EndProfilerSection("Octree Leaf Setup");
    clock.Advance(10);
    EndProfilerSection("Octree Leaf Setup");
    const zPerfCounter* section = GetProfilerSection("Octree Leaf Setup");
    ASSERT_NE(section, nullptr);
    EXPECT_FLOAT_EQ(section->lastDurationMs, 1.0f);
    EXPECT_FLOAT_EQ(section->previousDurationMs, 0.0f);
    EXPECT_EQ(section->accumulatedTicks, 10u);
    ResetProfilerSections();
}
