// zApplication: the framework base of the player. It holds every setting of
// the command line, bootstrap.txt and engine.cfg, and owns the engine, the
// renderer and mixer it created and the archive file system of the data
// source. A platform player derives from it and supplies the display, the
// audio, the message pump and the renderer and mixer factories.
//
// Life of a run (main): Startup, ParseCommandLine (exit 1 on false),
// LoadConfig, Init (exit 2 on false), Frame until false, then IsAbnormalExit
// (exit 3) or Shutdown (exit 0). Shutdown runs once, whoever calls it first
// (main or the destructor), and also releases what a failed Init left.
#pragma once

#include <memory>

#include "app/project.h"
#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "engine/engine.h"
#include "io/archive_fs.h"
#include "markup/metafile.h"
#include "markup/variant.h"
#include "scene/scene.h"

class zMixer;
class zRenderer;

// Where the data comes from.
enum : i32 { DataSourceDisk = 0, DataSourceArchive = 1 };
// What the input file is.
enum : i32 { ViewModeScene = 0, ViewModeProject = 1 };

// Renderer flag presets of the factory for a renderer it created (control
// and system words; safe mode adds SystemDisableShader).
constexpr u32 FactoryControlClear = 0x80;
constexpr u32 FactoryControlSet = 0x16a;
constexpr u32 FactorySystemClear = 0x08;
constexpr u32 FactorySystemSet = 0x100;

// The log mask -log_level builds from its letters: n resets to 0, s H * ! S
// add their level bits, a sets all; other characters are skipped.
u8 ParseLogLevelMask(const char* letters);

class zApplication {
  public:
    zApplication();
    virtual ~zApplication();
    zApplication(const zApplication&) = delete;
    zApplication& operator=(const zApplication&) = delete;

    // Platform operations, in slot order.
    virtual bool OpenDisplay() = 0;
    virtual bool OpenAudio() = 0;
    // False when the run should end (Escape).
    virtual bool PumpMessages() = 0;
    // Offered every argument no option of the base matches; index is the
    // argument's and, on success, moves past the values it took.
    virtual bool ParseExtraOption(int /*argc*/, const char* const* /*argv*/, int& /*index*/) { return false; }
    virtual void PrintExtraUsage() {}
    // Factories by id; "list" prints the ids and fails.
    virtual bool CreateRenderer() = 0;
    virtual bool CreateMixer() = 0;
    virtual bool Frame();

    // Command line and configuration files.
    // No arguments: bootstrap.txt (usage and false when there is none).
    // Otherwise argv[1] is the input and the options start at argv[2]; a
    // missing value or an unknown option logs one "[!]" line and gives false.
    bool ParseCommandLine(int argc, const char* const* argv);
    // bootstrap.txt from the disk, else from "resource.ksa".
    bool LoadBootstrap();
    void PrintUsage();
    // engine.cfg into the configuration tree and the display settings. On
    // failure the tree is emptied and every default kept.
    bool LoadConfig(const char* path);

    // Start-up, initialisation, frame and shutdown.
    bool Startup();
    bool Init();
    // True when the run ended abnormally: the script VM was killed, or a
    // resource was missing (logged again here) unless ignored.
    bool IsAbnormalExit();
    bool Shutdown();
    bool IsShutDown() const { return shutDown; }
    // The run starts now: the start clock, and the time -time_live counts.
    void StartClock();

    zEngine& GetEngine() { return engine; }
    zProject& GetProject() { return project; }
    // The scene of scene mode, null before Init and after Shutdown.
    zScene* GetScene() const { return scene.Get(); }
    zRenderer* GetRenderer() const { return renderer.get(); }
    zMixer* GetMixer() const { return mixer.get(); }

    // Settings, as the command line and the files leave them.
    bool initialised = false;
    zList<std::unique_ptr<zVariant>> defines; // -Ds, -Di, -Df in command-line order
    zList<zString> includes;                  // -I
    zList<zString> searchPaths;               // -S
    zMetafile configuration;                  // engine.cfg
    i32 dataSource = DataSourceDisk;
    i32 viewMode = ViewModeScene;
    zString rendererId;
    zString mixerId;
    zString rootPath;        // disk root, or the archive path for DataSourceArchive
    zString input;           // the scene or project file
    zString configPath;      // -C
    zString raytracePath;    // -R; empty: no raytracing
    i32 raytraceWidth = -1;  // -1: the window's
    i32 raytraceHeight = -1; // -1: the window's
    i32 raytraceGrid = 4;    // at least 1
    u32 startClock = 0;
    i32 runTime = 0; // seconds, 0 unlimited, never negative
    u32 frameCounter = 0;
    bool ignoreEscape = false;
    bool ignoreBootstrap = false;
    bool ignoreMissing = false;
    bool fallbackToDisk = false;
    bool profiler = false;
    bool safeMode = false;
    bool fullscreen = false;
    i32 width = 800;
    i32 height = 600;
    f32 aspectRatio = 1.0f;
    // The player's own data folder (start-up script, core shader library,
    // default font), searched after the -S paths and the data folder; empty:
    // none.
    zString ownDataPath;

  protected:
    // Takes a renderer a factory made (already the engine's current one) and
    // presets its flag words; false (and nothing kept) for null.
    bool AdoptRenderer(std::unique_ptr<zRenderer> made);
    // Takes a mixer a factory made; false for null.
    bool AdoptMixer(std::unique_ptr<zMixer> made);
    // Destroys the application's mixer (the engine's null mixer becomes
    // current again).
    void DropMixer();
    // Called by Shutdown just before the application's mixer is destroyed,
    // so that a subclass drops the pointers it keeps to it.
    virtual void OnMixerDeleting(zMixer* /*dying*/) {}

    zEngine engine;
    // Built over the engine; holds the script VM in both view modes.
    zProject project{&engine};

  private:
    bool MountDataSource();
    void AddSearchPaths();
    bool StartScripts();
    bool CreateScene();
    // The mode's part of a frame; stop: the script asked to end.
    void SceneFrame(bool& stop);
    void ProjectFrame(bool& stop);
    // Scene mode with -R: the scene raytraced into the -R directory as
    // out_<frame>.tga, at the -Rw x -Rh size (the window's when unset).
    void RaytraceFrame();
    // Puts the disk back as the current file system when the archive is.
    void UnmountDataSource();

    zIOArchiveFS archiveFS;
    // The file system queued as fallback under the archive, if any.
    zIOBaseFS* fallbackQueued = nullptr;
    std::unique_ptr<zRenderer> renderer;
    std::unique_ptr<zMixer> mixer;
    zSharedPtr<zScene> scene;
    bool shutDown = false;
    // Run time so far, summed frame by frame so that it outlasts the
    // wrapping u32 clock.
    u64 runTicks = 0;
    u32 lastFrameClock = 0;
};
