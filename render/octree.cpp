#include "render/octree.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <new>
#include <utility>

#include "core/log.h"
#include "core/profiler_sections.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/renderer.h"

namespace {

constexpr u32 Unused = 0xFFFFFFFFu;

f32 Coordinate(const zVector& point, u32 axis) {
    return axis == 0 ? point.x : axis == 1 ? point.y : point.z;
}

// Running bounds in plain floats: the partition's inner loop.
struct Bounds {
    f32 low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    f32 high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};

    void Add(const zOctreeBuild::Box& box) {
        for (int a = 0; a < 3; ++a) {
            low[a] = box.low[a] < low[a] ? box.low[a] : low[a];
            high[a] = box.high[a] > high[a] ? box.high[a] : high[a];
        }
    }
    // Nothing added: the origin.
    zMinMax Box() const {
        if (low[0] > high[0]) return zMinMax();
        return zMinMax(zVector(low[0], low[1], low[2], 1.0f), zVector(high[0], high[1], high[2], 1.0f));
    }
};

} // namespace

zOctreeNode::zOctreeNode(zRenderHost* engine) : m_engine(engine) {}

zOctreeNode::~zOctreeNode() {
    Clear();
}

void zOctreeNode::Clear() {
    for (zOctreeNode** child : {&m_first, &m_second}) {
        if (!*child) continue;
        (*child)->Clear();
        delete *child;
        *child = nullptr;
    }
    m_leafGeometry = nullptr;
}

void zOctreeBuild::Prepare(const zGeometry& source) {
    const u32 count = source.GetPolygonCount();
    newIndex.assign(source.GetVertexCount(), Unused);
    scratch.resize(count);
    boxes.resize(count);
    const zVector* vertices = source.GetVertices();
    for (u32 p = 0; p < count; ++p) {
        const zPolygon& polygon = source.GetPolygons()[p];
        Box& box = boxes[p];
        for (int a = 0; a < 3; ++a) {
            box.low[a] = FLT_MAX;
            box.high[a] = -FLT_MAX;
        }
        for (u32 corner = 0; corner < polygon.cornerCount; ++corner) {
            const zVector& point = vertices[polygon.bindings[corner]];
            const f32 xyz[3] = {point.x, point.y, point.z};
            for (int a = 0; a < 3; ++a) {
                box.low[a] = xyz[a] < box.low[a] ? xyz[a] : box.low[a];
                box.high[a] = xyz[a] > box.high[a] ? xyz[a] : box.high[a];
            }
        }
    }
}

zMinMax zOctreeBuild::Bounds(const u32* polygons, u32 count) const {
    ::Bounds bounds;
    for (u32 i = 0; i < count; ++i)
        bounds.Add(boxes[polygons[i]]);
    return bounds.Box();
}

void zOctreeNode::Build(zGeometry& source, u32* polygons, u32 count, const zMinMax& bounds, u32 depthLeft,
                        u32 leafLimit, zOctreeBuild& run) {
    m_bounds = bounds;
    if (depthLeft == 0 || count <= leafLimit) {
        BecomeLeaf(source, polygons, count, depthLeft, run);
        return;
    }
    // The longest axis; the first of equally long ones.
    const f32 extent[3] = {m_bounds.max.x - m_bounds.min.x, m_bounds.max.y - m_bounds.min.y,
                           m_bounds.max.z - m_bounds.min.z};
    u32 axis = 0;
    for (u32 a = 1; a < 3; ++a)
        if (extent[a] > extent[axis]) axis = a;
    m_splitAxis = axis;
    m_splitPosition = (Coordinate(m_bounds.min, axis) + Coordinate(m_bounds.max, axis)) * 0.5f;

    // A stable partition: the polygons below stay in place, the others
    // gather in the scratch room and follow them; each side's bounds grow
    // on the way.
    u32 below = 0, above = 0;
    Bounds belowBounds, aboveBounds;
    if (extent[axis] >= OctreeThinBox) {
        u32* scratch = run.scratch.data();
        for (u32 i = 0; i < count; ++i) {
            const u32 polygon = polygons[i];
            const zOctreeBuild::Box& box = run.boxes[polygon];
            if (box.low[axis] < m_splitPosition) {
                polygons[below++] = polygon;
                belowBounds.Add(box);
            } else {
                scratch[above++] = polygon;
                aboveBounds.Add(box);
            }
        }
        std::copy(scratch, scratch + above, polygons + below);
    }
    zMinMax firstBounds, secondBounds;
    if (below == 0 || above == 0) {
        // No position divides these polygons: halves of the list.
        m_splitAxis = OctreeSplitByCount;
        below = count / 2;
        above = count - below;
        firstBounds = run.Bounds(polygons, below);
        secondBounds = run.Bounds(polygons + below, above);
    } else {
        firstBounds = belowBounds.Box();
        secondBounds = aboveBounds.Box();
    }
    m_first = new (std::nothrow) zOctreeNode(m_engine);
    m_second = new (std::nothrow) zOctreeNode(m_engine);
    if (!m_first || !m_second) {
        delete m_first;
        delete m_second;
        m_first = m_second = nullptr;
        m_splitAxis = 0;
        GetLog() << "[!] Octree failed to allocate a node.\n";
        BecomeLeaf(source, polygons, count, depthLeft, run);
        return;
    }
    m_first->m_parent = this;
    m_second->m_parent = this;
    m_first->Build(source, polygons, below, firstBounds, depthLeft - 1, leafLimit, run);
    m_second->Build(source, polygons + below, above, secondBounds, depthLeft - 1, leafLimit, run);
}

