#include "platform/os_clock.h"

#include <gtest/gtest.h>

namespace {

std::uint64_t g_fakeTicks = 0;
std::uint64_t FakeTicks() { return g_fakeTicks; }

struct FakeClock {
    FakeClock() { OsSetClockSource(&FakeTicks); }
    ~FakeClock() { OsSetClockSource(nullptr); }
};

}  // namespace

TEST(OsClock, ReturnsTheLow32BitsOfTheSource) {
    FakeClock fake;
    struct Case {
        std::uint64_t ticks;
        std::uint32_t clock;
    };
    const Case cases[] = {
        {0, 0},
        {12345, 12345},
        {0xFFFFFFFFull, 0xFFFFFFFFu},
        {0x100000000ull, 0},
        {0x100000100ull, 0x100},
    };
    for (const Case& c : cases) {
        g_fakeTicks = c.ticks;
        EXPECT_EQ(OsGetClock(), c.clock) << c.ticks;
    }
}

TEST(OsClock, WrappedDifferenceIsTheElapsedTime) {
    FakeClock fake;
    g_fakeTicks = 0xFFFFFF00u;
    std::uint32_t start = OsGetClock();
    g_fakeTicks = 0x100000100ull;
    EXPECT_EQ(static_cast<std::uint32_t>(OsGetClock() - start), 0x200u);
}

TEST(OsClock, NullSourceRestoresTheMonotonicClock) {
    {
        FakeClock fake;
        g_fakeTicks = 5;
        EXPECT_EQ(OsGetClock(), 5u);
    }
    std::uint64_t before = OsMonotonicTicks();
    std::uint32_t clock = OsGetClock();
    std::uint64_t after = OsMonotonicTicks();
    EXPECT_LE(static_cast<std::uint32_t>(clock - static_cast<std::uint32_t>(before)),
              static_cast<std::uint32_t>(after - before));
}

TEST(OsClock, SleepAdvancesTheMonotonicClockInTenthsOfMilliseconds) {
    std::uint64_t before = OsMonotonicTicks();
    OsSleepMilliseconds(30);
    std::uint64_t elapsed = OsMonotonicTicks() - before;
    EXPECT_GE(elapsed, 290u);   // 30 ms = 300 ticks, one tick of rounding
    EXPECT_LT(elapsed, 30000u); // and far less than 3 s
}
