// The ray trees of one geometry, queried in the geometry's own space.
//
// zGeometryBIH holds an IGeometryBIH: a zBIH over the polygons with one
// point-in-polygon record per polygon (the plane, the two axes of the
// projection and, per fan triangle, the inverse of its projected edges), so
// a polygon test is a plane test and two weight sums. Polygons of fewer than
// three corners or of no area stay out of the tree, and a degenerate fan
// triangle of a valid polygon never holds a point. A hit ends the walk of
// everything beyond it; an any-hit query (RaySearchAny in the hit record)
// ends at its first hit above distance 0. This is the tree a geometry builds
// on first use.
//
// zGeometryKDTree is a kd-tree over the geometry's triangles only (quads and
// larger polygons do not enter), split at the mean of the centroids, with
// ropes between neighbouring leaves for a stackless walk. A leaf accepts
// only hits that lie within it, so a nearer triangle in a later leaf is never
// missed, and the walk ends unless the exit distance grows.
//
// Both cull back faces unless the polygon's material is DoubleSided, and
// report the fan triangle and its weights in the hit.
#pragma once

#include <memory>
#include <vector>

#include "render/geometry.h"
#include "render/raytrace/bih.h"

struct zFanTriangle {
    // Weight of Q(i) = c1 pa + c0 pb, of Q(i+1) = c2 pa + c3 pb, with pa, pb
    // the projected point relative to Q0.
    f32 c[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool valid = false; // false for a triangle of no projected area
};

// Everything the polygon test reads, in one record.
struct zPointInPolygon {
    zVector normal{0.0f, 0.0f, 0.0f, 0.0f}; // unit face normal
    f32 planeOffset = 0.0f;                 // -(normal . Q0)
    f32 q0a = 0.0f;                         // Q0 on the two axes of the projection
    f32 q0b = 0.0f;
    u8 axisA = 0;
    u8 axisB = 1;
    u16 material = 0;
    u32 firstFan = 0; // into the tree's fan triangles
    u32 fanCount = 0; // corner count - 2; 0: not in the tree
};

class IGeometryBIH : public zBIH {
  public:
    IGeometryBIH() = default;
    ~IGeometryBIH() override;
    bool BuildFromGeometry(zGeometry* geometry);
    // user: the zRayHit of the query.
    void IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame, void* user) override;
    void Clear() override;

    const zPointInPolygon* GetRecords() const { return m_records.get(); }
    const zFanTriangle* GetFans() const { return m_fans.get(); }
    zGeometry* GetGeometry() const { return m_geometry; }

  private:
    zGeometry* m_geometry = nullptr;
    std::unique_ptr<zPointInPolygon[]> m_records; // one per polygon
    std::unique_ptr<zFanTriangle[]> m_fans;
    std::unique_ptr<u32[]> m_polygonOf; // primitive -> polygon
};

class zGeometryBIH : public zGeometryTree {
  public:
    bool Build(zGeometry* geometry) override;
    void Clear() override;
    void Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance) override;
    const IGeometryBIH& GetTree() const { return m_tree; }

  private:
    zGeometry* m_geometry = nullptr;
    IGeometryBIH m_tree;
};

constexpr u32 KDNone = ~0u;

struct zKDNode {
    u8 axis = 0;
    u32 ropes[6] = {KDNone, KDNone, KDNone, KDNone, KDNone, KDNone}; // x min, x max, y min, ...
    f32 box[6] = {0, 0, 0, 0, 0, 0};                                 // x min, x max, y min, ...
    f32 split = 0.0f;
    u32 left = KDNone;
    u32 right = KDNone;
    bool leaf = false;
    u32 first = 0; // leaves: the run of the triangle list
    u32 count = 0;
};

class zGeometryKDTree : public zGeometryTree {
  public:
    static constexpr u32 LeafTriangles = 20;
    static constexpr u32 MaxDepth = 50;
    static constexpr f32 MinExtent = 0.1f;

    bool Build(zGeometry* geometry) override;
    void Clear() override;
    void Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance) override;

    u32 GetNodeCount() const { return u32(m_nodes.size()); }
    u32 GetLeafCount() const;
    u32 GetTriangleCount() const { return u32(m_triangles.size()); }

  private:
    struct Triangle {
        u32 vertices[3];
        u32 polygon;
    };
    // Build without the allocation guard.
    bool BuildTree(zGeometry* geometry);
    bool BuildNode(u32 node, const std::vector<u32>& triangles, u32 depth);
    void LinkRopes(u32 node);
    u32 FindLeaf(u32 node, const zVector& point, const zVector& direction) const;

    zGeometry* m_geometry = nullptr;
    std::vector<zVector> m_positions;
    std::vector<Triangle> m_triangles;
    std::vector<zKDNode> m_nodes;
    std::vector<u32> m_leafTriangles;
};

// Installs the factory through which geometries make these trees
// (GeometryTreeBIH, GeometryTreeKD).
void RegisterGeometryTrees();
