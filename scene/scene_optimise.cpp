#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/log.h"
#include "render/geometry.h"
#include "scene/managed_object.h"
#include "scene/scene.h"

namespace {

struct OptimiseRun {
    u32 leafBudget;
    std::unordered_map<const zGeometry*, u32> users; // objects using each geometry
    std::unordered_set<const zGeometry*> treated;
};

// A proxy is drawn by the objects of the geometry that links it, besides
// its own.
void OptimiseGeometry(OptimiseRun& run, zGeometry* geometry, u32 users) {
    if (!run.treated.insert(geometry).second) return;
    const bool skinned = geometry->GetBoneCount() > 0 || geometry->GetSkinWeights();
    if (!geometry->GetOctree() && !skinned && geometry->GetPolygonCount() > SceneOptimiseThreshold) {
        if (users > 1) {
            GetLog() << "[*] Geometry '" << geometry->GetName()
                     << "' should be optimized but will not be as it is used by more than one item.\n";
        } else {
            GetLog() << "   Generating octree for geometry '" << geometry->GetName() << "'.\n";
            geometry->Optimize(run.leafBudget);
        }
    }
    if (geometry->GetShadowProxy() == geometry) geometry->SetShadowProxy(nullptr);
    if (geometry->GetLodProxy() == geometry) geometry->SetLodProxy(nullptr);
    for (zGeometry* proxy : {geometry->GetShadowProxy(), geometry->GetLodProxy()}) {
        if (!proxy) continue;
        const auto own = run.users.find(proxy);
        OptimiseGeometry(run, proxy, users + (own == run.users.end() ? 0 : own->second));
    }
}

} // namespace

void zScene::OptimizeGeometries(u32 leafBudget) {
    try {
        OptimiseRun run{leafBudget, {}, {}};
        std::vector<zSharedPtr<zGeometry>> geometries; // distinct, in the objects' order
        for (auto* node = m_allItems.GetHead(); node; node = node->next) {
            if (node->value->GetKind() != ManagedKindObject) continue;
            auto* object = dynamic_cast<zMObject*>(node->value);
            zGeometry* geometry = object ? object->GetGeometry() : nullptr;
            if (geometry && run.users[geometry]++ == 0) geometries.push_back(geometry);
        }
        for (const zSharedPtr<zGeometry>& geometry : geometries)
            OptimiseGeometry(run, geometry.Get(), run.users[geometry.Get()]);
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Failed to allocate the geometry list of scene '" << m_name << "'.\n";
    }
}
