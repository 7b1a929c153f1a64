#include "app/application.h"

#include "audio/mixer.h"
#include "core/clock.h"
#include "core/log.h"
#include "io/file_road.h"
#include "markup/script_value.h"
#include "picture/codec.h"
#include "render/raytrace/raytracer.h"
#include "render/renderer.h"
#include "app/scene_factory.h"
#include "scene/memory_layout.h"
#include "scene/raytrace_grab.h"
#include "scene/scene.h"
#include "ui/font_system.h"
#include "ui/hid.h"

namespace {

constexpr const char* ProductLine = "Kestrin stand-alone.\n";
constexpr const char* StartupScript = "scriptlib/zad.nut";
constexpr const char* ProfilerFontPath = "fonts/arial.zml";
constexpr const char* ProfilerFontName = "fonts/arial";

// The loaders' missing-resource callback: the name is left as it is, the
// flag the frame tests is raised.
void OnMissingResource(zString& /*name*/) {
    RaiseMissingResourceFlag();
}

// zString keeps no buffer when empty.
const char* TextOf(const zString& text) {
    return text.IsEmpty() ? "" : text.CStr();
}

void PrintBanner() {
    GetLog() << ProductLine;
    GetLog() << "Version: " << GetEngineVersion() << "\n";
    const zCoreTypeSizes sceneTypes = SceneCoreTypeSizes();
    PrintMemoryLayout(true, &sceneTypes);
    DumpSceneMemoryLayout();
}

} // namespace

zApplication::zApplication() {
    rootPath.Set("./");
    input.Set("scene.zms");
}

zApplication::~zApplication() {
    Shutdown();
    UnmountDataSource();
}

bool zApplication::AdoptRenderer(std::unique_ptr<zRenderer> made) {
    if (!made) return false;
    made->SetControlWord(FactoryControlClear, false);
    made->SetControlWord(FactoryControlSet, true);
    made->SetSystemWord(FactorySystemClear, false);
    made->SetSystemWord(FactorySystemSet, true);
    if (safeMode) made->SetSystemWord(SystemDisableShader, true);
    made->SetCleanResourceOnSetup(true);
    renderer = std::move(made);
    return true;
}

bool zApplication::AdoptMixer(std::unique_ptr<zMixer> made) {
    if (!made) return false;
    mixer = std::move(made);
    return true;
}

bool zApplication::Startup() {
    ClearMissingResourceFlag();
    engine.missingGeometryCallback = OnMissingResource;
    engine.missingTextureCallback = OnMissingResource;
    engine.missingSoundCallback = OnMissingResource;
    PrintBanner();
    RegisterPictureCodecs(false);
    return true;
}

void zApplication::AddSearchPaths() {
    for (auto* node = searchPaths.GetHead(); node; node = node->next)
        FileSystemAddSearchPath(TextOf(node->value));
}

bool zApplication::MountDataSource() {
    if (dataSource != DataSourceArchive) {
        FileSystemAddSearchPath(TextOf(rootPath));
        return true;
    }
    if (!archiveFS.Connect(TextOf(rootPath))) return false;
    zIOBaseFS* previous = FileSystemSetCurrent(&archiveFS);
    if (fallbackToDisk && FileSystemAddFallback(previous)) fallbackQueued = previous;
    return true;
}

void zApplication::UnmountDataSource() {
    if (fallbackQueued) FileSystemRemoveFallback(fallbackQueued);
    fallbackQueued = nullptr;
    if (FileSystemGetCurrent() == &archiveFS) FileSystemSetCurrent(nullptr);
}

bool zApplication::StartScripts() {
    FontSystemOpen();
    if (viewMode == ViewModeProject && !project.LoadFromFile(TextOf(input))) return false;
    if (!project.Open(viewMode == ViewModeProject)) return false;
    zSquirrelVM& vm = project.GetVM();
    vm.Include(StartupScript);
    for (auto* node = includes.GetHead(); node; node = node->next)
        vm.Include(TextOf(node->value));
    // After the includes, so their top level cannot see the defines.
    for (auto* node = defines.GetHead(); node; node = node->next)
        vm.SetGlobal(TextOf(node->value->GetName()), zScriptValue(*node->value), nullptr);
    return true;
}

bool zApplication::CreateScene() {
    if (viewMode == ViewModeProject) {
        project.Setup();
        if (profiler) project.LoadProfilerFont(ProfilerFontPath, ProfilerFontName);
        return true;
    }
    scene = NewPlayerScene(&engine, &project.GetVM(), "[!] Failed to create scene object.\n");
    if (!scene.Get()) return false;
    if (!scene->CreatePhysicWorld()) return false;
    if (!LoadSceneFile(*scene, TextOf(input))) return false;
    scene->RegisterAsPropertyCallback(engine.GetRenderer());
    scene->SetScriptGlobals(nullptr);
    scene->Setup(true, SceneOptimisationParameter);
    scene->Reset();
    if (profiler) scene->CreateProfiler(ProfilerFontPath, ProfilerFontName);
    return true;
}

