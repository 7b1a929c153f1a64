// Polygon normals, binding normals and tangent frames of zGeometry.
//
// Smoothing: a binding of polygon p takes the mean, with equal weights, of
// the unit normals of the polygons around its vertex whose normal lies
// within the maximum smoothing angle (degrees) of p's material; p itself
// always counts. Tangent frames are smoothed over the same polygons.
#include <cmath>

#include "core/log.h"
#include "render/geometry.h"
#include "render/material.h"

namespace {

constexpr f32 DegreesToRadians = 3.14159265358979f / 180.0f;
constexpr f32 AngleSlack = 1e-6f;

zVector AsDirection(zVector vector) {
    vector.w = 0.0f;
    return vector;
}

// The first fan triangle (Q0, Qk, Qk+1) that is not degenerate gives
// (Qk+1 - Q0) x (Qk - Q0), normalised; (0, 0, 0) when there is none.
zVector FaceNormal(const zPolygon& polygon, const zVector* vertices) {
    if (polygon.cornerCount < 3) return zVector(0.0f, 0.0f, 0.0f, 0.0f);
    const zVector& q0 = vertices[polygon.bindings[0]];
    for (u32 k = 1; k + 1 < polygon.cornerCount; ++k) {
        const zVector a = vertices[polygon.bindings[k + 1]].Sub(q0);
        const zVector b = vertices[polygon.bindings[k]].Sub(q0);
        const zVector normal = a.Cross(b);
        if (normal.Length2() > 1e-20f) return AsDirection(normal.Normalize());
    }
    return zVector(0.0f, 0.0f, 0.0f, 0.0f);
}

// cos of the material's maximum smoothing angle, minus a little slack so
// that coplanar neighbours always count.
f32 SmoothingCosine(const zMaterial* material) {
    f32 degrees = material ? material->GetMaxSmoothingAngle() : 0.0f;
    if (!(degrees > 0.0f)) degrees = 0.0f;
    if (degrees > 180.0f) degrees = 180.0f;
    return std::cos(degrees * DegreesToRadians) - AngleSlack;
}

bool IsZero(const zVector& vector) {
    return vector.x == 0.0f && vector.y == 0.0f && vector.z == 0.0f;
}

// The UV channel of the material's active, textured Normal stage; -1 when it
// has none.
i32 NormalStageChannel(const zMaterial* material) {
    if (!material) return -1;
    const zTextureStage* stage = material->GetStageByType(StageTypeNormal);
    if (!stage || !stage->active || !stage->texture) return -1;
    return stage->uvMapIndex;
}

} // namespace

bool zGeometry::ComputePolygonNormals(bool force) {
    if (!m_polygonNormals.IsEmpty() && !force) return true;
    if (m_polygons.IsEmpty()) return false;
    GetLog() << "Compute polygon normal for " << m_name << ".\n";
    if (!m_polygonNormals.Allocate(m_polygons.GetCount())) {
        GetLog() << "[!] zGeometry::ComputePolygonNormal() failed to allocate buffer!\n";
        return false;
    }
    for (u32 p = 0; p < m_polygons.GetCount(); ++p)
        m_polygonNormals[p] = FaceNormal(m_polygons[p], m_vertices.Get());
    return true;
}

bool zGeometry::ComputePolygonTangents() {
    if (m_polygons.IsEmpty()) return false;
    m_polygonTangents.Free();
    if (!BuildFirstBindingTable()) return false;
    bool missingChannel = false;
    for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
        const zPolygon& polygon = m_polygons[p];
        if (polygon.cornerCount < 3) continue;
        const i32 channel = NormalStageChannel(GetMaterial(polygon.material));
        if (channel < 0) continue;
        // A channel not sized for these bindings (the binding count was
        // stale when it was made) is as good as missing.
        if (u32(channel) >= m_uvCount ||
            m_uvs[channel].GetCount() < m_firstBinding[p] + polygon.cornerCount) {
            missingChannel = true;
            continue;
        }
        if (m_polygonTangents.IsEmpty() && !m_polygonTangents.Allocate(m_polygons.GetCount())) {
            GetLog() << "[!] zGeometry::ComputePolygonTangent() failed to allocate buffer!\n";
            return false;
        }
        const zVector2* uvs = m_uvs[channel].Get() + m_firstBinding[p];
        const zVector& q0 = m_vertices[polygon.bindings[0]];
        const zVector edge1 = m_vertices[polygon.bindings[1]].Sub(q0);
        const zVector edge2 = m_vertices[polygon.bindings[2]].Sub(q0);
        const f32 du1 = uvs[1].x - uvs[0].x, dv1 = uvs[1].y - uvs[0].y;
        const f32 du2 = uvs[2].x - uvs[0].x, dv2 = uvs[2].y - uvs[0].y;
        const f32 determinant = du1 * dv2 - du2 * dv1;
        zTangentFrame& frame = m_polygonTangents[p];
        if (std::fabs(determinant) < 1e-20f) continue; // no UV area: no frame
        const f32 r = 1.0f / determinant;
        frame.tangent = AsDirection(edge1.MulReal(dv2).Sub(edge2.MulReal(dv1)).MulReal(r).Normalize());
        frame.bitangent = AsDirection(edge2.MulReal(du1).Sub(edge1.MulReal(du2)).MulReal(r).Normalize());
    }
    if (missingChannel) GetLog() << "[*] Missing UV sets to compute tangent frame in '" << m_name << "'.\n";
    return !m_polygonTangents.IsEmpty();
}

