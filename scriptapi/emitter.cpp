// The Emitter group: scripts give an emitter (kind 29) its particle model and
// scale its births. A birth-rate scale of 0 stops new particles; the scales
// of size, speed and opacity apply to the particles born after the call.
#include "engine/engine.h"
#include "scene/managed_emitter.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/item_natives.h"
#include "scriptapi/script_api_groups.h"

namespace {

zMEmitter* EmitterArgument(ScriptArgs& args) {
    return ManagedArgument<zMEmitter>(args, 1, ScriptKindEmitter);
}

// Loaded through the engine's cache; a model that cannot be loaded leaves
// the emitter without one, and it stops simulating.
SQInteger EmitterSetParticleModel(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMEmitter* emitter = EmitterArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    zEngine* engine = emitter->GetEngine();
    emitter->SetParticleModel(engine ? engine->LoadParticleModel(path, false) : nullptr);
    return args.None();
}

template <f32 zEmitter::*Scale> void StoreScale(zMEmitter& emitter, f32 value) {
    emitter.*Scale = value;
}

using EmitterNatives = ItemNatives<zMEmitter, EmitterArgument>;

const ScriptNative g_emitterNatives[] = {
    {"EmitterSetParticleModel", ".xs", EmitterSetParticleModel},
    {"EmitterSetBirthRateScale", ".xn", EmitterNatives::SetNumber<StoreScale<&zEmitter::emissionScale>>},
    {"EmitterSetBirthSizeScale", ".xn", EmitterNatives::SetNumber<StoreScale<&zEmitter::sizeScale>>},
    {"EmitterSetBirthSpeedScale", ".xn", EmitterNatives::SetNumber<StoreScale<&zEmitter::speedScale>>},
    {"EmitterSetBirthOpacityScale", ".xn", EmitterNatives::SetNumber<StoreScale<&zEmitter::opacityScale>>},
};

} // namespace

bool RegisterEmitterScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_emitterNatives);
}
