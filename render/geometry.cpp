#include "render/geometry.h"

#include <cassert>
#include <new>
#include <vector>

#include "core/log.h"
#include "core/profiler_sections.h"
#include "render/material.h"
#include "render/octree.h"
#include "render/renderer.h"
#include "render/resource_event.h"

namespace {

zGeometryTreeFactory g_treeFactory = nullptr;

} // namespace

void zGeometryTree::Intersect(zRayHit&, const zVector&, const zVector&, f32) {}

void SetGeometryTreeFactory(zGeometryTreeFactory factory) {
    g_treeFactory = factory;
}

zGeometry::zGeometry(zRenderHost* engine)
    : m_engine(engine), m_host(dynamic_cast<zGeometryHost*>(engine)),
      m_materialHost(dynamic_cast<zMaterialHost*>(engine)) {
    assert(engine);
}

zGeometry::~zGeometry() {
    zResourceEventRecord record;
    record.geometry = this;
    m_engine->SendEvent(ResourceEventDestroyBegin, &record);
    FreeParts(0);
    FreeSkin();
    m_engine->SendEvent(ResourceEventDestroyed, &record);
}

bool zGeometry::Setup() {
    BeginProfilerSection("Geometry Setup");
    UpdateMaterialFlags();
    if (m_vertices.IsEmpty() || m_polygons.IsEmpty()) {
        // An optimised geometry whose own arrays were freed still has leaves.
        if (m_octree) m_octree->SetupLeaves();
        EndProfilerSection("Geometry Setup");
        return true;
    }
    zVector sum(0.0f, 0.0f, 0.0f);
    for (u32 i = 0; i < m_vertices.GetCount(); ++i)
        sum = sum.Add(m_vertices[i]);
    m_center = sum.MulReal(1.0f / f32(m_vertices.GetCount()));
    m_center.w = 1.0f;

    if (m_renderWord & GeometryRenderLit) ComputeVertexNormals(false);
    if (m_renderWord & GeometryRenderTangents) ComputeTangentFrames(false);

    const bool skinned = !m_skinWeights.IsEmpty();
    for (u32 i = 0; i < m_materials.GetCount(); ++i) {
        zMaterial* material = m_materials[i].Get();
        if (!material) continue;
        if (skinned) material->SetFlags(material->GetFlags() | MaterialFlagSkinned);
        material->Setup();
    }
    m_keepMask |= GeometryKeepMaterials | GeometryKeepProxies | GeometryKeepRenderData;
    GetMinMax(m_bounds);

    if (m_octree) {
        m_octree->SetupLeaves();
        EndProfilerSection("Geometry Setup");
        return true;
    }
    zRenderer* renderer = m_engine->GetRenderer();
    const bool done = renderer && renderer->SetupGeometry(this);
    EndProfilerSection("Geometry Setup");
    return done;
}

void zGeometry::Free() {
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->FreeGeometry(this);
}

void zGeometry::FreeData() {
    FreeParts(m_keepMask);
}

void zGeometry::FreeTables() {
    m_vertexPolygons.Free();
    m_vertexPolygonPool.Free();
    m_vertexNeighbours.Free();
    m_vertexNeighbourPool.Free();
    m_homogeneous.Free();
}

void zGeometry::FreeParts(u32 keep) {
    if (!(keep & GeometryKeepRenderData)) Free();
    if (!(keep & GeometryKeepMaterials)) {
        m_materials.Free();
        m_farDistance = -1.0f;
    }
    if (!(keep & GeometryKeepMesh)) {
        m_vertices.Free();
        m_polygons.Free();
        m_bindings.Free();
        m_bindingCount = 0;
        m_firstBinding.Free();
        m_polygonNormals.Free();
        m_bindingNormals.Free();
        m_polygonTangents.Free();
        m_bindingTangents.Free();
        delete m_tree;
        m_tree = nullptr;
    }
    if (!(keep & GeometryKeepTables)) FreeTables();
    if (!(keep & GeometryKeepOctree)) m_octree.reset();
    if (!(keep & GeometryKeepProxies)) {
        m_lodProxy = nullptr;
        m_shadowProxy = nullptr;
        m_lodDistance = DefaultLodDistance;
        m_flags &= ~(GeometryNotDrawnBeyondLod | GeometryNoShadow);
    }
    if (!(keep & GeometryKeepChannels)) {
        m_bindingColors.Free();
        for (auto& channel : m_uvs)
            channel.Free();
        m_uvCount = 0;
    }
}

