// zItem: the node of the 3D scene graph. Everything with a place in the world
// is or contains one.
//
// The transformation is kept twice: the editable parts (position, Euler
// rotation in a rotation order, scale, pivot) and the derived matrices
// (local = T(position) R S pivot, world = parent world . local, inverse).
// The derived ones are rebuilt lazily, driven by three dirty bits:
//   8  local out of date: set by the setters on the item itself;
//   16 world out of date, 32 inverse out of date: set on the item and on all
//      its descendants by every setter.
// UpdateMatrices clears 8 and 16 on the item and on the ancestors it had to
// update; GetInverseMatrix clears 32. SnapshotMatrix stores a local matrix
// directly and leaves bit 8 clear, so that matrix is kept until a setter
// rebuilds it from the parts.
//
// The revision counts the changes to everything SetMatrix reads or writes
// (parts, pivot, rotation order, flags, parent and children, local and world
// matrices): with the revision unchanged since a SetMatrix(m), SetMatrix(m)
// again on an item without parent or children would store the same bits.
// The inverse (a cache of the world matrix) and the previous matrix are not
// counted.
//
// Matrices follow core/matrix.h: the translation is row 3 (e[3], e[7],
// e[11]) and Multiply(A, B) applies B first.
//
// Parents and children are links, never ownership: an item unlinks itself
// and its children when destroyed. Walks along the hierarchy (ancestor
// updates, dirty marking) are loops, so a chain of any depth from a file
// costs no stack.
#pragma once

#include "core/bounds.h"
#include "core/list.h"
#include "core/matrix.h"
#include "core/quaternion.h"
#include "core/types.h"
#include "core/vector.h"
#include "markup/registry.h"

class zEngine;
class zMItem;
class zMetaTag;

// Bits of the flags word; the first three are the "ItemFlag" names.
enum : u32 {
    ItemHasTarget = 1,
    ItemInvisible = 2,
    ItemLinkOnlyPosition = 4,
    ItemLocalDirty = 8,
    ItemWorldDirty = 16,
    ItemInverseDirty = 32,
    ItemAllDirty = ItemLocalDirty | ItemWorldDirty | ItemInverseDirty,
    ItemIsBone = 64, // set when an object takes the item as a bone
};

// Rotation orders and their "RotationOrder" names, index = order.
constexpr u32 RotationOrderCount = 7;
extern const char* const RotationOrderNames[RotationOrderCount];
constexpr u32 DefaultRotationOrder = 4;

// Tag writers: adds child to parent; false (and child freed) when the child
// is missing or cannot be added.
bool AppendChildTag(zMetaTag* parent, zMetaTag* child);

class zItem {
  public:
    // Defaults everywhere and all three dirty bits set. The engine is only
    // carried for the kinds built on the item.
    explicit zItem(zEngine* engine = nullptr);
    virtual ~zItem();

    // Brings the local and world matrices up to date, ancestors first.
    virtual void UpdateMatrices();
    // Links the item under parent (null unlinks). Parenting to itself is
    // refused with a log line; parenting under one of its own descendants
    // first moves that descendant up to the item's old parent, so the
    // hierarchy never holds a cycle.
    virtual void SetParent(zItem* parent);
    // min = max = the translation of the world matrix as last computed (no
    // update is made).
    virtual void GetBounds(zMinMax& out);

    zEngine* GetEngine() const { return m_engine; }
    // The managed item that owns item; null for a null item or a bare item.
    static zMItem* GetManagedItem(const zItem* item) { return item ? item->m_owner : nullptr; }
    void SetOwner(zMItem* owner) {
        m_owner = owner;
        Unsettle();
    }

    // Read-only: the parts change through the setters, which keep the
    // matrices and the revision in step.
    const zVector* GetPosition() const { return &m_position; }
    const zVector* GetRotation() const { return &m_rotation; }
    const zVector* GetScale() const { return &m_scale; }
    const zMatrix4* GetPivot() const { return &m_pivot; }
    const zVector* GetTarget() const { return &m_target; }
    u32 GetRotationOrder() const { return m_rotationOrder; }
    zItem* GetParent() const { return m_parent; }
    const zList<zItem*>& GetChildren() const { return m_children; }
    zRegistry& GetRegistry() { return m_registry; }
    u32 GetFlags() const { return m_flags; }
    // The whole word, dirty bits included; no invalidation.
    void SetFlags(u32 flags) {
        m_flags = flags;
        Unsettle();
        ++m_revision;
    }
    u32 GetRevision() const { return m_revision; }
    f32 GetAlpha() const { return m_alpha; }
    void SetAlpha(f32 alpha) { m_alpha = alpha; }

