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

SQInteger AnimationSourceGetClock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(sources->GetClock()));
}

// The setters taking one number, or two, after the list.
SQInteger SetOnSources(HSQUIRRELVM vm, void (zAnimationSourceList::*set)(f32)) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    (sources->*set)(value);
    return args.None();
}

SQInteger SetOnSources(HSQUIRRELVM vm, void (zAnimationSourceList::*set)(f32, f32)) {
    ScriptArgs args(vm);
    zAnimationSourceList* sources = Sources(args);
    const SQFloat first = args.Number(2);
    const SQFloat second = args.Number(3);
    if (!args) return args.Fail();
    (sources->*set)(first, second);
    return args.None();
}

SQInteger AnimationSourceSetLoop(HSQUIRRELVM vm) {
    return SetOnSources(vm, &zAnimationSourceList::SetLoop);
}

SQInteger AnimationSourceSetClock(HSQUIRRELVM vm) {
    return SetOnSources(vm, &zAnimationSourceList::SetClock);
}

SQInteger AnimationSourceSetClockScale(HSQUIRRELVM vm) {
    return SetOnSources(vm, &zAnimationSourceList::SetClockScale);
}

SQInteger AnimationSourceSetWeight(HSQUIRRELVM vm) {
    return SetOnSources(vm, &zAnimationSourceList::SetWeight);
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
