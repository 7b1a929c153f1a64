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

// The option natives: change reads the arguments into a copy of the options,
// which replaces them when every read succeeded.
template <typename Change> SQInteger ChangeOptions(HSQUIRRELVM vm, Change change) {
    ScriptArgs args(vm);
    zScriptRaytracer* raytracer = RaytracerArgument(args);
    if (!args) return args.Fail();
    zRaytracerOptions options = raytracer->GetOptions();
    change(args, options);
    if (!args) return args.Fail();
    raytracer->SetOptions(options);
    return args.None();
}

// (switch, grid, threshold, jitter)
SQInteger RaytracerSetAntialias(HSQUIRRELVM vm) {
    return ChangeOptions(vm, [](ScriptArgs& args, zRaytracerOptions& options) {
        options.antialiasing = args.Bool(2) ? 1 : 0;
        options.aaGrid = CountOf(args.Integer(3));
        options.aaThreshold = args.Number(4);
        options.aaJitter = args.Bool(5) ? 1 : 0;
    });
}

// (switch, samples, depth)
SQInteger RaytracerSetGlobalIllum(HSQUIRRELVM vm) {
    return ChangeOptions(vm, [](ScriptArgs& args, zRaytracerOptions& options) {
        options.globalIllumination = args.Bool(2) ? 1 : 0;
        options.giSamples = CountOf(args.Integer(3));
        options.giDepth = CountOf(args.Integer(4));
    });
}

// (switch, first field)
SQInteger RaytracerSetInterlace(HSQUIRRELVM vm) {
    return ChangeOptions(vm, [](ScriptArgs& args, zRaytracerOptions& options) {
        options.interlaced = args.Bool(2) ? 1 : 0;
        options.firstField = args.Bool(3) ? 1 : 0;
    });
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
