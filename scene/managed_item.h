// Managed items: what a scene holds in its item lists. A zMItem wraps a node
// (zItem) with a name, a scene-wide uid, activity and behaviour flags, an
// animation player, a command list, script units, an optional physics body and
// the item event dispatcher. Every kind derives from zMItem first and from its
// node class second, so one object is both.
//
// Lifetime, one rule for the whole scene runtime: a managed item's destruction
// clears every back-reference to it. Teardown() sends OnDelete, destroys the
// script units, and has the scene drop the item (its lists and queues, the
// current camera, the physics body in the world, every script handle, and
// every other item's reference through ForgetItem: triggers, constraints,
// bone slots, groups). Each kind's destructor body calls Teardown() first,
// while the item is still whole (name, world matrix); C++ destroys the node
// part before zMItem, so running it from ~zMItem would be too late. zMItem's
// own destructor only catches a kind that forgot, without touching the node.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/matrix.h"
#include "core/quaternion.h"
#include "core/types.h"
#include "core/zstring.h"
#include "scene/ace.h"
#include "scene/animation.h"
#include "scene/motion.h"
#include "script/script_unit.h"

class zItem;
struct zMinMax;
class zItemScriptEventDispatcher;
class zMetafile;
class zMetaTag;
class zGroup;
class zPhysicItem;
class zRenderable;
class zScene;

// Kind numbers; 0 is "not found" for the scene's lookups.
enum : u32 {
    ManagedKindNone = 0,
    ManagedKindCamera = 1,
    ManagedKindObject = 2,
    ManagedKindLight = 3,
    ManagedKindTrigger = 4,
    ManagedKindEmitter = 5,
    ManagedKindInstance = 6,
    ManagedKindTerrain = 7,
    ManagedKindConstraint = 8,
    ManagedKindCount = 9,
};

// Behaviour flags. No tag sets 64; scripts may set any bit, and in the
// engine's tool mode 1 the scene does not draw an item with 64 set.
enum : u32 {
    BehaviourBillboard = 1,
    BehaviourSolveOverlap = 2,
    BehaviourGhost = 4,
    BehaviourTriggerDetected = 16,
    BehaviourStatic = 32,
    BehaviourToolHidden = 64,
};

// A holder of script units (managed items and the scene). The list owns its
// units.
class zScriptedObject {
  public:
    zScriptedObject() = default;
    virtual ~zScriptedObject();

    // A new unit appended to the list; null (logged) when it cannot be made.
    virtual zScriptUnit* NewScriptUnit() = 0;

    // The "ScriptedObject" tag: every unit held is destroyed, then each
    // "ScriptUnit" child makes and reads a unit.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    // Null when there are no units (silently) or the tag cannot be made
    // (logged); else a tag the caller owns.
    zMetaTag* SerializeTag() const;

    // False for null or a unit not held; else it is unlinked and destroyed.
    bool RemoveScriptUnit(zScriptUnit* unit);
    zScriptUnit* FindScriptUnit(const char* scriptPath, const char* className) const;
    void DeleteScriptUnits();

    zScriptUnitList& GetScriptUnits() { return m_scriptUnits; }
    const zScriptUnitList& GetScriptUnits() const { return m_scriptUnits; }

  protected:
    // Appends unit; null, logged with the owner's name, when the list node
    // cannot be allocated (the unit is then destroyed).
    zScriptUnit* AppendScriptUnit(std::unique_ptr<zScriptUnit> unit, const char* ownerName);

  private:
    zScriptedObject(const zScriptedObject&) = delete;
    zScriptedObject& operator=(const zScriptedObject&) = delete;

    zScriptUnitList m_scriptUnits;
};

class zMItem : public zAnimationPlayer, public zACEUnit, public zScriptedObject {
  public:
    // Registers with the scene (AddManagedItem) and takes a physics body from
    // the scene's world when there is one. The kind sets the node with
    // SetNode from its own constructor.
    zMItem(zScene* scene, u32 kind);
    ~zMItem() override;

    // Channels 1-3 position, 4-6 rotation, 7-9 scale; false for any other
    // channel or without a node.
    bool GetChannelValue(i32 channel, f32& out) override;
    bool SetChannelValue(i32 channel, f32 value) override;
    void GetRotation(zQuaternion& out) override;
    bool SetRotation(const zQuaternion& rotation) override;