bool zApplication::Init() {
    AddSearchPaths();
    if (!MountDataSource()) return false;
    if (!ownDataPath.IsEmpty()) FileSystemAddSearchPath(ownDataPath.CStr());
    // Raytracing draws scenes only: in project mode resources still go to
    // the renderer.
    if (!raytracePath.IsEmpty() && viewMode == ViewModeScene) engine.SetSetupResources(false);
    if (!CreateRenderer()) return false;
    // engine.cfg was read before the renderer existed.
    engine.GetRenderer()->SetGlobalAspectRatio(aspectRatio);
    if (!CreateMixer()) return false;
    engine.LoadRenderSettings(nullptr, &configuration);
    // The settings replace the factory's presets; safe mode still wins.
    if (safeMode) engine.GetRenderer()->SetSystemWord(SystemDisableShader, true);
    if (!OpenDisplay()) return false;
    if (!OpenAudio()) return false;
    if (zHID* input = zHID::GetInstance()) input->Open(engine.GetRenderer()->GetWindowHandle());
    if (!StartScripts()) return false;
    if (!CreateScene()) return false;
    StartClock();
    initialised = true;
    return true;
}

void zApplication::StartClock() {
    startClock = GetClock();
    lastFrameClock = startClock;
    runTicks = 0;
}

void zApplication::SceneFrame(bool& stop) {
    project.UpdateScriptClock();
    scene->Update(UpdateAll);
    scene->RenderSetup(RenderClear);
    scene->RenderToQueue(RenderClear);
    // EndDraw empties the queue.
    engine.GetRenderer()->RenderQueue();
    scene->RenderDone(RenderClear);
    scene->RenderUI(0);
    if (profiler) scene->UpdateProfiler(0.025f, 0.05f, true, nullptr);
    stop = (scene->GetFlags() & SceneEndRequested) != 0;
    if (!raytracePath.IsEmpty()) RaytraceFrame();
}

void zApplication::RaytraceFrame() {
    const i32 frameWidth = raytraceWidth > 0 ? raytraceWidth : width;
    const i32 frameHeight = raytraceHeight > 0 ? raytraceHeight : height;
    GetLog() << "[H] Raytracing frame " << frameCounter << " (" << frameWidth << "x" << frameHeight
             << ")...\n";
    // A new raytracer and scene record each frame: the scene's content may
    // have changed since the last one.
    zRaytraceScene record;
    if (!GrabRaytraceScene(*scene, record)) return;
    zRaytracer raytracer;
    zRaytracerOptions options = raytracer.GetOptions();
    options.aaGrid = u32(raytraceGrid);
    raytracer.SetOptions(options);
    if (!raytracer.SetScene(&record)) return;
    zPicture picture;
    if (raytracer.Trace(picture, frameWidth, frameHeight))
        WriteRaytracedFrame(TextOf(raytracePath), frameCounter, picture);
}

void zApplication::ProjectFrame(bool& stop) {
    project.Evaluate(UpdateAll);
    project.Render(0);
    if (profiler) project.UpdateProfiler();
    stop = (project.flags & ProjectEnd) != 0;
}

bool zApplication::Frame() {
    if (zHID* input = zHID::GetInstance()) input->Update();
    engine.BeginDraw(true, true);
    bool stop = false;
    if (viewMode == ViewModeScene && scene.Get()) {
        SceneFrame(stop);
    } else if (viewMode == ViewModeProject) {
        ProjectFrame(stop);
    }
    engine.EndDraw(false, false, true);
    engine.GetRenderer()->ResetStatistics();
    SleepMilliseconds(1);
    ++frameCounter;
    if (project.GetVM().IsKilled()) return false;
    if (IsMissingResourceFlagRaised() && !ignoreMissing) {
        GetLog() << "[!] Exiting due to missing resources.\n";
        return false;
    }
    u32 now = GetClock();
    runTicks += u32(now - lastFrameClock);
    lastFrameClock = now;
    if (runTime > 0 && runTicks > u64(runTime) * ClockTicksPerSecond) return false;
    if (stop) return false;
    return PumpMessages();
}

bool zApplication::IsAbnormalExit() {
    if (project.GetVM().IsKilled()) return true;
    if (IsMissingResourceFlagRaised() && !ignoreMissing) {
        GetLog() << "[!] Exiting due to missing resources.\n";
        return true;
    }
    return false;
}

bool zApplication::Shutdown() {
    if (shutDown) return true;
    shutDown = true;
    initialised = false;
    scene = nullptr;
    // The VM goes before the caches and devices: script handles hold
    // resources that free their data on the renderer and the mixer.
    project.Close(true);
    engine.FreeResourceCaches();
    FontSystemShutdown();
    zHID::DestroyInstance();
    if (zRenderer* current = engine.GetRenderer()) current->Close();
    if (zMixer* current = engine.GetMixer()) current->Close();
    renderer.reset();
    DropMixer();
    return true;
}

void zApplication::DropMixer() {
    if (mixer) OnMixerDeleting(mixer.get());
    mixer.reset();
}
