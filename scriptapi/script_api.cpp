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
    {"Engine", nullptr},
    {"Renderer and Writer", nullptr},
    {"Mixer", nullptr},
    {"Scene", RegisterSceneScriptApi},
    {"Instance", nullptr},
    {"Group", nullptr},
    {"Camera", nullptr},
    {"Object", nullptr},
    {"Material", nullptr},
    {"Light", nullptr},
    {"Item", RegisterItemScriptApi},
    {"Motion", nullptr},
    {"Collision shape", nullptr},
    {"Constraint", nullptr},
    {"Picture", nullptr},
    {"Texture", nullptr},
    {"Sound", nullptr},
    {"Geometry", nullptr},
    {"Input devices", RegisterInputScriptApi},
    {"UI", RegisterUIScriptApi},
    {"Threaded loading", nullptr},
    {"Metafile and Metatag", nullptr},
    {"Raytracer", nullptr},
    {"Project", nullptr},
    {"Trigger", nullptr},
    {"Emitter", nullptr},
};

} // namespace

const ScriptApiGroup* ScriptApiGroups(int& count) {
    count = int(sizeof(g_groups) / sizeof(g_groups[0]));
    return g_groups;
}

bool RegisterScriptApi(HSQUIRRELVM vm) {
    if (!vm) return false;
    bool ok = RegisterCoreScriptApi(vm);
    for (const ScriptApiGroup& group : g_groups) {
        if (group.registrar) ok = group.registrar(vm) && ok;
    }
    return RegisterValueClasses(vm) && ok;
}
