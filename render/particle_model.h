// zParticleModel: the counted, loadable description shared by particle
// emitters (material, lifetime, curves). This is the part the caches need:
// the ZML load with its root check and the material that is set up after a
// load. The "ParticleModel" reader and writer belong to the emitters' sources.
#pragma once

#include "core/shared_object.h"
#include "core/zstring.h"
#include "markup/meta_object.h"
#include "render/material.h"
#include "render/render_host.h"

class zParticleModel : public zSharedObject, public zMetaObject {
  public:
    explicit zParticleModel(zRenderHost* engine);

    // Checks the root tag's name ("ParticleModel").
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;

    zRenderHost* GetEngine() const { return m_engine; }
    const zString& GetName() const { return m_name; }
    void SetName(const zString& name) { m_name = name; }
    zMaterial* GetMaterial() const { return m_material.Get(); }
    void SetMaterial(zMaterial* material) { m_material = material; }

  private:
    zRenderHost* m_engine;
    zString m_name;
    zSharedPtr<zMaterial> m_material;
};
