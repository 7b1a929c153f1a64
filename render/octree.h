// zOctreeNode: the tree of leaf geometries that a large static geometry is
// cut into (zGeometry::Optimize), so that renderers set up and cull the
// leaves separately.
//
// Each node splits its polygons in two: on its split axis (0 x, 1 y, 2 z) a
// polygon with a corner below the split position goes to the first child,
// the others to the second. A node whose polygons a position cannot divide
// (all on one side, or a box thinner than OctreeThinBox) splits its list in
// halves instead and has the split axis OctreeSplitByCount. Every polygon
// lands in exactly one leaf; a side without polygons gets no child.
//
// A leaf holds a zGeometry of its own: a copy of its polygons, with only the
// vertices they use, numbered in order of first use, and the source's
// per-polygon and per-binding attributes; it shares the source's material
// objects. Leaves are numbered from 0 in build order (depth first, first
// child before second) and named "<source> (Leaf <n>)".
//
// Visibility is written by CullOctree (0 outside the view: the subtree is
// skipped, 1 wholly inside, 2 partly inside); NextLeaf returns the leaves of
// the visible nodes. A new node counts as visible.
#pragma once

#include <vector>

#include "core/bounds.h"
#include "core/frustum.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"

class zGeometry;
class zRenderHost;
class zRenderer;

constexpr u32 OctreeDepthBudget = 48;
constexpr u32 OctreeMinimumLeafBudget = 512;
constexpr u32 OctreeSplitByCount = 3;
constexpr f32 OctreeThinBox = 0.001f;

// The counters of one Optimize run, its vertex renumbering table (one entry
// per source vertex, reset after each leaf so that a leaf costs only its own
// corners) and the scratch room of the partitions (one entry per polygon).
struct zOctreeBuild {
    // The bounds of one polygon's corners; low above high for a polygon
    // without corners.
    struct Box {
        f32 low[3];
        f32 high[3];
    };

    u32 leafCount = 0;
    u32 polygonTotal = 0;
    std::vector<u32> newIndex;
    std::vector<u32> scratch;
    std::vector<Box> boxes; // per source polygon

    // Sizes the tables for source and fills the polygon boxes
    // (std::bad_alloc passes through).
    void Prepare(const zGeometry& source);
    // The bounds of the listed polygons' corners, w = 1.
    zMinMax Bounds(const u32* polygons, u32 count) const;
};

class zOctreeNode {
  public:
    explicit zOctreeNode(zRenderHost* engine);
    ~zOctreeNode();
    zOctreeNode(const zOctreeNode&) = delete;
    zOctreeNode& operator=(const zOctreeNode&) = delete;

    // Destroys the children (first, then second) and releases the leaf
    // geometry.
    void Clear();

    // Builds the subtree over the listed polygons of source, whose corners
    // lie in bounds: a leaf when the depth budget is spent or the list holds
    // no more than leafLimit polygons, else two children built with one less
    // depth. The list is reordered in place (each child's polygons stay in
    // list order); run is prepared for source. A child that cannot
    // be allocated leaves its parent a leaf over all the parent's polygons.
    void Build(zGeometry& source, u32* polygons, u32 count, const zMinMax& bounds, u32 depthLeft,
               u32 leafLimit, zOctreeBuild& run);
    // Makes this node's leaf geometry from the listed polygons of source and
    // sets it up. "[!] Failed to allocate leaf geometry." when it cannot be
    // made: the node stays a leaf without one.
    void CreateLeafGeometry(zGeometry& source, const u32* polygons, u32 count, zOctreeBuild& run);

    // The deepest node reached from here by the point: at a node splitting
    // on an axis, the second child when the split position <= the point's
    // coordinate, else the first; a node split by count follows the side
    // taken at the previous step (the first at the start).
    zOctreeNode* Locate(const zVector& point);
    // The next leaf geometry in depth-first order after the cursor (null:
    // from this node), skipping nodes of visibility 0 with their subtrees;
    // the cursor moves to the node returned. Null at the end.
    zGeometry* NextLeaf(zOctreeNode*& cursor);
    // Appends every leaf geometry, depth first, whatever the visibility
    // (std::bad_alloc passes through).
    void GetLeafGeometries(std::vector<zGeometry*>& out) const;
    // zGeometry::Setup of every leaf geometry, depth first; the profiler
    // section "Octree Leaf Setup" is opened and closed at each node.
    void SetupLeaves();
    // The box of every node holding a leaf geometry, through DrawBox, moved
    // by the matrix when given; four colours in turn.
    void DrawDebug(zRenderer* renderer, const zMatrix4* matrix) const;

    u32 GetVisibility() const { return m_visibility; }
    void SetVisibility(u32 visibility) { m_visibility = visibility; }
    const zMinMax& GetBounds() const { return m_bounds; }
    zOctreeNode* GetParent() const { return m_parent; }
    zOctreeNode* GetFirst() const { return m_first; }
    zOctreeNode* GetSecond() const { return m_second; }
    zGeometry* GetLeafGeometry() const { return m_leafGeometry.Get(); }
    u32 GetSplitAxis() const { return m_splitAxis; }
    f32 GetSplitPosition() const { return m_splitPosition; }

  private:
    // The node after node in depth-first order within this subtree; its
    // children first when enter.
    zOctreeNode* Following(zOctreeNode* node, bool enter);
    void BecomeLeaf(zGeometry& source, const u32* polygons, u32 count, u32 depthLeft, zOctreeBuild& run);
    void DrawDebug(zRenderer* renderer, const zMatrix4* matrix, u32& colour) const;

    zRenderHost* m_engine;
    u32 m_visibility = 1;
    zMinMax m_bounds;
    zOctreeNode* m_parent = nullptr;
    zOctreeNode* m_first = nullptr;  // owned
    zOctreeNode* m_second = nullptr; // owned
    zSharedPtr<zGeometry> m_leafGeometry;
    u32 m_splitAxis = 0;
    f32 m_splitPosition = 0.0f;
};

// The culling walk of the object that draws an optimised geometry: each
// node reached takes visibility 1 without a test when its parent's is 1,
// else the frustum's class of its box (moved by the matrix when given); a
// node of visibility 0 is not descended into.
void CullOctree(zOctreeNode* root, const zFrustum& frustum, const zMatrix4* matrix);