void zOctreeNode::BecomeLeaf(zGeometry& source, const u32* polygons, u32 count, u32 depthLeft,
                             zOctreeBuild& run) {
    GetLog() << "Octree node depth " << (OctreeDepthBudget - depthLeft) << ", containing " << count
             << " polygon(s).\n";
    CreateLeafGeometry(source, polygons, count, run);
}

void zOctreeNode::CreateLeafGeometry(zGeometry& source, const u32* polygons, u32 count, zOctreeBuild& run) {
    m_leafGeometry = new (std::nothrow) zGeometry(m_engine);
    zGeometry* leaf = m_leafGeometry.Get();
    const zPolygon* sourcePolygons = source.GetPolygons();
    const zVector* sourceVertices = source.GetVertices();

    // Vertices in order of first use.
    std::vector<u32> used;
    bool made = leaf != nullptr;
    if (made) {
        for (u32 i = 0; i < count; ++i) {
            const zPolygon& record = sourcePolygons[polygons[i]];
            for (u32 corner = 0; corner < record.cornerCount; ++corner) {
                const u32 vertex = record.bindings[corner];
                if (run.newIndex[vertex] != Unused) continue;
                run.newIndex[vertex] = u32(used.size());
                used.push_back(vertex);
            }
        }
        made = leaf->AllocateVertices(u32(used.size())) && leaf->AllocatePolygons(count);
    }
    if (made) {
        for (u32 i = 0; i < used.size(); ++i)
            leaf->GetVertices()[i] = sourceVertices[used[i]];
        for (u32 i = 0; i < count; ++i) {
            leaf->GetPolygons()[i].cornerCount = sourcePolygons[polygons[i]].cornerCount;
            leaf->GetPolygons()[i].material = sourcePolygons[polygons[i]].material;
        }
        made = leaf->AllocateBindings();
    }
    if (made) {
        for (u32 i = 0; i < count; ++i) {
            const zPolygon& from = sourcePolygons[polygons[i]];
            zPolygon& to = leaf->GetPolygons()[i];
            for (u32 corner = 0; corner < from.cornerCount; ++corner)
                to.bindings[corner] = run.newIndex[from.bindings[corner]];
        }
        // Per-polygon and per-binding attributes the source has.
        const u32* firstBinding = source.GetFirstBindings();
        auto copyPerBinding = [&](auto* to, const auto* from) {
            u32 next = 0;
            for (u32 i = 0; i < count; ++i) {
                const u32 first = firstBinding[polygons[i]];
                for (u32 corner = 0; corner < sourcePolygons[polygons[i]].cornerCount; ++corner)
                    to[next++] = from[first + corner];
            }
        };
        if (source.GetPolygonNormals()) {
            made = made && leaf->AllocatePolygonNormals();
            for (u32 i = 0; made && i < count; ++i)
                leaf->GetPolygonNormals()[i] = source.GetPolygonNormals()[polygons[i]];
        }
        if (source.GetBindingNormals()) {
            made = made && leaf->AllocateBindingNormals();
            if (made) copyPerBinding(leaf->GetBindingNormals(), source.GetBindingNormals());
        }
        if (source.GetTangentFrames()) {
            made = made && leaf->AllocateBindingTangents();
            if (made) copyPerBinding(leaf->GetTangentFrames(), source.GetTangentFrames());
        }
        if (source.GetBindingColors()) {
            made = made && leaf->AllocateBindingColors();
            if (made) copyPerBinding(leaf->GetBindingColors(), source.GetBindingColors());
        }
        if (source.GetUVChannelCount()) {
            made = made && leaf->AllocateUVChannels(source.GetUVChannelCount());
            for (u32 channel = 0; made && channel < source.GetUVChannelCount(); ++channel)
                if (source.GetUVChannel(channel))
                    copyPerBinding(leaf->GetUVChannel(channel), source.GetUVChannel(channel));
        }
        if (source.GetMaterialCount()) {
            made = made && leaf->AllocateMaterials(source.GetMaterialCount(), false);
            for (u32 j = 0; made && j < source.GetMaterialCount(); ++j)
                leaf->SetMaterial(j, source.GetMaterial(j));
        }
    }
    for (u32 vertex : used)
        run.newIndex[vertex] = Unused;
    if (!made) {
        GetLog() << "[!] Failed to allocate leaf geometry.\n";
        m_leafGeometry = nullptr;
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, " (Leaf %u)", run.leafCount);
    zString leafName(source.GetName());
    leafName.Append(name);
    leaf->SetName(leafName);
    ++run.leafCount;
    run.polygonTotal += count;
    zMinMax box;
    leaf->SetBounds(leaf->GetMinMax(box));
    leaf->Setup();
}

