// zMObject (kind 2) and zMLight (kind 3): the managed forms of zObject and
// zLight, with their "MObject" and "MLight" tags.
//
// A managed object clears the bone slots that hold a destroyed item
// (ForgetItem), draws through its object part and brings its skinning up to
// date after the scene update. A managed light starts at priority 1 and is
// sorted by it; it counts as inactive while both intensities are at or below
// LightInactiveIntensity, hands itself to the renderer on Setup and Refresh
// and updates its matrices (and spot frustum) in Update.
#pragma once

#include "scene/light.h"
#include "scene/managed_item.h"
#include "scene/object.h"

class zMetafile;
class zMetaTag;

class zMObject : public zMItem, public zObject {
  public:
    explicit zMObject(zScene* scene);
    ~zMObject() override;

    void SetParent(zItem* parent) override;
    // Neither Refresh nor Update: skinning has its own step.
    bool HasFrameHooks() const override { return false; }
    void ForgetItem(zMItem* item) override;
    bool HoldsItems() const override { return GetBoneCount() > 0; }
    // A bone makes the object one of the scene's holders.
    bool SetBone(u32 index, zItem* item) override;
    zRenderable* GetRenderable() override { return this; }
    bool GetGeometryBox(zMinMax& out) override;
    void UpdateSkin() override { UpdateSkinning(); }
    bool HasSkin() const override { return GetBoneCount() > 0; }
    bool BuildSkinning() override;

    // The "MObject" tag: "MItem" and "Object" children.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;
};

class zMLight : public zMItem, public zLight {
  public:
    static constexpr f32 DefaultPriority = 1.0f;

    explicit zMLight(zScene* scene);
    ~zMLight() override;

    void SetParent(zItem* parent) override;
    bool IsActive() const override;
    bool HoldsItems() const override { return false; }
    // The renderer's UpdateLight.
    void Refresh() override;
    void Update() override { UpdateMatrices(); }
    // The renderer's SetupLight, then the managed set-up.
    void Setup() override;
    f32 GetLightSortKey() const override { return GetPriority(); }

    // The "MLight" tag: "MItem" and "Light" children.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;
};
