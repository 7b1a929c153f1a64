#include "render/raytrace/geometry_trees.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/bounds.h"
#include "core/log.h"
#include "core/stopwatch.h"
#include "render/material.h"
#include "render/raytrace/ray_hit.h"
#include "render/raytrace/ray_math.h"

namespace {

constexpr f32 InsideTolerance = -0.000001f;

bool IsDoubleSided(const zGeometry* geometry, u32 materialIndex) {
    const zMaterial* material = geometry->GetMaterial(materialIndex);
    return material && (material->GetFlags() & MaterialFlagDoubleSided);
}

void RecordHit(zRayHit& hit, zGeometry* geometry, u32 polygon, f32 distance, u32 fanTriangle, f32 w1, f32 w2,
               bool backFace) {
    hit.found = 1;
    hit.polygon = i32(polygon);
    hit.distance = distance;
    hit.fanTriangle = fanTriangle;
    hit.w1 = w1;
    hit.w2 = w2;
    hit.w0 = 1.0f - w1 - w2;
    hit.geometry = geometry;
    hit.backFace = backFace ? 1 : 0;
}

u32 DominantAxis(const zVector& n) {
    const f32 x = std::fabs(n.x), y = std::fabs(n.y), z = std::fabs(n.z);
    if (x >= y && x >= z) return 0;
    if (y >= z) return 1;
    return 2;
}

// The walk's tree: binned surface-area splits.
constexpr u32 SplitBins = 16;
constexpr u32 LeafMostPolygons = 8;
constexpr u32 BoxMostDepth = BIHMaxDepth - 1; // of binary splits: it bounds the walk's stack

struct SplitBox {
    f32 lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    f32 hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};

    void Grow(const SplitBox& other) {
        for (u32 k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], other.lo[k]);
            hi[k] = std::max(hi[k], other.hi[k]);
        }
    }
    f32 HalfArea() const {
        const f32 x = hi[0] - lo[0], y = hi[1] - lo[1], z = hi[2] - lo[2];
        return x * y + y * z + z * x;
    }
};

struct SplitItem {
    SplitBox box;
    f32 centre[3];
};

// Splits the items in two by the cheapest plane of the bins, left run first;
// gives the left count, or 0 for a leaf.
u32 SplitItems(u32* items, u32 count, u32 depth, const SplitItem* all) {
    if (count <= 1 || depth >= BoxMostDepth) return 0;
    SplitBox bounds, centres;
    for (u32 i = 0; i < count; ++i) {
        const SplitItem& item = all[items[i]];
        bounds.Grow(item.box);
        for (u32 k = 0; k < 3; ++k) {
            centres.lo[k] = std::min(centres.lo[k], item.centre[k]);
            centres.hi[k] = std::max(centres.hi[k], item.centre[k]);
        }
    }
    // The bins lie along the widest spread of the centres.
    u32 k = 0;
    for (u32 other = 1; other < 3; ++other)
        if (centres.hi[other] - centres.lo[other] > centres.hi[k] - centres.lo[k]) k = other;
    const f32 extent = centres.hi[k] - centres.lo[k];
    if (!(extent > 0.0f)) return 0;
    const f32 scale = f32(SplitBins) / extent;
    const auto binOf = [&](const SplitItem& item) {
        return std::min(SplitBins - 1, u32((item.centre[k] - centres.lo[k]) * scale));
    };
    SplitBox bins[SplitBins];
    u32 binCount[SplitBins] = {};
    for (u32 i = 0; i < count; ++i) {
        const SplitItem& item = all[items[i]];
        const u32 bin = binOf(item);
        ++binCount[bin];
        bins[bin].Grow(item.box);
    }
    f32 rightCost[SplitBins] = {};
    SplitBox run;
    u32 runCount = 0;
    for (u32 b = SplitBins - 1; b > 0; --b) {
        run.Grow(bins[b]);
        runCount += binCount[b];
        rightCost[b] = runCount > 0 ? run.HalfArea() * f32(runCount) : 0.0f;
    }
    run = SplitBox();
    runCount = 0;
    f32 bestCost = FLT_MAX;
    u32 bestBin = 0;
    for (u32 b = 0; b + 1 < SplitBins; ++b) {
        run.Grow(bins[b]);
        runCount += binCount[b];
        if (runCount == 0 || runCount == count) continue;
        const f32 cost = run.HalfArea() * f32(runCount) + rightCost[b + 1];
        if (cost < bestCost) {
            bestCost = cost;
            bestBin = b;
        }
    }
    // A leaf when no plane parts the items, or when testing them all costs no
    // more than two steps and the two sides.
    if (bestCost == FLT_MAX) return 0;
    const f32 area = bounds.HalfArea();
    if (count <= LeafMostPolygons && area * f32(count) <= 2.0f * area + bestCost) return 0;
    u32* middle = std::partition(items, items + count, [&](u32 item) { return binOf(all[item]) <= bestBin; });
    return u32(middle - items);
}

// A run of items and how it splits (left 0: a leaf).
struct SplitRun {
    u32* items;
    u32 count;
    u32 depth; // of binary splits, which bounds the walk's stack
    u32 left;
};

SplitRun MakeRun(u32* items, u32 count, u32 depth, const SplitItem* all) {
    return {items, count, depth, SplitItems(items, count, depth, all)};
}

