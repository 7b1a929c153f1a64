// The Project group: the project script builds and drives its stack of
// scenes and layers, and ends the run. The project is reached through
// zProjectHost (see project_host.h for what each handle kind holds).
//
// Scenes made by ProjectNewScene / ProjectNewScene2D are not on the stack:
// their handle owns a reference and drops it with its last script reference
// (shared_handles.h).
#include "engine/engine.h"
#include "render/renderer.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/script_unit.h"
#include "scriptapi/project_host.h"
#include "scriptapi/script_api_groups.h"
#include "scriptapi/script_units.h"
#include "scriptapi/shared_handles.h"
#include "ui/scene2d.h"

namespace {

zProjectHost* ProjectArgument(ScriptArgs& args) {
    return args.Object<zProjectHost>(1, ScriptKindProject);
}

zProjectSceneInstance* SceneInstanceArgument(ScriptArgs& args, int position) {
    return args.Object<zProjectSceneInstance>(position, ScriptKindProjectScene);
}

zProjectLayer* LayerArgument(ScriptArgs& args) {
    return args.Object<zProjectLayer>(1, ScriptKindProjectLayer);
}

SQInteger GetScriptInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    if (!args) return args.Fail();
    if (!project->GetScriptUnit().HasInstance()) {
        sq_pushnull(vm);
        return 1;
    }
    return ReturnUnitInstance(args, project->GetScriptUnit());
}

// The natives that take the project alone and return nothing.
template <void (*Operation)(zProjectHost&)> SQInteger ProjectNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    if (!args) return args.Fail();
    Operation(*project);
    return args.None();
}

void UpdateClock(zProjectHost& project) {
    project.UpdateScriptClock();
}

void End(zProjectHost& project) {
    project.RequestEnd();
}

// Only the outermost call renders: the project's OnRender may call
// ProjectRender, which would otherwise render again without end.
void RenderFrame(zProjectHost& project) {
    static bool rendering = false;
    zEngine* engine = project.GetEngine();
    if (rendering || !engine) return;
    rendering = true;
    engine->BeginDraw(true, true);
    project.Render(ProjectRenderNoScripts);
    engine->EndDraw(false, false, true);
    if (zRenderer* renderer = engine->GetRenderer()) renderer->ShowFrame();
    rendering = false;
}

SQInteger LayerGetScene(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectLayer* layer = LayerArgument(args);
    if (!args) return args.Fail();
    return args.ReturnObject(layer->instance, ScriptKindProjectScene);
}

SQInteger AddLayer(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 2);
    const f32 z = args.Number(3);
    if (!args) return args.Fail();
    return args.ReturnObject(project->AddLayer(instance, z), ScriptKindProjectLayer);
}

SQInteger LayerSetZOrder(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectLayer* layer = LayerArgument(args);
    const f32 z = args.Number(2);
    if (!args) return args.Fail();
    layer->z = z;
    return args.None();
}

SQInteger LayerGetZOrder(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectLayer* layer = LayerArgument(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(layer->z));
}

SQInteger SetAll2DLayerOffset(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    const f32 x = args.Number(2);
    const f32 y = args.Number(3);
    if (!args) return args.Fail();
    for (auto* node = project->GetLayers().GetHead(); node; node = node->next) {
        zProjectLayer& layer = *node->value;
        if (!layer.instance || layer.instance->kind != zProjectSceneInstance::KindScene2D) continue;
        layer.offset2D[0] = x;
        layer.offset2D[1] = y;
    }
    return args.None();
}

SQInteger NewScene(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    if (!args) return args.Fail();
    return ReturnSharedHandle(args, project->NewScene().Get(), ScriptKindScene);
}

SQInteger NewScene2D(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    if (!args) return args.Fail();
    return ReturnSharedHandle(args, project->NewScene2D().Get(), ScriptKindWindowSystem);
}

// The natives that give the project a path or a name and return the
// instance it answers (an empty handle for none).
template <zProjectSceneInstance* (*Operation)(zProjectHost&, const char*)> SQInteger ScenePathNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    const char* text = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(Operation(*project, text), ScriptKindProjectScene);
}

zProjectSceneInstance* FindScene(zProjectHost& project, const char* name) {
    return project.FindScene(name);
}

zProjectSceneInstance* InstantiateScene(zProjectHost& project, const char* path) {
    return project.Instantiate(path);
}

SQInteger GetSceneLayerList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 2);
    if (!args) return args.Fail();
    sq_newarray(vm, 0);
    for (auto* node = project->GetLayers().GetHead(); node; node = node->next) {
        if (node->value->instance != instance) continue;
        if (PushScriptObject(vm, node->value.get(), ScriptKindProjectLayer, false)) sq_arrayappend(vm, -2);
    }
    return 1;
}

SQInteger SceneIsActive(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    ProjectArgument(args);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 2);
    if (!args) return args.Fail();
    return args.Return(instance->active != 0);
}

