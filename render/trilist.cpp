#include "render/trilist.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/log.h"
#include "core/stopwatch.h"
#include "render/material.h"

namespace {

// A run of one polygon's fan triangles: triangle t joins corners 0, t + 1
// and t + 2.
struct Piece {
    u32 polygon;
    u32 firstTriangle;
    u32 triangleCount;
};

class TrilistBuilder {
  public:
    TrilistBuilder(zGeometry& geometry, u32 triangleLimit, u32 boneLimit)
        : m_geometry(geometry), m_maxTriangles(triangleLimit > 1 ? triangleLimit - 1 : 1),
          m_maxBones(std::min(std::max(boneLimit, 4u), TrilistMaxBones)),
          m_boneThreshold(std::min(TrilistBoneThreshold, m_maxBones)),
          m_flat(!geometry.GetBindingNormals() && geometry.GetPolygonNormals()) {}

    bool Prepare() {
        const u32 vertexCount = m_geometry.GetVertexCount();
        return m_geometry.BuildFirstBindingTable() && m_seenIn.Allocate(vertexCount) &&
               m_mappedIn.Allocate(vertexCount) && m_remap.Allocate(vertexCount);
    }

    // Appends the lists of material m; false when memory ran out.
    bool BuildMaterial(u32 material, zLinkedList& out) {
        m_material = material;
        m_homogeneous =
            m_geometry.BuildHomogeneousTable(i32(material)) ? m_geometry.GetHomogeneousTable() : nullptr;
        if (m_flat) MarkCreases();
        u32 startPolygon = 0, startTriangle = 0;
        for (;;) {
            ++m_stamp;
            m_pieces.clear();
            m_palette.clear();
            u32 triangles = 0, vertices = 0;
            const bool more = Count(startPolygon, startTriangle, triangles, vertices);
            if (vertices == 0) break;
            zTrilist* list = new (std::nothrow) zTrilist;
            if (!list) return false;
            out.Add(list);
            if (!Fill(*list, triangles, vertices)) return false;
            ++m_listCount;
            m_triangleTotal += triangles;
            m_boneTotal += list->boneCount;
            if (!more) break;
        }
        m_geometry.FreeHomogeneousTable();
        return true;
    }

    bool PaletteOverflowed() const { return m_paletteOverflow; }
    u32 GetListCount() const { return m_listCount; }
    f32 AverageTriangles() const { return m_listCount ? f32(m_triangleTotal) / f32(m_listCount) : 0.0f; }
    f32 AverageBones() const { return m_listCount ? f32(m_boneTotal) / f32(m_listCount) : 0.0f; }

  private:
    bool IsShared(u32 polygon, u32 vertex) const {
        return m_homogeneous && m_homogeneous[vertex] && !(m_flat && m_crease[vertex]) &&
               m_geometry.GetPolygons()[polygon].material == m_material;
    }

    // Flat shading: a vertex where polygons of the material meet at
    // different normals takes one list vertex per corner.
    void MarkCreases() {
        const u32 vertexCount = m_geometry.GetVertexCount();
        m_crease.assign(vertexCount, 0);
        m_firstPolygon.assign(vertexCount, NoPolygon);
        const zPolygon* polygons = m_geometry.GetPolygons();
        const zVector* normals = m_geometry.GetPolygonNormals();
        for (u32 p = 0; p < m_geometry.GetPolygonCount(); ++p) {
            const zPolygon& polygon = polygons[p];
            if (polygon.material != m_material) continue;
            for (u32 c = 0; c < polygon.cornerCount; ++c) {
                const u32 vertex = polygon.bindings[c];
                if (vertex >= vertexCount) continue;
                u32& first = m_firstPolygon[vertex];
                if (first == NoPolygon) {
                    first = p;
                } else if (normals[first].Sub(normals[p]).Length2() > 1.0000001e-5f) {
                    m_crease[vertex] = 1;
                }
            }
        }
    }

    // Corners of a piece: 0, then firstTriangle + 1 .. firstTriangle + count + 1.
    template <typename Visit> static void ForCorners(const Piece& piece, Visit visit) {
        visit(0u);
        for (u32 c = piece.firstTriangle + 1; c <= piece.firstTriangle + piece.triangleCount + 1; ++c)
            visit(c);
    }

    bool InPalette(u16 bone) const {
        return std::find(m_palette.begin(), m_palette.end(), bone) != m_palette.end();
    }