// Fills box node index with the runs that up to two levels of splits of run
// give, the largest split first, and gives the box of what it holds. base:
// the item array, whose runs are the leaves.
SplitBox FillNode(std::vector<zBoxNode>& nodes, u32 index, const SplitRun& run, const u32* base,
                  const SplitItem* all) {
    SplitRun runs[BoxChildren];
    u32 runCount = 1;
    runs[0] = run;
    for (;;) {
        u32 widest = BoxChildren;
        for (u32 i = 0; i < runCount; ++i)
            if (runs[i].left > 0 && (widest == BoxChildren || runs[i].count > runs[widest].count)) widest = i;
        if (widest == BoxChildren || runCount == BoxChildren) break;
        const SplitRun parent = runs[widest];
        runs[widest] = MakeRun(parent.items, parent.left, parent.depth + 1, all);
        runs[runCount++] =
            MakeRun(parent.items + parent.left, parent.count - parent.left, parent.depth + 1, all);
    }
    zBoxNode node;
    // Child nodes side by side, their own children after them all.
    for (u32 slot = 0; slot < runCount; ++slot) {
        if (runs[slot].left == 0) continue;
        node.child[slot] = u32(nodes.size());
        nodes.emplace_back();
    }
    SplitBox whole;
    for (u32 slot = 0; slot < BoxChildren; ++slot) {
        SplitBox box;
        if (slot >= runCount) {
            node.child[slot] = BoxChildLeaf;
            for (u32 k = 0; k < 3; ++k)
                box.lo[k] = box.hi[k] = FLT_MAX;
        } else if (runs[slot].left > 0) {
            box = FillNode(nodes, node.child[slot], runs[slot], base, all);
            whole.Grow(box);
        } else {
            node.child[slot] = BoxChildLeaf | u32(runs[slot].items - base);
            node.count[slot] = runs[slot].count;
            for (u32 i = 0; i < runs[slot].count; ++i)
                box.Grow(all[runs[slot].items[i]].box);
            // Hits lie within the box up to rounding: the margin keeps them in.
            for (u32 k = 0; k < 3; ++k) {
                box.lo[k] -= BIHClipMargin + std::fabs(box.lo[k]) * 1e-6f;
                box.hi[k] += BIHClipMargin + std::fabs(box.hi[k]) * 1e-6f;
            }
            whole.Grow(box);
        }
        for (u32 k = 0; k < 3; ++k) {
            node.bounds[k][slot] = box.lo[k];
            node.bounds[3 + k][slot] = box.hi[k];
        }
    }
    nodes[index] = node;
    return whole;
}

} // namespace

// ---- IGeometryBIH ----

IGeometryBIH::~IGeometryBIH() {
    m_records.reset();
    m_fans.reset();
    m_polygonOf.reset();
}

void IGeometryBIH::Clear() {
    m_boxNodes.clear();
    m_leafPolygons.clear();
    m_fansBefore.clear();
    m_leafOrder.clear();
    m_leafOf.clear();
    m_records.reset();
    m_fans.reset();
    m_polygonOf.reset();
    m_geometry = nullptr;
    zBIH::Clear();
}

