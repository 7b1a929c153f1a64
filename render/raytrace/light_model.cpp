#include "render/raytrace/light_model.h"

#include <cmath>

#include "core/log.h"

bool EvaluateLight(const zRayLight& light, const zVector& point, const zVector& normal, f32* diffuse,
                   f32* specular, const zVector* view, f32 glossiness, bool halfVector, bool cookTorrance) {
    if (!diffuse && !specular) return false;
    if (diffuse) *diffuse = 0.0f;
    if (specular) *specular = 0.0f;

    f32 attenuation = 1.0f;
    zVector toLight;
    if (light.type == RayLightDirectional) {
        toLight = light.world.GetRow(2, true).MulReal(-1.0f).Normalize();
    } else {
        const zVector offset = light.world.GetRow(3, true).Sub(point);
        const f32 distance = offset.Length();
        toLight = offset.Normalize();
        if (light.range != 0.0f) {
            attenuation = 1.0f - distance / light.range;
            if (!(attenuation > 0.0f)) return false;
        }
        if (light.type == RayLightSpot) {
            const zVector axis = light.world.GetRow(2, true).Normalize();
            f32 cosine = axis.Dot(toLight.MulReal(-1.0f));
            cosine = cosine > 1.0f ? 1.0f : (cosine < -1.0f ? -1.0f : cosine);
            const f32 angle = std::acos(cosine);
            if (angle > light.innerAngle + light.falloffAngle) return false;
            if (angle > light.innerAngle && light.falloffAngle > 0.0f)
                attenuation *= 1.0f - (angle - light.innerAngle) / light.falloffAngle;
        }
    }
    const f32 lambert = normal.Dot(toLight);
    if (!(lambert > 0.0f)) return false;
    if (diffuse) *diffuse = lambert * attenuation * light.diffuseIntensity;
    if (specular && view) {
        f32 s = 0.0f;
        if (cookTorrance) {
            GetLog() << "[*] Cook-Torrance specular model not implemented.\n";
        } else {
            if (halfVector) {
                s = normal.Dot(toLight.Add(*view).Normalize());
            } else {
                const zVector reflected = normal.MulReal(2.0f * lambert).Sub(toLight);
                s = reflected.Dot(*view);
            }
            s = s > 0.0f ? std::pow(s, glossiness * 96.0f) : 0.0f;
        }
        *specular = s * attenuation * light.specularIntensity;
    }
    return true;
}
