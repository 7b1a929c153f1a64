#include "scene/scene.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/small_arrays.h"
#include "engine/engine.h"
#include "physics/bullet_world.h"
#include "physics/physic_item.h"
#include "render/geometry.h"
#include "render/renderer.h"
#include "scene/ai_path.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/item.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/trigger.h"
#include "script/script_dispatch.h"
#include "script/script_vm.h"
#include "script/collision_table.h"
#include "script/script_unit.h"
#include "script/squirrel_vm.h"

namespace {

constexpr i32 ClockUnitsPerSecond = 10000;
constexpr u32 SceneScriptKind = zScriptUnit::OwnerScene;

// Whether a unit of the item handles OnLogicUpdate (the logic rate runs only
// for such items).
bool HasLogicUpdate(zMItem* item) {
    for (auto* node = item->GetScriptUnits().GetHead(); node; node = node->next) {
        auto* unit = dynamic_cast<zManagerScriptUnit*>(node->value.get());
        if (unit && unit->GetOnLogicUpdate()) return true;
    }
    return false;
}

// Times one section on a counter (with a call counted).
class zScopedCounter {
  public:
    explicit zScopedCounter(zPerfCounter& counter) : m_counter(counter) { m_counter.Begin(); }
    ~zScopedCounter() { m_counter.End(); }
    zScopedCounter(const zScopedCounter&) = delete;
    zScopedCounter& operator=(const zScopedCounter&) = delete;

  private:
    zPerfCounter& m_counter;
};


// A dynamic body's place becomes its item's. The body has no scale, so the
// item keeps its own, as decomposed from the last copy. A copy is skipped
// when it would store the same bits as the last one: the same body matrix
// (motion stamp), an item nothing has changed since (revision), without
// parent or children (its matrices depend on nothing else), and a scale the
// last copy gave back unchanged (rounding may change it at every copy).
void CopyBodyBack(zMItem* item) {
    zPhysicItem* body = item->GetPhysicItem();
    zItem* node = item->GetItem();
    if (!body || !node || body->GetMode() != PhysicModeDynamic) return;
    zPhysicItem::OwnerCopy& last = body->GetOwnerCopy();
    const u64 stamp = body->GetMotionStamp();
    if (last.repeatable && stamp != 0 && stamp == last.motionStamp &&
        node->GetRevision() == last.itemRevision)
        return;
    const zVector scale = *node->GetScale();
    zMatrix4 matrix;
    body->GetMotionStateMatrix(matrix);
    node->SetMatrix(zMatrix4::Multiply(matrix, zMatrix4::Scale(scale)));
    last.motionStamp = stamp;
    last.itemRevision = node->GetRevision();
    last.repeatable = !node->GetParent() && node->GetChildren().GetCount() == 0 &&
                      std::memcmp(&scale, node->GetScale(), sizeof scale) == 0;
}

// Whether the item is still in the scene: a script called from the
// collision events may have deleted it. The item was alive when the scene's
// removal count was removals; while nothing left since, it still is. Else
// only addresses are compared, and the uid tells a new item at a reused
// address apart.
bool StillHeld(zScene* scene, const zMItem* item, i32 uid, u32 removals) {
    if (scene->GetRemovalCount() == removals)
        return item->IsInSceneList(zMItem::SceneListAll) && item->GetUid() == uid;
    for (auto* node = scene->GetAllItems().GetHead(); node; node = node->next)
        if (node->value == item) return item->GetUid() == uid;
    return false;
}

// Whether the item has units to call: at least one unit and a dispatcher
// (looked at in that order: most items have no unit, and the dispatcher
// sits elsewhere in the item).
bool HasUnitsToCall(const zMItem* item) {
    return item->GetScriptUnits().GetHead() != nullptr && item->GetDispatcher();
}

bool WantsCollisionTable(zMItem* item) {
    for (auto* node = item->GetScriptUnits().GetHead(); node; node = node->next) {
        auto* unit = dynamic_cast<zManagerScriptUnit*>(node->value.get());
        if (unit && unit->GetOnCollisionEx()) return true;
    }
    return false;
}

// One contact's collision events: OnCollisionEx with a table {count, p, n}
// only when a unit of either item handles it, then OnCollision. Each event
// goes to an item still in the scene and active.
void RaiseCollision(zScene* scene, const zPhysicContact& contact) {
    zMItem* a = contact.itemA ? contact.itemA->GetOwner() : nullptr;
    zMItem* b = contact.itemB ? contact.itemB->GetOwner() : nullptr;
    if (!a || !b) return;
    const i32 uidA = a->GetUid();
    const i32 uidB = b->GetUid();
    const u32 removals = scene->GetRemovalCount();
    auto raise = [&](zMItem* item, i32 uid, zMItem* other, i32 otherUid, zScriptObject* table) {
        if (!StillHeld(scene, item, uid, removals) || !item->IsActive() || !item->GetDispatcher()) return;
        // The other item goes to the script only while it exists.
        zMItem* partner = StillHeld(scene, other, otherUid, removals) ? other : nullptr;
        if (table) {
            item->GetDispatcher()->OnCollisionEx(item->GetScriptUnits(), partner, table);
        } else {
            item->GetDispatcher()->OnCollision(item->GetScriptUnits(), partner);
        }
    };
    auto* vm = dynamic_cast<zSquirrelVM*>(scene->GetVM());
    if (vm && vm->IsOpen() && (WantsCollisionTable(a) || WantsCollisionTable(b)) &&
        ScriptNewCollisionTable(vm->GetHandle(), contact.pointCount, contact.positions, contact.normals)) {
        std::unique_ptr<zScriptObject> table(new (std::nothrow) zSquirrelObject(vm, -1));
        sq_pop(vm->GetHandle(), 1);
        if (table) {
            raise(a, uidA, b, uidB, table.get());
            raise(b, uidB, a, uidA, table.get());
        }
    }
    raise(a, uidA, b, uidB, nullptr);
    raise(b, uidB, a, uidA, nullptr);
}

} // namespace

// zScenePhysicWorldCallback