bool IGeometryBIH::BuildFromGeometry(zGeometry* geometry) {
    Clear();
    m_geometry = geometry;
    const u32 polygonCount = geometry->GetPolygonCount();
    std::unique_ptr<zVector[]> boxes(new (std::nothrow) zVector[size_t(polygonCount) * 2 + 2]);
    m_polygonOf.reset(new (std::nothrow) u32[size_t(polygonCount) + 1]);
    if (!boxes || !m_polygonOf) {
        GetLog() << "[!] Failed to allocate volume objects.\n";
        return false;
    }
    geometry->SetKeepMask(geometry->GetKeepMask() | GeometryKeepMesh);
    size_t fanTotal = 0;
    for (u32 p = 0; p < polygonCount; ++p)
        fanTotal +=
            geometry->GetPolygons()[p].cornerCount >= 3 ? geometry->GetPolygons()[p].cornerCount - 2u : 0u;
    m_records.reset(new (std::nothrow) zPointInPolygon[size_t(polygonCount) + 1]);
    m_fans.reset(new (std::nothrow) zFanTriangle[fanTotal + 1]);
    if (!m_records || !m_fans) {
        GetLog() << "[!] Failed to allocate point in polygon acceleration array.\n";
        return false;
    }
    geometry->ComputePolygonNormals(true);
    zVector* normals = geometry->GetPolygonNormals();
    const zVector* vertices = geometry->GetVertices();
    const zPolygon* polygons = geometry->GetPolygons();
    u32 primitives = 0, fanUsed = 0;
    for (u32 p = 0; normals && p < polygonCount; ++p) {
        const zPolygon& polygon = polygons[p];
        if (polygon.cornerCount < 3) continue;
        const zVector n = normals[p].Normalize();
        if (n.Length2() < 0.25f) continue; // no area
        normals[p] = zVector(n.x, n.y, n.z, 0.0f);
        zPointInPolygon& record = m_records[p];
        const zVector& q0 = vertices[polygon.bindings[0]];
        record.normal = normals[p];
        record.planeOffset = -n.Dot(q0);
        const u32 k = DominantAxis(n);
        record.axisA = u8((k + 1) % 3);
        record.axisB = u8((k + 2) % 3);
        record.q0a = RayAxis(q0, record.axisA);
        record.q0b = RayAxis(q0, record.axisB);
        record.material = polygon.material;
        const u32 fanCount = polygon.cornerCount - 2u;
        record.firstFan = fanUsed;
        record.fanCount = fanCount;
        fanUsed += fanCount;
        zVector lo = q0, hi = q0;
        for (u32 i = 1; i <= fanCount; ++i) {
            const zVector e1 = vertices[polygon.bindings[i]].Sub(q0);
            const zVector e2 = vertices[polygon.bindings[i + 1]].Sub(q0);
            const f32 e1a = RayAxis(e1, record.axisA), e1b = RayAxis(e1, record.axisB);
            const f32 e2a = RayAxis(e2, record.axisA), e2b = RayAxis(e2, record.axisB);
            const f32 det = e1a * e2b - e2a * e1b;
            zFanTriangle& fan = m_fans[record.firstFan + i - 1];
            const f32 inverse = det != 0.0f ? 1.0f / det : 0.0f;
            fan.valid = det != 0.0f && std::isfinite(inverse);
            if (fan.valid) {
                fan.c[0] = -e2a * inverse;
                fan.c[1] = e2b * inverse;
                fan.c[2] = -e1b * inverse;
                fan.c[3] = e1a * inverse;
            }
        }
        for (u32 i = 1; i < polygon.cornerCount; ++i) {
            lo = lo.Min(vertices[polygon.bindings[i]]);
            hi = hi.Max(vertices[polygon.bindings[i]]);
        }
        boxes[2 * primitives] = lo;
        boxes[2 * primitives + 1] = hi;
        m_polygonOf[primitives++] = p;
    }
    if (!Build(primitives, boxes.get())) return false;
    // The walk's tree: the leaf polygons in leaf order, each with its place in
    // the interval walk, and the box nodes.
    try {
        std::vector<zWalkOrder> order(primitives);
        if (GetRoot()) {
            const u64 axes[2] = {0, 0};
            OrderNode(*GetRoot(), 0, 0, axes, order.data());
        }
        std::vector<u32> items(primitives);
        std::vector<SplitItem> split(primitives);
        for (u32 i = 0; i < primitives; ++i) {
            items[i] = i;
            for (u32 k = 0; k < 3; ++k) {
                split[i].box.lo[k] = RayAxis(boxes[2 * i], k);
                split[i].box.hi[k] = RayAxis(boxes[2 * i + 1], k);
                split[i].centre[k] = (split[i].box.lo[k] + split[i].box.hi[k]) * 0.5f;
            }
        }
        if (primitives > 0) {
            m_boxNodes.resize(1);
            FillNode(m_boxNodes, 0, MakeRun(items.data(), primitives, 0, split.data()), items.data(),
                     split.data());
        }
        // Three more: the walk reads the planes four at a time.
        m_leafPolygons.resize(size_t(primitives) + 3);
        m_leafOrder.resize(primitives);
        m_leafOf.resize(primitives);
        for (u32 i = 0; i < primitives; ++i) {
            const u32 p = m_polygonOf[items[i]];
            const zPointInPolygon& record = m_records[p];
            zLeafPolygon& polygon = m_leafPolygons[i];
            polygon.normal[0] = record.normal.x;
            polygon.normal[1] = record.normal.y;
            polygon.normal[2] = record.normal.z;
            polygon.planeDistance = -record.planeOffset;
            polygon.q0a = record.q0a;
            polygon.q0b = record.q0b;
            polygon.polygon = p;
            polygon.material = record.material;
            polygon.fanCount = record.fanCount < LeafManyFans ? u8(record.fanCount) : LeafManyFans;
            polygon.axes = u8(record.axisA | record.axisB << 2);
            const zFanTriangle& fan = m_fans[record.firstFan];
            if (record.fanCount == 1 && fan.valid) {
                std::copy(fan.c, fan.c + 4, polygon.c);
                polygon.axes |= LeafFanValid;
            }
            m_leafOrder[i] = order[items[i]];
            m_leafOf[order[items[i]].position] = i;
        }
        if (fanTotal != primitives) {
            m_fansBefore.resize(size_t(primitives) + 1);
            for (u32 i = 0; i < primitives; ++i)
                m_fansBefore[i + 1] = m_fansBefore[i] + m_records[m_leafPolygons[i].polygon].fanCount;
        }
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Failed to allocate BIH box nodes.\n";
        Clear();
        return false;
    }
    return true;
}

void IGeometryBIH::OrderNode(const zBIHNode& node, u32 depth, u64 path, const u64 axes[2],
                             zWalkOrder* order) const {
    if (node.kind == BIHNodeLeaf) {
        const u32 first = u32(node.indices - GetIndices());
        for (u32 i = 0; i < node.count; ++i)
            order[node.indices[i]] = {path, {axes[0], axes[1]}, first + i};
        return;
    }
    u64 below[2] = {axes[0], axes[1]};
    below[depth >> 5] |= u64(node.kind) << ((depth & 31) * 2);
    OrderNode(node.children[0], depth + 1, path, below, order);
    OrderNode(node.children[1], depth + 1, path | u64(1) << depth, below, order);
}

bool IGeometryBIH::WalksBefore(u32 a, u32 b, u32 rightFirst) const {
    const zWalkOrder& first = m_leafOrder[a];
    const zWalkOrder& second = m_leafOrder[b];
    if (first.path == second.path) return first.position < second.position; // one leaf
    // Where the leaves part: the near side of that split comes first.
    u32 depth = 0;
    while (((first.path ^ second.path) >> depth & 1u) == 0)
        ++depth;
    const u32 axis = u32(first.axes[depth >> 5] >> ((depth & 31) * 2)) & 3u;
    const u32 side = u32(first.path >> depth) & 1u;
    return side == ((rightFirst >> axis) & 1u);
}

