// The adjacency tables of zGeometry: vertex to polygons, vertex to
// neighbouring corners, and the homogeneous vertex table.
#include <algorithm>
#include <vector>

#include "core/log.h"
#include "render/geometry.h"

bool zGeometry::BuildVertexToPolygonTable() {
    if (!m_vertexPolygons.IsEmpty()) return true;
    if (m_polygons.IsEmpty()) return false;
    const u32 vertexCount = m_vertices.GetCount();
    if (!m_vertexPolygons.Allocate(vertexCount)) {
        GetLog() << "[!] Could not allocate memory.\n";
        return false;
    }
    u32 total = 0;
    for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
        const zPolygon& polygon = m_polygons[p];
        for (u32 c = 0; c < polygon.cornerCount; ++c) {
            const u32 vertex = polygon.bindings[c];
            if (vertex >= vertexCount) continue;
            ++m_vertexPolygons[vertex].count;
            ++total;
        }
    }
    if (!m_vertexPolygonPool.Allocate(total)) {
        m_vertexPolygons.Free();
        GetLog() << "[!] Could not allocate memory.\n";
        return false;
    }
    u32 next = 0;
    for (u32 v = 0; v < vertexCount; ++v) {
        m_vertexPolygons[v].polygons = m_vertexPolygonPool.Get() + next;
        next += m_vertexPolygons[v].count;
        m_vertexPolygons[v].count = 0;
    }
    for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
        const zPolygon& polygon = m_polygons[p];
        for (u32 c = 0; c < polygon.cornerCount; ++c) {
            const u32 vertex = polygon.bindings[c];
            if (vertex >= vertexCount) continue;
            zVertexPolygons& slot = m_vertexPolygons[vertex];
            slot.polygons[slot.count++] = p;
        }
    }
    return true;
}

namespace {

// Visits the corners next to vertex in the polygons around it, each
// (polygon, corner) pair once, at most GeometryMaxNeighbourPairs of them;
// returns false when the limit cut the list.
template <typename Visit>
bool VisitNeighbours(const zPolygon* polygons, const zVertexPolygons& around, u32 vertex, Visit visit,
                     zPolygonCorner* seen) {
    u32 count = 0;
    auto add = [&](u32 polygon, u32 corner) {
        for (u32 i = 0; i < count; ++i) {
            if (seen[i].polygon == polygon && seen[i].corner == corner) return true;
        }
        if (count == GeometryMaxNeighbourPairs) return false;
        seen[count++] = zPolygonCorner{polygon, corner};
        visit(polygon, corner);
        return true;
    };
    for (u32 i = 0; i < around.count; ++i) {
        const u32 p = around.polygons[i];
        if (i > 0 && around.polygons[i - 1] == p) continue; // listed once per use
        const zPolygon& polygon = polygons[p];
        const u32 corners = polygon.cornerCount;
        for (u32 c = 0; c < corners; ++c) {
            if (polygon.bindings[c] != vertex) continue;
            if (!add(p, (c + corners - 1) % corners) || !add(p, (c + 1) % corners)) return false;
        }
    }
    return true;
}

} // namespace

bool zGeometry::BuildVertexToVertexTable() {
    if (!m_vertexNeighbours.IsEmpty()) return true;
    if (!BuildVertexToPolygonTable()) return false;
    const u32 vertexCount = m_vertices.GetCount();
    if (!m_vertexNeighbours.Allocate(vertexCount)) {
        GetLog() << "[!] Could not allocate memory.\n";
        return false;
    }
    zGeometryBuffer<zPolygonCorner> seen;
    if (!seen.Allocate(GeometryMaxNeighbourPairs)) {
        m_vertexNeighbours.Free();
        GetLog() << "[!] Could not allocate memory.\n";
        return false;
    }
    u32 total = 0;
    for (u32 v = 0; v < vertexCount; ++v) {
        u32 count = 0;
        if (!VisitNeighbours(
                m_polygons.Get(), m_vertexPolygons[v], v, [&](u32, u32) { ++count; }, seen.Get())) {
            GetLog() << "[!] Temporary list exceeded, V2V lut is corrupt.\n";
        }
        m_vertexNeighbours[v].count = count;
        total += count;
    }
    if (!m_vertexNeighbourPool.Allocate(total)) {
        m_vertexNeighbours.Free();
        GetLog() << "[!] Could not allocate memory.\n";
        return false;
    }
    u32 next = 0;
    for (u32 v = 0; v < vertexCount; ++v) {
        zVertexNeighbours& slot = m_vertexNeighbours[v];
        slot.pairs = m_vertexNeighbourPool.Get() + next;
        next += slot.count;
        u32 filled = 0;
        VisitNeighbours(
            m_polygons.Get(), m_vertexPolygons[v], v,
            [&](u32 polygon, u32 corner) {
                if (filled < slot.count) slot.pairs[filled++] = zPolygonCorner{polygon, corner};
            },
            seen.Get());
    }
    return true;
}

