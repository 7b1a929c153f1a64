// zMaterial: a counted surface description made over the engine and prepared
// for drawing through the current renderer. This is the part the caches and
// the particle models need; the "Material" tag reader and writer belong to
// the material's own sources.
#pragma once

#include "core/shared_object.h"
#include "render/renderable.h"
#include "render/render_host.h"

enum : u32 {
    MaterialFlagParticle = 32, // set by the particle model reader
};

class zMaterial : public zSharedObject {
  public:
    explicit zMaterial(zRenderHost* engine);
    // Frees the renderer's data through the current renderer.
    ~zMaterial() override;

    // Prepares the material on the current renderer; false without one.
    bool Setup();

    zRenderHost* GetEngine() const { return m_engine; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

  private:
    zRenderHost* m_engine;
    u32 m_flags = 0;
    zRenderData* m_renderData = nullptr;
};
