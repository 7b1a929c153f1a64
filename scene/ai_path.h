// zAIPath: a named route for scripts. The route is a motion whose position
// channels (ids 1, 2, 3) are sampled into a chain of nodes, one per distinct
// key time in ascending order; a matrix places the whole route in the world.
// The motion, not the chain, answers GetPosition (in Repeat mode); the chain
// answers GetClosestPoint, segment by segment in the path's own space.
//
// The query structure is a spatial hash of the chain's segments: cells of 20
// units, a cell (i, j, k) falls in bucket (i + j + k) & 511, and a bucket
// holds at most one link per node, the node starting a segment that passes
// through one of its cells. Links point into the node chain, so every
// BuildNodes empties the buckets; nothing in the player fills them.
#pragma once

#include "core/linked_list.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "scene/motion.h"

// One sample of the route in the path's own space. The node builder fills
// every field.
class zAIPathNode : public zLinkedListEntry {
  public:
    f32 time;
    f32 x, y, z;

    zVector GetPosition() const { return zVector(x, y, z, 1.0f); }
};

// In bucket h: the segment from node to the next node of the chain passes
// through a cell of hash h. The node is not owned.
class zAINodeLink : public zLinkedListEntry {
  public:
    explicit zAINodeLink(zAIPathNode* node) : node(node) {}
    ~zAINodeLink() override = default;

    zAIPathNode* node;
};

constexpr u32 AIPathBucketCount = 512;
constexpr f32 AIPathCellSize = 20.0f;
// The walk of AddSegmentToBuckets advances in steps of this length.
constexpr f32 AIPathWalkStep = 0.001f;

class zAIPath : public zLinkedListEntry {
  public:
    // The motion takes the name (empty for null).
    explicit zAIPath(const char* name = nullptr);
    ~zAIPath() override;

    const zString& GetName() const { return m_motion.GetName(); }
    zMotion& GetMotion() { return m_motion; }
    const zMotion& GetMotion() const { return m_motion; }
    zMatrix4* GetMatrix() { return &m_matrix; }
    const zLinkedList& GetNodes() const { return m_nodes; }
    const zLinkedList& GetBucket(u32 index) const { return m_queryBuckets[index & (AIPathBucketCount - 1)]; }

    // Rebuilds the chain from the motion's position channels. False, logged,
    // when a channel is missing (no nodes) or a node cannot be made (the
    // nodes made so far stay).
    bool BuildNodes();
    // The motion's position at time in Repeat mode through the matrix; a
    // component without a channel keeps out's incoming value.
    void GetPosition(f32 time, zVector& out) const;
    // The chain's point nearest to query (world space) and, when time is
    // given, the route time there; the earlier segment wins ties. False,
    // logged, with time -1, when no segment could be measured (fewer than two
    // nodes, or a matrix that yields no finite distance).
    bool GetClosestPoint(const zVector& query, zVector& out, f32* time) const;

    // Empties and refills the buckets from the chain, logging statistics.
    void BuildQueryStructure();
    // Links a into every bucket the segment from a to b passes through.
    void AddSegmentToBuckets(zAIPathNode* a, zAIPathNode* b);
    // Bucket 0..511 of a position in the path's own space.
    static u32 HashPosition(const zVector& position);
    void ClearQueryStructure();

  private:
    zAIPath(const zAIPath&) = delete;
    zAIPath& operator=(const zAIPath&) = delete;

    // Declared first so that it goes last: the nodes and the motion are
    // deleted before the buckets are emptied.
    zLinkedList m_queryBuckets[AIPathBucketCount]; // owned zAINodeLink entries
    zMatrix4 m_matrix;
    zMotion m_motion;
    zLinkedList m_nodes; // owned zAIPathNode entries, ascending time
};
