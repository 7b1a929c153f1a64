#include <algorithm>
#include <cstring>
#include <new>

#include <BulletCollision/BroadphaseCollision/btBroadphaseInterface.h>
#include <BulletCollision/BroadphaseCollision/btOverlappingPairCache.h>
#include <BulletCollision/CollisionDispatch/btCollisionDispatcher.h>
#include <BulletCollision/CollisionShapes/btBoxShape.h>
#include <BulletCollision/CollisionShapes/btBvhTriangleMeshShape.h>
#include <BulletCollision/CollisionShapes/btCapsuleShape.h>
#include <BulletCollision/CollisionShapes/btCompoundShape.h>
#include <BulletCollision/CollisionShapes/btConeShape.h>
#include <BulletCollision/CollisionShapes/btConvexHullShape.h>
#include <BulletCollision/CollisionShapes/btCylinderShape.h>
#include <BulletCollision/CollisionShapes/btHeightfieldTerrainShape.h>
#include <BulletCollision/CollisionShapes/btScaledBvhTriangleMeshShape.h>
#include <BulletCollision/CollisionShapes/btSphereShape.h>
#include <BulletDynamics/ConstraintSolver/btPoint2PointConstraint.h>
#include <BulletDynamics/ConstraintSolver/btTypedConstraint.h>
#include <BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h>
#include <BulletDynamics/Dynamics/btRigidBody.h>
#include <LinearMath/btDefaultMotionState.h>

#include "core/log.h"
#include "physics/bullet_world.h"

namespace {

constexpr int ShapeRotationOrder = 4;
// A point impulse shorter than this acts on the whole body.
constexpr f32 MinimumPointImpulse = 0.0001f;

btDiscreteDynamicsWorld* DynamicsWorldOf(zPhysicWorld* world) {
    return world ? static_cast<zBulletWorld*>(world)->GetDynamicsWorld() : nullptr;
}

btVector3 ToBullet(const zVector& value) {
    return btVector3(value.x, value.y, value.z);
}

bool IsUnitScale(const zVector& scale) {
    return scale.x == 1.0f && scale.y == 1.0f && scale.z == 1.0f;
}

zVector FromBullet(const btVector3& value) {
    return zVector(value.x(), value.y(), value.z(), 1.0f);
}

// Rows 0-2 of a matrix are the images of the axes (points are row vectors);
// Bullet's basis holds them as columns.
btMatrix3x3 BasisOf(const zMatrix4& matrix) {
    const zVector x = matrix.GetRow(0, false);
    const zVector y = matrix.GetRow(1, false);
    const zVector z = matrix.GetRow(2, false);
    return btMatrix3x3(x.x, y.x, z.x, x.y, y.y, z.y, x.z, y.z, z.z);
}

btMatrix3x3 BasisOf(const zMatrix3& rotation) {
    return BasisOf(zMatrix4::FromMatrix3(rotation));
}

// Position and rotation of the matrix; its scale is dropped, since a scaled
// basis gives Bullet wrong collisions.
btTransform ToTransform(const zMatrix4& matrix) {
    const zMatrix4 rigid = matrix.Orthonormalized();
    return btTransform(BasisOf(rigid), ToBullet(rigid.GetRow(3, true)));
}

zMatrix4 FromTransform(const btTransform& transform) {
    zMatrix4 matrix;
    const btMatrix3x3& basis = transform.getBasis();
    for (int axis = 0; axis < 3; ++axis)
        matrix.SetRow(axis, zVector(basis[0][axis], basis[1][axis], basis[2][axis], 0.0f), false);
    matrix.SetRow(3, FromBullet(transform.getOrigin()), true);
    return matrix;
}

// The body's frame sits at the centre of mass, offset in the item's frame.
btTransform BodyTransform(const zMatrix4& itemMatrix, const zVector& offset) {
    btTransform transform = ToTransform(itemMatrix);
    transform.setOrigin(transform.getOrigin() + transform.getBasis() * ToBullet(offset));
    return transform;
}

zMatrix4 ItemMatrix(const btTransform& body, const zVector& offset) {
    btTransform transform = body;
    transform.setOrigin(transform.getOrigin() - transform.getBasis() * ToBullet(offset));
    return FromTransform(transform);
}

} // namespace