namespace {

// The leaf test of both walks, for one query. It records a hit of the
// polygon at a distance in [tnear, tfar] that replaces the hit so far (if
// any) and returns the distance, else -1.
struct PolygonTest {
    zGeometry* geometry;
    const zPointInPolygon* records;
    const zFanTriangle* fans;
    // The ray by axis number: picking a projection axis is then a load.
    f32 origin[3];
    f32 direction[3];
    // Materials do not change during a query: the last one looked up.
    u32 material = ~0u;
    bool doubleSided = false;

    PolygonTest(const IGeometryBIH& tree, const zVector& rayOrigin, const zVector& rayDirection)
        : geometry(tree.GetGeometry()), records(tree.GetRecords()), fans(tree.GetFans()) {
        for (u32 k = 0; k < 3; ++k) {
            origin[k] = RayAxis(rayOrigin, k);
            direction[k] = RayAxis(rayDirection, k);
        }
    }

    bool IsDoubleSidedMaterial(u32 index) {
        if (index != material) {
            material = index;
            doubleSided = IsDoubleSided(geometry, index);
        }
        return doubleSided;
    }

    // Which of up to four polygons (bit i of lanes for polygons[i]) have
    // their plane crossed within [tnear, tfar], as bits, with the distances
    // and the denominators; per lane the same arithmetic as Plane.
    u32 Planes(const zLeafPolygon* polygons, u32 lanes, f32 tnear, f32 tfar, f32 t[4], f32 denom[4]) const {
#if defined(__SSE2__)
        // The normal and the plane distance side by side in each record.
        __m128 n0 = _mm_loadu_ps(polygons[0].normal), n1 = _mm_loadu_ps(polygons[1].normal);
        __m128 n2 = _mm_loadu_ps(polygons[2].normal), distance = _mm_loadu_ps(polygons[3].normal);
        _MM_TRANSPOSE4_PS(n0, n1, n2, distance);
        const __m128 d = _mm_add_ps(
            _mm_add_ps(_mm_mul_ps(n0, _mm_set1_ps(direction[0])), _mm_mul_ps(n1, _mm_set1_ps(direction[1]))),
            _mm_mul_ps(n2, _mm_set1_ps(direction[2])));
        const __m128 o = _mm_add_ps(
            _mm_add_ps(_mm_mul_ps(n0, _mm_set1_ps(origin[0])), _mm_mul_ps(n1, _mm_set1_ps(origin[1]))),
            _mm_mul_ps(n2, _mm_set1_ps(origin[2])));
        const __m128 distances = _mm_div_ps(_mm_sub_ps(distance, o), d);
        _mm_storeu_ps(t, distances);
        _mm_storeu_ps(denom, d);
        // Not out of reach, which a NaN distance is not either.
        const __m128 out = _mm_or_ps(_mm_or_ps(_mm_cmplt_ps(distances, _mm_set1_ps(tnear)),
                                               _mm_cmpgt_ps(distances, _mm_set1_ps(tfar))),
                                     _mm_cmpeq_ps(d, _mm_setzero_ps()));
        return lanes & ~u32(_mm_movemask_ps(out));
#else
        u32 crossed = 0;
        for (u32 i = 0; i < 4; ++i)
            if ((lanes >> i & 1u) && Plane(polygons[i], tnear, tfar, t[i], denom[i])) crossed |= 1u << i;
        return crossed;
#endif
    }

    // True when the ray crosses the polygon's plane within [tnear, tfar];
    // the products written out, in zVector::Dot's order.
    bool Plane(const zLeafPolygon& polygon, f32 tnear, f32 tfar, f32& t, f32& denom) const {
        const f32* n = polygon.normal;
        denom = n[0] * direction[0] + n[1] * direction[1] + n[2] * direction[2];
        if (denom == 0.0f) return false;
        t = (polygon.planeDistance - (n[0] * origin[0] + n[1] * origin[1] + n[2] * origin[2])) / denom;
        return !(t < tnear || t > tfar);
    }

    u32 FanCount(const zLeafPolygon& polygon) const {
        return polygon.fanCount == LeafManyFans ? records[polygon.polygon].fanCount : polygon.fanCount;
    }

    // The caller counts the polygon's fan triangles in hit.rayCount.
    template <typename Replaces>
    f32 operator()(const zLeafPolygon& polygon, f32 tnear, f32 tfar, zRayHit& hit, Replaces replaces) {
        f32 t, denom;
        return Plane(polygon, tnear, tfar, t, denom) ? Inside(polygon, t, denom, hit, replaces) : -1.0f;
    }

    // The rest of the test of a plane crossed in reach at t.
    template <typename Replaces>
    f32 Inside(const zLeafPolygon& polygon, f32 t, f32 denom, zRayHit& hit, Replaces replaces) {
        if (hit.found && !replaces(t)) return -1.0f;
        if (denom > 0.0f && !IsDoubleSidedMaterial(polygon.material)) return -1.0f;
        const u32 fanCount = FanCount(polygon);
        const u32 a = polygon.axes & 3u, b = (polygon.axes >> 2) & 3u;
        const f32 pa = (origin[a] + direction[a] * t) - polygon.q0a;
        const f32 pb = (origin[b] + direction[b] * t) - polygon.q0b;
        const auto inside = [&](const f32* c, u32 k) {
            const f32 w1 = c[1] * pa + c[0] * pb;
            const f32 w2 = c[2] * pa + c[3] * pb;
            const f32 w0 = 1.0f - w1 - w2;
            if ((w1 < InsideTolerance) | (w2 < InsideTolerance) | (w0 < InsideTolerance)) return false;
            RecordHit(hit, geometry, polygon.polygon, t, k, w1, w2, denom >= 0.0f);
            return true;
        };
        if (fanCount == 1) return (polygon.axes & LeafFanValid) && inside(polygon.c, 0) ? t : -1.0f;
        const zFanTriangle* fan = fans + records[polygon.polygon].firstFan;
        for (u32 k = 0; k < fanCount; ++k)
            if (fan[k].valid && inside(fan[k].c, k)) return t;
        return -1.0f;
    }
};

} // namespace

