#include "scene/group.h"

#include <new>

#include "core/alloc_category.h"
#include "core/log.h"
#include "scene/animation.h"
#include "scene/item.h"
#include "scene/managed_item.h"

namespace {

// Runs visit on the node of every member that has one.
template <typename Visit> void ForEachNode(const zList<zMItem*>& items, Visit visit) {
    for (auto* node = items.GetHead(); node; node = node->next)
        if (zItem* item = node->value->GetItem()) visit(item);
}

template <typename Visit> void ForEachParentless(const zList<zMItem*>& items, Visit visit) {
    ForEachNode(items, [&](zItem* item) {
        if (!item->GetParent()) visit(item);
    });
}

} // namespace

zGroup::zGroup(zEngine* engine, const char* name) : m_engine(engine) {
    m_name.Set(name);
}

zGroup::~zGroup() {
    for (auto* node = m_items.GetHead(); node; node = node->next) {
        zList<zMItem::GroupEntry>& entries = node->value->GroupEntries();
        for (auto* entry = entries.GetHead(); entry; entry = entry->next) {
            if (entry->value.node != node) continue;
            delete entries.RemoveNode(entry);
            break;
        }
    }
    if (m_root) --m_root->GroupRoots();
}

bool zGroup::Append(zMItem* item) {
    auto* node = m_items.Add(item);
    if (!node) return false;
    if (item->GroupEntries().Add(zMItem::GroupEntry{this, node})) return true;
    delete m_items.RemoveNode(node);
    return false;
}

zMItem* zGroup::AddItem(zMItem* item, bool unique) {
    if (!item || (unique && m_items.Find(item))) return nullptr;
    zScopedAllocCategory category(AllocCategoryScene);
    return Append(item) ? item : nullptr;
}

// The item's first entry here is its first node in the list: both keep the
// order the entries were made in.
bool zGroup::RemoveItem(zMItem* item) {
    if (!item) return false;
    zList<zMItem::GroupEntry>& entries = item->GroupEntries();
    for (auto* entry = entries.GetHead(); entry; entry = entry->next) {
        if (entry->value.group != this) continue;
        delete m_items.RemoveNode(entry->value.node);
        delete entries.RemoveNode(entry);
        return true;
    }
    return false;
}

bool zGroup::IsMember(const zMItem* item) const {
    return m_items.Find(const_cast<zMItem*>(item)) != nullptr;
}

zGroup* zGroup::AddGroup(zGroup* group, bool unique) {
    if (!group || (unique && m_groups.Find(group))) return nullptr;
    zScopedAllocCategory category(AllocCategoryScene);
    return m_groups.Add(group) ? group : nullptr;
}

bool zGroup::RemoveGroup(zGroup* group) {
    return m_groups.Remove(group);
}

bool zGroup::IsSubGroup(const zGroup* group) const {
    return m_groups.Find(const_cast<zGroup*>(group)) != nullptr;
}

bool zGroup::AddItems(const zGroup& other) {
    zScopedAllocCategory category(AllocCategoryScene);
    // A snapshot of the count, so a group added to itself doubles once.
    auto* node = other.m_items.GetHead();
    for (u32 left = other.m_items.GetCount(); node && left > 0; --left, node = node->next)
        Append(node->value);
    return true;
}

zMItem* zGroup::FindItem(const char* name) const {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        if (node->value->GetName() == (name ? name : "")) return node->value;
    GetLog() << "[*] No item '" << (name ? name : "") << "' in group '" << m_name << "'.\n";
    return nullptr;
}

zMItem* zGroup::FindItemByUid(i32 uid) const {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        if (node->value->GetUid() == uid) return node->value;
    GetLog() << "[*] No item with uid '" << uid << "' in group '" << m_name << "'.\n";
    return nullptr;
}

zGroup* zGroup::FindGroup(const char* name) const {
    for (auto* node = m_groups.GetHead(); node; node = node->next)
        if (node->value->GetName() == (name ? name : "")) return node->value;
    GetLog() << "[*] Could not find group '" << (name ? name : "") << "' in group '" << m_name << "'.\n";
    return nullptr;
}

void zGroup::Activate(bool on) {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->Activate(on, false);
}

void zGroup::SetInvisible(bool invisible) {
    ForEachNode(m_items, [invisible](zItem* item) {
        item->SetFlags(invisible ? item->GetFlags() | ItemInvisible : item->GetFlags() & ~ItemInvisible);
    });
}

void zGroup::OffsetMatrix(const zMatrix4& matrix) {
    ForEachParentless(m_items, [&matrix](zItem* item) {
        item->SnapshotMatrix(zMatrix4::Multiply(matrix, *item->GetWorldMatrix()), false, false);
    });
}

void zGroup::OffsetPosition(f32 x, f32 y, f32 z) {
    ForEachParentless(m_items, [=](zItem* item) {
        const zVector* position = item->GetPosition();
        item->SetPosition(zVector(position->x + x, position->y + y, position->z + z, 1.0f));
    });
}

void zGroup::OffsetRotation(f32 x, f32 y, f32 z) {
    ForEachParentless(m_items, [=](zItem* item) {
        const zVector* rotation = item->GetRotation();
        item->SetRotation(zVector(rotation->x + x, rotation->y + y, rotation->z + z, rotation->w));
    });
}

void zGroup::SetRootItem(zMItem* root) {
    if (m_root && m_root->GetItem()) {
        zItem* oldRoot = m_root->GetItem();
        ForEachNode(m_items, [oldRoot](zItem* item) {
            if (item->GetParent() == oldRoot) item->SetParent(nullptr);
        });
    }
    if (root && root->GetItem()) {
        zItem* newRoot = root->GetItem();
        // The root itself may be a member: it never goes under itself.
        ForEachParentless(m_items, [newRoot](zItem* item) {
            if (item != newRoot) item->SetParent(newRoot);
        });
    }
    if (m_root) --m_root->GroupRoots();
    if (root) ++root->GroupRoots();
    m_root = root;
}

void zGroup::Setup() {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->Setup();
}

void zGroup::SetupScript() {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->SetupScript();
}

void zGroup::Reset(bool scripts) {
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->Reset();
    if (!scripts) return;
    for (auto* node = m_items.GetHead(); node; node = node->next)
        node->value->ResetScript();
}

void zGroup::SetMotion(const char* motionName, std::unique_ptr<zAnimationSourceList>* sources, f32 fadeTime,
                       bool keepOthers, f32 weight) {
    zAnimationSourceList* list = nullptr;
    if (sources) {
        sources->reset(new (std::nothrow) zAnimationSourceList);
        list = sources->get();
    }
    for (auto* node = m_items.GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        if (const zMotion* motion = item->FindMotion(motionName))
            item->zAnimationPlayer::SetMotion(motion, list, fadeTime, keepOthers, weight);
    }
}

void zGroup::ForgetItemEntries(zMItem* item) {
    zList<zMItem::GroupEntry>& entries = item->GroupEntries();
    while (auto* entry = entries.GetHead()) {
        delete entry->value.group->m_items.RemoveNode(entry->value.node);
        delete entries.RemoveNode(entry);
    }
}

bool zGroup::ForgetRoot(const zMItem* item) {
    if (m_root != item) return false;
    --m_root->GroupRoots();
    m_root = nullptr;
    return true;
}