// Reads the owner item's world matrix when the body is made and for
// kinematic bodies; keeps the last transform the simulation reported and
// tells the owner when its bits change.
class zBulletMotionState : public btDefaultMotionState {
  public:
    explicit zBulletMotionState(zBulletPhysicItem* owner)
        : m_owner(owner), m_matrix(owner->GetOwnerWorldMatrix().Orthonormalized()) {}

    void getWorldTransform(btTransform& out) const override {
        out = BodyTransform(m_owner->GetOwnerWorldMatrix(), m_owner->GetCenterOfMassOffset());
    }
    void setWorldTransform(const btTransform& transform) override {
        SetMatrix(ItemMatrix(transform, m_owner->GetCenterOfMassOffset()));
    }

    const zMatrix4& GetMatrix() const { return m_matrix; }
    void SetMatrix(const zMatrix4& matrix) {
        if (std::memcmp(m_matrix.e, matrix.e, sizeof m_matrix.e) == 0) return;
        m_matrix = matrix;
        m_owner->MotionChanged();
    }

  private:
    zBulletPhysicItem* m_owner;
    zMatrix4 m_matrix;
};

// The library shape of one zPhysicShape. Convex and mesh shapes belong to the
// world's shared holders, which the part keeps alive; the others are owned.
struct zBulletShapePart {
    const zPhysicShape* shape = nullptr;
    zSharedPtr<zBulletConvex> convex;
    zSharedPtr<zBulletMesh> mesh;
    // The heightfield's own samples, rows in reverse order: Bullet reads them
    // in place for the body's whole life.
    std::unique_ptr<i16[]> heights;
    // Declared after what it may read (a shared mesh, the samples): freed
    // before them.
    std::unique_ptr<btCollisionShape> owned;
    btCollisionShape* used = nullptr;
    // Added to the shape's position in the compound (heightfields).
    zVector extra{0.0f, 0.0f, 0.0f, 1.0f};
};

struct zBulletBody {
    zList<std::unique_ptr<zBulletShapePart>> parts;
    std::unique_ptr<btCompoundShape> compound;
    // A shape given with AdoptBody.
    std::unique_ptr<btCollisionShape> adoptedShape;
    std::unique_ptr<btMotionState> motionState;
    // motionState when it is the item's own, else null.
    zBulletMotionState* ownState = nullptr;
    // Declared last: freed first, before what it refers to.
    std::unique_ptr<btRigidBody> body;
};

