#include "script/script_dispatch.h"

#include <initializer_list>

#include "engine/engine.h"
#include "script/script_vm.h"

namespace {

constexpr u32 ItemKind = zScriptUnit::OwnerManagedItem;

bool IsListed(const zScriptUnitList& units, const zScriptUnit* unit, u32* position = nullptr) {
    u32 index = 0;
    for (auto* node = units.GetHead(); node; node = node->next, ++index) {
        if (node->value.get() == unit) {
            if (position) *position = index;
            return true;
        }
    }
    return false;
}

// Visits the units in list order. A visit may run scripts that remove units
// (the visited one too): the walk resumes after the visited unit's position,
// or at that position when it is gone; it ends when the list itself went.
template <typename Visit> void ForEachUnit(zScriptUnitList& units, Visit visit) {
    zScriptUnitList::Walk walk;
    units.BeginWalk(walk);
    u32 index = 0;
    while (auto* node = units.GetNodeAt(index)) {
        zScriptUnit* unit = node->value.get();
        if (unit) visit(*unit);
        if (!walk.alive) return;
        u32 position = 0;
        index = IsListed(units, unit, &position) ? position + 1 : index;
    }
    units.EndWalk(walk);
}

// One call on a unit: the owner, then the arguments; nothing is touched after
// the call, which may have freed the unit.
void CallUnit(zScriptUnit& unit, const char* method, zScriptObject* closure,
              std::initializer_list<const zScriptValue*> arguments = {}) {
    if (!unit.Prepare(method, closure)) return;
    for (const zScriptValue* argument : arguments)
        unit.PushArgument(*argument);
    unit.Call(nullptr);
}

void DispatchByName(zScriptUnitList& units, const char* method,
                    std::initializer_list<const zScriptValue*> arguments = {}) {
    ForEachUnit(units, [&](zScriptUnit& unit) { CallUnit(unit, method, nullptr, arguments); });
}

// Units not set up yet are set up, then get the event when that succeeded.
void DispatchSetup(zScriptUnitList& units) {
    ForEachUnit(units, [&](zScriptUnit& unit) {
        if (unit.HasInstance()) return;
        if (!unit.Setup()) return;
        // The class's constructor may have removed the unit.
        if (!IsListed(units, &unit)) return;
        CallUnit(unit, "OnSetup", nullptr);
    });
}

// The cached slots: units of the given class with the closure the getter
// gives; others and those lacking the method are skipped.
template <typename Unit, typename Getter>
void DispatchCached(zScriptUnitList& units, const char* method, Getter getter,
                    std::initializer_list<const zScriptValue*> arguments = {}) {
    ForEachUnit(units, [&](zScriptUnit& unit) {
        auto* typed = dynamic_cast<Unit*>(&unit);
        if (!typed) return;
        zScriptObject* closure = (typed->*getter)();
        if (!closure) return;
        CallUnit(unit, method, closure, arguments);
    });
}

i32 FrameTimeOf(const zScriptUnit& unit) {
    zScriptVM* vm = unit.GetVM();
    zEngine* engine = vm ? vm->GetEngine() : nullptr;
    return engine ? engine->GetFrameTime() : 0;
}

} // namespace

// zSceneScriptEventDispatcher

zSceneScriptEventDispatcher& zSceneScriptEventDispatcher::GetShared() {
    static zSceneScriptEventDispatcher dispatcher;
    return dispatcher;
}

void zSceneScriptEventDispatcher::OnPreSetup(zScriptUnitList& units) { DispatchByName(units, "OnPreSetup"); }
void zSceneScriptEventDispatcher::OnSetup(zScriptUnitList& units) { DispatchSetup(units); }
void zSceneScriptEventDispatcher::OnSetupDone(zScriptUnitList& units) { DispatchByName(units, "OnSetupDone"); }
void zSceneScriptEventDispatcher::OnReset(zScriptUnitList& units) { DispatchByName(units, "OnReset"); }

void zSceneScriptEventDispatcher::OnRenderDone(zScriptUnitList& units) {
    DispatchCached<zSceneScriptUnit>(units, "OnRenderDone", &zSceneScriptUnit::GetOnRenderDone);
}

void zSceneScriptEventDispatcher::OnRenderUI(zScriptUnitList& units) {
    DispatchCached<zSceneScriptUnit>(units, "OnRenderUI", &zSceneScriptUnit::GetOnRenderUI);
}

void zSceneScriptEventDispatcher::OnPhysicStep(zScriptUnitList& units, bool physicFlag) {
    const zScriptValue flag(physicFlag);
    DispatchCached<zSceneScriptUnit>(units, "OnPhysicStep", &zSceneScriptUnit::GetOnPhysicStep, {&flag});
}

