// zLight: a light source placed as an item. Its world matrix never carries
// scale (UpdateMatrices normalises the axes after every recomputation), so the
// renderer reads unit axes: row 2 is the direction a spot or parallel light
// shines along. A spot light keeps its own frustum (opening 2 (cone + edge),
// near plane to volume range) for shadow culling and gives the matching
// projection; every other type keeps the frustum as it stands and projects
// through the identity.
//
// The renderer owns whatever it attaches to the light: SetupRenderData hands
// the light over, UpdateRenderData refreshes it and the destructor frees it
// through the engine's current renderer. The renderer reads the public fields
// directly; the "Light" tag (ParseLight, SerializeLight) fills and writes them.
#pragma once

#include "core/frustum.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "render/render_light.h"
#include "scene/item.h"

class zEngine;
class zMetaTag;
class zMLight;
class zRenderData;
class zRenderer;
class zTexture;

enum : u32 {
    LightTypeNone = 0,
    LightTypePoint = 1,
    LightTypeParallel = 2,
    LightTypeSpot = 3,
    LightTypeArea = 4,
};

enum : u32 {
    LightShadowNone = 0,
    LightShadowPMap = 1,
    LightShadowMap = 2,
};

enum : u32 {
    LightFalloffLinear = 0,
    LightFalloffInvDist = 1,
    LightFalloffInvDist2 = 2,
};

// 30 degrees.
constexpr f32 LightDefaultAngle = 0.5235988f;
constexpr f32 LightDefaultZNear = 0.02f;
constexpr f32 LightDefaultVolumeRange = 500.0f;
// A "ZNear" read from a file is never below this.
constexpr f32 LightMinimumFileZNear = 0.1f;
// At or below this both intensities leave a managed light inactive.
constexpr f32 LightInactiveIntensity = 0.001f;

class zLight : public zItem, public zRenderLight {
  public:
    explicit zLight(zEngine* engine = nullptr);
    // The current renderer frees its data of the light.
    ~zLight() override;

    // Every field below back to its default; the shader name emptied and the
    // projection texture released. The renderer's data stays.
    void SetDefaults();

    // The item's update; when it recomputed the world matrix, the three axis
    // rows are normalised. A spot light's frustum is rebuilt every call.
    void UpdateMatrices() override;
    // Spot lights: rows (c, 0, 0, 0), (0, c, 0, 0), (0, 0, f/(f-n), -nf/(f-n)),
    // (0, 0, 1, 0) in the sense of TransformArray, with c = cot(cone + edge),
    // n the near plane and f the volume range. Other types: the identity.
    zMatrix4 GetProjectionMatrix() const;
    // The full opening angle of a spot light's frustum.
    f32 GetSpotFov() const { return 2.0f * (coneAngle + edgeAngle); }

    // The current renderer's SetupLight, then its UpdateLight.
    void SetupRenderData();
    // The current renderer's UpdateLight.
    void UpdateRenderData();
    // The world matrix's translation and row 2.
    void GetRenderAxes(zVector& position, zVector& zAxis) override;
    zMatrix4 GetRenderWorld() override { return *GetWorldMatrix(); }
    zTexture* GetRenderProjectionTexture() const override { return m_projectionTexture.Get(); }

    // Counted replacement; null clears.
    void SetProjectionTexture(zTexture* texture);
    zTexture* GetProjectionTexture() const { return m_projectionTexture.Get(); }

    zFrustum frustum;
    // The renderer's per-face records (six cube faces for point shadows).
    zRenderData* faceRecords[6] = {};
    f32 clipDistance = 300.0f;
    // The managed light; null for a bare light and once the managed part is
    // destroyed.
    zMLight* owner = nullptr;

  private:
    zRenderer* GetCurrentRenderer() const;

    zSharedPtr<zTexture> m_projectionTexture;
};

// The "Light" tag. Reading resets the light to its defaults first; "Type",
// "Shadow" and "Falloff" words that name nothing are warnings and leave the
// field as the reset left it. "ProjectionMap" loads through the engine's
// texture cache (nothing without an engine). False only for a wrong root.
bool ParseLight(zLight& light, const zMetaTag* tag);
// A new tag the caller owns; values equal to their defaults are left out,
// except the three volumetric values, which are always written. Null on
// failure (logged).
zMetaTag* SerializeLight(const zLight& light);