void IGeometryBIH::IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame,
                                 void* user) {
    zRayHit& hit = *static_cast<zRayHit*>(user);
    PolygonTest test(*this, frame.origin, frame.direction);
    // The first polygon met keeps a tie.
    const auto nearer = [&hit](f32 t) { return !(hit.distance <= t); };
    const u32* positions = m_leafOf.data() + (leaf.indices - GetIndices());
    for (u32 i = 0; i < leaf.count; ++i) {
        const zLeafPolygon& polygon = m_leafPolygons[positions[i]];
        hit.rayCount += test.FanCount(polygon);
        const f32 t = test(polygon, tnear, tfar, hit, nearer);
        if (t < 0.0f) continue;
        // The walk skips what lies beyond. An any-hit query only still
        // looks for a hit at distance 0, the one that tells it apart.
        frame.found = 1;
        frame.hitDistance = hit.searchMode == RaySearchAny && t > 0.0f ? std::numeric_limits<f32>::min() : t;
    }
}

namespace {

struct BoxRay {
#if defined(__SSE2__)
    __m128 origin[3]; // each in all four lanes
    __m128 inverse[3];
#else
    f32 origin[3];
    f32 inverse[3];
#endif
};

// Which children of the node the ray enters within [tnear, tfar] (bit i for
// child i), and where.
inline u32 EnterChildren(const zBoxNode& node, const BoxRay& ray, f32 tnear, f32 tfar,
                         f32 entry[BoxChildren]) {
#if defined(__SSE2__)
    __m128 nearT = _mm_set1_ps(tnear), farT = _mm_set1_ps(tfar);
    for (u32 k = 0; k < 3; ++k) {
        const __m128 t0 = _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.bounds[k]), ray.origin[k]), ray.inverse[k]);
        const __m128 t1 =
            _mm_mul_ps(_mm_sub_ps(_mm_load_ps(node.bounds[3 + k]), ray.origin[k]), ray.inverse[k]);
        nearT = _mm_max_ps(nearT, _mm_min_ps(t0, t1));
        farT = _mm_min_ps(farT, _mm_max_ps(t0, t1));
    }
    _mm_storeu_ps(entry, nearT);
    return u32(_mm_movemask_ps(_mm_cmple_ps(nearT, farT)));
#else
    u32 mask = 0;
    for (u32 slot = 0; slot < BoxChildren; ++slot) {
        f32 enter = tnear, leave = tfar;
        for (u32 k = 0; k < 3; ++k) {
            const f32 t0 = (node.bounds[k][slot] - ray.origin[k]) * ray.inverse[k];
            const f32 t1 = (node.bounds[3 + k][slot] - ray.origin[k]) * ray.inverse[k];
            enter = std::max(enter, std::min(t0, t1));
            leave = std::min(leave, std::max(t0, t1));
        }
        entry[slot] = enter;
        mask |= enter <= leave ? 1u << slot : 0u;
    }
    return mask;
#endif
}

} // namespace

