// zGroup: a named set of managed items of one scene, with sub-groups and an
// optional root item that the parentless members hang under. A group owns
// neither its members nor its sub-groups: the scene owns both, and a managed
// item's destruction takes it out of every group (and clears it as a root),
// so a group never holds a freed item.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"

class zAnimationSourceList;
class zEngine;
class zMItem;

class zGroup {
  public:
    zGroup(zEngine* engine, const char* name);
    // Members and root lose their entries and role in this group.
    ~zGroup();

    // Null for a null item, and with unique for an item already held;
    // otherwise the item, appended.
    zMItem* AddItem(zMItem* item, bool unique);
    bool RemoveItem(zMItem* item);
    bool IsMember(const zMItem* item) const;
    zGroup* AddGroup(zGroup* group, bool unique);
    // Unlinks the sub-group without destroying it; false when not held.
    bool RemoveGroup(zGroup* group);
    bool IsSubGroup(const zGroup* group) const;
    // Every member of other appended in order, duplicates included.
    bool AddItems(const zGroup& other);

    // The first match, or null with a warning.
    zMItem* FindItem(const char* name) const;
    zMItem* FindItemByUid(i32 uid) const;
    zGroup* FindGroup(const char* name) const;

    void Activate(bool on);
    void SetInvisible(bool invisible);
    // The three offsets move the parentless members only; their children
    // follow through the hierarchy.
    void OffsetMatrix(const zMatrix4& matrix);
    void OffsetPosition(f32 x, f32 y, f32 z);
    void OffsetRotation(f32 x, f32 y, f32 z);
    // The members under the old root are unlinked, then every parentless
    // member goes under the new one (none: they stay unlinked).
    void SetRootItem(zMItem* root);
    zMItem* GetRootItem() const { return m_root; }

    void Setup();
    void SetupScript();
    // Every member's Reset before any script reset.
    void Reset(bool scripts);
    // Each member holding a motion of that name plays it. With an out slot,
    // a new list gathering the new sources replaces what the slot held (null
    // when the list cannot be allocated; the members play all the same).
    void SetMotion(const char* motionName, std::unique_ptr<zAnimationSourceList>* sources, f32 fadeTime,
                   bool keepOthers, f32 weight);

    // The scene's cleanup when item leaves it: out of every group's list
    // through its own entries, and no longer the root of the groups given.
    static void ForgetItemEntries(zMItem* item);
    // Clears the root when it is the item; true when it was.
    bool ForgetRoot(const zMItem* item);

    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name.Set(name); }
    const zList<zMItem*>& GetItems() const { return m_items; }
    const zList<zGroup*>& GetGroups() const { return m_groups; }
    zEngine* GetEngine() const { return m_engine; }

  private:
    // Appends the item with its entry; false (nothing kept) when either
    // cannot be allocated.
    bool Append(zMItem* item);

    zGroup(const zGroup&) = delete;
    zGroup& operator=(const zGroup&) = delete;

    zEngine* m_engine;
    zMItem* m_root = nullptr;
    zList<zMItem*> m_items;
    zList<zGroup*> m_groups;
    zString m_name;
};
