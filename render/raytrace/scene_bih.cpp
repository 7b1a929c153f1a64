#include "render/raytrace/scene_bih.h"

#include "render/geometry.h"
#include "render/raytrace/geometry_trees.h"
#include "render/raytrace/ray_math.h"
#include "render/raytrace/raytrace_scene.h"

zSceneBIH::zSceneBIH() {
    SetLeafLimit(SceneLeafLimit);
    RegisterGeometryTrees();
}

zSceneBIH::~zSceneBIH() {
    zSceneBIH::Clear();
}

void zSceneBIH::Clear() {
    zBIH::Clear();
    m_primitives.clear();
    m_geometries.clear();
}

void zSceneBIH::Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance) {
    ++m_rayCount;
    zSceneQueryState state;
    Walk(hit, origin, direction, maxDistance, state);
}

void zSceneBIH::Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance,
                          zSceneQueryState& state) const {
    ++state.rays;
    Walk(hit, origin, direction, maxDistance, state);
}

void zSceneBIH::Walk(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance,
                     zSceneQueryState& state) const {
    hit.origin = origin;
    hit.direction = direction;
    hit.distance = -1.0f;
    hit.found = 0;
    zBIHTraversal frame;
    frame.searchMode = hit.searchMode;
    Query query{&hit, maxDistance, &state};
    // The walk and the leaf test change nothing of the tree but the trees a
    // leaf builds, and those only with state.buildTrees.
    const_cast<zSceneBIH*>(this)->Traverse(frame, origin, direction, maxDistance, &query);
}

void zSceneBIH::IntersectLeaf(const zBIHNode& leaf, f32, f32, zBIHTraversal& frame, void* user) {
    Query& query = *static_cast<Query*>(user);
    zRayHit& hit = *query.hit;
    for (u32 i = 0; i < leaf.count; ++i) {
        const zScenePrimitive& primitive = m_primitives[leaf.indices[i]];
        zGeometry* geometry = primitive.geometry;
        if (!geometry->GetTree()) {
            if (!query.state->buildTrees) {
                query.state->missedTree = 1;
                continue;
            }
            if (!geometry->BuildTree(GeometryTreeBIH)) continue;
            ++query.state->built;
        }
        const zVector localOrigin = frame.origin.ApplyMatrix(primitive.object->inverse);
        const zVector localDirection = RayDirection(frame.direction, primitive.object->inverse);
        zRayHit local;
        local.searchMode = hit.searchMode;
        // A polygon tree need not look beyond the nearest hit so far (it
        // could only tie with it, and a tie keeps the first).
        f32 limit = query.maxDistance;
        if (hit.found && hit.distance > 0.0f && (limit <= 0.0f || hit.distance < limit) &&
            dynamic_cast<zGeometryBIH*>(geometry->GetTree()))
            limit = hit.distance;
        geometry->GetTree()->Intersect(local, localOrigin, localDirection, limit);
        hit.rayCount += local.rayCount;
        if (!local.found || (hit.found && local.distance >= hit.distance)) continue;
        hit.found = 1;
        hit.distance = local.distance;
        hit.polygon = local.polygon;
        hit.fanTriangle = local.fanTriangle;
        hit.w0 = local.w0;
        hit.w1 = local.w1;
        hit.w2 = local.w2;
        hit.backFace = local.backFace;
        hit.geometry = local.geometry;
        hit.object = primitive.object;
        frame.found = 1;
        frame.hitDistance = local.distance;
        if (frame.searchMode == RaySearchAny) return;
    }
}
