// The Engine group: resource caches and their older alias names, loads
// through the current cache, texture creation, the frame clock and draw pass,
// and the cache report.
//
// Handles of geometries and textures hold a reference on their object;
// handles of pictures and sounds do not. An operation that may free a cached
// picture on a script's behalf (clearing the cache, unregistering a picture)
// turns the handles of whatever it freed into "Deleted native" handles, so
// no script keeps a pointer to freed memory; sounds and textures report
// their own end to the listener of script/resource_handles.h.
#include <algorithm>
#include <new>
#include <unordered_set>
#include <vector>

#include "audio/sound.h"
#include "core/log.h"
#include "core/shared_object.h"
#include "engine/engine.h"
#include "engine/resource_cache.h"
#include "markup/metafile.h"
#include "picture/picture.h"
#include "picture/pixel_format.h"
#include "render/geometry.h"
#include "render/texture.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/script_api_groups.h"

namespace {

constexpr f32 ClockScaleUnit = 1000.0f;       // clock scale in thousandths
constexpr f32 ClockTicksPerSecond = 10000.0f; // clock ticks of 100 µs
constexpr i32 FixedDeltaOff = -1;

// Truncation toward zero, saturated, 0 for NaN.
i32 TruncateToInt(f32 value) {
    if (value != value) return 0;
    return i32(std::clamp(double(value), -2147483648.0, 2147483647.0));
}

// A path as the loaders name the resources they cache.
zString CacheName(const char* path) {
    zString name(path);
    if (*path) name.NormalizePath();
    return name;
}

// The pictures one operation may free, taken before it runs; once it ran,
// the handles of those that died become "Deleted native" handles.
class FreedPictures {
  public:
    void Watch(zPicture* picture) {
        if (picture) m_pictures.push_back({picture, zWeakPtr<zPicture>(picture)});
    }
    void InvalidateHandles() {
        std::unordered_set<const void*> gone;
        for (const WatchedPicture& watched : m_pictures) {
            if (!watched.alive.IsAlive()) gone.insert(watched.picture);
        }
        InvalidateScriptRecords(gone);
    }

  private:
    struct WatchedPicture {
        const void* picture;
        zWeakPtr<zPicture> alive;
    };
    std::vector<WatchedPicture> m_pictures;
};

// Pushes a resource that a handle holds by reference; a new object that no
// handle could take is freed here.
template <typename T> SQInteger ReturnHeld(ScriptArgs& args, T* resource, i32 kind) {
    zSharedPtr<T> hold(resource);
    return args.ReturnObject(resource, kind);
}

zEngine* FetchEngine(ScriptArgs& args) {
    return args.Object<zEngine>(1, ScriptKindEngine);
}

// The natives that take the engine alone, or the engine and one string.
template <typename Body> SQInteger WithEngine(HSQUIRRELVM vm, Body body) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    if (!args) return args.Fail();
    return body(args, *engine);
}

template <typename Body> SQInteger WithEngineAndText(HSQUIRRELVM vm, Body body) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    const char* text = args.String(2);
    if (!args) return args.Fail();
    return body(args, *engine, text);
}

// --------------------------------------------------------- resource caches

SQInteger EngineNewResourceCache(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        return args.ReturnObject(engine.NewResourceCache(), ScriptKindResourceSet);
    });
}

SQInteger EngineGetResourceCache(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        return args.ReturnObject(engine.GetResourceCache(), ScriptKindResourceSet);
    });
}

SQInteger EngineSetResourceCache(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    zResourceCache* cache = args.Object<zResourceCache>(2, ScriptKindResourceSet);
    if (!args) return args.Fail();
    return args.ReturnObject(engine->SetResourceCache(cache), ScriptKindResourceSet);
}

SQInteger EngineClearResourceCache(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        zResourceCache* cache = engine.GetResourceCache();
        FreedPictures freed;
        for (auto* node = cache->GetPictureCache().GetHead(); node; node = node->next)
            freed.Watch(node->value.Get());
        cache->Clear();
        freed.InvalidateHandles();
        return args.None();
    });
}

