// zPhysicItem: the physics body of a managed item, made by the scene's
// physics world. This is the part the world itself relies on: the mode, the
// flags word, the owning managed item and the world. The body description
// and its operations belong to the concrete item of the world's library.
#pragma once

#include "core/types.h"

class zMItem;
class zPhysicWorld;

// Physics modes.
enum : u32 {
    PhysicModeNone = 0,
    PhysicModeStatic = 1,
    PhysicModeKinematic = 2,
    PhysicModeDynamic = 3,
};

class zPhysicItem {
  public:
    explicit zPhysicItem(zPhysicWorld* world) : m_world(world) {}
    virtual ~zPhysicItem() = default;

    virtual void SetMode(u32 mode) { m_mode = mode; }
    virtual u32 GetMode() const { return m_mode; }
    // Sets or clears the bits of mask.
    virtual void SetFlag(u32 mask, bool set) { m_flags = set ? (m_flags | mask) : (m_flags & ~mask); }
    // True when any bit of mask is set.
    virtual bool GetFlag(u32 mask) const { return (m_flags & mask) != 0; }

    zMItem* GetOwner() const { return m_owner; }
    void SetOwner(zMItem* owner) { m_owner = owner; }
    zPhysicWorld* GetWorld() const { return m_world; }

  private:
    zPhysicItem(const zPhysicItem&) = delete;
    zPhysicItem& operator=(const zPhysicItem&) = delete;

    u32 m_flags = 0;
    u32 m_mode = PhysicModeNone;
    zMItem* m_owner = nullptr;
    zPhysicWorld* m_world;
};
