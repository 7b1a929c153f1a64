#include <BulletCollision/CollisionShapes/btCollisionShape.h>
#include <BulletDynamics/ConstraintSolver/btTypedConstraint.h>
#include <BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h>
#include <BulletDynamics/Dynamics/btRigidBody.h>
#include <LinearMath/btMotionState.h>

#include "physics/bullet_world.h"

namespace {

btDiscreteDynamicsWorld* DynamicsWorldOf(zPhysicWorld* world) {
    return world ? static_cast<zBulletWorld*>(world)->GetDynamicsWorld() : nullptr;
}

} // namespace

zBulletPhysicItem::zBulletPhysicItem(zBulletWorld* world) : zPhysicItem(world) {}

zBulletPhysicItem::~zBulletPhysicItem() {
    ReleaseBody();
}

void zBulletPhysicItem::AdoptBody(std::unique_ptr<btRigidBody> body,
                                  std::unique_ptr<btMotionState> motionState,
                                  std::unique_ptr<btCollisionShape> shape) {
    ReleaseBody();
    m_shape = std::move(shape);
    m_motionState = std::move(motionState);
    m_body = std::move(body);
    if (m_body) m_body->setUserPointer(static_cast<zPhysicItem*>(this));
}

void zBulletPhysicItem::ReleaseBody() {
    btDiscreteDynamicsWorld* world = DynamicsWorldOf(GetWorld());
    if (m_body && world && m_body->isInWorld()) world->removeRigidBody(m_body.get());
    m_body.reset();
    m_motionState.reset();
    m_shape.reset();
}

zBulletConstraint::zBulletConstraint(zBulletWorld* world) : zPhysicConstraint(world) {}

zBulletConstraint::~zBulletConstraint() {
    ReleaseConstraint();
}

void zBulletConstraint::AdoptConstraint(std::unique_ptr<btTypedConstraint> constraint) {
    ReleaseConstraint();
    m_constraint = std::move(constraint);
}

void zBulletConstraint::ReleaseConstraint() {
    if (m_constraint) GetWorld()->RemoveConstraint(this);
    m_constraint.reset();
}