namespace {

// A heightfield over a copy of the samples, or null when there are not at
// least 2 x 2 of them. Bullet centres the field on its extents; extra gets
// the offset that puts sample (0, 0) at the item's origin with row r at
// z = -r * spacing and heights of sample * PhysicHeightScale.
std::unique_ptr<btCollisionShape> BuildHeightfield(const zPhysicShape& shape, zBulletShapePart& part,
                                                   zVector& extra) {
    const i32 columns = shape.heightmapColumns;
    const i32 rows = shape.heightmapRows;
    if (!shape.heightmapSamples || columns < 2 || rows < 2) {
        GetLog() << "[*] Heightmap collision shape without samples; skipped.\n";
        return nullptr;
    }
    const size_t count = size_t(columns) * size_t(rows);
    part.heights.reset(new (std::nothrow) i16[count]);
    if (!part.heights) {
        GetLog() << "[!] Failed to allocate heightmap collision samples.\n";
        return nullptr;
    }
    i16 low = shape.heightmapSamples[0];
    i16 high = low;
    for (i32 row = 0; row < rows; ++row) {
        const i16* source = shape.heightmapSamples.get() + size_t(row) * size_t(columns);
        std::copy(source, source + columns, part.heights.get() + size_t(rows - 1 - row) * size_t(columns));
        for (i32 column = 0; column < columns; ++column) {
            low = std::min(low, source[column]);
            high = std::max(high, source[column]);
        }
    }
    const f32 minimum = f32(low) * PhysicHeightScale;
    const f32 maximum = f32(high) * PhysicHeightScale;
    std::unique_ptr<btHeightfieldTerrainShape> field(NewBulletObject<btHeightfieldTerrainShape>(
        columns, rows, static_cast<const short*>(part.heights.get()), btScalar(PhysicHeightScale), minimum,
        maximum, 1, false));
    if (!field) return nullptr;
    const f32 spacing = shape.heightmapSpacing;
    field->setLocalScaling(btVector3(spacing, 1.0f, spacing));
    extra = zVector(0.5f * f32(columns - 1) * spacing, 0.5f * (minimum + maximum),
                    -0.5f * f32(rows - 1) * spacing, 1.0f);
    return field;
}

// Builds the library shape of one shape into part; false when there is none.
// massCentre gets the shape's mass centre in the item's frame.
bool BuildShape(zBulletWorld* world, const zPhysicShape& shape, zBulletShapePart& part, zVector& extra,
                zVector& massCentre) {
    const zVector half(0.5f * shape.dimensions.x, 0.5f * shape.dimensions.y, 0.5f * shape.dimensions.z, 1.0f);
    extra = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    massCentre = shape.position;
    std::unique_ptr<btCollisionShape> owned;
    switch (shape.type) {
    case PhysicShapeBox:
        owned.reset(NewBulletObject<btBoxShape>(ToBullet(half)));
        break;
    case PhysicShapeSphere:
        owned.reset(NewBulletObject<btSphereShape>(shape.dimensions.x));
        break;
    case PhysicShapeCylinder:
        owned.reset(NewBulletObject<btCylinderShapeZ>(ToBullet(half)));
        break;
    case PhysicShapeCone:
        owned.reset(NewBulletObject<btConeShapeZ>(half.x, half.z));
        break;
    case PhysicShapeCapsule:
        owned.reset(NewBulletObject<btCapsuleShapeZ>(half.x, shape.dimensions.z));
        break;
    // The holders' shapes are shared by every item of that geometry and keep
    // the unit scale: a scaled shape gets a hull of its own (the points
    // copied) or a scaling view of the shared mesh.
    case PhysicShapeConvex: {
        part.convex = world->GetConvex(shape.geometryName.CStr());
        const btConvexHullShape* hull = part.convex.Get() ? part.convex->shape.get() : nullptr;
        if (!hull) return false;
        shape.GetMatrix().TransformPoints(&massCentre, &part.convex->centre, 1);
        if (IsUnitScale(shape.scale)) {
            part.used = part.convex->shape.get();
            return true;
        }
        owned.reset(
            NewBulletObject<btConvexHullShape>(reinterpret_cast<const btScalar*>(hull->getUnscaledPoints()),
                                               hull->getNumPoints(), int(sizeof(btVector3))));
        if (owned) owned->setMargin(hull->getMargin());
        break;
    }
    case PhysicShapeMesh:
        part.mesh = world->GetMesh(shape.geometryName.CStr());
        if (!part.mesh.Get() || !part.mesh->shape) return false;
        shape.GetMatrix().TransformPoints(&massCentre, &part.mesh->centre, 1);
        if (IsUnitScale(shape.scale)) {
            part.used = part.mesh->shape.get();
            return true;
        }
        owned.reset(
            NewBulletObject<btScaledBvhTriangleMeshShape>(part.mesh->shape.get(), ToBullet(shape.scale)));
        break;
    case PhysicShapeHeightmap:
        owned = BuildHeightfield(shape, part, extra);
        part.owned = std::move(owned);
        part.used = part.owned.get();
        return part.used != nullptr;
    default:
        return false;
    }
    if (!owned) return false;
    owned->setLocalScaling(ToBullet(shape.scale));
    part.owned = std::move(owned);
    part.used = part.owned.get();
    return true;
}

} // namespace

// zBulletPhysicItem

zBulletPhysicItem::zBulletPhysicItem(zBulletWorld* world) : zPhysicItem(world) {}

zBulletPhysicItem::~zBulletPhysicItem() {
    if (GetWorld()) GetWorld()->CancelAfterStep(this);
    DestroyBody();
    ForgetConstraints();
}

btRigidBody* zBulletPhysicItem::GetRigidBody() const {
    return m_built ? m_built->body.get() : nullptr;
}

btCollisionShape* zBulletPhysicItem::GetCompoundShape() const {
    return m_built ? m_built->compound.get() : nullptr;
}

btCollisionShape* zBulletPhysicItem::GetLibraryShape(const zPhysicShape* shape) const {
    if (!m_built) return nullptr;
    for (auto* node = m_built->parts.GetHead(); node; node = node->next)
        if (node->value->shape == shape) return node->value->used;
    return nullptr;
}

