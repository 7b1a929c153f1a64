// zProject: the top of a multi-scene application, read from an environment
// file (.zgp, root tag "Environment"). It owns the one script VM of the
// application in both view modes (in scene mode only the VM is used), the
// project's own script unit (owner kind 5), the stack of instantiated scenes
// (3D and 2D) and the layers that order their drawing.
//
// Operations refused while the project evaluates or draws its stack log
// "[!] Cannot call '<operation>' while rendering or evaluating the project
// scene stack.". busy is set only around a scene's own update or drawing, so
// the project's callbacks (OnUpdate, OnRender, OnRenderScene) may change the
// stack; the layer walk of Render is over a snapshot and skips layers and
// instances freed meanwhile. Instances and layers invalidate their script
// handles when freed.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "markup/meta_object.h"
#include "script/script_unit.h"
#include "script/squirrel_vm.h"
#include "scriptapi/project_host.h"
#include "ui/raster_font.h"

class zEngine;
class zProject;
class zScene;
class zScene2D;

// Bit of the project's flag word: the script asked to end the project.
constexpr u32 ProjectEnd = 1;

// a's z minus b's z.
f32 CompareProjectLayers(const zProjectLayer& a, const zProjectLayer& b);

// The project's unit: caches OnSetup and OnUpdate at set-up.
class zProjectScriptUnit : public zScriptUnit {
  public:
    explicit zProjectScriptUnit(zScriptVM* vm) : zScriptUnit(vm) {}
    bool Setup() override;
    void Unload() override;
    bool HasMethod(const char* name) const { return CacheMethod(name) != nullptr; }

  private:
    std::unique_ptr<zScriptObject> m_onSetup;
    std::unique_ptr<zScriptObject> m_onUpdate;
};

// The zProjectHost base is how the script API reaches the project (see
// scriptapi/project_host.h): g_project holds the zProjectHost* of it.
class zProject : public zMetaObject, public zProjectHost {
  public:
    explicit zProject(zEngine* engine);
    ~zProject() override;
    zProject(const zProject&) = delete;
    zProject& operator=(const zProject&) = delete;

    // The environment reader and writer.
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;

    // Starts scripting, sets the unit up (its result ignored), then sets
    // "g_context_project" to isProject.
    bool Open(bool isProject);
    // Opens the VM, registers the script API, sets g_engine, g_project,
    // g_mixer, g_render, g_width, g_height, g_dt_frame, g_raw_dt_frame and
    // g_clock in that order, then runs the includes.
    bool StartScripting();
    // g_dt_frame and g_raw_dt_frame (seconds) and g_clock (clock units).
    void UpdateScriptClock() override;
    // The script's OnSetup; true whether or not the script has it.
    bool Setup();
    // OnUpdate, then the update of every active 3D scene in stack order.
    bool Evaluate(u32 mask);
    // Layers by z, larger first (equal z keeps its order); OnRender, then
    // per layer OnRenderScene and the scene's drawing.
    bool Render(u32 flags) override;
    // OnClose, then the layers, the scenes, the unit; closeVM closes the VM.
    bool Close(bool closeVM);
    // Close, then the name, includes and search paths back to the defaults.
    void Reset(bool closeVM);

    // The instance of the scene named path, else a new one of the file's
    // root ("Scene" or "Scene2d"); null when the file cannot be read or has
    // neither root (the stack unchanged).
    zProjectSceneInstance* Instantiate(const char* path) override;
    // Removes the instance's layers, then the instance; false when refused
    // or when the stack does not hold it.
    bool Unload(zProjectSceneInstance* instance) override;
    zProjectLayer* AddLayer(zProjectSceneInstance* instance, f32 z) override;
    zProjectSceneInstance* FindScene(const char* name) const override;
    // Calls the script's OnActivateScene with the instance, when the script
    // has it, then stores active.
    void ActivateScene(zProjectSceneInstance* instance, bool active) override;
    void RequestEnd() override { flags |= ProjectEnd; }
    // Scenes the stack does not list, over the project's engine and VM.
    zSharedPtr<zScene> NewScene() override;
    zSharedPtr<zScene2D> NewScene2D() override;
    zProjectSceneInstance* FindSceneByPointer(const void* scene) const;
    u32 GetSceneCount() const { return m_scenes.GetCount(); }
    u32 CountActiveScenes() const;
    bool HoldsInstance(const zProjectSceneInstance* instance) const;
    bool HoldsLayer(const zProjectLayer* layer) const;

    bool LoadProfilerFont(const char* path, const char* name);
    void ClearProfilerFont() { m_profilerFont.Clear(); }
    // The project's profiler page (project_profiler.cpp): the frame rate,
    // the scene list, the layer stack, and the page of every active scene
    // instance, in the project's font.
    void UpdateProfiler();
    zRasterFont& GetProfilerFont() { return m_profilerFont; }

    zSquirrelVM& GetVM() { return m_vm; }
    zEngine* GetEngine() const override { return m_engine; }
    zProjectScriptUnit& GetUnit() { return m_unit; }
    zScriptUnit& GetScriptUnit() override { return m_unit; }
    bool IsBusy() const { return m_busy != 0; }
    const zList<std::unique_ptr<zProjectSceneInstance>>& GetScenes() const { return m_scenes; }
    const zList<std::unique_ptr<zProjectLayer>>& GetLayers() const override { return m_layers; }

    zString name;
    zString fileName; // of the environment document
    zString authors;
    zString description;
    zString copyright;
    u32 flags = 0; // ProjectEnd
    zList<zString> includes;
    zList<zString> searchPaths; // read and written, never applied

  private:
    // False, with the refusal logged, while busy.
    bool Guard(const char* operation) const;
    // The script's method by name with the project first, then the extra
    // arguments; false when the script lacks it or the call fails.
    bool CallScript(const char* method, const zScriptValue* arguments = nullptr, u32 argumentCount = 0);
    void SortLayers();
    void DrawLayer(zProjectLayer* layer, u32 flags, bool& cleared);
    void FreeInstance(std::unique_ptr<zProjectSceneInstance> instance);
    void Invalidate(void* object);

    zEngine* m_engine;
    zSquirrelVM m_vm;
    zProjectScriptUnit m_unit{&m_vm};
    zRasterFont m_profilerFont;
    zList<std::unique_ptr<zProjectSceneInstance>> m_scenes;
    zList<std::unique_ptr<zProjectLayer>> m_layers;
    u8 m_busy = 0;
};
