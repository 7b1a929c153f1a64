#include "scene/object.h"

#include <memory>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "render/geometry.h"
#include "render/octree.h"

namespace {

zMinMax TransformBox(const zMinMax& box, const zMatrix4& matrix) {
    zOrientedBox oriented = OrientedBoxFromMinMax(box);
    oriented.Transform(matrix);
    return oriented.ToMinMax();
}

const char* NameText(const zString& name) {
    return name.CStr() ? name.CStr() : "";
}

f32 Dot3(const zVector& a, const zVector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

// zObjectReferenceTable

bool zObjectReferenceTable::Allocate(u32 count) {
    Free();
    if (count == 0) return true;
    m_entries.reset(new (std::nothrow) zItem*[count]());
    if (!m_entries) return false;
    m_count = count;
    return true;
}

bool zObjectReferenceTable::SetEntry(u32 index, zItem* value) {
    if (index >= m_count) return false;
    m_entries[index] = value;
    return true;
}

void zObjectReferenceTable::Free() {
    m_entries.reset();
    m_count = 0;
}

// zObject

zObject::zObject(zEngine* engine) : zItem(engine) {}

zObject::~zObject() {
    FreeSkinning();
}

void zObject::GetBounds(zMinMax& out) {
    zGeometry* geometry = m_geometry.Get();
    if (!geometry) {
        zItem::GetBounds(out);
        return;
    }
    bool found = false;
    for (u32 bone = 0; bone < GetBoneCount(); ++bone) {
        zMinMax box;
        if (!GetBoneBounds(bone, box)) continue;
        if (found) {
            out.AddBox(box);
        } else {
            out = box;
            found = true;
        }
    }
    if (!found) out = geometry->GetBounds();
}

bool zObject::BuildSkinning() {
    FreeSkinning();
    zGeometry* geometry = m_geometry.Get();
    if (!geometry || geometry->GetBoneCount() == 0) return true;
    const u32 count = geometry->GetBoneCount();
    const bool slots = m_bones.Allocate(count);
    m_skinning.reset(new (std::nothrow) zMatrix4[count]);
    m_boneVolumes.reset(new (std::nothrow) zMinMax[count]);
    if (!slots || !m_skinning || !m_boneVolumes) {
        GetLog() << "[!] Failed to allocate skinning structure.\n";
        FreeSkinning();
        return false;
    }
    if (!BuildBoneVolumes()) {
        FreeSkinning();
        return false;
    }
    return true;
}

bool zObject::BuildBoneVolumes() {
    m_boneSeen.reset(new (std::nothrow) u8[GetBoneCount()]());
    if (!m_boneSeen) {
        GetLog() << "[!] Failed to allocate the bone bounding volume array.\n";
        return false;
    }
    const zGeometry* geometry = m_geometry.Get();
    const zVector* vertices = geometry->GetVertices();
    const zSkinWeight* weights = geometry->GetSkinWeights();
    if (!vertices || !weights) return true;
    for (u32 vertex = 0; vertex < geometry->GetVertexCount(); ++vertex) {
        const zSkinWeight& skin = weights[vertex];
        for (int influence = 0; influence < 4; ++influence) {
            const u32 bone = skin.bones[influence];
            // A corrupt file may name bones the geometry does not have.
            if (!(skin.weights[influence] > 0.0f) || bone >= GetBoneCount()) continue;
            if (m_boneSeen[bone]) {
                m_boneVolumes[bone].AddPoint(vertices[vertex]);
            } else {
                m_boneVolumes[bone] = zMinMax(vertices[vertex], vertices[vertex]);
                m_boneSeen[bone] = 1;
            }
        }
    }
    return true;
}

void zObject::FreeSkinning() {
    m_skinning.reset();
    m_boneVolumes.reset();
    m_boneSeen.reset();
    m_bones.Free();
}

bool zObject::SetBone(u32 index, zItem* item) {
    if (!m_bones.SetEntry(index, item)) return false;
    if (item) item->SetFlags(item->GetFlags() | ItemIsBone);
    return true;
}

void zObject::ForgetBone(const zItem* item) {
    if (!item) return;
    for (u32 bone = 0; bone < GetBoneCount(); ++bone)
        if (m_bones.GetEntry(bone) == item) m_bones.SetEntry(bone, nullptr);
}

void zObject::SetGeometry(zGeometry* geometry, bool rebuild) {
    if (geometry == m_geometry.Get()) return;
    FreeSkinning();
    m_geometry = geometry;
    if (rebuild) BuildSkinning();
}

void zObject::SetOccluder(zGeometry* geometry) {
    m_occluder = geometry;
}

const zMatrix4& zObject::GetBoneMatrix(u32 index) const {
    const zGeometry* geometry = m_geometry.Get();
    if (!geometry || index >= geometry->GetBoneCount() || !geometry->GetBoneBinds())
        return zMatrix4::Identity;
    return geometry->GetBoneBinds()[index];
}

void zObject::UpdateSkinning() {
    if (GetBoneCount() == 0) return;
    const zMatrix4 inverse = *GetInverseMatrix();
    for (u32 bone = 0; bone < GetBoneCount(); ++bone) {
        zItem* item = m_bones.GetEntry(bone);
        m_skinning[bone] = item ? zMatrix4::Multiply(zMatrix4::Multiply(inverse, *item->GetWorldMatrix()),
                                                     GetBoneMatrix(bone))
                                : zMatrix4();
    }
}

bool zObject::GetBoneBounds(u32 index, zMinMax& out) const {
    if (index >= GetBoneCount() || !m_boneSeen[index]) return false;
    out = TransformBox(m_boneVolumes[index], m_skinning[index]);
    return true;
}

void zObject::AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) {
    zGeometry* geometry = m_geometry.Get();
    if (!geometry || !viewItem) return;
    const zMatrix4 world = *GetWorldMatrix();
    const zMatrix4* viewWorld = viewItem->GetTransformBlock();
    const zVector viewPosition = viewWorld ? viewWorld->GetRow(3, true) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
    if (flags == RenderPassShadow) {
        if (geometry->GetFlags() & GeometryNoShadow) return;
        if (geometry->GetShadowProxy()) geometry = geometry->GetShadowProxy();
    } else {
        const zVector position = world.GetRow(3, true);
        const zVector offset(position.x - viewPosition.x, position.y - viewPosition.y,
                             position.z - viewPosition.z, 0.0f);
        const f32 lod = geometry->GetLodDistance();
        if (Dot3(offset, offset) >= lod * lod) {
            if (geometry->GetFlags() & GeometryNotDrawnBeyondLod) return;
            if (geometry->GetLodProxy()) geometry = geometry->GetLodProxy();
        }
    }
    if (geometry->GetFlags() & GeometryNotDrawn) return;
    zMinMax bounds;
    GetBounds(bounds);
    if (viewItem->GetCameraBlock().frustum.ClassifyMinMax(bounds, &world) == ClassifyOutside) return;
    const zVector axis =
        viewWorld ? viewWorld->GetRow(2, false).Normalize() : zVector(0.0f, 0.0f, 1.0f, 0.0f);
    // One mesh part per geometry drawn: the renderer draws it at the item's
    // matrix, and reads the previous frame's matrix for the velocity of
    // motion blur.
    auto append = [&](zGeometry* part) {
        zVector center = part->GetCenter();
        center.w = 1.0f;
        world.TransformPoints(&center, &center, 1);
        const zVector offset(center.x - viewPosition.x, center.y - viewPosition.y, center.z - viewPosition.z,
                             0.0f);
        auto* entry = new (std::nothrow) zMeshPrimitive;
        if (!entry) {
            GetLog() << "[!] Failed to allocate render entry for geometry '" << part->GetName() << "'.\n";
            return;
        }
        entry->kind = PrimitiveObjectPart;
        entry->renderable = this;
        entry->sortKey = Dot3(offset, axis);
        entry->payload = part;
        entry->world = world;
        entry->previousWorld = *GetPreviousWorldPosition();
        // The bones pose the object's own geometry; a proxy keeps its bind pose.
        if (part == m_geometry.Get() && m_skinning) {
            entry->skinning = m_skinning.get();
            entry->boneCount = GetBoneCount();
        }
        if (!out.Add(entry)) {
            GetLog() << "[!] Failed to allocate render entry for geometry '" << part->GetName() << "'.\n";
            delete entry;
        }
    };
    // An optimised geometry draws as its leaves in view.
    if (zOctreeNode* root = geometry->GetOctree()) {
        CullOctree(root, viewItem->GetCameraBlock().frustum, &world);
        zOctreeNode* cursor = nullptr;
        while (zGeometry* leaf = root->NextLeaf(cursor))
            append(leaf);
        return;
    }
    append(geometry);
}

bool ParseObject(zObject& object, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Object") {
        GetLog() << "[!] Could not parse object. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    zEngine* engine = object.GetEngine();
    if (engine) engine->PushLoadContextObject(&object);
    bool cache = true;
    if (const zMetaTag* cacheTag = tag->GetTag("CacheGeometry;")) {
        if (!cacheTag->GetValue().GetBool(cache)) {
            GetLog() << "[*] Invalid value of 'CacheGeometry' in <Object>.\n";
            cache = true;
        }
    }
    object.SetCacheGeometry(cache);
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "Item") {
            object.ParseTag(child);
        } else if (name == "Geometry" || name == "Occluder") {
            const char* path = nullptr;
            if (!child->GetValue().GetString(path)) {
                GetLog() << "[*] Invalid value of '" << name << "' in <Object>.\n";
                continue;
            }
            if (!engine) continue;
            if (name == "Geometry") {
                if (zGeometry* geometry = engine->LoadGeometry(path, false, !cache))
                    object.SetGeometry(geometry, true);
            } else {
                object.SetOccluder(engine->LoadGeometry(path, false, false));
            }
        } else if (name != "CacheGeometry") {
            GetLog() << "[*] Unknown tag '" << name << "' in <Object>.\n";
        }
    }
    if (engine) engine->PopLoadContext();
    return true;
}

zMetaTag* SerializeObject(const zObject& object) {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Object"));
    bool complete = root != nullptr;
    if (complete) complete = AppendChildTag(root.get(), object.SerializeTag());
    if (complete && !object.GetCacheGeometry())
        complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("CacheGeometry", false));
    const zGeometry* geometries[] = {object.GetGeometry(), object.GetOccluder()};
    const char* const names[] = {"Geometry", "Occluder"};
    for (int index = 0; index < 2; ++index)
        if (complete && geometries[index])
            complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(
                                                      names[index], NameText(geometries[index]->GetName())));
    if (!complete) {
        GetLog() << "[!] Could not serialize object. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}