void zScenePhysicWorldCallback::OnTick(f32 /*timeStep*/, bool preTick) {
    if (!m_scene || !m_scene->ScriptsInUpdate()) return;
    if (!preTick) {
        zPhysicWorld* world = m_scene->GetPhysicWorld();
        zScene* scene = m_scene;
        // Every body of the world is an item's of this scene: when none of
        // them can hear, no contact is wanted and the walk would raise
        // nothing. One look per item is cheaper than two per contact.
        bool anyHears = false;
        for (auto* node = scene->GetAllItems().GetHead(); node && !anyHears; node = node->next)
            anyHears = HasUnitsToCall(node->value);
        if (!anyHears) return;
        // A contact between items without script units raises nothing: its
        // points are not copied. Once an item has left the scene, owners are
        // no longer read ahead and every contact takes the full road.
        const u32 removals = scene->GetRemovalCount();
        auto wanted = [scene, removals](const zPhysicContact& contact) {
            if (scene->GetRemovalCount() != removals) return true;
            const zMItem* a = contact.itemA ? contact.itemA->GetOwner() : nullptr;
            const zMItem* b = contact.itemB ? contact.itemB->GetOwner() : nullptr;
            return a && b && (HasUnitsToCall(a) || HasUnitsToCall(b));
        };
        if (world)
            world->ForEachContact([scene](const zPhysicContact& contact) { RaiseCollision(scene, contact); }, wanted);
        return;
    }
    m_scene->GetDispatcher()->OnPhysicStep(m_scene->GetScriptUnits(), true);
    m_scene->ForEachItem(m_scene->GetActiveItems(), [](zMItem* item) {
        // Without units there is nobody to call (looked at first: most items
        // have none, and their bodies stay untouched).
        if (!HasUnitsToCall(item)) return;
        zPhysicItem* body = item->GetPhysicItem();
        if (item->GetKind() != ManagedKindInstance && !(body && body->GetMode() != PhysicModeNone)) return;
        item->GetDispatcher()->OnPhysicStep(item->GetScriptUnits(), true);
    });
}

// zScene: construction and identity

zScene::zScene(zEngine* engine, zScriptVM* vm)
    : m_engine(engine), m_vm(vm), m_dispatcher(&zSceneScriptEventDispatcher::GetShared()) {
    zScopedAllocCategory category(AllocCategoryScene);
    for (const zACEVerb& verb : SceneACEVerbs)
        DefineCommand(verb.name, verb.code, verb.parameterCount);
}

zScene::~zScene() {
    SetScriptGlobals(nullptr);
    for (zSharedPtr<zGeometry>& geometry : m_debugGeometries)
        geometry = static_cast<zGeometry*>(nullptr);
    DeleteContent(false);
    m_physicWorld.reset();
    SetUserInterface(nullptr);
    RegisterAsPropertyCallback(nullptr);
    // The globals above published this scene once more: no script handle may
    // outlive it.
    if (m_vm) m_vm->InvalidateScriptObjects(this);
}

void zScene::SetUserInterface(std::unique_ptr<zSceneUserInterface> ui) {
    zScene2D* old2D = m_ui ? m_ui->GetScene2D() : nullptr;
    const bool kept = ui && ui->GetScene2D() == old2D;
    m_ui = std::move(ui);
    if (old2D && !kept && m_vm) m_vm->InvalidateScriptObjects(old2D);
}

zScriptUnit* zScene::NewScriptUnit() {
    std::unique_ptr<zSceneScriptUnit> unit(new (std::nothrow) zSceneScriptUnit(m_vm));
    if (!unit) {
        GetLog() << "[!] Failed to allocate script unit for item '" << m_name << "'.\n";
        return nullptr;
    }
    unit->SetOwner(this, SceneScriptKind);
    return AppendScriptUnit(std::move(unit), m_name.CStr());
}

void zScene::SetName(const char* name) {
    m_name.Set(name);
    m_fileName.Set(name);
}

void zScene::AssignUid(zMItem* item) {
    if (!item) return;
    if (item->GetUid() != -1) {
        GetLog() << "[!] (Critical error) item '" << item->GetName() << "' already has an uid ("
                 << static_cast<u32>(item->GetUid()) << ").\n";
        return;
    }
    item->SetUid(static_cast<i32>(m_nextUid++));
}

void zScene::RegisterAsPropertyCallback(zRenderer* renderer) {
    if (m_renderer && m_renderer != renderer && m_renderer->GetSceneInterface() == this)
        m_renderer->SetSceneInterface(nullptr);
    m_renderer = renderer;
    if (renderer) renderer->SetSceneInterface(this);
}

void zScene::SetScriptGlobals(zScriptVM* vm) {
    zScriptVM* target = vm ? vm : m_vm;
    if (!target || !target->IsOpen()) return;
    target->SetGlobal("g_scene", zScriptValue(static_cast<void*>(this), SceneScriptKind), nullptr);
    target->SetGlobal("g_clock_fq", zScriptValue(ClockUnitsPerSecond), nullptr);
}

bool zScene::CreatePhysicWorld() {
    DeleteContent(false);
    m_physicWorld.reset();
    std::unique_ptr<zBulletWorld> world(new (std::nothrow) zBulletWorld(m_engine));
    if (!world) {
        GetLog() << "[!] Failed to allocate physic world.\n";
        return false;
    }
    // A world that failed to initialise is dropped, never stepped.
    if (!world->Create()) return false;
    world->SetDebugDrawer(m_engine ? m_engine->GetRenderer() : nullptr);
    world->SetCallback(&m_physicsCallback);
    m_physicWorld = std::move(world);
    return true;
}

void zScene::DeletePhysicWorld() {
    DeleteContent(false);
    m_physicWorld.reset();
}

bool zScene::RunsScripts() const { return !m_engine || m_engine->GetToolMode() != 1; }

void zScene::NotifyListeners(u32 event, void* pointer) {
    for (auto* node = m_listeners.GetHead(); node; node = node->next)
        node->value->OnSceneEvent(event, pointer);
}

// Content

zList<zMItem*>& zScene::ListOf(u32 list, const zMItem* item) {
    switch (list) {
    case zMItem::SceneListAll: return m_allItems;
    case zMItem::SceneListActive: return m_activeItems;
    case zMItem::SceneListKind: return m_kindLists[item->GetKind() < ManagedKindCount ? item->GetKind() : 0];
    case zMItem::SceneListDeletion: return m_deletionQueue;
    case zMItem::SceneListActivation: return m_activationQueue;
    case zMItem::SceneListDeactivation: return m_deactivationQueue;
    case zMItem::SceneListNew: return m_newItems;
    case zMItem::SceneListBusy: return m_busyItems;
    case zMItem::SceneListMoved: return m_movedItems;
    case zMItem::SceneListSkinned: return m_skinnedItems;
    default: return m_holders;
    }
}

