#include "scene/ai_path.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "core/bounds.h"
#include "core/log.h"
#include "core/perf_counter.h"

namespace {

zAIPathNode* AsNode(zLinkedListEntry* entry) {
    return static_cast<zAIPathNode*>(entry);
}

// trunc(value / cell size) as a 32-bit integer; values beyond the integer
// range saturate and NaN counts as 0, so any position has a cell.
i32 CellCoordinate(f32 value) {
    const f32 cell = std::trunc(value / AIPathCellSize);
    if (!(cell == cell)) return 0;
    if (cell <= -2147483648.0f) return INT32_MIN;
    if (cell >= 2147483648.0f) return INT32_MAX;
    return static_cast<i32>(cell);
}

// The number of walk steps over a segment of that length: trunc(length /
// step), saturated to the 32-bit range; 0 for NaN.
u32 WalkStepCount(f32 length) {
    const f32 steps = length / AIPathWalkStep;
    if (!(steps >= 1.0f)) return 0;
    if (steps >= 4294967296.0f) return UINT32_MAX;
    return static_cast<u32>(steps);
}

// Whether a walk component keeps its value (NaN staying NaN included).
bool Stays(f32 before, f32 after) {
    return before == after || (before != before && after != after);
}

} // namespace

zAIPath::zAIPath(const char* name) : m_motion(name ? name : "") {}

zAIPath::~zAIPath() {
    m_nodes.Clear();
    ClearQueryStructure();
}

bool zAIPath::BuildNodes() {
    m_nodes.Clear();
    ClearQueryStructure();
    const zMotionChannel* channels[3] = {m_motion.FindChannel(ChannelPositionX),
                                         m_motion.FindChannel(ChannelPositionY),
                                         m_motion.FindChannel(ChannelPositionZ)};
    if (!channels[0] || !channels[1] || !channels[2]) {
        GetLog() << "[!] Cannot convert motion to channel (missing X, Y or Z component).\n";
        return false;
    }
    // Keys in time order let one cursor per channel walk the chain once. A
    // file can store them out of order: a key earlier than the one before
    // starts the walk again from the head, so the chain stays ascending.
    for (const zMotionChannel* channel : channels) {
        zLinkedListEntry* cursor = m_nodes.GetHead();
        for (u32 index = 0; index < channel->GetKeyCount(); ++index) {
            const f32 time = channel->GetKey(index)->time;
            if (index > 0 && time < channel->GetKey(index - 1)->time) cursor = m_nodes.GetHead();
            while (cursor && AsNode(cursor)->time < time)
                cursor = cursor->GetNext();
            if (cursor && AsNode(cursor)->time == time) continue;
            auto* node = new (std::nothrow) zAIPathNode;
            if (!node) {
                GetLog() << "[!] Failed to allocate AI path node, path is incomplete.\n";
                return false;
            }
            node->time = time;
            f32* position[3] = {&node->x, &node->y, &node->z};
            for (u32 axis = 0; axis < 3; ++axis)
                channels[axis]->Evaluate(time, *position[axis], LoopModeConstant);
            if (cursor)
                m_nodes.InsertBefore(node, cursor, true);
            else
                m_nodes.AppendUnlinked(node);
            // The new node is the cursor: a second key of the same time in
            // this channel finds it instead of making a twin.
            cursor = node;
        }
    }
    return true;
}

void zAIPath::GetPosition(f32 time, zVector& out) const {
    f32 position[3] = {out.x, out.y, out.z};
    m_motion.EvaluatePosition(time, position, LoopModeRepeat);
    out = zVector(position[0], position[1], position[2], 1.0f).ApplyMatrix(m_matrix);
}

