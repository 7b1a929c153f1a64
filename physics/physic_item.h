// zPhysicItem: the physics body of a managed item, made by the scene's
// physics world. The body is described by a list of collision shapes
// (zPhysicShape) and a few parameters (mode, masks, damping, axis factors);
// the concrete item of the world's library turns the description into a
// rigid body (UpdateInertiaTensorFromCollision) and forwards forces and
// queries to it. Without a body the setters do nothing and the getters give
// zero vectors (w = 1) or false.
//
// Constraints that hold an item register with it, so a body is never freed
// under a constraint: before a body goes they are released, after a rebuild
// they are set up again, and when the item dies they forget it.
#pragma once

#include <functional>
#include <memory>

#include "core/list.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"

class zEngine;
class zMetaTag;
class zMItem;
class zPhysicConstraint;
class zPhysicWorld;

// Physics modes.
enum : u32 {
    PhysicModeNone = 0,
    PhysicModeStatic = 1,
    PhysicModeKinematic = 2,
    PhysicModeDynamic = 3,
};

// Shape types.
enum : u32 {
    PhysicShapeNone = 0,
    PhysicShapeBox = 1,
    PhysicShapeSphere = 2,
    PhysicShapeConvex = 3,
    PhysicShapeCylinder = 4,
    PhysicShapeCone = 5,
    PhysicShapeCapsule = 6,
    PhysicShapeMesh = 7,
    PhysicShapeHeightmap = 8,
};

// The samples of a heightmap are scaled by this into world heights.
constexpr f32 PhysicHeightScale = 0.05f;

// One collision shape of a physics item, in the item's frame.
struct zPhysicShape {
    u32 type = PhysicShapeNone;
    f32 mass = 0.0f;
    zVector position{0.0f, 0.0f, 0.0f, 1.0f};
    // Euler angles, rotation order 4.
    zVector rotation{0.0f, 0.0f, 0.0f, 1.0f};
    zVector scale{1.0f, 1.0f, 1.0f, 1.0f};
    f32 restitution = 0.5f;
    f32 dynamicFriction = 0.5f;
    f32 staticFriction = 0.5f;
    // The geometry of a convex or mesh shape.
    zString geometryName;
    // Box and cylinder full extents; x is a sphere's radius.
    zVector dimensions{1.0f, 1.0f, 1.0f, 1.0f};
    i32 heightmapColumns = 0;
    i32 heightmapRows = 0;
    // columns x rows samples, row by row: the shape's own copy, so the grid
    // it was taken from may change or go at any time.
    std::unique_ptr<i16[]> heightmapSamples;
    f32 heightmapSpacing = 1.0f;

    f32 GetMass() const { return mass; }
    void SetRestitution(f32 value) { restitution = value; }
    f32 GetRestitution() const { return restitution; }
    void SetDynamicFriction(f32 value) { dynamicFriction = value; }
    f32 GetDynamicFriction() const { return dynamicFriction; }
    void SetStaticFriction(f32 value) { staticFriction = value; }
    f32 GetStaticFriction() const { return staticFriction; }

    // Position, rotation (order 4) and scale composed.
    zMatrix4 GetMatrix() const;
    void SetMatrix(const zMatrix4& matrix);
    void SetPrimitive(u32 shapeType, const zVector& size);
    void SetMesh(u32 shapeType, const char* name);
    // Type 8 over a copy of those samples. Null samples or a size below one
    // sample leave the shape without samples; false (logged) when the copy
    // cannot be allocated, which also leaves it without.
    bool SetHeightmap(const i16* samples, i32 columns, i32 rows, f32 spacing);
    void ClearGeometryName() { geometryName.Set(""); }

    // The "PhysicShape" (or legacy "GColShape") tag; false (logged) for
    // another id.
    bool ParseTag(const zMetaTag* tag);
    // A new tag the caller owns, or null (logged).
    zMetaTag* SerializeTag() const;
};

// The names of the modes in tags; null for an unknown mode.
const char* PhysicModeName(u32 mode);

class zPhysicItem {
  public:
    explicit zPhysicItem(zPhysicWorld* world);
    // The constraints that hold this item forget it. The concrete item
    // destroys its body first.
    virtual ~zPhysicItem();