SQInteger EngineEnableLoadCallback(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    FetchEngine(args);
    args.Bool(2);
    if (!args) return args.Fail();
    return args.None();
}

SQInteger EngineGetCacheGeometryList(HSQUIRRELVM vm) {
    return WithEngine(vm, [vm](ScriptArgs& args, zEngine& engine) {
        auto& geometries = engine.GetResourceCache()->GetGeometryList(false);
        sq_newarray(vm, 0);
        for (auto* node = geometries.GetHead(); node; node = node->next) {
            if (!PushScriptObject(vm, node->value.Get(), ScriptKindGeometry, false)) {
                sq_pop(vm, 1);
                return args.Fail();
            }
            sq_arrayappend(vm, -2);
        }
        return SQInteger(1);
    });
}

SQInteger EngineOutputCacheStatistics(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        zResourceCache* cache = engine.GetResourceCache();
        zLog& log = GetLog();
        log << "[H] Engine resource cache statistics\n";
        log << "  - " << cache->GetGeometryList(true).GetCount() << " geometries (CPU),\n";
        log << "  - " << cache->GetGeometryList(false).GetCount() << " geometries (GPU),\n";
        log << "  - " << cache->GetTextureList(true).GetCount() << " textures (CPU),\n";
        log << "  - " << cache->GetTextureList(false).GetCount() << " textures (GPU),\n";
        log << "  - " << cache->GetSoundList().GetCount() << " sounds.\n";
        log << "\n";
        return args.None();
    });
}

// ---------------------------------------------------------------- textures

SQInteger EngineFindTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = args.ObjectOrNull<zEngine>(1, ScriptKindEngine);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zTexture* texture = nullptr;
    if (engine) {
        texture =
            zResourceCache::FindTexture(engine->GetResourceCache()->GetTextureList(false), CacheName(name));
    }
    return args.ReturnObject(texture, ScriptKindTexture);
}

// A texture of the engine with no name, its picture width x height in the
// default pixel format, handed to the renderer. A size the picture cannot
// take gives a null handle (the picture logs why).
SQInteger CreateTexture(ScriptArgs& args, zEngine* engine, i32 width, i32 height, u32 flags) {
    zSharedPtr<zTexture> texture(new (std::nothrow) zTexture(engine));
    if (!texture) {
        GetLog() << "[!] Failed to allocate texture.\n";
        return args.ReturnObject(nullptr, ScriptKindTexture);
    }
    texture->SetFlags(texture->GetFlags() | flags);
    if (!texture->Allocate(u32(width), u32(height), PixelFormatDefault))
        return args.ReturnObject(nullptr, ScriptKindTexture);
    texture->Setup();
    return args.ReturnObject(texture.Get(), ScriptKindTexture);
}

SQInteger EngineCreateCanvasTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    i32 width = args.Integer(2);
    i32 height = args.Integer(3);
    if (!args) return args.Fail();
    return CreateTexture(args, engine, width, height, TextureFlagRendererOwn | TextureFlagNoResample);
}

SQInteger EngineCreateTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    i32 width = args.Integer(2);
    i32 height = args.Integer(3);
    bool noResample = args.Bool(4);
    if (!args) return args.Fail();
    return CreateTexture(args, engine, width, height, noResample ? TextureFlagNoResample : 0u);
}

SQInteger EngineLoadTexture(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return args.ReturnObject(engine.LoadTexture(path, false, false), ScriptKindTexture);
    });
}

SQInteger EngineLoadTextureBypassCache(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return ReturnHeld(args, engine.LoadTexture(path, false, true), ScriptKindTexture);
    });
}

SQInteger EngineSetTextureContent(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    zTexture* texture = args.Object<zTexture>(2, ScriptKindTexture);
    const char* path = args.String(3);
    if (!args) return args.Fail();
    return args.Return(engine->SetTextureContent(texture, path));
}

// ---------------------------------------------------------- pictures, sounds

SQInteger EngineLoadPicture(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return args.ReturnObject(engine.LoadPicture(path, false), ScriptKindPicture);
    });
}

