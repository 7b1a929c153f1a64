// zRayHit: what a ray query finds, filled by the trees' Intersect and
// completed by the raytracer's shading. The geometry trees work in the
// geometry's own space; the scene tree copies their answer into the record of
// the world ray, so distances are the same in both spaces (the direction is
// carried by the item's matrix without normalising).
#pragma once

#include "core/types.h"
#include "core/vector.h"

class zGeometry;
class zMaterial;
struct zRayObject;

enum : u8 {
    RaySearchAny = 0,     // any hit ends the query (opaque shadow rays)
    RaySearchNearest = 1, // the nearest hit
};

struct zRayHit {
    u8 searchMode = RaySearchNearest;
    zGeometry* geometry = nullptr;
    u8 found = 0;
    f32 distance = -1.0f;
    zVector origin;
    zVector direction;
    u8 backFace = 0;
    i32 polygon = -1;
    u32 fanTriangle = 0; // k: the hit triangle is (Q0, Q(k+1), Q(k+2))
    f32 w1 = 0.0f;       // weight of fan vertex k + 1
    f32 w2 = 0.0f;       // weight of fan vertex k + 2
    f32 w0 = 0.0f;       // weight of the polygon's first vertex
    u32 rayCount = 0;    // rays tested inside the geometry trees
    zVector point;       // world hit point
    zVector normal;      // world shading normal, unit length
    zMaterial* material = nullptr;
    f32 mediumIndex = 1.0f;
    const zRayObject* object = nullptr;
};