zOctreeNode* zOctreeNode::Locate(const zVector& point) {
    zOctreeNode* node = this;
    bool second = false;
    for (;;) {
        if (node->m_splitAxis < OctreeSplitByCount)
            second = node->m_splitPosition <= Coordinate(point, node->m_splitAxis);
        zOctreeNode* next = second ? node->m_second : node->m_first;
        if (!next) return node;
        node = next;
    }
}

zOctreeNode* zOctreeNode::Following(zOctreeNode* node, bool enter) {
    if (enter && node->m_first) return node->m_first;
    if (enter && node->m_second) return node->m_second;
    while (node != this) {
        zOctreeNode* parent = node->m_parent;
        if (node == parent->m_first && parent->m_second) return parent->m_second;
        node = parent;
    }
    return nullptr;
}

zGeometry* zOctreeNode::NextLeaf(zOctreeNode*& cursor) {
    zOctreeNode* node = cursor ? Following(cursor, true) : this;
    while (node) {
        if (node->m_visibility == 0) {
            node = Following(node, false);
            continue;
        }
        if (node->m_leafGeometry) {
            cursor = node;
            return node->m_leafGeometry.Get();
        }
        node = Following(node, true);
    }
    cursor = nullptr;
    return nullptr;
}

void zOctreeNode::GetLeafGeometries(std::vector<zGeometry*>& out) const {
    if (m_leafGeometry) out.push_back(m_leafGeometry.Get());
    if (m_first) m_first->GetLeafGeometries(out);
    if (m_second) m_second->GetLeafGeometries(out);
}

void zOctreeNode::SetupLeaves() {
    BeginProfilerSection("Octree Leaf Setup");
    if (m_leafGeometry) m_leafGeometry->Setup();
    EndProfilerSection("Octree Leaf Setup");
    if (m_first) m_first->SetupLeaves();
    if (m_second) m_second->SetupLeaves();
}

void zOctreeNode::DrawDebug(zRenderer* renderer, const zMatrix4* matrix) const {
    u32 colour = 0;
    DrawDebug(renderer, matrix, colour);
}

void zOctreeNode::DrawDebug(zRenderer* renderer, const zMatrix4* matrix, u32& colour) const {
    static const f32 Colours[4][4] = {{1.0f, 0.0f, 0.0f, 1.0f},
                                      {0.0f, 1.0f, 0.0f, 1.0f},
                                      {0.0f, 0.5f, 1.0f, 1.0f},
                                      {1.0f, 1.0f, 0.0f, 1.0f}};
    if (m_leafGeometry) {
        zVector center((m_bounds.min.x + m_bounds.max.x) * 0.5f, (m_bounds.min.y + m_bounds.max.y) * 0.5f,
                       (m_bounds.min.z + m_bounds.max.z) * 0.5f, 1.0f);
        zVector size(m_bounds.max.x - m_bounds.min.x, m_bounds.max.y - m_bounds.min.y,
                     m_bounds.max.z - m_bounds.min.z, 1.0f);
        zMatrix3 rotation;
        if (matrix) {
            matrix->TransformPoints(&center, &center, 1);
            zVector scale;
            matrix->Decompose(nullptr, &scale, &rotation);
            size = zVector(size.x * scale.x, size.y * scale.y, size.z * scale.z, 1.0f);
        }
        const zOrientedBox box(&center, &size, &rotation);
        ::DrawBox(renderer, box, Colours[colour++ % 4]);
    }
    if (m_first) m_first->DrawDebug(renderer, matrix, colour);
    if (m_second) m_second->DrawDebug(renderer, matrix, colour);
}

namespace {

void CullNode(zOctreeNode* node, const zFrustum& frustum, const zMatrix4* matrix, u32 parentVisibility) {
    const u32 visibility =
        parentVisibility == 1 ? 1u : u32(frustum.ClassifyMinMax(node->GetBounds(), matrix));
    node->SetVisibility(visibility);
    if (visibility == 0) return;
    if (node->GetFirst()) CullNode(node->GetFirst(), frustum, matrix, visibility);
    if (node->GetSecond()) CullNode(node->GetSecond(), frustum, matrix, visibility);
}

} // namespace

void CullOctree(zOctreeNode* root, const zFrustum& frustum, const zMatrix4* matrix) {
    if (root) CullNode(root, frustum, matrix, ClassifyIntersecting);
}
