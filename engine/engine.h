// zEngine: the root object every scene, project, resource and service
// reaches. It holds the current renderer and mixer (its own null renderer and
// null mixer until real ones register), the frame clock, the begin/end-of-
// frame nesting, the resource caches with the load-context stack, the
// resource callbacks, the event interface and the core listeners.
//
// The frame clock counts engine time in units of 100 µs (ClockTicksPerSecond
// a second). StepClock runs once per frame from the outermost EndDraw; all
// its arithmetic is integer and saturates instead of overflowing.
//
// Main thread only.
#pragma once

#include <memory>

#include "audio/mixer_host.h"
#include "core/list.h"
#include "core/perf_counter.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/render_host.h"

class zCoreListener;
class zGeometry;
class zItem;
class zMetafile;
class zMixer;
class zNull_Mixer;
class zNull_Renderer;
class zParticleModel;
class zPicture;
class zRenderer;
class zResourceCache;
class zSound;
class zTexture;

// One entry of the load-context stack: what a nested reader is loading for.
struct zLoadContext {
    zGeometry* geometry = nullptr;
    void* second = nullptr; // pushed by PushLoadContextSecond; no reader uses it
    zItem* object = nullptr;
};

const char* GetEngineVersion();

// Sizes of the core part's types that live above the engine, which the scene
// layer gives; 0 leaves a type out (not built).
struct zCoreTypeSizes {
    size_t item = 0;      // zItem
    size_t aceUnit = 0;   // zACEUnit
    size_t object = 0;    // "zObj"
    size_t hierarchy = 0; // "zHierarchy"
    size_t light = 0;     // zLight
    size_t emitter = 0;   // zEmitter
    size_t camera = 0;    // "zCam"
    size_t curve = 0;     // zCurve
};

// The memory layout dump of the machine types and, with core, of the
// engine's own types, with those of upper (when given) in their places.
void PrintMemoryLayout(bool core, const zCoreTypeSizes* upper = nullptr);

// 0 normal, 1 high, 2 real-time; any other level does nothing and gives true.
bool SetProcessPriority(int level);

// The process-wide missing-resource flag: raised when a loader does not find
// the file of a geometry, texture or sound.
void RaiseMissingResourceFlag();
bool IsMissingResourceFlagRaised();
void ClearMissingResourceFlag();

class zEngine : public zRenderHost, public zMixerHost, public zMaterialHost, public zGeometryHost {
  public:
    static constexpr i32 ScaleUnity = 1000;
    static constexpr i32 ResetFrameTime = 166;
    static constexpr u32 LoadContextDepth = 4;

    // Receives resource loading notices; every operation of the base does
    // nothing.
    class EventInterface {
      public:
        virtual ~EventInterface() = default;
        virtual void OnLoadBegin() {}
        // progress: the loaders pass -1.
        virtual void OnLoadStatus(const char* /*text*/, f32 /*progress*/) {}
        virtual void OnLoadEnd() {}
        virtual void OnSetupStatus(const char* /*text*/) {}
    };

    using MissingPathCallback = void (*)(zString& path);
    using GeometryLoadedCallback = void (*)(zGeometry* geometry);
    using TextureLoadedCallback = void (*)(zTexture* texture);
    using PictureLoadedCallback = void (*)(zPicture* picture);
    using SoundLoadedCallback = void (*)(zSound* sound);
    using ScriptErrorHook = void (*)(const char* report);
    using EndOfFrameHook = void (*)();
    using FileOpenedHook = void (*)(const char* path);
    // May replace the path with one other path to try; true when it did.
    using MissingFileHook = bool (*)(zString& path);

    // Seeds the random generator with 77.
    zEngine();
    // Logs a warning when BeginDraw calls are still open; destroys the
    // caches, then the null renderer and the null mixer.
    ~zEngine();
    zEngine(const zEngine&) = delete;
    zEngine& operator=(const zEngine&) = delete;

    // zRenderHost
    zRenderer* GetRenderer() const override { return m_renderer; }
    zRenderer* GetDefaultRenderer() const override;
    void SetRenderer(zRenderer* renderer) override { m_renderer = renderer; }
    // Calls every core listener in list order.
    void SendEvent(u32 code, void* payload) override;
    u32 GetStateWord() const override { return m_stateWord; }
    // Through missingFileHook and fileOpenedHook, when set.
    bool RedirectMissingFile(zString& path) override { return missingFileHook && missingFileHook(path); }
    void NotifyFileOpened(const char* path) override {
        if (fileOpenedHook) fileOpenedHook(path);
    }

