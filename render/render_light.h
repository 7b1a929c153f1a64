// zRenderLight: what a renderer reads of a light. The scene's light derives
// from it and keeps these fields current, so the render layer never depends
// on the scene graph.
//
// The renderer attaches a block of its own (SetupLight) and frees it
// (FreeLight); the light only carries the pointer, as materials and
// textures do.
#pragma once

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"

class zRenderData;
class zTexture;

class zRenderLight {
  public:
    virtual ~zRenderLight() = default;

    // World position (w ignored) and the unit z axis the light shines along.
    virtual void GetRenderAxes(zVector& position, zVector& zAxis) = 0;
    // The world matrix with unit axes (rows 0-2) and the position (row 3).
    // Base: built from GetRenderAxes with an x axis at right angles to z.
    virtual zMatrix4 GetRenderWorld();
    // A spot light's projection, looking along +z with depth 0..1 from the
    // near plane to the volume range: rows (c, 0, 0, 0), (0, c, 0, 0),
    // (0, 0, f/(f-n), -nf/(f-n)), (0, 0, 1, 0), c = cot(cone + edge). The
    // identity for other types.
    zMatrix4 GetRenderProjection() const;
    virtual zTexture* GetRenderProjectionTexture() const { return nullptr; }

    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

    u32 type = 1;     // 1 point, 2 parallel, 3 spot, 4 area
    f32 range = 0.0f; // 0: no limit
    zVector diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    zVector specular{1.0f, 1.0f, 1.0f, 1.0f};
    f32 diffuseIntensity = 1.0f;
    f32 specularIntensity = 0.0f;
    // Half opening of a spot light's cone and the soft edge beyond it, radians.
    f32 coneAngle = 0.5235988f;
    f32 edgeAngle = 0.5235988f;
    // 0 none, 1 alpha-blended light, 2 shadow-mapped.
    u32 shadowMode = 0;
    // The parallel-split shadow maps' far distance and blend of logarithmic
    // and uniform splits.
    f32 shadowRange = 100.0f;
    f32 shadowDistribution = 0.9f;
    f32 shadowBias = 0.01f;
    zVector shadowColor{0.0f, 0.0f, 0.0f, 1.0f};
    // Near plane and far plane of a spot light's frustum.
    f32 zNear = 0.02f;
    f32 volumeRange = 500.0f;
    // Falloff code; lights reach range + falloff and fade over the last 50
    // units before it.
    u32 falloff = 0;
    u32 volumetric = 0;
    f32 volumetricSampleStep = 0.5f;
    f32 volumetricRange = 8.0f;
    f32 volumetricThickness = 1.0f;
    // A shader of the renderer's library used instead of the core choice.
    zString shaderName;

  private:
    zRenderData* m_renderData = nullptr; // the renderer's, freed by FreeLight
};
