#include "scene/item.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/log.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "scene/managed_item.h"

const char* const RotationOrderNames[RotationOrderCount] = {"ZYX", "YZX", "ZXY", "XZY", "YXZ", "XYZ", "XY"};

namespace {

// "ItemFlag" children and their bits.
struct ItemFlagName {
    const char* name;
    u32 bit;
};
const ItemFlagName ItemFlagNames[] = {
    {"HasTarget", ItemHasTarget},
    {"Invisible", ItemInvisible},
    {"LinkOnlyPosition", ItemLinkOnlyPosition},
};

// Children of "Item" that older files carry and nothing reads any more.
const char* const IgnoredItemTags[] = {"TargetOffsetRotation", "OrientationQuaternion", "OrientationMatrix"};

// Ancestor chains up to this length are collected on the stack.
constexpr u32 InlineChainLength = 64;

} // namespace

zItem::zItem(zEngine* engine) : m_engine(engine) {
    Invalidate(false);
}

zItem::~zItem() {
    DetachChildren();
    Unlink();
    Invalidate(false);
}

void zItem::Unsettle() {
    m_previousIsWorld = false;
    if (m_owner) m_owner->NoteMoved();
}

void zItem::ResetParts() {
    ++m_revision;
    m_flags = 0;
    m_position = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    m_rotation = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    m_scale = zVector(1.0f, 1.0f, 1.0f, 1.0f);
    m_alpha = 1.0f;
    m_pivot = zMatrix4::Identity;
    m_rotationOrder = DefaultRotationOrder;
    m_registry.Clear();
}

void zItem::RebuildLocalMatrix() {
    if (!(m_flags & ItemHasTarget))
        m_rotationMatrix =
            zMatrix3::FromEulerAngles(m_rotation.x, m_rotation.y, m_rotation.z, m_rotationOrder);
    zMatrix4 scaled = zMatrix4::Multiply(zMatrix4::Scale(m_scale), m_pivot);
    zMatrix4 rotated = zMatrix4::Multiply(zMatrix4::FromMatrix3(m_rotationMatrix), scaled);
    m_local = zMatrix4::Multiply(zMatrix4::Translation(m_position), rotated);
    m_flags &= ~ItemLocalDirty;
    ++m_revision;
}

void zItem::UpdateAncestors() {
    // An ancestor whose world matrix is current ends the walk: it would look
    // no further up, and the item reads nothing but its world matrix.
    u32 chainLength = 0;
    for (zItem* node = m_parent; node && (node->m_flags & ItemWorldDirty); node = node->m_parent)
        ++chainLength;
    if (chainLength == 0) return;

    zItem* inlineChain[InlineChainLength];
    std::unique_ptr<zItem*[]> heapChain;
    zItem** chain = inlineChain;
    if (chainLength > InlineChainLength) {
        heapChain.reset(new (std::nothrow) zItem*[chainLength]);
        chain = heapChain.get();
    }
    if (!chain) {
        // No memory for the chain: update the topmost dirty ancestor again
        // and again. Slow on deep chains, but it needs nothing.
        while (m_parent && (m_parent->m_flags & ItemWorldDirty)) {
            zItem* topmost = m_parent;
            while (topmost->m_parent && (topmost->m_parent->m_flags & ItemWorldDirty))
                topmost = topmost->m_parent;
            topmost->UpdateMatrices();
        }
        return;
    }
    u32 index = 0;
    for (zItem* node = m_parent; index < chainLength; node = node->m_parent)
        chain[index++] = node;
    // Topmost first: each one then finds its parent clean and walks no further.
    while (index > 0)
        chain[--index]->UpdateMatrices();
}

void zItem::UpdateMatrices() {
    const bool localWasDirty = (m_flags & ItemLocalDirty) != 0;
    if (localWasDirty) RebuildLocalMatrix();
    const bool worldWasDirty = (m_flags & ItemWorldDirty) != 0;
    if (worldWasDirty) {
        if (m_parent) {
            UpdateAncestors();
            zMatrix4 world = zMatrix4::Multiply(m_parent->m_world, m_local);
            if (m_flags & ItemLinkOnlyPosition) {
                zMatrix4 own = zMatrix4::FromMatrix3(m_rotationMatrix);
                own.SetRow(3, world.GetRow(3, true), true);
                world = own;
            }
            m_world = world;
        } else {
            m_world = m_local;
        }
    }
    if (!localWasDirty && !worldWasDirty) {
        m_flags &= ~ItemWorldDirty;
        return;
    }
    m_previousIsWorld = false;
    ++m_revision;
    if (m_flags & ItemHasTarget) {
        zMatrix3 worldRotation;
        m_world.Decompose(nullptr, nullptr, &worldRotation);
        zVector direction = m_target.Sub(m_world.GetRow(3, true));
        zMatrix3 lookAt = zMatrix3::FromDirection(direction);
        zMatrix3 turn = zMatrix3::Multiply(worldRotation.Transpose(), lookAt);
        m_world = zMatrix4::Multiply(m_world, zMatrix4::FromMatrix3(turn));
        m_rotationMatrix = lookAt;
    }
    m_flags &= ~ItemWorldDirty;
}

