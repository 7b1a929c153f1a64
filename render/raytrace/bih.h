// zBIH: a bounding interval hierarchy over axis-aligned boxes of primitives,
// the shared ray tree of the raytracer. The scene tree (scene_bih.h) and the
// polygon tree of a geometry (geometry_trees.h) derive from it and test the
// primitives of a leaf in IntersectLeaf.
//
// Build splits a node's box in the middle of its longest axis whatever the
// primitives do, and sorts each primitive by its box centre; the two clip
// values bound what each side holds. A side with no primitive still gets its
// half box, so degenerate input (identical boxes) ends at the depth limit of
// 64; that limit also bounds the 64-entry traversal stack. An empty tree is
// valid: every ray misses it.
#pragma once

#include <memory>

#include "core/types.h"
#include "core/vector.h"

constexpr u32 BIHMaxDepth = 64;
constexpr f32 BIHClipMargin = 0.0001f;

enum : u8 { BIHNodeLeaf = 3 }; // kinds 0, 1, 2: inner node split on x, y, z

struct zBIHNode {
    u8 kind = BIHNodeLeaf;
    // Inner nodes: the pair below the split and above it.
    std::unique_ptr<zBIHNode[]> children;
    f32 leftClip = 0.0f;  // largest maximum of the left primitives + margin
    f32 rightClip = 0.0f; // smallest minimum of the right primitives - margin
    // Leaves: a run of the tree's index array.
    const u32* indices = nullptr;
    u32 count = 0;
};

// One query's walk, on the caller's stack.
struct zBIHTraversal {
    struct Entry {
        const zBIHNode* node;
        f32 tnear;
        f32 tfar;
    };
    Entry stack[BIHMaxDepth];
    u32 stackCount = 0;
    u8 searchMode = 1; // 1 nearest hit, 0 any hit
    // Set by leaf tests: a nearest-hit walk then skips nodes that begin at
    // or beyond hitDistance and ends every interval there; an any-hit walk
    // skips all that is left.
    u8 found = 0;
    f32 hitDistance = -1.0f;
    zVector origin;
    zVector direction;
    u32 steps = 0; // inner nodes visited
};

class zBIH {
  public:
    zBIH() = default;
    virtual ~zBIH();
    zBIH(const zBIH&) = delete;
    zBIH& operator=(const zBIH&) = delete;

    virtual void IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame,
                               void* user) = 0;
    // boxes: two 4-vectors (minimum, maximum) per primitive. A count of 0
    // gives an empty tree and succeeds.
    virtual bool Build(u32 count, const zVector* boxes);
    // Walks the leaves the ray reaches, near side first; a max distance at
    // or below 0 is no limit.
    virtual void Traverse(zBIHTraversal& frame, const zVector& origin, const zVector& direction,
                          f32 maxDistance, void* user);
    virtual void Clear();

    u32 GetLeafLimit() const { return m_leafLimit; }
    void SetLeafLimit(u32 limit) { m_leafLimit = limit; }
    const zVector& GetRootMin() const { return m_rootMin; }
    const zVector& GetRootMax() const { return m_rootMax; }
    const zBIHNode* GetRoot() const { return m_root.get(); }
    // The leaves' runs, in walk order with the left side first.
    const u32* GetIndices() const { return m_indices.get(); }
    u32 GetNodeCount() const { return m_nodeCount; }
    u32 GetLeafCount() const { return m_leafCount; }
    u32 GetDepth() const { return m_depth; }

  private:
    bool Subdivide(zBIHNode& node, zVector boxMin, zVector boxMax, u32* indices, u32 count, u32 depth,
                   const zVector* boxes);
    void MakeLeaf(zBIHNode& node, u32* indices, u32 count, u32 depth);

    u32 m_leafLimit = 8;
    zVector m_rootMin{0.0f, 0.0f, 0.0f};
    zVector m_rootMax{0.0f, 0.0f, 0.0f};
    std::unique_ptr<zBIHNode> m_root;
    std::unique_ptr<u32[]> m_indices;
    u32 m_nodeCount = 0;
    u32 m_leafCount = 0;
    u32 m_depth = 0;
};
