// AI path: the paths of a scene (kind 32) and their motion, matrix and
// position queries.
#include "scene/ai_path.h"

#include "scene/scene.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

SQInteger SceneLoadAIPath(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    const char* file = args.String(2);
    if (!args) return args.Fail();
    if (scene) scene->LoadAIPath(file);
    return args.None();
}

SQInteger SceneFindAIPath(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.ObjectOrNull<zScene>(1, ScriptKindScene);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(scene ? scene->FindAIPath(name) : nullptr, ScriptKindPath);
}

SQInteger AIPathGetMotion(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAIPath* path = args.Object<zAIPath>(1, ScriptKindPath);
    if (!args) return args.Fail();
    return args.ReturnObject(&path->GetMotion(), ScriptKindMotion);
}

SQInteger AIPathGetMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAIPath* path = args.Object<zAIPath>(1, ScriptKindPath);
    if (!args) return args.Fail();
    return ReturnMatrix4(args, *path->GetMatrix());
}

SQInteger AIPathSetMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAIPath* path = args.Object<zAIPath>(1, ScriptKindPath);
    zMatrix4 matrix;
    if (!ReadMatrix4Argument(args, 2, matrix)) return args.Fail();
    *path->GetMatrix() = matrix;
    return args.None();
}

SQInteger AIPathGetPosition(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zAIPath* path = args.Object<zAIPath>(1, ScriptKindPath);
    const SQFloat time = args.Number(2);
    if (!args) return args.Fail();
    zVector position(0.0f, 0.0f, 0.0f, 1.0f);
    path->GetPosition(time, position);
    return args.ReturnVector(position);
}

// The chain's point nearest to a query point, or the path time there (-1
// when the query fails); a failed query leaves the point at (0, 0, 0, 1)
// through the path's matrix.
SQInteger ReturnClosest(HSQUIRRELVM vm, bool wantTime) {
    ScriptArgs args(vm);
    zAIPath* path = args.Object<zAIPath>(1, ScriptKindPath);
    zVector query;
    if (!ReadPointArgument(args, 2, query)) return args.Fail();
    zVector closest(0.0f, 0.0f, 0.0f, 1.0f);
    f32 time = 0.0f;
    path->GetClosestPoint(query, closest, wantTime ? &time : nullptr);
    return wantTime ? args.Return(SQFloat(time)) : args.ReturnVector(closest);
}

SQInteger AIPathGetClosestPosition(HSQUIRRELVM vm) {
    return ReturnClosest(vm, false);
}

SQInteger AIPathGetClosestTime(HSQUIRRELVM vm) {
    return ReturnClosest(vm, true);
}

const ScriptNative g_aiPathNatives[] = {
    {"SceneLoadAIPath", ".xs", SceneLoadAIPath},
    {"SceneFindAIPath", ".xs", SceneFindAIPath},
    {"SceneAIPathFind", ".xs", SceneFindAIPath},
    {"AIPathGetMotion", ".x", AIPathGetMotion},
    {"AIPathGetMatrix", ".x", AIPathGetMatrix},
    {"AIPathSetMatrix", ".xx", AIPathSetMatrix},
    {"AIPathGetPosition", ".xn", AIPathGetPosition},
    {"AIPathGetClosestPosition", ".xx", AIPathGetClosestPosition},
    {"AIPathGetClosestPoint", ".xx", AIPathGetClosestPosition},
    {"AIPathGetClosestTime", ".xx", AIPathGetClosestTime},
};

} // namespace

bool RegisterAIPathScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_aiPathNatives);
    return RegisterScriptNullHandle(vm, "NullPath", ScriptKindPath) && natives;
}
