// zPhysicWorld: the engine's interface to rigid-body simulation, one per 3D
// scene. The world steps at a fixed time step (1/60 s unless the scene file
// says otherwise), at most four sub-steps per Step call, and reports each
// sub-step to its callback before (preTick) and after it.
//
// Callbacks run inside Step, between the library's sub-steps. They may call
// out to scripts that delete or rebuild bodies, so:
// - contacts are walked with ForEachContact, which copies each contact into a
//   record before the visitor runs and re-reads the count after every one;
// - work that must not run inside a sub-step (rebuilding a body) goes through
//   RunAfterStep, which runs it at once outside Step and queues it inside.
//
// The library itself stays behind the concrete world (physics/bullet_world.h);
// nothing here names it.
#pragma once

#include <functional>
#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/vector.h"

class zEngine;
class zPhysicItem;
class zPhysicConstraint;
class zPhysicListener;

class zPhysicWorldCallback {
  public:
    virtual ~zPhysicWorldCallback() = default;
    // Base: nothing.
    virtual void OnTick(f32 timeStep, bool preTick);
};

constexpr u32 PhysicContactMaxPoints = 4;

// One touching pair: positions and normals are on body B, w = 1.
struct zPhysicContact {
    zPhysicItem* itemA = nullptr;
    zPhysicItem* itemB = nullptr;
    u32 pointCount = 0;
    zVector positions[PhysicContactMaxPoints];
    zVector normals[PhysicContactMaxPoints];
};

struct zPhysicRayResult {
    zVector normal;
    zVector position;
    zPhysicItem* item = nullptr;
};

constexpr f32 PhysicDefaultFixedStep = 1.0f / 60.0f;
// A ray with no positive length goes this far.
constexpr f32 PhysicDefaultRayDistance = 5000.0f;

class zPhysicWorld {
  public:
    explicit zPhysicWorld(zEngine* engine);
    virtual ~zPhysicWorld();

    virtual void ClearShapeCaches() = 0;
    // Base: nothing. The argument is not used.
    virtual void DebugDraw(u32 unused);
    virtual bool Create() = 0;
    virtual void Destroy() = 0;
    // The closest hit on the segment origin .. origin + direction * maxDistance
    // (direction not normalised; maxDistance <= 0 means
    // PhysicDefaultRayDistance) with the low 16 bits of group as the ray's
    // collision group. No hit leaves result untouched.
    virtual bool Raytrace(const zVector& origin, const zVector& direction, zPhysicRayResult& result,
                          u32 group, u32 unused, f32 maxDistance) = 0;
    // Null when it cannot be allocated; the caller owns the new object.
    virtual zPhysicItem* CreatePhysicItem() = 0;
    virtual void AddPhysicItem(zPhysicItem* item) = 0;
    virtual void RemovePhysicItem(zPhysicItem* item) = 0;
    virtual zPhysicConstraint* CreateConstraint() = 0;
    virtual void AddConstraint(zPhysicConstraint* constraint) = 0;
    virtual void RemoveConstraint(zPhysicConstraint* constraint) = 0;
    virtual u32 GetContactCount() = 0;
    // False for an index past the count or a pair without contact points.
    virtual bool GetContact(u32 index, zPhysicContact& contact) = 0;
    // As GetContact, but only the two items: the points are left as they are.
    virtual bool GetContactItems(u32 index, zPhysicContact& contact) = 0;
    virtual void Step(f32 timeStep) = 0;

    zEngine* GetEngine() const { return m_engine; }
    f32 GetFixedTimeStep() const { return m_fixedTimeStep; }
    // Only finite steps above 0 are taken; others are refused with a warning
    // and the step is kept.
    bool SetFixedTimeStep(f32 step);
    const zVector& GetGravity() const { return m_gravity; }
    // The gravity bodies get when they are added; bodies already in the
    // world keep theirs.
    void SetGravity(const zVector& gravity) { m_gravity = gravity; }
    void SetCallback(zPhysicWorldCallback* callback) { m_callback = callback; }
    zPhysicWorldCallback* GetCallback() const { return m_callback; }
    zList<zPhysicListener*>& GetListeners() { return m_listeners; }

    // Every contact from index 0 up, the count read again after each visit;
    // the visitor gets a copy, so it may change the world. A contact that
    // wanted refuses, seeing only its two items, is passed over before its
    // points are copied.
    using ContactVisitor = std::function<void(const zPhysicContact&)>;
    using ContactFilter = std::function<bool(const zPhysicContact&)>;
    void ForEachContact(const ContactVisitor& visit, const ContactFilter& wanted = nullptr);
    bool IsStepping() const { return m_stepping; }
    // Runs work now, or after the running Step returns. False when it could
    // not be queued (allocation failure; the work is dropped and logged).
    // owner (optional) lets CancelAfterStep drop the work, for an owner that
    // dies before the step ends.
    bool RunAfterStep(std::function<void()> work, const void* owner = nullptr);
    void CancelAfterStep(const void* owner);

  protected:
    // Step brackets the library's stepping with these: the queued work runs
    // at EndStep, in order, including work queued by that work.
    void BeginStep() { m_stepping = true; }
    void EndStep();
    void RaiseTick(f32 timeStep, bool preTick);

  private:
    zPhysicWorld(const zPhysicWorld&) = delete;
    zPhysicWorld& operator=(const zPhysicWorld&) = delete;

    zEngine* m_engine;
    f32 m_fixedTimeStep = PhysicDefaultFixedStep;
    [[maybe_unused]] f32 m_reserved = 0.0f;
    zVector m_gravity = zVector(0.0f, -9.8f, 0.0f, 1.0f);
    zPhysicWorldCallback* m_callback = nullptr;
    zList<zPhysicListener*> m_listeners;
    bool m_stepping = false;
    struct QueuedWork {
        const void* owner;
        std::function<void()> work;
    };
    zList<std::unique_ptr<QueuedWork>> m_afterStep;
};