zMinMax& zGeometry::GetMinMax(zMinMax& out, const zMatrix4* matrix) const {
    const u32 count = m_vertices.GetCount();
    if (count == 0) {
        out = m_bounds;
        if (matrix) {
            const zVector& lo = m_bounds.min;
            const zVector& hi = m_bounds.max;
            zVector corners[8];
            for (int i = 0; i < 8; ++i) {
                corners[i] = zVector(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
            }
            matrix->TransformPoints(corners, corners, 8);
            out.Set(corners[0], corners[0]);
            for (int i = 1; i < 8; ++i)
                out.AddPoint(corners[i]);
        }
        return out;
    }
    zVector first = m_vertices[0];
    if (matrix) matrix->TransformPoints(&first, &first, 1);
    out.Set(first, first);
    for (u32 i = 1; i < count; ++i) {
        zVector point = m_vertices[i];
        if (matrix) matrix->TransformPoints(&point, &point, 1);
        out.AddPoint(point);
    }
    out.min.w = out.max.w = matrix ? 1.0f : m_vertices[0].w;
    return out;
}

void zGeometry::UpdateMaterialFlags() {
    // Recomputed from scratch: flags a material dropped must not linger.
    m_renderWord = 0;
    m_materialFlags = 0;
    m_rigid = 1;
    bool smoothing = false;
    for (u32 i = 0; i < m_materials.GetCount(); ++i) {
        const zMaterial* material = m_materials[i].Get();
        if (!material) continue;
        const u32 flags = material->GetFlags();
        m_materialFlags |= flags;
        if (flags & MaterialFlagSoftBody) m_rigid = 0;
        if (flags & MaterialFlagNormalMapTangent) m_renderWord |= GeometryRenderTangents;
        if ((flags & MaterialFlagSmoothing) && !(flags & MaterialFlagShadeless)) smoothing = true;
    }
    if (smoothing || (m_materialFlags & MaterialFlagForceVertexNormal)) m_renderWord |= GeometryRenderLit;
}

bool zGeometry::AllocateMaterials(u32 count, bool create) {
    m_materials.Free();
    if (count == 0) {
        GetLog() << "[*] No materials allocated for geometry '" << m_name << "'.\n";
        return true;
    }
    if (!m_materials.Allocate(count)) {
        GetLog() << "[!] Could not allocate material array for geometry '" << m_name << "'.\n";
        return false;
    }
    if (create) {
        for (u32 i = 0; i < count; ++i) {
            zMaterial* material = new (std::nothrow) zMaterial(m_engine, m_materialHost);
            if (!material) {
                m_materials.Free();
                GetLog() << "[!] Could not allocate material array for geometry '" << m_name << "'.\n";
                return false;
            }
            m_materials[i] = material;
        }
    }
    return true;
}

zMaterial* zGeometry::GetMaterial(u32 index) const {
    if (m_materials.IsEmpty()) return nullptr;
    if (index >= m_materials.GetCount()) index = 0;
    return m_materials[index].Get();
}

zMaterial* zGeometry::FindMaterial(const char* name) const {
    const zString wanted(name);
    u32 found = 0;
    for (u32 i = 0; i < m_materials.GetCount(); ++i) {
        const zMaterial* material = m_materials[i].Get();
        if (material && material->GetName() == wanted) {
            found = i;
            break;
        }
    }
    return GetMaterial(found);
}

void zGeometry::SetMaterial(u32 index, zMaterial* material) {
    assert(index < m_materials.GetCount());
    m_materials[index] = material;
}

bool zGeometry::BuildTree(u32 kind) {
    if (m_tree) return true;
    m_tree = g_treeFactory ? g_treeFactory(kind) : nullptr;
    if (!m_tree) {
        GetLog() << "[!] Failed to allocate geotree.\n";
        return false;
    }
    if (!m_tree->Build(this)) {
        delete m_tree;
        m_tree = nullptr;
        return false;
    }
    return true;
}

void zGeometry::ComputeBindingTotal() {
    u32 total = 0;
    for (u32 i = 0; i < m_polygons.GetCount(); ++i)
        total += m_polygons[i].cornerCount;
    m_bindingCount = total;
}

bool zGeometry::AllocateVertices(u32 count) {
    FreeTables();
    if (m_skinWeights.GetCount() != count) m_skinWeights.Free();
    return m_vertices.Allocate(count);
}

// Everything laid out by the polygons' corners.
void zGeometry::FreeBindingData() {
    m_firstBinding.Free();
    m_bindingNormals.Free();
    m_bindingTangents.Free();
    m_bindingColors.Free();
    for (auto& channel : m_uvs)
        channel.Free();
    m_uvCount = 0;
    FreeTables();
    delete m_tree;
    m_tree = nullptr;
}

bool zGeometry::AllocatePolygons(u32 count) {
    FreeBindingData();
    m_polygonNormals.Free();
    m_polygonTangents.Free();
    m_bindingCount = 0;
    m_bindings.Free();
    return m_polygons.Allocate(count);
}

bool zGeometry::AllocateBindings() {
    FreeBindingData();
    ComputeBindingTotal();
    if (!m_bindings.Allocate(m_bindingCount)) {
        for (u32 i = 0; i < m_polygons.GetCount(); ++i)
            m_polygons[i].bindings = nullptr;
        return false;
    }
    u32 next = 0;
    for (u32 i = 0; i < m_polygons.GetCount(); ++i) {
        m_polygons[i].bindings = m_polygons[i].cornerCount ? m_bindings.Get() + next : nullptr;
        next += m_polygons[i].cornerCount;
    }
    return true;
}

bool zGeometry::BuildFirstBindingTable() {
    if (!m_firstBinding.IsEmpty() || m_polygons.IsEmpty()) return !m_firstBinding.IsEmpty();
    if (!m_firstBinding.Allocate(m_polygons.GetCount())) return false;
    u32 next = 0;
    for (u32 i = 0; i < m_polygons.GetCount(); ++i) {
        m_firstBinding[i] = next;
        next += m_polygons[i].cornerCount;
    }
    return true;
}

bool zGeometry::AllocatePolygonNormals() {
    return m_polygonNormals.Allocate(m_polygons.GetCount());
}

bool zGeometry::AllocateBindingNormals() {
    return m_bindingNormals.Allocate(m_bindingCount);
}

bool zGeometry::AllocateBindingColors() {
    return m_bindingColors.Allocate(m_bindingCount);
}

bool zGeometry::AllocateUVChannels(u32 count) {
    assert(count <= GeometryMaxUVChannels);
    for (auto& channel : m_uvs)
        channel.Free();
    m_uvCount = 0;
    for (u32 i = 0; i < count; ++i) {
        if (!m_uvs[i].Allocate(m_bindingCount)) {
            for (auto& channel : m_uvs)
                channel.Free();
            return false;
        }
    }
    m_uvCount = count;
    return true;
}

bool zGeometry::AllocateBindingTangents() {
    return m_bindingTangents.Allocate(m_bindingCount);
}

bool zGeometry::Optimize(u32 leafBudget) {
    GetMinMax(m_bounds);
    m_octree.reset(new (std::nothrow) zOctreeNode(m_engine));
    std::vector<u32> polygons;
    if (m_octree && !m_polygons.IsEmpty()) {
        try {
            polygons.resize(m_polygons.GetCount());
        } catch (const std::bad_alloc&) {
            polygons.clear();
        }
    }
    // The leaves read the per-binding attributes through the first-binding
    // table.
    if (!m_octree || polygons.empty() || !BuildFirstBindingTable()) {
        GetLog() << "[!] Octree failed to allocate polygon list.\n";
        return false;
    }
    for (u32 i = 0; i < m_polygons.GetCount(); ++i)
        polygons[i] = i;
    zOctreeBuild run;
    const u32 budget = leafBudget < OctreeMinimumLeafBudget ? OctreeMinimumLeafBudget : leafBudget;
    try {
        run.Prepare(*this);
        const u32 count = u32(polygons.size());
        m_octree->Build(*this, polygons.data(), count, run.Bounds(polygons.data(), count), OctreeDepthBudget,
                        2 * budget, run);
    } catch (const std::bad_alloc&) {
        // A partition list: a tree missing polygons must not replace the
        // source, which stays whole.
        GetLog() << "[!] Octree failed to allocate polygon list.\n";
        m_octree.reset();
        return false;
    }
    GetLog() << "Octree summary: " << run.leafCount << " leaves referencing " << run.polygonTotal
             << " polygon(s).\n";
    m_keepMask |= GeometryKeepMaterials | GeometryKeepOctree | GeometryKeepProxies;
    if (!m_engine->GetKeepSource()) FreeData();
    return true;
}

bool zGeometry::AllocateSkin(u32 boneCount) {
    if (!AllocateSkinBones(boneCount) || !AllocateSkinWeights()) {
        FreeSkin();
        return false;
    }
    return true;
}

bool zGeometry::AllocateSkinBones(u32 boneCount) {
    FreeSkin();
    if (!m_boneNames.Allocate(boneCount) || !m_boneBinds.Allocate(boneCount)) {
        FreeSkin();
        return false;
    }
    return true;
}

bool zGeometry::AllocateSkinWeights() {
    return m_skinWeights.Allocate(m_vertices.GetCount());
}

void zGeometry::FreeSkin() {
    m_boneNames.Free();
    m_boneBinds.Free();
    m_skinWeights.Free();
}

bool zGeometry::ReachesThroughProxies(const zGeometry* target) const {
    // Proxy graphs are tiny; a visited list keeps a cycle elsewhere finite.
    std::vector<const zGeometry*> pending{this};
    std::vector<const zGeometry*> visited;
    while (!pending.empty()) {
        const zGeometry* geometry = pending.back();
        pending.pop_back();
        if (geometry == target) return true;
        bool seen = false;
        for (const zGeometry* old : visited)
            seen = seen || old == geometry;
        if (seen) continue;
        visited.push_back(geometry);
        if (geometry->GetLodProxy()) pending.push_back(geometry->GetLodProxy());
        if (geometry->GetShadowProxy()) pending.push_back(geometry->GetShadowProxy());
    }
    return false;
}

namespace {

bool RefusesProxy(const zGeometry& geometry, const zGeometry* proxy) {
    if (!proxy || !proxy->ReachesThroughProxies(&geometry)) return false;
    GetLog() << "[!] Proxy '" << proxy->GetName() << "' of geometry '" << geometry.GetName()
             << "' refers back to it, proxy refused.\n";
    return true;
}

} // namespace

bool zGeometry::SetLodProxy(zGeometry* proxy) {
    if (RefusesProxy(*this, proxy)) return false;
    m_lodProxy = proxy;
    return true;
}

bool zGeometry::SetShadowProxy(zGeometry* proxy) {
    if (RefusesProxy(*this, proxy)) return false;
    m_shadowProxy = proxy;
    return true;
}
