// The project as its script drives it. zProject lives in app/, above this
// library, so the Project natives reach it through zProjectHost, an interface
// that zProject implements, and through the scene stack's two records, which
// live here so the natives can read them.
//
// Handles: g_project (kind 5) holds the project as a zProjectHost* (the
// project publishes static_cast<zProjectHost*>(this)), so a native turns the
// handle's pointer back with static_cast<zProjectHost*> and never needs the
// zProject type. Kind 44 handles hold a zProjectSceneInstance*, kind 45 a
// zProjectLayer*; the project invalidates both when it frees them (unload,
// close), so a kept handle becomes "Deleted native".
#pragma once

#include <memory>

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"

class zEngine;
class zProjectHost;
class zScene;
class zScene2D;
class zScriptUnit;

// Render flag: draw without script events.
constexpr u32 ProjectRenderNoScripts = 1;

// One instantiated scene (script kind 44); only active ones are evaluated
// and drawn.
class zProjectSceneInstance {
  public:
    enum : u32 { KindEmpty = 0, KindScene = 1, KindScene2D = 2 };

    // Calls the project script's OnActivateScene with the instance, when the
    // script has it, then stores active.
    static void Activate(zProjectHost& project, zProjectSceneInstance* instance, bool active);
    // The scene's name, or "Empty".
    void GetName(zString& out) const;
    // Releases the scene; kind becomes KindEmpty.
    void Destroy();

    u8 active = 1;
    u32 kind = KindEmpty;
    zSharedPtr<zScene> scene;     // KindScene
    zSharedPtr<zScene2D> scene2D; // KindScene2D
};

// A place of an instance in the drawing order (script kind 45). The instance
// is not owned; it may sit in any number of layers. The 2D offset is the
// one scripts set on every layer of a 2D scene.
struct zProjectLayer {
    zProjectSceneInstance* instance = nullptr;
    f32 z = 0.0f;
    f32 offset2D[2] = {0.0f, 0.0f};
};

class zProjectHost {
  public:
    virtual zEngine* GetEngine() const = 0;
    // The project's own script unit.
    virtual zScriptUnit& GetScriptUnit() = 0;
    virtual void UpdateScriptClock() = 0;
    // Ends the run after the current frame.
    virtual void RequestEnd() = 0;
    // See zProject for the rules of each; null or false when refused.
    virtual zProjectSceneInstance* Instantiate(const char* path) = 0;
    virtual bool Unload(zProjectSceneInstance* instance) = 0;
    virtual zProjectLayer* AddLayer(zProjectSceneInstance* instance, f32 z) = 0;
    virtual zProjectSceneInstance* FindScene(const char* name) const = 0;
    virtual void ActivateScene(zProjectSceneInstance* instance, bool active) = 0;
    virtual bool Render(u32 flags) = 0;
    // The layers in their current order.
    virtual const zList<std::unique_ptr<zProjectLayer>>& GetLayers() const = 0;
    // New scenes over the project's engine and VM that the stack does not
    // list; null (logged) when they cannot be made.
    virtual zSharedPtr<zScene> NewScene() = 0;
    virtual zSharedPtr<zScene2D> NewScene2D() = 0;

  protected:
    ~zProjectHost() = default;
};

inline void zProjectSceneInstance::Activate(zProjectHost& project, zProjectSceneInstance* instance, bool active) {
    project.ActivateScene(instance, active);
}