    // The bones the piece would add to the palette.
    u32 NewBones(const Piece& piece) const {
        const zSkinWeight* skin = m_geometry.GetSkinWeights();
        if (!skin) return 0;
        std::vector<u16> added;
        const zPolygon& polygon = m_geometry.GetPolygons()[piece.polygon];
        ForCorners(piece, [&](u32 c) {
            const zSkinWeight& weight = skin[polygon.bindings[c]];
            for (int i = 0; i < 4; ++i) {
                const u16 bone = weight.bones[i];
                if (!InPalette(bone) && std::find(added.begin(), added.end(), bone) == added.end())
                    added.push_back(bone);
            }
        });
        return u32(added.size());
    }

    void AddBones(const Piece& piece) {
        const zSkinWeight* skin = m_geometry.GetSkinWeights();
        if (!skin) return;
        const zPolygon& polygon = m_geometry.GetPolygons()[piece.polygon];
        ForCorners(piece, [&](u32 c) {
            const zSkinWeight& weight = skin[polygon.bindings[c]];
            for (int i = 0; i < 4; ++i) {
                if (InPalette(weight.bones[i])) continue;
                if (m_palette.size() >= m_maxBones) {
                    GetLog() << "[!] Bone array safeguard exceeded!\n";
                    m_paletteOverflow = true;
                    continue;
                }
                m_palette.push_back(weight.bones[i]);
            }
        });
    }

    // The counting pass from (startPolygon, startTriangle): fills m_pieces and
    // moves the start to where the next list begins; false when the
    // material's polygons are used up.
    bool Count(u32& startPolygon, u32& startTriangle, u32& triangles, u32& vertices) {
        const zPolygon* polygons = m_geometry.GetPolygons();
        u32 p = startPolygon;
        u32 firstTriangle = startTriangle;
        for (; p < m_geometry.GetPolygonCount(); ++p, firstTriangle = 0) {
            const zPolygon& polygon = polygons[p];
            if (polygon.material != m_material || polygon.cornerCount < 3) continue;
            const u32 remaining = polygon.cornerCount - 2 - firstTriangle;
            Piece piece{p, firstTriangle, remaining};
            if (!m_pieces.empty()) {
                if (m_palette.size() >= m_boneThreshold) break;
                // A fresh list keeps every influence that this one would drop.
                if (m_palette.size() + NewBones(piece) > m_maxBones) break;
                if (triangles + remaining > m_maxTriangles) break;
            }
            piece.triangleCount = std::min(remaining, m_maxTriangles - triangles);
            m_pieces.push_back(piece);
            AddBones(piece);
            ForCorners(piece, [&](u32 c) {
                const u32 vertex = polygon.bindings[c];
                if (!IsShared(p, vertex)) {
                    ++vertices;
                } else if (m_seenIn[vertex] != m_stamp) {
                    m_seenIn[vertex] = m_stamp;
                    ++vertices;
                }
            });
            triangles += piece.triangleCount;
            if (piece.triangleCount < remaining) {
                startPolygon = p;
                startTriangle = firstTriangle + piece.triangleCount;
                return true;
            }
        }
        startPolygon = p;
        startTriangle = 0;
        return p < m_geometry.GetPolygonCount();
    }

    bool Fill(zTrilist& list, u32 triangles, u32 vertices) {
        const zGeometry& g = m_geometry;
        const zMaterial* material = g.GetMaterial(m_material);
        const bool tangents =
            g.GetTangentFrames() && material && (material->GetFlags() & MaterialFlagNormalMapTangent);
        const bool skinned = g.GetSkinWeights() != nullptr;
        bool allocated = list.vertices.Allocate(vertices) && list.indices.Allocate(triangles * 3);
        if (g.GetBindingNormals() || m_flat) allocated = allocated && list.normals.Allocate(vertices);
        if (tangents) allocated = allocated && list.tangentFrames.Allocate(vertices);
        if (g.GetBindingColors()) allocated = allocated && list.colors.Allocate(vertices);
        for (auto& channel : list.uvs)
            allocated = allocated && channel.Allocate(vertices);
        if (skinned) {
            allocated =
                allocated && list.skin.Allocate(vertices) && list.bonePalette.Allocate(u32(m_palette.size()));
        }
        if (!allocated) return false;
        list.materialIndex = m_material;
        list.boneCount = skinned ? u32(m_palette.size()) : 0;
        for (u32 i = 0; i < list.boneCount; ++i)
            list.bonePalette[i] = m_palette[i];

        std::vector<u32> corners;
        for (const Piece& piece : m_pieces) {
            const zPolygon& polygon = g.GetPolygons()[piece.polygon];
            corners.assign(polygon.cornerCount, 0);
            ForCorners(piece, [&](u32 c) { corners[c] = ListVertex(list, piece.polygon, c, tangents); });
            for (u32 t = piece.firstTriangle; t < piece.firstTriangle + piece.triangleCount; ++t) {
                u32* triangle = list.indices.Get() + list.triangleCount * 3;
                triangle[0] = corners[0];
                triangle[1] = corners[t + 1];
                triangle[2] = corners[t + 2];
                ++list.triangleCount;
            }
        }
        return true;
    }

