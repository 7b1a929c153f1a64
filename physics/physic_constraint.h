// zPhysicConstraint: a joint between the physics bodies of two items (or of
// one item and the world), made by the scene's physics world. Constraint
// types: 0 none, 1 point, 2 hinge. The items are not owned; the pivots are
// frames in the respective item.
#pragma once

#include "core/matrix.h"
#include "core/types.h"

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
    virtual ~zPhysicConstraint() = default;

    zPhysicWorld* GetWorld() const { return m_world; }
    u32 GetType() const { return m_type; }
    zPhysicItem* GetItemA() const { return m_itemA; }
    zPhysicItem* GetItemB() const { return m_itemB; }
    const zMatrix4& GetPivotA() const { return m_pivotA; }
    const zMatrix4& GetPivotB() const { return m_pivotB; }

  protected:
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
