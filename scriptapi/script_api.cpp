#include "scriptapi/script_api.h"

#include "script/script_api.h"
#include "script/value_classes.h"
#include "scriptapi/script_api_groups.h"

namespace {

const ScriptApiGroup g_groups[] = {
    {"Math", RegisterMathScriptApi},
    {"AnimationSource", RegisterAnimationSourceScriptApi},
    {"AI path", RegisterAIPathScriptApi},
    {"System", RegisterSystemScriptApi},
    {"Engine", RegisterEngineScriptApi},
    {"Renderer and Writer", RegisterRendererScriptApi},
    {"Mixer", RegisterMixerScriptApi},
    {"Scene", RegisterSceneScriptApi},
    {"Instance", RegisterInstanceScriptApi},
    {"Group", RegisterGroupScriptApi},
    {"Camera", RegisterCameraScriptApi},
    {"Object", RegisterObjectScriptApi},
    {"Material", RegisterMaterialScriptApi},
    {"Light", RegisterLightScriptApi},
    {"Item", RegisterItemScriptApi},
    {"Motion", RegisterMotionScriptApi},
    {"Collision shape", RegisterCollisionShapeScriptApi},
    {"Constraint", RegisterConstraintScriptApi},
    {"Picture", RegisterPictureScriptApi},
    {"Texture", RegisterTextureScriptApi},
    {"Sound", RegisterSoundScriptApi},
    {"Geometry", RegisterGeometryScriptApi},
    {"Input devices", RegisterInputScriptApi},
    {"UI", RegisterUIScriptApi},
    {"Threaded loading", RegisterThreadedScriptApi},
    {"Metafile and Metatag", RegisterMetafileScriptApi},
    {"Raytracer", RegisterRaytracerScriptApi},
    {"Project", RegisterProjectScriptApi},
    {"Trigger", RegisterTriggerScriptApi},
    {"Emitter", RegisterEmitterScriptApi},
};

} // namespace

const ScriptApiGroup* ScriptApiGroups(int& count) {
    count = int(sizeof(g_groups) / sizeof(g_groups[0]));
    return g_groups;
}

bool RegisterScriptApi(HSQUIRRELVM vm) {
    if (!vm) return false;
    bool ok = RegisterCoreScriptApi(vm);
    ok = RegisterCObjectMethods(vm) && ok;
    for (const ScriptApiGroup& group : g_groups) {
        if (group.registrar) ok = group.registrar(vm) && ok;
    }
    return RegisterValueClasses(vm) && ok;
}