    u32 ListVertex(zTrilist& list, u32 p, u32 c, bool tangents) {
        const zGeometry& g = m_geometry;
        const u32 vertex = g.GetPolygons()[p].bindings[c];
        const bool shared = IsShared(p, vertex);
        if (shared && m_mappedIn[vertex] == m_stamp) return m_remap[vertex];
        const u32 index = list.vertexCount++;
        const u32 binding = g.GetFirstBindings()[p] + c;
        list.vertices[index] = g.GetVertices()[vertex];
        if (!list.normals.IsEmpty())
            list.normals[index] = m_flat ? g.GetPolygonNormals()[p] : g.GetBindingNormals()[binding];
        if (tangents) list.tangentFrames[index] = g.GetTangentFrames()[binding];
        if (!list.colors.IsEmpty()) list.colors[index] = g.GetBindingColors()[binding];
        for (u32 channel = 0; channel < g.GetUVChannelCount(); ++channel) {
            if (const zVector2* uvs = g.GetUVChannel(channel)) list.uvs[channel][index] = uvs[binding];
        }
        if (!list.skin.IsEmpty()) {
            const zSkinWeight& weight = g.GetSkinWeights()[vertex];
            zTrilistSkin& out = list.skin[index];
            for (int i = 0; i < 4; ++i) {
                const auto found = std::find(m_palette.begin(), m_palette.end(), weight.bones[i]);
                if (found != m_palette.end()) {
                    out.weights[i] = weight.weights[i];
                    out.bones[i] = u8(found - m_palette.begin());
                }
            }
        }
        if (shared) {
            m_mappedIn[vertex] = m_stamp;
            m_remap[vertex] = index;
        }
        return index;
    }

    static constexpr u32 NoPolygon = 0xFFFFFFFFu;

    zGeometry& m_geometry;
    const u32 m_maxTriangles;
    const u32 m_maxBones;
    const u32 m_boneThreshold;
    // No binding normals: corners take their polygon's normal.
    const bool m_flat;
    // Flat shading, per geometry vertex: 1 where normals meet at a crease;
    // the first polygon of the material seen at the vertex.
    std::vector<u8> m_crease;
    std::vector<u32> m_firstPolygon;
    u32 m_material = 0;
    const u8* m_homogeneous = nullptr;
    // Per geometry vertex: the list that counted it, the list that mapped
    // it, and its index in that list.
    zGeometryBuffer<u32> m_seenIn;
    zGeometryBuffer<u32> m_mappedIn;
    zGeometryBuffer<u32> m_remap;
    u32 m_stamp = 0;
    std::vector<Piece> m_pieces;
    std::vector<u16> m_palette;
    bool m_paletteOverflow = false;
    u32 m_listCount = 0;
    u64 m_triangleTotal = 0;
    u64 m_boneTotal = 0;
};

} // namespace

zLinkedList* zTrilist::BuildForRenderer(zGeometry* geometry, u32 triangleLimit, u32 boneLimit) {
    geometry->UpdateMaterialFlags();
    geometry->ComputeBindingTotal();
    if (!geometry->GetBindingNormals()) geometry->ComputePolygonNormals(false);
    return BuildFromGeometry(geometry, triangleLimit, boneLimit);
}

zLinkedList* zTrilist::BuildFromGeometry(zGeometry* geometry, u32 triangleLimit, u32 boneLimit) {
    GetLog() << "Building geometry triangle list...\n";
    zStopwatch timer;
    timer.Start();
    if (!geometry || geometry->GetPolygonCount() == 0) {
        GetLog() << "[!] Invalid geometry (" << (geometry ? geometry->GetName().CStr() : "") << ").\n";
        return nullptr;
    }
    zLinkedList* lists = new (std::nothrow) zLinkedList;
    if (!lists) {
        GetLog() << "[!] Failed to allocate trilist object.\n";
        return nullptr;
    }
    TrilistBuilder builder(*geometry, triangleLimit, boneLimit);
    if (!builder.Prepare()) {
        GetLog() << "[!] Could not allocate memory to remap vertice!\n";
        delete lists;
        return nullptr;
    }
    for (u32 material = 0; material < geometry->GetMaterialCount(); ++material) {
        if (!builder.BuildMaterial(material, *lists)) {
            GetLog() << "[!] Couldn't allocate triangle list container objects.\n";
            geometry->FreeHomogeneousTable();
            delete lists;
            return nullptr;
        }
    }
    GetLog() << "Done, in " << timer.GetElapsedMs() << "ms. Average: " << builder.AverageTriangles()
             << " tri/list, " << builder.AverageBones() << " bone/list.\n";
    return lists;
}
