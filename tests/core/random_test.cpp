#include <gtest/gtest.h>

#include <vector>

#include "core/random.h"

namespace {

TEST(Random, SequenceAfterSeedZero) {
    SeedRand(0);
    const u32 expected[] = {34, 63, 49};
    for (u32 value : expected)
        EXPECT_EQ(RandInt(100), value);
}

TEST(Random, FirstStepFromSeedZero) {
    // The first state word after SeedRand(0) is 0x56BCAF5A.
    SeedRand(0);
    EXPECT_EQ(RandInt(0xFFFFFFFFu), 0x56BCAF5Au);
    SeedRand(0);
    EXPECT_FLOAT_EQ(RandFloat(1.0f), 0xAF5A / 65536.0f);
    SeedRand(0);
    EXPECT_FLOAT_EQ(RandFloat(10.0f), 0xAF5A * 10.0f / 65536.0f);
    SeedRand(0);
    EXPECT_FLOAT_EQ(RandRange(-1.0f, 3.0f), -1.0f + 4.0f * 0xAF5A / 65536.0f);
}

std::vector<u32> Draw(u32 seed, int count) {
    SeedRand(seed);
    std::vector<u32> values;
    for (int i = 0; i < count; ++i)
        values.push_back(RandInt(1000));
    return values;
}

TEST(Random, SeedUsesLowThirteenBits) {
    EXPECT_EQ(Draw(0x2000, 8), Draw(0, 8));
    EXPECT_EQ(Draw(0x12345, 8), Draw(0x0345, 8));
    EXPECT_NE(Draw(1, 8), Draw(0, 8));
    // Seed n is seed 0 advanced n steps.
    std::vector<u32> fromZero = Draw(0, 8);
    std::vector<u32> fromThree = Draw(3, 5);
    EXPECT_EQ(fromThree, std::vector<u32>(fromZero.begin() + 3, fromZero.end()));
}

TEST(Random, ZeroRangeDoesNotStep) {
    SeedRand(0);
    EXPECT_EQ(RandInt(0), 0u);
    EXPECT_EQ(RandIntNoRepeat(0), 0u);
    EXPECT_EQ(RandInt(100), 34u);
}

TEST(Random, RandomSharesTheGenerator) {
    SeedRand(0);
    EXPECT_EQ(Random(100), 34u);
    EXPECT_EQ(RandInt(100), 63u);
    EXPECT_EQ(Random(100), 49u);
    EXPECT_EQ(Random(0), 0u);
}

TEST(Random, FloatsStayInRange) {
    SeedRand(99);
    for (int i = 0; i < 2000; ++i) {
        float f = RandFloat(2.0f);
        EXPECT_GE(f, 0.0f);
        EXPECT_LT(f, 2.0f);
        float r = RandRange(-5.0f, -4.0f);
        EXPECT_GE(r, -5.0f);
        EXPECT_LT(r, -4.0f);
    }
}

TEST(Random, NoRepeatAvoidsThePreviousResult) {
    SeedRand(5);
    u32 previous = RandIntNoRepeat(1000);
    for (int i = 0; i < 500; ++i) {
        u32 value = RandIntNoRepeat(1000);
        EXPECT_NE(value, previous);
        EXPECT_LT(value, 1000u);
        previous = value;
    }
    // With one possible value it gives up after four steps.
    RandIntNoRepeat(1); // the previous result is now 0
    SeedRand(0);
    EXPECT_EQ(RandIntNoRepeat(1), 0u);
    std::vector<u32> sequence = Draw(0, 6);
    SeedRand(0);
    RandIntNoRepeat(1);
    EXPECT_EQ(RandInt(1000), sequence[4]);
}

} // namespace
