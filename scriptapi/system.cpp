// System: the engine clock, sleeping, the engine's random generator, the
// platform and locale names and file caching.
#include "core/clock.h"
#include "core/platform_info.h"
#include "core/random.h"
#include "io/file_road.h"
#include "script/script_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

SQInteger SystemCacheFile(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* path = args.String(1);
    if (!args) return args.Fail();
    return args.Return(FileSystemCacheFile(path));
}

// A negative time sleeps not at all (as unsigned it would be weeks).
SQInteger SystemSleep(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger milliseconds = args.Integer(1);
    if (!args) return args.Fail();
    SleepMilliseconds(milliseconds > 0 ? u32(milliseconds) : 0u);
    return args.None();
}

SQInteger SystemGetClock(HSQUIRRELVM vm) {
    return ScriptArgs(vm).Return(GetClock());
}

SQInteger SystemGetClockFrequency(HSQUIRRELVM vm) {
    return ScriptArgs(vm).Return(ClockTicksPerSecond);
}

SQInteger SystemGetLocale(HSQUIRRELVM vm) {
    return ScriptArgs(vm).Return(GetLocaleName());
}

SQInteger SystemGetPlatform(HSQUIRRELVM vm) {
    return ScriptArgs(vm).Return(GetPlatformName());
}

SQInteger SystemRand(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger range = args.Integer(1);
    if (!args) return args.Fail();
    return args.Return(RandInt(u32(range)));
}

SQInteger SystemSeedRand(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger seed = args.Integer(1);
    if (!args) return args.Fail();
    SeedRand(u32(seed));
    return args.None();
}

const ScriptNative g_systemNatives[] = {
    {"SystemCacheFile", ".s", SystemCacheFile},
    {"SystemSleep", ".i", SystemSleep},
    {"SystemGetClock", ".", SystemGetClock},
    {"SystemGetClockFrequency", ".", SystemGetClockFrequency},
    {"SystemGetLocale", ".", SystemGetLocale},
    {"SystemGetPlatform", ".", SystemGetPlatform},
    {"SystemRand", ".n", SystemRand},
    {"SystemSeedRand", ".n", SystemSeedRand},
};

} // namespace

bool RegisterSystemScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_systemNatives);
}
