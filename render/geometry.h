// zGeometry: a counted mesh resource made over the engine, loaded from a
// "Geometry" ZML document and uploaded through the current renderer. This is
// the part the resource caches and the renderer need: the name, the flags,
// the renderer data, set-up, and the destruction events (5 before, 6 after
// the renderer freed its data). The mesh arrays and the file reader belong
// to the geometry's own sources.
#pragma once

#include "core/shared_object.h"
#include "core/zstring.h"
#include "io/zml/meta_object.h"
#include "render/renderable.h"
#include "render/render_host.h"

enum : u32 {
    GeometryNotDrawn = 1,
    GeometryNotDrawnBeyondLod = 2,
    GeometryNoShadow = 4,
};

class zGeometry : public zSharedObject, public zMetaObject {
  public:
    explicit zGeometry(zRenderHost* engine);
    ~zGeometry() override;

    // Checks the root tag's name ("Geometry").
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;

    // Uploads through the current renderer ("Geometry Setup" profiler
    // section); false without a renderer.
    bool Setup();
    void Free();

    zRenderHost* GetEngine() const { return m_engine; }
    const zString& GetName() const { return m_name; }
    void SetName(const zString& name) { m_name = name; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

  private:
    zRenderHost* m_engine;
    zString m_name;
    u32 m_flags = 0;
    zRenderData* m_renderData = nullptr;
};