void zItem::GetBounds(zMinMax& out) {
    zVector position = m_world.GetRow(3, true);
    out.Set(position, position);
}

const zMatrix3* zItem::GetRotationMatrix() {
    UpdateMatrices();
    return &m_rotationMatrix;
}

const zMatrix4* zItem::GetLocalMatrix() {
    UpdateMatrices();
    return &m_local;
}

const zMatrix4* zItem::GetWorldMatrix() {
    UpdateMatrices();
    return &m_world;
}

void zItem::UpdateInverseMatrix() {
    if (!(m_flags & ItemInverseDirty) && !m_inversePending) return;
    UpdateMatrices();
    m_inverse = m_world.Inverse();
    m_flags &= ~ItemInverseDirty;
    m_inversePending = false;
}

void zItem::NormalizeWorldAxes() {
    Unsettle();
    ++m_revision;
    for (int axis = 0; axis < 3; ++axis) {
        const zVector row = m_world.GetRow(axis, false);
        zVector unit = row.Normalize();
        unit.w = row.w;
        m_world.SetRow(axis, unit, false);
    }
}

const zMatrix4* zItem::GetInverseMatrix() {
    UpdateInverseMatrix();
    return &m_inverse;
}

zMatrix4& zItem::GetWorldMatrixWithoutPivot(zMatrix4& out) {
    zMatrix4 pivot = m_pivot;
    m_pivot = zMatrix4::Identity;
    Invalidate(false);
    UpdateMatrices();
    out = m_world;
    m_pivot = pivot;
    Invalidate(false);
    return out;
}

void zItem::SetPreviousMatrix(const f32 values[16]) {
    std::memcpy(m_previous.e, values, sizeof m_previous.e);
    Unsettle();
}

void zItem::KeepPreviousMatrix() {
    const zMatrix4* world = GetWorldMatrix();
    if (m_previousIsWorld) return;
    SetPreviousMatrix(world->e);
    m_previousIsWorld = true;
}

void zItem::SetPosition(const zVector& position) {
    m_position = position;
    Invalidate(false);
}

void zItem::SetRotation(const zVector& rotation) {
    m_rotation = rotation;
    Invalidate(false);
}

void zItem::SetScale(const zVector& scale) {
    m_scale = scale;
    Invalidate(false);
}

void zItem::SetRotationQuaternion(const zQuaternion& rotation) {
    SetRotationMatrix(rotation.ToMatrix3());
}

void zItem::SetRotationMatrix(const zMatrix3& rotation) {
    m_rotation = rotation.AsEuler(static_cast<int>(m_rotationOrder));
    Invalidate(false);
}

void zItem::SetPivot(const zMatrix4& pivot) {
    m_pivot = pivot;
    Invalidate(false);
}

void zItem::SetRotationOrder(u32 order) {
    m_rotationOrder = order;
    Invalidate(false);
}

void zItem::TranslateWorld(const zVector& offset) {
    if (m_parent) {
        zVector from = m_world.GetRow(3, true);
        zVector to = from.Add(offset);
        const zMatrix4& parentInverse = *m_parent->GetInverseMatrix();
        zVector change = to.ApplyMatrix(parentInverse).Sub(from.ApplyMatrix(parentInverse));
        m_position =
            zVector(m_position.x + change.x, m_position.y + change.y, m_position.z + change.z, m_position.w);
    } else {
        m_position =
            zVector(m_position.x + offset.x, m_position.y + offset.y, m_position.z + offset.z, m_position.w);
    }
    Invalidate(false);
}

void zItem::SetTarget(const zVector* target) {
    if (!target) {
        m_flags &= ~ItemHasTarget;
    } else {
        m_flags |= ItemHasTarget;
        m_target = *target;
    }
    Invalidate(false);
}

