#include "render/raytrace/bih.h"

#include <algorithm>
#include <cfloat>
#include <new>

#include "core/bounds.h"
#include "core/log.h"
#include "core/stopwatch.h"
#include "render/raytrace/ray_hit.h"
#include "render/raytrace/ray_math.h"

zBIH::~zBIH() {
    Clear();
}

void zBIH::Clear() {
    m_root.reset();
    m_indices.reset();
    m_nodeCount = 0;
    m_leafCount = 0;
    m_depth = 0;
}

bool zBIH::Build(u32 count, const zVector* boxes) {
    // Only the tree: derived trees build their own records before this.
    zBIH::Clear();
    GetLog() << "Building bounding interval hierarchy BIH...\n";
    zStopwatch watch;
    watch.Start();
    if (count == 0) {
        m_rootMin = m_rootMax = zVector(0.0f, 0.0f, 0.0f);
        GetLog() << "Done in " << watch.GetElapsedMs() << "ms. 0 nodes, 0 leaves, depth = 0\n";
        return true;
    }
    m_indices.reset(new (std::nothrow) u32[count]);
    if (!m_indices) {
        GetLog() << "[!] Failed to allocate BIH indice array.\n";
        return false;
    }
    for (u32 i = 0; i < count; ++i)
        m_indices[i] = i;

    zVector lo = boxes[0], hi = boxes[1];
    for (u32 i = 1; i < count; ++i) {
        lo = lo.Min(boxes[2 * i]);
        hi = hi.Max(boxes[2 * i + 1]);
    }
    const zVector margin(BIHClipMargin, BIHClipMargin, BIHClipMargin);
    m_rootMin = lo.Sub(margin);
    m_rootMax = hi.Add(margin);

    m_nodeCount = 1;
    m_leafCount = 0;
    m_depth = 0;
    m_root.reset(new (std::nothrow) zBIHNode);
    if (!m_root) {
        GetLog() << "[!] Failed to allocate BIH root node.\n";
        zBIH::Clear();
        return false;
    }
    if (!Subdivide(*m_root, m_rootMin, m_rootMax, m_indices.get(), count, 0, boxes)) {
        zBIH::Clear();
        return false;
    }
    GetLog() << "Done in " << watch.GetElapsedMs() << "ms. " << m_nodeCount << " nodes, " << m_leafCount
             << " leaves, depth = " << m_depth << "\n";
    return true;
}

void zBIH::MakeLeaf(zBIHNode& node, u32* indices, u32 count, u32 depth) {
    node.kind = BIHNodeLeaf;
    node.indices = indices;
    node.count = count;
    ++m_leafCount;
    m_depth = std::max(m_depth, depth);
}

bool zBIH::Subdivide(zBIHNode& node, zVector boxMin, zVector boxMax, u32* indices, u32 count, u32 depth,
                     const zVector* boxes) {
    if (count <= m_leafLimit || depth >= BIHMaxDepth) {
        MakeLeaf(node, indices, count, depth);
        return true;
    }
    const zVector extent = boxMax.Sub(boxMin);
    u32 axis = 0;
    if (extent.y > extent.x) axis = 1;
    if (extent.z > RayAxis(extent, axis)) axis = 2;
    const f32 split = (RayAxis(boxMin, axis) + RayAxis(boxMax, axis)) * 0.5f;

    // Centres above the plane go to the end.
    u32 left = 0, right = count;
    while (left < right) {
        const u32 index = indices[left];
        const f32 centre = (RayAxis(boxes[2 * index], axis) + RayAxis(boxes[2 * index + 1], axis)) * 0.5f;
        if (centre > split)
            std::swap(indices[left], indices[--right]);
        else
            ++left;
    }
    f32 leftMax = -FLT_MAX, rightMin = FLT_MAX;
    for (u32 i = 0; i < left; ++i)
        leftMax = std::max(leftMax, RayAxis(boxes[2 * indices[i] + 1], axis));
    for (u32 i = left; i < count; ++i)
        rightMin = std::min(rightMin, RayAxis(boxes[2 * indices[i]], axis));

    node.children.reset(new (std::nothrow) zBIHNode[2]);
    if (!node.children) {
        GetLog() << "[!] Failed to allocate BIH node children.\n";
        return false;
    }
    m_nodeCount += 2;
    node.kind = u8(axis);
    // An empty side clips everything away.
    node.leftClip = left > 0 ? leftMax + BIHClipMargin : -FLT_MAX;
    node.rightClip = left < count ? rightMin - BIHClipMargin : FLT_MAX;

    zVector leftMax3 = boxMax, rightMin3 = boxMin;
    SetRayAxis(leftMax3, axis, split);
    SetRayAxis(rightMin3, axis, split);
    return Subdivide(node.children[0], boxMin, leftMax3, indices, left, depth + 1, boxes) &&
           Subdivide(node.children[1], rightMin3, boxMax, indices + left, count - left, depth + 1, boxes);
}