void zScene::UnlinkItem(u32 list, zMItem* item) {
    if (list == zMItem::SceneListActive) {
        UnlinkItem(zMItem::SceneListBusy, item);
        m_renderListValid = false;
    }
    if (list == zMItem::SceneListAll) UnlinkItem(zMItem::SceneListMoved, item);
    if (list == zMItem::SceneListKind) UnlinkItem(zMItem::SceneListSkinned, item);
    auto*& slot = item->SceneNode(list);
    auto* node = slot;
    if (!node) return;
    slot = nullptr;
    for (zItemWalk* walk = m_walks; walk; walk = walk->outer)
        if (walk->next == node) walk->next = node->next;
    ListOf(list, item).RemoveNode(node);
    if (!zMItem::HasOwnNode(list)) delete node;
}

void zScene::ClearItems(zList<zMItem*>& items, u32 list) {
    if (list == zMItem::SceneListActive) m_renderListValid = false;
    for (zItemWalk* walk = m_walks; walk; walk = walk->outer)
        if (walk->list == &items) walk->next = nullptr;
    for (auto* node = items.GetHead(); node; node = node->next)
        node->value->SceneNode(list) = nullptr;
    if (zMItem::HasOwnNode(list)) {
        items.ReleaseOwnNodes();
    } else {
        items.Clear();
    }
}

bool zScene::LinkItem(u32 list, zMItem* item) {
    auto*& slot = item->SceneNode(list);
    if (slot) return true;
    if (zMItem::HasOwnNode(list)) {
        zList<zMItem*>& items = ListOf(list, item);
        slot = items.LinkOwnNode(item->OwnNode(list), items.GetTail());
        return true;
    }
    zScopedAllocCategory category(AllocCategoryScene);
    slot = ListOf(list, item).Add(item);
    // Every item starts busy and moved; the first walk that finds it quiet
    // or settled drops it.
    if (slot && list == zMItem::SceneListActive) {
        m_renderListValid = false;
        item->SceneOrder(list) = m_nextActiveOrder++;
        ++m_wakeups;
        LinkItem(zMItem::SceneListBusy, item);
    }
    if (slot && list == zMItem::SceneListAll) {
        item->SceneOrder(list) = m_nextAllOrder++;
        LinkItem(zMItem::SceneListMoved, item);
    }
    if (slot && list == zMItem::SceneListKind) {
        item->SceneOrder(list) = m_nextKindOrder++;
        if (item->GetKind() == ManagedKindObject) LinkItem(zMItem::SceneListSkinned, item);
    }
    return slot != nullptr;
}

namespace {

// The last node of items whose order in list is not above order (null: none),
// searched from the end.
zList<zMItem*>::Node* LastNotAfter(const zList<zMItem*>& items, u32 list, u64 order) {
    auto* after = items.GetTail();
    while (after && after->value->SceneOrder(list) > order)
        after = after->previous;
    return after;
}

} // namespace

void zScene::InsertInOrder(u32 list, zMItem* item) {
    zList<zMItem*>& items = ListOf(list, item);
    const u64 order = item->SceneOrder(list);
    auto* after = items.GetTail();
    if (after && after->value->SceneOrder(list) > order) {
        bool walked = false;
        for (const zItemWalk* walk = m_walks; walk && !walked; walk = walk->outer)
            walked = walk->list == &items;
        if (walked) {
            after = LastNotAfter(items, list, order);
        } else {
            m_ownListUnsorted[list - zMItem::SceneListBusy] = true;
        }
    }
    item->SceneNode(list) = items.LinkOwnNode(item->OwnNode(list), after);
}

void zScene::SortOwnList(u32 list) {
    bool& unsorted = m_ownListUnsorted[list - zMItem::SceneListBusy];
    if (!unsorted) return;
    unsorted = false;
    zList<zMItem*>& items = ListOf(list, nullptr);
    std::vector<zMItem*> sorted;
    try {
        sorted.reserve(items.GetCount());
    } catch (const std::bad_alloc&) {
        // No room for the sort: each node back in its place, one at a time.
        auto* node = items.GetHead();
        items.ReleaseOwnNodes();
        while (node) {
            auto* next = node->next;
            zMItem* item = node->value;
            item->SceneNode(list) = items.LinkOwnNode(node, LastNotAfter(items, list, item->SceneOrder(list)));
            node = next;
        }
        return;
    }
    for (auto* node = items.GetHead(); node; node = node->next)
        sorted.push_back(node->value);
    std::sort(sorted.begin(), sorted.end(),
              [list](zMItem* a, zMItem* b) { return a->SceneOrder(list) < b->SceneOrder(list); });
    items.ReleaseOwnNodes();
    zList<zMItem*>::Node* after = nullptr;
    for (zMItem* item : sorted)
        after = item->SceneNode(list) = items.LinkOwnNode(item->OwnNode(list), after);
}

void zScene::WakeItem(zMItem* item) {
    if (!item || !item->IsInSceneList(zMItem::SceneListActive) || item->IsInSceneList(zMItem::SceneListBusy))
        return;
    ++m_wakeups;
    InsertInOrder(zMItem::SceneListBusy, item);
}

void zScene::NoteSkinned(zMItem* item) {
    if (!item || item->GetKind() != ManagedKindObject || !item->IsInSceneList(zMItem::SceneListKind) ||
        item->IsInSceneList(zMItem::SceneListSkinned))
        return;
    InsertInOrder(zMItem::SceneListSkinned, item);
}

void zScene::NoteMovedItem(zMItem* item) {
    if (!item || !item->IsInSceneList(zMItem::SceneListAll) || item->IsInSceneList(zMItem::SceneListMoved))
        return;
    InsertInOrder(zMItem::SceneListMoved, item);
}

void zScene::AddManagedItem(zMItem* item) {
    if (!item) return;
    LinkItem(zMItem::SceneListActive, item);
    LinkItem(zMItem::SceneListAll, item);
    // An item removals could not reach is not listed at all (AddItem refuses it).
    if (!LinkItem(zMItem::SceneListNew, item) && !LinkItem(zMItem::SceneListHolders, item))
        UnlinkItem(zMItem::SceneListAll, item);
}

bool zScene::NoteHolder(zMItem* item) {
    // A new item is sorted in its turn.
    if (!item || item->IsInSceneList(zMItem::SceneListNew)) return true;
    return LinkItem(zMItem::SceneListHolders, item);
}

zMCamera* zScene::AddCamera(const char* name) {
    return AddItem(name, "[!] Scene could not allocate new camera!\n",
                   [this] { return new (std::nothrow) zMCamera(this); });
}