SQInteger SceneActivate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 2);
    const bool active = args.Bool(3);
    if (!args) return args.Fail();
    project->ActivateScene(instance, active);
    return args.None();
}

SQInteger SceneSetGlobal(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 1);
    if (!args) return args.Fail();
    if (instance->kind == zProjectSceneInstance::KindScene && instance->scene.Get())
        instance->scene->SetScriptGlobals(nullptr);
    return args.None();
}

SQInteger UnloadScene(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectHost* project = ProjectArgument(args);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 2);
    if (!args) return args.Fail();
    project->Unload(instance);
    return args.None();
}

SQInteger SceneGetType(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectSceneInstance* instance = args.ObjectOrNull<zProjectSceneInstance>(1, ScriptKindProjectScene);
    if (!args) return args.Fail();
    return args.Return(SQInteger(instance ? instance->kind : zProjectSceneInstance::KindEmpty));
}

SQInteger SceneGetInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 1);
    if (!args) return args.Fail();
    const bool is3D = instance->kind == zProjectSceneInstance::KindScene;
    return args.ReturnObject(is3D ? instance->scene.Get() : nullptr, ScriptKindScene);
}

// The units of the instance's scene: the 3D scene's list, or the 2D scene,
// which is its own one unit.
const zScriptUnit* FirstUnit(const zProjectSceneInstance& instance) {
    if (instance.kind == zProjectSceneInstance::KindScene && instance.scene.Get()) {
        auto* head = instance.scene->GetScriptUnits().GetHead();
        return head ? head->value.get() : nullptr;
    }
    if (instance.kind == zProjectSceneInstance::KindScene2D) return instance.scene2D.Get();
    return nullptr;
}

const zScriptUnit* UnitOfClass(const zProjectSceneInstance& instance, const char* className) {
    if (instance.kind == zProjectSceneInstance::KindScene && instance.scene.Get())
        return FindUnitOfClass(*instance.scene, className);
    const zScriptUnit* unit = FirstUnit(instance);
    return unit && unit->GetClassName() == className ? unit : nullptr;
}

SQInteger SceneGetScriptInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 1);
    if (!args) return args.Fail();
    const zScriptUnit* unit = FirstUnit(*instance);
    if (!unit) return args.Error("No script unit");
    return ReturnUnitInstance(args, *unit);
}

SQInteger SceneGetScriptInstanceFromClass(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zProjectSceneInstance* instance = SceneInstanceArgument(args, 1);
    const char* className = args.String(2);
    if (!args) return args.Fail();
    const zScriptUnit* unit = UnitOfClass(*instance, className);
    if (!unit) return args.Error("Script unit not found");
    return ReturnUnitInstance(args, *unit);
}

const ScriptNative g_projectNatives[] = {
    {"ProjectGetScriptInstance", ".x", GetScriptInstance},
    {"ProjectUpdateScriptClock", ".x", ProjectNative<UpdateClock>},
    {"ProjectEnd", ".x", ProjectNative<End>},
    {"ProjectLayerGetScene", ".x", LayerGetScene},
    {"ProjectAddLayer", ".xxn", AddLayer},
    {"ProjectLayerSetZOrder", ".xn", LayerSetZOrder},
    {"ProjectLayerGetZOrder", ".x", LayerGetZOrder},
    {"ProjectSetAll2DLayerOffset", ".xnn", SetAll2DLayerOffset},
    {"ProjectNewScene", ".x", NewScene},
    {"ProjectNewScene3D", ".x", NewScene},
    {"ProjectNewScene2D", ".x", NewScene2D},
    {"ProjectFindScene", ".xs", ScenePathNative<FindScene>},
    {"ProjectGetSceneLayerList", ".xx", GetSceneLayerList},
    {"ProjectSceneIsActive", ".xx", SceneIsActive},
    {"ProjectIsSceneActive", ".xx", SceneIsActive},
    {"ProjectSceneActivate", ".xxb", SceneActivate},
    {"ProjectActivateScene", ".xxb", SceneActivate},
    {"ProjectInstantiateScene", ".xs", ScenePathNative<InstantiateScene>},
    {"ProjectSceneSetGlobal", ".x", SceneSetGlobal},
    {"ProjectUnloadScene", ".xx", UnloadScene},
    {"ProjectSceneGetType", ".x", SceneGetType},
    {"ProjectSceneGetInstance", ".x", SceneGetInstance},
    {"ProjectSceneGetScriptInstance", ".x", SceneGetScriptInstance},
    {"ProjectSceneGetScriptInstanceFromClass", ".xs", SceneGetScriptInstanceFromClass},
    {"ProjectRender", ".x", ProjectNative<RenderFrame>},
};

} // namespace

bool RegisterProjectScriptApi(HSQUIRRELVM vm) {
    SetScriptObjectDestroyer(ScriptKindScene, ReleaseSharedHandle<zScene>);
    SetScriptObjectDestroyer(ScriptKindWindowSystem, ReleaseSharedHandle<zScene2D>);
    return RegisterScriptNatives(vm, g_projectNatives);
}