    // These run UpdateMatrices first.
    const zMatrix3* GetRotationMatrix();
    const zMatrix4* GetLocalMatrix();
    const zMatrix4* GetWorldMatrix();
    // Recomputed (after UpdateMatrices) only while bit 32 is set. Cameras use
    // it as their view matrix.
    const zMatrix4* GetInverseMatrix();
    void UpdateInverseMatrix();
    // The world matrix the item would have with an identity pivot.
    zMatrix4& GetWorldMatrixWithoutPivot(zMatrix4& out);
    // The world matrix of the previous frame, kept by the scene update.
    const zMatrix4* GetPreviousWorldPosition() const { return &m_previous; }
    // Sixteen floats in storage order; no invalidation.
    void SetPreviousMatrix(const f32 values[16]);
    // SetPreviousMatrix with the world matrix (brought up to date); a world
    // matrix that has not changed since it was last kept is not copied again.
    void KeepPreviousMatrix();
    // No dirty bit, and the previous matrix holds the world matrix: then
    // KeepPreviousMatrix changes nothing (with this class's UpdateMatrices).
    // Every change that ends it tells the owner (zMItem::NoteMoved).
    bool IsSettled() const { return m_previousIsWorld && !(m_flags & (ItemLocalDirty | ItemWorldDirty)); }

    // All four components are stored; each setter invalidates.
    void SetPosition(const zVector& position);
    void SetRotation(const zVector& rotation);
    void SetScale(const zVector& scale);
    // Stored as the Euler angles of the rotation in the item's order.
    void SetRotationQuaternion(const zQuaternion& rotation);
    void SetRotationMatrix(const zMatrix3& rotation);
    void SetPivot(const zMatrix4& pivot);
    // The angles stay as they are.
    void SetRotationOrder(u32 order);
    // Moves by a world-space offset, using the world matrix and the parent's
    // inverse as last computed.
    void TranslateWorld(const zVector& offset);
    // Null stops looking at a target.
    void SetTarget(const zVector* target);

    // Takes m as the local matrix (local true, or no parent) or as the world
    // matrix (turned into a local one through the parent's inverse). Unless
    // keepParts, position, scale and rotation are taken back out of it.
    void SnapshotMatrix(const zMatrix4& m, bool local, bool keepParts);
    // SnapshotMatrix(m, false, false) with m as the clean world matrix.
    void SetMatrix(const zMatrix4& m);

    // True for the item itself and for any of its ancestors.
    bool IsDescendantOf(const zItem* item) const;
    // Sets bits 8, 16, 32 on the item unless childrenOnly; the children and
    // all their descendants get 16 and 32.
    void Invalidate(bool childrenOnly);
    // Bits 16 and 32 on the item and all its descendants.
    void MarkWorldDirty();
    void DetachChildren();

    // The "Item" tag. Reading starts from the defaults and reads the children
    // in any order; unknown children and rotation orders are warnings.
    bool ParseTag(const zMetaTag* tag);
    // A new "Item" tag the caller owns, defaults left out; null on failure.
    zMetaTag* SerializeTag() const;

  protected:
    // The world matrix as last computed, for kinds that adjust it inside
    // their own UpdateMatrices or hand it out as a block.
    zMatrix4& ComputedWorldMatrix() {
        Unsettle();
        ++m_revision;
        return m_world;
    }
    const zMatrix4& ComputedWorldMatrix() const { return m_world; }
    // Scales the world matrix's three axes to unit length; each row's w (the
    // projective column) stays as it was.
    void NormalizeWorldAxes();

  private:
    zItem(const zItem&) = delete;
    zItem& operator=(const zItem&) = delete;

    void ResetParts();
    void RebuildLocalMatrix();
    // The item may no longer be settled.
    void Unsettle();
    // Brings every dirty ancestor up to date, the topmost first, with the
    // ancestors' own UpdateMatrices.
    void UpdateAncestors();
    void LinkUnder(zItem* parent);
    void Unlink();

    zEngine* m_engine;
    u32 m_rotationOrder = DefaultRotationOrder;
    zVector m_position;
    zVector m_rotation = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    zVector m_scale = zVector(1.0f, 1.0f, 1.0f, 1.0f);
    zMatrix3 m_rotationMatrix;
    zItem* m_parent = nullptr;
    // The node holding this item in the parent's children, for unlinking and
    // sibling walks without a search.
    zList<zItem*>::Node* m_nodeInParent = nullptr;
    zList<zItem*> m_children;
    zRegistry m_registry;
    zMatrix4 m_local;
    zMatrix4 m_previous;
    zMatrix4 m_world;
    zMatrix4 m_inverse;
    // SetMatrix left the inverse to be made from m_world on its first read.
    bool m_inversePending = false;
    // m_previous holds m_world's bits: cleared by every write of either.
    bool m_previousIsWorld = false;
    zMatrix4 m_pivot;
    u32 m_flags = 0;
    zVector m_target = zVector(0.0f, 0.0f, 1.0f, 1.0f);
    f32 m_alpha = 1.0f;
    // Sits in what was padding: the item's size stays.
    u32 m_revision = 0;
    zMItem* m_owner = nullptr;
};