zInstance* zScene::AddInstance(const char* name, const char* templatePath) {
    zInstance* instance = AddItem(name, "[!] Scene could not allocate new instance.\n",
                                  [this] { return new (std::nothrow) zInstance(this); });
    if (instance && templatePath) instance->SetTemplate(templatePath);
    return instance;
}

zMObject* zScene::AddObject(const char* name, zGeometry* geometry) {
    return AddItem(name, "[!] Scene could not allocate new object!\n", [this, geometry]() -> zMObject* {
        auto* object = new (std::nothrow) zMObject(this);
        if (object) object->SetGeometry(geometry, true);
        return object;
    });
}

zMLight* zScene::AddLight(const char* name, u32 type, f32 priority) {
    return AddItem(name, "[!] scene could not allocate new light!\n", [this, type, priority]() -> zMLight* {
        auto* light = new (std::nothrow) zMLight(this);
        if (!light) return nullptr;
        light->type = type;
        light->SetPriority(priority);
        return light;
    });
}

zTrigger* zScene::AddTrigger(const char* name) {
    return AddItem(name, "[!] Scene could not allocate new trigger!\n",
                   [this] { return new (std::nothrow) zTrigger(this); });
}

zMConstraint* zScene::AddPointConstraint(const char* name) {
    return AddItem(name, "[!] Failed to allocate constraint.\n",
                   [this] { return new (std::nothrow) zMConstraint(this); });
}

void zScene::ForgetEverywhere(zMItem* item) {
    if (m_currentCamera && static_cast<zMItem*>(m_currentCamera) == item) m_currentCamera = nullptr;
    // The renderer may still view through it (RenderSetup handed it over).
    zRenderer* renderer = GetDrawingRenderer();
    zRenderViewItem* viewItem = renderer ? renderer->GetViewItem() : nullptr;
    if (viewItem && dynamic_cast<zRenderViewItem*>(item) == viewItem) renderer->SetViewItem(nullptr);
    // The new items join the holders in their order, after every older one;
    // those a node could not be made for yet stay new, and are visited too.
    while (auto* node = m_newItems.GetHead()) {
        zMItem* added = node->value;
        if (added->HoldsItems() && !LinkItem(zMItem::SceneListHolders, added)) break;
        UnlinkItem(zMItem::SceneListNew, added);
    }
    auto forget = [item](zMItem* other) {
        if (other != item) other->ForgetItem(item);
    };
    ForEachItem(m_holders, forget);
    ForEachItem(m_newItems, forget);
    // Out of every group through its own entries, and no group keeps it as
    // its root (the walk ends with the last group it is the root of).
    zGroup::ForgetItemEntries(item);
    for (auto* node = m_groups.GetHead(); node && item->GroupRoots() > 0; node = node->next)
        node->value->ForgetRoot(item);
    for (auto* node = m_removedGroups.GetHead(); node && item->GroupRoots() > 0; node = node->next)
        node->value->ForgetRoot(item);
}

void zScene::RemoveManagedItem(zMItem* item) {
    if (!item) return;
    ++m_removals;
    m_uidIndexValid = false;
    if (m_physicWorld && item->GetPhysicItem()) m_physicWorld->RemovePhysicItem(item->GetPhysicItem());
    // The exits and releases this sends may still hand the item to scripts,
    // so its handles are invalidated after them.
    ForgetEverywhere(item);
    if (m_vm) m_vm->InvalidateScriptObjects(item);
    // Its collision shapes go with the body and its motions with the item,
    // and so do their handles.
    if (m_vm && item->GetPhysicItem())
        for (auto* node = item->GetPhysicItem()->GetShapes().GetHead(); node; node = node->next)
            m_vm->InvalidateScriptObjects(node->value.get());
    if (m_vm)
        for (const std::unique_ptr<zMotion>& motion : item->GetSlots())
            m_vm->InvalidateScriptObjects(motion.get());
    UnlinkItem(zMItem::SceneListDeletion, item);
    UnlinkItem(zMItem::SceneListActivation, item);
    UnlinkItem(zMItem::SceneListDeactivation, item);
    UnlinkItem(zMItem::SceneListKind, item);
    UnlinkItem(zMItem::SceneListActive, item);
    UnlinkItem(zMItem::SceneListAll, item);
    UnlinkItem(zMItem::SceneListNew, item);
    UnlinkItem(zMItem::SceneListHolders, item);
}

bool zScene::QueueForDeletion(zMItem* item) {
    if (!item) return false;
    return LinkItem(zMItem::SceneListDeletion, item);
}

void zScene::FlushDeletionQueue() {
    zMItem* item = nullptr;
    while (auto* node = m_deletionQueue.GetHead()) {
        item = node->value;
        NotifyListeners(SceneEventItemFlushing, &item);
        // Triggers let it exit and constraints let go before its OnDelete.
        ForgetEverywhere(item);
        UnlinkItem(zMItem::SceneListDeletion, item);
        delete item;
    }
    NotifyListeners(SceneEventFlushDone, &item);
}

bool zScene::SetItemActive(zMItem* item, bool active) {
    if (!item) return false;
    if (active) {
        LinkItem(zMItem::SceneListActive, item);
    } else {
        UnlinkItem(zMItem::SceneListActive, item);
    }
    if (zPhysicItem* body = item->GetPhysicItem()) body->CollisionActivate(active);
    return true;
}

void zScene::QueueActivation(zMItem* item, bool on) {
    if (!item) return;
    LinkItem(on ? zMItem::SceneListActivation : zMItem::SceneListDeactivation, item);
    UnlinkItem(on ? zMItem::SceneListDeactivation : zMItem::SceneListActivation, item);
}

void zScene::RecordLocation() {
    ForEachItem(m_allItems, [](zMItem* item) { item->RecordLocation(); });
}