void zSceneScriptEventDispatcher::OnUpdate(zScriptUnitList& units) {
    ForEachUnit(units, [&](zScriptUnit& unit) {
        auto* scene = dynamic_cast<zSceneScriptUnit*>(&unit);
        if (!scene || !scene->GetOnUpdate()) return;
        if (scene->CountDownDelay(FrameTimeOf(unit))) return;
        CallUnit(unit, "OnUpdate", scene->GetOnUpdate());
    });
}

void zSceneScriptEventDispatcher::OnDelete(zScriptUnitList& units) { DispatchByName(units, "OnDelete"); }

// zItemScriptEventDispatcher

zItemScriptEventDispatcher& zItemScriptEventDispatcher::GetShared() {
    static zItemScriptEventDispatcher dispatcher;
    return dispatcher;
}

void zItemScriptEventDispatcher::OnSetup(zScriptUnitList& units) { DispatchSetup(units); }
void zItemScriptEventDispatcher::OnSetupDone(zScriptUnitList& units) { DispatchByName(units, "OnSetupDone"); }
void zItemScriptEventDispatcher::OnReset(zScriptUnitList& units) { DispatchByName(units, "OnReset"); }

void zItemScriptEventDispatcher::OnActivate(zScriptUnitList& units, bool active) {
    const zScriptValue state(active);
    DispatchCached<zManagerScriptUnit>(units, "OnActivate", &zManagerScriptUnit::GetOnActivate, {&state});
}

void zItemScriptEventDispatcher::OnPhysicStep(zScriptUnitList& units, bool physicFlag) {
    const zScriptValue flag(physicFlag);
    DispatchCached<zManagerScriptUnit>(units, "OnPhysicStep", &zManagerScriptUnit::GetOnPhysicStep, {&flag});
}

void zItemScriptEventDispatcher::OnPhysicSleepStep(zScriptUnitList& units) {
    DispatchCached<zManagerScriptUnit>(units, "OnPhysicSleepStep", &zManagerScriptUnit::GetOnPhysicSleepStep);
}

void zItemScriptEventDispatcher::OnItemEnter(zScriptUnitList& units, void* item) {
    const zScriptValue argument(item, ItemKind);
    DispatchByName(units, "OnItemEnter", {&argument});
}

void zItemScriptEventDispatcher::OnItemExit(zScriptUnitList& units, void* item) {
    const zScriptValue argument(item, ItemKind);
    DispatchByName(units, "OnItemExit", {&argument});
}

void zItemScriptEventDispatcher::OnEnterTrigger(zScriptUnitList& units, void* trigger) {
    const zScriptValue argument(trigger, ItemKind);
    DispatchByName(units, "OnEnterTrigger", {&argument});
}

void zItemScriptEventDispatcher::OnTrigger(zScriptUnitList& units, void* trigger) {
    const zScriptValue argument(trigger, ItemKind);
    DispatchByName(units, "OnTrigger", {&argument});
}

void zItemScriptEventDispatcher::OnExitTrigger(zScriptUnitList& units, void* trigger) {
    const zScriptValue argument(trigger, ItemKind);
    DispatchByName(units, "OnExitTrigger", {&argument});
}

void zItemScriptEventDispatcher::OnUpdate(zScriptUnitList& units) {
    DispatchCached<zManagerScriptUnit>(units, "OnUpdate", &zManagerScriptUnit::GetOnUpdate);
}

void zItemScriptEventDispatcher::OnLogicUpdate(zScriptUnitList& units, f32 period) {
    const zScriptValue argument(period);
    DispatchCached<zManagerScriptUnit>(units, "OnLogicUpdate", &zManagerScriptUnit::GetOnLogicUpdate, {&argument});
}

void zItemScriptEventDispatcher::OnDelete(zScriptUnitList& units) { DispatchByName(units, "OnDelete"); }
void zItemScriptEventDispatcher::OnRenderDone(zScriptUnitList& units) { DispatchByName(units, "OnRenderDone"); }

void zItemScriptEventDispatcher::OnCollisionEx(zScriptUnitList& units, void* other, zScriptObject* contact) {
    const zScriptValue item(other, ItemKind);
    const zScriptValue table(contact, false);
    const zScriptValue flag(true);
    DispatchCached<zManagerScriptUnit>(units, "OnCollisionEx", &zManagerScriptUnit::GetOnCollisionEx,
                                       {&item, &table, &flag});
}

void zItemScriptEventDispatcher::OnCollision(zScriptUnitList& units, void* other) {
    const zScriptValue item(other, ItemKind);
    DispatchCached<zManagerScriptUnit>(units, "OnCollision", &zManagerScriptUnit::GetOnCollision, {&item});
}
