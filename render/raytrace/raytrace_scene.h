// What the raytracer reads of a scene: the camera, the object items with
// their geometry and matrices, the lights, and the scene's colours. The
// scene runtime fills one zRaytraceScene and keeps it up to date between
// frames (matrices, camera); the raytracer keeps pointers to its records from
// SetScene on, so the vectors must not be resized without a new SetScene.
#pragma once

#include <vector>

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "render/raytrace/light_model.h"

class zGeometry;

// One object item.
struct zRayObject {
    zMatrix4 world;
    zMatrix4 inverse; // of world
    // Not owned. Left out without materials or polygons.
    zGeometry* geometry = nullptr;
    // The leaf geometries of an optimised geometry (its octree), all of them
    // whatever their visibility; when given they enter in place of geometry,
    // whose own polygons may have been freed by the optimisation.
    std::vector<zGeometry*> parts;
    f32 opacity = 1.0f;  // 0 keeps the item out
    bool hidden = false; // the item's state keeps it out
    // The skeleton of a skinned geometry: bone matrices carrying bind-pose
    // vertices to their posed place, in the item's space.
    std::vector<zMatrix4> bones;
};

struct zRayCamera {
    zMatrix4 world; // row 3 the eye; the view looks along row 2
    zMatrix4 inverse;
    f32 aspect = -1.0f; // <= 0: 1.0
    f32 zoom = 3.2f;    // 1 / tan(fov / 2)
};

struct zRaytraceScene {
    zVector background{0.0f, 0.0f, 0.0f, 1.0f}; // rays that hit nothing
    zVector ambient{0.0f, 0.0f, 0.0f, 1.0f};
    f32 ambientIntensity = 1.0f;
    bool hasCamera = false; // the scene's current camera, when set
    zRayCamera camera;
    std::vector<zRayObject> objects; // scene order
    std::vector<zRayLight> lights;
    u64 clockTicks = 0; // the engine clock, 100 microsecond units
};