void zScene::DeleteContent(bool keepScripts) {
    NotifyListeners(SceneEventContentDeleting, nullptr);
    m_dispatcher->OnDelete(GetScriptUnits());
    ClearItems(m_activationQueue, zMItem::SceneListActivation);
    ClearItems(m_deactivationQueue, zMItem::SceneListDeactivation);
    ClearItems(m_deletionQueue, zMItem::SceneListDeletion);
    m_name.Clear();
    m_fileName.Clear();
    // No instance holds a group that is about to go.
    ForEachItem(m_kindLists[ManagedKindInstance], [](zMItem* item) {
        if (auto* instance = dynamic_cast<zInstance*>(item)) instance->UnloadTemplate();
    });
    // Scripts may hold the groups: their handles die with them.
    for (auto* node = m_groups.GetHead(); node; node = node->next)
        InvalidateGroupHandles(node->value.get());
    for (auto* node = m_removedGroups.GetHead(); node; node = node->next)
        InvalidateGroupHandles(node->value.get());
    m_groups.Clear();
    m_removedGroups.Clear();
    ClearItems(m_activeItems, zMItem::SceneListActive);
    ClearItems(m_busyItems, zMItem::SceneListBusy);
    for (zList<zMItem*>& list : m_kindLists)
        ClearItems(list, zMItem::SceneListKind);
    ClearItems(m_skinnedItems, zMItem::SceneListSkinned);
    while (auto* node = m_allItems.GetHead()) {
        zMItem* item = node->value;
        m_uidIndexValid = false;
        UnlinkItem(zMItem::SceneListAll, item);
        delete item;
    }
    ClearItems(m_movedItems, zMItem::SceneListMoved);
    if (m_ui) m_ui->Clear();
    aiPaths.Clear();
    if (!keepScripts) DeleteScriptUnits();
    m_nextUid = 0;
    fogColor[0] = fogColor[1] = fogColor[2] = 0.0f;
    fogColor[3] = 1.0f;
    m_currentCamera = nullptr;
    fogNear = fogFar = 0.0f;
    NotifyListeners(SceneEventContentDeleted, nullptr);
}

// Groups

namespace {

// The node of list holding group, or null.
zList<std::unique_ptr<zGroup>>::Node* FindGroupNode(const zList<std::unique_ptr<zGroup>>& list, const zGroup* group) {
    for (auto* node = list.GetHead(); node; node = node->next)
        if (node->value.get() == group) return node;
    return nullptr;
}

} // namespace

zGroup* zScene::AddGroup(const char* name) {
    zScopedAllocCategory category(AllocCategoryScene);
    NotifyListeners(SceneEventGroupAdding, nullptr);
    std::unique_ptr<zGroup> group(new (std::nothrow) zGroup(m_engine, name));
    zGroup* added = group.get();
    if (!group || !m_groups.Add(std::move(group))) {
        GetLog() << "[!] Could not allocate new group.\n";
        return nullptr;
    }
    NotifyListeners(SceneEventGroupAdded, &added);
    return added;
}

void zScene::RemoveGroup(zGroup* group) {
    zScopedAllocCategory category(AllocCategoryScene);
    NotifyListeners(SceneEventGroupRemoving, &group);
    if (auto* node = FindGroupNode(m_groups, group)) {
        std::unique_ptr<zGroup> removed = m_groups.Take(node);
        // Kept until DeleteContent; when even that node cannot be made the
        // group goes now, and nothing may point at it any more.
        if (!m_removedGroups.Add(std::move(removed))) {
            InvalidateGroupHandles(group);
            ForEachItem(m_kindLists[ManagedKindInstance], [group](zMItem* item) {
                if (auto* instance = dynamic_cast<zInstance*>(item)) instance->ForgetGroup(group);
            });
        }
        for (auto* other = m_groups.GetHead(); other; other = other->next)
            while (other->value->RemoveGroup(group)) {
            }
        for (auto* other = m_removedGroups.GetHead(); other; other = other->next)
            while (other->value->RemoveGroup(group)) {
            }
    }
    NotifyListeners(SceneEventGroupRemoved, &group);
}

void zScene::InvalidateGroupHandles(zGroup* group) {
    if (m_vm) m_vm->InvalidateScriptObjects(group);
}

void zScene::DeleteGroup(zGroup* group) {
    if (!group) return;
    for (auto* node = group->GetItems().GetHead(); node; node = node->next)
        QueueForDeletion(node->value);
    RemoveGroup(group);
}

zGroup* zScene::FindGroup(const char* name) const {
    for (auto* node = m_groups.GetHead(); node; node = node->next)
        if (node->value->GetName() == (name ? name : "")) return node->value.get();
    return nullptr;
}

// Lookups

namespace {

u32 UidHash(i32 uid) {
    return static_cast<u32>(uid) * 0x9E3779B1u;
}

} // namespace

bool zScene::BuildUidIndex() const {
    u32 size = 16;
    while (size < m_allItems.GetCount() * 2)
        size *= 2;
    if (!m_uidIndex || m_uidIndexMask + 1 != size) {
        m_uidIndex.reset(new (std::nothrow) zUidSlot[size]);
        m_uidIndexMask = m_uidIndex ? size - 1 : 0;
        if (!m_uidIndex) return false;
    }
    for (u32 i = 0; i < size; ++i)
        m_uidIndex[i] = zUidSlot{-1, nullptr};
    // The first item holding a uid keeps its slot.
    for (auto* node = m_allItems.GetHead(); node; node = node->next) {
        zMItem* item = node->value;
        if (item->GetUid() == -1) continue;
        for (u32 slot = UidHash(item->GetUid()) & m_uidIndexMask;; slot = (slot + 1) & m_uidIndexMask) {
            if (m_uidIndex[slot].item && m_uidIndex[slot].uid != item->GetUid()) continue;
            if (!m_uidIndex[slot].item) m_uidIndex[slot] = zUidSlot{item->GetUid(), item};
            break;
        }
    }
    m_uidIndexValid = true;
    return true;
}

zMItem* zScene::GetManagedItemByUid(i32 uid) const {
    if (uid == -1) return nullptr;
    if (m_uidIndexValid || BuildUidIndex()) {
        for (u32 slot = UidHash(uid) & m_uidIndexMask; m_uidIndex[slot].item; slot = (slot + 1) & m_uidIndexMask)
            if (m_uidIndex[slot].uid == uid) return m_uidIndex[slot].item;
    } else {
        for (auto* node = m_allItems.GetHead(); node; node = node->next)
            if (node->value->GetUid() == uid) return node->value;
    }
    GetLog() << "[*] No managed item with UID (" << uid << ").\n";
    return nullptr;
}

zMItem* zScene::GetOwnerInKindList(const zItem* item) const {
    static constexpr u32 LinkKinds = (1u << ManagedKindObject) | (1u << ManagedKindLight) |
                                     (1u << ManagedKindCamera) | (1u << ManagedKindTrigger) |
                                     (1u << ManagedKindEmitter) | (1u << ManagedKindTerrain) |
                                     (1u << ManagedKindInstance);
    zMItem* owner = zItem::GetManagedItem(item);
    if (!owner || owner->GetScene() != this || owner->GetItem() != item || owner->GetKind() >= 32 ||
        !(LinkKinds & (1u << owner->GetKind())) || !owner->IsInSceneList(zMItem::SceneListKind))
        return nullptr;
    return owner;
}

