// System natives: clock, sleep, random numbers, platform, locale, file caching.
#include <gtest/gtest.h>

#include <chrono>

#include "core/clock.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

using SystemApi = ScriptApiFixture;

u64 g_fakeTicks = 0;
u64 FakeClock() {
    return g_fakeTicks;
}

TEST_F(SystemApi, ClockIsInTicksOfATenThousandthOfASecond) {
    const ScriptRow constants[] = {
        {"print(SystemGetClockFrequency())", "10000"},
        {"print(SystemGetClockFrequency() == SystemClockFrequency)", "true"},
    };
    ExpectScripts(constants);

    SetClockSource(&FakeClock);
    g_fakeTicks = 123456;
    EXPECT_EQ(Printed("print(SystemGetClock())"), "123456");
    // The engine clock wraps at 32 bits; scripts get the low word.
    g_fakeTicks = (u64(1) << 32) + 7;
    EXPECT_EQ(Printed("print(SystemGetClock())"), "7");
    SetClockSource(nullptr);

    // Two readings 100 ms apart differ by about 1000.
    EXPECT_EQ(Printed("local t = SystemGetClock(); SystemSleep(100); local d = SystemGetClock() - t;"
                      "print(d >= 950 && d < 3000)"),
              "true");
}

TEST_F(SystemApi, NegativeSleepReturnsAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Printed("SystemSleep(-1); SystemSleep(-2147483647); SystemSleep(0); print(\"awake\")"), "awake");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(SystemApi, RandomNumbersFollowTheSeed) {
    const ScriptRow rows[] = {
        {"print(SystemRand(0))", "0"},
        {"local ok = true; for (local i = 0; i < 500; ++i) { local r = SystemRand(6); ok = ok && r >= 0 && r < 6 }"
         "print(ok)",
         "true"},
        {"local seen = {}; for (local i = 0; i < 500; ++i) seen[SystemRand(6)] <- true; print(seen.len())", "6"},
        {"SystemSeedRand(77); local a = [SystemRand(1000), SystemRand(1000), SystemRand(5)];"
         "SystemSeedRand(77); local b = [SystemRand(1000), SystemRand(1000), SystemRand(5)];"
         "print(a[0] == b[0] && a[1] == b[1] && a[2] == b[2])",
         "true"},
        {"SystemSeedRand(1); local a = SystemRand(100000); SystemSeedRand(2); print(a != SystemRand(100000))", "true"},
        // Numbers are read as integers: 6.9 is 6, a seed of 77.5 is 77.
        {"SystemSeedRand(77); local a = SystemRand(6); SystemSeedRand(77.5); print(a == SystemRand(6.9))", "true"},
        {"SystemRand(\"6\")", "error: parameter 1 has an invalid type 'string' ; expected: 'integer|float'"},
        {"SystemRand()", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(SystemApi, PlatformAndLocaleKeepTheirNames) {
    const ScriptRow rows[] = {
        {"print(SystemGetPlatform())", "Win32"},
        {"print(SystemGetLocale())", "EN"},
        {"SystemGetPlatform(1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(SystemApi, CacheFileLoadsAFileOnce) {
    WriteFile("system_cache_probe.txt", "cached bytes");
    WriteFile("system_cache_empty.txt", "");
    const ScriptRow rows[] = {
        {"print(SystemCacheFile(\"system_cache_probe.txt\"))", "true"},
        {"print(SystemCacheFile(\"system_cache_probe.txt\"))", "false"},
        {"print(SystemCacheFile(\"system_cache_missing.txt\"))", "false"},
        {"print(SystemCacheFile(\"system_cache_empty.txt\"))", "false"},
        {"SystemCacheFile(1)", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
    };
    ExpectScripts(rows);
    // The cached copy answers after the file is gone.
    std::filesystem::remove(Folder() / "system_cache_probe.txt");
    EXPECT_EQ(Printed("print(FileExists(\"system_cache_probe.txt\"))"), "true");
}

} // namespace
