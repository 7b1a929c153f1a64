// The Sound group: the duration of a loaded sound (kind 33).
#include "audio/sound.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"

namespace {

// Milliseconds, the fraction dropped; computed in 64 bits so that long
// sounds do not wrap, and 0 for a sound without a sample rate.
SQInteger SoundGetDuration(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSound* sound = args.Object<zSound>(1, ScriptKindSound);
    if (!args) return args.Fail();
    if (sound->sampleRate == 0) return args.Return(SQInteger(0));
    return args.Return(SQInteger(u64(sound->frameCount) * 1000u / sound->sampleRate));
}

const ScriptNative g_soundNatives[] = {
    {"SoundGetDuration", ".x", SoundGetDuration},
};

} // namespace

bool RegisterSoundScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_soundNatives);
}