u32 zScene::FindManagedItemOfItem(const zItem* item, zMItem** out) const {
    if (zMItem* owner = GetOwnerInKindList(item)) {
        if (out) *out = owner;
        return owner->GetKind();
    }
    GetLog() << "[*] Could not locate any instance of the provided item.\n";
    return ManagedKindNone;
}

zMItem* zScene::FindByName(u32 kind, const char* name) const {
    if (kind >= ManagedKindCount || !name) return nullptr;
    for (auto* node = m_kindLists[kind].GetHead(); node; node = node->next)
        if (node->value->GetName() == name) return node->value;
    return nullptr;
}

zMItem* zScene::FindItem(const char* path, zItem* context) const {
    if (!path) return nullptr;
    const char* slash = std::strchr(path, '/');
    zString first;
    first.SetRange(path, slash ? slash : path + std::strlen(path));
    zMItem* found = nullptr;
    if (context) {
        for (auto* node = context->GetChildren().GetHead(); node && !found; node = node->next) {
            zMItem* child = zItem::GetManagedItem(node->value);
            if (child && child->GetName() == first) found = child;
        }
    } else {
        static constexpr u32 Order[] = {ManagedKindInstance, ManagedKindCamera,  ManagedKindLight,
                                        ManagedKindObject,   ManagedKindTrigger, ManagedKindEmitter};
        for (u32 kind : Order)
            if (!found) found = FindByName(kind, first.CStr());
    }
    if (!found) {
        GetLog() << "[*] No item named '" << path << "' in scene '" << m_name << "'.\n";
        return nullptr;
    }
    if (!slash) return found;
    // Further components are solved in the group of the instance found so
    // far; an instance without one gives nothing.
    for (const char* rest = slash + 1; found;) {
        const char* next = std::strchr(rest, '/');
        zString component;
        component.SetRange(rest, next ? next : rest + std::strlen(rest));
        if (found->GetKind() != ManagedKindInstance) {
            GetLog() << "[*] Cannot solve sub-path '" << component << "' on item '" << found->GetName() << "'.\n";
            return nullptr;
        }
        auto* instance = dynamic_cast<zInstance*>(found);
        zGroup* group = instance ? instance->GetGroup() : nullptr;
        if (!group) return nullptr;
        found = group->FindItem(component.CStr());
        if (!next) return found;
        rest = next + 1;
    }
    return nullptr;
}

zMItem* zScene::RaytraceTriggerList(const zVector& direction, const zVector& start, f32 length,
                                    zVector* hitPoint) {
    const zMinMax box{zVector(-0.5f, -0.5f, -0.5f, 1.0f), zVector(0.5f, 0.5f, 0.5f, 1.0f)};
    for (auto* node = m_kindLists[ManagedKindTrigger].GetHead(); node; node = node->next) {
        zMItem* trigger = node->value;
        zItem* item = trigger->GetItem();
        if (!item) continue;
        const zMatrix4 inverse = *item->GetInverseMatrix();
        zVector localDirection(direction.x, direction.y, direction.z, 0.0f);
        inverse.RotateArray(&localDirection, &localDirection, 1);
        zVector localStart(start.x, start.y, start.z, 1.0f);
        inverse.TransformPoints(&localStart, &localStart, 1);
        zVector hit;
        bool touched = false;
        if (length == -1.0f) {
            touched = box.IntersectRay(localStart, localDirection, hit);
        } else {
            const zVector end(localStart.x + localDirection.x * length, localStart.y + localDirection.y * length,
                              localStart.z + localDirection.z * length, 1.0f);
            touched = box.IntersectSegment(localStart, end, hit);
        }
        if (!touched) continue;
        if (hitPoint) {
            hit.w = 1.0f;
            item->GetWorldMatrix()->TransformPoints(hitPoint, &hit, 1);
        }
        return trigger;
    }
    return nullptr;
}

void zScene::GetBounds(zMinMax& out) {
    bool first = true;
    ForEachItem(m_allItems, [&](zMItem* item) {
        zMinMax box;
        if (item->GetKind() != ManagedKindObject || !item->GetItem() || !item->GetGeometryBox(box)) return;
        zOrientedBox oriented = OrientedBoxFromMinMax(box);
        oriented.Transform(*item->GetItem()->GetWorldMatrix());
        const zMinMax world = oriented.ToMinMax();
        if (first) {
            out = world;
            first = false;
        } else {
            out.AddBox(world);
        }
    });
}

void zScene::GetAmbient(zVector& out) {
    out = zVector(ambientColor[0] * ambientIntensity, ambientColor[1] * ambientIntensity,
                  ambientColor[2] * ambientIntensity, ambientColor[3] * ambientIntensity);
}

namespace {

bool SphereTouchesBox(const zVector& center, f32 radius, const zMinMax& box) {
    const f32 c[3] = {center.x, center.y, center.z};
    const f32 low[3] = {box.min.x, box.min.y, box.min.z};
    const f32 high[3] = {box.max.x, box.max.y, box.max.z};
    f32 distance2 = 0.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const f32 outside = c[axis] < low[axis] ? low[axis] - c[axis] : (c[axis] > high[axis] ? c[axis] - high[axis] : 0.0f);
        distance2 += outside * outside;
    }
    return distance2 <= radius * radius;
}

} // namespace

void zScene::CollectLights(const zVector& position, const zMinMax& bounds, zList<zRenderLight*>& out,
                           u32 maxCount) {
    out.Clear();
    for (auto* node = m_kindLists[ManagedKindLight].GetHead(); node && out.GetCount() < maxCount;
         node = node->next) {
        auto* light = static_cast<zMLight*>(node->value);
        if (!light->IsActive()) continue;
        if (light->range != 0.0f) {
            zVector place, axis;
            light->GetRenderAxes(place, axis);
            const zVector offset(place.x - position.x, place.y - position.y, place.z - position.z, 0.0f);
            if (!(offset.Length() < light->range + f32(light->falloff))) continue;
            if (light->type == LightTypePoint && !SphereTouchesBox(place, light->range, bounds)) continue;
            if (light->type == LightTypeSpot && light->frustum.ClassifyMinMax(bounds) == ClassifyOutside) continue;
        }
        out.Add(light);
    }
}

