// zBulletWorld: the physics world over the Bullet library (single precision).
// Only declarations of Bullet's classes appear here; its headers stay in the
// .cpp files of this folder, so users of the world compile without them.
//
// The world owns Bullet's world objects from Create to Destroy and two
// caches of collision shapes built from geometries, looked up by geometry
// name and shared through zSharedPtr: a shape lives while a cache entry or a
// body holds it. Motion-state interpolation is off: motion states get the
// body's transform extrapolated from the current sub-step, never one
// interpolated between the last two.
//
// zBulletPhysicItem and zBulletConstraint hold the Bullet side of a physic
// item and a constraint; the world adds and removes what they hold. Items and
// constraints die before their world.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"

class btBvhTriangleMeshShape;
class btCollisionDispatcher;
class btCollisionShape;
class btConvexHullShape;
class btDbvtBroadphase;
class btDefaultCollisionConfiguration;
class btDiscreteDynamicsWorld;
class btDynamicsWorld;
class btMotionState;
class btRigidBody;
class btSequentialImpulseConstraintSolver;
class btTriangleIndexVertexArray;
class btTypedConstraint;
class zRenderer;
class zBulletDebugDraw;
class zBulletWorld;

// Most of Bullet.s classes allocate through its aligned allocator, which returns
// null on failure instead of throwing: objects are made in memory from
// AllocateBulletObject (freed by the class's own delete), null when it fails.
void* AllocateBulletObject(size_t size);
template <typename T, typename... Arguments> T* NewBulletObject(Arguments&&... arguments) {
    void* memory = AllocateBulletObject(sizeof(T));
    return memory ? new (memory) T(std::forward<Arguments>(arguments)...) : nullptr;
}

// Bullet's wireframe, contact point, constraint and constraint limit flags.
constexpr i32 BulletDebugDrawMode = 6153;

class zBulletConvex : public zSharedObject {
  public:
    zBulletConvex();
    ~zBulletConvex() override;

    zString name;
    std::unique_ptr<btConvexHullShape> shape;
    // The mean of the hull points, w = 1.
    zVector centre;
};

class zBulletMesh : public zSharedObject {
  public:
    zBulletMesh();
    // The mesh shape, then the index-vertex array, then the arrays.
    ~zBulletMesh() override;

    zString name;
    // The mean of the vertices, w = 1.
    zVector centre;
    // Three floats per vertex and three indices per triangle; Bullet reads
    // them in place, so they never change after the shape is built.
    std::unique_ptr<f32[]> vertices;
    std::unique_ptr<i32[]> indices;
    u32 vertexCount = 0;
    u32 triangleCount = 0;
    std::unique_ptr<btTriangleIndexVertexArray> array;
    std::unique_ptr<btBvhTriangleMeshShape> shape;
};

// What a built body is made of (compound, shapes, motion state, body); only
// the .cpp files of this folder see inside it.
struct zBulletBody;

class zBulletPhysicItem : public zPhysicItem {
  public:
    explicit zBulletPhysicItem(zBulletWorld* world);
    // DestroyBody, then the constraints forget the item, then the shapes.
    ~zBulletPhysicItem() override;

    void SetSelfMask(u32 mask) override;
    u32 GetSelfMask() const override { return m_selfMask; }
    void SetCollisionMask(u32 mask) override;
    u32 GetCollisionMask() const override { return m_collisionMask; }
    void SetLinearFactor(const zVector& factor) override;
    void SetAngularFactor(const zVector& factor) override;
    void SetGravity(const zVector& gravity) override;
    zVector GetGravity() const override;
    void ApplyImpulse(const zVector& impulse, const zVector* point) override;
    void ApplyForce(const zVector& force, const zVector* point) override;
    void ApplyTorque(const zVector& torque) override;
    void SetAngularVelocity(const zVector& velocity) override;
    zVector GetAngularVelocity() const override;
    void SetLinearVelocity(const zVector& velocity) override;
    zVector GetLinearVelocity() const override;
    void GetPointVelocity(zVector& out, const zVector& localPoint) const override;
    void GetWorldPointVelocity(zVector& out, const zVector& worldPoint) const override;
    void SetLinearDamping(f32 damping) override;
    f32 GetLinearDamping() const override { return m_linearDamping; }
    void SetAngularDamping(f32 damping) override;
    f32 GetAngularDamping() const override { return m_angularDamping; }
    zVector GetCenterOfMass() const override;
    void GetMotionStateMatrix(zMatrix4& out) const override;
    void GetTransformation(zMatrix4& out) const override;
    void ResetTransformation(const zMatrix4& matrix) override;
    void ClearVelocities() override;
    void Sleep(bool sleep) override;
    bool IsSleeping() const override;
    void CollisionActivate(bool active) override;
    bool IsCollisionActive() const override;
    bool UpdateInertiaTensorFromCollision() override;
    void DestroyBody() override;

    // Null without a body.
    btRigidBody* GetRigidBody() const;
    // The library shape built for one of the item's shapes; null when it has
    // none (no body, or the shape gave nothing to build).
    btCollisionShape* GetLibraryShape(const zPhysicShape* shape) const;
    btCollisionShape* GetCompoundShape() const;
    // In the item's frame, w = 1.
    const zVector& GetCenterOfMassOffset() const { return m_centerOfMassOffset; }
    // Takes a body built elsewhere with its motion state and shape (any may
    // be null but the body) and makes this item the body's user pointer. A
    // previous body is destroyed first.
    void AdoptBody(std::unique_ptr<btRigidBody> body, std::unique_ptr<btMotionState> motionState,
                   std::unique_ptr<btCollisionShape> shape);
    // Removes the body from the world and frees it (DestroyBody).
    void ReleaseBody() { DestroyBody(); }

