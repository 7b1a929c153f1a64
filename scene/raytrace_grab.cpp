#include "scene/raytrace_grab.h"

#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "render/geometry.h"
#include "render/octree.h"
#include "render/raytrace/raytrace_scene.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/scene.h"

namespace {

zVector ColourOf(const f32 (&rgba)[4]) {
    return zVector(rgba[0], rgba[1], rgba[2], rgba[3]);
}

// The two state bits that keep an item out: inactive, or invisible.
bool IsHidden(const zMItem& managed, const zItem& item) {
    return !managed.IsActive() || (item.GetFlags() & ItemInvisible) != 0;
}

zRayObject ObjectRecord(zMObject& object) {
    zRayObject record;
    record.world = *object.GetWorldMatrix();
    record.inverse = *object.GetInverseMatrix();
    record.geometry = object.GetGeometry();
    // An optimised geometry enters through all its leaves, whatever their
    // visibility, and never beside them: its own arrays may be freed, or
    // kept whole, and either way its polygons must not be traced twice.
    if (const zOctreeNode* root = record.geometry ? record.geometry->GetOctree() : nullptr)
        root->GetLeafGeometries(record.parts);
    record.opacity = object.GetAlpha();
    record.hidden = IsHidden(object, object);
    if (const zMatrix4* skinning = object.GetSkinningMatrices())
        record.bones.assign(skinning, skinning + object.GetBoneCount());
    return record;
}

zRayLight LightRecord(zMLight& light) {
    zRayLight record;
    record.type = light.type == LightTypeParallel ? RayLightDirectional
                  : light.type == LightTypeSpot   ? RayLightSpot
                                                  : RayLightPoint;
    record.world = *light.GetWorldMatrix();
    record.range = light.range;
    record.diffuse = light.diffuse;
    record.diffuseIntensity = light.diffuseIntensity;
    record.specular = light.specular;
    record.specularIntensity = light.specularIntensity;
    record.innerAngle = light.coneAngle;
    record.falloffAngle = light.edgeAngle;
    record.shadow = light.shadowMode;
    record.shadowDistance = light.volumeRange;
    return record;
}

void GrabCamera(zMCamera& camera, zRayCamera& out) {
    out.world = *camera.GetWorldMatrix();
    out.inverse = *camera.GetInverseMatrix();
    out.aspect = camera.GetAspect();
    out.zoom = camera.GetZoom();
}

} // namespace

bool GrabRaytraceScene(zScene& scene, zRaytraceScene& out) {
    out = zRaytraceScene();
    out.background = ColourOf(scene.backgroundColor);
    out.ambient = ColourOf(scene.ambientColor);
    out.ambientIntensity = scene.ambientIntensity;
    if (const zEngine* engine = scene.GetEngine()) out.clockTicks = engine->GetClock();
    if (zMCamera* camera = scene.GetCurrentCamera()) {
        out.hasCamera = true;
        GrabCamera(*camera, out.camera);
    }
    try {
        for (auto* node = scene.GetAllItems().GetHead(); node; node = node->next) {
            zMItem* item = node->value;
            if (item->GetKind() == ManagedKindObject) {
                auto* object = dynamic_cast<zMObject*>(item);
                if (object && object->GetGeometry()) out.objects.push_back(ObjectRecord(*object));
            } else if (item->GetKind() == ManagedKindLight) {
                auto* light = dynamic_cast<zMLight*>(item);
                if (light && !IsHidden(*light, *light)) out.lights.push_back(LightRecord(*light));
            }
        }
    } catch (const std::bad_alloc&) {
        out.objects.clear();
        out.lights.clear();
        GetLog() << "[!] Failed to grab scene to raytracer.\n";
        return false;
    }
    return true;
}