    virtual bool IsActive() const { return m_active != 0; }
    // Per-frame hooks of the scene update: Refresh before the animation step,
    // Update after it.
    virtual void Refresh() {}
    virtual void Update() {}
    // Whether the kind does work of its own in Refresh, Update or its node's
    // UpdateMatrices. A kind that says false is quiet (IsQuiet) while it has
    // nothing else to do, and its settled node (zItem::IsSettled) needs no
    // previous matrix kept.
    virtual bool HasFrameHooks() const { return true; }
    // Nothing for the update's per-item steps and the render-done event to
    // do: no frame hooks, command list, playing source, script unit, own
    // dispatcher or billboard. Every change that ends it goes through Wake.
    bool IsQuiet() const;
    // The physics body's inertia from its shapes, then OnSetupDone.
    virtual void Setup();

    // Seams for the kinds that come with their own parts; the base has none.
    // Drops every reference this item holds to item (a trigger lets it exit,
    // a constraint lets go of its body, an object clears its bone slots).
    virtual void ForgetItem(zMItem* /*item*/) {}
    // Whether ForgetItem may have a reference to drop: the scene runs it only
    // for such items. A kind that holds none says false.
    virtual bool HoldsItems() const { return true; }
    // The drawable part the scene queues (objects, emitters, terrains); the
    // same one for the item's whole life, as the scene keeps the list of
    // what it queued.
    virtual zRenderable* GetRenderable() { return nullptr; }
    // Objects: the box of their geometry in the item's own frame; false
    // without a geometry.
    virtual bool GetGeometryBox(zMinMax& /*out*/) { return false; }
    // Objects: the skin matrices after the update.
    virtual void UpdateSkin() {}
    // Whether UpdateSkin may do anything. A kind that says false tells the
    // scene (NoteSkinned) when that changes.
    virtual bool HasSkin() const { return true; }
    // Triggers: one detection pass over the scene's detected items.
    virtual void BeginDetection() {}
    virtual void DetectItem(zMItem* /*item*/) {}
    virtual void EndDetection() {}
    // Instances: the template's items and scripts; constraints: the physics
    // constraint. Run by the scene's Setup.
    virtual void SetupTemplate() {}
    virtual void SetupConstraint() {}
    // Lights: the key the scene's light list is sorted by, ascending.
    virtual f32 GetLightSortKey() const { return 0.0f; }

    // ACE verbs 0-5 of the scene; anything else goes to the base.
    bool Execute(zACECommand* command, f32 share) override;
    zScriptUnit* NewScriptUnit() override;

    // Queues the change with the scene; recursive also reaches the managed
    // items of the node's children, even when this item's state did not
    // change.
    void Activate(bool on, bool recursive);
    void SetPriority(f32 priority);
    void SetupScript();
    void ResetScript();
    void Reset();
    void RecordLocation();
    void RestoreLocation();
    void SetLogicTransformation(const zMatrix4& matrix);
    void UpdateAnimation();
    zMItem* GetParentItem() const;

    // The "MItem" tag.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

    // Runs once: OnDelete, the units destroyed, the scene drops the item and
    // every reference to it, the physics body destroyed. Kinds call it first
    // thing in their destructor.
    void Teardown();