void zScene::SortLights(const zVector& position, zList<zRenderLight*>& out, u32 maxCount) {
    out.Clear();
    const u32 capacity = m_kindLists[ManagedKindLight].GetCount();
    std::unique_ptr<zSortPair[]> pairs(new (std::nothrow) zSortPair[capacity + 1]);
    std::unique_ptr<zMLight*[]> lights(new (std::nothrow) zMLight*[capacity + 1]);
    if (!pairs || !lights) {
        GetLog() << "[!] Failed to allocated sort structure.\n";
        return;
    }
    u32 count = 0;
    for (auto* node = m_kindLists[ManagedKindLight].GetHead(); node; node = node->next) {
        auto* light = static_cast<zMLight*>(node->value);
        if (!light->IsActive()) continue;
        zVector place, axis;
        light->GetRenderAxes(place, axis);
        const zVector offset(place.x - position.x, place.y - position.y, place.z - position.z, 0.0f);
        pairs[count] = zSortPair{offset.Length2(), count};
        lights[count++] = light;
    }
    if (count > 1) SortPairsByKey(pairs.get(), 0, i32(count) - 1);
    for (u32 i = 0; i < count && out.GetCount() < maxCount; ++i)
        out.Add(lights[pairs[i].value]);
}

void zScene::SetMotion(const char* motionName, std::unique_ptr<zAnimationSourceList>* sources, f32 fadeTime,
                       bool keepOthers, f32 weight) {
    zAnimationSourceList* list = nullptr;
    if (sources) {
        sources->reset(new (std::nothrow) zAnimationSourceList);
        list = sources->get();
    }
    ForEachItem(m_activeItems, [&](zMItem* item) {
        if (const zMotion* motion = item->FindMotion(motionName))
            item->zAnimationPlayer::SetMotion(motion, list, fadeTime, keepOthers, weight);
    });
}

// Life

void zScene::Setup(bool runOptimisation, u32 optimisationParameter) {
    GetLog() << "[H] Setup scene '" << m_name << "'\n";
    const bool scripts = RunsScripts();
    if (scripts) m_dispatcher->OnPreSetup(GetScriptUnits());
    // Instances a template brings in are appended while this walks, and are
    // set up in the same pass: nested templates load at the first setup
    // (each instance refuses a template already in its loading chain). A
    // template load only adds instances, so the current node stays.
    for (auto* node = m_kindLists[ManagedKindInstance].GetHead(); node; node = node->next)
        node->value->SetupTemplate();
    if (runOptimisation) OptimizeGeometries(optimisationParameter);
    if (scripts) {
        ForEachItem(m_allItems, [](zMItem* item) { item->SetupScript(); });
        m_dispatcher->OnSetup(GetScriptUnits());
    }
    ForEachItem(m_allItems, [](zMItem* item) { item->Setup(); });
    ForEachItem(m_kindLists[ManagedKindConstraint],
                [](zMItem* constraint) { constraint->SetupConstraint(); });
    if (scripts) m_dispatcher->OnSetupDone(GetScriptUnits());
    SortLightsByKey();
}

void zScene::SortLightsByKey() {
    zList<zMItem*>& lights = m_kindLists[ManagedKindLight];
    // Adjacent pairs swap only on a strictly smaller key, so equal keys keep
    // their order.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (auto* node = lights.GetHead(); node && node->next; node = node->next) {
            if (node->next->value->GetLightSortKey() < node->value->GetLightSortKey()) {
                std::swap(node->value, node->next->value);
                node->value->SceneNode(zMItem::SceneListKind) = node;
                node->next->value->SceneNode(zMItem::SceneListKind) = node->next;
                swapped = true;
            }
        }
    }
}

void zScene::Reset() {
    GetLog() << "[H] Scene reset\n";
    ForEachItem(m_allItems, [](zMItem* item) { item->RestoreLocation(); });
    ForEachItem(m_allItems, [](zMItem* item) { item->Reset(); });
    if (RunsScripts()) ForEachItem(m_allItems, [](zMItem* item) { item->ResetScript(); });
    m_dispatcher->OnReset(GetScriptUnits());
    for (zPerfCounter& counter : m_counters)
        counter.Reset();
    if (m_engine) {
        m_engine->ResetClock();
        m_engine->StepClock();
    }
    m_flags &= ~SceneEndRequested;
}

// The frame

f32 zScene::GetClampedStep() const { return ClampStep(m_engine ? m_engine->GetFrameTime() : 0); }

f32 zScene::ClampStep(i32 frameTimeUnits) {
    const f32 step = static_cast<f32>(frameTimeUnits) / 10000.0f;
    if (!(step > 0.0f)) return 0.0f;
    return step > SceneMaximumStep ? SceneMaximumStep : step;
}

void zScene::ApplyActivationQueues() {
    while (auto* node = m_activationQueue.GetHead()) {
        zMItem* item = node->value;
        UnlinkItem(zMItem::SceneListActivation, item);
        SetItemActive(item, true);
    }
    while (auto* node = m_deactivationQueue.GetHead()) {
        zMItem* item = node->value;
        UnlinkItem(zMItem::SceneListDeactivation, item);
        UnlinkItem(zMItem::SceneListActive, item);
        if (zPhysicItem* body = item->GetPhysicItem()) body->CollisionActivate(false);
    }
}

void zScene::DetectTriggers() {
    ForEachItem(m_kindLists[ManagedKindTrigger], [this](zMItem* trigger) {
        if (!trigger->IsActive()) return;
        trigger->BeginDetection();
        ForEachItem(m_activeItems, [trigger](zMItem* item) {
            if ((item->GetBehaviour() & BehaviourTriggerDetected) && item->IsActive())
                trigger->DetectItem(item);
        });
        trigger->EndDetection();
    });
}

void zScene::UpdateLogicRate(f32 step) {
    m_counters[SceneCounterLogic].Begin();
    ForEachBusyItem([step](zMItem* item) {
        if (HasLogicUpdate(item)) item->StepLogic(step);
    });
    m_counters[SceneCounterLogic].End();
    ForEachBusyItem([](zMItem* item) {
        if (item->GetPhysicItem() || !item->GetItem() || !HasLogicUpdate(item)) return;
        // In [0, 1] for any frequency the logic rate accepts; a negative or
        // non-finite one must not carry the item off or make it NaN.
        f32 factor = item->GetLogicCountdown() * item->GetScriptLogicFrequency();
        if (!(factor >= 0.0f)) factor = 0.0f;
        if (factor > 1.0f) factor = 1.0f;
        const zMatrix4 shown = zMatrix4::Interpolate(item->GetLogicTransformation(),
                                                     item->GetPreviousLogicTransformation(), factor, false);
        item->GetItem()->SnapshotMatrix(shown, false, true);
    });
}

