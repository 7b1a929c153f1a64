// AnimationSource: the lists of animation sources (kind 46) that starting a
// motion hands to scripts; each operation applies to every source of a list.
#include "render/curve.h"
#include "scene/animation.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"

namespace {

zAnimationSourceList* Sources(ScriptArgs& args) {
    return args.Object<zAnimationSourceList>(1, ScriptKindAnimationSource);
}

SQInteger AnimationSourceSetLoopMode(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQInteger mode = args.Integer(2);
    if (!args) return args.Fail();
    sources->SetLoopMode(i32(mode));
    return args.None();
}

SQInteger AnimationSourceSetLoop(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat start = args.Number(2);
    const SQFloat end = args.Number(3);
    if (!args) return args.Fail();
    sources->SetLoop(start, end);
    return args.None();
}

SQInteger AnimationSourceGetClock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(sources->GetClock()));
}

SQInteger AnimationSourceSetClock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat clock = args.Number(2);
    if (!args) return args.Fail();
    sources->SetClock(clock);
    return args.None();
}

SQInteger AnimationSourceSetClockScale(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat scale = args.Number(2);
    if (!args) return args.Fail();
    sources->SetClockScale(scale);
    return args.None();
}

SQInteger AnimationSourceSetWeight(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat weight = args.Number(2);
    const SQFloat fadeTime = args.Number(3);
    if (!args) return args.Fail();
    sources->SetWeight(weight, fadeTime);
    return args.None();
}

const ScriptNative g_animationSourceNatives[] = {
    {"AnimationSourceSetLoopMode", ".xi", AnimationSourceSetLoopMode},
    {"AnimationSourceSetLoop", ".xnn", AnimationSourceSetLoop},
    {"AnimationSourceGetClock", ".x", AnimationSourceGetClock},
    {"AnimationSourceSetClock", ".xn", AnimationSourceSetClock},
    {"AnimationSourceSetClockScale", ".xn", AnimationSourceSetClockScale},
    {"AnimationSourceSetWeight", ".xnn", AnimationSourceSetWeight},
};

const ScriptIntConstant g_loopModeConstants[] = {
    {"AnimationRepeat", LoopModeRepeat},
    {"AnimationReset", LoopModeReset},
    {"AnimationOffsetRepeat", LoopModeOffsetRepeat},
    {"AnimationOscillate", LoopModeOscillate},
};

} // namespace

bool RegisterAnimationSourceScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_animationSourceNatives);
    return RegisterScriptConstants(vm, g_loopModeConstants) && natives;
}