void zItem::SnapshotMatrix(const zMatrix4& m, bool local, bool keepParts) {
    ++m_revision;
    if (m_parent && !local) {
        m_local = zMatrix4::Multiply(*m_parent->GetInverseMatrix(), m);
    } else {
        m_local = m;
    }
    m_flags &= ~ItemLocalDirty;
    if (!keepParts) {
        // The identity pivot's inverse, the same bits Inverse gives, made once.
        static const zMatrix4 identityInverse = zMatrix4::Identity.Inverse();
        const bool identityPivot = std::memcmp(m_pivot.e, zMatrix4::Identity.e, sizeof m_pivot.e) == 0;
        zMatrix4 withoutPivot = zMatrix4::Multiply(m_local, identityPivot ? identityInverse : m_pivot.Inverse());
        withoutPivot.Decompose(&m_position, &m_scale, &m_rotationMatrix);
        m_rotation = m_rotationMatrix.AsEuler(static_cast<int>(m_rotationOrder));
    }
    MarkWorldDirty();
}

void zItem::SetMatrix(const zMatrix4& m) {
    SnapshotMatrix(m, false, false);
    m_world = m;
    Unsettle();
    // The inverse waits for its first reader (most bodies' never comes); the
    // flag word says it is up to date, as scripts see it.
    m_flags &= ~(ItemWorldDirty | ItemInverseDirty);
    m_inversePending = true;
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->MarkWorldDirty();
}

bool zItem::IsDescendantOf(const zItem* item) const {
    if (!item) return false;
    for (const zItem* node = this; node; node = node->m_parent)
        if (node == item) return true;
    return false;
}

void zItem::Invalidate(bool childrenOnly) {
    if (!childrenOnly) {
        m_flags |= ItemAllDirty;
        Unsettle();
        ++m_revision;
    }
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->MarkWorldDirty();
}

void zItem::MarkWorldDirty() {
    m_flags |= ItemWorldDirty | ItemInverseDirty;
    Unsettle();
    ++m_revision;
    // Depth-first over the descendants through the sibling links and the
    // parents' nodes, with no stack.
    auto* node = m_children.GetHead();
    while (node) {
        zItem* item = node->value;
        item->m_flags |= ItemWorldDirty | ItemInverseDirty;
        item->Unsettle();
        ++item->m_revision;
        if (auto* firstChild = item->m_children.GetHead()) {
            node = firstChild;
            continue;
        }
        while (!node->next) {
            zItem* parent = node->value->m_parent;
            if (parent == this) return;
            node = parent->m_nodeInParent;
        }
        node = node->next;
    }
}

void zItem::DetachChildren() {
    while (auto* node = m_children.GetHead()) {
        zItem* child = node->value;
        child->SetParent(nullptr);
        // An override that kept the link must not stall the loop.
        if (m_children.GetHead() == node) child->Unlink();
    }
}

void zItem::Unlink() {
    if (m_parent) ++m_parent->m_revision;
    if (m_parent && m_nodeInParent) delete m_parent->m_children.RemoveNode(m_nodeInParent);
    m_parent = nullptr;
    m_nodeInParent = nullptr;
    ++m_revision;
}

void zItem::LinkUnder(zItem* parent) {
    if (!parent) return;
    auto* node = parent->m_children.Add(this);
    // Without a node the item cannot be found from its parent: it stays unlinked.
    if (!node) return;
    m_parent = parent;
    m_nodeInParent = node;
    ++m_revision;
    ++parent->m_revision;
}

void zItem::SetParent(zItem* parent) {
    if (parent == this) {
        GetLog() << "[!] Cannot parent item to itself.\n";
        return;
    }
    if (parent && m_parent == parent) return;
    // Only an item with children can be an ancestor of the new parent; the
    // check keeps linking a long chain from a file linear.
    for (zItem* node = m_children.GetCount() ? parent : nullptr; node; node = node->m_parent) {
        if (node->m_parent == this) {
            node->SetParent(m_parent);
            GetLog() << "[*] Deadlock detected, link chain has been corrected.\n";
            break;
        }
    }
    Unlink();
    LinkUnder(parent);
    Invalidate(false);
}