    // zMixerHost
    zMixer* GetCurrentMixer() const override { return m_mixer; }
    zMixer* GetDefaultMixer() const override;
    void SetCurrentMixer(zMixer* mixer) override { m_mixer = mixer; }

    zMixer* GetMixer() const { return m_mixer; }
    // Null selects the null mixer.
    void SetMixer(zMixer* mixer);
    // The null mixer: no current mixer. The current mixer: the null mixer
    // becomes current. Any other: nothing.
    void UnregisterMixer(zMixer* mixer);

    // Frame.
    void BeginDraw(bool updateStreams, bool restartTimers);
    void EndDraw(bool force, bool keepQueue, bool stepClock);
    u32 GetDrawNesting() const { return m_drawNesting; }
    void ResetDrawNesting() { m_drawNesting = 0; }

    // Clock.
    void StepClock();
    // Last reading = now, frame time = 166 units.
    void ResetClock();
    // Last reading = now.
    void SyncClock();
    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    void SetScale(i32 scale) { m_scale = scale; }
    i32 GetScale() const { return m_scale; }
    // Frame time in clock units before scaling; <= 0 off.
    void SetFixedStep(i32 step) { m_fixedStep = step; }
    i32 GetFixedStep() const { return m_fixedStep; }
    // Frames per second for the correction; <= 0 off.
    void SetTargetRate(i32 rate) { m_targetRate = rate; }
    i32 GetTargetRate() const { return m_targetRate; }
    i32 GetCorrectionAccumulator() const { return m_correctionAccumulator; }
    // The fixed step; the rate correction goes off (target rate -1) with an
    // empty accumulator.
    void SetFixedDeltaFrame(i32 step);
    // The target rate, with an empty accumulator.
    void SetFixedFramerateCorrection(i32 rate);
    u32 GetClock() const { return m_clock; }
    u32 GetLastReading() const { return m_lastReading; }
    i32 GetFrameTime() const { return m_frameTime; }
    i32 GetRawFrameTime() const { return m_rawFrameTime; }
    f32 GetFrameTimeSeconds() const;
    f32 GetRawFrameTimeSeconds() const;
    void TickUpdateTimer();
    zPerfCounter& GetFrameTimer() { return m_frameTimer; }
    zPerfCounter& GetUpdateTimer() { return m_updateTimer; }

    // State.
    u32 GetToolMode() const { return m_toolMode; }
    void SetToolMode(u32 mode) { m_toolMode = mode; }
    bool GetSetupResources() const { return m_setupResources; }
    void SetSetupResources(bool setup) { m_setupResources = setup; }
    void SetStateWord(u32 state) { m_stateWord = state; }
    // While false, geometry optimisation frees the source arrays.
    bool GetKeepSource() const override { return m_keepSource; }
    void SetKeepSource(bool keep) { m_keepSource = keep; }
    i32 GetDebugChannel() const override { return m_debugChannel; }
    void SetDebugChannel(i32 channel) { m_debugChannel = channel; }

    // Listeners and the event interface.
    void AddCoreListener(zCoreListener* listener);
    void RemoveCoreListener(zCoreListener* listener);
    EventInterface* GetEventInterface() const { return m_currentEventInterface; }
    bool UsesOwnEventInterface() const { return m_currentEventInterface == &m_eventInterface; }
    // Null selects the engine's own.
    void SetEventInterface(EventInterface* events);

    // Callbacks and hooks; null removes.
    MissingPathCallback missingHeightFileCallback = nullptr;
    MissingPathCallback missingGeometryCallback = nullptr;
    MissingPathCallback missingTextureCallback = nullptr;
    MissingPathCallback missingSoundCallback = nullptr;
    GeometryLoadedCallback geometryLoadedCallback = nullptr;
    TextureLoadedCallback textureLoadedCallback = nullptr;
    PictureLoadedCallback pictureLoadedCallback = nullptr;
    SoundLoadedCallback soundLoadedCallback = nullptr;
    ScriptErrorHook scriptErrorHook = nullptr;
    EndOfFrameHook endOfFrameHook = nullptr;
    FileOpenedHook fileOpenedHook = nullptr;
    MissingFileHook missingFileHook = nullptr;

