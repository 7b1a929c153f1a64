#include "render/raytrace/bih.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
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

namespace {

constexpr u32 SplitBins = 16;

f32 Centre(const zVector* boxes, u32 index, u32 axis) {
    return (RayAxis(boxes[2 * index], axis) + RayAxis(boxes[2 * index + 1], axis)) * 0.5f;
}

// Half the surface area of a box.
f32 HalfArea(f32 ex, f32 ey, f32 ez) {
    return ex * ey + ey * ez + ez * ex;
}

// A cost split: the bin boundary of box centres over the three axes whose
// two sides cost least, a side costing its primitive count times the half
// area of the node box cut to the side's clip value (what a ray walks
// through). False when the centres coincide on every axis.
struct CostSplit {
    u32 axis = 0;
    u32 boundary = 0; // first bin of the right side
    f32 low = 0.0f;   // the centre range binned
    f32 scale = 0.0f;
};

u32 BinOf(f32 centre, const CostSplit& split) {
    const f32 b = (centre - split.low) * split.scale;
    return b > 0.0f ? std::min(SplitBins - 1, u32(b)) : 0u;
}

bool ChooseCostSplit(const zVector& boxMin, const zVector& boxMax, const u32* indices, u32 count,
                     const zVector* boxes, CostSplit& best) {
    zVector low(FLT_MAX, FLT_MAX, FLT_MAX), high(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (u32 i = 0; i < count; ++i)
        for (u32 k = 0; k < 3; ++k) {
            const f32 c = Centre(boxes, indices[i], k);
            SetRayAxis(low, k, std::min(RayAxis(low, k), c));
            SetRayAxis(high, k, std::max(RayAxis(high, k), c));
        }
    const zVector extent = boxMax.Sub(boxMin);
    f32 bestCost = FLT_MAX;
    bool found = false;
    for (u32 axis = 0; axis < 3; ++axis) {
        const f32 range = RayAxis(high, axis) - RayAxis(low, axis);
        if (!(range > 0.0f) || !std::isfinite(range)) continue;
        CostSplit split;
        split.axis = axis;
        split.low = RayAxis(low, axis);
        split.scale = f32(SplitBins) / range;
        u32 binCount[SplitBins] = {};
        f32 binMin[SplitBins], binMax[SplitBins];
        std::fill(binMin, binMin + SplitBins, FLT_MAX);
        std::fill(binMax, binMax + SplitBins, -FLT_MAX);
        for (u32 i = 0; i < count; ++i) {
            const u32 index = indices[i];
            const u32 bin = BinOf(Centre(boxes, index, axis), split);
            ++binCount[bin];
            binMin[bin] = std::min(binMin[bin], RayAxis(boxes[2 * index], axis));
            binMax[bin] = std::max(binMax[bin], RayAxis(boxes[2 * index + 1], axis));
        }
        // Right sides from the top: count and smallest minimum from bin b up.
        u32 rightCount[SplitBins + 1];
        f32 rightMin[SplitBins + 1];
        rightCount[SplitBins] = 0;
        rightMin[SplitBins] = FLT_MAX;
        for (u32 b = SplitBins; b-- > 0;) {
            rightCount[b] = rightCount[b + 1] + binCount[b];
            rightMin[b] = std::min(rightMin[b + 1], binMin[b]);
        }
        const f32 nodeLow = RayAxis(boxMin, axis), nodeHigh = RayAxis(boxMax, axis);
        const f32 ea = axis == 0 ? extent.y : extent.x;
        const f32 eb = axis == 2 ? extent.y : extent.z;
        u32 leftCount = 0;
        f32 leftMax = -FLT_MAX;
        for (u32 b = 1; b < SplitBins; ++b) {
            leftCount += binCount[b - 1];
            leftMax = std::max(leftMax, binMax[b - 1]);
            if (leftCount == 0 || rightCount[b] == 0) continue;
            const f32 leftExtent = std::max(0.0f, std::min(nodeHigh, leftMax) - nodeLow);
            const f32 rightExtent = std::max(0.0f, nodeHigh - std::max(nodeLow, rightMin[b]));
            const f32 cost = HalfArea(leftExtent, ea, eb) * f32(leftCount) +
                             HalfArea(rightExtent, ea, eb) * f32(rightCount[b]);
            if (cost < bestCost) {
                bestCost = cost;
                split.boundary = b;
                best = split;
                found = true;
            }
        }
    }
    return found;
}

} // namespace

bool zBIH::Subdivide(zBIHNode& node, zVector boxMin, zVector boxMax, u32* indices, u32 count, u32 depth,
                     const zVector* boxes) {
    if (count <= m_leafLimit || depth >= BIHMaxDepth) {
        MakeLeaf(node, indices, count, depth);
        return true;
    }
    CostSplit cost;
    const bool byCost = m_costSplits && ChooseCostSplit(boxMin, boxMax, indices, count, boxes, cost);
    u32 axis = 0;
    f32 split = 0.0f;
    if (byCost) {
        axis = cost.axis;
    } else {
        // Coinciding centres: the middle of the longest axis, down to the depth limit.
        const zVector extent = boxMax.Sub(boxMin);
        if (extent.y > extent.x) axis = 1;
        if (extent.z > RayAxis(extent, axis)) axis = 2;
        split = (RayAxis(boxMin, axis) + RayAxis(boxMax, axis)) * 0.5f;
    }
    auto right = [&](u32 index) {
        const f32 centre = Centre(boxes, index, axis);
        return byCost ? BinOf(centre, cost) >= cost.boundary : centre > split;
    };

    // The right side goes to the end.
    u32 left = 0, end = count;
    while (left < end) {
        if (right(indices[left]))
            std::swap(indices[left], indices[--end]);
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
    if (byCost) {
        // Each side's box is the node box cut to its clip value.
        SetRayAxis(leftMax3, axis, std::min(RayAxis(boxMax, axis), node.leftClip));
        SetRayAxis(rightMin3, axis, std::max(RayAxis(boxMin, axis), node.rightClip));
    } else {
        SetRayAxis(leftMax3, axis, split);
        SetRayAxis(rightMin3, axis, split);
    }
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