void zBIH::Traverse(zBIHTraversal& frame, const zVector& origin, const zVector& direction, f32 maxDistance,
                    void* user) {
    frame.hitDistance = -1.0f;
    frame.stackCount = 0;
    frame.steps = 0;
    frame.found = 0;
    if (!m_root) return;
    f32 tnear, tfar;
    if (!zMinMax(m_rootMin, m_rootMax).IntersectRayRange(origin, direction, tnear, tfar)) return;
    if (maxDistance > 0.0f) {
        if (tnear >= maxDistance) return;
        tfar = std::min(tfar, maxDistance);
    }
    frame.origin = origin;
    frame.direction = direction;

    const zBIHNode* node = m_root.get();
    for (;;) {
        bool leave = false;
        if (frame.found) {
            // Nothing beyond the hit can replace it: the far end of the walk comes in.
            leave = frame.hitDistance <= tnear || frame.searchMode == RaySearchAny;
            tfar = std::min(tfar, frame.hitDistance);
        }
        if (!leave && node->kind != BIHNodeLeaf) {
            const u32 axis = node->kind;
            const f32 d = RayAxis(direction, axis), o = RayAxis(origin, axis);
            const zBIHNode* leftChild = &node->children[0];
            const zBIHNode* rightChild = &node->children[1];
            ++frame.steps;
            if (d == 0.0f) {
                if (o < node->leftClip) {
                    if (o > node->rightClip && frame.stackCount < BIHMaxDepth)
                        frame.stack[frame.stackCount++] = {rightChild, tnear, tfar};
                    node = leftChild;
                    continue;
                }
                if (o > node->rightClip) {
                    node = rightChild;
                    continue;
                }
                leave = true;
            } else {
                const f32 tL = (node->leftClip - o) / d, tR = (node->rightClip - o) / d;
                const zBIHNode* nearChild = d > 0.0f ? leftChild : rightChild;
                const zBIHNode* farChild = d > 0.0f ? rightChild : leftChild;
                const f32 tn = d > 0.0f ? tL : tR; // where the near child ends
                const f32 tf = d > 0.0f ? tR : tL; // where the far child starts
                if (tn <= tnear) {
                    if (tfar < tf) {
                        leave = true;
                    } else {
                        tnear = std::max(tnear, tf);
                        node = farChild;
                        continue;
                    }
                } else {
                    if (tf < tfar && frame.stackCount < BIHMaxDepth)
                        frame.stack[frame.stackCount++] = {farChild, std::max(tnear, tf), tfar};
                    tfar = std::min(tfar, tn);
                    node = nearChild;
                    continue;
                }
            }
        } else if (!leave) {
            IntersectLeaf(*node, tnear, tfar, frame, user);
        }
        if (frame.stackCount == 0) return;
        const zBIHTraversal::Entry& entry = frame.stack[--frame.stackCount];
        node = entry.node;
        tnear = entry.tnear;
        tfar = entry.tfar;
    }
}