bool zAIPath::GetClosestPoint(const zVector& query, zVector& out, f32* time) const {
    f32 best = -1.0f;
    if (time) *time = -1.0f;
    const zVector local = query.ApplyMatrix(m_matrix.Inverse());
    zVector result = out;
    for (zLinkedListEntry* entry = m_nodes.GetHead(); entry && entry->GetNext(); entry = entry->GetNext()) {
        const zAIPathNode* a = AsNode(entry);
        const zAIPathNode* b = AsNode(entry->GetNext());
        zVector closest;
        const f32 u = ClosestPointOnSegment(a->GetPosition(), b->GetPosition(), local, &closest);
        const f32 dx = closest.x - local.x;
        const f32 dy = closest.y - local.y;
        const f32 dz = closest.z - local.z;
        const f32 distance = dx * dx + dy * dy + dz * dz;
        // A matrix that is not finite measures nothing: NaN is never taken.
        if (!(distance == distance)) continue;
        if (best < 0.0f || distance < best) {
            best = distance;
            result = closest;
            if (time) *time = a->time + (b->time - a->time) * u;
        }
    }
    out = result.ApplyMatrix(m_matrix);
    if (best == -1.0f) {
        GetLog() << "[!] Failed to query closest point to path.\n";
        return false;
    }
    return true;
}

void zAIPath::BuildQueryStructure() {
    ClearQueryStructure();
    GetLog() << "[H] Building AI path '" << GetName() << "' query structure (" << AIPathBucketCount
             << " bucket(s))...\n";
    zPerfCounter counter;
    counter.Reset();
    counter.Begin();
    if (m_nodes.GetCount() == 0) {
        GetLog() << "[*] Done, no node in path.\n";
        return;
    }
    for (zLinkedListEntry* entry = m_nodes.GetHead(); entry && entry->GetNext(); entry = entry->GetNext())
        AddSegmentToBuckets(AsNode(entry), AsNode(entry->GetNext()));
    const u32 nodeCount = m_nodes.GetCount();
    u32 low = nodeCount;
    u32 high = 0;
    u32 total = 0;
    for (const zLinkedList& bucket : m_queryBuckets) {
        const u32 count = bucket.GetCount();
        if (count < low) low = count;
        if (count > high) high = count;
        total += count;
    }
    const u32 average = total / AIPathBucketCount;
    counter.End();
    char took[64];
    std::snprintf(took, sizeof took, "%.3f", static_cast<double>(counter.lastDurationMs));
    GetLog() << "   Done. Query structure statistics:\n";
    GetLog() << "         Low = " << static_cast<i32>(low) << ", high = " << static_cast<i32>(high)
             << ", avg = " << static_cast<i32>(average) << ", original = " << static_cast<i32>(nodeCount)
             << ", total = " << static_cast<i32>(total) << ").\n";
    GetLog() << "         Memory usage = " << static_cast<i32>((total + 320u) * 32u) << " byte(s), took "
             << took << " ms.\n";
    GetLog() << "\n";
}

void zAIPath::AddSegmentToBuckets(zAIPathNode* a, zAIPathNode* b) {
    if (!a || !b) return;
    const zVector delta(b->x - a->x, b->y - a->y, b->z - a->z);
    const zVector step = delta.Normalize().MulReal(AIPathWalkStep);
    const u32 count = WalkStepCount(std::sqrt(delta.x * delta.x + delta.y * delta.y + delta.z * delta.z));
    zVector point = a->GetPosition();
    u32 last = UINT32_MAX; // no bucket yet
    for (u32 index = 0; index < count; ++index) {
        const u32 hash = HashPosition(point);
        if (hash != last) {
            last = hash;
            // Links of a are appended only during a's own walk, so a bucket
            // that holds one has it at its end.
            zLinkedList& bucket = m_queryBuckets[hash];
            const auto* tail = static_cast<const zAINodeLink*>(bucket.GetTail());
            if (!tail || tail->node != a) {
                if (auto* link = new (std::nothrow) zAINodeLink(a)) bucket.AppendUnlinked(link);
            }
        }
        const zVector next(point.x + step.x, point.y + step.y, point.z + step.z, 1.0f);
        // Far from the origin a step is lost to rounding (and a step that is
        // not finite leaves NaN or infinity behind): once no component moves
        // any more, every further step hashes the same cell.
        if (Stays(point.x, next.x) && Stays(point.y, next.y) && Stays(point.z, next.z)) break;
        point = next;
    }
}

u32 zAIPath::HashPosition(const zVector& position) {
    const u32 sum = static_cast<u32>(CellCoordinate(position.x)) +
                    static_cast<u32>(CellCoordinate(position.y)) +
                    static_cast<u32>(CellCoordinate(position.z));
    return sum & (AIPathBucketCount - 1);
}

void zAIPath::ClearQueryStructure() {
    for (zLinkedList& bucket : m_queryBuckets)
        bucket.Clear();
}
