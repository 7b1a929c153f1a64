// Event dispatchers: tables of virtual operations, one per engine event, that
// call the method of that name on the instance of every unit of an owner, in
// list order, with the owner as the first argument and the event's extra
// arguments after it. A unit without an instance is skipped by every event
// but OnSetup, which sets such units up first and calls OnSetup only when
// that succeeds (units already set up are skipped, so a second OnSetup runs
// nothing). The cached slots call the closure the unit cached at set-up and
// skip a unit whose class lacks the method.
//
// A callback may remove units from the list, its own included: the walk then
// continues after the position the unit held. The list itself (its owner)
// must outlive the dispatch.
#pragma once

#include "core/types.h"
#include "script/script_unit.h"

class zScriptObject;

class zSceneScriptEventDispatcher {
  public:
    virtual ~zSceneScriptEventDispatcher() = default;

    virtual void OnPreSetup(zScriptUnitList& units);
    virtual void OnSetup(zScriptUnitList& units);
    virtual void OnSetupDone(zScriptUnitList& units);
    virtual void OnReset(zScriptUnitList& units);
    virtual void OnRenderDone(zScriptUnitList& units);
    virtual void OnRenderUI(zScriptUnitList& units);
    // physicFlag: the flag the physics callback hands on.
    virtual void OnPhysicStep(zScriptUnitList& units, bool physicFlag);
    // A unit whose delay is above 0 counts it down by the engine's frame time
    // instead of being called.
    virtual void OnUpdate(zScriptUnitList& units);
    virtual void OnDelete(zScriptUnitList& units);

    // The one instance every scene uses.
    static zSceneScriptEventDispatcher& GetShared();
};

// Items are passed under the kind of a managed item (24).
class zItemScriptEventDispatcher {
  public:
    virtual ~zItemScriptEventDispatcher() = default;

    virtual void OnSetup(zScriptUnitList& units);
    virtual void OnSetupDone(zScriptUnitList& units);
    virtual void OnReset(zScriptUnitList& units);
    virtual void OnActivate(zScriptUnitList& units, bool active);
    virtual void OnPhysicStep(zScriptUnitList& units, bool physicFlag);
    virtual void OnPhysicSleepStep(zScriptUnitList& units);
    // On the trigger's units: the item that entered or left.
    virtual void OnItemEnter(zScriptUnitList& units, void* item);
    virtual void OnItemExit(zScriptUnitList& units, void* item);
    // On the item's units: the trigger.
    virtual void OnEnterTrigger(zScriptUnitList& units, void* trigger);
    virtual void OnTrigger(zScriptUnitList& units, void* trigger);
    virtual void OnExitTrigger(zScriptUnitList& units, void* trigger);
    virtual void OnUpdate(zScriptUnitList& units);
    // period: the logic period in seconds.
    virtual void OnLogicUpdate(zScriptUnitList& units, f32 period);
    virtual void OnDelete(zScriptUnitList& units);
    virtual void OnRenderDone(zScriptUnitList& units);
    // other: the other item; contact: a script object of the physics callback
    // (not owned), passed on with true after it.
    virtual void OnCollisionEx(zScriptUnitList& units, void* other, zScriptObject* contact);
    virtual void OnCollision(zScriptUnitList& units, void* other);

    static zItemScriptEventDispatcher& GetShared();
};
