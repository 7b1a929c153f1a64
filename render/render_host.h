// zRenderHost: what renderers and renderable resources need of the object
// that owns them. The engine sits above this folder and implements it; the
// renderer base applies the registration rules through it and resources send
// their destruction events through it.
//
// Registration rules: a renderer built with its register flag becomes
// current; destroying the default renderer leaves no current renderer;
// destroying the current one makes the default current again.
#pragma once

#include "core/types.h"

class zRenderer;
class zString;

class zRenderHost {
  public:
    virtual zRenderer* GetRenderer() const = 0;
    // The renderer the host made for itself (the null renderer), or null.
    virtual zRenderer* GetDefaultRenderer() const = 0;
    virtual void SetRenderer(zRenderer* renderer) = 0;
    // Hands (code, payload) to every core listener, in order.
    virtual void SendEvent(u32 code, void* payload) = 0;
    // While 1, ShowFrame neither pumps window messages nor swaps buffers.
    virtual u32 GetStateWord() const = 0;

    // File hooks of the renderers' own loaders (shader libraries). A path
    // that failed to load may be replaced by one other path to try: true when
    // it was. The base has no hooks.
    virtual bool RedirectMissingFile(zString& /*path*/) { return false; }
    virtual void NotifyFileOpened(const char* /*path*/) {}

    // While true, geometry optimisation keeps the source geometry's own
    // arrays beside its leaves.
    virtual bool GetKeepSource() const { return true; }

  protected:
    ~zRenderHost() = default;
};