  private:
    // Reports the changes of its matrix.
    friend class zBulletMotionState;

    // DestroyBody, BuildBody, then the constraints set up again;
    // UpdateInertiaTensorFromCollision defers it out of steps.
    void Rebuild();
    // Steps 2 on of the rebuild: the body from the shapes, if any.
    void BuildBody();
    // The body's broadphase filter, and the pair cache refreshed.
    void ApplyFilter(u32 group, u32 mask);

    std::unique_ptr<zBulletBody> m_built;
    zVector m_centerOfMassOffset{0.0f, 0.0f, 0.0f, 1.0f};
    zVector m_linearFactor{1.0f, 1.0f, 1.0f, 1.0f};
    zVector m_angularFactor{1.0f, 1.0f, 1.0f, 1.0f};
    f32 m_linearDamping = 1.0f;
    f32 m_angularDamping = 1.0f;
    u32 m_collisionMask = 1;
    u32 m_selfMask = 1;
};

class zBulletConstraint : public zPhysicConstraint {
  public:
    explicit zBulletConstraint(zBulletWorld* world);
    // Release, then the items let go.
    ~zBulletConstraint() override;

    void SetItemA(zPhysicItem* item) override;
    const zMatrix4& SetPivotA(const zMatrix4& pivot) override;
    void SetItemB(zPhysicItem* item) override;
    const zMatrix4& SetPivotB(const zMatrix4& pivot) override;
    bool Setup() override;
    void Release() override;

    btTypedConstraint* GetBulletConstraint() const { return m_constraint.get(); }
    // A previous constraint is released first.
    void AdoptConstraint(std::unique_ptr<btTypedConstraint> constraint);
    void ReleaseConstraint() { Release(); }

  private:
    std::unique_ptr<btTypedConstraint> m_constraint;
};

class zBulletWorld : public zPhysicWorld {
  public:
    explicit zBulletWorld(zEngine* engine);
    // Destroy, then the debug drawer and the caches.
    ~zBulletWorld() override;

    void ClearShapeCaches() override;
    // Draws through the drawer set by SetDebugDrawer; nothing without one.
    void DebugDraw(u32 unused) override;
    bool Create() override;
    void Destroy() override;
    bool Raytrace(const zVector& origin, const zVector& direction, zPhysicRayResult& result, u32 group,
                  u32 unused, f32 maxDistance) override;
    zPhysicItem* CreatePhysicItem() override;
    // Adds the item's body with the world's gravity; nothing without a body.
    void AddPhysicItem(zPhysicItem* item) override;
    void RemovePhysicItem(zPhysicItem* item) override;
    zPhysicConstraint* CreateConstraint() override;
    // Collisions between the two bodies stay enabled.
    void AddConstraint(zPhysicConstraint* constraint) override;
    void RemoveConstraint(zPhysicConstraint* constraint) override;
    u32 GetContactCount() override;
    bool GetContact(u32 index, zPhysicContact& contact) override;
    bool GetContactItems(u32 index, zPhysicContact& contact) override;
    // Refused (logged) from inside a step's callbacks.
    void Step(f32 timeStep) override;

    // Only once the world exists; replaces a previous drawer.
    void SetDebugDrawer(zRenderer* renderer);
    // The drawer's mode (0 between DebugDraw calls), or -1 without a drawer.
    i32 GetDebugDrawMode() const;

    // The cached shape of the geometry, built on first use from
    // zEngine::LoadGeometry(name, second list, cached); null when the
    // geometry has no vertices or the shape cannot be built.
    zSharedPtr<zBulletConvex> GetConvex(const char* name);
    // Polygons become triangle fans; polygons of fewer than three corners
    // and triangles with a vertex index out of range add nothing.
    zSharedPtr<zBulletMesh> GetMesh(const char* name);
    u32 GetConvexCacheCount() const { return m_convexCache.GetCount(); }
    u32 GetMeshCacheCount() const { return m_meshCache.GetCount(); }

    // Null before Create and after Destroy.
    btDiscreteDynamicsWorld* GetDynamicsWorld() const { return m_world.get(); }

  private:
    static void PreTickCallback(btDynamicsWorld* world, float timeStep);
    static void TickCallback(btDynamicsWorld* world, float timeStep);

    zList<zSharedPtr<zBulletMesh>> m_meshCache;
    zList<zSharedPtr<zBulletConvex>> m_convexCache;
    // Declared in creation order; Destroy frees them in reverse.
    std::unique_ptr<btDefaultCollisionConfiguration> m_configuration;
    std::unique_ptr<btCollisionDispatcher> m_dispatcher;
    std::unique_ptr<btDbvtBroadphase> m_broadphase;
    std::unique_ptr<btSequentialImpulseConstraintSolver> m_solver;
    std::unique_ptr<btDiscreteDynamicsWorld> m_world;
    std::unique_ptr<zBulletDebugDraw> m_debugDrawer;
};
