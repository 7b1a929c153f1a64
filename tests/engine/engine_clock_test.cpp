#include <gtest/gtest.h>

#include "engine/engine.h"
#include "tests/support/fake_clock.h"
#include "tests/support/log_capture.h"

namespace {

// Two steps raw ticks apart, the first of which only takes the reading.
i32 FrameTimeAfter(zEngine& engine, FakeClock& clock, u64 raw) {
    engine.StepClock();
    clock.Advance(raw);
    engine.StepClock();
    return engine.GetFrameTime();
}

} // namespace

struct ClockCase {
    const char* what;
    i32 scale;
    u64 raw;
    i32 expectedFrameTime;
    i32 expectedRawTime;
};

TEST(EngineClock, ScaledStepTable) {
    const ClockCase cases[] = {
        {"unity", 1000, 200, 200, 200},
        {"scale 500 halves", 500, 200, 100, 200},
        {"scale 0 stops engine time", 0, 200, 0, 200},
        {"scale 2000 doubles", 2000, 333, 666, 333},
        {"negative scale gives 0", -1000, 200, 0, 200},
    };
    for (const auto& c : cases) {
        FakeClock clock(5000);
        zEngine engine;
        engine.SetScale(c.scale);
        EXPECT_EQ(FrameTimeAfter(engine, clock, c.raw), c.expectedFrameTime) << c.what;
        EXPECT_EQ(engine.GetRawFrameTime(), c.expectedRawTime) << c.what;
    }
}

TEST(EngineClock, FirstStepAfterConstructionGivesZero) {
    FakeClock clock(123456);
    zEngine engine;
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 0);
    EXPECT_EQ(engine.GetRawFrameTime(), 0);
    EXPECT_EQ(engine.GetClock(), 0u);
    clock.Advance(100);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 100);
    EXPECT_EQ(engine.GetClock(), 100u);
    EXPECT_FLOAT_EQ(engine.GetFrameTimeSeconds(), 0.01f);
    EXPECT_FLOAT_EQ(engine.GetRawFrameTimeSeconds(), 0.01f);
}

TEST(EngineClock, PauseGivesZeroAndTheFirstStepAfterItToo) {
    FakeClock clock(1000);
    zEngine engine;
    FrameTimeAfter(engine, clock, 50);
    engine.SetPaused(true);
    clock.Advance(50);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 0);
    EXPECT_EQ(engine.GetLastReading(), 0u);
    engine.SetPaused(false);
    clock.Advance(50);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 0);
    clock.Advance(70);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 70);
    EXPECT_EQ(engine.GetClock(), 120u);
}

TEST(EngineClock, ReadingThatWrappedGivesTheRightRawTime) {
    FakeClock clock(0xFFFFFF00ull);
    zEngine engine;
    EXPECT_EQ(FrameTimeAfter(engine, clock, 0x200), 0x200);
    EXPECT_EQ(engine.GetRawFrameTime(), 0x200);
}

// Raw time times scale passed 32 bits and the correction's nanoseconds passed
// them too.
TEST(EngineClock, LargeValuesSaturateInsteadOfOverflowing) {
    {
        FakeClock clock(1);
        zEngine engine;
        engine.SetScale(2000000000);
        engine.StepClock();
        clock.Advance(0xFFFFFFF0ull);
        engine.StepClock();
        EXPECT_EQ(engine.GetFrameTime(), 2147483647);
        EXPECT_EQ(engine.GetRawFrameTime(), 2147483647);
    }
    {
        FakeClock clock(1);
        LogCapture log;
        zEngine engine;
        engine.SetFixedStep(2000000000);
        engine.SetScale(2000000000);
        engine.SetTargetRate(1);
        for (int i = 0; i < 3; ++i) {
            clock.Advance(1);
            engine.StepClock();
        }
        EXPECT_EQ(engine.GetFrameTime(), 2147483647);
        EXPECT_EQ(engine.GetCorrectionAccumulator(), -2147483647 - 1);
    }
}

TEST(EngineClock, FixedStepCorrectionAppliesOnTheRightFrames) {
    FakeClock clock(1000);
    LogCapture log;
    zEngine engine;
    engine.SetFixedStep(166);
    engine.SetTargetRate(60);
    std::vector<int> corrected;
    for (int frame = 1; frame <= 9; ++frame) {
        log.Reset();
        clock.Advance(166);
        engine.StepClock();
        const bool applied = log.Text() == "Applying clock correction of 1 units.\n";
        EXPECT_TRUE(applied || log.Text().empty()) << log.Text();
        if (applied) corrected.push_back(frame);
        if (frame > 1) {
            EXPECT_EQ(engine.GetFrameTime(), applied ? 167 : 166) << "frame " << frame;
        }
    }
    EXPECT_EQ(corrected, (std::vector<int>{2, 4, 5, 7, 8}));
}

TEST(EngineClock, FixedStepIgnoresTheRealTime) {
    FakeClock clock(1000);
    zEngine engine;
    engine.SetFixedStep(100);
    engine.SetScale(500);
    EXPECT_EQ(FrameTimeAfter(engine, clock, 9999), 50);
    EXPECT_EQ(engine.GetRawFrameTime(), 9999);
}

TEST(EngineClock, ResetAndSyncTakeTheReading) {
    FakeClock clock(4000);
    zEngine engine;
    engine.ResetClock();
    EXPECT_EQ(engine.GetLastReading(), 4000u);
    EXPECT_EQ(engine.GetFrameTime(), 166);
    clock.Advance(30);
    engine.SyncClock();
    EXPECT_EQ(engine.GetLastReading(), 4030u);
    clock.Advance(20);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 20);
}

// Setting the rate empties the accumulator; setting a fixed delta also turns
// the correction off.
TEST(EngineClock, FixedDeltaAndCorrectionSettersResetTheAccumulator) {
    FakeClock clock(1000);
    LogCapture log;
    zEngine engine;
    engine.SetFixedDeltaFrame(166);
    engine.SetFixedFramerateCorrection(60);
    clock.Advance(166);
    engine.StepClock();
    ASSERT_EQ(engine.GetCorrectionAccumulator(), 66666);
    engine.SetFixedFramerateCorrection(30);
    EXPECT_EQ(engine.GetTargetRate(), 30);
    EXPECT_EQ(engine.GetCorrectionAccumulator(), 0);
    clock.Advance(166);
    engine.StepClock();
    ASSERT_NE(engine.GetCorrectionAccumulator(), 0);
    engine.SetFixedDeltaFrame(200);
    EXPECT_EQ(engine.GetFixedStep(), 200);
    EXPECT_EQ(engine.GetTargetRate(), -1);
    EXPECT_EQ(engine.GetCorrectionAccumulator(), 0);
    log.Reset();
    clock.Advance(5);
    engine.StepClock();
    EXPECT_EQ(engine.GetFrameTime(), 200);
    EXPECT_EQ(log.Text(), "");
}