    virtual void SetMode(u32 mode) { m_mode = mode; }
    virtual u32 GetMode() const { return m_mode; }
    virtual void SetSelfMask(u32 mask) = 0;
    virtual u32 GetSelfMask() const = 0;
    virtual void SetCollisionMask(u32 mask) = 0;
    virtual u32 GetCollisionMask() const = 0;
    virtual void SetLinearFactor(const zVector& factor) = 0;
    virtual void SetAngularFactor(const zVector& factor) = 0;
    // Sets or clears the bits of mask.
    virtual void SetFlag(u32 mask, bool set) { m_flags = set ? (m_flags | mask) : (m_flags & ~mask); }
    // True when any bit of mask is set.
    virtual bool GetFlag(u32 mask) const { return (m_flags & mask) != 0; }
    virtual void SetGravity(const zVector& gravity) = 0;
    virtual zVector GetGravity() const = 0;
    // Mode 3 only. With a point (world) and a vector longer than 0.0001, the
    // vector is the velocity change of that point along its direction; else
    // the velocity change of the whole body.
    virtual void ApplyImpulse(const zVector& impulse, const zVector* point) = 0;
    // Mode 3 only; with a point (world), at that point.
    virtual void ApplyForce(const zVector& force, const zVector* point) = 0;
    // Mode 3 only; the torque is in the body's own frame.
    virtual void ApplyTorque(const zVector& torque) = 0;
    virtual void SetAngularVelocity(const zVector& velocity) = 0;
    virtual zVector GetAngularVelocity() const = 0;
    virtual void SetLinearVelocity(const zVector& velocity) = 0;
    virtual zVector GetLinearVelocity() const = 0;
    // The velocity of a point given in the body's frame.
    virtual void GetPointVelocity(zVector& out, const zVector& localPoint) const = 0;
    virtual void GetWorldPointVelocity(zVector& out, const zVector& worldPoint) const = 0;
    // Damping values are the share of velocity kept: 1 is no damping.
    virtual void SetLinearDamping(f32 damping) = 0;
    virtual f32 GetLinearDamping() const = 0;
    virtual void SetAngularDamping(f32 damping) = 0;
    virtual f32 GetAngularDamping() const = 0;
    virtual zVector GetCenterOfMass() const = 0;
    virtual void GetMotionStateMatrix(zMatrix4& out) const = 0;
    virtual void GetTransformation(zMatrix4& out) const = 0;
    // Position and rotation of the matrix (its scale dropped).
    virtual void ResetTransformation(const zMatrix4& matrix) = 0;
    virtual void ClearVelocities() = 0;
    virtual void Sleep(bool sleep) = 0;
    virtual bool IsSleeping() const = 0;
    // False takes the body out of the simulation and of every collision.
    virtual void CollisionActivate(bool active) = 0;
    virtual bool IsCollisionActive() const = 0;
    // Rebuilds the body from the shapes; inside a step of the world the
    // rebuild waits until the step returns.
    virtual bool UpdateInertiaTensorFromCollision() = 0;
    virtual void DestroyBody() = 0;

    // A new shape with the defaults, appended; null (logged) when it cannot
    // be allocated.
    zPhysicShape* AddCollisionShape();
    // False when the shape is not one of this item's; else it is destroyed.
    bool RemoveCollisionShape(zPhysicShape* shape);
    // Destroys every shape. The body, if any, keeps what it was built from.
    void ClearCollisionShapes();
    const zList<std::unique_ptr<zPhysicShape>>& GetShapes() const { return m_shapes; }
    // The sum of the shapes' masses.
    f32 GetMass() const;
    bool IsModeNone() const { return m_mode == PhysicModeNone; }

    // The "PhysicItem" tag (or the legacy "TauItem" and "GColItem"). The body
    // is not rebuilt here.
    bool ParseTag(zEngine* engine, u32 mode, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

    zMItem* GetOwner() const { return m_owner; }
    void SetOwner(zMItem* owner) { m_owner = owner; }
    // Where the body reads its item's world matrix from (identity without).
    void SetWorldMatrixSource(std::function<zMatrix4()> source) { m_worldMatrixSource = std::move(source); }
    zMatrix4 GetOwnerWorldMatrix() const;
    zPhysicWorld* GetWorld() const { return m_world; }

    // Counts the changes of the matrix GetMotionStateMatrix gives: while the
    // count stays, so does the matrix. Zero when the concrete item cannot
    // tell (a motion state it did not make); zero never means unchanged.
    u64 GetMotionStamp() const { return m_motionTracked ? m_motionStamp : 0; }
    // Kept for the owner: the motion stamp its last copy of the matrix into
    // its item read, the item's revision right after, and whether the same
    // copy again would store the same bits; a zero stamp before the first.
    struct OwnerCopy {
        u64 motionStamp = 0;
        u32 itemRevision = 0;
        bool repeatable = false;
    };
    OwnerCopy& GetOwnerCopy() { return m_ownerCopy; }

    // Constraints holding this item; see the header comment. Attach is false
    // (logged) when the list node cannot be allocated.
    bool AttachConstraint(zPhysicConstraint* constraint);
    void DetachConstraint(zPhysicConstraint* constraint);
    u32 GetConstraintCount() const { return m_constraints.GetCount(); }

  protected:
    // The concrete item calls this whenever the matrix of
    // GetMotionStateMatrix may have changed; tracked false while it cannot
    // watch that matrix.
    void MotionChanged(bool tracked = true) {
        ++m_motionStamp;
        m_motionTracked = tracked;
    }
    // Before the body goes: every constraint lets go of its library side.
    void ReleaseConstraints();
    // After a new body exists: every constraint is built again.
    void SetupConstraints();
    // The item is going: every constraint forgets it. The concrete item runs
    // it from its destructor, once its body is gone.
    void ForgetConstraints();

  private:
    zPhysicItem(const zPhysicItem&) = delete;
    zPhysicItem& operator=(const zPhysicItem&) = delete;

    // First what the scene reads for every body and frame, close together.
    u32 m_flags = 0;
    u32 m_mode = PhysicModeNone;
    u64 m_motionStamp = 1;
    OwnerCopy m_ownerCopy;
    bool m_motionTracked = true;
    zMItem* m_owner = nullptr;
    zList<std::unique_ptr<zPhysicShape>> m_shapes;
    zPhysicWorld* m_world;
    std::function<zMatrix4()> m_worldMatrixSource;
    zList<zPhysicConstraint*> m_constraints;
};