    // Resource caches.
    zResourceCache* GetResourceCache() const { return m_currentCache; }
    zResourceCache* GetDefaultResourceCache() const { return m_defaultCache.get(); }
    // Returns the previous current cache; null selects the default cache.
    zResourceCache* SetResourceCache(zResourceCache* cache);
    // Appended to the engine's list, not made current; null when it cannot
    // be allocated.
    zResourceCache* NewResourceCache();
    // Destroys every listed cache and clears the default one, which becomes
    // current.
    void FreeResourceCaches();
    u32 GetResourceCacheCount() const { return m_caches.GetCount(); }

    // Loaders. A missing file still gives a (empty) resource and raises the
    // missing-resource flag; only allocation failures give null. Cached
    // loads give the cached object; bypassed ones always a new object, which
    // the caller owns.
    zGeometry* LoadGeometry(const char* path, bool secondList, bool bypassCache);
    zTexture* LoadTexture(const char* path, bool secondList, bool bypassCache);
    zPicture* LoadPicture(const char* path, bool bypassCache);
    zParticleModel* LoadParticleModel(const char* path, bool bypassCache);
    zSound* LoadSound(const char* path);
    // The texture and proxy loads materials and geometries ask of their
    // engine: the current cache's first list.
    zSharedPtr<zTexture> LoadSharedTexture(const char* path, bool bypassCache) override;
    zGeometry* LoadProxyGeometry(const char* path) override;
    // A new sound in the current cache's list; null when it cannot be
    // allocated.
    zSound* NewSound(const char* name);
    // "mpg" (exactly) opens a video stream; anything else loads a picture,
    // then tries the renderer's file loader.
    bool SetTextureContent(zTexture* texture, const char* path);
    // Advances every streamed texture of the current cache's first list.
    void UpdateTextureStreams(i32 dt);

    // Renderer settings (engine.cfg): every key of RendererFlagKeys sets or
    // clears its bit of the current renderer's words (a missing key clears
    // it), then "DebugChannel" (default -1) sets the debug channel. Reads
    // metafile, or, when it is null, the file at path (false when that load
    // fails). System bit 0x40 and control bit 0x04 have no key.
    bool LoadRenderSettings(const char* path, const zMetafile* metafile);
    // Adds one boolean root tag per key, then "DebugChannel", to metafile,
    // or, when it is null, writes them as a new file at path.
    bool SaveRenderSettings(const char* path, zMetafile* metafile);

    // Load-context stack: four entries (entry 0 the base context, all null)
    // and a spare that takes pushes past the top.
    void PushLoadContext();
    void PushLoadContextGeometry(zGeometry* geometry);
    void PushLoadContextSecond(void* second);
    void PushLoadContextObject(zItem* object);
    void PopLoadContext();
    zLoadContext& GetLoadContext();
    i32 GetLoadContextIndex() const { return m_loadContextIndex; }
    // Store one pointer in the current entry and clear the other two.
    void SetLoadContextGeometry(zGeometry* geometry);
    void SetLoadContextSecond(void* second);
    void SetLoadContextObject(zItem* object);

  private:
    template <typename T, typename Create>
    T* LoadResource(const char* path, zList<zSharedPtr<T>>* list, bool tracksMissing,
                    MissingPathCallback missing, Create create, bool& created);

    zRenderer* m_renderer = nullptr;
    zMixer* m_mixer = nullptr;
    u32 m_toolMode = 0;
    bool m_paused = false;
    bool m_setupResources = true;
    i32 m_fixedStep = -1;
    i32 m_targetRate = -1;
    i32 m_correctionAccumulator = 0;
    u32 m_clock = 0;
    u32 m_lastReading = 0;
    i32 m_scale = ScaleUnity;
    i32 m_frameTime = 0;
    i32 m_rawFrameTime = 0;
    u32 m_drawNesting = 0;
    std::unique_ptr<zNull_Renderer> m_nullRenderer;
    std::unique_ptr<zNull_Mixer> m_nullMixer;
    zPerfCounter m_frameTimer;
    zPerfCounter m_updateTimer;
    EventInterface m_eventInterface;
    EventInterface* m_currentEventInterface = &m_eventInterface;
    i32 m_loadContextIndex = 0;
    zLoadContext m_loadContexts[LoadContextDepth + 1]; // the last is the spare
    zList<std::unique_ptr<zResourceCache>> m_caches;
    std::unique_ptr<zResourceCache> m_defaultCache;
    zResourceCache* m_currentCache = nullptr;
    zList<zCoreListener*> m_coreListeners;
    u32 m_stateWord = 0;
    bool m_keepSource = true;
    i32 m_debugChannel = -1;
};
