#include "render/geometry_merge.h"

#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "render/material.h"
#include "render/raytrace/ray_math.h"

namespace {

// What a side brings: its geometry and the matrices for its points and its
// normals.
struct MergeSide {
    const zGeometry* geometry;
    zMatrix4 points;
    zMatrix4 inverse; // normals go through its transpose
};

zVector TurnNormal(const zVector& normal, const zMatrix4& inverse) {
    zVector turned = RayNormal(normal, inverse).Normalize();
    turned.w = normal.w;
    return turned;
}

// Copies a per-binding (or per-polygon) array of both sides into out; a side
// without it leaves its run at zero.
template <typename T, typename Get, typename Copy>
void CopyRuns(T* out, const MergeSide (&sides)[2], Get get, u32 (*count)(const zGeometry&), Copy copy) {
    u32 at = 0;
    for (const MergeSide& side : sides) {
        const T* from = get(*side.geometry);
        const u32 n = count(*side.geometry);
        for (u32 i = 0; from && i < n; ++i)
            out[at + i] = copy(from[i], side);
        at += n;
    }
}

u32 BindingCountOf(const zGeometry& geometry) {
    return geometry.GetBindingCount();
}

u32 PolygonCountOf(const zGeometry& geometry) {
    return geometry.GetPolygonCount();
}

bool Fits(u64 value, u64 limit) {
    return value <= limit;
}

} // namespace

zSharedPtr<zGeometry> MergeItemGeometries(zGeometry* a, zGeometry* b, const zMatrix4* matrixA,
                                          const zMatrix4* matrixB) {
    if (!a || !b) {
        GetLog() << "[!] Cannot merge NULL geometry.\n";
        return nullptr;
    }
    zSharedPtr<zGeometry> merged(new (std::nothrow) zGeometry(a->GetEngine()));
    if (!merged) {
        GetLog() << "[!] Failed to allocate merged geometry.\n";
        return nullptr;
    }
    if (a->GetPolygonNormals() || b->GetPolygonNormals()) {
        a->ComputePolygonNormals(false);
        b->ComputePolygonNormals(false);
    }
    if (a->GetBindingNormals() || b->GetBindingNormals()) {
        a->ComputeVertexNormals(false);
        b->ComputeVertexNormals(false);
    }
    a->ComputeBindingTotal();
    b->ComputeBindingTotal();

    const zMatrix4 identity;
    const MergeSide sides[2] = {{a, matrixA ? *matrixA : identity, matrixA ? matrixA->Inverse() : identity},
                                {b, matrixB ? *matrixB : identity, matrixB ? matrixB->Inverse() : identity}};
    const u64 vertexCount = u64(a->GetVertexCount()) + b->GetVertexCount();
    const u64 polygonCount = u64(a->GetPolygonCount()) + b->GetPolygonCount();
    const u64 materialCount = u64(a->GetMaterialCount()) + b->GetMaterialCount();
    // Material indices are 16 bits: b's must still fit past a's.
    if (!Fits(vertexCount, std::numeric_limits<u32>::max()) ||
        !Fits(polygonCount, std::numeric_limits<u32>::max()) ||
        !Fits(u64(a->GetBindingCount()) + b->GetBindingCount(), std::numeric_limits<u32>::max()) ||
        !Fits(materialCount, u64(std::numeric_limits<u16>::max()) + 1)) {
        GetLog() << "[!] Cannot merge geometries '" << a->GetName() << "' and '" << b->GetName()
                 << "': the merged counts are too large.\n";
        return nullptr;
    }

    bool made = merged->AllocateVertices(u32(vertexCount)) && merged->AllocatePolygons(u32(polygonCount));
    if (made) {
        u32 vertex = 0, polygon = 0;
        for (const MergeSide& side : sides) {
            const zGeometry& from = *side.geometry;
            if (from.GetVertexCount())
                side.points.TransformPoints(merged->GetVertices() + vertex, from.GetVertices(),
                                            from.GetVertexCount());
            const u32 materialBase = &side == &sides[0] ? 0 : a->GetMaterialCount();
            for (u32 p = 0; p < from.GetPolygonCount(); ++p) {
                zPolygon& to = merged->GetPolygons()[polygon + p];
                to.cornerCount = from.GetPolygons()[p].cornerCount;
                to.material = u16(from.GetPolygons()[p].material + materialBase);
            }
            vertex += from.GetVertexCount();
            polygon += from.GetPolygonCount();
        }
        made = merged->AllocateBindings();
    }
    if (made) {
        u32 polygon = 0, vertexBase = 0;
        for (const MergeSide& side : sides) {
            const zGeometry& from = *side.geometry;
            for (u32 p = 0; p < from.GetPolygonCount(); ++p) {
                const zPolygon& source = from.GetPolygons()[p];
                zPolygon& to = merged->GetPolygons()[polygon + p];
                for (u32 corner = 0; corner < source.cornerCount; ++corner)
                    to.bindings[corner] = source.bindings[corner] + vertexBase;
            }
            polygon += from.GetPolygonCount();
            vertexBase += from.GetVertexCount();
        }
    }
    const auto turn = [](const zVector& normal, const MergeSide& side) {
        return TurnNormal(normal, side.inverse);
    };
    const auto same = [](const auto& value, const MergeSide&) { return value; };
    if (made && (a->GetPolygonNormals() || b->GetPolygonNormals())) {
        made = merged->AllocatePolygonNormals();
        if (made)
            CopyRuns(
                merged->GetPolygonNormals(), sides, [](const zGeometry& g) { return g.GetPolygonNormals(); },
                PolygonCountOf, turn);
    }
    if (made && (a->GetBindingNormals() || b->GetBindingNormals())) {
        made = merged->AllocateBindingNormals();
        if (made)
            CopyRuns(
                merged->GetBindingNormals(), sides, [](const zGeometry& g) { return g.GetBindingNormals(); },
                BindingCountOf, turn);
    }
    if (made && (a->GetBindingColors() || b->GetBindingColors())) {
        made = merged->AllocateBindingColors();
        if (made)
            CopyRuns(
                merged->GetBindingColors(), sides, [](const zGeometry& g) { return g.GetBindingColors(); },
                BindingCountOf, same);
    }
    const u32 channels =
        a->GetUVChannelCount() > b->GetUVChannelCount() ? a->GetUVChannelCount() : b->GetUVChannelCount();
    if (made && channels) {
        made = merged->AllocateUVChannels(channels);
        for (u32 channel = 0; made && channel < channels; ++channel)
            CopyRuns(
                merged->GetUVChannel(channel), sides,
                [channel](const zGeometry& g) { return g.GetUVChannel(channel); }, BindingCountOf, same);
    }
    if (!made) {
        GetLog() << "[!] Failed to allocate merged geometry.\n";
        return nullptr;
    }

    // Materials, copied through their file form.
    if (!merged->AllocateMaterials(u32(materialCount), true)) return nullptr;
    u32 slot = 0;
    for (const MergeSide& side : sides) {
        for (u32 i = 0; i < side.geometry->GetMaterialCount(); ++i, ++slot) {
            const zMaterial* source = side.geometry->GetMaterial(i);
            if (!source) continue;
            std::unique_ptr<zMetaTag> tag(source->Serialize());
            if (!tag) return nullptr;
            merged->GetMaterial(slot)->Parse(tag.get());
        }
    }
    merged->MergeMaterials(MaterialMergeNames | MaterialMergeStages);
    return merged;
}

