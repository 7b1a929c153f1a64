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
// Queries walk a second tree over the same polygons, made for speed: split
// by surface area, four children to a node, each with the box of what it
// holds, nodes in one array and the leaf polygons laid out in walk order.
// A polygon test is the same arithmetic as in the interval walk, and a tie
// between equal distances goes to the polygon the interval walk meets first
// (the near side of the split where their leaves part, else the earlier in
// the leaf), so both walks find the same nearest hit. An any-hit query may
// stop at another hit, beyond 0 exactly when the interval walk's is. The
// interval tree stays: it gives that order, and Traverse still walks it.
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

// A polygon of a leaf as the walk reads it: the record's plane and
// projection and, for a triangle, its one fan triangle.
struct zLeafPolygon {
    f32 normal[3] = {0.0f, 0.0f, 0.0f};
    f32 planeDistance = 0.0f; // normal . Q0
    f32 q0a = 0.0f;
    f32 q0b = 0.0f;
    f32 c[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // triangles: the fan triangle's
    u32 polygon = 0;
    u16 material = 0;
    u8 fanCount = 0; // LeafManyFans: more than one, see the polygon's record
    u8 axes = 0;     // axisA | axisB << 2 | LeafFanValid
};

// Where a polygon stands in the interval walk's order: the path to its leaf
// (bit d: the right side at depth d), the split axis at each depth (two bits
// each) and its place in the interval tree's index array.
struct zWalkOrder {
    u64 path = 0;
    u64 axes[2] = {0, 0};
    u32 position = 0;
};

constexpr u8 LeafManyFans = 0xff;
constexpr u8 LeafFanValid = 0x10;

// A node of the walk's tree with the boxes of up to four children, each the
// box of the polygons below it widened by a margin, laid out to test all at
// once: per axis the minima of the four, then the maxima. A child is a leaf
// (BoxChildLeaf, its first leaf polygon and count) or a node; a free slot is
// an empty leaf whose box is a point far away.
constexpr u32 BoxChildLeaf = 0x80000000u;
constexpr u32 BoxChildren = 4;

struct alignas(64) zBoxNode {
    f32 bounds[6][BoxChildren] = {}; // x min, y min, z min, x max, y max, z max
    u32 child[BoxChildren] = {};
    u32 count[BoxChildren] = {};
};

class IGeometryBIH : public zBIH {
  public:
    IGeometryBIH() = default;
    ~IGeometryBIH() override;
    bool BuildFromGeometry(zGeometry* geometry);
    // The interval walk's leaf test; user: the zRayHit of the query.
    void IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame, void* user) override;
    // The query: the hit Traverse would find, through the box nodes.
    // maxDistance <= 0: no limit.
    void Walk(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance) const;
    void Clear() override;

    const zPointInPolygon* GetRecords() const { return m_records.get(); }
    const zFanTriangle* GetFans() const { return m_fans.get(); }
    zGeometry* GetGeometry() const { return m_geometry; }

  private:
    // The walk order of the polygons below an interval tree node, by primitive.
    void OrderNode(const zBIHNode& node, u32 depth, u64 path, const u64 axes[2], zWalkOrder* order) const;
    // True when the polygon at leaf position a comes before the one at b in
    // the interval walk of a ray whose direction is negative on the axes of
    // rightFirst.
    bool WalksBefore(u32 a, u32 b, u32 rightFirst) const;

    zGeometry* m_geometry = nullptr;
    std::unique_ptr<zPointInPolygon[]> m_records; // one per polygon
    std::unique_ptr<zFanTriangle[]> m_fans;
    std::unique_ptr<u32[]> m_polygonOf;       // primitive -> polygon
    std::vector<zBoxNode> m_boxNodes;         // the root first
    std::vector<zLeafPolygon> m_leafPolygons; // three more, unused, at the end
    std::vector<u32> m_fansBefore;       // by leaf position, fan triangles before it; empty: all triangles
    std::vector<zWalkOrder> m_leafOrder; // beside the leaf polygons
    std::vector<u32> m_leafOf;           // interval tree index position -> leaf position
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