void zBulletPhysicItem::AdoptBody(std::unique_ptr<btRigidBody> body, std::unique_ptr<btMotionState> motionState,
                                  std::unique_ptr<btCollisionShape> shape) {
    DestroyBody();
    if (!body) return;
    m_built.reset(new (std::nothrow) zBulletBody);
    if (!m_built) {
        GetLog() << "[!] Failed to allocate physics body.\n";
        return;
    }
    m_built->adoptedShape = std::move(shape);
    m_built->motionState = std::move(motionState);
    m_built->body = std::move(body);
    m_built->body->setUserPointer(static_cast<zPhysicItem*>(this));
    // Another motion state may give a new matrix at every read.
    MotionChanged(!m_built->motionState);
}

void zBulletPhysicItem::DestroyBody() {
    if (!m_built) return;
    // Constraints refer to the body: out of the world before it goes.
    ReleaseConstraints();
    btDiscreteDynamicsWorld* world = DynamicsWorldOf(GetWorld());
    btRigidBody* body = m_built->body.get();
    if (body && world && body->isInWorld()) world->removeRigidBody(body);
    m_built.reset();
    MotionChanged();
}

bool zBulletPhysicItem::UpdateInertiaTensorFromCollision() {
    // Bullet is walking its bodies and manifolds inside a step.
    if (GetWorld() && GetWorld()->IsStepping()) {
        GetWorld()->RunAfterStep([this] { Rebuild(); }, this);
        return true;
    }
    Rebuild();
    return true;
}

void zBulletPhysicItem::Rebuild() {
    DestroyBody();
    BuildBody();
    // With the new body, or with what the other sides still have.
    SetupConstraints();
}

void zBulletPhysicItem::BuildBody() {
    if (GetMode() == PhysicModeNone) return;
    zBulletWorld* world = static_cast<zBulletWorld*>(GetWorld());
    std::unique_ptr<zBulletBody> built(new (std::nothrow) zBulletBody);
    if (built) built->compound.reset(NewBulletObject<btCompoundShape>());
    if (!built || !built->compound) {
        GetLog() << "[!] Failed to allocate physics body.\n";
        return;
    }
    const auto& shapes = GetShapes();
    // Library shapes with their placement and mass, in list order.
    zVector centre(0.0f, 0.0f, 0.0f, 1.0f);
    f32 totalMass = 0.0f;
    for (auto* node = shapes.GetHead(); node; node = node->next) {
        const zPhysicShape& shape = *node->value;
        std::unique_ptr<zBulletShapePart> part(new (std::nothrow) zBulletShapePart);
        zVector massCentre = shape.position;
        if (!part) {
            GetLog() << "[!] Failed to allocate physics body.\n";
            return;
        }
        part->shape = &shape;
        if (world && BuildShape(world, shape, *part, part->extra, massCentre)) {
            if (!built->parts.Add(std::move(part))) {
                GetLog() << "[!] Failed to allocate physics body.\n";
                return;
            }
        }
        centre.x += shape.mass * massCentre.x;
        centre.y += shape.mass * massCentre.y;
        centre.z += shape.mass * massCentre.z;
        totalMass += shape.mass;
    }
    m_centerOfMassOffset = totalMass != 0.0f
                               ? zVector(centre.x / totalMass, centre.y / totalMass, centre.z / totalMass, 1.0f)
                               : zVector(0.0f, 0.0f, 0.0f, 1.0f);
    for (auto* node = built->parts.GetHead(); node; node = node->next) {
        const zPhysicShape& shape = *node->value->shape;
        const zVector& e = node->value->extra;
        const zVector origin(shape.position.x + e.x - m_centerOfMassOffset.x,
                             shape.position.y + e.y - m_centerOfMassOffset.y,
                             shape.position.z + e.z - m_centerOfMassOffset.z, 1.0f);
        const btTransform local(BasisOf(zMatrix3::FromEuler(shape.rotation, ShapeRotationOrder)), ToBullet(origin));
        built->compound->addChildShape(local, node->value->used);
    }
    const bool bare = shapes.GetCount() == 0;
    // Shapes that gave nothing to build leave the item without a body; a
    // dynamic item with no shape at all still gets one.
    if (built->compound->getNumChildShapes() == 0 && !(bare && GetMode() == PhysicModeDynamic)) {
        SetMode(PhysicModeNone);
        return;
    }
    f32 mass = 0.0f;
    btVector3 inertia(0.0f, 0.0f, 0.0f);
    if (GetMode() == PhysicModeDynamic) {
        if (bare) {
            mass = 1.0f;
            inertia = btVector3(1.0f, 1.0f, 1.0f);
        } else {
            std::unique_ptr<btScalar[]> masses(new (std::nothrow) btScalar[built->parts.GetCount()]);
            if (!masses) {
                GetLog() << "[!] Failed to allocate physics body.\n";
                return;
            }
            int index = 0;
            for (auto* node = built->parts.GetHead(); node; node = node->next)
                masses[index++] = node->value->shape->mass;
            btTransform principal;
            built->compound->calculatePrincipalAxisTransform(masses.get(), principal, inertia);
            mass = totalMass;
        }
    }
    built->ownState = NewBulletObject<zBulletMotionState>(this);
    built->motionState.reset(built->ownState);
    if (built->motionState) {
        btRigidBody::btRigidBodyConstructionInfo info(mass, built->motionState.get(), built->compound.get(),
                                                      inertia);
        built->body.reset(NewBulletObject<btRigidBody>(info));
    }
    if (!built->body) {
        GetLog() << "[!] Failed to allocate physics body.\n";
        return;
    }
    btRigidBody* body = built->body.get();
    body->setUserPointer(static_cast<zPhysicItem*>(this));
    if (GetMode() == PhysicModeKinematic) {
        // Flagged before it enters the world, so the world treats it as
        // kinematic from the start.
        body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
        body->setActivationState(DISABLE_DEACTIVATION);
    }
    m_built = std::move(built);
    MotionChanged();
    if (GetWorld()) GetWorld()->AddPhysicItem(this);
    SetLinearFactor(m_linearFactor);
    SetAngularFactor(m_angularFactor);
    SetLinearDamping(m_linearDamping);
    SetAngularDamping(m_angularDamping);
    SetCollisionMask(m_collisionMask);
    SetSelfMask(m_selfMask);
    if (bare) ApplyFilter(0, 0);
    if (auto* first = GetShapes().GetHead()) {
        body->setFriction(first->value->staticFriction);
        body->setRestitution(first->value->restitution);
    }
}

