// The raytracer's lights and the per-light evaluation: whether a light
// reaches a surface point and with which diffuse and specular factors.
// The factors already carry the light's intensities, so the shading
// multiplies them by the light's colours only (intensity applies once).
#pragma once

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

enum : u32 {
    RayLightPoint = 1, // any type other than 2 and 3 is a point light
    RayLightDirectional = 2,
    RayLightSpot = 3,
};

// One light as the raytracer reads it; the scene fills these records.
struct zRayLight {
    u32 type = RayLightPoint;
    // Row 3 the position; the light shines along row 2 (its Z axis).
    zMatrix4 world;
    f32 range = 0.0f; // 0: no distance attenuation
    zVector diffuse{1.0f, 1.0f, 1.0f, 1.0f};
    f32 diffuseIntensity = 1.0f;
    zVector specular{1.0f, 1.0f, 1.0f, 1.0f};
    f32 specularIntensity = 0.0f;
    f32 innerAngle = 0.0f;   // spot cone, radians
    f32 falloffAngle = 0.0f; // spot edge beyond the cone, radians
    u32 shadow = 0;          // non-zero: casts shadows
    // Length of a directional light's shadow rays: the light's volume range.
    f32 shadowDistance = 500.0f;
};

// view: the unit vector from the point toward the viewer, or null (no
// specular). diffuse and specular may each be null when not wanted; both
// null gives false at once. Outputs are 0 whenever false is returned.
bool EvaluateLight(const zRayLight& light, const zVector& point, const zVector& normal, f32* diffuse,
                   f32* specular, const zVector* view, f32 glossiness, bool halfVector, bool cookTorrance);