void zScene::FaceView(zMItem* managed) {
    zItem* item = managed->GetItem();
    zVector position = *item->GetPosition();
    zVector scale = *item->GetScale();
    if (zItem* parent = item->GetParent()) {
        const zMatrix4 parentWorld = *parent->GetWorldMatrix();
        position.w = 1.0f;
        parentWorld.TransformPoints(&position, &position, 1);
        zVector parentScale;
        parentWorld.Decompose(nullptr, &parentScale, nullptr);
        scale = zVector(parentScale.x * scale.x, parentScale.y * scale.y, parentScale.z * scale.z, 1.0f);
    }
    zMatrix3 view;
    if (m_currentCamera) view = zMatrix3::FromMatrix4(*m_currentCamera->GetWorldMatrix());
    const zMatrix3 rotation = zMatrix3::Multiply(view, zMatrix3::RotationZ(item->GetRotation()->z));
    item->SnapshotMatrix(zMatrix4::ComposeFromMatrix3(position, rotation, scale, zVector(0.0f, 0.0f, 0.0f, 1.0f)),
                         false, true);
}

void zScene::Update(u32 mask) {
    zScopedAllocCategory category(AllocCategoryScene);
    m_counters[SceneCounterUpdate].Begin();
    ApplyActivationQueues();
    if (!m_manualDeletion) FlushDeletionQueue();
    // A settled node of a kind without frame hooks would keep nothing new.
    SortOwnList(zMItem::SceneListMoved);
    ForEachItem(m_movedItems, [this](zMItem* item) {
        zItem* node = item->GetItem();
        if (!item->HasFrameHooks() && (!node || node->IsSettled())) {
            UnlinkItem(zMItem::SceneListMoved, item);
        } else if (node) {
            node->KeepPreviousMatrix();
        }
    });
    m_counters[SceneCounterScripts].Tick();
    const bool scripts = (mask & UpdateScripts) != 0;
    if (scripts) {
        m_counters[SceneCounterScripts].Begin(true);
        m_dispatcher->OnUpdate(GetScriptUnits());
        m_counters[SceneCounterScripts].End();
    }
    const f32 step = GetClampedStep();
    if ((mask & UpdatePhysics) && m_physicWorld) {
        m_counters[SceneCounterPhysics].Begin();
        m_scriptsInUpdate = scripts;
        m_physicWorld->Step(step);
        m_scriptsInUpdate = true;
        ForEachItem(m_activeItems, [](zMItem* item) { CopyBodyBack(item); });
        m_counters[SceneCounterPhysics].End();
    }
    if (mask & UpdateTriggers) DetectTriggers();
    ForEachBusyItem([this, step](zMItem* item) { UpdateUnit(*item, step); });
    if (scripts) {
        m_counters[SceneCounterScripts].Begin(true);
        ForEachBusyItem([](zMItem* item) {
            if (item->HearsEvents()) item->GetDispatcher()->OnUpdate(item->GetScriptUnits());
        });
        UpdateLogicRate(step);
        m_counters[SceneCounterScripts].End();
    }
    ForEachBusyItem([](zMItem* item) { item->Refresh(); });
    ForEachBusyItem([this, mask](zMItem* item) {
        if (mask & UpdateAnimation) item->UpdateAnimation();
        if (mask & UpdateItems) {
            if ((item->GetBehaviour() & BehaviourBillboard) && item->GetItem()) FaceView(item);
            item->Update();
        }
    });
    SortOwnList(zMItem::SceneListSkinned);
    ForEachItem(m_skinnedItems, [this](zMItem* object) {
        if (!object->HasSkin()) {
            UnlinkItem(zMItem::SceneListSkinned, object);
        } else if (object->IsInSceneList(zMItem::SceneListActive)) {
            object->UpdateSkin();
        }
    });
    m_counters[SceneCounterUpdate].End();
}

zRenderer* zScene::GetDrawingRenderer() const {
    if (m_renderer) return m_renderer;
    return m_engine ? m_engine->GetRenderer() : nullptr;
}

void zScene::RenderSetup(u32 flags) {
    zRenderer* renderer = GetDrawingRenderer();
    if ((m_flags & SceneRenderless) || !renderer) return;
    if (flags & RenderClear)
        renderer->ClearFrame(backgroundColor[0], backgroundColor[1], backgroundColor[2], 1.0f, 0.0f, ClearAll);
    renderer->SetExposureTarget(targetExposure);
    renderer->SetFog(fogFar > 0.0f, fogColor, fogNear, fogFar);
    if (m_currentCamera) {
        renderer->SetViewItem(m_currentCamera);
        renderer->ApplyView();
    }
}

void zScene::RenderToQueue(u32 /*flags*/) {
    zScopedCounter timing(m_counters[SceneCounterRender]);
    zRenderer* renderer = GetDrawingRenderer();
    if ((m_flags & SceneRenderless) || !renderer) return;
    const bool toolMode = m_engine && m_engine->GetToolMode() == 1;
    if (m_renderListValid && m_renderListToolMode == toolMode) {
        renderer->QueueRenderables(m_renderList);
        return;
    }
    m_renderList.clear();
    // A change during the walk clears it again.
    m_renderListValid = true;
    m_renderListToolMode = toolMode;
    bool complete = true;
    ForEachItem(m_activeItems, [&](zMItem* item) {
        const u32 kind = item->GetKind();
        if (kind != ManagedKindObject && kind != ManagedKindEmitter && kind != ManagedKindTerrain) return;
        if (toolMode && (item->GetBehaviour() & BehaviourToolHidden)) return;
        zRenderable* renderable = item->GetRenderable();
        if (!renderable) return;
        renderer->QueueRenderable(renderable);
        try {
            m_renderList.push_back(renderable);
        } catch (const std::bad_alloc&) {
            complete = false;
        }
    });
    if (!complete) m_renderListValid = false;
}

void zScene::RenderDone(u32 flags) {
    zScopedCounter timing(m_counters[SceneCounterRender]);
    if (flags & RenderNoScripts) return;
    if (!(m_flags & SceneRenderless)) {
        ForEachBusyItem([](zMItem* item) {
            if (item->HearsEvents()) item->GetDispatcher()->OnRenderDone(item->GetScriptUnits());
        });
    }
    m_dispatcher->OnRenderDone(GetScriptUnits());
}

void zScene::RenderUI(u32 flags) {
    zScopedCounter timing(m_counters[SceneCounterInterface]);
    if (m_ui && !(m_flags & SceneRenderless)) m_ui->Render((flags & RenderNoScripts) != 0);
    if (!(flags & RenderNoScripts)) m_dispatcher->OnRenderUI(GetScriptUnits());
}
