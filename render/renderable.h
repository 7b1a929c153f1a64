// The contracts between the renderer and what it draws:
// - zRenderData: a renderer's private block attached to a resource; only the
//   renderer that made it reads it, and frees it through its Free operation.
// - zRenderablePrimitive: one drawable unit, owned by the list it was put in.
// - zRenderable: anything queued for drawing; it appends its primitives for a
//   view item.
// - zRendererSceneInterface: what the renderer asks of the scene it draws.
// - zRenderViewItem and zCameraBlock: the camera item the renderer views
//   from, implemented by the scene's camera.
#pragma once

#include "core/frustum.h"
#include "core/list.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

class zMaterial;
class zRegistry;
class zRenderLight;
struct zMinMax;

class zRenderData {
  public:
    virtual ~zRenderData() = default;
};

enum : u32 {
    PrimitiveObjectPart = 0,   // payload: the geometry or its volume-tree node
    PrimitiveEmitter = 1,      // payload: the emitter
    PrimitiveTerrainPatch = 2, // payload: the quadtree node
};

// Renderers may derive to carry more fields; the list that holds a primitive
// deletes it.
struct zRenderablePrimitive {
    u32 kind = PrimitiveObjectPart;
    class zRenderable* renderable = nullptr;
    f32 sortKey = 0.0f; // depth along the view's forward axis
    void* payload = nullptr;

    virtual ~zRenderablePrimitive() = default;
};

// A mesh part (kind PrimitiveObjectPart): the payload is the zGeometry, drawn
// with the item's world matrix; the previous frame's matrix feeds motion blur.
// A skinned part carries its item's skinning matrices, one per bone of the
// geometry (owned by the item, valid while the queue is drawn); a bone past
// boneCount, or a part without them, stays in its bind pose.
struct zMeshPrimitive : zRenderablePrimitive {
    zMatrix4 world;
    zMatrix4 previousWorld;
    const zMatrix4* skinning = nullptr;
    u32 boneCount = 0;
};

// A particle as the renderer draws it: a camera-facing square of half-side
// size around its world position, turned by angle (radians).
struct zRenderParticle {
    zVector position{0.0f, 0.0f, 0.0f, 1.0f};
    f32 size = 0.0f;
    f32 angle = 0.0f;
    f32 color[4] = {1.0f, 1.0f, 1.0f, 1.0f}; // red, green, blue, alpha
    f32 life = -1.0f;                        // negative: not alive
};

// What the renderer asks of an emitter (the renderable of a PrimitiveEmitter
// entry) while it draws it.
class zParticleSource {
  public:
    virtual ~zParticleSource() = default;
    // Null: the particles are not drawn.
    virtual zMaterial* GetParticleMaterial() const = 0;
    // Sorts the live particles along the camera's view axis (camera: its
    // world matrix) and answers their count.
    virtual u32 SortParticles(const zMatrix4& camera) = 0;
    // Index 0 is the farthest particle of the last sort; false past the count.
    virtual bool GetRenderParticle(u32 index, zRenderParticle& out) const = 0;
};

// The height grid a terrain patch (a PrimitiveTerrainPatch entry) samples:
// sample (column, row) stands at x = column x spacing, z = -row x spacing
// in the terrain's frame, at height sample / 20, with three signed normal
// bytes. Columns 0 .. lastColumn and rows 0 .. lastRow hold samples.
struct zTerrainPatchGrid {
    const i16* heights = nullptr;
    const i8* normals = nullptr;
    i32 rowStride = 0;
    i32 lastColumn = 0;
    i32 lastRow = 0;
    // The patch: its first column and row and its sampling step.
    i32 column = 0;
    i32 row = 0;
    i32 step = 1;
    f32 spacing = 1.0f;
    // The terrain's extent in x and z (texture coordinates run 0..1 over it).
    f32 extentX = 1.0f;
    f32 extentZ = 1.0f;
    zMatrix4 world;
    zMaterial* material = nullptr;
};

// What the renderer asks of a terrain (the renderable of a
// PrimitiveTerrainPatch entry): the grid of the entry's payload.
class zTerrainPatchSource {
  public:
    virtual ~zTerrainPatchSource() = default;
    // False when the payload is not a patch of this terrain or there is no grid.
    virtual bool GetPatchGrid(const void* patch, zTerrainPatchGrid& out) = 0;
};

class zRenderViewItem;

enum : u32 { RenderPassNormal = 0, RenderPassShadow = 1 };

class zRenderable {
  public:
    virtual ~zRenderable() = default;
    // Appends this renderable's primitives as seen from the view item.
    virtual void AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out,
                                  u32 flags) = 0;
};

class zRendererSceneInterface {
  public:
    virtual ~zRendererSceneInterface() = default;
    // Base: (0, 0, 0, 1).
    virtual void GetAmbient(zVector& out);
    // Base: nothing. The scene empties the list and appends the lights that
    // reach the bounds, up to maxCount.
    virtual void CollectLights(const zVector& position, const zMinMax& bounds, zList<zRenderLight*>& out,
                               u32 maxCount);
    // Base: nothing. The scene appends its lights nearest first, up to maxCount.
    virtual void SortLights(const zVector& position, zList<zRenderLight*>& out, u32 maxCount);
};

// The camera settings the renderer copies from its view item on ApplyView.
struct zCameraBlock {
    f32 aspect = -1.0f; // <= 0: taken from the renderer's viewport
    bool aspectRefYAxis = true;
    zFrustum frustum;
    f32 zNear = 0.099999994f;
    f32 zFar = 50000.0f;
    bool orthographic = false;
    f32 orthoWidth = 1.0f;
    f32 orthoHeight = 1.0f;
    f32 viewportSize[2] = {1.0f, 1.0f};
    f32 viewportOrigin[2] = {0.0f, 0.0f};
    f32 zoom = 3.2f;
};

class zRenderViewItem {
  public:
    virtual ~zRenderViewItem() = default;
    // The world-to-view matrix.
    virtual zMatrix4 GetViewMatrix() = 0;
    virtual zMatrix4 GetProjectionMatrix() = 0;
    // The camera's own update; the renderer calls it with (null, -1, -1):
    // its own frustum at its own near and far.
    virtual void UpdateFrustum(zFrustum* frustum, f32 nearDistance, f32 farDistance) = 0;
    virtual const zCameraBlock& GetCameraBlock() const = 0;
    // The item's transformation block (its world matrix).
    virtual const zMatrix4* GetTransformBlock() const = 0;
    // The camera's settings (the post-process keys); null: none.
    virtual zRegistry* GetViewRegistry() { return nullptr; }
    // The world matrix of the previous frame; null: it did not move.
    virtual const zMatrix4* GetPreviousTransformBlock() const { return nullptr; }
};
