// zMConstraint: the managed constraint (kind 8), a plain node holding a
// physics constraint made by the scene's physics world (none without a
// world). Its set-up builds only the physics constraint; the managed item's
// own body is not rebuilt for it.
#pragma once

#include <memory>

#include "physics/physic_constraint.h"
#include "scene/item.h"
#include "scene/managed_item.h"

class zMConstraint : public zMItem, public zItem {
  public:
    explicit zMConstraint(zScene* scene);
    ~zMConstraint() override;
    bool HoldsItems() const override { return false; }

    // Scene events 13 and 14 around the re-link.
    void SetParent(zItem* parent) override;
    void Setup() override;
    void SetupConstraint() override;

    // The "MConstraint" tag: "MItem" and "Constraint"; no stored
    // transformation.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

    zPhysicConstraint* GetConstraint() const { return m_constraint.get(); }

  private:
    std::unique_ptr<zPhysicConstraint> m_constraint;
};