namespace {

constexpr u32 Unmerged = 0xFFFFFFFFu;

// Whether a stage can be drawn: active, with a texture.
const zTextureStage* UsableStage(const zMaterial& material, u32 type) {
    const zTextureStage* stage = material.GetStageByType(type);
    return stage && stage->active && stage->texture ? stage : nullptr;
}

bool SameTexture(const zTexture* a, const zTexture* b) {
    return a == b || (!a->GetName().IsEmpty() && a->GetName() == b->GetName());
}

bool SameStages(const zMaterial& a, const zMaterial& b) {
    for (u32 type = StageTypeDiffuse; type < StageTypeCount; ++type) {
        const zTextureStage* sa = UsableStage(a, type);
        const zTextureStage* sb = UsableStage(b, type);
        if (!sa && !sb) continue;
        if (!sa || !sb) return false;
        if (!SameTexture(sa->texture.Get(), sb->texture.Get()) || sa->uvSource != sb->uvSource ||
            sa->uvMapIndex != sb->uvMapIndex)
            return false;
    }
    return true;
}

// The material as its file would hold it, without its name and its stages
// (which the modes judge): two materials of the same text look the same.
// False when memory fails.
bool AppearanceText(const zMaterial& material, std::string& out) {
    std::unique_ptr<zMetaTag> tag(material.Serialize());
    if (!tag) return false;
    zMetaTag* key = new (std::nothrow) zMetaTag("Appearance");
    if (!key) return false;
    zMetafile doc;
    doc.AddRoot(key);
    zLinkedListIterator children{};
    while (const zMetaTag* child = tag->GetNextChild(children)) {
        if (child->GetName() == "Id" || child->GetName() == "TextureStage") continue;
        zMetaTag* copy = child->Clone(true);
        if (!copy || !key->AddChild(copy)) return false;
    }
    try {
        return SerializeMetafile(doc, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

u32 zGeometry::MergeMaterials(u32 mode) {
    const u32 count = m_materials.GetCount();
    if (count < 2) return 0;
    GetLog() << "[H] Merging materials in geometry '" << m_name << "'...\n";
    std::vector<std::string> appearance;
    std::vector<u32> newIndex;
    std::vector<zSharedPtr<zMaterial>> kept;
    u32 removed = 0;
    try {
        appearance.resize(count);
        newIndex.assign(count, Unmerged);
        for (u32 i = 0; i < count; ++i)
            if (m_materials[i] && !AppearanceText(*m_materials[i], appearance[i])) throw std::bad_alloc();
        for (u32 i = 0; i < count; ++i) {
            if (newIndex[i] != Unmerged) continue;
            newIndex[i] = u32(kept.size());
            kept.push_back(m_materials[i]);
            const zMaterial* first = m_materials[i].Get();
            for (u32 j = i + 1; first && j < count; ++j) {
                const zMaterial* later = m_materials[j].Get();
                if (newIndex[j] != Unmerged || !later) continue;
                if ((mode & MaterialMergeNames) && first->GetName() != later->GetName()) continue;
                if ((mode & MaterialMergeStages) && !SameStages(*first, *later)) continue;
                if (appearance[i] != appearance[j]) continue;
                newIndex[j] = newIndex[i];
                ++removed;
            }
        }
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Could not allocate the material merge of geometry '" << m_name << "'.\n";
        return 0;
    }
    if (removed) {
        for (u32 k = 0; k < kept.size(); ++k)
            m_materials[k] = kept[k];
        m_materials.Truncate(u32(kept.size()));
        // An index past the count drew with material 0, and still does.
        for (u32 p = 0; p < m_polygons.GetCount(); ++p) {
            const u32 material = m_polygons[p].material;
            m_polygons[p].material = u16(newIndex[material < count ? material : 0]);
        }
    }
    GetLog() << "Done, merged " << removed << " material(s).\n";
    return removed;
}
