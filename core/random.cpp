#include "core/random.h"

namespace {

struct RandomState {
    u32 s0 = 0xdeadbeefu;
    u32 s1 = 0x97ccd0adu;
    bool hasPrevious = false; // RandIntNoRepeat has produced a value
    u32 previous = 0;
};

RandomState g_random;

u32 Step() {
    g_random.s0 = (g_random.s0 << 16) + (g_random.s0 >> 16) + g_random.s1;
    g_random.s1 = g_random.s1 + g_random.s0;
    return g_random.s0;
}

} // namespace

void SeedRand(u32 seed) {
    g_random.s0 = 0xdeadbeefu;
    g_random.s1 = 0x97ccd0adu;
    for (u32 step = 0; step < (seed & 0x1fffu); ++step)
        Step();
}

u32 RandInt(u32 n) {
    if (n == 0) return 0;
    return Step() % n;
}

u32 Random(u32 n) {
    return RandInt(n);
}

f32 RandFloat(f32 scale) {
    f32 low = static_cast<f32>(Step() & 0xffffu);
    return low * scale / 65536.0f;
}

f32 RandRange(f32 lo, f32 hi) {
    f32 low = static_cast<f32>(Step() & 0xffffu);
    return lo + (hi - lo) * low / 65536.0f;
}

u32 RandIntNoRepeat(u32 n) {
    if (n == 0) return 0;
    u32 result = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        result = Step() % n;
        if (!g_random.hasPrevious || result != g_random.previous) break;
    }
    g_random.previous = result;
    g_random.hasPrevious = true;
    return result;
}