SQInteger EngineCacheUnregisterPicture(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* name) {
        zResourceCache* cache = engine.GetResourceCache();
        zPicture* picture = cache->FindPicture(CacheName(name));
        FreedPictures freed;
        freed.Watch(picture);
        const bool removed = cache->RemovePicture(picture);
        freed.InvalidateHandles();
        return args.Return(removed);
    });
}

SQInteger EngineLoadSound(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return args.ReturnObject(engine.LoadSound(path), ScriptKindSound);
    });
}

// -------------------------------------------------------------- geometries

SQInteger EngineLoadGeometryFromMetafile(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    zMetafile* metafile = args.Object<zMetafile>(2, ScriptKindMetafile);
    if (!args) return args.Fail();
    zSharedPtr<zGeometry> geometry(new (std::nothrow) zGeometry(engine));
    if (!geometry) {
        GetLog() << "[!] Failed to allocate geometry to load '" << metafile->GetFileName() << "'.\n";
        return args.ReturnObject(nullptr, ScriptKindGeometry);
    }
    geometry->LoadFromMetafile(*metafile);
    return args.ReturnObject(geometry.Get(), ScriptKindGeometry);
}

SQInteger EngineLoadGeometry(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return args.ReturnObject(engine.LoadGeometry(path, false, false), ScriptKindGeometry);
    });
}

SQInteger EngineLoadGeometryBypassCache(HSQUIRRELVM vm) {
    return WithEngineAndText(vm, [](ScriptArgs& args, zEngine& engine, const char* path) {
        return ReturnHeld(args, engine.LoadGeometry(path, false, true), ScriptKindGeometry);
    });
}

// ---------------------------------------------------- state, frame, clock

SQInteger EngineGetToolMode(HSQUIRRELVM vm) {
    return WithEngine(
        vm, [](ScriptArgs& args, zEngine& engine) { return args.Return(SQInteger(engine.GetToolMode())); });
}

SQInteger EngineGetRenderer(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        return args.ReturnObject(engine.GetRenderer(), ScriptKindRenderer);
    });
}

SQInteger EngineBeginDraw(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        engine.BeginDraw(true, true);
        return args.None();
    });
}

SQInteger EngineEndDraw(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        engine.EndDraw(false, false, true);
        return args.None();
    });
}

SQInteger EngineResetClock(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        engine.ResetClock();
        return args.None();
    });
}

SQInteger EngineSetClockScale(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    SQFloat scale = args.Number(2);
    if (!args) return args.Fail();
    engine->SetScale(TruncateToInt(scale * ClockScaleUnit));
    return args.None();
}

SQInteger EngineGetClockScale(HSQUIRRELVM vm) {
    return WithEngine(vm, [](ScriptArgs& args, zEngine& engine) {
        return args.Return(SQFloat(engine.GetScale() / 1000.0));
    });
}

SQInteger EngineSetFixedDeltaFrame(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    SQFloat seconds = args.Number(2);
    if (!args) return args.Fail();
    engine->SetFixedDeltaFrame(seconds >= 0.0f ? TruncateToInt(seconds * ClockTicksPerSecond)
                                               : FixedDeltaOff);
    return args.None();
}

SQInteger EngineSetFixedFramerateCorrection(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = FetchEngine(args);
    SQInteger rate = args.Integer(2);
    if (!args) return args.Fail();
    engine->SetFixedFramerateCorrection(i32(rate));
    return args.None();
}

// ---------------------------------------------------------- obsolete names

SQInteger EngineSetResourceAutoSetup(HSQUIRRELVM) {
    GetLog() << "[*] EngineSetResourceAutoSetup() is deprecated.\n";
    return 0;
}

SQInteger EngineSetupResources(HSQUIRRELVM) {
    GetLog() << "[*] EngineSetupResources() is deprecated.\n";
    return 0;
}

SQInteger EngineSetupAllGeometries(HSQUIRRELVM) {
    GetLog() << "[*] EngineSetupAllGeometries() is deprecated.\n";
    return 0;
}

SQInteger EngineDeleteTexture(HSQUIRRELVM) {
    GetLog() << "[*] EngineDeleteTexture() is obsolete.\n";
    return 0;
}

