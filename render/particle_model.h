// zParticleModel: the counted, loadable description that particle emitters
// share: the material the particles are drawn with, their lifetime, the
// damping and gravity that move them, and six curves over particle age in
// seconds (angle, size, red, green, blue, opacity). The engine's caches load
// it by path; the "ParticleModel" tag is its reader and writer.
//
// The reader keeps what a child does not name: a model read from a file
// without "TTL" lives 4 seconds. Whatever the file holds, the material ends
// up with MaterialFlagParticle set, so the renderer draws it as particles.
#pragma once

#include "core/shared_object.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "markup/meta_object.h"
#include "render/curve.h"
#include "render/material.h"
#include "render/render_host.h"

class zParticleModel : public zSharedObject, public zMetaObject {
  public:
    // The curves, in the order their tags are written.
    enum : u32 { CurveAngle, CurveSize, CurveRed, CurveGreen, CurveBlue, CurveOpacity, CurveCount };
    static const char* const CurveTagNames[CurveCount];

    // host (may be null) is what the material loads its textures through.
    explicit zParticleModel(zRenderHost* engine, zMaterialHost* host = nullptr);

    // The "ParticleModel" reader; name becomes the document's path.
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;
    // The tag itself: ParseRootTag without taking the document's name.
    bool ParseTag(const zMetaTag* root);
    // A new "ParticleModel" tag the caller owns, or null (logged).
    zMetaTag* SerializeTag() const;

    // A linear key at time in the red, green, blue and opacity curves.
    void AddColorKey(f32 time, f32 red, f32 green, f32 blue, f32 alpha);

    zRenderHost* GetEngine() const { return m_engine; }
    const zString& GetName() const { return m_name; }
    void SetName(const zString& name) { m_name = name; }
    // Null only when it could not be allocated.
    zMaterial* GetMaterial() const { return m_material.Get(); }
    zCurve& GetCurve(u32 index) { return m_curves[index < CurveCount ? index : 0]; }
    const zCurve& GetCurve(u32 index) const { return m_curves[index < CurveCount ? index : 0]; }

    f32 ttl = 4.0f;                                    // particle lifetime, seconds
    f32 damping = 1.0f;                                // velocity factor per second
    zVector gravity = zVector(0.0f, 0.0f, 0.0f, 1.0f); // units per second squared

  private:
    zRenderHost* m_engine;
    zString m_name;
    zSharedPtr<zMaterial> m_material;
    zCurve m_curves[CurveCount];
};