bool zGeometry::ComputeVertexNormals(bool force) {
    if (!m_bindingNormals.IsEmpty() && !force) return true;
    if (m_polygons.IsEmpty()) return false;
    if (!ComputePolygonNormals(false)) return false;
    ComputePolygonTangents();
    if (!BuildVertexToPolygonTable()) return false;
    GetLog() << "Compute vertex normal for " << m_name << ".\n";
    if (m_bindingCount == 0) {
        GetLog() << "[!] The total binding count is wrong. Check that the importer did properly update this "
                    "flag.\n";
        ComputeBindingTotal();
    }
    if (!m_bindingNormals.Allocate(m_bindingCount)) {
        GetLog() << "[!] zGeometry::ComputeVertexNormal() failed to allocate buffer!\n";
        return false;
    }
    if (!BuildFirstBindingTable()) return false;
    // The last result per vertex: the corners of a flat fan's centre share
    // their own normal (within rounding) and threshold, and must not cost k^2.
    struct Memo {
        zVector own;
        f32 threshold = 2.0f; // no cosine is this large: empty
        zVector normal;
    };
    zGeometryBuffer<Memo> memo;
    const bool memoized = memo.Allocate(m_vertices.GetCount());
    for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
        const zPolygon& polygon = m_polygons[p];
        const zVector& own = m_polygonNormals[p];
        const f32 threshold = SmoothingCosine(GetMaterial(polygon.material));
        for (u32 c = 0; c < polygon.cornerCount; ++c) {
            const u32 binding = m_firstBinding[p] + c;
            if (binding >= m_bindingCount) break;
            const u32 vertex = polygon.bindings[c];
            if (memoized && memo[vertex].threshold == threshold &&
                zVector::Dist2(memo[vertex].own, own) <= 1e-12f) {
                m_bindingNormals[binding] = memo[vertex].normal;
                continue;
            }
            const zVertexPolygons& around = m_vertexPolygons[vertex];
            zVector sum(0.0f, 0.0f, 0.0f);
            for (u32 i = 0; i < around.count; ++i) {
                const u32 q = around.polygons[i];
                if (i > 0 && around.polygons[i - 1] == q) continue;
                const zVector& other = m_polygonNormals[q];
                if (q == p || own.Dot(other) >= threshold) sum = sum.Add(other);
            }
            const zVector normal = sum.Normalize();
            m_bindingNormals[binding] = AsDirection(IsZero(normal) ? own : normal);
            if (memoized) memo[vertex] = Memo{own, threshold, m_bindingNormals[binding]};
        }
    }
    return true;
}

bool zGeometry::ComputeTangentFrames(bool force) {
    if (!m_bindingTangents.IsEmpty() && !force) return true;
    if (m_polygons.IsEmpty()) return false;
    GetLog() << "Compute vertex tangent for " << m_name << ".\n";
    if (!ComputePolygonNormals(false)) return false;
    ComputePolygonTangents();
    if (!BuildVertexToPolygonTable()) return false;
    if (m_bindingCount == 0) {
        GetLog() << "[!] ComputeVertexTangent() pol_binding_count member wasn't set! Check that the importer "
                    "updates "
                    "this flag.\n";
        ComputeBindingTotal();
    }
    if (m_polygonTangents.IsEmpty()) return false;
    if (!m_bindingTangents.Allocate(m_bindingCount)) {
        GetLog() << "[!] zGeometry::ComputeVertexTangent() failed to allocate buffer!\n";
        return false;
    }
    if (!BuildFirstBindingTable()) return false;
    for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
        const zPolygon& polygon = m_polygons[p];
        const zTangentFrame& own = m_polygonTangents[p];
        const f32 threshold = SmoothingCosine(GetMaterial(polygon.material));
        for (u32 c = 0; c < polygon.cornerCount; ++c) {
            const u32 binding = m_firstBinding[p] + c;
            if (binding >= m_bindingCount) break;
            if (IsZero(own.tangent)) continue;
            const zVertexPolygons& around = m_vertexPolygons[polygon.bindings[c]];
            zVector tangent(0.0f, 0.0f, 0.0f), bitangent(0.0f, 0.0f, 0.0f);
            for (u32 i = 0; i < around.count; ++i) {
                const u32 q = around.polygons[i];
                if (i > 0 && around.polygons[i - 1] == q) continue;
                const zTangentFrame& other = m_polygonTangents[q];
                if (IsZero(other.tangent)) continue;
                if (q != p && m_polygonNormals[p].Dot(m_polygonNormals[q]) < threshold) continue;
                tangent = tangent.Add(other.tangent);
                bitangent = bitangent.Add(other.bitangent);
            }
            tangent = tangent.Normalize();
            bitangent = bitangent.Normalize();
            m_bindingTangents[binding].tangent = AsDirection(IsZero(tangent) ? own.tangent : tangent);
            m_bindingTangents[binding].bitangent = AsDirection(IsZero(bitangent) ? own.bitangent : bitangent);
        }
    }
    return true;
}
