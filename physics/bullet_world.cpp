#include "physics/bullet_world.h"

#include <new>

#include <BulletCollision/BroadphaseCollision/btDbvtBroadphase.h>
#include <BulletCollision/CollisionDispatch/btCollisionDispatcher.h>
#include <BulletCollision/CollisionDispatch/btDefaultCollisionConfiguration.h>
#include <BulletDynamics/ConstraintSolver/btSequentialImpulseConstraintSolver.h>
#include <BulletDynamics/ConstraintSolver/btTypedConstraint.h>
#include <BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h>
#include <BulletDynamics/Dynamics/btRigidBody.h>
#include <LinearMath/btAlignedAllocator.h>
#include <LinearMath/btIDebugDraw.h>

#include "core/log.h"
#include "render/debug_draw.h"
#include "render/renderer.h"

namespace {

// SIMD and warm-starting.
constexpr int BulletSolverMode = SOLVER_SIMD | SOLVER_USE_WARMSTARTING;
constexpr int MaxSubSteps = 4;

btVector3 ToBullet(const zVector& value) {
    return btVector3(value.x, value.y, value.z);
}

zVector FromBullet(const btVector3& value) {
    return zVector(value.x(), value.y(), value.z(), 1.0f);
}

} // namespace

// Draws through the renderer: lines, and contact points as crosses.
class zBulletDebugDraw : public btIDebugDraw {
  public:
    explicit zBulletDebugDraw(zRenderer* renderer) : m_renderer(renderer) {}

    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override {
        const f32 rgba[4] = {color.x(), color.y(), color.z(), 1.0f};
        m_renderer->DrawLine(FromBullet(from), FromBullet(to), rgba);
    }
    void drawContactPoint(const btVector3& pointOnB, const btVector3&, btScalar, int,
                          const btVector3& color) override {
        const f32 rgba[4] = {color.x(), color.y(), color.z(), 1.0f};
        DrawCross(m_renderer, FromBullet(pointOnB), 1.0f, rgba);
    }
    void reportErrorWarning(const char*) override {}
    void draw3dText(const btVector3&, const char*) override {}
    // The world sets the mode itself around each drawing.
    void setDebugMode(int) override {}
    int getDebugMode() const override { return m_mode; }

    void SetMode(int mode) { m_mode = mode; }

  private:
    int m_mode = 0;
    zRenderer* m_renderer;
};

void* AllocateBulletObject(size_t size) {
    return btAlignedAlloc(size, 16);
}

zBulletWorld::zBulletWorld(zEngine* engine) : zPhysicWorld(engine) {}

zBulletWorld::~zBulletWorld() {
    Destroy();
    m_debugDrawer.reset();
    m_convexCache.Clear();
    m_meshCache.Clear();
}

void zBulletWorld::ClearShapeCaches() {
    m_convexCache.Clear();
    m_meshCache.Clear();
}

bool zBulletWorld::Create() {
    Destroy();
    btDefaultCollisionConstructionInfo info;
    info.m_persistentManifoldPool = nullptr;
    info.m_collisionAlgorithmPool = nullptr;
    info.m_defaultMaxPersistentManifoldPoolSize = 4096;
    info.m_defaultMaxCollisionAlgorithmPoolSize = 4096;
    info.m_customCollisionAlgorithmMaxElementSize = 0;
    info.m_useEpaPenetrationAlgorithm = 1;
    // Classes with Bullet's aligned allocator come from NewBulletObject.
    m_configuration.reset(new (std::nothrow) btDefaultCollisionConfiguration(info));
    if (m_configuration) m_dispatcher.reset(new (std::nothrow) btCollisionDispatcher(m_configuration.get()));
    if (m_dispatcher) m_broadphase.reset(new (std::nothrow) btDbvtBroadphase());
    if (m_broadphase) m_solver.reset(NewBulletObject<btSequentialImpulseConstraintSolver>());
    if (m_solver)
        m_world.reset(NewBulletObject<btDiscreteDynamicsWorld>(m_dispatcher.get(), m_broadphase.get(),
                                                               m_solver.get(), m_configuration.get()));
    if (!m_world) {
        GetLog() << "[!] Failed to create the physics world.\n";
        Destroy();
        return false;
    }
    m_world->setInternalTickCallback(&zBulletWorld::PreTickCallback, this, true);
    m_world->setInternalTickCallback(&zBulletWorld::TickCallback, this, false);
    m_world->getSolverInfo().m_solverMode = BulletSolverMode;
    m_world->setLatencyMotionStateInterpolation(false);
    return true;
}

void zBulletWorld::Destroy() {
    m_world.reset();
    m_solver.reset();
    m_broadphase.reset();
    m_dispatcher.reset();
    m_configuration.reset();
    ClearShapeCaches();
}

void zBulletWorld::PreTickCallback(btDynamicsWorld* world, float timeStep) {
    static_cast<zBulletWorld*>(world->getWorldUserInfo())->RaiseTick(timeStep, true);
}

void zBulletWorld::TickCallback(btDynamicsWorld* world, float timeStep) {
    static_cast<zBulletWorld*>(world->getWorldUserInfo())->RaiseTick(timeStep, false);
}

