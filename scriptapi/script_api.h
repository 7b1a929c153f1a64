// The whole script API of a VM: what RegisterCoreScriptApi registers, then
// the groups in their fixed order, then the value classes.
#pragma once

#include "squirrel/squirrel.h"

// Runs once per VM, after its open and before any CObject exists. False when
// a step fails (every step still runs).
bool RegisterScriptApi(HSQUIRRELVM vm);

// The groups in registration order; a null registrar is a group not built,
// whose names scripts do not find.
struct ScriptApiGroup {
    const char* name;
    bool (*registrar)(HSQUIRRELVM vm);
};
const ScriptApiGroup* ScriptApiGroups(int& count);

// Destroys the game devices scripts made (DeviceNew and its kin) and not
// deleted, turning their handles into "Deleted native"; run when the VM
// closes, before the input manager goes.
void DeleteScriptInputDevices();