bool zItem::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Item") {
        GetLog() << "[!] Could not parse item. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    ResetParts();
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "OffsetPosition" || name == "Position" || name == "Rotation" || name == "Scale" ||
            name == "Target") {
            zVector value;
            if (!ParseVector(child, value)) {
                GetLog() << "[*] Invalid vector '" << name << "' in <Item>.\n";
                continue;
            }
            if (name == "OffsetPosition") {
                m_pivot.SetRow(3, value, true);
            } else if (name == "Position") {
                m_position = value;
            } else if (name == "Rotation") {
                m_rotation = value;
            } else if (name == "Scale") {
                m_scale = value;
            } else {
                m_target = value;
            }
        } else if (name == "OffsetMatrix") {
            if (!ParseMatrix4(child, m_pivot)) GetLog() << "[*] Invalid matrix 'OffsetMatrix' in <Item>.\n";
        } else if (name == "ItemFlag") {
            zLinkedListIterator flagIterator;
            while (const zMetaTag* flag = child->GetNextChild(flagIterator)) {
                bool known = false;
                for (const ItemFlagName& entry : ItemFlagNames) {
                    if (flag->GetName() == entry.name) {
                        m_flags |= entry.bit;
                        known = true;
                    }
                }
                if (!known) GetLog() << "[*] Unknown tag '" << flag->GetName() << "' in <ItemFlag>.\n";
            }
        } else if (name == "RotationOrder") {
            const char* text = nullptr;
            if (!child->GetValue().GetString(text)) text = "";
            bool known = false;
            for (u32 order = 0; order < RotationOrderCount; ++order) {
                if (std::strcmp(text, RotationOrderNames[order]) == 0) {
                    m_rotationOrder = order;
                    known = true;
                }
            }
            if (!known) GetLog() << "[*] Unknown rotation order '" << text << "'.\n";
        } else if (name == "Registry") {
            zLinkedListIterator registryIterator;
            while (const zMetaTag* entry = child->GetNextChild(registryIterator)) {
                zMetaTag* copy = entry->Clone(true);
                if (!copy) {
                    GetLog() << "[!] Could not copy registry tag '" << entry->GetName() << "'.\n";
                    continue;
                }
                m_registry.AddRoot(copy);
            }
        } else {
            bool ignored = false;
            for (const char* ignoredName : IgnoredItemTags)
                if (name == ignoredName) ignored = true;
            if (!ignored) GetLog() << "[*] Unknown tag '" << name << "' in <Item>.\n";
        }
    }
    Invalidate(false);
    return true;
}

bool AppendChildTag(zMetaTag* parent, zMetaTag* child) {
    if (!child) return false;
    if (!parent->AddChild(child)) {
        delete child;
        return false;
    }
    return true;
}

namespace {

bool DiffersFromXYZ(const zVector& value, f32 x, f32 y, f32 z) {
    return value.DiffersFrom(zVector(x, y, z));
}

} // namespace

zMetaTag* zItem::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Item"));
    bool complete = root != nullptr;
    if (complete && m_pivot.DiffersFrom(zMatrix4::Identity))
        complete = AppendChildTag(root.get(), SerializeMatrix4(m_pivot, "OffsetMatrix"));
    if (complete && DiffersFromXYZ(m_position, 0.0f, 0.0f, 0.0f))
        complete = AppendChildTag(root.get(), SerializeVector(m_position, "Position"));
    if (complete && DiffersFromXYZ(m_rotation, 0.0f, 0.0f, 0.0f))
        complete = AppendChildTag(root.get(), SerializeVector(m_rotation, "Rotation"));
    if (complete && DiffersFromXYZ(m_scale, 1.0f, 1.0f, 1.0f))
        complete = AppendChildTag(root.get(), SerializeVector(m_scale, "Scale"));
    if (complete && m_flags != 0) {
        // The dirty bits alone are enough to make the (empty) tag appear.
        zMetaTag* flags = new (std::nothrow) zMetaTag("ItemFlag");
        complete = AppendChildTag(root.get(), flags);
        for (const ItemFlagName& entry : ItemFlagNames)
            if (complete && (m_flags & entry.bit))
                complete = AppendChildTag(flags, new (std::nothrow) zMetaTag(entry.name));
    }
    if (complete) complete = AppendChildTag(root.get(), SerializeVector(m_target, "Target", true));
    if (complete && m_rotationOrder < RotationOrderCount)
        complete = AppendChildTag(root.get(),
                          new (std::nothrow) zMetaTag("RotationOrder", RotationOrderNames[m_rotationOrder]));
    if (complete) {
        zMetaTag* registry = new (std::nothrow) zMetaTag("Registry");
        complete = AppendChildTag(root.get(), registry);
        zLinkedListIterator iterator;
        while (complete) {
            const zMetaTag* entry = m_registry.GetNextRoot(iterator);
            if (!entry) break;
            complete = AppendChildTag(registry, entry->Clone(true));
        }
    }
    if (!complete) {
        GetLog() << "[!] Could not serialize item. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}
