// zPhysicConstraint: a joint between the physics bodies of two items (or of
// one item and the world), made by the scene's physics world. Constraint
// types: 0 none, 1 point, 2 hinge (stored and written, never built). The
// items are not owned: a constraint registers with each item it holds, and an
// item that dies makes it forget that item (see zPhysicItem).
#pragma once

#include "core/matrix.h"
#include "core/types.h"

class zMetaTag;
class zPhysicItem;
class zPhysicWorld;

enum : u32 {
    PhysicConstraintNone = 0,
    PhysicConstraintPoint = 1,
    PhysicConstraintHinge = 2,
};

class zPhysicConstraint {
  public:
    explicit zPhysicConstraint(zPhysicWorld* world) : m_world(world) {}
    // Lets go of both items.
    virtual ~zPhysicConstraint();

    // Stores the item (null: none), then Setup.
    virtual void SetItemA(zPhysicItem* item) = 0;
    virtual const zMatrix4& SetPivotA(const zMatrix4& pivot) = 0;
    virtual void SetItemB(zPhysicItem* item) = 0;
    virtual const zMatrix4& SetPivotB(const zMatrix4& pivot) = 0;
    zPhysicItem* GetItemA() const { return m_itemA; }
    const zMatrix4& GetPivotA() const { return m_pivotA; }
    zPhysicItem* GetItemB() const { return m_itemB; }
    const zMatrix4& GetPivotB() const { return m_pivotB; }
    // Rebuilds the library constraint; false when neither item has a body.
    virtual bool Setup() = 0;
    // Takes the library constraint out of the world and frees it.
    virtual void Release() = 0;

    // An item that dies: the side holding it is cleared and the constraint
    // set up again with what remains.
    void ForgetItem(zPhysicItem* item);

    // The "Constraint" tag: type and pivots; the items stay as they are
    // connected (scripts and the scene do it).
    bool ParseTag(const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

    zPhysicWorld* GetWorld() const { return m_world; }
    u32 GetType() const { return m_type; }
    void SetType(u32 type) { m_type = type; }

  protected:
    // Stores item on one side, moving the registration from the old item to
    // the new one; false (nothing changed) when it cannot register.
    bool StoreItem(zPhysicItem*& side, zPhysicItem* item);

    zPhysicWorld* m_world;
    u32 m_type = PhysicConstraintPoint;
    zPhysicItem* m_itemA = nullptr;
    zPhysicItem* m_itemB = nullptr;
    zMatrix4 m_pivotA;
    zMatrix4 m_pivotB;

  private:
    zPhysicConstraint(const zPhysicConstraint&) = delete;
    zPhysicConstraint& operator=(const zPhysicConstraint&) = delete;
};