const ScriptNative g_engineNatives[] = {
    {"EngineNewResourceCache", ".x", EngineNewResourceCache},
    {"EngineGetResourceCache", ".x", EngineGetResourceCache},
    {"EngineSetResourceCache", ".xx", EngineSetResourceCache},
    {"EngineClearResourceCache", ".x", EngineClearResourceCache},
    {"EngineEnableLoadCallback", ".xb", EngineEnableLoadCallback},
    {"EngineGetCacheGeometryList", ".x", EngineGetCacheGeometryList},
    {"EngineGetManagerGeometryList", ".x", EngineGetCacheGeometryList},
    {"EngineOutputCacheStatistics", ".x", EngineOutputCacheStatistics},
    {"EngineFindTexture", ".xs", EngineFindTexture},
    {"EngineCreateCanvasTexture", ".xnn", EngineCreateCanvasTexture},
    {"EngineCreateTexture", ".xnnb", EngineCreateTexture},
    {"EngineLoadTexture", ".xs", EngineLoadTexture},
    {"EngineLoadPicture", ".xs", EngineLoadPicture},
    {"EngineCacheUnregisterPicture", ".xs", EngineCacheUnregisterPicture},
    {"EngineLoadTextureBypassCache", ".xs", EngineLoadTextureBypassCache},
    {"EngineLoadSound", ".xs", EngineLoadSound},
    {"EngineSetTextureContent", ".xxs", EngineSetTextureContent},
    {"EngineLoadGeometryFromMetafile", ".xx", EngineLoadGeometryFromMetafile},
    {"EngineLoadGeometry", ".xs", EngineLoadGeometry},
    {"EngineLoadGeometryBypassCache", ".xs", EngineLoadGeometryBypassCache},
    {"EngineGetToolMode", ".x", EngineGetToolMode},
    {"EngineGetRenderer", ".x", EngineGetRenderer},
    {"EngineBeginDraw", ".x", EngineBeginDraw},
    {"EngineEndDraw", ".x", EngineEndDraw},
    {"EngineResetClock", ".x", EngineResetClock},
    {"EngineSetClockScale", ".xn", EngineSetClockScale},
    {"EngineGetClockScale", ".x", EngineGetClockScale},
    {"EngineSetFixedDeltaFrame", ".xn", EngineSetFixedDeltaFrame},
    {"EngineSetFixedFramerateCorrection", ".xn", EngineSetFixedFramerateCorrection},
    {"EngineNewResourceManagerSet", ".x", EngineNewResourceCache},
    {"EngineNewResourceSet", ".x", EngineNewResourceCache},
    {"EngineGetResourceManagerSet", ".x", EngineGetResourceCache},
    {"EngineGetResourceSet", ".x", EngineGetResourceCache},
    {"EngineSetResourceManagerSet", ".xx", EngineSetResourceCache},
    {"EngineSetResourceSet", ".xx", EngineSetResourceCache},
    {"EngineDeleteAllResources", ".x", EngineClearResourceCache},
    {"EngineUnloadPicture", ".xs", EngineCacheUnregisterPicture},
    {"EngineSetResourceAutoSetup", ".xb", EngineSetResourceAutoSetup},
    {"EngineSetupResources", ".x", EngineSetupResources},
    {"EngineSetupAllGeometries", ".x", EngineSetupAllGeometries},
    {"EngineDeleteTexture", ".xx", EngineDeleteTexture},
};

// g_platform keeps the value scripts were written against.
const ScriptIntConstant g_engineConstants[] = {
    {"PlatformWin32", 0},
    {"PlatformLinuxX86", 1},
    {"PlatformNintendoWii", 2},
    {"PlatformUnknown", 65535},
    {"g_platform", 0},
    {"NoTool", 0},
    {"ToolEdit", 1},
    {"ToolPreview", 2},
    {"ToolProjectPreview", 3},
};

} // namespace

bool RegisterEngineScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_engineNatives);
    return RegisterScriptConstants(vm, g_engineConstants) && natives;
}
