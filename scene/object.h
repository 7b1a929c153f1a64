// zObject: an item that shows a geometry, skinned by bone items when the
// geometry has bones.
//
// Skinning exists between BuildSkinning and FreeSkinning: one bone slot, one
// skinning matrix and one bone volume per bone of the geometry. Slots hold
// items the object does not own; whoever destroys a bone item clears its slot
// first (ForgetBone, which the scene runs for every managed item). A bone
// volume is the box of the vertices the bone influences, in the geometry's
// own space; a bone that no vertex touches has no volume and stays out of the
// bounds. Influences naming a bone beyond the geometry's bone count are
// skipped, so a corrupt geometry cannot reach past the arrays.
//
// Drawing: AppendPrimitives gives the entries the render queue sorts by depth,
// after the level-of-detail (normal pass) or shadow (shadow pass) choice and a
// frustum test of the bounds. An optimised geometry gives one entry per leaf
// its octree's culling walk leaves in view, never one for itself.
#pragma once

#include <memory>

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "render/renderable.h"
#include "scene/item.h"

class zGeometry;
class zMetaTag;

// A fixed number of item references (an object's bone slots). Entries are
// items the table does not own, null when empty.
class zObjectReferenceTable {
  public:
    // Replaces the table with count null entries; false, leaving the table
    // empty, when memory fails.
    bool Allocate(u32 count);
    // False when index is not below the count.
    bool SetEntry(u32 index, zItem* value);
    // Null when index is not below the count.
    zItem* GetEntry(u32 index) const { return index < m_count ? m_entries[index] : nullptr; }
    u32 GetCount() const { return m_count; }
    void Free();

  private:
    std::unique_ptr<zItem*[]> m_entries;
    u32 m_count = 0;
};

class zObject : public zItem, public zRenderable {
  public:
    explicit zObject(zEngine* engine = nullptr);
    ~zObject() override;

    // Without a geometry: the item's bounds. Without skinning: the geometry's
    // stored box. Skinned: the union of the bone boxes of the bones some
    // vertex touches (the stored box when there is none). In the object's
    // own space.
    void GetBounds(zMinMax& out) override;

    // FreeSkinning, then, when the geometry has bones, the slots (empty), the
    // identity skinning matrices and the bone volumes. False (logged) when
    // memory runs out; the object is then unskinned.
    virtual bool BuildSkinning();
    virtual void FreeSkinning();
    // False for an index not below the bone count. A non-null item gets the
    // item flag ItemIsBone.
    virtual bool SetBone(u32 index, zItem* item);

    // A different geometry: FreeSkinning, the new one referenced and the old
    // one released, then BuildSkinning when rebuild is set.
    void SetGeometry(zGeometry* geometry, bool rebuild);
    zGeometry* GetGeometry() const { return m_geometry.Get(); }
    // Counted replacement; null clears.
    void SetOccluder(zGeometry* geometry);
    zGeometry* GetOccluder() const { return m_occluder.Get(); }
    // Whether the "Object" tag loads the geometry through the resource cache.
    bool GetCacheGeometry() const { return m_cacheGeometry != 0; }
    void SetCacheGeometry(bool cache) { m_cacheGeometry = cache ? 1 : 0; }

    u32 GetBoneCount() const { return m_bones.GetCount(); }
    // Null for an index not below the count.
    zItem* GetBone(u32 index) const { return m_bones.GetEntry(index); }
    const zObjectReferenceTable& GetBoneTable() const { return m_bones; }
    // The geometry's bind matrix of the bone; the identity out of range.
    const zMatrix4& GetBoneMatrix(u32 index) const;
    // One per bone slot; null without skinning.
    const zMatrix4* GetSkinningMatrices() const { return m_skinning.get(); }
    // Empties every slot holding item.
    void ForgetBone(const zItem* item);

    // Per bone: inverse(object world) . bone world . bind matrix, or the
    // identity for an empty slot.
    void UpdateSkinning();
    // The bone's volume through its skinning matrix; false for an index out
    // of range or a bone no vertex touches.
    bool GetBoneBounds(u32 index, zMinMax& out) const;

    // flags: RenderPassNormal or RenderPassShadow.
    void AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) override;

  private:
    bool BuildBoneVolumes();

    zObjectReferenceTable m_bones;
    std::unique_ptr<zMatrix4[]> m_skinning;
    std::unique_ptr<zMinMax[]> m_boneVolumes;
    // Per bone: 1 once a vertex was seen; volumes of unseen bones are unset.
    std::unique_ptr<u8[]> m_boneSeen;
    zSharedPtr<zGeometry> m_geometry;
    zSharedPtr<zGeometry> m_occluder;
    u32 m_cacheGeometry = 1;
};

// The "Object" tag. Without an engine the geometry names are not loaded.
// False only for a wrong root.
bool ParseObject(zObject& object, const zMetaTag* tag);
// A new tag the caller owns, or null (logged).
zMetaTag* SerializeObject(const zObject& object);