namespace {

f32 Distance2(const zVector& a, const zVector& b, bool withW) {
    const f32 dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z, dw = withW ? a.w - b.w : 0.0f;
    return dx * dx + dy * dy + dz * dz + dw * dw;
}

f32 Distance2(const zVector2& a, const zVector2& b) {
    const f32 dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

} // namespace

bool zGeometry::BuildHomogeneousTable(i32 material) {
    m_homogeneous.Free();
    if (!BuildVertexToPolygonTable() || !BuildFirstBindingTable()) return false;
    const u32 vertexCount = m_vertices.GetCount();
    if (!m_homogeneous.Allocate(vertexCount)) {
        GetLog() << "[!] Could not allocate homogeneous vertex table.\n";
        return false;
    }
    std::vector<u32> bindings;
    for (u32 v = 0; v < vertexCount; ++v) {
        const zVertexPolygons& around = m_vertexPolygons[v];
        bindings.clear();
        bool sameMaterial = true;
        i32 firstMaterial = -1;
        for (u32 i = 0; i < around.count; ++i) {
            const u32 p = around.polygons[i];
            if (i > 0 && around.polygons[i - 1] == p) continue;
            const zPolygon& polygon = m_polygons[p];
            if (material >= 0 && polygon.material != u32(material)) continue;
            if (firstMaterial < 0) firstMaterial = polygon.material;
            if (polygon.material != firstMaterial) sameMaterial = false;
            for (u32 c = 0; c < polygon.cornerCount; ++c) {
                if (polygon.bindings[c] == v) bindings.push_back(m_firstBinding[p] + c);
            }
        }
        bool homogeneous = sameMaterial;
        // Every pair of bindings must agree. When the bounding box of an
        // attribute already fits the tolerance all pairs do; else compare pairs.
        auto agrees = [&](auto distance2) {
            for (size_t a = 0; a < bindings.size(); ++a) {
                for (size_t b = a + 1; b < bindings.size(); ++b) {
                    if (distance2(bindings[a], bindings[b]) > GeometryHomogeneousTolerance) return false;
                }
            }
            return true;
        };
        auto boxFits = [&](auto component, int components) {
            f32 extent2 = 0.0f;
            for (int k = 0; k < components; ++k) {
                f32 lo = component(bindings[0], k), hi = lo;
                for (u32 binding : bindings) {
                    lo = std::min(lo, component(binding, k));
                    hi = std::max(hi, component(binding, k));
                }
                extent2 += (hi - lo) * (hi - lo);
            }
            return extent2 <= GeometryHomogeneousTolerance;
        };
        if (homogeneous && bindings.size() > 1) {
            if (!m_bindingNormals.IsEmpty()) {
                const zVector* normals = m_bindingNormals.Get();
                const bool fits = boxFits([&](u32 b, int k) { return (&normals[b].x)[k]; }, 3);
                homogeneous =
                    fits || agrees([&](u32 a, u32 b) { return Distance2(normals[a], normals[b], false); });
            }
            if (homogeneous && !m_bindingColors.IsEmpty()) {
                const zVector* colors = m_bindingColors.Get();
                const bool fits = boxFits([&](u32 b, int k) { return (&colors[b].x)[k]; }, 4);
                homogeneous =
                    fits || agrees([&](u32 a, u32 b) { return Distance2(colors[a], colors[b], true); });
            }
            for (u32 channel = 0; homogeneous && channel < m_uvCount; ++channel) {
                const zVector2* uvs = m_uvs[channel].Get();
                const bool fits = boxFits([&](u32 b, int k) { return k == 0 ? uvs[b].x : uvs[b].y; }, 2);
                homogeneous = fits || agrees([&](u32 a, u32 b) { return Distance2(uvs[a], uvs[b]); });
            }
        }
        m_homogeneous[v] = homogeneous ? 1 : 0;
    }
    return true;
}