void zBulletPhysicItem::ApplyFilter(u32 group, u32 mask) {
    btRigidBody* body = GetRigidBody();
    btBroadphaseProxy* handle = body ? body->getBroadphaseHandle() : nullptr;
    if (!handle) return;
    handle->m_collisionFilterGroup = int(group & 0xFFFF);
    handle->m_collisionFilterMask = int(mask & 0xFFFF);
    if (btDiscreteDynamicsWorld* world = DynamicsWorldOf(GetWorld()))
        world->getBroadphase()->getOverlappingPairCache()->cleanProxyFromPairs(handle, world->getDispatcher());
}

void zBulletPhysicItem::SetSelfMask(u32 mask) {
    m_selfMask = mask;
    btRigidBody* body = GetRigidBody();
    if (body && body->getBroadphaseHandle()) ApplyFilter(mask, u32(body->getBroadphaseHandle()->m_collisionFilterMask));
}

void zBulletPhysicItem::SetCollisionMask(u32 mask) {
    m_collisionMask = mask;
    btRigidBody* body = GetRigidBody();
    if (body && body->getBroadphaseHandle())
        ApplyFilter(u32(body->getBroadphaseHandle()->m_collisionFilterGroup), mask);
}

void zBulletPhysicItem::SetLinearFactor(const zVector& factor) {
    m_linearFactor = factor;
    if (btRigidBody* body = GetRigidBody()) body->setLinearFactor(ToBullet(factor));
}

void zBulletPhysicItem::SetAngularFactor(const zVector& factor) {
    m_angularFactor = factor;
    if (btRigidBody* body = GetRigidBody()) body->setAngularFactor(ToBullet(factor));
}

void zBulletPhysicItem::SetGravity(const zVector& gravity) {
    if (btRigidBody* body = GetRigidBody()) body->setGravity(ToBullet(gravity));
}

