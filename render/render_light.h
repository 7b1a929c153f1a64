// zRenderLight: what a renderer reads of a light. The scene's light derives
// from it and keeps these fields current, so the render layer never depends
// on the scene graph.
#pragma once

#include "core/types.h"
#include "core/vector.h"

class zRenderLight {
  public:
    virtual ~zRenderLight() = default;

    // World position (w ignored) and the unit z axis the light shines along.
    virtual void GetRenderAxes(zVector& position, zVector& zAxis) = 0;

    u32 type = 1;       // 1 point, 2 parallel, 3 spot, 4 area
    f32 range = 0.0f;   // 0: no limit
    zVector diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    zVector specular{1.0f, 1.0f, 1.0f, 1.0f};
    f32 diffuseIntensity = 1.0f;
    f32 specularIntensity = 0.0f;
    // Half opening of a spot light's cone, radians.
    f32 coneAngle = 0.5235988f;
};
