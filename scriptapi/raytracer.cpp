// Raytracer: scripts make CPU raytracers, set their options, give them a
// scene and trace it into a TGA file.
//
// A raytracer made by EngineNewRaytracer belongs to its handle and goes with
// the handle's last reference (no script call frees it, and a raytracer
// nobody frees would leak); other handles of it then turn "Deleted native".
// It keeps its own grab of the scene and a reference on each geometry of
// that grab, so a scene edited or deleted after RaytracerSetScene never
// leaves it tracing freed geometry.
#include <memory>
#include <new>
#include <vector>

#include "core/log.h"
#include "core/shared_object.h"
#include "picture/picture.h"
#include "picture/tga.h"
#include "render/geometry.h"
#include "render/raytrace/raytrace_scene.h"
#include "render/raytrace/raytracer.h"
#include "scene/raytrace_grab.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/script_api_groups.h"

namespace {

class zScriptRaytracer final : public zRaytracer {
  public:
    // Grabs the scene into a new record; the old record and its geometries
    // are let go only once the raytracer no longer points into them.
    bool GrabAndSetScene(zScene& scene) {
        std::unique_ptr<zRaytraceScene> grab(new (std::nothrow) zRaytraceScene);
        std::vector<zSharedPtr<zGeometry>> geometries;
        if (!grab || !GrabRaytraceScene(scene, *grab)) return false;
        try {
            for (const zRayObject& object : grab->objects) {
                geometries.emplace_back(object.geometry);
                for (zGeometry* part : object.parts)
                    geometries.emplace_back(part);
            }
        } catch (const std::bad_alloc&) {
            GetLog() << "[!] Failed to grab scene to raytracer.\n";
            return false;
        }
        const bool set = SetScene(grab.get());
        m_grab.swap(grab);
        m_geometries.swap(geometries);
        return set;
    }

  private:
    std::unique_ptr<zRaytraceScene> m_grab;
    std::vector<zSharedPtr<zGeometry>> m_geometries;
};

// Handles hold the zRaytracer.
void DestroyRaytracer(void* object) {
    InvalidateScriptRecords(object);
    delete static_cast<zScriptRaytracer*>(static_cast<zRaytracer*>(object));
}

zScriptRaytracer* RaytracerArgument(ScriptArgs& args) {
    return static_cast<zScriptRaytracer*>(args.Object<zRaytracer>(1, ScriptKindRaytracer));
}

// Counts and sizes of the options are unsigned: a negative one counts as 0.
u32 CountOf(SQInteger value) {
    return value > 0 ? u32(value) : 0u;
}

SQInteger EngineNewRaytracer(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    args.Object<void>(1, ScriptKindEngine);
    if (!args) return args.Fail();
    zScriptRaytracer* raytracer = new (std::nothrow) zScriptRaytracer;
    if (!raytracer) return args.Error("Failed to allocate raytracer.");
    return args.ReturnOwnedObject(static_cast<zRaytracer*>(raytracer), ScriptKindRaytracer);
}

SQInteger RaytracerDeleteSelf(HSQUIRRELVM /*vm*/) {
    GetLog() << "[*] RaytracerDeleteSelf() is now obsolete, you can remove this call.\n";
    return 0;
}

// (switch, grid, threshold, jitter)
SQInteger RaytracerSetAntialias(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    const bool on = args.Bool(2);
    const SQInteger grid = args.Integer(3);
    const SQFloat threshold = args.Number(4);
    const bool jitter = args.Bool(5);
    if (!args) return args.Fail();
    zRaytracerOptions options = raytracer->GetOptions();
    options.antialiasing = on ? 1 : 0;
    options.aaGrid = CountOf(grid);
    options.aaThreshold = threshold;
    options.aaJitter = jitter ? 1 : 0;
    raytracer->SetOptions(options);
    return args.None();
}

// (switch, samples, depth)
SQInteger RaytracerSetGlobalIllum(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    const bool on = args.Bool(2);
    const SQInteger samples = args.Integer(3);
    const SQInteger depth = args.Integer(4);
    if (!args) return args.Fail();
    zRaytracerOptions options = raytracer->GetOptions();
    options.globalIllumination = on ? 1 : 0;
    options.giSamples = CountOf(samples);
    options.giDepth = CountOf(depth);
    raytracer->SetOptions(options);
    return args.None();
}

// (switch, first field)
SQInteger RaytracerSetInterlace(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    const bool on = args.Bool(2);
    const bool firstField = args.Bool(3);
    if (!args) return args.Fail();
    zRaytracerOptions options = raytracer->GetOptions();
    options.interlaced = on ? 1 : 0;
    options.firstField = firstField ? 1 : 0;
    raytracer->SetOptions(options);
    return args.None();
}

SQInteger RaytracerStartInterlacedSequence(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    if (!args) return args.Fail();
    raytracer->StartInterlacedSequence();
    return args.None();
}

SQInteger RaytracerSetScene(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    zScene* scene = args.Object<zScene>(2, ScriptKindScene);
    if (!args) return args.Fail();
    return args.Return(raytracer->GrabAndSetScene(*scene));
}

SQInteger RaytracerTrace(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    const char* path = args.String(2);
    const SQInteger width = args.Integer(3);
    const SQInteger height = args.Integer(4);
    if (!args) return args.Fail();
    zPicture picture;
    const bool traced = raytracer->Trace(picture, i32(width), i32(height)) && picture.GetPixels();
    return args.Return(traced && SaveTGA(path, picture));
}

const ScriptNative g_raytracerNatives[] = {
    {"EngineNewRaytracer", ".x", EngineNewRaytracer},
    {"RaytracerDeleteSelf", ".x", RaytracerDeleteSelf},
    {"RaytracerSetAntialias", ".xbinb", RaytracerSetAntialias},
    {"RaytracerSetGlobalIllum", ".xbii", RaytracerSetGlobalIllum},
    {"RaytracerSetInterlace", ".xbb", RaytracerSetInterlace},
    {"RaytracerStartInterlacedSequence", ".x", RaytracerStartInterlacedSequence},
    {"RaytracerSetScene", ".xx", RaytracerSetScene},
    {"RaytracerTrace", ".xsii", RaytracerTrace},
};

} // namespace

bool RegisterRaytracerScriptApi(HSQUIRRELVM vm) {
    SetScriptObjectDestroyer(ScriptKindRaytracer, DestroyRaytracer);
    return RegisterScriptNatives(vm, g_raytracerNatives);
}