    zScene* GetScene() const { return m_scene; }
    zItem* GetItem() const { return m_item; }
    u32 GetKind() const { return m_kind; }
    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name.Set(name); }
    i32 GetUid() const { return m_uid; }
    // The scene's uid lookups learn of the change.
    void SetUid(i32 uid);
    u8 GetActiveByte() const { return m_active; }
    void SetActiveByte(u8 active) { m_active = active; }
    u32 GetBehaviour() const { return m_behaviour; }
    void SetBehaviour(u32 flags);
    f32 GetPriority() const { return m_priority; }
    u32 GetHelper() const { return m_helper; }
    bool HasInitialMatrix() const { return m_hasInitialMatrix != 0; }
    const zMatrix4& GetInitialMatrix() const { return m_initialMatrix; }
    f32 GetScriptLogicFrequency() const { return m_logicFrequency; }
    void SetScriptLogicFrequency(f32 frequency) { m_logicFrequency = frequency; }
    f32 GetLogicCountdown() const { return m_logicCountdown; }
    void SetLogicCountdown(f32 countdown) { m_logicCountdown = countdown; }
    const zMatrix4& GetLogicTransformation() const { return m_logic; }
    const zMatrix4& GetPreviousLogicTransformation() const { return m_previousLogic; }
    zPhysicItem* GetPhysicItem() const { return m_physicItem.get(); }
    zItemScriptEventDispatcher* GetDispatcher() const { return m_dispatcher; }
    // Whether an item event would reach anything: the shared dispatcher calls
    // only units, another one may act without any.
    bool HearsEvents() const;
    void SetDispatcher(zItemScriptEventDispatcher* dispatcher);

    // The scene's lists an item can be in, and the item's node in each (null
    // while it is not in that list); only the scene links and unlinks them,
    // so a lookup or an unlink takes no search.
    enum SceneList : u32 {
        SceneListAll,
        SceneListActive,
        SceneListKind,
        SceneListDeletion,
        SceneListActivation,
        SceneListDeactivation,
        SceneListNew,     // not yet asked HoldsItems
        SceneListHolders, // HoldsItems said true
        SceneListBusy,    // active and maybe not quiet, in the active order
        SceneListMoved,   // maybe not settled, in the all-items order
        SceneListSkinned, // objects that may have a skin, in the kind order
        SceneListCount,
    };
    zList<zMItem*>::Node*& SceneNode(u32 list) { return m_sceneNodes[list]; }
    // The busy, moved and skinned lists link the item's own nodes, so the
    // scene's bookkeeping of them allocates nothing.
    static bool HasOwnNode(u32 list) { return list >= SceneListBusy; }
    zList<zMItem*>::Node* OwnNode(u32 list) {
        zList<zMItem*>::Node* node = &m_ownNodes[list - SceneListBusy];
        node->value = this;
        return node;
    }
    bool IsInSceneList(u32 list) const { return m_sceneNodes[list] != nullptr; }
    // The item's place in the active list (for the busy items too), the
    // all-items list (for the moved items too) or its kind's list (for the
    // skinned items too): rises with each link.
    u64& SceneOrder(u32 list) {
        if (list == SceneListActive || list == SceneListBusy) return m_activeOrder;
        if (list == SceneListKind || list == SceneListSkinned) return m_kindOrder;
        return m_allOrder;
    }
    // The node may no longer be settled: the scene keeps its previous matrix
    // again.
    void NoteMoved();

    // The item's entries in groups, each with its node in the group's list,
    // in the order they were made; kept by zGroup alone, so leaving every
    // group takes no search. GroupRoots counts the groups whose root it is.
    struct GroupEntry {
        zGroup* group;
        zList<zMItem*>::Node* node;
    };
    zList<GroupEntry>& GroupEntries() { return m_groupEntries; }
    u32& GroupRoots() { return m_groupRoots; }

    // The logic step of the scene update (below), kept here so the limits
    // live with the fields: the frequency floor and the catch-up bound.
    static constexpr f32 MinimumLogicFrequency = 0.1f;
    static constexpr u32 MaximumLogicCatchUp = 1000;
    // The frequency the logic rate runs at: at least 0.1; a frequency that is
    // not finite counts as 0.1.
    f32 GetEffectiveLogicFrequency() const;
    // Counts the countdown down by step and sends OnLogicUpdate once per
    // period it crosses; after MaximumLogicCatchUp calls in one step the
    // countdown restarts at a full period.
    void StepLogic(f32 step);

  protected:
    void SetNode(zItem* item);
    void OnCommandsRunning() override { Wake(); }
    void OnSourceAdded() override { Wake(); }
    // The item may have stopped being quiet: the scene visits it again.
    void Wake();

  private:
    // The legacy "TauItem" and "GColItem" children, then the static rule:
    // a body with shapes and no mode is static.
    void ParseLegacyPhysics(const zMetaTag* tag);

  private:
    zList<GroupEntry> m_groupEntries;
    u32 m_groupRoots = 0;
    u8 m_active = 1;
    zScene* m_scene;
    // The node and the body side by side: the update reads both for every
    // item. The order keeps the item's size.
    zItem* m_item = nullptr;
    std::unique_ptr<zPhysicItem> m_physicItem;
    u32 m_kind;
    u32 m_hasInitialMatrix = 0;
    zMatrix4 m_initialMatrix;
    zString m_name;
    i32 m_uid = -1;
    [[maybe_unused]] zMatrix4 m_unusedMatrices[2];
    f32 m_priority = 0.5f;
    u32 m_helper = 0;
    [[maybe_unused]] f32 m_unusedFloat = 1.0f;
    u32 m_behaviour = 0;
    f32 m_logicFrequency = 15.0f;
    f32 m_logicCountdown = 0.0f;
    zMatrix4 m_previousLogic;
    zMatrix4 m_logic;
    zItemScriptEventDispatcher* m_dispatcher;
    bool m_tornDown = false;
    zList<zMItem*>::Node* m_sceneNodes[SceneListCount] = {};
    zList<zMItem*>::Node m_ownNodes[SceneListCount - SceneListBusy] = {};
    u64 m_activeOrder = 0;
    u64 m_allOrder = 0;
    u64 m_kindOrder = 0;
};