void IGeometryBIH::Walk(zRayHit& hit, const zVector& origin, const zVector& direction,
                        f32 maxDistance) const {
    if (m_boxNodes.empty()) return;
    // The interval walk's reach: the root box, up to the maximum distance.
    f32 tnear, tfar;
    if (!zMinMax(GetRootMin(), GetRootMax()).IntersectRayRange(origin, direction, tnear, tfar)) return;
    if (maxDistance > 0.0f) {
        if (tnear >= maxDistance) return;
        tfar = std::min(tfar, maxDistance);
    }
    BoxRay ray;
    u32 rightFirst = 0; // per axis: the right child is the near one
    for (u32 k = 0; k < 3; ++k) {
        const f32 d = RayAxis(direction, k);
        f32 inverse = 1.0f / d;
        // Finite, so that a box plane through the origin gives 0, not NaN.
        if (!std::isfinite(inverse)) inverse = std::copysign(FLT_MAX, d);
#if defined(__SSE2__)
        ray.origin[k] = _mm_set1_ps(RayAxis(origin, k));
        ray.inverse[k] = _mm_set1_ps(inverse);
#else
        ray.origin[k] = RayAxis(origin, k);
        ray.inverse[k] = inverse;
#endif
        rightFirst |= d < 0.0f ? 1u << k : 0u;
    }
    PolygonTest test(*this, origin, direction);
    struct Entry {
        u32 child;
        u32 count; // leaves
        f32 tnear;
    };
    // A visit pushes at most three children, and there are fewer levels
    // than binary splits.
    Entry stack[(BoxChildren - 1) * BIHMaxDepth];
    u32 stackCount = 0;
    f32 limit = tfar;         // nothing beyond can still be taken
    u32 child = 0, count = 0; // the root
    u32 best = 0;             // the leaf position of the hit
    // A child's memory, all lines asked for at once; a stacked child's while
    // the nearer ones are walked.
    const auto Prefetch = [this](const Entry& entry) {
#if defined(__GNUC__)
        if (entry.child & BoxChildLeaf) {
            const zLeafPolygon* run = m_leafPolygons.data() + (entry.child & ~BoxChildLeaf);
            for (u32 i = 0; i < entry.count; i += 2)
                __builtin_prefetch(run + i);
        } else {
            __builtin_prefetch(&m_boxNodes[entry.child]);
            __builtin_prefetch(reinterpret_cast<const char*>(&m_boxNodes[entry.child]) + 64);
        }
#else
        (void)entry;
#endif
    };
    for (;;) {
        if (child & BoxChildLeaf) {
            const f32 leafFar = limit;
            const u32 first = child & ~BoxChildLeaf;
            hit.rayCount += m_fansBefore.empty() ? count : m_fansBefore[first + count] - m_fansBefore[first];
            // The planes four at a time, then the crossed ones in leaf order.
            for (u32 group = first; group < first + count; group += 4) {
                const u32 left = first + count - group;
                f32 distance[4], denom[4];
                u32 crossed = test.Planes(&m_leafPolygons[group], left >= 4 ? 0xfu : (1u << left) - 1u, tnear,
                                          leafFar, distance, denom);
                for (; crossed != 0; crossed &= crossed - 1) {
                    const u32 lane = u32(__builtin_ctz(crossed)), i = group + lane;
                    // A tie goes to the polygon the interval walk meets first.
                    const auto replaces = [&](f32 t) {
                        return !(hit.distance <= t) ||
                               (hit.distance == t && WalksBefore(i, best, rightFirst));
                    };
                    const f32 t = test.Inside(m_leafPolygons[i], distance[lane], denom[lane], hit, replaces);
                    if (t < 0.0f) continue;
                    best = i;
                    // As the interval walk: an any-hit query only still looks for a hit at 0.
                    limit = hit.searchMode == RaySearchAny && t > 0.0f ? std::numeric_limits<f32>::min() : t;
                }
            }
        } else {
            const zBoxNode& node = m_boxNodes[child];
            f32 entry[BoxChildren];
            u32 entered = EnterChildren(node, ray, tnear, limit, entry);
            if (entered != 0) {
                // The nearest entry next, the others stacked farthest first
                // (ties do not depend on the order).
                Entry next[BoxChildren];
                u32 nextCount = 0;
                for (; entered != 0; entered &= entered - 1) {
                    const u32 slot = u32(__builtin_ctz(entered));
                    Entry candidate{node.child[slot], node.count[slot], entry[slot]};
                    u32 at = nextCount++;
                    for (; at > 0 && next[at - 1].tnear < candidate.tnear; --at)
                        next[at] = next[at - 1];
                    next[at] = candidate;
                }
                for (u32 i = 0; i + 1 < nextCount; ++i) {
                    stack[stackCount++] = next[i];
                    Prefetch(next[i]);
                }
                Prefetch(next[nextCount - 1]);
                child = next[nextCount - 1].child;
                count = next[nextCount - 1].count;
                continue;
            }
        }
        do {
            if (stackCount == 0) return;
            --stackCount;
        } while (stack[stackCount].tnear > limit);
        child = stack[stackCount].child;
        count = stack[stackCount].count;
    }
}

// ---- zGeometryBIH ----

bool zGeometryBIH::Build(zGeometry* geometry) {
    m_geometry = geometry;
    return m_tree.BuildFromGeometry(geometry);
}

void zGeometryBIH::Clear() {
    m_geometry = nullptr;
    m_tree.Clear();
}

void zGeometryBIH::Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance) {
    hit.distance = -1.0f;
    hit.polygon = -1;
    hit.rayCount = 0;
    hit.found = 0;
    hit.origin = origin;
    hit.direction = direction;
    if (!m_geometry) return;
    // hit.searchMode is the caller's: an any-hit query ends at the first hit
    // at a distance above 0 (whose nearest hit is then above 0 too).
    m_tree.Walk(hit, origin, direction, maxDistance);
}

// ---- zGeometryKDTree ----

namespace {

// Separating-axis test of a triangle against a box (centre, half sizes):
// the box axes, the triangle's plane and the nine edge cross products.
// Touching counts as overlapping.
bool OverlapsOnAxis(const zVector& axis, const zVector v[3], const zVector& half) {
    if (axis.Length2() < 1e-24f) return true;
    const f32 p0 = axis.Dot(v[0]), p1 = axis.Dot(v[1]), p2 = axis.Dot(v[2]);
    const f32 radius = half.x * std::fabs(axis.x) + half.y * std::fabs(axis.y) + half.z * std::fabs(axis.z);
    return !(std::min({p0, p1, p2}) > radius || std::max({p0, p1, p2}) < -radius);
}

bool TriangleOverlapsBox(const zVector& a, const zVector& b, const zVector& c, const f32 box[6]) {
    const zVector centre((box[0] + box[1]) * 0.5f, (box[2] + box[3]) * 0.5f, (box[4] + box[5]) * 0.5f);
    // A little slack keeps triangles on a face in both boxes.
    const zVector half((box[1] - box[0]) * 0.5f + 1e-5f, (box[3] - box[2]) * 0.5f + 1e-5f,
                       (box[5] - box[4]) * 0.5f + 1e-5f);
    const zVector v[3] = {a.Sub(centre), b.Sub(centre), c.Sub(centre)};
    const zVector axes[3] = {zVector(1, 0, 0), zVector(0, 1, 0), zVector(0, 0, 1)};
    for (const zVector& axis : axes)
        if (!OverlapsOnAxis(axis, v, half)) return false;
    const zVector edges[3] = {v[1].Sub(v[0]), v[2].Sub(v[1]), v[0].Sub(v[2])};
    if (!OverlapsOnAxis(edges[0].Cross(edges[1]), v, half)) return false;
    for (const zVector& edge : edges)
        for (const zVector& axis : axes)
            if (!OverlapsOnAxis(edge.Cross(axis), v, half)) return false;
    return true;
}

} // namespace