zVector zBulletPhysicItem::GetGravity() const {
    const btRigidBody* body = GetRigidBody();
    return body ? FromBullet(body->getGravity()) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::ApplyImpulse(const zVector& impulse, const zVector* point) {
    btRigidBody* body = GetRigidBody();
    if (!body || GetMode() != PhysicModeDynamic) return;
    Sleep(false);
    const btVector3 change = ToBullet(impulse);
    if (point && change.length() > MinimumPointImpulse) {
        // The impulse that gives the point that velocity change along n.
        const btVector3 n = change.normalized();
        const btVector3 r = ToBullet(*point) - body->getCenterOfMassPosition();
        const btScalar denominator =
            body->getInvMass() + n.dot((body->getInvInertiaTensorWorld() * r.cross(n)).cross(r));
        if (denominator > btScalar(0)) body->applyImpulse(change / denominator, r);
        return;
    }
    if (body->getInvMass() > btScalar(0)) body->applyCentralImpulse(change / body->getInvMass());
}

void zBulletPhysicItem::ApplyForce(const zVector& force, const zVector* point) {
    btRigidBody* body = GetRigidBody();
    if (!body || GetMode() != PhysicModeDynamic) return;
    Sleep(false);
    if (point) {
        body->applyForce(ToBullet(force), ToBullet(*point) - body->getCenterOfMassPosition());
    } else {
        body->applyCentralForce(ToBullet(force));
    }
}

void zBulletPhysicItem::ApplyTorque(const zVector& torque) {
    btRigidBody* body = GetRigidBody();
    if (!body || GetMode() != PhysicModeDynamic) return;
    body->applyTorque(body->getWorldTransform().getBasis() * ToBullet(torque));
}

void zBulletPhysicItem::SetAngularVelocity(const zVector& velocity) {
    if (btRigidBody* body = GetRigidBody()) body->setAngularVelocity(ToBullet(velocity));
}

zVector zBulletPhysicItem::GetAngularVelocity() const {
    const btRigidBody* body = GetRigidBody();
    return body ? FromBullet(body->getAngularVelocity()) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::SetLinearVelocity(const zVector& velocity) {
    if (btRigidBody* body = GetRigidBody()) body->setLinearVelocity(ToBullet(velocity));
}

zVector zBulletPhysicItem::GetLinearVelocity() const {
    const btRigidBody* body = GetRigidBody();
    return body ? FromBullet(body->getLinearVelocity()) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::GetPointVelocity(zVector& out, const zVector& localPoint) const {
    const btRigidBody* body = GetRigidBody();
    out = body ? FromBullet(body->getVelocityInLocalPoint(body->getWorldTransform().getBasis() *
                                                          ToBullet(localPoint)))
               : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::GetWorldPointVelocity(zVector& out, const zVector& worldPoint) const {
    const btRigidBody* body = GetRigidBody();
    out = body ? FromBullet(body->getVelocityInLocalPoint(ToBullet(worldPoint) - body->getCenterOfMassPosition()))
               : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::SetLinearDamping(f32 damping) {
    m_linearDamping = damping;
    if (btRigidBody* body = GetRigidBody()) body->setDamping(1.0f - m_linearDamping, 1.0f - m_angularDamping);
}

void zBulletPhysicItem::SetAngularDamping(f32 damping) {
    m_angularDamping = damping;
    if (btRigidBody* body = GetRigidBody()) body->setDamping(1.0f - m_linearDamping, 1.0f - m_angularDamping);
}

zVector zBulletPhysicItem::GetCenterOfMass() const {
    const btRigidBody* body = GetRigidBody();
    return body ? FromBullet(body->getCenterOfMassPosition()) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
}

void zBulletPhysicItem::GetMotionStateMatrix(zMatrix4& out) const {
    if (!m_built || !m_built->motionState) return;
    if (m_built->ownState) {
        out = m_built->ownState->GetMatrix();
        return;
    }
    // A motion state given with AdoptBody.
    btTransform transform;
    m_built->motionState->getWorldTransform(transform);
    out = FromTransform(transform);
}

void zBulletPhysicItem::GetTransformation(zMatrix4& out) const {
    if (!m_built || !m_built->motionState || !m_built->body) return;
    out = FromTransform(m_built->body->getWorldTransform());
}

void zBulletPhysicItem::ResetTransformation(const zMatrix4& matrix) {
    btRigidBody* body = GetRigidBody();
    if (!body) return;
    const btTransform transform = BodyTransform(matrix, m_centerOfMassOffset);
    body->setWorldTransform(transform);
    body->setInterpolationWorldTransform(transform);
    if (m_built->ownState) m_built->ownState->SetMatrix(matrix.Orthonormalized());
}

void zBulletPhysicItem::ClearVelocities() {
    btRigidBody* body = GetRigidBody();
    if (!body) return;
    body->setLinearVelocity(btVector3(0.0f, 0.0f, 0.0f));
    body->setAngularVelocity(btVector3(0.0f, 0.0f, 0.0f));
    body->clearForces();
}

void zBulletPhysicItem::Sleep(bool sleep) {
    btRigidBody* body = GetRigidBody();
    if (!body) return;
    if (sleep) {
        body->setActivationState(WANTS_DEACTIVATION);
    } else {
        body->activate();
    }
}

bool zBulletPhysicItem::IsSleeping() const {
    btRigidBody* body = GetRigidBody();
    return body && body->wantsSleeping();
}

void zBulletPhysicItem::CollisionActivate(bool active) {
    btRigidBody* body = GetRigidBody();
    if (!body) return;
    if (active) {
        body->forceActivationState(ACTIVE_TAG);
        body->activate();
        // A kinematic body must never fall asleep under its item.
        if (GetMode() == PhysicModeKinematic) body->setActivationState(DISABLE_DEACTIVATION);
        SetSelfMask(m_selfMask);
        SetCollisionMask(m_collisionMask);
    } else {
        body->setActivationState(DISABLE_SIMULATION);
        ApplyFilter(0, 0);
    }
}

bool zBulletPhysicItem::IsCollisionActive() const {
    const btRigidBody* body = GetRigidBody();
    return body && !IsSleeping() && body->getActivationState() != DISABLE_SIMULATION;
}

// zBulletConstraint

zBulletConstraint::zBulletConstraint(zBulletWorld* world) : zPhysicConstraint(world) {}

zBulletConstraint::~zBulletConstraint() {
    Release();
}

void zBulletConstraint::AdoptConstraint(std::unique_ptr<btTypedConstraint> constraint) {
    Release();
    m_constraint = std::move(constraint);
    if (m_constraint) m_constraint->setUserConstraintPtr(static_cast<zPhysicConstraint*>(this));
}

void zBulletConstraint::Release() {
    if (m_constraint) GetWorld()->RemoveConstraint(this);
    m_constraint.reset();
}

void zBulletConstraint::SetItemA(zPhysicItem* item) {
    if (StoreItem(m_itemA, item)) Setup();
}

void zBulletConstraint::SetItemB(zPhysicItem* item) {
    if (StoreItem(m_itemB, item)) Setup();
}

namespace {

btRigidBody* BodyOf(zPhysicItem* item) {
    return item ? static_cast<zBulletPhysicItem*>(item)->GetRigidBody() : nullptr;
}

// The pivot's translation in the body's frame, which sits at the centre of
// mass.
btVector3 BodyPivot(const zMatrix4& pivot, zPhysicItem* item) {
    btVector3 point = ToBullet(pivot.GetRow(3, true));
    if (item) point -= ToBullet(static_cast<zBulletPhysicItem*>(item)->GetCenterOfMassOffset());
    return point;
}

} // namespace

const zMatrix4& zBulletConstraint::SetPivotA(const zMatrix4& pivot) {
    m_pivotA = pivot;
    if (m_constraint && m_type == PhysicConstraintPoint)
        static_cast<btPoint2PointConstraint*>(m_constraint.get())->setPivotA(BodyPivot(m_pivotA, m_itemA));
    return m_pivotA;
}

const zMatrix4& zBulletConstraint::SetPivotB(const zMatrix4& pivot) {
    m_pivotB = pivot;
    if (m_constraint && m_type == PhysicConstraintPoint)
        static_cast<btPoint2PointConstraint*>(m_constraint.get())->setPivotB(BodyPivot(m_pivotB, m_itemB));
    return m_pivotB;
}

bool zBulletConstraint::Setup() {
    Release();
    btRigidBody* bodyA = BodyOf(m_itemA);
    btRigidBody* bodyB = BodyOf(m_itemB);
    if (!bodyA && !bodyB) return false;
    if (m_type != PhysicConstraintPoint) return true;
    const btVector3 pivotA = BodyPivot(m_pivotA, m_itemA);
    const btVector3 pivotB = BodyPivot(m_pivotB, m_itemB);
    btPoint2PointConstraint* made = nullptr;
    if (bodyA && bodyB) {
        made = NewBulletObject<btPoint2PointConstraint>(*bodyA, *bodyB, pivotA, pivotB);
    } else if (bodyA) {
        made = NewBulletObject<btPoint2PointConstraint>(*bodyA, pivotA);
    } else {
        return true;
    }
    if (!made) {
        GetLog() << "[!] Failed to allocate constraint.\n";
        return true;
    }
    made->setUserConstraintPtr(static_cast<zPhysicConstraint*>(this));
    m_constraint.reset(made);
    GetWorld()->AddConstraint(this);
    return true;
}
