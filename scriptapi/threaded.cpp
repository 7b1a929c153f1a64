// Threaded loading: the names of the asynchronous loaders of older scripts.
// Each loads at once on the calling thread and returns a "C Thread" handle
// (kind 2) that nothing reads: it holds the loaded resource (nothing for a
// scene), and LoadThreadIsDone is always true.
#include "core/log.h"
#include "engine/engine.h"
#include "render/geometry.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"
#include "ui/scene2d.h"

namespace {

SQInteger WindowSystemLoadBitmapThreaded(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = args.Object<zScene2D>(1, ScriptKindWindowSystem);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    zEngine* engine = ui->GetEngine();
    return args.ReturnObject(engine ? engine->LoadPicture(path, false) : nullptr, ScriptKindCThread);
}

// Leaves of at most 1024 polygons for the large geometries, as the player's
// own scene set-up asks.
SQInteger SceneFromZMLThreaded(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.Object<zScene>(1, ScriptKindScene);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    scene->LoadFromFile(path);
    scene->OptimizeGeometries(1024);
    return args.ReturnObject(nullptr, ScriptKindCThread);
}

SQInteger EngineLoadGeometryThreaded(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = args.Object<zEngine>(1, ScriptKindEngine);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(engine->LoadGeometry(path, false, false), ScriptKindCThread);
}

SQInteger LoadThreadIsDone(HSQUIRRELVM vm) {
    GetLog() << "[*] threaded binding is only available on the Windows platform.\n";
    return ScriptArgs(vm).Return(true);
}

const ScriptNative g_threadedNatives[] = {
    {"WindowSystemLoadBitmapThreaded", ".xs", WindowSystemLoadBitmapThreaded},
    {"SceneFromZMLThreaded", ".xs", SceneFromZMLThreaded},
    {"EngineLoadGeometryThreaded", ".xs", EngineLoadGeometryThreaded},
    {"LoadThreadIsDone", ".x", LoadThreadIsDone},
};

} // namespace

bool RegisterThreadedScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_threadedNatives);
}
