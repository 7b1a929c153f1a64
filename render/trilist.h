// zTrilist: one material's triangles of a geometry, with their own compact
// vertex array, as the GPU renderers upload them. BuildFromGeometry cuts a
// geometry into such lists.
//
// Only polygons of the geometry's materials are drawn: one whose material
// index is past the material count goes into no list, and a geometry without
// materials gives no lists.
//
// Limits: a list holds fewer triangles than the limit the caller gives (the
// renderers pass 16384) and a bone palette of at most the caller's bone limit
// (TrilistMaxBones unless a renderer's programs hold fewer; never below 4,
// one vertex's influences); a list takes no further polygon once its palette
// holds TrilistBoneThreshold bones (or the limit), nor a polygon whose bones
// would overflow the palette. Each of a vertex's four influences takes a
// palette entry, whatever its weight. A polygon too large for one list is
// split across lists; polygons of any corner count are fanned whole.
// Triangles keep the corner order of their polygon: (corner 0, k, k + 1).
//
// Normals: the binding normals; a geometry without them but with polygon
// normals (flat shading) gives each corner its polygon's normal, and then a
// vertex is shared only between polygons of one normal.
#pragma once

#include "core/linked_list.h"
#include "core/types.h"
#include "core/vector.h"
#include "render/geometry.h"

constexpr u32 TrilistMaxBones = 32;
constexpr u32 TrilistBoneThreshold = 28;

// Four weights and the four palette indices of their bones (20 bytes).
struct zTrilistSkin {
    f32 weights[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    u8 bones[4] = {0, 0, 0, 0};
};

class zTrilist : public zLinkedListEntry {
  public:
    zTrilist() = default;
    ~zTrilist() override = default;

    // The lists of the geometry, which the caller owns; null (logged) for a
    // geometry without polygons or when memory runs out.
    static zLinkedList* BuildFromGeometry(zGeometry* geometry, u32 triangleLimit,
                                          u32 boneLimit = TrilistMaxBones);
    // As the GPU renderers take a geometry: its material flags and binding
    // total brought up to date, polygon normals for a geometry without
    // binding normals (flat surfaces, as the raytracer lights them), then
    // the lists.
    static zLinkedList* BuildForRenderer(zGeometry* geometry, u32 triangleLimit, u32 boneLimit);

    u32 vertexCount = 0;
    zGeometryBuffer<zVector> vertices;
    u32 triangleCount = 0;
    zGeometryBuffer<u32> indices; // three list vertices per triangle
    u32 boneCount = 0;
    zGeometryBuffer<zTrilistSkin> skin;           // per vertex, with a skinned geometry
    zGeometryBuffer<u16> bonePalette;             // geometry bone id per palette entry
    zGeometryBuffer<zVector> normals;             // with binding or polygon normals
    zGeometryBuffer<zTangentFrame> tangentFrames; // with tangent frames and a NormalMapTangent material
    zGeometryBuffer<zVector> colors;              // with binding colours
    zGeometryBuffer<zVector2> uvs[GeometryMaxUVChannels]; // always, zero where the geometry has no channel
    u32 materialIndex = 0;
};