void zGeometryKDTree::Clear() {
    m_geometry = nullptr;
    m_positions.clear();
    m_triangles.clear();
    m_nodes.clear();
    m_leafTriangles.clear();
}

u32 zGeometryKDTree::GetLeafCount() const {
    u32 leaves = 0;
    for (const zKDNode& node : m_nodes)
        leaves += node.leaf ? 1 : 0;
    return leaves;
}

bool zGeometryKDTree::Build(zGeometry* geometry) {
    try {
        return BuildTree(geometry);
    } catch (const std::bad_alloc&) {
        Clear();
        GetLog() << "[!] Failed to allocate KD-Tree nodes.\n";
        return false;
    }
}

bool zGeometryKDTree::BuildTree(zGeometry* geometry) {
    Clear();
    GetLog() << "Building KD-Tree...\n";
    zStopwatch watch;
    watch.Start();
    if (geometry->GetPolygonCount() == 0) return false;
    m_geometry = geometry;
    const zVector* vertices = geometry->GetVertices();
    const zPolygon* polygons = geometry->GetPolygons();
    m_positions.assign(vertices, vertices + geometry->GetVertexCount());
    for (u32 p = 0; p < geometry->GetPolygonCount(); ++p) {
        const zPolygon& polygon = polygons[p];
        if (polygon.cornerCount != 3) continue;
        m_triangles.push_back({{polygon.bindings[0], polygon.bindings[1], polygon.bindings[2]}, p});
    }
    zKDNode root;
    root.box[0] = root.box[2] = root.box[4] = FLT_MAX;
    root.box[1] = root.box[3] = root.box[5] = -FLT_MAX;
    for (const zVector& v : m_positions) {
        for (u32 k = 0; k < 3; ++k) {
            root.box[2 * k] = std::min(root.box[2 * k], RayAxis(v, k));
            root.box[2 * k + 1] = std::max(root.box[2 * k + 1], RayAxis(v, k));
        }
    }
    m_nodes.push_back(root);
    std::vector<u32> all(m_triangles.size());
    for (u32 i = 0; i < all.size(); ++i)
        all[i] = i;
    if (!BuildNode(0, all, 0)) {
        Clear();
        return false;
    }
    LinkRopes(0);
    GetLog() << "Done in " << watch.GetElapsedMs() << "ms.\n";
    return true;
}

bool zGeometryKDTree::BuildNode(u32 index, const std::vector<u32>& triangles, u32 depth) {
    const zKDNode node = m_nodes[index];
    bool thin = false;
    for (u32 k = 0; k < 3; ++k)
        thin = thin || node.box[2 * k + 1] - node.box[2 * k] <= MinExtent;
    if (triangles.size() < LeafTriangles || depth >= MaxDepth || thin) {
        zKDNode& leaf = m_nodes[index];
        leaf.leaf = true;
        leaf.first = u32(m_leafTriangles.size());
        leaf.count = u32(triangles.size());
        m_leafTriangles.insert(m_leafTriangles.end(), triangles.begin(), triangles.end());
        return true;
    }
    const u32 axis = node.axis;
    f32 mean = 0.0f, lo = FLT_MAX, hi = -FLT_MAX;
    for (u32 t : triangles) {
        f32 sum = 0.0f;
        for (u32 corner : m_triangles[t].vertices) {
            const f32 value = RayAxis(m_positions[corner], axis);
            sum += value;
            lo = std::min(lo, value);
            hi = std::max(hi, value);
        }
        mean += sum * 0.33f;
    }
    mean /= f32(triangles.size());
    const f32 boxLo = node.box[2 * axis], boxHi = node.box[2 * axis + 1];
    const f32 middle = (boxLo + boxHi) * 0.5f;
    f32 split = middle > hi ? hi : (middle < lo ? lo : mean);
    if (!(split > boxLo && split < boxHi)) split = middle;

    zKDNode left, right;
    std::copy(node.box, node.box + 6, left.box);
    std::copy(node.box, node.box + 6, right.box);
    left.box[2 * axis + 1] = split;
    right.box[2 * axis] = split;
    left.axis = right.axis = u8((axis + 1) % 3);
    std::vector<u32> leftTriangles, rightTriangles;
    for (u32 t : triangles) {
        const Triangle& triangle = m_triangles[t];
        const zVector& a = m_positions[triangle.vertices[0]];
        const zVector& b = m_positions[triangle.vertices[1]];
        const zVector& c = m_positions[triangle.vertices[2]];
        if (TriangleOverlapsBox(a, b, c, left.box)) leftTriangles.push_back(t);
        if (TriangleOverlapsBox(a, b, c, right.box)) rightTriangles.push_back(t);
    }
    const u32 leftIndex = u32(m_nodes.size());
    m_nodes.push_back(left);
    m_nodes.push_back(right);
    zKDNode& inner = m_nodes[index];
    inner.split = split;
    inner.left = leftIndex;
    inner.right = leftIndex + 1;
    return BuildNode(leftIndex, leftTriangles, depth + 1) &&
           BuildNode(leftIndex + 1, rightTriangles, depth + 1);
}

