// zSceneBIH: the raytracer's tree over (object item, geometry) pairs. A leaf
// moves the ray into each item's space and asks the geometry's own tree,
// built on first use; distances stay those of the world ray. A nearest-hit
// query skips nodes beyond its best hit, an any-hit query ends at the first.
#pragma once

#include <vector>

#include "core/shared_object.h"
#include "render/raytrace/bih.h"
#include "render/raytrace/ray_hit.h"

class zGeometry;
struct zRayObject;

// One thread's side of queries: what they counted, and whether they may build
// a geometry's missing tree (only one thread at a time may).
struct zSceneQueryState {
    u64 rays = 0;
    u8 buildTrees = 1;
    u8 missedTree = 0; // a query passed a geometry whose tree was missing and not built
    u32 built = 0;     // trees built
};

struct zScenePrimitive {
    const zRayObject* object;
    zGeometry* geometry;
};

class zSceneBIH : public zBIH {
  public:
    static constexpr u32 SceneLeafLimit = 3;

    zSceneBIH();
    ~zSceneBIH() override;

    // hit.searchMode chooses nearest or any hit; maxDistance <= 0: no limit.
    void Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance);
    // The same, counted in state instead of the tree; several threads may query
    // at once when none builds trees. AddRayCount folds their counts in.
    void Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance,
                   zSceneQueryState& state) const;
    void AddRayCount(u64 rays) { m_rayCount += rays; }
    void IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame, void* user) override;
    // Also empties the primitives and the owned geometries.
    void Clear() override;

    std::vector<zScenePrimitive>& GetPrimitives() { return m_primitives; }
    const std::vector<zScenePrimitive>& GetPrimitives() const { return m_primitives; }
    // Geometries made for this tree (deformed skins), freed with it.
    std::vector<zSharedPtr<zGeometry>>& GetGeometries() { return m_geometries; }
    u64 GetRayCount() const { return m_rayCount; }

  private:
    struct Query {
        zRayHit* hit;
        f32 maxDistance;
        zSceneQueryState* state;
    };
    void Walk(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance,
              zSceneQueryState& state) const;
    std::vector<zScenePrimitive> m_primitives;
    std::vector<zSharedPtr<zGeometry>> m_geometries;
    u64 m_rayCount = 0;
};