void zBulletWorld::Step(f32 timeStep) {
    if (!m_world) return;
    if (IsStepping()) {
        // Bullet's stepping is not re-entrant.
        GetLog() << "[!] Physics step requested inside a physics step; ignored.\n";
        return;
    }
    BeginStep();
    m_world->stepSimulation(timeStep, MaxSubSteps, GetFixedTimeStep());
    EndStep();
}

bool zBulletWorld::Raytrace(const zVector& origin, const zVector& direction, zPhysicRayResult& result,
                            u32 group, u32, f32 maxDistance) {
    if (!m_world) return false;
    if (maxDistance <= 0.0f) maxDistance = PhysicDefaultRayDistance;
    const btVector3 from = ToBullet(origin);
    const btVector3 to = from + ToBullet(direction) * maxDistance;
    btCollisionWorld::ClosestRayResultCallback callback(from, to);
    callback.m_collisionFilterGroup = int(group & 0xFFFF);
    callback.m_collisionFilterMask = btBroadphaseProxy::AllFilter;
    m_world->rayTest(from, to, callback);
    if (!callback.hasHit()) return false;
    result.normal = FromBullet(callback.m_hitNormalWorld);
    result.position = FromBullet(callback.m_hitPointWorld);
    result.item = static_cast<zPhysicItem*>(callback.m_collisionObject->getUserPointer());
    return true;
}

zPhysicItem* zBulletWorld::CreatePhysicItem() {
    return new (std::nothrow) zBulletPhysicItem(this);
}

void zBulletWorld::AddPhysicItem(zPhysicItem* item) {
    btRigidBody* body = item ? static_cast<zBulletPhysicItem*>(item)->GetRigidBody() : nullptr;
    if (!m_world || !body) return;
    m_world->addRigidBody(body);
    // After adding: addRigidBody gives the body the world's own gravity.
    body->setGravity(ToBullet(GetGravity()));
}

void zBulletWorld::RemovePhysicItem(zPhysicItem* item) {
    btRigidBody* body = item ? static_cast<zBulletPhysicItem*>(item)->GetRigidBody() : nullptr;
    if (!m_world || !body) return;
    m_world->removeRigidBody(body);
}

zPhysicConstraint* zBulletWorld::CreateConstraint() {
    return new (std::nothrow) zBulletConstraint(this);
}

void zBulletWorld::AddConstraint(zPhysicConstraint* constraint) {
    btTypedConstraint* bullet =
        constraint ? static_cast<zBulletConstraint*>(constraint)->GetBulletConstraint() : nullptr;
    if (!m_world || !bullet) return;
    m_world->addConstraint(bullet, false);
}

void zBulletWorld::RemoveConstraint(zPhysicConstraint* constraint) {
    btTypedConstraint* bullet =
        constraint ? static_cast<zBulletConstraint*>(constraint)->GetBulletConstraint() : nullptr;
    if (!m_world || !bullet) return;
    m_world->removeConstraint(bullet);
}

u32 zBulletWorld::GetContactCount() {
    if (!m_world) return 0;
    const int count = m_world->getDispatcher()->getNumManifolds();
    return count > 0 ? u32(count) : 0;
}

bool zBulletWorld::GetContactItems(u32 index, zPhysicContact& contact) {
    if (index >= GetContactCount()) return false;
    const btPersistentManifold* manifold = m_world->getDispatcher()->getManifoldByIndexInternal(int(index));
    if (!manifold || manifold->getNumContacts() <= 0) return false;
    contact.itemA = static_cast<zPhysicItem*>(manifold->getBody0()->getUserPointer());
    contact.itemB = static_cast<zPhysicItem*>(manifold->getBody1()->getUserPointer());
    return true;
}

bool zBulletWorld::GetContact(u32 index, zPhysicContact& contact) {
    if (!GetContactItems(index, contact)) return false;
    const btPersistentManifold* manifold = m_world->getDispatcher()->getManifoldByIndexInternal(int(index));
    u32 count = u32(manifold->getNumContacts());
    if (count > PhysicContactMaxPoints) count = PhysicContactMaxPoints;
    contact.pointCount = count;
    for (u32 i = 0; i < count; ++i) {
        const btManifoldPoint& point = manifold->getContactPoint(int(i));
        contact.positions[i] = FromBullet(point.getPositionWorldOnB());
        contact.normals[i] = FromBullet(point.m_normalWorldOnB);
    }
    return true;
}

void zBulletWorld::SetDebugDrawer(zRenderer* renderer) {
    if (!m_world || !renderer) return;
    std::unique_ptr<zBulletDebugDraw> drawer(new (std::nothrow) zBulletDebugDraw(renderer));
    if (!drawer) {
        GetLog() << "[!] Failed to allocate the physics debug drawer.\n";
        return;
    }
    m_world->setDebugDrawer(drawer.get());
    m_debugDrawer = std::move(drawer);
}

i32 zBulletWorld::GetDebugDrawMode() const {
    return m_debugDrawer ? m_debugDrawer->getDebugMode() : -1;
}

void zBulletWorld::DebugDraw(u32) {
    if (!m_world || !m_debugDrawer) return;
    m_debugDrawer->SetMode(BulletDebugDrawMode);
    m_world->debugDrawWorld();
    m_debugDrawer->SetMode(0);
}