void zGeometryKDTree::LinkRopes(u32 index) {
    zKDNode& node = m_nodes[index];
    for (u32 face = 0; face < 6; ++face) {
        u32 rope = node.ropes[face];
        const u32 faceAxis = face / 2;
        const bool maxFace = (face & 1) != 0;
        while (rope != KDNone && !m_nodes[rope].leaf) {
            const zKDNode& neighbour = m_nodes[rope];
            if (neighbour.axis == faceAxis)
                rope = maxFace ? neighbour.left : neighbour.right;
            else if (neighbour.split >= node.box[2 * neighbour.axis + 1])
                rope = neighbour.left;
            else if (neighbour.split <= node.box[2 * neighbour.axis])
                rope = neighbour.right;
            else
                break;
        }
        node.ropes[face] = rope;
    }
    if (node.leaf) return;
    const u32 axis = node.axis;
    zKDNode& left = m_nodes[node.left];
    zKDNode& right = m_nodes[node.right];
    std::copy(node.ropes, node.ropes + 6, left.ropes);
    std::copy(node.ropes, node.ropes + 6, right.ropes);
    left.ropes[2 * axis + 1] = node.right;
    right.ropes[2 * axis] = node.left;
    const u32 leftIndex = node.left, rightIndex = node.right;
    LinkRopes(leftIndex);
    LinkRopes(rightIndex);
}

u32 zGeometryKDTree::FindLeaf(u32 index, const zVector& point, const zVector& direction) const {
    while (!m_nodes[index].leaf) {
        const zKDNode& node = m_nodes[index];
        const f32 value = RayAxis(point, node.axis);
        bool right = value > node.split;
        if (value == node.split) right = RayAxis(direction, node.axis) > 0.0f;
        index = right ? node.right : node.left;
    }
    return index;
}

void zGeometryKDTree::Intersect(zRayHit& hit, const zVector& origin, const zVector& direction,
                                f32 maxDistance) {
    hit.found = 0;
    hit.rayCount = 1;
    hit.distance = -1.0f;
    hit.polygon = -1;
    hit.origin = origin;
    hit.direction = direction;
    if (m_nodes.empty() || m_triangles.empty()) return;
    constexpr f32 Parallel = 0.000001f;
    const zKDNode& root = m_nodes[0];
    const zMinMax rootBox(zVector(root.box[0], root.box[2], root.box[4]),
                          zVector(root.box[1], root.box[3], root.box[5]));
    f32 entry, exit;
    if (!rootBox.IntersectRayRange(origin, direction, entry, exit)) return;
    const bool limited = maxDistance > 0.0f;
    if (limited && entry >= maxDistance) return;

    u32 index = FindLeaf(0, origin.Add(direction.MulReal(entry)), direction);
    f32 previousExit = -FLT_MAX;
    for (;;) {
        const zKDNode& leaf = m_nodes[index];
        // Where the ray leaves this leaf, and through which face.
        f32 leafExit = FLT_MAX;
        u32 exitFace = 6;
        for (u32 k = 0; k < 3; ++k) {
            const f32 d = RayAxis(direction, k);
            if (std::fabs(d) < Parallel) continue;
            const u32 face = 2 * k + (d > 0.0f ? 1 : 0);
            const f32 t = (leaf.box[face] - RayAxis(origin, k)) / d;
            if (t < leafExit) {
                leafExit = t;
                exitFace = face;
            }
        }
        const f32 slack = 0.00001f * std::max(1.0f, std::fabs(leafExit));
        f32 best = FLT_MAX;
        for (u32 i = 0; i < leaf.count; ++i) {
            const Triangle& triangle = m_triangles[m_leafTriangles[leaf.first + i]];
            const zVector& q0 = m_positions[triangle.vertices[0]];
            const zVector e1 = m_positions[triangle.vertices[1]].Sub(q0);
            const zVector e2 = m_positions[triangle.vertices[2]].Sub(q0);
            const zVector pvec = direction.Cross(e2);
            const f32 det = e1.Dot(pvec);
            if (det > -Parallel && det < Parallel) continue;
            // The front face sees the normal (Q2 - Q0) x (Q1 - Q0) against the ray.
            const bool back = det > 0.0f;
            if (back && !IsDoubleSided(m_geometry, m_geometry->GetPolygons()[triangle.polygon].material))
                continue;
            const f32 inverse = 1.0f / det;
            const zVector tvec = origin.Sub(q0);
            const f32 u = tvec.Dot(pvec) * inverse;
            if (u < 0.0f || u > 1.0f) continue;
            const zVector qvec = tvec.Cross(e1);
            const f32 v = direction.Dot(qvec) * inverse;
            if (v < 0.0f || u + v > 1.0f) continue;
            const f32 t = e2.Dot(qvec) * inverse;
            if (t < 0.0f || t >= best || t > leafExit + slack || (limited && t > maxDistance)) continue;
            best = t;
            RecordHit(hit, m_geometry, triangle.polygon, t, 0, u, v, back);
        }
        if (hit.found) return;
        if (exitFace == 6 || !(leafExit > previousExit)) return;
        if (limited && leafExit >= maxDistance) return;
        previousExit = leafExit;
        const u32 rope = leaf.ropes[exitFace];
        if (rope == KDNone) return;
        index = FindLeaf(rope, origin.Add(direction.MulReal(leafExit)), direction);
    }
}

// ---- the factory ----

namespace {

zGeometryTree* MakeGeometryTree(u32 kind) {
    if (kind == GeometryTreeKD) return new (std::nothrow) zGeometryKDTree;
    return new (std::nothrow) zGeometryBIH;
}

} // namespace

void RegisterGeometryTrees() {
    SetGeometryTreeFactory(MakeGeometryTree);
}
